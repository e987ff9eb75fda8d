#!/usr/bin/env bash
# Panning: a report taller than the screen opens cut to the work area with its scroll bars on; after the
# user dragged the window's bottom edge, dragging the page with the left button moves the view against
# the mouse: up 100 pixels shows the page 100 pixels further down, down 30 brings it back 30, and the
# view stops at the top of the page. A click without a move leaves the view where it is.
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
e2e_setup
mkdir -p "$work/in"
python3 "$here/../golden/gen_names_motion.py" "$work/in/tall.vmd" || fail "cannot write the motion"
e2e_start "$work/dist/velmora.exe" "$(e2e_win "$work/in/tall.vmd")"
e2e_console || fail "no console window"
sleep 2
e2e_vtool drag-edge "Velmora " 800 || fail "cannot drag the bottom edge"
sleep 2

shot() { import -window "$xid" -depth 8 "rgb:$work/$1.rgb" 2>/dev/null; }
drag() {  # drag FROM-Y TO-Y at x 300, in two moves
  xdotool mousemove --window "$xid" 300 "$1" mousedown 1 sleep 0.2 \
    mousemove --window "$xid" 300 $(( ($1 + $2) / 2 )) sleep 0.2 mousemove --window "$xid" 300 "$2" sleep 0.2 mouseup 1
  sleep 1
}
# shifted A B D: the page region of shot B equals shot A moved up by D rows (D may be negative)
shifted() {
  python3 - "$work/$1.rgb" "$work/$2.rgb" "$3" "$width" <<'PY'
import sys
a, b = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
d, w = int(sys.argv[3]), int(sys.argv[4])
h = len(a) // (3 * w)
cols, bottom = w - 40, h - 40  # leave out the scroll bars
rows = [y for y in range(bottom) if 0 <= y + d < bottom]
same = all(b[(y * w) * 3:(y * w + cols) * 3] == a[((y + d) * w) * 3:((y + d) * w + cols) * 3] for y in rows)
inked = any(b[i] != 0 for i in range(0, len(b), 3))
sys.exit(0 if same and inked else 1)
PY
}
# expect NAME D: a shot, retaken for a while, shows the page D rows below the first shot
expect() {
  local i
  for i in $(seq 1 20); do
    shot "$1"
    shifted top "$1" "$2" && return 0
    sleep 0.5
  done
  return 1
}
width=$(xdotool getwindowgeometry "$xid" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
# The first shot, once the page shows (a shot compared with itself, unmoved, has ink).
for _ in $(seq 1 20); do
  shot top
  shifted top top 0 && break
  sleep 0.5
done
drag 400 300
expect down100 100 || fail "dragging up 100 did not show the page 100 pixels further down"
drag 300 330
expect back30 70 || fail "dragging down 30 did not bring the view back 30"
xdotool mousemove --window "$xid" 200 200 click 1
sleep 1
expect click 70 || fail "a click without a move moved the view"
drag 200 500
expect clamp 0 || fail "the view did not stop at the top of the page"
e2e_key Escape
e2e_wait_exit 20 || fail "ESC did not end the run"
[ "$rc" = 0 ] || fail "exit code $rc"
echo "pan: the view follows the dragged page and stops at its top"
