// vmd_walk.cpp: the one walk of a VMD file (see vmd_walk.h): a small state machine over the byte reader
// (or over bytes in memory) that hands out the file piece by piece and decides, as it goes, how the
// file ended.
//
// Records: none of its own; the walk's state is the caller's VmdWalk.
// Limits: records of at most 111 bytes; a run at most the byte reader's window (64 KiB); the tail is
// handed out 8,192 bytes at a time.
// Trust: the file is untrusted. Every count is a loop bound, never a size: a record read short closes
// the byte reader, and the walk then ends (a count of 2^31 - 1 on a short file ends at once). Whole
// records are handed out where the byte reader's window holds them; a record the file cuts is copied
// into the walk's buffer, never past its size.
#include "formats/vmd_walk.h"

#include <cstring>

const VmdShape vmd_shapes[VMD_BLOCKS] = {
    // Bone keys: a key cut anywhere ends the file where it is.
    {BLOCK_BONE_KEYS, VMD_BONE_KEY, 0, VMD_NAME, VMD_NAMES_BONES},
    // Morph keys: the name must be whole.
    {BLOCK_MORPH_KEYS, VMD_MORPH_KEY, VMD_NAME, VMD_NAME, VMD_NAMES_MORPHS},
    // Camera: frame number and seven floats, interpolation (both checkpoints), view angle, perspective.
    {BLOCK_CAMERA_KEYS, VMD_CAMERA_KEY, 56, 0, VMD_NAMES_NONE},
    // Light: frame number and colour, position.
    {BLOCK_LIGHT_KEYS, VMD_LIGHT_KEY, 16, 0, VMD_NAMES_NONE},
    // Self-shadow: frame number, mode, distance.
    {BLOCK_SHADOW_KEYS, VMD_SHADOW_KEY, 4, 0, VMD_NAMES_NONE},
    // Show-and-IK heads: frame number and show flag; then the switch count.
    {BLOCK_IK_KEYS, VMD_SHOW_IK_HEAD, 5, 0, VMD_NAMES_NONE},
};
// An IK switch: a 20-byte bone name (the checkpoint) and its enabled flag.
const VmdShape vmd_ik_switch = {BLOCK_IK_KEYS, VMD_IK_SWITCH, VMD_MODEL, VMD_MODEL, VMD_NAMES_BONES};
static_assert(VMD_BONE_KEY >= VMD_CAMERA_KEY && VMD_BONE_KEY >= VMD_IK_SWITCH, "the bone key is the largest record");

enum WalkStage : int {
  WALK_SIGNATURE = 0,
  WALK_MODEL,
  WALK_BONE_COUNT,
  WALK_COUNT,
  WALK_RECORDS,
  WALK_SWITCHES,
  WALK_TAIL,
  WALK_DONE,
};

// Records where the file was cut; the first cut is the one that counts, and none counts once the file
// is known to be no motion (the reader stops there).
static void vmd_walk_cut(VmdWalk* w, ReadBlock block, int64_t read, int64_t declared) {
  if (w->result != READ_DONE) return;
  if (w->end.block == BLOCK_NONE) w->end = ReadEnd{block, read, declared, nullptr};
}

static void vmd_walk_step(VmdStep* s, VmdPiece piece, const VmdShape* shape, unsigned char* bytes, int got,
                          int32_t index, int32_t count, int32_t records = 0) {
  *s = VmdStep{piece, shape, bytes, got, index, count, records};
}

// ---- The bytes walked: the byte reader's, or in memory --------------------------------------------------
//
// Three sources: the byte reader (memory null), bytes the caller has in memory, or the byte reader's
// file read into memory as the walk goes (keep set): each block of the file is read into the memory
// right after what was read before, and walked there while it is fresh in the cache, so that at the end
// the whole file lies in memory, read once. A file longer than the memory goes on from the byte reader.

// In keeping, reads blocks of the file into memory until need bytes lie ahead of the walk or the file
// ends; a file longer than the memory goes on from the byte reader, where the walk is.
static void vmd_walk_fill(VmdWalk* w, int need) {
  while (w->filling && w->memory_size - w->memory_at < need) {
    int64_t room = w->keep_capacity - w->memory_size;
    if (room <= 0) {
      w->filling = false;
      w->keep = nullptr;
      w->memory = nullptr;
      if (rfseek((uint32_t)w->memory_at) != RFSEEK_DONE) rfclose();  // cannot go back: the file ends here
      return;
    }
    int want = room < RF_WINDOW ? (int)room : RF_WINDOW;
    int got = rfread(w->keep + w->memory_size, want);
    w->memory_size += got;
    if (got < want) {
      // The end of the file (the byte reader has closed): it lies in memory whole.
      w->filling = false;
      w->kept_whole = true;
    }
  }
}

