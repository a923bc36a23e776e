#!/usr/bin/env bash
# make run: the wizard under Wine (the win64 build) from examples/package,
# inside private network namespaces where three simulated scanners answer its
# search (tests/netns/netns-run.sh; the search broadcasts, so it must never
# run in the machine's own namespace).
#
#   scripts/run.sh            with $DISPLAY: the live wizard on that display;
#                             without: the tour below
#   scripts/run.sh --tour     under a private X server (Xvfb): twdriver walks
#                             through every page (install through the search,
#                             then removal) and a screenshot of each page is
#                             left in build/screens/
#
# The prefix is a fresh copy with Wine's X11 driver, kept in build/run/prefix
# until the next run. BUILD names another build folder. Needs root (network
# namespaces).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/${BUILD:-build}
# shellcheck source=../tools/screens/tour.sh
. "$repo/tools/screens/tour.sh"

tour=0
[ "${1:-}" = "--tour" ] && tour=1
[ -z "${DISPLAY:-}" ] && tour=1

if [ "$(id -u)" -ne 0 ]; then
  echo "run: needs root: the wizard's search runs in private network namespaces" >&2
  exit 1
fi
for f in "$(tour_exe)" "$(tour_driver)"; do
  [ -f "$f" ] || { echo "run: $f is missing (make build)" >&2; exit 1; }
done

if [ "$tour" = 0 ]; then
  # A window manager frames Wine's windows when there is one; otherwise Wine
  # draws the frames itself.
  TOUR_MANAGED=N
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && TOUR_MANAGED=Y
  export TOUR_MANAGED
  # twdriver only starts the program (once the namespace is checked) and
  # waits for it: the pages are the user's.
  printf '%s\n' "cd $(tour_winpath "$repo/examples/package")" \
    "start $(tour_winpath "$(tour_exe)")" "waitexit 86400000" >"$build/run-live.tw"
  echo "run: the wizard on $DISPLAY (simulated scanners at 10.99.0.2 to 10.99.0.4)"
  set +e
  tour_session live "$build/run-live.tw"
  rc=$?
  set -e
  grep '^exit: ' "$build/run/live.out" | sed 's/^exit: /run: TwainSetup.exe exited with /' || true
  exit $rc
fi

shots=$build/screens
rm -rf "$shots"
mkdir -p "$shots"
tour_pages "$shots" "$(tour_str ENGLISH 67)" "Example MFP 1600 Series" en >"$build/run-tour.tw"
echo "run: no display given: a tour of every page under Xvfb, screenshots in ${BUILD:-build}/screens/"
set +e
LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 tour_session tour "$build/run-tour.tw" --xvfb --shots "$shots"
rc=$?
set -e
grep -E '^(error|exit):' "$build/run/tour.out" || true
ls "$shots"/*.png 2>/dev/null | sed "s|^$repo/||"
exit $rc
