#!/bin/sh
# Builds the fuzzers with clang and runs them for about a minute in all: half for the book
# reader, a quarter each for the help compiler's project, contents and page readers and for the
# search index's reading of pages. Exits
# non-zero when a fuzzer finds a crash, a leak, a timeout or a broken invariant (the input is
# kept in build-fuzz/artifacts/; copy it to tests/document/regressions/ or fuzz/corpus/ once
# fixed).
set -eu
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
reader_seconds=$((seconds / 2))
hhp_seconds=$((seconds / 4))
words_seconds=$((seconds - reader_seconds - hhp_seconds))
CC="${CC:-clang}" CXX="${CXX:-clang++}" cmake -S . -B build-fuzz -G Ninja \
    -DZET_BUILD_FUZZERS=ON -DZET_BUILD_GUI=OFF -DZET_BUILD_TOOLS=OFF -DZET_BUILD_BENCH=OFF
cmake --build build-fuzz --target fuzz_reader fuzz_hhp fuzz_html_words -j2
mkdir -p build-fuzz/corpus build-fuzz/corpus-hhp build-fuzz/corpus-words build-fuzz/artifacts
# New inputs go to the working corpora; the seeds in the tree stay as they are.
run() {
    fuzzer=build-fuzz/bin/$1
    [ -x "$fuzzer" ] || fuzzer=build-fuzz/fuzz/$1
    shift
    "$fuzzer" "$@" -rss_limit_mb=2048 -timeout=10 -artifact_prefix=build-fuzz/artifacts/ \
        -print_final_stats=1
}
run fuzz_reader build-fuzz/corpus fuzz/corpus/reader -max_total_time="$reader_seconds" \
    -max_len=8192
run fuzz_hhp build-fuzz/corpus-hhp fuzz/corpus/hhp -max_total_time="$hhp_seconds" \
    -max_len=16384
run fuzz_html_words build-fuzz/corpus-words fuzz/corpus/html_words \
    -max_total_time="$words_seconds" -max_len=65536
