// The display-line map of the line layout: one cell per text line (its row count, whether a
// collapsed range hides it, whether its row count must be measured again), kept in blocks with a
// Fenwick tree over the blocks' line counts and visible-row sums, and the layout objects of the
// lines that were asked for.
//
//   synt::TDisplayMap map;
//   map.Reset(1000);                      // 1000 lines of one row each
//   map.SetRows(10, 3);                   // line 10 wraps into three rows
//   map.ApplyHidden({{21, 30}});          // a collapsed range on line 20 hides 21..29
//   int d = map.RowsBefore(40);           // visible rows above line 40: 40 + 2 - 9
//   synt::TDisplayPos p = map.Locate(d);  // {40, 0}
//
// Lookups and single-line changes cost O(log blocks) plus one block; inserting or deleting lines
// touches the blocks they fall in, and rebuilds the tree (one entry per block) only when a block
// splits or goes.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "editor/line_layout.h"
#include "lists/range_list.h"

namespace synt {

class TDisplayMap {
 public:
  static constexpr int kBlockLines = 512;  // lines per block when blocks are made
  static constexpr int kMaxBlockLines = 2 * kBlockLines;
  static constexpr int kMinBlockLines = kBlockLines / 8;  // smaller blocks join a neighbour
  static constexpr int kMaxRows = (1 << 30) - 1;

  TDisplayMap() = default;
  TDisplayMap(const TDisplayMap&) = delete;
  TDisplayMap& operator=(const TDisplayMap&) = delete;

  // LineCount lines of one row each, none hidden, Stale as given; layouts and spans are dropped.
  void Reset(int LineCount, bool Stale);
  int LineCount() const { return lineTotal_; }
  int VisibleRows() const { return rowTotal_; }

  // New lines have one row and the given staleness; they are hidden when a hidden span runs
  // across At. Deleted lines take their layouts with them. Both keep the hidden spans in step.
  void InsertLines(int At, int Count, bool Stale);
  void DeleteLines(int At, int Count);

  int Rows(int Line) const { return int(Cell(Line) & kRowsMask); }
  bool Hidden(int Line) const { return (Cell(Line) & kHidden) != 0; }
  bool Stale(int Line) const { return (Cell(Line) & kStale) != 0; }
  // Sets the row count (at least 1, at most kMaxRows) and clears the staleness.
  void SetRows(int Line, int Rows);
  // Marks lines First..Last (inclusive) stale.
  void SetStale(int First, int Last);
  // Every line one row, with the given staleness.
  void ResetRows(bool Stale);
  // Lines that are stale and visible: they must be measured before the map can answer.
  int StaleVisible() const { return staleVisibleTotal_; }
  // Measures every stale visible line: F(Line, Info) returns the new row count (Info: the
  // line's layout object or null); the sums are fixed once at the end.
  template <class F>
  void MeasureStaleVisible(F f);

  // The new spans of hidden lines (sorted, merged); only the lines whose state differs change.
  void ApplyHidden(const std::vector<TRange>& Spans);
  const std::vector<TRange>& HiddenSpans() const { return spans_; }
  // The span containing Line, else -1.
  int HiddenSpanAt(int Line) const;

  // Visible rows of the lines before Line (0 <= Line <= LineCount()).
  int RowsBefore(int Line) const;
  // The line and row of the visible row Index (0 <= Index < VisibleRows()).
  TDisplayPos Locate(int Index) const;

  // Layout objects: null until made.
  TLineInfo* Info(int Line) const;
  TLineInfo& MakeInfo(int Line);
  // Calls F(TLineInfo&) for each layout object of lines First..Last (inclusive).
  template <class F>
  void ForEachInfo(int First, int Last, F f);
  int InfoCount() const;

  size_t MemoryUsage() const;
  // Throws std::logic_error when the sums, the tree, the spans or the counts disagree.
  void Check() const;

 private:
  static constexpr uint32_t kHidden = 1u << 31;
  static constexpr uint32_t kStale = 1u << 30;
  static constexpr uint32_t kRowsMask = kStale - 1;
  using TInfos = std::vector<std::unique_ptr<TLineInfo>>;
  struct TBlock {
    std::vector<uint32_t> cells;
    std::unique_ptr<TInfos> infos;  // parallel to cells once a layout was made here
    int rows = 0;                   // visible rows
    int staleVisible = 0;
  };
  static int VisibleRowsOf(uint32_t c) { return (c & kHidden) ? 0 : int(c & kRowsMask); }
  static bool StaleVisibleCell(uint32_t c) { return (c & (kHidden | kStale)) == kStale; }

  // Block holding Line (Line == LineCount(): the last block, at its end) and the offset in it.
  int FindBlock(int Line, int& Offset) const;
  uint32_t Cell(int Line) const;
  void Retotal(TBlock& B);
  void RebuildTree();
  void AddToTree(int Block, int Lines, int Rows);
  int BlockStart(int Block) const;  // first line of Block
  void SetHiddenRange(int First, int End, bool Hide);
  void SplitBlock(int Block);
  void JoinSmall(int Block);

  std::vector<TBlock> blocks_;
  std::vector<int> treeLines_, treeRows_;  // 1-based Fenwick trees over the blocks
  int lineTotal_ = 0;
  int rowTotal_ = 0;
  int staleVisibleTotal_ = 0;
  std::vector<TRange> spans_;
  // Blocks that may hold stale visible lines (every block after the blocks changed shape).
  int staleLo_ = INT_MAX;
  int staleHi_ = -1;
  void MayBeStale(int Block) {
    staleLo_ = std::min(staleLo_, Block);
    staleHi_ = std::max(staleHi_, Block);
  }
};

template <class F>
void TDisplayMap::MeasureStaleVisible(F f) {
  if (staleVisibleTotal_ == 0) {
    staleLo_ = INT_MAX;
    staleHi_ = -1;
    return;
  }
  const int last = std::min(staleHi_, int(blocks_.size()) - 1);
  int start = staleLo_ <= last ? BlockStart(staleLo_) : 0;
  for (int b = std::max(0, staleLo_); b <= last; ++b) {
    TBlock& B = blocks_[size_t(b)];
    const int n = int(B.cells.size());
    if (B.staleVisible > 0) {
      int delta = 0;
      for (int o = 0; o < n; ++o) {
        uint32_t& c = B.cells[size_t(o)];
        if (!StaleVisibleCell(c)) continue;
        const int rows =
            std::clamp(f(start + o, B.infos ? (*B.infos)[size_t(o)].get() : nullptr), 1, kMaxRows);
        delta += rows - int(c & kRowsMask);
        c = uint32_t(rows);
      }
      staleVisibleTotal_ -= B.staleVisible;
      B.staleVisible = 0;
      B.rows += delta;
      if (delta != 0) AddToTree(b, 0, delta);
    }
    start += n;
  }
  staleLo_ = INT_MAX;
  staleHi_ = -1;
}

template <class F>
void TDisplayMap::ForEachInfo(int First, int Last, F f) {
  if (First < 0) First = 0;
  if (Last >= lineTotal_) Last = lineTotal_ - 1;
  if (First > Last) return;
  int o = 0;
  int b = FindBlock(First, o);
  int line = First;
  for (; b < int(blocks_.size()) && line <= Last; ++b, o = 0) {
    TBlock& B = blocks_[size_t(b)];
    const int n = int(B.cells.size());
    if (!B.infos) {
      line += n - o;
      continue;
    }
    for (; o < n && line <= Last; ++o, ++line)
      if (TLineInfo* i = (*B.infos)[size_t(o)].get()) f(*i);
  }
}

}  // namespace synt
