// What the gutter adds to a window paint: one screen (60 rows of 120 columns) of the analysed
// Pascal corpus painted by the editor on the headless host, without a gutter and with bands, line
// numbers, the change-state band, fold marks and the ruler. Both run in the same process, so their
// ratio is the figure to read (the gutter may cost at most a fifth more).
//   build/bench/bench_gutter_paint [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "analysis/client_analyzer.h"
#include "bench_common.h"
#include "editor/syntax_memo.h"
#include "platform/headless_host.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 60, kColumns = 120;

struct Window {
  synt::THeadlessDesktop desktop;
  synt::TSyntaxMemo memo{nullptr};
  std::unique_ptr<synt::THeadlessHost> host;

  explicit Window(const fs::path& File) {
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
  void Configure(bool Gutter, bool LineBuffer) {
    synt::TGutter& g = *memo.Gutter();
    g.SetDoubleBufered(LineBuffer);
    g.SetVisible(Gutter);
    if (Gutter && g.Bands()->Count() == 0) {
      g.Bands()->Add()->SetWidth(14);
      g.Bands()->Add()->SetWidth(40);
      g.Bands()->Add()->SetWidth(4);
      g.Bands()->Add()->SetWidth(13);
      g.SetExpBtnBand(3);
      g.SetAutoSize(true);
      memo.LineNumbers()->SetBand(1);
      memo.LineStateDisplay()->SetBand(2);
    }
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

Window& Get() {
  static std::unique_ptr<Window> w;
  if (!w) w = std::make_unique<Window>(synt::bench::CorpusDir() / "pascal-1mb.pas");
  return *w;
}

// Arg: 0 without the gutter, 1 with it (each line's gutter painted off screen first, the
// default), 2 with it painted in place.
void BM_PaintScreenGutter(benchmark::State& State) {
  if (!fs::exists(synt::bench::CorpusDir() / "pascal-1mb.pas")) {
    State.SkipWithError("corpus missing: run bench/corpus.sh");
    return;
  }
  Window& w = Get();
  w.Configure(State.range(0) != 0, State.range(0) != 2);
  for (auto _ : State) {
    w.host->PaintAll();
    benchmark::DoNotOptimize(w.host->Canvas().Ops().size());
  }
  State.SetLabel(State.range(0) == 0   ? "no gutter"
                 : State.range(0) == 1 ? "gutter, each line off screen first"
                                       : "gutter painted in place");
}
BENCHMARK(BM_PaintScreenGutter)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
