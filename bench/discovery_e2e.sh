#!/usr/bin/env bash
# End-to-end discovery figures, measured only inside a test network of its own:
#  - time from the search request until all N simulated devices (answering at once over both
#    protocols) are in the registry, for N = 1, 100 and 1000, and whether any was lost;
#  - idle cost: wake-ups (context switches) of the search process's threads over 5 s with no
#    traffic at all.
# Usage: sudo bench/discovery_e2e.sh [build-dir] [runs-per-size]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-3}

source "$top/bench/lib.sh"
bench_require "$devsim" "$search"
command -v jq >/dev/null || { echo "needs jq" >&2; exit 2; }

bench_network b
"$testnet" addrs "$net" a 198.19.0.1 1000

stop_sim() { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; sim=""; }

# One search until N devices are listed; prints the milliseconds, or "lost:<count>".
one_run() {  # n
  local n=$1 status=0 ms
  "$testnet" exec "$net" search "$search" --expect "$n" --seconds 10 --json \
    >"$work/found.json" 2>"$work/search.err" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "lost:$(jq length "$work/found.json")"
    return
  fi
  # Every device exactly once: as many distinct ids as devices expected.
  [ "$(jq '[.[].id] | unique | length' "$work/found.json")" -eq "$n" ] || { echo "duplicates"; return; }
  ms=$(sed -n 's/.* devices after \([0-9.]*\) ms/\1/p' "$work/search.err")
  echo "$ms"
}

echo "Time from search request to all N devices listed (both protocols, answering at once)"
printf '%6s  %s\n' N "milliseconds per run"
for n in 1 100 1000; do
  "$testnet" exec "$net" a "$devsim" --first-address 198.19.0.1 --count "$n" --no-notify --seconds 120 \
    2>>"$work/devsim.log" &
  sim=$!
  sleep 0.5
  results=()
  for _ in $(seq "$runs"); do results+=("$(one_run "$n")"); done
  printf '%6d  %s\n' "$n" "${results[*]}"
  stop_sim
done

echo
echo "Idle cost: context switches of the search process over 5 s with no traffic"
"$testnet" exec "$net" search "$search" --seconds 9 >/dev/null &
searching=$!
sleep 2
switches() {  # total voluntary and involuntary switches of every thread
  cat /proc/"$searching"/task/*/status 2>/dev/null \
    | awk '/^voluntary_ctxt_switches/ {v += $2} /^nonvoluntary_ctxt_switches/ {n += $2} END {print v + 0, n + 0}'
}
threads=$(ls /proc/"$searching"/task | wc -l)
read -r v0 n0 < <(switches)
sleep 5
read -r v1 n1 < <(switches)
wait "$searching" || true
echo "threads: $threads, voluntary switches: $((v1 - v0)), involuntary: $((n1 - n0))"
