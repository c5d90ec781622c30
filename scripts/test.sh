#!/usr/bin/env bash
# Sets up, builds and runs every test: the full build, the core under ASan+UBSan, and a short
# fuzzing run of the reader.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/setup.sh"

echo "== Full build and tests"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
(cd "$top/build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

echo "== Core under AddressSanitizer and UndefinedBehaviorSanitizer"
"$top/scripts/build.sh" "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DZET_SANITIZE=ON \
    -DZET_BUILD_GUI=OFF -DZET_BUILD_BENCH=OFF
(cd "$top/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$jobs")

if command -v clang++ >/dev/null && [ -x "$top/fuzz/run.sh" ]; then
    echo "== Fuzzing the reader"
    "$top/fuzz/run.sh"
fi
