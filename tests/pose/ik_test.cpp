// IK play: a leg (足, ひざ, 足首, つま先, 足ＩＫ, つま先ＩＫ, a knee limited to bend forward) posed by
// its IK, the positions worked out by hand from the leg's geometry; the IK switches; knees the file gave
// no limits; the order (deform layer first); and hostile IK data refused with its reason.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "pose/ik.h"
#include "support/skeletons.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {



constexpr double PI = 3.14159265358979323846;

// One bone of a test skeleton: name (UTF-8), parent name, rest position, deform layer, what it inherits
// (rotation, weight 1).
struct LegBone {
  std::string name, parent;
  float x, y, z;
  int layer;
  std::string inherit;
};

// A left leg (the knee is bone 2) whose thigh and shin are sqrt(25.04) long, the knee 0.2 forward (-z) of the line from the
// hip to the ankle; the D bones (layer 1) come before the IK bones by index, a bone that inherits the
// knee's turn comes before them in layer 0 (knee0) and one in layer 1 (knee1).
std::vector<LegBone> leg_bones(float knee_z = -0.2f) {
  return {
      {"センター", "", 0, 8, 0, 0, ""},
      {"左足", "センター", 1, 10, 0, 0, ""},
      {"左ひざ", "左足", 1, 5, knee_z, 0, ""},
      {"左足首", "左ひざ", 1, 0, 0, 0, ""},
      {"左つま先", "左足首", 1, 0, -2, 0, ""},
      {"左足D", "センター", 1, 10, 0, 1, "左足"},
      {"左ひざD", "左足D", 1, 5, knee_z, 1, "左ひざ"},
      {"左足首D", "左ひざD", 1, 0, 0, 1, "左足首"},
      {"knee0", "", 0, 0, 0, 0, "左ひざ"},
      {"knee1", "", 0, 0, 0, 1, "左ひざ"},
      {"左足ＩＫ", "", 1, 0, 0, 0, ""},
      {"左つま先ＩＫ", "左足ＩＫ", 1, 0, -2, 0, ""},
  };
}

int find(const std::vector<LegBone>& bones, const std::string& name) {
  for (size_t i = 0; i < bones.size(); i++) {
    if (bones[i].name == name) return (int)i;
  }
  return -1;
}

// The record the PMX reader would keep: 左足ＩＫ (target 左足首; links 左ひざ, limited to X in
// [-180, -0.5] degrees unless knee_limits is false, and 左足; 40 loops, 2 radians a step) and 左つま先ＩＫ
// (target 左つま先, link 左足首, 3 loops, 4 radians a step).
std::unique_ptr<PmxSkeleton> leg_record(const std::vector<LegBone>& bones, bool knee_limits = true) {
  auto s = std::make_unique<PmxSkeleton>();
  std::memset(s.get(), 0, sizeof(PmxSkeleton));
  for (size_t i = 0; i < bones.size(); i++) {
    const LegBone& b = bones[i];
    PmxBone& p = s->bone[i];
    std::string name = skel_sjis(b.name);
    std::memcpy(p.name, name.c_str(), name.size());
    p.position[0] = b.x, p.position[1] = b.y, p.position[2] = b.z;
    p.parent = b.parent.empty() ? -1 : find(bones, b.parent);
    p.layer = b.layer;
    p.flags = SKEL_MOVE;
    p.inherit = -1;
    p.ik_target = -1;
    if (!b.inherit.empty()) {
      p.flags |= SKEL_INHERIT;
      p.inherit = find(bones, b.inherit);
      p.inherit_weight = 1.0f;
    }
  }
  auto ik = [&](const char* name, const char* target, int loops, float step, std::vector<const char*> links) {
    PmxBone& p = s->bone[find(bones, name)];
    p.flags |= SKEL_IK;
    p.ik_target = find(bones, target);
    p.ik_loops = loops;
    p.ik_limit = step;
    p.link_first = s->link_count;
    p.link_count = (int32_t)links.size();
    for (const char* l : links) {
      PmxIkLink& k = s->link[s->link_count++];
      k.bone = find(bones, l);
      k.limited = knee_limits && k.bone == 2;
      if (k.limited) k.lower[0] = (float)-PI, k.upper[0] = (float)(-0.5 * PI / 180.0);
    }
  };
  ik("左足ＩＫ", "左足首", 40, 2.0f, {bones[2].name.c_str(), "左足"});
  ik("左つま先ＩＫ", "左つま先", 3, 4.0f, {"左足首"});
  s->bone_count = s->declared = (int32_t)bones.size();
  s->whole = 1;
  return s;
}

