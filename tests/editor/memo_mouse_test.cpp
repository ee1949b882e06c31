// The mouse on the headless host: clicks, double and triple clicks on the manual clock,
// drag-select in every mode, the selection timer, middle-button scrolling, the cursor, and
// dragging text between editors.
#include <gtest/gtest.h>

#include <string>

#include "analysis/display_queries.h"
#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "memo_test_util.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

// The window point of the middle of character X of line Y (cells 8 x 16, rows 17, text at 2).
TPoint At(int X, int Y) {
  return {2 + X * 8 + 1, Y * 17 + 8};
}

class MemoMouse : public test::MemoWindow {
 protected:
  void Drag(TPoint From, TPoint To, TShiftState Mods = {}) {
    host->MouseDown(From, mbLeft, Mods);
    host->MouseMove(To, Mods);
    host->MouseUp(To, mbLeft, Mods);
  }
};

const char16_t kText[] = u"alpha beta gamma\r\nsecond line here\r\nthird";

// A separator control (28-31) is drawn as a blank in its own cell, so a click after it lands
// where the text shows, in fixed and in variable pitch.
TEST_F(MemoMouse, SeparatorControlsKeepTheirCell) {
  for (TMonoFontMode mode : {mfFixed, mfVariable}) {
    memo.SetMonoFontMode(mode);
    Make(
        u"a\x1C\x1F"
        u"bc");
    host->PaintAll();
    std::u16string drawn;
    int x = -1;
    for (const TCanvasOp& op : host->Canvas().Ops()) {
      if (op.Kind != TCanvasOpKind::TextOut || op.TextPos.Y > 10 || op.TextPos.X < 2) continue;
      if (const size_t b = op.Text.find(u'b'); b != op.Text.npos) x = op.TextPos.X + 8 * int(b);
      drawn += op.Text;
    }
    EXPECT_EQ(drawn, u"a  bc");
    EXPECT_EQ(memo.CaretPart().CaretToPoint({3, 0}).X, x) << "the caret before b stands at b";
    host->Click({x + 1, 5});
    EXPECT_EQ(memo.CaretPos(), (TPoint{3, 0}));
  }
}

TEST_F(MemoMouse, ClicksPlaceTheCaret) {
  Make(kText);
  host->Click(At(3, 1));
  EXPECT_EQ(memo.CaretPos(), TPoint(3, 1));
  EXPECT_TRUE(host->Focused());
  host->Click({300, 160});
  EXPECT_EQ(memo.CaretPos(), TPoint(5, 2)) << "below the last line: the end of the text";
  desktop.Advance(1000);
  host->Click(At(20, 0));
  EXPECT_EQ(memo.CaretPos(), TPoint(20, 0)) << "virtual space";
}

TEST_F(MemoMouse, DoubleAndTripleClicks) {
  Make(kText);
  host->DoubleClick(At(7, 0));
  EXPECT_EQ(memo.SelText(), u"beta");
  host->Click(At(7, 0));
  EXPECT_EQ(memo.SelText(), u"alpha beta gamma\r\n") << "a third click selects the line";
  desktop.Advance(1000);
  host->Click(At(2, 1));
  EXPECT_FALSE(memo.HaveSelection());
  // A double click sooner than the double-click time after the last one is a plain click.
  host->DoubleClick(At(1, 2));
  EXPECT_EQ(memo.SelText(), u"third");
  desktop.Advance(600);
  host->DoubleClick(At(8, 1));
  EXPECT_EQ(memo.SelText(), u"line");
  desktop.Advance(1000);
  Opt(soDoubleClickLine);
  host->DoubleClick(At(8, 1));
  EXPECT_EQ(memo.SelText(), u"second line here\r\n");
  host->Click(At(8, 1));
  EXPECT_FALSE(memo.HaveSelection()) << "with soDoubleClickLine a third click is plain";
}

