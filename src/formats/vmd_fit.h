// vmd_fit.h: the fitted copy of a motion: the file byte for byte, except that the bone keys, morph keys
// and IK switches that name a renamed name carry the new name instead. The renaming tables are shared
// with the pose engine's key loader and fold writer, which rename the same way.
#pragma once
#include <cstdio>

#include "formats/filechan.h"

// One renaming: from is a name as the motion spells it (at most 15 bytes for a key, 20 for an IK
// switch), to the name the copy gives it (at most 15 bytes, so that it fits every field it goes to).
struct VmdRename {
  const char* from;
  const char* to;
};
constexpr int VMD_RENAMES = 16384;  // renamings a copy takes of each kind (a name list's entries); more are refused

// Renamings by name: open addressing from a from name to its renaming, at most half full. The table
// points into the renamings it was filled from, which must outlive it. All zeros is an empty table; a
// fill clears only the slots the fill before it took (a copy or a load fills one per motion).
constexpr int VMD_RENAME_SLOTS = 2 * VMD_RENAMES;
struct VmdRenameTable {
  const VmdRename* slot[VMD_RENAME_SLOTS];
  int count;                     // renamings in the table
  int taken;                     // slots taken (private)
  int32_t taken_at[VMD_RENAMES];  // which (private)
};
// Fills t with count renamings: true, or false (t then renames nothing) for a count below 0 or above
// VMD_RENAMES, an empty from, a from of more than 20 bytes or a to of more than 15.
bool vmd_rename_fill(VmdRenameTable* t, const VmdRename* renames, int count);
// Renames the name field of size bytes at field when its name (up to its first 0 byte) equals a from of
// t: the field gets the to and 0 bytes to its end. True when it was renamed.
bool vmd_rename_field(const VmdRenameTable& t, unsigned char* field, int size);

// Results of vmd_fit_copy.
enum VmdFitResult {
  VMD_FIT_DONE = 0,         // copied; *renamed says how many fields changed
  VMD_FIT_UNOPENED = -1,    // the motion cannot be opened
  VMD_FIT_WRITE = -2,       // a write to out failed
  VMD_FIT_BAD_RENAME = -3,  // a renaming longer than its field, or more than VMD_RENAMES of a kind
};

// Copies the motion p names (opened by the spelling it names) to out, every
// byte as it is but for the name fields of the bone keys and IK switches (renamed by bones) and of the
// morph keys (renamed by morphs): a field whose name (up to its first 0 byte) equals a from gets that
// renaming's to, and 0 bytes after it to the end of the field. The model name in the header is never
// renamed. The file is walked as the reader walks it (vmd_walk.h), as far as its structure holds;
// whatever follows is copied as it is, so a cut or damaged file is copied whole too. The copy has the
// file's size. Uses the byte reader. *renamed (may be null) gets the number of renamed fields.
int vmd_fit_copy(const OpenedPath& p, FILE* out, const VmdRename* bones, int bone_count, const VmdRename* morphs,
                 int morph_count, long long* renamed);
