#!/bin/bash
# Builds the benchmarks in Release and runs them: bench/run.sh [bench_document arguments...]
# e.g. bench/run.sh --zet-max-records=100000 for a quick run.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
dir="${ZET_BENCH_BUILD:-$top/build-bench}"
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZET_BUILD_GUI=OFF \
    -DZET_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" --target bench_document -j"${ZET_BENCH_JOBS:-2}"
"$dir/bin/bench_document" "$@"