TEST_F(MemoMouse, DragSelectInEveryMode) {
  Make(kText);
  Drag(At(6, 0), At(6, 1));
  EXPECT_EQ(memo.SelText(), u"beta gamma\r\nsecond");
  Opt(soEnableBlockSel);
  Drag(At(1, 0), At(4, 2), {ssAlt});
  EXPECT_EQ(memo.SelectionMode(), msColumn);
  EXPECT_EQ(memo.SelText(), u"lph\r\neco\r\nhir\r\n");
  // (A press inside the block would start dragging it.)
  Drag(At(8, 0), At(8, 1), {ssAlt, ssCtrl});
  EXPECT_EQ(memo.SelectionMode(), msLine);
  EXPECT_EQ(memo.SelText(), u"alpha beta gamma\r\n");
  // Shift extends from the anchor.
  host->Click(At(2, 0));
  host->Click(At(4, 1), mbLeft, {ssShift});
  EXPECT_EQ(memo.SelectionMode(), msNone);
  EXPECT_EQ(memo.SelText(), u"pha beta gamma\r\nseco");
  // The handler decides the mode.
  memo.OnGetMouseSelMode = [](TObject*, TShiftState, TSyntSelectionMode& Mode) { Mode = msColumn; };
  desktop.Advance(1000);
  host->Click(At(10, 2));
  desktop.Advance(1000);
  Drag(At(0, 1), At(2, 2));
  EXPECT_EQ(memo.SelectionMode(), msColumn);
  EXPECT_EQ(memo.SelText(), u"se\r\nth\r\n");
  memo.OnGetMouseSelMode = nullptr;
  Opt(soKeepSelMode);
  desktop.Advance(1000);
  Drag(At(0, 0), At(1, 1));
  EXPECT_EQ(memo.SelectionMode(), msColumn) << "soKeepSelMode: a plain press keeps the mode";
}

TEST_F(MemoMouse, TheSelectionTimerScrollsWhileThePointerIsOutside) {
  std::u16string t;
  for (int i = 0; i < 100; ++i) t += u"line\r\n";
  Make(t);
  host->MouseDown(At(1, 2));
  host->MouseMove({40, 200});
  const int top = memo.TopDisplayLine();
  EXPECT_EQ(memo.CaretPos().Y, 9) << "moves clamp into the text area";
  desktop.Advance(300);
  EXPECT_GT(memo.TopDisplayLine(), top);
  EXPECT_GT(memo.CaretPos().Y, 9);
  host->MouseUp({40, 200});
  const int after = memo.TopDisplayLine();
  desktop.Advance(300);
  EXPECT_EQ(memo.TopDisplayLine(), after) << "the release stops the timer";
  EXPECT_EQ(memo.SelStart(), 2 * 6 + 1);
}

// Text dragged to an edge of the text area scrolls the view there, a line per tick, and the drop
// point follows; the middle of the view, leaving and dropping stop it.
TEST_F(MemoMouse, ADropDraggedToAnEdgeScrollsTheView) {
  std::u16string t;
  for (int i = 0; i < 100; ++i) t += u"line of text that is long enough to scroll sideways too\r\n";
  Make(t);
  TClipboardData data;
  data.Text = u"dropped";
  const TRect area = memo.TextArea();
  const TPoint bottom{area.Left + 40, area.Bottom - 3};
  ASSERT_NE(memo.DragEnter(data, {}, bottom.X, bottom.Y, {deCopy, deMove}), deNone);
  EXPECT_EQ(memo.TopDisplayLine(), 0);
  desktop.Advance(350);
  EXPECT_EQ(memo.TopDisplayLine(), 3) << "three ticks";
  EXPECT_EQ(memo.CaretPos().Y, memo.CaretPart().PointToCaret(bottom).Y);
  EXPECT_GT(memo.CaretPos().Y, 3);
  // In the middle nothing moves; at the top it goes back.
  memo.DragOver({}, bottom.X, (area.Top + area.Bottom) / 2, {deCopy, deMove});
  desktop.Advance(300);
  EXPECT_EQ(memo.TopDisplayLine(), 3);
  memo.DragOver({}, bottom.X, area.Top + 2, {deCopy, deMove});
  desktop.Advance(200);
  EXPECT_EQ(memo.TopDisplayLine(), 1);
  // The right edge scrolls sideways.
  memo.DragOver({}, area.Right - 3, (area.Top + area.Bottom) / 2, {deCopy, deMove});
  const int left = memo.LeftCol();  // the drop point at the edge may have scrolled already
  desktop.Advance(200);
  const int scrolled = memo.LeftCol();
  EXPECT_GE(scrolled, left + 2);
  memo.DragLeave();
  desktop.Advance(500);
  EXPECT_EQ(memo.LeftCol(), scrolled) << "leaving stops it";
  EXPECT_EQ(memo.TopDisplayLine(), 1);
}

