# Shared steps of the tests that run the cross-built window under Wine in the test network;
# sourced after lib.sh, it needs TK_PROBE_EXE (local_address_probe).
#
# As in wine_search.sh, the run has a Wine prefix of its own and its wineserver is started
# inside the searching namespace, where Wine creates every socket; a probe proves that before
# anything searches. Wine draws through its X11 driver on an Xvfb of that namespace (the
# null driver shows no window), with Debian's Wine fonts copied into the prefix's font folder,
# where Wine finds them (Tahoma, which the layouts name). Wine's menu builder is off: it would
# copy the prefix's shortcuts and file types into the desktop's menus outside the prefix.
: "${TK_PROBE_EXE:?}"
command -v wine >/dev/null && command -v wineserver >/dev/null || skip "needs wine (tools/install-deps.sh)"
command -v Xvfb >/dev/null || skip "needs Xvfb"
readonly WINE_FONTS=/usr/share/wine/fonts
[ -f "$WINE_FONTS/tahoma.ttf" ] || skip "needs fonts-wine (tools/install-deps.sh)"

export WINEPREFIX="$WORK/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
readonly WINE_BOOT_SECONDS=240

XVFB_PID=
# A private display inside the searching namespace (400x300 unless a size is given); DISPLAY
# names it from here on.
start_display() {
  in_searcher Xvfb -displayfd 3 -nolisten tcp -screen 0 "${1:-400x300}x24" 3>"$WORK/display" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  wait_until 30 "Xvfb to start" test -s "$WORK/display"
  export DISPLAY=":$(head -n 1 "$WORK/display")"
}

# A fresh prefix, never used outside the namespace; its wineserver kept running (-p) until
# stop_wine, so every wine of the test talks to this one.
start_wine() {
  [ ! -e "$WINEPREFIX" ] || fail "the Wine prefix already exists"
  mkdir "$WINEPREFIX"
  local started local_address
  started=$(date +%s)
  in_searcher wineserver -p
  local_address=$(in_searcher timeout "$WINE_BOOT_SECONDS" wine "$TK_PROBE_EXE" 192.0.2.2 68 2>"$WORK/wineboot.log" \
    | tr -d '\r')
  echo "Wine prefix made and probe run in $(( $(date +%s) - started )) s"
  [ "$local_address" = 192.0.2.1 ] || fail "Wine's socket is not in the test network: '$local_address'"
  cp "$WINE_FONTS"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}

# For stop_extras, once the test's own programs were told to end: the wineserver and the
# display, waited for (a bare wait would also wait for the simulators, which end later).
stop_wine() {
  in_searcher wineserver -k 2>/dev/null || true
  [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
  [ -z "$XVFB_PID" ] || wait "$XVFB_PID" 2>/dev/null || true
}

# travelkin.exe (given by its Linux or its Windows path) in the searching namespace, its pid
# in TK_PID. Its list dump and URL record take absolute paths that start with "/": Wine reads
# them on the current drive, Z:, which is the Linux file system.
TK_PID=
start_travelkin() {
  in_searcher env TRAVELKIN_LIST_DUMP="$WORK/list.txt" TRAVELKIN_URL_RECORDER="$WORK/urls.txt" \
    wine "$1" 2>"$WORK/travelkin.log" &
  TK_PID=$!
}
# For wait_until: the list holds both simulated devices (192.0.2.10 and .11).
two_listed() {
  kill -0 "$TK_PID" 2>/dev/null || fail "travelkin.exe ended early"
  [ -f "$WORK/list.txt" ] && [ "$(grep -c $'\t192\.0\.2\.1[01]\t' "$WORK/list.txt")" -eq 2 ]
}
# A close request (WM_CLOSE, as taskkill sends) ends the program cleanly.
close_travelkin() {  # image name
  in_searcher timeout 30 wine taskkill /im "$1" >"$WORK/taskkill.log" 2>&1
  wait_until 30 "$1 to end after the close request" travelkin_ended
  local status=0
  wait "$TK_PID" || status=$?
  TK_PID=
  [ "$status" -eq 0 ] || fail "$1 ended with status $status"
}
travelkin_ended() { ! kill -0 "$TK_PID" 2>/dev/null; }
