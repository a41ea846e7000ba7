#!/usr/bin/env bash
# Bad input the real program meets under X: a globe model that is missing or garbled in a
# copy of the program directory, a working directory on a full disk, and a clipboard that
# holds only text when Alt is released after Alt+Print Screen, and a settings store that is
# a named pipe.
source "$(dirname "$0")/lib.sh"

MOUNTED=""
XCLIP_PID=""
bad_input_cleanup() {
  [ -n "$XCLIP_PID" ] && kill "$XCLIP_PID" 2>/dev/null || true
  [ -n "${APP_PID:-}" ] && kill -9 "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
  [ -n "$MOUNTED" ] && umount -l "$MOUNTED" 2>/dev/null || true
  cleanup
}
trap bad_input_cleanup EXIT

focus_main() { xdotool windowfocus --sync "$WID" 2>/dev/null || xdotool windowfocus "$WID"; }

error_box() { xdotool search --onlyvisible --name '^ERROR$' 2>/dev/null | head -n 1 || true; }

# close_error_box SECONDS: waits for a message box titled "ERROR" and closes it with Return.
close_error_box() {
  local deadline=$((SECONDS + $1)) box=""
  until box=$(error_box) && [ -n "$box" ]; do
    [ $SECONDS -le $deadline ] || fail "no ERROR message box appeared (caption '$(caption)')"
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended instead of showing its message"
    sleep 0.05
  done
  # A box is mapped a moment before it takes keys; a Return that lands on the main window
  # instead would start a redraw, so it is pressed again only while the box still shows.
  sleep 0.5
  for _ in $(seq 10); do
    xdotool windowfocus "$box" 2>/dev/null || true
    xdotool key Return
    sleep 1
    [ "$(error_box)" == "$box" ] || return 0
  done
  fail "the ERROR message box did not close on Return"
}

# maps_whole DIR: no temporary file, and no bitmap without its side file or the reverse.
maps_whole() {
  local f
  ! ls "$1" | grep -q '\.part$' || fail "a temporary file was left in $1: $(ls "$1")"
  for f in "$1"/MAP_*.BMP "$1"/MAP_*.DAT; do
    [ -e "$f" ] || continue
    [ -e "${f%.*}.BMP" ] && [ -e "${f%.*}.DAT" ] || fail "$(basename "$f") stands without its partner"
  done
}

started=$SECONDS
start_display
new_workdir
copy="$WORK/program"
mkdir "$copy"
cp "$BUILD/skerrowen" "$BUILD/5.x" "$BUILD/earth.jpg" "$copy/"
base="$WORK/MAP_3340_6_52"

# The globe model missing, then garbled: one "Error loading models", then the loop runs
# with the caption, and Esc still redraws and stores the map.
for fault in missing garbled; do
  rm -f "$copy/5.x" "$base.BMP" "$base.DAT"
  if [ "$fault" == garbled ]; then
    cp "$BUILD/5.x" "$copy/5.x"
    head -c 8192 < <(yes '}{ ;; Mesh ,,') | dd of="$copy/5.x" bs=1 seek=200000 conv=notrunc status=none
  fi
  start_in "$WORK" "$copy/skerrowen"
  close_error_box 15
  grep -q '^skerrowen: ERROR: Error loading models$' "$WORK/stdout.txt" \
    || fail "5.x $fault: the message was not 'Error loading models': $(cat "$WORK/stdout.txt")"
  focus_main
  wait_caption '^Skerrowen, Long:  006 Lat:  52 Radius: 3340$' 10
  sleep 0.3
  [ -z "$(error_box)" ] || fail "5.x $fault: a second message box"
  ! log_lines | grep -qx '13; 0' || fail "5.x $fault: the Return that closed the box reached the window"
  caption | grep -q '^Skerrowen, Long: ' || fail "5.x $fault: a redraw began by itself: $(caption)"
  press Escape
  expect_exit 30
  [ -s "$base.BMP" ] && [ -s "$base.DAT" ] || fail "5.x $fault: Esc stored no map"
  expect_eq "$(bmp_size "$base.BMP")" "557 557" "5.x $fault: size of the redrawn map"
  maps_whole "$WORK"
  echo "ok: 5.x $fault"
done

# The working directory on a full disk: Enter tells which file could not be written and
# why, the program goes on to its next pass, and nothing half-written is left.
full="$WORK/full"
mkdir "$full"
if [ "$(id -u)" -ne 0 ]; then
  echo "skip: full disk: mounting a tmpfs needs root"
