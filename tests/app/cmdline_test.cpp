// Splitting and appending the two argument lists.
#include <gtest/gtest.h>

#include <string>

#include "app/cmdline.h"
#include "support/testfiles.h"

static std::string words_a() {
  std::string out;
  for (int k = 0; k < arg_count_a(); k++) out += std::string("[") + arg_a(k) + "]";
  return out;
}

static std::string words_w() {
  std::string out;
  for (int k = 0; k < arg_count_w(); k++) out += "[" + from_u16(arg_w(k)) + "]";
  return out;
}

TEST(CommandLineSplit, QuotedPathWithSpacesInBothLists) {
  split_command_line_ansi_from("prog.exe \"C:\\My Clips\\a.vmd\" -ND");
  split_command_line_utf16_from(u"prog.exe \"C:\\My Clips\\a.vmd\" -ND");
  EXPECT_EQ(words_a(), "[prog.exe][C:\\My Clips\\a.vmd][-ND]");
  EXPECT_EQ(words_w(), "[prog.exe][C:\\My Clips\\a.vmd][-ND]");
}

TEST(CommandLineSplit, QuoteInsideAWordTogglesWithoutEndingIt) {
  split_command_line_ansi_from("p \"C:\\My Clips\"\\a.vmd x");
  EXPECT_EQ(words_a(), "[p][C:\\My Clips\\a.vmd][x]");
}

TEST(CommandLineSplit, BlanksAndTabs) {
  split_command_line_ansi_from("  p  a.vmd   b.vmd");
  EXPECT_EQ(words_a(), "[p][a.vmd][b.vmd]");
  split_command_line_ansi_from("p ");
  EXPECT_EQ(arg_count_a(), 1);
  EXPECT_EQ(words_a(), "[p]");
  split_command_line_ansi_from("p a\tb");
  EXPECT_EQ(words_a(), "[p][a\tb]");
  split_command_line_utf16_from(u"p   ");
  EXPECT_EQ(arg_count_w(), 1);
  // A trailing space after two words keeps both and adds nothing.
  split_command_line_ansi_from("p a ");
  EXPECT_EQ(words_a(), "[p][a]");
}

TEST(CommandLineSplit, ShiftJisTrailBytesAreNeitherQuoteNorSpace) {
  // Lead byte 0x81 followed by 0x22, then by 0x20: both stay inside the word.
  split_command_line_ansi_from("p a\x81\x22" "b\x81 c d");
  ASSERT_EQ(arg_count_a(), 3);
  EXPECT_EQ(std::string(arg_a(1)), "a\x81\x22" "b\x81 c");
  EXPECT_EQ(std::string(arg_a(2)), "d");
  // The UTF-16 list knows no lead bytes.
  split_command_line_utf16_from(u"p a\u0081\"b c");
  EXPECT_EQ(arg_count_w(), 2);
}

TEST(CommandLineSplit, StopsAt511Words) {
  std::string line = "p";
  for (int i = 1; i < 600; i++) line += " w" + std::to_string(i);
  split_command_line_ansi_from(line.c_str());
  EXPECT_EQ(arg_count_a(), 511);
  EXPECT_EQ(std::string(arg_a(510)), "w510");
}

TEST(CommandLineSplit, UsesOnlyTheFirst65533Characters) {
  std::string line = "p " + std::string(70000, 'x');
  split_command_line_ansi_from(line.c_str());
  ASSERT_EQ(arg_count_a(), 2);
  EXPECT_EQ(std::string(arg_a(1)).size(), 65533u - 2u);
  // "p", its 0, 65,531 x, their 0: the store holds no room for another word.
  EXPECT_EQ(arg_append_ansi("z"), -1);
}

TEST(CommandLineSplit, StopsAtAWordEndOnceTheStoreReaches65275) {
  std::string line = "p " + std::string(65280, 'x') + " y z";
  split_command_line_ansi_from(line.c_str());
  EXPECT_EQ(arg_count_a(), 2);
}

TEST(CommandLineAppend, KeepsBothListsEqualAndRefusesBeyondTheLimit) {
  split_command_line_ansi_from("p a.vmd");
  split_command_line_utf16_from(u"p a.vmd");
  EXPECT_EQ(arg_append_ansi("b.vmd"), 0);
  EXPECT_EQ(arg_append_utf16(u"b.vmd"), 0);
  EXPECT_EQ(arg_count_a(), 3);
  EXPECT_EQ(arg_count_w(), 3);
  EXPECT_EQ(std::string(arg_a(2)), "b.vmd");
  EXPECT_EQ(from_u16(arg_w(2)), "b.vmd");
  EXPECT_EQ(arg_append_ansi(""), 1);
  EXPECT_EQ(arg_count_a(), 3);
  EXPECT_STREQ(arg_a(3), "");
  for (int i = 3; i < 511; i++) ASSERT_EQ(arg_append_ansi("w"), 0);
  EXPECT_EQ(arg_count_a(), 511);
  EXPECT_EQ(arg_append_ansi("one-too-many"), -1);
  EXPECT_EQ(arg_count_a(), 511);
}

TEST(CommandLineAppend, CutsAWordAtTheEndOfTheStore) {
  std::string line = "p " + std::string(65000, 'x');
  split_command_line_ansi_from(line.c_str());
  std::string big(2000, 'y');
  EXPECT_EQ(arg_append_ansi(big.c_str()), 0);
  EXPECT_EQ(std::string(arg_a(2)).size(), (size_t)(ARG_STORE - 1 - 65003));
  EXPECT_EQ(arg_append_ansi("z"), -1);
  EXPECT_EQ(arg_count_a(), 3);
}

TEST(CommandLineAppend, AfterATrailingBlankTheStoreHasNoGap) {
  split_command_line_ansi_from("p a ");
  EXPECT_EQ(arg_append_ansi("b"), 0);
  EXPECT_EQ(words_a(), "[p][a][b]");
  // The appended word starts right after "p", 0, "a", 0: the rest of the store takes a word of
  // 65,535 - 4 - 1 units.
  split_command_line_ansi_from("p a ");
  std::string big(70000, 'y');
  EXPECT_EQ(arg_append_ansi(big.c_str()), 0);
  EXPECT_EQ(std::string(arg_a(2)).size(), (size_t)(ARG_STORE - 4 - 1));
}
