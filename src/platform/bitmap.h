// Pixels off screen. TPixelImage is plain ARGB memory that every backend reads and writes (image
// list entries, pictures loaded from forms, read-back for tests); TBitmap is a backend surface with
// its own canvas, created by a canvas of that backend and drawn onto any canvas.
//
//   std::unique_ptr<synt::TBitmap> b = canvas.CreateBitmap(32, 16);
//   b->Canvas().Brush()->SetColor(synt::clRed);
//   b->Canvas().FillRect({0, 0, 32, 16});
//   canvas.Draw(10, 20, *b);                       // at (10, 20), 32 x 16 pixels
//   synt::TPixelImage px = b->ToImage();
//   px.Pixel(0, 0) == synt::ColorToPixel(synt::clRed);
//
// Coordinates are pixels with (0, 0) at the top-left; a bitmap and its canvas belong to the thread
// that created them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics.h"

namespace synt {

// 0xAARRGGBB, not premultiplied; alpha 0 is transparent, 0xFF opaque.
using TPixel = std::uint32_t;
constexpr TPixel pxTransparent = 0;

// The opaque pixel of a colour (system colours resolved as ColorToRGB resolves them).
TPixel ColorToPixel(TColor Color);
// The colour of a pixel; the alpha is dropped.
TColor PixelToColor(TPixel Pixel);
// Pixel Src drawn over Dst (source-over).
TPixel BlendPixel(TPixel Dst, TPixel Src);

struct TPixelImage {
  int Width = 0;
  int Height = 0;
  std::vector<TPixel> Pixels;  // row after row, top row first

  TPixelImage() = default;
  // Negative sizes count as 0.
  TPixelImage(int W, int H, TPixel Fill = pxTransparent);
  bool Empty() const { return Width <= 0 || Height <= 0; }
  // pxTransparent outside the image.
  TPixel Pixel(int X, int Y) const;
  // Ignored outside the image.
  void SetPixel(int X, int Y, TPixel P);
  // The part of the image inside R (clipped to the image).
  TPixelImage Copy(const TRect& R) const;
  bool operator==(const TPixelImage&) const = default;
};

class TBitmap {
 public:
  virtual ~TBitmap() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Resizes; the content is cleared to transparent. Negative sizes count as 0.
  virtual void SetSize(int Width, int Height) = 0;
  // The canvas that draws into the bitmap; valid while the bitmap lives, its clip reset by SetSize.
  virtual TCanvas& Canvas() = 0;
  // A copy of the pixels.
  virtual TPixelImage ToImage() const = 0;
  // Takes size and pixels from Image.
  virtual void Assign(const TPixelImage& Image) = 0;
};

// A bitmap in memory whose canvas is a recording THeadlessCanvas over its pixels, measuring text as
// the canvas that created it does.
class THeadlessBitmap final : public TBitmap {
 public:
  THeadlessBitmap(int Width, int Height, int CellWidth = 8, int CellHeight = 16,
                  THeadlessPitch Pitch = THeadlessPitch::Fixed);
  int Width() const override { return pixels_.Width; }
  int Height() const override { return pixels_.Height; }
  void SetSize(int Width, int Height) override;
  TCanvas& Canvas() override { return canvas_; }
  THeadlessCanvas& HeadlessCanvas() { return canvas_; }
  TPixelImage ToImage() const override { return pixels_; }
  void Assign(const TPixelImage& Image) override;
  const TPixelImage& Pixels() const { return pixels_; }

 private:
  TPixelImage pixels_;
  THeadlessCanvas canvas_;
};

}  // namespace synt
