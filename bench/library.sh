#!/usr/bin/env bash
# bench/library.sh: the summary of a motion library. On one machine in one run it times, on 200 generated
# motions of the sizes of real dances (10,000 to 40,000 bone keys each, about 550 MB; bench/gen_inputs.py
# --library) checked against one model (large.pmx, 1,000 bones and 500 morphs):
#   velmora-report --summary MODEL FOLDER    one verdict line per motion
#   velmora-report --json MODEL FOLDER       every page, for comparison
#   cat FILES | wc -c                        the floor: reading the files once
# and prints each median and the ratio to the floor (target for the summary: within 2x); then, on one
# folder of 1,000 motions of a real library's sizes (bench/gen_inputs.py --dances 1000, about 265 MB),
#   velmora-report --summary MODEL FOLDER  against  cat FOLDER/*.vmd | wc -c
# in turn, pair by pair, and the median ratio (target: at most 1.5x); then --each-model with three
# models against the summary with one, on 200 of those motions (target: at most 3.2x); then those 200
# on the corpus's Gene.pmx without its semi-standard bones, --summary --fit against --summary (target:
# at most 2x; bench/run.sh times one dance's fold); then, on one
# folder each of 1,000, 5,000 and 10,000 small motions (bench/gen_inputs.py --folder N):
#   velmora-report --summary FOLDER          for each of the three folders
#   cat FOLDER/* | wc -c                     the floor of the 10,000
# and the ratio of 10,000 to 1,000 (target: at most 12x; a cost per motion that does not grow with the
# folder gives 10x); then where the instructions of the summary of 200 of the 1,000 motions go
# (callgrind, when valgrind is there).
# Usage: bench/library.sh [--folders] [RUNS]   (default 7 runs each; --folders: the three folders alone)
folders_only=0
if [ "${1:-}" = --folders ]; then
  folders_only=1
  shift
fi
. "$(dirname "$0")/prepare.sh"
report="$top/build/bench/src/app/velmora-report"

if [ $folders_only = 0 ]; then
  [ -f "$data/library/dance-199.vmd" ] || python3 "$top/bench/gen_inputs.py" --library "$data"
  PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" <<'PY'
import glob, os, sys
from medians import medians as timed
runs, report, data = int(sys.argv[1]), sys.argv[2], sys.argv[3]
model, library = os.path.join(data, "large.pmx"), os.path.join(data, "library")
files = sorted(glob.glob(os.path.join(library, "*.vmd")))
commands = {
    "velmora-report --summary": [report, "--summary", "--no-alias", model, library],
    "velmora-report --json": [report, "--json", "--no-alias", model, library],
    "cat FILES | wc -c": ["sh", "-c", 'cat "$@" | wc -c', "sh"] + files,
}
medians = timed(commands, runs)
size = sum(os.path.getsize(f) for f in files)
floor = medians["cat FILES | wc -c"]
print(f"library: {len(files)} motions, {size} bytes")
print(f"summary / floor: {medians['velmora-report --summary'] / floor:5.2f}x   (target: within 2x)")
print(f"pages / floor:   {medians['velmora-report --json'] / floor:5.2f}x")
PY
echo
fi

if [ $folders_only = 0 ]; then
  [ -f "$data/dances-1000/dance-00999.vmd" ] || python3 "$top/bench/gen_inputs.py" --dances 1000 "$data"
  PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" <<'PY'
import os, sys
from medians import paired
runs, report, data = int(sys.argv[1]), sys.argv[2], sys.argv[3]
folder = os.path.join(data, "dances-1000")
print("a folder of 1,000 dances: velmora-report --summary MODEL FOLDER against cat FOLDER/*.vmd | wc -c")
ratio = paired([report, "--summary", "--no-alias", os.path.join(data, "large.pmx"), folder],
               ["sh", "-c", 'cat "$0"/*.vmd | wc -c', folder], runs)
