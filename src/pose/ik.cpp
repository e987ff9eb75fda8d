// ik.cpp: IK play (see ik.h): the order and chains made when a skeleton is ordered, the IK switches of
// a motion at a frame, and a frame's pose with every IK on solved.
//
// Records: the play scratch of pose_play_ik and pose_play_ik_tracks (bound tracks, local poses, solved
// turns, each track's last span), written by them; the order's scratch of pose_ik_prepare; the link lists
// of pose_ik_needs.
// Limits: 64 links an IK bone, 16,384 chain bones, 1,048,576 bone updates a frame (ik.h).
// Trust: the skeleton was checked when loaded (indices in range, no parent or inheritance cycle, rest
// positions within 100,000); what IK play needs more is checked here before any frame is played:
// limits and angles are numbers, links carry their target, and the work of a frame is bounded. Keys
// are numbers too (the motion's load checks them), so every pose stays finite.
//
// Sections: [ik-prepare] the order and chains, [ik-switch] the motion's IK switches, [ik-limit] Euler
// angles and limits, [ik-play] a frame, [ik-needs] the bones some bones need.
#include "pose/ik.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "text/hash.h"

constexpr int IK_LOOPS = 256;                     // passes of one solve at most, whatever the model says
constexpr double IK_CLOSE = 1e-8;                 // |g - e|^2 below this: the solve is done
constexpr double IK_REACHED = 0.01;               // |g - e| below this: the target reached its goal
constexpr double IK_MIDDLE = 88.0 / POSE_DEGREES;  // the middle Euler angle's bound
constexpr double IK_AT_BOUND = 1e-5;              // radians: an angle this near a bound sits at it

// ---- [ik-prepare] ---------------------------------------------------------------------------------------

static void ik_refuse(PoseSkeleton* s, const char* format, int bone) {
  std::snprintf(s->ik_reason, sizeof s->ik_reason, format, bone);
  s->play_count = s->ik_chain_count = 0;
  s->ik_work = 0;
}

// True when bone a comes before bone b in play order: (after physics, layer, index).
static bool ik_earlier(const PoseSkeleton* s, int a, int b) {
  const PoseBone& x = s->bone[a];
  const PoseBone& y = s->bone[b];
  int pa = (x.flags & PMX_BONE_AFTER_PHYSICS) != 0, pb = (y.flags & PMX_BONE_AFTER_PHYSICS) != 0;
  if (pa != pb) return pa < pb;
  if (x.layer != y.layer) return x.layer < y.layer;
  return a < b;
}

// A binary heap of bones, earliest in play order on top.
static int32_t ik_heap[POSE_SLOTS];
static int ik_heap_count;

static void ik_heap_push(const PoseSkeleton* s, int b) {
  int i = ik_heap_count++;
  while (i > 0) {
    int up = (i - 1) / 2;
    if (!ik_earlier(s, b, ik_heap[up])) break;
    ik_heap[i] = ik_heap[up];
    i = up;
  }
  ik_heap[i] = b;
}

static int ik_heap_pop(const PoseSkeleton* s) {
  int top = ik_heap[0], last = ik_heap[--ik_heap_count], i = 0;
  for (;;) {
    int c = 2 * i + 1;
    if (c >= ik_heap_count) break;
    if (c + 1 < ik_heap_count && ik_earlier(s, ik_heap[c + 1], ik_heap[c])) c++;
    if (!ik_earlier(s, ik_heap[c], last)) break;
    ik_heap[i] = ik_heap[c];
    i = c;
  }
  if (ik_heap_count > 0) ik_heap[i] = last;
  return top;
}

