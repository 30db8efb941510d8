#!/usr/bin/env bash
# Fault and lifecycle stress at full size (CTest runs the same tests reduced): 200 connect/disconnect cycles per
# protocol version and with the version switched, the control closed and the module unloaded while streaming and
# while a disconnection waits, 50 load/unload rounds, 10 SIGKILLs of the server, a minute of a lossy stream, and
# the malformed descriptions and frames. Prints a PASS/FAIL line per test with the figures it measured, then a
# summary; exits non-zero when anything failed.
#
#   scripts/stress.sh [--sanitizers] [--cycles N] [--loads N] [--kills N] [--loss-seconds N]
#
# Plain build: build/ (or $ORVANE_BUILD_DIR). --sanitizers runs the same again built with AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer (build-asan/) and with ThreadSanitizer (build-tsan/), configured
# as scripts/test.sh configures them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export QT_QPA_PLATFORM=offscreen
cycles=200 loads=50 kills=10 loss_seconds=60 sanitizers=0
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitizers) sanitizers=1 ;;
    --cycles) cycles=$2; shift ;;
    --loads) loads=$2; shift ;;
    --kills) kills=$2; shift ;;
    --loss-seconds) loss_seconds=$2; shift ;;
    *) echo "usage: $0 [--sanitizers] [--cycles N] [--loads N] [--kills N] [--loss-seconds N]" >&2; exit 2 ;;
  esac
  shift
done
export ORVANE_STRESS_CYCLES=$cycles ORVANE_STRESS_LOADS=$loads ORVANE_STRESS_KILLS=$kills
export ORVANE_STRESS_LOSS_SECONDS=$loss_seconds
# shellcheck source=scripts/sanitizer-env.sh
. "$root/scripts/sanitizer-env.sh"

results=$(mktemp)
trap 'rm -f "$results"' EXIT

# Runs the stress tests and the malformed-stream tests of one build; appends "PASS|FAIL name seconds" lines.
run_build() {
  local label=$1 build=$2
  local log="$build/stress-$label.log"
  echo "== $label: $build"
  for exe in "$build/tests/stress/stress_tests" "$build/tests/panel/panel_tests"; do
    local filter='*'
    [ "$(basename "$exe")" = panel_tests ] && filter='MalformedStream.*'
    "$exe" --gtest_filter="$filter" 2>&1 | tee -a "$log" | grep -E '^(\[ +(OK|FAILED) +\]|stress:)' || true
  done
  # "[       OK ] Suite.Case (1234 ms)" and "[  FAILED  ] Suite.Case (1234 ms)", once per test.
  awk -v label="$label" '
    /^\[ +OK +\] [A-Za-z]/ { sub(/\(/, "", $5); printf "PASS %-8s %s %.1f\n", label, $4, $5 / 1000 }
    /^\[  FAILED  \] [A-Za-z].*\(/ { sub(/\(/, "", $5); printf "FAIL %-8s %s %.1f\n", label, $4, $5 / 1000 }
  ' "$log" >>"$results"
  if ! grep -q '^\[  PASSED  \]' "$log"; then
    grep -q 'no progress for' "$log" && echo "FAIL $label watchdog: $(grep -m1 'no progress for' "$log")" >>"$results"
  fi
}

build_and_run() {
  local label=$1 build=$2
  shift 2
  ORVANE_BUILD_DIR="$build" ORVANE_BUILD_TARGETS="stress_tests panel_tests" "$root/scripts/build.sh" "$@"
  rm -f "$build/stress-$label.log"
  if [ "$label" = tsan ]; then
    TSAN_OPTIONS="$ORVANE_TSAN_OPTIONS" run_build "$label" "$build"
  elif [ "$label" = asan ]; then
    ASAN_OPTIONS="$ORVANE_ASAN_OPTIONS" LSAN_OPTIONS="$ORVANE_LSAN_OPTIONS" UBSAN_OPTIONS="$ORVANE_UBSAN_OPTIONS" \
      run_build "$label" "$build"
  else
    run_build "$label" "$build"
  fi
}

echo "== stress: $cycles cycles, $loads load rounds, $kills server kills, $loss_seconds s of a lossy stream"
build_and_run plain "${ORVANE_BUILD_DIR:-$root/build}"
if [ "$sanitizers" = 1 ]; then
  build_and_run asan "$root/build-asan" "${ORVANE_ASAN_CONFIGURE[@]}"
  build_and_run tsan "$root/build-tsan" "${ORVANE_TSAN_CONFIGURE[@]}"
fi

echo "== summary"
sort -k2,2 -s "$results"
passed=$(grep -c '^PASS' "$results" || true)
failed=$(grep -c '^FAIL' "$results" || true)
echo "stress: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
