#include "platform/tick.h"

#include <gtest/gtest.h>

#include <thread>

namespace synt {
namespace {

TEST(Tick, SystemClockNeverGoesBack) {
  std::uint64_t a = TickCount();
  std::uint64_t b = TickCount();
  EXPECT_LE(a, b);
}

TEST(Tick, ManualClockReplacesAndRestores) {
  TManualClock outer(100);
  {
    TScopedTickClock use_outer(outer);
    EXPECT_EQ(TickCount(), 100u);
    TManualClock inner(5000);
    {
      TScopedTickClock use_inner(inner);
      inner.Advance(25);
      EXPECT_EQ(TickCount(), 5025u);
    }
    outer.Advance(1);
    EXPECT_EQ(TickCount(), 101u);
  }
  EXPECT_EQ(&TickClock(), &TickClock());
  EXPECT_NE(dynamic_cast<TSystemClock*>(&TickClock()), nullptr);
}

TEST(Tick, ManualClockStaysMonotonic) {
  TManualClock c(50);
  c.Set(40);
  EXPECT_EQ(c.Now(), 50u);
  c.Set(70);
  EXPECT_EQ(c.Now(), 70u);
}

TEST(Tick, ManualClockReadFromAnotherThread) {
  TManualClock c;
  TScopedTickClock use(c);
  std::thread reader([] {
    std::uint64_t last = 0;
    for (int i = 0; i < 10000; ++i) {
      std::uint64_t now = TickCount();
      ASSERT_GE(now, last);
      last = now;
    }
  });
  for (int i = 0; i < 10000; ++i) c.Advance(1);
  reader.join();
  EXPECT_EQ(c.Now(), 10000u);
}

}  // namespace
}  // namespace synt
