// paths.cpp: placeholder path operations until the text layer lands (ASCII names only).
#include "text/paths.h"

#include "sys/sys.h"

template <typename C>
static int pth_copy(C* dst, int cap, const C* src, int from, int to) {
  int n = 0;
  if (cap <= 0) return 0;
  for (int i = from; i < to && n < cap - 1; i++) dst[n++] = src[i];
  dst[n] = 0;
  return 0;
}
template <typename C>
static int pth_last(const C* s, C a, C b) {
  int last = -1;
  for (int i = 0; s[i] != 0; i++)
    if (s[i] == a || s[i] == b) last = i;
  return last;
}
template <typename C>
static int pth_len(const C* s) {
  int n = 0;
  while (s[n] != 0) n++;
  return n;
}
int path_dir(char* d, int c, const char* s) { return pth_copy(d, c, s, 0, pth_last(s, '\\', '\\') + 1); }
int path_dir_w(char16_t* d, int c, const char16_t* s) { return pth_copy(d, c, s, 0, pth_last(s, u'\\', u'\\') + 1); }
int path_name(char* d, int c, const char* s) { return pth_copy(d, c, s, pth_last(s, '\\', '/') + 1, pth_len(s)); }
int path_name_w(char16_t* d, int c, const char16_t* s) { return pth_copy(d, c, s, pth_last(s, u'\\', u'/') + 1, pth_len(s)); }
int path_body(char* d, int c, const char* s) { int k = pth_last(s, '.', '.'); return pth_copy(d, c, s, 0, k < 0 ? pth_len(s) : k); }
int path_body_w(char16_t* d, int c, const char16_t* s) { int k = pth_last(s, u'.', u'.'); return pth_copy(d, c, s, 0, k < 0 ? pth_len(s) : k); }
int path_ext(char* d, int c, const char* s) { int k = pth_last(s, '.', '.'); pth_copy(d, c, s, k < 0 ? 0 : k, k < 0 ? 0 : pth_len(s)); return k < 0 ? 0 : -1; }
int path_ext_w(char16_t* d, int c, const char16_t* s) { int k = pth_last(s, u'.', u'.'); pth_copy(d, c, s, k < 0 ? 0 : k, k < 0 ? 0 : pth_len(s)); return k < 0 ? 0 : -1; }
int path_strip_sep(char*) { return 0; }
int path_strip_sep_w(char16_t*) { return 0; }
int find_file_name(char* d, int c, const char* p) {
  SysFindEntry e;
  intptr_t h = sys_find_first(p, &e);
  if (h == SYS_NO_FILE) return -1;
  sys_find_close(h);
  return pth_copy(d, c, e.name, 0, pth_len(e.name));
}
int find_file_name_w(char16_t* d, int c, const char16_t* p) {
  SysFindEntry e;
  intptr_t h = sys_find_first_w(p, &e);
  if (h == SYS_NO_FILE) return -1;
  sys_find_close(h);
  return pth_copy(d, c, e.wname, 0, pth_len(e.wname));
}
template <typename C>
static int pth_prefix(const C* s, const C* p) {
  for (int i = 0; p[i] != 0; i++) {
    C a = s[i], b = p[i];
    if (a >= 'a' && a <= 'z') a = (C)(a - 32);
    if (b >= 'a' && b <= 'z') b = (C)(b - 32);
    if (a != b) return -1;
  }
  return 0;
}
int prefix_nocase(const char* s, const char* p) { return pth_prefix(s, p); }
int prefix_nocase_w(const char16_t* s, const char16_t* p) { return pth_prefix(s, p); }
int list_field(char* d, int c, const char* l, int n) { (void)l; (void)n; pth_copy(d, c, "", 0, 0); return -1; }
