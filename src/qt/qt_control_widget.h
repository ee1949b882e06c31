// The widget that shows a core control: a QAbstractScrollArea whose viewport the control paints
// on and whose scroll bars it sets. Qt's events become the control's plain calls; the control's
// requests (invalidate, scroll, capture, cursor, ...) become widget calls. The same widget hosts
// the editor and, without frame or scroll bars, the content of popup windows.
//
//   synt::TSyntaxMemo memo(nullptr);
//   synt::TQtControlWidget w(memo);      // attaches itself; detaches when either goes first
//   w.resize(800, 600);
//   w.show();
#pragma once

#include <QAbstractScrollArea>
#include <QRegion>
#include <memory>

#include "platform/control.h"
#include "platform/control_host.h"

namespace synt {

class TQtCanvas;
class TQtInputMethod;
class TQtDragDrop;

class TQtControlWidget : public QAbstractScrollArea, public IControlHost {
 public:
  explicit TQtControlWidget(TCustomControl& Control, QWidget* Parent = nullptr);
  // The same, owning the control.
  explicit TQtControlWidget(std::unique_ptr<TCustomControl> Control, QWidget* Parent = nullptr);
  ~TQtControlWidget() override;

  TCustomControl* Control() const { return control_; }

  // --- IControlHost
  TSize ClientSize() const override;
  TPoint ClientToScreen(TPoint P) const override;
  TPoint ScreenToClient(TPoint P) const override;
  TRect WorkArea(TPoint ScreenPoint) const override;
  int PixelsPerInch() const override;
  void Invalidate() override;
  void InvalidateRect(const TRect& R) override;
  void ScrollRect(const TRect& R, int Dx, int Dy) override;
  void Update() override;
  TCanvas& MeasureCanvas() override;
  void SetScrollBar(TScrollBarKind Kind, const TScrollBarInfo& Info) override;
  TScrollBarInfo ScrollBar(TScrollBarKind Kind) const override;
  void SetMouseCapture(bool Capture) override;
  bool MouseCapture() const override;
  void SetCursor(TCursor Cursor) override;
  TCursor Cursor() const override { return cursor_; }
  TPoint CursorPos() const override;
  void SetFocus() override;
  bool Focused() const override;
  unsigned CaretBlinkTime() const override;
  unsigned DoubleClickTime() const override;
  int DragThreshold() const override;
  TClipboard& Clipboard() override;
  TDragDrop& DragDrop() override;
  TInputMethod& InputMethod() override;
  TDialogService& Dialogs() override;
  void SetAcceptDrops(bool Accept) override;
  bool AcceptDrops() const override;
  std::unique_ptr<TPopupWindow> CreatePopupWindow(std::unique_ptr<TCustomControl> Content,
                                                  const TPopupOptions& Options) override;
  void ControlDetached(TCustomControl* Control) override;

  // Pixels a click may move from the last press and still count towards a double click.
  static constexpr int kDoubleClickDistance = 4;

 protected:
  void paintEvent(QPaintEvent* E) override;
  void resizeEvent(QResizeEvent* E) override;
  void scrollContentsBy(int, int) override {}
  void wheelEvent(QWheelEvent* E) override;
  void mousePressEvent(QMouseEvent* E) override;
  void mouseMoveEvent(QMouseEvent* E) override;
  void mouseReleaseEvent(QMouseEvent* E) override;
  void mouseDoubleClickEvent(QMouseEvent* E) override;
  bool event(QEvent* E) override;
  void keyPressEvent(QKeyEvent* E) override;
  void keyReleaseEvent(QKeyEvent* E) override;
  void focusInEvent(QFocusEvent* E) override;
  void focusOutEvent(QFocusEvent* E) override;
  bool focusNextPrevChild(bool Next) override;
  void inputMethodEvent(QInputMethodEvent* E) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;
  bool viewportEvent(QEvent* E) override;
  void dragEnterEvent(QDragEnterEvent* E) override;
  void dragMoveEvent(QDragMoveEvent* E) override;
  void dragLeaveEvent(QDragLeaveEvent* E) override;
  void dropEvent(QDropEvent* E) override;

 private:
  void Init();
  void BarAction(TScrollBarKind Kind, int Action);
  void Press(QMouseEvent* E);
  int ClickCount(TMouseButton Button, TPoint P);

  TCustomControl* control_ = nullptr;
  std::unique_ptr<TCustomControl> owned_;
  std::unique_ptr<TQtCanvas> measure_;
  std::unique_ptr<TQtInputMethod> inputMethod_;
  std::unique_ptr<TQtDragDrop> dragDrop_;
  TScrollBarInfo bars_[2];
  bool settingBars_ = false;
  TCursor cursor_ = crDefault;
  bool explicitCapture_ = false;
  Qt::MouseButtons buttons_;
  struct TLastPress {
    bool Valid = false;
    std::uint64_t Time = 0;
    TPoint Pos;
    TMouseButton Button = mbLeft;
    int Count = 0;
  } lastPress_;
};

// The shortcut word of a Qt key event (virtual key in the low byte, modifiers), 0 for keys the
// library has no code for.
TShortCut ShortCutOfKeyEvent(int Key, Qt::KeyboardModifiers Modifiers);
TShiftState ShiftOfModifiers(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);

}  // namespace synt
