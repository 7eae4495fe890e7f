#!/usr/bin/env bash
# The project's private test network: network namespaces joined by veth pairs, so searches and
# simulated devices never touch the machine's own interfaces. Needs root.
#
#   testnet.sh up ID                      create (or re-create) network ID
#   testnet.sh routed ID                  add namespace c, a routed network behind a
#   testnet.sh down ID                    stop what runs in it and delete it
#   testnet.sh exec ID ROLE CMD [ARG...]  run CMD inside one namespace of it
#   testnet.sh addrs ID ROLE FIRST COUNT  give a device namespace COUNT more addresses
#   testnet.sh host ID NAME ADDRESS       let the searcher's hosts file name ADDRESS NAME
#   testnet.sh names ID                   print the namespace names
#   testnet.sh link ID ROLE up|down|renew the searcher's link to a device namespace: take it
#                                         down, bring it back, or delete and make it again
#
# ID is 1 to 12 lower-case letters or digits (a test uses its process id), so parallel runs get
# separate namespaces named tk-ID-search, tk-ID-a, tk-ID-b (and tk-ID-c). Roles:
#
#   search  the searching host: 192.0.2.1/24 on the first network, 198.18.0.1/24 on the second,
#           default route over the first, so 255.255.255.255 and 239.x leave through it; its host
#           name resolves to both addresses (for the search's own address scan)
#   a       devices on the first network: 192.0.2.2/24, default route back to the searcher
#   b       devices on the second network: 198.18.0.2/24, default route back to the searcher
#   c       devices on a third network that only routing reaches (after "routed"): 198.18.2.2/24
#           on a link to a (198.18.2.1/24), which forwards between it and the searcher; the
#           searcher's default route already leads there, but no broadcast or multicast does
#
# Device addresses added with "addrs" are consecutive from FIRST, skipping every address that
# ends in .0 or .255 (the device simulator numbers its devices the same way). Use 192.0.2.10 and
# up for a few devices, 198.19.0.1 and up for many.
set -euo pipefail

readonly SEARCHER_A=192.0.2.1 DEVICES_A=192.0.2.2
readonly SEARCHER_B=198.18.0.1 DEVICES_B=198.18.0.2
readonly ROUTER_C=198.18.2.1 DEVICES_C=198.18.2.2

die() { echo "testnet.sh: $*" >&2; exit 2; }

usage() {
  sed -n '5,13p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

check_id() {
  [[ $1 =~ ^[a-z0-9]{1,12}$ ]] || die "bad network id '$1' (1-12 lower-case letters or digits)"
}

ns_name() {  # id role
  case $2 in
    search|a|b|c) echo "tk-$1-$2" ;;
    *) die "unknown role '$2' (search, a, b or c)" ;;
  esac
}

state_dir() { echo "${TMPDIR:-/tmp}/travelkin-net-$1"; }

require_root() {
  [ "$(id -u)" -eq 0 ] || die "needs root (network namespaces)"
  command -v ip >/dev/null || die "needs 'ip' from iproute2"
}

ns_exists() { ip netns list | awk '{print $1}' | grep -qx "$1"; }

# Ends every process still running in the namespace (only ours can be there), then deletes it.
delete_ns() {
  local ns=$1 pids
  ns_exists "$ns" || return 0
  pids=$(ip netns pids "$ns" 2>/dev/null || true)
  if [ -n "$pids" ]; then
    kill $pids 2>/dev/null || true
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      [ -z "$(ip netns pids "$ns" 2>/dev/null)" ] && break
      sleep 0.2
    done
    pids=$(ip netns pids "$ns" 2>/dev/null || true)
    [ -n "$pids" ] && kill -KILL $pids 2>/dev/null || true
  fi
  ip netns delete "$ns"
}

cmd_down() {
  local id=$1 role
  for role in search a b c; do delete_ns "$(ns_name "$id" "$role")"; done
  rm -rf "$(state_dir "$id")"
}

# One veth pair between the searcher and a device namespace, created directly inside the two
# namespaces so nothing ever appears on the machine's own side.
link_pair() {  # searcher-ns device-ns name searcher-address device-address
  local s=$1 d=$2 name=$3
  ip -n "$s" link add "$name" type veth peer name "$name" netns "$d"
  ip -n "$s" addr add "$4/24" dev "$name"
  ip -n "$d" addr add "$5/24" dev "$name"
  ip -n "$s" link set "$name" up
  ip -n "$d" link set "$name" up
  ip -n "$d" route add default via "$4" dev "$name"
}

# The searcher's side of the link to a device namespace, and what goes with it.
link_of() {  # role -> "name searcher-address device-address"
  case $1 in
    a) echo "tka $SEARCHER_A $DEVICES_A" ;;
    b) echo "tkb $SEARCHER_B $DEVICES_B" ;;
    *) die "links go to a device namespace (a or b)" ;;
  esac
}

# Taking a link down drops its routes; bringing it up restores them. "renew" deletes the pair
# (and with it the device side's extra addresses) and makes it again as "up" did.
cmd_link() {  # id role up|down|renew
  local s d name sa da
  s=$(ns_name "$1" search) d=$(ns_name "$1" "$2")
  read -r name sa da <<<"$(link_of "$2")"
  ns_exists "$s" || die "network $1 is not up"
  case $3 in
    down) ip -n "$s" link set "$name" down ;;
    up) ip -n "$s" link set "$name" up ;;
    renew) ip -n "$s" link del "$name"; link_pair "$s" "$d" "$name" "$sa" "$da" ;;
    *) usage ;;
  esac
  if [ "$3" != down ] && [ "$2" = a ]; then
    ip -n "$s" route replace default via "$DEVICES_A" dev tka
  fi
}

