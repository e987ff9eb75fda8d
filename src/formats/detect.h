// detect.h: the two file-encoding detectors, through the text reader, which they close when done.
#pragma once

// 7 clean UTF-8, 0 not UTF-8 (a malformed sequence, or the end of the file inside a character),
// 0xFF cannot be opened.
int check_file_utf8(const char* path);
int check_file_utf8W(const char16_t* path);
// Shift-JIS plausibility flags, starting at 7: bit 0 and bit 1 survive most faults, bit 2 only a file
// without an impossible pair (lead 0x80, or a trail byte below 0x40) and without a cut character,
// bit 3 is set when bytes of 0xE0 and up occur. Above 2 counts as plausible. 0xFF cannot be opened.
int chkifsjis(const char* path);
int chkifsjisW(const char16_t* path);
