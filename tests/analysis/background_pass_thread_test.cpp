// A lexer edited on the GUI thread while background passes of its documents run, as a style dialog
// does: rule and style setters, handlers assigned, and an edited copy assigned back (which replaces
// every rule). The passes read no lexer object, so ThreadSanitizer finds no race and no pass reads
// a freed rule; once settled, each document equals a fresh analysis under the final lexer.
#include <gtest/gtest.h>

#include <algorithm>

#include "incremental_util.h"
#include "lexer_build.h"

namespace synt::test {
namespace {

TEST(BackgroundPassThread, LexerEditsWhilePassesRunAreSafe) {
  LoopHarness h;
  TSyntAnalyzer L(nullptr);
  AddToken(L, u"Word", u"[a-z]+", 2);
  AddToken(L, u"Sym", u"[;]", 3);
  TSyntaxFormat* style = L.Formats()->Add();
  style->SetDisplayName(u"Block");
  auto* begin = AddBlock(L, u"Begin", btRangeStart, {{u"begin", tcEqual}});
  auto* end = AddBlock(L, u"End", btRangeEnd, {{u"end", tcEqual}});
  SetBlockEnd(begin, end);
  begin->SetStyleName(u"Block");
  begin->SetDrawStaple(true);
  begin->SetDynHighlight(dhRange);
  L.OnGetStapleRange = [](TClientSyntAnalyzer*, TTextRange*, int&, int&) {};

  std::u16string text;
  for (int i = 0; i < 3000; ++i) text += u"begin a begin b end; end;\r\n";
  EditDoc one(&L, text), two(&L, text);
  for (int round = 0; round < 24; ++round) {
    one->Analyze(true);  // each ends by starting a background pass
    two->Analyze(true);
    ASSERT_TRUE(one->IsSyntThreadRunning());
    TTagBlockCondition* b = L.BlockRules()->Items(0);
    switch (round % 6) {
      case 0:
        b->SetDrawStaple(round % 12 == 0);
        break;
      case 1:
        b->SetDynHighlight(round % 12 == 1 ? dhBound : dhRange);
        b->SetHighlightPos(cpBound);
        break;
      case 2:
        L.Formats()->Items(L.Formats()->Count() - 1)->SetBgColor(TColor(0x102030 + round));
        break;
      case 3:
        // No notification at all: a running pass keeps calling the handler it started with.
        L.OnGetStapleRange = [](TClientSyntAnalyzer*, TTextRange*, int& s, int&) {
          s = std::max(s, 0);
        };
        L.OnGetCollapseRange = nullptr;
        break;
      case 4: {
        TSyntAnalyzer copy(nullptr);
        copy.Assign(&L);
        copy.BlockRules()->Items(0)->SetNotCollapsed(round % 12 == 4);
        L.Assign(&copy);  // every rule and style is replaced
        break;
      }
      case 5:
        L.BlockRules()->Items(0)->SetStyleName(u"");
        L.BlockRules()->Items(0)->SetStyleName(u"Block");
        break;
    }
  }
  ASSERT_TRUE(one.Settle(h));
  ASSERT_TRUE(two.Settle(h));
  EditDoc fresh(&L, text);
  ASSERT_TRUE(fresh.Settle(h));
  EXPECT_EQ(FirstDifference(DumpAnalysis(*fresh.client), DumpAnalysis(*one.client)), "");
  EXPECT_EQ(FirstDifference(DumpAnalysis(*fresh.client), DumpAnalysis(*two.client)), "");
}

}  // namespace
}  // namespace synt::test
