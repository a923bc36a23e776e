#!/usr/bin/env bash
# Hostile packages end to end: the real TwainSetup.exe under Wine, started
# from the root of broken packages written by tests/corpus/make-corpus.py
# (traversal, absolute paths and drive letters in DestinationDirs and in the
# ScannerDS sections, SYSTEM32 or TWAIN_32 alone as the data-source folder,
# reserved device names, 5000-character values, 100 comma fields, 10 000
# entries, a binary INF, an INF that is a folder, a missing OS folder), one
# after another in ONE fresh prefix, driven by ONE twdriver script: English,
# the model the package breaks, an install with the typed address 10.0.0.5,
# then a second run that removes it again (when the upgrade-or-remove page
# shows; else Cancel). The whole drive_c is listed (path, size, sha1) before
# the first package and after the last: only TWAIN_32 and the settings INIs
# in the temporary folder may differ, and the system folder must hold none of
# the run's files. Every run must end with 0 and no package may change.
#
# Then faults, in the same session, with the clean package: a read-only file
# in the data-source folder (upgrade, then removal), a target file held open
# without delete sharing by another process (cmd's ">>" redirection around a
# sleeping twdriver) during a removal (the page that names it; Cancel leaves
# every file), and a data-source file missing from the package
# (ds-file-missing). Each other sequence must reach its closing text (41, 42,
# 43) and another model's installed folder and settings stay intact.
#
# The search is never pressed, so no network namespace is needed and nothing
# is sent anywhere.
#
#   hostile.sh --wine-root DIR --work DIR --exe TwainSetup.exe --driver twdriver.exe [--arch win64]
#
# Last line: "N passed, M failed". KEEP_WORK=1 keeps the work folder.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

wine_root="" work_root="" exe="" driver="" arch=win64
. "$repo/tests/lib/options.sh"  # tw_options, tw_require
tw_options "wine-root work exe driver arch" "$@"
tw_require wine_root work_root exe driver

abspath() { printf '%s/%s' "$(cd "$(dirname "$1")" && pwd)" "$(basename "$1")"; }
exe=$(abspath "$exe") driver=$(abspath "$driver")
mkdir -p "$work_root" "$wine_root"
work_root=$(cd "$work_root" && pwd)
. "$repo/tests/lib/twscript.sh"  # winpath, str, tw_to_choice, tw_finish, tw_end
tw_work hostile

. "$repo/tests/lib/check.sh"  # passed, failed, ok, bad, expect, has

. "$repo/tests/lib/winfs.sh"     # on_disk, twain_dir, temp_dir

tw_session  # EXE, DRV, W, SYS, TW, prefix, drive
DONE41=$(str ENGLISH 41) DONE42=$(str ENGLISH 42) DONE43=$(str ENGLISH 43)
FAILED73=$(str ENGLISH 73)
model_name() { echo "Example MFP ${1}00 Series"; }

python3 "$repo/tests/corpus/make-corpus.py" "$work/corpus" >/dev/null || { echo "hostile: corpus not written"; exit 1; }
cp -a "$repo/examples/package" "$work/clean"
pkg_dir() { ls -d "$work/corpus/"[0-9][0-9]-"$1"; }

# Package, model it breaks, and how far it gets: "choice" (installed: the
# removal run finds the folder, upgrade-or-remove page), "failed" (the
# data-source folder is refused or cannot exist, or a listed file cannot be
# copied: the install says it failed, and the removal run sees the install
# page again and cancels), "nomodel" (the model page lists nothing: Cancel there),
# "nolang:VERSION" (run as that Windows version; the language page lists
# nothing: Cancel there).
CASES="dest-traversal 16 failed
dest-absolute 16 failed
dest-drive-letter 16 failed
dest-system32 16 failed
dest-twain32-alone 18 failed
dest-missing 18 failed
dest-one-field 21 failed
dest-too-deep 16 failed
dest-device-name 16 failed
dest-5000-characters 16 failed
ds-traversal 16 failed
ds-absolute 16 failed
ds-device-names 18 failed
ds-entry-is-folder 18 failed
ds-10000-entries 16 failed
ds-entry-100-fields 18 failed
modellist-100-empty-fields 16 choice
lang-reserved-names 16 choice
inf-binary 16 nomodel
inf-is-folder 16 nomodel
os-missing 16 nolang:vista"

