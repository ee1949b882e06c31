#include "editor/sync_edit.h"

#include <algorithm>
#include <string>

#include "platform/properties.h"

namespace synt {

TSyncWordGroup SyncGroup(std::initializer_list<TRange> Occurrences) {
  TSyncWordGroup g;
  for (const TRange& r : Occurrences) g.Add(r);
  return g;
}

TSyntSyncEdit::TSyntSyncEdit() : styles_(std::make_unique<TStylesCollection>(this)) {
  TSyntaxFormat* range = styles_->Add();
  range->SetDisplayName(u"SyncRangeStyle");
  range->SetFormatType(ftBackGround);
  range->SetBgColor(0xE0FFE0);
  TSyntaxFormat* active = styles_->Add();
  active->SetDisplayName(u"ActiveWordsStyle");
  active->SetFormatType(ftBackGround);
  for (int side = 0; side < 4; ++side) {
    active->SetBorderType(side, blSolid);
    active->SetBorderColor(side, clBlue);
  }
  TSyntaxFormat* inactive = styles_->Add();
  inactive->SetDisplayName(u"InactiveWordsStyle");
  inactive->SetFormatType(ftBackGround);
  inactive->SetBorderType(3, blSolid);
  inactive->SetBorderColor(3, clBtnFace);
  // Installed last: the defaults above are no change to report.
  styles_->OnChange = [this](TSyntCollection*, TSyntCollectionItem*) { Changed(); };
}

TSyntSyncEdit::~TSyntSyncEdit() {
  styles_->OnChange = nullptr;
}

void TSyntSyncEdit::Changed() {
  if (OnChange) OnChange(this);
}

void TSyntSyncEdit::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  if (!Value) Clear();
  Changed();
}

void TSyntSyncEdit::Assign(const TPersistent* Source) {
  auto* src = dynamic_cast<const TSyntSyncEdit*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  for (int i = 0; i < 3; ++i) Style(i)->Assign(src->Style(i));
  SetEnabled(src->Enabled());
  Clear();
  Changed();
}

// ---- Ranges -------------------------------------------------------------------------------------

namespace {

[[noreturn]] void Malformed(const char* What, int Index) {
  std::string msg = "Invalid sync range list: ";
  msg += What;
  msg += " (range ";
  msg += std::to_string(Index);
  msg += ")";
  throw Exception(msg);
}

void CheckRange(const TSyncRange& R, int Index) {
  if (R.EndPos < R.StartPos || R.StartPos < 0) Malformed("a range ends before it starts", Index);
  std::vector<TRange> all;
  for (const TSyncWordGroup& g : R.Groups) {
    if (g.Empty()) Malformed("a word group is empty", Index);
    for (const TRange& o : g) {
      if (o.StartPos < R.StartPos || o.EndPos > R.EndPos || o.EndPos < o.StartPos)
        Malformed("an occurrence lies outside its range", Index);
      if (o.Size() != g[0].Size()) Malformed("the words of a group differ in length", Index);
      all.push_back(o);
    }
  }
  std::sort(all.begin(), all.end(),
            [](const TRange& a, const TRange& b) { return a.StartPos < b.StartPos; });
  for (size_t i = 1; i < all.size(); ++i)
    if (all[i].StartPos < all[i - 1].EndPos) Malformed("occurrences overlap", Index);
}

}  // namespace

void TSyntSyncEdit::SetSyncRanges(TSyncRangeList List) {
  for (int i = 0; i < List.Count(); ++i) {
    CheckRange(List[i], i);
    if (i > 0 && List[i].StartPos < List[i - 1].EndPos) Malformed("ranges overlap", i);
  }
  for (int i = List.Count() - 1; i >= 0; --i)
    if (List[i].Groups.empty()) List.Delete(i);
  ranges_ = enabled_ ? std::move(List) : TSyncRangeList();
  activeRange_ = activeGroup_ = -1;
  replicatingRange_ = replicatingGroup_ = replicatingIndex_ = -1;
}

void TSyntSyncEdit::Clear() {
  ranges_.Clear();
  activeRange_ = activeGroup_ = -1;
  replicatingRange_ = replicatingGroup_ = replicatingIndex_ = -1;
}

bool TSyntSyncEdit::UpdateActive(int CaretPos) {
  int range = -1, group = -1;
  int i = ranges_.PriorAt(CaretPos);
  if (i >= 0 && CaretPos > ranges_[i].EndPos) i = -1;
  if (i >= 0) {
    range = i;
    const TSyncRange& r = ranges_[i];
    for (int g = 0; g < int(r.Groups.size()) && group < 0; ++g) {
      const TSyncWordGroup& occ = r.Groups[size_t(g)];
      const int j = occ.PriorAt(CaretPos);
      if (j >= 0 && occ[j].StartPos <= CaretPos && CaretPos <= occ[j].EndPos) group = g;
    }
  }
  const bool changed = range != activeRange_ || group != activeGroup_;
  activeRange_ = range;
  activeGroup_ = group;
  return changed;
}

