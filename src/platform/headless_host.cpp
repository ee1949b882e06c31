#include "platform/headless_host.h"

#include <algorithm>
#include <cstdlib>

namespace synt {

// --- desktop -----------------------------------------------------------------------------------

THeadlessDesktop::THeadlessDesktop(THeadlessSettings Settings)
    : settings_(std::move(Settings)),
      clock_(settings_.StartTick),
      clockScope_(clock_),
      previousLoop_(&EventLoop()),
      dialogsScope_(&dialogs_) {
  if (settings_.Monitors.empty()) settings_.Monitors.push_back({});
  SetEventLoop(&loop_);
}

THeadlessDesktop::~THeadlessDesktop() {
  SetEventLoop(previousLoop_);
}

int THeadlessDesktop::ProcessEvents() {
  int n = loop_.ProcessEvents();
  // By index: a paint may create or destroy hosts.
  for (size_t i = 0; i < hosts_.size(); ++i)
    if (hosts_[i]->PaintNow()) ++n;
  return n;
}

int THeadlessDesktop::RunUntilIdle(int MaxTurns) {
  int turns = 0;
  while (turns < MaxTurns && ProcessEvents() > 0) ++turns;
  return turns;
}

void THeadlessDesktop::Advance(std::uint64_t Ms) {
  std::uint64_t left = Ms;
  for (;;) {
    ProcessEvents();
    std::int64_t next = loop_.NextTimerDelay();
    if (next < 0 || std::uint64_t(next) > left) break;
    // A timer of interval 0 is due at once again; time must still move.
    std::uint64_t step = next == 0 ? 1 : std::uint64_t(next);
    if (step > left) break;
    clock_.Advance(step);
    left -= step;
  }
  clock_.Advance(left);
  ProcessEvents();
}

TRect THeadlessDesktop::WorkArea(TPoint P) const {
  const THeadlessMonitor* best = &settings_.Monitors.front();
  long long bestDist = -1;
  for (const THeadlessMonitor& m : settings_.Monitors) {
    if (m.Bounds.Contains(P)) return m.WorkArea;
    long long dx = P.X < m.Bounds.Left     ? m.Bounds.Left - P.X
                   : P.X >= m.Bounds.Right ? P.X - m.Bounds.Right + 1
                                           : 0;
    long long dy = P.Y < m.Bounds.Top       ? m.Bounds.Top - P.Y
                   : P.Y >= m.Bounds.Bottom ? P.Y - m.Bounds.Bottom + 1
                                            : 0;
    long long d = dx * dx + dy * dy;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = &m;
    }
  }
  return best->WorkArea;
}

void THeadlessDesktop::Deactivate() {
  SetFocused(nullptr);
}

void THeadlessDesktop::SetFocused(THeadlessHost* Host) {
  if (Host == focused_) return;
  THeadlessHost* old = focused_;
  focused_ = Host;
  if (old && old->control_) old->control_->FocusOut();
  if (Host && Host->control_ && focused_ == Host) Host->control_->FocusIn();
}

void THeadlessDesktop::SetCapture(THeadlessHost* Host) {
  if (Host == capture_) return;
  THeadlessHost* old = capture_;
  capture_ = Host;
  if (old) {
    old->implicitCapture_ = false;
    if (old->control_) old->control_->CaptureLost();
  }
}

// --- drag and drop -----------------------------------------------------------------------------

void THeadlessDragDrop::Script(std::vector<TStep> Steps, bool Drop) {
  steps_ = std::move(Steps);
  drop_ = Drop;
}

TDropEffect THeadlessDragDrop::StartDrag(TCustomControl& Source, const TClipboardData& Data,
                                         TDropEffects Allowed) {
  std::vector<TStep> steps = std::move(steps_);
  steps_.clear();
  bool drop = drop_;
  drop_ = true;
  return Run(&Source, Data, Allowed, steps, drop);
}

