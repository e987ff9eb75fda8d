#!/usr/bin/env bash
# velmora.exe on 64-bit Windows: in a 64-bit prefix, where the 32-bit program runs under WoW64, a model
# and then a motion are shown, S saves the motion's page byte for byte as in the 32-bit prefix, and ESC
# ends the run with exit code 0.
. "$(dirname "$0")/lib.sh"
[ -x "$native_report" ] || fail "no native velmora-report at $native_report"
e2e_inputs
# The motion's page has the size of its picture.
"$native_report" --no-alias --png "$work/png" model.pmx motion.vmd >/dev/null
[ $? -le 1 ] || fail "velmora-report --png failed"
size=$(identify -format '%w %h' "$work/png/0002-motion.vmd.png")
bytes=$(e2e_bmp_size $size)

# The model, ESC, the motion, S, ESC: the capture kept as NAME.bmp.
capture() {  # capture NAME
  e2e_start "$work/dist/velmora.exe" model.pmx motion.vmd
  e2e_console || fail "$1: no console window"
  e2e_key Escape
  e2e_wait_client "$size" || fail "$1: no page of the motion's size $size"
  e2e_key s
  e2e_wait_size "$work/dist/cap(1).bmp" "$bytes" || fail "$1: S wrote no whole capture"
  mv "$work/dist/cap(1).bmp" "$work/$1.bmp"
  e2e_key Escape
  e2e_wait_exit 20 || fail "$1: ESC did not end the run"
  [ "$rc" = 0 ] || fail "$1: exit code $rc"
}
capture x86
winenv_wow64
[ "$(e2e_vtool wow64)" = wow64 ] || fail "the 64-bit prefix does not run 32-bit programs under WoW64"
capture wow64
winenv_wow64_stop
cmp "$work/x86.bmp" "$work/wow64.bmp" || fail "the page under WoW64 is not the page in the 32-bit prefix"
echo "wow64_smoke: under WoW64 the same page as in the 32-bit prefix, exit code 0"
