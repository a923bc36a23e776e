#!/usr/bin/env bash
# Unattended runs as deployment tools start them: the real TwainSetup.exe
# under Wine, one fresh prefix, each run started by twdriver's "run" (which
# says its exit code and how many windows it ever showed):
#   install   /S /lang=german /model=16 /ip=192.168.001.020 /log=FILE on XP:
#             exit 0, no window, the German files and the settings INI with
#             the address in its plain form, no library left in the system
#             folder, the log naming every file
#   upgrade   /S /upgrade with the model's name; /S /ip over the installed
#             model (an upgrade that writes the new address); /S while a
#             wizard (with /log) is open: 1618, logged
#   remove    /S /remove: 0; again: 1605 (and /upgrade: 1605)
#   stray     a model folder holding a stray file, no data source: /upgrade
#             1605, an install writes the whole driver, a removal clears it
#   bad       1639 for each kind of bad command line; a bad word before /S
#             and /log: no window, the log names it; a /log name too long
#             for a path overwrites nothing; ten runs leave ten default logs
#   failing   a package without EXMSC16.dll: 1603, nothing of the model left
#   win98     install and removal as Windows 98 (the WIN98_ME folder)
#   programs  the entry among the installed programs, as Wine's uninstaller
#             and reg see it (German name, version, commands, 32-bit view);
#             the quiet removal from the copy kept beside the driver, then a
#             restart: nothing left; the same on Windows 98 (WININIT.INI);
#             the removal started by "uninstaller --remove", the package
#             moved away: the confirmation page in German, the removal
#   network   (root) a silent install in a prefix whose wineserver lives in
#             a private network namespace with a simulated scanner
#             (tests/e2e/session.sh): the scanner receives no datagram
# Everything but the last runs without a namespace: no search is made.
#
#   silent.sh --wine-root DIR --exe TwainSetup.exe --driver twdriver.exe
#             [--arch win64] [--work DIR]
# Last line: "N passed, M failed". KEEP_WORK=1 keeps the work folder.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

wine_root="" arch=win64 exe="" driver="" work_root=""
. "$repo/tests/lib/options.sh"  # tw_options, tw_require
tw_options "wine-root arch exe driver work" "$@"
tw_require wine_root exe driver
. "$repo/tests/lib/twscript.sh"  # winpath, tw_session, part, tw_system_left
. "$repo/tests/lib/check.sh"     # passed, failed, ok, bad, expect, has
. "$repo/tests/lib/winfs.sh"     # on_disk, twain_dir, temp_dir
tw_work silent
tw_session                       # EXE, DRV, W, SYS, TW, prefix, drive
cp -a "$repo/examples/package" "$work/pkg"
cp -a "$repo/examples/package" "$work/broken"
rm "$work/broken/WIN2K_XP/ENGLISH/EXMSC16.dll"
cp "$exe" "$work/pkg/TwainSetup.exe"
cp "$exe" "$work/broken/TwainSetup.exe"
# The same package, a later version (DriverVer) of its INFs.
cp -a "$work/pkg" "$work/newer"
sed -i 's/^DriverVer=\(.*\),2\.10\.0\.0/DriverVer=\1,2.11.0.0/' "$work"/newer/*/*/*_T.INF
PKG=$(winpath "$work/pkg") EXE="TwainSetup.exe"
FILES16="EXMFP16.ds EXMSC16.dll EXMRES.dll EXMFP16.lng" FILES21="EXMFP21.ds EXMSC21.dll EXMRES.dll EXMFP21.hlp"
# A file whose full name takes the whole of a Windows path (259 characters).
long="$W\\$(printf 'L%.0s' $(seq $((259 - ${#W} - 1))))"

