// Incremental analysis of the Pascal corpus (1, 10 and 100 MB), fully analysed first:
//   - a keystroke: one character typed in the middle (or at the start) and the tokens of the 60
//     lines around it asked for (TryAppend), the time until they are current; the storage edit is
//     timed apart (counter storage_ms), since the text is one contiguous UTF-16 string;
//   - further keystrokes at the same spot before the idle loop has caught up;
//   - the idle loop re-analysing the rest of the text after the keystroke: its longest slice on
//     the GUI thread against its budget;
//   - the background pass over the whole text: its time and the GUI-thread time of taking over
//     its results;
//   - the baseline: a full analysis of the same text.
// The machine may be shared: iteration times are CPU times (of the GUI thread, or of the process
// while the GUI thread waits for the background pass); wall-clock figures are counters (*_wall_ms).
//   build/bench/bench_incremental [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/lexer_library.h"
#include "bench_common.h"
#include "platform/event_loop.h"
#include "text/memo_strings.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using synt::analysis_internal::ClientAccess;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// CPU time in milliseconds of the calling thread, or of the whole process.
double CpuMs(clockid_t Which) {
  timespec t{};
  clock_gettime(Which, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}
double ThreadMs() {
  return CpuMs(CLOCK_THREAD_CPUTIME_ID);
}
double ProcessMs() {
  return CpuMs(CLOCK_PROCESS_CPUTIME_ID);
}

synt::THeadlessEventLoop& Loop() {
  static synt::THeadlessEventLoop* loop = [] {
    auto* l = new synt::THeadlessEventLoop;
    synt::SetEventLoop(l);
    return l;
  }();
  return *loop;
}

// What driving an analysis to its end measured.
struct SettleStats {
  double maxSliceMs = 0;  // GUI-thread CPU time of the longest slice
  double maxSliceWallMs = 0;
  int slices = 0;
  double passMs = 0;  // process CPU time from the end of the last slice to the take-over
  double passWallMs = 0;
  double takeOverMs = 0;  // the take-over itself, GUI-thread CPU time
  double takeOverWallMs = 0;
};

// A fully analysed document, kept between benchmarks of the same file.
struct Doc {
  synt::TSyntMemoStrings lines;
  std::unique_ptr<synt::TClientSyntAnalyzer> client;

  explicit Doc(const fs::path& File) {
    Loop();
    lines.LoadFromFile(File.string());
    client = std::make_unique<synt::TClientSyntAnalyzer>(
        synt::bench::PascalLibrary().FindLexer(u"Pascal"), nullptr, [this] { return &lines; });
    client->CompleteAnalysis();
    Settle();
  }

  // The idle loop as the event loop would run it (slices back to back), then the background pass.
  SettleStats Settle() {
    SettleStats s;
    while (!client->IsFinished()) {
      auto t0 = Clock::now();
      const double c0 = ThreadMs();
      client->IdleAppend();
      s.maxSliceMs = std::max(s.maxSliceMs, ThreadMs() - c0);
      s.maxSliceWallMs = std::max(s.maxSliceWallMs, Ms(Clock::now() - t0));
      ++s.slices;
    }
    auto t1 = Clock::now();
    const double p1 = ProcessMs();
    while (client->IsSyntThreadRunning()) {
      if (!Loop().HasPosted()) Loop().WaitForPosted(1000);
      auto t2 = Clock::now();
      const double p2 = ProcessMs();
      if (Loop().HasPosted()) {
        s.passWallMs = Ms(t2 - t1);
        s.passMs = p2 - p1;
        const double c2 = ThreadMs();
        Loop().RunPosted();
        s.takeOverMs = ThreadMs() - c2;
        s.takeOverWallMs = Ms(Clock::now() - t2);
      }
    }
    return s;
  }

  // A change the storage makes, told to the analysis separately so that the two can be timed.
  double Insert(int Pos, std::u16string_view S) {
    auto t0 = Clock::now();
    lines.InsertText(Pos, S);
    double storage = Ms(Clock::now() - t0);
    client->TextChanged(Pos, int(S.size()), 0, lines.LineOfPos(Pos));
    return storage;
  }
  double Delete(int Pos, int Count) {
    auto t0 = Clock::now();
    lines.DeleteText(Pos, Count);
    double storage = Ms(Clock::now() - t0);
    client->TextChanged(Pos, -Count, 0, lines.LineOfPos(Pos));
    return storage;
  }
  // The end of the 30th line below Pos: what a window of 60 lines around it shows.
  int WindowEnd(int Pos) const {
    const int line = std::min(lines.LineOfPos(Pos) + 30, lines.GetCount() - 1);
    return lines.LineStart(line) + lines.LineLength(line);
  }
};

Doc* Document(const char* Name) {
  static std::map<std::string, std::unique_ptr<Doc>> docs;
  auto& d = docs[Name];
  if (!d) {
    fs::path p = synt::bench::CorpusDir() / Name;
    if (!fs::exists(p)) return nullptr;
    d = std::make_unique<Doc>(p);
  }
  return d.get();
}

// The spot of a keystroke: the start of a line in the middle of the text (typing at a line start
// changes the first token of the line), or the very start of the text.
int Spot(const Doc& D, bool AtStart) {
  if (AtStart) return 0;
  return D.lines.LineStart(D.lines.GetCount() / 2) + 2;
}

// TextChanged (discarding) and TryAppend timed together: the analysis side of a keystroke.
void KeystrokeAnalysis(benchmark::State& state, const char* file, bool atStart) {
  Doc* d = Document(file);
  if (!d) {
    state.SkipWithError("no corpus (run bench/corpus.sh)");
    return;
  }
  const int pos = Spot(*d, atStart);
  double storage = 0, wall = 0;
  for (auto _ : state) {
    auto s0 = Clock::now();
    d->lines.InsertText(pos, u"x");
    storage += Ms(Clock::now() - s0);
    auto t0 = Clock::now();
    const double c0 = ThreadMs();
    d->client->TextChanged(pos, 1, 0, d->lines.LineOfPos(pos));
    d->client->TryAppend(d->WindowEnd(pos));
    state.SetIterationTime((ThreadMs() - c0) / 1e3);
    wall += Ms(Clock::now() - t0);
    state.PauseTiming();
    d->Delete(pos, 1);
    d->Settle();
    state.ResumeTiming();
  }
  state.counters["storage_ms"] = storage / double(state.iterations());
  state.counters["wall_ms"] = wall / double(state.iterations());
}

// Keystrokes 2 to 11 of a burst: the idle loop has not caught up since the first.
void TypingBurst(benchmark::State& state, const char* file) {
  Doc* d = Document(file);
  if (!d) {
    state.SkipWithError("no corpus (run bench/corpus.sh)");
    return;
  }
  const int pos = Spot(*d, false);
  double storage = 0;
  int64_t keys = 0;
  for (auto _ : state) {
    state.PauseTiming();
    d->Insert(pos, u"x");
    d->client->TryAppend(d->WindowEnd(pos));
    state.ResumeTiming();
    double total = 0;
    for (int i = 1; i <= 10; ++i) {
      auto s0 = Clock::now();
      d->lines.InsertText(pos + i, u"y");
      storage += Ms(Clock::now() - s0);
      const double c0 = ThreadMs();
      d->client->TextChanged(pos + i, 1, 0, d->lines.LineOfPos(pos));
      d->client->TryAppend(d->WindowEnd(pos));
      total += (ThreadMs() - c0) / 1e3;
      ++keys;
    }
    state.SetIterationTime(total / 10);
    state.PauseTiming();
    d->Delete(pos, 11);
    d->Settle();
    state.ResumeTiming();
  }
  state.counters["storage_ms"] = storage / double(keys);
}

// After a keystroke in the middle, the idle loop re-analyses the rest of the text in slices.
void IdleSlices(benchmark::State& state, const char* file, bool atStart) {
  Doc* d = Document(file);
  if (!d) {
    state.SkipWithError("no corpus (run bench/corpus.sh)");
    return;
  }
  const int pos = Spot(*d, atStart);
  SettleStats worst;
  for (auto _ : state) {
    state.PauseTiming();
    d->Insert(pos, u"x");
    state.ResumeTiming();
    auto t0 = Clock::now();
    SettleStats s = d->Settle();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
    worst.maxSliceMs = std::max(worst.maxSliceMs, s.maxSliceMs);
    worst.maxSliceWallMs = std::max(worst.maxSliceWallMs, s.maxSliceWallMs);
    worst.slices = s.slices;
    worst.passMs = std::max(worst.passMs, s.passMs);
    worst.takeOverMs = std::max(worst.takeOverMs, s.takeOverMs);
    worst.takeOverWallMs = std::max(worst.takeOverWallMs, s.takeOverWallMs);
    state.PauseTiming();
    d->Delete(pos, 1);
    d->Settle();
    state.ResumeTiming();
  }
  state.counters["max_slice_ms"] = worst.maxSliceMs;
  state.counters["max_slice_wall_ms"] = worst.maxSliceWallMs;
  state.counters["slice_budget_ms"] = 8;
  state.counters["slices"] = worst.slices;
  state.counters["pass_ms"] = worst.passMs;
  state.counters["take_over_ms"] = worst.takeOverMs;
  state.counters["take_over_wall_ms"] = worst.takeOverWallMs;
}

// The background pass alone: a character appended at the end re-analyses one token, then the
// pass rebuilds the display ranges of the whole text.
void BackgroundPass(benchmark::State& state, const char* file) {
  Doc* d = Document(file);
  if (!d) {
    state.SkipWithError("no corpus (run bench/corpus.sh)");
    return;
  }
  double takeOver = 0, takeOverWall = 0, wall = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const int end = d->lines.TextLength();
    d->Insert(end, u" ");
    while (!d->client->IsFinished()) d->client->IdleAppend();
    state.ResumeTiming();
    // The pass started when the analysis finished; it ends when it posts its take-over. The GUI
    // thread sleeps meanwhile, so the process's CPU time is the pass's.
    auto t0 = Clock::now();
    const double p0 = ProcessMs();
    while (!Loop().HasPosted()) Loop().WaitForPosted(1000);
    state.SetIterationTime((ProcessMs() - p0) / 1e3);
    wall += Ms(Clock::now() - t0);
    auto t1 = Clock::now();
    const double c1 = ThreadMs();
    Loop().RunPosted();
    takeOver = std::max(takeOver, ThreadMs() - c1);
    takeOverWall = std::max(takeOverWall, Ms(Clock::now() - t1));
    state.PauseTiming();
    d->Delete(end, 1);
    d->Settle();
    state.ResumeTiming();
  }
  auto& disp = const_cast<synt::TDisplayRanges&>(ClientAccess::DisplayRanges(*d->client));
  int64_t n = 0, all = 0;
  auto count = [&](const auto& c) {
    int64_t k = 0;
    for (int l = 0; l < c.Count(); ++l) k += c.Layers(l).Count();
    return k;
  };
  n = count(disp.Styled) + count(disp.Collapsible) + count(disp.Staples);
  all = n + count(disp.Dyno) + count(disp.LineBreaks);
  // The share of the pass that indexes the collections: the same indexes built again.
  const double i0 = ThreadMs();
  disp.Styled.BuildIndex();
  disp.Dyno.BuildIndex();
  disp.Collapsible.BuildIndex();
  disp.Staples.BuildIndex();
  disp.LineBreaks.BuildIndex();
  state.counters["index_build_ms"] = ThreadMs() - i0;
  state.counters["index_mb"] = double(disp.IndexBytes()) / 1e6;
  // Per range of the collections indexed (those of a few layers are walked instead).
  int64_t indexed = 0;
  if (disp.Styled.Indexed()) indexed += count(disp.Styled);
  if (disp.Dyno.Indexed()) indexed += count(disp.Dyno);
  if (disp.Collapsible.Indexed()) indexed += count(disp.Collapsible);
  if (disp.Staples.Indexed()) indexed += count(disp.Staples);
  if (disp.LineBreaks.Indexed()) indexed += count(disp.LineBreaks);
  state.counters["index_bytes_per_range"] =
      double(disp.IndexBytes()) / double(std::max<int64_t>(indexed, 1));
  state.counters["indexed_ranges"] = double(indexed);
  state.counters["all_ranges"] = double(all);
  state.counters["take_over_ms"] = takeOver;
  state.counters["take_over_wall_ms"] = takeOverWall;
  state.counters["wall_ms"] = wall / double(state.iterations());
  state.counters["display_ranges"] = double(n);
  state.counters["text_ranges"] = d->client->RangeCount();
}

