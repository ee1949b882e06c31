// The seam's contract run against the Qt backend.
#include <QGuiApplication>
#include <QStyleHints>

#include "qt/qt_canvas.h"
#include "qt/qt_platform.h"
#include "qt_driver.h"

namespace synt {
namespace {

struct TQtBackend {
  TQtPlatform platform;
  TQtCanvas canvas;

  TClipboard& Clipboard() { return platform.Clipboard(); }
  TCanvas& Canvas() { return canvas; }
  std::unique_ptr<TBitmap> NewBitmap(int W, int H) { return canvas.CreateBitmap(W, H); }
  std::unique_ptr<TSeamHostDriver> NewHost(TCustomControl& Control, TSize Size) {
    return std::make_unique<TQtDriver>(Control, Size);
  }
  TEventLoop& Loop() { return platform.Loop(); }
  void Pass(unsigned Ms) { PumpFor(Ms); }
  unsigned DoubleClickTime() {
    return unsigned(QGuiApplication::styleHints()->mouseDoubleClickInterval());
  }
  int DoubleClickDistance() { return TQtControlWidget::kDoubleClickDistance; }
};

using Backends = ::testing::Types<TQtBackend>;
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SeamContract, Backends);

}  // namespace
}  // namespace synt
