#!/usr/bin/env bash
# make-library-picture.sh: the library page shown in README.md, docs/library-page.png. A real-looking
# library made from the shared corpus (tests/browser/make_library.sh: folders with Japanese names,
# motions spelled as other tools export them, a broken download, a file that is no motion, one motion
# before the model), checked by the native velmora-report with --summary --json --fit --png; the page
# written from that JSON by tests/browser/make_page (until velmora-report writes it with --html), and
# photographed in headless Chromium at 1200 x 720 with the rows of 22_apology-unity.vmd and of the broken
# download opened (the page links the pictures of --png; the photograph leaves them out). Build
# the native preset first.
#   scripts/make-library-picture.sh [CORPUS-DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-$top/../shared/corpus}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$top/tests/browser/make_library.sh" "$top/build/native/src/app/velmora-report" "$corpus" "$work"
(cd "$work" && "$top/build/native/tests/browser/make_page" --date "2025-12-08 14:03" page.html run.jsonl)
mkdir -p "$top/docs"
node "$top/tests/browser/shot.js" "$work/page.html" "$top/docs/library-page.png" 1200 720 "" 2 8
echo "docs/library-page.png: $(identify -format '%w x %h' "$top/docs/library-page.png")"
