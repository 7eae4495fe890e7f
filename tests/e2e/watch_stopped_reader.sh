#!/usr/bin/env bash
# A watch whose reader has stopped reading (its pipe full) still ends on SIGTERM, and on
# SIGINT, with status 0, and no line reaches the reader cut in half: what the reader finds
# once it goes on is one whole JSON object a line.
source "$(dirname "$0")/lib.sh"

# For wait_until: the pipe holds at least this many bytes unread (it takes 64 KiB; a writer
# that waits until it may write without blocking leaves some of its last pages free).
pipe_holds() {  # fifo bytes
  [ "$(python3 -c 'import fcntl, os, struct, sys, termios
fd = os.open(sys.argv[1], os.O_RDONLY | os.O_NONBLOCK)
print(struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0])' "$1")" -ge "$2" ]
}
ended() { ! kill -0 "$1" 2>/dev/null; }
# The stopped readers hold the test's own output open: they go on, and end, before the network goes.
READERS=()
stop_extras() {
  local pid
  for pid in "${READERS[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
}
command -v python3 >/dev/null || skip "needs python3 to see how full the pipe is"

net_up
add_addresses a 198.19.0.1 600
start_sim a --first-address 198.19.0.1 --count 600 --seconds 120
for signal in ${TK_SIGNALS:-TERM INT}; do
  rm -f "$WORK/pipe"
  mkfifo "$WORK/pipe"
  # Held open both ways while the watch runs, so no open of the pipe waits for the other end
  # and the look at how full it is never leaves the watch without a reader.
  exec 4<>"$WORK/pipe"
  # The reader: stopped at once, so the pipe fills and stays full.
  ( exec 4>&- 0<"$WORK/pipe"; kill -STOP "$BASHPID"; exec cat >"$WORK/events-$signal.out" ) &
  reader=$!
  READERS+=("$reader")
  "$TK_TESTNET" exec "$NET" search "$TK_SEARCH" --watch --interval 2 >"$WORK/pipe" 2>"$WORK/watch-$signal.err" 4>&- &
  watching=$!
  wait_until 30 "the watch to fill its pipe" pipe_holds "$WORK/pipe" 49152
  kill "-$signal" "$watching"
  wait_until 10 "the watch to end on SIG$signal while its reader is stopped" ended "$watching"
  status=0; wait "$watching" || status=$?
  [ "$status" -eq 0 ] || fail "the watch ended with status $status: $(cat "$WORK/watch-$signal.err")"
  exec 4>&-   # the reader then finds the end once it has read everything
  kill -CONT "$reader"
  wait "$reader" || true
  jq -e . "$WORK/events-$signal.out" >/dev/null || fail "a line is not whole JSON: $(tail -c 600 "$WORK/events-$signal.out")"
  [ -z "$(tail -c 1 "$WORK/events-$signal.out")" ] || fail "the last line was cut: $(tail -c 600 "$WORK/events-$signal.out")"
done
echo "PASS"
