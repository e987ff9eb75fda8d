// fold_compare.h: the fold engine's yardstick (private to pose/): how far the bones of one skeleton's
// index space move between two plays, side a and side b (two skeletons that differ by bones taken out
// and re-parented, two sets of tracks, keys set per bone: each side a PoseEval, pose.h).
//
// Only what differs is evaluated. The frontier is the set of bones present on both sides whose local
// pose can differ (another parent, another track or set key, another inheritance, or a source that
// differs); below a frontier bone F every bone has the same local pose on both sides, so its world
// poses differ by F's: a compared bone y below F (y: its position in F's frame) moves by
// |F_a(y) - F_b(y)| <= |p_a - p_b| + 2 sin(theta / 2) |y| and turns by exactly theta, theta being the
// angle between F's two rotations. Frontier poses are evaluated from the nearest ancestor that is the
// same on both sides (its world pose cancels out); the bones below a frontier are evaluated only when
// the bound does not already settle the question asked.
#pragma once
#include <cstdint>

#include "pose/pose.h"

// One world pose a comparison finds each frame: the bone's, from its parent's (-1: the parent is a base
// or there is none, so the world pose is the local one) and its rest offset from it.
struct FoldWorldStep {
  int32_t bone, parent;
  PoseVec offset;
};

struct FoldCompare {
  PoseEval a, b;             // the two sides (fold_compare_sides: their hints are hint_a and hint_b)
  const uint8_t* compared;  // per bone: 1 when its moves count

  // Made by fold_compare_build.
  int nf;                          // frontier bones that have compared bones at or below them
  int32_t front[POSE_SLOTS];
  double reach[POSE_SLOTS];        // per frontier: how far from it a compared bone below it can be
  uint8_t self[POSE_SLOTS];        // per frontier: it is compared itself
  int32_t zone_first[POSE_SLOTS + 1];  // per frontier: its bones below it (not below another), b's order
  int32_t zone[POSE_SLOTS];
  int32_t locals_a[POSE_SLOTS], nla, locals_b[POSE_SLOTS], nlb;
  FoldWorldStep worlds_a[POSE_SLOTS], worlds_b[POSE_SLOTS];
  int nwa, nwb;
  int32_t zone_src[POSE_SLOTS], nzs;  // inheritance sources of zone bones (locals on side b)

  // One frame's evaluation (fold_compare_frame).
  PoseXf local_a[POSE_SLOTS], world_a[POSE_SLOTS], local_b[POSE_SLOTS], world_b[POSE_SLOTS], y[POSE_SLOTS];
  int32_t hint_a[POSE_SLOTS], hint_b[POSE_SLOTS];
  double dp[POSE_SLOTS], theta[POSE_SLOTS];  // per frontier
  bool cache_on;                   // zones' poses kept by frame (fold_compare_cache)
  uint32_t cache_first, cache_stride;
  double bound;                    // the largest units any compared bone can move this frame
  double degrees;                  // the largest degrees a compared bone turns this frame (exact)
  int32_t degrees_bone;
  double frame;
};

// Forgets the tracks' reaches kept from earlier comparisons (call when tracks may have been rewritten in
// place: at the start of every plan).
void fold_compare_forget();
// Finds the frontier, the zones and what each frame evaluates, for c's sides and compared bones.
// False when no compared bone can move (nothing to measure).
bool fold_compare_build(FoldCompare* c);
// Keeps the zones' poses of the frames first + k * stride up to last, as they are found (the zones'
// bones play the same on both sides and from one comparison to the next as long as the frontier stays:
// a fold weighs and measures a frame many times). Off when they would not fit; off again at every
// build.
void fold_compare_cache(FoldCompare* c, uint32_t first, uint32_t last, uint32_t stride);
// Sets c's sides a and b (what each plays: their hints are left out, c keeps its own): before
// fold_compare_build, or after it, keeping what it found, for sides whose frontier and zones are the same.
void fold_compare_sides(FoldCompare* c, const PoseEval& a, const PoseEval& b);
// Evaluates the frontier at frame: dp, theta, bound, degrees.
void fold_compare_frame(FoldCompare* c, double frame);
// After fold_compare_frame: the largest units a compared bone moves this frame, exactly, into *units and
// its bone into *bone; zones whose bound is at most floor are skipped (their bones cannot beat it).
void fold_compare_units(FoldCompare* c, double floor, double* units, int32_t* bone);
