#!/usr/bin/env bash
# What the program says it did is true, and only one copy runs: the real
# TwainSetup.exe under Wine (Windows XP), one fresh prefix, one twdriver
# script, the demo package and a copy of it without EXMSC16.dll:
#   second-copy    a second start while the first copy shows its model page
#                  in German: it shows no window and ends with 0; the first
#                  copy then installs model 1800 with German texts
#   missing-file   model 1600 from the broken copy, in English and in German:
#                  the install says it failed, naming EXMSC16.dll, and leaves
#                  no folder of the model
#   settings       a folder stands where model 1600's settings INI goes: the
#                  install fails, naming the INI, and leaves nothing of the model
#   upgrade        a folder stands where EXMFP18.lng goes and EXMFP18.ds holds
#                  bytes of its own: the upgrade fails, naming EXMFP18.lng,
#                  and EXMFP18.ds keeps its bytes
#   removal        in German, with that folder still there: the removal says
#                  what stays; once the folder is gone, removal completes
# The search is never pressed: nothing is sent, no namespace is needed.
#
#   outcome.sh --wine-root DIR --exe TwainSetup.exe --driver twdriver.exe
#              [--arch win64] [--work DIR]
# Last line: "N passed, M failed". KEEP_WORK=1 keeps the work folder.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

wine_root="" arch=win64 exe="" driver="" work_root=""
. "$repo/tests/lib/options.sh"  # tw_options, tw_require
tw_options "wine-root arch exe driver work" "$@"
tw_require wine_root exe driver
. "$repo/tests/lib/twscript.sh"  # winpath, str, tw_to_choice, tw_finish, failure_text
. "$repo/tests/lib/check.sh"     # passed, failed, ok, bad, expect, has, starts
tw_work outcome
tw_session                       # EXE, DRV, W, SYS, TW, prefix, drive
cp "$exe" "$work/TwainSetup.exe"
EXE=$(winpath "$work/TwainSetup.exe")
cp -a "$repo/examples/package" "$work/pkg"
cp -a "$repo/examples/package" "$work/broken"
rm "$work/broken/WIN2K_XP/ENGLISH/EXMSC16.dll" "$work/broken/WIN2K_XP/GERMAN/EXMSC16.dll"
M16="Example MFP 1600 Series" M18="Example MFP 1800 Series"

install() {  # install LANGUAGE MODEL [failed]
  tw_to_choice "$EXE" "$1" "$2"
  printf '%s\n' "wait 1007,1012 10000" "press 1" "gone" "wait 1001,1003 10000" "type address 10.0.0.9" "press 1"
  if [ -n "${3:-}" ]; then tw_finish_any; else tw_finish "$(str "${1^^}" 41)"; fi
  tw_end
}
choice() {  # choice LANGUAGE MODEL RADIO: upgrade (1009) or remove (1010), to its end
  tw_to_choice "$EXE" "$1" "$2"
  printf '%s\n' "wait 1009,1010 10000" "check $3" "press 1"
  tw_finish_any
  tw_end
}
shell() { printf '%s\n' "start $SYS\\cmd.exe /c $*" "waitexit 30000"; }

{
  echo "echo mark: second-copy"
  echo "cd $(winpath "$work/pkg")"
  echo "debugwatch"
  tw_to_models "$EXE" German
  echo "run 30000 $EXE"
  echo "debugout 5000 TwainSetup: another copy is running"
  printf '%s\n' "selecttext 1014 $M18" "press 1" "gone" "wait 1007,1012 10000" "textx 1012" "press 1" "gone"
  printf '%s\n' "wait 1001,1003 10000" "type address 10.0.0.8" "press 1"
  tw_finish "$(str GERMAN 41)"
  tw_end
  echo "echo mark: missing-file"
  echo "cd $(winpath "$work/broken")"
  install English "$M16" failed
  echo "exists $TW\\EXMFP16"
  install German "$M16" failed
  echo "exists $TW\\EXMFP16"
  echo "echo mark: settings"
  echo "cd $(winpath "$work/pkg")"
  shell "mkdir %TEMP%\\EXMFP16.INI"
  install English "$M16" failed
  echo "exists $TW\\EXMFP16"
  shell "rmdir %TEMP%\\EXMFP16.INI"
  echo "echo mark: upgrade"
  echo "write $TW\\EXMFP18\\EXMFP18.ds old bytes"
  shell "del $TW\\EXMFP18\\EXMFP18.lng & mkdir $TW\\EXMFP18\\EXMFP18.lng"
  choice English "$M18" 1009
  echo "copy $TW\\EXMFP18\\EXMFP18.ds $W\\ds-after-upgrade"
  echo "echo mark: removal"
  choice German "$M18" 1010
  echo "exists $TW\\EXMFP18"
  shell "rmdir $TW\\EXMFP18\\EXMFP18.lng"
  choice English "$M18" 1010
  echo "exists $TW\\EXMFP18"
  echo "echo mark: end"
} >"$work/outcome.tw"

bash "$repo/tests/wine/wine-run.sh" --root "$wine_root" --arch "$arch" --version winxp \
  --fresh-keep "$prefix" "$driver" -f "$(winpath "$work/outcome.tw")" >"$work/out" 2>&1
rc=$?
out=$(tr -d '\r' <"$work/out")

expect "twdriver's exit code" "$rc" 0
has "script ran to its end" "$out" "mark: end"
tw_judge_runs "$out" "$work/outcome.tw"

p=$(part second-copy)
has "second copy: no window, exit 0" "$p" "run: exit 0, windows 0"
has "second copy: it saw the first" "$p" "debug: TwainSetup: another copy is running"
has "second copy: the first keeps German" "$p" "textx 1012: $(str GERMAN 29)"
has "second copy: the first installs in German" "$p" "textx 1012: $(str GERMAN 41)"
p=$(part missing-file)
has "missing file: English" "$p" "textx 1012: $(failure_text ENGLISH 73 EXMSC16.dll 2)"
has "missing file: German" "$p" "textx 1012: $(failure_text GERMAN 73 EXMSC16.dll 2)"
expect "missing file: no folder of the model" "$(grep -c "^exists .*EXMFP16: 0$" <<<"$p")" 2
p=$(part settings)
starts "settings: the install names the INI" "$p" "textx 1012: $(str ENGLISH 73)\n\n$(str ENGLISH 77 | sed 's/%1.*//')EXMFP16.INI ("
has "settings: no folder of the model" "$p" "exists $TW\\EXMFP16: 0"
p=$(part upgrade)
has "upgrade: names the file it could not replace" "$p" "textx 1012: $(failure_text ENGLISH 74 EXMFP18.lng 5)"
expect "upgrade: the old file keeps its bytes" "$(tr -d '\r' <"$work/ds-after-upgrade" 2>/dev/null)" "old bytes"
p=$(part removal)
has "removal: says what stays (German)" "$p" "textx 1012: $(failure_text GERMAN 75 EXMFP18.lng 5 1)"
has "removal: the folder stays" "$p" "exists $TW\\EXMFP18: 1"
has "removal: then completes" "$p" "textx 1012: $(str ENGLISH 43)"
has "removal: then the folder is gone" "$p" "exists $TW\\EXMFP18: 0"

[ "$failed" -eq 0 ] || { echo "--- twdriver output"; tail -n 60 <<<"$out"; }
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