TEST_F(MemoMouse, MiddleButtonScrolls) {
  std::u16string t;
  for (int i = 0; i < 100; ++i) t += u"line\r\n";
  Make(t);
  host->MouseDown({100, 50}, mbMiddle);
  host->MouseUp({100, 50}, mbMiddle);
  EXPECT_TRUE(memo.MousePart().AutoScrolling());
  EXPECT_EQ(host->Cursor(), crSizeNS);
  host->MouseMove({100, 60});
  desktop.Advance(200);
  EXPECT_EQ(memo.TopDisplayLine(), 0) << "within 15 pixels nothing moves";
  host->MouseMove({100, 100});
  desktop.Advance(100);
  EXPECT_EQ(memo.TopDisplayLine(), 3) << "50 pixels: 3 lines a tick";
  host->PaintAll();
  bool mark = false;
  for (const TCanvasOp& op : host->Canvas().Ops())
    if (op.Kind == TCanvasOpKind::Ellipse && op.Rect == TRect(84, 34, 116, 66)) mark = true;
  EXPECT_TRUE(mark) << "the origin mark";
  host->Click({100, 100});
  EXPECT_FALSE(memo.MousePart().AutoScrolling());
  desktop.Advance(300);
  EXPECT_EQ(memo.TopDisplayLine(), 3);
}

TEST_F(MemoMouse, RightClickAndInputHooks) {
  struct Hook : TComponent, ISyntMemoInputHook {
    using TComponent::TComponent;
    bool HandleKey(TShortCut) override { return false; }
    bool HandleMouseDown(TMouseButton, TShiftState, int X, int) override {
      lastX = X;
      return true;
    }
    void AdjustCursor(int, int, TCursor& Cursor, TShiftState Shift) override {
      if (Shift.Contains(ssCtrl)) Cursor = crHandPoint;
    }
    int lastX = -1;
  } hook(nullptr);
  Make(kText);
  memo.AddPlugin(&hook);
  memo.SetSelection(0, 5);
  host->Click(At(2, 0), mbRight);
  EXPECT_EQ(memo.SelLength(), 5) << "inside the selection the caret stays";
  host->Click(At(2, 1), mbRight);
  EXPECT_EQ(memo.CaretPos(), TPoint(2, 1));
  EXPECT_FALSE(memo.HaveSelection());
  EXPECT_EQ(hook.lastX, At(2, 1).X);
  EXPECT_EQ(memo.MousePart().CursorAt(At(1, 1).X, At(1, 1).Y, {ssCtrl}), crHandPoint);
  memo.RemovePlugin(&hook);
}

