// report_verdict.cpp: velmora-report's verdict on a file (see report_verdict.h).
//
// Records: none.
#include "app/report_verdict.h"

#include "app/report_text.h"
#include "check/model.h"
#include "check/summary.h"
#include "formats/filechan.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "paths/paths.h"
#include "text/encoding.h"

static const ListingColour VERDICT_CUT_COLOUR = {255, 0, 255};     // magenta: read up to where it ends
static const ListingColour VERDICT_UNREAD_COLOUR = {255, 0, 0};    // red: not read at all

static const char* const VERDICT_WORDS[] = {"fits", "lacks", "no model", "cut", "unread", "model"};
static_assert(sizeof VERDICT_WORDS / sizeof VERDICT_WORDS[0] == VERDICT_COUNT, "a word for every verdict");
static const char* const KIND_WORDS[] = {"motion", "model", "other"};
static_assert(sizeof KIND_WORDS / sizeof KIND_WORDS[0] == KIND_COUNT, "a word for every kind");

const char* report_verdict_word(ToolVerdict verdict) { return VERDICT_WORDS[verdict]; }
const char* report_verdict_kind_word(ToolKind kind) { return KIND_WORDS[kind]; }

uint32_t report_verdict_colour(ToolVerdict verdict) {
  ListingColour c = verdict == VERDICT_LACKS      ? COLOUR_LACKING
                    : verdict == VERDICT_NO_MODEL ? COLOUR_NO_MODEL
                    : verdict == VERDICT_CUT      ? VERDICT_CUT_COLOUR
                    : verdict == VERDICT_UNREAD   ? VERDICT_UNREAD_COLOUR
                                                  : COLOUR_PRESENT;
  return report_rgb(c.r, c.g, c.b);
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
  l.list = a.list;
  l.cls = a.cls;
  l.why = a.why;
  l.name = a.name;
  if (a.to >= 0) l.to = advice_model_name(a.list, a.to);
  int kept = a.candidate_count < ADVICE_CANDIDATES ? a.candidate_count : ADVICE_CANDIDATES;
  for (int i = 0; i < kept; i++) l.candidates.push_back(advice_model_name(a.list, a.candidates[i]));
  l.candidate_count = a.candidate_count;
  l.renameable = advice_renameable(a);
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
  out->model = OutcomeModel{false, "", 0, 0};
  out->page = nullptr;
  out->summary.clear();
  out->fitted.clear();
}

void report_verdict_unexamined(const FilePath& p, int position, const char* problem, FileOutcome* out) {
  report_verdict_clear(p, RUN_NO_READER, position, out);
  out->error = problem;
}

void report_verdict_of(const FilePath& p, int read_result, int position, bool page, FileOutcome* out) {
  report_verdict_clear(p, read_result, position, out);
  out->kind = report_verdict_kind(p);
  if (page) {
    out->page = report_view();
    out->summary = summary_text();
  }
  // The motion's numbers: an empty motion's for any file but a motion (the run cleared them).
  const VmdKeys* k = vmd_keys();
  out->bone_keys = k->bone_keys;
  out->morph_keys = k->morph_keys;
  out->last_frame = k->last_frame;
  if (p.is_vmd) out->end = *vmd_end();
  if (p.is_pmx) out->end = *pmx_end();
  bool read = (p.is_vmd || p.is_pmx) && read_result != READ_UNOPENED && out->end.block != BLOCK_HEADER &&
              (read_result == READ_DONE || out->end.block != BLOCK_NONE);
  bool cut = read && out->end.block != BLOCK_NONE;
  // The model: a model file's own tables, or a motion's target; what an unread model left in the tables
  // is not its own.
  const ModelTables* m = model_view();
  if (out->kind == KIND_MODEL ? read : model_loaded()) {
    out->model = OutcomeModel{true, m->display_name, m->bone_count, m->morph_count};
  }
  if (!read) {
    // Nothing was read: an empty page, no advice.
    if (out->end.block == BLOCK_HEADER) out->error = report_verdict_cut_text(out->end);
    else if (read_result == READ_UNOPENED) out->error = "cannot be opened";
    else if (p.is_vmd) out->error = "not a VMD motion of version 0002";
    else if (p.is_pmx) out->error = "not a PMX model";
    else if (p.ondisk.empty() && p.ondisk_w.empty()) out->error = "no such file; examined as an empty motion";
    else out->error = "neither a motion (.vmd) nor a model (.pmx); examined as an empty motion";
    return;
  }
  if (!p.is_pmx) {
    // Two names that would take one model name, or a name the motion keys already, are resolved here,
    // so that no output offers a renaming that gives a name two tracks.
    static std::vector<Advice> advice;
    advice.clear();
    advice_walk(&out->tally, report_verdict_collect, &advice);
    advice_resolve_taken(advice.data(), (int)advice.size());
    for (const Advice& a : advice) out->lacking.push_back(report_verdict_lacking(a));
  }
  if (cut) out->error = report_verdict_cut_text(out->end);
  if (p.is_pmx) out->verdict = cut ? VERDICT_CUT : VERDICT_MODEL;
  else if (cut) out->verdict = VERDICT_CUT;
  else if (!model_loaded()) out->verdict = VERDICT_NO_MODEL;
  else out->verdict = out->lacking.empty() ? VERDICT_FITS : VERDICT_LACKS;
}

std::string report_verdict_text(const FileOutcome& o) {
  switch (o.verdict) {
    case VERDICT_LACKS:
      return "lacks " + std::to_string(o.tally.lacking_bones) + " bones, " + std::to_string(o.tally.lacking_morphs) +
             " morphs";
    case VERDICT_CUT: return o.error;
    case VERDICT_UNREAD: return "unread: " + o.error;
    default: return report_verdict_word(o.verdict);
  }
}

std::string report_verdict_json_head(const FileOutcome& o) {
  std::string line = "{\"file\":" + report_text_json(o.path.shown.c_str()) + ",\"kind\":\"" +
                     report_verdict_kind_word(o.kind) + "\",\"read\":";
  line += o.read == RUN_NO_READER ? "null" : std::to_string(o.read);
  line += std::string(",\"verdict\":\"") + report_verdict_word(o.verdict) +
          "\",\"error\":" + report_text_json_or_null(o.error);
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
