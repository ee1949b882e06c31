#include "platform/tick.h"

#include <chrono>

namespace synt {

namespace {
TSystemClock system_clock;
std::atomic<TTickClock*> current_clock{nullptr};  // nullptr: the system clock
}  // namespace

std::uint64_t TSystemClock::Now() const {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TManualClock::Set(std::uint64_t ms) {
  std::uint64_t cur = now_.load(std::memory_order_acquire);
  while (ms > cur && !now_.compare_exchange_weak(cur, ms, std::memory_order_acq_rel)) {
  }
}

TTickClock& TickClock() {
  TTickClock* c = current_clock.load(std::memory_order_acquire);
  return c ? *c : system_clock;
}

std::uint64_t TickCount() {
  return TickClock().Now();
}

void SetTickClock(TTickClock* clock) {
  current_clock.store(clock == &system_clock ? nullptr : clock, std::memory_order_release);
}

TScopedTickClock::TScopedTickClock(TTickClock& clock) : previous_(&TickClock()) {
  SetTickClock(&clock);
}

TScopedTickClock::~TScopedTickClock() {
  SetTickClock(previous_);
}

}  // namespace synt
