#!/bin/sh
# Builds the reader fuzzer with clang and runs it for about a minute. Exits non-zero when the
# fuzzer finds a crash, a leak, a timeout or a broken round trip (the input is kept in
# build-fuzz/artifacts/; copy it to tests/document/regressions/ once fixed).
set -eu
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
CC="${CC:-clang}" CXX="${CXX:-clang++}" cmake -S . -B build-fuzz -G Ninja \
    -DZET_BUILD_FUZZERS=ON -DZET_BUILD_GUI=OFF -DZET_BUILD_TOOLS=OFF -DZET_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_reader -j2
mkdir -p build-fuzz/corpus build-fuzz/artifacts
# New inputs go to the working corpus; the seeds in the tree stay as they are.
fuzzer=build-fuzz/bin/fuzz_reader
[ -x "$fuzzer" ] || fuzzer=build-fuzz/fuzz/fuzz_reader
exec "$fuzzer" build-fuzz/corpus fuzz/corpus/reader \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=8192 \
    -artifact_prefix=build-fuzz/artifacts/ -print_final_stats=1
