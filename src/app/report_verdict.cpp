// report_verdict.cpp: velmora-report's verdict on a file (see report_verdict.h).
//
// Records: none.
#include "app/report_verdict.h"

#include <algorithm>

#include "app/report_text.h"
#include "check/model.h"
#include "check/summary.h"
#include "formats/filechan.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "paths/paths.h"
#include "text/encoding.h"

static const ListingColour VERDICT_EXTRAS_COLOUR = {0, 160, 160};   // teal: only the motion's own extras lacking
static const ListingColour VERDICT_CAMERA_COLOUR = {80, 130, 255};   // blue: a camera, light or shadow motion
static const ListingColour VERDICT_CUT_COLOUR = {255, 0, 255};       // magenta: read up to where it ends
static const ListingColour VERDICT_UNREAD_COLOUR = {255, 0, 0};      // red: not read at all

static const char* const VERDICT_WORDS[] = {"fits",   "extras", "lacks",  "no model", "camera",
                                            "empty",  "cut",    "unread", "model"};
static_assert(sizeof VERDICT_WORDS / sizeof VERDICT_WORDS[0] == VERDICT_COUNT, "a word for every verdict");
static const char* const KIND_WORDS[] = {"motion", "model", "other"};
static_assert(sizeof KIND_WORDS / sizeof KIND_WORDS[0] == KIND_COUNT, "a word for every kind");

const char* report_verdict_word(ToolVerdict verdict) { return VERDICT_WORDS[verdict]; }
const char* report_verdict_kind_word(ToolKind kind) { return KIND_WORDS[kind]; }

uint32_t report_verdict_colour(ToolVerdict verdict) {
  ListingColour c;
  switch (verdict) {
    case VERDICT_EXTRAS: c = VERDICT_EXTRAS_COLOUR; break;
    case VERDICT_LACKS: c = COLOUR_LACKING; break;
    case VERDICT_NO_MODEL:
    case VERDICT_EMPTY: c = COLOUR_NO_MODEL; break;
    case VERDICT_CAMERA: c = VERDICT_CAMERA_COLOUR; break;
    case VERDICT_CUT: c = VERDICT_CUT_COLOUR; break;
    case VERDICT_UNREAD: c = VERDICT_UNREAD_COLOUR; break;
    default: return VERDICT_PLAIN;
  }
  return report_rgb(c.r, c.g, c.b);
}

bool report_verdict_fails(ToolVerdict verdict) {
  return verdict == VERDICT_LACKS || verdict == VERDICT_CUT || verdict == VERDICT_UNREAD;
}

