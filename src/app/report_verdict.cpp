// report_verdict.cpp: velmora-report's verdict on a file (see report_verdict.h).
//
// Records: none.
#include "app/report_verdict.h"

#include "check/model.h"
#include "formats/filechan.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "paths/paths.h"
#include "text/encoding.h"

static const ListingColour VERDICT_CUT_COLOUR = {255, 0, 255};     // magenta: read up to where it ends
static const ListingColour VERDICT_UNREAD_COLOUR = {255, 0, 0};    // red: not read at all

const char* verdict_word(int verdict) {
  static const char* const WORDS[] = {"fits", "lacks", "no model", "cut", "unread", "model"};
  return WORDS[verdict];
}

const char* verdict_kind_word(int kind) {
  static const char* const WORDS[] = {"motion", "model", "other"};
  return WORDS[kind];
}

uint32_t verdict_colour(int verdict) {
  ListingColour c = verdict == VERDICT_LACKS      ? COLOUR_LACKING
                    : verdict == VERDICT_NO_MODEL ? COLOUR_NO_MODEL
                    : verdict == VERDICT_CUT      ? VERDICT_CUT_COLOUR
                    : verdict == VERDICT_UNREAD   ? VERDICT_UNREAD_COLOUR
                                                  : COLOUR_PRESENT;
  return (uint32_t)c.r | (uint32_t)c.g << 8 | (uint32_t)c.b << 16;
}

// A count with a comma between thousands: 20,657.
static std::string verdict_number(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  std::string out;
  for (size_t i = 0; i < digits.size(); i++) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

// "cut in the bone keys after 9,008 of 20,657" and its forms for the header and a missing count.
static std::string verdict_cut_text(const ReadEnd& e) {
  std::string text = std::string("cut in the ") + read_block_name(e.block);
  if (e.declared < 0 && e.block != BLOCK_HEADER) {
    text += " before its count";
  } else {
    text += " after " + verdict_number(e.read);
    if (e.declared >= 0) text += " of " + verdict_number(e.declared);
    if (e.block == BLOCK_HEADER) text += " bytes";
  }
  if (e.fault != nullptr) text += std::string(": ") + e.fault;
  return text;
}

// The kind by the extension of the name on disk, or of the name given when nothing is on disk.
static int verdict_kind(const FileState* fs) {
  if (fs->is_vmd) return KIND_MOTION;
  if (fs->is_pmx) return KIND_MODEL;
  char16_t ext[RUN_PATH];
  ext[0] = 0;
  if (utf16_length(fs->input_w) < RUN_PATH) path_ext_w(ext, RUN_PATH, fs->input_w);
  if (prefix_nocase_w(ext, u".VMD") == 0) return KIND_MOTION;
  if (prefix_nocase_w(ext, u".PMX") == 0) return KIND_MODEL;
  return KIND_OTHER;
}

static void verdict_collect(const Advice& a, void* arg) { static_cast<std::vector<Advice>*>(arg)->push_back(a); }

void verdict_of(const FileState* fs, FileOutcome* out) {
  out->kind = verdict_kind(fs);
  out->error.clear();
  out->advice.clear();
  out->fitted.clear();
  out->tally = ListingTally{0, 0, 0, 0};
  out->end = ReadEnd{BLOCK_NONE, 0, 0, nullptr};
  if (fs->is_vmd) out->end = *vmd_end();
  if (fs->is_pmx) out->end = *pmx_end();
  bool read = (fs->is_vmd || fs->is_pmx) && fs->read_result != READ_UNOPENED && out->end.block != BLOCK_HEADER &&
              (fs->read_result == READ_DONE || out->end.block != BLOCK_NONE);
  bool cut = read && out->end.block != BLOCK_NONE;
  if (!read) {
    // Nothing was read: an empty page, no advice.
    out->verdict = VERDICT_UNREAD;
    if (out->end.block == BLOCK_HEADER) out->error = verdict_cut_text(out->end);
    else if (fs->read_result == READ_UNOPENED) out->error = "cannot be opened";
    else if (fs->is_vmd) out->error = "not a VMD motion of version 0002";
    else if (fs->is_pmx) out->error = "not a PMX model";
    else if (fs->ondisk[0] == 0 && fs->ondisk_w[0] == 0) out->error = "no such file; examined as an empty motion";
    else out->error = "neither a motion (.vmd) nor a model (.pmx); examined as an empty motion";
    return;
  }
  if (!fs->is_pmx) advice_walk(&out->tally, verdict_collect, &out->advice);
  if (cut) out->error = verdict_cut_text(out->end);
  if (fs->is_pmx) out->verdict = cut ? VERDICT_CUT : VERDICT_MODEL;
  else if (cut) out->verdict = VERDICT_CUT;
  else if (!model_loaded()) out->verdict = VERDICT_NO_MODEL;
  else out->verdict = out->advice.empty() ? VERDICT_FITS : VERDICT_LACKS;
}

std::string verdict_text(const FileOutcome& o) {
  switch (o.verdict) {
    case VERDICT_LACKS:
      return "lacks " + std::to_string(o.tally.lacking_bones) + " bones, " + std::to_string(o.tally.lacking_morphs) +
             " morphs";
    case VERDICT_CUT: return o.error;
    case VERDICT_UNREAD: return "unread: " + o.error;
    default: return verdict_word(o.verdict);
  }
}

std::string verdict_cut_json(const FileOutcome& o) {
  const ReadEnd& e = o.end;
  if (e.block == BLOCK_NONE) return "null";
  std::string json = std::string("{\"in\":\"") + read_block_name(e.block) + "\",\"read\":" + std::to_string(e.read) +
                     ",\"declared\":" + (e.declared < 0 ? std::string("null") : std::to_string(e.declared));
  if (e.fault != nullptr) json += std::string(",\"fault\":\"") + e.fault + "\"";
  return json + "}";
}
