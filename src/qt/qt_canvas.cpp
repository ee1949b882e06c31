#include "qt/qt_canvas.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "platform/clusters.h"
#include "qt/qt_fonts.h"

namespace synt {

namespace qt {

// A resolved font with its metrics and the advances of the first 256 units, which most code
// text is made of.
struct TFontEntry {
  QFont Font;
  QFontMetrics Metrics;
  TTextMetrics Text;
  int Advance[256];
  explicit TFontEntry(const QFont& F) : Font(F), Metrics(F) {
    for (int& a : Advance) a = -1;
    Text.Ascent = Metrics.ascent();
    Text.Descent = Metrics.descent();
    Text.Height = Text.Ascent + Text.Descent;
    Text.InternalLeading = std::max(0, Text.Height - F.pixelSize());
    Text.ExternalLeading = std::max(0, Metrics.leading());
    Text.FixedPitch = QFontInfo(F).fixedPitch();
    // A fixed-pitch font's cell is its advance; averageCharWidth may differ by a pixel.
    Text.AveCharWidth =
        Text.FixedPitch ? Metrics.horizontalAdvance(QChar(u'W')) : Metrics.averageCharWidth();
    Text.MaxCharWidth = Metrics.maxWidth();
  }
  int AdvanceOf(char16_t C) {
    if (C < 256) {
      int& a = Advance[C];
      if (a < 0) a = Metrics.horizontalAdvance(QChar(C));
      return a;
    }
    return Metrics.horizontalAdvance(QChar(C));
  }
};

namespace {

struct TFontKey {
  std::u16string Name;
  int Height, Ppi, Device;
  unsigned Style;
  int Pitch;
  bool operator==(const TFontKey&) const = default;
};
struct TFontKeyHash {
  size_t operator()(const TFontKey& k) const {
    size_t h = std::hash<std::u16string>()(k.Name);
    for (int v : {k.Height, k.Ppi, k.Device, int(k.Style), k.Pitch}) h = h * 1000003u ^ size_t(v);
    return h;
  }
};

// Fonts are resolved once per thread: a paint switches fonts at every styled run.
TFontEntry& Resolve(const TFont& F, int Device) {
  thread_local std::unordered_map<TFontKey, std::unique_ptr<TFontEntry>, TFontKeyHash> cache;
  unsigned style = 0;
  for (TFontStyle s : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
    if (F.Style().Contains(s)) style |= 1u << s;
  TFontKey key{F.Name(), F.Height(), F.PixelsPerInch(), Device, style, int(F.Pitch())};
  auto it = cache.find(key);
  if (it != cache.end()) return *it->second;
  if (cache.size() > 512) cache.clear();  // a bound for programs that invent sizes endlessly
  auto e = std::make_unique<TFontEntry>(ToQFont(F, Device));
  TFontEntry& ref = *e;
  cache.emplace(std::move(key), std::move(e));
  return ref;
}

bool Simple(std::u16string_view Text) {
  // Below the combining marks and without surrogates every unit is a cluster of its own.
  for (char16_t c : Text)
    if (c >= 0x0300) return false;
  return true;
}

QString ToQString(std::u16string_view s) {
  return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

QRect ToQRect(const TRect& R) {
  return QRect(R.Left, R.Top, R.Width(), R.Height());
}

Qt::BrushStyle ToQtBrushStyle(TBrushStyle S) {
  switch (S) {
    case bsSolid:
      return Qt::SolidPattern;
    case bsClear:
      return Qt::NoBrush;
    case bsHorizontal:
      return Qt::HorPattern;
    case bsVertical:
      return Qt::VerPattern;
    case bsFDiagonal:
      return Qt::FDiagPattern;
    case bsBDiagonal:
      return Qt::BDiagPattern;
    case bsCross:
      return Qt::CrossPattern;
    case bsDiagCross:
      return Qt::DiagCrossPattern;
  }
  return Qt::SolidPattern;
}

}  // namespace
}  // namespace qt

using namespace qt;

TQtCanvas::TQtCanvas(QPainter* Painter, TRect Bounds, int PixelsPerInch)
    : painter_(Painter), bounds_(Bounds), clip_(Bounds), pixelsPerInch_(PixelsPerInch) {
  Font()->SetPixelsPerInch(PixelsPerInch);
  Font()->OnChange = [this](TObject*) { fontDirty_ = true; };
}

TQtCanvas::~TQtCanvas() {
  Font()->OnChange = nullptr;
}

void TQtCanvas::SetPainter(QPainter* Painter, TRect Bounds) {
  painter_ = Painter;
  bounds_ = Bounds;
  clip_ = Bounds;
  if (painter_) painter_->setClipping(false);
}

TFontEntry& TQtCanvas::FontEntry() {
  if (fontDirty_ || !font_) {
    font_ = &Resolve(*Font(), pixelsPerInch_);
    fontDirty_ = false;
  }
  return *font_;
}

QFont TQtCanvas::CurrentQFont() {
  return FontEntry().Font;
}

void TQtCanvas::ApplyPenMode() {
  if (painter_->paintEngine() && !painter_->paintEngine()->hasFeature(QPaintEngine::RasterOpModes))
    return;
  switch (Pen()->Mode()) {
    case pmXor:
    case pmNotXor:
      painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      break;
    case pmNot:
      painter_->setCompositionMode(QPainter::RasterOp_NotDestination);
      break;
    default:
      painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
}

QPainter* TQtCanvas::Ready(bool WithPen, bool WithBrush) {
  if (!painter_ || clip_.IsEmpty()) return nullptr;
  if (WithPen && Pen()->Style() != psClear && Pen()->Color() != clNone && Pen()->Mode() != pmNop) {
    QPen pen(ToQColor(Pen()->Color()));
    const int w = std::max(1, Pen()->Width());
    pen.setWidth(w);
    switch (Pen()->Style()) {
      case psDash:
        pen.setStyle(Qt::DashLine);
        break;
      case psDot:
        pen.setStyle(Qt::DotLine);
        break;
      case psDashDot:
        pen.setStyle(Qt::DashDotLine);
        break;
      case psDashDotDot:
        pen.setStyle(Qt::DashDotDotLine);
        break;
      default:
        pen.setStyle(Qt::SolidLine);
    }
    pen.setCapStyle(w > 1 ? Qt::SquareCap : Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_->setPen(pen);
  } else {
    painter_->setPen(Qt::NoPen);
  }
  if (WithBrush && Brush()->Style() != bsClear && Brush()->Color() != clNone)
    painter_->setBrush(QBrush(ToQColor(Brush()->Color()), ToQtBrushStyle(Brush()->Style())));
  else
    painter_->setBrush(Qt::NoBrush);
  ApplyPenMode();
  return painter_;
}

void TQtCanvas::Line(TPoint A, TPoint B) {
  QPainter* p = Ready(true, false);
  if (!p) return;
  // The end point is not drawn, as on the platform the painter was written for: a line to
  // (x, y) and one from (x, y) then meet without overlapping.
  TPoint e = B;
  if (Pen()->Width() <= 1 && (A.X == B.X || A.Y == B.Y)) {
    if (A == B) return;
    e.X += A.X < B.X ? -1 : (A.X > B.X ? 1 : 0);
    e.Y += A.Y < B.Y ? -1 : (A.Y > B.Y ? 1 : 0);
  }
  p->drawLine(A.X, A.Y, e.X, e.Y);
}

void TQtCanvas::LineTo(int X, int Y) {
  Line(penPos_, {X, Y});
  penPos_ = {X, Y};
}

void TQtCanvas::Polyline(const std::vector<TPoint>& Points) {
  if (Points.size() < 2) return;
  QPainter* p = Ready(true, false);
  if (!p) return;
  QVector<QPoint> pts;
  pts.reserve(qsizetype(Points.size()));
  for (const TPoint& t : Points) pts.append(QPoint(t.X, t.Y));
  p->drawPolyline(pts.data(), int(pts.size()));
}

void TQtCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (Points.size() < 2) return;
  QPainter* p = Ready(true, true);
  if (!p) return;
  QVector<QPoint> pts;
  pts.reserve(qsizetype(Points.size()));
  for (const TPoint& t : Points) pts.append(QPoint(t.X, t.Y));
  p->drawPolygon(pts.data(), int(pts.size()));
}

void TQtCanvas::Rectangle(const TRect& R) {
  if (R.IsEmpty()) return;
  QPainter* p = Ready(true, true);
  if (!p) return;
  if (p->pen().style() == Qt::NoPen) {
    if (p->brush().style() != Qt::NoBrush) p->fillRect(ToQRect(R), p->brush());
    return;
  }
  // A one-pixel outline on the rectangle's own border pixels.
  p->drawRect(QRect(R.Left, R.Top, R.Width() - 1, R.Height() - 1));
}

void TQtCanvas::Ellipse(const TRect& R) {
  if (R.IsEmpty()) return;
  QPainter* p = Ready(true, true);
  if (!p) return;
  p->drawEllipse(QRect(R.Left, R.Top, R.Width() - 1, R.Height() - 1));
}

void TQtCanvas::FillRect(const TRect& R) {
  if (R.IsEmpty() || Brush()->Style() == bsClear || Brush()->Color() == clNone) return;
  QPainter* p = Ready(false, true);
  if (!p) return;
  p->fillRect(ToQRect(R), p->brush());
}

void TQtCanvas::FrameRect(const TRect& R) {
  if (R.IsEmpty() || Brush()->Color() == clNone) return;
  QPainter* p = Ready(false, false);
  if (!p) return;
  const QColor c = ToQColor(Brush()->Color());
  p->fillRect(QRect(R.Left, R.Top, R.Width(), 1), c);
  p->fillRect(QRect(R.Left, R.Bottom - 1, R.Width(), 1), c);
  p->fillRect(QRect(R.Left, R.Top, 1, R.Height()), c);
  p->fillRect(QRect(R.Right - 1, R.Top, 1, R.Height()), c);
}

void TQtCanvas::TextOut(int X, int Y, std::u16string_view Text) {
  TFontEntry& f = FontEntry();
  const TSize ext = TextExtent(Text);
  penPos_ = {X + ext.cx, Y};
  if (!painter_ || clip_.IsEmpty() || Text.empty()) return;
  if (Brush()->Style() != bsClear && Brush()->Color() != clNone)
    painter_->fillRect(QRect(X, Y, ext.cx, ext.cy), ToQColor(Brush()->Color()));
  const QColor color = ToQColor(Font()->Color());
  if (!color.isValid()) return;
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_->setFont(f.Font);
  painter_->setPen(color);
  painter_->drawText(QPoint(X, Y + f.Text.Ascent), ToQString(Text));
}

void TQtCanvas::TextRect(const TRect& Clip, int X, int Y, std::u16string_view Text) {
  const TRect saved = clip_;
  if (Brush()->Style() != bsClear) FillRect(Clip.Intersect(saved));
  SetClipRect(saved.Intersect(Clip));
  const TBrushStyle style = Brush()->Style();
  Brush()->SetStyle(bsClear);
  TextOut(X, Y, Text);
  Brush()->SetStyle(style);
  SetClipRect(saved);
}

TSize TQtCanvas::TextExtent(std::u16string_view Text) {
  TFontEntry& f = FontEntry();
  int w = 0;
  if (Simple(Text)) {
    for (char16_t c : Text) w += f.AdvanceOf(c);
  } else {
    MeasureUnits(Text, scratch_);
    w = scratch_.back();
  }
  return {w, f.Text.Height};
}

TTextMetrics TQtCanvas::GetTextMetrics() {
  return FontEntry().Text;
}

void TQtCanvas::MeasureUnits(std::u16string_view Text, std::vector<int>& Edges) {
  TFontEntry& f = FontEntry();
  Edges.assign(Text.size() + 1, 0);
  if (Simple(Text)) {
    int x = 0;
    for (size_t i = 0; i < Text.size(); ++i) Edges[i + 1] = x += f.AdvanceOf(Text[i]);
    return;
  }
  // Shaped text: the layout's cursor positions at cluster starts; a unit inside a cluster ends
  // where the cluster ends.
  QTextLayout layout(ToQString(Text), f.Font);
  QTextOption opt;
  opt.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(opt);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  if (!line.isValid()) return;
  const int total = int(std::lround(line.naturalTextWidth()));
  int last = 0;
  size_t i = 0;
  while (i < Text.size()) {
    size_t end = i + 1;
    while (end < Text.size() && ContinuesCluster(Text, end)) ++end;
    int x = end < Text.size() ? int(std::lround(line.cursorToX(int(end)))) : total;
    x = std::clamp(x, last, std::max(last, total));
    for (size_t k = i + 1; k <= end; ++k) Edges[k] = x;
    last = x;
    i = end;
  }
}

void TQtCanvas::DrawImage(int X, int Y, const TPixelImage& Image, const TRect& Source) {
  if (Image.Empty()) return;
  const TRect src = Source.Intersect({0, 0, Image.Width, Image.Height});
  if (src.IsEmpty()) return;
  QPainter* p = Ready(false, false);
  if (!p) return;
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  const QImage img(reinterpret_cast<const uchar*>(Image.Pixels.data()), Image.Width, Image.Height,
                   Image.Width * 4, QImage::Format_ARGB32);
  p->drawImage(QPoint(X, Y), img, ToQRect(src));
}

void TQtCanvas::Draw(int X, int Y, const TBitmap& Bitmap) {
  QPainter* p = Ready(false, false);
  if (!p) return;
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (auto* q = dynamic_cast<const TQtBitmap*>(&Bitmap))
    p->drawImage(QPoint(X, Y), q->Image());
  else
    p->drawImage(QPoint(X, Y), ToQImage(Bitmap.ToImage()));
}

void TQtCanvas::StretchDraw(const TRect& Dest, const TBitmap& Bitmap) {
  if (Dest.IsEmpty()) return;
  QPainter* p = Ready(false, false);
  if (!p) return;
  p->setCompositionMode(QPainter::CompositionMode_SourceOver);
  p->setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (auto* q = dynamic_cast<const TQtBitmap*>(&Bitmap))
    p->drawImage(ToQRect(Dest), q->Image());
  else
    p->drawImage(ToQRect(Dest), ToQImage(Bitmap.ToImage()));
}

std::unique_ptr<TBitmap> TQtCanvas::CreateBitmap(int Width, int Height) {
  return std::make_unique<TQtBitmap>(Width, Height, pixelsPerInch_);
}

void TQtCanvas::SetClipRect(const TRect& R) {
  clip_ = R.Intersect(bounds_);
  if (painter_ && !clip_.IsEmpty()) painter_->setClipRect(ToQRect(clip_), Qt::ReplaceClip);
}

// ---- Bitmaps ----------------------------------------------------------------------------------

TQtBitmap::TQtBitmap(int Width, int Height, int PixelsPerInch)
    : painter_(std::make_unique<QPainter>()),
      canvas_(std::make_unique<TQtCanvas>(nullptr, TRect{}, PixelsPerInch)) {
  SetSize(Width, Height);
}

TQtBitmap::~TQtBitmap() {
  End();
}

void TQtBitmap::End() {
  if (painter_->isActive()) painter_->end();
  canvas_->SetPainter(nullptr, {0, 0, 0, 0});
}

void TQtBitmap::Begin() {
  const TRect bounds{0, 0, image_.width(), image_.height()};
  if (!image_.isNull() && painter_->begin(&image_)) {
    canvas_->SetPainter(painter_.get(), bounds);
  } else {
    canvas_->SetPainter(nullptr, bounds);
  }
}

void TQtBitmap::SetSize(int Width, int Height) {
  End();
  image_ = QImage(std::max(0, Width), std::max(0, Height), QImage::Format_ARGB32_Premultiplied);
  if (!image_.isNull()) image_.fill(Qt::transparent);
  Begin();
}

TPixelImage TQtBitmap::ToImage() const {
  return FromQImage(image_);
}

void TQtBitmap::Assign(const TPixelImage& Image) {
  End();
  image_ = ToQImage(Image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  Begin();
}

QImage ToQImage(const TPixelImage& Image) {
  if (Image.Empty()) return {};
  QImage img(Image.Width, Image.Height, QImage::Format_ARGB32);
  for (int y = 0; y < Image.Height; ++y)
    std::copy_n(Image.Pixels.data() + size_t(y) * size_t(Image.Width), Image.Width,
                reinterpret_cast<QRgb*>(img.scanLine(y)));
  return img;
}

TPixelImage FromQImage(const QImage& Image) {
  if (Image.isNull()) return {};
  const QImage img = Image.convertToFormat(QImage::Format_ARGB32);
  TPixelImage out(img.width(), img.height());
  for (int y = 0; y < img.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    std::copy_n(row, img.width(), out.Pixels.data() + size_t(y) * size_t(img.width()));
  }
  return out;
}

}  // namespace synt
