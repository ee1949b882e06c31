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
    : TComponent(Owner), fLines(std::make_unique<TSyntMemoStrings>()) {
  fLines->OnChange = [this](TObject* Sender, int Pos, int Count, int LineChange) {
    TextChanged(Sender, Pos, Count, LineChange);
  };
}

TSyntTextSource::~TSyntTextSource() {
  Destroying();
  fLines->OnChange = nullptr;
  fAnalysis.reset();
}

void TSyntTextSource::SetLines(TStrings* Value) {
  fLines->Assign(Value);
}

void TSyntTextSource::SetAnalysis(std::unique_ptr<ITextSourceAnalysis> Value) {
  if (fLexer && !IsClient(fLexer)) RemoveFreeNotification(fLexer);
  fLexer = nullptr;
  fAnalysis = std::move(Value);
  TextChanged(fLines.get(), -1, 0, 0);
  if (!fAnalysis) Finished();
}

TSyntAnalyzer* TSyntTextSource::SyntaxAnalyzer() const {
  return fLexer;
}

TClientSyntAnalyzer* TSyntTextSource::SyntClient() const {
  return fLexer ? static_cast<TClientSyntAnalyzer*>(fAnalysis.get()) : nullptr;
}

void TSyntTextSource::SetSyntaxAnalyzer(TSyntAnalyzer* Value) {
  if (Value == fLexer && (Value || !fAnalysis)) return;
  if (fLexer && !IsClient(fLexer)) RemoveFreeNotification(fLexer);
  fLexer = nullptr;
  fAnalysis.reset();
  if (Value) {
    fAnalysis = std::make_unique<TClientSyntAnalyzer>(Value, this, [this] { return fLines.get(); });
    fLexer = Value;
    FreeNotification(Value);
  }
  TextChanged(fLines.get(), -1, 0, 0);
  if (TClientSyntAnalyzer* c = SyntClient())
    c->RestartTimer();
  else
    Finished();
}

bool TSyntTextSource::IsClient(TObject* Object) const {
  return std::find(fClients.begin(), fClients.end(), Object) != fClients.end();
}

void TSyntTextSource::AddClient(TObject* Client) {
  if (!Client || std::find(fClients.begin(), fClients.end(), Client) != fClients.end()) return;
  fClients.push_back(Client);
  if (auto* c = dynamic_cast<TComponent*>(Client)) FreeNotification(c);
}

void TSyntTextSource::RemoveClient(TObject* Client) {
  // The free-notification link stays: it is shared with any reference the client keeps to us.
  fClients.erase(std::remove(fClients.begin(), fClients.end(), Client), fClients.end());
}

void TSyntTextSource::TextChanged(TObject* Sender, int Pos, int Count, int LineChange) {
  if (fAnalysis) fAnalysis->TextChanged(Pos, Count, LineChange, fLines->LineOfPos(Pos));
  // A client may detach itself (or others) while being told; walk by index and re-check.
  for (size_t i = fClients.size(); i-- > 0;) {
    if (i >= fClients.size()) continue;
    if (auto* hook = dynamic_cast<ISyntMemoTextHook*>(fClients[i]))
      hook->TextChanged(Sender, Pos, Count, LineChange);
  }
}

void TSyntTextSource::FormatChanged() {
  for (size_t i = 0; i < fClients.size(); ++i) {
    if (auto* c = dynamic_cast<IqxSyntClient*>(fClients[i])) c->FormatChanged();
  }
}

void TSyntTextSource::Finished() {
  for (size_t i = 0; i < fClients.size(); ++i) {
    if (auto* c = dynamic_cast<IqxSyntClient*>(fClients[i])) c->Finished();
  }
}

void TSyntTextSource::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation != opRemove) return;
  RemoveClient(Component);
  if (Component && Component == fLexer) {
    // The lexer has already unbound the analysis; it goes, and the clients repaint.
    fLexer = nullptr;
    fAnalysis.reset();
    if (!IsDestroying()) TextChanged(fLines.get(), 0, 0, 0);
  }
}

}  // namespace synt