run() { echo "run 60000 $EXE $*"; }
# The journals of a run cut short (what the program writes before it moves
# anything), for the German files of model 16 over the English ones.
journal() {  # journal STATE
  local d='C:\windows\TWAIN_32\EXMFP16'
  printf 'TwainSetup journal 1\r\nfolder=%s\r\nstate=%s\r\n' "$d" "$1"
  printf 'file=%s\\%s|%s\\%s.tmp|%s\\%s.old|1\r\n' "$d" EXMFP16.ds "$d" twsA1 "$d" twsA1 "$d" EXMSC16.dll "$d" twsB2 "$d" twsB2 \
    "$d" EXMRES.dll "$d" twsC3 "$d" twsC3 "$d" EXMFP16.lng "$d" twsD4 "$d" twsD4
}
journal placing >"$work/placing.jnl"
# A package whose library is a real module (one of the program's language
# libraries, of this tree's architecture), so that a program can load it.
cp -a "$work/pkg" "$work/inuse"
for l in ENGLISH GERMAN; do cp "$(dirname "$exe")/lang/lang_$l.dll" "$work/inuse/WIN2K_XP/$l/EXMSC16.dll"; done
journal placed >"$work/placed.jnl"
UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
KEPT18="\"$TW\\EXMFP18_Setup\\TwainSetup.exe\"" KEPT21="\"$TW\\EXMFP21_Setup\\TwainSetup.exe\""
{
  echo "cd $PKG"
  echo "echo mark: install"
  run /S /lang=german /model=16 /ip=192.168.001.020 "/log=$W\\install.log"
  printf '%s\n' "start cmd /c copy %TEMP%\\EXMFP16.INI $W\\install.ini" "waitexit"
  for f in $FILES16; do echo "copy $TW\\EXMFP16\\$f $W\\got-$f"; done
  tw_system_left
  echo "echo mark: upgrade"
  run /S /upgrade '"/model=Example MFP 1600 Series"'
  run -s /MODEL=16 /ip=10.0.0.5 "/log=$W\\again.log"
  echo "start $EXE /log=$W\\wizard.log"
  echo "wait 1015 20000"
  run /S /remove /model=16 "/log=$W\\busy.log"
  echo "press 2"
  echo "gone"
  echo "waitexit 30000"
  echo "echo mark: remove"
  run /S /uninstall /model=16
  echo "exists $TW\\EXMFP16"
  run /S /remove /model=16
  run /S /upgrade /model=16
  echo "echo mark: stray"
  printf '%s\n' "start cmd /c mkdir $TW\\EXMFP16" "waitexit"
  echo "write $TW\\EXMFP16\\stray.txt left over"
  run /S /upgrade /model=16
  run /S /model=16 /ip=10.0.0.7 "/log=$W\\stray.log"
  echo "copy $TW\\EXMFP16\\EXMFP16.ds $W\\stray.ds"
  run /S /remove /model=16
  echo "exists $TW\\EXMFP16"
  echo "echo mark: bad"
  for args in "/bogus" "/model=16" "/lang=GREEK /ip=10.0.0.5 /model=16" "/ip=10.0.0 /model=16" \
    "/ip=10.0.0.5 /model=99" "/lang= /ip=10.0.0.5" "install"; do
    run /S $args
  done
  echo "exists $TW\\EXMFP16"
  echo "echo mark: late"
  # The bad word first: /S and /log after it still count, and no window
  # waits for a user who is not there (the time limit would end it).
  echo "run 5000 $EXE /ip=10.0.0.300 /S /model=16 /log=$W\\late.log"
  echo "write $long kept"
  run /S /model=16 /ip=10.0.0.5 "/log=${long}xxxx"
  echo "copy $long $W\\long-after"
  for i in 0 1 2 3 4 5 6 7 8 9; do run /S /log /model=16; done
  echo "echo mark: failing"
  echo "cd $(winpath "$work/broken")"
  run /S /model=16 /ip=10.0.0.5 "/log=$W\\failing.log"
  echo "exists $TW\\EXMFP16"
  echo "exists $TW\\EXMFP16_Setup"
  echo "echo mark: win98"
  echo "cd $PKG"
  echo "regset HKCU\\Software\\Wine\\AppDefaults\\$EXE Version win98"
  run /S /model=21 /ip=10.0.0.6
  echo "copy $TW\\EXMFP21\\EXMFP21.ds $W\\got98.ds"
  run /S /remove /model=21
  echo "exists $TW\\EXMFP21"
  echo "echo mark: programs"
  # The Windows 98 model again: its entry, and its removal from the kept
  # copy once the package is gone, as a deployment tool runs it.
  # The whole prefix as Windows 98: the removal runs from a copy of another name.
  echo "regset HKCU\\Software\\Wine Version win98"
  run /S /lang=german /model=21 /ip=10.0.0.6
  printf '%s\n' "start cmd /c uninstaller --list >$W\\list98.txt" "waitexit"
  echo "cd $W"
  echo "run 60000 $KEPT21 /remove /S"
  echo "exists $TW\\EXMFP21"
  echo "regset HKCU\\Software\\Wine Version winxp"
  echo "regset HKCU\\Software\\Wine\\AppDefaults\\$EXE Version winxp"
  echo "cd $PKG"
  run /S /lang=german /model=18 /ip=10.0.0.8
  echo "cd $(winpath "$work/newer")"
  run /S /lang=german /model=18 "/log=$W\\programs.log"
  printf '%s\n' "start cmd /c uninstaller --list >$W\\list.txt" "waitexit"
  printf '%s\n' "start cmd /c reg query $UNINSTALL\\TwainSetup_EXMFP18 /reg:32 >$W\\entry.txt" "waitexit"
  echo "cd $W"
  # A folder in the driver's folder cannot be removed: 1603, and the entry
  # and its copy stay for another try.
  printf '%s\n' "start cmd /c mkdir $TW\\EXMFP18\\held" "waitexit"
  echo "run 60000 $KEPT18 /remove /S"
  printf '%s\n' "start cmd /c reg query $UNINSTALL\\TwainSetup_EXMFP18 /v DisplayVersion /reg:32 >$W\\kept.txt" "waitexit"
  echo "exists $TW\\EXMFP18_Setup\\Removal.ini"
  printf '%s\n' "start cmd /c rmdir $TW\\EXMFP18\\held" "waitexit"
  echo "run 60000 $KEPT18 /remove /S"
  echo "exists $TW\\EXMFP18"
  echo "regkey $UNINSTALL\\TwainSetup_EXMFP18"
  echo "exists $TW\\EXMFP18_Setup\\Removal.ini"
  echo "run 60000 wineboot -r"
  echo "exists $TW\\EXMFP18_Setup"
  echo "exists $TW\\EXMFP21_Setup\\TwainSetup.exe"
  echo "echo mark: wizard removal"
  # Started by Wine's uninstaller as Programs and Features starts it, with
  # the package folder moved away: the confirmation page in German.
  echo "cd $PKG"
  run /S /lang=german /model=16 /ip=10.0.0.7
  echo "cd $W"
  printf '%s\n' "start cmd /c move $PKG $W\\pkg-away" "waitexit"
  echo "write C:\\windows\\inf\\oem41.inf ; USB\\VID_E7A1&PID_1600"
  echo "mkdevice USB\\VID_E7A1&PID_1600"
  echo "start uninstaller --remove TwainSetup_EXMFP16"
  echo "wait 1012 30000"
  echo "textx 1012"
  echo "press 1"
  tw_finish "$(str GERMAN 43)"
  tw_end
  echo "exists $TW\\EXMFP16"
  echo "exists $TW\\EXMFP16_Setup\\Removal.ini"
  echo "exists C:\\windows\\inf\\oem41.inf"
  echo "devices USB\\VID_E7A1&PID_1600"
  echo "run 60000 wineboot -r"
  echo "exists $TW\\EXMFP16_Setup"
  printf '%s\n' "start cmd /c move $W\\pkg-away $PKG" "waitexit"
  echo "echo mark: cut short"
  # An upgrade to the German files cut short while placing: the data source
  # placed, the library aside but not replaced, the rest staged; a stray
  # staged file of an earlier run. Then the same set all placed, the old
  # files still aside. Any start puts each right before anything else.
  echo "cd $PKG"
  run /S /model=16 /ip=10.0.0.7
  D="$TW\\EXMFP16" G="$PKG\\WIN2K_XP\\GERMAN"
  printf '%s\n' "start cmd /c move $D\\EXMFP16.ds $D\\twsA1.old" "waitexit" "copy $G\\EXMFP16.ds $D\\EXMFP16.ds" \
    "start cmd /c move $D\\EXMSC16.dll $D\\twsB2.old" "waitexit" "copy $G\\EXMSC16.dll $D\\twsB2.tmp" \
    "copy $G\\EXMRES.dll $D\\twsC3.tmp" "write $D\\tws9999.tmp stray" "copy $W\\placing.jnl $TW\\TwainSetup.jnl"
  run /S /upgrade /model=21 "/log=$W\\undone.log"
  for f in $FILES16; do echo "copy $D\\$f $W\\undone-$f"; done
  echo "exists $TW\\TwainSetup.jnl"
  printf '%s\n' "start cmd /c move $D\\EXMFP16.ds $D\\twsA1.old" "waitexit" "copy $G\\EXMFP16.ds $D\\EXMFP16.ds" \
    "start cmd /c move $D\\EXMSC16.dll $D\\twsB2.old" "waitexit" "copy $G\\EXMSC16.dll $D\\EXMSC16.dll" \
    "copy $W\\placed.jnl $TW\\TwainSetup.jnl"
  run /S /upgrade /model=21 "/log=$W\\finished.log"
  for f in EXMFP16.ds EXMSC16.dll; do echo "copy $D\\$f $W\\finished-$f"; done
  for f in twsA1.old twsB2.old twsB2.tmp twsC3.tmp tws9999.tmp; do echo "exists $D\\$f"; done
  run /S /remove /model=16
  echo "echo mark: in use"
  # A scanning application holds the data source open and has the library
  # loaded. Unattended: everything waits for the restart, then is whole.
  # The wizard: Cancel changes nothing; Retry once it has let go upgrades.
  printf '%s\n' "cd $W\\inuse" "$(run /S /model=16 /ip=10.0.0.7)" "hold $D\\EXMFP16.ds" "holdmodule $D\\EXMSC16.dll"
  run /S /upgrade /lang=german /model=16 "/log=$W\\inuse.log"
  for f in $FILES16; do echo "copy $D\\$f $W\\held-$f"; done
  printf '%s\n' release "run 60000 wineboot -r"
  for f in $FILES16; do echo "copy $D\\$f $W\\restarted-$f"; done
  printf '%s\n' "start cmd /c dir /b $D >$W\\restarted.txt" "waitexit" "hold $D\\EXMRES.dll"
  run /S /remove /model=16
  printf '%s\n' "exists $D\\EXMFP16.ds" release "run 60000 wineboot -r" "exists $D"
  printf '%s\n' "$(run /S /model=16 /ip=10.0.0.7)" "hold $D\\EXMFP16.ds"
  for pass in cancel retry; do
    tw_to_choice "$W\\inuse\\$EXE" German "Example MFP 1600 Series"
    printf '%s\n' "wait 1009,1010 10000" "press 1" "gone" "wait 1007,1012 10000" "textx 1012" "textx 1"
    if [ $pass = cancel ]; then
      printf '%s\n' "press 2" "waittext 1012 5000 $(str GERMAN 92)" "state 1" "textx 2" "press 2" "gone" "waitexit 30000"
      for f in $FILES16; do echo "copy $D\\$f $W\\cancel-$f"; done
    else
      printf '%s\n' "press 1" "sleep 500" "state 1" release "press 1"
      tw_finish "$(str GERMAN 42)"
      tw_end
    fi
  done
  for f in $FILES16; do echo "copy $D\\$f $W\\retry-$f"; done
  run /S /remove /model=16
  # The same as Windows 98: WININIT.INI's [rename] lines, carried out by the restart.
  D21="$TW\\EXMFP21"
  printf '%s\n' "regset HKCU\\Software\\Wine\\AppDefaults\\$EXE Version win98" "cd $PKG" "$(run /S /model=21 /ip=10.0.0.6)" "hold $D21\\EXMFP21.ds"
  run /S /upgrade /lang=german /model=21
  printf '%s\n' "copy C:\\windows\\WININIT.INI $W\\wininit-upgrade.ini" release "run 60000 wineboot -r"
  for f in $FILES21; do echo "copy $D21\\$f $W\\98-$f"; done
  printf '%s\n' "files $D21\\*" "hold $D21\\EXMSC21.dll"
  run /S /remove /model=21
  printf '%s\n' "copy C:\\windows\\WININIT.INI $W\\wininit-remove.ini" release "run 60000 wineboot -r" "files $D21\\*"
  echo "regset HKCU\\Software\\Wine\\AppDefaults\\$EXE Version winxp"
  for view in 32 64; do
    printf '%s\n' "start cmd /c reg query $UNINSTALL /reg:$view >$W\\left$view.txt" "waitexit"
  done
  echo "echo mark: end"
} >"$work/silent.tw"

