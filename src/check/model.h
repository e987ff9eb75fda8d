// model.h: the target model's tables: its display name and the Shift-JIS Japanese and English names
// of its bones and morphs. One global record (or the caller's, model_use), written by the PMX reader
// through the procedures below and read by the listings, which colour a name by whether the model has it.
//
// Limits: 4,096 bone names and 8,192 morph names are kept (later ones are dropped); a name is kept to
// 255 bytes, the display name to 20 bytes.
#pragma once
#include <cstdint>

constexpr int MODEL_BONES = 4096;      // bone names kept
constexpr int MODEL_MORPHS = 8192;     // morph names kept
constexpr int MODEL_NAME_SLOT = 256;   // bytes per kept name
constexpr int MODEL_DISPLAY_NAME = 21; // display name: 20 bytes and its terminator

struct ModelTables {
  char display_name[MODEL_DISPLAY_NAME];
  char bone[MODEL_BONES][MODEL_NAME_SLOT];     // Japanese names: what a motion's keys must name
  char bone_en[MODEL_BONES][MODEL_NAME_SLOT];  // English names, "" where the model gives none
  int32_t bone_count;
  char morph[MODEL_MORPHS][MODEL_NAME_SLOT];
  char morph_en[MODEL_MORPHS][MODEL_NAME_SLOT];
  int32_t morph_count;
  uint32_t generation;  // counts the clears: tables derived from these know when they are stale
};

// The tables and their name indices: open addressing from a name's hash to its entry number plus one
// (0: an empty slot), at most half full. All zeros is an empty record.
constexpr int MODEL_BONE_SLOTS = 2 * MODEL_BONES;
constexpr int MODEL_MORPH_SLOTS = 2 * MODEL_MORPHS;
struct ModelRecord {
  ModelTables tables;
  uint16_t bone_index[MODEL_BONE_SLOTS];
  uint16_t morph_index[MODEL_MORPH_SLOTS];
};
// The record every procedure below reads and writes: r (the caller's, kept as long as it is used), or
// with nullptr the file's own. velmora-report's --each-model keeps a record per model and uses each in
// turn; every other run uses the own record.
void model_use(ModelRecord* r);

// The tables, read-only.
const ModelTables* model_view();
// Empties the display name and both tables.
void model_clear();
// Sets the display name: its first 20 bytes, without a broken last character.
void model_set_display_name(const char* name);
// Keeps a Japanese name and its English name (nullptr: none) as the next bone or morph: 0, or -1 when
// the table is full (the names are dropped).
int model_add_bone(const char* name, const char* english);
int model_add_morph(const char* name, const char* english);

// True when a target model is loaded (its bone count or its morph count is not 0).
bool model_loaded();
// True when the model has a bone, a morph, of exactly this name.
bool model_has_bone(const char* name);
bool model_has_morph(const char* name);
// The entry (0-based) of the first bone, morph, of exactly this name, or -1 when the model has none.
int model_bone_entry(const char* name);
int model_morph_entry(const char* name);
