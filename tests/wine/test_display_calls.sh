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

# A text (UTF-8) as the relay trace prints it: code page 932 bytes for an ANSI call ("..."), UTF-16
# code units for a wide one (L"..."); printable ASCII as it is, the rest escaped.
quoted() {
  local kind=$1 text=$2
  if [ "$kind" = A ]; then
    printf '%s' "$text" | iconv -f UTF-8 -t CP932 | od -An -v -tu1 |
      awk 'BEGIN { printf "\"" } { for (i = 1; i <= NF; i++) {
             b = $i; if (b == 92) printf "\\\\"; else if (b == 34) printf "\\\"";
             else if (b >= 32 && b < 127) printf "%c", b; else printf "\\x%02x", b } } END { printf "\"" }'
  else
    printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tu2 --endian=little |
      awk 'BEGIN { printf "L\"" } { for (i = 1; i <= NF; i++) {
             u = $i; if (u == 92) printf "\\\\"; else if (u == 34) printf "\\\"";
             else if (u >= 32 && u < 127) printf "%c", u; else printf "\\%04x", u } } END { printf "\"" }'
  fi
}

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

# The display calls of the temporary copy's threads (calls from its own image: other
# programs write to the same trace, from images at the same address), as "<function> <texts...>", without duplicates.
observed() {
  awk -v own="$OWN_CALL_RE" '
    index($0, ":trace:loaddll:") && index($0, "\\\\Temp\\\\KorvaneUninst-") { mine[substr($0, 1, index($0, ":") - 1)] = 1 }
    match($0, /^[0-9a-f]+:Call (user32|gdi32)\.[A-Za-z]+\(/) {
      tid = substr($0, 1, index($0, ":") - 1)
      if (!(tid in mine) || $0 !~ own) next
      rest = substr($0, index($0, ".") + 1)
      name = substr(rest, 1, index(rest, "(") - 1); line = name
      while (match(rest, /L?"([^"\\]|\\.)*"/)) { line = line " " substr(rest, RSTART, RLENGTH); rest = substr(rest, RSTART + RLENGTH) }
      print line
    }' "$LOG" | tr -d '\r' | sort -u
}

run_in() {
  local locale=$1 kind=$2 installed folder hwnd pid
  drv remove-sample --product "$PRODUCT" >/dev/null
  installed=$(drv install-sample --product "$PRODUCT" --guid "{D15B1A7C-0000-4000-8000-00000000CA11}") || { fail "$locale: the sample could not be installed"; return; }
  folder=$(sed -n 's/^installed \(.*\\\) HKLM.*/\1/p' <<<"$installed")
  # Started as Add/Remove Programs would; the copy it starts inherits the locale.
  WINEDEBUG=-all,+relay,+loaddll LC_ALL=$locale wine "${folder}${PRODUCT}Uninst.exe" >"$LOG" 2>&1 </dev/null
  if ! read -r hwnd pid < <(drv wait-window --class TfrmMain --timeout 60); then
    fail "$locale: no main window"
    return
  fi
  drv settle --hwnd "$hwnd" >/dev/null
  drv click --hwnd "$hwnd" --id 1002 >/dev/null
  drv msgbox-wait --pid "$pid" --title "Korvane Uninstaller" --timeout 60 >/dev/null || fail "$locale: no outcome box"
  drv msgbox-ok --pid "$pid" --title "Korvane Uninstaller" >/dev/null
  drv wait-exit --pid "$pid" >/dev/null || fail "$locale: the copy did not end"

  grep -q 'load_list L"RelayInclude"' "$LOG" || { fail "$locale: no relay trace was written"; return; }
  local got want
  got=$(observed)
  want=$(expected "$kind")
  if [ "$got" = "$want" ]; then
    echo "$locale: $(wc -l <<<"$got") distinct display calls, all ${kind} functions with the expected texts"
  else
    fail "$locale: the display calls differ from the expected ones (< expected, > made)"
    diff <(echo "$want") <(echo "$got") | grep '^[<>]'
  fi
}

uninst_compile_locale en_US.UTF-8 || fail "the en_US.UTF-8 locale could not be compiled"
run_in ja_JP.UTF-8 A
run_in en_US.UTF-8 W

[ "$failures" -eq 0 ]