TEST_F(MemoMouse, CursorAndCollapseMarks) {
  Make(u"head {\r\n x\r\n}\r\ntail");
  memo.SetSelection(0, 4);
  EXPECT_EQ(memo.MousePart().CursorAt(At(1, 0).X, At(1, 0).Y, {}), crArrow);
  EXPECT_EQ(memo.MousePart().CursorAt(At(1, 3).X, At(1, 3).Y, {}), crIBeam);
  memo.SetReadOnly(true);
  EXPECT_EQ(memo.MousePart().CursorAt(At(1, 0).X, At(1, 0).Y, {}), crIBeam);
  memo.SetReadOnly(false);
  memo.CollapseSelection(5, memo.CaretPosToStrPos({1, 2}));
  ASSERT_FALSE(memo.LineVisible(1));
  // The mark "..." stands at the collapse point, column 5.
  EXPECT_EQ(memo.MousePart().CollapseMarkAt(At(6, 0).X, At(6, 0).Y), 0);
  EXPECT_EQ(memo.MousePart().CursorAt(At(6, 0).X, At(6, 0).Y, {}), crHandPoint);
  EXPECT_EQ(memo.MousePart().CollapseMarkAt(At(9, 0).X, At(9, 0).Y), -1);
  host->Click(At(9, 0));
  EXPECT_EQ(memo.CaretPos(), TPoint(5, 0)) << "right of the mark: the collapse point";
  desktop.Advance(1000);
  host->Click(At(6, 0), mbLeft, {ssCtrl});
  EXPECT_TRUE(memo.LineVisible(1)) << "Ctrl+click on the mark expands";
}

// The editing part inserts dropped text; until it exists, only what the mouse part does is
// checked.
bool Editing(TSyntaxMemo&) {
  TSyntaxMemo probe(nullptr);
  probe.InsertText(u"?");
  return probe.Text() == u"?";
}

TEST_F(MemoMouse, DraggingTextToAnotherEditorLeavesTheClipboardAlone) {
  Make(kText);
  TSyntaxMemo target(nullptr);
  target.SetText(u"0123456789");
  target.Gutter()->SetVisible(false);  // At() measures from x = 2
  THeadlessHost targetHost(desktop, target, {642, 170}, {800, 100});
  desktop.Clipboard().SetText(u"the user's clipboard");
  const int changes = desktop.Clipboard().ChangeCount();
  memo.SetSelection(6, 4);  // beta
  desktop.DragDrop().Script({{&targetHost, At(3, 0)}});
  host->MouseDown(At(7, 0));
  host->MouseMove(At(12, 0));
  host->MouseUp(At(12, 0));
  ASSERT_EQ(desktop.DragDrop().Drags().size(), 1u);
  const auto& drag = desktop.DragDrop().Drags()[0];
  EXPECT_EQ(drag.Data.Text, std::u16string(u"beta"));
  EXPECT_FALSE(drag.Data.HasFormat(cfColumnBlock));
  EXPECT_EQ(drag.Result, deCopy);
  EXPECT_EQ(desktop.Clipboard().ChangeCount(), changes);
  EXPECT_EQ(desktop.Clipboard().Text(), std::u16string(u"the user's clipboard"));
  EXPECT_EQ(memo.Text(), kText) << "a copy: the source keeps its text";
  // Read before probing: typing next to the drop merges with it under soGroupUndo.
  const std::u16string dropped = target.Text();
  if (Editing(target))
    EXPECT_EQ(dropped, u"012beta3456789");
  else
    EXPECT_EQ(target.CaretPos(), TPoint(3, 0)) << "the caret shows where the text goes";

  // A column block says so in the drag data.
  Opt(soEnableBlockSel);
  memo.SetCaretPos({0, 0});
  TPoint corner{2, 1};
  memo.ExecuteCommand(cmColSelGotoXY, &corner);
  desktop.DragDrop().Script({{&targetHost, At(0, 0)}});
  desktop.Advance(1000);
  host->MouseDown(At(1, 0));
  host->MouseMove(At(1, 2));
  host->MouseUp(At(1, 2));
  ASSERT_EQ(desktop.DragDrop().Drags().size(), 2u);
  EXPECT_EQ(desktop.DragDrop().Drags()[1].Data.Text, std::u16string(u"al\r\nse\r\n"));
  EXPECT_TRUE(desktop.DragDrop().Drags()[1].Data.HasFormat(cfColumnBlock));
}

