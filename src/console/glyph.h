// glyph.h: text drawn with a TrueType font through FreeType. One line of text is laid out and rendered
// into a glyph image (an 8-bit coverage bitmap cropped to the ink of the line, with a one-pixel margin)
// kept in one of eight numbered slots; drawing blends the console's text colour over its background
// colour by the coverage, row by row, onto a console page.
//
// Records (glyph.cpp): the font state (library, the one face, size, kerning flag, glyph colour) and the
// eight image slots. Everything but glyph_image_draw is portable; glyph_image_draw (glyph_draw_win32.cpp)
// hands the rows to the console.
//
// Limits: texts of at most 1,023 codes (longer texts are cut); images of at most 16,384 pixels a side and
// 16,777,216 pixels in all (a larger image cannot be made: -1).
#pragma once
#include <cstdint>

constexpr int GLYPH_SLOTS = 8;
constexpr int GLYPH_MAX_CODES = 1023;      // codes a text holds, without its 0 terminator
constexpr int GLYPH_MAX_SIDE = 16384;      // image width or height
constexpr int GLYPH_MAX_AREA = 1 << 24;    // image pixels
constexpr int GLYPH_PLANE_SLACK = 16;      // extra bytes at the end of every plane

// Layout control codes.
constexpr uint32_t GLYPH_RETURN = 13;  // back to the start of the line
constexpr uint32_t GLYPH_DOWN = 10;    // down one line
constexpr uint32_t GLYPH_UP = 11;      // up one line

struct GlyphImage {
  uint8_t valid;               // all four planes exist
  int32_t width, height;       // pixels
  uint8_t* red;                // width x height + 16 bytes each: the glyph colour where ink is, else 0
  uint8_t* green;
  uint8_t* blue;
  uint8_t* coverage;           // 0 background to 255 full ink, rows from the top
  int32_t origin_x, origin_y;  // placement offsets following the alignment
};

// ---- Font --------------------------------------------------------------------------------------------

// Loads face 0 of a font file at width x height points, 72 dpi (a width of 0 takes the height), by
// Shift-JIS path (FT_New_Face) or by UTF-16 path (a stream over the byte reader, which the face keeps
// open: any other use of the byte reader before the last glyph_image_make breaks the face's reads).
// Replaces the face loaded before. 0; -1 the library cannot be made; 1 the face cannot be opened; 2 the
// size cannot be set.
int font_load(const char* path, double width, double height);
int font_load_w(const char16_t* path, double width, double height);
// 1 when a face is loaded, else 0.
int font_loaded();
// The colour that glyph_image_make writes into an image's colour planes. 0.
int font_set_colour(uint8_t r, uint8_t g, uint8_t b);

// ---- Images ------------------------------------------------------------------------------------------

// Renders codes first to last (a last below 0 means the last code) of a text into slot (0 to 7), with
// anti-aliasing when aa is not 0; align below 0 left, 0 centre, above 0 right. Shift-JIS texts take the
// escapes && (an ampersand), &r (13), &n (10) and &v (11); UTF-16 texts none.
// 0 made; -4 slot out of range (nothing touched); -1 the image cannot be made: no face, an empty index
// range or a glyph that cannot be loaded or rendered (the slot keeps its image), or an empty ink box or
// an image too large (the slot is left empty).
int glyph_image_make(int slot, const char* text, int aa, int align, int first, int last);
int glyph_image_make_w(int slot, const char16_t* text, int aa, int align, int first, int last);

// The slot's image (read-only), or null for a slot out of range.
const GlyphImage* glyph_image_view(int slot);

// Draws the source rectangle (sx0, sy0) to (sx1, sy1), corners included, of slot n at (x, y) on the
// console (target as console_fill_rect), blending the console's text colour over its background by the
// coverage. An invalid slot draws nothing. 0.
int glyph_image_draw(int target, int x, int y, int n, int sx0, int sy0, int sx1, int sy1);

// ---- Portable pieces (used by glyph_image_draw, the page picture and the tests) ---------------------

// Decodes a Shift-JIS text into Unicode codes (see glyph_image_make), at most GLYPH_MAX_CODES, followed by
// a 0 code; codes must hold GLYPH_MAX_CODES + 1 entries. Returns the number of codes.
int glyph_decode_sjis(uint32_t* codes, const char* text);
// Every 16-bit unit up to the first 0 unit is one code. As glyph_decode_sjis.
int glyph_decode_utf16(uint32_t* codes, const char16_t* text);

// One colour component of a blended pixel: (a x text + (255 - a) x background) >> 8.
inline uint8_t glyph_blend(int a, int text, int background) {
  return (uint8_t)((a * text + (255 - a) * background) >> 8);
}

// Coverage after a gray value v lands on a pixel already at old: 255 stays 255, 0 leaves it, any other
// value adds up, at most 255 (overlapping glyphs).
inline uint8_t glyph_coverage_add(int old, int v) {
  if (v == 255) return 255;
  if (v == 0) return (uint8_t)old;
  return (uint8_t)(old + v > 255 ? 255 : old + v);
}

// Receives one row of 24-bit pixels (blue, green, red) of width w and height 1; console_draw_pixels.
typedef int (*GlyphRowSink)(int target, int x, int y, int w, int h, const uint8_t* pixels);

// glyph_image_draw with the colours and the row receiver given: the one blend of a glyph image, which
// the window's page and velmora-report's pictures (page_image.h) both go through.
int glyph_image_draw_to(GlyphRowSink sink, const int text[3], const int background[3], int target, int x, int y,
                        int n, int sx0, int sy0, int sx1, int sy1);
