// The caret part on the headless host: where the caret may stand, the selection operations and
// their events, coordinates through the painter's geometry, scrolling to the caret, following
// text changes, focus, and the caret on screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "platform/filer.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

std::u16string Numbered(int Lines) {
  std::u16string t;
  for (int i = 0; i < Lines; ++i) {
    if (i) t += u"\r\n";
    t += u"line ";
    for (char c : std::to_string(i)) t.push_back(char16_t(c));
  }
  return t;
}

// Cells of 8 x 16, rows of 17 pixels, the text from x = 2.
class MemoCaret : public test::MemoWindow {
 protected:
  explicit MemoCaret(THeadlessSettings Settings = {}) : MemoWindow(Settings) {}
  TMemoCaretPart& C() { return memo.CaretPart(); }
  TPoint Caret() { return memo.CaretPos(); }
};

TEST_F(MemoCaret, SettingClampsToTheText) {
  Make(u"");
  memo.SetCaretPos({5, 0});
  EXPECT_EQ(Caret(), TPoint(0, 0)) << "an empty text has one place";
  memo.SetText(u"0123456789\r\nab\r\n0123456789");
  memo.SetCaretPos({50, 2});
  EXPECT_EQ(Caret(), TPoint(50, 2)) << "virtual space past the end";
  memo.SetCaretPos({-3, -1});
  EXPECT_EQ(Caret(), TPoint(0, 0));
  memo.SetCaretPos({1, 99});
  EXPECT_EQ(Caret(), TPoint(1, 2));
  Opt(soKeepCaretInText);
  memo.SetCaretPos({50, 2});
  EXPECT_EQ(Caret(), TPoint(10, 2));
  memo.SetCaretPos({7, 1});
  EXPECT_EQ(Caret(), TPoint(2, 1));
  Opt(soKeepCaretInText, false);
  OptEx(soVirtualCaretPos);
  memo.SetCaretPos({1, 99});
  EXPECT_EQ(Caret(), TPoint(1, 99));
  OptEx(soVirtualCaretPos, false);
  memo.SetMultiLine(false);
  memo.SetCaretPos({3, 2});
  EXPECT_EQ(Caret(), TPoint(3, 0)) << "a single-line editor keeps line 0";
}

TEST_F(MemoCaret, NeverInsideAClusterNorBetweenCrAndLf) {
  Make(u"a\U0001F600b\r\ne\u0301x");
  memo.SetCaretPos({2, 0});
  EXPECT_EQ(Caret(), TPoint(3, 0)) << "after the surrogate pair";
  EXPECT_EQ(C().NormalizePos({2, 0}, false), TPoint(1, 0));
  memo.SetCaretPos({1, 1});
  EXPECT_EQ(Caret(), TPoint(2, 1)) << "after the combining mark";
  memo.SetCaretStrPos(5);  // between the CR and the LF
  EXPECT_EQ(Caret(), TPoint(4, 0));
}

TEST_F(MemoCaret, HiddenLinesAndCollapseTails) {
  Make(u"head {\r\n x\r\n y\r\n}\r\ntail");
  memo.CollapseSelection(5, memo.CaretPosToStrPos({1, 3}));
  ASSERT_FALSE(memo.LineVisible(2));
  memo.SetCaretPos({0, 2});
  EXPECT_EQ(Caret(), TPoint(0, 4)) << "forward off the hidden lines";
  memo.SetCaretPos({7, 0});
  EXPECT_EQ(Caret(), TPoint(0, 4)) << "past the collapse point: the line after the block";
  EXPECT_EQ(C().NormalizePos({7, 0}, false), TPoint(5, 0));
  memo.SetCaretPos({3, 0});
  EXPECT_EQ(Caret(), TPoint(3, 0));
  // A caret put on a hidden line behind the part's back is shown by expanding.
  memo.Selection().SetCaretPos({1, 2});
  memo.ScrollToCaret();
  EXPECT_TRUE(memo.LineVisible(2));
}

