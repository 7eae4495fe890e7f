#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and the demonstration need.
# Does nothing when they are all present; otherwise asks for root only to install them.
set -euo pipefail
source "$(dirname "$0")/as-root.sh"

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  libboost-dev libboost-system-dev libboost-date-time-dev libpugixml-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libx11-dev libfontconfig-dev libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  iproute2 nftables jq gupnp-tools xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core fonts-wqy-microhei
  weston qt6-wayland
  at-spi2-core python3-pyatspi dbus-x11
  dpkg-dev file desktop-file-utils appstream libcap2-bin xdg-utils man-db lintian
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root apt-get update
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
