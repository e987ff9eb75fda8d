// Playing: a track's key at any frame as players evaluate it, and forward kinematics with inherited
// rotation and translation.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "pose/pose.h"
#include "support/skeletons.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

PoseKey key(uint32_t frame, float x, float angle_z_degrees, const int (&c)[4][4]) {
  PoseKey k;
  k.frame = frame;
  k.pos[0] = x, k.pos[1] = 0, k.pos[2] = 0;
  double h = angle_z_degrees * 3.14159265358979323846 / 360.0;
  k.rot[0] = 0, k.rot[1] = 0, k.rot[2] = (float)std::sin(h), k.rot[3] = (float)std::cos(h);
  std::string b = VmdWriter::curves(c);
  std::memcpy(k.curve, b.data(), 64);
  return k;
}

double degrees_z(PoseQuat q) { return 2.0 * std::atan2(q.z, q.w) * 180.0 / 3.14159265358979323846; }

}  // namespace

// Before the first key its values, after the last the last's; between, the later key's curves: X
// eases (40, 0, 87, 127: a quarter of the way in time is 0.16206 of the way), R is straight; the turn
// takes the shorter way even when the next key's quaternion has the other sign; a hint that points
// anywhere gives the same values.
TEST(Pose, TrackAtAFrame) {
  const int ease_x[4][4] = {{40, 0, 87, 127}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};
  PoseKey keys[3] = {key(10, 0, 0, ease_x), key(30, 4, 40, ease_x), key(40, 4, 80, ease_x)};
  // The third key's quaternion with the other sign: the same rotation.
  for (float& v : keys[2].rot) v = -v;
  PoseTrackRef t = {keys, 3};
  PoseVec p;
  PoseQuat q;
  pose_track_at(t, 0, &p, &q, nullptr);
  EXPECT_EQ(p.x, 0.0);
  EXPECT_NEAR(degrees_z(q), 0.0, 1e-9);
  pose_track_at(t, 15, &p, &q, nullptr);
  EXPECT_NEAR(p.x, 4 * 0.16206024875443342, 1e-6);
  EXPECT_NEAR(degrees_z(q), 10.0, 1e-4);
  pose_track_at(t, 35, &p, &q, nullptr);
  EXPECT_NEAR(std::fabs(pose_qangle(q)) * 180.0 / 3.14159265358979323846, 60.0, 1e-4);
  int32_t hint = 2;
  pose_track_at(t, 15, &p, &q, &hint);
  EXPECT_NEAR(p.x, 4 * 0.16206024875443342, 1e-6);
  EXPECT_EQ(hint, 0);
  pose_track_at(t, 1000, &p, &q, &hint);
  EXPECT_EQ(p.x, 4.0);
}

// A span's turn is the slerp of its keys' rotations, exactly, also where the same keys' places are
// played again with other rotations (a fold rewrites keys in place: what a span's arc was is not what
// it is), and at both ends exactly the keys' own rotations (scaled to length 1).
TEST(Pose, SpanTurnAsItsKeysHaveIt) {
  const int straight[4][4] = {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};
  PoseKey keys[2] = {key(0, 0, 10, straight), key(10, 0, 70, straight)};
  auto rot = [](const PoseKey& k) { return PoseQuat{k.rot[0], k.rot[1], k.rot[2], k.rot[3]}; };
  for (float to : {70.0f, 130.0f, 20.0f}) {
    keys[1] = key(10, 0, to, straight);
    PoseVec p;
    PoseQuat q, want = pose_slerp(rot(keys[0]), rot(keys[1]), 0.3);
    pose_span_at(keys[0], keys[1], 3, &p, &q);
    EXPECT_TRUE(q.x == want.x && q.y == want.y && q.z == want.z && q.w == want.w) << to;
    EXPECT_NEAR(degrees_z(q), 10.0 + 0.3 * (to - 10.0), 1e-4) << to;
  }
  PoseVec p;
  PoseQuat q, end = rot(keys[1]);
  pose_qnormalize(&end);
  pose_span_at(keys[0], keys[1], 10, &p, &q);
  EXPECT_TRUE(q.x == end.x && q.y == end.y && q.z == end.z && q.w == end.w);
}

