// Keystroke latency of the editor on the headless host, on the Pascal corpora (1, 10, 100 MB): a
// typed character at the start and in the middle of the text, from the key to the repainted region
// (key mapping, command, edit, the analysis told, the repaint that re-tokenizes the visible lines).
// Typing alternates with Backspace so the text keeps its size; both are keystrokes.
//   BM_Keystroke/<MB>/<where>      where: 0 start, 1 middle; time per keystroke (manual time)
//   BM_Enter/<MB>                  Enter in the middle just after a keystroke (auto-close)
//   BM_StorageInsert/<MB>/<where>  the line storage's own insert and delete at the same place
//   BM_KeyRepeat/100               300 keystrokes at 30 per second (the clock moves 33 ms between
//                                  them and the idle analysis runs): counters max_key_ms and
//                                  max_step_ms (the longest GUI-thread step of the idle work)
//   BM_BigClipboard/100            select all + copy, paste 10 MB, undo that paste
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "analysis/client_analyzer.h"
#include "bench_common.h"
#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "platform/headless_host.h"
#include "platform/shortcut.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

fs::path Corpus(int Mb) {
  return synt::bench::CorpusDir() / ("pascal-" + std::to_string(Mb) + "mb.pas");
}

// One editor window with a fully analysed corpus, kept between benchmarks of the same size.
struct Window {
  synt::THeadlessDesktop desktop;
  synt::TSyntaxMemo memo{nullptr};
  std::unique_ptr<synt::THeadlessHost> host;

  explicit Window(int Mb) {
    memo.SetSyntaxAnalyzer(synt::bench::PascalLibrary().FindLexer(u"Pascal"));
    memo.Lines()->LoadFromFile(Corpus(Mb).string());
    host = std::make_unique<synt::THeadlessHost>(desktop, memo, synt::TSize{1000, 700});
    host->SetFocus();
    Settle();
  }

  // Runs the idle analysis and the background pass to their end.
  void Settle() {
    synt::TClientSyntAnalyzer* client = memo.SyntClient();
    synt::THeadlessEventLoop& loop = desktop.Loop();
    for (int turn = 0; turn < 10000000; ++turn) {
      if (client->IsFinished() && !client->IsSyntThreadRunning() && !loop.HasPosted()) break;
      if (loop.ProcessEvents() > 0) continue;
      if (client->IsSyntThreadRunning()) {
        loop.WaitForPosted(50);
        continue;
      }
      const int64_t delay = loop.NextTimerDelay();
      if (delay < 0) break;
      desktop.Clock().Advance(uint64_t(delay > 0 ? delay : 1));
    }
    host->Update();
  }

  // Caret at the start of the line that holds the middle of the text (or at the start), shown.
  void PlaceCaret(bool Middle) {
    const int line = Middle ? memo.Lines()->Count() / 2 : 0;
    memo.SetCaretPos({0, line});
    memo.ScrollToCaret(1, 3);
    host->Update();
  }

  // One keystroke: the key reaches the control as the window delivers it, then the region it
  // invalidated is painted.
  void Type(char16_t C) {
    const auto t0 = Clock::now();
    memo.KeyPress(C);
    const auto t1 = Clock::now();
    host->Update();
    Split(t0, t1);
  }
  void Backspace() {
    const auto t0 = Clock::now();
    memo.KeyDown(synt::TShortCut(synt::vkBack));
    const auto t1 = Clock::now();
    host->Update();
    Split(t0, t1);
  }
  // Where a keystroke's time goes: the command with its edit, then the repaint.
  void Split(Clock::time_point T0, Clock::time_point T1) {
    keyMs += Ms(T0, T1);
    paintMs += Ms(T1, Clock::now());
    ++strokes;
  }
  double keyMs = 0, paintMs = 0;
  int strokes = 0;
};

Window& Get(int Mb) {
  static std::map<int, std::unique_ptr<Window>> windows;
  auto& w = windows[Mb];
  if (!w) w = std::make_unique<Window>(Mb);
  return *w;
}

bool HaveCorpus(benchmark::State& State, int Mb) {
  if (fs::exists(Corpus(Mb))) return true;
  State.SkipWithError(("no corpus " + Corpus(Mb).string() + " (run bench/corpus.sh)").c_str());
  return false;
}

