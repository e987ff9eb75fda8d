// encoding.cpp: table lookups; placeholder converters until the real ones land. ASCII passes unchanged;
// everything else becomes "?".
#include "text/encoding.h"

#include "text/sjis_tables.h"

int cut_broken_tail(char* s) {
  int i = 0, last_lead = -1;
  while (s[i] != 0) {
    if (is_lead_byte((unsigned char)s[i])) {
      if (s[i + 1] == 0) {
        last_lead = i;
        break;
      }
      i += 2;
    } else {
      i++;
    }
  }
  if (last_lead < 0) return 0;
  s[last_lead] = 0;
  return 1;
}
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

template <typename D, typename S>
static int enc_ascii(D* dst, int cap, const S* src) {
  int n = 0;
  if (cap <= 0) return 0;
  while (src[n] != 0 && n < cap - 1) {
    unsigned v = (unsigned)src[n];
    dst[n] = (D)(v < 0x80 ? v : '?');
    n++;
  }
  dst[n] = 0;
  return n;
}
int sjis_to_utf16(char16_t* d, int c, const char* s) { return enc_ascii(d, c, (const unsigned char*)s); }
int sjis_append_utf16(char16_t* d, int c, const char* s) {
  int e = 0;
  while (e < c && d[e] != 0) e++;
  return enc_ascii(d + e, c - e, (const unsigned char*)s);
}
int utf16_to_sjis(char* d, int c, const char16_t* s) { return enc_ascii(d, c, s); }
int utf16_fits_sjis(const char16_t*) { return 0; }
int utf16_to_sjis_compat(char* d, int c, const unsigned char* s) { return 2 * enc_ascii(d, c, (const char16_t*)s); }
int utf8_to_utf16(char16_t* d, int c, const char* s) { enc_ascii(d, c, (const unsigned char*)s); return 7; }
int utf16_to_utf8(char* d, int c, const unsigned char* s) { return 2 * enc_ascii(d, c, (const char16_t*)s); }
int utf8_to_sjis_compat(char* d, int c, const char* s) { enc_ascii(d, c, (const unsigned char*)s); return 7; }
int sjis_to_utf8_compat(char* d, int c, const char* s) { enc_ascii(d, c, (const unsigned char*)s); return 7; }
int sjis_append_utf8(char* d, int c, const char* s) {
  int e = 0;
  while (e < c && d[e] != 0) e++;
  enc_ascii(d + e, c - e, (const unsigned char*)s);
  return 7;
}
int utf16_length(const char16_t* s) {
  int n = 0;
  while (s[n] != 0 && n < 4999) n++;
  return n;
}
int utf16_copy(char16_t* d, int c, const char16_t* s) { return enc_ascii(d, c, s); }
int utf16_append(char16_t* d, int c, const char16_t* s) {
  int e = 0;
  while (e < c && d[e] != 0) e++;
  return enc_ascii(d + e, c - e, s);
}
int check_file_utf8(const char*) { return 0xFF; }
int check_file_utf8W(const char16_t*) { return 0xFF; }
int chkifsjis(const char*) { return 0xFF; }
int chkifsjisW(const char16_t*) { return 0xFF; }
