// Key lookup cost per key-down: the whole default table is matched against the queue.
#include <benchmark/benchmark.h>

#include "editor/key_mapping.h"
#include "platform/tick.h"

using namespace synt;

namespace {

void BM_CommandForSingleKey(benchmark::State& state) {
  TManualClock clock;
  TScopedTickClock use(clock);
  TKeyQueue queue;
  queue.Add(vkLeft);
  const TSyntKeyMapping& map = DefaultKeyMapping();
  for (auto _ : state) benchmark::DoNotOptimize(map.CommandFor(queue));
}
BENCHMARK(BM_CommandForSingleKey);

void BM_CommandForFullQueue(benchmark::State& state) {
  TManualClock clock;
  TScopedTickClock use(clock);
  TKeyQueue queue;
  queue.Add('X');
  queue.Add(ShortCut('K', scCtrl));
  queue.Add('B');
  const TSyntKeyMapping& map = DefaultKeyMapping();
  for (auto _ : state) benchmark::DoNotOptimize(map.CommandFor(queue));
}
BENCHMARK(BM_CommandForFullQueue);

// Baseline: one ItemByCommand lookup through the index.
void BM_ItemByCommand(benchmark::State& state) {
  const TSyntKeyMapping& map = DefaultKeyMapping();
  int id = cmGotoLine;
  for (auto _ : state) benchmark::DoNotOptimize(map.ItemByCommand(id));
}
BENCHMARK(BM_ItemByCommand);

void BM_AsStringRoundTrip(benchmark::State& state) {
  TSyntKeyMapping map;
  map.AddDefaultCommands();
  for (auto _ : state) {
    std::u16string text = map.AsString();
    map.SetAsString(text);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_AsStringRoundTrip);

}  // namespace

BENCHMARK_MAIN();
