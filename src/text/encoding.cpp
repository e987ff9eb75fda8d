// encoding.cpp: Shift-JIS, UTF-16 and UTF-8 conversion, the table lookups, the code page 932
// overrides and the UTF-16 string operations.
//
// Records: none of its own; the constant tables live in sjis_tables.cpp (generated) and the override
// lists below.
// Limits: sjis_to_utf16 takes at most 9,998 input bytes and utf16_to_sjis at most 9,998 units;
// utf16_length counts at most 4,999 units. Every converter also stops when the next
// character would not fit in front of the terminating 0 of its destination: a character is written
// whole or not at all.
// Trust: the input of every converter is untrusted text (names from model files, alias files, paths).
// Only the terminating 0 bounds it; nothing reads past that 0, and a terminating 0 is never taken as
// the second half of anything.
//
// Sections (search for "// ==== "): lead bytes, lookups, writers, Shift-JIS to UTF-16, UTF-16 to Shift-JIS,
// UTF-8 decoding, UTF-8 converters, Shift-JIS to UTF-8, UTF-16 strings.
#include "text/encoding.h"

#include "text/sjis_tables.h"

constexpr int ENC_SJIS_LIMIT = 9998;          // input bytes / units taken by sjis_to_utf16, utf16_to_sjis
constexpr int ENC_UTF16_LENGTH_MAX = 4999;    // utf16_length counts at most this many units

// ==== lead bytes =====================================================================================

int cut_broken_tail(char* s) {
  int i = 0;
  while (s[i] != 0) {
    if (is_lead_byte((unsigned char)s[i])) {
      if (s[i + 1] == 0) {
        s[i] = 0;
        return 1;
      }
      i += 2;
    } else {
      i++;
    }
  }
  return 0;
}

// ==== lookups ========================================================================================

uint32_t sjis_table_to_unicode(unsigned code) {
  if (code < SJISTAB_UNI_00_FIRST + SJISTAB_UNI_00_COUNT) return sjistab_uni_00[code];
  if (code >= SJISTAB_UNI_80_FIRST && code - SJISTAB_UNI_80_FIRST < SJISTAB_UNI_80_COUNT)
    return sjistab_uni_80[code - SJISTAB_UNI_80_FIRST];
  if (code >= SJISTAB_UNI_E0_FIRST && code - SJISTAB_UNI_E0_FIRST < SJISTAB_UNI_E0_COUNT)
    return sjistab_uni_e0[code - SJISTAB_UNI_E0_FIRST];
  return 0;
}

unsigned sjis_table_from_unicode(unsigned unit) {
  if (unit < SJISTAB_SJIS_0000_FIRST + SJISTAB_SJIS_0000_COUNT) return sjistab_sjis_0000[unit];
  if (unit >= SJISTAB_SJIS_1E00_FIRST && unit - SJISTAB_SJIS_1E00_FIRST < SJISTAB_SJIS_1E00_COUNT)
    return sjistab_sjis_1e00[unit - SJISTAB_SJIS_1E00_FIRST];
  if (unit >= SJISTAB_SJIS_F900_FIRST && unit - SJISTAB_SJIS_F900_FIRST < SJISTAB_SJIS_F900_COUNT)
    return sjistab_sjis_f900[unit - SJISTAB_SJIS_F900_FIRST];
  return 0;
}

// Code page 932 spells these characters differently from Shift_JIS-2004. Windows tools write names
// with code page 932, so the converters for model names and alias files apply these pairs before the
// table, and the names then compare equal to what such a tool wrote into a VMD file.
struct EncPair {
  uint16_t from;
  uint16_t to;
};
constexpr int ENC_TO_SJIS_PAIRS = 19;
static const EncPair enc_to_sjis_pairs[ENC_TO_SJIS_PAIRS] = {
    {0x2015, 0x815C}, {0x2211, 0x8794}, {0x221A, 0x8795}, {0x2220, 0x8797}, {0x2225, 0x8161},
    {0x2229, 0x879B}, {0x222A, 0x879C}, {0x222B, 0x8792}, {0x2235, 0x879A}, {0x2252, 0x8790},
    {0x2261, 0x8791}, {0x22A5, 0x8796}, {0x301C, 0x8160}, {0xFF5E, 0x8160}, {0xFF0D, 0x817C},
    {0xFF3C, 0x815F}, {0xFFE0, 0x8191}, {0xFFE1, 0x8192}, {0xFFE2, 0x81CA},
};
constexpr int ENC_TO_UNICODE_PAIRS = 18;
static constexpr EncPair enc_to_unicode_pairs[ENC_TO_UNICODE_PAIRS] = {
    {0x815C, 0x2015}, {0x815F, 0xFF3C}, {0x8160, 0xFF5E}, {0x8161, 0x2225}, {0x817C, 0xFF0D},
    {0x8191, 0xFFE0}, {0x8192, 0xFFE1}, {0x81CA, 0xFFE2}, {0x8790, 0x2252}, {0x8791, 0x2261},
    {0x8792, 0x222B}, {0x8794, 0x2211}, {0x8795, 0x221A}, {0x8796, 0x22A5}, {0x8797, 0x2220},
    {0x879A, 0x2235}, {0x879B, 0x2229}, {0x879C, 0x222A},
};
static_assert([] {
  for (const EncPair& p : enc_to_unicode_pairs) {
    if (p.from >> 8 != 0x81 && p.from >> 8 != 0x87) return false;
  }
  return true;
}(), "every override's lead byte is 0x81 or 0x87");

