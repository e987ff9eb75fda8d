// vmd.cpp: placeholder until the motion reader lands; no motion is ever read.
#include "formats/vmd.h"

#include "check/usage.h"

static char vmd_model[VMD_MODEL_NAME];
int vmd_read(const char*, const char16_t*, bool) {
  bone_usage_reset();
  morph_usage_reset();
  vmd_model[0] = 0;
  return -1;
}
int vmd_read_a(const char* path) { return vmd_read(path, nullptr, false); }
int vmd_read_w(const char16_t* wpath) { return vmd_read(nullptr, wpath, true); }
const char* vmd_model_name() { return vmd_model; }
