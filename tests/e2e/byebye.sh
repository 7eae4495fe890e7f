#!/usr/bin/env bash
# A device that leaves (its simulator stops and says byebye) is removed from the registry
# while the search goes on; a device that stays is kept.
source "$(dirname "$0")/lib.sh"

net_up
add_addresses a 192.0.2.10 2
start_sim a --first-address 192.0.2.10 --host staying
start_sim a --first-address 192.0.2.11 --id leaving --host leaving
leaving=$SIM_PID
start_driver
drive search
wait_until 30 "both devices to be listed" driver_lists "$WORK/found.json" 192.0.2.10 192.0.2.11

mark=$(log_mark "$WORK/search.log")
kill -TERM "$leaving"
wait_until 30 "the byebye to be handed on" log_has_since "$WORK/search.log" "$mark" 'Information Success, type = 4'
wait_until 30 "the leaving device to be removed" driver_lacks "$WORK/found.json" 192.0.2.11
expect_device "$WORK/found.json" 192.0.2.10 staying
echo "PASS"
