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

  size_t Size() const { return fSize; }
  size_t Capacity() const { return fCapacity; }
  const char16_t* Data() const { return fData ? fData : u""; }
  std::u16string_view View() const { return {Data(), fSize}; }
  char16_t operator[](size_t i) const { return fData[i]; }

  // Drops the contents and returns room for n units, to be filled and then sized with SetSize.
  char16_t* Prepare(size_t n) {
    if (n > fCapacity || n < fCapacity / 2) {
      Release();
      fSize = fCapacity = 0;
      Reallocate(n);
    }
    fSize = 0;
    return fData;
  }
  void SetSize(size_t n) { fSize = n; }
  // Returns unused room when it is large (after decoding into an upper-bound buffer).
  void Trim() {
    if (fCapacity - fSize <= fSize / 8 + 4096) return;
    if (fMappedBytes) {
      ShrinkMapping();
    } else {
      Reallocate(fSize);
    }
  }

  void Assign(std::u16string_view s) {
    char16_t* d = Prepare(s.size());
    if (!s.empty()) std::memcpy(d, s.data(), s.size() * sizeof(char16_t));
    fSize = s.size();
  }

  void Insert(size_t pos, std::u16string_view s) {
    if (s.empty()) return;
    if (fSize + s.size() > fCapacity) {
      size_t margin = std::max<size_t>(1024, std::min<size_t>(fSize / 16, size_t(1) << 24));
      Reallocate(fSize + s.size() + margin);
    }
    std::memmove(fData + pos + s.size(), fData + pos, (fSize - pos) * sizeof(char16_t));
    std::memcpy(fData + pos, s.data(), s.size() * sizeof(char16_t));
    fSize += s.size();
  }

  void Erase(size_t pos, size_t n) {
    if (n == 0) return;
    std::memmove(fData + pos, fData + pos + n, (fSize - pos - n) * sizeof(char16_t));
    fSize -= n;
  }

  void Swap(TTextBuffer& other) noexcept {
    std::swap(fData, other.fData);
    std::swap(fSize, other.fSize);
    std::swap(fCapacity, other.fCapacity);
    std::swap(fMappedBytes, other.fMappedBytes);
  }

 private:
  // Large texts live in their own mapping backed by huge pages where the system allows: faulting in
  // 4 KiB pages would cost more than decoding the text.
  static constexpr size_t kMapFrom = size_t(4) << 20;  // bytes

  void Reallocate(size_t n) {
    if (n == 0) n = 1;
    size_t bytes = n * sizeof(char16_t);
    void* p;
    if (bytes >= kMapFrom && fMappedBytes) {
      GrowMapping(bytes);
      return;
    }
    if (bytes >= kMapFrom) {
      size_t mapped;
      p = MapRegion(bytes, mapped);
      if (fData) std::memcpy(p, fData, std::min(fSize, n) * sizeof(char16_t));
      Release();
      fMappedBytes = mapped;
      n = mapped / sizeof(char16_t);
    } else if (fMappedBytes) {
      p = std::malloc(bytes);
      if (!p) throw std::bad_alloc();
      std::memcpy(p, fData, std::min(fSize, n) * sizeof(char16_t));
      Release();
    } else {
      p = std::realloc(fData, bytes);
      if (!p) throw std::bad_alloc();
    }
    fData = static_cast<char16_t*>(p);
    fCapacity = n;
  }

  void Release() {
    if (fMappedBytes) {
      UnmapRegion(fData, fMappedBytes);
    } else {
      std::free(fData);
    }
    fData = nullptr;
    fMappedBytes = 0;
  }

  static void* MapRegion(size_t bytes, size_t& mapped);
  void GrowMapping(size_t bytes);
  void ShrinkMapping();
  static void UnmapRegion(void* p, size_t bytes);

  char16_t* fData = nullptr;
  size_t fSize = 0;
  size_t fCapacity = 0;
  size_t fMappedBytes = 0;  // non-zero: fData is a mapping of that size
};

}  // namespace synt
