// The editor's hints on the manual clock: the wait before a hint, the hint area that keeps it, the
// display time, what hides it, token hints, previews of collapsed blocks, margin hints, placement
// at the work area's edge and the hint settings.
#include <gtest/gtest.h>

#include <string>

#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "paint_fixture.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

// The window point of the middle of character X of line Y (cells 8 x 16, rows 17, text at 2).
TPoint At(int X, int Y) {
  return {2 + X * 8 + 4, Y * 17 + 8};
}

class Hints : public test::MemoWindow {
 protected:
  ~Hints() override { memo.SetSyntaxAnalyzer(nullptr); }
  TSyntaxMemo& WithLexer(std::u16string_view Text) {
    lexer = test::LoadLexer("pascal.lxl");
    memo.SetSyntaxAnalyzer(lexer.get());
    Make(Text);
    EXPECT_TRUE(test::Settle(desktop, memo.SyntClient()));
    return memo;
  }
  bool Shown() {
    TPopupWindow* p = memo.HintPart().Popup();
    return p && p->Visible();
  }
  std::u16string ShownText() {
    std::u16string s;
    if (!Shown()) return s;
    for (const std::u16string& r : memo.HintPart().Window()->TextRows()) s += r;
    return s;
  }
  // The rectangle of the popup in the screen, relative to the host's origin.
  TRect ClientBounds() {
    const TRect b = memo.HintPart().Popup()->Bounds();
    const TPoint o = host->ScreenOrigin();
    return {b.Left - o.X, b.Top - o.Y, b.Right - o.X, b.Bottom - o.Y};
  }
  std::unique_ptr<TSyntAnalyzer> lexer;
};

const char16_t kProgram[] = u"program Demo;\nbegin\n  x := 1;\nend.\n";

TEST_F(Hints, TokenHintWaitsStaysInsideTheTokenAndTimesOut) {
  WithLexer(kProgram);
  std::vector<int> asked;
  memo.OnGetTokenHint = [&](TObject* Sender, int Index, std::u16string& Text) {
    EXPECT_EQ(Sender, &memo);
    asked.push_back(Index);
    Text = u"token " + std::u16string(1, char16_t(u'0' + asked.size()));
  };
  host->MouseMove(At(3, 0));  // in "program"
  desktop.Advance(499);
  EXPECT_FALSE(Shown());
  desktop.Advance(1);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ShownText(), u"token 1");
  // Below the token's row, at its start.
  EXPECT_EQ(ClientBounds().Left, 2);
  EXPECT_EQ(ClientBounds().Top, 17);
  EXPECT_EQ(memo.HintPart().HintArea(), (TRect{2, 0, 2 + 7 * 8, 17}));
  // Moving inside the token keeps the hint and its timer.
  host->MouseMove(At(6, 0));
  desktop.Advance(100);
  EXPECT_TRUE(Shown());
  // Leaving it hides the hint and waits again.
  host->MouseMove(At(2, 1));  // "begin"
  EXPECT_FALSE(Shown());
  EXPECT_TRUE(memo.HintPart().Waiting());
  desktop.Advance(500);
  EXPECT_EQ(ShownText(), u"token 2");
  desktop.Advance(9999);
  EXPECT_TRUE(Shown());
  desktop.Advance(1);
  EXPECT_FALSE(Shown()) << "TimeTokens passed";
  EXPECT_FALSE(memo.HintPart().Waiting()) << "no new hint until the pointer moves";
  EXPECT_EQ(asked.size(), 2u);
}

TEST_F(Hints, EmptyOrMissingTokenHintShowsNothing) {
  WithLexer(kProgram);
  host->MouseMove(At(3, 0));
  desktop.Advance(600);
  EXPECT_FALSE(Shown()) << "no handler";
  memo.OnGetTokenHint = [](TObject*, int, std::u16string& Text) { Text.clear(); };
  host->MouseMove(At(4, 0));
  desktop.Advance(600);
  EXPECT_FALSE(Shown());
  // Past the end of a line there is no token.
  memo.OnGetTokenHint = [](TObject*, int, std::u16string& Text) { Text = u"t"; };
  host->MouseMove(At(30, 0));
  desktop.Advance(600);
  EXPECT_FALSE(Shown());
  memo.HintProps()->SetShowHints({shCollapsed, shGutter});
  host->MouseMove(At(1, 0));
  desktop.Advance(600);
  EXPECT_FALSE(Shown()) << "token hints switched off";
}