// A count with a comma between thousands: 20,657.
static std::string report_verdict_number(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  std::string out;
  for (size_t i = 0; i < digits.size(); i++) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

std::string report_verdict_count(int64_t n, const char* one, const char* more) {
  return report_verdict_number(n) + " " + (n == 1 ? one : more);
}

// Counts joined by ", ", each left out when 0: "3 bones, 1 morph".
static std::string report_verdict_counts(const int64_t* n, const char* const (*words)[2], int count) {
  std::string text;
  for (int i = 0; i < count; i++) {
    if (n[i] == 0) continue;
    if (!text.empty()) text += ", ";
    text += report_verdict_count(n[i], words[i][0], words[i][1]);
  }
  return text;
}

// "cut in the bone keys after 9,008 of 20,657" and its forms for the header and a missing count.
static std::string report_verdict_cut_text(const ReadEnd& e) {
  std::string text = std::string("cut in the ") + read_block_name(e.block);
  if (e.declared < 0 && e.block != BLOCK_HEADER) {
    text += " before its count";
  } else {
    text += " after " + report_verdict_number(e.read);
    if (e.declared >= 0) text += " of " + report_verdict_number(e.declared);
    if (e.block == BLOCK_HEADER) text += " bytes";
  }
  if (e.fault != nullptr) text += std::string(": ") + e.fault;
  return text;
}

// The kind by the extension of the name on disk, or of the name given when nothing is on disk.
static ToolKind report_verdict_kind(const FilePath& p) {
  if (p.is_vmd) return KIND_MOTION;
  if (p.is_pmx) return KIND_MODEL;
  char16_t ext[RUN_PATH];
  ext[0] = 0;
  if (utf16_length(p.w.c_str()) < RUN_PATH) path_ext_w(ext, RUN_PATH, p.w.c_str());
  if (prefix_nocase_w(ext, u".VMD") == 0) return KIND_MOTION;
  if (prefix_nocase_w(ext, u".PMX") == 0) return KIND_MODEL;
  return KIND_OTHER;
}

static void report_verdict_collect(const Advice& a, void* arg) { static_cast<std::vector<Advice>*>(arg)->push_back(a); }

// The advice for one lacking name, with the model's names spelled out.
static LackingName report_verdict_lacking(const Advice& a) {
  LackingName l;
  l.list = a.list == LISTING_MORPHS ? LISTING_MORPHS : LISTING_BONES;
  l.cls = a.cls;
  l.why = a.why;
  l.name_sjis = a.name;
  l.name = report_text_utf8_of(l.name_sjis);
  if (a.to >= 0) {
    l.to_sjis = advice_model_name(a.list, a.to);
    l.to = report_text_utf8_of(l.to_sjis);
  }
  int kept = a.candidate_count < ADVICE_CANDIDATES ? a.candidate_count : ADVICE_CANDIDATES;
  for (int i = 0; i < kept; i++) l.candidates.push_back(report_text_utf8_of(advice_model_name(a.list, a.candidates[i])));
  l.candidate_count = a.candidate_count;
  l.renameable = advice_renameable(a);
  l.cost = l.error = OutcomeMove{false, 0.0, 0.0, "", 0};
  l.foldable = false;
  return l;
}

// The fields of an outcome that no reader has filled: nothing read, nothing listed.
static void report_verdict_clear(const FilePath& p, int read, int position, FileOutcome* out) {
  out->path = p;
  out->position = position;
  out->kind = KIND_OTHER;
  out->verdict = VERDICT_UNREAD;
  out->read = read;
  out->error.clear();
  out->end = ReadEnd{BLOCK_NONE, 0, 0, nullptr};
  out->bone_keys = out->morph_keys = 0;
  out->last_frame = -1;
  out->tally = ListingTally{0, 0, 0, 0};
  out->lacking.clear();
  out->model = OutcomeModel{};
  out->would_fit = false;
  out->folded = false;
  out->page = nullptr;
  out->summary.clear();
  out->fitted.clear();
  out->picture.clear();
}

void report_verdict_unexamined(const FilePath& p, int position, const char* problem, FileOutcome* out) {
  report_verdict_clear(p, RUN_NO_READER, position, out);
  out->error = problem;
}

// A class's place in REPORT_CLASS_ORDER (CLASS_COUNT for a value out of range).
static int report_verdict_class_rank(AdviceClass cls) {
  int rank = 0;
  while (rank < CLASS_COUNT && REPORT_CLASS_ORDER[rank] != cls) rank++;
  return rank;
}

// Display width of Shift-JIS text: two columns for a two-byte character, one for any other byte.
static int report_verdict_width(const char* sjis) {
  int w = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(sjis); *p != 0; p++, w++) {
    if (is_lead_byte(*p) && p[1] != 0) {
      p++;
      w++;
    }
  }
  return w;
}

// A model's names that no motion can name whole, with their marks.
static void report_verdict_unnameable(int list, std::vector<UnnameableName>* out) {
  static AdviceUnnameable found[MODEL_MORPHS];
  int n = advice_unnameable(list, found, MODEL_MORPHS);
  for (int i = 0; i < n && i < MODEL_MORPHS; i++) {
    out->push_back(UnnameableName{report_text_utf8_of(advice_model_name(list, found[i].entry)), found[i].shared,
                                  found[i].split});
  }
}

