#!/usr/bin/env bash
# The program must be a 32-bit GUI program that Windows 95 accepts.
set -euo pipefail
objdump="$1" exe="$2"
hdr=$("$objdump" -p "$exe")
fail() { echo "$1"; exit 1; }
grep -q 'file format pei-i386' <<< "$hdr" || fail "not a PE32 (i386) image"
grep -Eq '^Subsystem\s+0+2\s' <<< "$hdr" || fail "not a GUI program"
grep -Eq '^MajorSubsystemVersion\s+4$' <<< "$hdr" || fail "subsystem version is not 4.x"
grep -Eq '^MinorSubsystemVersion\s+0$' <<< "$hdr" || fail "subsystem minor version is not 0"
grep -Eq '^FileAlignment\s+0*1000$' <<< "$hdr" || fail "sections are not page-aligned in the file"
echo "PE32 GUI, subsystem 4.0, page-aligned sections"
