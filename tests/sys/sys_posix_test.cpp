// The POSIX platform seam: host names beyond the BMP and host names that are not UTF-8, the directory
// search by exact name, and the command line built from UTF-8 words.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/filechan.h"
#include "paths/paths.h"
#include "support/testfiles.h"
#include "sys/sys.h"

TEST(SysPosix, NamesBeyondTheBmpAreSurrogatePairs) {
  TempDir dir;
  write_file(dir.file("\xF0\x9F\x98\x80.vmd"), "V");  // U+1F600
  std::u16string pattern = to_u16(dir.path + "/*.vmd");
  char16_t name[260];
  ASSERT_EQ(find_file_name_w(name, 260, pattern.c_str()), 0);
  EXPECT_EQ(std::u16string(name), u"\U0001F600.vmd");
  // And the name found opens by its UTF-16 spelling.
  std::u16string full = to_u16(dir.path + "/") + name;
  EXPECT_EQ(rfprobeW(full.c_str()), 0);
  rfclose();
}

TEST(SysPosix, CommandLineFromUtf8Words) {
  const char* argv[] = {"prog", "\xF0\x9F\x98\x80.vmd", "a b", "", "\xFF"};
  sys_set_command_line(5, argv);
  EXPECT_EQ(std::u16string(sys_command_line_w()), u"prog \U0001F600.vmd \"a b\" \"\" \xDCFF");
  // The ANSI line spells in code page 932 what it can, "?" for the rest.
  EXPECT_EQ(std::string(sys_command_line_a()), "prog ??.vmd \"a b\" \"\" ?");
}

namespace {
void collect(const char16_t* name, int kind, void* arg) {
  static_cast<std::vector<std::pair<std::u16string, int>>*>(arg)->push_back({name, kind});
}
}  // namespace

// A Shift-JIS name as a Japanese archive leaves it on Linux: ソロダンス.vmd, whose ソ is 83 5C. Every
// byte that is not UTF-8 travels as U+DC00 + byte, and so does the 5C inside ソ; the name goes back to
// the same bytes, opens, is found by its exact name, and shows decoded as Shift-JIS. Bytes that are not
// Shift-JIS either show as U+FFFD.
TEST(SysPosix, HostNamesThatAreNotUtf8GoRoundTrip) {
  TempDir dir;
  const std::string bytes = "\x83\x5C\x83\x8D\x83\x5F\x83\x93\x83\x58.vmd";
  const std::u16string units = u"\xDC83\xDC5C\xDC83\xDC8D\xDC83_\xDC83\xDC93\xDC83X.vmd";
  write_file(dir.file(bytes), "solo");
  std::u16string folder = to_u16(dir.path);
  std::vector<std::pair<std::u16string, int>> listed;
  ASSERT_EQ(sys_list_folder_w(folder.c_str(), collect, &listed), 0);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].first, units);
  EXPECT_EQ(listed[0].second, SYS_ENTRY_FILE);
  char host[64];
  ASSERT_EQ(sys_host_bytes_w(host, (int)sizeof host, units.c_str()), 0);
  EXPECT_EQ(std::string(host), bytes);
  // A command-line word of the same bytes gives the same units, and the path opens.
  std::u16string word(dir.file(bytes).size() + 1, u'\0');
  sys_utf16_from_host(word.data(), (int)word.size(), dir.file(bytes).c_str());
  EXPECT_EQ(std::u16string(word.c_str()), folder + u"/" + units);
  intptr_t h = sys_open_read_w(word.c_str());
  ASSERT_NE(h, SYS_NO_FILE);
  char got[8] = {};
  EXPECT_EQ(sys_read(h, got, 8), 4);
  sys_close(h);
  EXPECT_EQ(std::string(got), "solo");
  char16_t name[260];
  ASSERT_EQ(find_file_name_w(name, 260, word.c_str()), 0);
  EXPECT_EQ(std::u16string(name), units);
  char16_t shown[260];
  sys_shown_name_w(shown, 260, word.c_str());
  EXPECT_EQ(std::u16string(shown), folder + u"/ソロダンス.vmd");
  sys_shown_name_w(shown, 260, u"\xDCFF\xDC83.vmd");
  EXPECT_EQ(std::u16string(shown), u"\uFFFD\uFFFD.vmd");
}

// A name without wildcards is looked up by itself before the folder is listed; a search that goes on
// finds the listing's other matches (here the name in another letter case) without the exact one again.
// A link that leads nowhere is found as the listing finds it.
TEST(SysPosix, ExactNameFirstThenTheRestOfTheListing) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("ONE.vmd").c_str(), 0700), 0);
  write_file(dir.file("one.vmd"), "x");
  ASSERT_EQ(symlink("nowhere", dir.file("gone.vmd").c_str()), 0);
  int before = open_fds();
  static SysFindEntry e;
  intptr_t h = sys_find_first_w(to_u16(dir.path + "/ONE.vmd").c_str(), &e);
  ASSERT_NE(h, SYS_NO_FILE);
  EXPECT_EQ(std::u16string(e.wname), u"ONE.vmd");
  EXPECT_TRUE(e.is_dir);
  ASSERT_EQ(sys_find_next(h, &e), 0);
  EXPECT_EQ(std::u16string(e.wname), u"one.vmd");
  EXPECT_FALSE(e.is_dir);
  EXPECT_EQ(sys_find_next(h, &e), -1);
  sys_find_close(h);
  h = sys_find_first(to_sjis(dir.path + "/gone.vmd").c_str(), &e);
  ASSERT_NE(h, SYS_NO_FILE);
  EXPECT_STREQ(e.name, "gone.vmd");
  EXPECT_FALSE(e.is_dir);
  sys_find_close(h);
  EXPECT_EQ(open_fds(), before);
}
