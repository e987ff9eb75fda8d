// advice.cpp: the advice for the names a motion lacks, the renamings of one motion that would give a
// name two tracks, and the model's names no motion can name whole (see advice.h).
//
// Records: what is kept for the target model (AdviceModel: advice_own, or the caller's in use, one per
// model of --each-model): the spelling keys of its Japanese and English names, with an index from a
// key to its entries, made when advice is first asked for a model, and the advice given for it so far;
// the model's names longer than the name field, found when first asked for; all are kept until the
// model changes (its tables' generation). Beside them, the holder of each model name while one motion's
// renamings are weighed. Written only here.
// Limits: a key holds FOLD_NAME bytes (names kept to 255 bytes; a longer key is cut, whole characters
// only); ADVICE_CANDIDATES model names are kept per advice.
//
// Sections (search for "// ---- "): the model's spelling keys, candidates, loose spellings, the rules,
// advice already given, the advice, the motion's advice, names taken, names no motion can name whole.
#include "check/advice.h"

#include <cstring>

#include "check/model.h"
#include "check/rigs.h"
#include "text/encoding.h"
#include "text/fold.h"
#include "text/hash.h"

// ---- The model's spelling keys ----------------------------------------------------------------------

// One table of keys: a key per model entry and open addressing from a key's hash to entry + 1.
struct AdviceKeys {
  char (*key)[FOLD_NAME];
  uint16_t* index;
  int slots;  // a power of two, at least twice the table's size
};

static AdviceModel advice_own;
static AdviceModel* advice_model = &advice_own;  // what is kept for the model in use

void advice_use(AdviceModel* a) { advice_model = a != nullptr ? a : &advice_own; }

constexpr int KEYS_JAPANESE = 0, KEYS_ENGLISH = 1;

// The keys of a list (LISTING_BONES, LISTING_MORPHS), Japanese or English.
static AdviceKeys advice_keys(int list, int which) {
  AdviceModel& a = *advice_model;
  if (list == LISTING_BONES) {
    return which == KEYS_JAPANESE ? AdviceKeys{a.bone_key, a.bone_index, 2 * MODEL_BONES}
                                  : AdviceKeys{a.bone_en_key, a.bone_en_index, 2 * MODEL_BONES};
  }
  return which == KEYS_JAPANESE ? AdviceKeys{a.morph_key, a.morph_index, 2 * MODEL_MORPHS}
                                : AdviceKeys{a.morph_en_key, a.morph_en_index, 2 * MODEL_MORPHS};
}

static int advice_table_count(int list) {
  return list == LISTING_BONES ? model_view()->bone_count : model_view()->morph_count;
}

const char* advice_model_name(int list, int entry) {
  const ModelTables* m = model_view();
  return list == LISTING_BONES ? m->bone[entry] : m->morph[entry];
}

static const char* advice_model_english(int list, int entry) {
  const ModelTables* m = model_view();
  return list == LISTING_BONES ? m->bone_en[entry] : m->morph_en[entry];
}

static void advice_keys_fill(int list, int which) {
  const AdviceKeys k = advice_keys(list, which);
  std::memset(k.index, 0, sizeof(uint16_t) * (size_t)k.slots);
  int count = advice_table_count(list);
  for (int e = 0; e < count; e++) {
    const char* name = which == KEYS_JAPANESE ? advice_model_name(list, e) : advice_model_english(list, e);
    fold_name(k.key[e], FOLD_NAME, name, -1);
    if (k.key[e][0] == 0) continue;  // an empty key matches nothing
    uint32_t at = hash_text(k.key[e]);
    while (k.index[at & (k.slots - 1)] != 0) at++;
    k.index[at & (k.slots - 1)] = (uint16_t)(e + 1);
  }
}

static void advice_keys_make() {
  uint32_t generation = model_view()->generation;
  AdviceModel& a = *advice_model;
  if (a.keys_made && generation == a.keys_generation) return;
  for (int list = 0; list < 2; list++) {
    for (int which = 0; which < 2; which++) advice_keys_fill(list, which);
  }
  a.keys_made = true;
  a.keys_generation = generation;
}

// ---- Candidates -------------------------------------------------------------------------------------

