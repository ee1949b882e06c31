// Ranges of text offsets and the ordered, non-overlapping lists that hold them.
//
//   synt::TRangeList<> spans(/*Union=*/true);     // plain TRange values
//   spans.Add({0, 5});
//   spans.Add({5, 8});                            // merged: [0,8)
//   int i = spans.RangeAt(6);                     // 0
//
//   struct TToken : synt::TRange { int Kind; };   // by value: millions of them stay compact
//   synt::TRangeList<TToken> tokens;
//
//   synt::TRangeList<std::unique_ptr<TBlock>> blocks;  // items with identity, owned by the list
//
//   synt::TRangeCollection<> layers;             // ranges that may overlap, in layers
//   std::vector<synt::TRange*> here;
//   int next = layers.GetRangesAtPos(here, 7);
//   layers.BuildIndex();                          // once it no longer changes: lookups stop
//                                                 // walking the layers
//
// A range is half-open: [StartPos, EndPos). A list is sorted by StartPos and no two of its ranges
// overlap; with Union not even touching ranges stay apart. Lookups keep the last index found so
// that walking forward through the text costs a constant number of comparisons; the hint is only a
// hint (any value gives correct results) and is kept in a relaxed atomic, so concurrent lookups are
// safe while nobody changes the list. Out-of-range indexes raise EListError.
#pragma once

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "lists/range_index.h"
#include "lists/sorted_list.h"

namespace synt {

struct TRange {
  int StartPos = 0;
  int EndPos = 0;

  constexpr TRange() = default;
  constexpr TRange(int AStartPos, int AEndPos) : StartPos(AStartPos), EndPos(AEndPos) {}

  constexpr int GetKey() const { return StartPos; }
  constexpr int Size() const { return EndPos - StartPos; }
  constexpr bool Contains(int Pos) const { return StartPos <= Pos && Pos < EndPos; }
  friend constexpr bool operator==(const TRange& a, const TRange& b) {
    return a.StartPos == b.StartPos && a.EndPos == b.EndPos;
  }
};

// How a list element reaches its range: values are ranges themselves, owning pointers point at one.
template <class T>
struct TRangeElement {
  using Item = T;
  static Item& Get(T& e) { return e; }
  static const Item& Get(const T& e) { return e; }
};
template <class U, class D>
struct TRangeElement<std::unique_ptr<U, D>> {
  using Item = U;
  static Item& Get(std::unique_ptr<U, D>& e) { return *e; }
  static const Item& Get(const std::unique_ptr<U, D>& e) { return *e; }
};

template <class T = TRange>
class TRangeList {
 public:
  using Element = T;
  using Item = typename TRangeElement<T>::Item;
  static_assert(std::is_base_of_v<TRange, Item>, "range list items derive from TRange");

  explicit TRangeList(bool Union = false) : union_(Union) {}
  TRangeList(const TRangeList&) = default;
  TRangeList(TRangeList&&) noexcept = default;
  TRangeList& operator=(const TRangeList&) = default;
  TRangeList& operator=(TRangeList&&) noexcept = default;
  virtual ~TRangeList() = default;

  int Count() const { return int(items_.size()); }
  bool Union() const { return union_; }
  bool Empty() const { return items_.empty(); }

  Item& Items(int Index) { return R(CheckedIndex(Index)); }
  const Item& Items(int Index) const { return R(CheckedIndex(Index)); }
  Item& operator[](int Index) { return R(size_t(Index)); }
  const Item& operator[](int Index) const { return R(size_t(Index)); }
  Item& Last() { return R(items_.size() - 1); }
  const Item& Last() const { return R(items_.size() - 1); }
  // The elements themselves, in order (read-only: changing them could break the order).
  const std::vector<T>& Elements() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  void Reserve(int N) { items_.reserve(size_t(N)); }

