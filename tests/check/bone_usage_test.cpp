// Bone usage records and the bone half of the report page.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "check/listing.h"
#include "check/names.h"
#include "check/vocab.h"
#include "check/report_page.h"
#include "check/usage.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "support/pagedump.h"
#include "support/testfiles.h"

namespace {

class BonePage : public ::testing::Test {
 protected:
  std::string sjis_storage[64];
  int stored = 0;
  void SetUp() override {
    names_init();
    names_register_builtin();
    bone_usage_reset();
    morph_usage_reset();
    model_clear();
    vmd_read_a("/nonexistent/velmora.vmd");  // empties the motion's model name
  }
  // One key of bone name (UTF-8), resolved as the motion reader resolves it.
  int key(const std::string& utf8, int frame, float px, float py, float pz, float qx, float qy, float qz, float qw) {
    std::string& name = sjis_storage[stored++ % 64];
    name = to_sjis(utf8);
    int entry = names_find_or_add(LIST_BONES, name.c_str());
    BoneKey k = {name.c_str(), frame, px, py, pz, qx, qy, qz, qw};
    bone_usage_add(entry, k);
    return entry;
  }
  int raw_key(const std::string& sjis, float px) {
    std::string& name = sjis_storage[stored++ % 64];
    name = sjis;
    int entry = names_find_or_add(LIST_BONES, name.c_str());
    BoneKey k = {name.c_str(), 0, px, 0, 0, 0, 0, 0, 1};
    bone_usage_add(entry, k);
    return entry;
  }
  std::vector<std::string> bones_page(bool alias = false) {
    ReportContext ctx = {"C:\\m\\a.vmd", alias, vmd_model_name()};
    report_reset();
    report_bones(ctx);
    return page_lines();
  }
};

const char* HEAD[] = {"#000000|", "#ffffff|C:\\m\\a.vmd", "#ffffff|", "#ffffff|想定使用先:   (PMX) ", "#ffffff|",
                      "#ffffff|使用ボーン: "};

std::vector<std::string> with_head(std::vector<std::string> rest) {
  std::vector<std::string> all(HEAD, HEAD + 6);
  all.insert(all.end(), rest.begin(), rest.end());
  return all;
}

}  // namespace

