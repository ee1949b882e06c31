#include "platform/popup_window.h"

#include <algorithm>

namespace synt {

TRect FitIntoWorkArea(const TRect& R, const TRect& WorkArea) {
  if (R.IsEmpty()) return R;
  int w = std::min(R.Width(), WorkArea.Width());
  int h = std::min(R.Height(), WorkArea.Height());
  int x = std::clamp(R.Left, WorkArea.Left, std::max(WorkArea.Left, WorkArea.Right - w));
  int y = std::clamp(R.Top, WorkArea.Top, std::max(WorkArea.Top, WorkArea.Bottom - h));
  return {x, y, x + w, y + h};
}

}  // namespace synt