// Checks IK bone k and enters its chain; false (with the reason) when its IK cannot be played.
static bool ik_chain_make(PoseSkeleton* s, int k, int32_t* mark, int64_t* work) {
  PoseBone& K = s->bone[k];
  if (K.link_count > POSE_IK_BONE_LINKS) return ik_refuse(s, "IK bone %d has more than 64 links", k), false;
  if (K.ik_loops <= 0) return ik_refuse(s, "IK bone %d has no loops", k), false;
  if (!std::isfinite(K.ik_limit)) return ik_refuse(s, "IK bone %d: its angle a step is not a number", k), false;
  int t = K.ik_target;
  if (t == k) return ik_refuse(s, "IK bone %d is its own target", k), false;
  int distinct = 0;
  for (int i = 0; i < K.link_count; i++) {
    const PoseLink& l = s->link[K.link_first + i];
    for (int a = 0; a < 3; a++) {
      if (!std::isfinite(l.lower[a]) || !std::isfinite(l.upper[a])) {
        return ik_refuse(s, "IK bone %d: a link's limits are not numbers", k), false;
      }
    }
    if (l.bone == k) return ik_refuse(s, "IK bone %d is a link of its own chain", k), false;
    if (l.bone == t) return ik_refuse(s, "IK bone %d: a link is its own target", k), false;
    if (s->bone[l.bone].absent) return ik_refuse(s, "IK bone %d: a link is not in the skeleton", k), false;
    if (mark[l.bone] != k + 1) mark[l.bone] = k + 1, distinct++;
  }
  // Up from the target: every link must be on the way (parents have no cycle, so the walk ends).
  int found = 0, top = -1, len = 1;
  for (int x = s->bone[t].parent; x >= 0 && found < distinct; x = s->bone[x].parent) {
    len++;
    if (mark[x] == k + 1) found++, top = x;
  }
  if (found < distinct) return ik_refuse(s, "IK bone %d: a link does not carry its target", k), false;
  for (int x = s->bone[k].parent; x >= 0; x = s->bone[x].parent) {
    if (mark[x] == k + 1) return ik_refuse(s, "IK bone %d hangs below its own links", k), false;
  }
  K.chain_first = s->ik_chain_count;
  K.chain_count = 0;
  if (top < 0) return true;  // no links: nothing to solve
  if (len > POSE_IK_CHAIN - s->ik_chain_count) {
    return ik_refuse(s, "the model's IK chains hold more than 16,384 bones (IK bone %d)", k), false;
  }
  int at = K.chain_first + len;
  for (int x = t;; x = s->bone[x].parent) {
    s->ik_chain[--at] = x;
    if (x == top) break;
  }
  K.chain_count = len;
  s->ik_chain_count += len;
  int loops = K.ik_loops < IK_LOOPS ? K.ik_loops : IK_LOOPS;
  *work += ((int64_t)loops * K.link_count + 1) * len + s->count;
  if (*work > POSE_IK_WORK) {
    return ik_refuse(s, "the model's IK takes more than 1,048,576 bone updates a frame (IK bone %d)", k), false;
  }
  for (int i = 0; i < K.link_count; i++) s->bone[s->link[K.link_first + i].bone].ik_link = 1;
  return true;
}

