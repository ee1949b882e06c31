#!/usr/bin/env bash
# Builds the per-lexer corpora of bench/lexers.cpp into corpus/ (or the folder given) once.
#   bench/lexers_corpus.sh [OUTDIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/corpus}
python3 "$root/bench/make_lexer_corpora.py" "$out"
echo "$out"
