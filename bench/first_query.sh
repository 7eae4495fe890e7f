#!/usr/bin/env bash
# Start-up figures of one search with --expect 1, measured only inside a test network of its
# own, against one simulated device answering at once over both protocols:
#  - from exec to the first query on the wire (the wall-clock time the simulator heard it);
#  - from the search request to the device listed (the search's own --expect report);
#  - from exec to the process's exit, and from the first query heard to the exit (an upper
#    bound of the exit's delay after the answer: it holds the answer's round trip too).
# "exec" is the wall clock of a shell taken just before it starts the search (fork and exec
# are in every figure alike); the same span for --version, which searches nothing, is the
# process's own cost of starting and ending. Medians of RUNS runs.
# Usage: sudo bench/first_query.sh [build-dir] [runs] [search-binary]
#   the simulator is always the build dir's; search-binary compares another build's search.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-21}
testnet=$top/tools/testnet.sh
devsim=$build/tools/travelkin-devsim
search=${3:-$build/tools/travelkin-search}

[ "$(id -u)" -eq 0 ] || { echo "needs root (network namespaces)" >&2; exit 2; }
[ -x "$devsim" ] && [ -x "$search" ] || { echo "build the tools first (looked in $build)" >&2; exit 2; }

net="f$$"
work=$(mktemp -d)
sim=""
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
  "$testnet" down "$net" || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

"$testnet" up "$net"
"$testnet" exec "$net" a "$devsim" --first-address 192.0.2.2 --no-notify --log-queries --seconds 3600 \
  2>"$work/devsim.log" &
sim=$!
for _ in $(seq 50); do grep -q 'device(s) from' "$work/devsim.log" && break; sleep 0.1; done
grep -q 'device(s) from' "$work/devsim.log" || { echo "the simulator did not start: $(cat "$work/devsim.log")" >&2; exit 1; }

# The shell in the search's namespace notes the wall clock, runs the search, notes it again.
timed_search='start=$EPOCHREALTIME; "$@" >/dev/null 2>"$ERR"; status=$?; echo "$start $EPOCHREALTIME $status"'

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

: >"$work/figures"
for run in $(seq "$runs"); do
  heard_before=$(grep -c ' heard at ' "$work/devsim.log" || true)
  read -r started ended status < <("$testnet" exec "$net" search env ERR="$work/search.err" \
    bash -c "$timed_search" _ "$search" --expect 1 --seconds 5)
  [ "$status" -eq 0 ] || { echo "run $run: the search ended in $status: $(cat "$work/search.err")" >&2; exit 1; }
  # The simulator may still be writing the line of the query it heard first.
  for _ in $(seq 50); do [ "$(grep -c ' heard at ' "$work/devsim.log")" -gt "$heard_before" ] && break; sleep 0.02; done
  heard=$(grep ' heard at ' "$work/devsim.log" | tail -n +"$((heard_before + 1))" | awk '{print $NF}' | sort -n | head -1)
  [ -n "$heard" ] || { echo "run $run: the simulator heard no query" >&2; exit 1; }
  listed=$(sed -n 's/.* devices after \([0-9.]*\) ms/\1/p' "$work/search.err")
  awk -v s="$started" -v e="$ended" -v h="$heard" -v l="$listed" \
    'BEGIN {printf "%.3f %.3f %.3f %.3f\n", (h - s) * 1000, l, (e - s) * 1000, (e - h) * 1000}' >>"$work/figures"
done

for _ in $(seq "$runs"); do
  "$testnet" exec "$net" search env ERR=/dev/null bash -c "$timed_search" _ "$search" --version
done | awk '{printf "%.3f\n", ($2 - $1) * 1000}' >"$work/version"

echo "travelkin-search --expect 1, one device, $runs runs: medians in milliseconds"
printf '%-40s %s\n' "exec to the first query heard" "$(cut -d' ' -f1 "$work/figures" | median)"
printf '%-40s %s\n' "search request to the device listed" "$(cut -d' ' -f2 "$work/figures" | median)"
printf '%-40s %s\n' "exec to exit" "$(cut -d' ' -f3 "$work/figures" | median)"
printf '%-40s %s\n' "exec to exit of --version (no search)" "$(median <"$work/version")"
printf '%-40s %s\n' "first query heard to exit" "$(cut -d' ' -f4 "$work/figures" | median)"
