#!/usr/bin/env bash
# Installs what is missing, runs the dispatch race tests under ThreadSanitizer, then builds everything and
# runs every test (headless). The last summary line counts the whole suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen

echo "== dispatch races under ThreadSanitizer"
ORVANE_BUILD_DIR="$root/build-tsan" "$root/scripts/build.sh" -DORVANE_SANITIZER=thread \
  -DORVANE_PARTS="standin_tracker;stream" -DORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1" ctest --output-on-failure -R '^Dispatch\.')

echo "== every test"
ORVANE_BUILD_DIR="$root/build" "$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)")
