// model.cpp: the target model's tables (see model.h).
//
// Records: model, written only through model_clear, model_set_display_name and model_add_bone/morph
// (the PMX reader starts every attempt with model_clear); beside it an index of each table, so that a
// name is looked up without comparing it with every name of the model (a report asks once for every
// listed name, a library of motions thousands of times).
#include "check/model.h"

#include <cstring>

#include "text/encoding.h"
#include "text/hash.h"

static ModelTables model;

// Open addressing from a name's hash to its entry number plus one (0: an empty slot), at most half full.
constexpr int MODEL_BONE_SLOTS = 2 * MODEL_BONES;
constexpr int MODEL_MORPH_SLOTS = 2 * MODEL_MORPHS;
static_assert(MODEL_MORPHS < 0xFFFF, "entry numbers fit the index's 16 bits");
static uint16_t model_bone_index[MODEL_BONE_SLOTS];
static uint16_t model_morph_index[MODEL_MORPH_SLOTS];

const ModelTables* model_view() { return &model; }

void model_clear() {
  model.generation++;
  model.display_name[0] = 0;
  model.bone_count = 0;
  model.morph_count = 0;
  std::memset(model_bone_index, 0, sizeof model_bone_index);
  std::memset(model_morph_index, 0, sizeof model_morph_index);
}

void model_set_display_name(const char* name) {
  int n = 0;
  while (n < MODEL_DISPLAY_NAME - 1 && name[n] != 0) {
    model.display_name[n] = name[n];
    n++;
  }
  model.display_name[n] = 0;
  cut_broken_tail(model.display_name);
}

// One table with its index; slots is a power of two, at least twice max.
struct ModelTable {
  char (*names)[MODEL_NAME_SLOT];
  char (*english)[MODEL_NAME_SLOT];
  int32_t* count;
  int max;
  uint16_t* index;
  int slots;
};

static int model_add(const ModelTable& t, const char* name, const char* english) {
  if (*t.count >= t.max) return -1;
  char* kept = t.names[*t.count];
  std::strncpy(kept, name, MODEL_NAME_SLOT - 1);
  kept[MODEL_NAME_SLOT - 1] = 0;
  char* kept_english = t.english[*t.count];
  std::strncpy(kept_english, english != nullptr ? english : "", MODEL_NAME_SLOT - 1);
  kept_english[MODEL_NAME_SLOT - 1] = 0;
  (*t.count)++;
  uint32_t at = hash_text(kept);
  while (t.index[at & (t.slots - 1)] != 0) at++;
  t.index[at & (t.slots - 1)] = (uint16_t)*t.count;
  return 0;
}

// The first entry of the name, or -1. Entries of one name sit along its probe sequence in the order
// they were added, so the first met is the first added.
static int model_entry(const ModelTable& t, const char* name) {
  for (uint32_t at = hash_text(name);; at++) {
    uint16_t e = t.index[at & (t.slots - 1)];
    if (e == 0) return -1;
    if (std::strcmp(t.names[e - 1], name) == 0) return e - 1;
  }
}

static const ModelTable MODEL_BONE_TABLE = {model.bone, model.bone_en, &model.bone_count, MODEL_BONES,
                                            model_bone_index, MODEL_BONE_SLOTS};
static const ModelTable MODEL_MORPH_TABLE = {model.morph, model.morph_en, &model.morph_count, MODEL_MORPHS,
                                             model_morph_index, MODEL_MORPH_SLOTS};

int model_add_bone(const char* name, const char* english) { return model_add(MODEL_BONE_TABLE, name, english); }
int model_add_morph(const char* name, const char* english) {
  return model_add(MODEL_MORPH_TABLE, name, english);
}

bool model_loaded() { return model.bone_count != 0 || model.morph_count != 0; }

bool model_has_bone(const char* name) { return model_entry(MODEL_BONE_TABLE, name) >= 0; }
bool model_has_morph(const char* name) { return model_entry(MODEL_MORPH_TABLE, name) >= 0; }
int model_bone_entry(const char* name) { return model_entry(MODEL_BONE_TABLE, name); }
int model_morph_entry(const char* name) { return model_entry(MODEL_MORPH_TABLE, name); }
