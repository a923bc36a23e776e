#!/usr/bin/env bash
# Runs a Windows program under Wine in one of the build's own prefixes.
#
#   wine-run.sh --root DIR [--version winxp] [--arch win64|win32] [--fresh] PROGRAM [ARGS...]
#
# Prefixes live under DIR (the build folder), never in the user's home: a
# template per prefix kind is made once with wineboot, and each emulated Windows
# version gets a copy with its version set. --fresh runs in a throw-away copy
# (for tests that change system state), deleted afterwards. The environment
# variables WINE_VERSION and WINE_ARCH give the defaults, so CTest can set them
# per test.
#
# A kept-alive wineserver is started with its own standard streams before the
# program runs: Wine's helper processes inherit the streams of the first
# process of a server session and would otherwise hold CTest's pipe open.
set -euo pipefail

root="" version="${WINE_VERSION:-winxp}" arch="${WINE_ARCH:-win64}" fresh=0
while [ $# -gt 0 ]; do
  case "$1" in
    --root) root="$2"; shift 2 ;;
    --version) version="$2"; shift 2 ;;
    --arch) arch="$2"; shift 2 ;;
    --fresh) fresh=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ -n "$root" ] || { echo "wine-run: --root is required" >&2; exit 2; }
[ $# -ge 1 ] || { echo "wine-run: no program" >&2; exit 2; }

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH="$arch"
# The 64-bit loader runs 64-bit programs without the 32-bit half of Wine,
# which needs IA-32 support in the kernel that not every host has.
if [ "$arch" = win64 ]; then
  wine=/usr/lib/wine/wine64
  export WINELOADER=$wine
else
  wine=wine
fi
mkdir -p "$root"
root=$(cd "$root" && pwd)

quiet() { "$@" </dev/null >/dev/null 2>&1; }

# make_prefix DIR VERSION: template once per kind, then a copy per version.
make_prefix() {
  local dir="$1" ver="$2" tmpl="$root/template-$arch"
  exec 9>"$root/.lock-$arch"
  flock 9
  if [ ! -f "$tmpl/.ready" ]; then
    rm -rf "$tmpl"
    WINEPREFIX="$tmpl" quiet "$wine" wineboot -i
    # No display is needed for these tests; windows still exist with the
    # null driver. Under Xvfb Wine draws its own frames (no window manager).
    WINEPREFIX="$tmpl" quiet "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    WINEPREFIX="$tmpl" quiet "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    WINEPREFIX="$tmpl" quiet wineserver -w
    touch "$tmpl/.ready"
  fi
  if [ ! -f "$dir/.ready" ]; then
    rm -rf "$dir"
    cp -a "$tmpl" "$dir"
    rm -f "$dir/.ready"
    WINEPREFIX="$dir" quiet "$wine" reg add 'HKCU\Software\Wine' /v Version /d "$ver" /f
    WINEPREFIX="$dir" quiet wineserver -w
    touch "$dir/.ready"
  fi
  flock -u 9
}

prefix="$root/$arch-$version"
make_prefix "$prefix" "$version"
if [ "$fresh" = 1 ]; then
  run="$root/run-$arch-$version-$$"
  rm -rf "$run"
  cp -a "$prefix" "$run"
  prefix="$run"
  trap 'WINEPREFIX="$run" quiet wineserver -k; rm -rf "$run"' EXIT
fi
export WINEPREFIX="$prefix"
quiet wineserver -p30 || true
quiet "$wine" cmd /c exit || true

prog="$1"; shift
set +e
"$wine" "$prog" "$@" </dev/null
rc=$?
set -e
exit $rc
