// The contiguous UTF-16 buffer behind the line storage. Unlike std::u16string it never
// zero-fills space it is about to overwrite (loading decodes straight into it) and grows by a
// bounded margin instead of doubling, so a large document does not briefly need twice its size.
//
//   TTextBuffer b;
//   char16_t* d = b.Prepare(n);   // room for n units, contents undefined
//   b.SetSize(written);
//   b.Insert(3, u"abc");
//   std::u16string_view v = b.View();
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

namespace synt {

class TTextBuffer {
 public:
  TTextBuffer() = default;
  TTextBuffer(const TTextBuffer&) = delete;
  TTextBuffer& operator=(const TTextBuffer&) = delete;
  ~TTextBuffer() { Release(); }

  size_t Size() const { return size_; }
  // Units the allocation holds (room before and after the text included).
  size_t Capacity() const { return capacity_; }
  const char16_t* Data() const { return data_ ? data_ : u""; }
  std::u16string_view View() const { return {Data(), size_}; }
  char16_t operator[](size_t i) const { return data_[i]; }

  // Drops the contents and returns room for n units, to be filled and then sized with SetSize.
  char16_t* Prepare(size_t n) {
    if (n > capacity_ || n < capacity_ / 2) {
      Release();
      size_ = capacity_ = 0;
      Reallocate(n);
    }
    data_ = base_;
    size_ = 0;
    return data_;
  }
  void SetSize(size_t n) { size_ = n; }
  // Returns unused room when it is large (after decoding into an upper-bound buffer).
  void Trim() {
    if (capacity_ - size_ <= size_ / 8 + 4096) return;
    Compact();
    if (mappedBytes_) {
      ShrinkMapping();
    } else {
      Reallocate(size_);
    }
  }

  void Assign(std::u16string_view s) {
    char16_t* d = Prepare(s.size());
    if (!s.empty()) std::memcpy(d, s.data(), s.size() * sizeof(char16_t));
    size_ = s.size();
  }

  // An edit moves the shorter side of the text: the part before pos into the room in front, or
  // the part after it into the room behind. Typing near the start of a large text then moves
  // little, although the text stays one contiguous run.
  void Insert(size_t pos, std::u16string_view s) {
    const size_t n = s.size();
    if (n == 0) return;
    if (pos < size_ - pos) {
      if (Front() < n) MakeFrontRoom(n);
      std::memmove(data_ - n, data_, pos * sizeof(char16_t));
      data_ -= n;
    } else {
      if (Front() + size_ + n > capacity_) Reallocate(size_ + n + Margin());
      std::memmove(data_ + pos + n, data_ + pos, (size_ - pos) * sizeof(char16_t));
    }
    std::memcpy(data_ + pos, s.data(), n * sizeof(char16_t));
    size_ += n;
  }

  void Erase(size_t pos, size_t n) {
    if (n == 0) return;
    if (pos < size_ - pos - n) {
      std::memmove(data_ + n, data_, pos * sizeof(char16_t));
      data_ += n;
    } else {
      std::memmove(data_ + pos, data_ + pos + n, (size_ - pos - n) * sizeof(char16_t));
    }
    size_ -= n;
  }

  void Swap(TTextBuffer& other) noexcept {
    std::swap(base_, other.base_);
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    std::swap(mappedBytes_, other.mappedBytes_);
  }

 private:
  // Large texts live in their own mapping backed by huge pages where the system allows: faulting in
  // 4 KiB pages would cost more than decoding the text.
  static constexpr size_t kMapFrom = size_t(4) << 20;  // bytes

  size_t Front() const { return size_t(data_ - base_); }
  size_t Margin() const {
    return std::max<size_t>(1024, std::min<size_t>(size_ / 16, size_t(1) << 24));
  }

  // Moves the text to the start of the allocation.
  void Compact() {
    if (data_ == base_) return;
    if (size_) std::memmove(base_, data_, size_ * sizeof(char16_t));
    data_ = base_;
  }

  // Room for at least n units in front of the text: one move of the whole text, after which many
  // edits near the start move only what lies before them.
  void MakeFrontRoom(size_t n) {
    const size_t front = std::max(n, std::min<size_t>(Margin(), size_t(1) << 20));
    if (front + size_ > capacity_) Reallocate(front + size_ + Margin());
    std::memmove(base_ + front, data_, size_ * sizeof(char16_t));
    data_ = base_ + front;
  }

  // A new allocation of n units holding the text at its start.
  void Reallocate(size_t n) {
    Compact();
    if (n == 0) n = 1;
    size_t bytes = n * sizeof(char16_t);
    void* p;
    if (bytes >= kMapFrom && mappedBytes_) {
      GrowMapping(bytes);
      return;
    }
    if (bytes >= kMapFrom) {
      size_t mapped;
      p = MapRegion(bytes, mapped);
      if (base_) std::memcpy(p, base_, std::min(size_, n) * sizeof(char16_t));
      Release();
      mappedBytes_ = mapped;
      n = mapped / sizeof(char16_t);
    } else if (mappedBytes_) {
      p = std::malloc(bytes);
      if (!p) throw std::bad_alloc();
      std::memcpy(p, base_, std::min(size_, n) * sizeof(char16_t));
      Release();
    } else {
      p = std::realloc(base_, bytes);
      if (!p) throw std::bad_alloc();
    }
    base_ = data_ = static_cast<char16_t*>(p);
    capacity_ = n;
  }

  void Release() {
    if (mappedBytes_) {
      UnmapRegion(base_, mappedBytes_);
    } else {
      std::free(base_);
    }
    base_ = data_ = nullptr;
    mappedBytes_ = 0;
  }

  static void* MapRegion(size_t bytes, size_t& mapped);
  void GrowMapping(size_t bytes);
  void ShrinkMapping();
  static void UnmapRegion(void* p, size_t bytes);

  char16_t* base_ = nullptr;  // the allocation
  char16_t* data_ = nullptr;  // the text, inside it
  size_t size_ = 0;
  size_t capacity_ = 0;
  size_t mappedBytes_ = 0;  // non-zero: base_ is a mapping of that size
};

}  // namespace synt
