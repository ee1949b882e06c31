// The headless platform: a desktop of monitors with a manual clock, an event loop that runs when
// told, an in-memory clipboard, scripted dialogs and scripted drags; and hosts that show a control
// on it, record what the control asks of its window and feed it input the way a toolkit would.
//
//   synt::THeadlessDesktop desktop;                  // installs clock, loop and dialogs
//   TMyEditor ed(nullptr);
//   synt::THeadlessHost host(desktop, ed, {640, 480});
//   host.Focus();
//   host.Type(u"begin");
//   host.PressKey(synt::vkLeft | synt::scShift);
//   host.DoubleClick({40, 8});                       // press, release, press, release
//   desktop.Advance(600);                            // timers fire in order, then paints
//   host.Canvas().Ops();                             // what the last paint drew
//   host.Invalidations();                            // every rectangle invalidated
//
// Only one desktop should exist at a time: it installs its clock, event loop and dialog service
// for its lifetime and puts the previous ones back when destroyed. Hosts must go before their
// desktop. Everything runs on the thread that created the desktop.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/clipboard.h"
#include "platform/control.h"
#include "platform/control_host.h"
#include "platform/dialogs.h"
#include "platform/drag_drop.h"
#include "platform/event_loop.h"
#include "platform/tick.h"

namespace synt {

class THeadlessHost;
class THeadlessPopupWindow;

struct THeadlessMonitor {
  TRect Bounds;
  TRect WorkArea;
};

struct THeadlessSettings {
  unsigned DoubleClickTime = 500;
  int DoubleClickDistance = 4;  // pixels a second press may lie from the first, either axis
  unsigned CaretBlinkTime = 530;
  int DragThreshold = 4;
  int PixelsPerInch = 96;
  int CellWidth = 8;
  int CellHeight = 16;
  THeadlessPitch Pitch = THeadlessPitch::Fixed;
  std::vector<THeadlessMonitor> Monitors{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
  std::uint64_t StartTick = 1000000;
  // False: the host behaves as a window painted straight onto the screen.
  bool PaintsOffScreen = true;
};

// Drags are scripted: before a control starts one, the test says where the pointer goes.
class THeadlessDragDrop final : public TDragDrop {
 public:
  struct TStep {
    // {target, position} or {target, position, shift}.
    TStep(THeadlessHost* T = nullptr, TPoint P = {}, TShiftState S = {})
        : Target(T), Pos(P), Shift(S) {}
    THeadlessHost* Target = nullptr;  // the window under the pointer; nullptr: none
    TPoint Pos;                       // client coordinates of Target
    TShiftState Shift;
  };
  struct TRecord {
    TCustomControl* Source = nullptr;  // nullptr: a drag from another application
    TClipboardData Data;
    TDropEffects Allowed;
    std::vector<TDropEffect> Answers;  // negotiated answer of every enter, over and drop
    TDropEffect Result = deNone;
  };

  // The next StartDrag moves the pointer through Steps, then drops (Drop) or cancels. Without a
  // script a drag is cancelled at once.
  void Script(std::vector<TStep> Steps, bool Drop = true);
  TDropEffect StartDrag(TCustomControl& Source, const TClipboardData& Data,
                        TDropEffects Allowed) override;
  // A drag that comes from outside the process.
  TDropEffect DragFromOutside(const TClipboardData& Data, TDropEffects Allowed,
                              const std::vector<TStep>& Steps, bool Drop = true);
  const std::vector<TRecord>& Drags() const { return drags_; }
  bool Dragging() const { return dragging_; }

