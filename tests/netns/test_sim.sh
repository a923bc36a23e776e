#!/usr/bin/env bash
# Tests of tools/scanner-sim and tests/netns/netns-run.sh together: builds the
# simulator and the small native requester into a temporary folder, then runs
# discovery exchanges between two private network namespaces. Run as root:
#   bash tests/netns/test_sim.sh
# Last line: "N passed, M failed"; exit 0 only when nothing failed.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
harness=$here/netns-run.sh
work=$(mktemp -d)
bg_pid=""
on_exit() {
  [ -n "$bg_pid" ] && kill -TERM "$bg_pid" 2>/dev/null && wait "$bg_pid" 2>/dev/null
  rm -rf "$work"
}
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

. "$root/tests/lib/check.sh"  # passed, failed, ok, bad, expect, has
hex() { printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'; }
# Reply lines of the requester, sorted: "from IP: HEX"
replies() { grep '^from ' <<<"$1" | sort; }
summary() { grep '^scanner-sim:' <<<"$1"; }
ours() { ip netns list | awk '{print $1}' | grep -E '^tw(req|scn)-[0-9]+$' | sort; }

export SCANNER_SIM=$work/scanner-sim
sim=$SCANNER_SIM
req=$work/requester
g++ -std=c++17 -O2 -Wall -Wextra -Werror -o "$sim" "$root/tools/scanner-sim/scanner_sim.cpp" || exit 1
g++ -std=c++17 -O2 -Wall -Wextra -Werror -o "$req" "$here/requester.cpp" || exit 1
[ "$(id -u)" -eq 0 ] || { echo "must run as root"; echo "0 passed, 1 failed"; exit 1; }

before=$(ours)
T=$(hex 10.99.0.1)  # the requester's address text, which every right reply echoes

run() {  # run HARNESS-OPTIONS... -- COMMAND...: output of harness and command
  "$harness" "$@" 2>>"$work/stderr"
}

# --- Option errors are caught before any socket exists -----------------------
for args in "--bogus" "--timeout-s 0" "--pid 1,x" "--burst 3 --devices 10.99.0.2" \
            "--empty --wrong-text" "--reply-port 4568" "--devices 10.99.0.02" \
            "--devices 10.99.0.2,10.99.0.2" "--devices-range 10.99.0.9-10.99.0.2"; do
  # shellcheck disable=SC2086
  "$sim" $args 2>/dev/null
  expect "usage error for '$args'" "$?" 2
done
out=$(run --no-sim -- "$sim" --devices 10.99.0.77 --timeout-s 1)
expect "device address that does not exist: exit code" "$?" 1

# --- Two devices, one broadcast request ---------------------------------------
rm -f "$work/log"
out=$(SIM_LOG=$work/log run --devices 2 -- "$req" --wait-ms 300)
expect "two devices: command exit code" "$?" 0
expect "two devices: replies" "$(replies "$out")" "from 10.99.0.2: $T
from 10.99.0.3: $T"
expect "two devices: summary" "$(summary "$out")" "scanner-sim: requests=1 replies=2 junk=0"
log=$(cat "$work/log")
expect "log: one line per request" "$(wc -l <<<"$log")" 1
for want in "from=10.99.0.1:4569" "to=255.255.255.255" "len=13" "hex=$(hex 466010.99.0.1)" \
            'text="466010.99.0.1"' "pid=4660" "addr=10.99.0.1" "action=answer"; do
  grep -qF -- " $want" <<<"$log" || bad "log lacks '$want': $log"
  ok
done

# --- Answer counts: --twice, --pid, --burst, a request to one device ----------
out=$(run --devices 2 --sim-args "--twice" -- "$req" --wait-ms 300)
expect "twice: replies" "$(replies "$out" | uniq -c | awk '{print $1, $3}')" "2 10.99.0.2:
2 10.99.0.3:"
out=$(SIM_LOG=$work/log2 run --devices 2 --sim-args "--pid 4661" -- "$req" --wait-ms 300)
expect "pid not in set: replies" "$(replies "$out")" ""
expect "pid not in set: summary" "$(summary "$out")" "scanner-sim: requests=1 replies=0 junk=0"
grep -q 'action=ignore reason="product id not answered"' "$work/log2" || bad "pid not in set: log reason"
out=$(run --devices 2 --sim-args "--pid 7,0x1234" -- "$req" --wait-ms 300)
expect "hex pid in a list: replies" "$(replies "$out" | wc -l)" 2
out=$(run --devices 40 --sim-args "--burst 25" -- "$req" --wait-ms 600)
expect "burst 25 of 40: distinct sources" "$(replies "$out" | cut -d: -f1 | sort -u | wc -l)" 25
expect "burst 25 of 40: last source" "$(replies "$out" | sort -t. -k4,4n | tail -1 | cut -d: -f1)" \
  "from 10.99.0.26"
out=$(run --devices 250 -- "$req" --wait-ms 1000)
expect "250 devices: all echo the text" "$(replies "$out" | grep -c ": $T\$")" 250
expect "250 devices: distinct sources" "$(replies "$out" | cut -d: -f1 | sort -u | wc -l)" 250
out=$(run --devices 3 -- "$req" --dest 10.99.0.3 --wait-ms 300)
expect "unicast to one device: only it answers" "$(replies "$out")" "from 10.99.0.3: $T"

# --- Reply payload variants ---------------------------------------------------
out=$(run --devices 1 --sim-args "--trailing-nul-junk" -- "$req" --wait-ms 300)
expect "trailing NUL junk" "$(replies "$out")" "from 10.99.0.2: ${T}006a756e6bff01"
out=$(run --devices 2 --sim-args "--wrong-text" -- "$req" --wait-ms 300)
expect "wrong text: own address" "$(replies "$out")" "from 10.99.0.2: $(hex 10.99.0.2)
from 10.99.0.3: $(hex 10.99.0.3)"
out=$(run --devices 1 --sim-args "--trailing-space" -- "$req" --wait-ms 300)
expect "trailing space" "$(replies "$out")" "from 10.99.0.2: ${T}20"
out=$(run --devices 1 --sim-args "--empty" -- "$req" --wait-ms 300)
expect "empty datagram" "$(replies "$out")" "from 10.99.0.2: "
out=$(run --devices 2 --sim-args "--junk 7" -- "$req" --wait-ms 500)
r=$(grep '^from ' <<<"$out")
expect "junk: summary" "$(summary "$out")" "scanner-sim: requests=1 replies=2 junk=7"
expect "junk: datagrams received" "$(wc -l <<<"$r")" 9
expect "junk: only the real answers match exactly, and come last" \
  "$(grep -n ": $T\$" <<<"$r" | cut -d: -f1 | tr '\n' ' ')" "8 9 "
# What the installer would see of a datagram (hex): its first 255 bytes, up to the first NUL.
seen() {
  local h=${1:0:510} t=""
  while [ -n "$h" ] && [ "${h:0:2}" != 00 ]; do t+=${h:0:2}; h=${h:2}; done
  printf '%s' "$t"
}
accepted=0
while read -r line; do
  [ "$(seen "${line#*: }")" == "$T" ] && accepted=$((accepted + 1))
done < <(head -7 <<<"$r")
expect "junk: no junk datagram passes the reply rule" "$accepted" 0
oversize=$(head -7 <<<"$r" | awk '{ if (length($3) >= 600) n++ } END { print n + 0 }')
[ "$oversize" -ge 1 ] && ok || bad "junk: no oversize datagram among them"

# --- Ports and timing ---------------------------------------------------------
out=$(run --devices 1 -- "$req" --src-port 5000 --wait-ms 300)
expect "reply goes to 4569, not to the request's source port" "$(replies "$out")" "from 10.99.0.2: $T"
out=$(run --devices 1 --sim-args "--reply-port 4570" -- "$req" --listen-port 4570 --wait-ms 300)
expect "--reply-port" "$(replies "$out")" "from 10.99.0.2: $T"
out=$(run --devices 1 --sim-args "--delay-ms 500" -- bash -c \
  "'$req' --wait-ms 200; echo ---; '$req' --wait-ms 1200")
# the first requester gives up before the answer; the second, already listening, gets both answers
expect "delay: nothing before it, the answers after it" "$(grep -e '^from' -e '^---' <<<"$out")" "---
from 10.99.0.2: $T
from 10.99.0.2: $T"

# --- Reading the request: split rule and strict form --------------------------
# Each line: sim options | requester options | expected reply text ("-" none)
while IFS='|' read -r simopts reqopts want; do
  # shellcheck disable=SC2086
  out=$(run --devices 1 --sim-args "$simopts" -- "$req" $reqopts --wait-ms 300)
  got=$(replies "$out" | sed 's/^from 10.99.0.2: //')
  want=${want// /}
  [ "$want" == "-" ] && want="" || want=$(hex "$want")
  expect "request [$reqopts] with [$simopts]" "$got" "$want"
done <<'EOF'
 | --pid 1 --addr 23.4.5.6 | 23.4.5.6
--pid 12 | --pid 1 --addr 23.4.5.6 | 3.4.5.6
 | --pid 46601 | 10.99.0.1
--pid 4660 | --pid 46601 | 110.99.0.1
 | --pid 0 | 10.99.0.1
 | --pid 65535 | 10.99.0.1
 | --raw-hex 3436363031302e39392e302e3100 | -
 | --raw-hex 303436363031302e39392e302e31 | -
 | --raw-hex 343636302031302e39392e302e31 | -
 | --raw-hex 31323334353631302e39392e302e31 | -
 | --raw-hex 3436363031302e3039392e302e31 | -
 | --raw-hex 3436363031302e39392e302e313233343536 | -
EOF

# --- The simulator ends by itself ---------------------------------------------
out=$(run --no-sim -- bash -c "s=\$(date +%s%N); '$sim' --timeout-s 1; echo rc=\$? ms=\$(( (\$(date +%s%N) - s) / 1000000 ))")
ms=$(sed -n 's/.*ms=//p' <<<"$out")
expect "timeout: summary and exit code" "$(grep -e '^scanner-sim' -e '^rc' <<<"$out" | sed 's/ ms=.*//')" \
  "scanner-sim: requests=0 replies=0 junk=0
rc=0"
[ "${ms:-0}" -ge 900 ] && [ "${ms:-0}" -le 2500 ] && ok || bad "timeout 1 s took ${ms:-?} ms"
out=$(run --no-sim -- bash -c "'$sim' --count 1 --ready-file '$work/rdy' & p=\$!
  while [ ! -e '$work/rdy' ]; do sleep 0.02; done
  '$req' --dest 127.0.0.1 --addr 127.0.0.1 --wait-ms 300; wait \$p; echo rc=\$?")
expect "count 1 over loopback" "$(sort <<<"$out")" "from 127.0.0.1: $(hex 127.0.0.1)
rc=0
scanner-sim: requests=1 replies=1 junk=0"

# --- The harness --------------------------------------------------------------
out=$(run --no-sim -- sh -c 'exit 7')
expect "harness passes the exit code on" "$?" 7
out=$(run --devices 3 -- sh -c 'echo "$NETNS_REQ_ADDR $NETNS_DEVICE_ADDRS"; ip -br -4 addr show dev veth-req')
grep -q '^10.99.0.1 10.99.0.2,10.99.0.3,10.99.0.4$' <<<"$out" && ok || bad "harness environment: $out"
grep -q '^veth-req[^ ]* .* 10.99.0.1/24' <<<"$out" && ok || bad "command not in the requester namespace: $out"
rm -f "$work/left"
"$harness" --devices 1 -- sh -c "sleep 60 & echo \$! > '$work/left'; exec sleep 60" >/dev/null 2>&1 &
hp=$!
bg_pid=$hp
for _ in $(seq 100); do [ -s "$work/left" ] && break; sleep 0.05; done
during=$(ip netns list | grep -c -e "^twreq-$hp\b" -e "^twscn-$hp\b")
kill -TERM "$hp"; wait "$hp"; rc=$?; bg_pid=""
expect "TERM to the harness: both namespaces existed" "$during" 2
expect "TERM to the harness: exit code" "$rc" 143
expect "TERM to the harness: namespaces removed" "$(ip netns list | grep -c -e "^tw...-$hp\b")" 0
# ended means gone or a zombie (whose reaping is up to pid 1)
state=$(awk '{print $3}' "/proc/$(cat "$work/left")/stat" 2>/dev/null)
[ -z "$state" ] || [ "$state" == Z ] && ok || bad "TERM to the harness: a process of the command survived ($state)"
SCANNER_SIM=$work/missing run -- true >/dev/null 2>&1
expect "harness without a simulator: exit code" "$?" 125

# Namespaces that appeared meanwhile and whose harness is gone were leaked;
# one whose harness still runs belongs to another test run of this machine.
leaked=""
for ns in $(comm -13 <(printf '%s\n' "$before") <(ours)); do
  [ -d "/proc/${ns##*-}" ] || leaked="$leaked $ns"
done
expect "no namespace of these tests is left" "$leaked" ""
if [ "$failed" -ne 0 ] && [ -s "$work/stderr" ]; then echo "--- harness stderr:"; tail -20 "$work/stderr"; fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
