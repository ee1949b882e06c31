// The results of tokenizing one document under a lexer: tokens, sub-lexer regions and the state
// history, and the tokenizer step that extends them.
//
//   TClientSyntAnalyzer client(&lexer, nullptr, [&] { return &lines; });
//   client.Analyze(true);                          // whole text, block rules after every token
//   for (int i = 0; i < client.TagCount(); ++i) {
//     const TSyntToken& t = client.Tags(i);        // [t.StartPos, t.EndPos), t.TokenType
//     TRuleCollectionItem* rule = client.TokenRule(i);   // the rule that styles it
//   }
//
// Tokens are 16-byte values in one sorted vector: a token names its rule by an index into the
// client's rule table (every rule of every lexer the client has met), never by a copy. Offsets are
// 0-based and half-open; the tokenizer itself walks the text with a 1-based position, pos_.
//
// The client compiles what it needs of each lexer's rules when it first meets the lexer; every
// change of the rules clears the client, and the next analysis compiles afresh. Rule event
// handlers (OnMatchToken, OnBlockCheck) assigned while documents are analysed take part from the
// next tokenizer step (the results made so far stay).
//
// What only the engine does with the results (plans, scratch, retagging, state bits) is private;
// the engine's other parts reach it through analysis/internal/client_access.h. The data is
// private too: TClientSyntAnalyzer works on it through the protected discarding steps.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/syntax_analyzer.h"
#include "analysis/syntax_token.h"
#include "lists/range_list.h"
#include "regex/reg_expr.h"

namespace synt {

class TSyntMemoStrings;
class TClientSyntAnalyzer;
class TSyntaxFormat;
struct TAnalysisProfile;

namespace analysis_internal {
struct LexerPlan;
struct SubRulePlan;
}  // namespace analysis_internal

// A region of the text analysed by another lexer. EndPos and CondEndPos are -1 while open.
//
// Regions nest properly: a region opens inside the innermost region open at that point, and an
// inner region closes before its outer one (its end is tested first). Their starts never decrease
// in list order. ParentIndex names the enclosing region, so that lookups walk the chain of
// enclosing regions instead of every region of the text.
struct TSubLexerRange : TRange {
  TSubAnalyzerRule* Rule = nullptr;
  int CondEndPos = -1;   // end of the end expression's match
  int CondStartPos = 0;  // where the start expression matched
  int ParentIndex = -1;  // the enclosing region (index in SubLexerRanges), -1 for none
  bool IsOpen() const { return EndPos == -1; }
};

// One entry of the state history: the state became State at token TokenIndex.
struct TStateChange {
  int TokenIndex = 0;
  uint32_t State = 0;
  friend bool operator==(const TStateChange&, const TStateChange&) = default;
};

// A token retagged by a block rule after later tokens had arrived (re-analysis undoes it when it
// discards the run that did it).
struct TRetag {
  int Run = 0;  // the block-rule run: the number of tokens it was made for
  int Seq = 0;  // order among all retags
  int Index = 0;
  int OldRuleIndex = -1;
  int OldTokenType = 0;
};

// What a grammar needs of a token list.
class TTokenHolder {
 public:
  virtual ~TTokenHolder() = default;
  virtual int TagCount() const = 0;
  virtual int TagType(int Index) const = 0;
  virtual std::u16string TagText(int Index) const = 0;
  // Compares the token's text with S (exactly, or without case by simple case mapping). The base
  // copies the text; holders that can read it in place do so.
  virtual bool TagTextEquals(int Index, std::u16string_view S, bool IgnoreCase) const;
  // The first unit of the token's text (0 for an empty one).
  virtual char16_t TagFirstChar(int Index) const;
  // The holder as analysis results, whose tokens can be read directly; null for other holders.
  virtual const TParserResults* AsParserResults() const { return nullptr; }
};

// The line storage a client reads its text from.
using TSourceProc = std::function<TSyntMemoStrings*()>;

namespace analysis_internal {
struct ClientAccess;
}

class TParserResults : public TTokenHolder, public ISyntAnalyzerClient {
 public:
  // Raises Exception "Source procedure not passed from syntax server" when SourceProc gives none.
  TParserResults(TSyntAnalyzer* Owner, IqxSyntClient* Document, TSourceProc SourceProc);
  ~TParserResults() override;
  TParserResults(const TParserResults&) = delete;
  TParserResults& operator=(const TParserResults&) = delete;

