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
#            progress pauses; then the upgrade and the removal of the same
#            files, each with its time beyond its pauses
#   discovery 250 simulated scanners answering one search in a burst, inside
#            the namespace harness (tests/e2e/session.sh, root only): are all
#            listed, and the time from the burst (the simulator's log line of
#            the request, written just before its replies) to the 250th entry
#
#   bench/run.sh [--build DIR] [--rounds N] [--only start,size,copy,discovery]
# DIR is a `make build` tree (default: build). Work files go to DIR/bench.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
build=$repo/build rounds=7 only=start,size,copy,discovery
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
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

winpath() { printf 'Z:%s' "${1//\//\\}"; }
want() { [[ ",$only," == *",$1,"* ]]; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
str() { awk -F'\t' -v id="$2" '$1 == id { print $2 }' "$repo/ui/resources/lang/$1.txt"; }

# The baselines, built for x86-64 like the program the Wine runs start.
cxx=x86_64-w64-mingw32-g++
for p in bare_dialog launch_timer copy_files; do
  flags="-std=c++17 -Os -static"
  [ "$p" = bare_dialog ] && flags="$flags -mwindows"
  if [ ! "$out/$p.exe" -nt "$here/$p.cpp" ]; then
    $cxx $flags -o "$out/$p.exe" "$here/$p.cpp" || exit 1
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
  {
    echo "cd $PKG"
    echo "start $PKG\\TwainSetup.exe"
    echo "wait 1015 20000"
    echo "selecttext 1015 English"
    echo "press 1"
    echo "gone"
    echo "wait 1014 10000"
    echo "selecttext 1014 Example MFP 1800 Series"
    echo "press 1"
    echo "gone"
    echo "wait 1007,1012 10000"
    echo "press 1"
    echo "gone"
    echo "wait 1001,1003 10000"
    echo "type address 192.168.40.7"
    echo "touch $W\\install-begin"
    echo "press 1"
    echo "gone"
    echo "wait 1011 10000"
    echo "waittext 1012 300000 $(str ENGLISH 41)"
    echo "touch $W\\install-end"
    echo "press 2"
    echo "gone"
    echo "waitexit 30000"
    echo "exists C:\\windows\\TWAIN_32\\EXMFP18\\EXMRES.dll"
    for seq in upgrade:1009:42 remove:1010:43; do
      IFS=: read -r name radio text <<<"$seq"
      echo "start $PKG\\TwainSetup.exe"
      echo "wait 1015 20000"
      echo "selecttext 1015 English"
      echo "press 1"
      echo "gone"
      echo "wait 1014 10000"
      echo "selecttext 1014 Example MFP 1800 Series"
      echo "press 1"
      echo "gone"
      echo "wait 1009,1010 10000"
      echo "check $radio"
      echo "touch $W\\$name-begin"
      echo "press 1"
      echo "gone"
      echo "wait 1011 10000"
      echo "waittext 1012 300000 $(str ENGLISH "$text")"
      echo "touch $W\\$name-end"
      echo "press 2"
      echo "gone"
      echo "waitexit 30000"
    done
    echo "start $PKG\\copy_files.exe $PKG\\WIN2K_XP\\ENGLISH C:\\windows\\TWAIN_32\\BARECOPY ${files[*]}"
    echo "waitexit 300000"
  } >"$work/copy.tw"
  (cd "$pkg" && bash "$wine_run" --root "$wine_root" --arch win64 --version winxp --fresh \
    "$driver" -f "$(winpath "$work/copy.tw")") >"$work/copy.out" 2>&1
  t=$(tr -d '\r' <"$work/copy.out")
  bare=$(awk '$1 == "copy" { print $2 }' <<<"$t")
  if [ -f "$work/install-begin" ] && [ -f "$work/install-end" ] && [ -n "$bare" ] &&
    grep -qx 'exists C:\\windows\\TWAIN_32\\EXMFP18\\EXMRES.dll: 1' <<<"$t"; then
    install=$(( ($(date -r "$work/install-end" +%s%N) - $(date -r "$work/install-begin" +%s%N)) / 100000 ))
    install=$(awk -v t="$install" 'BEGIN { printf "%.1f", t / 10 }')
    beyond=$(awk -v t="$install" 'BEGIN { printf "%.1f", t - 4000 }')
    span() {  # span NAME PAUSES: "TOTAL ms, beyond its PAUSES x 1000 ms pauses X ms"
      local t=$(( ($(date -r "$work/$1-end" +%s%N) - $(date -r "$work/$1-begin" +%s%N)) / 100000 ))
      awk -v t="$t" -v p="$2" 'BEGIN { printf "%.1f ms, beyond its %d x 1000 ms pauses %.1f ms", t / 10, p, t / 10 - 1000 * p }'
    }
    seqs="install $(span install 4)"
    [ -f "$work/upgrade-end" ] && seqs="$seqs; upgrade (the same four files again) $(span upgrade 3)"
    [ -f "$work/remove-end" ] && seqs="$seqs; removal $(span remove 5)"
    mkdir -p "$work/cp"
    c0=$(date +%s%N)
    cp "${files[@]/#/$src/}" "$work/cp/"
    sync "$work/cp"
    c1=$(date +%s%N)
    cpms=$(awk -v t=$(( (c1 - c0) / 100000 )) 'BEGIN { printf "%.1f", t / 10 }')
    echo "copy: $((total / 1048576)) MB in ${#files[@]} files; install beyond its pauses $beyond ms (from OK" \
      "in the address dialog to the completion text); bare CopyFileA $bare ms: ratio $(ratio "$beyond" "$bare");" \
      "Linux cp (with sync) $cpms ms: ratio $(ratio "$beyond" "$cpms")"
    echo "sequences: $seqs"
  else
    echo "copy: no figures"; cat "$work/copy.out"
  fi
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
      echo "start $PKG\\TwainSetup.exe"
      echo "wait 1015 20000"
      echo "selecttext 1015 English"
      echo "press 1"
      echo "gone"
      echo "wait 1014 10000"
      echo "selecttext 1014 Example MFP 1800 Series"
      echo "press 1"
      echo "gone"
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
      --devices "$n" >"$work/disc.log" 2>&1
    t=$(tr -d '\r' <"$work/disc.out")
    count=$(sed -n 's/^list 1004: count=\([0-9]*\).*/\1/p' <<<"$t")
    distinct=$(grep '^item 1004\[' <<<"$t" | sed 's/^[^:]*: //' | sort -u | wc -l)
    stamp=$(awk '/action=answer/ { print $1 }' "$work/sim.log" 2>/dev/null | tail -1)
    if [ -n "$count" ] && [ -f "$work/search-listed" ] && [ -n "$stamp" ] &&
      grep -q '^session: wineserver [0-9]* in twreq-' "$work/disc.log"; then
      burst=$(date -d "$stamp" +%s%N)
      listed=$(date -r "$work/search-listed" +%s%N)
      begin=$(date -r "$work/search-begin" +%s%N)
      first=$(date -r "$work/search-first" +%s%N)
      echo "discovery: $n simulated scanners, one burst: $count listed ($distinct distinct) of $n," \
        "$(grep -c 'action=answer' "$work/sim.log") request(s) answered; Search pressed to burst" \
        "$(( (burst - begin) / 1000000 )) ms, burst to the first entry $(( (first - burst) / 1000000 )) ms, to the ${n}th" \
        "$(( (listed - burst) / 1000000 )) ms"
    else
      echo "discovery: no figures"; cat "$work/disc.log" "$work/disc.out"
    fi
    rm -rf "$work/disc-prefix"
  fi
fi
rm -rf "$work"
