// fold.h: what a motion loses on a model that lacks semi-standard bones, and the folds that keep it.
//
// For every bone the motion keys with values other than rest that the model lacks (after the run's
// renamings) and that is semi-standard (check/rigs.h), or is 両目: what dropping its keys costs, and,
// where the fold table has a fold for it and the model has the bones it goes into, the fold: new keys
// for those bones so that every other bone the model has keeps its world pose.
//
// The fold table (both sides where a bone has sides):
//   全ての親     into every root the model has under it (センター, 足ＩＫ or 足IK親, any other)  exact
//   足IK親       into 足ＩＫ                                                                exact
//   グルーブ     into センター                                                              exact
//   腰           into グルーブ, or センター without one (腰キャンセル's cancel is dropped: the legs
//                are posed by IK)                                                            exact
//   肩P          into 肩; 肩C's cancel into 腕                                                exact
//   肩C          into 腕                                                                     exact
//   腕捩         into 腕 (exact when the twist turns about the arm line)                     exact
//   手捩         into 手首 (exact when the twist turns about the forearm line)               exact
//   両目         into 左目 and 右目                                                          exact
//   足D, ひざD, 足首D   into 足, ひざ, 足首 (bones IK poses: nothing to compare)                exact
//   上半身2      into 上半身                                                                 approximate
//   親指０       into 親指１                                                                 approximate
// Other semi-standard bones (操作中心, 上半身3, 腕捩1 to 3, 手捩1 to 3, ダミー, 足先EX) have no assumed
// position: they are listed without a cost.
//
// How a bone is measured. It is put back into the model at its assumed rest position (全ての親 at the
// origin, グルーブ 0.2 above センター, 腰 between the legs 0.4 of the way up to 下半身, 上半身2 a third of
// the way from 上半身 to 首, 肩P at 肩 with 肩C at 腕, 腕捩 and 手捩 0.6 of the way along their arm
// bone, 親指０ a third of the way from 手首 to 親指１, 足IK親 under 足ＩＫ on the floor, 両目 between
// the eyes, the D bones at their leg bones). The pose engine (pose.h) then compares world poses: a
// bone's move is how far its position goes (units) and how far it turns (degrees). Compared are the
// bones the model has, except those an IK moves (the pose engine solves no IK) and, for a fold, those
// that take in the folded keys.
//   cost   the worst move when the bone's keys are dropped, at the frames of its keys (between them its
//          values lie between theirs): the degrees at every key frame, the units at the 16 key frames
//          where a bound of the move is largest (the bound ranks them as the moves do, nearly);
//   error  the worst move a fold leaves, on the keys as written (curves rounded to bytes), at every
//          frame from its first key to its last (frames where nothing it folds moves are skipped: they
//          play as the original). The new keys stand at the union of the frames the fold's tracks are
//          keyed on; their curves are the moving tracks' (blended where several move one channel).
//          Where the new keys stray more than 0.01 units or 0.1 degrees from the exact ones, keys are put
//          in, worst span first, at its worst frame (the next key's curve split by de Casteljau, so the
//          motion between keeps its timing), until none strays or the copy holds 3 times the keys of the
//          union. So an exact fold leaves at most 0.01 units and 0.1 degrees unless that many keys were
//          not enough (two tracks turning at different paces about different axes); error then says
//          how much it leaves.
// A figure's bone and frame are those of its largest units (or, when nothing moves, its largest degrees).
//
// How a run calls it (velmora-report: a plan per motion, on the model of the run):
//   static PoseSkeleton skeleton;  // one per model, made after its read:
//     pose_skeleton_load(&skeleton, pmx_skeleton())     POSE_DONE, or POSE_HOSTILE (skeleton.reason)
//   static PoseMotion motion;      // only for a motion whose page lists a lacking semi-standard bone:
//     pose_motion_load(&motion, path, bone_renames, n)   the same renamings as the copy's
//   static FoldPlan plan;
//     fold_plan(&plan, &skeleton, &motion, fold)   fold false for the summary's costs, true for --fit
//     plan.lack[0 .. plan.lack_count): name, cls, cost_state and cost, kind, into and error, where the
//       figures' bones and into[] are named by fold_bone_name(&skeleton, bone)
//   with --fit, when plan.removed_count > 0 (something was folded): fold_write(&plan, path, out,
//     bone_renames, n, morph_renames, m, &counts) writes the copy (renamed and folded); otherwise
//     vmd_fit_copy as before.
//
// Where it is done, each file with its own record: fold_plan.cpp makes the plan (the functions below
// but fold_write); fold_place.h holds the table and puts bones back, one placer per rule;
// fold_measure.h measures costs and what a fold leaves, on the yardstick of fold_compare.h; fold_step.h
// makes one fold from its targets (fold_target.h), its keys at the union of its frames (fold_union.h)
// and keys put in worst span first (fold_refine.h); fold_write.cpp writes the copy.
#pragma once
#include <cstdint>
#include <cstdio>

