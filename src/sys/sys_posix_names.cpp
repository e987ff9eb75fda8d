// sys_posix_names.cpp: the POSIX seam's host names: how a host file name (bytes) travels as UTF-16 and
// back, and how it is shown to the user (see sys_posix_names.h and sys.h).
//
// Records: none.
// Limits: a path of 260 units or more names nothing (MAX_PATH); a host name takes at most SYS_HOST_PATH
// bytes.
// Trust: host names are any bytes but 0 and "/"; every conversion is bounded by its destination.
#include "sys/sys_posix_names.h"

#include <cstring>

#include "sys/sys.h"
#include "text/encoding.h"

// ---- Host names -------------------------------------------------------------------------------------
//
// A host name is bytes; the seam's currency is UTF-16. Well-formed UTF-8 converts as Windows spells it.
// Every other byte b travels as the unit U+DC00 + b (b from 0x80 up, or a backslash inside a Shift-JIS
// character or a listed name), which well-formed UTF-16 never holds, and turns back into b on the way
// out. So the round trip host -> UTF-16 -> host gives back every name unchanged: a Shift-JIS name left
// by a Japanese archive opens, and two such names never fold into one. Such a name is not spelled as
// Windows would spell it (ダンス) because that spelling names a different host file (its UTF-8 name);
// only what the user is shown decodes it (sys_shown_name_w).

constexpr char16_t SYS_BYTE_UNIT = 0xDC00;  // plus the host byte it carries

// True for a unit that carries a host byte.
static bool sys_is_byte_unit(uint32_t u) { return u == SYS_BYTE_UNIT + '\\' || (u >= 0xDC80 && u <= 0xDCFF); }

// sys_utf16_from_host. part: host is one listed name, in which every backslash is part of the name.
void sys_units_from_host(char16_t* dst, int cap, const char* host, bool part) {
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
      trail = !trail && sjis_cp932_lead(*p);
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
bool sys_host_name_w(char* dst, const char16_t* path) {
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
bool sys_host_name(char* dst, const char* path) {
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
    if (sjis_cp932_lead((unsigned char)code)) {
      if (!sjis_is_trail(*s)) return false;  // also a lead byte before the end
      code = code << 8 | *s++;
    } else if (code >= 0x80 && !sjis_is_half_kana((unsigned char)code)) {
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
      sjis_to_utf16_by(units, SYS_HOST_PATH, host, sjis_cp932_lead);
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
