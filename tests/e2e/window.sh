#!/usr/bin/env bash
# The real program in the test network on a private X display: it finds the simulated devices
# and lists them (read through TRAVELKIN_LIST_DUMP), one behind a router among them because the data
# folder's hosts.txt names its address, a second start in the same session ends at once and leaves
# the first running, the keyboard alone chooses a device and logs in (keys typed with xdotool), and
# a termination request ends the first cleanly.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/window_lib.sh"

net_up
"$TK_TESTNET" routed "$NET"
add_addresses a 192.0.2.10 3
add_addresses c 198.18.2.10 1
start_sim a --first-address 192.0.2.10 --count 2 --protocol both --host disk%d --product Cube --seconds 60
start_sim a --first-address 192.0.2.12 --protocol ssdp --vendor KELMAR --host kel%d --seconds 60
# Behind a router: found only because the data folder's hosts file names it.
start_sim c --first-address 198.18.2.10 --host far --no-notify --seconds 60

start_display

mkdir -m 700 "$WORK/runtime"
mkdir -p "$WORK/data/ZandovertSearchTools"
printf '# searched directly\nnot an address\n198.18.2.10  # behind the router\n' \
  >"$WORK/data/ZandovertSearchTools/hosts.txt"
run_travelkin() {  # stderr file; replaces the calling shell, so a background start's pid is the program's
  exec "$TK_TESTNET" exec "$NET" search env DISPLAY="$DISPLAY_NAME" XDG_RUNTIME_DIR="$WORK/runtime" TRAVELKIN_DATA_ROOT="$WORK/data" \
    TRAVELKIN_LIST_DUMP="$WORK/list.txt" TRAVELKIN_URL_RECORDER="$WORK/urls.txt" QT_QPA_PLATFORM=xcb \
    "$TK_TRAVELKIN" 2>"$1"
}
run_travelkin "$WORK/first.log" &
TK_PID=$!

# The list grows during the ten-second countdown.
four_listed() {
  kill -0 "$TK_PID" 2>/dev/null || fail "travelkin ended early"
  [ -f "$WORK/list.txt" ] && [ "$(wc -l <"$WORK/list.txt")" -ge 4 ]
}
wait_until 60 "four devices in the window's list" four_listed
grep -qx $'disk0\t192.0.2.10\tCube' "$WORK/list.txt" || fail "list: $(cat "$WORK/list.txt")"
grep -qx $'disk1\t192.0.2.11\tCube' "$WORK/list.txt" || fail "list: $(cat "$WORK/list.txt")"
grep -q $'^kel0\t192.0.2.12\t' "$WORK/list.txt" || fail "list: $(cat "$WORK/list.txt")"
grep -qx $'far\t198.18.2.10\tNAS' "$WORK/list.txt" || fail "list: $(cat "$WORK/list.txt")"
[ "$(wc -l <"$WORK/list.txt")" -eq 4 ] || fail "a device is listed twice: $(cat "$WORK/list.txt")"

# A second start finds the first, asks it to come forward and ends at once.
start=$(date +%s)
( run_travelkin "$WORK/second.log" ) || fail "second start failed: $(cat "$WORK/second.log")"
# "At once": well under the first window's ten-second countdown, with room for a loaded machine.
[ $(( $(date +%s) - start )) -le 8 ] || fail "second start took too long"
kill -0 "$TK_PID" 2>/dev/null || fail "the first instance ended with the second"

[ ! -e "$WORK/urls.txt" ] || fail "something was opened: $(cat "$WORK/urls.txt")"

# The keyboard alone: the list has the focus, Down chooses the top row, Enter logs in to it.
x() { in_searcher env DISPLAY="$DISPLAY_NAME" xdotool "$@"; }
window_id=$(in_searcher timeout 30 env DISPLAY="$DISPLAY_NAME" xdotool search --sync --onlyvisible \
  --name '^Travelkin$' | head -n 1)
[ -n "$window_id" ] || fail "no window named Travelkin"
x windowfocus --sync "$window_id"
x key --delay 100 Down Return
top_ip=$(head -n 1 "$WORK/list.txt" | cut -f 2)
wait_until 30 "Enter to log in" test -s "$WORK/urls.txt"
[ "$(cat "$WORK/urls.txt" 2>/dev/null)" = "http://$top_ip" ] ||
  fail "Down and Enter opened '$(cat "$WORK/urls.txt" 2>/dev/null)', not http://$top_ip"

kill -TERM "$TK_PID"
status=0
wait "$TK_PID" || status=$?
TK_PID=
[ "$status" -eq 0 ] || fail "travelkin ended with status $status: $(cat "$WORK/first.log")"
echo "PASS"