 private:
  friend class THeadlessHost;
  TDropEffect Run(TCustomControl* Source, const TClipboardData& Data, TDropEffects Allowed,
                  const std::vector<TStep>& Steps, bool Drop);
  void Forget(THeadlessHost* Host);
  std::vector<TStep> steps_;
  bool drop_ = true;
  bool dragging_ = false;
  THeadlessHost* over_ = nullptr;  // the target entered, while a drag runs
  std::vector<TRecord> drags_;
};

class THeadlessDesktop {
 public:
  explicit THeadlessDesktop(THeadlessSettings Settings = {});
  ~THeadlessDesktop();
  THeadlessDesktop(const THeadlessDesktop&) = delete;
  THeadlessDesktop& operator=(const THeadlessDesktop&) = delete;

  const THeadlessSettings& Settings() const { return settings_; }
  TManualClock& Clock() { return clock_; }
  THeadlessEventLoop& Loop() { return loop_; }
  THeadlessClipboard& Clipboard() { return clipboard_; }
  TScriptedDialogService& Dialogs() { return dialogs_; }
  THeadlessDragDrop& DragDrop() { return dragDrop_; }

  // One turn: posted work, due timers, then a paint of every visible host with an invalidated
  // area. Returns the callbacks run plus the paints made.
  int ProcessEvents();
  // Turns until nothing is left to do (at most MaxTurns turns); returns the turns taken.
  int RunUntilIdle(int MaxTurns = 10000);
  // Lets Ms pass on the clock: every timer fires at its due time, in due order (a timer of
  // interval 0 once per millisecond), each step followed by its paints.
  void Advance(std::uint64_t Ms);

  // The work area of the monitor containing ScreenPoint, or of the nearest one.
  TRect WorkArea(TPoint ScreenPoint) const;
  THeadlessHost* FocusedHost() const { return focused_; }
  THeadlessHost* CaptureHost() const { return capture_; }
  const std::vector<THeadlessHost*>& Hosts() const { return hosts_; }
  // Popup windows alive, in creation order.
  const std::vector<THeadlessPopupWindow*>& Popups() const { return popups_; }
  // The application lost the focus: the focused host loses it.
  void Deactivate();

 private:
  friend class THeadlessHost;
  friend class THeadlessPopupWindow;
  void SetFocused(THeadlessHost* Host);
  void SetCapture(THeadlessHost* Host);

  THeadlessSettings settings_;
  TManualClock clock_;
  TScopedTickClock clockScope_;
  THeadlessEventLoop loop_;
  TEventLoop* previousLoop_;
  THeadlessClipboard clipboard_;
  TScriptedDialogService dialogs_;
  TDialogServiceScope dialogsScope_;
  THeadlessDragDrop dragDrop_;
  std::vector<THeadlessHost*> hosts_;
  std::vector<THeadlessPopupWindow*> popups_;
  THeadlessHost* focused_ = nullptr;
  THeadlessHost* capture_ = nullptr;
};

class THeadlessInputMethod final : public TInputMethod {
 public:
  void SetEnabled(bool Enabled) override { enabled_ = Enabled; }
  bool Enabled() const override { return enabled_; }
  void SetCursorRect(const TRect& ClientRect) override { cursorRect_ = ClientRect; }
  TRect CursorRect() const override { return cursorRect_; }
  void Reset() override { ++resets_; }
  int Resets() const { return resets_; }

 private:
  bool enabled_ = false;
  TRect cursorRect_;
  int resets_ = 0;
};

// A window showing one control on the headless desktop. Client coordinates of the helpers are the
// control's; points outside the client area are where the pointer is when it has left the window.
class THeadlessHost final : public IControlHost {
 public:
  struct TScrollRecord {
    TRect Rect;
    int Dx = 0, Dy = 0;
  };

  // Attaches Control (which must outlive the host or detach itself by dying first), sends it
  // Resize and invalidates the whole client area.
  THeadlessHost(THeadlessDesktop& Desktop, TCustomControl& Control, TSize ClientSize,
                TPoint ScreenOrigin = {100, 100});
  // The same, owning the control.
  THeadlessHost(THeadlessDesktop& Desktop, std::unique_ptr<TCustomControl> Control,
                TSize ClientSize, TPoint ScreenOrigin = {100, 100});
  ~THeadlessHost() override;
  THeadlessHost(const THeadlessHost&) = delete;
  THeadlessHost& operator=(const THeadlessHost&) = delete;

