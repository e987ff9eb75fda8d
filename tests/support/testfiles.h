// testfiles.h: small helpers shared by the native unit tests: a scratch directory, whole-file reads
// and writes, and independent text conversions (glibc's iconv) for building expectations.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// velmora-report's argument vector for words: "velmora-report", then each word in UTF-16 as the native
// entry spells it. argv points into wide; the record is not to be copied.
struct ToolArgs {
  std::vector<std::u16string> wide;
  std::vector<const char16_t*> argv;
  explicit ToolArgs(const std::vector<std::string>& words);
  ToolArgs(const ToolArgs&) = delete;
  ToolArgs& operator=(const ToolArgs&) = delete;
};

// A fresh directory under the system's temporary directory, removed with everything in it at the end.
struct TempDir {
  std::string path;  // without a trailing slash
  TempDir();
  ~TempDir();
  std::string file(const std::string& name) const { return path + "/" + name; }
};

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
// Everything a stream holds, from its start; the stream is closed.
std::string read_stream(FILE* f);
// velmora-report run in-process on the words, its output and complaints read back.
struct ToolResult {
  int code;
  std::string out, err;
};
ToolResult run_tool(const std::vector<std::string>& words);
bool file_exists(const std::string& path);
// The process's open file descriptors (/proc/self/fd), to see that a reader closed what it opened.
int open_fds();

// Conversions through iconv, independent of the program's own converters. Abort the test on failure.
std::string to_sjis(const std::string& utf8);        // UTF-8 to CP932 (Windows Shift-JIS)
std::string from_sjis(const std::string& sjis);      // CP932 to UTF-8
std::u16string to_u16(const std::string& utf8);      // UTF-8 to UTF-16
std::string from_u16(const std::u16string& u16);     // UTF-16 to UTF-8
