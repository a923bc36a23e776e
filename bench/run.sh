#!/usr/bin/env bash
# Benchmarks of TwainSetup.exe, each a ratio against a bare baseline measured
# side by side in the same run (figures, not pass or fail):
#   start    start to first visible page, TwainSetup.exe against a bare
#            one-dialog program (bench/bare_dialog.cpp), started in turn by
#            bench/launch_timer.cpp under Wine; median of ROUNDS
#   size     the i686 exe against the payload it carries (25 language
#            libraries, the driver-setup library, the header bitmap) and its
#            code section
#   copy     a 200 MB data source (the demo package with the 1800 model's four
#            files grown to 50 MB each) installed by the program against a bare
#            CopyFileA program (bench/copy_files.cpp) in the same prefix, and
#            against Linux cp; the install's time beyond its four 1000 ms
#            progress pauses; then the upgrade of the same files against a
#            bare copy over existing files, and the removal against bare
#            DeleteFileA calls, each with its time beyond its pauses; medians
#            of COPY-ROUNDS rounds, every step after a disk flush; and the
#            program's own file copy against CopyFileA, in turn in one session
#   discovery 250 simulated scanners answering one search in a burst, inside
#            the namespace harness (tests/e2e/session.sh, root only): are all
#            listed, and the time from the burst (the simulator's log line of
#            the request, written just before its replies) to the 250th entry;
#            each device also gives its name, location and model (SNMP): how
#            many show them
#
#   bench/run.sh [--build DIR] [--rounds N] [--copy-rounds N] [--only start,size,copy,discovery]
# DIR is a `make build` tree (default: build). Work files go to DIR/bench.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
build=$repo/build rounds=7 copy_rounds=3 only=start,size,copy,discovery
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --copy-rounds) copy_rounds=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    *) echo "bench: unknown option $1" >&2; exit 2 ;;
  esac
done
build=$(cd "$build" && pwd)
exe32=$build/win32/TwainSetup.exe exe64=$build/win64/TwainSetup.exe
driver=$build/win64/tools/twdriver/twdriver.exe
for f in "$exe32" "$exe64" "$driver"; do
  [ -f "$f" ] || { echo "bench: $f missing (make build first)" >&2; exit 1; }
done
out=$build/bench
work=$out/work
rm -rf "$work"
mkdir -p "$work"
wine_root=$build/win64/wine
wine_run=$repo/tests/wine/wine-run.sh

