// Where the calling thread's stack ends, for recursive code that refuses input deeper than the
// stack allows instead of overflowing it.
//
//   uintptr_t low = synt::CurrentStackLow();   // 0 when unknown
//   if (low && uintptr_t(__builtin_frame_address(0)) < low + reserve) { /* refuse */ }
#pragma once

#include <cstddef>
#include <cstdint>

namespace synt {

// The lowest address of the calling thread's stack (stacks grow down), or 0 when the system does
// not tell. Cheap enough to call once per thread; cache the answer in a thread_local.
uintptr_t CurrentStackLow();
// The size of the calling thread's stack in bytes, or 0 when unknown.
size_t CurrentStackSize();

}  // namespace synt
