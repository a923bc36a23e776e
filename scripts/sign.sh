#!/usr/bin/env bash
# Signs one Windows image in place with Authenticode (SHA-256), with the
# vendor's certificate as the environment names it:
#   SIGN_PKCS12=FILE [SIGN_PASSWORD=...]                 a PKCS#12 file
#   SIGN_CERT=FILE SIGN_KEY=FILE [SIGN_PASSWORD=...]     certificate and key files
#   SIGN_PKCS11_MODULE=LIB SIGN_PKCS11_CERT=ID SIGN_KEY=ID [SIGN_PASSWORD=PIN]
#                                                        a hardware token
#   SIGN_TIMESTAMP=URL                                   RFC 3161 time-stamp server
# The signing time is the commit's (SOURCE_DATE_EPOCH), so that a signed
# release made again from the same commit differs only by its time stamp.
#   sign.sh FILE
set -euo pipefail
file=$1
args=(-h sha256 -n "TWAIN Driver Installer")
if [ -n "${SIGN_PKCS12:-}" ]; then
  args+=(-pkcs12 "$SIGN_PKCS12")
elif [ -n "${SIGN_PKCS11_MODULE:-}" ]; then
  args+=(-pkcs11module "$SIGN_PKCS11_MODULE" -pkcs11cert "${SIGN_PKCS11_CERT:?SIGN_PKCS11_CERT names the token's certificate}"
         -key "${SIGN_KEY:?SIGN_KEY names the token's key}")
elif [ -n "${SIGN_CERT:-}" ]; then
  args+=(-certs "$SIGN_CERT" -key "${SIGN_KEY:?SIGN_KEY names the key of SIGN_CERT}")
else
  echo "sign.sh: no certificate given" >&2
  exit 1
fi
[ -n "${SIGN_PASSWORD:-}" ] && args+=(-pass "$SIGN_PASSWORD")
[ -n "${SIGN_TIMESTAMP:-}" ] && args+=(-ts "$SIGN_TIMESTAMP")
[ -n "${SOURCE_DATE_EPOCH:-}" ] && args+=(-time "$SOURCE_DATE_EPOCH")
osslsigncode sign "${args[@]}" -in "$file" -out "$file.signed" >/dev/null
mv -f "$file.signed" "$file"
