#!/usr/bin/env bash
# The real program and the Alt key cue hook under Wine's per-program Windows versions: on
# Windows XP (5.1) it never installs it; on Windows 7 and 10 every process installs it at start and
# removes it at its end, the one that only starts its temporary copy included. Seen from outside
# through Wine's relay trace of the program's calls to the two hook functions; the temporary copy
# writes to the same standard error as the process that started it.
# Usage: test_hook_lifetime.sh <Windows build folder>
. "$(dirname "$(readlink -f "$0")")/common.sh"

WORK=$(mktemp -d)
RELAY_KEY='HKCU\Software\Wine\Debug'
cleanup() {
  wine reg delete "$RELAY_KEY" /v RelayInclude /f >/dev/null 2>&1 </dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
wine reg add "$RELAY_KEY" /v RelayInclude /d 'user32.SetWindowsHookExA;user32.UnhookWindowsHookEx' /f \
  >/dev/null 2>&1 </dev/null

# Prints one line per thread that called a hook function:
#   <tid> installed=<handles> removed=<handles> order=<ok|bad>
summarize() {
  awk '
    match($0, /^[0-9a-f]+:/) { tid = substr($0, 1, RLENGTH - 1); rest = substr($0, RLENGTH + 1) }
    rest ~ /^Call user32\.SetWindowsHookExA\(00000004,/ { pending[tid] = 1; seen[tid] = 1 }
    rest ~ /^Ret  user32\.SetWindowsHookExA\(\) retval=/ && pending[tid] {
      pending[tid] = 0; split(rest, a, "retval="); split(a[2], h, " ")
      installed[tid] = installed[tid] h[1] ","
    }
    rest ~ /^Call user32\.UnhookWindowsHookEx\(/ {
      seen[tid] = 1; split(rest, a, "("); split(a[2], h, ")")
      removed[tid] = removed[tid] h[1] ","
      if (installed[tid] == "") bad[tid] = 1
    }
    END { for (t in seen) printf "%s installed=%s removed=%s order=%s\n", t, installed[t], removed[t], bad[t] ? "bad" : "ok" }
  ' "$1"
}


for entry in winxp:no win7:yes win10:yes; do
  version=${entry%%:*}
  expect=${entry##*:}
  name="HookCheck${version}Uninst.exe"
  log="$WORK/$version.log"
  cp "$BUILD/Uninst.exe" "$WORK/$name"
  set_string "HKCU\\Software\\Wine\\AppDefaults\\$name" Version "$version" ||
    { fail "[$version]" "the Windows version could not be set"; continue; }

  # No uninstall entry for this name: the copy shows the missing entry box, which is answered.
  WINEDEBUG=-all,+relay wine "$WORK/$name" >"$log" 2>&1 </dev/null
  read -r _ pid < <(wine "$DRIVER" msgbox-wait --title "Korvane Uninstaller" 2>/dev/null </dev/null)
  if [ -z "${pid:-}" ]; then
    fail "[$version]" "the temporary copy showed no message box"
  else
    wine "$DRIVER" msgbox-ok --pid "$pid" >/dev/null 2>&1 </dev/null
    wine "$DRIVER" wait-exit --pid "$pid" >/dev/null 2>&1 </dev/null || fail "[$version]" "the copy did not end"
  fi
  wine reg delete "HKCU\\Software\\Wine\\AppDefaults\\$name" /f >/dev/null 2>&1 </dev/null
  wine cmd /c del "%TEMP%\\$name" >/dev/null 2>&1 </dev/null

  grep -q 'load_list L"RelayInclude"' "$log" || fail "[$version]" "no relay trace was written"
  summary=$(summarize "$log")
  echo "$version:"; [ -n "$summary" ] && sed 's/^/  /' <<<"$summary"
  if [ "$expect" = no ]; then
    [ -z "$summary" ] || fail "[$version]" "hook functions were called"
    continue
  fi
  threads=$(grep -c . <<<"$summary")
  [ "$threads" -eq 2 ] || fail "[$version]" "expected 2 processes' threads with the hook, got $threads"
  while read -r tid installed removed order; do
    installed=${installed#installed=}
    removed=${removed#removed=}
    [[ "$installed" =~ ^[0-9a-f]{8},$ && "$installed" != "00000000," ]] ||
      fail "[$version]" "thread $tid: installed $installed"
    [ "$removed" = "$installed" ] || fail "[$version]" "thread $tid: removed $removed, installed $installed"
    [ "$order" = order=ok ] || fail "[$version]" "thread $tid: removed before installed"
  done <<<"$summary"
done

[ "$failures" -eq 0 ] && echo "hook lifetime: all versions as expected"
[ "$failures" -eq 0 ]