// Adds the model entry to the advice's candidates unless a candidate has the same name.
static void advice_add(Advice* a, int entry) {
  const char* name = advice_model_name(a->list, entry);
  int kept = a->candidate_count < ADVICE_CANDIDATES ? a->candidate_count : ADVICE_CANDIDATES;
  for (int i = 0; i < kept; i++) {
    if (std::strcmp(advice_model_name(a->list, a->candidates[i]), name) == 0) return;
  }
  if (a->candidate_count < ADVICE_CANDIDATES) a->candidates[a->candidate_count] = entry;
  a->candidate_count++;
}

// Every entry whose key (of which) equals key.
static void advice_add_equal(Advice* a, int which, const char* key) {
  if (key[0] == 0) return;
  const AdviceKeys k = advice_keys(a->list, which);
  for (uint32_t at = hash_text(key);; at++) {
    uint16_t e = k.index[at & (k.slots - 1)];
    if (e == 0) return;
    if (std::strcmp(k.key[e - 1], key) == 0) advice_add(a, e - 1);
  }
}

// Every entry whose key (of which) is longer than key and begins with it.
static void advice_add_longer(Advice* a, int which, const char* key) {
  size_t len = std::strlen(key);
  if (len == 0) return;
  const AdviceKeys k = advice_keys(a->list, which);
  int count = advice_table_count(a->list);
  for (int e = 0; e < count; e++) {
    if (std::strncmp(k.key[e], key, len) == 0 && k.key[e][len] != 0) advice_add(a, e);
  }
}

// ---- Loose spellings ----------------------------------------------------------------------------------
//
// Two rules tried only when every other rule (below) found nothing, and followed only where they find
// exactly one model name (several leave the advice "none", never "ambiguous"); their renamings yield to
// any other (advice_resolve_taken).

constexpr int WINK_DIGITS = 8;  // the digits of a wink's number kept; a longer number is no wink name
constexpr int WINK_NONE = 0, WINK_LEFT = 1, WINK_RIGHT = 2;
// A wink name read from its key: ウィンク, then at most one side and at most one number, either way round.
struct AdviceWink {
  char digits[WINK_DIGITS];  // the number as the key spells it (ASCII digits), "" for none
  int side;                  // WINK_NONE, WINK_LEFT or WINK_RIGHT
};
static const char ADVICE_WINK_STEM[] = "\xB3\xB2\xDD\xB8";  // ｳｲﾝｸ, the key of ウィンク and ウインク
static const char ADVICE_KEY_LEFT[] = "\x8D\xB6";              // 左
static const char ADVICE_KEY_RIGHT[] = "\x89\x45";             // 右

// True when key is a wink name's key; w gets its side and number.
static bool advice_wink_read(const char* key, AdviceWink* w) {
  const size_t stem = sizeof ADVICE_WINK_STEM - 1;
  if (std::strncmp(key, ADVICE_WINK_STEM, stem) != 0) return false;
  std::memset(w, 0, sizeof *w);
  bool numbered = false;
  for (const char* p = key + stem; *p != 0;) {
    if (w->side == WINK_NONE && std::strncmp(p, ADVICE_KEY_LEFT, 2) == 0) {
      w->side = WINK_LEFT;
      p += 2;
    } else if (w->side == WINK_NONE && std::strncmp(p, ADVICE_KEY_RIGHT, 2) == 0) {
      w->side = WINK_RIGHT;
      p += 2;
    } else if (!numbered && *p >= '0' && *p <= '9') {
      int n = 0;
      for (; *p >= '0' && *p <= '9'; p++) {
        if (n == WINK_DIGITS - 1) return false;
        w->digits[n++] = *p;
      }
      numbered = true;
    } else {
      return false;
    }
  }
  return true;
}

// A wink's side or number placed otherwise (ｳｨﾝｸ２右 and ウィンク右２), and MMD's left-eye winks, named
// without a side (ウィンク, ウィンク２), and the same winks with 左, where the model names both sides of
// that wink: the one the name stands for. Morphs only.
static void advice_rule_wink(Advice* a, const char* key) {
  AdviceWink want;
  if (a->list != LISTING_MORPHS || !advice_wink_read(key, &want)) return;
  const AdviceKeys k = advice_keys(a->list, KEYS_JAPANESE);
  int count = advice_table_count(a->list);
  // Whether the model names this wink's right side, which makes a wink without a side its left one.
  bool both = false;
  for (int e = 0; e < count && !both; e++) {
    AdviceWink w;
    both = advice_wink_read(k.key[e], &w) && w.side == WINK_RIGHT && std::strcmp(w.digits, want.digits) == 0;
  }
  for (int e = 0; e < count; e++) {
    AdviceWink w;
    if (!advice_wink_read(k.key[e], &w) || std::strcmp(w.digits, want.digits) != 0) continue;
    bool same = w.side == want.side;
    bool left = both && ((want.side == WINK_NONE && w.side == WINK_LEFT) ||
                         (want.side == WINK_LEFT && w.side == WINK_NONE));
    if (same || left) advice_add(a, e);
  }
}

