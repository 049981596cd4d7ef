# Sourced by ./dev and scripts/wine-run: the Wine environment the program is tested in (after
# uninst_choose_route, which sourcing does not run).
# A private prefix inside the build tree, code page 932, a headless display when none is set.

UNINST_ROOT=${UNINST_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# The Windows routes (values of UNINST_WIN_ARCH):
#   x86           the shipped 32-bit build under 32-bit Wine, on this machine;
#   x64           a 64-bit build of the same sources under 64-bit Wine, on this machine;
#   x86-emulated  the shipped 32-bit build under 32-bit Wine in an emulated PC (scripts/guest.sh).
# Some kernels run no 32-bit Linux program at all, Wine's 32-bit loader included ("Exec format
# error"; neither Wine's WoW64 mode nor qemu-i386 gets round it): there both x64 (every Windows
# test) and x86-emulated (the 32-bit set) run. UNINST_WIN_ARCH forces one route on any machine.
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

# Chooses the routes of this run: sets UNINST_WIN_ROUTES (in the order they run) and takes the
# first that runs on this machine (uninst_use_route). Returns 1, with the reason in
# UNINST_WIN_ROUTE, when the route asked for cannot run here. Decided once per run: the
# processes a run starts inherit the decision.
uninst_choose_route() {
  if [ -n "${UNINST_WIN_ROUTES:-}" ] && { [ -z "${UNINST_WIN_ARCH:-}" ] || [ "$UNINST_WIN_ROUTES" = "$UNINST_WIN_ARCH" ] ||
       { [ "${UNINST_WIN_ARCH:-}" != x86-emulated ] && [[ " $UNINST_WIN_ROUTES " == *" $UNINST_WIN_ARCH "* ]]; }; }; then
    [ -n "${UNINST_WIN_ARCH:-}" ] && [ "$UNINST_WIN_ROUTES" != "$UNINST_WIN_ARCH" ] && UNINST_WIN_ROUTES=$UNINST_WIN_ARCH
    uninst_use_route "${UNINST_WIN_ROUTES%% *}"
    return 0
  fi
  local can32=0 can64=0 canvm=0
  "$WINE32_LOADER" --version >/dev/null 2>&1 && can32=1
  "$WINE64_LOADER" --version >/dev/null 2>&1 && can64=1
  command -v qemu-system-x86_64 >/dev/null 2>&1 && canvm=1
  UNINST_WIN_ROUTE_FORCED=
  case "${UNINST_WIN_ARCH:-}" in
    x86) [ "$can32" -eq 1 ] || { UNINST_WIN_ROUTE="windows tiers: none (UNINST_WIN_ARCH=x86, but $WINE32_LOADER cannot run here)"; return 1; }
         UNINST_WIN_ROUTES=x86 ;;
    x64) [ "$can64" -eq 1 ] || { UNINST_WIN_ROUTE="windows tiers: none (UNINST_WIN_ARCH=x64, but $WINE64_LOADER cannot run here)"; return 1; }
         UNINST_WIN_ROUTES=x64; UNINST_WIN_ROUTE_FORCED=1 ;;
    x86-emulated)
         [ "$canvm" -eq 1 ] || { UNINST_WIN_ROUTE="windows tiers: none (UNINST_WIN_ARCH=x86-emulated, but qemu-system-x86_64 is not installed)"; return 1; }
         UNINST_WIN_ROUTES=x86-emulated; UNINST_WIN_ROUTE_FORCED=1 ;;
    "")
      if [ "$can32" -eq 1 ]; then UNINST_WIN_ROUTES=x86
      elif [ "$can64" -eq 1 ] && [ "$canvm" -eq 1 ]; then UNINST_WIN_ROUTES="x64 x86-emulated"
      elif [ "$canvm" -eq 1 ]; then UNINST_WIN_ROUTES=x86-emulated
      elif [ "$can64" -eq 1 ]; then
        UNINST_WIN_ROUTE="windows tiers: none (this kernel cannot run 32-bit programs, and qemu-system-x86_64, which would run the 32-bit build, is not installed)"
        return 1
      else
        UNINST_WIN_ROUTE="windows tiers: none (neither $WINE32_LOADER nor $WINE64_LOADER nor qemu-system-x86_64 can run here)"
        return 1
      fi ;;
    *) UNINST_WIN_ROUTE="windows tiers: none (UNINST_WIN_ARCH must be x86, x64 or x86-emulated, not '$UNINST_WIN_ARCH')"
       return 1 ;;
  esac
  export UNINST_WIN_ROUTES UNINST_WIN_ROUTE_FORCED
  uninst_use_route "${UNINST_WIN_ROUTES%% *}"
}

