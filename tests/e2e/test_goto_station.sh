#!/usr/bin/env bash
# Ctrl+G opens on the press of G, whichever key the hand lets go of first, turns the view to a
# typed locator and can keep it as the station; Esc in the dialog changes nothing; M stores
# the station map of the view, the same map skerrowen-map makes; Esc or closing the window
# while it is made stop it within a second and leave no file; a folder or a link where its
# files go is told, never followed; a folder it cannot write is told once and left empty.
source "$(dirname "$0")/lib.sh"

goto_dialog() { xdotool search --onlyvisible --name '^Go to$' 2>/dev/null | head -n 1 || true; }
error_box() { xdotool search --onlyvisible --name '^ERROR$' 2>/dev/null | head -n 1 || true; }

# wait_window FINDER SECONDS: prints the window's id once it shows.
wait_window() {
  local deadline=$((SECONDS + $2)) id=""
  until id=$($1) && [ -n "$id" ]; do
    [ $SECONDS -le $deadline ] || fail "no window from $1 (caption '$(caption)')"
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
    sleep 0.05
  done
  sleep 0.3  # mapped a moment before it takes keys
  xdotool windowfocus "$id" 2>/dev/null || true
  echo "$id"
}

wait_gone() {
  local deadline=$((SECONDS + $2))
  while [ -n "$($1)" ]; do
    [ $SECONDS -le $deadline ] || fail "the window from $1 did not close"
    sleep 0.05
  done
}

ctrl_g() { xdotool keydown ctrl keydown g keyup g keyup ctrl; }

focus_main() { xdotool windowfocus --sync "$WID" 2>/dev/null || xdotool windowfocus "$WID"; }

running() { kill -0 "$APP_PID" 2>/dev/null || fail "$1: the program ended"; }

# wait_view_stored "ROTATION TILT" WHAT: the store is written at the window's next event
# processing, a moment after the caption shows the turn.
wait_view_stored() {
  local deadline=$((SECONDS + 5))
  until [ "$(setting Rotation) $(setting Tilt)" == "$1" ]; do
    [ $SECONDS -le $deadline ] || fail "$2: expected '$1' in the store, got '$(setting Rotation) $(setting Tilt)'"
    sleep 0.05
  done
}

start_display
new_workdir
start_app

# A locator, kept as the station: the centre is the locator's, to whole degrees. xdotool
# lets go of Ctrl before G; both releases are logged.
press ctrl+g
wait_window goto_dialog 10 >/dev/null
xdotool type --delay 20 'FN31pr'
xdotool key Tab space Return
wait_gone goto_dialog 5
focus_main
wait_caption '^Skerrowen, Long: -073 Lat:  42 Radius: 3340$' 5
wait_view_stored "343 42" "view in the store after Ctrl+G"
expect_eq "$(setting Place)" "FN31pr" "station in the store"
grep -q '^\[Station\]$' "$SETTINGS" || fail "no Station section: $(cat "$SETTINGS")"
expect_eq "$(log_lines | tail -n 2 | sort | tr '\n' ' ')" "17; 0 71; 0 " "log lines of Ctrl released before G"
running "Ctrl+G"

# Another place, not the station: the view turns, the station stays.
ctrl_g
wait_window goto_dialog 10 >/dev/null
xdotool type --delay 20 'JO62qm'
xdotool key Return
wait_gone goto_dialog 5
focus_main
wait_caption '^Skerrowen, Long:  013 Lat:  53 Radius: 3340$' 5
wait_view_stored "257 53" "view in the store after going elsewhere"
expect_eq "$(setting Place)" "FN31pr" "station after going elsewhere"

# Esc in the dialog: nothing changes, nothing reaches the globe, the program runs on.
before=$(cat "$SETTINGS")
lines=$(log_lines | wc -l)
ctrl_g
wait_window goto_dialog 10 >/dev/null
xdotool type --delay 20 '10,10'
xdotool key Escape
wait_gone goto_dialog 5
focus_main
sleep 0.5
running "Esc in the dialog"
expect_eq "$(caption)" "Skerrowen, Long:  013 Lat:  53 Radius: 3340" "caption after Esc in the dialog"
expect_eq "$(cat "$SETTINGS")" "$before" "store after Esc in the dialog"
expect_eq "$(log_lines | tail -n +$((lines + 1)) | tr '\n' ' ')" "71; 2 17; 0 " "log lines of Ctrl+G and Esc"

