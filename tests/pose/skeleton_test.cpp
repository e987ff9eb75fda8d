// Skeletons: what the PMX reader keeps reaches the pose engine whole, the bones an IK moves are found,
// and a hostile skeleton gives its reason and no pose.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "formats/pmx.h"
#include "pose/fold.h"
#include "pose/pose.h"
#include "support/pmxwriter.h"
#include "support/skeletons.h"
#include "support/testfiles.h"

// A model's bones read by the PMX reader (1-byte indices, so -1 is 0xFF): positions, the parent, the
// flags, inheritance, the fixed axis, the IK target, loops, limit and links with their limits; the pose
// engine's skeleton then knows which bones the IK moves: its links, what inherits from a link, its
// target and everything below them, but not the IK bone itself.
TEST(Skeleton, FromThePmxReader) {
  PmxWriter w;
  w.bone_size = 1;
  w.header();
  w.model_texts("m", "m");
  for (int i = 0; i < 4; i++) w.i32(0);  // vertices, faces, textures, materials
  w.i32(5);
  w.bone("a", 0x0002);
  w.bone("b", 0x0002 | 0x0100);  // inherits bone 0's turn, weight 0.5
  w.bone("c", 0x0002 | 0x0400);  // fixed axis 0.5, 1.5, 2.5
  w.bone("ik", 0x0002 | 0x0020, 2);  // target 2; links 0 (free) and 1 (limited)
  w.bone("d", 0x0002, 0, 2);  // deform layer 2
  w.i32(0);
  w.i32(0);
  w.i32(0);
  w.i32(0);
  TempDir dir;
  std::string path = dir.file("m.pmx");
  write_file(path, w.bytes);
  ASSERT_EQ(pmdinforead_a(path.c_str()), READ_DONE);
  const PmxSkeleton* k = pmx_skeleton();
  ASSERT_EQ(k->bone_count, 5);
  EXPECT_EQ(k->whole, 1);
  EXPECT_STREQ(k->bone[3].name, "ik");
  EXPECT_EQ(k->bone[0].parent, -1);
  EXPECT_EQ(k->bone[0].position[1], 1.5f);
  EXPECT_EQ(k->bone[1].inherit, 0);
  EXPECT_EQ(k->bone[1].inherit_weight, 0.5f);
  EXPECT_EQ(k->bone[2].axis[2], 2.5f);
  EXPECT_EQ(k->bone[3].ik_target, 2);
  EXPECT_EQ(k->bone[3].ik_loops, 40);
  EXPECT_EQ(k->bone[3].ik_limit, 0.1f);
  ASSERT_EQ(k->bone[3].link_count, 2);
  EXPECT_EQ(k->link[k->bone[3].link_first + 1].bone, 1);
  EXPECT_EQ(k->link[k->bone[3].link_first + 1].limited, 1);
  EXPECT_EQ(k->link[k->bone[3].link_first + 1].upper[2], 5.5f);
  EXPECT_EQ(k->bone[4].layer, 2);

  auto s = std::make_unique<PoseSkeleton>();
  ASSERT_EQ(pose_skeleton_load(s.get(), k), POSE_DONE) << s->reason;
  const int moved[5] = {1, 1, 1, 0, 0};
  for (int i = 0; i < 5; i++) EXPECT_EQ(s->bone[i].ik_moved, moved[i]) << i;
  EXPECT_EQ(s->bone[4].layer, 2);
  EXPECT_EQ(pose_skeleton_find(s.get(), "d"), 4);
  EXPECT_EQ(pose_skeleton_find(s.get(), "e"), -1);
}

