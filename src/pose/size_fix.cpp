// size_fix.cpp: the corrections a plan fits into T's keys (see size.h): the feet at S's contacts, the
// hips lowered where a leg cannot reach, the hands at S's touches; and how a correction fades between
// the frames it holds.
//
// Each plays T as the plan stands (size_run.tracks_t: the rewritten tracks as last fitted) at the frames
// it needs, finds the correction there, adds it to what earlier passes found, fills the frames between
// (size_fix_blend) and fits the whole into the track's keys (size_refit): a second pass corrects what
// the keys of the first left.
//
// Records: the corrections' scratch (the frames held, the feet's world offsets, the hips' lowering),
// written by the procedures here for their duration.
// Limits: SIZE_SAMPLES frames; T played at most twice per planted frame, twice per touching frame and
// once (with no IK) per frame for the reach.
#include <cmath>
#include <cstring>

#include "pose/size_work.h"

static uint8_t fix_held[SIZE_SAMPLES];

static PoseVec fix_vec(const float* v) { return {v[0], v[1], v[2]}; }
static PoseQuat fix_quat(const float* v) { return {v[0], v[1], v[2], v[3]}; }
static void fix_store(float* to, PoseVec v) { to[0] = (float)v.x, to[1] = (float)v.y, to[2] = (float)v.z; }
static void fix_store_q(float* to, PoseQuat q) {
  if (q.w < 0.0) q = pose_qneg(q);
  to[0] = (float)q.x, to[1] = (float)q.y, to[2] = (float)q.z, to[3] = (float)q.w;
}

// ---- blending ----

static double fix_smooth(double t) { return t <= 0.0 ? 0.0 : t >= 1.0 ? 1.0 : t * t * (3.0 - 2.0 * t); }

// v = a's share (1 - t) and b's share t (rotations: along the shorter arc).
static void fix_mix(const SizeFix* f, const float* a, const float* b, double t, float* v) {
  if (f->rotation) {
    PoseQuat q = pose_slerp({a[0], a[1], a[2], a[3]}, {b[0], b[1], b[2], b[3]}, t);
    fix_store_q(v, q);
  } else {
    for (int k = 0; k < 3; k++) v[k] = (float)(a[k] + (b[k] - a[k]) * t);
    v[3] = 0.0f;
  }
}

void size_fix_blend(SizeFix* f, const uint8_t* held, int samples, int stride) {
  const float none[4] = {0.0f, 0.0f, 0.0f, f->rotation ? 1.0f : 0.0f};
  double blend = SIZE_BLEND / stride;
  if (blend < 1.0) blend = 1.0;
  int prev = -1;
  for (int i = 0; i < samples;) {
    if (held[i]) {
      prev = i++;
      continue;
    }
    int next = i;
    while (next < samples && !held[next]) next++;
    // Samples i .. next - 1 lie between the held prev (or none) and next (or none).
    for (int k = i; k < next; k++) {
      float* v = f->v[k];
      if (prev >= 0 && next < samples && next - prev <= 2.0 * blend) {
        fix_mix(f, f->v[prev], f->v[next], (double)(k - prev) / (next - prev), v);
        continue;
      }
      std::memcpy(v, none, sizeof none);
      if (prev >= 0 && k - prev <= blend) fix_mix(f, f->v[prev], none, fix_smooth((k - prev) / (blend + 1.0)), v);
      if (next < samples && next - k <= blend) fix_mix(f, f->v[next], none, fix_smooth((next - k) / (blend + 1.0)), v);
    }
    i = next;
  }
}

// ---- the feet ----

// v less the band towards 0 (0 within it).
static double fix_band(double v, double band) { return v > band ? v - band : v < -band ? v + band : 0.0; }

// The contacts a foot's second pass plays again: those the first pass moved.
static uint8_t fix_again[SIZE_SAMPLES];

