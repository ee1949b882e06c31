// A static index over ranges kept in layers (TRangeCollection): the ranges containing a position,
// the ranges meeting a span, where that set changes next, in O(log n + k) for k ranges reported,
// whatever the number of layers. Answers come in collection order (layer by layer, and by
// position within a layer), the order a walk over the layers gives.
//
//   synt::TRangeIndex<synt::TRange> index;
//   index.Build(layers.Count(), [&](int l) -> auto& { return layers.Layers(l); });
//   std::vector<synt::TRange*> here;
//   int next = index.RangesAt(here, 7);
//
// The index keeps pointers to the ranges: it is built once the layers no longer change, and
// dropped before they do. Queries are const and safe to run concurrently.
//
// Structure: a centred interval tree (each node holds the ranges containing its centre, sorted by
// start and by end, so a stabbing query reports a prefix of each list on one root-to-leaf path),
// plus all ranges sorted by start and the non-empty ones by end for the span, next-change and
// existence queries. Each range carries its ordinal in collection order; results are sorted by
// it, which is cheap since ranges found together mostly come in that order already.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace synt {

template <class Item>
class TRangeIndex {
 public:
  // Layer(l) for l in [0, LayerCount) gives a layer with Count() and operator[](int) -> Item&,
  // its ranges sorted by start and not overlapping.
  template <class GetLayer>
  void Build(int LayerCount, GetLayer&& Layer);
  void Clear() { *this = TRangeIndex(); }
  int Count() const { return int(startKey_.size()); }
  // Heap bytes the index holds.
  size_t MemoryBytes() const;

  // Appends the ranges containing Pos; returns the nearest position after Pos at which that set
  // changes (a range ends or one starts), or -1.
  int RangesAt(std::vector<Item*>& List, int Pos) const;
  // Appends the ranges that contain A or start after it, and start before B (StartPos < B and
  // EndPos > A, empty ranges inside the span included).
  void RangesMeeting(std::vector<Item*>& List, int A, int B) const;
  // Appends the ranges with A <= StartPos < B.
  void RangesStartingIn(std::vector<Item*>& List, int A, int B) const;
  // Whether a range containing Pos satisfies Pred (asked in no particular order).
  template <class Pred>
  bool AnyAt(int Pos, Pred&& P) const;
  // Whether a non-empty range with A < EndPos <= B has a StartPos satisfying Pred.
  template <class Pred>
  bool AnyEndingIn(int A, int B, Pred&& P) const;

  // Throws std::logic_error when the index is not consistent in itself.
  void Check() const;

 private:
  struct Hit {
    uint32_t Order;
    Item* Ptr;
  };
  struct Node {
    int Center;
    int Left, Right;        // -1: none
    uint32_t Begin, Count;  // the node's slice of the here* arrays
  };
  struct Tmp {
    int S, E;
    uint32_t Order;
    Item* Ptr;
  };

  int BuildNode(const std::vector<Tmp>& All, std::vector<uint32_t>& Ids);
  template <class F>
  bool Stab(int Pos, F&& Visit) const;
  static std::vector<Hit>& Scratch() {
    static thread_local std::vector<Hit> hits;
    hits.clear();
    return hits;
  }
  static void Emit(std::vector<Hit>& Hits, std::vector<Item*>& List);
  [[noreturn]] static void Fail(const char* What) {
    throw std::logic_error(std::string("TRangeIndex: ") + What);
  }

  // Every range, by start (then collection order).
  std::vector<int> startKey_;
  std::vector<uint32_t> startOrder_;
  std::vector<Item*> startPtr_;
  // The non-empty ranges by end, with their starts.
  std::vector<int> endKey_;
  std::vector<int> endStart_;
  // Tree nodes; each node's ranges by start (key, order, pointer) and by end descending (key,
  // position of the range in the by-start slice).
  std::vector<Node> nodes_;
  std::vector<int> hereStart_;
  std::vector<uint32_t> hereOrder_;
  std::vector<Item*> herePtr_;
  std::vector<int> hereEnd_;
  std::vector<uint32_t> hereEndRef_;
  int root_ = -1;
};

