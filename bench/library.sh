#!/usr/bin/env bash
# bench/library.sh: the summary of a motion library, against two floors of reading the files:
#   cat FILES > /dev/null    reading them once into memory (the floor the targets below name)
#   cat FILES | wc -c        reading them once and passing them through a pipe (about three times dearer)
# Every ratio is printed against both; the figure each target names is marked "<- target".
#
# On one machine in one run it measures, in turn:
#  1. on 200 generated motions of the sizes of real dances (10,000 to 40,000 bone keys each, about
#     550 MB; bench/gen_inputs.py --library) against one model (large.pmx, 1,000 bones and 500 morphs):
#     --summary MODEL FOLDER and --json MODEL FOLDER (the earlier check: the summary within 2x of
#     cat | wc -c);
#  2. on a folder of 1,000 motions made as real dances are (bench/gen_inputs.py --mix 1000, about 2.4 GB:
#     10,000 to 35,000 bone keys over 150 bone names, 40 morph names, keys in runs per bone, arm-twist
#     bones): --summary MODEL FOLDER against the floors, paired (target: at most 1.5x cat > /dev/null);
#     MODEL is the corpus's Gene.pmx (which has every semi-standard bone the mix keys), or without the
#     corpus the generated mix-all.pmx;
#  3. on 200 of those: --each-model with four models (MODEL, mix-all.pmx, mix-body.pmx, mix-hands.pmx)
#     against --summary with MODEL (target: at most 1.3x);
#  4. on the same 200, on Gene.pmx without its semi-standard bones (the costs of every lacking
#     semi-standard bone computed): --summary against --summary on Gene.pmx (target: at most 1.25x),
#     and --summary --fit against --summary (target: at most 2x; bench/run.sh times one dance's fold);
#  5. on one folder each of 1,000, 5,000 and 10,000 small motions (bench/gen_inputs.py --folder N):
#     --summary FOLDER, and the ratio of 10,000 to 1,000 (target: at most 12x; a cost per motion that
#     does not grow with the folder gives 10x);
#  6. with valgrind: the instructions per key of the summary of 10 of the mixed dances against MODEL,
#     the whole process counted (callgrind; target: at most 100), and where they go.
# Usage: bench/library.sh [--folders] [RUNS]   (default 7 runs each; --folders: the three folders alone)
folders_only=0
if [ "${1:-}" = --folders ]; then
  folders_only=1
  shift
fi
. "$(dirname "$0")/prepare.sh"
report="$top/build/bench/src/app/velmora-report"
corpus=${VELMORA_CORPUS_DIR:-$top/../shared/corpus}

if [ $folders_only = 0 ]; then
  [ -f "$data/library/dance-199.vmd" ] || python3 "$top/bench/gen_inputs.py" --library "$data"
  [ -f "$data/mix-1000/dance-999.vmd" ] || python3 "$top/bench/gen_inputs.py" --mix 1000 "$data"
  [ -f "$data/mix-10/dance-009.vmd" ] || python3 "$top/bench/gen_inputs.py" --mix 10 "$data"
  model="$data/mix-all.pmx"
  [ -f "$corpus/Gene.pmx" ] && model="$corpus/Gene.pmx"
  PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" <<'PY'
import glob, os, sys
from medians import medians as timed
runs, report, data = int(sys.argv[1]), sys.argv[2], sys.argv[3]
model, library = os.path.join(data, "large.pmx"), os.path.join(data, "library")
files = sorted(glob.glob(os.path.join(library, "*.vmd")))
commands = {
    "velmora-report --summary": [report, "--summary", "--no-alias", model, library],
    "velmora-report --json": [report, "--json", "--no-alias", model, library],
    "cat FILES > /dev/null": ["sh", "-c", 'cat "$@" > /dev/null', "sh"] + files,
    "cat FILES | wc -c": ["sh", "-c", 'cat "$@" | wc -c', "sh"] + files,
}
medians = timed(commands, runs)
size = sum(os.path.getsize(f) for f in files)
null, pipe = medians["cat FILES > /dev/null"], medians["cat FILES | wc -c"]
summary, pages = medians["velmora-report --summary"], medians["velmora-report --json"]
print(f"library: {len(files)} motions, {size} bytes")
print(f"summary / cat > /dev/null: {summary / null:5.2f}x")
print(f"summary / cat | wc -c:     {summary / pipe:5.2f}x   <- target: within 2x")
print(f"pages / cat > /dev/null:   {pages / null:5.2f}x")
print(f"pages / cat | wc -c:       {pages / pipe:5.2f}x")
PY
  echo
  PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" "$model" <<'PY'
