#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages. Quick and
# silent when everything is already there; safe to run again.
#
# A registry that is partly out of step (an index caught mid-sync, a package
# whose dependencies are not listed yet) must not stop the whole set-up: an
# index that fails makes apt-get update warn, a transient failure is tried
# once more, and Wine's 32-bit half, which only the i686 product's Wine tests
# need, is installed on its own so that its failure leaves everything else in
# place. Those tests then report as skipped (tests/wine/ia32.sh says why).
set -euo pipefail

PACKAGES=(
  g++ cmake make python3 googletest
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-tools
  wine wine64
  xvfb xauth xdotool imagemagick iproute2
  fonts-wine fonts-liberation fonts-dejavu-core fonts-freefont-ttf fonts-ipafont-gothic fonts-thai-tlwg fonts-wqy-zenhei locales-all
  libclang-rt-14-dev clang
  osslsigncode openssl snmpd netbase
)
# Wanted, not needed: without it the x86-64 build stands in under Wine.
OPTIONAL=(${TW_SETUP_OPTIONAL:-wine32:i386})

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for p in "${PACKAGES[@]}"; do installed "$p" || missing+=("$p"); done
optional=()
for p in "${OPTIONAL[@]}"; do installed "$p" || optional+=("$p"); done
# An optional package the registry refused today is not asked for again
# until tomorrow: every make would otherwise wait for the registry.
stamp=${TW_SETUP_STAMP:-build/.setup-optional-refused}
[ ${#missing[@]} -eq 0 ] && [ "$(cat "$stamp" 2>/dev/null)" = "$(date +%F) ${optional[*]}" ] && optional=()
[ ${#missing[@]} -eq 0 ] && [ ${#optional[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
echo "setup: installing ${missing[*]:-}${missing[*]:+ }${optional[*]:-}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

# Twice, then go on with what the indexes that did arrive list: one index out
# of step with its release file fails the whole update, not the packages.
update() { $SUDO apt-get update -qq; }
if ! update; then
  echo "setup: apt-get update failed; trying once more"
  sleep 3
  update || echo "setup: warning: some package indexes could not be read; going on with those that were"
fi

apt_install() { $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
if [ ${#missing[@]} -gt 0 ] && ! apt_install "${missing[@]}"; then
  echo "setup: installing failed; trying once more"
  sleep 3
  apt_install "${missing[@]}" || { echo "setup: could not install ${missing[*]}" >&2; exit 1; }
fi
refused=()
for p in "${optional[@]}"; do
  apt_install "$p" 2>/dev/null || refused+=("$p")
done
if [ ${#refused[@]} -gt 0 ]; then
  echo "setup: ${refused[*]} could not be installed from the registry today, so the i686 product's Wine tests will be skipped (the x86-64 build runs them)"
  mkdir -p "$(dirname "$stamp")" && echo "$(date +%F) ${refused[*]}" >"$stamp"
fi
exit 0
