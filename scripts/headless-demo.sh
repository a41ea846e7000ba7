#!/usr/bin/env bash
# On a machine without a display: runs Skerrowen on a virtual X display and drives one
# short session itself (turn the globe a little, Enter for a redrawn map, Esc to quit),
# then says which map pair it wrote and where. Usage: headless-demo.sh BUILD-DIR
set -euo pipefail
build=$(cd "${1:?usage: headless-demo.sh BUILD-DIR}" && pwd)
maps="$build/maps"
source "$(dirname "$0")/virtual-display.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/skerrowen-demo.XXXXXX")
app=""
finish() {
  [ -z "$app" ] || { kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true; }
  stop_virtual_display
  rm -rf "$work"
}
trap finish EXIT
start_virtual_display "$work/xvfb.log"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$work}"

echo "No display here: running Skerrowen on the virtual display $DISPLAY."
started=$(date +%s)
(cd "$maps" && exec "$build/skerrowen") &
app=$!
window=""
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --name '^Skerrowen' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.05
done
[ -n "$window" ] || { echo "The window did not appear." >&2; exit 1; }
xdotool windowfocus "$window" 2>/dev/null || true
sleep 0.5
echo "Window: $(xdotool getwindowname "$window")"
echo "Turning the globe a little westwards (Left held for half a second)..."
xdotool keydown Left; sleep 0.5; xdotool keyup Left; sleep 0.2
echo "Window: $(xdotool getwindowname "$window")"
echo "Enter: the map is redrawn in software and stored."
xdotool key Return
for _ in $(seq 400); do
  xdotool getwindowname "$window" | grep -q '^Skerrowen' && [ "$(find "$maps" -name 'MAP_*.BMP' -newermt "@$started" | wc -l)" -gt 0 ] && break
  sleep 0.05
done
sleep 0.5
echo "Esc: the map is redrawn and stored once more, and the program ends."
xdotool key Escape
for _ in $(seq 400); do kill -0 "$app" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$app" 2>/dev/null; then
  echo "The program did not end." >&2
  exit 1
fi
app=""
echo
echo "Map pairs written in $maps:"
find "$maps" -maxdepth 1 -name 'MAP_*' -newermt "@$started" -printf '  %f (%s bytes)\n' | sort
for side in $(find "$maps" -maxdepth 1 -name 'MAP_*.DAT' -newermt "@$started" | sort); do
  echo "$(basename "$side"):"
  tr -d '\r' <"$side" | sed 's/^/  /'
done
