// listing.cpp: the report page's lines (see listing.h): the header lines, the bone half (one line per
// moving standard or finger bone, then the bone names no vocabulary knows) and the morph half (one line
// per morph whose weight ever leaves zero, standard expression morphs first, then after a separator
// the morphs no vocabulary knows).
//
// Records: none; reads the usage records, the name lists, the model tables and the context the run
// hands over, and writes the report page through its procedures.
// Limits: a line is formatted into LISTING_TEXT bytes; the page cuts it at 127.
//
// Sections (search for "// ==== "): names and colours, bone half, morph half, what the page lists (and
// which names the motion keys).
#include "check/listing.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "check/model.h"
#include "check/names.h"
#include "check/report_page.h"
#include "check/usage.h"
#include "check/vocab.h"
#include "text/encoding.h"

// ==== names and colours ===============================================================================

// Bones flagged without a model: 上半身２ 左足ＩＫ親 右足ＩＫ親 red, 上半身3 yellow.
static const char UPPER2_FULLWIDTH[] = "\x8F\xE3\x94\xBC\x90\x67\x82\x51";
static const char UPPER3[] = "\x8F\xE3\x94\xBC\x90\x67\x33";
static const char LEFT_LEG_IK_PARENT[] = "\x8D\xB6\x91\xAB\x82\x68\x82\x6A\x90\x65";
static const char RIGHT_LEG_IK_PARENT[] = "\x89\x45\x91\xAB\x82\x68\x82\x6A\x90\x65";
// 左親指０ with a trailing space: listed in quotes so that the space shows.
static const char LEFT_THUMB0_SPACE[] = "\x8D\xB6\x90\x65\x8E\x77\x82\x4F ";

// Morphs whose one character the font draws too narrow: ∩ is shown as Π, ∧ as Λ, ω as ω with a
// space after it.
static const char CAP[] = "\x81\xBF";    // ∩
static const char WEDGE[] = "\x81\xC8";  // ∧
static const char OMEGA[] = "\x83\xD6";  // ω

// The name as the page shows it: renamed through alias_list in alias mode, else the name itself.
static void listing_display_name(const ReportContext& ctx, int alias_list, const char* name, char* out) {
  if (ctx.alias_mode) {
    names_rename(alias_list, name, out, LISTING_TEXT);
  } else {
    std::strncpy(out, name, LISTING_TEXT - 1);
    out[LISTING_TEXT - 1] = 0;
  }
}

// The one colour rule of every listed name: by the target model when one is loaded, else grey, or the
// colour that the caller gives a name it flags when no model is loaded.
static void listing_colour(bool in_model, const ListingColour& no_model) {
  ListingColour c = !model_loaded() ? no_model : in_model ? COLOUR_PRESENT : COLOUR_LACKING;
  report_set_colour(c.r, c.g, c.b);
}

static void listing_heading(const char* text) {
  report_set_colour(COLOUR_HEADING.r, COLOUR_HEADING.g, COLOUR_HEADING.b);
  report_put(text);
  report_end_line();
}

// The width the lines of a half pad their names to: the largest display-name length of the entries of
// the list's group that the page will list (listed), the standard bones or the standard expression
// morphs. Names of other groups may be longer and are not padded for.
static int listing_name_width(const ReportContext& ctx, int list, int alias_list, int group,
                              bool (*listed)(int entry)) {
  static char shown[LISTING_TEXT];
  int width = 0;
  int count = names_count(list);
  for (int e = 1; e <= count; e++) {
    if (names_group_of(list, e) != group || !listed(e)) continue;
    listing_display_name(ctx, alias_list, names_entry(list, e), shown);
    int len = (int)std::strlen(shown);
    if (len > width) width = len;
  }
  return width;
}

// Appends printf-formatted text to buf (LISTING_TEXT bytes), never past its end.
static void listing_append(char* buf, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
static void listing_append(char* buf, const char* fmt, ...) {
  size_t used = std::strlen(buf);
  if (used >= LISTING_TEXT - 1) return;
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf + used, LISTING_TEXT - used, fmt, ap);
  va_end(ap);
}

// ==== bone half ===========================================================================================

// Degrees of the angle whose half has sine s.
static double bone_angle(float s) {
  double c = s;
  if (c > 1.0) c = 1.0;
  if (c < -1.0) c = -1.0;
  return 2.0 * std::asin(c) * 180.0 * 0.31830988148145367;
}

// What the bone half's writer needs besides the entry.
struct BonePageArgs {
  const ReportContext* ctx;
  int width;  // the standard bones' name width
};

