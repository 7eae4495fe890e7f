#!/usr/bin/env bash
# Builds a static Qt for Windows (Core, Gui, Widgets, the "windows" platform plugin) once per
# machine, from Debian's own qt6-base source and MinGW-w64, with the options of
# cmake/qt-windows.options, into a cache folder outside the checkout:
#   ${TRAVELKIN_QT_CACHE:-/var/cache/travelkin}/qt-<version>-mingw-<hash of the options>
# A complete cache (it holds .complete) is reused at once; an interrupted build never
# completes one, since Qt is installed beside it and moved into place only when whole.
# Prints the cache folder on its last line.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/tools/as-root.sh"
reexec_as_root "Building Qt for Windows into /var/cache" "$top/tools/build-qt-windows.sh"

started=$(date +%s)
say() { printf '[qt-windows %4ds] %s\n' $(( $(date +%s) - started )) "$*" >&2; }
options_file=$top/cmake/qt-windows.options
mapfile -t options < <(grep -v '^[[:space:]]*\(#\|$\)' "$options_file")

version=$(qtpaths6 --query QT_VERSION)
hash=$(sha256sum "$options_file" | cut -c 1-12)
cache_root=${TRAVELKIN_QT_CACHE:-/var/cache/travelkin}
prefix=$cache_root/qt-$version-mingw-$hash
if [ -f "$prefix/.complete" ]; then
  say "reusing $prefix"
  echo "$prefix"
  exit 0
fi

# ---- the source: Debian's qt6-base, the version of the host's Qt ---------------------------
has_source_entries() { apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package: qt6-base'; }
add_source_entries() {
  # deb-src twins of the configured Debian archive entries (deb822 and one-line formats).
  local list=/etc/apt/sources.list.d/travelkin-deb-src.sources file
  : >"$list"
  for file in /etc/apt/sources.list.d/*.sources; do
    [ "$file" = "$list" ] && continue
    grep -qi '^URIs:.*debian' "$file" || continue
    sed 's/^Types:.*/Types: deb-src/' "$file" >>"$list"
    echo >>"$list"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list >/etc/apt/sources.list.d/travelkin-deb-src.list
  fi
  say "no deb-src entry for the Debian archive: added $list (and .list for sources.list)"
  apt-get update -q >/dev/null
}
has_source_entries || { apt-get update -q >/dev/null; has_source_entries; } || add_source_entries
has_source_entries || { echo "qt6-base's source cannot be found in the configured archives" >&2; exit 1; }

host_package=$(dpkg-query -W -f '${Version}' qt6-base-dev)
work=${TRAVELKIN_QT_WORK:-/var/tmp/travelkin-qt-$version-$hash}
mkdir -p "$work"
source_dir=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' -print -quit)
if [ -z "$source_dir" ] || [ ! -f "$work/.unpacked" ]; then
  rm -rf "$work"/qt6-base-* "$work"/*.dsc "$work"/*.tar.* "$work/.unpacked"
  say "downloading and unpacking qt6-base $host_package (apt-get source)"
  (cd "$work" && apt-get source -q "qt6-base=$host_package" >"$work/source.log" 2>&1) \
    || { tail -n 20 "$work/source.log" >&2; exit 1; }
  touch "$work/.unpacked"
  source_dir=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' -print -quit)
fi
source_version=$(sed -n 's/.*set(QT_REPO_MODULE_VERSION "\([0-9.]*\)").*/\1/p' "$source_dir/.cmake.conf")
[ "$source_version" = "$version" ] \
  || { echo "the source is Qt $source_version, the host's Qt is $version" >&2; exit 1; }

# ---- configure, build, install beside the cache, then move it into place ---------------------
build_dir=$work/build
partial=$prefix.partial
rm -rf "$partial"
say "configuring Qt $version for Windows ($(basename "$prefix"))"
cmake -S "$source_dir" -B "$build_dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/MinGW64.toolchain.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$(qtpaths6 --query QT_HOST_LIBS)/cmake" \
  -DCMAKE_INSTALL_PREFIX="$partial" "${options[@]}" >"$work/configure.log" 2>&1 \
  || { tail -n 40 "$work/configure.log" >&2; exit 1; }
say "building (about 900 steps; progress every 100)"
progress() {  # ninja's "[step/steps]" lines in, every hundredth step out
  local line step
  while IFS= read -r line; do
    [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]] || continue
    step=${BASH_REMATCH[1]}
    if (( step % 100 == 0 || step == BASH_REMATCH[2] )); then say "step $step of ${BASH_REMATCH[2]}"; fi
  done
}
cmake --build "$build_dir" -j "$(nproc)" 2>&1 | tee "$work/build.log" | progress
[ "${PIPESTATUS[0]}" -eq 0 ] || { grep -A 20 -m 1 'FAILED' "$work/build.log" >&2; exit 1; }
say "installing"
cmake --install "$build_dir" >"$work/install.log" 2>&1 || { tail -n 20 "$work/install.log" >&2; exit 1; }
touch "$partial/.complete"
rm -rf "$prefix"
mv "$partial" "$prefix"
say "done in $(( $(date +%s) - started )) s: $prefix"
echo "$prefix"
