// The BMP capture natively, from a page source built in the test: header fields byte by byte, rows
// bottom-up with their padding, the name test, every failure result (through a sink that fails after a
// given number of bytes, and through /dev/full), and ImageMagick reading the file upright.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console/capture.h"
#include "formats/filechan.h"
#include "support/testfiles.h"

namespace {

// A page whose pixel (x, y) is red x, green y, blue x + y (each mod 256).
int page_w = 0, page_h = 0, pumps = 0;
int read_xy(uint8_t out[3], int x, int y) {
  EXPECT_TRUE(x >= 0 && x < page_w && y >= 0 && y < page_h);
  out[0] = (uint8_t)x;
  out[1] = (uint8_t)y;
  out[2] = (uint8_t)(x + y);
  return 0;
}
void count_pump() { ++pumps; }

CapturePageSource page(int w, int h) {
  page_w = w;
  page_h = h;
  pumps = 0;
  return CapturePageSource{w, h, read_xy, count_pump};
}

uint32_t le(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; i--) v = v << 8 | (uint8_t)s[at + i];
  return v;
}

// The expected file, built independently of the writer.
std::string expected_bmp(int w, int h) {
  int row = (3 * w + 3) / 4 * 4;
  std::string f;
  auto put = [&f](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; i++) f += (char)(v >> (8 * i));
  };
  f += "BM";
  put(row * h + 54, 4);
  put(0, 4);
  put(54, 4);
  put(40, 4);
  put(w, 4);
  put(h, 4);
  put(1, 2);
  put(24, 2);
  for (int i = 0; i < 6; i++) put(0, 4);
  for (int y = h - 1; y >= 0; y--) {
    for (int x = 0; x < w; x++) {
      f += (char)(uint8_t)(x + y);
      f += (char)(uint8_t)y;
      f += (char)(uint8_t)x;
    }
    for (int i = 3 * w; i < row; i++) f += '\0';
  }
  return f;
}

// A sink that takes limit bytes and then fails, closing itself, as the byte writer does.
struct FailingSink {
  static int limit, written, closes;
  static bool closed;
  static int put(int) {
    if (closed) return -1;
    if (written >= limit) {
      closed = true;
      return -1;
    }
    written++;
    return 0;
  }
  static int put16(int v) {
    put(v);
    put(v >> 8);
    return closed ? 255 : 0;
  }
  static int put32(int32_t v) {
    for (int i = 0; i < 4; i++) put(v >> (8 * i));
    return closed ? 255 : 0;
  }
  static uint8_t is_closed() { return closed ? 255 : 0; }
  static void close() {
    closes++;
    closed = true;
  }
  static CaptureSink with_limit(int n) {
    limit = n;
    written = closes = 0;
    closed = false;
    return CaptureSink{put, put16, put32, is_closed, close};
  }
};
int FailingSink::limit, FailingSink::written, FailingSink::closes;
bool FailingSink::closed;

}  // namespace

TEST(Capture, PageOf512By96) {
  TempDir t;
  CapturePageSource s = page(512, 96);
  ASSERT_EQ(capture_bmp_from(&s, t.file("cap(1).bmp").c_str()), 0);
  std::string f = read_file(t.file("cap(1).bmp"));
  ASSERT_EQ(f.size(), 147510u);
  EXPECT_EQ(f, expected_bmp(512, 96));
  EXPECT_EQ(le(f, 2, 4), 147510u);
  EXPECT_EQ(le(f, 22, 4), 96u);
  EXPECT_EQ(le(f, 28, 2), 24u);
  // The first row in the file is the bottom row of the page.
  EXPECT_EQ((uint8_t)f[54 + 1], 95);
  EXPECT_EQ(pumps, 96);
  EXPECT_EQ(wfclosed(), 255);
}

TEST(Capture, WidePageRowsOf3004Bytes) {
  TempDir t;
  CapturePageSource s = page(1001, 3);
  ASSERT_EQ(capture_bmp_from(&s, t.file("cap(2).bmp").c_str()), 0);
  std::string f = read_file(t.file("cap(2).bmp"));
  ASSERT_EQ(f.size(), 3004u * 3 + 54);
  EXPECT_EQ(f, expected_bmp(1001, 3));
  for (int r = 0; r < 3; r++) EXPECT_EQ(f[54 + 3004 * r + 3003], 0);
  // Row sizes for every padding.
  for (int w = 1; w <= 4; w++) {
    CapturePageSource p = page(w, 2);
    ASSERT_EQ(capture_bmp_from(&p, t.file("w.bmp").c_str()), 0);
    EXPECT_EQ(read_file(t.file("w.bmp")), expected_bmp(w, 2)) << w;
  }
}

TEST(Capture, EmptyAndNegativePages) {
  TempDir t;
  CapturePageSource s = page(0, 5);
  ASSERT_EQ(capture_bmp_from(&s, t.file("e.bmp").c_str()), 0);
  EXPECT_EQ(read_file(t.file("e.bmp")).size(), 54u);
  s = page(-4, -9);
  ASSERT_EQ(capture_bmp_from(&s, t.file("n.bmp").c_str()), 0);
  EXPECT_EQ(read_file(t.file("n.bmp")), expected_bmp(0, 0));
}

