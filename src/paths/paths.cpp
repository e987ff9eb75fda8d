// paths.cpp: path and file-name operations in ANSI (Shift-JIS) and UTF-16 form: an ANSI name spelled
// in UTF-16 as the system spells it, directory, name and extension of a path, the trailing
// separator, the on-disk name by directory search, a case-blind prefix test and the fields of a
// ";"-separated list.
//
// Records: none; the directory search is the platform seam's (sys_find_first / sys_find_first_w,
// sys_find_next, sys_find_close), opened and closed within find_file_name.
// Limits: every output is bounded by the capacity the caller gives and always ends with a 0; a copy
// that does not fit is cut before the first character that does not fit whole, so a two-byte
// character (ANSI) or a surrogate pair (UTF-16) is never split. path_strip_sep cuts a path to 259
// characters.
// Trust: paths come from the command line, drops and dialogs. The ANSI forms walk the string
// character by character with the system's lead-byte test, so the trail byte of a two-byte character
// (0x5C in 表 or 能, or a "." or ";") is never taken for a separator; a lead byte right before the 0
// is a byte of its own, and nothing is read past the 0.
#include "paths/paths.h"

#include <string>
#include <vector>

#include "sys/sys.h"
#include "text/encoding.h"

int sjis_to_utf16(char16_t* dst, int dst_units, const char* src) {
  return sjis_to_utf16_by(dst, dst_units, src, sys_is_dbcs_lead);
}

// Bytes of the ANSI character at s: 2 for a lead byte (system test) with a trail byte, else 1.
static int pth_char_len(const unsigned char* s) { return sys_is_dbcs_lead(s[0]) && s[1] != 0 ? 2 : 1; }

// Units of the UTF-16 character at s: 2 for a surrogate pair, else 1.
static int pth_char_len_w(const char16_t* s) {
  return s[0] >= 0xD800 && s[0] <= 0xDBFF && s[1] >= 0xDC00 && s[1] <= 0xDFFF ? 2 : 1;
}

// ---- Scanning ----------------------------------------------------------------------------------------

// Index of the last a or b in s outside a two-byte character, or -1. *len receives the length.
static int pth_last(const char* s, char a, char b, int* len) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(s);
  int last = -1, i = 0;
  while (u[i] != 0) {
    int n = pth_char_len(u + i);
    if (n == 1 && (u[i] == (unsigned char)a || u[i] == (unsigned char)b)) last = i;
    i += n;
  }
  *len = i;
  return last;
}

static int pth_last_w(const char16_t* s, char16_t a, char16_t b, int* len) {
  int last = -1, i = 0;
  for (; s[i] != 0; i++) {
    if (s[i] == a || s[i] == b) last = i;
  }
  *len = i;
  return last;
}

// ---- Bounded copies ------------------------------------------------------------------------------------

// Copies the characters of src[from, to) into dst (capacity cap), whole characters only, and ends it
// with a 0. from must be at a character boundary.
static void pth_copy(char* dst, int cap, const char* src, int from, int to) {
  if (cap <= 0) return;
  const unsigned char* u = reinterpret_cast<const unsigned char*>(src);
  int pos = 0, i = from;
  while (i < to) {
    int n = pth_char_len(u + i);
    if (n > to - i || n > cap - 1 - pos) break;
    for (int k = 0; k < n; k++) dst[pos++] = src[i + k];
    i += n;
  }
  dst[pos] = 0;
}

static void pth_copy_w(char16_t* dst, int cap, const char16_t* src, int from, int to) {
  if (cap <= 0) return;
  int pos = 0, i = from;
  while (i < to) {
    int n = pth_char_len_w(src + i);
    if (n > to - i || n > cap - 1 - pos) break;
    for (int k = 0; k < n; k++) dst[pos++] = src[i + k];
    i += n;
  }
  dst[pos] = 0;
}

// ---- Directory, name, extension ----------------------------------------------------------------------------

