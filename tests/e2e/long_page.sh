#!/usr/bin/env bash
# A long report can be scrolled from the moment it opens: a motion of 200 morphs gives a page of about
# 3,600 pixels, taller than the screen. Without any resize by the user the window with its bars lies on
# the screen, three wheel notches down show the page from row 360 and a drag up of 100 pixels from row
# 460; S saves the whole page, the same bytes before and after the scrolling; ESC ends with code 0.
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
e2e_setup
mkdir -p "$work/in"
# Morphs モーフ000 to モーフ199, one key each at weight 0.5: one report line a morph.
python3 - "$work/in/long.vmd" <<'PY' || fail "cannot write the motion"
import struct, sys
out = bytearray(b"Vocaloid Motion Data 0002".ljust(30, b"\0") + b"long".ljust(20, b"\0"))
out += struct.pack("<II", 0, 200)
for i in range(200):
    out += ("モーフ%03d" % i).encode("cp932").ljust(15, b"\0") + struct.pack("<If", i, 0.5)
out += struct.pack("<IIII", 0, 0, 0, 0)
open(sys.argv[1], "wb").write(out)
PY
caps="$work/dist"
e2e_start "$work/dist/velmora.exe" "$(e2e_win "$work/in/long.vmd")"
e2e_console || fail "no console window"
sleep 2

# The window as opened: its client area and bars (the X window) within the 1280 x 1024 screen.
geometry=$(xdotool getwindowgeometry "$xid")
read -r x y <<<"$(sed -n 's/.*Position: \([0-9-]*\),\([0-9-]*\) .*/\1 \2/p' <<<"$geometry")"
read -r width height <<<"$(sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p' <<<"$geometry")"
[ -n "$x" ] && [ -n "$width" ] || fail "no geometry for the window: $geometry"
[ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + width)) -le 1280 ] && [ $((y + height)) -le 1024 ] ||
  fail "the window ($width x $height at $x,$y) leaves the screen"
read -r cw ch <<<"$(e2e_vtool client "Velmora ")"
[ "$cw" -lt "$width" ] || fail "no vertical bar: client $cw x $ch in a window $width wide"

# The whole page, before any scrolling; its size from the capture's header.
e2e_key s
pw="" ph=""
for _ in $(seq 1 100); do
  [ -f "$caps/cap(1).bmp" ] && read -r pw ph <<<"$(od -An -t d4 -j 18 -N 8 "$caps/cap(1).bmp")"
  [ -n "$ph" ] && break
  sleep 0.1
done
[ -n "$ph" ] || fail "S wrote no cap(1).bmp"
bytes=$(e2e_bmp_size "$pw" "$ph")
e2e_wait_size "$caps/cap(1).bmp" "$bytes" || fail "S wrote no whole cap(1).bmp"
[ "$ph" -ge 3400 ] && [ "$ph" -gt "$ch" ] || fail "a page of $pw x $ph in a client area of $cw x $ch"

# shows Y: the client area, shot again for a while, shows the page from row Y on.
shows() {
  local i
  for i in $(seq 1 20); do
    import -window "$xid" -depth 8 "rgb:$work/shot.rgb" 2>/dev/null
    python3 "$here/bmpcheck.py" "$caps/cap(1).bmp" shows "$work/shot.rgb" "$width" "$cw" "$ch" "$1" 2>/dev/null &&
      return 0
    sleep 0.5
  done
  python3 "$here/bmpcheck.py" "$caps/cap(1).bmp" shows "$work/shot.rgb" "$width" "$cw" "$ch" "$1"
  return 1
}
shows 0 || fail "the window does not show the top of the page"
xdotool windowfocus --sync "$xid" mousemove --window "$xid" 300 300 click --repeat 3 --delay 200 5
shows 360 || fail "three wheel notches did not show the page from row 360"
xdotool mousemove --window "$xid" 300 400 mousedown 1 sleep 0.2 mousemove --window "$xid" 300 350 sleep 0.2 \
  mousemove --window "$xid" 300 300 sleep 0.2 mouseup 1
shows 460 || fail "dragging up 100 did not show the page from row 460"

e2e_key s
e2e_wait_size "$caps/cap(2).bmp" "$bytes" || fail "the second S wrote no whole cap(2).bmp"
cmp -s "$caps/cap(1).bmp" "$caps/cap(2).bmp" || fail "cap(2).bmp after scrolling differs from cap(1).bmp"
e2e_key Escape
e2e_wait_exit 20 || fail "ESC did not end the run"
[ "$rc" = 0 ] || fail "exit code $rc"
echo "long_page: a $pw x $ph page in a $cw x $ch client area scrolls by wheel and drag from the start"