# ---- pieces of the script ---------------------------------------------------
pages() { tw_to_choice "$EXE" English "$(model_name "$1")"; }  # pages MODEL
system_clean() {
  echo "waitexit 30000"
  tw_system_left
}
install() {  # install MODEL ADDRESS [failed]: one that completes, or one that fails
  pages "$1"
  printf '%s\n' "wait 1007,1012 10000" "press 1" "gone" "wait 1001,1003 10000" "type address $2" "press 1"
  if [ -n "${3:-}" ]; then tw_finish_any; else tw_finish "$DONE41"; fi
  printf '%s\n' "press 2" "gone"
  system_clean
}
remove() {  # remove MODEL [held]: one that removes everything, or one a held file stops
  pages "$1"
  printf '%s\n' "wait 1009,1010 10000" "check 1010" "press 1"
  # With a held file, the page that names it: Cancel, then Finish.
  if [ -n "${2:-}" ]; then printf '%s\n' "gone" "wait 1007,1012 10000" "textx 1012" "press 2" "textx 1012"
  else tw_finish "$DONE43"; fi
  printf '%s\n' "press 2" "gone"
  system_clean
}
upgrade() {  # upgrade MODEL
  pages "$1"
  cat <<EOF
wait 1009,1010 10000
press 1
gone
wait 1011 10000
waittext 1012 30000 $DONE42
press 2
gone
EOF
  system_clean
}
snapshot_point() {  # the test lists drive_c while the script waits
  echo "touch $W\\$1.req"
  echo "waitfile $W\\$1.done 180000"
}

{
  snapshot_point before
  while read -r name model flow; do
    echo "echo mark: $name"
    echo "cd $(winpath "$(pkg_dir "$name")")"
    case $flow in
      choice | failed)
        install "$model" 10.0.0.5 "${flow#choice}"
        if [ "$flow" = choice ]; then
          remove "$model"
        else
          pages "$model"
          echo "wait 1007,1012 10000"
          echo "press 2"
          echo "gone"
          system_clean
        fi
        ;;
      nomodel)
        tw_to_models "$EXE" English
        echo "list 1014"
        echo "press 2"
        echo "gone"
        system_clean
        ;;
      nolang:*)
        echo "regset HKCU\\Software\\Wine\\AppDefaults\\$(basename "$exe") Version ${flow#nolang:}"
        echo "start $EXE"
        echo "wait 1015 20000"
        echo "list 1015"
        echo "press 2"
        echo "gone"
        system_clean
        echo "regset HKCU\\Software\\Wine\\AppDefaults\\$(basename "$exe") Version winxp"
        ;;
    esac
  done <<<"$CASES"
  snapshot_point after

  # ---- faults ---------------------------------------------------------------
  echo "echo mark: keep"
  echo "cd $(winpath "$work/clean")"
  install 18 10.0.0.6
  echo "echo mark: read-only"
  install 16 10.0.0.5
  echo "start $SYS\\cmd.exe /c attrib +r $TW\\EXMFP16\\EXMFP16.ds"
  echo "waitexit 30000"
  upgrade 16
  echo "exists $TW\\EXMFP16\\EXMFP16.ds"
  remove 16
  echo "exists $TW\\EXMFP16"
  echo "echo mark: locked"
  install 16 10.0.0.5
  # cmd holds its ">>" target open (no delete sharing) while the twdriver it
  # runs sleeps: the removal would not delete that one file, so it deletes none.
  echo "start $SYS\\cmd.exe /c $DRV \"sleep 25000\" >> $TW\\EXMFP16\\EXMFP16.lng"
  echo "sleep 2000"
  remove 16 held
  for f in EXMFP16.ds EXMSC16.dll EXMRES.dll EXMFP16.lng; do echo "exists $TW\\EXMFP16\\$f"; done
  echo "exists $TW\\EXMFP16"
  echo "echo mark: unlocked"
  echo "sleep 25000"
  remove 16
  echo "exists $TW\\EXMFP16"
  echo "echo mark: missing-source"
  echo "cd $(winpath "$(pkg_dir ds-file-missing)")"
  install 16 10.0.0.5 failed
  for f in EXMFP16.ds EXMSC16.dll EXMRES.dll EXMFP16.lng; do echo "exists $TW\\EXMFP16\\$f"; done
  echo "exists $TW\\EXMFP16"
  echo "echo mark: end"
} >"$work/hostile.tw"

# The whole drive_c: path, size and sha1 of every file, and every folder.
# Left out: the settings INIs in the temporary folders, which the installs
# write and keep by design.
# A file gives two lines (its size, its sha1), a folder one; one sha1sum
# for all the files, not one a file.
snapshot() {
  (cd "$drive" && {
    find . -mindepth 1 -ipath './users/*/Temp/EXM*.INI' -prune -o \( -type f -printf '%p %s\n' -o -printf '%p %y\n' \)
    find . -mindepth 1 -ipath './users/*/Temp/EXM*.INI' -prune -o -type f -print0 |
      xargs -0 -r sha1sum | awk '{ h = $1; sub(/^[^ ]+  /, ""); print $0, h }'
  } | sort)
}
tree_sum() { (cd "$1" && find . -printf '%y %p %s\n' | sort && find . -type f -exec sha1sum {} + | sort -k2); }

tree_sum "$work/corpus" >"$work/corpus.before"
tree_sum "$work/clean" >"$work/clean.before"

