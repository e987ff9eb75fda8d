// alias.h: the alias file reader. Appends the bone section's entries to name list 0 and the morph
// section's to list 3, with their replacements and modes.
#pragma once
#include "formats/filechan.h"

// Reads the alias file p names, by the spelling it names (alias_read_a: by an ANSI path alone,
// alias_read_w: by a UTF-16 path alone). READ_DONE, or READ_UNOPENED.
int alias_read(const OpenedPath& p);
int alias_read_a(const char* path);
int alias_read_w(const char16_t* wpath);