  void Delete(int Index) {
    CheckedIndex(Index);
    items_.erase(items_.begin() + Index);
  }
  // Removes the element and hands it to the caller (an owned pointer is not freed).
  T Extract(int Index) {
    CheckedIndex(Index);
    T e = std::move(items_[size_t(Index)]);
    items_.erase(items_.begin() + Index);
    return e;
  }
  virtual void Clear() {
    items_.clear();
    lastFound_.Set(0);
  }

  // Index of the range containing Pos, else of the last range starting at or before Pos, else -1.
  int PriorAt(int Pos) const {
    int n = Count(), L = lastFound_.Get();
    if (L >= 0 && L < n - 1 && Pos >= R(size_t(L)).StartPos) {
      if (Pos < R(size_t(L) + 1).StartPos) return L;
      // Moving the hint along keeps a forward walk off the bisection altogether.
      if (L + 1 == n - 1 || Pos < R(size_t(L) + 2).StartPos) {
        lastFound_.Set(L + 1);
        return L + 1;
      }
    }
    int found = Bisect(n, [&](int i) {
      const Item& r = R(size_t(i));
      return Pos < r.StartPos ? 1 : Pos >= r.EndPos ? -1 : 0;
    });
    lastFound_.Set(found);
    return found;
  }
  // Index of the range containing Pos, else -1.
  int RangeAt(int Pos) const {
    int i = PriorAt(Pos);
    return i >= 0 && R(size_t(i)).Contains(Pos) ? i : -1;
  }
  // Index of the range containing Pos, else of the first range starting after Pos, else -1.
  int NextAt(int Pos) const {
    int i = PriorAt(Pos);
    if (i >= 0 && R(size_t(i)).Contains(Pos)) return i;
    return i + 1 < Count() ? i + 1 : -1;
  }

  // Merges range Index+1 into range Index (which keeps its other fields); returns Index.
  virtual int Join(int Index) {
    CheckedIndex(Index);
    CheckedIndex(Index + 1);
    Item& a = R(size_t(Index));
    a.EndPos = std::max(a.EndPos, R(size_t(Index) + 1).EndPos);
    items_.erase(items_.begin() + Index + 1);
    return Index;
  }

  // Inserts Range, merging it with every range it overlaps (or touches, with Union); a merged
  // range is absorbed by its predecessor. Returns the index of the range that covers it now.
  virtual int Add(T Range) {
    const Item& r = R(Range);
    if (items_.empty() || Last().EndPos < r.StartPos) {
      items_.push_back(std::move(Range));
      return Count() - 1;
    }
    int a = PriorAt(r.StartPos);
    int start = r.StartPos;
    items_.insert(items_.begin() + (a + 1), std::move(Range));
    int i = a + 1;
    if (a != -1 && Joinable(R(size_t(a)).EndPos, start)) i = Join(a);
    while (i + 1 < Count() && Joinable(R(size_t(i)).EndPos, R(size_t(i) + 1).StartPos)) i = Join(i);
    return i;
  }

  // Inserts Range only when it overlaps no range of the list; Range is moved from only then. In a
  // Union list a range that merely touches a neighbour is merged with it, as Add would.
  bool TryInsert(T&& Range) {
    const Item& r = R(Range);
    int i;
    if (items_.empty() || r.StartPos >= Last().EndPos) {
      i = Count();
    } else if (r.StartPos >= Last().StartPos) {
      return false;
    } else {
      i = NextAt(r.StartPos);
      if (R(size_t(i)).StartPos < r.EndPos) return false;
      if (i > 0 && r.StartPos < R(size_t(i) - 1).EndPos) return false;
    }
    items_.insert(items_.begin() + i, std::move(Range));
    if (union_) {
      if (i + 1 < Count() && Joinable(R(size_t(i)).EndPos, R(size_t(i) + 1).StartPos)) Join(i);
      if (i > 0 && Joinable(R(size_t(i) - 1).EndPos, R(size_t(i)).StartPos)) Join(i - 1);
    }
    return true;
  }

