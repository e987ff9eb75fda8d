// testfiles.cpp: see testfiles.h.
#include "support/testfiles.h"

#include <dirent.h>

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/report_tool.h"
#include "sys/sys.h"

ToolArgs::ToolArgs(const std::vector<std::string>& words) {
  wide.push_back(u"velmora-report");
  for (const std::string& w : words) {
    std::u16string u(w.size() + 1, u'\0');
    sys_utf16_from_host(u.data(), (int)u.size(), w.c_str());
    wide.push_back(u);
  }
  for (const std::u16string& w : wide) argv.push_back(w.c_str());
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  if (mkdtemp(buf.data()) == nullptr) std::abort();
  path = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

void write_file(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string read_stream(FILE* f) {
  std::string out;
  std::rewind(f);
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

std::string read_file(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  return f == nullptr ? std::string() : read_stream(f);
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

static std::string convert(const char* to, const char* from, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == (iconv_t)-1) std::abort();
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == (size_t)-1) {
    ADD_FAILURE() << "iconv " << from << " to " << to << " failed: " << std::strerror(errno);
  }
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return out;
}

std::string to_sjis(const std::string& utf8) { return convert("CP932", "UTF-8", utf8); }
std::string from_sjis(const std::string& sjis) { return convert("UTF-8", "CP932", sjis); }

std::u16string to_u16(const std::string& utf8) {
  std::string bytes = convert("UTF-16LE", "UTF-8", utf8);
  std::u16string out(bytes.size() / 2, u'\0');
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

std::string from_u16(const std::u16string& u16) {
  std::string bytes(reinterpret_cast<const char*>(u16.data()), u16.size() * 2);
  return convert("UTF-8", "UTF-16LE", bytes);
}

int open_fds() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  if (d == nullptr) return -1;
  while (readdir(d) != nullptr) n++;
  closedir(d);
  return n;
}

ToolResult run_tool(const std::vector<std::string>& words) {
  ToolArgs args(words);
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  ToolResult r;
  r.code = report_tool_run(out, err, (int)args.argv.size(), args.argv.data());
  r.out = read_stream(out);
  r.err = read_stream(err);
  return r;
}
