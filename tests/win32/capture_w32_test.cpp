// The capture of the real console page under Wine: a page 1,001 pixels wide gives rows of 3,004 bytes,
// the bottom row first, the whole page even when the view is scrolled; names by ANSI and UTF-16 path.
//
// With VELMORA_CAPTURE_PROBE set to a Windows path, CaptureProbe.WritePage writes a known page there for
// the end-to-end script, which reads it back with ImageMagick.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "console/capture.h"
#include "console/console.h"

#include "win32/wintemp.h"

namespace {


std::string ansi(const std::wstring& w) {
  char buf[MAX_PATH * 2];
  WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
  return buf;
}

std::string slurp(const std::wstring& path) {
  std::string out;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  char buf[65536];
  DWORD got;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

uint32_t le32(const std::string& s, size_t at) {
  return (uint8_t)s[at] | (uint8_t)s[at + 1] << 8 | (uint8_t)s[at + 2] << 16 | (uint32_t)(uint8_t)s[at + 3] << 24;
}

// A page whose pixel (x, y) is red x mod 256, green y, blue 7, with a white top row and a blue bottom
// row, so that an upside-down file shows at once.
void draw_known_page(int w, int h) {
  if (console_state() == 0) ASSERT_EQ(console_open(w, h, "capture"), 0);
  else ASSERT_EQ(console_resize(w, h, "capture"), 0);
  std::string row((size_t)w * 3 + 4, '\0');
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      uint8_t r = (uint8_t)x, g = (uint8_t)y, b = 7;
      if (y == 0) r = g = b = 255;
      if (y == h - 1) r = 0, g = 0, b = 255;
      row[3 * x] = (char)b;
      row[3 * x + 1] = (char)g;
      row[3 * x + 2] = (char)r;
    }
    ASSERT_EQ(console_draw_pixels(-1, 0, y, w, 1, reinterpret_cast<const uint8_t*>(row.data())), 0);
  }
}

class Capture : public ::testing::Test {
 protected:
  static void TearDownTestSuite() {
    console_close();
    console_pump();
  }
};

}  // namespace

TEST_F(Capture, WidePageRowsArePaddedAndBottomFirst) {
  const int w = 1001, h = 40;
  draw_known_page(w, h);
  // The view scrolled does not change the picture (the page is captured, not the screen).
  console_scroll_to_x(100);
  WinTemp t;
  std::wstring name = t.file(L"cap(1).bmp");
  ASSERT_EQ(capture_bmp(ansi(name).c_str()), 0);
  std::string f = slurp(name);
  ASSERT_EQ(f.size(), 3004u * h + 54);
  EXPECT_EQ(f.substr(0, 2), "BM");
  EXPECT_EQ(le32(f, 2), 3004u * h + 54);
  EXPECT_EQ(le32(f, 10), 54u);
  EXPECT_EQ(le32(f, 14), 40u);
  EXPECT_EQ(le32(f, 18), (uint32_t)w);
  EXPECT_EQ(le32(f, 22), (uint32_t)h);
  for (int y = 0; y < h; y++) {
    size_t at = 54 + (size_t)(h - 1 - y) * 3004;  // file row of page row y
    for (int x = 0; x < w; x++) {
      uint8_t b = f[at + 3 * x], g = f[at + 3 * x + 1], r = f[at + 3 * x + 2];
      uint8_t er = (uint8_t)x, eg = (uint8_t)y, eb = 7;
      if (y == 0) er = eg = eb = 255;
      if (y == h - 1) er = 0, eg = 0, eb = 255;
      ASSERT_EQ(r, er) << x << "," << y;
      ASSERT_EQ(g, eg) << x << "," << y;
      ASSERT_EQ(b, eb) << x << "," << y;
    }
    EXPECT_EQ(f[at + 3003], 0);  // the padding byte
  }
}

TEST_F(Capture, NamesAndFailures) {
  draw_known_page(512, 96);
  WinTemp t;
  EXPECT_EQ(capture_bmp(ansi(t.file(L"CAP(1).Bmp")).c_str()), 0);
  EXPECT_EQ(slurp(t.file(L"CAP(1).Bmp")).size(), 147510u);
  EXPECT_EQ(capture_bmp(ansi(t.file(L"cap(1).png")).c_str()), 4);
  EXPECT_EQ(GetFileAttributesW(t.file(L"cap(1).png").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(capture_bmp(ansi(t.file(L"nodot")).c_str()), 4);
  EXPECT_EQ(capture_bmp(ansi(t.file(L"missing\\cap(1).bmp")).c_str()), -1);
  // A name the ANSI code page cannot spell: the UTF-16 entry writes it.
  std::wstring hangul = t.file(L"\xD55C\xAE00 cap(2).bmp");
  EXPECT_EQ(capture_bmp(ansi(hangul).c_str()), -1);
  EXPECT_EQ(capture_bmp_w(reinterpret_cast<const char16_t*>(hangul.c_str())), 0);
  EXPECT_EQ(slurp(hangul), slurp(t.file(L"CAP(1).Bmp")));
  EXPECT_EQ(capture_bmp_w(reinterpret_cast<const char16_t*>(t.file(L"\xD55C.png").c_str())), 4);
  EXPECT_EQ(capture_bmp_w(reinterpret_cast<const char16_t*>(t.file(L"missing\\x.bmp").c_str())), -1);
}

TEST(CaptureProbe, WritePage) {
  const char* out = std::getenv("VELMORA_CAPTURE_PROBE");
  if (out == nullptr) GTEST_SKIP() << "run by the end-to-end capture script";
  draw_known_page(1001, 40);
  EXPECT_EQ(capture_bmp(out), 0);
  console_close();
}
