#!/usr/bin/env bash
# One search process outlives changes of its network: started while its first network was
# down, it hears that network's announcements as soon as the network is up, and finds its
# devices at the next search; after the second network's interface is deleted and made again with the same address,
# that address's command worker finds the device behind it again.
source "$(dirname "$0")/lib.sh"

# Searches, waits until the repeats are over, and writes the registry to FILE.
search_into() { drive search; sleep 2.5; list_to "$1"; }

net_up
add_addresses a 192.0.2.10 2
add_addresses b 198.18.0.10 1
"$TK_TESTNET" link "$NET" a down
start_sim a --first-address 192.0.2.10 --protocol ssdp --no-notify --id near%d --host near%d --seconds 80
start_sim b --first-address 198.18.0.10 --protocol ssdp --no-notify --id far%d --host far%d --seconds 80
far_sim=$SIM_PID
settle
start_driver

search_into "$WORK/down.json"
expect_no_device "$WORK/down.json" 192.0.2.10
expect_device "$WORK/down.json" 198.18.0.10 far0

# The first network comes up: without a search, the service renews its group membership,
# so an announcement made now is heard; the next search finds the device there.
"$TK_TESTNET" link "$NET" a up
sleep 1
drive clear
start_sim a --first-address 192.0.2.11 --protocol ssdp --id late%d --host late%d --seconds 80
sleep 1
list_to "$WORK/notify.json"
expect_device "$WORK/notify.json" 192.0.2.11 late0
[ "$(device_at "$WORK/notify.json" 192.0.2.11 | jq .type)" = 2 ] \
  || fail "late0 was not listed from its announcement: $(cat "$WORK/notify.json")"
search_into "$WORK/up.json"
expect_device "$WORK/up.json" 192.0.2.10 near0

# The second network's interface is deleted and made again with the same address.
port=$(sed -n 's/.*Init Search Device Work Thread Value, strIP : 198\.18\.0\.1, nPort : \([0-9]*\).*/\1/p' \
  "$WORK/search.log")
[ -n "$port" ] || fail "no command worker for 198.18.0.1: $(grep -a 'Init Search' "$WORK/search.log")"
kill "$far_sim"
"$TK_TESTNET" link "$NET" b renew
add_addresses b 198.18.0.10 1
start_sim b --first-address 198.18.0.10 --protocol ssdp --no-notify --id far%d --host far%d --seconds 80
settle
before=$(wc -l <"$WORK/search.log")
search_into "$WORK/renewed.json"
expect_device "$WORK/renewed.json" 198.18.0.10 far0
tail -n +"$((before + 1))" "$WORK/search.log" \
  | grep -aq "Handle $port : Search $port Thread Find Device ID : far0, IP : 198.18.0.10" \
  || fail "far0 not found by the worker on port $port: $(tail -n +"$((before + 1))" "$WORK/search.log" | grep -a 'Error\|Find Device ID')"
echo "PASS"