// Look-alike signs of other scripts or cases (fold_alike: ∧ and Λ, д and Д, ...): the model names whose
// look-alike key is the name's, where the name holds such a sign.
static void advice_rule_alike(Advice* a) {
  char want[FOLD_NAME], key[FOLD_NAME];
  if (fold_alike(want, FOLD_NAME, a->name, NAME_BYTES) == 0) return;
  int count = advice_table_count(a->list);
  for (int e = 0; e < count; e++) {
    if (fold_alike(key, FOLD_NAME, advice_model_name(a->list, e), -1) > 0 && std::strcmp(key, want) == 0) {
      advice_add(a, e);
    }
  }
}

// The loose rules for a name nothing else matched (key: its spelling key): WHY_SPELLING when one of them
// finds exactly one model name, else WHY_NONE with no candidates.
static AdviceWhy advice_rule_loose(Advice* a, const char* key) {
  advice_rule_wink(a, key);
  if (a->candidate_count == 0) advice_rule_alike(a);
  if (a->candidate_count == 1) {
    a->loose = true;
    return WHY_SPELLING;
  }
  a->candidate_count = 0;
  return WHY_NONE;
}

// ---- The rules --------------------------------------------------------------------------------------

static const char* const ADVICE_WHY_WORDS[] = {"none",     "cut",       "spelling", "english name",
                                               "rig name", "ambiguous", "taken",    "fold"};
static_assert(sizeof ADVICE_WHY_WORDS / sizeof ADVICE_WHY_WORDS[0] == WHY_COUNT, "a word for every why");

const char* advice_why_word(AdviceWhy why) { return why >= 0 && why < WHY_COUNT ? ADVICE_WHY_WORDS[why] : ""; }

// True when the name fills its field or ends inside a character: a longer name may have been cut.
static bool advice_filled(const char* name) {
  size_t len = std::strlen(name);
  if (len >= (size_t)ADVICE_FIELD) return true;
  char copy[NAME_BYTES];
  std::memcpy(copy, name, len + 1);
  return cut_broken_tail(copy) != 0;
}

// Model names that begin with exactly the name's bytes and are longer.
static void advice_rule_cut(Advice* a) {
  size_t len = std::strlen(a->name);
  int count = advice_table_count(a->list);
  for (int e = 0; e < count; e++) {
    const char* m = advice_model_name(a->list, e);
    if (std::strncmp(m, a->name, len) == 0 && m[len] != 0) advice_add(a, e);
  }
}

// The standard names another rig's name stands for (rigs.h), at most ADVICE_CANDIDATES of them; filled:
// also those of the longer rig names the name begins.
static int advice_standard(int list, const char* name, bool filled, const char** standard) {
  return list == LISTING_BONES ? rig_bone_standard(name, filled, standard, ADVICE_CANDIDATES)
                               : rig_morph_standard(name, filled, standard, ADVICE_CANDIDATES);
}

// Model names equal to one of the standard names, exactly or by their spelling keys.
static void advice_rule_rig(Advice* a, const char* const* standard, int n) {
  for (int i = 0; i < n; i++) {
    char key[FOLD_NAME];
    fold_name(key, FOLD_NAME, standard[i], -1);
    advice_add_equal(a, KEYS_JAPANESE, key);
  }
}

