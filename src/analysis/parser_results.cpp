#include "analysis/parser_results.h"

#include <algorithm>

#include "analysis/analysis_plan.h"
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
    : fOwner(Owner), fDocument(Document), fSourceProc(std::move(SourceProc)) {
  if (!fSourceProc || !fSourceProc())
    throw Exception("Source procedure not passed from syntax server");
  if (fOwner) fOwner->AttachClient(this);
}

TParserResults::~TParserResults() {
  if (fOwner) fOwner->DetachClient(this);
}

void TParserResults::AnalyzerDestroyed(TSyntAnalyzer* Lexer) {
  if (Lexer != fOwner) return;
  Clear();
  fOwner = nullptr;
}

std::u16string_view TParserResults::Text() const {
  return fInStep ? fStepText : Source()->TextView();
}

std::u16string_view TParserResults::TagTextView(int Index) const {
  return fTokens.Items(Index).TextIn(Text());
}

std::u16string TParserResults::TagText(int Index) const {
  return std::u16string(TagTextView(Index));
}

bool TParserResults::TagTextEquals(int Index, std::u16string_view S, bool IgnoreCase) const {
  return SameText(TagTextView(Index), S, IgnoreCase ? cmIgnoreCase : cmExact);
}

char16_t TParserResults::TagFirstChar(int Index) const {
  return fTokens.Items(Index).FirstIn(Text());
}

TSyntaxFormat* TParserResults::TokenStyle(int Index) const {
  TRuleCollectionItem* r = TokenRule(Index);
  return r ? r->Style() : nullptr;
}

int TParserResults::RuleIndexOf(TRuleCollectionItem* Rule) {
  if (!Rule) return -1;
  // Rules of lexers this client has compiled sit at known places; anything else (a rule handed
  // back by OnParseToken from elsewhere, say) is appended once.
  for (size_t i = 0; i < fRules.size(); ++i)
    if (fRules[i] == Rule) return int(i);
  fRules.push_back(Rule);
  return int(fRules.size()) - 1;
}

LexerPlan& TParserResults::FindPlan(TSyntAnalyzer* Lexer) {
  // Several calls per token ask for the same lexer: PlanFor remembers the last answer.
  fLastPlan = nullptr;
  for (auto& p : fPlans)
    if (p->Lexer == Lexer) fLastPlan = p.get();
  if (!fLastPlan) {
    fPlans.push_back(analysis_internal::BuildPlan(Lexer, *this));
    fLastPlan = fPlans.back().get();
    fAnySubRules = fAnySubRules || !fLastPlan->SubRules.empty();
  }
  fLastPlanLexer = Lexer;
  return *fLastPlan;
}

int TParserResults::RegisterRules(const std::vector<TRuleCollectionItem*>& Rules) {
  int base = int(fRules.size());
  fRules.insert(fRules.end(), Rules.begin(), Rules.end());
  return base;
}

void TParserResults::ResetPlans() {
  fLastPlan = nullptr;
  fLastPlanLexer = nullptr;
  fAnySubRules = false;
  fPlans.clear();
  fRules.clear();
}

TSyntAnalyzer* TParserResults::AnalyzerAtPos(int Pos) const {
  if (Pos < 0 || fSubLexerRanges.empty()) return fOwner;
  // The last region starting at or before Pos; the answer is it or one of the regions enclosing
  // it (a region that contains Pos and starts before it must enclose it).
  int i = Bisect(int(fSubLexerRanges.size()),
                 [&](int k) { return fSubLexerRanges[size_t(k)].StartPos <= Pos ? -1 : 1; });
  for (; i >= 0; i = fSubLexerRanges[size_t(i)].ParentIndex) {
    const TSubLexerRange& r = fSubLexerRanges[size_t(i)];
    if ((r.IsOpen() || Pos < r.EndPos) && r.Rule && r.Rule->SyntAnalyzer())
      return r.Rule->SyntAnalyzer();
  }
  return fOwner;
}

int TParserResults::NextAnalPos() const {
  int p = fTokens.Empty() ? 1 : fTokens.Last().EndPos + 1;
  return std::max(p, fResumePos);
}

