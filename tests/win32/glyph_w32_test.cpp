// The glyph renderer on the real console under Wine: a line drawn with the shipped font through
// console_draw_pixels, as the display loop draws it, read back from the page (console_read_pixel) and
// from the screen, matches the blend of its coverage; the font also loads through a UTF-16 path that the
// ANSI code page cannot spell.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "console/console.h"
#include "console/glyph.h"

namespace {

// The font beside the program (the build's dist folder) or, under Wine, the system's copy by its Unix
// path on drive Z:.
std::wstring font_path() {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe);
  dir = dir.substr(0, dir.rfind(L'\\') + 1);
  const std::wstring candidates[] = {
      dir + L"mplus-2m-regular.ttf",
      dir + L"..\\..\\dist\\mplus-2m-regular.ttf",
      L"Z:\\usr\\share\\fonts\\truetype\\vlgothic\\VL-Gothic-Regular.ttf",
  };
  for (const auto& c : candidates)
    if (GetFileAttributesW(c.c_str()) != INVALID_FILE_ATTRIBUTES) return c;
  return L"";
}

std::string ansi(const std::wstring& w) {
  char buf[MAX_PATH * 2];
  WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
  return buf;
}

void use_window(int w, int h) {
  if (console_state() == 0) ASSERT_EQ(console_open(w, h, "glyphs"), 0);
  else ASSERT_EQ(console_resize(w, h, "glyphs"), 0);
  console_pump();
}

class GlyphConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring f = font_path();
    ASSERT_FALSE(f.empty()) << "the font is neither beside the test nor on drive Z:";
    ASSERT_EQ(font_load(ansi(f).c_str(), 0.0, 16.0), 0);
  }
  static void TearDownTestSuite() {
    console_close();
    console_pump();
  }
};

// Checks every pixel of slot n drawn at page point (x, y) against the blend.
void expect_blended(int n, int x, int y, const int text[3], const int bg[3], bool on_screen) {
  const GlyphImage* im = glyph_image_view(n);
  ASSERT_TRUE(im->valid);
  HDC dc = GetDC(reinterpret_cast<HWND>(console_handle()));
  int full = 0;
  for (int r = 0; r < im->height; r++) {
    for (int c = 0; c < im->width; c++) {
      int a = im->coverage[r * im->width + c];
      uint8_t px[3];
      ASSERT_EQ(console_read_pixel(px, x + c, y + r), 0);
      for (int k = 0; k < 3; k++) ASSERT_EQ(px[k], glyph_blend(a, text[k], bg[k])) << r << "," << c << "," << k;
      if (on_screen) {
        COLORREF s = GetPixel(dc, x + c - console_scroll_x(), y + r - console_scroll_y());
        ASSERT_EQ(s, RGB(px[0], px[1], px[2])) << r << "," << c;
      }
      full += a == 255;
    }
  }
  ReleaseDC(reinterpret_cast<HWND>(console_handle()), dc);
  EXPECT_GT(full, 0);
}

}  // namespace

TEST_F(GlyphConsole, LineOnThePageMatchesTheBlend) {
  console_set_background(0, 0, 0);
  use_window(512, 96);
  const int text[3] = {255, 120, 0}, bg[3] = {0, 0, 0};
  ASSERT_EQ(glyph_image_make(6, "Velmora HIT &&", 1, 0, -1), 0);
  const GlyphImage* im = glyph_image_view(6);
  ASSERT_EQ(glyph_image_draw_to(console_draw_pixels, text, bg, 0, 2, 2 + 17 * 1, 6, 0, 0, im->width - 1,
                                im->height - 1),
            0);
  expect_blended(6, 2, 19, text, bg, true);
  // Full coverage of 255, 120, 0 on black is 254, 119, 0.
  bool seen = false;
  for (int r = 0; r < im->height && !seen; r++)
    for (int c = 0; c < im->width && !seen; c++)
      if (im->coverage[r * im->width + c] == 255) {
        uint8_t px[3];
        console_read_pixel(px, 2 + c, 19 + r);
        EXPECT_EQ(px[0], 254);
        EXPECT_EQ(px[1], 119);
        EXPECT_EQ(px[2], 0);
        seen = true;
      }
  EXPECT_TRUE(seen);
}

TEST_F(GlyphConsole, BlendOverAColouredBackgroundAndThePageOnly) {
  console_set_background(10, 20, 200);
  use_window(512, 96);
  const int text[3] = {250, 250, 250}, bg[3] = {10, 20, 200};
  ASSERT_EQ(glyph_image_make(6, "\x82\xA0\x82\xA2 ABC", 1, 0, -1), 0);  // あい ABC
  const GlyphImage* im = glyph_image_view(6);
  // Target -1: the page only; the screen keeps the background until the window is painted.
  ASSERT_EQ(glyph_image_draw_to(console_draw_pixels, text, bg, -1, 40, 30, 6, 0, 0, im->width - 1,
                                im->height - 1),
            0);
  expect_blended(6, 40, 30, text, bg, false);
  HWND w = reinterpret_cast<HWND>(console_handle());
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);
  expect_blended(6, 40, 30, text, bg, true);
  console_set_background(0, 0, 0);
}

TEST_F(GlyphConsole, FontByUtf16PathDrawsTheSame) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring copy = std::wstring(tmp) + L"\xD55C\xAE00-font-" + std::to_wstring(GetCurrentProcessId()) + L".ttf";
  ASSERT_TRUE(CopyFileW(font_path().c_str(), copy.c_str(), FALSE));
  ASSERT_EQ(glyph_image_make(5, "Velmora", 1, 0, -1), 0);
  const GlyphImage* im = glyph_image_view(5);
  std::string by_ansi(reinterpret_cast<const char*>(im->coverage), im->width * im->height);
  // The ANSI spelling of a Hangul name does not open; the UTF-16 one streams through the byte reader.
  EXPECT_EQ(font_load(ansi(copy).c_str(), 0.0, 16.0), 1);
  ASSERT_EQ(font_load_w(reinterpret_cast<const char16_t*>(copy.c_str()), 0.0, 16.0), 0);
  ASSERT_EQ(glyph_image_make(5, "Velmora", 1, 0, -1), 0);
  im = glyph_image_view(5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(im->coverage), im->width * im->height), by_ansi);
  ASSERT_EQ(font_load(ansi(font_path()).c_str(), 0.0, 16.0), 0);  // releases the stream
  EXPECT_TRUE(DeleteFileW(copy.c_str()));
}
