// curve.cpp: a key's interpolation curves (see curve.h): byte layout, evaluation, de Casteljau splits.
//
// Records: the solves kept (curve_solved: the t and y of recent curves at recent s, written by curve_t and
// curve_y) and the parts kept (curve_parts, written by curve_part).
// Limits: x(t) = s is solved by Newton's method from t = s, checked, and by bisection where Newton does
// not settle, to 1e-9 in x (curves whose x does not rise, from bytes a file may hold, still give a t).
// 4,096 solves and 4,096 parts are kept, one per slot (a newer one takes the slot).
// Trust: the bytes come from files: any value; bytes above 127 are read as 127.
#include "pose/curve.h"

#include <cmath>
#include <cstring>

static double curve_unit(uint8_t b) { return (b > 127 ? 127 : b) / 127.0; }

void curve_block(uint8_t* bytes, const PoseBezier* ch, uint8_t p1, uint8_t p2) {
  uint8_t row[16 + 3] = {};  // the row, then the zeros that fill the shifted rows' ends
  for (int c = 0; c < CURVE_CHANNELS; c++) {
    row[c] = ch[c].x1;
    row[4 + c] = ch[c].y1;
    row[8 + c] = ch[c].x2;
    row[12 + c] = ch[c].y2;
  }
  for (int r = 0; r < 4; r++) std::memcpy(bytes + 16 * r, row + r, 16);
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
// A kept solve holds the t the solve above gives and the y there, so it changes nothing.
constexpr int CURVE_SOLVED = 4096;  // a power of two
struct CurveSolved {
  uint64_t s_bits;
  uint32_t curve;  // x1, y1, x2, y2 (bytes as given)
  uint32_t used;
  double t, y;
};
static CurveSolved curve_solved[CURVE_SOLVED];

static uint32_t curve_word(PoseBezier b) { return (uint32_t)b.x1 | (uint32_t)b.y1 << 8 | (uint32_t)b.x2 << 16 | (uint32_t)b.y2 << 24; }

// The solve of b at s (0 < s < 1), kept or found now.
static const CurveSolved& curve_solved_at(PoseBezier b, double s) {
  uint64_t bits;
  std::memcpy(&bits, &s, sizeof bits);
  uint32_t word = curve_word(b);
  uint64_t h = (bits ^ (bits >> 29) ^ ((uint64_t)word << 24)) * 0x9E3779B97F4A7C15ull;
  CurveSolved& kept = curve_solved[h >> 52 & (CURVE_SOLVED - 1)];
  if (kept.used && kept.s_bits == bits && kept.curve == word) return kept;
  double t = curve_solve(curve_unit(b.x1), curve_unit(b.x2), s);
  kept = CurveSolved{bits, word, 1, t, curve_at(curve_unit(b.y1), curve_unit(b.y2), t)};
  return kept;
}

double curve_t(PoseBezier b, double s) {
  if (!(s > 0.0)) return 0.0;
  if (s >= 1.0) return 1.0;
  return curve_solved_at(b, s).t;
}

double curve_y(PoseBezier b, double s) {
  if (!(s > 0.0)) return 0.0;
  if (s >= 1.0) return 1.0;
  // Control points on the diagonal: y(t) = x(t), so y = s.
  if (b.x1 == b.y1 && b.x2 == b.y2) return s;
  return curve_solved_at(b, s).y;
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

// curve_part's cut, for 0 < s0 or s1 < 1.
static bool curve_part_find(PoseBezier b, double s0, double s1, PoseBezier* part) {
  double t0 = curve_t(b, s0), t1 = curve_t(b, s1);
  CurvePoints p = curve_points(b), lo;
  if (t1 < 1.0) {
    curve_cut(p, t1, &lo, nullptr);
    p = lo;
  }
  if (t0 > 0.0 && t1 > 0.0) curve_cut(p, t0 / t1, nullptr, &p);
  return curve_rescale(p, part);
}

// The parts kept, as the solves are (a track's spans are cut at the same places again and again).
constexpr int CURVE_PARTS = 4096;  // a power of two
struct CurvePartKept {
  uint64_t s0_bits, s1_bits;
  uint32_t curve, part;  // the curve and its part (x1, y1, x2, y2)
  uint32_t used, inside;
};
static CurvePartKept curve_parts[CURVE_PARTS];

bool curve_part(PoseBezier b, double s0, double s1, PoseBezier* part) {
  if (!(s0 > 0.0) && !(s1 < 1.0)) {
    *part = b;
    return true;
  }
  uint64_t bits0, bits1;
  std::memcpy(&bits0, &s0, sizeof bits0);
  std::memcpy(&bits1, &s1, sizeof bits1);
  uint32_t word = curve_word(b);
  uint64_t h = (bits0 ^ (bits1 * 0xC2B2AE3D27D4EB4Full) ^ ((uint64_t)word << 24)) * 0x9E3779B97F4A7C15ull;
  CurvePartKept& kept = curve_parts[h >> 52 & (CURVE_PARTS - 1)];
  if (!(kept.used && kept.s0_bits == bits0 && kept.s1_bits == bits1 && kept.curve == word)) {
    PoseBezier found;
    bool inside = curve_part_find(b, s0, s1, &found);
    kept = CurvePartKept{bits0, bits1, word, curve_word(found), 1, inside};
  }
  *part = PoseBezier{(uint8_t)kept.part, (uint8_t)(kept.part >> 8), (uint8_t)(kept.part >> 16), (uint8_t)(kept.part >> 24)};
  return kept.inside != 0;
}
