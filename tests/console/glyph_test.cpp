// The glyph renderer natively with the real font (VL Gothic, the face the program ships as
// mplus-2m-regular.ttf): decoding with the & escapes, both layout passes against glyph boxes read from
// FreeType directly, the margin, the coverage plane, the blend and the slot rules.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

#include "console/glyph.h"
#include "formats/filechan.h"
#include "support/testfiles.h"

namespace {

const char FONT[] = "/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf";

// A glyph's box as FreeType gives it at 16 pixels to the em, read independently of the renderer.
struct RefGlyph {
  long bearing_x, bearing_y, advance;  // 26.6
  unsigned width, rows;
  std::vector<unsigned char> gray;      // rows from the top, width bytes each
};

RefGlyph ref_glyph(unsigned code) {
  static FT_Library lib = nullptr;
  static FT_Face face = nullptr;
  if (!face) {
    FT_Init_FreeType(&lib);
    FT_New_Face(lib, FONT, 0, &face);
    FT_Set_Char_Size(face, 0, 16 * 64, 72, 72);
  }
  RefGlyph g{};
  FT_Load_Glyph(face, FT_Get_Char_Index(face, code), FT_LOAD_DEFAULT);
  FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
  const FT_GlyphSlot s = face->glyph;
  g.bearing_x = s->metrics.horiBearingX;
  g.bearing_y = s->metrics.horiBearingY;
  g.advance = s->advance.x;
  g.width = s->bitmap.width;
  g.rows = s->bitmap.rows;
  for (unsigned r = 0; r < g.rows; r++)
    for (unsigned c = 0; c < g.width; c++) g.gray.push_back(s->bitmap.buffer[r * s->bitmap.pitch + c]);
  return g;
}

std::vector<uint32_t> decode(const std::string& sjis) {
  std::vector<uint32_t> codes(GLYPH_MAX_CODES + 1, 0xDEAD);
  int n = glyph_decode_sjis(codes.data(), sjis.c_str());
  EXPECT_EQ(codes[n], 0u);
  codes.resize(n);
  return codes;
}

// Coverage of image slot at (x, y).
int cov(int slot, int x, int y) {
  const GlyphImage* im = glyph_image_view(slot);
  return im->coverage[y * im->width + x];
}

class Glyph : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(font_load(FONT, 0.0, 16.0), 0);
  }
};

}  // namespace

// ---- Decoding -----------------------------------------------------------------------------------------

TEST(GlyphDecode, AmpersandEscapes) {
  EXPECT_EQ(decode("A&&B"), (std::vector<uint32_t>{'A', '&', 'B'}));
  EXPECT_EQ(decode("A&xB"), (std::vector<uint32_t>{'A', 'B'}));
  EXPECT_EQ(decode("a&rb&nc&vd"), (std::vector<uint32_t>{'a', 13, 'b', 10, 'c', 11, 'd'}));
  EXPECT_EQ(decode("AB&"), (std::vector<uint32_t>{'A', 'B'}));
  EXPECT_EQ(decode("&"), (std::vector<uint32_t>{}));
  // The escape takes one byte: the lead byte of a two-byte character goes with the ampersand, and its
  // trail byte is read afresh, as "n" here, or as half-width katakana (0xB6) after the lead byte 0x8D.
  EXPECT_EQ(decode("A&\x82\x6E" "B"), (std::vector<uint32_t>{'A', 'n', 'B'}));
  EXPECT_EQ(decode("\x58\x26\x8D\xB6\x59"), (std::vector<uint32_t>{'X', 0xFF76, 'Y'}));
}

TEST(GlyphDecode, ShiftJisThroughTheTable) {
  // あ, the yen sign at 0x5C, half-width katakana, the em dash at 0x815C.
  EXPECT_EQ(decode("\x82\xA0\\\xB1\x81\x5C"), (std::vector<uint32_t>{0x3042, 0xA5, 0xFF71, 0x2014}));
  // 0x80 is unmapped and dropped; a lead byte without its trail byte ends the text.
  EXPECT_EQ(decode("A\x80" "B\x82"), (std::vector<uint32_t>{'A'}));
  EXPECT_EQ(decode(to_sjis("動き")), (std::vector<uint32_t>{0x52D5, 0x304D}));
}

