// fuzz_fold.cpp: libFuzzer target: the spelling fold and the rig name look-ups, for names of any bytes.
//
// Input: byte 0 holds the look-ups' arguments (bit 0: the name fills its field; bits 1 to 3: how many
// names they may give, 0 to 7); the rest is the name, handed over once as a field of exactly its size
// without a terminator (src_max is its size) and once as a 0-terminated string.
// Checked: the key ends inside its destination and is no longer than the bytes it was made from; a
// smaller destination holds a beginning of the key, cut only where the next character does not fit; the
// field and the string give one key; folding the key gives the key. The classes and the look-ups depend
// on the key alone (the name and its key give the same results; for the bone look-up, where the key with
// gaps is the key: a gap may set a side apart before its part), give at most as many names as asked,
// all different, every bone a classed standard name and every morph a standard expression; a name that
// folds to a model-like name's key has that name's classes.
#include <cstdint>
#include <cstring>

#include "check/rigs.h"
#include "fuzz_common.h"
#include "text/fold.h"

namespace {

// Model-like names: standard and finger bones, expression morphs, rig names (Shift-JIS).
const char* const model_names[] = {
    FUZZ_SJIS_CENTER, FUZZ_SJIS_LEFT_ARM, FUZZ_SJIS_UPPER2, FUZZ_SJIS_HAIR1, FUZZ_SJIS_A, FUZZ_SJIS_BLINK,
    "\x89\x45\x91\xab\x82\x68\x82\x6a\x90\x65",  // 右足ＩＫ親
    "\x8d\xb6\x90\x6c\x8e\x77\x82\x51",          // 左人指２
    "\xb3\xa8\xdd\xb8\x82\x51\x89\x45",          // ｳｨﾝｸ２右
    "\x82\xb6\x82\xc6\x96\xda",                  // じと目
    "LeftUpperArm", "J_Bip_L_LowerLeg", "left_arm",
};

// The look-up's names for name and for its key are the same; they are at most max, all different, and
// each passes ok.
void check_lookup(int (*lookup)(const char*, bool, const char**, int), const char* name, const char* key,
                  bool filled, int max, bool (*ok)(const char*), const char* what) {
  const char* a[8] = {};
  const char* b[8] = {};
  int na = lookup(name, filled, a, max);
  int nb = lookup(key, filled, b, max);
  FUZZ_CHECK(na >= 0 && na <= max, "%s gave %d of %d", what, na, max);
  FUZZ_CHECK(na == nb, "%s: %d names for the name, %d for its key", what, na, nb);
  for (int i = 0; i < na; i++) {
    FUZZ_CHECK(a[i] != nullptr && a[i] == b[i], "%s: name %d differs for the key", what, i);
    FUZZ_CHECK(ok(a[i]), "%s: name %d is not a standard name of its kind", what, i);
    for (int k = 0; k < i; k++) FUZZ_CHECK(std::strcmp(a[i], a[k]) != 0, "%s gave one name twice", what);
  }
}

bool classed_bone(const char* s) { return rig_bone_class(s) != CLASS_OTHER; }
bool expression(const char* s) { return rig_morph_class(s) == CLASS_EXPRESSION; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 4096) return 0;
  const bool filled = (data[0] & 1) != 0;
  const int max = (data[0] >> 1) & 7;
  const size_t n = size - 1;
  FuzzBlock field(n);
  if (n > 0) std::memcpy(field.p, data + 1, n);
  FuzzBlock name(n + 1);
  fuzz_cstr(name, data + 1, n);

  char key[FOLD_NAME];
  const int len = fold_name(key, FOLD_NAME, field.c(), (int)n);
  FUZZ_CHECK(len >= 0 && len < FOLD_NAME && std::strlen(key) == (size_t)len, "key of %d bytes", len);
  FUZZ_CHECK((size_t)len <= std::strlen(name.c()), "key of %d bytes from %zu", len, std::strlen(name.c()));

  for (int cap : {0, 1, 2, 3, 16}) {
    FuzzBlock out((size_t)cap);
    int r = fold_name(out.c(), cap, field.c(), (int)n);
    if (cap == 0) {
      FUZZ_CHECK(r == 0, "%d bytes into none", r);
      continue;
    }
    FUZZ_CHECK(r >= 0 && r < cap && strnlen(out.c(), (size_t)cap) == (size_t)r, "%d bytes into %d", r, cap);
    FUZZ_CHECK(std::memcmp(out.c(), key, (size_t)r) == 0, "into %d bytes: not a beginning of the key", cap);
    FUZZ_CHECK(r == len || r >= cap - 2, "into %d bytes: stopped at %d with room", cap, r);
  }

  char from_string[FOLD_NAME];
  fold_name(from_string, FOLD_NAME, name.c(), -1);
  FUZZ_CHECK(std::strcmp(from_string, key) == 0, "the field and the string give different keys");
  char again[FOLD_NAME];
  fold_name(again, FOLD_NAME, key, -1);
  FUZZ_CHECK(std::strcmp(again, key) == 0, "folding the key changed it");

  const int bone = rig_bone_class(name.c());
  const int morph = rig_morph_class(name.c());
  FUZZ_CHECK(bone >= CLASS_OTHER && bone <= CLASS_FINGER, "bone class %d", bone);
  FUZZ_CHECK(morph == CLASS_OTHER || morph == CLASS_EXPRESSION, "morph class %d", morph);
  FUZZ_CHECK(rig_bone_class(key) == bone && rig_morph_class(key) == morph, "the key has other classes");
  char gapped[FOLD_NAME];
  fold_gaps(gapped, FOLD_NAME, name.c(), -1);
  check_lookup(rig_bone_standard, name.c(), std::strcmp(gapped, key) == 0 ? key : name.c(), filled, max,
               classed_bone, "bone look-up");
  check_lookup(rig_morph_standard, name.c(), key, filled, max, expression, "morph look-up");

  for (const char* m : model_names) {
    char mkey[FOLD_NAME];
    fold_name(mkey, FOLD_NAME, m, -1);
    if (std::strcmp(mkey, key) != 0) continue;
    FUZZ_CHECK(rig_bone_class(m) == bone && rig_morph_class(m) == morph, "one key, two classes");
  }
  return 0;
}
