// Curves: where each channel's control points sit in a key's 64 bytes, what a curve gives, and its
// de Casteljau split, byte for byte (expected values worked out apart, by bisection and de Casteljau in
// double precision).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "pose/curve.h"
#include "support/vmdwriter.h"

namespace {

bool same(PoseBezier a, PoseBezier b) { return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2; }

}  // namespace

// The layout: Z.x1 and R.x1 live in row 1 (bytes 17 and 18), bytes 2 and 3 are P1 and P2; a block made
// from four curves and P1, P2 is the editor's layout, byte for byte (the test writer's own bytes).
TEST(Curve, LayoutOfTheSixtyFourBytes) {
  const int c[4][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
  std::string bytes = VmdWriter::curves(c, 99, 15);
  const uint8_t* b = reinterpret_cast<const uint8_t*>(bytes.data());
  EXPECT_TRUE(same(curve_get(b, CURVE_X), PoseBezier{1, 2, 3, 4}));
  EXPECT_TRUE(same(curve_get(b, CURVE_Y), PoseBezier{5, 6, 7, 8}));
  EXPECT_TRUE(same(curve_get(b, CURVE_Z), PoseBezier{9, 10, 11, 12}));
  EXPECT_TRUE(same(curve_get(b, CURVE_R), PoseBezier{13, 14, 15, 16}));
  EXPECT_EQ(b[17], 9);
  EXPECT_EQ(b[18], 13);
  PoseBezier ch[4] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}};
  uint8_t made[64];
  curve_block(made, ch, 99, 15);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(made), 64), bytes);
}

// Values: the straight curve gives x back; an ease curve at a quarter; the ends; bytes above 127 read
// as 127.
TEST(Curve, Evaluation) {
  EXPECT_DOUBLE_EQ(curve_y(POSE_LINEAR, 0.3), 0.3);
  EXPECT_NEAR(curve_y(PoseBezier{40, 0, 87, 127}, 0.25), 0.16206024875443342, 1e-7);
  EXPECT_NEAR(curve_y(PoseBezier{64, 10, 64, 117}, 0.3), 0.17945474584962862, 1e-7);
  EXPECT_EQ(curve_y(PoseBezier{40, 0, 87, 127}, 0.0), 0.0);
  EXPECT_EQ(curve_y(PoseBezier{40, 0, 87, 127}, 1.0), 1.0);
  EXPECT_NEAR(curve_y(PoseBezier{255, 0, 200, 127}, 0.5), curve_y(PoseBezier{127, 0, 127, 127}, 0.5), 1e-12);
}

// Splits: exact bytes of both halves; a half whose control points leave the unit square is reported
// (and clamped).
TEST(Curve, DeCasteljauSplit) {
  struct Case {
    PoseBezier curve;
    double s;
    PoseBezier first, second;
    int out;
  };
  const Case cases[] = {
      {{40, 0, 87, 127}, 0.5, {40, 0, 83, 64}, {44, 64, 87, 127}, 0},
      {{40, 0, 87, 127}, 0.25, {41, 0, 83, 51}, {42, 43, 87, 127}, 0},
      {{64, 10, 64, 117}, 0.3, {54, 14, 94, 62}, {43, 42, 60, 118}, 0},
      {{0, 127, 0, 127}, 0.5, {0, 102, 0, 123}, {33, 127, 75, 127}, 0},
      {{127, 0, 0, 127}, 0.2, {50, 0, 92, 45}, {104, 17, 0, 127}, CURVE_SECOND_OUT},
      {{127, 0, 0, 127}, 0.8, {127, 0, 23, 110}, {35, 82, 77, 127}, CURVE_FIRST_OUT},
  };
  for (const Case& c : cases) {
    PoseBezier first, second;
    EXPECT_EQ(curve_split(c.curve, c.s, &first, &second), c.out) << c.s;
    EXPECT_TRUE(same(first, c.first)) << c.s << ": " << (int)first.x1 << " " << (int)first.y1 << " " << (int)first.x2
                                      << " " << (int)first.y2;
    EXPECT_TRUE(same(second, c.second)) << c.s << ": " << (int)second.x1 << " " << (int)second.y1 << " "
                                        << (int)second.x2 << " " << (int)second.y2;
  }
  // The part of a curve between two x (a span cut out of a longer one), rescaled.
  PoseBezier part;
  EXPECT_TRUE(curve_part(PoseBezier{40, 0, 87, 127}, 0.25, 0.5, &part));
  EXPECT_TRUE(same(part, PoseBezier{42, 35, 84, 81}));
}

// Solves and parts are kept by curve and place: two curves of the same x control points but other y
// ones give each its own y at the same s, and asked again give the same numbers; a part cut from the
// same curve to the same end but from another start is its own part.
TEST(Curve, KeptSolvesAndParts) {
  double eased = curve_y(PoseBezier{40, 0, 87, 127}, 0.25);
  double other = curve_y(PoseBezier{40, 60, 87, 127}, 0.25);
  EXPECT_NEAR(eased, 0.16206024875443342, 1e-7);
  EXPECT_NE(eased, other);
  EXPECT_EQ(curve_y(PoseBezier{40, 0, 87, 127}, 0.25), eased);
  EXPECT_EQ(curve_y(PoseBezier{40, 60, 87, 127}, 0.25), other);
  EXPECT_EQ(curve_t(PoseBezier{40, 0, 87, 127}, 0.25), curve_t(PoseBezier{40, 60, 87, 127}, 0.25));
  PoseBezier late, whole;
  EXPECT_TRUE(curve_part(PoseBezier{40, 0, 87, 127}, 0.25, 0.5, &late));
  EXPECT_TRUE(curve_part(PoseBezier{40, 0, 87, 127}, 0.0, 0.5, &whole));
  EXPECT_TRUE(same(late, PoseBezier{42, 35, 84, 81}));
  EXPECT_TRUE(same(whole, PoseBezier{40, 0, 83, 64}));  // the first half of the split at 0.5
  EXPECT_TRUE(curve_part(PoseBezier{40, 0, 87, 127}, 0.25, 0.5, &late));
  EXPECT_TRUE(same(late, PoseBezier{42, 35, 84, 81}));
}

// A control value rounds to its byte half away from zero, as lround rounds it: at every half from 0 to
// 255 and the doubles either side of it.
TEST(Curve, RoundingToAByte) {
  for (int k = 0; k < 255; k++) {
    double half = k + 0.5;
    for (double x : {half, std::nextafter(half, 0.0), std::nextafter(half, 256.0), (double)k}) {
      EXPECT_EQ(curve_round(x), (uint8_t)std::lround(x)) << x;
    }
  }
  EXPECT_EQ(curve_round(0.49999999999999994), 0);
  EXPECT_EQ(curve_round(255.0), 255);
}
