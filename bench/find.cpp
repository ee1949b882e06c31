// The text finder on the corpora: find all occurrences of a word in the 100 MB Pascal corpus
// (plain, ignoring case, whole words, a regular expression), and replace-all of the 126 354
// occurrences of "ed" in the 10 MB corpus through the editor's replace dialog, with its undo.
// Throughput is corpus bytes per second; a memchr scan of the same text is the yardstick.
//
//   bench_find [--benchmark_filter=FindAll]
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "bench_common.h"
#include "editor/find_dialog.h"
#include "editor/syntax_memo.h"
#include "platform/file_io.h"
#include "platform/headless_host.h"
#include "text/memo_strings.h"

namespace {

struct Corpus {
  synt::TSyntMemoStrings text;
  size_t bytes = 0;
};

Corpus& Load(const char* Name) {
  auto* c = new Corpus;
  const synt::TFileBytes b = synt::ReadFileBytes((synt::bench::CorpusDir() / Name).string());
  c->bytes = b.View().size();
  c->text.LoadFromBytes(b.View());
  return *c;
}

Corpus& Large() {
  static Corpus& c = Load("pascal-100mb.pas");
  return c;
}

void FindAll(benchmark::State& State, const char16_t* Pattern, synt::TSearchOptions Flags) {
  Corpus& c = Large();
  const std::u16string_view text = c.text.TextView();
  synt::TTextFinder finder(nullptr);
  finder.SetFindText(Pattern);
  finder.SetFlags(Flags);
  int found = 0;
  for (auto _ : State) {
    found = finder.FindAll(text, 0, int(text.size()), false, [](int, int) { return true; });
    benchmark::DoNotOptimize(found);
  }
  State.counters["found"] = found;
  State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(c.bytes));
}

void BM_Memchr(benchmark::State& State) {
  Corpus& c = Large();
  const std::u16string_view text = c.text.TextView();
  for (auto _ : State) {
    const void* p = std::memchr(text.data(), 0x01, text.size() * 2);
    benchmark::DoNotOptimize(p);
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(c.bytes));
}
BENCHMARK(BM_Memchr)->Unit(benchmark::kMillisecond);

void BM_FindAllPlain(benchmark::State& State) {
  FindAll(State, u"unicode", {synt::ftCaseSensitive});
}
BENCHMARK(BM_FindAllPlain)->Unit(benchmark::kMillisecond);

void BM_FindAllIgnoreCase(benchmark::State& State) {
  FindAll(State, u"unicode", {});
}
BENCHMARK(BM_FindAllIgnoreCase)->Unit(benchmark::kMillisecond);

void BM_FindAllWholeWord(benchmark::State& State) {
  FindAll(State, u"begin", {synt::ftCaseSensitive, synt::ftWholeWordOnly});
}
BENCHMARK(BM_FindAllWholeWord)->Unit(benchmark::kMillisecond);

void BM_FindAllIgnoreCaseWholeWord(benchmark::State& State) {
  FindAll(State, u"begin", {synt::ftWholeWordOnly});
}
BENCHMARK(BM_FindAllIgnoreCaseWholeWord)->Unit(benchmark::kMillisecond);

void BM_FindAllRegex(benchmark::State& State) {
  FindAll(State, u"begin|end", {synt::ftRegularExpr, synt::ftCaseSensitive});
}
BENCHMARK(BM_FindAllRegex)->Unit(benchmark::kMillisecond);

void BM_FindAllRegexIgnoreCase(benchmark::State& State) {
  FindAll(State, u"flag\\w*", {synt::ftRegularExpr});
}
BENCHMARK(BM_FindAllRegexIgnoreCase)->Unit(benchmark::kMillisecond);

// Replace-all in an editor, then its undo: each iteration loads the text afresh (not timed).
void ReplaceAll(benchmark::State& State, bool TimeUndo) {
  static const synt::TFileBytes bytes =
      synt::ReadFileBytes((synt::bench::CorpusDir() / "pascal-10mb.pas").string());
  synt::THeadlessDesktop desktop;
  synt::TSyntaxMemo memo(nullptr);
  synt::THeadlessHost host(desktop, memo, {800, 600});
  synt::TSyntReplaceDialog replace(nullptr);
  replace.SetControl(&memo);
  replace.SetFindText(u"ed");
  replace.SetReplaceText(u"ED");
  replace.SetFlags({synt::ftCaseSensitive});
  int replaced = 0;
  for (auto _ : State) {
    State.PauseTiming();
    memo.Lines()->LoadFromBytes(bytes.View());
    memo.ClearUndo();
    if (TimeUndo) {
      replace.FindAll();
      replaced = replace.FoundCount();
      State.ResumeTiming();
      memo.Undo();
    } else {
      State.ResumeTiming();
      replace.FindAll();
      replaced = replace.FoundCount();
    }
    State.PauseTiming();
    if (TimeUndo && memo.CanUndo()) State.SkipWithError("undo took more than one step");
    State.ResumeTiming();
  }
  State.counters["replaced"] = replaced;
}

void BM_ReplaceAll10mb(benchmark::State& State) {
  ReplaceAll(State, false);
}
BENCHMARK(BM_ReplaceAll10mb)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoReplaceAll10mb(benchmark::State& State) {
  ReplaceAll(State, true);
}
BENCHMARK(BM_UndoReplaceAll10mb)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