print(f"summary / reading: {ratio:5.2f}x   (target: at most 1.5x)")
PY
  echo
  # Every model against every motion: three models (copies of one, under three names) against 200 of
  # the dances, against the summary of the same 200 against one of them.
  mkdir -p "$data/dances-200"
  for f in "$data"/dances-1000/dance-00[01]??.vmd; do ln -sf "$f" "$data/dances-200/"; done
  for n in 2 3; do cp -f "$data/large.pmx" "$data/model-$n.pmx"; done
  PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" <<'PY'
import os, sys
from medians import paired
runs, report, data = int(sys.argv[1]), sys.argv[2], sys.argv[3]
folder = os.path.join(data, "dances-200")
models = [os.path.join(data, m) for m in ("large.pmx", "model-2.pmx", "model-3.pmx")]
print("200 dances: velmora-report --each-model with 3 models against --summary with one")
ratio = paired([report, "--each-model", "--no-alias", folder] + models,
               [report, "--summary", "--no-alias", models[0], folder], runs)
print(f"3 models / 1 model: {ratio:5.2f}x   (target: at most 3.2x)")
PY
  echo
  # Folds: the same 200 dances against the corpus's Gene.pmx without its semi-standard bones, --summary
  # --fit against --summary alone (both measure what each lacking bone costs).
  corpus=${VELMORA_CORPUS_DIR:-$top/../shared/corpus}
  if [ -f "$corpus/Gene.pmx" ]; then
    python3 "$top/tools/strip_pmx_bones.py" "$corpus/Gene.pmx" "$data/bare.pmx" 全ての親 グルーブ 腰 腰キャンセル左 \
      腰キャンセル右 上半身2 左肩P 右肩P 左肩C 右肩C 左腕捩 右腕捩 左腕捩1 左腕捩2 左腕捩3 右腕捩1 右腕捩2 右腕捩3 左手捩 \
      右手捩 左手捩1 左手捩2 左手捩3 右手捩1 右手捩2 右手捩3 左親指０ 右親指０ 両目 左足IK親 右足IK親 左足D 右足D \
      左ひざD 右ひざD 左足首D 右足首D 左足先EX 右足先EX >/dev/null
    PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" <<'PY'
import os, sys
from medians import paired
runs, report, data = int(sys.argv[1]), sys.argv[2], sys.argv[3]
folder, model, out = os.path.join(data, "dances-200"), os.path.join(data, "bare.pmx"), os.path.join(data, "fitted")
print("200 dances on a model without the semi-standard bones: --summary --fit against --summary")
ratio = paired(["sh", "-c", f'rm -rf "{out}"; "{report}" --summary --no-alias --fit "{out}" "{model}" "{folder}"'],
               [report, "--summary", "--no-alias", model, folder], runs)
print(f"with folds / costs alone: {ratio:5.2f}x   (target: at most 2x)")
PY
    echo
  fi
fi

for n in 1000 5000 10000; do
  [ -f "$data/folder-$n/clip-$(printf %05d $((n - 1))).vmd" ] || python3 "$top/bench/gen_inputs.py" --folder "$n" "$data"
done
PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" <<'PY'
import os, sys
from medians import medians as timed
runs, report, data = int(sys.argv[1]), sys.argv[2], sys.argv[3]
commands = {f"--summary, {n:,} in a folder": [report, "--summary", "--no-alias", os.path.join(data, f"folder-{n}")]
            for n in (1000, 5000, 10000)}
commands["cat 10,000 | wc -c"] = ["sh", "-c", 'cat "$0"/*.vmd | wc -c', os.path.join(data, "folder-10000")]
medians = timed(commands, runs)
ratio = medians["--summary, 10,000 in a folder"] / medians["--summary, 1,000 in a folder"]
print(f"10,000 : 1,000 motions in a folder: {ratio:5.2f}x   (target: at most 12x)")
PY
[ $folders_only = 0 ] || exit 0

if command -v valgrind >/dev/null; then
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" "$report" --summary --no-alias "$data/large.pmx" \
    "$data"/dances-1000/dance-00[01]??.vmd >/dev/null 2>&1
  echo
  echo "instructions of the summary of dance-00000 to dance-00199, by function (callgrind):"
  callgrind_annotate "$out" 2>/dev/null | grep -E '^ *[0-9,]+ \(' | head -n 12
  rm -f "$out"
fi
