#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ (or $ORVANE_FUZZ_BUILD_DIR) and runs each for
# SECONDS_PER_FUZZER (default 20) on a copy of its seed corpus tests/fuzz/corpus/<name>/, which is never written
# to; as many at a time as there are cores (at most 2, or $ORVANE_FUZZ_JOBS). $ORVANE_FUZZERS picks some of them.
# Prints for each fuzzer its executions, exec/s, coverage (cov: edges, ft: features) and crashes, then a summary
# line; exits 1 if the build fails or any fuzzer crashed or did not run. A run's grown corpus, log and crashing
# inputs stay in build-fuzz/fuzz-runs/<name>/ (corpus/, log, crashes/). ORVANE_FUZZ_KEEP_GOING=1 (for long runs)
# runs each fuzzer in libFuzzer's fork mode, which goes on after a crash and collects every crashing input.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
build=${ORVANE_FUZZ_BUILD_DIR:-$root/build-fuzz}
fuzzers=(${ORVANE_FUZZERS:-wire_decoder scene_binding mel_interpreter bvh_reader c3d_reader trc_reader
                             take_reader})
jobs=${ORVANE_FUZZ_JOBS:-$(nproc)}
[ "$jobs" -gt 2 ] && [ -z "${ORVANE_FUZZ_JOBS:-}" ] && jobs=2

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
targets=""
for f in "${fuzzers[@]}"; do targets+="fuzz_$f "; done
started=$(date +%s)
buildlog=$(mktemp)
if ! ORVANE_BUILD_DIR="$build" ORVANE_BUILD_TARGETS="$targets" "$root/scripts/build.sh" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
  -DORVANE_FUZZ=ON -DORVANE_SANITIZER="fuzzer-no-link,address,undefined" -DBUILD_TESTING=OFF \
  -DORVANE_PARTS="standin_maya;standin_capture;standin_tracker;standin_net;stream;scene" -DORVANE_BUILD_BENCH=OFF \
  >"$buildlog" 2>&1; then
  cat "$buildlog"
  rm -f "$buildlog"
  echo "fuzz: the build failed"
  exit 1
fi
rm -f "$buildlog"
echo "fuzz: built in $(($(date +%s) - started)) s; ${#fuzzers[@]} fuzzers, $seconds s each, $jobs at a time"

run() {
  local name=$1 work="$build/fuzz-runs/$1"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/crashes"
  cp -r "$root/tests/fuzz/corpus/$name/." "$work/corpus/"
  local dict=() mode=()
  [ -f "$root/tests/fuzz/$name.dict" ] && dict=(-dict="$root/tests/fuzz/$name.dict")
  [ -n "${ORVANE_FUZZ_KEEP_GOING:-}" ] && mode=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  # Leaks are not looked for: the host keeps process-wide state on purpose (QApplication, node types).
  ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:symbolize=1" \
    UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1" \
    QT_QPA_PLATFORM=offscreen \
    "$build/fuzz/fuzz_$name" "$work/corpus" "${dict[@]}" "${mode[@]}" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/crashes/" >"$work/log" 2>&1 || true
}

report() {
  local name=$1 work="$build/fuzz-runs/$1"
  local runs rate cov ft crashes
  # Missing figures (a fuzzer that died early) print as '?', never stop the report.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1 || true)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log" | tail -1 || true)
  # Fork mode prints no final stats: its last status line counts the executions of all its jobs.
  [ -n "$runs" ] || runs=$(grep -oE '^#[0-9]+' "$work/log" | tail -1 | tr -d '#' || true)
  if [ -z "$rate" ]; then
    local secs
    secs=$(grep -oE ' time: [0-9]+s' "$work/log" | tail -1 | tr -dc '0-9' || true)
    [ -n "$runs" ] && [ -n "$secs" ] && [ "$secs" -gt 0 ] && rate=$((runs / secs))
  fi
  cov=$(grep -oE 'cov: [0-9]+' "$work/log" | tail -1 | awk '{print $NF}' || true)
  ft=$(grep -oE 'ft: [0-9]+' "$work/log" | tail -1 | awk '{print $NF}' || true)
  crashes=$(find "$work/crashes" -type f | wc -l)
  printf '%-16s %10s executions %7s exec/s  cov %5s  ft %6s  crashes %s\n' "$name" "${runs:-?}" "${rate:-?}" \
    "${cov:-?}" "${ft:-?}" "$crashes"
  if [ "$crashes" -gt 0 ]; then
    find "$work/crashes" -type f -printf '  crashing input: %p\n'
    grep -m1 -E 'ERROR: |fuzz property violated|runtime error' "$work/log" | sed 's/^/  /' || true
  fi
  if [ -z "$runs" ]; then  # the fuzzer never reported: count it as a failure, with its log's end
    tail -n 20 "$work/log" | sed 's/^/  /'
    crashes=$((crashes + 1))
  fi
  total_runs=$((total_runs + ${runs:-0}))
  total_crashes=$((total_crashes + crashes))
}

running=0
for f in "${fuzzers[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run "$f" &
  running=$((running + 1))
done
wait
total_runs=0
total_crashes=0
for f in "${fuzzers[@]}"; do report "$f"; done
echo "fuzz: ${#fuzzers[@]} fuzzers, $total_runs executions, $total_crashes crashes, $(($(date +%s) - started)) s in all"
[ "$total_crashes" -eq 0 ]
