// report_pose.h: velmora-report's measures of a motion on a model that lacks semi-standard bones (the
// pose engine and its folds, pose/fold.h): for each such bone the motion keys off its rest pose, what
// dropping its keys costs; with --fit the fold of its keys into bones the model has, and what the fold
// leaves. The results go into the motion's FileOutcome; the plan of the motion measured last stays here
// for its fitted copy.
//
// Records: the skeleton of the model checked last (one per model of --each-model), the motion's keys
// and the plan (about 80 MB, taken from the heap the first time a motion needs them and kept for the run).
#pragma once
#include <cstdio>

#include "app/report_verdict.h"
#include "formats/vmd_fit.h"

// The model the calls below measure on: 0 for a run in order; with --each-model, the model's place
// among the run's models (each keeps its skeleton).
void report_pose_use(int slot);
// After a model file's check: takes its skeleton as the pose engine plays it when the model was read
// (read), else forgets it. The skeleton is made from the PMX reader's record when a motion first needs
// it, so that record must stay the model's till then: report_pose_model_now makes it at once, for a
// model the next model's check follows (--each-model).
void report_pose_model(bool read);
void report_pose_model_now();
// After a motion's check against the model in use: when the motion lacks a semi-standard bone (or
// 両目), loads its bone keys (from the bytes the check kept, else by the spelling that read it; renamed
// as its fitted copy renames them) and measures every such bone the motion keys off rest: its cost, and
// with fold its fold (why WHY_FOLD, "to" the first bone it goes into). Sorts the lacking names by cost
// within their class and sets would_fit again. Does nothing for any other outcome. True when the
// motion needed the pose engine.
bool report_pose_motion(FileOutcome* o, bool fold);
// Whether the motion read next keeps its file in memory for the pose engine (formats/vmd.h): keeping
// costs the check about a fifth more (the file goes to memory the cache does not hold), so it is asked
// for while a model's skeleton is there to measure on and the motion before needed the pose engine
// (wanted; also after a model's check): a library's motions tend to be alike, and a motion that needs it
// unkept is read again.
void report_pose_keep(bool wanted);
// Writes o's fitted and folded copy to out (fold_write), o being the motion report_pose_motion folded
// last (o.folded): bones and morphs the renamings. 0 written; -1 the motion cannot be opened again; -2
// a write failed or the file changed since it was measured.
int report_pose_write(const FileOutcome& o, FILE* out, const VmdRename* bones, int bone_count,
                      const VmdRename* morphs, int morph_count);
