#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts the tracking-server simulator on a free loopback
# port and runs the stand-in host with the plug-in connected to it. Without a display it runs headless.
#   ./scripts/run.sh [--seconds N] [--version 1|2] [--smooth] [--performers N] [--replay FILE [--bvh-unit-mm X]]
# Ctrl-C stops it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
ORVANE_BUILD_DIR="$root/build" "$root/scripts/build.sh"
bin="$root/build/bin"

performers=2
replay=()
demo_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --performers) performers=$2; shift 2 ;;
    --replay) replay+=(--replay "$2"); shift 2 ;;
    --bvh-unit-mm) replay+=(--bvh-unit-mm "$2"); shift 2 ;;
    *) demo_args+=("$1"); shift ;;
  esac
done

[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen

sim="$bin/tracker-sim"
if [ ! -x "$sim" ]; then
  echo "run: no tracker-sim built; streaming the SDK's in-process performers"
  exec "$bin/orvane-demo" --performers "$performers" "${demo_args[@]}"
fi

log=$(mktemp)
"$sim" --port 0 --performers "$performers" "${replay[@]}" >"$log" 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 1 100); do
  grep -q "listening on" "$log" && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$log"; exit 1; }
  sleep 0.05
done
address=$(sed -n 's/^listening on \([0-9.]*:[0-9]*\).*/\1/p' "$log" | head -n 1)
[ -n "$address" ] || { echo "run: the simulator did not report its address"; cat "$log"; exit 1; }
echo "run: tracker-sim on $address"
ORVANE_TRACKER_SERVER="$address" "$bin/orvane-demo" "${demo_args[@]}"
