// fold_measure.h: the fold engine's measures (private to pose/): the worst move a comparison finds over
// a list of frames, and what dropping a lacking bone's keys costs (fold.h says how both are measured).
#pragma once
#include <cstdint>

#include "pose/fold.h"
#include "pose/fold_compare.h"

// A frame and a bound of the worst move there: the measures take frames largest bound first.
struct FoldFrameBound {
  float bound;
  uint32_t frame;
};

// Sets the keys a comparison's sides play at frame, before the frame is compared (the fold's exact keys).
typedef void (*FoldPrepare)(double frame);

// The worst move of comparison c (built by fold_compare_build) over frames[0..n) into *fig: the exact
// degrees at every frame, the exact units at up to max_exact frames, largest bound first, while a bound
// can still beat what was found. At most FOLD_FRAMES + 1 frames whose bound is above 0 are weighed (the
// first ones). prepare (may be null) is called before each frame is compared.
void fold_measure(FoldCompare* c, const uint32_t* frames, int n, FoldFigure* fig, FoldPrepare prepare, int max_exact);

// The cost of dropping the keys of bone (of skeleton s, played by tracks; compared: per bone, whether
// its moves count), measured on c at the frames of the bone's keys: lack->cost_state and lack->cost.
void fold_measure_cost(FoldCompare* c, FoldLack* lack, const PoseSkeleton* s, const PoseTrackRef* tracks,
                       const uint8_t* compared, int bone);