bool TParserResults::IsRuleEnabled(TRuleCollectionItem* Rule, bool OnlyGlobal) {
  if (!Rule->Enabled()) return false;
  if (OnlyGlobal && !Rule->AlwaysEnabled()) return false;
  uint32_t present = uint32_t(Rule->StatesPresent()), absent = uint32_t(Rule->StatesAbsent());
  if (present && (fCurrentState & present) != present) return false;
  if (absent && (fCurrentState & absent)) return false;
  return ParentTest(Rule);
}

void TParserResults::ApplyStates(TRuleCollectionItem* Rule) {
  fCurrentState = (fCurrentState & ~uint32_t(Rule->StatesRemove())) | uint32_t(Rule->StatesAdd());
}

void TParserResults::AppendStateLog(int Time) {
  fStateLog.push_back({Time, fCurrentState});
  fLastLoggedState = fCurrentState;
}

void TParserResults::RestoreStateAt(int Time) {
  auto it = std::upper_bound(fStateLog.begin(), fStateLog.end(), Time,
                             [](int t, const TStateChange& c) { return t < c.TokenIndex; });
  fStateLog.erase(it, fStateLog.end());
  fCurrentState = fLastLoggedState = fStateLog.empty() ? 0 : fStateLog.back().State;
}

void TParserResults::TruncateStateChanges(int TokenIndex) {
  auto it = std::lower_bound(fStateChanges.begin(), fStateChanges.end(), TokenIndex,
                             [](const TStateChange& c, int k) { return c.TokenIndex < k; });
  fStateChanges.erase(it, fStateChanges.end());
  fCurrentState = fChangedState = fStateChanges.empty() ? 0 : fStateChanges.back().State;
}

void TParserResults::TokensCut() {
  ++fTokenChanges;
  for (auto& p : fPlans) p->Ids.Invalidate();
}

void TParserResults::Clear() {
  fTokens.Clear();
  fSubLexerRanges.clear();
  fStateChanges.clear();
  fChangedState = 0;
  fStateLog.clear();
  fLastLoggedState = 0;
  fRetags.clear();
  fCatchUpRetags.clear();
  fCurrentState = 0;
  fResumePos = 0;
  fIsFinished = false;
  ResetPlans();
}

void TParserResults::Finish() {
  fIsFinished = true;
}

// ---- Sub-lexer regions ----------------------------------------------------------------------

namespace {

// Anchored match length at the 1-based Pos, -1 when there is none (also when the match raises).
int MatchAt(const std::shared_ptr<const TqxRegProgram>& Prog, std::u16string_view Text, int Pos,
            TqxRegMatch& M) {
  if (!Prog || !Prog->MayMatchAt(Text, Pos)) return -1;
  try {
    return Prog->AnchoredLength(Text, Pos, M);
  } catch (...) {
    return -1;
  }
}

}  // namespace

// The region's rule was planned when the region opened (clearing drops both together).
const analysis_internal::SubRulePlan* TParserResults::FindSubPlan(TSubAnalyzerRule* Rule) const {
  for (const auto& p : fPlans)
    for (const auto& s : p->SubRules)
      if (s.Rule == Rule) return &s;
  return nullptr;
}