bool TSyntSyncEdit::Validate() {
  bool changed = false;
  for (int i = ranges_.Count() - 1; i >= 0; --i) {
    std::vector<TSyncWordGroup>& groups = ranges_[i].Groups;
    const size_t before = groups.size();
    std::erase_if(groups, [](const TSyncWordGroup& g) {
      return std::any_of(g.begin(), g.end(),
                         [&](const TRange& o) { return o.Size() != g[0].Size(); });
    });
    changed |= groups.size() != before;
    if (groups.empty()) {
      ranges_.Delete(i);
      changed = true;
    }
  }
  if (changed) activeRange_ = activeGroup_ = -1;
  return changed;
}

// ---- Styles -------------------------------------------------------------------------------------

// The range at or before Pos decides; a position before a range, or between two, proposes the
// next range's start, so that a run never paints past the point where a range begins.
int TSyntSyncEdit::AddStyleEntries(int Pos, TStyleEntries& Entries) {
  const int i = ranges_.NextAt(Pos);
  if (i < 0) return -1;
  const TSyncRange& r = ranges_[i];
  if (Pos < r.StartPos) return r.StartPos;
  Entries.emplace_back(r.StartPos, r.EndPos, SyncRangeStyle(), false);
  int next = r.EndPos;
  for (int g = 0; g < int(r.Groups.size()); ++g) {
    const TSyncWordGroup& occ = r.Groups[size_t(g)];
    const int j = occ.NextAt(Pos);
    if (j < 0) continue;
    const TRange& o = occ[j];
    if (o.Contains(Pos)) {
      const bool active = i == activeRange_ && g == activeGroup_;
      Entries.emplace_back(o.StartPos, o.EndPos, active ? ActiveWordsStyle() : InactiveWordsStyle(),
                           false);
      next = std::min(next, o.EndPos);
    } else if (o.StartPos > Pos) {
      next = std::min(next, o.StartPos);
    }
  }
  return next;
}

// ---- Text changes -------------------------------------------------------------------------------

void TSyntSyncEdit::Shift(TSyncRange& R, int Delta) {
  R.StartPos += Delta;
  R.EndPos += Delta;
  for (TSyncWordGroup& g : R.Groups)
    for (int k = 0; k < g.Count(); ++k) {
      g[k].StartPos += Delta;
      g[k].EndPos += Delta;
    }
}

// A replaced text (Pos -1) is reported with no count: it is tested first, or the ranges would
// stay on a text that is gone.
void TSyntSyncEdit::TextChanged(int Pos, int Delta, bool WordText) {
  if (ranges_.Empty()) return;
  if (Pos < 0) {
    Clear();
    return;
  }
  if (Delta == 0) return;
  if (Delta > 0)
    Insert(Pos, Delta, WordText);
  else
    Delete(Pos, -Delta);
}

int TSyntSyncEdit::InsertRange(int Pos, bool WordText) const {
  if (replicatingRange_ >= 0 && replicatingRange_ < ranges_.Count()) return replicatingRange_;
  const int i = ranges_.PriorAt(Pos);
  if (i < 0) return -1;
  const TSyncRange& r = ranges_[i];
  if (r.StartPos < Pos && Pos < r.EndPos) return i;
  if (!WordText) return -1;
  if (Pos == r.StartPos || Pos == r.EndPos) return i;
  return -1;
}

void TSyntSyncEdit::InsertIntoGroup(TSyncWordGroup& G, int Pos, int Count, bool BoundaryJoins) {
  bool grown = false;
  for (int k = 0; k < G.Count(); ++k) {
    TRange& o = G[k];
    if (o.EndPos < Pos) continue;
    if (o.StartPos > Pos) {
      o.StartPos += Count;
      o.EndPos += Count;
    } else if ((o.StartPos < Pos && Pos < o.EndPos) || (BoundaryJoins && !grown)) {
      o.EndPos += Count;
      grown = true;
    } else if (o.StartPos == Pos) {
      // Typed in front of the word: the word moves on.
      o.StartPos += Count;
      o.EndPos += Count;
    }
  }
}

void TSyntSyncEdit::Insert(int Pos, int Count, bool WordText) {
  const int target = InsertRange(Pos, WordText);
  for (int i = 0; i < ranges_.Count(); ++i) {
    TSyncRange& r = ranges_[i];
    if (i == target) {
      r.EndPos += Count;
      for (int g = 0; g < int(r.Groups.size()); ++g) {
        TSyncWordGroup& occ = r.Groups[size_t(g)];
        if (i == replicatingRange_ && g == replicatingGroup_ && replicatingIndex_ >= 0 &&
            replicatingIndex_ < occ.Count()) {
          // The copy's own word grows; the words after it move on.
          occ[replicatingIndex_].EndPos += Count;
          for (int k = replicatingIndex_ + 1; k < occ.Count(); ++k) {
            occ[k].StartPos += Count;
            occ[k].EndPos += Count;
          }
          continue;
        }
        InsertIntoGroup(occ, Pos, Count, replicatingRange_ < 0 && WordText);
      }
    } else if (r.StartPos >= Pos && (target < 0 || i > target)) {
      Shift(r, Count);
    }
  }
}

