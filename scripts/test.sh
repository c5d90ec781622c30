#!/usr/bin/env bash
# Sets up, builds and runs every test: the full build, everything again under AddressSanitizer
# and UndefinedBehaviorSanitizer (widget tests included), and a short fuzzing run of the readers.
# A test that skips fails the run unless it is listed below with its reason.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/setup.sh"

# "ctest name[ Qt test function]|why it may skip here". Keep this list short.
allowed_skips=(
)

# Runs ctest in a build folder, then fails on any skip not allowed above.
run_tests() {
    local dir=$1
    shift
    (cd "$dir" && env QT_QPA_PLATFORM=offscreen "$@" ctest --output-on-failure -j"$jobs" \
        --test-output-size-passed 4000000 --output-junit junit.xml)
    local skipped unexpected=0
    skipped=$(python3 "$top/scripts/skipped-tests.py" "$dir/junit.xml")
    while IFS= read -r test; do
        [ -n "$test" ] || continue
        local allowed=no entry
        for entry in "${allowed_skips[@]}"; do
            [ "${entry%%|*}" = "$test" ] && allowed=yes
        done
        if [ $allowed = yes ]; then
            echo "Skipped (allowed): $test"
        else
            echo "Skipped, which a test may not do here: $test" >&2
            unexpected=1
        fi
    done <<<"$skipped"
    return $unexpected
}

echo "== Full build and tests"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_tests "$top/build"

echo "== Everything under AddressSanitizer and UndefinedBehaviorSanitizer"
"$top/scripts/build.sh" "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DZET_SANITIZE=ON
run_tests "$top/build-asan" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1

if command -v clang++ >/dev/null && [ -x "$top/fuzz/run.sh" ]; then
    echo "== Fuzzing"
    "$top/fuzz/run.sh"
fi
