#!/usr/bin/env bash
# The scanner-address prompt under Wine against simulated scanners, inside
# private network namespaces that this test creates and deletes (through
# tests/netns/netns-run.sh). The prompt runs in prompt-host (the prompt alone,
# with the program's own resources); twdriver presses its buttons and reads
# its controls from a second Wine process.
#
#   address-netns.sh --wine-root DIR --arch win64 --driver TWDRIVER.exe --host PROMPT-HOST.exe
#
# Each run uses a throw-away copy of the Wine prefix whose wineserver is
# started inside the requester namespace (Wine's sockets belong to the
# server); before the prompt may send anything the test checks with
# `ip netns identify` that every process of that prefix is in the namespace,
# and fails otherwise. Last line: "N passed, M failed". Run as root.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
harness=$root/tests/netns/netns-run.sh
wine_run=$root/tests/wine/wine-run.sh

wine_root="" arch=win64 driver="" host="" inner=""
. "$root/tests/lib/options.sh"
tw_options "wine-root arch driver host inner!" "$@"
set -- "${tw_rest[@]}"

. "$root/tests/lib/twscript.sh"  # winpath, str, tw_to_choice, tw_finish, tw_end

# ---- inside the requester namespace ----------------------------------------
# --inner NAME SCRIPT [STEPS-FILE]: runs twdriver on SCRIPT in a fresh
# prefix; gives the go only once the prefix's processes are all in this
# namespace; then serves the script's injection steps. (address-hostile.sh
# runs its sessions through this too, with work, wine_root, arch and driver
# exported.)
if [ -n "$inner" ]; then
  name=$1 script=$2 steps=${3:-}
  out=$work/$name.out
  holder=""
  if [ -n "${HOLD_PORT:-}" ]; then
    # It notes each datagram it gets as a file held-got-N, for the driver.
    python3 "$work/holder.py" "$work" &
    holder=$!
    for ((i = 0; i < 100; i++)); do [ -e "$work/held" ] && break; sleep 0.05; done
    [ -e "$work/held" ] || { echo "FAIL: the port holder did not start"; kill "$holder"; exit 1; }
  fi
  agent=""
  if [ -n "${SNMPD_CONF:-}" ]; then
    # net-snmp's agent answers the name requests of the first device.
    mkdir -p "$work/snmp"
    SNMP_PERSISTENT_DIR=$work/snmp MIBS="" ip netns exec "$NETNS_SCN" snmpd -f -C -c "$SNMPD_CONF" \
      -Lf "$work/snmpd.log" "udp:${NETNS_DEVICE_ADDRS%%,*}:161" &
    agent=$!
    for ((i = 0; i < 100; i++)); do grep -qs 'NET-SNMP version' "$work/snmpd.log" && break; sleep 0.05; done
    grep -qs 'NET-SNMP version' "$work/snmpd.log" || { echo "FAIL: snmpd did not start"; kill "$agent"; exit 1; }
  fi
  "$wine_run" --root "$wine_root" --arch "$arch" --version winxp --fresh "$driver" -f "$(winpath "$script")" \
    >"$out" 2>&1 &
  wr=$!
  prefix=$wine_root/run-$arch-winxp-$wr
  . "$root/tests/lib/nsprefix.sh"
  server_in_namespace || exit 1
  touch "$work/$name.go"
  if [ -n "$steps" ]; then
    # One step a line: step number, then "SOURCE=HEX" datagrams sent from the
    # scanner namespace to the requester's port 4569, in order.
    while read -r n datagrams; do
      for ((i = 0; i < 1200; i++)); do
        [ -e "$work/step-$n" ] && break
        kill -0 "$wr" 2>/dev/null || break
        sleep 0.05
      done
      [ -e "$work/step-$n" ] || break
      # shellcheck disable=SC2086
      ip netns exec "$NETNS_SCN" python3 "$work/inject.py" "$NETNS_REQ_ADDR" $datagrams
      touch "$work/step-$n.done"
    done <"$steps"
  fi
  wait "$wr"
  rc=$?
  [ -n "$holder" ] && kill "$holder" 2>/dev/null
  [ -n "$agent" ] && kill "$agent" 2>/dev/null
  exit $rc
