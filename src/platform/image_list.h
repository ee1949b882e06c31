// A list of images of one size, drawn by index: gutter glyphs, bookmark marks, popup-list icons.
// The images are kept as TPixelImage, so the list is the same on every backend and in tests; a
// canvas of any backend draws them.
//
//   synt::TImageList marks(nullptr);
//   marks.SetSize(16, 16);                      // before adding; clears the list
//   int book = marks.Add(bookmarkImage);        // 16 x 16, or a strip of 16 x 16 images
//   marks.Draw(canvas, 2, 40, book);            // top-left corner at (2, 40)
//   marks.Draw(canvas, 2, 56, book, false);     // greyed, as for a disabled item
#pragma once

#include <vector>

#include "platform/bitmap.h"
#include "platform/component.h"

namespace synt {

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

class TImageList : public TComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TImageList(TComponent* Owner);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Both clear the list: images of the old size no longer fit. Sizes below 1 raise
  // EInvalidOperation "Invalid image size".
  void SetWidth(int V);
  void SetHeight(int V);
  void SetSize(int Width, int Height);

  int Count() const { return int(images_.size()); }
  // A copy of image Index; raises EListError "Index <n> is out of range".
  const TPixelImage& Image(int Index) const;
  // Adds Image, which must be Height high and a multiple of Width wide (a strip is cut into
  // images left to right); returns the index of the first image added. Anything else raises
  // EInvalidOperation "Invalid image size" and adds nothing.
  int Add(const TPixelImage& Image);
  void Replace(int Index, const TPixelImage& Image);  // one image of exactly the size
  void Delete(int Index);
  void Clear();

  // Draws image Index with its top-left corner at (X, Y); disabled images are drawn greyed and
  // half transparent. An index outside the list draws nothing, so a stale index in a form or a
  // gutter object cannot fail a paint.
  void Draw(TCanvas& Canvas, int X, int Y, int Index, bool Enabled = true) const;

  TNotifyEvent OnChange;

 private:
  void Changed();
  void CheckIndex(int Index) const;
  int width_ = 16;
  int height_ = 16;
  std::vector<TPixelImage> images_;
};

}  // namespace synt