TDropEffect THeadlessDragDrop::DragFromOutside(const TClipboardData& Data, TDropEffects Allowed,
                                               const std::vector<TStep>& Steps, bool Drop) {
  return Run(nullptr, Data, Allowed, Steps, Drop);
}

void THeadlessDragDrop::Forget(THeadlessHost* Host) {
  if (over_ == Host) over_ = nullptr;
  for (TStep& s : steps_)
    if (s.Target == Host) s.Target = nullptr;
}

TDropEffect THeadlessDragDrop::Run(TCustomControl* Source, const TClipboardData& Data,
                                   TDropEffects Allowed, const std::vector<TStep>& Steps,
                                   bool Drop) {
  CheckClipboardData(Data);
  // A toolkit runs one drag at a time; a drag started from inside a drop handler is refused.
  if (dragging_) return deNone;
  dragging_ = true;
  TRecord rec{Source, Data, Allowed, {}, deNone};
  auto target = [](THeadlessHost* h) {
    return h && h->control_ && h->acceptDrops_ && h->visible_ ? h : nullptr;
  };
  TDropEffect last = deNone;
  over_ = nullptr;
  try {
    for (const TStep& s : Steps) {
      THeadlessHost* t = target(s.Target);
      if (t != over_) {
        if (over_) over_->control_->DragLeave();
        over_ = t;
        last = deNone;
        if (t)
          last = NegotiateDropEffect(
              t->control_->DragEnter(Data, s.Shift, s.Pos.X, s.Pos.Y, Allowed), Allowed);
      } else if (t) {
        last =
            NegotiateDropEffect(t->control_->DragOver(s.Shift, s.Pos.X, s.Pos.Y, Allowed), Allowed);
      }
      if (t) rec.Answers.push_back(last);
    }
    THeadlessHost* t = over_;
    if (t && Drop && last != deNone && !Steps.empty()) {
      const TStep& s = Steps.back();
      rec.Result =
          NegotiateDropEffect(t->control_->Drop(Data, s.Shift, s.Pos.X, s.Pos.Y, Allowed), Allowed);
      rec.Answers.push_back(rec.Result);
    } else if (t) {
      t->control_->DragLeave();
    }
  } catch (...) {
    over_ = nullptr;
    dragging_ = false;
    throw;
  }
  over_ = nullptr;
  dragging_ = false;
  drags_.push_back(rec);
  return rec.Result;
}

// --- host --------------------------------------------------------------------------------------

THeadlessHost::THeadlessHost(THeadlessDesktop& Desktop, TCustomControl& Control, TSize ClientSize,
                             TPoint ScreenOrigin)
    : desktop_(Desktop),
      control_(&Control),
      size_(ClientSize),
      origin_(ScreenOrigin),
      measure_(Desktop.Settings().CellWidth, Desktop.Settings().CellHeight, {0, 0, 10000, 10000},
               Desktop.Settings().Pitch) {
  Init();
}

THeadlessHost::THeadlessHost(THeadlessDesktop& Desktop, std::unique_ptr<TCustomControl> Control,
                             TSize ClientSize, TPoint ScreenOrigin)
    : desktop_(Desktop),
      control_(Control.get()),
      owned_(std::move(Control)),
      size_(ClientSize),
      origin_(ScreenOrigin),
      measure_(Desktop.Settings().CellWidth, Desktop.Settings().CellHeight, {0, 0, 10000, 10000},
               Desktop.Settings().Pitch) {
  Init();
}

void THeadlessHost::Init() {
  size_ = {std::max(size_.cx, 0), std::max(size_.cy, 0)};
  const THeadlessSettings& s = desktop_.Settings();
  canvas_ = std::make_unique<THeadlessCanvas>(s.CellWidth, s.CellHeight, ClientRect(), s.Pitch);
  desktop_.hosts_.push_back(this);
  if (!control_) return;
  control_->AttachHost(this);
  control_->Resize();
  Invalidate();
}

