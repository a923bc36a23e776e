#!/usr/bin/env bash
# Runs a Windows program under Wine in one of the build's own prefixes.
#
#   wine-run.sh --root DIR [--version winxp] [--arch win64|win32] [--fresh | --fresh-keep COPY]
#               [--reg FILE.reg] PROGRAM [ARGS...]
#   wine-run.sh --again COPY PROGRAM [ARGS...]
#
# Prefixes live under DIR (the build folder), never in the user's home: a
# template per prefix kind is made once with wineboot, and each emulated Windows
# version gets a copy with its version set. --fresh runs in a throw-away copy
# (for tests that change system state), deleted afterwards; --fresh-keep COPY
# makes that copy at COPY (replacing what is there) and keeps it, its server
# stopped so that the registry files are written, for a test to inspect
# drive_c and the registry afterwards (the test deletes it); --again COPY runs
# the next program in such a copy as it was left, in a new server session
# (e.g. after the caller flushed the disk between two timed steps). --reg imports a
# registry file into the fresh copy before the program's server session starts
# (e.g. the X11 display driver in place of the tests' null driver). The environment
# variables WINE_VERSION and WINE_ARCH give the defaults, so CTest can set them
# per test; TW_WINEDEBUG sets WINEDEBUG (default -all) for a look inside.
#
# A kept-alive wineserver is started with its own standard streams before the
# program runs: Wine's helper processes inherit the streams of the first
# process of a server session and would otherwise hold CTest's pipe open.
set -euo pipefail

root="" version="${WINE_VERSION:-winxp}" arch="${WINE_ARCH:-win64}" fresh=0 keep="" regfile="" again=""
while [ $# -gt 0 ]; do
  case "$1" in
    --root) root="$2"; shift 2 ;;
    --version) version="$2"; shift 2 ;;
    --arch) arch="$2"; shift 2 ;;
    --fresh) fresh=1; shift ;;
    --fresh-keep) fresh=1; keep="$2"; shift 2 ;;
    --reg) regfile="$2"; shift 2 ;;
    --again) again="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ -n "$root" ] || [ -n "$again" ] || { echo "wine-run: --root is required" >&2; exit 2; }
[ $# -ge 1 ] || { echo "wine-run: no program" >&2; exit 2; }

export WINEDEBUG="${TW_WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH="$arch"
# The 64-bit loader runs 64-bit programs without the 32-bit half of Wine,
# which needs IA-32 support in the kernel that not every host has.
if [ "$arch" = win64 ]; then
  wine=/usr/lib/wine/wine64
  export WINELOADER=$wine
else
  wine=wine
fi
if [ -n "$again" ]; then
  [ -f "$again/system.reg" ] || { echo "wine-run: $again is no prefix" >&2; exit 2; }
  root=$(cd "$again/.." && pwd)
else
  mkdir -p "$root"
  root=$(cd "$root" && pwd)
fi

quiet() { "$@" </dev/null >/dev/null 2>&1; }

# copy_prefix FROM TO: a prefix is some 700 MB, nearly all of it Wine's own
# program files, which neither Wine nor the program under test ever rewrites
# in place (they are replaced or deleted, which leaves the source alone). Those
# are hard links; everything else (registry, INI and INF files, the update
# stamp) is a real copy, so a test's writes never reach another prefix.
copy_prefix() {
  local from="$1" to="$2"
  rm -rf "$to"
  cp -al "$from" "$to"
  (cd "$from" && find . -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' \
      -o -iname '*.sys' -o -iname '*.ocx' -o -iname '*.acm' -o -iname '*.cpl' \
      -o -iname '*.nls' -o -iname '*.tlb' -o -iname '*.ttf' -o -iname '*.ax' \) -print0 |
    xargs -0 -r cp -a --remove-destination --parents -t "$to")
}

# The fonts every prefix gets (fonts.reg); a template made with other ones is
# made again, and so are the copies made from it.
fonts_reg="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/fonts.reg"
stamp=$(sha1sum "$fonts_reg" | cut -c1-12)
ready() { [ -f "$1/.ready" ] && [ "$(cat "$1/.ready")" = "$stamp" ]; }

# make_prefix DIR VERSION: template once per kind, then a copy per version.
make_prefix() {
  local dir="$1" ver="$2" tmpl="$root/template-$arch"
  exec 9>"$root/.lock-$arch"
  flock 9
  if ! ready "$tmpl"; then
    rm -rf "$tmpl"
    WINEPREFIX="$tmpl" quiet "$wine" wineboot -i
    # No display is needed for these tests; windows still exist with the
    # null driver. Under Xvfb Wine draws its own frames (no window manager).
    WINEPREFIX="$tmpl" quiet "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
    WINEPREFIX="$tmpl" quiet "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
    WINEPREFIX="$tmpl" quiet "$wine" reg import "Z:${fonts_reg//\//\\}"
    WINEPREFIX="$tmpl" quiet wineserver -w
    echo "$stamp" >"$tmpl/.ready"
  fi
  if ! ready "$dir"; then
    copy_prefix "$tmpl" "$dir"
    rm -f "$dir/.ready"
    WINEPREFIX="$dir" quiet "$wine" reg add 'HKCU\Software\Wine' /v Version /d "$ver" /f
    WINEPREFIX="$dir" quiet wineserver -w
    echo "$stamp" >"$dir/.ready"
  fi
  flock -u 9
}

# The version prefix stays as wineboot left it: fresh copies start from it,
# so what one test leaves behind never reaches another. Plain runs share a
# copy of their own.
if [ -n "$again" ]; then
  prefix=$(cd "$again" && pwd)
  trap 'WINEPREFIX="$prefix" quiet wineserver -k' EXIT
else
  pristine="$root/$arch-$version"
  make_prefix "$pristine" "$version"
  prefix="$pristine"
  if [ "$fresh" = 0 ]; then
    prefix="$root/shared-$arch-$version"
    exec 9>"$root/.lock-$arch"
    flock 9
    if ! ready "$prefix"; then
      copy_prefix "$pristine" "$prefix"
    fi
    flock -u 9
  fi
  if [ -n "$keep" ]; then
    mkdir -p "$(dirname "$keep")"
    run="$(cd "$(dirname "$keep")" && pwd)/$(basename "$keep")"
    copy_prefix "$prefix" "$run"
    rm -f "$run/.ready"
    prefix="$run"
    trap 'WINEPREFIX="$run" quiet wineserver -k' EXIT
  elif [ "$fresh" = 1 ]; then
    run="$root/run-$arch-$version-$$"
    copy_prefix "$prefix" "$run"
    prefix="$run"
    trap 'WINEPREFIX="$run" quiet wineserver -k; rm -rf "$run"' EXIT
  fi
fi
export WINEPREFIX="$prefix"
if [ -n "$regfile" ]; then
  [ "$fresh" = 1 ] || { echo "wine-run: --reg needs --fresh or --fresh-keep" >&2; exit 2; }
  regfile=$(cd "$(dirname "$regfile")" && pwd)/$(basename "$regfile")
  quiet "$wine" reg import "Z:${regfile//\//\\}" || true
  quiet wineserver -w   # the drivers are chosen when a server session starts
fi
quiet wineserver -p30 || true
quiet "$wine" cmd /c exit || true

prog="$1"; shift
set +e
"$wine" "$prog" "$@" </dev/null
rc=$?
set -e
exit $rc
