#!/usr/bin/env bash
# Both ways of making a map: Alt+Print Screen stores the window, Enter redraws the map in
# software and stores it, then the next pass starts with the saved view.
source "$(dirname "$0")/lib.sh"
start_display
new_workdir
start_app
base="$WORK/MAP_3340_6_52"
side_file_ok() { printf 'Radius : 3340\r\nLong   : 6\r\nLat    : 52\r\n' | cmp -s - "$base.DAT"; }

# Capture: Alt down, Print Screen down and up, Alt up.
xdotool keydown alt key Print keyup alt
wait_file "$base.BMP" 5
wait_file "$base.DAT" 5
sleep 0.2
expect_eq "$(bmp_size "$base.BMP")" "557 557" "size of the captured map"
side_file_ok || fail "side file of the capture: $(od -c "$base.DAT")"
expect_eq "$(log_lines | tail -n 2 | tr '\n' ' ')" "44; 4 18; 0 " "log lines of the capture"
[ "$LOG" -nt "$base.BMP" ] || [ "$(stat -c %Y "$LOG")" -ge "$(stat -c %Y "$base.BMP")" ] \
  || fail "the Alt release was logged before the map was stored"
# The capture shows the globe, not the empty grey of Picture4.
centre=$(convert "$base.BMP" -format '%[pixel:p{278,278}]' info:)
[ "$centre" != "srgb(128,128,128)" ] || fail "the captured map is grey"
captured=$(md5sum <"$base.BMP")

# Enter: the redraw stores the map under the same name and the next pass begins.
press Return
wait_caption '^ 100\.0 %$|^Skerrowen' 30
for _ in $(seq 200); do
  [ "$(md5sum <"$base.BMP")" != "$captured" ] && [ "$(log_lines | grep -c '^Program start: ')" -eq 2 ] && break
  sleep 0.05
done
[ "$(md5sum <"$base.BMP")" != "$captured" ] || fail "Enter did not store a redrawn map"
expect_eq "$(log_lines | grep -c '^Program start: ')" "2" "start lines after the redraw"
wait_caption '^Skerrowen, Long:  006 Lat:  52 Radius: 3340$' 10
expect_eq "$(bmp_size "$base.BMP")" "557 557" "size of the redrawn map"
side_file_ok || fail "side file of the redraw: $(od -c "$base.DAT")"
ls -A "$WORK" | grep -q '^\.skerrowen-.*\.part$' && fail "a temporary file was left"

# Esc pressed during the redraw: the redraw finishes, stores its map, and the program ends.
rm -f "$base.BMP" "$base.DAT"
during_redraw press Escape
expect_exit 30
[ -s "$base.BMP" ] && [ -s "$base.DAT" ] || fail "Esc during the redraw lost the map"
expect_eq "$(log_lines | tail -n 2 | tr '\n' ' ')" "13; 0 27; 0 " "log lines of Enter and Esc"

# Closing the window during a redraw ends the program at once.
start_app
during_redraw close_window
expect_exit 2
echo "ok: maps"