void report_verdict_of(const FilePath& p, int read_result, int position, bool page, const std::string& model_error,
                       FileOutcome* out) {
  report_verdict_clear(p, read_result, position, out);
  out->kind = report_verdict_kind(p);
  if (page) {
    out->page = report_view();
    out->summary = report_text_utf8_of(summary_text());
  }
  // The motion's numbers: an empty motion's for any file but a motion (the run cleared them).
  const VmdKeys* k = vmd_keys();
  out->bone_keys = k->bone_keys;
  out->morph_keys = k->morph_keys;
  out->last_frame = k->last_frame;
  out->camera_keys = k->camera_keys;
  out->light_keys = k->light_keys;
  out->shadow_keys = k->shadow_keys;
  out->last_scene_frame = k->last_scene_frame;
  if (p.is_vmd) out->end = *vmd_end();
  if (p.is_pmx) out->end = *pmx_end();
  bool read = (p.is_vmd || p.is_pmx) && read_result != READ_UNOPENED && out->end.block != BLOCK_HEADER &&
              (read_result == READ_DONE || out->end.block != BLOCK_NONE);
  bool cut = read && out->end.block != BLOCK_NONE;
  // The model: a model file's own tables, or a motion's target; what an unread model left in the tables
  // is not its own. After a model that could not be read whole the tables hold what its reader kept,
  // as velmora.exe keeps them for its page; they are no target.
  const ModelTables* m = model_view();
  bool target = model_error.empty() && model_loaded();
  if (out->kind == KIND_MODEL ? read : target) {
    out->model.loaded = true;
    out->model.name = report_text_utf8_of(m->display_name);
    out->model.name_width = report_verdict_width(m->display_name);
    out->model.bones = m->bone_count;
    out->model.morphs = m->morph_count;
  }
  if (out->kind == KIND_MODEL && read) {
    for (int list = 0; list < LISTING_KINDS; list++) report_verdict_unnameable(list, &out->model.unnameable[list]);
  }
  if (out->kind != KIND_MODEL && !target) out->model.error = model_error;
  if (!read) {
    // Nothing was read: an empty page, no advice.
    if (out->end.block == BLOCK_HEADER) out->error = report_verdict_cut_text(out->end);
    else if (read_result == READ_UNOPENED) out->error = "cannot be opened";
    else if (p.is_vmd) out->error = "not a VMD motion of version 0002";
    else if (p.is_pmx) out->error = "not a PMX model";
    else if (p.ondisk.empty() && p.ondisk_w.empty()) out->error = "no such file";
    else out->error = "neither a motion (.vmd) nor a model (.pmx); examined as an empty motion";
    return;
  }
  if (!p.is_pmx && !target) {
    // Without a target nothing lacks, whatever the page's colours say of the tables a broken model left.
    listing_tally(&out->tally, nullptr, nullptr);
    out->tally.lacking_bones = out->tally.lacking_morphs = 0;
  } else if (!p.is_pmx) {
    // Two names that would take one model name, or a name the motion keys already, are resolved here,
    // so that no output offers a renaming that gives a name two tracks.
    static std::vector<Advice> advice;
    advice.clear();
    advice_walk(&out->tally, report_verdict_collect, &advice);
    advice_resolve_taken(advice.data(), (int)advice.size());
    for (const Advice& a : advice) out->lacking.push_back(report_verdict_lacking(a));
    report_verdict_sort(out);
  }
  if (cut) out->error = report_verdict_cut_text(out->end);
  if (p.is_pmx) out->verdict = cut ? VERDICT_CUT : VERDICT_MODEL;
  else if (cut) out->verdict = VERDICT_CUT;
  else if (out->bone_keys == 0 && out->morph_keys == 0) {
    // Nothing a model could lack: a camera or light motion, or none at all.
    bool scene = out->camera_keys > 0 || out->light_keys > 0 || out->shadow_keys > 0;
    out->verdict = scene ? VERDICT_CAMERA : VERDICT_EMPTY;
  } else if (!target) {
    out->verdict = VERDICT_NO_MODEL;
  } else if (out->lacking.empty()) {
    out->verdict = VERDICT_FITS;
  } else {
    bool harmless = true;
    for (const LackingName& l : out->lacking) harmless = harmless && l.cls == CLASS_OTHER;
    out->verdict = harmless ? VERDICT_EXTRAS : VERDICT_LACKS;
  }
  if (out->verdict == VERDICT_CAMERA) out->last_frame = out->last_scene_frame;
  report_verdict_would_fit(out);
}

