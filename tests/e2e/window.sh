#!/usr/bin/env bash
# The report in the window: a model and then a motion given on the command line. The window's client
# area follows the page (8 x widest + 16 by 17 x lines, at least 512 by 96); S saves the page as the
# first free cap(n).bmp in the program directory, whose pixels show the report lines in their colours on
# black; ESC ends each file and the run with exit code 0. Without a model the lines are grey, red and
# yellow. The inputs are not changed.
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
native=$native_report
[ -x "$native" ] || fail "no native velmora-report at $native"
e2e_setup
python3 "$here/make_inputs.py" "$work/in" || fail "cannot write the inputs"
before=$(e2e_snapshot "$work/in")
model=$(e2e_win "$work/in/model.pmx")
motion=$(e2e_win "$work/in/motion.vmd")
caps="$work/dist"

# The client size each page asks for: from the native report of the same files, its path line spelled
# as the Windows program gets it.
page_size() {  # page_size INDEX WINDOWS-PATH FILES...
  local index=$1 winpath=$2
  shift 2
  "$native" --json --no-alias "$@" | python3 -c '
import json, sys
index, winpath = int(sys.argv[1]), sys.argv[2]
page = [json.loads(l) for l in sys.stdin][index]["lines"]
lengths = [len(text.encode("cp932")) for colour, text in page]
lengths[1] = len(winpath.encode("cp932"))
print(max(8 * max(lengths) + 16, 512), max(17 * len(page), 96))' "$index" "$winpath"
}
cp "$work/in/model.pmx" "$work/in/motion.vmd" "$work/"
cd "$work" || fail "no scratch directory"
want_model=$(page_size 0 "$model" model.pmx motion.vmd)
want_motion=$(page_size 1 "$motion" model.pmx motion.vmd)
want_alone=$(page_size 0 "$motion" motion.vmd)

e2e_start "$work/dist/velmora.exe" "$model" "$motion"
e2e_console || fail "no console window"
e2e_wait_client "$want_model" || fail "model page: client $(e2e_vtool client "Velmora "), wanted $want_model"
e2e_key Escape
e2e_wait_client "$want_motion" || fail "motion page: client $(e2e_vtool client "Velmora "), wanted $want_motion"
read -r width height <<<"$want_motion"
bytes=$(e2e_bmp_size "$width" "$height")

e2e_key s
e2e_wait_size "$caps/cap(1).bmp" "$bytes" || fail "S wrote no whole cap(1).bmp"
bmp="$caps/cap(1).bmp"
python3 "$here/bmpcheck.py" "$bmp" size "$width" "$height" || fail "cap(1).bmp is not the page"
# Line i is drawn at y = 17 i + 2: line 7 センター white (the model has it), line 9 上半身２ orange
# (it lacks it); full coverage blends to 254 (a shift by 8).
python3 "$here/bmpcheck.py" "$bmp" has 254,254,254 121 137 || fail "no white in the センター line"
python3 "$here/bmpcheck.py" "$bmp" has 254,119,0 155 171 || fail "no orange in the 上半身２ line"
python3 "$here/bmpcheck.py" "$bmp" pixel $((width - 3)) 1 0,0,0 || fail "the background is not black"
/usr/bin/identify -format '%w %h' "$bmp" | grep -qx "$width $height" || fail "ImageMagick reads another size"

e2e_key s
e2e_wait_size "$caps/cap(2).bmp" "$bytes" || fail "the second S wrote no whole cap(2).bmp"
cmp -s "$caps/cap(1).bmp" "$caps/cap(2).bmp" || fail "cap(2).bmp differs from cap(1).bmp"
# With cap(1) and cap(3) present, S takes the free cap(2).
rm "$caps/cap(2).bmp"
printf 'not a capture' >"$caps/cap(3).bmp"
e2e_key s
e2e_wait_size "$caps/cap(2).bmp" "$bytes" || fail "S did not write the free cap(2).bmp"
[ "$(cat "$caps/cap(3).bmp")" = "not a capture" ] || fail "cap(3).bmp was touched"
[ -f "$caps/cap(4).bmp" ] && fail "S wrote cap(4).bmp"
e2e_key Escape
e2e_wait_exit 20 || fail "the run did not end after ESC"
[ "$rc" = 0 ] || fail "exit code $rc, wanted 0"

# Without a model: grey lines, 上半身２ red, 上半身3 yellow.
rm -f "$caps"/cap*.bmp
e2e_start "$work/dist/velmora.exe" "$motion"
e2e_console || fail "no console window for the motion alone"
e2e_wait_client "$want_alone" || fail "motion alone: client $(e2e_vtool client "Velmora "), wanted $want_alone"
e2e_key s
bmp="$caps/cap(1).bmp"
e2e_wait_size "$bmp" "$(e2e_bmp_size $want_alone)" || fail "S wrote no capture of the motion alone"
python3 "$here/bmpcheck.py" "$bmp" has 149,149,149 121 137 || fail "no grey in the センター line"
python3 "$here/bmpcheck.py" "$bmp" has 254,0,0 155 171 || fail "no red in the 上半身２ line"
python3 "$here/bmpcheck.py" "$bmp" has 254,239,0 172 188 || fail "no yellow in the 上半身3 line"
e2e_key q
e2e_wait_exit 20 || fail "q did not end the run"
[ "$rc" = 0 ] || fail "exit code $rc after q"

[ "$(e2e_snapshot "$work/in")" = "$before" ] || fail "an input file changed"
echo "window: page sizes $want_model and $want_motion, captures cap(1) to cap(2) with the report's colours"
