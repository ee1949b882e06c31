// Test support for incremental analysis: a document driven on a headless event loop with a manual
// clock, and a dump of everything an analysis holds, for comparing two analyses.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/client_analyzer.h"
#include "platform/event_loop.h"
#include "platform/tick.h"
#include "text/memo_strings.h"

namespace synt::test {

// Installs a headless loop and a manual clock for the lifetime of the object.
struct LoopHarness {
  TManualClock clock{1000};
  TScopedTickClock useClock{clock};
  THeadlessEventLoop loop;
  LoopHarness() { SetEventLoop(&loop); }
  ~LoopHarness() { SetEventLoop(nullptr); }
  LoopHarness(const LoopHarness&) = delete;
  LoopHarness& operator=(const LoopHarness&) = delete;
};

// A text with its analysis, the document relaying changes as a text source does.
class EditDoc : public IqxSyntClient {
 public:
  EditDoc(TSyntAnalyzer* Lexer, std::u16string_view Text) {
    lines.SetTextStr(Text);
    client = std::make_unique<TClientSyntAnalyzer>(Lexer, this, [this] { return &lines; });
    lines.OnChange = [this](TObject*, int Pos, int Count, int LineChange) {
      client->TextChanged(Pos, Count, LineChange, Pos < 0 ? 0 : lines.LineOfPos(Pos));
    };
  }
  void FormatChanged() override { ++formatChanged; }
  void Finished() override { ++finished; }
  TClientSyntAnalyzer* operator->() { return client.get(); }

  // Turns the loop (advancing the clock to the next timer) until the analysis is finished and its
  // background pass taken over. False if that did not happen.
  bool Settle(LoopHarness& H, int MaxTurns = 2000000) {
    for (int turn = 0; turn < MaxTurns; ++turn) {
      if (client->IsFinished() && !client->IsSyntThreadRunning() && !H.loop.HasPosted())
        return true;
      if (H.loop.ProcessEvents() > 0) continue;
      if (client->IsSyntThreadRunning()) {
        H.loop.WaitForPosted(50);
        continue;
      }
      const int64_t delay = H.loop.NextTimerDelay();
      if (delay < 0) return false;  // nothing will ever happen
      H.clock.Advance(uint64_t(delay > 0 ? delay : 1));
    }
    return false;
  }

  TSyntMemoStrings lines;
  std::unique_ptr<TClientSyntAnalyzer> client;
  int finished = 0, formatChanged = 0;
};

// One line per token, range, separator, region, state and display range: equal dumps mean equal
// analyses (rules are compared by name, ranges by index).
std::vector<std::string> DumpAnalysis(const TClientSyntAnalyzer& C, bool WithDisplay = true);

// The first difference of two dumps, or "" when they are equal.
std::string FirstDifference(const std::vector<std::string>& Want,
                            const std::vector<std::string>& Got);

}  // namespace synt::test
