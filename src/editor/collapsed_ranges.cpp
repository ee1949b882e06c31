#include "editor/collapsed_ranges.h"

#include <algorithm>
#include <stdexcept>

namespace synt {

const TClassInfo& TCollapsedRanges::StaticClassInfo() {
  static const TClassInfo info("TCollapsedRanges", &TPersistent::StaticClassInfo());
  return info;
}

void TCollapsedRanges::Add(TCollapsedRange* Item) {
  items_.Add(Item);
  if (Item->LineCount > 1) hidden_.Add(TRange(Item->Line + 1, Item->Line + Item->LineCount));
}

int TCollapsedRanges::IndexOfStart(int Line, int StartPos) const {
  int i = items_.PriorAt(Line);
  while (i >= 0 && items_[i]->Line == Line) --i;  // equal keys: from the first of them
  for (++i; i < items_.Count() && items_[i]->Line == Line; ++i)
    if (items_[i]->StartPos == StartPos) return i;
  return -1;
}

void TCollapsedRanges::Clear() {
  items_.Clear();
  hidden_.Clear();
}

void TCollapsedRanges::Delete(int Index) {
  items_.Delete(Index);
  RebuildSpans();
}

void TCollapsedRanges::RebuildSpans() {
  bool ordered = true;
  for (int i = 1; i < items_.Count() && ordered; ++i)
    ordered = items_[i - 1]->Line <= items_[i]->Line;
  if (!ordered) {
    std::vector<TCollapsedRange*> all;
    items_.ExtractIf(
        0, [](TCollapsedRange*) { return true; }, all);
    std::stable_sort(
        all.begin(), all.end(),
        [](const TCollapsedRange* a, const TCollapsedRange* b) { return a->Line < b->Line; });
    for (TCollapsedRange* r : all) items_.Add(r);
  }
  hidden_.Clear();
  for (const TCollapsedRange* r : items_)
    if (r->LineCount > 1) hidden_.Add(TRange(r->Line + 1, r->Line + r->LineCount));
}

bool TCollapsedRanges::TextChanged(int Pos, int Count, int LineChange, int ChangeLine) {
  if (items_.Count() == 0) return false;
  if (Pos < 0) {
    Clear();
    return true;
  }
  const int deletedEnd = Count < 0 ? Pos - Count : Pos;
  bool changed = false;
  std::vector<TCollapsedRange*> gone;
  items_.ExtractIf(
      0,
      [&](TCollapsedRange* r) {
        if (r->EndPos < Pos) {
          // Before the change, unless the change falls on lines it hides past its end (empty
          // lines taken along): those lines are no longer what was hidden.
          return ChangeLine < r->LastLine();
        }
        r->Fresh = false;
        changed = true;
        // The change is inside the block, or a deletion took its start away.
        if (r->StartPos < Pos || r->StartPos < deletedEnd) return true;
        r->StartPos += Count;
        r->EndPos += Count;
        r->Line += LineChange;
        return false;
      },
      gone);
  for (TCollapsedRange* r : gone) delete r;
  if (!gone.empty() || (changed && LineChange != 0)) {
    RebuildSpans();
  }
  return changed || !gone.empty();
}

void TCollapsedRanges::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TCollapsedRanges*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  Clear();
  for (const TCollapsedRange* r : src->items_) items_.Add(new TCollapsedRange(*r));
  RebuildSpans();
}

void TCollapsedRanges::Check() const {
  items_.Check();
  TRangeList<TRange> spans(true);
  for (const TCollapsedRange* r : items_) {
    if (r->LineCount > 1) spans.Add(TRange(r->Line + 1, r->Line + r->LineCount));
    if (r->Line < 0) throw std::logic_error("TCollapsedRanges: a range starts before line 0");
  }
  hidden_.Check();
  if (spans.Elements() != hidden_.Elements())
    throw std::logic_error("TCollapsedRanges: hidden spans out of step with the ranges");
}

}  // namespace synt
