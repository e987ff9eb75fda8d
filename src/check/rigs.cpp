// rigs.cpp: the classes of bone and morph names and the look-up of other rigs' names (rigs.h).
//
// Records: none; the tables are constant data (rig_tables.cpp, and the built-in morph vocabulary of
// vocab.cpp). Every table name is folded where it is compared, into a buffer on the stack.
// Limits: a name's key is cut at FOLD_NAME - 1 bytes (no name the program keeps is longer).
// Trust: names come from motion files: any bytes up to their 0. The fold reads them within that bound;
// everything after works on the key.
#include "check/rigs.h"

#include <cstring>

#include "check/names.h"
#include "check/vocab.h"
#include "text/fold.h"

// What joins a side and a part once the fold has dropped spaces and "_".
static const char* const rig_separators[] = {"", ".", "-"};

// A key and how it is compared: equal to a table name's key, or (filled) a beginning of it.
struct RigKey {
  char text[FOLD_NAME];
  int len;
  bool filled;
};

// 1 when the key matches the concatenation a + b + c: equal to it, or when filled a beginning of it.
static bool rig_match3(const RigKey& k, const char* a, const char* b, const char* c) {
  const char* pieces[3] = {a, b, c};
  int i = 0;
  for (const char* piece : pieces) {
    for (const char* p = piece; *p != 0; p++) {
      if (i == k.len) return k.filled;
      if (k.text[i] != *p) return false;
      i++;
    }
  }
  return i == k.len;
}

// The same against a table name, folded first.
static bool rig_match_name(const RigKey& k, const char* table_name) {
  char t[FOLD_NAME];
  fold_name(t, FOLD_NAME, table_name, -1);
  return rig_match3(k, t, "", "");
}

// Adds name to out unless it is there already or out is full; returns the new count.
static int rig_put(const char** out, int n, int max, const char* name) {
  if (n >= max) return n;
  for (int i = 0; i < n; i++) {
    if (std::strcmp(out[i], name) == 0) return n;
  }
  out[n] = name;
  return n + 1;
}

static void rig_key_make(RigKey* k, const char* name, bool filled) {
  k->len = fold_name(k->text, FOLD_NAME, name, -1);
  k->filled = filled;
}

static const char* const ADVICE_CLASS_WORDS[] = {"other", "standard", "semi-standard", "finger", "expression"};
static_assert(sizeof ADVICE_CLASS_WORDS / sizeof ADVICE_CLASS_WORDS[0] == CLASS_COUNT, "a word for every class");

const char* advice_class_word(AdviceClass cls) {
  return cls >= 0 && cls < CLASS_COUNT ? ADVICE_CLASS_WORDS[cls] : "";
}

AdviceClass rig_bone_class(const char* name) {
  RigKey k;
  rig_key_make(&k, name, false);
  for (int i = 0; i < rig_class_name_count; i++) {
    if (rig_match_name(k, rig_class_names[i].name)) return rig_class_names[i].klass;
  }
  return CLASS_OTHER;
}

AdviceClass rig_morph_class(const char* name) {
  RigKey k;
  rig_key_make(&k, name, false);
  for (int p = 0; p < vocab_part_count; p++) {
    const VocabPart& part = vocab_parts[p];
    if (part.list != LIST_MORPHS || part.group != MORPH_GROUP_EXPRESSION) continue;
    for (int i = 0; i < part.count; i++) {
      if (rig_match_name(k, part.names[i])) return CLASS_EXPRESSION;
    }
  }
  return CLASS_OTHER;
}

// The standard names of the pairs whose rig name the key matches, added to out.
static int rig_pairs(const RigKey& k, const RigPair* pairs, int count, const char** out, int n, int max) {
  for (int i = 0; i < count; i++) {
    if (rig_match_name(k, pairs[i].rig)) n = rig_put(out, n, max, pairs[i].standard);
  }
  return n;
}

int rig_bone_standard(const char* name, bool filled, const char** out, int max) {
  RigKey k;
  rig_key_make(&k, name, filled);
  if (k.len == 0 || max <= 0) return 0;
  int n = rig_pairs(k, rig_bone_pairs, rig_bone_pair_count, out, 0, max);
  // The key with gaps, for a side set apart before its part.
  RigKey gapped;
  gapped.len = fold_gaps(gapped.text, FOLD_NAME, name, -1);
  gapped.filled = filled;
  // The English names: a part alone, or a side and a part either way round.
  for (int p = 0; p < rig_part_count; p++) {
    const RigPart& part = rig_parts[p];
    if (part.where == RIG_SIDE_NONE) {
      if (rig_match3(k, part.key, "", "")) n = rig_put(out, n, max, part.left);
      continue;
    }
    for (int s = 0; s < rig_side_count; s++) {
      const RigSide& side = rig_sides[s];
      const char* standard = side.right ? part.right : part.left;
      for (const char* sep : rig_separators) {
        if (((part.where & RIG_SIDE_BEFORE) && rig_match3(k, side.key, sep, part.key)) ||
            ((part.where & RIG_SIDE_AFTER) && rig_match3(k, part.key, sep, side.key)) ||
            ((part.where & RIG_SIDE_APART) && sep[0] != 0 && rig_match3(gapped, side.key, sep, part.key))) {
          n = rig_put(out, n, max, standard);
        }
      }
    }
  }
  return n;
}

int rig_morph_standard(const char* name, bool filled, const char** out, int max) {
  RigKey k;
  rig_key_make(&k, name, filled);
  if (k.len == 0 || max <= 0) return 0;
  return rig_pairs(k, rig_morph_pairs, rig_morph_pair_count, out, 0, max);
}