TEST(GlyphDecode, AtMost1023Codes) {
  std::string long_text(2000, 'x');
  std::vector<uint32_t> codes(GLYPH_MAX_CODES + 1, 0xDEAD);
  EXPECT_EQ(glyph_decode_sjis(codes.data(), long_text.c_str()), 1023);
  EXPECT_EQ(codes[1022], (uint32_t)'x');
  EXPECT_EQ(codes[1023], 0u);
}

// ---- Layout ---------------------------------------------------------------------------------------------

TEST_F(Glyph, WholeLineBoxWithItsMargin) {
  ASSERT_EQ(glyph_image_make(0, "ABC", 1, 0, -1), 0);
  const GlyphImage* im = glyph_image_view(0);
  ASSERT_TRUE(im->valid);
  RefGlyph a = ref_glyph('A'), b = ref_glyph('B'), c = ref_glyph('C');
  // Boxes in 26.6 on the baseline, the pen moving by the advances.
  long left = std::min({a.bearing_x, a.advance + b.bearing_x, 2 * a.advance + c.bearing_x});
  long right = std::max({a.bearing_x + 64L * a.width, a.advance + b.bearing_x + 64L * b.width,
                         2 * a.advance + c.bearing_x + 64L * c.width});
  long top = -std::max({a.bearing_y, b.bearing_y, c.bearing_y});
  long bottom = std::max({-a.bearing_y + 64L * a.rows, -b.bearing_y + 64L * b.rows, -c.bearing_y + 64L * c.rows});
  EXPECT_EQ(im->width, (right - left) / 64 + 2);
  EXPECT_EQ(im->height, (bottom - top) / 64 + 2);
  // This face at 16 pixels: A, B and C advance 8 pixels; C ends at 16 + 7; caps 12 above the baseline.
  EXPECT_EQ(im->width, 25);
  EXPECT_EQ(im->height, 15);
  // The margin is empty; A's bitmap sits at (1, 1 + 12 - its bearing).
  for (int x = 0; x < im->width; x++) {
    EXPECT_EQ(cov(0, x, 0), 0);
    EXPECT_EQ(cov(0, x, im->height - 1), 0);
  }
  for (int y = 0; y < im->height; y++) {
    EXPECT_EQ(cov(0, 0, y), 0);
    EXPECT_EQ(cov(0, im->width - 1, y), 0);
  }
  int ay = 1 + (int)((a.bearing_y - 768) / -64);
  for (unsigned r = 0; r < a.rows; r++)
    for (unsigned x = 0; x < a.width; x++) ASSERT_EQ(cov(0, 1 + x, ay + r), a.gray[r * a.width + x]) << r << "," << x;
}

TEST_F(Glyph, FirstAndLastIndexTwoHoldsOnlyC) {
  ASSERT_EQ(glyph_image_make(1, "ABC", 1, 2, 2), 0);
  const GlyphImage* im = glyph_image_view(1);
  RefGlyph c = ref_glyph('C');
  EXPECT_EQ(im->width, (int)c.width + 2);
  EXPECT_EQ(im->height, (int)c.rows + 2);
  EXPECT_EQ(im->width, 9);
  for (unsigned r = 0; r < c.rows; r++)
    for (unsigned x = 0; x < c.width; x++) ASSERT_EQ(cov(1, 1 + x, 1 + r), c.gray[r * c.width + x]);
}

TEST_F(Glyph, EscapesRender) {
  // A&&B lays out three glyphs, A&xB two.
  ASSERT_EQ(glyph_image_make(2, "A&&B", 1, 0, -1), 0);
  EXPECT_EQ(glyph_image_view(2)->width, 2 * 8 + 7 + 1 + 2);  // B's bitmap starts a pixel in
  ASSERT_EQ(glyph_image_make(2, "A&xB", 1, 0, -1), 0);
  EXPECT_EQ(glyph_image_view(2)->width, 8 + 7 + 1 + 2);
  // The ampersand itself is the middle glyph.
  ASSERT_EQ(glyph_image_make(2, "A&&B", 1, 1, 1), 0);
  RefGlyph amp = ref_glyph('&');
  EXPECT_EQ(glyph_image_view(2)->width, (int)amp.width + 2);
  // &n moves down one line of 16 pixels: two rows of capitals.
  ASSERT_EQ(glyph_image_make(2, "A&nA", 1, 0, -1), 0);
  EXPECT_EQ(glyph_image_view(2)->height, 16 + 12 + 2);
  // &r returns to the start of the line: A drawn twice at the same place, as wide as one A.
  ASSERT_EQ(glyph_image_make(2, "A&rA", 1, 0, -1), 0);
  EXPECT_EQ(glyph_image_view(2)->width, 8 + 2);
}