// Up to n bytes into out, as rfread delivers them: fewer only at the end.
static int vmd_walk_read(VmdWalk* w, unsigned char* out, int n) {
  if (w->keep != nullptr) vmd_walk_fill(w, n);
  if (w->memory == nullptr) return rfread(out, n);
  int64_t left = w->memory_size - w->memory_at;
  int got = left < n ? (int)left : n;
  std::memcpy(out, w->memory + w->memory_at, (size_t)got);
  w->memory_at += got;
  return got;
}

// The bytes ready in place, at least want of them unless the end comes first (rfwindow).
static int vmd_walk_window(VmdWalk* w, int want, unsigned char** bytes) {
  if (w->keep != nullptr) vmd_walk_fill(w, want);
  if (w->memory == nullptr) return rfwindow(want, bytes);
  int64_t left = w->memory_size - w->memory_at;
  *bytes = const_cast<unsigned char*>(w->memory + w->memory_at);
  return left < RF_WINDOW ? (int)left : RF_WINDOW;
}

static void vmd_walk_advance(VmdWalk* w, int n) {
  if (w->memory == nullptr) rfadvance(n);
  else w->memory_at += n;
}

void vmd_walk_begin(VmdWalk* w) {
  w->stage = WALK_SIGNATURE;
  w->block = 0;
  w->index = w->count = 0;
  w->head = 0;
  w->switches = 0;
  w->memory = nullptr;
  w->memory_size = w->memory_at = 0;
  w->keep = nullptr;
  w->keep_capacity = 0;
  w->filling = w->kept_whole = false;
  w->on_file = true;
  w->runs = false;
  w->signature_ok = false;
  w->result = READ_DONE;
  w->end = ReadEnd{BLOCK_NONE, 0, 0, nullptr};
}

bool vmd_walk_open(VmdWalk* w, const OpenedPath& p) {
  if (rfopenpath(p) != 0) return false;
  vmd_walk_begin(w);
  return true;
}

void vmd_walk_open_bytes(VmdWalk* w, const unsigned char* bytes, int64_t size) {
  vmd_walk_begin(w);
  w->on_file = false;
  w->memory = bytes;
  w->memory_size = bytes != nullptr && size > 0 ? size : 0;
}

bool vmd_walk_keep(VmdWalk* w, unsigned char* memory, int64_t capacity) {
  // Only at the start of a walk on a file that can go back (a FIFO cannot), to go on from the byte reader.
  if (!w->on_file || w->stage != WALK_SIGNATURE || memory == nullptr || capacity <= 0) return false;
  if (rfseek(0) != RFSEEK_DONE) return false;
  w->keep = memory;
  w->keep_capacity = capacity;
  w->memory = memory;
  w->filling = true;
  return true;
}

int64_t vmd_walk_kept(const VmdWalk* w) { return w->kept_whole ? w->memory_size : -1; }

void vmd_walk_close(VmdWalk* w) {
  if (w->on_file) rfclose();
}

// The signature: "Voca" at 0 to 3 and "0002" at 21 to 24; the rest is not examined. A file that ends
// before a checked byte, every checked byte before its end being right, was cut in its header.
static bool vmd_walk_signature(VmdWalk* w, int got) {
  static const char want[VMD_SIGNATURE + 1] = "Vocaloid Motion Data 0002";
  for (int i = 0; i < VMD_SIGNATURE; i++) {
    int c = i < got ? w->buf[i] : -1;
    bool checked = i <= 3 || (i >= 21 && i <= 24);
    if (checked && c != (unsigned char)want[i]) {
      if (i >= got) vmd_walk_cut(w, BLOCK_HEADER, got, VMD_HEADER);
      return false;
    }
  }
  return true;
}

// One record of shape, read whole or cut; false when there was nothing to read (the file had ended).
// A cut record ends the structure: the file was cut in the block after index of count records, and is
// no motion when the record lacks its checkpoint.
static bool vmd_walk_record(VmdWalk* w, VmdStep* s, const VmdShape* shape, int32_t index, int32_t count,
                            int32_t cut_index, int32_t cut_count) {
  unsigned char* ready;
  if (vmd_walk_window(w, shape->size, &ready) >= shape->size) {
    vmd_walk_advance(w, shape->size);
    vmd_walk_step(s, VMD_PIECE_RECORD, shape, ready, shape->size, index, count, 1);
    return true;
  }
  // The file ends inside the record (or has ended): what is left, read as it always was.
  int got = vmd_walk_read(w, w->buf, shape->size);
  vmd_walk_cut(w, shape->block, cut_index, cut_count);
  if (got < shape->checkpoint) w->result = READ_NOT_FORMAT;
  w->stage = WALK_TAIL;
  if (got == 0) return false;
  vmd_walk_step(s, VMD_PIECE_RECORD, shape, w->buf, got, index, count, 0);
  return true;
}

