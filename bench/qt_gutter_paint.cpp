// What the gutter adds to a window paint on Qt's raster painter: the same screen of the analysed
// 1 MB Pascal corpus (60 rows of 120 columns of text) grabbed from the editor's widget without a
// gutter, and with bands, line numbers, the change-state band, fold marks, bookmarks and the ruler.
// Both run in the same process and paint the same text area, so their ratio is the figure to read
// (the gutter may cost at most a fifth more). bench_gutter_paint measures the same on the
// recording canvas of the headless host.
//   build/bench/bench_qt_gutter_paint [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <filesystem>
#include <memory>

#include "analysis/client_analyzer.h"
#include "bench_common.h"
#include "editor/syntax_memo.h"
#include "gutter_bench.h"
#include "qt/qt_control_widget.h"
#include "qt_bench_main.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 60, kColumns = 120;

struct Window {
  synt::TSyntaxMemo memo{nullptr};
  std::unique_ptr<synt::TQtControlWidget> widget;

  explicit Window(const fs::path& File) {
    memo.Lines()->LoadFromFile(File.string());
    memo.SetSyntaxAnalyzer(synt::bench::PascalLibrary().FindLexer(u"Pascal"));
    widget = std::make_unique<synt::TQtControlWidget>(memo);
    widget->resize(400, 300);
    widget->show();
    memo.SyntClient()->CompleteAnalysis();
    while (memo.SyntClient()->IsSyntThreadRunning()) QApplication::processEvents();
    QApplication::processEvents();
    synt::bench::SetUpGutterBands(memo);
  }
  void Configure(bool Gutter) {
    memo.Gutter()->SetVisible(Gutter);
    memo.HorzRuler()->SetVisible(Gutter);
    // The same text area either way: the gutter and the ruler are added around it. The viewport
    // is the widget less its frame and scroll bars; size the viewport, then grab only it.
    const synt::TRect area = memo.TextArea();
    const synt::TSize cell = memo.DefTextExt();
    const QSize want(area.Left + kColumns * cell.cx,
                     area.Top + kRows * (cell.cy + memo.LineSpacing()));
    const QSize have = widget->viewport()->size();
    widget->resize(widget->size() + (want - have));
    QApplication::processEvents();
    memo.SetTopLine(memo.Lines()->GetCount() / 2);
    for (int i = 0; i < 5; ++i)
      memo.SetBookmark(i, memo.Lines()->LineStart(memo.TopLine() + i * 9));
    const QPixmap shot = widget->viewport()->grab();
    // SYNT_BENCH_PNG=prefix writes what is painted, to look at.
    if (qEnvironmentVariableIsSet("SYNT_BENCH_PNG"))
      shot.save(qEnvironmentVariable("SYNT_BENCH_PNG") + (Gutter ? "-gutter.png" : "-plain.png"));
  }
};

Window& Get() {
  static std::unique_ptr<Window> w;
  if (!w) w = std::make_unique<Window>(synt::bench::CorpusDir() / "pascal-1mb.pas");
  return *w;
}

// Arg: 0 without the gutter and the ruler, 1 with them.
void BM_QtPaintScreenGutter(benchmark::State& State) {
  if (!fs::exists(synt::bench::CorpusDir() / "pascal-1mb.pas")) {
    State.SkipWithError("corpus missing: run bench/corpus.sh");
    return;
  }
  Window& w = Get();
  w.Configure(State.range(0) != 0);
  for (auto _ : State) benchmark::DoNotOptimize(w.widget->viewport()->grab());
  State.SetLabel(State.range(0) == 0 ? "no gutter" : "gutter and ruler");
}
BENCHMARK(BM_QtPaintScreenGutter)
    ->Arg(0)
    ->Arg(1)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", synt::bench::MinOf);

}  // namespace

int main(int argc, char** argv) {
  return synt::bench::RunQtBenchmarks(argc, argv);
}
