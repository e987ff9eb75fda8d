// The byte reader, the byte writer and the text reader, by ANSI path (stream mode) and by UTF-16
// path (handle mode).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formats/filechan.h"
#include "support/testfiles.h"

static std::u16string wide(const std::string& s) { return to_u16(s); }

class ByteReader : public ::testing::TestWithParam<bool> {
 protected:
  TempDir dir;
  // Opens path in the mode under test: handle mode (UTF-16) or stream mode (ANSI).
  int open(const std::string& path) {
    return GetParam() ? rfopenW(wide(path).c_str()) : rfopen(path.c_str());
  }
};

TEST_P(ByteReader, ByteFFIsNotTheEnd) {
  std::string f = dir.file("ff.bin");
  write_file(f, std::string("\xFF\x00\x41", 3));
  ASSERT_EQ(open(f), 0);
  EXPECT_EQ(rfclosed(), 0);
  EXPECT_EQ(rfgetc(), 255);
  EXPECT_EQ(rfgetc(), 0);
  EXPECT_EQ(rfgetc(), 0x41);
  EXPECT_EQ(rfclosed(), 0);
  EXPECT_EQ(rftell(), 3u);
  EXPECT_EQ(rfgetc(), -1);
  EXPECT_EQ(rfclosed(), 255);
  EXPECT_EQ(rfgetc(), -1);  // sticky
}

TEST_P(ByteReader, ReadPastTheEndReturnsTheShorterCountAndCloses) {
  std::string f = dir.file("short.bin");
  write_file(f, "abcdef");
  ASSERT_EQ(open(f), 0);
  char buf[16] = {};
  EXPECT_EQ(rfread(buf, 2), 2);
  EXPECT_EQ(rfclosed(), 0);
  EXPECT_EQ(rfread(buf, 10), 4);
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(rfclosed(), 255);
  EXPECT_EQ(rfread(buf, 1), 0);
}

TEST_P(ByteReader, LittleEndianNumbers) {
  std::string f = dir.file("num.bin");
  write_file(f, std::string("\xFE\xFF\xFF\xFF\x78\x56\x34\x12\x00\x00\x80\x3F", 12));
  ASSERT_EQ(open(f), 0);
  // Read in blocks and decoded, as the readers do.
  unsigned char b[8];
  ASSERT_EQ(rfread(b, 8), 8);
  EXPECT_EQ(rfle32(b), -2);
  EXPECT_EQ(rfle32(b + 4), 0x12345678);
  EXPECT_EQ(rfgetfloat(), 1.0f);
  EXPECT_EQ(rfclosed(), 0);
  // Bytes missing at the end read as 0xFF, and the reader closes.
  float past = rfgetfloat();
  uint32_t bits;
  std::memcpy(&bits, &past, sizeof bits);
  EXPECT_EQ(bits, 0xFFFFFFFFu);
  EXPECT_EQ(rfclosed(), 255);
}

TEST_P(ByteReader, SeeksAfterReadsReturnToTheExactPosition) {
  std::string data;
  for (int i = 0; i < 20000; i++) data += (char)(i * 7);
  std::string f = dir.file("seek.bin");
  write_file(f, data);
  ASSERT_EQ(open(f), 0);
  for (int i = 0; i < 10; i++) rfgetc();
  EXPECT_EQ(rfseek(3), 0);
  EXPECT_EQ(rftell(), 3u);
  EXPECT_EQ(rfgetc(), (unsigned char)data[3]);
  EXPECT_EQ(rfseek(12345), 0);
  EXPECT_EQ(rfgetc(), (unsigned char)data[12345]);
  char buf[100];
  EXPECT_EQ(rfread(buf, 100), 100);
  EXPECT_EQ(std::string(buf, 100), data.substr(12346, 100));
  EXPECT_EQ(rftell(), 12446u);
  EXPECT_EQ(rfseekfrom(0, 2), 0);
  EXPECT_EQ(rftell(), 20000u);
  EXPECT_EQ(rfseekfrom(5, 0), 0);
  EXPECT_EQ(rfgetc(), (unsigned char)data[5]);
  EXPECT_EQ(rfseekfrom(10, 1), 0);
  EXPECT_EQ(rfgetc(), (unsigned char)data[16]);
  EXPECT_EQ(rfseekfrom(0, 3), -5);
  // A read that spans the buffer's refill.
  EXPECT_EQ(rfseek(8000), 0);
  char big[500];
  EXPECT_EQ(rfread(big, 500), 500);
  EXPECT_EQ(std::string(big, 500), data.substr(8000, 500));
  rfclose();
  EXPECT_EQ(rfclosed(), 255);
}

