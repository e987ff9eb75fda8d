// report_tool.h: velmora-report's run: options, the per-file loop, and the page printed as text or
// JSON. The entry (report_main.cpp) calls it once with the process's argument vector.
#pragma once
#include <cstdio>

// Checks every file of the tool's own argument vector (argv[0] the program, then options and files as
// UTF-16 words, as many as the platform gives) and prints to out; complaints and the usage text on a
// usage error go to err. The argument lists of velmora.exe and their bounds are not involved. A drop
// (report_drop.h) prints the summary and may wait for a key at the end. Returns the exit code: 0, 1 or 2.
int report_tool_run(FILE* out, FILE* err, int argc, const char16_t* const* argv);