// What painting 60 lines in the middle asks of a settled analysis: token styles and styled
// ranges position by position, and each line's highlight, collapse state and staples. Indexed
// collections, as a pass leaves them, or (the baseline) with the indexes dropped, walking every
// layer.
void PaintQueries(benchmark::State& state, const char* file, bool indexed) {
  Doc* d = Document(file);
  if (!d) {
    state.SkipWithError("no corpus (run bench/corpus.sh)");
    return;
  }
  auto& disp = const_cast<synt::TDisplayRanges&>(ClientAccess::DisplayRanges(*d->client));
  if (indexed) {
    disp.BuildIndexes({});
  } else {
    disp.Styled.DropIndex();
    disp.Dyno.DropIndex();
    disp.Collapsible.DropIndex();
    disp.Staples.DropIndex();
    disp.LineBreaks.DropIndex();
  }
  const int first = d->lines.GetCount() / 2 - 30;
  const int from = d->lines.LineStart(first), to = d->WindowEnd(from);
  auto& c = *d->client;
  int64_t n = 0, stapleCount = 0, stops = 0;
  double posMs = 0, lineMs = 0, staplesMs = 0;
  // Three loops, each timed as a whole (a CPU-time clock read costs about a microsecond).
  for (auto _ : state) {
    const double c0 = ThreadMs();
    synt::TStyleEntries entries;
    for (int p = from; p < to; ++stops) {
      int next = c.GetTokenStyleAt(p, entries);
      const int styled = c.GetStyledRangesAt(p, entries, true);
      if (styled > p && (next <= p || styled < next)) next = styled;
      p = next > p ? next : p + 1;
      entries.clear();
    }
    const double c1 = ThreadMs();
    for (int line = first; line < first + 60; ++line) {
      bool invert = false;
      synt::TColor font = synt::clNone, bg = synt::clNone;
      c.GetLineHighlight(line, true, invert, font, bg);
      n += c.GetLineCollapseState(line);
      n += c.GetLineSeparator(line) != nullptr;
    }
    const double c2 = ThreadMs();
    std::vector<synt::TBlockStaple*> staples;
    for (int line = first; line < first + 60; ++line) {
      staples.clear();
      c.GetStaplesAtLine(line, staples);
      stapleCount += int64_t(staples.size());
    }
    const double c3 = ThreadMs();
    posMs += c1 - c0;
    lineMs += c2 - c1;
    staplesMs += c3 - c2;
    state.SetIterationTime((c3 - c0) / 1e3);
  }
  const double it = double(state.iterations());
  // Per call: a stop of the position walk (token style and styled ranges), a line (highlight,
  // collapse state, separator), a line's staples. Staples are listed, not summarised: their
  // share grows with the staples a line lies in.
  state.counters["pos_us"] = posMs * 1e3 / double(std::max<int64_t>(stops, 1));
  state.counters["line_us"] = lineMs * 1e3 / (it * 60);
  state.counters["staples_us"] = staplesMs * 1e3 / (it * 60);
  state.counters["staples_ms"] = staplesMs / it;
  state.counters["staples_per_line"] = double(stapleCount) / (it * 60);
  benchmark::DoNotOptimize(n);
  state.counters["collapsible_layers"] = ClientAccess::DisplayRanges(c).Collapsible.Count();
  state.counters["staple_layers"] = ClientAccess::DisplayRanges(c).Staples.Count();
  if (!indexed) disp.BuildIndexes({});
}