TEST_F(Hints, PressFocusLossAndScrollingHide) {
  std::u16string text = kProgram;
  for (int i = 0; i < 30; ++i) text += u"x := x + 1;\n";
  WithLexer(text);
  memo.OnGetTokenHint = [](TObject*, int, std::u16string& Text) { Text = u"hint"; };
  auto showAt = [&](TPoint P) {
    host->MouseMove(P);
    desktop.Advance(500);
    return Shown();
  };
  ASSERT_TRUE(showAt(At(3, 0)));
  host->MouseDown(At(3, 0));
  host->MouseUp(At(3, 0));
  EXPECT_FALSE(Shown());
  ASSERT_TRUE(showAt(At(4, 0)));
  desktop.Deactivate();
  EXPECT_FALSE(Shown());
  host->Focus();
  ASSERT_TRUE(showAt(At(2, 1)));
  memo.SetTopLine(2);
  EXPECT_FALSE(Shown());
  ASSERT_TRUE(showAt(At(2, 1)));
  host->Wheel(At(2, 1), -120);
  EXPECT_FALSE(Shown());
}

TEST_F(Hints, HintsMoveLeftAtTheWorkAreasRightEdge) {
  WithLexer(kProgram);
  host->SetScreenOrigin({1800, 100});  // the work area ends at 1920
  memo.OnGetTokenHint = [](TObject*, int, std::u16string& Text) {
    Text = u"a rather long hint text";
  };
  host->MouseMove(At(3, 0));
  desktop.Advance(500);
  ASSERT_TRUE(Shown());
  const TRect b = memo.HintPart().Popup()->Bounds();
  EXPECT_EQ(b.Width(), 23 * 8 + 6);
  EXPECT_EQ(b.Right, 1920 - 5);
  EXPECT_EQ(b.Top, 117);
}

TEST_F(Hints, LongTextsWrapAtBlanks) {
  WithLexer(kProgram);
  host->SetScreenOrigin({0, 100});
  std::u16string text;
  for (int i = 0; i < 100; ++i) text += u"word ";
  memo.OnGetTokenHint = [&](TObject*, int, std::u16string& Text) { Text = text + u"\tend"; };
  host->MouseMove(At(3, 0));
  desktop.Advance(500);
  ASSERT_TRUE(Shown());
  const std::vector<std::u16string>& rows = memo.HintPart().Window()->TextRows();
  ASSERT_GT(rows.size(), 1u);
  std::u16string joined;
  for (const std::u16string& r : rows) {
    EXPECT_LE(int(r.size()) * 8, 1920 - 2 - 5 - 6) << "the hint starts at x 2 of the screen";
    EXPECT_NE(r.front(), u' ');
    EXPECT_EQ(r.find(u'\t'), std::u16string::npos) << "tabs are expanded";
    joined += r;
  }
  EXPECT_EQ(joined.substr(joined.size() - 3), u"end");
}

TEST_F(Hints, ThumbTrackingShowsTheTopLine) {
  std::u16string text;
  for (int i = 0; i < 60; ++i) text += u"line\n";
  Make(text);
  host->ScrollBarAction(sbVertical, scTrack, 5);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ShownText(), u"Line: 6");
  EXPECT_EQ(ClientBounds().Right, 642) << "at the window's right edge";
  host->ScrollBarAction(sbVertical, scTrack, 9);
  EXPECT_EQ(ShownText(), u"Line: 10");
  host->ScrollBarAction(sbVertical, scEndScroll);
  EXPECT_FALSE(Shown());
  memo.HintProps()->SetShowHints({shTokens});
  host->ScrollBarAction(sbVertical, scTrack, 2);
  EXPECT_FALSE(Shown());
}

// ---- Collapsed blocks
// ----------------------------------------------------------------------------

class Preview : public Hints {
 protected:
  // Lines 0..Lines-1 collapsed from the end of "begin"; the mark "..." at columns 5..7 of line 0.
  void Fold(int Lines) {
    Make(u"begin\n  a := 1;\n  b := 2;\n  c := 3;\nend;\nafter\n");
    const TSyntMemoStrings& l = *memo.Lines();
    memo.CollapseSelection(5, l.LineStart(Lines - 1) + l.LineLength(Lines - 1));
    ASSERT_NE(memo.CollapsedRanges()->ItemAtLine(0), nullptr);
  }
  void Rest() {
    host->MouseMove({2 + 6 * 8, 8});
    desktop.Advance(500);
  }
  std::pair<int, int> Shows() {
    if (!Shown() || !memo.HintPart().Window()->HasPreview()) return {-1, -1};
    return {memo.HintPart().Window()->FirstLine(), memo.HintPart().Window()->LastLine()};
  }
};

