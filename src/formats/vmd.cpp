// vmd.cpp: the VMD motion reader (version "0002", 20-byte model names). Walks the file with the one walk
// of vmd_walk.h and hands each bone and morph key, as soon as it is decoded and its name resolved on the
// name lists, to the usage records. Camera, light, self-shadow and show-and-IK keys are only walked, for
// the file's structure.
//
// Records: vmd_model, the motion's model name, vmd_key_count, its keys and last frame, and
// vmd_end_state, how its file ended, written here at every read and clear.
// Limits: names of 15 bytes, the model name of 20 bytes; nothing else is kept.
// Trust: input is untrusted. Every count is a loop bound, never a size; the walk stops as soon as the
// byte reader has closed at the end of the file, so a count of 2^31 - 1 on a short file ends at once.
//
// Results: READ_DONE (also when the file ends inside the bone block or just before a block count),
// READ_NOT_FORMAT not a VMD file of this version or cut before a checkpoint of a later record,
// READ_UNOPENED cannot be opened.
#include "formats/vmd.h"

#include <cstring>

#include "check/names.h"
#include "check/usage.h"
#include "formats/filechan.h"
#include "formats/vmd_walk.h"
#include "text/encoding.h"

static char vmd_model[VMD_MODEL_NAME];
static VmdKeys vmd_key_count;
static ReadEnd vmd_end_state;

const char* vmd_model_name() { return vmd_model; }
const VmdKeys* vmd_keys() { return &vmd_key_count; }
const ReadEnd* vmd_end() { return &vmd_end_state; }

static void vmd_count_key(int32_t* count, int32_t frame) {
  (*count)++;
  if (frame > vmd_key_count.last_frame) vmd_key_count.last_frame = frame;
}

// A name field's bytes up to its first 0, terminated.
static void vmd_key_name(char* out, const unsigned char* field) {
  std::memcpy(out, field, VMD_NAME);
  out[VMD_NAME] = 0;
}

// A bone key read whole, handed on.
static void vmd_bone(const unsigned char* key) {
  char name[VMD_NAME + 1];
  vmd_key_name(name, key);
  const unsigned char* body = key + VMD_NAME;
  vmd_count_key(&vmd_key_count.bone_keys, rfle32(body));
  int entry = names_find_or_add(LIST_BONES, name);
  if (entry < 1) return;
  BoneKey k;
  k.name = name;
  k.frame = rfle32(body);
  k.px = rflefloat(body + 4);
  k.py = rflefloat(body + 8);
  k.pz = rflefloat(body + 12);
  k.qx = rflefloat(body + 16);
  k.qy = rflefloat(body + 20);
  k.qz = rflefloat(body + 24);
  k.qw = rflefloat(body + 28);
  bone_usage_add(entry, k);
}

// A morph key read whole, handed on. A key whose frame number or weight is cut by the end of the file
// is not counted: its missing bytes would read as 0xFF, giving frame -1 and a weight that is not a
// number.
static void vmd_morph(const unsigned char* key) {
  char name[VMD_NAME + 1];
  vmd_key_name(name, key);
  vmd_count_key(&vmd_key_count.morph_keys, rfle32(key + VMD_NAME));
  int entry = names_find_or_add(LIST_MORPHS, name);
  if (entry < 1) return;
  MorphKey k;
  k.name = name;
  k.frame = rfle32(key + VMD_NAME);
  k.weight = rflefloat(key + VMD_NAME + 4);
  morph_usage_add(entry, k);
}

// The walk, as far as the file is a motion: the model name, every bone and morph key read whole.
static int vmd_walk() {
  static VmdWalk w;
  vmd_walk_begin(&w);
  VmdStep s;
  while (vmd_walk_next(&w, &s) && w.result == READ_DONE) {
    if (s.piece == VMD_PIECE_MODEL) {
      std::memset(vmd_model, 0, sizeof vmd_model);
      std::memcpy(vmd_model, s.bytes, (size_t)s.got);
      cut_broken_tail(vmd_model);
    } else if (s.piece == VMD_PIECE_RECORD && s.got == s.shape->size) {
      if (s.shape == &vmd_shapes[0]) vmd_bone(s.bytes);
      else if (s.shape == &vmd_shapes[1]) vmd_morph(s.bytes);
    }
  }
  vmd_end_state = w.end;
  return w.result;
}

void vmd_clear() {
  bone_usage_reset();
  morph_usage_reset();
  vmd_model[0] = 0;
  vmd_key_count = VmdKeys{0, 0, -1};
  vmd_end_state = ReadEnd{BLOCK_NONE, 0, 0, nullptr};
}

// Reads by wpath when use_w is set, else by path.
static int vmd_read(const char* path, const char16_t* wpath, bool use_w) {
  vmd_clear();
  int opened = use_w ? (wpath != nullptr ? rfopenW(wpath) : -1) : (path != nullptr ? rfopen(path) : -1);
  if (opened != 0) return READ_UNOPENED;
  int result = vmd_walk();
  rfclose();
  return result;
}

int vmd_read_a(const char* path) { return vmd_read(path, nullptr, false); }
int vmd_read_w(const char16_t* wpath) { return vmd_read(nullptr, wpath, true); }
