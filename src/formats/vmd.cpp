// vmd.cpp: the VMD motion reader (version "0002", 20-byte model names). Walks the file with the one walk
// of vmd_walk.h, a run of records at a time where the byte reader's window holds them, and hands each
// bone and morph key to the usage records: the name is resolved on the name lists once for a run of keys
// of one name field (files list a bone's keys together as a rule), and each key's fields go into the
// record where they lie. Camera, light and self-shadow keys are counted (with their last frame);
// show-and-IK keys are only walked, for the file's structure.
//
// Records: vmd_model, the motion's model name, vmd_key_count, its keys and last frame, and
// vmd_end_state, how its file ended, written here at every read and clear; vmd_image, the file a read
// keeps for the pose engine (vmd_keep).
// Limits: names of 15 bytes, the model name of 20 bytes; a kept file of 54 bytes and 524,288 bone keys
// (about 58 MB; a longer one is walked through the byte reader and not kept).
// Trust: input is untrusted. Every count is a loop bound, never a size; the walk stops as soon as the
// byte reader has closed at the end of the file, so a count of 2^31 - 1 on a short file ends at once.
//
// Results: READ_DONE (also when the file ends inside the bone block or just before a block count),
// READ_NOT_FORMAT not a VMD file of this version or cut before a checkpoint of a later record,
// READ_UNOPENED cannot be opened.
#include "formats/vmd.h"

#include <cstring>
#include <new>

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

// ---- Runs of keys ------------------------------------------------------------------------------------------

// The run of keys being read: the name field its keys share, and the record they go into.
struct VmdRun {
  bool open;
  ReadBlock block;      // the block of the last record read
  uint64_t head, tail;  // the name field's bytes 0 to 7 and 7 to 14
  BoneTarget bone;      // bone keys: the record (null: counted nowhere) and twist rule
  MorphUsage* morph;    // morph keys: the record, or null
};
static VmdRun vmd_run;

// True when the field at key is the run's.
static bool vmd_run_same(const unsigned char* key) {
  uint64_t head, tail;
  std::memcpy(&head, key, 8);
  std::memcpy(&tail, key + 7, 8);
  return vmd_run.open && head == vmd_run.head && tail == vmd_run.tail;
}

// A run of the name field at key begins.
static void vmd_run_begin(const unsigned char* key) {
  vmd_run.open = true;
  std::memcpy(&vmd_run.head, key, 8);
  std::memcpy(&vmd_run.tail, key + 7, 8);
}

// True when the field at key is the one whose bytes 0 to 7 and 7 to 14 are head and tail.
static inline bool vmd_field_is(const unsigned char* key, uint64_t head, uint64_t tail) {
  uint64_t h, t;
  std::memcpy(&h, key, 8);
  std::memcpy(&t, key + 7, 8);
  return h == head && t == tail;
}

// The keys of the run from keys up to end (at most), gathered into *g (which starts empty) and, for a
// twist bone, handed to the twist too, their largest frame into *last; returns where the run stops (end,
// or the first key of another name field). The gathering is local, so that it stays in registers.
template <bool TWIST>
static const unsigned char* vmd_bone_run(const unsigned char* keys, const unsigned char* end, BoneGather* g,
                                         int32_t* last) {
  const uint64_t head = vmd_run.head, tail = vmd_run.tail;
  const BoneTarget t = vmd_run.bone;
  BoneGather gather = BONE_GATHER_NONE;
  int32_t most = *last;
  for (; keys < end && vmd_field_is(keys, head, tail); keys += VMD_BONE_KEY) {
    int32_t frame = rfle32(keys + VMD_BONE_FRAME);
    most = frame > most ? frame : most;
    const unsigned char* p = keys + VMD_BONE_POSITION;
    const unsigned char* q = keys + VMD_BONE_ROTATION;
    float qx = rflefloat(q), qy = rflefloat(q + 4), qz = rflefloat(q + 8);
    float rotation_sq = bone_usage_gather(gather, frame, rflefloat(p), rflefloat(p + 4), rflefloat(p + 8), qx, qy, qz);
    if (TWIST) bone_usage_twist(t, frame, qx, qy, qz, rflefloat(q + 12), rotation_sq);
  }
  *g = gather;
  *last = most;
  return keys;
}

// n bone keys read whole, one after another at keys.
static void vmd_bones(const unsigned char* keys, int n) {
  int32_t last = vmd_key_count.last_frame;
  const unsigned char* end = keys + (size_t)n * VMD_BONE_KEY;
  while (keys < end) {
    if (!vmd_run_same(keys)) {
      vmd_run_begin(keys);
      char name[VMD_NAME + 1];
      vmd_key_name(name, keys);
      bone_usage_target(&vmd_run.bone, vmd_entry(LIST_BONES, keys, name), name);
    }
    if (vmd_run.bone.record == nullptr) {
      // A name without a record: its keys are counted with the motion's only.
      for (; keys < end && vmd_field_is(keys, vmd_run.head, vmd_run.tail); keys += VMD_BONE_KEY) {
        int32_t frame = rfle32(keys + VMD_BONE_FRAME);
        if (frame > last) last = frame;
      }
      continue;
    }
    BoneGather g;
    keys = vmd_run.bone.twist == BONE_NO_TWIST ? vmd_bone_run<false>(keys, end, &g, &last)
                                               : vmd_bone_run<true>(keys, end, &g, &last);
    bone_usage_gathered(vmd_run.bone, g);
  }
  vmd_key_count.bone_keys += n;
  vmd_key_count.last_frame = last;
}