// Hostile skeletons, one fault each: the reason, no bones, no pose, no plan.
TEST(Skeleton, HostileSkeletonsGiveTheirReason) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    std::function<void(PmxSkeleton*)> spoil;
    const char* reason;
  };
  const Case cases[] = {
      {[](PmxSkeleton* k) { k->whole = 0; }, "the model's bone block is cut"},
      {[](PmxSkeleton* k) { k->index_size_bad = 1; }, "the model's bone indices have a size other than 1, 2 or 4"},
      {[](PmxSkeleton* k) { k->declared = 5000; }, "the model has more than 4,096 bones"},
      {[](PmxSkeleton* k) { k->links_dropped = 1; }, "the model has more than 16,384 IK links"},
      {[nan](PmxSkeleton* k) { k->bone[2].position[1] = nan; }, "bone 2: its rest position is not a number or too far out"},
      {[](PmxSkeleton* k) { k->bone[2].position[0] = 1e6f; }, "bone 2: its rest position is not a number or too far out"},
      {[](PmxSkeleton* k) { k->bone[1].parent = 99; }, "bone 1: its parent is out of range"},
      {[](PmxSkeleton* k) { k->bone[1].parent = -2; }, "bone 1: its parent is out of range"},
      {[](PmxSkeleton* k) { k->bone[3].parent = 3; }, "bone 3 is its own parent"},
      {[](PmxSkeleton* k) { k->bone[1].parent = 4; }, "a parent cycle runs through bone 1"},
      {[](PmxSkeleton* k) { k->bone[5].inherit = 77; }, "bone 5: its inheritance source is out of range"},
      {[](PmxSkeleton* k) { k->bone[5].inherit = 5; }, "bone 5 inherits from itself"},
      {[nan](PmxSkeleton* k) { k->bone[5].inherit_weight = nan; }, "bone 5: its inheritance weight is not a number or too large"},
      {[](PmxSkeleton* k) {
         k->bone[2].flags |= SKEL_INHERIT;
         k->bone[2].inherit = 5;
       },
       "an inheritance cycle runs through bone 2"},
      {[](PmxSkeleton* k) { k->bone[6].ik_target = 4096; }, "bone 6: its IK target is out of range"},
      {[](PmxSkeleton* k) { k->link[0].bone = -5; }, "bone 6: an IK link is out of range"},
      {[](PmxSkeleton* k) { k->bone[6].link_count = 9; }, "bone 6: its IK links are out of range"},
  };
  // root, a, b (a's child), c (b's child), d (c's child), e (inherits b), ik (target d, link c)
  const std::vector<SkelBone> bones = {
      {"root", "", 0, 0, 0, SKEL_MOVE, "", 0, "", {}},       {"a", "root", 0, 1, 0, SKEL_ROT, "", 0, "", {}},
      {"b", "a", 0, 2, 0, SKEL_ROT, "", 0, "", {}},          {"c", "b", 0, 3, 0, SKEL_ROT, "", 0, "", {}},
      {"d", "c", 0, 4, 0, SKEL_ROT, "", 0, "", {}},          {"e", "root", 1, 2, 0, SKEL_ROT | SKEL_INHERIT, "b", 0.5f, "", {}},
      {"ik", "root", 0, 4, 1, SKEL_MOVE | SKEL_IK, "", 0, "d", {"c"}},
  };
  auto motion = std::make_unique<PoseMotion>();
  std::memset(motion.get(), 0, sizeof(PoseMotion));
  auto plan = std::make_unique<FoldPlan>();
  static PoseXf world[POSE_SLOTS];
  for (const Case& c : cases) {
    auto k = skel_make(bones);
    c.spoil(k.get());
    auto s = std::make_unique<PoseSkeleton>();
    EXPECT_EQ(pose_skeleton_load(s.get(), k.get()), POSE_HOSTILE) << c.reason;
    EXPECT_STREQ(s->reason, c.reason);
    EXPECT_EQ(s->count, 0);
    EXPECT_EQ(pose_play(s.get(), motion.get(), 0.0, world), POSE_HOSTILE);
    EXPECT_EQ(fold_plan(plan.get(), s.get(), motion.get(), true), FOLD_HOSTILE);
    EXPECT_STREQ(plan->reason, c.reason);
  }
  // Unspoiled, it plays.
  auto s = std::make_unique<PoseSkeleton>();
  ASSERT_EQ(pose_skeleton_load(s.get(), skel_make(bones).get()), POSE_DONE) << s->reason;
  EXPECT_EQ(pose_play(s.get(), motion.get(), 0.0, world), POSE_DONE);
  EXPECT_FLOAT_EQ((float)world[4].p.y, 4.0f);
}
