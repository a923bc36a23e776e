#!/usr/bin/env bash
# The search dialog on a hostile network, under Wine inside private network
# namespaces that this test creates and deletes (tests/netns/netns-run.sh; the
# Wine session in the requester namespace is address-netns.sh --inner, with
# its check that every process of the prefix is in that namespace). The
# prompt runs in prompt-host; twdriver drives it.
#
#   address-hostile.sh --wine-root DIR --arch win64 --driver TWDRIVER.exe --host PROMPT-HOST.exe
#
#   order  (native, no Wine) scanner-sim --junk-around sends its junk in runs
#          before, between and after the real answers
#   junk   5 simulated scanners answer a search's first request with 10 000 near-miss
#          datagrams in all around their 5 replies, paced over 3 s, and each
#          name request with 120 wrong answers before the right one: exactly
#          the 5 are listed, each with its own name, and the dialog answers
#          WM_NULL within 500 ms (twdriver responsive) all the while the junk
#          arrives
#   burst  250 scanners answer each of a search's three requests at once: all
#          250 are listed, once each; the
#          receive buffer the search reads back (its debug output) and the one
#          the kernel gave the socket (ss) are at least what a burst of 250
#          replies takes in the kernel, measured first with a native socket
#          that reads nothing until the burst is in
# Prints the figures; last line: "N passed, M failed". Run as root.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
harness=$root/tests/netns/netns-run.sh

wine_root="" arch=win64 driver="" host=""
. "$root/tests/lib/options.sh"  # tw_options, tw_require
tw_options "wine-root arch driver host" "$@"
tw_require wine_root driver host
[ "$(id -u)" -eq 0 ] || { echo "must run as root (network namespaces)"; echo "0 passed, 1 failed"; exit 1; }
mkdir -p "$wine_root"
wine_root=$(cd "$wine_root" && pwd)
work=$(mktemp -d)
harness_pid=""
on_exit() {
  # A session still running (this script was stopped): its harness removes
  # the namespaces and what runs in them on TERM.
  if [ -n "$harness_pid" ]; then kill -TERM "$harness_pid" 2>/dev/null; wait "$harness_pid" 2>/dev/null; fi
  # KEEP_WORK=1 keeps the scripts, logs and outputs for a look afterwards.
  if [ -n "${KEEP_WORK:-}" ]; then echo "work folder: $work"; else rm -rf "$work"; fi
}
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
export work wine_root arch driver  # for address-netns.sh --inner

. "$root/tests/lib/twscript.sh"  # winpath, str, tw_to_choice, tw_finish, tw_end
. "$root/tests/lib/check.sh"  # passed, failed, ok, bad, expect, has
atleast() {  # atleast NAME GOT MIN
  if [[ "$2" =~ ^[0-9]+$ ]] && [ "$2" -ge "$3" ]; then ok; else bad "$1: got '$2', want at least $3"; fi
}
hex() { printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'; }
ms_of() { date -d "$1" +%s%3N; }  # an ISO time (UTC, ms) as ms since 1970

export SCANNER_SIM=$work/scanner-sim
g++ -std=c++17 -O2 -o "$SCANNER_SIM" "$root/tools/scanner-sim/scanner_sim.cpp" || exit 1
g++ -std=c++17 -O2 -o "$work/requester" "$root/tests/netns/requester.cpp" || exit 1

T0=$(date +%s%N)

# ============================================================================
# order: 5 devices, 60 junk datagrams around their 5 replies: runs of 10.
# ============================================================================
T=$(hex 10.99.0.1)
out=$("$harness" --devices 5 --sim-args "--junk 60 --junk-around --pace-us 200" -- \
  "$work/requester" --wait-ms 500 2>/dev/null)
expect "order: datagrams received" "$(grep -c '^from ' <<<"$out")" 65
expect "order: the real answers at 11, 22, 33, 44, 55 of 65" \
  "$(grep '^from ' <<<"$out" | grep -nx "from 10\.99\.0\.[0-9]*: $T" | tr '\n' ' ')" \
  "11:from 10.99.0.2: $T 22:from 10.99.0.3: $T 33:from 10.99.0.4: $T 44:from 10.99.0.5: $T 55:from 10.99.0.6: $T "
expect "order: summary" "$(grep '^scanner-sim:' <<<"$out")" "scanner-sim: requests=1 replies=5 junk=60"

# ============================================================================
# The Wine sessions.
# ============================================================================
mkdir -p "$work/pkg"
printf '%s\r\n' '[ModelList]' '%MODELName18%=T18.Install,USB\VID_E7A1&PID_1234' >"$work/pkg/TEST_T.INF"
W=$(winpath "$work")
run_host="start \"$(winpath "$host")\" --inf \"$(winpath "$work/pkg/TEST_T.INF")\" --model 18"

# The native measure of a burst: a socket on port 4569 with a buffer large
# enough for anything here sends the request and reads nothing for a second;
# then the kernel's count of the bytes its queue holds (ss: skmem r) is what
# the burst takes. "probe: default=D queued=Q rb=B drops=X datagrams=N".
cat >"$work/probe.py" <<'EOF'
import re, socket, subprocess, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
default = s.getsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF)
s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
s.bind(("0.0.0.0", 4569))
s.sendto(b"466010.99.0.1", ("255.255.255.255", 4568))
time.sleep(1.0)
ss = subprocess.run(["ss", "-uamnH", "sport = :4569"], capture_output=True, text=True).stdout
m = re.search(r"skmem:\(r(\d+),rb(\d+),.*,d(\d+)\)", ss)
s.setblocking(False)
n = 0
try:
    while True:
        s.recv(4096)
        n += 1
