#include "qt/qt_control_widget.h"

#include <QApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextCharFormat>
#include <QWheelEvent>

#include "platform/app_exceptions.h"
#include "platform/tick.h"
#include "qt/qt_canvas.h"
#include "qt/qt_platform.h"

namespace synt {

namespace {

QRect ToQRect(const TRect& R) {
  return QRect(R.Left, R.Top, R.Width(), R.Height());
}

TMouseButton ToButton(Qt::MouseButton B) {
  switch (B) {
    case Qt::RightButton:
      return mbRight;
    case Qt::MiddleButton:
      return mbMiddle;
    default:
      return mbLeft;
  }
}

TPoint PosOf(const QMouseEvent* E) {
  const QPoint p = E->position().toPoint();
  return {p.x(), p.y()};
}

TDropEffects EffectsOf(Qt::DropActions A) {
  TDropEffects e;
  if (A & Qt::CopyAction) e.Include(deCopy);
  if (A & Qt::MoveAction) e.Include(deMove);
  if (A & Qt::LinkAction) e.Include(deLink);
  return e;
}

Qt::DropAction ActionOf(TDropEffect E) {
  switch (E) {
    case deCopy:
      return Qt::CopyAction;
    case deMove:
      return Qt::MoveAction;
    case deLink:
      return Qt::LinkAction;
    default:
      return Qt::IgnoreAction;
  }
}

}  // namespace

// ---- Keys -------------------------------------------------------------------------------------

TShiftState ShiftOfModifiers(Qt::KeyboardModifiers M, Qt::MouseButtons B) {
  TShiftState s;
  if (M & Qt::ShiftModifier) s.Include(ssShift);
  if (M & Qt::ControlModifier) s.Include(ssCtrl);
  if (M & Qt::AltModifier) s.Include(ssAlt);
  if (B & Qt::LeftButton) s.Include(ssLeft);
  if (B & Qt::RightButton) s.Include(ssRight);
  if (B & Qt::MiddleButton) s.Include(ssMiddle);
  return s;
}

TShortCut ShortCutOfKeyEvent(int Key, Qt::KeyboardModifiers M) {
  int vk = 0;
  if (Key >= Qt::Key_A && Key <= Qt::Key_Z)
    vk = 'A' + (Key - Qt::Key_A);
  else if (Key >= Qt::Key_0 && Key <= Qt::Key_9)
    vk = (M & Qt::KeypadModifier) ? int(vkNumpad0) + (Key - Qt::Key_0) : '0' + (Key - Qt::Key_0);
  else if (Key >= Qt::Key_F1 && Key <= Qt::Key_F24)
    vk = vkF1 + (Key - Qt::Key_F1);
  else {
    switch (Key) {
      case Qt::Key_Backspace:
        vk = vkBack;
        break;
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        vk = vkTab;
        break;
      case Qt::Key_Clear:
        vk = vkClear;
        break;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        vk = vkReturn;
        break;
      case Qt::Key_Shift:
        vk = vkShift;
        break;
      case Qt::Key_Control:
        vk = vkControl;
        break;
      case Qt::Key_Alt:
        vk = vkMenu;
        break;
      case Qt::Key_Pause:
        vk = vkPause;
        break;
      case Qt::Key_CapsLock:
        vk = vkCapital;
        break;
      case Qt::Key_Escape:
        vk = vkEscape;
        break;
      case Qt::Key_Space:
        vk = vkSpace;
        break;
      case Qt::Key_PageUp:
        vk = vkPrior;
        break;
      case Qt::Key_PageDown:
        vk = vkNext;
        break;
      case Qt::Key_End:
        vk = vkEnd;
        break;
      case Qt::Key_Home:
        vk = vkHome;
        break;
      case Qt::Key_Left:
        vk = vkLeft;
        break;
      case Qt::Key_Up:
        vk = vkUp;
        break;
      case Qt::Key_Right:
        vk = vkRight;
        break;
      case Qt::Key_Down:
        vk = vkDown;
        break;
      case Qt::Key_Print:
        vk = vkSnapshot;
        break;
      case Qt::Key_Insert:
        vk = vkInsert;
        break;
      case Qt::Key_Delete:
        vk = vkDelete;
        break;
      case Qt::Key_Menu:
        vk = vkApps;
        break;
      case Qt::Key_NumLock:
        vk = vkNumLock;
        break;
      case Qt::Key_ScrollLock:
        vk = vkScroll;
        break;
      case Qt::Key_Asterisk:
        vk = (M & Qt::KeypadModifier) ? int(vkMultiply) : int('8');
        break;
      case Qt::Key_Plus:
        vk = (M & Qt::KeypadModifier) ? int(vkAdd) : int(vkOemPlus);
        break;
      case Qt::Key_Minus:
        vk = (M & Qt::KeypadModifier) ? int(vkSubtract) : int(vkOemMinus);
        break;
      case Qt::Key_Slash:
        vk = (M & Qt::KeypadModifier) ? int(vkDivide) : int(vkOemSlash);
        break;
      case Qt::Key_Period:
        vk = (M & Qt::KeypadModifier) ? int(vkDecimal) : int(vkOemPeriod);
        break;
      case Qt::Key_Semicolon:
      case Qt::Key_Colon:
        vk = vkOemSemicolon;
        break;
      case Qt::Key_Equal:
        vk = vkOemPlus;
        break;
      case Qt::Key_Comma:
      case Qt::Key_Less:
        vk = vkOemComma;
        break;
      case Qt::Key_Underscore:
        vk = vkOemMinus;
        break;
      case Qt::Key_Greater:
        vk = vkOemPeriod;
        break;
      case Qt::Key_Question:
        vk = vkOemSlash;
        break;
      case Qt::Key_QuoteLeft:
      case Qt::Key_AsciiTilde:
        vk = vkOemTilde;
        break;
      case Qt::Key_BracketLeft:
      case Qt::Key_BraceLeft:
        vk = vkOemOpen;
        break;
      case Qt::Key_Backslash:
      case Qt::Key_Bar:
        vk = vkOemBackslash;
        break;
      case Qt::Key_BracketRight:
      case Qt::Key_BraceRight:
        vk = vkOemClose;
        break;
      case Qt::Key_Apostrophe:
      case Qt::Key_QuoteDbl:
        vk = vkOemQuote;
        break;
      default:
        return 0;
    }
  }
  TShortCut s = TShortCut(vk);
  if ((M & Qt::ShiftModifier) || Key == Qt::Key_Backtab) s |= scShift;
  if (M & Qt::ControlModifier) s |= scCtrl;
  if (M & Qt::AltModifier) s |= scAlt;
  return s;
}

// ---- Input method and drags -------------------------------------------------------------------

class TQtInputMethod final : public TInputMethod {
 public:
  explicit TQtInputMethod(QWidget* W) : widget_(W) {}
  void SetEnabled(bool Enabled) override {
    widget_->setAttribute(Qt::WA_InputMethodEnabled, Enabled);
    if (widget_->hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
  }
  bool Enabled() const override { return widget_->testAttribute(Qt::WA_InputMethodEnabled); }
  void SetCursorRect(const TRect& R) override {
    rect_ = R;
    if (widget_->hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
  }
  TRect CursorRect() const override { return rect_; }
  void Reset() override {
    if (widget_->hasFocus()) QGuiApplication::inputMethod()->reset();
  }

 private:
  QWidget* widget_;
  TRect rect_;
};

class TQtDragDrop final : public TDragDrop {
 public:
  explicit TQtDragDrop(QWidget* W) : widget_(W) {}
  TDropEffect StartDrag(TCustomControl&, const TClipboardData& Data,
                        TDropEffects Allowed) override {
    CheckClipboardData(Data);
    Qt::DropActions actions;
    for (TDropEffect e : {deCopy, deMove, deLink})
      if (Allowed.Contains(e)) actions |= ActionOf(e);
    if (!actions) return deNone;
    auto* drag = new QDrag(widget_);
    drag->setMimeData(ToMimeData(Data));
    const Qt::DropAction done = drag->exec(actions);
    switch (done) {
      case Qt::CopyAction:
        return NegotiateDropEffect(deCopy, Allowed);
      case Qt::MoveAction:
      case Qt::TargetMoveAction:
        return NegotiateDropEffect(deMove, Allowed);
      case Qt::LinkAction:
        return NegotiateDropEffect(deLink, Allowed);
      default:
        return deNone;
    }
  }

 private:
  QWidget* widget_;
};

// ---- Popup windows ----------------------------------------------------------------------------

class TQtPopupWindow final : public TPopupWindow {
 public:
  TQtPopupWindow(QWidget* Owner, std::unique_ptr<TCustomControl> Content,
                 const TPopupOptions& Options)
      : TPopupWindow(Options), widget_(std::make_unique<TQtControlWidget>(std::move(Content))) {
    Qt::WindowFlags f = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                        Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;
    f |= Options.Kind == pkHint ? Qt::ToolTip : Qt::Tool;
    // A hint never takes the mouse: the pointer moving over it still reaches its owner.
    if (Options.Kind == pkHint) f |= Qt::WindowTransparentForInput;
    if (Options.Shadow) f &= ~Qt::NoDropShadowWindowHint;
    widget_->setWindowFlags(f);
    widget_->setAttribute(Qt::WA_ShowWithoutActivating);
    widget_->setFocusPolicy(Qt::NoFocus);
    widget_->setFrameShape(QFrame::NoFrame);
    widget_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    widget_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    if (Owner) widget_->setScreen(Owner->screen());
  }
  TCustomControl& Control() override { return *widget_->Control(); }
  IControlHost& Host() override { return *widget_; }
  TRect Show(const TRect& Bounds) override {
    const TRect r = FitIntoWorkArea(Bounds, widget_->WorkArea({Bounds.Left, Bounds.Top}));
    widget_->setGeometry(QRect(r.Left, r.Top, r.Width(), r.Height()));
    bounds_ = r;
    widget_->show();
    return r;
  }
  void Hide() override { widget_->hide(); }
  bool Visible() const override { return widget_->isVisible(); }
  TRect Bounds() const override { return bounds_; }

 private:
  std::unique_ptr<TQtControlWidget> widget_;
  TRect bounds_;
};

// ---- The widget -------------------------------------------------------------------------------

TQtControlWidget::TQtControlWidget(TCustomControl& Control, QWidget* Parent)
    : QAbstractScrollArea(Parent), control_(&Control) {
  Init();
}

TQtControlWidget::TQtControlWidget(std::unique_ptr<TCustomControl> Control, QWidget* Parent)
    : QAbstractScrollArea(Parent), control_(Control.get()), owned_(std::move(Control)) {
  Init();
}

void TQtControlWidget::Init() {
  measure_ = std::make_unique<TQtCanvas>(nullptr, TRect{0, 0, 100000, 100000}, PixelsPerInch());
  inputMethod_ = std::make_unique<TQtInputMethod>(this);
  dragDrop_ = std::make_unique<TQtDragDrop>(this);
  // The control paints every pixel of the viewport itself.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  viewport()->setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (TScrollBarKind k : {sbHorizontal, sbVertical}) {
    QScrollBar* bar = k == sbVertical ? verticalScrollBar() : horizontalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, k](int a) { BarAction(k, a); });
    connect(bar, &QAbstractSlider::sliderReleased, this, [this, k, bar] {
      if (!control_) return;
      control_->Scroll(k, scPosition, bar->sliderPosition());
      control_->Scroll(k, scEndScroll, 0);
    });
  }
  control_->AttachHost(this);
  control_->Resize();
}

