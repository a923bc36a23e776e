#!/usr/bin/env bash
# The whole program end to end: the real TwainSetup.exe under Wine, started
# from a copy of the demo package, its pages driven by twdriver from a second
# Wine process, and the run judged by what it leaves behind: the data-source
# files, the settings INI, the system folder, registry keys, OEM INF files and
# device entries. Each scenario is one session (tests/e2e/session.sh): one
# fresh prefix whose wineserver lives in a private network namespace with
# simulated scanners, and one twdriver script that starts the program several
# times in a row.
#
#   e2e.sh --scenario road|languages|versions|networks|folder --wine-root DIR --work DIR
#          --exe TwainSetup.exe --driver twdriver.exe --lang-dir DIR [--arch win64]
#
# road       Windows XP: Cancel on every page and in the address dialog; the
#            network install through the search; the choice page, upgrade and
#            removal (OEM INF files and device entries); an install with a
#            typed address.
# languages  a package whose OS folder holds ENGLISH, german, GREEK and plain
#            files: the language list, the German library and texts, the
#            sorted model list, a model name too long for its field.
# versions   Windows 98, 2000, XP x64, 7 and Vista in one prefix (the version
#            is set per program): the OS folder each one takes, the 9x
#            registry clean-up.
# networks   a computer on two networks with a scanner on each: the search
#            lists both, each network gets one request with the computer's
#            own address there, near-miss replies are dropped, and an install
#            through the second network's scanner.
# folder     the package (with the exe) in a folder whose name an English
#            Windows's ANSI code page cannot hold (Cyrillic): the language
#            list and an install from there.
# Last line: "N passed, M failed". KEEP_WORK=1 keeps the work folder. Root only.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

scenario="" wine_root="" work_root="" exe="" driver="" lang_dir="" arch=win64
. "$repo/tests/lib/options.sh"  # tw_options, tw_require
tw_options "scenario wine-root work exe driver lang-dir arch" "$@"
tw_require scenario wine_root work_root exe driver lang_dir
[ "$(id -u)" -eq 0 ] || { echo "e2e: must run as root (network namespaces)"; echo "0 passed, 1 failed"; exit 1; }

abspath() { printf '%s/%s' "$(cd "$(dirname "$1")" && pwd)" "$(basename "$1")"; }
exe=$(abspath "$exe") driver=$(abspath "$driver") lang_dir=$(cd "$lang_dir" && pwd)
mkdir -p "$work_root" "$wine_root"
work_root=$(cd "$work_root" && pwd)
. "$repo/tests/lib/twscript.sh"  # winpath, str, tw_to_choice, tw_finish, tw_end
tw_work "$scenario"

. "$repo/tests/lib/check.sh"  # passed, failed, ok, bad, expect, has
same() {  # same NAME FILE-GOT FILE-WANT: equal bytes
  if cmp -s "$2" "$3"; then ok; else bad "$1: $2 differs from $3"; fi
}
absent() {  # absent NAME PATH
  if [ ! -e "$2" ]; then ok; else bad "$1: $2 is there"; fi
}

. "$repo/tests/lib/winfs.sh"     # on_disk, twain_dir, temp_dir
# Signed 32-bit value of a dotted address, first number most significant.
auto_ip() {
  local IFS=. a b c d v
  read -r a b c d <<<"$1"
  v=$(((a << 24) | (b << 16) | (c << 8) | d))
  [ "$v" -ge 2147483648 ] && v=$((v - 4294967296))
  echo "$v"
}
# The settings file as written from scratch: one section, seven keys.
ini_text() {  # ini_text SECTION ADDRESS
  printf '%s\n' "[$1]" "ip0=$2" "AutoIP=$(auto_ip "$2")" UseUSB=0 UseAuto=1 IPNum=1 IPSel=0 ManuIP=0
}
# OS and language folder named in a demo data source's header.
ds_origin() { printf '%s %s' "$(dd if="$1" bs=1 skip=124 count=16 2>/dev/null | tr -d '\0')" \
  "$(dd if="$1" bs=1 skip=140 count=16 2>/dev/null | tr -d '\0')"; }

# The simulator: the native tree's, else built here once.
sim=$(dirname "$wine_root")/../native/tools/scanner-sim/scanner-sim
if [ ! -x "$sim" ]; then
  sim=$work_root/scanner-sim
  if [ ! -x "$sim" ]; then
    g++ -std=c++17 -O2 -o "$work/scanner-sim" "$repo/tools/scanner-sim/scanner_sim.cpp" || exit 1
    mv -f "$work/scanner-sim" "$sim"
  fi
