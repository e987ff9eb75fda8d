// rigs.cpp: the classes of bone and morph names and the look-up of other rigs' names (rigs.h).
//
// Records: the spelling keys of the tables' names (RigKeys), folded the first time each table is
// searched and kept for the process; the tables themselves are constant data (rig_tables.cpp, and the
// built-in morph vocabulary of vocab.cpp).
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

// The spelling keys of one table's names, folded the first time the table is searched: a look-up then
// compares keys instead of folding every table name again. RIG_KEYS names of keys shorter than
// RIG_KEY_BYTES are kept (every table's today); a name beyond either is folded where it is compared.
constexpr int RIG_KEYS = 256;
constexpr int RIG_KEY_BYTES = 64;
struct RigKeys {
  bool made;
  int count;                          // the names kept
  char key[RIG_KEYS][RIG_KEY_BYTES];  // "" with short 0 for a key that did not fit
  bool fits[RIG_KEYS];
};
static RigKeys rig_class_keys, rig_bone_pair_keys, rig_morph_pair_keys, rig_expression_keys;

// Keeps the keys of count names, name(i) giving each.
template <typename Name>
static void rig_keys_make(RigKeys* keys, int count, Name name) {
  if (keys->made) return;
  keys->count = count < RIG_KEYS ? count : RIG_KEYS;
  for (int i = 0; i < keys->count; i++) {
    char t[FOLD_NAME];
    int len = fold_name(t, FOLD_NAME, name(i), -1);
    keys->fits[i] = len < RIG_KEY_BYTES;
    if (keys->fits[i]) std::memcpy(keys->key[i], t, (size_t)len + 1);
  }
  keys->made = true;
}

// rig_match_name with the table's kept key of name i (of table_name).
static bool rig_match_kept(const RigKey& k, const RigKeys& keys, int i, const char* table_name) {
  if (i < keys.count && keys.fits[i]) return rig_match3(k, keys.key[i], "", "");
  return rig_match_name(k, table_name);
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
  rig_keys_make(&rig_class_keys, rig_class_name_count, [](int i) { return rig_class_names[i].name; });
  for (int i = 0; i < rig_class_name_count; i++) {
    if (rig_match_kept(k, rig_class_keys, i, rig_class_names[i].name)) return rig_class_names[i].klass;
  }
  return CLASS_OTHER;
}

// The built-in expression morphs, in the order of the vocabulary: the name of the i-th, or null past
// the last.
static const char* rig_expression(int i) {
  for (int p = 0; p < vocab_part_count; p++) {
    const VocabPart& part = vocab_parts[p];
    if (part.list != LIST_MORPHS || part.group != MORPH_GROUP_EXPRESSION) continue;
    if (i < part.count) return part.names[i];
    i -= part.count;
  }
  return nullptr;
}

AdviceClass rig_morph_class(const char* name) {
  RigKey k;
  rig_key_make(&k, name, false);
  static int count = -1;
  if (count < 0) {
    count = 0;
    while (rig_expression(count) != nullptr) count++;
  }
  rig_keys_make(&rig_expression_keys, count, rig_expression);
  for (int i = 0; i < count; i++) {
    const char* expression = rig_expression(i);
    if (rig_match_kept(k, rig_expression_keys, i, expression)) return CLASS_EXPRESSION;
  }
  return CLASS_OTHER;
}

// The standard names of the pairs whose rig name the key matches, added to out.
static int rig_pairs(const RigKey& k, const RigPair* pairs, const RigKeys& keys, int count, const char** out, int n,
                     int max) {
  for (int i = 0; i < count; i++) {
    if (rig_match_kept(k, keys, i, pairs[i].rig)) n = rig_put(out, n, max, pairs[i].standard);
  }
  return n;
}

// True when the key agrees with piece as far as both go: a concatenation that begins with piece can match
// the key only then.
static bool rig_agrees(const RigKey& k, const char* piece) {
  for (int i = 0; i < k.len && piece[i] != 0; i++) {
    if (k.text[i] != piece[i]) return false;
  }
  return true;
}

int rig_bone_standard(const char* name, bool filled, const char** out, int max) {
  RigKey k;
  rig_key_make(&k, name, filled);
  if (k.len == 0 || max <= 0) return 0;
  rig_keys_make(&rig_bone_pair_keys, rig_bone_pair_count, [](int i) { return rig_bone_pairs[i].rig; });
  int n = rig_pairs(k, rig_bone_pairs, rig_bone_pair_keys, rig_bone_pair_count, out, 0, max);
  // The key with gaps, for a side set apart before its part.
  RigKey gapped;
  gapped.len = fold_gaps(gapped.text, FOLD_NAME, name, -1);
  gapped.filled = filled;
  // The English names: a part alone, or a side and a part either way round. A side or a part the key
  // does not begin as cannot begin a name it matches: those are passed over unmatched.
  constexpr int SIDES = 16;
  bool side_first[SIDES], side_apart[SIDES];
  for (int s = 0; s < rig_side_count && s < SIDES; s++) {
    side_first[s] = rig_agrees(k, rig_sides[s].key);
    side_apart[s] = rig_agrees(gapped, rig_sides[s].key);
  }
  for (int p = 0; p < rig_part_count; p++) {
    const RigPart& part = rig_parts[p];
    if (part.where == RIG_SIDE_NONE) {
      if (rig_match3(k, part.key, "", "")) n = rig_put(out, n, max, part.left);
      continue;
    }
    bool part_first = rig_agrees(k, part.key);
    for (int s = 0; s < rig_side_count; s++) {
      const RigSide& side = rig_sides[s];
      bool before = (part.where & RIG_SIDE_BEFORE) && (s >= SIDES || side_first[s]);
      bool after = (part.where & RIG_SIDE_AFTER) && part_first;
      bool apart = (part.where & RIG_SIDE_APART) && (s >= SIDES || side_apart[s]);
      if (!before && !after && !apart) continue;
      const char* standard = side.right ? part.right : part.left;
      for (const char* sep : rig_separators) {
        if ((before && rig_match3(k, side.key, sep, part.key)) || (after && rig_match3(k, part.key, sep, side.key)) ||
            (apart && sep[0] != 0 && rig_match3(gapped, side.key, sep, part.key))) {
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
  rig_keys_make(&rig_morph_pair_keys, rig_morph_pair_count, [](int i) { return rig_morph_pairs[i].rig; });
  return rig_pairs(k, rig_morph_pairs, rig_morph_pair_keys, rig_morph_pair_count, out, 0, max);
}
