#!/usr/bin/env bash
# The main job: builds the tools and shows a search in a private test network. Simulated
# devices of several makers (some of them not accepted) answer inside network namespaces;
# the command-line search runs beside them and prints what it found, as a table and as JSON.
# The machine's own network is never searched. Needs root for the namespaces.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=$top/build
net="demo$$"
log=$(mktemp)
sims=()

require_root() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "run-demo.sh needs root: it builds a private test network from network namespaces." >&2
    echo "Run it as: sudo ./tools/run-demo.sh" >&2
    exit 1
  fi
}

build_tools() {
  ./tools/install-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$(nproc)" --target travelkin-devsim travelkin-search
}

cleanup() {
  local pid
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$top/tools/testnet.sh" down "$net" 2>/dev/null || true
  rm -f "$log"
}

start_network() {
  trap cleanup EXIT
  trap 'exit 1' INT TERM
  "$top/tools/testnet.sh" up "$net"
  "$top/tools/testnet.sh" addrs "$net" a 192.0.2.10 5
  "$top/tools/testnet.sh" addrs "$net" b 198.18.0.10 1
}

device() {  # role address vendor host product protocol note [more simulator options]
  local role=$1 address=$2 vendor=$3 host=$4 product=$5 protocol=$6 note=$7
  shift 7
  printf '  %-12s %-10s %-12s %-9s %s\n' "$address" "$vendor" "$host" "$protocol" "$note"
  "$top/tools/testnet.sh" exec "$net" "$role" "$build/tools/travelkin-devsim" --first-address "$address" \
    --vendor "$vendor" --host "$host" --product "$product" --protocol "$protocol" --id "$host" \
    --seconds 60 "$@" 2>>"$log" &
  sims+=($!)
}

start_devices() {
  echo
  echo "Simulated devices:"
  printf '  %-12s %-10s %-12s %-9s %s\n' ADDRESS VENDOR HOST PROTOCOL NOTE
  device a 192.0.2.10 ZANDOVERT living-room HomeDisk both ""
  device a 192.0.2.11 Kelmar office-nas NAS-2 ssdp "" --detail fw3.1
  device a 192.0.2.12 zandovert travel-disk WiFiDisk broadcast ""
  device a 192.0.2.13 OTHERCO neighbour NAS both "other maker: not listed"
  device a 192.0.2.14 ZANDOVERTX lookalike NAS both "not an accepted name: not listed"
  device b 198.18.0.10 KELMAR backup NAS-4 ssdp "second network: found by the worker of 198.18.0.1"
  sleep 0.5
  local pid
  for pid in "${sims[@]}"; do
    kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; exit 1; }
  done
}

show_search() {
  echo
  echo "travelkin-search --seconds 4   (inside the searching namespace: 192.0.2.1 and 198.18.0.1)"
  "$top/tools/testnet.sh" exec "$net" search "$build/tools/travelkin-search" --seconds 4
  echo
  echo "travelkin-search --seconds 4 --json"
  "$top/tools/testnet.sh" exec "$net" search "$build/tools/travelkin-search" --seconds 4 --json
}

require_root
build_tools
start_network
start_devices
show_search
echo
echo "Removing the test network."