// A standard or finger bone that the page lists: keyed and moving.
static bool bone_listed(const BoneUsage* r) { return r->key_count >= 1 && r->moves; }

static bool bone_entry_listed(int entry) { return bone_listed(bone_usage_view(entry)); }

// The colour a standard bone takes without a model.
static const ListingColour& bone_no_model_colour(const char* name) {
  if (std::strcmp(name, UPPER2_FULLWIDTH) == 0 || std::strcmp(name, LEFT_LEG_IK_PARENT) == 0 ||
      std::strcmp(name, RIGHT_LEG_IK_PARENT) == 0) {
    return COLOUR_RARE_BONE;
  }
  if (std::strcmp(name, UPPER3) == 0) return COLOUR_RARE_UPPER3;
  return COLOUR_NO_MODEL;
}

static void bone_line(const ReportContext& ctx, int entry, int width) {
  static char shown[LISTING_TEXT];
  static char text[LISTING_TEXT];
  const char* name = names_entry(LIST_BONES, entry);
  const BoneUsage& r = *bone_usage_view(entry);
  listing_colour(model_has_bone(name), bone_no_model_colour(name));
  listing_display_name(ctx, LIST_BONE_ALIAS, name, shown);
  text[0] = 0;
  listing_append(text, "  %s", shown);
  for (int pad = width - (int)std::strlen(shown); pad > 0; pad--) listing_append(text, " ");
  listing_append(text, "  (%d keys) (frame %d - %d) ", r.key_count, r.first_frame, r.last_frame);
  if (r.max_offset > 0.01f) listing_append(text, "(|pos|=%g) ", (double)r.max_offset);
  BoneTwistKind twist = bone_twist_kind(name);
  if (twist != BONE_TWIST_BONE && r.max_rotation > 0.01f) {
    listing_append(text, "(rot%6.1f) ", bone_angle(r.max_rotation));
  }
  if (twist != BONE_NO_TWIST && (r.twist_neg > 0.01f || r.twist_pos > 0.01f)) {
    float neg = (float)bone_angle(r.twist_neg);
    float pos = (float)bone_angle(r.twist_pos);
    if (neg < pos) listing_append(text, "(tws%6.1f (at %d)) ", (double)pos, r.twist_pos_frame);
    else listing_append(text, "(tws%6.1f (at %d)) ", (double)neg, r.twist_neg_frame);
  }
  report_put(text);
  report_end_line();
}

// The name a listed bone is looked up by in the model: the entry itself for a line; for a piece of a
// line of unknown names, the entry without a broken last character (name holds NAME_BYTES).
static void bone_piece_name(bool piece, int entry, char* name) {
  std::strncpy(name, names_entry(LIST_BONES, entry), NAME_BYTES - 1);
  name[NAME_BYTES - 1] = 0;
  if (piece) cut_broken_tail(name);
}

// A bone name that no vocabulary knows, put as a piece of a line of such names.
static void bone_unknown_name(const ReportContext& ctx, int entry) {
  static char shown[LISTING_TEXT];
  static char text[LISTING_TEXT];
  char name[NAME_BYTES];
  bone_piece_name(false, entry, name);
  listing_display_name(ctx, LIST_BONE_ALIAS, name, shown);
  cut_broken_tail(shown);
  cut_broken_tail(name);
  listing_colour(model_has_bone(name), COLOUR_NO_MODEL);
  if (std::strcmp(name, LEFT_THUMB0_SPACE) == 0) std::snprintf(text, LISTING_TEXT, "  \"%s\"", shown);
  else std::snprintf(text, LISTING_TEXT, "  %s", shown);
  // A line of names ends before it would reach 80 bytes.
  if ((int)std::strlen(name) + report_view()->cursor + 2 >= 80) report_end_line();
  report_put(text);
}

// The header lines: an empty line, the motion's path, the motion's model and the target model.
static void listing_header(const ReportContext& ctx) {
  static char text[LISTING_TEXT];
  report_end_line();
  if (ctx.motion_path != nullptr && ctx.motion_path[0] != 0) {
    report_put(ctx.motion_path);
    report_end_line();
  }
  report_end_line();
  char model[LISTING_TEXT];
  std::snprintf(model, sizeof model, "%s", ctx.motion_model != nullptr ? ctx.motion_model : "");
  if (model[0] != 0) {
    cut_broken_tail(model);
    // "元モデル名: %s  (VMD) "
    std::snprintf(text, LISTING_TEXT,
                  ctx.alias_mode ? "Source model: %s  (VMD) " : "\x8C\xB3\x83\x82\x83\x66\x83\x8B\x96\xBC: %s  (VMD) ",
                  model);
    report_put(text);
    report_end_line();
  }
  // "想定使用先: %s  (PMX) "
  std::snprintf(text, LISTING_TEXT,
                ctx.alias_mode ? "Target model: %s  (PMX) " : "\x91\x7A\x92\xE8\x8E\x67\x97\x70\x90\xE6: %s  (PMX) ",
                model_view()->display_name);
  report_put(text);
  report_end_line();
}

