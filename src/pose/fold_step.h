// fold_step.h: one fold (private to pose/): a lacking bone (and its companions) taken out of the plan's
// working skeleton, its keys folded into the bones that receive them: new keys at the union of the
// frames its tracks are keyed on (fold_union.h), keys put in, worst span first, where they stray more
// than 0.01 units or 0.1 degrees from the exact ones (fold_refine.h), and what the fold leaves measured
// at every frame from its first key to its last (fold_measure.h).
#pragma once
#include <cstdint>

#include "pose/fold.h"
#include "pose/fold_compare.h"
#include "pose/fold_place.h"

// What the folds work on, the plan's (fold_plan.cpp), changed by each fold that folds.
struct FoldWorking {
  const PoseSkeleton* model;
  PoseSkeleton skeleton;            // the model with its lacking bones put back, less the bones folded so far
  PoseTrackRef tracks[POSE_SLOTS];  // what it plays: the motion, and the receivers' new keys of the folds so far
  uint8_t compared[POSE_SLOTS];     // per bone: 1 on the model's bones no IK moves
  FoldCompare cmp;                  // the comparison every cost and fold measures with
};

// Folds the bone of entry e (its rule's mode; it stands in w->skeleton, not taken out yet). When it
// folds: its new keys are appended to plan's pool (plan->key from plan->key_count), *lack gets its kind,
// receivers and error, and w's skeleton and tracks become those after the fold. Nothing changes when it
// cannot fold (nothing to go into, a receiver the model lacks or whose name no key can hold). Returns
// null, or why a bound was reached (then the plan folds nothing).
const char* fold_step(FoldWorking* w, const FoldEntry& e, FoldLack* lack, FoldPlan* plan);
