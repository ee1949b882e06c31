// Test support for the editor: lexers from the lexers/ folder, and turning a headless desktop's
// loop until an analysis has finished.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "editor/syntax_memo.h"
#include "platform/headless_host.h"

namespace synt::test {

// A new lexer of its own (the caller may free it whenever it likes), a copy of the first lexer of
// lexers/<File>.
std::unique_ptr<TSyntAnalyzer> LoadLexer(const std::string& File);

// Turns the loop (advancing the clock to the next timer) until the analysis is finished and its
// background pass taken over. False if that did not happen.
bool Settle(THeadlessDesktop& Desktop, TClientSyntAnalyzer* Client, int MaxTurns = 200000);

// An editor in a focused headless window of 80 x 10 cells of 8 x 17 pixels (by default), with
// helpers to switch options. Fixtures of the caret, movement and mouse tests derive from it.
class MemoWindow : public ::testing::Test {
 protected:
  explicit MemoWindow(THeadlessSettings Settings = {}) : desktop(Settings) {}
  TSyntaxMemo& Make(std::u16string_view Text, TSize Client = {642, 170}) {
    memo.SetText(Text);
    // Points are measured from the text's left edge at x = 2; the gutter has tests of its own.
    memo.Gutter()->SetVisible(false);
    host = std::make_unique<THeadlessHost>(desktop, memo, Client);
    host->Focus();
    desktop.RunUntilIdle();
    return memo;
  }
  void Opt(TSyntaxMemoOption O, bool On = true) {
    TSyntaxMemoOptions o = memo.Options();
    On ? o.Include(O) : o.Exclude(O);
    memo.SetOptions(o);
  }
  void OptEx(TSyntaxMemoOptionEx O, bool On = true) {
    TSyntaxMemoOptionsEx o = memo.OptionsEx();
    On ? o.Include(O) : o.Exclude(O);
    memo.SetOptionsEx(o);
  }

  THeadlessDesktop desktop;
  TSyntaxMemo memo{nullptr};
  std::unique_ptr<THeadlessHost> host;
};

}  // namespace synt::test
