#!/usr/bin/env bash
# The Windows search under Wine finds the same devices as the Linux search, in the same test
# network, and forged answers to the group and the broadcast addresses do not keep a real
# device out. Run by tools/run-tests.sh after the Windows cross-build; besides lib.sh's variables
# it needs TK_SEARCH_EXE and TK_PROBE_EXE (the cross-built search and local_address_probe).
# The Wine prefix and its wineserver, inside the searching namespace: wine_lib.sh.
source "$(dirname "$0")/lib.sh"
: "${TK_SEARCH_EXE:?}"
source "$(dirname "$0")/wine_lib.sh"

net_up
start_wine

add_addresses a 192.0.2.10 2
add_addresses b 198.18.0.10 1
start_sim a --first-address 192.0.2.10 --protocol broadcast --id b%d --host bdisk%d --product Cube
start_sim a --first-address 192.0.2.11 --protocol ssdp --id s%d --host sdisk%d --vendor kelmar
start_sim b --first-address 198.18.0.10 --protocol ssdp --no-notify --id far%d --host far%d

# --expect ends each search as soon as the three are listed; --seconds is only the deadline.
search --seconds 30 --expect 3 --json >"$WORK/linux.json"
json_valid "$WORK/linux.json"
[ "$(json_count "$WORK/linux.json")" -eq 3 ] || fail "Linux search: $(cat "$WORK/linux.json")"

in_searcher timeout 90 wine "$TK_SEARCH_EXE" --seconds 60 --expect 3 --json >"$WORK/wine.json"
json_valid "$WORK/wine.json"
same='(.[0] | sort_by(.ip)) == (.[1] | sort_by(.ip))'
jq -e -s "$same" "$WORK/linux.json" "$WORK/wine.json" >/dev/null \
  || fail "Wine found $(cat "$WORK/wine.json"), Linux $(cat "$WORK/linux.json")"

# A folder named in two scripts, as an account's folder may be: the saved list and the
# diagnostic log land under that very name (the arguments and the environment reach the
# program in full, not through the ANSI code page), and --compare reads the list back. Wine
# takes the arguments and the environment in the locale's encoding.
named="$WORK/Zoë 李"
mkdir "$named"
in_searcher env LC_ALL=C.UTF-8 TRAVELKIN_LOG="$named/search.log" timeout 90 wine "$TK_SEARCH_EXE" \
  --seconds 60 --expect 3 --json --save "$named/list.json" >/dev/null 2>"$WORK/save.log" \
  || fail "--save: $(cat "$WORK/save.log")"
[ "$(jq '.devices | length' "$named/list.json")" = 3 ] \
  || fail "--save did not write $named/list.json: $(ls -R "$WORK" | head -n 40)"
grep -q '^SendThread [0-9]* : ' "$named/search.log" && tail -n 1 "$named/search.log" | grep -q '^------Exit Log System' \
  || fail "no whole log in $named/search.log; the folder holds: $(ls "$named" | paste -sd ' ');" \
    "the program said: $(grep -a 'log file' "$WORK/save.log" || true)"
in_searcher env LC_ALL=C.UTF-8 timeout 90 wine "$TK_SEARCH_EXE" --seconds 60 --expect 3 \
  --compare "$named/list.json" >"$WORK/compare.txt" 2>&1 || fail "--compare: $(cat "$WORK/compare.txt")"

# Forged answers from 200 addresses, every second, to the group, to 255.255.255.255 and to
# the subnet's broadcast address fill a list held to 50 devices (Wine receives too slowly to
# fill 4,096); they are no answers to the search, so a real device that answers it 3 s late
# takes the place of one of them: the Windows receive, too, tells where each datagram went.
add_addresses a 192.0.2.12 1
add_addresses a 198.19.0.1 200
start_sim a --first-address 198.19.0.1 --count 200 --hostile answers --id forged%d --host forged%d \
  --answers-to 192.0.2.255 --seconds 300
start_sim a --first-address 192.0.2.12 --id real%d --host real%d --no-notify --delay 3000 \
  --log-queries --seconds 120
in_searcher env TRAVELKIN_LIST_CAP=50 timeout 90 wine "$TK_SEARCH_EXE" --seconds 7 --json --diagnose \
  >"$WORK/forged.json"
jq '.devices' "$WORK/forged.json" >"$WORK/forged-list.json"
forged=$(jq '[.[] | select(.host | startswith("forged"))] | length' "$WORK/forged-list.json")
[ "$(json_count "$WORK/forged-list.json")" -eq 50 ] || fail "the list of 50 was never full: $forged forged"
[ -n "$(device_at "$WORK/forged-list.json" 192.0.2.12)" ] || {
  jq -c '.workers[] | {kind, port, received, dropped, listed}' "$WORK/forged.json" >&2
  fail "the real device is not listed among $forged forged answerers (queries it heard:" \
    "$(grep -c 'query from' "$SIM_LOG"))"
}
echo "PASS"
