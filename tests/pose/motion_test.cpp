// Motions: a VMD's bone keys as tracks (by frame, the later of two keys on one frame kept, renamed as
// the fitted copy renames), and the keys no player can play refused with their reason.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "formats/vmd.h"
#include "pose/motion.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

std::string one_curve() {
  const int c[4][4] = {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};
  return VmdWriter::curves(c);
}

int load(PoseMotion* m, const std::string& bytes, const std::vector<VmdRename>& renames = {}) {
  TempDir dir;
  std::string path = dir.file("m.vmd");
  write_file(path, bytes);
  return pose_motion_load(m, rfpathA(path.c_str()), renames.data(), (int)renames.size());
}

}  // namespace

// Keys out of frame order and two on one frame: each track by frame, the later key of a frame kept,
// the file's count of each name kept; a renamed name's keys join the track of its new name; rotations
// come back unit length; a key cut by the end of the file is left out.
TEST(Motion, TracksByFrame) {
  VmdWriter w;
  w.header("m");
  w.i32(7);
  const std::string c = one_curve();
  w.bone_key("B", 20, {0, 0, 0}, {0, 0, 0, 2}, c);
  w.bone_key("A", 10, {1, 0, 0}, {0, 0, 0, 1}, c);
  w.bone_key("B", 5, {0, 0, 0}, {0, 0, 0, 1}, c);
  w.bone_key("A", 10, {2, 0, 0}, {0, 0, 0, 1}, c);
  w.bone_key("old", 7, {3, 0, 0}, {0, 0, 0, 1}, c);
  w.bone_key("A", 0, {0, 0, 0}, {0, 0, 0, 1}, c);
  w.bytes += std::string(50, 'x');  // the seventh key, cut
  auto m = std::make_unique<PoseMotion>();
  ASSERT_EQ(load(m.get(), w.bytes, {{"old", "A"}}), POSE_DONE) << m->reason;
  EXPECT_EQ(m->file_bone_keys, 6);
  ASSERT_EQ(m->track_count, 2);
  int a = pose_motion_track(m.get(), "A"), b = pose_motion_track(m.get(), "B");
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_EQ(pose_motion_track(m.get(), "old"), -1);
  const PoseTrack& ta = m->track[a];
  EXPECT_EQ(ta.file_keys, 4);
  ASSERT_EQ(ta.count, 3);
  EXPECT_EQ(m->key[ta.first].frame, 0u);
  EXPECT_EQ(m->key[ta.first + 1].frame, 7u);
  EXPECT_EQ(m->key[ta.first + 1].pos[0], 3.0f);
  EXPECT_EQ(m->key[ta.first + 2].frame, 10u);
  EXPECT_EQ(m->key[ta.first + 2].pos[0], 2.0f);  // the later of the two on frame 10
  const PoseTrack& tb = m->track[b];
  ASSERT_EQ(tb.count, 2);
  EXPECT_EQ(m->key[tb.first].frame, 5u);
  EXPECT_EQ(m->key[tb.first + 1].rot[3], 1.0f);  // (0, 0, 0, 2) made unit length
  EXPECT_EQ(m->last_frame, 20u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m->key[tb.first].curve), 64), c);
  EXPECT_TRUE(pose_track_moves(m.get(), a));
  EXPECT_FALSE(pose_track_moves(m.get(), b));
}

// IK switches: read past the other blocks, by name and frame, the later of one frame kept, renamed as
// the bone keys are; a switch cut by the end of the file is left out.
TEST(Motion, IkSwitchesByNameAndFrame) {
  VmdWriter w;
  w.header("m");
  w.i32(1);
  w.bone_key("A", 0, {0, 0, 0}, {0, 0, 0, 1}, one_curve());
  w.i32(1);
  w.morph("x", 3, 0.5f);
  w.i32(1);
  w.camera(2);
  w.i32(1);
  w.light(2);
  w.i32(1);
  w.shadow(2);
  auto head = [&](int frame, std::vector<std::pair<std::string, int>> switches) {
    w.i32(frame);
    w.u8(1);
    w.i32((int32_t)switches.size());
    for (const auto& [name, on] : switches) w.name(name, 20), w.u8(on);
  };
  w.i32(4);
  head(30, {{"leg IK", 0}, {"old IK", 1}});
  head(10, {{"leg IK", 1}});
  head(30, {{"leg IK", 1}});
  head(40, {{"leg IK", 0}});
  w.bytes.resize(w.bytes.size() - 3);  // the last switch, cut
  auto m = std::make_unique<PoseMotion>();
  ASSERT_EQ(load(m.get(), w.bytes, {{"old IK", "toe IK"}}), POSE_DONE) << m->reason;
  ASSERT_EQ(m->ik_track_count, 2);
  EXPECT_EQ(pose_motion_ik_track(m.get(), "old IK"), -1);
  const PoseIkTrack& leg = m->ik_track[pose_motion_ik_track(m.get(), "leg IK")];
  ASSERT_EQ(leg.count, 2);
  EXPECT_EQ(m->ik_switch[leg.first].frame, 10u);
  EXPECT_EQ(m->ik_switch[leg.first + 1].frame, 30u);
  EXPECT_EQ(m->ik_switch[leg.first + 1].on, 1);  // the later of the two on frame 30
  const PoseIkTrack& toe = m->ik_track[pose_motion_ik_track(m.get(), "toe IK")];
  ASSERT_EQ(toe.count, 1);
  EXPECT_EQ(m->ik_switch[toe.first].on, 1);
}