  TSyntAnalyzer* Owner() const { return owner_; }
  IqxSyntClient* Document() const override { return document_; }
  TSyntMemoStrings* Source() const { return sourceProc_(); }
  bool IsFinished() const { return isFinished_; }

  // ---- Tokens ---------------------------------------------------------------------------------
  int TagCount() const override { return tokens_.Count(); }
  const TSyntToken& Tags(int Index) const { return tokens_.Items(Index); }
  int TagType(int Index) const override { return tokens_.Items(Index).TokenType; }
  std::u16string TagText(int Index) const override;
  bool TagTextEquals(int Index, std::u16string_view S, bool IgnoreCase) const override;
  char16_t TagFirstChar(int Index) const override;
  const TParserResults* AsParserResults() const override { return this; }
  // The token's text in place; valid until the text changes.
  std::u16string_view TagTextView(int Index) const;
  // The rule that styles token Index (a token rule, or the block rule that tagged it), and its
  // style; null when none.
  TRuleCollectionItem* TokenRule(int Index) const { return RuleAt(tokens_.Items(Index).RuleIndex); }
  TSyntaxFormat* TokenStyle(int Index) const;
  // The whole list (for position lookups: PriorAt, NextAt, RangeAt).
  const TTokenList& Tokens() const { return tokens_; }

  // ---- Sub-lexer regions, states --------------------------------------------------------------
  const std::vector<TSubLexerRange>& SubLexerRanges() const { return subLexerRanges_; }
  uint32_t CurrentState() const { return currentState_; }
  const std::vector<TStateChange>& StateChanges() const { return stateChanges_; }
  // The lexer in effect at the 0-based Pos (the owner outside every region).
  TSyntAnalyzer* AnalyzerAtPos(int Pos) const;

  // ---- Tokenizing -----------------------------------------------------------------------------
  // Where tokenizing resumes (1-based).
  int NextAnalPos() const;
  // One step at the 1-based pos_ of Text (the whole text); true when the end has been reached.
  bool AnalyzeNextToken(std::u16string_view Text, int& pos_);
  virtual bool IsRuleEnabled(TRuleCollectionItem* Rule, bool OnlyGlobal);
  void ApplyStates(TRuleCollectionItem* Rule);

  virtual void Clear();
  // The end of the text has been reached (the base marks the results complete).
  virtual void Finish();
  // Closes the open ranges of rules with EndOfTextClose (client analyzers; nothing here).
  virtual void CloseRangesAtEnd(int FromIdx) {}

  // The lexer's change propagation (ISyntAnalyzerClient).
  void RestartTimer() override {}
  // Attaches a profile that the analysis fills from now on (none: stop); not owned. Without one
  // the tokenizer and the block-rule runs take their ordinary paths.
  void SetProfile(TAnalysisProfile* Profile) { profile_ = Profile; }