# The line that says which route runs and why.
uninst_route_line() {
  case "$1" in
    x86) echo "windows tiers: 32-bit build" ;;
    x64) if [ -n "${UNINST_WIN_ROUTE_FORCED:-}" ]; then echo "windows tiers: 64-bit build (UNINST_WIN_ARCH=x64)"
         else echo "windows tiers: 64-bit build (this kernel cannot run 32-bit programs; the shipped 32-bit build runs in an emulated machine after this)"; fi ;;
    x86-emulated)
         if [ -n "${UNINST_WIN_ROUTE_FORCED:-}" ]; then echo "windows tiers: 32-bit build in an emulated machine (UNINST_WIN_ARCH=x86-emulated)"
         else echo "windows tiers: 32-bit build in an emulated machine (this kernel cannot run 32-bit programs)"; fi ;;
  esac
}

# Sets the environment of one route: UNINST_WIN_ARCH, UNINST_WIN_BUILD (its build tree),
# UNINST_WIN_ROUTE (its line) and the Wine prefix of its build tree. The emulated route's Wine
# runs in the guest, where the route is x86.
uninst_use_route() {
  UNINST_WIN_ARCH=$1
  UNINST_WIN_ROUTE=$(uninst_route_line "$1")
  if [ "$1" = x64 ]; then UNINST_WIN_BUILD=$UNINST_ROOT/build/win64; else UNINST_WIN_BUILD=$UNINST_ROOT/build/win32; fi
  export UNINST_WIN_ARCH UNINST_WIN_BUILD UNINST_WIN_ROUTE
  if [ "$1" = x64 ]; then
    export WINEPREFIX=${UNINST_WINEPREFIX:-$UNINST_ROOT/build/win64/wineprefix}
    export WINEARCH=win64
    # Debian's wine wrapper takes the 32-bit loader whenever it is installed, runnable or not;
    # the scripts' "wine" is the 64-bit loader on this route.
    export WINELOADER=$WINE64_LOADER
    case ":$PATH:" in *":$UNINST_ROOT/scripts/wine64:"*) ;; *) export PATH=$UNINST_ROOT/scripts/wine64:$PATH ;; esac
  else
    export WINEPREFIX=${UNINST_WINEPREFIX:-$UNINST_ROOT/build/win32/wineprefix}
    export WINEARCH=win32
    unset WINELOADER
    PATH=${PATH//":$UNINST_ROOT/scripts/wine64:"/:}; PATH=${PATH#"$UNINST_ROOT/scripts/wine64:"}; export PATH
  fi
  UNINST_STATE_DIR=$(dirname "$WINEPREFIX")/wine-state
}

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LOCPATH=${LOCPATH:-$UNINST_ROOT/build/locale}

# The Unix locale of the Wine processes, and with it their ANSI code page: Wine 8 derives the
# Windows system locale of each process from its LC_ALL/LC_CTYPE at start (the charset part is
# ignored) and takes that locale's ANSI code page; the registry's Nls\CodePage values are only
# written, never read. ja_JP gives 932, en_US 1252, and a locale whose Windows counterpart has no
# ANSI code page (hi_IN) gives UTF-8, 65001. A process started by a Windows program inherits its
# parent's Unix environment, so its locale too. UNINST_LOCALE chooses another than ja_JP.UTF-8.
UNINST_LOCALE=${UNINST_LOCALE:-ja_JP.UTF-8}

# glibc has no compiled locales here; without one Wine treats Unix text (file names, arguments)
# as ASCII. Compiled privately, as each is asked for.
uninst_compile_locale() {
  local name=$1
  [ -f "$LOCPATH/$name/LC_CTYPE" ] && return 0
  mkdir -p "$LOCPATH"
  localedef -i "${name%%.*}" -f UTF-8 "$LOCPATH/$name" >/dev/null 2>&1 || true
  [ -f "$LOCPATH/$name/LC_CTYPE" ]
}
uninst_ensure_locale() {
  uninst_compile_locale ja_JP.UTF-8 && uninst_compile_locale "$UNINST_LOCALE"
}
# The shell itself cannot load the private locale (glibc read LOCPATH when it started); only the
# programs it starts need it, so its complaint is silenced.
uninst_ensure_locale && { export LC_ALL=$UNINST_LOCALE; } 2>/dev/null

