// The tokenizer step: sub-lexer regions at the current position, white space, token-rule
// matching and the token's append.
#include <algorithm>
#include <bit>
#include <cstdint>

#include "analysis/analysis_plan.h"
#include "analysis/client_analyzer.h"
#include "analysis/parser_results.h"
#include "lists/char_utils.h"
#include "text/memo_strings.h"

namespace synt {

using analysis_internal::LexerPlan;
using analysis_internal::TokenRulePlan;

namespace {

// Token-rule matching by a lexer's plan (no OnParseToken); FPos is a position within Text. Inline,
// so that the step loop runs it without a call.
inline bool MatchPlanned(TParserResults& Client, const LexerPlan& plan, std::u16string_view Text,
                         bool OnlyGlobal, int FPos, TSyntToken& Token) {
  const int room = int(Text.size()) - (FPos - 1);
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

}  // namespace

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
  return MatchPlanned(Client, Client.PlanFor(this), Text, OnlyGlobal, FPos, Token);
}

// ---- The tokenizer step -----------------------------------------------------------------------

// The lexer current at Pos. Between regions, at a unit that starts none, the two region steps
// have nothing to do: they are tested here before calling them.
inline TSyntAnalyzer* TParserResults::RegionAt(std::u16string_view Text, int Pos) {
  if (!fSubLexerRanges.empty()) {
    const TSubLexerRange& last = fSubLexerRanges.back();
    if (last.IsOpen() || last.ParentIndex >= 0 || (last.StartPos < Pos && Pos - 1 < last.EndPos))
      return SubLexerCheck(Text, Pos);
  }
  fCurrentRegion = -1;
  return fOwner;
}

inline bool TParserResults::TryOpenAt(TSyntAnalyzer* Current, std::u16string_view Text, int Pos) {
  if (fLastPlanLexer == Current && Current) {
    // What TryOpenSubLexer would find first, without the call.
    if (!fAnySubRules) return false;
    if (Current == fOwner && Pos >= 1 && Pos <= int(Text.size()) && !fLastPlan->SubStartAnywhere &&
        !fLastPlan->SubStart.Test(Text[size_t(Pos - 1)]))
      return false;
  }
  return TryOpenSubLexer(Current, Text, Pos);
}

inline void TParserResults::SaveStateChange() {
  if (fChangedState != fCurrentState) {
    fStateChanges.push_back({TagCount(), fCurrentState});
    fChangedState = fCurrentState;
  }
  LogState(2 * TagCount() + 1);
}

// One step; the caller has set the step's text. After(Text, Current) is the block-rule run.
template <class AfterToken>
__attribute__((always_inline)) inline bool TParserResults::Step(std::u16string_view Text, int& FPos,
                                                                AfterToken& After) {
  const int len = int(Text.size());
  if (FPos < 1) FPos = 1;

  TSyntAnalyzer* current = RegionAt(Text, FPos);
  const bool opened = TryOpenAt(current, Text, FPos);
  const int before = FPos;

  if (current->SkipSpaces()) {
    const bool eol = current->ParseEndOfLine();
    while (FPos <= len) {
      char16_t c = Text[size_t(FPos - 1)];
      if (!IsSpaceChar(c) || (eol && (c == u'\r' || c == u'\n'))) break;
      ++FPos;
    }
  }
  const bool atEnd = FPos > len;

  // White space may have moved FPos onto a start or an end. At the same position, and with no
  // region opened just now, trying again would find what steps 1 and 2 found.
  if (FPos != before || opened) {
    TryOpenAt(current, Text, FPos);
    current = RegionAt(Text, FPos);
  }

  if (atEnd) return true;

  TSyntToken token;
  bool found;
  if (current == fOwner && !fOwner->OnParseToken) {
    // The owner's rules alone: MatchToken without its set-up.
    found = MatchPlanned(*this, PlanFor(fOwner), Text, false, FPos, token);
  } else {
    found = fOwner->MatchToken(*this, Text, current != fOwner, FPos, token);
    if (!found && current != fOwner) found = current->MatchToken(*this, Text, false, FPos, token);
  }

  if (found) {
    // Region starts never decrease, so only the last regions can start inside the token.
    for (int i = int(fSubLexerRanges.size()) - 1; i >= 0; --i) {
      int s = fSubLexerRanges[size_t(i)].StartPos;
      if (s <= token.StartPos) break;
      if (s < token.EndPos) {
        token.EndPos = s;
        break;
      }
    }
    SaveStateChange();
    fTokens.Append(token);
    After(Text, current);
    FPos = token.EndPos + 1;
  } else {
    ++FPos;
  }
  fResumePos = FPos;
  return false;
}

namespace {
// Block rules and grammars read token texts through Text() while a step runs.
struct StepText {
  std::u16string_view& text;
  bool& in;
  StepText(std::u16string_view& T, bool& In, std::u16string_view Text) : text(T), in(In) {
    text = Text;
    in = true;
  }
  ~StepText() { in = false; }
};
}  // namespace

bool TParserResults::AnalyzeNextToken(std::u16string_view Text, int& FPos) {
  StepText step(fStepText, fInStep, Text);
  auto after = [this](std::u16string_view T, TSyntAnalyzer* Current) {
    BlockRulesAfterToken(T, Current);
  };
  return Step(Text, FPos, after);
}

template <class AfterToken>
bool TParserResults::StepsUpTo(std::u16string_view Text, int& FPos, int Pos, AfterToken& After) {
  StepText step(fStepText, fInStep, Text);
  for (;;) {
    if (int64_t(Pos) + 1 < int64_t(FPos) - 1) return false;
    if (Step(Text, FPos, After)) return true;
  }
}

bool TClientSyntAnalyzer::TokenizeUpTo(std::u16string_view Text, int& FPos, int Pos) {
  auto after = [this](std::u16string_view T, TSyntAnalyzer* Current) {
    // BlockRulesAfterToken where the lexer has no block rule (its state was logged with the
    // token, so that only the block-rule position moves).
    if (Current == Owner() && (fForceSyncBlocks || !SeparateBlocks()) &&
        PlanFor(Current).BlockRules.empty()) {
      SetBlockAnalPos(TagCount());
      LogState(2 * TagCount());
    } else {
      TClientSyntAnalyzer::BlockRulesAfterToken(T, Current);
    }
  };
  return StepsUpTo(Text, FPos, Pos, after);
}

}  // namespace synt