 protected:
  // The block-rule run after each token; client analyzers override it.
  virtual void BlockRulesAfterToken(std::u16string_view Text, TSyntAnalyzer* Current) {}
  // Steps until the tokens cover the 0-based Pos (pos_ - 1 beyond Pos + 1: false) or the end has
  // been reached (true), as as many calls of AnalyzeNextToken would, with After(Text, Current) in
  // place of BlockRulesAfterToken (tokenizer.cpp), so that a subclass runs its block-rule step
  // without a virtual call per token.
  template <bool Profiled = false, class AfterToken>
  bool StepsUpTo(std::u16string_view Text, int& pos_, int Pos, AfterToken& After);
  void SetFinished(bool Value) { isFinished_ = Value; }
  void SetResumePos(int Pos) { resumePos_ = Pos; }
  // The profile being filled, if any (SetProfile).
  TAnalysisProfile* Profile() const { return profile_; }
  // Compiled view of Lexer's rules for this client (built on first use, dropped by Clear).
  analysis_internal::LexerPlan& PlanFor(TSyntAnalyzer* Lexer) {
    return Lexer == lastPlanLexer_ ? *lastPlan_ : FindPlan(Lexer);
  }
  // The rule table behind TSyntToken::RuleIndex.
  TRuleCollectionItem* RuleAt(int RuleIndex) const {
    return RuleIndex >= 0 && size_t(RuleIndex) < rules_.size() ? rules_[size_t(RuleIndex)]
                                                               : nullptr;
  }
  void ReserveTokens(int Count) { tokens_.Reserve(Count); }
  // Logs the state at Time when it changed (see stateLog_).
  void LogState(int Time) {
    if (lastLoggedState_ != currentState_) AppendStateLog(Time);
  }
  // The sub-lexer region whose end is closing ranges (CloseRangesAtEnd), -1 for the end of text.
  int ClosingRegion() const { return closingRegion_; }
  // The end of the text: open regions of rules with ToTextEnd end there.
  void CloseRegionsAtTextEnd(int Length);

  // Discarding support for re-analysis, in the order ChangedAtPos applies them. Regions that
  // start after Restart go and those whose end condition reaches beyond it open again (marked in
  // Reopened); returns the restart offset, moved back to where the analysis of those regions
  // began.
  int DiscardRegionsFrom(int Restart, std::vector<char>& Reopened);
  // The start of the first token whose analysis read the text at or after the 0-based Pos (rules
  // tried for it looked that far ahead), INT_MAX when none did beyond its own end and the unit
  // after it.
  int FirstReadingFrom(int Pos) const;
  // Moves the tokens from the one containing or following Restart on into Cut; returns how many
  // tokens stay.
  int CutTokensFrom(int Restart, TTokenList& Cut);
  // Drops the regions opened at or after Resume (their steps run again).
  void DropRegionsOpenedFrom(int Resume);
  // Restores the tokens before k that the block-rule runs after run k retagged.
  void UndoRetagsAfter(int k);
  // Cuts the state history back to the state after the block-rule run for k tokens.
  void RestoreStateAfterRun(int k);

 private:
  friend struct analysis_internal::ClientAccess;

  // ---- Engine-only operations (reached through ClientAccess) ----
  // The whole text the tokens refer to (during a tokenizer step, the text of that step: block
  // rules and grammars read token texts many times per token).
  std::u16string_view Text() const;
  int RuleIndexOf(TRuleCollectionItem* Rule);
  // Appends Rules to the table; returns the index of the first.
  int RegisterRules(const std::vector<TRuleCollectionItem*>& Rules);
  const uint32_t& CurrentStateRef() const { return currentState_; }
  // The parent-block part of IsRuleEnabled (client analyzers; true here).
  virtual bool ParentTest(TRuleCollectionItem* Rule) { return true; }
  // The same as ApplyStates with the rule's StatesRemove and StatesAdd bits at hand.
  void ApplyStateBits(uint32_t Remove, uint32_t Add) {
    currentState_ = (currentState_ & ~Remove) | Add;
  }
  // Retags token Index (tag detection) in the block-rule run for the first Run tokens: its rule
  // becomes RuleIndex, and its type TokenType unless that is negative.
  void TagToken(int Index, int RuleIndex, int TokenType, int Run);
  // The 0-based line of a text offset.
  int LineOfOffset(int Pos) const;
  TqxRegMatch& MatchScratch() { return match_; }
  // A match by the step in progress read the text up to the 1-based Reach.
  void NoteReach(int Reach) { stepReach_ = std::max(stepReach_, Reach); }
  // Counts the changes of tokens already in the list (retags, undone retags, cuts).
  uint32_t TokenChanges() const { return tokenChanges_; }