int path_dir(char* dst, int dst_size, const char* src) {
  int len;
  int last = pth_last(src, '\\', '\\', &len);
  pth_copy(dst, dst_size, src, 0, last + 1);
  return 0;
}

int path_dir_w(char16_t* dst, int dst_units, const char16_t* src) {
  int len;
  int last = pth_last_w(src, u'\\', u'\\', &len);
  pth_copy_w(dst, dst_units, src, 0, last + 1);
  return 0;
}

int path_name(char* dst, int dst_size, const char* src) {
  int len;
  int last = pth_last(src, '\\', '/', &len);
  pth_copy(dst, dst_size, src, last + 1, len);
  return 0;
}

int path_name_w(char16_t* dst, int dst_units, const char16_t* src) {
  int len;
  int last = pth_last_w(src, u'\\', u'/', &len);
  pth_copy_w(dst, dst_units, src, last + 1, len);
  return 0;
}

int path_stem_w(char16_t* dst, int dst_units, const char16_t* src) {
  int len;
  int from = pth_last_w(src, u'\\', u'/', &len) + 1;
  int dot = pth_last_w(src + from, u'.', u'.', &len);
  pth_copy_w(dst, dst_units, src, from, dot > 0 ? from + dot : from + len);
  return 0;
}

int path_ext(char* dst, int dst_size, const char* src) {
  int len;
  int dot = pth_last(src, '.', '.', &len);
  if (dot < 0) {
    pth_copy(dst, dst_size, src, 0, 0);
    return 0;
  }
  pth_copy(dst, dst_size, src, dot, len);
  return -1;
}

int path_ext_w(char16_t* dst, int dst_units, const char16_t* src) {
  int len;
  int dot = pth_last_w(src, u'.', u'.', &len);
  if (dot < 0) {
    pth_copy_w(dst, dst_units, src, 0, 0);
    return 0;
  }
  pth_copy_w(dst, dst_units, src, dot, len);
  return -1;
}

// ---- Trailing separator ------------------------------------------------------------------------------------

constexpr int PTH_STRIP_MAX = 259;  // MAX_PATH less its terminator

// A letter A to Z or a to z followed by a colon.
static bool pth_is_drive(unsigned a, unsigned b) {
  return ((a >= 'A' && a <= 'Z') || (a >= 'a' && a <= 'z')) && b == ':';
}

int path_strip_sep(char* path) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(path);
  // Measure at most 259 bytes, whole characters only; remember whether the last one is one byte.
  int len = 0, last_len = 0;
  while (u[len] != 0) {
    int n = pth_char_len(u + len);
    if (n > PTH_STRIP_MAX - len) break;
    len += n;
    last_len = n;
  }
  int keep = u[0] != 0 && pth_is_drive(u[0], u[1]) ? 3 : 1;  // C:\ and a lone \ stay as they are
  if (len > keep && last_len == 1 && (u[len - 1] == '\\' || u[len - 1] == '/')) len--;
  path[len] = 0;
  return 0;
}

int path_strip_sep_w(char16_t* path) {
  int len = 0, last_len = 0;
  while (path[len] != 0) {
    int n = pth_char_len_w(path + len);
    if (n > PTH_STRIP_MAX - len) break;
    len += n;
    last_len = n;
  }
  int keep = path[0] != 0 && pth_is_drive(path[0], path[1]) ? 3 : 1;
  if (len > keep && last_len == 1 && (path[len - 1] == u'\\' || path[len - 1] == u'/')) len--;
  path[len] = 0;
  return 0;
}

// ---- On-disk name ---------------------------------------------------------------------------------------------

// The result of a search whose first entry is e: FIND_FOUND when e (or the entry after a directory) is
// a file, FIND_NOTHING when a directory is followed by nothing, FIND_TWO_DIRECTORIES when two directories
// come first. e ends as the entry to report. The search is closed here on every outcome.
static int pth_find_pick(intptr_t h, SysFindEntry* e) {
  int r = FIND_FOUND;
  if (e->is_dir) {
    if (sys_find_next(h, e) != 0) {
      r = FIND_NOTHING;
    } else if (e->is_dir) {
      r = FIND_TWO_DIRECTORIES;
    }
  }
  sys_find_close(h);
  return r;
}

