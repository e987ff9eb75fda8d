// fold_step.cpp: one fold (see fold_step.h): its bones, the skeleton after it, its new keys, and what
// it leaves. It is the refinement's adapter (fold_refine.h): a span between two slots of new keys is
// scored by comparing the receivers as the keys play them with their targets, and a key goes in by
// splitting the next key's curves.
//
// Records: fold_stepping, the fold in progress: its bones, the skeleton and tracks after it, the keys
// its comparisons set on the receivers, its slots of new keys in the plan's pool and the weighing's
// scratch; written by fold_step for its duration.
// Limits: 256 receivers, 3 bones taken out; 65,536 frames compared per fold (a longer span is compared
// at a stride); 4,096 receiver-frames of a weighed span's played poses kept (a longer span plays them
// again); the plan's pool (FOLD_KEYS), checked before a key is written.
// Trust: the working skeleton was checked and ordered; every walk is bounded by its count.
#include "pose/fold_step.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "pose/curve.h"
#include "pose/fold_measure.h"
#include "pose/fold_refine.h"
#include "pose/fold_target.h"
#include "pose/fold_union.h"

constexpr int FOLD_WEIGH_PLAYED = 4096;  // receiver-frames of a weighed span's played poses kept
constexpr int FOLD_WEIGH_EXACT = 2;      // frames of a span measured exactly, highest bound first

struct FoldStepping {
  FoldWorking* w;                        // the plan's
  FoldMode mode;
  FoldBones bones;
  PoseSkeleton after;                    // the working skeleton without the fold's bones
  PoseTrackRef after_tracks[POSE_SLOTS];
  uint8_t compared[POSE_SLOTS];          // the working compared bones but the receivers
  PoseXf target_key[POSE_SLOTS];         // per receiver bone: its target key at the frame compared (side a)
  PoseXf played_key[POSE_SLOTS];         // per receiver bone: its new keys played at that frame (side b)
  PoseKey* slots;                        // the new keys: slots of one key per receiver, in the plan's pool
  uint32_t first, stride;                // the union's first frame, and the stride of the frames compared
  PoseXf weigh_played[FOLD_WEIGH_PLAYED];  // the span being weighed: [(g - a - 1) * receivers + r]
  FoldFrameBound weigh_bound[FOLD_FRAMES + 1];
  PoseBezier split_first[FOLD_RECEIVERS][CURVE_CHANNELS], split_second[FOLD_RECEIVERS][CURVE_CHANNELS];
  uint32_t measured[FOLD_FRAMES + 1];    // the frames what the fold leaves is measured at
};
static FoldStepping fold_stepping;

static PoseKey* fold_step_slot(int32_t s) { return fold_stepping.slots + (int64_t)s * fold_stepping.bones.nrecv; }

// ---- The fold's bones ----

// The receivers of the removed bone r by mode, appended to the fold's; false when there are too many.
static bool fold_step_receivers(int r, FoldMode mode) {
  FoldBones& fb = fold_stepping.bones;
  const PoseSkeleton& s = fold_stepping.w->skeleton;
  auto add = [&](int bone, int src) {
    for (int k = 0; k < fb.nremoved; k++) {
      if (fb.removed[k] == bone) return true;
    }
    for (int k = 0; k < fb.nrecv; k++) {
      if (fb.recv[k] == bone) return true;
    }
    if (fb.nrecv >= FOLD_RECEIVERS) return false;
    fb.recv[fb.nrecv] = bone;
    fb.src[fb.nrecv] = src;
    fb.nrecv++;
    return true;
  };
  bool ok = true;
  for (int i = 0; i < s.count && ok; i++) {
    if (s.bone[i].absent) continue;
    if (mode == MODE_PUSH && s.bone[i].parent == r) ok = add(i, i);
    if (mode == MODE_INHERIT && s.bone[i].inherit == r) ok = add(i, i);
  }
  if (mode == MODE_PULL && s.bone[r].parent >= 0) ok = add(s.bone[r].parent, r);
  if (mode == MODE_REPLACE && s.bone[r].inherit >= 0) ok = add(s.bone[r].inherit, r);
  return ok;
}

