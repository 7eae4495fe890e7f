#!/usr/bin/env bash
# One search process outlives changes of its network: started while its first network was
# down, it hears that network's announcements as soon as the network is up, and finds its
# devices at the next search; after the second network's interface is deleted and made again
# with the same address, that address's command worker finds the device behind it again.
source "$(dirname "$0")/lib.sh"

LOG="$WORK/search.log"
net_up
add_addresses a 192.0.2.10 2
add_addresses b 198.18.0.10 1
"$TK_TESTNET" link "$NET" a down
start_sim a --first-address 192.0.2.10 --protocol ssdp --no-notify --id near%d --host near%d --seconds 80
start_sim b --first-address 198.18.0.10 --protocol ssdp --no-notify --id far%d --host far%d --seconds 80
far_sim=$SIM_PID
start_driver

# The device behind the link that is down stays unheard, while the other network's answers.
driver_search
wait_until 30 "far0 to be listed" driver_lists "$WORK/down.json" 198.18.0.10
expect_no_device "$WORK/down.json" 192.0.2.10

# The first network comes up: without a search, the service renews its group membership,
# so an announcement made now is heard; the next search finds the device there.
mark=$(log_mark "$LOG")
"$TK_TESTNET" link "$NET" a up
wait_until 30 "the SSDP worker to join its group again" \
  log_has_since "$LOG" "$mark" 'SendThread 1900 : Add To Multicast Group Info'
drive clear
start_sim a --first-address 192.0.2.11 --protocol ssdp --id late%d --host late%d --seconds 80
wait_until 30 "late0 to be listed from its announcement" driver_lists "$WORK/notify.json" 192.0.2.11
[ "$(device_at "$WORK/notify.json" 192.0.2.11 | jq .type)" = 2 ] \
  || fail "late0 was not listed from its announcement: $(cat "$WORK/notify.json")"
driver_search
wait_until 30 "near0 to be listed" driver_lists "$WORK/up.json" 192.0.2.10
expect_device "$WORK/up.json" 192.0.2.10 near0

# The second network's interface is deleted and made again with the same address.
port=$(sed -n 's/.*Init Search Device Work Thread Value, strIP : 198\.18\.0\.1, nPort : \([0-9]*\).*/\1/p' "$LOG")
[ -n "$port" ] || fail "no command worker for 198.18.0.1: $(grep -a 'Init Search' "$LOG")"
kill "$far_sim"
"$TK_TESTNET" link "$NET" b renew
add_addresses b 198.18.0.10 1
start_sim b --first-address 198.18.0.10 --protocol ssdp --no-notify --id far%d --host far%d --seconds 80
mark=$(log_mark "$LOG")
driver_search
wait_until 30 "far0 to be found again by the worker on port $port" \
  log_has_since "$LOG" "$mark" "Handle $port : Search $port Thread Find Device ID : far0, IP : 198.18.0.10"
wait_until 30 "far0 to be listed again" driver_lists "$WORK/renewed.json" 198.18.0.10
expect_device "$WORK/renewed.json" 198.18.0.10 far0
echo "PASS"