TQtControlWidget::~TQtControlWidget() {
  if (control_) {
    TCustomControl* c = control_;
    control_ = nullptr;
    // The control lets go and calls ControlDetached, which finds nothing left to do.
    c->AttachHost(nullptr);
  }
  owned_.reset();
}

void TQtControlWidget::ControlDetached(TCustomControl* Control) {
  if (Control == control_) control_ = nullptr;
}

// --- geometry

TSize TQtControlWidget::ClientSize() const {
  return {viewport()->width(), viewport()->height()};
}

TPoint TQtControlWidget::ClientToScreen(TPoint P) const {
  const QPoint g = viewport()->mapToGlobal(QPoint(P.X, P.Y));
  return {g.x(), g.y()};
}

TPoint TQtControlWidget::ScreenToClient(TPoint P) const {
  const QPoint c = viewport()->mapFromGlobal(QPoint(P.X, P.Y));
  return {c.x(), c.y()};
}

TRect TQtControlWidget::WorkArea(TPoint ScreenPoint) const {
  const QPoint p(ScreenPoint.X, ScreenPoint.Y);
  QScreen* best = QGuiApplication::screenAt(p);
  if (!best) {
    // The nearest screen by distance to its geometry.
    int bestDist = INT_MAX;
    for (QScreen* s : QGuiApplication::screens()) {
      const QRect g = s->geometry();
      const int dx = std::max({g.left() - p.x(), 0, p.x() - g.right()});
      const int dy = std::max({g.top() - p.y(), 0, p.y() - g.bottom()});
      if (dx + dy < bestDist) {
        bestDist = dx + dy;
        best = s;
      }
    }
  }
  if (!best) return {0, 0, 800, 600};
  const QRect a = best->availableGeometry();
  return {a.left(), a.top(), a.left() + a.width(), a.top() + a.height()};
}

