#include "platform/control.h"

#include "platform/control_host.h"

namespace synt {

const TClassInfo& TCustomControl::StaticClassInfo() {
  static const TClassInfo info("TCustomControl", &TComponent::StaticClassInfo());
  return info;
}

TCustomControl::TCustomControl(TComponent* Owner) : TComponent(Owner) {}

TCustomControl::~TCustomControl() {
  if (IControlHost* h = host_) {
    host_ = nullptr;
    h->ControlDetached(this);
  }
}

void TCustomControl::AttachHost(IControlHost* Host) {
  if (Host == host_) return;
  IControlHost* old = host_;
  host_ = Host;
  if (old) old->ControlDetached(this);
  HostChanged();
}

TSize TCustomControl::ClientSize() const {
  return host_ ? host_->ClientSize() : TSize{};
}

TRect TCustomControl::ClientRect() const {
  TSize s = ClientSize();
  return {0, 0, s.cx, s.cy};
}

bool TCustomControl::Focused() const {
  return host_ && host_->Focused();
}

void TCustomControl::Invalidate() {
  if (host_) host_->Invalidate();
}

void TCustomControl::InvalidateRect(const TRect& R) {
  if (host_) host_->InvalidateRect(R);
}

}  // namespace synt
