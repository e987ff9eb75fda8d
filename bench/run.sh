#!/usr/bin/env bash
# bench/run.sh: the whole-process benchmark. On one machine in one run it times, on the large generated
# motion (1,000,000 bone keys, 200,000 morph keys):
#   velmora-report --json FILE      the check
#   cat FILE | wc -c                the floor: reading the file once through a pipe
#   cat FILE > /dev/null            reading it once into memory (a third of the pipe's cost)
#   node mmd_parser_read.js FILE    a peer reader of the format (npm package mmd-parser under Node.js)
# and prints each median, the ratios and velmora-report's peak memory; then runs the Google
# Benchmark cases of the hot routines and of the pose engine's folds (bench_pose.cpp). Usage:
# bench/run.sh [RUNS]   (default 7 runs each)
. "$(dirname "$0")/prepare.sh"
node_dir="$top/build/bench/node"
if [ ! -d "$node_dir/node_modules/mmd-parser" ]; then
  mkdir -p "$node_dir"
  (cd "$node_dir" && npm install --silent --no-audit --no-fund --no-save mmd-parser@1.0.4 >/dev/null)
fi
cp "$top/bench/mmd_parser_read.js" "$node_dir/"

report="$top/build/bench/src/app/velmora-report"
motion="$data/large.vmd"
PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$motion" "$node_dir" <<'PY'
import os, sys
from medians import medians as timed
runs, report, motion, node_dir = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
commands = {
    "velmora-report --json": [report, "--json", "--no-alias", motion],
    "cat FILE | wc -c": ["sh", "-c", 'cat "$0" | wc -c', motion],
    "cat FILE > /dev/null": ["sh", "-c", 'cat "$0" > /dev/null', motion],
    "mmd-parser (Node.js)": ["node", os.path.join(node_dir, "mmd_parser_read.js"), motion],
}
medians = timed(commands, runs)
# Peak memory of one more run of the check alone.
pid = os.fork()
if pid == 0:
    fd = os.open(os.devnull, os.O_WRONLY)
    os.dup2(fd, 1)
    os.execv(report, [report, "--json", "--no-alias", motion])
_, status, usage = os.wait4(pid, 0)
size = os.path.getsize(motion)
v, floor, peer = medians["velmora-report --json"], medians["cat FILE | wc -c"], medians["mmd-parser (Node.js)"]
print(f"motion: {size} bytes")
print(f"velmora-report / floor:      {v / floor:6.2f}x   (target: at most 1x)")
print(f"velmora-report / cat > /dev/null: {v / medians['cat FILE > /dev/null']:6.2f}x")
print(f"mmd-parser / velmora-report: {peer / v:6.1f}x   (target: at least 30x)")
print(f"velmora-report peak memory:  {usage.ru_maxrss / 1024:6.1f} MiB (target: below 16 MiB)")
PY
echo
"$top/build/bench/bench/velmora_bench" --benchmark_min_time=0.2
"$top/build/bench/bench/velmora_bench_pose" --benchmark_min_time=0.2
