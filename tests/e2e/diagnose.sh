#!/usr/bin/env bash
# --diagnose says why a device may be missing. A second search holds UDP port 67, so this
# search's broadcast worker cannot bind: the JSON report and a line on standard error say so
# in plain words, while the SSDP search still finds the device. The diagnostic log is on and
# stays out of the JSON. With both links down no query gets out: the search says so and
# fails instead of printing an empty list; --diagnose then names that cause.
source "$(dirname "$0")/lib.sh"

net_up
add_addresses a 192.0.2.10 1
start_sim a --first-address 192.0.2.10 --protocol both --no-notify --id d%d --host disk%d

# The holder outlives the diagnosed search by far; it is ended below.
search --seconds 120 >/dev/null 2>"$WORK/holder.err" &
holder=$!
holds_port_67() { in_searcher ss -uan | grep -q '0\.0\.0\.0:67 '; }
wait_until 30 "the first search to hold port 67" holds_port_67

TRAVELKIN_LOG="$WORK/search.log" search --diagnose --json --seconds 3 >"$WORK/diag.json" 2>"$WORK/diag.err" \
  || fail "search failed: $(cat "$WORK/diag.err")"
kill "$holder"
wait "$holder" || true

jq -e 'type == "object"' "$WORK/diag.json" >/dev/null || fail "not one JSON object: $(head -c 600 "$WORK/diag.json")"
[ -s "$WORK/search.log" ] || fail "the log was not written"
broadcast=$(jq -c '.workers[] | select(.kind == "broadcast")' "$WORK/diag.json")
[ "$(jq -r .problems.bind <<<"$broadcast")" = "port 67 is in use by another program" ] \
  || fail "broadcast worker: $broadcast"
[ "$(jq -r .boundAddress <<<"$broadcast")" = null ] || fail "broadcast worker bound: $broadcast"
grep -qx 'travelkin-search: broadcast worker (port 67) could not bind: port 67 is in use by another program' \
  "$WORK/diag.err" || fail "no bind line on stderr: $(grep -v SendThread "$WORK/diag.err")"

jq -e '.devices | map(select(.ip == "192.0.2.10" and .host == "disk0")) | length == 1' "$WORK/diag.json" \
  >/dev/null || fail "SSDP device not found: $(jq -c .devices "$WORK/diag.json")"
jq -e '[.workers[] | select(.kind != "broadcast") | .listed] | add >= 1' "$WORK/diag.json" >/dev/null \
  || fail "no SSDP worker listed the device"
jq -e '[.workers[] | select(.kind != "broadcast") | .queriesSent >= 1] | all' "$WORK/diag.json" >/dev/null \
  || fail "SSDP queries: $(jq -c '[.workers[] | .queriesSent]' "$WORK/diag.json")"
# Every datagram received ends as a drop, a listing or a goodbye.
jq -e '[.workers[] | .received == ([.dropped[]] | add) + .listed + .goodbyes] | all' "$WORK/diag.json" \
  >/dev/null || fail "counts do not add up: $(cat "$WORK/diag.json")"

# Nothing can be sent: no list, a plain reason, exit code 3.
in_searcher ip link set tka down
in_searcher ip link set tkb down
rc=0
search --seconds 1 >"$WORK/none.txt" 2>"$WORK/none.err" || rc=$?
[ "$rc" -eq 3 ] || fail "exit code $rc with no network: $(cat "$WORK/none.err")"
[ ! -s "$WORK/none.txt" ] || fail "a list with no network: $(cat "$WORK/none.txt")"
grep -q '^travelkin-search: no search query could be sent' "$WORK/none.err" || fail "stderr: $(cat "$WORK/none.err")"
grep -q '^travelkin-search: broadcast worker (port 67) could not send its query: ' "$WORK/none.err" \
  || fail "no send line: $(cat "$WORK/none.err")"
# --diagnose then names the cause after the workers' blocks, as the window's "Why?" does.
rc=0
search --diagnose --seconds 1 >"$WORK/none-diag.txt" 2>/dev/null || rc=$?
[ "$rc" -eq 3 ] || fail "exit code $rc with no network and --diagnose"
[ "$(sed -n '/^why nothing was found:$/,$p' "$WORK/none-diag.txt")" = "why nothing was found:
  no search query could be sent (no usable network?)" ] || fail "causes: $(cat "$WORK/none-diag.txt")"
echo "PASS"
