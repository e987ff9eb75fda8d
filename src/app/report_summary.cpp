// report_summary.cpp: velmora-report --summary (see report_summary.h).
//
// Records: the summary of the run: its output, its form, the text rows kept for the end and the
// totals. Written only here.
// The verdict of a motion comes from what its page lists (listing_tally): names the page colours as
// lacking from the target model make "lacks", none make "fits"; without a model, "no model".
#include "app/report_summary.h"

#include <string>
#include <vector>

#include "app/report_text.h"
#include "check/listing.h"
#include "check/model.h"
#include "formats/vmd.h"
#include "text/encoding.h"

// The verdicts, in the order of the totals.
enum SummaryVerdict { VERDICT_FITS, VERDICT_LACKS, VERDICT_NO_MODEL, VERDICT_UNREAD, VERDICT_MODEL };

static const ListingColour SUMMARY_UNREAD = {255, 0, 0};  // red: the file was not read
static const ListingColour* const VERDICT_COLOURS[] = {&COLOUR_PRESENT, &COLOUR_LACKING, &COLOUR_NO_MODEL,
                                                       &SUMMARY_UNREAD};

// One text row: a motion's numbers are bone keys, morph keys, bones, morphs and the last frame; a
// model's are its bones and morphs in the columns of the motions' bones and morphs.
struct SummaryRow {
  SummaryVerdict verdict;
  std::string verdict_text;
  std::string name;  // a model's display name, UTF-8
  int name_width;    // its display width
  long long number[5];
  bool has_last_frame;
  std::string path;
  std::string lacks[2];  // the lacking bones and morphs, each as "  NAME" pieces
};

struct SummaryRun {
  FILE* out;
  bool json;
  bool colour;
  std::vector<SummaryRow> rows;
  int totals[4];  // fit, lack, no model, unread
};
static SummaryRun sr;

void summary_begin(FILE* out, bool json, bool colour) {
  sr.out = out;
  sr.json = json;
  sr.colour = colour;
  sr.rows.clear();
  for (int& t : sr.totals) t = 0;
}

// Display width of Shift-JIS text: two columns for a two-byte character, one for any other byte.
static int summary_width(const char* sjis) {
  int w = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(sjis); *p != 0; p++, w++) {
    if (is_lead_byte(*p) && p[1] != 0) {
      p++;
      w++;
    }
  }
  return w;
}

static std::string summary_utf8(const char* sjis) {
  static char text[REPORT_TOOL_TEXT];
  report_tool_utf8(text, REPORT_TOOL_TEXT, sjis);
  return text;
}

// Collects the lacking names, as JSON arrays and as text pieces.
struct SummaryLacks {
  std::string json[2];
  std::string text[2];
};

static void summary_lacking(int kind, const char* name, void* arg) {
  SummaryLacks* l = static_cast<SummaryLacks*>(arg);
  std::string utf8 = summary_utf8(name);
  if (!l->json[kind].empty()) l->json[kind] += ",";
  l->json[kind] += report_tool_json(utf8.c_str());
  l->text[kind] += "  " + utf8;
}

static void summary_json_motion(const char* path, const FileState* fs, SummaryVerdict v, const ListingTally& t,
                                const SummaryLacks& lacks) {
  static const char* const NAMES[] = {"fits", "lacks", "no model", "unread"};
  const VmdKeys* k = vmd_keys();
  std::string line = "{\"file\":" + report_tool_json(path) + ",\"kind\":\"motion\",\"read\":";
  line += fs == nullptr || fs->read_result == RUN_NO_READER ? "null" : std::to_string(fs->read_result);
  line += std::string(",\"verdict\":\"") + NAMES[v] + "\"";
  line += ",\"bone_keys\":" + std::to_string(k->bone_keys) + ",\"morph_keys\":" + std::to_string(k->morph_keys);
  line += ",\"bones\":" + std::to_string(t.bones) + ",\"morphs\":" + std::to_string(t.morphs);
  line += ",\"last_frame\":" + (k->last_frame < 0 ? std::string("null") : std::to_string(k->last_frame));
  line += ",\"lacks\":{\"bones\":[" + lacks.json[0] + "],\"morphs\":[" + lacks.json[1] + "]}}\n";
  std::fputs(line.c_str(), sr.out);
}

static void summary_motion(const char* path, const FileState* fs, bool unread) {
  ListingTally t = {0, 0, 0, 0};
  SummaryLacks lacks;
  listing_tally(&t, summary_lacking, &lacks);
  SummaryVerdict v = unread              ? VERDICT_UNREAD
                     : !model_loaded()   ? VERDICT_NO_MODEL
                     : t.lacking_bones + t.lacking_morphs > 0 ? VERDICT_LACKS
                                                               : VERDICT_FITS;
  sr.totals[v]++;
  // Only a motion that was read and has a target model lacks names.
  if (v != VERDICT_LACKS) lacks = SummaryLacks();
  if (sr.json) {
    summary_json_motion(path, fs, v, t, lacks);
    return;
  }
  const VmdKeys* k = vmd_keys();
  SummaryRow row = {v, "", "", 0, {k->bone_keys, k->morph_keys, t.bones, t.morphs, k->last_frame},
                    k->last_frame >= 0, path, {}};
  static const char* const TEXTS[] = {"fits", "", "no model", "unread"};
  row.verdict_text = TEXTS[v];
  if (v == VERDICT_LACKS) {
    row.verdict_text = "lacks " + std::to_string(t.lacking_bones) + " bones, " + std::to_string(t.lacking_morphs) +
                       " morphs";
  }
  row.lacks[0] = lacks.text[0];
  row.lacks[1] = lacks.text[1];
  sr.rows.push_back(row);
}

