#!/bin/bash
# Builds the benchmarks in Release and runs them.
#   bench/run.sh [bench_document arguments...]   the document core (e.g. --zet-max-records=100000)
#   bench/run.sh --all                           also every benchmark of bench/<part>/ (bench_*)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
dir="${ZET_BENCH_BUILD:-$top/build-bench}"
jobs="${ZET_BENCH_JOBS:-2}"

targets=(bench_document)
gui=OFF
if [ "${1:-}" = "--all" ]; then
    shift
    for part in "$top"/bench/*/CMakeLists.txt; do
        [ -e "$part" ] || continue
        name="$(basename "$(dirname "$part")")"
        # Every benchmark the part defines (bench/chm has more than one).
        for target in $(sed -n 's/^ *add_executable(\(bench_[A-Za-z0-9_]*\).*/\1/p' "$part"); do
            targets+=("$target")
        done
        case "$name" in dnd | find | form | gui | helpdialog | preview | search | undo) gui=ON ;; esac
    done
fi

cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZET_BUILD_GUI="$gui" \
    -DZET_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" --target "${targets[@]}" -j"$jobs"

"$dir/bin/bench_document" "$@"
for target in "${targets[@]:1}"; do
    echo
    QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$dir/bin/$target"
done
