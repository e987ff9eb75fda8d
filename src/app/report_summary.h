// report_summary.h: velmora-report --summary: one line per file instead of its page, from the same run
// state the page is written from, and a totals line at the end.
//
//   header:  verdict  bone keys  morph keys  bones  morphs  last frame  file
//   motion:  VERDICT  BONE-KEYS  MORPH-KEYS  BONES  MORPHS  LAST-FRAME  PATH
//            then for a cut file "    cut in the BLOCK after N of M"; when the target model lacks names,
//            "    bones:" and "    morphs:" with those names, each marked with its class unless it is
//            "other"; one line "        NAME → MODEL-NAME (why)" per advice that names a model name;
//            "    fitted copy: PATH" for a copy --fit wrote
//   model:   model  DISPLAY-NAME  BONES  MORPHS  PATH    (a cut model: "cut", and the line of the cut)
//   totals:  totals: N motions, F fit, L lack names (R would fit after renaming), M no model, C cut,
//            U unread
//
// VERDICT is "fits", "lacks N bones, M morphs", "no model", "cut" or "unread" (report_verdict.h). Text
// rows are kept until the end, so that their columns line up by display width (a full-width character
// takes two columns); JSON Lines go out at once.
#pragma once
#include <cstdio>

#include "app/report_verdict.h"
#include "app/run.h"

// Starts a summary on out: JSON Lines or text, text verdicts coloured or not.
void report_summary_begin(FILE* out, bool json, bool colour);
// A file's line: a model's when the file is a model, else a motion's (a path that was not examined at
// all is an unread motion of kind other).
void report_summary_file(const FileOutcome& o);
// The rows (text), then the totals line.
void report_summary_end();