#include "check/rigs.h"
#include "formats/vmd_fit.h"
#include "pose/motion.h"
#include "pose/skeleton.h"

constexpr int FOLD_LACKS = 64;         // lacking bones a plan lists (the semi-standard set, both sides)
constexpr int FOLD_INTO = 16;          // bones one fold goes into that a plan names (more are counted)
constexpr int FOLD_TRACKS = 128;       // tracks the folds rewrite
constexpr int FOLD_KEYS = 1 << 18;     // keys of the rewritten tracks, all steps together
constexpr int FOLD_FRAMES = 1 << 16;   // frames one fold compares (36 minutes); a longer one is compared at a stride
constexpr double FOLD_UNITS = 0.01;    // what an exact fold may leave: units ...
constexpr double FOLD_DEGREES = 0.1;   // ... and degrees

// A worst move.
struct FoldFigure {
  double units;     // the largest distance a compared bone's position moves
  double degrees;   // the largest angle a compared bone turns by
  int32_t bone;     // the bone (of the model) that moves the most units (or turns the most), -1 none
  uint32_t frame;   // and the frame
};

enum FoldCost : int {
  FOLD_COST_MEASURED = 0,  // cost holds the figure
  FOLD_COST_IK = 1,        // its keys move only bones an IK moves (or none the model has): cost is 0
  FOLD_COST_NO_PLACE = 2,  // no assumed position (or the bones that place it are missing): not measured
};

enum FoldKind : int {
  FOLD_NONE = 0,         // not folded: no fold in the table, the bones it goes into are missing, or the
                         // plan was made without folds
  FOLD_EXACT = 1,        // folded, by a fold the table calls exact
  FOLD_APPROXIMATE = 2,  // folded, by a fold the table calls approximate
};

struct FoldLack {
  char name[POSE_TRACK_NAME];  // as the motion names it, after the renamings (Shift-JIS)
  AdviceClass cls;             // CLASS_SEMI_STANDARD, or CLASS_STANDARD for 両目
  FoldCost cost_state;
  FoldFigure cost;
  FoldKind kind;
  bool foldable;               // the table has a fold for it and its bone has a place to go back to: what
                               // a plan without folds can tell of a fold (folding may still be refused)
  int into_count;              // bones its keys go into (all of them); into[0] is the one to name
  int32_t into[FOLD_INTO];     // model bones, the first FOLD_INTO
  FoldFigure error;            // folded: the worst move the fold leaves
};

// A rewritten track: the bone's name and its new keys (in FoldPlan::key).
struct FoldTrack {
  char name[POSE_TRACK_NAME];
  int32_t first, count;
};

enum FoldPlanResult : int {
  FOLD_DONE = 0,     // the plan holds the lacking bones (and, folding, the new tracks)
  FOLD_HOSTILE = 1,  // the skeleton or the motion holds no pose: reason says why
  FOLD_FULL = 2,     // a bound was reached (the rewritten keys or tracks): reason says which; the plan
                     // lists the lacking bones and their costs but folds none
};

