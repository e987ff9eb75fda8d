// fold_union.h: a fold's first new keys (private to pose/): a key for every receiver at each frame of
// the union of the frames the fold's tracks are keyed on (its removed bones' and its receivers'). A
// key's values are the targets' (fold_target.h); its curves, per channel, those of the track that moves
// that channel the most over the span before it, blended where several move it; where only the
// receiver's own track moves over one of its own spans, its own key stays as it is.
#pragma once
#include <cstdint>

#include "pose/fold_target.h"

// The union of the frames that the tracks (per bone) of bones' removed bones and receivers are keyed
// on: its size (the frames in fold_union_frames()), or -1 when those tracks hold more than FOLD_KEYS
// keys together.
int fold_union_make(const FoldBones* bones, const PoseTrackRef* tracks);

// The union's frames, rising.
const uint32_t* fold_union_frames();

// Per span (frames[i - 1], frames[i]] of the union, at i (after fold_union_keys): 1 when it is quiet,
// nothing there to check: the removed bones rest at both ends (so between, as none of their keys lies
// between), and each receiver's own motion over the span is one of its own spans or does not move
// (its keys there are its own, played as they were, and match the exact ones).
const uint8_t* fold_union_quiet();

// The receivers' keys at every frame i of the union into slots[i * receivers + r] (the targets of each
// frame found in order by fold_target_keys_at), and which spans are quiet.
void fold_union_keys(PoseKey* slots);
