#!/usr/bin/env bash
# First start, turning the globe with a held key, the saved view coming back after a
# restart, Esc ending the program, and closing the window ending it at once.
source "$(dirname "$0")/lib.sh"
start_display
new_workdir

start_app
expect_eq "$(caption)" "Skerrowen, Long:  006 Lat:  52 Radius: 3340" "caption with empty settings"
grep -q '^Program start: [0-9]\{4\}/[0-9][0-9]/[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]' <(log_lines) \
  || fail "no 'Program start:' line in the log"

hold Left 0.5
sleep 0.3
turned=$(caption)
longitude=$(sed -E 's/^Skerrowen, Long: *(-?)0*([0-9]+) .*/\1\2/' <<<"$turned")
[ "$longitude" -lt 6 ] || fail "Left did not turn the centre west: $turned"
rotation=$(setting Rotation)
[ -n "$rotation" ] && [ "$rotation" -gt 264 ] || fail "Rotation in the store is '$rotation'"
expect_eq "$(log_lines | tail -n 1)" "37; 0" "log line of the Left release"

press Escape
expect_exit 30
expect_eq "$(log_lines | tail -n 1)" "27; 0" "log line of the Esc release"

start_app
expect_eq "$(caption)" "$turned" "caption after a restart"
expect_eq "$(log_lines | grep -c '^Program start: ')" "2" "one start line per pass"
maps_before=$(ls "$WORK" | grep -c '^MAP_' || true)
close_window
expect_exit 2
expect_eq "$(ls "$WORK" | grep -c '^MAP_' || true)" "$maps_before" "maps written by closing the window"
echo "ok: interactive"