bash "$repo/tests/wine/wine-run.sh" --root "$wine_root" --arch "$arch" --version winxp \
  --fresh-keep "$prefix" "$driver" -f "$(winpath "$work/silent.tw")" >"$work/out" 2>&1
rc=$?
out=$(tr -d '\r' <"$work/out")

expect "twdriver's exit code" "$rc" 0
has "script ran to its end" "$out" "mark: end"
runs() { grep '^run: ' <<<"$(part "$1")" | tr '\n' ' '; }

expect "install" "$(runs install)" "run: exit 0, windows 0 "
for f in $FILES16; do
  cmp -s "$work/got-$f" "$work/pkg/WIN2K_XP/GERMAN/$f" && ok || bad "install: $f is not the German package's"
done
ini=$(tr -d '\r' <"$work/install.ini" 2>/dev/null)
# 192.168.1.20 as a signed 32-bit number: what the leading zeros meant.
has "install: the address in plain form" "$ini" "ip0=192.168.1.20"
has "install: AutoIP is that address" "$ini" "AutoIP=-1062731500"
has "stray folder: the install wrote its address" "$(tr -d '\r' <"$(temp_dir "$drive")/EXMFP16.INI" 2>/dev/null)" "ip0=10.0.0.7"
expect "install: nothing left in the system folder" \
  "$(grep -c ': 1$' <<<"$(grep '^exists C:\\windows\\system32' <<<"$(part install)")")" 0
