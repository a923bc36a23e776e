#!/usr/bin/env bash
# Proves that a bare machine gets from nothing to a green `make test`: makes a
# minimal Debian root (debootstrap --variant=minbase, plus only make, git,
# ca-certificates and iproute2), copies this working tree into it as a fresh
# clone (committed history, plus what is changed or new and not ignored), and
# runs the README's `make test` inside it. A check to run by hand before a
# change to the set-up or the build lands; not part of CI.
#
#   sudo bash scripts/fresh-check.sh [--root DIR] [--keep] [-- MAKE-ARGS...]
#
# --root DIR  where the Debian root goes (default build/fresh-root; replaced)
# --keep      keep the root afterwards (to look inside, or run again with
#             `chroot DIR bash -lc 'cd /src && make test'` after the mounts)
# The mirror is the one this machine's own apt sources name, read at run
# time. The root's /proc, /sys, /dev and /run are this machine's, bound in a
# private mount namespace, so they go when the check ends. Needs root (the
# tests make network namespaces) and about 8 GB of disk; takes 20 to 40 minutes.
# The last lines are CTest's summary inside the root; the exit code is make's.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
root=$repo/build/fresh-root
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --root) root=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    --) shift; break ;;
    *) echo "fresh-check: unknown option $1" >&2; exit 2 ;;
  esac
done
[ "$(id -u)" -eq 0 ] || { echo "fresh-check: run as root" >&2; exit 2; }

. /etc/os-release
suite=${VERSION_CODENAME:?no codename in /etc/os-release}

# The first Debian mirror of this machine's sources that serves the suite,
# from the one-line form ("deb URI SUITE ...") or the deb822 form.
mirror() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v s="$suite" '$1 == "deb" { i = 2
      if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
      if ($(i + 1) == s) { print $i; exit } }' "$f" | grep . && return 0
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v s="$suite" '
      /^[ \t]*$/ { if (u != "" && hit) { print u; u = ""; exit } u = ""; hit = 0; next }
      /^URIs:/ { u = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s) hit = 1 }
      END { if (u != "" && hit) print u }' "$f" | head -1 | grep . && return 0
  done
}
url=$(mirror | head -1)
[ -n "$url" ] || { echo "fresh-check: no mirror for $suite in this machine's apt sources" >&2; exit 1; }

command -v debootstrap >/dev/null || {
  # An index out of step fails the update, not the package (as in setup.sh).
  apt-get update -qq || echo "fresh-check: warning: some package indexes could not be read"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
}

rm -rf "$root"
mkdir -p "$root"
root=$(cd "$root" && pwd)
[ "$keep" = 1 ] || trap 'rm -rf "$root"' EXIT
echo "fresh-check: debootstrap $suite (minbase) into $root"
t0=$(date +%s)
debootstrap --variant=minbase --include=make,git,ca-certificates,iproute2 "$suite" "$root" "$url" >"$root.debootstrap.log" 2>&1 ||
  { tail -20 "$root.debootstrap.log"; exit 1; }
rm -f "$root.debootstrap.log"
# The same package sources as this machine (updates and security included).
rm -f "$root/etc/apt/sources.list"
cp -a /etc/apt/sources.list.d/. "$root/etc/apt/sources.list.d/" 2>/dev/null || true
[ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/sources.list"
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
echo "fresh-check: root ready in $(($(date +%s) - t0)) s"

# A fresh clone of the working tree: its commits, then what is changed or new.
git -C "$repo" -c safe.directory="$repo" ls-files -z --others --exclude-standard --cached --modified |
  sort -zu | (cd "$repo" && xargs -0 -r tar --ignore-failed-read -cf - --) | (mkdir -p "$root/src" && tar -xf - -C "$root/src")
git clone -q --bare "$repo" "$root/src/.git"
git -C "$root/src" config core.bare false
git -C "$root/src" reset -q  # the index of HEAD; changes show as changes

echo "fresh-check: make test ${*:-} inside the root"
set +e
unshare --mount --propagation private bash -c '
  set -e
  r=$1; shift
  # The root must be a mount point of its own: `ip netns exec` remounts "/"
  # as a slave, which a plain folder under a chroot refuses.
  mount --bind "$r" "$r"
  for d in proc sys dev run; do mkdir -p "$r/$d"; mount --rbind "/$d" "$r/$d"; done
  exec chroot "$r" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    TERM=dumb LANG=C.UTF-8 /bin/bash -c "cd /src && make test \"\$@\"" make-test "$@"
' fresh-check "$root" "$@"
rc=$?
set -e
echo "fresh-check: make test ended with $rc after $(($(date +%s) - t0)) s"
exit $rc