int TQtControlWidget::PixelsPerInch() const {
  return std::max(1, viewport()->logicalDpiY());
}

// --- painting

void TQtControlWidget::Invalidate() {
  viewport()->update();
}

void TQtControlWidget::InvalidateRect(const TRect& R) {
  if (!R.IsEmpty()) viewport()->update(ToQRect(R));
}

void TQtControlWidget::ScrollRect(const TRect& R, int Dx, int Dy) {
  const TRect r = R.Intersect({0, 0, viewport()->width(), viewport()->height()});
  if (r.IsEmpty()) return;
  viewport()->scroll(Dx, Dy, ToQRect(r));
}

void TQtControlWidget::Update() {
  viewport()->repaint(viewport()->visibleRegion());
}

TCanvas& TQtControlWidget::MeasureCanvas() {
  return *measure_;
}

void TQtControlWidget::paintEvent(QPaintEvent* E) {
  QPainter p(viewport());
  if (!control_) {
    p.fillRect(E->rect(), palette().base());
    return;
  }
  TQtCanvas canvas(&p, {0, 0, viewport()->width(), viewport()->height()}, PixelsPerInch());
  const QRect u = E->region().boundingRect();
  const TRect update{u.left(), u.top(), u.left() + u.width(), u.top() + u.height()};
  canvas.SetClipRect(update);
  try {
    control_->Paint(canvas, update);
  } catch (...) {
    HandleApplicationException(std::current_exception());
  }
}

