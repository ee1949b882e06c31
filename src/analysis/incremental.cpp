// Incremental re-analysis: discarding results from a changed position, the idle loop that
// re-analyses in time slices on the event loop, synchronous analysis up to a position, and the
// background pass that builds the display ranges and is taken over on the GUI thread.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

#include "analysis/client_analyzer.h"
#include "text/memo_strings.h"

namespace synt {

using analysis_internal::TRangeLog;

// What a take-over or a cut replaced and nothing points at any more. It is handed to the next
// background pass, which frees it off the GUI thread.
TClientSyntAnalyzer::TRangeBatch::~TRangeBatch() {
  for (TTextRange* r : Items) delete r;
}

struct TClientSyntAnalyzer::TGarbage {
  std::vector<TRangeBatch> Ranges;
  std::vector<TTokenList> Tokens;
  std::vector<TDisplayRanges> Display;

  bool Empty() const { return Ranges.empty() && Tokens.empty() && Display.empty(); }
};

// One background pass: builds the display ranges under the client's lock and posts the take-over
// to the GUI thread. Link.Client is the GUI side's handle: cleared when the pass is stopped or the
// client destroyed, so that a take-over still queued finds nobody to call.
class TSyntFinishThread {
 public:
  struct TLink {
    TClientSyntAnalyzer* Client = nullptr;  // read and written on the GUI thread only
  };

  TSyntFinishThread(TClientSyntAnalyzer* Client,
                    std::unique_ptr<TClientSyntAnalyzer::TGarbage> Garbage, TDisplayRules Rules)
      : link_(std::make_shared<TLink>()), garbage_(std::move(Garbage)), rules_(std::move(Rules)) {
    link_->Client = Client;
    TEventLoop* loop = &EventLoop();
    thread_ = std::jthread([this, Client, loop](std::stop_token Stop) { Run(Stop, Client, loop); });
  }
  ~TSyntFinishThread() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
  }