// The override for key, or 0.
static unsigned enc_pair_find(const EncPair* pairs, int count, unsigned key) {
  for (int i = 0; i < count; i++) {
    if (pairs[i].from == key) return pairs[i].to;
  }
  return 0;
}

static unsigned enc_override_to_sjis(unsigned unit) {
  return enc_pair_find(enc_to_sjis_pairs, ENC_TO_SJIS_PAIRS, unit);
}

// Every override's code has the lead byte 0x81 or 0x87: the pairs are searched for those alone (a
// converter asks for every double-byte character, kana and kanji most of them).
static uint32_t enc_override_to_unicode(unsigned code) {
  unsigned lead = code >> 8;
  if (lead != 0x81 && lead != 0x87) return 0;
  return enc_pair_find(enc_to_unicode_pairs, ENC_TO_UNICODE_PAIRS, code);
}

// ==== writers ========================================================================================
// An output cursor: the buffer, its capacity and the write position. A character goes in only when it
// fits in front of the terminating 0, so the last cell is always free for that 0.

struct EncOut8 {
  char* dst;
  int cap;
  int pos;
};

struct EncOut16 {
  char16_t* dst;
  int cap;
  int pos;
};

static bool enc_fits8(const EncOut8& o, int n) { return n <= o.cap - 1 - o.pos; }
static bool enc_fits16(const EncOut16& o, int n) { return n <= o.cap - 1 - o.pos; }

// A Shift-JIS code: one byte below 0x100, else high byte first. False when it does not fit.
static bool enc_put_sjis(EncOut8& o, unsigned code) {
  if (code >= 0x100) {
    if (!enc_fits8(o, 2)) return false;
    o.dst[o.pos++] = (char)(code >> 8);
    o.dst[o.pos++] = (char)(code & 0xFF);
    return true;
  }
  if (!enc_fits8(o, 1)) return false;
  o.dst[o.pos++] = (char)code;
  return true;
}

// A code point in UTF-8, one to four bytes. False when it does not fit.
static bool enc_put_utf8(EncOut8& o, uint32_t cp) {
  unsigned char b[4];
  int n;
  if (cp < 0x80) {
    b[0] = (unsigned char)cp;
    n = 1;
  } else if (cp < 0x800) {
    b[0] = (unsigned char)(0xC0 | (cp >> 6));
    b[1] = (unsigned char)(0x80 | (cp & 0x3F));
    n = 2;
  } else if (cp < 0x10000) {
    b[0] = (unsigned char)(0xE0 | (cp >> 12));
    b[1] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
    b[2] = (unsigned char)(0x80 | (cp & 0x3F));
    n = 3;
  } else {
    b[0] = (unsigned char)(0xF0 | ((cp >> 18) & 0x07));
    b[1] = (unsigned char)(0x80 | ((cp >> 12) & 0x3F));
    b[2] = (unsigned char)(0x80 | ((cp >> 6) & 0x3F));
    b[3] = (unsigned char)(0x80 | (cp & 0x3F));
    n = 4;
  }
  if (!enc_fits8(o, n)) return false;
  for (int i = 0; i < n; i++) o.dst[o.pos++] = (char)b[i];
  return true;
}

// A code point from the Shift-JIS table in UTF-16: "?" for 0 (unmapped), one unit in the BMP, a
// surrogate pair beyond it. False when it does not fit.
static bool enc_put_cp16(EncOut16& o, uint32_t cp) {
  if (cp == 0) cp = '?';
  if (cp >= 0x10000) {
    if (!enc_fits16(o, 2)) return false;
    cp -= 0x10000;
    o.dst[o.pos++] = (char16_t)(0xD800 | (cp >> 10));
    o.dst[o.pos++] = (char16_t)(0xDC00 | (cp & 0x3FF));
    return true;
  }
  if (!enc_fits16(o, 1)) return false;
  o.dst[o.pos++] = (char16_t)cp;
  return true;
}

