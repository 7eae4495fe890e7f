#!/usr/bin/env bash
# A device on a routed network behind the device namespace hears neither the broadcast query
# nor the multicast search: only a direct search of its address (--host) finds it, by both
# protocols, and by a name that only the searcher's name service knows. A malformed address,
# and one that is not unicast (multicast, broadcast, a local network's broadcast address,
# loopback, reserved, this network), is refused with status 2, and output that cannot be
# written (a full device, a closed standard output) ends in status 1 with "write error".
# One process searching as the window does: after the near device stopped, a new search's
# "why nothing was found" tells of that search (nothing answered), and addresses handed over
# after the search's repeats (Add a device by address) are searched at once.
source "$(dirname "$0")/lib.sh"

net_up
"$TK_TESTNET" routed "$NET"
add_addresses c 198.18.2.10 2
add_addresses a 192.0.2.10 1
start_sim c --first-address 198.18.2.10 --host far-broadcast --protocol broadcast --no-notify --seconds 120
start_sim c --first-address 198.18.2.11 --host far-ssdp --protocol ssdp --no-notify --seconds 120
start_sim a --first-address 192.0.2.10 --host near
near_pid=$SIM_PID
# A whole search: the near device, listed, shows the far ones had their chance.
search --seconds 2 --json >"$WORK/plain.json"
json_valid "$WORK/plain.json"
expect_device "$WORK/plain.json" 192.0.2.10 near
expect_no_device "$WORK/plain.json" 198.18.2.10
expect_no_device "$WORK/plain.json" 198.18.2.11

search --seconds 30 --expect 3 --json --host 198.18.2.10 -H 198.18.2.11 >"$WORK/direct.json"
json_valid "$WORK/direct.json"
expect_device "$WORK/direct.json" 192.0.2.10 near
expect_device "$WORK/direct.json" 198.18.2.10 far-broadcast
expect_device "$WORK/direct.json" 198.18.2.11 far-ssdp

# By a name that only the searcher's name service knows (its hosts file): looked up at start.
# Both far simulators share namespace c, so the broadcast query sent to that address reaches
# the other one, which answers from its own.
"$TK_TESTNET" host "$NET" far-nas.test 198.18.2.11
search --seconds 30 --expect 3 --json --host far-nas.test >"$WORK/named.json"
json_valid "$WORK/named.json"
expect_device "$WORK/named.json" 198.18.2.11 far-ssdp

status=0; search --seconds 1 --host 198.18.2 >/dev/null 2>"$WORK/bad.err" || status=$?
[ "$status" -eq 2 ] || fail "a malformed --host gave status $status"
grep -q "198.18.2" "$WORK/bad.err" || fail "the error does not name the address: $(cat "$WORK/bad.err")"
for host in 224.0.0.1 255.255.255.255 0.0.0.0 127.0.0.1 240.0.0.1 192.0.2.255 198.18.0.255; do
  status=0; search --seconds 1 --host "$host" >/dev/null 2>"$WORK/unicast.err" || status=$?
  [ "$status" -eq 2 ] || fail "--host $host gave status $status"
  grep -q "not a unicast address ($host is" "$WORK/unicast.err" || fail "--host $host: $(cat "$WORK/unicast.err")"
done
grep -q "(198.18.0.255 is the broadcast address of the local network of 198.18.0.1)" "$WORK/unicast.err" \
  || fail "a local network's broadcast address is not named so: $(cat "$WORK/unicast.err")"
for redirect in '>/dev/full' '>&-'; do
  status=0; eval 'search --seconds 1 --host 198.18.2.10' "$redirect" '2>"$WORK/write.err"' || status=$?
  [ "$status" -eq 1 ] || fail "output $redirect gave status $status"
  grep -q "travelkin-search: write error" "$WORK/write.err" || fail "output $redirect: $(cat "$WORK/write.err")"
done

start_driver
driver_search
wait_until 30 "the near device" driver_lists "$WORK/first.json" 192.0.2.10
kill "$near_pid"
wait "$near_pid" || true
driver_search
drive why "$WORK/why.txt"
wait_until 30 "the driver to say why" list_written "$WORK/why.txt"
grep -q '^  queries went out but nothing answered' "$WORK/why.txt" || fail "why: $(cat "$WORK/why.txt")"
[ "$(wc -l <"$WORK/why.txt")" -eq 2 ] || fail "why, more than one cause: $(cat "$WORK/why.txt")"
drive hosts 198.18.2.10 198.18.2.11
wait_until 10 "the devices of addresses added after the repeats" \
  driver_lists "$WORK/added.json" 198.18.2.10 198.18.2.11
echo "PASS"
