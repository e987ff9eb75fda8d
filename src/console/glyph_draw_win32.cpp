// glyph_draw_win32.cpp: glyph_image_draw, the one part of the glyph renderer that needs the console: the
// rows of an image, blended in the console's text colour over its background, go to console_draw_pixels.
//
// Records: none of its own (the slots live in glyph.cpp, the colours in the console record).
#include "console/console.h"
#include "console/glyph.h"

int glyph_image_draw(int target, int x, int y, int n, int sx0, int sy0, int sx1, int sy1) {
  int text[3], background[3];
  console_get_text_colour(&text[0], &text[1], &text[2]);
  console_get_background(&background[0], &background[1], &background[2]);
  return glyph_image_draw_to(console_draw_pixels, text, background, target, x, y, n, sx0, sy0, sx1, sy1);
}
