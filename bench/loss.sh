#!/usr/bin/env bash
# Devices listed by one search on a lossy network, sending each search once against three
# times. Measured only inside a test network of its own: 50 SSDP-only simulated devices, and
# nftables in their namespace dropping a random share of what they receive and send on UDP
# 67, 68 and 1900. Prints, per loss rate and send count, the share of the devices listed by
# one search, averaged over several searches.
# Usage: sudo bench/loss.sh [build-dir] [searches-per-figure] [seconds-per-search]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-5}
seconds=${3:-10}
readonly devices=50

source "$top/bench/lib.sh"
bench_require "$devsim" "$search"
command -v jq >/dev/null || { echo "needs jq" >&2; exit 2; }
command -v nft >/dev/null || { echo "needs nft (tools/install-deps.sh installs nftables)" >&2; exit 2; }

bench_network l
"$testnet" addrs "$net" a 198.19.0.1 "$devices"
"$testnet" exec "$net" a "$devsim" --first-address 198.19.0.1 --count "$devices" --protocol ssdp \
  --no-notify --seconds 3600 2>>"$work/devsim.log" &
sim=$!
sleep 0.5

# Drops PCT % of the datagrams the devices receive on, and send from, the search ports.
set_loss() {  # pct
  "$testnet" exec "$net" a nft -f - <<NFT
table inet loss
delete table inet loss
table inet loss {
  chain input {
    type filter hook input priority 0; policy accept;
    udp dport { 67, 68, 1900 } numgen random mod 100 < $1 drop
  }
  chain output {
    type filter hook output priority 0; policy accept;
    udp sport { 67, 68, 1900 } numgen random mod 100 < $1 drop
  }
}
NFT
}

# Percentage of the devices listed by one search (to one decimal), sending it SENDS times.
listed() {  # sends
  TRAVELKIN_SEARCH_SENDS=$1 "$testnet" exec "$net" search "$search" --seconds "$seconds" --json \
    >"$work/found.json" 2>>"$work/search.err"
  jq --argjson n "$devices" '[.[].id] | unique | length * 100 / $n' "$work/found.json"
}

echo "Devices listed by one ${seconds}-second search ($devices SSDP-only devices), mean of $runs searches"
printf '%6s  %-12s  %-12s  %s\n' loss "one send" "three sends" "per search (one | three)"
for pct in 10 20 30; do
  set_loss "$pct"
  one=() three=()
  for _ in $(seq "$runs"); do
    one+=("$(listed 1)")
    three+=("$(listed 3)")
  done
  mean() { printf '%s\n' "$@" | awk '{s += $1} END {printf "%.1f %%", s / NR}'; }
  printf '%5d%%  %-12s  %-12s  %s | %s\n' "$pct" "$(mean "${one[@]}")" "$(mean "${three[@]}")" \
    "${one[*]}" "${three[*]}"
done
