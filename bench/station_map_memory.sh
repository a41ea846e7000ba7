#!/usr/bin/env bash
# The window's resident size around its station maps: ten M presses, each at another centre,
# with the settings' default map (2048 pixels, rings, bearing lines, grey line).
#
#   bench/station_map_memory.sh [BUILD-DIR]      default ./build; not run by CI
#
# Prints the resident size (VmRSS) at the first frame and after each map is stored, and fails
# when the ten maps grow it by more than 12 MB. Needs Xvfb and xdotool.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
source "$here/../scripts/virtual-display.sh"
work=$(mktemp -d /tmp/skerrowen-map-memory.XXXXXX)
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cp "$build/maps/earthmap.bmp" "$work/"
app=""
finish() {
  if [ -n "$app" ]; then
    kill -9 "$app" 2>/dev/null
    wait "$app" 2>/dev/null
  fi
  stop_virtual_display
}
trap finish EXIT
start_virtual_display "$work/xvfb.log" || exit 1
(cd "$work" && exec "$build/skerrowen") >"$work/program-output.txt" 2>&1 &
app=$!
wid=""
for _ in $(seq 200); do
  wid=$(xdotool search --onlyvisible --name '^Skerrowen' 2>/dev/null | head -n 1)
  [ -n "$wid" ] && break
  sleep 0.05
done
[ -n "$wid" ] || { echo "the window did not appear" >&2; exit 1; }
xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
rss() { awk '/^VmRSS:/ {print $2}' "/proc/$app/status"; }
maps() { grep -c '^Station map: ' "$work/Brannoch.log" 2>/dev/null || true; }

sleep 2
before=$(rss)
echo "first frame: $before kB"
for k in $(seq 10); do
  xdotool keydown Left
  sleep 0.3
  xdotool keyup Left
  sleep 0.2
  stored=$(maps)
  xdotool key m
  for _ in $(seq 1200); do
    [ "$(maps)" -gt "$stored" ] && break
    kill -0 "$app" 2>/dev/null || { echo "the program ended" >&2; exit 1; }
    sleep 0.05
  done
  [ "$(maps)" -gt "$stored" ] || { echo "map $k was not stored" >&2; exit 1; }
  sleep 0.5
  echo "after map $k: $(rss) kB ($(tr -d '\r' <"$work/Brannoch.log" | grep '^Station map: ' | tail -n 1))"
done
growth=$(($(rss) - before))
echo "ten station maps: resident size grew by $growth kB"
rm -rf "$work"
[ "$growth" -le 12288 ] || { echo "more than 12 MB" >&2; exit 1; }