fi
export SCANNER_SIM=$sim

tw_session  # EXE, DRV, W, SYS, TW, prefix, drive

# ---- pieces of twdriver scripts -------------------------------------------
# start_pages LANGUAGE MODEL: start the program, pick both by their texts.
start_pages() { tw_to_choice "$EXE" "$1" "$2"; }
# The end of a run: its exit code and the system folder afterwards.
after_run() {
  echo "waitexit 30000"
  tw_system_left
}
# The progress page up to its end text (string ID of LANGUAGE), Finish.
finish() {
  cat <<EOF
wait 1011 10000
waittext 1012 30000 $(str "$2" "$1")
state 1011
state 1013
state 2
focus
press 2
gone
EOF
}
# remove_1600: the 1600 model removed through the upgrade-or-remove page.
remove_1600() {
  start_pages English "Example MFP 1600 Series"
  echo "wait 1009,1010 10000"
  echo "check 1010"
  echo "press 1"
  echo "gone"
  finish 43 ENGLISH
  after_run
}
# install_typed ADDRESS: install page OK, the address typed, the end.
install_typed() {
  cat <<EOF
wait 1007,1012 10000
press 1
gone
wait 1001,1003 10000
type address $1
press 1
gone
EOF
}
# install_searched COUNT INDEX ADDRESS [SETTLE_MS]: install page OK, a search
# that lists COUNT scanners (SETTLE_MS later, for any more to show), entry
# INDEX double-clicked, ADDRESS in the field, OK.
install_searched() {
  printf '%s\n' "wait 1007,1012 10000" "press 1" "gone" "wait 1001,1003 10000" "press 1003" "wait 1004 10000" \
    "waitcount 1004 $1 10000"
  [ -n "${4:-}" ] && echo "sleep $4"
  printf '%s\n' "list 1004" "dblclick 1004 $2" "gone" "wait 1001,1003" "address $3 3000" "press 1" "gone"
}
# session NAME DEVICES [VERSION]: runs $work/NAME.tw, output in $out. More
# options of session.sh in the array session_extra.
session_extra=()
session() {
  local t0 t1
  t0=$(date +%s%N)
  bash "$here/session.sh" --wine-root "$wine_root" --arch "$arch" --version "${3:-winxp}" \
    --prefix "$prefix" --driver "$driver" --script "$work/$1.tw" --out "$work/$1.out" \
    --devices "$2" "${session_extra[@]}" >"$work/$1.log" 2>&1
  rc=$?
  t1=$(date +%s%N)
  out=$(tr -d '\r' <"$work/$1.out")
  echo "session $1: $(( (t1 - t0) / 1000000 )) ms, exit $rc"
  if [ "$rc" != 0 ]; then  # what the session and the driver said, for the record
    sed 's/^/  | /' "$work/$1.log" | tail -n 20
    tr -d '\r' <"$work/$1.out" | sed 's/^/  > /' | tail -n 20
  fi
  expect "$1: twdriver's exit code" "$rc" 0
  grep -q '^session: wineserver [0-9]* in twreq-' "$work/$1.log" && ok || bad "$1: namespace of the wineserver not confirmed"
}
# Every run ended with 0 and left none of its own files in the system folder.
runs_clean() {  # runs_clean COUNT
  expect "exit codes" "$(grep -c '^exit: 0$' <<<"$out")" "$1"
  expect "other exit codes" "$(grep '^exit: ' <<<"$out" | grep -vc '^exit: 0$')" 0
  expect "files of the run left in the system folder" \
    "$(grep -E '^exists C:\\windows\\system32\\(DrvSetupLang\.dll|DrvSetup\.dll|TEST\.T): ' <<<"$out" | sort | uniq -c | sed 's/^ *//')" \
    "$1 exists $SYS\\DrvSetup.dll: 0
$1 exists $SYS\\DrvSetupLang.dll: 0
$1 exists $SYS\\TEST.T: 0"
  local f
  for f in DrvSetupLang.dll DrvSetup.dll TEST.T; do
    absent "system folder: $f" "$(on_disk "$drive/windows/system32/$f")"
  done
}
# The end of a finished progress page: bar and status gone, Finish focused.
ended() {  # ended PART
  local p
  p=$(part "$1")
  has "$1: bar hidden" "$p" "state 1011: visible=0 enabled=0 checked=0"
  has "$1: status hidden" "$p" "state 1013: visible=0 enabled=0 checked=0"
  has "$1: Finish shown" "$p" "state 2: visible=1 enabled=1 checked=0"
  has "$1: Finish focused" "$p" "focus: 2 Button"
}
# centred NAME PART: the page's rectangle is the truncated half of the screen.
centred() {
  local sw sh l t r b
  read -r _ sw sh <<<"$(grep '^screen: ' <<<"$out" | head -1)"
  read -r _ l t r b <<<"$(part "$2" | grep '^rect: ' | head -1)"
  if [ -z "${b:-}" ] || [ -z "${sh:-}" ]; then bad "$1: no rectangle"; return; fi
  expect "$1 centred on the ${sw}x$sh screen" "$l $t" "$(((sw - (r - l)) / 2)) $(((sh - (b - t)) / 2))"
}
files_from() {  # files_from NAME TARGET-DIR SOURCE-DIR FILE...
  local name=$1 target=$2 source=$3 f
  shift 3
  for f in "$@"; do same "$name: $f" "$(on_disk "$target/$f")" "$source/$f"; done
  expect "$name: nothing else" "$(ls "$target" 2>/dev/null | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')" \
    "$(printf '%s\n' "$@" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')"
}

