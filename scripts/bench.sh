#!/usr/bin/env bash
# Runs every benchmark (P1-P7, and REC: recording and baking takes) and writes build/bench-results/bench.csv (every figure with the reference it
# was measured against in the same run, and their ratio) and bench.png (latency against the camera rate, the
# UI thread's cost of a frame against the performers, and the UI thread's budget against the cost of a scene
# write). About 10 minutes on 2 cores.
#   ./scripts/bench.sh [--quick]     (--quick: 5 s per rate instead of 30, shorter micro runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
if ! command -v gnuplot >/dev/null 2>&1; then
  # Only the plot needs it; the figures are in the CSV either way.
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  { $sudo_cmd apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq \
      --no-install-recommends gnuplot-nox; } >/dev/null 2>&1 || echo "bench: gnuplot could not be installed; no plot"
fi
build=${ORVANE_BUILD_DIR:-$root/build}
ORVANE_BUILD_DIR="$build" \
  ORVANE_BUILD_TARGETS="transport_bench take_bake_bench scene_bench net_stream_bench live_bench maya-standin tracker-sim orvane_plugin" \
  "$root/scripts/build.sh"

seconds=30; p5=30; net=10; min_time=0.5; host=12; take=60
if [ "${1:-}" = "--quick" ]; then seconds=5; p5=12; net=3; min_time=0.1; host=6; take=10; fi
out="$build/bench-results"
mkdir -p "$out"
export ORVANE_BENCH_CSV="$out/bench.csv" QT_QPA_PLATFORM=offscreen
echo "figure,case,metric,value,unit,reference,reference_value,ratio" >"$ORVANE_BENCH_CSV"
quiet() { grep -v -e '^\[DEBUG\]' -e 'propagateSizeHints\|support raise\|XDG_RUNTIME_DIR' || true; }

echo "== P1 SDK-thread cost of a version 2 frame and of recording it; REC frames dropped at 1,000 Hz (${take} s)"
ORVANE_TAKE_SECONDS="$take" "$build/bench/stream/transport_bench" --benchmark_min_time="$min_time" | quiet
echo "== REC baking 60 s takes: key arithmetic, and the whole bake into the host's curves"
"$build/bench/scene/take_bake_bench" | quiet
echo "== P2 UI-thread cost of a frame, P4 connect time"
"$build/bench/scene/scene_bench" --benchmark_min_time="$min_time" | quiet
echo "== P6 the SDK stand-in alone at 1,000 Hz"
"$build/bench/standin_net/net_stream_bench" "$net" 1000 1,10 | quiet
echo "== P3 latency against the camera rate, P5 memory with a stalled UI thread"
"$build/bench/live/live_bench" --seconds "$seconds" --p5-seconds "$p5" | quiet

echo "== P7 the UI thread's budget in the host: write costs 0-20 us, 8 ms redraws, 10 performers at 360 Hz"
"$root/bench/standin_host/host_figures.sh" "$build" "$host"

echo "== results: $ORVANE_BENCH_CSV"
if command -v gnuplot >/dev/null 2>&1; then
  awk -F, '$1=="P3" && $3=="latency_median" {split($2,a,"[:/]"); m[a[2]]=$4}
           $1=="P3" && $3=="latency_p99" && $6=="goal" {split($2,a,"[:/]"); p[a[2]]=$4}
           $1=="P3" && $3=="applied_share" {split($2,a,"[:/]"); s[a[2]]=$4}
           END {for (r in m) print r, m[r], p[r], s[r]}' "$ORVANE_BENCH_CSV" | sort -n >"$out/p3.dat"
  awk -F, '$1=="P2" && $3=="time" && $6=="360 Hz period" {
             split($2,a,"[:/]"); key="v" a[7] (a[5]=="1" ? "-table-on" : "-table-off");
             print key "," a[3] "," $4}' "$ORVANE_BENCH_CSV" | sort -t, -k1,1 -k2n >"$out/p2.dat"
  awk -F, '$1=="P7" && $2 ~ /write_cost_us/ {split($2,a,"[:/]"); key="v" a[6] "," a[8]; v[key "," $3]=$4; k[key]=1}
           END {for (key in k) print key "," v[key ",ui_frames"] "," v[key ",redraws_per_s"] "," \
                v[key ",applied_per_s"] "," v[key ",latency_p99"] "," v[key ",input_p99"]}' \
    "$ORVANE_BENCH_CSV" | sort -t, -k1,1 -k2n >"$out/p7.dat"
  gnuplot <<GNUPLOT
set terminal pngcairo size 1800,500 noenhanced
set output "$out/bench.png"
set datafile separator whitespace
set multiplot layout 1,3
set offsets graph 0, graph 0, graph 0.15, graph 0
set key below
set title "P3: send time to nodes moved (3 performers, version 2)"
set xlabel "camera rate (Hz)"; set ylabel "latency (ms)"; set y2label "frames applied (share)"
set yrange [0:*]; set y2range [0:1.05]; set ytics nomirror; set y2tics; set grid
plot "$out/p3.dat" using 1:2 with linespoints title "median", \
     "" using 1:3 with linespoints title "99th percentile", \
     8 with lines dashtype 2 title "goal (p99)", \
     "" using 1:4 axes x1y2 with linespoints title "applied share"
unset y2label; unset y2tics; set ytics mirror
set title "P2: UI-thread cost of one frame"
set xlabel "performers (about 40 markers, 20 bones each)"; set ylabel "CPU time (us)"
set datafile separator ","
plot for [k in "v1-table-off v1-table-on v2-table-off v2-table-on"] \
       sprintf("< grep '^%s,' $out/p2.dat", k) using 2:3 with linespoints title k, \
     277.8 with lines dashtype 2 title "10 % of a 360 Hz period"
set title "P7: the UI thread's budget (10 performers, 360 Hz, 8 ms redraws)"
set xlabel "cost of a scene write (us)"; set ylabel "ui frames (%), redraws (1/s), latency p99 (ms)"
set y2label "frames applied (1/s)"; set y2tics; set ytics nomirror; set y2range [0:*]; set xrange [-1:21]
plot for [k in "v2 v1"] sprintf("< grep '^%s,' $out/p7.dat", k) using 2:3 with linespoints title k . " ui frames", \
     for [k in "v2 v1"] sprintf("< grep '^%s,' $out/p7.dat", k) using 2:4 with linespoints title k . " redraws", \
     for [k in "v2 v1"] sprintf("< grep '^%s,' $out/p7.dat", k) using 2:6 with linespoints title k . " latency p99", \
     for [k in "v2 v1"] sprintf("< grep '^%s,' $out/p7.dat", k) using 2:5 axes x1y2 with linespoints dashtype 3 \
       title k . " applied", \
     50 with lines dashtype 2 title "ui frames goal", 30 with lines dashtype 4 title "redraws goal"
unset multiplot
GNUPLOT
  echo "== plot: $out/bench.png"
fi
