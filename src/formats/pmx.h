// pmx.h: the PMX model reader and the target model's tables: its display name and the Shift-JIS
// Japanese names of its bones and morphs.
#pragma once
#include <cstdint>

constexpr int MODEL_BONES = 4096;      // bone names kept
constexpr int MODEL_MORPHS = 8192;     // morph names kept
constexpr int MODEL_NAME_SLOT = 256;   // bytes per kept name
constexpr int MODEL_DISPLAY_NAME = 21; // display name: 20 bytes and its terminator

struct ModelTables {
  char display_name[MODEL_DISPLAY_NAME];
  char bone[MODEL_BONES][MODEL_NAME_SLOT];
  int32_t bone_count;
  char morph[MODEL_MORPHS][MODEL_NAME_SLOT];
  int32_t morph_count;
};

const ModelTables* model_view();
// Empties the display name and both tables.
void model_clear();

// Reads a model: by wpath (rfopenW) when use_w is set, else by path (rfopen).
// 0 read (also when a structural error ended the walk early), 2 not a PMX file, -1 cannot be opened.
// Every attempt starts with empty tables and an empty display name.
int pmdinforead(const char* path, const char16_t* wpath, bool use_w);
int pmdinforead_a(const char* path);
int pmdinforead_w(const char16_t* wpath);
