// What the gutter adds to a window paint: one screen (60 rows of 120 columns) of the analysed
// Pascal corpus painted by the editor on the headless host, without a gutter and with bands, line
// numbers, the change-state band, fold marks and the ruler. Both run in the same process, so their
// ratio is the figure to read (the gutter may cost at most a fifth more). A third variant paints on
// a host without a back buffer, where the gutter composes each line off screen first.
//   build/bench/bench_gutter_paint [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "analysis/client_analyzer.h"
#include "bench_common.h"
#include "editor/syntax_memo.h"
#include "gutter_bench.h"
#include "platform/headless_host.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 60, kColumns = 120;

struct Window {
  synt::THeadlessDesktop desktop;
  synt::TSyntaxMemo memo{nullptr};
  std::unique_ptr<synt::THeadlessHost> host;

  static synt::THeadlessSettings Settings(bool BackBuffer) {
    synt::THeadlessSettings s;
    s.PaintsOffScreen = BackBuffer;
    return s;
  }
  Window(const fs::path& File, bool BackBuffer) : desktop(Settings(BackBuffer)) {
    memo.Lines()->LoadFromFile(File.string());
    memo.SetSyntaxAnalyzer(synt::bench::PascalLibrary().FindLexer(u"Pascal"));
    host = std::make_unique<synt::THeadlessHost>(desktop, memo, synt::TSize{100, 100});
    synt::TClientSyntAnalyzer* client = memo.SyntClient();
    client->CompleteAnalysis();
    synt::THeadlessEventLoop& loop = desktop.Loop();
    while (client->IsSyntThreadRunning() || loop.HasPosted()) {
      if (!loop.HasPosted()) loop.WaitForPosted(1000);
      loop.RunPosted();
    }
  }
  void Configure(bool Gutter) {
    synt::TGutter& g = *memo.Gutter();
    g.SetVisible(Gutter);
    if (Gutter) synt::bench::SetUpGutterBands(memo);
    memo.HorzRuler()->SetVisible(Gutter);
    // The same text area either way: the gutter and the ruler are added around it.
    const synt::TRect area = memo.TextArea();
    host->SetClientSize(
        {area.Left + kColumns * 8, area.Top + kRows * (memo.DefTextExt().cy + memo.LineSpacing())});
    // A screen in the middle, with folds on it, and a few bookmarks.
    memo.SetTopLine(memo.Lines()->GetCount() / 2);
    for (int i = 0; i < 5; ++i)
      memo.SetBookmark(i, memo.Lines()->LineStart(memo.TopLine() + i * 9));
  }
};

Window& Get(bool BackBuffer) {
  static std::unique_ptr<Window> w[2];
  std::unique_ptr<Window>& p = w[BackBuffer ? 1 : 0];
  if (!p) p = std::make_unique<Window>(synt::bench::CorpusDir() / "pascal-1mb.pas", BackBuffer);
  return *p;
}

// Arg: 0 without the gutter, 1 with it (the default settings; the host has a back buffer, as
// every backend has), 2 with it on a host that paints straight to the screen.
void BM_PaintScreenGutter(benchmark::State& State) {
  if (!fs::exists(synt::bench::CorpusDir() / "pascal-1mb.pas")) {
    State.SkipWithError("corpus missing: run bench/corpus.sh");
    return;
  }
  Window& w = Get(State.range(0) != 2);
  w.Configure(State.range(0) != 0);
  for (auto _ : State) {
    w.host->PaintAll();
    benchmark::DoNotOptimize(w.host->Canvas().Ops().size());
  }
  State.SetLabel(State.range(0) == 0   ? "no gutter"
                 : State.range(0) == 1 ? "gutter"
                                       : "gutter, each line composed off screen");
}
BENCHMARK(BM_PaintScreenGutter)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", synt::bench::MinOf);

}  // namespace

BENCHMARK_MAIN();
