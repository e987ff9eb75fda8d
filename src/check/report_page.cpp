// report_page.cpp: the report page (see report_page.h).
//
// Record: report, the one page, written only by the procedures here.
// Limits: 512 lines, 127 text bytes a line. Surplus bytes and lines are dropped, never written past.
#include "check/report_page.h"

#include <cstring>

static ReportPage report;

const ReportPage* report_view() { return &report; }

void report_reset() {
  for (int i = 0; i < REPORT_LINES; i++) report.text[i][0] = 0;
  report.cursor = 0;
  report.current_colour = 0;
  report.line_count = 0;
  report.widest = 0;
  report.red = report.green = report.blue = 255;
}

void report_set_colour(uint8_t red, uint8_t green, uint8_t blue) {
  report.red = red;
  report.green = green;
  report.blue = blue;
}

void report_put(const char* piece) {
  if (report.line_count >= REPORT_LINES) return;
  char* line = report.text[report.line_count];
  size_t len = std::strlen(piece);
  size_t room = (size_t)(REPORT_LINE_BYTES - 1 - report.cursor);
  if (len > room) len = room;
  std::memcpy(line + report.cursor, piece, len);
  report.cursor += (int32_t)len;
  line[report.cursor] = 0;
  report.current_colour = report_rgb(report.red, report.green, report.blue);
}

void report_end_line() {
  if (report.line_count >= REPORT_LINES) return;
  if (report.widest < report.cursor) report.widest = report.cursor;
  report.colour[report.line_count] = report.current_colour;
  report.line_count++;
  report.cursor = 0;
}
