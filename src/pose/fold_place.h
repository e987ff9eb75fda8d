// fold_place.h: the fold table (private to pose/): the semi-standard bones the folds know, how each one
// folds, and where each is put back into a model that lacks it, by a table of small placers, one per
// rule (fold.h lists the table and the assumed positions).
//
// The names are the model editor's (Shift-JIS), with their side (左, 右) before or after them where
// they have one; a motion's name finds its rule by spelling key (text/fold.h), so 左足ＩＫ親 is 左足IK親.
// Bones go back after the model's own, into the skeleton given to fold_place_start, and are found there
// by their table names.
#pragma once
#include <cstdint>

#include "pose/fold.h"

enum FoldNameId : int {
  N_MASTER, N_CENTER, N_GROOVE, N_WAIST, N_UPPER, N_UPPER2, N_LOWER, N_NECK, N_HEAD, N_EYES, N_EYE,
  N_SHOULDER, N_SHOULDER_P, N_SHOULDER_C, N_ARM, N_ARM_TWIST, N_ELBOW, N_WRIST_TWIST, N_WRIST, N_THUMB0,
  N_THUMB1, N_LEG, N_KNEE, N_ANKLE, N_LEG_IK, N_LEG_IKP, N_LEG_D, N_KNEE_D, N_ANKLE_D, N_WAIST_CANCEL,
  N_NAMES
};

// How a fold moves its bone's keys.
enum FoldMode : int {
  MODE_NONE = 0,  // no fold (a companion taken out with its bone: 腰キャンセル)
  MODE_PUSH,      // into the bones below it: each keeps its world pose
  MODE_PULL,      // into the bone above it: the bones below keep theirs
  MODE_INHERIT,   // into the bones that inherit from it: each keeps its world pose
  MODE_REPLACE,   // into the bone it inherits from, which takes its world pose (the D bones)
};

// The rules, in the order the folds run.
enum FoldRuleId : int {
  R_NONE = -1,  // a lacking bone the table has no rule for
  R_LEG_IKP, R_MASTER, R_GROOVE, R_WAIST, R_WAIST_CANCEL, R_UPPER2, R_SHOULDER_P, R_SHOULDER_C, R_ARM_TWIST,
  R_WRIST_TWIST, R_THUMB0, R_EYES, R_LEG_D, R_KNEE_D, R_ANKLE_D, R_RULES
};

// A lacking bone as a plan keeps it beside its FoldLack.
struct FoldEntry {
  FoldRuleId rule;
  int side;          // 0 left, 1 right (0 for a name without a side)
  int track;         // its track in the motion
  int bone;          // put back as this bone of the working skeleton, or -1
  int companion[2];  // bones put back with it, -1 none: 腰キャンセル left and right with 腰, 肩C with 肩P
};

// A rule's placer: puts its bone back on side at its assumed position (and companion[0..1], where the
// skeleton lacks them, with it): the bone, or -1 when the bones that place it are missing or the
// skeleton is full.
typedef int (*FoldPlacer)(int side, int* companion);

struct FoldRule {
  FoldNameId name;
  FoldMode mode;
  FoldKind kind;  // FOLD_EXACT or FOLD_APPROXIMATE (FOLD_NONE: no fold)
  FoldPlacer place;
};

// The table, by FoldRuleId.
extern const FoldRule fold_rules[R_RULES];
// The order the bones go back in (the reverse of the folds': 全ての親 last, above everything; the bones
// that adopt children before those that sit below them).
extern const FoldRuleId fold_place_order[R_RULES];

// The rule and side of a motion's name, by spelling key: true when the table has one.
bool fold_place_rule_of(const char* name, FoldRuleId* rule, int* side);

// Sets the skeleton that bones go back into and are found in (a copy of model, the model's own bones
// first), for the plan in progress.
void fold_place_start(PoseSkeleton* s, const PoseSkeleton* model);

// A bone of that skeleton by its table name: the name exactly, else a model bone of the same spelling
// key; -1 when there is none.
int fold_place_find(FoldNameId id, int side);

// The track of motion m of a table name: exactly, else by spelling key; -1 none.
int fold_place_track_of(const PoseMotion* m, FoldNameId id, int side);

// Puts back the bone of entry e by its rule's placer: its bone, or -1 (e->companion gets the companions
// put back with it).
int fold_place(FoldEntry* e);
