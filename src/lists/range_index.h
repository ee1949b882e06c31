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
// Structure: all ranges sorted by start, and the non-empty ones by end, serve the span,
// next-change and existence queries. Over the sorted starts lies an implicit perfect search tree
// (in-order layout, missing keys count as infinite), used as a centred interval tree: each
// non-empty range belongs to the highest node whose key it contains, and a node keeps its ranges
// by start and by end, so the ranges containing a position are a prefix of one list in each node
// on one root-to-leaf path. Everything is built with radix sorts, one sweep and counting.
// Collection order without sorting: nested ranges come out of a node in that order, crossing
// ones in the reverse order (turned round); failing that, a position lies in at most one range
// of a layer, so a bitmap of layers orders them.
//
// Queries are output-bound: a line inside thousands of ranges (blocks left open early in a long
// text and closed much later) gets thousands of them.
#pragma once

#include <algorithm>
#include <bit>
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

  // Throws std::logic_error when the index is not consistent in itself or with the ranges.
  void Check() const;

 private:
  struct Hit {
    uint32_t Order;
    Item* Ptr;
  };
  // A range in its tree node.
  struct Entry {
    int Start;
    uint32_t Order;
    uint32_t Layer;
    Item* Ptr;
  };
  struct EndEntry {
    int End;
    uint32_t Ref;  // position of the range's Entry
  };
  // Per-thread working space of the ordering: a bit and a slot per layer, and the hits that
  // share a layer (only from layers whose ranges overlap, which Add never makes).
  struct Scratch {
    std::vector<uint64_t> Bits;
    std::vector<Hit> Slot, Extra, Hits, After;
    std::vector<uint32_t> Orders, Layers;
  };
  static Scratch& Work(size_t Layers) {
    static thread_local Scratch s;
    if (s.Slot.size() < Layers) {
      s.Slot.resize(Layers);
      s.Bits.resize((Layers + 63) / 64);
    }
    return s;
  }

  // Visits every range containing Pos, node by node (NodeDone after each), until Visit returns
  // true.
  template <class F, class G>
  bool Stab(int Pos, F&& Visit, G&& NodeDone) const;
  template <class F>
  bool Stab(int Pos, F&& Visit) const {
    return Stab(Pos, Visit, [] {});
  }
  // Appends the ranges containing Pos (and starting before Before) in collection order, their
  // ordinals to Orders (cleared first).
  void StabOrdered(int Pos, std::vector<Item*>& List, std::vector<uint32_t>& Orders,
                   int Before = INT_MAX) const;
  static bool ByOrder(const Hit& a, const Hit& b) { return a.Order < b.Order; }
  // Stable radix sort of (key << 32 | id) values by their key.
  static void SortByKey(std::vector<uint64_t>& V);
  static uint64_t Keyed(int Key, uint32_t Id) {
    return uint64_t(uint32_t(Key) ^ 0x80000000u) << 32 | Id;
  }
  [[noreturn]] static void Fail(const char* What) {
    throw std::logic_error(std::string("TRangeIndex: ") + What);
  }

  size_t layers_ = 0;
  // Every range, by start (then collection order); the starts are also the tree's keys: node i
  // is the implicit search tree's node of key i.
  std::vector<int> startKey_;
  std::vector<uint32_t> startOrder_;
  std::vector<Item*> startPtr_;
  // The non-empty ranges by end, with their starts.
  std::vector<int> endKey_;
  std::vector<int> endStart_;
  // Node i (0-based in-order index, key startKey_[i]) holds here_[nodeBegin_[i],
  // nodeBegin_[i + 1]) by start and the same span of hereEnd_ by end descending.
  std::vector<uint32_t> nodeBegin_;
  std::vector<Entry> here_;
  std::vector<EndEntry> hereEnd_;
  size_t root_ = 0;  // 1-based in-order index of the root of the perfect tree
};

template <class Item>
void TRangeIndex<Item>::SortByKey(std::vector<uint64_t>& V) {
  std::vector<uint64_t> tmp(V.size());
  for (int shift = 32; shift < 64; shift += 11) {
    std::vector<size_t> count(2049);
    for (uint64_t v : V) ++count[((v >> shift) & 2047) + 1];
    if (count[((V.empty() ? 0 : V[0] >> shift) & 2047) + 1] == V.size()) continue;
    for (size_t d = 1; d < count.size(); ++d) count[d] += count[d - 1];
    for (uint64_t v : V) tmp[count[(v >> shift) & 2047]++] = v;
    V.swap(tmp);
  }
}

