#!/usr/bin/env bash
# Keys and the close button: ESC, q and Ctrl+Q each end the display with exit code 0; F, +, Space and
# the arrow keys change nothing (the page stays as it was, the program keeps waiting); the close
# button ends the display of this file and, at once, of every later one.
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
e2e_setup
python3 "$here/make_inputs.py" "$work/in" || fail "cannot write the inputs"
motion=$(e2e_win "$work/in/motion.vmd")
model=$(e2e_win "$work/in/model.pmx")
log="$work/examined.log"
export VELMORA_TEST_LOG=$(e2e_win "$log")

for keys in Escape q ctrl+q; do
  e2e_start "$work/dist/velmora.exe" "$motion"
  e2e_console || fail "no console window ($keys)"
  e2e_key "$keys"
  e2e_wait_exit 20 || fail "$keys did not end the display"
  [ "$rc" = 0 ] || fail "exit code $rc after $keys"
done
echo "keys: ESC, q and Ctrl+Q end with exit code 0"

# Keys without an action: the page is unchanged (its capture is the same) and the program still waits.
rm -f "$work/dist"/cap*.bmp
e2e_start "$work/dist/velmora.exe" "$motion"
e2e_console || fail "no console window"
read -r width height <<<"$(e2e_vtool client "Velmora ")"
bytes=$(e2e_bmp_size "$width" "$height")
e2e_key s
e2e_wait_size "$work/dist/cap(1).bmp" "$bytes" || fail "no first capture"
e2e_key f F plus space Return Down Right r
sleep 1
kill -0 "$vpid" 2>/dev/null || fail "the program ended on a key without action"
e2e_key s
e2e_wait_size "$work/dist/cap(2).bmp" "$bytes" || fail "no second capture"
cmp -s "$work/dist/cap(1).bmp" "$work/dist/cap(2).bmp" || fail "a key without action changed the page"
e2e_key Escape
e2e_wait_exit 20 || fail "ESC did not end the run after the other keys"
[ "$rc" = 0 ] || fail "exit code $rc"
echo "keys: F, +, Space, Return, arrows and R change nothing"

# The close button: this file's display ends, and the next file's ends at its first wait.
rm -f "$log"
e2e_start "$testhooks" "$motion" "$model" "$motion"
e2e_console || fail "no console window before the close button"
e2e_vtool close "Velmora " || fail "cannot use the close button"
e2e_wait_exit 20 || fail "the close button did not end the run"
[ "$rc" = 0 ] || fail "exit code $rc after the close button"
[ "$(cut -d' ' -f1 "$log" | tr '\n' ' ')" = "1 2 3 " ] || fail "examined $(cat "$log")"
echo "keys: the close button ends this file and every later one"
