#!/usr/bin/env bash
# Hostile devices cannot break the search.
#  1. Zero-length, oversized and random datagrams and "%s%n" texts, in reply to every query:
#     a real device that answers after the barrage is still found, and the "%s%n" texts come
#     through unchanged.
#  2. A flood of 10,000 forged devices from one machine, each answer naming another address:
#     the search exits normally, the machine is listed once, at its own address, no address
#     named only in the answers is listed, and a real device answering alongside is listed.
source "$(dirname "$0")/lib.sh"

# A whole search (five seconds: the real device answers each send 2.5 s late).
search_json() {  # file
  local status=0
  search --seconds 5 --json >"$1" || status=$?
  [ "$status" -eq 0 ] || fail "search ended with status $status"
  json_valid "$1"
}

net_up
add_addresses a 192.0.2.10 2

start_sim a --first-address 192.0.2.10 --host real --delay 2500 --seconds 120
real=$SIM_PID
start_sim a --first-address 192.0.2.11 --host broken --hostile zero,oversized,binary,format --seconds 120
broken=$SIM_PID
search_json "$WORK/garbage.json"
expect_device "$WORK/garbage.json" 192.0.2.10 real
[ "$(jq '[.[] | select(.host == "%s%n%s%n%x%p" and .id == "%s%n%s%n%x%p")] | length' "$WORK/garbage.json")" -ge 1 ] \
  || fail "the %s%n device is missing or altered: $(cat "$WORK/garbage.json")"
kill "$real" "$broken"
wait "$real" "$broken" || true

start_sim a --first-address 192.0.2.10 --host real2
start_sim a --first-address 192.0.2.11 --host flooder --hostile flood --flood-count 10000
search_json "$WORK/flood.json"
flooder=$(device_at "$WORK/flood.json" 192.0.2.11 | wc -l)
[ "$flooder" -eq 1 ] || fail "the flooding machine is listed $flooder times: $(head -c 2000 "$WORK/flood.json")"
count=$(json_count "$WORK/flood.json")
[ "$count" -eq 2 ] || fail "$count devices listed: addresses named in the answers were taken"
expect_device "$WORK/flood.json" 192.0.2.10 real2
echo "PASS: the flooding machine is listed once"
