#!/usr/bin/env bash
# A full registry never keeps a real device out: 20,000 forged announcers (NOTIFY alive from
# 20,000 addresses, every second, answering nothing) fill the list to its cap, and a real
# device that answers the search during the flood is listed by that one search.
source "$(dirname "$0")/lib.sh"

net_up
add_addresses a 192.0.2.10 1
add_addresses a 198.19.0.1 20000
start_sim a --first-address 198.19.0.1 --count 20000 --protocol ssdp --hostile announce \
  --id forged%d --host forged%d --seconds 120
# It answers 2.5 s late, when the flood has filled the list.
start_sim a --first-address 192.0.2.10 --host real --no-notify --delay 2500 --seconds 120
status=0
search --seconds 6 --json >"$WORK/flood.json" 2>"$WORK/search.err" || status=$?
[ "$status" -eq 0 ] || fail "search ended with status $status"
json_valid "$WORK/flood.json"
forged=$(jq '[.[] | select(.host | startswith("forged"))] | length' "$WORK/flood.json")
[ "$forged" -ge 4000 ] || fail "only $forged forged announcers listed: the list was never full"
[ "$(json_count "$WORK/flood.json")" -le 4096 ] || fail "the list grew past its cap"
expect_device "$WORK/flood.json" 192.0.2.10 real
echo "PASS: the real device is listed among $forged forged announcers"