except BlockingIOError:
    pass
print("probe: default=%d queued=%s rb=%s drops=%s datagrams=%d" % ((default,) + (m.groups() if m else ("?",) * 3) + (n,)))
EOF

# session NAME HARNESS-OPTIONS...: one namespace pair, one prefix, one driver
# run of $work/NAME.tw. Meanwhile the driver's requests for a look from
# outside are served: it creates $work/ASK.ask and waits for $work/ASK.done;
#   probe  runs probe.py in the requester namespace, into $work/NAME.probe
#   ss-*   the kernel's view of the sockets on port 4569 there (ss), into
#          $work/NAME.ss
session() {
  local name=$1 h ask what
  shift
  "$harness" "$@" -- bash "$here/address-netns.sh" --wine-root "$wine_root" --arch "$arch" \
    --driver "$driver" --host "$host" --inner "$name" "$work/$name.tw" >"$work/$name.log" 2>&1 &
  h=$!  # the harness names its namespaces after its pid
  harness_pid=$h
  while kill -0 "$h" 2>/dev/null; do
    for ask in "$work"/*.ask; do
      [ -e "$ask" ] || continue
      what=$(basename "$ask" .ask)
      case $what in
        probe) ip netns exec "twreq-$h" python3 "$work/probe.py" >"$work/$name.probe" 2>&1 ;;
        ss-*) ss -N "twreq-$h" -uamnH 'sport = :4569' >"$work/$name.ss" 2>&1 ;;
      esac
      rm -f "$ask"
      touch "$work/$what.done"
    done
    sleep 0.05
  done
  wait "$h"
  echo "$?" >"$work/$name.rc"
  harness_pid=""
}
skmem() { grep -o "skmem:([^)]*)" "$work/$1.ss" | head -1; }
skmem_field() { skmem "$1" | grep -o "[(,]$2[0-9]*" | tr -dc 0-9; }  # skmem_field NAME rb

# ---- junk: 10 000 near-miss datagrams around 5 replies, 300 us apart --------
JUNK=10000 PACE_US=300 LIMIT_MS=500
cat >"$work/j.tw" <<EOF
waitfile $W\\j.go 180000
debugwatch
$run_host
wait 1001,1003 20000
press 1003
wait 1004
debugout 5000 TwainSetup: search receive buffer
responsive $LIMIT_MS 250
touch $W\\ss-j.ask
waitfile $W\\ss-j.done
waitcount 1004 5 5000
sleep 1500
list 1004
selecttext 1004 10.99.0.3
waittext 1019 10000 Name: MFP-0-3\\nLocation: Floor 3, room 3\\nModel: Example MFP 3 (sysDescr)
selecttext 1004 10.99.0.6
waittext 1019 10000 Name: MFP-0-6\\nLocation: Floor 6, room 6\\nModel: Example MFP 6
press 2
gone
wait 1001,1003
press 2
gone
waitexit 20000
EOF
t=$(date +%s%N)
# The scanners answer the first request only: one stream of junk, timed.
# Each name answer comes after $NAME_JUNK wrong ones (another request id, cut
# short, a length of 4 GB, random bytes, another community, too long, from
# another device: 10.99.0.7, which hears the search but does not answer it).
NAME_JUNK=120
SIM_LOG=$work/j.simlog session j --devices 6 --sim-args "--junk $JUNK --junk-around --pace-us $PACE_US --only-request 1 \
  --burst 5 --snmp 10.99.0.2-10.99.0.7 --snmp-junk $NAME_JUNK"
j_ms=$((($(date +%s%N) - t) / 1000000))

# ---- burst: 250 replies at once ----------------------------------------------
D=250
cat >"$work/b.tw" <<EOF
waitfile $W\\b.go 180000
touch $W\\probe.ask
waitfile $W\\probe.done 20000
debugwatch
$run_host
wait 1001,1003 20000
press 1003
wait 1004
debugout 5000 TwainSetup: search receive buffer
waitcount 1004 $D 20000
sleep 1500
list 1004
touch $W\\ss-b.ask
waitfile $W\\ss-b.done
press 2
gone
wait 1001,1003
press 2
gone
waitexit 20000
EOF
t=$(date +%s%N)
session b --devices $D
b_ms=$((($(date +%s%N) - t) / 1000000))

# ============================================================================
# Checks.
# ============================================================================
for s in j b; do
  expect "$s: exit code" "$(cat "$work/$s.rc")" 0
  grep -q '^wineserver [0-9]* in twreq-' "$work/$s.log" && ok || bad "$s: namespace of the wineserver not confirmed"
  expect "$s: the prompt was cancelled" "$(tr -d '\r' <"$work/$s.out" | grep '^prompt ' | sed 's/ hardwareId=.*//')" \
    "prompt 1: model=18 language=67 result=0 address="
done
items() { grep '^item 1004\[' <<<"$1" | sed 's/^[^:]*: //'; }
buffer_of() { sed -n 's/^debug: TwainSetup: search receive buffer \([0-9]*\) bytes$/\1/p' <<<"$1"; }

# ---- junk ----
o=$(tr -d '\r' <"$work/j.out")
j_listed=$(sed -n -e 's/^list 1004: count=\([0-9]*\).*/\1/p' -e 's/^error: list 1004 has \([0-9]*\) entries.*/\1/p' <<<"$o")
expect "junk: exactly the 5 devices listed" "$(grep '^list 1004: ' <<<"$o")" "list 1004: count=5 sel=0"
expect "junk: the 5 device addresses" "$(items "$o" | tr '\n' ' ')" \
  "10.99.0.2 10.99.0.3 10.99.0.4 10.99.0.5 10.99.0.6 "
# Name requests: sysName, sysLocation, hrDeviceDescr to each of the 5, and
# sysDescr to the 2 without hrDeviceDescr; one more try for an answer late
# behind its junk.
read -r names name_junk < <(sed -n "s/^scanner-sim: requests=[123] replies=5 junk=$JUNK names=\([0-9]*\) name-junk=\([0-9]*\)$/\1 \2/p" "$work/j.log")
[ "${names:-0}" -ge 17 ] && [ "${name_junk:-0}" -eq $((names * NAME_JUNK)) ] && ok ||
  bad "junk: simulator summary: $(grep '^scanner-sim:' "$work/j.log")"
resp=$(grep '^responsive: ' <<<"$o")
worst=$(sed -n 's/.* worst=\([0-9.]*\) ms.*/\1/p' <<<"$resp")
if [ -n "$worst" ] && awk -v w="$worst" -v l="$LIMIT_MS" 'BEGIN { exit !(w <= l) }'; then ok; else
  bad "junk: the dialog's worst answer took '$worst' ms (limit $LIMIT_MS)"
fi
# While the junk arrived: the simulator logs the request just before it
# queues the answer, whose datagrams leave no earlier than PACE_US apart; the
# round trips must begin within the first third of that stream and end after
# it (both clocks are this machine's).
stamp=$(awk '/ action=answer / { print $1 }' "$work/j.simlog" 2>/dev/null | head -1)
from=$(sed -n 's/.* from=\([^ ]*\).*/\1/p' <<<"$resp")
to=$(sed -n 's/.* to=\([^ ]*\).*/\1/p' <<<"$resp")
stream_ms=$(((JUNK + 5 - 1) * PACE_US / 1000))
if [ -n "$stamp" ] && [ -n "$from" ] && [ -n "$to" ]; then
  req=$(ms_of "$stamp") a=$(ms_of "$from") z=$(ms_of "$to")
  span="round trips from +$((a - req)) ms to +$((z - req)) ms after the request; the stream lasts at least $stream_ms ms"
  [ $((a - req)) -le $((stream_ms / 3)) ] && [ $((z - req)) -ge "$stream_ms" ] && ok ||
    bad "junk: responsiveness not timed while the junk arrived ($span)"
else
  bad "junk: no times (request '$stamp', responsive '$resp')"
  span="?"
fi
j_buffer=$(buffer_of "$o")
atleast "junk: receive buffer read back" "$j_buffer" 1
j_drops=$(skmem_field j d)

# ---- burst ----
o=$(tr -d '\r' <"$work/b.out")
expect "burst: header" "$(grep '^list 1004: ' <<<"$o")" "list 1004: count=$D sel=0"
expect "burst: every device once, in text order" "$(items "$o")" "$(seq -f '10.99.0.%g' 2 $((D + 1)) | LC_ALL=C sort)"
# The probe's request, then the search's, repeated twice while it is open:
# every scanner answers each.
expect "burst: simulator summary (the probe's request, then the search's three)" "$(grep '^scanner-sim:' "$work/b.log")" \
  "scanner-sim: requests=4 replies=$((4 * D)) junk=0"
probe=$(cat "$work/b.probe" 2>/dev/null)
read -r default need probe_drops probe_n < <(sed -n \
  's/^probe: default=\([0-9]*\) queued=\([0-9]*\) rb=[0-9]* drops=\([0-9]*\) datagrams=\([0-9]*\)$/\1 \2 \3 \4/p' <<<"$probe")
expect "burst: the native probe got the whole burst" "${probe_n:-} ${probe_drops:-}" "$D 0"
need=${need:-999999999}
b_buffer=$(buffer_of "$o")
atleast "burst: receive buffer read back ($b_buffer) holds a burst of $D ($need)" "$b_buffer" "$need"
rb=$(skmem_field b rb)
atleast "burst: kernel receive buffer of the search socket ($rb) holds a burst of $D ($need)" "$rb" "$need"
b_drops=$(skmem_field b d)
expect "burst: the kernel dropped nothing on the search socket" "$b_drops" 0

T1=$(date +%s%N)
echo "junk: $JUNK near-miss datagrams around 5 replies, $PACE_US us apart, and ${name_junk:-?} wrong name answers:" \
  "${j_listed:-?} listed;" \
  "$(sed 's/ from=.*//' <<<"$resp"); $span; kernel drops on the search socket: ${j_drops:-?}"
echo "burst: $D replies take $need bytes of kernel receive buffer ($((need / D)) a datagram;" \
  "a socket's default is ${default:-?}); the search read back $b_buffer bytes, the kernel gave its socket $rb"
echo "time: junk session $j_ms ms, burst session $b_ms ms, whole test $(((T1 - T0) / 1000000)) ms"

if [ "$failed" -ne 0 ]; then
  for s in j b; do
    echo "--- $s harness:"; tail -5 "$work/$s.log"
    echo "--- $s driver:"; grep -v -e '^item ' "$work/$s.out" | tail -30
  done
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
