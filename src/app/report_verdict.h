// report_verdict.h: velmora-report's verdict on a file, and the one value a file's check yields: what
// kind of file it is, whether it was read whole, for a motion whether the target model has every name
// its page lists, and everything the outputs print of it. The page text and JSON, the summary, --fit
// and --png read a file only through its FileOutcome.
//
//   fits       a motion read whole whose every listed name the model has
//   extras     a motion read whole that lacks only names of class "other" (its own model's hair, sleeves,
//              props and expressions): everything standard plays as made
//   lacks      a motion read whole that lacks a standard, semi-standard or finger bone or an expression
//   no model   a motion read whole, checked without a model (or after a model that could not be read)
//   camera     a motion read whole with camera, light or self-shadow keys and no bone or morph keys
//   empty      a motion read whole without keys of any kind
//   cut        a motion or model that ends inside a block (or a model stopped by a structural fault):
//              read up to its last whole record
//   unread     a file that could not be read: missing, not of its format, cut in its header, of
//              another kind
//   model      a model read whole
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/run.h"
#include "check/advice.h"
#include "check/listing.h"
#include "check/rigs.h"
#include "check/report_page.h"
#include "formats/read_end.h"
#include "formats/vmd_fit.h"

enum ToolVerdict : int {
  VERDICT_FITS,
  VERDICT_EXTRAS,
  VERDICT_LACKS,
  VERDICT_NO_MODEL,
  VERDICT_CAMERA,
  VERDICT_EMPTY,
  VERDICT_CUT,
  VERDICT_UNREAD,
  VERDICT_MODEL,  // the verdicts before this one are a motion's
  VERDICT_COUNT
};
enum ToolKind : int { KIND_MOTION, KIND_MODEL, KIND_OTHER, KIND_COUNT };
// The language of the texts velmora-report writes for a reader beside its fixed English words and JSON:
// the library page's labels and the notes under a lacking name.
enum ToolLang : int { LANG_EN, LANG_JA };

// A worst move the pose engine measured (pose/fold.h): how far a bone the model has goes and how much
// it turns, which bone and at what frame.
struct OutcomeMove {
  bool measured;     // false: nothing was measured
  double units;
  double degrees;
  std::string bone;  // UTF-8; "" when no bone the model poses without IK moves
  int64_t frame;
};

// One name a motion's page colours as lacking, with its advice (advice.h), the model's names spelled
// out so that nothing after the check asks the model's tables. Names are UTF-8, as every output shows
// them; the name and its renaming are kept in Shift-JIS too, as the motion's file and the model spell
// them, for the fitted copy and the pose engine.
struct LackingName {
  ListingKind list;
  AdviceClass cls;
  AdviceWhy why;
  std::string name;                     // as the motion spells it
  std::string to;                       // the model's name the advice gives, or ""
  std::string name_sjis, to_sjis;       // the same in Shift-JIS
  std::vector<std::string> candidates;  // the model names kept, at most ADVICE_CANDIDATES
  int candidate_count;                  // the model names found
  bool renameable;                      // advice_renameable: a fitted copy may take the model's name
  // A semi-standard bone (or 両目) the motion keys off its rest pose (report_pose.h):
  OutcomeMove cost;                     // the worst move if its keys are dropped
  bool foldable;                        // a fold can take its keys into bones the model has
  std::vector<std::string> into;        // folded (why WHY_FOLD, to into[0]): the bones it went into
  OutcomeMove error;                    // folded: the worst move the fold leaves
};

// One of a model's names that no motion can name whole: longer than a motion's 15-byte name field.
struct UnnameableName {
  std::string name;  // UTF-8
  bool shared;       // its first 15 bytes begin another name of the model too
  bool split;        // its 15th byte is the first half of a character
};

// The model a motion was checked against, or a model file's own tables.
struct OutcomeModel {
  bool loaded;        // a target model is loaded (a model file: it was read)
  std::string name;   // its display name (UTF-8)
  int name_width;     // its display width as the page counts it: two columns a two-byte Shift-JIS character
  int bones, morphs;
  int place;          // a motion's: the run's place of the model file it was checked against, 0 for none
  std::string file;   // a motion's: that model file's path as the user reads it (UTF-8), or ""
  std::string error;  // a motion's: why the model given last could not be read (UTF-8), or ""
  std::vector<UnnameableName> unnameable[LISTING_KINDS];  // a model file's: its bones' and morphs'
};

// A file's check: its verdict with what it rests on, and what every output prints.
struct FileOutcome {
  FilePath path;               // the file as the run named it, and the spelling that opened it
  int position;                // its place among the run's files, from 1
  ToolKind kind;               // by the file's extension
  ToolVerdict verdict;
  int read;                    // the last reader's result (a ReadResult), or RUN_NO_READER
  std::string error;           // why an unread or cut file is so (UTF-8), or ""
  ReadEnd end;                 // how the file ended (BLOCK_NONE for a file no reader read)
  int64_t bone_keys, morph_keys;
  int64_t last_frame;          // the largest bone or morph key frame, -1 without them
  int64_t camera_keys, light_keys, shadow_keys;
  int64_t last_scene_frame;    // the largest camera, light or self-shadow key frame, -1 without them
  ListingTally tally;          // what a motion's page lists
  std::vector<LackingName> lacking;  // one per name the page colours as lacking, by class (see below)
  bool would_fit;              // a motion that lacks names would fit after fitting: every lacking name
                               // renamed or folded (without --fit: one a fold can take)
  bool folded;                 // the fitted copy folds bones (report_pose.h holds the plan)
  OutcomeModel model;
  const ReportPage* page;      // the page the check wrote, until the next check; nullptr when it wrote none
  std::string summary;         // the page's summary text (UTF-8), "" without a page
  std::string fitted;          // the path of the fitted copy --fit wrote (UTF-8), or ""
  std::string picture;         // the path of the picture --png wrote (UTF-8), or ""
};

