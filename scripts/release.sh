#!/usr/bin/env bash
# make release: the i686 product built from a clean tree, signed when a
# certificate is given (scripts/sign.sh), into BUILD/release/:
#   TwainSetup.exe            the program, the libraries it carries inside
#   libraries/                those libraries as embedded (for checking)
#   SHA256SUMS                the SHA-256 of every file above
# Builds are reproducible: the same commit gives the same bytes in any
# folder (unsigned; a signature adds the signer's bytes).
#   release.sh [--build DIR]
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
[ "${1:-}" = --build ] && build=$2
mkdir -p "$build"
build=$(cd "$build" && pwd)
tree=$build/release-tree out=$build/release

sign=OFF
if [ -n "${SIGN_PKCS12:-}${SIGN_CERT:-}${SIGN_PKCS11_MODULE:-}" ]; then
  sign=ON
else
  echo "release: no certificate given (SIGN_PKCS12, SIGN_CERT with SIGN_KEY, or SIGN_PKCS11_MODULE):" \
    "the release files are unsigned"
fi
# The signing time, like everything else, comes from the commit.
SOURCE_DATE_EPOCH=$(git -C "$repo" log -1 --format=%ct 2>/dev/null || echo 0)
export SOURCE_DATE_EPOCH

rm -rf "$tree" "$out"
cmake -S "$repo" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DTW_SIGN=$sign >/dev/null
cmake --build "$tree" --target TwainSetup -j"${JOBS:-2}" >"$build/release-build.log" 2>&1 ||
  { tail -n 30 "$build/release-build.log"; exit 1; }

mkdir -p "$out/libraries"
cp "$tree/TwainSetup.exe" "$out/"
cp "$tree/drvsetup/DrvSetup.dll" "$tree"/lang/lang_*.dll "$out/libraries/"
(cd "$out" && find . -type f ! -name SHA256SUMS | LC_ALL=C sort | sed 's|^\./||' | xargs sha256sum >SHA256SUMS)
version=$(sed -n 's/.*assemblyIdentity.* version="\([0-9.]*\)".*/\1/p' "$tree/manifest/TwainSetup.manifest")
echo "release: TwainSetup $version ($([ $sign = ON ] && echo signed || echo unsigned)) in $out"
