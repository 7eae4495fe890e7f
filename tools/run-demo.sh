#!/usr/bin/env bash
# The main job. On a desktop (a display to show a window on) it builds and starts Travelkin
# for real. Without a display (servers, CI) it shows the program at work in a private test
# network instead: simulated devices of several makers (some of them not accepted) answer
# inside network namespaces, Travelkin runs beside them on a private X display, a screenshot
# of its window is taken after the search, and the command-line search prints what it found,
# as a table and as JSON. The machine's own network is never searched in the demonstration.
# The demonstration needs root for the namespaces and asks for it when it is not root; the
# desktop run needs root only to install missing packages.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
source "$top/tools/as-root.sh"
build=$top/build
net="demo$$"
log=
sims=()
work=
xvfb_pid=
app_pid=

# A desktop session: a user with a display, or root whose X display really answers.
has_display() {
  if [ "$(id -u)" -ne 0 ]; then
    [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]
    return
  fi
  [ -n "${DISPLAY:-}" ] && command -v xdpyinfo >/dev/null && xdpyinfo >/dev/null 2>&1
}

build_tools() {
  ./tools/install-deps.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j "$(nproc)" --target travelkin-devsim travelkin-search travelkin
}

run_on_desktop() {
  build_tools
  echo "Starting Travelkin on your desktop: it searches your local network for devices."
  exec "$build/src/app/travelkin"
}

cleanup() {
  local pid
  for pid in $app_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$top/tools/testnet.sh" down "$net" 2>/dev/null || true
  [ -z "$log" ] || rm -f "$log"
  [ -n "$work" ] && rm -rf "$work"
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

# Travelkin itself, inside the searching namespace, on a private X display started there too.
# Log In and My Storage record what they would open instead of opening it.
show_window() {
  local display shot=$build/travelkin-demo.png menu_shot=$build/travelkin-demo-menu.png
  work=$(mktemp -d)
  mkdir -m 700 "$work/runtime"
  mkdir "$work/data"
  "$top/tools/testnet.sh" exec "$net" search Xvfb -displayfd 3 -nolisten tcp -screen 0 480x320x24 \
    3>"$work/display" 2>>"$log" &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$log" >&2; exit 1; }
  display=":$(head -n 1 "$work/display")"
  echo
  echo "travelkin   (inside the searching namespace, on the private display $display)"
  "$top/tools/testnet.sh" exec "$net" search env DISPLAY="$display" XDG_RUNTIME_DIR="$work/runtime" \
    TRAVELKIN_DATA_ROOT="$work/data" TRAVELKIN_URL_RECORDER="$work/opened.txt" \
    TRAVELKIN_LIST_DUMP="$work/list.txt" QT_QPA_PLATFORM=xcb "$build/src/app/travelkin" 2>>"$log" &
  app_pid=$!
  sleep 12   # the ten-second countdown and a little more
  kill -0 "$app_pid" 2>/dev/null || { echo "travelkin ended early" >&2; cat "$log" >&2; exit 1; }
  "$top/tools/testnet.sh" exec "$net" search env DISPLAY="$display" import -window root "$shot"
  echo "  the window lists:"
  sed 's/\t/  |  /g; s/^/    /' "$work/list.txt" 2>/dev/null || true
  echo "  screenshot of the window after the search: $shot"
  # The keyboard alone: Down chooses the top row, the Menu key opens the row's menu.
  "$top/tools/testnet.sh" exec "$net" search env DISPLAY="$display" xdotool key --delay 200 Down Menu
  sleep 1
  "$top/tools/testnet.sh" exec "$net" search env DISPLAY="$display" import -window root "$menu_shot"
  echo "  screenshot of a row's menu (Copy address, Copy details, Add a device by address…): $menu_shot"
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
}

show_search() {
  echo
  echo "travelkin-search --seconds 4   (inside the searching namespace: 192.0.2.1 and 198.18.0.1)"
  "$top/tools/testnet.sh" exec "$net" search "$build/tools/travelkin-search" --seconds 4
  echo
  echo "travelkin-search --seconds 4 --json"
  "$top/tools/testnet.sh" exec "$net" search "$build/tools/travelkin-search" --seconds 4 --json
}

if has_display; then
  run_on_desktop
fi
reexec_as_root "The demonstration's private test network" "$top/tools/run-demo.sh"
log=$(mktemp)
build_tools
start_network
start_devices
show_window
show_search
echo
echo "Removing the test network."
