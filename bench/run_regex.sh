#!/usr/bin/env bash
# Builds the shared corpora (once), then builds and runs the expression benchmark in a release
# build against PCRE2.   bench/run_regex.sh [benchmark options, e.g. --benchmark_filter=BM_Ours]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$("$root/bench/corpus.sh" | tail -n 1)
build=$root/build-bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSYNT_BENCH=ON -DSYNT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_regex_tokenize_pcre2
SYNT_CORPUS_DIR=$corpus exec "$build/bench/bench_regex_tokenize_pcre2" "$@"
