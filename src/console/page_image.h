// page_image.h: the report page as a picture, the one place for how a page looks: its size from the
// widest line and the line count, and its lines drawn with the glyph renderer on a black background,
// each non-empty line rendered into one glyph slot (anti-aliased, all codes) and blended in the line's
// colour over the background by glyph_image_draw_to, its image's top-left corner at x 2, y 17 i + 2.
// velmora.exe's display loop draws the lines into the console window; velmora-report renders whole
// pages into RGB buffers. Both therefore show the same pixels from the same font.
//
// Records (page_image.cpp): the target of the render under way (buffer and size), set and cleared by
// page_image_render. Portable.
#pragma once
#include <cstdint>

#include "console/glyph.h"

struct ReportPage;

constexpr int PAGE_CELL_WIDTH = 8;     // pixels a text byte takes: an ASCII advance of the 16-pixel font
constexpr int PAGE_EXTRA_WIDTH = 16;   // room beyond the widest line: the image margins and the left inset
constexpr int PAGE_LINE_PITCH = 17;    // pixels a report line takes
constexpr int PAGE_MIN_WIDTH = 512;    // a short report still opens a window of a usable size
constexpr int PAGE_MIN_HEIGHT = 96;
constexpr int PAGE_TEXT_X = 2;         // the left edge of every line's glyph image
constexpr int PAGE_TEXT_TOP = 2;       // the top of line 0's glyph image
constexpr int PAGE_GLYPH_SLOT = 6;     // the glyph image slot each line is rendered into
constexpr int PAGE_BACKGROUND[3] = {0, 0, 0};  // red, green, blue

// The page's size in pixels: 8 x widest + 16 wide (at least 512) and 17 x line count high (at least 96).
void page_image_size(const ReportPage* page, int32_t* width, int32_t* height);

// The top of line i's glyph image: 17 i + 2.
inline int page_line_y(int i) { return PAGE_LINE_PITCH * i + PAGE_TEXT_TOP; }

// Draws every line of the page as above through sink (target passed on), one blended row at a time; the
// rows may reach past the page's size, and the sink clips. A line whose image cannot be made (no face,
// no ink) is not drawn. The background is the caller's to fill. Slot 6 is left as the last line set it.
void page_draw_lines(const ReportPage* page, GlyphRowSink sink, int target);

// Renders the page into rgb: width x height pixels of red, green and blue, rows from the top, no padding
// (3 x width x height bytes), as the window shows it. The lines are rendered with the loaded font; a line
// whose image cannot be made (no face, no ink) is left as background, and every write is clipped to the
// buffer. 0; -1 when rgb is null or a side is not positive (nothing written).
int page_image_render(const ReportPage* page, uint8_t* rgb, int32_t width, int32_t height);
