// advice.h: what to do about each name the page colours as lacking: its class (how much it matters)
// and, where one can be found, the model's name that it stands for, and why. Players match a key's
// name with the model's names byte for byte, so the fix is a renaming: of the motion's name (a copy
// of the motion that fits, vmd_fit.h) or of the model's.
//
// The rules, tried in order; the first that finds any model name decides:
//   cut           the name fills its 15-byte field, or ends inside a character, and model names begin
//                 with exactly its bytes: no motion can name them whole (the model needs a shorter name);
//   spelling      the name and a model name have the same spelling key (fold.h);
//   english name  the name spells a model bone's or morph's English name (the same key);
//   rig name      the name is another rig's name for a standard bone or morph (rigs.h), and the model
//                 has that standard name, exactly or by its spelling key.
// For the last two, a name that fills its field also matches a longer name that begins with it.
// One model name found: it is the advice's "to". Several: "ambiguous", the names are candidates.
// None: "none".
#pragma once
#include <cstdint>

#include "check/listing.h"
#include "check/names.h"

enum AdviceWhy : int {
  WHY_NONE = 0,
  WHY_CUT,
  WHY_SPELLING,
  WHY_ENGLISH_NAME,
  WHY_RIG_NAME,
  WHY_AMBIGUOUS,
};

constexpr int ADVICE_CANDIDATES = 32;  // model names kept per advice; more are counted, not kept
constexpr int ADVICE_FIELD = 15;       // the motion's name field, in bytes

struct Advice {
  int list;               // LISTING_BONES or LISTING_MORPHS
  char name[NAME_BYTES];  // the name as the motion spells it (Shift-JIS)
  int cls;                // an AdviceClass (rigs.h): the name's own, or the standard name's it stands for
  int why;                // an AdviceWhy
  int to;                 // the model's entry (0-based) in the table of list, or -1
  int candidate_count;    // model names found (ambiguous: 2 or more)
  int candidates[ADVICE_CANDIDATES];  // the first of them, as model entries
};

// The advice for one lacking name of list (LISTING_BONES or LISTING_MORPHS) against the target model.
void advice_for(int list, const char* name, Advice* out);

// The model's name of an entry of list's table (Japanese, Shift-JIS).
const char* advice_model_name(int list, int entry);

// True when the advice can be followed in the motion: a spelling, English-name or rig-name match with
// one model name of at most 15 bytes.
bool advice_renameable(const Advice& a);

// What the page lists of the motion the run holds, counted into tally (listing_tally), and the advice
// for each lacking name handed to on, bones first, in page order.
void advice_walk(ListingTally* tally, void (*on)(const Advice& advice, void* arg), void* arg);