THeadlessHost::~THeadlessHost() {
  if (desktop_.focused_ == this) desktop_.focused_ = nullptr;
  if (desktop_.capture_ == this) desktop_.capture_ = nullptr;
  desktop_.dragDrop_.Forget(this);
  auto& hs = desktop_.hosts_;
  hs.erase(std::remove(hs.begin(), hs.end(), this), hs.end());
  if (control_) control_->AttachHost(nullptr);
  owned_.reset();
}

void THeadlessHost::ControlDetached(TCustomControl* Control) {
  if (Control != control_) return;
  control_ = nullptr;
  if (desktop_.capture_ == this) desktop_.capture_ = nullptr;
}

void THeadlessHost::Invalidate() {
  InvalidateRect(ClientRect());
}

void THeadlessHost::InvalidateRect(const TRect& R) {
  invalidations_.push_back(R);
  TRect r = R.Intersect(ClientRect());
  if (r.IsEmpty()) return;
  pending_ = paintPending_ ? pending_.Union(r) : r;
  paintPending_ = true;
}

void THeadlessHost::ScrollRect(const TRect& R, int Dx, int Dy) {
  scrolls_.push_back({R, Dx, Dy});
  TRect r = R.Intersect(ClientRect());
  if (r.IsEmpty() || (Dx == 0 && Dy == 0)) return;
  if (std::abs(Dx) >= r.Width() || std::abs(Dy) >= r.Height()) {
    InvalidateRect(r);
    return;
  }
  // Pending damage inside r would move with the pixels; covering all of r is the simple safe form.
  if (paintPending_ && pending_.Intersects(r)) InvalidateRect(r);
  if (Dy > 0) InvalidateRect({r.Left, r.Top, r.Right, r.Top + Dy});
  if (Dy < 0) InvalidateRect({r.Left, r.Bottom + Dy, r.Right, r.Bottom});
  if (Dx > 0) InvalidateRect({r.Left, r.Top, r.Left + Dx, r.Bottom});
  if (Dx < 0) InvalidateRect({r.Right + Dx, r.Top, r.Right, r.Bottom});
}

bool THeadlessHost::PaintNow() {
  if (!paintPending_ || !control_ || !visible_) return false;
  TRect r = pending_.Intersect(ClientRect());
  paintPending_ = false;
  pending_ = {};
  if (r.IsEmpty()) return false;
  const THeadlessSettings& s = desktop_.Settings();
  // Room for as many calls as the last paint made, so that recording rarely reallocates.
  const std::size_t last = canvas_ ? canvas_->Ops().size() : 0;
  canvas_ = std::make_unique<THeadlessCanvas>(s.CellWidth, s.CellHeight, ClientRect(), s.Pitch);
  canvas_->ReserveOps(last + last / 4);
  canvas_->SetClipRect(r);
  paints_.push_back(r);
  control_->Paint(*canvas_, r);
  return true;
}

void THeadlessHost::PaintAll() {
  Invalidate();
  PaintNow();
}

void THeadlessHost::SetScrollBar(TScrollBarKind Kind, const TScrollBarInfo& Info) {
  TScrollBarInfo b = Info;
  if (b.Max < b.Min) b.Max = b.Min;
  b.Page = std::clamp(b.Page, 0, b.Max - b.Min + 1);
  int last = std::max(b.Min, b.Max - std::max(b.Page, 1) + 1);
  b.Position = std::clamp(b.Position, b.Min, last);
  bars_[Kind] = b;
}

void THeadlessHost::SetMouseCapture(bool Capture) {
  if (Capture) {
    implicitCapture_ = false;
    desktop_.SetCapture(this);
  } else if (desktop_.capture_ == this) {
    desktop_.capture_ = nullptr;
    implicitCapture_ = false;
  }
}

void THeadlessHost::SetCursor(TCursor Cursor) {
  if (Cursor == cursor_) return;
  cursor_ = Cursor;
  cursorChanges_.push_back(Cursor);
}

