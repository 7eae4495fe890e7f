# Shared steps of the tests that run the program itself (sourced after lib.sh): a private X
# display in the searching namespace, and the program (TK_PID) and the display stopped when
# the test ends.
: "${TK_TRAVELKIN:?}"
command -v Xvfb >/dev/null || skip "needs Xvfb"
command -v xdotool >/dev/null || skip "needs xdotool (tools/install-deps.sh installs it)"

XVFB_PID=
TK_PID=
stop_extras() {
  local pid
  for pid in $TK_PID $XVFB_PID; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}

# Xvfb picks a free display and writes its number to the pipe once it listens; its name is
# in DISPLAY_NAME. -noreset: the server would otherwise reset whenever its last client leaves
# (a program that ended, or xdotool looking for a window) and turn away the next one meanwhile.
start_display() {
  in_searcher Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 400x300x24 3>"$WORK/display" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  wait_until 30 "Xvfb to start" test -s "$WORK/display"
  DISPLAY_NAME=":$(head -n 1 "$WORK/display")"
}
