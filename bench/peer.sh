#!/usr/bin/env bash
# travelkin-search against a general SSDP search tool (gssdp-discover, from gupnp-tools), side by
# side in one run, inside a test network of its own, against the same simulated devices: 1, 100
# and 1,000 of them, each answering from its own address. The programs take turns, run by run,
# so both see the same machine load; the figures are medians and the ratios ours / peer.
#
#   first device  travelkin-search --expect 1, start to exit (its whole life), against the
#                 peer's first line that names a device
#   first line    travelkin-search --expect 1, start to the line that lists the device: the
#                 moment the peer's figure is taken at; the exit after it waits for the
#                 search's threads to be given a processor, which the simulator's burst of
#                 answers can hold up for milliseconds
#   all devices   travelkin-search --expect N, start to exit, against the peer's line that
#                 names the N-th device (when it finds them all within its one second)
#   found         devices found: ours (N when --expect N was met) and the peer's
#   CPU, peak     user + system time and peak resident size of the --expect N run, and of the
#                 peer's whole run (it ends after one second; waiting costs it nothing)
#
# With --instructions, each program also runs once per size under callgrind, whose counts of
# executed instructions do not move with the machine's load.
#
# Usage: sudo bench/peer.sh [--instructions] [build-dir] [runs] [search-binary...]
#   more search binaries (another build's, say) are timed beside the first, each against the
#   peer; the simulator and bench_spawn are always the build dir's.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
instructions=0
if [ "${1:-}" = --instructions ]; then instructions=1; shift; fi
build=$(realpath "${1:-$top/build}")
runs=${2:-9}
shift $(($# > 2 ? 2 : $#))
source "$top/bench/lib.sh"
searches=("$search" "$@")
spawn=$build/bench/bench_spawn
peer=$(command -v gssdp-discover || true)
target=urn:schemas-upnp-org:device:HomeNasDevice:1

bench_require "$devsim" "$spawn" "${searches[@]}"
[ -n "$peer" ] || { echo "needs gssdp-discover (Debian package gupnp-tools)" >&2; exit 2; }
[ "$instructions" -eq 0 ] || command -v valgrind >/dev/null || { echo "needs valgrind" >&2; exit 2; }

bench_network p
# Every device answers from an address of its own in 198.19.0.0/16, which also marks its line
# in our list.
first_address=198.19.0.1
"$testnet" addrs "$net" a "$first_address" 1000
# The peer searches on the usual SSDP group, the simulator listens on ours: inside the device
# namespace only, the peer's queries are handed to our group, the answers are untouched.
"$testnet" exec "$net" a nft -f - <<'EOF'
table ip peer_bench {
  chain prerouting {
    type nat hook prerouting priority dstnat;
    ip daddr 239.255.255.250 udp dport 1900 dnat to 239.143.255.250
  }
}
EOF

start_sim() {  # count
  : >"$work/devsim.log"
  "$testnet" exec "$net" a "$devsim" --first-address "$first_address" --count "$1" --no-notify --seconds 3600 \
    2>"$work/devsim.log" &
  sim=$!
  for _ in $(seq 50); do grep -q 'device(s) from' "$work/devsim.log" && break; sleep 0.1; done
  grep -q 'device(s) from' "$work/devsim.log" || { echo "the simulator did not start: $(cat "$work/devsim.log")" >&2; exit 1; }
}
stop_sim() { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; sim=""; }

# Every measured start comes after the same short pause: one that follows another at once
# would find the processor and caches warm, and the other not.
in_net() { sleep 0.2; "$testnet" exec "$net" search "$@"; }
# bench_spawn's line: first_ms want_ms exit_ms cpu_ms peak_kb matched status
ours() {  # binary expect
  in_net "$spawn" --match "${first_address%.*.*}." -- "$1" --expect "$2" --seconds 5 2>/dev/null
}
theirs() {  # want
  in_net "$spawn" --match 'USN:' --want "$1" -- "$peer" -i tka -t "$target" -n 1 2>/dev/null
}

median() { { grep -v '^-$' || true; } | sort -n | awk '{v[NR] = $1} END {if (NR == 0) print "-"; else print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
column_median() { cut -d' ' -f"$2" "$1" | median; }   # file field
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b}'; }

measure() {  # n: fills $work/first.K, $work/all.K for each search K, and $work/peer
  local n=$1 run k i jobs=()
  : >"$work/peer"
  for k in "${!searches[@]}"; do
    : >"$work/first.$k"
    : >"$work/all.$k"
    jobs+=("first $k 1" "all $k $n")
  done
  jobs+=("peer - $n")
  for run in $(seq "$runs"); do
    # Turn by turn, and who goes first moves on by one each run: the start that follows
    # the peer's second of waiting finds the machine otherwise than the others do.
    for i in "${!jobs[@]}"; do
      read -r kind k want <<<"${jobs[$(( (i + run) % ${#jobs[@]} ))]}"
      if [ "$kind" = peer ]; then
        theirs "$want" >>"$work/peer"
      else
        ours "${searches[$k]}" "$want" >>"$work/$kind.$k"
      fi
    done
  done
}

report() {  # n
  local n=$1 k p_first p_all p_cpu p_peak p_found o_first o_line o_all o_cpu o_cpu1 o_peak o_found
  p_first=$(column_median "$work/peer" 1)
  p_all=$(column_median "$work/peer" 2)
  p_cpu=$(column_median "$work/peer" 4)
  p_peak=$(column_median "$work/peer" 5)
  p_found=$(cut -d' ' -f6 "$work/peer" | sort -n | tr '\n' ' ')
  for k in "${!searches[@]}"; do
    o_first=$(column_median "$work/first.$k" 3)
    o_line=$(column_median "$work/first.$k" 1)
    o_cpu1=$(column_median "$work/first.$k" 4)
    o_all=$(column_median "$work/all.$k" 3)
    o_cpu=$(column_median "$work/all.$k" 4)
    o_peak=$(column_median "$work/all.$k" 5)
    # --expect N ends in 0 only when all N were listed.
    o_found=$(awk -v n="$n" '$7 == 0 {ok++} END {printf "%d of %d runs found all %d", ok, NR, n}' "$work/all.$k")
    printf '%s, %d device(s), %d runs\n' "$(basename "$(dirname "$(dirname "${searches[$k]}")")")/${searches[$k]##*/}" "$n" "$runs"
    printf '  %-14s %10s %10s %8s\n' "" ours peer ratio
    printf '  %-14s %10s %10s %8s\n' "first ms" "$o_first" "$p_first" "$(ratio "$o_first" "$p_first")"
    printf '  %-14s %10s %10s %8s\n' "first line ms" "$o_line" "$p_first" "$(ratio "$o_line" "$p_first")"
    printf '  %-14s %10s %10s %8s\n' "all ms" "$o_all" "$p_all" "$(ratio "$o_all" "$p_all")"
    printf '  %-14s %10s %10s %8s\n' "CPU ms" "$o_cpu" "$p_cpu" "$(ratio "$o_cpu" "$p_cpu")"
    printf '  %-14s %10s %10s %8s\n' "peak KiB" "$o_peak" "$p_peak" "$(ratio "$o_peak" "$p_peak")"
    printf '  %-14s %10s\n' "CPU ms, -e 1" "$o_cpu1"
    printf '  found: ours %s; the peer per run: %s\n' "$o_found" "$p_found"
  done
}

# Executed instructions of one run under callgrind (the program's own and its libraries').
instructions_of() {  # command...
  in_net valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

for n in 1 100 1000; do
  start_sim "$n"
  measure "$n"
  report "$n"
  if [ "$instructions" -eq 1 ]; then
    p_ir=$(instructions_of "$peer" -i tka -t "$target" -n 1)
    for k in "${!searches[@]}"; do
      o_ir=$(instructions_of "${searches[$k]}" --expect "$n" --seconds 5)
      printf '  instructions: ours %s, peer %s, ratio %s\n' "$o_ir" "$p_ir" "$(ratio "$o_ir" "$p_ir")"
    done
  fi
  stop_sim
done
