#!/usr/bin/env bash
# A quick restart: the window is closed with Escape while a My Storage request waits for a
# `gio` that hangs (a fake one first on PATH), and the program is started again at once. The
# first instance closes its search sockets before it lets the second take over, so the
# second one's broadcast search runs and lists the device that answers the broadcast query
# only; the first one still ends.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/window_lib.sh"

net_up
add_addresses a 192.0.2.10 1
start_sim a --first-address 192.0.2.10 --protocol broadcast --host disk%d --product Cube --seconds 120

start_display
mkdir -m 700 "$WORK/runtime"
mkdir -p "$WORK/data" "$WORK/bin"
cat >"$WORK/bin/gio" <<GIO
#!/bin/sh
# Hangs as a gio stuck on an unreachable server does.
echo \$\$ >"$WORK/gio.\$\$"
exec sleep 600
GIO
chmod +x "$WORK/bin/gio"

FIRST_PID=
stop_extras() {
  local pid
  for pid in $TK_PID $FIRST_PID $(cat "$WORK"/gio.* 2>/dev/null) $XVFB_PID; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
# Replaces the calling shell, so a background start's pid is the program's. With a key, the
# same shell first types it (to the window that has the focus) and starts the program at once.
run_travelkin() {  # name [key]
  exec "$TK_TESTNET" exec "$NET" search env DISPLAY="$DISPLAY_NAME" XDG_RUNTIME_DIR="$WORK/runtime" \
    TRAVELKIN_DATA_ROOT="$WORK/data" PATH="$WORK/bin:$PATH" TRAVELKIN_LOG="$WORK/$1-search.log" \
    TRAVELKIN_LIST_DUMP="$WORK/$1-list.txt" TRAVELKIN_URL_RECORDER="$WORK/urls.txt" QT_QPA_PLATFORM=xcb \
    sh -c '[ -z "$1" ] || xdotool key "$1" || exit; exec "$0"' "$TK_TRAVELKIN" "${2:-}" >/dev/null 2>"$WORK/$1.err"
}
x() { in_searcher env DISPLAY="$DISPLAY_NAME" xdotool "$@"; }
listed() {  # name pid
  kill -0 "$2" 2>/dev/null || fail "the $1 instance ended early: $(cat "$WORK/$1.err")"
  grep -qx $'disk0\t192.0.2.10\tCube' "$WORK/$1-list.txt" 2>/dev/null
}

run_travelkin first &
FIRST_PID=$!
wait_until 60 "the device in the first window's list" listed first "$FIRST_PID"
window_id=$(x search --sync --onlyvisible --name '^Travelkin$' | head -n 1)
[ -n "$window_id" ] || fail "no window named Travelkin"
x windowfocus --sync "$window_id"
# The top row, then My Storage: the request waits for the fake gio.
x mousemove --window "$window_id" 60 78 click 1
x mousemove --window "$window_id" 267 221 click 1
gio_waits() { compgen -G "$WORK/gio.*" >/dev/null; }
wait_until 30 "My Storage to call gio" gio_waits

# Escape closes the first window; the second start follows within milliseconds.
run_travelkin second Escape &
TK_PID=$!

second_listed() {
  kill -0 "$TK_PID" 2>/dev/null ||
    fail "the second start ended: the first still held the instance ($(cat "$WORK/second.err"))"
  listed second "$TK_PID"
}
why_not_listed() {
  echo "port 67 in the search namespace: $(in_searcher ss -uanp 'sport = :67' | tail -n +2)" >&2
  grep -a 'Create Search Device Work Thread Error' "$WORK/second-search.log" >&2 || true
}
WAIT_WHY=why_not_listed wait_until 30 "the broadcast device in the second window's list" second_listed
# The first instance still ends, its request given up.
first_ended() { ! kill -0 "$FIRST_PID" 2>/dev/null; }
wait_until 30 "the first instance to end" first_ended
wait "$FIRST_PID" || fail "the first instance ended with status $?: $(cat "$WORK/first.err")"
FIRST_PID=
echo "PASS"
