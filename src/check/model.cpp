// model.cpp: the target model's tables (see model.h).
//
// Record: model, written only through model_clear, model_set_display_name and model_add_bone/morph
// (the PMX reader starts every attempt with model_clear).
#include "check/model.h"

#include <cstring>

#include "text/encoding.h"

static ModelTables model;

const ModelTables* model_view() { return &model; }

void model_clear() {
  model.display_name[0] = 0;
  model.bone_count = 0;
  model.morph_count = 0;
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

static int model_add(char (*table)[MODEL_NAME_SLOT], int32_t* count, int max, const char* name) {
  if (*count >= max) return -1;
  std::strncpy(table[*count], name, MODEL_NAME_SLOT - 1);
  table[*count][MODEL_NAME_SLOT - 1] = 0;
  (*count)++;
  return 0;
}

int model_add_bone(const char* name) { return model_add(model.bone, &model.bone_count, MODEL_BONES, name); }
int model_add_morph(const char* name) { return model_add(model.morph, &model.morph_count, MODEL_MORPHS, name); }

bool model_loaded() { return model.bone_count != 0 || model.morph_count != 0; }

static bool model_has(const char (*table)[MODEL_NAME_SLOT], int count, const char* name) {
  for (int i = 0; i < count; i++) {
    if (std::strcmp(table[i], name) == 0) return true;
  }
  return false;
}

bool model_has_bone(const char* name) { return model_has(model.bone, model.bone_count, name); }
bool model_has_morph(const char* name) { return model_has(model.morph, model.morph_count, name); }
