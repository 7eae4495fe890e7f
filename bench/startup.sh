#!/usr/bin/env bash
# Start-up time and memory of Travelkin against the smallest Qt Widgets program, in the same
# run and on the same private X display, inside the project's test network (needs root).
#
#   bench/startup.sh [BUILD_DIR] [RUNS]
#
# Start-up: from just before the program is started to its window's first paint (both report
# it on standard error). Memory: resident set size once Travelkin's list shows 100 simulated
# devices after its first search, and the empty dialog's once it is shown. Travelkin's data
# folder is kept from one start to the next, as on a user's machine after the first start.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=$(realpath "${1:-build}")
runs=${2:-15}
net="bench$$"
testnet=$top/tools/testnet.sh
travelkin=$build/src/app/travelkin
minimal=$build/bench/bench_minimal_dialog
[ "$(id -u)" -eq 0 ] || { echo "startup.sh needs root (test network)" >&2; exit 2; }
for program in "$travelkin" "$minimal" "$build/tools/travelkin-devsim"; do
  [ -x "$program" ] || { echo "missing $program: build first" >&2; exit 2; }
done

work=$(mktemp -d)
mkdir "$work/data"
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  "$testnet" down "$net" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

"$testnet" up "$net"
"$testnet" addrs "$net" a 198.19.0.1 100
"$testnet" exec "$net" a "$build/tools/travelkin-devsim" --first-address 198.19.0.1 --count 100 \
  --seconds 600 2>"$work/devsim.log" &
pids+=($!)
"$testnet" exec "$net" search Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>"$work/display" \
  2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
display=":$(head -n 1 "$work/display")"
sleep 0.5

rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }

# Starts a program in the searching namespace; prints "startup_ms rss_kb".
measure() {  # kind program
  local kind=$1 program=$2 run_dir pid start stamp
  run_dir=$(mktemp -d "$work/run.XXXX")
  mkdir -m 700 "$run_dir/runtime"
  : >"$run_dir/err"
  start=$(date +%s%N)
  "$testnet" exec "$net" search env DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$run_dir/runtime" \
    TRAVELKIN_DATA_ROOT="$work/data" TRAVELKIN_LIST_DUMP="$run_dir/list.txt" TRAVELKIN_PAINT_STAMP=1 \
    "$program" 2>>"$run_dir/err" &
  pid=$!
  for _ in $(seq 200); do grep -q '^first-paint ' "$run_dir/err" && break; sleep 0.02; done
  stamp=$(awk '/^first-paint / {print $2; exit}' "$run_dir/err")
  [ -n "$stamp" ] || { echo "no first paint from $program: $(cat "$run_dir/err")" >&2; exit 1; }
  if [ "$kind" = travelkin ]; then
    for _ in $(seq 150); do
      [ -f "$run_dir/list.txt" ] && [ "$(wc -l <"$run_dir/list.txt")" -ge 100 ] && break
      sleep 0.1
    done
    [ "$(wc -l <"$run_dir/list.txt")" -ge 100 ] || { echo "the list did not reach 100 devices" >&2; exit 1; }
    sleep 1.2   # one more tick of the countdown after the list is complete
  else
    sleep 1
  fi
  echo "$(( (stamp - start) / 1000000 )) $(rss_kb "$pid")"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  sleep 0.3   # the next start does not share the machine with this one's ending
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

: >"$work/travelkin.txt"
: >"$work/minimal.txt"
for _ in $(seq "$runs"); do   # alternate, so both see the same machine load
  measure minimal "$minimal" >>"$work/minimal.txt"
  measure travelkin "$travelkin" >>"$work/travelkin.txt"
done

t_start=$(cut -d' ' -f1 "$work/travelkin.txt" | median)
m_start=$(cut -d' ' -f1 "$work/minimal.txt" | median)
t_rss=$(cut -d' ' -f2 "$work/travelkin.txt" | median)
m_rss=$(cut -d' ' -f2 "$work/minimal.txt" | median)
echo "runs: $runs (medians)"
printf '%-34s %8s %12s\n' program "start ms" "RSS KiB"
printf '%-34s %8s %12s\n' "empty Qt dialog" "$m_start" "$m_rss"
printf '%-34s %8s %12s\n' "travelkin (100 devices listed)" "$t_start" "$t_rss"
awk -v t="$t_start" -v m="$m_start" -v tr="$t_rss" -v mr="$m_rss" \
  'BEGIN {printf "start-up ratio %.2f, memory ratio %.2f (targets: start-up <= 1.2, memory <= 1.3)\n", t / m, tr / mr}'
# Each start against the empty dialog's just before it: a figure that drifting machine load
# moves less than the ratio of the two medians.
pair_ratio=$(paste -d' ' "$work/travelkin.txt" "$work/minimal.txt" | awk '{print $1 / $3}' | median)
awk -v r="$pair_ratio" 'BEGIN {printf "start-up ratio, median of paired runs %.2f\n", r}'