std::string linear_curve() {
  const int c[4][4] = {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};
  return VmdWriter::curves(c);
}

struct Switch {
  int frame;
  std::string name;
  int on;
};

// A motion with 左足ＩＫ moved by (0, ik_y, 0) and the IK switches given (one head per switch).
std::string leg_motion(float ik_y, const std::vector<Switch>& switches = {}) {
  VmdWriter w;
  w.header("leg");
  w.i32(1);
  w.bone_key(skel_sjis("左足ＩＫ"), 0, {0, ik_y, 0}, {0, 0, 0, 1}, linear_curve());
  for (int i = 0; i < 4; i++) w.i32(0);  // morph, camera, light, self-shadow keys
  w.i32((int32_t)switches.size());
  for (const Switch& s : switches) {
    w.i32(s.frame);
    w.u8(1);
    w.i32(1);
    w.name(skel_sjis(s.name), 20);
    w.u8(s.on);
  }
  return w.bytes;
}

struct Leg {
  std::vector<LegBone> bones;
  std::unique_ptr<PoseSkeleton> s = std::make_unique<PoseSkeleton>();
  std::unique_ptr<PoseMotion> m = std::make_unique<PoseMotion>();
  std::unique_ptr<PoseIkFrame> ik = std::make_unique<PoseIkFrame>();
  std::vector<PoseXf> world = std::vector<PoseXf>(POSE_SLOTS);

  Leg(const std::vector<LegBone>& b, const std::string& motion, bool knee_limits = true) : bones(b) {
    EXPECT_EQ(pose_skeleton_load(s.get(), leg_record(bones, knee_limits).get()), POSE_DONE) << s->reason;
    EXPECT_STREQ(s->ik_reason, "");
    TempDir dir;
    std::string path = dir.file("m.vmd");
    write_file(path, motion);
    EXPECT_EQ(pose_motion_load(m.get(), rfpathA(path.c_str()), nullptr, 0), POSE_DONE) << m->reason;
  }
  void play(double frame) { ASSERT_EQ(pose_play_ik(s.get(), m.get(), frame, world.data(), ik.get()), POSE_DONE); }
  PoseVec at(const std::string& name) { return world[find(bones, name)].p; }
  uint8_t flags(const std::string& name) { return ik->flags[find(bones, name)]; }
};

#define EXPECT_AT(v, X, Y, Z, tolerance)    \
  do {                                      \
    PoseVec at_ = (v);                      \
    EXPECT_NEAR(at_.x, (X), (tolerance));   \
    EXPECT_NEAR(at_.y, (Y), (tolerance));   \
    EXPECT_NEAR(at_.z, (Z), (tolerance));   \
  } while (0)

// The leg's segments, hip to knee and knee to ankle: sqrt(5^2 + 0.2^2).
const double SEGMENT = std::sqrt(25.04);

}  // namespace

