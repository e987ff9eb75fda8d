// report_summary.cpp: velmora-report --summary (see report_summary.h).
//
// Records: the summary of the run: its output, its form, the text rows kept for the end and the
// totals. Written only here.
#include "app/report_summary.h"

#include <string>
#include <vector>

#include "app/report_text.h"
#include "check/rigs.h"
#include "text/encoding.h"

// One text row: a motion's numbers are bone keys, morph keys, bones, morphs and the last frame; a
// model's are its bones and morphs in the columns of the motions' bones and morphs.
struct SummaryRow {
  ToolVerdict verdict;
  bool model;
  std::string verdict_text;
  std::string name;  // a model's display name, UTF-8
  int name_width;    // its display width
  long long number[5];
  bool has_last_frame;
  std::string path;
  std::vector<std::string> below;  // the indented lines under the row
};

struct SummaryRun {
  FILE* out;
  bool json;
  bool colour;
  std::vector<SummaryRow> rows;
  int totals[VERDICT_MODEL];  // motions by verdict
  int would_fit;              // of the motions that lack names, those whose every advice can be followed
};
static SummaryRun sr;

void report_summary_begin(FILE* out, bool json, bool colour) {
  sr.out = out;
  sr.json = json;
  sr.colour = colour;
  sr.rows.clear();
  for (int& t : sr.totals) t = 0;
  sr.would_fit = 0;
}

// Display width of Shift-JIS text: two columns for a two-byte character, one for any other byte.
static int report_summary_width(const char* sjis) {
  int w = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(sjis); *p != 0; p++, w++) {
    if (is_lead_byte(*p) && p[1] != 0) {
      p++;
      w++;
    }
  }
  return w;
}

static std::string report_summary_utf8(const std::string& sjis) { return report_text_utf8_of(sjis); }

// ---- Lacking names and their advice -------------------------------------------------------------------


// The lacking names and their advice, as JSON arrays and as text pieces and lines.
struct SummaryLacks {
  std::string json[LISTING_KINDS];
  std::string advice_json;
  std::string text[LISTING_KINDS];
  std::vector<std::string> advice_text;
};

static std::string report_summary_advice_json(const LackingName& a) {
  std::string line = std::string("{\"list\":\"") + listing_kind_word(a.list) + "\",\"name\":" +
                     report_text_json(report_summary_utf8(a.name).c_str()) + ",\"class\":\"" + advice_class_word(a.cls) +
                     "\",\"to\":";
  line += a.to.empty() ? "null" : report_text_json(report_summary_utf8(a.to).c_str());
  line += std::string(",\"why\":\"") + advice_why_word(a.why) + "\",\"candidates\":[";
  for (size_t i = 0; i < a.candidates.size(); i++) {
    if (i > 0) line += ",";
    line += report_text_json(report_summary_utf8(a.candidates[i]).c_str());
  }
  return line + "]}";
}

// The JSON pieces with json set, else the text pieces.
static void report_summary_lacks(const std::vector<LackingName>& lacking, bool json, SummaryLacks* l) {
  for (const LackingName& a : lacking) {
    std::string utf8 = report_summary_utf8(a.name);
    if (json) {
      if (!l->json[a.list].empty()) l->json[a.list] += ",";
      l->json[a.list] += report_text_json(utf8.c_str());
      if (!l->advice_json.empty()) l->advice_json += ",";
      l->advice_json += report_summary_advice_json(a);
      continue;
    }
    l->text[a.list] += "  " + utf8;
    if (a.cls != CLASS_OTHER) l->text[a.list] += std::string(" [") + advice_class_word(a.cls) + "]";
    if (!a.to.empty()) {
      l->advice_text.push_back(utf8 + " \xE2\x86\x92 " + report_summary_utf8(a.to) + " (" + advice_why_word(a.why) + ")");
    }
  }
}

// True when every advice can be followed, so that the fitted copy lacks nothing.
static bool report_summary_would_fit(const std::vector<LackingName>& lacking) {
  for (const LackingName& a : lacking) {
    if (!a.renameable) return false;
  }
  return true;
}

