// Range lists at token scale: appending two million adjacent tokens, a forward walk of lookups (as
// painting and tokenizing do), random lookups, and clearing from the middle.
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

}  // namespace

BENCHMARK_MAIN();