void pose_ik_prepare(PoseSkeleton* s) {
  s->ik_reason[0] = 0;
  s->play_count = s->ik_chain_count = 0;
  s->ik_work = 0;
  int n = s->count;
  if (n <= 0 || n > POSE_SLOTS) return ik_refuse(s, "the skeleton holds no bones", 0);
  static int32_t mark[POSE_SLOTS];  // IK bone + 1 whose links are being marked
  for (int i = 0; i < n; i++) {
    mark[i] = 0;
    s->bone[i].ik_link = 0;
    s->bone[i].chain_first = s->bone[i].chain_count = 0;
  }
  int64_t work = n;  // every bone posed once
  for (int k = 0; k < n; k++) {
    const PoseBone& K = s->bone[k];
    if (K.absent || !(K.flags & PMX_BONE_IK) || K.ik_target < 0) continue;
    if (!ik_chain_make(s, k, mark, &work)) return;
  }
  // Kahn's sort, earliest ready bone first, over the edges parent -> bone, source -> bone and chain
  // bone -> IK bone.
  static int32_t waiting[POSE_SLOTS], first_out[POSE_SLOTS + 1], fill[POSE_SLOTS];
  static int32_t out[2 * POSE_SLOTS + POSE_IK_CHAIN];
  auto edges = [&](auto&& edge) {
    for (int i = 0; i < n; i++) {
      const PoseBone& b = s->bone[i];
      if (b.absent) continue;
      if (b.parent >= 0) edge(b.parent, i);
      if (b.inherit >= 0) edge(b.inherit, i);
      for (int c = 0; c < b.chain_count; c++) edge(s->ik_chain[b.chain_first + c], i);
    }
  };
  for (int i = 0; i <= n; i++) first_out[i] = 0;
  for (int i = 0; i < n; i++) waiting[i] = 0;
  edges([&](int from, int to) { first_out[from + 1]++, waiting[to]++; });
  for (int i = 0; i < n; i++) first_out[i + 1] += first_out[i];
  for (int i = 0; i < n; i++) fill[i] = first_out[i];
  edges([&](int from, int to) { out[fill[from]++] = to; });
  ik_heap_count = 0;
  int present = 0;
  for (int i = 0; i < n; i++) {
    if (s->bone[i].absent) continue;
    present++;
    if (waiting[i] == 0) ik_heap_push(s, i);
  }
  int count = 0;
  while (ik_heap_count > 0) {
    int b = ik_heap_pop(s);
    s->play_order[count++] = b;
    for (int e = first_out[b]; e < first_out[b + 1]; e++) {
      if (--waiting[out[e]] == 0) ik_heap_push(s, out[e]);
    }
  }
  if (count < present) {
    for (int i = 0; i < n; i++) {
      if (!s->bone[i].absent && waiting[i] > 0 && s->bone[i].chain_count > 0) {
        return ik_refuse(s, "the IK bones' chains wait on each other (IK bone %d)", i);
      }
    }
    return ik_refuse(s, "the IK bones' chains wait on each other (IK bone %d)", -1);
  }
  s->play_count = count;
  s->ik_work = work;
}

// ---- [ik-switch] ----------------------------------------------------------------------------------------

bool pose_ik_on(const PoseMotion* m, const char* name, double frame) {
  int t = pose_motion_ik_track(m, name);
  if (t < 0) return true;
  const PoseIkTrack& tr = m->ik_track[t];
  const PoseIkSwitch* w = m->ik_switch + tr.first;
  // The last switch at or before frame; before the first, the first.
  int lo = 0, up = tr.count;
  while (lo < up) {
    int mid = lo + (up - lo) / 2;
    if ((double)w[mid].frame <= frame) lo = mid + 1;
    else up = mid;
  }
  return w[lo > 0 ? lo - 1 : 0].on != 0;
}

// ---- [ik-limit] -----------------------------------------------------------------------------------------

// The orders a rotation is taken apart in: R = R_first * R_middle * R_last (column vectors).
enum IkOrder : int { IK_YXZ = 0, IK_ZYX = 1, IK_XZY = 2 };

static bool ik_within_right_angle(const PoseLink& l, int a) {
  const double right = POSE_PI / 2.0 + 1e-6;  // a float's 90 degrees lies just past pi / 2
  return l.lower[a] >= -right && l.upper[a] <= right;
}

static IkOrder ik_order_of(const PoseLink& l) {
  if (ik_within_right_angle(l, 0)) return IK_YXZ;
  if (ik_within_right_angle(l, 1)) return IK_ZYX;
  return IK_XZY;
}

static double ik_clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