// The fold's bones: e's bone and its companions still there, and their receivers; *replaced, for a
// replacing fold, the bone its bone stood for. 1 when it can fold; -1 when the receivers are too many;
// 0 when there is nothing to go into or a receiver cannot take keys.
static int fold_step_bones(const FoldEntry& e, int* replaced) {
  FoldStepping& st = fold_stepping;
  FoldBones& fb = st.bones;
  const PoseSkeleton& s = st.w->skeleton;
  fb.nremoved = 0;
  fb.removed[fb.nremoved++] = e.bone;
  for (int c : e.companion) {
    if (c >= 0 && !s.bone[c].absent) fb.removed[fb.nremoved++] = c;
  }
  fb.nrecv = 0;
  *replaced = -1;
  if (!fold_step_receivers(e.bone, st.mode)) return -1;
  if (st.mode == MODE_REPLACE) *replaced = s.bone[e.bone].inherit;
  for (int k = 1; k < fb.nremoved; k++) {
    // 肩P's 肩C: its turn goes into the bones below it.
    FoldMode mode = s.bone[fb.removed[k]].inherit == e.bone && e.rule == R_SHOULDER_P ? MODE_PUSH : MODE_NONE;
    if (!fold_step_receivers(fb.removed[k], mode)) return -1;
  }
  if (fb.nrecv == 0) return 0;
  for (int r = 0; r < fb.nrecv; r++) {
    if (fb.recv[r] >= st.w->model->count) return 0;  // it would go into a bone the model lacks
    // A key names its bone in 15 bytes: a bone of a longer name takes no keys.
    const PoseBone& b = st.w->model->bone[fb.recv[r]];
    if (b.long_name || std::strlen(b.name) >= (size_t)POSE_TRACK_NAME) return 0;
  }
  return 1;
}

// Takes the fold's bones out of the skeleton after it: their children move up (under the bone a
// replacing fold's bone stood for), the bones inheriting from them get back the model's own
// inheritance (or none).
static void fold_step_take_out(int replaced) {
  FoldStepping& st = fold_stepping;
  const FoldBones& fb = st.bones;
  PoseSkeleton& s = st.after;
  const PoseSkeleton* model = st.w->model;
  for (int k = 0; k < fb.nremoved; k++) {
    int r = fb.removed[k];
    for (int i = 0; i < s.count; i++) {
      PoseBone& b = s.bone[i];
      if (b.absent || i == r) continue;
      if (b.parent == r) {
        int p = st.mode == MODE_REPLACE && replaced >= 0 ? replaced : s.bone[r].parent;
        for (int guard = 0; p >= 0 && s.bone[p].absent && guard < s.count; guard++) p = s.bone[p].parent;
        b.parent = p;
      }
      if (b.inherit == r) {
        if (i < model->count) {
          const PoseBone& own = model->bone[i];
          b.inherit = own.inherit;
          b.inherit_weight = own.inherit_weight;
          const uint16_t mask = PMX_BONE_INHERITS_ROTATION | PMX_BONE_INHERITS_TRANSLATION;
          b.flags = (uint16_t)((b.flags & ~mask) | (own.flags & mask));
        } else {
          b.inherit = -1;
        }
      }
    }
  }
  for (int k = 0; k < fb.nremoved; k++) {
    PoseBone& b = s.bone[fb.removed[k]];
    b.absent = 1;
    b.parent = -1;
    b.inherit = -1;
  }
  pose_skeleton_order(&s);
}

// ---- The refinement's adapter ----

// Compares frame g of the span between slots left and right: the receivers as the new keys play them
// against their targets (as written). Returns a score no smaller than the worst move's share of what
// is allowed (above 1: maybe too far): its degrees exactly, its units by the bound. The played poses
// are found now (and kept at *keep, when given) or taken from *kept, when given. *same (may be null)
// is set when the targets at g will be the same at the next call (fold_target_keys_at), so that the
// comparison made now stands for it.
static double fold_step_frame(int32_t left, int32_t right, double g, PoseXf* keep, const PoseXf* kept, bool* same) {
  FoldStepping& st = fold_stepping;
  const FoldBones& fb = st.bones;
  const PoseKey* l = fold_step_slot(left);
  const PoseKey* t = fold_step_slot(right);
  for (int r = 0; r < fb.nrecv; r++) {
    PoseXf& x = st.played_key[fb.recv[r]];
    if (kept != nullptr) x = kept[r];
    else pose_span_at(l[r], t[r], g, &x.p, &x.q);
    if (keep != nullptr) keep[r] = x;
  }
  bool again = fold_target_keys_at(g, KEYS_WRITTEN);
  if (same != nullptr) *same = again;
  const PoseXf* written = fold_target_written();
  for (int r = 0; r < fb.nrecv; r++) st.target_key[fb.recv[r]] = written[r];
  FoldCompare* c = &st.w->cmp;
  fold_compare_frame(c, g);
  return std::fmax(c->degrees / FOLD_DEGREES, c->bound / FOLD_UNITS);
}