# M at the default size: a STATION pair, the same picture as skerrowen-map's with the same
# centre, radius, overlays, country layers and station.
base="$WORK/STATION_3340_13_53"
started=$(date +%s.%N)
press m
seen_progress=""
deadline=$((SECONDS + 120))
until log_lines | grep -qx 'Station map: STATION_3340_13_53.PNG'; do
  [ $SECONDS -le $deadline ] || fail "no station map logged (caption '$(caption)')"
  running "M"
  if [ -z "$seen_progress" ] && caption | grep -Eq '^Station map: (Decoding|Projecting|Marking|Storing) [0-9]+\.[0-9] %$'; then
    seen_progress=yes
    press Left  # taken and logged while the map is made, but it turns nothing
  fi
  sleep 0.02
done
finished=$(date +%s.%N)
echo "M at 2048 x 2048: $(echo "$finished - $started" | bc) s from the key to the log line"
[ -n "$seen_progress" ] || fail "the caption never showed the station map's progress"
[ -s "$base.PNG" ] && [ -s "$base.DAT" ] || fail "no STATION pair: $(ls "$WORK")"
expect_eq "$(identify -format '%w %h' "$base.PNG")" "2048 2048" "size of the station map"
printf 'Radius : 3340\r\nLong   : 13\r\nLat    : 53\r\n' | cmp -s - "$base.DAT" || fail "side file: $(od -c "$base.DAT")"
expect_eq "$(log_lines | grep -c '^Target FN31pr: ')" "1" "target line of the station"
expect_eq "$(log_lines | tail -n 3 | head -n 1)" "37; 0" "the Left released while the map was made"
wait_caption '^Skerrowen, Long:  013 Lat:  53 Radius: 3340$' 5
"$BUILD/skerrowen-map" --centre 53,13 --radius 3340 --size 2048 --rings 1000 --spokes 30 --time now --countries --prefixes \
  --target FN31pr --out "$WORK/reference.png" >/dev/null
ncc=$(compare -metric NCC "$base.PNG" "$WORK/reference.png" null: 2>&1 || true)
echo "correlation with skerrowen-map: $ncc"
awk -v n="$ncc" 'BEGIN { exit !(n >= 0.98) }' || fail "the station map does not match skerrowen-map's: NCC $ncc"
running "after M"

# press_during_map KEY-COMMAND...: M, then the command as soon as the caption shows the map's
# progress; prints the seconds from the command until the map is stopped (its log line).
press_during_map() {
  local deadline=$((SECONDS + 30)) started
  press m
  until caption | grep -q '^Station map: '; do
    [ $SECONDS -le $deadline ] || fail "the station map's progress never showed (caption '$(caption)')"
    sleep 0.01
  done
  started=$(date +%s.%N)
  "$@"
  until log_lines | grep -qx 'Station map stopped: STATION_3340_13_53.PNG'; do
    [ $SECONDS -le $deadline ] || fail "the station map was not stopped (caption '$(caption)')"
    sleep 0.01
  done
  echo "$(date +%s.%N) - $started" | bc
}

# Esc while the map is made: it stops within a second, the view is redrawn, the program ends.
rm "$base.PNG" "$base.DAT"
took=$(press_during_map press Escape)
echo "Esc stopped the station map in $took s"
awk -v t="$took" 'BEGIN { exit !(t < 1) }' || fail "Esc took $took s to stop the station map"
expect_exit 60
[ ! -e "$base.PNG" ] && [ ! -e "$base.DAT" ] || fail "a stopped map left a file: $(ls -A "$WORK")"
! ls -A "$WORK" | grep -q '^\.skerrowen-' || fail "a temporary was left: $(ls -A "$WORK")"
expect_eq "$(log_lines | grep -A1 -x '27; 0' | tail -n 1)" "Station map stopped: STATION_3340_13_53.PNG" \
  "log after Esc during the map"

