#!/usr/bin/env bash
# Start-up figures of one search with --expect 1, measured only inside a test network of its
# own, against simulated devices (one, or DEVICES each from its own address) answering at once
# over both protocols:
#  - from exec to main, and from main to the first query on the wire (the wall-clock time the
#    simulator heard it; main is the search's own TRAVELKIN_MAIN_STAMP);
#  - from the search request to the device listed (the search's own --expect report);
#  - from the device listed (the stamp taken when --expect is met) to the process's exit;
#  - from exec to the process's exit, and from the first query heard to the exit (an upper
#    bound of the exit's delay after the answer: it holds the answer's round trip too).
# "exec" is the wall clock of a shell taken just before it starts the search (fork and exec
# are in every figure alike); the same span for --version, which searches nothing, is the
# process's own cost of starting and ending. Medians of RUNS runs.
# Usage: sudo bench/first_query.sh [build-dir] [runs] [search-binary] [devices]
#   the simulator is always the build dir's; search-binary compares another build's search
#   (one without the stamps leaves their figures empty). With many devices the exit meets the
#   burst of the others' answers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-21}
source "$top/bench/lib.sh"
search=${3:-$search}
devices=${4:-1}
bench_require "$devsim" "$search"
bench_network f
first_device=192.0.2.2
if [ "$devices" -gt 1 ]; then
  first_device=198.19.0.1
  "$testnet" addrs "$net" a "$first_device" "$devices"
fi
"$testnet" exec "$net" a "$devsim" --first-address "$first_device" --count "$devices" --no-notify --log-queries \
  --seconds 3600 2>"$work/devsim.log" &
sim=$!
for _ in $(seq 50); do grep -q 'device(s) from' "$work/devsim.log" && break; sleep 0.1; done
grep -q 'device(s) from' "$work/devsim.log" || { echo "the simulator did not start: $(cat "$work/devsim.log")" >&2; exit 1; }

# The shell in the search's namespace notes the wall clock, runs the search, notes it again.
timed_search='start=$EPOCHREALTIME; "$@" >/dev/null 2>"$ERR"; status=$?; echo "$start $EPOCHREALTIME $status"'

# A stamp of the search's standard error ("main 1712345678123456789"), in seconds; empty if absent.
stamp() { sed -n "s/^$1 \([0-9]*\)\([0-9]\{9\}\)\$/\1.\2/p" "$work/search.err"; }

median() { grep -v '^-$' | sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

: >"$work/figures"
for run in $(seq "$runs"); do
  heard_before=$(grep -c ' heard at ' "$work/devsim.log" || true)
  read -r started ended status < <("$testnet" exec "$net" search env ERR="$work/search.err" TRAVELKIN_MAIN_STAMP=1 \
    bash -c "$timed_search" _ "$search" --expect 1 --seconds 5)
  [ "$status" -eq 0 ] || { echo "run $run: the search ended in $status: $(cat "$work/search.err")" >&2; exit 1; }
  # The simulator may still be writing the line of the query it heard first.
  for _ in $(seq 50); do [ "$(grep -c ' heard at ' "$work/devsim.log")" -gt "$heard_before" ] && break; sleep 0.02; done
  heard=$(grep ' heard at ' "$work/devsim.log" | tail -n +"$((heard_before + 1))" | awk '{print $NF}' | sort -n | head -1)
  [ -n "$heard" ] || { echo "run $run: the simulator heard no query" >&2; exit 1; }
  listed=$(sed -n 's/.* devices after \([0-9.]*\) ms/\1/p' "$work/search.err")
  main=$(stamp main)
  met=$(stamp expect-met)
  awk -v s="$started" -v e="$ended" -v h="$heard" -v l="$listed" -v m="$main" -v x="$met" \
    'function since(a, b) { return (a == "" || b == "") ? "-" : sprintf("%.3f", (b - a) * 1000) }
     BEGIN {printf "%.3f %s %s %.3f %s %.3f %.3f\n", (h - s) * 1000, since(s, m), since(m, h), l, since(x, e),
            (e - s) * 1000, (e - h) * 1000}' >>"$work/figures"
done

for _ in $(seq "$runs"); do
  "$testnet" exec "$net" search env ERR=/dev/null bash -c "$timed_search" _ "$search" --version
done | awk '{printf "%.3f\n", ($2 - $1) * 1000}' >"$work/version"

echo "travelkin-search --expect 1, $devices device(s), $runs runs: medians in milliseconds"
figure() { printf '%-40s %s\n' "$1" "$(cut -d' ' -f"$2" "$work/figures" | median)"; }
figure "exec to the first query heard" 1
figure "exec to main" 2
figure "main to the first query heard" 3
figure "search request to the device listed" 4
figure "device listed to exit" 5
figure "exec to exit" 6
printf '%-40s %s\n' "exec to exit of --version (no search)" "$(median <"$work/version")"
figure "first query heard to exit" 7
