// size_keys.cpp: a correction fitted into a track's keys (size_fit, see size_work.h).
//
// The corrected motion at frame f is the track played at f with the correction there (interpolated
// between the samples) applied. The fit starts from the track's own keys, each taking the correction at
// its frame, then puts keys in where the keys stray most from the corrected motion (more than the
// tolerances: 0.005 units, 0.1 degrees), the worst span first, until none strays or the keys allowed are
// spent. A key put inside a span of the track takes the part of the span's curve it covers (curve_part:
// a de Casteljau cut, so the motion keeps its timing) and the physics bytes of the key on its left; the
// key ending the span takes the rest of its curve; a key put before the track's first key or after its
// last (where the track stands still) is straight. A key of the track whose frame has no correction and
// whose span is not cut goes out byte for byte.
//
// Records: the scratch of the fit in progress (the running count of corrected samples, the keys as a
// list in frame order, the spans by how far they stray), written by size_fit.
// Limits: the caller's capacity; SIZE_WORK frames evaluated in all (counted by the caller's counter).
#include <cmath>
#include <cstring>

#include "pose/curve.h"
#include "pose/pose.h"
#include "pose/size_work.h"

// Samples whose correction is not nothing, counted: fit_nonzero[i] is the count below sample i.
static int32_t fit_nonzero[SIZE_SAMPLES + 1];
struct FitRun {
  const PoseKey* base;
  int n;
  const SizeFix* fix;
  int samples, stride;
  int32_t hint;
  uint32_t last;  // the last frame a correction holds for
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
  k->pos[0] = size_far(x.p.x), k->pos[1] = size_far(x.p.y), k->pos[2] = size_far(x.p.z);
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

// How far a key standing still strays from the corrected motion over frames f0 .. f1 (every stride-th):
// above 1 strays; the worst frame into *worst.
static double fit_still(FitRun& r, const PoseKey& k, uint32_t f0, uint32_t f1, uint32_t* worst, int64_t* work) {
  double most = 0.0;
  PoseVec p = {k.pos[0], k.pos[1], k.pos[2]};
  PoseQuat q = {k.rot[0], k.rot[1], k.rot[2], k.rot[3]};
  uint32_t step = (uint32_t)r.stride;
  for (uint32_t f = (f0 + step - 1) / step * step; f <= f1 && f >= f0; f += step) {
    PoseXf want = fit_want(r, f);
    double e = pose_vlen(pose_vsub(p, want.p)) / SIZE_TOLERANCE_UNITS;
    double turn = pose_qbetween(q, want.q) / SIZE_TOLERANCE_RADIANS;
    if (turn > e) e = turn;
    if (e > most) most = e, *worst = f;
    (*work)++;
  }
  return most;
}

// The keys being fitted: a list in frame order, and the spans that stray, worst on top of a heap. A span
// is named by the key that ends it (from the key before it, or from frame 0 for the first key) or, for
// the frames after the last key, by that key with `tail` set; a span's entry is stale when its key's
// version moved on.
static PoseKey fit_keys[SIZE_KEYS];
static int32_t fit_prev[SIZE_KEYS], fit_next[SIZE_KEYS], fit_version[SIZE_KEYS];
static uint8_t fit_as_is[SIZE_KEYS];
struct FitSpan {
  double stray;
  int32_t key, version;
  uint32_t worst;
};
static FitSpan fit_heap[3 * SIZE_KEYS + 8];
static int fit_heap_count;
static int32_t fit_tail_version;

static void fit_push(const FitSpan& s) {
  int i = fit_heap_count++;
  while (i > 0 && fit_heap[(i - 1) / 2].stray < s.stray) fit_heap[i] = fit_heap[(i - 1) / 2], i = (i - 1) / 2;
  fit_heap[i] = s;
}

static FitSpan fit_pop() {
  FitSpan top = fit_heap[0], last = fit_heap[--fit_heap_count];
  int i = 0;
  for (;;) {
    int c = 2 * i + 1;
    if (c >= fit_heap_count) break;
    if (c + 1 < fit_heap_count && fit_heap[c + 1].stray > fit_heap[c].stray) c++;
    if (fit_heap[c].stray <= last.stray) break;
    fit_heap[i] = fit_heap[c], i = c;
  }
  if (fit_heap_count > 0) fit_heap[i] = last;
  return top;
}

// Checks the span ending at key e (tail: the frames after e, the last key) and pushes it when it strays.
static void fit_check(FitRun& r, int e, bool tail, int64_t* work) {
  uint32_t worst = 0;
  double stray = 0.0;
  const PoseKey& k = fit_keys[e];
  int p = fit_prev[e];
  if (tail) {
    if (k.frame < r.last) stray = fit_still(r, k, k.frame + 1, r.last, &worst, work);
  } else if (p < 0) {
    if (k.frame > 0) stray = fit_still(r, k, 0, k.frame - 1, &worst, work);
  } else if (!(fit_as_is[p] && fit_as_is[e] && fit_none(r, fit_keys[p].frame, k.frame))) {
    stray = fit_stray(r, fit_keys[p], k, &worst, work);
  }
  if (stray > 1.0) fit_push(FitSpan{stray, tail ? -1 - e : e, tail ? fit_tail_version : fit_version[e], worst});
}

int size_fit(const PoseKey* base, int n, const SizeFix* fix, int samples, int stride, PoseKey* out, int cap,
             int64_t* work) {
  if (n <= 0 || n > SIZE_KEYS || cap < n || samples <= 0 || samples > SIZE_SAMPLES) return 0;
  if (cap > SIZE_KEYS) cap = SIZE_KEYS;
  FitRun r = {base, n, fix, samples, stride < 1 ? 1 : stride, -1, 0};
  r.last = (uint32_t)(samples - 1) * (uint32_t)r.stride;
  fit_nonzero[0] = 0;
  for (int i = 0; i < samples; i++) fit_nonzero[i + 1] = fit_nonzero[i] + (fit_zero(fix->v[i]) ? 0 : 1);
  if (fit_nonzero[samples] == 0) {
    std::memcpy(out, base, sizeof(PoseKey) * (size_t)n);
    return n;
  }
  for (int i = 0; i < n; i++) {
    fit_as_is[i] = fit_key(r, i > 0, i > 0 ? base[i - 1].frame : 0, base[i].frame, &fit_keys[i]);
    fit_prev[i] = i - 1;
    fit_next[i] = i + 1 < n ? i + 1 : -1;
    fit_version[i] = 0;
  }
  int count = n, first = 0, last = n - 1;
  fit_heap_count = 0;
  fit_tail_version = 0;
  for (int i = 0; i < n; i++) fit_check(r, i, false, work);
  fit_check(r, last, true, work);
  while (fit_heap_count > 0 && count < cap && *work < SIZE_WORK) {
    FitSpan s = fit_pop();
    bool tail = s.key < 0;
    int e = tail ? -1 - s.key : s.key;
    if (s.version != (tail ? fit_tail_version : fit_version[e]) || (tail && e != last)) continue;
    // The key put in at the worst frame, between p and e (or after e, the last).
    int c = count++;
    int p = tail ? e : fit_prev[e];
    fit_as_is[c] = fit_key(r, p >= 0, p >= 0 ? fit_keys[p].frame : 0, s.worst, &fit_keys[c]);
    fit_version[c] = 0;
    fit_prev[c] = p;
    fit_next[c] = tail ? -1 : e;
    if (p >= 0) fit_next[p] = c;
    else first = c;
    if (tail) {
      last = c;
      fit_tail_version++;
      fit_check(r, c, false, work);
      fit_check(r, c, true, work);
      continue;
    }
    fit_prev[e] = c;
    fit_version[e]++;
    fit_as_is[e] = fit_key(r, true, s.worst, fit_keys[e].frame, &fit_keys[e]);
    fit_check(r, c, false, work);
    fit_check(r, e, false, work);
  }
  int written = 0;
  for (int k = first; k >= 0; k = fit_next[k]) out[written++] = fit_keys[k];
  return written;
}