uninst_xvfb_alive() {
  [ -f "$UNINST_STATE_DIR/xvfb.pid" ] && kill -0 "$(cat "$UNINST_STATE_DIR/xvfb.pid")" 2>/dev/null
}

# Uses $DISPLAY when the caller has one, else a private Xvfb kept for this build tree.
uninst_ensure_display() {
  if [ -n "${UNINST_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then return 0; fi
  mkdir -p "$UNINST_STATE_DIR"
  if ! uninst_xvfb_alive; then
    local fifo="$UNINST_STATE_DIR/displayfd"
    rm -f "$fifo"; mkfifo "$fifo"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$fifo" \
      >"$UNINST_STATE_DIR/xvfb.log" 2>&1 </dev/null &
    echo $! >"$UNINST_STATE_DIR/xvfb.pid"
    local num; read -r num <"$fifo"; rm -f "$fifo"
    echo ":$num" >"$UNINST_STATE_DIR/xvfb.display"
  fi
  export DISPLAY=$(cat "$UNINST_STATE_DIR/xvfb.display")
}

# Debian's Wine keeps the server socket in /tmp/wine-XXXXXX/server-<dev>-<inode>/; upstream in
# /tmp/.wine-<uid>/. Either way the directory names the prefix by device and inode.
uninst_server_running() {
  local dev ino sock
  dev=$(stat -c %d "$WINEPREFIX" 2>/dev/null) || return 1
  ino=$(stat -c %i "$WINEPREFIX")
  for sock in /tmp/wine-*/server-"$(printf '%x-%x' "$dev" "$ino")"/socket \
              /tmp/.wine-"$(id -u)"/server-"$(printf '%x-%x' "$dev" "$ino")"/socket; do
    [ -S "$sock" ] && return 0
  done
  return 1
}

# Creates the prefix once, then keeps one persistent server with its services started and
# their output sent to a file: a first client whose output is a pipe would otherwise hang it.
# Both under the Japanese locale, whatever UNINST_LOCALE the caller's own programs run in.
uninst_ensure_wine() {
  uninst_ensure_locale || echo "wine-env: could not compile the locale $UNINST_LOCALE" >&2
  uninst_ensure_display
  mkdir -p "$UNINST_STATE_DIR"
  # Wine writes its registry files lazily, so a marker, not system.reg, says the set-up is done.
  if [ ! -f "$WINEPREFIX/.uninst-ready" ]; then
    mkdir -p "$WINEPREFIX"
    LC_ALL=ja_JP.UTF-8 wineserver -p >/dev/null 2>&1 </dev/null || true
    LC_ALL=ja_JP.UTF-8 wine wineboot -i >"$UNINST_STATE_DIR/wineboot.log" 2>&1 </dev/null
    # Without a window manager every closed window stalls ~2 s waiting for its unmap.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$UNINST_STATE_DIR/wineboot.log" 2>&1 </dev/null
    # The window font, as the system that runs the product would have it.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v 'ＭＳ Ｐゴシック' /d 'IPAPGothic' /f >>"$UNINST_STATE_DIR/wineboot.log" 2>&1 </dev/null
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v 'MS Shell Dlg' /d 'IPAPGothic' /f >>"$UNINST_STATE_DIR/wineboot.log" 2>&1 </dev/null
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v 'MS UI Gothic' /d 'IPAPGothic' /f >>"$UNINST_STATE_DIR/wineboot.log" 2>&1 </dev/null
    touch "$WINEPREFIX/.uninst-ready"
    # The prefix's first start leaves two service managers behind and RpcSs never starts; every
    # later CoInitialize then waits for it. A server started afresh on the finished prefix starts
    # its services once, properly.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  # Debian's Wine does not find its own fonts (package fonts-wine); without Marlett the caption
  # buttons show as "0 1 r". The prefix's Fonts folder is always searched.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
  if ! uninst_server_running; then
    LC_ALL=ja_JP.UTF-8 wineserver -p >/dev/null 2>&1 </dev/null || true
    LC_ALL=ja_JP.UTF-8 wine wineboot >>"$UNINST_STATE_DIR/wineboot.log" 2>&1 </dev/null
  fi
}

uninst_stop_wine() {
  if [ -d "$WINEPREFIX" ] && uninst_server_running; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  if uninst_xvfb_alive; then
    kill "$(cat "$UNINST_STATE_DIR/xvfb.pid")" 2>/dev/null || true
    rm -f "$UNINST_STATE_DIR/xvfb.pid"
  fi
}
