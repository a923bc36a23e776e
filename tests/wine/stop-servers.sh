#!/usr/bin/env bash
# Stops the wineservers of the prefixes under the given build folder, and only
# those: each is addressed by its own WINEPREFIX.
root="${1:?prefix root}"
[ -d "$root" ] || exit 0
for p in "$root"/*/; do
  [ -f "$p/system.reg" ] || continue
  WINEPREFIX="${p%/}" wineserver -k </dev/null >/dev/null 2>&1 || true
done
exit 0