  // Removes every range from the one at NextAt(Pos) to the end, moving them to Target when given
  // (Target is cleared first). Returns the position from which ranges were removed.
  virtual int ClearFromPos(int Pos, TRangeList* Target = nullptr) {
    int i = NextAt(Pos);
    if (i < 0) return Pos;
    if (R(size_t(i)).StartPos < Pos) Pos = R(size_t(i)).StartPos;
    if (Target) {
      Target->Clear();
      Target->items_.reserve(items_.size() - size_t(i));
      for (size_t k = size_t(i); k < items_.size(); ++k)
        Target->items_.push_back(std::move(items_[k]));
    }
    items_.erase(items_.begin() + i, items_.end());
    if (lastFound_.Get() >= Count()) lastFound_.Set(0);
    return Pos;
  }

  // Throws std::logic_error when the order or the non-overlap (non-touch with Union) is broken.
  void Check() const {
    for (size_t i = 0; i < items_.size(); ++i) {
      const Item& r = R(i);
      if (r.EndPos < r.StartPos) Fail("range ends before it starts", i);
      if (i == 0) continue;
      const Item& p = R(i - 1);
      if (p.StartPos > r.StartPos) Fail("ranges out of order", i);
      if (Joinable(p.EndPos, r.StartPos)) Fail(union_ ? "ranges touch" : "ranges overlap", i);
    }
  }

 protected:
  bool Joinable(int PrevEnd, int NextStart) const {
    return union_ ? PrevEnd >= NextStart : PrevEnd > NextStart;
  }
  Item& R(size_t i) { return TRangeElement<T>::Get(items_[i]); }
  const Item& R(size_t i) const { return TRangeElement<T>::Get(items_[i]); }
  static const Item& R(const T& e) { return TRangeElement<T>::Get(e); }

  std::vector<T> items_;

 private:
  size_t CheckedIndex(int Index) const {
    if (Index < 0 || Index >= Count()) ThrowListIndexError(Index);
    return size_t(Index);
  }
  [[noreturn]] static void Fail(const char* what, size_t i) {
    throw std::logic_error(std::string("TRangeList: ") + what + " at " + std::to_string(i));
  }

  // A copyable relaxed atomic: plain loads and stores on the common targets.
  struct THint {
    mutable std::atomic<int> v{0};
    THint() = default;
    THint(const THint& o) noexcept : v(o.Get()) {}
    THint& operator=(const THint& o) noexcept {
      Set(o.Get());
      return *this;
    }
    int Get() const { return v.load(std::memory_order_relaxed); }
    void Set(int x) const { v.store(x, std::memory_order_relaxed); }
  };

  bool union_;
  THint lastFound_;
};

// Ranges that may overlap one another, kept in layers: each range sits in the first layer where
// it overlaps nothing. Lookups bisect every layer, unless BuildIndex has been called since the
// last change (and there were more than a few layers): then they go through the index and cost
// the same however many layers there are (ranges left open to the end of a long text make
// thousands). Changing the collection (Add,
// Clear, a layer handed out for changing) drops the index.
template <class T = TRange>
class TRangeCollection {
 public:
  using Layer = TRangeList<T>;
  using Item = typename Layer::Item;

  int Count() const { return int(layers_.size()); }
  // A layer handed out for changing may change its last range: the layer index below is rebuilt
  // at the next Add, and the lookup index is dropped.
  Layer& Layers(int Index) {
    const size_t i = CheckedIndex(Index);
    endsValid_ = false;
    DropIndex();
    return *layers_[i];
  }
  const Layer& Layers(int Index) const { return *layers_[CheckedIndex(Index)]; }
  void Clear() {
    layers_.clear();
    endsValid_ = false;
    DropIndex();
  }
  // Every range in collection order, for changing fields other than its bounds (the index stays).
  template <class F>
  void ForEachRange(F&& Visit) {
    for (auto& layer : layers_)
      for (int i = 0; i < layer->Count(); ++i) Visit((*layer)[i]);
  }

