#!/usr/bin/env bash
# Builds the Debian package and checks it the way a user meets it: its contents and control
# data, lintian's verdict, a real "apt-get install", the installed files, the capability that lets an ordinary
# user's search bind UDP port 67 (in the project's test network), the menu entry, each
# tool's --help against its man page, then "apt-get purge" and that nothing is left. Also
# checks that "cmake --install" and the uninstall target leave nothing behind.
#
#   check-package.sh [BUILD_DIR]    default build-release, configured as a Release build
#
# Needs root: it installs the package on this machine and removes it again.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$top/build-release}")
jobs=${TRAVELKIN_JOBS:-$(nproc)}
testnet="$top/tools/testnet.sh"

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "-- [${SECONDS}s] $*"; }

[ "$(id -u)" -eq 0 ] || fail "needs root (installs and removes the package)"
# "not-installed" once purged (or never installed), "config-files" after a plain remove.
package_state() { dpkg-query -W -f='${db:Status-Status}' travelkin 2>/dev/null || echo not-installed; }
if [ "$(package_state)" != not-installed ]; then
  fail "travelkin is already installed here; remove it first (apt-get remove travelkin)"
fi

work=$(mktemp -d)
chmod 755 "$work"   # the unprivileged search below reads and writes in it
net="pk$$"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  "$testnet" down "$net" >/dev/null 2>&1 || true
  if [ "$(package_state)" != not-installed ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q travelkin >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# ---- build -------------------------------------------------------------------------------

step "building the package in $build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTRAVELKIN_TESTS=OFF -DTRAVELKIN_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$jobs" >/dev/null
rm -f "$build"/travelkin_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/travelkin_*.deb)
{ [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ]; } || fail "cpack made no single travelkin_*.deb: ${debs[*]}"
deb=${debs[0]}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

# The window program, its menu entry and icons are expected whenever this build made it.
gui=false
[ -n "$(find "$build" -maxdepth 4 -type f -name travelkin -perm -u+x -print -quit)" ] && gui=true

expected=(
  usr/bin/travelkin-search
  usr/bin/travelkin-devsim
  usr/share/man/man1/travelkin-search.1.gz
  usr/share/man/man1/travelkin-devsim.1.gz
  usr/share/bash-completion/completions/travelkin-search
  usr/share/zsh/vendor-completions/_travelkin-search
  usr/share/doc/travelkin/copyright
  usr/share/doc/travelkin/changelog.gz
)
icon_sizes=()
for icon in "$top"/resources/icons/travelkin-*.png; do
  size=${icon##*-}
  icon_sizes+=("${size%.png}")
done
if $gui; then
  expected+=(usr/bin/travelkin usr/share/applications/travelkin.desktop
    usr/share/metainfo/org.example.travelkin.metainfo.xml usr/share/man/man1/travelkin.1.gz)
  for size in "${icon_sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/travelkin.png")
  done
else
  echo "   (no travelkin program in this build: checking the command-line tools only)"
fi
privileged=(usr/bin/travelkin-search)
$gui && privileged+=(usr/bin/travelkin)

# ---- the archive -------------------------------------------------------------------------

step "contents of $(basename "$deb")"
dpkg-deb -c "$deb" >"$work/contents"
# Paths of the files (not directories), without the leading "./".
awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' "$work/contents" | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
missing=$(comm -23 "$work/expected" "$work/files")
[ -z "$missing" ] || fail "missing from the package: $missing"
stray=$(comm -13 "$work/expected" "$work/files")
[ -z "$stray" ] || fail "unexpected files in the package: $stray"
# Everything lives under /usr, owned by root, and nothing is writable by users or setuid.
awk '{ sub(/^\.\//, "", $6) } $6 != "" && $6 !~ /^usr(\/|$)/ { print "outside /usr: " $6 }
     $2 != "root/root" { print "owner " $2 ": " $6 }
     substr($1, 6, 1) == "w" || substr($1, 9, 1) == "w" { print "writable: " $6 }
     $1 ~ /[sS]/ { print "setuid/setgid: " $6 }' "$work/contents" >"$work/bad-modes"
[ ! -s "$work/bad-modes" ] || fail "$(cat "$work/bad-modes")"

step "control data"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = travelkin ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version $(field Version), project $version"
[ "$(field Section)" = net ] || fail "Section: $(field Section)"
[[ $(field Maintainer) =~ ^.+\ \<.+@.+\>$ ]] || fail "Maintainer: $(field Maintainer)"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
# Package names alone, one a line: "libc6 (>= 2.34)" gives libc6.
tr ',|' '\n' <<<"$depends" | sed 's/^ *//; s/[ (:].*//' | sort -u >"$work/depends"
needed=(libc6 libstdc++6 qt6-qpa-plugins xdg-utils libcap2-bin)
$gui && needed+=(libqt6widgets6 libqt6core6)
for package in "${needed[@]}"; do
  grep -qxF "$package" "$work/depends" || fail "Depends lacks $package: $depends"
