// pmx.h: the PMX model reader. Fills the target model's tables (check/model.h): its display name and
// the Shift-JIS Japanese names of its bones and morphs.
#pragma once
#include <cstdint>

#include "check/model.h"

// Reads a model: by wpath (rfopenW) when use_w is set, else by path (rfopen).
// 0 read (also when a structural error ended the walk early), 2 not a PMX file, -1 cannot be opened.
// Every attempt starts with empty tables and an empty display name.
int pmdinforead(const char* path, const char16_t* wpath, bool use_w);
int pmdinforead_a(const char* path);
int pmdinforead_w(const char16_t* wpath);