  TCustomControl* Control() const { return control_; }
  THeadlessDesktop& Desktop() const { return desktop_; }

  // --- IControlHost
  TSize ClientSize() const override { return size_; }
  TPoint ClientToScreen(TPoint P) const override { return {P.X + origin_.X, P.Y + origin_.Y}; }
  TPoint ScreenToClient(TPoint P) const override { return {P.X - origin_.X, P.Y - origin_.Y}; }
  TRect WorkArea(TPoint ScreenPoint) const override { return desktop_.WorkArea(ScreenPoint); }
  int PixelsPerInch() const override { return desktop_.Settings().PixelsPerInch; }
  void Invalidate() override;
  void InvalidateRect(const TRect& R) override;
  void ScrollRect(const TRect& R, int Dx, int Dy) override;
  void Update() override { PaintNow(); }
  bool PaintsOffScreen() const override { return desktop_.Settings().PaintsOffScreen; }
  TCanvas& MeasureCanvas() override { return measure_; }
  void SetScrollBar(TScrollBarKind Kind, const TScrollBarInfo& Info) override;
  TScrollBarInfo ScrollBar(TScrollBarKind Kind) const override { return bars_[Kind]; }
  void SetMouseCapture(bool Capture) override;
  bool MouseCapture() const override { return desktop_.capture_ == this; }
  void SetCursor(TCursor Cursor) override;
  TCursor Cursor() const override { return cursor_; }
  TPoint CursorPos() const override { return pointer_; }
  void SetFocus() override;
  bool Focused() const override { return desktop_.focused_ == this; }
  unsigned CaretBlinkTime() const override { return desktop_.Settings().CaretBlinkTime; }
  unsigned DoubleClickTime() const override { return desktop_.Settings().DoubleClickTime; }
  int DragThreshold() const override { return desktop_.Settings().DragThreshold; }
  TClipboard& Clipboard() override { return desktop_.Clipboard(); }
  TDragDrop& DragDrop() override { return desktop_.DragDrop(); }
  TInputMethod& InputMethod() override { return inputMethod_; }
  TDialogService& Dialogs() override { return desktop_.Dialogs(); }
  void SetAcceptDrops(bool Accept) override { acceptDrops_ = Accept; }
  bool AcceptDrops() const override { return acceptDrops_; }
  std::unique_ptr<TPopupWindow> CreatePopupWindow(std::unique_ptr<TCustomControl> Content,
                                                  const TPopupOptions& Options) override;
  void ControlDetached(TCustomControl* Control) override;

  // --- the window, as a test moves it
  TPoint ScreenOrigin() const { return origin_; }
  void SetScreenOrigin(TPoint P) { origin_ = P; }
  // Resizes the client area: Resize, then the whole area invalidated.
  void SetClientSize(TSize Size);
  bool Visible() const { return visible_; }
  void SetVisible(bool V);
  // Whether SetFocus may give this window the focus (popups may not).
  bool Activatable() const { return activatable_; }
  void SetActivatable(bool V) { activatable_ = V; }

  // --- what the control asked for
  const std::vector<TRect>& Invalidations() const { return invalidations_; }
  void ClearInvalidations() { invalidations_.clear(); }
  bool PaintPending() const { return paintPending_; }
  TRect PendingUpdate() const { return pending_; }
  // Paints the pending update rectangle now on a fresh canvas; false when nothing was pending.
  // An exception thrown by the control's Paint propagates, so the test that caused it fails.
  bool PaintNow();
  // Invalidates everything and paints.
  void PaintAll();
  // The canvas of the last paint (an empty recording before the first).
  THeadlessCanvas& Canvas() { return *canvas_; }
  const std::vector<TRect>& Paints() const { return paints_; }
  const std::vector<TScrollRecord>& Scrolls() const { return scrolls_; }
  const std::vector<TCursor>& CursorChanges() const { return cursorChanges_; }
  THeadlessInputMethod& HeadlessInputMethod() { return inputMethod_; }

