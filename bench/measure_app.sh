#!/usr/bin/env bash
# Measures the running program under Xvfb: the time from process start to the first frame
# presented (the frame caption appearing, timed by bench/x_first_frame, which waits on X
# events so that it takes no CPU from the program; median of RUNS starts), its resident size
# after the first frame, and, with no key held, the CPU the program uses (from /proc over 20 s)
# and how often its loop wakes (the main thread's sleeps and polls, counted with strace). The
# machine's load is printed before and after, as the figures depend on it.
# Usage: bench/measure_app.sh BUILD-DIR [RUNS]
set -euo pipefail
build=$(cd "${1:?usage: measure_app.sh BUILD-DIR [RUNS]}" && pwd)
runs=${2:-15}
command -v strace >/dev/null || { echo "needs strace (apt-get install strace)" >&2; exit 1; }
work=$(mktemp -d)
cp "$build/maps/earthmap.bmp" "$work/"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# An operator's usual start: the store already holds the view, so no start writes it and the
# timer's kill right after the first frame never lands in the middle of a settings write.
mkdir -p "$XDG_CONFIG_HOME/skerrowen"
printf '[Setting]\nDistance=0\nRotation=264\nTilt=52\n' >"$XDG_CONFIG_HOME/skerrowen/skerrowen.conf"
timer="$build/bench/x_first_frame"
[ -x "$timer" ] || { echo "needs $timer (build the bench targets)" >&2; exit 1; }
source "$(dirname "$0")/../scripts/virtual-display.sh"
app=""
finish() {
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  stop_virtual_display
  rm -rf "$work"
}
trap finish EXIT
start_virtual_display "$work/xvfb.log"

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
times=()
for _ in $(seq "$runs"); do
  times+=($(cd "$work" && "$timer" 'Skerrowen, Long' 10000 "$build/skerrowen" 2>/dev/null))
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n | tr '\n' ' ')
echo "start to first frame (ms, $runs runs, sorted): $sorted"
echo "median: $(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}') ms"
[ "${#times[@]}" -eq "$runs" ] || { echo "only ${#times[@]} of $runs starts reached a first frame" >&2; exit 1; }

(cd "$work" && exec "$build/skerrowen") >/dev/null 2>"$work/stderr.txt" &
app=$!
sleep 2
echo "resident after the first frame: $(awk '/^Rss:/ {printf "%.1f", $2 / 1024}' "/proc/$app/smaps_rollup") MB"
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep 20
after=$(ticks)
echo "CPU while idle: $(awk -v a="$before" -v b="$after" -v hz="$hz" 'BEGIN {printf "%.1f", 100 * (b - a) / hz / 20}') % of one core"
# The loop's waits: the main thread's sleeps and its polls with a time limit (not the polls
# that only look, nor those that wait for the display connection). The main thread alone
# (no -f): Qt's display reader and helper threads wait on their own.
strace -e trace=clock_nanosleep,nanosleep,poll -p "$app" -o "$work/strace.txt" &
tracer=$!
sleep 10
kill -INT $tracer; wait $tracer 2>/dev/null || true
calls=$(grep -cE '^(clock_nanosleep|nanosleep)\(|^poll\(.*, [1-9][0-9]*\) +=' "$work/strace.txt" || true)
echo "loop waits per second while idle (over 10 s): $(awk -v c="$calls" 'BEGIN {printf "%.1f", c / 10}')"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
# A loop that hardly ran means the program waited on something, usually a message box.
if [ -s "$work/stderr.txt" ]; then echo "the program said:"; cat "$work/stderr.txt"; fi
