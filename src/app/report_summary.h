// report_summary.h: velmora-report --summary: one line per file instead of its page, from the same run
// state the page is written from, and a totals line at the end.
//
//   header:  verdict  bone keys  morph keys  bones  morphs  last frame  file
//   motion:  VERDICT  BONE-KEYS  MORPH-KEYS  BONES  MORPHS  LAST-FRAME  PATH
//            then, when the target model lacks names, "    bones:" and "    morphs:" with those names,
//            each marked with its class unless it is "other"; one line "        NAME → MODEL-NAME (why)"
//            per advice that names a model name; "    fitted copy: PATH" for a copy --fit wrote
//   model:   model  DISPLAY-NAME  BONES  MORPHS  PATH
//   totals:  totals: N motions, F fit, L lack names (R would fit after renaming), M no model, U unread
//
// VERDICT is "fits", "lacks N bones, M morphs", "no model" or "unread". Text rows are kept until the end,
// so that their columns line up by display width (a full-width character takes two columns); JSON Lines
// go out at once.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "app/run.h"
#include "check/advice.h"
#include "check/listing.h"

// What velmora-report found out about a motion besides the run's state.
struct SummaryMotion {
  ListingTally tally;           // what its page lists
  std::vector<Advice> advice;   // one per name the page colours as lacking, bones first
  std::string fitted;           // the path of the fitted copy --fit wrote (UTF-8), or ""
};

// Starts a summary on out: JSON Lines or text, text verdicts coloured or not.
void summary_begin(FILE* out, bool json, bool colour);
// The file just checked (its state fs, its path in UTF-8): a motion's line, or a model's when the file
// was a model. problem is why the file was not read (as standard error says), or nullptr. motion is
// what was found out about a motion (unused for a model).
void summary_file(const char* path, const FileState* fs, const char* problem, const SummaryMotion& motion);
// A path of a folder argument that was not examined at all (a folder that cannot be read, a path too
// long): an unread motion.
void summary_unexamined(const char* path);
// The rows (text), then the totals line.
void summary_end();
