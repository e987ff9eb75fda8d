#!/usr/bin/env bash
# bench/html_page.sh [RUNS]: the library page of 10,000 motions (app/report_html.h), measured:
#   - bytes per motion of the page, and what they are made of (the embedded JSON Lines, the table, the
#     rows' details, the rest), for a made-up library with real-looking paths and a mix of verdicts
#     (bench/gen_library_json.py) and for the real --json summary of 10,000 small generated motions
#     (bench/gen_inputs.py --folder 10000) checked against the corpus's Gene.pmx (target: 400 bytes);
#   - the time report_html_write takes for each (make_page --time, the median of RUNS), against the
#     median time of the run that printed that JSON, velmora-report --summary --json (target: the
#     page's writing within 1.2x of that run, i.e. --html adding at most a fifth);
#   - in headless Chromium (bench/html_page.js): the first paint, the load and the script's readiness
#     (target: the table shown within 1 s), a sort by bone keys and its reverse (target: within 300 ms).
# Uses the native preset (velmora-report and make_page, -O2); the inputs go to build/bench-html.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-7}
cd "$top"
"$top/scripts/setup.sh"
cmake --preset native >/dev/null
cmake --build --preset native -j 2 --target velmora-report make_page >/dev/null
corpus=${VELMORA_CORPUS_DIR:-$top/../shared/corpus}
data="$top/build/bench-html"
mkdir -p "$data"
[ -f "$data/folder-10000/clip-09999.vmd" ] || python3 "$top/bench/gen_inputs.py" --folder 10000 "$data"
python3 "$top/bench/gen_library_json.py" 10000 "$data/made-up.jsonl"
report="$top/build/native/src/app/velmora-report"
make_page="$top/build/native/tests/browser/make_page"
(cd "$data" && "$report" --summary --json --no-alias "$corpus/Gene.pmx" folder-10000 > real.jsonl) || true

PYTHONPATH="$top/bench" python3 - "$runs" "$report" "$make_page" "$data" "$corpus" <<'PY'
import os, re, statistics, subprocess, sys
from medians import medians as timed
runs, report, make_page, data, corpus = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5]
os.chdir(data)
json_run = timed({"velmora-report --summary --json, 10,000 motions":
                  ["sh", "-c", f'"{report}" --summary --json --no-alias "{corpus}/Gene.pmx" folder-10000 > /dev/null']},
                 runs)["velmora-report --summary --json, 10,000 motions"]
for name in ("made-up", "real"):
    page = f"{name}.html"
    writes = []
    for _ in range(runs + 1):
        out = subprocess.run([make_page, "--time", page, f"{name}.jsonl"], capture_output=True, text=True,
                             check=True).stdout
        writes.append(float(out.split()[0]))
    write = statistics.median(writes[1:])
    html = open(page, "rb").read()
    motions = html.count(b"<tr\ndata-verdict")
    part = lambda a, b: len(re.search(a + rb".*?" + b, html, re.S).group(0))
    run_json = part(rb"<script type=application/json id=run-json>", rb"</script>")
    table = part(rb"<tbody>", rb"</tbody>")
    details = part(rb"<script type=application/json id=page-data>", rb"</script>")
    print(f"{page}: {len(html):,} bytes, {motions:,} motions: {len(html) / motions:.0f} bytes per motion "
          f"(target: 400)")
    print(f"  the run's JSON Lines {run_json / motions:.0f}, the table {table / motions:.0f}, "
          f"the details and labels {details / motions:.0f}, the rest {(len(html) - run_json - table - details) / motions:.1f}")
    print(f"  report_html_write: median {write:.1f} ms = {write / 1000 / json_run:.3f}x the --json summary run "
          f"of {json_run * 1000:.0f} ms (target: the run with the page within 1.2x)")
PY
for page in made-up real; do node "$top/bench/html_page.js" "$data/$page.html" 5; done