void TQtControlWidget::resizeEvent(QResizeEvent* E) {
  QAbstractScrollArea::resizeEvent(E);
  if (!control_) return;
  control_->Resize();
  Invalidate();
}

// --- scroll bars

void TQtControlWidget::SetScrollBar(TScrollBarKind Kind, const TScrollBarInfo& Info) {
  TScrollBarInfo i = Info;
  i.Max = std::max(i.Min, i.Max);
  i.Page = std::max(0, i.Page);
  const int top = std::max(i.Min, i.Max - std::max(i.Page, 1) + 1);
  i.Position = std::clamp(i.Position, i.Min, top);
  bars_[Kind] = i;
  QScrollBar* bar = Kind == sbVertical ? verticalScrollBar() : horizontalScrollBar();
  settingBars_ = true;
  bar->setRange(i.Min, top);
  bar->setPageStep(std::max(1, i.Page));
  bar->setSingleStep(1);
  bar->setValue(i.Position);
  bar->setSliderPosition(i.Position);
  settingBars_ = false;
  const Qt::ScrollBarPolicy policy = i.Visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (Kind == sbVertical && verticalScrollBarPolicy() != policy)
    setVerticalScrollBarPolicy(policy);
  else if (Kind == sbHorizontal && horizontalScrollBarPolicy() != policy)
    setHorizontalScrollBarPolicy(policy);
}

TScrollBarInfo TQtControlWidget::ScrollBar(TScrollBarKind Kind) const {
  return bars_[Kind];
}

void TQtControlWidget::BarAction(TScrollBarKind Kind, int Action) {
  if (!control_ || settingBars_) return;
  QScrollBar* bar = Kind == sbVertical ? verticalScrollBar() : horizontalScrollBar();
  TScrollCode code;
  switch (Action) {
    case QAbstractSlider::SliderSingleStepAdd:
      code = scLineDown;
      break;
    case QAbstractSlider::SliderSingleStepSub:
      code = scLineUp;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = scPageDown;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = scPageUp;
      break;
    case QAbstractSlider::SliderToMinimum:
      code = scTop;
      break;
    case QAbstractSlider::SliderToMaximum:
      code = scBottom;
      break;
    case QAbstractSlider::SliderMove:
      code = scTrack;
      break;
    default:
      return;
  }
  control_->Scroll(Kind, code, bar->sliderPosition());
  if (code != scTrack && control_) control_->Scroll(Kind, scEndScroll, 0);
  // The control decided the position; the bar shows that, not its own step.
  if (code != scTrack) bar->setSliderPosition(bars_[Kind].Position);
}

