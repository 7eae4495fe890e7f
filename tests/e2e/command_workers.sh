#!/usr/bin/env bash
# The searching host has two addresses (192.0.2.1 and 198.18.0.1): the service gives each its
# own command worker, on ports 1530 and 1550, bound to that address. An SSDP device on the
# second network, which the group search through the default route does not reach, is found
# through the command worker of that network; a broadcast-only device there is found by the
# query sent to that network's own broadcast address.
source "$(dirname "$0")/lib.sh"

# For wait_until: both command workers, the broadcast and the SSDP worker hold their sockets.
workers_bound() {
  in_searcher ss -uanp >"$WORK/sockets.out"
  [ "$(grep -c '\(192\.0\.2\.1\|198\.18\.0\.1\):15[0-9][0-9] ' "$WORK/sockets.out")" -eq 2 ] &&
    grep -q '0\.0\.0\.0:67 ' "$WORK/sockets.out" && grep -q '0\.0\.0\.0:1900 ' "$WORK/sockets.out"
}

net_up
add_addresses b 198.18.0.10 2
start_sim b --first-address 198.18.0.10 --protocol ssdp --no-notify --id far%d --host far%d
start_sim b --first-address 198.18.0.11 --protocol broadcast --id wide%d --host wide%d
start_driver
drive search
wait_until 30 "the four workers to bind" workers_bound
bound=$(grep -o '\(192\.0\.2\.1\|198\.18\.0\.1\):15[0-9][0-9]' "$WORK/sockets.out" | sort | tr '\n' ' ')
case "$bound" in
  "192.0.2.1:1530 198.18.0.1:1550 "|"192.0.2.1:1550 198.18.0.1:1530 ") ;;
  *) fail "command workers: '$bound' in $(cat "$WORK/sockets.out")" ;;
esac

wait_until 30 "both devices on the second network to be listed" \
  driver_lists "$WORK/found.json" 198.18.0.10 198.18.0.11
expect_device "$WORK/found.json" 198.18.0.10 far0
expect_device "$WORK/found.json" 198.18.0.11 wide0
port=$(grep -o '198\.18\.0\.1:15[0-9]0' "$WORK/sockets.out" | cut -d: -f2)
grep -q "Handle $port : Search $port Thread Find Device ID : far0, IP : 198.18.0.10" "$WORK/search.log" \
  || fail "far0 not reported by the worker on port $port: $(grep -a 'Find Device ID' "$WORK/search.log")"
echo "PASS"
