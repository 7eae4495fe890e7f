# The one way the tests run Windows programs under Wine, sourced by tools/run-tests.sh (the
# Windows unit tests), tools/run-wine-gui-tests.sh (the window's tests) and
# tests/e2e/wine_lib.sh (the programs in the test network).
#
# Each run has a fresh prefix of its own, never used by anything else, and its own wineserver,
# started with -p so that it stays up until wine_prefix_down and every wine of the run talks
# to this one (with the null driver, a server started after the boot's has ended). A server
# that each program starts for itself would linger a moment after its last client and then
# end, and a test started in that moment lost its connection to it ("recvmsg: Connection
# reset by peer"). A runner command given before the program (the test network's exec into the
# searching namespace) starts the wineserver, and so every socket Wine creates, inside that
# namespace. Wine draws through its X11 driver on a private Xvfb (wine_display_up), or through
# its null driver where no window needs to be seen (--null-display: windows are still made
# and found). Debian's Wine fonts go into the prefix's font folder, where Wine finds them
# (Tahoma, which the layouts name). Wine's menu builder is off: it would copy the prefix's
# shortcuts and file types into the desktop's menus outside the prefix; so are the .NET and
# HTML engines, which Wine would offer to download.

readonly WINE_FONTS=/usr/share/wine/fonts
readonly WINE_BOOT_SECONDS=240
readonly WINE_DISPLAY_SECONDS=30

# What this machine lacks to run the Windows programs under Wine, one line each; nothing
# when it has everything.
wine_missing() {
  local tool
  for tool in wine wineserver; do
    command -v "$tool" >/dev/null || echo "$tool (tools/install-deps.sh)"
  done
  [ -f "$WINE_FONTS/tahoma.ttf" ] || echo "fonts-wine (tools/install-deps.sh)"
}

# The prefix folder of the run (it must not exist yet), for this shell and what it starts.
wine_prefix_env() {  # folder
  export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# Makes the prefix and starts its wineserver:
#   wine_prefix_up [--null-display] [--ui-font FACE] LOG [RUNNER...]
# The prefix is booted (its output in LOG, shown on a failure) and has its fonts when this
# returns; it fails when the prefix already exists or does not boot in WINE_BOOT_SECONDS.
# --ui-font FACE: the prefix has no Tahoma, and Wine draws every text asked of Tahoma (and of
# the dialog faces that stand for it) in FACE, an installed font of this machine, as a
# Windows in another language draws its own interface font where the layouts name Tahoma.
wine_prefix_up() {
  local null_display=no ui_font=
  while [ $# -gt 0 ]; do
    case $1 in
      --null-display) null_display=yes ;;
      --ui-font) ui_font=$2; shift ;;
      *) break ;;
    esac
    shift
  done
  local log=$1
  shift
  if [ -e "$WINEPREFIX" ]; then
    echo "the Wine prefix $WINEPREFIX already exists" >&2
    return 1
  fi
  mkdir -p "$WINEPREFIX"
  [ "$null_display" = yes ] || "$@" wineserver -p
  if ! "$@" timeout "$WINE_BOOT_SECONDS" wine wineboot -i >"$log" 2>&1; then
    tail -n 25 "$log" >&2
    echo "the Wine prefix did not boot" >&2
    return 1
  fi
  if [ "$null_display" = yes ]; then
    "$@" wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$log" 2>&1
    # The desktop process that the boot started keeps the driver it started with: it and the
    # boot's wineserver end first (the registry saved), and the run's programs start afresh,
    # all with the one server that stays up until wine_prefix_down. A second boot starts the
    # prefix's services on that server, as the first boot does in the other case: a test
    # that found them starting could be held at its exit until its ctest timeout.
    "$@" wineserver -w
    "$@" wineserver -p
    if ! "$@" timeout "$WINE_BOOT_SECONDS" wine wineboot >>"$log" 2>&1; then
      tail -n 25 "$log" >&2
      echo "the Wine prefix did not start again with the null driver" >&2
      return 1
    fi
  fi
  cp "$WINE_FONTS"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  [ -z "$ui_font" ] || wine_ui_font "$ui_font" "$log" "$@"
}

# Takes Tahoma out of the prefix and has Wine draw FACE wherever Tahoma is asked for (Wine's
# replacement of a face that is not installed); fails when this machine has no FACE.
wine_ui_font() {  # face log [RUNNER...]
  local face=$1 log=$2
  shift 2
  if ! fc-list : family | tr ',' '\n' | grep -qx "$face"; then
    echo "no font named '$face' is installed" >&2
    return 1
  fi
  rm -f "$WINEPREFIX"/drive_c/windows/Fonts/tahoma*.ttf
  "$@" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d "$face" /f >>"$log" 2>&1
}

# Ends the run's wineserver and every Windows program still running in the prefix.
wine_prefix_down() {  # [RUNNER...]
  [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX" ] || "$@" wineserver -k 2>/dev/null || true
}

# A private X display for Wine's X11 driver: no TCP, SIZE (WIDTHxHEIGHT) at 24 bits, its log
# in LOG; DISPLAY names it from here on and WINE_DISPLAY_PID is its server's pid, for
# wine_display_down. -noreset: the server would otherwise reset whenever its last client
# leaves and turn away the next one meanwhile.
WINE_DISPLAY_PID=
wine_display_up() {  # size log [RUNNER...]
  local size=$1 log=$2 number_file
  shift 2
  number_file=$(mktemp)
  "$@" Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "${size}x24" 3>"$number_file" 2>"$log" &
  WINE_DISPLAY_PID=$!
  local deadline=$((SECONDS + WINE_DISPLAY_SECONDS))
  until [ -s "$number_file" ]; do
    if [ "$SECONDS" -ge "$deadline" ] || ! kill -0 "$WINE_DISPLAY_PID" 2>/dev/null; then
      rm -f "$number_file"
      tail -n 25 "$log" >&2
      echo "Xvfb did not start" >&2
      return 1
    fi
    sleep 0.1
  done
  DISPLAY=":$(head -n 1 "$number_file")"
  export DISPLAY
  rm -f "$number_file"
}

wine_display_down() {
  [ -n "$WINE_DISPLAY_PID" ] || return 0
  kill "$WINE_DISPLAY_PID" 2>/dev/null || true
  wait "$WINE_DISPLAY_PID" 2>/dev/null || true
  WINE_DISPLAY_PID=
}
