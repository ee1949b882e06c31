// Contract tests of the control seam, written once for every backend. A backend's test file
// defines a backend class and instantiates the suite with it:
//
//   #include "contract/seam_contract.h"
//   struct TMyBackend { ... };                       // the members listed below
//   using Backends = ::testing::Types<TMyBackend>;
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, SeamContract, Backends);
//
// A backend class is constructed once per test and provides:
//   synt::TClipboard& Clipboard();                  // the clipboard of the process
//   synt::TCanvas& Canvas();                        // a canvas to measure on, default font
//   std::unique_ptr<synt::TBitmap> NewBitmap(int Width, int Height);
//   std::unique_ptr<synt::TSeamHostDriver> NewHost(synt::TCustomControl& Control,
//                                                  synt::TSize ClientSize);
//   synt::TEventLoop& Loop();                       // the GUI thread's loop
//   void Pass(unsigned Ms);                         // Ms pass; events, timers and paints run
//   unsigned DoubleClickTime();
//   int DoubleClickDistance();                      // pixels, either axis
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/clipboard.h"
#include "platform/clusters.h"
#include "platform/control.h"
#include "platform/control_host.h"
#include "platform/event_loop.h"
#include "platform/image_list.h"
#include "platform/popup_window.h"
#include "platform/utf.h"

namespace synt {

// Drives a host the way a user drives the window: input goes through the backend's own event
// path (a toolkit's synthetic events, or the headless host's helpers).
class TSeamHostDriver {
 public:
  virtual ~TSeamHostDriver() = default;
  virtual IControlHost& Host() = 0;
  // Client coordinates; they may lie outside the client area.
  virtual void MouseDown(TPoint P, TMouseButton Button) = 0;
  virtual void MouseMove(TPoint P) = 0;
  virtual void MouseUp(TPoint P, TMouseButton Button) = 0;
  // Delivers pending events and paints.
  virtual void Flush() = 0;
};

// A control that records what reaches it.
class TSeamProbe : public TCustomControl {
 public:
  struct TEvent {
    // Brace lists name the leading fields only: {"down", {x, y}, clicks, shift}.
    TEvent(std::string K, TPoint P = {}, int N = 0, TShiftState S = {}, TRect R = {}, TRect C = {})
        : Kind(std::move(K)), Pos(P), Count(N), Shift(S), Rect(R), Clip(C) {}
    std::string Kind;  // "down", "move", "up", "paint", "resize", "focusin", "focusout", ...
    TPoint Pos;
    int Count = 0;
    TShiftState Shift;
    TRect Rect;  // paint: the update rectangle
    TRect Clip;  // paint: the canvas clip
  };
  using TCustomControl::TCustomControl;
  std::vector<TEvent> Events;
  std::vector<TEvent> Of(const std::string& Kind) const {
    std::vector<TEvent> r;
    for (const TEvent& e : Events)
      if (e.Kind == Kind) r.push_back(e);
    return r;
  }
  void MouseDown(TMouseButton, TShiftState S, int X, int Y, int N) override {
    Events.push_back({"down", {X, Y}, N, S, {}, {}});
  }
  void MouseMove(TShiftState S, int X, int Y) override {
    Events.push_back({"move", {X, Y}, 0, S, {}, {}});
  }
  void MouseUp(TMouseButton, TShiftState S, int X, int Y) override {
    Events.push_back({"up", {X, Y}, 0, S, {}, {}});
  }
  void Paint(TCanvas& C, const TRect& R) override {
    Events.push_back({"paint", {}, 0, {}, R, C.ClipRect()});
  }
  void Resize() override {
    Events.push_back({"resize", {ClientSize().cx, ClientSize().cy}, 0, {}, {}, {}});
  }
  void FocusIn() override { Events.push_back({"focusin", {}, 0, {}, {}, {}}); }
  void FocusOut() override { Events.push_back({"focusout", {}, 0, {}, {}, {}}); }
};

template <class Backend>
class SeamContract : public ::testing::Test {
 protected:
  Backend backend_;

