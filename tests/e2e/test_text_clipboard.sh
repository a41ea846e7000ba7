#!/usr/bin/env bash
# A clipboard holding only text when Alt is released after Alt+Print Screen: the capture
# stores nothing and the release is logged; a capture afterwards still works.
source "$(dirname "$0")/lib.sh"
command -v xclip >/dev/null || skip "xclip is not installed"
XCLIP_PID=""
stop_xclip() { [ -z "$XCLIP_PID" ] || kill "$XCLIP_PID" 2>/dev/null || true; }
TEST_CLEANUP=stop_xclip
start_display
new_workdir
base="$WORK/MAP_3340_6_52"

start_app
xdotool keydown alt key Print
sleep 0.3
printf 'only words here' | xclip -quiet -selection clipboard -i 2>/dev/null &
XCLIP_PID=$!
sleep 0.5
expect_eq "$(xclip -selection clipboard -o 2>/dev/null)" "only words here" "the clipboard's text"
xdotool keyup alt
sleep 0.5
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
expect_eq "$(log_lines | tail -n 1)" "18; 0" "log line of the Alt release"
expect_eq "$(ls "$WORK" | grep -c '^MAP_' || true)" "0" "map files stored"
kill "$XCLIP_PID" 2>/dev/null || true
XCLIP_PID=""
xdotool keydown alt key Print keyup alt
wait_file "$base.BMP" 5
wait_file "$base.DAT" 5
maps_whole "$WORK"
close_window
expect_exit 2
echo "ok: text clipboard"
