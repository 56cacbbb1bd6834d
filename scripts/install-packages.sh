#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the example run
# need. Does nothing when all of them are present already.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-dev llvm pkg-config python3 time
  googletest libbenchmark-dev
  libcairo2-dev libfontconfig-dev libfreetype-dev libgdk-pixbuf-2.0-dev libcups2-dev fonts-liberation
  libharfbuzz-dev libdeflate-dev libturbojpeg0-dev libpng-dev fonts-urw-base35 mupdf-tools python3-pil
  nlohmann-json3-dev neovim
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 xvfb xdotool x11-utils imagemagick
  cups cups-client printer-driver-cups-pdf poppler-utils qpdf
  cups-ipp-utils avahi-daemon dbus librsvg2-bin
  dpkg-dev file groff-base man-db mandoc
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
