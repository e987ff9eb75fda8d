# bench/prepare.sh: sourced by the benchmark scripts. Installs what is missing, builds the bench preset
# (optimised velmora-report and the Google Benchmark cases) and writes the large inputs into $data
# (build/bench/data) unless they are there. Sets top, runs (the first argument, default 7) and data.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
cd "$top"
"$top/scripts/setup.sh"
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
data="$top/build/bench/data"
mkdir -p "$data"
[ -f "$data/large.vmd" ] && [ -f "$data/large.pmx" ] || python3 "$top/bench/gen_inputs.py" "$data"
