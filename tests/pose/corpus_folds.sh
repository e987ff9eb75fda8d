#!/usr/bin/env bash
# corpus_folds.sh VELMORA_REPORT CORPUS: the shared corpus's real motions fitted to its model without the
# model's semi-standard bones (tools/strip_pmx_bones.py): velmora-report --fit folds them; each copy is
# read by a second reader (npm mmd-parser, from tests/browser/node_modules) with the bone and morph key
# counts velmora-report gives it, and fits the model. The folds' figures at every frame are the pose
# tests' (tests/pose). Exit code 77 (skipped) without the corpus.
set -euo pipefail
report=$(realpath "$1") corpus=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
[ -n "$corpus" ] && [ -f "$corpus/Gene.pmx" ] || { echo "corpus folds: no shared corpus; skipped" >&2; exit 77; }
modules="$top/tests/browser/node_modules"
[ -d "$modules/mmd-parser" ] || { echo "corpus folds: $modules/mmd-parser is missing: run scripts/setup.sh" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
semi=(全ての親 グルーブ 腰 腰キャンセル左 腰キャンセル右 上半身2 左肩P 右肩P 左肩C 右肩C 左腕捩 右腕捩 左腕捩1
      左腕捩2 左腕捩3 右腕捩1 右腕捩2 右腕捩3 左手捩 右手捩 左手捩1 左手捩2 左手捩3 右手捩1 右手捩2 右手捩3
      左親指０ 右親指０ 両目 左足IK親 右足IK親 左足D 右足D 左ひざD 右ひざD 左足首D 右足首D 左足先EX 右足先EX)
python3 "$top/tools/strip_pmx_bones.py" "$corpus/Gene.pmx" bare.pmx "${semi[@]}" >/dev/null
"$report" --summary --no-alias --fit fitted bare.pmx "$corpus"/*.vmd > summary.txt 2>&1 || true
grep -q "(fold, within " summary.txt || { cat summary.txt >&2; echo "FAIL: no fold" >&2; exit 1; }
copies=0
for copy in fitted/*.vmd; do
  [ -f "$copy" ] || continue
  copies=$((copies + 1))
  peer=$(NODE_PATH="$modules" node "$top/bench/mmd_parser_read.js" "$copy")
  line=$("$report" --summary --json --no-alias bare.pmx "$copy" | grep '"bone_keys"')
  ours=$(echo "$line" | sed 's/.*"bone_keys":\([0-9]*\),"morph_keys":\([0-9]*\).*/\1 \2/')
  [ "$peer" = "$ours" ] || { echo "FAIL: $copy: mmd-parser reads $peer keys, velmora-report $ours" >&2; exit 1; }
  echo "$line" | grep -q '"verdict":"fits"' || { echo "FAIL: $copy does not fit the model: $line" >&2; exit 1; }
  echo "corpus folds: $(basename "$copy"): $ours keys by both readers, and it fits"
done
[ $copies -gt 0 ] || { echo "FAIL: no copy written" >&2; exit 1; }
