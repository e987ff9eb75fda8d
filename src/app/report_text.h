// report_text.h: velmora-report's text conversions, shared by the page and the summary: Shift-JIS as
// UTF-8, and UTF-8 as a JSON string.
#pragma once
#include <string>

constexpr int REPORT_TOOL_TEXT = 1024;  // a page line of 127 Shift-JIS bytes takes at most 381 UTF-8 bytes
// Shift-JIS text as UTF-8 (the program's converter; unmapped codes give nothing), into dst.
void report_tool_utf8(char* dst, int size, const char* sjis);
// UTF-8 text as a JSON string with its quotes: escapes, and U+FFFD for every byte that does not begin a
// valid UTF-8 sequence.
std::string report_tool_json(const char* s);
