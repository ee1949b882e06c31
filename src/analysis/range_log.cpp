#include "analysis/range_log.h"

#include <algorithm>

#include "analysis/client_analyzer.h"

namespace synt::analysis_internal {

namespace {
constexpr int kNone = INT_MIN;  // an empty leaf: no range, never "closed after" anything
}

void TRangeLog::Added(TTextRange* Range, int CreateRun, int OpenStartIdx) {
  const int index = Count();
  entries_.push_back({Range, CreateRun, kOpen, kByRule, OpenStartIdx});
  starts_.push_back(Range->StartPos);
  if (index >= leaves_) {
    // Double the tree and rebuild it: amortised constant per range.
    const int leaves = std::max(64, leaves_ * 2);
    leaves_ = leaves;
    tree_.assign(size_t(2 * leaves), kNone);
    for (int i = 0; i < index; ++i) tree_[size_t(leaves + i)] = entries_[size_t(i)].CloseRun;
    for (int n = leaves - 1; n >= 1; --n)
      tree_[size_t(n)] = std::max(tree_[size_t(2 * n)], tree_[size_t(2 * n + 1)]);
  }
  Update(index);
}

void TRangeLog::Closed(int Index, int CloseRun, int ClosedBy) {
  Entry& e = entries_[size_t(Index)];
  e.CloseRun = CloseRun;
  e.ClosedBy = ClosedBy;
  Update(Index);
}

void TRangeLog::Update(int Index) {
  int n = leaves_ + Index;
  tree_[size_t(n)] = Index < Count() ? entries_[size_t(Index)].CloseRun : kNone;
  for (n /= 2; n >= 1; n /= 2) {
    const int v = std::max(tree_[size_t(2 * n)], tree_[size_t(2 * n + 1)]);
    if (tree_[size_t(n)] == v) break;  // nothing above changes
    tree_[size_t(n)] = v;
  }
}

void TRangeLog::Truncate(int Index) {
  // The leaves past the end keep their values: every query stops at Count(), so only the O(log n)
  // nodes that straddle the end see them, and Added overwrites them one by one.
  entries_.resize(size_t(std::clamp(Index, 0, Count())));
  starts_.resize(entries_.size());
}

int TRangeLog::MinStartFrom(int Index) const {
  int m = INT_MAX;
  for (size_t i = size_t(std::max(Index, 0)); i < starts_.size(); ++i) m = std::min(m, starts_[i]);
  return m;
}

void TRangeLog::Clear() {
  entries_.clear();
  starts_.clear();
  tree_.clear();
  leaves_ = 0;
}

int TRangeLog::FirstCreatedAfter(int Run) const {
  auto it = std::upper_bound(entries_.begin(), entries_.end(), Run,
                             [](int r, const Entry& e) { return r < e.CreateRun; });
  return int(it - entries_.begin());
}

void TRangeLog::ClosedAfter(int Run, int Limit, std::vector<int>& Out) const {
  Limit = std::min(Limit, Count());
  if (Limit <= 0 || leaves_ == 0) return;
  Collect(1, 0, leaves_, Run, Limit, Out);
}

void TRangeLog::Collect(int Node, int Lo, int Hi, int Run, int Limit, std::vector<int>& Out) const {
  if (Lo >= Limit || tree_[size_t(Node)] <= Run) return;
  if (Hi - Lo == 1) {
    Out.push_back(Lo);
    return;
  }
  const int mid = (Lo + Hi) / 2;
  Collect(2 * Node, Lo, mid, Run, Limit, Out);
  Collect(2 * Node + 1, mid, Hi, Run, Limit, Out);
}

}  // namespace synt::analysis_internal
