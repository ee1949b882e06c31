#include "text/text_source.h"

#include <algorithm>

#include "platform/properties.h"

namespace synt {

namespace {

void DescribeTextSource(TPropertyList& List) {
  TPropsOf<TCustomTextSource> p(List);
  p.Object("Lines", &TCustomTextSource::Lines);
  p.Boolean("ReadOnly", &TCustomTextSource::ReadOnly, &TCustomTextSource::SetReadOnly).Def(false);
}

}  // namespace

const TClassInfo& TCustomTextSource::StaticClassInfo() {
  static const TClassInfo info("TCustomTextSource", &TComponent::StaticClassInfo(),
                               DescribeTextSource,
                               &TClassInfo::ComponentFactory<TCustomTextSource>);
  return info;
}

TCustomTextSource::TCustomTextSource(TComponent* Owner)
    : TComponent(Owner), lines_(std::make_unique<TSyntMemoStrings>()) {
  lines_->OnChange = [this](TObject* Sender, int Pos, int Count, int LineChange) {
    TextChanged(Sender, Pos, Count, LineChange);
  };
}

TCustomTextSource::~TCustomTextSource() {
  Destroying();
  lines_->OnChange = nullptr;
  analysis_.reset();
}

void TCustomTextSource::SetLines(TStrings* Value) {
  lines_->Assign(Value);
}

void TCustomTextSource::SetAnalysis(std::unique_ptr<ITextSourceAnalysis> Value) {
  BindAnalysis(nullptr, std::move(Value));
}

void TCustomTextSource::DropAnalysis() {
  if (provider_ && !IsClient(provider_)) RemoveFreeNotification(provider_);
  provider_ = nullptr;
  analysis_.reset();
}

void TCustomTextSource::BindAnalysis(TComponent* Provider,
                                     std::unique_ptr<ITextSourceAnalysis> Value) {
  DropAnalysis();
  analysis_ = std::move(Value);
  if (Provider) {
    provider_ = Provider;
    FreeNotification(Provider);
  }
  TextChanged(lines_.get(), -1, 0, 0);
  AnalysisBound();
}

bool TCustomTextSource::IsClient(TObject* Object) const {
  return std::find(clients_.begin(), clients_.end(), Object) != clients_.end();
}

void TCustomTextSource::AddClient(TObject* Client) {
  if (!Client || std::find(clients_.begin(), clients_.end(), Client) != clients_.end()) return;
  clients_.push_back(Client);
  if (auto* c = dynamic_cast<TComponent*>(Client)) FreeNotification(c);
}

void TCustomTextSource::RemoveClient(TObject* Client) {
  // The free-notification link stays: it is shared with any reference the client keeps to us.
  clients_.erase(std::remove(clients_.begin(), clients_.end(), Client), clients_.end());
}

void TCustomTextSource::TextChanged(TObject* Sender, int Pos, int Count, int LineChange) {
  if (analysis_) analysis_->TextChanged(Pos, Count, LineChange, lines_->LineOfPos(Pos));
  // A client may detach itself (or others) while being told; walk by index and re-check.
  for (size_t i = clients_.size(); i-- > 0;) {
    if (i >= clients_.size()) continue;
    if (auto* hook = dynamic_cast<ISyntMemoTextHook*>(clients_[i]))
      hook->TextChanged(Sender, Pos, Count, LineChange);
  }
}

void TCustomTextSource::FormatChanged() {
  for (size_t i = 0; i < clients_.size(); ++i) {
    if (auto* c = dynamic_cast<IqxSyntClient*>(clients_[i])) c->FormatChanged();
  }
}

void TCustomTextSource::Finished() {
  for (size_t i = 0; i < clients_.size(); ++i) {
    if (auto* c = dynamic_cast<IqxSyntClient*>(clients_[i])) c->Finished();
  }
}

void TCustomTextSource::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation != opRemove) return;
  RemoveClient(Component);
  if (Component && Component == provider_) {
    // The provider has already unbound the analysis; it goes, and the clients repaint.
    provider_ = nullptr;
    analysis_.reset();
    if (!IsDestroying()) TextChanged(lines_.get(), 0, 0, 0);
  }
}

}  // namespace synt
