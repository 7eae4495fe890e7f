#!/usr/bin/env bash
# Idle cost of travelkin-search --watch, measured only inside a test network of its own: two
# simulated devices answer, the watch runs with the default interval (60 s), and after its
# first search has settled the script counts, over one minute, the wake-ups (voluntary and
# involuntary context switches) of all its threads, and reads its resident set size. The
# minute holds exactly one interval search; a second figure with an interval of an hour shows
# the cost of doing nothing at all.
# Usage: sudo bench/watch_idle.sh [build-dir] [seconds]   (seconds measured, default 60)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
seconds=${2:-60}
source "$top/bench/lib.sh"
bench_require "$devsim" "$search"
bench_network w
"$testnet" addrs "$net" a 192.0.2.10 2
"$testnet" exec "$net" a "$devsim" --first-address 192.0.2.10 --count 2 --seconds $((2 * seconds + 60)) \
  2>>"$work/devsim.log" &
pids+=($!)
sleep 0.5

switches() {  # pid: total voluntary and involuntary switches of every thread
  cat /proc/"$1"/task/*/status 2>/dev/null \
    | awk '/^voluntary_ctxt_switches/ {v += $2} /^nonvoluntary_ctxt_switches/ {n += $2} END {print v + 0, n + 0}'
}

measure() {  # interval label
  local watching v0 n0 v1 n1 threads rss
  "$testnet" exec "$net" search "$search" --watch --interval "$1" >"$work/events" &
  watching=$!
  pids+=("$watching")
  sleep 5   # the first search and its answers are over
  threads=$(ls /proc/"$watching"/task | wc -l)
  read -r v0 n0 < <(switches "$watching")
  sleep "$seconds"
  read -r v1 n1 < <(switches "$watching")
  rss=$(awk '/^VmRSS/ {print $2}' /proc/"$watching"/status)
  kill -TERM "$watching"
  wait "$watching" || true
  printf '%-28s threads %2d  wake-ups per minute %5d (voluntary %d, involuntary %d)  RSS %d kB  lines %d\n' \
    "$2" "$threads" $(( (v1 - v0 + n1 - n0) * 60 / seconds )) $((v1 - v0)) $((n1 - n0)) "$rss" \
    "$(wc -l <"$work/events")"
}

echo "travelkin-search --watch, ${seconds} s measured after the first search settled"
measure 60 "interval 60 s (one search):"
measure 3600 "interval 1 h (no search):"
