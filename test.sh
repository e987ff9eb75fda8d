#!/usr/bin/env bash
# test.sh [PART...]: installs what is missing, builds what the parts need and runs their tests. Without
# a part it runs them all. Exits non-zero on any failure.
#   native   the unit and golden tests natively and under AddressSanitizer and UBSan (native, asan)
#   win32    the Win32 tests under Wine and the end-to-end tests that drive velmora.exe (win32)
#   fuzz     every fuzz target for 15 s (VELMORA_FUZZ_SECONDS), from its seeds (fuzz)
# Each part builds its presets (CMakePresets.json) and runs their test presets.
set -u
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
jobs=$(nproc 2>/dev/null || echo 2)
usage="usage: ./test.sh [native|win32|fuzz]..."

run_native=0 run_win32=0 run_fuzz=0
[ $# -gt 0 ] || set -- native win32 fuzz
for part in "$@"; do
  case $part in
    native) run_native=1 ;;
    win32) run_win32=1 ;;
    fuzz) run_fuzz=1 ;;
    -h|--help) echo "$usage"; exit 0 ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done

# How long each phase took, for the log.
phase_start=$SECONDS
phase() { echo "test.sh: $1 took $((SECONDS - phase_start)) s" >&2; phase_start=$SECONDS; }

"$top/scripts/setup.sh" || { echo "test.sh: set-up failed" >&2; exit 1; }
phase set-up

build() {  # build PRESET
  cmake --preset "$1" >/dev/null || return 1
  cmake --build --preset "$1" -j "$jobs" || return 1
}
if [ $run_native = 1 ]; then
  build native || { echo "test.sh: native build failed" >&2; exit 1; }
fi
if [ $run_win32 = 1 ]; then
  # Builds velmora-report for this machine too (build/win32/native-tool), for the end-to-end tests.
  build win32 || { echo "test.sh: win32 build failed" >&2; exit 1; }
fi
if [ $run_native = 1 ]; then
  build asan || { echo "test.sh: sanitizer build failed" >&2; exit 1; }
fi
if [ $run_fuzz = 1 ]; then
  # The libFuzzer targets (clang), for the short fuzz runs at the end.
  build fuzz || { echo "test.sh: fuzz build failed" >&2; exit 1; }
fi
phase builds

status=0
summaries=""
suite() {  # suite NAME CTEST-ARGS...
  local name=$1 log
  shift
  log=$(mktemp)
  ctest "$@" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
  summaries+="$name: $(grep -E 'tests passed|No tests were found' "$log" | tail -n 1)"$'\n'
  rm -f "$log"
}
if [ $run_native = 1 ]; then
  suite native --preset native -j "$jobs"
  suite sanitizers --preset asan -j "$jobs"
  phase "native and sanitizer tests"
fi

if [ $run_win32 = 1 ]; then
  # One Wine prefix and one Xvfb display for this run, shared by every Windows test in it.
  . "$top/scripts/winenv.sh"
  run_dir="$top/build/wine/run-$$"
  winenv_start "$run_dir"
  trap 'winenv_stop; rm -rf "$run_dir"' EXIT
  suite wine --preset win32
  phase "Wine tests"
fi

if [ $run_fuzz = 1 ]; then
  # Short fuzz runs: every target for 15 s, as many at a time as there are cores, from its seeds and
  # what earlier short runs kept in build/fuzz-short. A finding fails the run; its input stays in
  # build/fuzz-short/TARGET/findings.
  fuzzlog=$(mktemp)
  "$top/scripts/fuzz-long.sh" -n -t "${VELMORA_FUZZ_SECONDS:-15}" -j "$jobs" -b "$top/build/fuzz" -o "$top/build/fuzz-short" 2>&1 | tee "$fuzzlog"
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
  summaries+="fuzz: $(grep -c 'no finding' "$fuzzlog") of $(grep -cE '^[a-z]+: ' "$fuzzlog") targets ran without a finding"$'\n'
  rm -f "$fuzzlog"
  phase "short fuzz runs"
fi

echo
echo "== summary =="
printf '%s' "$summaries"
if [ $run_native = 1 ] || [ $run_win32 = 1 ]; then
  total_line=$(printf '%s' "$summaries" | awk '
    /tests passed/ { for (i = 1; i <= NF; i++) { if ($i == "failed") f += $(i-2); if ($i == "of") t += $(i+1) } }
    END { printf "%d%% tests passed, %d tests failed out of %d\n", (t ? int(100 * (t - f) / t) : 0), f, t }')
  echo "$total_line"
fi
exit $status
