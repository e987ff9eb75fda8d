// glyph.cpp: the font and the glyph image slots (see glyph.h): loading a face by Shift-JIS path or by a
// UTF-16 path streamed through the byte reader, decoding Shift-JIS text with its & escapes, the two
// layout passes in 26.6 fixed point, building the coverage plane, and the row blend.
//
// Records: gf (the font state) and slots (the eight images), written only here; the coverage planes are
// the only memory this file allocates, once per make, and are freed when the slot is rebuilt and at
// program exit.
// Limits: 1,023 codes a text; images of at most 16,384 pixels a side and 2^24 pixels; positions are
// carried in 64 bits, so no font metric can overflow them.
// Trust: the font file is untrusted and FreeType parses it; what FreeType hands back (bitmap sizes,
// pitches, metrics) is bounds-checked before a byte is written: every image write is clipped to the
// image.
#include "console/glyph.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdlib>
#include <cstring>

#include "formats/filechan.h"
#include "text/encoding.h"

// ---- Records ----------------------------------------------------------------------------------------

struct FontState {
  FT_Library library;  // made on the first load, kept until program exit
  FT_Face face;
  bool loaded;
  int64_t char_w, char_h;  // 26.6
  bool has_kerning;
};
static FontState gf;
static FT_StreamRec gf_stream;  // the UTF-16 load's stream over the byte reader; lives as long as its face

static GlyphImage slots[GLYPH_SLOTS];
static uint32_t glyph_codes[GLYPH_MAX_CODES + 1];

static void glyph_slot_free(GlyphImage* im) {
  std::free(im->coverage);
  im->coverage = nullptr;
  im->valid = 0;
}

static void glyph_at_exit() {
  for (GlyphImage& im : slots) glyph_slot_free(&im);
  if (gf.face) FT_Done_Face(gf.face);
  gf.face = nullptr;
  gf.loaded = false;
  if (gf.library) FT_Done_FreeType(gf.library);
  gf.library = nullptr;
}

// ---- Font --------------------------------------------------------------------------------------------

// The byte reader as a FreeType stream: a read at a position other than the reader's seeks there first;
// a zero-length request is a seek and fails beyond the size.
static unsigned long font_stream_read(FT_Stream s, unsigned long offset, unsigned char* buf, unsigned long count) {
  if (count == 0) return offset > s->size ? 1 : 0;
  if (offset > 0xFFFFFFFFul || count > 0x7FFFFFFFul) return 0;
  if (offset != rftell() && rfseek((uint32_t)offset) != RFSEEK_DONE) return 0;
  int n = rfread(buf, (int)count);
  return n > 0 ? (unsigned long)n : 0;
}

static void font_stream_close(FT_Stream) { rfclose(); }

// Steps shared by both loads: library, old face, then open (by path or stream), size, kerning.
static int font_load_with(const char* path, const char16_t* wpath, double width, double height) {
  static bool exit_registered = false;
  if (gf.library == nullptr) {
    if (FT_Init_FreeType(&gf.library) != 0) {
      gf.library = nullptr;
      return FONT_NO_LIBRARY;
    }
    if (!exit_registered) {
      exit_registered = true;
      std::atexit(glyph_at_exit);
    }
  }
  if (gf.face != nullptr) {
    FT_Done_Face(gf.face);
    gf.face = nullptr;
  }
  gf.loaded = false;

  FT_Error err;
  if (wpath == nullptr) {
    err = FT_New_Face(gf.library, path, 0, &gf.face);
  } else {
    if (rfopenW(wpath) != 0) return FONT_UNOPENED;
    if (rfseekfrom(0, RF_FROM_END) != RFSEEK_DONE) {
      rfclose();
      return FONT_UNOPENED;
    }
    uint32_t size = rftell();
    if (size == 0 || rfseek(0) != RFSEEK_DONE) {
      rfclose();
      return FONT_UNOPENED;
    }
    std::memset(&gf_stream, 0, sizeof gf_stream);
    gf_stream.size = size;
    gf_stream.pos = 0;
    gf_stream.read = font_stream_read;
    gf_stream.close = font_stream_close;
    FT_Open_Args args;
    std::memset(&args, 0, sizeof args);
    args.flags = FT_OPEN_STREAM;
    args.stream = &gf_stream;
    err = FT_Open_Face(gf.library, &args, 0, &gf.face);  // closes the stream itself on failure
  }
  if (err != 0) {
    gf.face = nullptr;
    return FONT_UNOPENED;
  }
  gf.loaded = true;
  gf.char_w = (int64_t)(width * 64 + 0.4);
  gf.char_h = (int64_t)(height * 64 + 0.4);
  if (FT_Set_Char_Size(gf.face, (FT_F26Dot6)gf.char_w, (FT_F26Dot6)gf.char_h, 72, 72) != 0) return FONT_NO_SIZE;
  gf.has_kerning = FT_HAS_KERNING(gf.face);
  FT_Set_Transform(gf.face, nullptr, nullptr);
  return FONT_LOADED;
}