  // ISyntAnalyzerClient: the lexer reaches these through the interface.
  void ClearResults() override { Clear(); }
  // The lexer went away first: the results are dropped and nothing is analysed any more.
  void AnalyzerDestroyed(TSyntAnalyzer* Lexer) override;
  void RuleHandlersChanged(TSyntAnalyzer* Lexer) override;

  // Discarding support for re-analysis: tokens from Index on, with the state history.
  void TruncateStateChanges(int TokenIndex);
  // The token list was cut: what the plans keep of the latest tokens no longer holds.
  void TokensCut();
  void AppendStateLog(int Time);
  // Cuts the log after Time and restores the state logged last.
  void RestoreStateAt(int Time);

  TSyntAnalyzer* SubLexerCheck(std::u16string_view Text, int pos_);
  bool TryOpenSubLexer(TSyntAnalyzer* Current, std::u16string_view Text, int pos_);
  bool TryOpenRule(const analysis_internal::SubRulePlan& Plan, std::u16string_view Text, int pos_);
  const analysis_internal::SubRulePlan* FindSubPlan(TSubAnalyzerRule* Rule) const;
  // Parts of the tokenizer step (tokenizer.cpp).
  template <bool Profiled, class AfterToken>
  bool Step(std::u16string_view Text, int& pos_, AfterToken& After);
  TSyntAnalyzer* RegionAt(std::u16string_view Text, int Pos);
  bool TryOpenAt(TSyntAnalyzer* Current, std::u16string_view Text, int Pos);
  void SaveStateChange();
  void ResetPlans();
  analysis_internal::LexerPlan& FindPlan(TSyntAnalyzer* Lexer);
  bool HasSubRules(TSyntAnalyzer* Lexer);

  uint32_t tokenChanges_ = 0;
  // Retags of earlier tokens, in two logs each in ascending run order: those made while tokens
  // were being appended (the run is the token count) and those of a catch-up pass behind it.
  std::vector<TRetag> retags_, catchUpRetags_;
  int retagSeq_ = 0;
  int closingRegion_ = -1;

  TTokenList tokens_;
  // Tokens whose steps read further than the unit after them (the margin re-analysis always
  // leaves), in token order, each with the furthest 1-based position read by its steps or any
  // earlier ones: the first token an edit makes stale is a binary search away.
  struct TFarRead {
    int Token = 0;
    int Reach = 0;
  };
  std::vector<TFarRead> farReads_;
  int stepReach_ = 0;  // the furthest position the steps since the last token read
  std::vector<TSubLexerRange> subLexerRanges_;
  std::vector<TStateChange> stateChanges_;
  uint32_t changedState_ = 0;  // the state of the last entry of stateChanges_, 0 without one
  uint32_t currentState_ = 0;
  // Every change of the state in time order, for restoring it exactly: the state when token j was
  // added is logged at time 2j + 1, the state after the block-rule run for n tokens at time 2n
  // (TStateChange::TokenIndex holds the time).
  std::vector<TStateChange> stateLog_;
  uint32_t lastLoggedState_ = 0;

  std::u16string_view stepText_;
  bool inStep_ = false;

  int currentRegion_ = -1;  // the region whose lexer the last check found current, -1: the owner

  TSyntAnalyzer* owner_;
  IqxSyntClient* document_;
  TSourceProc sourceProc_;
  bool isFinished_ = false;
  int resumePos_ = 0;

  std::vector<TRuleCollectionItem*> rules_;
  std::vector<std::unique_ptr<analysis_internal::LexerPlan>> plans_;
  analysis_internal::LexerPlan* lastPlan_ = nullptr;
  TSyntAnalyzer* lastPlanLexer_ = nullptr;
  bool anySubRules_ = false;  // some planned lexer has sub-lexer rules
  TqxRegMatch match_;
  TAnalysisProfile* profile_ = nullptr;
};

}  // namespace synt
