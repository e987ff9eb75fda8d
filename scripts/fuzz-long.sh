#!/usr/bin/env bash
# fuzz-long.sh: runs the libFuzzer targets (fuzz/) for as long as asked and keeps what they find.
#
#   scripts/fuzz-long.sh [-t SECONDS] [-j JOBS] [-b BUILD_DIR] [-o OUT_DIR] [-n] [TARGET...]
#
#   -t SECONDS   time per target (default 600)
#   -j JOBS      targets run at the same time (default 1; the machine's cores are shared)
#   -b DIR       the fuzz build (default build/fuzz, configured and built with `cmake --preset fuzz`)
#   -o DIR       where runs keep their results (default build/fuzz-runs):
#                  DIR/<target>/corpus     the corpus, grown by every run (seeds stay in the build)
#                  DIR/<target>/findings   crash-*, timeout-*, oom-* and leak-* inputs
#                  DIR/<target>/log        the last run's output
#   -n           do not configure or build; use what DIR holds
#   TARGET...    only these targets (default: every target the build lists)
#
# Each target runs with its own input size limit, a 10 s limit per input, and starts from the seeds and
# the kept corpus. At the end one line per target gives its executions, coverage and speed, read from
# libFuzzer's final lines. Exit code 0 when no target found anything, 1 when one did, 2 on a usage or
# build error.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=600
jobs=1
build="$top/build/fuzz"
out="$top/build/fuzz-runs"
do_build=1
while getopts "t:j:b:o:n" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    j) jobs=$OPTARG ;;
    b) build=$OPTARG ;;
    o) out=$OPTARG ;;
    n) do_build=0 ;;
    *) sed -n '2,20p' "$0" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

if [ $do_build = 1 ]; then
  cmake --preset fuzz -S "$top" -B "$build" >/dev/null || { echo "fuzz-long: configure failed" >&2; exit 2; }
  cmake --build "$build" -j 2 >/dev/null || { echo "fuzz-long: build failed" >&2; exit 2; }
fi
list="$build/fuzz/fuzz-targets.txt"
[ -f "$list" ] || { echo "fuzz-long: no target list at $list (build the fuzz preset)" >&2; exit 2; }

# name executable max_len seeds, from the build's list, filtered by the arguments.
declare -a names=() exes=() lens=() seeds=()
while read -r name exe len seed; do
  [ -n "$name" ] || continue
  if [ $# -gt 0 ]; then
    want=0
    for t in "$@"; do [ "$t" = "$name" ] && want=1; done
    [ $want = 1 ] || continue
  fi
  names+=("$name") exes+=("$exe") lens+=("$len") seeds+=("$seed")
done < "$list"
[ ${#names[@]} -gt 0 ] || { echo "fuzz-long: no such target: $*" >&2; exit 2; }

run_one() {  # run_one INDEX
  local i=$1 name=${names[$1]}
  local dir="$out/$name"
  mkdir -p "$dir/corpus" "$dir/findings"
  "${exes[$i]}" -max_total_time="$seconds" -max_len="${lens[$i]}" -timeout=10 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$dir/findings/" "$dir/corpus" "${seeds[$i]}" > "$dir/log" 2>&1
  echo $? > "$dir/exit"
}

mkdir -p "$out"
echo "fuzz-long: ${#names[@]} targets, ${seconds} s each, $jobs at a time; results in $out" >&2
running=0
for i in "${!names[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
  echo "fuzz-long: $(date +%T) starting ${names[$i]}" >&2
  run_one "$i" &
  running=$((running + 1))
done
wait

status=0
for i in "${!names[@]}"; do
  name=${names[$i]}
  dir="$out/$name"
  rc=$(cat "$dir/exit" 2>/dev/null || echo 1)
  last=$(grep -E '^#[0-9]+' "$dir/log" | tail -n 1)
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -n 1)
  cov=$(echo "$last" | sed -n 's/.*cov: \([0-9]*\) ft: \([0-9]*\).*/cov: \1 ft: \2/p')
  corp=$(echo "$last" | sed -n 's/.*corp: \([^ ]*\).*/corp: \1/p')
  if [ "$rc" != 0 ]; then
    status=1
    echo "$name: FINDING (exit $rc) after ${execs:-?} executions; $(grep -m1 -E 'ERROR|FUZZ_CHECK|runtime error' "$dir/log"); inputs in $dir/findings"
  else
    echo "$name: ${execs:-?} executions, ${cov:-cov: ?}, ${corp:-corp: ?}, ${speed:-?} exec/s, no finding"
  fi
  echo "  last: $last"
done
exit $status
