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
    : lines_(std::make_unique<TSyntMemoStrings>()), rules_(std::make_unique<TGrammaRules>()) {
  lines_->OnChange = [this](TObject*, int, int, int) {
    if (OnChange) OnChange(this);
  };
}

TGrammaAnalyzer::~TGrammaAnalyzer() {
  OnChange = nullptr;
  lines_->OnChange = nullptr;
}

std::u16string TGrammaAnalyzer::Gramma() const {
  return lines_->GetTextStr();
}

void TGrammaAnalyzer::SetGramma(const std::u16string& Value) {
  lines_->SetTextStr(Value);
}

void TGrammaAnalyzer::Assign(const TPersistent* Source) {
  if (auto* g = dynamic_cast<const TGrammaAnalyzer*>(Source)) {
    if (g != this) SetGramma(g->Gramma());
    return;
  }
  TPersistent::Assign(Source);
}

void TGrammaAnalyzer::Compile(const TStrings& TokenTypeNames) {
  ++compileCount_;
  rules_->Compile(*lines_, TokenTypeNames);
}

TParserRule* TGrammaAnalyzer::ParserRuleByName(std::u16string_view Name) const {
  return rules_->ParserRuleByName(Name);
}

TParserRule* TGrammaAnalyzer::Root() const {
  return rules_->Root();
}
TParserRule* TGrammaAnalyzer::Skip() const {
  return rules_->Skip();
}

std::unique_ptr<TParserBranchNode> TGrammaAnalyzer::ParseRule(int TokenIdx, TParserRule* Rule,
                                                              const TTokenHolder& Tokens) const {
  return rules_->ParseRule(TokenIdx, Rule, Tokens);
}

int TGrammaAnalyzer::TestRule(int TokenIdx, TParserRule* Rule, const TTokenHolder& Tokens) const {
  return rules_->TestRule(TokenIdx, Rule, Tokens);
}

}  // namespace synt
