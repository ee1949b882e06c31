#include "text/text_buffer.h"

#include "platform/large_alloc.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace synt {

void TTextBuffer::GrowMapping(size_t bytes) {
  // Reallocate compacted the text to the start of the mapping.
  base_ = data_ = static_cast<char16_t*>(GrowLarge(base_, mappedBytes_, bytes));
  capacity_ = mappedBytes_ / sizeof(char16_t);
}

void TTextBuffer::ShrinkMapping() {
  TrimLarge(base_, mappedBytes_, std::max<size_t>(size_, 1) * sizeof(char16_t));
  capacity_ = mappedBytes_ / sizeof(char16_t);
}

void* TTextBuffer::MapRegion(size_t bytes, size_t& mapped) {
  return MapLarge(bytes, mapped);
}

void TTextBuffer::UnmapRegion(void* p, size_t bytes) {
  UnmapLarge(p, bytes);
}

}  // namespace synt
