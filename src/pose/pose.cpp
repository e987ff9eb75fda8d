// pose.cpp: track evaluation and forward kinematics (see pose.h).
//
// Records: the binding and pose scratch of pose_play (written by it, for its duration); the arcs of
// recent spans' rotations (pose_arcs, written by pose_span_at).
// Limits: the bones of one skeleton (POSE_SLOTS); 1,024 arcs kept, one per slot.
// Trust: skeletons and motions were checked when made (indices in range, no cycles, numbers finite), so
// the evaluation follows indices without checking them again; every loop is bounded by a count.
#include "pose/pose.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "pose/curve.h"

static PoseVec pose_key_pos(const PoseKey& k) { return {k.pos[0], k.pos[1], k.pos[2]}; }
static PoseQuat pose_key_rot(const PoseKey& k) { return {k.rot[0], k.rot[1], k.rot[2], k.rot[3]}; }

void pose_track_at(const PoseTrackRef& track, double frame, PoseVec* pos, PoseQuat* rot, int32_t* hint) {
  int n = track.count;
  if (n <= 0) {
    *pos = {0.0, 0.0, 0.0};
    *rot = pose_qidentity();
    return;
  }
  const PoseKey* k = track.keys;
  // hi: the first key after frame (n when none).
  int hi;
  int h = hint != nullptr ? *hint : -1;
  if (h >= 0 && h < n && (double)k[h].frame <= frame && (h + 1 == n || frame < (double)k[h + 1].frame)) {
    hi = h + 1;
  } else if (h >= 0 && h + 1 < n && (double)k[h + 1].frame <= frame && (h + 2 == n || frame < (double)k[h + 2].frame)) {
    hi = h + 2;
  } else {
    int lo = 0, up = n;
    while (lo < up) {
      int mid = lo + (up - lo) / 2;
      if ((double)k[mid].frame <= frame) lo = mid + 1;
      else up = mid;
    }
    hi = lo;
  }
  if (hint != nullptr) *hint = hi - 1;
  if (hi == 0 || hi == n) {
    const PoseKey& only = k[hi == 0 ? 0 : n - 1];
    *pos = pose_key_pos(only);
    *rot = pose_key_rot(only);
    return;
  }
  pose_span_at(k[hi - 1], k[hi], frame, pos, rot);
}

// The arcs of spans' rotations: a span is played at many frames, and its arc (the angle between its
// two rotations and that angle's sine) is the same at each. Kept by the two keys' rotations, exactly
// as stored, so a kept arc is the one the slerp would find.
constexpr int POSE_ARCS = 1024;  // a power of two
struct PoseArc {
  float qa[4], qb[4];
  double angle, sine;
};
static PoseArc pose_arcs[POSE_ARCS];

// The span's rotation at t, as pose_slerp(qa, qb, t) gives it (qa, qb: a's and b's rotations).
static PoseQuat pose_span_slerp(const PoseKey& a, const PoseKey& b, PoseQuat qa, PoseQuat qb, double t) {
  double d = pose_qdot(qa, qb);
  if (t == 0.0 || t == 1.0 || !(d < 0.9999995 && d > -0.9999995)) return pose_slerp(qa, qb, t);
  if (d < 0.0) {
    qb = pose_qneg(qb);
    d = -d;
  }
  PoseArc& arc = pose_arcs[((uintptr_t)&b / sizeof(PoseKey)) & (POSE_ARCS - 1)];
  if (std::memcmp(arc.qa, a.rot, sizeof arc.qa) != 0 || std::memcmp(arc.qb, b.rot, sizeof arc.qb) != 0) {
    std::memcpy(arc.qa, a.rot, sizeof arc.qa);
    std::memcpy(arc.qb, b.rot, sizeof arc.qb);
    arc.angle = std::acos(d < 1.0 ? d : 1.0);
    arc.sine = std::sin(arc.angle);
  }
  return pose_slerp_mix(qa, qb, std::sin((1.0 - t) * arc.angle) / arc.sine, std::sin(t * arc.angle) / arc.sine);
}

void pose_span_at(const PoseKey& a, const PoseKey& b, double frame, PoseVec* pos, PoseQuat* rot) {
  double s = (frame - (double)a.frame) / ((double)b.frame - (double)a.frame);
  // Channels often share one curve: each distinct curve is solved once.
  PoseBezier seen[CURVE_CHANNELS];
  double share[CURVE_CHANNELS];
  int solved = 0;
  auto y_of = [&](int c) {
    PoseBezier bz = curve_get(b.curve, c);
    for (int k = 0; k < solved; k++) {
      if (seen[k].x1 == bz.x1 && seen[k].y1 == bz.y1 && seen[k].x2 == bz.x2 && seen[k].y2 == bz.y2) return share[k];
    }
    seen[solved] = bz;
    share[solved] = curve_y(bz, s);
    return share[solved++];
  };
  double p[3];
  for (int c = 0; c < 3; c++) {
    double from = a.pos[c], to = b.pos[c];
    p[c] = from == to ? from : from + (to - from) * y_of(c);
  }
  *pos = {p[0], p[1], p[2]};
  PoseQuat qa = pose_key_rot(a), qb = pose_key_rot(b);
  if (qa.x == qb.x && qa.y == qb.y && qa.z == qb.z && qa.w == qb.w) *rot = qa;
  else *rot = pose_span_slerp(a, b, qa, qb, y_of(CURVE_R));
}

void pose_bind(const PoseSkeleton* s, const PoseMotion* m, PoseTrackRef* tracks) {
  for (int i = 0; i < s->count; i++) {
    tracks[i] = PoseTrackRef{nullptr, 0};
    if (s->bone[i].absent || s->bone[i].long_name) continue;
    int t = pose_motion_track(m, s->bone[i].name);
    if (t >= 0) tracks[i] = PoseTrackRef{m->key + m->track[t].first, m->track[t].count};
  }
}

void pose_worlds(const PoseEval& e, const int32_t* bones, int n, const PoseXf* local, PoseXf* world) {
  for (int i = 0; i < n; i++) {
    int b = bones[i];
    int p = e.s->bone[b].parent;
    PoseXf l = {pose_vadd(pose_skeleton_offset(e.s, b), local[b].p), local[b].q};
    world[b] = pose_xmul(p >= 0 ? world[p] : pose_xidentity(), l);
  }
}

int pose_play(const PoseSkeleton* s, const PoseMotion* m, double frame, PoseXf* world) {
  if (s->count <= 0) return POSE_HOSTILE;
  static PoseTrackRef tracks[POSE_SLOTS];
  static PoseXf local[POSE_SLOTS];
  pose_bind(s, m, tracks);
  PoseEval e = {s, tracks, nullptr, nullptr, nullptr};
  for (int i = 0; i < s->count; i++) world[i] = local[i] = pose_xidentity();
  pose_locals(e, s->order, s->order_count, frame, local);
  pose_worlds(e, s->order, s->order_count, local, world);
  return POSE_DONE;
}
