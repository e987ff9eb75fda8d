// fold_measure.cpp: the worst move over a list of frames, and the costs of dropped bones (see
// fold_measure.h).
//
// Records: fold_measuring, the frames' bounds being ranked, a dropped bone's key frames and the tracks
// without it, written by fold_measure and fold_measure_cost for their duration.
// Limits: 65,537 frames ranked per measure (FOLD_FRAMES + 1); 16 key frames a cost measures exactly.
// Trust: the comparison was built on checked skeletons; every frame list is bounded by its count.
#include "pose/fold_measure.h"

#include <algorithm>
#include <cmath>
#include <cstring>

constexpr int FOLD_COST_EXACT = 16;  // key frames a cost measures exactly, largest bound first

struct FoldMeasuring {
  FoldFrameBound bound[FOLD_FRAMES + 1];  // the frames whose bound is above 0, then a heap of them
  uint32_t key_frame[POSE_KEYS];          // the dropped bone's key frames
  PoseTrackRef dropped[POSE_SLOTS];       // the tracks without the dropped bone's
};
static FoldMeasuring fold_measuring;

// Folds one frame's figures into *fig.
static void fold_measure_add(FoldFigure* fig, double units, int32_t units_bone, double degrees, int32_t degrees_bone,
                             uint32_t frame) {
  if (units > fig->units) {
    fig->units = units;
    fig->bone = units_bone;
    fig->frame = frame;
  }
  if (degrees > fig->degrees) {
    fig->degrees = degrees;
    if (fig->units == 0.0) {
      fig->bone = degrees_bone;
      fig->frame = frame;
    }
  }
}

// The exact units at the frames of bound[0..kept), largest bound first, while a bound can still beat
// what was found, at most max_exact frames.
static void fold_measure_exact(FoldCompare* c, FoldFigure* fig, int kept, int max_exact, FoldPrepare prepare) {
  FoldFrameBound* bound = fold_measuring.bound;
  // Largest bound first (of equal bounds the earlier frame; frames differ, so the order is one). The
  // frames are taken off a heap one by one: the measure stops after a few as a rule, and a sort of them
  // all would cost more than the frames it measures.
  auto later = [](const FoldFrameBound& a, const FoldFrameBound& b) {
    return a.bound < b.bound || (a.bound == b.bound && a.frame > b.frame);
  };
  std::make_heap(bound, bound + kept, later);
  int heap = kept;
  for (int i = 0; i < max_exact && heap > 0; i++) {
    const FoldFrameBound next = bound[0];
    // The bound is stored as a float: let it settle a frame only when it is clearly below what was found.
    if ((double)next.bound * (1.0 + 1e-6) < fig->units) break;
    std::pop_heap(bound, bound + heap, later);
    heap--;
    if (prepare != nullptr) prepare(next.frame);
    fold_compare_frame(c, next.frame);
    double units;
    int32_t bone;
    fold_compare_units(c, fig->units, &units, &bone);
    fold_measure_add(fig, units, bone, 0.0, -1, next.frame);
  }
}

void fold_measure(FoldCompare* c, const uint32_t* frames, int n, FoldFigure* fig, FoldPrepare prepare, int max_exact) {
  *fig = FoldFigure{0.0, 0.0, -1, 0};
  int kept = 0;
  for (int i = 0; i < n && kept <= FOLD_FRAMES; i++) {
    if (prepare != nullptr) prepare(frames[i]);
    fold_compare_frame(c, frames[i]);
    fold_measure_add(fig, 0.0, -1, c->degrees, c->degrees_bone, frames[i]);
    if (c->bound > 0.0) fold_measuring.bound[kept++] = FoldFrameBound{(float)c->bound, frames[i]};
  }
  fold_measure_exact(c, fig, kept, max_exact, prepare);
}

void fold_measure_cost(FoldCompare* c, FoldLack* lack, const PoseSkeleton* s, const PoseTrackRef* tracks,
                       const uint8_t* compared, int bone) {
  FoldMeasuring& m = fold_measuring;
  std::memcpy(m.dropped, tracks, sizeof(PoseTrackRef) * (size_t)s->count);
  m.dropped[bone] = PoseTrackRef{nullptr, 0};
  fold_compare_sides(c, PoseEval{s, tracks, nullptr, nullptr, nullptr}, PoseEval{s, m.dropped, nullptr, nullptr, nullptr});
  c->compared = compared;
  lack->cost = FoldFigure{0.0, 0.0, -1, 0};
  if (!fold_compare_build(c)) {
    lack->cost_state = FOLD_COST_IK;
    return;
  }
  lack->cost_state = FOLD_COST_MEASURED;
  const PoseTrackRef& t = tracks[bone];
  if (!(c->nf == 1 && c->front[0] == bone && s->bone[bone].inherit < 0)) {
    for (int i = 0; i < t.count; i++) m.key_frame[i] = t.keys[i].frame;
    fold_measure(c, m.key_frame, t.count, &lack->cost, nullptr, FOLD_COST_EXACT);
    return;
  }
  // Only the bone itself differs: at a key's frame the bones below it turn by the key's turn, and move
  // by at most its translation plus the turn's chord at the farthest of them.
  FoldFigure* fig = &lack->cost;
  int kept = 0;
  uint32_t turned = 0;
  // As many key frames as fold_measure weighs: the bounds' table holds no more.
  for (int i = 0; i < t.count && kept <= FOLD_FRAMES; i++) {
    const PoseKey& k = t.keys[i];
    double theta = pose_qangle(PoseQuat{k.rot[0], k.rot[1], k.rot[2], k.rot[3]});
    double bound = std::sqrt((double)k.pos[0] * k.pos[0] + (double)k.pos[1] * k.pos[1] + (double)k.pos[2] * k.pos[2]) +
                   2.0 * std::sin(0.5 * theta) * c->reach[0];
    if (theta * POSE_DEGREES > fig->degrees) fig->degrees = theta * POSE_DEGREES, turned = k.frame;
    if (bound > 0.0) m.bound[kept++] = FoldFrameBound{(float)bound, k.frame};
  }
  fold_measure_exact(c, fig, kept, FOLD_COST_EXACT, nullptr);
  if (fig->units == 0.0 && fig->degrees > 0.0) {
    fold_compare_frame(c, turned);
    fig->bone = c->degrees_bone;
    fig->frame = turned;
  }
}
