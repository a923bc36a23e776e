#!/usr/bin/env bash
# A full disk end to end: the real TwainSetup.exe under Wine, with the
# data-source folder C:\windows\TWAIN_32 on a drive of its own that is far too
# small. The session runs in a private mount namespace (unshare -m, so root
# only) where a size-limited tmpfs is mounted right on the prefix's
# TWAIN_32 folder (found whatever its letter case); the prefix is a fresh copy started inside the
# namespace, so its wineserver (which opens the files) and every program of
# it see that small drive, and nothing outside the namespace ever does. The
# mount goes with the namespace; the test also unmounts it itself.
#
# One fresh prefix, one twdriver script, the clean demo package and a copy of
# it whose EXMSC18.dll (the second of the four files of model 1800) is grown
# to 1 MiB, more than the small drive holds:
#   keep          model 1600 installed from the clean package: the other
#                 files on the small drive, checked at every step
#   full-install  model 1800 from the grown package: the library that does
#                 not fit fails the install, which says so (text 73, naming
#                 it) and takes everything back: no file of the model, no
#                 folder, no settings INI, the space as before
#   reinstall     model 1800 from the clean package (fits), then the rest of
#                 the drive is filled with a file of the test's
#   full-upgrade  upgrade from the grown package onto the full drive: it
#                 fails (text 74) and every installed file is the old one,
#                 byte for byte
#   last-remove   removal (text 43)
# drive_c outside TWAIN_32 is listed (path, size, sha1) before and after:
# only the settings INIs in the temporary folder may differ. Model 1600's
# files and the filler must come out of all of it intact.
#
# The search is never pressed: no network namespace, nothing is sent.
#
#   diskfull.sh --wine-root DIR --work DIR --exe TwainSetup.exe --driver twdriver.exe
#               [--arch win64] [--size 512k]
#
# Last line: "N passed, M failed". KEEP_WORK=1 keeps the work folder (the
# small drive's content at each step is copied to WORK/points/).
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

wine_root="" work_root="" exe="" driver="" arch=win64 size=512k inner=""
args=("$@")
. "$repo/tests/lib/options.sh"  # tw_options, tw_require
tw_options "wine-root work exe driver arch size inner" "$@"
tw_require wine_root work_root exe driver

# ---- outside: the work folder, then the same script in a mount namespace ----
if [ -z "$inner" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "diskfull: must run as root (mount namespace)"; echo "0 passed, 1 failed"; exit 1; }
  mkdir -p "$work_root" "$wine_root"
  work=$(mktemp -d "$(cd "$work_root" && pwd)/diskfull.XXXXXX")
  if [ -n "${KEEP_WORK:-}" ]; then echo "work folder: $work"; else trap 'rm -rf --one-file-system "$work"' EXIT; fi
  t0=$(date +%s%N)
  unshare --mount --propagation private -- bash "$0" "${args[@]}" --inner "$work"
  rc=$?
  echo "diskfull: $(( ($(date +%s%N) - t0) / 1000000 )) ms in all"
  exit $rc
fi

# ---- inside the mount namespace ---------------------------------------------
work=$inner
abspath() { printf '%s/%s' "$(cd "$(dirname "$1")" && pwd)" "$(basename "$1")"; }
exe=$(abspath "$exe") driver=$(abspath "$driver")
wine_root=$(cd "$wine_root" && pwd)

. "$repo/tests/lib/check.sh"  # passed, failed, ok, bad, expect, has

. "$repo/tests/lib/twscript.sh"  # winpath, str, tw_to_choice, tw_finish, tw_end
. "$repo/tests/lib/winfs.sh"     # on_disk, twain_dir, temp_dir

tw_session  # EXE, DRV, W, SYS, TW, prefix, drive
# The small drive's mount point: the prefix's TWAIN_32 in whatever letter
# case the prefix has it (wineboot's twain_32 where Wine's 32-bit half runs),
# else made with the program's spelling. Set once the prefix exists.
small=""
DONE41=$(str ENGLISH 41) DONE42=$(str ENGLISH 42) DONE43=$(str ENGLISH 43)
model_name() { echo "Example MFP ${1}00 Series"; }
FILES16="EXMFP16.ds EXMSC16.dll EXMRES.dll EXMFP16.lng"
FILES18="EXMFP18.ds EXMSC18.dll EXMRES.dll EXMFP18.lng"
GROWN=EXMSC18.dll