// One foot's pass: T played at S's planted frames (where `only` is given, at those it marks); the offset
// that puts T's lower point at S's height (x r_foot) and makes it travel as S's does (x r_xz) from the
// contact's first frame, added to the correction of 足ＩＫ (and of つま先ＩＫ where it does not hang below
// 足ＩＫ). Marks in fix_again the contacts it moved.
static void fix_foot_pass(SizePlay* pt, int side, const SizeRatios& r, SizeFix* ik, SizeFix* toe, const uint8_t* only) {
  const SizeRun& run = size_run;
  const SizeSource& src = size_source;
  const SizeLeg& l = run.bt.leg[side];
  int ik_up = run.model->bone[l.ik].parent, toe_up = l.toe_ik >= 0 ? run.model->bone[l.toe_ik].parent : -1;
  SizeAt now, before;
  PoseVec offset = {0.0, 0.0, 0.0};
  double band = SIZE_FOOT_BAND * r.leg_model;
  int run_first = -1;
  bool moved = false;
  for (int i = 0; i < run.samples; i++) {
    if (!src.planted[side][i] || (only != nullptr && !only[i])) continue;
    // The foot where its goals put it: the correction places the goals; the reach sees to the leg.
    if (!size_play_foot(pt, (double)i * run.stride, side, true, &now.foot[side]) &&
        size_play_at(pt, (double)i * run.stride, &now) != POSE_DONE) {
      return;
    }
    const SizeFootAt& f = now.foot[side];
    double height = size_foot_height(pt, side, f, nullptr);
    bool first = i == 0 || !src.planted[side][i - 1];
    if (first) {
      offset = {0.0, 0.0, 0.0};
      run_first = i;
      moved = false;
    } else {
      // The same point on both bodies: S's lower point at this frame.
      bool tip = src.toe[side][i] != 0;
      const float* s1 = tip ? src.at[i].foot[side].toe : src.at[i].foot[side].ankle;
      const float* s0 = tip ? src.at[i - 1].foot[side].toe : src.at[i - 1].foot[side].ankle;
      const float* t1 = tip ? f.toe : f.ankle;
      const float* t0 = tip ? before.foot[side].toe : before.foot[side].ankle;
      offset.x += r.legs_xz * (s1[0] - s0[0]) - (t1[0] - t0[0]);
      offset.z += r.legs_xz * (s1[2] - s0[2]) - (t1[2] - t0[2]);
    }
    offset.y = r.feet * src.height[side][i] - height;
    // What the IK's own convergence leaves (a leg near its full length stops a few hundredths short) is
    // no error to chase: the correction takes what lies beyond the band.
    PoseVec put = {0.0, fix_band(offset.y, band), 0.0};
    double across = std::sqrt(offset.x * offset.x + offset.z * offset.z);
    if (across > band) put.x = offset.x * (across - band) / across, put.z = offset.z * (across - band) / across;
    bool last = i + 1 >= run.samples || !src.planted[side][i + 1];
    moved = moved || put.x != 0.0 || put.y != 0.0 || put.z != 0.0;
    if (last && only == nullptr) std::memset(fix_again + run_first, moved, (size_t)(i + 1 - run_first));
    PoseVec local = ik_up >= 0 ? pose_qrot(pose_qconj(size_world[ik_up].q), put) : put;
    fix_store(ik->v[i], pose_vadd(fix_vec(ik->v[i]), local));
    if (toe != nullptr) {
      PoseVec at = toe_up >= 0 ? pose_qrot(pose_qconj(size_world[toe_up].q), put) : put;
      fix_store(toe->v[i], pose_vadd(fix_vec(toe->v[i]), at));
    }
    before = now;
  }
}

