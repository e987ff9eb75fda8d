# winenv.sh: sourced by the scripts that run Windows programs. Gives a private Wine prefix and a
# private Xvfb display:
#   winenv_start DIR   makes DIR/prefix (wineboot, once) and starts Xvfb on a free display number;
#                      exports WINEPREFIX, WINEARCH, WINEDEBUG, WINEDLLOVERRIDES and DISPLAY
#   winenv_stop        ends the display and the prefix's wineserver
#   winenv_wow64       switches to a 64-bit prefix beside the prefix, $WINEPREFIX-wow64 (wineboot, once),
#                      on the same display: 32-bit programs run there under WoW64, as on most Windows
#   winenv_wow64_stop  ends that prefix's wineserver and switches back
# When WINEPREFIX and DISPLAY are already exported (a test run's own), winenv_start keeps them.
winenv_started_xvfb=""

winenv_start() {
  local base=$1
  export WINEDEBUG=-all WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -n "${VELMORA_WINENV:-}" ] && [ -n "${WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  mkdir -p "$base"
  export WINEPREFIX="$base/prefix"
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  winenv_started_xvfb=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
  fi
  wineserver -w 2>/dev/null || true
  export VELMORA_WINENV=1
}

winenv_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "$winenv_started_xvfb" ]; then
    kill "$winenv_started_xvfb" 2>/dev/null || true
    wait "$winenv_started_xvfb" 2>/dev/null || true
    winenv_started_xvfb=""
  fi
  unset VELMORA_WINENV
}

winenv_wow64() {
  winenv_prefix32=$WINEPREFIX
  export WINEPREFIX="$WINEPREFIX-wow64" WINEARCH=win64
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
  fi
  wineserver -w 2>/dev/null || true
}

winenv_wow64_stop() {
  wineserver -k 2>/dev/null || true
  export WINEPREFIX=$winenv_prefix32 WINEARCH=win32
}
