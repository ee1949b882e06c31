// Incremental re-analysis: discarding results from a changed position, the idle loop that
// re-analyses in time slices on the event loop, synchronous analysis up to a position, and the
// background pass that builds the display ranges and is taken over on the GUI thread.
#include <algorithm>
#include <atomic>
#include <chrono>
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
                    std::unique_ptr<TClientSyntAnalyzer::TGarbage> Garbage)
      : fLink(std::make_shared<TLink>()), fGarbage(std::move(Garbage)) {
    fLink->Client = Client;
    TEventLoop* loop = &EventLoop();
    fThread = std::jthread([this, Client, loop](std::stop_token Stop) { Run(Stop, Client, loop); });
  }
  ~TSyntFinishThread() {
    fThread.request_stop();
    if (fThread.joinable()) fThread.join();
  }

  void Stop() {
    fLink->Client = nullptr;
    fThread.request_stop();
  }
  bool Done() const { return fDone.load(std::memory_order_acquire); }
  void Join() {
    if (fThread.joinable()) fThread.join();
  }
  TDisplayRanges& Result() { return fResult; }

 private:
  void Run(std::stop_token Stop, TClientSyntAnalyzer* Client, TEventLoop* Loop) {
    bool ok = false;
    {
      std::lock_guard lock(Client->Mutex());
      try {
        ok = !Stop.stop_requested() && fResult.Build(*Client, Stop);
      } catch (...) {
        ok = false;  // a bound handler threw: no display ranges from this pass
      }
    }
    fGarbage.reset();
    if (ok && !Stop.stop_requested()) {
      std::shared_ptr<TLink> link = fLink;
      Loop->Post([link, this] {
        if (link->Client) link->Client->ThreadFinished(this);
      });
    }
    fDone.store(true, std::memory_order_release);
  }

  std::shared_ptr<TLink> fLink;
  std::unique_ptr<TClientSyntAnalyzer::TGarbage> fGarbage;
  TDisplayRanges fResult;
  std::atomic<bool> fDone{false};
  std::jthread fThread;  // last: starts once everything above exists
};

// ---- Life cycle -----------------------------------------------------------------------------

TClientSyntAnalyzer::TClientSyntAnalyzer(TSyntAnalyzer* Owner, IqxSyntClient* Document,
                                         TSourceProc SourceProc)
    : TParserResults(Owner, Document, std::move(SourceProc)),
      fIdleTimer(std::make_unique<TTimer>()),
      fGarbage(std::make_unique<TGarbage>()) {
  fIdleTimer->SetInterval(100);
  fIdleTimer->OnTimer = [this] { IdleAppend(); };
  RestartTimer();
}

TClientSyntAnalyzer::~TClientSyntAnalyzer() {
  fIdleTimer.reset();  // no slice runs once destruction has begun
  StopSyntThread();
  ReapThreads(true);
}

void TClientSyntAnalyzer::StopSyntThread() {
  if (!fThread) return;
  fThread->Stop();
  fRetired.push_back(std::move(fThread));
  ReapThreads(false);
}

void TClientSyntAnalyzer::ReapThreads(bool Wait) {
  std::erase_if(fRetired, [Wait](const std::unique_ptr<TSyntFinishThread>& t) {
    return Wait || t->Done();  // the destructor joins
  });
}

void TClientSyntAnalyzer::SetIdleSlice(unsigned Ms, int MaxSteps) {
  fIdleSliceMs = Ms;
  fIdleSliceSteps = std::max(MaxSteps, 0);
}

// ---- Change notification --------------------------------------------------------------------

void TClientSyntAnalyzer::TextChanged(int Pos, int Count, int LineChange, int Line) {
  if (Pos < 0) {
    Clear();
    return;
  }
  ChangedAtPos(Pos);
  fChangeLog.Add(Pos, Count);
}

