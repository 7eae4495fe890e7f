#!/usr/bin/env bash
# A watching search reports, one line each and in order: three devices appearing, one that
# changes its name, one that stops with a byebye and one that is killed without a word (gone
# after two unanswered searches); SIGTERM then ends the watch with status 0.
source "$(dirname "$0")/lib.sh"

net_up
add_addresses a 192.0.2.10 3
start_sim a --first-address 192.0.2.10 --id alpha --host alpha --no-notify
changing=$SIM_PID
start_sim a --first-address 192.0.2.11 --id beta --host beta
leaving=$SIM_PID
start_sim a --first-address 192.0.2.12 --id gamma --host gamma --no-notify
silent=$SIM_PID
settle
# Started directly (not through a shell function), so the signal reaches the search itself.
"$TK_TESTNET" exec "$NET" search "$TK_SEARCH" --watch --interval 2 >"$WORK/events" 2>"$WORK/watch.err" &
watching=$!
sleep 1.5
kill -KILL "$changing"; wait "$changing" 2>/dev/null || true
start_sim a --first-address 192.0.2.10 --id alpha --host alpha-renamed   # its NOTIFY alive tells
sleep 1
kill -TERM "$leaving"
sleep 1
kill -KILL "$silent"
sleep 6.5   # two more searches pass unanswered by gamma
kill -TERM "$watching"
status=0; wait "$watching" || status=$?
[ "$status" -eq 0 ] || fail "the watch ended with status $status: $(cat "$WORK/watch.err")"

jq -e . "$WORK/events" >/dev/null || fail "not one JSON object a line: $(cat "$WORK/events")"
jq -e 'select((.time | test("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}Z$")) | not)' \
  "$WORK/events" >/dev/null && fail "a time is not UTC with milliseconds: $(cat "$WORK/events")"
summary=$(jq -r '"\(.event) \(.device.host) \(.device.url)"' "$WORK/events")
first=$(head -n 3 <<<"$summary" | sort | tr '\n' ';')
[ "$first" = "appeared alpha http://192.0.2.10;appeared beta http://192.0.2.11;appeared gamma http://192.0.2.12;" ] \
  || fail "the first three lines are not the three devices appearing: $summary"
rest=$(tail -n +4 <<<"$summary" | tr '\n' ';')
[ "$rest" = "changed alpha-renamed http://192.0.2.10;gone beta http://192.0.2.11;gone gamma http://192.0.2.12;" ] \
  || fail "changes after the start: $rest"
echo "PASS"
