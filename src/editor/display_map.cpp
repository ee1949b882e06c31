#include "editor/display_map.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <string>

namespace synt {

namespace {

[[noreturn]] void Fail(const std::string& What) {
  throw std::logic_error("TDisplayMap: " + What);
}

int HighestBit(int n) {
  int p = 1;
  while (p * 2 <= n) p *= 2;
  return p;
}

// Merges touching and overlapping spans, drops empty ones.
void Normalize(std::vector<TRange>& Spans) {
  size_t w = 0;
  for (size_t r = 0; r < Spans.size(); ++r) {
    if (Spans[r].EndPos <= Spans[r].StartPos) continue;
    if (w > 0 && Spans[w - 1].EndPos >= Spans[r].StartPos) {
      Spans[w - 1].EndPos = std::max(Spans[w - 1].EndPos, Spans[r].EndPos);
      continue;
    }
    Spans[w++] = Spans[r];
  }
  Spans.resize(w);
}

}  // namespace

void TDisplayMap::Reset(int LineCount, bool Stale) {
  blocks_.clear();
  spans_.clear();
  lineTotal_ = std::max(0, LineCount);
  for (int start = 0; start < lineTotal_; start += kBlockLines) {
    TBlock& b = blocks_.emplace_back();
    b.cells.assign(size_t(std::min(kBlockLines, lineTotal_ - start)), 1u | (Stale ? kStale : 0));
    Retotal(b);
  }
  RebuildTree();
}

void TDisplayMap::ResetRows(bool Stale) {
  for (TBlock& b : blocks_) {
    for (uint32_t& c : b.cells) c = (c & kHidden) | 1u | (Stale ? kStale : 0);
    Retotal(b);
  }
  RebuildTree();
}

void TDisplayMap::Retotal(TBlock& B) {
  B.rows = 0;
  B.staleVisible = 0;
  for (uint32_t c : B.cells) {
    B.rows += VisibleRowsOf(c);
    B.staleVisible += StaleVisibleCell(c);
  }
}

void TDisplayMap::RebuildTree() {
  const size_t n = blocks_.size();
  treeLines_.assign(n + 1, 0);
  treeRows_.assign(n + 1, 0);
  lineTotal_ = rowTotal_ = staleVisibleTotal_ = 0;
  for (size_t i = 1; i <= n; ++i) {
    const TBlock& b = blocks_[i - 1];
    treeLines_[i] += int(b.cells.size());
    treeRows_[i] += b.rows;
    lineTotal_ += int(b.cells.size());
    rowTotal_ += b.rows;
    staleVisibleTotal_ += b.staleVisible;
    const size_t parent = i + (i & (~i + 1));
    if (parent <= n) {
      treeLines_[parent] += treeLines_[i];
      treeRows_[parent] += treeRows_[i];
    }
  }
  staleLo_ = staleVisibleTotal_ > 0 ? 0 : INT_MAX;
  staleHi_ = staleVisibleTotal_ > 0 ? int(n) - 1 : -1;
}

void TDisplayMap::AddToTree(int Block, int Lines, int Rows) {
  lineTotal_ += Lines;
  rowTotal_ += Rows;
  for (size_t i = size_t(Block) + 1; i < treeLines_.size(); i += i & (~i + 1)) {
    treeLines_[i] += Lines;
    treeRows_[i] += Rows;
  }
}

int TDisplayMap::BlockStart(int Block) const {
  int s = 0;
  for (size_t i = size_t(Block); i > 0; i -= i & (~i + 1)) s += treeLines_[i];
  return s;
}

int TDisplayMap::FindBlock(int Line, int& Offset) const {
  const int n = int(blocks_.size());
  if (n == 0) Fail("no lines");
  if (Line >= lineTotal_) {
    Offset = int(blocks_.back().cells.size());
    return n - 1;
  }
  int pos = 0, rest = Line;
  for (int step = HighestBit(n); step > 0; step /= 2) {
    if (pos + step <= n && treeLines_[size_t(pos + step)] <= rest) {
      pos += step;
      rest -= treeLines_[size_t(pos)];
    }
  }
  Offset = rest;
  return pos;
}

uint32_t TDisplayMap::Cell(int Line) const {
  if (Line < 0 || Line >= lineTotal_) Fail("line " + std::to_string(Line) + " outside the map");
  int o = 0;
  const int b = FindBlock(Line, o);
  return blocks_[size_t(b)].cells[size_t(o)];
}

int TDisplayMap::RowsBefore(int Line) const {
  if (Line <= 0 || blocks_.empty()) return 0;
  if (Line >= lineTotal_) return rowTotal_;
  int o = 0;
  const int b = FindBlock(Line, o);
  int rows = 0;
  for (size_t i = size_t(b); i > 0; i -= i & (~i + 1)) rows += treeRows_[i];
  const TBlock& B = blocks_[size_t(b)];
  for (int k = 0; k < o; ++k) rows += VisibleRowsOf(B.cells[size_t(k)]);
  return rows;
}

TDisplayPos TDisplayMap::Locate(int Index) const {
  if (Index < 0 || Index >= rowTotal_) Fail("display index " + std::to_string(Index) + " outside");
  const int n = int(blocks_.size());
  int pos = 0, rest = Index;
  for (int step = HighestBit(n); step > 0; step /= 2) {
    if (pos + step <= n && treeRows_[size_t(pos + step)] <= rest) {
      pos += step;
      rest -= treeRows_[size_t(pos)];
    }
  }
  const TBlock& B = blocks_[size_t(pos)];
  const int start = BlockStart(pos);
  for (size_t k = 0; k < B.cells.size(); ++k) {
    const int r = VisibleRowsOf(B.cells[k]);
    if (rest < r) return {start + int(k), rest};
    rest -= r;
  }
  Fail("display index " + std::to_string(Index) + " not found");
}

void TDisplayMap::SetRows(int Line, int Rows) {
  Rows = std::clamp(Rows, 1, kMaxRows);
  int o = 0;
  const int b = FindBlock(Line, o);
  if (Line < 0 || Line >= lineTotal_) Fail("line " + std::to_string(Line) + " outside the map");
  TBlock& B = blocks_[size_t(b)];
  uint32_t& c = B.cells[size_t(o)];
  const int before = VisibleRowsOf(c);
  if (StaleVisibleCell(c)) {
    --B.staleVisible;
    --staleVisibleTotal_;
  }
  c = (c & kHidden) | uint32_t(Rows);
  const int delta = VisibleRowsOf(c) - before;
  B.rows += delta;
  if (delta != 0) AddToTree(b, 0, delta);
}

void TDisplayMap::SetStale(int First, int Last) {
  First = std::max(First, 0);
  Last = std::min(Last, lineTotal_ - 1);
  if (First > Last) return;
  int o = 0;
  int b = FindBlock(First, o);
  for (int line = First; line <= Last; ++b, o = 0) {
    TBlock& B = blocks_[size_t(b)];
    for (; o < int(B.cells.size()) && line <= Last; ++o, ++line) {
      uint32_t& c = B.cells[size_t(o)];
      if (c & kStale) continue;
      c |= kStale;
      if (StaleVisibleCell(c)) {
        ++B.staleVisible;
        ++staleVisibleTotal_;
        MayBeStale(b);
      }
    }
  }
}

void TDisplayMap::SetHiddenRange(int First, int End, bool Hide) {
  First = std::max(First, 0);
  End = std::min(End, lineTotal_);
  if (First >= End) return;
  int o = 0;
  int b = FindBlock(First, o);
  for (int line = First; line < End; ++b, o = 0) {
    TBlock& B = blocks_[size_t(b)];
    int dRows = 0, dStale = 0;
    for (; o < int(B.cells.size()) && line < End; ++o, ++line) {
      uint32_t& c = B.cells[size_t(o)];
      if (((c & kHidden) != 0) == Hide) continue;
      dRows -= VisibleRowsOf(c);
      dStale -= StaleVisibleCell(c);
      c ^= kHidden;
      dRows += VisibleRowsOf(c);
      dStale += StaleVisibleCell(c);
    }
    B.rows += dRows;
    B.staleVisible += dStale;
    staleVisibleTotal_ += dStale;
    if (dStale > 0) MayBeStale(b);
    if (dRows != 0) AddToTree(b, 0, dRows);
  }
}

void TDisplayMap::ApplyHidden(const std::vector<TRange>& Spans) {
  std::vector<TRange> next = Spans;
  for (TRange& s : next) {
    s.StartPos = std::clamp(s.StartPos, 0, lineTotal_);
    s.EndPos = std::clamp(s.EndPos, 0, lineTotal_);
  }
  std::sort(next.begin(), next.end(),
            [](const TRange& a, const TRange& b) { return a.StartPos < b.StartPos; });
  Normalize(next);
  // Walk the boundaries of both lists; between two of them each list is either in or out.
  std::vector<int> cuts;
  cuts.reserve(2 * (spans_.size() + next.size()));
  for (const TRange& s : spans_) cuts.insert(cuts.end(), {s.StartPos, s.EndPos});
  const size_t oldCuts = cuts.size();
  for (const TRange& s : next) cuts.insert(cuts.end(), {s.StartPos, s.EndPos});
  std::inplace_merge(cuts.begin(), cuts.begin() + ptrdiff_t(oldCuts), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  size_t a = 0, n = 0;
  for (size_t k = 0; k + 1 < cuts.size(); ++k) {
    const int from = cuts[k], to = cuts[k + 1];
    while (a < spans_.size() && spans_[a].EndPos <= from) ++a;
    while (n < next.size() && next[n].EndPos <= from) ++n;
    const bool wasIn = a < spans_.size() && spans_[a].StartPos <= from;
    const bool isIn = n < next.size() && next[n].StartPos <= from;
    if (wasIn != isIn) SetHiddenRange(from, to, isIn);
  }
  spans_ = std::move(next);
}

int TDisplayMap::HiddenSpanAt(int Line) const {
  auto it = std::upper_bound(spans_.begin(), spans_.end(), Line,
                             [](int l, const TRange& s) { return l < s.StartPos; });
  if (it == spans_.begin()) return -1;
  --it;
  return it->Contains(Line) ? int(it - spans_.begin()) : -1;
}

void TDisplayMap::InsertLines(int At, int Count, bool Stale) {
  if (Count <= 0) return;
  At = std::clamp(At, 0, lineTotal_);
  bool hidden = false;
  for (TRange& s : spans_) {
    if (s.StartPos >= At) {
      s.StartPos += Count;
      s.EndPos += Count;
    } else if (At < s.EndPos) {
      s.EndPos += Count;
      hidden = true;
    }
  }
  const uint32_t cell = 1u | (Stale ? kStale : 0) | (hidden ? kHidden : 0);
  if (blocks_.empty()) {
    blocks_.emplace_back();
    RebuildTree();
  }
  int o = 0;
  const int b = FindBlock(At, o);
  TBlock& B = blocks_[size_t(b)];
  B.cells.insert(B.cells.begin() + o, size_t(Count), cell);
  if (B.infos) {
    TInfos fresh(static_cast<size_t>(Count));
    B.infos->insert(B.infos->begin() + o, std::make_move_iterator(fresh.begin()),
                    std::make_move_iterator(fresh.end()));
  }
  const int rows = hidden ? 0 : Count;
  const int stale = StaleVisibleCell(cell) ? Count : 0;
  B.rows += rows;
  B.staleVisible += stale;
  staleVisibleTotal_ += stale;
  if (stale > 0) MayBeStale(b);
  if (int(B.cells.size()) > kMaxBlockLines) {
    SplitBlock(b);
  } else {
    AddToTree(b, Count, rows);
  }
}

void TDisplayMap::SplitBlock(int Block) {
  TBlock old = std::move(blocks_[size_t(Block)]);
  std::vector<TBlock> parts;
  const int n = int(old.cells.size());
  for (int s = 0; s < n; s += kBlockLines) {
    const int e = std::min(n, s + kBlockLines);
    TBlock& p = parts.emplace_back();
    p.cells.assign(old.cells.begin() + s, old.cells.begin() + e);
    if (old.infos) {
      p.infos = std::make_unique<TInfos>();
      for (int k = s; k < e; ++k) p.infos->push_back(std::move((*old.infos)[size_t(k)]));
    }
    Retotal(p);
  }
  blocks_.erase(blocks_.begin() + Block);
  blocks_.insert(blocks_.begin() + Block, std::make_move_iterator(parts.begin()),
                 std::make_move_iterator(parts.end()));
  RebuildTree();
}

void TDisplayMap::DeleteLines(int At, int Count) {
  At = std::max(At, 0);
  Count = std::min(Count, lineTotal_ - At);
  if (Count <= 0) return;
  for (TRange& s : spans_) {
    s.StartPos = s.StartPos <= At ? s.StartPos : std::max(At, s.StartPos - Count);
    s.EndPos = s.EndPos <= At ? s.EndPos : std::max(At, s.EndPos - Count);
  }
  Normalize(spans_);
  bool structure = false;
  int left = Count;
  int o = 0;
  int b = FindBlock(At, o);
  while (left > 0) {
    TBlock& B = blocks_[size_t(b)];
    const int k = std::min(left, int(B.cells.size()) - o);
    int rows = 0, stale = 0;
    for (int i = o; i < o + k; ++i) {
      rows += VisibleRowsOf(B.cells[size_t(i)]);
      stale += StaleVisibleCell(B.cells[size_t(i)]);
    }
    B.cells.erase(B.cells.begin() + o, B.cells.begin() + o + k);
    if (B.infos) B.infos->erase(B.infos->begin() + o, B.infos->begin() + o + k);
    B.rows -= rows;
    B.staleVisible -= stale;
    staleVisibleTotal_ -= stale;
    left -= k;
    if (B.cells.empty()) {
      blocks_.erase(blocks_.begin() + b);
      structure = true;
    } else {
      if (!structure) AddToTree(b, -k, -rows);
      ++b;
    }
    o = 0;
  }
  if (structure) {
    RebuildTree();
  }
  JoinSmall(std::min(b, int(blocks_.size()) - 1));
}

void TDisplayMap::JoinSmall(int Block) {
  if (Block < 0 || Block >= int(blocks_.size()) || blocks_.size() < 2) return;
  if (int(blocks_[size_t(Block)].cells.size()) >= kMinBlockLines) return;
  const int into = Block > 0 ? Block - 1 : Block + 1;
  if (int(blocks_[size_t(into)].cells.size() + blocks_[size_t(Block)].cells.size()) >
      kMaxBlockLines)
    return;
  const int first = std::min(into, Block);
  TBlock& A = blocks_[size_t(first)];
  TBlock& B = blocks_[size_t(first) + 1];
  if (A.infos || B.infos) {
    if (!A.infos) A.infos = std::make_unique<TInfos>(A.cells.size());
    if (B.infos) {
      for (auto& i : *B.infos) A.infos->push_back(std::move(i));
    } else {
      A.infos->resize(A.infos->size() + B.cells.size());
    }
  }
  A.cells.insert(A.cells.end(), B.cells.begin(), B.cells.end());
  Retotal(A);
  blocks_.erase(blocks_.begin() + first + 1);
  RebuildTree();
}

TLineInfo* TDisplayMap::Info(int Line) const {
  if (Line < 0 || Line >= lineTotal_) return nullptr;
  int o = 0;
  const int b = FindBlock(Line, o);
  const TBlock& B = blocks_[size_t(b)];
  return B.infos ? (*B.infos)[size_t(o)].get() : nullptr;
}

TLineInfo& TDisplayMap::MakeInfo(int Line) {
  if (Line < 0 || Line >= lineTotal_) Fail("line " + std::to_string(Line) + " outside the map");
  int o = 0;
  const int b = FindBlock(Line, o);
  TBlock& B = blocks_[size_t(b)];
  if (!B.infos) B.infos = std::make_unique<TInfos>(B.cells.size());
  auto& slot = (*B.infos)[size_t(o)];
  if (!slot) slot = std::make_unique<TLineInfo>();
  return *slot;
}

int TDisplayMap::InfoCount() const {
  int n = 0;
  for (const TBlock& b : blocks_)
    if (b.infos)
      for (const auto& i : *b.infos) n += i != nullptr;
  return n;
}

size_t TDisplayMap::MemoryUsage() const {
  size_t bytes = sizeof(*this) + blocks_.capacity() * sizeof(TBlock) +
                 (treeLines_.capacity() + treeRows_.capacity()) * sizeof(int) +
                 spans_.capacity() * sizeof(TRange);
  for (const TBlock& b : blocks_) {
    bytes += b.cells.capacity() * sizeof(uint32_t);
    if (!b.infos) continue;
    bytes += sizeof(TInfos) + b.infos->capacity() * sizeof(std::unique_ptr<TLineInfo>);
    for (const auto& i : *b.infos)
      if (i)
        bytes += sizeof(TLineInfo) +
                 (i->WrapPoints().capacity() + 2 * size_t(i->RowCount())) * sizeof(int);
  }
  return bytes;
}

void TDisplayMap::Check() const {
  int lines = 0, rows = 0, stale = 0;
  for (size_t i = 0; i < blocks_.size(); ++i) {
    const TBlock& b = blocks_[i];
    if (b.cells.empty()) Fail("empty block " + std::to_string(i));
    if (b.infos && b.infos->size() != b.cells.size()) Fail("layouts out of step in block");
    int r = 0, s = 0;
    for (size_t k = 0; k < b.cells.size(); ++k) {
      const uint32_t c = b.cells[k];
      if ((c & kRowsMask) == 0) Fail("line without rows");
      const bool hidden = HiddenSpanAt(lines + int(k)) >= 0;
      if (hidden != ((c & kHidden) != 0)) Fail("hidden bit of line " + std::to_string(lines + k));
      r += VisibleRowsOf(c);
      s += StaleVisibleCell(c);
    }
    if (r != b.rows || s != b.staleVisible) Fail("block sums of block " + std::to_string(i));
    if (s > 0 && (int(i) < staleLo_ || int(i) > staleHi_)) Fail("stale lines outside the range");
    if (BlockStart(int(i)) != lines) Fail("tree lines at block " + std::to_string(i));
    int before = 0;
    for (size_t k = i; k > 0; k -= k & (~k + 1)) before += treeRows_[k];
    if (before != rows) Fail("tree rows at block " + std::to_string(i));
    lines += int(b.cells.size());
    rows += r;
    stale += s;
  }
  if (lines != lineTotal_ || rows != rowTotal_ || stale != staleVisibleTotal_) Fail("totals");
  for (size_t i = 0; i < spans_.size(); ++i) {
    const TRange& s = spans_[i];
    if (s.StartPos >= s.EndPos || s.StartPos < 0 || s.EndPos > lineTotal_) Fail("span bounds");
    if (i > 0 && spans_[i - 1].EndPos >= s.StartPos) Fail("spans touch or overlap");
  }
}

}  // namespace synt
