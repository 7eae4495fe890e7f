#!/usr/bin/env bash
# The window's tests of the Windows build (ctest label wine_gui) under Wine: a fresh Wine
# prefix and a private Xvfb display that takes no TCP connection, made and ended as
# tools/wine-prefix.sh makes them for every Wine run; they are gone afterwards, on a failure
# too. None of these tests opens a socket beyond loopback.
#
# Usage: tools/run-wine-gui-tests.sh [BUILD_DIR]  (a build with TRAVELKIN_QT_WINDOWS; default
# build-windows-gui); further arguments go to ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$top/build-windows-gui}")
shift || true
source "$top/tools/wine-prefix.sh"
missing=$(wine_missing)
for tool in Xvfb ctest; do
  command -v "$tool" >/dev/null || missing+=$'\n'"$tool (tools/install-deps.sh)"
done
if [ -n "${missing//$'\n'/}" ]; then
  echo "needs:$missing"
  exit 1
fi

work=$(mktemp -d)
clean_up() {
  wine_prefix_down
  wine_display_down
  rm -rf "$work"
}
trap clean_up EXIT
started=$(date +%s)

wine_display_up 1280x1024 "$work/xvfb.log"
wine_prefix_env "$work/prefix"
wine_prefix_up "$work/wineboot.log"
echo "Wine prefix and display ready in $(( $(date +%s) - started )) s"

ctest --test-dir "$build" -L wine_gui --output-on-failure "$@"
echo "Windows window tests under Wine: $(( $(date +%s) - started )) s"
