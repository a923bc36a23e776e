#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages. Quick and
# silent when everything is already there; safe to run again.
set -euo pipefail

PACKAGES=(
  g++ cmake make python3 googletest
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine32:i386 wine64
  xvfb xauth xdotool imagemagick iproute2
  fonts-wine fonts-liberation fonts-dejavu-core fonts-freefont-ttf fonts-ipafont-gothic fonts-thai-tlwg fonts-wqy-zenhei locales-all
  libclang-rt-14-dev clang
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
