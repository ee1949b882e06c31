// Collapsing and expanding blocks, and the line states the gutter and the folding commands read.
#include <algorithm>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_items.h"
#include "editor/memo_layout.h"
#include "editor/syntax_memo.h"

namespace synt {

int TMemoLayoutPart::GetLineState(int Line) const {
  const TSyntMemoStrings* lines = Memo().Lines();
  if (Line < 0 || Line >= lines->GetCount() || FoldingOff()) return -3;
  if (collapsed_.ItemAtLine(Line)) return 1;
  int state = -3;
  if (ISyntDisplayQueries* q = Queries()) state = q->GetLineCollapseState(Line);
  return std::max(state, Memo().UserRanges()->FoldState(Line));
}

bool TMemoLayoutPart::LineVisible(int Line) const {
  return layout_.LineVisible(Line);
}

bool TMemoLayoutPart::Collapsible(const TTextRange* Range) const {
  ISyntDisplayQueries* q = Queries();
  if (!q || !Range || !Range->IsClosed() || !Range->Rule || Range->Rule->NotCollapsed())
    return false;
  return q->RangeEndPos(Range) > q->RangeStartPos(Range);
}

TCollapsedRange* TMemoLayoutPart::MakeRange(int StartPos, int EndPos, std::u16string Text) const {
  const TSyntMemoStrings& lines = *Memo().Lines();
  const int count = lines.GetCount();
  if (count == 0 || StartPos < 0 || EndPos <= StartPos) return nullptr;
  const int first = lines.LineOfPos(StartPos);
  int last = lines.LineOfPos(EndPos);
  if (last > first && EndPos == lines.LineStart(last)) --last;  // the end token opens its line
  if (first >= last) return nullptr;
  if (Memo().Options().Contains(soCallapseEmptyLines))
    while (last + 1 < count - 1 && lines.LineLength(last + 1) == 0) ++last;
  return new TCollapsedRange(first, StartPos, EndPos, last - first + 1, std::move(Text));
}

bool TMemoLayoutPart::AddRange(TCollapsedRange* Range) {
  if (!Range) return false;
  if (collapsed_.IndexOfStart(Range->Line, Range->StartPos) >= 0) {
    delete Range;  // already folded
    return false;
  }
  collapsed_.Add(Range);
  layout_.InvalidateLineInfos(Range->Line, Range->Line, false);
  return true;
}

bool TMemoLayoutPart::CollapseTextRange(const TTextRange* Range, bool Report) {
  ISyntDisplayQueries* q = Queries();
  if (!Collapsible(Range)) return false;
  if (!AddRange(
          MakeRange(q->RangeStartPos(Range), q->RangeEndPos(Range), q->GetCollapsedText(Range))))
    return false;
  if (Report) ReportChange();
  return true;
}

bool TMemoLayoutPart::CollapseUserRange(const TUserRange* Range, bool Report) {
  if (!Range || !Range->CanCollapse()) return false;
  if (!AddRange(MakeRange(Range->StartPos(), Range->EndPos(), Range->CollapseIcon()))) return false;
  if (Report) ReportChange();
  return true;
}

bool TMemoLayoutPart::ToggleCollapse(int Line) {
  if (Line < 0 || Line >= Memo().Lines()->GetCount() || FoldingOff()) return false;
  ExpandLines(Line, Line);
  const int i = collapsed_.IndexAtLine(Line);
  if (i >= 0) {
    layout_.InvalidateLineInfos(Line, Line, false);
    collapsed_.Delete(i);
    ReportChange();
    return true;
  }
  if (ISyntDisplayQueries* q = Queries())
    if (CollapseTextRange(q->GetCollapsibleAtLine(Line), true)) return true;
  return CollapseUserRange(Memo().UserRanges()->CollapsibleAtLine(Line), true);
}

void TMemoLayoutPart::ToggleCollapseNested(int Line) {
  const TSyntMemoStrings& lines = *Memo().Lines();
  if (Line < 0 || Line >= lines.GetCount() || FoldingOff()) return;
  if (const TCollapsedRange* r = collapsed_.ItemAtLine(Line)) {
    const int after = Line + r->LineCount;
    ExpandAll(lines.LineStart(Line),
              after < lines.GetCount() ? lines.LineStart(after) : lines.TextLength() + 1);
    return;
  }
  int end = -1;
  ISyntDisplayQueries* q = Queries();
  if (const TTextRange* t = q ? q->GetCollapsibleAtLine(Line) : nullptr) {
    end = q->RangeEndPos(t);
  } else if (const TUserRange* u = Memo().UserRanges()->CollapsibleAtLine(Line)) {
    end = u->EndPos();
  }
  if (end < 0 || Line + 1 >= lines.GetCount()) return;
  const int from = lines.LineStart(Line + 1);
  bool any = false;
  if (q) {
    for (int i = std::max(0, q->PriorRangeAt(from)); i < q->RangeCount(); ++i) {
      const TTextRange* t = q->Ranges(i);
      const int s = q->RangeStartPos(t);
      if (s > end) break;
      if (s < from || q->RangeEndPos(t) > end || !Collapsible(t)) continue;
      if (Memo().CollapseLevel() != -1 &&
          ISyntDisplayQueries::RangeLevel(t) != Memo().CollapseLevel())
        continue;
      any |= CollapseTextRange(t, false);
    }
  }
  TUserRanges& users = *Memo().UserRanges();
  for (int i = 0; i < users.Count(); ++i) {
    const TUserRange* u = users.Items(i);
    if (u->StartPos() >= from && u->EndPos() <= end) any |= CollapseUserRange(u, false);
  }
  if (any) ReportChange();
}

void TMemoLayoutPart::CollapseNearest(int Line) {
  ISyntDisplayQueries* q = Queries();
  if (!q || Line < 0 || FoldingOff()) return;
  const TSyntMemoStrings& lines = *Memo().Lines();
  const int pos = Line >= lines.GetCount()
                      ? lines.TextLength()
                      : lines.LineStart(Line) + std::max(0, lines.LineLength(Line) - 1);
  CollapseTextRange(q->GetCollapsibleAt(pos), true);
}

void TMemoLayoutPart::ExpandAll(int From, int To) {
  if (collapsed_.Count() == 0) return;
  for (int i = 0; i < collapsed_.Count(); ++i) {
    const TCollapsedRange* r = collapsed_.Items(i);
    layout_.InvalidateLineInfos(r->Line, r->Line, false);
  }
  if (From == 0 && To == -1) {
    collapsed_.Clear();
  } else {
    if (To < 0) To = Memo().Lines()->TextLength();
    collapsed_.DeleteIf(
        [&](const TCollapsedRange* r) { return r->StartPos >= From && r->StartPos < To; });
  }
  ReportChange();
}

void TMemoLayoutPart::CollapseAll(int From, int To) {
  if (FoldingOff()) return;
  if (TClientSyntAnalyzer* client = Memo().SyntClient()) client->CompleteAnalysis();
  const bool whole = From == 0 && To == -1;
  if (To < 0) To = Memo().Lines()->TextLength();
  if (whole) {
    collapsed_.Clear();
    layout_.InvalidateLineInfos(0, -1, false);
  } else {
    collapsed_.DeleteIf(
        [&](const TCollapsedRange* r) { return r->StartPos >= From && r->StartPos < To; });
  }
  const int level = Memo().CollapseLevel();
  if (ISyntDisplayQueries* q = Queries()) {
    for (int i = 0; i < q->RangeCount(); ++i) {
      const TTextRange* t = q->Ranges(i);
      if (!Collapsible(t)) continue;
      if (level != -1 && ISyntDisplayQueries::RangeLevel(t) != level) continue;
      if (!whole && (q->RangeStartPos(t) < From || q->RangeEndPos(t) > To)) continue;
      CollapseTextRange(t, false);
    }
  }
  TUserRanges& users = *Memo().UserRanges();
  for (int i = 0; i < users.Count(); ++i) {
    const TUserRange* u = users.Items(i);
    if (!whole && (u->StartPos() < From || u->EndPos() > To)) continue;
    CollapseUserRange(u, false);
  }
  ReportChange();
}

void TMemoLayoutPart::CollapseSelection(int Start, int End) {
  const TSyntMemoStrings& lines = *Memo().Lines();
  if (FoldingOff() || lines.GetCount() == 0) return;
  if (End < Start) std::swap(Start, End);
  Start = std::clamp(Start, 0, lines.TextLength());
  End = std::clamp(End, 0, lines.TextLength());
  const int first = lines.LineOfPos(Start), last = lines.LineOfPos(End);
  if (first >= last || last >= lines.GetCount()) return;
  if (!AddRange(new TCollapsedRange(first, Start, End, last - first + 1, {}, true))) return;
  ReportChange();
}

void TMemoLayoutPart::ExpandLines(int First, int Last) {
  if (FoldingOff()) return;
  const int n = collapsed_.DeleteIf([&](const TCollapsedRange* r) {
    if (r->Line < Last && First < r->Line + r->LineCount) {
      layout_.InvalidateLineInfos(r->Line, r->Line, false);
      return true;
    }
    return false;
  });
  if (n == 0) return;
  ApplyHidden();
  Memo().Invalidate();
}

void TMemoLayoutPart::Reanchor() {
  if (collapsed_.Count() == 0) return;
  ISyntDisplayQueries* q = Queries();
  TUserRanges& users = *Memo().UserRanges();
  bool changed = false;
  const int n = collapsed_.DeleteIf([&](TCollapsedRange* r) {
    if (r->Fresh || r->FromSelection) return false;
    std::unique_ptr<TCollapsedRange> again;
    if (q) {
      // The blocks starting where it started; several may share one start offset.
      for (int i = q->PriorRangeAt(r->StartPos); i >= 0 && !again; --i) {
        const TTextRange* t = q->Ranges(i);
        if (q->RangeStartPos(t) == r->StartPos && Collapsible(t))
          again.reset(MakeRange(r->StartPos, q->RangeEndPos(t), q->GetCollapsedText(t)));
        if (t->StartPos < r->StartPos) break;
      }
    }
    for (int i = 0; i < users.Count() && !again; ++i) {
      const TUserRange* u = users.Items(i);
      if (u->StartPos() == r->StartPos && u->CanCollapse())
        again.reset(MakeRange(u->StartPos(), u->EndPos(), u->CollapseIcon()));
    }
    if (!again) return true;
    changed |= again->Line != r->Line || again->LineCount != r->LineCount;
    r->Line = again->Line;
    r->EndPos = again->EndPos;
    r->LineCount = again->LineCount;
    r->CollapsedText = std::move(again->CollapsedText);
    r->Fresh = true;
    return false;
  });
  if (n == 0 && !changed) return;
  collapsed_.RebuildSpans();
  ApplyHidden();
  NormalizeCaret(false);
}

}  // namespace synt
