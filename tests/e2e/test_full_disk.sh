#!/usr/bin/env bash
# The working directory on a full disk: Enter tells which file could not be written and
# why, the program goes on to its next pass, and nothing half-written is left.
source "$(dirname "$0")/lib.sh"
full="$WORK/full"
MOUNTED=""
# The tmpfs goes away with the test; when it failed, what it held is kept beside it.
unmount_full() {
  [ -n "$MOUNTED" ] || return 0
  stop_app
  [ "$1" -eq 0 ] || cp -a "$full" "$WORK/full-disk-contents" 2>/dev/null
  umount -l "$full"
}
TEST_CLEANUP=unmount_full

mkdir "$full"
[ "$(id -u)" -eq 0 ] || skip "mounting a tmpfs needs root"
mount -t tmpfs -o size=200k tmpfs "$full" 2>"$WORK/mount.txt" || skip "mount -t tmpfs failed: $(cat "$WORK/mount.txt")"
MOUNTED="$full"
start_display
new_workdir

start_in "$full" "$BUILD/skerrowen"
focus_main
wait_caption '^Skerrowen, Long: ' 10
press Return
close_error_box 20
grep -Eq '^skerrowen: ERROR: The map was not stored: cannot write "MAP_[0-9]+_[-0-9]+_[-0-9]+\.BMP": .*No space left on device' \
  "$OUT" || fail "the message did not name the file and the reason: $(cat "$OUT")"
# The redraw stores twice (the view, then the redrawn map) under one name; both fail
# alike, and the operator is told once.
deadline=$((SECONDS + 30))
until caption | grep -q '^Skerrowen, Long: ' && [ -z "$(error_box)" ]; do
  [ $SECONDS -le $deadline ] || fail "the next pass never began (caption '$(caption)')"
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
  [ -n "$(error_box)" ] && close_error_box 1
  sleep 0.1
done
sleep 0.3
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended after the redraw"
expect_eq "$(grep -c 'The map was not stored' "$OUT")" "1" "messages for one redraw"
expect_eq "$(tr -d '\r' <"$full/Brannoch.log" | grep -c '^Program start: ')" "2" "passes begun"
maps_whole "$full"
close_window
expect_exit 2
echo "ok: full disk"
