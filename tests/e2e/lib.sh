# Helpers for end-to-end tests: a virtual X server, the program in a fresh working
# directory with its own settings store, real key events, and checks on what the operator
# and the files would show. Sourced by each test_*.sh; BUILD names the build tree.

set -euo pipefail
: "${BUILD:?BUILD must name the build tree}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

start_display() {
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do
    xset q >/dev/null 2>&1 && break
    sleep 0.05
  done
  # Xvfb would repeat a key held longer than about 600 ms.
  xset r off
}

new_workdir() {
  WORK=$(mktemp -d /tmp/skerrowen-e2e.XXXXXX)
  cp "$BUILD/maps/earthmap.bmp" "$WORK/"
  export XDG_CONFIG_HOME="$WORK/config"
  export XDG_RUNTIME_DIR="$WORK/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  SETTINGS="$XDG_CONFIG_HOME/skerrowen/skerrowen.conf"
  LOG="$WORK/Brannoch.log"
}

cleanup() {
  [ -n "${APP_PID:-}" ] && kill -9 "$APP_PID" 2>/dev/null || true
  # Wait for the display to be gone, so the next test cannot find its socket half removed.
  [ -n "${XVFB_PID:-}" ] && { kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; } || true
  [ -n "${WORK:-}" ] && rm -rf "$WORK"
}
trap cleanup EXIT

# start_in DIR PROGRAM: starts PROGRAM with DIR as its working directory; WID is its window.
start_in() {
  (cd "$1" && exec "$2") >"$WORK/stdout.txt" 2>&1 &
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
# command (a key or closing the window) while the redraw is under way.
during_redraw() {
  press Return
  local deadline=$((SECONDS + 20))
  until caption | grep -Eq '^[123]/3 '; do
    [ $SECONDS -le $deadline ] || fail "the redraw's progress never showed"
    sleep 0.002
  done
  "$@"
}
