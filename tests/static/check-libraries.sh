#!/usr/bin/env bash
# The language libraries are resource-only images: 32-bit DLLs with an
# entry point, a resource section, no export directory, no imported library,
# and a subsystem version that Windows 95 accepts.
#   check-libraries.sh OBJDUMP LIBRARY_DIR STRING_TABLE...
set -euo pipefail
objdump="$1" dir="$2"; shift 2
[ $# -eq 25 ] || { echo "expected 25 string tables, got $#"; exit 1; }
bad=0
for table in "$@"; do
  folder=$(basename "$table" .txt)
  dll="$dir/lang_$folder.dll"
  fail() { echo "lang_$folder.dll: $1"; bad=1; }
  [ -f "$dll" ] || { fail "missing"; continue; }
  hdr=$("$objdump" -p "$dll")
  grep -q 'file format pei-i386' <<< "$hdr" || fail "not a 32-bit (i386) image"
  grep -Eq '^[[:space:]]+DLL$' <<< "$hdr" || fail "not marked as a DLL"
  grep -Eq '^AddressOfEntryPoint[[:space:]]+0*[1-9a-f]' <<< "$hdr" || fail "no entry point"
  grep -Eq '^Entry 0 0+ 0+ Export' <<< "$hdr" || fail "has an export directory"
  grep -q 'DLL Name:' <<< "$hdr" && fail "imports: $(grep 'DLL Name:' <<< "$hdr" | tr -s ' \t' ' ')"
  grep -Eq '^Entry 2 0*[1-9a-f][0-9a-f]* 0*[1-9a-f][0-9a-f]* Resource' <<< "$hdr" || fail "no resources"
  grep -Eq '^MajorSubsystemVersion[[:space:]]+4$' <<< "$hdr" || fail "subsystem version is not 4"
  grep -Eq '^MinorSubsystemVersion[[:space:]]+0$' <<< "$hdr" || fail "subsystem minor version is not 0"
done
[ $bad = 0 ] && echo "25 language libraries: resource-only DLLs"
exit $bad