// --- mouse

void TQtControlWidget::SetMouseCapture(bool Capture) {
  if (Capture == explicitCapture_) return;
  explicitCapture_ = Capture;
  if (Capture)
    viewport()->grabMouse();
  else
    viewport()->releaseMouse();
}

bool TQtControlWidget::MouseCapture() const {
  return explicitCapture_ || buttons_ != Qt::NoButton;
}

void TQtControlWidget::SetCursor(TCursor C) {
  cursor_ = C;
  Qt::CursorShape s = Qt::ArrowCursor;
  switch (C) {
    case crDefault:
      viewport()->unsetCursor();
      return;
    case crArrow:
      s = Qt::ArrowCursor;
      break;
    case crIBeam:
      s = Qt::IBeamCursor;
      break;
    case crHandPoint:
      s = Qt::PointingHandCursor;
      break;
    case crCross:
      s = Qt::CrossCursor;
      break;
    case crSizeNS:
      s = Qt::SizeVerCursor;
      break;
    case crSizeWE:
      s = Qt::SizeHorCursor;
      break;
    case crSizeAll:
      s = Qt::SizeAllCursor;
      break;
    case crHSplit:
      s = Qt::SplitHCursor;
      break;
    case crVSplit:
      s = Qt::SplitVCursor;
      break;
    case crDrag:
      s = Qt::DragMoveCursor;
      break;
    case crNo:
      s = Qt::ForbiddenCursor;
      break;
    case crHourGlass:
      s = Qt::WaitCursor;
      break;
    case crNone:
      s = Qt::BlankCursor;
      break;
  }
  viewport()->setCursor(s);
}

TPoint TQtControlWidget::CursorPos() const {
  const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
  return {p.x(), p.y()};
}

int TQtControlWidget::ClickCount(TMouseButton Button, TPoint P) {
  const std::uint64_t now = TickCount();
  int count = 1;
  if (lastPress_.Valid && lastPress_.Button == Button &&
      now - lastPress_.Time <= DoubleClickTime() &&
      std::abs(P.X - lastPress_.Pos.X) <= kDoubleClickDistance &&
      std::abs(P.Y - lastPress_.Pos.Y) <= kDoubleClickDistance)
    count = lastPress_.Count + 1;
  lastPress_ = {true, now, P, Button, count};
  return count;
}

void TQtControlWidget::Press(QMouseEvent* E) {
  buttons_ = E->buttons() | E->button();
  if (!control_) return;
  const TPoint p = PosOf(E);
  const TMouseButton b = ToButton(E->button());
  const int n = ClickCount(b, p);
  TShiftState s = ShiftOfModifiers(E->modifiers(), buttons_);
  if (n >= 2) s.Include(ssDouble);
  control_->MouseDown(b, s, p.X, p.Y, n);
}

void TQtControlWidget::mousePressEvent(QMouseEvent* E) {
  Press(E);
}

void TQtControlWidget::mouseDoubleClickEvent(QMouseEvent* E) {
  // The click count is the host's own, from time and distance; Qt's double-click is a press.
  Press(E);
}

void TQtControlWidget::mouseMoveEvent(QMouseEvent* E) {
  if (!control_) return;
  const TPoint p = PosOf(E);
  control_->MouseMove(ShiftOfModifiers(E->modifiers(), E->buttons()), p.X, p.Y);
}

void TQtControlWidget::mouseReleaseEvent(QMouseEvent* E) {
  buttons_ = E->buttons() & ~E->button();
  if (!control_) return;
  const TPoint p = PosOf(E);
  control_->MouseUp(ToButton(E->button()), ShiftOfModifiers(E->modifiers(), buttons_), p.X, p.Y);
}

void TQtControlWidget::wheelEvent(QWheelEvent* E) {
  if (!control_) return;
  const QPoint a = E->angleDelta();
  const bool horizontal = a.y() == 0 && a.x() != 0;
  const QPoint p = E->position().toPoint();
  if (!control_->MouseWheel(ShiftOfModifiers(E->modifiers(), E->buttons()),
                            horizontal ? a.x() : a.y(), p.x(), p.y(), horizontal))
    E->ignore();
}