. "$repo/tests/lib/twscript.sh"
want() { [[ ",$only," == *",$1,"* ]]; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# The baselines, built for x86-64 like the program the Wine runs start.
cxx=x86_64-w64-mingw32-g++
for p in bare_dialog launch_timer copy_files; do
  flags="-std=c++17 -Os -static"
  [ "$p" = bare_dialog ] && flags="$flags -mwindows"
  srcs=("$here/$p.cpp")
  # The copy baseline also runs the program's own copy, built from its source.
  [ "$p" = copy_files ] && srcs+=("$repo/operations/copyfile_win.cpp")
  if [ ! "$out/$p.exe" -nt "$here/$p.cpp" ] || [ "$p" = copy_files ]; then
    $cxx $flags -I"$repo" -o "$out/$p.exe" "${srcs[@]}" || exit 1
  fi
done

echo "bench: $(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, $(/usr/lib/wine/wine64 --version 2>/dev/null || echo wine)"

# ---- start -----------------------------------------------------------------
if want start; then
  pkg=$work/start
  cp -a "$repo/examples/package" "$pkg"
  cp "$exe64" "$pkg/TwainSetup.exe"
  cp "$out/bare_dialog.exe" "$pkg/bare_dialog.exe"
  # Started from the package folder, as a user would.
  (cd "$pkg" && bash "$wine_run" --root "$wine_root" --arch win64 --version winxp --fresh \
    "$out/launch_timer.exe" "$rounds" "$(winpath "$pkg/TwainSetup.exe")" "$(winpath "$pkg/bare_dialog.exe")") \
    >"$work/start.out" 2>&1
  t=$(tr -d '\r' <"$work/start.out")
  a=$(awk '$1 == "start" && $2 == "TwainSetup.exe" { print $4 }' <<<"$t" | median)
  b=$(awk '$1 == "start" && $2 == "bare_dialog.exe" { print $4 }' <<<"$t" | median)
  if [ -n "$a" ] && [ -n "$b" ]; then
    echo "start: TwainSetup.exe ${a} ms, bare dialog ${b} ms to the first visible window" \
      "(median of $rounds, win64 build under Wine): ratio $(ratio "$a" "$b")"
  else
    echo "start: no figures"; cat "$work/start.out"
  fi
fi

# ---- size ------------------------------------------------------------------
if want size; then
  exe_bytes=$(stat -c %s "$exe32")
  lang_bytes=$(cat "$build"/win32/lang/lang_*.dll | wc -c)
  lang_count=$(ls "$build"/win32/lang/lang_*.dll | wc -l)
  drv_bytes=$(stat -c %s "$build/win32/drvsetup/DrvSetup.dll")
  bmp_bytes=$(stat -c %s "$repo/ui/resources/art/header.bmp")
  payload=$((lang_bytes + drv_bytes + bmp_bytes))
  text_bytes=$((16#$(i686-w64-mingw32-objdump -h "$exe32" | awk '$2 == ".text" { print $3 }')))
  echo "size: i686 TwainSetup.exe $exe_bytes bytes; payload $payload bytes ($lang_count language" \
    "libraries $lang_bytes, DrvSetup.dll $drv_bytes, header.bmp $bmp_bytes): exe/payload" \
    "$(ratio "$exe_bytes" "$payload"); .text $text_bytes bytes ($(awk -v a="$text_bytes" -v b="$exe_bytes" 'BEGIN { printf "%.2f", 100 * a / b }')% of the exe)"
fi

# ---- copy ------------------------------------------------------------------
# Each timed step runs in its own server session of one kept prefix, with the
# disk flushed before it, so that no step pays for another's write-back: the
# bare copy into new files, the install, the bare copy over its own files, the
# upgrade (over the installed files) and the removal, in that order.
if want copy; then
  pkg=$work/copy
  cp -a "$repo/examples/package" "$pkg"
  cp "$exe64" "$pkg/TwainSetup.exe"
  cp "$out/copy_files.exe" "$pkg/copy_files.exe"
  src=$pkg/WIN2K_XP/ENGLISH
  files=(EXMFP18.ds EXMSC18.dll EXMRES.dll EXMFP18.lng)
  for f in "${files[@]}"; do
    head -c $((50 * 1024 * 1024 - $(stat -c %s "$src/$f"))) /dev/urandom >>"$src/$f"
  done
  total=$(cat "${files[@]/#/$src/}" | wc -c)
  PKG=$(winpath "$pkg") W=$(winpath "$work")
  prefix=$work/copy-prefix
  bare_step() {  # bare_step [--whole]: CopyFileA, or the program's own copy
    echo "start $PKG\\copy_files.exe ${1:-} $PKG\\WIN2K_XP\\ENGLISH C:\\windows\\BARECOPY ${files[*]}"
    echo "waitexit 300000"
  }
  wizard_to() {
    echo "cd $PKG"
    tw_to_choice "$PKG\\TwainSetup.exe" English "Example MFP 1800 Series"
  }
  finish() {  # finish NAME TEXT-ID
    tw_finish "$(str ENGLISH "$2")" 300000
    echo "touch $W\\$1-end"
    tw_end
  }
  bare_step >"$work/bare1.tw"
  {
    wizard_to
    echo "wait 1007,1012 10000"
    echo "press 1"
    echo "gone"
    echo "wait 1001,1003 10000"
    echo "type address 192.168.40.7"
    echo "touch $W\\install-begin"
    echo "press 1"
    finish install 41
    echo "exists C:\\windows\\TWAIN_32\\EXMFP18\\EXMRES.dll"
  } >"$work/install.tw"
  bare_step >"$work/bare2.tw"
  for seq in upgrade:1009:42 remove:1010:43; do
    IFS=: read -r name radio text <<<"$seq"
    {
      wizard_to
      echo "wait 1009,1010 10000"
      echo "check $radio"
      echo "touch $W\\$name-begin"
      echo "press 1"
      finish "$name" "$text"
    } >"$work/$name.tw"
  done
  # The unattended install as a deployment tool starts it, process start
  # included, against the bare copy program started the same way.
  {
    echo "cd $PKG"
    echo "touch $W\\silent-begin"
    echo "run 300000 $PKG\\TwainSetup.exe /S /model=18 /ip=192.168.40.7"
    echo "touch $W\\silent-end"
    echo "run 300000 $PKG\\TwainSetup.exe /S /remove /model=18"
    echo "touch $W\\barerun-begin"
    echo "run 300000 $PKG\\copy_files.exe $PKG\\WIN2K_XP\\ENGLISH C:\\windows\\BARECOPY ${files[*]}"
    echo "touch $W\\barerun-end"
  } >"$work/silent.tw"
  echo "start $PKG\\copy_files.exe --delete C:\\windows\\BARECOPY ${files[*]}" >"$work/baredel.tw"
  echo "waitexit 300000" >>"$work/baredel.tw"
  : >"$work/copy.out"
  span() {  # span NAME: milliseconds between the NAME-begin and NAME-end marks
    [ -f "$work/$1-end" ] && [ "$work/$1-end" -nt "$work/$1-begin" ] || return 0
    awk -v t=$(( ($(date -r "$work/$1-end" +%s%N) - $(date -r "$work/$1-begin" +%s%N)) / 100000 )) \
      'BEGIN { printf "%.1f\n", t / 10 }'
  }
  for r in $(seq 1 "$copy_rounds"); do
    for step in bare1 install bare2 upgrade remove baredel silent baredel; do
      sync
      if [ "$r$step" = 1bare1 ]; then how=(--root "$wine_root" --arch win64 --version winxp --fresh-keep "$prefix")
      else how=(--again "$prefix"); fi
      rm -f "$work/$step-begin" "$work/$step-end"
      (cd "$pkg" && bash "$wine_run" "${how[@]}" "$driver" -f "$(winpath "$work/$step.tw")") 2>&1 |
        tr -d '\r' | sed -E "s/^(copy|delete|whole) /\1 $step /" >>"$work/copy.out"
      case $step in install|upgrade|remove) echo "span $step $(span "$step")" >>"$work/copy.out" ;; esac
      [ "$step" = silent ] && echo "span silent $(span silent)" >>"$work/copy.out" &&
        echo "span barerun $(span barerun)" >>"$work/copy.out"
    done
  done
  t=$(cat "$work/copy.out")
  med() { awk -v a="$1" -v b="$2" '$1 == a && $2 == b && $3 != "" { print $3 }' <<<"$t" | median; }
  bare1=$(med copy bare1) bare2=$(med copy bare2) baredel=$(med delete baredel)
  # The file copy alone: the program's own copy and CopyFileA in turn, each
  # into new files, 2 x COPY-ROUNDS times in one session (the order swapped
  # every round), so that both meet the same state of the disk.
  {
    echo "@echo off"
    for r in $(seq 1 "$copy_rounds"); do
      for how in --whole "" "" --whole; do
        echo "$PKG\\copy_files.exe $how $PKG\\WIN2K_XP\\ENGLISH C:\\windows\\BARECOPY ${files[*]}"
        echo "$PKG\\copy_files.exe --delete C:\\windows\\BARECOPY ${files[*]}"
      done
    done
  } | sed 's/$/\r/' >"$pkg/pair.bat"
  pair=$(cd "$pkg" && bash "$wine_run" --again "$prefix" 'C:\windows\system32\cmd.exe' /c "$PKG\\pair.bat" 2>&1 | tr -d '\r')
  whole=$(awk '$1 == "whole" { print $2 }' <<<"$pair" | median)
  paired=$(awk '$1 == "copy" { print $2 }' <<<"$pair" | median)
  beyond() { awk -v t="$1" -v p="$2" 'BEGIN { printf "%.1f", t - 1000 * p }'; }
  minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a - b }'; }
  install=$(med span install) upgrade=$(med span upgrade) remove=$(med span remove)
  silent=$(med span silent) barerun=$(med span barerun)
  if [ -n "$install" ] && [ -n "$bare1" ] &&
    grep -qx 'exists C:\\windows\\TWAIN_32\\EXMFP18\\EXMRES.dll: 1' <<<"$t"; then
    install=$(beyond "$install" 4)
    mkdir -p "$work/cp"
    sync
    c0=$(date +%s%N)
    cp "${files[@]/#/$src/}" "$work/cp/"
    sync "$work/cp"
    c1=$(date +%s%N)
    cpms=$(awk -v t=$(( (c1 - c0) / 100000 )) 'BEGIN { printf "%.1f", t / 10 }')
    echo "copy: $((total / 1048576)) MB in ${#files[@]} files, medians of $copy_rounds rounds; install beyond its" \
      "four 1000 ms pauses $install ms (from OK in the address dialog to the completion text); bare CopyFileA" \
      "into new files $bare1 ms: ratio $(ratio "$install" "$bare1") (beyond the copy $(minus "$install" "$bare1") ms);" \
      "Linux cp (with sync) $cpms ms: ratio $(ratio "$install" "$cpms")"
    [ -n "$silent" ] && [ -n "$barerun" ] &&
      echo "silent install: TwainSetup.exe /S, start to end, $silent ms; the bare copy program started the same way" \
        "$barerun ms: ratio $(ratio "$silent" "$barerun")"
    [ -n "$whole" ] &&
      echo "file copy: the program's own copy (copyWholeFile) into new files $whole ms against bare CopyFileA" \
        "$paired ms, in turn in one session, medians of $((2 * copy_rounds)): $(ratio "$paired" "$whole")x the throughput"
    [ -n "$upgrade" ] && [ -n "$bare2" ] &&
      echo "upgrade: beyond its three pauses $(beyond "$upgrade" 3) ms; bare CopyFileA over its own files" \
        "$bare2 ms: ratio $(ratio "$(beyond "$upgrade" 3)" "$bare2") (beyond the copy $(minus "$(beyond "$upgrade" 3)" "$bare2") ms)"
    [ -n "$remove" ] && [ -n "$baredel" ] &&
      echo "removal: beyond its five pauses $(beyond "$remove" 5) ms; bare DeleteFileA of the same files" \
        "$baredel ms (beyond the deletions $(minus "$(beyond "$remove" 5)" "$baredel") ms)"
  else
    echo "copy: no figures"; cat "$work/copy.out"
  fi
  rm -rf "$prefix"
fi

# ---- discovery ---------------------------------------------------------------
if want discovery; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "discovery: skipped (network namespaces need root)"
  else
    pkg=$work/disc
    cp -a "$repo/examples/package" "$pkg"
    cp "$exe64" "$pkg/TwainSetup.exe"
    PKG=$(winpath "$pkg") W=$(winpath "$work")
    n=250
    {
      echo "cd $PKG"
      tw_to_choice "$PKG\\TwainSetup.exe" English "Example MFP 1800 Series"
      echo "wait 1007,1012 10000"
      echo "press 1"
      echo "gone"
      echo "wait 1001,1003 10000"
      echo "touch $W\\search-begin"
      echo "press 1003"
      echo "wait 1004 10000"
      echo "waitcount 1004 1 60000"
      echo "touch $W\\search-first"
      echo "waitcount 1004 $n 60000"
      echo "touch $W\\search-listed"
      echo "sleep 2000"
      echo "list 1004"
      # Every device's name, location and model, as the simulator gives them.
      for ((i = 2; i < n + 2; i++)); do
        model="Example MFP $i"
        [ $((i % 2)) -eq 1 ] && model="$model (sysDescr)"
        echo "selecttext 1004 10.99.0.$i"
        echo "waittext 1019 3000 Name: MFP-0-$i\\nLocation: Floor $((i % 10)), room $i\\nModel: $model"
      done
      echo "dblclick 1004 0"
      echo "gone"
      echo "wait 1001,1003"
      echo "press 2"
      echo "gone"
      echo "waitexit 30000"
    } >"$work/disc.tw"
    SCANNER_SIM=$build/native/tools/scanner-sim/scanner-sim SIM_LOG=$work/sim.log \
      bash "$repo/tests/e2e/session.sh" --wine-root "$wine_root" --arch win64 --version winxp \
      --prefix "$work/disc-prefix" --driver "$driver" --script "$work/disc.tw" --out "$work/disc.out" \
      --devices "$n" --sim-args "--snmp 10.99.0.2-10.99.0.$((n + 1))" >"$work/disc.log" 2>&1
    t=$(tr -d '\r' <"$work/disc.out")
    count=$(sed -n 's/^list 1004: count=\([0-9]*\).*/\1/p' <<<"$t")
    distinct=$(grep '^item 1004\[' <<<"$t" | sed 's/^[^:]*: //' | sort -u | wc -l)
    # The first request's burst: the repeats come after the list is full.
    stamp=$(awk '/action=answer/ { print $1 }' "$work/sim.log" 2>/dev/null | head -1)
    if [ -n "$count" ] && [ -f "$work/search-listed" ] && [ -n "$stamp" ] &&
      grep -q '^session: wineserver [0-9]* in twreq-' "$work/disc.log"; then
      burst=$(date -d "$stamp" +%s%N)
      listed=$(date -r "$work/search-listed" +%s%N)
      begin=$(date -r "$work/search-begin" +%s%N)
      first=$(date -r "$work/search-first" +%s%N)
      echo "discovery: $n simulated scanners, one burst: $count listed ($distinct distinct) of $n," \
        "$(grep -c ' request=.* action=answer' "$work/sim.log") request(s) answered; Search pressed to burst" \
        "$(( (burst - begin) / 1000000 )) ms, burst to the first entry $(( (first - burst) / 1000000 )) ms, to the ${n}th" \
        "$(( (listed - burst) / 1000000 )) ms; names: $(grep -c '^textx 1019: Name: ' <<<"$t") of $n shown with" \
        "their location and model 2 s after the list was full, $(grep -c ' name-request ' "$work/sim.log") name requests"
    else
      echo "discovery: no figures"; cat "$work/disc.log" "$work/disc.out"
    fi
    rm -rf "$work/disc-prefix"
  fi
fi
# KEEP_WORK=1 keeps the work folder (the programs' output) for a look inside.
[ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
