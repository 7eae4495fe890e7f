#!/usr/bin/env bash
# Closing the cross-built window under Wine waits for no shell: while a My Storage request
# is in flight and the shell it handed the share root to does not come back (the URL
# recorder stands in for the shell and holds its thread for a minute after recording), a
# close request ends the program within CLOSE_SECONDS. Besides lib.sh's variables it needs
# TK_TRAVELKIN_EXE (travelkin.exe) and TK_PROBE_EXE (local_address_probe); the Wine prefix,
# its wineserver and the display: wine_lib.sh.
source "$(dirname "$0")/lib.sh"
: "${TK_TRAVELKIN_EXE:?}"
source "$(dirname "$0")/wine_lib.sh"
command -v xdotool >/dev/null || skip "needs xdotool"
# Of these, 2 s go to Wine alone: on a display without a window manager its X11 driver waits
# that long for one when the closing window is hidden (every close under these tests does).
readonly CLOSE_SECONDS=3

net_up
add_addresses a 192.0.2.10 2
start_sim a --first-address 192.0.2.10 --count 2 --protocol both --host disk%d --product Cube --seconds 300
start_display
start_wine
start_travelkin "$TK_TRAVELKIN_EXE" TRAVELKIN_URL_RECORDER_DELAY_MS=60000
wait_until 90 "both devices in the window's list" two_listed
find_window
top_ip=$(head -n 1 "$WORK/list.txt" | cut -f 2)
click $TOP_ROW
click $MY_STORAGE
wait_until 30 "My Storage to hand \\\\$top_ip to the shell" recorded "\\\\$top_ip"
close_travelkin "$(basename "$TK_TRAVELKIN_EXE")" "$CLOSE_SECONDS"
echo "PASS"