// Reads the little-endian unit at byte offset i of a UTF-16 byte string.
static unsigned enc_unit_at(const unsigned char* s, int i) {
  return (unsigned)s[i] | ((unsigned)s[i + 1] << 8);
}

// ==== Shift-JIS to UTF-16 ============================================================================
// Lead bytes by the caller's test: the system's (IsDBCSLeadByte of the ANSI code page) for the names
// that reach the system's wide calls. Bytes below 0x80 are copied (0x5C stays U+005C, which the
// path code relies on). A lead byte and its trail byte go through the table; any other byte from 0x80
// up goes through the table's one-byte part, so half-width katakana 0xB1 becomes U+FF71. Unmapped
// codes give "?"; a code beyond the BMP gives a surrogate pair. A two-byte character that would cross
// the 9,998-byte limit is not taken; a lead byte right before the end is dropped (and counted).

static int enc_sjis_to_utf16_at(EncOut16& o, const char* src, bool (*lead)(unsigned char)) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
  int i = 0;
  while (s[i] != 0 && i < ENC_SJIS_LIMIT) {
    unsigned b = s[i];
    if (b < 0x80) {
      if (!enc_fits16(o, 1)) break;
      o.dst[o.pos++] = (char16_t)b;
      i++;
    } else if (lead((unsigned char)b)) {
      if (s[i + 1] == 0) {
        i++;
        break;
      }
      if (i + 2 > ENC_SJIS_LIMIT) break;
      if (!enc_put_cp16(o, sjis_table_to_unicode(b * 256 + s[i + 1]))) break;
      i += 2;
    } else {
      if (!enc_put_cp16(o, sjis_table_to_unicode(b))) break;
      i++;
    }
  }
  o.dst[o.pos] = 0;
  return i;
}

int sjis_to_utf16_by(char16_t* dst, int dst_units, const char* src, bool (*lead)(unsigned char)) {
  if (dst_units <= 0) return 0;
  EncOut16 o = {dst, dst_units, 0};
  return enc_sjis_to_utf16_at(o, src, lead);
}

// ==== UTF-16 to Shift-JIS ============================================================================

// The Shift-JIS code utf16_to_sjis writes for a unit: units below 0x80 as they are, the rest through
// the table (so U+FF71 gives 0xB1 and U+00A5 gives 0x5C); 0 when the table has none.
static unsigned enc_unit_to_sjis(unsigned u) { return u < 0x80 ? u : sjis_table_from_unicode(u); }

int utf16_to_sjis(char* dst, int dst_bytes, const char16_t* src) {
  if (dst_bytes <= 0) return 0;
  EncOut8 o = {dst, dst_bytes, 0};
  int i = 0;
  while (src[i] != 0 && i < ENC_SJIS_LIMIT) {
    unsigned code = enc_unit_to_sjis(src[i]);
    if (!enc_put_sjis(o, code != 0 ? code : '?')) break;
    i++;
  }
  dst[o.pos] = 0;
  return i;
}

int utf16_fits_sjis(const char16_t* src) {
  for (int i = 0; src[i] != 0; i++) {
    if (enc_unit_to_sjis(src[i]) == 0) return -1;
  }
  return 0;
}

int utf16_to_sjis_compat(char* dst, int dst_bytes, const unsigned char* src) {
  if (dst_bytes <= 0) return 0;
  EncOut8 o = {dst, dst_bytes, 0};
  int i = 0;
  for (;;) {
    unsigned u = enc_unit_at(src, i);
    if (u == 0) break;
    unsigned code;
    int take = 2;
    if (u < 0x80) {
      code = u;
    } else if (u >= 0xD800 && u <= 0xDBFF) {
      // A character beyond the BMP has no Shift-JIS code here: one "?" for the pair. The unit after
      // the high surrogate is skipped with it unless it is the terminating 0.
      code = '?';
      if (enc_unit_at(src, i + 2) != 0) take = 4;
    } else {
      code = enc_override_to_sjis(u);
      if (code == 0) code = sjis_table_from_unicode(u);
      if (code == 0) code = '?';
    }
    if (!enc_put_sjis(o, code)) break;
    i += take;
  }
  dst[o.pos] = 0;
  return i;
}