mounted=0 wr=""
cleanup() {
  # Normally the session's processes are gone by now (wine-run stops its
  # server). Stopped early: the run, then what is left of the prefix (all
  # started here). The mount would go with the namespace anyway.
  if [ -n "$wr" ] && kill -0 "$wr" 2>/dev/null; then
    kill -TERM "$wr" 2>/dev/null
    wait "$wr" 2>/dev/null
  fi
  local left
  left=$(grep -lszxF "WINEPREFIX=$prefix" /proc/[0-9]*/environ | cut -d/ -f3)
  [ -n "$left" ] && kill -TERM $left 2>/dev/null && sleep 1
  [ "$mounted" = 1 ] && umount "$small" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# ---- the packages -------------------------------------------------------------
cp -a "$repo/examples/package" "$work/clean"
cp -a "$repo/examples/package" "$work/grown"
src_clean=$work/clean/WIN2K_XP/ENGLISH
src_grown=$work/grown/WIN2K_XP/ENGLISH
# A new version of the library, 1 MiB, unlike the old one from its first
# byte on (a cut copy of it can be told from the old file).
{ printf 'GROWN EXMSC18 2.20\n'; yes 'EXMSC18 2.20 padding'; } 2>/dev/null | head -c 1048576 >"$src_grown/$GROWN"
tree_sum() { (cd "$1" && find . -printf '%y %p %s\n' | sort && find . -type f -exec sha1sum {} + | sort -k2); }
tree_sum "$work/clean" >"$work/clean.before"
tree_sum "$work/grown" >"$work/grown.before"

# ---- the twdriver script -------------------------------------------------------
pages() { tw_to_choice "$EXE" English "$(model_name "$1")"; }  # pages MODEL
system_clean() { tw_system_left; }  # after tw_end
install() {  # install MODEL ADDRESS [failed]
  pages "$1"
  printf '%s\n' "wait 1007,1012 10000" "press 1" "gone" "wait 1001,1003 10000" "type address $2" "press 1"
  if [ -n "${3:-}" ]; then tw_finish_any; else tw_finish "$DONE41"; fi
  tw_end
  system_clean
}
remove() {  # remove MODEL
  pages "$1"
  printf '%s\n' "wait 1009,1010 10000" "check 1010" "press 1"
  tw_finish "$DONE43"
  tw_end
  system_clean
}
upgrade() {  # upgrade MODEL [failed]
  pages "$1"
  printf '%s\n' "wait 1009,1010 10000" "press 1"
  if [ -n "${2:-}" ]; then tw_finish_any; else tw_finish "$DONE42"; fi
  tw_end
  system_clean
}
POINTS="before keep full-install reinstall full-upgrade after"
point() {  # the test looks at the drives while the script waits
  echo "touch $W\\$1.req"
  echo "waitfile $W\\$1.done 60000"
}

{
  point before
  echo "echo mark: keep"
  echo "cd $(winpath "$work/clean")"
  install 16 10.0.0.6
  point keep
  echo "echo mark: full-install"
  echo "cd $(winpath "$work/grown")"
  install 18 10.0.0.5 failed
  echo "exists $TW\\EXMFP18"
  point full-install
  echo "echo mark: reinstall"
  echo "cd $(winpath "$work/clean")"
  install 18 10.0.0.7
  point reinstall
  echo "echo mark: full-upgrade"
  echo "cd $(winpath "$work/grown")"
  upgrade 18 failed
  point full-upgrade
  echo "echo mark: last-remove"
  remove 18
  echo "exists $TW\\EXMFP18"
  point after
  echo "echo mark: end"
} >"$work/diskfull.tw"

# ---- what the test looks at ------------------------------------------------------
# drive_c without the small drive and the settings INIs in the temporary
# folders (which the installs write and keep by design).
snapshot() {
  (cd "$drive" && {
    find . -mindepth 1 \( -ipath ./windows/TWAIN_32 -o -ipath './users/*/Temp/EXM*.INI' \) -prune -o \( -type f -printf '%p %y %s\n' -o -printf '%p %y\n' \)
    find . -mindepth 1 \( -ipath ./windows/TWAIN_32 -o -ipath './users/*/Temp/EXM*.INI' \) -prune -o -type f -print0 |
      xargs -0 -r sha1sum | awk '{ h = $1; sub(/^[^ ]+  /, ""); print $0, h }'
  } | sort)
}
free_bytes() { df -B1 --output=avail "$small" | tail -n 1 | tr -d ' '; }
# state FILE SOURCE [OLD]: what a copied file holds
state() {
  local f src=$2 old=${3:-} n
  f=$(on_disk "$1")
  if [ ! -e "$f" ]; then echo absent; return; fi
  n=$(stat -c %s "$f")
  if cmp -s "$f" "$src"; then echo new
  elif [ -n "$old" ] && cmp -s "$f" "$old"; then echo old
  elif [ "$n" -lt "$(stat -c %s "$src")" ] && cmp -s -n "$n" "$f" "$src"; then echo "cut $n"
  else echo "other $n"; fi
}
declare -A free
# names DIR: the names in DIR, in lower case (Windows ignores the case), sorted.
names() { ls -A "$(on_disk "$1")" 2>/dev/null | tr 'A-Z' 'a-z' | sort | tr '\n' ' '; }
look() {  # look POINT: the small drive at this point
  local p=$1
  mkdir -p "$work/points/$p"
  [ "$mounted" = 1 ] && cp -a "$small/." "$work/points/$p/"
  free[$p]=$(free_bytes)
  { echo "free: ${free[$p]}"; (cd "$small" && find . -mindepth 1 -printf '%y %s %p\n' | sort -k3); } >"$work/points/$p.list"
}
kept_intact() {  # kept_intact POINT: model 1600 and (later) the filler
  local f
  for f in $FILES16; do
    if cmp -s "$(on_disk "$small/EXMFP16/$f")" "$src_clean/$f"; then ok; else bad "$1: model 1600's $f lost or changed"; fi
  done
  if [ -e "$work/filler.sha1" ]; then
    expect "$1: the filler on the small drive" "$(sha1sum <"$(on_disk "$small/FILLER.DAT")" 2>/dev/null | cut -c1-40)" "$(cat "$work/filler.sha1")"
  fi
}
at_point() {
  case $1 in
    before)
      # The prefix copy is made and its server runs: inside this namespace?
      local me p server=""
      me=$(readlink /proc/self/ns/mnt)
      for p in $(grep -lszxF "WINEPREFIX=$prefix" /proc/[0-9]*/environ | cut -d/ -f3); do
        case $(cat "/proc/$p/comm" 2>/dev/null) in wineserver*) server=$p ;; esac
        local ns
        ns=$(readlink "/proc/$p/ns/mnt" 2>/dev/null) || continue
        [ "$ns" = "$me" ] || bad "process $p ($(cat "/proc/$p/comm" 2>/dev/null)) of the prefix is in mount namespace $ns, not $me"
      done
      if [ -n "$server" ]; then ok; else bad "no wineserver for $prefix"; fi
      snapshot >"$work/before.snap"
      small=$(twain_dir "$drive")
      if mkdir -p "$small" && mount -t tmpfs -o "size=$size,mode=0755" twainfull "$small"; then
        mounted=1
        ok
      else
        bad "the small drive could not be mounted on $small"
        return 1  # the session stops: nothing is to be written on the real drive
      fi
      look before
      echo "small drive: $(df -B1 --output=size "$small" | tail -n 1 | tr -d ' ') bytes on $small, ${free[before]} free"
      ;;
    keep)
      look keep
      kept_intact keep
      ;;
    full-install)
      look full-install
      local f s states=""
      for f in $FILES18; do
        s=$(state "$small/EXMFP18/$f" "$src_grown/$f")
        states+="$f=$s "
      done
      echo "after the install onto the full drive: ${states% } (free ${free[full-install]})"
      # Nothing of the model is left, and the space is back.
      expect "full install: EXMFP18 not there" "$(names "$small")" "exmfp16 "
      expect "full install: the space is back" "${free[full-install]}" "${free[keep]}"
      expect "full install: settings of model 1800" "$(ls "$(temp_dir "$drive")" | grep -ix EXMFP18.INI)" ""
      kept_intact full-install
      ;;
    reinstall)
      local f
      for f in $FILES18; do
        expect "reinstall: $f" "$(state "$small/EXMFP18/$f" "$src_clean/$f")" new
      done
      # The rest of the drive: one file of the test's, written until full.
      dd if=/dev/urandom of="$small/FILLER.DAT" bs=4096 2>/dev/null
      sha1sum <"$small/FILLER.DAT" | cut -c1-40 >"$work/filler.sha1"
      look reinstall
      expect "reinstall: drive filled" "${free[reinstall]}" 0
      kept_intact reinstall
      ;;
    full-upgrade)
      look full-upgrade
      local f s states="" lost=""
      for f in $FILES18; do
        # "new" against the clean package: the bytes installed before.
        s=$(state "$small/EXMFP18/$f" "$src_clean/$f")
        states+="$f=$s "
        [ "$s" = new ] || lost+="$f=$s "
      done
      echo "after the upgrade onto the full drive: ${states% } (old $GROWN $(stat -c %s "$src_clean/$GROWN") bytes, new $(stat -c %s "$src_grown/$GROWN"))"
      # On a drive with no byte free not even a small new copy fits beside
      # its old file: the upgrade fails, and every file is the old one.
      expect "full upgrade: files not the old one" "${lost% }" ""
      expect "full upgrade: files of EXMFP18" "$(names "$small/EXMFP18")" \
        "$(printf '%s\n' $FILES18 | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')"
      kept_intact full-upgrade
      ;;
    after)
      look after
      expect "last removal: EXMFP18 gone" "$(names "$small")" "exmfp16 filler.dat "
      kept_intact after
      snapshot >"$work/after.snap"
      ;;
  esac
}