  // A bitmap filled with Color.
  std::unique_ptr<TBitmap> Filled(int W, int H, TColor Color) {
    auto b = backend_.NewBitmap(W, H);
    b->Canvas().Brush()->SetStyle(bsSolid);
    b->Canvas().Brush()->SetColor(Color);
    b->Canvas().FillRect({0, 0, W, H});
    return b;
  }
  static bool Covers(const TRect& Outer, const TRect& Inner) {
    return Outer.Left <= Inner.Left && Outer.Top <= Inner.Top && Outer.Right >= Inner.Right &&
           Outer.Bottom >= Inner.Bottom;
  }
};

TYPED_TEST_SUITE_P(SeamContract);

TYPED_TEST_P(SeamContract, ClipboardKeepsEveryUnitOfText) {
  TClipboard& cb = this->backend_.Clipboard();
  std::u16string text = u"nul:";
  text.push_back(u'\0');
  text += u"|lone high:";
  text.push_back(char16_t(0xD800));
  text += u"x|lone low:";
  text.push_back(char16_t(0xDC00));
  text += u"|pair:\U0001F600|crlf:\r\n|cr:\r|noncharacter:\uFFFF|end";
  text.push_back(u'\0');
  cb.SetText(text);
  ASSERT_TRUE(cb.Text().has_value());
  EXPECT_EQ(*cb.Text(), text);
  EXPECT_TRUE(cb.HasText());
}

TYPED_TEST_P(SeamContract, ClipboardCarriesAllFormsAtOnce) {
  TClipboard& cb = this->backend_.Clipboard();
  TClipboardData d;
  d.Text = u"col 1\r\ncol 2\r\n";
  d.AnsiText = TAnsiText{std::string("\xC0\xE1\0\xFF z", 6), 1251};
  d.Formats[std::u16string(cfColumnBlock)] = std::string("\x02\0", 2);
  d.Formats[std::u16string(cfRichText)] = "{\\rtf1\\ansi {\\b col} 1\\par}";
  d.Formats[u"synt test binary"] = std::string("\0\x01\xFE\xFF", 4);
  cb.SetData(d);
  TClipboardData got = cb.Data();
  EXPECT_EQ(got.Text, d.Text);
  EXPECT_EQ(got.AnsiText, d.AnsiText);
  for (const auto& [name, bytes] : d.Formats) {
    ASSERT_TRUE(got.HasFormat(name)) << Utf16ToUtf8(name);
    EXPECT_EQ(*got.Format(name), bytes) << Utf16ToUtf8(name);
  }
  EXPECT_TRUE(cb.HasFormat(cfColumnBlock));
}

TYPED_TEST_P(SeamContract, ClipboardContentIsReplacedWhole) {
  TClipboard& cb = this->backend_.Clipboard();
  TClipboardData d;
  d.Text = u"block";
  d.Formats[std::u16string(cfColumnBlock)] = "\x02";
  cb.SetData(d);
  cb.SetText(u"stream");  // a later plain copy must not inherit the column marker
  EXPECT_EQ(cb.Text(), u"stream");
  EXPECT_FALSE(cb.HasFormat(cfColumnBlock));
  cb.Clear();
  EXPECT_FALSE(cb.HasText());
  EXPECT_FALSE(cb.Data().HasFormat(cfColumnBlock));
}

TYPED_TEST_P(SeamContract, ClipboardRefusesBadFormatNamesAndKeepsItsContent) {
  TClipboard& cb = this->backend_.Clipboard();
  cb.SetText(u"keep me");
  TClipboardData bad;
  bad.Text = u"lost?";
  bad.Formats[u""] = "x";
  EXPECT_THROW(cb.SetData(bad), EClipboardError);
  bad.Formats.clear();
  bad.Formats[std::u16string(300, u'n')] = "x";
  EXPECT_THROW(cb.SetData(bad), EClipboardError);
  EXPECT_EQ(cb.Text(), u"keep me");
}

TYPED_TEST_P(SeamContract, UnitMeasurementIsMonotonicAndSumsToTheExtent) {
  TCanvas& c = this->backend_.Canvas();
  const std::u16string texts[] = {
      u"",
      u"begin end;",
      u"iiiWWW mmm ...",
      u"e\u0301a\u0308\u0323z",      // combining marks, one and two on a base
      u"x\U0001F600y\U00010348",     // surrogate pairs
      u"\u4E2D\u6587 mixed \u00FC",  // wide characters
      u"\tTab",
  };
  for (bool bold : {false, true}) {
    c.Font()->SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
    for (const std::u16string& t : texts) {
      SCOPED_TRACE(Utf16ToUtf8(t) + (bold ? " bold" : ""));
      std::vector<int> e = c.MeasureUnits(t);
      ASSERT_EQ(e.size(), t.size() + 1);
      EXPECT_EQ(e.front(), 0);
      EXPECT_EQ(e.back(), c.TextExtent(t).cx);
      for (size_t i = 0; i < t.size(); ++i) {
        EXPECT_LE(e[i], e[i + 1]) << "unit " << i;
        if (ContinuesCluster(t, i)) {
          EXPECT_EQ(e[i + 1], e[i]) << "continuation unit " << i << " has an advance";
        } else if (t[i] > u' ') {
          EXPECT_GT(e[i + 1], e[i]) << "unit " << i << " starts a cluster but has no advance";
        }
      }
    }
  }
}

TYPED_TEST_P(SeamContract, ClipRectanglesAreHonoured) {
  auto b = this->Filled(10, 10, clWhite);
  TCanvas& c = b->Canvas();
  c.SetClipRect({2, 2, 6, 6});
  EXPECT_EQ(c.ClipRect(), (TRect{2, 2, 6, 6}));
  c.Brush()->SetColor(clRed);
  c.FillRect({0, 0, 10, 10});
  c.IntersectClipRect({4, 0, 10, 10});
  EXPECT_EQ(c.ClipRect(), (TRect{4, 2, 6, 6}));
  c.Brush()->SetColor(clBlue);
  c.FillRect({0, 0, 10, 10});
  TPixelImage px = b->ToImage();
  const TPixel white = ColorToPixel(clWhite), red = ColorToPixel(clRed),
               blue = ColorToPixel(clBlue);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      TPixel want = white;
      if (x >= 2 && x < 6 && y >= 2 && y < 6) want = x >= 4 ? blue : red;
      ASSERT_EQ(px.Pixel(x, y), want) << "(" << x << ", " << y << ")";
    }
}

