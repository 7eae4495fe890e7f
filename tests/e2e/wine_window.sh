#!/usr/bin/env bash
# The cross-built window under Wine, in the test network, on a private X display: with the
# roaming application data in a folder named in two scripts it starts, makes its data folder
# there and lists the simulated devices, a screenshot shows it skinned (its background picture
# drawn, its top corners cut away by the window shape) with its rows, a second start ends at
# once and leaves it running, Log In and My Storage hand the device's web page and share root
# to the URL recorder (after My Storage's Windows steps: Explorer windows, connections, drive
# letters), and a close request ends it cleanly. TK_DPI (96 unless set) is the screen's dots per
# inch: the window, its rows and every coordinate below grow with it, and the list's first row
# lies wholly below its header, its text where the next row has its own. TK_UI_FONT, when set,
# names an installed face that the prefix draws instead of Tahoma, which it then lacks (as a
# Windows in another language draws its own interface font): the rows still begin below the
# header, whatever its height in that face. Besides lib.sh's variables it needs TK_TRAVELKIN_EXE (travelkin.exe) and TK_PROBE_EXE (local_address_probe);
# TK_SCREENSHOT, when set, names a file that receives a copy of the screenshot (taken on a
# failure too). The Wine prefix, its wineserver and the display: wine_lib.sh.
source "$(dirname "$0")/lib.sh"
: "${TK_TRAVELKIN_EXE:?}"
source "$(dirname "$0")/wine_lib.sh"
command -v xdotool >/dev/null || skip "needs xdotool"
command -v import >/dev/null || skip "needs ImageMagick"
readonly BACKGROUND=1D232E  # the background picture away from the controls

stop_extras() {
  # The evidence of a failure while the window is up.
  [ -z "$TK_PID" ] || [ -e "$WORK/shot.png" ] || screenshot 2>/dev/null || true
  stop_travelkin_and_wine
}

net_up
add_addresses a 192.0.2.10 2
start_sim a --first-address 192.0.2.10 --count 2 --protocol both --host disk%d --product Cube --seconds 300

start_display "$((400 * DPI / 96))x$((300 * DPI / 96))"
start_wine
# The screen's dots per inch, as the display settings set them for the account.
in_searcher wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f >"$WORK/reg.log" 2>&1 \
  || fail "reg add LogPixels: $(cat "$WORK/reg.log")"
# An account whose folder is named in two scripts: the roaming application data moves there,
# as Windows keeps it for such an account.
readonly PROFILE='Zoë 李'
for keys in 'User Shell Folders' 'Shell Folders'; do
  in_searcher env LC_ALL=C.UTF-8 wine reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\$keys" \
    /v AppData /d "C:\\users\\$PROFILE\\AppData\\Roaming" /f >"$WORK/reg.log" 2>&1 || fail "reg add: $(cat "$WORK/reg.log")"
done

start_travelkin "$TK_TRAVELKIN_EXE"
screenshot() {
  in_searcher import -window root "$WORK/shot.png"
  [ -z "${TK_SCREENSHOT:-}" ] || cp "$WORK/shot.png" "$TK_SCREENSHOT"
}
wait_until 90 "both devices in the window's list" two_listed
# Its files went to the data folder in the user's roaming application data, under the
# account's own name and no misspelling of it.
data_folder="$WINEPREFIX/drive_c/users/$PROFILE/AppData/Roaming/ZandovertSearchTools"
[ -d "$data_folder/Picture" ] && compgen -G "$data_folder/*.xml" >/dev/null \
  || fail "no data folder with the layout and pictures in $data_folder: $(find "$WINEPREFIX/drive_c/users" -maxdepth 5 -name ZandovertSearchTools)"
[ "$(find "$WINEPREFIX/drive_c" -name ZandovertSearchTools | wc -l)" -eq 1 ] \
  || fail "more than one data folder: $(find "$WINEPREFIX/drive_c" -name ZandovertSearchTools)"

find_window
[ "$WIDTH"x"$HEIGHT" = "$(dots 328)x$(dots 245)" ] \
  || fail "the window is ${WIDTH}x$HEIGHT, not the skin's 328x245 at $DPI dpi"
[ "$X" -gt 0 ] && [ "$Y" -gt 0 ] || fail "the window is not centred: at $X,$Y"
screenshot

# Coordinates below are the skin's pixels relative to the window, scaled to the screen's.
pixel() {  # x y: its colour as RRGGBB
  convert "$WORK/shot.png" -format "%[hex:p{$((X + $(dots $1))),$((Y + $(dots $2)))}]" info: | cut -c 1-6
}
# region x y width height: its number of colours and mean brightness
region() {
  convert "$WORK/shot.png" -crop "$(dots $3)x$(dots $4)+$((X + $(dots $1)))+$((Y + $(dots $2)))" +repage \
    -format '%k %[fx:mean]\n' info:
}
[ "$(pixel 4 120)" = "$BACKGROUND" ] || fail "no skin: $(pixel 4 120) at (4,120), not $BACKGROUND"
[ "$(pixel 0 0)" = "$(pixel -1 -1)" ] && [ "$(pixel 0 0)" != "$(pixel 3 3)" ] \
  || fail "the top-left corner is not cut away: $(pixel 0 0), outside $(pixel -1 -1)"