// 足ＩＫ raised by 2: the ankle reaches (1, 2, 0), 8 below the hip; both segments are SEGMENT long, so the
// knee stands halfway up, sqrt(SEGMENT^2 - 16) forward (the limit keeps the bend forward). A solve stops
// turning a link once its target lies within 1e-4 radians of the goal as seen from the link (from the
// hip, 8 away: 0.0008 units), so positions are expected within 0.002. つま先ＩＫ,
// solved after 足ＩＫ, brings the toe to its own goal (1, 2, -2). The D bones, in layer 1, follow the
// solved leg; the bone that inherits the knee's turn in layer 0 comes before the IK and keeps the key's
// (none), the one in layer 1 gets the knee's solved turn. Forward kinematics alone leaves the leg as it
// stood.
TEST(Ik, LegReachesItsGoalAndTheToeFollows) {
  Leg leg(leg_bones(), leg_motion(2.0f));
  leg.play(0);
  double forward = std::sqrt(SEGMENT * SEGMENT - 16.0);
  EXPECT_AT(leg.at("左足首"), 1, 2, 0, 2e-3);
  EXPECT_AT(leg.at("左ひざ"), 1, 6, -forward, 2e-3);
  EXPECT_AT(leg.at("左つま先"), 1, 2, -2, 2e-3);
  EXPECT_AT(leg.at("左ひざD"), 1, 6, -forward, 2e-3);
  EXPECT_AT(leg.at("左足首D"), 1, 2, 0, 2e-3);
  EXPECT_EQ(leg.ik->solved, 2);
  EXPECT_EQ(leg.ik->missed, 0);
  EXPECT_EQ(leg.flags("左足ＩＫ"), POSE_IK_SOLVED | POSE_IK_REACHED);
  EXPECT_EQ(leg.flags("左ひざ"), 0);
  EXPECT_LT(leg.ik->miss[find(leg.bones, "左足ＩＫ")], 2e-3f);
  // The knee's solved turn: the thigh's direction to the shin's, about X.
  const PoseXf& knee = leg.world[find(leg.bones, "左ひざ")];
  const PoseXf& hip = leg.world[find(leg.bones, "左足")];
  PoseQuat local = pose_qmul(pose_qconj(hip.q), knee.q);
  double bend = 2.0 * std::atan2(-local.x, local.w) * 180.0 / PI;
  double want = (std::atan2(forward, 4.0) + std::atan2(forward, 4.0) - 2.0 * std::atan2(0.2, 5.0)) * 180.0 / PI;
  EXPECT_NEAR(bend, want, 0.05);
  EXPECT_NEAR(pose_qangle(leg.world[find(leg.bones, "knee0")].q), 0.0, 1e-12);
  EXPECT_NEAR(pose_qangle(leg.world[find(leg.bones, "knee1")].q) * 180.0 / PI, bend, 1e-9);

  std::vector<PoseXf> fk(POSE_SLOTS);
  ASSERT_EQ(pose_play(leg.s.get(), leg.m.get(), 0, fk.data()), POSE_DONE);
  EXPECT_AT(fk[find(leg.bones, "左足首")].p, 1, 0, 0, 1e-9);
}

// 足ＩＫ lowered by 1, out of reach (11 from the hip): the knee straightens to its limit, -0.5 degrees
// beyond the rest bend (2 atan(0.2 / 5)), and the hip points the leg at the goal, so the ankle stops
// 2 SEGMENT cos(half the bend) below the hip; the toe, 2 from the ankle, cannot reach its goal either.
TEST(Ik, OutOfReachHoldsTheKneeAtItsLimit) {
  Leg leg(leg_bones(), leg_motion(-1.0f));
  leg.play(0);
  double bend = 2.0 * std::atan2(0.2, 5.0) + 0.5 * PI / 180.0;
  double reach = 2.0 * SEGMENT * std::cos(bend / 2.0);
  EXPECT_AT(leg.at("左足首"), 1, 10.0 - reach, 0, 1e-4);
  EXPECT_EQ(leg.flags("左ひざ"), POSE_IK_AT_LIMIT);
  EXPECT_EQ(leg.flags("左足ＩＫ"), POSE_IK_SOLVED);
  EXPECT_NEAR(leg.ik->miss[find(leg.bones, "左足ＩＫ")], 11.0 - reach, 1e-4);
  EXPECT_EQ(leg.ik->missed, 2);
}

