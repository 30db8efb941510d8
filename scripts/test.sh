#!/usr/bin/env bash
# Installs what is missing, checks the formatting, runs the dispatch and frame-transport race tests under
# ThreadSanitizer, the malformed-input tests under AddressSanitizer/UBSan and each libFuzzer target for 20 s,
# then builds everything (the product with -pedantic -Werror), runs clang-tidy over the product and runs every
# test (headless). The last ctest summary counts the whole suite; after it comes the list of skipped tests with
# their reasons, so none goes unnoticed.
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

echo "== dispatch and frame transport races under ThreadSanitizer"
ORVANE_BUILD_DIR="$root/build-tsan" ORVANE_BUILD_TARGETS="stream_tests" "$root/scripts/build.sh" -DORVANE_SANITIZER=thread \
  -DORVANE_PARTS="standin_tracker;stream" -DORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp" \
  ctest --output-on-failure -R '^(Dispatch|FrameQueue)\.' --output-junit "$reports/tsan.xml")

echo "== malformed input under AddressSanitizer and UndefinedBehaviorSanitizer"
ORVANE_BUILD_DIR="$root/build-asan" \
  ORVANE_BUILD_TARGETS="scene_tests stream_tests orvane_capture_tests orvane_net_codec_tests" "$root/scripts/build.sh" -DORVANE_SANITIZER="address,undefined" \
  -DORVANE_PARTS="standin_maya;standin_capture;standin_tracker;standin_net;stream;scene" -DORVANE_BUILD_BENCH=OFF
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --output-on-failure -j "$(nproc)" -R '^(MalformedInput|CaptureFuzz|WireFuzz|RecordAccess|Smoothing)\.' \
  --output-junit "$reports/asan.xml")

echo "== coverage-guided fuzzing (libFuzzer, 20 s per fuzzer; scripts/fuzz.sh SECONDS runs longer)"
"$root/scripts/fuzz.sh" 20

echo "== every test (the product built with -pedantic -Werror)"
ORVANE_BUILD_DIR="$root/build" "$root/scripts/build.sh" -DORVANE_WERROR=ON
echo "== clang-tidy over the product"
ORVANE_BUILD_DIR="$root/build" "$root/scripts/clang-tidy.sh"
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)" --output-junit "$reports/all.xml")