int find_file_name(char* dst, int dst_size, const char* path) {
  static SysFindEntry e;  // 800 bytes: kept off the stack; the program runs on one thread
  pth_copy(dst, dst_size, "", 0, 0);
  intptr_t h = sys_find_first(path, &e);
  if (h == SYS_NO_FILE) return FIND_NOTHING;
  int r = pth_find_pick(h, &e);
  if (r == FIND_FOUND) {
    int len = 0;
    while (e.name[len] != 0) len++;
    pth_copy(dst, dst_size, e.name, 0, len);
  }
  return r;
}

int find_file_name_w(char16_t* dst, int dst_units, const char16_t* path) {
  static SysFindEntry e;
  pth_copy_w(dst, dst_units, u"", 0, 0);
  intptr_t h = sys_find_first_w(path, &e);
  if (h == SYS_NO_FILE) return FIND_NOTHING;
  int r = pth_find_pick(h, &e);
  if (r == FIND_FOUND) {
    int len = 0;
    while (e.wname[len] != 0) len++;
    pth_copy_w(dst, dst_units, e.wname, 0, len);
  }
  return r;
}

// ---- Prefix and list fields ------------------------------------------------------------------------------------

static unsigned pth_upper(unsigned c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

int prefix_nocase(const char* str, const char* prefix) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(str);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(prefix);
  int i = 0;
  while (p[i] != 0) {
    if (pth_char_len(p + i) == 2) {
      // Both bytes of a two-byte character compare exactly: a trail byte such as 0x61 is no letter.
      if (s[i] != p[i] || s[i + 1] != p[i + 1]) return -1;
      i += 2;
      continue;
    }
    if (s[i] == 0 || pth_upper(s[i]) != pth_upper(p[i])) return -1;
    i++;
  }
  return 0;
}

int prefix_nocase_w(const char16_t* str, const char16_t* prefix) {
  for (int i = 0; prefix[i] != 0; i++) {
    if (str[i] == 0 || pth_upper(str[i]) != pth_upper(prefix[i])) return -1;
  }
  return 0;
}

int list_field(char* dst, int dst_size, const char* list, int n) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(list);
  pth_copy(dst, dst_size, "", 0, 0);
  if (n < 0) return -1;
  int field = 0, start = 0, i = 0;
  while (u[i] != 0) {
    int len = pth_char_len(u + i);
    if (len == 1 && u[i] == ';') {
      if (field == n) break;
      field++;
      start = i + 1;
    }
    i += len;
  }
  if (field != n) return -1;
  pth_copy(dst, dst_size, list, start, i);
  return 0;
}

// ---- Joining and folders -----------------------------------------------------------------------------

int path_join_w(char16_t* dst, int dst_units, const char16_t* dir, const char16_t* name) {
  if (dst_units <= 0) return -1;
  dst[0] = 0;
  int len = utf16_length(dir);
  bool sep = len > 0 && !path_is_sep_w(dir[len - 1]);
  if (len + (sep ? 1 : 0) + utf16_length(name) >= dst_units) return -1;
  utf16_copy(dst, dst_units, dir);
  const char16_t separator[2] = {PATH_SEP_W, 0};
  if (sep) utf16_append(dst, dst_units, separator);
  utf16_append(dst, dst_units, name);
  return 0;
}

constexpr int PATH_FOLDERS_UNITS = 1024;  // the longest path whose folders are made, with its terminator

