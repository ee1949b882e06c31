#include "platform/app_exceptions.h"

#include <utility>

namespace synt {

namespace {
TApplicationExceptionHandler& Handler() {
  static TApplicationExceptionHandler h;
  return h;
}
}  // namespace

TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler H) {
  return std::exchange(Handler(), std::move(H));
}

void HandleApplicationException(std::exception_ptr Exception) {
  // A handler that raises in turn must not escape into the analysis that called it.
  try {
    if (Handler()) Handler()(Exception);
  } catch (...) {
  }
}

}  // namespace synt