// The Euler angles (a[0] about X, a[1] about Y, a[2] about Z) of the unit quaternion q in order o, the
// middle angle within +-88 degrees.
static void ik_euler(PoseQuat q, IkOrder o, double* a) {
  double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
  double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z, xw = q.x * q.w, yw = q.y * q.w, zw = q.z * q.w;
  double m00 = 1 - 2 * (yy + zz), m01 = 2 * (xy - zw), m02 = 2 * (xz + yw);
  double m10 = 2 * (xy + zw), m11 = 1 - 2 * (xx + zz), m12 = 2 * (yz - xw);
  double m20 = 2 * (xz - yw), m21 = 2 * (yz + xw), m22 = 1 - 2 * (xx + yy);
  switch (o) {
    case IK_YXZ:
      a[0] = std::asin(ik_clamp(-m12, -1.0, 1.0));
      a[1] = std::atan2(m02, m22);
      a[2] = std::atan2(m10, m11);
      a[0] = ik_clamp(a[0], -IK_MIDDLE, IK_MIDDLE);
      break;
    case IK_ZYX:
      a[1] = std::asin(ik_clamp(-m20, -1.0, 1.0));
      a[0] = std::atan2(m21, m22);
      a[2] = std::atan2(m10, m00);
      a[1] = ik_clamp(a[1], -IK_MIDDLE, IK_MIDDLE);
      break;
    default:
      a[2] = std::asin(ik_clamp(-m01, -1.0, 1.0));
      a[0] = std::atan2(m21, m11);
      a[1] = std::atan2(m02, m00);
      a[2] = ik_clamp(a[2], -IK_MIDDLE, IK_MIDDLE);
      break;
  }
}

static PoseQuat ik_about(int axis, double angle) {
  double s = std::sin(angle / 2.0), c = std::cos(angle / 2.0);
  return {axis == 0 ? s : 0.0, axis == 1 ? s : 0.0, axis == 2 ? s : 0.0, c};
}

static PoseQuat ik_from_euler(const double* a, IkOrder o) {
  static const int axes[3][3] = {{1, 0, 2}, {2, 1, 0}, {0, 2, 1}};
  const int* x = axes[o];
  return pose_qmul(pose_qmul(ik_about(x[0], a[x[0]]), ik_about(x[1], a[x[1]])), ik_about(x[2], a[x[2]]));
}

// An angle held to [lo, hi]; in an early pass an angle past a bound is reflected about it when the
// reflection lands inside.
static double ik_hold(double v, double lo, double hi, bool early) {
  if (v < lo) {
    double r = 2.0 * lo - v;
    return early && r <= hi ? r : lo;
  }
  if (v > hi) {
    double r = 2.0 * hi - v;
    return early && r >= lo ? r : hi;
  }
  return v;
}

// The turn of a limited link after its limits: turn * q's Euler angles held to the ranges, and the
// turn that gives them.
static PoseQuat ik_limited(const PoseLink& l, PoseQuat turn, PoseQuat q, bool early) {
  IkOrder o = ik_order_of(l);
  double a[3];
  ik_euler(pose_qmul(turn, q), o, a);
  for (int i = 0; i < 3; i++) a[i] = ik_hold(a[i], l.lower[i], l.upper[i], early);
  PoseQuat r = pose_qmul(ik_from_euler(a, o), pose_qconj(q));
  pose_qnormalize(&r);
  return r;
}

// True when the limited link's rotation (turn * q) sits at a bound of one of its free axes.
static bool ik_at_bound(const PoseLink& l, PoseQuat turn, PoseQuat q) {
  double a[3];
  ik_euler(pose_qmul(turn, q), ik_order_of(l), a);
  for (int i = 0; i < 3; i++) {
    if (l.lower[i] == l.upper[i]) continue;
    if (std::fabs(a[i] - l.lower[i]) < IK_AT_BOUND || std::fabs(a[i] - l.upper[i]) < IK_AT_BOUND) return true;
  }
  return false;
}

