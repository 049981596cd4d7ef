#!/usr/bin/env bash
# The audit itself: an executable that imports GetTickCount64 (Vista) and GetAncestor (98/2000)
# must fail it, and the failure must name both functions.
set -uo pipefail
HERE=$(cd "$(dirname "$(readlink -f "$0")")" && pwd)
out=$("$HERE/check_imports.sh" "$1" 2>&1)
rc=$?
status=0
[ "$rc" -ne 0 ] || { echo "FAIL: the audit passed an executable that imports GetTickCount64"; status=1; }
for fn in GetTickCount64 GetAncestor; do
  grep -q -w "$fn" <<<"$out" || { echo "FAIL: the audit's report does not name $fn"; status=1; }
done
[ "$status" -ne 0 ] || echo "the audit refused the probe and named GetTickCount64 and GetAncestor"
exit "$status"