template <class Item>
template <class GetLayer>
void TRangeIndex<Item>::Build(int LayerCount, GetLayer&& Layer) {
  Clear();
  std::vector<Tmp> all;
  size_t n = 0;
  for (int l = 0; l < LayerCount; ++l) n += size_t(Layer(l).Count());
  if (n >= UINT32_MAX) throw std::length_error("TRangeIndex: too many ranges");
  all.reserve(n);
  uint32_t order = 0;
  for (int l = 0; l < LayerCount; ++l) {
    auto& layer = Layer(l);
    for (int i = 0, c = layer.Count(); i < c; ++i) {
      Item& r = layer[i];
      all.push_back({r.StartPos, r.EndPos, order++, &r});
    }
  }
  std::sort(all.begin(), all.end(),
            [](const Tmp& a, const Tmp& b) { return a.S != b.S ? a.S < b.S : a.Order < b.Order; });
  startKey_.reserve(n);
  startOrder_.reserve(n);
  startPtr_.reserve(n);
  std::vector<uint32_t> ids;  // the non-empty ranges, by start
  ids.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    startKey_.push_back(all[i].S);
    startOrder_.push_back(all[i].Order);
    startPtr_.push_back(all[i].Ptr);
    if (all[i].E > all[i].S) ids.push_back(uint32_t(i));
  }
  std::vector<uint32_t> byEnd(ids);
  std::sort(byEnd.begin(), byEnd.end(),
            [&](uint32_t a, uint32_t b) { return all[a].E < all[b].E; });
  endKey_.reserve(byEnd.size());
  endStart_.reserve(byEnd.size());
  for (uint32_t i : byEnd) {
    endKey_.push_back(all[i].E);
    endStart_.push_back(all[i].S);
  }
  hereStart_.reserve(ids.size());
  hereOrder_.reserve(ids.size());
  herePtr_.reserve(ids.size());
  hereEnd_.reserve(ids.size());
  hereEndRef_.reserve(ids.size());
  root_ = BuildNode(all, ids);
}

// Ids are sorted by start. The centre is the median start, so both children hold at most half
// of the ranges (a range left of the centre starts before it) and the depth stays logarithmic;
// the median range itself contains the centre, so no node is empty.
template <class Item>
int TRangeIndex<Item>::BuildNode(const std::vector<Tmp>& All, std::vector<uint32_t>& Ids) {
  if (Ids.empty()) return -1;
  const int center = All[Ids[Ids.size() / 2]].S;
  std::vector<uint32_t> left, right;
  const uint32_t begin = uint32_t(hereStart_.size());
  for (uint32_t i : Ids) {
    const Tmp& t = All[i];
    if (t.S > center) {
      right.push_back(i);
    } else if (t.E <= center) {
      left.push_back(i);
    } else {
      hereStart_.push_back(t.S);
      hereOrder_.push_back(t.Order);
      herePtr_.push_back(t.Ptr);
    }
  }
  const uint32_t count = uint32_t(hereStart_.size()) - begin;
  std::vector<uint32_t> desc(count);
  for (uint32_t k = 0; k < count; ++k) desc[k] = begin + k;
  std::stable_sort(desc.begin(), desc.end(), [&](uint32_t a, uint32_t b) {
    return herePtr_[a]->EndPos > herePtr_[b]->EndPos;
  });
  for (uint32_t k : desc) {
    hereEnd_.push_back(herePtr_[k]->EndPos);
    hereEndRef_.push_back(k);
  }
  const int id = int(nodes_.size());
  nodes_.push_back({center, -1, -1, begin, count});
  std::vector<uint32_t>().swap(Ids);  // the children's lists replace it
  const int l = BuildNode(All, left);
  const int r = BuildNode(All, right);
  nodes_[size_t(id)].Left = l;
  nodes_[size_t(id)].Right = r;
  return id;
}

