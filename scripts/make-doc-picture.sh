#!/usr/bin/env bash
# make-doc-picture.sh: the report page shown in README.md, docs/report-page.png. It is the picture that
# the native velmora-report --png draws for the shared corpus's 02_laugh.vmd checked against Gene.pmx
# (the second file of the run, so the second picture), run from the corpus directory so that the path
# line shows the bare name. Build the native preset first.
#   scripts/make-doc-picture.sh [CORPUS-DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-$top/../shared/corpus}
report=$top/build/native/src/app/velmora-report
pages=$(mktemp -d)
trap 'rm -rf "$pages"' EXIT
(cd "$corpus" && "$report" --no-alias --png "$pages/out" Gene.pmx 02_laugh.vmd >/dev/null)
mkdir -p "$top/docs"
cp "$pages/out/0002-02_laugh.vmd.png" "$top/docs/report-page.png"
echo "docs/report-page.png: $(identify -format '%w x %h' "$top/docs/report-page.png")"
