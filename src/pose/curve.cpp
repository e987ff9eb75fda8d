// curve.cpp: a key's interpolation curves (see curve.h): byte layout, evaluation, de Casteljau splits.
//
// Records: the solves kept (curve_solved: the t of recent x1, x2 and s, written by curve_t).
// Limits: x(t) = s is solved by Newton's method from t = s, checked, and by bisection where Newton does
// not settle, to 1e-9 in x (curves whose x does not rise, from bytes a file may hold, still give a t).
// 4,096 solves are kept, one per slot (a newer one takes the slot).
// Trust: the bytes come from files: any value; bytes above 127 are read as 127.
#include "pose/curve.h"

#include <cmath>
#include <cstring>

static double curve_unit(uint8_t b) { return (b > 127 ? 127 : b) / 127.0; }

void curve_block(uint8_t* bytes, const PoseBezier* ch, uint8_t p1, uint8_t p2) {
  uint8_t row[16];
  for (int c = 0; c < CURVE_CHANNELS; c++) {
    row[c] = ch[c].x1;
    row[4 + c] = ch[c].y1;
    row[8 + c] = ch[c].x2;
    row[12 + c] = ch[c].y2;
  }
  for (int r = 0; r < 4; r++) {
    for (int i = 0; i < 16; i++) bytes[16 * r + i] = i + r < 16 ? row[i + r] : 0;
  }
  bytes[2] = p1;
  bytes[3] = p2;
}

// One coordinate of the cubic from 0 to 1 with inner control values a and b, and its derivative.
static double curve_at(double a, double b, double t) {
  double u = 1.0 - t;
  return 3.0 * u * u * t * a + 3.0 * u * t * t * b + t * t * t;
}
static double curve_slope(double a, double b, double t) {
  double u = 1.0 - t;
  return 3.0 * u * u * a + 6.0 * u * t * (b - a) + 3.0 * t * t * (1.0 - b);
}

// x(t) = s for 0 < s < 1.
static double curve_solve(double x1, double x2, double s) {
  double t = s;
  for (int i = 0; i < 8; i++) {
    double e = curve_at(x1, x2, t) - s;
    if (std::fabs(e) < 1e-9) return t;
    double d = curve_slope(x1, x2, t);
    if (!(std::fabs(d) > 1e-6)) break;
    t -= e / d;
    if (t < 0.0 || t > 1.0) break;
  }
  // Bisection: x runs from 0 to 1; where it does not rise everywhere, this finds one t with x(t) = s.
  double lo = 0.0, hi = 1.0;
  for (int i = 0; i < 60; i++) {
    t = 0.5 * (lo + hi);
    double e = curve_at(x1, x2, t) - s;
    if (std::fabs(e) < 1e-9) break;
    if (e < 0.0) lo = t;
    else hi = t;
  }
  return t;
}

// The solves kept: a motion's curves are few and its spans' lengths small whole frames, so one curve
// is solved at the same s again and again (every span of that length, every fold that looks at it).
// The t kept is the one the solve above gives, so a kept solve changes nothing.
constexpr int CURVE_SOLVED = 4096;  // a power of two
struct CurveSolved {
  uint64_t s_bits;
  uint16_t x12;    // x1, x2 (bytes as given)
  uint16_t used;
  double t;
};
static CurveSolved curve_solved[CURVE_SOLVED];

double curve_t(PoseBezier b, double s) {
  if (!(s > 0.0)) return 0.0;
  if (s >= 1.0) return 1.0;
  uint64_t bits;
  std::memcpy(&bits, &s, sizeof bits);
  uint16_t x12 = (uint16_t)(b.x1 | b.x2 << 8);
  uint64_t h = (bits ^ (bits >> 29) ^ ((uint64_t)x12 << 40)) * 0x9E3779B97F4A7C15ull;
  CurveSolved& kept = curve_solved[h >> 52 & (CURVE_SOLVED - 1)];
  if (kept.used && kept.s_bits == bits && kept.x12 == x12) return kept.t;
  double t = curve_solve(curve_unit(b.x1), curve_unit(b.x2), s);
  kept = CurveSolved{bits, x12, 1, t};
  return t;
}

