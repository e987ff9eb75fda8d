// detect_test.cpp: the two file-encoding detectors, by both path forms; they close the text reader.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/detect.h"
#include "support/testfiles.h"
#include "text/encoding.h"

namespace {

std::string s2u8(const std::string& sjis, int* flags = nullptr) {
  char out[256];
  int f = sjis_to_utf8_compat(out, 256, sjis.c_str());
  if (flags != nullptr) *flags = f;
  return out;
}

}  // namespace

TEST(CheckFileUtf8, Results) {
  TempDir t;
  write_file(t.file("ascii.txt"), "-Bone\r\nabc def\r\n");
  write_file(t.file("utf8.txt"), "\xE5\x8B\x95\xE3\x81\x8D\xF0\x9F\x98\x80\r\n");
  write_file(t.file("one.txt"), "a\xFF" "b");
  write_file(t.file("two.txt"), "a\xFF" "b\x80");
  write_file(t.file("cut.txt"), "a\xE3\x81");
  write_file(t.file("sjis.txt"), "\x93\xAE\x82\xAB");
  write_file(t.file("empty.txt"), "");
  EXPECT_EQ(check_file_utf8(t.file("ascii.txt").c_str()), 7);
  EXPECT_EQ(check_file_utf8(t.file("utf8.txt").c_str()), 7);
  EXPECT_EQ(check_file_utf8(t.file("one.txt").c_str()), 0);
  EXPECT_EQ(check_file_utf8(t.file("two.txt").c_str()), 0);
  EXPECT_EQ(check_file_utf8(t.file("cut.txt").c_str()), 0);  // the end inside a character
  EXPECT_EQ(check_file_utf8(t.file("sjis.txt").c_str()), 0);
  EXPECT_EQ(check_file_utf8(t.file("empty.txt").c_str()), 7);
  EXPECT_EQ(check_file_utf8(t.file("missing.txt").c_str()), 0xFF);
  EXPECT_EQ(check_file_utf8W(to_u16(t.file("utf8.txt")).c_str()), 7);
  EXPECT_EQ(check_file_utf8W(to_u16(t.file("sjis.txt")).c_str()), 0);
  EXPECT_EQ(check_file_utf8W(to_u16(t.file("missing.txt")).c_str()), 0xFF);
}

TEST(Chkifsjis, Results) {
  TempDir t;
  struct Case {
    const char* bytes;
    int len;
    int flags;
  } cases[] = {
      {"pure ascii\r\n", 12, 7},
      {"a\x80\x41z", 4, 2},           // the only non-ASCII pair is 0x80 0x41
      {"\x93\xAE\x82\xAB", 4, 7},     // 動き
      {"\xB1\xB2", 2, 7},             // half-width katakana
      {"\xE0\x40", 2, 15},            // bytes of 0xE0 and up
      {"a\xFD", 2, 15},
      {"\x82\x0A", 2, 1},             // trail byte below 0x40
      {"\x82\x00", 2, 1},             // a 0 byte is a byte like any other in a file
      {"\xE0\x0A", 2, 1},
      {"\x93\xAE\x82", 3, 3},         // cut after a lead byte
      {"\x80", 1, 3},
      {"\xE0", 1, 3},
      {"\x80\x41\x82", 3, 2},
      {"", 0, 7},
  };
  int i = 0;
  for (const Case& c : cases) {
    std::string name = t.file("c" + std::to_string(i++) + ".txt");
    write_file(name, std::string(c.bytes, c.len));
    EXPECT_EQ(chkifsjis(name.c_str()), c.flags) << name;
    EXPECT_EQ(chkifsjisW(to_u16(name).c_str()), c.flags) << name;
    // The string converter reports the same flags for the same bytes (a string ends at its first 0).
    if (std::memchr(c.bytes, 0, c.len) == nullptr) {
      int f = -1;
      s2u8(std::string(c.bytes, c.len), &f);
      EXPECT_EQ(f, c.flags) << name;
    }
  }
  EXPECT_EQ(chkifsjis(t.file("missing.txt").c_str()), 0xFF);
  EXPECT_EQ(chkifsjisW(to_u16(t.file("missing.txt")).c_str()), 0xFF);
}

TEST(Detectors, CloseTheTextReader) {
  TempDir t;
  write_file(t.file("a.txt"), "abc\r\n");
  int before = open_fds();
  ASSERT_GT(before, 0);
  EXPECT_EQ(chkifsjis(t.file("a.txt").c_str()), 7);
  EXPECT_EQ(open_fds(), before);
  EXPECT_EQ(check_file_utf8(t.file("a.txt").c_str()), 7);
  EXPECT_EQ(open_fds(), before);
  EXPECT_EQ(chkifsjisW(to_u16(t.file("a.txt")).c_str()), 7);
  EXPECT_EQ(open_fds(), before);
  EXPECT_EQ(check_file_utf8W(to_u16(t.file("a.txt")).c_str()), 7);
  EXPECT_EQ(open_fds(), before);
}

TEST(Detectors, JapaneseNamesOpenByBothPaths) {
  TempDir t;
  std::string host = t.file("\xE5\x8B\x95\xE3\x81\x8D.ini");  // 動き.ini
  write_file(host, "\x93\xAE\x82\xAB");
  std::string sjis_path = t.path + "/\x93\xAE\x82\xAB.ini";
  EXPECT_EQ(chkifsjis(sjis_path.c_str()), 7);
  EXPECT_EQ(check_file_utf8(sjis_path.c_str()), 0);
  EXPECT_EQ(chkifsjisW(to_u16(host).c_str()), 7);
}
