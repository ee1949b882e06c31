#include "platform/thread_stack.h"

#include <pthread.h>

#include <cstddef>

namespace synt {

namespace {

struct StackBounds {
  uintptr_t low = 0;
  size_t size = 0;
};

StackBounds Query() {
  StackBounds b;
  pthread_attr_t a;
  if (pthread_getattr_np(pthread_self(), &a) != 0) return b;
  void* addr = nullptr;
  size_t size = 0;
  if (pthread_attr_getstack(&a, &addr, &size) == 0) {
    b.low = uintptr_t(addr);
    b.size = size;
  }
  pthread_attr_destroy(&a);
  return b;
}

}  // namespace

uintptr_t CurrentStackLow() {
  return Query().low;
}

size_t CurrentStackSize() {
  return Query().size;
}

}  // namespace synt
