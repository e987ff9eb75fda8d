#!/usr/bin/env bash
# Files dropped on the window while a report is shown are examined after every argument already
# waiting, in the order second, third, ..., last, first. The drop is a real WM_DROPFILES that the
# tests' build of the program (velmora-testhooks.exe) posts to its own window when it first waits.
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
e2e_setup
python3 "$here/make_inputs.py" "$work/in" || fail "cannot write the inputs"
for n in x y a b c; do cp "$work/in/motion.vmd" "$work/in/$n.vmd"; done
w() { e2e_win "$work/in/$1.vmd"; }
log="$work/examined.log"
export VELMORA_TEST_LOG=$(e2e_win "$log")
export VELMORA_TEST_DROP="$(w a);$(w b);$(w c)"
e2e_start "$testhooks" "$(w x)" "$(w y)"
e2e_console || fail "no console window"
# One ESC for each of the five files; a key typed while the next file loads may be lost, so keep on.
for _ in $(seq 1 40); do
  sleep 1
  kill -0 "$vpid" 2>/dev/null || break
  e2e_key Escape
done
e2e_wait_exit 20 || fail "the run did not end"
[ "$rc" = 0 ] || fail "exit code $rc"
order=$(sed 's/.*\\//' "$log" | tr '\n' ' ')
[ "$order" = "x.vmd y.vmd b.vmd c.vmd a.vmd " ] || fail "examined in the order $order"
echo "drop: examined x, y, then the dropped b, c, a"
