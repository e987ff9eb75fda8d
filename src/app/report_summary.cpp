// report_summary.cpp: velmora-report --summary (see report_summary.h).
//
// Records: the summary of the run: its output, its form, the text rows kept for the end and the
// totals. Written only here.
#include "app/report_summary.h"

#include <string>
#include <vector>

#include "app/report_text.h"
#include "check/model.h"
#include "check/rigs.h"
#include "formats/vmd.h"
#include "text/encoding.h"

// One text row: a motion's numbers are bone keys, morph keys, bones, morphs and the last frame; a
// model's are its bones and morphs in the columns of the motions' bones and morphs.
struct SummaryRow {
  int verdict;
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

void summary_begin(FILE* out, bool json, bool colour) {
  sr.out = out;
  sr.json = json;
  sr.colour = colour;
  sr.rows.clear();
  for (int& t : sr.totals) t = 0;
  sr.would_fit = 0;
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

static std::string summary_json_or_null(const std::string& s) {
  return s.empty() ? std::string("null") : report_tool_json(s.c_str());
}

// The fields every entry begins with: file, kind, read, verdict, error, cut.
static std::string summary_json_head(const char* path, const FileState* fs, const FileOutcome& o) {
  std::string line = "{\"file\":" + report_tool_json(path) + ",\"kind\":\"" + verdict_kind_word(o.kind) +
                     "\",\"read\":";
  line += fs == nullptr || fs->read_result == RUN_NO_READER ? "null" : std::to_string(fs->read_result);
  line += std::string(",\"verdict\":\"") + verdict_word(o.verdict) + "\",\"error\":" + summary_json_or_null(o.error);
  return line + ",\"cut\":" + verdict_cut_json(o);
}

// ---- Lacking names and their advice -------------------------------------------------------------------

static const char* const CLASS_NAMES[] = {"other", "standard", "semi-standard", "finger", "expression"};
static const char* const WHY_NAMES[] = {"none", "cut", "spelling", "english name", "rig name", "ambiguous"};
static const char* const LIST_NAMES[] = {"bones", "morphs"};

// The lacking names and their advice, as JSON arrays and as text pieces and lines.
struct SummaryLacks {
  std::string json[2];
  std::string advice_json;
  std::string text[2];
  std::vector<std::string> advice_text;
};

static std::string summary_advice_json(const Advice& a) {
  std::string line = std::string("{\"list\":\"") + LIST_NAMES[a.list] + "\",\"name\":" +
                     report_tool_json(summary_utf8(a.name).c_str()) + ",\"class\":\"" + CLASS_NAMES[a.cls] +
                     "\",\"to\":";
  line += a.to < 0 ? "null" : report_tool_json(summary_utf8(advice_model_name(a.list, a.to)).c_str());
  line += std::string(",\"why\":\"") + WHY_NAMES[a.why] + "\",\"candidates\":[";
  int kept = a.candidate_count < ADVICE_CANDIDATES ? a.candidate_count : ADVICE_CANDIDATES;
  for (int i = 0; i < kept; i++) {
    if (i > 0) line += ",";
    line += report_tool_json(summary_utf8(advice_model_name(a.list, a.candidates[i])).c_str());
  }
  return line + "]}";
}

static void summary_lacks(const std::vector<Advice>& advice, SummaryLacks* l) {
  for (const Advice& a : advice) {
    std::string utf8 = summary_utf8(a.name);
    if (!l->json[a.list].empty()) l->json[a.list] += ",";
    l->json[a.list] += report_tool_json(utf8.c_str());
    if (!l->advice_json.empty()) l->advice_json += ",";
    l->advice_json += summary_advice_json(a);
    l->text[a.list] += "  " + utf8;
    if (a.cls != CLASS_OTHER) l->text[a.list] += std::string(" [") + CLASS_NAMES[a.cls] + "]";
    if (a.to >= 0) {
      l->advice_text.push_back(utf8 + " \xE2\x86\x92 " + summary_utf8(advice_model_name(a.list, a.to)) + " (" +
                               WHY_NAMES[a.why] + ")");
    }
  }
}

// True when every advice can be followed, so that the fitted copy lacks nothing.
static bool summary_would_fit(const std::vector<Advice>& advice) {
  for (const Advice& a : advice) {
    if (!advice_renameable(a)) return false;
  }
  return true;
}

// ---- Entries --------------------------------------------------------------------------------------------

static void summary_motion(const char* path, const FileState* fs, const FileOutcome& o) {
  sr.totals[o.verdict]++;
  // A motion read with a target model lists its lacking names, a cut one too.
  SummaryLacks lacks;
  if (o.verdict == VERDICT_LACKS || o.verdict == VERDICT_CUT) summary_lacks(o.advice, &lacks);
  if (o.verdict == VERDICT_LACKS && summary_would_fit(o.advice)) sr.would_fit++;
  const VmdKeys* k = vmd_keys();
  const ListingTally& t = o.tally;
  if (sr.json) {
    std::string line = summary_json_head(path, fs, o);
    line += ",\"bone_keys\":" + std::to_string(k->bone_keys) + ",\"morph_keys\":" + std::to_string(k->morph_keys);
    line += ",\"bones\":" + std::to_string(t.bones) + ",\"morphs\":" + std::to_string(t.morphs);
    line += ",\"last_frame\":" + (k->last_frame < 0 ? std::string("null") : std::to_string(k->last_frame));
    line += ",\"lacks\":{\"bones\":[" + lacks.json[0] + "],\"morphs\":[" + lacks.json[1] + "]}";
    line += ",\"advice\":[" + lacks.advice_json + "],\"fitted\":" + summary_json_or_null(o.fitted) + "}\n";
    std::fputs(line.c_str(), sr.out);
    return;
  }
  // The verdict's word; what a cut or unread file's reason says goes below it, or to standard error.
  SummaryRow row = {o.verdict, false, o.verdict == VERDICT_LACKS ? verdict_text(o) : verdict_word(o.verdict), "", 0,
                    {k->bone_keys, k->morph_keys, t.bones, t.morphs, k->last_frame}, k->last_frame >= 0, path, {}};
  if (o.verdict == VERDICT_CUT) row.below.push_back(o.error);
  if (!lacks.text[0].empty()) row.below.push_back("bones:" + lacks.text[0]);
  if (!lacks.text[1].empty()) row.below.push_back("morphs:" + lacks.text[1]);
  for (const std::string& a : lacks.advice_text) row.below.push_back("    " + a);
  if (!o.fitted.empty()) row.below.push_back("fitted copy: " + o.fitted);
  sr.rows.push_back(row);
}

void summary_file(const char* path, const FileState* fs, const FileOutcome& o) {
  if (o.kind != KIND_MODEL) {
    summary_motion(path, fs, o);
    return;
  }
  const ModelTables* m = model_view();
  // What an unread model left in the tables is not its own.
  bool read = o.verdict != VERDICT_UNREAD;
  std::string name = read ? summary_utf8(m->display_name) : "";
  int bones = read ? m->bone_count : 0, morphs = read ? m->morph_count : 0;
  if (sr.json) {
    std::string line = summary_json_head(path, fs, o) + ",\"name\":" + report_tool_json(name.c_str()) +
                       ",\"bones\":" + std::to_string(bones) + ",\"morphs\":" + std::to_string(morphs) + "}\n";
    std::fputs(line.c_str(), sr.out);
    return;
  }
  SummaryRow row = {o.verdict, true, verdict_word(o.verdict), name, read ? summary_width(m->display_name) : 0,
                    {0, 0, bones, morphs, 0}, false, path, {}};
  if (o.verdict == VERDICT_CUT) row.below.push_back(o.error);
  sr.rows.push_back(row);
}

void summary_unexamined(const char* path, const char* problem) {
  // Nothing of this path was read: the numbers of an empty motion, whatever the run holds.
  sr.totals[VERDICT_UNREAD]++;
  if (sr.json) {
    std::fputs(("{\"file\":" + report_tool_json(path) + ",\"kind\":\"other\",\"read\":null,\"verdict\":\"unread\"," +
                "\"error\":" + report_tool_json(problem) + ",\"cut\":null,\"bone_keys\":0,\"morph_keys\":0," +
                "\"bones\":0,\"morphs\":0,\"last_frame\":null,\"lacks\":{\"bones\":[],\"morphs\":[]}," +
                "\"advice\":[],\"fitted\":null}\n")
                   .c_str(),
               sr.out);
    return;
  }
  sr.rows.push_back(SummaryRow{VERDICT_UNREAD, false, "unread", "", 0, {0, 0, 0, 0, -1}, false, path, {}});
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

// The header row's labels: the verdict, the five numbers, the path.
static const char* const SUMMARY_LABELS[] = {"verdict", "bone keys", "morph keys", "bones", "morphs", "last frame",
                                             "file"};

static void summary_label(int c, int width) {
  int len = (int)std::string(SUMMARY_LABELS[c]).size();
  // The verdict's label stands left like the verdicts, the numbers' labels right like the numbers.
  if (c == 0) {
    std::fputs(SUMMARY_LABELS[c], sr.out);
    summary_pad(width - len + 2);
  } else {
    summary_pad(width - len);
    std::fputs(SUMMARY_LABELS[c], sr.out);
    std::fputs("  ", sr.out);
  }
}

static void summary_row(const SummaryRow& r, const int* w) {
  if (sr.colour && !(r.model && r.verdict == VERDICT_MODEL)) {
    report_tool_put_coloured(sr.out, verdict_colour(r.verdict), r.verdict_text.c_str());
  } else {
    std::fputs(r.verdict_text.c_str(), sr.out);
  }
  summary_pad(w[0] - (int)r.verdict_text.size() + 2);
  if (r.model) {
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
  } else if (r.model) {
    summary_pad(w[5]);
  } else {
    summary_pad(w[5] - 1);
    std::fputs("-", sr.out);  // a motion without keys
  }
  std::fprintf(sr.out, "  %s\n", r.path.c_str());
  for (const std::string& line : r.below) std::fprintf(sr.out, "    %s\n", line.c_str());
}

void summary_end() {
  if (!sr.json) {
    // Column widths: the verdict, the five numbers; a model's name spans the two key columns.
    int w[6];
    for (int c = 0; c < 6; c++) w[c] = (int)std::string(SUMMARY_LABELS[c]).size();
    for (const SummaryRow& r : sr.rows) {
      if ((int)r.verdict_text.size() > w[0]) w[0] = (int)r.verdict_text.size();
      for (int c = r.model ? 2 : 0; c < (r.model ? 4 : 5); c++) {
        if (c == 4 && !r.has_last_frame) continue;
        if (summary_digits(r.number[c]) > w[c + 1]) w[c + 1] = summary_digits(r.number[c]);
      }
    }
    for (const SummaryRow& r : sr.rows) {
      if (r.model && r.name_width > w[1] + 2 + w[2]) w[2] = r.name_width - w[1] - 2;
    }
    for (int c = 0; c < 6; c++) summary_label(c, w[c]);
    std::fprintf(sr.out, "%s\n", SUMMARY_LABELS[6]);
    for (const SummaryRow& r : sr.rows) summary_row(r, w);
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
