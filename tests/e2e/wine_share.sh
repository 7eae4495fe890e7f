#!/usr/bin/env bash
# The cross-built window under Wine with the roaming application data redirected to a share,
# \\SERVER\SHARE\Users\zoe\AppData\Roaming, as folder redirection keeps it: the window starts
# and lists the simulated devices, its data folder is on the share, and nothing of the share's
# path was made on the current drive (a share root read as "\SERVER\SHARE" lands there).
# Wine keeps share \\SERVER\SHARE in the prefix's dosdevices/unc/SERVER/SHARE, which the test
# makes as the server would offer it; the program runs from drive C:, so a stray folder would
# be made in the prefix. Besides lib.sh's variables it needs TK_TRAVELKIN_EXE (travelkin.exe)
# and TK_PROBE_EXE (local_address_probe); the Wine prefix, its wineserver and the display:
# wine_lib.sh.
source "$(dirname "$0")/lib.sh"
: "${TK_TRAVELKIN_EXE:?}"
source "$(dirname "$0")/wine_lib.sh"
readonly SERVER=tkserver SHARE=profiles

net_up
add_addresses a 192.0.2.10 2
start_sim a --first-address 192.0.2.10 --count 2 --protocol both --host disk%d --product Cube --seconds 300
start_display
start_wine
share="$WINEPREFIX/dosdevices/unc/$SERVER/$SHARE"
mkdir -p "$share"
for keys in 'User Shell Folders' 'Shell Folders'; do
  in_searcher wine reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\$keys" \
    /v AppData /d "\\\\$SERVER\\$SHARE\\Users\\zoe\\AppData\\Roaming" /f >"$WORK/reg.log" 2>&1 \
    || fail "reg add: $(cat "$WORK/reg.log")"
done

cd "$WINEPREFIX/drive_c" || fail "no drive C: in the prefix"
start_travelkin "$TK_TRAVELKIN_EXE"
wait_until 90 "both devices in the window's list" two_listed
data_folder="$share/Users/zoe/AppData/Roaming/ZandovertSearchTools"
[ -d "$data_folder/Picture" ] && compgen -G "$data_folder/*.xml" >/dev/null \
  || fail "no data folder with the layout and pictures in $data_folder: $(find "$share" | head -n 20)"
stray=$(find "$WINEPREFIX/drive_c" "$WORK" -maxdepth 1 -iname "$SERVER")
[ -z "$stray" ] || fail "the share's folders were made on the current drive: $(find "$stray" | head -n 20)"
close_travelkin "$(basename "$TK_TRAVELKIN_EXE")"
echo "PASS"
