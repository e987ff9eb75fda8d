#!/usr/bin/env bash
# make-library-picture.sh: the library page shown in README.md, docs/library-page.png. A real-looking
# library made from the shared corpus (tests/browser/make_library.sh: folders with Japanese names,
# motions spelled as other tools export them, a broken download, a file that is no motion, one motion
# before the model), checked by the native velmora-report with --summary --fit --html, and its page
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
mkdir -p "$top/docs"
# The page photographed: the same run without pictures, so that the opened rows show their advice.
(cd "$work" && "$top/build/native/src/app/velmora-report" --summary --no-alias --replace --fit fitted \
  --html shot.html --lang en intro/stand.vmd Gene.pmx library > /dev/null 2>&1) || true
node "$top/tests/browser/shot.js" "$work/shot.html" "$top/docs/library-page.png" 1200 720 "" 2 8
echo "docs/library-page.png: $(identify -format '%w x %h' "$top/docs/library-page.png")"