# others_in DIR: sha1 and name of each file below DIR outside the models' folders.
others_in() { [ -d "$1" ] && (cd "$1" && find . -type f ! -ipath './EXMFP*' -exec sha1sum {} + | sort -k2); }

# ============================================================================
scenario_road() {
  cp -a "$repo/examples/package" "$work/pkg"
  local PKG ID16='USB\VID_E7A1&PID_1600' ID18='USB\VID_E7A1&PID_1800'
  PKG=$(winpath "$work/pkg")
  {
    echo "screen"
    echo "cd $PKG"
    echo "echo mark: cancel-language"
    echo "start $EXE"
    echo "wait 1015 20000"
    echo "rect"
    echo "focus"
    echo "list 1015"
    echo "press 2"
    echo "gone"
    after_run
    echo "echo mark: cancel-model"
    tw_to_models "$EXE" English
    echo "rect"
    echo "list 1014"
    echo "copy $SYS\\DrvSetupLang.dll $W\\lang-during.dll"
    echo "press 2"
    echo "gone"
    after_run
    echo "echo mark: cancel-install"
    start_pages English "Example MFP 1800 Series"
    echo "wait 1007,1012 10000"
    echo "rect"
    echo "waittext 0 5000 Example MFP 1800 Series"
    for c in 1012 1013 1 2; do echo "textx $c"; done
    echo "state 1007"
    echo "state 1008"
    echo "press 2"
    echo "gone"
    after_run
    echo "exists $TW\\EXMFP18"
    echo "echo mark: cancel-address"
    start_pages English "Example MFP 1800 Series"
    echo "wait 1007,1012 10000"
    echo "press 1"
    echo "gone"
    echo "wait 1001,1003 10000"
    echo "type address 10.1.2.3"
    echo "press 2"
    echo "gone"
    after_run
    echo "exists $TW\\EXMFP18"
    echo "echo mark: road"
    start_pages English "Example MFP 1600 Series"
    install_searched 3 1 10.99.0.3
    echo "wait 1011 10000"
    echo "rect"
    echo "textx 1012"
    echo "waittext 1013 5000 $(str ENGLISH 39) (40%)..."
    echo "state 2"
    echo "state 1011"
    echo "# Finish is hidden and Escape is not acted on while the worker runs"
    echo "press 2"
    echo "waittext 1013 5000 $(str ENGLISH 39) (60%)..."
    finish 41 ENGLISH
    after_run
    echo "echo mark: choice-cancel"
    start_pages English "Example MFP 1600 Series"
    echo "wait 1009,1010 10000"
    echo "rect"
    echo "waittext 0 5000 Example MFP 1600 Series"
    for c in 1012 1013 1009 1010 1 2; do echo "textx $c"; done
    echo "state 1009"
    echo "state 1010"
    echo "press 2"
    echo "gone"
    after_run
    echo "exists $TW\\EXMFP16\\EXMFP16.ds"
    echo "echo mark: upgrade"
    echo "write $TW\\EXMFP16\\EXMFP16.lng changed since the install"
    start_pages English "Example MFP 1600 Series"
    echo "wait 1009,1010 10000"
    echo "press 1"
    echo "gone"
    finish 42 ENGLISH
    after_run
    echo "copy $TW\\EXMFP16\\EXMFP16.lng $W\\upgraded.lng"
    echo "echo mark: typed"
    start_pages English "Example MFP 1800 Series"
    install_typed 192.168.40.7
    finish 41 ENGLISH
    after_run
    echo "echo mark: remove"
    echo "write C:\\windows\\inf\\oem41.inf ; $ID16"
    echo "write C:\\windows\\inf\\oem42.inf ; $ID18"
    echo "mkdevice $ID16"
    echo "mkdevice usb\\vid_e7a1&pid_1600"
    echo "mkdevice $ID18"
    echo "devices $ID16"
    remove_1600
    echo "devices $ID16"
    echo "devices $ID18"
  } >"$work/road.tw"
  session road 3

  # Cancel on each page, Cancel in the address dialog.
  local p
  p=$(part cancel-language)
  expect "language page: every language of WIN2K_XP, sorted, first selected" \
    "$(grep -E '^(list|item) 1015' <<<"$p")" "$(echo 'list 1015: count=25 sel=0'
      n=0; for i in $(seq 48 72); do str ENGLISH "$i"; done | LC_ALL=C sort | while read -r t; do
        echo "item 1015[$n]: $t"; n=$((n + 1)); done)"
  has "language page: the list has the focus" "$p" "focus: 1015 ComboBox"
  centred "language page" cancel-language
  p=$(part cancel-model)
  expect "model page: the four models, sorted" "$(grep -E '^(list|item) 1014' <<<"$p")" "list 1014: count=4 sel=0
