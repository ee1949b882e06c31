// Lists of items kept in ascending key order, searched by bisection.
//
//   struct TBinding : synt::TSortedItem {
//     int key;
//     int GetKey() const override { return key; }
//   };
//   synt::TSortedList<TBinding> list(/*OwnsItems=*/true);
//   list.Add(new TBinding{...});
//   int i = list.PriorAt(42);          // the item keyed 42, else the last one below 42, else -1
//   TBinding* b = list.ItemAt(42);     // exactly 42, or null
//
// Equal keys are allowed. An owning list frees items when they are deleted, cleared or when it is
// destroyed. Out-of-range indexes raise EListError.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/object.h"

namespace synt {

// The bisection every position lookup shares. Cmp(i) tells whether item i lies below (negative),
// above (positive) or on (zero) the target. Returns the index of an item on the target (Found set),
// else the last item below it, else -1.
template <class Cmp>
int Bisect(int Count, Cmp cmp, bool* Found = nullptr) {
  if (Found) *Found = false;
  if (Count <= 0) return -1;
  int lo = 0, hi = Count - 1;
  while (lo <= hi) {
    int mid = int((unsigned(lo) + unsigned(hi)) / 2);
    int c = cmp(mid);
    if (c < 0) {
      lo = mid + 1;
    } else if (c > 0) {
      hi = mid - 1;
    } else {
      if (Found) *Found = true;
      return mid;
    }
  }
  int r = lo >= Count ? Count - 1 : lo;
  if (r >= 0 && cmp(r) > 0) --r;
  return r;
}

[[noreturn]] void ThrowListIndexError(int Index);

// Abstract base of the items of a TSortedList.
class TSortedItem : public TObject {
 public:
  virtual int GetKey() const = 0;
};

// T needs GetKey(); an owning list deletes items through T's destructor.
template <class T = TSortedItem>
class TSortedList {
 public:
  explicit TSortedList(bool OwnsItems) : ownsItems_(OwnsItems) {}
  TSortedList(const TSortedList&) = delete;
  TSortedList& operator=(const TSortedList&) = delete;
  virtual ~TSortedList() { Clear(); }

  int Count() const { return int(items_.size()); }
  bool OwnsItems() const { return ownsItems_; }
  T* Items(int Index) const {
    if (Index < 0 || Index >= Count()) ThrowListIndexError(Index);
    return items_[size_t(Index)];
  }
  T* operator[](int Index) const { return items_[size_t(Index)]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Inserts by key; an item not below the last key goes to the end. Returns its index.
  int Add(T* Item) {
    int key = Item->GetKey();
    if (items_.empty() || items_.back()->GetKey() <= key) {
      items_.push_back(Item);
      return Count() - 1;
    }
    int i = PriorAt(key) + 1;
    items_.insert(items_.begin() + i, Item);
    return i;
  }

  // Inserts by key after every item with an equal key (so equal keys keep insertion order).
  // Returns its index.
  int AddLast(T* Item) {
    int key = Item->GetKey();
    if (items_.empty() || items_.back()->GetKey() <= key) {
      items_.push_back(Item);
      return Count() - 1;
    }
    int i = PriorAt(key) + 1;
    while (i < Count() && items_[size_t(i)]->GetKey() <= key) ++i;
    items_.insert(items_.begin() + i, Item);
    return i;
  }

  int PriorAt(int Key) const {
    return Bisect(Count(), [&](int i) { return Compare(items_[size_t(i)]->GetKey(), Key); });
  }
  int IndexAt(int Key) const {
    int i = PriorAt(Key);
    return i >= 0 && items_[size_t(i)]->GetKey() == Key ? i : -1;
  }
  T* ItemAt(int Key) const {
    int i = IndexAt(Key);
    return i >= 0 ? items_[size_t(i)] : nullptr;
  }

  void Delete(int Index) {
    T* item = Items(Index);
    items_.erase(items_.begin() + Index);
    if (ownsItems_) delete item;
  }
  // Removes the item without freeing it; the caller takes it over.
  T* Extract(int Index) {
    T* item = Items(Index);
    items_.erase(items_.begin() + Index);
    return item;
  }
  // Removes the items from Index on that Pred accepts, keeping the order of the others, and hands
  // them to the caller (appended to Out, not freed).
  template <class Pred>
  void ExtractIf(int Index, Pred pred, std::vector<T*>& Out) {
    if (Index < 0) Index = 0;
    size_t w = size_t(Index);
    for (size_t r = w; r < items_.size(); ++r) {
      if (pred(items_[r]))
        Out.push_back(items_[r]);
      else
        items_[w++] = items_[r];
    }
    if (w < items_.size()) items_.resize(w);
  }

  void Clear() {
    if (ownsItems_) {
      for (T* item : items_) delete item;
    }
    items_.clear();
  }

  // Throws std::logic_error when the keys are not in ascending order.
  void Check() const {
    for (size_t i = 1; i < items_.size(); ++i) {
      if (items_[i - 1]->GetKey() > items_[i]->GetKey())
        throw std::logic_error("TSortedList: keys out of order at " + std::to_string(i));
    }
  }

 private:
  static int Compare(int a, int b) { return a < b ? -1 : a > b ? 1 : 0; }

  std::vector<T*> items_;
  bool ownsItems_;
};

}  // namespace synt
