// report_main.cpp: velmora-report's entry point (a console program on both platforms).
#include "app/report_tool.h"
#include "sys/sys.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  SetConsoleOutputCP(CP_UTF8);  // the report is printed as UTF-8
  // Byte for byte what the native build prints: lines end in a line feed alone.
  _setmode(_fileno(stdout), _O_BINARY);
#else
  sys_set_command_line(argc, argv);
#endif
  return report_tool_run(stdout, stderr);
}