item 1014[0]: Example MFP 1600 Series
item 1014[1]: Example MFP 1800 Series
item 1014[2]: Example MFP 2100 Series
item 1014[3]: Example MFP 2200 Series"
  centred "model page" cancel-model
  same "English library written during the run" "$work/lang-during.dll" "$lang_dir/lang_ENGLISH.dll"
  p=$(part cancel-install)
  centred "install page" cancel-install
  has "install page: named after the model" "$p" "textx 0: Example MFP 1800 Series"
  has "install page: welcome text" "$p" "textx 1012: $(str ENGLISH 29)"
  has "install page: second text empty" "$p" "textx 1013: "
  has "install page: OK" "$p" "textx 1: $(str ENGLISH 45)"
  has "install page: Cancel" "$p" "textx 2: $(str ENGLISH 44)"
  has "install page: radio 1007 out of sight" "$p" "state 1007: visible=0 enabled=0 checked=0"
  has "install page: radio 1008 out of sight" "$p" "state 1008: visible=0 enabled=0 checked=0"
  has "cancelled install: no data-source folder" "$p" "exists $TW\\EXMFP18: 0"
  has "cancelled address: nothing copied" "$(part cancel-address)" "exists $TW\\EXMFP18: 0"

  # The road: search, double-click, progress, Finish.
  p=$(part road)
  expect "road: the simulated scanners listed" "$(grep -E '^(list|item) 1004' <<<"$p")" "list 1004: count=3 sel=0