// Keys no player can play, and files that are no motion: the reason, and no keys.
TEST(Motion, RefusedWithTheirReason) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float pos[3];
    float rot[4];
    const char* reason;
  };
  const Case cases[] = {
      {{0, 0, 0}, {0, 0, 0, 0}, "a bone key's rotation is zero or not a number"},
      {{0, 0, 0}, {nan, 0, 0, 1}, "a bone key's rotation is zero or not a number"},
      {{nan, 0, 0}, {0, 0, 0, 1}, "a bone key's position is not a number or too far out"},
      {{0, 2e5f, 0}, {0, 0, 0, 1}, "a bone key's position is not a number or too far out"},
  };
  auto m = std::make_unique<PoseMotion>();
  for (const Case& c : cases) {
    VmdWriter w;
    w.header("m");
    w.i32(2);
    w.bone_key("A", 0, {0, 0, 0}, {0, 0, 0, 1}, one_curve());
    w.bone_key("A", 5, c.pos, c.rot, one_curve());
    EXPECT_EQ(load(m.get(), w.bytes), POSE_HOSTILE);
    EXPECT_STREQ(m->reason, c.reason);
    EXPECT_EQ(m->key_count, 0);
  }
  VmdWriter huge;
  huge.header("m");
  huge.i32(524289);
  huge.bone_key("A", 0, {0, 0, 0}, {0, 0, 0, 1}, one_curve());
  EXPECT_EQ(load(m.get(), huge.bytes), POSE_HOSTILE);
  EXPECT_STREQ(m->reason, "the motion declares more than 524,288 bone keys");
  EXPECT_EQ(load(m.get(), std::string("Vocaloid Motion Data file\0\0\0\0\0", 30)), POSE_HOSTILE);
  EXPECT_STREQ(m->reason, "not a VMD motion");
  EXPECT_EQ(pose_motion_load(m.get(), rfpathA("/nonexistent/m.vmd"), nullptr, 0), POSE_HOSTILE);
  EXPECT_STREQ(m->reason, "the motion cannot be opened");
  VmdRename too_long = {"A", "1234567890123456"};
  EXPECT_EQ(load(m.get(), std::string(), {too_long}), POSE_HOSTILE);
  EXPECT_STREQ(m->reason, "a renaming is refused");
}

// The bytes the reader kept load as the file does: the same tracks, keys and reasons, the file not
// opened; and a motion loaded again holds only the new motion's names.
TEST(Motion, LoadedFromTheBytesTheReaderKept) {
  auto motion = [](bool refused) {
    VmdWriter w;
    w.header("m");
    w.i32(5);
    w.bone_key("B", 20, {0, 0, 0}, {0, 0, 0, 2}, one_curve());
    w.bone_key("old", 10, {1, 0, 0}, {0, 0, 0, 1}, one_curve());
    w.bone_key("B", 5, {0, 0, 0}, {0.1f, 0, 0, 1}, one_curve());
    w.bone_key("C", 10, {2, 0, 0}, {0, 0, 0, 1}, one_curve());
    w.bone_key("C", 11, {refused ? 2e5f : 3.0f, 0, 0}, {0, 0, 0, 1}, one_curve());
    w.i32(0);
    return w.bytes;
  };
  const std::vector<VmdRename> renames = {{"old", "A"}};
  TempDir dir;
  std::string path = dir.file("m.vmd");
  auto from_file = std::make_unique<PoseMotion>();
  auto from_bytes = std::make_unique<PoseMotion>();
  vmd_keep(true);
  for (const std::string& bytes : {motion(false), motion(true)}) {
    write_file(path, bytes);
    int want = pose_motion_load(from_file.get(), rfpathA(path.c_str()), renames.data(), 1);
    ASSERT_EQ(vmd_read_a(path.c_str()), READ_DONE);
    VmdKept kept = vmd_kept();
    ASSERT_EQ(kept.size, (int64_t)bytes.size());
    std::remove(path.c_str());
    EXPECT_EQ(pose_motion_load_bytes(from_bytes.get(), kept.bytes, kept.size, renames.data(), 1), want);
    EXPECT_STREQ(from_bytes->reason, from_file->reason);
    ASSERT_EQ(from_bytes->track_count, from_file->track_count);
    ASSERT_EQ(from_bytes->key_count, from_file->key_count);
    for (int t = 0; t < from_file->track_count; t++) {
      EXPECT_STREQ(from_bytes->track[t].name, from_file->track[t].name);
      EXPECT_EQ(from_bytes->track[t].count, from_file->track[t].count);
      EXPECT_EQ(pose_motion_track(from_bytes.get(), from_file->track[t].name), t);
    }
    EXPECT_EQ(std::memcmp(from_bytes->key, from_file->key, sizeof(PoseKey) * (size_t)from_file->key_count), 0);
  }
  vmd_keep(false);
  // Loaded again with other names: the earlier names are gone from the name hash.
  VmdWriter other;
  other.header("m");
  other.i32(1);
  other.bone_key("D", 0, {0, 0, 0}, {0, 0, 0, 1}, one_curve());
  ASSERT_EQ(load(from_bytes.get(), other.bytes), POSE_DONE);
  EXPECT_EQ(pose_motion_track(from_bytes.get(), "A"), -1);
  EXPECT_EQ(pose_motion_track(from_bytes.get(), "B"), -1);
  EXPECT_EQ(pose_motion_track(from_bytes.get(), "D"), 0);
}