TEST_F(MemoCaret, SelectionOperationsAndTheirEvents) {
  Make(u"alpha beta\r\ngamma delta\r\nepsilon");
  int selEvents = 0, caretEvents = 0;
  memo.OnSelectionChanged = [&](TObject*) { ++selEvents; };
  memo.OnCaretPosChanged = [&](TObject*) { ++caretEvents; };
  memo.SetSelection(2, -5);
  EXPECT_EQ(memo.SelLength(), 0) << "a negative length selects nothing";
  EXPECT_EQ(selEvents, 0);
  memo.SetSelection(6, 1000);
  EXPECT_EQ(memo.SelStart(), 6);
  EXPECT_EQ(memo.SelLength(), int(memo.Text().size()) - 6);
  EXPECT_EQ(selEvents, 1);
  memo.SetSelection(6, memo.SelLength());
  EXPECT_EQ(selEvents, 1) << "nothing changed";
  memo.SelectRange(12, 5);
  EXPECT_EQ(Caret(), TPoint(5, 1));
  EXPECT_EQ(memo.SelText(), u"gamma");
  EXPECT_EQ(caretEvents, 1);
  memo.ResetSelection();
  EXPECT_FALSE(memo.HaveSelection());
  EXPECT_EQ(memo.SelStart(), 17);
  const int before = selEvents;
  memo.ResetSelection();
  EXPECT_EQ(selEvents, before) << "no selection, no event";
  memo.SetCaretPos({8, 1});
  memo.SelectWord();
  EXPECT_EQ(memo.SelText(), u"delta");
  memo.SetCaretPos({5, 0});  // the blank after alpha touches the word before it
  memo.SelectWord();
  EXPECT_EQ(memo.SelText(), u"alpha");
  memo.SelectLine(1);
  EXPECT_EQ(memo.SelText(), u"gamma delta\r\n");
  Opt(soDisableSelection);
  memo.SetSelection(0, 5);
  EXPECT_FALSE(memo.HaveSelection());
  memo.ExecuteCommand(cmSelRight, nullptr);
  EXPECT_FALSE(memo.HaveSelection()) << "moves never extend";
}

TEST_F(MemoCaret, WordCharactersAskOnCheckChar) {
  Make(u"foo-bar baz");
  int a = 0, b = 0;
  ASSERT_TRUE(C().WordAt({1, 0}, a, b));
  EXPECT_EQ(b - a, 3);
  memo.OnCheckChar = [](TObject*, char16_t Ch, bool& IsWord) {
    if (Ch == u'-') IsWord = true;
  };
  ASSERT_TRUE(C().WordAt({1, 0}, a, b));
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 7);
  EXPECT_FALSE(C().WordAt({8, 1}, a, b));
}

TEST_F(MemoCaret, SelectionModes) {
  Make(u"0123456789\r\n0123456789\r\n0123456789\r\n0123456789");
  Opt(soEnableBlockSel, false);
  memo.SetSelectionMode(msColumn);
  EXPECT_EQ(memo.SelectionMode(), msNone) << "refused without soEnableBlockSel";
  memo.SetCaretPos({2, 0});
  memo.ExecuteCommand(cmColSelRight, nullptr);
  EXPECT_EQ(memo.SelectionMode(), msNone);
  EXPECT_EQ(memo.SelLength(), 1) << "a stream selection from msNone";
  EXPECT_TRUE(memo.Selection().BlockRect().IsEmpty());

  Opt(soEnableBlockSel);
  memo.SetCaretPos({2, 0});
  TPoint to{5, 3};
  memo.ExecuteCommand(cmColSelGotoXY, &to);
  EXPECT_EQ(memo.Selection().BlockRect(), TRect(2, 0, 5, 3));
  EXPECT_EQ(memo.SelText(), u"234\r\n234\r\n234\r\n234\r\n");
  EXPECT_TRUE(C().PosInSelection({4, 2}));
  EXPECT_FALSE(C().PosInSelection({5, 2}));
  Opt(soGreedySelect);
  memo.ExecuteCommand(cmColSelGotoXY, &to);
  memo.SetCaretPos({2, 0});
  memo.ExecuteCommand(cmColSelGotoXY, &to);
  EXPECT_EQ(memo.Selection().BlockRect().Right, 6) << "greedy blocks include the caret";

  Opt(soGreedySelect, false);
  memo.SetCaretPos({3, 1});
  memo.SetSelectionMode(msLine);
  TPoint down{3, 3};
  memo.ExecuteCommand(cmSelGotoXY, &down);
  EXPECT_EQ(memo.SelectionMode(), msLine);
  EXPECT_EQ(memo.SelStart(), 12);
  EXPECT_EQ(memo.SelLength(), 24) << "lines 1 and 2; the caret's line without soGreedySelect";
  Opt(soGreedySelect);
  memo.ExecuteCommand(cmSelGotoXY, &down);
  memo.SetCaretPos({3, 1});
  memo.ExecuteCommand(cmSelGotoXY, &down);
  EXPECT_EQ(memo.SelLength(), 34) << "through the end of the caret's line";
}

