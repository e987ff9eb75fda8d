// report_page.h: the report page, the one buffer of coloured Shift-JIS lines that a check fills and the
// window shows. One global record, written only through the procedures below (by the bone and morph
// listings), read through report_view() by the display loop, the glyph renderer and velmora-report.
//
// Limits: 512 lines of at most 127 text bytes and a terminator. Surplus is dropped: a piece that does
// not fit is cut at byte 127 (even inside a two-byte character), and lines beyond the 512th are not
// kept. Nothing is ever written past a line or the page.
#pragma once
#include <cstdint>

constexpr int REPORT_LINES = 512;      // lines on the page
constexpr int REPORT_LINE_BYTES = 128; // bytes per line: 127 text bytes and the terminator

// A colour is packed as blue * 65536 + green * 256 + red (0x00BBGGRR).
constexpr uint32_t report_rgb(uint8_t r, uint8_t g, uint8_t b) {
  return (uint32_t)b << 16 | (uint32_t)g << 8 | r;
}
// A packed colour's three components, red, green, blue.
struct ReportRgb {
  uint8_t r, g, b;
};
constexpr ReportRgb report_rgb_parts(uint32_t c) {
  return ReportRgb{(uint8_t)(c & 0xFF), (uint8_t)(c >> 8 & 0xFF), (uint8_t)(c >> 16 & 0xFF)};
}

struct ReportPage {
  char text[REPORT_LINES][REPORT_LINE_BYTES];  // each line's text, NUL-terminated
  uint32_t colour[REPORT_LINES];               // each closed line's colour, packed
  int32_t line_count;       // closed lines; also the index of the line being built
  int32_t widest;           // largest length of any closed line
  int32_t cursor;           // byte length of the line being built
  uint32_t current_colour;  // packed colour of the line being built
  uint8_t red, green, blue; // components chosen for the next piece
};

// The page, read-only.
const ReportPage* report_view();

// Empties the page: every line's first byte and length 0, counters 0, then the colour white.
void report_reset();
// Stores the three components for the next piece.
void report_set_colour(uint8_t red, uint8_t green, uint8_t blue);
// Appends a Shift-JIS piece to the line being built and recomputes current_colour. A piece that would
// run past byte 127 is cut there; on a full page the piece is dropped.
void report_put(const char* piece);
// Closes the line being built: widest and its colour (current_colour); opens the next. On a full page
// (512 lines closed) nothing happens.
void report_end_line();
