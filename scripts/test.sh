#!/usr/bin/env bash
# Installs what is missing and checks the formatting; builds everything (the product with -pedantic -Werror,
# the tests, the benchmarks) with AddressSanitizer and UndefinedBehaviorSanitizer, runs clang-tidy over the
# product and every test (headless) with leak detection on; builds the tests that run threads with
# ThreadSanitizer and runs them; builds the plug-in as it ships (optimised, -pedantic -Werror); runs each
# libFuzzer target for 20 s. Each stage prints its time. The first ctest summary counts the whole suite; at
# the end comes the list of skipped tests with their reasons, so none goes unnoticed. scripts/stress.sh runs the stress tests at full size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen

# Every ctest run writes a JUnit report here; the skipped tests are listed from them at the end, also when a
# stage fails.
reports=$(mktemp -d)
list_skipped() {
  echo "== skipped tests"
  local listed
  listed=$(for report in "$reports"/*.xml; do
    [ -e "$report" ] || continue
    # A skipped case carries <skipped .../>; GoogleTest prints "FILE:LINE: Skipped" and then the reason.
    awk -v stage="$(basename "$report" .xml)" '
      /<testcase / { match($0, /name="[^"]*"/); name = substr($0, RSTART + 6, RLENGTH - 7); skipped = 0; why = ""; next_is_why = 0 }
      /<skipped/ { skipped = 1 }
      next_is_why { why = $0; next_is_why = 0 }
      /: Skipped$/ { next_is_why = 1 }
      /<\/testcase>/ { if (skipped) print "  [" stage "] " name (why == "" ? "" : ": " why) }
    ' "$report"
  done)
  echo "${listed:-  none}"
  rm -rf "$reports"
}
trap list_skipped EXIT
echo "== formatting"
"$root/scripts/check-format.sh"

# shellcheck source=scripts/sanitizer-env.sh
. "$root/scripts/sanitizer-env.sh"

# Prints a stage's time, from $stage_started.
stage_done() { echo "$1 stage: $(($(date +%s) - stage_started)) s"; }

echo "== every test under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer"
stage_started=$(date +%s)
ORVANE_BUILD_DIR="$root/build-asan" "$root/scripts/build.sh" "${ORVANE_ASAN_CONFIGURE[@]}"
stage_done "asan build"
echo "== clang-tidy over the product"
stage_started=$(date +%s)
ORVANE_BUILD_DIR="$root/build-asan" "$root/scripts/clang-tidy.sh"
stage_done "clang-tidy"
stage_started=$(date +%s)
(cd "$root/build-asan" && ASAN_OPTIONS="$ORVANE_ASAN_OPTIONS" LSAN_OPTIONS="$ORVANE_LSAN_OPTIONS" \
  UBSAN_OPTIONS="$ORVANE_UBSAN_OPTIONS" ctest --output-on-failure -j "$(nproc)" --output-junit "$reports/asan.xml")
stage_done "asan tests"

echo "== every test that runs threads under ThreadSanitizer"
stage_started=$(date +%s)
ORVANE_BUILD_DIR="$root/build-tsan" ORVANE_BUILD_TARGETS="${ORVANE_TSAN_TARGETS[*]}" "$root/scripts/build.sh" \
  "${ORVANE_TSAN_CONFIGURE[@]}"
stage_done "tsan build"
stage_started=$(date +%s)
(cd "$root/build-tsan" && TSAN_OPTIONS="$ORVANE_TSAN_OPTIONS" \
  ctest --output-on-failure -j "$(nproc)" -L threads --output-junit "$reports/tsan.xml")
stage_done "tsan tests"

echo "== the plug-in as shipped: optimised, -pedantic -Werror (some warnings come only with the optimiser)"
stage_started=$(date +%s)
ORVANE_BUILD_TARGETS="orvane_plugin" "$root/scripts/build.sh" -DORVANE_WERROR=ON
stage_done "optimised build"

echo "== coverage-guided fuzzing (libFuzzer, 20 s per fuzzer; scripts/fuzz.sh SECONDS runs longer)"
stage_started=$(date +%s)
"$root/scripts/fuzz.sh" 20
stage_done "fuzz"
