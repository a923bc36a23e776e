#!/usr/bin/env bash
# make release, as a vendor runs it (scripts/release.sh):
#   signed      with a certificate made here (openssl): the program and every
#               library it carries pass osslsigncode verify (the libraries as
#               read back out of the program's resources); a copy of the
#               program with one byte changed fails it; SHA256SUMS checks
#   unsigned    without a certificate: says so; the files are byte for byte
#               those of the product tree built in another folder
#   release.sh --product DIR_OF_THE_I686_TREE [--work DIR]
# Last line: "N passed, M failed".
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
product="" work_root=""
. "$repo/tests/lib/options.sh"
tw_options "product work" "$@"
tw_require product
. "$repo/tests/lib/twscript.sh"  # tw_work
. "$repo/tests/lib/check.sh"
tw_work release

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Example Imaging Test Signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.p12" -passout pass:secret
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" 2>&1 | grep -qx "Signature verification: ok"; }

said=$(SIGN_PKCS12=$work/test.p12 SIGN_PASSWORD=secret bash "$repo/scripts/release.sh" --build "$work/signed" 2>&1)
expect "signed release" "$(tail -n 1 <<<"$said")" "release: TwainSetup $(sed -n 's/.*assemblyIdentity.* version="\([0-9.]*\)".*/\1/p' \
  "$product/manifest/TwainSetup.manifest") (signed) in $work/signed/release"
rel=$work/signed/release
verify "$rel/TwainSetup.exe" && ok || bad "the signed program does not verify"
cp "$rel/TwainSetup.exe" "$work/changed.exe"
printf '\x5a' | dd of="$work/changed.exe" bs=1 seek=5000 conv=notrunc 2>/dev/null
verify "$work/changed.exe" && bad "a program with one byte changed still verifies" || ok
(cd "$rel" && sha256sum --quiet -c SHA256SUMS) && ok || bad "SHA256SUMS does not match"

# Every library as the program carries it: read out of its resources.
mkdir -p "$work/out"
python3 - "$rel/TwainSetup.exe" "$work/out" <<'PY' || bad "the program's resources could not be read"
import struct, sys
data = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', data, 0x3C)[0]
sections, optional = struct.unpack_from('<H', data, pe + 6)[0], struct.unpack_from('<H', data, pe + 20)[0]
table = pe + 24 + optional
for i in range(sections):
    name, vsize, va, rsize, raw = struct.unpack_from('<8sIIII', data, table + 40 * i)
    if name.rstrip(b'\0') == b'.rsrc':
        break
def entries(offset):
    named, ids = struct.unpack_from('<HH', data, raw + offset + 12)
    for k in range(named + ids):
        key, target = struct.unpack_from('<II', data, raw + offset + 16 + 8 * k)
        if key & 0x80000000:
            at = raw + (key & 0x7FFFFFFF)
            n = struct.unpack_from('<H', data, at)[0]
            key = data[at + 2:at + 2 + 2 * n].decode('utf-16-le')
        yield key, target
for kind, t in entries(0):
    if kind not in ('LANGUAGERC', 'DLLRESOURCE'):
        continue
    for ident, t2 in entries(t & 0x7FFFFFFF):
        for _, leaf in entries(t2 & 0x7FFFFFFF):
            rva, size = struct.unpack_from('<II', data, raw + leaf)
            start = raw + rva - va
            open('%s/%s-%d.dll' % (sys.argv[2], kind, ident), 'wb').write(data[start:start + size])
PY
expect "libraries carried" "$(ls "$work/out" | wc -l)" 26
for f in "$work"/out/*.dll; do verify "$f" && ok || bad "${f##*/}: not signed"; done

said=$(bash "$repo/scripts/release.sh" --build "$work/unsigned" 2>&1)
has "unsigned release: says so" "$said" "release: no certificate given (SIGN_PKCS12, SIGN_CERT with SIGN_KEY, or SIGN_PKCS11_MODULE): the release files are unsigned"
rel=$work/unsigned/release
cmp "$rel/TwainSetup.exe" "$product/TwainSetup.exe" && ok || bad "the program differs from the one built in $product"
cmp "$rel/libraries/DrvSetup.dll" "$product/drvsetup/DrvSetup.dll" && ok || bad "DrvSetup.dll differs"
for f in "$product"/lang/lang_*.dll; do cmp -s "$f" "$rel/libraries/${f##*/}" && ok || bad "${f##*/} differs"; done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
