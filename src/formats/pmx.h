// pmx.h: the PMX model reader. Fills the target model's tables (check/model.h): its display name and
// the Shift-JIS Japanese names of its bones and morphs.
#pragma once
#include "formats/filechan.h"
#include <cstdint>

#include "check/model.h"

// Reads a model by its ANSI path (rfopen) or its UTF-16 path (rfopenW).
// READ_DONE (also when a structural error ended the walk early), READ_NOT_FORMAT not a PMX file,
// READ_UNOPENED cannot be opened. Every attempt starts with empty tables and an empty display name.
int pmdinforead_a(const char* path);
int pmdinforead_w(const char16_t* wpath);