TEST_F(Glyph, OverlappingGlyphsAddUp) {
  ASSERT_EQ(glyph_image_make(3, "-", 1, 0, -1), 0);
  const GlyphImage* one = glyph_image_view(3);
  std::vector<uint8_t> single(one->coverage, one->coverage + one->width * one->height);
  int w = one->width, h = one->height;
  ASSERT_EQ(glyph_image_make(3, "-&r-", 1, 0, -1), 0);
  const GlyphImage* two = glyph_image_view(3);
  ASSERT_EQ(two->width, w);
  ASSERT_EQ(two->height, h);
  int partial = 0, capped = 0;
  for (int i = 0; i < w * h; i++) {
    int v = single[i];
    int expect = v == 255 ? 255 : (2 * v > 255 ? 255 : 2 * v);
    ASSERT_EQ(two->coverage[i], expect) << i;
    if (v > 0 && v < 128) partial++;
    if (v >= 128 && v < 255) capped++;
  }
  EXPECT_GT(partial, 0);
  EXPECT_GT(capped, 0);
  // The rule itself: a gray value of 200 over coverage 100 ends at 255; 255 stays; 0 leaves the pixel.
  EXPECT_EQ(glyph_coverage_add(100, 200), 255);
  EXPECT_EQ(glyph_coverage_add(100, 50), 150);
  EXPECT_EQ(glyph_coverage_add(30, 255), 255);
  EXPECT_EQ(glyph_coverage_add(30, 0), 30);
}

TEST_F(Glyph, LowGlyphsGiveAShorterImage) {
  ASSERT_EQ(glyph_image_make(4, "----", 1, 0, -1), 0);
  int low = glyph_image_view(4)->height;
  ASSERT_EQ(glyph_image_make(4, "ABCD", 1, 0, -1), 0);
  int caps = glyph_image_view(4)->height;
  EXPECT_EQ(low, 2 + 2);
  EXPECT_EQ(caps, 13 + 2);
}

TEST_F(Glyph, MonochromeRendering) {
  ASSERT_EQ(glyph_image_make(5, "A", 0, 0, -1), 0);
  const GlyphImage* im = glyph_image_view(5);
  int ink = 0;
  for (int i = 0; i < im->width * im->height; i++) {
    ASSERT_TRUE(im->coverage[i] == 0 || im->coverage[i] == 255);
    ink += im->coverage[i] == 255;
  }
  EXPECT_GT(ink, 10);
}

TEST_F(Glyph, JapaneseTextIsFullWidth) {
  ASSERT_EQ(glyph_image_make(5, to_sjis("あいう").c_str(), 1, 0, -1), 0);
  RefGlyph a = ref_glyph(0x3042), u = ref_glyph(0x3046);
  EXPECT_EQ(a.advance, 1024);
  const GlyphImage* im = glyph_image_view(5);
  EXPECT_EQ(im->width, (int)((2 * 1024 + u.bearing_x + 64 * u.width - a.bearing_x) / 64) + 2);
}

// ---- Failures and slots -------------------------------------------------------------------------------------

TEST_F(Glyph, SlotOutOfRangeTouchesNothing) {
  ASSERT_EQ(glyph_image_make(7, "A", 1, 0, -1), 0);
  const uint8_t* planes = glyph_image_view(7)->coverage;
  EXPECT_EQ(glyph_image_make(8, "B", 1, 0, -1), -4);
  EXPECT_EQ(glyph_image_make(-1, "B", 1, 0, -1), -4);
  EXPECT_EQ(glyph_image_view(8), nullptr);
  EXPECT_EQ(glyph_image_view(-1), nullptr);
  EXPECT_EQ(glyph_image_view(7)->coverage, planes);
  EXPECT_EQ(glyph_image_view(7)->width, 8 + 2);
}

