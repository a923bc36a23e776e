#!/usr/bin/env bash
# Runs cut short, as a crash or a killed process cuts them: the real
# TwainSetup.exe under Wine, a 200 MB driver (model 16's four files, 50 MB
# each, English and German). twdriver times one whole upgrade and one whole
# removal, then ends each again at 20 moments spread over that time
# (TerminateProcess: nothing of the program runs after it). After each cut
# the program is started once more, silently, for something it cannot do
# (an upgrade of a model that is not installed), so that all it does is put
# the computer right. Then every time: the driver is whole, the old one or
# the new one byte for byte (or, for a removal, gone with its entry), no
# staged or old file is left beside it, and no journal.
#
#   interrupted.sh --wine-root DIR --exe TwainSetup.exe --driver twdriver.exe
#                  [--arch win64] [--work DIR]
# Last line: "N passed, M failed"; before it, how many cuts found which state.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

wine_root="" arch=win64 exe="" driver="" work_root=""
. "$repo/tests/lib/options.sh"
tw_options "wine-root arch exe driver work" "$@"
tw_require wine_root exe driver
. "$repo/tests/lib/twscript.sh"
. "$repo/tests/lib/check.sh"
tw_work interrupted
tw_session
cp -a "$repo/examples/package" "$work/big"
cp "$exe" "$work/big/TwainSetup.exe"
FILES16="EXMFP16.ds EXMSC16.dll EXMRES.dll EXMFP16.lng"
for l in ENGLISH GERMAN; do
  for f in $FILES16; do head -c $((50 << 20)) /dev/urandom >"$work/big/WIN2K_XP/$l/$f"; done
done
PKG=$(winpath "$work/big") D="$TW\\EXMFP16"
E="$PKG\\WIN2K_XP\\ENGLISH" G="$PKG\\WIN2K_XP\\GERMAN"
MOMENTS=$(seq 5 5 100)
up="TwainSetup.exe /S /upgrade /lang=german /model=16"
rm="TwainSetup.exe /S /remove /model=16"
english="run 120000 TwainSetup.exe /S /lang=english /model=16 /ip=10.0.0.7"
{
  echo "cd $PKG"
  printf '%s\n' "$english" "start $up" "waitexit 120000" "$english"
  for m in $MOMENTS; do
    printf '%s\n' "echo mark: upgrade $m" "start $up" "kill $m" "run 60000 TwainSetup.exe /S /upgrade /model=21 /log=$W\\upgrade-$m.log"
    for f in $FILES16; do printf '%s\n' "same $D\\$f $E\\$f" "same $D\\$f $G\\$f"; done
    printf '%s\n' "files $D\\tws*" "exists $TW\\TwainSetup.jnl" "$english"
  done
  printf '%s\n' "echo mark: time removal" "start $rm" "waitexit 120000" "$english"
  for m in $MOMENTS; do
    printf '%s\n' "echo mark: removal $m" "start $rm" "kill $m" "run 60000 TwainSetup.exe /S /upgrade /model=21 /log=$W\\removal-$m.log"
    for f in $FILES16; do echo "same $D\\$f $E\\$f"; done
    printf '%s\n' "exists $D" "exists $TW\\EXMFP16_Setup\\Removal.ini" "files $D\\tws*" "exists $TW\\TwainSetup.jnl" "$english"
  done
  echo "echo mark: end"
} >"$work/cut.tw"

bash "$repo/tests/wine/wine-run.sh" --root "$wine_root" --arch "$arch" --version winxp \
  --fresh "$driver" -f "$(winpath "$work/cut.tw")" >"$work/out" 2>&1
rc=$?
out=$(tr -d '\r' <"$work/out")
expect "twdriver's exit code" "$rc" 0
has "script ran to its end" "$out" "mark: end"

# Each cut: which state it left, judged from the "same" lines (old file, new
# file, in the order of FILES16) and what else is there.
declare -A found
for kind in upgrade removal; do
  for m in $MOMENTS; do
    p=$(part "$kind $m")
    s=$(grep '^same: ' <<<"$p" | cut -d' ' -f2 | tr -d '\n')
    cut=$(grep -c '^kill: cut' <<<"$p")
    if [ "$kind" = upgrade ]; then
      case $s in 10101010) state=old ;; 01010101) state=new ;; *) state="mixed:$s" ;; esac
    else
      case "$s $(grep -cxF "exists $D: 0" <<<"$p")" in
        "1111 0") state=old ;; "0000 1") state=gone ;; *) state="mixed:$s" ;; esac
      # The entry and the copy that removes the driver go together.
      [ "$state" = gone ] && has "removal $m%: the entry went with the driver" "$p" "exists $TW\\EXMFP16_Setup\\Removal.ini: 0"
    fi
    # What the start after the cut did about it, from its log.
    did=$(tr -d '\r' <"$work/$kind-$m.log" 2>/dev/null | grep -o 'cut short was [a-z]*' | cut -d' ' -f4)
    found[$kind $state $cut ${did:-nothing}]=$((${found[$kind $state $cut ${did:-nothing}]:-0} + 1))
    case $state in mixed*) bad "$kind cut at $m%: the driver is $state" ;; *) ok ;; esac
    has "$kind $m%: nothing staged left" "$p" "files $D\\tws*: 0"
    has "$kind $m%: no journal left" "$p" "exists $TW\\TwainSetup.jnl: 0"
  done
done
for k in "${!found[@]}"; do
  set -- $k
  echo "$1: ${found[$k]} $([ "$3" = 1 ] && echo cut || echo "ended before the cut"), the next start: $4, the driver $2"
done | sort
expect "recovery starts" "$(grep -c '^run: exit 1605, windows 0$' <<<"$out")" 40

[ "$failed" -eq 0 ] || { echo "--- twdriver output"; tail -n 60 <<<"$out"; }
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
