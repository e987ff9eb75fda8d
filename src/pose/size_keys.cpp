// size_keys.cpp: a correction fitted into a track's keys (size_fit, see size_work.h).
//
// The corrected motion at frame f is the track played at f with the correction there (interpolated
// between the samples) applied. The fit walks the frames that must hold keys (every key's, and the two
// frames that close each corrected stretch, where the correction is 0) in order, and before a key goes
// out checks the span from the key before it: where the keys would stray from the corrected motion by
// more than the tolerances, a key goes in at the worst frame first (to the left of the one pending),
// until the span holds or the keys allowed are spent. A key put inside a span of the track takes the
// part of the span's curve it covers (curve_part: a de Casteljau cut, so the motion keeps its timing)
// and the physics bytes of the key on its left; the key ending the span takes the rest of its curve. A
// key of the track whose frame has no correction and whose span is not cut goes out byte for byte.
//
// Records: the scratch of the fit in progress (the frames to key, the pending stack, the running count
// of corrected samples), written by size_fit.
// Limits: the caller's capacity; SIZE_WORK frames evaluated in all (counted by the caller's counter).
#include <cmath>
#include <cstring>

#include "pose/curve.h"
#include "pose/pose.h"
#include "pose/size_work.h"

// Samples whose correction is not nothing, counted: fit_nonzero[i] is the count below sample i.
static int32_t fit_nonzero[SIZE_SAMPLES + 1];
static uint32_t fit_frames[2 * SIZE_KEYS];  // frames that must hold keys: a key's (tagged) or a stretch's end
static uint32_t fit_stack[SIZE_KEYS];

constexpr uint32_t FIT_OWN = 1u << 31;  // fit_frames: the frame of a key of the track

struct FitRun {
  const PoseKey* base;
  int n;
  const SizeFix* fix;
  int samples, stride;
  int32_t hint;
};

// Whether a sample's correction is nothing: no offset, or the identity turn.
static bool fit_zero(const float* v) { return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f; }