void size_fix_feet(const SizeRatios& r) {
  SizeRun& run = size_run;
  const SizeSource& src = size_source;
  static SizePlay pt;
  for (int side = 0; side < SIZE_SIDES; side++) {
    const SizeLeg& l = run.bt.leg[side];
    if (l.ik < 0 || l.ankle < 0 || l.hip < 0 || run.bs.leg[side].ankle < 0) continue;
    int planted = 0;
    for (int i = 0; i < run.samples; i++) planted += src.planted[side][i];
    if (planted == 0) continue;
    SizeFix* ik = size_fix_of(l.ik, false);
    if (ik == nullptr) continue;
    // つま先ＩＫ moves with the foot where it hangs below 足ＩＫ; elsewhere it takes the foot's offset too.
    bool below = false;
    for (int up = l.toe_ik >= 0 ? run.model->bone[l.toe_ik].parent : -1, hops = 0; up >= 0 && hops < POSE_SLOTS;
         up = run.model->bone[up].parent, hops++) {
      below = below || up == l.ik;
    }
    SizeFix* toe = l.toe_ik >= 0 && !below ? size_fix_of(l.toe_ik, false) : nullptr;
    // The second pass plays again only the contacts the first moved.
    std::memset(fix_again, 0, (size_t)run.samples);
    for (int pass = 0; pass < 2; pass++) {
      size_play_make(&pt, run.model, run.m, run.tracks_t, SIZE_PLAY_FEET | (side == 0 ? SIZE_PLAY_LEFT : SIZE_PLAY_RIGHT));
      fix_foot_pass(&pt, side, r, ik, toe, pass == 0 ? nullptr : fix_again);
      size_fix_blend(ik, src.planted[side], run.samples, run.stride);
      size_refit(ik->track);
      if (toe != nullptr) {
        size_fix_blend(toe, src.planted[side], run.samples, run.stride);
        size_refit(toe->track);
      }
    }
    run.plan->parts |= SIZE_PART_FEET;
  }
}

// ---- the reach ----

static float fix_lower[SIZE_SAMPLES];

// The bones whose world poses the reach reads (足 and 足ＩＫ of each side, with what they hang from), in
// the skeleton's order: their count.
static int fix_reach_bones(int32_t* bones) {
  const SizeRun& run = size_run;
  const PoseSkeleton* s = run.model;
  static uint8_t want[POSE_SLOTS];
  std::memset(want, 0, (size_t)s->count);
  for (int side = 0; side < SIZE_SIDES; side++) {
    const int ends[2] = {run.bt.leg[side].hip, run.bt.leg[side].ik};
    for (int b : ends) {
      for (int up = b, hops = 0; up >= 0 && hops < POSE_SLOTS && !want[up]; up = s->bone[up].parent, hops++) {
        want[up] = 1;
        if (s->bone[up].inherit >= 0) want[s->bone[up].inherit] = 1;
      }
    }
  }
  // An inheritance source's own chain: the order puts sources first, so one more walk up each is enough
  // for the sources the skeleton has (a source of a source is marked by its own walk below).
  for (int i = 0; i < s->count; i++) {
    for (int up = want[i] ? s->bone[i].inherit : -1, hops = 0; up >= 0 && hops < POSE_SLOTS; up = s->bone[up].parent, hops++) {
      if (want[up] && up != s->bone[i].inherit) break;
      want[up] = 1;
    }
  }
  int n = 0;
  for (int i = 0; i < s->order_count; i++) {
    if (want[s->order[i]]) bones[n++] = s->order[i];
  }
  return n;
}

