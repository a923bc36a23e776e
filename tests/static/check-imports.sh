#!/usr/bin/env bash
# Fails when the program imports anything outside the allow-list: a function
# that Windows 95 lacks must be looked up at run time, never imported.
set -euo pipefail
objdump="$1" allowed="$2" exe="$3"
imports=$("$objdump" -p "$exe" | awk '
  /DLL Name:/ { dll = tolower($3); next }
  /^[[:space:]]*$/ { dll = ""; next }
  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll ":" $3 }
  dll != "" && NF == 2 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll ":#" $2 }')
[ -n "$imports" ] || { echo "no imports read from $exe"; exit 1; }
bad=0
while read -r imp; do
  if ! grep -qixF "$imp" <(grep -v '^#' "$allowed"); then
    echo "not allowed: $imp"
    bad=1
  fi
done <<< "$imports"
echo "$(wc -l <<< "$imports") imports checked"
exit $bad