void BM_Keystroke(benchmark::State& State) {
  const int mb = int(State.range(0));
  if (!HaveCorpus(State, mb)) return;
  Window& w = Get(mb);
  w.PlaceCaret(State.range(1) != 0);
  double worst = 0;
  bool type = true;
  for (auto _ : State) {
    const auto t0 = Clock::now();
    if (type)
      w.Type(u'x');
    else
      w.Backspace();
    const double ms = Ms(t0, Clock::now());
    worst = std::max(worst, ms);
    State.SetIterationTime(ms / 1000.0);
    type = !type;
  }
  if (!type) w.Backspace();
  State.counters["max_ms"] = worst;
  State.counters["command_ms"] = w.keyMs / std::max(1, w.strokes);
  State.counters["repaint_ms"] = w.paintMs / std::max(1, w.strokes);
  w.keyMs = w.paintMs = 0;
  w.strokes = 0;
}
BENCHMARK(BM_Keystroke)
    ->ArgsProduct({{1, 10, 100}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Enter in the middle of a line while the analysis has not caught up with a keystroke made just
// before (the auto-close of open blocks asks for the ranges at the caret), then Backspace.
void BM_Enter(benchmark::State& State) {
  const int mb = int(State.range(0));
  if (!HaveCorpus(State, mb)) return;
  Window& w = Get(mb);
  w.PlaceCaret(true);
  w.memo.ExecuteCommand(synt::cmLineEnd, nullptr);
  double worst = 0;
  for (auto _ : State) {
    w.Type(u'x');
    w.Backspace();
    const auto t0 = Clock::now();
    w.memo.KeyDown(synt::TShortCut(synt::vkReturn));
    w.host->Update();
    const double ms = Ms(t0, Clock::now());
    worst = std::max(worst, ms);
    State.SetIterationTime(ms / 1000.0);
    w.memo.ExecuteCommand(synt::cmUndo, nullptr);
    w.host->Update();
  }
  State.counters["max_ms"] = worst;
}
BENCHMARK(BM_Enter)->Arg(10)->Arg(100)->Iterations(20)->UseManualTime()->Unit(
    benchmark::kMillisecond);

void BM_StorageInsert(benchmark::State& State) {
  const int mb = int(State.range(0));
  if (!HaveCorpus(State, mb)) return;
  synt::TSyntMemoStrings lines;
  lines.LoadFromFile(Corpus(mb).string());
  const int pos = State.range(1) ? lines.CaretPosToStrPos({0, lines.Count() / 2}) : 0;
  for (auto _ : State) {
    lines.InsertText(pos, u"x");
    lines.DeleteText(pos, 1);
  }
}
BENCHMARK(BM_StorageInsert)->ArgsProduct({{1, 10, 100}, {0, 1}})->Unit(benchmark::kMicrosecond);

// Holding a key at 30 repeats per second for 10 s: every keystroke and every step of the idle
// work between them stays within a frame.
void BM_KeyRepeat(benchmark::State& State) {
  const int mb = int(State.range(0));
  if (!HaveCorpus(State, mb)) return;
  Window& w = Get(mb);
  w.PlaceCaret(true);
  double maxKey = 0, maxStep = 0;
  for (auto _ : State) {
    for (int i = 0; i < 300; ++i) {
      const auto t0 = Clock::now();
      w.Type(u'x');
      maxKey = std::max(maxKey, Ms(t0, Clock::now()));
      // 33 ms of idle time, a millisecond at a time, each step timed.
      for (int t = 0; t < 33; ++t) {
        const auto s0 = Clock::now();
        w.desktop.Advance(1);
        maxStep = std::max(maxStep, Ms(s0, Clock::now()));
      }
    }
    State.PauseTiming();
    for (int i = 0; i < 300; ++i) w.Backspace();
    w.Settle();
    State.ResumeTiming();
  }
  State.counters["max_key_ms"] = maxKey;
  State.counters["max_step_ms"] = maxStep;
}
BENCHMARK(BM_KeyRepeat)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_BigClipboard(benchmark::State& State) {
  const int mb = int(State.range(0));
  if (!HaveCorpus(State, mb) || !HaveCorpus(State, 10)) return;
  Window& w = Get(mb);
  synt::TSyntMemoStrings ten;
  ten.LoadFromFile(Corpus(10).string());
  const std::u16string paste = ten.Text();
  double copyMs = 0, pasteMs = 0, undoMs = 0;
  for (auto _ : State) {
    auto t0 = Clock::now();
    w.memo.ExecuteCommand(synt::cmSelectAll, nullptr);
    w.memo.ExecuteCommand(synt::cmCopy, nullptr);
    w.host->Update();
    copyMs = Ms(t0, Clock::now());
    w.memo.SetCaretPos({0, w.memo.Lines()->Count() / 2});
    w.desktop.Clipboard().SetText(paste);
    t0 = Clock::now();
    w.memo.ExecuteCommand(synt::cmPaste, nullptr);
    w.host->Update();
    pasteMs = Ms(t0, Clock::now());
    t0 = Clock::now();
    w.memo.ExecuteCommand(synt::cmUndo, nullptr);
    w.host->Update();
    undoMs = Ms(t0, Clock::now());
  }
  State.counters["select_copy_ms"] = copyMs;
  State.counters["paste_10mb_ms"] = pasteMs;
  State.counters["undo_paste_ms"] = undoMs;
}
BENCHMARK(BM_BigClipboard)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