item 1004[0]: 10.99.0.2
item 1004[1]: 10.99.0.3
item 1004[2]: 10.99.0.4"
  has "road: the double-clicked address" "$p" "address: 10.99.0.3"
  centred "progress page" road
  has "road: progress page waits" "$p" "textx 1012: $(str ENGLISH 38)"
  has "road: Finish hidden while the worker runs" "$p" "state 2: visible=0 enabled=0 checked=0"
  has "road: bar shown while the worker runs" "$p" "state 1011: visible=1 enabled=1 checked=0"
  has "road: the page outlived Escape" "$p" "textx 1013: $(str ENGLISH 39) (60%)..."
  has "road: completion text" "$p" "textx 1012: $(str ENGLISH 41)"
  ended road
  # One search, its request repeated while the list is open (0.5 s, 1.5 s):
  # three scanners answer each request heard, and are listed once.
  grep -Eq '^scanner-sim: requests=(1 replies=3|2 replies=6|3 replies=9) junk=0$' "$work/road.log" && ok ||
    bad "road: one search answered by three scanners: $(grep '^scanner-sim' "$work/road.log")"

  # The choice page, upgrade, the typed install, the removal.
  p=$(part choice-cancel)
  centred "choice page" choice-cancel
  has "choice page: named after the model" "$p" "textx 0: Example MFP 1600 Series"
  local id want
  for pair in 1012=34 1013=35 1009=36 1010=37 1=26 2=44; do
    id=${pair%=*} want=${pair#*=}
    has "choice page: text $id" "$p" "textx $id: $(str ENGLISH "$want")"
  done
  has "choice page: Upgrade checked" "$p" "state 1009: visible=1 enabled=1 checked=1"
  has "choice page: Remove not checked" "$p" "state 1010: visible=1 enabled=1 checked=0"
  has "cancelled choice: files kept" "$p" "exists $TW\\EXMFP16\\EXMFP16.ds: 1"
  has "upgrade: completion text" "$(part upgrade)" "textx 1012: $(str ENGLISH 42)"
  ended upgrade
  same "upgrade: the package's file again" "$work/upgraded.lng" "$work/pkg/WIN2K_XP/ENGLISH/EXMFP16.lng"
  has "typed: completion text" "$(part typed)" "textx 1012: $(str ENGLISH 41)"
  ended typed
  p=$(part remove)
  has "remove: completion text" "$p" "textx 1012: $(str ENGLISH 43)"
  ended remove
  expect "remove: device entries of the model (two before, none after)" \
    "$(grep "^devices USB.VID_E7A1&PID_1600: " <<<"$p" | cut -d' ' -f3 | tr '\n' ' ')" "2 0 "
  has "remove: other model's device kept" "$p" "devices $ID18: 1"
  runs_clean 9

  local tw tmp
  tw=$(twain_dir "$drive")
  tmp=$(temp_dir "$drive")
  absent "remove: the model's folder" "$(on_disk "$tw/EXMFP16")"
  [ -d "$tw" ] && ok || bad "remove: TWAIN_32 removed too"
  files_from "typed install" "$(on_disk "$tw/EXMFP18")" "$work/pkg/WIN2K_XP/ENGLISH" EXMFP18.ds EXMSC18.dll EXMRES.dll EXMFP18.lng
  expect "road: settings file (kept by upgrade and removal)" "$(tr -d '\r' <"$tmp/EXMFP16.INI" 2>&1)" \
    "$(ini_text "Example MFP 1600 Series" 10.99.0.3)"
  expect "typed: settings file" "$(tr -d '\r' <"$tmp/EXMFP18.INI" 2>&1)" "$(ini_text "Example MFP 1800 Series" 192.168.40.7)"
  absent "remove: OEM INF naming the model" "$(on_disk "$drive/windows/inf/oem41.inf")"
  [ -f "$(on_disk "$drive/windows/inf/oem42.inf")" ] && ok || bad "remove: OEM INF of another model deleted"
  # What Wine itself keeps in the folder (its own data sources, where its
  # 32-bit half runs) is no file of the model's: every install, upgrade and
  # removal leaves it as the fresh prefix had it.
  expect "TWAIN_32: files that are not the program's, unchanged" "$(others_in "$tw")" \
    "$(others_in "$(twain_dir "$wine_root/$arch-winxp/drive_c")")"
  absent "remove: batch file" "$tmp/TMPBAT.BAT"
  absent "remove: result file" "$tmp/TMPTMP.TMP"
}