// The one free axis of a limited link (0 X, 1 Y, 2 Z), or -1 when none or several are.
static int ik_free_axis(const PoseLink& l) {
  int free = -1;
  for (int a = 0; a < 3; a++) {
    if (l.lower[a] == l.upper[a]) continue;
    if (free >= 0) return -1;
    free = a;
  }
  return free;
}

static bool ik_fixed(const PoseLink& l) {
  if (!l.limited) return false;
  for (int a = 0; a < 3; a++) {
    if (l.lower[a] != 0.0f || l.upper[a] != 0.0f) return false;
  }
  return true;
}

// ---- [ik-play] ------------------------------------------------------------------------------------------

// The play in progress (written by pose_play_ik).
struct IkPlay {
  const PoseSkeleton* s;
  PoseXf* world;
  int64_t work;
  const PoseTrackRef* tracks;  // the tracks played: bound, or the caller's
  const uint8_t* needed;       // the bones posed (null: all)
  PoseTrackRef bound[POSE_SLOTS];
  int32_t hint[POSE_SLOTS];   // per bone, the span its track played last (frames often come in order)
  PoseXf local[POSE_SLOTS];   // key and inherited part (a link's solved turn not included)
  PoseQuat turn[POSE_SLOTS];  // links: the solved turn, standing before the local rotation
  uint8_t moved[POSE_SLOTS];  // scratch of the posing again after a solve
};
static IkPlay ik_play;

// Bone b's world pose from its parent's.
static void ik_pose(IkPlay& p, int b) {
  const PoseBone& bone = p.s->bone[b];
  PoseVec offset = {bone.rest[0], bone.rest[1], bone.rest[2]};
  PoseXf parent = pose_xidentity();
  if (bone.parent >= 0) {
    const PoseBone& up = p.s->bone[bone.parent];
    offset = pose_vsub(offset, PoseVec{up.rest[0], up.rest[1], up.rest[2]});
    parent = p.world[bone.parent];
  }
  PoseQuat q = bone.ik_link ? pose_qmul(p.turn[b], p.local[b].q) : p.local[b].q;
  p.world[b] = pose_xmul(parent, PoseXf{pose_vadd(offset, p.local[b].p), q});
  p.work++;
}

static void ik_local(IkPlay& p, int b, double frame) {
  const PoseBone& bone = p.s->bone[b];
  PoseXf x;
  pose_track_at(p.tracks[b], frame, &x.p, &x.q, &p.hint[b]);
  if (bone.inherit >= 0) {
    int src = bone.inherit;
    if (bone.flags & PMX_BONE_INHERITS_ROTATION) {
      PoseQuat a = p.s->bone[src].ik_link ? pose_qmul(p.turn[src], p.local[src].q) : p.local[src].q;
      x.q = pose_qmul(x.q, pose_qpow(a, bone.inherit_weight));
    }
    if (bone.flags & PMX_BONE_INHERITS_TRANSLATION) x.p = pose_vadd(x.p, pose_vscale(p.local[src].p, bone.inherit_weight));
  }
  p.local[b] = x;
}

static void ik_pose_chain(IkPlay& p, const PoseBone& K) {
  for (int c = 0; c < K.chain_count; c++) ik_pose(p, p.s->ik_chain[K.chain_first + c]);
}

static double ik_distance2(PoseVec a, PoseVec b) {
  PoseVec d = pose_vsub(a, b);
  return pose_vdot(d, d);
}

