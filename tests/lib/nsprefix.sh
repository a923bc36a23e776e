# A Wine run whose prefix must live in the requester's network namespace:
# finding its processes, stopping them, and holding the run back until its
# wineserver (which owns every socket of the prefix) is known to be there.
# Source this file; the caller sets prefix (the run's WINEPREFIX), wr (the
# pid of its wine-run.sh) and NETNS_REQ (the namespace).

ours() {  # pids of the processes that run for our prefix
  grep -lszxF "WINEPREFIX=$prefix" /proc/[0-9]*/environ | cut -d/ -f3
}

stop_ours() {  # the run and every process of its prefix: all started here
  kill -TERM "$wr" 2>/dev/null
  wait "$wr"
  local left
  left=$(ours)
  [ -n "$left" ] && kill -TERM $left 2>/dev/null
}

# server_in_namespace [LEAD]: waits for the prefix's wineserver (a first prefix
# build takes ~15 s), then checks that it and every other process of the
# prefix run in NETNS_REQ. Sets server; on a failure prints why, stops the
# run and returns 1. LEAD starts every line it prints.
server_in_namespace() {
  local lead=${1:-} i p ns
  server=""
  for ((i = 0; i < 2400; i++)); do
    for p in $(ours); do
      case $(cat "/proc/$p/comm" 2>/dev/null) in wineserver*) server=$p ;; esac  # wineserver64 here
    done
    [ -n "$server" ] && break
    kill -0 "$wr" 2>/dev/null || break
    sleep 0.05
  done
  if [ -z "$server" ]; then
    echo "${lead}FAIL: no wineserver for $prefix"
    stop_ours
    return 1
  fi
  # The server by the namespace's name; every other process by the same
  # namespace as the server's, read in one step from /proc: one that has
  # ended meanwhile (gone, or a zombie) can no longer be read and is passed over.
  ns=$(ip netns identify "$server" 2>/dev/null)
  local want got
  want=$(readlink "/proc/$server/ns/net" 2>/dev/null)
  if [ "$ns" != "$NETNS_REQ" ] || [ -z "$want" ]; then
    echo "${lead}FAIL: the wineserver $server of the prefix is in namespace '${ns:-default}', not $NETNS_REQ"
    stop_ours
    return 1
  fi
  for p in $(ours); do
    [ "$p" = "$server" ] && continue
    got=$(readlink "/proc/$p/ns/net" 2>/dev/null) || continue
    if [ "$got" != "$want" ]; then
      echo "${lead}FAIL: process $p ($(cat "/proc/$p/comm" 2>/dev/null)) of the prefix is not in $NETNS_REQ"
      stop_ours
      return 1
    fi
  done
  echo "${lead}wineserver $server in $NETNS_REQ"
}