// ---- Entries --------------------------------------------------------------------------------------------

static void report_summary_motion(const FileOutcome& o) {
  sr.totals[o.verdict]++;
  // A motion read with a target model lists its lacking names, a cut one too.
  SummaryLacks lacks;
  if (o.verdict == VERDICT_LACKS || o.verdict == VERDICT_CUT) report_summary_lacks(o.lacking, sr.json, &lacks);
  if (o.verdict == VERDICT_LACKS && report_summary_would_fit(o.lacking)) sr.would_fit++;
  const ListingTally& t = o.tally;
  if (sr.json) {
    std::string line = report_verdict_json_head(o);
    line += ",\"bone_keys\":" + std::to_string(o.bone_keys) + ",\"morph_keys\":" + std::to_string(o.morph_keys);
    line += ",\"bones\":" + std::to_string(t.bones) + ",\"morphs\":" + std::to_string(t.morphs);
    line += ",\"last_frame\":" + (o.last_frame < 0 ? std::string("null") : std::to_string(o.last_frame));
    line += ",\"lacks\":{\"bones\":[" + lacks.json[LISTING_BONES] + "],\"morphs\":[" + lacks.json[LISTING_MORPHS] + "]}";
    line += ",\"advice\":[" + lacks.advice_json + "],\"fitted\":" + report_text_json_or_null(o.fitted) + "}\n";
    std::fputs(line.c_str(), sr.out);
    return;
  }
  // The verdict's word; what a cut or unread file's reason says goes below it, or to standard error.
  SummaryRow row = {o.verdict,
                    false,
                    o.verdict == VERDICT_LACKS ? report_verdict_text(o) : report_verdict_word(o.verdict),
                    "",
                    0,
                    {o.bone_keys, o.morph_keys, t.bones, t.morphs, o.last_frame},
                    o.last_frame >= 0,
                    o.path.shown,
                    {}};
  if (o.verdict == VERDICT_CUT) row.below.push_back(o.error);
  if (!lacks.text[LISTING_BONES].empty()) row.below.push_back("bones:" + lacks.text[LISTING_BONES]);
  if (!lacks.text[LISTING_MORPHS].empty()) row.below.push_back("morphs:" + lacks.text[LISTING_MORPHS]);
  for (const std::string& a : lacks.advice_text) row.below.push_back("    " + a);
  if (!o.fitted.empty()) row.below.push_back("fitted copy: " + o.fitted);
  sr.rows.push_back(row);
}

void report_summary_file(const FileOutcome& o) {
  if (o.kind != KIND_MODEL) {
    report_summary_motion(o);
    return;
  }
  std::string name = report_summary_utf8(o.model.name);
  if (sr.json) {
    std::string line = report_verdict_json_head(o) + ",\"name\":" + report_text_json(name.c_str()) +
                       ",\"bones\":" + std::to_string(o.model.bones) + ",\"morphs\":" +
                       std::to_string(o.model.morphs) + "}\n";
    std::fputs(line.c_str(), sr.out);
    return;
  }
  SummaryRow row = {o.verdict, true, report_verdict_word(o.verdict), name, report_summary_width(o.model.name.c_str()),
                    {0, 0, o.model.bones, o.model.morphs, 0}, false, o.path.shown, {}};
  if (o.verdict == VERDICT_CUT) row.below.push_back(o.error);
  sr.rows.push_back(row);
}

// ---- The text table --------------------------------------------------------------------------------------

static int report_summary_digits(long long n) { return (int)std::to_string(n).size(); }

static void report_summary_pad(int n) {
  for (; n > 0; n--) std::fputc(' ', sr.out);
}

static void report_summary_number(long long n, int width) {
  std::string s = std::to_string(n);
  report_summary_pad(width - (int)s.size());
  std::fputs(s.c_str(), sr.out);
}

// The header row's labels: the verdict, the five numbers, the path.
static const char* const SUMMARY_LABELS[] = {"verdict", "bone keys", "morph keys", "bones", "morphs", "last frame",
                                             "file"};