# ---- one session ------------------------------------------------------------
t0=$(date +%s%N)
"$repo/tests/wine/wine-run.sh" --root "$wine_root" --arch "$arch" --version winxp --fresh-keep "$prefix" \
  "$driver" -f "$(winpath "$work/diskfull.tw")" >"$work/diskfull.out" 2>&1 &
wr=$!
stamps=""
for p in $POINTS; do
  while [ ! -e "$work/$p.req" ] && kill -0 "$wr" 2>/dev/null; do sleep 0.05; done
  [ -e "$work/$p.req" ] || break
  at_point "$p" || { kill -TERM "$wr" 2>/dev/null; break; }
  stamps+="$p $(( ($(date +%s%N) - t0) / 1000000 )) "
  touch "$work/$p.done"
done
wait "$wr"
rc=$?
t1=$(date +%s%N)
out=$(tr -d '\r' <"$work/diskfull.out")
echo "session: $(( (t1 - t0) / 1000000 )) ms, exit $rc; ms at each step: ${stamps% }"
if [ "$rc" != 0 ]; then tail -n 25 <<<"$out" | sed 's/^/  > /'; fi
expect "twdriver's exit code" "$rc" 0
has "script ran to its end" "$out" "mark: end"

# ---- judged -------------------------------------------------------------------
tw_judge_runs "$out" "$work/diskfull.tw"
has "keep: install completed" "$(part keep)" "textx 1012: $DONE41"
has "full install: failed, naming the file" "$(part full-install)" "textx 1012: $(failure_text ENGLISH 73 "$GROWN" 112)"
has "full install: no folder of the model" "$(part full-install)" "exists $TW\\EXMFP18: 0"
has "reinstall: completed" "$(part reinstall)" "textx 1012: $DONE41"
starts "full upgrade: failed" "$(part full-upgrade)" "textx 1012: $(str ENGLISH 74)\n\n"
has "last removal: completed" "$(part last-remove)" "textx 1012: $DONE43"
has "last removal: folder gone" "$(part last-remove)" "exists $TW\\EXMFP18: 0"

if [ -s "$work/before.snap" ] && [ -s "$work/after.snap" ]; then
  expect "drive_c outside TWAIN_32 and the settings INIs unchanged" \
    "$(diff "$work/before.snap" "$work/after.snap" | grep '^[<>]')" ""
else
  bad "no snapshots of drive_c"
fi
tmp=$(temp_dir "$drive")
has "settings of model 1600" "$(tr -d '\r' <"$tmp/EXMFP16.INI" 2>/dev/null)" "ip0=10.0.0.6"
# The install onto the full drive wrote its settings (10.0.0.5); the reinstall
# after the removal wrote them again.
has "settings of model 1800" "$(tr -d '\r' <"$tmp/EXMFP18.INI" 2>/dev/null)" "ip0=10.0.0.7"
expect "clean package unchanged" "$(tree_sum "$work/clean" | diff "$work/clean.before" - | head -5)" ""
expect "grown package unchanged" "$(tree_sum "$work/grown" | diff "$work/grown.before" - | head -5)" ""

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