  // --- input, delivered the way a toolkit delivers it
  void Focus() { SetFocus(); }
  bool KeyDown(TShortCut Key);
  bool KeyUp(TShortCut Key);
  // Key down then up; returns whether the down was handled.
  bool PressKey(TShortCut Key);
  // One KeyPress per UTF-16 unit.
  void Type(std::u16string_view Text);
  // Input-method composition; false (nothing delivered) while the input method is disabled.
  bool Preedit(const TPreedit& Preedit);
  bool Commit(const std::u16string& Text);
  // Mouse. Modifiers are the keys held (ssShift, ssCtrl, ssAlt); the held buttons are tracked.
  // A press outside the client area goes elsewhere and is dropped.
  void MouseDown(TPoint P, TMouseButton Button = mbLeft, TShiftState Modifiers = {});
  void MouseMove(TPoint P, TShiftState Modifiers = {});
  void MouseUp(TPoint P, TMouseButton Button = mbLeft, TShiftState Modifiers = {});
  void Click(TPoint P, TMouseButton Button = mbLeft, TShiftState Modifiers = {});
  void DoubleClick(TPoint P, TShiftState Modifiers = {});
  bool Wheel(TPoint P, int Delta, TShiftState Modifiers = {}, bool Horizontal = false);
  void ScrollBarAction(TScrollBarKind Kind, TScrollCode Code, int Position = 0);
  TShiftState HeldButtons() const { return buttons_; }

 private:
  friend class THeadlessDesktop;
  friend class THeadlessDragDrop;
  void Init();
  TRect ClientRect() const { return {0, 0, size_.cx, size_.cy}; }
  TShiftState ShiftOf(TShiftState Modifiers) const;
  void Enter();
  void Leave();

  THeadlessDesktop& desktop_;
  TCustomControl* control_ = nullptr;
  std::unique_ptr<TCustomControl> owned_;
  TSize size_;
  TPoint origin_;
  bool visible_ = true;
  bool activatable_ = true;
  bool acceptDrops_ = false;

  std::unique_ptr<THeadlessCanvas> canvas_;
  THeadlessCanvas measure_;
  std::vector<TRect> invalidations_;
  TRect pending_;
  bool paintPending_ = false;
  std::vector<TRect> paints_;
  std::vector<TScrollRecord> scrolls_;
  TScrollBarInfo bars_[2];

  TCursor cursor_ = crDefault;
  std::vector<TCursor> cursorChanges_;
  THeadlessInputMethod inputMethod_;

  TPoint pointer_{-1, -1};
  bool pointerInside_ = false;
  TShiftState buttons_;
  bool implicitCapture_ = false;
  struct TLastPress {
    bool Valid = false;
    std::uint64_t Time = 0;
    TPoint Pos;
    TMouseButton Button = mbLeft;
    int Count = 0;
  } lastPress_;
};

// A popup window on the headless desktop: a host of its own that never takes the focus.
class THeadlessPopupWindow final : public TPopupWindow {
 public:
  THeadlessPopupWindow(THeadlessDesktop& Desktop, std::unique_ptr<TCustomControl> Content,
                       const TPopupOptions& Options);
  ~THeadlessPopupWindow() override;
  TCustomControl& Control() override { return *host_->Control(); }
  IControlHost& Host() override { return *host_; }
  THeadlessHost& HeadlessHost() { return *host_; }
  TRect Show(const TRect& Bounds) override;
  void Hide() override;
  bool Visible() const override { return host_->Visible(); }
  TRect Bounds() const override;

 private:
  THeadlessDesktop& desktop_;
  std::unique_ptr<THeadlessHost> host_;
};

}  // namespace synt
