#!/usr/bin/env bash
# A start without a file asks for a motion in the open dialog; cancelling it ends the program with exit
# code 0.
. "$(dirname "$0")/lib.sh"
e2e_setup
e2e_start "$work/dist/velmora.exe"
e2e_find_x_window 'Open MMD Motion File' || fail "no open dialog titled Open MMD Motion File"
id=$xid_found
for _ in $(seq 1 20); do
  xdotool windowfocus --sync "$id" key Escape 2>/dev/null
  sleep 0.5
  kill -0 "$vpid" 2>/dev/null || break
done
e2e_wait_exit 20 || fail "the program did not end after the dialog was cancelled"
[ "$rc" = 0 ] || fail "exit code $rc after cancelling the dialog"
echo "nofile: the open dialog appears and cancelling it ends with exit code 0"
