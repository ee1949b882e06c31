#include "platform/event_loop.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

#include "platform/tick.h"

namespace synt {

namespace {
std::atomic<TEventLoop*> installed_loop{nullptr};

// The enabled timers made without a loop of their own.
std::mutex following_mutex;
std::vector<TTimer*>& Following() {
  static std::vector<TTimer*> timers;
  return timers;
}

THeadlessEventLoop& BuiltInLoop() {
  static THeadlessEventLoop loop;
  return loop;
}
}  // namespace

TEventLoop& EventLoop() {
  TEventLoop* l = installed_loop.load(std::memory_order_acquire);
  return l ? *l : BuiltInLoop();
}

void SetEventLoop(TEventLoop* Loop) {
  installed_loop.store(Loop, std::memory_order_release);
  std::vector<TTimer*> timers;
  {
    std::lock_guard lock(following_mutex);
    timers = Following();
  }
  TEventLoop& now = EventLoop();
  for (TTimer* t : timers) {
    if (t->startedOn_ == &now) continue;
    t->startedOn_->StopTimer(t->id_);
    t->Start();
  }
}

THeadlessEventLoop::THeadlessEventLoop() : guiThread_(std::this_thread::get_id()) {}

THeadlessEventLoop::~THeadlessEventLoop() = default;

TEventLoop::TimerId THeadlessEventLoop::StartTimer(std::uint32_t IntervalMs,
                                                   std::function<void()> Callback) {
  TimerId id = nextId_++;
  timers_.emplace(id, Timer{IntervalMs, TickCount() + IntervalMs, nextSeq_++, std::move(Callback)});
  return id;
}

void THeadlessEventLoop::StopTimer(TimerId Id) {
  timers_.erase(Id);
}

void THeadlessEventLoop::Post(std::function<void()> Work) {
  {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(Work));
  }
  postedCv_.notify_all();
}

bool THeadlessEventLoop::IsGuiThread() const {
  return std::this_thread::get_id() == guiThread_;
}

bool THeadlessEventLoop::HasPosted() const {
  std::lock_guard lock(postedMutex_);
  return !posted_.empty();
}

int THeadlessEventLoop::RunPosted() {
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(postedMutex_);
    batch.swap(posted_);
  }
  int n = 0;
  while (!batch.empty()) {
    auto work = std::move(batch.front());
    batch.pop_front();
    if (work) work();
    ++n;
  }
  return n;
}

int THeadlessEventLoop::RunDueTimers() {
  std::uint64_t now = TickCount();
  // Collect first: callbacks may start and stop timers, including themselves.
  std::vector<std::pair<std::pair<std::uint64_t, std::uint64_t>, TimerId>> due;
  for (const auto& [id, t] : timers_)
    if (t.due <= now) due.push_back({{t.due, t.seq}, id});
  std::sort(due.begin(), due.end());
  int n = 0;
  for (const auto& d : due) {
    auto it = timers_.find(d.second);
    if (it == timers_.end()) continue;  // stopped by an earlier callback
    it->second.due = now + it->second.interval;
    auto callback = it->second.callback;  // a copy: the callback may stop its own timer
    if (callback) callback();
    ++n;
  }
  return n;
}

int THeadlessEventLoop::ProcessEvents() {
  return RunPosted() + RunDueTimers();
}

int THeadlessEventLoop::RunUntilIdle(int MaxTurns) {
  int turns = 0;
  while (turns < MaxTurns && ProcessEvents() > 0) ++turns;
  return turns;
}

std::int64_t THeadlessEventLoop::NextTimerDelay() const {
  if (timers_.empty()) return -1;
  std::uint64_t now = TickCount();
  std::uint64_t first = UINT64_MAX;
  for (const auto& [id, t] : timers_) first = std::min(first, t.due);
  return first <= now ? 0 : static_cast<std::int64_t>(first - now);
}

bool THeadlessEventLoop::WaitForPosted(std::uint64_t TimeoutMs) {
  std::unique_lock lock(postedMutex_);
  return postedCv_.wait_for(lock, std::chrono::milliseconds(TimeoutMs),
                            [this] { return !posted_.empty(); });
}

bool THeadlessEventLoop::RunUntil(const std::function<bool()>& Done, std::uint64_t TimeoutMs) {
  std::uint64_t end = TickCount() + TimeoutMs;
  while (!Done()) {
    if (ProcessEvents() > 0) continue;
    std::uint64_t now = TickCount();
    if (now >= end) return Done();
    std::int64_t wait = NextTimerDelay();
    std::uint64_t limit = end - now;
    if (wait < 0 || static_cast<std::uint64_t>(wait) > limit)
      wait = static_cast<std::int64_t>(limit);
    if (wait > 0) WaitForPosted(static_cast<std::uint64_t>(wait));
  }
  return true;
}

TTimer::TTimer(TEventLoop* Loop) : loop_(Loop) {}

TTimer::~TTimer() {
  SetEnabled(false);
}

TEventLoop& TTimer::Loop() const {
  return loop_ ? *loop_ : EventLoop();
}

void TTimer::SetInterval(std::uint32_t Ms) {
  if (Ms == interval_) return;
  interval_ = Ms;
  if (Enabled()) {
    SetEnabled(false);
    SetEnabled(true);
  }
}

void TTimer::Start() {
  startedOn_ = &Loop();
  // The callback reads OnTimer at fire time, so it may be replaced while the timer runs.
  id_ = startedOn_->StartTimer(interval_, [this] {
    if (OnTimer) OnTimer();
  });
}

void TTimer::SetEnabled(bool Value) {
  if (Value == Enabled()) return;
  if (Value) {
    Start();
    if (!loop_) {
      std::lock_guard lock(following_mutex);
      Following().push_back(this);
    }
  } else {
    startedOn_->StopTimer(id_);
    id_ = 0;
    startedOn_ = nullptr;
    if (!loop_) {
      std::lock_guard lock(following_mutex);
      std::erase(Following(), this);
    }
  }
}

}  // namespace synt