fi

# ---- outside: set up, run the sessions, check ------------------------------
[ -n "$wine_root" ] && [ -n "$driver" ] && [ -n "$host" ] || { echo "usage: see the head of $0" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "must run as root (network namespaces)"; echo "0 passed, 1 failed"; exit 1; }
mkdir -p "$wine_root"
wine_root=$(cd "$wine_root" && pwd)
work=$(mktemp -d)
# KEEP_WORK=1 keeps the scripts, logs and outputs for a look afterwards.
if [ -n "${KEEP_WORK:-}" ]; then echo "work folder: $work"; else trap 'rm -rf "$work"' EXIT; fi
export work wine_root arch driver

. "$root/tests/lib/check.sh"  # passed, failed, ok, bad, expect, has
hex() { printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'; }

export SCANNER_SIM=$work/scanner-sim
g++ -std=c++17 -O2 -o "$SCANNER_SIM" "$root/tools/scanner-sim/scanner_sim.cpp" || exit 1
cat >"$work/inject.py" <<'EOF'
import socket, sys
dest = (sys.argv[1], 4569)
for item in sys.argv[2:]:
    source, payload = item.split("=", 1)
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((source, 0))
    s.sendto(bytes.fromhex(payload), dest)
    s.close()
EOF

# Models of the test INF and the product ids they give: 16 -> 0, 18 -> 4660,
# 21 -> 65535, 22 (only in ModelList.NTx86) -> 8704.
mkdir -p "$work/pkg"
printf '%s\r\n' '[ModelList]' \
  '%MODELName16%=T16.Install,USB\VID_E7A1&PID_0000' \
  '%MODELName18%=T18.Install,USB\VID_E7A1&PID_1234' \
  '%MODELName21%=T21.Install,USB\VID_E7A1&PID_FFFF' \
  '' '[ModelList.NTx86]' \
  '%MODELName22%=T22.Install,USB\VID_E7A1&PID_2200' >"$work/pkg/TEST_T.INF"
inf=$(winpath "$work/pkg/TEST_T.INF")
W=$(winpath "$work")
run_host="start \"$(winpath "$host")\" --inf \"$inf\""

# session NAME HARNESS-OPTIONS...: one namespace pair, one prefix, one driver
# run of $work/NAME.tw (and the injection steps of $work/NAME.steps). With
# HOLD_PORT set, another program holds port 4569 in the requester namespace.
session() {
  local name=$1; shift
  local steps=""
  [ -f "$work/$name.steps" ] && steps=$work/$name.steps
  "$harness" "$@" -- bash "$here/address-netns.sh" --wine-root "$wine_root" --arch "$arch" \
    --driver "$driver" --host "$host" --inner "$name" "$work/$name.tw" $steps >"$work/$name.log" 2>&1
  echo "$?" >"$work/$name.rc"
}

# ============================================================================
# Session 1: 250 scanners, each request also draws 6 near-miss datagrams.
# ============================================================================
D=250
REQ_TEXT_HEX=$(hex 10.99.0.1)
cat >"$work/s1.tw" <<EOF
waitfile $W\\s1.go 180000
$run_host --model 18 --language 67,71,67 --repeat 6
# --- prompt 1: the address dialog as it opens; a search; replies judged;
#     a double-click takes the entry
wait 1001,1003 20000
caption
texts
field
rect
press 1003
wait 1004
caption
text 1
text 2
rect
waitcount 1004 $D 20000
sleep 300
list 1004
echo mark: select then a reply from a device that answers again, and one with junk after the text
select 1004 5
touch $W\\step-1
waitfile $W\\step-1.done
waitcount 1004 $((D + 1))
sleep 200
list 1004
echo mark: dropped datagrams, then one plain reply
touch $W\\step-2
waitfile $W\\step-2.done
waitcount 1004 $((D + 2))
sleep 200
list 1004
echo mark: an oversize datagram whose text ends in a NUL
touch $W\\step-3
waitfile $W\\step-3.done
waitcount 1004 $((D + 3))
list 1004
dblclick 1004 1
gone
wait 1001,1003
address 10.99.0.100
press 1
gone
# --- prompt 2 (Arabic): a typed address survives a cancelled search
wait 1001,1003 10000
field
type address 10.0.0.5
press 1003
wait 1004
waitcount 1004 $D 20000
press 2
gone
wait 1001,1003
address 10.0.0.5
press 1
gone
# --- prompt 3: OK takes the first entry; a second search starts empty and
#     binds again; the close box leaves the field as it was
wait 1001,1003 10000
press 1003
wait 1004
waitcount 1004 $D 20000
press 1
gone
wait 1001,1003
address 10.99.0.10
press 1003
wait 1004
waitcount 1004 $D 20000
sleep 500
list 1004
close
gone
wait 1001,1003
address 10.99.0.10
press 1
gone
# --- prompt 4: 0.1.2.3 typed; prompt 5: blank; prompt 6: Cancel
wait 1001,1003 10000
type address 0.1.2.3
press 1
gone
wait 1001,1003 10000
press 1
gone
wait 1001,1003 10000
type address 10.0.0.9
press 2
gone
waitexit 20000
EOF

# The step datagrams. Device addresses are 10.99.0.2 ... 10.99.0.254; the
# last three (QUIET) hear the search but do not answer it: their datagrams
# come from the steps alone.
nul_junk="${REQ_TEXT_HEX}006a756e6bff01"
oversize="${REQ_TEXT_HEX}00$(printf '%0600d' 0 | tr 0 7)"
long_no_nul=$(printf '%0700d' 0 | tr 0 3)
cat >"$work/s1.steps" <<EOF
1 10.99.0.3=$REQ_TEXT_HEX 10.99.0.252=$nul_junk
2 10.99.0.4=${REQ_TEXT_HEX}20 10.99.0.4=${REQ_TEXT_HEX}0a 10.99.0.4=$(hex 10.99.0.4) 10.99.0.4= 10.99.0.4=$long_no_nul 10.99.0.4=$(hex 10.99.0.) 10.99.0.4=$(hex 10.99.0.11) 10.99.0.253=$REQ_TEXT_HEX
3 10.99.0.254=$oversize
EOF

# ============================================================================
# Session 2: port 4569 is held by another program; the request still goes
# out (and is answered), nothing is listed. Product ids 0, 65535, 8704.
# ============================================================================
lang_text() { sed -n "s/^$2\t//p" "$root/ui/resources/lang/$1.txt"; }
cat >"$work/s2.tw" <<EOF
waitfile $W\\s2.go 180000
$run_host --model 16,21,22 --language 67,64,67 --repeat 3 --localised
wait 1001,1003 20000
type address 10.0.0.7
press 1003
wait 1004
textx 1018
waitfile $W\\held-got-1 10000
waittext 1018 8000 $(lang_text ENGLISH 83)
list 1004
press 1
gone
wait 1001,1003
address 10.0.0.7
press 1
gone
wait 1001,1003 10000
press 1003
wait 1004
textx 1018
waitfile $W\\held-got-2 10000
waittext 1018 8000 $(lang_text GERMAN 83)
press 2
gone
wait 1001,1003
press 2
gone
wait 1001,1003 10000
press 1003
wait 1004
waitfile $W\\held-got-3 10000
close
gone
wait 1001,1003
press 2
gone
waitexit 20000
EOF
cat >"$work/holder.py" <<'EOF'
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", 4569))
open(sys.argv[1] + "/held", "w").close()
n = 0
while True:
    s.recv(2048)
    n += 1
    open("%s/held-got-%d" % (sys.argv[1], n), "w").close()
EOF

# ============================================================================
# Session 3: names. Five devices: 10.99.0.2 answers name requests through
# net-snmp's agent, .3 and .4 through the simulator (.3 has no
# hrDeviceDescr.1: its model is its sysDescr), .5 only has a name in the
# hosts file, .6 has no name at all.
# ============================================================================
cat >"$work/snmpd.conf" <<EOF
rocommunity public
sysName Lab-Scanner
sysLocation Second floor, copy room
sysDescr Example MFP 2400
EOF
printf '10.99.0.5 scanner-five.example\n10.99.0.2 lab.example\n' >"$work/hosts"
cat >"$work/s3.tw" <<EOF
waitfile $W\\s3.go 180000
$run_host --model 18 --language 67,64 --repeat 2 --localised
wait 1001,1003 20000
press 1003
wait 1004
waitcount 1004 5 10000
waittext 1018 3000 $(lang_text ENGLISH 82 | sed 's/%1/5/')
list 1004
selecttext 1004 10.99.0.2
waittext 1019 10000 Name: Lab-Scanner\\nLocation: Second floor, copy room\\nModel: Example MFP 2400
selecttext 1004 10.99.0.3
waittext 1019 10000 Name: MFP-0-3\\nLocation: Floor 3, room 3\\nModel: Example MFP 3 (sysDescr)
selecttext 1004 10.99.0.4
waittext 1019 10000 Name: MFP-0-4\\nLocation: Floor 4, room 4\\nModel: Example MFP 4
selecttext 1004 10.99.0.5
waittext 1019 10000 Name: scanner-five.example
sleep 2500
selecttext 1004 10.99.0.6
textx 1019
list 1004
press 1
gone
wait 1001,1003
address 10.99.0.6
press 1
gone
wait 1001,1003 10000
press 1003
wait 1004
waitcount 1004 5 10000
selecttext 1004 10.99.0.4
waittext 1019 10000 $(lang_text GERMAN 84 | sed 's/%1/MFP-0-4/')\\n$(lang_text GERMAN 85 | sed 's/%1/Floor 4, room 4/')\\n$(lang_text GERMAN 86 | sed 's/%1/Example MFP 4/')
press 2
gone
wait 1001,1003
press 2
gone
waitexit 20000
EOF

t0=$(date +%s%N)
SIM_LOG=$work/s1.simlog session s1 --devices $((D + 3)) --sim-args "--junk 6 --burst $D"
t1=$(date +%s%N)
HOLD_PORT=1 SIM_LOG=$work/s2.simlog session s2 --devices 1
t2=$(date +%s%N)
SNMPD_CONF=$work/snmpd.conf SIM_LOG=$work/s3.simlog session s3 --devices 5 --hosts "$work/hosts" \
  --sim-args "--snmp 10.99.0.3-10.99.0.4"
t3=$(date +%s%N)
echo "session 1: $(( (t1 - t0) / 1000000 )) ms, session 2: $(( (t2 - t1) / 1000000 )) ms," \
  "session 3: $(( (t3 - t2) / 1000000 )) ms"

for s in s1 s2 s3; do
  expect "$s: exit code" "$(cat "$work/$s.rc")" 0
  grep -q '^wineserver [0-9]* in twreq-' "$work/$s.log" && ok || bad "$s: namespace of the wineserver not confirmed"
done

# ---- session 1 ----
o=$(tr -d '\r' <"$work/s1.out")
has "address dialog caption" "$o" "caption: MFP IP Address"
has "prompt text" "$o" "control 1001 Static: Please input MFP IP Address"
has "search button" "$o" "control 1003 Button: Search"
has "OK button" "$o" "control 1 Button: OK"
has "Cancel button" "$o" "control 2 Button: Cancel"
fields=$(grep '^field: ' <<<"$o")
# prompt-host shows the common (left-to-right) template for every language,
# whose Search button starts at x=231 on the field's row: the Arabic field,
# asked for at 110 and 200 wide, ends 4 pixels before it.
expect "address field, then the Arabic one" "$fields" \
"field: x=25 y=40 w=200 h=20 id=0 child=1 group=1 tabstop=1 exstyle=0 visible=1 focus=1
field: x=110 y=40 w=117 h=20 id=0 child=1 group=1 tabstop=1 exstyle=0 visible=1 focus=1"
# As created (the field then shows its address as its window text): child,
# group and tab stop, not yet visible, no extended style.
created="created: SysIPAddress32 text=svrIPEdit1 x=25 y=40 w=200 h=20 style=0x40030000 exstyle=0x0 id=0 parent=#32770"
expect "address field's creation, one per prompt" "$(grep '^created: ' <<<"$o")" \
  "$created
${created/x=25 y=40 w=200/x=110 y=40 w=117}
$created
$created
$created
$created"
has "search dialog caption" "$o" "caption: Search MFP"
has "search OK" "$o" "text 1: OK"
has "search Cancel" "$o" "text 2: Cancel"

# Centring: the address dialog on the owner, the search dialog on it.
read -r _ ol ot or ob <<<"$(grep '^owner: ' <<<"$o")"
read -r _ al at ar ab <<<"$(grep '^rect: ' <<<"$o" | sed -n 1p)"
read -r _ sl st sr sb <<<"$(grep '^rect: ' <<<"$o" | sed -n 2p)"
expect "address dialog centred on its owner" "$al $at" \
  "$((ol + (or - ol - (ar - al)) / 2)) $((ot + (ob - ot - (ab - at)) / 2))"
expect "search dialog centred on the address dialog" "$sl $st" \
  "$((al + (ar - al - (sr - sl)) / 2)) $((at + (ab - at - (sb - st)) / 2))"

# The first full list: every device once, in text order, the first selected.
lists=$(awk '/^list 1004: /{n++} {print n "\t" $0}' <<<"$o")
items() { awk -F'\t' -v n="$1" '$1 == n && $2 ~ /^item 1004\[/ {sub(/^item 1004\[[0-9]+\]: /, "", $2); print $2}' <<<"$lists"; }
head_of() { awk -F'\t' -v n="$1" '$1 == n && $2 ~ /^list 1004: / {print $2}' <<<"$lists"; }
want=$(seq -f '10.99.0.%g' 2 $((D + 1)) | LC_ALL=C sort)
expect "burst of $D: header" "$(head_of 1)" "list 1004: count=$D sel=0"
expect "burst of $D: every device once, in text order" "$(items 1)" "$want"
expect "10.99.0.10 comes before 10.99.0.9" "$(items 1 | grep -nx -e 10.99.0.10 -e 10.99.0.9 | cut -d: -f2 | tr '\n' ' ')" \
  "10.99.0.10 10.99.0.9 "
# Step 1: a device listed answers again: still one entry; a reply with NUL
# and junk after the text: a new entry; the selection goes back to the first.
expect "after step 1: header" "$(head_of 2)" "list 1004: count=$((D + 1)) sel=0"
expect "after step 1: 10.99.0.3 once, the reply with junk listed" \
  "$(items 2 | grep -cx 10.99.0.3) $(diff <(items 1) <(items 2) | grep '^[<>]')" "1 > 10.99.0.252"
# Step 2: trailing space, line end, own address, empty, 700 bytes without
# NUL, a short text, a longer one: all dropped; then one plain reply.
expect "after step 2: header" "$(head_of 3)" "list 1004: count=$((D + 2)) sel=0"
expect "after step 2: the plain reply only" \
  "$(diff <(items 2) <(items 3) | grep '^[<>]')" "> 10.99.0.253"
# Step 3: 700 bytes, a NUL right after the text: judged on its first 255.
expect "after step 3: header" "$(head_of 4)" "list 1004: count=$((D + 3)) sel=0"
expect "after step 3: the oversize reply" "$(diff <(items 3) <(items 4) | grep '^[<>]')" "> 10.99.0.254"
# The second search of prompt 3 lists each device once again: it started empty.
expect "second search: header" "$(head_of 5)" "list 1004: count=$D sel=0"
expect "second search: fresh list" "$(items 5)" "$want"

expect "addresses shown after the searches" "$(grep '^address: ' <<<"$o")" "address: 10.99.0.100
address: 10.0.0.5
address: 10.99.0.10
address: 10.99.0.10"
expect "prompt results" "$(grep '^prompt ' <<<"$o" | sed 's/ hardwareId=.*//')" \
"prompt 1: model=18 language=67 result=1 address=10.99.0.100
prompt 2: model=18 language=71 result=1 address=10.0.0.5
prompt 3: model=18 language=67 result=1 address=10.99.0.10
prompt 4: model=18 language=67 result=1 address=
prompt 5: model=18 language=67 result=1 address=
prompt 6: model=18 language=67 result=0 address="
has "hardware id and product text" "$o" \
  'prompt 1: model=18 language=67 result=1 address=10.99.0.100 hardwareId=USB\VID_E7A1&PID_1234 productIdText=0x1234'
has "the driver ended with the host" "$o" "exit: 0"

# Four searches, each sending its request once and again at 0.5 and 1.5 s
# while it is open (the first, open through the steps, all three times).
log=$(cat "$work/s1.simlog" 2>/dev/null)
n=$(grep -c ' request=' <<<"$log")
[ "$n" -ge 6 ] && [ "$n" -le 12 ] && ok || bad "s1: $n requests for four searches"
expect "every request the same, from port 4569 with product id 4660" \
  "$(grep -c " from=10.99.0.1:4569 to=255.255.255.255 len=13 hex=$(hex 466010.99.0.1) " <<<"$log")" "$n"
expect "s1 simulator summary" "$(grep '^scanner-sim' "$work/s1.log")" \
  "scanner-sim: requests=$n replies=$((n * D)) junk=$((n * 6))"

# ---- session 2 ----
o=$(tr -d '\r' <"$work/s2.out")
expect "held port: nothing listed" "$(grep '^list 1004: ' <<<"$o")" "list 1004: count=0 sel=-1"
expect "held port: searching, then what to check" "$(grep '^textx 1018: ' <<<"$o")" \
"textx 1018: $(lang_text ENGLISH 81)
textx 1018: $(lang_text ENGLISH 83)
textx 1018: $(lang_text GERMAN 81)
textx 1018: $(lang_text GERMAN 83)"
expect "held port: OK on an empty list keeps the typed address" "$(grep '^address: ' <<<"$o")" "address: 10.0.0.7"
expect "held port: prompt results" "$(grep '^prompt ' <<<"$o" | sed 's/ hardwareId=.*//')" \
"prompt 1: model=16 language=67 result=1 address=10.0.0.7
prompt 2: model=21 language=64 result=0 address=
prompt 3: model=22 language=67 result=0 address="
log=$(cat "$work/s2.simlog" 2>/dev/null)
expect "held port: the requests' payloads" "$(grep -o ' hex=[0-9a-f]*' <<<"$log" | tr -d ' ' | uniq)" \
"hex=$(hex 010.99.0.1)
hex=$(hex 6553510.99.0.1)
hex=$(hex 870410.99.0.1)"
expect "held port: sent from another port" "$(grep -c ' from=10.99.0.1:4569 ' <<<"$log")" 0
n=$(grep -c ' from=10.99.0.1:[0-9]* to=255.255.255.255 ' <<<"$log")
[ "$n" -ge 3 ] && ok || bad "held port: $n requests sent for three searches"

# ---- session 3 ----
o=$(tr -d '\r' <"$work/s3.out")
expect "names: each device listed once, by its address" "$(grep '^item 1004' <<<"$o" | sort -u)" \
"$(for i in 2 3 4 5 6; do echo "item 1004[$((i - 2))]: 10.99.0.$i"; done)"
expect "names: the details of four devices (one twice), none of the fifth" \
  "$(grep -c '^textx 1019: .' <<<"$o") $(grep -c '^textx 1019: $' <<<"$o")" "5 1"
expect "names: the entry taken is the address" "$(grep '^prompt ' <<<"$o" | sed 's/ hardwareId=.*//')" \
"prompt 1: model=18 language=67 result=1 address=10.99.0.6
prompt 2: model=18 language=64 result=0 address="
# Name requests to .3 and .4: sysName, sysLocation and hrDeviceDescr to each,
# and sysDescr to .3 after its noSuchName, in each of two searches.
n=$(grep -c ' name-request from=10.99.0.1:[0-9]* to=10.99.0.[34] .* action=answer' "$work/s3.simlog")
expect "names: the name requests to the simulated devices" "$n" 14

if [ "$failed" -ne 0 ]; then
  for s in s1 s2 s3; do
    echo "--- $s harness:"; tail -5 "$work/$s.log"
    echo "--- $s driver:"; grep -v -e '^item ' -e '^control ' "$work/$s.out" | tail -40
  done
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
