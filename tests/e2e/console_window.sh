#!/usr/bin/env bash
# Console window end to end, through the Win32 test executable's probes:
#   - the open dialog of the motion kind appears under Wine, is found by its title with xdotool and
#     cancelled with Escape: the result is -1 and the out buffer is unchanged;
#   - a capture of a known console page 1,001 pixels wide is read back by ImageMagick as an upright
#     image with the expected pixels.
. "$(dirname "$0")/lib.sh"
tests_exe=$(cd "$dist/.." && pwd)/tests/win32/velmora_wintests.exe
[ -f "$tests_exe" ] || fail "no Win32 test executable at $tests_exe"
e2e_setup
cd "$work" || fail "no scratch directory"

# ---- The open dialog ------------------------------------------------------------------------------------
VELMORA_DIALOG_PROBE=1 wine "$tests_exe" --gtest_filter=DialogProbe.OpenMotion >"$work/dialog.out" 2>/dev/null &
pid=$!
e2e_find_x_window 'Open MMD Motion File'
id=$xid_found
if [ -z "$id" ]; then
  kill "$pid" 2>/dev/null
  fail "the dialog titled Open MMD Motion File did not appear"
fi
# Focus the dialog's window and press Escape (XTEST), as a user would; retried while the probe runs.
for _ in $(seq 1 20); do
  xdotool windowfocus --sync "$id" key Escape 2>/dev/null
  for _ in $(seq 1 10); do
    kill -0 "$pid" 2>/dev/null || break 2
    sleep 0.1
  done
done
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid" 2>/dev/null
  fail "the dialog did not close on Escape"
fi
wait "$pid"
line=$(grep '^dialog result=' "$work/dialog.out" | tr -d '\r')
[ "$line" = "dialog result=-1 out=unchanged error=0" ] || fail "dialog probe printed: '$line'"
echo "console_window: dialog found by its title and cancelled: $line"

# ---- A capture read back by ImageMagick --------------------------------------------------------------------
VELMORA_CAPTURE_PROBE=$(e2e_win "$work/probe.bmp") timeout 120 wine "$tests_exe" \
  --gtest_filter=CaptureProbe.WritePage >"$work/capture.out" 2>&1 || fail "capture probe failed: $(tail -n 5 "$work/capture.out")"
[ -f "$work/probe.bmp" ] || fail "no capture written"
size=$(stat -c %s "$work/probe.bmp")
[ "$size" = $((3004 * 40 + 54)) ] || fail "capture of $size bytes, expected $((3004 * 40 + 54))"
geometry=$(/usr/bin/identify -format '%w %h' "$work/probe.bmp") || fail "identify cannot read the capture"
[ "$geometry" = "1001 40" ] || fail "identify sees $geometry"
/usr/bin/convert "$work/probe.bmp" -depth 8 rgb:"$work/probe.rgb" || fail "convert cannot read the capture"
# The probe's page: pixel (x, y) is red x mod 256, green y, blue 7; the top row white, the bottom row blue.
python3 - "$work/probe.rgb" <<'EOF' || fail "ImageMagick's pixels differ from the page"
import sys
data = open(sys.argv[1], "rb").read()
w, h = 1001, 40
assert len(data) == w * h * 3, len(data)
for y in range(h):
    for x in range(w):
        r, g, b = data[(y * w + x) * 3:(y * w + x) * 3 + 3]
        want = (x % 256, y, 7)
        if y == 0:
            want = (255, 255, 255)
        if y == h - 1:
            want = (0, 0, 255)
        if (r, g, b) != want:
            sys.exit("pixel %d,%d is %s, expected %s" % (x, y, (r, g, b), want))
EOF
echo "console_window: capture of 1001 x 40 read upright by ImageMagick"
