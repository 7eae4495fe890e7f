#!/usr/bin/env bash
# Answers nobody asked for count no more than announcements: 4,200 forged answerers (every
# second, from 4,200 addresses, an SSDP "HTTP/1.1 200 OK" to the group and a broadcast answer
# to everybody's port 67, answering no query) fill the list to its cap, and three real devices
# that answer each search 1.5 s late are all listed: by a one-shot search, and by a watch.
source "$(dirname "$0")/lib.sh"

EVENTS="$WORK/events.out"
real_appeared() {
  [ "$(jq -s '[.[] | select(.event == "appeared" and (.device.host | startswith("real")))] | length' \
    "$EVENTS" 2>/dev/null)" = 3 ]
}

net_up
add_addresses a 192.0.2.10 3
add_addresses a 198.19.0.1 4200
start_sim a --first-address 198.19.0.1 --count 4200 --hostile answers --id forged%d --host forged%d \
  --seconds 120
start_sim a --first-address 192.0.2.10 --count 3 --id real%d --host real%d --no-notify --delay 1500 \
  --seconds 120

status=0
search --seconds 5 --json >"$WORK/once.json" 2>"$WORK/search.err" || status=$?
[ "$status" -eq 0 ] || fail "search ended with status $status"
json_valid "$WORK/once.json"
forged=$(jq '[.[] | select(.host | startswith("forged"))] | length' "$WORK/once.json")
[ "$forged" -ge 4000 ] || fail "only $forged forged answerers listed: the list was never full"
[ "$(json_count "$WORK/once.json")" -le 4096 ] || fail "the list grew past its cap"
for i in 0 1 2; do expect_device "$WORK/once.json" "192.0.2.1$i" "real$i"; done

# Started directly (not through a shell function), so the signal reaches the search itself.
"$TK_TESTNET" exec "$NET" search "$TK_SEARCH" --watch --interval 4 >"$EVENTS" 2>"$WORK/watch.err" &
watching=$!
wait_until 60 "the three real devices to appear in the watch" real_appeared
kill -TERM "$watching"
status=0; wait "$watching" || status=$?
[ "$status" -eq 0 ] || fail "the watch ended with status $status: $(cat "$WORK/watch.err")"
displaced=$(jq -s '[.[] | select(.event == "gone" and .reason == "displaced")] | length' "$EVENTS")
[ "$displaced" -ge 1 ] || fail "no forged answerer was displaced: the list was never full"
echo "PASS: three real devices listed among $forged forged answerers"