// How far the hips must come down at sample i for each leg of T to reach no farther, against its full
// length (size_leg_reach), than S's leg reaches against its own, or than T's leg at rest, or than
// SIZE_REACH_LEAST of it (whichever is most), and never past it: world units, 0 for none. Full lengths:
// S's (fulls), T's (fullt), per side.
static double fix_reach_at(int i, const PoseXf* world, const double* fulls, const double* fullt) {
  const SizeRun& run = size_run;
  const SizeSource& src = size_source;
  double most = 0.0;
  for (int side = 0; side < SIZE_SIDES; side++) {
    const SizeLeg& l = run.bt.leg[side];
    const SizeFootAt& s = src.at[i].foot[side];
    if (l.hip < 0 || l.ik < 0 || fulls[side] <= 0.0 || fullt[side] <= 0.0 || !s.solved) continue;
    double reach_s = std::sqrt((double)(s.hip[0] - s.goal[0]) * (s.hip[0] - s.goal[0]) +
                               (double)(s.hip[1] - s.goal[1]) * (s.hip[1] - s.goal[1]) +
                               (double)(s.hip[2] - s.goal[2]) * (s.hip[2] - s.goal[2])) / fulls[side];
    // T may stand as straight as at rest (its 足ＩＫ at its ankle), or as S stands.
    const PoseBone& hip = run.model->bone[l.hip];
    const PoseBone& ik = run.model->bone[l.ik];
    double least = std::sqrt((double)(hip.rest[0] - ik.rest[0]) * (hip.rest[0] - ik.rest[0]) +
                             (double)(hip.rest[1] - ik.rest[1]) * (hip.rest[1] - ik.rest[1]) +
                             (double)(hip.rest[2] - ik.rest[2]) * (hip.rest[2] - ik.rest[2])) / fullt[side];
    if (least < SIZE_REACH_LEAST) least = SIZE_REACH_LEAST;
    double share = reach_s < least ? least : reach_s > 1.0 ? 1.0 : reach_s;
    double allowed = share * fullt[side];
    PoseVec v = pose_vsub(world[l.hip].p, world[l.ik].p);
    if (pose_vlen(v) <= allowed + SIZE_REACH_SLACK * fullt[side] || v.y <= 0.0) continue;
    double across = v.x * v.x + v.z * v.z;
    // Lowered by d, the leg spans (v.x, v.y - d, v.z); where even the hips at the goal's height leave it
    // too long, they come down no further than that.
    double d = across < allowed * allowed ? v.y - std::sqrt(allowed * allowed - across) : v.y;
    if (d > most) most = d;
  }
  return most;
}

void size_fix_reach() {
  SizeRun& run = size_run;
  const SizeBody& bt = run.bt;
  int lowered = bt.center >= 0 && run.track_of[bt.center] >= 0 ? bt.center
                : bt.groove >= 0 && run.track_of[bt.groove] >= 0 ? bt.groove
                                                                  : -1;
  if (lowered < 0) return;
  static int32_t bones[POSE_SLOTS];
  static PoseXf local[POSE_SLOTS], world[POSE_SLOTS];
  static int32_t hints[POSE_SLOTS];
  int n = fix_reach_bones(bones);
  for (int i = 0; i < n; i++) hints[bones[i]] = -1;
  PoseEval e = {run.model, run.tracks_t, nullptr, nullptr, hints};
  int up = run.model->bone[lowered].parent;
  SizeFix* fix = nullptr;
  // The legs' full lengths, S's and T's.
  static SizePlay ps, pt;
  size_play_make(&ps, run.source, run.m, run.tracks_s, 0);
  size_play_make(&pt, run.model, run.m, run.tracks_t, 0);
  for (int pass = 0; pass < 2; pass++) {
    int found = 0;
    for (int i = 0; i < run.samples; i++) {
      pose_locals(e, bones, n, (double)i * run.stride, local);
      pose_worlds(e, bones, n, local, world);
      fix_lower[i] = (float)fix_reach_at(i, world, ps.leg_full, pt.leg_full);
      found += fix_lower[i] > 0.0f;
    }
    if (found == 0) break;
    if (fix == nullptr) fix = size_fix_of(lowered, false);
    if (fix == nullptr) return;
    // The lowering rises and falls over the blend: each frame takes the most any frame near asks for.
    int blend = (int)(SIZE_BLEND / run.stride);
    if (blend < 1) blend = 1;
    for (int i = 0; i < run.samples; i++) {
      double d = 0.0;
      for (int k = i - blend; k <= i + blend; k++) {
        if (k < 0 || k >= run.samples || fix_lower[k] <= 0.0f) continue;
        double share = fix_lower[k] * (1.0 - fix_smooth(std::fabs((double)(k - i)) / (blend + 1.0)));
        if (share > d) d = share;
      }
      if (pass == 0 && fix_lower[i] > 0.0f) run.plan->lowered++;
      if (d <= 0.0) continue;
      pose_locals(e, bones, n, (double)i * run.stride, local);
      pose_worlds(e, bones, n, local, world);
      PoseVec down = {0.0, -d, 0.0};
      PoseVec at = up >= 0 ? pose_qrot(pose_qconj(world[up].q), down) : down;
      fix_store(fix->v[i], pose_vadd(fix_vec(fix->v[i]), at));
    }
    size_refit(fix->track);
    run.plan->parts |= SIZE_PART_REACH;
  }
}