// The bone walk, the one place that says which bones the page lists and where its separator goes: it
// hands on the separator before the unknown names (when lines came before them), each moving
// standard or finger bone (a line), and each moving unknown name (a piece of a line of names). Returns
// 0 when nothing followed the last group change, 1 when bone lines did, -1 when a line of names is
// open.
enum BoneListed { BONE_SEPARATOR, BONE_LINE, BONE_NAME };
static int bone_walk(void (*on)(BoneListed what, int entry, void* arg), void* arg) {
  int previous = 0;
  int t = 0;  // 0 nothing pending, 1 bone lines were written, -1 a line of names is open
  int count = names_count(LIST_BONES);
  for (int e = 1; e <= count; e++) {
    int group = names_group_of(LIST_BONES, e);
    const BoneUsage* r = bone_usage_view(e);
    // Finger bones are listed only when they really move; accessory bones never are.
    if (group == BONE_GROUP_FINGER && !(bone_listed(r) && r->max_offset > 0.05f)) continue;
    if (group == BONE_GROUP_ACCESSORY) continue;
    if (group != previous) {
      previous = group;
      if (group >= BONE_GROUP_ACCESSORY && t != 0) on(BONE_SEPARATOR, 0, arg);
      t = 0;
    }
    if (group == BONE_GROUP_STANDARD || group == BONE_GROUP_FINGER) {
      if (bone_listed(r)) {
        on(BONE_LINE, e, arg);
        t = 1;
      }
    } else if (group == BONE_GROUP_MOTION) {
      if (r->max_offset > 0.01f || r->max_rotation > 0.01f) {
        on(BONE_NAME, e, arg);
        t = -1;
      }
    }
  }
  return t;
}

static void bone_put(BoneListed what, int entry, void* arg) {
  const ReportContext& ctx = *static_cast<const BonePageArgs*>(arg)->ctx;
  if (what == BONE_SEPARATOR) {
    report_put("     ");
    report_end_line();
  } else if (what == BONE_LINE) {
    bone_line(ctx, entry, static_cast<const BonePageArgs*>(arg)->width);
  } else {
    bone_unknown_name(ctx, entry);
  }
}

void report_bones(const ReportContext& ctx) {
  listing_header(ctx);
  BonePageArgs args = {&ctx, listing_name_width(ctx, LIST_BONES, LIST_BONE_ALIAS, BONE_GROUP_STANDARD,
                                                bone_entry_listed)};
  report_set_colour(COLOUR_HEADING.r, COLOUR_HEADING.g, COLOUR_HEADING.b);
  report_end_line();
  // "使用ボーン: "
  listing_heading(ctx.alias_mode ? "Bones: " : "\x8E\x67\x97\x70\x83\x7B\x81\x5B\x83\x93: ");
  int t = bone_walk(bone_put, &args);
  if (t == -1) report_end_line();
  if (t != 0) report_end_line();
  report_set_colour(COLOUR_HEADING.r, COLOUR_HEADING.g, COLOUR_HEADING.b);
  report_end_line();
}

// ==== morph half ==========================================================================================

// What the morph half's writer needs besides the entry.
struct MorphPageArgs {
  const ReportContext* ctx;
  int width;  // the standard expression morphs' name width
};

// Keyed, and its weight leaves zero at least once.
static bool morph_listed(const MorphUsage* r) {
  return r->key_count >= 1 && (r->min_weight < 0.0f || r->max_weight > 0.0f);
}

static bool morph_entry_listed(int entry) { return morph_listed(morph_usage_view(entry)); }

