#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts the tracking-server simulator on a free loopback port
# and the stand-in host, which loads the plug-in, opens its panel and connects. With a display the host's window
# opens (close it or press Ctrl-C to stop); without one the host runs headless for a while, prints a summary
# line each second and writes a snapshot of its viewport.
#   ./scripts/run.sh [--seconds N] [--version 1|2] [--smooth] [--rate HZ] [--performers N]
#                    [--replay FILE [--bvh-unit-mm X]] [--mel COMMANDS] [--snapshot FILE] [--screenshot FILE]
#                    [--write-cost-us N] [--redraw-cost-ms N] [--record SECONDS [--take-name NAME]]
# --record SECONDS: headless, records a take from the moment the panel is connected, stops and bakes it after
# SECONDS, then prints where the take file is and the curves it was baked into, with their key counts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# Only what runs here: the host, the simulator and the plug-in module (scripts/test.sh builds the rest).
run_targets="maya-standin tracker-sim orvane_plugin"
ORVANE_BUILD_DIR="$root/build" ORVANE_BUILD_TARGETS="$run_targets" "$root/scripts/build.sh"
bin="$root/build/bin"
plugin="$root/build/plug-ins/workspaceControlCmd.so"

performers=2
rate=()
replay=()
version=2
smooth=0
seconds=""
snapshot="$root/build/run-snapshot.png"
screenshot=""
extra_mel=""
costs=()
record=""
take_name=""
while [ $# -gt 0 ]; do
  case "$1" in
    --performers) performers=$2; shift 2 ;;
    --rate) rate=(--rate "$2"); shift 2 ;;
    --replay) replay+=(--replay "$2"); shift 2 ;;
    --bvh-unit-mm) replay+=(--bvh-unit-mm "$2"); shift 2 ;;
    --version) version=$2; shift 2 ;;
    --smooth) smooth=1; shift ;;
    --seconds) seconds=$2; shift 2 ;;
    --snapshot) snapshot=$2; shift 2 ;;
    --screenshot) screenshot=$2; shift 2 ;;
    --mel) extra_mel+="; $2"; shift 2 ;;
    --write-cost-us | --redraw-cost-ms) costs+=("$1" "$2"); shift 2 ;;
    --record) record=$2; shift 2 ;;
    --take-name) take_name=$2; shift 2 ;;
    *) echo "run: unknown argument $1" >&2; exit 2 ;;
  esac
done
case "$version" in
  1) sdk="V1.6" ;;
  2) sdk="V2.0" ;;
  *) echo "run: --version is 1 or 2" >&2; exit 2 ;;
esac

log=$(mktemp)
"$bin/tracker-sim" --port 0 --performers "$performers" "${rate[@]}" "${replay[@]}" >"$log" 2>&1 &
sim_pid=$!
stop_sim() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -f "$log"
}
trap stop_sim EXIT
for _ in $(seq 1 100); do
  grep -q "listening on" "$log" && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$log"; exit 1; }
  sleep 0.05
done
address=$(sed -n 's/^listening on \([0-9.]*:[0-9]*\).*/\1/p' "$log" | head -n 1)
[ -n "$address" ] || { echo "run: the simulator did not report its address"; cat "$log"; exit 1; }
echo "run: tracker-sim on $address"

# What a user does in the host: load the plug-in, open its window (docked here), choose the protocol, connect.
mel="loadPlugin \"$plugin\"; OrvanePluginWindow; workspaceControl -e -floating false customWorkspaceControl;"
mel+=" driveWidget -select \"$sdk\" customWorkspaceControl comboBoxSDKVersion;"
[ "$smooth" = 1 ] && mel+=" driveWidget -check on customWorkspaceControl checkBoxSmooth;"
mel+=" driveWidget -check on customWorkspaceControl checkBoxRefreshUI;"
mel+=" driveWidget -check on customWorkspaceControl checkboxConnect"
mel+="$extra_mel"
if [ -n "$record" ]; then
  mel+="; orvaneRecord -start${take_name:+ -name $take_name}"
  seconds=$record
fi

host_args=(-c "$mel" "${costs[@]}")
headless=1
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  case "${QT_QPA_PLATFORM:-}" in offscreen | minimal) ;; *) headless=0 ;; esac
fi
if [ "$headless" = 0 ]; then
  [ -n "$seconds" ] && host_args+=(--seconds "$seconds")
  [ -n "$screenshot" ] && host_args+=(--frame-all --screenshot "$screenshot")
else
  echo "run: no display: running headless"
  host_args+=(--seconds "${seconds:-10}" --frame-all --snapshot "$snapshot")
fi
status=0
if [ -z "$record" ]; then
  ORVANE_TRACKER_SERVER="$address" "$bin/maya-standin" "${host_args[@]}" || status=$?
  exit "$status"
fi

# A take: the host runs in a folder of its own, whose data/ receives the take file (no workspace is set).
work="$root/build/run-record"
mkdir -p "$work"
scene="$work/take-scene.ma"
host_log="$work/host.log"
(cd "$work" && ORVANE_TRACKER_SERVER="$address" "$bin/maya-standin" --headless "${host_args[@]}" \
  --exit-command "orvaneRecord -stop" --exit-command "orvaneRecord -query -file" --exit-command "ls -type animCurve" \
  --exit-command "file -rename \"$scene\"; file -save -type \"mayaAscii\"") >"$host_log" 2>&1 || status=$?
grep -v -e '^\[DEBUG\]' -e '^frames ' "$host_log" | grep -e 'orvaneRecord' -e 'Error' -e 'Warning' || true
take=$(sed -n 's|^// Result: \(/.*\.take\) //$|\1|p' "$host_log" | tail -n 1)
[ -n "$take" ] || { echo "run: no take was recorded (host log: $host_log)"; exit 1; }
echo "run: take file: $take ($(stat -c %s "$take") bytes)"
curves=$(grep -A1 -F "// Result: $take //" "$host_log" | sed -n '2s|^// Result: \(.*\) //$|\1|p')
if [ -f "$scene" ]; then
  echo "run: scene with the baked curves: $scene"
  # Every curve node of the saved scene with its key count (setAttr -s N ".ktv[...]").
  awk '/^createNode animCurve/ { match($0, /-n "[^"]*"/); name = substr($0, RSTART + 4, RLENGTH - 5); type = $2 }
       /setAttr -s [0-9]+ "\.ktv/ && name != "" { print "  " name " (" type "): " $3 " keys"; name = ""; n++ }
       END { if (n) print "run: " n " curves" }' "$scene"
fi
if [ -n "$curves" ] && ! grep -q '^createNode animCurve' "$scene" 2>/dev/null; then
  echo "run: $(echo "$curves" | wc -w) curves: $curves"
fi
exit "$status"