// The order of the classes in every list of lacking names: standard, semi-standard, finger, expression,
// then other.
constexpr AdviceClass REPORT_CLASS_ORDER[CLASS_COUNT] = {CLASS_STANDARD, CLASS_SEMI_STANDARD, CLASS_FINGER,
                                                         CLASS_EXPRESSION, CLASS_OTHER};

// The outcome of the file the run checked last: p as run_check_path left it, read its result, position
// its place in the run, page whether the check wrote the page, model_error why the model given last
// could not be read ("" when it could, or when none was given): while it is set, the model tables (what
// that model's reader kept, which the page shows) are no target, and a motion is checked without a
// model. Reads the check's records (the readers'
// ends and counts, the model's tables, the page) and the advice. The lacking names are in the order of
// their classes: standard, semi-standard, finger, expression, other; the page's order within a class.
void report_verdict_of(const FilePath& p, int read, int position, bool page, const std::string& model_error,
                       FileOutcome* out);
// Sorts o's lacking names by class (standard, semi-standard, finger, expression, other) and within a
// class by their cost, largest first; names without a cost keep the page's order after those with one.
void report_verdict_sort(FileOutcome* o);
// The renamings o's fitted copy makes: every lacking name whose advice can be followed, by list
// (LISTING_BONES, LISTING_MORPHS), at most VMD_RENAMES each; the strings are o's.
void report_verdict_renames(const FileOutcome& o, std::vector<VmdRename>* renames);
// Sets o->would_fit from its verdict and its lacking names.
void report_verdict_would_fit(FileOutcome* o);
// The outcome of a path that was not examined at all (a folder that cannot be read, a path too long):
// an unread file of kind other, for the reason problem.
void report_verdict_unexamined(const FilePath& p, int position, const char* problem, FileOutcome* out);

// The words of the verdicts and kinds, as the summary and JSON give them.
const char* report_verdict_word(ToolVerdict verdict);
const char* report_verdict_kind_word(ToolKind kind);
// The colour velmora-report gives a verdict, packed as the page packs its colours, or VERDICT_PLAIN for
// the terminal's own (fits, model): teal extras, orange lacks, grey no model and empty, blue camera,
// magenta cut, red unread. Each reads on a dark and on a light background.
constexpr uint32_t VERDICT_PLAIN = 0xFFFFFFFFu;
uint32_t report_verdict_colour(ToolVerdict verdict);
// The verdict as one line of text: "fits", "extras: 2 bones", "lacks 3 bones, 1 morph", "lacks 1 morph;
// extras: 2 bones", "no model", "no model (x.pmx: cut in the bones after 3 of 10)", "camera: 120 camera
// keys, 1 light key", "empty", "cut in the bone keys after 9,008 of 20,657", "unread: REASON", "model".
// A count of 0 is left out. "lacks" counts the standard, semi-standard, finger and expression names,
// "extras" those of class other. With names, each count of a lacking or extra list is followed by its
// names, REPORT_SHOWN at most: "lacks 2 bones: 左肩P, 右肩P; 1 morph: あ".
std::string report_verdict_text(const FileOutcome& o, bool names = false);
// The lacking names of o counted by list (n[LISTING_BONES], n[LISTING_MORPHS]): those that lack (every
// class but other), or with extras those of class other.
void report_verdict_lacking_counts(const FileOutcome& o, bool extras, int64_t* n);
// Names a line shows at most; the rest are counted.
constexpr int REPORT_SHOWN = 8;
// "A, B, C" (separator between them): the first REPORT_SHOWN of names, then " and N more" for the rest
// of total.
std::string report_verdict_some(const std::vector<std::string>& names, int total, const char* separator);
// The notes under a lacking semi-standard bone, in lang: what dropping its keys costs, as the summary's
// line says it after "NAME: " ("4.2 units, 40° at 右手首, frame 518 if dropped"; "" when not measured),
// and its fold, as in "NAME → 上半身 (...)" ("fold, within 0.41 units"; "" when not folded).
std::string report_verdict_cost_note(const LackingName& a, ToolLang lang);
std::string report_verdict_fold_note(const LackingName& a, ToolLang lang);
// "1 key", "2 keys": n and the word, plural unless n is 1, n with commas between thousands.
std::string report_verdict_count(int64_t n, const char* one, const char* more);
// True for the verdicts that make the exit code 1: lacks, cut, unread.
bool report_verdict_fails(ToolVerdict verdict);
// JSON: the "cut" value: null, or {"in":BLOCK,"read":N,"declared":M} ("declared" null when the file
// ended before the count; "fault" added for a model's structural fault).
std::string report_verdict_cut_json(const FileOutcome& o);
// JSON: the fields every entry of a file begins with: {"file":...,"kind":...,"read":...,"verdict":...,
// "error":...,"cut":... (no closing brace); without "verdict" where verdict is false (a motion of the
// table of every model, whose verdicts are the models' own).
std::string report_verdict_json_head(const FileOutcome& o, bool verdict = true);
