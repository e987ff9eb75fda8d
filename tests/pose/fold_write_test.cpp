// The folded copy: the header and every block after the bone keys byte for byte (names renamed), the
// bone block rebuilt (folded tracks gone, the tracks they went into rewritten where their first key
// stood), and a file that changed since the plan refused.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "formats/vmd.h"
#include "pose/fold.h"
#include "support/skeletons.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

const int LINE[4][4] = {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};

std::string bone_record(const std::string& name, int frame, float y, float z_degrees) {
  VmdWriter w;
  double h = z_degrees * 3.14159265358979323846 / 360.0;
  const float rot[4] = {0, 0, (float)std::sin(h), (float)std::cos(h)};
  w.bone_key(name, frame, {0, y, 0}, rot, VmdWriter::curves(LINE, 99, 15));
  return w.bytes;
}

}  // namespace

TEST(FoldWrite, RebuildsTheBoneBlockOnly) {
  const std::string groove = skel_sjis("グルーブ"), center = skel_sjis("センター"), hair = skel_sjis("髪1");
  const std::string arm = skel_sjis("左腕"), a = skel_sjis("あ");
  // Bone keys: 髪1, Arm (renamed to 左腕), グルーブ x2, センター x2, 髪1; then the other blocks.
  std::string keys = bone_record(hair, 0, 0, 5) + bone_record("Arm", 0, 0, 10) + bone_record(groove, 0, 0, 0) +
                     bone_record(groove, 10, 1, 0) + bone_record(center, 5, 0.5f, 0) + bone_record(center, 20, 0, 0) +
                     bone_record(hair, 9, 0, 0);
  VmdWriter w;
  w.header("m");
  w.i32(7);
  w.raw(keys);
  VmdWriter rest;
  rest.i32(2);
  rest.morph("A", 1, 0.5f);
  rest.morph("B", 2, 1.0f);
  rest.i32(1);
  rest.camera(0);
  rest.i32(1);
  rest.light(0);
  rest.i32(1);
  rest.shadow(0);
  rest.i32(1);
  rest.i32(3);
  rest.u8(1);
  rest.i32(1);
  rest.name("Arm", 20);
  rest.u8(1);
  rest.raw("tail bytes");
  w.raw(rest.bytes);
  TempDir dir;
  std::string path = dir.file("m.vmd");
  write_file(path, w.bytes);

  const std::vector<VmdRename> bones = {{"Arm", arm.c_str()}}, morphs = {{"A", a.c_str()}};
  auto s = std::make_unique<PoseSkeleton>();
  ASSERT_EQ(pose_skeleton_load(s.get(), skel_make(skel_without(skel_semi_standard(), {"グルーブ"})).get()), POSE_DONE);
  auto m = std::make_unique<PoseMotion>();
  ASSERT_EQ(pose_motion_load(m.get(), rfpathA(path.c_str()), bones.data(), 1), POSE_DONE);
  auto plan = std::make_unique<FoldPlan>();
  ASSERT_EQ(fold_plan(plan.get(), s.get(), m.get(), true), FOLD_DONE);
  ASSERT_EQ(plan->track_count, 1);
  EXPECT_EQ(from_sjis(plan->track[0].name), "センター");
  // グルーブ's two keys and センター's two go; センター's new keys come in at 0, 5, 10 and 20.
  ASSERT_EQ(plan->track[0].count, 4);
  EXPECT_EQ(plan->bone_keys, 7 - 4 + 4);

  FILE* out = std::tmpfile();
  FoldCounts counts = {0, 0};
  ASSERT_EQ(fold_write(plan.get(), rfpathA(path.c_str()), out, bones.data(), 1, morphs.data(), 1, &counts),
            FOLD_WRITE_DONE);
  std::string copy = read_stream(out);
  EXPECT_EQ(counts.bone_keys, 7);
  EXPECT_EQ(counts.morph_keys, 2);
  EXPECT_EQ(read_file(path), w.bytes) << "the motion is never written";

  // Header as it was, the new count, then the keys: 髪1, 左腕 (renamed), センター's new four where
  // グルーブ's first key stood, 髪1.
  EXPECT_EQ(copy.substr(0, 50), w.bytes.substr(0, 50));
  EXPECT_EQ(copy.substr(50, 4), std::string("\x07\0\0\0", 4));
  size_t at = 54;
  EXPECT_EQ(copy.substr(at, 111), keys.substr(0, 111));
  std::string renamed = keys.substr(111, 111);
  renamed.replace(0, 15, std::string(arm).append(15 - arm.size(), '\0'));
  EXPECT_EQ(copy.substr(at + 111, 111), renamed);
  uint32_t last = 0;
  for (int i = 0; i < 4; i++) {
    std::string rec = copy.substr(at + 222 + 111 * i, 111);
    EXPECT_EQ(rec.substr(0, 15), std::string(center).append(15 - center.size(), '\0'));
    uint32_t frame = (uint8_t)rec[15] | (uint8_t)rec[16] << 8;
    if (i > 0) {
      EXPECT_GT(frame, last);
    }
    last = frame;
  }
  EXPECT_EQ(copy.substr(at + 222 + 444, 111), keys.substr(666, 111));
  // Everything after the bone keys byte for byte, but for the renamed morph and IK switch names.
  std::string tail = rest.bytes;
  tail.replace(4, 15, std::string(a).append(15 - a.size(), '\0'));
  size_t ik_name = 4 + 2 * 23 + 4 + 61 + 4 + 28 + 4 + 9 + 4 + 9;
  tail.replace(ik_name, 20, std::string(arm).append(20 - arm.size(), '\0'));
  EXPECT_EQ(copy.substr(54 + 7 * 111), tail);

  // The reader takes the copy as a whole motion.
  std::string copy_path = dir.file("copy.vmd");
  write_file(copy_path, copy);
  EXPECT_EQ(vmd_read_a(copy_path.c_str()), READ_DONE);
  EXPECT_EQ(vmd_end()->block, BLOCK_NONE);
  EXPECT_EQ(vmd_keys()->bone_keys, 7);

  // The file changed since the plan (a key fewer): refused. A plan without folds writes nothing.
  VmdWriter changed;
  changed.header("m");
  changed.i32(6);
  changed.raw(keys.substr(0, 6 * 111));
  changed.raw(rest.bytes);
  write_file(path, changed.bytes);
  FILE* again = std::tmpfile();
  EXPECT_EQ(fold_write(plan.get(), rfpathA(path.c_str()), again, bones.data(), 1, morphs.data(), 1, nullptr),
            FOLD_WRITE_CHANGED);
  EXPECT_EQ(fold_write(plan.get(), rfpathA(dir.file("missing.vmd").c_str()), again, nullptr, 0, nullptr, 0,
                       nullptr),
            FOLD_WRITE_UNOPENED);
  std::fclose(again);
  ASSERT_EQ(fold_plan(plan.get(), s.get(), m.get(), false), FOLD_DONE);
  FILE* none = std::tmpfile();
  EXPECT_EQ(fold_write(plan.get(), rfpathA(path.c_str()), none, nullptr, 0, nullptr, 0, nullptr), FOLD_WRITE_NO_PLAN);
  EXPECT_EQ(read_stream(none), "");
}