log=$(tr -d '\r' <"$work/install.log" 2>/dev/null)
for f in $FILES16; do
  grep -q "^copy: .*\\\\GERMAN\\\\$f -> C:\\\\windows\\\\TWAIN_32\\\\EXMFP16\\\\$f ([0-9]* bytes)$" <<<"$log" && ok ||
    bad "install log: no copy line for $f"
done
has "install log: exit code" "$log" "exit code 0"
expect "upgrade by name, over the installed model, and while a wizard runs" "$(runs upgrade)" \
  "run: exit 0, windows 0 run: exit 0, windows 0 run: exit 1618, windows 0 "
has "the wizard writes its log too" "$(tr -d '\r' <"$work/wizard.log" 2>/dev/null)" "outcome: 0 done, 0 failed"
has "the wizard ends with 0" "$(part upgrade)" "exit: 0"
again=$(tr -d '\r' <"$work/again.log" 2>/dev/null)
has "install over the installed model: an upgrade" "$again" "operation: upgrade"
grep -q '^settings file: .*\] ip0=10\.0\.0\.5$' <<<"$again" && ok || bad "install over the installed model: no address written"
busy=$(tr -d '\r' <"$work/busy.log" 2>/dev/null)
has "1618: logged" "$busy" "another copy of the program is running"
has "1618: its exit code logged" "$busy" "exit code 1618"
expect "stray folder: upgrade, install, remove" "$(runs stray)" \
  "run: exit 1605, windows 0 run: exit 0, windows 0 run: exit 0, windows 0 "
