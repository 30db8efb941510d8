#!/usr/bin/env bash
# Takes the README's picture of the host window: runs ./scripts/run.sh on a virtual X display (Xvfb, installed
# when missing) for a few seconds and captures the window as the X server shows it.
#   ./scripts/screenshot.sh [FILE]     (default docs/host.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/host.png}")
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "screenshot: installing xvfb"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends xvfb xauth
fi
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  xvfb-run -a -s "-screen 0 1280x800x24" "$root/scripts/run.sh" --seconds 6 --screenshot "$out" \
  --mel "select Performer2_Hips" --mel "listRelatives -c Performer2_Hips"
