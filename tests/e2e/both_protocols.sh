#!/usr/bin/env bash
# A device that speaks only the broadcast protocol and one that speaks only SSDP are both
# found, each with the texts its protocol carries; a device with a max-age of 1 s is listed
# and saved by the whole search it answered.
source "$(dirname "$0")/lib.sh"

net_up
add_addresses a 192.0.2.10 2
start_sim a --first-address 192.0.2.10 --protocol broadcast --id b%d --host bdisk%d --product Cube
start_sim a --first-address 192.0.2.11 --protocol ssdp --no-notify --id s%d --host sdisk%d \
  --vendor kelmar --detail fw2 --os-version 2.5
# --expect ends the search as soon as both are listed; --seconds is only the deadline.
search --seconds 30 --expect 2 --json >"$WORK/found.json"
json_valid "$WORK/found.json"
[ "$(json_count "$WORK/found.json")" -eq 2 ] || fail "expected 2 devices: $(cat "$WORK/found.json")"

[ "$(device_at "$WORK/found.json" 192.0.2.10)" = \
  '{"id":"b0","ip":"192.0.2.10","host":"bdisk0","product":"Cube","detail":"","osVersion":"","vendor":"ZANDOVERT","type":1,"url":"http://192.0.2.10"}' ] \
  || fail "broadcast answer: $(device_at "$WORK/found.json" 192.0.2.10)"
[ "$(device_at "$WORK/found.json" 192.0.2.11)" = \
  '{"id":"s0","ip":"192.0.2.11","host":"sdisk0","product":"NAS","detail":"fw2","osVersion":"2.5","vendor":"kelmar","type":1,"url":"http://192.0.2.11"}' ] \
  || fail "SSDP answer: $(device_at "$WORK/found.json" 192.0.2.11)"

# The table shows the same devices.
search --seconds 30 --expect 2 >"$WORK/table.out"
grep -q '^bdisk0 .*192\.0\.2\.10 .*Cube' "$WORK/table.out" || fail "table: $(cat "$WORK/table.out")"
grep -q '^sdisk0 .*192\.0\.2\.11 ' "$WORK/table.out" || fail "table: $(cat "$WORK/table.out")"

# A device that promises its answer for one second only is still listed, and saved, by the
# search it answered, however long that search waits after its last answer.
add_addresses a 192.0.2.12 1
start_sim a --first-address 192.0.2.12 --protocol ssdp --no-notify --host brief --max-age 1
search --seconds 4 --json --save "$WORK/saved.json" >"$WORK/brief.json"
expect_device "$WORK/brief.json" 192.0.2.12 brief
[ "$(jq -r '.devices[] | select(.ip == "192.0.2.12") | .host' "$WORK/saved.json")" = brief ] \
  || fail "the saved list lacks the brief device: $(cat "$WORK/saved.json")"
echo "PASS"