TEST_F(BonePage, RecordUpdate) {
  int e = key("頭", 40, 0.0f, 3.0f, 4.0f, 0.0f, 0.6f, 0.0f, 0.8f);
  key("頭", 10, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  key("頭", 25, -1.0f, 0.0f, 0.0f, 0.0f, -0.2f, 0.0f, 0.9797959f);
  const BoneUsage* r = bone_usage_view(e);
  EXPECT_EQ(r->key_count, 3);
  EXPECT_EQ(r->first_frame, 10);
  EXPECT_EQ(r->last_frame, 40);
  EXPECT_EQ(r->moves, 0xFF);
  EXPECT_EQ(r->max_offset, 5.0f);
  EXPECT_FLOAT_EQ(r->max_rotation, 0.6f);
  // Entries without a record read as fresh records; keys for them are dropped.
  BoneKey k = {"x", 1, 1, 1, 1, 0, 0, 0, 1};
  bone_usage_add(8191, k);
  bone_usage_add(8192, k);
  bone_usage_add(0, k);
  EXPECT_EQ(bone_usage_view(8191)->key_count, 1);
  EXPECT_EQ(bone_usage_view(8192)->key_count, 0);
  EXPECT_EQ(bone_usage_view(8192)->first_frame, 999999);
  EXPECT_EQ(bone_usage_view(0)->key_count, 0);
}

TEST_F(BonePage, NoKeysGivesTheHeaderOnly) {
  EXPECT_EQ(bones_page(), with_head({"#ffffff|"}));
}

TEST_F(BonePage, RestPoseIsNotListed) {
  key("頭", 0, 0.01f, -0.01f, 0.0f, 0.0f, 0.01f, 0.0f, 1.0f);
  key("頭", 5, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  EXPECT_EQ(bones_page(), with_head({"#ffffff|"}));
}

TEST_F(BonePage, FingerNeedsAnOffsetAbove005) {
  key("右人指２", 3, 0, 0, 0, 0.3f, 0, 0, 0.95393920f);
  EXPECT_EQ(bones_page(), with_head({"#ffffff|"}));
  key("右人指２", 8, 0.06f, 0, 0, 0, 0, 0, 1);
  // The closing empty lines take the colour of the last piece put, grey.
  EXPECT_EQ(bones_page(), with_head({"#969696|  右人指２  (2 keys) (frame 3 - 8) (|pos|=0.06) (rot  34.9) ",
                                     "#969696|", "#969696|"}));
}

TEST_F(BonePage, PatternNamesShareARecordAndAreNeverListed) {
  int a = key("髪A", 1, 1, 0, 0, 0, 0, 0, 1);
  int b = key("髪B", 2, 1, 0, 0, 0, 0, 0, 1);
  EXPECT_EQ(a, b);
  EXPECT_EQ(names_group_of(LIST_BONES, a), 3);
  EXPECT_EQ(bone_usage_view(a)->key_count, 2);
  EXPECT_EQ(bones_page(), with_head({"#ffffff|"}));
}

TEST_F(BonePage, SeparatorBeforeUnknownNamesEvenWhenNoneIsListed) {
  key("センター", 0, 0.5f, 0, 0, 0, 0, 0, 1);
  key("謎ボーン", 0, 0.005f, 0, 0, 0.005f, 0, 0, 1);
  EXPECT_EQ(bones_page(),
            with_head({"#969696|  センター  (1 keys) (frame 0 - 0) (|pos|=0.5) ", "#969696|     ", "#969696|"}));
}

TEST_F(BonePage, TwistBones) {
  // 90 degrees about x at frame 30: the twist piece, and no rotation piece for a twist bone.
  float h = std::sqrt(0.5f);
  key("左腕捩", 30, 0, 0, 0, h, 0, 0, h);
  // 左腕 turned 60 degrees about its own axis, and 右腕 about an axis across it.
  float ax = 0.819742f, ay = -0.572734f;
  float len = std::sqrt(ax * ax + ay * ay);
  key("左腕", 12, 0, 0, 0, 0.5f * ax / len, 0.5f * ay / len, 0, 0.8660254f);
  key("右腕", 14, 0, 0, 0, 0, 0, 0.5f, 0.8660254f);
  EXPECT_EQ(bones_page(), with_head({"#969696|  左腕    (1 keys) (frame 12 - 12) (rot  60.0) (tws  60.0 (at 12)) ",
                                     "#969696|  左腕捩  (1 keys) (frame 30 - 30) (tws  90.0 (at 30)) ",
                                     "#969696|  右腕    (1 keys) (frame 14 - 14) (rot  60.0) ", "#969696|", "#969696|"}));
}

TEST_F(BonePage, TwistTakesTheLargerSideAndItsFrame) {
  float s10 = std::sin(10.0f * 3.14159265f / 360.0f), c10 = std::cos(10.0f * 3.14159265f / 360.0f);
  float s40 = std::sin(40.0f * 3.14159265f / 360.0f), c40 = std::cos(40.0f * 3.14159265f / 360.0f);
  key("右手捩", 5, 0, 0, 0, s10, 0, 0, c10);
  key("右手捩", 7, 0, 0, 0, -s40, 0, 0, c40);
  // A negative w is made canonical first: this is +10 degrees again.
  key("右手捩", 9, 0, 0, 0, -s10, 0, 0, -c10);
  const BoneUsage* r = bone_usage_view(names_find_or_add(LIST_BONES, to_sjis("右手捩").c_str()));
  EXPECT_EQ(r->twist_pos_frame, 5);
  EXPECT_EQ(r->twist_neg_frame, 7);
  EXPECT_EQ(bones_page(), with_head({"#969696|  右手捩  (3 keys) (frame 5 - 9) (tws  40.0 (at 7)) ", "#969696|",
                                     "#969696|"}));
}

TEST_F(BonePage, ColoursWithoutAModel) {
  key("上半身２", 0, 1, 0, 0, 0, 0, 0, 1);
  key("上半身2", 0, 1, 0, 0, 0, 0, 0, 1);
  key("上半身3", 0, 1, 0, 0, 0, 0, 0, 1);
  key("左足ＩＫ親", 0, 1, 0, 0, 0, 0, 0, 1);
  key("右足ＩＫ親", 0, 1, 0, 0, 0, 0, 0, 1);
  std::vector<std::string> page = bones_page();
  ASSERT_EQ(page.size(), 13u);
  EXPECT_EQ(page[6], "#969696|  上半身2     (1 keys) (frame 0 - 0) (|pos|=1) ");
  EXPECT_EQ(page[7], "#ff0000|  上半身２    (1 keys) (frame 0 - 0) (|pos|=1) ");
  EXPECT_EQ(page[8], "#fff000|  上半身3     (1 keys) (frame 0 - 0) (|pos|=1) ");
  EXPECT_EQ(page[9], "#ff0000|  左足ＩＫ親  (1 keys) (frame 0 - 0) (|pos|=1) ");
  EXPECT_EQ(page[10], "#ff0000|  右足ＩＫ親  (1 keys) (frame 0 - 0) (|pos|=1) ");
  EXPECT_EQ(page[11], "#ff0000|");
  EXPECT_EQ(page[12], "#ff0000|");
}

TEST_F(BonePage, UnknownNamesWrapBefore80Columns) {
  key("センター", 0, 0.5f, 0, 0, 0, 0, 0, 1);
  for (int i = 0; i < 6; i++) raw_key("name000" + std::to_string(i) + "x", 1.0f);  // 9 bytes: 11-byte pieces
  raw_key("eleven_byte", 1.0f);    // 11 + 66 + 2 = 79: joins the line
  raw_key("twelve_bytes", 1.0f);   // 12 + 77 + 2 = 91: a new line
  std::vector<std::string> page = bones_page();
  ASSERT_EQ(page.size(), 12u);
  EXPECT_EQ(page[7], "#969696|     ");
  EXPECT_EQ(page[8],
            "#969696|  name0000x  name0001x  name0002x  name0003x  name0004x  name0005x  eleven_byte");
  EXPECT_EQ(page[9], "#969696|  twelve_bytes");
  EXPECT_EQ(page[10], "#969696|");
  EXPECT_EQ(page[11], "#969696|");
  // With a cursor of exactly 66, a 12-byte name starts the new line.
  SetUp();
  for (int i = 0; i < 6; i++) raw_key("name000" + std::to_string(i) + "x", 1.0f);
  raw_key("twelve_bytes", 1.0f);
  page = bones_page();
  ASSERT_EQ(page.size(), 10u);
  EXPECT_EQ(page[6], "#969696|  name0000x  name0001x  name0002x  name0003x  name0004x  name0005x");
  EXPECT_EQ(page[7], "#969696|  twelve_bytes");
}

TEST_F(BonePage, ThumbZeroWithATrailingSpaceIsQuoted) {
  raw_key(to_sjis("左親指０ "), 1.0f);
  std::vector<std::string> page = bones_page();
  ASSERT_EQ(page.size(), 9u);
  EXPECT_EQ(page[6], "#969696|  \"左親指０ \"");
}

TEST_F(BonePage, SourceModelLineDropsALoneLeadByte) {
  TempDir dir;
  std::string motion = std::string("Vocaloid Motion Data 0002\0\0\0\0\0", 30) + to_sjis("初音ミク") +
                       std::string(11, 'x') + "\x83" + std::string(4, '\0');
  write_file(dir.file("m.vmd"), motion);
  ASSERT_EQ(vmd_read_a(dir.file("m.vmd").c_str()), 0);
  std::vector<std::string> page = bones_page();
  EXPECT_EQ(page[3], "#ffffff|元モデル名: 初音ミクxxxxxxxxxxx  (VMD) ");
  EXPECT_EQ(page[4], "#ffffff|想定使用先:   (PMX) ");
  page = bones_page(true);
  EXPECT_EQ(page[3], "#ffffff|Source model: 初音ミクxxxxxxxxxxx  (VMD) ");
  EXPECT_EQ(page[4], "#ffffff|Target model:   (PMX) ");
  EXPECT_EQ(page[6], "#ffffff|Bones: ");
}

// The records a motion's runs of keys give (squares, twist bounds, one square root per record) against
// the key-by-key rule with a square root per key, computed here as the reader computed it before: every
// field bit for bit, over keys of every size, sign, tie and special float, in runs of any length.
namespace {

struct Reference {
  int32_t key_count = 0, first_frame = 999999, last_frame = -1;
  uint8_t moves = 0;
  float max_offset = 0, max_rotation = 0, twist_pos = 0, twist_neg = 0;
  int32_t twist_pos_frame = -1, twist_neg_frame = -1;
};

void reference_key(Reference& r, int twist_kind, const float* arm_axis, int32_t frame, const float p[3],
                   const float q0[4]) {
  r.key_count++;
  if (frame < r.first_frame) r.first_frame = frame;
  if (frame > r.last_frame) r.last_frame = frame;
  if (std::fabs(q0[0]) > 0.01f || std::fabs(q0[1]) > 0.01f || std::fabs(q0[2]) > 0.01f || std::fabs(p[0]) > 0.01f ||
      std::fabs(p[1]) > 0.01f || std::fabs(p[2]) > 0.01f) {
    r.moves = 0xFF;
  }
  float offset = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
  if (offset > r.max_offset) r.max_offset = offset;
  float rot = std::sqrt(q0[0] * q0[0] + q0[1] * q0[1] + q0[2] * q0[2]);
  if (rot > r.max_rotation) r.max_rotation = rot;
  if (twist_kind == 0) return;
  float q[4] = {q0[0], q0[1], q0[2], q0[3]};
  if (q[3] < 0.0f) {
    for (float& v : q) v = -v;
  }
  float t[4] = {q[0], q[1], q[2], q[3]};
  if (twist_kind == 2) {
    float alen = std::sqrt(arm_axis[0] * arm_axis[0] + arm_axis[1] * arm_axis[1] + arm_axis[2] * arm_axis[2]);
    float a[3] = {arm_axis[0] / alen, arm_axis[1] / alen, arm_axis[2] / alen};
    float d = q[0] * a[0] + q[1] * a[1] + q[2] * a[2];
    float u[4] = {d * a[0], d * a[1], d * a[2], q[3]};
    float len = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2] + u[3] * u[3]);
    if (len < 1e-6f) {
      t[0] = t[1] = t[2] = 0.0f;
      t[3] = 1.0f;
    } else {
      for (int i = 0; i < 4; i++) t[i] = u[i] / len;
      if (t[3] < 0.0f) {
        for (float& v : t) v = -v;
      }
    }
  }
  float magnitude = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
  if (!(t[0] < 0.0f)) {
    if (magnitude > r.twist_pos) {
      r.twist_pos = magnitude;
      r.twist_pos_frame = frame;
    }
  } else if (magnitude > r.twist_neg) {
    r.twist_neg = magnitude;
    r.twist_neg_frame = frame;
  }
}

uint32_t bits(float f) {
  uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

}  // namespace

TEST_F(BonePage, RunsGiveTheRecordsOfASquareRootPerKey) {
  // 左腕 (an arm bone, its axis as the records have it), 右手捩 (a twist bone), センター (neither).
  const char* utf8[3] = {"左腕", "右手捩", "センター"};
  const int kinds[3] = {2, 1, 0};
  const float arm_axis[3] = {0.819742f, -0.572734f, 0.0f};
  const float specials[] = {0.0f, -0.0f, 1e-45f, -1e-45f, 1e-38f, 1e-30f, 1e-20f, 0.01f, -0.01f, 0.5f, -0.5f,
                            0.70710678f, 1.0f, -1.0f, 3.0f, 1e19f, 1e20f, 3e38f, -3e38f, INFINITY, -INFINITY, NAN};
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  auto value = [&](float scale) {
    if (next() % 8 == 0) return specials[next() % (sizeof specials / sizeof specials[0])];
    return ((float)(next() % 2000001) / 1000000.0f - 1.0f) * scale;
  };
  for (int trial = 0; trial < 60; trial++) {
    Reference ref[3];
    int entry[3];
    std::string name[3];
    bone_usage_reset();
    for (int b = 0; b < 3; b++) {
      name[b] = to_sjis(utf8[b]);
      entry[b] = names_find_or_add(LIST_BONES, name[b].c_str());
    }
    // A scale per trial: rotations that make ties, tiny ones, large ones.
    float scale = trial % 4 == 0 ? 1e-3f : trial % 4 == 1 ? 1.0f : trial % 4 == 2 ? 1e15f : 0.3f;
    for (int run = 0; run < 40; run++) {
      int b = (int)(next() % 3);
      BoneTarget t;
      ASSERT_TRUE(bone_usage_target(&t, entry[b], name[b].c_str()));
      BoneGather g = BONE_GATHER_NONE;
      int keys = 1 + (int)(next() % 50);
      float repeat[4] = {value(scale), value(scale), value(scale), value(1.0f)};
      for (int k = 0; k < keys; k++) {
        int32_t frame = (int32_t)(next() % 5000) - 100;
        float p[3] = {value(scale * 10), value(scale * 10), value(scale * 10)};
        float q[4] = {value(scale), value(scale), value(scale), value(1.0f)};
        // Equal twists at different frames, either sign of w.
        if (next() % 4 == 0) {
          for (int i = 0; i < 4; i++) q[i] = (next() % 2 ? 1.0f : -1.0f) * repeat[i];
        }
        reference_key(ref[b], kinds[b], arm_axis, frame, p, q);
        float rotation_sq = bone_usage_gather(g, frame, p[0], p[1], p[2], q[0], q[1], q[2]);
        if (t.twist != BONE_NO_TWIST) bone_usage_twist(t, frame, q[0], q[1], q[2], q[3], rotation_sq);
      }
      bone_usage_gathered(t, g);
    }
    bone_usage_finish();
    for (int b = 0; b < 3; b++) {
      const BoneUsage* r = bone_usage_view(entry[b]);
      SCOPED_TRACE("trial " + std::to_string(trial) + ", bone " + utf8[b]);
      EXPECT_EQ(r->key_count, ref[b].key_count);
      EXPECT_EQ(r->first_frame, ref[b].first_frame);
      EXPECT_EQ(r->last_frame, ref[b].last_frame);
      EXPECT_EQ(r->moves, ref[b].moves);
      EXPECT_EQ(bits(r->max_offset), bits(ref[b].max_offset));
      EXPECT_EQ(bits(r->max_rotation), bits(ref[b].max_rotation));
      EXPECT_EQ(bits(r->twist_pos), bits(ref[b].twist_pos));
      EXPECT_EQ(r->twist_pos_frame, ref[b].twist_pos_frame);
      EXPECT_EQ(bits(r->twist_neg), bits(ref[b].twist_neg));
      EXPECT_EQ(r->twist_neg_frame, ref[b].twist_neg_frame);
    }
  }
}