# Closing the window while the map is made ends the program at once, with no file left.
start_app
wait_caption '^Skerrowen, Long:  013 Lat:  53 Radius: 3340$' 5
took=$(press_during_map close_window)
expect_exit 2
echo "closing stopped the station map in $took s"
awk -v t="$took" 'BEGIN { exit !(t < 1) }' || fail "closing took $took s to stop the station map"
expect_eq "$(log_lines | tail -n 1)" "Station map stopped: STATION_3340_13_53.PNG" "last log line after closing"
[ ! -e "$base.PNG" ] && ! ls -A "$WORK" | grep -q '^\.skerrowen-' || fail "closing left a file: $(ls -A "$WORK")"

# A folder where the side file goes, a link beside it to a file only its owner reads: told in
# one message, nothing read or replaced, and the program goes on.
start_app
wait_caption '^Skerrowen, Long:  013 Lat:  53 Radius: 3340$' 5
mkdir "$base.DAT"
press m
box=$(wait_window error_box 30)
grep -q "^skerrowen: ERROR: The station map was not stored: \"STATION_3340_13_53.DAT\" is a folder" "$OUT" \
  || fail "a folder at the side file's name: $(cat "$OUT")"
xdotool key --window "$box" Return 2>/dev/null || xdotool key Return
wait_gone error_box 5
rmdir "$base.DAT"
echo "only for its owner" >"$WORK/secret"
chmod 600 "$WORK/secret"
ln -s "$WORK/secret" "$base.DAT"
mkdir "$base.PNG"
focus_main
press m
box=$(wait_window error_box 30)
grep -q "^skerrowen: ERROR: The station map was not stored: \"STATION_3340_13_53.PNG\" is a folder" "$OUT" \
  || fail "a folder at the picture's name: $(cat "$OUT")"
xdotool key --window "$box" Return 2>/dev/null || xdotool key Return
wait_gone error_box 5
[ -L "$base.DAT" ] && [ "$(stat -c %a "$WORK/secret")" == 600 ] || fail "the link or its file was changed"
rmdir "$base.PNG"
rm "$base.DAT"
focus_main
sleep 0.5
running "names in the way"

# A folder the program cannot write: one message, no file, and the program goes on.
readonly_dir="$WORK/readonly"
mkdir "$readonly_dir"
cp "$WORK/earthmap.bmp" "$readonly_dir/"
printf '#!/bin/sh\nexec setpriv --bounding-set=-dac_override,-dac_read_search "%s"\n' "$BUILD/skerrowen" \
  >"$WORK/skerrowen-without-override"
chmod +x "$WORK/skerrowen-without-override"
close_window
expect_exit 2
start_in "$readonly_dir" "$WORK/skerrowen-without-override"
focus_main
wait_caption '^Skerrowen, Long:  013 Lat:  53 Radius: 3340$' 10
chmod a-w "$readonly_dir"
press m
box=$(wait_window error_box 30)
grep -q '^skerrowen: ERROR: The station map was not stored: .*cannot be written' "$OUT" \
  || fail "read-only folder: the message was not clear: $(cat "$OUT")"
xdotool key --window "$box" Return 2>/dev/null || xdotool key Return
wait_gone error_box 5
focus_main
sleep 0.5
running "read-only folder"
expect_eq "$(grep -c 'ERROR' "$OUT")" "1" "messages in the read-only folder"
expect_eq "$(ls "$readonly_dir" | grep -vx -e earthmap.bmp -e Brannoch.log | tr '\n' ' ')" "" "files in the read-only folder"
caption | grep -q '^Skerrowen, Long: ' || fail "read-only folder: a redraw began: $(caption)"
expect_eq "$(tr -d '\r' <"$readonly_dir/Brannoch.log" | tail -n 1)" "77; 0" "log of M in the read-only folder"
chmod u+w "$readonly_dir"
close_window
expect_exit 2
echo "ok: go to and station maps"