// Solves IK bone k; the bones at places before `at` in play order that hang below its links are posed
// again. Fills out's entries of k and its links.
static void ik_solve(IkPlay& p, int k, int at, PoseIkFrame* out) {
  const PoseSkeleton* s = p.s;
  const PoseBone& K = s->bone[k];
  const PoseLink* links = s->link + K.link_first;
  for (int i = 0; i < K.link_count; i++) p.turn[links[i].bone] = pose_qidentity();
  ik_pose_chain(p, K);
  int t = K.ik_target;
  PoseVec g = p.world[k].p, e = p.world[t].p;
  int loops = K.ik_loops < IK_LOOPS ? K.ik_loops : IK_LOOPS;
  double d2 = ik_distance2(g, e);
  for (int pass = 0; pass < loops && !(d2 < IK_CLOSE); pass++) {
    bool early = pass < loops / 2;
    for (int i = 0; i < K.link_count; i++) {
      const PoseLink& l = links[i];
      if (ik_fixed(l)) continue;
      int c = l.bone;
      PoseVec j = p.world[c].p, ve = pose_vsub(e, j), vg = pose_vsub(g, j);
      double le = pose_vlen(ve), lg = pose_vlen(vg);
      if (!(le > 1e-9) || !(lg > 1e-9)) continue;
      ve = pose_vscale(ve, 1.0 / le);
      vg = pose_vscale(vg, 1.0 / lg);
      PoseVec axis = {ve.y * vg.z - ve.z * vg.y, ve.z * vg.x - ve.x * vg.z, ve.x * vg.y - ve.y * vg.x};
      if (pose_vdot(axis, axis) < 1e-8) continue;
      double angle = std::acos(ik_clamp(pose_vdot(ve, vg), -1.0, 1.0));
      double step = (double)K.ik_limit * (l.knee ? 4.0 : 1.0) * (i + 1);
      if (angle > step) angle = step;
      // Into the parent's frame, where the turn stands.
      int up = s->bone[c].parent;
      if (up >= 0) axis = pose_qrot(pose_qconj(p.world[up].q), axis);
      axis = pose_vscale(axis, 1.0 / pose_vlen(axis));
      int free = l.limited && early ? ik_free_axis(l) : -1;
      if (free >= 0) {
        double v = free == 0 ? axis.x : free == 1 ? axis.y : axis.z;
        double sign = v < 0.0 ? -1.0 : 1.0;
        axis = {free == 0 ? sign : 0.0, free == 1 ? sign : 0.0, free == 2 ? sign : 0.0};
      }
      double sh = std::sin(angle / 2.0);
      PoseQuat r = {axis.x * sh, axis.y * sh, axis.z * sh, std::cos(angle / 2.0)};
      PoseQuat turn = pose_qmul(r, p.turn[c]);
      pose_qnormalize(&turn);
      if (l.limited) turn = ik_limited(l, turn, p.local[c].q, early);
      p.turn[c] = turn;
      ik_pose_chain(p, K);
      e = p.world[t].p;
    }
    d2 = ik_distance2(g, e);
  }
  // The bones already posed below the links follow them.
  for (int i = 0; i < K.link_count; i++) p.moved[links[i].bone] = 1;
  for (int a = 0; a < at; a++) {
    int b = s->play_order[a];
    int up = s->bone[b].parent;
    if (p.needed != nullptr && !p.needed[b]) continue;
    if (!p.moved[b] && !(up >= 0 && p.moved[up])) continue;
    p.moved[b] = 1;
    ik_pose(p, b);
  }
  for (int a = 0; a < at; a++) p.moved[s->play_order[a]] = 0;
  for (int i = 0; i < K.link_count; i++) p.moved[links[i].bone] = 0;
  if (out != nullptr) {
    out->solved++;
    out->flags[k] |= POSE_IK_SOLVED;
    out->miss[k] = (float)std::sqrt(d2);
    if (d2 < IK_REACHED * IK_REACHED) out->flags[k] |= POSE_IK_REACHED;
    else out->missed++;
    for (int i = 0; i < K.link_count; i++) {
      const PoseLink& l = links[i];
      if (l.limited && !ik_fixed(l) && ik_at_bound(l, p.turn[l.bone], p.local[l.bone].q)) {
        out->flags[l.bone] |= POSE_IK_AT_LIMIT;
      }
    }
  }
}