TEST_F(MemoMouse, DraggingWithinOneEditor) {
  Make(kText);
  memo.SetSelection(6, 4);
  // Dropped inside its own selection: only the selection goes.
  desktop.DragDrop().Script({{host.get(), At(8, 0)}});
  host->MouseDown(At(7, 0));
  host->MouseMove(At(7, 1));
  host->MouseUp(At(7, 1));
  ASSERT_EQ(desktop.DragDrop().Drags().size(), 1u);
  EXPECT_FALSE(memo.HaveSelection());
  EXPECT_EQ(memo.Text(), kText);
  // A press inside the selection that never moves places the caret.
  memo.SetSelection(6, 4);
  desktop.Advance(1000);
  host->Click(At(8, 0));
  EXPECT_FALSE(memo.HaveSelection());
  EXPECT_EQ(memo.CaretPos(), TPoint(8, 0));
  // Cancelled: the caret that showed the drop point goes back.
  memo.SetSelection(6, 4);
  const TPoint caret = memo.CaretPos();
  desktop.DragDrop().Script({{host.get(), At(2, 2)}}, false);
  desktop.Advance(1000);
  host->MouseDown(At(7, 0));
  host->MouseMove(At(7, 1));
  host->MouseUp(At(7, 1));
  EXPECT_EQ(memo.CaretPos(), caret);
  EXPECT_EQ(memo.SelText(), u"beta");
  if (!Editing(memo)) return;
  memo.SetSelection(6, 4);  // the probe typed over the selection
  desktop.DragDrop().Script({{host.get(), At(0, 2)}});
  desktop.Advance(1000);
  host->MouseDown(At(7, 0));
  host->MouseMove(At(7, 1));
  host->MouseUp(At(7, 1));
  EXPECT_EQ(memo.Text(), u"alpha  gamma\r\nsecond line here\r\nbetathird");
}

TEST_F(MemoMouse, DraggingAStapleWithCtrlReindentsItsBlock) {
  std::unique_ptr<TSyntAnalyzer> pascal = test::LoadLexer("pascal.lxl");
  memo.SetSyntaxAnalyzer(pascal.get());
  Make(u"begin\r\n  if a then\r\n  begin\r\n    b;\r\n  end;\r\nend;\r\n");
  ASSERT_TRUE(test::Settle(desktop, memo.SyntClient()));
  host->PaintAll();
  std::vector<TBlockStaple*> staples;
  memo.Analysis()->GetStaplesAtLine(3, staples);
  TBlockStaple* st = nullptr;
  for (TBlockStaple* s : staples)
    if (s->XPos >= 0) st = s;
  if (!st) GTEST_SKIP() << "no staple placed on line 3";
  const int x = 2 + st->XPos - memo.StapleOffset();
  const TPoint press{x, 3 * 17 + 8};
  host->MouseDown(press, mbLeft, {ssCtrl});
  EXPECT_EQ(host->Cursor(), crHSplit);
  host->MouseMove({x + 17, press.Y}, {ssCtrl});
  EXPECT_FALSE(memo.HaveSelection()) << "no selection is drawn meanwhile";
  host->MouseUp({x + 17, press.Y}, mbLeft, {ssCtrl});
  // The block's lines were handed to IndentLines as the selection.
  const TSyntMemoStrings& lines = *memo.Lines();
  const int first = lines.LineOfPos(st->StartPos), last = lines.LineOfPos(st->EndPos);
  EXPECT_TRUE(memo.HaveSelection());
  EXPECT_EQ(memo.SelStart(), lines.LineStart(first));
  EXPECT_EQ(lines.LineOfPos(memo.SelStart() + memo.SelLength()), last);
}

}  // namespace
}  // namespace synt
