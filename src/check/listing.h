// listing.h: the report page's lines, written from the usage records: the header, one line per moving
// standard or finger bone, the bone names no vocabulary knows, and one line per morph whose weight
// leaves zero. Each line takes the colour of its name: by the target model when one is loaded (white
// when the model has the name, orange when it lacks it), grey when none is.
#pragma once
#include <cstdint>

// What the page needs to know of the run.
struct ReportContext {
  const char* motion_path;   // the motion path line (Shift-JIS), or nullptr / "" for none
  bool alias_mode;           // an alias file was found for this run
  const char* motion_model;  // the motion's model name (Shift-JIS), or nullptr / "" for none
};

// The colours of the page, as red, green, blue.
struct ListingColour {
  uint8_t r, g, b;
};
constexpr ListingColour COLOUR_HEADING = {255, 255, 255};  // headings and the header lines
constexpr ListingColour COLOUR_PRESENT = {255, 255, 255};  // a name the target model has
constexpr ListingColour COLOUR_LACKING = {255, 120, 0};    // a name the target model lacks
constexpr ListingColour COLOUR_NO_MODEL = {150, 150, 150}; // any name when no model is loaded
// Without a model, the standard bones that many models lack stand out: 上半身２, 左足ＩＫ親 and
// 右足ＩＫ親 in red, 上半身3 in yellow.
constexpr ListingColour COLOUR_RARE_BONE = {255, 0, 0};
constexpr ListingColour COLOUR_RARE_UPPER3 = {255, 240, 0};

constexpr int LISTING_TEXT = 1024;  // room for a formatted line before the page cuts it at 127 bytes

// Header lines and bone lines; then the morph lines. The caller resets the page first.
void report_bones(const ReportContext& ctx);
void report_morphs(const ReportContext& ctx);

// What the page lists of the motion, counted whatever room the page has (names past its last line
// count too): bones (standard and finger lines and unknown names), morphs, and of those the ones the
// target model lacks (the page colours them orange; none without a model).
struct ListingTally {
  int bones, morphs;
  int lacking_bones, lacking_morphs;
};
// The two name lists a page and its advice speak of, numbered once for the listing, the advice, the
// summary and the fitted copy.
enum ListingKind : int { LISTING_BONES = 0, LISTING_MORPHS = 1, LISTING_KINDS = 2 };
// Their words: "bones", "morphs".
inline const char* listing_kind_word(int kind) {
  static const char* const WORDS[] = {"bones", "morphs"};
  static_assert(sizeof WORDS / sizeof WORDS[0] == LISTING_KINDS, "a word for every list");
  return kind == LISTING_MORPHS ? WORDS[1] : WORDS[0];
}
// Counts into tally, and hands each lacking name to lacking (kind LISTING_BONES or LISTING_MORPHS,
// the name as the motion spells it, in Shift-JIS, not renamed), in page order. lacking may be null.
void listing_tally(ListingTally* tally, void (*lacking)(int kind, const char* name, void* arg), void* arg);

// True when the motion the run holds has keys named name on list (LISTING_BONES or LISTING_MORPHS): the
// entry the motion reader gives that name has keys. An entry that is a pattern (髪*) holds the keys of
// every name it accepts, so such a name counts as keyed when any of them is; an entry past the usage
// records (its keys are not counted; only the motion adds so many) counts as keyed. False for another
// list. Scans the name list once.
bool listing_keyed(int list, const char* name);
