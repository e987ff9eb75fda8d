// alias.cpp: placeholder until the alias reader lands; no entries are read.
#include "formats/alias.h"

int alias_read(const char*, const char16_t*, bool) { return -1; }
int alias_read_a(const char* path) { return alias_read(path, nullptr, false); }
int alias_read_w(const char16_t* wpath) { return alias_read(nullptr, wpath, true); }
