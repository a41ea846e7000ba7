#!/usr/bin/env bash
# The settings store a named pipe: the program neither blocks on it nor replaces it. The
# window shows, one message names the store, and the view moves for the run.
source "$(dirname "$0")/lib.sh"
start_display
new_workdir
mkdir -p "$(dirname "$SETTINGS")"
mkfifo "$SETTINGS"
start_in "$WORK" "$BUILD/skerrowen"
close_error_box 15
grep -q "^skerrowen: ERROR: The view settings store $SETTINGS is a named pipe, not a regular file" "$OUT" \
  || fail "the message did not name the store and the reason: $(cat "$OUT")"
focus_main
wait_caption '^Skerrowen, Long:  006 Lat:  52 Radius: 3340$' 10
hold Left 0.5
wait_caption '^Skerrowen, Long: (-0[0-9][0-9]|  00[0-5]) Lat:  52 ' 5
sleep 0.3
[ -z "$(error_box)" ] || fail "a second message box"
close_window
expect_exit 5
[ -p "$SETTINGS" ] || fail "the pipe was replaced"
expect_eq "$(ls -A "$(dirname "$SETTINGS")")" "skerrowen.conf" "files beside the store"
echo "ok: pipe settings store"
