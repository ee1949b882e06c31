#!/usr/bin/env bash
# Runs every shipped lexer over the real files Debian packages install (see lexer_robustness.cpp).
#   bench/lexer_robustness.sh [LANG ...]      e.g. bench/lexer_robustness.sh Python JSON
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SYNT_BUILD_DIR:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSYNT_BENCH=ON -DSYNT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_lexer_robustness
exec "$build/bench/bench_lexer_robustness" "$@"
