#!/usr/bin/env bash
# The Windows installer under Wine, in the test network: a silent install (/S) puts exactly
# the programs and their texts into the user's programs folder, a Start-menu shortcut to the
# window and the uninstall entry in place; the installed travelkin.exe lists the simulated
# devices and ends cleanly on a close request; a silent uninstall then removes the files, the
# shortcut and the entry and leaves the program's data folder, with what the user put there.
# Besides lib.sh's variables it needs TK_SETUP_EXE (travelkin-<version>-setup.exe) and
# TK_PROBE_EXE (local_address_probe); the Wine prefix, its wineserver and the display are
# wine_lib.sh's.
source "$(dirname "$0")/lib.sh"
: "${TK_SETUP_EXE:?}"
source "$(dirname "$0")/wine_lib.sh"
readonly WINDRES=x86_64-w64-mingw32-windres
command -v "$WINDRES" >/dev/null || skip "needs $WINDRES (tools/install-deps.sh)"
version=$(basename "$TK_SETUP_EXE" | sed -n 's/^travelkin-\(.*\)-setup\.exe$/\1/p')
[ -n "$version" ] || fail "no version in the installer's name: $TK_SETUP_EXE"

readonly UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Travelkin'
# What the install folder holds, in the order of "LC_ALL=C ls -A".
readonly INSTALLED="GPL-3.txt LGPL-3.txt NOTICE.txt README.txt travelkin-search.exe travelkin.exe uninstall.exe"

test_started=$(date +%s)
net_up
add_addresses a 192.0.2.10 2
start_sim a --first-address 192.0.2.10 --count 2 --protocol both --host disk%d --product Cube --seconds 300
start_display
start_wine

windows_variable() { in_searcher wine cmd /c echo "%$1%" 2>>"$WORK/wine.log" | tr -d '\r'; }
linux_path() { in_searcher winepath -u "$1" 2>>"$WORK/wine.log"; }
install_folder="$(windows_variable LOCALAPPDATA)\\Programs\\Travelkin"
installed=$(linux_path "$install_folder")
app_data=$(linux_path "$(windows_variable APPDATA)")
shortcut="$app_data/Microsoft/Windows/Start Menu/Programs/Travelkin.lnk"
data_folder="$app_data/ZandovertSearchTools"
[ -d "$app_data" ] || fail "no roaming application data folder: '$app_data'"

started=$(date +%s)
in_searcher timeout 120 wine "$TK_SETUP_EXE" /S 2>"$WORK/setup.log" || fail "the silent install failed"
echo "Installed in $(( $(date +%s) - started )) s"
installed_files() { LC_ALL=C ls -A "$installed" 2>&1 | paste -sd ' '; }
[ "$(installed_files)" = "$INSTALLED" ] || fail "the install folder holds '$(installed_files)', not '$INSTALLED'"
[ -f "$shortcut" ] || fail "no Start-menu shortcut: $(ls "$(dirname "$shortcut")")"
grep -aqF 'Travelkin\travelkin.exe' "$shortcut" || fail "the shortcut does not start the installed travelkin.exe"

# What Windows shows of the installed program (stripped, as it is shipped): its icon in seven
# sizes and its version.
"$WINDRES" -i "$installed/travelkin.exe" -O rc >"$WORK/resources.rc" 2>&1
while read -r line; do
  grep -qF -- "$line" "$WORK/resources.rc" || fail "travelkin.exe's resources lack $line"
done <<EXPECTED
/* Has 7 elements.  */
VALUE "ProductName", "Travelkin"
VALUE "FileVersion", "$version"
VALUE "OriginalFilename", "travelkin.exe"
EXPECTED

registry_value() {  # name: the uninstall entry's value (empty when absent)
  in_searcher wine reg query "$UNINSTALL_KEY" /v "$1" 2>>"$WORK/wine.log" | tr -d '\r' \
    | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
while read -r name value; do
  [ "$(registry_value "$name")" = "$value" ] || fail "uninstall entry $name is '$(registry_value "$name")', not '$value'"
done <<EXPECTED
DisplayName Travelkin
DisplayVersion $version
DisplayIcon $install_folder\\travelkin.exe
InstallLocation $install_folder
UninstallString "$install_folder\\uninstall.exe"
QuietUninstallString "$install_folder\\uninstall.exe" /S
EXPECTED

# The installed program, started by its Windows path as the shortcut starts it.
start_travelkin "$install_folder\\travelkin.exe"
wait_until 90 "both devices in the installed program's list" two_listed
close_travelkin travelkin.exe
[ -d "$data_folder" ] || fail "the program made no data folder at $data_folder"
echo "the user's own" >"$data_folder/kept.txt"
data_before=$(cd "$data_folder" && find . | LC_ALL=C sort)

# The uninstaller runs on from a copy of itself in the temporary folder, so its own start
# returns at once: wait until everything is gone.
in_searcher timeout 60 wine "$install_folder\\uninstall.exe" /S 2>"$WORK/uninstall.log" || fail "the silent uninstall failed"
# Gone only when reg says so: a wine that failed to start proves nothing.
key_gone() {
  local answer
  answer=$(in_searcher wine reg query "$UNINSTALL_KEY" 2>&1) || true
  grep -q 'Unable to find the specified registry key' <<<"$answer"
}
uninstalled() { [ ! -e "$installed" ] && [ ! -e "$shortcut" ] && key_gone; }
wait_until 60 "the uninstaller to remove the files, the shortcut and the entry" uninstalled
[ "$(cd "$data_folder" && find . | LC_ALL=C sort)" = "$data_before" ] \
  || fail "the data folder changed: $(cd "$data_folder" 2>&1 && find .)"
echo "Installed, started and uninstalled in $(( $(date +%s) - test_started )) s"
echo "PASS"
