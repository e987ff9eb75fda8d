#!/usr/bin/env bash
# Inputs are never written. A motion, a model (built ones, and real ones from the shared corpus when it is
# there), a motion whose name only the UTF-16 path spells, and an alias.ini in the program directory are
# read by velmora-report (natively and as velmora-report.exe under Wine) and by velmora.exe under Wine
# with -ND2, which shows every report and is ended with ESC. Afterwards every input has the same bytes
# and the same modification time, and no file has appeared beside the inputs or in the program
# directory.
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
e2e_setup
mkdir -p "$work/in"
python3 "$here/make_inputs.py" "$work/in" || fail "cannot write the inputs"
corpus=${VELMORA_CORPUS_DIR:-}
if [ -n "$corpus" ] && [ -f "$corpus/stand.vmd" ] && [ -f "$corpus/bone_flag_test.pmx" ]; then
  cp "$corpus/stand.vmd" "$corpus/bone_flag_test.pmx" "$work/in/"
fi
cp "$work/in/motion.vmd" "$work/in/모션.vmd"
# alias.ini in Shift-JIS: センター (whole name), 左 (prefix), まばたき.
printf -- '-Bone\r\n"\x83\x5a\x83\x93\x83\x5e\x81\x5b"F center\r\n\x8d\xb6 Left_\r\n-Morph\r\n\x82\xdc\x82\xce\x82\xbd\x82\xab blink\r\n' \
  > "$work/dist/alias.ini"
# Old modification times: a rewrite of the same bytes would still show.
touch -d '2001-02-03 04:05:06' "$work/in"/* "$work/dist/alias.ini"
before_in=$(e2e_snapshot "$work/in")
before_dist=$(e2e_snapshot "$work/dist")
inputs=("$work/in"/*)
check() {  # check WHAT
  [ "$(e2e_snapshot "$work/in")" = "$before_in" ] || fail "$1: an input or the input directory changed"
  [ "$(e2e_snapshot "$work/dist")" = "$before_dist" ] || fail "$1: the program directory changed"
}

# velmora-report, natively, with the alias file by option.
native=$native_report
[ -x "$native" ] || fail "no native velmora-report at $native"
# Exit code 1 is a motion that lacks names the model before it has; 2 or worse is a failure here.
"$native" --json --alias "$work/dist/alias.ini" "${inputs[@]}" >/dev/null 2>&1
rc=$?; [ $rc -le 1 ] || fail "native velmora-report exit $rc"
"$native" "${inputs[@]}" >/dev/null 2>&1
rc=$?; [ $rc -le 1 ] || fail "native velmora-report exit $rc"
check "native velmora-report"

# velmora-report.exe under Wine: alias.ini beside the program.
win_inputs=()
for f in "${inputs[@]}"; do win_inputs+=("$(e2e_win "$f")"); done
wine "$work/dist/velmora-report.exe" --json "${win_inputs[@]}" >/dev/null 2>&1
rc=$?; [ $rc -le 1 ] || fail "velmora-report.exe exit $rc"
check "velmora-report.exe"

# velmora.exe with -ND2: one run per input, then one run with every input; ESC ends each report.
for f in "${win_inputs[@]}"; do
  e2e_start "$work/dist/velmora.exe" "$f" -ND2
  e2e_console || fail "no console window for $f"
  e2e_key Escape
  e2e_wait_exit 20 || fail "ESC did not end the run for $f"
  [ "$rc" = 0 ] || fail "exit code $rc for $f"
done
e2e_start "$work/dist/velmora.exe" -ND2 "${win_inputs[@]}"
e2e_console || fail "no console window for all inputs"
for f in "${win_inputs[@]}"; do
  e2e_key Escape
  sleep 0.5
done
e2e_wait_exit 30 || fail "ESC on every report did not end the run"
[ "$rc" = 0 ] || fail "exit code $rc for all inputs"
check "velmora.exe"
echo "inputs_unchanged: ${#inputs[@]} inputs and alias.ini unchanged after velmora-report and velmora.exe"
