// curve.h: a bone key's interpolation curves: reading them from the key's 64 bytes, evaluating one, and
// splitting one in two (to put a key inside a span without changing the motion between).
//
// The 64 bytes are four rows of 16. Row 0 holds X.x1, Y.x1, P1, P2, then y1 of X, Y, Z, R, then x2 and
// y2 of X, Y, Z, R; rows 1, 2 and 3 are the whole curve row (with Z.x1 and R.x1 where row 0 has P1 and
// P2) shifted left by 1, 2 and 3 bytes, the vacated bytes 0. So Z.x1 is byte 17 and R.x1 byte 18. P1
// and P2 (bytes 2 and 3) are no curve values: 99, 15 there switch the model's physics off from the key
// on; they are kept as the key has them.
//
// A curve runs from (0, 0) to (1, 1) with control points (x1, y1) and (x2, y2), each a byte 0 to 127
// (divided by 127); bytes above 127 count as 127.
#pragma once
#include <cstdint>

constexpr int POSE_CURVE_BYTES = 64;

enum PoseChannel : int { CURVE_X = 0, CURVE_Y = 1, CURVE_Z = 2, CURVE_R = 3, CURVE_CHANNELS = 4 };

// One channel's control points, bytes 0 to 127.
struct PoseBezier {
  uint8_t x1, y1, x2, y2;
};

// The straight curve the editor writes by default.
constexpr PoseBezier POSE_LINEAR = {20, 20, 107, 107};

// True when a and b are one curve (a key's channels often share one: it is solved or split once).
inline bool curve_same(PoseBezier a, PoseBezier b) { return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2; }

// The curve of channel in a key's 64 bytes (inline: every evaluation of a span reads one). Row 0 holds
// P1 and P2 where Z.x1 and R.x1 would be, so those two are read from row 1 (bytes 17 and 18).
inline PoseBezier curve_get(const uint8_t* bytes, int channel) {
  return {bytes[channel < 2 ? channel : 15 + channel], bytes[4 + channel], bytes[8 + channel], bytes[12 + channel]};
}
// x (0 to 255) rounded to a byte half away from zero, as lround rounds it, without the library call (the
// part after the point of such an x is exact).
inline uint8_t curve_round(double x) {
  int whole = (int)x;
  return (uint8_t)(x - whole >= 0.5 ? whole + 1 : whole);
}

// Builds a key's 64 bytes from its four curves (X, Y, Z, R) and its P1, P2 bytes, in the layout above.
void curve_block(uint8_t* bytes, const PoseBezier* channels, uint8_t p1, uint8_t p2);
// The curve's y where its x is s (0 to 1), found to 1e-7 in x.
double curve_y(PoseBezier b, double s);
// The curve parameter t (0 to 1) where x(t) = s.
double curve_t(PoseBezier b, double s);
// Splits b where its x is s (0 < s < 1), by de Casteljau at the t where x(t) = s: the first half (x 0 to
// s) into *first and the second (x s to 1) into *second, each rescaled to the unit square and rounded
// to 0 to 127. Returns 0 when both halves' control points fell inside the square, else CURVE_FIRST_OUT
// and/or CURVE_SECOND_OUT for the half that fell outside (it is then clamped into it, and the motion
// over it changes: split again nearer). A half whose y does not move becomes the straight curve.
enum : int { CURVE_FIRST_OUT = 1, CURVE_SECOND_OUT = 2 };
int curve_split(PoseBezier b, double s, PoseBezier* first, PoseBezier* second);
// The part of b between x = s0 and x = s1 (0 <= s0 < s1 <= 1), rescaled and rounded as by curve_split;
// true when it fell inside the square.
bool curve_part(PoseBezier b, double s0, double s1, PoseBezier* part);