// The plan for one motion on one model: the caller's value (about 25 MB; keep one, statically or on the
// heap: only what is used is touched). All zeros is empty.
struct FoldPlan {
  FoldPlanResult result;
  char reason[POSE_REASON];
  int lack_count;              // lacking bones listed (those beyond FOLD_LACKS are not)
  FoldLack lack[FOLD_LACKS];
  int track_count;             // the rewritten tracks (folding)
  FoldTrack track[FOLD_TRACKS];
  int32_t key_count;           // keys of the pool (the rewritten tracks' and the steps' between)
  PoseKey key[FOLD_KEYS];
  int removed_count;           // the names whose keys the copy leaves out: folded bones and rewritten tracks
  char removed[FOLD_LACKS + FOLD_TRACKS][POSE_TRACK_NAME];
  // per removed name: the rewritten tracks written where its first key stood (those not written yet)
  uint8_t removed_emit_count[FOLD_LACKS + FOLD_TRACKS];
  int16_t removed_emit[FOLD_LACKS + FOLD_TRACKS][FOLD_INTO];
  int64_t bone_keys;           // bone keys the copy will hold
};

// Makes the plan for motion m on model s (a skeleton made by pose_skeleton_load, without put-back bones).
// With fold false only the lacking bones and their costs (cheap: each cost evaluates the bones below the
// dropped one, at its key frames); with fold true also the folds, their new keys and their errors.
// FOLD_DONE, FOLD_HOSTILE or FOLD_FULL (see FoldPlanResult). Nothing is allocated; the plan is
// rewritten whole.
int fold_plan(FoldPlan* plan, const PoseSkeleton* s, const PoseMotion* m, bool fold);

// The skeleton the plans measure on: s with the lacking bones of m put back at their assumed positions
// (after the model's bones, which keep their indices), as fold_plan puts them back; into *out. For
// checking a plan's figures with pose_play. FOLD_DONE, or FOLD_HOSTILE when s or m holds no pose.
int fold_put_back(PoseSkeleton* out, const PoseSkeleton* s, const PoseMotion* m);

// The name of a model bone of s (for FoldFigure::bone and FoldLack::into), "" for -1.
const char* fold_bone_name(const PoseSkeleton* s, int bone);

// What fold_write wrote.
struct FoldCounts {
  int64_t bone_keys;   // bone keys written
  int64_t morph_keys;  // morph keys written whole
};

enum FoldWriteResult : int {
  FOLD_WRITE_DONE = 0,
  FOLD_WRITE_UNOPENED = -1,    // the motion cannot be opened
  FOLD_WRITE_FAILED = -2,      // a write to out failed
  FOLD_WRITE_BAD_RENAME = -3,  // a renaming refused (as vmd_fit_copy refuses it)
  FOLD_WRITE_CHANGED = -4,     // the file's bone keys are no longer those the plan was made from
  FOLD_WRITE_NO_PLAN = -5,     // the plan is not FOLD_DONE or folds nothing
};

// Writes the fitted and folded copy of the motion p names (opened by its spelling) to out, the caller's open
// stream (the caller makes it whole or nothing): the file walked as vmd_fit_copy walks it, renamed by
// bones and morphs as it renames, but its bone block rebuilt: the folded bones' keys and the rewritten
// tracks' old keys left out, each rewritten track's new keys written, by frame, where the first key of
// its name or of a bone folded into it stood. Every other block byte for byte; a bone block cut by the
// end of the file is written whole (its keys read whole). The plan must come from fold_plan with fold
// true on the motion loaded from the same file with the same bone renamings. *counts (may be null)
// gets what was written. Uses the byte reader.
int fold_write(const FoldPlan* plan, const OpenedPath& p, FILE* out, const VmdRename* bones, int bone_count,
               const VmdRename* morphs, int morph_count, FoldCounts* counts);
