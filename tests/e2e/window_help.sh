#!/usr/bin/env bash
# The real program on a network where nothing answers the search: "Why?" in the empty list
# opens the dialog that says why (queries went out, nothing answered); from there the keyboard
# alone opens "Add a device by address…", which takes the
# address of a device behind a router, writes it to hosts.txt after the lines already there,
# and the search it starts at once lists the device. A second address, added in the same
# dialog once that search's repeats are over, is searched at once: its device is listed while
# the countdown runs, without another search.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/window_lib.sh"

net_up
"$TK_TESTNET" routed "$NET"
add_addresses c 198.18.2.10 2
# Behind a router: found only once its address is added.
start_sim c --first-address 198.18.2.10 --host far --no-notify --seconds 90
far_pid=$SIM_PID

start_display
mkdir -m 700 "$WORK/runtime"
mkdir -p "$WORK/data/ZandovertSearchTools"
printf '# kept as it is\n' >"$WORK/data/ZandovertSearchTools/hosts.txt"
in_searcher env DISPLAY="$DISPLAY_NAME" XDG_RUNTIME_DIR="$WORK/runtime" TRAVELKIN_DATA_ROOT="$WORK/data" \
  TRAVELKIN_LOG="$WORK/search.log" TRAVELKIN_LIST_DUMP="$WORK/list.txt" QT_QPA_PLATFORM=xcb "$TK_TRAVELKIN" 2>"$WORK/travelkin.log" &
TK_PID=$!

x() { in_searcher env DISPLAY="$DISPLAY_NAME" xdotool "$@"; }
named() { x search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
alive() { kill -0 "$TK_PID" 2>/dev/null || fail "travelkin ended early: $(cat "$WORK/travelkin.log")"; }
wait_until 30 "the window" named Travelkin
window_id=$(x search --onlyvisible --name '^Travelkin$' | head -n 1)
x windowfocus --sync "$window_id"

# The countdown ends with the list empty; "Why?" then sits in the middle of the list (a click
# there during the countdown only clears a selection that is not there).
why_opens() {
  alive
  x mousemove --window "$window_id" 164 120 click 1 2>/dev/null
  named 'Why no device was found'
}
wait_until 40 "Why? to open its dialog" why_opens
[ ! -s "$WORK/list.txt" ] || fail "something was listed: $(cat "$WORK/list.txt")"

# The keyboard starts on "Add a device by address…": Enter opens that dialog.
why_id=$(x search --onlyvisible --name '^Why no device was found$' | head -n 1)
x windowfocus --sync "$why_id"
x key Return
wait_until 20 "the dialog that adds a device" named 'Add a device by address…'
add_id=$(x search --onlyvisible --name '^Add a device by address…$' | head -n 1)
x windowfocus --sync "$add_id"
x type --delay 50 '198.18.2.10'
x key Return
wait_until 20 "the address in hosts.txt" grep -qx '198.18.2.10' "$WORK/data/ZandovertSearchTools/hosts.txt"
[ "$(cat "$WORK/data/ZandovertSearchTools/hosts.txt")" = $'# kept as it is\n198.18.2.10' ] ||
  fail "hosts.txt: $(cat "$WORK/data/ZandovertSearchTools/hosts.txt")"
far_listed() { alive; grep -qx $'far\t198.18.2.10\tNAS' "$WORK/list.txt" 2>/dev/null; }
wait_until 30 "the added device in the list" far_listed
# A simulator answers for all its devices, whatever address was asked: the second device
# starts once the first is gone and the search's repeats are over.
kill "$far_pid"
wait "$far_pid" || true

# Two searches so far (the first, the one the address started), each repeated twice.
searches() { log_count_since "$WORK/search.log" 0 'SendMessage : pdhcp is NULL'; }
repeats_over() { [ "$(log_count_since "$WORK/search.log" 0 'Send Search Request Again')" -ge 4 ]; }
wait_until 20 "the repeats of the search the address started" repeats_over
[ "$(searches)" -eq 2 ] || fail "$(searches) searches before the second address"
start_sim c --first-address 198.18.2.11 --host later --no-notify --seconds 90
x windowfocus --sync "$add_id"
x type --delay 50 '198.18.2.11'
x key Return
later_listed() { alive; grep -qx $'later\t198.18.2.11\tNAS' "$WORK/list.txt" 2>/dev/null; }
wait_until 30 "the device of the address added during the search" later_listed
[ "$(searches)" -eq 2 ] || fail "another search was needed: $(searches) searches"
echo "PASS"
