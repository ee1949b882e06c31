// Exporting the whole 10 MB Pascal corpus from a fully analysed editor: plain text, RTF and HTML,
// and, as the baseline of the same run, the walk over the style entries alone (the queries every
// formatted export makes, one per run). Counters: MB/s of source text, the runs walked, the output
// size and the cost of the full analysis (analysis_ms) for comparison.
//   build/bench/bench_export [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them). The
// whole command, loading and analysis included, is timed against other highlighters with
// ../shared/bench/peers.sh (see the README).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "analysis/client_analyzer.h"
#include "bench_common.h"
#include "editor/syntax_memo.h"
#include "platform/headless_host.h"
#include "print/html_export.h"
#include "print/rtf_export.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The editor with the corpus, analysed once and kept for every benchmark.
struct Editor {
  synt::THeadlessDesktop desktop;
  synt::TSyntaxMemo memo{nullptr};
  double analysisMs = 0;

  explicit Editor(const fs::path& File) {
    memo.Lines()->LoadFromFile(File.string());
    const auto t0 = Clock::now();
    memo.SetSyntaxAnalyzer(synt::bench::PascalLibrary().FindLexer(u"Pascal"));
    synt::TClientSyntAnalyzer* client = memo.SyntClient();
    client->CompleteAnalysis();
    while (client->IsSyntThreadRunning()) {
      if (!desktop.Loop().HasPosted()) desktop.Loop().WaitForPosted(1000);
      desktop.Loop().RunPosted();
    }
    analysisMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  }
};

Editor* Get(benchmark::State& State) {
  static std::unique_ptr<Editor> e;
  const fs::path file = synt::bench::CorpusDir() / "pascal-10mb.pas";
  if (!fs::exists(file)) {
    State.SkipWithError("corpus missing: run bench/corpus.sh");
    return nullptr;
  }
  if (!e) e = std::make_unique<Editor>(file);
  return e.get();
}

template <class Export>
void BM_Export(benchmark::State& State) {
  Editor* e = Get(State);
  if (!e) return;
  Export x(nullptr);
  x.SetSyntMemo(&e->memo);
  const int length = e->memo.Lines()->TextLength();
  size_t bytes = 0;
  for (auto _ : State) {
    x.ExportRange(0, length);
    bytes = x.ExportData().size();
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * length * 2);
  State.counters["out_mb"] = double(bytes) / 1e6;
  State.counters["analysis_ms"] = e->analysisMs;
}

// The style queries alone, as the formatted exports walk them.
void BM_StyleWalk(benchmark::State& State) {
  Editor* e = Get(State);
  if (!e) return;
  synt::TCustomSyntaxMemo& m = e->memo;
  const int length = m.Lines()->TextLength();
  synt::TStyleEntries entries;
  int64_t runs = 0;
  for (auto _ : State) {
    runs = 0;
    for (int pos = 0; pos < length; ++runs) {
      entries.clear();
      const int next = m.CollectStyleEntries(pos, entries, false, 0x37);
      pos = next > pos ? next : pos + 1;
    }
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * length * 2);
  State.counters["runs"] = double(runs);
  State.counters["analysis_ms"] = e->analysisMs;
}

BENCHMARK(BM_StyleWalk)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, synt::TPlainTextSyntExport)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, synt::TRTFSyntExport)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, synt::THTMLSyntExport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