double curve_y(PoseBezier b, double s) {
  if (!(s > 0.0)) return 0.0;
  if (s >= 1.0) return 1.0;
  // Control points on the diagonal: y(t) = x(t), so y = s.
  if (b.x1 == b.y1 && b.x2 == b.y2) return s;
  return curve_at(curve_unit(b.y1), curve_unit(b.y2), curve_t(b, s));
}

// A cubic's four control points in the plane.
struct CurvePoints {
  double x[4], y[4];
};

static CurvePoints curve_points(PoseBezier b) {
  return {{0.0, curve_unit(b.x1), curve_unit(b.x2), 1.0}, {0.0, curve_unit(b.y1), curve_unit(b.y2), 1.0}};
}

// de Casteljau at t: the part before t into *lo, the part after into *hi (either may be null).
static void curve_cut(const CurvePoints& p, double t, CurvePoints* lo, CurvePoints* hi) {
  double ax[4], ay[4];
  for (int i = 0; i < 4; i++) ax[i] = p.x[i], ay[i] = p.y[i];
  CurvePoints l, h;
  l.x[0] = ax[0], l.y[0] = ay[0];
  h.x[3] = ax[3], h.y[3] = ay[3];
  for (int level = 1; level < 4; level++) {
    for (int i = 0; i < 4 - level; i++) {
      ax[i] = ax[i] + (ax[i + 1] - ax[i]) * t;
      ay[i] = ay[i] + (ay[i + 1] - ay[i]) * t;
    }
    l.x[level] = ax[0], l.y[level] = ay[0];
    h.x[3 - level] = ax[3 - level], h.y[3 - level] = ay[3 - level];
  }
  if (lo != nullptr) *lo = l;
  if (hi != nullptr) *hi = h;
}

// One rescaled control value as a byte; false when it lies outside 0..1 by more than rounding covers.
static bool curve_byte(double v, uint8_t* out) {
  bool inside = v >= -0.5 / 127.0 && v <= 1.0 + 0.5 / 127.0;
  if (!(v > 0.0)) v = 0.0;  // also a value that is not a number
  if (v > 1.0) v = 1.0;
  *out = curve_round(v * 127.0);
  return inside;
}

// The points rescaled so that the first is (0, 0) and the last (1, 1), as bytes. A part whose y does not
// move is straight.
static bool curve_rescale(const CurvePoints& p, PoseBezier* out) {
  double w = p.x[3] - p.x[0], h = p.y[3] - p.y[0];
  if (!(w > 1e-12) || !(h > 1e-9)) {
    *out = POSE_LINEAR;
    return w > 1e-12;
  }
  bool ok = curve_byte((p.x[1] - p.x[0]) / w, &out->x1);
  ok = curve_byte((p.y[1] - p.y[0]) / h, &out->y1) && ok;
  ok = curve_byte((p.x[2] - p.x[0]) / w, &out->x2) && ok;
  ok = curve_byte((p.y[2] - p.y[0]) / h, &out->y2) && ok;
  return ok;
}

int curve_split(PoseBezier b, double s, PoseBezier* first, PoseBezier* second) {
  CurvePoints lo, hi;
  curve_cut(curve_points(b), curve_t(b, s), &lo, &hi);
  int out = curve_rescale(lo, first) ? 0 : CURVE_FIRST_OUT;
  if (!curve_rescale(hi, second)) out |= CURVE_SECOND_OUT;
  return out;
}

bool curve_part(PoseBezier b, double s0, double s1, PoseBezier* part) {
  if (!(s0 > 0.0) && !(s1 < 1.0)) {
    *part = b;
    return true;
  }
  double t0 = curve_t(b, s0), t1 = curve_t(b, s1);
  CurvePoints p = curve_points(b), lo;
  if (t1 < 1.0) {
    curve_cut(p, t1, &lo, nullptr);
    p = lo;
  }
  if (t0 > 0.0 && t1 > 0.0) curve_cut(p, t0 / t1, nullptr, &p);
  return curve_rescale(p, part);
}
