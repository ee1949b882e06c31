// Range lists at token scale: appending two million adjacent tokens, a forward walk of lookups (as
// painting and tokenizing do), random lookups, and clearing from the middle. Range collections
// shaped like the display ranges of a large text: building the lookup index, and the lookups of a
// screen of lines with and without it.
#include <benchmark/benchmark.h>

#include <random>

#include "lists/range_list.h"

namespace {

struct TToken : synt::TRange {
  int Kind = 0;
  TToken(int s, int e, int k) : TRange(s, e), Kind(k) {}
};

constexpr int kTokens = 2'000'000;

synt::TRangeList<TToken> MakeTokens() {
  synt::TRangeList<TToken> l;
  l.Reserve(kTokens);
  for (int i = 0, pos = 0; i < kTokens; ++i, pos += 5) l.Add({pos, pos + 4, i & 7});
  return l;
}

void BM_AppendTokens(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MakeTokens().Count());
  state.SetItemsProcessed(int64_t(state.iterations()) * kTokens);
}
BENCHMARK(BM_AppendTokens)->Unit(benchmark::kMillisecond);

void BM_ForwardLookups(benchmark::State& state) {
  auto l = MakeTokens();
  int pos = 0, end = kTokens * 5;
  for (auto _ : state) {
    benchmark::DoNotOptimize(l.RangeAt(pos));
    pos += 3;
    if (pos >= end) pos = 0;
  }
}
BENCHMARK(BM_ForwardLookups);

void BM_RandomLookups(benchmark::State& state) {
  auto l = MakeTokens();
  std::mt19937 rng(1);
  std::vector<int> probes(1 << 16);
  for (auto& p : probes) p = int(rng() % unsigned(kTokens * 5));
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(l.PriorAt(probes[i++ & 0xFFFF]));
}
BENCHMARK(BM_RandomLookups);

void BM_ClearFromMiddle(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto l = MakeTokens();
    synt::TRangeList<TToken> target;
    state.ResumeTiming();
    benchmark::DoNotOptimize(l.ClearFromPos(kTokens * 5 / 2, &target));
  }
}
BENCHMARK(BM_ClearFromMiddle)->Unit(benchmark::kMillisecond);

// Nested blocks of a few lines, and every 100th one left running to the end of the text as
// unbalanced blocks of concatenated files are: Count/100 layers, as many ranges over a late line.
synt::TRangeCollection<> MakeNested(int Count) {
  synt::TRangeCollection<> c;
  const int end = Count * 10 + 100;
  for (int i = 0; i < Count; ++i) {
    const int s = i * 10;
    c.Add({s, i % 100 == 0 ? end - i / 100 : s + 10 + (i % 7) * 40});
  }
  return c;
}

void BM_IndexBuild(benchmark::State& state) {
  auto c = MakeNested(int(state.range(0)));
  for (auto _ : state) c.BuildIndex();
  state.counters["layers"] = c.Count();
  state.counters["bytes_per_range"] = double(c.IndexBytes()) / double(state.range(0));
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_IndexBuild)->Arg(60'000)->Arg(600'000)->Unit(benchmark::kMillisecond);

// 60 lines of 80 characters in the middle: the ranges meeting each line, and those at each of
// its positions.
void ScreenLookups(benchmark::State& state, bool Indexed) {
  auto c = MakeNested(int(state.range(0)));
  if (Indexed) c.BuildIndex();
  const int from = int(state.range(0)) * 5;
  std::vector<synt::TRange*> list;
  size_t found = 0;
  for (auto _ : state) {
    for (int line = 0; line < 60; ++line) {
      const int a = from + line * 80;
      list.clear();
      c.GetRangesInRange(list, a, a + 80);
      found += list.size();
      for (int p = a; p < a + 80 && p >= 0;) {
        list.clear();
        p = c.GetRangesAtPos(list, p);
      }
    }
  }
  benchmark::DoNotOptimize(found);
  state.counters["layers"] = c.Count();
}
void BM_ScreenLookupsLayers(benchmark::State& state) {
  ScreenLookups(state, false);
}
void BM_ScreenLookupsIndexed(benchmark::State& state) {
  ScreenLookups(state, true);
}
BENCHMARK(BM_ScreenLookupsLayers)->Arg(60'000)->Arg(600'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenLookupsIndexed)->Arg(60'000)->Arg(600'000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