// The worst frame strictly inside the span between slots left and right (at the stride), when it
// strays too far. Every frame's score is bounded first (its degrees exactly); the two frames of highest
// bound are then measured exactly: the bound ranks the frames nearly as their moves do, and measuring
// every frame whose bound passes would cost more than the rest of the fold together. What a fold
// leaves is measured afterwards at every frame all the same.
static bool fold_step_score(int32_t left, int32_t right, double* worst_score, uint32_t* worst_frame) {
  FoldStepping& st = fold_stepping;
  FoldCompare* c = &st.w->cmp;
  int nrecv = st.bones.nrecv;
  FoldFrameBound* bound = st.weigh_bound;
  uint32_t a = fold_step_slot(left)[0].frame, b = fold_step_slot(right)[0].frame;
  bool keeping = b - a - 1 <= (uint32_t)(FOLD_WEIGH_PLAYED / nrecv);
  int n = 0;
  uint64_t last = 0;  // the frame the comparison holds, and whether it stands for a second pass
  bool last_same = false;
  for (uint64_t g = (uint64_t)a + 1; g < b && n <= FOLD_FRAMES; g++) {
    if ((g - st.first) % st.stride != 0) continue;
    PoseXf* keep = keeping ? st.weigh_played + (g - a - 1) * nrecv : nullptr;
    double score = fold_step_frame(left, right, (double)g, keep, nullptr, &last_same);
    last = g;
    if (score > 1.0) bound[n++] = FoldFrameBound{(float)score, (uint32_t)g};
  }
  std::sort(bound, bound + n, [](const FoldFrameBound& p, const FoldFrameBound& q) {
    return p.bound > q.bound || (p.bound == q.bound && p.frame < q.frame);
  });
  double worst = 1.0;
  bool found = false;
  for (int i = 0; i < n && i < FOLD_WEIGH_EXACT && (double)bound[i].bound * (1.0 + 1e-6) > worst; i++) {
    uint32_t g = bound[i].frame;
    // Its targets are kept now: found again as kept, they may differ from those of the first pass by
    // the rounding, so the frame is compared again (its played poses as they were), unless the
    // comparison of the first pass stands.
    if (!(g == last && last_same)) {
      fold_step_frame(left, right, (double)g, nullptr, keeping ? st.weigh_played + (g - a - 1) * nrecv : nullptr, nullptr);
      last = g;
      last_same = true;
    }
    double score = c->degrees / FOLD_DEGREES;
    // A turn too far settles it (the bound then ranks the span); otherwise the units are measured.
    if (score > 1.0) {
      score = std::fmax(score, (double)bound[i].bound);
    } else {
      double units;
      int32_t bone;
      fold_compare_units(c, worst * FOLD_UNITS, &units, &bone);
      score = std::fmax(score, units / FOLD_UNITS);
    }
    if (score > worst) {
      worst = score;
      *worst_frame = g;
      found = true;
    }
  }
  *worst_score = worst;
  return found;
}

// Puts a key in at frame g of the span between slots left and right as slot s: right's curves are
// split where g falls (by de Casteljau, so the motion before and after keeps its timing), the new key
// takes the first halves and the targets at g, right keeps the second halves. Where a half's control
// points fall outside the unit square, the key goes in at that half's middle instead (while there is a
// frame between).
static void fold_step_put(int32_t left, int32_t right, int64_t g, int32_t s) {
  FoldStepping& st = fold_stepping;
  int nrecv = st.bones.nrecv;
  PoseKey* l = fold_step_slot(left);
  PoseKey* t = fold_step_slot(right);
  int64_t a = l[0].frame, b = t[0].frame;
  for (int attempt = 0; attempt < 32; attempt++) {
    double x = (double)(g - a) / (double)(b - a);
    int out = 0;
    for (int r = 0; r < nrecv; r++) {
      PoseBezier bz[CURVE_CHANNELS];
      for (int c = 0; c < CURVE_CHANNELS; c++) {
        bz[c] = curve_get(t[r].curve, c);
        // Channels often share one curve: it is split once.
        int same = 0;
        while (same < c && !curve_same(bz[same], bz[c])) same++;
        if (same < c) {
          st.split_first[r][c] = st.split_first[r][same], st.split_second[r][c] = st.split_second[r][same];
          continue;
        }
        out |= curve_split(bz[c], x, &st.split_first[r][c], &st.split_second[r][c]);
      }
    }
    int64_t next = g;
    if (out & CURVE_FIRST_OUT) next = a + (g - a) / 2;
    else if (out & CURVE_SECOND_OUT) next = g + (b - g) / 2;
    if (next == g || next <= a || next >= b) break;
    g = next;
  }
  fold_target_keys_at((double)g, KEYS_WRITTEN);
  const PoseXf* written = fold_target_written();
  PoseKey* k = fold_step_slot(s);
  for (int r = 0; r < nrecv; r++) {
    const PoseXf& v = written[r];
    k[r].frame = (uint32_t)g;
    k[r].pos[0] = (float)v.p.x, k[r].pos[1] = (float)v.p.y, k[r].pos[2] = (float)v.p.z;
    k[r].rot[0] = (float)v.q.x, k[r].rot[1] = (float)v.q.y, k[r].rot[2] = (float)v.q.z, k[r].rot[3] = (float)v.q.w;
    // The physics switch in effect between the two keys is the left one's.
    curve_block(k[r].curve, st.split_first[r], l[r].curve[2], l[r].curve[3]);
    curve_block(t[r].curve, st.split_second[r], t[r].curve[2], t[r].curve[3]);
  }
}