# ---- one session ------------------------------------------------------------
t0=$(date +%s%N)
"$repo/tests/wine/wine-run.sh" --root "$wine_root" --arch "$arch" --version winxp --fresh-keep "$prefix" \
  "$driver" -f "$(winpath "$work/hostile.tw")" >"$work/hostile.out" 2>&1 &
wr=$!
for point in before after; do
  while [ ! -e "$work/$point.req" ] && kill -0 "$wr" 2>/dev/null; do sleep 0.1; done
  [ -e "$work/$point.req" ] || break
  snapshot >"$work/$point.snap"
  touch "$work/$point.done"
done
wait "$wr"
rc=$?
t1=$(date +%s%N)
out=$(tr -d '\r' <"$work/hostile.out")
echo "session: $(( (t1 - t0) / 1000000 )) ms, exit $rc"
if [ "$rc" != 0 ]; then tail -n 25 <<<"$out" | sed 's/^/  > /'; fi
expect "twdriver's exit code" "$rc" 0
has "script ran to its end" "$out" "mark: end"

# ---- judged -------------------------------------------------------------------
tw_judge_runs "$out" "$work/hostile.tw"

while read -r name model flow; do
  p=$(part "$name")
  case $flow in
    choice) has "$name: removal completed" "$p" "textx 1012: $DONE43" ;;
    failed) starts "$name: install failed" "$p" "textx 1012: $FAILED73" ;;
    nomodel) has "$name: model page lists nothing" "$p" "list 1014: count=0 sel=-1" ;;
    nolang:*) has "$name: language page lists nothing" "$p" "list 1015: count=0 sel=-1" ;;
  esac
done <<<"$CASES"

if [ -s "$work/before.snap" ] && [ -s "$work/after.snap" ]; then
  # Differences allowed: TWAIN_32 (the folder stays, its content goes with
  # the removals).
  changed=$(diff "$work/before.snap" "$work/after.snap" | grep '^[<>]' | grep -iv '^[<>] \./windows/TWAIN_32[/ ]')
  expect "drive_c outside TWAIN_32 and the settings INIs unchanged" "$changed" ""
  # The folder stays, holding what it held before the first package (Wine's
  # own data sources, where its 32-bit half made the folder), or nothing.
  want=$(grep -i '^\./windows/TWAIN_32[/ ]' "$work/before.snap")
  expect "TWAIN_32 after every removal" "$(grep -i '^\./windows/TWAIN_32[/ ]' "$work/after.snap")" \
    "${want:-./windows/TWAIN_32 d}"
else
  bad "no snapshots of drive_c"
fi
expect "system folder: run files" "$(ls "$(on_disk "$drive/windows/system32")" | grep -ixE 'DrvSetupLang\.dll|DrvSetup\.dll|TEST\.T')" ""
expect "packages unchanged" "$(tree_sum "$work/corpus" | diff "$work/corpus.before" - | head -5)" ""
expect "clean package unchanged" "$(tree_sum "$work/clean" | diff "$work/clean.before" - | head -5)" ""

# Faults.
p=$(part read-only)
has "read-only: upgrade completed" "$p" "textx 1012: $DONE42"
has "read-only: removal completed" "$p" "textx 1012: $DONE43"
has "read-only: the folder went with the removal" "$p" "exists $TW\\EXMFP16: 0"
p=$(part locked)
held=$(str ENGLISH 90)
has "locked: the removal names the held file" "$p" "textx 1012: ${held//%1/EXMFP16.lng}"
has "locked: Cancel says nothing changed" "$p" "textx 1012: $(str ENGLISH 92)"
for f in EXMFP16.ds EXMSC16.dll EXMRES.dll EXMFP16.lng; do has "locked: $f stays" "$p" "exists $TW\\EXMFP16\\$f: 1"; done
p=$(part unlocked)
has "unlocked: removal completed" "$p" "textx 1012: $DONE43"
has "unlocked: folder gone" "$p" "exists $TW\\EXMFP16: 0"
p=$(part missing-source)
has "missing source: the install names it" "$p" "textx 1012: $(failure_text ENGLISH 73 EXMSC16.dll 2)"
for f in EXMFP16.ds EXMSC16.dll EXMRES.dll EXMFP16.lng; do has "missing source: no $f" "$p" "exists $TW\\EXMFP16\\$f: 0"; done
has "missing source: no folder of the model" "$p" "exists $TW\\EXMFP16: 0"
# The other model's install outlived all of it.
for f in EXMFP18.ds EXMSC18.dll EXMRES.dll EXMFP18.lng; do
  if cmp -s "$(on_disk "$(twain_dir "$drive")/EXMFP18/$f")" "$work/clean/WIN2K_XP/ENGLISH/$f"; then ok; else bad "kept model: $f lost or changed"; fi
done
tmp=$(temp_dir "$drive")
has "kept model: its settings" "$(tr -d '\r' <"$tmp/EXMFP18.INI" 2>/dev/null)" "ip0=10.0.0.6"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