tr -d '\r' <"$work/stray.log" | grep -q '^found .*EXMFP16 without its data-source file: no installed driver$' && ok ||
  bad "stray folder: the log does not say what it found"
cmp -s "$work/stray.ds" "$work/pkg/WIN2K_XP/ENGLISH/EXMFP16.ds" && ok || bad "stray folder: the install wrote no data source"
has "stray folder: removed with its stray file" "$(part stray)" "exists $TW\\EXMFP16: 0"
expect "remove, then again, then upgrade" "$(runs remove)" \
  "run: exit 0, windows 0 run: exit 1605, windows 0 run: exit 1605, windows 0 "
has "removed" "$(part remove)" "exists $TW\\EXMFP16: 0"
expect "bad command lines" "$(runs bad)" "$(for i in 1 2 3 4 5 6 7; do printf 'run: exit 1639, windows 0 '; done)"
has "bad command lines: nothing installed" "$(part bad)" "exists $TW\\EXMFP16: 0"
expect "a bad word first; a log name too long; ten runs with /log" "$(runs late)" \
  "run: exit 1639, windows 0 run: exit 1639, windows 0 $(for i in 0 1 2 3 4 5 6 7 8 9; do printf 'run: exit 1639, windows 0 '; done)"
has "a bad word first: the log names it" "$(tr -d '\r' <"$work/late.log" 2>/dev/null)" "not a valid switch: /ip=10.0.0.300"
expect "a log name too long: the file it would have cut to is kept" "$(tr -d '\r' <"$work/long-after")" "kept"
expect "ten runs with /log: ten logs" "$(ls "$(temp_dir "$drive")" | grep -c '^TwainSetup-[0-9]\{8\}-[0-9]\{6\}-[0-9]\{3\}\(-[0-9]*\)\?\.log$')" 10
expect "failing install" "$(runs failing)" "run: exit 1603, windows 0 "
has "failing install: nothing of the model" "$(part failing)" "exists $TW\\EXMFP16: 0"
has "failing install: no copy kept, so no entry" "$(part failing)" "exists $TW\\EXMFP16_Setup: 0"
grep -q '^FAILED copy: .*EXMSC16.dll: error 2: ' <<<"$(tr -d '\r' <"$work/failing.log" 2>/dev/null)" && ok ||
  bad "failing log: no line for the missing file"
