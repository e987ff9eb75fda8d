// sys_posix_names.h: the POSIX seam's host names, shared by its halves (sys_posix.cpp opens, lists and
// searches by them; sys_posix_names.cpp converts them). Not part of the seam: nothing outside src/sys
// includes it.
#pragma once

constexpr int SYS_HOST_PATH = 1040;  // 260 UTF-16 units at up to 4 UTF-8 bytes each

// A host name (bytes) as UTF-16 into dst (cap units with the terminator): well-formed UTF-8 as Windows
// spells it, every other byte as U+DC00 + the byte. part: host is one listed name, in which every
// backslash is part of the name.
void sys_units_from_host(char16_t* dst, int cap, const char* host, bool part);
// A UTF-16 path to the host's name (SYS_HOST_PATH bytes); false when it does not fit (260 units, as
// MAX_PATH) or names nothing.
bool sys_host_name_w(char* dst, const char16_t* path);
// An ANSI (Shift-JIS) path to the host's name, as Windows turns an ANSI name into its UTF-16 name.
bool sys_host_name(char* dst, const char* path);