// n morph keys read whole. (A key whose frame number or weight is cut by the end of the file is not
// counted: its missing bytes would read as 0xFF, giving frame -1 and a weight that is not a number.)
static void vmd_morphs(const unsigned char* keys, int n) {
  int32_t last = vmd_key_count.last_frame;
  for (int i = 0; i < n; i++, keys += VMD_MORPH_KEY) {
    if (!vmd_run_same(keys)) {
      vmd_run_begin(keys);
      char name[VMD_NAME + 1];
      vmd_key_name(name, keys);
      vmd_run.morph = morph_usage_target(vmd_entry(LIST_MORPHS, keys, name));
    }
    int32_t frame = rfle32(keys + VMD_MORPH_FRAME);
    if (frame > last) last = frame;
    if (vmd_run.morph != nullptr) morph_usage_key(vmd_run.morph, frame, rflefloat(keys + VMD_MORPH_WEIGHT));
  }
  vmd_key_count.morph_keys += n;
  vmd_key_count.last_frame = last;
}

// n camera, light or self-shadow keys of size bytes read whole: counted into count, their frame numbers
// (their first four bytes) into the scene's last frame.
static void vmd_scene_keys(int32_t* count, const unsigned char* records, int n, int size) {
  *count += n;
  for (int i = 0; i < n; i++, records += size) {
    int32_t frame = rfle32(records);
    if (frame > vmd_key_count.last_scene_frame) vmd_key_count.last_scene_frame = frame;
  }
}

// ---- The bytes kept for the pose engine ---------------------------------------------------------------------

constexpr int64_t VMD_IMAGE_BYTES = VMD_HEADER + (int64_t)VMD_KEEP_KEYS * VMD_BONE_KEY;
static unsigned char* vmd_image;  // VMD_IMAGE_BYTES, taken the first time keeping is asked for
static bool vmd_keeping;
static int64_t vmd_image_size;    // the last read's whole file, or -1 when it did not keep it

void vmd_keep(bool keep) {
  if (keep && vmd_image == nullptr) vmd_image = new (std::nothrow) unsigned char[VMD_IMAGE_BYTES];
  vmd_keeping = keep && vmd_image != nullptr;
}

VmdKept vmd_kept() {
  if (vmd_image_size < 0) return VmdKept{nullptr, 0};
  return VmdKept{vmd_image, vmd_image_size};
}

// ---- The read ------------------------------------------------------------------------------------------------

// The walk, as far as the file is a motion: the model name, every bone and morph key read whole.
static void vmd_walk(VmdWalk* w) {
  w->runs = true;
  vmd_run.open = false;
  VmdStep s;
  while (vmd_walk_next(w, &s) && w->result == READ_DONE) {
    // A run is of one block's keys.
    if (s.piece != VMD_PIECE_RECORD || s.shape->block != vmd_run.block) vmd_run.open = false;
    if (s.piece == VMD_PIECE_RECORD) vmd_run.block = s.shape->block;
    if (s.piece == VMD_PIECE_MODEL) {
      std::memset(vmd_model, 0, sizeof vmd_model);
      std::memcpy(vmd_model, s.bytes, (size_t)s.got);
      cut_broken_tail(vmd_model);
    } else if (s.piece == VMD_PIECE_RECORD && s.records > 0) {
      switch (s.shape->block) {
        case BLOCK_BONE_KEYS: vmd_bones(s.bytes, s.records); break;
        case BLOCK_MORPH_KEYS: vmd_morphs(s.bytes, s.records); break;
        case BLOCK_CAMERA_KEYS: vmd_scene_keys(&vmd_key_count.camera_keys, s.bytes, s.records, VMD_CAMERA_KEY); break;
        case BLOCK_LIGHT_KEYS: vmd_scene_keys(&vmd_key_count.light_keys, s.bytes, s.records, VMD_LIGHT_KEY); break;
        case BLOCK_SHADOW_KEYS: vmd_scene_keys(&vmd_key_count.shadow_keys, s.bytes, s.records, VMD_SHADOW_KEY); break;
        default: break;  // show-and-IK keys: walked for the file's structure only
      }
    }
  }
  vmd_run.open = false;
  bone_usage_finish();
  vmd_end_state = w->end;
}

void vmd_clear() {
  vmd_seen_clear();
  vmd_image_size = -1;
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
  // Kept, the file is read into memory as it is walked: a walk to its end leaves it there whole.
  if (vmd_keeping) vmd_walk_keep(&w, vmd_image, VMD_IMAGE_BYTES);
  vmd_walk(&w);
  vmd_image_size = vmd_walk_kept(&w);
  vmd_walk_close(&w);
  return w.result;
}

int vmd_read_a(const char* path) { return vmd_read(rfpathA(path)); }
int vmd_read_w(const char16_t* wpath) { return vmd_read(rfpathW(wpath)); }