cmd_up() {
  local id=$1 s a b dir
  cmd_down "$id"
  s=$(ns_name "$id" search) a=$(ns_name "$id" a) b=$(ns_name "$id" b)
  for ns in "$s" "$a" "$b"; do
    ip netns add "$ns"
    ip -n "$ns" link set lo up
  done
  link_pair "$s" "$a" tka "$SEARCHER_A" "$DEVICES_A"
  link_pair "$s" "$b" tkb "$SEARCHER_B" "$DEVICES_B"
  ip -n "$s" route add default via "$DEVICES_A" dev tka

  dir=$(state_dir "$id")
  mkdir -p "$dir"
  printf '127.0.0.1 localhost\n%s %s\n%s %s\n' \
    "$SEARCHER_A" "$(hostname)" "$SEARCHER_B" "$(hostname)" >"$dir/hosts"
}

# Namespace c behind a: a forwards between the searcher's network and c's, so c is reached by
# unicast only.
cmd_routed() {
  local id=$1 a c
  a=$(ns_name "$id" a) c=$(ns_name "$id" c)
  ns_exists "$a" || die "network $id is not up"
  delete_ns "$c"
  ip netns add "$c"
  ip -n "$c" link set lo up
  link_pair "$a" "$c" tkc "$ROUTER_C" "$DEVICES_C"
  ip netns exec "$a" sysctl -q -w net.ipv4.ip_forward=1
}

cmd_exec() {
  local id=$1 role=$2 ns
  shift 2
  [ $# -gt 0 ] || usage
  ns=$(ns_name "$id" "$role")
  ns_exists "$ns" || die "network $id is not up"
  if [ "$role" = search ]; then
    # "ip netns exec" gives the command a mount namespace of its own, so this host file is
    # seen by the search alone.
    exec ip netns exec "$ns" sh -c 'mount --bind "$0" /etc/hosts && exec "$@"' \
      "$(state_dir "$id")/hosts" "$@"
  else
    exec ip netns exec "$ns" "$@"
  fi
}

# Prints COUNT addresses from FIRST, skipping those that end in .0 or .255.
address_sequence() {  # first count
  local a b c d n=0 value
  IFS=. read -r a b c d <<<"$1"
  value=$(( (a << 24) | (b << 16) | (c << 8) | d ))
  while [ "$n" -lt "$2" ]; do
    d=$(( value & 255 ))
    if [ "$d" -ne 0 ] && [ "$d" -ne 255 ]; then
      echo "$(( value >> 24 & 255 )).$(( value >> 16 & 255 )).$(( value >> 8 & 255 )).$d"
      n=$(( n + 1 ))
    fi
    value=$(( value + 1 ))
  done
}

allowed_address() {  # 192.0.2.0/24 and 198.18.0.0/15 only
  [[ $1 =~ ^192\.0\.2\.[0-9]{1,3}$ || $1 =~ ^198\.1[89]\.[0-9]{1,3}\.[0-9]{1,3}$ ]]
}

cmd_addrs() {
  local id=$1 role=$2 first=$3 count=$4 ns dev last
  [[ $count =~ ^[0-9]{1,6}$ ]] || die "bad address count '$count'"
  case $role in a) dev=tka ;; b) dev=tkb ;; c) dev=tkc ;; *) die "addresses go to a device namespace (a, b or c)" ;; esac
  ns=$(ns_name "$id" "$role")
  ns_exists "$ns" || die "network $id is not up"
  allowed_address "$first" || die "address $first is outside 192.0.2.0/24 and 198.18.0.0/15"
  [ "$count" -gt 0 ] || return 0
  last=$(address_sequence "$first" "$count" | tail -n 1)
  allowed_address "$last" || die "$count addresses from $first leave the allowed ranges"
  address_sequence "$first" "$count" | sed "s|.*|address add &/32 dev $dev|" | ip -n "$ns" -batch -
}

# A name that only the searcher's name service knows (its hosts file), for searches by name.
cmd_host() {  # id name address
  local hosts
  hosts="$(state_dir "$1")/hosts"
  [ -f "$hosts" ] || die "network $1 is not up"
  [[ $2 =~ ^[a-z0-9][a-z0-9.-]{0,62}$ ]] || die "bad host name '$2'"
  allowed_address "$3" || die "address $3 is outside 192.0.2.0/24 and 198.18.0.0/15"
  printf '%s %s\n' "$3" "$2" >>"$hosts"
}

main() {
  [ $# -ge 2 ] || usage
  local cmd=$1 id=$2
  check_id "$id"
  require_root
  case $cmd in
    up) [ $# -eq 2 ] || usage; cmd_up "$id" ;;
    down) [ $# -eq 2 ] || usage; cmd_down "$id" ;;
    routed) [ $# -eq 2 ] || usage; cmd_routed "$id" ;;
    exec) [ $# -ge 4 ] || usage; shift 2; cmd_exec "$id" "$@" ;;
    addrs) [ $# -eq 5 ] || usage; cmd_addrs "$id" "$3" "$4" "$5" ;;
    link) [ $# -eq 4 ] || usage; cmd_link "$id" "$3" "$4" ;;
    host) [ $# -eq 4 ] || usage; cmd_host "$id" "$3" "$4" ;;
    names) echo "$(ns_name "$id" search) $(ns_name "$id" a) $(ns_name "$id" b) $(ns_name "$id" c)" ;;
    *) usage ;;
  esac
}

main "$@"
