// The seam's contract run against the headless backend, with fixed and with proportional metrics.
#include "contract/seam_contract.h"
#include "platform/headless_host.h"

namespace synt {
namespace {

class THeadlessDriver final : public TSeamHostDriver {
 public:
  THeadlessDriver(THeadlessDesktop& Desktop, TCustomControl& Control, TSize Size)
      : desktop_(Desktop), host_(Desktop, Control, Size) {}
  IControlHost& Host() override { return host_; }
  void MouseDown(TPoint P, TMouseButton Button) override { host_.MouseDown(P, Button); }
  void MouseMove(TPoint P) override { host_.MouseMove(P); }
  void MouseUp(TPoint P, TMouseButton Button) override { host_.MouseUp(P, Button); }
  void Flush() override { desktop_.RunUntilIdle(); }

 private:
  THeadlessDesktop& desktop_;
  THeadlessHost host_;
};

template <THeadlessPitch Pitch>
struct THeadlessBackend {
  static THeadlessSettings Settings() {
    THeadlessSettings s;
    s.Pitch = Pitch;
    return s;
  }
  THeadlessDesktop desktop{Settings()};
  THeadlessCanvas canvas{8, 16, {0, 0, 10000, 10000}, Pitch};

  TClipboard& Clipboard() { return desktop.Clipboard(); }
  TCanvas& Canvas() { return canvas; }
  std::unique_ptr<TBitmap> NewBitmap(int W, int H) { return canvas.CreateBitmap(W, H); }
  std::unique_ptr<TSeamHostDriver> NewHost(TCustomControl& Control, TSize Size) {
    return std::make_unique<THeadlessDriver>(desktop, Control, Size);
  }
  TEventLoop& Loop() { return desktop.Loop(); }
  void Pass(unsigned Ms) { desktop.Advance(Ms); }
  unsigned DoubleClickTime() { return desktop.Settings().DoubleClickTime; }
  int DoubleClickDistance() { return desktop.Settings().DoubleClickDistance; }
};

using Backends = ::testing::Types<THeadlessBackend<THeadlessPitch::Fixed>,
                                  THeadlessBackend<THeadlessPitch::Proportional>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Headless, SeamContract, Backends);

}  // namespace
}  // namespace synt
