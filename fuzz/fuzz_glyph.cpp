// fuzz_glyph.cpp: libFuzzer target: glyph layout and image building of arbitrary text with the real font
// (the font the program ships as mplus-2m-regular.ttf: VL Gothic, or VELMORA_FUZZ_FONT), loaded once by
// its UTF-16 path, so that FreeType reads it through the byte reader's font stream; then a part of the
// image drawn through a row receiver.
//
// Input: byte 0 the slot (bits 0-6, 0 to 9: 8 and 9 are out of range; bit 7 unused), byte 1 the
// anti-alias flag (bit 0; the rest unused), bytes 2 and 3 the first and last index (signed), bytes 4 to
// 9 the drawn rectangle, the rest the text (Shift-JIS with its & escapes). Checked: the decoder stops at
// 1,023 codes inside an exact-size code list; a make returns 0, -1 or -4; a valid image has sides of 1
// to 16,384 pixels, at most 2^24 pixels, and its coverage plane; a failed make on a slot out of range
// touches nothing; every row handed to the receiver lies inside the image's width.
#include <cstdint>
#include <cstring>
#include <string>

#include "console/glyph.h"
#include "fuzz_common.h"

namespace {

int drawn_width;

int receive_row(int target, int x, int y, int w, int h, const uint8_t* pixels) {
  FUZZ_CHECK(target == -1 && x >= 0 && y >= 0 && h == 1, "row at %d,%d of %dx%d", x, y, w, h);
  FUZZ_CHECK(w >= 1 && w <= drawn_width, "row of %d pixels from an image %d wide", w, drawn_width);
  unsigned sum = 0;
  for (int i = 0; i < 3 * w; i++) sum += pixels[i];  // every byte of the row is read
  (void)sum;
  return 0;
}

void check_image(int slot) {
  const GlyphImage* im = glyph_image_view(slot);
  FUZZ_CHECK(im != nullptr, "no view of slot %d", slot);
  if (!im->valid) return;
  FUZZ_CHECK(im->width >= 1 && im->width <= GLYPH_MAX_SIDE && im->height >= 1 && im->height <= GLYPH_MAX_SIDE,
             "image %dx%d", im->width, im->height);
  FUZZ_CHECK((int64_t)im->width * im->height <= GLYPH_MAX_AREA, "image of %lld pixels",
             (long long)im->width * im->height);
  FUZZ_CHECK(im->coverage != nullptr, "the coverage plane is missing");
  size_t n = (size_t)im->width * (size_t)im->height;
  unsigned sum = 0;
  for (size_t i = 0; i < n; i += 7) sum += im->coverage[i];  // the plane is as large as the image says
  (void)sum;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* env = std::getenv("VELMORA_FUZZ_FONT");
  std::string font = env != nullptr && env[0] != 0 ? env : "/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf";
  std::u16string wfont(font.begin(), font.end());
  if (font_load_w(wfont.c_str(), 0, 16) != 0) {
    std::fprintf(stderr, "fuzz_glyph: cannot load the font %s\n", font.c_str());
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  const int slot = (data[0] & 0x7F) % 10;
  const int aa = data[1] & 1;
  const int first = (int8_t)data[2], last = (int8_t)data[3];
  const int x = (int8_t)data[4], y = (int8_t)data[5];
  const int sx0 = (int8_t)data[6], sy0 = (int8_t)data[7];
  const int sx1 = sx0 + data[8], sy1 = sy0 + (data[9] & 63);
  const uint8_t* text = data + 10;
  const size_t n = size - 10;

  // The decoder, into a code list of exactly 1,024 entries.
  FuzzBlock codes((GLYPH_MAX_CODES + 1) * sizeof(uint32_t));
  uint32_t* c = reinterpret_cast<uint32_t*>(codes.p);
  FuzzBlock s(n + 1);
  fuzz_cstr(s, text, n);
  int count = glyph_decode_sjis(c, s.c());
  FUZZ_CHECK(count >= 0 && count <= GLYPH_MAX_CODES && c[count] == 0, "decoded %d codes", count);

  const GlyphImage* before = glyph_image_view(slot < GLYPH_SLOTS ? slot : 0);
  GlyphImage kept = *before;
  int r = glyph_image_make(slot, s.c(), aa, first, last);
  if (slot >= GLYPH_SLOTS) {
    FUZZ_CHECK(r == -4, "slot %d gave %d", slot, r);
    FUZZ_CHECK(std::memcmp(&kept, before, sizeof kept) == 0, "a make out of range touched slot 0");
    return 0;
  }
  FUZZ_CHECK(r == 0 || r == -1, "make gave %d", r);
  const GlyphImage* im = glyph_image_view(slot);
  if (r == 0) FUZZ_CHECK(im->valid, "made but not valid");
  check_image(slot);

  drawn_width = im->valid ? im->width : 0;
  const int text_colour[3] = {255, 255, 255}, background[3] = {0, 0, 0};
  FUZZ_CHECK(glyph_image_draw_to(receive_row, text_colour, background, -1, x, y, slot, sx0, sy0, sx1, sy1) == 0, "draw");
  return 0;
}