import os, sys
from medians import paired
runs, report, data, model = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
folder = os.path.join(data, "mix-1000")
size = sum(os.path.getsize(os.path.join(folder, f)) for f in os.listdir(folder))
print(f"a folder of 1,000 mixed dances ({size} bytes): velmora-report --summary {os.path.basename(model)} FOLDER")
summary = [report, "--summary", "--no-alias", model, folder]
null = paired(summary, ["sh", "-c", 'cat "$0"/*.vmd > /dev/null', folder], runs)
print(f"summary / cat > /dev/null: {null:5.2f}x   <- target: at most 1.5x")
pipe = paired(summary, ["sh", "-c", 'cat "$0"/*.vmd | wc -c', folder], runs)
print(f"summary / cat | wc -c:     {pipe:5.2f}x")
PY
  echo
  # 200 of the mixed dances, for the runs with several models and with the costs.
  mkdir -p "$data/mix-200"
  for f in "$data"/mix-1000/dance-[01]??.vmd; do ln -sf "$f" "$data/mix-200/"; done
  PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" "$model" <<'PY'
import os, sys
from medians import paired
runs, report, data, model = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
folder = os.path.join(data, "mix-200")
models = [model] + [os.path.join(data, m) for m in ("mix-all.pmx", "mix-body.pmx", "mix-hands.pmx")]
print("200 mixed dances: velmora-report --each-model with 4 models against --summary with one")
ratio = paired([report, "--each-model", "--no-alias", folder] + models,
               [report, "--summary", "--no-alias", models[0], folder], runs)
print(f"4 models / 1 model: {ratio:5.2f}x   <- target: at most 1.3x")
PY
  echo
  # The costs: the same 200 on the corpus's Gene.pmx without its semi-standard bones, against Gene.pmx.
  if [ -f "$corpus/Gene.pmx" ]; then
    python3 "$top/tools/strip_pmx_bones.py" "$corpus/Gene.pmx" "$data/bare.pmx" 全ての親 グルーブ 腰 腰キャンセル左 \
      腰キャンセル右 上半身2 左肩P 右肩P 左肩C 右肩C 左腕捩 右腕捩 左腕捩1 左腕捩2 左腕捩3 右腕捩1 右腕捩2 右腕捩3 左手捩 \
      右手捩 左手捩1 左手捩2 左手捩3 右手捩1 右手捩2 右手捩3 左親指０ 右親指０ 両目 左足IK親 右足IK親 左足D 右足D \
      左ひざD 右ひざD 左足首D 右足首D 左足先EX 右足先EX >/dev/null
    PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$data" "$corpus" <<'PY'
import os, sys
from medians import paired
runs, report, data, corpus = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
folder, bare, out = os.path.join(data, "mix-200"), os.path.join(data, "bare.pmx"), os.path.join(data, "fitted")
print("200 mixed dances on Gene.pmx without its semi-standard bones (costs computed) against Gene.pmx")
ratio = paired([report, "--summary", "--no-alias", bare, folder],
               [report, "--summary", "--no-alias", os.path.join(corpus, "Gene.pmx"), folder], runs)
print(f"costs / none: {ratio:5.2f}x   <- target: at most 1.25x")
print("the same: --summary --fit against --summary")
ratio = paired(["sh", "-c", f'rm -rf "{out}"; "{report}" --summary --no-alias --fit "{out}" "{bare}" "{folder}"'],
               [report, "--summary", "--no-alias", bare, folder], runs)
print(f"with folds / costs alone: {ratio:5.2f}x   <- target: at most 2x")
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
commands["cat 10,000 > /dev/null"] = ["sh", "-c", 'cat "$0"/*.vmd > /dev/null', os.path.join(data, "folder-10000")]
commands["cat 10,000 | wc -c"] = ["sh", "-c", 'cat "$0"/*.vmd | wc -c', os.path.join(data, "folder-10000")]
medians = timed(commands, runs)
ratio = medians["--summary, 10,000 in a folder"] / medians["--summary, 1,000 in a folder"]
print(f"10,000 : 1,000 motions in a folder: {ratio:5.2f}x   <- target: at most 12x")
PY
[ $folders_only = 0 ] || exit 0

if command -v valgrind >/dev/null; then
  out=$(mktemp)
  echo
  echo "instructions per key: the summary of 10 mixed dances against $(basename "$model"), the whole process (callgrind)"
  # Exit code 1 (a motion lacks names) is a report, not a failure.
  valgrind --tool=callgrind --callgrind-out-file="$out" "$report" --summary --no-alias "$model" "$data/mix-10" \
    >/dev/null 2>&1 || true
  total=$(callgrind_annotate "$out" 2>/dev/null | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
  keys=$("$report" --summary --json --no-alias "$model" "$data/mix-10" | python3 -c '
import json, sys
print(sum(e.get("bone_keys", 0) + e.get("morph_keys", 0) for e in map(json.loads, sys.stdin) if e.get("kind") == "motion"))')
  echo "  $total instructions, $keys bone and morph keys: $((total / keys)) a key   <- target: at most 100"
  echo "where they go, by function:"
  callgrind_annotate "$out" 2>/dev/null | grep -E '^ *[0-9,]+ \(' | head -n 12
  rm -f "$out"
fi