// Caret to point and back lands where it started, for every position on screen.
void ExpectRoundTrip(TSyntaxMemo& Memo, const char* What) {
  TMemoCaretPart& c = Memo.CaretPart();
  const int count = Memo.Lines()->GetCount();
  const int top = Memo.TopDisplayLine(), rows = Memo.VisibleLines();
  int checked = 0;
  for (int y = 0; y < count; ++y) {
    for (int x = 0; x <= Memo.Lines()->LineLength(y) + 3; ++x) {
      const TPoint p = c.NormalizePos({x, y}, true);
      const int d = c.DisplayLineOf(p);
      if (d < top || d >= top + rows) continue;
      const TPoint pt = c.CaretToPoint(p);
      if (pt.X < 2 || pt.X >= Memo.ClientSize().cx) continue;
      EXPECT_EQ(c.PointToCaret(pt), p) << What << " at " << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 20) << What;
}

TEST_F(MemoCaret, PointToCaretInvertsCaretToPoint) {
  const std::u16string text =
      u"\tab\tc\r\n\u4e2d\u6587\tx\r\nsur\U0001F600rogate e\u0301 z\r\n"
      u"block {\r\n  inner\r\n}\r\n"
      u"a long line that wraps when word wrap is on and the window is narrow\r\nend";
  Make(text, {2 + 30 * 8, 170});
  ExpectRoundTrip(memo, "plain");
  memo.CollapseSelection(6, memo.CaretPosToStrPos({1, 5}));
  ExpectRoundTrip(memo, "collapsed");
  memo.SetWordWrap(true);
  ExpectRoundTrip(memo, "wrapped");
  memo.TabList()->SetAsString(u"3 7");
  OptEx(soAllowZeroTab);
  ExpectRoundTrip(memo, "tab stops");
  memo.SetWordWrap(false);
  memo.SetLeftCol(3);
  ExpectRoundTrip(memo, "scrolled");
}

class MemoCaretProportional : public MemoCaret {
 protected:
  static THeadlessSettings Settings() {
    THeadlessSettings s;
    s.Pitch = THeadlessPitch::Proportional;
    return s;
  }
  MemoCaretProportional() : MemoCaret(Settings()) {}
};

TEST_F(MemoCaretProportional, PointToCaretInvertsCaretToPoint) {
  Make(u"Wide Mmm iii\tx\r\n\u4e2d\u6587 W@\r\nwrapping proportional text for a while", {150, 170});
  ExpectRoundTrip(memo, "proportional");
  memo.SetWordWrap(true);
  ExpectRoundTrip(memo, "proportional wrapped");
}

TEST_F(MemoCaret, PointsOutsideTheText) {
  Make(u"abc\r\nde");
  const TPoint below = C().PointToCaret({40, 150});
  EXPECT_EQ(below, TPoint(2, 1)) << "below the last line: the end of the text";
  EXPECT_EQ(C().PointToCaret({2 + 8 * 6 + 1, 0}), TPoint(6, 0)) << "virtual space";
  EXPECT_EQ(C().PointToCaret({0, 0}), TPoint(0, 0));
  OptEx(soVirtualCaretPos);
  EXPECT_EQ(C().PointToCaret({2 + 8 * 3, 17 * 4 + 2}), TPoint(3, 4));
  EXPECT_EQ(C().CaretToPoint({3, 4}), TPoint(2 + 24, 68));
}

TEST_F(MemoCaret, ScrollsTheViewToTheCaret) {
  Make(Numbered(100) + u"\r\n" + std::u16string(300, u'x'));
  memo.SetCaretPos({0, 50});
  EXPECT_EQ(memo.TopDisplayLine(), 41) << "minimal: the caret's row at the bottom";
  memo.SetCaretPos({0, 30});
  EXPECT_EQ(memo.TopDisplayLine(), 30) << "minimal: at the top";
  memo.SetCaretPos({0, 35});
  EXPECT_EQ(memo.TopDisplayLine(), 30) << "on screen: no scroll";
  memo.ScrollToCaret(0, 3);
  EXPECT_EQ(memo.TopDisplayLine(), 30);
  memo.SetCaretPos({200, 100});
  const TPoint pt = C().CaretToPoint(Caret());
  EXPECT_GE(pt.X, 2);
  EXPECT_LT(pt.X + 8, 642 + 1) << "the caret's cell is in view";
  memo.SetCaretPos({0, 100});
  EXPECT_EQ(memo.LeftCol(), 0);
}

TEST_F(MemoCaret, FollowsTextChanges) {
  Make(u"one two three\r\nfour\r\nfive");
  int selEvents = 0;
  memo.OnSelectionChanged = [&](TObject*) { ++selEvents; };
  memo.SetSelection(4, 3);
  selEvents = 0;
  memo.Lines()->InsertText(0, u"xx");
  EXPECT_FALSE(memo.HaveSelection()) << "without soPersistentBlocks an edit drops it";
  EXPECT_EQ(selEvents, 1);
  Opt(soPersistentBlocks);
  memo.SetSelection(6, 3);
  memo.Lines()->InsertText(0, u"yy");
  EXPECT_EQ(memo.SelStart(), 8);
  EXPECT_EQ(memo.SelLength(), 3);
  memo.Lines()->DeleteText(7, 3);  // into the selection
  EXPECT_EQ(memo.SelStart(), 7);
  EXPECT_EQ(memo.SelLength(), 1);
  memo.SetCaretPos({2, 2});
  memo.SetTopDisplayLine(2);
  memo.SetText(u"new text");
  EXPECT_EQ(Caret(), TPoint(0, 0));
  EXPECT_FALSE(memo.HaveSelection());
  EXPECT_EQ(memo.TopDisplayLine(), 0);
}

TEST_F(MemoCaret, FocusSelectsAllWithAutoSelect) {
  Make(u"abc\r\ndef");
  Opt(soAutoSelect);
  desktop.Deactivate();
  host->Focus();
  EXPECT_EQ(memo.SelLength(), int(memo.Text().size()));
}

// ---- The caret on screen ----------------------------------------------------------------------

std::vector<TCanvasOp> CaretFills(THeadlessHost& Host, TColor Color) {
  std::vector<TCanvasOp> out;
  for (const TCanvasOp& op : Host.Canvas().Ops())
    if (op.Kind == TCanvasOpKind::FillRect && op.BrushColor == Color) out.push_back(op);
  return out;
}

TEST_F(MemoCaret, ShapesInEffect) {
  Make(u"abcdef\r\nxy");
  memo.SetCaretPos({2, 0});
  EXPECT_EQ(C().CaretRect(), TRect(2 + 16, 0, 2 + 16 + 2, 17)) << "Insert: two pixels";
  memo.SetReplaceMode(true);
  memo.Caret()->SetVisible(false);
  memo.Caret()->SetVisible(true);
  EXPECT_EQ(C().CaretRect().Width(), 8) << "Overwrite: the character's width";
  memo.SetCaretPos({9, 1});
  EXPECT_EQ(C().CaretRect().Width(), 2) << "past the line end: Insert";
  memo.SetReplaceMode(false);
  memo.Caret()->Insert()->SetHeight(50);
  EXPECT_EQ(C().CaretRect().Height(), 8) << "half the row, at its bottom";
  EXPECT_EQ(C().CaretRect().Bottom, 34);
  memo.Caret()->Insert()->SetHeight(-3);
  EXPECT_EQ(C().CaretRect().Height(), 3);
  memo.SetReadOnly(true);
  memo.Caret()->SetUseCustom(false);
  EXPECT_TRUE(C().CaretRect().IsEmpty()) << "read-only: no caret";
  Opt(soAlwaysShowCaret);
  EXPECT_EQ(C().CaretRect().Width(), 1);
  memo.Caret()->SetUseCustom(true);
  memo.Caret()->Custom()->SetWidth(-5);
  EXPECT_EQ(C().CaretRect().Width(), 5);
  memo.Caret()->Custom()->SetVisible(false);
  EXPECT_TRUE(C().CaretRect().IsEmpty());
}

TEST_F(MemoCaret, PaintedBlinkingAndToldToTheInputMethod) {
  Make(u"abc");
  memo.SetCaretPos({1, 0});
  host->PaintAll();
  const TRect r = C().CaretRect();
  auto fills = CaretFills(*host, clWindowText);
  ASSERT_FALSE(fills.empty());
  EXPECT_EQ(fills.back().Rect, r);
  EXPECT_EQ(host->HeadlessInputMethod().CursorRect(), r);
  EXPECT_EQ(C().BlinkInterval(), 530u) << "the host's blink time";
  host->ClearInvalidations();
  desktop.Advance(530);
  ASSERT_FALSE(host->Invalidations().empty());
  EXPECT_EQ(host->Invalidations().front(), r) << "only the caret repaints when it blinks";
  EXPECT_TRUE(CaretFills(*host, clWindowText).empty()) << "off phase";
  memo.Caret()->Insert()->SetColor(clRed);
  host->PaintAll();
  EXPECT_FALSE(CaretFills(*host, clRed).empty()) << "a move or change shows it at once";
  desktop.Deactivate();
  EXPECT_TRUE(C().CaretRect().IsEmpty()) << "no caret without the focus";
  OptEx(eoShowCaretWhenUnfocused);
  EXPECT_FALSE(C().CaretRect().IsEmpty());
}

// Each editor blinks at its own rate; nothing is set system-wide and restored by another.
TEST_F(MemoCaret, BlinkTimeIsPerEditor) {
  Make(u"abc");
  OptEx(eoShowCaretWhenUnfocused);
  TSyntaxMemo other(nullptr);
  other.SetOptionsEx(memo.OptionsEx());
  other.Caret()->Insert()->SetBlinkTime(200);
  THeadlessHost otherHost(desktop, other, {200, 100});
  other.SetText(u"xyz");
  other.SetCaretPos({1, 0});
  memo.SetCaretPos({2, 0});
  EXPECT_EQ(other.CaretPart().BlinkInterval(), 200u);
  EXPECT_EQ(C().BlinkInterval(), 530u);
  otherHost.ClearInvalidations();
  host->ClearInvalidations();
  desktop.Advance(400);
  EXPECT_EQ(otherHost.Invalidations().size(), 2u);
  EXPECT_TRUE(host->Invalidations().empty());
}

TEST_F(MemoCaret, CaretIsStoredWithTheEditor) {
  RegisterMemoClasses();
  memo.SetName(u"Memo1");
  TWriter w;
  std::string text = w.WriteRootText(&memo);
  EXPECT_EQ(text.find("Caret."), std::string::npos) << text;
  memo.Caret()->Overwrite()->SetWidth(50);
  memo.Caret()->Insert()->SetBlinkTime(300);
  memo.Caret()->SetUseCustom(true);
  text = w.WriteRootText(&memo);
  EXPECT_NE(text.find("Caret.Overwrite.Width = 50"), std::string::npos) << text;
  EXPECT_NE(text.find("Caret.Insert.BlinkTime = 300"), std::string::npos) << text;
  EXPECT_EQ(text.find("Caret.Insert.Width"), std::string::npos) << text;
  TqxCaret copy;
  copy.Assign(memo.Caret());
  EXPECT_EQ(copy.Overwrite()->Width(), 50);
  EXPECT_TRUE(copy.UseCustom());
}

}  // namespace
}  // namespace synt