expect "Windows 98: install and removal" "$(runs win98)" "run: exit 0, windows 0 run: exit 0, windows 0 "
cmp -s "$work/got98.ds" "$work/pkg/WIN98_ME/ENGLISH/EXMFP21.ds" && ok || bad "Windows 98: not the WIN98_ME file"
has "Windows 98: removed" "$(part win98)" "exists $TW\\EXMFP21: 0"

# Installed programs, judged by Wine's own uninstaller and reg: the entry and
# its values; the quiet removal from the kept copy, the package folder aside.
# The uninstaller writes to a file in the OEM code page (437 here).
oem() { iconv -f CP437 -t UTF-8 "$1" 2>/dev/null | tr -d '\r'; }
list=$(oem "$work/list.txt")
has "programs: Wine's uninstaller lists the German entry" "$list" "TwainSetup_EXMFP18|||Scannertreiber für Example MFP 1800 Series"
entry=$(tr -d '\r' <"$work/entry.txt" 2>/dev/null | tr '\t' ' ' | tr -s ' ' | sed 's/^ //')
for v in "DisplayVersion REG_SZ 2.11.0.0" "Publisher REG_SZ Example Imaging" "InstallLocation REG_SZ $TW\\EXMFP18" \
  "UninstallString REG_SZ $KEPT18 /remove" "QuietUninstallString REG_SZ $KEPT18 /remove /S" "NoModify REG_DWORD 0x1" \
  "Language REG_DWORD 0x407"; do
  grep -qxF -- "$v" <<<"$entry" && ok || bad "programs: entry value $v"
done
grep -q "^installed programs: Uninstall\\\\TwainSetup_EXMFP18 DisplayVersion=2.11.0.0$" <<<"$(tr -d '\r' <"$work/programs.log")" && ok ||
  bad "programs: the log names the values written"
