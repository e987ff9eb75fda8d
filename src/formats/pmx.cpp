// pmx.cpp: placeholder until the model reader lands; no model is ever read.
#include "formats/pmx.h"

static ModelTables model;
const ModelTables* model_view() { return &model; }
void model_clear() {
  model.display_name[0] = 0;
  model.bone_count = 0;
  model.morph_count = 0;
}
int pmdinforead(const char*, const char16_t*, bool) {
  model_clear();
  return -1;
}
int pmdinforead_a(const char* path) { return pmdinforead(path, nullptr, false); }
int pmdinforead_w(const char16_t* wpath) { return pmdinforead(nullptr, wpath, true); }