static void report_summary_label(int c, int width) {
  int len = (int)std::string(SUMMARY_LABELS[c]).size();
  // The verdict's label stands left like the verdicts, the numbers' labels right like the numbers.
  if (c == 0) {
    std::fputs(SUMMARY_LABELS[c], sr.out);
    report_summary_pad(width - len + 2);
  } else {
    report_summary_pad(width - len);
    std::fputs(SUMMARY_LABELS[c], sr.out);
    std::fputs("  ", sr.out);
  }
}

static void report_summary_row(const SummaryRow& r, const int* w) {
  if (sr.colour && !(r.model && r.verdict == VERDICT_MODEL)) {
    report_text_put_coloured(sr.out, report_verdict_colour(r.verdict), r.verdict_text.c_str());
  } else {
    std::fputs(r.verdict_text.c_str(), sr.out);
  }
  report_summary_pad(w[0] - (int)r.verdict_text.size() + 2);
  if (r.model) {
    std::fputs(r.name.c_str(), sr.out);
    report_summary_pad(w[1] + 2 + w[2] - r.name_width);
  } else {
    report_summary_number(r.number[0], w[1]);
    std::fputs("  ", sr.out);
    report_summary_number(r.number[1], w[2]);
  }
  std::fputs("  ", sr.out);
  report_summary_number(r.number[2], w[3]);
  std::fputs("  ", sr.out);
  report_summary_number(r.number[3], w[4]);
  std::fputs("  ", sr.out);
  if (r.has_last_frame) {
    report_summary_number(r.number[4], w[5]);
  } else if (r.model) {
    report_summary_pad(w[5]);
  } else {
    report_summary_pad(w[5] - 1);
    std::fputs("-", sr.out);  // a motion without keys
  }
  std::fprintf(sr.out, "  %s\n", r.path.c_str());
  for (const std::string& line : r.below) std::fprintf(sr.out, "    %s\n", line.c_str());
}

void report_summary_end() {
  if (!sr.json) {
    // Column widths: the verdict, the five numbers; a model's name spans the two key columns.
    int w[6];
    for (int c = 0; c < 6; c++) w[c] = (int)std::string(SUMMARY_LABELS[c]).size();
    for (const SummaryRow& r : sr.rows) {
      if ((int)r.verdict_text.size() > w[0]) w[0] = (int)r.verdict_text.size();
      for (int c = r.model ? 2 : 0; c < (r.model ? 4 : 5); c++) {
        if (c == 4 && !r.has_last_frame) continue;
        if (report_summary_digits(r.number[c]) > w[c + 1]) w[c + 1] = report_summary_digits(r.number[c]);
      }
    }
    for (const SummaryRow& r : sr.rows) {
      if (r.model && r.name_width > w[1] + 2 + w[2]) w[2] = r.name_width - w[1] - 2;
    }
    for (int c = 0; c < 6; c++) report_summary_label(c, w[c]);
    std::fprintf(sr.out, "%s\n", SUMMARY_LABELS[6]);
    for (const SummaryRow& r : sr.rows) report_summary_row(r, w);
  }
  int motions = 0;
  for (int t : sr.totals) motions += t;
  if (sr.json) {
    std::fprintf(sr.out,
                 "{\"totals\":{\"motions\":%d,\"fit\":%d,\"lack\":%d,\"would_fit\":%d,\"no_model\":%d,\"cut\":%d,"
                 "\"unread\":%d}}\n",
                 motions, sr.totals[VERDICT_FITS], sr.totals[VERDICT_LACKS], sr.would_fit, sr.totals[VERDICT_NO_MODEL],
                 sr.totals[VERDICT_CUT], sr.totals[VERDICT_UNREAD]);
  } else {
    std::fprintf(sr.out,
                 "totals: %d motions, %d fit, %d lack names (%d would fit after renaming), %d no model, %d cut, "
                 "%d unread\n",
                 motions, sr.totals[VERDICT_FITS], sr.totals[VERDICT_LACKS], sr.would_fit,
                 sr.totals[VERDICT_NO_MODEL], sr.totals[VERDICT_CUT], sr.totals[VERDICT_UNREAD]);
  }
  sr.rows.clear();
}
