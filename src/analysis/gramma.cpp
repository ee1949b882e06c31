#include "analysis/gramma.h"

#include "analysis/gramma_rules.h"
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

TGrammaAnalyzer::TGrammaAnalyzer()
    : FLines(std::make_unique<TSyntMemoStrings>()), FRules(std::make_unique<TGrammaRules>()) {
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

void TGrammaAnalyzer::Compile(const TStrings& TokenTypeNames) {
  ++FCompileCount;
  FRules->Compile(*FLines, TokenTypeNames);
}

TParserRule* TGrammaAnalyzer::ParserRuleByName(std::u16string_view Name) const {
  return FRules->ParserRuleByName(Name);
}

TParserRule* TGrammaAnalyzer::Root() const { return FRules->Root(); }
TParserRule* TGrammaAnalyzer::Skip() const { return FRules->Skip(); }

std::unique_ptr<TParserBranchNode> TGrammaAnalyzer::ParseRule(int TokenIdx, TParserRule* Rule,
                                                              const TTokenHolder& Tokens) const {
  return FRules->ParseRule(TokenIdx, Rule, Tokens);
}

int TGrammaAnalyzer::TestRule(int TokenIdx, TParserRule* Rule, const TTokenHolder& Tokens) const {
  return FRules->TestRule(TokenIdx, Rule, Tokens);
}

}  // namespace synt
