#!/usr/bin/env bash
# Makes the signed uninstaller that the end-to-end case e2e.SignedUninstaller installs, as the
# product's builder makes one: the tree's Uninst.exe stamped for signing by its ExeAdder.exe
# (under Wine), signed with osslsigncode and a throwaway self-signed certificate made here, and
# verified. No timestamp server: nothing here reaches the network.
# Usage: sign_uninstaller.sh <Wine runner> <Windows build folder> <output folder> <mutex name>
# Writes <output folder>/SampleUninst.exe.
set -uo pipefail
[ $# -eq 4 ] || { echo "usage: sign_uninstaller.sh WINE_RUNNER BUILD_DIR OUT_DIR MUTEX" >&2; exit 2; }
RUN=$1 BUILD=$2 OUT=$3 MUTEX=$4
. "$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)/scripts/signing.sh"

fail() {
  echo "FAIL: $*"
  for log in "$OUT"/*.log; do [ -f "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; }; done
  exit 1
}

rm -rf "$OUT"
mkdir -p "$OUT/stamped" || fail "cannot create $OUT"
cd "$OUT" || fail "cannot enter $OUT"

signing_make_certificate . 'Korvane Test Signer' || fail "openssl could not make a certificate"
cp "$BUILD/Uninst.exe" Uninst.exe || fail "no $BUILD/Uninst.exe"

# The Windows tool runs in this folder and is given names relative to it.
"$RUN" "$BUILD/ExeAdder.exe" stamp Uninst.exe --product Sample --mutex "$MUTEX" --for-signing --out stamped \
  >stamp.log 2>&1 </dev/null || fail "ExeAdder.exe stamp --for-signing failed"
signing_sign . 'Korvane Uninstaller' stamped/SampleUninst.exe SampleUninst.exe >sign.log 2>&1 || fail "osslsigncode sign failed"
signing_verify . SampleUninst.exe >verify.log 2>&1 || fail "the signature does not verify"
"$RUN" "$BUILD/ExeAdder.exe" list SampleUninst.exe >list.log 2>&1 </dev/null || fail "ExeAdder.exe list failed"
grep -q 'the block lies inside the range the signature covers' list.log || fail "list does not see the block under the signature"
grep -q "$MUTEX" list.log || fail "list does not show the mutex name"
cat list.log