TEST_P(ByteReader, MissingFileAndDirectoryDoNotOpen) {
  EXPECT_EQ(open(dir.file("none.bin")), -1);
  EXPECT_EQ(rfclosed(), 255);
  EXPECT_EQ(open(dir.path), -1);
}

INSTANTIATE_TEST_SUITE_P(Modes, ByteReader, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Handle" : "Stream"; });

TEST(ByteWriter, WritesLittleEndian) {
  TempDir dir;
  std::string f = dir.file("out.bin");
  ASSERT_EQ(wfopen(f.c_str()), 0);
  EXPECT_EQ(wfputc('B'), 0);
  EXPECT_EQ(wfput16(0x1234), 0);
  EXPECT_EQ(wfput32(-2), 0);
  wfclose();
  EXPECT_EQ(wfclosed(), 255);
  EXPECT_EQ(wfputc(1), -1);
  EXPECT_EQ(read_file(f), std::string("B\x34\x12\xFE\xFF\xFF\xFF", 7));
  std::string g = dir.file("wide.bin");
  ASSERT_EQ(wfopenW(to_u16(g).c_str()), 0);
  wfputc('w');
  wfclose();
  EXPECT_EQ(read_file(g), "w");
  EXPECT_EQ(wfopen(dir.file("no/such/dir.bin").c_str()), -1);
}

TEST(ByteWriter, WriteErrorClosesTheWriter) {
  if (!file_exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(wfopen("/dev/full"), 0);
  int result = 0;
  for (int i = 0; i < 3 * FILECHAN_BUFFER && result == 0; i++) result = wfputc('x');
  EXPECT_EQ(result, -1);
  EXPECT_EQ(wfclosed(), 255);
}

class TextReader : public ::testing::TestWithParam<bool> {
 protected:
  TempDir dir;
  int open(const std::string& path) {
    return GetParam() ? rsopenW(wide(path).c_str()) : rsopen(path.c_str());
  }
};

TEST_P(TextReader, BlankLinesAreNeverReturned) {
  std::string f = dir.file("lines.txt");
  write_file(f, "a\r\n\r\n\r\nb");
  ASSERT_EQ(open(f), 0);
  char buf[256];
  EXPECT_EQ(rsgets(buf, 256), 1);
  EXPECT_STREQ(buf, "a");
  EXPECT_EQ(rspeek(), 'b');
  EXPECT_EQ(rsgets(buf, 256), 1);
  EXPECT_STREQ(buf, "b");
  EXPECT_EQ(rspeek(), -1);
  EXPECT_EQ(rsgets(buf, 256), 0);
  rsclose();
}

TEST_P(TextReader, LongLineComesInPieces) {
  std::string f = dir.file("long.txt");
  write_file(f, std::string(300, 'x') + "\n" + "y\x1A");
  ASSERT_EQ(open(f), 0);
  char buf[256];
  std::memset(buf, 'Q', sizeof buf);
  EXPECT_EQ(rsgets(buf, 256), 254);
  EXPECT_EQ(buf[253], 'x');
  EXPECT_EQ(buf[254], 0);
  EXPECT_EQ(buf[255], 0);
  EXPECT_EQ(rsgets(buf, 256), 46);
  EXPECT_EQ(rsgets(buf, 256), 1);
  EXPECT_STREQ(buf, "y");
  EXPECT_EQ(rsgets(buf, 2), 0);
  rsclose();
}

TEST_P(TextReader, PeekGetAndEnd) {
  std::string f = dir.file("pg.txt");
  write_file(f, "\xE9z");
  ASSERT_EQ(open(f), 0);
  EXPECT_EQ(rspeek(), 0xE9);
  EXPECT_EQ(rsgetc(), 0xE9);
  EXPECT_EQ(rsgetc(), 'z');
  EXPECT_EQ(rspeek(), -1);
  EXPECT_EQ(rsgetc(), -1);
  EXPECT_EQ(rspeek(), -1);
  rsclose();
  std::string e = dir.file("empty.txt");
  write_file(e, "");
  ASSERT_EQ(open(e), 0);
  EXPECT_EQ(rspeek(), -1);
  EXPECT_EQ(rsgetc(), -1);
  rsclose();
}

INSTANTIATE_TEST_SUITE_P(Modes, TextReader, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Handle" : "Stream"; });

TEST(TextReaderExists, OpensAndClosesAgain) {
  TempDir dir;
  std::string f = dir.file("alias.ini");
  write_file(f, "x");
  EXPECT_EQ(rsexists(f.c_str()), 0);
  EXPECT_EQ(rsexistsW(to_u16(f).c_str()), 0);
  EXPECT_EQ(rsexists(dir.file("none.ini").c_str()), -1);
  EXPECT_EQ(rsexistsW(to_u16(dir.file("none.ini")).c_str()), -1);
  EXPECT_EQ(rspeek(), -1);
}