bool TQtControlWidget::viewportEvent(QEvent* E) {
  if (control_) {
    if (E->type() == QEvent::Enter) control_->MouseEnter();
    if (E->type() == QEvent::Leave) control_->MouseLeave();
  }
  return QAbstractScrollArea::viewportEvent(E);
}

// --- keys and focus

namespace {

// Text a key event types: printable characters only (Ctrl+letter gives control codes).
bool Printable(const QString& Text) {
  if (Text.isEmpty()) return false;
  for (QChar c : Text)
    if (c.unicode() < 32 || c.unicode() == 127) return false;
  return true;
}

// A character the keyboard shows on a key's third level (AltGr, which some platforms report as
// Ctrl+Alt and others as a group switch) is typed, never taken as a shortcut.
bool IsAltGrCharacter(const QKeyEvent* E) {
  const Qt::KeyboardModifiers m = E->modifiers();
  const bool altGr =
      (m & Qt::GroupSwitchModifier) || ((m & Qt::ControlModifier) && (m & Qt::AltModifier));
  return altGr && Printable(E->text());
}

}  // namespace

void TQtControlWidget::keyPressEvent(QKeyEvent* E) {
  if (!control_) return;
  const bool altGr = IsAltGrCharacter(E);
  const TShortCut key = altGr ? 0 : ShortCutOfKeyEvent(E->key(), E->modifiers());
  // A key that ran a command (or that the control took) types nothing.
  bool handled = key != 0 && control_->KeyDown(key);
  const QString text = E->text();
  // Ctrl or Alt alone make chords, not characters (Alt+X types no x when nothing is bound to it).
  const Qt::KeyboardModifiers m = E->modifiers();
  const bool chord = !altGr && (bool(m & Qt::ControlModifier) != bool(m & Qt::AltModifier));
  if (!handled && control_ && !text.isEmpty() && !chord) {
    for (QChar c : text) handled = control_->KeyPress(char16_t(c.unicode())) || handled;
  }
  if (handled) return;
  if (E->key() == Qt::Key_Tab || E->key() == Qt::Key_Backtab) {
    QAbstractScrollArea::focusNextPrevChild(E->key() == Qt::Key_Tab);
    return;
  }
  E->ignore();
}

