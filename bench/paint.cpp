// Painting one screen of the Pascal corpus (10 and 100 MB), fully analysed first: 60 rows of 120
// columns at the start, the middle and the end of the text, drawn by the editor's line painter on
// the recording canvas, style collection and merging included. A second benchmark times only the
// analysis queries such a screen makes (token styles, styled ranges, line highlights, staples,
// separators), to show which of them dominate; the baseline is the cost of a full analysis of the
// same text (counter analysis_ms).
//   build/bench/bench_paint [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>

#include "analysis/client_analyzer.h"
#include "bench_common.h"
#include "editor/line_painter.h"
#include "editor/memo_settings.h"
#include "platform/event_loop.h"
#include "text/memo_strings.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRows = 60;
constexpr int kColumns = 120;
constexpr int kCell = 8, kRowHeight = 17;

synt::THeadlessEventLoop& Loop() {
  static synt::THeadlessEventLoop* loop = [] {
    auto* l = new synt::THeadlessEventLoop;
    synt::SetEventLoop(l);
    return l;
  }();
  return *loop;
}

// A fully analysed document and a painter set up as the editor sets it up, kept between
// benchmarks of the same file.
struct Doc {
  synt::TSyntMemoStrings lines;
  std::unique_ptr<synt::TClientSyntAnalyzer> client;
  synt::TNonPrinted nonPrinted;
  synt::TTabList tabs;
  synt::TDefaultStyles defaults;
  synt::TPen staplePen;
  synt::TFont font;
  synt::TRangeList<synt::TRange> searchMarks{true};
  synt::TPaintContext ctx;
  std::unique_ptr<synt::TLinePainter> painter;
  double analysisMs = 0;

  explicit Doc(const fs::path& File) {
    Loop();
    lines.LoadFromFile(File.string());
    synt::TSyntAnalyzer* pascal = synt::bench::PascalLibrary().FindLexer(u"Pascal");
    const auto t0 = Clock::now();
    client =
        std::make_unique<synt::TClientSyntAnalyzer>(pascal, nullptr, [this] { return &lines; });
    client->CompleteAnalysis();
    while (client->IsSyntThreadRunning()) {
      if (!Loop().HasPosted()) Loop().WaitForPosted(1000);
      Loop().RunPosted();
    }
    analysisMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    ctx.Lines = &lines;
    ctx.Queries = client.get();
    ctx.Sources.Queries = client.get();
    ctx.Sources.SearchMarks = &searchMarks;
    ctx.Sources.SearchMarkStyle = pascal->SearchMatch();
    ctx.Font = &font;
    ctx.NonPrinted = &nonPrinted;
    ctx.TabList = &tabs;
    ctx.StaplePen = &staplePen;
    ctx.SelectionStyle = pascal->MarkedBlock();
    ctx.CurrentLineStyle = pascal->CurrentLine();
    ctx.CollapseMarkStyle = pascal->CollapseStyle();
    ctx.FixedPitch = true;  // the editor's cells: Courier New, Zoom 100
    ctx.Cell = {kCell, kRowHeight - 1};
    ctx.Focused = true;
    painter = std::make_unique<synt::TLinePainter>(ctx);
  }
};

Doc& Get(const std::string& Name) {
  static std::map<std::string, std::unique_ptr<Doc>> docs;
  auto& d = docs[Name];
  if (!d) d = std::make_unique<Doc>(synt::bench::CorpusDir() / Name);
  return *d;
}

int FirstLine(const Doc& D, int Where) {
  const int n = D.lines.GetCount();
  if (Where == 0) return 0;
  if (Where == 1) return n / 2;
  return std::max(0, n - kRows);
}

// Args: corpus (10 or 100 MB), where (0 start, 1 middle, 2 end).
void BM_PaintScreen(benchmark::State& State) {
  const std::string name = State.range(0) == 10 ? "pascal-10mb.pas" : "pascal-100mb.pas";
  if (!fs::exists(synt::bench::CorpusDir() / name)) {
    State.SkipWithError("corpus missing: run bench/corpus.sh");
    return;
  }
  Doc& d = Get(name);
  const int first = FirstLine(d, int(State.range(1)));
  d.ctx.CaretLine = first + 3;
  synt::THeadlessCanvas canvas(kCell, kRowHeight - 1, {0, 0, kColumns * kCell, kRows * kRowHeight});
  synt::TLineRows rows;
  rows.Heights = {kRowHeight};
  size_t ops = 0;
  for (auto _ : State) {
    canvas.ClearOps();
    d.painter->BeginPaint();
    for (int i = 0; i < kRows && first + i < d.lines.GetCount(); ++i) {
      const int top = i * kRowHeight;
      d.painter->PaintLine(canvas, first + i, rows, 0, {0, top, kColumns * kCell, top + kRowHeight},
                           0, nullptr);
    }
    ops = canvas.Ops().size();
  }
  State.counters["ops"] = double(ops);
  State.counters["analysis_ms"] = d.analysisMs;
}

// Only the queries of a screen, in the order the painter makes them.
void BM_ScreenQueries(benchmark::State& State) {
  const std::string name = State.range(0) == 10 ? "pascal-10mb.pas" : "pascal-100mb.pas";
  if (!fs::exists(synt::bench::CorpusDir() / name)) {
    State.SkipWithError("corpus missing: run bench/corpus.sh");
    return;
  }
  Doc& d = Get(name);
  const int first = FirstLine(d, int(State.range(1)));
  synt::ISyntDisplayQueries& q = *d.client;
  synt::TStyleEntries entries;
  std::vector<synt::TStapleAtLines> windowStaples;
  // 0 tokens, 1 styled ranges, 2 line highlights, 3 separators, 4 staples
  const int which = int(State.range(2));
  for (auto _ : State) {
    for (int line = first; line < first + kRows && line < d.lines.GetCount(); ++line) {
      if (which == 2) {
        bool inv = false;
        synt::TColor fc = synt::clNone, bg = synt::clNone;
        q.GetLineHighlight(line, true, inv, fc, bg);
        continue;
      }
      if (which == 3) {
        benchmark::DoNotOptimize(q.GetLineSeparator(line));
        continue;
      }
      if (which == 4) {
        // The painter asks for a screen's staples at once.
        if (line == first) {
          windowStaples.clear();
          q.GetStaplesAtLines(first, first + kRows - 1, windowStaples);
        }
        continue;
      }
      const int start = d.lines.LineStart(line), end = start + d.lines.LineLength(line);
      for (int pos = start; pos < end;) {
        entries.clear();
        const int next =
            which == 0 ? q.GetTokenStyleAt(pos, entries) : q.GetStyledRangesAt(pos, entries, true);
        pos = next > pos ? std::min(next, end) : end;
      }
    }
  }
}

void Where(benchmark::internal::Benchmark* B) {
  for (int size : {10, 100})
    for (int where : {0, 1, 2}) B->Args({size, where});
}
void WhereQueries(benchmark::internal::Benchmark* B) {
  for (int size : {10, 100})
    for (int where : {0, 1, 2})
      for (int which : {0, 1, 2, 3, 4}) B->Args({size, where, which});
}

BENCHMARK(BM_PaintScreen)->Apply(Where)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenQueries)->Apply(WhereQueries)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
