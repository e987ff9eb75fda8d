// encoding.h: Shift-JIS, UTF-16 and UTF-8 conversion, the lead-byte rule, the UTF-16 string
// operations.
//
// Every converter takes the destination, its capacity and the source. It never writes past the
// capacity, always ends its output with a 0 (a 0 unit for UTF-16) when the capacity is at least 1,
// and always advances, so every loop ends. A character is written whole or not at all: when the next
// one does not fit in front of the terminating 0, conversion stops there and the result counts only
// what was converted. The converters' own input limits (9,998 bytes or units, 4,999 units) stay as
// they are; the capacity is an extra bound. With a capacity of 0 or less nothing is written and the
// result is that of an empty input.
//
// "UTF-16 as bytes": utf16_to_sjis_compat and utf16_to_utf8 read little-endian UTF-16 from a byte
// string (PMX texts), two bytes per unit, up to a 0 unit.
//
// Characters beyond the BMP: the Shift-JIS to Unicode table holds the 303 Shift_JIS-2004 codes whose
// code point lies beyond the BMP; sjis_to_utf16_by writes them as a surrogate pair and sjis_to_utf8_compat
// as four bytes. The Unicode to Shift-JIS table holds BMP units only, so the way back gives "?" per
// unit (utf16_to_sjis), one "?" per pair (utf16_to_sjis_compat) or nothing (utf8_to_sjis_compat).
// The 25 codes that Shift_JIS-2004 spells as a letter plus a combining mark are unmapped both ways.
#pragma once
#include <cstdint>

#include "text/sjis_bytes.h"

// ---- Lead bytes -----------------------------------------------------------------------------------

// is_lead_byte (sjis_bytes.h), the program's own rule, is used by the scans that walk names (wildcards,
// cut_broken_tail, sjis_to_utf8_compat, chkifsjis); the path operations and the two Shift-JIS to
// UTF-16 converters ask the system instead (sys_is_dbcs_lead).

// Walks s with the lead-byte rule; when its last byte is a lead byte without its trail byte,
// replaces that byte with 0. Returns 1 if a byte was removed, else 0.
int cut_broken_tail(char* s);

// ---- Tables -----------------------------------------------------------------------------------------

// Shift-JIS code (one byte, or lead byte * 256 + trail byte) to Unicode code point (possibly beyond
// the BMP); 0 unmapped. Codes outside 0x00-0xFF, 0x8000-0x9FFF and 0xE000-0xFCFF are unmapped.
uint32_t sjis_table_to_unicode(unsigned code);
// BMP code unit to Shift-JIS code (below 0x100: one byte); 0 unmapped. Units outside U+0000-U+04FF,
// U+1E00-U+9FFF and U+F900-U+FFFF are unmapped.
unsigned sjis_table_from_unicode(unsigned unit);

// ---- Converters ---------------------------------------------------------------------------------------

// The UTF-8 converters' results, which check_file_utf8 (formats/detect.h) gives for a file alike.
constexpr int UTF8_CLEAN = 7;   // no malformed sequence met
constexpr int UTF8_BROKEN = 0;  // a malformed sequence met
// The Shift-JIS plausibility flags of sjis_to_utf8_compat, which chkifsjis (formats/detect.h) gives for a
// file alike: they start at SJIS_FLAGS_START (bits 0 to 2); faults clear bits, bytes of 0xE0 and up set
// SJIS_FLAG_HIGH (bit 3). Flags of SJIS_PLAUSIBLE and above count as plausible Shift-JIS.
constexpr int SJIS_FLAGS_START = 7;
constexpr int SJIS_FLAG_HIGH = 8;
constexpr int SJIS_PLAUSIBLE = 3;

// Shift-JIS to UTF-16, lead bytes by the test lead: the system's ANSI test for names that reach the
// system's wide calls (sjis_to_utf16 in paths.h; the POSIX seam passes its own). Bytes below 0x80 are
// copied (0x5C stays U+005C); a two-byte code and any other byte from 0x80 up go through the table
// (0xB1 gives U+FF71); unmapped codes give "?". At most 9,998 input bytes (a character crossing that
// limit is not taken); a lead byte right before the end is dropped. Returns the number of input bytes
// taken.
int sjis_to_utf16_by(char16_t* dst, int dst_units, const char* src, bool (*lead)(unsigned char));
// UTF-16 to Shift-JIS. Units below 0x80 are copied; every other unit goes through the table (U+FF71
// gives 0xB1); unmapped units give "?". At most 9,998 units. Returns the units taken.
int utf16_to_sjis(char* dst, int dst_bytes, const char16_t* src);
// 0 if utf16_to_sjis writes every unit of src without "?", -1 otherwise (the first unit from 0x80 up
// without a table entry fails).
int utf16_fits_sjis(const char16_t* src);
// UTF-16 (as bytes) to Shift-JIS with the code page 932 overrides (model names): units below 0x80
// copied; a high surrogate gives "?" and its pair is skipped with it; others take their override, else
// the table, else "?". Returns the input bytes taken.
int utf16_to_sjis_compat(char* dst, int dst_bytes, const unsigned char* src);
// UTF-8 to UTF-16; a four-byte character becomes "x" and six upper-case hex digits of its code point.
// One malformed sequence is skipped; a second ends the output there. Returns UTF8_CLEAN, or UTF8_BROKEN
// when a malformed sequence was met.
int utf8_to_utf16(char16_t* dst, int dst_units, const char* src);
// UTF-16 (as bytes) to UTF-8; a surrogate pair gives four bytes, a high surrogate followed by anything
// else gives "?" for both units. Returns the input bytes taken.
int utf16_to_utf8(char* dst, int dst_bytes, const unsigned char* src);
// UTF-8 to Shift-JIS with overrides (alias file, model names). Characters without a code and all
// four-byte characters are dropped. Returns UTF8_CLEAN or UTF8_BROKEN as utf8_to_utf16.
int utf8_to_sjis_compat(char* dst, int dst_bytes, const char* src);
// Shift-JIS to UTF-8 with overrides, lead bytes by the program's rule; unmapped codes write nothing.
// Returns the plausibility flags, as chkifsjis gives them for the same bytes.
int sjis_to_utf8_compat(char* dst, int dst_bytes, const char* src);

// Continuation bytes that the lead byte b asks for (0 to 3), or -1 when b cannot begin a character
// (a continuation byte, or 0xF8 and up). The lenient rule of the alias file's converters and detector.
int utf8_more(unsigned char b);

// One strictly well-formed UTF-8 character at s (no overlong forms, no surrogates, nothing above
// U+10FFFF): its byte length 1 to 4 with its code point in *cp, or 0 when s does not begin one (also at
// the terminator). Never reads past a 0 byte.
int utf8_next(const unsigned char* s, uint32_t* cp);

// ---- UTF-16 strings ---------------------------------------------------------------------------------

// Units before the 0, at most 4,999.
int utf16_length(const char16_t* s);
// Copy / append (the end of dst looked for within dst_units; without one, dst is left as it is).
// Return the number of units copied.
int utf16_copy(char16_t* dst, int dst_units, const char16_t* src);
int utf16_append(char16_t* dst, int dst_units, const char16_t* src);
