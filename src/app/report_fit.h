// report_fit.h: velmora-report --fit DIR: for every motion with advice it can follow (a renaming to one
// model name of at most 15 bytes: spelling, English name or rig name) or semi-standard bones the model
// lacks that it can fold (report_pose.h), a copy of the motion whose keys carry the model's names
// (vmd_fit.h) and whose folded bones' keys are in the bones the model has, as DIR/NAME for a FILE argument and DIR/RELATIVE-PATH for a
// motion under a FOLDER argument, folders made as needed (DIR too, when the first copy is written). A
// copy is written whole or not at all (report_files.h) and replaces an earlier file of its name only
// with --replace; inputs are only read.
#pragma once
#include <cstdio>
#include <string>

#include "app/report_verdict.h"

// Before the first file: takes dir for the copies (made when the first copy is written), replacing
// earlier files when replace is set. 0, or 2 with a line on err when dir names something that is not a
// folder or is too long.
int report_fit_start(FILE* err, const char16_t* dir, bool replace);
// After the check of a motion o: writes its fitted copy as DIR/REL (o.path.rel), or DIR/SUB/REL when sub
// is given, when some advice can be followed, reading the motion by the spelling that opened it, and
// puts the copy's path (UTF-8) in *fitted ("" when none was written). 0 written or nothing to write; 1
// with a line on err (or, given said, appended to *said instead) when the copy exists already (without
// --replace) or cannot be written.
int report_fit_motion(FILE* err, const FileOutcome& o, const char16_t* sub, std::string* fitted,
                      std::string* said = nullptr);
