// An append-only sorted list of ranges stored in fixed-size chunks, for lists of millions of small
// values (tokens) that are cut in two at an arbitrary point and must hand their tail to another
// list without copying it.
//
//   struct TToken : synt::TRange { int Kind; };
//   synt::TChunkedRangeList<TToken> tokens, tail;
//   tokens.Append({0, 5, 1});
//   tokens.Append({6, 9, 2});
//   int i = tokens.NextAt(5);             // 1: the first range at or after offset 5
//   tokens.ClearFromPos(5, &tail);        // tail now holds [6,9); whole chunks change hands
//
// Lookups are those of TRangeList (PriorAt, RangeAt, NextAt) with the same search hint, kept in a
// relaxed atomic so that concurrent readers are safe while nobody changes the list. Cutting costs
// one pointer move per chunk and one partial-chunk copy, whatever the length of the tail.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "lists/range_list.h"
#include "lists/sorted_list.h"

namespace synt {

template <class T>
class TChunkedRangeList {
  static_assert(std::is_base_of_v<TRange, T>, "chunked range list items derive from TRange");
  static_assert(std::is_trivially_copyable_v<T>, "chunked range list items are plain values");

 public:
  static constexpr int kChunkShift = 10;
  static constexpr int kChunkSize = 1 << kChunkShift;  // items per chunk
  using Chunk = std::unique_ptr<T[]>;

  TChunkedRangeList() = default;
  TChunkedRangeList(const TChunkedRangeList&) = delete;
  TChunkedRangeList& operator=(const TChunkedRangeList&) = delete;
  TChunkedRangeList(TChunkedRangeList&& o) noexcept { Swap(o); }
  TChunkedRangeList& operator=(TChunkedRangeList&& o) noexcept {
    if (this != &o) {
      Clear();
      Swap(o);
    }
    return *this;
  }

  int Count() const { return count_; }
  bool Empty() const { return count_ == 0; }

  T& Items(int Index) { return At(CheckedIndex(Index)); }
  const T& Items(int Index) const { return At(CheckedIndex(Index)); }
  T& operator[](int Index) { return At(Index); }
  const T& operator[](int Index) const { return At(Index); }
  T& Last() { return At(count_ - 1); }
  const T& Last() const { return At(count_ - 1); }

  // Room for N items without growing the chunk table.
  void Reserve(int N) { chunks_.reserve(size_t((N + first_) / kChunkSize + 1)); }

  void Append(const T& Item) {
    const int slot = count_ + first_;
    if (slot >= int(chunks_.size()) * kChunkSize) chunks_.push_back(NewChunk());
    chunks_[size_t(slot >> kChunkShift)][size_t(slot & (kChunkSize - 1))] = Item;
    ++count_;
  }

  void Clear() {
    chunks_.clear();
    count_ = 0;
    first_ = 0;
    lastFound_.Set(0);
  }

  // Index of the range containing Pos, else of the last range starting at or before Pos, else -1.
  int PriorAt(int Pos) const {
    const int n = count_, L = lastFound_.Get();
    if (L >= 0 && L < n - 1 && Pos >= At(L).StartPos) {
      if (Pos < At(L + 1).StartPos) return L;
      if (L + 1 == n - 1 || Pos < At(L + 2).StartPos) {
        lastFound_.Set(L + 1);
        return L + 1;
      }
    }
    const int found = Bisect(n, [&](int i) {
      const T& r = At(i);
      return Pos < r.StartPos ? 1 : Pos >= r.EndPos ? -1 : 0;
    });
    lastFound_.Set(found);
    return found;
  }
  // Index of the range containing Pos, else -1.
  int RangeAt(int Pos) const {
    const int i = PriorAt(Pos);
    return i >= 0 && At(i).Contains(Pos) ? i : -1;
  }
  // Index of the range containing Pos, else of the first range starting after Pos, else -1.
  int NextAt(int Pos) const {
    const int i = PriorAt(Pos);
    if (i >= 0 && At(i).Contains(Pos)) return i;
    return i + 1 < count_ ? i + 1 : -1;
  }

  // Removes every range from the one at NextAt(Pos) to the end, handing them to Target when given
  // (Target is cleared first). Returns the position from which ranges were removed.
  int ClearFromPos(int Pos, TChunkedRangeList* Target = nullptr) {
    const int i = NextAt(Pos);
    if (i < 0) return Pos;
    if (At(i).StartPos < Pos) Pos = At(i).StartPos;
    CutAt(i, Target);
    return Pos;
  }

