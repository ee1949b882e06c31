#include "platform/large_alloc.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace synt {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
}  // namespace

size_t RoundToHugePage(size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

void* MapLarge(size_t bytes, size_t& mapped) {
  // Over-allocate by a huge page and trim, so that the region starts on a huge-page boundary.
  size_t want = RoundToHugePage(bytes);
  void* raw =
      ::mmap(nullptr, want + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  auto start = reinterpret_cast<uintptr_t>(raw);
  uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) ::munmap(raw, aligned - start);
  uintptr_t end = start + want + kHugePage;
  if (end > aligned + want)
    ::munmap(reinterpret_cast<void*>(aligned + want), end - (aligned + want));
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), want, MADV_HUGEPAGE);
#endif
  mapped = want;
  return reinterpret_cast<void*>(aligned);
}

void UnmapLarge(void* p, size_t bytes) {
  ::munmap(p, bytes);
}

void* GrowLarge(void* p, size_t& mapped, size_t bytes) {
  size_t want = RoundToHugePage(bytes);
  if (want <= mapped) return p;
  // Growing a mapping moves page tables, not the data.
  void* q = ::mremap(p, mapped, want, MREMAP_MAYMOVE);
  if (q == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(q, want, MADV_HUGEPAGE);
#endif
  mapped = want;
  return q;
}

void TrimLarge(void* p, size_t& mapped, size_t keep) {
  keep = RoundToHugePage(keep);
  if (keep >= mapped) return;
  ::munmap(static_cast<char*>(p) + keep, mapped - keep);
  mapped = keep;
}

TLargeBlock::TLargeBlock(size_t Bytes) : size_(Bytes) {
  if (Bytes >= (size_t(4) << 20)) {
    data_ = static_cast<char*>(MapLarge(Bytes, mapped_));
  } else {
    data_ = static_cast<char*>(std::malloc(Bytes ? Bytes : 1));
    if (!data_) throw std::bad_alloc();
  }
}

TLargeBlock::~TLargeBlock() {
  if (mapped_) {
    UnmapLarge(data_, mapped_);
  } else {
    std::free(data_);
  }
}

}  // namespace synt
