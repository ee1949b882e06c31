#include "text/text_buffer.h"

#include "platform/large_alloc.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace synt {

// Growing a mapping moves page tables, not the text.
void TTextBuffer::GrowMapping(size_t bytes) {
  size_t want = RoundToHugePage(bytes);
  if (want <= mappedBytes_) return;
  void* p = ::mremap(data_, mappedBytes_, want, MREMAP_MAYMOVE);
  if (p == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(p, want, MADV_HUGEPAGE);
#endif
  data_ = static_cast<char16_t*>(p);
  mappedBytes_ = want;
  capacity_ = want / sizeof(char16_t);
}

void TTextBuffer::ShrinkMapping() {
  size_t keep = RoundToHugePage(std::max<size_t>(size_, 1) * sizeof(char16_t));
  if (keep >= mappedBytes_) return;
  ::munmap(reinterpret_cast<char*>(data_) + keep, mappedBytes_ - keep);
  mappedBytes_ = keep;
  capacity_ = keep / sizeof(char16_t);
}

void* TTextBuffer::MapRegion(size_t bytes, size_t& mapped) {
  return MapLarge(bytes, mapped);
}

void TTextBuffer::UnmapRegion(void* p, size_t bytes) {
  UnmapLarge(p, bytes);
}

}  // namespace synt
