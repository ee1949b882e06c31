#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "editor/syntax_memo.h"
#include "platform/event_loop.h"
#include "platform/tick.h"

namespace synt {
namespace {

namespace fs = std::filesystem;

// A headless loop with a manual clock, and the Pascal lexer of the shipped lexers.
class Folding : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterLexerClasses();
    lib = new TSyntaxManager(nullptr);
    lib->LoadFromFile((fs::path(SYNT_SOURCE_DIR) / "lexers" / "pascal.lxl").string());
  }
  static void TearDownTestSuite() {
    delete lib;
    lib = nullptr;
  }
  void SetUp() override { SetEventLoop(&loop); }
  void TearDown() override {
    memo.reset();
    SetEventLoop(nullptr);
  }

  TSyntaxMemo& Make(std::u16string_view Text, bool WithLexer = true) {
    memo = std::make_unique<TSyntaxMemo>(nullptr);
    memo->Lines()->SetTextStr(Text);
    if (WithLexer) {
      memo->SetSyntaxAnalyzer(lib->FindLexer(u"Pascal"));
      Settle();
    }
    return *memo;
  }
  // Turns the loop until the analysis finished and its background pass was taken over.
  void Settle() {
    TClientSyntAnalyzer* c = memo->SyntClient();
    for (int turn = 0; c && turn < 200000; ++turn) {
      if (c->IsFinished() && !c->IsSyntThreadRunning() && !loop.HasPosted()) return;
      if (loop.ProcessEvents() > 0) continue;
      if (c->IsSyntThreadRunning()) {
        loop.WaitForPosted(50);
        continue;
      }
      const int64_t delay = loop.NextTimerDelay();
      ASSERT_GE(delay, 0) << "the analysis stalled";
      clock.Advance(uint64_t(delay > 0 ? delay : 1));
    }
  }
  std::vector<int> Hidden() {
    std::vector<int> h;
    for (int l = 0; l < memo->Lines()->GetCount(); ++l)
      if (!memo->LineVisible(l)) h.push_back(l);
    return h;
  }
  TUserRange* UserRange(int Start, int End) {
    TUserRange* r = memo->UserRanges()->Add();
    r->SetStartPos(Start);
    r->SetEndPos(End);
    r->SetCollapsable(true);
    return r;
  }
  int Offset(int Line, int Col = 0) { return memo->Lines()->LineStart(Line) + Col; }

  static TSyntaxManager* lib;
  TManualClock clock{1000};
  TScopedTickClock useClock{clock};
  THeadlessEventLoop loop;
  std::unique_ptr<TSyntaxMemo> memo;
};
TSyntaxManager* Folding::lib = nullptr;

// The procedure's block folds from line 1 (its begin does not fold on its own), the while's
// begin from line 6, the main block from line 11; the if's begin stays on line 4.
const char16_t* const kUnit =
    u"program P;\r\n"                 // 0
    u"procedure A;\r\n"               // 1
    u"begin\r\n"                      // 2
    u"  x := 1;\r\n"                  // 3
    u"  if x then begin y; end;\r\n"  // 4
    u"  while x do\r\n"               // 5
    u"  begin\r\n"                    // 6
    u"    x := 0;\r\n"                // 7
    u"  end;\r\n"                     // 8
    u"end;\r\n"                       // 9
    u"\r\n"                           // 10
    u"begin\r\n"                      // 11
    u"  A;\r\n"                       // 12
    u"end.";                          // 13

using Lines = std::vector<int>;

