#!/usr/bin/env bash
# Soak test: Skerrowen under random keys for a long time, on a virtual X display.
#
#   bench/soak.sh [SECONDS] [BUILD-DIR]        defaults: 600 s, ./build
#   SOAK_SEED=1234 bench/soak.sh 600 build     repeats the random choices of an earlier run
#
# Needs Xvfb, xdotool and xset (scripts/install-deps.sh). Not run by CI.
#
# For SECONDS it presses and releases random keys in the program's window, each held for
# 10 to 300 ms: the arrows, Page Up and Page Down, W and S, Ctrl+Left and Ctrl+Right, other
# letters, sometimes two keys at once, M (a station map, checked to store the STATION pair
# named by the caption) and Alt+Print Screen followed by the release of Alt (a capture,
# checked to store the pair named by the caption). Every minute it presses Enter and waits
# until the next pass has begun (its "Program start:" log line), checking that the redrawn
# pair was stored. When the program ends without being told to, that counts as a crash: its
# output is kept, and it is started again.
#
# A store is seen by the file's identity, its inode and its modification time to the
# nanosecond: the file system hands a freed inode number to the next new file, so with whole
# seconds two stores within one second (the redraw's two, or a capture just before Enter)
# could leave the identity unchanged and a stored pair counted as not stored.
#
# It reads the program's resident size (VmRSS in /proc/PID/status) after the first frame,
# after the first redraw (when the redraw's buffers exist) and at the end, and prints a
# summary: duration, key events sent, Enters, captures, station maps and map pairs written,
# map files on disk, crashes, and the resident sizes with their growth. It fails (exit 1) on a
# crash, a redraw that does not finish, a store that did not happen, a half-written map pair,
# a temporary left behind, growth of more than 16 MB after the first redraw, or a program that
# does not end on Esc at the end.
set -uo pipefail

duration=${1:-600}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
seed=${SOAK_SEED:-$(date +%s)}
RANDOM=$seed

source "$here/../scripts/virtual-display.sh"
work=$(mktemp -d /tmp/skerrowen-soak.XXXXXX)
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cp "$build/maps/earthmap.bmp" "$work/"
app=""
finish() {
  xdotool keyup ctrl alt Left Right Up Down Prior Next 2>/dev/null
  [ -n "$app" ] && kill -9 "$app" 2>/dev/null
  stop_virtual_display
}
trap finish EXIT
start_virtual_display "$work/xvfb.log" || exit 1

events=0 enters=0 captures=0 captured=0 redrawn=0 stations=0 stationed=0 crashes=0 failures=0
rss_start="" rss_after_redraw="" wid=""

note() { echo "[$(date +%T)] $*"; }
problem() {
  failures=$((failures + 1))
  note "PROBLEM: $*"
}
caption() { xdotool getwindowname "$wid" 2>/dev/null || true; }
rss() { awk '/^VmRSS:/ {print $2}' "/proc/$app/status" 2>/dev/null; }

start_app() {
  (cd "$work" && exec "$build/skerrowen") >>"$work/program-output.txt" 2>&1 &
  app=$!
  wid=""
  for _ in $(seq 400); do
    wid=$(xdotool search --onlyvisible --name '^Skerrowen' 2>/dev/null | head -n 1)
    [ -n "$wid" ] && break
    sleep 0.05
  done
  [ -n "$wid" ] || { note "the window did not appear"; exit 1; }
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
  wait_frame_caption 20 || { note "no frame caption after start"; exit 1; }
}

# wait_frame_caption SECONDS: until the caption shows a frame (not the redraw's progress).
wait_frame_caption() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -le "$deadline" ]; do
    caption | grep -q '^Skerrowen, Long: ' && return 0
    kill -0 "$app" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# The map pair the current caption names: "Long: -090 Lat:  05 Radius: 3340" gives
