#include "platform/bitmap.h"

#include <algorithm>

namespace synt {

TPixel ColorToPixel(TColor Color) {
  uint32_t bgr = ColorToRGB(Color);
  return 0xFF000000u | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

TColor PixelToColor(TPixel Pixel) {
  return TColor(((Pixel & 0xFF) << 16) | (Pixel & 0xFF00) | ((Pixel >> 16) & 0xFF));
}

TPixel BlendPixel(TPixel Dst, TPixel Src) {
  unsigned sa = Src >> 24;
  if (sa == 0xFF) return Src;
  if (sa == 0) return Dst;
  unsigned da = Dst >> 24;
  // Straight alpha: out = src * sa + dst * da * (1 - sa), normalised by the resulting alpha.
  unsigned oa = sa + da * (255 - sa) / 255;
  if (oa == 0) return pxTransparent;
  auto channel = [&](int shift) {
    unsigned s = (Src >> shift) & 0xFF, d = (Dst >> shift) & 0xFF;
    return ((s * sa + d * da * (255 - sa) / 255) / oa) & 0xFF;
  };
  return (oa << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

TPixelImage::TPixelImage(int W, int H, TPixel Fill)
    : Width(std::max(W, 0)), Height(std::max(H, 0)), Pixels(size_t(Width) * Height, Fill) {}

TPixel TPixelImage::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= Width || Y >= Height) return pxTransparent;
  size_t i = size_t(Y) * Width + X;
  return i < Pixels.size() ? Pixels[i] : pxTransparent;
}

void TPixelImage::SetPixel(int X, int Y, TPixel P) {
  if (X < 0 || Y < 0 || X >= Width || Y >= Height) return;
  size_t i = size_t(Y) * Width + X;
  if (i < Pixels.size()) Pixels[i] = P;
}

TPixelImage TPixelImage::Copy(const TRect& R) const {
  TRect r = R.Intersect({0, 0, Width, Height});
  TPixelImage out(r.Width(), r.Height());
  for (int y = 0; y < out.Height; ++y)
    for (int x = 0; x < out.Width; ++x) out.SetPixel(x, y, Pixel(r.Left + x, r.Top + y));
  return out;
}

THeadlessBitmap::THeadlessBitmap(int Width, int Height, int CellWidth, int CellHeight,
                                 THeadlessPitch Pitch)
    : pixels_(Width, Height), canvas_(CellWidth, CellHeight, {0, 0, 0, 0}, Pitch) {
  canvas_.SetSurface(&pixels_);
}

void THeadlessBitmap::SetSize(int Width, int Height) {
  pixels_ = TPixelImage(Width, Height);
  canvas_.SetSurface(&pixels_);
}

void THeadlessBitmap::Assign(const TPixelImage& Image) {
  // The fields are public, so a size that disagrees with the pixel count is taken as far as it
  // goes.
  pixels_ = TPixelImage(Image.Width, Image.Height);
  size_t n = std::min(pixels_.Pixels.size(), Image.Pixels.size());
  std::copy_n(Image.Pixels.begin(), n, pixels_.Pixels.begin());
  canvas_.SetSurface(&pixels_);
}

}  // namespace synt
