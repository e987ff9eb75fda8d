// sjis_bytes.h: the classes of Shift-JIS bytes, in one place. Two lead-byte rules live side by side on
// purpose:
//   - the program's own rule (is_lead_byte), 0x80 to 0x9F and 0xE0 to 0xFC, which the name scans have
//     always used (wildcards, cut_broken_tail, the spelling fold, the plausibility flags);
//   - code page 932's rule (sjis_cp932_lead), 0x81 to 0x9F and 0xE0 to 0xFC, which a Japanese Windows
//     applies to file names (the POSIX seam reads host names with it).
#pragma once

// The program's own lead-byte rule (0x80 counts).
inline bool is_lead_byte(unsigned char b) { return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
// Code page 932's lead bytes.
inline bool sjis_cp932_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
// A byte that may follow a lead byte: 0x40 to 0x7E and 0x80 to 0xFC.
inline bool sjis_is_trail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
// A half-width katakana or sign, one byte: 0xA1 to 0xDF.
inline bool sjis_is_half_kana(unsigned char b) { return b >= 0xA1 && b <= 0xDF; }
