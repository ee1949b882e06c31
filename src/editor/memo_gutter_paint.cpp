// Painting the gutter: bands with the line-state colour, the line number, the objects' images, the
// fold line and the expand buttons of one line; the empty gutter below the text; the separator;
// and the animation frame over the window.
#include <algorithm>
#include <cmath>

#include "editor/memo_gutter.h"
#include "editor/syntax_memo.h"
#include "platform/control_host.h"

namespace synt {

namespace {

TColor Mix(TColor From, TColor To, int Step, int Steps) {
  const uint32_t a = ColorToRGB(From), b = ColorToRGB(To);
  auto ch = [&](int Shift) {
    const int x = int((a >> Shift) & 0xFF), y = int((b >> Shift) & 0xFF);
    return uint32_t(x + (y - x) * Step / std::max(1, Steps)) << Shift;
  };
  return TColor(ch(0) | ch(8) | ch(16));
}

void VLine(TCanvas& C, int X, int Top, int Bottom, TColor Color) {
  C.Pen()->SetStyle(psSolid);
  C.Pen()->SetWidth(1);
  C.Pen()->SetColor(Color);
  C.MoveTo(X, Top);
  C.LineTo(X, Bottom);
}

// One half of a button picture with its key colour (the bottom-left pixel) made transparent.
TPixelImage ButtonHalf(const TPixelImage& Buttons, bool Collapsed) {
  const int w = Buttons.Width / 2;
  TPixelImage half = Buttons.Copy({Collapsed ? w : 0, 0, Collapsed ? 2 * w : w, Buttons.Height});
  const TPixel key = Buttons.Pixel(0, Buttons.Height - 1);
  for (TPixel& p : half.Pixels)
    if (p == key) p = pxTransparent;
  return half;
}

}  // namespace

void TMemoGutterPart::PaintBand(TCanvas& Canvas, int Index, int Left, int Top, int Bottom,
                                TColor Color) {
  const TGutterBand& b = *gutter_->Bands()->Items(Index);
  const int width = gutter_->Width();
  const int right = std::min(Left + b.Width(), width);
  if (b.Gradient()) {
    const int span = right - Left;
    for (int k = 0; k < span; ++k) {
      Canvas.Brush()->SetColor(Mix(Color, b.GradientRight(), k, std::max(1, span - 1)));
      Canvas.FillRect({Left + k, Top, Left + k + 1, Bottom});
    }
  } else {
    Canvas.Brush()->SetColor(Color);
    Canvas.FillRect({Left, Top, right, Bottom});
  }
  if (b.LeftBound() != clNone) VLine(Canvas, Left, Top, Bottom, b.LeftBound());
  if (b.RightBound() != clNone && Left + b.Width() <= width)
    VLine(Canvas, Left + b.Width() - 1, Top, Bottom, b.RightBound());
}

// Line -1: every band in its own colour. With bandsFilled_ only the change-state band of a line
// whose state has a colour of its own.
void TMemoGutterPart::PaintBands(TCanvas& Canvas, int Top, int Bottom, int Line) {
  const TGutter& g = *gutter_;
  const int width = g.Width();
  const TGutterBands& bands = *g.Bands();
  Canvas.Brush()->SetStyle(bsSolid);
  int x = 0;
  for (int i = 0; i < bands.Count() && x < width; ++i) {
    const TGutterBand& b = *bands.Items(i);
    if (b.Width() <= 0) continue;
    const TColor base = b.Color() != clNone ? b.Color() : g.Color();
    TColor color = base;
    if (Line >= 0 && i == lineStateDisplay_->Band()) {
      const TColor state = lineStateDisplay_->StateColor(int(Memo().Lines()->LineState(Line)));
      if (state != clNone) color = state;
    }
    if (!bandsFilled_ || color != base) PaintBand(Canvas, i, x, Top, Bottom, color);
    x += b.Width();
  }
  if (x < width && !bandsFilled_) {
    Canvas.Brush()->SetColor(g.Color());
    Canvas.FillRect({x, Top, width, Bottom});
  }
}

void TMemoGutterPart::PaintNumber(TCanvas& Canvas, const TGutterLineSpan& Span, bool Yield) {
  const TLineNumbers& ln = *lineNumbers_;
  if (!ln.Visible()) return;
  if (Yield && ln.UnderColor() == clNone) return;
  const std::u16string text = LineNumberText(Span.Line);
  if (text.empty()) return;
  Canvas.Font()->Assign(ln.Font());
  if (Yield) Canvas.Font()->SetColor(ln.UnderColor());
  const TSize ext = Canvas.TextExtent(text);
  const TRect band = BandBounds(ln.Band());
  int x = band.Right - ln.Margin() - ext.cx;
  if (ln.Alignment() == taLeftJustify) x = band.Left + ln.Margin();
  if (ln.Alignment() == taCenter) x = (band.Left + band.Right - ext.cx) / 2;
  int y = (Span.Top + Span.Bottom - ext.cy) / 2;
  if (ln.VertAlignment() == vaTop) y = Span.Top;
  if (ln.VertAlignment() == vaBottom) y = Span.Bottom - ext.cy;
  Canvas.Brush()->SetStyle(bsClear);
  Canvas.TextOut(x, y, text);
  Canvas.Brush()->SetStyle(bsSolid);
}

void TMemoGutterPart::PaintObjects(TCanvas& Canvas, const TGutterLineSpan&,
                                   const TGutterLineObjects& List) {
  for (const TGutterLineObject& it : List.Items()) {
    const TCustomGutterObject& o = *it.Object;
    const TImageList* images = o.ImageList() ? o.ImageList() : gutter_->Images();
    if (!images || it.Rect.IsEmpty()) continue;
    if (it.SubLine == -2) {
      for (const TRect& r : it.RowRects) images->Draw(Canvas, r.Left, r.Top, o.ImageIndex());
    } else {
      images->Draw(Canvas, it.Rect.Left, it.Rect.Top, o.ImageIndex());
    }
  }
}

void TMemoGutterPart::PaintFold(TCanvas& Canvas, const TGutterLineSpan& Span, int FoldState) {
  const TGutter& g = *gutter_;
  const TRect button = ExpandButtonRect(Span.Top, Span.Bottom);
  if (g.ShowCollapseLine() && FoldState >= -2) {
    const int cx = (button.Left + button.Right) / 2;
    int top = Span.Top;
    if (FoldState >= 0) {
      // A block start joins the line above only when that line is itself inside a block.
      TCustomSyntaxMemo& m = Memo();
      const int prev = Span.Line > 0 ? m.PriorVisibleLine(Span.Line - 1) : -1;
      const int prevState = prev >= 0 ? m.GetLineState(prev) : -3;
      if (prev < 0 || (prevState != -2 && prevState != 0)) top = (Span.Top + Span.Bottom) / 2;
    }
    Canvas.Pen()->Assign(g.CollapsePen());
    Canvas.MoveTo(cx, top);
    Canvas.LineTo(cx, Span.Bottom);
    if (FoldState == -1) {
      const int y = Span.Bottom - std::max(1, g.CollapsePen()->Width());
      Canvas.MoveTo(cx, y);
      Canvas.LineTo(button.Right, y);
    }
  }
  if (FoldState != 0 && FoldState != 1) return;
  const TPixelImage& buttons = g.ExpandButtons();
  if (buttons.Empty()) {
    Canvas.Font()->Assign(Memo().Font());
    Canvas.Brush()->SetStyle(bsClear);
    Canvas.TextOut(button.Left, button.Top, FoldState == 0 ? u"-" : u"+");
    Canvas.Brush()->SetStyle(bsSolid);
    return;
  }
  if (!(buttonSource_ == buttons)) {
    buttonSource_ = buttons;
    buttonHalves_[0] = ButtonHalf(buttons, false);
    buttonHalves_[1] = ButtonHalf(buttons, true);
  }
  Canvas.DrawImage(button.Left, button.Top, buttonHalves_[FoldState]);
}

void TMemoGutterPart::PaintLineDirect(TCanvas& Canvas, const TGutterLineSpan& Span, int FoldState) {
  PaintBands(Canvas, Span.Top, Span.Bottom, Span.Line);
  TGutterLineObjects list;
  LineObjects(Span, list);
  PaintNumber(Canvas, Span, FoldState >= 0 || list.HasImages());
  PaintObjects(Canvas, Span, list);
  PaintFold(Canvas, Span, FoldState);
}

// Composing each line off screen only pays where paints go straight to the screen: a control
// that is itself double-buffered, or a host with a back buffer, shows the whole paint at once.
bool TMemoGutterPart::ComposesLinesOffScreen() const {
  const IControlHost* host = Memo().Host();
  return gutter_->DoubleBufered() && !Memo().DoubleBuffered() && host && !host->PaintsOffScreen();
}

void TMemoGutterPart::BeginPaint(TCanvas& Canvas, int Top, int Bottom) {
  bandsFilled_ = false;
  if (GutterWidth() <= 0 || Bottom <= Top || ComposesLinesOffScreen()) return;
  PaintBands(Canvas, Top, Bottom, -1);
  bandsFilled_ = true;
}

void TMemoGutterPart::PaintLine(TCanvas& Canvas, const TGutterLineSpan& Span, int FoldState) {
  const int width = GutterWidth();
  const int height = Span.Bottom - Span.Top;
  if (width <= 0 || height <= 0) return;
  if (!ComposesLinesOffScreen()) {
    PaintLineDirect(Canvas, Span, FoldState);
    return;
  }
  // Off screen first, so that a slow paint never shows a half-drawn gutter line.
  if (!buffer_ || buffer_->Width() < width || buffer_->Height() < height)
    buffer_ = Canvas.CreateBitmap(std::max(width, buffer_ ? buffer_->Width() : 0),
                                  std::max(height, buffer_ ? buffer_->Height() : 0));
  TCanvas& bc = buffer_->Canvas();
  bc.SetClipRect({0, 0, width, height});
  TGutterLineSpan local = Span;
  local.Top = 0;
  local.Bottom = height;
  PaintLineDirect(bc, local, FoldState);
  if (buffer_->Width() == width && buffer_->Height() == height) {
    Canvas.Draw(0, Span.Top, *buffer_);
  } else {
    Canvas.DrawImage(0, Span.Top, buffer_->ToImage(), {0, 0, width, height});
  }
}

void TMemoGutterPart::PaintEmpty(TCanvas& Canvas, int Top, int Bottom) {
  if (GutterWidth() <= 0 || Bottom <= Top || bandsFilled_) return;
  PaintBands(Canvas, Top, Bottom, -1);
}

void TMemoGutterPart::PaintSeparator(TCanvas& Canvas, int Top, int Bottom) {
  const int width = GutterWidth();
  if (width <= 0 || !gutter_->ShowSeparator()) return;
  VLine(Canvas, width - 1, Top, Bottom, gutter_->SeparatorColor());
  if (width >= 2) VLine(Canvas, width - 2, Top, Bottom, Memo().Color());
}

// ---- The animation frame ------------------------------------------------------------------------

void TMemoGutterPart::PaintOverlay(TCanvas& Canvas, const TRect& /*UpdateRect*/) {
  if (!Animating()) return;
  // Every paint draws the frame again over what it painted, so other repaints (the caret, a
  // finished analysis) leave it alone; a scrolled view would leave it at the wrong place.
  TCustomSyntaxMemo& m = Memo();
  if (m.TopDisplayLine() != animTop_ || m.LeftCol() != animLeft_) {
    animTimer_.SetEnabled(false);
    return;
  }
  DrawFrame(Canvas);
}

void TMemoGutterPart::DrawFrame(TCanvas& Canvas) {
  const int r = animRadius_;
  if (r <= 0) return;
  const int cx = animCenter_.X, cy = animCenter_.Y;
  Canvas.Pen()->SetStyle(psSolid);
  Canvas.Pen()->SetWidth(1);
  Canvas.Pen()->SetColor(clBlack);
  Canvas.Brush()->SetStyle(bsClear);
  switch (animType_) {
    case atCircle:
      Canvas.Ellipse({cx - r, cy - r, cx + r, cy + r});
      break;
    case atRect:
      Canvas.Rectangle({cx - r, cy - r, cx + r, cy + r});
      break;
    case atRoundRect: {
      // Corners of radius r / 4 (a corner size of r / 2), as a polyline of quarter arcs.
      const int k = std::max(1, r / 4);
      std::vector<TPoint> pts;
      const TPoint corners[4] = {{cx + r - k, cy - r + k},
                                 {cx + r - k, cy + r - k},
                                 {cx - r + k, cy + r - k},
                                 {cx - r + k, cy - r + k}};
      for (int q = 0; q < 4; ++q)
        for (int s = 0; s <= 4; ++s) {
          const double a = (q - 1 + s / 4.0) * 3.14159265358979 / 2;
          pts.push_back({corners[q].X + int(std::lround(k * std::cos(a))),
                         corners[q].Y + int(std::lround(k * std::sin(a)))});
        }
      pts.push_back(pts.front());
      Canvas.Polyline(pts);
      break;
    }
    case atEllipse:
      Canvas.Ellipse({cx - r, cy - r + r / 2, cx + r, cy + r - r / 2});
      break;
    case atCustom:
      if (Memo().OnAnimate) Memo().OnAnimate(&Memo(), animCenter_, r);
      break;
    case atNone:
      break;
  }
  Canvas.Brush()->SetStyle(bsSolid);
}

}  // namespace synt
