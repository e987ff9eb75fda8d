// The POSIX platform seam: host names beyond the BMP, and the command line built from UTF-8 words.
#include <gtest/gtest.h>

#include <string>

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
  EXPECT_EQ(std::u16string(sys_command_line_w()), u"prog \U0001F600.vmd \"a b\" \"\" \uFFFD");
  // The ANSI line spells in code page 932 what it can, "?" for the rest.
  EXPECT_EQ(std::string(sys_command_line_a()), "prog ??.vmd \"a b\" \"\" ?");
}
