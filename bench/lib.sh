# Shared by the benchmarks that search. Source it after setting top (the checkout) and build.
# Each benchmark runs in a test network of its own, which goes on exit together with the work
# folder and the programs the script started (the simulator's pid in sim, any others in pids).
testnet=$top/tools/testnet.sh
devsim=$build/tools/travelkin-devsim
search=$build/tools/travelkin-search
sim=""
pids=()

# Ends the benchmark with a reason unless it runs as root (it makes network namespaces) and
# every program named is built.
bench_require() {  # programs...
  local program
  [ "$(id -u)" -eq 0 ] || { echo "needs root (network namespaces)" >&2; exit 2; }
  for program in "$@"; do
    [ -x "$program" ] || { echo "missing $program: build it first (looked in $build)" >&2; exit 2; }
  done
}

bench_network() {  # prefix: one letter, so that concurrent benchmarks' networks differ
  net="$1$$"
  work=$(mktemp -d)
  trap bench_cleanup EXIT
  trap 'exit 1' INT TERM
  "$testnet" up "$net"
}

bench_cleanup() {
  local pid
  # A stopped reader is let go on first, so the writer it holds up can end too.
  for pid in "${pids[@]}" $sim; do
    kill -CONT "$pid" 2>/dev/null || true
    kill "$pid" 2>/dev/null || true
  done
  "$testnet" down "$net" || true
  rm -rf "$work"
}
