# Shared steps of the end-to-end tests: each test builds its own test network, starts
# simulated devices in it, runs the search inside it, and removes everything on exit.
# Sourced by the test scripts; CTest passes the tools' paths in TK_TESTNET, TK_DEVSIM and
# TK_SEARCH.

set -euo pipefail

readonly SKIP=77
: "${TK_TESTNET:?}" "${TK_DEVSIM:?}" "${TK_SEARCH:?}"

skip() { echo "SKIP: $*"; exit "$SKIP"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "needs root for network namespaces"
ip netns list >/dev/null 2>&1 || skip "'ip netns' is not available"
command -v jq >/dev/null || skip "needs jq (tools/install-deps.sh installs it)"

NET="e$$"
WORK=$(mktemp -d)
SIM_PIDS=()

cleanup() {
  local pid
  for pid in "${SIM_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$TK_TESTNET" down "$NET" || true
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

net_up() { "$TK_TESTNET" up "$NET"; }
add_addresses() { "$TK_TESTNET" addrs "$NET" "$@"; }  # role first count

# Starts a simulator in a device namespace (a or b); its pid is in SIM_PID.
start_sim() {
  local role=$1; shift
  "$TK_TESTNET" exec "$NET" "$role" "$TK_DEVSIM" "$@" 2>>"$WORK/devsim.log" &
  SIM_PID=$!
  SIM_PIDS+=("$SIM_PID")
}

# Lets the simulators open their sockets before a search is sent.
settle() { sleep 0.5; }

# Runs the search in the searching namespace; arguments go to travelkin-search.
search() { "$TK_TESTNET" exec "$NET" search "$TK_SEARCH" "$@"; }
in_searcher() { "$TK_TESTNET" exec "$NET" search "$@"; }

# JSON checks on a file written by "search --json".
json_valid() { jq -e 'type == "array"' "$1" >/dev/null || fail "not a JSON array: $(head -c 400 "$1")"; }
json_count() { jq 'length' "$1"; }
# The device with this ip, as one compact JSON object (empty when absent).
device_at() { jq -c --arg ip "$2" '.[] | select(.ip == $ip)' "$1"; }
expect_device() {  # file ip host
  local found
  found=$(device_at "$1" "$2")
  [ -n "$found" ] || fail "no device at $2 in: $(cat "$1")"
  [ "$(jq -r .host <<<"$found")" = "$3" ] || fail "device at $2 is not $3: $found"
}
expect_no_device() {  # file ip
  [ -z "$(device_at "$1" "$2")" ] || fail "unexpected device at $2: $(device_at "$1" "$2")"
}

# One search process driven line by line (TK_DRIVER, tests/e2e/SearchDriver.cpp), for tests
# that change the network between searches: start_driver, then drive search, drive clear,
# and list_to FILE, which waits until the registry is written there.
start_driver() {
  : "${TK_DRIVER:?}"
  mkfifo "$WORK/driver.in"
  TRAVELKIN_LOG="$WORK/search.log" "$TK_TESTNET" exec "$NET" search "$TK_DRIVER" \
    <"$WORK/driver.in" >>"$WORK/driver.out" 2>>"$WORK/driver.err" &
  exec 3>"$WORK/driver.in"
}
drive() { echo "$*" >&3; }
list_to() {
  local tries=0
  rm -f "$1"
  drive list "$1"
  while [ ! -e "$1" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || fail "the driver wrote no list: $(cat "$WORK/driver.err")"
    sleep 0.05
  done
}
