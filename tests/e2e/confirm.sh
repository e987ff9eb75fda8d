#!/usr/bin/env bash
# The extension confirmation: a file with neither .VMD nor .PMX brings the "Marvaine" box, in English
# on an English system and in Japanese on a Japanese one; Cancel ends the run with exit code 16 before
# the next argument is examined; OK checks the file as an empty motion; -ND2 shows no box.
. "$(dirname "$0")/lib.sh"
e2e_setup
mkdir -p "$work/in"
printf 'hello' >"$work/in/clip.txt"
cp "$work/in/clip.txt" "$work/in/second.txt"
clip=$(e2e_win "$work/in/clip.txt")
second=$(e2e_win "$work/in/second.txt")
log="$work/examined.log"
export VELMORA_TEST_LOG=$(e2e_win "$log")

en=' This file: \r\n   clip.txt \r\n does not have extension ".VMD" nor ".PMX" in the file name. \r\n \r\n Do you like to continue? '
ja=' このファイル： \r\n   clip.txt \r\n には拡張子 ".VMD" 又は ".PMX" がありません. \r\n \r\n 強行しますか? '
for lang in en ja; do
  if [ $lang = en ]; then locale=C.UTF-8; want=$en; else locale=ja_JP.UTF-8; want=$ja; fi
  rm -f "$log"
  LANG=$locale LC_ALL=$locale e2e_start "$testhooks" "$clip" "$second"
  e2e_wait_title Marvaine 30 || fail "$lang: no Marvaine box"
  got=$(LANG=$locale LC_ALL=$locale e2e_box_text Marvaine)
  [ "$got" = "$want" ] || fail "$lang: box text '$got', wanted '$want'"
  e2e_vtool text Marvaine | grep -q '^Button|Cancel$\|^Button|キャンセル$' || fail "$lang: no Cancel button"
  e2e_vtool press Marvaine 2 || fail "$lang: cannot press Cancel"
  e2e_wait_exit 20 || fail "$lang: the run did not end after Cancel"
  [ "$rc" = 16 ] || fail "$lang: exit code $rc after Cancel, wanted 16"
  [ "$(cut -d' ' -f1 "$log" | tr '\n' ' ')" = "1 " ] || fail "$lang: examined $(cat "$log")"
  echo "confirm: $lang box text as written, Cancel gives 16 and stops the run"
done

# A name the system cannot spell in its code page: its ANSI form "??.txt" is not searched for (its "?"
# would find ab.txt beside it); the box names the file as "??.txt".
mkdir -p "$work/lossy"
printf 'hello' >"$work/lossy/한글.txt"
printf 'hello' >"$work/lossy/ab.txt"
LANG=C.UTF-8 LC_ALL=C.UTF-8 e2e_start "$testhooks" "$(e2e_win "$work/lossy/한글.txt")"
e2e_wait_title Marvaine 30 || fail "no Marvaine box for the Hangul name"
got=$(LANG=C.UTF-8 LC_ALL=C.UTF-8 e2e_box_text Marvaine)
want=${en/clip.txt/??.txt}
[ "$got" = "$want" ] || fail "box text '$got' for the Hangul name, wanted '$want'"
e2e_vtool press Marvaine 2 || fail "cannot press Cancel for the Hangul name"
e2e_wait_exit 20 || fail "the run did not end after Cancel for the Hangul name"
echo "confirm: a name the code page cannot spell is shown as ??.txt, not as another file's name"

# OK: the file is checked (an empty motion) and shown; ESC ends the run normally.
rm -f "$log"
e2e_start "$testhooks" "$clip"
e2e_wait_title Marvaine 30 || fail "no Marvaine box for OK"
e2e_vtool press Marvaine 1 || fail "cannot press OK"
e2e_console || fail "no report after OK"
e2e_key Escape
e2e_wait_exit 20 || fail "ESC did not end the run after OK"
[ "$rc" = 0 ] || fail "exit code $rc after OK and ESC"

# -ND2: no box; both files are examined.
rm -f "$log"
e2e_start "$testhooks" "$clip" -ND2 "$second"
e2e_console || fail "no report with -ND2"
e2e_vtool wait Marvaine 1 && fail "a Marvaine box with -ND2"
e2e_key Escape
sleep 1
e2e_key Escape
e2e_wait_exit 20 || fail "the -ND2 run did not end"
[ "$rc" = 0 ] || fail "exit code $rc with -ND2"
[ "$(cut -d' ' -f1 "$log" | tr '\n' ' ')" = "1 3 " ] || fail "-ND2 examined $(cat "$log")"
echo "confirm: OK checks the file; -ND2 shows no box"
