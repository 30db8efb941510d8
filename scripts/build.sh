#!/usr/bin/env bash
# Configures and builds into build/ (or $ORVANE_BUILD_DIR); extra arguments go to CMake's configure step.
# $ORVANE_BUILD_TARGETS limits the build to those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
if [ -n "${ORVANE_BUILD_TARGETS:-}" ]; then
  # shellcheck disable=SC2086
  cmake --build "$build" -j "$(nproc)" --target ${ORVANE_BUILD_TARGETS}
else
  cmake --build "$build" -j "$(nproc)"
fi
