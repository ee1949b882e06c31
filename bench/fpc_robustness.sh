#!/usr/bin/env bash
# Runs the Pascal lexer over the whole fpc-source tree (or DIR): no error, consistent results.
#   bench/fpc_robustness.sh [DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup" bench
build=$root/build-bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSYNT_BENCH=ON -DSYNT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_fpc_robustness
exec "$build/bench/bench_fpc_robustness" "${1:-/usr/share/fpcsrc}"