static const FoldRefiner fold_step_refiner = {fold_step_score, fold_step_put};

// ---- The fold ----

// The receivers' new keys: one at each frame of the union (n frames), then, worst span first, keys
// where they stray, up to twice as many again (checking: the comparison of the receivers as played
// with their targets was built); laid out in plan's pool as the receivers' tracks after the fold.
static void fold_step_keys(FoldPlan* plan, int n, bool checking) {
  FoldStepping& st = fold_stepping;
  const FoldBones& fb = st.bones;
  int64_t base = plan->key_count;
  st.slots = plan->key + base;
  fold_refine_start(n);
  fold_union_keys(st.slots);
  const uint8_t* quiet = fold_union_quiet();
  if (checking) {
    for (int i = 1; i < n; i++) {
      if (!quiet[i]) fold_refine_weigh(fold_step_refiner, i - 1, i);
    }
  }
  int32_t slots = fold_refine_run(fold_step_refiner, n, 2 * (int64_t)n);
  // The receivers' tracks, in frame order, side by side in the pool (after room for 3 n slots).
  PoseKey* out = plan->key + base + (int64_t)fb.nrecv * (3 * (int64_t)n);
  int64_t k = 0;
  for (int32_t j = 0; j >= 0; j = fold_refine_next(j), k++) {
    for (int r = 0; r < fb.nrecv; r++) out[r * (int64_t)slots + k] = fold_step_slot(j)[r];
  }
  std::memmove(plan->key + base, out, sizeof(PoseKey) * (size_t)(fb.nrecv * (int64_t)slots));
  for (int r = 0; r < fb.nrecv; r++) {
    st.after_tracks[fb.recv[r]] = PoseTrackRef{plan->key + base + r * (int64_t)slots, slots};
  }
  plan->key_count = (int32_t)(base + fb.nrecv * (int64_t)slots);
}

// Sets the receivers' exact keys at frame as the targets a comparison plays (the measure's prepare).
static void fold_step_exact_at(double frame) {
  FoldStepping& st = fold_stepping;
  fold_target_keys_at(frame, KEYS_EXACT);
  const PoseXf* exact = fold_target_exact();
  for (int r = 0; r < st.bones.nrecv; r++) st.target_key[st.bones.recv[r]] = exact[r];
}