TEST(Capture, NameTest) {
  EXPECT_EQ(capture_name_test("cap(1).bmp"), 0);
  EXPECT_EQ(capture_name_test("CAP(1).Bmp"), 0);
  EXPECT_EQ(capture_name_test("C:\\x.y\\cap(1).BMPX"), 0);  // begins with .BMP
  EXPECT_EQ(capture_name_test("cap(1).png"), 4);
  EXPECT_EQ(capture_name_test("cap"), 4);
  EXPECT_EQ(capture_name_test(""), 4);
  EXPECT_EQ(capture_name_test(nullptr), 4);
  EXPECT_EQ(capture_name_test("cap.bm"), 4);
  // With a second ";" field, the first field's extension counts.
  EXPECT_EQ(capture_name_test("a.bmp;b.png"), 0);
  EXPECT_EQ(capture_name_test("a.png;b.bmp"), 4);
  EXPECT_EQ(capture_name_test_w(u"cap(1).bMp"), 0);
  EXPECT_EQ(capture_name_test_w(u"\x52D5\x304D.bmp"), 0);
  EXPECT_EQ(capture_name_test_w(u"cap(1).png"), 4);
  EXPECT_EQ(capture_name_test_w(u"a.png;b.bmp"), 4);
  EXPECT_EQ(capture_name_test_w(u"a.bmp;b.png"), 0);
  EXPECT_EQ(capture_name_test_w(u""), 4);
}

TEST(Capture, NameFailureWritesNothing) {
  TempDir t;
  CapturePageSource s = page(8, 8);
  EXPECT_EQ(capture_bmp_from(&s, t.file("cap(1).png").c_str()), 4);
  EXPECT_FALSE(file_exists(t.file("cap(1).png")));
  EXPECT_EQ(capture_bmp_w_from(&s, to_u16(t.file("cap(1).png")).c_str()), 4);
  EXPECT_FALSE(file_exists(t.file("cap(1).png")));
  // The whole name is created, second field and all.
  EXPECT_EQ(capture_bmp_from(&s, t.file("a.bmp;b.png").c_str()), 0);
  EXPECT_TRUE(file_exists(t.file("a.bmp;b.png")));
}

TEST(Capture, CannotCreate) {
  TempDir t;
  CapturePageSource s = page(8, 8);
  EXPECT_EQ(capture_bmp_from(&s, t.file("missing/cap(1).bmp").c_str()), -1);
  EXPECT_EQ(capture_bmp_w_from(&s, to_u16(t.file("missing/cap(1).bmp")).c_str()), -1);
  EXPECT_EQ(pumps, 0);
}

TEST(Capture, Utf16NameWritesTheSameFile) {
  TempDir t;
  CapturePageSource s = page(33, 7);
  std::string name = t.file("한글 cap(1).bmp");
  ASSERT_EQ(capture_bmp_w_from(&s, to_u16(name).c_str()), 0);
  EXPECT_EQ(read_file(name), expected_bmp(33, 7));
}

TEST(Capture, WriteFailuresAtEveryStage) {
  CapturePageSource s = page(10, 4);  // rows of 32 bytes
  CaptureSink k = FailingSink::with_limit(0);
  EXPECT_EQ(capture_write(&s, &k), 1);
  EXPECT_EQ(FailingSink::closes, 1);
  k = FailingSink::with_limit(1);
  EXPECT_EQ(capture_write(&s, &k), 2);
  EXPECT_EQ(FailingSink::closes, 1);
  for (int n = 2; n < 54; n++) {
    k = FailingSink::with_limit(n);
    EXPECT_EQ(capture_write(&s, &k), 11) << n;
    EXPECT_EQ(FailingSink::closes, 1);
  }
  // A failure in a row shows at the start of the next row, or at the end for the last row.
  for (int n : {54, 60, 54 + 32, 54 + 32 * 3, 54 + 32 * 4 - 1}) {
    s = page(10, 4);
    k = FailingSink::with_limit(n);
    EXPECT_EQ(capture_write(&s, &k), -2) << n;
  }
  s = page(10, 4);
  k = FailingSink::with_limit(54 + 32 * 4);
  EXPECT_EQ(capture_write(&s, &k), 0);
  EXPECT_EQ(FailingSink::closes, 1);
  EXPECT_EQ(FailingSink::written, 54 + 128);
}

TEST(Capture, DiskFullInTheRows) {
  if (!file_exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // The writer's 8,192-byte buffer meets the full disk within the first rows of a 512-wide page.
  CapturePageSource s = page(512, 96);
  // Opened under a .bmp name: a link to /dev/full.
  TempDir t;
  std::string link = t.file("full.bmp");
  ASSERT_EQ(symlink("/dev/full", link.c_str()), 0);
  EXPECT_EQ(capture_bmp_from(&s, link.c_str()), -2);
  EXPECT_LT(pumps, 96);
  EXPECT_EQ(wfclosed(), 255);
}

TEST(Capture, ImageMagickReadsItUpright) {
  const char* convert = "/usr/bin/convert";
  if (!file_exists(convert)) GTEST_SKIP() << "ImageMagick is not installed";
  TempDir t;
  CapturePageSource s = page(1001, 5);
  std::string name = t.file("cap(1).bmp");
  ASSERT_EQ(capture_bmp_from(&s, name.c_str()), 0);
  std::string cmd = std::string(convert) + " '" + name + "' -depth 8 rgb:-";
  FILE* p = popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string rgb;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) rgb.append(buf, n);
  ASSERT_EQ(pclose(p), 0);
  ASSERT_EQ(rgb.size(), 1001u * 5 * 3);
  // Top row first in ImageMagick's output: row y holds green y.
  for (int y = 0; y < 5; y++)
    for (int x = 0; x < 1001; x += 97) {
      size_t at = ((size_t)y * 1001 + x) * 3;
      ASSERT_EQ((uint8_t)rgb[at], (uint8_t)x);
      ASSERT_EQ((uint8_t)rgb[at + 1], (uint8_t)y);
      ASSERT_EQ((uint8_t)rgb[at + 2], (uint8_t)(x + y));
    }
}