// The IK switches: 左つま先ＩＫ off from frame 10 (on at 0): the toe then hangs from the solved shin as
// the ankle's key has it: the foot (0, 0, -2) turned about X by the shin's turn from its rest direction
// (0, -5, 0.2) to (0, -4, forward). A switch's state holds before its first frame (左足ＩＫ off from 30
// only: off from the start), and a name without switches is on.
TEST(Ik, SwitchedOffTheKeysPlay) {
  Leg leg(leg_bones(), leg_motion(2.0f, {{0, "左つま先ＩＫ", 1}, {10, "左つま先ＩＫ", 0}}));
  double forward = std::sqrt(SEGMENT * SEGMENT - 16.0);
  leg.play(9.5);
  EXPECT_AT(leg.at("左つま先"), 1, 2, -2, 2e-3);
  double turn = std::atan2(forward, -4.0) - std::atan2(0.2, -5.0);
  for (double frame : {10.0, 40.0}) {
    leg.play(frame);
    EXPECT_AT(leg.at("左つま先"), 1, 2 + 2 * std::sin(turn), -2 * std::cos(turn), 2e-3);
    EXPECT_EQ(leg.ik->solved, 1);
  }
  Leg off(leg_bones(), leg_motion(2.0f, {{30, "左足ＩＫ", 0}}));
  EXPECT_FALSE(pose_ik_on(off.m.get(), skel_sjis("左足ＩＫ").c_str(), 0));
  EXPECT_TRUE(pose_ik_on(off.m.get(), skel_sjis("左つま先ＩＫ").c_str(), 0));
  off.play(0);
  EXPECT_AT(off.at("左足首"), 1, 0, 0, 1e-9);
  EXPECT_EQ(off.flags("左足ＩＫ"), 0);
}

// A knee the file gave no limits (a model of the older format) takes a knee's, X in [-180, -0.5]
// degrees: out of reach it holds at its limit as a limited knee does, where a link of another name
// straightens whole (the ankle 2 SEGMENT below the hip).
TEST(Ik, KneesWithoutLimitsTakeAKnees) {
  Leg leg(leg_bones(), leg_motion(-1.0f), false);
  const PoseLink& knee = leg.s->link[leg.s->bone[find(leg.bones, "左足ＩＫ")].link_first];
  EXPECT_EQ(knee.limited, 1);
  EXPECT_EQ(knee.knee, 1);
  EXPECT_EQ(knee.lower[0], (float)-PI);
  EXPECT_EQ(knee.upper[0], (float)(-0.5 * PI / 180.0));
  leg.play(0);
  double bend = 2.0 * std::atan2(0.2, 5.0) + 0.5 * PI / 180.0;
  EXPECT_AT(leg.at("左足首"), 1, 10.0 - 2.0 * SEGMENT * std::cos(bend / 2.0), 0, 1e-4);
  EXPECT_EQ(leg.flags("左ひざ"), POSE_IK_AT_LIMIT);

  std::vector<LegBone> other = leg_bones();
  other[find(other, "左ひざ")].name = "左膝";
  other[find(other, "左足首")].parent = "左膝";
  for (LegBone& b : other) {
    if (b.inherit == "左ひざ") b.inherit = "左膝";
  }
  Leg straight(other, leg_motion(-1.0f), false);
  EXPECT_EQ(straight.s->link[straight.s->bone[find(other, "左足ＩＫ")].link_first].limited, 0);
  straight.play(0);
  EXPECT_AT(straight.at("左足首"), 1, 10.0 - 2.0 * SEGMENT, 0, 1e-4);
}