TEST_F(Glyph, NoGlyphsNoImage) {
  ASSERT_EQ(glyph_image_make(3, "A", 1, 0, -1), 0);
  // Line moves alone lay out no glyph: empty box, the slot is emptied.
  EXPECT_EQ(glyph_image_make(3, "&n&n", 1, 0, -1), -1);
  EXPECT_FALSE(glyph_image_view(3)->valid);
  EXPECT_EQ(glyph_image_view(3)->coverage, nullptr);
  EXPECT_EQ(glyph_image_make(3, "", 1, 0, -1), -1);
  // Drawing the empty slot draws nothing.
  static int rows_drawn = 0;
  rows_drawn = 0;
  const int text[3] = {255, 255, 255}, bg[3] = {0, 0, 0};
  auto sink = [](int, int, int, int, int, const uint8_t*) -> int {
    rows_drawn++;
    return 0;
  };
  EXPECT_EQ(glyph_image_draw_to(sink, text, bg, 0, 0, 0, 3, 0, 0, 100, 100), 0);
  EXPECT_EQ(rows_drawn, 0);
}

TEST_F(Glyph, EmptyIndexRangeKeepsThePreviousImage) {
  ASSERT_EQ(glyph_image_make(2, "AB", 1, 0, -1), 0);
  const uint8_t* planes = glyph_image_view(2)->coverage;
  EXPECT_EQ(glyph_image_make(2, "ABC", 1, 2, 1), -1);
  EXPECT_EQ(glyph_image_make(2, "ABC", 1, 5, -1), -1);
  EXPECT_TRUE(glyph_image_view(2)->valid);
  EXPECT_EQ(glyph_image_view(2)->coverage, planes);
  // A range that holds only codes without ink (a space has a glyph but no bitmap) still makes an image
  // of the margin alone.
  EXPECT_EQ(glyph_image_make(2, "A B", 1, 1, 1), 0);
  EXPECT_EQ(glyph_image_view(2)->width, 2);
}

TEST_F(Glyph, LongestTextIsCut) {
  std::string text(3000, 'i');
  ASSERT_EQ(glyph_image_make(0, text.c_str(), 1, 0, -1), 0);
  RefGlyph i = ref_glyph('i');
  EXPECT_EQ(glyph_image_view(0)->width, (int)((1022 * 512 + i.bearing_x + 64 * i.width - i.bearing_x) / 64) + 2);
}

// ---- Font loading -------------------------------------------------------------------------------------------

TEST(GlyphFont, LoadFailures) {
  TempDir t;
  EXPECT_EQ(font_load(t.file("missing.ttf").c_str(), 0.0, 16.0), 1);
  EXPECT_EQ(glyph_image_make(0, "A", 1, 0, -1), -1);  // no face: no image
  write_file(t.file("junk.ttf"), std::string(5000, 'j'));
  EXPECT_EQ(font_load(t.file("junk.ttf").c_str(), 0.0, 16.0), 1);
  std::u16string wjunk = to_u16(t.file("junk.ttf"));
  EXPECT_EQ(font_load_w(wjunk.c_str(), 0.0, 16.0), 1);
  EXPECT_EQ(rfclosed(), 255);  // the failed stream closed the reader
  write_file(t.file("empty.ttf"), "");
  EXPECT_EQ(font_load_w(to_u16(t.file("empty.ttf")).c_str(), 0.0, 16.0), 1);
  EXPECT_EQ(font_load_w(to_u16(t.file("missing.ttf")).c_str(), 0.0, 16.0), 1);
  // A size FreeType refuses: the result is 2 and the face stays loaded: text still makes an image.
  EXPECT_EQ(font_load(FONT, 0.0, 1e9), 2);
  EXPECT_EQ(glyph_image_make(0, "A", 1, 0, -1), 0);
  EXPECT_EQ(font_load(FONT, 0.0, 16.0), 0);
}

