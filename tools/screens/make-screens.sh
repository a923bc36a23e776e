#!/usr/bin/env bash
# Makes the screenshots of docs/screens/ from the real wizard, the way
# `make run` tours it without a display: Wine with its X11 driver on a private
# X server (Xvfb), inside private network namespaces where three simulated
# scanners answer the search (tests/e2e/session.sh), driven by twdriver.
#
#   tools/screens/make-screens.sh [OUT_DIR]     (default docs/screens)
#
# Writes, as 256-colour PNGs cut to the dialog:
#   en-NN-PAGE.png        every page and dialog in English: language, model,
#                         install, address, search, the address found,
#                         progress, installed, upgrade-or-remove, removed
#   ar-NN-PAGE.png        the same in Arabic (Arabic system locale as well,
#                         so the first two pages are Arabic too): mirrored
#   install-FOLDER.png    the install page in each of the 25 languages,
#                         chosen on the language page (Arabic: on the
#                         Arabic system)
#   en144-NN-PAGE.png     the English pages at 144 DPI (150 %, a common
#                         laptop setting)
# Needs a built win64 tree (make build; BUILD names another build folder)
# and root (network namespaces). Takes about three minutes.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=$repo/${BUILD:-build}
out=${1:-$repo/docs/screens}
# shellcheck source=tour.sh
. "$repo/tools/screens/tour.sh"

[ "$(id -u)" -eq 0 ] || { echo "make-screens: needs root (network namespaces)" >&2; exit 1; }
for f in "$(tour_exe)" "$(tour_driver)"; do
  [ -f "$f" ] || { echo "make-screens: $f is missing (make build)" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
raw=$build/screens-raw
rm -rf "$raw"
mkdir -p "$raw"

# Session 1, English system: the tour, then the install page of every
# language (display names as the English system lists them).
{
  tour_pages "$raw" "$(tour_str ENGLISH 67)" "Example MFP 1600 Series" en
  echo "cd $(tour_winpath "$repo/examples/package")"
  sed -n 's/^LANGUAGE_ROW(\([A-Z_]*\), \([0-9]*\),.*/\1 \2/p' "$repo/package/languages.inc" | while read -r folder id; do
    lower=$(echo "$folder" | tr 'A-Z' 'a-z')
    # Arabic is shaped well only in a page font that holds it: its install
    # page comes from the Arabic session.
    [ "$folder" = ARABIC ] && continue
    cat <<EOF
start $(tour_winpath "$(tour_exe)")
wait 1015 30000
selecttext 1015 $(tour_str ENGLISH "$id")
press 1
gone
wait 1014 10000
press 1
gone
wait 1007,1012 10000
shot $(tour_winpath "$raw") install-$lower
press 2
gone
waitexit 30000
EOF
  done
} >"$raw/english.tw"
failed() { echo "make-screens: the $1 session failed:" >&2; grep -E '^(error|session):' "$build/run/$1.out" >&2; exit 1; }
LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 tour_session screens-en "$raw/english.tw" --xvfb --shots "$raw" || failed screens-en

# Session 2, Arabic system and Arabic chosen: the mirrored pages.
tour_pages "$raw" "$(tour_str ARABIC 71)" "Example MFP 1600 Series" ar >"$raw/arabic.tw"
LANG=ar_SA.UTF-8 LC_ALL=ar_SA.UTF-8 TOUR_SERIF=FreeSerif tour_session screens-ar "$raw/arabic.tw" --xvfb --shots "$raw" || failed screens-ar

# Session 3, English at 144 DPI.
tour_pages "$raw" "$(tour_str ENGLISH 67)" "Example MFP 1600 Series" en144 >"$raw/english144.tw"
LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 TOUR_DPI=144 tour_session screens-en144 "$raw/english144.tw" --xvfb \
  --shots "$raw" || failed screens-en144

cp "$raw/ar-03-install.png" "$raw/install-arabic.png"
count=0
for png in "$raw"/*.png; do
  convert "$png" -strip -colors 256 "PNG8:$out/$(basename "$png")"
  count=$((count + 1))
done
echo "make-screens: $count screenshots in ${out#"$repo"/}, $(du -ch "$out"/*.png | tail -1 | cut -f1) in all"