int path_make_folders_w(const char16_t* path) {
  char16_t part[PATH_FOLDERS_UNITS];
  int len = utf16_length(path);
  if (len >= PATH_FOLDERS_UNITS) return -1;
  for (int i = 1; i < len; i++) {
    if (!path_is_sep_w(path[i])) continue;
    if (path_is_sep_w(path[i - 1]) || path[i - 1] == u':') continue;
    for (int k = 0; k < i; k++) part[k] = path[k];
    part[i] = 0;
    if (sys_make_dir_w(part) != 0) return -1;
  }
  return 0;
}

int path_absolute_w(char16_t* dst, int dst_units, const char16_t* path) {
  if (dst_units <= 0) return -1;
  dst[0] = 0;
  int len = utf16_length(path);
  if (path_is_sep_w(path[0]) || (path[0] != 0 && path[1] == u':')) {
    return utf16_copy(dst, dst_units, path) == len ? 0 : -1;
  }
  int n = sys_current_dir_w(dst, dst_units - 2);
  if (n <= 0) return -1;
  dst[n] = PATH_SEP_W;
  dst[n + 1] = 0;
  return utf16_append(dst, dst_units, path) == len ? 0 : -1;
}

int path_folder_w(char16_t* dst, int dst_units, const char16_t* path) {
  if (dst_units <= 0) return -1;
  int len;
  int last = pth_last_w(path, u'\\', u'/', &len);
  if (last < 0 || last + 1 >= dst_units) {
    dst[0] = 0;
    return -1;
  }
  pth_copy_w(dst, dst_units, path, 0, last + 1);
  return 0;
}

// The parts of an absolute path, "." dropped and ".." taken back; the first part is the root ("" for
// "/", "C:" for a drive). false for a path that is not absolute.
static bool path_parts_w(const char16_t* path, std::vector<std::u16string>* parts) {
  parts->clear();
  bool drive = path[0] != 0 && path[1] == u':' && path_is_sep_w(path[2]);
  if (!drive && !path_is_sep_w(path[0])) return false;
  parts->push_back(drive ? std::u16string(path, 2) : std::u16string());
  for (const char16_t* p = path + (drive ? 3 : 1); *p != 0;) {
    const char16_t* end = p;
    while (*end != 0 && !path_is_sep_w(*end)) end++;
    std::u16string part(p, (size_t)(end - p));
    if (part == u"..") {
      if (parts->size() > 1) parts->pop_back();
    } else if (!part.empty() && part != u".") {
      parts->push_back(part);
    }
    p = *end != 0 ? end + 1 : end;
  }
  return true;
}

constexpr int PTH_FOLDER_NAME_UNITS = 1024;  // the longest path whose folder is named, with its terminator

int path_folder_name_w(char16_t* dst, int dst_units, const char16_t* path, bool file) {
  if (dst_units <= 0) return -1;
  dst[0] = 0;
  static char16_t absolute[PTH_FOLDER_NAME_UNITS];
  std::vector<std::u16string> parts;
  if (path_absolute_w(absolute, PTH_FOLDER_NAME_UNITS, path) != 0 || !path_parts_w(absolute, &parts)) return -1;
  if (file && parts.size() > 1) parts.pop_back();
  if (parts.size() < 2 || parts.back().size() >= (size_t)dst_units) return -1;
  utf16_copy(dst, dst_units, parts.back().c_str());
  return 0;
}

int path_relative_w(char16_t* dst, int dst_units, const char16_t* from_dir, const char16_t* to) {
  if (dst_units <= 0) return -1;
  dst[0] = 0;
  std::vector<std::u16string> from, target;
  if (!path_parts_w(from_dir, &from) || !path_parts_w(to, &target) || from[0] != target[0]) return -1;
  size_t common = 1;
  while (common < from.size() && common < target.size() && from[common] == target[common]) common++;
  std::u16string out;
  for (size_t i = common; i < from.size(); i++) out += u"../";
  for (size_t i = common; i < target.size(); i++) out += (i > common ? u"/" : u"") + target[i];
  if (out.size() >= (size_t)dst_units) return -1;
  utf16_copy(dst, dst_units, out.c_str());
  return 0;
}
