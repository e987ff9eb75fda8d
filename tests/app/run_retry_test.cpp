// A motion cut inside a later record reads with 2 by its ANSI path, and the run reads it again by its
// UTF-16 path. The retry must start from the name lists as they were: on the first read's lists a
// later name that is a wildcard pattern ("?") would take the keys of an earlier one ("a").
#include <gtest/gtest.h>

#include "app/cmdline.h"
#include "app/run.h"
#include "check/names.h"
#include "check/vocab.h"
#include "check/usage.h"
#include "formats/pmx.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

TEST(RunRegression, RetryAfterACutFileCountsEveryNameUnderItsOwnEntry) {
  TempDir dir;
  VmdWriter w;
  w.header("cut");
  w.i32(2);
  w.bone("a", 0, 1.0f, 0, 0, 0, 0, 0, 1);
  w.bone("?", 1, 1.0f, 0, 0, 0, 0, 0, 1);
  w.i32(1);
  w.raw("mor");  // cut inside the morph name: result 2
  std::string path = dir.file("cut.vmd");
  write_file(path, w.bytes);
  std::string line = "velmora.exe " + path;
  split_command_line_ansi_from(line.c_str());
  std::u16string wl = to_u16(line);
  split_command_line_utf16_from(wl.c_str());
  run_file_names(1);
  model_clear();
  run_check(nullptr, nullptr);
  ASSERT_EQ(run_file()->read_result, 2);
  int a = -1, q = -1;
  for (int e = 1; e <= names_count(LIST_BONES); e++) {
    if (std::string(names_entry(LIST_BONES, e)) == "a") a = e;
    if (std::string(names_entry(LIST_BONES, e)) == "?") q = e;
  }
  ASSERT_GT(a, 0);
  ASSERT_GT(q, 0);
  EXPECT_EQ(bone_usage_view(a)->key_count, 1);
  EXPECT_EQ(bone_usage_view(q)->key_count, 1);
  // The lists hold the motion's names once.
  EXPECT_EQ(names_count(LIST_BONES), 473 + 2);
}

TEST(RunRegression, TruncateTakesBackOnlyEntriesOfTheLastGroup) {
  names_init();
  names_register_builtin();
  EXPECT_EQ(names_truncate(LIST_BONES, 472), -1);  // inside the built-in groups
  int n = names_count(LIST_BONES);
  int x = names_find_or_add(LIST_BONES, "x*");
  EXPECT_EQ(names_find_or_add(LIST_BONES, "xy"), x);
  EXPECT_EQ(names_truncate(LIST_BONES, n), 0);
  EXPECT_EQ(names_count(LIST_BONES), n);
  // "xy" no longer finds the pattern taken back.
  EXPECT_EQ(names_find_or_add(LIST_BONES, "xy"), n + 1);
  EXPECT_EQ(names_truncate(LIST_BONES, n + 5), 0);
  EXPECT_EQ(names_count(LIST_BONES), n + 1);
}