  // Indexes the ranges for the lookups below, when there are more than MinLayers layers: over a
  // few layers the walk, with each layer's hint, is faster. The index lives until the collection
  // changes.
  void BuildIndex(int MinLayers = 16) {
    DropIndex();
    if (Count() <= MinLayers) return;
    try {
      index_.Build(Count(), [this](int l) -> Layer& { return *layers_[size_t(l)]; });
    } catch (...) {
      index_.Clear();  // no half-built index holds on to memory
      throw;
    }
    indexed_ = true;
  }
  bool Indexed() const { return indexed_; }
  // Frees the index; lookups walk the layers again.
  void DropIndex() {
    if (!indexed_) return;
    index_.Clear();
    indexed_ = false;
  }
  // Heap bytes of the index.
  size_t IndexBytes() const { return index_.MemoryBytes(); }

  // Puts Range in the first layer where it overlaps nothing (a new layer if there is none).
  void Add(T Range) {
    DropIndex();
    const Item& r = TRangeElement<T>::Get(Range);
    const int start = r.StartPos;
    if (!endsValid_) RebuildEnds();
    if (start >= maxStart_) {
      // Starting at or after every range so far, it fits a layer exactly when it can be appended
      // there: the first layer whose last range ends by its start, found in the tree of layer ends
      // instead of layer by layer (ranges that stay open to the end of a long text make thousands
      // of layers).
      const int l = FirstEndingBy(start);
      if (l < 0) {
        AddLayer(std::move(Range));
        maxStart_ = start;
        return;
      }
      if (layers_[size_t(l)]->TryInsert(std::move(Range))) {
        SetEnd(l);
        maxStart_ = start;
        return;
      }
      endsValid_ = false;  // cannot happen while the tree is right; the walk below decides
    }
    for (size_t l = 0; l < layers_.size(); ++l) {
      if (layers_[l]->TryInsert(std::move(Range))) {
        SetEnd(int(l));
        return;
      }
    }
    AddLayer(std::move(Range));
  }

  // Appends every range containing Pos, layer by layer; returns the nearest position after Pos at
  // which that set can change, or -1.
  int GetRangesAtPos(std::vector<Item*>& List, int Pos) {
    if (indexed_) return index_.RangesAt(List, Pos);
    int result = -1;
    for (auto& layer : layers_) {
      int b = layer->NextAt(Pos);
      if (b < 0) continue;
      Item& r = (*layer)[b];
      int candidate;
      if (Pos >= r.StartPos) {
        List.push_back(&r);
        candidate = r.EndPos;
      } else {
        candidate = r.StartPos;
      }
      if (result == -1 || candidate < result) result = candidate;
    }
    return result;
  }

  // Appends every range that contains A or starts after it, and starts before B.
  void GetRangesInRange(std::vector<Item*>& List, int A, int B) {
    if (indexed_) return index_.RangesMeeting(List, A, B);
    for (auto& layer : layers_) {
      int i = layer->NextAt(A);
      if (i < 0) continue;
      for (; i < layer->Count() && (*layer)[i].StartPos < B; ++i) List.push_back(&(*layer)[i]);
    }
  }

  // Appends every range with A <= StartPos < B, in collection order.
  void GetRangesStartingIn(std::vector<Item*>& List, int A, int B) {
    if (indexed_) return index_.RangesStartingIn(List, A, B);
    for (auto& layer : layers_) {
      int i = 0, hi = layer->Count();
      while (i < hi) {
        const int mid = i + (hi - i) / 2;
        if ((*layer)[mid].StartPos < A)
          i = mid + 1;
        else
          hi = mid;
      }
      for (; i < layer->Count() && (*layer)[i].StartPos < B; ++i) List.push_back(&(*layer)[i]);
    }
  }

