#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (headless), then the dispatch race
# tests again under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen

ORVANE_BUILD_DIR="$root/build" "$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)")

echo "== dispatch and frame queue races under ThreadSanitizer"
ORVANE_BUILD_DIR="$root/build-tsan" "$root/scripts/build.sh" -DORVANE_SANITIZER=thread \
  -DORVANE_PARTS="standin_tracker;stream" -DORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1" ctest --output-on-failure -R '^Dispatch\.')