// Hostile IK data, one fault each: the reason, no IK play, and forward kinematics as before.
TEST(Ik, HostileIkGivesItsReason) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<LegBone> bones = leg_bones();
  int ik = find(bones, "左足ＩＫ"), toe_ik = find(bones, "左つま先ＩＫ");
  struct Case {
    std::function<void(PmxSkeleton*)> spoil;
    std::string reason;
  };
  auto links_of = [](PmxSkeleton* k, int bone) { return &k->link[k->bone[bone].link_first]; };
  // A chain of 64 bones below センター, each a link of one IK bone of 256 loops: over the work a frame.
  auto long_chain = [&](PmxSkeleton* k, int links) {
    int first = k->bone_count;
    for (int i = 0; i <= links; i++) {
      PmxBone& b = k->bone[first + i];
      b = k->bone[0];
      b.parent = i == 0 ? 0 : first + i - 1;
      b.position[1] = (float)i;
      b.name[0] = 'a' + (char)(i % 26);
      b.name[1] = 'a' + (char)(i / 26);
    }
    k->bone_count = k->declared = first + links + 1;
    PmxBone& K = k->bone[ik];
    K.ik_target = first + links;
    K.ik_loops = 256;
    K.link_first = k->link_count;
    K.link_count = links;
    for (int i = 0; i < links; i++) k->link[k->link_count++] = PmxIkLink{first + links - 1 - i, 0, {0, 0, 0}, {0, 0, 0}};
  };
  const Case cases[] = {
      {[&](PmxSkeleton* k) { links_of(k, ik)[1].bone = k->bone[ik].ik_target; }, "IK bone 10: a link is its own target"},
      {[&](PmxSkeleton* k) { links_of(k, toe_ik)[0].bone = toe_ik; }, "IK bone 11 is a link of its own chain"},
      {[&](PmxSkeleton* k) { links_of(k, ik)[0].upper[1] = nan; }, "IK bone 10: a link's limits are not numbers"},
      {[&](PmxSkeleton* k) { k->bone[ik].ik_limit = nan; }, "IK bone 10: its angle a step is not a number"},
      {[&](PmxSkeleton* k) { k->bone[toe_ik].ik_loops = 0; }, "IK bone 11 has no loops"},
      {[&](PmxSkeleton* k) { k->bone[ik].ik_loops = -5; }, "IK bone 10 has no loops"},
      {[&](PmxSkeleton* k) { k->bone[ik].ik_target = ik; }, "IK bone 10 is its own target"},
      // The target is the topmost link's parent: no link carries it.
      {[&](PmxSkeleton* k) { k->bone[ik].ik_target = find(bones, "センター"); }, "IK bone 10: a link does not carry its target"},
      {[&](PmxSkeleton* k) { k->bone[ik].parent = find(bones, "左足"); }, "IK bone 10 hangs below its own links"},
      {[&](PmxSkeleton* k) {
         k->bone[ik].link_first = k->link_count;
         k->bone[ik].link_count = 10000;
         for (int i = 0; i < 10000; i++) k->link[k->link_count++] = PmxIkLink{2, 0, {0, 0, 0}, {0, 0, 0}};
       },
       "IK bone 10 has more than 64 links"},
      {[&](PmxSkeleton* k) { long_chain(k, 64); },
       "the model's IK takes more than 1,048,576 bone updates a frame (IK bone 10)"},
      // A link hangs below the IK bone: the IK would wait on a bone that waits on it.
      {[&](PmxSkeleton* k) {
         k->bone[find(bones, "センター")].parent = toe_ik;
         k->bone[toe_ik].parent = -1;
       },
       "the IK bones' chains wait on each other (IK bone 10)"},
  };
  for (const Case& c : cases) {
    auto record = leg_record(bones);
    c.spoil(record.get());
    auto s = std::make_unique<PoseSkeleton>();
    ASSERT_EQ(pose_skeleton_load(s.get(), record.get()), POSE_DONE) << c.reason << ": " << s->reason;
    EXPECT_EQ(s->ik_reason, c.reason);
    auto m = std::make_unique<PoseMotion>();
    std::vector<PoseXf> world(POSE_SLOTS);
    EXPECT_EQ(pose_play_ik(s.get(), m.get(), 0, world.data(), nullptr), POSE_HOSTILE) << c.reason;
    EXPECT_EQ(pose_play(s.get(), m.get(), 0, world.data()), POSE_DONE) << c.reason;
  }
  // 63 links of 256 loops: within the bound, played whole.
  auto record = leg_record(bones);
  long_chain(record.get(), 63);
  auto s = std::make_unique<PoseSkeleton>();
  ASSERT_EQ(pose_skeleton_load(s.get(), record.get()), POSE_DONE);
  EXPECT_STREQ(s->ik_reason, "");
  EXPECT_LE(s->ik_work, POSE_IK_WORK);
  auto m = std::make_unique<PoseMotion>();
  auto out = std::make_unique<PoseIkFrame>();
  std::vector<PoseXf> world(POSE_SLOTS);
  EXPECT_EQ(pose_play_ik(s.get(), m.get(), 0, world.data(), out.get()), POSE_DONE);
  EXPECT_LE(out->work, s->ik_work);
}
