#include "text/text_source.h"

#include <algorithm>

#include "analysis/client_analyzer.h"
#include "analysis/syntax_analyzer.h"
#include "platform/properties.h"

namespace synt {

namespace {

void DescribeTextSource(TPropertyList& List) {
  TPropsOf<TSyntTextSource> p(List);
  p.Object("Lines", &TSyntTextSource::Lines);
  p.Component("SyntaxAnalyzer", &TSyntTextSource::SyntaxAnalyzer,
              &TSyntTextSource::SetSyntaxAnalyzer);
  p.Boolean("ReadOnly", &TSyntTextSource::ReadOnly, &TSyntTextSource::SetReadOnly).Def(false);
}

}  // namespace

const TClassInfo& TSyntTextSource::StaticClassInfo() {
  static const TClassInfo info("TSyntTextSource", &TComponent::StaticClassInfo(),
                               DescribeTextSource, &TClassInfo::ComponentFactory<TSyntTextSource>);
  return info;
}

void RegisterTextClasses() {
  RegisterClass(TSyntTextSource::StaticClassInfo());
}

TSyntTextSource::TSyntTextSource(TComponent* Owner)
    : TComponent(Owner), lines_(std::make_unique<TSyntMemoStrings>()) {
  lines_->OnChange = [this](TObject* Sender, int Pos, int Count, int LineChange) {
    TextChanged(Sender, Pos, Count, LineChange);
  };
}

TSyntTextSource::~TSyntTextSource() {
  Destroying();
  lines_->OnChange = nullptr;
  analysis_.reset();
}

void TSyntTextSource::SetLines(TStrings* Value) {
  lines_->Assign(Value);
}

void TSyntTextSource::SetAnalysis(std::unique_ptr<ITextSourceAnalysis> Value) {
  if (lexer_ && !IsClient(lexer_)) RemoveFreeNotification(lexer_);
  lexer_ = nullptr;
  analysis_ = std::move(Value);
  TextChanged(lines_.get(), -1, 0, 0);
  if (!analysis_) Finished();
}

TSyntAnalyzer* TSyntTextSource::SyntaxAnalyzer() const {
  return lexer_;
}

TClientSyntAnalyzer* TSyntTextSource::SyntClient() const {
  return lexer_ ? static_cast<TClientSyntAnalyzer*>(analysis_.get()) : nullptr;
}

void TSyntTextSource::SetSyntaxAnalyzer(TSyntAnalyzer* Value) {
  if (Value == lexer_ && (Value || !analysis_)) return;
  if (lexer_ && !IsClient(lexer_)) RemoveFreeNotification(lexer_);
  lexer_ = nullptr;
  analysis_.reset();
  if (Value) {
    analysis_ = std::make_unique<TClientSyntAnalyzer>(Value, this, [this] { return lines_.get(); });
    lexer_ = Value;
    FreeNotification(Value);
  }
  TextChanged(lines_.get(), -1, 0, 0);
  if (TClientSyntAnalyzer* c = SyntClient())
    c->RestartTimer();
  else
    Finished();
}

bool TSyntTextSource::IsClient(TObject* Object) const {
  return std::find(clients_.begin(), clients_.end(), Object) != clients_.end();
}

void TSyntTextSource::AddClient(TObject* Client) {
  if (!Client || std::find(clients_.begin(), clients_.end(), Client) != clients_.end()) return;
  clients_.push_back(Client);
  if (auto* c = dynamic_cast<TComponent*>(Client)) FreeNotification(c);
}

void TSyntTextSource::RemoveClient(TObject* Client) {
  // The free-notification link stays: it is shared with any reference the client keeps to us.
  clients_.erase(std::remove(clients_.begin(), clients_.end(), Client), clients_.end());
}

void TSyntTextSource::TextChanged(TObject* Sender, int Pos, int Count, int LineChange) {
  if (analysis_) analysis_->TextChanged(Pos, Count, LineChange, lines_->LineOfPos(Pos));
  // A client may detach itself (or others) while being told; walk by index and re-check.
  for (size_t i = clients_.size(); i-- > 0;) {
    if (i >= clients_.size()) continue;
    if (auto* hook = dynamic_cast<ISyntMemoTextHook*>(clients_[i]))
      hook->TextChanged(Sender, Pos, Count, LineChange);
  }
}

void TSyntTextSource::FormatChanged() {
  for (size_t i = 0; i < clients_.size(); ++i) {
    if (auto* c = dynamic_cast<IqxSyntClient*>(clients_[i])) c->FormatChanged();
  }
}

void TSyntTextSource::Finished() {
  for (size_t i = 0; i < clients_.size(); ++i) {
    if (auto* c = dynamic_cast<IqxSyntClient*>(clients_[i])) c->Finished();
  }
}

void TSyntTextSource::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation != opRemove) return;
  RemoveClient(Component);
  if (Component && Component == lexer_) {
    // The lexer has already unbound the analysis; it goes, and the clients repaint.
    lexer_ = nullptr;
    analysis_.reset();
    if (!IsDestroying()) TextChanged(lines_.get(), 0, 0, 0);
  }
}

}  // namespace synt
