// report_text.h: velmora-report's text conversions, shared by the page and the summary: Shift-JIS as
// UTF-8, a path as UTF-8 as the user reads it, and UTF-8 as a JSON string.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

constexpr int REPORT_TEXT_BYTES = 1024;  // a page line of 127 Shift-JIS bytes takes at most 381 UTF-8 bytes
// Shift-JIS text as UTF-8 (the program's converter; unmapped codes give nothing), into dst.
void report_text_utf8(char* dst, int size, const char* sjis);
constexpr int REPORT_TEXT_PATH = 4096;  // units of a path shown; no file name is that long
// A path (or another word of the command line) as UTF-8 as the user reads it (sys_shown_name_w: natively
// a Shift-JIS host name decoded), never malformed; at most REPORT_TEXT_PATH units of it, into dst.
void report_text_path_utf8(char* dst, int size, const char16_t* path);
// The same as a string, for a message.
std::string report_text_path(const char16_t* path);
// Text in a 24-bit terminal colour (red, green and blue packed as the page packs them: blue * 65536 +
// green * 256 + red), with the escape that ends the colour after it.
void report_text_put_coloured(FILE* out, uint32_t colour, const char* text);
// Printf-formatted ASCII text as UTF-16 into dst (units units with the terminator; cut to fit). Returns
// its length.
int report_text_ascii_w(char16_t* dst, int units, const char* fmt, int value);
// UTF-8 text (up to its 0) as a JSON string with its quotes, appended to out: '"' and '\\' escaped, a
// control character as \n, \r, \t or \u00XX, and U+FFFD for every byte that does not begin a valid
// UTF-8 sequence. script: the string goes into a page's <script> element, and '<', '>' and '&' are
// written as \u003c, \u003e and \u0026 too, so that nothing in it can end the element or begin markup
// (the same values to a JSON reader).
void report_text_json_put(std::string& out, const char* s, bool script);
// The same as --json prints it, as a string.
std::string report_text_json(const char* s);
// The same for a string, or null for "".
std::string report_text_json_or_null(const std::string& s);
// Shift-JIS text as UTF-8, as a string.
std::string report_text_utf8_of(const std::string& sjis);