template <class Item>
template <class GetLayer>
void TRangeIndex<Item>::Build(int LayerCount, GetLayer&& Layer) {
  Clear();
  size_t n = 0;
  for (int l = 0; l < LayerCount; ++l) n += size_t(Layer(l).Count());
  if (n >= UINT32_MAX) throw std::length_error("TRangeIndex: too many ranges");
  layers_ = size_t(LayerCount);
  // What the build needs of a range, by ordinal (collection order), in one place: the passes
  // below reach it in start or end order, and one cache line per visit is what they cost.
  struct Info {
    int S, E;
    uint32_t Layer;
    uint32_t Node;  // first the first index of its start among the keys
    uint32_t Pos;   // its place in here_
    Item* Ptr;
  };
  std::vector<Info> info(n);
  std::vector<uint64_t> byStart(n), byEnd;
  byEnd.reserve(n);
  uint32_t order = 0;
  for (int l = 0; l < LayerCount; ++l) {
    auto& layer = Layer(l);
    for (int i = 0, c = layer.Count(); i < c; ++i, ++order) {
      Item& r = layer[i];
      info[order] = {r.StartPos, r.EndPos, uint32_t(l), 0, 0, &r};
      byStart[order] = Keyed(r.StartPos, order);
      if (r.EndPos > r.StartPos) byEnd.push_back(Keyed(r.EndPos, order));
    }
  }
  SortByKey(byStart);  // stable: equal starts stay in collection order
  SortByKey(byEnd);
  startKey_.resize(n);
  startOrder_.resize(n);
  startPtr_.resize(n);
  for (size_t i = 0, group = 0; i < n; ++i) {
    const uint32_t o = uint32_t(byStart[i]);
    Info& r = info[o];
    if (i > 0 && r.S != startKey_[i - 1]) group = i;
    startKey_[i] = r.S;
    startOrder_[i] = o;
    startPtr_[i] = r.Ptr;
    r.Node = uint32_t(group);
  }
  std::vector<uint64_t>().swap(byStart);
  // A range's node is the highest one among the keys it contains, [first key >= start, first key
  // >= end): in the in-order layout of a perfect tree, the index with the most trailing zeros.
  // The first bound came with the sorted starts, the second comes from a sweep in order of ends.
  const size_t m = byEnd.size();
  endKey_.resize(m);
  endStart_.resize(m);
  root_ = n ? std::bit_floor(n) : 0;
  nodeBegin_.assign(n + 1, 0);
  for (size_t j = 0, past = 0; j < m; ++j) {
    Info& r = info[uint32_t(byEnd[j])];
    while (past < n && startKey_[past] < r.E) ++past;
    const size_t a = size_t(r.Node) + 1, b = past;  // 1-based, a <= b
    r.Node = uint32_t((b & ~(std::bit_floor((a - 1) ^ b) - 1)) - 1);
    ++nodeBegin_[r.Node + 1];
    endKey_[j] = r.E;
    endStart_[j] = r.S;
  }
  for (size_t i = 0; i < n; ++i) nodeBegin_[i + 1] += nodeBegin_[i];
  here_.resize(m);
  hereEnd_.resize(m);
  std::vector<uint32_t> cursor(nodeBegin_.begin(), nodeBegin_.end() - 1);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t o = startOrder_[i];
    Info& r = info[o];
    if (r.E <= r.S) continue;
    r.Pos = cursor[r.Node]++;
    here_[r.Pos] = {r.S, o, r.Layer, r.Ptr};
  }
  std::copy(nodeBegin_.begin(), nodeBegin_.end() - 1, cursor.begin());
  for (size_t j = m; j-- > 0;) {
    const Info& r = info[uint32_t(byEnd[j])];
    hereEnd_[cursor[r.Node]++] = {r.E, r.Pos};
  }
}

template <class Item>
template <class F, class G>
bool TRangeIndex<Item>::Stab(int Pos, F&& Visit, G&& NodeDone) const {
  const size_t n = startKey_.size();
  for (size_t node = root_, step = root_ / 2; node; step /= 2) {
    // Nodes past the keys stand for infinite keys: nothing of theirs, the way is left.
    if (node > n || Pos < startKey_[node - 1]) {
      if (node <= n) {
        // Every range here ends after the key: those starting by Pos contain it.
        const Entry* first = here_.data() + nodeBegin_[node - 1];
        const Entry* last = here_.data() + nodeBegin_[node];
        for (const Entry* e = first; e != last && e->Start <= Pos; ++e)
          if (Visit(*e)) return true;
        NodeDone();
      }
      node = step ? node - step : 0;
    } else {
      // Every range here starts by the key: those ending after Pos contain it.
      const EndEntry* first = hereEnd_.data() + nodeBegin_[node - 1];
      const EndEntry* last = hereEnd_.data() + nodeBegin_[node];
      for (const EndEntry* e = first; e != last && e->End > Pos; ++e)
        if (Visit(here_[e->Ref])) return true;
      NodeDone();
      node = step ? node + step : 0;
    }
  }
  return false;
}

