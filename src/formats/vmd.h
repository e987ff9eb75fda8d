// vmd.h: the VMD motion reader. Feeds every bone and morph key, resolved to a name-list entry, into
// the usage records; keeps the motion's model name.
#pragma once

constexpr int VMD_MODEL_NAME = 21;  // the model name field: 20 bytes and a terminator

// Reads by wpath when use_w is set, else by path. 0 read (also when the file ends early in the bone
// block or before a block count), 2 not a VMD file of this version or cut inside a later record,
// -1 cannot be opened.
int vmd_read(const char* path, const char16_t* wpath, bool use_w);
int vmd_read_a(const char* path);
int vmd_read_w(const char16_t* wpath);

// The motion's model name (Shift-JIS), valid until the next read or clear.
const char* vmd_model_name();
// Empties the motion: the bone and morph usage records and the model name (every read starts so).
void vmd_clear();
