// vmd.h: the VMD motion reader. Feeds every bone and morph key, resolved to a name-list entry, into
// the usage records; keeps the motion's model name.
#pragma once
#include <cstdint>

#include "formats/filechan.h"

constexpr int VMD_MODEL_NAME = 21;  // the model name field: 20 bytes and a terminator

// Reads a motion by its ANSI path (rfopen) or its UTF-16 path (rfopenW). READ_DONE (also when the file
// ends early in the bone block or before a block count), READ_NOT_FORMAT not a VMD file of this version
// or cut inside a later record, READ_UNOPENED cannot be opened.
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
};
const VmdKeys* vmd_keys();
// Empties the motion: the bone and morph usage records, the model name and the key counts (every read
// starts so).
void vmd_clear();