// The rig-name rule after the English-name rule has put its model names into a's candidates. One
// English name decides. Several: when the rig's standard names give a model name that is exactly one
// of them, that one is the advice (two bones of a model may both be called arm_R; the rig says which
// is the arm). None: the rig's standard names decide.
static AdviceWhy advice_english_or_rig(Advice* a, const char* const* standard, int n) {
  if (a->candidate_count == 1) return WHY_ENGLISH_NAME;
  if (a->candidate_count == 0) {
    advice_rule_rig(a, standard, n);
    return a->candidate_count > 0 ? WHY_RIG_NAME : WHY_NONE;
  }
  Advice rig;
  std::memset(&rig, 0, sizeof rig);
  rig.list = a->list;
  advice_rule_rig(&rig, standard, n);
  // The pick is sure only when neither list has more names than it keeps.
  if (a->candidate_count > ADVICE_CANDIDATES || rig.candidate_count > ADVICE_CANDIDATES) return WHY_ENGLISH_NAME;
  int picked = -1, picks = 0;
  for (int i = 0; i < a->candidate_count; i++) {
    const char* name = advice_model_name(a->list, a->candidates[i]);
    for (int j = 0; j < rig.candidate_count; j++) {
      if (std::strcmp(advice_model_name(a->list, rig.candidates[j]), name) == 0) {
        picked = a->candidates[i];
        picks++;
        break;
      }
    }
  }
  if (picks != 1) return WHY_ENGLISH_NAME;
  a->candidates[0] = picked;
  a->candidate_count = 1;
  return WHY_RIG_NAME;
}

// The class of a name: its own, or for another rig's name, that of the standard names it stands for
// (the most important of them when it may stand for several).
static AdviceClass advice_class(int list, const char* name, const char* const* standard, int n) {
  AdviceClass cls = list == LISTING_BONES ? rig_bone_class(name) : rig_morph_class(name);
  if (cls != CLASS_OTHER) return cls;
  for (int i = 0; i < n; i++) {
    AdviceClass c = list == LISTING_BONES ? rig_bone_class(standard[i]) : rig_morph_class(standard[i]);
    if (c != CLASS_OTHER && (cls == CLASS_OTHER || c < cls)) cls = c;
  }
  return cls;
}

// The rules for a name (at most NAME_BYTES - 1 bytes) against the model.
static void advice_work_out(int list, const char* name, Advice* out) {
  std::memset(out, 0, sizeof *out);
  out->list = list;
  std::strncpy(out->name, name, NAME_BYTES - 1);
  out->to = -1;
  advice_keys_make();
  bool filled = advice_filled(out->name);
  // The standard names of the rig names the name spells whole, and (filled) of those it begins.
  const char* whole_standard[ADVICE_CANDIDATES];
  int wholes = advice_standard(list, out->name, false, whole_standard);
  const char* standard[ADVICE_CANDIDATES];
  int standards = filled ? advice_standard(list, out->name, true, standard) : 0;
  if (filled) out->cls = advice_class(list, out->name, standard, standards);
  else out->cls = advice_class(list, out->name, whole_standard, wholes);
  // The name's key (a character cut by the end of the field is not part of it).
  char key[FOLD_NAME];
  fold_name(key, FOLD_NAME, out->name, NAME_BYTES);

  // The whole name: its spelling, an English name, a rig name.
  AdviceWhy why = WHY_NONE;
  advice_add_equal(out, KEYS_JAPANESE, key);
  if (out->candidate_count > 0) why = WHY_SPELLING;
  if (why == WHY_NONE) {
    advice_add_equal(out, KEYS_ENGLISH, key);
    why = advice_english_or_rig(out, whole_standard, wholes);
  }
  out->whole = why != WHY_NONE;
  // Only then a cut name: the model's names it begins, then the English and rig names it begins.
  if (why == WHY_NONE && filled) {
    advice_rule_cut(out);
    if (out->candidate_count > 0) {
      why = WHY_CUT;
    } else {
      advice_add_longer(out, KEYS_ENGLISH, key);
      why = advice_english_or_rig(out, standard, standards);
    }
  }
  // Last, the loose spellings of the whole name.
  if (why == WHY_NONE) {
    why = advice_rule_loose(out, key);
    out->whole = out->loose;
  }
  if (out->candidate_count == 1) {
    out->to = out->candidates[0];
    out->candidate_count = 0;
  } else if (out->candidate_count > 1) {
    why = WHY_AMBIGUOUS;
  }
  out->why = why;
}

// ---- Advice already given ----------------------------------------------------------------------------
//
// A library's motions lack the same names again and again (the sleeves and hair of their original
// model), so the advice for a name is kept while the model stays: open addressing from the list and the
// name to the advice, at most half full; past that, advice is worked out again every time.


static uint32_t advice_memo_slot(int list, const char* name) {
  return (hash_text(name) ^ (uint32_t)list * 0x9E3779B9u) & (ADVICE_MEMO_SLOTS - 1);
}