template <class Item>
void TRangeIndex<Item>::StabOrdered(int Pos, std::vector<Item*>& List,
                                    std::vector<uint32_t>& Orders, int Before) const {
  Scratch& w = Work(layers_);
  const size_t first = List.size();
  Orders.clear();
  w.Layers.clear();
  // A node gives its ranges by start or by end: nested ranges come in collection order, ranges
  // that cross one another mostly in the reverse order, which is turned round.
  size_t descents = 0, segment = 0, up = 0, down = 0;
  Stab(
      Pos,
      [&](const Entry& e) {
        if (e.Start >= Before) return false;
        if (Orders.size() > segment) ++(e.Order < Orders.back() ? down : up);
        List.push_back(e.Ptr);
        Orders.push_back(e.Order);
        w.Layers.push_back(e.Layer);
        return false;
      },
      [&] {
        if (down > 0 && up == 0) {
          std::reverse(Orders.begin() + std::ptrdiff_t(segment), Orders.end());
          std::reverse(List.begin() + std::ptrdiff_t(first + segment), List.end());
          std::reverse(w.Layers.begin() + std::ptrdiff_t(segment), w.Layers.end());
        } else {
          descents += down;
        }
        if (segment > 0 && Orders.size() > segment && Orders[segment] < Orders[segment - 1])
          ++descents;
        segment = Orders.size();
        up = down = 0;
      });
  if (descents == 0) return;
  Item** ptrs = List.data() + first;
  const size_t k = Orders.size();
  // Mostly a few ranges out of place: an insertion sort, as long as it does not move much.
  if (descents * 16 < k) {
    size_t moved = 0, i = 1;
    for (; i < k && moved <= 4 * k; ++i) {
      const uint32_t o = Orders[i], l = w.Layers[i];
      Item* p = ptrs[i];
      size_t j = i;
      for (; j > 0 && Orders[j - 1] > o; --j, ++moved) {
        Orders[j] = Orders[j - 1];
        w.Layers[j] = w.Layers[j - 1];
        ptrs[j] = ptrs[j - 1];
      }
      Orders[j] = o;
      w.Layers[j] = l;
      ptrs[j] = p;
    }
    if (i == k) return;
  }
  // Otherwise through a bitmap of layers: a position lies in one range of a layer at most, so
  // that orders them without sorting.
  w.Extra.clear();
  size_t loWord = SIZE_MAX, hiWord = 0;
  for (size_t i = 0; i < k; ++i) {
    const uint32_t l = w.Layers[i];
    const size_t word = l / 64;
    const uint64_t bit = uint64_t(1) << (l % 64);
    const Hit h{Orders[i], ptrs[i]};
    if (w.Bits[word] & bit) {
      w.Extra.push_back(h);  // a layer whose ranges overlap: sorted below
      continue;
    }
    w.Bits[word] |= bit;
    w.Slot[l] = h;
    loWord = std::min(loWord, word);
    hiWord = std::max(hiWord, word);
  }
  size_t out = 0;
  for (size_t word = loWord; word <= hiWord && loWord != SIZE_MAX; ++word) {
    for (uint64_t b = w.Bits[word]; b; b &= b - 1) {
      const Hit& h = w.Slot[word * 64 + size_t(std::countr_zero(b))];
      Orders[out] = h.Order;
      ptrs[out++] = h.Ptr;
    }
    w.Bits[word] = 0;
  }
  if (!w.Extra.empty()) {
    for (const Hit& h : w.Extra) {
      Orders[out] = h.Order;
      ptrs[out++] = h.Ptr;
    }
    std::vector<Hit>& all = w.Hits;
    all.clear();
    for (size_t i = 0; i < k; ++i) all.push_back({Orders[i], ptrs[i]});
    std::sort(all.begin(), all.end(), ByOrder);
    for (size_t i = 0; i < k; ++i) {
      Orders[i] = all[i].Order;
      ptrs[i] = all[i].Ptr;
    }
  }
}

