// glyph.h: text drawn with a TrueType font through FreeType. One line of text is laid out and rendered
// into a glyph image (an 8-bit coverage bitmap cropped to the ink of the line, with a one-pixel margin)
// kept in one of eight numbered slots; drawing blends a text colour over a background colour by the
// coverage, row by row, into a row receiver (the console's page, or a picture's buffer).
//
// Records (glyph.cpp): the font state (library, the one face, size, kerning flag) and the eight image
// slots. Portable.
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
constexpr int GLYPH_BAD_SLOT = -4;         // glyph_image_make: a slot outside 0 to 7

// Layout control codes.
constexpr uint32_t GLYPH_RETURN = 13;  // back to the start of the line
constexpr uint32_t GLYPH_DOWN = 10;    // down one line
constexpr uint32_t GLYPH_UP = 11;      // up one line

struct GlyphImage {
  uint8_t valid;          // the coverage plane exists
  int32_t width, height;  // pixels
  uint8_t* coverage;      // width x height + 16 bytes: 0 background to 255 full ink, rows from the top
};

// ---- Font --------------------------------------------------------------------------------------------

// font_load's results.
enum FontResult : int {
  FONT_LOADED = 0,
  FONT_NO_LIBRARY = -1,  // the library cannot be made
  FONT_UNOPENED = 1,     // the face cannot be opened
  FONT_NO_SIZE = 2,      // the size cannot be set (the face stays loaded)
};
// Loads face 0 of a font file at width x height points, 72 dpi (a width of 0 takes the height), by
// Shift-JIS path (FT_New_Face) or by UTF-16 path (a stream over the byte reader, which the face keeps
// open: any other use of the byte reader before the last glyph_image_make breaks the face's reads).
// Replaces the face loaded before. A FontResult.
int font_load(const char* path, double width, double height);
int font_load_w(const char16_t* path, double width, double height);

// ---- Images ------------------------------------------------------------------------------------------

// Renders codes first to last (a last below 0 means the last code) of a Shift-JIS text into slot (0 to
// 7), with anti-aliasing when aa is not 0. The text takes the escapes && (an ampersand), &r (13), &n (10)
// and &v (11).
// 0 made; GLYPH_BAD_SLOT (-4) slot out of range (nothing touched); -1 the image cannot be made: no face,
// an empty index range or a glyph that cannot be loaded or rendered (the slot keeps its image), or an
// empty ink box or an image too large (the slot is left empty).
int glyph_image_make(int slot, const char* text, int aa, int first, int last);

// The slot's image (read-only), or null for a slot out of range.
const GlyphImage* glyph_image_view(int slot);

// ---- Decoding and blending -----------------------------------------------------------------------------

// Decodes a Shift-JIS text into Unicode codes (see glyph_image_make), at most GLYPH_MAX_CODES, followed by
// a 0 code; codes must hold GLYPH_MAX_CODES + 1 entries. Returns the number of codes.
int glyph_decode_sjis(uint32_t* codes, const char* text);

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

// Draws the source rectangle (sx0, sy0) to (sx1, sy1), corners included, of slot n at (x, y) through
// sink (target passed on), blending text over background (red, green, blue) by the coverage: the one
// blend of a glyph image, which the window's page and velmora-report's pictures (page_image.h) both go
// through. An invalid slot draws nothing. 0.
int glyph_image_draw_to(GlyphRowSink sink, const int text[3], const int background[3], int target, int x, int y,
                        int n, int sx0, int sy0, int sx1, int sy1);