// A parent's turn carries its child; inheritance: weight -1 turns the other way, 0.5 half way, and a
// translation inherited with weight 2 moves twice as far; the inherited part turns first (q * a).
TEST(Pose, ForwardKinematicsWithInheritance) {
  const std::vector<SkelBone> bones = {
      {"root", "", 0, 0, 0, SKEL_MOVE, "", 0, "", {}},
      {"arm", "root", 0, 2, 0, SKEL_ROT, "", 0, "", {}},
      {"hand", "arm", 0, 4, 0, SKEL_ROT, "", 0, "", {}},
      {"cancel", "", 3, 0, 0, SKEL_ROT | SKEL_INHERIT, "arm", -1.0f, "", {}},
      {"half", "", 6, 0, 0, SKEL_ROT | SKEL_INHERIT, "arm", 0.5f, "", {}},
      {"follow", "", 9, 0, 0, 0x0200 | SKEL_MOVE, "root", 2.0f, "", {}},
      {"both", "half", 6, 1, 0, SKEL_ROT | SKEL_INHERIT, "half", 1.0f, "", {}},
  };
  auto s = std::make_unique<PoseSkeleton>();
  ASSERT_EQ(pose_skeleton_load(s.get(), skel_make(bones).get()), POSE_DONE) << s->reason;
  VmdWriter w;
  w.header("m");
  w.i32(4);
  const int lin[4][4] = {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};
  const float r90[4] = {0, 0, (float)std::sqrt(0.5), (float)std::sqrt(0.5)};
  w.bone_key("arm", 0, {0, 0, 0}, r90, VmdWriter::curves(lin));
  w.bone_key("root", 0, {1, 0, 0}, {0, 0, 0, 1}, VmdWriter::curves(lin));
  w.bone_key("half", 0, {0, 0, 0}, r90, VmdWriter::curves(lin));
  w.bone_key("both", 0, {0, 0, 0}, {0, 1, 0, 0}, VmdWriter::curves(lin));
  TempDir dir;
  write_file(dir.file("m.vmd"), w.bytes);
  auto m = std::make_unique<PoseMotion>();
  ASSERT_EQ(pose_motion_load(m.get(), rfpathA(dir.file("m.vmd").c_str()), nullptr, 0), POSE_DONE);
  static PoseXf world[POSE_SLOTS];
  ASSERT_EQ(pose_play(s.get(), m.get(), 0.0, world), POSE_DONE);
  // arm at (1, 2, 0) turned 90 degrees about z: hand, 2 above it, ends 2 to its left.
  EXPECT_NEAR(world[2].p.x, -1.0, 1e-6);
  EXPECT_NEAR(world[2].p.y, 2.0, 1e-6);
  EXPECT_NEAR(degrees_z(world[3].q), -90.0, 1e-4);        // cancel: -1 of arm's turn
  EXPECT_NEAR(degrees_z(world[4].q), 90.0 + 45.0, 1e-4);  // half: its own 90 and half of arm's
  EXPECT_NEAR(world[5].p.x, 9.0 + 2.0, 1e-6);             // follow: twice root's translation
  // both: its own half turn about y, after half's whole local turn (135 about z) inherited.
  PoseQuat a = pose_qpow(pose_qmul(PoseQuat{0, 0, std::sqrt(0.5), std::sqrt(0.5)},
                                   pose_qpow(PoseQuat{0, 0, std::sqrt(0.5), std::sqrt(0.5)}, 0.5)), 1.0);
  PoseQuat want = pose_qmul(world[4].q, pose_qmul(PoseQuat{0, 1, 0, 0}, a));
  EXPECT_NEAR(pose_qbetween(world[6].q, want) * 180.0 / 3.14159265358979323846, 0.0, 1e-4);
}
