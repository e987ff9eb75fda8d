// fold_refine.cpp: worst span first (see fold_refine.h).
//
// Records: fold_refining, the waiting spans (a heap, worst first) and the slots' links in frame order,
// written by fold_refine_start, fold_refine_weigh and fold_refine_run for the run in progress.
// Limits: FOLD_REFINE_SLOTS slots and as many waiting spans (a span beyond them is not kept).
// Trust: the slots are the caller's, numbered from 0 as it puts them in.
#include "pose/fold_refine.h"

#include <algorithm>

// A span between two slots, its worst frame and that frame's score.
struct FoldRefineSpan {
  double score;
  int32_t left, right;
  uint32_t frame;
};

struct FoldRefining {
  FoldRefineSpan heap[FOLD_REFINE_SLOTS];  // the spans that stray, worst on top
  int heap_count;
  int32_t next[FOLD_REFINE_SLOTS];         // per slot: the next in frame order, -1 none
};
static FoldRefining fold_refining;

// Of equal scores the later frame ranks lower: the heap gives the earlier first.
static bool fold_refine_less(const FoldRefineSpan& a, const FoldRefineSpan& b) {
  return a.score < b.score || (a.score == b.score && a.frame > b.frame);
}

void fold_refine_start(int32_t n) {
  for (int32_t i = 0; i < n; i++) fold_refining.next[i] = i + 1 < n ? i + 1 : -1;
  fold_refining.heap_count = 0;
}

void fold_refine_weigh(const FoldRefiner& r, int32_t left, int32_t right) {
  FoldRefining& f = fold_refining;
  FoldRefineSpan span = {0.0, left, right, 0};
  if (!r.score(left, right, &span.score, &span.frame) || f.heap_count >= FOLD_REFINE_SLOTS) return;
  f.heap[f.heap_count++] = span;
  std::push_heap(f.heap, f.heap + f.heap_count, fold_refine_less);
}

int32_t fold_refine_run(const FoldRefiner& r, int32_t n, int64_t budget) {
  FoldRefining& f = fold_refining;
  int32_t slots = n;
  while (f.heap_count > 0 && slots - n < budget) {
    std::pop_heap(f.heap, f.heap + f.heap_count, fold_refine_less);
    FoldRefineSpan span = f.heap[--f.heap_count];
    if (f.next[span.left] != span.right) continue;  // split since it was weighed
    int32_t s = slots++;
    r.put(span.left, span.right, span.frame, s);
    f.next[s] = span.right;
    f.next[span.left] = s;
    fold_refine_weigh(r, span.left, s);
    fold_refine_weigh(r, s, span.right);
  }
  return slots;
}

int32_t fold_refine_next(int32_t s) { return fold_refining.next[s]; }
