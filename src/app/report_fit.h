// report_fit.h: velmora-report --fit DIR: for every motion with advice it can follow (a renaming to one
// model name of at most 15 bytes: spelling, English name or rig name) or semi-standard bones the model
// lacks that it can fold (report_pose.h), a copy of the motion whose keys carry the model's names
// (vmd_fit.h) and whose folded bones' keys are in the bones the model has, as DIR/NAME for a FILE argument and DIR/RELATIVE-PATH for a
// motion under a FOLDER argument, folders made as needed (DIR too, when the first copy is written). A
// copy is written whole or not at all (report_files.h) and replaces an earlier file of its name only
// with --replace, never one the run wrote itself; inputs are only read.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

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

// ---- Names that never meet ----------------------------------------------------------------------------
//
// Before anything is written, every copy the run may write gets a name of its own: no two motions, and
// no two models' folders, take one name (as the platform compares file names), so a run never writes a
// path twice. report_fit_motion refuses, besides, to write a path it wrote already in the run.

// A motion of the run whose copy --fit may write: rel, the name the copy takes under DIR (the file's
// name for a FILE argument, its path under a FOLDER argument); group, the argument it came from;
// source, that argument (the FOLDER, or the FILE); shown, the motion's path as the user reads it.
struct FitName {
  std::u16string rel;
  int group;
  std::u16string source;
  bool folder;  // source is a FOLDER
  std::string shown;
};
// Where names of two arguments meet, a FILE argument's takes the name of the folder that holds it in
// front (x/a.vmd and y/a.vmd instead of two a.vmd); where names still meet, every name of those FOLDER
// arguments takes the FOLDER's own name in front (lib/a.vmd and other/a.vmd). 0, or 2 with a line on
// err when two names still meet (the same motion given twice, two folders of one name): nothing is
// written then.
int report_fit_unique(FILE* err, std::vector<FitName>* names);
// The folders under DIR the copies for each model go into (--each-model), by the models' paths in their
// places: the model file's name without its extension; where two meet, "NAME (FOLDER)" by the folder
// that holds each model, and where those meet too, "NAME (N)" by the model's place N. 0, or 2 with a
// line on err when two still meet.
int report_fit_model_folders(FILE* err, const std::vector<std::u16string>& models, std::vector<std::u16string>* folders);
