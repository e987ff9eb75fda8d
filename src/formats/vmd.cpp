// vmd.cpp: the VMD motion reader (version "0002", 20-byte model names). Walks the file with the one walk
// of vmd_walk.h and hands each bone and morph key, as soon as it is decoded and its name resolved on the
// name lists, to the usage records. Camera, light and self-shadow keys are counted (with their last
// frame); show-and-IK keys are only walked, for the file's structure.
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

// Names resolved during one read, by their raw name field: a motion names the same hundred or so bones
// and morphs in every frame, in frame order, so nearly every key's field was seen a few keys before. An
// answer holds for the read it was given in while the list's generation stays (names.h): within a read
// the list only grows, and only an added pattern can change the answer for a name resolved before, so
// the generation is asked again only after a name was resolved by the list.
constexpr int VMD_SEEN_SLOTS = 1024;  // per list; a power of two, several times a motion's names

struct VmdSeen {
  uint64_t head, tail;  // the field's bytes 0 to 7 and 7 to 14
  int32_t entry;
  uint32_t generation;  // the list's generation when stored
  uint32_t read;        // the read it was stored in; 0 never matches
};
struct VmdSeenList {
  VmdSeen slot[VMD_SEEN_SLOTS];
  uint32_t generation;  // the list's generation as last asked
};
static VmdSeenList vmd_seen[2];  // bones, morphs
static uint32_t vmd_read_serial;  // counts the reads

// Forgets every answer: a new read.
static void vmd_seen_clear() {
  if (++vmd_read_serial == 0) {
    std::memset(vmd_seen, 0, sizeof vmd_seen);
    vmd_read_serial = 1;
  }
  vmd_seen[0].generation = names_generation(LIST_BONES);
  vmd_seen[1].generation = names_generation(LIST_MORPHS);
}

// The entry of the name in field (name: the same, terminated) on list (LIST_BONES or LIST_MORPHS). A
// field has two slots side by side, so that two names whose hashes meet do not push each other out at
// every frame.
static int vmd_entry(int list, const unsigned char* field, const char* name) {
  uint64_t head, tail;
  std::memcpy(&head, field, 8);
  std::memcpy(&tail, field + 7, 8);
  uint64_t h = (head * 0x9E3779B97F4A7C15ull) ^ (tail * 0xC2B2AE3D27D4EB4Full);
  VmdSeenList& seen = vmd_seen[list == LIST_BONES ? 0 : 1];
  VmdSeen* pair = &seen.slot[(h >> 40) & (VMD_SEEN_SLOTS - 2)];
  bool live[2];
  for (int i = 0; i < 2; i++) {
    live[i] = pair[i].read == vmd_read_serial && pair[i].generation == seen.generation;
    if (live[i] && pair[i].head == head && pair[i].tail == tail) return pair[i].entry;
  }
  int entry = names_find_or_add(list, name);
  seen.generation = names_generation(list);
  // The first slot that holds nothing live, else the one the hash's low bit picks.
  VmdSeen& slot = !live[0] ? pair[0] : !live[1] ? pair[1] : pair[h & 1];
  slot = VmdSeen{head, tail, entry, seen.generation, vmd_read_serial};
  return entry;
}

// A bone key read whole, handed on.
static void vmd_bone(const unsigned char* key) {
  char name[VMD_NAME + 1];
  vmd_key_name(name, key);
  vmd_count_key(&vmd_key_count.bone_keys, rfle32(key + VMD_BONE_FRAME));
  int entry = vmd_entry(LIST_BONES, key, name);
  if (entry < 1) return;
  BoneKey k;
  k.name = name;
  k.frame = rfle32(key + VMD_BONE_FRAME);
  k.px = rflefloat(key + VMD_BONE_POSITION);
  k.py = rflefloat(key + VMD_BONE_POSITION + 4);
  k.pz = rflefloat(key + VMD_BONE_POSITION + 8);
  k.qx = rflefloat(key + VMD_BONE_ROTATION);
  k.qy = rflefloat(key + VMD_BONE_ROTATION + 4);
  k.qz = rflefloat(key + VMD_BONE_ROTATION + 8);
  k.qw = rflefloat(key + VMD_BONE_ROTATION + 12);
  bone_usage_add(entry, k);
}

// A morph key read whole, handed on. A key whose frame number or weight is cut by the end of the file
// is not counted: its missing bytes would read as 0xFF, giving frame -1 and a weight that is not a
// number.
static void vmd_morph(const unsigned char* key) {
  char name[VMD_NAME + 1];
  vmd_key_name(name, key);
  vmd_count_key(&vmd_key_count.morph_keys, rfle32(key + VMD_MORPH_FRAME));
  int entry = vmd_entry(LIST_MORPHS, key, name);
  if (entry < 1) return;
  MorphKey k;
  k.name = name;
  k.frame = rfle32(key + VMD_MORPH_FRAME);
  k.weight = rflefloat(key + VMD_MORPH_WEIGHT);
  morph_usage_add(entry, k);
}

// A camera, light or self-shadow key read whole: counted into count, its frame number (its first four
// bytes) into the scene's last frame.
static void vmd_scene_key(int32_t* count, const unsigned char* record) {
  (*count)++;
  int32_t frame = rfle32(record);
  if (frame > vmd_key_count.last_scene_frame) vmd_key_count.last_scene_frame = frame;
}

// The walk, as far as the file is a motion: the model name, every bone and morph key read whole.
static void vmd_walk(VmdWalk* w) {
  VmdStep s;
  while (vmd_walk_next(w, &s) && w->result == READ_DONE) {
    if (s.piece == VMD_PIECE_MODEL) {
      std::memset(vmd_model, 0, sizeof vmd_model);
      std::memcpy(vmd_model, s.bytes, (size_t)s.got);
      cut_broken_tail(vmd_model);
    } else if (s.piece == VMD_PIECE_RECORD && s.got == s.shape->size) {
      switch (s.shape->block) {
        case BLOCK_BONE_KEYS: vmd_bone(s.bytes); break;
        case BLOCK_MORPH_KEYS: vmd_morph(s.bytes); break;
        case BLOCK_CAMERA_KEYS: vmd_scene_key(&vmd_key_count.camera_keys, s.bytes); break;
        case BLOCK_LIGHT_KEYS: vmd_scene_key(&vmd_key_count.light_keys, s.bytes); break;
        case BLOCK_SHADOW_KEYS: vmd_scene_key(&vmd_key_count.shadow_keys, s.bytes); break;
        default: break;  // show-and-IK keys: walked for the file's structure only
      }
    }
  }
  vmd_end_state = w->end;
}

void vmd_clear() {
  vmd_seen_clear();
  bone_usage_reset();
  morph_usage_reset();
  vmd_model[0] = 0;
  vmd_key_count = VmdKeys{0, 0, -1, 0, 0, 0, -1};
  vmd_end_state = ReadEnd{BLOCK_NONE, 0, 0, nullptr};
}

int vmd_read(const OpenedPath& p) {
  vmd_clear();
  static VmdWalk w;
  if (!vmd_walk_open(&w, p)) return READ_UNOPENED;
  vmd_walk(&w);
  vmd_walk_close(&w);
  return w.result;
}

int vmd_read_a(const char* path) { return vmd_read(rfpathA(path)); }
int vmd_read_w(const char16_t* wpath) { return vmd_read(rfpathW(wpath)); }