expect "programs: Windows 98 install and removal, XP install, upgrade, quiet removal, restart" "$(runs programs)" \
  "$(for i in 1 2 3 4; do printf 'run: exit 0, windows 0 '; done)run: exit 1603, windows 0 run: exit 0, windows 0 run: exit 0, windows 0 "
grep -q 'DisplayVersion.*2\.11\.0\.0' "$work/kept.txt" && ok || bad "programs: a removal that left something kept the entry"
has "programs: ... and its copy" "$(part programs)" "exists $TW\\EXMFP18_Setup\\Removal.ini: 1"
expect "programs: no entry left in either view" "$(cat "$work"/left32.txt "$work"/left64.txt | grep -c TwainSetup_)" 0
for left in "exists $TW\\EXMFP21: 0" "exists $TW\\EXMFP18: 0" "regkey $UNINSTALL\\TwainSetup_EXMFP18: 0" \
  "exists $TW\\EXMFP18_Setup\\Removal.ini: 0" "exists $TW\\EXMFP18_Setup: 0" "exists $TW\\EXMFP21_Setup\\TwainSetup.exe: 0"; do
  has "programs: after the removal and a restart, $left" "$(part programs)" "$left"
done
p=$(part "wizard removal")
expect "wizard removal: the silent install, a restart" "$(runs "wizard removal")" "run: exit 0, windows 0 run: exit 0, windows 0 "
has "wizard removal: the confirmation in German" "$p" "textx 1012: $(str GERMAN 88 | sed 's/%1/Example MFP 1600 Series/')"
for left in "exists $TW\\EXMFP16: 0" "exists $TW\\EXMFP16_Setup\\Removal.ini: 0" "exists C:\\windows\\inf\\oem41.inf: 0" \
  "devices USB\\VID_E7A1&PID_1600: 0" "exists $TW\\EXMFP16_Setup: 0"; do
  has "wizard removal: $left" "$p" "$left"
done
expect "no temporary copy left" "$(ls "$(temp_dir "$drive")" | grep -ci '^tws.*\.tmp$')" 0
expect "cut short: install, two starts, removal" "$(runs "cut short")" \
  "run: exit 0, windows 0 run: exit 1605, windows 0 run: exit 1605, windows 0 run: exit 0, windows 0 "
expect "cut short: no staged or old file left" "$(grep -c '^exists .*\\tws.*: 0$' <<<"$(part "cut short")")" 5
for f in $FILES16; do
  cmp -s "$work/undone-$f" "$work/pkg/WIN2K_XP/ENGLISH/$f" && ok || bad "cut short while placing: $f is not the old one"
done
for f in EXMFP16.ds EXMSC16.dll; do
  cmp -s "$work/finished-$f" "$work/pkg/WIN2K_XP/GERMAN/$f" && ok || bad "cut short once placed: $f is not the new one"
done
has "cut short: the journal is gone" "$(part "cut short")" "exists $TW\\TwainSetup.jnl: 0"
has "cut short: logged" "$(tr -d '\r' <"$work/undone.log")" "a run cut short was undone in $TW\\EXMFP16: 2 files back as they were"
has "cut short: logged" "$(tr -d '\r' <"$work/finished.log")" "a run cut short was finished in $TW\\EXMFP16: the new files stay, 2 old ones deleted"
p=$(part "in use")
r="run: exit 0, windows 0 " later="run: exit 3010, windows 0 "
expect "in use: install, upgrade, restart, removal, restart, install, removal; the same as Windows 98" "$(runs "in use")" \
  "$r$later$r$later$r$r$r$r$later$r$later$r"
for f in $FILES16; do
  cmp -s "$work/held-$f" "$work/inuse/WIN2K_XP/ENGLISH/$f" && ok || bad "in use: $f changed before the restart"
  cmp -s "$work/restarted-$f" "$work/inuse/WIN2K_XP/GERMAN/$f" && ok || bad "in use: $f is not the new one after the restart"
  cmp -s "$work/cancel-$f" "$work/inuse/WIN2K_XP/ENGLISH/$f" && ok || bad "in use: Cancel changed $f"
  cmp -s "$work/retry-$f" "$work/inuse/WIN2K_XP/GERMAN/$f" && ok || bad "in use: Retry did not upgrade $f"
