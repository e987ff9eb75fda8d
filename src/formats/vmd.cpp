// vmd.cpp: the VMD motion reader (version "0002", 20-byte model names). Walks every block of the file
// and hands each bone and morph key, as soon as it is decoded and its name resolved on the name lists,
// to the usage records. Camera, light, self-shadow and show-and-IK keys are read only to check the
// file's structure.
//
// Records: vmd_model, the motion's model name, vmd_key_count, its keys and last frame, and
// vmd_end_state, how its file ended, written here at every read and clear.
// Limits: names of 15 bytes, the model name of 20 bytes; nothing else is kept.
// Trust: input is untrusted. Every count is a loop bound, never a size; every loop stops as soon as the
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
#include "text/encoding.h"

constexpr int VMD_HEADER = VMD_SIGNATURE + VMD_MODEL + 4;  // signature, model name, bone count

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

// Records where the file was cut; the first cut is the one that counts.
static void vmd_cut(int block, int64_t read, int64_t declared) {
  if (vmd_end_state.block == BLOCK_NONE) vmd_end_state = ReadEnd{block, read, declared, nullptr};
}

// The 30-byte signature: "Voca" at 0 to 3 and "0002" at 21 to 24; the rest is not examined. A file
// that ends before a checked byte, every checked byte before its end being right, was cut in its header.
static bool vmd_signature() {
  static const char want[VMD_SIGNATURE + 1] = "Vocaloid Motion Data 0002";
  int end = -1;  // where the file ended, or -1
  for (int i = 0; i < VMD_SIGNATURE; i++) {
    int c = rfgetc();
    if (c < 0 && end < 0) end = i;
    bool checked = i <= 3 || (i >= 21 && i <= 24);
    if (checked && c != (unsigned char)want[i]) {
      if (end >= 0) vmd_cut(BLOCK_HEADER, end, VMD_HEADER);
      return false;
    }
  }
  return true;
}

// A name field's bytes up to its first 0, terminated.
static void vmd_key_name(char* out, const unsigned char* field) {
  std::memcpy(out, field, VMD_NAME);
  out[VMD_NAME] = 0;
}

// Each key is read whole, with one block read; a key the file cuts short is not handed on.
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

