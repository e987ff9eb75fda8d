// vmd.h: the VMD motion reader. Feeds every bone and morph key, resolved to a name-list entry, into
// the usage records; keeps the motion's model name.
#pragma once
#include <cstdint>

#include "formats/filechan.h"
#include "formats/read_end.h"
#include "formats/vmd_walk.h"

// The record layout (VMD_BONE_KEY and the others) is described once, in vmd_walk.h.

// Reads the motion p names, opened by the spelling it names. READ_DONE (also when the file ends early
// in the bone block or before a block count), READ_NOT_FORMAT not a VMD file of this version or cut
// inside a later record, READ_UNOPENED cannot be opened.
int vmd_read(const OpenedPath& p);
// The same by an ANSI path (rfopen) or a UTF-16 path (rfopenW) alone.
int vmd_read_a(const char* path);
int vmd_read_w(const char16_t* wpath);

// The motion's model name (Shift-JIS), valid until the next read or clear.
const char* vmd_model_name();
// The keys the last read handed on (every bone key and every morph key read whole, whether or not its
// name found room in the name lists) and the largest frame among them (-1 without keys); valid until
// the next read or clear.
struct VmdKeys {
  int32_t bone_keys;
  int32_t morph_keys;
  int32_t last_frame;
  // The camera, light and self-shadow keys read whole, and the largest frame among them (-1 without).
  int32_t camera_keys;
  int32_t light_keys;
  int32_t shadow_keys;
  int32_t last_scene_frame;
};
const VmdKeys* vmd_keys();
// How the file of the last read ended: whole (also when it ends at a block's boundary: right before a
// block count, as older files end after their morph or self-shadow block), or cut inside which block
// after how many of the records its count declares (the header counts bytes: 30 of signature, 20 of
// model name, 4 of bone count). A file cut in the header is one the reader could not read; one cut in
// a block was read up to its last whole record, whatever the result. Valid until the next read or clear.
const ReadEnd* vmd_end();
// Empties the motion: the bone and morph usage records, the model name, the key counts, the end and
// what was kept (every read starts so).
void vmd_clear();

// Keeping what the pose engine reads of a motion, so that it need not read the file again: while on,
// every read reads its file into memory as it walks it, so that a file of at most 54 + 111 *
// VMD_KEEP_KEYS bytes (as many bone keys as the pose engine plays) lies there whole after the read. Off
// at the start; the memory (about 58 MB, touched only as far as a motion fills it) is taken the first
// time it is turned on, and without it nothing is kept.
constexpr int VMD_KEEP_KEYS = 1 << 19;
void vmd_keep(bool keep);
// The file the last read kept whole: its size bytes; or {nullptr, 0} when it kept none (keeping off, a
// file too long, a FIFO, a read that stopped before the file's end). Valid until the next read or clear.
struct VmdKept {
  const unsigned char* bytes;
  int64_t size;
};
VmdKept vmd_kept();
