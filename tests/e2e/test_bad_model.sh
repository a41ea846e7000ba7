#!/usr/bin/env bash
# A globe model that is missing or garbled in a copy of the program directory: one "Error
# loading models", then the loop runs with the caption, and Esc still redraws and stores the map.
source "$(dirname "$0")/lib.sh"
start_display
new_workdir
copy="$WORK/program"
mkdir "$copy"
cp "$BUILD/skerrowen" "$BUILD/5.x" "$BUILD/earth.jpg" "$copy/"
base="$WORK/MAP_3340_6_52"

for fault in missing garbled; do
  rm -f "$copy/5.x" "$base.BMP" "$base.DAT"
  if [ "$fault" == garbled ]; then
    cp "$BUILD/5.x" "$copy/5.x"
    head -c 8192 < <(yes '}{ ;; Mesh ,,') | dd of="$copy/5.x" bs=1 seek=200000 conv=notrunc status=none
  fi
  start_in "$WORK" "$copy/skerrowen"
  close_error_box 15
  grep -q '^skerrowen: ERROR: Error loading models$' "$OUT" \
    || fail "5.x $fault: the message was not 'Error loading models': $(cat "$OUT")"
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
