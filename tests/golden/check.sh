#!/usr/bin/env bash
# Reports that must not change by one byte: velmora-report --json on the generated large motion and
# model (bench/gen_inputs.py), on a motion that stresses name resolution (gen_names_motion.py) and on
# every file of the shared corpus, compared with the JSON kept beside this script.
# Usage: check.sh VELMORA-REPORT WORK-DIR [CORPUS-DIR]
# Without CORPUS-DIR only the generated inputs' reports are compared, and the last line says so.
set -u
report=$1
work=$2
corpus=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
mkdir -p "$work"
[ -f "$work/large.vmd" ] || python3 "$top/bench/gen_inputs.py" "$work" || exit 1
[ -f "$work/names.vmd" ] || python3 "$here/gen_names_motion.py" "$work/names.vmd" || exit 1
status=0
compare() {  # compare EXPECTED-FILE ARGS... (run in the current directory)
  local expected=$1
  shift
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
checked=5
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
echo "golden: $checked reports compared$skipped"
exit $status
