# A virtual X display for the tests, the demo and the benchmarks. Sourced, not run.
#
#   start_virtual_display LOG   starts Xvfb on a display number it picks itself, waits until
#                               it listens, exports DISPLAY and sets XVFB_PID; its output
#                               goes to LOG. Returns 1, having said why, if it did not start.
#   stop_virtual_display        ends that Xvfb (by its id) and waits until it is gone.
#
# Xvfb writes its display number to the -displayfd pipe only once its socket listens, so
# nothing started afterwards can find the display missing or take another server's number.
# -noreset: otherwise the server resets whenever its last client leaves, and a client that
# connects during the reset (the program started right after an xdotool call) is turned away.

start_virtual_display() {
  local log=$1 pipe number=""
  pipe=$(mktemp -u "${TMPDIR:-/tmp}/skerrowen-displayfd.XXXXXX")
  mkfifo -m 600 "$pipe" || return 1
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$pipe" >"$log" 2>&1 &
  XVFB_PID=$!
  # The read ends early, empty, when Xvfb ends without writing the number.
  read -r -t 20 number <"$pipe" || true
  rm -f "$pipe"
  if ! [[ $number =~ ^[0-9]+$ ]] || ! kill -0 "$XVFB_PID" 2>/dev/null; then
    echo "The virtual X display did not start (display number '$number'). Xvfb said:" >&2
    sed 's/^/  | /' "$log" >&2
    stop_virtual_display
    return 1
  fi
  export DISPLAY=":$number"
  # Xvfb would repeat a key held longer than about 600 ms.
  xset r off
}

stop_virtual_display() {
  [ -n "${XVFB_PID:-}" ] || return 0
  kill "$XVFB_PID" 2>/dev/null || true
  local _
  for _ in $(seq 100); do
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  kill -9 "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=""
}
