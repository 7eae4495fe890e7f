#!/usr/bin/env bash
# The window's tests of the Windows build (ctest label wine_gui) under Wine: a fresh Wine
# prefix, a private Xvfb display that takes no TCP connection, Wine's X11 driver drawing on it
# (the null driver shows no window) and Debian's Wine fonts in the prefix's font folder, where
# Wine finds them (Tahoma, which the layouts name). The prefix, the wineserver and the display
# are gone afterwards, on a failure too. None of these tests opens a socket beyond loopback.
#
# Usage: tools/run-wine-gui-tests.sh [BUILD_DIR]  (a build with TRAVELKIN_QT_WINDOWS; default
# build-windows-gui); further arguments go to ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$top/build-windows-gui}")
shift || true
readonly WINE_FONTS=/usr/share/wine/fonts
readonly DISPLAY_SECONDS=30
for tool in wine wineserver Xvfb ctest; do
  command -v "$tool" >/dev/null || { echo "needs $tool (tools/install-deps.sh)"; exit 1; }
done
[ -f "$WINE_FONTS/tahoma.ttf" ] || { echo "needs fonts-wine (tools/install-deps.sh)"; exit 1; }

work=$(mktemp -d)
xvfb_pid=
clean_up() {
  [ ! -d "$work/prefix" ] || WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap clean_up EXIT
started=$(date +%s)

Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq $((DISPLAY_SECONDS * 10))); do
  [ -s "$work/display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break
  sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir "$WINEPREFIX"
wineserver -p   # kept until clean_up's "wineserver -k", so every test talks to this one
wine wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
cp "$WINE_FONTS"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
echo "Wine prefix and display ready in $(( $(date +%s) - started )) s"

ctest --test-dir "$build" -L wine_gui --output-on-failure "$@"
echo "Windows window tests under Wine: $(( $(date +%s) - started )) s"