// Visits every range containing Pos (node by node); stops when Visit returns true.
template <class Item>
template <class F>
bool TRangeIndex<Item>::Stab(int Pos, F&& Visit) const {
  for (int n = root_; n >= 0;) {
    const Node& node = nodes_[size_t(n)];
    const int* first = hereStart_.data() + node.Begin;
    if (Pos < node.Center) {
      // Every range here ends after the centre: those starting by Pos contain it.
      const uint32_t cut = uint32_t(std::upper_bound(first, first + node.Count, Pos) - first);
      for (uint32_t k = node.Begin; k < node.Begin + cut; ++k)
        if (Visit(hereOrder_[k], herePtr_[k])) return true;
      n = node.Left;
    } else {
      // Every range here starts by the centre: those ending after Pos contain it.
      const int* ends = hereEnd_.data() + node.Begin;
      const uint32_t cut = uint32_t(
          std::partition_point(ends, ends + node.Count, [Pos](int e) { return e > Pos; }) - ends);
      for (uint32_t k = node.Begin; k < node.Begin + cut; ++k) {
        const uint32_t j = hereEndRef_[k];
        if (Visit(hereOrder_[j], herePtr_[j])) return true;
      }
      n = node.Right;
    }
  }
  return false;
}

template <class Item>
void TRangeIndex<Item>::Emit(std::vector<Hit>& Hits, std::vector<Item*>& List) {
  auto byOrder = [](const Hit& a, const Hit& b) { return a.Order < b.Order; };
  if (!std::is_sorted(Hits.begin(), Hits.end(), byOrder))
    std::sort(Hits.begin(), Hits.end(), byOrder);
  List.reserve(List.size() + Hits.size());
  for (const Hit& h : Hits) List.push_back(h.Ptr);
}

template <class Item>
int TRangeIndex<Item>::RangesAt(std::vector<Item*>& List, int Pos) const {
  std::vector<Hit>& hits = Scratch();
  Stab(Pos, [&](uint32_t Order, Item* Ptr) {
    hits.push_back({Order, Ptr});
    return false;
  });
  Emit(hits, List);
  // The next change is the first start after Pos or the first end of a range containing Pos. A
  // range that ends after Pos without containing it starts after Pos, so it ends no earlier than
  // the first start: the first end past Pos either belongs to a containing range or is too late.
  const auto s = std::upper_bound(startKey_.begin(), startKey_.end(), Pos);
  bool found = s != startKey_.end();
  int next = found ? *s : 0;
  for (auto e = std::upper_bound(endKey_.begin(), endKey_.end(), Pos);
       e != endKey_.end() && (!found || *e < next); ++e) {
    if (endStart_[size_t(e - endKey_.begin())] <= Pos) {
      next = *e;
      found = true;
      break;
    }
  }
  return found ? next : -1;
}

template <class Item>
void TRangeIndex<Item>::RangesMeeting(std::vector<Item*>& List, int A, int B) const {
  std::vector<Hit>& hits = Scratch();
  Stab(A, [&](uint32_t Order, Item* Ptr) {
    // A span that ends by A still meets the ranges around A that start before its end.
    if (A < B || Ptr->StartPos < B) hits.push_back({Order, Ptr});
    return false;
  });
  // Those starting after A (they cannot contain it), empty ones too.
  if (A < B) {
    size_t i = size_t(std::upper_bound(startKey_.begin(), startKey_.end(), A) - startKey_.begin());
    for (; i < startKey_.size() && startKey_[i] < B; ++i)
      hits.push_back({startOrder_[i], startPtr_[i]});
  }
  Emit(hits, List);
}

template <class Item>
void TRangeIndex<Item>::RangesStartingIn(std::vector<Item*>& List, int A, int B) const {
  std::vector<Hit>& hits = Scratch();
  size_t i = size_t(std::lower_bound(startKey_.begin(), startKey_.end(), A) - startKey_.begin());
  for (; i < startKey_.size() && startKey_[i] < B; ++i)
    hits.push_back({startOrder_[i], startPtr_[i]});
  Emit(hits, List);
}

template <class Item>
template <class Pred>
bool TRangeIndex<Item>::AnyAt(int Pos, Pred&& P) const {
  return Stab(Pos, [&](uint32_t, Item* Ptr) { return bool(P(*Ptr)); });
}

template <class Item>
template <class Pred>
bool TRangeIndex<Item>::AnyEndingIn(int A, int B, Pred&& P) const {
  size_t i = size_t(std::upper_bound(endKey_.begin(), endKey_.end(), A) - endKey_.begin());
  for (; i < endKey_.size() && endKey_[i] <= B; ++i)
    if (P(endStart_[i])) return true;
  return false;
}

