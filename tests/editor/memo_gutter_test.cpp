// The gutter on the headless host: what it draws (reviewed dumps under tests/data/editor), its
// geometry, clicks, the cursor, sizing, bookmarks following edits, the commands and the animation.
#include <random>

#include "editor/commands.h"
#include "memo_test_util.h"
#include "paint_fixture.h"

namespace synt::test {
namespace {

const char* KindName(TCanvasOpKind K) {
  switch (K) {
    case TCanvasOpKind::LineTo:
      return "line";
    case TCanvasOpKind::Polyline:
      return "polyline";
    case TCanvasOpKind::Polygon:
      return "polygon";
    case TCanvasOpKind::Rectangle:
      return "rectangle";
    case TCanvasOpKind::Ellipse:
      return "ellipse";
    case TCanvasOpKind::FillRect:
      return "fill";
    case TCanvasOpKind::FrameRect:
      return "frame";
    case TCanvasOpKind::TextOut:
      return "text";
    case TCanvasOpKind::TextRect:
      return "textrect";
    case TCanvasOpKind::DrawImage:
      return "image";
  }
  return "?";
}

std::string Hex(TColor C) {
  char b[16];
  snprintf(b, sizeof b, "%08X", unsigned(C));
  return b;
}

std::string RectStr(const TRect& R) {
  return "(" + std::to_string(R.Left) + "," + std::to_string(R.Top) + "," +
         std::to_string(R.Right) + "," + std::to_string(R.Bottom) + ")";
}

// The drawing calls of the last paint clipped to the gutter, one line each.
std::vector<std::string> GutterDump(THeadlessCanvas& C, int Width) {
  std::vector<std::string> out;
  for (const TCanvasOp& op : C.Ops()) {
    if (op.Clip.Right > Width || op.Clip.IsEmpty()) continue;
    std::string s = KindName(op.Kind);
    switch (op.Kind) {
      case TCanvasOpKind::FillRect:
        s += " " + RectStr(op.Rect) + " brush " + Hex(op.BrushColor);
        break;
      case TCanvasOpKind::LineTo:
        s += " " + std::to_string(op.Points[0].X) + "," + std::to_string(op.Points[0].Y) + " -> " +
             std::to_string(op.Points[1].X) + "," + std::to_string(op.Points[1].Y) + " pen " +
             Hex(op.PenColor);
        break;
      case TCanvasOpKind::TextOut:
        s += " \"" + Utf8(op.Text) + "\" at " + std::to_string(op.TextPos.X) + "," +
             std::to_string(op.TextPos.Y) + " font " + Utf8(op.FontName) + " " + Hex(op.FontColor) +
             (op.BrushStyle == bsClear ? " clear" : " filled");
        break;
      case TCanvasOpKind::DrawImage:
        s += " " + RectStr(op.Rect);
        break;
      default:
        s += " " + RectStr(op.Rect);
        break;
    }
    out.push_back(s);
  }
  return out;
}

// An image list of 8 x 8 images in distinct colours.
std::unique_ptr<TImageList> Images(int Count) {
  auto list = std::make_unique<TImageList>(nullptr);
  list->SetSize(8, 8);
  for (int i = 0; i < Count; ++i)
    list->Add(TPixelImage(8, 8, ColorToPixel(TColor(0x102030 * (i + 1)))));
  return list;
}

class Gutter : public MemoWindow {
 protected:
  // Ten numbered lines; the gutter paints without its off-screen buffer so that its calls show.
  TSyntaxMemo& MakeLines(int Count = 10) {
    std::u16string text;
    for (int i = 0; i < Count; ++i) {
      text += u"line ";
      text += char16_t(u'a' + i % 26);
      if (i + 1 < Count) text += u"\n";
    }
    Make(text);
    memo.Gutter()->SetVisible(true);
    memo.Gutter()->SetDoubleBufered(false);
    return memo;
  }
  std::vector<std::string> Paint() {
    host->PaintAll();
    return GutterDump(host->Canvas(), memo.Gutter()->Width());
  }
  // A collapsible user range over lines First .. Last.
  void Foldable(int First, int Last) {
    TUserRange* r = memo.UserRanges()->Add();
    r->SetStartPos(memo.Lines()->LineStart(First));
    r->SetEndPos(memo.Lines()->LineStart(Last) + 2);
    r->SetCollapsable(true);
  }
  TPoint LineCentre(int Line, int X) {
    TGutterLineSpan s;
    EXPECT_TRUE(memo.GutterPart().LineSpan(Line, s));
    return {X, (s.Top + s.Bottom) / 2};
  }
};

// ---- Painting ---------------------------------------------------------------------------------

TEST_F(Gutter, GoldenBandsNumbersAndFold) {
  MakeLines();
  std::vector<std::string> all;
  auto add = [&](const std::string& Title) {
    all.push_back("== " + Title);
    for (const std::string& l : Paint()) all.push_back(l);
  };
  // No bands: the gutter colour everywhere, numbers over the whole width.
  memo.SetTopLine(0);
  add("no bands");
  // Bands, one with the change state, one with a gradient and bounds.
  TGutterBand* b0 = memo.Gutter()->Bands()->Add();
  b0->SetWidth(12);
  TGutterBand* b1 = memo.Gutter()->Bands()->Add();
  b1->SetWidth(4);
  b1->SetLeftBound(clBlack);
  TGutterBand* b2 = memo.Gutter()->Bands()->Add();
  b2->SetWidth(20);
  b2->SetColor(clWhite);
  memo.LineStateDisplay()->SetBand(1);
  memo.LineNumbers()->SetBand(0);
  host->Type(u"x");  // line 0 changed
  add("bands, line state, numbers in band 0 (the last band runs past the width)");
  all.push_back("== folding");
  memo.Gutter()->Bands()->Clear();
  memo.LineNumbers()->SetBand(-1);
  Foldable(1, 4);
  for (const std::string& l : Paint()) all.push_back(l);
  memo.ToggleCollapse(1);
  add("collapsed");
  ExpectGolden("gutter_bands_fold", all);
}

TEST_F(Gutter, GoldenNumberingStylesAndStart) {
  MakeLines(12);
  std::vector<std::string> all;
  const char* names[] = {"lsDefault", "lsBDS", "lsEach5", "lsOnlyCurent"};
  memo.SetCaretPos({0, 6});
  for (TLineNumberingStyle st : {lsDefault, lsBDS, lsEach5, lsOnlyCurent}) {
    memo.LineNumbers()->SetNumberingStyle(st);
    all.push_back(std::string("== ") + names[st] + ", caret on line 7");
    for (const std::string& l : Paint())
      if (l.rfind("text", 0) == 0) all.push_back(l);
  }
  memo.LineNumbers()->SetNumberingStyle(lsDefault);
  memo.LineNumbers()->SetNumberingStart(5);
  memo.LineNumbers()->SetNumberingEnd(9);
  memo.LineNumbers()->SetAlignment(taLeftJustify);
  memo.LineNumbers()->SetVertAlignment(vaTop);
  all.push_back("== NumberingStart 5, NumberingEnd 9, left, top");
  for (const std::string& l : Paint())
    if (l.rfind("text", 0) == 0) all.push_back(l);
  ExpectGolden("gutter_numbering", all);

  // lsBDS in words: 1-4 ".", 5 "-", 10 "10", and the caret line its number.
  memo.LineNumbers()->SetNumberingStart(-1);
  memo.LineNumbers()->SetNumberingEnd(-1);
  memo.LineNumbers()->SetNumberingStyle(lsBDS);
  TMemoGutterPart& g = memo.GutterPart();
  EXPECT_EQ(g.LineNumberText(0), u".");
  EXPECT_EQ(g.LineNumberText(4), u"-");
  EXPECT_EQ(g.LineNumberText(6), u"7");
  EXPECT_EQ(g.LineNumberText(9), u"10");
  memo.LineNumbers()->SetNumberingStart(5);
  EXPECT_EQ(g.LineNumberText(3), u"");
  memo.LineNumbers()->SetNumberingStyle(lsDefault);
  EXPECT_EQ(g.LineNumberText(4), u"1");
  memo.OnGetLineNumberStr = [](TObject*, int Line, std::u16string& S) {
    if (Line == 4) S = u"one";
  };
  EXPECT_EQ(g.LineNumberText(4), u"one");
}

TEST_F(Gutter, GoldenObjectsAndUnderColor) {
  MakeLines();
  auto images = Images(3);
  memo.Gutter()->SetImages(images.get());
  std::vector<std::string> all;
  // Two automatic objects on line 2: the one added last sits at the band's left + 1.
  TGutterObject* a = memo.Gutter()->Objects()->Add();
  a->SetLine(2);
  a->SetImageIndex(0);
  TGutterObject* b = memo.Gutter()->Objects()->Add();
  b->SetLine(2);
  b->SetImageIndex(1);
  // A fixed one on line 4 with an index outside the list: no image, the number still yields.
  TGutterObject* c = memo.Gutter()->Objects()->Add();
  c->SetLine(4);
  c->SetMargin(3);
  c->SetImageIndex(7);
  TGutterLineObjects list;
  memo.GutterPart().LineObjects(2, list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items()[1].Rect.Left, 1);
  EXPECT_EQ(list.Items()[0].Rect.Left, 1 + 8 + 1);
  all.push_back("== UnderColor none: numbers of lines with objects or buttons are not drawn");
  for (const std::string& l : Paint()) all.push_back(l);
  memo.LineNumbers()->SetUnderColor(clSilver);
  all.push_back("== UnderColor silver");
  for (const std::string& l : Paint())
    if (l.rfind("text", 0) == 0) all.push_back(l);
  ExpectGolden("gutter_objects", all);
}

TEST_F(Gutter, ObjectColoursPaintTheWholeTextLine) {
  MakeLines();
  TGutterObject* o = memo.Gutter()->Objects()->Add();
  o->SetLine(3);
  o->SetBgColor(clYellow);
  o->SetForeColor(clRed);
  host->PaintAll();
  bool filled = false, coloured = false;
  TGutterLineSpan s;
  ASSERT_TRUE(memo.GutterPart().LineSpan(3, s));
  for (const TCanvasOp& op : host->Canvas().Ops()) {
    if (op.Clip.Left < memo.TextArea().Left) continue;
    if (op.Kind == TCanvasOpKind::FillRect && op.BrushColor == clYellow && op.Rect.Top == s.Top)
      filled = true;
    if (op.Kind == TCanvasOpKind::TextOut && op.FontColor == clRed) {
      coloured = true;
      EXPECT_EQ(Utf8(op.Text), "line d");
    }
  }
  EXPECT_TRUE(filled);
  EXPECT_TRUE(coloured);
}

TEST_F(Gutter, WrappedLinesPlaceContinuationObjectsOnEveryRow) {
  Make(std::u16string(200, u'w') + u"\nshort");
  memo.Gutter()->SetVisible(true);
  memo.SetWordWrap(true);
  auto images = Images(2);
  memo.Gutter()->SetImages(images.get());
  TGutterObject* brk = memo.Gutter()->Objects()->Add();
  brk->SetImageIndex(1);
  memo.Gutter()->SetLineBreakObj(0);
  TGutterLineObjects list;
  memo.GutterPart().LineObjects(0, list);
  const int rows = memo.GetLineInfo(0).RowCount();
  ASSERT_GT(rows, 1);
  ASSERT_GE(list.Count(), 1);
  EXPECT_EQ(list.Items()[0].SubLine, -2);
  EXPECT_EQ(int(list.Items()[0].RowRects.size()), rows - 1);
  memo.GutterPart().LineObjects(1, list);
  EXPECT_EQ(list.Count(), 0) << "a line of one row has no continuation object";
}

// ---- Geometry and layout ----------------------------------------------------------------------

TEST_F(Gutter, TextAreaStartsRightOfTheGutterAndWidthChangesRelayout) {
  MakeLines();
  EXPECT_EQ(memo.TextArea().Left, 30 + 2);
  const TPoint at = memo.CaretPart().CaretToPoint({0, 0});
  EXPECT_EQ(at.X, 32);
  memo.Gutter()->SetWidth(50);
  EXPECT_EQ(memo.TextArea().Left, 52);
  EXPECT_EQ(memo.CaretPart().PointToCaret({52 + 8 * 3, 5}), (TPoint{3, 0}));
  memo.Gutter()->SetVisible(false);
  EXPECT_EQ(memo.TextArea().Left, 2);

  // Bands: bounds and the band at x; indexes out of range mean the whole gutter.
  memo.Gutter()->SetVisible(true);
  memo.Gutter()->Bands()->Add()->SetWidth(10);
  memo.Gutter()->Bands()->Add()->SetWidth(0);
  memo.Gutter()->Bands()->Add()->SetWidth(15);
  TMemoGutterPart& g = memo.GutterPart();
  EXPECT_EQ(g.BandBounds(2).Left, 10);
  EXPECT_EQ(g.BandBounds(2).Right, 25);
  EXPECT_EQ(g.BandBounds(7).Right, 50);
  EXPECT_EQ(g.BandAt(9), 0);
  EXPECT_EQ(g.BandAt(10), 2);
  EXPECT_EQ(g.BandAt(25), -1);
  memo.Gutter()->SetAutoSize(true);
  EXPECT_EQ(memo.Gutter()->Width(), 25);
  EXPECT_EQ(memo.TextArea().Left, 27);
}

TEST_F(Gutter, WordWrapWidthFollowsTheGutter) {
  Make(std::u16string(70, u'a'));
  memo.Gutter()->SetVisible(true);
  memo.SetWordWrap(true);
  // 642 - 32 = 610 pixels hold 76 cells: one row.
  EXPECT_EQ(memo.GetLineInfo(0).RowCount(), 1);
  memo.Gutter()->SetWidth(100);
  EXPECT_EQ(memo.GetLineInfo(0).RowCount(), 2);
}

TEST_F(Gutter, AutoSizeCountsTheNumbersShownNotTheLines) {
  MakeLines(120);
  TLineNumbers& ln = *memo.LineNumbers();
  ln.SetAutoSize(true);
  const int digit = 8;  // the headless cell
  EXPECT_EQ(memo.Gutter()->Width(), 3 * digit + 2 + 2);
  ln.SetNumberingEnd(9);
  EXPECT_EQ(memo.Gutter()->Width(), 1 * digit + 4) << "only 1 .. 9 are shown";
  ln.SetNumberingEnd(-1);
  ln.SetNumberingStart(100);
  EXPECT_EQ(memo.Gutter()->Width(), 2 * digit + 4) << "lines 100 .. 120 show 1 .. 21";
  ln.SetNumberingStart(-1);
  ln.SetFirstLineNumber(1000);
  EXPECT_EQ(memo.Gutter()->Width(), 4 * digit + 4);
  // The line count grows past a power of ten: the gutter follows.
  ln.SetFirstLineNumber(1);
  memo.SetCaretPos({0, 119});
  for (int i = 0; i < 900; ++i) memo.ExecuteCommand(cmNewLine, nullptr);
  EXPECT_EQ(memo.Gutter()->Width(), 4 * digit + 4);
  // Into a band when one is named.
  memo.Gutter()->Bands()->Add()->SetWidth(5);
  memo.Gutter()->Bands()->Add()->SetWidth(5);
  ln.SetBand(1);
  EXPECT_EQ(memo.Gutter()->Bands()->Items(1)->Width(), 4 * digit + 4);
}

// A gutter line composed off screen shows as one picture per line, and only where the window
// paints straight onto the screen; behind a back buffer it draws in place.
TEST(GutterBuffer, LinesGoOffScreenOnlyWhereTheHostPaintsToTheScreen) {
  auto gutterOps = [](bool HostBuffers, bool LineBuffer, bool MemoBuffers) {
    THeadlessSettings settings;
    settings.PaintsOffScreen = HostBuffers;
    THeadlessDesktop desktop(settings);
    TSyntaxMemo memo(nullptr);
    memo.SetText(u"one\ntwo\nthree");
    memo.Gutter()->SetVisible(true);
    memo.Gutter()->SetDoubleBufered(LineBuffer);
    memo.SetDoubleBuffered(MemoBuffers);
    THeadlessHost host(desktop, memo, {300, 100});
    desktop.RunUntilIdle();
    host.PaintAll();
    int pictures = 0, numbers = 0;
    const int width = memo.Gutter()->Width();
    for (const TCanvasOp& op : host.Canvas().Ops()) {
      if (op.Kind == TCanvasOpKind::DrawImage && op.Rect.Left == 0 && op.Rect.Right == width)
        ++pictures;
      if (op.Kind == TCanvasOpKind::TextOut && op.TextPos.X < width) ++numbers;
    }
    return std::pair{pictures, numbers};
  };
  EXPECT_EQ(gutterOps(false, true, false), std::pair(3, 0));
  EXPECT_EQ(gutterOps(true, true, false), std::pair(0, 3));
  EXPECT_EQ(gutterOps(false, false, false), std::pair(0, 3));
  EXPECT_EQ(gutterOps(false, true, true), std::pair(0, 3));
}

// ---- Clicks and the cursor --------------------------------------------------------------------

TEST_F(Gutter, ClickOnTheExpandButtonTogglesTheFold) {
  MakeLines();
  Foldable(1, 4);
  Foldable(2, 3);
  TRect button = memo.GutterPart().LineExpandButtonRect(1);
  ASSERT_FALSE(button.IsEmpty());
  EXPECT_EQ(button.Right, 30 - 1);
  EXPECT_EQ(button.Width(), 9);
  host->Click({button.Left + 2, button.Top + 2});
  EXPECT_EQ(memo.GetLineState(1), 1);
  EXPECT_FALSE(memo.LineVisible(2));
  host->Click({button.Left + 2, button.Top + 2});
  EXPECT_EQ(memo.GetLineState(1), 0);
  // With Ctrl: the blocks nested inside collapse, the outer one stays open.
  host->Click({button.Left + 2, button.Top + 2}, mbLeft, {ssCtrl});
  EXPECT_EQ(memo.GetLineState(1), 0);
  EXPECT_EQ(memo.GetLineState(2), 1);
  // Beside the button: nothing folds; the press does not reach the text either.
  const TPoint caret = memo.CaretPos();
  host->Click(LineCentre(1, 3));
  EXPECT_EQ(memo.GetLineState(1), 0);
  EXPECT_EQ(memo.CaretPos(), caret);
}

TEST_F(Gutter, ClicksGoToObjectsMenusEventAndCaretInOrder) {
  MakeLines();
  TScriptedMenuService menus;
  auto images = Images(2);
  memo.Gutter()->SetImages(images.get());
  TGutterObject* o = memo.Gutter()->Objects()->Add();
  o->SetLine(3);
  o->SetImageIndex(0);
  int objectClicks = 0, clickedLine = -1;
  o->OnClick = [&](TObject*, int Line, TShiftState) {
    ++objectClicks;
    clickedLine = Line;
  };
  TPopupMenu objectMenu(nullptr), gutterMenu(nullptr);
  o->SetPopupMenu(&objectMenu);
  std::vector<int> gutterClicks;
  memo.OnGutterClick = [&](TObject*, int Line, TMouseButton, TShiftState, TPoint) {
    gutterClicks.push_back(Line);
  };
  TGutterLineObjects list;
  memo.GutterPart().LineObjects(3, list);
  ASSERT_EQ(list.Count(), 1);
  const TPoint onObject{list.Items()[0].Rect.Left + 1, list.Items()[0].Rect.Top + 1};
  host->Click(onObject);
  EXPECT_EQ(objectClicks, 1);
  EXPECT_EQ(clickedLine, 3);
  EXPECT_TRUE(gutterClicks.empty());
  host->Click(onObject, mbRight);
  ASSERT_EQ(menus.Shown().size(), 1u);
  EXPECT_EQ(menus.Shown()[0].Items, objectMenu.Items());
  EXPECT_EQ(menus.Shown()[0].Point, host->ClientToScreen(onObject));
  // An object without a handler for the button passes the click on.
  o->OnClick = nullptr;
  host->Click(onObject);
  EXPECT_EQ(gutterClicks, std::vector<int>{3});
  // Right click elsewhere: the gutter's menu, else the event.
  host->Click(LineCentre(5, 20), mbRight);
  EXPECT_EQ(gutterClicks.size(), 2u);
  memo.Gutter()->SetPopupMenu(&gutterMenu);
  host->Click(LineCentre(5, 20), mbRight);
  ASSERT_EQ(menus.Shown().size(), 2u);
  EXPECT_EQ(menus.Shown()[1].Items, gutterMenu.Items());
  // MouseMoveCaret: the caret goes to the start of the clicked row; Shift extends.
  memo.SetCaretPos({3, 1});
  host->Click(LineCentre(6, 20));
  EXPECT_EQ(memo.CaretPos(), (TPoint{3, 1}));
  memo.Gutter()->SetMouseMoveCaret(true);
  desktop.Advance(1000);  // no double click
  host->Click(LineCentre(6, 20));
  EXPECT_EQ(memo.CaretPos(), (TPoint{0, 6}));
  host->Click(LineCentre(8, 20), mbLeft, {ssShift});
  EXPECT_EQ(memo.CaretPos(), (TPoint{0, 8}));
  EXPECT_EQ(memo.SelText(), u"line g\nline h\n");
  // A band that refuses to move the caret.
  memo.Gutter()->Bands()->Add()->SetWidth(30);
  memo.Gutter()->Bands()->Items(0)->SetMouseMoveCaret(false);
  host->Click(LineCentre(2, 20));
  EXPECT_EQ(memo.CaretPos(), (TPoint{0, 8}));
  // A freed menu is forgotten.
  {
    TPopupMenu temp(nullptr);
    memo.Gutter()->SetPopupMenu(&temp);
  }
  EXPECT_EQ(memo.Gutter()->PopupMenu(), nullptr);
  o->SetPopupMenu(nullptr);
}

TEST_F(Gutter, CursorOfObjectThenBandThenGutter) {
  MakeLines();
  auto images = Images(1);
  memo.Gutter()->SetImages(images.get());
  TGutterObject* o = memo.Gutter()->Objects()->Add();
  o->SetLine(1);
  o->SetImageIndex(0);
  o->SetCursor(crHandPoint);
  TGutterBand* band = memo.Gutter()->Bands()->Add();
  band->SetWidth(20);
  band->SetCursor(crCross);
  TGutterLineObjects list;
  memo.GutterPart().LineObjects(1, list);
  const TRect r = list.Items()[0].Rect;
  host->MouseMove({r.Left + 1, r.Top + 1});
  EXPECT_EQ(host->Cursor(), crHandPoint);
  host->MouseMove(LineCentre(1, 15));
  EXPECT_EQ(host->Cursor(), crCross);
  host->MouseMove(LineCentre(1, 25));
  EXPECT_EQ(host->Cursor(), crArrow);
  host->MouseMove(LineCentre(1, 100));
  EXPECT_EQ(host->Cursor(), memo.Cursor());
}

// ---- Bookmarks --------------------------------------------------------------------------------

TEST_F(Gutter, BookmarksToggleRefuseAndMove) {
  MakeLines();
  std::vector<int> set, deleted;
  bool accept = true, allowDelete = true;
  memo.OnSetBookmark = [&](TObject*, int N, bool& A) {
    set.push_back(N);
    A = accept;
  };
  memo.OnDeleteBookmark = [&](TObject*, int N, bool& A) {
    deleted.push_back(N);
    A = allowDelete;
  };
  memo.SetCaretPos({2, 3});
  memo.ExecuteCommand(cmToggleBookmark0 + 1, nullptr);
  EXPECT_EQ(memo.GetBookmark(1), memo.CaretStrPos());
  EXPECT_EQ(set, std::vector<int>{1});
  EXPECT_TRUE(memo.IsCommandEnabled(cmGotoBookmark0 + 1, nullptr));
  EXPECT_FALSE(memo.IsCommandEnabled(cmGotoBookmark0 + 2, nullptr));
  // Refused by its event: not created.
  accept = false;
  memo.ToggleBookmark(2);
  EXPECT_EQ(memo.GetBookmark(2), -1);
  EXPECT_EQ(memo.Bookmarks()->Count(), 1);
  // On the caret line with the delete refused: moves to the caret instead.
  memo.SetCaretPos({4, 3});
  allowDelete = false;
  memo.ToggleBookmark(1);
  EXPECT_EQ(memo.GetBookmark(1), memo.CaretStrPos());
  allowDelete = true;
  memo.ToggleBookmark(1);
  EXPECT_EQ(memo.GetBookmark(1), -1);
  EXPECT_EQ(deleted, (std::vector<int>{1, 1}));
  // On another line: moves, no event.
  accept = true;
  memo.ToggleBookmark(3);
  memo.SetCaretPos({0, 7});
  memo.ToggleBookmark(3);
  EXPECT_EQ(memo.GetBookmark(3), memo.Lines()->LineStart(7));
  EXPECT_EQ(deleted.size(), 2u);
  // Go to: caret there.
  memo.SetCaretPos({0, 0});
  memo.ExecuteCommand(cmGotoBookmark0 + 3, nullptr);
  EXPECT_EQ(memo.CaretPos(), (TPoint{0, 7}));
  // Offset -1 deletes without asking; clearing deletes all.
  memo.SetBookmark(3, -1);
  EXPECT_EQ(memo.GetBookmark(3), -1);
  EXPECT_EQ(deleted.size(), 2u);
  memo.SetBookmark(4, 3);
  memo.SetBookmark(5, 9);
  memo.ClearBookmarks();
  EXPECT_EQ(memo.Bookmarks()->Count(), 0);
}

TEST_F(Gutter, BookmarkBeyondTheTextIsClampedToIt) {
  MakeLines(3);
  const int length = memo.Lines()->TextLength();
  memo.SetBookmark(0, length + 500);
  EXPECT_EQ(memo.GetBookmark(0), length);
  EXPECT_EQ(memo.Bookmarks()->Find(0)->Line(), 2);
  memo.SetBookmark(1, -7);
  EXPECT_EQ(memo.GetBookmark(1), 0);
  memo.GotoBookmark(0);
  EXPECT_EQ(memo.CaretStrPos(), length);
}

TEST_F(Gutter, BookmarksFollowEditsAndGoWithTheirText) {
  MakeLines();
  const int p5 = memo.Lines()->LineStart(5) + 2;
  memo.SetBookmark(1, p5);
  memo.SetBookmark(2, memo.Lines()->LineStart(8));
  // Inserting before it moves it with the text.
  memo.SetCaretPos({0, 0});
  host->Type(u"abc");
  EXPECT_EQ(memo.GetBookmark(1), p5 + 3);
  memo.ExecuteCommand(cmNewLine, nullptr);
  EXPECT_EQ(memo.Bookmarks()->Find(1)->Line(), 6);
  // Deleting the text that holds it removes it (and asks first).
  std::vector<int> deleted;
  memo.OnDeleteBookmark = [&](TObject*, int N, bool&) { deleted.push_back(N); };
  const int start = memo.Lines()->LineStart(6);
  memo.SelectRange(start, memo.Lines()->LineStart(7) - start);
  memo.ClearSelection();
  EXPECT_EQ(memo.GetBookmark(1), -1);
  EXPECT_EQ(deleted, std::vector<int>{1});
  EXPECT_EQ(memo.Bookmarks()->Find(2)->Line(), 8);
  // Undo brings the text back, not the bookmark; deleting just before it shifts it.
  memo.SetCaretPos({0, 8});
  memo.ExecuteCommand(cmBackspace, nullptr);
  EXPECT_EQ(memo.Bookmarks()->Find(2)->Line(), 7);
}

// Bookmark offsets under random edits against a model that applies the same rules.
TEST_F(Gutter, BookmarkOffsetsEqualAModelUnderRandomEdits) {
  MakeLines(30);
  std::mt19937 rng(7);
  std::map<int, int> model;
  for (int n = 0; n < 10; ++n) {
    const int p = int(rng() % unsigned(memo.Lines()->TextLength()));
    memo.SetBookmark(n, p);
    model[n] = p;
  }
  for (int step = 0; step < 400; ++step) {
    const int len = memo.Lines()->TextLength();
    const int pos = len ? int(rng() % unsigned(len)) : 0;
    const std::u16string before = memo.Text();
    if (rng() % 2 && len > 0) {
      const int count = 1 + int(rng() % 8u);
      const int n = std::min(count, len - pos);
      if (n <= 0) continue;
      const int lineChange = int(std::count(before.begin() + pos, before.begin() + pos + n, u'\n'));
      memo.ReplaceText(pos, n, u"");
      for (auto it = model.begin(); it != model.end();) {
        int& p = it->second;
        if (p >= pos && p < pos + n && (p > pos || lineChange > 0)) {
          it = model.erase(it);
          continue;
        }
        if (p > pos) p = std::max(pos, p - n);
        ++it;
      }
    } else {
      const std::u16string ins = rng() % 3 ? u"xy" : u"\nz";
      memo.ReplaceText(pos, 0, ins);
      for (auto& [n, p] : model)
        if (p >= pos) p += int(ins.size());
    }
    ASSERT_EQ(memo.Bookmarks()->Count(), int(model.size())) << "step " << step;
    for (auto& [n, p] : model) {
      ASSERT_EQ(memo.GetBookmark(n), p) << "bookmark " << n << " step " << step;
      ASSERT_EQ(memo.Bookmarks()->Find(n)->Line(), memo.Lines()->LineOfPos(p));
    }
  }
}

TEST_F(Gutter, BookmarksShowInTheGutterObjectList) {
  MakeLines();
  auto images = Images(11);
  memo.Gutter()->SetImages(images.get());
  memo.SetBookmark(4, memo.Lines()->LineStart(2));
  memo.Bookmarks()->Find(4)->SetImageIndex(4);
  TGutterLineObjects list;
  memo.GutterPart().LineObjects(2, list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items()[0].Object, memo.Bookmarks()->Find(4));
  // OnGetGutterImage adds objects of its own, freed with the list.
  memo.OnGetGutterImage = [](TObject*, int Line, TGutterLineObjects& L) {
    auto* extra = new TGutterObject(nullptr);
    extra->SetImageIndex(Line);
    L.Add(extra);
  };
  memo.GutterPart().LineObjects(2, list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items()[1].Rect.Left, 1) << "the one added last sits leftmost";
  EXPECT_EQ(list.Items()[0].Rect.Left, 10);
}

// ---- Animation --------------------------------------------------------------------------------

TEST_F(Gutter, JumpAnimationIsAnOverlayThatShrinksAndStops) {
  MakeLines();
  memo.Animation()->SetRadius(30);
  memo.Animation()->SetStep(10);
  memo.SetBookmark(1, memo.Lines()->LineStart(5));
  memo.GotoBookmark(1);
  TMemoGutterPart& g = memo.GutterPart();
  ASSERT_TRUE(g.Animating());
  auto frames = [&] {
    std::vector<TRect> r;
    for (const TCanvasOp& op : host->Canvas().Ops())
      if (op.Kind == TCanvasOpKind::Rectangle) r.push_back(op.Rect);
    return r;
  };
  host->PaintNow();
  const TPoint caret = memo.CaretPart().CaretToPoint(memo.CaretPos());
  const int cy = caret.Y + memo.DefTextExt().cy;
  ASSERT_EQ(frames().size(), 1u);
  EXPECT_EQ(frames()[0], (TRect{caret.X - 30, cy - 30, caret.X + 30, cy + 30}));
  desktop.Advance(10);
  host->PaintNow();
  ASSERT_EQ(frames().size(), 1u);
  EXPECT_EQ(frames()[0].Width(), 40);
  desktop.Advance(20);
  host->PaintNow();
  EXPECT_FALSE(g.Animating());
  EXPECT_TRUE(frames().empty()) << "the last frame is erased by repainting";
  // Other repaints draw the frame again; scrolling the view ends a running animation.
  g.Animate({100, 50}, atCircle);
  host->PaintNow();
  host->PaintAll();
  EXPECT_TRUE(g.Animating());
  int circles = 0;
  for (const TCanvasOp& op : host->Canvas().Ops()) circles += op.Kind == TCanvasOpKind::Ellipse;
  EXPECT_EQ(circles, 1);
  memo.SetTopLine(3);
  host->PaintAll();
  EXPECT_FALSE(g.Animating());
  // Disabled, or atNone: nothing.
  memo.Animation()->SetEnabled(false);
  g.Animate({100, 50}, atCircle);
  EXPECT_FALSE(g.Animating());
}

// ---- Properties -------------------------------------------------------------------------------

TEST_F(Gutter, SettingsCopyAndDefaults) {
  MakeLines();
  TSyntaxMemo other(nullptr);
  memo.Gutter()->Bands()->Add()->SetWidth(7);
  memo.Gutter()->SetColor(clRed);
  memo.LineNumbers()->SetNumberingStyle(lsEach5);
  memo.LineStateDisplay()->SetBand(0);
  other.SetGutter(memo.Gutter());
  other.SetLineNumbers(memo.LineNumbers());
  other.SetLineStateDisplay(memo.LineStateDisplay());
  EXPECT_EQ(other.Gutter()->Bands()->Count(), 1);
  EXPECT_EQ(other.Gutter()->Bands()->Items(0)->Width(), 7);
  EXPECT_EQ(other.Gutter()->Color(), clRed);
  EXPECT_EQ(other.LineNumbers()->NumberingStyle(), lsEach5);
  EXPECT_EQ(other.LineStateDisplay()->Band(), 0);
  const TPixelImage& std = TGutter::StdExpandButtons();
  EXPECT_EQ(std.Width, 18);
  EXPECT_EQ(std.Height, 11);
  EXPECT_EQ(std.Pixel(0, 0), std.Pixel(0, 10)) << "top and bottom rows are the key colour";
}

}  // namespace
}  // namespace synt::test
