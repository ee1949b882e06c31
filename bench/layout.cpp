// Line layout and collapsing on the Pascal corpus (10 and 100 MB):
//   - word wrap at 80 columns switched on, until the display-line count is known (fixed pitch,
//     every line measured once); the baseline is the same walk with wrap off (one row per line);
//   - the layout's memory per text line (the map alone, and with the layouts of one screen);
//   - folding every block of the analysed text (CollapseAll), against the full analysis of the
//     same text in the same run (counter analysis_ms);
//   - Enter typed in the middle of the 100 MB text and taken back, with word wrap on;
//   - display-map queries (display index to line and back) with every block folded and wrap on.
//   build/bench/bench_layout [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <random>

#include "analysis/client_analyzer.h"
#include "analysis/lexer_library.h"
#include "bench_common.h"
#include "editor/line_layout.h"
#include "editor/syntax_memo.h"
#include "platform/event_loop.h"
#include "text/memo_strings.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

synt::THeadlessEventLoop& Loop() {
  static synt::THeadlessEventLoop* loop = [] {
    auto* l = new synt::THeadlessEventLoop;
    synt::SetEventLoop(l);
    return l;
  }();
  return *loop;
}

// A text and a layout over it, as the editor wires them (tab stops every 4 columns).
struct LayoutDoc : synt::ILayoutSite {
  synt::TSyntMemoStrings lines;
  std::unique_ptr<synt::TLineLayout> layout;

  explicit LayoutDoc(const fs::path& File) {
    lines.LoadFromFile(File.string());
    layout = std::make_unique<synt::TLineLayout>(*this);
  }
  const synt::TSyntMemoStrings& LayoutLines() const override { return lines; }
  int NextTabStop(int c, bool inclusive) const override {
    return inclusive && c % 4 == 0 ? c : (c / 4 + 1) * 4;
  }
};

fs::path Corpus(const char* Name) {
  return synt::bench::CorpusDir() / Name;
}

LayoutDoc* Layout(const char* Name) {
  static std::map<std::string, std::unique_ptr<LayoutDoc>> docs;
  auto& d = docs[Name];
  if (!d && fs::exists(Corpus(Name))) d = std::make_unique<LayoutDoc>(Corpus(Name));
  return d.get();
}

synt::TLayoutSettings WrapAt80(bool On) {
  synt::TLayoutSettings s;
  s.WordWrap = On;
  s.FixedPitch = true;
  s.WrapWidth = 80 * s.CellWidth;
  return s;
}

void BM_WrapOn(benchmark::State& state, const char* Name, bool Wrap) {
  LayoutDoc* d = Layout(Name);
  if (!d) {
    state.SkipWithError("corpus missing: run bench/corpus.sh or set SYNT_CORPUS_DIR");
    return;
  }
  int rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    d->layout->SetSettings(WrapAt80(!Wrap));
    d->layout->DisplayLineCount();
    state.ResumeTiming();
    d->layout->SetSettings(WrapAt80(Wrap));
    rows = d->layout->DisplayLineCount();
  }
  const int lines = d->lines.GetCount();
  state.counters["lines"] = lines;
  state.counters["display_lines"] = rows;
  state.counters["map_bytes_per_line"] = double(d->layout->MemoryUsage()) / lines;
  // One screen of layouts asked for, as painting does.
  for (int l = lines / 2; l < lines / 2 + 60; ++l) d->layout->GetLineInfo(l);
  state.counters["bytes_per_line_with_screen"] = double(d->layout->MemoryUsage()) / lines;
  state.counters["text_bytes_per_line"] = double(d->lines.TextLength()) * 2 / lines;
}

// Typing Enter in the middle of the text and deleting the line again, word wrap on: the layout's
// part of the keystroke (the storage edit is not timed; the text is one contiguous string).
void BM_EnterKey(benchmark::State& state, const char* Name) {
  LayoutDoc* d = Layout(Name);
  if (!d) {
    state.SkipWithError("corpus missing: run bench/corpus.sh or set SYNT_CORPUS_DIR");
    return;
  }
  d->layout->SetSettings(WrapAt80(true));
  d->layout->DisplayLineCount();
  const int pos = d->lines.LineStart(d->lines.GetCount() / 2) + 2;
  for (auto _ : state) {
    d->lines.InsertText(pos, u"\r\n");
    auto t0 = Clock::now();
    d->layout->TextChanged(pos, 2, 1);
    benchmark::DoNotOptimize(d->layout->DisplayLineCount());
    double ms = Ms(Clock::now() - t0);
    d->lines.DeleteText(pos, 2);
    t0 = Clock::now();
    d->layout->TextChanged(pos, -2, -1);
    benchmark::DoNotOptimize(d->layout->DisplayLineCount());
    ms += Ms(Clock::now() - t0);
    state.SetIterationTime(ms / 1e3);
  }
  d->layout->SetSettings(WrapAt80(false));
}

