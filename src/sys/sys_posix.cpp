// sys_posix.cpp: the platform seam on Linux, behaving like a Japanese Windows (see sys.h).
//
// Records: the language answers (a Japanese system unless a test overrides them), the command line
// built from the words given to sys_set_command_line, and the one directory search.
// Limits: paths convert through 1,040-byte buffers (260 UTF-16 units, 4 bytes each at most); a longer
// path fails to open, as it would under MAX_PATH.
#include "sys/sys.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "sys/sys_posix_names.h"
#include "text/encoding.h"

static unsigned sys_lang = 0x0411;
static unsigned sys_acp = 932;

bool sys_is_dbcs_lead(unsigned char b) {
  return sys_acp == 932 && sjis_cp932_lead(b);
}

unsigned sys_user_lang() { return sys_lang; }
unsigned sys_console_output_cp() { return sys_acp; }
unsigned sys_oem_cp() { return sys_acp; }
unsigned sys_ansi_cp() { return sys_acp; }

void sys_set_locale_for_test(unsigned lang, unsigned ansi_cp) {
  sys_lang = lang;
  sys_acp = ansi_cp;
}

int sys_ansi_from_utf16(char* dst, int size, const char16_t* src) {
  if (size > 0 && src[utf16_to_sjis(dst, size, src)] != 0) dst[0] = 0;
  return utf16_fits_sjis(src) != 0 ? 1 : 0;
}

