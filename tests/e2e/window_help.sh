#!/usr/bin/env bash
# The real program on a network where nothing answers the search: "Why?" in the empty list
# opens the dialog that says why (queries went out, nothing answered); from there the keyboard
# alone opens "Add a device by address…", which takes the
# address of a device behind a router, writes it to hosts.txt after the lines already there,
# and the search it starts at once lists the device. A second address, added in the same
# dialog once that search's repeats are over, is searched at once: its device is listed while
# the countdown runs, without another search. Then, with a name server that hears and never
# answers, a name's look-up holds nothing up: Esc on the dialog during it leaves the window
# answering F5, and the window closed during another ends within the exit grace, with hosts.txt
# as it was.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/window_lib.sh"

net_up
"$TK_TESTNET" routed "$NET"
add_addresses c 198.18.2.10 2
# Behind a router: found only once its address is added.
start_sim c --first-address 198.18.2.10 --host far --no-notify --seconds 90
far_pid=$SIM_PID

command -v nft >/dev/null || skip "needs nft (tools/install-deps.sh installs nftables)"
# The window's name server (the only one it knows of) is in namespace b, which drops every
# query unanswered and counts them; glibc waits 30 s five times before it gives up.
"$TK_TESTNET" exec "$NET" b nft -f - <<'NFT'
table inet hush {
  chain input {
    type filter hook input priority 0; policy accept;
    meta l4proto { udp, tcp } th dport 53 counter drop
  }
}
NFT
printf 'nameserver 198.18.0.2\noptions timeout:30 attempts:5\n' >"$WORK/resolv.conf"
dropped() { "$TK_TESTNET" exec "$NET" b nft list table inet hush | sed -n 's/.*counter packets \([0-9]*\).*/\1/p'; }
dropped_more_than() { [ "$(dropped)" -gt "$1" ]; }

start_display
mkdir -m 700 "$WORK/runtime"
mkdir -p "$WORK/data/ZandovertSearchTools"
printf '# kept as it is\n' >"$WORK/data/ZandovertSearchTools/hosts.txt"
in_searcher sh -c 'mount --bind "$0" /etc/resolv.conf && exec "$@"' "$WORK/resolv.conf" \
  env DISPLAY="$DISPLAY_NAME" XDG_RUNTIME_DIR="$WORK/runtime" TRAVELKIN_DATA_ROOT="$WORK/data" \
  TRAVELKIN_LIST_DUMP="$WORK/list.txt" TRAVELKIN_LOG="$WORK/search.log" QT_QPA_PLATFORM=xcb \
  "$TK_TRAVELKIN" >/dev/null 2>"$WORK/travelkin.log" &
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

# Esc on the dialog while a name is looked up: the window answers F5 (once its countdown is
# over) long before the look-up could end.
hosts_before=$(cat "$WORK/data/ZandovertSearchTools/hosts.txt")
look_up_hangs() {  # starts the look-up in the dialog that has the keyboard
  local before
  before=$(dropped)
  x type --delay 50 'hangs.example'
  x key Return
  wait_until 20 "the name's look-up to reach the name server" dropped_more_than "$before"
}
x windowfocus --sync "$add_id"
look_up_hangs
x key Escape
add_closed() { ! named 'Add a device by address…'; }
wait_until 20 "the dialog to close" add_closed
mark=$(log_mark "$WORK/search.log")
f5_searches() {
  alive
  x windowfocus "$window_id" key F5 2>/dev/null || true
  log_has_since "$WORK/search.log" "$mark" 'pdhcp is NULL'
}
wait_until 40 "the window to answer F5 after the dialog closed" f5_searches

# Closed during a look-up: the process ends within the exit grace (2 s) and a margin.
add_opens() {  # the last item of the list's menu
  alive
  named 'Add a device by address…' && return 0
  x windowfocus --sync "$window_id" key shift+F10 Up Return 2>/dev/null || true
  named 'Add a device by address…'
}
wait_until 30 "the menu to open the dialog again" add_opens
add_id=$(x search --onlyvisible --name '^Add a device by address…$' | head -n 1)
x windowfocus --sync "$add_id"
look_up_hangs
x windowfocus --sync "$window_id"
x key Escape
closed=$(date +%s%N)
gone() { ! kill -0 "$TK_PID" 2>/dev/null || ps -o stat= -p "$TK_PID" | grep -q '^Z'; }
wait_until 10 "the window to end while its look-up hangs" gone
echo "ended $((($(date +%s%N) - closed) / 1000000)) ms after Esc"
wait "$TK_PID" 2>/dev/null || true
TK_PID=
[ "$(cat "$WORK/data/ZandovertSearchTools/hosts.txt")" = "$hosts_before" ] ||
  fail "hosts.txt changed: $(cat "$WORK/data/ZandovertSearchTools/hosts.txt")"
echo "PASS"
