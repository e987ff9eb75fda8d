// model.cpp: the target model's tables (see model.h).
//
// Records: model_own, the tables with an index of each table, so that a name is looked up without
// comparing it with every name of the model (a report asks once for every listed name, a library of
// motions thousands of times); or the caller's record in use (model_use). Written only through
// model_clear, model_set_display_name and model_add_bone/morph (the PMX reader starts every attempt with
// model_clear).
#include "check/model.h"

#include <cstring>

#include "text/encoding.h"
#include "text/hash.h"

static_assert(MODEL_MORPHS < 0xFFFF, "entry numbers fit the index's 16 bits");
static ModelRecord model_own;
static ModelRecord* model_record = &model_own;  // the record in use
static uint32_t model_generations;              // the last generation given to any record

void model_use(ModelRecord* r) { model_record = r != nullptr ? r : &model_own; }

const ModelTables* model_view() { return &model_record->tables; }

void model_clear() {
  ModelTables& model = model_record->tables;
  // A generation no record had: what was made from another record's tables is not taken for these.
  model.generation = ++model_generations;
  model.display_name[0] = 0;
  model.bone_count = 0;
  model.morph_count = 0;
  std::memset(model_record->bone_index, 0, sizeof model_record->bone_index);
  std::memset(model_record->morph_index, 0, sizeof model_record->morph_index);
}

void model_set_display_name(const char* name) {
  ModelTables& model = model_record->tables;
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

// The two tables of the record in use.
static ModelTable model_bones() {
  ModelTables& m = model_record->tables;
  return ModelTable{m.bone, m.bone_en, &m.bone_count, MODEL_BONES, model_record->bone_index, MODEL_BONE_SLOTS};
}
static ModelTable model_morphs() {
  ModelTables& m = model_record->tables;
  return ModelTable{m.morph, m.morph_en, &m.morph_count, MODEL_MORPHS, model_record->morph_index, MODEL_MORPH_SLOTS};
}

int model_add_bone(const char* name, const char* english) { return model_add(model_bones(), name, english); }
int model_add_morph(const char* name, const char* english) { return model_add(model_morphs(), name, english); }

bool model_loaded() { return model_record->tables.bone_count != 0 || model_record->tables.morph_count != 0; }

bool model_has_bone(const char* name) { return model_entry(model_bones(), name) >= 0; }
bool model_has_morph(const char* name) { return model_entry(model_morphs(), name) >= 0; }
int model_bone_entry(const char* name) { return model_entry(model_bones(), name); }
int model_morph_entry(const char* name) { return model_entry(model_morphs(), name); }
