#include "analysis/client_analyzer.h"

#include <algorithm>

#include "analysis/internal/analysis_plan.h"
#include "text/memo_strings.h"

namespace synt {

// ---- Ranges -----------------------------------------------------------------------------------

int ISyntDisplayQueries::RangeLevel(const TTextRange* Range) {
  int level = 0;
  for (const TTextRange* p = Range ? Range->Parent : nullptr; p; p = p->Parent) ++level;
  return level;
}

bool TClientSyntAnalyzer::RangeTokenSpan(const TTextRange* Range, int& sIdx, int& eIdx) const {
  sIdx = Range->StartIdx;
  eIdx = Range->EndIdx;
  if (Owner()->OnGetCollapseRange)
    Owner()->OnGetCollapseRange(const_cast<TClientSyntAnalyzer*>(this),
                                const_cast<TTextRange*>(Range), sIdx, eIdx);
  return sIdx >= 0 && sIdx < TagCount() && eIdx < TagCount();
}

int TClientSyntAnalyzer::RangeStartPos(const TTextRange* Range) const {
  int s, e;
  if (!RangeTokenSpan(Range, s, e)) return Range->StartPos;
  return Tags(s).StartPos;
}

int TClientSyntAnalyzer::RangeEndPos(const TTextRange* Range) const {
  int s, e;
  if (!RangeTokenSpan(Range, s, e)) return Range->StartPos;
  if (Range->IsClosed() && e >= 0) return Tags(e).EndPos;
  return Tags(s).StartPos;
}

TTagBlockCondition* TClientSyntAnalyzer::InnermostParentRule() const {
  const int count = openedRanges_.Count();
  const TTextRange* last = count ? openedRanges_[count - 1] : nullptr;
  if (!innermostValid_ || count != innermostCount_ || last != innermostLast_) {
    innermostRule_ = nullptr;
    for (int i = count - 1; i >= 0; --i) {
      const TTextRange* r = openedRanges_[i];
      if (r->IsClosed() || (r->Rule && r->Rule->IgnoreAsParent())) continue;
      innermostRule_ = r->Rule;
      break;
    }
    innermostValid_ = true;
    innermostCount_ = count;
    innermostLast_ = last;
  }
  return innermostRule_;
}

bool TClientSyntAnalyzer::HasOpened(TRuleCollectionItem* Rule, TTagBlockCondition* Parent,
                                    bool Strict) const {
  const int count = openedRanges_.Count();
  if (Strict) {
    if (count == 0) return Parent == nullptr;
    // The usual case: the last open range is not the rule's own self-closing range.
    if (static_cast<TRuleCollectionItem*>(openedRanges_[count - 1]->Rule) != Rule ||
        !openedRanges_[count - 1]->Rule->SelfClose()) {
      const TTagBlockCondition* innermost = InnermostParentRule();
      return innermost && innermost == Parent;
    }
    int i = count - 1;
    // A range's rule is a block rule, so a rule equal to it is one.
    if (i >= 0 && static_cast<TRuleCollectionItem*>(openedRanges_[i]->Rule) == Rule &&
        openedRanges_[i]->Rule->SelfClose())
      --i;
    for (; i >= 0; --i) {
      const TTextRange* r = openedRanges_[i];
      if (r->IsClosed() || (r->Rule && r->Rule->IgnoreAsParent())) continue;
      return r->Rule == Parent;
    }
    // Only ranges that do not count as parents are open: no parent, and no answer "none" either
    // (that is for a text with no open range at all).
    return false;
  }
  if (!Parent) return true;
  for (const auto& e : openedPerRule_)
    if (e.first == Parent) return e.second > 0;
  return false;
}

void TClientSyntAnalyzer::OpenedAdd(TTextRange* Range) {
  // Equal starts stay in the order the ranges were made, whatever the list held meanwhile, so
  // that re-analysis can rebuild the list exactly.
  openedRanges_.AddLast(Range);
  for (auto& e : openedPerRule_)
    if (e.first == Range->Rule) {
      ++e.second;
      return OpenedChanged();
    }
  openedPerRule_.emplace_back(Range->Rule, 1);
  OpenedChanged();
}

void TClientSyntAnalyzer::OpenedRemove(int Index) {
  TTextRange* r = openedRanges_.Extract(Index);
  for (auto& e : openedPerRule_)
    if (e.first == r->Rule) --e.second;
  OpenedChanged();
}

void TClientSyntAnalyzer::OpenedClear() {
  openedRanges_.Clear();
  openedPerRule_.clear();
  OpenedChanged();
}

bool TClientSyntAnalyzer::ParentTest(TRuleCollectionItem* Rule) {
  return HasOpened(Rule, Rule->Block(), Rule->StrictParent()) != Rule->NotParent();
}

void TClientSyntAnalyzer::AddRange(std::unique_ptr<TTextRange> Range) {
  TTextRange* r = Range.release();
  r->Index = allRanges_.Count();
  r->Parent = nullptr;
  for (int i = openedRanges_.Count() - 1; i >= 0; --i) {
    if (!openedRanges_[i]->IsClosed()) {
      r->Parent = openedRanges_[i];
      break;
    }
  }
  const int position = allRanges_.Add(r);
  RangeAdded(r, position);
  if (!r->IsClosed()) OpenedAdd(r);
}

void TClientSyntAnalyzer::CallOnCloseTextRange(TTextRange* Range) {
  if (Owner()->OnCloseTextRange) {
    int s = Range->StartIdx, e = Range->EndIdx;
    Owner()->OnCloseTextRange(this, Range, s, e);
    Range->StartIdx = s;
    Range->EndIdx = e;
  }
  // A closed range keeps valid token indexes: -1 would read as open again.
  const int last = std::max(TagCount() - 1, 0);
  Range->EndIdx = std::clamp(Range->EndIdx, 0, last);
  Range->StartIdx = std::clamp(Range->StartIdx, 0, last);
}

bool TClientSyntAnalyzer::CloseRange(TTagBlockCondition* Rule, int RefIdx) {
  int found = -1;
  for (int i = openedRanges_.Count() - 1; i >= 0; --i) {
    TTextRange* r = openedRanges_[i];
    if (!r->Rule || r->IsClosed()) continue;
    bool match = Rule->BlockType() == btRangeStart
                     ? r->Rule == Rule
                     : (r->Rule->BlockEndRule() == Rule || Rule->BlockEndRule() == r->Rule);
    if (!match) continue;
    if (Rule->SameIdent()) {
      int other = RefIdx - Rule->IdentIndex();
      if (r->IdentIdx < 0 || r->IdentIdx >= TagCount() || other < 0 || other >= TagCount())
        continue;
      if (!TagTextEquals(other, TagTextView(r->IdentIdx), true)) continue;
    }
    found = i;
    break;
  }
  if (found < 0) return false;

  TTextRange* range = openedRanges_[found];
  int endIdx = RefIdx - Rule->BlockOffset();
  if (range->Rule == Rule && endIdx > 0) --endIdx;
  range->EndIdx = endIdx;
  range->EndCondIndex = RefIdx;
  CallOnCloseTextRange(range);
  OpenedRemove(found);
  RangeClosed(range, blockAnalPos_, analysis_internal::TRangeLog::kByRule);

  if (Rule->AutoCloseInternal() || range->Rule->AutoCloseInternal()) {
    // The ranges that started later close too. They leave the opened list like any closed range
    // (kept there, they would pile up over a long text and be offered for auto-closing).
    while (found < openedRanges_.Count()) {
      TTextRange* inner = openedRanges_[found];
      if (!inner->IsClosed()) {
        inner->EndIdx = inner->EndCondIndex = RefIdx;
        CallOnCloseTextRange(inner);
        RangeClosed(inner, blockAnalPos_, analysis_internal::TRangeLog::kByRule);
      }
      OpenedRemove(found);
    }
  }
  return true;
}

void TClientSyntAnalyzer::CloseRangesAtEnd(int FromIdx) {
  // With separate block analysis the ranges are made after tokenizing; a region that closes while
  // tokens are made finds none of its own (only ranges of an earlier analysis of the text before
  // a change, which a fresh analysis would not have).
  if (ClosingRegion() >= 0 && SeparateBlocks()) return;
  for (int i = openedRanges_.Count() - 1; i >= 0; --i) {
    TTextRange* r = openedRanges_[i];
    if (r->IsClosed() || !r->Rule || !r->Rule->EndOfTextClose()) continue;
    // A region closes the ranges opened inside it: those whose opening conditions were completed
    // by one of its tokens (FromIdx is its first), including a range that a rule of the region
    // starts on the start match before it. A range the outer text opened on that start match
    // stays: it belongs to the outer text, whose own rules close it after the region (a Pascal
    // "asm" block is a range of the outer lexer closed by the "end" that ends the region).
    if (FromIdx != 0 && r->CondIndex < FromIdx) continue;
    r->EndIdx = std::max(TagCount() - 1, 0);
    OpenedRemove(i);
    // Closed between runs: after the run for the current tokens, by the end of the text or of
    // the region being closed.
    if (ClosingRegion() >= 0)
      RangeClosed(r, TagCount() + 1, ClosingRegion());
    else
      RangeClosed(r, analysis_internal::TRangeLog::kAtTextEnd,
                  analysis_internal::TRangeLog::kByTextEnd);
  }
}

// ---- Analysis -----------------------------------------------------------------------------------

bool TClientSyntAnalyzer::SeparateBlocks() const {
  return !forceSyncBlocks_ && Owner() && Owner()->SeparateBlockAnalysis();
}

void TClientSyntAnalyzer::BlockRulesAfterToken(std::u16string_view Text, TSyntAnalyzer* Current) {
  TSyntAnalyzer* owner = Owner();
  const bool inner = Current != owner;
  if (SeparateBlocks()) {
    owner->DetectTags(*this, Text, inner);
    if (inner) Current->DetectTags(*this, Text, false);
  } else if (!inner && PlanFor(owner).BlockRules.empty()) {
    // No rule to run (a lexer without block rules): the run only moves the block-rule position.
    SetBlockAnalPos(TagCount());
    LogState(2 * TagCount());
  } else {
    owner->ApplyBlockRules(*this, Text, -1, inner);
    if (inner) Current->ApplyBlockRules(*this, Text, -1, false);
    // The state history records states with tokens; what the rules left after the last token is
    // logged too, so that re-analysis from the next token starts in it.
    LogState(2 * TagCount());
  }
}

void TClientSyntAnalyzer::CatchUpBlockRules(int UpTo) {
  std::u16string_view text = Source()->TextView();
  TSyntAnalyzer* owner = Owner();
  const int last = std::min(UpTo < 0 ? TagCount() : UpTo, TagCount());
  for (int n = blockAnalPos_ + 1; n <= last; ++n) {
    // The lexer in effect where the token stands, as when block rules run after each token (the
    // lexer owning the token's rule differs for an outer rule that works inside a region).
    TSyntAnalyzer* lexer = AnalyzerAtPos(Tags(n - 1).StartPos);
    owner->ApplyBlockRules(*this, text, n, lexer != owner, true);
    if (lexer != owner) lexer->ApplyBlockRules(*this, text, n, false, true);
  }
}

// ---- Range texts --------------------------------------------------------------------------------

std::u16string TClientSyntAnalyzer::GetCollapsedText(const TTextRange* Range) const {
  if (!Range || !Range->Rule) return {};
  return FormatRangeText(Range->Rule->CollapseFmt(), Range);
}

std::u16string TClientSyntAnalyzer::GetAutoCloseText(const TTextRange* Range,
                                                     std::u16string_view Indent) const {
  if (!Range || !Range->Rule) return {};
  std::u16string text = FormatRangeText(Range->Rule->AutoCloseText(), Range);
  std::u16string result;
  size_t i = 0;
  while (i < text.size()) {
    size_t e = i;
    while (e < text.size() && text[e] != u'\r' && text[e] != u'\n') ++e;
    result.append(Indent);
    result.append(text, i, e - i);
    result.append(u"\r\n");
    if (e < text.size() && text[e] == u'\r' && e + 1 < text.size() && text[e + 1] == u'\n') ++e;
    i = e + 1;
  }
  if (result.size() > 2) result.resize(result.size() - 2);
  return result;
}

int TParserResults::LineOfOffset(int Pos) const {
  return Source()->LineOfPos(Pos);
}

void TParserResults::TagToken(int Index, int RuleIndex, int TokenType, int Run) {
  ++tokenChanges_;
  TSyntToken& t = tokens_.Items(Index);
  // The latest token goes when its run is discarded; an earlier one stays and must be restored.
  if (Index < Run - 1 &&
      (t.RuleIndex != RuleIndex || (TokenType >= 0 && t.TokenType != TokenType))) {
    auto& log = Run >= TagCount() ? retags_ : catchUpRetags_;
    log.push_back({Run, retagSeq_++, Index, t.RuleIndex, t.TokenType});
  }
  t.RuleIndex = RuleIndex;
  if (TokenType >= 0) t.TokenType = TokenType;
}

}  // namespace synt
