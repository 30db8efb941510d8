#!/usr/bin/env bash
# P7: the UI thread's budget in the host as a user runs it. The tracking-server simulator and one headless
# maya-standin with the plug-in loaded, docked and connected (table refresh on), read from the host's own summary
# line (frames applied, latency, ui frames, redraws, input p99), averaged over each run's seconds after the first
# two:
# - 10 performers at 360 Hz, both versions, each transform write and attribute set costing 0, 1, 5 and 20 us and
#   each viewport refresh 8 ms: frames applied per second, UI share, redraws per second, latency, a click's wait
#   (goals at 5 us: ui frames <= 50 %, redraws >= 30/s, input p99 <= 2 x (apply cost + 3 ms), the apply cost
#   being the host's UI share over the frames applied);
# - the CPU one headless host uses at 240 Hz with 3 performers and no costs.
# Rows go to the CSV of scripts/bench.sh (ORVANE_BENCH_CSV) and to standard output.
#   bench/standin_host/host_figures.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$1
seconds=${2:-12}
plugin="$build/plug-ins/workspaceControlCmd.so"
tmp=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && { kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; }
  rm -rf "$tmp"
}
trap cleanup EXIT

row() {  # figure case metric value unit [reference reference_value]
  local ratio="" ref="${6:-}" refv="${7:-}"
  if [ -n "$ref" ] && [ -n "$refv" ]; then
    ratio=$(awk -v a="$4" -v b="$refv" 'BEGIN { if (b != 0) printf "%.4g", a / b }')
  fi
  local line="$1,$2,$3,$4,$5,$ref,$refv,$ratio"
  echo "$line"
  if [ -n "${ORVANE_BENCH_CSV:-}" ]; then echo "$line" >>"$ORVANE_BENCH_CSV"; fi
}

# Runs the host against a fresh simulator; leaves its output in $tmp/host.out and its CPU share in $cpu.
run_host() {  # rate performers version write_cost_us redraw_cost_ms
  "$build/bin/tracker-sim" --port 0 --performers "$2" --rate "$1" --quiet >"$tmp/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 100); do grep -q "listening on" "$tmp/sim.out" && break; sleep 0.05; done
  local address sdk mel
  address=$(sed -n 's/^listening on \([0-9.]*:[0-9]*\).*/\1/p' "$tmp/sim.out" | head -n 1)
  sdk="V2.0"; [ "$3" = 1 ] && sdk="V1.6"
  mel="loadPlugin \"$plugin\"; OrvanePluginWindow; workspaceControl -e -floating false customWorkspaceControl;"
  mel+=" driveWidget -select \"$sdk\" customWorkspaceControl comboBoxSDKVersion;"
  mel+=" driveWidget -check on customWorkspaceControl checkBoxRefreshUI;"
  mel+=" driveWidget -check on customWorkspaceControl checkboxConnect"
  ORVANE_TRACKER_SERVER="$address" QT_QPA_PLATFORM=offscreen "$build/bin/maya-standin" -c "$mel" \
    --seconds "$seconds" --write-cost-us "$4" --redraw-cost-ms "$5" >"$tmp/host.out" 2>&1 &
  local host=$! u0 s0 u1 s1 t0 t1
  sleep 2
  read -r u0 s0 < <(awk '{print $14, $15}' "/proc/$host/stat")
  t0=$(date +%s.%N)
  sleep $((seconds - 3))
  read -r u1 s1 < <(awk '{print $14, $15}' "/proc/$host/stat")
  t1=$(date +%s.%N)
  wait "$host" || true
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=""
  cpu=$(awk -v t="$(getconf CLK_TCK)" -v a="$u0" -v b="$s0" -v c="$u1" -v d="$s1" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "%.1f", 100 * (c + d - a - b) / t / (t1 - t0) }')
}

# Means of the summary lines after the first two seconds: applied/s, latency median, p99, ui %, redraws/s,
# input p99, skipped/s, delivered/s.
summary_means() {
  awk '/^\[ *[0-9]+s\] applied/ {
         n++; if (n <= 2) next
         for (i = 1; i <= NF; i++) {
           if ($i == "frames,") { a += $(i + 1) + 0 }
           if ($i == "median") { med += $(i + 1) }
           if ($i == "p99" && $(i - 1) == "ms") { p99 += $(i + 1) }
           if ($i == "skipped") { sk += $(i + 1) + 0 }
           if ($i == "delivered") { dl += $(i + 1) + 0 }
           if ($i == "frames" && $(i - 1) == "ui") { ui += $(i + 1) + 0 }
           if ($i == "redraws") { rd += $(i + 1) + 0 }
           if ($i == "input") { inp += $(i + 2) }
         }
         m++ }
       END { if (m == 0) { print "0 0 0 0 0 0 0 0"; exit }
             printf "%.1f %.2f %.2f %.1f %.1f %.2f %.1f %.1f\n", a/m, med/m, p99/m, ui/m, rd/m, inp/m, sk/m, dl/m }' \
    "$tmp/host.out"
}

for version in 2 1; do
  for cost in 0 1 5 20; do
    run_host 360 10 "$version" "$cost" 8
    read -r applied median p99 ui redraws input skipped delivered < <(summary_means)
    case="rate:360/performers:10/version:$version/write_cost_us:$cost/redraw_cost_ms:8"
    # The mean cost of applying a frame, from the host's own readout: the UI share over the frames applied.
    apply=$(awk -v u="$ui" -v a="$applied" 'BEGIN { printf "%.2f", (a > 0 ? 10 * u / a : 0) }')
    row P7 "$case" applied_per_s "$applied" 1/s "delivered" "$delivered"
    row P7 "$case" skipped_per_s "$skipped" 1/s
    row P7 "$case" ui_frames "$ui" % "goal" 50
    row P7 "$case" redraws_per_s "$redraws" 1/s "goal" 30
    row P7 "$case" apply_cost_mean "$apply" ms
    row P7 "$case" input_p99 "$input" ms "goal 2x(apply+3 ms)" "$(awk -v c="$apply" 'BEGIN { printf "%.2f", 2 * (c + 3) }')"
    row P7 "$case" latency_median "$median" ms
    row P7 "$case" latency_p99 "$p99" ms
    row P7 "$case" host_cpu "$cpu" "% of a core"
  done
done

run_host 240 3 2 0 0
read -r applied median p99 ui redraws input skipped delivered < <(summary_means)
row P7 "rate:240/performers:3/version:2/no costs" host_cpu "$cpu" "% of a core"
row P7 "rate:240/performers:3/version:2/no costs" latency_p99 "$p99" ms "goal" 8
row P7 "rate:240/performers:3/version:2/no costs" redraws_per_s "$redraws" 1/s