// What the fold of entry e leaves, on the keys as written, at every frame from its first key to its last
// (n: the union's size) into lack->error. Where the receivers' subtrees hold everything the fold moves
// (no receiver has other children than the bone folded into it, nothing inherits from a receiver), the
// receivers set to their exact keys play the original (kept: the targets were kept by frame): the copy
// is compared with that; otherwise with the original itself. checking: the comparison holds the
// receivers as played against their targets, whose frontier and zones serve again.
static void fold_step_measure(const FoldEntry& e, FoldLack* lack, int n, bool kept, bool checking) {
  FoldStepping& st = fold_stepping;
  FoldWorking* w = st.w;
  const FoldBones& fb = st.bones;
  bool subtrees = kept && (st.mode == MODE_PUSH || st.mode == MODE_INHERIT || st.mode == MODE_PULL);
  for (int i = 0; i < w->skeleton.count && subtrees; i++) {
    const PoseBone& b = w->skeleton.bone[i];
    if (b.absent) continue;
    if (b.inherit >= 0 && fb.is_recv[b.inherit]) subtrees = false;
    if (st.mode == MODE_PULL && b.parent == fb.recv[0] && i != e.bone) subtrees = false;
  }
  lack->error = FoldFigure{0.0, 0.0, -1, 0};
  FoldCompare* c = &w->cmp;
  const PoseEval exact = {&st.after, st.after_tracks, st.target_key, fb.is_recv, nullptr};
  const PoseEval copy = {&st.after, st.after_tracks, nullptr, nullptr, nullptr};
  const PoseEval original = {&w->skeleton, w->tracks, nullptr, nullptr, nullptr};
  fold_compare_sides(c, subtrees ? exact : original, copy);
  bool measuring = subtrees && checking;
  if (!measuring) {
    c->compared = st.compared;
    measuring = fold_compare_build(c);
  }
  if (!measuring) return;
  // Every frame but those inside quiet spans, where the copy plays as the original.
  const uint32_t* u = fold_union_frames();
  const uint8_t* quiet = fold_union_quiet();
  int nf = 0, span = 0;
  for (uint64_t f = u[0]; f <= u[n - 1] && nf <= FOLD_FRAMES; f += st.stride) {
    while (span + 1 < n && u[span + 1] < f) span++;
    bool inside = span + 1 < n && u[span] < f && f < u[span + 1] && quiet[span + 1];
    if (!inside) st.measured[nf++] = (uint32_t)f;
  }
  fold_measure(c, st.measured, nf, &lack->error, subtrees ? fold_step_exact_at : nullptr, FOLD_FRAMES + 1);
}

const char* fold_step(FoldWorking* w, const FoldEntry& e, FoldLack* lack, FoldPlan* plan) {
  FoldStepping& st = fold_stepping;
  FoldBones& fb = st.bones;
  st.w = w;
  st.mode = fold_rules[e.rule].mode;
  int replaced;
  int found = fold_step_bones(e, &replaced);
  if (found <= 0) return found < 0 ? "a fold goes into more than 256 bones" : nullptr;
  pose_skeleton_copy(&st.after, &w->skeleton);
  fold_step_take_out(replaced);
  if (st.after.count == 0) return nullptr;
  std::memcpy(st.after_tracks, w->tracks, sizeof(PoseTrackRef) * (size_t)w->skeleton.count);
  std::memset(fb.is_recv, 0, sizeof fb.is_recv);
  for (int r = 0; r < fb.nrecv; r++) fb.is_recv[fb.recv[r]] = 1;
  for (int i = 0; i < w->skeleton.count; i++) st.compared[i] = w->compared[i] && !fb.is_recv[i];
  fold_target_start(&fb, &w->skeleton, w->tracks, &st.after, st.after_tracks);

  int n = fold_union_make(&fb, w->tracks);
  if (n <= 0) return n < 0 ? "a fold's tracks hold more than 262,144 keys" : nullptr;
  // The pool takes 3 n slots of new keys and as many again to lay them out.
  if (plan->key_count + 2 * (int64_t)fb.nrecv * (3 * (int64_t)n) > FOLD_KEYS) return "the folds' new keys exceed 262,144";
  const uint32_t* u = fold_union_frames();
  st.first = u[0];
  st.stride = (uint32_t)((u[n - 1] - u[0]) / FOLD_FRAMES + 1);
  bool kept = fold_target_keep(u[0], u[n - 1], st.stride);
  // The span check compares the receivers as their new keys play them with their targets.
  FoldCompare* c = &w->cmp;
  fold_compare_sides(c, PoseEval{&st.after, st.after_tracks, st.target_key, fb.is_recv, nullptr},
                     PoseEval{&st.after, st.after_tracks, st.played_key, fb.is_recv, nullptr});
  c->compared = st.compared;
  bool checking = fold_compare_build(c);
  if (checking) fold_compare_cache(c, u[0], u[n - 1], st.stride);
  fold_step_keys(plan, n, checking);
  fold_step_measure(e, lack, n, kept, checking);

  lack->kind = fold_rules[e.rule].kind;
  lack->into_count = fb.nrecv;
  for (int r = 0; r < fb.nrecv && r < FOLD_INTO; r++) lack->into[r] = fb.recv[r];
  pose_skeleton_copy(&w->skeleton, &st.after);
  std::memcpy(w->tracks, st.after_tracks, sizeof(PoseTrackRef) * (size_t)w->skeleton.count);
  return nullptr;
}
