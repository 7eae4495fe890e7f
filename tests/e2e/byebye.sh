#!/usr/bin/env bash
# A device that leaves during a search (its simulator stops and says byebye) is removed from
# the registry; a device that stays is kept.
source "$(dirname "$0")/lib.sh"

net_up
add_addresses a 192.0.2.10 2
start_sim a --first-address 192.0.2.10 --host staying
start_sim a --first-address 192.0.2.11 --id leaving --host leaving
leaving=$SIM_PID
settle
search --seconds 4 --json >"$WORK/found.json" &
searching=$!
sleep 2
kill -TERM "$leaving"
wait "$searching"
json_valid "$WORK/found.json"
expect_device "$WORK/found.json" 192.0.2.10 staying
expect_no_device "$WORK/found.json" 192.0.2.11
grep -q "from 192.0.2.11" "$WORK/devsim.log" || fail "the leaving device never started"
echo "PASS"
