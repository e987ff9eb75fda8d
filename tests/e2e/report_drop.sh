#!/usr/bin/env bash
# velmora-report.exe as a drop target: started in a console of its own, as Explorer starts it for files
# dropped on its icon, it prints the summary the native build prints with --summary and then waits for a
# key with one line in the user's language; with NUL as its input it does not wait. From a command
# prompt (cmd.exe's console, shared) it prints the pages as before. Explorer gives the dropped files in
# an order of its own: a model dropped last is still every motion's model, and two models give the
# table of every model against every motion.
. "$(dirname "$0")/lib.sh"
[ -x "$native_report" ] || fail "no native velmora-report at $native_report"
e2e_inputs
exe=$(e2e_win "$work/dist/velmora-report.exe")
# The native build's summary, pages and exit code (1: the motion lacks names the model has not).
summary=$("$native_report" --summary model.pmx motion.vmd)
want=$?
pages=$("$native_report" model.pmx motion.vmd)
[ $? = 1 ] && [ $want = 1 ] || fail "native exit code $want, wanted 1"

# The library page goes into the temporary folder; the key O opens it: what ShellExecuteW was asked to
# open is logged by the test seam (VELMORA_OPEN_LOG) instead.
got=$(LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 VTOOL_KEY=o VELMORA_OPEN_LOG="$(e2e_win "$PWD/opened.txt")" \
      e2e_vtool console own-console.txt console "$exe" model.pmx motion.vmd) ||
  fail "velmora-report.exe did not end in a console of its own"
[ "$got" = "waited, exit $want" ] || fail "in a console of its own: '$got', wanted 'waited, exit $want'"
[ "$(cat own-console.txt)" = "$summary"$'\n'"O キーでライブラリのページをブラウザで開きます。ほかのキーでこのウィンドウを閉じます。" ] ||
  { diff <(echo "$summary") own-console.txt >&2; fail "in a console of its own: not the summary and the Japanese line"; }
opened=$(tr -d '\r' < opened.txt)
case $opened in *\\velmora-report-*.html) ;; *) fail "the key O opened '$opened', not the library page" ;; esac
page=$(WINEDEBUG=-all wine winepath -u "$opened" 2>/dev/null)
[ -f "$page" ] || fail "the page it opened, $opened, does not exist"
[ "$(tail -c 10 "$page")" = "</script>" ] || fail "the page it opened is not whole"
grep -q '<table id=motions>' "$page" || fail "the page it opened has no table"
echo "report_drop: a console of its own gives the summary, the page, and O opens the page"

got=$(e2e_vtool console no-input.txt nul "$exe" model.pmx motion.vmd) || fail "velmora-report.exe did not end with NUL as input"
[ "$got" = "exit $want" ] || fail "with NUL as input: '$got', wanted 'exit $want'"
[ "$(cat no-input.txt)" = "$summary" ] || { diff <(echo "$summary") no-input.txt >&2; fail "with NUL as input: not the summary alone"; }
echo "report_drop: with NUL as input the summary, and no wait"

got=$(e2e_vtool console command-prompt.txt console cmd.exe /c "$exe" model.pmx motion.vmd) || fail "cmd.exe did not end"
[ "$got" = "exit $want" ] || fail "from a command prompt: '$got', wanted 'exit $want'"
[ "$(cat command-prompt.txt)" = "$pages" ] || { diff <(echo "$pages") command-prompt.txt | head -n 5 >&2; fail "from a command prompt: not the pages"; }
echo "report_drop: from a command prompt the pages, and no wait"

# The model last, as Explorer may give it: the summary with the model first.
got=$(e2e_vtool console model-last.txt nul "$exe" motion.vmd model.pmx) || fail "velmora-report.exe did not end"
[ "$got" = "exit $want" ] || fail "with the model last: '$got', wanted 'exit $want'"
[ "$(cat model-last.txt)" = "$summary" ] || { diff <(echo "$summary") model-last.txt >&2; fail "with the model last: not the summary with the model first"; }
echo "report_drop: a model dropped last is the motions' model"

cp model.pmx second.pmx
table=$("$native_report" --each-model motion.vmd model.pmx second.pmx)
got=$(e2e_vtool console two-models.txt nul "$exe" motion.vmd model.pmx second.pmx) || fail "velmora-report.exe did not end"
[ "$got" = "exit 1" ] || fail "with two models: '$got', wanted 'exit 1'"
[ "$(cat two-models.txt)" = "$table" ] || { diff <(echo "$table") two-models.txt >&2; fail "with two models: not the table of every model"; }
echo "report_drop: two models give the table of every model against every motion"
