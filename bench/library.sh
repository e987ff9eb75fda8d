#!/usr/bin/env bash
# bench/library.sh: the summary of a motion library. On one machine in one run it times, on 200 generated
# motions of the sizes of real dances (10,000 to 40,000 bone keys each, about 550 MB; bench/gen_inputs.py
# --library) checked against one model (large.pmx, 1,000 bones and 500 morphs):
#   velmora-report --summary MODEL FOLDER    one verdict line per motion
#   velmora-report --json MODEL FOLDER       every page, for comparison
#   cat FILES | wc -c                        the floor: reading the files once
# and prints each median and the ratio to the floor (target for the summary: within 2x), then where the
# instructions of the summary of 10 of the motions go (callgrind, when valgrind is there).
# Usage: bench/library.sh [RUNS]   (default 7 runs each)
. "$(dirname "$0")/prepare.sh"
[ -f "$data/library/dance-199.vmd" ] || python3 "$top/bench/gen_inputs.py" --library "$data"

report="$top/build/bench/src/app/velmora-report"
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
if command -v valgrind >/dev/null; then
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" "$report" --summary --no-alias "$data/large.pmx" \
    "$data"/library/dance-00?.vmd >/dev/null 2>&1
  echo
  echo "instructions of the summary of dance-000 to dance-009, by function (callgrind):"
  callgrind_annotate "$out" 2>/dev/null | grep -E '^ *[0-9,]+ \(' | head -n 12
  rm -f "$out"
fi