// The kept advice for the name, or nullptr.
static const Advice* advice_memo_find(int list, const char* name) {
  AdviceMemo& advice_memo = advice_model->memo;
  if (advice_memo.generation != model_view()->generation || advice_memo.used == 0) return nullptr;
  for (uint32_t at = advice_memo_slot(list, name);; at = (at + 1) & (ADVICE_MEMO_SLOTS - 1)) {
    if (!advice_memo.filled[at]) return nullptr;
    const Advice& a = advice_memo.advice[at];
    if (a.list == list && std::strcmp(a.name, name) == 0) return &a;
  }
}

static void advice_memo_keep(const Advice& a) {
  AdviceMemo& advice_memo = advice_model->memo;
  if (advice_memo.generation != model_view()->generation) {
    std::memset(advice_memo.filled, 0, sizeof advice_memo.filled);
    advice_memo.used = 0;
    advice_memo.generation = model_view()->generation;
  }
  if (advice_memo.used >= ADVICE_MEMO_SLOTS / 2) return;
  uint32_t at = advice_memo_slot(a.list, a.name);
  while (advice_memo.filled[at]) at = (at + 1) & (ADVICE_MEMO_SLOTS - 1);
  advice_memo.filled[at] = true;
  advice_memo.advice[at] = a;
  advice_memo.used++;
}

// ---- The advice -------------------------------------------------------------------------------------

void advice_for(int list, const char* name, Advice* out) {
  // The name as a name list holds it: at most NAME_BYTES - 1 bytes.
  char kept[NAME_BYTES];
  std::strncpy(kept, name, NAME_BYTES - 1);
  kept[NAME_BYTES - 1] = 0;
  const Advice* known = advice_memo_find(list, kept);
  if (known != nullptr) {
    *out = *known;
    return;
  }
  advice_work_out(list, kept, out);
  advice_memo_keep(*out);
}

bool advice_renameable(const Advice& a) {
  if ((a.list != LISTING_BONES && a.list != LISTING_MORPHS) || a.to < 0 || a.to >= advice_table_count(a.list)) {
    return false;
  }
  if (a.why != WHY_SPELLING && a.why != WHY_ENGLISH_NAME && a.why != WHY_RIG_NAME) return false;
  return std::strlen(advice_model_name(a.list, a.to)) <= (size_t)ADVICE_FIELD;
}

// ---- The motion's advice ----------------------------------------------------------------------------

struct AdviceWalk {
  void (*on)(const Advice& advice, void* arg);
  void* arg;
};

static void advice_lacking(int kind, const char* name, void* arg) {
  static Advice a;
  AdviceWalk* w = static_cast<AdviceWalk*>(arg);
  advice_for(kind, name, &a);
  w->on(a, w->arg);
}

void advice_walk(ListingTally* tally, void (*on)(const Advice& advice, void* arg), void* arg) {
  AdviceWalk w = {on, arg};
  listing_tally(tally, advice_lacking, &w);
}

// ---- Names taken ------------------------------------------------------------------------------------
//
// A renaming gives its model name the motion's keys of another name. When the motion keys that name
// already, or a second renaming leads to it too, the copy would hold two tracks under one name, and a
// player would drive the bone from both; so each model name goes to one of them.

// How close a renameable advice's match is, for two that lead to one name: lower is closer.
static int advice_closeness(const Advice& a) {
  if (a.loose) return 3;  // a loose spelling yields to every other match
  if (a.why == WHY_SPELLING) return 1;
  return a.whole ? 0 : 2;  // a whole English or rig name, or one the name only begins
}

// Per model entry while advice_resolve_taken runs: the advice (index + 1) that holds its name, or one
// of these. Only the entries the advice leads to are written and read.
constexpr int32_t HOLDER_UNSEEN = 0;   // not yet asked
constexpr int32_t HOLDER_KEYED = -1;   // the motion keys the name: it keeps it
constexpr int32_t HOLDER_FREE = -2;    // the motion does not key it and no advice holds it yet
static int32_t advice_holder_bones[MODEL_BONES];
static int32_t advice_holder_morphs[MODEL_MORPHS];

// The holder of the model name a renameable advice leads to: that of the name's first entry, so that
// two entries of one name are one name.
static int32_t* advice_holder(const Advice& a) {
  const char* name = advice_model_name(a.list, a.to);
  int first = a.list == LISTING_BONES ? model_bone_entry(name) : model_morph_entry(name);
  if (first < 0) first = a.to;  // not reached: the name is the model's own
  return a.list == LISTING_BONES ? &advice_holder_bones[first] : &advice_holder_morphs[first];
}