template <class Item>
size_t TRangeIndex<Item>::MemoryBytes() const {
  return startKey_.capacity() * sizeof(int) + startOrder_.capacity() * sizeof(uint32_t) +
         startPtr_.capacity() * sizeof(Item*) + endKey_.capacity() * sizeof(int) +
         endStart_.capacity() * sizeof(int) + nodes_.capacity() * sizeof(Node) +
         hereStart_.capacity() * sizeof(int) + hereOrder_.capacity() * sizeof(uint32_t) +
         herePtr_.capacity() * sizeof(Item*) + hereEnd_.capacity() * sizeof(int) +
         hereEndRef_.capacity() * sizeof(uint32_t);
}

template <class Item>
void TRangeIndex<Item>::Check() const {
  const size_t n = startKey_.size();
  if (startOrder_.size() != n || startPtr_.size() != n) Fail("start arrays differ in size");
  std::vector<bool> seen(n);
  size_t nonEmpty = 0;
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && startKey_[i - 1] > startKey_[i]) Fail("starts out of order");
    if (startOrder_[i] >= n || seen[startOrder_[i]]) Fail("ordinals not a permutation");
    seen[startOrder_[i]] = true;
    if (startPtr_[i]->StartPos != startKey_[i]) Fail("a range moved since the index was built");
    if (startPtr_[i]->EndPos > startPtr_[i]->StartPos) ++nonEmpty;
  }
  if (endKey_.size() != nonEmpty || endStart_.size() != nonEmpty) Fail("end arrays wrong in size");
  if (!std::is_sorted(endKey_.begin(), endKey_.end())) Fail("ends out of order");
  if (hereStart_.size() != nonEmpty || hereEnd_.size() != nonEmpty) Fail("tree misses ranges");
  size_t inNodes = 0;
  for (const Node& node : nodes_) {
    inNodes += node.Count;
    if (node.Count == 0) Fail("empty tree node");
    for (uint32_t k = node.Begin; k < node.Begin + node.Count; ++k) {
      const Item& r = *herePtr_[k];
      if (!(r.StartPos <= node.Center && node.Center < r.EndPos)) Fail("range misses its centre");
      if (hereStart_[k] != r.StartPos) Fail("tree start key wrong");
      if (k > node.Begin && hereStart_[k - 1] > hereStart_[k]) Fail("tree starts out of order");
      if (k > node.Begin && hereEnd_[k - 1] < hereEnd_[k]) Fail("tree ends out of order");
      const uint32_t j = hereEndRef_[k];
      if (j < node.Begin || j >= node.Begin + node.Count || herePtr_[j]->EndPos != hereEnd_[k])
        Fail("tree end reference wrong");
    }
  }
  // Every range of a left subtree ends by the centre, every range of a right one starts after it.
  struct Bound {
    int Node;
    long long MaxEnd, MinStartAfter;
  };
  std::vector<Bound> pending;
  if (root_ >= 0) pending.push_back({root_, LLONG_MAX, LLONG_MIN});
  size_t visited = 0;
  while (!pending.empty()) {
    const Bound b = pending.back();
    pending.pop_back();
    if (++visited > nodes_.size()) Fail("tree has a cycle");
    const Node& node = nodes_[size_t(b.Node)];
    for (uint32_t k = node.Begin; k < node.Begin + node.Count; ++k)
      if (herePtr_[k]->EndPos > b.MaxEnd || herePtr_[k]->StartPos <= b.MinStartAfter)
        Fail("range on the wrong side of a centre");
    if (node.Left >= 0)
      pending.push_back({node.Left, std::min<long long>(b.MaxEnd, node.Center), b.MinStartAfter});
    if (node.Right >= 0)
      pending.push_back({node.Right, b.MaxEnd, std::max<long long>(b.MinStartAfter, node.Center)});
  }
  if (visited != nodes_.size()) Fail("tree nodes unreachable");
  if (inNodes != nonEmpty) Fail("tree nodes hold the wrong number of ranges");
}

}  // namespace synt