void TClientSyntAnalyzer::Clear() {
  StopSyntThread();
  {
    std::lock_guard lock(fLock);
    TParserResults::Clear();
    OpenedClear();
    // Nothing points at the ranges any more once the display data goes too; freeing hundreds of
    // thousands of them is left to a background pass.
    TRangeBatch all;
    fAllRanges.ExtractIf(
        0, [](TTextRange*) { return true; }, all.Items);
    fGarbage->Ranges.push_back(std::move(all));
    for (auto& b : fDeadRanges) fGarbage->Ranges.push_back(std::move(b));
    fDeadRanges.clear();
    fRangeLog.Clear();
    fOrderedPrefix = INT_MAX;
    fLineBreaks.clear();
    fLineBreakRuns.clear();
    fActiveRanges.clear();
    fGarbage->Display.emplace_back();
    fGarbage->Display.back().Swap(fDisplay);
    fChangeLog.Clear();
    if (!fPendingTokens.Empty()) fGarbage->Tokens.push_back(std::move(fPendingTokens));
    fPendingTokens.Clear();
    fPendingBase = 0;
    fWasFinished = false;
    fStopRequested = true;
    fTokensComplete = false;
    fBlockAnalPos = 0;
    fAnalyzedLength = 0;
    fTokenCache = -1;
    SetResumePos(0);
  }
  RestartTimer();
}

void TClientSyntAnalyzer::ChangedAtPos(int Pos) {
  StopSyntThread();
  {
    std::lock_guard lock(fLock);
    SetFinished(false);
    fStopRequested = true;
    fIdleTimer->SetEnabled(false);
    fTokenCache = -1;
    TSyntAnalyzer* lexer = Owner();
    TSyntMemoStrings* src = Source();
    const int length = src->TextLength();

    int c;
    if (!lexer || length <= lexer->FullRefreshSize()) {
      c = 0;
    } else {
      c = Pos - 1;
      if (lexer->RestartFromLineStart()) c = std::min(c, src->LineStart(src->LineOfPos(Pos)));
    }

    // Sub-lexer regions: those starting after c go (a suffix: starts never decrease), those whose
    // end condition reaches beyond c open again; either moves c back, so repeat until it holds.
    std::vector<char> reopened(fSubLexerRanges.size(), 0);
    for (bool moved = true; moved;) {
      moved = false;
      while (!fSubLexerRanges.empty() && fSubLexerRanges.back().StartPos > c) {
        c = std::min(c, fSubLexerRanges.back().CondStartPos);
        fSubLexerRanges.pop_back();
        moved = true;
      }
      for (int i = int(fSubLexerRanges.size()) - 1; i >= 0; --i) {
        TSubLexerRange& r = fSubLexerRanges[size_t(i)];
        if (r.IsOpen() || c >= r.CondEndPos) continue;
        if (r.EndPos < c) {
          c = r.EndPos;
          moved = true;
        }
        r.EndPos = r.CondEndPos = -1;
        reopened[size_t(i)] = 1;
      }
    }

    // Tokens from c on: kept for display as pending tokens unless earlier ones already are.
    int k = fTokens.NextAt(c);
    if (k < 0) k = TagCount();
    TTokenList cut;
    fTokens.CutAt(k, &cut);
    TokensCut();
    if (fPendingTokens.Empty()) {
      fPendingTokens = std::move(cut);
      fPendingBase = fChangeLog.Count();
    } else if (!cut.Empty()) {
      fGarbage->Tokens.push_back(std::move(cut));
    }
    SetResumePos(0);
    fTokensComplete = false;

    // Regions opened at or after the resume point were opened by steps that will run again (their
    // start conditions and the state changes they made are redone).
    const int resume = k > 0 ? fTokens[k - 1].EndPos : 0;
    while (!fSubLexerRanges.empty() && fSubLexerRanges.back().CondStartPos >= resume)
      fSubLexerRanges.pop_back();

    DiscardRuns(k, reopened);
  }
  RestartTimer();
}