# ============================================================================
scenario_languages() {
  # ENGLISH, german in lower case, an unknown GREEK, and plain files with a
  # language's name and another.
  local src=$repo/examples/package/WIN2K_XP dst=$work/pkg/WIN2K_XP
  mkdir -p "$dst"
  cp -a "$src/ENGLISH" "$dst/ENGLISH"
  cp -a "$src/GERMAN" "$dst/german"
  cp -a "$src/ENGLISH" "$dst/GREEK"
  echo "not a folder" >"$dst/FRENCH"
  echo "read me" >"$dst/README"
  # A language folder without an INF: no model to offer.
  mkdir -p "$dst/ITALIAN" "$work/empty/WIN2K_XP"
  echo "no INF here" >"$dst/ITALIAN/README"
  # Model 21 sorts first by name, and model 22's name is longer than a model
  # name may be.
  local long="Zeta MFP 2200 Series Professional Network Scanner with Duplex Unit and Finisher"
  local cut=${long:0:63}
  sed -i -e 's/^MODELName21=.*/MODELName21="Aardvark 2100 Serie"\r/' \
         -e "s/^MODELName22=.*/MODELName22=\"$long\"\r/" "$dst/german/EXIM_T.INF"
  local PKG
  PKG=$(winpath "$work/pkg")
  {
    echo "cd $PKG"
    echo "echo mark: lists"
    echo "start $EXE"
    echo "wait 1015 20000"
    echo "list 1015"
    echo "selecttext 1015 German"
    echo "press 1"
    echo "gone"
    echo "wait 1014 10000"
    echo "copy $SYS\\DrvSetupLang.dll $W\\lang-german.dll"
    echo "list 1014"
    echo "textx 1016"
    echo "selecttext 1014 $cut"
    echo "press 1"
    echo "gone"
    echo "wait 1007,1012 10000"
    echo "waittext 0 5000 $cut"
    for c in 1012 1 2; do echo "textx $c"; done
    echo "press 2"
    echo "gone"
    after_run
    echo "echo mark: install"
    echo "start $EXE"
    echo "wait 1015 20000"
    echo "selecttext 1015 German"
    echo "press 1"
    echo "gone"
    echo "# OK on the first entry as selected"
    echo "wait 1014 10000"
    echo "press 1"
    echo "gone"
    echo "wait 1007,1012 10000"
    echo "waittext 0 5000 Aardvark 2100 Serie"
    echo "press 1"
    echo "gone"
    echo "wait 1001,1003 10000"
    echo "caption"
    echo "type address 10.1.2.3"
    echo "press 1"
    echo "gone"
    finish 41 GERMAN
    after_run
    echo "echo mark: no-model"
    tw_to_models "$EXE" Italian
    echo "list 1014"
    echo "state 1"
    echo "# OK as the keyboard would send it: refused"
    echo "press 1"
    echo "sleep 300"
    echo "wait 1014 0"
    echo "press 2"
    echo "gone"
    after_run
    echo "echo mark: no-language"
    echo "cd $(winpath "$work/empty")"
    echo "start $EXE"
    echo "wait 1015 20000"
    echo "list 1015"
    echo "press 1"
    echo "gone"
    echo "wait 1014 10000"
    echo "copy $SYS\\DrvSetupLang.dll $W\\lang-none.dll"
    echo "list 1014"
    echo "press 2"
    echo "gone"
    after_run
  } >"$work/languages.tw"
  session languages 1

  local p
  p=$(part lists)
  expect "language list: the known folders, sorted" "$(grep -E '^(list|item) 1015' <<<"$p")" "list 1015: count=3 sel=0
item 1015[0]: $(str ENGLISH 67)
item 1015[1]: $(str ENGLISH 64)
item 1015[2]: $(str ENGLISH 62)"
  same "German library written (payload 118)" "$work/lang-german.dll" "$lang_dir/lang_GERMAN.dll"
  expect "model list: sorted by name, the long one cut" "$(grep -E '^(list|item) 1014' <<<"$p")" "list 1014: count=4 sel=0
item 1014[0]: Aardvark 2100 Serie
item 1014[1]: Example MFP 1600 Series
item 1014[2]: Example MFP 1800 Series
item 1014[3]: $cut"
  has "model page text from the program itself" "$p" "textx 1016: $(str ENGLISH 46)"
  has "long model name cut to 63 characters" "$p" "textx 0: $cut"
  has "install page in German" "$p" "textx 1012: $(str GERMAN 29)"
  has "install page OK in German" "$p" "textx 1: $(str GERMAN 45)"
  has "install page Cancel in German" "$p" "textx 2: $(str GERMAN 44)"
  p=$(part install)
  has "first model by name chosen" "$p" "textx 0: Aardvark 2100 Serie"
  has "address dialog in German" "$p" "caption: $(str GERMAN 21)"
  has "German completion text" "$p" "textx 1012: $(str GERMAN 41)"
  ended install
  p=$(part no-model)
  has "no model: empty list" "$p" "list 1014: count=0 sel=-1"
  has "no model: OK disabled" "$p" "state 1: visible=1 enabled=0 checked=0"
  expect "no model: OK refused, the page stays" "$(grep -c '^dialog: 1014 ' <<<"$p")" 2
  p=$(part no-language)
  has "no language folder: empty list" "$p" "list 1015: count=0 sel=-1"
  same "no language folder: the English library" "$work/lang-none.dll" "$lang_dir/lang_ENGLISH.dll"
  has "no language folder: no model either" "$p" "list 1014: count=0 sel=-1"
  runs_clean 4

  # Model 21's files, from the German folder (the data source's header says so).
  local tw tmp
  tw=$(twain_dir "$drive")
  tmp=$(temp_dir "$drive")
  files_from "German install" "$(on_disk "$tw/EXMFP21")" "$dst/german" EXMFP21.ds EXMSC21.dll EXMRES.dll EXMFP21.hlp
  expect "data source from the German folder" "$(ds_origin "$(on_disk "$tw/EXMFP21/EXMFP21.ds")")" "WIN2K_XP GERMAN"
  # Beside its folder, the copy that removes it from the installed programs.
  expect "only model 21 installed" "$(ls "$tw" 2>/dev/null | grep -i '^EXMFP' | tr '\n' ' ')" "EXMFP21 EXMFP21_Setup "
  expect "settings file of model 21" "$(tr -d '\r' <"$tmp/EXMFP21.INI" 2>&1)" "$(ini_text "Aardvark 2100 Serie" 10.1.2.3)"
}