// The baseline: everything from scratch.
void FullAnalysis(benchmark::State& state, const char* file) {
  fs::path p = synt::bench::CorpusDir() / file;
  if (!fs::exists(p)) {
    state.SkipWithError("no corpus (run bench/corpus.sh)");
    return;
  }
  synt::TSyntMemoStrings lines;
  lines.LoadFromFile(p.string());
  for (auto _ : state) {
    synt::TClientSyntAnalyzer client(synt::bench::PascalLibrary().FindLexer(u"Pascal"), nullptr,
                                     [&] { return &lines; });
    ClientAccess::SetBackgroundFinish(client, false);
    const double c0 = ThreadMs();
    client.CompleteAnalysis();
    state.SetIterationTime((ThreadMs() - c0) / 1e3);
    state.PauseTiming();  // freeing is not part of it
    client.Clear();
    state.ResumeTiming();
  }
}

// Every iteration ends by letting the analysis settle (re-analysing the text after the spot), so
// the iteration counts are fixed rather than left to the library.
#define SIZES(F, ...)                                         \
  BENCHMARK_CAPTURE(F, 1MB, "pascal-1mb.pas" __VA_ARGS__)     \
      ->UseManualTime()                                       \
      ->Unit(benchmark::kMillisecond)                         \
      ->Iterations(50);                                       \
  BENCHMARK_CAPTURE(F, 10MB, "pascal-10mb.pas" __VA_ARGS__)   \
      ->UseManualTime()                                       \
      ->Unit(benchmark::kMillisecond)                         \
      ->Iterations(10);                                       \
  BENCHMARK_CAPTURE(F, 100MB, "pascal-100mb.pas" __VA_ARGS__) \
      ->UseManualTime()                                       \
      ->Unit(benchmark::kMillisecond)                         \
      ->Iterations(3);

SIZES(KeystrokeAnalysis, , false)
BENCHMARK_CAPTURE(KeystrokeAnalysis, start_1MB, "pascal-1mb.pas", true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(KeystrokeAnalysis, start_10MB, "pascal-10mb.pas", true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(KeystrokeAnalysis, start_100MB, "pascal-100mb.pas", true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
SIZES(TypingBurst)
SIZES(IdleSlices, , false)
SIZES(BackgroundPass)
SIZES(PaintQueries, , true)
void PaintQueriesLayerWalk(benchmark::State& state, const char* file) {
  PaintQueries(state, file, false);
}
SIZES(PaintQueriesLayerWalk)
BENCHMARK_CAPTURE(FullAnalysis, 1MB, "pascal-1mb.pas")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK_CAPTURE(FullAnalysis, 10MB, "pascal-10mb.pas")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(FullAnalysis, 100MB, "pascal-100mb.pas")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