void sys_sleep(unsigned ms) {
  struct timespec ts;
  ts.tv_sec = ms / 1000;
  ts.tv_nsec = (long)(ms % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int sys_current_dir(char* dst, int size) {
  char16_t wide[260];
  if (size <= 0) return 0;
  dst[0] = 0;
  if (sys_current_dir_w(wide, 260) == 0) return 0;
  utf16_to_sjis(dst, size, wide);
  return (int)std::strlen(dst);
}

int sys_current_dir_w(char16_t* dst, int size) {
  char host[SYS_HOST_PATH];
  if (size <= 0) return 0;
  dst[0] = 0;
  if (getcwd(host, sizeof host) == nullptr) return 0;
  int units = 0;
  sys_utf16_from_host(dst, size, host);
  while (dst[units] != 0) units++;
  // Windows spells directories with backslashes; the program searches for them.
  for (int i = 0; i < units; i++) {
    if (dst[i] == u'/') dst[i] = u'\\';
  }
  return units;
}

int sys_program_path_w(char16_t* dst, int size) {
  char host[SYS_HOST_PATH];
  if (size <= 0) return 0;
  dst[0] = 0;
  ssize_t n = readlink("/proc/self/exe", host, sizeof host - 1);
  if (n <= 0) return 0;
  host[n] = 0;
  sys_utf16_from_host(dst, size, host);
  int units = 0;
  while (dst[units] != 0) {
    if (dst[units] == u'/') dst[units] = u'\\';
    units++;
  }
  return units;
}

bool sys_is_terminal(FILE* f) { return isatty(fileno(f)) != 0; }

// ---- The console -----------------------------------------------------------------------------------------

// No system here makes a console for one program; only the tests' variable says so.
bool sys_console_own() {
  const char* forced = std::getenv("VELMORA_CONSOLE");
  return forced != nullptr && std::strcmp(forced, "own") == 0;
}

bool sys_stdin_console() { return isatty(0) != 0; }

int sys_wait_key() {
  struct termios saved;
  bool terminal = tcgetattr(0, &saved) == 0;
  if (terminal) {
    struct termios raw = saved;
    raw.c_lflag &= ~(tcflag_t)(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(0, TCSANOW, &raw);
  }
  unsigned char key;
  ssize_t got;
  while ((got = read(0, &key, 1)) < 0 && errno == EINTR) {
  }
  if (terminal) tcsetattr(0, TCSANOW, &saved);
  return got == 1 ? key : -1;
}

int sys_temp_dir_w(char16_t* dst, int units) {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
  if (dir.back() != '/') dir += '/';
  if (units <= 0 || dir.size() >= (size_t)units) {
    if (units > 0) dst[0] = 0;
    return 0;
  }
  sys_units_from_host(dst, units, dir.c_str(), false);
  int n = 0;
  while (dst[n] != 0) n++;
  return n;
}

int sys_open_document_w(const char16_t* path) {
  const char* log = std::getenv("VELMORA_OPEN_LOG");
  if (log == nullptr || log[0] == 0) return -1;
  char host[SYS_HOST_PATH];
  if (sys_host_bytes_w(host, (int)sizeof host, path) != 0) return -1;
  FILE* f = std::fopen(log, "ab");
  if (f == nullptr) return -1;
  bool ok = std::fprintf(f, "%s\n", host) > 0;
  return std::fclose(f) == 0 && ok ? 0 : -1;
}

// ---- Command line ---------------------------------------------------------------------------------------

constexpr int SYS_LINE_UNITS = 131072;  // room for a line longer than the lists take (65,533 units)
static char16_t sys_line_w[SYS_LINE_UNITS];
static char sys_line_a[SYS_LINE_UNITS * 2];

const char16_t* sys_command_line_w() { return sys_line_w; }
const char* sys_command_line_a() { return sys_line_a; }

void sys_set_command_line(int argc, const char* const* argv) {
  static char16_t word[SYS_LINE_UNITS];
  int pos = 0;
  sys_line_w[0] = 0;
  for (int i = 0; i < argc; i++) {
    sys_utf16_from_host(word, SYS_LINE_UNITS, argv[i]);
    int len = 0;
    while (word[len] != 0) len++;
    bool quote = argv[i][0] == 0 || std::strpbrk(argv[i], " \t") != nullptr;
    if (pos + len + 4 >= SYS_LINE_UNITS) break;
    if (i > 0) sys_line_w[pos++] = u' ';
    if (quote) sys_line_w[pos++] = u'"';
    for (int k = 0; k < len; k++) sys_line_w[pos++] = word[k];
    if (quote) sys_line_w[pos++] = u'"';
    sys_line_w[pos] = 0;
  }
// The ANSI line is the wide line spelled in code page 932, "?" for what it cannot spell.
  char* out = sys_line_a;
  int room = (int)sizeof sys_line_a;
  const char16_t* in = sys_line_w;
  *out = 0;
  while (*in != 0 && room > 1) {
    int taken = utf16_to_sjis(out, room, in);
    if (taken <= 0) break;
    int len = (int)std::strlen(out);
    out += len;
    room -= len;
    in += taken;
  }
}

// ---- Files by handle ------------------------------------------------------------------------------------

intptr_t sys_open_read_w(const char16_t* path) {
  char host[SYS_HOST_PATH];
  if (!sys_host_name_w(host, path)) return SYS_NO_FILE;
  int fd = open(host, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return SYS_NO_FILE;
  struct stat st;
  // A directory opens on POSIX but not through CreateFileW without backup semantics.
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return SYS_NO_FILE;
  }
  return fd;
}

int sys_read(intptr_t h, void* buf, int count) {
  if (h < 0 || count < 0) return -1;
  for (;;) {
    ssize_t n = read((int)h, buf, (size_t)count);
    if (n >= 0) return (int)n;
    if (errno != EINTR) return -1;
  }
}

int64_t sys_seek(intptr_t h, int64_t offset, int origin) {
  if (h < 0) return -1;
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
  if (whence < 0) return -1;
  off_t r = lseek((int)h, (off_t)offset, whence);
  return r < 0 ? -1 : (int64_t)r;
}

void sys_close(intptr_t h) {
  if (h >= 0) close((int)h);
}

// ---- Streams --------------------------------------------------------------------------------------------

static FILE* sys_fopen_host(const char* host, const char* mode) {
  FILE* f = std::fopen(host, mode);
  if (f == nullptr) return nullptr;
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

FILE* sys_fopen(const char* path, const char* mode) {
  char host[SYS_HOST_PATH];
  if (std::strpbrk(path, "?*") != nullptr || !sys_host_name(host, path)) return nullptr;
  return sys_fopen_host(host, mode);
}

FILE* sys_fopen_w(const char16_t* path, const char* mode) {
  char host[SYS_HOST_PATH];
  if (!sys_host_name_w(host, path)) return nullptr;
  return sys_fopen_host(host, mode);
}

// ---- Folders -------------------------------------------------------------------------------------------

int sys_folder_id_w(const char16_t* path, uint64_t id[2]) {
  char host[SYS_HOST_PATH];
  struct stat st;
  if (!sys_host_name_w(host, path) || stat(host, &st) != 0 || !S_ISDIR(st.st_mode)) return -1;
  id[0] = (uint64_t)st.st_dev;
  id[1] = (uint64_t)st.st_ino;
  return 0;
}

int sys_list_folder_w(const char16_t* path, void (*entry)(const char16_t* name, int kind, void* arg), void* arg) {
  char host[SYS_HOST_PATH];
  if (!sys_host_name_w(host, path)) return -1;
  DIR* dir = opendir(host);
  if (dir == nullptr) return -1;
  int dir_fd = dirfd(dir);
  for (struct dirent* d = readdir(dir); d != nullptr; d = readdir(dir)) {
    if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
    char16_t wide[260];  // a host name has at most 255 bytes, so at most 255 units
    sys_units_from_host(wide, 260, d->d_name, true);
    struct stat st;
    int kind = SYS_ENTRY_FILE;
    if (fstatat(dir_fd, d->d_name, &st, 0) == 0 && !S_ISREG(st.st_mode)) {
      kind = S_ISDIR(st.st_mode) ? SYS_ENTRY_FOLDER : SYS_ENTRY_SPECIAL;
    }
    entry(wide, kind, arg);
  }
  closedir(dir);
  return 0;
}

// ---- Files created for writing --------------------------------------------------------------------------

FILE* sys_fcreate_new_w(const char16_t* path) {
  char host[SYS_HOST_PATH];
  if (!sys_host_name_w(host, path)) return nullptr;
  int fd = open(host, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  FILE* f = fdopen(fd, "wb");
  if (f == nullptr) close(fd);
  return f;
}

int sys_fclose_synced(FILE* f) {
  bool ok = std::fflush(f) == 0 && fsync(fileno(f)) == 0;
  if (std::fclose(f) != 0) ok = false;
  return ok ? 0 : -1;
}

int sys_move_new_w(const char16_t* from, const char16_t* to) {
  char host_from[SYS_HOST_PATH], host_to[SYS_HOST_PATH];
  if (!sys_host_name_w(host_from, from) || !sys_host_name_w(host_to, to)) return -1;
  // A hard link fails when its name is taken, so it never replaces a file.
  if (link(host_from, host_to) == 0) {
    unlink(host_from);
    return 0;
  }
  if (errno == EEXIST) return 1;
  // File systems without hard links: a rename told not to replace.
  if (renameat2(AT_FDCWD, host_from, AT_FDCWD, host_to, RENAME_NOREPLACE) == 0) return 0;
  return errno == EEXIST ? 1 : -1;
}

int sys_move_over_w(const char16_t* from, const char16_t* to) {
  char host_from[SYS_HOST_PATH], host_to[SYS_HOST_PATH];
  if (!sys_host_name_w(host_from, from) || !sys_host_name_w(host_to, to)) return -1;
  return rename(host_from, host_to) == 0 ? 0 : -1;
}

bool sys_name_taken_w(const char16_t* path) {
  char host[SYS_HOST_PATH];
  struct stat st;
  return sys_host_name_w(host, path) && lstat(host, &st) == 0;
}

int sys_remove_w(const char16_t* path) {
  char host[SYS_HOST_PATH];
  if (!sys_host_name_w(host, path)) return -1;
  return unlink(host) == 0 ? 0 : -1;
}

int sys_make_dir_w(const char16_t* path) {
  char host[SYS_HOST_PATH];
  if (!sys_host_name_w(host, path)) return -1;
  if (mkdir(host, 0777) == 0) return 0;
  struct stat st;
  return errno == EEXIST && stat(host, &st) == 0 && S_ISDIR(st.st_mode) ? 0 : -1;
}

// ---- Directory search -----------------------------------------------------------------------------------
//
// A last part without * or ? is looked up by its exact name first (lstat, so that a link that leads
// nowhere is found as the listing finds it): one lookup instead of reading the whole folder, which made
// each of n files in a folder cost n reads. The folder is listed only when that fails (the name in
// another letter case, which Windows finds) or when the search goes on past the exact entry, which the
// listing then skips; so the entries found are the listing's, with the exact one first.

// One search at a time is all the program needs; a new first() ends the one before.
struct SysSearch {
  bool open;
  DIR* dir;                     // the listing, opened when it is first needed
  bool exact;                   // the first entry was the exact name, which the listing skips
  char dirname[SYS_HOST_PATH];  // host name of the directory with a trailing "/", or "" for "."
  char pattern[SYS_HOST_PATH];  // host spelling of the last part of the searched path
  bool wide;
};
static SysSearch sys_search;
constexpr intptr_t SYS_SEARCH_HANDLE = 1;

// Wildcard match as the Windows directory search does it: * any run, ? any one character (one UTF-8
// sequence, or one byte that is not part of one), letters a to z compared without case.
static bool sys_wild(const char* p, const char* s) {
  while (*p != 0) {
    if (*p == '*') {
      while (*p == '*') p++;
      if (*p == 0) return true;
      for (;;) {
        if (sys_wild(p, s)) return true;
        if (*s == 0) return false;
        s++;
      }
    }
    if (*s == 0) return false;
    if (*p == '?') {
      uint32_t cp;
      int len = utf8_next(reinterpret_cast<const unsigned char*>(s), &cp);
      p++;
      s += len > 0 ? len : 1;
      continue;
    }
    unsigned char a = (unsigned char)*p, b = (unsigned char)*s;
    if (a >= 'a' && a <= 'z') a = (unsigned char)(a - 32);
    if (b >= 'a' && b <= 'z') b = (unsigned char)(b - 32);
    if (a != b) return false;
    p++;
    s++;
  }
  return *s == 0;
}

// Fills e with the entry name of the search's folder, in the search's form. false when the entry does
// not exist (lstat: a link that leads nowhere exists).
static bool sys_find_fill(SysFindEntry* e, const char* name) {
  char full[SYS_HOST_PATH * 2];
  std::snprintf(full, sizeof full, "%s%s", sys_search.dirname[0] ? sys_search.dirname : "./", name);
  struct stat st;
  if (lstat(full, &st) != 0) return false;
  // Only a link needs a second look to tell where it leads.
  if (S_ISLNK(st.st_mode) && stat(full, &st) != 0) st.st_mode = 0;
  e->is_dir = S_ISDIR(st.st_mode);
  e->name[0] = 0;
  e->wname[0] = 0;
  char16_t wide[260];
  sys_units_from_host(wide, 260, name, true);
  if (sys_search.wide) utf16_copy(e->wname, 260, wide);
  else utf16_to_sjis(e->name, 260, wide);
  return true;
}

// Reads the listing on until an entry matches; fills e. 0, or -1 at the end.
static int sys_find_step(SysFindEntry* e) {
  if (!sys_search.open) return -1;
  if (sys_search.dir == nullptr) sys_search.dir = opendir(sys_search.dirname[0] ? sys_search.dirname : ".");
  if (sys_search.dir == nullptr) return -1;
  for (;;) {
    struct dirent* d = readdir(sys_search.dir);
    if (d == nullptr) return -1;
    if (!sys_wild(sys_search.pattern, d->d_name)) continue;
    if (sys_search.exact && std::strcmp(d->d_name, sys_search.pattern) == 0) continue;
    if (sys_find_fill(e, d->d_name)) return 0;
  }
}

static intptr_t sys_find_open(const char* host, SysFindEntry* e, bool wide) {
  sys_find_close(SYS_SEARCH_HANDLE);
  const char* slash = std::strrchr(host, '/');
  if (slash != nullptr) {
    size_t n = (size_t)(slash - host) + 1;
    std::memcpy(sys_search.dirname, host, n);
    sys_search.dirname[n] = 0;
    std::snprintf(sys_search.pattern, sizeof sys_search.pattern, "%s", slash + 1);
  } else {
    sys_search.dirname[0] = 0;
    std::snprintf(sys_search.pattern, sizeof sys_search.pattern, "%s", host);
  }
  if (sys_search.pattern[0] == 0) return SYS_NO_FILE;
  sys_search.open = true;
  sys_search.wide = wide;
  sys_search.exact = std::strpbrk(sys_search.pattern, "*?") == nullptr && sys_find_fill(e, sys_search.pattern);
  if (!sys_search.exact && sys_find_step(e) != 0) {
    sys_find_close(SYS_SEARCH_HANDLE);
    return SYS_NO_FILE;
  }
  return SYS_SEARCH_HANDLE;
}

intptr_t sys_find_first(const char* pattern, SysFindEntry* e) {
  char host[SYS_HOST_PATH];
  if (!sys_host_name(host, pattern)) return SYS_NO_FILE;
  return sys_find_open(host, e, false);
}

intptr_t sys_find_first_w(const char16_t* pattern, SysFindEntry* e) {
  char host[SYS_HOST_PATH];
  if (!sys_host_name_w(host, pattern)) return SYS_NO_FILE;
  return sys_find_open(host, e, true);
}

int sys_find_next(intptr_t h, SysFindEntry* e) {
  if (h != SYS_SEARCH_HANDLE) return -1;
  return sys_find_step(e);
}

void sys_find_close(intptr_t h) {
  if (h != SYS_SEARCH_HANDLE || !sys_search.open) return;
  if (sys_search.dir != nullptr) closedir(sys_search.dir);
  sys_search.dir = nullptr;
  sys_search.open = false;
}
