// report_pose.h: velmora-report's measures of a motion on a model that lacks semi-standard bones (the
// pose engine and its folds, pose/fold.h): for each such bone the motion keys off its rest pose, what
// dropping its keys costs; with --fit the fold of its keys into bones the model has, and what the fold
// leaves. The results go into the motion's FileOutcome; the plan of the motion measured last stays here
// for its fitted copy.
//
// Records: the skeleton of the model checked last, the motion's keys and the plan (about 80 MB, taken
// from the heap the first time a motion needs them and kept for the run).
#pragma once
#include <cstdio>

#include "app/report_verdict.h"
#include "formats/vmd_fit.h"

// After a model file's check: takes its skeleton as the pose engine plays it when the model was read
// (read), else forgets it.
void report_pose_model(bool read);
// After a motion's check against the model whose skeleton report_pose_model took: when the motion
// lacks a semi-standard bone (or 両目), loads its bone keys by the spelling that read it (renamed as its
// fitted copy renames them) and measures every such bone the motion keys off rest: its cost, and with
// fold its fold (why WHY_FOLD, "to" the first bone it goes into). Sorts the lacking names by cost within
// their class and sets would_fit again. Does nothing for any other outcome.
void report_pose_motion(FileOutcome* o, bool fold);
// Writes o's fitted and folded copy to out (fold_write), o being the motion report_pose_motion folded
// last (o.folded): bones and morphs the renamings. 0 written; -1 the motion cannot be opened again; -2
// a write failed or the file changed since it was measured.
int report_pose_write(const FileOutcome& o, FILE* out, const VmdRename* bones, int bone_count,
                      const VmdRename* morphs, int morph_count);