void summary_file(const char* path, const FileState* fs, const char* problem) {
  // A file that is not a model is examined as a motion, read or not.
  if (!fs->is_pmx) {
    summary_motion(path, fs, problem != nullptr);
    return;
  }
  const ModelTables* m = model_view();
  if (sr.json) {
    std::string line = "{\"file\":" + report_tool_json(path) + ",\"kind\":\"model\",\"read\":" +
                       std::to_string(fs->read_result) + ",\"name\":" +
                       report_tool_json(summary_utf8(m->display_name).c_str()) +
                       ",\"bones\":" + std::to_string(m->bone_count) + ",\"morphs\":" + std::to_string(m->morph_count) +
                       "}\n";
    std::fputs(line.c_str(), sr.out);
    return;
  }
  SummaryRow row = {VERDICT_MODEL, "model", summary_utf8(m->display_name), summary_width(m->display_name),
                    {0, 0, m->bone_count, m->morph_count, 0}, false, path, {}};
  sr.rows.push_back(row);
}

void summary_unexamined(const char* path) {
  // Nothing of this path was read: the numbers of an empty motion, whatever the run holds.
  sr.totals[VERDICT_UNREAD]++;
  if (sr.json) {
    std::fputs(("{\"file\":" + report_tool_json(path) +
                ",\"kind\":\"motion\",\"read\":null,\"verdict\":\"unread\",\"bone_keys\":0,\"morph_keys\":0,"
                "\"bones\":0,\"morphs\":0,\"last_frame\":null,\"lacks\":{\"bones\":[],\"morphs\":[]}}\n")
                   .c_str(),
               sr.out);
    return;
  }
  sr.rows.push_back(SummaryRow{VERDICT_UNREAD, "unread", "", 0, {0, 0, 0, 0, -1}, false, path, {}});
}

// ---- The text table --------------------------------------------------------------------------------------

static int summary_digits(long long n) { return (int)std::to_string(n).size(); }

static void summary_pad(int n) {
  for (; n > 0; n--) std::fputc(' ', sr.out);
}

static void summary_number(long long n, int width) {
  std::string s = std::to_string(n);
  summary_pad(width - (int)s.size());
  std::fputs(s.c_str(), sr.out);
}

void summary_end() {
  if (!sr.json) {
    // Column widths: the verdict, the five numbers; a model's name spans the two key columns.
    int w[6] = {0, 0, 0, 0, 0, 1};
    for (const SummaryRow& r : sr.rows) {
      if ((int)r.verdict_text.size() > w[0]) w[0] = (int)r.verdict_text.size();
      bool model = r.verdict == VERDICT_MODEL;
      for (int c = model ? 2 : 0; c < (model ? 4 : 5); c++) {
        if (c == 4 && !r.has_last_frame) continue;
        if (summary_digits(r.number[c]) > w[c + 1]) w[c + 1] = summary_digits(r.number[c]);
      }
    }
    for (const SummaryRow& r : sr.rows) {
      if (r.verdict == VERDICT_MODEL && r.name_width > w[1] + 2 + w[2]) w[2] = r.name_width - w[1] - 2;
    }
    for (const SummaryRow& r : sr.rows) {
      bool model = r.verdict == VERDICT_MODEL;
      if (sr.colour && !model) {
        const ListingColour& c = *VERDICT_COLOURS[r.verdict];
        std::fprintf(sr.out, "\x1B[38;2;%u;%u;%um%s\x1B[0m", c.r, c.g, c.b, r.verdict_text.c_str());
      } else {
        std::fputs(r.verdict_text.c_str(), sr.out);
      }
      summary_pad(w[0] - (int)r.verdict_text.size() + 2);
      if (model) {
        std::fputs(r.name.c_str(), sr.out);
        summary_pad(w[1] + 2 + w[2] - r.name_width);
      } else {
        summary_number(r.number[0], w[1]);
        std::fputs("  ", sr.out);
        summary_number(r.number[1], w[2]);
      }
      std::fputs("  ", sr.out);
      summary_number(r.number[2], w[3]);
      std::fputs("  ", sr.out);
      summary_number(r.number[3], w[4]);
      std::fputs("  ", sr.out);
      if (r.has_last_frame) {
        summary_number(r.number[4], w[5]);
      } else if (model) {
        summary_pad(w[5]);
      } else {
        summary_pad(w[5] - 1);
        std::fputs("-", sr.out);  // a motion without keys
      }
      std::fprintf(sr.out, "  %s\n", r.path.c_str());
      if (!r.lacks[0].empty()) std::fprintf(sr.out, "    bones:%s\n", r.lacks[0].c_str());
      if (!r.lacks[1].empty()) std::fprintf(sr.out, "    morphs:%s\n", r.lacks[1].c_str());
    }
  }
  int motions = sr.totals[0] + sr.totals[1] + sr.totals[2] + sr.totals[3];
  if (sr.json) {
    std::fprintf(sr.out, "{\"totals\":{\"motions\":%d,\"fit\":%d,\"lack\":%d,\"no_model\":%d,\"unread\":%d}}\n",
                 motions, sr.totals[VERDICT_FITS], sr.totals[VERDICT_LACKS], sr.totals[VERDICT_NO_MODEL],
                 sr.totals[VERDICT_UNREAD]);
  } else {
    std::fprintf(sr.out, "totals: %d motions, %d fit, %d lack names, %d no model, %d unread\n", motions,
                 sr.totals[VERDICT_FITS], sr.totals[VERDICT_LACKS], sr.totals[VERDICT_NO_MODEL],
                 sr.totals[VERDICT_UNREAD]);
  }
  sr.rows.clear();
}
