#!/usr/bin/env bash
# test.sh: installs what is missing, builds both builds, runs every test: the native unit tests, the
# Win32 tests under Wine and the end-to-end tests that drive velmora.exe, then every fuzz target for 15 s.
# Exits non-zero on any failure.
set -u
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
jobs=$(nproc 2>/dev/null || echo 2)

# How long each phase took, for the log.
phase_start=$SECONDS
phase() { echo "test.sh: $1 took $((SECONDS - phase_start)) s" >&2; phase_start=$SECONDS; }

"$top/scripts/setup.sh" || { echo "test.sh: set-up failed" >&2; exit 1; }
phase set-up

build() {
  cmake --preset "$1" >/dev/null || return 1
  cmake --build --preset "$1" -j "$jobs" || return 1
}
build native || { echo "test.sh: native build failed" >&2; exit 1; }
build win32 || { echo "test.sh: win32 build failed" >&2; exit 1; }
build asan || { echo "test.sh: sanitizer build failed" >&2; exit 1; }
# The libFuzzer targets (clang), for the short fuzz runs at the end.
{ cmake --preset fuzz >/dev/null && cmake --build build/fuzz -j "$jobs"; } || { echo "test.sh: fuzz build failed" >&2; exit 1; }
phase builds

# One Wine prefix and one Xvfb display for this run, shared by every Windows test in it.
. "$top/scripts/winenv.sh"
run_dir="$top/build/wine/run-$$"
winenv_start "$run_dir"
trap 'winenv_stop; rm -rf "$run_dir"' EXIT

status=0
summaries=""
suite() {  # suite NAME CTEST-ARGS...
  local name=$1 log
  shift
  log=$(mktemp)
  ctest --output-on-failure "$@" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" = 0 ] || status=1
  summaries+="$name: $(grep -E 'tests passed|No tests were found' "$log" | tail -n 1)"$'\n'
  rm -f "$log"
}
suite native --test-dir build/native -j "$jobs"
suite sanitizers --test-dir build/asan -j "$jobs"
phase "native and sanitizer tests"
suite wine --test-dir build/win32
phase "Wine tests"

# Short fuzz runs: every target for 15 s, as many at a time as there are cores, from its seeds and
# what earlier short runs kept in build/fuzz-short. A finding fails the run; its input stays in
# build/fuzz-short/TARGET/findings.
fuzzlog=$(mktemp)
"$top/scripts/fuzz-long.sh" -n -t "${VELMORA_FUZZ_SECONDS:-15}" -j "$jobs" -b "$top/build/fuzz" -o "$top/build/fuzz-short" 2>&1 | tee "$fuzzlog"
[ "${PIPESTATUS[0]}" = 0 ] || status=1
summaries+="fuzz: $(grep -c 'no finding' "$fuzzlog") of $(grep -cE '^[a-z]+: ' "$fuzzlog") targets ran without a finding"$'\n'
rm -f "$fuzzlog"
phase "short fuzz runs"

echo
echo "== summary =="
printf '%s' "$summaries"
total_line=$(printf '%s' "$summaries" | awk '
  /tests passed/ { for (i = 1; i <= NF; i++) { if ($i == "failed") f += $(i-3); if ($i == "of") t += $(i+1) } }
  END { printf "%d%% tests passed, %d tests failed out of %d\n", (t ? int(100 * (t - f) / t) : 0), f, t }')
echo "$total_line"
exit $status
