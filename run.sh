#!/usr/bin/env bash
# run.sh [FILE...]: installs what is missing, builds the Windows program into its program directory
# (build/win32/dist) and starts it under Wine on the files. Without a display (DISPLAY unset) it prints
# the same reports with velmora-report instead.
set -u
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/setup.sh" || exit 1
cd "$top"
jobs=$(nproc 2>/dev/null || echo 2)
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY is not set): printing the reports with velmora-report instead" >&2
  if ! { cmake --preset native >/dev/null && cmake --build --preset native -j "$jobs" --target velmora-report >/dev/null; }; then
    echo "run.sh: the build failed; run 'cmake --build --preset native' to see why" >&2
    exit 1
  fi
  [ $# -gt 0 ] || { echo "run.sh: give the files to check" >&2; exit 2; }
  exec "$top/build/native/src/app/velmora-report" "$@"
fi
if ! { cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs" >/dev/null; }; then
  echo "run.sh: the build failed; run 'cmake --build --preset win32' to see why" >&2
  exit 1
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:-$top/build/wine/user}
if [ ! -f "$WINEPREFIX/system.reg" ]; then WINEARCH=win32 wineboot -i >/dev/null 2>&1; fi
args=()
for f in "$@"; do
  if [ -e "$f" ]; then args+=("$(winepath -w "$(realpath "$f")" 2>/dev/null)"); else args+=("$f"); fi
done
exec wine "$top/build/win32/dist/velmora.exe" "${args[@]}"
