#!/usr/bin/env bash
# make_library.sh REPORT CORPUS OUT: a real-looking motion library made from the shared corpus, and the
# JSON Lines of velmora-report's runs over it, for the library page's tests and picture:
#   OUT/library/            the corpus's motions as a user keeps them: in folders with Japanese names, two
#                           with names spelled as other tools export them (make-advice-example.py), a
#                           download that broke off (cut), a file that is no motion (unread)
#   OUT/run.jsonl, run.html --summary --json --fit fitted --png pages --html: stand.vmd alone first (no
#                           model), then Gene.pmx and the library (OUT/fitted, OUT/pages); run-ja.html the
#                           same page in Japanese
#   OUT/gene.jsonl, OUT/other.jsonl   the library against Gene.pmx and against constraint_test.pmx
#   OUT/each.html, each.txt --each-model of the two: one column per model, the page and the terminal's table
# Runs in OUT, so that the paths in the JSON are relative to the pages written there.
set -euo pipefail
report=$(realpath "$1") corpus=$(realpath "$2") out=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"
cd "$out"
python3 "$top/scripts/make-advice-example.py" "$corpus" . >/dev/null
mkdir -p "library/ダンス/お辞儀" "library/ダンス/笑い" library/physics intro
cp "$corpus/22_apology.vmd" "library/ダンス/お辞儀/22_apology.vmd"
cp "$corpus/02_laugh.vmd" "library/ダンス/笑い/02_laugh.vmd"
cp "$corpus"/physics_toggle_test*.vmd library/physics/
head -c 5000 "$corpus/02_laugh.vmd" > "library/ダンス/02_laugh (途中まで).vmd"
printf 'not a motion\n' > library/readme-not-motion.vmd
cp "$corpus/stand.vmd" intro/stand.vmd
cp "$corpus/Gene.pmx" "$corpus/constraint_test.pmx" .
# Exit code 1 is expected: motions lack names, one is cut, one unread. The pages come from the same runs
# (--html), in English and in Japanese, and with one column per model.
"$report" --summary --json --no-alias --fit fitted --png pages --html run.html --lang en intro/stand.vmd Gene.pmx \
  library > run.jsonl 2>/dev/null || true
"$report" --summary --json --no-alias --replace --fit fitted --html run-ja.html --lang ja intro/stand.vmd Gene.pmx \
  library > /dev/null 2>&1 || true
"$report" --summary --json --no-alias Gene.pmx library > gene.jsonl 2>/dev/null || true
"$report" --summary --json --no-alias constraint_test.pmx library > other.jsonl 2>/dev/null || true
"$report" --each-model --no-alias --html each.html --lang en Gene.pmx constraint_test.pmx library > each.txt 2>/dev/null || true
[ -s run.jsonl ] && [ -s gene.jsonl ] && [ -s other.jsonl ] && [ -s run.html ] && [ -s run-ja.html ] && [ -s each.html ] &&
  [ -s each.txt ]
