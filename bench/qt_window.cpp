// The editor window on Qt's offscreen platform at 1000 x 700, each action followed by a full
// repaint (QWidget::grab), on the 10 MB and 100 MB Pascal corpora: opening to the first
// highlighted screen, jumping to the end, paging down, repainting, and a full-screen repaint at
// 1920 x 1080, and typing a character. The baseline in the same run is the full analysis of the
// text (counter analysis_ms); ../shared/bench/qsci_peer.py times a widely used editor control the
// same way.
//   build/bench/bench_qt_window [--benchmark_filter=...]
// SYNT_CORPUS_DIR overrides where the corpora are looked for (bench/corpus.sh builds them).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "analysis/client_analyzer.h"
#include "bench_common.h"
#include "editor/commands.h"
#include "editor/syntax_memo.h"
#include "qt/qt_control_widget.h"
#include "qt_bench_main.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

std::string ReadAll(const fs::path& P) {
  std::ifstream in(P, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

synt::TSyntAnalyzer* Pascal() {
  return synt::bench::PascalLibrary().FindLexer(u"Pascal");
}

const std::string& Bytes(const std::string& Name) {
  static std::map<std::string, std::string> cache;
  auto it = cache.find(Name);
  if (it == cache.end()) it = cache.emplace(Name, ReadAll(synt::bench::CorpusDir() / Name)).first;
  return it->second;
}

// An open window on a corpus, kept between the benchmarks of the same file.
struct Window {
  synt::TSyntaxMemo memo{nullptr};
  std::unique_ptr<synt::TQtControlWidget> widget;
  explicit Window(const std::string& Name) {
    memo.Lines()->LoadFromBytes(Bytes(Name));
    memo.SetSyntaxAnalyzer(Pascal());
    widget = std::make_unique<synt::TQtControlWidget>(memo);
    widget->resize(1000, 700);
    widget->show();
    widget->grab();
  }
};

Window& Open(const std::string& Name) {
  static std::map<std::string, std::unique_ptr<Window>> windows;
  auto& w = windows[Name];
  if (!w) w = std::make_unique<Window>(Name);
  return *w;
}

bool HaveCorpus(benchmark::State& State, const std::string& Name) {
  if (fs::exists(synt::bench::CorpusDir() / Name)) return true;
  State.SkipWithError("corpus missing: run bench/corpus.sh or set SYNT_CORPUS_DIR");
  return false;
}

const char* const kFiles[] = {"pascal-10mb.pas", "pascal-100mb.pas"};

// Loading the text, binding the lexer and the first paint, which shows the first screen
// highlighted (the paint tokenizes what it shows).
void BM_OpenToFirstScreen(benchmark::State& State) {
  const std::string name = kFiles[State.range(0)];
  if (!HaveCorpus(State, name)) return;
  const std::string& bytes = Bytes(name);
  double load = 0, paint = 0;
  for (auto _ : State) {
    const auto t0 = Clock::now();
    auto memo = std::make_unique<synt::TSyntaxMemo>(nullptr);
    memo->Lines()->LoadFromBytes(bytes);
    memo->SetSyntaxAnalyzer(Pascal());
    synt::TQtControlWidget w(*memo);
    w.resize(1000, 700);
    const auto t1 = Clock::now();
    w.grab();
    const auto t2 = Clock::now();
    load += Ms(t0, t1);
    paint += Ms(t1, t2);
    State.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
    State.PauseTiming();
    memo.reset();
    State.ResumeTiming();
  }
  State.counters["load_ms"] = load / double(State.iterations());
  State.counters["first_paint_ms"] = paint / double(State.iterations());
}

// Ctrl+End and a repaint, from the top of a freshly opened window: the paint tokenizes up to
// the end, so the baseline is tokenizing the whole text (counter analysis_ms).
void BM_JumpToEndAndPaint(benchmark::State& State) {
  const std::string name = kFiles[State.range(0)];
  if (!HaveCorpus(State, name)) return;
  double analysis = 0;
  {
    synt::TSyntMemoStrings lines;
    lines.LoadFromBytes(Bytes(name));
    synt::TClientSyntAnalyzer client(Pascal(), nullptr, [&lines] { return &lines; });
    const auto t0 = Clock::now();
    client.AppendToPos(lines.TextLength());  // what the jump asks of the analysis
    analysis = Ms(t0, Clock::now());
  }
  for (auto _ : State) {
    State.PauseTiming();
    auto w = std::make_unique<Window>(name);
    State.ResumeTiming();
    const auto t0 = Clock::now();
    w->memo.ScrollPart().ExecuteScrollCommand(synt::cmScrollTextEnd);
    w->widget->grab();
    State.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
    State.PauseTiming();
    w.reset();
    State.ResumeTiming();
  }
  State.counters["analysis_ms"] = analysis;
}

void BM_PageDownAndPaint(benchmark::State& State) {
  const std::string name = kFiles[State.range(0)];
  if (!HaveCorpus(State, name)) return;
  Window& w = Open(name);
  w.memo.SetTopLine(w.memo.Lines()->GetCount() / 2);
  w.widget->grab();
  for (auto _ : State) {
    const auto t0 = Clock::now();
    w.memo.ScrollPart().ExecuteScrollCommand(synt::cmScrollPageDown);
    w.widget->grab();
    State.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
}

void BM_RepaintOnly(benchmark::State& State) {
  const std::string name = kFiles[State.range(0)];
  if (!HaveCorpus(State, name)) return;
  Window& w = Open(name);
  w.widget->resize(State.range(1), State.range(2));
  w.widget->grab();
  for (auto _ : State) {
    const auto t0 = Clock::now();
    w.widget->grab();
    State.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
  }
  w.widget->resize(1000, 700);
}

// A typed character (a key event as the window receives it) followed by a full repaint, at the
// start and in the middle of the 1, 10 and 100 MB corpora; typing alternates with Backspace so the
// text keeps its size. Args: corpus (0: 1 MB, 1: 10 MB, 2: 100 MB), place (0 start, 1 middle).
void BM_KeystrokeAndPaint(benchmark::State& State) {
  static const char* const kSizes[] = {"pascal-1mb.pas", "pascal-10mb.pas", "pascal-100mb.pas"};
  const std::string name = kSizes[State.range(0)];
  if (!HaveCorpus(State, name)) return;
  Window& w = Open(name);
  w.memo.SetCaretPos({0, State.range(1) ? w.memo.Lines()->GetCount() / 2 : 0});
  w.memo.ScrollToCaret(1, 3);
  w.widget->setFocus();
  w.widget->grab();
  bool type = true;
  for (auto _ : State) {
    const auto t0 = Clock::now();
    QKeyEvent press(QEvent::KeyPress, type ? Qt::Key_X : Qt::Key_Backspace, Qt::NoModifier,
                    type ? QStringLiteral("x") : QString());
    QApplication::sendEvent(w.widget.get(), &press);
    w.widget->grab();
    State.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
    type = !type;
  }
  if (!type) {
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(w.widget.get(), &back);
  }
}

BENCHMARK(BM_KeystrokeAndPaint)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Iterations(40)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenToFirstScreen)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JumpToEndAndPaint)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageDownAndPaint)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintOnly)
    ->Args({0, 1000, 700})
    ->Args({1, 1000, 700})
    ->Args({1, 1920, 1080})
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return synt::bench::RunQtBenchmarks(argc, argv);
}
