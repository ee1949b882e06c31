#include "analysis/synt_text_source.h"

#include "analysis/client_analyzer.h"
#include "analysis/syntax_analyzer.h"
#include "platform/properties.h"

namespace synt {

namespace {

void DescribeSyntTextSource(TPropertyList& List) {
  TPropsOf<TSyntTextSource> p(List);
  p.Component("SyntaxAnalyzer", &TSyntTextSource::SyntaxAnalyzer,
              &TSyntTextSource::SetSyntaxAnalyzer);
}

}  // namespace

const TClassInfo& TSyntTextSource::StaticClassInfo() {
  static const TClassInfo info("TSyntTextSource", &TCustomTextSource::StaticClassInfo(),
                               DescribeSyntTextSource,
                               &TClassInfo::ComponentFactory<TSyntTextSource>);
  return info;
}

void RegisterTextClasses() {
  RegisterClass(TSyntTextSource::StaticClassInfo());
}

TSyntAnalyzer* TSyntTextSource::SyntaxAnalyzer() const {
  return static_cast<TSyntAnalyzer*>(AnalysisProvider());
}

TClientSyntAnalyzer* TSyntTextSource::SyntClient() const {
  return AnalysisProvider() ? static_cast<TClientSyntAnalyzer*>(Analysis()) : nullptr;
}

void TSyntTextSource::SetSyntaxAnalyzer(TSyntAnalyzer* Value) {
  if (Value == SyntaxAnalyzer() && (Value || !Analysis())) return;
  DropAnalysis();
  if (!Value) {
    BindAnalysis(nullptr, nullptr);
    return;
  }
  BindAnalysis(Value,
               std::make_unique<TClientSyntAnalyzer>(Value, this, [this] { return Lines(); }));
}

void TSyntTextSource::AnalysisBound() {
  if (TClientSyntAnalyzer* c = SyntClient())
    c->RestartTimer();
  else
    TCustomTextSource::AnalysisBound();
}

}  // namespace synt