TEST(GlyphFont, UnicodePathStreamsThroughTheByteReader) {
  TempDir t;
  std::string copy = t.file("フォント.ttf");
  write_file(copy, read_file(FONT));
  ASSERT_EQ(font_load(FONT, 0.0, 16.0), 0);
  ASSERT_EQ(glyph_image_make(0, "Velmora", 1, 0, -1), 0);
  const GlyphImage* im = glyph_image_view(0);
  std::vector<uint8_t> by_path(im->coverage, im->coverage + im->width * im->height);
  ASSERT_EQ(font_load_w(to_u16(copy).c_str(), 0.0, 16.0), 0);
  EXPECT_EQ(rfclosed(), 0);  // the face keeps the reader open
  ASSERT_EQ(glyph_image_make(0, "Velmora", 1, 0, -1), 0);
  im = glyph_image_view(0);
  EXPECT_EQ(std::vector<uint8_t>(im->coverage, im->coverage + im->width * im->height), by_path);
  // A new load releases the face, which closes its stream.
  ASSERT_EQ(font_load(FONT, 0.0, 16.0), 0);
  EXPECT_EQ(rfclosed(), 255);
  // The width argument: 8 points wide, 16 high makes the capitals narrower.
  ASSERT_EQ(font_load(FONT, 8.0, 16.0), 0);
  ASSERT_EQ(glyph_image_make(0, "ABC", 1, 0, -1), 0);
  EXPECT_LT(glyph_image_view(0)->width, 25);
  ASSERT_EQ(font_load(FONT, 0.0, 16.0), 0);
}

// ---- Drawing rows ---------------------------------------------------------------------------------------------

namespace {

struct Row {
  int target, x, y, w;
  std::vector<uint8_t> bgr;
};
std::vector<Row> rows;
int collect(int target, int x, int y, int w, int h, const uint8_t* p) {
  EXPECT_EQ(h, 1);
  rows.push_back({target, x, y, w, std::vector<uint8_t>(p, p + 3 * w)});
  return 0;
}

}  // namespace

TEST(GlyphBlend, ShiftByEight) {
  EXPECT_EQ(glyph_blend(255, 255, 0), 254);
  EXPECT_EQ(glyph_blend(255, 120, 0), 119);
  EXPECT_EQ(glyph_blend(255, 0, 0), 0);
  EXPECT_EQ(glyph_blend(0, 255, 77), 76);  // (255 x 77) >> 8
  EXPECT_EQ(glyph_blend(0, 200, 0), 0);
  EXPECT_EQ(glyph_blend(128, 255, 0), 127);
  EXPECT_EQ(glyph_blend(100, 40, 200), (100 * 40 + 155 * 200) >> 8);
}

TEST_F(Glyph, DrawRowsBlendTheCoverage) {
  ASSERT_EQ(glyph_image_make(6, "HI", 1, 0, -1), 0);
  const GlyphImage* im = glyph_image_view(6);
  const int text[3] = {255, 120, 0}, bg[3] = {0, 0, 0};
  rows.clear();
  ASSERT_EQ(glyph_image_draw_to(collect, text, bg, 0, 2, 19, 6, 0, 0, im->width - 1, im->height - 1), 0);
  ASSERT_EQ((int)rows.size(), im->height);
  int full = 0;
  for (int r = 0; r < im->height; r++) {
    EXPECT_EQ(rows[r].x, 2);
    EXPECT_EQ(rows[r].y, 19 + r);
    ASSERT_EQ(rows[r].w, im->width);
    for (int x = 0; x < im->width; x++) {
      int a = im->coverage[r * im->width + x];
      ASSERT_EQ(rows[r].bgr[3 * x + 0], (a * 0) >> 8);
      ASSERT_EQ(rows[r].bgr[3 * x + 1], (a * 120) >> 8);
      ASSERT_EQ(rows[r].bgr[3 * x + 2], (a * 255) >> 8);
      if (a == 255) {
        full++;
        ASSERT_EQ(rows[r].bgr[3 * x + 2], 254);
        ASSERT_EQ(rows[r].bgr[3 * x + 1], 119);
      }
    }
  }
  EXPECT_GT(full, 0);  // the stems of H and I are full ink
}