elif ! mount -t tmpfs -o size=200k tmpfs "$full" 2>"$WORK/mount.txt"; then
  echo "skip: full disk: mount -t tmpfs failed: $(cat "$WORK/mount.txt")"
else
  MOUNTED="$full"
  start_in "$full" "$BUILD/skerrowen"
  focus_main
  wait_caption '^Skerrowen, Long: ' 10
  press Return
  close_error_box 20
  grep -Eq '^skerrowen: ERROR: The map was not stored: cannot write "MAP_[0-9]+_[-0-9]+_[-0-9]+\.BMP": .*No space left on device' \
    "$WORK/stdout.txt" || fail "full disk: the message did not name the file and the reason: $(cat "$WORK/stdout.txt")"
  # The redraw stores twice (the view, then the redrawn map); each failure has its box.
  deadline=$((SECONDS + 30))
  until caption | grep -q '^Skerrowen, Long: ' && [ -z "$(error_box)" ]; do
    [ $SECONDS -le $deadline ] || fail "full disk: the next pass never began (caption '$(caption)')"
    kill -0 "$APP_PID" 2>/dev/null || fail "full disk: the program ended"
    [ -n "$(error_box)" ] && close_error_box 1
    sleep 0.1
  done
  sleep 0.3
  kill -0 "$APP_PID" 2>/dev/null || fail "full disk: the program ended after the redraw"
  expect_eq "$(tr -d '\r' <"$full/Brannoch.log" | grep -c '^Program start: ')" "2" "full disk: passes begun"
  maps_whole "$full"
  close_window
  expect_exit 2
  umount "$full" && MOUNTED=""
  echo "ok: full disk"
fi

# A clipboard holding only text when Alt is released: the capture stores nothing and the
# release is logged; a capture afterwards still works.
if ! command -v xclip >/dev/null; then
  echo "skip: text clipboard: xclip is not installed"
else
  rm -f "$WORK"/MAP_*
  start_app
  xdotool keydown alt key Print
  sleep 0.3
  printf 'only words here' | xclip -quiet -selection clipboard -i 2>/dev/null &
  XCLIP_PID=$!
  sleep 0.5
  expect_eq "$(xclip -selection clipboard -o 2>/dev/null)" "only words here" "the clipboard's text"
  xdotool keyup alt
  sleep 0.5
  kill -0 "$APP_PID" 2>/dev/null || fail "text clipboard: the program ended"
  expect_eq "$(log_lines | tail -n 1)" "18; 0" "text clipboard: log line of the Alt release"
  expect_eq "$(ls "$WORK" | grep -c '^MAP_' || true)" "0" "text clipboard: map files stored"
  kill "$XCLIP_PID" 2>/dev/null || true
  XCLIP_PID=""
  xdotool keydown alt key Print keyup alt
  wait_file "$base.BMP" 5
  wait_file "$base.DAT" 5
  maps_whole "$WORK"
  close_window
  expect_exit 2
  echo "ok: text clipboard"
fi
# The settings store a named pipe: the program neither blocks on it nor replaces it. The
# window shows, one message names the store, and the view moves for the run.
rm -rf "$(dirname "$SETTINGS")"
mkdir -p "$(dirname "$SETTINGS")"
mkfifo "$SETTINGS"
start_in "$WORK" "$BUILD/skerrowen"
close_error_box 15
grep -q "^skerrowen: ERROR: The view settings store $SETTINGS is a named pipe, not a regular file" "$WORK/stdout.txt" \
  || fail "pipe store: the message did not name the store and the reason: $(cat "$WORK/stdout.txt")"
focus_main
wait_caption '^Skerrowen, Long:  006 Lat:  52 Radius: 3340$' 10
hold Left 0.5
wait_caption '^Skerrowen, Long: (-0[0-9][0-9]|  00[0-5]) Lat:  52 ' 5
sleep 0.3
[ -z "$(error_box)" ] || fail "pipe store: a second message box"
close_window
expect_exit 5
[ -p "$SETTINGS" ] || fail "pipe store: the pipe was replaced"
expect_eq "$(ls -A "$(dirname "$SETTINGS")")" "skerrowen.conf" "pipe store: files beside the store"
echo "ok: pipe settings store"
echo "ok: bad input ($((SECONDS - started)) s)"
