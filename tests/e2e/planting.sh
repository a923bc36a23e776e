#!/usr/bin/env bash
# DLL planting: a package folder that someone has salted with libraries named
# after those the program loads at run time, by name or through its import
# table. A copy of the demo package gets the planted library
# (tests/e2e/planting/planted_dll.cpp: a process that loads it leaves
# C:\planted-<library>-<program>.txt behind) under every such name, and
# TwainSetup.exe is copied into the package root and started from there.
# twdriver installs a model with a typed address (no search: no namespace is
# needed), then removes it, so that the language and driver-setup libraries,
# comctl32 (the address field), setupapi (the clean-up) and what the
# driver-setup library loads are all loaded. No marker of TwainSetup.exe may
# exist afterwards. As a control, a probe started from the same folder first
# loads each name bare: each must leave its marker, or the test proves nothing.
# One Wine session in a throw-away prefix (kept until the markers are read,
# then deleted); the prefix prefers native libraries for the planted names
# that Wine also has built in, so a search that reached the package folder
# would take the planted copy, as Windows would for a library that is not a
# known DLL.
#
#   planting.sh --wine-root DIR --arch win64 --exe TwainSetup.exe --driver twdriver.exe
#               --dll planted.dll --probe probe.exe [--work DIR]
# Last line: "N passed, M failed". KEEP_WORK=1 keeps the work folder.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

wine_root="" arch=win64 exe="" driver="" dll="" probe="" work_root=""
. "$repo/tests/lib/options.sh"  # tw_options, tw_require
tw_options "wine-root arch exe driver dll probe work" "$@"
tw_require wine_root exe driver dll probe
[ -n "$work_root" ] || work_root=$wine_root
. "$repo/tests/lib/twscript.sh"
tw_work planting


# Every library the program, or the driver-setup library inside it, loads at
# run time by a name, and the libraries of its import table that Windows does
# not take from its known-DLL list (comctl32, wsock32): the loader looks for
# those in the program's folder first, before the program's first line runs.
names=(DrvSetupLang.dll DrvSetup.dll setupapi.dll comctl32.dll newdev.dll winspool.drv wsock32.dll)

pkg=$work/pkg
cp -a "$repo/examples/package" "$pkg"
cp "$exe" "$pkg/TwainSetup.exe"
cp "$probe" "$pkg/probe.exe"
for n in "${names[@]}"; do cp "$dll" "$pkg/$n"; done

# Native before built-in for the names Wine has built in (only in this prefix).
{
  echo 'REGEDIT4'
  echo
  echo '[HKEY_CURRENT_USER\Software\Wine\DllOverrides]'
  echo '"setupapi"="native,builtin"'
  echo '"comctl32"="native,builtin"'
  echo '"newdev"="native,builtin"'
  echo '"winspool.drv"="native,builtin"'
  echo '"wsock32"="native,builtin"'
} >"$work/native.reg"

PKG=$(winpath "$pkg")
{
  echo "cd $PKG"
  echo "echo mark: control"
  echo "start $PKG\\probe.exe ${names[*]}"
  echo "waitexit 30000"
  echo "echo mark: install"
  tw_to_choice "$PKG\\TwainSetup.exe" English "Example MFP 1800 Series"
  echo "wait 1007,1012 10000"
  echo "press 1"
  echo "gone"
  echo "wait 1001,1003 10000"
  echo "type address 192.168.40.7"
  echo "press 1"
  tw_finish "$(str ENGLISH 41)"
  tw_end
  echo "echo mark: remove"
  tw_to_choice "$PKG\\TwainSetup.exe" English "Example MFP 1800 Series"
  echo "wait 1009,1010 10000"
  echo "check 1010"
  echo "press 1"
  tw_finish "$(str ENGLISH 43)"
  tw_end
} >"$work/planting.tw"

bash "$repo/tests/wine/wine-run.sh" --root "$wine_root" --arch "$arch" --version winxp \
  --fresh-keep "$work/prefix" --reg "$work/native.reg" "$driver" -f "$(winpath "$work/planting.tw")" >"$work/out" 2>&1
rc=$?
out=$(tr -d '\r' <"$work/out")

. "$repo/tests/lib/check.sh"  # passed, failed, ok, bad, expect, has

[ "$rc" -eq 0 ] && ok || bad "twdriver's exit code $rc"
has "install ended" "$(part install)" "exit: 0"
has "removal ended" "$(part remove)" "exit: 0"
# The markers, whatever letter case the loader gave the library's name.
markers=$(cd "$work/prefix/drive_c" && ls planted-*.txt 2>/dev/null | tr 'A-Z' 'a-z')
for n in "${names[@]}"; do
  n=$(tr 'A-Z' 'a-z' <<<"$n")
  if grep -qxF "planted-$n-twainsetup.exe.txt" <<<"$markers"; then
    bad "TwainSetup.exe loaded the planted $n ($(find "$work/prefix/drive_c" -maxdepth 1 \
      -iname "planted-$n-twainsetup.exe.txt" -exec cat {} \;))"
  else ok; fi
  grep -qxF "planted-$n-probe.exe.txt" <<<"$markers" && ok ||
    bad "control: the planted $n did not load by bare name from the package folder"
done
[ "$failed" -eq 0 ] || { echo "--- twdriver output"; echo "$out"; }
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
