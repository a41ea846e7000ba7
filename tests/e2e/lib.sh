# Helpers for end-to-end tests: a virtual X server, the program in a fresh working
# directory with its own settings store, real key events, and checks on what the operator
# and the files would show. Sourced by each test_*.sh; BUILD names the build tree.
#
# A test that fails prints the program's output and the display server's output and keeps
# its working directory (it says where); one that passes or is skipped (exit 77) removes it.

set -euo pipefail -o errtrace
: "${BUILD:?BUILD must name the build tree}"
exec 2>&1
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/virtual-display.sh"

TEST_NAME=$(basename "$0" .sh)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/skerrowen-e2e-$TEST_NAME.XXXXXX")
STARTS=0
APP_PID=""

fail() {
  echo "FAIL: $*"
  exit 1
}

# skip REASON: the case cannot run here; ctest reports it as skipped.
skip() {
  echo "SKIPPED: $*"
  exit 77
}

# A command that stops the test under set -e says which one it was.
command_failed() { [ "$BASHPID" != "$$" ] || echo "FAIL: line $2: \"$3\" ended with status $1"; }
trap 'command_failed $? $LINENO "$BASH_COMMAND"' ERR
trap 'fail "stopped by a signal (over the time limit?)"' TERM INT HUP

stop_app() {
  [ -n "$APP_PID" ] || return 0
  kill -9 "$APP_PID" 2>/dev/null || true
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}

# A test may set TEST_CLEANUP to a function; it runs first, with the exit status.
finish() {
  local status=$1 f f_start
  trap - ERR
  set +e
  [ -z "${TEST_CLEANUP:-}" ] || "$TEST_CLEANUP" "$status"
  [ -z "${SPY_PID:-}" ] || kill "$SPY_PID" 2>/dev/null
  stop_app
  stop_virtual_display
  if [ "$status" -eq 0 ] || [ "$status" -eq 77 ]; then
    rm -rf "$WORK"
    exit "$status"
  fi
  for f in "$WORK"/program-*.out; do
    [ -e "$f" ] || continue
    f_start=${f##*program-}
    echo "---- output of the program, start ${f_start%.out} ----"
    cat "$f"
  done
  echo "---- output of the display server (Xvfb) ----"
  cat "$WORK/xvfb.log" 2>/dev/null
  echo "---- $TEST_NAME failed; its working directory is kept for inspection: $WORK"
  exit "$status"
}
trap 'finish $?' EXIT

start_display() {
  start_virtual_display "$WORK/xvfb.log" || fail "no virtual X display"
}

# The program's files: the map texture beside it, and its own settings store and runtime directory.
new_workdir() {
  cp "$BUILD/maps/earthmap.bmp" "$WORK/"
  export XDG_CONFIG_HOME="$WORK/config"
  export XDG_RUNTIME_DIR="$WORK/runtime"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  SETTINGS="$XDG_CONFIG_HOME/skerrowen/skerrowen.conf"
  LOG="$WORK/Brannoch.log"
}

# start_in DIR PROGRAM [NAME=VALUE...]: starts PROGRAM with DIR as its working directory and
# those environment variables; WID is its window. Each start's output goes to its own file, OUT.
start_in() {
  STARTS=$((STARTS + 1))
  OUT="$WORK/program-$STARTS.out"
  (cd "$1" && exec env "${@:3}" "$2") >"$OUT" 2>&1 &
  APP_PID=$!
  WID=""
  for _ in $(seq 200); do
    WID=$(xdotool search --onlyvisible --name '^Skerrowen' 2>/dev/null | head -n 1 || true)
    [ -n "$WID" ] && break
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window showed"
    sleep 0.05
  done
  [ -n "$WID" ] || fail "no window appeared"
}

# start_app: the built program in the working directory, focused, its first frame shown.
start_app() {
  start_in "$WORK" "$BUILD/skerrowen"
  xdotool windowfocus --sync "$WID" 2>/dev/null || xdotool windowfocus "$WID"
  wait_caption '^Skerrowen, Long: ' 10
}

caption() { xdotool getwindowname "$WID" 2>/dev/null || true; }

# wait_caption REGEX SECONDS
wait_caption() {
  local deadline=$((SECONDS + $2))
  while [ $SECONDS -le $deadline ]; do
    caption | grep -Eq -- "$1" && return 0
    sleep 0.05
  done
  fail "caption never matched '$1' (last: '$(caption)')"
}

# hold KEY SECONDS: presses a key, keeps it down, releases it.
hold() {
  xdotool keydown "$1"
  sleep "$2"
  xdotool keyup "$1"
}

press() { xdotool key "$@"; }

# expect_exit SECONDS: the program must end by itself within that time.
expect_exit() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$APP_PID" 2>/dev/null; do
    [ $SECONDS -le $deadline ] || fail "the program did not end within $1 s"
    sleep 0.05
  done
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}

close_window() { "$BUILD/tests/e2e/x_close_window" "$WID"; }

setting() { sed -n "s/^$1=//p" "$SETTINGS" 2>/dev/null; }

log_lines() { tr -d '\r' <"$LOG"; }

expect_eq() { [ "$1" == "$2" ] || fail "$3: expected '$2', got '$1'"; }

# bmp_size FILE: "WIDTH HEIGHT" from a BMP header.
bmp_size() { od -An -t d4 -j 18 -N 8 "$1" | awk '{print $1, ($2 < 0 ? -$2 : $2)}'; }

# wait_file PATH SECONDS
wait_file() {
  local deadline=$((SECONDS + $2))
  until [ -s "$1" ]; do
    [ $SECONDS -le $deadline ] || fail "$1 never appeared"
    sleep 0.05
  done
}

# Presses Enter and, as soon as the caption shows the redraw's progress, runs the given
# command (a key or closing the window) while the redraw is under way. The caption is
# followed through X's property events, as polling it could miss a redraw of a second.
during_redraw() {
  local spy="$WORK/caption-events" line fd deadline=$((SECONDS + 20)) seen=""
  mkfifo "$spy"
  xprop -id "$WID" -spy WM_NAME >"$spy" 2>/dev/null &
  SPY_PID=$!
  exec {fd}<"$spy"
  # Its first line, the caption now, says it listens.
  IFS= read -r -t 10 line <&"$fd" || fail "could not follow the caption"
  press Return
  while [ $SECONDS -lt $deadline ] && IFS= read -r -t $((deadline - SECONDS)) line <&"$fd"; do
    if [[ $line =~ \"[123]/3\  ]]; then
      seen=yes
      break
    fi
  done
  kill "$SPY_PID" 2>/dev/null || true
  wait "$SPY_PID" 2>/dev/null || true
  SPY_PID=""
  exec {fd}<&-
  rm -f "$spy"
  [ -n "$seen" ] || fail "the redraw's progress never showed (caption '$(caption)')"
  "$@"
}

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
  ! ls -A "$1" | grep -q '^\.skerrowen-.*\.part$' || fail "a temporary file was left in $1: $(ls -A "$1")"
  for f in "$1"/MAP_*.BMP "$1"/MAP_*.DAT; do
    [ -e "$f" ] || continue
    [ -e "${f%.*}.BMP" ] && [ -e "${f%.*}.DAT" ] || fail "$(basename "$f") stands without its partner"
  done
}