// Undoes every block-rule run after run k and everything that happened after it: ranges made by
// those runs go, ranges they (or region ends after them, or the end of the text) closed open again,
// retags of earlier tokens are restored, separators and states are cut back.
void TClientSyntAnalyzer::DiscardRuns(int k, const std::vector<char>& RegionReopened) {
  const int regions = int(fSubLexerRanges.size());
  const int m = fRangeLog.FirstCreatedAfter(k);

  std::vector<int> later;
  fRangeLog.ClosedAfter(k, m, later);
  for (int i : later) {
    const TRangeLog::Entry& e = fRangeLog[i];
    if (e.CloseRun == TRangeLog::kOpen) continue;
    const bool undo =
        e.ClosedBy < 0 || e.ClosedBy >= regions ||
        (size_t(e.ClosedBy) < RegionReopened.size() && RegionReopened[size_t(e.ClosedBy)]);
    if (!undo) continue;
    TTextRange* r = e.Range;
    r->EndIdx = r->EndCondIndex = -1;
    r->StartIdx = e.OpenStartIdx;
    fRangeLog.Reopened(i);
  }

  if (m < fRangeLog.Count()) {
    // The discarded ranges all start at or after the first of them by position: only the ranges
    // from there on are looked at, and when all of those go (the usual case: no older range
    // starts after a newer one) the tail is taken without touching a range object. A keystroke
    // in a large text then costs a copy of pointers, not a walk over scattered ranges.
    const int removed = fRangeLog.Count() - m;
    const int from = fAllRanges.PriorAt(fRangeLog.MinStartFrom(m) - 1) + 1;
    TRangeBatch dead;
    dead.Items.reserve(size_t(removed));
    if (fAllRanges.Count() - from == removed)
      fAllRanges.ExtractIf(
          from, [](TTextRange*) { return true; }, dead.Items);
    else
      fAllRanges.ExtractIf(
          from, [m](TTextRange* r) { return r->Index >= m; }, dead.Items);
    // Positions below the ordered prefix keep their ranges; when no range made out of order
    // survives, the list is back in creation order.
    if (m <= fOrderedPrefix) fOrderedPrefix = INT_MAX;
    fDeadRanges.push_back(std::move(dead));
    fRangeLog.Truncate(m);
  }

  // The opened list after run k, rebuilt in the order analysis makes it: by start, then by age.
  OpenedClear();
  // They are the ranges made before m and closed after run k (the same set as above: reopening
  // keeps a range in it), now open; the log answers without touching the ranges.
  std::vector<int> open;
  for (int i : later)
    if (fRangeLog[i].CloseRun == TRangeLog::kOpen) open.push_back(i);
  std::stable_sort(open.begin(), open.end(),
                   [this](int a, int b) { return fRangeLog.StartOf(a) < fRangeLog.StartOf(b); });
  for (int i : open) OpenedAdd(fRangeLog[i].Range);

  // Retags by runs after k of tokens before k, newest first.
  auto firstAfter = [k](const std::vector<TRetag>& log) {
    return std::upper_bound(log.begin(), log.end(), k,
                            [](int run, const TRetag& t) { return run < t.Run; }) -
           log.begin();
  };
  const size_t a = size_t(firstAfter(fRetags)), b = size_t(firstAfter(fCatchUpRetags));
  std::vector<const TRetag*> undo;
  for (size_t i = a; i < fRetags.size(); ++i)
    if (fRetags[i].Index < k) undo.push_back(&fRetags[i]);
  for (size_t i = b; i < fCatchUpRetags.size(); ++i)
    if (fCatchUpRetags[i].Index < k) undo.push_back(&fCatchUpRetags[i]);
  std::sort(undo.begin(), undo.end(),
            [](const TRetag* x, const TRetag* y) { return x->Seq > y->Seq; });
  if (!undo.empty()) ++fTokenChanges;
  for (const TRetag* t : undo) {
    TSyntToken& tok = fTokens[t->Index];
    tok.RuleIndex = t->OldRuleIndex;
    tok.TokenType = t->OldTokenType;
  }
  fRetags.resize(a);
  fCatchUpRetags.resize(b);

  // Separators made by later runs.
  const size_t lb = size_t(std::upper_bound(fLineBreakRuns.begin(), fLineBreakRuns.end(), k) -
                           fLineBreakRuns.begin());
  fLineBreaks.resize(lb);
  fLineBreakRuns.resize(lb);

  // The state after run k.
  TruncateStateChanges(k);
  RestoreStateAt(2 * k);

  fBlockAnalPos = std::min(fBlockAnalPos, k);
  OpenedChanged();
}

// ---- Bookkeeping hooks of the block rules ---------------------------------------------------

void TClientSyntAnalyzer::RangeAdded(TTextRange* Range, int Position) {
  if (Position != fAllRanges.Count() - 1) fOrderedPrefix = std::min(fOrderedPrefix, Position);
  const int run = Range->CondIndex + 1;
  fRangeLog.Added(Range, run, Range->StartIdx);
  if (Range->IsClosed()) fRangeLog.Closed(Range->Index, run, TRangeLog::kByRule);
}

void TClientSyntAnalyzer::RangeClosed(TTextRange* Range, int Run, int ClosedBy) {
  if (Range->Index >= 0 && Range->Index < fRangeLog.Count() &&
      fRangeLog[Range->Index].Range == Range)
    fRangeLog.Closed(Range->Index, Run, ClosedBy);
}

