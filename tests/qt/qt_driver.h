// Drives a TQtControlWidget the way the window system would: mouse events go to the viewport,
// and a move or release outside the window reaches it only while it holds the mouse.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QThread>

#include "contract/seam_contract.h"
#include "qt/qt_control_widget.h"

namespace synt {

// Runs Qt's loop for Ms milliseconds of real time.
inline void PumpFor(unsigned Ms) {
  QElapsedTimer t;
  t.start();
  do {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::sendPostedEvents();
    if (t.elapsed() < Ms) QThread::msleep(1);
  } while (t.elapsed() < qint64(Ms));
}

inline void Flush() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
}

class TQtDriver final : public TSeamHostDriver {
 public:
  TQtDriver(TCustomControl& Control, TSize Size) : widget_(Control) {
    widget_.setFrameShape(QFrame::NoFrame);
    widget_.resize(Size.cx, Size.cy);
    widget_.show();
    synt::Flush();
  }
  IControlHost& Host() override { return widget_; }
  TQtControlWidget& Widget() { return widget_; }
  void MouseDown(TPoint P, TMouseButton Button) override {
    buttons_ |= QtButton(Button);
    Send(QEvent::MouseButtonPress, P, QtButton(Button));
  }
  void MouseMove(TPoint P) override {
    if (!Inside(P) && !widget_.MouseCapture()) return;  // another window's
    Send(QEvent::MouseMove, P, Qt::NoButton);
  }
  void MouseUp(TPoint P, TMouseButton Button) override {
    if (!Inside(P) && !widget_.MouseCapture()) return;
    buttons_ &= ~QtButton(Button);
    Send(QEvent::MouseButtonRelease, P, QtButton(Button));
  }
  void Flush() override { synt::Flush(); }

 private:
  static Qt::MouseButton QtButton(TMouseButton B) {
    return B == mbRight ? Qt::RightButton : B == mbMiddle ? Qt::MiddleButton : Qt::LeftButton;
  }
  bool Inside(TPoint P) const {
    const TSize s = widget_.ClientSize();
    return P.X >= 0 && P.Y >= 0 && P.X < s.cx && P.Y < s.cy;
  }
  void Send(QEvent::Type T, TPoint P, Qt::MouseButton B) {
    QWidget* vp = widget_.viewport();
    const QPointF local(P.X, P.Y);
    QMouseEvent e(T, local, vp->mapToGlobal(local), B, buttons_, Qt::NoModifier);
    QApplication::sendEvent(vp, &e);
  }
  TQtControlWidget widget_;
  Qt::MouseButtons buttons_;
};

}  // namespace synt