// ==== UTF-8 decoding =================================================================================
// One decoder for the string converters and for check_file_utf8. A byte below 0x80 is a character of
// its own; 0xC0-0xDF, 0xE0-0xEF and 0xF0-0xF7 begin a character of two, three and four bytes; the code
// point is the lead byte's low 5, 4 or 3 bits followed by 6 bits of every continuation byte (0x80-0xBF).
// Malformed: a stray continuation byte or a byte 0xF8-0xFF (skipped alone), or a continuation byte that
// is missing or out of range: the lead byte and the continuation bytes already accepted are skipped,
// and the byte that broke the sequence is left to begin the next character, so a 0 terminator or an
// ASCII letter after a cut sequence is never swallowed.

struct EncUtf8Char {
  uint32_t cp;  // code point (valid when len > 0)
  int len;      // 1 to 4 bytes; 0 when the sequence is malformed
  int skip;     // bytes consumed: len, or the malformed bytes to skip
};

int utf8_more(unsigned char b) {
  if (b < 0x80) return 0;
  if (b < 0xC0) return -1;
  if (b < 0xE0) return 1;
  if (b < 0xF0) return 2;
  if (b < 0xF8) return 3;
  return -1;
}

static uint32_t enc_utf8_lead_bits(unsigned b, int more) {
  return more == 0 ? b : more == 1 ? (b & 0x1F) : more == 2 ? (b & 0x0F) : (b & 0x07);
}

// Decodes the character at s (not at its terminating 0).
static EncUtf8Char enc_utf8_decode(const unsigned char* s) {
  EncUtf8Char c = {0, 0, 1};
  int more = utf8_more(s[0]);
  if (more < 0) return c;
  uint32_t cp = enc_utf8_lead_bits(s[0], more);
  for (int k = 1; k <= more; k++) {
    if (s[k] < 0x80 || s[k] > 0xBF) {
      c.skip = k;
      return c;
    }
    cp = (cp << 6) | (s[k] & 0x3F);
  }
  c.cp = cp;
  c.len = more + 1;
  c.skip = more + 1;
  return c;
}

int utf8_next(const unsigned char* s, uint32_t* cp) {
  uint32_t c = s[0];
  int len = c >= 0x01 && c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
          : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (len == 0) return 0;
  uint32_t v = len == 1 ? c : len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
  for (int i = 1; i < len; i++) {
    if ((s[i] & 0xC0) != 0x80) return 0;  // also stops at a 0 byte
    v = v << 6 | (s[i] & 0x3Fu);
  }
  if (len == 3 && (v < 0x800 || (v >= 0xD800 && v <= 0xDFFF))) return 0;
  if (len == 4 && (v < 0x10000 || v > 0x10FFFF)) return 0;
  *cp = v;
  return len;
}

// ==== UTF-8 converters ===============================================================================
// Both tolerate one malformed sequence (the result drops from UTF8_CLEAN to UTF8_BROKEN and conversion
// goes on) and end
// at the second, writing nothing for it or after it.

int utf8_to_utf16(char16_t* dst, int dst_units, const char* src) {
  if (dst_units <= 0) return UTF8_CLEAN;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
  EncOut16 o = {dst, dst_units, 0};
  int result = UTF8_CLEAN, bad = 0, i = 0;
  while (s[i] != 0) {
    EncUtf8Char c = enc_utf8_decode(s + i);
    if (c.len == 0) {
      if (++bad == 2) break;
      result = UTF8_BROKEN;
      i += c.skip;
      continue;
    }
    if (c.cp < 0x10000) {
      if (!enc_fits16(o, 1)) break;
      o.dst[o.pos++] = (char16_t)c.cp;
    } else {
      // Outside the BMP: "x" and the code point as six upper-case hexadecimal digits.
      if (!enc_fits16(o, 7)) break;
      o.dst[o.pos++] = u'x';
      for (int shift = 20; shift >= 0; shift -= 4) {
        o.dst[o.pos++] = (char16_t)"0123456789ABCDEF"[(c.cp >> shift) & 0xF];
      }
    }
    i += c.skip;
  }
  dst[o.pos] = 0;
  return result;
}

int utf8_to_sjis_compat(char* dst, int dst_bytes, const char* src) {
  if (dst_bytes <= 0) return UTF8_CLEAN;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
  EncOut8 o = {dst, dst_bytes, 0};
  int result = UTF8_CLEAN, bad = 0, i = 0;
  while (s[i] != 0) {
    EncUtf8Char c = enc_utf8_decode(s + i);
    if (c.len == 0) {
      if (++bad == 2) break;
      result = UTF8_BROKEN;
      i += c.skip;
      continue;
    }
    unsigned code = 0;
    if (c.len == 1) {
      code = c.cp;
    } else if (c.len == 2) {
      code = sjis_table_from_unicode(c.cp);
    } else if (c.len == 3) {
      code = enc_override_to_sjis(c.cp);
      if (code == 0) code = sjis_table_from_unicode(c.cp);
    }
    // A character without a code, and every four-byte character, is dropped.
    if (code != 0 && !enc_put_sjis(o, code)) break;
    i += c.skip;
  }
  dst[o.pos] = 0;
  return result;
}

