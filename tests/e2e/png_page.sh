#!/usr/bin/env bash
# velmora-report --png draws the page velmora.exe shows: for a model and then a motion, and for a motion
# alone, the native picture has the size of the capture that S saves under Wine, and no pixel differs
# from the capture's by more than 2 in any channel (the two FreeType builds may round a coverage value
# apart). Both programs are given the same relative names, so the path lines match.
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
  got=$(python3 "$here/bmpcheck.py" "$work/$name.bmp" near "$work/$name.rgb" "$w" "$h" 2 2>&1) ||
    fail "$name: the picture is not the capture: $got"
  echo "png_page: $name page $w x $h, $got"
done