// A frame of IK play with the skeleton, tracks and bones set in p.
static void ik_frame(IkPlay& p, const PoseMotion* m, double frame, PoseIkFrame* out) {
  const PoseSkeleton* s = p.s;
  for (int i = 0; i < s->count; i++) {
    p.world[i] = p.local[i] = pose_xidentity();
    p.turn[i] = pose_qidentity();
    p.moved[i] = 0;
  }
  if (out != nullptr) {
    out->solved = out->missed = 0;
    std::memset(out->flags, 0, sizeof(uint8_t) * (size_t)s->count);
    std::memset(out->miss, 0, sizeof(float) * (size_t)s->count);
  }
  for (int at = 0; at < s->play_count; at++) {
    int b = s->play_order[at];
    if (p.needed != nullptr && !p.needed[b]) continue;
    ik_local(p, b, frame);
    ik_pose(p, b);
    const PoseBone& bone = s->bone[b];
    if (bone.chain_count > 0 && pose_ik_on(m, bone.name, frame)) ik_solve(p, b, at, out);
  }
  if (out != nullptr) out->work = p.work;
}

int pose_play_ik(const PoseSkeleton* s, const PoseMotion* m, double frame, PoseXf* world, PoseIkFrame* out) {
  if (s->count <= 0 || s->ik_reason[0] != 0 || s->play_count <= 0) return POSE_HOSTILE;
  IkPlay& p = ik_play;
  p.s = s;
  p.world = world;
  p.work = 0;
  pose_bind(s, m, p.bound);
  p.tracks = p.bound;
  p.needed = nullptr;
  ik_frame(p, m, frame, out);
  return POSE_DONE;
}

int pose_play_ik_tracks(const PoseSkeleton* s, const PoseTrackRef* tracks, const PoseMotion* m, const uint8_t* needed,
                        double frame, PoseXf* world, PoseIkFrame* out) {
  if (s->count <= 0 || s->ik_reason[0] != 0 || s->play_count <= 0) return POSE_HOSTILE;
  IkPlay& p = ik_play;
  p.s = s;
  p.world = world;
  p.work = 0;
  p.tracks = tracks;
  p.needed = needed;
  ik_frame(p, m, frame, out);
  return POSE_DONE;
}

// ---- [ik-needs] -----------------------------------------------------------------------------------------

void pose_ik_needs(const PoseSkeleton* s, uint8_t* needed) {
  int n = s->count;
  if (n <= 0 || n > POSE_SLOTS || s->play_count <= 0) return;
  // Per bone, the links that name it (a bone may be a link of several IK bones): a list by head and next.
  static int32_t head[POSE_SLOTS], next[POSE_LINKS], owner[POSE_LINKS];
  static int32_t stack[POSE_SLOTS];
  for (int i = 0; i < n; i++) head[i] = -1;
  for (int k = 0; k < n; k++) {
    const PoseBone& K = s->bone[k];
    if (K.absent || K.chain_count <= 0) continue;
    for (int i = 0; i < K.link_count; i++) {
      int at = K.link_first + i, b = s->link[at].bone;
      owner[at] = k;
      next[at] = head[b];
      head[b] = at;
    }
  }
  int top = 0;
  for (int i = 0; i < n; i++) {
    if (needed[i]) stack[top++] = i;
  }
  // A bone is pushed once, when it is first marked, so the walk ends.
  auto mark = [&](int b) {
    if (b >= 0 && b < n && !needed[b]) needed[b] = 1, stack[top++] = b;
  };
  while (top > 0) {
    int b = stack[--top];
    const PoseBone& bone = s->bone[b];
    mark(bone.parent);
    if (bone.inherit >= 0) mark(bone.inherit);
    for (int c = 0; c < bone.chain_count; c++) mark(s->ik_chain[bone.chain_first + c]);
    for (int at = bone.ik_link ? head[b] : -1; at >= 0; at = next[at]) mark(owner[at]);
  }
}
