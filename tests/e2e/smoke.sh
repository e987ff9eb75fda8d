#!/usr/bin/env bash
# Smoke: velmora.exe started with a motion and -ND2 shows its report, ends on ESC with code 0, and
# creates no file, neither in the program directory nor beside the input.
. "$(dirname "$0")/lib.sh"
e2e_setup
mkdir -p "$work/in"
# A motion with a signature, a model name and no keys.
printf 'Vocaloid Motion Data 0002\0\0\0\0\0model\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' \
  > "$work/in/clip.vmd"
before_dist=$(e2e_snapshot "$work/dist")
before_in=$(e2e_snapshot "$work/in")
e2e_start "$work/dist/velmora.exe" "$(e2e_win "$work/in/clip.vmd")" -ND2
e2e_console || fail "no console window"
e2e_key Escape
e2e_wait_exit 20 || fail "ESC did not end the run"
[ "$rc" = 0 ] || fail "exit code $rc, expected 0"
[ "$(e2e_snapshot "$work/dist")" = "$before_dist" ] || fail "the program directory changed"
[ "$(e2e_snapshot "$work/in")" = "$before_in" ] || fail "the input directory changed"
echo "smoke: exit code 0, nothing written"