void TClientSyntAnalyzer::AddLineBreak(const TLineBreak& LineBreak) {
  fLineBreaks.push_back(LineBreak);
  fLineBreakRuns.push_back(fBlockAnalPos);
}

// ---- Driving the analysis -------------------------------------------------------------------

void TClientSyntAnalyzer::RestartTimer() {
  // A client made on another thread than the event loop's is driven by its owner alone.
  if (IsFinished() || !fIdleTimer || !Owner() || !EventLoop().IsGuiThread()) return;
  fIdleTimer->SetEnabled(false);
  fIdleTimer->SetInterval(fWasFinished ? Owner()->IdleAppendDelay()
                                       : Owner()->IdleAppendDelayInit());
  fIdleTimer->SetEnabled(true);
}

bool TClientSyntAnalyzer::RunIdleStep(std::u16string_view Text, int& P) {
  if (!fTokensComplete) {
    P = std::max(P, NextAnalPos());
    if (!AnalyzeNextToken(Text, P)) return true;
    fTokensComplete = true;
    if (!SeparateBlocks()) Finish();
    return true;
  }
  if (fBlockAnalPos < TagCount()) {
    CatchUpBlockRules(fBlockAnalPos + 1);
    return true;
  }
  Finish();
  return true;
}

void TClientSyntAnalyzer::IdleAppend() {
  if (fInIdleAppend) return;
  fIdleTimer->SetEnabled(false);
  if (!Owner()) return;
  fStopRequested = false;
  fInIdleAppend = true;
  const auto start = std::chrono::steady_clock::now();
  const auto budget = std::chrono::milliseconds(fIdleSliceMs);
  std::u16string_view text = Source()->TextView();
  int p = 0, steps = 0;
  bool more = false;
  try {
    while (!fStopRequested && !IsFinished()) {
      if (fIdleSliceSteps > 0 && steps >= fIdleSliceSteps) {
        more = true;
        break;
      }
      // The clock is read every few steps: a step is far shorter than a clock read is cheap.
      if (fIdleSliceMs > 0 && (steps & 15) == 15 &&
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
  fInIdleAppend = false;
  if (more) {
    // Input and painting run before the next slice.
    fIdleTimer->SetInterval(0);
    fIdleTimer->SetEnabled(true);
  }
}

void TClientSyntAnalyzer::AppendToPos(int Pos) {
  std::u16string_view text = Source()->TextView();
  if (text.empty() || IsFinished() || !Owner() || fTokensComplete) return;
  int p = NextAnalPos();
  // A whole text gets room for its tokens at once.
  if (TagCount() == 0 && text.size() > 65536) fTokens.Reserve(int(text.size() / 4));
  if (!TokenizeUpTo(text, p, Pos)) return;  // the tokens cover Pos
  fTokensComplete = true;
  if (!SeparateBlocks())
    Finish();
  else if (!fInIdleAppend)
    RestartTimer();  // the idle loop runs the catch-up pass
}

void TClientSyntAnalyzer::TryAppend(int Pos) {
  if (!fPendingTokens.Empty()) {
    const int b = fChangeLog.OldToCur(fPendingTokens[0].StartPos, fPendingBase);
    const int c = std::max(fChangeLog.MaxChangedPos(), b);
    if (c != 0 && c < Pos) Pos = c;
  }
  AppendToPos(Pos);
}

int TClientSyntAnalyzer::TokenIndexAt(int Pos) {
  AppendToPos(Pos);
  return fTokens.RangeAt(Pos);
}

void TClientSyntAnalyzer::Analyze(bool ResetContent) {
  if (IsFinished()) return;
  if (ResetContent) {
    const bool old = fForceSyncBlocks;
    fForceSyncBlocks = true;
    try {
      Clear();
      AppendToPos(Source()->TextLength());
    } catch (...) {
      fForceSyncBlocks = old;
      throw;
    }
    fForceSyncBlocks = old;
  } else {
    AppendToPos(Source()->TextLength());
  }
}

void TClientSyntAnalyzer::CompleteAnalysis() {
  if (IsFinished() || !Owner()) return;
  AppendToPos(Source()->TextLength());
  if (IsFinished()) return;
  if (SeparateBlocks()) CatchUpBlockRules(-1);
  fStopRequested = true;
  Finish();
}

void TClientSyntAnalyzer::Finish() {
  if (IsFinished()) return;
  SetFinished(true);
  fTokensComplete = true;
  const int length = Source()->TextLength();
  fAnalyzedLength = length;
  for (TSubLexerRange& r : fSubLexerRanges)
    if (r.IsOpen() && r.Rule && r.Rule->ToTextEnd()) r.EndPos = r.CondEndPos = length;
  fClosingRegion = -1;
  CloseRangesAtEnd(0);
  fWasFinished = true;
  if (fBackgroundFinish) {
    StopSyntThread();
    auto garbage = std::move(fGarbage);
    fGarbage = std::make_unique<TGarbage>();
    fThread = std::make_unique<TSyntFinishThread>(this, std::move(garbage));
  } else {
    // No display data refers to older text: the change log and what it served can go.
    fChangeLog.Clear();
    fPendingTokens.Clear();
    fPendingBase = 0;
    fDeadRanges.clear();
    fGarbage = std::make_unique<TGarbage>();
  }
}

void TClientSyntAnalyzer::ThreadFinished(TSyntFinishThread* Pass) {
  if (fThread.get() != Pass) return;
  {
    std::lock_guard lock(fLock);
    fDisplay.Swap(Pass->Result());
    // The old collections (thousands of layers in a large text) are freed by the next pass.
    fGarbage->Display.emplace_back();
    fGarbage->Display.back().Swap(Pass->Result());
    fChangeLog.Clear();
    if (!fPendingTokens.Empty()) fGarbage->Tokens.push_back(std::move(fPendingTokens));
    fPendingTokens.Clear();
    fPendingBase = 0;
    for (auto& b : fDeadRanges) fGarbage->Ranges.push_back(std::move(b));
    fDeadRanges.clear();
  }
  // Its last act was to post this.
  std::unique_ptr<TSyntFinishThread> done = std::move(fThread);
  done->Join();
  done.reset();
  fTokenCache = -1;
  UpdateActiveRanges(fCaretPos);
  if (IqxSyntClient* doc = Document()) doc->Finished();
}

// ---- Invariants -------------------------------------------------------------------------------

void TClientSyntAnalyzer::Check() const {
  auto fail = [](const std::string& what) {
    throw std::logic_error("TClientSyntAnalyzer: " + what);
  };
  fTokens.Check();
  fPendingTokens.Check();
  fAllRanges.Check();
  if (fRangeLog.Count() != fAllRanges.Count()) fail("range log and AllRanges differ in size");
  for (int i = 0; i < fRangeLog.Count(); ++i) {
    const TTextRange* r = fRangeLog[i].Range;
    if (r->Index != i) fail("range index " + std::to_string(i));
    if (r->StartPos != fRangeLog.StartOf(i)) fail("start of range " + std::to_string(i) + " moved");
    if (r->IsClosed() != (fRangeLog[i].CloseRun != TRangeLog::kOpen))
      fail("close state of range " + std::to_string(i));
    if (i < fOrderedPrefix && i < fAllRanges.Count() && fAllRanges[i] != r)
      fail("AllRanges out of creation order at " + std::to_string(i));
  }
  int open = 0;
  for (int i = 0; i < fAllRanges.Count(); ++i) open += fAllRanges[i]->IsClosed() ? 0 : 1;
  if (open != fOpenedRanges.Count())
    fail("opened list holds " + std::to_string(fOpenedRanges.Count()) + " ranges, " +
         std::to_string(open) + " are open");
  for (int i = 0; i < fOpenedRanges.Count(); ++i) {
    const TTextRange* r = fOpenedRanges[i];
    if (r->IsClosed()) fail("a closed range in the opened list");
    if (i > 0) {
      const TTextRange* p = fOpenedRanges[i - 1];
      if (p->StartPos > r->StartPos || (p->StartPos == r->StartPos && p->Index > r->Index))
        fail("opened list out of order");
    }
  }
  if (fLineBreaks.size() != fLineBreakRuns.size()) fail("separator runs");
  if (!std::is_sorted(fLineBreakRuns.begin(), fLineBreakRuns.end())) fail("separator runs order");
  for (size_t i = 0; i < fSubLexerRanges.size(); ++i) {
    const TSubLexerRange& r = fSubLexerRanges[i];
    if (i > 0 && fSubLexerRanges[i - 1].StartPos > r.StartPos) fail("regions out of order");
    if (r.ParentIndex >= int(i)) fail("region parent");
  }
  if (fBlockAnalPos > TagCount()) fail("block analysis beyond the tokens");
}

}  // namespace synt