int font_load(const char* path, double width, double height) {
  return font_load_with(path ? path : "", nullptr, width, height);
}

int font_load_w(const char16_t* path, double width, double height) {
  return font_load_with(nullptr, path ? path : u"", width, height);
}

// ---- Decoding ------------------------------------------------------------------------------------------

int glyph_decode_sjis(uint32_t* codes, const char* text) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text ? text : "");
  int n = 0;
  int i = 0;
  while (s[i] != 0 && n < GLYPH_MAX_CODES) {
    unsigned b = s[i];
    unsigned code;
    if (is_lead_byte((unsigned char)b)) {
      if (s[i + 1] == 0) break;  // a lead byte without its trail byte ends the text
      code = b << 8 | s[i + 1];
      i += 2;
    } else if (b == '&') {
      unsigned e = s[i + 1];
      if (e == 0) break;  // a last ampersand is dropped
      // An escape takes the next byte only: after a lead byte that is not an escape, decoding goes on
      // from the byte after it, which is then a character of its own.
      i += 2;
      if (e == '&') code = '&';
      else if (e == 'r') { codes[n++] = GLYPH_RETURN; continue; }
      else if (e == 'n') { codes[n++] = GLYPH_DOWN; continue; }
      else if (e == 'v') { codes[n++] = GLYPH_UP; continue; }
      else continue;
    } else {
      code = b;
      i += 1;
    }
    uint32_t u = sjis_table_to_unicode(code);
    if (u != 0) codes[n++] = u;
  }
  codes[n] = 0;
  return n;
}

// ---- Layout and building --------------------------------------------------------------------------------

struct GlyphBox {
  bool empty;
  int64_t left, top, right, bottom;  // 26.6
};

static int64_t glyph_floor64(int64_t v) { return v & ~(int64_t)63; }
static int64_t glyph_ceil64(int64_t v) { return (v + 63) & ~(int64_t)63; }