void report_verdict_renames(const FileOutcome& o, std::vector<VmdRename>* renames) {
  for (const LackingName& a : o.lacking) {
    if (!a.renameable || renames[a.list].size() >= (size_t)VMD_RENAMES) continue;
    renames[a.list].push_back(VmdRename{a.name_sjis.c_str(), a.to_sjis.c_str()});
  }
}

void report_verdict_would_fit(FileOutcome* o) {
  o->would_fit = o->verdict == VERDICT_LACKS;
  for (const LackingName& l : o->lacking) o->would_fit = o->would_fit && (l.renameable || l.foldable || !l.into.empty());
}

void report_verdict_sort(FileOutcome* o) {
  // Within a class, the bones that cost most come first; what was not measured keeps its place after them.
  // The places are sorted, and each name then moved once: a name is a large record, and moving them
  // about in the sort cost more than the rest of an outcome.
  std::vector<LackingName>& names = o->lacking;
  std::vector<uint32_t> order(names.size());
  for (size_t i = 0; i < order.size(); i++) order[i] = (uint32_t)i;
  std::stable_sort(order.begin(), order.end(), [&names](uint32_t i, uint32_t j) {
    const LackingName& a = names[i];
    const LackingName& b = names[j];
    int ra = report_verdict_class_rank(a.cls), rb = report_verdict_class_rank(b.cls);
    if (ra != rb) return ra < rb;
    if (a.cost.measured != b.cost.measured) return a.cost.measured;
    return a.cost.measured && a.cost.units > b.cost.units;
  });
  size_t first = 0;
  while (first < order.size() && order[first] == first) first++;
  if (first == order.size()) return;  // in order already
  std::vector<LackingName> sorted;
  sorted.reserve(names.size());
  for (uint32_t i : order) sorted.push_back(std::move(names[i]));
  names.swap(sorted);
}

std::string report_verdict_some(const std::vector<std::string>& names, int total, const char* separator) {
  std::string text;
  int shown = 0;
  for (const std::string& n : names) {
    if (shown == REPORT_SHOWN) break;
    if (shown++ > 0) text += separator;
    text += n;
  }
  if (total > shown) text += " and " + std::to_string(total - shown) + " more";
  return text;
}

void report_verdict_lacking_counts(const FileOutcome& o, bool extras, int64_t* n) {
  n[LISTING_BONES] = n[LISTING_MORPHS] = 0;
  for (const LackingName& l : o.lacking) {
    if ((l.cls == CLASS_OTHER) == extras) n[l.list]++;
  }
}

// The lacking names of o that lack (extras false) or are extras, counted by list: "2 bones, 1 morph";
// with names, each count followed by its names: "2 bones: 左肩P, 右肩P; 1 morph: あ".
static std::string report_verdict_lacking_text(const FileOutcome& o, bool extras, bool names) {
  static const char* const NAMES[][2] = {{"bone", "bones"}, {"morph", "morphs"}};
  int64_t n[LISTING_KINDS];
  report_verdict_lacking_counts(o, extras, n);
  if (!names) return report_verdict_counts(n, NAMES, LISTING_KINDS);
  std::string text;
  for (int list = 0; list < LISTING_KINDS; list++) {
    if (n[list] == 0) continue;
    std::vector<std::string> of_list;
    for (const LackingName& l : o.lacking) {
      if (l.list == list && (l.cls == CLASS_OTHER) == extras && of_list.size() < (size_t)REPORT_SHOWN) of_list.push_back(l.name);
    }
    if (!text.empty()) text += "; ";
    text += report_verdict_count(n[list], NAMES[list][0], NAMES[list][1]) + ": " +
            report_verdict_some(of_list, (int)n[list], ", ");
  }
  return text;
}