TEST_F(Glyph, DrawClipsToTheImageAndThePage) {
  ASSERT_EQ(glyph_image_make(6, "AB", 1, 0, -1), 0);
  const GlyphImage* im = glyph_image_view(6);
  const int text[3] = {255, 255, 255}, bg[3] = {10, 20, 30};
  // A negative x and y move the source corner instead.
  rows.clear();
  glyph_image_draw_to(collect, text, bg, -1, -3, -2, 6, 0, 0, 1000, 1000);
  ASSERT_EQ((int)rows.size(), im->height - 2);
  EXPECT_EQ(rows[0].x, 0);
  EXPECT_EQ(rows[0].y, 0);
  EXPECT_EQ(rows[0].w, im->width - 3);
  EXPECT_EQ(rows[0].target, -1);
  // Row 0 shows image row 2 from column 3; zero coverage gives (255 x background) >> 8.
  int zeros = 0;
  for (int k = 0; k < rows[0].w; k++) {
    int a = im->coverage[2 * im->width + 3 + k];
    ASSERT_EQ(rows[0].bgr[3 * k + 0], (a * 255 + (255 - a) * 30) >> 8);
    ASSERT_EQ(rows[0].bgr[3 * k + 2], (a * 255 + (255 - a) * 10) >> 8);
    if (a == 0) {
      zeros++;
      EXPECT_EQ(rows[0].bgr[3 * k + 1], 19);
    }
  }
  EXPECT_GT(zeros, 0);
  // A negative source corner moves the destination.
  rows.clear();
  glyph_image_draw_to(collect, text, bg, 0, 5, 5, 6, -2, -1, 3, 3);
  ASSERT_EQ((int)rows.size(), 4);
  EXPECT_EQ(rows[0].x, 7);
  EXPECT_EQ(rows[0].y, 6);
  EXPECT_EQ(rows[0].w, 4);
  // A rectangle outside the image draws nothing; an invalid or out-of-range slot neither.
  rows.clear();
  glyph_image_draw_to(collect, text, bg, 0, 0, 0, 6, im->width, 0, im->width + 5, 3);
  glyph_image_draw_to(collect, text, bg, 0, 0, 0, 6, 3, 2, 1, 1);
  glyph_image_draw_to(collect, text, bg, 0, 0, 0, 9, 0, 0, 3, 3);
  glyph_image_draw_to(collect, text, bg, 0, -2147483647 - 1, 0, 6, 0, 0, 3, 3);
  EXPECT_TRUE(rows.empty());
}

// ---- Kerning ------------------------------------------------------------------------------------------------

TEST(GlyphKerning, PairsMoveThePen) {
  // The shipped face has no kerning table; DejaVu Sans has one (A then V comes a pixel closer).
  const char dejavu[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  if (!file_exists(dejavu)) GTEST_SKIP() << "DejaVu Sans is not installed";
  FT_Library lib;
  FT_Face face;
  ASSERT_EQ(FT_Init_FreeType(&lib), 0);
  ASSERT_EQ(FT_New_Face(lib, dejavu, 0, &face), 0);
  FT_Set_Char_Size(face, 0, 16 * 64, 72, 72);
  FT_UInt ga = FT_Get_Char_Index(face, 'A'), gv = FT_Get_Char_Index(face, 'V');
  FT_Vector k;
  FT_Get_Kerning(face, ga, gv, FT_KERNING_DEFAULT, &k);
  FT_Load_Glyph(face, ga, FT_LOAD_DEFAULT);
  long a_left = face->glyph->metrics.horiBearingX, a_adv = face->glyph->advance.x;
  FT_Load_Glyph(face, gv, FT_LOAD_DEFAULT);
  FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
  long v_right = a_adv + k.x + face->glyph->metrics.horiBearingX + 64L * face->glyph->bitmap.width;
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  ASSERT_LT(k.x, 0);

  ASSERT_EQ(font_load(dejavu, 0.0, 16.0), 0);
  ASSERT_EQ(glyph_image_make(0, "AV", 1, 0, -1), 0);
  int kerned = glyph_image_view(0)->width;
  EXPECT_EQ(kerned, (int)((((v_right + 63) & ~63L) - (a_left & ~63L)) / 64) + 2);
  // A return between them forgets the previous glyph: both start the line again, no pair, so A and V
  // land on each other alike in either order (kerning kept across the return would move the second).
  ASSERT_EQ(glyph_image_make(0, "A&rV", 1, 0, -1), 0);
  ASSERT_EQ(glyph_image_make(1, "V&rA", 1, 0, -1), 0);
  const GlyphImage* av = glyph_image_view(0);
  const GlyphImage* va = glyph_image_view(1);
  ASSERT_EQ(av->width, va->width);
  ASSERT_EQ(av->height, va->height);
  EXPECT_EQ(std::vector<uint8_t>(av->coverage, av->coverage + av->width * av->height),
            std::vector<uint8_t>(va->coverage, va->coverage + va->width * va->height));
  ASSERT_EQ(font_load(FONT, 0.0, 16.0), 0);
}
