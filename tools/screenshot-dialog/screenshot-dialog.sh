#!/usr/bin/env bash
# Takes a screenshot of one dialog template of a language library, shown
# under Wine on a private X server (Xvfb).
#
#   screenshot-dialog.sh [--locale ja_JP.UTF-8] BUILD_TREE LIBRARY_ID DIALOG_ID OUT.png [SHOW_DIALOG_ARGS...]
#
# BUILD_TREE is a Windows tree that Wine can run here (build/win64): its
# TwainSetup.exe supplies the LANGUAGERC payload LIBRARY_ID (136 English, 112
# Arabic, 121 Japanese, ...), which show_dialog.exe writes into the system
# folder, loads and shows like the installer does. SHOW_DIALOG_ARGS set
# control texts from the library's strings (see show_dialog.cpp), e.g. the
# install page as it opens:
#
#   screenshot-dialog.sh build/win64 136 107 docs/screens/install-en.png \
#     --header "Example MFP 16" 1007=hide 1008=hide 1012=29 1013=30 2=44 1=45
#
# The Wine prefix is the script's own, under BUILD_TREE/screenshot-wine, with
# Wine's X11 display driver (the test prefixes use the null driver) and Wine
# drawing the window frames itself (there is no window manager).
set -euo pipefail

locale="en_US.UTF-8"
if [ "${1:-}" = "--locale" ]; then locale="$2"; shift 2; fi
[ $# -ge 4 ] || { sed -n '2,19p' "$0" >&2; exit 2; }
tree=$(cd "$1" && pwd) library_id="$2" dialog_id="$3" out="$4"
shift 4

for f in TwainSetup.exe show_dialog.exe; do
  [ -f "$tree/$f" ] || { echo "screenshot-dialog: $tree/$f is missing (build first)" >&2; exit 1; }
done
for tool in xvfb-run import convert /usr/lib/wine/wine64 wineserver; do
  command -v "$tool" >/dev/null || { echo "screenshot-dialog: $tool is not installed" >&2; exit 1; }
done

export WINEPREFIX="$tree/screenshot-wine/prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" WINELOADER=/usr/lib/wine/wine64
wine=/usr/lib/wine/wine64
quiet() { "$@" </dev/null >/dev/null 2>&1; }
winpath() { echo "Z:$1" | tr / '\\'; }

if [ ! -f "$WINEPREFIX/.ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  quiet "$wine" wineboot -i
  quiet "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  # The Japanese template font, realised with the installed Japanese font.
  quiet "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d 'IPAGothic' /f
  quiet wineserver -w
  touch "$WINEPREFIX/.ready"
fi
# Letters that a page's font lacks (Chinese or Thai on an English system) are
# drawn with the fonts linked to it: Windows links its own fonts, here the
# installed ones are linked. Wine (8) realises a template font that is not
# installed as the first font linked to its name, and looks further fonts up
# by the realised font's name. "Times New Roman" (every template but the
# Japanese and Thai ones) links to DejaVu Sans, which Wine picks for it
# anyway, so those pages keep their size; DejaVu Sans links to the Thai,
# Chinese and Japanese fonts. The Thai templates' "MS Sans Serif" showed Thai
# letters only when realised as the Thai font itself, whose taller lines
# make those pages taller than without the link.
link() {
  quiet "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$1" /t REG_MULTI_SZ /d "$2" /f
}
if [ ! -f "$WINEPREFIX/.fontlinks" ]; then
  link 'Times New Roman' 'DejaVuSans.ttf,DejaVu Sans'
  link 'MS Sans Serif' 'Loma.ttf,Loma'
  link 'DejaVu Sans' 'Loma.ttf,Loma\0wqy-zenhei.ttc,WenQuanYi Zen Hei\0ipag.ttf,IPAGothic'
  quiet wineserver -w
  touch "$WINEPREFIX/.fontlinks"
fi

work=$(mktemp -d "$tree/screenshot-wine/shot.XXXXXX")
trap 'quiet wineserver -k || true; rm -rf "$work"' EXIT

args=(--program "$(winpath "$tree/TwainSetup.exe")" --library-id "$library_id" --dialog "$dialog_id" --seconds 6 "$@")
LANG="$locale" LC_ALL="$locale" xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
  set -e
  wineserver -p10 </dev/null >/dev/null 2>&1
  "$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
  "$WINELOADER" "$1" "${@:3}" </dev/null >/dev/null 2>&1 & pid=$!
  sleep 3
  import -window root "$2"
  wait $pid
' shot "$tree/show_dialog.exe" "$work/screen.png" "${args[@]}"

# The root window is black around the dialog: cut it away.
mkdir -p "$(dirname "$out")"
convert "$work/screen.png" -trim +repage -strip "$out"
echo "$out: $(identify -format '%wx%h' "$out")"
