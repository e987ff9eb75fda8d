#!/usr/bin/env bash
# A page names its file on any Windows: on an English system (code page 1252, where ダンス.vmd's ANSI
# name is ???.vmd) velmora.exe's page of ダンス.vmd is, pixel for pixel, its page on a Japanese system,
# and velmora-report.exe's page names the file ダンス.vmd.
. "$(dirname "$0")/lib.sh"
e2e_inputs
mv motion.vmd ダンス.vmd
caps="$work/dist"

# S in the page of ダンス.vmd under LOCALE; the capture kept as NAME.bmp.
capture() {  # capture LOCALE NAME
  LANG=$1 LC_ALL=$1 e2e_start "$work/dist/velmora.exe" ダンス.vmd
  e2e_console || fail "$1: no console window"
  local bytes
  bytes=$(e2e_bmp_size $(e2e_vtool client "Velmora "))
  e2e_key s
  e2e_wait_size "$caps/cap(1).bmp" "$bytes" || fail "$1: S wrote no whole capture"
  mv "$caps/cap(1).bmp" "$work/$2.bmp"
  e2e_key Escape
  e2e_wait_exit 20 || fail "$1: ESC did not end the run"
  [ "$rc" = 0 ] || fail "$1: exit code $rc"
}
capture ja_JP.UTF-8 ja
capture C.UTF-8 en
cmp "$work/ja.bmp" "$work/en.bmp" || fail "the page on an English system is not the page on a Japanese one"
echo "page_name: velmora.exe's page of ダンス.vmd is the same on an English and a Japanese system"

line=$(LANG=C.UTF-8 LC_ALL=C.UTF-8 wine "$work/dist/velmora-report.exe" --no-alias ダンス.vmd 2>/dev/null | sed -n 2p)
[ "$line" = "ダンス.vmd" ] || fail "velmora-report.exe's path line on an English system: '$line'"
echo "page_name: velmora-report.exe's page on an English system names ダンス.vmd"