void THeadlessHost::SetFocus() {
  if (activatable_ && visible_) desktop_.SetFocused(this);
}

void THeadlessHost::SetClientSize(TSize Size) {
  Size = {std::max(Size.cx, 0), std::max(Size.cy, 0)};
  if (Size == size_) return;
  size_ = Size;
  paintPending_ = false;
  if (control_) control_->Resize();
  Invalidate();
}

void THeadlessHost::SetVisible(bool V) {
  if (V == visible_) return;
  visible_ = V;
  if (!V) {
    if (Focused()) desktop_.SetFocused(nullptr);
    if (MouseCapture()) SetMouseCapture(false);
    paintPending_ = false;
    if (pointerInside_) Leave();
  } else {
    Invalidate();
  }
}

std::unique_ptr<TPopupWindow> THeadlessHost::CreatePopupWindow(
    std::unique_ptr<TCustomControl> Content, const TPopupOptions& Options) {
  return std::make_unique<THeadlessPopupWindow>(desktop_, std::move(Content), Options);
}

// --- input -------------------------------------------------------------------------------------

TShiftState THeadlessHost::ShiftOf(TShiftState Modifiers) const {
  return Modifiers * TShiftState{ssShift, ssAlt, ssCtrl} + buttons_;
}

bool THeadlessHost::KeyDown(TShortCut Key) {
  return control_ && control_->KeyDown(Key);
}

bool THeadlessHost::KeyUp(TShortCut Key) {
  return control_ && control_->KeyUp(Key);
}

bool THeadlessHost::PressKey(TShortCut Key) {
  bool handled = KeyDown(Key);
  KeyUp(Key);
  return handled;
}

void THeadlessHost::Type(std::u16string_view Text) {
  for (char16_t c : Text)
    if (control_) control_->KeyPress(c);
}

bool THeadlessHost::Preedit(const TPreedit& P) {
  if (!control_ || !inputMethod_.Enabled()) return false;
  control_->InputMethodPreedit(P);
  return true;
}

bool THeadlessHost::Commit(const std::u16string& Text) {
  if (!control_ || !inputMethod_.Enabled()) return false;
  control_->InputMethodCommit(Text);
  return true;
}

void THeadlessHost::Enter() {
  pointerInside_ = true;
  if (control_) control_->MouseEnter();
}

void THeadlessHost::Leave() {
  pointerInside_ = false;
  if (control_) control_->MouseLeave();
}

void THeadlessHost::MouseDown(TPoint P, TMouseButton Button, TShiftState Modifiers) {
  pointer_ = P;
  bool inside = ClientRect().Contains(P);
  if (!control_ || !visible_ || (!inside && !MouseCapture())) return;
  if (inside && !pointerInside_) Enter();
  const THeadlessSettings& s = desktop_.Settings();
  std::uint64_t now = desktop_.Clock().Now();
  TLastPress& lp = lastPress_;
  bool repeat = lp.Valid && lp.Button == Button && now - lp.Time <= s.DoubleClickTime &&
                std::abs(P.X - lp.Pos.X) <= s.DoubleClickDistance &&
                std::abs(P.Y - lp.Pos.Y) <= s.DoubleClickDistance;
  lp.Count = repeat ? lp.Count + 1 : 1;
  lp.Valid = true;
  lp.Time = now;
  lp.Button = Button;
  // The series keeps measuring from its first press, as toolkits do.
  if (!repeat) lp.Pos = P;
  static const TShiftStateFlag flags[] = {ssLeft, ssRight, ssMiddle};
  buttons_.Include(flags[Button]);
  if (!MouseCapture()) {
    desktop_.SetCapture(this);
    implicitCapture_ = true;
  }
  TShiftState shift = ShiftOf(Modifiers);
  if (lp.Count >= 2) shift.Include(ssDouble);
  control_->MouseDown(Button, shift, P.X, P.Y, lp.Count);
}