done
# The single-instance guard speaks over a plain local socket: Qt's network module (and the
# proxy and authentication libraries it loads at start-up) is not needed.
! grep -qxF libqt6network6 "$work/depends" || fail "Depends names libqt6network6: $depends"
dpkg-deb -e "$deb" "$work/control"
[ -x "$work/control/postinst" ] || fail "no executable postinst"
for program in "${privileged[@]}"; do
  grep -Eq "/$program( |;|$)" "$work/control/postinst" || fail "postinst does not name /$program"
done

step "lintian"
# As a Debian packager checks a package: errors and warnings fail. Informational tags may
# stay, but each one must be named in the README with the reason it stays.
command -v lintian >/dev/null || fail "lintian is not installed (tools/install-deps.sh)"
lintian -i -I --fail-on error,warning "$deb" >"$work/lintian" 2>&1 || fail "lintian: $(cat "$work/lintian")"
sed -n 's/^I: travelkin[^:]*: \([a-z0-9-]*\).*/\1/p' "$work/lintian" | sort -u >"$work/lintian-info"
while read -r tag; do
  grep -q "\`$tag\`" "$top/README.md" || fail "lintian's $tag is not named in the README: $(cat "$work/lintian")"
done <"$work/lintian-info"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/travelkin/changelog.gz | gzip -dc | sed -n 1p \
  | grep -q "^travelkin ($version) " || fail "the changelog's newest entry is not version $version"

# ---- install -----------------------------------------------------------------------------

step "apt-get install $(basename "$deb")"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" >"$work/apt-install.log" 2>&1 \
  || fail "apt-get install: $(tail -n 20 "$work/apt-install.log")"
[ "$(package_state)" = installed ] || fail "not installed after apt-get: $(package_state)"

for path in "${expected[@]}"; do
  [ -f "/$path" ] || fail "/$path is not installed"
done
# No user-writable file anywhere in what the package installed.
dpkg -L travelkin | while read -r path; do
  [ -f "$path" ] && [ -n "$(find "$path" -perm /022)" ] && echo "$path"
done >"$work/writable" || true
[ ! -s "$work/writable" ] || fail "writable by group or others: $(cat "$work/writable")"

step "capabilities"
for program in "${privileged[@]}"; do
  getcap "/$program" | grep -q "cap_net_bind_service=ep" \
    || fail "/$program lacks cap_net_bind_service: '$(getcap "/$program")'"
done
[ -z "$(getcap /usr/bin/travelkin-devsim)" ] || fail "the simulator must not be privileged"

if $gui; then
  step "menu entry and icons"
  # Errors and warnings fail; hints (advice such as on the two main categories) do not.
  desktop-file-validate /usr/share/applications/travelkin.desktop >"$work/validate" 2>&1 \
    || fail "desktop-file-validate: $(cat "$work/validate")"
  ! grep -Eq ': (error|warning):' "$work/validate" || fail "desktop-file-validate: $(cat "$work/validate")"
  # Software centres: the metainfo must pass strict validation (warnings fail too) and launch
  # the installed menu entry. --no-net: the test machine reaches no web site.
  metainfo=/usr/share/metainfo/org.example.travelkin.metainfo.xml
  appstreamcli validate --strict --no-net "$metainfo" >"$work/metainfo" 2>&1 \
    || fail "appstreamcli validate: $(cat "$work/metainfo")"
  grep -q '<launchable type="desktop-id">travelkin.desktop</launchable>' "$metainfo" \
    || fail "the metainfo does not launch travelkin.desktop"
  grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo lacks a release $version"
  grep -qx 'Exec=travelkin' /usr/share/applications/travelkin.desktop || fail "Exec line"
  grep -qx 'Icon=travelkin' /usr/share/applications/travelkin.desktop || fail "Icon line"
  for size in "${icon_sizes[@]}"; do
    icon="/usr/share/icons/hicolor/${size}x${size}/apps/travelkin.png"
    file "$icon" | grep -q "PNG image data, $size x $size," \
      || fail "$icon is not a ${size}x${size} PNG: $(file "$icon")"
  done
fi

