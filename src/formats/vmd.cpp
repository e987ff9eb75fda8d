// vmd.cpp: the VMD motion reader (version "0002", 20-byte model names). Walks every block of the file
// and hands each bone and morph key, as soon as it is decoded and its name resolved on the name lists,
// to the usage records. Camera, light, self-shadow and show-and-IK keys are read only to check the
// file's structure.
//
// Records: vmd_model, the motion's model name, and vmd_key_count, its keys and last frame, written here
// at every read and clear.
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

constexpr int VMD_SIGNATURE = 30;   // signature field: "Vocaloid Motion Data 0002" padded
constexpr int VMD_NAME = 15;        // bone and morph name fields
constexpr int VMD_MODEL = 20;       // model name field
constexpr int VMD_BONE_KEY = 111;   // name, frame number, seven floats, 64 interpolation bytes
constexpr int VMD_MORPH_KEY = 23;   // name, frame number, weight

static char vmd_model[VMD_MODEL_NAME];
static VmdKeys vmd_key_count;

const char* vmd_model_name() { return vmd_model; }
const VmdKeys* vmd_keys() { return &vmd_key_count; }

static void vmd_count_key(int32_t* count, int32_t frame) {
  (*count)++;
  if (frame > vmd_key_count.last_frame) vmd_key_count.last_frame = frame;
}

// Reads a name field of size bytes into out (size + 1 bytes), up to its first 0 byte.
static void vmd_name(char* out, int size) {
  std::memset(out, 0, (size_t)size + 1);
  rfread(out, size);
}

// The 30-byte signature: "Voca" at 0 to 3 and "0002" at 21 to 24; the rest is not examined.
static bool vmd_signature() {
  static const char want[VMD_SIGNATURE + 1] = "Vocaloid Motion Data 0002";
  for (int i = 0; i < VMD_SIGNATURE; i++) {
    int c = rfgetc();
    bool checked = i <= 3 || (i >= 21 && i <= 24);
    if (checked && c != (unsigned char)want[i]) return false;
  }
  return true;
}

// A name field's bytes up to its first 0, terminated.
static void vmd_key_name(char* out, const unsigned char* field) {
  std::memcpy(out, field, VMD_NAME);
  out[VMD_NAME] = 0;
}

// Each key is read whole, with one block read; a key the file cuts short is not handed on.
static void vmd_bones() {
  int32_t count = rfget32();
  unsigned char key[VMD_BONE_KEY];
  char name[VMD_NAME + 1];
  for (int32_t i = 0; i < count && !rfclosed(); i++) {
    if (rfread(key, VMD_BONE_KEY) < VMD_BONE_KEY) return;
    vmd_key_name(name, key);
    const unsigned char* body = key + VMD_NAME;
    vmd_count_key(&vmd_key_count.bone_keys, rfle32(body));
    int entry = names_find_or_add(LIST_BONES, name);
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
    if (got < VMD_NAME) return VMD_CUT;
    // A key whose frame number or weight is cut by the end of the file is not counted: its missing
    // bytes would read as 0xFF, giving frame -1 and a weight that is not a number.
    if (got < VMD_MORPH_KEY) return VMD_NEXT;
    vmd_key_name(name, key);
    vmd_count_key(&vmd_key_count.morph_keys, rfle32(key + VMD_NAME));
    int entry = names_find_or_add(LIST_MORPHS, name);
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
// after the checkpoint, the block ends and the reading goes on to the next count.
static VmdBlock vmd_records(int32_t count, int size, int checkpoint) {
  unsigned char record[64];
  for (int32_t i = 0; i < count; i++) {
    int got = rfread(record, size);
    if (got < checkpoint) return VMD_CUT;
    if (got < size) return VMD_NEXT;
  }
  return VMD_NEXT;
}

static VmdBlock vmd_show_ik(int32_t count) {
  unsigned char head[9];  // frame number, show flag, IK count
  for (int32_t i = 0; i < count; i++) {
    int got = rfread(head, 9);
    if (got < 5) return VMD_CUT;
    if (got < 9) return VMD_NEXT;
    // Each IK: a 20-byte bone name (the checkpoint) and its enabled flag.
    if (vmd_records(rfle32(head + 5), VMD_MODEL + 1, VMD_MODEL) == VMD_CUT) return VMD_CUT;
    if (rfclosed()) return VMD_NEXT;
  }
  return VMD_NEXT;
}

// Reads a block count; false when the file ended before it.
static bool vmd_count(int32_t* count) {
  *count = rfget32();
  return !rfclosed();
}

static int vmd_walk() {
  if (!vmd_signature()) return READ_NOT_FORMAT;
  char model[VMD_MODEL + 1];
  vmd_name(model, VMD_MODEL);
  std::memcpy(vmd_model, model, sizeof vmd_model);
  vmd_model[VMD_MODEL] = 0;
  cut_broken_tail(vmd_model);
  vmd_bones();
  int32_t count;
  if (!vmd_count(&count)) return READ_DONE;
  if (vmd_morphs(count) == VMD_CUT) return READ_NOT_FORMAT;
  if (!vmd_count(&count)) return READ_DONE;
  // Camera: frame number and seven floats, interpolation (both checkpoints), view angle, perspective.
  if (vmd_records(count, 61, 56) == VMD_CUT) return READ_NOT_FORMAT;
  if (!vmd_count(&count)) return READ_DONE;
  if (vmd_records(count, 28, 16) == VMD_CUT) return READ_NOT_FORMAT;  // light: frame number and colour, position
  if (!vmd_count(&count)) return READ_DONE;
  if (vmd_records(count, 9, 4) == VMD_CUT) return READ_NOT_FORMAT;    // self-shadow: frame number, mode, distance
  if (!vmd_count(&count)) return READ_DONE;
  if (vmd_show_ik(count) == VMD_CUT) return READ_NOT_FORMAT;
  // Whatever follows is read to the end and ignored.
  unsigned char sink[FILECHAN_BUFFER];
  while (!rfclosed()) rfread(sink, (int)sizeof sink);
  return READ_DONE;
}

void vmd_clear() {
  bone_usage_reset();
  morph_usage_reset();
  vmd_model[0] = 0;
  vmd_key_count = VmdKeys{0, 0, -1};
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
