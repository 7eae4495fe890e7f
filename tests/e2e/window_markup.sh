#!/usr/bin/env bash
# Devices whose names look like markup: one names a picture file, one colours its text, one
# names a file with no end (/dev/zero). The window lists them, and resting the pointer on each
# row shows its details; the window is still there after every one.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/window_lib.sh"

hosts=('<img src=/usr/share/pixmaps/debian-logo.png>' '<font color=red>red</font>' '<img src=/dev/zero>')
net_up
add_addresses a 192.0.2.10 3
for i in 0 1 2; do
  start_sim a --first-address "192.0.2.1$i" --protocol broadcast --host "${hosts[$i]}" --seconds 90
done

start_display
mkdir -m 700 "$WORK/runtime"
in_searcher env DISPLAY="$DISPLAY_NAME" XDG_RUNTIME_DIR="$WORK/runtime" TRAVELKIN_DATA_ROOT="$WORK/data" \
  TRAVELKIN_LIST_DUMP="$WORK/list.txt" QT_QPA_PLATFORM=xcb "$TK_TRAVELKIN" 2>"$WORK/travelkin.log" &
TK_PID=$!

x() { in_searcher env DISPLAY="$DISPLAY_NAME" xdotool "$@"; }
alive() { kill -0 "$TK_PID" 2>/dev/null || fail "travelkin ended: $(tail -n 5 "$WORK/travelkin.log")"; }
three_listed() { alive; [ "$(wc -l <"$WORK/list.txt" 2>/dev/null || echo 0)" -ge 3 ]; }
wait_until 60 "three devices in the list" three_listed
for host in "${hosts[@]}"; do
  grep -qF "$host"$'\t' "$WORK/list.txt" || fail "'$host' is not listed as it came: $(cat "$WORK/list.txt")"
done
window_id=$(x search --onlyvisible --name '^Travelkin$' | head -n 1)

# A tooltip is a second visible window of the program.
windows_shown() { x search --onlyvisible --class travelkin 2>/dev/null | wc -l; }
tooltip_shown() { alive; [ "$(windows_shown)" -ge 2 ]; }
tooltip_gone() { alive; [ "$(windows_shown)" -le 1 ]; }
for row in 0 1 2; do
  x mousemove --window "$window_id" 20 200
  wait_until 20 "no tooltip before row $row" tooltip_gone
  x mousemove --window "$window_id" 60 $((75 + 16 * row))
  wait_until 20 "the tooltip of row $row" tooltip_shown
done
x mousemove --window "$window_id" 20 200
wait_until 20 "the last tooltip to go" tooltip_gone
echo "PASS"
