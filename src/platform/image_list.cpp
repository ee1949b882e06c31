#include "platform/image_list.h"

#include <string>

#include "platform/properties.h"

namespace synt {

namespace {

void DescribeImageList(TPropertyList& List) {
  TPropsOf<TImageList> p(List);
  p.Integer("Height", &TImageList::Height, &TImageList::SetHeight).Def(16);
  p.Integer("Width", &TImageList::Width, &TImageList::SetWidth).Def(16);
}

TPixelImage Greyed(const TPixelImage& Image) {
  TPixelImage g = Image;
  for (TPixel& p : g.Pixels) {
    unsigned r = (p >> 16) & 0xFF, gr = (p >> 8) & 0xFF, b = p & 0xFF;
    unsigned y = (r * 299 + gr * 587 + b * 114) / 1000;
    unsigned a = (p >> 24) / 2;
    p = (a << 24) | (y << 16) | (y << 8) | y;
  }
  return g;
}

}  // namespace

const TClassInfo& TImageList::StaticClassInfo() {
  static const TClassInfo info("TImageList", &TComponent::StaticClassInfo(), DescribeImageList,
                               TClassInfo::ComponentFactory<TImageList>);
  return info;
}

TImageList::TImageList(TComponent* Owner) : TComponent(Owner) {}

void TImageList::Changed() {
  if (OnChange) OnChange(this);
}

void TImageList::SetWidth(int V) {
  SetSize(V, height_);
}
void TImageList::SetHeight(int V) {
  SetSize(width_, V);
}

void TImageList::SetSize(int Width, int Height) {
  if (Width < 1 || Height < 1) throw EInvalidOperation("Invalid image size");
  if (Width == width_ && Height == height_) return;
  width_ = Width;
  height_ = Height;
  images_.clear();
  Changed();
}

void TImageList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("Index " + std::to_string(Index) + " is out of range");
}

const TPixelImage& TImageList::Image(int Index) const {
  CheckIndex(Index);
  return images_[size_t(Index)];
}

int TImageList::Add(const TPixelImage& Image) {
  if (Image.Height != height_ || Image.Width < width_ || Image.Width % width_ != 0 ||
      Image.Pixels.size() != size_t(Image.Width) * Image.Height)
    throw EInvalidOperation("Invalid image size");
  int first = Count();
  for (int x = 0; x < Image.Width; x += width_)
    images_.push_back(Image.Copy({x, 0, x + width_, height_}));
  Changed();
  return first;
}

void TImageList::Replace(int Index, const TPixelImage& Image) {
  CheckIndex(Index);
  if (Image.Width != width_ || Image.Height != height_ ||
      Image.Pixels.size() != size_t(Image.Width) * Image.Height)
    throw EInvalidOperation("Invalid image size");
  images_[size_t(Index)] = Image;
  Changed();
}

void TImageList::Delete(int Index) {
  CheckIndex(Index);
  images_.erase(images_.begin() + Index);
  Changed();
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Changed();
}

void TImageList::Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled) const {
  if (Index < 0 || Index >= Count()) return;
  const TPixelImage& img = images_[size_t(Index)];
  if (Enabled)
    Canvas.DrawImage(X, Y, img);
  else
    Canvas.DrawImage(X, Y, Greyed(img));
}

}  // namespace synt