// Copies the rendered glyph in gf.face->glyph into the image with its top-left pixel at (dx, dy).
static void glyph_copy(GlyphImage* im, int64_t dx, int64_t dy) {
  const FT_Bitmap& bm = gf.face->glyph->bitmap;
  bool mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
  if (!mono && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return;
  int pitch = bm.pitch < 0 ? -bm.pitch : bm.pitch;
  for (unsigned r = 0; r < bm.rows; r++) {
    int64_t y = dy + r;
    if (y < 0 || y >= im->height) continue;
    const unsigned char* row = bm.pitch >= 0 ? bm.buffer + (size_t)r * pitch : bm.buffer + (size_t)(bm.rows - 1 - r) * pitch;
    for (unsigned c = 0; c < bm.width; c++) {
      int64_t x = dx + c;
      if (x < 0 || x >= im->width) continue;
      int v;
      if (mono) v = (row[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
      else v = row[c];
      if (v == 0) continue;
      size_t at = (size_t)y * (size_t)im->width + (size_t)x;
      im->coverage[at] = glyph_coverage_add(im->coverage[at], v);
    }
  }
}

// One pass over the codes. Without an image: grows box by the glyphs first to last. With an image: copies
// those glyphs into it, placed against box. 0, or -1 when a glyph cannot be loaded or rendered.
static int glyph_walk(const uint32_t* codes, int n, int aa, int first, int last, GlyphBox* box, GlyphImage* im) {
  int64_t pen_x = 0, pen_y = 0;
  FT_UInt prev = 0;
  int64_t line = glyph_floor64(gf.char_h);
  for (int i = 0; i < n; i++) {
    uint32_t c = codes[i];
    if (c == GLYPH_RETURN) {
      pen_x = 0;
      prev = 0;
      continue;
    }
    if (c == GLYPH_DOWN) {
      pen_y += line;
      continue;
    }
    if (c == GLYPH_UP) {
      pen_y -= line;
      continue;
    }
    FT_UInt gi = FT_Get_Char_Index(gf.face, c);
    if (gi == 0) continue;
    if (FT_Load_Glyph(gf.face, gi, FT_LOAD_DEFAULT) != 0) return -1;
    FT_GlyphSlot g = gf.face->glyph;
    if (g->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(g, aa ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) {
      return -1;
    }
    if (gf.has_kerning && prev != 0) {
      FT_Vector k;
      if (FT_Get_Kerning(gf.face, prev, gi, FT_KERNING_DEFAULT, &k) == 0) {
        pen_x += k.x;
        pen_y += k.y;
      }
    }
    int64_t left = pen_x + g->metrics.horiBearingX;
    int64_t right = left + (int64_t)g->bitmap.width * 64;
    int64_t top = pen_y - g->metrics.horiBearingY;
    int64_t bottom = top + (int64_t)g->bitmap.rows * 64;
    if (i >= first && i <= last) {
      if (im == nullptr) {
        if (box->empty) {
          box->empty = false;
          box->left = left;
          box->top = top;
          box->right = right;
          box->bottom = bottom;
        } else {
          if (left < box->left) box->left = left;
          if (top < box->top) box->top = top;
          if (right > box->right) box->right = right;
          if (bottom > box->bottom) box->bottom = bottom;
        }
      } else {
        glyph_copy(im, (left - box->left) / 64, (top - box->top) / 64);
      }
    }
    prev = gi;
    pen_x += g->advance.x;
    pen_y += g->advance.y;
  }
  return 0;
}

static int glyph_make(int slot, const uint32_t* codes, int n, int aa, int first, int last) {
  if (!gf.loaded) return -1;
  if (last < 0) last = n - 1;
  if (first > last) return -1;

  GlyphBox box = {true, 0, 0, 0, 0};
  if (glyph_walk(codes, n, aa, first, last, &box, nullptr) != 0) return -1;
  int64_t w = 0, h = 0;
  if (!box.empty) {
    box.left = glyph_floor64(box.left) - 64;
    box.top = glyph_floor64(box.top) - 64;
    box.right = glyph_ceil64(box.right) + 64;
    box.bottom = glyph_ceil64(box.bottom) + 64;
    w = (box.right - box.left) / 64;
    h = (box.bottom - box.top) / 64;
  }

  GlyphImage* im = &slots[slot];
  glyph_slot_free(im);
  im->width = im->height = 0;
  if (w == 0 || h == 0) return -1;
  if (w > GLYPH_MAX_SIDE || h > GLYPH_MAX_SIDE || w * h > GLYPH_MAX_AREA) return -1;
  size_t bytes = (size_t)(w * h) + GLYPH_PLANE_SLACK;
  im->coverage = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (im->coverage == nullptr) return -1;
  im->valid = 1;
  im->width = (int32_t)w;
  im->height = (int32_t)h;

  // The second pass; a glyph that fails here leaves the glyphs copied before it.
  glyph_walk(codes, n, aa, first, last, &box, im);
  return 0;
}

int glyph_image_make(int slot, const char* text, int aa, int first, int last) {
  if (slot < 0 || slot >= GLYPH_SLOTS) return GLYPH_BAD_SLOT;
  int n = glyph_decode_sjis(glyph_codes, text);
  return glyph_make(slot, glyph_codes, n, aa, first, last);
}

const GlyphImage* glyph_image_view(int slot) {
  if (slot < 0 || slot >= GLYPH_SLOTS) return nullptr;
  return &slots[slot];
}

// ---- Drawing rows ----------------------------------------------------------------------------------------

static uint8_t glyph_row[GLYPH_MAX_SIDE * 3 + 4];  // one row of blended pixels, blue, green, red

int glyph_image_draw_to(GlyphRowSink sink, const int text[3], const int background[3], int target, int x, int y,
                        int n, int sx0, int sy0, int sx1, int sy1) {
  if (n < 0 || n >= GLYPH_SLOTS || !slots[n].valid) return 0;
  const GlyphImage& im = slots[n];
  int64_t px = x, py = y, x0 = sx0, y0 = sy0, x1 = sx1, y1 = sy1;
  if (px < 0) {
    x0 -= px;
    px = 0;
  }
  if (py < 0) {
    y0 -= py;
    py = 0;
  }
  if (x0 < 0) {
    px -= x0;
    x0 = 0;
  }
  if (y0 < 0) {
    py -= y0;
    y0 = 0;
  }
  if (x1 > im.width - 1) x1 = im.width - 1;
  if (y1 > im.height - 1) y1 = im.height - 1;
  if (x1 < x0 || y1 < y0 || px > 0x7FFFFFFF || py > 0x7FFFFFFF) return 0;
  int w = (int)(x1 - x0 + 1);
  for (int64_t row = y0; row <= y1; row++) {
    const uint8_t* a = im.coverage + (size_t)row * (size_t)im.width + (size_t)x0;
    for (int k = 0; k < w; k++) {
      glyph_row[3 * k + 0] = glyph_blend(a[k], text[2], background[2]);
      glyph_row[3 * k + 1] = glyph_blend(a[k], text[1], background[1]);
      glyph_row[3 * k + 2] = glyph_blend(a[k], text[0], background[0]);
    }
    int64_t ry = py + row - y0;
    if (ry > 0x7FFFFFFF) break;
    sink(target, (int)px, (int)ry, w, 1, glyph_row);
  }
  return 0;
}
