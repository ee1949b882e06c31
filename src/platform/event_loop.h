// The GUI thread's event loop as the engine sees it: timers that fire on the GUI thread, work
// posted to the GUI thread from any thread, and the tick (platform/tick.h) they are timed by.
//
//   synt::TTimer idle;                       // a platform timer, created disabled
//   idle.OnTimer = [&] { Step(); };
//   idle.SetInterval(50);
//   idle.SetEnabled(true);                   // fires every 50 ms on the GUI thread until disabled
//
//   synt::EventLoop().Post([=] { TakeOver(result); });   // from a worker thread
//
// The toolkit backend implements TEventLoop with its own timers and queued calls.
// THeadlessEventLoop is the implementation of tests and the command-line tool: nothing runs until
// the owner asks (ProcessEvents, RunFor), so a test drives time step by step with a manual clock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace synt {

class TEventLoop {
 public:
  using TimerId = std::uint64_t;  // 0 is never a valid id

  virtual ~TEventLoop() = default;

  // A repeating timer: Callback runs on the GUI thread every IntervalMs (0 = at the next turn of
  // the loop) until StopTimer. GUI thread only.
  virtual TimerId StartTimer(std::uint32_t IntervalMs, std::function<void()> Callback) = 0;
  // Stops a timer; unknown or already stopped ids are ignored. After it returns the callback is not
  // called again, even if the timer was due. GUI thread only.
  virtual void StopTimer(TimerId Id) = 0;

  // Runs Work on the GUI thread at the next turn of the loop, in posting order. Any thread.
  virtual void Post(std::function<void()> Work) = 0;

  // True on the thread that runs timers and posted work.
  virtual bool IsGuiThread() const = 0;
};

// The loop the engine uses. Until a backend installs its own, a process-wide headless loop.
TEventLoop& EventLoop();
// Installs Loop (nullptr restores the built-in headless loop). The caller keeps ownership. Call it
// on the GUI thread: the enabled timers that follow EventLoop() move to the new loop, so that a
// timer armed before the backend was installed still fires.
void SetEventLoop(TEventLoop* Loop);

// A loop that runs only when told to. Timers are due by TickCount(), so with a TManualClock a test
// decides when they fire. The thread that constructs it is its GUI thread.
class THeadlessEventLoop final : public TEventLoop {
 public:
  THeadlessEventLoop();
  ~THeadlessEventLoop() override;

  TimerId StartTimer(std::uint32_t IntervalMs, std::function<void()> Callback) override;
  void StopTimer(TimerId Id) override;
  void Post(std::function<void()> Work) override;
  bool IsGuiThread() const override;

  // Runs the work posted so far (not work those calls post in turn); returns how many ran.
  int RunPosted();
  // Runs every timer that is due now, once each, in due order; returns how many fired.
  int RunDueTimers();
  // One turn of the loop: posted work, then due timers. Returns the number of callbacks run.
  int ProcessEvents();
  // Turns the loop until nothing is posted and no timer is due; at most MaxTurns turns (a timer of
  // interval 0 is always due). Returns the turns taken.
  int RunUntilIdle(int MaxTurns = 1000000);
  // Real-time driving for tools: turns the loop until Done() holds or TimeoutMs passed, sleeping
  // until the next timer is due or work is posted. Returns whether Done() held.
  bool RunUntil(const std::function<bool()>& Done, std::uint64_t TimeoutMs);

  // Blocks until work is posted or TimeoutMs passed (real time); true when work is waiting.
  bool WaitForPosted(std::uint64_t TimeoutMs);
  // Milliseconds until the earliest timer is due (0 if one is due), or -1 without timers.
  std::int64_t NextTimerDelay() const;
  bool HasPosted() const;
  int TimerCount() const { return static_cast<int>(timers_.size()); }

 private:
  struct Timer {
    std::uint32_t interval;
    std::uint64_t due;
    std::uint64_t seq;  // start order breaks ties between timers due at the same tick
    std::function<void()> callback;
  };
  std::map<TimerId, Timer> timers_;
  TimerId nextId_ = 1;
  std::uint64_t nextSeq_ = 0;
  std::thread::id guiThread_;

  mutable std::mutex postedMutex_;
  std::condition_variable postedCv_;
  std::deque<std::function<void()>> posted_;
};

// A platform timer: disabled until enabled, repeats every Interval ms, calls OnTimer on the GUI
// thread. Destroying it stops it, so a callback never outlives its owner. Enable and disable it on
// the GUI thread. Made without a loop it follows EventLoop(), also when another is installed while
// it runs.
class TTimer {
 public:
  explicit TTimer(TEventLoop* Loop = nullptr);  // nullptr: EventLoop() at the time of enabling
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t Ms);  // restarts a running timer with the new interval
  bool Enabled() const { return id_ != 0; }
  void SetEnabled(bool Value);

  std::function<void()> OnTimer;

 private:
  friend void SetEventLoop(TEventLoop* Loop);
  TEventLoop& Loop() const;
  void Start();
  TEventLoop* loop_;
  TEventLoop* startedOn_ = nullptr;
  std::uint32_t interval_ = 1000;
  TEventLoop::TimerId id_ = 0;
};

}  // namespace synt
