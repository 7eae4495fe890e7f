#!/usr/bin/env bash
# Answers nobody asked for count no more than announcements: 4,200 forged answerers (every
# second, from 4,200 addresses on none of the searcher's networks, an SSDP "HTTP/1.1 200 OK"
# and a broadcast answer, answering no query, each sent to the group or 255.255.255.255, to
# the subnet's broadcast address 192.0.2.255 and to the searcher's own address 192.0.2.1)
# fill the list to its cap, and three real devices that answer each search after a random
# 0 to 3 s are all listed: by a one-shot search, and by a watch.
source "$(dirname "$0")/lib.sh"

EVENTS="$WORK/events.out"
real_appeared() {
  [ "$(jq -s '[.[] | select(.event == "appeared" and (.device.host | startswith("real")))] | length' \
    "$EVENTS" 2>/dev/null)" = 3 ]
}
# Why a real device is missing: what each worker received, dropped and listed, and whether
# the real devices heard the queries.
why_missing() {  # diagnosis file
  jq -c '.workers[] | {kind, port, received, dropped, listed}' "$1" >&2 || true
  grep -h 'query from' "$REAL_LOG" | tail -n 6 >&2 || true
}

net_up
add_addresses a 192.0.2.10 3
add_addresses a 198.19.0.1 4200
start_sim a --first-address 198.19.0.1 --count 4200 --hostile answers --id forged%d --host forged%d \
  --answers-to 192.0.2.255 --answers-to 192.0.2.1 --seconds 120
start_sim a --first-address 192.0.2.10 --count 3 --id real%d --host real%d --no-notify --delay random \
  --log-queries --seconds 120
REAL_LOG=$SIM_LOG

status=0
search --seconds 5 --json --diagnose >"$WORK/once.json" 2>"$WORK/search.err" || status=$?
[ "$status" -eq 0 ] || fail "search ended with status $status"
jq -e '.devices | type == "array"' "$WORK/once.json" >/dev/null || fail "not a diagnosis: $(head -c 400 "$WORK/once.json")"
jq '.devices' "$WORK/once.json" >"$WORK/list.json"
forged=$(jq '[.[] | select(.host | startswith("forged"))] | length' "$WORK/list.json")
[ "$forged" -ge 4000 ] || fail "only $forged forged answerers listed: the list was never full"
[ "$(json_count "$WORK/list.json")" -le 4096 ] || fail "the list grew past its cap"
for i in 0 1 2; do
  [ -n "$(device_at "$WORK/list.json" "192.0.2.1$i")" ] \
    || { why_missing "$WORK/once.json"; fail "real$i (192.0.2.1$i) is not listed among $forged forged answerers"; }
  expect_device "$WORK/list.json" "192.0.2.1$i" "real$i"
done

# Started directly (not through a shell function), so the signal reaches the search itself.
"$TK_TESTNET" exec "$NET" search "$TK_SEARCH" --watch --interval 4 >"$EVENTS" 2>"$WORK/watch.err" &
watching=$!
list_filled() {
  [ "$(jq -s '[.[] | select(.event == "appeared" and (.device.host | startswith("forged")))] | length' \
    "$EVENTS" 2>/dev/null)" -ge 4000 ]
}
real_devices_heard() {
  grep -h 'query from' "$REAL_LOG" | tail -n 6 >&2 || true
  echo "the watch listed these real devices: $(jq -rs '[.[] | select(.event == "appeared"
    and (.device.host | startswith("real"))) | .device.host] | join(" ")' "$EVENTS")" >&2
}
watch_done() { real_appeared && list_filled; }
WAIT_WHY=real_devices_heard wait_until 60 "the real devices and a full list in the watch" watch_done
kill -TERM "$watching"
status=0; wait "$watching" || status=$?
[ "$status" -eq 0 ] || fail "the watch ended with status $status: $(cat "$WORK/watch.err")"
# The real devices answer after 0 to 3 s, so they may be listed before the forged answers have
# filled the list or only after they displaced some of them: either way the list was full.
forged_in_watch=$(jq -s '[.[] | select(.event == "appeared" and (.device.host | startswith("forged")))] | length' "$EVENTS")
[ "$forged_in_watch" -ge 4000 ] || fail "the watch listed only $forged_in_watch forged answerers: the list was never full"
echo "PASS: three real devices listed among $forged forged answerers"
