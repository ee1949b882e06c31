// Popup and hint windows: borderless top-level windows that never take activation (the editor keeps
// the focus and its keys), positioned in screen coordinates and kept inside a monitor's work area.
//
//   auto list = std::make_unique<TMyList>(nullptr);
//   TMyList* items = list.get();
//   std::unique_ptr<synt::TPopupWindow> popup =
//       host.CreatePopupWindow(std::move(list), {synt::pkPopup, true, false});
//   synt::TPoint at = host.ClientToScreen({caretX, caretBottom});
//   popup->Show({at.X, at.Y, at.X + 200, at.Y + 150});   // moved inside the work area if need be
//   ...
//   popup.reset();                                       // hides it and frees the list
//
// GUI thread only. The window owns its control, whose host is the window's own host (size and
// coordinates are the window's client area).
#pragma once

#include "platform/graphics.h"

namespace synt {

class IControlHost;
class TCustomControl;

enum TPopupKind {
  pkPopup,  // a list or panel the user works in with the mouse
  pkHint,   // a hint: shown and hidden by its owner, mouse input passes to the owner
};

struct TPopupOptions {
  TPopupKind Kind = pkPopup;
  bool Shadow = true;
  bool Sizable = false;  // a frame the user may drag to resize
};

class TPopupWindow {
 public:
  virtual ~TPopupWindow() = default;
  virtual TCustomControl& Control() = 0;
  virtual IControlHost& Host() = 0;
  const TPopupOptions& Options() const { return options_; }

  // Shows the window at Bounds (screen), moved into the work area of the monitor that contains
  // Bounds' top-left corner by FitIntoWorkArea, and returns the bounds it took. Showing a visible
  // window moves it.
  virtual TRect Show(const TRect& Bounds) = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  // Screen bounds of the window (the last shown, also while hidden).
  virtual TRect Bounds() const = 0;

 protected:
  explicit TPopupWindow(const TPopupOptions& Options) : options_(Options) {}

 private:
  TPopupOptions options_;
};

// R moved, without changing its size, so that it lies inside WorkArea; a rectangle wider or higher
// than the work area keeps its left or top edge on the area's and is cut to the area's size. An
// empty rectangle stays empty.
TRect FitIntoWorkArea(const TRect& R, const TRect& WorkArea);

}  // namespace synt