TEST_F(Preview, ShowsTheHiddenLinesBelowTheMark) {
  Fold(3);
  Rest();
  EXPECT_EQ(Shows(), std::make_pair(1, 2));
  EXPECT_EQ(memo.HintPart().HintArea(), (TRect{42, 0, 42 + 3 * 8, 17}));
  // At the text area's left edge, below line 0; as wide as the widest line and a frame.
  EXPECT_EQ(ClientBounds(), (TRect{2, 17, 2 + 9 * 8 + 2, 17 + 2 * 17 + 2}));
  // Painted by the editor's line routine on the hint's canvas.
  THeadlessHost& h = static_cast<THeadlessPopupWindow*>(memo.HintPart().Popup())->HeadlessHost();
  h.PaintAll();
  std::u16string drawn;
  for (const TCanvasOp& op : h.Canvas().Ops())
    if (op.Kind == TCanvasOpKind::TextOut) drawn += op.Text + u"|";
  EXPECT_NE(drawn.find(u"a := 1;"), std::u16string::npos) << test::Utf8(drawn);
  EXPECT_NE(drawn.find(u"b := 2;"), std::u16string::npos) << test::Utf8(drawn);
  EXPECT_EQ(drawn.find(u"begin"), std::u16string::npos) << test::Utf8(drawn);
  // Inside the mark it stays; outside it goes.
  host->MouseMove({2 + 7 * 8, 10});
  desktop.Advance(100);
  EXPECT_TRUE(Shown());
  host->MouseMove({2 + 9 * 8, 10});
  EXPECT_FALSE(Shown());
  // TimeCollapsed.
  Rest();
  desktop.Advance(10000);
  EXPECT_FALSE(Shown());
}

TEST_F(Preview, FirstLineAndLineLimit) {
  Fold(3);
  memo.HintProps()->SetCollapsedLines(1);
  Rest();
  EXPECT_EQ(Shows(), std::make_pair(1, 1));
  memo.HintProps()->SetShowFirstLine(true);
  host->MouseMove({0, 100});
  Rest();
  EXPECT_EQ(Shows(), std::make_pair(0, 1));
  memo.HintProps()->SetCollapsedLines(20);
  host->MouseMove({0, 100});
  Rest();
  EXPECT_EQ(Shows(), std::make_pair(0, 2));
}

TEST_F(Preview, LongBlocksShowCollapsedLinesOnly) {
  Fold(5);
  memo.HintProps()->SetCollapsedLines(2);
  Rest();
  EXPECT_EQ(Shows(), std::make_pair(1, 2));
  memo.HintProps()->SetShowHints({shTokens});
  host->MouseMove({0, 100});
  Rest();
  EXPECT_FALSE(Shown()) << "previews switched off";
}

TEST_F(Preview, NoPreviewForPlainSeparators) {
  Fold(3);
  memo.SetCollapseStyle(csLineSeparator);
  Rest();
  EXPECT_FALSE(Shown());
}

// ---- Margins and settings
// ------------------------------------------------------------------------

TEST_F(Hints, MarginHintKeepsWithinTenPixels) {
  Make(u"some text here\nand more text\n");
  TqxTextMargin* m = memo.TextMargins()->Items(0);
  m->SetPosition(3);
  const int x = 2 + 3 * 8;
  host->MouseMove({x + 1, 20});
  desktop.Advance(600);
  EXPECT_FALSE(Shown()) << "a margin without a hint";
  m->SetHint(u"card edge");
  host->MouseMove({x, 22});
  desktop.Advance(500);
  ASSERT_TRUE(Shown());
  EXPECT_EQ(ShownText(), u"card edge");
  EXPECT_EQ(memo.HintPart().HintArea(), (TRect{x - 5, 17, x + 5, 27}));
  EXPECT_EQ(ClientBounds().Top, 22 + 16);
  host->MouseMove({x + 4, 26});
  EXPECT_TRUE(Shown());
  host->MouseMove({x + 5, 26});
  EXPECT_FALSE(Shown());
  host->MouseMove({x, 22});
  desktop.Advance(500);
  desktop.Advance(5000);
  EXPECT_FALSE(Shown()) << "TimeGutter passed";
}

TEST(HintProps, TimesMustBePositiveAndAssignCopiesTheListedOnes) {
  THintProps p;
  for (auto set :
       {&THintProps::SetDelayBefore, &THintProps::SetTimeCollapsed, &THintProps::SetTimeGutter,
        &THintProps::SetTimeTokens, &THintProps::SetCollapsedLines}) {
    try {
      (p.*set)(0);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Time must be greater 0");
    }
    EXPECT_THROW((p.*set)(-5), Exception);
  }
  EXPECT_EQ(p.DelayBefore(), 500) << "a refused value changes nothing";
  EXPECT_EQ(p.CollapsedLines(), 20);
  p.SetColor(clRed);
  p.SetTimeGutter(77);
  p.SetCollapsedLines(3);
  p.SetShowFirstLine(true);
  p.SetShowHints({shGutter});
  THintProps q;
  q.Assign(&p);
  EXPECT_EQ(q.Color(), clRed);
  EXPECT_EQ(q.TimeGutter(), 77);
  EXPECT_EQ(q.ShowHints(), TShowHints{shGutter});
  EXPECT_EQ(q.CollapsedLines(), 20) << "not among the copied ones";
  EXPECT_FALSE(q.ShowFirstLine());
}

}  // namespace
}  // namespace synt