// An editor with the Pascal lexer over a corpus, fully analysed.
struct MemoDoc {
  std::unique_ptr<synt::TSyntaxMemo> memo;
  double analysisMs = 0;
  explicit MemoDoc(const fs::path& File) {
    Loop();
    memo = std::make_unique<synt::TSyntaxMemo>(nullptr);
    memo->SetMonoFontMode(synt::mfFixed);
    memo->Lines()->LoadFromFile(File.string());
    memo->SetSyntaxAnalyzer(synt::bench::PascalLibrary().FindLexer(u"Pascal"));
    auto t0 = Clock::now();
    synt::TClientSyntAnalyzer* c = memo->SyntClient();
    c->CompleteAnalysis();
    analysisMs = Ms(Clock::now() - t0);
    // The background pass would compete with the timings: let it finish and hand over.
    while (c->IsSyntThreadRunning()) {
      Loop().WaitForPosted(1000);
      Loop().RunPosted();
    }
  }
};

MemoDoc* Memo(const char* Name) {
  static std::map<std::string, std::unique_ptr<MemoDoc>> docs;
  auto& d = docs[Name];
  if (!d && fs::exists(Corpus(Name))) d = std::make_unique<MemoDoc>(Corpus(Name));
  return d.get();
}

void BM_CollapseAll(benchmark::State& state, const char* Name) {
  MemoDoc* d = Memo(Name);
  if (!d) {
    state.SkipWithError("corpus missing: run bench/corpus.sh or set SYNT_CORPUS_DIR");
    return;
  }
  synt::TSyntaxMemo& m = *d->memo;
  m.SetWordWrap(false);
  for (auto _ : state) {
    state.PauseTiming();
    m.ExpandAll();
    m.DisplayLineCount();
    state.ResumeTiming();
    m.CollapseAll();
    benchmark::DoNotOptimize(m.DisplayLineCount());
  }
  state.counters["blocks"] = m.CollapsedRanges()->Count();
  state.counters["display_lines"] = m.DisplayLineCount();
  state.counters["lines"] = m.Lines()->GetCount();
  state.counters["analysis_ms"] = d->analysisMs;
}

// Both directions of the map, at random places, with every block folded and word wrap on.
void BM_FoldedQueries(benchmark::State& state, const char* Name) {
  MemoDoc* d = Memo(Name);
  if (!d) {
    state.SkipWithError("corpus missing: run bench/corpus.sh or set SYNT_CORPUS_DIR");
    return;
  }
  synt::TSyntaxMemo& m = *d->memo;
  m.SetWordWrap(true);
  m.CollapseAll();
  const int total = m.DisplayLineCount();
  std::mt19937 rng(7);
  for (auto _ : state) {
    const int k = int(rng() % unsigned(total));
    const synt::TDisplayPos p = m.DisplayToLine(k);
    benchmark::DoNotOptimize(m.DisplayIndex(p.Line, p.Row));
  }
  state.counters["display_lines"] = total;
  state.counters["blocks"] = m.CollapsedRanges()->Count();
  m.SetWordWrap(false);
}

void Register() {
  for (const char* name : {"pascal-10mb.pas", "pascal-100mb.pas"}) {
    const std::string n = name;
    benchmark::RegisterBenchmark(("WrapOn80/" + n).c_str(), BM_WrapOn, name, true)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    benchmark::RegisterBenchmark(("WrapOffBaseline/" + n).c_str(), BM_WrapOn, name, false)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
  }
  benchmark::RegisterBenchmark("EnterKey/pascal-100mb.pas", BM_EnterKey, "pascal-100mb.pas")
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond)
      ->Iterations(200);
  benchmark::RegisterBenchmark("CollapseAll/pascal-10mb.pas", BM_CollapseAll, "pascal-10mb.pas")
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  benchmark::RegisterBenchmark("FoldedQueries/pascal-10mb.pas", BM_FoldedQueries,
                               "pascal-10mb.pas");
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
