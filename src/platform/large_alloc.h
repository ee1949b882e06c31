// Memory for whole files and texts: huge-page backed mappings for large blocks (faulting 4 KiB
// pages in would cost more than decoding the text), plain malloc for small ones.
//
//   synt::TLargeBlock b(n);        // uninitialised, n bytes
//   std::memcpy(b.Data(), src, n);
#pragma once

#include <cstddef>
#include <utility>

namespace synt {

// Bytes rounded up to a whole number of huge pages.
size_t RoundToHugePage(size_t Bytes);
// Maps at least Bytes bytes aligned to a huge page; Mapped receives the size to unmap.
void* MapLarge(size_t Bytes, size_t& Mapped);
void UnmapLarge(void* P, size_t Mapped);
// Grows a mapping made by MapLarge to at least Bytes (whole huge pages); the block may move, its
// contents stay. Returns the block and sets Mapped; throws std::bad_alloc and leaves the old
// mapping intact when the system refuses.
void* GrowLarge(void* P, size_t& Mapped, size_t Bytes);
// Gives back the pages of a MapLarge mapping past Keep bytes (rounded up to a huge page); Mapped
// receives what is left to unmap.
void TrimLarge(void* P, size_t& Mapped, size_t Keep);

class TLargeBlock {
 public:
  TLargeBlock() = default;
  explicit TLargeBlock(size_t Bytes);
  TLargeBlock(TLargeBlock&& o) noexcept { *this = std::move(o); }
  TLargeBlock& operator=(TLargeBlock&& o) noexcept {
    std::swap(data_, o.data_);
    std::swap(size_, o.size_);
    std::swap(mapped_, o.mapped_);
    return *this;
  }
  TLargeBlock(const TLargeBlock&) = delete;
  TLargeBlock& operator=(const TLargeBlock&) = delete;
  ~TLargeBlock();

  char* Data() const { return data_; }
  size_t Size() const { return size_; }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t mapped_ = 0;
};

}  // namespace synt