TSyntAnalyzer* TParserResults::SubLexerCheck(std::u16string_view Text, int FPos) {
  fCurrentRegion = -1;
  if (fSubLexerRanges.empty()) return fOwner;
  TSyntAnalyzer* current = nullptr;
  // From the last region back through the regions enclosing it: every other region closed
  // before the current character and can make no difference.
  for (int i = int(fSubLexerRanges.size()) - 1; i >= 0;
       i = fSubLexerRanges[size_t(i)].ParentIndex) {
    TSubLexerRange& r = fSubLexerRanges[size_t(i)];
    if (r.StartPos >= FPos) continue;  // starts after the current character (offset FPos - 1)
    TSyntAnalyzer* lexer = r.Rule->SyntAnalyzer();
    if (r.IsOpen()) {
      // The end expression belongs to the lexer that owns the rule.
      const analysis_internal::SubRulePlan* sp = FindSubPlan(r.Rule);
      int len = sp ? MatchAt(sp->End, Text, FPos, fMatch) : -1;
      if (len < 0) {
        fCurrentRegion = i;
        return lexer ? lexer : fOwner;
      }
      if (r.Rule->IncludeBounds()) {
        r.EndPos = r.CondEndPos = FPos - 1 + len;
        if (!current) fCurrentRegion = i;
        current = lexer;  // it tokenizes the end match itself
      } else {
        r.EndPos = FPos - 1;
        r.CondEndPos = FPos - 1 + len;
      }
      // Ranges opened inside the region that end with their text end here. The region's first
      // token is the first one at or after its start: the start match before it was tokenized
      // outside the region.
      int from = fTokens.NextAt(r.StartPos);
      if (from < 0)
        from = TagCount();
      else if (fTokens[from].StartPos < r.StartPos)
        ++from;
      if (from < TagCount()) {
        fClosingRegion = i;
        CloseRangesAtEnd(from);
        fClosingRegion = -1;
      }
    } else if (FPos - 1 < r.EndPos) {
      fCurrentRegion = i;
      return lexer ? lexer : fOwner;
    }
  }
  return current ? current : fOwner;
}

bool TParserResults::TryOpenRule(const analysis_internal::SubRulePlan& Plan,
                                 std::u16string_view Text, int FPos) {
  TSubAnalyzerRule* Rule = Plan.Rule;
  const bool atBegin = Rule->FromTextBegin() && FPos == 1;
  // The start expression's first-character filter is the cheapest test, so it goes first.
  if (!atBegin && (!Plan.Start || !Plan.Start->MayMatchAt(Text, FPos))) return false;
  if (!Rule->SyntAnalyzer() || !IsRuleEnabled(Rule, false)) return false;
  int len = 0;
  if (!atBegin) {
    len = MatchAt(Plan.Start, Text, FPos, fMatch);
    if (len <= 0) return false;
  }
  if (!fSubLexerRanges.empty()) {
    const TSubLexerRange& last = fSubLexerRanges.back();
    if (last.EndPos == FPos - 1 && last.Rule == Rule) return true;  // just closed here
  }
  ApplyStates(Rule);
  TSubLexerRange r;
  r.Rule = Rule;
  r.CondStartPos = FPos - 1;
  r.StartPos = Rule->IncludeBounds() ? FPos - 1 : FPos - 1 + len;
  r.EndPos = r.CondEndPos = -1;
  r.ParentIndex = fCurrentRegion;
  fSubLexerRanges.push_back(r);
  return true;
}

bool TParserResults::TryOpenSubLexer(TSyntAnalyzer* Current, std::u16string_view Text, int FPos) {
  if (!fAnySubRules) {
    PlanFor(Current);  // planning a lexer notes whether it has sub-lexer rules
    if (!fAnySubRules) return false;
  }
  // A region that starts at or after this character is pending (opened, not entered yet): opening
  // another one now would stack a second region onto the same start.
  if (!fSubLexerRanges.empty()) {
    const TSubLexerRange& last = fSubLexerRanges.back();
    if (last.IsOpen() && last.StartPos >= FPos - 1) return false;
  }
  const LexerPlan& plan = PlanFor(Current);
  const char16_t c = FPos >= 1 && size_t(FPos) <= Text.size() ? Text[size_t(FPos - 1)] : 0;
  const bool inText = FPos >= 1 && size_t(FPos) <= Text.size();
  if (plan.SubStartAnywhere || (inText && plan.SubStart.Test(c)))
    for (const auto& sp : plan.SubRules)
      if (TryOpenRule(sp, Text, FPos)) return true;
  if (Current != fOwner) {
    const LexerPlan& own = PlanFor(fOwner);
    if (own.SubStartGlobalAnywhere || (inText && own.SubStartGlobal.Test(c)))
      for (const auto& sp : own.SubRules)
        if (sp.Rule->AlwaysEnabled() && TryOpenRule(sp, Text, FPos)) return true;
  }
  return false;
}

}  // namespace synt
