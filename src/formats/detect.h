// detect.h: the two file-encoding detectors, through the text reader, which they close when done.
#pragma once

constexpr int DETECT_UNOPENED = 0xFF;  // either detector: the file cannot be opened

// UTF8_CLEAN (text/encoding.h), UTF8_BROKEN not UTF-8 (a malformed sequence, or the end of the file
// inside a character), DETECT_UNOPENED.
int check_file_utf8(const char* path);
int check_file_utf8W(const char16_t* path);
// Shift-JIS plausibility flags, starting at SJIS_FLAGS_START (text/encoding.h): bit 0 and bit 1 survive
// most faults, bit 2 only a file without an impossible pair (lead 0x80, or a trail byte below 0x40) and
// without a cut character, bit 3 (SJIS_FLAG_HIGH) is set when bytes of 0xE0 and up occur; from
// SJIS_PLAUSIBLE up they count as plausible. DETECT_UNOPENED.
int chkifsjis(const char* path);
int chkifsjisW(const char16_t* path);
