// The editor's queries: token styles, styled ranges, line highlights, collapse states, staples,
// separators and active ranges, all in current coordinates while the display data (and the
// pending tokens) may describe an older text; positions go through the change log.
#include <algorithm>
#include <climits>

#include "analysis/client_analyzer.h"
#include "text/memo_strings.h"

namespace synt {

namespace {

// A line's span in old coordinates, widened to one character for an empty line so that ranges
// covering its position meet it. Returns false for a line outside the text, and for a line made
// entirely of text typed since the display data was built (it has no old counterpart).
bool OldLineSpan(const TSyntMemoStrings& Lines, const TChangeFixer& Log, int Line, int& From,
                 int& To, int* CurEnd = nullptr) {
  if (Line < 0 || Line >= Lines.GetCount()) return false;
  const int start = Lines.LineStart(Line);
  const int end = start + Lines.LineLength(Line);
  From = Log.CurToOld(start);
  To = Log.CurToOld(end);
  if (end > start && To <= From) return false;
  if (CurEnd) *CurEnd = To;
  if (To <= From) To = From + 1;
  return true;
}

}  // namespace

bool TClientSyntAnalyzer::IsShown(const TStyledRange& Range) const {
  if (!Range.TextRange) return true;
  const bool active =
      std::find(activeRanges_.begin(), activeRanges_.end(), Range.TextRange) != activeRanges_.end();
  return active != ((Range.Flags & srWhenInactive) != 0);
}

int TClientSyntAnalyzer::GetTokenStyleAt(int Pos, TStyleEntries& Entries) {
  const int n = TagCount();
  int i = -1;
  if (tokenCache_ >= 0 && tokenCache_ < n && Tokens()[tokenCache_].StartPos == Pos) {
    i = tokenCache_;
  } else if (tokenCache_ >= 0 && tokenCache_ < n && Tokens()[tokenCache_].EndPos == Pos) {
    i = tokenCache_ + 1 < n ? tokenCache_ + 1 : -1;
  } else {
    i = Tokens().NextAt(Pos);
  }
  if (i >= 0) {
    tokenCache_ = i;
    const TSyntToken& t = Tokens()[i];
    if (!t.Contains(Pos)) return t.StartPos;
    if (TSyntaxFormat* style = TokenStyle(i))
      Entries.emplace_back(t.StartPos, t.EndPos, style, false);
    return t.EndPos;
  }
  if (!pendingTokens_.Empty()) {
    const int d = changeLog_.CurToOld(Pos, pendingBase_);
    int j = pendingTokens_.NextAt(d);
    if (j >= 0) {
      for (; j < pendingTokens_.Count(); ++j) {
        const TSyntToken& t = pendingTokens_[j];
        const int e = changeLog_.OldToCur(t.EndPos, pendingBase_);
        if (e <= Pos) continue;  // shifted behind Pos by the changes
        const int r = changeLog_.OldToCur(t.StartPos, pendingBase_);
        if (d < t.StartPos) return r;
        TRuleCollectionItem* rule = RuleAt(t.RuleIndex);
        if (TSyntaxFormat* style = rule ? rule->Style() : nullptr)
          Entries.emplace_back(r, e, style, false);
        return e;
      }
    }
  }
  return -1;
}

int TClientSyntAnalyzer::GetStyledRangesAt(int Pos, TStyleEntries& Entries, bool WithDynamic) {
  const int c = changeLog_.CurToOld(Pos);
  std::vector<TStyledRange*> here;
  const int next = display_.Styled.GetRangesAtPos(here, c);
  for (const TStyledRange* r : here) {
    if (r->Flags & srLineHighlight) continue;
    const int f = changeLog_.OldToCur(r->StartPos), g = changeLog_.OldToCur(r->EndPos);
    if (f > Pos || Pos >= g || !r->Style) continue;
    if (!r->IsDynamic())
      Entries.emplace_back(f, g, r->Style, false);
    else if (WithDynamic && IsShown(*r))
      Entries.emplace_back(f, g, r->Style, true);
  }
  return next < 0 ? -1 : changeLog_.OldToCur(next);
}

void TClientSyntAnalyzer::GetLineHighlight(int Line, bool WithDynamic, bool& Invert,
                                           TColor& FontColor, TColor& BgColor) const {
  int from, to;
  if (!OldLineSpan(*Source(), changeLog_, Line, from, to)) return;
  std::vector<TStyledRange*> list;
  const_cast<TRangeCollection<TStyledRange>&>(display_.Styled).GetRangesInRange(list, from, to);
  for (const TStyledRange* r : list) {
    if (!(r->Flags & srLineHighlight) || !r->Style || !r->Style->Enabled()) continue;
    if (r->IsDynamic() && (!WithDynamic || !IsShown(*r))) continue;
    Invert = (r->Flags & srInvertColors) != 0;
    if (r->Style->BgColor() != clNone) BgColor = r->Style->BgColor();
    const TColor font = r->Style->Font()->Color();
    if (r->Style->FormatType() != ftBackGround && font != clNone) FontColor = font;
  }
}

// A range "ends in" the line when its (exclusive) end is within the line's text, and "starts
// there and goes on" when it starts in the line and ends after its text. Over the ranges meeting
// the line the answer does not depend on their order: a range starting here wins, then one ending
// here, then one passing through. So it is three existence questions, none of which lists the
// thousands of ranges a line can lie in.
int TClientSyntAnalyzer::GetLineCollapseState(int Line) const {
  int d, c, end;
  if (!OldLineSpan(*Source(), changeLog_, Line, d, c, &end)) return -3;
  auto& ranges = const_cast<TRangeCollection<TCollapsibleRange>&>(display_.Collapsible);
  std::vector<TCollapsibleRange*> starting;
  ranges.GetRangesStartingIn(starting, d, c);
  for (const TCollapsibleRange* r : starting)
    if (r->EndPos > end) return 0;
  if (ranges.AnyRangeEndingIn(d, end, [d](int Start) { return Start < d; })) return -1;
  if (ranges.AnyRangeAt(d, [d](const TCollapsibleRange& r) { return r.StartPos < d; })) return -2;
  return -3;
}

TTextRange* TClientSyntAnalyzer::CollapsibleTextRange(const TCollapsibleRange& Range) const {
  TTextRange* r = Range.TextRange;
  if (!r) return nullptr;
  // Ranges discarded by a change stay allocated until the next pass replaces the display data;
  // only one that is still part of the analysis is handed out.
  if (r->Index < 0 || r->Index >= rangeLog_.Count() || rangeLog_[r->Index].Range != r)
    return nullptr;
  return r;
}

TTextRange* TClientSyntAnalyzer::GetCollapsibleAtLine(int Line) const {
  int d, c, end;
  if (!OldLineSpan(*Source(), changeLog_, Line, d, c, &end)) return nullptr;
  // Of the ranges meeting the line only those starting in it can qualify.
  std::vector<TCollapsibleRange*> list;
  const_cast<TRangeCollection<TCollapsibleRange>&>(display_.Collapsible)
      .GetRangesStartingIn(list, d, c);
  for (const TCollapsibleRange* r : list) {
    if (r->EndPos <= end) continue;
    TTextRange* range = CollapsibleTextRange(*r);
    if (!range || range->StartIdx < 0 || range->StartIdx >= TagCount()) continue;
    // The range's first token is current, the collapsible range's start old.
    if (Tags(range->StartIdx).StartPos == changeLog_.OldToCur(r->StartPos)) return range;
  }
  return nullptr;
}

TTextRange* TClientSyntAnalyzer::GetCollapsibleAt(int Pos) {
  std::vector<TCollapsibleRange*> list;
  display_.Collapsible.GetRangesAtPos(list, changeLog_.CurToOld(Pos));
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (TTextRange* range = CollapsibleTextRange(**it)) return range;
  return nullptr;
}

void TClientSyntAnalyzer::GetStaplesAtLine(int Line, std::vector<TBlockStaple*>& List) {
  int d, c;
  if (!OldLineSpan(*Source(), changeLog_, Line, d, c)) return;
  display_.Staples.GetRangesInRange(List, d, c);
}

bool TClientSyntAnalyzer::LineHasDisplay(int Line) const {
  int d, c;
  return OldLineSpan(*Source(), changeLog_, Line, d, c);
}

void TClientSyntAnalyzer::GetStaplesAtLines(int First, int Last,
                                            std::vector<TStapleAtLines>& List) {
  const TSyntMemoStrings& src = *Source();
  First = std::max(First, 0);
  Last = std::min(Last, src.GetCount() - 1);
  if (First > Last) return;
  // The old spans of the lines, as GetStaplesAtLine takes them; a line written since the pass
  // meets nothing. Both ends grow from line to line.
  std::vector<int> lines, from, to;
  for (int l = First; l <= Last; ++l) {
    int d, c;
    if (!OldLineSpan(src, changeLog_, l, d, c)) continue;
    lines.push_back(l);
    from.push_back(d);
    to.push_back(c);
  }
  if (lines.empty()) return;
  std::vector<TBlockStaple*> met;
  display_.Staples.GetRangesInRange(met, from.front(), to.back());
  // A range meets the span [d, c) of a line when it holds d or starts inside it, that is when
  // StartPos < c and d < max(EndPos, StartPos): one bound on each end of the lines.
  const int runStart = src.LineStart(First);
  const int runEnd = Last + 1 < src.GetCount() ? src.LineStart(Last + 1) : INT_MAX;
  auto lineOf = [&](int Old) {
    const int p = changeLog_.OldToCur(Old);
    if (p < runStart) return First - 1;
    if (p >= runEnd) return Last + 1;
    return src.LineOfPos(p);
  };
  for (TBlockStaple* s : met) {
    const size_t a = size_t(std::upper_bound(to.begin(), to.end(), s->StartPos) - to.begin());
    const int end = std::max(s->EndPos, s->StartPos);
    const size_t b = size_t(std::lower_bound(from.begin(), from.end(), end) - from.begin());
    if (a >= b) continue;
    List.push_back({s, lines[a], lines[b - 1], lineOf(s->StartPos), lineOf(s->EndPos)});
  }
}

TLineBreakRange* TClientSyntAnalyzer::GetLineSeparator(int Line) {
  int d, c, end;
  if (!OldLineSpan(*Source(), changeLog_, Line, d, c, &end)) return nullptr;
  std::vector<TLineBreakRange*> list;
  display_.LineBreaks.GetRangesInRange(list, d, c);
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if ((*it)->StartPos >= d && (*it)->Rule && (*it)->Rule->LinePos() == lbTop) return *it;
  if (!OldLineSpan(*Source(), changeLog_, Line - 1, d, c, &end)) return nullptr;
  list.clear();
  display_.LineBreaks.GetRangesInRange(list, d, c);
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if ((*it)->EndPos <= end && (*it)->Rule && (*it)->Rule->LinePos() == lbBottom) return *it;
  return nullptr;
}

void TClientSyntAnalyzer::GetRangeLines(const TRange& Range, int& FirstLine, int& LastLine) const {
  FirstLine = Source()->LineOfPos(changeLog_.OldToCur(Range.StartPos));
  LastLine = Source()->LineOfPos(changeLog_.OldToCur(Range.EndPos));
}

void TClientSyntAnalyzer::ResetStaplePositions() {
  display_.Staples.ForEachRange([](TBlockStaple& s) { s.XPos = -1; });
}

bool TClientSyntAnalyzer::UpdateActiveRanges(int Pos) {
  caretPos_ = Pos;
  std::vector<TDynoRange*> here;
  if (Pos >= 0) display_.Dyno.GetRangesAtPos(here, changeLog_.CurToOld(Pos));
  std::vector<TTextRange*> active;
  for (size_t i = 0; i < here.size(); ++i) {
    // Of the ranges of one DynSelectMin rule only the last in layer order (the innermost) stays.
    const TTagBlockCondition* rule = here[i]->Rule;
    bool later = false;
    if (rule)
      for (size_t j = i + 1; j < here.size() && !later; ++j) later = here[j]->Rule == rule;
    if (!later) active.push_back(here[i]->TextRange);
  }
  if (active == activeRanges_) return false;
  activeRanges_.swap(active);
  return true;
}

}  // namespace synt
