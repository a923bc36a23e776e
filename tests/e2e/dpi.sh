#!/usr/bin/env bash
# The pages at 96 and at 144 DPI (150 %, a common laptop setting), drawn by
# Wine's X11 driver on a private X server: the header picture spans the page
# at both, its band grows with the DPI, and the address field is placed in
# scaled pixels. Runs in the namespaces of tests/e2e/session.sh (root).
#
#   dpi.sh --wine-root DIR --work DIR --exe TwainSetup.exe --driver twdriver.exe [--arch win64]
#
# Last line: "N passed, M failed". KEEP_WORK=1 keeps the screenshots.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

wine_root="" work_root="" exe="" driver="" arch=win64
. "$repo/tests/lib/options.sh"
tw_options "wine-root work exe driver arch" "$@"
tw_require wine_root work_root exe driver
[ "$(id -u)" -eq 0 ] || { echo "dpi: must run as root (network namespaces)"; echo "0 passed, 1 failed"; exit 1; }
. "$repo/tests/lib/check.sh"      # passed, failed, ok, bad, expect
. "$repo/tests/lib/twscript.sh"   # winpath, tw_to_choice, tw_session, str
. "$repo/tools/screens/tour.sh"   # tour_reg
exe=$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")
tw_work dpi
tw_session  # EXE, W
cp -a "$repo/examples/package" "$work/pkg"

# band PNG: width and height of the header's dark band, counted along the
# row and the column 5 pixels inside the page's corner; then the page's width.
band() {
  local w h
  read -r w h < <(identify -format '%w %h\n' "$1")
  printf '%s %s %s\n' \
    "$(convert "$1" -crop "${w}x1+0+5" +repage -colorspace gray -threshold 40% txt:- | grep -c 'gray(0)')" \
    "$(convert "$1" -crop "1x${h}+5+0" +repage -colorspace gray -threshold 40% txt:- | grep -c 'gray(0)')" "$w"
}

declare -A fields width height page
for dpi in 96 144; do
  tour_reg "$work/x$dpi.reg" N "$dpi"
  {
    echo "cd $(winpath "$work/pkg")"
    tw_to_choice "$EXE" English "Example MFP 1600 Series"
    echo "wait 1007,1012 10000"
    echo "shot $W dpi$dpi-install"
    echo "press 1"
    echo "gone"
    echo "wait 1001,1003 10000"
    echo "field"
    echo "type address 10.1.2.3"
    echo "press 1"
    echo "gone"
    echo "wait 1011 10000"
    echo "waittext 1012 30000 $(str ENGLISH 41)"
    echo "shot $W dpi$dpi-progress"
    echo "press 2"
    echo "gone"
    echo "waitexit 30000"
  } >"$work/dpi$dpi.tw"
  bash "$here/session.sh" --wine-root "$wine_root" --arch "$arch" --prefix "$work/prefix$dpi" --driver "$driver" \
    --script "$work/dpi$dpi.tw" --out "$work/dpi$dpi.out" --devices 0 --reg "$work/x$dpi.reg" --xvfb \
    --shots "$work" >"$work/dpi$dpi.log" 2>&1
  rc=$?
  expect "$dpi DPI: twdriver's exit code" "$rc" 0
  [ "$rc" = 0 ] || sed 's/^/  | /' "$work/dpi$dpi.log" | tail -n 15
  [ -f "$work/dpi$dpi.out" ] || : >"$work/dpi$dpi.out"
  fields[$dpi]=$(tr -d '\r' <"$work/dpi$dpi.out" | grep '^field: ' | cut -d' ' -f2-5)
  for page in install progress; do
    png=$work/dpi$dpi-$page.png
    if [ -f "$png" ]; then read -r bw bh pw < <(band "$png"); else bw=0 bh=0 pw=1; fi
    width[$dpi$page]=$bw height[$dpi$page]=$bh page[$dpi$page]=$pw
    echo "$dpi DPI, $page page: header band ${bw}x$bh on a page $pw wide"
  done
done

expect "address field at 96 DPI" "${fields[96]}" "x=25 y=40 w=200 h=20"
expect "address field at 144 DPI" "${fields[144]}" "x=38 y=60 w=300 h=30"
for page in install progress; do
  for dpi in 96 144; do
    # The picture meets the page's right edge (its frame aside) at both.
    [ $((width[$dpi$page] * 100)) -ge $((page[$dpi$page] * 97)) ] && ok ||
      bad "$page page at $dpi DPI: the header spans ${width[$dpi$page]} of ${page[$dpi$page]} pixels"
  done
  # One and a half times as tall, give or take a pixel or two of rounding.
  ratio=$((height[144$page] * 100 / (height[96$page] > 0 ? height[96$page] : 1)))
  [ "$ratio" -ge 147 ] && [ "$ratio" -le 153 ] && ok ||
    bad "$page page: header band ${height[96$page]} px tall at 96 DPI, ${height[144$page]} at 144"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
