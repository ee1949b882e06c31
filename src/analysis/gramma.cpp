#include "analysis/gramma.h"

#include "platform/properties.h"
#include "text/memo_strings.h"

namespace synt {

namespace {
void DescribeGramma(TPropertyList& L) {
  TPropsOf<TGrammaAnalyzer> p(L);
  p.String("Gramma", &TGrammaAnalyzer::Gramma, &TGrammaAnalyzer::SetGramma);
}
}  // namespace

const TClassInfo& TGrammaAnalyzer::StaticClassInfo() {
  static const TClassInfo info("TGrammaAnalyzer", &TPersistent::StaticClassInfo(), DescribeGramma);
  return info;
}

TGrammaAnalyzer::TGrammaAnalyzer() : FLines(std::make_unique<TSyntMemoStrings>()) {
  FLines->OnChange = [this](TObject*, int, int, int) {
    if (OnChange) OnChange(this);
  };
}

TGrammaAnalyzer::~TGrammaAnalyzer() {
  OnChange = nullptr;
  FLines->OnChange = nullptr;
}

std::u16string TGrammaAnalyzer::Gramma() const { return FLines->GetTextStr(); }

void TGrammaAnalyzer::SetGramma(const std::u16string& Value) { FLines->SetTextStr(Value); }

void TGrammaAnalyzer::Assign(const TPersistent* Source) {
  if (auto* g = dynamic_cast<const TGrammaAnalyzer*>(Source)) {
    if (g != this) SetGramma(g->Gramma());
    return;
  }
  TPersistent::Assign(Source);
}

void TGrammaAnalyzer::Compile(const TStrings&) { ++FCompileCount; }

TParserRule* TGrammaAnalyzer::ParserRuleByName(std::u16string_view) const { return nullptr; }

}  // namespace synt
