// Internal: what the engine's own parts (lexer, block rules, plans, grammar, display build) and the
// tests do with a client analysis beyond its public surface: plans and scratch, retagging, state
// bits, the block-rule position, the idle loop's knobs and the raw display data. Only src/analysis,
// the tests, the benchmarks and the synt tool include it; the modules above the analysis fail to
// compile when they do (SYNT_ABOVE_ANALYSIS).
//
//   using synt::analysis_internal::ClientAccess;
//   LexerPlan& plan = ClientAccess::PlanFor(client, lexer);
//   ClientAccess::TagToken(client, k, ruleIndex, tokenType, n);
//
// Every function forwards to a private member of the same name, inline, so that the hot paths
// cost what a direct call did.
#pragma once

#ifdef SYNT_ABOVE_ANALYSIS
#error "analysis/internal is not for the modules above the analysis: use ISyntDisplayQueries"
#endif

#include <cstdint>
#include <string_view>
#include <vector>

#include "analysis/client_analyzer.h"

namespace synt::analysis_internal {

struct ClientAccess {
  // ---- Tokenizer results ----------------------------------------------------------------------
  static LexerPlan& PlanFor(TParserResults& C, TSyntAnalyzer* Lexer) { return C.PlanFor(Lexer); }
  static TqxRegMatch& MatchScratch(TParserResults& C) { return C.MatchScratch(); }
  static void NoteReach(TParserResults& C, int Reach) { C.NoteReach(Reach); }
  static std::u16string_view Text(const TParserResults& C) { return C.Text(); }
  static TRuleCollectionItem* RuleAt(const TParserResults& C, int RuleIndex) {
    return C.RuleAt(RuleIndex);
  }
  static int RuleIndexOf(TParserResults& C, TRuleCollectionItem* Rule) {
    return C.RuleIndexOf(Rule);
  }
  static int RegisterRules(TParserResults& C, const std::vector<TRuleCollectionItem*>& Rules) {
    return C.RegisterRules(Rules);
  }
  static const uint32_t& CurrentStateRef(const TParserResults& C) { return C.CurrentStateRef(); }
  static void ApplyStateBits(TParserResults& C, uint32_t Remove, uint32_t Add) {
    C.ApplyStateBits(Remove, Add);
  }
  static bool ParentTest(TParserResults& C, TRuleCollectionItem* Rule) {
    return C.ParentTest(Rule);
  }
  static bool ParentTest(TClientSyntAnalyzer& C, TRuleCollectionItem* Rule) {
    return C.ParentTest(Rule);
  }
  static void TagToken(TParserResults& C, int Index, int RuleIndex, int TokenType, int Run) {
    C.TagToken(Index, RuleIndex, TokenType, Run);
  }
  static int LineOfOffset(const TParserResults& C, int Pos) { return C.LineOfOffset(Pos); }
  static uint32_t TokenChanges(const TParserResults& C) { return C.TokenChanges(); }
  static TAnalysisProfile* Profile(const TParserResults& C) { return C.Profile(); }

  // ---- Block rules ----------------------------------------------------------------------------
  static int BlockAnalPos(const TClientSyntAnalyzer& C) { return C.BlockAnalPos(); }
  static void SetBlockAnalPos(TClientSyntAnalyzer& C, int Value) { C.SetBlockAnalPos(Value); }
  static uint64_t OpenedGeneration(const TClientSyntAnalyzer& C) { return C.OpenedGeneration(); }
  static bool LineHasDisplay(const TClientSyntAnalyzer& C, int Line) {
    return C.LineHasDisplay(Line);
  }
  static void AddLineBreak(TClientSyntAnalyzer& C, const TLineBreak& LineBreak) {
    C.AddLineBreak(LineBreak);
  }
  static bool RangeTokenSpan(const TClientSyntAnalyzer& C, const TTextRange* Range, int& sIdx,
                             int& eIdx) {
    return C.RangeTokenSpan(Range, sIdx, eIdx);
  }
  static void CatchUpBlockRules(TClientSyntAnalyzer& C, int UpTo) { C.CatchUpBlockRules(UpTo); }

  // ---- Idle loop and background pass ----------------------------------------------------------
  static void SetIdleSlice(TClientSyntAnalyzer& C, unsigned Ms, int MaxSteps) {
    C.SetIdleSlice(Ms, MaxSteps);
  }
  static void SetBackgroundFinish(TClientSyntAnalyzer& C, bool Value) {
    C.SetBackgroundFinish(Value);
  }
  static bool BackgroundFinish(const TClientSyntAnalyzer& C) { return C.BackgroundFinish(); }
  static bool WasFinished(const TClientSyntAnalyzer& C) { return C.WasFinished(); }
  static bool StopRequested(const TClientSyntAnalyzer& C) { return C.StopRequested(); }
  static bool InIdleAppend(const TClientSyntAnalyzer& C) { return C.InIdleAppend(); }
  static const TTimer& IdleTimer(const TClientSyntAnalyzer& C) { return C.IdleTimer(); }
  static int AnalyzedLength(const TClientSyntAnalyzer& C) { return C.AnalyzedLength(); }

  // ---- Display data in old coordinates --------------------------------------------------------
  static const TDisplayRanges& DisplayRanges(const TClientSyntAnalyzer& C) {
    return C.DisplayRanges();
  }
  static const TChangeFixer& ChangeLog(const TClientSyntAnalyzer& C) { return C.ChangeLog(); }
  static const TTokenList& PendingTokens(const TClientSyntAnalyzer& C) { return C.PendingTokens(); }
  static int PendingBase(const TClientSyntAnalyzer& C) { return C.PendingBase(); }
  static bool IsShown(const TClientSyntAnalyzer& C, const TStyledRange& Range) {
    return C.IsShown(Range);
  }
};

}  // namespace synt::analysis_internal
