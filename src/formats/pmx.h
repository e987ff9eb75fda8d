// pmx.h: the PMX model reader. Fills the target model's tables (check/model.h): its display name and
// the Shift-JIS Japanese names of its bones and morphs.
#pragma once
#include <cstdint>

#include "check/model.h"
#include "formats/filechan.h"
#include "formats/read_end.h"

// Reads a model by its ANSI path (rfopen) or its UTF-16 path (rfopenW).
// READ_DONE (also when a structural error ended the walk early), READ_NOT_FORMAT not a PMX file,
// READ_UNOPENED cannot be opened. Every attempt starts with empty tables and an empty display name.
int pmdinforead_a(const char* path);
int pmdinforead_w(const char16_t* wpath);
// How the file of the last read ended: whole, or cut inside which block after how many of the records
// its count declares (faces: indices; the header: bytes, with no count), or stopped there by the
// structural fault that fault names. Valid until the next read.
const ReadEnd* pmx_end();
