// report_tool.h: velmora-report's run: options, the per-file loop, and the page printed as text or
// JSON. The entry (report_main.cpp) calls it once with the process's argument vector.
#pragma once
#include <cstdio>
#include <string>

// Checks every file of the tool's own argument vector (argv[0] the program, then options and files as
// UTF-16 words, as many as the platform gives) and prints to out; complaints and the usage text on a
// usage error go to err. The argument lists of velmora.exe and their bounds are not involved. Returns
// the exit code: 0, 1 or 2.
int report_tool_run(FILE* out, FILE* err, int argc, const char16_t* const* argv);

// ---- Shared by the tool's outputs --------------------------------------------------------------------

constexpr int REPORT_TOOL_TEXT = 1024;  // a page line of 127 Shift-JIS bytes takes at most 381 UTF-8 bytes
// Shift-JIS text as UTF-8 (the program's converter; unmapped codes give nothing), into dst.
void report_tool_utf8(char* dst, int size, const char* sjis);
// UTF-8 text as a JSON string with its quotes: escapes, and U+FFFD for every byte that does not begin a
// valid UTF-8 sequence.
std::string report_tool_json(const char* s);
