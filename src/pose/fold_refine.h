// fold_refine.h: worst span first (private to pose/): keys put in where a run of keys strays the most,
// one at a time, until none strays or a budget of keys is spent. It knows the keys only as slots linked
// in frame order and the spans between two of them; how a span is scored and how a key goes in are the
// user's, given as a FoldRefiner (the fold's: fold_step.cpp).
#pragma once
#include <cstdint>

#include "pose/fold.h"

constexpr int FOLD_REFINE_SLOTS = FOLD_KEYS;  // slots in use at the most

// What the refinement reduces.
struct FoldRefiner {
  // The worst frame strictly inside the span between slots left and right into *frame, and its score
  // into *score (above 1: too far); false when no frame there strays.
  bool (*score)(int32_t left, int32_t right, double* score, uint32_t* frame);
  // Puts a key in at frame g of the span between slots left and right as slot s.
  void (*put)(int32_t left, int32_t right, int64_t g, int32_t s);
};

// Starts with slots 0 to n - 1 linked in order (n at most FOLD_REFINE_SLOTS) and no span waiting.
void fold_refine_start(int32_t n);

// Scores the span between slots left and right (left before right) and keeps it, when it strays, for
// fold_refine_run.
void fold_refine_weigh(const FoldRefiner& r, int32_t left, int32_t right);

// Splits the kept spans, the worst first, each by a key put in at its worst frame as the next slot
// (n, n + 1, ...: n the slots in use), weighing both halves again, while a span strays and fewer than
// budget keys were put in (n + budget at most FOLD_REFINE_SLOTS). The slots in use afterwards.
int32_t fold_refine_run(const FoldRefiner& r, int32_t n, int64_t budget);

// The slot after s in frame order, -1 after the last.
int32_t fold_refine_next(int32_t s);
