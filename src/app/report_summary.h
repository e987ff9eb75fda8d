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
void summary_begin(FILE* out, bool json, bool colour);
// The file just checked (its state fs, its path in UTF-8) and its verdict o: a model's line when the
// file is a model, else a motion's.
void summary_file(const char* path, const FileState* fs, const FileOutcome& o);
// A path of a folder argument that was not examined at all (a folder that cannot be read, a path too
// long): an unread motion, for the reason problem.
void summary_unexamined(const char* path, const char* problem);
// The rows (text), then the totals line.
void summary_end();
