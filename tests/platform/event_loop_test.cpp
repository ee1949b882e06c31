#include "platform/event_loop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/tick.h"

namespace synt {
namespace {

struct Loop : ::testing::Test {
  TManualClock clock{1000};
  TScopedTickClock use{clock};
  THeadlessEventLoop loop;
};

TEST_F(Loop, TimersFireWhenDueInDueOrderAndRepeat) {
  std::string log;
  TTimer a(&loop), b(&loop);
  a.OnTimer = [&] { log += 'a'; };
  b.OnTimer = [&] { log += 'b'; };
  a.SetInterval(50);
  b.SetInterval(20);
  a.SetEnabled(true);
  b.SetEnabled(true);
  EXPECT_EQ(loop.ProcessEvents(), 0);
  EXPECT_EQ(loop.NextTimerDelay(), 20);
  clock.Advance(20);
  loop.ProcessEvents();
  EXPECT_EQ(log, "b");
  clock.Advance(40);  // now 1060: b due at 1040, a at 1050
  loop.ProcessEvents();
  EXPECT_EQ(log, "bba");  // each due timer fires once per turn, earliest first
  a.SetEnabled(false);
  clock.Advance(1000);
  loop.ProcessEvents();
  EXPECT_EQ(log, "bbab");
}

TEST_F(Loop, ACallbackMayStopItselfAndOthers) {
  int fired_a = 0, fired_b = 0;
  TTimer a(&loop), b(&loop);
  a.SetInterval(10);
  b.SetInterval(10);
  a.OnTimer = [&] { ++fired_a, a.SetEnabled(false), b.SetEnabled(false); };
  b.OnTimer = [&] { ++fired_b; };
  a.SetEnabled(true);
  b.SetEnabled(true);
  clock.Advance(10);
  loop.ProcessEvents();
  EXPECT_EQ(fired_a, 1);
  EXPECT_EQ(fired_b, 0);  // stopped before its turn came
  EXPECT_EQ(loop.TimerCount(), 0);
}

TEST_F(Loop, DestroyedTimerNeverFires) {
  int fired = 0;
  {
    TTimer t(&loop);
    t.SetInterval(0);
    t.OnTimer = [&] { ++fired; };
    t.SetEnabled(true);
  }
  loop.RunUntilIdle();
  EXPECT_EQ(fired, 0);
}

TEST_F(Loop, IntervalChangeRestartsFromNow) {
  int fired = 0;
  TTimer t(&loop);
  t.OnTimer = [&] { ++fired; };
  t.SetInterval(100);
  t.SetEnabled(true);
  clock.Advance(90);
  t.SetInterval(50);  // due at 1140 now, not 1100
  clock.Advance(20);
  loop.ProcessEvents();
  EXPECT_EQ(fired, 0);
  clock.Advance(30);
  loop.ProcessEvents();
  EXPECT_EQ(fired, 1);
}

TEST_F(Loop, PostedWorkRunsInOrderAndWorkPostedMeanwhileWaitsATurn) {
  std::string log;
  loop.Post([&] {
    log += '1';
    loop.Post([&] { log += '3'; });
  });
  loop.Post([&] { log += '2'; });
  EXPECT_EQ(loop.RunPosted(), 2);
  EXPECT_EQ(log, "12");
  EXPECT_EQ(loop.RunUntilIdle(), 1);
  EXPECT_EQ(log, "123");
}

TEST_F(Loop, WorkPostedFromAnotherThreadReachesTheGuiThread) {
  std::thread::id ran_on;
  std::thread worker([&] {
    EXPECT_FALSE(loop.IsGuiThread());
    loop.Post([&] { ran_on = std::this_thread::get_id(); });
  });
  EXPECT_TRUE(loop.WaitForPosted(10000));
  worker.join();
  loop.RunPosted();
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  EXPECT_TRUE(loop.IsGuiThread());
}

TEST(EventLoop, InstalledLoopReplacesTheBuiltInOne) {
  THeadlessEventLoop mine;
  TEventLoop* before = &EventLoop();
  SetEventLoop(&mine);
  EXPECT_EQ(&EventLoop(), &mine);
  SetEventLoop(nullptr);
  EXPECT_EQ(&EventLoop(), before);
}

TEST(EventLoop, RunUntilDrivesRealTimeTimers) {
  THeadlessEventLoop loop;
  int fired = 0;
  TTimer t(&loop);
  t.SetInterval(5);
  t.OnTimer = [&] { ++fired; };
  t.SetEnabled(true);
  EXPECT_TRUE(loop.RunUntil([&] { return fired >= 3; }, 10000));
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 20));
}

}  // namespace
}  // namespace synt