TYPED_TEST_P(SeamContract, BitmapsDrawOntoCanvases) {
  auto src = this->backend_.NewBitmap(3, 2);
  const TColor colors[2][3] = {{clRed, clLime, clBlue}, {clYellow, clAqua, clFuchsia}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      src->Canvas().Brush()->SetColor(colors[y][x]);
      src->Canvas().FillRect({x, y, x + 1, y + 1});
    }
  EXPECT_EQ(src->Width(), 3);
  EXPECT_EQ(src->Height(), 2);

  auto dst = this->Filled(8, 8, clWhite);
  dst->Canvas().Draw(1, 1, *src);
  dst->Canvas().Draw(6, 7, *src);  // partly outside: clipped to the bitmap
  TPixelImage px = dst->ToImage();
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(px.Pixel(1 + x, 1 + y), ColorToPixel(colors[y][x])) << x << "," << y;
  EXPECT_EQ(px.Pixel(0, 0), ColorToPixel(clWhite));
  EXPECT_EQ(px.Pixel(4, 1), ColorToPixel(clWhite));
  EXPECT_EQ(px.Pixel(6, 7), ColorToPixel(clRed));
  EXPECT_EQ(px.Pixel(7, 7), ColorToPixel(clLime));

  auto big = this->Filled(6, 4, clWhite);
  big->Canvas().StretchDraw({0, 0, 6, 4}, *src);
  TPixelImage bp = big->ToImage();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(bp.Pixel(x, y), ColorToPixel(colors[y / 2][x / 2])) << x << "," << y;

  // A fresh bitmap is transparent: drawing it changes nothing.
  auto clear = this->backend_.NewBitmap(8, 8);
  auto before = this->Filled(8, 8, clGreen);
  before->Canvas().Draw(0, 0, *clear);
  EXPECT_EQ(before->ToImage().Pixel(3, 3), ColorToPixel(clGreen));
}