static void morph_line(const ReportContext& ctx, int entry, int width) {
  static char shown[LISTING_TEXT];
  static char text[LISTING_TEXT];
  const char* name = names_entry(LIST_MORPHS, entry);
  const MorphUsage& r = *morph_usage_view(entry);
  listing_colour(model_has_morph(name), COLOUR_NO_MODEL);
  listing_display_name(ctx, LIST_MORPH_ALIAS, name, shown);
  if (std::strcmp(name, CAP) == 0) std::snprintf(text, LISTING_TEXT, "  \x83\xAE ");       // Π
  else if (std::strcmp(name, WEDGE) == 0) std::snprintf(text, LISTING_TEXT, "  \x83\xA9 ");  // Λ
  else if (std::strcmp(name, OMEGA) == 0) std::snprintf(text, LISTING_TEXT, "  \x83\xD6 ");  // ω
  else std::snprintf(text, LISTING_TEXT, "  %s", shown);
  size_t used = std::strlen(text);
  for (int pad = width - (int)std::strlen(shown); pad > 0 && used < LISTING_TEXT - 1; pad--) text[used++] = ' ';
  text[used] = 0;
  std::snprintf(text + used, LISTING_TEXT - used, "  (%d keys) (frame %d - %d) (val %g - %g) \n", r.key_count,
                r.first_frame, r.last_frame, (double)r.min_weight, (double)r.max_weight);
  report_put(text);
  report_end_line();
}

// The morph walk, the one place that says which morphs the page lists: it hands on the separator
// before the morphs first met in the motion, then each listed morph.
enum MorphListed { MORPH_SEPARATOR, MORPH_LINE };
static void morph_walk(void (*on)(MorphListed what, int entry, void* arg), void* arg) {
  int previous = 0;
  int count = names_count(LIST_MORPHS);
  for (int e = 1; e <= count; e++) {
    int group = names_group_of(LIST_MORPHS, e);
    if (group == MORPH_GROUP_HIDDEN) continue;
    if (group != previous) {
      previous = group;
      if (group >= MORPH_GROUP_MOTION) on(MORPH_SEPARATOR, 0, arg);
    }
    if (!morph_listed(morph_usage_view(e))) continue;
    on(MORPH_LINE, e, arg);
  }
}

static void morph_put(MorphListed what, int entry, void* arg) {
  const MorphPageArgs* a = static_cast<const MorphPageArgs*>(arg);
  if (what == MORPH_SEPARATOR) {
    report_put("     ");
    report_end_line();
  } else {
    morph_line(*a->ctx, entry, a->width);
  }
}

void report_morphs(const ReportContext& ctx) {
  MorphPageArgs args = {&ctx, listing_name_width(ctx, LIST_MORPHS, LIST_MORPH_ALIAS, MORPH_GROUP_EXPRESSION,
                                                  morph_entry_listed)};
  // "使用モーフ(表情): "
  listing_heading(ctx.alias_mode ? "Morphing (Expression): "
                                 : "\x8E\x67\x97\x70\x83\x82\x81\x5B\x83\x74(\x95\x5C\x8F\xEE): ");
  morph_walk(morph_put, &args);
  report_end_line();
  report_end_line();
  report_end_line();
}

// ==== what the page lists =================================================================================

struct TallyArgs {
  ListingTally* tally;
  void (*lacking)(int kind, const char* name, void* arg);
  void* arg;
};

static void tally_bone(BoneListed what, int entry, void* arg) {
  TallyArgs* a = static_cast<TallyArgs*>(arg);
  if (what == BONE_SEPARATOR) return;
  a->tally->bones++;
  char name[NAME_BYTES];
  bone_piece_name(what == BONE_NAME, entry, name);
  if (!model_loaded() || model_has_bone(name)) return;
  a->tally->lacking_bones++;
  if (a->lacking != nullptr) a->lacking(LISTING_BONES, names_entry(LIST_BONES, entry), a->arg);
}

static void tally_morph(MorphListed what, int entry, void* arg) {
  TallyArgs* a = static_cast<TallyArgs*>(arg);
  if (what == MORPH_SEPARATOR) return;
  a->tally->morphs++;
  const char* name = names_entry(LIST_MORPHS, entry);
  if (!model_loaded() || model_has_morph(name)) return;
  a->tally->lacking_morphs++;
  if (a->lacking != nullptr) a->lacking(LISTING_MORPHS, name, a->arg);
}

void listing_tally(ListingTally* tally, void (*lacking)(int kind, const char* name, void* arg), void* arg) {
  *tally = ListingTally{0, 0, 0, 0};
  TallyArgs a = {tally, lacking, arg};
  bone_walk(tally_bone, &a);
  morph_walk(tally_morph, &a);
}

bool listing_keyed(int list, const char* name) {
  if (list == LISTING_BONES) {
    int e = names_find(LIST_BONES, name);
    return e >= BONE_RECORDS || (e > 0 && bone_usage_view(e)->key_count > 0);
  }
  if (list == LISTING_MORPHS) {
    int e = names_find(LIST_MORPHS, name);
    return e >= MORPH_RECORDS || (e > 0 && morph_usage_view(e)->key_count > 0);
  }
  return false;
}