TEST_F(Folding, ABlockCollapsesToItsFirstLine) {
  TSyntaxMemo& m = Make(kUnit);
  int changed = 0;
  m.OnCollapsedChanged = [&](TObject*) { ++changed; };
  EXPECT_EQ(m.GetLineState(1), 0);
  EXPECT_EQ(m.GetLineState(3), -2);
  EXPECT_EQ(m.GetLineState(9), -1);
  ASSERT_TRUE(m.ToggleCollapse(1));
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(Hidden(), (Lines{2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(m.GetLineState(1), 1);
  EXPECT_EQ(m.DisplayLineCount(), 6);
  EXPECT_EQ(m.DisplayToLine(2), (TDisplayPos{10, 0}));
  EXPECT_EQ(m.DisplayIndex(5), 1);  // a hidden line stands at its block's first line
  EXPECT_FALSE(m.CollapsedRanges()->Items(0)->CollapsedText.empty());
  ASSERT_TRUE(m.ToggleCollapse(1));  // again: expands
  EXPECT_TRUE(Hidden().empty());
  EXPECT_EQ(m.DisplayLineCount(), 14);
}

TEST_F(Folding, ABlockOnOneLineNeverCollapses) {
  TSyntaxMemo& m = Make(kUnit);
  EXPECT_NE(m.GetLineState(4), 0);
  EXPECT_FALSE(m.ToggleCollapse(4));
  EXPECT_FALSE(m.ToggleCollapse(2));  // its rule does not fold
  EXPECT_EQ(m.CollapsedRanges()->Count(), 0);
  EXPECT_FALSE(m.ToggleCollapse(-1));
  EXPECT_FALSE(m.ToggleCollapse(14));
  EXPECT_EQ(m.GetLineState(14), -3);
}

TEST_F(Folding, AnEndAtColumnZeroLeavesItsLineVisible) {
  TSyntaxMemo& m = Make(u"0\r\n1\r\n2 start\r\n3\r\n4\r\n5 end\r\n6", false);
  UserRange(Offset(2), Offset(5));
  EXPECT_EQ(m.GetLineState(2), 0);
  ASSERT_TRUE(m.ToggleCollapse(2));
  EXPECT_EQ(Hidden(), (Lines{3, 4}));
}

TEST_F(Folding, EmptyLinesGoWithTheBlockButNeverTheLastLine) {
  TSyntaxMemo& m = Make(u"a\r\nb\r\nc\r\n\r\n\r\n", false);  // lines 3 and 4 empty, 5 the last
  m.SetOptions(m.Options() + TSyntaxMemoOptions{soCallapseEmptyLines});
  UserRange(Offset(0), Offset(2, 1));
  ASSERT_TRUE(m.ToggleCollapse(0));
  EXPECT_EQ(Hidden(), (Lines{1, 2, 3, 4}));
  EXPECT_TRUE(m.LineVisible(5));
  // A line break typed into the empty lines it took along: those are not the lines it hid.
  m.Lines()->InsertText(Offset(3), u"\r\n");
  EXPECT_EQ(m.CollapsedRanges()->Count(), 0);
  EXPECT_TRUE(Hidden().empty());
}

TEST_F(Folding, TypingInsideRemovesTheBlockAndAboveMovesIt) {
  TSyntaxMemo& m = Make(kUnit);
  ASSERT_TRUE(m.ToggleCollapse(11));
  m.Lines()->InsertText(0, u"{ note }\r\n");
  ASSERT_EQ(m.CollapsedRanges()->Count(), 1);
  EXPECT_EQ(m.CollapsedRanges()->Items(0)->Line, 12);
  EXPECT_EQ(Hidden(), (Lines{13, 14}));
  m.Lines()->InsertText(Offset(13, 2), u"B;");  // inside the folded block
  EXPECT_EQ(m.CollapsedRanges()->Count(), 0);
  EXPECT_TRUE(Hidden().empty());
  EXPECT_EQ(m.DisplayLineCount(), 15);
}

TEST_F(Folding, ADeletionSwallowingTheStartDropsTheBlock) {
  TSyntaxMemo& m = Make(kUnit);
  ASSERT_TRUE(m.ToggleCollapse(11));
  // From inside line 9 up to the middle of "begin" on line 11: the block's start is gone.
  m.Lines()->DeleteText(Offset(9, 2), Offset(11, 3) - Offset(9, 2));
  EXPECT_EQ(m.CollapsedRanges()->Count(), 0);
  EXPECT_TRUE(Hidden().empty());
  m.CollapsedRanges()->Check();
  // A deletion ending right at the start moves the block, ends included.
  Make(kUnit);
  ASSERT_TRUE(memo->ToggleCollapse(11));
  const TCollapsedRange before = *memo->CollapsedRanges()->Items(0);
  memo->Lines()->DeleteText(Offset(9), Offset(11) - Offset(9));
  ASSERT_EQ(memo->CollapsedRanges()->Count(), 1);
  const TCollapsedRange* r = memo->CollapsedRanges()->Items(0);
  EXPECT_EQ(r->Line, 9);
  EXPECT_EQ(r->EndPos - r->StartPos, before.EndPos - before.StartPos);
  EXPECT_EQ(Hidden(), (Lines{10, 11}));
}

TEST_F(Folding, ExpandLinesUnhidesOnlyHiddenLines) {
  TSyntaxMemo& m = Make(kUnit);
  ASSERT_TRUE(m.ToggleCollapse(1));
  m.ExpandLines(1, 1);  // the first line is not hidden
  EXPECT_EQ(m.CollapsedRanges()->Count(), 1);
  m.ExpandLines(4, 4);
  EXPECT_EQ(m.CollapsedRanges()->Count(), 0);
  EXPECT_TRUE(Hidden().empty());
}

TEST_F(Folding, CollapseAllNestedAndExpandAll) {
  TSyntaxMemo& m = Make(kUnit);
  m.CollapseAll();
  EXPECT_GE(m.CollapsedRanges()->Count(), 2);
  EXPECT_TRUE(m.LineVisible(0));
  EXPECT_FALSE(m.LineVisible(3));
  EXPECT_FALSE(m.LineVisible(12));
  EXPECT_EQ(m.GetLineState(6), 1);  // nested blocks fold too
  m.CollapsedRanges()->Check();
  m.ExpandAll(Offset(11), -1);  // only the blocks starting from line 11 on
  EXPECT_TRUE(m.LineVisible(12));
  EXPECT_FALSE(m.LineVisible(3));
  m.ExpandAll();
  EXPECT_TRUE(Hidden().empty());
  // Only the blocks of one level.
  m.SetCollapseLevel(0);
  m.CollapseAll();
  EXPECT_EQ(m.GetLineState(1), 1);
  EXPECT_EQ(m.GetLineState(11), 1);
  m.ExpandAll();
  EXPECT_EQ(m.GetLineState(6), 0);
  m.SetCollapseLevel(-1);
  // Nested: collapse what lies inside the block on line 1, then expand all of it at once.
  m.ToggleCollapseNested(1);
  EXPECT_EQ(m.GetLineState(1), 0);
  EXPECT_EQ(m.GetLineState(6), 1);
  m.ToggleCollapse(1);
  m.ToggleCollapseNested(1);
  EXPECT_TRUE(Hidden().empty());
}

TEST_F(Folding, DisableFoldingShowsEveryLineAndKeepsTheStore) {
  TSyntaxMemo& m = Make(kUnit);
  ASSERT_TRUE(m.ToggleCollapse(11));
  m.SetDisableFolding(true);
  EXPECT_TRUE(Hidden().empty());
  EXPECT_EQ(m.GetLineState(11), -3);
  EXPECT_EQ(m.CollapsedRanges()->Count(), 1);
  m.SetDisableFolding(false);
  EXPECT_EQ(Hidden(), (Lines{12, 13}));
}

TEST_F(Folding, CollapseSelectionAndTheCaretLeavesHiddenLines) {
  TSyntaxMemo& m = Make(kUnit, false);
  m.Selection().SetCaretPos({1, 4});
  m.CollapseSelection(Offset(2, 1), Offset(5, 2));
  ASSERT_EQ(m.CollapsedRanges()->Count(), 1);
  EXPECT_TRUE(m.CollapsedRanges()->Items(0)->FromSelection);
  EXPECT_EQ(Hidden(), (Lines{3, 4, 5}));
  EXPECT_EQ(m.Selection().CaretPos().Y, 2);
  m.CollapseSelection(Offset(6), Offset(6, 0));  // one line: nothing
  EXPECT_EQ(m.CollapsedRanges()->Count(), 1);
}

TEST_F(Folding, BlocksReanchorAfterAnalysisPasses) {
  TSyntaxMemo& m = Make(kUnit);
  ASSERT_TRUE(m.ToggleCollapse(11));
  // An edit above moves the block and makes it stale; the next pass finds it where it starts.
  m.Lines()->InsertText(0, u"{ note }\r\n");
  ASSERT_EQ(m.CollapsedRanges()->Count(), 1);
  EXPECT_FALSE(m.CollapsedRanges()->Items(0)->Fresh);
  Settle();
  ASSERT_EQ(m.CollapsedRanges()->Count(), 1);
  EXPECT_TRUE(m.CollapsedRanges()->Items(0)->Fresh);
  EXPECT_EQ(Hidden(), (Lines{13, 14}));
  // An open comment above it: after the pass no block starts there any more, so it goes.
  m.Lines()->InsertText(Offset(11), u"{ ");
  EXPECT_EQ(m.CollapsedRanges()->Count(), 1);
  Settle();
  EXPECT_EQ(m.CollapsedRanges()->Count(), 0);
  EXPECT_TRUE(Hidden().empty());
}

// Random edits, folds and unfolds on a Pascal text with real analysis passes: the map always
// equals a fresh count over the visible lines, and the store its own spans.
TEST_F(Folding, RandomEditsAndFoldsKeepTheMapTrue) {
  static const std::u16string pieces[] = {u"begin ",
                                          u"end;",
                                          u"\r\n",
                                          u"x := 1; ",
                                          u"procedure Q;\r\nbegin\r\n  y;\r\nend;\r\n",
                                          u"{ c }",
                                          u"if a then\r\nbegin\r\nend;\r\n"};
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed);
    TSyntaxMemo& m = Make(kUnit);
    m.SetWordWrap(seed % 2 == 0);
    for (int step = 0; step < 40; ++step) {
      const int len = m.Lines()->TextLength();
      const int count = m.Lines()->GetCount();
      switch (rng() % 7) {
        case 0:
        case 1:
          m.Lines()->InsertText(int(rng() % unsigned(len + 1)), pieces[rng() % std::size(pieces)]);
          break;
        case 2:
          if (len > 0) m.Lines()->DeleteText(int(rng() % unsigned(len)), 1 + int(rng() % 20));
          break;
        case 3:
          m.ToggleCollapse(int(rng() % unsigned(count + 1)));
          break;
        case 4:
          if (rng() % 3 == 0)
            m.CollapseAll();
          else
            m.ExpandLines(int(rng() % 9), int(rng() % 9));
          break;
        case 5:
          Settle();
          break;
        case 6:
          m.SetTopDisplayLine(int(rng() % 30));
          break;
      }
      SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
      m.CollapsedRanges()->Check();
      m.LayoutPart().Layout().Check();
      int rows = 0;
      for (int l = 0; l < m.Lines()->GetCount(); ++l) {
        const bool visible = m.CollapsedRanges()->LineVisible(l);
        ASSERT_EQ(m.LineVisible(l), visible) << l;
        if (!visible) continue;
        const int n = m.GetLineInfo(l).RowCount();
        for (int r = 0; r < n; ++r, ++rows) {
          ASSERT_EQ(m.DisplayIndex(l, r), rows);
          ASSERT_EQ(m.DisplayToLine(rows), (TDisplayPos{l, r}));
        }
      }
      ASSERT_EQ(m.DisplayLineCount(), rows);
      for (int i = 0; i < m.CollapsedRanges()->Count(); ++i)
        ASSERT_LT(m.CollapsedRanges()->Items(i)->LastLine(), m.Lines()->GetCount());
      ASSERT_GE(m.TopDisplayLine(), 0);
      ASSERT_TRUE(m.LineVisible(m.LayoutPart().Layout().TopPos().Line));
    }
  }
}

}  // namespace
}  // namespace synt
