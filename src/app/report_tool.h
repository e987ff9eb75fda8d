// report_tool.h: velmora-report's run: options, the per-file loop, and the page printed as text or
// JSON. The entry (report_main.cpp) calls it once with the process's command line in place.
#pragma once
#include <cstdio>

// Reads the command line (sys_command_line_w/_a), checks every file and prints to out; complaints and
// the usage text on a usage error go to err. Returns the exit code: 0, 1 or 2.
int report_tool_run(FILE* out, FILE* err);
