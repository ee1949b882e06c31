#include "analysis/parser_results.h"

#include <algorithm>

#include "analysis/internal/analysis_plan.h"
#include "lists/char_utils.h"
#include "text/memo_strings.h"

namespace synt {

using analysis_internal::LexerPlan;

bool TTokenHolder::TagTextEquals(int Index, std::u16string_view S, bool IgnoreCase) const {
  return SameText(TagText(Index), S, IgnoreCase ? cmIgnoreCase : cmExact);
}

char16_t TTokenHolder::TagFirstChar(int Index) const {
  std::u16string t = TagText(Index);
  return t.empty() ? 0 : t[0];
}

TParserResults::TParserResults(TSyntAnalyzer* Owner, IqxSyntClient* Document,
                               TSourceProc SourceProc)
    : owner_(Owner), document_(Document), sourceProc_(std::move(SourceProc)) {
  if (!sourceProc_ || !sourceProc_())
    throw Exception("Source procedure not passed from syntax server");
  if (owner_) owner_->AttachClient(this);
}

TParserResults::~TParserResults() {
  if (owner_) owner_->DetachClient(this);
}

void TParserResults::RuleHandlersChanged(TSyntAnalyzer* Lexer) {
  // Marked here, refreshed where no plan is in use: the token rules when FindPlan next finds the
  // plan (PlanFor's shortcut is dropped for that), the block rules when a block-rule run starts
  // (as after a grammar compilation).
  for (auto& p : plans_)
    if (p->Lexer == Lexer) {
      p->TokenHandlersStale = true;
      p->GrammaCompileCount = -1;
    }
  lastPlan_ = nullptr;
  lastPlanLexer_ = nullptr;
}

void TParserResults::AnalyzerDestroyed(TSyntAnalyzer* Lexer) {
  if (Lexer != owner_) return;
  Clear();
  owner_ = nullptr;
}

std::u16string_view TParserResults::Text() const {
  return inStep_ ? stepText_ : Source()->TextView();
}

std::u16string_view TParserResults::TagTextView(int Index) const {
  return tokens_.Items(Index).TextIn(Text());
}

std::u16string TParserResults::TagText(int Index) const {
  return std::u16string(TagTextView(Index));
}

bool TParserResults::TagTextEquals(int Index, std::u16string_view S, bool IgnoreCase) const {
  return SameText(TagTextView(Index), S, IgnoreCase ? cmIgnoreCase : cmExact);
}

char16_t TParserResults::TagFirstChar(int Index) const {
  return tokens_.Items(Index).FirstIn(Text());
}

TSyntaxFormat* TParserResults::TokenStyle(int Index) const {
  TRuleCollectionItem* r = TokenRule(Index);
  return r ? r->Style() : nullptr;
}

int TParserResults::RuleIndexOf(TRuleCollectionItem* Rule) {
  if (!Rule) return -1;
  // Rules of lexers this client has compiled sit at known places; anything else (a rule handed
  // back by OnParseToken from elsewhere, say) is appended once.
  for (size_t i = 0; i < rules_.size(); ++i)
    if (rules_[i] == Rule) return int(i);
  rules_.push_back(Rule);
  return int(rules_.size()) - 1;
}

LexerPlan& TParserResults::FindPlan(TSyntAnalyzer* Lexer) {
  // Several calls per token ask for the same lexer: PlanFor remembers the last answer.
  lastPlan_ = nullptr;
  for (auto& p : plans_)
    if (p->Lexer == Lexer) lastPlan_ = p.get();
  if (lastPlan_ && lastPlan_->TokenHandlersStale) analysis_internal::PlanTokenHandlers(*lastPlan_);
  if (!lastPlan_) {
    plans_.push_back(analysis_internal::BuildPlan(Lexer, *this));
    lastPlan_ = plans_.back().get();
    anySubRules_ = anySubRules_ || !lastPlan_->SubRules.empty();
  }
  lastPlanLexer_ = Lexer;
  return *lastPlan_;
}

int TParserResults::RegisterRules(const std::vector<TRuleCollectionItem*>& Rules) {
  int base = int(rules_.size());
  rules_.insert(rules_.end(), Rules.begin(), Rules.end());
  return base;
}

void TParserResults::ResetPlans() {
  lastPlan_ = nullptr;
  lastPlanLexer_ = nullptr;
  anySubRules_ = false;
  plans_.clear();
  rules_.clear();
}

TSyntAnalyzer* TParserResults::AnalyzerAtPos(int Pos) const {
  if (Pos < 0 || subLexerRanges_.empty()) return owner_;
  // The last region starting at or before Pos; the answer is it or one of the regions enclosing
  // it (a region that contains Pos and starts before it must enclose it).
  int i = Bisect(int(subLexerRanges_.size()),
                 [&](int k) { return subLexerRanges_[size_t(k)].StartPos <= Pos ? -1 : 1; });
  for (; i >= 0; i = subLexerRanges_[size_t(i)].ParentIndex) {
    const TSubLexerRange& r = subLexerRanges_[size_t(i)];
    if ((r.IsOpen() || Pos < r.EndPos) && r.Rule && r.Rule->SyntAnalyzer())
      return r.Rule->SyntAnalyzer();
  }
  return owner_;
}

int TParserResults::NextAnalPos() const {
  int p = tokens_.Empty() ? 1 : tokens_.Last().EndPos + 1;
  return std::max(p, resumePos_);
}

bool TParserResults::IsRuleEnabled(TRuleCollectionItem* Rule, bool OnlyGlobal) {
  if (!Rule->Enabled()) return false;
  if (OnlyGlobal && !Rule->AlwaysEnabled()) return false;
  uint32_t present = uint32_t(Rule->StatesPresent()), absent = uint32_t(Rule->StatesAbsent());
  if (present && (currentState_ & present) != present) return false;
  if (absent && (currentState_ & absent)) return false;
  return ParentTest(Rule);
}

void TParserResults::ApplyStates(TRuleCollectionItem* Rule) {
  currentState_ = (currentState_ & ~uint32_t(Rule->StatesRemove())) | uint32_t(Rule->StatesAdd());
}

void TParserResults::AppendStateLog(int Time) {
  stateLog_.push_back({Time, currentState_});
  lastLoggedState_ = currentState_;
}

void TParserResults::RestoreStateAt(int Time) {
  auto it = std::upper_bound(stateLog_.begin(), stateLog_.end(), Time,
                             [](int t, const TStateChange& c) { return t < c.TokenIndex; });
  stateLog_.erase(it, stateLog_.end());
  currentState_ = lastLoggedState_ = stateLog_.empty() ? 0 : stateLog_.back().State;
}

void TParserResults::TruncateStateChanges(int TokenIndex) {
  auto it = std::lower_bound(stateChanges_.begin(), stateChanges_.end(), TokenIndex,
                             [](const TStateChange& c, int k) { return c.TokenIndex < k; });
  stateChanges_.erase(it, stateChanges_.end());
  currentState_ = changedState_ = stateChanges_.empty() ? 0 : stateChanges_.back().State;
}

void TParserResults::TokensCut() {
  ++tokenChanges_;
  for (auto& p : plans_) p->Ids.Invalidate();
}

void TParserResults::RestoreStateAfterRun(int k) {
  TruncateStateChanges(k);
  RestoreStateAt(2 * k);
}

int TParserResults::DiscardRegionsFrom(int Restart, std::vector<char>& Reopened) {
  // Those starting after the restart go (a suffix: starts never decrease), those whose end
  // condition reaches beyond it open again; either moves it back, so repeat until it holds.
  int c = Restart;
  Reopened.assign(subLexerRanges_.size(), 0);
  for (bool moved = true; moved;) {
    moved = false;
    while (!subLexerRanges_.empty() && subLexerRanges_.back().StartPos > c) {
      c = std::min(c, subLexerRanges_.back().CondStartPos);
      subLexerRanges_.pop_back();
      moved = true;
    }
    for (int i = int(subLexerRanges_.size()) - 1; i >= 0; --i) {
      TSubLexerRange& r = subLexerRanges_[size_t(i)];
      if (r.IsOpen() || c >= r.CondEndPos) continue;
      if (r.EndPos < c) {
        c = r.EndPos;
        moved = true;
      }
      r.EndPos = r.CondEndPos = -1;
      Reopened[size_t(i)] = 1;
    }
  }
  return c;
}

int TParserResults::FirstReadingFrom(int Pos) const {
  auto it = std::upper_bound(farReads_.begin(), farReads_.end(), Pos,
                             [](int p, const TFarRead& f) { return p < f.Reach; });
  return it == farReads_.end() ? INT_MAX : tokens_.Items(it->Token).StartPos;
}

int TParserResults::CutTokensFrom(int Restart, TTokenList& Cut) {
  int k = tokens_.NextAt(Restart);
  if (k < 0) k = TagCount();
  tokens_.CutAt(k, &Cut);
  while (!farReads_.empty() && farReads_.back().Token >= k) farReads_.pop_back();
  stepReach_ = 0;
  TokensCut();
  return k;
}

void TParserResults::DropRegionsOpenedFrom(int Resume) {
  while (!subLexerRanges_.empty() && subLexerRanges_.back().CondStartPos >= Resume)
    subLexerRanges_.pop_back();
}

void TParserResults::UndoRetagsAfter(int k) {
  // Retags by runs after k of tokens before k, newest first.
  auto firstAfter = [k](const std::vector<TRetag>& log) {
    return std::upper_bound(log.begin(), log.end(), k,
                            [](int run, const TRetag& t) { return run < t.Run; }) -
           log.begin();
  };
  const size_t a = size_t(firstAfter(retags_)), b = size_t(firstAfter(catchUpRetags_));
  std::vector<const TRetag*> undo;
  for (size_t i = a; i < retags_.size(); ++i)
    if (retags_[i].Index < k) undo.push_back(&retags_[i]);
  for (size_t i = b; i < catchUpRetags_.size(); ++i)
    if (catchUpRetags_[i].Index < k) undo.push_back(&catchUpRetags_[i]);
  std::sort(undo.begin(), undo.end(),
            [](const TRetag* x, const TRetag* y) { return x->Seq > y->Seq; });
  if (!undo.empty()) ++tokenChanges_;
  for (const TRetag* t : undo) {
    TSyntToken& tok = tokens_[t->Index];
    tok.RuleIndex = t->OldRuleIndex;
    tok.TokenType = t->OldTokenType;
  }
  retags_.resize(a);
  catchUpRetags_.resize(b);
}

void TParserResults::CloseRegionsAtTextEnd(int Length) {
  for (TSubLexerRange& r : subLexerRanges_)
    if (r.IsOpen() && r.Rule && r.Rule->ToTextEnd()) r.EndPos = r.CondEndPos = Length;
  closingRegion_ = -1;
}

void TParserResults::Clear() {
  tokens_.Clear();
  farReads_.clear();
  stepReach_ = 0;
  subLexerRanges_.clear();
  stateChanges_.clear();
  changedState_ = 0;
  stateLog_.clear();
  lastLoggedState_ = 0;
  retags_.clear();
  catchUpRetags_.clear();
  currentState_ = 0;
  resumePos_ = 0;
  isFinished_ = false;
  ResetPlans();
}

void TParserResults::Finish() {
  isFinished_ = true;
}

// ---- Sub-lexer regions ----------------------------------------------------------------------

namespace {

// Anchored match length at the 1-based Pos, -1 when there is none (also when the match raises).
// Reach grows to the furthest position the attempt read.
int MatchAt(const std::shared_ptr<const TqxRegProgram>& Prog, std::u16string_view Text, int Pos,
            TqxRegMatch& M, int& Reach) {
  Reach = std::max(Reach, Pos);
  if (!Prog || !Prog->MayMatchAt(Text, Pos)) return -1;
  try {
    const int len = Prog->AnchoredLength(Text, Pos, M);
    Reach = std::max(Reach, M.Reach());
    return len;
  } catch (...) {
    Reach = int(Text.size()) + 1;
    return -1;
  }
}

}  // namespace

// The region's rule was planned when the region opened (clearing drops both together).
const analysis_internal::SubRulePlan* TParserResults::FindSubPlan(TSubAnalyzerRule* Rule) const {
  for (const auto& p : plans_)
    for (const auto& s : p->SubRules)
      if (s.Rule == Rule) return &s;
  return nullptr;
}

TSyntAnalyzer* TParserResults::SubLexerCheck(std::u16string_view Text, int pos_) {
  currentRegion_ = -1;
  if (subLexerRanges_.empty()) return owner_;
  TSyntAnalyzer* current = nullptr;
  // From the last region back through the regions enclosing it: every other region closed
  // before the current character and can make no difference.
  for (int i = int(subLexerRanges_.size()) - 1; i >= 0;
       i = subLexerRanges_[size_t(i)].ParentIndex) {
    TSubLexerRange& r = subLexerRanges_[size_t(i)];
    if (r.StartPos >= pos_) continue;  // starts after the current character (offset pos_ - 1)
    TSyntAnalyzer* lexer = r.Rule->SyntAnalyzer();
    if (r.IsOpen()) {
      // The end expression belongs to the lexer that owns the rule.
      const analysis_internal::SubRulePlan* sp = FindSubPlan(r.Rule);
      int len = sp ? MatchAt(sp->End, Text, pos_, match_, stepReach_) : -1;
      if (len < 0) {
        currentRegion_ = i;
        return lexer ? lexer : owner_;
      }
      if (r.Rule->IncludeBounds()) {
        r.EndPos = r.CondEndPos = pos_ - 1 + len;
        if (!current) currentRegion_ = i;
        current = lexer;  // it tokenizes the end match itself
      } else {
        r.EndPos = pos_ - 1;
        r.CondEndPos = pos_ - 1 + len;
      }
      // Ranges opened inside the region that end with their text end here. The region's first
      // token is the first one at or after its start: the start match before it was tokenized
      // outside the region.
      int from = tokens_.NextAt(r.StartPos);
      if (from < 0)
        from = TagCount();
      else if (tokens_[from].StartPos < r.StartPos)
        ++from;
      if (from < TagCount()) {
        closingRegion_ = i;
        CloseRangesAtEnd(from);
        closingRegion_ = -1;
      }
    } else if (pos_ - 1 < r.EndPos) {
      currentRegion_ = i;
      return lexer ? lexer : owner_;
    }
  }
  return current ? current : owner_;
}

bool TParserResults::TryOpenRule(const analysis_internal::SubRulePlan& Plan,
                                 std::u16string_view Text, int pos_) {
  TSubAnalyzerRule* Rule = Plan.Rule;
  const bool atBegin = Rule->FromTextBegin() && pos_ == 1;
  // The start expression's first-character filter is the cheapest test, so it goes first.
  if (!atBegin && (!Plan.Start || !Plan.Start->MayMatchAt(Text, pos_))) return false;
  if (!Rule->SyntAnalyzer() || !IsRuleEnabled(Rule, false)) return false;
  int len = 0;
  if (!atBegin) {
    len = MatchAt(Plan.Start, Text, pos_, match_, stepReach_);
    if (len <= 0) return false;
  }
  if (!subLexerRanges_.empty()) {
    const TSubLexerRange& last = subLexerRanges_.back();
    if (last.EndPos == pos_ - 1 && last.Rule == Rule) return true;  // just closed here
  }
  ApplyStates(Rule);
  TSubLexerRange r;
  r.Rule = Rule;
  r.CondStartPos = pos_ - 1;
  r.StartPos = Rule->IncludeBounds() ? pos_ - 1 : pos_ - 1 + len;
  r.EndPos = r.CondEndPos = -1;
  r.ParentIndex = currentRegion_;
  subLexerRanges_.push_back(r);
  return true;
}

bool TParserResults::TryOpenSubLexer(TSyntAnalyzer* Current, std::u16string_view Text, int pos_) {
  if (!anySubRules_) {
    PlanFor(Current);  // planning a lexer notes whether it has sub-lexer rules
    if (!anySubRules_) return false;
  }
  // A region that starts at or after this character is pending (opened, not entered yet): opening
  // another one now would stack a second region onto the same start.
  if (!subLexerRanges_.empty()) {
    const TSubLexerRange& last = subLexerRanges_.back();
    if (last.IsOpen() && last.StartPos >= pos_ - 1) return false;
  }
  const LexerPlan& plan = PlanFor(Current);
  const char16_t c = pos_ >= 1 && size_t(pos_) <= Text.size() ? Text[size_t(pos_ - 1)] : 0;
  const bool inText = pos_ >= 1 && size_t(pos_) <= Text.size();
  if (plan.SubStartAnywhere || (inText && plan.SubStart.Test(c)))
    for (const auto& sp : plan.SubRules)
      if (TryOpenRule(sp, Text, pos_)) return true;
  if (Current != owner_) {
    const LexerPlan& own = PlanFor(owner_);
    if (own.SubStartGlobalAnywhere || (inText && own.SubStartGlobal.Test(c)))
      for (const auto& sp : own.SubRules)
        if (sp.Rule->AlwaysEnabled() && TryOpenRule(sp, Text, pos_)) return true;
  }
  return false;
}

}  // namespace synt
