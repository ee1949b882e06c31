// The headless platform beyond the shared contract: input helpers, focus, input methods, scripted
// drags, scrolling, lifetimes, metrics and forms.
#include "platform/headless_host.h"

#include <gtest/gtest.h>

#include "contract/seam_contract.h"

namespace synt {
namespace {

// A probe that also records keys, input-method calls, drops, enter and leave.
class TInputProbe : public TSeamProbe {
 public:
  using TSeamProbe::TSeamProbe;
  std::u16string Typed;
  std::vector<TShortCut> Keys;
  TPreedit LastPreedit;
  std::u16string Committed;
  TDropEffect Answer = deMove;
  std::u16string Dropped;
  bool KeyDown(TShortCut K) override {
    Keys.push_back(K);
    return K != vkTab;
  }
  bool KeyPress(char16_t C) override {
    Typed.push_back(C);
    return true;
  }
  void InputMethodPreedit(const TPreedit& P) override { LastPreedit = P; }
  void InputMethodCommit(const std::u16string& T) override { Committed += T; }
  void MouseEnter() override { Events.push_back({"enter"}); }
  void MouseLeave() override { Events.push_back({"leave"}); }
  void CaptureLost() override { Events.push_back({"capturelost"}); }
  bool MouseWheel(TShiftState S, int D, int X, int Y, bool H) override {
    Events.push_back({"wheel", {X, Y}, D, S});
    return true;
  }
  TDropEffect DragEnter(const TClipboardData& D, TShiftState, int X, int Y, TDropEffects) override {
    Events.push_back({"dragenter", {X, Y}});
    return Answer;
  }
  TDropEffect DragOver(TShiftState S, int X, int Y, TDropEffects) override {
    Events.push_back({"dragover", {X, Y}});
    return S.Contains(ssCtrl) ? deCopy : Answer;
  }
  void DragLeave() override { Events.push_back({"dragleave"}); }
  TDropEffect Drop(const TClipboardData& D, TShiftState S, int X, int Y, TDropEffects) override {
    Events.push_back({"drop", {X, Y}});
    Dropped = D.Text.value_or(u"");
    return S.Contains(ssCtrl) ? deCopy : Answer;
  }
  std::vector<std::string> Kinds() const {
    std::vector<std::string> k;
    for (const TEvent& e : Events)
      if (e.Kind != "paint" && e.Kind != "resize") k.push_back(e.Kind);
    return k;
  }
};

using Kinds = std::vector<std::string>;

TEST(HeadlessHost, KeysAndCharactersReachTheControl) {
  THeadlessDesktop desk;
  TInputProbe p(nullptr);
  THeadlessHost h(desk, p, {100, 50});
  EXPECT_TRUE(h.PressKey(TShortCut(vkLeft | scShift)));
  EXPECT_FALSE(h.PressKey(vkTab));  // unhandled keys go back to the window
  h.Type(u"a\U0001F600");
  EXPECT_EQ(p.Keys, (std::vector<TShortCut>{TShortCut(vkLeft | scShift), vkTab}));
  EXPECT_EQ(p.Typed, u"a\U0001F600");  // one call per unit
}

TEST(HeadlessHost, InputMethodDeliversOnlyWhileEnabled) {
  THeadlessDesktop desk;
  TInputProbe p(nullptr);
  THeadlessHost h(desk, p, {100, 50});
  TPreedit pre{u"\u304B\u306A", 1, {{0, 2, imTarget}}};
  EXPECT_FALSE(h.Preedit(pre));
  EXPECT_FALSE(h.Commit(u"x"));
  p.Host()->InputMethod().SetEnabled(true);
  p.Host()->InputMethod().SetCursorRect({10, 0, 12, 16});
  EXPECT_TRUE(h.Preedit(pre));
  EXPECT_TRUE(h.Commit(u"\u4EEE\u540D"));
  EXPECT_EQ(p.LastPreedit, pre);
  EXPECT_EQ(p.Committed, u"\u4EEE\u540D");
  EXPECT_EQ(h.HeadlessInputMethod().CursorRect(), (TRect{10, 0, 12, 16}));
}

TEST(HeadlessHost, FocusMovesBetweenWindowsButNeverToPopups) {
  THeadlessDesktop desk;
  TSeamProbe a(nullptr), b(nullptr);
  THeadlessHost ha(desk, a, {100, 50}), hb(desk, b, {100, 50}, {300, 100});
  ha.Focus();
  hb.Focus();
  EXPECT_EQ(a.Of("focusin").size(), 1u);
  EXPECT_EQ(a.Of("focusout").size(), 1u);
  EXPECT_TRUE(b.Focused());
  auto popup = hb.CreatePopupWindow(std::make_unique<TSeamProbe>(nullptr), {});
  popup->Show({0, 0, 50, 50});
  popup->Host().SetFocus();
  EXPECT_TRUE(b.Focused());
  EXPECT_FALSE(popup->Host().Focused());
  desk.Deactivate();
  EXPECT_FALSE(b.Focused());
  EXPECT_EQ(b.Of("focusout").size(), 1u);
}

TEST(HeadlessHost, EnterAndLeaveFollowThePointerExceptWhileCaptured) {
  THeadlessDesktop desk;
  TInputProbe p(nullptr);
  THeadlessHost h(desk, p, {100, 50});
  h.MouseMove({10, 10});
  h.MouseMove({20, 10});
  h.MouseMove({200, 10});
  h.MouseMove({10, 10});
  h.MouseDown({10, 10});
  h.MouseMove({-5, 10});  // captured: still ours, no leave
  h.MouseUp({-5, 10});    // released outside: now it leaves
  EXPECT_EQ(p.Kinds(), (Kinds{"enter", "move", "move", "leave", "enter", "move", "down", "move",
                              "up", "leave"}));
  EXPECT_FALSE(h.Wheel({-5, 10}, 120));  // over another window
  EXPECT_TRUE(h.Wheel({5, 10}, -240, {ssCtrl}));
  EXPECT_EQ(p.Of("wheel").back().Count, -240);
  EXPECT_TRUE(p.Of("wheel").back().Shift.Contains(ssCtrl));
}

TEST(HeadlessHost, TakingTheCaptureTellsTheLoser) {
  THeadlessDesktop desk;
  TInputProbe a(nullptr), b(nullptr);
  THeadlessHost ha(desk, a, {100, 50}), hb(desk, b, {100, 50});
  ha.SetMouseCapture(true);
  hb.SetMouseCapture(true);
  EXPECT_EQ(a.Kinds(), (Kinds{"capturelost"}));
  EXPECT_FALSE(ha.MouseCapture());
  EXPECT_TRUE(hb.MouseCapture());
  // A press outside a window that has no capture goes elsewhere.
  ha.MouseDown({-1, -1});
  EXPECT_TRUE(a.Of("down").empty());
}

TEST(HeadlessHost, ScrollingInvalidatesWhatWasUncovered) {
  THeadlessDesktop desk;
  TSeamProbe p(nullptr);
  THeadlessHost h(desk, p, {200, 100});
  h.PaintNow();
  h.ClearInvalidations();
  h.ScrollRect({0, 0, 200, 100}, 0, -16);  // content moves up one line
  EXPECT_EQ(h.PendingUpdate(), (TRect{0, 84, 200, 100}));
  h.PaintNow();
  h.ScrollRect({40, 0, 200, 100}, 24, 0);
  EXPECT_EQ(h.PendingUpdate(), (TRect{40, 0, 64, 100}));
  h.PaintNow();
  h.ScrollRect({0, 0, 200, 100}, 0, 500);  // farther than the area: all of it
  EXPECT_EQ(h.PendingUpdate(), (TRect{0, 0, 200, 100}));
  h.PaintNow();
  // Damage waiting inside the scrolled area must not stay behind at its old place.
  h.InvalidateRect({10, 10, 20, 20});
  h.ScrollRect({0, 0, 200, 100}, 0, 8);
  EXPECT_EQ(h.PendingUpdate(), (TRect{0, 0, 200, 100}));
  EXPECT_EQ(h.Scrolls().size(), 4u);
}

TEST(HeadlessHost, ResizeReachesTheControlAndRepaintsAll) {
  THeadlessDesktop desk;
  TSeamProbe p(nullptr);
  THeadlessHost h(desk, p, {200, 100});
  desk.RunUntilIdle();
  h.SetClientSize({300, 120});
  desk.RunUntilIdle();
  EXPECT_EQ(p.Of("resize").back().Pos, (TPoint{300, 120}));
  EXPECT_EQ(p.Of("paint").back().Rect, (TRect{0, 0, 300, 120}));
  EXPECT_EQ(h.Canvas().ClipRect(), (TRect{0, 0, 300, 120}));
}

TEST(HeadlessHost, ScrollBarsCursorAndSettingsAreRecorded) {
  THeadlessDesktop desk;
  TSeamProbe p(nullptr);
  THeadlessHost h(desk, p, {200, 100});
  h.SetScrollBar(sbVertical, {0, 99, 10, 200, true});
  EXPECT_EQ(h.ScrollBar(sbVertical), (TScrollBarInfo{0, 99, 10, 90, true}));
  h.SetScrollBar(sbHorizontal, {0, -5, 3, -7, false});
  EXPECT_EQ(h.ScrollBar(sbHorizontal), (TScrollBarInfo{0, 0, 1, 0, false}));
  h.SetCursor(crIBeam);
  h.SetCursor(crIBeam);
  h.SetCursor(crArrow);
  EXPECT_EQ(h.CursorChanges(), (std::vector<TCursor>{crIBeam, crArrow}));
  EXPECT_EQ(h.DoubleClickTime(), 500u);
  EXPECT_EQ(h.ClientToScreen({5, 6}), (TPoint{105, 106}));
  EXPECT_EQ(h.ScreenToClient({105, 106}), (TPoint{5, 6}));
}

TEST(HeadlessHost, ControlAndHostMayGoInEitherOrder) {
  THeadlessDesktop desk;
  {
    auto p = std::make_unique<TSeamProbe>(nullptr);
    THeadlessHost h(desk, *p, {10, 10});
    h.Focus();
    h.MouseDown({1, 1});
    p.reset();  // the control dies first
    EXPECT_EQ(h.Control(), nullptr);
    h.MouseUp({1, 1});
    h.Invalidate();
    EXPECT_FALSE(h.PaintNow());
  }
  TSeamProbe q(nullptr);
  {
    THeadlessHost h(desk, q, {10, 10});
    EXPECT_EQ(q.Host(), &h);
  }
  EXPECT_EQ(q.Host(), nullptr);
  q.Invalidate();  // no host: nothing happens
  EXPECT_TRUE(desk.Hosts().empty());
}

TEST(HeadlessHost, AdvanceTerminatesWithAZeroIntervalTimer) {
  THeadlessDesktop desk;
  int n = 0;
  TTimer t;
  t.OnTimer = [&] { ++n; };
  t.SetInterval(0);
  t.SetEnabled(true);
  desk.Advance(5);
  EXPECT_GE(n, 5);
  EXPECT_LE(n, 7);
}

// --- drag and drop ----------------------------------------------------------------------------

TEST(HeadlessDragDrop, DropsOnTheTargetWithTheNegotiatedEffect) {
  THeadlessDesktop desk;
  TInputProbe src(nullptr), dst(nullptr), refusing(nullptr);
  THeadlessHost hs(desk, src, {100, 50}), hd(desk, dst, {100, 50}, {300, 0}),
      hr(desk, refusing, {100, 50});
  hd.SetAcceptDrops(true);
  TClipboardData d;
  d.Text = u"moved text";
  desk.DragDrop().Script({{&hr, {5, 5}}, {&hd, {10, 10}}, {&hd, {20, 10}}});
  EXPECT_EQ(hs.DragDrop().StartDrag(src, d, {deCopy, deMove}), deMove);
  EXPECT_EQ(dst.Kinds(), (Kinds{"dragenter", "dragover", "drop"}));
  EXPECT_EQ(dst.Dropped, u"moved text");
  EXPECT_TRUE(refusing.Kinds().empty()) << "a host that does not accept drops gets nothing";

  // An answer the source did not offer counts as a refusal.
  dst.Events.clear();
  desk.DragDrop().Script({{&hd, {10, 10}}});
  EXPECT_EQ(hs.DragDrop().StartDrag(src, d, {deCopy}), deNone);
  EXPECT_EQ(dst.Kinds(), (Kinds{"dragenter", "dragleave"}));
  // Ctrl makes this target copy, which is offered.
  desk.DragDrop().Script({{&hd, {10, 10}}, {&hd, {12, 10}, {ssCtrl}}});
  EXPECT_EQ(hs.DragDrop().StartDrag(src, d, {deCopy}), deCopy);
  EXPECT_EQ(desk.DragDrop().Drags().back().Answers,
            (std::vector<TDropEffect>{deNone, deCopy, deCopy}));
}

TEST(HeadlessDragDrop, CancelLeavingAndDraggingOntoItself) {
  THeadlessDesktop desk;
  TInputProbe p(nullptr), other(nullptr);
  THeadlessHost h(desk, p, {100, 50}), ho(desk, other, {100, 50});
  h.SetAcceptDrops(true);
  ho.SetAcceptDrops(true);
  TClipboardData d;
  d.Text = u"x";
  // Over itself, then over another window, then cancelled there.
  desk.DragDrop().Script({{&h, {1, 1}}, {&ho, {2, 2}}}, false);
  EXPECT_EQ(h.DragDrop().StartDrag(p, d, {deMove}), deNone);
  EXPECT_EQ(p.Kinds(), (Kinds{"dragenter", "dragleave"}));
  EXPECT_EQ(other.Kinds(), (Kinds{"dragenter", "dragleave"}));
  // Without a script the drag ends at once.
  EXPECT_EQ(h.DragDrop().StartDrag(p, d, {deMove}), deNone);
  // From another application, dropped on this one.
  p.Events.clear();
  EXPECT_EQ(desk.DragDrop().DragFromOutside(d, {deCopy, deMove}, {{&h, {3, 3}}}), deMove);
  EXPECT_EQ(p.Kinds(), (Kinds{"dragenter", "drop"}));
  EXPECT_EQ(desk.DragDrop().Drags().back().Source, nullptr);
  TClipboardData bad;
  bad.Formats[u""] = "";
  EXPECT_THROW(h.DragDrop().StartDrag(p, bad, {deCopy}), EClipboardError);
  EXPECT_FALSE(desk.DragDrop().Dragging());
}

// --- popups, metrics, bitmaps -------------------------------------------------------------------

TEST(PopupPlacement, FitIntoWorkAreaMovesThenCuts) {
  const TRect wa{0, 0, 800, 600};
  EXPECT_EQ(FitIntoWorkArea({10, 10, 110, 60}, wa), (TRect{10, 10, 110, 60}));
  EXPECT_EQ(FitIntoWorkArea({750, 580, 850, 630}, wa), (TRect{700, 550, 800, 600}));
  EXPECT_EQ(FitIntoWorkArea({-20, -30, 80, 20}, wa), (TRect{0, 0, 100, 50}));
  EXPECT_EQ(FitIntoWorkArea({500, 100, 1500, 200}, wa), (TRect{0, 100, 800, 200}));
  EXPECT_TRUE(FitIntoWorkArea({5, 5, 5, 9}, wa).IsEmpty());
  EXPECT_EQ(FitIntoWorkArea({1900, 10, 2000, 60}, {1920, 0, 3840, 1040}),
            (TRect{1920, 10, 2020, 60}));
}

TEST(PopupPlacement, WindowsUseTheMonitorTheyAreOn) {
  THeadlessSettings s;
  s.Monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
                {{1920, 0, 3200, 1024}, {1920, 30, 3200, 1024}}};
  THeadlessDesktop desk(s);
  TSeamProbe p(nullptr);
  THeadlessHost h(desk, p, {100, 100});
  auto w = h.CreatePopupWindow(std::make_unique<TSeamProbe>(nullptr), {pkPopup});
  EXPECT_EQ(w->Show({3150, 10, 3250, 60}), (TRect{3100, 30, 3200, 80}));
  EXPECT_EQ(desk.Popups().size(), 1u);
  auto* hw = desk.Popups()[0];
  desk.RunUntilIdle();
  EXPECT_EQ(hw->HeadlessHost().Paints().back(), (TRect{0, 0, 100, 50}));
  w.reset();
  EXPECT_TRUE(desk.Popups().empty());
}

TEST(HeadlessCanvas, ProportionalMetricsDifferByCharacter) {
  THeadlessCanvas fixed(8, 16), prop(8, 16, {0, 0, 1000, 1000}, THeadlessPitch::Proportional);
  EXPECT_EQ(fixed.TextExtent(u"iiWW").cx, 32);
  EXPECT_EQ(prop.TextExtent(u"iiWW").cx, 4 + 4 + 12 + 12);
  EXPECT_EQ(prop.TextExtent(u"Ab").cx, 9 + 8);
  EXPECT_EQ(prop.TextExtent(u"\u4E2D").cx, 16);
  EXPECT_FALSE(prop.GetTextMetrics().FixedPitch);
  // Clusters: one cell each in fixed pitch, whatever their unit count.
  EXPECT_EQ(fixed.MeasureUnits(u"a\U0001F600e\u0301"), (std::vector<int>{0, 8, 16, 16, 24, 24}));
  // A lone surrogate is a cluster of its own.
  std::u16string lone{u'a', char16_t(0xDC00), char16_t(0xD800)};
  EXPECT_EQ(fixed.MeasureUnits(lone), (std::vector<int>{0, 8, 16, 24}));
}

TEST(HeadlessCanvas, OpsRecordImagesAndRectanglesRasterise) {
  THeadlessCanvas c(8, 16);
  TPixelImage img(3, 2, ColorToPixel(clRed));
  c.DrawImage(5, 6, img, {1, 0, 9, 9});  // source clipped to the image
  ASSERT_EQ(c.Ops().size(), 1u);
  EXPECT_EQ(c.Ops()[0].Kind, TCanvasOpKind::DrawImage);
  EXPECT_EQ(c.Ops()[0].Rect, (TRect{5, 6, 7, 8}));

  THeadlessBitmap b(5, 5);
  b.Canvas().Brush()->SetColor(clWhite);
  b.Canvas().Pen()->SetColor(clBlack);
  b.Canvas().Rectangle({0, 0, 5, 5});
  EXPECT_EQ(b.Pixels().Pixel(0, 2), ColorToPixel(clBlack));
  EXPECT_EQ(b.Pixels().Pixel(4, 4), ColorToPixel(clBlack));
  EXPECT_EQ(b.Pixels().Pixel(2, 2), ColorToPixel(clWhite));
  // Drawn onto itself, a bitmap reads the pixels it had before the call.
  b.Canvas().Draw(1, 0, b);
  EXPECT_EQ(b.Pixels().Pixel(1, 2), ColorToPixel(clBlack));
  EXPECT_EQ(b.Pixels().Pixel(2, 2), ColorToPixel(clWhite));
  // A half-transparent pixel blends.
  TPixelImage half(1, 1, 0x80FF0000);
  b.Canvas().DrawImage(2, 2, half);
  TPixel got = b.Pixels().Pixel(2, 2);
  EXPECT_EQ(got >> 24, 0xFFu);
  EXPECT_NEAR(int((got >> 8) & 0xFF), 127, 2);
}

TEST(ImageList, SizeChangesClearAndBadSizesAreRefused) {
  TImageList l(nullptr);
  l.Add(TPixelImage(32, 16, 0xFF00FF00));
  EXPECT_EQ(l.Count(), 2);
  EXPECT_THROW(l.SetSize(0, 16), EInvalidOperation);
  EXPECT_EQ(l.Count(), 2);
  EXPECT_THROW(l.Replace(0, TPixelImage(8, 8)), EInvalidOperation);
  EXPECT_THROW(l.Image(2), EListError);
  TPixelImage broken(16, 16);
  broken.Pixels.resize(3);  // the fields disagree
  EXPECT_THROW(l.Add(broken), EInvalidOperation);
  l.SetSize(8, 8);
  EXPECT_EQ(l.Count(), 0);
}

// --- forms -------------------------------------------------------------------------------------

TEST(DialogForms, ScriptedAnswersFillTheFields) {
  TScriptedDialogService s;
  TDialogForm f(u"GotoLine", u"Go to Line Number");
  f.AddInteger(u"Line", u"&Line number:", 5, 1, 200);
  f.AddBoolean(u"Select", u"&Select", false);
  f.AddChoice(u"Origin", u"&Origin", {u"Top", u"Caret"}, 0);
  f.AddText(u"Note", u"&Note", u"", {u"older"});
  s.PushForm({mrOk, {{u"Line", u"120"}, {u"Select", u"true"}, {u"Origin", u"Caret"}}});
  EXPECT_EQ(s.RunForm(f), mrOk);
  EXPECT_EQ(f.Field(u"Line")->Value, 120);
  EXPECT_EQ(f.Field(u"Select")->Value, 1);
  EXPECT_EQ(f.Field(u"Origin")->Value, 1);
  EXPECT_EQ(f.Field(u"Origin")->Text, u"Caret");
  ASSERT_EQ(s.ShownForms().size(), 1u);
  EXPECT_EQ(s.ShownForms()[0].Field(u"Line")->Value, 5);  // as it was shown

  // Cancelled forms keep their values; with no answer left the form is cancelled.
  s.PushForm({mrCancel, {{u"Line", u"7"}}});
  EXPECT_EQ(s.RunForm(f), mrCancel);
  EXPECT_EQ(s.RunForm(f), mrCancel);
  EXPECT_EQ(f.Field(u"Line")->Value, 120);
  EXPECT_EQ(THeadlessDialogService().RunForm(f), mrCancel);
}

TEST(DialogForms, ValuesAFormWouldRefuseChangeNothing) {
  TScriptedDialogService s;
  TDialogForm f(u"GotoLine", u"Go to");
  f.AddInteger(u"Line", u"Line", 5, 1, 200);
  f.AddText(u"Name", u"Name", u"old");
  for (auto bad : {u"0", u"201", u"12a", u"", u"99999999999999"}) {
    s.PushForm({mrOk, {{u"Name", u"new"}, {u"Line", bad}}});
    EXPECT_THROW(s.RunForm(f), EDialogError);
    EXPECT_EQ(f.Field(u"Line")->Value, 5);
    EXPECT_EQ(f.Field(u"Name")->Text, u"old");
  }
  s.PushForm({mrOk, {{u"Column", u"3"}}});
  EXPECT_THROW(s.RunForm(f), EDialogError);
  EXPECT_EQ(f.Field(u"Column"), nullptr);
  EXPECT_EQ(f.AddInteger(u"Clamped", u"", 500, 1, 10).Value, 10);
}

TEST(Clipboard, HeadlessCountsChanges) {
  THeadlessClipboard c;
  c.SetText(u"a");
  c.Clear();
  EXPECT_EQ(c.ChangeCount(), 2);
  TClipboardData bad;
  bad.Formats[u""] = "";
  EXPECT_THROW(c.SetData(bad), EClipboardError);
  EXPECT_EQ(c.ChangeCount(), 2);
}

}  // namespace
}  // namespace synt
