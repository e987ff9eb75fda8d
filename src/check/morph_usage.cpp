// morph_usage.cpp: the morph usage records, updated key by key while the motion is read, and the second
// half of the report page: one line per morph whose weight ever leaves zero, standard expression
// morphs first, then after a separator the morphs that no vocabulary knows.
//
// Record: morph_usage, one record per entry of the morph list, entries 1 to 4095 (entry 0 unused);
// keys that resolve to a higher entry are not counted. Written by morph_usage_reset/morph_usage_add
// (the motion reader), read by report_morphs.
#include <cstdio>
#include <cstring>

#include "check/names.h"
#include "check/report_page.h"
#include "check/usage.h"
#include "formats/pmx.h"

static MorphUsage morph_usage[MORPH_RECORDS];

static const MorphUsage MORPH_INITIAL = {0, 999999, -1, 999.9f, -999.9f};

// Morphs whose one character the font draws too narrow: ∩ is shown as Π, ∧ as Λ, ω as ω with a
// space after it.
static const char CAP[] = "\x81\xBF";    // ∩
static const char WEDGE[] = "\x81\xC8";  // ∧
static const char OMEGA[] = "\x83\xD6";  // ω

void morph_usage_reset() {
  for (int i = 0; i < MORPH_RECORDS; i++) morph_usage[i] = MORPH_INITIAL;
}

void morph_usage_add(int entry, const MorphKey& key) {
  if (entry < 1 || entry >= MORPH_RECORDS) return;
  MorphUsage& r = morph_usage[entry];
  r.key_count++;
  if (key.frame < r.first_frame) r.first_frame = key.frame;
  if (key.frame > r.last_frame) r.last_frame = key.frame;
  if (key.weight < r.min_weight) r.min_weight = key.weight;
  if (key.weight > r.max_weight) r.max_weight = key.weight;
}

static const MorphUsage& morph_record(int entry) {
  return entry >= 1 && entry < MORPH_RECORDS ? morph_usage[entry] : MORPH_INITIAL;
}

const MorphUsage* morph_usage_view(int entry) { return &morph_record(entry); }

// Keyed, and its weight leaves zero at least once.
static bool morph_listed(const MorphUsage& r) {
  return r.key_count >= 1 && (r.min_weight < 0.0f || r.max_weight > 0.0f);
}

static bool morph_in_model(const char* name) {
  const ModelTables* m = model_view();
  for (int i = 0; i < m->morph_count && i < MODEL_MORPHS; i++) {
    if (std::strcmp(m->morph[i], name) == 0) return true;
  }
  return false;
}

int morph_name_width(const ReportContext& ctx) {
  static char shown[USAGE_TEXT];
  int width = 0;
  int count = names_count(LIST_MORPHS);
  for (int e = 1; e <= count; e++) {
    if (names_group_of(LIST_MORPHS, e) != 1 || !morph_listed(morph_record(e))) continue;
    usage_display_name(ctx, LIST_MORPH_ALIAS, names_entry(LIST_MORPHS, e), shown);
    int len = (int)std::strlen(shown);
    if (len > width) width = len;
  }
  return width;
}

static void morph_line(const ReportContext& ctx, int entry, int width) {
  static char shown[USAGE_TEXT];
  static char text[USAGE_TEXT];
  const char* name = names_entry(LIST_MORPHS, entry);
  const MorphUsage& r = morph_record(entry);
  if (!usage_have_model()) report_set_colour(150, 150, 150);
  else if (morph_in_model(name)) report_set_colour(255, 255, 255);
  else report_set_colour(255, 120, 0);
  usage_display_name(ctx, LIST_MORPH_ALIAS, name, shown);
  if (std::strcmp(name, CAP) == 0) std::snprintf(text, USAGE_TEXT, "  \x83\xAE ");       // Π
  else if (std::strcmp(name, WEDGE) == 0) std::snprintf(text, USAGE_TEXT, "  \x83\xA9 ");  // Λ
  else if (std::strcmp(name, OMEGA) == 0) std::snprintf(text, USAGE_TEXT, "  \x83\xD6 ");  // ω
  else std::snprintf(text, USAGE_TEXT, "  %s", shown);
  size_t used = std::strlen(text);
  for (int pad = width - (int)std::strlen(shown); pad > 0 && used < USAGE_TEXT - 1; pad--) text[used++] = ' ';
  text[used] = 0;
  std::snprintf(text + used, USAGE_TEXT - used, "  (%d keys) (frame %d - %d) (val %g - %g) \n", r.key_count,
                r.first_frame, r.last_frame, (double)r.min_weight, (double)r.max_weight);
  report_put(text);
  report_end_line();
}

void report_morphs(const ReportContext& ctx) {
  int width = morph_name_width(ctx);
  report_set_colour(255, 255, 255);
  // "使用モーフ(表情): "
  report_put(ctx.alias_mode ? "Morphing (Expression): "
                            : "\x8E\x67\x97\x70\x83\x82\x81\x5B\x83\x74(\x95\x5C\x8F\xEE): ");
  report_end_line();
  int previous = 0;
  int count = names_count(LIST_MORPHS);
  for (int e = 1; e <= count; e++) {
    int group = names_group_of(LIST_MORPHS, e);
    if (group == 2) continue;
    if (group != previous) {
      previous = group;
      if (group >= 2) {
        report_put("     ");
        report_end_line();
      }
    }
    if (!morph_listed(morph_record(e))) continue;
    morph_line(ctx, e, width);
  }
  report_end_line();
  report_end_line();
  report_end_line();
}
