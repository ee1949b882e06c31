#include <algorithm>

#include "platform/bitmap.h"
#include "platform/clusters.h"
#include "platform/graphics.h"

namespace synt {

namespace {

char32_t CodePointAt(std::u16string_view Text, size_t I) {
  char16_t u = Text[I];
  if (u >= 0xD800 && u <= 0xDBFF && I + 1 < Text.size() && Text[I + 1] >= 0xDC00 &&
      Text[I + 1] <= 0xDFFF)
    return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(Text[I + 1]) - 0xDC00);
  return u;
}

bool IsEastAsianWide(char32_t C) {
  return (C >= 0x1100 && C <= 0x115F) || (C >= 0x2E80 && C <= 0xA4CF) ||
         (C >= 0xAC00 && C <= 0xD7A3) || (C >= 0xF900 && C <= 0xFAFF) ||
         (C >= 0xFE30 && C <= 0xFE4F) || (C >= 0xFF00 && C <= 0xFF60) ||
         (C >= 0xFFE0 && C <= 0xFFE6) || (C >= 0x1F300 && C <= 0x1FAFF) ||
         (C >= 0x20000 && C <= 0x3FFFD);
}

}  // namespace

const TClassInfo& THeadlessCanvas::StaticClassInfo() {
  static const TClassInfo info("THeadlessCanvas", &TCanvas::StaticClassInfo());
  return info;
}

THeadlessCanvas::THeadlessCanvas(int CellWidth, int CellHeight, TRect Bounds, THeadlessPitch Pitch)
    : cellWidth_(CellWidth > 0 ? CellWidth : 8),
      cellHeight_(CellHeight > 0 ? CellHeight : 16),
      pitch_(Pitch),
      bounds_(Bounds),
      clip_(Bounds) {}

void THeadlessCanvas::SetSurface(TPixelImage* Surface) {
  surface_ = Surface;
  if (Surface) bounds_ = {0, 0, Surface->Width, Surface->Height};
  clip_ = bounds_;
}

int THeadlessCanvas::CharWidth(char32_t C) const {
  if (pitch_ == THeadlessPitch::Fixed) return cellWidth_;
  if (IsEastAsianWide(C)) return 2 * cellWidth_;
  switch (C) {
    case u'i':
    case u'l':
    case u'j':
    case u't':
    case u'f':
    case u'.':
    case u',':
    case u';':
    case u':':
    case u'\'':
    case u'!':
    case u'|':
    case u' ':
      return std::max(1, cellWidth_ / 2);
    case u'm':
    case u'w':
    case u'M':
    case u'W':
    case u'@':
      return cellWidth_ + cellWidth_ / 2;
    default:
      break;
  }
  if (C >= u'A' && C <= u'Z') return cellWidth_ + 1;
  return cellWidth_;
}

void THeadlessCanvas::MeasureUnits(std::u16string_view Text, std::vector<int>& Edges) {
  Edges.resize(Text.size() + 1);
  Edges[0] = 0;
  int x = 0;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (!ContinuesCluster(Text, i)) x += CharWidth(CodePointAt(Text, i));
    Edges[i + 1] = x;
  }
}

TSize THeadlessCanvas::TextExtent(std::u16string_view Text) {
  int x = 0;
  for (size_t i = 0; i < Text.size(); ++i)
    if (!ContinuesCluster(Text, i)) x += CharWidth(CodePointAt(Text, i));
  return {x, cellHeight_};
}

TTextMetrics THeadlessCanvas::GetTextMetrics() {
  TTextMetrics m;
  m.Height = cellHeight_;
  m.Descent = cellHeight_ / 4;
  m.Ascent = cellHeight_ - m.Descent;
  m.AveCharWidth = cellWidth_;
  m.FixedPitch = pitch_ == THeadlessPitch::Fixed;
  m.MaxCharWidth = m.FixedPitch ? cellWidth_ : 2 * cellWidth_;
  return m;
}

TCanvasOp& THeadlessCanvas::Record(TCanvasOpKind Kind) {
  TCanvasOp& op = ops_.emplace_back();
  op.Kind = Kind;
  op.Clip = clip_;
  op.FontName = Font()->Name();
  op.FontHeight = Font()->Height();
  op.FontStyle = Font()->Style();
  op.FontColor = Font()->Color();
  op.FontCharset = Font()->Charset();
  op.PenColor = Pen()->Color();
  op.PenStyle = Pen()->Style();
  op.PenWidth = Pen()->Width();
  op.BrushColor = Brush()->Color();
  op.BrushStyle = Brush()->Style();
  return op;
}

void THeadlessCanvas::Fill(const TRect& R, TColor Color) {
  if (!surface_ || Color == clNone) return;
  TRect r = R.Intersect(clip_);
  TPixel p = ColorToPixel(Color);
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) surface_->SetPixel(x, y, p);
}