static void vmd_bones(int32_t count) {
  unsigned char key[VMD_BONE_KEY];
  char name[VMD_NAME + 1];
  for (int32_t i = 0; i < count && !rfclosed(); i++) {
    if (rfread(key, VMD_BONE_KEY) < VMD_BONE_KEY) {
      vmd_cut(BLOCK_BONE_KEYS, i, count);
      return;
    }
    vmd_key_name(name, key);
    const unsigned char* body = key + VMD_NAME;
    vmd_count_key(&vmd_key_count.bone_keys, rfle32(body));
    int entry = vmd_entry(LIST_BONES, key, name);
    if (entry < 1) continue;
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
}

// Outcome of a later block: go on to the next count, or finish with result 2.
enum VmdBlock { VMD_NEXT, VMD_CUT };

static VmdBlock vmd_morphs(int32_t count) {
  unsigned char key[VMD_MORPH_KEY];
  char name[VMD_NAME + 1];
  for (int32_t i = 0; i < count; i++) {
    int got = rfread(key, VMD_MORPH_KEY);
    if (got < VMD_MORPH_KEY) vmd_cut(BLOCK_MORPH_KEYS, i, count);
    if (got < VMD_NAME) return VMD_CUT;
    // A key whose frame number or weight is cut by the end of the file is not counted: its missing
    // bytes would read as 0xFF, giving frame -1 and a weight that is not a number.
    if (got < VMD_MORPH_KEY) return VMD_NEXT;
    vmd_key_name(name, key);
    vmd_count_key(&vmd_key_count.morph_keys, rfle32(key + VMD_NAME));
    int entry = vmd_entry(LIST_MORPHS, key, name);
    if (entry < 1) continue;
    MorphKey k;
    k.name = name;
    k.frame = rfle32(key + VMD_NAME);
    k.weight = rflefloat(key + VMD_NAME + 4);
    morph_usage_add(entry, k);
  }
  return VMD_NEXT;
}

// Records of a later block read only for their structure: each is read whole; when the file ends
// before its checkpoint (the bytes that must all be there), the file is cut (result 2); when it ends
// after the checkpoint, the block ends and the reading goes on to the next count. *whole gets the
// records read whole; keys (may be null) counts them, and their frame numbers (each record's first
// four bytes) go into vmd_key_count.last_scene_frame.
static VmdBlock vmd_records(int32_t count, int size, int checkpoint, int32_t* whole, int32_t* keys) {
  unsigned char record[64];
  for (*whole = 0; *whole < count; (*whole)++) {
    int got = rfread(record, size);
    if (got < checkpoint) return VMD_CUT;
    if (got < size) return VMD_NEXT;
    if (keys == nullptr) continue;
    (*keys)++;
    int32_t frame = rfle32(record);
    if (frame > vmd_key_count.last_scene_frame) vmd_key_count.last_scene_frame = frame;
  }
  return VMD_NEXT;
}

// A block of keys read for their structure and counted into keys, block naming it where the file is cut.
static VmdBlock vmd_block(int block, int32_t count, int size, int checkpoint, int32_t* keys) {
  int32_t whole;
  VmdBlock b = vmd_records(count, size, checkpoint, &whole, keys);
  if (whole < count) vmd_cut(block, whole, count);
  return b;
}

static VmdBlock vmd_show_ik(int32_t count) {
  unsigned char head[VMD_SHOW_IK_HEAD];
  for (int32_t i = 0; i < count; i++) {
    int got = rfread(head, VMD_SHOW_IK_HEAD);
    if (got < VMD_SHOW_IK_HEAD) vmd_cut(BLOCK_IK_KEYS, i, count);
    if (got < 5) return VMD_CUT;
    if (got < VMD_SHOW_IK_HEAD) return VMD_NEXT;
    // Each IK: a 20-byte bone name (the checkpoint) and its enabled flag.
    int32_t switches = rfle32(head + 5), whole;
    VmdBlock b = vmd_records(switches, VMD_IK_SWITCH, VMD_MODEL, &whole, nullptr);
    if (whole < switches) vmd_cut(BLOCK_IK_KEYS, i, count);
    if (b == VMD_CUT) return VMD_CUT;
    if (rfclosed()) return VMD_NEXT;
  }
  return VMD_NEXT;
}

// Reads a block count; false when the file ended before it (at the block's boundary), or inside it
// (then the file was cut in block, before its count).
static bool vmd_count(int block, int32_t* count) {
  unsigned char b[4];
  int got = rfread(b, 4);
  *count = got == 4 ? rfle32(b) : 0;
  if (got > 0 && got < 4) vmd_cut(block, 0, -1);
  return got == 4;
}

static int vmd_walk() {
  if (!vmd_signature()) return READ_NOT_FORMAT;
  char model[VMD_MODEL + 1];
  std::memset(model, 0, sizeof model);
  int got = rfread(model, VMD_MODEL);
  std::memcpy(vmd_model, model, sizeof vmd_model);
  vmd_model[VMD_MODEL] = 0;
  cut_broken_tail(vmd_model);
  unsigned char b[4];
  int got_count = got == VMD_MODEL ? rfread(b, 4) : 0;
  if (got_count < 4) {
    vmd_cut(BLOCK_HEADER, VMD_SIGNATURE + got + got_count, VMD_HEADER);
    return READ_DONE;
  }
  vmd_bones(rfle32(b));
  int32_t count;
  if (!vmd_count(BLOCK_MORPH_KEYS, &count)) return READ_DONE;
  if (vmd_morphs(count) == VMD_CUT) return READ_NOT_FORMAT;
  if (!vmd_count(BLOCK_CAMERA_KEYS, &count)) return READ_DONE;
  // Camera: frame number and seven floats, interpolation (both checkpoints), view angle, perspective.
  if (vmd_block(BLOCK_CAMERA_KEYS, count, VMD_CAMERA_KEY, 56, &vmd_key_count.camera_keys) == VMD_CUT) return READ_NOT_FORMAT;
  if (!vmd_count(BLOCK_LIGHT_KEYS, &count)) return READ_DONE;
  // Light: frame number and colour, position.
  if (vmd_block(BLOCK_LIGHT_KEYS, count, VMD_LIGHT_KEY, 16, &vmd_key_count.light_keys) == VMD_CUT) return READ_NOT_FORMAT;
  if (!vmd_count(BLOCK_SHADOW_KEYS, &count)) return READ_DONE;
  // Self-shadow: frame number, mode, distance.
  if (vmd_block(BLOCK_SHADOW_KEYS, count, VMD_SHADOW_KEY, 4, &vmd_key_count.shadow_keys) == VMD_CUT) return READ_NOT_FORMAT;
  if (!vmd_count(BLOCK_IK_KEYS, &count)) return READ_DONE;
  if (vmd_show_ik(count) == VMD_CUT) return READ_NOT_FORMAT;
  // Whatever follows is read to the end and ignored.
  unsigned char sink[FILECHAN_BUFFER];
  while (!rfclosed()) rfread(sink, (int)sizeof sink);
  return READ_DONE;
}

void vmd_clear() {
  vmd_seen_clear();
  bone_usage_reset();
  morph_usage_reset();
  vmd_model[0] = 0;
  vmd_key_count = VmdKeys{0, 0, -1, 0, 0, 0, -1};
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
