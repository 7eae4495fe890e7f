#!/usr/bin/env bash
# The real program in the test network on a private X display, started on a data folder that
# somebody tampered with, one case a start: hosts.txt a FIFO or a link to /dev/zero, the
# layout file a FIFO, a skin picture a link to a file outside the folder. The window comes up
# (or, where the data folder cannot be written, the start fails at once with its message), no
# file outside the folder is written, and a termination request ends the program promptly
# with status 0, one that comes before any window as well.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/window_lib.sh"

net_up
start_display
mkdir -m 700 "$WORK/runtime"

FOLDER=  # the data folder of the case under way
OUTSIDE="$WORK/outside.png"

# What each case does to a fresh data folder before the start.
tamper_hosts_fifo() { mkfifo "$FOLDER/hosts.txt"; }
tamper_hosts_zero() { ln -s /dev/zero "$FOLDER/hosts.txt"; }
tamper_layout_fifo() { mkfifo "$FOLDER/WndLayoutInfo.xml"; }
tamper_skin_link() {
  mkdir "$FOLDER/Picture"
  echo "not ours" >"$OUTSIDE"
  ln -s "$OUTSIDE" "$FOLDER/Picture/logo.png"
}
tamper_none() { :; }

# What must hold once the window (or the failure message) is up.
check_hosts_ignored() {
  wait_until 30 "the log to say the hosts file was ignored" \
    grep -aq 'Direct Search Hosts File Ignored .*hosts.txt: it is not a regular file' "$WORK/case.log"
}
check_layout_left_alone() {
  grep -q 'WndLayoutInfo.xml is not a regular file' "$WORK/case.err" || fail "no message for the layout FIFO"
  [ -p "$FOLDER/WndLayoutInfo.xml" ] || fail "the layout FIFO was replaced"
  [ ! -e "$WORK/list.txt" ] || fail "the window ran on a data folder it could not write"
}
check_skin_link_replaced() {
  [ "$(cat "$OUTSIDE")" = "not ours" ] || fail "the file outside was written: $(head -c 100 "$OUTSIDE" | od -c | head -n 2)"
  [ -f "$FOLDER/Picture/logo.png" ] && [ ! -L "$FOLDER/Picture/logo.png" ] || fail "the link is still there"
}

start_case() {  # tamper
  FOLDER="$WORK/data/ZandovertSearchTools"
  rm -rf "$WORK/data" "$WORK/list.txt" "$WORK/case.log" "$WORK/case.err"
  mkdir -p "$FOLDER"
  "$1"
  run_travelkin &
  TK_PID=$!
}
run_travelkin() {  # replaces the calling shell, so a background start's pid is the program's
  exec "$TK_TESTNET" exec "$NET" search env DISPLAY="$DISPLAY_NAME" XDG_RUNTIME_DIR="$WORK/runtime" \
    TRAVELKIN_DATA_ROOT="$WORK/data" TRAVELKIN_LIST_DUMP="$WORK/list.txt" TRAVELKIN_LOG="$WORK/case.log" \
    QT_QPA_PLATFORM=xcb "$TK_TRAVELKIN" 2>"$WORK/case.err"
}
running() { kill -0 "$TK_PID" 2>/dev/null && [ "$(ps -o stat= -p "$TK_PID" | cut -c 1)" != Z ]; }
# A window named Travelkin: the search window, or the box that tells why the start failed.
window_up() {
  running || fail "travelkin ended before its window appeared"
  in_searcher env DISPLAY="$DISPLAY_NAME" xdotool search --onlyvisible --name '^Travelkin$' >/dev/null
}
search_window_up() { window_up && [ -e "$WORK/list.txt" ]; }
# The program itself runs (not a launcher before it) and its handler is in place: SIGTERM
# (signal 15, bit 14) is among the signals it catches.
handler_installed() {
  running || fail "travelkin ended before it could be asked to"
  [ "$(readlink "/proc/$TK_PID/exe")" = "$(readlink -f "$TK_TRAVELKIN")" ] || return 1
  local caught
  caught=$(awk '/^SigCgt:/ { print $2 }' "/proc/$TK_PID/status" 2>/dev/null) || return 1
  [ -n "$caught" ] && (( (16#$caught >> 14) & 1 ))
}
stop_case() {  # name
  kill -TERM "$TK_PID"
  wait_until 10 "the $1 case to end after SIGTERM" eval '! running'
  local status=0
  wait "$TK_PID" || status=$?
  TK_PID=
  [ "$status" -eq 0 ] || fail "the $1 case ended with status $status: $(cat "$WORK/case.err")"
}

#     name          tamper              what comes up      check
cases=(
  "hosts_fifo     tamper_hosts_fifo   search_window_up  check_hosts_ignored"
  "hosts_zero     tamper_hosts_zero   search_window_up  check_hosts_ignored"
  "layout_fifo    tamper_layout_fifo  window_up         check_layout_left_alone"
  "skin_link      tamper_skin_link    search_window_up  check_skin_link_replaced"
  "early_term     tamper_none         handler_installed :"
)
for row in "${cases[@]}"; do
  read -r name tamper up check <<<"$row"
  start_case "$tamper"
  wait_until 30 "the $name case to reach $up" "$up"
  "$check"
  stop_case "$name"
  echo "ok: $name"
done
echo "PASS"