// A run of the block's records from w->index: the whole records that lie ready, at most those the block
// has left (at least one: else false, and the caller reads the record alone).
static bool vmd_walk_run(VmdWalk* w, VmdStep* s, const VmdShape* shape) {
  int64_t left = (int64_t)w->count - w->index;
  int fit = RF_WINDOW / shape->size;
  int want = (left < fit ? (int)left : fit) * shape->size;
  unsigned char* ready;
  int n = vmd_walk_window(w, want, &ready) / shape->size;
  if (n > left) n = (int)left;
  if (n < 1) return false;
  vmd_walk_advance(w, n * shape->size);
  vmd_walk_step(s, VMD_PIECE_RECORD, shape, ready, n * shape->size, w->index, w->count, n);
  w->index += n;
  return true;
}

bool vmd_walk_next(VmdWalk* w, VmdStep* s) {
  for (;;) {
    switch (w->stage) {
      case WALK_SIGNATURE: {
        int got = vmd_walk_read(w, w->buf, VMD_SIGNATURE);
        w->signature_ok = vmd_walk_signature(w, got);
        if (!w->signature_ok) w->result = READ_NOT_FORMAT;
        w->stage = WALK_MODEL;
        vmd_walk_step(s, VMD_PIECE_SIGNATURE, nullptr, w->buf, got, 0, 0);
        return true;
      }
      case WALK_MODEL: {
        int got = vmd_walk_read(w, w->buf, VMD_MODEL);
        w->stage = WALK_BONE_COUNT;
        if (got < VMD_MODEL) {
          // The count is not read after a short model name (the reader has closed).
          vmd_walk_cut(w, BLOCK_HEADER, VMD_SIGNATURE + got, VMD_HEADER);
          w->stage = WALK_TAIL;
        }
        vmd_walk_step(s, VMD_PIECE_MODEL, nullptr, w->buf, got, 0, 0);
        return true;
      }
      case WALK_BONE_COUNT:
      case WALK_COUNT: {
        int got = vmd_walk_read(w, w->buf, 4);
        const VmdShape* shape = &vmd_shapes[w->block];
        if (got < 4) {
          // A file may end right before a block's count; one that ends inside the bone count or any
          // other count was cut there.
          if (w->stage == WALK_BONE_COUNT) vmd_walk_cut(w, BLOCK_HEADER, VMD_SIGNATURE + VMD_MODEL + got, VMD_HEADER);
          else if (got > 0) vmd_walk_cut(w, shape->block, 0, -1);
          w->stage = WALK_TAIL;
          if (got == 0) continue;
        } else {
          w->count = rfle32(w->buf);
          w->index = 0;
          w->stage = WALK_RECORDS;
        }
        vmd_walk_step(s, VMD_PIECE_COUNT, shape, w->buf, got, 0, 0);
        return true;
      }
      case WALK_RECORDS: {
        if (w->index >= w->count) {
          w->block++;
          w->stage = w->block < VMD_BLOCKS ? WALK_COUNT : WALK_TAIL;
          continue;
        }
        const VmdShape* shape = &vmd_shapes[w->block];
        if (w->runs && shape->block != BLOCK_IK_KEYS && vmd_walk_run(w, s, shape)) return true;
        int32_t index = w->index;
        if (!vmd_walk_record(w, s, shape, index, w->count, index, w->count)) continue;
        if (w->stage == WALK_TAIL) return true;
        if (shape->block == BLOCK_IK_KEYS) {
          w->head = index;
          w->switches = rfle32(s->bytes + VMD_SHOW_IK_SWITCHES);
          w->index = 0;  // the switches' place; the head's is kept in head
          w->stage = WALK_SWITCHES;
        } else {
          w->index++;
        }
        return true;
      }
      case WALK_SWITCHES: {
        if (w->index >= w->switches) {
          w->index = w->head + 1;
          w->stage = WALK_RECORDS;
          continue;
        }
        int32_t index = w->index;
        // A cut switch is counted against its head: the file was cut in the show-and-IK block after
        // head of its heads.
        if (!vmd_walk_record(w, s, &vmd_ik_switch, index, w->switches, w->head, w->count)) continue;
        if (w->stage != WALK_TAIL) w->index++;
        return true;
      }
      case WALK_TAIL: {
        int got = vmd_walk_read(w, w->buf, FILECHAN_BUFFER);
        if (got == 0) {
          w->stage = WALK_DONE;
          return false;
        }
        vmd_walk_step(s, VMD_PIECE_TAIL, nullptr, w->buf, got, 0, 0);
        return true;
      }
      default:
        return false;
    }
  }
}
