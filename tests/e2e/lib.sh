# lib.sh: sourced by the end-to-end scripts.
#   e2e_setup          a scratch directory $work with a copy of the program directory in $work/dist
#   e2e_inputs         e2e_setup, then make_inputs.py's model.pmx and motion.vmd in $work/in, which
#                      becomes the current directory (so the programs are given relative names)
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
  # The tests' build of the program runs from the program directory too, beside the font.
  if [ -f "${testhooks_build:-}" ]; then
    cp "$testhooks_build" "$work/dist/"
    testhooks="$work/dist/velmora-testhooks.exe"
  fi
  winenv_start "$top/build/wine"
}

e2e_inputs() {
  e2e_setup
  python3 "$(dirname "${BASH_SOURCE[0]}")/make_inputs.py" "$work/in" || fail "cannot write the inputs"
  cd "$work/in" || fail "no input directory"
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

# ---- Driving velmora.exe ------------------------------------------------------------------------------
#   e2e_start EXE ARGS...    starts a Windows program in the background; its pid in $vpid
#   e2e_wait_title TITLE [S] waits until a top-level window has exactly this title (vtool)
#   e2e_console [S]          waits for the console window ("Velmora "); its X window id in $xid
#   e2e_key KEY...           focuses the console window and types the keys (XTEST), as a user would
#   e2e_wait_exit [S]        waits for the program to end; its exit code in $rc (124 when it did not)
#   e2e_vtool VERB ARGS...   vtool.exe under the same prefix
# $native_report is velmora-report built for this machine by the win32 build (in native-tool/build).
vtool=${VELMORA_VTOOL:-$(cd "$dist/.." && pwd)/tests/e2e/vtool.exe}
native_report=${VELMORA_NATIVE_REPORT:-$(cd "$dist/.." && pwd)/native-tool/build/src/app/velmora-report}
testhooks_build=${VELMORA_TESTHOOKS:-$(cd "$dist/.." && pwd)/tests/e2e/velmora-testhooks.exe}
testhooks=$testhooks_build

e2e_start() {
  wine "$@" >/dev/null 2>&1 &
  vpid=$!
}

e2e_vtool() { wine "$vtool" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }

e2e_wait_title() { e2e_vtool wait "$1" "${2:-30}"; }

e2e_console() {
  e2e_find_x_window 'Velmora ' "${1:-30}" || return 1
  xid=$xid_found
  e2e_vtool wait "Velmora " 5
}

e2e_key() {
  xdotool windowfocus --sync "$xid" 2>/dev/null
  xdotool key --delay 150 "$@" 2>/dev/null
  sleep 0.5
}

e2e_wait_exit() {
  local i
  for i in $(seq 1 $((${1:-30} * 10))); do
    if ! kill -0 "$vpid" 2>/dev/null; then
      wait "$vpid"
      rc=$?
      return 0
    fi
    sleep 0.1
  done
  kill "$vpid" 2>/dev/null
  rc=124
  return 1
}

# Waits for a top-level X window whose name is exactly TITLE; its id in $xid_found (empty when it did
# not appear within S seconds).
e2e_find_x_window() {  # e2e_find_x_window TITLE [S]
  local i
  xid_found=""
  for i in $(seq 1 $((${2:-30} * 5))); do
    xid_found=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$xid_found" ] && return 0
    sleep 0.2
  done
  return 1
}

# The text of a message box's message (its non-empty static control), polled until it is there.
e2e_box_text() {  # e2e_box_text TITLE
  local i text
  for i in $(seq 1 50); do
    text=$(e2e_vtool text "$1" | grep '^Static|' | grep -v '^Static|$' | head -n 1 | cut -d'|' -f2-)
    [ -n "$text" ] && break
    sleep 0.1
  done
  printf '%s' "$text"
}

# Waits until FILE exists with exactly BYTES bytes (a capture is complete only when all its rows are in).
e2e_wait_size() {  # e2e_wait_size FILE BYTES [S]
  local i
  for i in $(seq 1 $((${3:-20} * 10))); do
    [ -f "$1" ] && [ "$(stat -c %s "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# The size of a capture of a W x H page: 54 header bytes and H rows of 3 W bytes padded to 4.
e2e_bmp_size() { echo $((54 + (3 * $1 + 3) / 4 * 4 * $2)); }

# Waits until the console's client area is "W H".
e2e_wait_client() {  # e2e_wait_client "W H" [S]
  local i
  for i in $(seq 1 $((${2:-20} * 2))); do
    [ "$(e2e_vtool client "Velmora ")" = "$1" ] && return 0
    sleep 0.5
  done
  return 1
}
