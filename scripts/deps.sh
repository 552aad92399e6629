#!/usr/bin/env bash
# Installs every Debian package that building, testing, the demo and the
# screenshots need. Safe to run again: apt skips what is already there.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libusb-1.0-0-dev libcli11-dev libicu-dev
  umockdev libumockdev-dev gir1.2-umockdev-1.0 python3-gi
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64 wine wine64 fonts-wine
  locales
  xvfb xauth imagemagick fonts-wqy-microhei xdotool
  dpkg-dev file
  libcurl4-openssl-dev openssl ca-certificates
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
