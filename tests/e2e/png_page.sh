#!/usr/bin/env bash
# velmora-report --png draws the page velmora.exe shows: for a model and then a motion, and for a motion
# alone, velmora-report.exe under Wine writes byte for byte the pictures of the native build (and its
# --help, which tells of --png, is the native one), and the native picture is the capture that S saves
# under Wine, pixel for pixel (both FreeType builds flatten curves alike: the mingw one is built with
# SSE2). All three programs are given the same relative names, so the path lines match.
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
native=${VELMORA_NATIVE_REPORT:-$top/build/native/src/app/velmora-report}
[ -x "$native" ] || fail "no native velmora-report at $native"
e2e_setup
python3 "$here/make_inputs.py" "$work/in" || fail "cannot write the inputs"
caps="$work/dist"
cd "$work/in" || fail "no input directory"

# Exit code 1 says that the motion lacks names the model has not; 2 or worse is a failure.
"$native" --no-alias --png "$work/png" model.pmx motion.vmd >/dev/null
[ $? -le 1 ] || fail "velmora-report --png failed"
"$native" --no-alias --png "$work/alone" motion.vmd >/dev/null || fail "velmora-report --png failed on the motion alone"
exe="$work/dist/velmora-report.exe"
wine "$exe" --no-alias --png exe model.pmx motion.vmd >/dev/null 2>&1
rc=$?
[ $rc = 1 ] || fail "velmora-report.exe --png: exit code $rc, wanted 1 (the motion lacks names)"
wine "$exe" --no-alias --png exe-alone motion.vmd >/dev/null 2>&1 || fail "velmora-report.exe --png failed on the motion alone"
for pair in png/0001-model.pmx:exe/0001-model.pmx png/0002-motion.vmd:exe/0002-motion.vmd \
            alone/0001-motion.vmd:exe-alone/0001-motion.vmd; do
  cmp "$work/${pair%%:*}.png" "$work/in/${pair#*:}.png" || fail "${pair#*:}.png is not the native picture"
done
[ "$(ls "$work/in/exe" "$work/in/exe-alone" | grep -c png)" = 3 ] || fail "velmora-report.exe wrote other pictures"
echo "png_page: velmora-report.exe's three pictures are the native ones, byte for byte"
[ "$(wine "$exe" --help 2>/dev/null)" = "$("$native" --help)" ] || fail "velmora-report.exe --help is not the native one"

# Presses S until cap(1).bmp is whole at the size of the picture PNG, and keeps it as NAME.bmp. A key
# typed while the previous file's ESC is handled is dropped, hence the retries.
take() {  # take NAME PNG
  local w h bytes i
  read -r w h <<<"$(identify -format '%w %h' "$2")"
  bytes=$(e2e_bmp_size "$w" "$h")
  for i in 1 2 3; do
    e2e_key s
    if e2e_wait_size "$caps/cap(1).bmp" "$bytes" 8; then
      mv "$caps/cap(1).bmp" "$work/$1.bmp"
      return 0
    fi
  done
  [ -f "$caps/cap(1).bmp" ] && python3 "$here/bmpcheck.py" "$caps/cap(1).bmp" size "$w" "$h"
  fail "$1: no capture of the picture's size $w x $h"
}

e2e_start "$work/dist/velmora.exe" model.pmx motion.vmd
e2e_console || fail "no console window"
take model "$work/png/0001-model.pmx.png"
e2e_key Escape
take motion "$work/png/0002-motion.vmd.png"
e2e_key Escape
e2e_wait_exit 20 || fail "the run did not end after ESC"

e2e_start "$work/dist/velmora.exe" motion.vmd
e2e_console || fail "no console window for the motion alone"
take alone "$work/alone/0001-motion.vmd.png"
e2e_key Escape
e2e_wait_exit 20 || fail "the run of the motion alone did not end after ESC"

for pair in model:png/0001-model.pmx motion:png/0002-motion.vmd alone:alone/0001-motion.vmd; do
  name=${pair%%:*}
  png="$work/${pair#*:}.png"
  read -r w h <<<"$(identify -format '%w %h' "$png")"
  convert "$png" -depth 8 "rgb:$work/$name.rgb" || fail "ImageMagick cannot read $png"
  got=$(python3 "$here/bmpcheck.py" "$work/$name.bmp" near "$work/$name.rgb" "$w" "$h" 0 2>&1) ||
    fail "$name: the picture is not the capture: $got"
  echo "png_page: $name page $w x $h, $got"
done
