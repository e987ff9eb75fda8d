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
