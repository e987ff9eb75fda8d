// velmora-report's created files: written whole under a temporary name, then given their name only
// where no file has it; a file not written whole leaves nothing behind.
#include <gtest/gtest.h>

#include <string>

#include "app/report_files.h"
#include "paths/paths.h"
#include "support/testfiles.h"

TEST(ReportFiles, WholeOrNotAtAll) {
  TempDir dir;
  const std::string name = dir.file("sub/deeper/picture.png");
  const std::u16string name_w = to_u16(name);
  ASSERT_EQ(path_make_folders_w(name_w.c_str()), 0);

  ReportNewFile f;
  ASSERT_EQ(report_files_open(&f, name_w.c_str(), false), REPORT_FILE_DONE);
  std::fputs("half", f.f);
  EXPECT_FALSE(file_exists(name)) << "no file has the name before it is whole";
  EXPECT_EQ(report_files_close(&f, false), REPORT_FILE_FAILED);
  EXPECT_FALSE(file_exists(name));
  EXPECT_FALSE(file_exists(name + ".part0"));

  ASSERT_EQ(report_files_open(&f, name_w.c_str(), false), REPORT_FILE_DONE);
  std::fputs("whole", f.f);
  EXPECT_EQ(report_files_close(&f, true), REPORT_FILE_DONE);
  EXPECT_EQ(read_file(name), "whole");

  // The name is taken now: nothing is opened; and a file that takes the name while another is being
  // written is not replaced.
  EXPECT_EQ(report_files_open(&f, name_w.c_str(), false), REPORT_FILE_EXISTS);
  const std::string other = dir.file("other.png");
  const std::u16string other_w = to_u16(other);
  ASSERT_EQ(report_files_open(&f, other_w.c_str(), false), REPORT_FILE_DONE);
  std::fputs("late", f.f);
  write_file(other, "first");
  EXPECT_EQ(report_files_close(&f, true), REPORT_FILE_EXISTS);
  EXPECT_EQ(read_file(other), "first");
  EXPECT_FALSE(file_exists(other + ".part0"));
}