bool TSyntSyncEdit::DeleteFromGroup(TSyncWordGroup& G, int Pos, int End) {
  const int n = End - Pos;
  for (int k = 0; k < G.Count(); ++k) {
    TRange& o = G[k];
    if (o.EndPos <= Pos) continue;
    if (o.StartPos >= End) {
      o.StartPos -= n;
      o.EndPos -= n;
    } else if (o.StartPos <= Pos && End <= o.EndPos) {
      o.EndPos -= n;
    } else if (o.Size() == 0) {
      // An emptied word inside the deleted text stays where the text closes up.
      o.StartPos = o.EndPos = Pos;
    } else {
      return false;
    }
  }
  return true;
}

// Every position maps through the deletion (before it: kept; inside: to its start; after: moved
// back), so nothing is left pointing into deleted text: the range holding the deletion's start is
// clipped, a range the deletion runs into loses its front, one it covers goes, and a group with
// an occurrence the deletion only partly overlaps goes.
void TSyntSyncEdit::Delete(int Pos, int Count) {
  const int end = Pos + Count;
  auto map = [&](int p) { return p <= Pos ? p : p >= end ? p - Count : Pos; };
  bool removed = false;
  for (int i = ranges_.Count() - 1; i >= 0; --i) {
    TSyncRange& r = ranges_[i];
    if (r.EndPos <= Pos) continue;
    if (r.StartPos >= end) {
      Shift(r, -Count);
      continue;
    }
    if (Pos <= r.StartPos && r.EndPos <= end) {
      ranges_.Delete(i);
      removed = true;
      continue;
    }
    const size_t groups = r.Groups.size();
    std::erase_if(r.Groups, [&](TSyncWordGroup& g) { return !DeleteFromGroup(g, Pos, end); });
    r.StartPos = map(r.StartPos);
    r.EndPos = map(r.EndPos);
    if (r.Groups.size() != groups) removed = true;
    if (r.Groups.empty()) ranges_.Delete(i);
  }
  // Indexes may have moved: the editor asks again for the caret's group.
  if (removed) activeRange_ = activeGroup_ = -1;
}

// ---- Replication --------------------------------------------------------------------------------

TSyncTargets TSyntSyncEdit::ReplicationTargets(int Pos, int Delta, bool WordText) const {
  TSyncTargets t;
  if (Delta == 0 || Pos < 0) return t;
  const int end = Delta < 0 ? Pos - Delta : Pos;
  int i = ranges_.PriorAt(Pos);
  if (i < 0) return t;
  const TSyncRange& r = ranges_[i];
  if (Pos > r.EndPos || end > r.EndPos) return t;
  int group = -1, at = -1;
  bool interior = false;
  for (int g = int(r.Groups.size()) - 1; g >= 0 && !interior; --g) {
    const TSyncWordGroup& occ = r.Groups[size_t(g)];
    const int j = occ.PriorAt(Pos);
    if (j < 0) continue;
    const TRange& o = occ[j];
    if (Delta < 0) {
      if (o.StartPos <= Pos && end <= o.EndPos) group = g, at = j, interior = true;
    } else if (o.StartPos < Pos && Pos < o.EndPos) {
      group = g, at = j, interior = true;
    } else if (WordText && group < 0 && (Pos == o.StartPos || Pos == o.EndPos)) {
      group = g, at = j;
    }
  }
  if (group < 0) return t;
  const TSyncWordGroup& occ = r.Groups[size_t(group)];
  const int size = occ[0].Size();
  // A group whose words differ (an edit this model did not see) repeats nothing.
  for (const TRange& o : occ)
    if (o.Size() != size) return t;
  const int delta = Pos - occ[at].StartPos;
  t.Range = i;
  t.Group = group;
  for (const TRange& o : occ) t.Offsets.push_back(o.StartPos + delta);
  return t;
}

void TSyntSyncEdit::BeginReplication(const TSyncTargets& Targets, int Index) {
  replicatingRange_ = Targets.Range;
  replicatingGroup_ = Targets.Group;
  replicatingIndex_ = Index;
}

void TSyntSyncEdit::EndReplication() {
  replicatingRange_ = replicatingGroup_ = replicatingIndex_ = -1;
}

// ---- Published properties -----------------------------------------------------------------------

namespace {

void DescribeSyncEdit(TPropertyList& List) {
  using S = TSyntSyncEdit;
  TPropsOf<S> p(List);
  p.Boolean("Enabled", &S::Enabled, &S::SetEnabled).Def(true);
  p.Object("SyncRangeStyle", &S::SyncRangeStyle);
  p.Object("ActiveWordsStyle", &S::ActiveWordsStyle);
  p.Object("InactiveWordsStyle", &S::InactiveWordsStyle);
}

}  // namespace

const TClassInfo& TSyntSyncEdit::StaticClassInfo() {
  static const TClassInfo info("TSyntSyncEdit", &TPersistent::StaticClassInfo(), DescribeSyncEdit);
  return info;
}

}  // namespace synt
