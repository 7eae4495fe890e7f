#!/usr/bin/env bash
# A watching search reports, one line each and in order: five devices appearing, one that
# changes its name, one that stops with a byebye, one that announced a max-age of 4 s and is
# killed (gone as expired, long before two searches could be missed) and one that is killed
# without a word (gone after two unanswered searches); a device that forged a huge max-age and
# is killed with it goes the same way, as missed. SIGTERM then ends the watch with status 0.
source "$(dirname "$0")/lib.sh"

EVENTS="$WORK/events.out"
# For wait_until: the watch printed a line with this event and host.
reported() { jq -n -e --arg e "$1" --arg h "$2" 'any(inputs; .event == $e and .device.host == $h)' "$EVENTS" >/dev/null 2>&1; }
five_appeared() { [ "$(jq -s '[.[] | select(.event == "appeared")] | length' "$EVENTS" 2>/dev/null)" = 5 ]; }

net_up
add_addresses a 192.0.2.10 5
start_sim a --first-address 192.0.2.10 --id alpha --host alpha --no-notify
changing=$SIM_PID
start_sim a --first-address 192.0.2.11 --id beta --host beta
leaving=$SIM_PID
start_sim a --first-address 192.0.2.12 --id gamma --host gamma --no-notify
silent=$SIM_PID
# Says alive every second; heard from at least every 2 s (a repeat of the same announcement
# is passed over once), so it stays listed while it runs.
start_sim a --first-address 192.0.2.13 --id delta --host delta --max-age 4
promising=$SIM_PID
# A max-age of 68 years: taken as one day, so neither trusted for ever nor expired early.
start_sim a --first-address 192.0.2.14 --id epsilon --host epsilon --max-age 2147483647
forging=$SIM_PID
# Started directly (not through a shell function), so the signal reaches the search itself.
"$TK_TESTNET" exec "$NET" search "$TK_SEARCH" --watch --interval 5 >"$EVENTS" 2>"$WORK/watch.err" &
watching=$!
wait_until 30 "the five devices to appear" five_appeared
kill -KILL "$changing"; wait "$changing" 2>/dev/null || true
start_sim a --first-address 192.0.2.10 --id alpha --host alpha-renamed   # its NOTIFY alive tells
wait_until 30 "alpha's new name to be reported" reported changed alpha-renamed
kill -TERM "$leaving"
wait_until 30 "beta's byebye to be reported" reported gone beta
kill -KILL "$promising"; wait "$promising" 2>/dev/null || true
wait_until 30 "delta to be reported gone when its max-age ran out" reported gone delta
kill -KILL "$silent" "$forging"
wait_until 60 "gamma to be reported gone after two unanswered searches" reported gone gamma
wait_until 30 "epsilon to be reported gone after two unanswered searches" reported gone epsilon
kill -TERM "$watching"
status=0; wait "$watching" || status=$?
[ "$status" -eq 0 ] || fail "the watch ended with status $status: $(cat "$WORK/watch.err")"

jq -e . "$EVENTS" >/dev/null || fail "not one JSON object a line: $(cat "$EVENTS")"
jq -e 'select((.time | test("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}Z$")) | not)' \
  "$EVENTS" >/dev/null && fail "a time is not UTC with milliseconds: $(cat "$EVENTS")"
summary=$(jq -r '"\(.event) \(.device.host) \(.device.url)\(if .reason then " " + .reason else "" end)"' "$EVENTS")
first=$(head -n 5 <<<"$summary" | sort | tr '\n' ';')
[ "$first" = "appeared alpha http://192.0.2.10;appeared beta http://192.0.2.11;appeared delta http://192.0.2.13;appeared epsilon http://192.0.2.14;appeared gamma http://192.0.2.12;" ] \
  || fail "the first five lines are not the five devices appearing: $summary"
grep -qx 'gone epsilon http://192.0.2.14 missed' <<<"$summary" || fail "epsilon: $summary"
# gamma and epsilon go in the same pass, in either order: epsilon is checked on its own.
rest=$(tail -n +6 <<<"$summary" | grep -v epsilon | tr '\n' ';')
[ "$rest" = "changed alpha-renamed http://192.0.2.10;gone beta http://192.0.2.11 byebye;gone delta http://192.0.2.13 expired;gone gamma http://192.0.2.12 missed;" ] \
  || fail "changes after the start: $rest"
echo "PASS"