TYPED_TEST_P(SeamContract, ImageListsDrawByIndex) {
  TImageList list(nullptr);
  list.SetSize(2, 2);
  const TPixel r = ColorToPixel(clRed), g = ColorToPixel(clLime), b = ColorToPixel(clBlue);
  TPixelImage strip(4, 2);
  strip.Pixels = {r, r, g, pxTransparent, r, r, b, g};
  EXPECT_EQ(list.Add(strip), 0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_THROW(list.Add(TPixelImage(3, 2, r)), EInvalidOperation);
  EXPECT_EQ(list.Count(), 2);

  auto dst = this->Filled(5, 5, clWhite);
  list.Draw(dst->Canvas(), 2, 1, 1);
  list.Draw(dst->Canvas(), 0, 0, 7);  // no such image: nothing drawn
  list.Draw(dst->Canvas(), 0, 0, -1);
  TPixelImage px = dst->ToImage();
  EXPECT_EQ(px.Pixel(2, 1), g);
  EXPECT_EQ(px.Pixel(3, 1), ColorToPixel(clWhite));  // transparent pixel of the image
  EXPECT_EQ(px.Pixel(2, 2), b);
  EXPECT_EQ(px.Pixel(3, 2), g);
  EXPECT_EQ(px.Pixel(0, 0), ColorToPixel(clWhite));
  EXPECT_EQ(px.Pixel(1, 1), ColorToPixel(clWhite));
}

TYPED_TEST_P(SeamContract, InvalidationsPaintOnceCoveringTheirUnion) {
  TSeamProbe probe(nullptr);
  auto drv = this->backend_.NewHost(probe, {200, 100});
  drv->Flush();
  probe.Events.clear();
  const TRect a{10, 10, 20, 20}, b{150, 60, 170, 80};
  drv->Host().InvalidateRect(a);
  drv->Host().InvalidateRect(b);
  EXPECT_TRUE(probe.Of("paint").empty()) << "painting must not be synchronous";
  drv->Flush();
  auto paints = probe.Of("paint");
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_TRUE(this->Covers(paints[0].Rect, a) && this->Covers(paints[0].Rect, b));
  EXPECT_TRUE(this->Covers(paints[0].Clip, a) && this->Covers(paints[0].Clip, b));
  EXPECT_TRUE(this->Covers({0, 0, 200, 100}, paints[0].Rect));
  drv->Flush();
  EXPECT_EQ(probe.Of("paint").size(), 1u) << "nothing left to paint";
}

TYPED_TEST_P(SeamContract, CaptureRoutesTheMouseOutsideTheClient) {
  TSeamProbe probe(nullptr);
  auto drv = this->backend_.NewHost(probe, {200, 100});
  drv->Flush();
  drv->MouseDown({10, 10}, mbLeft);
  EXPECT_TRUE(drv->Host().MouseCapture());
  drv->MouseMove({-15, 130});
  drv->MouseUp({250, -5}, mbLeft);
  EXPECT_FALSE(drv->Host().MouseCapture());
  probe.Events.clear();
  drv->MouseMove({300, 300});  // not captured any more: goes elsewhere
  drv->Flush();
  EXPECT_TRUE(probe.Of("move").empty());

  drv->MouseMove({20, 20});
  drv->Host().SetMouseCapture(true);
  drv->MouseMove({-40, 50});
  drv->Host().SetMouseCapture(false);
  drv->MouseMove({-60, 50});
  drv->Flush();
  auto moves = probe.Of("move");
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().Pos, (TPoint{-40, 50}));
}

TYPED_TEST_P(SeamContract, CaptureReportsPositionsAndButtons) {
  TSeamProbe probe(nullptr);
  auto drv = this->backend_.NewHost(probe, {200, 100});
  drv->Flush();
  drv->MouseDown({10, 10}, mbLeft);
  drv->MouseMove({-15, 130});
  drv->MouseUp({250, -5}, mbLeft);
  drv->Flush();
  auto moves = probe.Of("move");
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().Pos, (TPoint{-15, 130}));
  EXPECT_TRUE(moves.back().Shift.Contains(ssLeft));
  auto ups = probe.Of("up");
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].Pos, (TPoint{250, -5}));
  EXPECT_FALSE(ups[0].Shift.Contains(ssLeft));
}