  void Stop() {
    link_->Client = nullptr;
    thread_.request_stop();
  }
  bool Done() const { return done_.load(std::memory_order_acquire); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  TDisplayRanges& Result() { return result_; }

 private:
  void Run(std::stop_token Stop, TClientSyntAnalyzer* Client, TEventLoop* Loop) {
    bool ok = false;
    {
      std::lock_guard lock(Client->Mutex());
      try {
        ok = !Stop.stop_requested() && result_.Build(*Client, rules_, Stop);
      } catch (...) {
        ok = false;  // a bound handler threw: no display ranges from this pass
      }
    }
    // Indexing takes a while in a large text and needs nothing of the client: a change on the
    // GUI thread need not wait for it.
    try {
      if (ok) result_.BuildIndexes(Stop);
    } catch (const std::bad_alloc&) {
      // Collections left without an index still answer every query, walking their layers.
    }
    garbage_.reset();
    if (ok && !Stop.stop_requested()) {
      std::shared_ptr<TLink> link = link_;
      Loop->Post([link, this] {
        if (link->Client) link->Client->ThreadFinished(this);
      });
    }
    done_.store(true, std::memory_order_release);
  }

  std::shared_ptr<TLink> link_;
  std::unique_ptr<TClientSyntAnalyzer::TGarbage> garbage_;
  const TDisplayRules rules_;
  TDisplayRanges result_;
  std::atomic<bool> done_{false};
  std::jthread thread_;  // last: starts once everything above exists
};

// ---- Life cycle -----------------------------------------------------------------------------

TClientSyntAnalyzer::TClientSyntAnalyzer(TSyntAnalyzer* Owner, IqxSyntClient* Document,
                                         TSourceProc SourceProc)
    : TParserResults(Owner, Document, std::move(SourceProc)),
      idleTimer_(std::make_unique<TTimer>()),
      garbage_(std::make_unique<TGarbage>()) {
  idleTimer_->SetInterval(100);
  idleTimer_->OnTimer = [this] { IdleAppend(); };
  RestartTimer();
}

TClientSyntAnalyzer::~TClientSyntAnalyzer() {
  idleTimer_.reset();  // no slice runs once destruction has begun
  StopSyntThread();
  ReapThreads(true);
}

void TClientSyntAnalyzer::StopSyntThread() {
  if (!thread_) return;
  thread_->Stop();
  retired_.push_back(std::move(thread_));
  ReapThreads(false);
}

void TClientSyntAnalyzer::ReapThreads(bool Wait) {
  std::erase_if(retired_, [Wait](const std::unique_ptr<TSyntFinishThread>& t) {
    return Wait || t->Done();  // the destructor joins
  });
}

void TClientSyntAnalyzer::SetIdleSlice(unsigned Ms, int MaxSteps) {
  idleSliceMs_ = Ms;
  idleSliceSteps_ = std::max(MaxSteps, 0);
}

// ---- Change notification --------------------------------------------------------------------

uint64_t TClientSyntAnalyzer::NextDisplayGeneration() {
  static std::atomic<uint64_t> count{0};
  return ++count;
}

void TClientSyntAnalyzer::TextChanged(int Pos, int Count, int LineChange, int Line) {
  displayGeneration_ = NextDisplayGeneration();
  if (Pos < 0) {
    Clear();
    return;
  }
  ChangedAtPos(Pos);
  changeLog_.Add(Pos, Count);
}

void TClientSyntAnalyzer::Clear() {
  displayGeneration_ = NextDisplayGeneration();
  StopSyntThread();
  {
    std::lock_guard lock(lock_);
    TParserResults::Clear();
    OpenedClear();
    // Nothing points at the ranges any more once the display data goes too; freeing hundreds of
    // thousands of them is left to a background pass.
    TRangeBatch all;
    allRanges_.ExtractIf(
        0, [](TTextRange*) { return true; }, all.Items);
    garbage_->Ranges.push_back(std::move(all));
    for (auto& b : deadRanges_) garbage_->Ranges.push_back(std::move(b));
    deadRanges_.clear();
    rangeLog_.Clear();
    orderedPrefix_ = INT_MAX;
    lineBreaks_.clear();
    lineBreakRuns_.clear();
    activeRanges_.clear();
    garbage_->Display.emplace_back();
    garbage_->Display.back().Swap(display_);
    changeLog_.Clear();
    if (!pendingTokens_.Empty()) garbage_->Tokens.push_back(std::move(pendingTokens_));
    pendingTokens_.Clear();
    pendingBase_ = 0;
    wasFinished_ = false;
    stopRequested_ = true;
    tokensComplete_ = false;
    blockAnalPos_ = 0;
    analyzedLength_ = 0;
    tokenCache_ = -1;
    SetResumePos(0);
  }
  RestartTimer();
}

void TClientSyntAnalyzer::ChangedAtPos(int Pos) {
  StopSyntThread();
  {
    std::lock_guard lock(lock_);
    SetFinished(false);
    stopRequested_ = true;
    idleTimer_->SetEnabled(false);
    tokenCache_ = -1;
    TSyntAnalyzer* lexer = Owner();
    TSyntMemoStrings* src = Source();
    const int length = src->TextLength();

    int c;
    if (!lexer || length <= lexer->FullRefreshSize()) {
      c = 0;
    } else {
      c = std::min(Pos - 1, FirstReadingFrom(Pos));
      if (lexer->RestartFromLineStart()) c = std::min(c, src->LineStart(src->LineOfPos(Pos)));
    }

    // Sub-lexer regions first: reopening one moves the restart back.
    std::vector<char> reopened;
    c = DiscardRegionsFrom(c, reopened);

    // Tokens from c on: kept for display as pending tokens unless earlier ones already are.
    TTokenList cut;
    const int k = CutTokensFrom(c, cut);
    if (pendingTokens_.Empty()) {
      pendingTokens_ = std::move(cut);
      pendingBase_ = changeLog_.Count();
    } else if (!cut.Empty()) {
      garbage_->Tokens.push_back(std::move(cut));
    }
    SetResumePos(0);
    tokensComplete_ = false;

    // Regions opened at or after the resume point were opened by steps that will run again (their
    // start conditions and the state changes they made are redone).
    DropRegionsOpenedFrom(k > 0 ? Tokens()[k - 1].EndPos : 0);

    DiscardRuns(k, reopened);
  }
  RestartTimer();
}

// Undoes every block-rule run after run k and everything that happened after it: ranges made by
// those runs go, ranges they (or region ends after them, or the end of the text) closed open again,
// retags of earlier tokens are restored, separators and states are cut back.
void TClientSyntAnalyzer::DiscardRuns(int k, const std::vector<char>& RegionReopened) {
  const int regions = int(SubLexerRanges().size());
  const int m = rangeLog_.FirstCreatedAfter(k);

  std::vector<int> later;
  rangeLog_.ClosedAfter(k, m, later);
  for (int i : later) {
    const TRangeLog::Entry& e = rangeLog_[i];
    if (e.CloseRun == TRangeLog::kOpen) continue;
    const bool undo =
        e.ClosedBy < 0 || e.ClosedBy >= regions ||
        (size_t(e.ClosedBy) < RegionReopened.size() && RegionReopened[size_t(e.ClosedBy)]);
    if (!undo) continue;
    TTextRange* r = e.Range;
    r->EndIdx = r->EndCondIndex = -1;
    r->StartIdx = e.OpenStartIdx;
    rangeLog_.Reopened(i);
  }

  if (m < rangeLog_.Count()) {
    // The discarded ranges all start at or after the first of them by position: only the ranges
    // from there on are looked at, and when all of those go (the usual case: no older range
    // starts after a newer one) the tail is taken without touching a range object. A keystroke
    // in a large text then costs a copy of pointers, not a walk over scattered ranges.
    const int removed = rangeLog_.Count() - m;
    const int from = allRanges_.PriorAt(rangeLog_.MinStartFrom(m) - 1) + 1;
    TRangeBatch dead;
    dead.Items.reserve(size_t(removed));
    if (allRanges_.Count() - from == removed)
      allRanges_.ExtractIf(
          from, [](TTextRange*) { return true; }, dead.Items);
    else
      allRanges_.ExtractIf(
          from, [m](TTextRange* r) { return r->Index >= m; }, dead.Items);
    // Positions below the ordered prefix keep their ranges; when no range made out of order
    // survives, the list is back in creation order.
    if (m <= orderedPrefix_) orderedPrefix_ = INT_MAX;
    deadRanges_.push_back(std::move(dead));
    rangeLog_.Truncate(m);
  }

  // The opened list after run k, rebuilt in the order analysis makes it: by start, then by age.
  OpenedClear();
  // They are the ranges made before m and closed after run k (the same set as above: reopening
  // keeps a range in it), now open; the log answers without touching the ranges.
  std::vector<int> open;
  for (int i : later)
    if (rangeLog_[i].CloseRun == TRangeLog::kOpen) open.push_back(i);
  std::stable_sort(open.begin(), open.end(),
                   [this](int a, int b) { return rangeLog_.StartOf(a) < rangeLog_.StartOf(b); });
  for (int i : open) OpenedAdd(rangeLog_[i].Range);

  UndoRetagsAfter(k);

  // Separators made by later runs.
  const size_t lb = size_t(std::upper_bound(lineBreakRuns_.begin(), lineBreakRuns_.end(), k) -
                           lineBreakRuns_.begin());
  lineBreaks_.resize(lb);
  lineBreakRuns_.resize(lb);

  // The state after run k.
  RestoreStateAfterRun(k);

  blockAnalPos_ = std::min(blockAnalPos_, k);
  OpenedChanged();
}

// ---- Bookkeeping hooks of the block rules ---------------------------------------------------

void TClientSyntAnalyzer::RangeAdded(TTextRange* Range, int Position) {
  if (Position != allRanges_.Count() - 1) orderedPrefix_ = std::min(orderedPrefix_, Position);
  const int run = Range->CondIndex + 1;
  rangeLog_.Added(Range, run, Range->StartIdx);
  if (Range->IsClosed()) rangeLog_.Closed(Range->Index, run, TRangeLog::kByRule);
}

void TClientSyntAnalyzer::RangeClosed(TTextRange* Range, int Run, int ClosedBy) {
  if (Range->Index >= 0 && Range->Index < rangeLog_.Count() &&
      rangeLog_[Range->Index].Range == Range)
    rangeLog_.Closed(Range->Index, Run, ClosedBy);
}

void TClientSyntAnalyzer::AddLineBreak(const TLineBreak& LineBreak) {
  lineBreaks_.push_back(LineBreak);
  lineBreakRuns_.push_back(blockAnalPos_);
}

// ---- Driving the analysis -------------------------------------------------------------------

void TClientSyntAnalyzer::RestartTimer() {
  if (IsFinished() || !idleTimer_ || !Owner()) return;
  // Timers belong to the GUI thread: off it (a document made by a worker) the timer is armed by
  // the first call from the GUI thread that analyses or changes the text.
  idleDeferred_ = !EventLoop().IsGuiThread();
  if (idleDeferred_) return;
  idleTimer_->SetEnabled(false);
  idleTimer_->SetInterval(wasFinished_ ? Owner()->IdleAppendDelay()
                                       : Owner()->IdleAppendDelayInit());
  idleTimer_->SetEnabled(true);
}

bool TClientSyntAnalyzer::RunIdleStep(std::u16string_view Text, int& P) {
  if (!tokensComplete_) {
    P = std::max(P, NextAnalPos());
    if (!AnalyzeNextToken(Text, P)) return true;
    tokensComplete_ = true;
    if (!SeparateBlocks()) Finish();
    return true;
  }
  if (blockAnalPos_ < TagCount()) {
    CatchUpBlockRules(blockAnalPos_ + 1);
    return true;
  }
  Finish();
  return true;
}

void TClientSyntAnalyzer::IdleAppend() {
  if (inIdleAppend_) return;
  idleTimer_->SetEnabled(false);
  if (!Owner()) return;
  stopRequested_ = false;
  inIdleAppend_ = true;
  const auto start = std::chrono::steady_clock::now();
  const auto budget = std::chrono::milliseconds(idleSliceMs_);
  std::u16string_view text = Source()->TextView();
  int p = 0, steps = 0;
  bool more = false;
  try {
    while (!stopRequested_ && !IsFinished()) {
      if (idleSliceSteps_ > 0 && steps >= idleSliceSteps_) {
        more = true;
        break;
      }
      // The clock is read every few steps: a step is far shorter than a clock read is cheap.
      if (idleSliceMs_ > 0 && (steps & 15) == 15 &&
          std::chrono::steady_clock::now() - start >= budget) {
        more = true;
        break;
      }
      RunIdleStep(text, p);
      ++steps;
    }
  } catch (...) {
    // The loop ends quietly; the next change re-arms the timer.
    more = false;
  }
  inIdleAppend_ = false;
  if (more) {
    // Input and painting run before the next slice.
    idleTimer_->SetInterval(0);
    idleTimer_->SetEnabled(true);
  }
}

void TClientSyntAnalyzer::AppendToPos(int Pos) {
  if (idleDeferred_) RestartTimer();
  std::u16string_view text = Source()->TextView();
  if (text.empty() || IsFinished() || !Owner() || tokensComplete_) return;
  int p = NextAnalPos();
  // A whole text gets room for its tokens at once.
  if (TagCount() == 0 && text.size() > 65536) ReserveTokens(int(text.size() / 4));
  if (!TokenizeUpTo(text, p, Pos)) return;  // the tokens cover Pos
  tokensComplete_ = true;
  if (!SeparateBlocks())
    Finish();
  else if (!inIdleAppend_)
    RestartTimer();  // the idle loop runs the catch-up pass
}

void TClientSyntAnalyzer::TryAppend(int Pos) {
  if (!pendingTokens_.Empty()) {
    const int b = changeLog_.OldToCur(pendingTokens_[0].StartPos, pendingBase_);
    const int c = std::max(changeLog_.MaxChangedPos(), b);
    if (c != 0 && c < Pos) Pos = c;
  }
  AppendToPos(Pos);
}

void TClientSyntAnalyzer::AnalyzeUpTo(int Pos) {
  AppendToPos(Pos);
  if (!IsFinished() && SeparateBlocks()) CatchUpBlockRules(-1);
}

int TClientSyntAnalyzer::TokenIndexAt(int Pos) {
  AppendToPos(Pos);
  return Tokens().RangeAt(Pos);
}

void TClientSyntAnalyzer::Analyze(bool ResetContent) {
  if (IsFinished()) return;
  if (ResetContent) {
    const bool old = forceSyncBlocks_;
    forceSyncBlocks_ = true;
    try {
      Clear();
      AppendToPos(Source()->TextLength());
    } catch (...) {
      forceSyncBlocks_ = old;
      throw;
    }
    forceSyncBlocks_ = old;
  } else {
    AppendToPos(Source()->TextLength());
  }
}

void TClientSyntAnalyzer::CompleteAnalysis() {
  if (IsFinished() || !Owner()) return;
  AppendToPos(Source()->TextLength());
  if (IsFinished()) return;
  if (SeparateBlocks()) CatchUpBlockRules(-1);
  stopRequested_ = true;
  Finish();
}

void TClientSyntAnalyzer::Finish() {
  if (IsFinished()) return;
  SetFinished(true);
  tokensComplete_ = true;
  const int length = Source()->TextLength();
  analyzedLength_ = length;
  CloseRegionsAtTextEnd(length);
  CloseRangesAtEnd(0);
  wasFinished_ = true;
  if (backgroundFinish_) {
    StopSyntThread();
    auto garbage = std::move(garbage_);
    garbage_ = std::make_unique<TGarbage>();
    // The pass reads the rules from a copy taken here: the lexer may change while it runs.
    TDisplayRules rules;
    rules.Take(Owner());
    thread_ = std::make_unique<TSyntFinishThread>(this, std::move(garbage), std::move(rules));
  } else {
    // No display data refers to older text: the change log and what it served can go.
    changeLog_.Clear();
    pendingTokens_.Clear();
    pendingBase_ = 0;
    deadRanges_.clear();
    garbage_ = std::make_unique<TGarbage>();
  }
}

void TClientSyntAnalyzer::ThreadFinished(TSyntFinishThread* Pass) {
  if (thread_.get() != Pass) return;
  {
    std::lock_guard lock(lock_);
    display_.Swap(Pass->Result());
    displayGeneration_ = NextDisplayGeneration();
    // The old collections (thousands of layers in a large text) are freed by the next pass.
    garbage_->Display.emplace_back();
    garbage_->Display.back().Swap(Pass->Result());
    changeLog_.Clear();
    if (!pendingTokens_.Empty()) garbage_->Tokens.push_back(std::move(pendingTokens_));
    pendingTokens_.Clear();
    pendingBase_ = 0;
    for (auto& b : deadRanges_) garbage_->Ranges.push_back(std::move(b));
    deadRanges_.clear();
  }
  // Its last act was to post this.
  std::unique_ptr<TSyntFinishThread> done = std::move(thread_);
  done->Join();
  done.reset();
  tokenCache_ = -1;
  UpdateActiveRanges(caretPos_);
  if (IqxSyntClient* doc = Document()) doc->Finished();
}

// ---- Invariants -------------------------------------------------------------------------------

void TClientSyntAnalyzer::Check() const {
  auto fail = [](const std::string& what) {
    throw std::logic_error("TClientSyntAnalyzer: " + what);
  };
  Tokens().Check();
  pendingTokens_.Check();
  allRanges_.Check();
  if (rangeLog_.Count() != allRanges_.Count()) fail("range log and AllRanges differ in size");
  for (int i = 0; i < rangeLog_.Count(); ++i) {
    const TTextRange* r = rangeLog_[i].Range;
    if (r->Index != i) fail("range index " + std::to_string(i));
    if (r->StartPos != rangeLog_.StartOf(i)) fail("start of range " + std::to_string(i) + " moved");
    if (r->IsClosed() != (rangeLog_[i].CloseRun != TRangeLog::kOpen))
      fail("close state of range " + std::to_string(i));
    if (i < orderedPrefix_ && i < allRanges_.Count() && allRanges_[i] != r)
      fail("AllRanges out of creation order at " + std::to_string(i));
  }
  int open = 0;
  for (int i = 0; i < allRanges_.Count(); ++i) open += allRanges_[i]->IsClosed() ? 0 : 1;
  if (open != openedRanges_.Count())
    fail("opened list holds " + std::to_string(openedRanges_.Count()) + " ranges, " +
         std::to_string(open) + " are open");
  for (int i = 0; i < openedRanges_.Count(); ++i) {
    const TTextRange* r = openedRanges_[i];
    if (r->IsClosed()) fail("a closed range in the opened list");
    if (i > 0) {
      const TTextRange* p = openedRanges_[i - 1];
      if (p->StartPos > r->StartPos || (p->StartPos == r->StartPos && p->Index > r->Index))
        fail("opened list out of order");
    }
  }
  if (lineBreaks_.size() != lineBreakRuns_.size()) fail("separator runs");
  if (!std::is_sorted(lineBreakRuns_.begin(), lineBreakRuns_.end())) fail("separator runs order");
  const std::vector<TSubLexerRange>& regions = SubLexerRanges();
  for (size_t i = 0; i < regions.size(); ++i) {
    const TSubLexerRange& r = regions[i];
    if (i > 0 && regions[i - 1].StartPos > r.StartPos) fail("regions out of order");
    if (r.ParentIndex >= int(i)) fail("region parent");
  }
  if (blockAnalPos_ > TagCount()) fail("block analysis beyond the tokens");
}

}  // namespace synt