done
expect "in use: nothing staged left after the restart" "$(tr -d '\r' <"$work/restarted.txt" | sort | tr '\n' ' ')" \
  "$(tr ' ' '\n' <<<"$FILES16" | sort | tr '\n' ' ')"
log=$(tr -d '\r' <"$work/inuse.log")
has "in use: logged" "$log" "in use: $TW\\EXMFP16\\EXMFP16.ds (by a program Windows does not name): its folder changes at the next restart"
expect "in use: each file scheduled" "$(grep -c "^put in place at the next restart: $(sed 's/\\/\\\\/g' <<<"$TW")" <<<"$log")" 4
has "in use: logged" "$log" "outcome: 4 changes at the next restart"
has "in use: removal waits for the restart" "$p" "exists $TW\\EXMFP16\\EXMFP16.ds: 1"
has "in use: removed after the restart" "$p" "exists $TW\\EXMFP16: 0"
held=$(str GERMAN 90) held=${held//%1/EXMFP16.ds}
expect "in use: the wizard names the file, twice" "$(grep -cxF "textx 1012: $held" <<<"$p")" 2
for f in $FILES21; do
  cmp -s "$work/98-$f" "$work/pkg/WIN98_ME/GERMAN/$f" && ok || bad "in use, Windows 98: $f is not the new one after the restart"
done
# Each target named by its short name, replaced by a staged file beside it; then each file deleted.
expect "in use, Windows 98: the upgrade's lines" "$(tr -d '\r' <"$work/wininit-upgrade.ini" | grep -ci '^C:\\WINDOWS\\TWAIN_32\\EXMFP21\\[A-Z0-9.]*=C:\\WINDOWS\\TWAIN_32\\EXMFP21\\TWS[0-9A-F]*\.TMP$')" 4
expect "in use, Windows 98: the removal's lines" "$(tr -d '\r' <"$work/wininit-remove.ini" | grep -ci '^NUL=C:\\WINDOWS\\TWAIN_32\\EXMFP21\\')" 4
expect "in use, Windows 98: whole after the upgrade's restart, empty after the removal's" \
  "$(grep "^files $(sed 's/\\/\\\\/g' <<<"$TW")" <<<"$p" | cut -d' ' -f3 | tr '\n' ' ')" "4 0 "
has "in use: Retry" "$p" "textx 1: $(str GERMAN 91)"
has "in use: after Cancel, Finish alone" "$p" "textx 2: $(str GERMAN 26)"
expect "in use: Retry while held stays, then Cancel hides it" "$(grep -c '^state 1: visible=1' <<<"$p") $(grep -c '^state 1: visible=0' <<<"$p")" "1 1"

has "programs: Windows 98 lists the entry" "$(oem "$work/list98.txt")" \
  "TwainSetup_EXMFP21|||Scannertreiber für Example MFP 2100 Series"

# A silent install sends nothing: the simulator answering the search on the
# only network of the prefix counts no request.
if [ "$(id -u)" -eq 0 ]; then
  printf '%s\n' "cd $PKG" "run 60000 $EXE /S /model=18 /ip=10.99.0.2" "echo mark: end" >"$work/net.tw"
  net=$(bash "$repo/tests/e2e/session.sh" --wine-root "$wine_root" --arch "$arch" --prefix "$work/net-prefix" \
    --driver "$driver" --script "$work/net.tw" --out "$work/net.out" --devices 1 2>&1)
  has "network: the silent install ended" "$(tr -d '\r' <"$work/net.out")" "run: exit 0, windows 0"
  has "network: no datagram reached the scanner" "$net" "scanner-sim: requests=0 replies=0 junk=0"
  rm -rf "$work/net-prefix"
fi

[ "$failed" -eq 0 ] || { echo "--- twdriver output"; tail -n 60 <<<"$out"; }
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
