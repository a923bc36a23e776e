#!/usr/bin/env bash
# netns-run.sh: runs one command in a private network namespace whose only
# neighbours are simulated scanners, then removes everything it made.
#
#   tests/netns/netns-run.sh [--devices N] [--networks 2] [--sim-args "..."] -- COMMAND [ARGS...]
#
# What it builds (names carry this script's pid, so runs never collide):
#   twreq-PID  the requester namespace: lo, veth-req 10.99.0.1/24 and a default
#              route through veth-req (without a route a send to
#              255.255.255.255 fails with "network unreachable");
#   twscn-PID  the scanner namespace: lo, veth-scn with the N device addresses
#              10.99.0.2 ... 10.99.0.(N+1), all /24, and tools/scanner-sim
#              answering from each of them;
#   twsc2-PID  with --networks 2: a second network, veth-req2 10.98.0.1/24 in
#              the requester namespace (no route through it but its own
#              network's) and one more simulated scanner at 10.98.0.2, as on a
#              computer with a second network card or a VPN.
# COMMAND runs inside twreq-PID (ip netns exec). Nothing is added to the default
# namespace: the veth pair is created with both ends already inside the two
# private namespaces, so no packet of the test can leave the machine. Names:
# COMMAND sees /etc/netns/twreq-PID/resolv.conf (ip netns exec puts it over
# /etc/resolv.conf), whose one server is 127.0.0.1, where nothing listens, so
# a lookup in DNS fails at once, and an nsswitch.conf that reads the hosts
# file first; with --hosts, FILE is its /etc/hosts.
#
# Options:
#   --devices N      number of simulated scanners, 1 to 253 (default 1)
#   --sim-args "..." extra simulator options, split on blanks, added after the
#                    harness's own (for options that take one value, the last
#                    one given wins), e.g. --sim-args "--twice --pid 4660"
#   --networks N     1 (default) or 2 (the second network above)
#   --no-sim         build the namespaces but start no simulator
#   --hosts FILE     the hosts file (names of addresses) COMMAND sees
#   -h, --help       this text
#
# Environment:
#   SCANNER_SIM      simulator program (default: build/native/tools/scanner-sim/
#                    scanner-sim under the repository root)
#   SIM_LOG          passed to the simulator as --log (one line per request)
#   SIM_LOG2         the same for the second network's simulator
#   SIM_TIMEOUT_S    simulator's own time limit in seconds (default 3600); the
#                    harness stops it anyway when COMMAND ends
# COMMAND sees NETNS_REQ, NETNS_SCN (namespace names), NETNS_REQ_ADDR
# (10.99.0.1) and NETNS_DEVICE_ADDRS (comma-separated device addresses); with
# a second network also NETNS_SCN2, NETNS_REQ_ADDR2 and NETNS_DEVICE_ADDRS2.
#
# Output: COMMAND's own output, then the simulator's summary line
# ("scanner-sim: requests=R replies=P junk=J") on stdout, and the second
# network's as "scanner-sim 2: ...".
# Exit code: COMMAND's exit code; 125 when the harness itself could not set up;
# 130/143 when interrupted. Both namespaces, every process still inside them
# and the temporary folder are removed on every exit path. Must run as root.
set -u

die() { echo "netns-run: $*" >&2; exit 125; }

devices=1 networks=1 sim_args="" no_sim="" hosts=""
. "$(dirname "${BASH_SOURCE[0]}")/../lib/options.sh"
case "${1:-}" in -h|--help) tw_usage; exit 0 ;; esac
tw_options "devices networks sim-args no-sim! hosts" "$@"
set -- "${tw_rest[@]}"
use_sim=$((no_sim ? 0 : 1))
[ $# -gt 0 ] || die "no COMMAND given (usage: netns-run.sh [options] -- COMMAND [ARGS...])"
case "$devices" in ''|*[!0-9]*) die "--devices must be a number" ;; esac
[ "$devices" -ge 1 ] && [ "$devices" -le 253 ] || die "--devices must be 1 to 253"
case "$networks" in 1|2) ;; *) die "--networks must be 1 or 2" ;; esac
[ "$(id -u)" -eq 0 ] || die "must run as root (network namespaces)"
command -v ip >/dev/null 2>&1 || die "'ip' (iproute2) not found"

script_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$script_dir/../.." && pwd)
sim=${SCANNER_SIM:-$repo_root/build/native/tools/scanner-sim/scanner-sim}
if [ "$use_sim" -eq 1 ]; then
  [ -x "$sim" ] || die "scanner simulator not found at $sim (build it, or set SCANNER_SIM)"
fi

REQ=twreq-$$
SCN=twscn-$$
SCN2=twsc2-$$
REQ_ADDR2=10.98.0.1 DEVICE_ADDRS2=10.98.0.2
REQ_ADDR=10.99.0.1
last=$((devices + 1))
DEVICE_ADDRS=$(seq -s, -f '10.99.0.%g' 2 "$last")

created=()
etc=""
sim_pid="" sim2_pid=""
cmd_pid=""
tmpd=""

