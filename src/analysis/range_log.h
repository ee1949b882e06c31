// Internal to the analysis: every text range in the order it was created, with the block-rule run
// that created it and the run that closed it, so that re-analysis from token k finds in time
// proportional to the answer which ranges were open after run k (created no later, closed later).
//
// A "run" is the block-rule pass made for the first n tokens; its number is n. Closing events that
// happen outside a run (the end of a sub-lexer region, the end of the text) are logged with the
// run after which they happened plus one, and remember what caused them.
#pragma once

#include <climits>
#include <cstddef>
#include <vector>

namespace synt {

class TTextRange;

namespace analysis_internal {

class TRangeLog {
 public:
  static constexpr int kOpen = INT_MAX;           // close run of an open range
  static constexpr int kAtTextEnd = INT_MAX - 1;  // closed at the end of the text
  // What closed a range: a block rule, the end of the text, or (>= 0) the end of that region.
  static constexpr int kByRule = -2;
  static constexpr int kByTextEnd = -1;

  struct Entry {
    TTextRange* Range = nullptr;
    int CreateRun = 0;
    int CloseRun = kOpen;
    int ClosedBy = kByRule;
    int OpenStartIdx = 0;  // StartIdx while open (a close handler may move it)
  };

  int Count() const { return int(entries_.size()); }
  const Entry& operator[](int Index) const { return entries_[std::size_t(Index)]; }

  // Range is the next one created (its Index is Count()).
  void Added(TTextRange* Range, int CreateRun, int OpenStartIdx);
  void Closed(int Index, int CloseRun, int ClosedBy);
  void Reopened(int Index) { Closed(Index, kOpen, kByRule); }
  // Forgets the ranges from Index on.
  void Truncate(int Index);
  void Clear();
  // Index of the first range created in a run after Run (Count() if none).
  int FirstCreatedAfter(int Run) const;
  // Appends the indexes below Limit whose close run is after Run, in ascending order.
  void ClosedAfter(int Run, int Limit, std::vector<int>& Out) const;
  // The smallest StartPos of the ranges from Index on (INT_MAX if none). The starts are kept
  // apart from the entries so that this scan reads one small array, not the ranges.
  int MinStartFrom(int Index) const;
  int StartOf(int Index) const { return starts_[std::size_t(Index)]; }

 private:
  void Update(int Index);
  void Collect(int Node, int Lo, int Hi, int Run, int Limit, std::vector<int>& Out) const;

  std::vector<Entry> entries_;
  std::vector<int> starts_;  // StartPos of each range when it was added (the sort key, fixed)
  // Max-tree over the close runs: leaf i at tree_[leaves_ + i]; leaves_ is a power of two.
  std::vector<int> tree_;
  int leaves_ = 0;
};

}  // namespace analysis_internal
}  // namespace synt