template <class Item>
int TRangeIndex<Item>::RangesAt(std::vector<Item*>& List, int Pos) const {
  StabOrdered(Pos, List, Work(layers_).Orders);
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
  Scratch& w = Work(layers_);
  const size_t first = List.size();
  // A span that ends by A still meets the ranges around A that start before its end.
  StabOrdered(A, List, w.Orders, A < B ? INT_MAX : B);
  if (A >= B) return;
  // Those starting after A (they cannot contain it), empty ones too, merged in from the back.
  std::vector<Hit>& after = w.After;
  after.clear();
  size_t i = size_t(std::upper_bound(startKey_.begin(), startKey_.end(), A) - startKey_.begin());
  for (; i < startKey_.size() && startKey_[i] < B; ++i)
    after.push_back({startOrder_[i], startPtr_[i]});
  if (after.empty()) return;
  if (!std::is_sorted(after.begin(), after.end(), ByOrder))
    std::sort(after.begin(), after.end(), ByOrder);
  size_t x = List.size() - first, y = after.size(), out = List.size() + y;
  List.resize(out);
  while (y > 0) {
    if (x > 0 && w.Orders[x - 1] > after[y - 1].Order)
      List[--out] = List[first + --x];
    else
      List[--out] = after[--y].Ptr;
  }
}

template <class Item>
void TRangeIndex<Item>::RangesStartingIn(std::vector<Item*>& List, int A, int B) const {
  std::vector<Hit>& hits = Work(layers_).Hits;
  hits.clear();
  size_t i = size_t(std::lower_bound(startKey_.begin(), startKey_.end(), A) - startKey_.begin());
  for (; i < startKey_.size() && startKey_[i] < B; ++i)
    hits.push_back({startOrder_[i], startPtr_[i]});
  if (!std::is_sorted(hits.begin(), hits.end(), ByOrder))
    std::sort(hits.begin(), hits.end(), ByOrder);
  List.reserve(List.size() + hits.size());
  for (const Hit& h : hits) List.push_back(h.Ptr);
}

template <class Item>
template <class Pred>
bool TRangeIndex<Item>::AnyAt(int Pos, Pred&& P) const {
  return Stab(Pos, [&](const Entry& e) { return bool(P(*e.Ptr)); });
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
         endStart_.capacity() * sizeof(int) + nodeBegin_.capacity() * sizeof(uint32_t) +
         here_.capacity() * sizeof(Entry) + hereEnd_.capacity() * sizeof(EndEntry);
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
  if (nodeBegin_.size() != n + 1 || (n && nodeBegin_[n] != nonEmpty) || here_.size() != nonEmpty ||
      hereEnd_.size() != nonEmpty)
    Fail("tree misses ranges");
  if (root_ != (n ? std::bit_floor(n) : 0)) Fail("wrong root");
  // Each node's ranges contain its key, and lie right of every key they passed on the way down
  // to the right and left of every key they passed to the left.
  struct Span {
    size_t Node, Step;
    long long MaxEnd, MinStartAfter;
  };
  std::vector<Span> pending;
  if (n) pending.push_back({root_, root_ / 2, LLONG_MAX, LLONG_MIN});
  size_t held = 0;
  while (!pending.empty()) {
    const Span b = pending.back();
    pending.pop_back();
    if (b.Node <= n) {
      const int key = startKey_[b.Node - 1];
      const uint32_t begin = nodeBegin_[b.Node - 1], end = nodeBegin_[b.Node];
      if (begin > end) Fail("node bounds out of order");
      held += end - begin;
      for (uint32_t k = begin; k < end; ++k) {
        const Entry& e = here_[k];
        const Item& r = *e.Ptr;
        if (!(r.StartPos <= key && key < r.EndPos)) Fail("range misses its node's key");
        if (r.EndPos > b.MaxEnd || r.StartPos <= b.MinStartAfter)
          Fail("range on the wrong side of a key");
        if (e.Start != r.StartPos || e.Layer >= layers_) Fail("tree entry wrong");
        if (k > begin && here_[k - 1].Start > e.Start) Fail("tree starts out of order");
        if (k > begin && hereEnd_[k - 1].End < hereEnd_[k].End) Fail("tree ends out of order");
        const uint32_t j = hereEnd_[k].Ref;
        if (j < begin || j >= end || here_[j].Ptr->EndPos != hereEnd_[k].End)
          Fail("tree end reference wrong");
      }
    }
    if (b.Step == 0) continue;
    const long long key = b.Node <= n ? startKey_[b.Node - 1] : LLONG_MAX;
    pending.push_back({b.Node - b.Step, b.Step / 2, std::min(b.MaxEnd, key), b.MinStartAfter});
    pending.push_back({b.Node + b.Step, b.Step / 2, b.MaxEnd, std::max(b.MinStartAfter, key)});
  }
  if (held != nonEmpty) Fail("tree nodes hold the wrong number of ranges");
}

}  // namespace synt
