// Full analysis (tokens and block rules) of the Pascal corpus with the Pascal lexer.
//   bench/corpus.sh                       builds the corpora once (corpus/ at the root)
//   build/bench/bench_analysis [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for. Counters: MB/s of the text (UTF-8
// bytes of the file), tokens per second, heap bytes the analysis holds per token (everything it
// allocated, allocator overhead included) and the process's peak resident memory.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/lexer_library.h"
#include "bench_common.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace {

namespace fs = std::filesystem;
using synt::analysis_internal::ClientAccess;

size_t HeapInUse() {
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

// The Pascal lexer without its block rules: what tokenizing alone costs.
synt::TSyntAnalyzer* TokensOnly() {
  static synt::TSyntAnalyzer* lexer = [] {
    auto* l = new synt::TSyntAnalyzer(nullptr);
    l->Assign(synt::bench::PascalLibrary().FindLexer(u"Pascal"));
    l->BlockRules()->Clear();
    return l;
  }();
  return lexer;
}

void Analyze(benchmark::State& state, const char* file, bool tokensOnly = false) {
  fs::path path = synt::bench::CorpusDir() / file;
  if (!fs::exists(path)) {
    state.SkipWithError(("no corpus at " + path.string() + " (run bench/corpus.sh)").c_str());
    return;
  }
  synt::TSyntAnalyzer* pascal =
      tokensOnly ? TokensOnly() : synt::bench::PascalLibrary().FindLexer(u"Pascal");
  synt::TSyntMemoStrings lines;
  lines.LoadFromFile(path.string());
  const size_t bytes = fs::file_size(path);
  int64_t tokens = 0, ranges = 0;
  double bytesPerToken = 0;
  for (auto _ : state) {
    size_t before = HeapInUse();
    synt::TClientSyntAnalyzer client(pascal, nullptr, [&] { return &lines; });
    ClientAccess::SetBackgroundFinish(
        client, false);  // the analysis alone (bench/incremental.cpp times the rest)
    client.Analyze(true);
    size_t after = HeapInUse();
    tokens = client.TagCount();
    ranges = client.RangeCount();
    bytesPerToken = tokens ? double(after - before) / double(tokens) : 0;
    benchmark::DoNotOptimize(client.TagCount());
    state.PauseTiming();  // freeing the results is not part of the analysis
    client.Clear();
    state.ResumeTiming();
  }
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
  state.counters["tokens"] = double(tokens);
  state.counters["ranges"] = double(ranges);
  state.counters["tokens/s"] =
      benchmark::Counter(double(tokens) * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["heap_B/token"] = bytesPerToken;
  state.counters["peak_RSS_MB"] = double(ru.ru_maxrss) / 1024.0;
}

void BM_AnalyzePascal1MB(benchmark::State& s) {
  Analyze(s, "pascal-1mb.pas");
}
void BM_AnalyzePascal10MB(benchmark::State& s) {
  Analyze(s, "pascal-10mb.pas");
}
void BM_AnalyzePascal100MB(benchmark::State& s) {
  Analyze(s, "pascal-100mb.pas");
}
void BM_TokenizePascal10MB(benchmark::State& s) {
  Analyze(s, "pascal-10mb.pas", true);
}

BENCHMARK(BM_AnalyzePascal1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzePascal10MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AnalyzePascal100MB)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TokenizePascal10MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
