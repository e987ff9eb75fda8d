// page_image.cpp: the report page's geometry and its rendering into an RGB buffer (see page_image.h).
//
// Records: page_target, the buffer of the render under way; the row receiver that glyph_image_draw_to calls
// takes no context, so page_image_render points it at the caller's buffer for the render's duration.
// Limits: the buffer's sides as the caller gives them; rows and pixels outside it are dropped.
#include "console/page_image.h"

#include <cstddef>

#include "check/report_page.h"

struct PageTarget {
  uint8_t* rgb;
  int32_t width, height;
};
static PageTarget page_target;

void page_image_size(const ReportPage* page, int32_t* width, int32_t* height) {
  int32_t w = PAGE_CELL_WIDTH * page->widest + PAGE_EXTRA_WIDTH;
  int32_t h = PAGE_LINE_PITCH * page->line_count;
  *width = w < PAGE_MIN_WIDTH ? PAGE_MIN_WIDTH : w;
  *height = h < PAGE_MIN_HEIGHT ? PAGE_MIN_HEIGHT : h;
}

// Receives one blended row (blue, green, red) from glyph_image_draw_to, which never places a row left of
// or above the origin, and stores the part of it that falls inside the buffer as red, green, blue.
static int page_image_row(int, int x, int y, int w, int h, const uint8_t* pixels) {
  const PageTarget& t = page_target;
  if (t.rgb == nullptr || h != 1 || x < 0 || y < 0 || x >= t.width || y >= t.height) return 1;
  int n = w < t.width - x ? w : t.width - x;
  uint8_t* out = t.rgb + 3 * ((size_t)y * (size_t)t.width + (size_t)x);
  for (int k = 0; k < n; k++) {
    out[3 * k + 0] = pixels[3 * k + 2];
    out[3 * k + 1] = pixels[3 * k + 1];
    out[3 * k + 2] = pixels[3 * k + 0];
  }
  return 0;
}

void page_draw_lines(const ReportPage* page, GlyphRowSink sink, int target) {
  for (int i = 0; i < page->line_count; i++) {
    uint32_t c = page->colour[i];
    ReportRgb parts = report_rgb_parts(c);
    int text[3] = {parts.r, parts.g, parts.b};
    if (page->text[i][0] == 0) continue;
    if (glyph_image_make(PAGE_GLYPH_SLOT, page->text[i], 1, 0, -1) != 0) continue;
    // The whole image: the source rectangle is cut to the image's size.
    glyph_image_draw_to(sink, text, PAGE_BACKGROUND, target, PAGE_TEXT_X, page_line_y(i), PAGE_GLYPH_SLOT, 0, 0,
                        0x7FFF, 0x7FFF);
  }
}

int page_image_render(const ReportPage* page, uint8_t* rgb, int32_t width, int32_t height) {
  if (rgb == nullptr || width <= 0 || height <= 0) return -1;
  size_t bytes = 3 * (size_t)width * (size_t)height;
  for (size_t i = 0; i < bytes; i += 3) {
    rgb[i + 0] = (uint8_t)PAGE_BACKGROUND[0];
    rgb[i + 1] = (uint8_t)PAGE_BACKGROUND[1];
    rgb[i + 2] = (uint8_t)PAGE_BACKGROUND[2];
  }
  page_target = {rgb, width, height};
  page_draw_lines(page, page_image_row, 0);
  page_target = {nullptr, 0, 0};
  return 0;
}
