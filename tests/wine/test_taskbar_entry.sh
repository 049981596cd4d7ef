#!/usr/bin/env bash
# The program's taskbar entry, seen as a window manager sees it: with Wine's windows managed, the
# X11 window that carries the title "Korvane Uninstaller" asks for a taskbar entry, and the main
# window (captioned with the product) is transient for it and asks to be left out of the
# taskbar. Wine sets these hints from the same rules that the Windows taskbar follows (an
# unowned window has an entry, an owned one without WS_EX_APPWINDOW has none).
# Usage: test_taskbar_entry.sh <Windows build folder>
. "$(dirname "$(readlink -f "$0")")/common.sh"

PRODUCT=TaskbarCheck
X11_KEY='HKCU\Software\Wine\X11 Driver'
hwnd=
cleanup() {
  [ -n "$hwnd" ] && drv close --hwnd "$hwnd" >/dev/null
  [ -n "${pid:-}" ] && drv wait-exit --pid "$pid" >/dev/null
  wine reg add "$X11_KEY" /v Managed /d N /f >/dev/null 2>&1 </dev/null
  drv remove-sample --product "$PRODUCT" >/dev/null
  wine cmd /c del "%TEMP%\\${PRODUCT}Uninst.exe" >/dev/null 2>&1 </dev/null
}
trap cleanup EXIT
wine reg add "$X11_KEY" /v Managed /d Y /f >/dev/null 2>&1 </dev/null

install_sample "$PRODUCT" >/dev/null || { echo "FAIL: the sample could not be installed"; exit 1; }
drv start-uninstall --product "$PRODUCT" >/dev/null || { echo "FAIL: the uninstaller did not start"; exit 1; }
read -r hwnd pid < <(drv wait-window --class TfrmMain --timeout 60) || { echo "FAIL: no main window"; exit 1; }
drv settle --hwnd "$hwnd" >/dev/null

# The X11 windows of the program's process whose _NET_WM_NAME is text: "<id> <state> <transient>".
x11_window() {
  local id
  for id in $(xwininfo -display "$DISPLAY" -root -tree | awk -v exe="${PRODUCT,,}uninst.exe" \
                'index(tolower($0), exe) { print $1 }'); do
    if xprop -display "$DISPLAY" -id "$id" _NET_WM_NAME | grep -qF "= \"$1\""; then
      printf '%s %s %s\n' "$id" \
        "$(xprop -display "$DISPLAY" -id "$id" _NET_WM_STATE | sed 's/.*= *//')" \
        "$(xprop -display "$DISPLAY" -id "$id" WM_TRANSIENT_FOR | sed -n 's/.*# //p')"
    fi
  done
}
read -r entry entryState entryOwner < <(x11_window "Korvane Uninstaller")
read -r form formState formOwner < <(x11_window "${PRODUCT}スクリーンセーバー Uninstaller")
echo "title window: ${entry:-none} state [${entryState:-}] transient for [${entryOwner:-}]"
echo "main window: ${form:-none} state [${formState:-}] transient for [${formOwner:-}]"
[ -n "${entry:-}" ] || fail "no window carries the title"
[[ "${entryState:-}" != *SKIP_TASKBAR* && -z "${entryOwner:-}" ]] || fail "the title's window has no taskbar entry"
[ -n "${form:-}" ] || fail "no X11 window for the main window"
[[ "${formState:-}" == *SKIP_TASKBAR* ]] || fail "the main window has a taskbar entry of its own"
[ "${formOwner:-}" = "${entry:-x}" ] || fail "the main window is not transient for the title's window"

[ "$failures" -eq 0 ] && echo "taskbar entry: as expected"
[ "$failures" -eq 0 ]