std::string report_verdict_text(const FileOutcome& o, bool names) {
  static const char* const SCENE[][2] = {
      {"camera key", "camera keys"}, {"light key", "light keys"}, {"shadow key", "shadow keys"}};
  switch (o.verdict) {
    case VERDICT_LACKS: {
      std::string extras = report_verdict_lacking_text(o, true, names);
      return "lacks " + report_verdict_lacking_text(o, false, names) + (extras.empty() ? "" : "; extras: " + extras);
    }
    case VERDICT_EXTRAS: return "extras: " + report_verdict_lacking_text(o, true, names);
    case VERDICT_CAMERA: {
      const int64_t n[] = {o.camera_keys, o.light_keys, o.shadow_keys};
      return "camera: " + report_verdict_counts(n, SCENE, 3);
    }
    case VERDICT_NO_MODEL:
      return o.model.error.empty() ? std::string("no model") : "no model (" + o.model.error + ")";
    case VERDICT_CUT: return o.error;
    case VERDICT_UNREAD: return "unread: " + o.error;
    default: return report_verdict_word(o.verdict);
  }
}

std::string report_verdict_cost_note(const LackingName& a, ToolLang lang) {
  if (!a.cost.measured) return "";
  bool ja = lang == LANG_JA;
  if (a.cost.bone.empty()) {
    return ja ? "外しても動くのは IK が決めるボーンだけ" : "moves only bones IK poses if dropped";
  }
  char figures[160];  // room for the largest figures a float's range gives, in either language
  if (ja) {
    std::snprintf(figures, sizeof figures, " が %.1f 単位、%.0f\xC2\xB0 ずれる（フレーム ", a.cost.units, a.cost.degrees);
    return "外すと " + a.cost.bone + figures + std::to_string(a.cost.frame) + "）";
  }
  std::snprintf(figures, sizeof figures, "%.1f units, %.0f\xC2\xB0 at ", a.cost.units, a.cost.degrees);
  return figures + a.cost.bone + ", frame " + std::to_string(a.cost.frame) + " if dropped";
}

std::string report_verdict_fold_note(const LackingName& a, ToolLang lang) {
  if (a.why != WHY_FOLD) return "";
  char within[64];
  std::snprintf(within, sizeof within, lang == LANG_JA ? "畳み込み、誤差 %.2f 単位以内" : "fold, within %.2f units",
                a.error.units);
  return within;
}

// The path's bytes on the host as hex digits when they are not UTF-8 (a name a Japanese archive left in
// Shift-JIS): "file" shows the name decoded, which names no file; these bytes open it. "" otherwise.
static std::string report_verdict_path_bytes(const FilePath& p) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(p.host.c_str());
  uint32_t cp;
  for (int len; *s != 0; s += len) {
    if ((len = utf8_next(s, &cp)) == 0) break;
  }
  if (*s == 0) return "";
  std::string hex;
  for (unsigned char b : p.host) {
    static const char DIGITS[] = "0123456789abcdef";
    hex += DIGITS[b >> 4];
    hex += DIGITS[b & 15];
  }
  return hex;
}

std::string report_verdict_json_head(const FileOutcome& o, bool verdict) {
  std::string line = "{\"file\":" + report_text_json(o.path.shown.c_str());
  std::string bytes = report_verdict_path_bytes(o.path);
  if (!bytes.empty()) line += ",\"path_bytes\":\"" + bytes + "\"";
  line += std::string(",\"kind\":\"") + report_verdict_kind_word(o.kind) + "\",\"read\":";
  line += o.read == RUN_NO_READER ? "null" : std::to_string(o.read);
  if (verdict) line += std::string(",\"verdict\":\"") + report_verdict_word(o.verdict) + "\"";
  line += ",\"error\":" + report_text_json_or_null(o.error);
  return line + ",\"cut\":" + report_verdict_cut_json(o);
}

std::string report_verdict_cut_json(const FileOutcome& o) {
  const ReadEnd& e = o.end;
  if (e.block == BLOCK_NONE) return "null";
  std::string json = std::string("{\"in\":\"") + read_block_name(e.block) + "\",\"read\":" + std::to_string(e.read) +
                     ",\"declared\":" + (e.declared < 0 ? std::string("null") : std::to_string(e.declared));
  if (e.fault != nullptr) json += std::string(",\"fault\":\"") + e.fault + "\"";
  return json + "}";
}