# ============================================================================
scenario_versions() {
  cp -a "$repo/examples/package" "$work/pkg"
  local PKG ENUM='HKLM\Enum\USB\VID_E7A1&PID_1600'
  PKG=$(winpath "$work/pkg")
  local V='HKCU\Software\Wine\AppDefaults\TwainSetup.exe'
  # version_run VERSION ACTION: install (typed address) or upgrade of model 16
  version_run() {
    echo "echo mark: $1"
    echo "regset $V Version $1"
    echo "start $EXE"
    echo "wait 1015 20000"
    echo "list 1015"
    echo "selecttext 1015 English"
    echo "press 1"
    echo "gone"
    echo "wait 1014 10000"
    echo "selecttext 1014 Example MFP 1600 Series"
    echo "press 1"
    echo "gone"
    if [ "$2" = install ]; then
      install_typed 10.20.30.40
      finish 41 ENGLISH
    else
      echo "wait 1009,1010 10000"
      echo "press 1"
      echo "gone"
      finish 42 ENGLISH
    fi
    after_run
    echo "copy $TW\\EXMFP16\\EXMFP16.ds $W\\ds-$1.ds"
  }
  {
    echo "cd $PKG"
    echo "regcreate $ENUM\\0000\\Device Parameters"
    echo "regset $ENUM\\0000 DeviceDesc Example MFP 1600 Series"
    echo "regkey $ENUM"
    version_run win98 install
    echo "echo mark: win98-remove"
    remove_1600
    echo "regkey $ENUM"
    echo "exists $TW\\EXMFP16"
    version_run win2k install
    # XP x64 exists only where the prefix is a 64-bit one.
    [ "$arch" = win64 ] && version_run winxp64 upgrade
    version_run win7 upgrade
    version_run vista upgrade
  } >"$work/versions.tw"
  session versions 1

  local v folder count
  expect "9x: the enumeration key, before and after the removal" \
    "$(grep '^regkey ' <<<"$out" | sed 's/.*: //' | tr '\n' ' ')" "1 0 "
  has "9x: the folder removed" "$(part win98-remove)" "exists $TW\\EXMFP16: 0"
  has "9x: removal text" "$(part win98-remove)" "textx 1012: $(str ENGLISH 43)"
  local pairs=(win98=WIN98_ME:5 win2k=WIN2K_XP:25 win7=WIN2K_XP:25 vista=WINVISTA:5)
  [ "$arch" = win64 ] && pairs+=(winxp64=WINVISTA:5)
  for pair in "${pairs[@]}"; do
    v=${pair%%=*} folder=${pair#*=}
    count=${folder#*:} folder=${folder%:*}
    has "$v: languages of $folder" "$(part "$v")" "list 1015: count=$count sel=0"
    expect "$v: files from $folder" "$(ds_origin "$work/ds-$v.ds")" "$folder ENGLISH"
    ended "$v"
  done
  runs_clean $((${#pairs[@]} + 1))
  local tmp
  tmp=$(temp_dir "$drive")
  files_from "last upgrade" "$(on_disk "$(twain_dir "$drive")/EXMFP16")" "$work/pkg/WINVISTA/ENGLISH" EXMFP16.ds EXMSC16.dll EXMRES.dll EXMFP16.lng
  expect "settings file of the last install" "$(tr -d '\r' <"$tmp/EXMFP16.INI" 2>&1)" "$(ini_text "Example MFP 1600 Series" 10.20.30.40)"
}

# ============================================================================
scenario_networks() {
  cp -a "$repo/examples/package" "$work/pkg"
  {
    echo "cd $(winpath "$work/pkg")"
    start_pages English "Example MFP 1600 Series"
    install_searched 2 0 10.98.0.2 1000
    finish 41 ENGLISH
    after_run
  } >"$work/networks.tw"
  # Each scanner also sends six near-miss datagrams per request: among them
  # the text of another computer on its network (one digit changed). It hears
  # only the third of the three requests, and is still listed.
  SIM_LOG=$work/net1.log SIM_LOG2=$work/net2.log session_extra=(--networks 2 --sim-args "--junk 6 --only-request 3")
  export SIM_LOG SIM_LOG2
  session networks 1
  runs_clean 1
  expect "both networks' scanners listed, nothing else" "$(grep -E '^(list|item) 1004' <<<"$out")" \
    "list 1004: count=2 sel=0
item 1004[0]: 10.98.0.2
item 1004[1]: 10.99.0.2"
  local pid=5632  # the 1600 model's product id, 0x1600
  req() { printf ' from=%s:4569 to=%s len=13 hex=%s\n' "$1" "$2" "$(printf '%s' "${pid}$1" | od -An -v -tx1 | tr -d ' \n')"; }
  expect "first network: the limited broadcast alone, three times the same, with the computer's address there" \
    "$(grep -o ' from=.* hex=[0-9a-f]*' "$work/net1.log")" "$(for i in 1 2 3; do req 10.99.0.1 255.255.255.255; done)"
  expect "second network: three times one request to its own broadcast address, with the address there" \
    "$(grep -o ' from=.* hex=[0-9a-f]*' "$work/net2.log")" "$(for i in 1 2 3; do req 10.98.0.1 10.98.0.255; done)"
  has "first network: the third request answered" "$(cat "$work/networks.log")" "scanner-sim: requests=3 replies=1 junk=6"
  has "second network: the third request answered" "$(cat "$work/networks.log")" "scanner-sim 2: requests=3 replies=1 junk=6"
  expect "settings file: the second network's scanner" "$(tr -d '\r' <"$(temp_dir "$drive")/EXMFP16.INI" 2>&1)" \
    "$(ini_text "Example MFP 1600 Series" 10.98.0.2)"
}

# ============================================================================
scenario_folder() {
  local dir="$work/Драйвер сканера" D
  mkdir -p "$dir"
  cp -a "$repo/examples/package/." "$dir/"
  cp "$exe" "$dir/TwainSetup.exe"
  D=$(winpath "$dir")
  {
    echo "cd $D"
    echo "start $D\\TwainSetup.exe"
    echo "wait 1015 20000"
    echo "list 1015"
    echo "selecttext 1015 English"
    echo "press 1"
    echo "gone"
    echo "wait 1014 10000"
    echo "selecttext 1014 Example MFP 1800 Series"
    echo "press 1"
    echo "gone"
    install_typed 10.20.30.41
    finish 41 ENGLISH
    after_run
  } >"$work/folder.tw"
  session folder 0
  runs_clean 1
  expect "language list from the Cyrillic folder" "$(grep '^list 1015: ' <<<"$out")" "list 1015: count=25 sel=0"
  files_from "install from the Cyrillic folder" "$(on_disk "$(twain_dir "$drive")/EXMFP18")" \
    "$dir/WIN2K_XP/ENGLISH" EXMFP18.ds EXMSC18.dll EXMRES.dll EXMFP18.lng
  expect "settings file" "$(tr -d '\r' <"$(temp_dir "$drive")/EXMFP18.INI" 2>&1)" \
    "$(ini_text "Example MFP 1800 Series" 10.20.30.41)"
}

case "$scenario" in
  road) scenario_road ;;
  folder) scenario_folder ;;
  networks) scenario_networks ;;
  languages) scenario_languages ;;
  versions) scenario_versions ;;
  *) echo "e2e: no scenario $scenario"; exit 2 ;;
esac

if [ "$failed" -ne 0 ]; then
  echo "--- harness:"; tail -5 "$work/$scenario.log"
  echo "--- driver:"; grep -v -e '^item ' "$work/$scenario.out" | tail -40
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
