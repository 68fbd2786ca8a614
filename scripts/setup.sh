#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine. Idempotent:
# packages already present are not installed again.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev libcapstone-dev
  g++-multilib qemu-user-static
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32 wine64 libwine
  xvfb xauth imagemagick x11-utils xdotool
  fonts-wqy-microhei libgtk-3-dev libwebkit2gtk-4.1-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
