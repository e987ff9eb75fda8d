#!/usr/bin/env bash
# A missing font: the display cannot draw, so with two arguments the verdict appears in the "Velmora"
# box with the summary text, once per file; with -ND nothing shows it and the run ends by itself. On a
# Japanese system the box takes the Shift-JIS summary (MessageBoxA); elsewhere the UTF-16 one.
. "$(dirname "$0")/lib.sh"
here=$(cd "$(dirname "$0")" && pwd)
e2e_setup
python3 "$here/make_inputs.py" "$work/in" || fail "cannot write the inputs"
rm "$work/dist/mplus-2m-regular.ttf"
motion=$(e2e_win "$work/in/motion.vmd")
model=$(e2e_win "$work/in/model.pmx")
want=$(printf '%s' '(OK): そのままで使用可能です. ')

export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
e2e_start "$work/dist/velmora.exe" "$motion" "$model"
for file in 1 2; do
  e2e_wait_title Velmora 30 || fail "no verdict box for file $file"
  got=$(e2e_box_text Velmora)
  [ "$got" = "$want" ] || fail "verdict text '$got', wanted '$want'"
  e2e_vtool press Velmora 1 || fail "cannot press OK"
  e2e_vtool gone Velmora 10
done
e2e_wait_exit 20 || fail "the run did not end after the verdicts"
[ "$rc" = 0 ] || fail "exit code $rc"
echo "verdict: the summary box for each file when the font is missing"

# A motion that only its UTF-16 name opens (Hangul has no ANSI spelling): the box is the UTF-16 one, so
# its text reads right on an English system too.
cp "$work/in/motion.vmd" "$work/in/한글.vmd"
export LANG=C.UTF-8 LC_ALL=C.UTF-8
e2e_start "$work/dist/velmora.exe" "$(e2e_win "$work/in/한글.vmd")" "$model"
e2e_wait_title Velmora 30 || fail "no verdict box for the UTF-16 name"
got=$(e2e_box_text Velmora)
[ "$got" = "$want" ] || fail "UTF-16 verdict text '$got', wanted '$want'"
e2e_vtool press Velmora 1
e2e_vtool gone Velmora 10
# The model opens by its ANSI name, but the system's code page is not Shift-JIS: the UTF-16 box again.
e2e_wait_title Velmora 30 || fail "no verdict box for the model"
got=$(e2e_box_text Velmora)
[ "$got" = "$want" ] || fail "verdict text '$got' on an English system, wanted '$want'"
e2e_vtool press Velmora 1
e2e_wait_exit 20 || fail "the run did not end"
echo "verdict: the UTF-16 box when only the UTF-16 name opens the motion, and on an English system"

e2e_start "$work/dist/velmora.exe" "$motion" -ND "$model"
e2e_wait_exit 30 || fail "with -ND the run did not end by itself"
[ "$rc" = 0 ] || fail "exit code $rc with -ND"
e2e_vtool wait Velmora 1 && fail "a verdict box with -ND"
echo "verdict: -ND shows no box"
