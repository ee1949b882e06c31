// Builds lexers in code for tests, and analyses texts with them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/client_analyzer.h"
#include "analysis/syntax_analyzer.h"
#include "text/memo_strings.h"

namespace synt::test {

struct CondSpec {
  std::u16string Tags;  // blank-separated
  TTagConditionType Type = tcEqual;
  uint32_t Types = 0;
  bool IgnoreCase = false;
};

inline TTokenRule* AddToken(TSyntAnalyzer& L, const std::u16string& Name,
                            const std::u16string& Expr, int Type = 0) {
  TTokenRule* r = L.TokenRules()->Add();
  r->SetDisplayName(Name);
  r->SetExpression(Expr);
  r->SetTokenType(Type);
  return r;
}

inline TTagBlockCondition* AddBlock(TSyntAnalyzer& L, const std::u16string& Name,
                                    TTagBlockType Type, std::vector<CondSpec> Conds) {
  TTagBlockCondition* r = L.BlockRules()->Add();
  r->SetDisplayName(Name);
  r->SetBlockType(Type);
  for (auto& c : Conds) {
    TSingleTagCondition* sc = r->ConditionList()->Add();
    sc->SetIgnoreCase(c.IgnoreCase);
    sc->TagList()->SetDelimitedText(c.Tags);
    sc->SetCondType(c.Type);
    sc->SetTokenTypes(c.Types);
  }
  return r;
}

inline TSubAnalyzerRule* AddSub(TSyntAnalyzer& L, const std::u16string& Name,
                                const std::u16string& Start, const std::u16string& End,
                                TSyntAnalyzer* Sub) {
  TSubAnalyzerRule* r = L.SubAnalyzers()->Add();
  r->SetDisplayName(Name);
  r->SetStartExpression(Start);
  r->SetEndExpression(End);
  r->SetSyntAnalyzer(Sub);
  return r;
}

// Moves the last token rule to the front (tried first).
inline void LastTokenRuleFirst(TSyntAnalyzer& L) {
  L.TokenRules()->Items(L.TokenRules()->Count() - 1)->SetIndex(0);
}

inline void SetBlockName(TRuleCollectionItem* R, TTagBlockCondition* Block) {
  R->SetBlockName(Block->DisplayName());
}
inline void SetBlockEnd(TTagBlockCondition* R, TTagBlockCondition* End) {
  R->SetBlockEnd(End->DisplayName());
}

inline void SetGramma(TSyntAnalyzer& L, const std::u16string& Text) {
  L.Gramma()->SetGramma(Text);
}
inline void SetTypeNames(TSyntAnalyzer& L, std::vector<std::u16string> Names) {
  TStringList list;
  for (auto& n : Names) list.Add(n);
  L.SetTokenTypeNames(&list);
}

// A document with its line storage and its analysis.
class Doc {
 public:
  Doc(TSyntAnalyzer& L, std::u16string_view Text) {
    lines.SetTextStr(Text);
    client = std::make_unique<TClientSyntAnalyzer>(&L, nullptr, [this] { return &lines; });
  }
  TClientSyntAnalyzer& Analyze() {
    client->Analyze(true);
    return *client;
  }
  TClientSyntAnalyzer* operator->() { return client.get(); }
  // "text:rule" per token, blank-separated.
  std::u16string Dump() const {
    std::u16string s;
    for (int i = 0; i < client->TagCount(); ++i) {
      if (i) s += u' ';
      s += client->TagText(i);
      s += u':';
      TRuleCollectionItem* r = client->TokenRule(i);
      s += r ? r->DisplayName() : u"-";
    }
    return s;
  }
  TSyntMemoStrings lines;
  std::unique_ptr<TClientSyntAnalyzer> client;
};

}  // namespace synt::test
