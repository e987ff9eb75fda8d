// report_verdict.h: velmora-report's verdict on a file, the one answer its page, its summary line, its
// JSON and its exit code give: what kind of file it is, whether it was read whole, and for a motion
// whether the target model has every name its page lists.
//
//   fits       a motion read whole whose every listed name the model has
//   lacks      a motion read whole that names bones or morphs the model lacks
//   no model   a motion read whole, checked without a model
//   cut        a motion or model that ends inside a block (or a model stopped by a structural fault):
//              read up to its last whole record
//   unread     a file that could not be read: missing, not of its format, cut in its header, of
//              another kind
//   model      a model read whole
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/run.h"
#include "check/advice.h"
#include "check/listing.h"
#include "formats/read_end.h"

enum ToolVerdict : int { VERDICT_FITS, VERDICT_LACKS, VERDICT_NO_MODEL, VERDICT_CUT, VERDICT_UNREAD, VERDICT_MODEL };
enum ToolKind : int { KIND_MOTION, KIND_MODEL, KIND_OTHER };

// A file's verdict with what it rests on.
struct FileOutcome {
  int kind;                    // a ToolKind, by the file's extension
  int verdict;                 // a ToolVerdict
  std::string error;           // why an unread or cut file is so (UTF-8), or ""
  ReadEnd end;                 // how the file ended (BLOCK_NONE for a file no reader read)
  ListingTally tally;          // what a motion's page lists
  std::vector<Advice> advice;  // one per name the page colours as lacking, bones first
  std::string fitted;          // the path of the fitted copy --fit wrote (UTF-8), or ""
};

// The verdict of the file the run checked last (its state fs), with the tally and advice of a motion.
void verdict_of(const FileState* fs, FileOutcome* out);

// The words of the verdicts and kinds, as the summary and JSON give them.
const char* verdict_word(int verdict);
const char* verdict_kind_word(int kind);
// The colour velmora-report gives a verdict, packed as the page packs its colours: white fits and model,
// orange lacks, grey no model, magenta cut, red unread.
uint32_t verdict_colour(int verdict);
// The verdict as one line of text: "fits", "lacks N bones, M morphs", "no model", "cut in the bone keys
// after 9,008 of 20,657", "unread: REASON", "model".
std::string verdict_text(const FileOutcome& o);
// JSON: the "cut" value: null, or {"in":BLOCK,"read":N,"declared":M} ("declared" null when the file
// ended before the count; "fault" added for a model's structural fault).
std::string verdict_cut_json(const FileOutcome& o);