step "--help matches the man page"
# The options a text mentions, one a line; "\-" is how a man page writes a hyphen.
options_in() { sed 's/\\-/-/g' | grep -o -- '--[a-z][a-z-]*' | sort -u; }
for tool in travelkin-search travelkin-devsim; do
  "/usr/bin/$tool" --help >"$work/$tool.help" || fail "$tool --help failed"
  head -n 1 "$work/$tool.help" | grep -q "^Usage: $tool " || fail "$tool --help: $(head -n 1 "$work/$tool.help")"
  zcat "/usr/share/man/man1/$tool.1.gz" | options_in >"$work/$tool.man-options"
  options_in <"$work/$tool.help" >"$work/$tool.help-options"
  diff -u "$work/$tool.help-options" "$work/$tool.man-options" >"$work/$tool.diff" \
    || fail "$tool: --help and the man page name different options: $(cat "$work/$tool.diff")"
done
manual=(travelkin-search travelkin-devsim)
$gui && manual+=(travelkin)
for tool in "${manual[@]}"; do
  [ "$(man -w "$tool")" = "/usr/share/man/man1/$tool.1.gz" ] || fail "man $tool finds '$(man -w "$tool" 2>&1)'"
  MANWIDTH=80 man --warnings "$tool" 2>"$work/$tool.man-warnings" >/dev/null
  [ ! -s "$work/$tool.man-warnings" ] || fail "$tool man page: $(cat "$work/$tool.man-warnings")"
done

# ---- the capability at work, in the test network -----------------------------------------

step "an ordinary user's search, with and without the capability"
"$testnet" up "$net"
"$testnet" addrs "$net" a 192.0.2.10 1
# Answers only the broadcast query: found only by a search that could bind port 67.
"$testnet" exec "$net" a /usr/bin/travelkin-devsim --first-address 192.0.2.10 --protocol broadcast \
  --no-notify --seconds 60 2>"$work/devsim.log" &
sim_pid=$!
sleep 0.5
cp /usr/bin/travelkin-search "$work/travelkin-search"   # a copy carries no capability
: >"$work/with.log"; : >"$work/without.log"
chown nobody "$work/with.log" "$work/without.log"
as_user() {  # log, program, arguments...
  local log=$1; shift
  "$testnet" exec "$net" search setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env TRAVELKIN_LOG="$log" "$@"
}
as_user "$work/with.log" /usr/bin/travelkin-search --expect 1 --seconds 5 >"$work/with.out" \
  || fail "with the capability, the broadcast-only device was not found: $(cat "$work/with.out")"
! grep -q "Permission denied" "$work/with.log" || fail "with the capability: $(grep -a Error "$work/with.log")"
as_user "$work/without.log" "$work/travelkin-search" --expect 1 --seconds 2 >"$work/without.out" \
  && fail "without the capability the broadcast-only device was found: $(cat "$work/without.out")"
grep -aq "SendThread 67 : Create Search Device Work Thread Error : bind: Permission denied" \
  "$work/without.log" || fail "the log does not say why the broadcast search is off: $(cat "$work/without.log")"
if $gui; then
  # The window program searches as soon as it starts; it runs off-screen for a few seconds
  # with a data folder of its own and ends on SIGTERM.
  mkdir "$work/data"
  : >"$work/window.log"
  chown nobody "$work/data" "$work/window.log"
  as_user "$work/window.log" env QT_QPA_PLATFORM=offscreen HOME="$work/data" \
    TRAVELKIN_DATA_ROOT="$work/data" timeout -k 2 3 /usr/bin/travelkin >"$work/window.out" 2>&1 || true
  grep -aq "Search 67 Thread Find Device ID : dev0, IP : 192.0.2.10" "$work/window.log" \
    || fail "the installed window program did not find the device by broadcast: $(tail -n 20 "$work/window.out")"
fi
kill "$sim_pid" 2>/dev/null || true
wait "$sim_pid" 2>/dev/null || true
sim_pid=""
"$testnet" down "$net"

# ---- removal -----------------------------------------------------------------------------

step "apt-get purge travelkin"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q travelkin >"$work/apt-purge.log" 2>&1 \
  || fail "apt-get purge: $(tail -n 20 "$work/apt-purge.log")"
[ "$(package_state)" = not-installed ] || fail "still known to dpkg after purge: $(package_state)"
for path in "${expected[@]}"; do
  [ ! -e "/$path" ] || fail "/$path is left after removal"
done

# ---- cmake --install and the uninstall target --------------------------------------------

step "cmake --install and the uninstall target"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for path in "${expected[@]}"; do
  [ -f "$prefix/${path#usr/}" ] || fail "cmake --install did not install $prefix/${path#usr/}"
done
cmake --build "$build" --target uninstall >/dev/null
left=$(find "$prefix" -not -type d)
[ -z "$left" ] || fail "left after the uninstall target: $left"

echo "PASS: package $(basename "$deb") ($(wc -l <"$work/files") files)"
