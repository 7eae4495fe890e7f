# Shared by the benchmarks that search: each runs in a test network of its own, which goes on
# exit together with the work folder and the simulator the script started (its pid in sim).
# Needs testnet (tools/testnet.sh) set; sets net, work and sim.
bench_network() {  # prefix: one letter, so that concurrent benchmarks' networks differ
  net="$1$$"
  work=$(mktemp -d)
  sim=""
  trap bench_cleanup EXIT
  trap 'exit 1' INT TERM
  "$testnet" up "$net"
}

bench_cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
  "$testnet" down "$net" || true
  rm -rf "$work"
}
