// fold_target.h: a fold's targets (private to pose/): the keys its receiving bones must take at a frame
// so that the bones below them keep their world poses. Each receiver must take the world pose of its
// source (the bone whose keys it takes in, or itself) on the skeleton before the fold, moved to its own
// pivot; that pose is turned into the key that gives it on the skeleton after the fold.
//
// Two sets of keys come out per frame: as written (a receiver that cannot translate keeps its own
// track's translation), and exact (with any translation: they play the original whole, and the fold is
// measured against them where they can stand for it).
#pragma once
#include <cstdint>

#include "pose/fold.h"
#include "pose/pose.h"

constexpr int FOLD_RECEIVERS = 256;  // bones one fold goes into

// The bones of the fold in progress: those it takes out, and the bones that take in their keys (its
// receivers), each with its source.
struct FoldBones {
  int32_t removed[3];              // the bone folded and its companions still there
  int nremoved;
  int32_t recv[FOLD_RECEIVERS];    // the receivers, in the order they were found
  int32_t src[FOLD_RECEIVERS];     // per receiver: the bone whose world pose it takes
  int nrecv;
  uint8_t is_recv[POSE_SLOTS];     // per bone: 1 on a receiver
};

// Which of a frame's keys fold_target_keys_at gives (bits).
enum FoldKeysWanted : int { KEYS_WRITTEN = 1, KEYS_EXACT = 2 };

// Starts a fold's targets: bones, the skeleton before the fold (before, played by before_tracks: the
// original) and after it (after, with the fold's bones taken out, played by after_tracks). Finds what
// each frame evaluates; keeps no frame's keys.
void fold_target_start(const FoldBones* bones, const PoseSkeleton* before, const PoseTrackRef* before_tracks,
                       const PoseSkeleton* after, const PoseTrackRef* after_tracks);

// Keeps the keys of the frames first + k * stride up to last as they are found (a fold weighs a frame
// again after every key it puts in nearby, and measures it once more at the end), when they fit: true
// when they do.
bool fold_target_keep(uint32_t first, uint32_t last, uint32_t stride);

// The receivers' keys at frame into fold_target_written() and fold_target_exact() (want: which of the
// two the caller reads, at least; both where they are found now). False when they were found now and
// kept: the next call gives them as kept (as floats), so they differ from these by the rounding; true
// when the next call gives the same again.
bool fold_target_keys_at(double frame, int want);

// The receivers' keys (by receiver) that fold_target_keys_at found: as written, and exact.
const PoseXf* fold_target_written();
const PoseXf* fold_target_exact();

// The pose of bone's own track on the skeleton before the fold at frame, as the targets of that frame
// found it on their way, into *x: false when they did not (the caller plays the track itself).
bool fold_target_own_pose(int bone, uint32_t frame, PoseXf* x);
