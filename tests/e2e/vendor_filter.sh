#!/usr/bin/env bash
# Only the accepted makers are listed, whatever the letter case; other vendors, and vendor
# texts that merely start with an accepted name, are left out.
source "$(dirname "$0")/lib.sh"

net_up
add_addresses a 192.0.2.10 5
start_sim a --first-address 192.0.2.10 --vendor ZANDOVERT --host upper
start_sim a --first-address 192.0.2.11 --vendor kelmar --host lower
start_sim a --first-address 192.0.2.12 --vendor OTHERCO --host foreign
start_sim a --first-address 192.0.2.13 --vendor "ZANDOVERT NAS" --host longer
start_sim a --first-address 192.0.2.14 --vendor "" --host novendor
# A whole search (its three sends), so every device has answered before the list is read.
TRAVELKIN_LOG="$WORK/search.log" search --seconds 3 --json >"$WORK/found.json"
json_valid "$WORK/found.json"
expect_device "$WORK/found.json" 192.0.2.10 upper
expect_device "$WORK/found.json" 192.0.2.11 lower
# The left-out devices did answer: their answers reached the search and were dropped.
for ip in 192.0.2.12 192.0.2.13 192.0.2.14; do
  grep -aq "Recive Socket Protocol IP : $ip," "$WORK/search.log" || fail "no answer from $ip reached the search"
  expect_no_device "$WORK/found.json" "$ip"
done
echo "PASS"
