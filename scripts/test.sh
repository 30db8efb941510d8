#!/usr/bin/env bash
# Installs what is missing, runs the dispatch race tests under ThreadSanitizer, the malformed-input tests
# under AddressSanitizer/UBSan and each libFuzzer target for 20 s, then builds everything and runs every test
# (headless). The last summary line counts the whole suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen

echo "== dispatch races under ThreadSanitizer"
ORVANE_BUILD_DIR="$root/build-tsan" ORVANE_BUILD_TARGETS="stream_tests" "$root/scripts/build.sh" -DORVANE_SANITIZER=thread \
  -DORVANE_PARTS="standin_tracker;stream" -DORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1" ctest --output-on-failure -R '^Dispatch\.')

echo "== malformed input under AddressSanitizer and UndefinedBehaviorSanitizer"
ORVANE_BUILD_DIR="$root/build-asan" \
  ORVANE_BUILD_TARGETS="scene_tests stream_tests orvane_capture_tests orvane_net_codec_tests" "$root/scripts/build.sh" -DORVANE_SANITIZER="address,undefined" \
  -DORVANE_PARTS="standin_maya;standin_capture;standin_tracker;standin_net;stream;scene" -DORVANE_BUILD_BENCH=OFF
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --output-on-failure -j "$(nproc)" -R '^(MalformedInput|CaptureFuzz|WireFuzz|RecordAccess|Smoothing)\.')

echo "== coverage-guided fuzzing (libFuzzer, 20 s per fuzzer; scripts/fuzz.sh SECONDS runs longer)"
"$root/scripts/fuzz.sh" 20

echo "== every test"
ORVANE_BUILD_DIR="$root/build" "$root/scripts/build.sh"
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)")
