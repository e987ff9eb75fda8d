// summary.cpp: the run's summary text (see summary.h).
//
// Record: the Shift-JIS and UTF-16 summary buffers, written by report_summary and read by the run flow
// for the verdict message box. The text is the same in every mode.
#include "check/summary.h"

#include <cstring>

#include "text/encoding.h"

static char summary[SUMMARY_BYTES];
static char16_t summary_w[SUMMARY_BYTES];

// "(OK): そのままで使用可能です. " in Shift-JIS.
static const char SUMMARY_OK[] =
    "(OK): \x82\xBB\x82\xCC\x82\xDC\x82\xDC\x82\xC5\x8E\x67\x97\x70\x89\xC2\x94\x5C\x82\xC5\x82\xB7. ";

void report_summary() {
  summary[0] = 0;
  summary_w[0] = 0;
  std::strncat(summary, SUMMARY_OK, SUMMARY_BYTES - 1);
  // The UTF-16 twin is for the box that shows Japanese on any system. The text is the program's own
  // Shift-JIS whatever the system's ANSI code page, so it is read with the program's own lead-byte rule
  // (through UTF-8); the system's test would split its characters on a system that is not Japanese.
  char utf8[SUMMARY_BYTES * 3];
  sjis_to_utf8_compat(utf8, (int)sizeof utf8, summary);
  utf8_to_utf16(summary_w, SUMMARY_BYTES, utf8);
}

const char* summary_text() { return summary; }
const char16_t* summary_text_w() { return summary_w; }
