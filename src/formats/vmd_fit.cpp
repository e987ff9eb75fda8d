// vmd_fit.cpp: the fitted copy of a motion (see vmd_fit.h). It walks the file with the one walk of
// vmd_walk.h and writes every piece's bytes, a renamed name field in place of the old one.
//
// Records: the renamings of the copy in progress, as two hash tables, written by vmd_fit_copy.
// Limits: 16,384 renamings of each kind.
// Trust: the file is untrusted, as for the reader: a count is a loop bound that stops as soon as the
// byte reader has closed at the end of the file, never a size; records are read into fixed buffers.
#include "formats/vmd_fit.h"

#include <cstdint>
#include <cstring>

#include "formats/filechan.h"
#include "formats/vmd_walk.h"
#include "text/hash.h"

static_assert((VMD_RENAME_SLOTS & (VMD_RENAME_SLOTS - 1)) == 0, "the slot count is a power of two");

static VmdRenameTable vmd_fit_bones, vmd_fit_morphs;

// Empties the table: the slots taken cleared, one by one.
static void vmd_rename_empty(VmdRenameTable* t) {
  for (int i = 0; i < t->taken; i++) t->slot[t->taken_at[i]] = nullptr;
  t->taken = 0;
  t->count = 0;
}

bool vmd_rename_fill(VmdRenameTable* t, const VmdRename* renames, int count) {
  vmd_rename_empty(t);
  if (count < 0 || count > VMD_RENAMES) return false;
  for (int i = 0; i < count; i++) {
    size_t from = std::strlen(renames[i].from);
    if (from == 0 || from > VMD_MODEL || std::strlen(renames[i].to) > VMD_NAME) {
      vmd_rename_empty(t);
      return false;
    }
    uint32_t at = hash_bytes(renames[i].from, (int)from);
    while (t->slot[at & (VMD_RENAME_SLOTS - 1)] != nullptr) at++;
    t->slot[at & (VMD_RENAME_SLOTS - 1)] = &renames[i];
    t->taken_at[t->taken++] = (int32_t)(at & (VMD_RENAME_SLOTS - 1));
  }
  t->count = count;
  return true;
}

bool vmd_rename_field(const VmdRenameTable& t, unsigned char* field, int size) {
  if (t.count == 0) return false;
  int len = 0;
  while (len < size && field[len] != 0) len++;
  for (uint32_t at = hash_bytes(field, len);; at++) {
    const VmdRename* r = t.slot[at & (VMD_RENAME_SLOTS - 1)];
    if (r == nullptr) return false;
    if (std::strlen(r->from) == (size_t)len && std::memcmp(r->from, field, (size_t)len) == 0) {
      std::memset(field, 0, (size_t)size);
      std::memcpy(field, r->to, std::strlen(r->to));
      return true;
    }
  }
}

int vmd_fit_copy(const OpenedPath& p, FILE* out, const VmdRename* bones, int bone_count, const VmdRename* morphs,
                 int morph_count, long long* renamed) {
  if (renamed != nullptr) *renamed = 0;
  if (!vmd_rename_fill(&vmd_fit_bones, bones, bone_count) || !vmd_rename_fill(&vmd_fit_morphs, morphs, morph_count)) {
    return VMD_FIT_BAD_RENAME;
  }
  static VmdWalk w;
  if (!vmd_walk_open(&w, p)) return VMD_FIT_UNOPENED;
  VmdStep s;
  bool failed = false;
  long long count = 0;
  while (vmd_walk_next(&w, &s)) {
    // A name field counts when its bytes are all there.
    if (s.piece == VMD_PIECE_RECORD && s.shape->names != VMD_NAMES_NONE && s.got >= s.shape->name_size) {
      const VmdRenameTable& t = s.shape->names == VMD_NAMES_MORPHS ? vmd_fit_morphs : vmd_fit_bones;
      if (vmd_rename_field(t, s.bytes, s.shape->name_size)) count++;
    }
    if (std::fwrite(s.bytes, 1, (size_t)s.got, out) != (size_t)s.got) failed = true;
  }
  vmd_walk_close(&w);
  if (renamed != nullptr) *renamed = count;
  return failed ? VMD_FIT_WRITE : VMD_FIT_DONE;
}
