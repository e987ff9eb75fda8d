#!/usr/bin/env bash
# Reports that must not change by one byte: velmora-report --json on the generated large motion and
# model (bench/gen_inputs.py), on a motion that stresses name resolution (gen_names_motion.py), on the
# large motion after each of three models read only in part (gen_cut_models.py: cut in the vertices, cut
# in the bones, a structural fault) and on every file of the shared corpus, compared with the JSON kept
# beside this script.
# Usage: check.sh [--update] VELMORA-REPORT WORK-DIR [CORPUS-DIR]
#   --update   writes the reports into the JSON files beside this script instead of comparing them, after
#              a deliberate change of the report (scripts/regen-golden.sh does it with the native build);
#              review the result with git diff
# Without CORPUS-DIR only the generated inputs' reports are compared, and the last line says so.
set -u
update=0
if [ "${1:-}" = "--update" ]; then
  update=1
  shift
fi
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  sed -n '7,11p' "$0" >&2
  exit 2
fi
# Absolute paths: the comparisons run in the work and corpus directories.
abs() { case $1 in /*) echo "$1" ;; */*) echo "$PWD/$1" ;; *) echo "$1" ;; esac; }
report=$(abs "$1")
work=$(abs "$2")
corpus=${3:-}
[ -z "$corpus" ] || corpus=$(abs "$corpus")
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
mkdir -p "$work"
[ -f "$work/large.vmd" ] || python3 "$top/bench/gen_inputs.py" "$work" || exit 1
[ -f "$work/names.vmd" ] || python3 "$here/gen_names_motion.py" "$work/names.vmd" || exit 1
[ -f "$work/fault.pmx" ] || python3 "$here/gen_cut_models.py" "$work" || exit 1
status=0
compare() {  # compare EXPECTED-FILE ARGS... (run in the current directory)
  local expected=$1
  shift
  if [ $update = 1 ]; then
    "$report" --json --no-alias "$@" > "$here/$expected"
    return
  fi
  if ! "$report" --json --no-alias "$@" | cmp -s - "$here/$expected"; then
    echo "DIFFERS: $expected ($*)" >&2
    status=1
  fi
}
cd "$work"
compare large.vmd.json large.vmd
compare large.pmx.json large.pmx
compare large.pmx+large.vmd.json large.pmx large.vmd
compare large.vmd+large.pmx.json large.vmd large.pmx
compare names.vmd.json names.vmd
for model in cut-vertices.pmx cut-bones.pmx fault.pmx; do
  compare "$model+large.vmd.json" "$model" large.vmd
done
checked=8
skipped=""
if [ -n "$corpus" ] && [ -d "$corpus" ]; then
  cd "$corpus"
  for f in *.vmd *.pmx; do
    compare "corpus-$f.json" "$f"
    checked=$((checked + 1))
  done
  compare corpus-Gene.pmx+motions.json Gene.pmx *.vmd
  checked=$((checked + 1))
elif [ -n "$corpus" ]; then
  skipped="; the corpus reports were skipped: $corpus is not a directory"
else
  skipped="; the corpus reports were skipped: no shared corpus (set VELMORA_CORPUS_DIR)"
fi
if [ $update = 1 ]; then
  echo "golden: $checked reports written to $here$skipped"
else
  echo "golden: $checked reports compared$skipped"
fi
exit $status