void advice_resolve_taken(Advice* list, int count) {
  if (list == nullptr) return;
  for (int i = 0; i < count; i++) {
    if (advice_renameable(list[i])) *advice_holder(list[i]) = HOLDER_UNSEEN;
  }
  for (int i = 0; i < count; i++) {
    Advice& a = list[i];
    if (!advice_renameable(a)) continue;
    int32_t* h = advice_holder(a);
    if (*h == HOLDER_UNSEEN) *h = listing_keyed(a.list, advice_model_name(a.list, a.to)) ? HOLDER_KEYED : HOLDER_FREE;
    if (*h == HOLDER_KEYED) {
      a.why = WHY_TAKEN;
    } else if (*h == HOLDER_FREE) {
      *h = i + 1;
    } else if (advice_closeness(a) < advice_closeness(list[*h - 1])) {
      list[*h - 1].why = WHY_TAKEN;
      *h = i + 1;
    } else {
      a.why = WHY_TAKEN;
    }
  }
}

// ---- Names no motion can name whole -------------------------------------------------------------------

// A name longer than the field, as kept for the model: its entry and what advice_unnameable tells of it.
static_assert(MODEL_MORPHS < 0xFFFF && MODEL_BONES < 0xFFFF, "entry numbers fit 16 bits");
// Open addressing from the first 15 bytes of a name to its entry + 1, for one list at a time.
static uint16_t advice_cut_index[2 * MODEL_MORPHS];

// The first ADVICE_FIELD bytes of name, terminated (cut holds ADVICE_FIELD + 1 bytes).
static void advice_field_cut(char* cut, const char* name) {
  std::strncpy(cut, name, ADVICE_FIELD);
  cut[ADVICE_FIELD] = 0;
}

static void advice_long_fill(int list) {
  AdviceModel& a = *advice_model;
  AdviceLong* out = list == LISTING_BONES ? a.long_bones : a.long_morphs;
  int slots = list == LISTING_BONES ? 2 * MODEL_BONES : 2 * MODEL_MORPHS;
  int count = advice_table_count(list);
  std::memset(advice_cut_index, 0, sizeof(uint16_t) * (size_t)slots);
  char cut[ADVICE_FIELD + 1];
  // Every name of at least 15 bytes, by its first 15.
  for (int e = 0; e < count; e++) {
    const char* name = advice_model_name(list, e);
    if (strnlen(name, ADVICE_FIELD) < (size_t)ADVICE_FIELD) continue;
    advice_field_cut(cut, name);
    uint32_t at = hash_text(cut);
    while (advice_cut_index[at & (slots - 1)] != 0) at++;
    advice_cut_index[at & (slots - 1)] = (uint16_t)(e + 1);
  }
  int n = 0;
  for (int e = 0; e < count; e++) {
    const char* name = advice_model_name(list, e);
    if (strnlen(name, ADVICE_FIELD + 1) <= (size_t)ADVICE_FIELD) continue;
    advice_field_cut(cut, name);
    bool shared = false;
    for (uint32_t at = hash_text(cut); !shared; at++) {
      uint16_t f = advice_cut_index[at & (slots - 1)];
      if (f == 0) break;
      shared = f - 1 != e && std::strncmp(advice_model_name(list, f - 1), cut, ADVICE_FIELD) == 0;
    }
    bool split = cut_broken_tail(cut) != 0;
    out[n++] = AdviceLong{(uint16_t)e, (uint8_t)shared, (uint8_t)split};
  }
  a.long_count[list] = n;
}

int advice_unnameable(int list, AdviceUnnameable* out, int max) {
  if (list != LISTING_BONES && list != LISTING_MORPHS) return -1;
  uint32_t generation = model_view()->generation;
  AdviceModel& a = *advice_model;
  if (!a.long_made || a.long_generation != generation) {
    advice_long_fill(LISTING_BONES);
    advice_long_fill(LISTING_MORPHS);
    a.long_made = true;
    a.long_generation = generation;
  }
  const AdviceLong* kept = list == LISTING_BONES ? a.long_bones : a.long_morphs;
  int n = a.long_count[list];
  for (int i = 0; i < n && i < max && out != nullptr; i++) {
    out[i] = AdviceUnnameable{kept[i].entry, kept[i].shared != 0, kept[i].split != 0};
  }
  return n;
}
