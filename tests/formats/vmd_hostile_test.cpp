// vmd_hostile_test.cpp: a motion built to run every table of the check into its bound: 20,000 distinct
// unknown bone names and 5,000 distinct unknown morph names. The bone list stops at 16,384 entries and
// keys of names that no longer fit are not counted; bone records end at entry 8,191 and morph records at
// 4,095, so keys of entries beyond are not counted either; the page stops at 512 lines of at most 127
// bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "check/listing.h"
#include "check/names.h"
#include "check/vocab.h"
#include "check/report_page.h"
#include "check/usage.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

constexpr int DISTINCT = 20000;       // bone names
constexpr int DISTINCT_MORPHS = 5000;  // morph names: past the 4,095 records

std::string unknown_name(const char* prefix, int i) {
  char name[16];
  std::snprintf(name, sizeof name, "%s%05d", prefix, i);
  return name;
}

// One moving key for each of 20,000 distinct bone names, then one key for each of 5,000 distinct morph
// names with a weight that leaves zero.
std::string crowded_motion() {
  VmdWriter w;
  w.header("crowded");
  w.i32(DISTINCT);
  for (int i = 0; i < DISTINCT; i++) w.bone(unknown_name("bone", i), i, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.i32(DISTINCT_MORPHS);
  for (int i = 0; i < DISTINCT_MORPHS; i++) w.morph(unknown_name("morph", i), i, 0.5f);
  w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  return w.bytes;
}

}  // namespace

// One test reads the motion once (it takes a while under the sanitizers) and looks at every bound.
TEST(VmdHostile, TwentyThousandDistinctUnknownNames) {
  TempDir dir;
  std::string path = dir.file("crowded.vmd");
  write_file(path, crowded_motion());
  names_init();
  names_register_builtin();
  const int builtin_bones = names_count(LIST_BONES);
  const int builtin_morphs = names_count(LIST_MORPHS);
  EXPECT_EQ(vmd_read_a(path.c_str()), 0);

  // The bone list stops at 16,384 entries; every morph name found room.
  ASSERT_EQ(names_count(LIST_BONES), NAME_ENTRIES);
  ASSERT_EQ(names_count(LIST_MORPHS), builtin_morphs + DISTINCT_MORPHS);
  // The motion's names take the entries left after the vocabularies, in order of first appearance.
  const int last_stored = NAME_ENTRIES - builtin_bones - 1;
  EXPECT_EQ(std::string(names_entry(LIST_BONES, builtin_bones + 1)), unknown_name("bone", 0));
  EXPECT_EQ(std::string(names_entry(LIST_BONES, NAME_ENTRIES)), unknown_name("bone", last_stored));
  EXPECT_EQ(std::string(names_entry(LIST_MORPHS, builtin_morphs + DISTINCT_MORPHS)),
            unknown_name("morph", DISTINCT_MORPHS - 1));
  // A name that did not fit was not stored, and resolving it again still finds no room.
  EXPECT_EQ(names_find_or_add(LIST_BONES, unknown_name("bone", last_stored + 1).c_str()), 0);
  EXPECT_EQ(names_find_or_add(LIST_BONES, unknown_name("bone", DISTINCT - 1).c_str()), 0);

  // Entries up to 8,191 (bones) and 4,095 (morphs) have records holding their one key.
  const BoneUsage* last_bone = bone_usage_view(BONE_RECORDS - 1);
  EXPECT_EQ(last_bone->key_count, 1);
  EXPECT_EQ(last_bone->first_frame, BONE_RECORDS - 1 - builtin_bones - 1);
  const MorphUsage* last_morph = morph_usage_view(MORPH_RECORDS - 1);
  EXPECT_EQ(last_morph->key_count, 1);
  EXPECT_EQ(last_morph->first_frame, MORPH_RECORDS - 1 - builtin_morphs - 1);
  // Entries beyond, in the list but without a record, read as fresh records.
  for (int e : {BONE_RECORDS, NAME_ENTRIES}) {
    EXPECT_EQ(bone_usage_view(e)->key_count, 0) << e;
    EXPECT_EQ(bone_usage_view(e)->first_frame, 999999) << e;
  }
  for (int e : {MORPH_RECORDS, builtin_morphs + DISTINCT_MORPHS}) EXPECT_EQ(morph_usage_view(e)->key_count, 0) << e;

  // The page stops at 512 lines of at most 127 bytes.
  model_clear();
  ReportContext ctx = {"crowded.vmd", false, vmd_model_name()};
  report_reset();
  report_bones(ctx);
  report_morphs(ctx);
  const ReportPage* p = report_view();
  ASSERT_EQ(p->line_count, REPORT_LINES);
  EXPECT_LE(p->widest, REPORT_LINE_BYTES - 1);
  for (int i = 0; i < REPORT_LINES; i++) {
    ASSERT_LE(strnlen(p->text[i], REPORT_LINE_BYTES), (size_t)REPORT_LINE_BYTES - 1) << i;
  }
  // The unknown names run from the first one met, a few to a line, until the page is full.
  std::string all;
  for (int i = 0; i < REPORT_LINES; i++) all += std::string(p->text[i]) + "\n";
  EXPECT_NE(all.find("  bone00000  bone00001"), std::string::npos);
  EXPECT_EQ(std::string(p->text[REPORT_LINES - 1]).find("  bone"), 0u);
  EXPECT_EQ(all.find("morph00000"), std::string::npos);
}
