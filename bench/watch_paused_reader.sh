#!/usr/bin/env bash
# Memory of travelkin-search --watch while its reader has stopped reading, measured only inside
# a test network of its own: DEVICES simulated devices answer every search (one a second), the
# watch's standard output is a pipe whose reader is paused, and the script reads the watch's
# resident set size after the pipe has filled and again SECONDS later. Then the reader goes on,
# SIGTERM ends the watch, and its exit status and last line are checked.
# Usage: sudo bench/watch_paused_reader.sh [build-dir] [seconds] [devices]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
seconds=${2:-30}
devices=${3:-1000}
source "$top/bench/lib.sh"
bench_require "$devsim" "$search"
bench_network p
"$testnet" addrs "$net" a 198.19.0.1 "$devices"
"$testnet" exec "$net" a "$devsim" --first-address 198.19.0.1 --count "$devices" --seconds $((seconds + 120)) \
  2>"$work/devsim.log" &
pids+=($!)
until grep -q 'stopping after' "$work/devsim.log"; do sleep 0.1; done

rss() { awk '/^VmRSS/ {print $2}' /proc/"$1"/status; }
mkfifo "$work/pipe"
# The reader: stopped at once, so the pipe fills and stays full.
( exec 0<"$work/pipe"; kill -STOP "$BASHPID"; exec cat >"$work/events" ) &
reader=$!
pids+=("$reader")
"$testnet" exec "$net" search "$search" --watch --interval 1 >"$work/pipe" 2>"$work/watch.err" &
watching=$!
pids+=("$watching")
sleep 5   # the pipe fills with the first appearances
first=$(rss "$watching")
sleep "$seconds"
last=$(rss "$watching")
kill -CONT "$reader"
kill -TERM "$watching"
status=0; wait "$watching" || status=$?
wait "$reader" || true
printf 'paused reader, %d devices answering a search a second, %d s: RSS %d kB -> %d kB (%+d kB/s)\n' \
  "$devices" "$seconds" "$first" "$last" $(( (last - first) / seconds ))
printf 'SIGTERM after the reader went on: exit status %d, %d lines, last line whole: %s\n' "$status" \
  "$(wc -l <"$work/events")" "$([ -z "$(tail -c 1 "$work/events")" ] && echo yes || echo no)"
