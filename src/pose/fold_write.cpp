// fold_write.cpp: the fitted and folded copy of a motion (fold_write, see fold.h): the one walk of the
// file (formats/vmd_walk.h), every piece written as it is but for the renamed name fields and the bone
// block, which is rebuilt from the plan.
//
// Records: the renaming tables, the name hash and the output buffer of the copy in progress, written by
// fold_write.
// Limits: the plan's (FoldPlan): 192 removed names, 128 rewritten tracks.
// Trust: the file is read again and may have changed since the plan was made: the bone keys written are
// counted against the count written before them, and a difference is a result, never a wrong file
// passed off as whole.
#include <cstring>

#include "formats/filechan.h"
#include "formats/vmd_walk.h"
#include "pose/fold.h"
#include "text/hash.h"

static VmdRenameTable write_bones, write_morphs;

constexpr int WRITE_SLOTS = 1024;  // the removed names' hash, at most a fifth full
static_assert(WRITE_SLOTS >= 4 * (FOLD_LACKS + FOLD_TRACKS), "the removed names fit the hash");
static int16_t write_slot[WRITE_SLOTS];  // removed name + 1, 0 empty

static int write_removed(const FoldPlan* plan, const char* name) {
  for (uint32_t at = hash_text(name);; at++) {
    int i = write_slot[at & (WRITE_SLOTS - 1)] - 1;
    if (i < 0) return -1;
    if (std::strcmp(plan->removed[i], name) == 0) return i;
  }
}

constexpr int WRITE_BUFFER = 1 << 16;  // bytes gathered before they go to the stream (a call per key
                                       // costs more than the key)
static_assert(WRITE_BUFFER >= VMD_RECORD_MAX, "a record fits the buffer");

struct WriteCopy {
  FILE* out;
  bool failed;
  int64_t bone_keys, morph_keys;
  uint8_t emitted[FOLD_TRACKS];
  int held;  // bytes in buf
  unsigned char buf[WRITE_BUFFER];
};

static void write_flush(WriteCopy& c) {
  if (c.held > 0 && std::fwrite(c.buf, 1, (size_t)c.held, c.out) != (size_t)c.held) c.failed = true;
  c.held = 0;
}

static void write_bytes(WriteCopy& c, const void* bytes, int n) {
  if (n <= 0) return;
  if (n > WRITE_BUFFER - c.held) write_flush(c);
  if (n > WRITE_BUFFER) {
    if (std::fwrite(bytes, 1, (size_t)n, c.out) != (size_t)n) c.failed = true;
    return;
  }
  std::memcpy(c.buf + c.held, bytes, (size_t)n);
  c.held += n;
}

static void write_le32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = (unsigned char)(v >> (8 * i));
}

// A rewritten track's keys, each a whole bone key record.
static void write_track(WriteCopy& c, const FoldPlan* plan, int t) {
  if (c.emitted[t]) return;
  c.emitted[t] = 1;
  const FoldTrack& track = plan->track[t];
  unsigned char rec[VMD_BONE_KEY];
  std::memset(rec, 0, VMD_NAME);
  size_t len = strnlen(track.name, sizeof track.name);
  std::memcpy(rec, track.name, len < (size_t)VMD_NAME ? len : (size_t)VMD_NAME);
  for (int i = 0; i < track.count; i++) {
    const PoseKey& k = plan->key[track.first + i];
    write_le32(rec + VMD_BONE_FRAME, k.frame);
    for (int a = 0; a < 3; a++) std::memcpy(rec + VMD_BONE_POSITION + 4 * a, &k.pos[a], 4);
    for (int a = 0; a < 4; a++) std::memcpy(rec + VMD_BONE_ROTATION + 4 * a, &k.rot[a], 4);
    std::memcpy(rec + VMD_BONE_CURVES, k.curve, VMD_BONE_CURVE_BYTES);
    write_bytes(c, rec, VMD_BONE_KEY);
    c.bone_keys++;
  }
}

