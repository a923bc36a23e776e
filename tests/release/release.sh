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
grep -qx "release: TwainSetup [0-9.]* (signed) in $work/signed/release" <<<"$said" && ok || bad "signed release: $said"
rel=$work/signed/release
verify "$rel/TwainSetup.exe" && ok || bad "the signed program does not verify"
cp "$rel/TwainSetup.exe" "$work/changed.exe"
printf '\x5a' | dd of="$work/changed.exe" bs=1 seek=5000 conv=notrunc 2>/dev/null
verify "$work/changed.exe" && bad "a program with one byte changed still verifies" || ok
(cd "$rel" && sha256sum --quiet -c SHA256SUMS) && ok || bad "SHA256SUMS does not match"

# Every library the program carries is signed, and is carried signed: its
# signed bytes are inside the program.
for f in "$rel"/libraries/*.dll; do
  verify "$f" && ok || bad "${f##*/}: not signed"
  python3 -c 'import sys; sys.exit(open(sys.argv[2], "rb").read() not in open(sys.argv[1], "rb").read())' \
    "$rel/TwainSetup.exe" "$f" && ok || bad "${f##*/}: the program does not carry it signed"
done
expect "libraries carried" "$(ls "$rel"/libraries/*.dll | wc -l)" 26

said=$(bash "$repo/scripts/release.sh" --build "$work/unsigned" 2>&1)
has "unsigned release: says so" "$said" "release: no certificate given (SIGN_PKCS12, SIGN_CERT with SIGN_KEY, or SIGN_PKCS11_MODULE): the release files are unsigned"
rel=$work/unsigned/release
cmp "$rel/TwainSetup.exe" "$product/TwainSetup.exe" && ok || bad "the program differs from the one built in $product"
cmp "$rel/libraries/DrvSetup.dll" "$product/drvsetup/DrvSetup.dll" && ok || bad "DrvSetup.dll differs"
for f in "$product"/lang/lang_*.dll; do cmp -s "$f" "$rel/libraries/${f##*/}" && ok || bad "${f##*/} differs"; done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
