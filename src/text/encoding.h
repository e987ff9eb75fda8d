// encoding.h: Shift-JIS, UTF-16 and UTF-8 conversion, the lead-byte rule, the UTF-16 string
// operations and the two file-encoding detectors.
//
// Every converter takes the destination, its capacity and the source. It never writes past the
// capacity, always ends its output with a 0 (a 0 unit for UTF-16) when the capacity is at least 1,
// and always advances, so every loop ends. The converters' own input limits (9,998 bytes or units,
// 4,999 units) stay as they are; the capacity is an extra bound.
//
// "UTF-16 as bytes": utf16_to_sjis_compat and utf16_to_utf8 read little-endian UTF-16 from a byte
// string (PMX texts), two bytes per unit, up to a 0 unit.
#pragma once
#include <cstdint>

// ---- Lead bytes -----------------------------------------------------------------------------------

// The program's own lead-byte rule: 0x80 to 0x9F and 0xE0 to 0xFC.
inline bool is_lead_byte(unsigned char b) { return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Walks s with the lead-byte rule; when its last byte is a lead byte without its trail byte,
// replaces that byte with 0. Returns 1 if a byte was removed, else 0.
int cut_broken_tail(char* s);

// ---- Tables -----------------------------------------------------------------------------------------

// Shift-JIS code (one byte, or lead byte * 256 + trail byte) to Unicode code point; 0 unmapped.
uint32_t sjis_table_to_unicode(unsigned code);
// BMP code unit to Shift-JIS code (below 0x100: one byte); 0 unmapped.
unsigned sjis_table_from_unicode(unsigned unit);

// ---- Converters ---------------------------------------------------------------------------------------

// Shift-JIS to UTF-16, lead bytes by the system's ANSI test. Unmapped codes give "?". At most 9,998
// input bytes. Returns the number of input bytes taken.
int sjis_to_utf16(char16_t* dst, int dst_units, const char* src);
// The same, appended to the UTF-16 string already in dst (its end searched within 9,999 units).
int sjis_append_utf16(char16_t* dst, int dst_units, const char* src);
// UTF-16 to Shift-JIS. Unmapped units give "?". At most 9,998 units. Returns the units taken.
int utf16_to_sjis(char* dst, int dst_bytes, const char16_t* src);
// 0 if every unit can be written in Shift-JIS, -1 otherwise.
int utf16_fits_sjis(const char16_t* src);
// UTF-16 (as bytes) to Shift-JIS with the code page 932 overrides (model names). Returns the input
// bytes taken.
int utf16_to_sjis_compat(char* dst, int dst_bytes, const unsigned char* src);
// UTF-8 to UTF-16. Returns 7 for clean UTF-8, 0 when a malformed sequence was met.
int utf8_to_utf16(char16_t* dst, int dst_units, const char* src);
// UTF-16 (as bytes) to UTF-8. Returns the input bytes taken.
int utf16_to_utf8(char* dst, int dst_bytes, const unsigned char* src);
// UTF-8 to Shift-JIS with overrides (alias file, model names). Returns 7 or 0 as utf8_to_utf16.
int utf8_to_sjis_compat(char* dst, int dst_bytes, const char* src);
// Shift-JIS to UTF-8 with overrides. Returns the plausibility flags (as chkifsjis).
int sjis_to_utf8_compat(char* dst, int dst_bytes, const char* src);
// Shift-JIS appended, as UTF-8, to the string in dst whose end lies within its first 520 bytes.
// Returns the flags as sjis_to_utf8_compat, or -1 when no end is found within 520 bytes.
int sjis_append_utf8(char* dst, int dst_bytes, const char* src);

// ---- UTF-16 strings ---------------------------------------------------------------------------------

// Units before the 0, at most 4,999.
int utf16_length(const char16_t* s);
// Copy / append; return the number of units copied.
int utf16_copy(char16_t* dst, int dst_units, const char16_t* src);
int utf16_append(char16_t* dst, int dst_units, const char16_t* src);

// ---- Detectors (through the text reader, which they close when done) -------------------------------------

// 7 clean UTF-8, 0 not UTF-8, 0xFF cannot be opened.
int check_file_utf8(const char* path);
int check_file_utf8W(const char16_t* path);
// Plausibility flags (bits 0 to 3), 0xFF cannot be opened.
int chkifsjis(const char* path);
int chkifsjisW(const char16_t* path);
