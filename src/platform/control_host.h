// What a control may ask of the window that shows it. A backend widget implements IControlHost for
// the control it hosts; THeadlessHost implements it for tests.
//
//   void TMyControl::MouseDown(synt::TMouseButton b, synt::TShiftState s, int x, int y, int n) {
//     synt::IControlHost& h = *Host();
//     h.SetFocus();
//     anchor_ = {x, y};
//     dragArmed_ = true;               // a move farther than h.DragThreshold() starts the drag
//   }
//   void TMyControl::ScrollLines(int n) {
//     synt::IControlHost& h = *Host();
//     h.ScrollRect(ClientRect(), 0, -n * lineHeight_);   // moves pixels, invalidates the rest
//     h.SetScrollBar(synt::sbVertical, {0, lineCount_ - 1, visibleLines_, top_, true});
//   }
//
// Contract: GUI thread only. Client coordinates are pixels from the top-left of the client area;
// screen coordinates are pixels of the virtual desktop. Times are milliseconds. Painting is never
// synchronous with an invalidation: the host collects invalidated rectangles and later calls
// Paint once with an update rectangle that covers all of them (Update() asks for that now). Host
// and control may go in either order: a control's destructor calls ControlDetached, after which
// the host never calls it again; a host going first detaches the control (AttachHost(nullptr)).
//
// There is no system caret: a control paints its caret itself (an inverting caret is not portable)
// and blinks it with a TTimer at CaretBlinkTime(); it tells the input method where the caret is.
// Timers and posted work come from the event loop (platform/event_loop.h), not from the host.
#pragma once

#include <memory>

#include "platform/control.h"
#include "platform/popup_window.h"

namespace synt {

class TClipboard;
class TDialogService;

// Composition of text by an input method for one control.
class TInputMethod {
 public:
  virtual ~TInputMethod() = default;
  // Whether the control takes composed text (an editable text control: yes; a list: no). While
  // disabled, the input method delivers plain characters or nothing.
  virtual void SetEnabled(bool Enabled) = 0;
  virtual bool Enabled() const = 0;
  // Where the caret is, in client pixels; the candidate window opens next to it.
  virtual void SetCursorRect(const TRect& ClientRect) = 0;
  virtual TRect CursorRect() const = 0;
  // Drops a composition in progress (the caret moved away from it).
  virtual void Reset() = 0;
};

class IControlHost {
 public:
  virtual ~IControlHost() = default;

  // Geometry.
  virtual TSize ClientSize() const = 0;
  virtual TPoint ClientToScreen(TPoint P) const = 0;
  virtual TPoint ScreenToClient(TPoint P) const = 0;
  // The work area (the screen without task bars) of the monitor that contains ScreenPoint, or of
  // the nearest monitor.
  virtual TRect WorkArea(TPoint ScreenPoint) const = 0;
  // Device pixels per logical inch of the window's screen (96 at 100 %).
  virtual int PixelsPerInch() const = 0;

  // Painting.
  virtual void Invalidate() = 0;
  virtual void InvalidateRect(const TRect& R) = 0;
  // Moves the pixels inside R (client) by (Dx, Dy), clipped to R, and invalidates what the move
  // uncovered; pending invalidations inside R move with the pixels or grow to cover R.
  virtual void ScrollRect(const TRect& R, int Dx, int Dy) = 0;
  // Paints what is invalidated now.
  virtual void Update() = 0;
  // True when what Paint draws reaches the screen only once the paint is over (a back buffer), so
  // a control need not compose parts of itself off screen to keep them from flickering.
  virtual bool PaintsOffScreen() const { return true; }
  // A canvas for measuring outside painting (layout, hit-testing): same device, same metrics as the
  // canvas Paint receives. Its drawing calls have no visible effect. Valid while the host lives;
  // font, pen and brush are the caller's to set.
  virtual TCanvas& MeasureCanvas() = 0;

  // Scroll bars of the window. The host shows the settings as given; Position outside the range
  // is clamped into it.
  virtual void SetScrollBar(TScrollBarKind Kind, const TScrollBarInfo& Info) = 0;
  virtual TScrollBarInfo ScrollBar(TScrollBarKind Kind) const = 0;

  // Mouse. While captured, every mouse move and release reaches the control wherever the pointer
  // is (client coordinates may then be negative or past the client size). A press captures
  // implicitly until every button is up; SetMouseCapture captures explicitly until released.
  virtual void SetMouseCapture(bool Capture) = 0;
  virtual bool MouseCapture() const = 0;
  virtual void SetCursor(TCursor Cursor) = 0;
  virtual TCursor Cursor() const = 0;
  // Pointer position in client coordinates (may lie outside the client area).
  virtual TPoint CursorPos() const = 0;

  // Focus.
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;

  // System settings, per window (a control never changes them system-wide).
  virtual unsigned CaretBlinkTime() const = 0;  // ms per phase; 0: no blinking
  virtual unsigned DoubleClickTime() const = 0;
  virtual int DragThreshold() const = 0;  // pixels the pointer moves before a drag starts

  // Services.
  virtual TClipboard& Clipboard() = 0;
  virtual TDragDrop& DragDrop() = 0;
  virtual TInputMethod& InputMethod() = 0;
  virtual TDialogService& Dialogs() = 0;
  // Whether the control receives drop-target calls.
  virtual void SetAcceptDrops(bool Accept) = 0;
  virtual bool AcceptDrops() const = 0;
  // A top-level window that never takes activation, hosting Content, created hidden. The window is
  // owned by the caller and owns Content; it stays above this host's window.
  virtual std::unique_ptr<TPopupWindow> CreatePopupWindow(std::unique_ptr<TCustomControl> Content,
                                                          const TPopupOptions& Options) = 0;

  // The control left this host (destroyed, or attached elsewhere); the host must not call it again
  // and must not detach it again.
  virtual void ControlDetached(TCustomControl* Control) = 0;
};

}  // namespace synt
