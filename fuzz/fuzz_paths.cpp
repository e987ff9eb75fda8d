// fuzz_paths.cpp: libFuzzer target: the path and file-name operations in ANSI and UTF-16 form, the
// case-blind prefix test, the list fields and the on-disk name by directory search.
//
// Input: byte 0 picks the destination capacity (bit 7 set: room for any output; else 0 to 63 bytes or
// units), byte 1 the list field number (-2 to 29) and in bit 7 a Western code page (no lead bytes), then
// an ANSI path up to the first 0 byte, a prefix up to the next 0 byte, and a UTF-16 path (two bytes a
// unit). Every output must end inside its exact-size destination and be a piece of its source: with room
// for any output, directory and name put together give the path back (when it has no slash), the
// extension ends the path, and the fields joined by ";" give the list back. A shorter destination holds a
// prefix of the full output. The directory search runs inside the scratch directory only.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_common.h"
#include "paths/paths.h"
#include "sys/sys.h"

namespace {

// Runs op into a block of cap bytes and into a roomy block; returns the roomy output.
template <typename Op>
std::string run8(int cap, size_t roomy, Op op, const char* what) {
  FuzzBlock big(roomy);
  op(big.c(), (int)roomy);
  size_t blen = strnlen(big.c(), roomy);
  FUZZ_CHECK(blen < roomy, "%s: no terminator", what);
  std::string full(big.c(), blen);
  FuzzBlock small((size_t)cap);
  op(small.c(), cap);
  if (cap > 0) {
    size_t len = strnlen(small.c(), (size_t)cap);
    FUZZ_CHECK(len < (size_t)cap, "%s: no terminator in %d bytes", what, cap);
    FUZZ_CHECK(full.compare(0, len, small.c(), len) == 0, "%s: a short output is no prefix", what);
  }
  return full;
}

template <typename Op>
std::u16string run16(int cap, size_t roomy, Op op, const char* what) {
  FuzzBlock big(roomy * 2);
  op(big.u(), (int)roomy);
  std::u16string full(big.u());
  FUZZ_CHECK(full.size() < roomy, "%s: no terminator", what);
  FuzzBlock small((size_t)cap * 2);
  op(small.u(), cap);
  if (cap > 0) {
    std::u16string got;
    for (int i = 0; i < cap && small.u()[i] != 0; i++) got += small.u()[i];
    FUZZ_CHECK((int)got.size() < cap, "%s: no terminator in %d units", what, cap);
    FUZZ_CHECK(full.compare(0, got.size(), got) == 0, "%s: a short output is no prefix", what);
  }
  return full;
}

std::string sanitize(const std::string& s) {
  std::string out = s.substr(0, 200);
  for (char& c : out) {
    if (c == '/' || c == '\\') c = '_';
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_write("a.vmd", "x", 1);
  fuzz_write("b.PMX", "x", 1);
  mkdir((fuzz_scratch_dir() + "/sub.vmd").c_str(), 0700);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool roomy_only = (data[0] & 0x80) != 0;
  const int n = (int)(data[1] & 0x1F) - 2;
  sys_set_locale_for_test(data[1] & 0x80 ? 0x0409 : 0x0411, data[1] & 0x80 ? 1252 : 932);
  const char* p = reinterpret_cast<const char*>(data) + 2;
  const char* end = reinterpret_cast<const char*>(data) + size;
  auto take = [&](std::string& out) {
    const char* nul = static_cast<const char*>(std::memchr(p, 0, (size_t)(end - p)));
    out.assign(p, nul != nullptr ? nul : end);
    p = nul != nullptr ? nul + 1 : end;
  };
  std::string path, prefix;
  take(path);
  take(prefix);
  std::u16string wpath;
  for (; end - p >= 2; p += 2) {
    char16_t c = (char16_t)((unsigned char)p[0] | (unsigned char)p[1] << 8);
    if (c == 0) break;
    wpath += c;
  }
  const size_t roomy = path.size() + 2, wroomy = wpath.size() + 2;
  const int cap = roomy_only ? (int)roomy : (data[0] & 0x3F);

  FuzzBlock s(path.size() + 1);
  fuzz_cstr(s, reinterpret_cast<const uint8_t*>(path.data()), path.size());
  FuzzBlock w((wpath.size() + 1) * 2);
  std::memcpy(w.p, wpath.c_str(), (wpath.size() + 1) * 2);

  // ANSI.
  std::string dir = run8(cap, roomy, [&](char* d, int c) { path_dir(d, c, s.c()); }, "path_dir");
  std::string name = run8(cap, roomy, [&](char* d, int c) { path_name(d, c, s.c()); }, "path_name");
  std::string ext = run8(cap, roomy, [&](char* d, int c) { path_ext(d, c, s.c()); }, "path_ext");
  {
    FuzzBlock b(roomy);
    int dot = path_ext(b.c(), (int)roomy, s.c());
    FUZZ_CHECK(dot == (ext.empty() ? 0 : -1) && (ext.empty() || ext[0] == '.'), "path_ext result %d", dot);
  }
  if (path.find('/') == std::string::npos) FUZZ_CHECK(dir + name == path, "directory and name do not give the path");
  FUZZ_CHECK(path.size() >= ext.size() && path.compare(path.size() - ext.size(), ext.size(), ext) == 0,
             "the extension does not end the path");
  {
    FuzzBlock inplace(path.size() + 1);
    fuzz_cstr(inplace, reinterpret_cast<const uint8_t*>(path.data()), path.size());
    path_strip_sep(inplace.c());
    std::string stripped = inplace.c();
    FUZZ_CHECK(stripped.size() <= 259 && path.compare(0, stripped.size(), stripped) == 0, "path_strip_sep");
  }
  FUZZ_CHECK(prefix_nocase(s.c(), s.c()) == 0 && prefix_nocase(s.c(), "") == 0, "a path is its own prefix");
  {
    FuzzBlock pre(prefix.size() + 1);
    fuzz_cstr(pre, reinterpret_cast<const uint8_t*>(prefix.data()), prefix.size());
    int r = prefix_nocase(s.c(), pre.c());
    FUZZ_CHECK(r == 0 || r == -1, "prefix_nocase %d", r);
  }
  {
    std::string field = run8(cap, roomy, [&](char* d, int c) { list_field(d, c, s.c(), n); }, "list_field");
    FuzzBlock b(roomy);
    int r = list_field(b.c(), (int)roomy, s.c(), n);
    FUZZ_CHECK(r == 0 || (r == -1 && field.empty()), "list_field %d", r);
    // The fields joined give the list back.
    std::string joined;
    int k = 0;
    for (; k < 64; k++) {
      FuzzBlock f(roomy);
      if (list_field(f.c(), (int)roomy, s.c(), k) != 0) break;
      joined += (k > 0 ? ";" : "") + std::string(f.c());
    }
    if (k < 64) FUZZ_CHECK(joined == path, "the fields do not give the list back");
  }
  {
    // The on-disk name, in the scratch directory only.
    std::string pattern = fuzz_scratch_dir() + "/" + sanitize(path);
    FuzzBlock pat(pattern.size() + 1);
    fuzz_cstr(pat, reinterpret_cast<const uint8_t*>(pattern.data()), pattern.size());
    FuzzBlock d((size_t)cap);
    int r = find_file_name(d.c(), cap, pat.c());
    FUZZ_CHECK(r == 0 || r == -1 || r == -2, "find_file_name %d", r);
    if (cap > 0) FUZZ_CHECK(strnlen(d.c(), (size_t)cap) < (size_t)cap, "find_file_name: no terminator");
    if (r != 0 && cap > 0) FUZZ_CHECK(d.c()[0] == 0, "find_file_name failed but wrote a name");
    std::u16string wpattern(pattern.begin(), pattern.end());
    FuzzBlock dw((size_t)cap * 2);
    int rw = find_file_name_w(dw.u(), cap, wpattern.c_str());
    FUZZ_CHECK(rw == 0 || rw == -1 || rw == -2, "find_file_name_w %d", rw);
  }

  // UTF-16.
  std::u16string wdir = run16(cap, wroomy, [&](char16_t* d, int c) { path_dir_w(d, c, w.u()); }, "path_dir_w");
  std::u16string wname = run16(cap, wroomy, [&](char16_t* d, int c) { path_name_w(d, c, w.u()); }, "path_name_w");
  std::u16string wext = run16(cap, wroomy, [&](char16_t* d, int c) { path_ext_w(d, c, w.u()); }, "path_ext_w");
  if (wpath.find(u'/') == std::u16string::npos) FUZZ_CHECK(wdir + wname == wpath, "UTF-16 directory and name");
  FUZZ_CHECK(wpath.size() >= wext.size() && wpath.compare(wpath.size() - wext.size(), wext.size(), wext) == 0,
             "the UTF-16 extension does not end the path");
  {
    FuzzBlock inplace((wpath.size() + 1) * 2);
    std::memcpy(inplace.p, wpath.c_str(), (wpath.size() + 1) * 2);
    path_strip_sep_w(inplace.u());
    std::u16string stripped(inplace.u());
    FUZZ_CHECK(stripped.size() <= 259 && wpath.compare(0, stripped.size(), stripped) == 0, "path_strip_sep_w");
  }
  FUZZ_CHECK(prefix_nocase_w(w.u(), w.u()) == 0, "a UTF-16 path is its own prefix");
  return 0;
}
