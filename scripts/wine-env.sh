# Sourced by ./dev and scripts/wine-run: the Wine environment the program is tested in.
# A private prefix inside the build tree, code page 932, a headless display when none is set.

UNINST_ROOT=${UNINST_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# The Windows route. The 32-bit route runs the shipped 32-bit build under 32-bit Wine. Some
# kernels run no 32-bit Linux program at all, Wine's 32-bit loader included ("Exec format
# error"; neither Wine's WoW64 mode nor qemu-i386 gets round it): there the 64-bit route runs a
# 64-bit build of the same sources under 64-bit Wine. UNINST_WIN_ARCH=x86 or x64 forces one.
# Sets UNINST_WIN_ARCH, UNINST_WIN_BUILD (the build tree of that route) and UNINST_WIN_ROUTE
# (the line that says which route and why); returns 1, with the reason in UNINST_WIN_ROUTE,
# when the route asked for cannot run here.
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64
uninst_choose_route() {
  # Decided once per run: the processes a run starts inherit the decision.
  if [ -n "${UNINST_WIN_ROUTE_ARCH:-}" ] && [ "${UNINST_WIN_ARCH:-$UNINST_WIN_ROUTE_ARCH}" = "$UNINST_WIN_ROUTE_ARCH" ]; then
    UNINST_WIN_ARCH=$UNINST_WIN_ROUTE_ARCH
    return 0
  fi
  local can32=0 can64=0
  "$WINE32_LOADER" --version >/dev/null 2>&1 && can32=1
  "$WINE64_LOADER" --version >/dev/null 2>&1 && can64=1
  case "${UNINST_WIN_ARCH:-}" in
    x86)
      UNINST_WIN_ROUTE="windows tiers: 32-bit build"
      [ "$can32" -eq 1 ] || { UNINST_WIN_ROUTE="windows tiers: none (UNINST_WIN_ARCH=x86, but $WINE32_LOADER cannot run here)"; return 1; } ;;
    x64)
      UNINST_WIN_ROUTE="windows tiers: 64-bit build (UNINST_WIN_ARCH=x64)"
      [ "$can64" -eq 1 ] || { UNINST_WIN_ROUTE="windows tiers: none (UNINST_WIN_ARCH=x64, but $WINE64_LOADER cannot run here)"; return 1; } ;;
    "")
      if [ "$can32" -eq 1 ]; then
        UNINST_WIN_ARCH=x86; UNINST_WIN_ROUTE="windows tiers: 32-bit build"
      elif [ "$can64" -eq 1 ]; then
        UNINST_WIN_ARCH=x64
        UNINST_WIN_ROUTE="windows tiers: 64-bit build (this kernel cannot run 32-bit programs; the shipped 32-bit executable was built and audited, not run)"
      else
        UNINST_WIN_ROUTE="windows tiers: none (neither $WINE32_LOADER nor $WINE64_LOADER can run here)"
        return 1
      fi ;;
    *)
      UNINST_WIN_ROUTE="windows tiers: none (UNINST_WIN_ARCH must be x86 or x64, not '$UNINST_WIN_ARCH')"
      return 1 ;;
  esac
  export UNINST_WIN_ARCH UNINST_WIN_ROUTE_ARCH=$UNINST_WIN_ARCH
  if [ "$UNINST_WIN_ARCH" = x64 ]; then UNINST_WIN_BUILD=$UNINST_ROOT/build/win64; else UNINST_WIN_BUILD=$UNINST_ROOT/build/win32; fi
  export UNINST_WIN_BUILD UNINST_WIN_ROUTE
}
uninst_choose_route || true

if [ "${UNINST_WIN_ARCH:-}" = x64 ]; then
  export WINEPREFIX=${WINEPREFIX:-$UNINST_ROOT/build/win64/wineprefix}
  export WINEARCH=win64
  # Debian's wine wrapper takes the 32-bit loader whenever it is installed, runnable or not;
  # the scripts' "wine" is the 64-bit loader on this route.
  export WINELOADER=$WINE64_LOADER
  case ":$PATH:" in *":$UNINST_ROOT/scripts/wine64:"*) ;; *) export PATH=$UNINST_ROOT/scripts/wine64:$PATH ;; esac
else
  export WINEPREFIX=${WINEPREFIX:-$UNINST_ROOT/build/win32/wineprefix}
  export WINEARCH=win32
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LOCPATH=${LOCPATH:-$UNINST_ROOT/build/locale}
UNINST_STATE_DIR=${UNINST_STATE_DIR:-$(dirname "$WINEPREFIX")/wine-state}

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
