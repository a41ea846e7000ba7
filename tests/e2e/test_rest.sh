#!/usr/bin/env bash
# Keys after the window has stood still: at rest the loop waits for an event instead of
# ticking, and a key pressed then steps the view at once and every 50 ms while it is held.
# Closing the window after a rest ends the program at once.
source "$(dirname "$0")/lib.sh"
start_display
new_workdir

now_ms() { date +%s%3N; }
rotation() { setting Rotation; }

start_app
# The first view step writes the store; it is saved at that tick's event processing.
for _ in $(seq 40); do [ -n "$(rotation)" ] && break; sleep 0.05; done
expect_eq "$(rotation)" "264" "Rotation after the first view step"

# A tap shorter than a view step, after a rest: the step comes with the press, so none is
# lost (a loop that ticked through the rest stepped at its own 50 ms beat, and a tap that
# fell between two beats did nothing).
for tap in 1 2 3; do
  sleep 1.5
  before=$(rotation)
  start=$(now_ms)
  xdotool keydown Left sleep 0.03 keyup Left
  held=$(($(now_ms) - start))
  sleep 0.3
  steps=$(($(rotation) - before))
  [ "$steps" -ge 1 ] && [ "$steps" -le $((held / 50 + 1)) ] ||
    fail "tap $tap after a rest (within $held ms) made $steps view steps"
  expect_eq "$(log_lines | tail -n 1)" "37; 0" "log line of tap $tap"
done
longitude=$((270 - $(rotation)))
if [ "$longitude" -lt 0 ]; then shown=$(printf -- '-%03d' $((-longitude))); else shown=$(printf ' %03d' "$longitude"); fi
wait_caption "^Skerrowen, Long: $shown Lat:  52 " 2

# Held a second after a rest: one step at the press, then one every 50 ms, 21 in all. A
# loaded machine may deliver the press late or the release later still (the time around
# xdotool bounds the hold from above), so the count is checked loosely: it tells 50 ms steps
# from steps at every 10 ms tick or from one step for the press.
sleep 2
before=$(rotation)
start=$(now_ms)
xdotool keydown Up sleep 1 keyup Up
held=$(($(now_ms) - start))
sleep 0.3
steps=$(($(setting Tilt) - 52))
least=14
most=$((held / 50 + 2))
[ "$steps" -ge "$least" ] && [ "$steps" -le "$most" ] ||
  fail "Up held $held ms after a rest made $steps view steps, not $least to $most"
expect_eq "$(rotation)" "$before" "Rotation while Up was held"
wait_caption "Lat:  $((52 + steps)) Radius: 3340\$" 2

# The close of the window reaches a loop that waits.
sleep 2
close_window
expect_exit 2
echo "ok: rest"
