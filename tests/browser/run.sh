#!/usr/bin/env bash
# run.sh MAKE_PAGE VELMORA_REPORT CORPUS: the library page's browser test (CTest's browser.library_page).
# Makes a real-looking library from the corpus and velmora-report's runs and pages over it
# (make_library.sh: English, Japanese, one column per model), writes the hostile fixture's page with
# make_page (names no file system holds: "/" in a file name, a link that names a scheme),
# then opens them in headless Chromium (page_test.js). Needs scripts/setup.sh's chromium and
# tests/browser/node_modules. Exit code 77 (skipped) without the corpus.
set -euo pipefail
make_page=$(realpath "$1") report=$(realpath "$2") corpus=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "$corpus" ] || [ ! -f "$corpus/Gene.pmx" ]; then
  echo "browser test: no shared corpus (VELMORA_CORPUS_DIR); skipped" >&2
  exit 77
fi
[ -d "$here/node_modules/puppeteer-core" ] || { echo "browser test: $here/node_modules is missing: run scripts/setup.sh" >&2; exit 1; }
[ -x "${VELMORA_CHROMIUM:-/usr/bin/chromium}" ] || { echo "browser test: no chromium: run scripts/setup.sh" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/make_library.sh" "$report" "$corpus" "$work"
cp "$here/hostile.jsonl" "$work/"
(
  cd "$work"
  "$make_page" --date "2025-12-08 14:03" --png //evil.example/p hostile.html hostile.jsonl
)
node "$here/page_test.js" "$work"
