// report_main.cpp: velmora-report's entry point (a console program on both platforms). Hands the
// process's own argument vector, as UTF-16 words, to the tool: natively the host's UTF-8 words spelled
// as Windows would, on Windows the wide command line split as every console program splits it.
#include "app/report_tool.h"
#include "sys/sys.h"

#include <cstdio>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  (void)argc;
  (void)argv;
  SetConsoleOutputCP(CP_UTF8);  // the report is printed as UTF-8
  // Byte for byte what the native build prints: lines end in a line feed alone.
  _setmode(_fileno(stdout), _O_BINARY);
  // Written in large pieces: a console stream has no buffer of its own, so the runtime would write
  // byte by byte, and a console that decodes each write by itself (Wine's does) would show every
  // Japanese character split that way as replacement characters.
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    std::fputs("velmora-report: cannot read the command line\n", stderr);
    return 2;
  }
  std::vector<const char16_t*> words;
  for (int i = 0; i < count; i++) words.push_back(reinterpret_cast<const char16_t*>(wide[i]));
  int code = report_tool_run(stdout, stderr, count, words.data());
  LocalFree(wide);
  return code;
#else
  // A word of n bytes takes at most n units and its terminator.
  std::vector<std::vector<char16_t>> store((size_t)argc);
  std::vector<const char16_t*> words;
  for (int i = 0; i < argc; i++) {
    size_t units = std::strlen(argv[i]) + 1;
    store[(size_t)i].resize(units);
    sys_utf16_from_host(store[(size_t)i].data(), (int)units, argv[i]);
    words.push_back(store[(size_t)i].data());
  }
  return report_tool_run(stdout, stderr, argc, words.data());
#endif
}
