// Full analysis (tokens and block rules) of a ~10 MB corpus of real files per shipped lexer.
//   bench/lexers_corpus.sh                       builds the corpora once (corpus/ at the root)
//   build/bench/bench_lexers [--benchmark_filter=Python]
// SYNT_CORPUS_DIR overrides where the corpora are looked for. Counters: MB/s of the text (bytes of
// the file), tokens and ranges of one analysis.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "analysis/client_analyzer.h"
#include "analysis/internal/client_access.h"
#include "analysis/lexer_catalog.h"
#include "bench_common.h"
#include "platform/utf.h"
#include "text/memo_strings.h"

namespace {

namespace fs = std::filesystem;

const synt::TLexerCatalog& Catalog() {
  static synt::TLexerCatalog* c = [] {
    auto* cat = new synt::TLexerCatalog;
    cat->LoadFolder(fs::path(SYNT_BENCH_SOURCE_DIR) / "lexers");
    return cat;
  }();
  return *c;
}

void Analyze(benchmark::State& state, const char* lexerName, const char* file) {
  const fs::path path = synt::bench::CorpusDir() / file;
  if (!fs::exists(path)) {
    state.SkipWithError(
        ("no corpus at " + path.string() + " (run bench/lexers_corpus.sh)").c_str());
    return;
  }
  synt::TSyntAnalyzer* lexer = nullptr;
  for (synt::TSyntAnalyzer* l : Catalog().Lexers())
    if (synt::Utf16ToUtf8(l->LexerName()) == lexerName) lexer = l;
  if (!lexer) {
    state.SkipWithError((std::string("no lexer named ") + lexerName).c_str());
    return;
  }
  synt::TSyntMemoStrings lines;
  lines.LoadFromFile(path.string());
  const size_t bytes = fs::file_size(path);
  int64_t tokens = 0, ranges = 0;
  for (auto _ : state) {
    synt::TClientSyntAnalyzer client(lexer, nullptr, [&] { return &lines; });
    synt::analysis_internal::ClientAccess::SetBackgroundFinish(client, false);
    client.Analyze(true);
    tokens = client.TagCount();
    ranges = client.RangeCount();
    benchmark::DoNotOptimize(tokens);
    state.PauseTiming();  // freeing the results is not part of the analysis
    client.Clear();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
  state.counters["tokens"] = double(tokens);
  state.counters["ranges"] = double(ranges);
}

#define LEXER_BENCH(Name, Lexer, File)  \
  void BM_##Name(benchmark::State& s) { \
    Analyze(s, Lexer, File);            \
  }                                     \
  BENCHMARK(BM_##Name)->Unit(benchmark::kMillisecond)->MinTime(2.0);

LEXER_BENCH(C, "C", "lex-c.c")
LEXER_BENCH(Cpp, "C++", "lex-cpp.cpp")
LEXER_BENCH(Python, "Python", "lex-python.py")
LEXER_BENCH(JavaScript, "JavaScript", "lex-js.js")
LEXER_BENCH(TypeScript, "TypeScript", "lex-ts.ts")
LEXER_BENCH(Json, "JSON", "lex-json.json")
LEXER_BENCH(Css, "CSS", "lex-css.css")
LEXER_BENCH(Xml, "XML", "lex-xml.xml")
LEXER_BENCH(Html, "HTML", "lex-html.html")
LEXER_BENCH(Shell, "Shell", "lex-shell.sh")
LEXER_BENCH(Ini, "INI", "lex-ini.ini")
LEXER_BENCH(Toml, "TOML", "lex-toml.toml")
LEXER_BENCH(Sql, "SQL", "lex-sql.sql")
LEXER_BENCH(Yaml, "YAML", "lex-yaml.yaml")
LEXER_BENCH(CMake, "CMake", "lex-cmake.cmake")
LEXER_BENCH(Makefile, "Makefile", "lex-make.mk")
LEXER_BENCH(Markdown, "Markdown", "lex-markdown.md")

}  // namespace

BENCHMARK_MAIN();