  // Whether some range containing Pos satisfies Visit (asked in no particular order).
  template <class Pred>
  bool AnyRangeAt(int Pos, Pred&& Visit) const {
    if (indexed_) return index_.AnyAt(Pos, Visit);
    for (const auto& layer : layers_) {
      const int i = layer->RangeAt(Pos);
      if (i >= 0 && Visit((*layer)[i])) return true;
    }
    return false;
  }

  // Whether some non-empty range with A < EndPos <= B has a StartPos satisfying Visit.
  template <class Pred>
  bool AnyRangeEndingIn(int A, int B, Pred&& Visit) const {
    if (indexed_) return index_.AnyEndingIn(A, B, Visit);
    for (const auto& layer : layers_) {
      // In a layer the ends ascend as the starts do: those past A follow NextAt(A).
      int i = layer->NextAt(A);
      if (i < 0) continue;
      for (; i < layer->Count() && (*layer)[i].EndPos <= B; ++i) {
        const Item& r = (*layer)[i];
        if (r.EndPos > r.StartPos && r.EndPos > A && Visit(r.StartPos)) return true;
      }
    }
    return false;
  }

  void Check() const {
    int n = 0;
    for (const auto& layer : layers_) {
      if (layer->Union()) throw std::logic_error("TRangeCollection: a layer merges ranges");
      layer->Check();
      n += layer->Count();
    }
    if (indexed_) {
      if (index_.Count() != n) throw std::logic_error("TRangeCollection: index misses ranges");
      index_.Check();
    }
  }

 private:
  size_t CheckedIndex(int Index) const {
    if (Index < 0 || Index >= Count()) ThrowListIndexError(Index);
    return size_t(Index);
  }

  void AddLayer(T&& Range) {
    layers_.push_back(std::make_unique<Layer>(false));
    layers_.back()->Add(std::move(Range));
    if (layers_.size() > leaves_) {
      RebuildEnds();
    } else {
      SetEnd(int(layers_.size()) - 1);
    }
  }

  // Min-tree over the end of each layer's last range; leaves past the layers hold INT_MAX.
  void RebuildEnds() {
    leaves_ = 16;
    while (leaves_ < layers_.size()) leaves_ *= 2;
    ends_.assign(2 * leaves_, INT_MAX);
    maxStart_ = INT_MIN;
    for (size_t l = 0; l < layers_.size(); ++l) {
      if (layers_[l]->Count() == 0) continue;
      ends_[leaves_ + l] = layers_[l]->Last().EndPos;
      maxStart_ = std::max(maxStart_, layers_[l]->Last().StartPos);
    }
    for (size_t n = leaves_ - 1; n >= 1; --n) ends_[n] = std::min(ends_[2 * n], ends_[2 * n + 1]);
    endsValid_ = true;
  }
  void SetEnd(int L) {
    size_t n = leaves_ + size_t(L);
    ends_[n] = layers_[size_t(L)]->Count() ? layers_[size_t(L)]->Last().EndPos : INT_MAX;
    for (n /= 2; n >= 1; n /= 2) ends_[n] = std::min(ends_[2 * n], ends_[2 * n + 1]);
  }
  // The first layer whose last range ends at or before Pos, or -1. An empty layer never counts
  // (it cannot come from Add).
  int FirstEndingBy(int Pos) const {
    if (ends_[1] > Pos) return -1;
    size_t n = 1;
    while (n < leaves_) n = ends_[2 * n] <= Pos ? 2 * n : 2 * n + 1;
    return int(n - leaves_);
  }

  std::vector<std::unique_ptr<Layer>> layers_;
  TRangeIndex<Item> index_;
  bool indexed_ = false;
  std::vector<int> ends_;
  size_t leaves_ = 0;
  int maxStart_ = INT_MIN;  // the largest start of any range in the layers
  bool endsValid_ = false;
};

}  // namespace synt
