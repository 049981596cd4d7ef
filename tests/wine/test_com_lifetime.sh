#!/usr/bin/env bash
# Start-up and shut-down order of the real program, seen from outside through Wine's relay trace,
# in both processes: COM is initialised first of all, then the Windows version is read, then the
# Alt key cue hook is installed; then the relaunch decision (the installed program starts its
# copy, the copy shows its window); at the end the hook is removed and only then is COM
# uninitialised. The temporary copy writes to the same standard error as the process that started
# it.
# Usage: test_com_lifetime.sh <Windows build folder>
. "$(dirname "$(readlink -f "$0")")/common.sh"

PRODUCT=ComCheck
LOG=${KEEP_LOG:-$(mktemp)}
RELAY_KEY='HKCU\Software\Wine\Debug'
cleanup() {
  wine reg delete "$RELAY_KEY" /v RelayInclude /f >/dev/null 2>&1 </dev/null
  drv remove-sample --product "$PRODUCT" >/dev/null
  wine cmd /c del "%TEMP%\\${PRODUCT}Uninst.exe" >/dev/null 2>&1 </dev/null
  [ -n "${KEEP_LOG:-}" ] || rm -f "$LOG"
}
trap cleanup EXIT

folder=$(install_sample "$PRODUCT") || { echo "FAIL: no sample"; exit 1; }
wine reg add "$RELAY_KEY" /v RelayInclude \
  /d 'kernel32.CreateProcessA;kernelbase.CreateProcessA;kernel32.GetVersionExA;user32.ShowWindow;user32.SetWindowsHookExA;user32.UnhookWindowsHookEx;ole32.CoInitialize;ole32.CoUninitialize;combase.CoUninitialize' /f >/dev/null 2>&1 </dev/null

# Started as Add/Remove Programs would, without arguments; the copy's window is then closed.
WINEDEBUG=-all,+relay,+loaddll wine "${folder}${PRODUCT}Uninst.exe" >"$LOG" 2>&1 </dev/null
if read -r hwnd pid < <(drv wait-window --class TfrmMain --timeout 60); then
  drv close --hwnd "$hwnd" >/dev/null
  drv wait-exit --pid "$pid" >/dev/null || fail "the copy did not end"
else
  fail "the copy showed no main window"
fi

grep -q 'load_list L"RelayInclude"' "$LOG" || fail "no relay trace was written"
# The calls of the installed program's thread and of its temporary copy's, in order: I
# (CoInitialize), V (GetVersionExA), H (SetWindowsHookExA), P (CreateProcessA), S (ShowWindow with
# SW_SHOW), X (UnhookWindowsHookEx), U (CoUninitialize, which ole32 forwards to combase). Other
# processes (Wine's desktop) may write to the same trace.
calls() {
  THREADS=$(threads_of "$1" "$LOG" | tr '\n' ' ') awk -v own="$OWN_CALL_RE" '
    BEGIN { n = split(ENVIRON["THREADS"], ids, " "); for (i = 1; i <= n; i++) mine[ids[i]] = 1 }
    match($0, /^[0-9a-f]+:Call /) {
      tid = substr($0, 1, index($0, ":") - 1); rest = tolower(substr($0, RLENGTH + 1)); c = ""
      if (rest ~ /^(kernel32|kernelbase)\.createprocessa\(/) c = "P"
      else if (rest ~ /^user32\.showwindow\([0-9a-f]+,00000005\)/) c = "S"
      else if (rest ~ /^ole32\.coinitialize\(/) c = "I"
      else if (rest ~ /^(ole32|combase)\.couninitialize\(/) c = "U"
      else if (rest ~ /^kernel32\.getversionexa\(/) c = "V"
      else if (rest ~ /^user32\.setwindowshookexa\(/) c = "H"
      else if (rest ~ /^user32\.unhookwindowshookex\(/) c = "X"
      # Only calls made by the program itself: Wine libraries use COM too.
      if (c != "" && (tid in mine) && $0 ~ own) { seq = seq c; threads[tid] = 1 }
    }
    END { n = 0; for (t in threads) n++; print n " " (seq == "" ? "-" : seq) }
  ' "$LOG" | tr -d '\r'
}
# The trace doubles every backslash of a path.
read -r relaunchingThreads relaunchingCalls < <(calls '\\'"$PRODUCT"'\\'"$PRODUCT"'Uninst.exe"')
# The copy runs from a private folder inside the temporary folder.
read -r copyThreads copyCalls < <(calls '\\Temp\\KorvaneUninst-')
echo "installed program: $relaunchingCalls; temporary copy: $copyCalls"
[ "$relaunchingThreads" -eq 1 ] && [ "$relaunchingCalls" = IVHPXU ] ||
  fail "the installed program's calls are not: COM, version, hook, copy started, hook removed, COM ended"
[ "$copyThreads" -eq 1 ] || fail "expected the calls of one thread of the copy, got $copyThreads"
[[ "$copyCalls" =~ ^IVHS+XU$ ]] ||
  fail "the copy's calls are not: COM, version, hook, window shown, hook removed, COM ended"

[ "$failures" -eq 0 ] && echo "COM lifetime: as expected"
[ "$failures" -eq 0 ]
