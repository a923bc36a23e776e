#!/usr/bin/env bash
# Whether this host runs 32-bit x86 code: Wine's 32-bit half, and so the real
# i686 TwainSetup.exe, needs IA-32 support in the host's kernel and the
# 32-bit C library. Hosts without it run the x86-64 build of the same sources.
#
#   ia32.sh                 exit 0 when the host runs 32-bit code, else 1 and why
#   ia32.sh --gate CMD...   run CMD where it does; elsewhere say why and exit 77,
#                           which CTest reports as skipped (SKIP_RETURN_CODE)
#   ia32.sh --say           one line for the end of a test run: what ran
# TW_NO_IA32=1 makes a host that runs 32-bit code answer as one that does not.
set -u

why=""
if [ -n "${TW_NO_IA32:-}" ]; then  # to see a host without it from one with it
  why="TW_NO_IA32 is set"
elif [ ! -e /lib/ld-linux.so.2 ]; then
  why="no 32-bit C library (/lib/ld-linux.so.2)"
elif ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  why="the kernel runs no 32-bit code (no IA-32 emulation)"
elif [ ! -x /usr/lib/wine/wine ]; then  # set-up could not install wine32:i386
  why="Wine's 32-bit half (wine32:i386) is not installed"
fi

case "${1:-}" in
  --gate)
    shift
    [ -z "$why" ] && exec "$@"
    echo "skipped: the i686 product needs Wine's 32-bit half, and on this host $why;" \
      "the same test ran on the x86-64 build of the same sources"
    exit 77
    ;;
  --say)
    if [ -z "$why" ]; then
      echo "Products run under Wine: the i686 product (build/win32) and the x86-64 build (build/win64)."
    else
      echo "Products run under Wine: the x86-64 build (build/win64) only; the i686 product's Wine tests" \
        "were skipped: $why."
    fi
    ;;
  *)
    [ -z "$why" ] && exit 0
    echo "$why"
    exit 1
    ;;
esac
