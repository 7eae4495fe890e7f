# Shared steps of the tests that run cross-built programs under Wine in the test network;
# sourced after lib.sh, it needs TK_PROBE_EXE (local_address_probe).
#
# The run has a Wine prefix of its own and its wineserver is started inside the searching
# namespace, where Wine creates every socket (tools/wine-prefix.sh); a probe proves that
# before anything searches. Windows are drawn by Wine's X11 driver on an Xvfb of that
# namespace.
: "${TK_PROBE_EXE:?}"
source "$(dirname "$0")/../../tools/wine-prefix.sh"
missing=$(wine_missing)
[ -z "$missing" ] || skip "needs $(paste -sd ' ' <<<"$missing")"
wine_prefix_env "$WORK/wineprefix"
TK_PID=

# A private display inside the searching namespace (400x300 unless a size is given); DISPLAY
# names it from here on.
start_display() {
  command -v Xvfb >/dev/null || skip "needs Xvfb"
  wine_display_up "${1:-400x300}" "$WORK/xvfb.log" in_searcher || fail "no display"
}

# A fresh prefix, never used outside the namespace; its wineserver kept running until
# stop_wine, inside the namespace, where a Windows program's socket gets the namespace's
# address. TK_UI_FONT, when set, names an installed face that the prefix draws instead of
# Tahoma, which it then lacks (wine_prefix_up --ui-font).
start_wine() {
  local started local_address ns pid server_in_ns=no
  started=$(date +%s)
  wine_prefix_up ${TK_UI_FONT:+--ui-font "$TK_UI_FONT"} "$WORK/wineboot.log" in_searcher || fail "no Wine prefix"
  local_address=$(in_searcher timeout 60 wine "$TK_PROBE_EXE" 192.0.2.2 68 2>"$WORK/probe.log" | tr -d '\r')
  echo "Wine prefix made and probe run in $(( $(date +%s) - started )) s"
  [ "$local_address" = 192.0.2.1 ] || fail "Wine's socket is not in the test network: '$local_address'"
  ns=$("$TK_TESTNET" names "$NET" | cut -d' ' -f1)
  for pid in $(ip netns pids "$ns"); do
    case $(cat "/proc/$pid/comm" 2>/dev/null) in wineserver*) server_in_ns=yes ;; esac
  done
  [ "$server_in_ns" = yes ] || fail "no wineserver runs inside $ns"
}

# For stop_extras, once the test's own programs were told to end: the wineserver and the
# display, waited for (a bare wait would also wait for the simulators, which end later).
stop_wine() {
  wine_prefix_down in_searcher
  wine_display_down
}
# When the test ends: travelkin.exe if it still runs, then the wineserver and the display.
stop_travelkin_and_wine() {
  [ -z "$TK_PID" ] || kill "$TK_PID" 2>/dev/null || true
  stop_wine
  [ -z "$TK_PID" ] || wait "$TK_PID" 2>/dev/null || true
}
stop_extras() { stop_travelkin_and_wine; }

# travelkin.exe (given by its Linux or its Windows path) in the searching namespace, its pid
# in TK_PID; further NAME=value arguments go to its environment. Its list dump and URL record
# take absolute paths that start with "/": Wine reads them on the current drive, Z:, which is
# the Linux file system.
start_travelkin() {  # exe [NAME=value...]
  local exe=$1
  shift
  in_searcher env TRAVELKIN_LIST_DUMP="$WORK/list.txt" TRAVELKIN_URL_RECORDER="$WORK/urls.txt" "$@" \
    wine "$exe" 2>"$WORK/travelkin.log" &
  TK_PID=$!
}
# For wait_until: the list holds both simulated devices (192.0.2.10 and .11).
two_listed() {
  kill -0 "$TK_PID" 2>/dev/null || fail "travelkin.exe ended early"
  [ -f "$WORK/list.txt" ] && [ "$(grep -c $'\t192\.0\.2\.1[01]\t' "$WORK/list.txt")" -eq 2 ]
}
# For wait_until: the URL record holds exactly these lines.
recorded() { [ "$(cat "$WORK/urls.txt" 2>/dev/null)" = "$1" ]; }

# The window's place and size on the screen, as X, Y, WIDTH and HEIGHT. TK_DPI (96 unless
# set) is the screen's dots per inch: the window and every coordinate in it grow with it.
readonly DPI=${TK_DPI:-96}
find_window() {
  local window_id
  window_id=$(in_searcher timeout 30 xdotool search --sync --onlyvisible --name '^Travelkin$' | head -n 1)
  [ -n "$window_id" ] || fail "no window named Travelkin"
  eval "$(in_searcher xdotool getwindowgeometry --shell "$window_id")"
}
dots() {  # the skin's pixels as the screen's, rounded
  local scaled=$(($1 * DPI))
  echo $(( scaled >= 0 ? (scaled + 48) / 96 : (scaled - 48) / 96 ))
}
# A left click at the skin's x y within the window (find_window first).
click() { in_searcher xdotool mousemove --sync $((X + $(dots $1))) $((Y + $(dots $2))) click 1; }
readonly TOP_ROW='60 78' LOG_IN='57 221' MY_STORAGE='267 221'

# A close request (WM_CLOSE to each of its windows, as taskkill sends) ends the program
# cleanly within LIMIT seconds (30 unless given) of the request: of taskkill's return, by when
# it has posted the messages. The times are printed, and what still runs when it fails.
close_travelkin() {  # image name [limit]
  local limit=${2:-30} started requested now
  started=$(date +%s%N)
  in_searcher timeout 30 wine taskkill /im "$1" >"$WORK/taskkill.log" 2>&1 \
    || fail "taskkill failed: $(cat "$WORK/taskkill.log")"
  requested=$(date +%s%N)
  until travelkin_ended; do
    now=$(date +%s%N)
    [ $((now - requested)) -le $((limit * 1000000000)) ] \
      || fail "$1 still runs $(seconds_between "$requested" "$now") s after the close request" \
        "(taskkill took $(seconds_between "$started" "$requested") s); its window is" \
        "$(in_searcher xdotool search --name '^Travelkin$' >/dev/null 2>&1 || echo 'not ')there; its threads" \
        "(count, state, kernel wait): $(travelkin_threads)"
    sleep 0.05
  done
  now=$(date +%s%N)
  echo "Close: taskkill took $(seconds_between "$started" "$requested") s, the program ended" \
    "$(seconds_between "$requested" "$now") s after it"
  local status=0
  wait "$TK_PID" || status=$?
  TK_PID=
  [ "$status" -eq 0 ] || fail "$1 ended with status $status"
}
travelkin_ended() { ! kill -0 "$TK_PID" 2>/dev/null; }
travelkin_threads() {
  local pid
  for pid in $(pgrep -f 'travelkin\.exe'); do
    ps -L -o stat=,wchan:24= -p "$pid" | sort | uniq -c | paste -sd ',' -
  done
}
seconds_between() {  # two times in nanoseconds
  local milliseconds=$((($2 - $1) / 1000000))
  printf '%d.%02d' $((milliseconds / 1000)) $((milliseconds % 1000 / 10))
}