// The correction at frame f: interpolated between the samples around it; none past the last.
static void fit_fix_at(const FitRun& r, double f, PoseXf* c) {
  c->p = {0.0, 0.0, 0.0};
  c->q = pose_qidentity();
  double x = f / r.stride;
  int i = (int)std::floor(x);
  if (i < 0 || i >= r.samples) return;
  double t = x - i;
  const float* a = r.fix->v[i];
  const float* b = i + 1 < r.samples ? r.fix->v[i + 1] : a;
  if (r.fix->rotation) {
    PoseQuat qa = {a[0], a[1], a[2], a[3]}, qb = {b[0], b[1], b[2], b[3]};
    c->q = t > 0.0 ? pose_slerp(qa, qb, t) : qa;
    pose_qnormalize(&c->q);
  } else {
    c->p = {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
  }
}

// Whether the frames from f0 to f1 (whole frames, f0 <= f1) have no correction: the samples they lie
// between have none.
static bool fit_none(const FitRun& r, uint32_t f0, uint32_t f1) {
  uint32_t step = (uint32_t)r.stride, i0 = f0 / step, i1 = f1 / step + (f1 % step != 0 ? 1 : 0);
  if (i0 >= (uint32_t)r.samples) return true;
  if (i1 >= (uint32_t)r.samples) i1 = (uint32_t)r.samples - 1;
  return fit_nonzero[i1 + 1] - fit_nonzero[i0] == 0;
}

// The corrected motion at frame f.
static PoseXf fit_want(FitRun& r, double f) {
  PoseXf x, c;
  pose_track_at(PoseTrackRef{r.base, r.n}, f, &x.p, &x.q, &r.hint);
  fit_fix_at(r, f, &c);
  if (r.fix->rotation) x.q = pose_qmul(c.q, x.q);
  else x.p = pose_vadd(x.p, c.p);
  return x;
}

static void fit_values(PoseKey* k, const PoseXf& x) {
  k->pos[0] = (float)x.p.x, k->pos[1] = (float)x.p.y, k->pos[2] = (float)x.p.z;
  PoseQuat q = x.q;
  pose_qnormalize(&q);
  k->rot[0] = (float)q.x, k->rot[1] = (float)q.y, k->rot[2] = (float)q.z, k->rot[3] = (float)q.w;
}

// The base key at or after frame f: its index (n when none).
static int fit_after(const FitRun& r, uint32_t f) {
  int lo = 0, up = r.n;
  while (lo < up) {
    int mid = lo + (up - lo) / 2;
    if (r.base[mid].frame < f) lo = mid + 1;
    else up = mid;
  }
  return lo;
}

// The key at frame e following the key at frame a (a < e, or a = e = the first key's frame): the base's
// own (byte for byte where nothing about it changes), or one put in.
// True when the key is the base's own, byte for byte.
static bool fit_key(FitRun& r, bool have_prev, uint32_t a, uint32_t e, PoseKey* k) {
  int j = fit_after(r, e);  // the base key at e, or the one ending the base span e lies in
  bool own = j < r.n && r.base[j].frame == e;
  bool whole_span = own && (j == 0 || !have_prev || r.base[j - 1].frame == a);
  bool corrected = !fit_none(r, e, e);
  if (own) {
    *k = r.base[j];
    if (corrected) fit_values(k, fit_want(r, e));
    if (whole_span || j == 0) return !corrected;
  } else {
    fit_values(k, fit_want(r, e));
    k->frame = e;
  }
  // Before the first key or after the last the track stands still: a key put there is straight.
  if (j == 0 || j == r.n) {
    const PoseKey& near = r.base[j == 0 ? 0 : r.n - 1];
    PoseBezier linear[CURVE_CHANNELS] = {POSE_LINEAR, POSE_LINEAR, POSE_LINEAR, POSE_LINEAR};
    curve_block(k->curve, linear, near.curve[2], near.curve[3]);
    return false;
  }
  // A part of the base span (f0, f1] that base[j]'s curve drives: from a (or f0) to e.
  const PoseKey& k0 = r.base[j - 1];
  const PoseKey& k1 = r.base[j];
  double f0 = k0.frame, f1 = k1.frame;
  double s0 = have_prev && a > k0.frame ? (a - f0) / (f1 - f0) : 0.0, s1 = (e - f0) / (f1 - f0);
  PoseBezier part[CURVE_CHANNELS];
  for (int c = 0; c < CURVE_CHANNELS; c++) curve_part(curve_get(k1.curve, c), s0, s1, &part[c]);
  const PoseKey& physics = own ? k1 : k0;  // a key put in keeps the switch in effect on its left
  curve_block(k->curve, part, physics.curve[2], physics.curve[3]);
  return false;
}

// How far the span from key ka to key kb strays from the corrected motion (over the tolerances: above 1
// strays) and where, checked at every stride-th frame strictly between.
static double fit_stray(FitRun& r, const PoseKey& ka, const PoseKey& kb, uint32_t* worst, int64_t* work) {
  double most = 0.0;
  uint32_t step = (uint32_t)r.stride;
  for (uint32_t f = (ka.frame / step + 1) * step; f < kb.frame; f += step) {
    PoseVec p;
    PoseQuat q;
    pose_span_at(ka, kb, f, &p, &q);
    PoseXf want = fit_want(r, f);
    double e = pose_vlen(pose_vsub(p, want.p)) / SIZE_TOLERANCE_UNITS;
    double turn = pose_qbetween(q, want.q) / SIZE_TOLERANCE_RADIANS;
    if (turn > e) e = turn;
    if (e > most) most = e, *worst = f;
    (*work)++;
  }
  return most;
}

// The frames that must hold keys, ascending: the base's (tagged FIT_OWN) and the ends of each
// corrected stretch that fall where the base has none. Their count.
static int fit_plan_frames(const FitRun& r, int ends_allowed) {
  static uint32_t ends[2 * SIZE_KEYS];
  int ne = 0;
  uint32_t last = (uint32_t)(r.samples - 1) * (uint32_t)r.stride;
  for (int i = 0; i < r.samples && ne + 2 <= ends_allowed && ne + 2 <= 2 * SIZE_KEYS; i++) {
    bool on = fit_nonzero[i + 1] - fit_nonzero[i] != 0;
    bool before = i > 0 && fit_nonzero[i] - fit_nonzero[i - 1] != 0;
    bool after = i + 1 < r.samples && fit_nonzero[i + 2] - fit_nonzero[i + 1] != 0;
    if (on && !before) ends[ne++] = i > 0 ? (uint32_t)(i - 1) * (uint32_t)r.stride : 0;
    if (on && !after) ends[ne++] = i + 1 < r.samples ? (uint32_t)(i + 1) * (uint32_t)r.stride : last;
  }
  int n = 0, a = 0, b = 0;
  while (a < r.n || b < ne) {
    uint32_t fa = a < r.n ? r.base[a].frame : UINT32_MAX, fb = b < ne ? ends[b] : UINT32_MAX;
    uint32_t f = fa <= fb ? fa : fb;
    if (fa == f) a++;
    while (b < ne && ends[b] == f) b++;
    if (n > 0 && (fit_frames[n - 1] & ~FIT_OWN) == f) continue;
    fit_frames[n++] = f | (fa == f ? FIT_OWN : 0);
  }
  return n;
}

int size_fit(const PoseKey* base, int n, const SizeFix* fix, int samples, int stride, PoseKey* out, int cap,
             int64_t* work) {
  if (n <= 0 || n > SIZE_KEYS || cap < n || samples <= 0 || samples > SIZE_SAMPLES) return 0;
  FitRun r = {base, n, fix, samples, stride < 1 ? 1 : stride, -1};
  fit_nonzero[0] = 0;
  for (int i = 0; i < samples; i++) fit_nonzero[i + 1] = fit_nonzero[i] + (fit_zero(fix->v[i]) ? 0 : 1);
  if (fit_nonzero[samples] == 0) {
    std::memcpy(out, base, sizeof(PoseKey) * (size_t)n);
    return n;
  }
  int budget = cap - n;
  int frames = fit_plan_frames(r, budget);
  for (int i = 0; i < frames; i++) budget -= (fit_frames[i] & FIT_OWN) ? 0 : 1;
  int count = 0;
  uint32_t a = 0;
  for (int i = 0; i < frames; i++) {
    int top = 0;
    fit_stack[top++] = fit_frames[i] & ~FIT_OWN;
    while (top > 0) {
      uint32_t e = fit_stack[top - 1];
      PoseKey k;
      bool as_it_is = fit_key(r, count > 0, a, e, &k);
      // A span of the base's own keys with no correction plays as it did: nothing to check.
      if (count > 0 && !(as_it_is && fit_none(r, a, e))) {
        uint32_t worst = 0;
        if (budget > 0 && top < SIZE_KEYS && *work < SIZE_WORK && fit_stray(r, out[count - 1], k, &worst, work) > 1.0 &&
            worst > a && worst < e) {
          fit_stack[top++] = worst;
          budget--;
          continue;
        }
      }
      out[count++] = k;
      a = e;
      top--;
    }
  }
  return count;
}
