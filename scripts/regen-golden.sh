#!/usr/bin/env bash
# regen-golden.sh: after a deliberate change of the report, rewrites the golden JSON reports in
# tests/golden with the native velmora-report (built here with the native preset). The corpus reports
# come from the shared corpus the native build uses: its VELMORA_CORPUS_DIR, else the environment
# variable of that name, else ../shared/corpus beside the checkout. Review the result with
# `git diff tests/golden`; golden.reports (in `ctest --preset native`) then compares against it.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ $# -gt 0 ]; then
  echo "usage: scripts/regen-golden.sh" >&2
  exit 2
fi
jobs=$(nproc 2>/dev/null || echo 2)
if ! { cmake --preset native >/dev/null && cmake --build --preset native -j "$jobs" --target velmora-report >/dev/null; }; then
  echo "regen-golden: the build failed; run 'cmake --build --preset native' to see why" >&2
  exit 1
fi
corpus=$(sed -n 's/^VELMORA_CORPUS_DIR:PATH=//p' build/native/CMakeCache.txt)
[ -n "$corpus" ] || corpus=${VELMORA_CORPUS_DIR:-$top/../shared/corpus}
[ -d "$corpus" ] || corpus=""
exec bash tests/golden/check.sh --update build/native/src/app/velmora-report build/native/golden-inputs ${corpus:+"$corpus"}
