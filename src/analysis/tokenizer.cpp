// Token-rule matching: the lexer's part of the tokenizer step.
#include <algorithm>
#include <bit>

#include "analysis/analysis_plan.h"
#include "analysis/parser_results.h"
#include "text/memo_strings.h"

namespace synt {

using analysis_internal::LexerPlan;
using analysis_internal::TokenRulePlan;

bool TSyntAnalyzer::MatchToken(TParserResults& Client, std::u16string_view Text, bool OnlyGlobal,
                               int FPos, TSyntToken& Token) {
  const int len = int(Text.size());
  if (FPos < 1 || FPos > len) return false;
  const int room = len - (FPos - 1);

  if (OnParseToken) {
    int tokenLength = 0;
    TTokenRule* rule = nullptr;
    OnParseToken(&Client, Text, FPos, tokenLength, rule);
    // A handler must make progress; a token that would not advance is no token.
    if (!rule || tokenLength < 1) return false;
    tokenLength = std::min(tokenLength, room);
    Token =
        TSyntToken(FPos - 1, FPos - 1 + tokenLength, rule->TokenType(), Client.RuleIndexOf(rule));
    return true;
  }

  LexerPlan& plan = Client.PlanFor(this);
  const uint64_t* candidates = plan.Candidates(Text[size_t(FPos - 1)]);
  const uint32_t state = Client.CurrentState();
  int column = 0;  // 1-based column of FPos, computed once when a rule asks for it
  for (int w = 0; w < plan.Words; ++w) {
    uint64_t bits = candidates[w];
    if (OnlyGlobal) bits &= plan.GlobalMask[size_t(w)];
    while (bits) {
      const int i = w * 64 + std::countr_zero(bits);
      bits &= bits - 1;
      const TokenRulePlan& p = plan.TokenRules[size_t(i)];
      if (p.StatesPresent && (state & p.StatesPresent) != p.StatesPresent) continue;
      if (p.StatesAbsent && (state & p.StatesAbsent)) continue;
      if (p.ParentTest && !Client.ParentTest(p.Rule)) continue;
      if (p.Columns) {
        if (column == 0) column = Client.Source()->StrPosToCaretPos(FPos - 1).X + 1;
        int from = p.Rule->ColumnFrom(), to = p.Rule->ColumnTo();
        if ((from > 0 && column < from) || (to > 0 && column > to)) continue;
      }
      int length = 0;
      // A rule is a candidate here only when its first-unit filter passed (unless it may match
      // empty or has a handler, when the filter is asked now).
      if (p.Prog && (p.Filtered || p.Prog->MayMatchAt(Text, FPos))) {
        try {
          length = std::max(0, p.Prog->AnchoredLength(Text, FPos, Client.MatchScratch()));
        } catch (...) {
          length = 0;
        }
      }
      if (p.Event && p.Rule->OnMatchToken)
        p.Rule->OnMatchToken(p.Rule, &Client, Text, FPos, length);
      if (length > 0) {
        length = std::min(length, room);
        Client.ApplyStateBits(p.StatesRemove, p.StatesAdd);
        Token = TSyntToken(FPos - 1, FPos - 1 + length, p.TokenType, p.RuleIndex);
        return true;
      }
    }
  }
  return false;
}

}  // namespace synt
