// alias.cpp: the alias file reader (see alias.h). alias.ini holds lines of "pattern replacement" in a
// "-Bone" and a "-Morph" section; each entry goes to name list 0 (bones) or 3 (morphs) with its
// replacement and match mode.
//
// Records: none of its own; it appends to the name store through names_add and names_alias_set.
// Limits: a line is read in pieces of at most 253 characters (a longer line goes on as the next line);
// a pattern longer than 63 bytes after conversion refuses its line (nothing is stored); a replacement is
// cut to 15 bytes, the length of a VMD name field, even inside a double-byte character.
// Trust: the file is untrusted text in Shift-JIS or UTF-8. Malformed lines are ignored silently; a
// quoted token without its closing quote ends at the end of its line and is never read beyond it.
#include "formats/alias.h"

#include "check/names.h"
#include "formats/detect.h"
#include "formats/filechan.h"
#include "paths/paths.h"
#include "text/encoding.h"

#include <cstring>

constexpr int ALIAS_GETS = 255;        // rsgets size: a line of at most 253 characters and two 0 bytes
constexpr int ALIAS_LINE = 256;        // line and token buffers
constexpr int ALIAS_REPLACEMENT = 15;  // bytes of a replacement that are kept
static_assert(ALIAS_GETS <= ALIAS_LINE, "rsgets writes size bytes at most");

static bool alias_blank(char c) { return c == ' ' || c == '\t'; }

// Takes the token at *p into tok (ALIAS_LINE bytes): a quoted one from one double quote to the next
// (or to the end of the line when there is no closing quote), else up to a space, a tab or the end.
// *p is left after the token (after its closing quote). Returns 1 when the token was quoted and closed.
static int alias_token(const char** p, char* tok) {
  const char* s = *p;
  int n = 0;
  int closed = 0;
  if (*s == '"') {
    s++;
    while (*s != 0 && *s != '"' && n < ALIAS_LINE - 1) tok[n++] = *s++;
    if (*s == '"') {
      s++;
      closed = 1;
    }
  } else {
    while (*s != 0 && !alias_blank(*s) && n < ALIAS_LINE - 1) tok[n++] = *s++;
  }
  tok[n] = 0;
  *p = s;
  return closed;
}

// A token to Shift-JIS: copied from a Shift-JIS file, converted from a UTF-8 one.
static void alias_convert(char* dst, const char* tok, bool sjis) {
  if (sjis) {
    int i = 0;
    for (; tok[i] != 0 && i < ALIAS_LINE - 1; i++) dst[i] = tok[i];
    dst[i] = 0;
  } else {
    utf8_to_sjis_compat(dst, ALIAS_LINE, tok);
  }
}

// One entry line (blanks before it already skipped) into list.
static void alias_entry(const char* line, int list, bool sjis) {
  char tok[ALIAS_LINE], pattern[ALIAS_LINE], replacement[ALIAS_LINE];
  const char* p = line;
  uint8_t mode = ALIAS_PLAIN;
  int closed = alias_token(&p, tok);
  if (closed) {
    if (*p == 'F') {
      mode = ALIAS_FULL;
      p++;
    }
    if (*p == 'L') {
      mode = ALIAS_LAST;
      p++;
    }
  }
  alias_convert(pattern, tok, sjis);
  while (alias_blank(*p)) p++;
  alias_token(&p, tok);
  alias_convert(replacement, tok, sjis);
  replacement[ALIAS_REPLACEMENT] = 0;  // a plain byte cut: a cut lead byte stays
  if (pattern[0] == 0 || replacement[0] == 0) return;
  if (std::strlen(pattern) > NAME_BYTES - 1) return;  // too long for a name slot: the line is refused
  int e = names_add(list, pattern);
  if (e == 0) return;  // the list is full
  names_alias_set(list, e, replacement, mode);
}

int alias_read(const OpenedPath& p) {
  bool use_w = p.spelling == SPELLING_UTF16;
  if (use_w ? p.w == nullptr : p.ansi == nullptr) return READ_UNOPENED;
  // Shift-JIS only when the file is not UTF-8 and is plausible Shift-JIS (and was opened). Everything
  // else reads as UTF-8.
  bool sjis = false;
  int utf8 = use_w ? check_file_utf8W(p.w) : check_file_utf8(p.ansi);
  if (utf8 == UTF8_BROKEN) {
    int flags = use_w ? chkifsjisW(p.w) : chkifsjis(p.ansi);
    sjis = flags >= SJIS_PLAUSIBLE && flags != DETECT_UNOPENED;
  }
  if ((use_w ? rsopenW(p.w) : rsopen(p.ansi)) != 0) return READ_UNOPENED;

  int list = LIST_BONE_ALIAS;  // entries before any section line are bones
  char line[ALIAS_LINE];
  for (;;) {
    int c = rspeek();
    while (c == 13 || c == 10 || c == 26 || c == ' ' || c == '\t') {
      rsgetc();
      c = rspeek();
    }
    if (c < 0) break;
    int n = rsgets(line, ALIAS_GETS);
    if (n <= 0) {
      rsgetc();  // cannot happen after the skip above; keeps the loop moving whatever the reader does
      continue;
    }
    n = (int)std::strlen(line);  // a 0 byte in the line ends it
    while (n > 0 && (line[n - 1] == ' ' || line[n - 1] == 13 || line[n - 1] == 10)) line[--n] = 0;
    const char* s = line;
    while (alias_blank(*s)) s++;
    if (*s == 0) continue;
    if (s[0] == '/' && s[1] == '/') continue;
    if (prefix_nocase(s, "-Bone") == 0) {
      list = LIST_BONE_ALIAS;
    } else if (prefix_nocase(s, "-Morph") == 0) {
      list = LIST_MORPH_ALIAS;
    } else {
      alias_entry(s, list, sjis);
    }
  }
  rsclose();
  return READ_DONE;
}

int alias_read_a(const char* path) { return alias_read(rfpathA(path)); }
int alias_read_w(const char16_t* wpath) { return alias_read(rfpathW(wpath)); }
