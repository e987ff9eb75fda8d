// summary.h: the run's summary text, in Shift-JIS and in UTF-16, for the verdict message box.
#pragma once

constexpr int SUMMARY_BYTES = 512;

void report_summary();
const char* summary_text();
const char16_t* summary_text_w();
