// The application's exception handler: where failures that must not stop the caller go (a block
// rule that raises in the middle of an analysis, say). A GUI host shows them; by default they are
// dropped, since nothing is logged.
//
//   synt::SetApplicationExceptionHandler([](std::exception_ptr e) { ShowError(e); });
//   try { Step(); } catch (...) { synt::HandleApplicationException(std::current_exception()); }
#pragma once

#include <exception>
#include <functional>

namespace synt {

using TApplicationExceptionHandler = std::function<void(std::exception_ptr)>;

// Installs Handler (an empty one restores the default, which drops the exception); returns the
// previous one. GUI thread only.
TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler Handler);
void HandleApplicationException(std::exception_ptr Exception);

}  // namespace synt
