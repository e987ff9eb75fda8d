#!/usr/bin/env bash
# run.sh [FILE...]: installs what is missing, builds the Windows program into its program directory
# (build/win32/dist) and starts it under Wine on the files.
set -u
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" || exit 1
cd "$top"
if ! { cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$(nproc 2>/dev/null || echo 2)" >/dev/null; }; then
  echo "run.sh: the build failed; run 'cmake --build --preset win32' to see why" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY is not set): cannot open Velmora's window" >&2
  exit 2
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$top/build/wine/user}
if [ ! -f "$WINEPREFIX/system.reg" ]; then WINEARCH=win32 wineboot -i >/dev/null 2>&1; fi
args=()
for f in "$@"; do
  if [ -e "$f" ]; then args+=("$(winepath -w "$(realpath "$f")" 2>/dev/null)"); else args+=("$f"); fi
done
exec wine "$top/build/win32/dist/velmora.exe" "${args[@]}"