stop_pid() {  # stop_pid PID: TERM, up to 3 s of grace, then KILL; only ever our own children
  local pid=$1 i
  kill -TERM "$pid" 2>/dev/null || return 0
  for ((i = 0; i < 150; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.02
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

cleanup() {
  local rc=$? ns pid left i
  trap - EXIT INT TERM HUP
  [ -n "$cmd_pid" ] && stop_pid "$cmd_pid"
  [ -n "$sim_pid" ] && stop_pid "$sim_pid"
  [ -n "$sim2_pid" ] && stop_pid "$sim2_pid"
  for ns in "${created[@]}"; do
    # Whatever COMMAND left running in our namespace (a wineserver, say) was
    # started by this run; end it by pid so that the namespace really goes.
    left=$(ip netns pids "$ns" 2>/dev/null)
    if [ -n "$left" ]; then
      for pid in $left; do kill -TERM "$pid" 2>/dev/null; done
      for ((i = 0; i < 30; i++)); do
        sleep 0.1
        [ -z "$(ip netns pids "$ns" 2>/dev/null)" ] && break
      done
      for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
    fi
    ip netns del "$ns" 2>/dev/null || echo "netns-run: could not delete namespace $ns" >&2
  done
  [ -n "$tmpd" ] && rm -rf "$tmpd"
  if [ -n "$etc" ]; then rm -rf "$etc"; rmdir /etc/netns 2>/dev/null; fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

tmpd=$(mktemp -d) || die "mktemp failed"

# A namespace of that name that we did not make is someone else's: leave it.
namespaces=("$REQ" "$SCN")
[ "$networks" = 2 ] && namespaces+=("$SCN2")
for ns in "${namespaces[@]}"; do
  ip netns add "$ns" 2>/dev/null || die "cannot create namespace $ns (does it exist already?)"
  created+=("$ns")
done

etc=/etc/netns/$REQ
mkdir -p "$etc" || die "cannot create $etc"
printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"$etc/resolv.conf"
# The hosts file first, then DNS, whatever this machine's own setting (a
# minimal Debian root has no nsswitch.conf, and then asks DNS alone).
printf 'hosts: files dns\n' >"$etc/nsswitch.conf"
if [ -n "$hosts" ]; then cp "$hosts" "$etc/hosts" || die "cannot copy $hosts"; fi

ip link add veth-req netns "$REQ" type veth peer name veth-scn netns "$SCN" ||
  die "cannot create the veth pair"
# One batch per namespace: each ip call costs tens of milliseconds.
printf '%s\n' "link set lo up" "addr add $REQ_ADDR/24 dev veth-req" "link set veth-req up" \
  "route add default dev veth-req" | ip -n "$REQ" -batch - || die "cannot set up $REQ"
{
  echo "link set lo up"
  for a in ${DEVICE_ADDRS//,/ }; do echo "addr add $a/24 dev veth-scn"; done
  echo "link set veth-scn up"
} | ip -n "$SCN" -batch - || die "cannot set up $SCN"
if [ "$networks" = 2 ]; then
  ip link add veth-req2 netns "$REQ" type veth peer name veth-scn2 netns "$SCN2" ||
    die "cannot create the second veth pair"
  printf '%s\n' "addr add $REQ_ADDR2/24 dev veth-req2" "link set veth-req2 up" | ip -n "$REQ" -batch - ||
    die "cannot set up the second network of $REQ"
  printf '%s\n' "link set lo up" "addr add $DEVICE_ADDRS2/24 dev veth-scn2" "link set veth-scn2 up" |
    ip -n "$SCN2" -batch - || die "cannot set up $SCN2"
fi

# start_sim NAMESPACE RANGE TAG LOG: one simulator, ready before COMMAND starts.
start_sim() {
  local args=(--devices-range "$2" --timeout-s "${SIM_TIMEOUT_S:-3600}" --ready-file "$tmpd/ready$3") i
  [ -n "$4" ] && args+=(--log "$4")
  ip netns exec "$1" "$sim" "${args[@]}" "${extra[@]}" >"$tmpd/sim$3.out" </dev/null &
  eval "sim$3_pid=\$!"
  for ((i = 0; i < 100; i++)); do
    [ -e "$tmpd/ready$3" ] && return 0
    kill -0 "$!" 2>/dev/null || { wait "$!"; eval "sim$3_pid=''"; die "the simulator did not start"; }
    sleep 0.05
  done
  die "the simulator did not get ready within 5 s"
}
if [ "$use_sim" -eq 1 ]; then
  read -r -a extra <<<"$sim_args"
  start_sim "$SCN" "10.99.0.2-10.99.0.$last" "" "${SIM_LOG:-}"
  [ "$networks" = 2 ] && start_sim "$SCN2" "$DEVICE_ADDRS2-$DEVICE_ADDRS2" 2 "${SIM_LOG2:-}"
fi

# In the background so that a TERM or INT to this script ends the wait at once
# (the trap then stops COMMAND); stdin is passed on explicitly, since a
# background job would otherwise read from /dev/null.
if [ "$networks" = 2 ]; then
  export NETNS_SCN2=$SCN2 NETNS_REQ_ADDR2=$REQ_ADDR2 NETNS_DEVICE_ADDRS2=$DEVICE_ADDRS2
fi
NETNS_REQ=$REQ NETNS_SCN=$SCN NETNS_REQ_ADDR=$REQ_ADDR NETNS_DEVICE_ADDRS=$DEVICE_ADDRS \
  ip netns exec "$REQ" "$@" 0<&0 &
cmd_pid=$!
wait "$cmd_pid"
rc=$?
cmd_pid=""

if [ -n "$sim_pid" ]; then
  stop_pid "$sim_pid"
  sim_pid=""
  grep '^scanner-sim:' "$tmpd/sim.out" || echo "scanner-sim: no summary (it did not end cleanly)"
fi
if [ -n "$sim2_pid" ]; then
  stop_pid "$sim2_pid"
  sim2_pid=""
  sed -n 's/^scanner-sim:/scanner-sim 2:/p' "$tmpd/sim2.out" | grep . ||
    echo "scanner-sim 2: no summary (it did not end cleanly)"
fi
exit "$rc"
