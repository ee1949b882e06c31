#!/usr/bin/env bash
# Builds the shared benchmark corpora into corpus/ (or the folder given) once; later calls only check.
#   bench/corpus.sh [OUTDIR]   -> pascal-1mb.pas, pascal-10mb.pas, pascal-100mb.pas, c-10mb.c
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/corpus}
"$root/scripts/setup" bench
if [ ! -s "$out/pascal-100mb.pas" ] || [ ! -s "$out/c-10mb.c" ]; then
  python3 "$root/bench/make_corpus.py" "$out"
fi
echo "$out"