bool TQtControlWidget::event(QEvent* E) {
  // Delete belongs to the editor, not to a shortcut of the surrounding window.
  if (E->type() == QEvent::ShortcutOverride) {
    auto* k = static_cast<QKeyEvent*>(E);
    if (control_ && k->key() == Qt::Key_Delete && k->modifiers() == Qt::NoModifier) {
      E->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(E);
}

void TQtControlWidget::keyReleaseEvent(QKeyEvent* E) {
  if (!control_) return;
  const TShortCut key = ShortCutOfKeyEvent(E->key(), E->modifiers());
  if (key == 0 || !control_->KeyUp(key)) E->ignore();
}

bool TQtControlWidget::focusNextPrevChild(bool) {
  // Tab goes to the control first; what it leaves unhandled moves the focus (keyPressEvent).
  return false;
}

void TQtControlWidget::focusInEvent(QFocusEvent* E) {
  QAbstractScrollArea::focusInEvent(E);
  if (control_) control_->FocusIn();
}

void TQtControlWidget::focusOutEvent(QFocusEvent* E) {
  QAbstractScrollArea::focusOutEvent(E);
  if (control_) control_->FocusOut();
}

void TQtControlWidget::SetFocus() {
  setFocus(Qt::OtherFocusReason);
}

bool TQtControlWidget::Focused() const {
  return hasFocus();
}

void TQtControlWidget::inputMethodEvent(QInputMethodEvent* E) {
  if (!control_) return;
  if (!E->commitString().isEmpty()) {
    const QString c = E->commitString();
    control_->InputMethodCommit(
        std::u16string(reinterpret_cast<const char16_t*>(c.utf16()), size_t(c.size())));
  }
  TPreedit pre;
  const QString t = E->preeditString();
  pre.Text.assign(reinterpret_cast<const char16_t*>(t.utf16()), size_t(t.size()));
  pre.Caret = int(t.size());
  for (const QInputMethodEvent::Attribute& a : E->attributes()) {
    if (a.type == QInputMethodEvent::Cursor) pre.Caret = a.start;
    if (a.type == QInputMethodEvent::TextFormat && a.length > 0) {
      const QTextCharFormat f = a.value.value<QTextFormat>().toCharFormat();
      const TPreeditStyle style = f.background().style() != Qt::NoBrush ? imTarget
                                  : f.fontUnderline()                   ? imRaw
                                                                        : imConverted;
      pre.Segments.push_back({a.start, a.length, style});
    }
  }
  if (!pre.Text.empty() || E->commitString().isEmpty()) control_->InputMethodPreedit(pre);
}

QVariant TQtControlWidget::inputMethodQuery(Qt::InputMethodQuery Query) const {
  switch (Query) {
    case Qt::ImEnabled:
      return testAttribute(Qt::WA_InputMethodEnabled);
    case Qt::ImCursorRectangle: {
      const TRect r = inputMethod_->CursorRect();
      return QRect(viewport()->mapTo(this, QPoint(r.Left, r.Top)), QSize(r.Width(), r.Height()));
    }
    default:
      return QAbstractScrollArea::inputMethodQuery(Query);
  }
}

// --- system settings and services

unsigned TQtControlWidget::CaretBlinkTime() const {
  // Qt gives the whole on-and-off cycle; the control wants one phase.
  const int t = QGuiApplication::styleHints()->cursorFlashTime();
  return t > 0 ? unsigned(t / 2) : 0;
}

unsigned TQtControlWidget::DoubleClickTime() const {
  return unsigned(std::max(0, QGuiApplication::styleHints()->mouseDoubleClickInterval()));
}

int TQtControlWidget::DragThreshold() const {
  return QGuiApplication::styleHints()->startDragDistance();
}

TClipboard& TQtControlWidget::Clipboard() {
  return QtClipboard();
}

TDragDrop& TQtControlWidget::DragDrop() {
  return *dragDrop_;
}

TInputMethod& TQtControlWidget::InputMethod() {
  return *inputMethod_;
}

TDialogService& TQtControlWidget::Dialogs() {
  return DialogService();
}

void TQtControlWidget::SetAcceptDrops(bool Accept) {
  viewport()->setAcceptDrops(Accept);
}

bool TQtControlWidget::AcceptDrops() const {
  return viewport()->acceptDrops();
}

std::unique_ptr<TPopupWindow> TQtControlWidget::CreatePopupWindow(
    std::unique_ptr<TCustomControl> Content, const TPopupOptions& Options) {
  return std::make_unique<TQtPopupWindow>(this, std::move(Content), Options);
}

// --- drops

void TQtControlWidget::dragEnterEvent(QDragEnterEvent* E) {
  if (!control_) return E->ignore();
  const QPoint p = E->position().toPoint();
  const TDropEffects allowed = EffectsOf(E->possibleActions());
  const TDropEffect e = NegotiateDropEffect(
      control_->DragEnter(FromMimeData(E->mimeData()),
                          ShiftOfModifiers(E->modifiers(), E->buttons()), p.x(), p.y(), allowed),
      allowed);
  // Entering is always accepted, so that moves arrive and the control can change its answer.
  E->setDropAction(e == deNone ? Qt::IgnoreAction : ActionOf(e));
  E->accept();
}

void TQtControlWidget::dragMoveEvent(QDragMoveEvent* E) {
  if (!control_) return E->ignore();
  const QPoint p = E->position().toPoint();
  const TDropEffects allowed = EffectsOf(E->possibleActions());
  const TDropEffect e = NegotiateDropEffect(
      control_->DragOver(ShiftOfModifiers(E->modifiers(), E->buttons()), p.x(), p.y(), allowed),
      allowed);
  if (e == deNone) return E->ignore();
  E->setDropAction(ActionOf(e));
  E->accept();
}

void TQtControlWidget::dragLeaveEvent(QDragLeaveEvent*) {
  if (control_) control_->DragLeave();
}

void TQtControlWidget::dropEvent(QDropEvent* E) {
  if (!control_) return E->ignore();
  const QPoint p = E->position().toPoint();
  const TDropEffects allowed = EffectsOf(E->possibleActions());
  const TDropEffect e = NegotiateDropEffect(
      control_->Drop(FromMimeData(E->mimeData()), ShiftOfModifiers(E->modifiers(), E->buttons()),
                     p.x(), p.y(), allowed),
      allowed);
  if (e == deNone) return E->ignore();
  E->setDropAction(ActionOf(e));
  E->accept();
}

}  // namespace synt
