#!/usr/bin/env bash
# Sets up, builds the program alone (Release, in build-run/) and opens the bundled sample book.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
cmake -S "$top" -B "$top/build-run" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DZET_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-run" --target zetbrowser -j"$(nproc)"
exec "$top/build-run/bin/zetbrowser" "$top/samples/luch.zet"