void THeadlessCanvas::Blit(const TRect& Dest, const TPixelImage& Image, const TRect& Source) {
  if (!surface_ || Dest.IsEmpty() || Source.IsEmpty()) return;
  TRect r = Dest.Intersect(clip_);
  for (int y = r.Top; y < r.Bottom; ++y) {
    int sy = Source.Top + int((long long)(y - Dest.Top) * Source.Height() / Dest.Height());
    for (int x = r.Left; x < r.Right; ++x) {
      int sx = Source.Left + int((long long)(x - Dest.Left) * Source.Width() / Dest.Width());
      surface_->SetPixel(x, y, BlendPixel(surface_->Pixel(x, y), Image.Pixel(sx, sy)));
    }
  }
}

void THeadlessCanvas::LineTo(int X, int Y) {
  Record(TCanvasOpKind::LineTo).Points = {penPos_, {X, Y}};
  penPos_ = {X, Y};
}

void THeadlessCanvas::Polyline(const std::vector<TPoint>& Points) {
  Record(TCanvasOpKind::Polyline).Points = Points;
}

void THeadlessCanvas::Polygon(const std::vector<TPoint>& Points) {
  Record(TCanvasOpKind::Polygon).Points = Points;
}

void THeadlessCanvas::Rectangle(const TRect& R) {
  Record(TCanvasOpKind::Rectangle).Rect = R;
  if (Brush()->Style() != bsClear) Fill(R, Brush()->Color());
  if (Pen()->Style() != psClear && !R.IsEmpty()) {
    TColor c = Pen()->Color();
    Fill({R.Left, R.Top, R.Right, R.Top + 1}, c);
    Fill({R.Left, R.Bottom - 1, R.Right, R.Bottom}, c);
    Fill({R.Left, R.Top, R.Left + 1, R.Bottom}, c);
    Fill({R.Right - 1, R.Top, R.Right, R.Bottom}, c);
  }
}

void THeadlessCanvas::Ellipse(const TRect& R) {
  Record(TCanvasOpKind::Ellipse).Rect = R;
}

void THeadlessCanvas::FillRect(const TRect& R) {
  Record(TCanvasOpKind::FillRect).Rect = R;
  if (Brush()->Style() != bsClear) Fill(R, Brush()->Color());
}

void THeadlessCanvas::FrameRect(const TRect& R) {
  Record(TCanvasOpKind::FrameRect).Rect = R;
  if (R.IsEmpty()) return;
  TColor c = Brush()->Color();
  Fill({R.Left, R.Top, R.Right, R.Top + 1}, c);
  Fill({R.Left, R.Bottom - 1, R.Right, R.Bottom}, c);
  Fill({R.Left, R.Top, R.Left + 1, R.Bottom}, c);
  Fill({R.Right - 1, R.Top, R.Right, R.Bottom}, c);
}

void THeadlessCanvas::TextOut(int X, int Y, std::u16string_view Text) {
  TCanvasOp& op = Record(TCanvasOpKind::TextOut);
  TSize s = TextExtent(Text);
  op.Rect = {X, Y, X + s.cx, Y + s.cy};
  op.Text = std::u16string(Text);
  op.TextPos = {X, Y};
  penPos_ = {X + s.cx, Y};
}

void THeadlessCanvas::TextRect(const TRect& Clip, int X, int Y, std::u16string_view Text) {
  TCanvasOp& op = Record(TCanvasOpKind::TextRect);
  op.Rect = Clip;
  op.Text = std::u16string(Text);
  op.TextPos = {X, Y};
}

void THeadlessCanvas::DrawImage(int X, int Y, const TPixelImage& Image, const TRect& Source) {
  TRect src = Source.Intersect({0, 0, Image.Width, Image.Height});
  TCanvasOp& op = Record(TCanvasOpKind::DrawImage);
  op.Rect = {X, Y, X + src.Width(), Y + src.Height()};
  op.ImageSize = {src.Width(), src.Height()};
  Blit(op.Rect, Image, src);
}

void THeadlessCanvas::Draw(int X, int Y, const TBitmap& Bitmap) {
  StretchDraw({X, Y, X + Bitmap.Width(), Y + Bitmap.Height()}, Bitmap);
}

void THeadlessCanvas::StretchDraw(const TRect& Dest, const TBitmap& Bitmap) {
  TCanvasOp& op = Record(TCanvasOpKind::DrawImage);
  op.Rect = Dest;
  op.ImageSize = {Bitmap.Width(), Bitmap.Height()};
  if (!surface_) return;
  // A headless bitmap is read in place unless it is this canvas's own surface; another
  // backend's through a copy.
  auto* hb = dynamic_cast<const THeadlessBitmap*>(&Bitmap);
  if (hb && &hb->Pixels() != surface_)
    Blit(Dest, hb->Pixels(), {0, 0, hb->Width(), hb->Height()});
  else
    Blit(Dest, Bitmap.ToImage(), {0, 0, Bitmap.Width(), Bitmap.Height()});
}

std::unique_ptr<TBitmap> THeadlessCanvas::CreateBitmap(int Width, int Height) {
  return std::make_unique<THeadlessBitmap>(Width, Height, cellWidth_, cellHeight_, pitch_);
}

}  // namespace synt
