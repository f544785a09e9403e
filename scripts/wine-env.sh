# Sourced by scripts/test, scripts/demo and scripts/bench: a private Wine prefix inside the
# build tree, one persistent wineserver, and (when asked) a private Xvfb display.
#
#   wine_prefix_create                   creates WINEPREFIX unless it exists (no display needed)
#   wine_env_start [--private-display]   sets WINEPREFIX, DISPLAY, ... and starts the servers
#   wine_env_stop                        stops this prefix's wineserver and our Xvfb
#   wine_run PROGRAM ARGS...             runs a Windows program under the loader
#
# KELBROOK_XVFB_SCREEN=WxHxDEPTH sizes the private display (1280x1024x24 by default).

KELBROOK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$KELBROOK_ROOT/build/windows/wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=C.UTF-8
WINE_LOADER=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
[ -x /usr/lib/wine/wine64 ] && WINE_LOADER=/usr/lib/wine/wine64
export WINE_LOADER
_kelbrook_xvfb_pid=""

wine_run() { "$WINE_LOADER" "$@"; }

# Starts Xvfb on a display number it picks itself (-displayfd), so that sessions started at
# the same moment never take the same one; sets DISPLAY once the server listens.
_start_private_display() {
  local numbers n="" waited=0
  numbers=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${KELBROOK_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -ac \
    3>"$numbers" </dev/null >/dev/null 2>&1 &
  _kelbrook_xvfb_pid=$!
  while [ -z "$n" ] && [ $waited -lt 100 ] && kill -0 "$_kelbrook_xvfb_pid" 2>/dev/null; do
    sleep 0.1
    waited=$((waited + 1))
    n=$(head -n 1 "$numbers")
  done
  rm -f "$numbers"
  [ -n "$n" ] || { echo "no X display: Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$n"
}

# Creates the prefix unless it exists; needs no display (scripts/test creates its prefixes
# while it builds). Its wineserver has ended when this returns.
wine_prefix_create() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  echo "wine: creating the prefix $WINEPREFIX (once)"
  wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  # Without a window manager on Xvfb, Wine draws the windows' own title bars and borders.
  "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 || true
  "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d Y /f </dev/null >/dev/null 2>&1 || true
  # N: is a network share to Windows (no Recycle Bin there), for the tests that need one.
  mkdir -p "$WINEPREFIX/network-share"
  ln -sfn ../network-share "$WINEPREFIX/dosdevices/n:"
  "$WINE_LOADER" reg add 'HKLM\Software\Wine\Drives' /v n: /t REG_SZ /d network /f </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
}

wine_env_start() {
  if [ "${1:-}" = "--private-display" ] || [ -z "${DISPLAY:-}" ]; then
    _start_private_display || return 1
  fi
  wine_prefix_create
  wineserver -p </dev/null >/dev/null 2>&1 &
  # A crash is an exit code, never a dialog that waits for an answer (and blocks a test run).
  # Setting it also warms up the session: the first program starts the services.
  "$WINE_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  if [ -n "$_kelbrook_xvfb_pid" ]; then
    kill "$_kelbrook_xvfb_pid" 2>/dev/null || true
    wait "$_kelbrook_xvfb_pid" 2>/dev/null || true
    _kelbrook_xvfb_pid=""
  fi
}
