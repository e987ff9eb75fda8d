// sjis_tables.h: the constant Shift-JIS <-> Unicode tables (generated into sjis_tables.cpp by
// tools/gen_sjis_tables.py). Only encoding.cpp reads them; everyone else goes through
// sjis_table_to_unicode / sjis_table_from_unicode (encoding.h).
//
// Shift-JIS -> Unicode: 32-bit code points indexed by the code (one byte, or lead * 256 + trail), in
// three ranges; a code point may lie beyond the BMP. Unicode -> Shift-JIS: 16-bit codes indexed by
// the BMP unit, in three ranges; a value below 0x100 is a one-byte code. 0 means unmapped in both.
#pragma once
#include <cstdint>

// Shift-JIS -> Unicode ranges: [first, first + count).
constexpr unsigned SJISTAB_UNI_00_FIRST = 0x00, SJISTAB_UNI_00_COUNT = 256;      // one-byte codes
constexpr unsigned SJISTAB_UNI_80_FIRST = 0x8000, SJISTAB_UNI_80_COUNT = 8192;   // leads 0x80-0x9F
constexpr unsigned SJISTAB_UNI_E0_FIRST = 0xE000, SJISTAB_UNI_E0_COUNT = 7424;   // leads 0xE0-0xFC

// Unicode -> Shift-JIS ranges: [first, first + count). Latin, Greek, Cyrillic; general punctuation to
// the CJK ideographs; compatibility ideographs to the half- and full-width forms.
constexpr unsigned SJISTAB_SJIS_0000_FIRST = 0x0000, SJISTAB_SJIS_0000_COUNT = 1280;
constexpr unsigned SJISTAB_SJIS_1E00_FIRST = 0x1E00, SJISTAB_SJIS_1E00_COUNT = 33280;
constexpr unsigned SJISTAB_SJIS_F900_FIRST = 0xF900, SJISTAB_SJIS_F900_COUNT = 1792;

static_assert(SJISTAB_UNI_80_FIRST + SJISTAB_UNI_80_COUNT == 0xA000, "leads 0x80 to 0x9F");
static_assert(SJISTAB_UNI_E0_FIRST + SJISTAB_UNI_E0_COUNT == 0xFD00, "leads 0xE0 to 0xFC");
static_assert(SJISTAB_SJIS_0000_FIRST + SJISTAB_SJIS_0000_COUNT == 0x0500, "U+0000 to U+04FF");
static_assert(SJISTAB_SJIS_1E00_FIRST + SJISTAB_SJIS_1E00_COUNT == 0xA000, "U+1E00 to U+9FFF");
static_assert(SJISTAB_SJIS_F900_FIRST + SJISTAB_SJIS_F900_COUNT == 0x10000, "U+F900 to U+FFFF");

extern const uint32_t sjistab_uni_00[SJISTAB_UNI_00_COUNT];
extern const uint32_t sjistab_uni_80[SJISTAB_UNI_80_COUNT];
extern const uint32_t sjistab_uni_e0[SJISTAB_UNI_E0_COUNT];
extern const uint16_t sjistab_sjis_0000[SJISTAB_SJIS_0000_COUNT];
extern const uint16_t sjistab_sjis_1e00[SJISTAB_SJIS_1E00_COUNT];
extern const uint16_t sjistab_sjis_f900[SJISTAB_SJIS_F900_COUNT];