int utf16_to_utf8(char* dst, int dst_bytes, const unsigned char* src) {
  if (dst_bytes <= 0) return 0;
  EncOut8 o = {dst, dst_bytes, 0};
  int i = 0;
  for (;;) {
    unsigned u = enc_unit_at(src, i);
    if (u == 0) break;
    uint32_t cp = u;
    int take = 2;
    if (u >= 0xD800 && u <= 0xDBFF) {
      unsigned v = enc_unit_at(src, i + 2);
      if (v >= 0xDC00 && v <= 0xDFFF) {
        cp = 0x10000 + ((u & 0x3FF) << 10) + (v & 0x3FF);
        take = 4;
      } else {
        // A high surrogate without its partner: "?" for both units, but never for the terminating 0.
        cp = '?';
        if (v != 0) take = 4;
      }
    }
    if (!enc_put_utf8(o, cp)) break;
    i += take;
  }
  dst[o.pos] = 0;
  return i;
}

// ==== Shift-JIS to UTF-8 =============================================================================
// Lead bytes by the program's own rule. The plausibility flags start at SJIS_FLAGS_START and change as
// chkifsjis changes them for the same bytes: lead 0x80 keeps bit 1 only; a trail byte 0x00-0x3F after
// another lead keeps bit 0 only; a lead byte 0xE0 and up sets bit 3 (before the trail test); a byte
// 0xFD-0xFF sets bit 3; a lead byte right before the end keeps bits 0 and 1 and ends the conversion.
// Codes with lead byte 0x81-0x9F take the code page 932 override first; unmapped codes write nothing.
// A one-byte code 0xA0-0xDF goes through the table's one-byte part; 0xA0, which it does not map, writes
// nothing (copying the raw byte would put a malformed sequence into the UTF-8 text).

static int enc_sjis_to_utf8_at(EncOut8& o, const char* src) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
  int flags = SJIS_FLAGS_START, i = 0;
  while (s[i] != 0) {
    unsigned b = s[i];
    if (b < 0x80) {
      if (!enc_fits8(o, 1)) break;
      o.dst[o.pos++] = (char)b;
      i++;
      continue;
    }
    if (is_lead_byte((unsigned char)b)) {
      unsigned t = s[i + 1];
      if (t == 0) {
        flags &= 3;
        break;
      }
      if (b == 0x80) {
        flags &= 2;
      } else {
        if (b >= 0xE0) flags |= SJIS_FLAG_HIGH;
        if (t <= 0x3F) flags &= 1;
      }
      unsigned code = b * 256 + t;
      uint32_t cp = b <= 0x9F ? enc_override_to_unicode(code) : 0;
      if (cp == 0) cp = sjis_table_to_unicode(code);
      if (cp != 0 && !enc_put_utf8(o, cp)) break;
      i += 2;
      continue;
    }
    if (b <= 0xDF) {
      uint32_t cp = sjis_table_to_unicode(b);
      if (cp != 0 && !enc_put_utf8(o, cp)) break;
    } else {
      flags |= SJIS_FLAG_HIGH;  // 0xFD-0xFF: skipped
    }
    i++;
  }
  o.dst[o.pos] = 0;
  return flags;
}

int sjis_to_utf8_compat(char* dst, int dst_bytes, const char* src) {
  if (dst_bytes <= 0) return SJIS_FLAGS_START;
  EncOut8 o = {dst, dst_bytes, 0};
  return enc_sjis_to_utf8_at(o, src);
}

// ==== UTF-16 strings =================================================================================

int utf16_length(const char16_t* s) {
  int n = 0;
  while (n < ENC_UTF16_LENGTH_MAX && s[n] != 0) n++;
  return n;
}

int utf16_copy(char16_t* dst, int dst_units, const char16_t* src) {
  if (dst_units <= 0) return 0;
  int n = 0;
  while (src[n] != 0 && n < dst_units - 1) {
    dst[n] = src[n];
    n++;
  }
  dst[n] = 0;
  return n;
}

int utf16_append(char16_t* dst, int dst_units, const char16_t* src) {
  for (int end = 0; end < dst_units; end++) {
    if (dst[end] == 0) return utf16_copy(dst + end, dst_units - end, src);
  }
  return 0;  // no end within the buffer: the destination stays as it is
}
