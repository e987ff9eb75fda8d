#!/usr/bin/env bash
# wine-run.sh PROGRAM.exe [ARG...]: runs a Windows program under Wine and returns its exit code.
# Uses the test run's prefix and display when exported (test.sh does), else makes its own.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/winenv.sh"
own=0
if [ -z "${VELMORA_WINENV:-}" ]; then
  own=1
  winenv_start "$top/build/wine"
fi
wine "$@"
rc=$?
if [ $own = 1 ]; then winenv_stop; fi
exit $rc
