# Shared steps of the end-to-end tests: each test builds its own test network, starts
# simulated devices in it, runs the search inside it, and removes everything on exit.
# Sourced by the test scripts; CTest passes the tools' paths in TK_TESTNET, TK_DEVSIM and
# TK_SEARCH.
#
# A test never sleeps and hopes: it waits (wait_until) for what it needs, a simulator's ready
# line, a log line after a marker, a device in a list, with a generous deadline. When it
# fails, for whatever reason, it prints the failing command and the last lines of every log
# in its work folder before the clean-up removes them.

set -eEuo pipefail

readonly SKIP=77
: "${TK_TESTNET:?}" "${TK_DEVSIM:?}" "${TK_SEARCH:?}"

skip() { echo "SKIP: $*"; exit "$SKIP"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "needs root for network namespaces"
ip netns list >/dev/null 2>&1 || skip "'ip netns' is not available"
command -v jq >/dev/null || skip "needs jq (tools/install-deps.sh installs it)"

# The test network is named after the process (TK_NET_ID, when set, names it instead: a run
# beside others that keep to their own names).
NET="${TK_NET_ID:-e$$}"
WORK=$(mktemp -d)
SIM_PIDS=()
SIM_COUNT=0
DRIVER_PID=

# The evidence of a failure: every log the test wrote, tail first-come.
show_evidence() {
  local file
  for file in "$WORK"/*.log "$WORK"/*.err "$WORK"/*.out; do
    [ -s "$file" ] || continue
    echo "---- last lines of $(basename "$file") ----" >&2
    tail -n 25 "$file" | cut -c 1-300 >&2
  done
}
on_error() {  # status command line
  echo "FAIL: '$2' (line $3 of $(basename "$0")) ended with status $1" >&2
}
# A test that starts more (a window, a wineserver) redefines this to stop it; it runs after
# the evidence is shown and before the network goes.
stop_extras() { :; }
cleanup() {
  local status=$?
  trap - ERR
  if [ "$status" -ne 0 ] && [ "$status" -ne "$SKIP" ]; then show_evidence; fi
  stop_extras
  local pid
  for pid in "${SIM_PIDS[@]}" $DRIVER_PID; do kill "$pid" 2>/dev/null || true; done
  "$TK_TESTNET" down "$NET" || true
  rm -rf "$WORK"
  return "$status"
}
trap 'on_error $? "$BASH_COMMAND" $LINENO' ERR
trap cleanup EXIT
trap 'exit 1' INT TERM

# Polls every 0.1 s until the command succeeds; fails with the description after SECONDS.
# WAIT_WHY, set for one call, names a function that prints why before the failure.
wait_until() {  # seconds description command...
  local seconds=$1 description=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      [ -z "${WAIT_WHY:-}" ] || "$WAIT_WHY"
      fail "waited ${seconds} s for $description"
    fi
    sleep 0.1
  done
}

net_up() { "$TK_TESTNET" up "$NET"; }
add_addresses() { "$TK_TESTNET" addrs "$NET" "$@"; }  # role first count

# Starts a simulator in a device namespace (a or b) and waits for its ready line, which it
# prints once its sockets are bound; its pid is in SIM_PID, its log in SIM_LOG.
start_sim() {
  local role=$1; shift
  SIM_COUNT=$((SIM_COUNT + 1))
  SIM_LOG="$WORK/devsim-$SIM_COUNT.log"
  "$TK_TESTNET" exec "$NET" "$role" "$TK_DEVSIM" "$@" 2>"$SIM_LOG" &
  SIM_PID=$!
  SIM_PIDS+=("$SIM_PID")
  wait_until 30 "simulator $SIM_COUNT ($*) to be ready" sim_ready "$SIM_PID" "$SIM_LOG"
}
sim_ready() {  # pid log
  kill -0 "$1" 2>/dev/null || fail "simulator ended before it was ready: $(cat "$2")"
  grep -q 'device(s) from .*, stopping after' "$2" 2>/dev/null
}

# Runs the search in the searching namespace; arguments go to travelkin-search.
search() { "$TK_TESTNET" exec "$NET" search "$TK_SEARCH" "$@"; }
in_searcher() { "$TK_TESTNET" exec "$NET" search "$@"; }

# Log markers: take one before an action, then wait for a line that proves it happened.
log_mark() { wc -l <"$1" 2>/dev/null || echo 0; }          # file
log_since() { tail -n +"$(($2 + 1))" "$1" 2>/dev/null; }  # file mark
log_has_since() { log_since "$1" "$2" | grep -aq -- "$3"; }  # file mark pattern
log_count_since() { log_since "$1" "$2" | grep -ac -- "$3" || true; }  # file mark pattern

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
# and list_to FILE, which waits until the registry is written there. The driver's log is
# search.log.
start_driver() {
  : "${TK_DRIVER:?}"
  mkfifo "$WORK/driver.in"
  TRAVELKIN_LOG="$WORK/search.log" "$TK_TESTNET" exec "$NET" search "$TK_DRIVER" \
    <"$WORK/driver.in" >>"$WORK/driver.out" 2>>"$WORK/driver.err" &
  DRIVER_PID=$!
  # Opened for reading too, so neither this open nor a write after the driver died can
  # block or kill the test with SIGPIPE; a dead driver is caught before each command.
  exec 3<>"$WORK/driver.in"
}
driver_alive() {
  kill -0 "$DRIVER_PID" 2>/dev/null || fail "the search driver ended: $(cat "$WORK/driver.err")"
}
drive() { driver_alive; echo "$*" >&3; }
list_to() {
  rm -f "$1"
  drive list "$1"
  wait_until 30 "the driver to write its list to $(basename "$1")" list_written "$1"
}
list_written() { driver_alive; [ -e "$1" ]; }
# For wait_until: the driver's registry, written to FILE, lists every address given / none.
driver_lists() {  # file ip...
  local file=$1 ip
  shift
  list_to "$file"
  for ip in "$@"; do [ -n "$(device_at "$file" "$ip")" ] || return 1; done
}
driver_lacks() {  # file ip
  list_to "$1"
  [ -z "$(device_at "$1" "$2")" ]
}
# A search by the driver whose two repeats were sent: what it finds is all it will find.
driver_search() {
  local mark
  mark=$(log_mark "$WORK/search.log")
  drive search
  wait_until 30 "both repeats of the search to be sent" repeats_sent "$mark"
}
repeats_sent() { [ "$(log_count_since "$WORK/search.log" "$1" 'Send Search Request Again')" -ge 2 ]; }
