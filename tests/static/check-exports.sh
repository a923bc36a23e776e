#!/usr/bin/env bash
# The driver-setup library's export table: the module name, exactly three
# undecorated functions at ordinals 1 to 3 in their fixed order, and no import
# besides kernel32 (no C runtime), so that it loads wherever it is written.
set -euo pipefail
objdump="$1" dll="$2"
hdr=$("$objdump" -p "$dll")
fail() { echo "$dll: $1"; exit 1; }

grep -q 'file format pei-i386' <<< "$hdr" || fail "not a 32-bit (i386) image"
grep -Eq '^[[:space:]]+DLL$' <<< "$hdr" || fail "the image is not marked as a DLL"
grep -Eq '^Name[[:space:]]+[0-9a-f]+ DrvSetup\.dll$' <<< "$hdr" || fail "export table does not name DrvSetup.dll"
grep -Eq '^Ordinal Base[[:space:]]+1$' <<< "$hdr" || fail "ordinals do not start at 1"
grep -Eq 'Export Address Table[[:space:]]+0+3$' <<< "$hdr" || fail "not exactly three exported functions"

# "[Ordinal/Name Pointer] Table" rows: [ordinal - base] name.
names=$(awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
             on && /^[[:space:]]*\[/ { gsub(/[][]/, " "); print $1 + 1 ":" $2; next }
             on && NF == 0 { exit }' <<< "$hdr")
expected=$'1:AddPrinterDriverEx_2K\n2:SetupCopyOEMInf_2K\n3:UpdateDriverForPlugAndPlayDevices_2K'
[ "$names" = "$expected" ] || fail "exports by ordinal are"$'\n'"$names"$'\n'"expected"$'\n'"$expected"

dlls=$(awk '/DLL Name:/ { print tolower($3) }' <<< "$hdr")
[ "$dlls" = "kernel32.dll" ] || fail "imports from: $(tr '\n' ' ' <<< "$dlls")(only kernel32.dll is allowed)"
echo "DrvSetup.dll: 3 exports at ordinals 1-3, imports from kernel32.dll only"
