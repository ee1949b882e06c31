// Test support for the editor: lexers from the lexers/ folder, and turning a headless desktop's
// loop until an analysis has finished.
#pragma once

#include <memory>
#include <string>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "platform/headless_host.h"

namespace synt::test {

// A new lexer of its own (the caller may free it whenever it likes), a copy of the first lexer of
// lexers/<File>.
std::unique_ptr<TSyntAnalyzer> LoadLexer(const std::string& File);

// Turns the loop (advancing the clock to the next timer) until the analysis is finished and its
// background pass taken over. False if that did not happen.
bool Settle(THeadlessDesktop& Desktop, TClientSyntAnalyzer* Client, int MaxTurns = 200000);

}  // namespace synt::test
