#!/usr/bin/env bash
# velmora-report.exe under Wine prints, for every file of the shared corpus, the same JSON as the native
# build, and reads every file without error.
. "$(dirname "$0")/lib.sh"
native=$native_report
corpus=${VELMORA_CORPUS_DIR:-}
# Without the corpus: exit code 77, which CTest lists as skipped (SKIP_RETURN_CODE in CMakeLists.txt).
[ -n "$corpus" ] && [ -d "$corpus" ] || { echo "SKIP: no shared corpus (set VELMORA_CORPUS_DIR)"; exit 77; }
[ -x "$native" ] || fail "no native velmora-report at $native"
e2e_setup
cd "$corpus"
count=0
for f in *.vmd *.pmx; do
  want=$("$native" --json --no-alias "$f") || fail "native velmora-report failed on $f"
  got=$(wine "$work/dist/velmora-report.exe" --json --no-alias "$f" 2>/dev/null) || fail "velmora-report.exe failed on $f (exit $?)"
  [ "$want" = "$got" ] || { diff <(echo "$want") <(echo "$got") | head -n 5 >&2; fail "JSON differs for $f"; }
  count=$((count + 1))
done
echo "report_exe: $count corpus files, identical JSON, read without error"

# The summary of a model and a folder: one verdict per motion and the totals, the same in both builds
# (the folder's files joined with "\\" in the Windows build's JSON, with "/" in the native one's).
want=$("$native" --summary --json --no-alias Gene.pmx .) || fail "native summary failed"
got=$(wine "$work/dist/velmora-report.exe" --summary --json --no-alias Gene.pmx . 2>/dev/null | sed 's|\\\\|/|g') ||
  fail "velmora-report.exe --summary failed"
[ "$want" = "$got" ] || { diff <(echo "$want") <(echo "$got") | head -n 5 >&2; fail "summary differs"; }
echo "$got" | grep -q '"totals":{"motions":6,' || fail "summary totals: $(echo "$got" | tail -n 1)"
echo "report_exe: the summary of Gene.pmx and the corpus folder, identical"

# Advice and fitted copies: on a library of the corpus's motions with names spelled as other tools
# export them, velmora-report.exe gives the native summary and writes the native copies byte for byte;
# run again into the same folder it writes nothing, says why and exits 1.
python3 "$top/scripts/make-advice-example.py" "$corpus" "$work/advice" || fail "cannot make the advice library"
cd "$work/advice" || fail "no advice library"
cp "$corpus/Gene.pmx" .
want=$("$native" --summary --json --no-alias --fit native Gene.pmx library)
[ $? = 1 ] || fail "native --fit: exit code"
got=$(wine "$work/dist/velmora-report.exe" --summary --json --no-alias --fit exe Gene.pmx library 2>/dev/null |
  sed 's|\\\\|/|g')
[ "$want" = "$(echo "$got" | sed 's|"exe/|"native/|g')" ] || {
  diff <(echo "$want") <(echo "$got") | head -n 5 >&2
  fail "--fit summary differs"
}
echo "$got" | grep -q '"would_fit":1,' || fail "--fit totals: $(echo "$got" | tail -n 1)"
for f in native/*.vmd; do
  cmp -s "$f" "exe/${f#native/}" || fail "fitted copy ${f#native/} differs"
done
[ "$(ls native | wc -l)" = 2 ] && [ "$(ls exe | wc -l)" = 2 ] || fail "fitted copies: $(ls native exe)"
before=$(e2e_snapshot exe)
wine "$work/dist/velmora-report.exe" --summary --no-alias --fit exe Gene.pmx library >/dev/null 2>"$work/err"
[ $? = 1 ] || fail "a second --fit into the same folder: exit code"
grep -q 'cannot write exe.22_apology-unity.vmd: it exists' "$work/err" || fail "second --fit: $(cat "$work/err")"
[ "$(e2e_snapshot exe)" = "$before" ] || fail "a second --fit changed the copies"
echo "report_exe: advice and fitted copies identical to the native ones; nothing written over"

# A motion cut short as a broken download leaves it: the same verdict, error and cut object.
head -c 40000 "$corpus/22_apology.vmd" > "$work/cut.vmd"
cd "$work" || fail "no work directory"
want=$("$native" --json --no-alias cut.vmd 2>/dev/null)
got=$(wine "$work/dist/velmora-report.exe" --json --no-alias cut.vmd 2>/dev/null)
[ "$want" = "$got" ] || { diff <(echo "$want") <(echo "$got") | head -n 5 >&2; fail "the cut motion's JSON differs"; }
echo "$got" | grep -q '"verdict":"cut","error":"cut in the bone keys after ' || fail "cut motion: ${got:0:300}"
echo "report_exe: a cut motion, the same verdict and cut"
