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
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "text/encoding.h"

static unsigned sys_lang = 0x0411;
static unsigned sys_acp = 932;

bool sys_is_dbcs_lead(unsigned char b) {
  if (sys_acp != 932) return false;
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
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

// ---- Host names -------------------------------------------------------------------------------------
//
// A host name is bytes; the seam's currency is UTF-16. Well-formed UTF-8 converts as Windows spells it.
// Every other byte b travels as the unit U+DC00 + b (b from 0x80 up, or a backslash inside a Shift-JIS
// character or a listed name), which well-formed UTF-16 never holds, and turns back into b on the way
// out. So the round trip host -> UTF-16 -> host gives back every name unchanged: a Shift-JIS name left
// by a Japanese archive opens, and two such names never fold into one. Such a name is not spelled as
// Windows would spell it (ダンス) because that spelling names a different host file (its UTF-8 name);
// only what the user is shown decodes it (sys_shown_name_w).

constexpr int SYS_HOST_PATH = 1040;  // 260 UTF-16 units at up to 4 UTF-8 bytes each
constexpr char16_t SYS_BYTE_UNIT = 0xDC00;  // plus the host byte it carries

// True for a unit that carries a host byte.
static bool sys_is_byte_unit(uint32_t u) { return u == SYS_BYTE_UNIT + '\\' || (u >= 0xDC80 && u <= 0xDCFF); }

// Code page 932's lead bytes, whatever sys_set_locale_for_test says: host names are read as a Japanese
// Windows reads them.
static bool sys_cp932_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// sys_utf16_from_host. part: host is one listed name, in which every backslash is part of the name.
static void sys_units_from_host(char16_t* dst, int cap, const char* host, bool part) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(host);
  int n = 0;
  bool trail = false;  // the byte before travels as a unit and begins a Shift-JIS character
  if (cap <= 0) return;
  while (*p != 0) {
    uint32_t cp;
    int len = utf8_next(p, &cp);
    if (len == 0 || (*p == '\\' && (trail || part))) {
      cp = SYS_BYTE_UNIT + *p;
      len = 1;
      trail = !trail && sys_cp932_lead(*p);
    } else {
      trail = false;
    }
    int units = cp > 0xFFFF ? 2 : 1;
    if (n + units > cap - 1) break;
    if (units == 2) {
      dst[n++] = (char16_t)(0xD800 + ((cp - 0x10000) >> 10));
      dst[n++] = (char16_t)(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      dst[n++] = (char16_t)cp;
    }
    p += len;
  }
  dst[n] = 0;
}

void sys_utf16_from_host(char16_t* dst, int cap, const char* host) { sys_units_from_host(dst, cap, host, false); }

// UTF-16 to host bytes: a unit that carries a byte gives it back, a backslash gives a slash when
// slashes is set (Windows separates with both, the host only with slashes), the rest is UTF-8. false
// when it does not fit in size bytes, or for a surrogate that is neither half of a pair nor a carried
// byte (no host name makes one).
static bool sys_host_from_units(char* dst, int size, const char16_t* src, bool slashes) {
  int pos = 0;
  if (size <= 0) return false;
  dst[0] = 0;
  for (int i = 0; src[i] != 0; i++) {
    uint32_t u = src[i];
    unsigned char bytes[4];
    int len = 1;
    if (sys_is_byte_unit(u)) {
      bytes[0] = (unsigned char)(u - SYS_BYTE_UNIT);
    } else if (u >= 0xD800 && u <= 0xDBFF && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
      uint32_t cp = 0x10000 + ((u & 0x3FF) << 10) + (src[++i] & 0x3FFu);
      bytes[0] = (unsigned char)(0xF0 | cp >> 18);
      bytes[1] = (unsigned char)(0x80 | (cp >> 12 & 0x3F));
      bytes[2] = (unsigned char)(0x80 | (cp >> 6 & 0x3F));
      bytes[3] = (unsigned char)(0x80 | (cp & 0x3F));
      len = 4;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      dst[0] = 0;
      return false;
    } else if (u < 0x80) {
      bytes[0] = slashes && u == '\\' ? '/' : (unsigned char)u;
    } else if (u < 0x800) {
      bytes[0] = (unsigned char)(0xC0 | u >> 6);
      bytes[1] = (unsigned char)(0x80 | (u & 0x3F));
      len = 2;
    } else {
      bytes[0] = (unsigned char)(0xE0 | u >> 12);
      bytes[1] = (unsigned char)(0x80 | (u >> 6 & 0x3F));
      bytes[2] = (unsigned char)(0x80 | (u & 0x3F));
      len = 3;
    }
    if (len > size - 1 - pos) {
      dst[0] = 0;
      return false;
    }
    std::memcpy(dst + pos, bytes, (size_t)len);
    pos += len;
  }
  dst[pos] = 0;
  return true;
}

// UTF-16 path to the host's name; false when it does not fit (260 units, as MAX_PATH) or names nothing.
static bool sys_host_name_w(char* dst, const char16_t* path) {
  int n = 0;
  while (path[n] != 0) {
    if (++n >= 260) return false;
  }
  return sys_host_from_units(dst, SYS_HOST_PATH, path, true);
}

int sys_host_bytes_w(char* dst, int size, const char16_t* name) {
  return sys_host_from_units(dst, size, name, false) ? 0 : -1;
}

// ANSI (Shift-JIS) path to the host's name, as Windows turns an ANSI name into its UTF-16 name.
static bool sys_host_name(char* dst, const char* path) {
  if (std::strlen(path) >= 260) return false;
  char16_t wide[261];
  sjis_to_utf16_by(wide, 261, path, sys_is_dbcs_lead);
  return sys_host_name_w(dst, wide);
}

// True when s is well-formed UTF-8.
static bool sys_is_utf8(const unsigned char* s) {
  uint32_t cp;
  for (int len; *s != 0; s += len) {
    if ((len = utf8_next(s, &cp)) == 0) return false;
  }
  return true;
}

// True when s is valid Shift-JIS (code page 932): every two-byte code and every byte from 0x80 up is
// one the table maps (so 0x80, 0xA0 and 0xFD to 0xFF alone are not).
static bool sys_is_sjis(const unsigned char* s) {
  while (*s != 0) {
    unsigned code = *s++;
    if (sys_cp932_lead((unsigned char)code)) {
      if (*s < 0x40 || *s == 0x7F || *s > 0xFC) return false;  // also a lead byte before the end
      code = code << 8 | *s++;
    } else if (code >= 0x80 && (code < 0xA1 || code > 0xDF)) {
      return false;
    }
    if (code >= 0x80 && sjis_table_to_unicode(code) == 0) return false;
  }
  return true;
}

// One part of a path (count units at part, no separator) as the user reads it, appended at dst[*n].
static void sys_shown_part(char16_t* dst, int cap, int* n, const char16_t* part, int count) {
  static char16_t units[SYS_HOST_PATH];
  static char host[SYS_HOST_PATH];
  bool carried = false;
  for (int i = 0; i < count; i++) carried = carried || sys_is_byte_unit(part[i]);
  // A part that carries bytes and is no file name (over 255 bytes) shows its bytes as U+FFFD.
  if (carried && count < SYS_HOST_PATH) {
    for (int i = 0; i < count; i++) units[i] = part[i];
    units[count] = 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(host);
    if (sys_host_from_units(host, SYS_HOST_PATH, units, false) && !sys_is_utf8(bytes) && sys_is_sjis(bytes)) {
      sjis_to_utf16_by(units, SYS_HOST_PATH, host, sys_cp932_lead);
      for (int i = 0; units[i] != 0 && *n < cap - 1; i++) dst[(*n)++] = units[i];
      return;
    }
  }
  for (int i = 0; i < count && *n < cap - 1; i++) {
    uint32_t u = part[i];
    bool pair = u >= 0xD800 && u <= 0xDBFF && i + 1 < count && part[i + 1] >= 0xDC00 && part[i + 1] <= 0xDFFF;
    if (pair) {
      if (*n + 2 > cap - 1) break;
      dst[(*n)++] = part[i++];
      dst[(*n)++] = part[i];
    } else if (sys_is_byte_unit(u) && u < SYS_BYTE_UNIT + 0x80) {
      dst[(*n)++] = (char16_t)(u - SYS_BYTE_UNIT);  // a backslash that is part of a name
    } else {
      dst[(*n)++] = u >= 0xD800 && u <= 0xDFFF ? u'\uFFFD' : (char16_t)u;
    }
  }
}

void sys_shown_name_w(char16_t* dst, int units, const char16_t* path) {
  int n = 0;
  if (units <= 0) return;
  for (int i = 0; path[i] != 0;) {
    int end = i;
    while (path[end] != 0 && path[end] != u'/' && path[end] != u'\\') end++;
    sys_shown_part(dst, units, &n, path + i, end - i);
    if (path[end] == 0) break;
    if (n < units - 1) dst[n++] = path[end];
    i = end + 1;
  }
  dst[n] = 0;
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

void sys_wait_key() {
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
  while (read(0, &key, 1) < 0 && errno == EINTR) {
  }
  if (terminal) tcsetattr(0, TCSANOW, &saved);
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
