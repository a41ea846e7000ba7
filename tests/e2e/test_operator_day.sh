#!/usr/bin/env bash
# The operator's controls one by one, each checked as the operator and the files see it:
# tilt, zoom in and out, the sun moved with Ctrl+Left / Ctrl+Right, wireframe and back.
source "$(dirname "$0")/lib.sh"
start_display
new_workdir
start_app

# caption_field NAME: the number after "NAME:" in the caption, leading zeros dropped.
caption_field() { caption | sed -E "s/.*$1: *(-?)0*([0-9]+).*/\\1\\2/"; }
# background_share: per mille of the window's pixels showing the clear colour (0, 0, 51).
background_share() {
  import -window "$WID" -depth 8 rgb:- 2>/dev/null | od -An -v -tu1 -w3 |
    awk '{n++} $1==0 && $2==0 && $3==51 {b++} END {print int(1000 * b / n)}'
}

expect_eq "$(caption_field Lat)" "52" "latitude at the start"
hold Up 0.4
sleep 0.2
[ "$(caption_field Lat)" -gt 52 ] || fail "Up did not move the centre north: $(caption)"
[ "$(setting Tilt)" -gt 52 ] || fail "Tilt in the store: $(setting Tilt)"
north=$(caption_field Lat)
hold Down 0.8
sleep 0.2
[ "$(caption_field Lat)" -lt "$north" ] || fail "Down did not move the centre south: $(caption)"

expect_eq "$(caption_field Radius)" "3340" "radius at the start"
hold Next 0.4   # Page Down: farther from the surface
sleep 0.2
[ "$(caption_field Radius)" -gt 3340 ] || fail "Page Down did not grow the radius: $(caption)"
far=$(caption_field Radius)
hold Prior 0.8  # Page Up: nearer
sleep 0.2
[ "$(caption_field Radius)" -lt "$far" ] || fail "Page Up did not shrink the radius: $(caption)"
distance=$(setting Distance)
[ -n "$distance" ] && [ "$distance" != "0" ] || fail "Distance in the store: '$distance'"

xdotool keydown ctrl keydown Left
sleep 0.3
xdotool keyup Left keyup ctrl
sleep 0.2
offset=$(setting Offset)
[ -n "$offset" ] && [ "$offset" -gt 0 ] || fail "Ctrl+Left did not move the sun: Offset '$offset'"
expect_eq "$(log_lines | tail -n 2 | tr '\n' ' ')" "37; 2 17; 0 " "log lines of Ctrl+Left"
xdotool keydown ctrl keydown Right
sleep 0.6
xdotool keyup Right keyup ctrl
sleep 0.2
[ "$(setting Offset)" -lt "$offset" ] || fail "Ctrl+Right did not move the sun back: Offset '$(setting Offset)'"

solid=$(background_share)
hold w 0.1
sleep 0.3
wire=$(background_share)
[ "$wire" -gt $((solid + 300)) ] || fail "W did not show the wireframe (background $solid -> $wire per mille)"
hold s 0.1
sleep 0.3
back=$(background_share)
[ "$back" -le $((solid + 20)) ] || fail "S did not bring the solid globe back ($solid -> $wire -> $back per mille)"

press Escape
expect_exit 30
echo "ok: operator's day"
