#!/usr/bin/env bash
# The window thread's longest stall while My Storage runs against a `gio` that hangs: a fake
# `gio` first on PATH sleeps instead of listing the mounts. Offscreen, no display, no network
# (the harness's search workers open no socket), nothing opened (URLs go to a record file).
#
#   bench/storage_stall.sh [BUILD_DIR] [SECONDS] [REQUESTS]
#
# Target: under 50 ms.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
seconds=${2:-8}
requests=${3:-3}
harness=$build/bench/bench_storage_stall
[ -x "$harness" ] || { echo "missing $harness: build the target bench_storage_stall first" >&2; exit 2; }

work=$(mktemp -d)
cleanup() {
  # A request still waiting for the fake gio when the harness ended leaves it behind.
  local pid
  for pid in $(cat "$work"/gio.* 2>/dev/null); do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/bin"
cat >"$work/bin/gio" <<GIO
#!/bin/sh
# Hangs as a gio stuck on an unreachable server does.
echo \$\$ >"$work/gio.\$\$"
exec sleep 600
GIO
chmod +x "$work/bin/gio"

env -u DISPLAY -u WAYLAND_DISPLAY PATH="$work/bin:$PATH" QT_QPA_PLATFORM=offscreen \
  TRAVELKIN_URL_RECORDER="$work/urls" "$harness" "$seconds" "$requests"
echo "urls recorded: $(cat "$work/urls" 2>/dev/null | wc -l)"
