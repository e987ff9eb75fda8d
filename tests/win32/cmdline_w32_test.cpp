// The splitters over the process's real command line: wine-run.sh starts this test with arguments
// after "--", among them a quoted path with a blank, Hangul and Japanese words.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/cmdline.h"

namespace {

// The words after the "--" that the runner passes, in both lists; empty when not started so.
int first_after_dashes(bool wide) {
  int n = wide ? arg_count_w() : arg_count_a();
  for (int k = 0; k < n; k++) {
    if (wide ? std::u16string(arg_w(k)) == u"--" : std::string(arg_a(k)) == "--") return k + 1;
  }
  return -1;
}

}  // namespace

TEST(RealCommandLine, SplitsGetCommandLineWAndA) {
  split_command_line_utf16();
  split_command_line_ansi();
  EXPECT_EQ(arg_count_w(), arg_count_a());
  int kw = first_after_dashes(true);
  int ka = first_after_dashes(false);
  if (kw < 0) GTEST_SKIP() << "started without the test words";
  ASSERT_EQ(kw, ka);
  ASSERT_EQ(arg_count_w(), kw + 4);
  EXPECT_EQ(std::u16string(arg_w(kw)), u"C:\\My Clips\\a.vmd");
  EXPECT_EQ(std::string(arg_a(ka)), "C:\\My Clips\\a.vmd");
  EXPECT_EQ(std::u16string(arg_w(kw + 1)), u"-ND");
  EXPECT_EQ(std::u16string(arg_w(kw + 2)), u"\xD55C\xAE00.vmd");
  // Hangul has no spelling in the ANSI code page: the system gives "?" in its place.
  EXPECT_EQ(std::string(arg_a(ka + 2)), "??.vmd");
  EXPECT_EQ(std::u16string(arg_w(kw + 3)), u"\x52D5\x304D.vmd");  // 動き.vmd
  if (GetACP() == 932) {
    EXPECT_EQ(std::string(arg_a(ka + 3)), "\x93\xAE\x82\xAB.vmd");
  }
  // Word 0 is the program's path as it was typed.
  EXPECT_NE(std::string(arg_a(0)).find("velmora_wintests"), std::string::npos);
}