# The list: its two rows hold text, the white below them nothing.
read -r colours brightness < <(region 12 70 290 34)
[ "$colours" -ge 2 ] && awk "BEGIN { exit !($brightness < 0.97) }" || fail "no text in the rows: $colours colours"
[ "$(region 12 113 290 50)" = "1 1" ] || fail "the list below the two rows is not empty: $(region 12 113 290 50)"
# The first row wholly below the header: down four screen columns in the list's first column,
# the header's last line (dark in all: a focus frame's dots leave a gap), the grid lines
# that end the two rows, and the first line of each row's text. The first row shows all of its
# height (a line less at most, where a fractional scale splits a line between the two) and
# its text where the second row has its own, one row height higher.
rows_below_header() {
  convert "$WORK/shot.png" -crop "4x$(dots 75)+$((X + $(dots 14)))+$((Y + $(dots 45)))" +repage \
    -depth 8 txt:- | awk -F '[,: ]+' '
      NR > 1 { y = $2; dark[y] += !/#(FFFFFF|F0F0F0)/; grid[y] += /#F0F0F0/; last = y }
      END {
        for (y = 0; y <= last; ++y) {
          if (dark[y] == 4 && !grids) header = y
          if (grid[y] == 4) row_end[++grids] = y
        }
        printf "%d %d %d\n", header, row_end[1], row_end[2]
      }'
}
first_ink() {  # first last (screen lines relative to the window): the first with text, or none
  convert "$WORK/shot.png" -crop "$(dots 37)x$(( $2 - $1 + 1 ))+$((X + $(dots 16)))+$((Y + $1))" +repage \
    -depth 8 txt:- | awk -F '[,: ]+' -v top="$1" 'NR > 1 && !found && !/#(FFFFFF|F0F0F0)/ { print top + $2; found = 1 }'
}
read -r header_end row_end row2_end < <(rows_below_header)
header_end=$((header_end + $(dots 45))) row_end=$((row_end + $(dots 45))) row2_end=$((row2_end + $(dots 45)))
row_height=$((row2_end - row_end))
text=$(first_ink $((header_end + 2)) $((row_end - 1)))
text2=$(first_ink $((row_end + 2)) $((row2_end - 1)))
echo "At $DPI dpi: header's last line $header_end, first row's lines $((header_end + 1))-$row_end" \
  "(text from $text), second row's $((row_end + 1))-$row2_end (text from $text2)"
[ "$row_height" -gt 0 ] && [ $((row_end - header_end)) -ge $((row_height - 1)) ] \
  && [ -n "$text" ] && [ -n "$text2" ] && [ $((text2 - text)) -eq "$row_height" ] \
  || fail "the first row is not wholly below the header"

# A click on the top row chooses it; Log In opens its web page, My Storage its share root.
[ ! -e "$WORK/urls.txt" ] || fail "something was opened: $(cat "$WORK/urls.txt")"
top_ip=$(head -n 1 "$WORK/list.txt" | cut -f 2)
click $TOP_ROW
click $LOG_IN
wait_until 30 "Log In to record http://$top_ip" recorded "http://$top_ip"
click $MY_STORAGE
wait_until 30 "My Storage to record \\\\$top_ip" recorded "http://$top_ip"$'\n'"\\\\$top_ip"

# A second start finds the first, brings it forward and ends at once; the first runs on. The
# window is first covered by another program's (Wine's notepad), so its coming forward shows.
in_searcher wine notepad 2>"$WORK/notepad.log" &
in_searcher timeout 30 xdotool search --sync --onlyvisible --name 'Notepad' >/dev/null || fail "no notepad window"
covered() { screenshot && [ "$(pixel 4 120)" != "$BACKGROUND" ]; }
wait_until 30 "notepad to cover the window" covered
started=$(date +%s)
in_searcher timeout 60 wine "$TK_TRAVELKIN_EXE" 2>"$WORK/second.log" || fail "the second start failed"
[ $(( $(date +%s) - started )) -le 8 ] || fail "the second start took $(( $(date +%s) - started )) s"
kill -0 "$TK_PID" 2>/dev/null || fail "the first instance ended with the second"
in_front() { screenshot && [ "$(pixel 4 120)" = "$BACKGROUND" ]; }
wait_until 10 "the window to come forward" in_front

close_travelkin "$(basename "$TK_TRAVELKIN_EXE")"
echo "PASS"
