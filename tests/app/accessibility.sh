#!/usr/bin/env bash
# The window as a screen reader sees it: on a private X display with its own session bus and
# accessibility bus, an AT-SPI client finds the list and its row, the three buttons, the "Why?"
# link of the empty list and, once the client has pressed the Menu key, the entries of the row's
# menu, each by its role and name.
#
#   accessibility.sh HELPER   (the built accessible_window_helper)
set -euo pipefail
helper=$1
here=$(cd "$(dirname "$0")" && pwd)
# The system's Python, which the python3-pyatspi package installs into (not another on PATH).
python=/usr/bin/python3
for tool in Xvfb dbus-run-session "$python"; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
"$python" -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }

work=$(mktemp -d)
cleanup() {
  [ -n "${helper_pid:-}" ] && kill "$helper_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")"; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

# One session bus for the program and the client; the accessibility bus starts on it.
export helper here work python
dbus-run-session -- bash -c '
  export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
  "$helper" >"$work/helper.log" 2>&1 &
  pid=$!
  status=0
  "$python" "$here/accessibility_tree.py" "$(basename "$helper")" 60 \
    "tree=Device List" "table cell=disk0" "table cell=192.0.2.10" \
    "push button=Log In" "push button=Refresh" "push button=My Storage" "push button=Why?" -- \
    "Log In" "My Storage" "Copy address" "Copy details" "Add a device by address…" || status=$?
  kill "$pid" 2>/dev/null
  [ $status -eq 0 ] || { echo "the program said:"; cat "$work/helper.log"; }
  exit $status
'
