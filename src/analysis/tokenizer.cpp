// The tokenizer step: sub-lexer regions at the current position, white space, token-rule
// matching and the token's append.
#include <algorithm>
#include <bit>
#include <cstdint>

#include "analysis/analysis_profile.h"
#include "analysis/client_analyzer.h"
#include "analysis/internal/analysis_plan.h"
#include "analysis/internal/client_access.h"
#include "analysis/parser_results.h"
#include "lists/char_utils.h"
#include "text/memo_strings.h"

namespace synt {

using analysis_internal::ClientAccess;
using analysis_internal::LexerPlan;
using analysis_internal::TokenRulePlan;

namespace {

// Token-rule matching by a lexer's plan (no OnParseToken); pos_ is a position within Text. Inline,
// so that the step loop runs it without a call. Profiled: each rule tried is timed into the
// client's profile.
template <bool Profiled = false>
inline bool MatchPlanned(TParserResults& Client, const LexerPlan& plan, std::u16string_view Text,
                         bool OnlyGlobal, int pos_, TSyntToken& Token) {
  const int room = int(Text.size()) - (pos_ - 1);
  const uint64_t* candidates = plan.Candidates(Text[size_t(pos_ - 1)]);
  const uint32_t state = Client.CurrentState();
  int column = 0;  // 1-based column of pos_, computed once when a rule asks for it
  for (int w = 0; w < plan.Words; ++w) {
    uint64_t bits = candidates[w];
    if (OnlyGlobal) bits &= plan.GlobalMask[size_t(w)];
    while (bits) {
      const int i = w * 64 + std::countr_zero(bits);
      bits &= bits - 1;
      const TokenRulePlan& p = plan.TokenRules[size_t(i)];
      if (p.StatesPresent && (state & p.StatesPresent) != p.StatesPresent) continue;
      if (p.StatesAbsent && (state & p.StatesAbsent)) continue;
      if (p.ParentTest && !ClientAccess::ParentTest(Client, p.Rule)) continue;
      if (p.Columns) {
        if (column == 0) column = Client.Source()->StrPosToCaretPos(pos_ - 1).X + 1;
        int from = p.Rule->ColumnFrom(), to = p.Rule->ColumnTo();
        if ((from > 0 && column < from) || (to > 0 && column > to)) continue;
      }
      int length = 0;
      [[maybe_unused]] const uint64_t t0 = Profiled ? ProfileTicks() : 0;
      // A rule is a candidate here only when its first-unit filter passed (unless it may match
      // empty or has a handler, when the filter is asked now).
      if (p.Prog && (p.Filtered || p.Prog->MayMatchAt(Text, pos_))) {
        TqxRegMatch& m = ClientAccess::MatchScratch(Client);
        try {
          length = std::max(0, p.Prog->AnchoredLength(Text, pos_, m));
          ClientAccess::NoteReach(Client, m.Reach());
        } catch (...) {
          length = 0;
          ClientAccess::NoteReach(Client, int(Text.size()) + 1);
        }
      }
      if (p.Event && p.Rule->OnMatchToken)
        p.Rule->OnMatchToken(p.Rule, &Client, Text, pos_, length);
      if constexpr (Profiled) {
        TRuleProfile& rp = ClientAccess::Profile(Client)->At(p.RuleIndex);
        rp.Ticks += ProfileTicks() - t0;
        ++rp.Tries;
        rp.Matches += length > 0;
      }
      if (length > 0) {
        length = std::min(length, room);
        ClientAccess::ApplyStateBits(Client, p.StatesRemove, p.StatesAdd);
        Token = TSyntToken(pos_ - 1, pos_ - 1 + length, p.TokenType, p.RuleIndex);
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool TSyntAnalyzer::MatchToken(TParserResults& Client, std::u16string_view Text, bool OnlyGlobal,
                               int pos_, TSyntToken& Token) {
  const int len = int(Text.size());
  if (pos_ < 1 || pos_ > len) return false;
  const int room = len - (pos_ - 1);

  if (OnParseToken) {
    int tokenLength = 0;
    TTokenRule* rule = nullptr;
    OnParseToken(&Client, Text, pos_, tokenLength, rule);
    // A handler must make progress; a token that would not advance is no token.
    if (!rule || tokenLength < 1) return false;
    tokenLength = std::min(tokenLength, room);
    Token = TSyntToken(pos_ - 1, pos_ - 1 + tokenLength, rule->TokenType(),
                       ClientAccess::RuleIndexOf(Client, rule));
    return true;
  }
  return MatchPlanned(Client, ClientAccess::PlanFor(Client, this), Text, OnlyGlobal, pos_, Token);
}

// ---- The tokenizer step -----------------------------------------------------------------------

// The lexer current at Pos. Between regions, at a unit that starts none, the two region steps
// have nothing to do: they are tested here before calling them.
inline TSyntAnalyzer* TParserResults::RegionAt(std::u16string_view Text, int Pos) {
  if (!subLexerRanges_.empty()) {
    const TSubLexerRange& last = subLexerRanges_.back();
    if (last.IsOpen() || last.ParentIndex >= 0 || (last.StartPos < Pos && Pos - 1 < last.EndPos))
      return SubLexerCheck(Text, Pos);
  }
  currentRegion_ = -1;
  return owner_;
}

inline bool TParserResults::TryOpenAt(TSyntAnalyzer* Current, std::u16string_view Text, int Pos) {
  if (lastPlanLexer_ == Current && Current) {
    // What TryOpenSubLexer would find first, without the call.
    if (!anySubRules_) return false;
    if (Current == owner_ && Pos >= 1 && Pos <= int(Text.size()) && !lastPlan_->SubStartAnywhere &&
        !lastPlan_->SubStart.Test(Text[size_t(Pos - 1)]))
      return false;
  }
  return TryOpenSubLexer(Current, Text, Pos);
}

inline void TParserResults::SaveStateChange() {
  if (changedState_ != currentState_) {
    stateChanges_.push_back({TagCount(), currentState_});
    changedState_ = currentState_;
  }
  LogState(2 * TagCount() + 1);
}

// One step; the caller has set the step's text. After(Text, Current) is the block-rule run.
template <bool Profiled, class AfterToken>
__attribute__((always_inline)) inline bool TParserResults::Step(std::u16string_view Text, int& pos_,
                                                                AfterToken& After) {
  const int len = int(Text.size());
  if (pos_ < 1) pos_ = 1;

  TSyntAnalyzer* current = RegionAt(Text, pos_);
  const bool opened = TryOpenAt(current, Text, pos_);
  const int before = pos_;

  if (current->SkipSpaces()) {
    const bool eol = current->ParseEndOfLine();
    while (pos_ <= len) {
      char16_t c = Text[size_t(pos_ - 1)];
      if (!IsSpaceChar(c) || (eol && (c == u'\r' || c == u'\n'))) break;
      ++pos_;
    }
  }
  const bool atEnd = pos_ > len;

  // White space may have moved pos_ onto a start or an end. At the same position, and with no
  // region opened just now, trying again would find what steps 1 and 2 found.
  if (pos_ != before || opened) {
    TryOpenAt(current, Text, pos_);
    current = RegionAt(Text, pos_);
  }

  if (atEnd) return true;

  TSyntToken token;
  bool found;
  if (current == owner_ && !owner_->OnParseToken) {
    // The owner's rules alone: MatchToken without its set-up.
    found = MatchPlanned<Profiled>(*this, PlanFor(owner_), Text, false, pos_, token);
  } else if (Profiled && !owner_->OnParseToken && !current->OnParseToken) {
    found = MatchPlanned<Profiled>(*this, PlanFor(owner_), Text, true, pos_, token) ||
            MatchPlanned<Profiled>(*this, PlanFor(current), Text, false, pos_, token);
  } else {
    found = owner_->MatchToken(*this, Text, current != owner_, pos_, token);
    if (!found && current != owner_) found = current->MatchToken(*this, Text, false, pos_, token);
  }

  if (found) {
    // Region starts never decrease, so only the last regions can start inside the token.
    for (int i = int(subLexerRanges_.size()) - 1; i >= 0; --i) {
      int s = subLexerRanges_[size_t(i)].StartPos;
      if (s <= token.StartPos) break;
      if (s < token.EndPos) {
        token.EndPos = s;
        break;
      }
    }
    SaveStateChange();
    // The margin of re-analysis covers a read of the unit after the token.
    if (stepReach_ > token.EndPos + 1)
      farReads_.push_back({TagCount(), farReads_.empty()
                                           ? stepReach_
                                           : std::max(stepReach_, farReads_.back().Reach)});
    stepReach_ = 0;
    tokens_.Append(token);
    After(Text, current);
    pos_ = token.EndPos + 1;
  } else {
    ++pos_;
  }
  resumePos_ = pos_;
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

bool TParserResults::AnalyzeNextToken(std::u16string_view Text, int& pos_) {
  StepText step(stepText_, inStep_, Text);
  auto after = [this](std::u16string_view T, TSyntAnalyzer* Current) {
    BlockRulesAfterToken(T, Current);
  };
  return profile_ ? Step<true>(Text, pos_, after) : Step<false>(Text, pos_, after);
}

template <bool Profiled, class AfterToken>
bool TParserResults::StepsUpTo(std::u16string_view Text, int& pos_, int Pos, AfterToken& After) {
  StepText step(stepText_, inStep_, Text);
  for (;;) {
    if (int64_t(Pos) + 1 < int64_t(pos_) - 1) return false;
    if (Step<Profiled>(Text, pos_, After)) return true;
  }
}

bool TClientSyntAnalyzer::TokenizeUpTo(std::u16string_view Text, int& pos_, int Pos) {
  auto after = [this](std::u16string_view T, TSyntAnalyzer* Current) {
    // BlockRulesAfterToken where the lexer has no block rule (its state was logged with the
    // token, so that only the block-rule position moves).
    if (Current == Owner() && (forceSyncBlocks_ || !SeparateBlocks()) &&
        PlanFor(Current).BlockRules.empty()) {
      SetBlockAnalPos(TagCount());
      LogState(2 * TagCount());
    } else {
      TClientSyntAnalyzer::BlockRulesAfterToken(T, Current);
    }
  };
  return Profile() ? StepsUpTo<true>(Text, pos_, Pos, after) : StepsUpTo(Text, pos_, Pos, after);
}

}  // namespace synt
