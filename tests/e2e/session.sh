#!/usr/bin/env bash
# One twdriver script against the real program, in a fresh Wine prefix whose
# wineserver lives in a private network namespace with simulated scanners
# (tests/netns/netns-run.sh). The installer's search broadcasts to
# 255.255.255.255, and Wine's sockets belong to the wineserver: so the server
# is started inside the requester namespace, and every process of the prefix
# is checked with `ip netns identify` before the script may go on.
#
#   session.sh --wine-root DIR --prefix COPY --driver TWDRIVER.exe --script FILE.tw --out FILE
#              [--arch win64] [--version winxp] [--devices N] [--networks 2] [--sim-args "..."]
#              [--reg FILE.reg]
#              [--xvfb] [--shots DIR]
#
# --prefix COPY   the fresh prefix, kept afterwards for inspection (replaced
#                 when it exists; the caller deletes it)
# --script        twdriver commands; the session puts "waitfile GO" in front,
#                 so nothing of the script runs before the check
# --out           twdriver's (and the program's) output
# --devices N     simulated scanners answering the search (0: none started)
# --networks 2    the computer is on a second network with a scanner of its own
#                 (tests/netns/netns-run.sh)
# --sim-args      extra options of the simulated scanners (netns-run.sh)
# --reg FILE      registry file imported into the copy before its session
# --xvfb          a private X server (xvfb-run) instead of Wine's null driver
#                 output; the prefix must then use the X11 driver (--reg)
# --shots DIR     serves twdriver's "shot DIR NAME" requests: DIR/NAME.png is
#                 the screen cut to the rectangle the request names
# Exit code: twdriver's; 1 when the namespace check fails. Run as root.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

wine_root="" prefix="" driver="" script="" out="" arch=win64 version=winxp devices=1 networks=1 sim_args=""
reg="" xvfb=0 shots="" inner=0
args=("$@")
. "$repo/tests/lib/options.sh"
tw_options "wine-root prefix driver script out arch version devices networks sim-args reg xvfb! shots inner!" "$@"
tw_require wine_root prefix driver script out

. "$repo/tests/lib/twscript.sh"  # winpath
absdir() { mkdir -p "$1" && (cd "$1" && pwd); }

if [ "$inner" = 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "session: must run as root (network namespaces)" >&2; exit 1; }
  harness=("$repo/tests/netns/netns-run.sh" --networks "$networks" --sim-args "$sim_args")
  if [ "$devices" -gt 0 ]; then harness+=(--devices "$devices"); else harness+=(--no-sim); fi
  inner_cmd=(bash "$0" "${args[@]}" --inner)
  if [ "$xvfb" = 1 ]; then
    inner_cmd=(xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "${inner_cmd[@]}")
  fi
  exec "${harness[@]}" -- "${inner_cmd[@]}"
fi

# ---- inside the requester namespace -----------------------------------------
work=$(absdir "$(dirname "$out")")
out=$work/$(basename "$out")
name=$(basename "$out" .out)
go=$work/$name.go
run_script=$work/$name.run.tw
rm -f "$go"
{ echo "waitfile $(winpath "$go") 180000"; cat "$script"; } >"$run_script"
prefix=$(absdir "$(dirname "$prefix")")/$(basename "$prefix")
[ -n "$shots" ] && shots=$(absdir "$shots")

opts=(--root "$wine_root" --arch "$arch" --version "$version" --fresh-keep "$prefix")
[ -n "$reg" ] && opts+=(--reg "$reg")
"$repo/tests/wine/wine-run.sh" "${opts[@]}" "$driver" -f "$(winpath "$run_script")" >"$out" 2>&1 &
wr=$!

. "$repo/tests/lib/nsprefix.sh"
server_in_namespace "session: " || exit 1
touch "$go"

if [ -n "$shots" ]; then
  # Screenshots on request: the rectangle comes from the driver, the picture
  # from the X server that the prefix draws on.
  while kill -0 "$wr" 2>/dev/null; do
    for req in "$shots"/*.req; do
      [ -e "$req" ] || continue
      read -r l t r b <"$req" || continue
      png=${req%.req}.png
      sleep 0.3  # the last repaint of the page
      import -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage "$png" 2>/dev/null ||
        echo "session: screenshot $png failed"
      rm -f "$req"
      touch "${req%.req}.done"
    done
    sleep 0.1
  done
fi
wait "$wr"
