// The platform's monotonic millisecond tick. Everything that measures short intervals (the key
// queue's time-out, idle delays, timers) reads it here, so a test can put a manual clock in its
// place.
//
//   std::uint64_t t0 = synt::TickCount();
//
//   synt::TManualClock clock(1000);
//   synt::TScopedTickClock use(clock);  // TickCount() now reads clock until `use` ends
//   clock.Advance(250);                 // TickCount() == 1250
#pragma once

#include <atomic>
#include <cstdint>

namespace synt {

// A source of milliseconds. Only differences between readings mean anything; readings never go
// back.
class TTickClock {
 public:
  virtual ~TTickClock() = default;
  virtual std::uint64_t Now() const = 0;
};

// The steady system clock; the default source.
class TSystemClock final : public TTickClock {
 public:
  std::uint64_t Now() const override;
};

// A clock that moves only when told to. Reads and writes are atomic so that a background thread may
// read it while the test thread advances it.
class TManualClock final : public TTickClock {
 public:
  explicit TManualClock(std::uint64_t start = 0) : now_(start) {}
  std::uint64_t Now() const override { return now_.load(std::memory_order_acquire); }
  void Advance(std::uint64_t ms) { now_.fetch_add(ms, std::memory_order_acq_rel); }
  // Moving backwards would break the monotonic promise, so a smaller value is ignored.
  void Set(std::uint64_t ms);

 private:
  std::atomic<std::uint64_t> now_;
};

// Milliseconds of the current clock.
std::uint64_t TickCount();

// The clock TickCount reads. Setting nullptr restores the system clock. The caller keeps ownership
// and must restore the previous clock before destroying its own.
TTickClock& TickClock();
void SetTickClock(TTickClock* clock);

// Installs a clock for the lifetime of the guard and puts the previous one back afterwards.
class TScopedTickClock {
 public:
  explicit TScopedTickClock(TTickClock& clock);
  ~TScopedTickClock();
  TScopedTickClock(const TScopedTickClock&) = delete;
  TScopedTickClock& operator=(const TScopedTickClock&) = delete;

 private:
  TTickClock* previous_;
};

}  // namespace synt
