// alias.h: the alias file reader. Appends the bone section's entries to name list 0 and the morph
// section's to list 3, with their replacements and modes.
#pragma once

// Reads by wpath when use_w is set, else by path. 0 read, -1 cannot be opened.
int alias_read(const char* path, const char16_t* wpath, bool use_w);
int alias_read_a(const char* path);
int alias_read_w(const char16_t* wpath);
