// fuzz_common.h: what the libFuzzer targets share: a private scratch directory for the files the
// readers open, input files written into it, exact-size heap copies (so that one byte read or written
// past an end is an AddressSanitizer report), a check that aborts with a message, and a few fixed inputs
// (a small model, a small motion, an alias file) that the targets read beside the fuzzed one.
//
// The scratch directory is /dev/shm/velmora-fuzz-PID (or under TMPDIR when /dev/shm is missing). A run
// that crashes cannot remove it, so every start removes the directories of processes that are gone.
#pragma once
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/vmdwriter.h"

// Aborts with a message when cond is false: libFuzzer records the input as a crash.
#define FUZZ_CHECK(cond, ...)                                                          \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "FUZZ_CHECK failed at %s:%d: %s: ", __FILE__, __LINE__, #cond); \
      std::fprintf(stderr, __VA_ARGS__);                                               \
      std::fputc('\n', stderr);                                                        \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

// ---- Scratch directory -------------------------------------------------------------------------------

struct FuzzScratch {
  std::string dir;  // without a trailing slash
};

inline FuzzScratch& fuzz_scratch() {
  static FuzzScratch s;
  return s;
}

inline void fuzz_remove_tree(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (d != nullptr) {
    while (struct dirent* e = readdir(d)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      std::string p = dir + "/" + e->d_name;
      struct stat st;
      if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) fuzz_remove_tree(p);
      else unlink(p.c_str());
    }
    closedir(d);
  }
  rmdir(dir.c_str());
}

inline void fuzz_scratch_remove() {
  if (!fuzz_scratch().dir.empty()) fuzz_remove_tree(fuzz_scratch().dir);
}

// Makes the scratch directory once; removes those left behind by processes that no longer run.
inline const std::string& fuzz_scratch_dir() {
  FuzzScratch& s = fuzz_scratch();
  if (!s.dir.empty()) return s.dir;
  struct stat st;
  std::string base = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "";
  if (base.empty()) {
    const char* t = std::getenv("TMPDIR");
    base = t != nullptr && t[0] != 0 ? t : "/tmp";
  }
  const std::string prefix = "velmora-fuzz-";
  if (DIR* d = opendir(base.c_str())) {
    while (struct dirent* e = readdir(d)) {
      if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
      long pid = std::strtol(e->d_name + prefix.size(), nullptr, 10);
      if (pid > 0 && kill((pid_t)pid, 0) != 0 && errno == ESRCH) fuzz_remove_tree(base + "/" + e->d_name);
    }
    closedir(d);
  }
  s.dir = base + "/" + prefix + std::to_string((long)getpid());
  fuzz_remove_tree(s.dir);
  if (mkdir(s.dir.c_str(), 0700) != 0) {
    std::perror("velmora fuzz: cannot make the scratch directory");
    std::abort();
  }
  std::atexit(fuzz_scratch_remove);
  return s.dir;
}

// A file in the scratch directory, by both spellings the readers take.
struct FuzzPath {
  std::string a;      // ANSI path (ASCII here)
  std::u16string w;   // the same as UTF-16
};

inline FuzzPath fuzz_path(const std::string& name) {
  FuzzPath p;
  p.a = fuzz_scratch_dir() + "/" + name;
  p.w.assign(p.a.begin(), p.a.end());
  return p;
}

// Writes bytes into the scratch file name; returns its paths.
inline FuzzPath fuzz_write(const std::string& name, const void* data, size_t size) {
  FuzzPath p = fuzz_path(name);
  FILE* f = std::fopen(p.a.c_str(), "wb");
  if (f == nullptr) {
    std::perror("velmora fuzz: cannot write a scratch file");
    std::abort();
  }
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return p;
}

