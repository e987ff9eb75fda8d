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
