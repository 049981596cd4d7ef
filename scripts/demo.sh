#!/usr/bin/env bash
# Makes a sample screen saver's uninstaller as the product's builder does (stamped for signing,
# signed with a throwaway certificate, verified), uninstalls the sample as a user would, in a Wine
# prefix of its own (build/demo), keeps screenshots of the window and of the final message, then
# uninstalls a second sample unattended ("/S /LOG") and shows its exit code and log, and what is
# left before and after a restart. Called by `./dev demo` after the build.
#   scripts/demo.sh                 drive the program through the automation driver
#   scripts/demo.sh --interactive   show the window on $DISPLAY and leave the clicking to you
#   scripts/demo.sh --locale en_US  the same uninstall (of "Café") on a system of that language
#                                   (en_US: ANSI code page 1252; hi_IN: UTF-8), screenshots
#                                   window-en_US.png and message-en_US.png beside the others
# On $DISPLAY when one is set, otherwise on a private headless X server.
set -uo pipefail
ROOT=$(cd "$(dirname "$(readlink -f "$0")")/.." && pwd)

INTERACTIVE=0
LOCALE=
while [ $# -gt 0 ]; do
  case "$1" in
    --interactive) INTERACTIVE=1 ;;
    --locale) [ $# -ge 2 ] || { echo "demo: --locale needs a name such as en_US" >&2; exit 2; }
              LOCALE=${2%%.*}; shift ;;
    --locale=*) LOCALE=${1#--locale=}; LOCALE=${LOCALE%%.*} ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
[ "$LOCALE" = ja_JP ] && LOCALE=
if [ -n "$LOCALE" ]; then
  [[ "$LOCALE" =~ ^[a-z]{2,3}_[A-Z]{2}$ ]] || { echo "demo: --locale takes a name such as en_US" >&2; exit 2; }
  # The driver and the program it starts run in that locale, and so in its ANSI code page.
  export UNINST_LOCALE=$LOCALE.UTF-8
fi
if [ "$INTERACTIVE" -eq 1 ] && [ -z "${DISPLAY:-}" ]; then
  echo "demo: --interactive needs a display (DISPLAY is not set)" >&2
  exit 2
fi

OUT=$ROOT/build/demo
. "$ROOT/scripts/wine-env.sh"
. "$ROOT/scripts/signing.sh"
uninst_choose_route || { echo "demo: $UNINST_WIN_ROUTE" >&2; exit 1; }

# The emulated route: this same demo runs in the emulated machine (scripts/guest.sh) as the
# 32-bit route, on the guest's own headless display; its output, screenshots and logs come back
# into build/demo.
if [ "$UNINST_WIN_ARCH" = x86-emulated ]; then
  [ "$INTERACTIVE" -eq 0 ] || { echo "demo: --interactive needs this machine's display; the emulated machine has none" >&2; exit 2; }
  . "$ROOT/scripts/guest.sh"
  trap 'guest_stop' EXIT
  trap 'exit 130' INT TERM
  echo "$UNINST_WIN_ROUTE"
  guest_ensure_root || { echo "demo: the emulated machine's root could not be made" >&2; exit 1; }
  guest_ensure_prefix || { echo "demo: the emulated machine's Wine prefix could not be made" >&2; exit 1; }
  echo "== demo: booting the emulated machine (console build/guest/demo/console.log)"
  guest_run demo "${UNINST_GUEST_LIMIT:-1800}" "
unset DISPLAY
export UNINST_DEMO_WINDOWS_EXEADDER=1
mountpoint -q build/win32/wineprefix && mkdir -p build/demo/wineprefix && mount --move build/win32/wineprefix build/demo/wineprefix
scripts/demo.sh ${LOCALE:+--locale $LOCALE} | tee /job/demo.out
rc=\${PIPESTATUS[0]}
mkdir -p /job/demo && cp -a build/demo/*.png build/demo/*.log build/demo/*.exe /job/demo/ 2>/dev/null
. scripts/wine-env.sh; uninst_choose_route && uninst_stop_wine
exit \$rc"
  rc=$?
  cat "$ROOT/build/guest/demo/job.log" 2>/dev/null | grep -v '^guest-time:'
  mkdir -p "$OUT"
  cp -a "$ROOT/build/guest/demo/demo/." "$OUT/" 2>/dev/null
  case "$rc" in
    0) echo "== demo: screenshots from the emulated machine's display: $(cd "$OUT" && ls ./*.png 2>/dev/null | sed 's|^\./||' | paste -sd' ')" ;;
    124) echo "demo: the emulated machine did not end in time and was stopped" >&2 ;;
    125) echo "demo: the emulated machine ended without a result (build/guest/demo/console.log)" >&2 ;;
    *) echo "demo: the demo failed in the emulated machine ($rc)" >&2 ;;
  esac
  exit "$rc"
fi
if [ -n "${DISPLAY:-}" ]; then export UNINST_USE_DISPLAY=1; fi
# One prefix per route: a prefix is made for one Wine architecture and keeps it.
if [ "$UNINST_WIN_ARCH" = x64 ]; then
  export WINEPREFIX=$OUT/wineprefix64 UNINST_STATE_DIR=$OUT/state64
else
  export WINEPREFIX=$OUT/wineprefix UNINST_STATE_DIR=$OUT/state
fi

DRIVER=$UNINST_WIN_BUILD/e2e/driver.exe
EXEADDER=$ROOT/build/native/exeadder
# In the emulated machine the builder's tool is its Windows build (the native one is built with
# the sanitizers, whose runtime that machine does not have); its output is code page 932.
exeadder() {
  if [ -n "${UNINST_DEMO_WINDOWS_EXEADDER:-}" ]; then
    wine "$UNINST_WIN_BUILD/ExeAdder.exe" "$@" </dev/null 2>>"$OUT/driver.log" | iconv -f CP932 -t UTF-8 | tr -d '\r'
    return "${PIPESTATUS[0]}"
  fi
  "$EXEADDER" "$@"
}
PRODUCT=Sample
SUFFIX=
if [ -n "$LOCALE" ]; then
  # A name that the Western code page holds and code page 932 does not.
  PRODUCT=Café
  SUFFIX=-$LOCALE
fi
TITLE="${PRODUCT}スクリーンセーバー Uninstaller"
APP_TITLE="Korvane Uninstaller"
GUID="{5A3C9E12-7B4D-4F0A-9C61-2E8D0B7F4A19}"
MAIN_CLASS=TfrmMain
UNINSTALL_ID=1002
SCREENSHOT=$OUT/window$SUFFIX.png
MESSAGE_SHOT=$OUT/message$SUFFIX.png

HWND=""
WINDOW_PID=""
STARTED_PID=""
WINDOW_EXE=""

say() { printf '== demo: %s\n' "$*"; }
fail() { printf 'demo: %s\n' "$*" >&2; exit 1; }
indent() { sed 's/^/   | /'; }
# The driver, in the demo prefix. Its diagnostics go to a log; its answer to stdout.
drv() { wine "$DRIVER" "$@" </dev/null 2>>"$OUT/driver.log"; }

step_prefix() {
  say "$UNINST_WIN_ROUTE: $UNINST_WIN_BUILD/Uninst.exe"
  [ -f "$DRIVER" ] || fail "the driver is not built: $DRIVER"
  mkdir -p "$OUT"
  : >"$OUT/driver.log"
  # A clean start: whatever an interrupted run left in the demo prefix ends here.
  if [ -f "$WINEPREFIX/system.reg" ] && uninst_server_running; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  uninst_ensure_wine
  local where="a private Xvfb"
  [ -n "${UNINST_USE_DISPLAY:-}" ] && where="your display"
  say "Wine prefix $WINEPREFIX, display $DISPLAY ($where), locale $UNINST_LOCALE"
  # A window manager on the user's display frames the window; headless, nothing would unmap it.
  local managed=N
  [ -n "${UNINST_USE_DISPLAY:-}" ] && managed=Y
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f \
    >>"$UNINST_STATE_DIR/wineboot.log" 2>&1 </dev/null
}

# stamp UNINST OUT_DIR [--for-signing]: the sample's uninstaller, made as the product's builder
# makes it.
stamp() {
  local uninst=$1 dir=$2; shift 2
  mkdir -p "$dir"
  say "making the sample's uninstaller: exeadder stamp${*:+ $*}"
  exeadder stamp "$uninst" --product "$PRODUCT" --mutex "$GUID" --out "$dir" \
    --install-dir 'C:\Program Files\'"$PRODUCT" "$@" | indent || fail "exeadder stamp failed"
}

# sign IN OUT: signed as a release is, with a throwaway self-signed code-signing certificate
# (made once in build/demo/signing; no timestamp server), verified, and read back.
sign() {
  local in=$1 out=$2 keys=$OUT/signing
  mkdir -p "$keys" "$(dirname "$out")"
  if [ ! -f "$keys/signer.pem" ]; then
    say "making a throwaway code-signing certificate (openssl)"
    signing_make_certificate "$keys" 'Korvane Demo Signer' || fail "openssl failed: $(cat "$keys/openssl.log")"
  fi
  say "signing it: osslsigncode sign"
  rm -f "$out"
  signing_sign "$keys" "$PRODUCT Uninstaller" "$in" "$out" 2>&1 | indent
  [ -f "$out" ] || fail "osslsigncode sign failed"
  say "verifying the signature: osslsigncode verify"
  local verified=0
  signing_verify "$keys" "$out" >"$keys/verify.log" 2>&1 && verified=1
  grep -E 'Subject:|Signature verification|Number of verified signatures|^Succeeded|^Failed' "$keys/verify.log" | indent
  [ "$verified" -eq 1 ] || fail "the signature does not verify"
  say "checking it: exeadder list"
  exeadder list "$out" | indent || fail "exeadder list failed"
}

# The sample's uninstaller: stamped for signing, then signed. A 64-bit program cannot read a block
# behind its own image (the image model reads 32-bit images only), so on the 64-bit route the
# shipped 32-bit Uninst.exe is signed for show and the run uses the 64-bit build, stamped unsigned.
step_stamp() {
  [ -n "${UNINST_DEMO_WINDOWS_EXEADDER:-}" ] || [ -x "$EXEADDER" ] || fail "the builder's tool is not built: $EXEADDER"
  if [ "$UNINST_WIN_ARCH" = x86 ]; then
    stamp "$UNINST_WIN_BUILD/Uninst.exe" "$OUT/stamped" --for-signing
    sign "$OUT/stamped/${PRODUCT}Uninst.exe" "$OUT/${PRODUCT}Uninst.exe"
    say "the uninstall that follows runs this signed $OUT/${PRODUCT}Uninst.exe"
    return
  fi
  local shipped=$ROOT/build/win32/Uninst.exe
  [ -f "$shipped" ] || fail "the shipped 32-bit program is not built: $shipped"
  say "signing the shipped 32-bit uninstaller, for show"
  stamp "$shipped" "$OUT/stamped32" --for-signing
  sign "$OUT/stamped32/${PRODUCT}Uninst.exe" "$OUT/signed32/${PRODUCT}Uninst.exe"
  say "NOTE: the uninstall that follows uses the UNSIGNED 64-bit build: on the 64-bit route the program is a"
  say "      64-bit one, which cannot read a block behind its own image, where signing puts it"
  stamp "$UNINST_WIN_BUILD/Uninst.exe" "$OUT"
  say "checking it: exeadder list"
  exeadder list "$OUT/${PRODUCT}Uninst.exe" | indent || fail "exeadder list failed"
}

step_install() {
  say "installing the sample screen saver $PRODUCT with that uninstaller"
  local stamped
  stamped=Z:$(printf '%s' "$OUT/${PRODUCT}Uninst.exe" | tr '/' '\\')
  drv remove-sample --product "$PRODUCT" || true
  drv install-sample --product "$PRODUCT" --source "$stamped" | indent || fail "the sample could not be installed"
  drv state --product "$PRODUCT" | indent
}

step_start() {
  say "starting the uninstaller from its UninstallString, as Add/Remove Programs does"
  STARTED_PID=$(drv start-uninstall --product "$PRODUCT") || fail "the uninstaller did not start"
  say "started process $STARTED_PID"
}

step_window() {
  say "waiting for the window \"$TITLE\""
  local found title=(--title "$TITLE")
  # The driver matches titles in its own ANSI code page, which may not hold the Japanese: the
  # caption is read as UTF-16 in the dump below instead.
  [ -n "$LOCALE" ] && title=()
  if ! found=$(drv wait-window --class "$MAIN_CLASS" "${title[@]}" --timeout 60); then
    local text
    if text=$(drv msgbox-text --title "$APP_TITLE" --timeout 1); then
      printf '%s\n' "$text" | indent
      drv msgbox-ok --title "$APP_TITLE" --timeout 5 || true
      fail "the uninstaller showed a message instead of its window"
    fi
    fail "no window appeared"
  fi
  read -r HWND WINDOW_PID <<<"$found"
  WINDOW_EXE=$(drv process-path --pid "$WINDOW_PID")
  say "window $HWND shown by process $WINDOW_PID ($WINDOW_EXE)"
  if [ "$WINDOW_PID" != "$STARTED_PID" ]; then
    say "the started process $STARTED_PID handed over to that one (the relaunch from a temporary copy)"
  fi
  drv settle --hwnd "$HWND" || true
  drv dump --hwnd "$HWND" | indent
}

# screenshot HWND FILE: the window's rectangle cut out of the screen, once it has painted.
screenshot() {
  local hwnd=$1 file=$2 rect x y w h
  drv settle --hwnd "$hwnd" || true
  rect=$(drv rect --hwnd "$hwnd") || fail "cannot read the rectangle of window $hwnd"
  read -r x y w h <<<"$rect"
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$file" ||
    fail "the screenshot failed"
  say "screenshot ($w x $h at $x,$y): $file"
}

step_screenshot() {
  screenshot "$HWND" "$SCREENSHOT"
}

step_uninstall() {
  say "pressing Uninstall"
  drv click --hwnd "$HWND" --id "$UNINSTALL_ID" || fail "cannot press Uninstall"
  local found box text
  found=$(drv msgbox-wait --pid "$WINDOW_PID" --title "$APP_TITLE" --timeout 60) ||
    fail "no message came after Uninstall"
  read -r box _ <<<"$found"
  text=$(drv msgbox-text --pid "$WINDOW_PID" --title "$APP_TITLE") || fail "cannot read the message"
  say "the uninstaller says:"
  printf '%s\n' "$text" | tr -d '\r' | indent
  screenshot "$box" "$MESSAGE_SHOT"
  say "pressing OK"
  drv msgbox-ok --pid "$WINDOW_PID" --title "$APP_TITLE" || fail "cannot press OK"
  local ended
  ended=$(drv wait-exit --pid "$WINDOW_PID" --timeout 60) || fail "the uninstaller did not end"
  say "the uninstaller ended ($ended)"
}

step_wait_for_user() {
  say "the window is on $DISPLAY: use it as you like; the demo goes on when it closes"
  drv wait-gone --hwnd "$HWND" --timeout 0 || true
  while drv msgbox-wait --title "$APP_TITLE" --timeout 2 >/dev/null; do
    say "a message box is open: press its OK"
    drv wait-gone --class "#32770" --title "$APP_TITLE" --timeout 0 || true
  done
  say "the window has closed"
}

step_leftovers() {
  say "what is left of the sample"
  drv state --product "$PRODUCT" | indent
  say "pending restart operations"
  drv pending | indent
  if [ -n "$WINDOW_EXE" ]; then
    say "the temporary copy $WINDOW_EXE exists: $(drv exists --path "$WINDOW_EXE")"
  fi
}

step_restart() {
  say "restarting Windows (wineboot -r)"
  wine wineboot -r >>"$UNINST_STATE_DIR/wineboot.log" 2>&1 </dev/null
  step_leftovers
}

# The same uninstall as a deployment tool runs it: a second sample, removed with "/S /LOG" (no
# window at all); the started process ends with the outcome as its exit code.
PRODUCT2=SampleTwo
step_unattended() {
  say "installing a second sample screen saver $PRODUCT2"
  drv remove-sample --product "$PRODUCT2" || true
  wine cmd /c del "%TEMP%\\${PRODUCT2}Uninst.log" >/dev/null 2>&1 </dev/null
  local installed folder
  installed=$(drv install-sample --product "$PRODUCT2" --guid "$GUID") || fail "the second sample could not be installed"
  printf '%s\n' "$installed" | tr -d '\r' | indent
  folder=$(tr -d '\r' <<<"$installed" | sed -n 's/^installed \(.*\\\) HKLM.*/\1/p')
  say "running ${PRODUCT2}Uninst.exe /S /LOG, as a deployment tool does"
  local result
  result=$(drv run-uninstall --product "$PRODUCT2" --args "/S /LOG" --timeout 120) ||
    fail "the unattended uninstall did not end"
  say "exit code: ${result#exit }"
  say "the log (%TEMP%\\${PRODUCT2}Uninst.log):"
  drv cat --path "%TEMP%\\${PRODUCT2}Uninst.log" | tr -d '\r' | indent
  # The copy deletes the installed uninstaller once the started process has ended.
  local i
  for i in $(seq 100); do
    [ "$(drv exists --path "${folder}${PRODUCT2}Uninst.exe" | tr -d '\r')" = no ] && break
    sleep 0.1
  done
  say "what is left of $PRODUCT2"
  drv state --product "$PRODUCT2" | indent
  say "pending restart operations"
  drv pending | indent
}

trap 'uninst_stop_wine' EXIT

step_prefix
step_stamp
step_install
step_start
step_window
step_screenshot
if [ "$INTERACTIVE" -eq 1 ]; then
  step_wait_for_user
else
  step_uninstall
fi
step_leftovers
# The unattended run's log keeps the program's Japanese in code page 932 bytes on every system.
if [ "$INTERACTIVE" -eq 0 ] && [ -z "$LOCALE" ]; then
  step_unattended
fi
step_restart
say "done; screenshots in $OUT"
