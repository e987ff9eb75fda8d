// report_summary.h: velmora-report --summary: one line per file instead of its page, from each file's
// FileOutcome, and the totals at the end.
//
//   header:  verdict  bone keys  morph keys  bones  morphs  last frame  file
//   motion:  VERDICT  BONE-KEYS  MORPH-KEYS  BONES  MORPHS  LAST-FRAME  PATH
//            then for a cut file "    cut in the BLOCK after N of M"; when the target model lacks names,
//            "    bones:" and "    morphs:" with those that lack by class (standard, semi-standard,
//            finger, expression), each marked with its class, then "    extra bones:" and
//            "    extra morphs:" with those of class other (eight names a line at most, then
//            "and N more"); one line
//            "        NAME → MODEL-NAME (why)" per advice that names a model name, and
//            "        NAME → ? one of: A, B, C (ambiguous)" per ambiguous one (eight shown at most, then
//            "and N more"); for a semi-standard bone the model lacks, "        NAME: 4.2 units, 40° at
//            右手首, frame 518 if dropped" and with --fit "        NAME → 上半身 (fold, within 0.41 units)";
//            "    fitted copy: PATH" for a copy --fit wrote
//   model:   model  DISPLAY-NAME  BONES  MORPHS  PATH    (a cut model: "cut", and the line of the cut)
//            then "    N bone names longer than 15 bytes: A, B (first 15 bytes shared), ..." and the same
//            for morphs: the names no motion can name whole (eight shown at most, then "and N more")
//   totals:  totals: N motions, F fit, E extras, L lack names (R would fit after fitting), M no model,
//            C camera, Y empty, X cut, U unread
//            With two models or more, one such line per model ("totals for NAME (PATH): ..."), and one for
//            the motions checked without a model ("totals without a model: ...") when there are any.
//
// VERDICT is report_verdict_text's; a camera motion's last frame is that of its camera, light and
// self-shadow keys. Text rows are kept until the end, so that their columns line up by display width
// (a full-width character takes two columns); JSON Lines go out at once.
//
// Every model against every motion (--each-model):
//   models:  model N: DISPLAY-NAME (B bones, M morphs)  PATH    one line per model, N its place from 1
//   header:  model 1  model 2  ...  file
//   motion:  CELL     CELL     ...  PATH      a cell: fits, extras B/M, lacks B/M, would fit, no model,
//                                             camera, empty, cut or unread (lacks: the bones and
//                                             morphs that lack; extras: the extra ones)
//   totals:  one line per model, "totals for model N (DISPLAY-NAME): ..."
// and in JSON the models' entries, one object per motion with "models": [one object per model], then one
// totals object per model.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "app/report_verdict.h"

// Starts a summary on out (nullptr: printed nowhere): JSON Lines or text, text verdicts coloured or not.
// json_copy (may be null) gets the JSON Lines too, as --json prints them, whatever out gets.
void report_summary_begin(FILE* out, bool json, bool colour, std::string* json_copy);
// A file's line: a model's when the file is a model, else a motion's (a path that was not examined at
// all is an unread motion of kind other). A motion counts towards the totals of the model it was
// checked against (o.model.place).
void report_summary_file(const FileOutcome& o);
// Every model against every motion: the models, in their places, before the first motion.
void report_summary_models(const std::vector<FileOutcome>& models);
// Every model against every motion: one motion's outcomes, one per model in the models' order.
void report_summary_cells(const std::vector<FileOutcome>& cells);
// The rows (text), then the totals.
void report_summary_end();
