# lib.sh: sourced by the end-to-end scripts.
#   e2e_setup          a scratch directory $work with a copy of the program directory in $work/dist
#   e2e_snapshot DIR   one line per file: name, size, modification time, checksum
#   e2e_win PATH       the Windows spelling of a Unix path
#   e2e_run ARGS...    runs velmora.exe from $work/dist under Wine; exit code in $rc
#   fail MESSAGE       reports and ends the script with 1
set -u
top=${VELMORA_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
dist=${VELMORA_DIST:-$top/build/win32/dist}
. "$top/scripts/winenv.sh"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

e2e_setup() {
  work=$(mktemp -d /tmp/velmora-e2e-XXXXXX)
  trap 'e2e_cleanup' EXIT
  cp -r "$dist" "$work/dist"
  winenv_start "$top/build/wine"
}

e2e_cleanup() {
  [ -n "${work:-}" ] && rm -rf "$work"
  winenv_stop
}

e2e_snapshot() {
  (cd "$1" && find . -type f -printf '%p %s %T@\n' | sort && find . -type f -exec md5sum {} + | sort)
}

e2e_win() { winepath -w "$1" 2>/dev/null; }

e2e_run() {
  local t=${E2E_TIMEOUT:-60}
  timeout "$t" wine "$work/dist/velmora.exe" "$@" >/dev/null 2>&1
  rc=$?
}
