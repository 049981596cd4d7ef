#!/usr/bin/env bash
# The calls through which the real program shows its texts, seen from outside through Wine's
# relay trace in the temporary copy that shows the window: under the Japanese locale (ANSI code
# page 932) the ANSI functions get the code page 932 bytes, and no wide function is called; under
# a Western locale (1252) the wide functions get the same texts in UTF-16, and no ANSI one is. The
# run: the window is shown and painted, Uninstall is pressed, the outcome box is closed.
# Usage: test_display_calls.sh <Windows build folder>
. "$(dirname "$(readlink -f "$0")")/common.sh"

PRODUCT=DisplayCalls
LOG=${KEEP_LOG:-$(mktemp)}
RELAY_KEY='HKCU\Software\Wine\Debug'
CALLS='CreateWindowEx SetWindowText DrawText MessageBox CreateFont'
cleanup() {
  wine reg delete "$RELAY_KEY" /v RelayInclude /f >/dev/null 2>&1 </dev/null
  drv remove-sample --product "$PRODUCT" >/dev/null
  [ -n "${KEEP_LOG:-}" ] || rm -f "$LOG"
}
trap cleanup EXIT

include=
for call in $CALLS; do
  dll=user32
  [ "$call" = CreateFont ] && dll=gdi32
  include="$include;$dll.${call}A;$dll.${call}W"
done
wine reg add "$RELAY_KEY" /v RelayInclude /d "${include#;}" /f >/dev/null 2>&1 </dev/null

# The calls that the window and the box must make, one line each: the function and its texts.
expected() {
  local k=$1
  {
    echo "CreateFont$k $(quoted "$k" 'ＭＳ Ｐゴシック')"
    echo "CreateWindowEx$k $(quoted "$k" TApplication) $(quoted "$k" 'Korvane Uninstaller')"
    echo "CreateWindowEx$k $(quoted "$k" TfrmMain) $(quoted "$k" 'Korvane Uninstaller')"
    echo "CreateWindowEx$k $(quoted "$k" LISTBOX) $(quoted "$k" '')"
    echo "CreateWindowEx$k $(quoted "$k" BUTTON) $(quoted "$k" 'アンインストール(&U)')"
    echo "CreateWindowEx$k $(quoted "$k" BUTTON) $(quoted "$k" 'キャンセル(&C)')"
    echo "SetWindowText$k $(quoted "$k" "${PRODUCT}スクリーンセーバー Uninstaller")"
    echo "DrawText$k $(quoted "$k" '以下のファイルを削除します')"
    echo "DrawText$k $(quoted "$k" "${PRODUCT}スクリーンセーバーをアンインストールします")"
    echo "MessageBox$k $(quoted "$k" 'アンインストールが完了しました') $(quoted "$k" 'Korvane Uninstaller')"
  } | sort -u
}

run_in() {
  local locale=$1 kind=$2 folder got
  folder=$(install_sample "$PRODUCT" "{D15B1A7C-0000-4000-8000-00000000CA11}") || { fail "$locale: no sample"; return; }
  # Started as Add/Remove Programs would; the copy it starts inherits the locale.
  uninstall_traced "$locale" "$LOG" "${folder}${PRODUCT}Uninst.exe" LC_ALL="$locale" || return
  # The display calls of the temporary copy's threads (other programs write to the same trace,
  # from images at the same address), without duplicates.
  got=$(relay_calls "$LOG" 'user32|gdi32' "$(threads_of '\\Temp\\KorvaneUninst-' "$LOG")" | sort -u)
  expect_calls "$locale" "distinct display calls (${kind} functions and their texts)" "$(expected "$kind")" "$got"
}

uninst_compile_locale en_US.UTF-8 || fail "the en_US.UTF-8 locale could not be compiled"
run_in ja_JP.UTF-8 A
run_in en_US.UTF-8 W

[ "$failures" -eq 0 ]
