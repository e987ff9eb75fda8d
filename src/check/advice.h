// advice.h: what to do about each name the page colours as lacking: its class (how much it matters)
// and, where one can be found, the model's name that it stands for, and why. Players match a key's
// name with the model's names byte for byte, so the fix is a renaming: of the motion's name (a copy
// of the motion that fits, vmd_fit.h) or of the model's.
//
// The rules, in order; the first that finds any model name decides. A whole name first:
//   spelling      the name and a model name have the same spelling key (fold.h);
//   english name  the name spells a model bone's or morph's English name (the same key);
//   rig name      the name is another rig's name for a standard bone or morph (rigs.h), and the model
//                 has that standard name, exactly or by its spelling key.
// Then, only for a name that fills its 15-byte field or ends inside a character (it may have been cut):
//   cut           model names begin with exactly its bytes: no motion can name them whole (the model
//                 needs a shorter name);
//   english name, rig name   as above, where the name is the beginning of a longer English or rig name
//                 (that is how a 16-byte VRM name arrives).
// Last, only for a name none of these matched, two loose spellings of the whole name, why "spelling",
// followed only where they find exactly one model name (several leave "none"):
//   wink          a wink morph with its side and number placed otherwise (ｳｨﾝｸ２右 = ウィンク右２), or
//                 MMD's left-eye wink named without a side (ウィンク, ウィンク２) and the same wink with
//                 左, where the model names both sides of it (ウインク左 and ウインク右);
//   look-alike    the name and a model name have the same look-alike key (fold_alike: ∧ Λ, д Д, ...).
// So a whole match always wins over a cut one. Where the English names give several model names and
// the rig's standard name is exactly one of them, that one is the advice, why "rig name".
// One model name found: it is the advice's "to". Several: "ambiguous", the names are candidates.
// None: "none".
//
// After a motion's advice is collected, advice_resolve_taken keeps its renamings from giving one name
// two tracks: a renaming to a name the motion already keys, or a second renaming to the same name,
// becomes "taken".
#pragma once
#include <cstdint>

#include "check/listing.h"
#include "check/model.h"
#include "check/names.h"
#include "check/rigs.h"
#include "text/fold.h"

enum AdviceWhy : int {
  WHY_NONE = 0,
  WHY_CUT,
  WHY_SPELLING,
  WHY_ENGLISH_NAME,
  WHY_RIG_NAME,
  WHY_AMBIGUOUS,
  WHY_TAKEN,  // a renaming that would give a name two tracks: the motion keys its model name already, or
              // another of the motion's names is renamed to it (advice_resolve_taken)
  WHY_FOLD,   // a semi-standard bone the model lacks whose keys a fitted copy folds into bones it has
              // (velmora-report --fit, pose/fold.h); never given by advice_for
  WHY_COUNT,  // the number of whys
};

// The word for a why, as the summary and the JSON print it: "none", "cut", "spelling", "english name",
// "rig name", "ambiguous", "taken"; "" for a value out of range.
const char* advice_why_word(AdviceWhy why);

constexpr int ADVICE_CANDIDATES = 32;  // model names kept per advice; more are counted, not kept
constexpr int ADVICE_FIELD = 15;       // the motion's name field, in bytes

struct Advice {
  int list;               // LISTING_BONES or LISTING_MORPHS
  char name[NAME_BYTES];  // the name as the motion spells it (Shift-JIS)
  AdviceClass cls;        // the name's own class, or the standard name's it stands for
  AdviceWhy why;
  bool whole;             // the match is of the whole name (spelling, English or rig name), not of a
                          // longer name that it begins (cut, or a cut English or rig name)
  bool loose;             // the match is a loose spelling (a wink's side or number, a look-alike sign)
  int to;                 // the model's entry (0-based) in the table of list, or -1; for WHY_TAKEN the
                          // model name the name would have become
  int candidate_count;    // model names found (ambiguous: 2 or more)
  int candidates[ADVICE_CANDIDATES];  // the first of them, as model entries
};

// The advice for one lacking name of list (LISTING_BONES or LISTING_MORPHS) against the target model.
void advice_for(int list, const char* name, Advice* out);

