// The horizontal ruler and the text margins on the headless host: what the ruler strip draws at
// several scroll positions (a reviewed dump and exact positions), the text area below it, the
// margins' hit test and dragging on the ruler and in the text, the right margin's re-wrap and the
// stored form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "paint_fixture.h"
#include "platform/filer.h"
#include "platform/utf.h"

namespace synt {
namespace {

constexpr int kRuler = 17;  // the default height
constexpr int kLeft = 2;    // the text margin strip; no gutter
constexpr int kCell = 8;

class Ruler : public test::MemoWindow {
 protected:
  TSyntaxMemo& Show(TSize Client = {642, 170}) {
    memo.HorzRuler()->SetVisible(true);
    return Make(u"alpha beta gamma\r\nsecond line here\r\nthird", Client);
  }
  // The ops the last paint made inside the ruler strip.
  std::vector<TCanvasOp> RulerOps() {
    host->PaintAll();
    std::vector<TCanvasOp> out;
    for (const TCanvasOp& op : host->Canvas().Ops())
      if (op.Clip.Bottom <= memo.HorzRuler()->Height()) out.push_back(op);
    return out;
  }
  std::vector<std::string> Dump() {
    std::vector<std::string> lines;
    for (const TCanvasOp& op : RulerOps()) {
      char buf[160];
      switch (op.Kind) {
        case TCanvasOpKind::FillRect:
          snprintf(buf, sizeof buf, "fill %d,%d,%d,%d brush %06X", op.Rect.Left, op.Rect.Top,
                   op.Rect.Right, op.Rect.Bottom, unsigned(op.BrushColor));
          break;
        case TCanvasOpKind::LineTo:
          snprintf(buf, sizeof buf, "line %d,%d-%d,%d pen %06X", op.Points[0].X, op.Points[0].Y,
                   op.Points[1].X, op.Points[1].Y, unsigned(op.PenColor));
          break;
        case TCanvasOpKind::TextOut:
          snprintf(buf, sizeof buf, "text \"%s\" at %d,%d font %s", test::Utf8(op.Text).c_str(),
                   op.TextPos.X, op.TextPos.Y, test::Utf8(op.FontName).c_str());
          break;
        default:
          snprintf(buf, sizeof buf, "op %d", int(op.Kind));
      }
      lines.push_back(buf);
    }
    return lines;
  }
  static std::vector<std::pair<int, std::u16string>> Labels(const std::vector<TCanvasOp>& Ops) {
    std::vector<std::pair<int, std::u16string>> out;
    for (const TCanvasOp& op : Ops)
      if (op.Kind == TCanvasOpKind::TextOut) out.emplace_back(op.TextPos.X, op.Text);
    return out;
  }
  // Vertical lines of the ruler as (x, length).
  static std::vector<std::pair<int, int>> Ticks(const std::vector<TCanvasOp>& Ops, int Baseline) {
    std::vector<std::pair<int, int>> out;
    for (const TCanvasOp& op : Ops)
      if (op.Kind == TCanvasOpKind::LineTo && op.Points[0].X == op.Points[1].X &&
          op.Points[0].Y == Baseline)
        out.emplace_back(op.Points[0].X, op.Points[0].Y - op.Points[1].Y);
    return out;
  }
};

TEST_F(Ruler, StripAtSeveralScrollPositions) {
  Show({162, 120});  // 20 columns
  TqxTextMargin* second = memo.TextMargins()->Add();
  second->SetPosition(104);
  second->SetRulerMark(true);
  second->Pen()->SetColor(clRed);
  memo.TextMargins()->Items(0)->SetRulerMark(true);
  std::vector<std::string> all;
  for (int left : {0, 3, 75, 100}) {
    memo.SetLeftCol(left);
    all.push_back("== LeftCol " + std::to_string(left));
    for (const std::string& l : Dump()) all.push_back(l);
  }
  test::ExpectGolden("ruler_strip", all);
}

TEST_F(Ruler, LabelsTicksAndMarksFollowTheLeftColumn) {
  Show({162, 120});
  memo.TextMargins()->Items(0)->SetRulerMark(true);
  const int baseline = kRuler - 2;  // above the separator row
  for (int left : {0, 3, 7, 75, 100}) {
    memo.SetLeftCol(left);
    const std::vector<TCanvasOp> ops = RulerOps();
    // Every multiple of 10 from the first one at or after LeftCol, centred on its column.
    std::vector<std::pair<int, std::u16string>> want;
    for (int c = (left + 9) / 10 * 10; kLeft + (c - left) * kCell < 162; c += 10) {
      const std::u16string t = Utf8ToUtf16(std::to_string(c));
      want.emplace_back(kLeft + (c - left) * kCell - int(t.size()) * kCell / 2, t);
    }
    EXPECT_EQ(Labels(ops), want) << "LeftCol " << left;
    // One tick per column: 5 pixels on multiples of 5, else 2.
    std::vector<std::pair<int, int>> ticks;
    for (int c = left; kLeft + (c - left) * kCell < 162; ++c)
      ticks.emplace_back(kLeft + (c - left) * kCell, c % 5 == 0 ? 5 : 2);
    const std::vector<std::pair<int, int>> got = Ticks(ops, baseline);
    EXPECT_EQ(got, ticks) << "LeftCol " << left;
    // The right margin's mark: two lines beside x, only while its x lies in the text area.
    const int x = kLeft + (80 - left) * kCell;
    int marks = 0;
    for (const TCanvasOp& op : ops)
      if (op.Kind == TCanvasOpKind::LineTo && op.Points[0].Y == 0 &&
          (op.Points[0].X == x - 1 || op.Points[0].X == x + 1))
        ++marks;
    EXPECT_EQ(marks, x >= kLeft && x <= 162 ? 2 : 0) << "LeftCol " << left;
  }
}

TEST_F(Ruler, FirstLabelAfterTheLeftColumnAndTicksWithoutSeparator) {
  Show();
  memo.SetLeftCol(3);
  std::vector<TCanvasOp> ops = RulerOps();
  ASSERT_FALSE(Labels(ops).empty());
  EXPECT_EQ(Labels(ops)[0].second, u"10");
  EXPECT_EQ(Labels(ops)[0].first, kLeft + 7 * kCell - kCell) << "centred on column 10";
  EXPECT_FALSE(Ticks(ops, kRuler - 2).empty());
  memo.HorzRuler()->SetSeparatorColor(clNone);
  ops = RulerOps();
  EXPECT_TRUE(Ticks(ops, kRuler - 2).empty());
  EXPECT_FALSE(Ticks(ops, kRuler - 1).empty()) << "the ticks start at the bottom row";
}

TEST_F(Ruler, TextAreaMovesBelowTheRuler) {
  Make(u"first\r\nsecond");
  EXPECT_EQ(memo.TextArea().Top, 0);
  memo.HorzRuler()->SetVisible(true);
  EXPECT_EQ(memo.TextArea().Top, kRuler);
  host->Click({kLeft + 3 * kCell + 1, kRuler + 17 + 3});
  EXPECT_EQ(memo.CaretPos(), TPoint(3, 1));
  memo.HorzRuler()->SetHeight(30);
  EXPECT_EQ(memo.TextArea().Top, 30);
  EXPECT_EQ(memo.CaretPart().CaretToPoint({0, 0}).Y, 30);
  // The first text row is drawn below the ruler.
  host->PaintAll();
  for (const TCanvasOp& op : host->Canvas().Ops())
    if (op.Kind == TCanvasOpKind::TextOut && op.Text == u"first") {
      EXPECT_GE(op.TextPos.Y, 30);
    }
  memo.HorzRuler()->SetVisible(false);
  EXPECT_EQ(memo.TextArea().Top, 0);
}

TEST_F(Ruler, ScrollingLeavesTheStripInPlace) {
  memo.HorzRuler()->SetVisible(true);
  std::u16string text;
  for (int i = 0; i < 40; ++i) text += u"line\r\n";
  Make(text);
  memo.SetTopLine(3);
  ASSERT_FALSE(host->Scrolls().empty());
  EXPECT_EQ(host->Scrolls().back().Rect.Top, kRuler);
}

TEST_F(Ruler, CurrentPositionMarkFollowsTheCaret) {
  Show();
  host->PaintAll();
  host->ClearInvalidations();
  memo.SetCaretPos({5, 0});
  bool strip = false;
  for (const TRect& r : host->Invalidations()) strip |= r.Top == 0 && r.Bottom == kRuler;
  EXPECT_TRUE(strip);
  const int x = kLeft + 5 * kCell;
  bool mark = false;
  for (const TCanvasOp& op : RulerOps())
    mark |= op.Kind == TCanvasOpKind::FillRect && op.Rect == TRect{x - 3, 0, x + 4, 1} &&
            op.BrushColor == clBlack;
  EXPECT_TRUE(mark);
  // A move within the same column repaints nothing of the ruler.
  host->ClearInvalidations();
  memo.SetCaretPos({5, 1});
  for (const TRect& r : host->Invalidations()) EXPECT_GT(r.Bottom, kRuler);
}

TEST_F(Ruler, MarginLinesCrossTheText) {
  Make(u"text", {1000, 100});
  memo.TextMargins()->Items(0)->Pen()->SetColor(clRed);
  memo.TextMargins()->Add()->SetPosition(100);
  memo.TextMargins()->Items(1)->SetVisible(false);
  host->PaintAll();
  int red = 0, at100 = 0;
  for (const TCanvasOp& op : host->Canvas().Ops()) {
    if (op.Kind != TCanvasOpKind::LineTo) continue;
    if (op.Points[0].X == kLeft + 80 * kCell && op.PenColor == clRed && op.Points[0].Y == 0 &&
        op.Points[1].Y == 100)
      ++red;
    if (op.Points[0].X == kLeft + 100 * kCell) ++at100;
  }
  EXPECT_EQ(red, 1);
  EXPECT_EQ(at100, 0) << "a hidden margin draws no line";
}

// ---- Hit test and dragging ---------------------------------------------------------------------

class Margins : public Ruler {
 protected:
  TqxTextMargin* first = nullptr;
  void SetUp() override {
    Show({1000, 170});
    first = memo.TextMargins()->Items(0);
    first->SetRulerMark(true);
  }
  int X(int Col) { return kLeft + (Col - memo.LeftCol()) * kCell; }
  void Drag(TPoint From, int ToX, TShiftState Mods = {}) {
    host->MouseDown(From, mbLeft, Mods);
    host->MouseMove({ToX, From.Y}, Mods);
    host->MouseUp({ToX, From.Y}, mbLeft, Mods);
  }
};

TEST_F(Margins, HitTestWithinThreePixelsLastFirst) {
  TMemoRulerPart& r = memo.RulerPart();
  EXPECT_EQ(r.MarginX(*first), X(80));
  EXPECT_EQ(r.MarginAt(X(80) + 2, false), first);
  EXPECT_EQ(r.MarginAt(X(80) - 2, false), first);
  EXPECT_EQ(r.MarginAt(X(80) + 3, false), nullptr);
  TqxTextMargin* twin = memo.TextMargins()->Add();
  twin->SetPosition(80);
  EXPECT_EQ(r.MarginAt(X(80), false), twin) << "the last one wins";
  twin->SetVisible(false);
  EXPECT_EQ(r.MarginAt(X(80), true), first);
  memo.SetLeftCol(10);
  EXPECT_EQ(r.MarginX(*first), X(80));
  memo.TextMargins()->SetAbsolutePos(true);
  first->SetPosition(300);
  EXPECT_EQ(r.MarginX(*first), 300 + kLeft - 10 * kCell);
}

TEST_F(Margins, DraggingOnTheRuler) {
  std::vector<int> told;
  memo.OnDragTextMargin = [&](TObject* Sender, TqxTextMargin* M, int& Pos) {
    EXPECT_EQ(Sender, &memo);
    EXPECT_EQ(M, first);
    told.push_back(Pos);
  };
  host->MouseMove({X(80), 5});
  EXPECT_EQ(host->Cursor(), crHSplit);
  Drag({X(80), 5}, X(90) + 3);
  EXPECT_EQ(first->Position(), 90);
  EXPECT_EQ(memo.RightMargin(), 90);
  EXPECT_EQ(told, std::vector<int>{90});
  EXPECT_EQ(memo.CaretPos(), TPoint(0, 0)) << "the press was the margin's, not the text's";
  // Halves go to the even column.
  Drag({X(90), 5}, X(10) + 4);
  EXPECT_EQ(first->Position(), 10);
  Drag({X(10), 5}, X(11) + 4);
  EXPECT_EQ(first->Position(), 12);
  // Left of column 0.
  Drag({X(12), 5}, -40);
  EXPECT_EQ(first->Position(), 0);
  // The handler decides.
  memo.OnDragTextMargin = [](TObject*, TqxTextMargin*, int& Pos) { Pos = Pos / 4 * 4; };
  Drag({X(0), 5}, X(23));
  EXPECT_EQ(first->Position(), 20);
}

TEST_F(Margins, WhatMayBeDragged) {
  // Without a ruler mark a margin is not dragged on the ruler; the press goes to the text.
  first->SetRulerMark(false);
  Drag({X(80), 5}, X(70));
  EXPECT_EQ(first->Position(), 80);
  first->SetRulerMark(true);
  first->SetAllowDrag(false);
  Drag({X(80), 5}, X(70));
  EXPECT_EQ(first->Position(), 80);
  first->SetAllowDrag(true);
  memo.TextMargins()->SetAllowDrag(false);
  Drag({X(80), 5}, X(70));
  EXPECT_EQ(first->Position(), 80);
  memo.TextMargins()->SetAllowDrag(true);
  Drag({X(80), 5}, X(70));
  EXPECT_EQ(first->Position(), 70);
}

TEST_F(Margins, DraggingInTheTextTakesCtrlUnlessToldOtherwise) {
  const int y = kRuler + 20;
  first->SetRulerMark(false);  // in the text the mark does not matter
  Drag({X(80), y}, X(60));
  EXPECT_EQ(first->Position(), 80) << "without Ctrl the press selects text";
  Drag({X(80), y}, X(60), {ssCtrl});
  EXPECT_EQ(first->Position(), 60);
  memo.TextMargins()->SetDragWithCtrl(false);
  Drag({X(60), y}, X(50));
  EXPECT_EQ(first->Position(), 50);
  first->SetVisible(false);
  Drag({X(50), y}, X(40));
  EXPECT_EQ(first->Position(), 50) << "hidden margins are not dragged in the text";
}

TEST_F(Margins, AbsolutePositionsDragInPixels) {
  memo.TextMargins()->SetAbsolutePos(true);
  first->SetPosition(200);
  memo.SetLeftCol(2);
  const int x = 200 + kLeft - 2 * kCell;
  Drag({x, 5}, x + 13);
  EXPECT_EQ(first->Position(), 213);
  Drag({x + 13, 5}, -100);
  EXPECT_EQ(first->Position(), 0);
}

TEST_F(Margins, MarginDeletedWhileDraggedEndsTheDrag) {
  host->MouseDown({X(80), 5});
  memo.TextMargins()->Clear();
  host->MouseMove({X(70), 5});
  host->MouseUp({X(70), 5});
  EXPECT_EQ(memo.RightMargin(), 0);
}

// ---- The right margin
// ----------------------------------------------------------------------------

TEST_F(Ruler, RightMarginRewrapsAndShortcutsReadTheFirstMargin) {
  Make(std::u16string(50, u'x'), {1000, 170});
  memo.SetWordWrap(true);
  TSyntaxMemoOptions o = memo.Options();
  o.Include(soBreakOnRightMargin);
  memo.SetOptions(o);
  memo.SetRightMargin(20);
  EXPECT_EQ(memo.GetLineInfo(0).RowCount(), 3);
  memo.TextMargins()->Items(0)->SetPosition(10);
  EXPECT_EQ(memo.GetLineInfo(0).RowCount(), 5);
  // A second margin does not wrap.
  memo.TextMargins()->Add()->SetPosition(5);
  EXPECT_EQ(memo.GetLineInfo(0).RowCount(), 5);
  memo.TextMargins()->SetAbsolutePos(true);
  memo.TextMargins()->Items(0)->SetPosition(25 * kCell);
  EXPECT_EQ(memo.GetLineInfo(0).RowCount(), 2);

  memo.SetShowRightMargin(false);
  memo.SetRightMarginColor(clRed);
  EXPECT_FALSE(memo.TextMargins()->Items(0)->Visible());
  EXPECT_EQ(memo.TextMargins()->Items(0)->Pen()->Color(), clRed);
  memo.TextMargins()->Clear();
  EXPECT_EQ(memo.RightMargin(), 0);
  EXPECT_FALSE(memo.ShowRightMargin());
  EXPECT_EQ(memo.RightMarginColor(), clNone);
  memo.SetRightMargin(-4);
  EXPECT_EQ(memo.TextMargins()->Count(), 1);
  EXPECT_EQ(memo.RightMargin(), 0) << "clamped at 0";
}

// ---- Stored form
// ---------------------------------------------------------------------------------

TEST(RulerProperties, RoundTripAndOlderForms) {
  THeadlessDesktop desktop;
  RegisterMemoClasses();
  TSyntaxMemo memo(nullptr);
  memo.SetName(u"Memo1");
  memo.HorzRuler()->SetVisible(true);
  memo.HorzRuler()->SetLabelInterval(8);
  memo.HorzRuler()->SetSeparatorColor(clNone);
  memo.SetRightMargin(72);
  TqxTextMargin* m = memo.TextMargins()->Add();
  m->SetPosition(100);
  m->SetHint(u"end of a card");
  m->SetRulerMark(true);
  memo.HintProps()->SetDelayBefore(250);
  memo.HintProps()->SetShowFirstLine(true);
  TWriter w;
  const std::string text = w.WriteRootText(&memo);
  EXPECT_EQ(text.find("RightMargin"), std::string::npos) << "the shortcut is not stored";

  TSyntaxMemo back(nullptr);
  TReader reader;
  reader.ReadRootText(Utf8ToUtf16(text), &back);
  EXPECT_TRUE(back.HorzRuler()->Visible());
  EXPECT_EQ(back.HorzRuler()->LabelInterval(), 8);
  EXPECT_EQ(back.HorzRuler()->SeparatorColor(), clNone);
  ASSERT_EQ(back.TextMargins()->Count(), 2);
  EXPECT_EQ(back.RightMargin(), 72);
  EXPECT_EQ(back.TextMargins()->Items(1)->Hint(), u"end of a card");
  EXPECT_TRUE(back.TextMargins()->Items(1)->RulerMark());
  EXPECT_EQ(back.HintProps()->DelayBefore(), 250);
  EXPECT_TRUE(back.HintProps()->ShowFirstLine());
  TWriter w2;
  EXPECT_EQ(w2.WriteRootText(&back), text);

  // A form written before the margins existed keeps its right margin.
  TSyntaxMemo old(nullptr);
  TReader r2;
  r2.ReadRootText(u"object Memo1: TSyntaxMemo\n  RightMargin = 66\nend\n", &old);
  EXPECT_EQ(old.RightMargin(), 66);
}

}  // namespace
}  // namespace synt
