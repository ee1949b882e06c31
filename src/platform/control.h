// The core control: a component that paints on an abstract canvas and takes its input as plain
// calls, whatever window shows it. A backend widget (or THeadlessHost in tests) owns the window,
// implements IControlHost and forwards its events here; the control reaches its window only
// through Host().
//
//   class TTicker : public synt::TCustomControl {
//    public:
//     using TCustomControl::TCustomControl;
//     void Paint(synt::TCanvas& c, const synt::TRect& update) override {
//       c.TextOut(2, 2, text_);
//     }
//     bool KeyPress(char16_t ch) override {
//       text_ += ch;
//       Invalidate();
//       return true;
//     }
//    private:
//     std::u16string text_;
//   };
//
//   synt::THeadlessDesktop desktop;
//   TTicker t(nullptr);
//   synt::THeadlessHost host(desktop, t, {200, 40});   // attaches itself
//   host.Type(u"ok");
//   desktop.ProcessEvents();                            // paints what was invalidated
//
// Contract of the input calls: GUI thread only; X and Y are client pixels (0, 0 at the top-left of
// the client area, the area the control paints), and may lie outside the client area while the
// mouse is captured; Shift holds the modifier keys and the mouse buttons down at the time of the
// call (a press includes its button, a release excludes it). A control is told about its host
// through AttachHost; without a host the convenience calls below do nothing.
#pragma once

#include <string>

#include "platform/component.h"
#include "platform/drag_drop.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/shortcut.h"

namespace synt {

class IControlHost;

enum TCursor {
  crDefault,  // whatever the window under the pointer shows by default
  crArrow,
  crIBeam,
  crHandPoint,
  crCross,
  crSizeNS,
  crSizeWE,
  crSizeAll,
  crHSplit,
  crVSplit,
  crDrag,
  crNo,
  crHourGlass,
  crNone,  // no cursor (hidden while typing)
};

enum TScrollBarKind { sbHorizontal, sbVertical };

// A scroll bar's settings: the range Min..Max, the page (the thumb's size in range units), the
// position (the thumb's start, Min..Max - Page + 1) and whether the bar is shown.
struct TScrollBarInfo {
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Position = 0;
  bool Visible = false;
  bool operator==(const TScrollBarInfo&) const = default;
};

// What the user did to a scroll bar. scTrack comes while the thumb is dragged, scPosition when it
// is let go, scEndScroll after any action.
enum TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};

// How a part of the preedit text of an input method is shown.
enum TPreeditStyle {
  imRaw,        // typed, not converted yet
  imConverted,  // converted
  imTarget,     // the part being converted now
};
struct TPreeditSegment {
  int Start = 0;  // units of Text
  int Length = 0;
  TPreeditStyle Style = imRaw;
  bool operator==(const TPreeditSegment&) const = default;
};
// The composition in progress: shown at the caret, not part of the text until committed. An empty
// Text ends the composition without committing anything.
struct TPreedit {
  std::u16string Text;
  int Caret = 0;  // units of Text
  std::vector<TPreeditSegment> Segments;
  bool operator==(const TPreedit&) const = default;
};

class TCustomControl : public TComponent {
  SYNT_CLASS_INFO()

 public:
  explicit TCustomControl(TComponent* Owner);
  // Tells the host, which stops calling it.
  ~TCustomControl() override;

  IControlHost* Host() const { return host_; }
  // Called by a host when it takes the control (nullptr: it lets go). A control has at most one
  // host; attaching to another detaches from the first.
  void AttachHost(IControlHost* Host);

  // Conveniences over the host; without one: size 0 x 0, not focused, nothing done.
  TSize ClientSize() const;
  TRect ClientRect() const;
  bool Focused() const;
  void Invalidate();
  void InvalidateRect(const TRect& R);

  // Keys. Key is a shortcut word (virtual key in the low 8 bits, scShift, scCtrl, scAlt). A key
  // that produces a character comes as KeyDown, then KeyPress with the UTF-16 unit (twice for a
  // character outside the BMP), then KeyUp. Return true when handled; the host gives unhandled
  // keys to the window (Tab moves the focus).
  virtual bool KeyDown(TShortCut Key) { return false; }
  virtual bool KeyUp(TShortCut Key) { return false; }
  virtual bool KeyPress(char16_t Ch) { return false; }
  // Input-method composition, only while the host's input method is enabled for this control.
  virtual void InputMethodPreedit(const TPreedit& Preedit) {}
  virtual void InputMethodCommit(const std::u16string& Text) {}

  // Mouse. ClickCount is 1 for a plain press, and grows by one for each press of the same button
  // that follows the previous press within the double-click time and distance (2: double click,
  // 3: triple click, ...). While a button is down the host captures the mouse for the control.
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y, int ClickCount) {}
  virtual void MouseMove(TShiftState Shift, int X, int Y) {}
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {}
  // Delta in eighths of a degree: 120 per notch, positive away from the user (up, or left when
  // Horizontal). Return true when handled.
  virtual bool MouseWheel(TShiftState Shift, int Delta, int X, int Y, bool Horizontal) {
    return false;
  }
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  // The capture ended without the control releasing it (another window took it).
  virtual void CaptureLost() {}

  virtual void FocusIn() {}
  virtual void FocusOut() {}
  // The client size changed; read it from the host.
  virtual void Resize() {}
  // Paints the part of the client area in UpdateRect (the canvas is clipped to it). The canvas is
  // the host's and valid during the call only.
  virtual void Paint(TCanvas& Canvas, const TRect& UpdateRect) {}
  // A scroll bar of the host was used. Position is the thumb position for scTrack and scPosition.
  virtual void Scroll(TScrollBarKind Kind, TScrollCode Code, int Position) {}

  // Drop target calls (see platform/drag_drop.h), only while the host accepts drops. The answer is
  // the effect a drop here would have.
  virtual TDropEffect DragEnter(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                                TDropEffects Allowed) {
    return deNone;
  }
  virtual TDropEffect DragOver(TShiftState Shift, int X, int Y, TDropEffects Allowed) {
    return deNone;
  }
  virtual void DragLeave() {}
  virtual TDropEffect Drop(const TClipboardData& Data, TShiftState Shift, int X, int Y,
                           TDropEffects Allowed) {
    return deNone;
  }

 protected:
  // After AttachHost changed the host (Host() may be nullptr).
  virtual void HostChanged() {}

 private:
  IControlHost* host_ = nullptr;
};

}  // namespace synt
