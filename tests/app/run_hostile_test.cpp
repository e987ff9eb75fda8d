// run_hostile_test.cpp: the run sequence on paths beyond 260 units. The program directory and the
// on-disk names hold 259 units and a terminator; a longer argument 0 gives a directory cut at a whole
// character, and a file whose path is longer than 259 units opens through neither name (as under
// MAX_PATH): it has no on-disk name and no kind, and the check runs without input.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

#include "app/cmdline.h"
#include "app/run.h"
#include "check/report_page.h"
#include "formats/pmx.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

// The same line in both lists: Shift-JIS in the ANSI one, UTF-16 in the other.
void command_line(const std::string& sjis_line) {
  split_command_line_ansi_from(sjis_line.c_str());
  std::u16string w = to_u16(from_sjis(sjis_line));
  split_command_line_utf16_from(w.c_str());
}

}  // namespace

TEST(RunHostile, ProgramDirectoryOfALongArgumentZeroIsCut) {
  // 300 characters of directory, two bytes each in Shift-JIS (表 = 0x95 0x5C: its trail byte is a
  // backslash).
  std::string dir = "C:\\";
  for (int i = 0; i < 300; i++) dir += "\x95\x5C";
  command_line("\"" + dir + "\\velmora.exe\" a.vmd");
  run_program_dir();
  const std::string progdir = run_settings()->progdir;
  ASSERT_LE(progdir.size(), (size_t)RUN_PATH - 1);
  // Cut after a whole character, never between the lead byte and its trail byte.
  EXPECT_EQ(progdir.size(), 3u + 2 * 128);
  EXPECT_EQ(progdir, dir.substr(0, progdir.size()));
  const std::u16string progdir_w = run_settings()->progdir_w;
  EXPECT_EQ(progdir_w.size(), (size_t)RUN_PATH - 1);
  EXPECT_EQ(progdir_w, to_u16(from_sjis(dir)).substr(0, RUN_PATH - 1));
}

TEST(RunHostile, FileBeyond259UnitsOpensThroughNeitherName) {
  TempDir tmp;
  // Nested directories, then a name that makes the file's path 300 bytes long.
  std::string path = tmp.path;
  while (path.size() + 41 < 260) {
    path += "/" + std::string(40, 'd');
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  }
  path += "/" + std::string(300 - path.size() - 5, 'm') + ".vmd";
  ASSERT_EQ(path.size(), 300u);
  VmdWriter w;
  w.header("long");
  w.i32(1);
  w.bone("far_bone", 0, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  write_file(path, w.bytes);
  ASSERT_EQ(read_file(path), w.bytes);

  command_line("velmora.exe " + path);
  run_file_names(1);
  EXPECT_STREQ(run_file()->ondisk, "");
  EXPECT_EQ(run_file()->ondisk_w[0], 0);
  EXPECT_EQ(run_file()->is_vmd, 0);
  model_clear();
  run_check(nullptr, nullptr);
  EXPECT_EQ(run_file()->read_result, RUN_NO_READER);
  const ReportPage* p = report_view();
  ASSERT_GT(p->line_count, 2);
  // The path line, cut at the page's 127 bytes.
  EXPECT_EQ(std::string(p->text[1]), path.substr(0, REPORT_LINE_BYTES - 1));
  for (int i = 0; i < p->line_count; i++) EXPECT_EQ(std::strstr(p->text[i], "far_bone"), nullptr) << i;
}
