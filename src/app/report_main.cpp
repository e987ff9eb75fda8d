// report_main.cpp: velmora-report's entry point (a console program on both platforms).
#include "app/report_tool.h"
#include "sys/sys.h"

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  SetConsoleOutputCP(CP_UTF8);  // the report is printed as UTF-8
#else
  sys_set_command_line(argc, argv);
#endif
  return report_tool_run(stdout, stderr);
}
