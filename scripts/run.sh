#!/usr/bin/env bash
# Sets up, builds and opens the bundled sample book in ZET browser.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=Release -DZET_BUILD_BENCH=OFF
exec "$top/build/bin/zetbrowser" "$top/samples/luch.zet"
