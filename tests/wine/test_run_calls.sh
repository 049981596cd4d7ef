#!/usr/bin/env bash
# The registry and window calls of a normal interactive uninstall without /LOG, seen from outside
# through Wine's relay trace, on the NT family and as Windows 98: the temporary copy reads the
# uninstall entry, on the NT family opens its key for deletion (the rights check, which first
# asks whether the key is a link) and deletes its
# tree (there each key is first looked at as a link), and on Windows 98 looks for the Add/Remove
# Programs window once under each of its two titles; it makes no call only a log would need (no
# second open of the deleted key, no window search before the refresh). The process that
# Add/Remove Programs starts makes none of these calls.
# Usage: test_run_calls.sh <Windows build folder>
. "$(dirname "$(readlink -f "$0")")/common.sh"

PRODUCT=RunCalls
EXE="${PRODUCT}Uninst.exe"
LOG=${KEEP_LOG:-$(mktemp)}
RELAY_KEY='HKCU\Software\Wine\Debug'
VERSION_KEY="HKCU\\Software\\Wine\\AppDefaults\\$EXE"
REGISTRY_CALLS='RegOpenKeyExA RegQueryValueExA RegQueryInfoKeyA RegEnumKeyExA RegDeleteKeyA RegCloseKey RegCreateKeyExA RegSetValueExA RegDeleteValueA'
WINDOW_CALLS='FindWindowA FindWindowExA'
cleanup() {
  wine reg delete "$RELAY_KEY" /v RelayInclude /f >/dev/null 2>&1 </dev/null
  wine reg delete "$VERSION_KEY" /f >/dev/null 2>&1 </dev/null
  drv remove-sample --product "$PRODUCT" >/dev/null
  wine cmd /c del "%TEMP%\\$EXE" >/dev/null 2>&1 </dev/null
  [ -n "${KEEP_LOG:-}" ] || rm -f "$LOG"
}
trap cleanup EXIT

include=
for call in $REGISTRY_CALLS; do include="$include;advapi32.$call"; done
for call in $WINDOW_CALLS; do include="$include;user32.$call"; done
wine reg add "$RELAY_KEY" /v RelayInclude /d "${include#;}" /f >/dev/null 2>&1 </dev/null

# The registry calls that delete the key tree of key with the given subkeys, one below the other,
# as the walk makes them: on the NT family each key is first opened as a link and asked whether it
# is one, and RegDeleteKeyA gets the path with its trailing "\".
tree_calls() {
  local family=$1 key=$2; shift 2
  if [ "$family" = nt ]; then
    echo "RegOpenKeyExA \"$key\" 00000008 00010001"
    echo 'RegQueryValueExA "SymbolicLinkValue"'
    echo 'RegCloseKey'
  fi
  echo "RegOpenKeyExA \"$key\" 00000000 000f003f"
  echo 'RegQueryInfoKeyA'
  echo 'RegEnumKeyExA 00000000'
  if [ $# -gt 0 ]; then
    local sub=$1; shift
    tree_calls "$family" "$key\\\\$sub" "$@"
    echo 'RegEnumKeyExA 00000000'
  fi
  if [ "$family" = nt ]; then echo "RegDeleteKeyA \"$key\\\\\""; else echo "RegDeleteKeyA \"$key\""; fi
  echo 'RegCloseKey'
}

# What the copy must call, in order.
expected() {
  local family=$1 key='SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\'"$PRODUCT"
  echo "RegOpenKeyExA \"$key\" 00000000 00000001"
  echo 'RegQueryValueExA "UninstallString"'
  echo 'RegCloseKey'
  if [ "$family" = nt ]; then
    # The rights check: the key, opened as itself, is asked whether it is a link (which would be
    # checked for the right to delete the link alone); it is not, so it is opened for deletion.
    echo "RegOpenKeyExA \"$key\" 00000008 00000001"
    echo 'RegQueryValueExA "SymbolicLinkValue"'
    echo 'RegCloseKey'
    echo "RegOpenKeyExA \"$key\" 00000000 000f003f"
    echo 'RegCloseKey'
  fi
  tree_calls "$family" "$key" Components Nested
  if [ "$family" = win98 ]; then
    echo "FindWindowA \"#32770\" $(quoted A 'アプリケーションの追加と削除のプロパティ')"
    echo "FindWindowA \"#32770\" $(quoted A 'ｱﾌﾟﾘｹｰｼｮﾝの追加と削除 のﾌﾟﾛﾊﾟﾃｨ')"
  fi
}

run_as() {
  local family=$1 folder got
  wine reg delete "$VERSION_KEY" /f >/dev/null 2>&1 </dev/null
  if [ "$family" = win98 ]; then
    set_string "$VERSION_KEY" Version win98 || { fail "$family: the Windows version could not be set"; return; }
  fi
  folder=$(install_sample "$PRODUCT" "{D15B1A7C-0000-4000-8000-00000000CA12}") || { fail "$family: no sample"; return; }
  # Started as Add/Remove Programs would, without arguments; Uninstall pressed, the outcome closed.
  uninstall_traced "$family" "$LOG" "${folder}$EXE" || return

  # The trace doubles every backslash of a path. The copy runs from the temporary folder (on the NT
  # family from a private folder in it), the installed program from its own folder.
  got=$(relay_calls "$LOG" 'advapi32|user32' "$(comm -12 <(threads_of '\\Temp\\' "$LOG") <(threads_of "\\\\$EXE" "$LOG"))" \
          'RegOpenKeyExA:3,4 RegEnumKeyExA:2')
  expect_calls "$family" "registry and window calls of the copy" "$(expected "$family")" "$got"
  got=$(relay_calls "$LOG" 'advapi32|user32' "$(threads_of "\\\\$PRODUCT\\\\$EXE" "$LOG")")
  [ -z "$got" ] || fail "$family: the started program made registry or window calls: $got"
}

run_as nt
run_as win98

[ "$failures" -eq 0 ]
