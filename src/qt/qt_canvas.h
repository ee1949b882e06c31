// The canvas and bitmaps of the Qt backend. TQtCanvas draws through a QPainter (a widget's, an
// image's or a printer's); without a painter it only measures, which is what a host's measuring
// canvas is. Text is measured per UTF-16 unit from the same hinted font that draws it, so caret
// placement and hit-testing use the numbers the glyphs are drawn at.
//
//   QImage img(200, 50, QImage::Format_ARGB32_Premultiplied);
//   QPainter p(&img);
//   synt::TQtCanvas c(&p, {0, 0, 200, 50});
//   c.Font()->SetName(u"Courier New");            // drawn in Liberation Mono
//   c.TextOut(4, 4, u"begin");
//   std::vector<int> x = c.MeasureUnits(u"begin");   // {0, 8, 16, 24, 32, 40}
#pragma once

#include <QFont>
#include <QImage>
#include <memory>

#include "platform/bitmap.h"
#include "platform/graphics.h"

class QPainter;

namespace synt {

namespace qt {
struct TFontEntry;
}

class TQtCanvas : public TCanvas {
 public:
  // Painter is not owned (nullptr: measuring only); Bounds is the device's area in pixels.
  explicit TQtCanvas(QPainter* Painter = nullptr, TRect Bounds = {0, 0, 100000, 100000},
                     int PixelsPerInch = 96);
  ~TQtCanvas() override;

  // Another painter (or none); the clip becomes Bounds.
  void SetPainter(QPainter* Painter, TRect Bounds);
  QPainter* Painter() const { return painter_; }
  // The Qt font the current TFont resolves to.
  QFont CurrentQFont();

  void LineTo(int X, int Y) override;
  void Polyline(const std::vector<TPoint>& Points) override;
  void Polygon(const std::vector<TPoint>& Points) override;
  void Rectangle(const TRect& R) override;
  void Ellipse(const TRect& R) override;
  void FillRect(const TRect& R) override;
  void FrameRect(const TRect& R) override;
  void TextOut(int X, int Y, std::u16string_view Text) override;
  void TextRect(const TRect& Clip, int X, int Y, std::u16string_view Text) override;
  TSize TextExtent(std::u16string_view Text) override;
  TTextMetrics GetTextMetrics() override;
  using TCanvas::MeasureUnits;
  void MeasureUnits(std::u16string_view Text, std::vector<int>& Edges) override;
  using TCanvas::DrawImage;
  void DrawImage(int X, int Y, const TPixelImage& Image, const TRect& Source) override;
  void Draw(int X, int Y, const TBitmap& Bitmap) override;
  void StretchDraw(const TRect& Dest, const TBitmap& Bitmap) override;
  std::unique_ptr<TBitmap> CreateBitmap(int Width, int Height) override;
  TRect ClipRect() const override { return clip_; }
  void SetClipRect(const TRect& R) override;

 private:
  qt::TFontEntry& FontEntry();
  // The painter ready for a stroke with the pen and fill with the brush; nullptr when nothing
  // can show (no painter, clipped away).
  QPainter* Ready(bool WithPen, bool WithBrush);
  void ApplyPenMode();
  void Line(TPoint A, TPoint B);

  QPainter* painter_;
  TRect bounds_, clip_;
  int pixelsPerInch_;
  qt::TFontEntry* font_ = nullptr;  // cached for the current TFont, owned by the font cache
  bool fontDirty_ = true;
  std::vector<int> scratch_;
};

// A bitmap in a QImage (premultiplied ARGB), drawn with a TQtCanvas.
class TQtBitmap final : public TBitmap {
 public:
  TQtBitmap(int Width, int Height, int PixelsPerInch = 96);
  ~TQtBitmap() override;
  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  void SetSize(int Width, int Height) override;
  TCanvas& Canvas() override { return *canvas_; }
  TPixelImage ToImage() const override;
  void Assign(const TPixelImage& Image) override;
  const QImage& Image() const { return image_; }

 private:
  void Begin();
  void End();
  QImage image_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<TQtCanvas> canvas_;
};

// TPixelImage <-> QImage; the QImage is a copy.
QImage ToQImage(const TPixelImage& Image);
TPixelImage FromQImage(const QImage& Image);

}  // namespace synt
