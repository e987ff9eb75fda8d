// vmd_fit.cpp: the fitted copy of a motion (see vmd_fit.h). It walks the blocks with the reader's
// record layout (vmd.h) and writes every byte it reads, a renamed name field in place of the old one.
//
// Records: the renamings of the copy in progress, as two small hash tables, written by vmd_fit_copy.
// Limits: 16,384 renamings of each kind.
// Trust: the file is untrusted, as for the reader: a count is a loop bound that stops as soon as the
// byte reader has closed at the end of the file, never a size; records are read into fixed buffers.
#include "formats/vmd_fit.h"

#include <cstdint>
#include <cstring>

#include "formats/filechan.h"
#include "formats/vmd.h"
#include "text/hash.h"

// Open addressing from a name to its renaming, at most half full.
constexpr int FIT_SLOTS = 2 * VMD_RENAMES;
static_assert((FIT_SLOTS & (FIT_SLOTS - 1)) == 0, "the slot count is a power of two");

struct FitTable {
  const VmdRename* slot[FIT_SLOTS];
};
static FitTable fit_bones, fit_morphs;

struct FitCopy {
  FILE* out;
  bool failed;       // a write failed
  long long renamed;
};

static bool fit_table_fill(FitTable* t, const VmdRename* renames, int count) {
  std::memset(t->slot, 0, sizeof t->slot);
  if (count < 0 || count > VMD_RENAMES) return false;
  for (int i = 0; i < count; i++) {
    size_t from = std::strlen(renames[i].from);
    if (from == 0 || from > VMD_MODEL || std::strlen(renames[i].to) > VMD_NAME) return false;
    uint32_t at = hash_bytes(reinterpret_cast<const unsigned char*>(renames[i].from), (int)from);
    while (t->slot[at & (FIT_SLOTS - 1)] != nullptr) at++;
    t->slot[at & (FIT_SLOTS - 1)] = &renames[i];
  }
  return true;
}

// Renames the name field of size bytes at field when its name is in the table.
static void fit_rename(FitCopy& c, const FitTable& t, unsigned char* field, int size) {
  int len = 0;
  while (len < size && field[len] != 0) len++;
  for (uint32_t at = hash_bytes(field, len);; at++) {
    const VmdRename* r = t.slot[at & (FIT_SLOTS - 1)];
    if (r == nullptr) return;
    if (std::strlen(r->from) == (size_t)len && std::memcmp(r->from, field, (size_t)len) == 0) {
      std::memset(field, 0, (size_t)size);
      std::memcpy(field, r->to, std::strlen(r->to));
      c.renamed++;
      return;
    }
  }
}

static void fit_write(FitCopy& c, const void* bytes, int count) {
  if (count > 0 && std::fwrite(bytes, 1, (size_t)count, c.out) != (size_t)count) c.failed = true;
}

// Copies up to count bytes as they are. Returns the bytes copied.
static int fit_pass(FitCopy& c, int count) {
  unsigned char buf[FILECHAN_BUFFER];
  int done = 0;
  while (done < count && !rfclosed()) {
    int step = count - done < FILECHAN_BUFFER ? count - done : FILECHAN_BUFFER;
    int got = rfread(buf, step);
    fit_write(c, buf, got);
    done += got;
  }
  return done;
}

// A block count, copied; false when the file ended before it.
static bool fit_count(FitCopy& c, int32_t* count) {
  unsigned char b[4];
  int got = rfread(b, 4);
  fit_write(c, b, got);
  *count = got == 4 ? rfle32(b) : 0;
  return got == 4;
}

// count records of size bytes whose name field of name_size bytes comes first (t null: no name).
static_assert(VMD_BONE_KEY >= VMD_CAMERA_KEY && VMD_BONE_KEY >= VMD_IK_SWITCH, "the bone key is the largest record");
static void fit_records(FitCopy& c, int32_t count, int size, const FitTable* t, int name_size) {
  unsigned char record[VMD_BONE_KEY];
  for (int32_t i = 0; i < count && !rfclosed(); i++) {
    int got = rfread(record, size);
    if (t != nullptr && got >= name_size) fit_rename(c, *t, record, name_size);
    fit_write(c, record, got);
  }
}

static void fit_walk(FitCopy& c) {
  if (fit_pass(c, VMD_SIGNATURE + VMD_MODEL) < VMD_SIGNATURE + VMD_MODEL) return;
  int32_t count;
  if (!fit_count(c, &count)) return;
  fit_records(c, count, VMD_BONE_KEY, &fit_bones, VMD_NAME);
  if (!fit_count(c, &count)) return;
  fit_records(c, count, VMD_MORPH_KEY, &fit_morphs, VMD_NAME);
  static const int PLAIN[] = {VMD_CAMERA_KEY, VMD_LIGHT_KEY, VMD_SHADOW_KEY};
  for (int size : PLAIN) {
    if (!fit_count(c, &count)) return;
    fit_records(c, count, size, nullptr, 0);
  }
  if (!fit_count(c, &count)) return;
  for (int32_t i = 0; i < count && !rfclosed(); i++) {
    unsigned char head[VMD_SHOW_IK_HEAD];
    int got = rfread(head, VMD_SHOW_IK_HEAD);
    fit_write(c, head, got);
    if (got < VMD_SHOW_IK_HEAD) return;
    fit_records(c, rfle32(head + 5), VMD_IK_SWITCH, &fit_bones, VMD_MODEL);
  }
}

int vmd_fit_copy(const char* path, const char16_t* wpath, bool use_w, FILE* out, const VmdRename* bones,
                 int bone_count, const VmdRename* morphs, int morph_count, long long* renamed) {
  if (renamed != nullptr) *renamed = 0;
  if (!fit_table_fill(&fit_bones, bones, bone_count) || !fit_table_fill(&fit_morphs, morphs, morph_count)) {
    return VMD_FIT_BAD_RENAME;
  }
  int opened = use_w ? (wpath != nullptr ? rfopenW(wpath) : -1) : (path != nullptr ? rfopen(path) : -1);
  if (opened != 0) return VMD_FIT_UNOPENED;
  FitCopy c = {out, false, 0};
  fit_walk(c);
  // Whatever follows the last block, or follows where the structure broke off.
  while (!rfclosed()) fit_pass(c, FILECHAN_BUFFER);
  rfclose();
  if (renamed != nullptr) *renamed = c.renamed;
  return c.failed ? VMD_FIT_WRITE : VMD_FIT_DONE;
}