// ---- the hands ----

// Where T's wrist of side should be at a frame where S's touches (now: T at the frame).
static PoseVec fix_hand_target(int i, int side, const SizeAt& now, double r_arm) {
  const SizeAt& s = size_source.at[i];
  int partner = size_source.partner[side][i];
  auto xf = [](const float* v) { return PoseXf{{v[0], v[1], v[2]}, {v[3], v[4], v[5], v[6]}}; };
  PoseVec ws = fix_vec(s.wrist[side]);
  if (partner == SIZE_WRIST) {
    // About the wrists' midpoint, itself kept at S's offset from the chest, scaled.
    PoseXf cs = xf(s.part[SIZE_CHEST]), ct = xf(now.part[SIZE_CHEST]);
    PoseVec ms = pose_vscale(pose_vadd(ws, fix_vec(s.wrist[1 - side])), 0.5);
    PoseVec mt = pose_vadd(ct.p, pose_qrot(ct.q, pose_vscale(pose_qrot(pose_qconj(cs.q), pose_vsub(ms, cs.p)), r_arm)));
    return pose_vadd(mt, pose_qrot(ct.q, pose_vscale(pose_qrot(pose_qconj(cs.q), pose_vsub(ws, ms)), r_arm)));
  }
  int part = partner == SIZE_PART_HEAD ? SIZE_HEAD : partner == SIZE_PART_NECK ? SIZE_NECK : SIZE_LOWER;
  PoseXf ps = xf(s.part[part]), pt = xf(now.part[part]);
  return pose_vadd(pt.p, pose_qrot(pt.q, pose_vscale(pose_qrot(pose_qconj(ps.q), pose_vsub(ws, ps.p)), r_arm)));
}

