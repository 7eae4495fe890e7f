#!/usr/bin/env bash
# The searching host has two addresses (192.0.2.1 and 198.18.0.1): the service gives each its
# own command worker, on ports 1530 and 1550, bound to that address. An SSDP device on the
# second network, which the group search through the default route does not reach, is found
# through the command worker of that network; a broadcast-only device there is found by the
# query sent to that network's own broadcast address.
source "$(dirname "$0")/lib.sh"

net_up
add_addresses b 198.18.0.10 2
start_sim b --first-address 198.18.0.10 --protocol ssdp --no-notify --id far%d --host far%d
start_sim b --first-address 198.18.0.11 --protocol broadcast --id wide%d --host wide%d
settle

TRAVELKIN_LOG="$WORK/search.log" search --seconds 3 >"$WORK/out.txt" &
searching=$!
sleep 1.5
in_searcher ss -uanp >"$WORK/sockets.txt"
wait "$searching"

bound=$(grep -o '\(192\.0\.2\.1\|198\.18\.0\.1\):15[0-9][0-9]' "$WORK/sockets.txt" | sort | tr '\n' ' ')
case "$bound" in
  "192.0.2.1:1530 198.18.0.1:1550 "|"192.0.2.1:1550 198.18.0.1:1530 ") ;;
  *) fail "command workers: '$bound' in $(cat "$WORK/sockets.txt")" ;;
esac
grep -q '0\.0\.0\.0:67 ' "$WORK/sockets.txt" || fail "no broadcast worker: $(cat "$WORK/sockets.txt")"
grep -q '0\.0\.0\.0:1900 ' "$WORK/sockets.txt" || fail "no SSDP worker: $(cat "$WORK/sockets.txt")"

grep -q '^far0 .*198\.18\.0\.10 ' "$WORK/out.txt" || fail "second network device not found: $(cat "$WORK/out.txt")"
grep -q '^wide0 .*198\.18\.0\.11 ' "$WORK/out.txt" \
  || fail "broadcast-only device on the second network not found: $(cat "$WORK/out.txt")"
port=$(grep -o '198\.18\.0\.1:15[0-9]0' "$WORK/sockets.txt" | cut -d: -f2)
grep -q "Handle $port : Search $port Thread Find Device ID : far0, IP : 198.18.0.10" "$WORK/search.log" \
  || fail "far0 not reported by the worker on port $port: $(grep -a 'Find Device ID' "$WORK/search.log")"
echo "PASS"