# MAP_3340_-90_5; with STATION, the station map's STATION_3340_-90_5 (its radius at most
# 20038, as M caps it).
map_name() {
  local text long lat radius
  text=$(caption)
  [[ $text =~ Long:\ *(-?)0*([0-9]+)\ Lat:\ *(-?)0*([0-9]+)\ Radius:\ ([0-9]+)$ ]] || return 1
  long=${BASH_REMATCH[1]}${BASH_REMATCH[2]}
  lat=${BASH_REMATCH[3]}${BASH_REMATCH[4]}
  radius=$((10#${BASH_REMATCH[5]}))
  [ "$long" == "-0" ] && long=0
  [ "$lat" == "-0" ] && lat=0
  if [ "${1:-}" == STATION ]; then
    [ "$radius" -gt 20038 ] && radius=20038
    printf 'STATION_%04d_%s_%s' "$radius" "$long" "$lat"
  else
    printf 'MAP_%04d_%s_%s' "$radius" "$long" "$lat"
  fi
}

# A file's identity: every store renames a new file into place.
identity() { stat -c '%i %y' "$1" 2>/dev/null || echo none; }
log_count() { grep -c "$1" "$work/Brannoch.log" 2>/dev/null || true; }

# stored_since NAME BEFORE SECONDS [SUFFIX]: the pair NAME was written anew (its picture has
# SUFFIX, default BMP).
stored_since() {
  local deadline=$((SECONDS + $3))
  while [ $SECONDS -le "$deadline" ]; do
    [ "$(identity "$work/$1.${4:-BMP}")" != "$2" ] && [ -s "$work/$1.DAT" ] && return 0
    sleep 0.05
  done
  return 1
}

# After a store was not seen: whether the pair turns up within 10 s more (then the soak
# looked too early) or never, with what stands there, for the record.
store_evidence() {
  local name=$1 before=$2 suffix=${3:-BMP}
  note "    before: $before; now: $(identity "$work/$name.$suffix"), side file $(identity "$work/$name.DAT")"
  if stored_since "$name" "$before" 10 "$suffix"; then
    note "    the pair turned up later: $(identity "$work/$name.$suffix")"
  else
    note "    the pair never turned up; last log lines: $(tail -n 3 "$work/Brannoch.log" | tr -d '\r' | tr '\n' '|')"
  fi
}

down() {
  xdotool keydown "$@"
  events=$((events + $#))
}
up() {
  xdotool keyup "$@"
  events=$((events + $#))
}
hold_time() { printf '0.%03d' $((10 + RANDOM % 291)); }

# A crash is the program ending while nothing told it to; it is started again.
check_alive() {
  kill -0 "$app" 2>/dev/null && return 0
  wait "$app" 2>/dev/null
  local status=$?
  crashes=$((crashes + 1))
  note "CRASH: the program ended with status $status; output kept in $work/program-output.txt"
  tail -n 20 "$work/program-output.txt" | sed 's/^/    /'
  start_app
  return 1
}

# M: the station map of the view, stored as the STATION pair the caption names.
station_map() {
  sleep 0.1
  wait_frame_caption 60 || return
  local name before stored deadline
  name=$(map_name STATION) || { problem "caption not understood: '$(caption)'"; return; }
  before=$(identity "$work/$name.PNG")
  stored=$(log_count '^Station map: ')
  stations=$((stations + 1))
  down m; sleep "$(hold_time)"; up m
  deadline=$((SECONDS + 120))
  until [ "$(log_count '^Station map: ')" -gt "$stored" ]; do
    kill -0 "$app" 2>/dev/null || return
    [ $SECONDS -le $deadline ] || { problem "the station map $name was not logged within 120 s"; return; }
    sleep 0.05
  done
  if stored_since "$name" "$before" 5 PNG; then
    stationed=$((stationed + 1))
  else
    problem "the station map did not store $name"
    store_evidence "$name" "$before" PNG
  fi
}

random_action() {
  local letters=(a b c d e f g h i j k l n o p q r t u v x y z)
  local plain=(Left Right Up Down Prior Next w s)
  case $((RANDOM % 20)) in
    0 | 1 | 2 | 3 | 4 | 5 | 6 | 7)  # one view key
      local key=${plain[RANDOM % ${#plain[@]}]}
      down "$key"; sleep "$(hold_time)"; up "$key" ;;
    8 | 9)  # two view keys overlapping
      local a=${plain[RANDOM % ${#plain[@]}]} b=${plain[RANDOM % ${#plain[@]}]}
      [ "$a" == "$b" ] && b=Up
      down "$a"; sleep "$(hold_time)"; down "$b"; sleep "$(hold_time)"; up "$a"; up "$b" ;;
    10 | 11 | 12)  # the sun
      local arrow=Left
      [ $((RANDOM % 2)) -eq 0 ] && arrow=Right
      down ctrl; down "$arrow"; sleep "$(hold_time)"; up "$arrow"; up ctrl ;;
    13 | 14)  # another letter
      local letter=${letters[RANDOM % ${#letters[@]}]}
      down "$letter"; sleep "$(hold_time)"; up "$letter" ;;
    15)  # a station map
      station_map ;;
    *)  # a capture
      sleep 0.1  # the last view step has landed in the caption
      wait_frame_caption 60 || return  # not while a station map (M) is under way
      local name before
      name=$(map_name) || { problem "caption not understood: '$(caption)'"; return; }
      before=$(identity "$work/$name.BMP")
      captures=$((captures + 1))
      down alt; down Print; sleep "$(hold_time)"; up Print; sleep "$(hold_time)"; up alt
      if stored_since "$name" "$before" 3; then
        captured=$((captured + 1))
      elif kill -0 "$app" 2>/dev/null; then
        problem "the capture did not store $name"
        store_evidence "$name" "$before"
      fi ;;
  esac
}

# Enter, then wait until the next pass has begun (its "Program start:" log line, written
# after the redraw stored its pair): a frame caption alone is also what shows before the
# redraw starts.
redraw() {
  sleep 0.1
  local name before passes deadline
  # A station map (M) may still be under way; its caption is not the frame's.
  wait_frame_caption 60 || { check_alive || return; }
  name=$(map_name) || { problem "caption not understood: '$(caption)'"; return; }
  before=$(identity "$work/$name.BMP")
  passes=$(log_count '^Program start: ')
  enters=$((enters + 1))
  down Return; up Return
  deadline=$((SECONDS + 120))
  until [ "$(log_count '^Program start: ')" -gt "$passes" ]; do
    if [ $SECONDS -gt $deadline ]; then
      check_alive || return
      problem "the redraw did not finish within 120 s (caption '$(caption)'); restarting"
      kill -9 "$app" 2>/dev/null
      wait "$app" 2>/dev/null
      start_app
      return
    fi
    kill -0 "$app" 2>/dev/null || { check_alive; return; }
    sleep 0.05
  done
  wait_frame_caption 60 || { check_alive || return; }
  if stored_since "$name" "$before" 5; then
    redrawn=$((redrawn + 1))
  else
    problem "the redraw did not store $name"
    store_evidence "$name" "$before"
  fi
  xdotool windowfocus "$wid" 2>/dev/null
  if [ -z "$rss_after_redraw" ]; then
    sleep 1
    rss_after_redraw=$(rss)
  fi
}

note "soak: $duration s, seed $seed, build $build, working directory $work"
start_app
sleep 1
rss_start=$(rss)
note "first frame: $(caption), resident $rss_start kB"
began=$SECONDS
next_enter=$((began + 60))
while [ $((SECONDS - began)) -lt "$duration" ]; do
  if [ $SECONDS -ge $next_enter ]; then
    redraw
    next_enter=$((next_enter + 60))
    note "Enter $enters done: $(caption), resident $(rss) kB, $events key events so far"
  else
    random_action
  fi
  check_alive
done
sleep 1
rss_end=$(rss)
elapsed=$((SECONDS - began))
# Esc: the last redraw, then the program ends by itself.
down Escape; up Escape
for _ in $(seq 1200); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
  problem "the program did not end after Esc"
else
  wait "$app" 2>/dev/null || problem "the program ended after Esc with status $?"
  app=""
fi

bitmaps=$(find "$work" -maxdepth 1 -name 'MAP_*.BMP' | wc -l)
sides=$(find "$work" -maxdepth 1 -name 'MAP_*.DAT' | wc -l)
station_files=$(find "$work" -maxdepth 1 -name 'STATION_*' | wc -l)
parts=$(find "$work" -maxdepth 1 -name '.skerrowen-*.part' | wc -l)
orphans=0
for f in "$work"/MAP_*.BMP "$work"/MAP_*.DAT; do
  [ -e "$f" ] || continue
  { [ -e "${f%.*}.BMP" ] && [ -e "${f%.*}.DAT" ]; } || orphans=$((orphans + 1))
done
for f in "$work"/STATION_*.PNG "$work"/STATION_*.DAT; do
  [ -e "$f" ] || continue
  { [ -e "${f%.*}.PNG" ] && [ -e "${f%.*}.DAT" ]; } || orphans=$((orphans + 1))
done
[ "$parts" -eq 0 ] && [ "$orphans" -eq 0 ] || problem "$parts temporary files, $orphans map files without their partner"
growth_start=$((rss_end - rss_start))
growth_redraw=$((rss_end - ${rss_after_redraw:-$rss_start}))
[ "$growth_redraw" -le 16384 ] || problem "resident size grew by $growth_redraw kB after the first redraw"
[ "$captured" -eq "$captures" ] || problem "$((captures - captured)) captures stored nothing"
[ "$redrawn" -eq "$enters" ] || problem "$((enters - redrawn)) redraws stored nothing"
[ "$stationed" -eq "$stations" ] || problem "$((stations - stationed)) station maps stored nothing"

cat <<EOF

Soak summary (seed $seed)
  duration                 $elapsed s
  key events sent          $events (presses and releases)
  Enters                   $enters (redraws that stored their pair: $redrawn)
  captures                 $captures (stored: $captured)
  station maps (M)         $stations (stored: $stationed)
  map pairs written        $((redrawn * 2 + captured + stationed)) (two per redraw: the view, then the redrawn map)
  map files on disk        $bitmaps BMP, $sides DAT, $station_files STATION, $orphans without partner, $parts temporary
  log lines                $(wc -l <"$work/Brannoch.log")
  crashes                  $crashes
  resident at first frame  $rss_start kB
  after the first redraw   ${rss_after_redraw:-n/a} kB
  at the end               $rss_end kB (growth $growth_start kB since the first frame, $growth_redraw kB since the first redraw)
  problems                 $failures
EOF
if [ "$crashes" -eq 0 ] && [ "$failures" -eq 0 ]; then
  rm -rf "$work"
  echo "soak: passed"
else
  echo "soak: FAILED (working directory kept: $work)"
  exit 1
fi