void THeadlessHost::MouseMove(TPoint P, TShiftState Modifiers) {
  pointer_ = P;
  if (!control_ || !visible_) return;
  bool inside = ClientRect().Contains(P);
  if (MouseCapture()) {
    if (inside && !pointerInside_) Enter();
    control_->MouseMove(ShiftOf(Modifiers), P.X, P.Y);
    return;
  }
  if (inside) {
    if (!pointerInside_) Enter();
    control_->MouseMove(ShiftOf(Modifiers), P.X, P.Y);
  } else if (pointerInside_) {
    Leave();
  }
}

void THeadlessHost::MouseUp(TPoint P, TMouseButton Button, TShiftState Modifiers) {
  pointer_ = P;
  static const TShiftStateFlag flags[] = {ssLeft, ssRight, ssMiddle};
  if (!buttons_.Contains(flags[Button])) return;
  buttons_.Exclude(flags[Button]);
  bool captured = MouseCapture();
  if (buttons_.Empty() && implicitCapture_) {
    implicitCapture_ = false;
    if (desktop_.capture_ == this) desktop_.capture_ = nullptr;
  }
  if (!control_ || !visible_) return;
  bool inside = ClientRect().Contains(P);
  if (captured || inside) control_->MouseUp(Button, ShiftOf(Modifiers), P.X, P.Y);
  if (control_ && !inside && pointerInside_ && !MouseCapture()) Leave();
}

void THeadlessHost::Click(TPoint P, TMouseButton Button, TShiftState Modifiers) {
  MouseDown(P, Button, Modifiers);
  MouseUp(P, Button, Modifiers);
}

void THeadlessHost::DoubleClick(TPoint P, TShiftState Modifiers) {
  Click(P, mbLeft, Modifiers);
  Click(P, mbLeft, Modifiers);
}

bool THeadlessHost::Wheel(TPoint P, int Delta, TShiftState Modifiers, bool Horizontal) {
  pointer_ = P;
  if (!control_ || !visible_ || (!ClientRect().Contains(P) && !MouseCapture())) return false;
  return control_->MouseWheel(ShiftOf(Modifiers), Delta, P.X, P.Y, Horizontal);
}

void THeadlessHost::ScrollBarAction(TScrollBarKind Kind, TScrollCode Code, int Position) {
  if (control_) control_->Scroll(Kind, Code, Position);
}

// --- popup windows -----------------------------------------------------------------------------

THeadlessPopupWindow::THeadlessPopupWindow(THeadlessDesktop& Desktop,
                                           std::unique_ptr<TCustomControl> Content,
                                           const TPopupOptions& Options)
    : TPopupWindow(Options), desktop_(Desktop) {
  host_ = std::make_unique<THeadlessHost>(Desktop, std::move(Content), TSize{0, 0}, TPoint{0, 0});
  host_->SetActivatable(false);
  host_->SetVisible(false);
  desktop_.popups_.push_back(this);
}

THeadlessPopupWindow::~THeadlessPopupWindow() {
  auto& ps = desktop_.popups_;
  ps.erase(std::remove(ps.begin(), ps.end(), this), ps.end());
  host_.reset();
}

TRect THeadlessPopupWindow::Show(const TRect& Bounds) {
  TRect b = FitIntoWorkArea(Bounds, desktop_.WorkArea({Bounds.Left, Bounds.Top}));
  host_->SetScreenOrigin({b.Left, b.Top});
  host_->SetClientSize({b.Width(), b.Height()});
  host_->SetVisible(true);
  return b;
}

void THeadlessPopupWindow::Hide() {
  host_->SetVisible(false);
}

TRect THeadlessPopupWindow::Bounds() const {
  TPoint o = host_->ScreenOrigin();
  TSize s = host_->ClientSize();
  return {o.X, o.Y, o.X + s.cx, o.Y + s.cy};
}

}  // namespace synt