TYPED_TEST_P(SeamContract, ClickCountsFollowTimeAndDistance) {
  TSeamProbe probe(nullptr);
  auto drv = this->backend_.NewHost(probe, {200, 100});
  drv->Flush();
  const unsigned t = this->backend_.DoubleClickTime();
  const int d = this->backend_.DoubleClickDistance();
  auto click = [&](TPoint p, TMouseButton b = mbLeft) {
    drv->MouseDown(p, b);
    drv->MouseUp(p, b);
  };
  click({50, 50});
  this->backend_.Pass(t / 5);
  click({50, 50});
  this->backend_.Pass(t / 5);
  click({51, 50});  // a pixel off still counts
  this->backend_.Pass(t + t / 2);
  click({50, 50});  // too late: a new series
  this->backend_.Pass(t / 5);
  click({50 + 3 * d + 3, 50});  // too far: a new series
  this->backend_.Pass(t / 5);
  click({50 + 3 * d + 3, 50}, mbRight);  // another button: a new series
  drv->Flush();
  auto downs = probe.Of("down");
  ASSERT_EQ(downs.size(), 6u);
  const int want[] = {1, 2, 3, 1, 1, 1};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(downs[i].Count, want[i]) << "press " << i;
    EXPECT_EQ(downs[i].Shift.Contains(ssDouble), want[i] >= 2) << "press " << i;
  }
}

TYPED_TEST_P(SeamContract, TimersFireInDueOrder) {
  TEventLoop& loop = this->backend_.Loop();
  std::vector<int> fired;
  std::vector<TEventLoop::TimerId> ids(4);
  auto once = [&](int i, unsigned ms) {
    ids[i] = loop.StartTimer(ms, [&, i] {
      loop.StopTimer(ids[i]);
      fired.push_back(i);
    });
  };
  once(0, 90);
  once(1, 30);
  once(2, 60);
  once(3, 150);
  loop.StopTimer(ids[3]);  // never fires
  loop.Post([&] { fired.push_back(-1); });
  this->backend_.Pass(200);
  EXPECT_EQ(fired, (std::vector<int>{-1, 1, 2, 0}));
}

TYPED_TEST_P(SeamContract, PopupWindowsStayInsideTheWorkArea) {
  TSeamProbe owner(nullptr);
  auto drv = this->backend_.NewHost(owner, {200, 100});
  drv->Flush();
  IControlHost& host = drv->Host();
  auto content = std::make_unique<TSeamProbe>(nullptr);
  TSeamProbe* probe = content.get();
  std::unique_ptr<TPopupWindow> popup = host.CreatePopupWindow(std::move(content), {pkHint});
  ASSERT_TRUE(popup);
  EXPECT_EQ(&popup->Control(), probe);
  EXPECT_FALSE(popup->Visible());

  TRect wa = host.WorkArea(host.ClientToScreen({0, 0}));
  ASSERT_FALSE(wa.IsEmpty());
  TRect shown = popup->Show({wa.Right - 50, wa.Bottom - 20, wa.Right + 150, wa.Bottom + 80});
  EXPECT_TRUE(popup->Visible());
  EXPECT_EQ(shown, (TRect{wa.Right - 200, wa.Bottom - 100, wa.Right, wa.Bottom}));
  EXPECT_EQ(popup->Bounds(), shown);
  EXPECT_EQ(popup->Host().ClientSize(), (TSize{200, 100}));
  EXPECT_EQ(popup->Host().ClientToScreen({0, 0}), (TPoint{shown.Left, shown.Top}));

  shown = popup->Show({wa.Left - 30, wa.Top - 40, wa.Left + 70, wa.Top + 10});
  EXPECT_EQ(shown, (TRect{wa.Left, wa.Top, wa.Left + 100, wa.Top + 50}));
  drv->Flush();
  EXPECT_FALSE(probe->Of("resize").empty());
  EXPECT_EQ(probe->Of("resize").back().Pos, (TPoint{100, 50}));
  popup->Hide();
  EXPECT_FALSE(popup->Visible());
}

REGISTER_TYPED_TEST_SUITE_P(SeamContract, ClipboardKeepsEveryUnitOfText,
                            ClipboardCarriesAllFormsAtOnce, ClipboardContentIsReplacedWhole,
                            ClipboardRefusesBadFormatNamesAndKeepsItsContent,
                            UnitMeasurementIsMonotonicAndSumsToTheExtent, ClipRectanglesAreHonoured,
                            BitmapsDrawOntoCanvases, ImageListsDrawByIndex,
                            InvalidationsPaintOnceCoveringTheirUnion,
                            CaptureRoutesTheMouseOutsideTheClient,
                            CaptureReportsPositionsAndButtons, ClickCountsFollowTimeAndDistance,
                            TimersFireInDueOrder, PopupWindowsStayInsideTheWorkArea);

}  // namespace synt