// The turn (about the origin) taking direction a towards direction b; the identity where either is
// nothing or they are parallel.
static PoseQuat fix_turn(PoseVec a, PoseVec b) {
  double la = pose_vlen(a), lb = pose_vlen(b);
  if (!(la > 1e-9) || !(lb > 1e-9)) return pose_qidentity();
  a = pose_vscale(a, 1.0 / la), b = pose_vscale(b, 1.0 / lb);
  PoseVec axis = {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  double sine = pose_vlen(axis), cosine = pose_vdot(a, b);
  if (!(sine > 1e-12)) return pose_qidentity();
  double angle = std::atan2(sine, cosine), h = std::sin(angle / 2.0) / sine;
  return {axis.x * h, axis.y * h, axis.z * h, std::cos(angle / 2.0)};
}

// Turns T's 腕 (shoulder turn *a) and ひじ (elbow turn *e, in the world, after a) so that the wrist
// comes to g: a CCD over the two joints, 32 passes at most. Shoulder, elbow and wrist: their positions.
static void fix_arm_ik(PoseVec shoulder, PoseVec elbow, PoseVec wrist, PoseVec g, PoseQuat* a, PoseQuat* e) {
  *a = *e = pose_qidentity();
  for (int pass = 0; pass < 32; pass++) {
    PoseVec el = pose_vadd(shoulder, pose_qrot(*a, pose_vsub(elbow, shoulder)));
    PoseVec w = pose_vadd(el, pose_qrot(pose_qmul(*e, *a), pose_vsub(wrist, elbow)));
    if (pose_vlen(pose_vsub(w, g)) < 1e-4) break;
    *e = pose_qmul(fix_turn(pose_vsub(w, el), pose_vsub(g, el)), *e);
    w = pose_vadd(el, pose_qrot(pose_qmul(*e, *a), pose_vsub(wrist, elbow)));
    PoseQuat d = fix_turn(pose_vsub(w, shoulder), pose_vsub(g, shoulder));
    *a = pose_qmul(d, *a);
    *e = pose_qmul(pose_qmul(d, *e), pose_qconj(d));
  }
}

// q's correction c (turning a key: c * key) for a bone whose parent turns in the world by parent and
// which itself turns in the world by g (both before it: the turn it takes is parent^-1 g).
static PoseQuat fix_local(PoseQuat parent_world, PoseQuat g) {
  return pose_qmul(pose_qmul(pose_qconj(parent_world), g), parent_world);
}

static void fix_compose(SizeFix* f, int i, PoseQuat c) {
  PoseQuat q = pose_qmul(c, fix_quat(f->v[i]));
  pose_qnormalize(&q);
  fix_store_q(f->v[i], q);
}

void size_fix_hands(const SizeRatios& r) {
  SizeRun& run = size_run;
  const SizeSource& src = size_source;
  if (src.touching == 0) return;
  SizeFix* fixes[SIZE_SIDES][3] = {};
  bool any = false;
  for (int side = 0; side < SIZE_SIDES; side++) {
    const SizeArm& a = run.bt.arm[side];
    if (a.arm < 0 || a.elbow < 0 || a.wrist < 0 || run.track_of[a.arm] < 0 || run.track_of[a.elbow] < 0) continue;
    const PoseBone* b = run.model->bone;
    if (b[a.arm].ik_moved || b[a.elbow].ik_moved || b[a.wrist].ik_moved) continue;
    fixes[side][0] = size_fix_of(a.arm, true);
    fixes[side][1] = size_fix_of(a.elbow, true);
    fixes[side][2] = size_fix_of(a.wrist, true);  // null without keys of its own: the hand then turns with the arm
    if (fixes[side][0] == nullptr || fixes[side][1] == nullptr) fixes[side][0] = nullptr;
    else any = true;
  }
  if (!any) return;
  static SizePlay pt;
  SizeAt now;
  bool moved = false;
  for (int pass = 0; pass < 2; pass++) {
    size_play_make(&pt, run.model, run.m, run.tracks_t, SIZE_PLAY_HANDS);
    for (int i = 0; i < run.samples; i++) {
      bool touches[SIZE_SIDES];
      for (int side = 0; side < SIZE_SIDES; side++) touches[side] = fixes[side][0] != nullptr && src.partner[side][i] != SIZE_NONE;
      if (!touches[0] && !touches[1]) continue;
      if (size_play_at(&pt, (double)i * run.stride, &now) != POSE_DONE) return;
      PoseVec target[SIZE_SIDES];
      for (int side = 0; side < SIZE_SIDES; side++) {
        if (touches[side]) target[side] = fix_hand_target(i, side, now, r.arms);
      }
      for (int side = 0; side < SIZE_SIDES; side++) {
        const SizeArm& a = run.bt.arm[side];
        if (!touches[side] || pose_vlen(pose_vsub(target[side], size_world[a.wrist].p)) < 1e-3) continue;
        const PoseBone* b = run.model->bone;
        PoseQuat ta, te;
        fix_arm_ik(size_world[a.arm].p, size_world[a.elbow].p, size_world[a.wrist].p, target[side], &ta, &te);
        PoseQuat pa = size_world[b[a.arm].parent].q, pe = size_world[b[a.elbow].parent].q;
        PoseQuat pw = size_world[b[a.wrist].parent].q;
        fix_compose(fixes[side][0], i, fix_local(pa, ta));
        fix_compose(fixes[side][1], i, fix_local(pe, pose_qmul(pose_qmul(pose_qconj(ta), te), ta)));
        if (fixes[side][2] != nullptr) fix_compose(fixes[side][2], i, fix_local(pw, pose_qconj(pose_qmul(te, ta))));
        moved = true;
      }
    }
    if (!moved) return;
    for (int side = 0; side < SIZE_SIDES; side++) {
      if (fixes[side][0] == nullptr) continue;
      for (int i = 0; i < run.samples; i++) fix_held[i] = src.partner[side][i] != SIZE_NONE;
      for (SizeFix* f : fixes[side]) {
        if (f == nullptr) continue;
        size_fix_blend(f, fix_held, run.samples, run.stride);
        size_refit(f->track);
      }
    }
    run.plan->parts |= SIZE_PART_HANDS;
  }
}