int fold_write(const FoldPlan* plan, const OpenedPath& p, FILE* out, const VmdRename* bones, int bone_count,
               const VmdRename* morphs, int morph_count, FoldCounts* counts) {
  if (counts != nullptr) *counts = FoldCounts{0, 0};
  if (plan->result != FOLD_DONE || plan->removed_count <= 0) return FOLD_WRITE_NO_PLAN;
  if (!vmd_rename_fill(&write_bones, bones, bone_count) || !vmd_rename_fill(&write_morphs, morphs, morph_count)) {
    return FOLD_WRITE_BAD_RENAME;
  }
  std::memset(write_slot, 0, sizeof write_slot);
  for (int i = 0; i < plan->removed_count; i++) {
    uint32_t at = hash_text(plan->removed[i]);
    while (write_slot[at & (WRITE_SLOTS - 1)] != 0) at++;
    write_slot[at & (WRITE_SLOTS - 1)] = (int16_t)(i + 1);
  }
  static VmdWalk w;
  if (!vmd_walk_open(&w, p)) return FOLD_WRITE_UNOPENED;
  static WriteCopy c;
  c.out = out;
  c.failed = false;
  c.bone_keys = c.morph_keys = 0;
  c.held = 0;
  std::memset(c.emitted, 0, sizeof c.emitted);
  VmdStep s;
  bool in_bones = false, bones_done = false, changed = false;
  char last_name[POSE_TRACK_NAME];  // the name of the last bone key and what write_removed gave for it
  bool last_known = false;
  int last_removed = -1;
  auto close_bones = [&]() {
    // Tracks no removed name brought out yet go at the end of the block.
    for (int t = 0; t < plan->track_count; t++) write_track(c, plan, t);
    if (c.bone_keys != plan->bone_keys) changed = true;
    in_bones = false;
    bones_done = true;
  };
  while (vmd_walk_next(&w, &s)) {
    bool bone_key = s.piece == VMD_PIECE_RECORD && s.shape->block == BLOCK_BONE_KEYS;
    if (s.piece == VMD_PIECE_COUNT && s.shape->block == BLOCK_BONE_KEYS && s.got == 4) {
      unsigned char b[4];
      write_le32(b, (uint32_t)plan->bone_keys);
      write_bytes(c, b, 4);
      in_bones = true;
      continue;
    }
    if (in_bones && !bone_key) close_bones();
    if (bone_key) {
      if (s.got < s.shape->size) continue;  // a key cut by the end of the file: the copy ends whole before it
      vmd_rename_field(write_bones, s.bytes, VMD_NAME);
      char name[POSE_TRACK_NAME];
      std::memcpy(name, s.bytes, VMD_NAME);
      name[VMD_NAME] = 0;
      // Files list a bone's keys together as a rule: a key of the last key's name has its answer.
      if (!(last_known && std::memcmp(name, last_name, sizeof name) == 0)) {
        std::memcpy(last_name, name, sizeof name);
        last_removed = write_removed(plan, name);
        last_known = true;
      }
      int r = last_removed;
      if (r < 0) {
        write_bytes(c, s.bytes, s.got);
        c.bone_keys++;
        continue;
      }
      for (int k = 0; k < plan->removed_emit_count[r]; k++) write_track(c, plan, plan->removed_emit[r][k]);
      continue;
    }
    if (s.piece == VMD_PIECE_RECORD && s.shape->names != VMD_NAMES_NONE && s.got >= s.shape->name_size) {
      vmd_rename_field(s.shape->names == VMD_NAMES_MORPHS ? write_morphs : write_bones, s.bytes, s.shape->name_size);
    }
    if (s.piece == VMD_PIECE_RECORD && s.shape->block == BLOCK_MORPH_KEYS && s.got == s.shape->size) c.morph_keys++;
    write_bytes(c, s.bytes, s.got);
  }
  if (in_bones) close_bones();
  write_flush(c);
  vmd_walk_close(&w);
  if (!bones_done) changed = true;  // the file no longer reaches its bone keys
  if (counts != nullptr) *counts = FoldCounts{c.bone_keys, c.morph_keys};
  if (c.failed) return FOLD_WRITE_FAILED;
  return changed ? FOLD_WRITE_CHANGED : FOLD_WRITE_DONE;
}
