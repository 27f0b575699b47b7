#!/usr/bin/env bash
# Builds the native benchmarks (optimised) and runs them all.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
cd "$root"
cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc)" >/dev/null
for bench in "$root"/build/host/bench/*_bench; do
  echo "=== $(basename "$bench")"
  "$bench" --benchmark_color=false "$@"
done