inline std::string fuzz_read(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return out;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

// Names in the scratch directory (sorted), to see that a reader created nothing.
inline std::vector<std::string> fuzz_scratch_listing() {
  std::vector<std::string> names;
  if (DIR* d = opendir(fuzz_scratch_dir().c_str())) {
    while (struct dirent* e = readdir(d)) {
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    }
    closedir(d);
  }
  for (size_t i = 1; i < names.size(); i++) {
    for (size_t k = i; k > 0 && names[k] < names[k - 1]; k--) names[k].swap(names[k - 1]);
  }
  return names;
}

// ---- Exact-size copies ---------------------------------------------------------------------------------

// A heap block of exactly n bytes (n may be 0): reading or writing one byte beyond it is reported.
struct FuzzBlock {
  unsigned char* p = nullptr;
  size_t n = 0;
  explicit FuzzBlock(size_t size) : p(static_cast<unsigned char*>(std::malloc(size))), n(size) {
    if (p == nullptr && size > 0) std::abort();
  }
  ~FuzzBlock() { std::free(p); }
  FuzzBlock(const FuzzBlock&) = delete;
  FuzzBlock& operator=(const FuzzBlock&) = delete;
  char* c() { return reinterpret_cast<char*>(p); }
  char16_t* u() { return reinterpret_cast<char16_t*>(p); }
};

// A 0-terminated copy of bytes (0 bytes inside end it early, as in any C string).
inline void fuzz_cstr(FuzzBlock& b, const uint8_t* data, size_t size) {
  if (size > 0) std::memcpy(b.p, data, size);
  b.p[size] = 0;
}

// ---- Fixed inputs ------------------------------------------------------------------------------------------

// Shift-JIS spellings used by the fixed inputs.
#define FUZZ_SJIS_CENTER "\x83\x5A\x83\x93\x83\x5E\x81\x5B"     // センター
#define FUZZ_SJIS_LEFT_ARM "\x8D\xB6\x98\x72"                   // 左腕
#define FUZZ_SJIS_LEFT_TWIST "\x8D\xB6\x98\x72\x9D\x80"         // 左腕捩
#define FUZZ_SJIS_UPPER2 "\x8F\xE3\x94\xBC\x90\x67\x82\x51"      // 上半身２
#define FUZZ_SJIS_HAIR1 "\x94\xAF\x82\x50"                      // 髪１ (matches 髪*)
#define FUZZ_SJIS_SKIRT "\x83\x58\x83\x4A\x81\x5B\x83\x67"      // スカート
#define FUZZ_SJIS_A "\x82\xA0"                                  // あ
#define FUZZ_SJIS_BLINK "\x82\xDC\x82\xCE\x82\xBD\x82\xAB"      // まばたき

// A motion with standard, twist, pattern-matched and unknown bones, known and unknown morphs, and
// every later block.
inline std::string fuzz_fixed_vmd() {
  VmdWriter w;
  w.header("fixed model " FUZZ_SJIS_CENTER);
  const char* bones[] = {FUZZ_SJIS_CENTER, FUZZ_SJIS_LEFT_ARM, FUZZ_SJIS_LEFT_TWIST, FUZZ_SJIS_UPPER2,
                         FUZZ_SJIS_HAIR1, FUZZ_SJIS_SKIRT, "unknown_bone", "\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D"};
  w.i32(2 * 8);
  for (int f = 0; f < 2; f++) {
    for (int i = 0; i < 8; i++) w.bone(bones[i], f * 10 + i, 0.5f * i, 0.0f, 0.25f, 0.1f * f, 0.2f, 0.0f, 0.97f);
  }
  w.i32(3);
  w.morph(FUZZ_SJIS_A, 0, 0.5f);
  w.morph(FUZZ_SJIS_BLINK, 3, 1.0f);
  w.morph("unknown_morph", 5, -0.25f);
  w.i32(1), w.camera(0);
  w.i32(1), w.light(0);
  w.i32(1), w.shadow(0);
  w.i32(1), w.show_ik(0, 2);
  return w.bytes;
}

// A PMX 2.0 model in UTF-8 with no geometry, a few bones and morphs, and nothing after them.
inline std::string fuzz_fixed_pmx() {
  VmdWriter w;  // the same little-endian field writer serves
  auto text = [&w](const std::string& s) {
    w.i32((int32_t)s.size());
    w.raw(s);
  };
  w.raw("PMX ");
  w.f32(2.0f);
  w.u8(8);
  const int globals[8] = {1, 0, 2, 1, 1, 2, 2, 1};  // UTF-8, no extra UV, index sizes
  for (int g : globals) w.u8(g);
  text("\xE5\x9B\xBA\xE5\xAE\x9A");  // 固定
  text("fixed");
  text("");
  text("");
  for (int i = 0; i < 4; i++) w.i32(0);  // vertices, faces, textures, materials
  const char* bones[] = {"\xE3\x82\xBB\xE3\x83\xB3\xE3\x82\xBF\xE3\x83\xBC", "\xE5\xB7\xA6\xE8\x85\x95",
                         "unknown_bone"};  // センター 左腕
  w.i32(3);
  for (const char* b : bones) {
    text(b);
    text("en");
    for (int k = 0; k < 3; k++) w.f32(0.0f);
    w.u8(0xFF), w.u8(0xFF);  // parent -1
    w.i32(0);
    w.u8(0), w.u8(0);        // flags
    for (int k = 0; k < 3; k++) w.f32(0.0f);
  }
  w.i32(1);
  text("\xE3\x81\x82");  // あ
  text("a");
  w.u8(1), w.u8(1);  // panel, vertex kind
  w.i32(0);
  w.i32(0), w.i32(0), w.i32(0);  // frames, bodies, joints
  return w.bytes;
}

// An alias file in Shift-JIS with every mode.
inline std::string fuzz_fixed_alias() {
  return "// fixed aliases\r\n"
         "-Bone\r\n"
         "\"" FUZZ_SJIS_CENTER "\"F center\r\n"
         "\x8D\xB6 Left\r\n"
         "\"" FUZZ_SJIS_LEFT_TWIST "\"L LeftTwist\r\n"
         "\x94\xAF* Hair\r\n"
         "-Morph\r\n"
         FUZZ_SJIS_A " a\r\n"
         "\"unknown?\" U\r\n";
}

// ---- Report page ---------------------------------------------------------------------------------------------

#include "check/report_page.h"

// The page's own bounds: at most 512 closed lines, each of at most 127 bytes, widest the largest of
// them.
inline void fuzz_check_page() {
  const ReportPage* p = report_view();
  FUZZ_CHECK(p->line_count >= 0 && p->line_count <= REPORT_LINES, "line_count %d", (int)p->line_count);
  FUZZ_CHECK(p->cursor >= 0 && p->cursor <= REPORT_LINE_BYTES - 1, "cursor %d", (int)p->cursor);
  int widest = 0;
  for (int i = 0; i < p->line_count; i++) {
    size_t len = strnlen(p->text[i], REPORT_LINE_BYTES);
    FUZZ_CHECK(len < (size_t)REPORT_LINE_BYTES, "line %d has no terminator", i);
    if ((int)len > widest) widest = (int)len;
  }
  FUZZ_CHECK(widest == p->widest, "widest %d, longest line %d", (int)p->widest, widest);
  if (p->line_count < REPORT_LINES) {
    FUZZ_CHECK((int)strnlen(p->text[p->line_count], REPORT_LINE_BYTES) == p->cursor, "open line and cursor differ");
  }
}

// The page's lines (text only) as one string, to compare two runs.
inline std::string fuzz_page_text() {
  const ReportPage* p = report_view();
  std::string all;
  for (int i = 0; i < p->line_count; i++) {
    all += p->text[i];
    all += '\n';
  }
  return all;
}