  // Removes the items from Index on, handing them to Target when given (Target is cleared first).
  // Whole chunks are moved; the chunk that holds both kept and removed items is split by copying
  // the kept part.
  void CutAt(int Index, TChunkedRangeList* Target = nullptr) {
    if (Index < 0 || Index > count_) ThrowListIndexError(Index);
    if (Target) Target->Clear();
    if (Index == count_) return;
    const int slot = Index + first_;
    const size_t c = size_t(slot >> kChunkShift);
    const int off = slot & (kChunkSize - 1);
    const int removed = count_ - Index;
    Chunk head;
    if (off > 0) {
      head = NewChunk();
      std::copy(&chunks_[c][0], &chunks_[c][0] + off, &head[0]);
    }
    if (Target) {
      Target->chunks_.reserve(chunks_.size() - c);
      for (size_t k = c; k < chunks_.size(); ++k) Target->chunks_.push_back(std::move(chunks_[k]));
      Target->first_ = off;
      Target->count_ = removed;
    }
    chunks_.resize(c);
    if (head) chunks_.push_back(std::move(head));
    count_ = Index;
    if (count_ == 0) {
      chunks_.clear();
      first_ = 0;
    }
    if (lastFound_.Get() >= count_) lastFound_.Set(0);
  }

  void Swap(TChunkedRangeList& o) noexcept {
    chunks_.swap(o.chunks_);
    std::swap(count_, o.count_);
    std::swap(first_, o.first_);
    const int h = lastFound_.Get();
    lastFound_.Set(o.lastFound_.Get());
    o.lastFound_.Set(h);
  }

  // Throws std::logic_error when the order or the non-overlap is broken.
  void Check() const {
    if (count_ < 0 || first_ < 0 || first_ >= kChunkSize ||
        size_t(count_ + first_) > chunks_.size() * size_t(kChunkSize))
      throw std::logic_error("TChunkedRangeList: bad counts");
    for (int i = 0; i < count_; ++i) {
      const T& r = At(i);
      if (r.EndPos < r.StartPos) Fail("range ends before it starts", i);
      if (i > 0 && At(i - 1).EndPos > r.StartPos) Fail("ranges overlap or are out of order", i);
    }
  }

  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;
    const_iterator() = default;
    const_iterator(const TChunkedRangeList* l, int i) : l_(l), i_(i) {}
    reference operator*() const { return (*l_)[i_]; }
    pointer operator->() const { return &(*l_)[i_]; }
    const_iterator& operator++() { return ++i_, *this; }
    const_iterator operator++(int) { return const_iterator(l_, i_++); }
    const_iterator& operator--() { return --i_, *this; }
    const_iterator& operator+=(difference_type d) { return i_ += int(d), *this; }
    const_iterator operator+(difference_type d) const { return const_iterator(l_, i_ + int(d)); }
    difference_type operator-(const const_iterator& o) const { return i_ - o.i_; }
    reference operator[](difference_type d) const { return (*l_)[i_ + int(d)]; }
    bool operator==(const const_iterator& o) const { return i_ == o.i_; }
    bool operator!=(const const_iterator& o) const { return i_ != o.i_; }

   private:
    const TChunkedRangeList* l_ = nullptr;
    int i_ = 0;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, count_); }

 private:
  static Chunk NewChunk() { return Chunk(new T[kChunkSize]); }
  T& At(int i) {
    const int s = i + first_;
    return chunks_[size_t(s >> kChunkShift)][size_t(s & (kChunkSize - 1))];
  }
  const T& At(int i) const {
    const int s = i + first_;
    return chunks_[size_t(s >> kChunkShift)][size_t(s & (kChunkSize - 1))];
  }
  int CheckedIndex(int Index) const {
    if (Index < 0 || Index >= count_) ThrowListIndexError(Index);
    return Index;
  }
  [[noreturn]] static void Fail(const char* what, int i) {
    throw std::logic_error(std::string("TChunkedRangeList: ") + what + " at " + std::to_string(i));
  }

  struct THint {
    mutable std::atomic<int> v{0};
    int Get() const { return v.load(std::memory_order_relaxed); }
    void Set(int x) const { v.store(x, std::memory_order_relaxed); }
  };

  std::vector<Chunk> chunks_;
  int count_ = 0;
  int first_ = 0;  // slot of item 0 in the first chunk (a list that took over a tail)
  THint lastFound_;
};

}  // namespace synt