// The model's name of an entry of list's table (Japanese, Shift-JIS).
const char* advice_model_name(int list, int entry);

// True when the advice can be followed in the motion: a spelling, English-name or rig-name match with
// one model name of at most 15 bytes (never WHY_TAKEN).
bool advice_renameable(const Advice& a);

// What the page lists of the motion the run holds, counted into tally (listing_tally), and the advice
// for each lacking name handed to on, bones first, in page order.
void advice_walk(ListingTally* tally, void (*on)(const Advice& advice, void* arg), void* arg);

// Keeps the renamings of one motion's advice from giving a name two tracks (list: the advice for every
// name the motion lacks, as advice_walk hands it on, bones first, in page order; count entries).
// Reads which names the motion the run holds keys (listing_keyed), so call it while the run holds that
// motion, as right after advice_walk. For each model name that renameable advice leads to:
//   - when the motion already keys that name, every advice to it becomes WHY_TAKEN (the motion's own
//     track of the name keeps it);
//   - else one advice keeps it, the one whose match is closest: a whole English or rig name before a
//     spelling, a spelling before a cut English or rig name, that before a loose spelling; between
//     equals, the first in the list.
//     The others become WHY_TAKEN.
// A WHY_TAKEN advice keeps its "to" (the model name it lost) and is not renameable. Advice of other
// whys is left as it is; calling it again changes nothing. Bounded by count and the model's tables.
void advice_resolve_taken(Advice* list, int count);

// A model name no motion can name whole: longer than the motion's 15-byte name field, so a motion
// names it only cut (players that match whole names never drive it; MMD drives it from a cut name only
// where those 15 bytes begin no other name of its list).
struct AdviceUnnameable {
  int entry;    // the model's entry (0-based) in the table of the list
  bool shared;  // another name of the list has the same first 15 bytes (or is those 15 bytes)
  bool split;   // the 15th byte begins a two-byte character: the cut ends inside a character
};
// The target model's names of list (LISTING_BONES or LISTING_MORPHS) longer than 15 bytes: writes the
// first max of them (0 or less: none; out may then be null) to out in the table's order and returns how
// many there are; -1 for another list. Worked out once per model (its tables' generation).
int advice_unnameable(int list, AdviceUnnameable* out, int max);

// ---- What is kept for a model -------------------------------------------------------------------------
//
// Everything the advice keeps for the target model: its names' spelling keys, the advice given so far
// and its names longer than the name field, made as they are first asked for and kept until the model's
// tables change. One record is the file's own; velmora-report's --each-model keeps one per model beside
// its model record (model_use) and uses each with it. All zeros is a record that holds nothing yet.
constexpr int ADVICE_MEMO_SLOTS = 4096;  // advice kept per model, at most half full; past that, worked out again
struct AdviceMemo {
  uint32_t generation;  // the model tables' generation the slots hold advice for
  int used;
  bool filled[ADVICE_MEMO_SLOTS];
  Advice advice[ADVICE_MEMO_SLOTS];
};
struct AdviceLong {
  uint16_t entry;
  uint8_t shared, split;
};
struct AdviceModel {
  char bone_key[MODEL_BONES][FOLD_NAME];
  char bone_en_key[MODEL_BONES][FOLD_NAME];
  char morph_key[MODEL_MORPHS][FOLD_NAME];
  char morph_en_key[MODEL_MORPHS][FOLD_NAME];
  uint16_t bone_index[2 * MODEL_BONES], bone_en_index[2 * MODEL_BONES];
  uint16_t morph_index[2 * MODEL_MORPHS], morph_en_index[2 * MODEL_MORPHS];
  uint32_t keys_generation;
  bool keys_made;
  AdviceMemo memo;
  AdviceLong long_bones[MODEL_BONES];
  AdviceLong long_morphs[MODEL_MORPHS];
  int long_count[2];
  uint32_t long_generation;
  bool long_made;
};
// The record every procedure above keeps its model's things in: a (the caller's, kept as long as it is
// used, for the model record in use), or with nullptr the file's own.
void advice_use(AdviceModel* a);
