// report_summary.cpp: velmora-report --summary (see report_summary.h).
//
// Records: the summary of the run: its output, its form, the text rows kept for the end, the models of
// the table of every model against every motion, and the totals by model. Written only here.
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

// The motions checked against one model (place 0: against none), by verdict.
struct SummaryTotals {
  int place;          // the model file's place in the run, or 0
  std::string file;   // its path as the user reads it, or ""
  std::string name;   // its display name, UTF-8, or ""
  int count[VERDICT_MODEL];
  int would_fit;      // of the motions that lack names, those that would fit after fitting
};

// A row of the table of every model against every motion: its cells' texts and verdicts.
struct SummaryCells {
  std::vector<std::string> text;
  std::vector<ToolVerdict> verdict;
  std::string path;
};

struct SummaryRun {
  FILE* out;              // where the summary is printed, or nullptr
  bool json;              // out gets JSON Lines, else text
  bool colour;
  std::string* json_copy; // the JSON Lines also go here, or nullptr
  int models;                         // model files given, in the order the run met them
  std::vector<SummaryRow> rows;
  std::vector<SummaryTotals> totals;  // [0]: without a model; then one per model met
  bool each;                          // the table of every model against every motion
  std::vector<FileOutcome> each_models;
  std::vector<SummaryCells> each_rows;
};
static SummaryRun sr;

void report_summary_begin(FILE* out, bool json, bool colour, std::string* json_copy) {
  sr.out = out;
  sr.json = json;
  sr.colour = colour;
  sr.json_copy = json_copy;
  sr.models = 0;
  sr.rows.clear();
  sr.totals.assign(1, SummaryTotals{});
  sr.each = false;
  sr.each_models.clear();
  sr.each_rows.clear();
}

// True when the summary is printed as text; when JSON Lines are made at all.
static bool report_summary_text() { return !sr.json && sr.out != nullptr; }
static bool report_summary_json() { return (sr.json && sr.out != nullptr) || sr.json_copy != nullptr; }

// One JSON line, to out and to the copy.
static void report_summary_jsonl(const std::string& line) {
  if (sr.json && sr.out != nullptr) std::fputs(line.c_str(), sr.out);
  if (sr.json_copy != nullptr) *sr.json_copy += line;
}

// Text in the verdict's colour, or plain.
static void report_summary_put(ToolVerdict verdict, const std::string& text) {
  uint32_t c = report_verdict_colour(verdict);
  if (sr.colour && c != VERDICT_PLAIN && !text.empty()) report_text_put_coloured(sr.out, c, text.c_str());
  else std::fputs(text.c_str(), sr.out);
}

// ---- Totals -----------------------------------------------------------------------------------------------

// The totals of the model at place (0: none), made when first met.
static SummaryTotals& report_summary_totals(int place, const std::string& file, const std::string& name) {
  for (SummaryTotals& t : sr.totals) {
    if (t.place == place) return t;
  }
  SummaryTotals t = {};
  t.place = place;
  t.file = file;
  t.name = name;
  sr.totals.push_back(t);
  return sr.totals.back();
}

static void report_summary_count(SummaryTotals& t, const FileOutcome& o) {
  t.count[o.verdict]++;
  if (o.would_fit) t.would_fit++;
}

// One totals line or object.
static void report_summary_totals_line(const SummaryTotals& t, const std::string& text_head, bool model_fields) {
  int motions = 0;
  for (int c : t.count) motions += c;
  const int* n = t.count;
  if (report_summary_json()) {
    std::string line = "{\"totals\":{";
    if (model_fields) {
      line += "\"model\":" + report_text_json_or_null(t.file) + ",\"name\":" +
              (t.place == 0 ? std::string("null") : report_text_json(t.name.c_str())) + ",";
    }
    char numbers[512];
    std::snprintf(numbers, sizeof numbers,
                  "\"motions\":%d,\"fit\":%d,\"extras\":%d,\"lack\":%d,\"would_fit\":%d,\"no_model\":%d,"
                  "\"camera\":%d,\"empty\":%d,\"cut\":%d,\"unread\":%d}}\n",
                  motions, n[VERDICT_FITS], n[VERDICT_EXTRAS], n[VERDICT_LACKS], t.would_fit, n[VERDICT_NO_MODEL],
                  n[VERDICT_CAMERA], n[VERDICT_EMPTY], n[VERDICT_CUT], n[VERDICT_UNREAD]);
    report_summary_jsonl(line + numbers);
  }
  if (!report_summary_text()) return;
  std::fprintf(sr.out,
               "%s: %d %s, %d fit, %d extras, %d lack names (%d would fit after fitting), %d no model, "
               "%d camera, %d empty, %d cut, %d unread\n",
               text_head.c_str(), motions, motions == 1 ? "motion" : "motions", n[VERDICT_FITS], n[VERDICT_EXTRAS], n[VERDICT_LACKS], t.would_fit,
               n[VERDICT_NO_MODEL], n[VERDICT_CAMERA], n[VERDICT_EMPTY], n[VERDICT_CUT], n[VERDICT_UNREAD]);
}

// ---- Lacking names and their advice -------------------------------------------------------------------

// The lacking names and their advice, as JSON arrays and as text pieces and lines: [0] the names that
// lack (every class but other), [1] the extras (class other), each by list.
struct SummaryLacks {
  std::string json[2][LISTING_KINDS];
  std::string advice_json;
  std::vector<std::string> text[2][LISTING_KINDS];
  int count[2][LISTING_KINDS];
  std::vector<std::string> advice_text;
};

// A measured move as JSON: {"units":U,"degrees":D,"bone":NAME,"frame":F}, bone and frame null when no
// bone moves; null when nothing was measured.
static std::string report_summary_move_json(const OutcomeMove& m) {
  if (!m.measured) return "null";
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "{\"units\":%.3f,\"degrees\":%.2f,\"bone\":", m.units, m.degrees);
  if (m.bone.empty()) return std::string(numbers) + "null,\"frame\":null}";
  return std::string(numbers) + report_text_json(m.bone.c_str()) + ",\"frame\":" +
         std::to_string(m.frame) + "}";
}

static std::string report_summary_advice_json(const LackingName& a) {
  std::string line = std::string("{\"list\":\"") + listing_kind_word(a.list) + "\",\"name\":" +
                     report_text_json(a.name.c_str()) + ",\"class\":\"" +
                     advice_class_word(a.cls) + "\",\"to\":";
  line += a.to.empty() ? "null" : report_text_json(a.to.c_str());
  line += std::string(",\"why\":\"") + advice_why_word(a.why) + "\",\"candidates\":[";
  for (size_t i = 0; i < a.candidates.size(); i++) {
    if (i > 0) line += ",";
    line += report_text_json(a.candidates[i].c_str());
  }
  line += "],\"cost\":" + report_summary_move_json(a.cost) + ",\"into\":[";
  for (size_t i = 0; i < a.into.size(); i++) {
    if (i > 0) line += ",";
    line += report_text_json(a.into[i].c_str());
  }
  return line + "],\"error\":" + report_summary_move_json(a.error) + "}";
}

// "A, B, C", at most REPORT_SHOWN of them, then " and N more" for the rest of total.
static std::string report_summary_some(const std::vector<std::string>& names, int total) {
  return report_verdict_some(names, total, ", ");
}

// The advice line of a lacking name, or "" when it has none.
static std::string report_summary_advice_text(const LackingName& a) {
  if (a.why == WHY_FOLD) return a.name + " \xE2\x86\x92 " + a.to + " (" + report_verdict_fold_note(a, LANG_EN) + ")";
  if (a.why == WHY_AMBIGUOUS) {
    return a.name + " \xE2\x86\x92 ? one of: " + report_summary_some(a.candidates, a.candidate_count) + " (ambiguous)";
  }
  if (a.to.empty()) return "";
  return a.name + " \xE2\x86\x92 " + a.to + " (" + advice_why_word(a.why) + ")";
}

// The JSON pieces with json set, else the text pieces.
static void report_summary_lacks(const std::vector<LackingName>& lacking, bool json, SummaryLacks* l) {
  for (int extra = 0; extra < 2; extra++) l->count[extra][LISTING_BONES] = l->count[extra][LISTING_MORPHS] = 0;
  for (const LackingName& a : lacking) {
    int extra = a.cls == CLASS_OTHER ? 1 : 0;
    l->count[extra][a.list]++;
    if (json) {
      std::string& names = l->json[extra][a.list];
      if (!names.empty()) names += ",";
      names += report_text_json(a.name.c_str());
      if (!l->advice_json.empty()) l->advice_json += ",";
      l->advice_json += report_summary_advice_json(a);
      continue;
    }
    // A line names REPORT_SHOWN of them; the rest are counted.
    std::vector<std::string>& names = l->text[extra][a.list];
    if (names.size() < (size_t)REPORT_SHOWN) {
      names.push_back(a.cls == CLASS_OTHER ? a.name : a.name + " [" + advice_class_word(a.cls) + "]");
    }
    std::string advice = report_summary_advice_text(a);
    if (!advice.empty()) l->advice_text.push_back(advice);
    std::string cost = report_verdict_cost_note(a, LANG_EN);
    if (!cost.empty()) l->advice_text.push_back(a.name + ": " + cost);
  }
}

// True for the verdicts that list their lacking names.
static bool report_summary_lists(ToolVerdict v) { return v == VERDICT_LACKS || v == VERDICT_EXTRAS || v == VERDICT_CUT; }

// ---- Entries --------------------------------------------------------------------------------------------

// A motion's fields after its head and before its lacking names, as JSON.
static std::string report_summary_keys_json(const FileOutcome& o) {
  std::string line = ",\"bone_keys\":" + std::to_string(o.bone_keys) + ",\"morph_keys\":" + std::to_string(o.morph_keys);
  line += ",\"bones\":" + std::to_string(o.tally.bones) + ",\"morphs\":" + std::to_string(o.tally.morphs);
  line += ",\"last_frame\":" + (o.last_frame < 0 ? std::string("null") : std::to_string(o.last_frame));
  line += ",\"camera_keys\":" + std::to_string(o.camera_keys) + ",\"light_keys\":" + std::to_string(o.light_keys) +
          ",\"shadow_keys\":" + std::to_string(o.shadow_keys);
  return line;
}

// A motion's verdict against its model, as JSON: lacks, extras, advice, fitted, model_error.
static std::string report_summary_against_json(const FileOutcome& o) {
  SummaryLacks lacks{};
  if (report_summary_lists(o.verdict)) report_summary_lacks(o.lacking, true, &lacks);
  std::string line;
  for (int extra = 0; extra < 2; extra++) {
    line += std::string(extra == 0 ? ",\"lacks\"" : ",\"extras\"") + ":{\"bones\":[" + lacks.json[extra][LISTING_BONES] +
            "],\"morphs\":[" + lacks.json[extra][LISTING_MORPHS] + "]}";
  }
  return line + ",\"advice\":[" + lacks.advice_json + "],\"fitted\":" + report_text_json_or_null(o.fitted) +
         ",\"model_error\":" + report_text_json_or_null(o.model.error);
}

static void report_summary_motion(const FileOutcome& o) {
  report_summary_count(report_summary_totals(o.model.place, o.model.file, o.model.name), o);
  if (report_summary_json()) {
    report_summary_jsonl(report_verdict_json_head(o) + report_summary_keys_json(o) + report_summary_against_json(o) +
                         "}\n");
  }
  if (!report_summary_text()) return;
  // The verdict's text; what a cut or unread file's reason says goes below it, or to standard error.
  SummaryLacks lacks{};
  if (report_summary_lists(o.verdict)) report_summary_lacks(o.lacking, false, &lacks);
  bool plain_word = o.verdict == VERDICT_CUT || o.verdict == VERDICT_UNREAD;
  SummaryRow row = {o.verdict,
                    false,
                    plain_word ? report_verdict_word(o.verdict) : report_verdict_text(o),
                    "",
                    0,
                    {o.bone_keys, o.morph_keys, o.tally.bones, o.tally.morphs, o.last_frame},
                    o.last_frame >= 0,
                    o.path.shown,
                    {}};
  if (o.verdict == VERDICT_CUT) row.below.push_back(o.error);
  static const char* const HEADS[2][LISTING_KINDS] = {{"bones:", "morphs:"}, {"extra bones:", "extra morphs:"}};
  for (int extra = 0; extra < 2; extra++) {
    for (int list = 0; list < LISTING_KINDS; list++) {
      if (lacks.count[extra][list] == 0) continue;
      row.below.push_back(HEADS[extra][list] + ("  " + report_verdict_some(lacks.text[extra][list], lacks.count[extra][list], "  ")));
    }
  }
  for (const std::string& a : lacks.advice_text) row.below.push_back("    " + a);
  if (!o.fitted.empty()) row.below.push_back("fitted copy: " + o.fitted);
  sr.rows.push_back(row);
}

// A model's names that no motion can name whole: the text lines and the JSON object.
static void report_summary_unnameable(const FileOutcome& o, std::vector<std::string>* lines, std::string* json) {
  static const char* const WORDS[] = {"bone", "morph"};
  *json = ",\"unnameable\":{";
  for (int list = 0; list < LISTING_KINDS; list++) {
    const std::vector<UnnameableName>& names = o.model.unnameable[list];
    *json += std::string(list > 0 ? "," : "") + "\"" + listing_kind_word(list) + "\":[";
    std::vector<std::string> shown;
    for (size_t i = 0; i < names.size(); i++) {
      std::string shown_name = names[i].name;
      *json += std::string(i > 0 ? "," : "") + "{\"name\":" + report_text_json(shown_name.c_str()) +
               ",\"shared\":" + (names[i].shared ? "true" : "false") + ",\"split\":" +
               (names[i].split ? "true" : "false") + "}";
      if (names[i].shared) shown_name += " (first 15 bytes shared)";
      if (names[i].split) shown_name += " (cut inside a character)";
      shown.push_back(shown_name);
    }
    *json += "]";
    if (!names.empty()) {
      lines->push_back(std::to_string(names.size()) + " " + WORDS[list] + (names.size() == 1 ? " name" : " names") +
                       " longer than 15 bytes: " + report_summary_some(shown, (int)names.size()));
    }
  }
  *json += "}";
}

static void report_summary_model(const FileOutcome& o) {
  sr.models++;
  std::string name = o.model.name;
  std::vector<std::string> unnameable;
  std::string unnameable_json;
  report_summary_unnameable(o, &unnameable, &unnameable_json);
  if (o.model.loaded) report_summary_totals(o.position, o.path.shown, name);
  if (report_summary_json()) {
    report_summary_jsonl(report_verdict_json_head(o) + ",\"name\":" + report_text_json(name.c_str()) + ",\"bones\":" +
                         std::to_string(o.model.bones) + ",\"morphs\":" + std::to_string(o.model.morphs) +
                         unnameable_json + "}\n");
  }
  if (!report_summary_text()) return;
  SummaryRow row = {o.verdict, true, report_verdict_word(o.verdict), name, o.model.name_width,
                    {0, 0, o.model.bones, o.model.morphs, 0}, false, o.path.shown, {}};
  if (o.verdict == VERDICT_CUT) row.below.push_back(o.error);
  for (const std::string& line : unnameable) row.below.push_back(line);
  sr.rows.push_back(row);
}

void report_summary_file(const FileOutcome& o) {
  if (o.kind == KIND_MODEL) report_summary_model(o);
  else report_summary_motion(o);
}

// ---- Every model against every motion -------------------------------------------------------------------

// A model as the table names it: its display name, or its file when it has none.
static std::string report_summary_model_label(const FileOutcome& m) {
  std::string name = m.model.name;
  return name.empty() ? m.path.shown : name;
}

void report_summary_models(const std::vector<FileOutcome>& models) {
  sr.each = true;
  sr.each_models = models;
  sr.totals.clear();
  for (const FileOutcome& m : models) {
    SummaryTotals t = {};
    t.place = m.position;
    t.file = m.path.shown;
    t.name = report_summary_model_label(m);
    sr.totals.push_back(t);
    sr.models++;
    if (!report_summary_json()) continue;
    std::vector<std::string> unused;
    std::string unnameable_json;
    report_summary_unnameable(m, &unused, &unnameable_json);
    report_summary_jsonl(report_verdict_json_head(m) + ",\"name\":" + report_text_json(t.name.c_str()) + ",\"bones\":" +
                         std::to_string(m.model.bones) + ",\"morphs\":" + std::to_string(m.model.morphs) +
                         unnameable_json + "}\n");
  }
}

// A cell of the table: the verdict's word with the counts of what lacks (or of the extras), or "would fit".
static std::string report_summary_cell(const FileOutcome& o) {
  if (o.would_fit) return "would fit";
  if (o.verdict == VERDICT_LACKS || o.verdict == VERDICT_EXTRAS) {
    int64_t n[LISTING_KINDS];
    report_verdict_lacking_counts(o, o.verdict == VERDICT_EXTRAS, n);
    return std::string(report_verdict_word(o.verdict)) + " " + std::to_string(n[LISTING_BONES]) + "/" +
           std::to_string(n[LISTING_MORPHS]);
  }
  return report_verdict_word(o.verdict);
}

void report_summary_cells(const std::vector<FileOutcome>& cells) {
  if (cells.empty()) return;
  for (size_t m = 0; m < cells.size() && m < sr.totals.size(); m++) report_summary_count(sr.totals[m], cells[m]);
  const FileOutcome& first = cells[0];
  if (report_summary_json()) {
    // The motion's own fields once, without a verdict of its own; then one object per model.
    std::string line = report_verdict_json_head(first, false) + report_summary_keys_json(first) + ",\"models\":[";
    for (size_t m = 0; m < cells.size(); m++) {
      const FileOutcome& c = cells[m];
      const FileOutcome& model = sr.each_models[m];
      line += std::string(m > 0 ? "," : "") + "{\"model\":" +
              report_text_json(model.model.name.c_str()) +
              ",\"file\":" + report_text_json(model.path.shown.c_str()) + ",\"verdict\":\"" +
              report_verdict_word(c.verdict) + "\",\"would_fit\":" + (c.would_fit ? "true" : "false") +
              report_summary_against_json(c) + "}";
    }
    report_summary_jsonl(line + "]}\n");
  }
  if (!report_summary_text()) return;
  SummaryCells row;
  for (const FileOutcome& c : cells) {
    row.text.push_back(report_summary_cell(c));
    row.verdict.push_back(c.would_fit ? VERDICT_LACKS : c.verdict);
  }
  row.path = first.path.shown;
  sr.each_rows.push_back(row);
}

static void report_summary_pad(int n) {
  for (; n > 0; n--) std::fputc(' ', sr.out);
}

static void report_summary_each_end() {
  if (report_summary_text()) {
    for (size_t m = 0; m < sr.each_models.size(); m++) {
      const FileOutcome& o = sr.each_models[m];
      std::fprintf(sr.out, "model %zu: ", m + 1);
      if (o.model.loaded) {
        std::fprintf(sr.out, "%s (%s, %s)", report_summary_model_label(o).c_str(),
                     report_verdict_count(o.model.bones, "bone", "bones").c_str(),
                     report_verdict_count(o.model.morphs, "morph", "morphs").c_str());
      } else {
        report_summary_put(o.verdict, report_verdict_text(o));
      }
      std::fprintf(sr.out, "  %s\n", o.path.shown.c_str());
    }
    std::vector<int> width;
    for (size_t m = 0; m < sr.each_models.size(); m++) {
      int w = (int)("model " + std::to_string(m + 1)).size();
      for (const SummaryCells& r : sr.each_rows) {
        if (m < r.text.size() && (int)r.text[m].size() > w) w = (int)r.text[m].size();
      }
      width.push_back(w);
    }
    for (size_t m = 0; m < width.size(); m++) {
      std::string label = "model " + std::to_string(m + 1);
      std::fputs(label.c_str(), sr.out);
      report_summary_pad(width[m] - (int)label.size() + 2);
    }
    std::fputs("file\n", sr.out);
    for (const SummaryCells& r : sr.each_rows) {
      for (size_t m = 0; m < width.size() && m < r.text.size(); m++) {
        report_summary_put(r.verdict[m], r.text[m]);
        report_summary_pad(width[m] - (int)r.text[m].size() + 2);
      }
      std::fprintf(sr.out, "%s\n", r.path.c_str());
    }
  }
  for (size_t m = 0; m < sr.totals.size(); m++) {
    const SummaryTotals& t = sr.totals[m];
    report_summary_totals_line(t, "totals for model " + std::to_string(m + 1) + " (" + t.name + ")", true);
  }
}

// ---- The text table --------------------------------------------------------------------------------------

static int report_summary_digits(long long n) { return (int)std::to_string(n).size(); }

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

// The display width of UTF-8 text, as a terminal shows it: two columns for a character from U+1100 up
// that is wide (CJK, full-width forms), one for others.
static int report_summary_text_width(const std::string& utf8) {
  int w = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8.c_str());
  while (*p != 0) {
    uint32_t cp;
    int len = utf8_next(p, &cp);
    if (len == 0) {
      p++;
      w++;
      continue;
    }
    p += len;
    bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) || (cp >= 0xAC00 && cp <= 0xD7A3) ||
                (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
    w += wide ? 2 : 1;
  }
  return w;
}

static void report_summary_row(const SummaryRow& r, const int* w) {
  report_summary_put(r.verdict, r.verdict_text);
  report_summary_pad(w[0] - report_summary_text_width(r.verdict_text) + 2);
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
  if (sr.each) {
    report_summary_each_end();
    return;
  }
  if (report_summary_text()) {
    // Column widths: the verdict, the five numbers; a model's name spans the two key columns.
    int w[6];
    for (int c = 0; c < 6; c++) w[c] = (int)std::string(SUMMARY_LABELS[c]).size();
    for (const SummaryRow& r : sr.rows) {
      if (report_summary_text_width(r.verdict_text) > w[0]) w[0] = report_summary_text_width(r.verdict_text);
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
  // One totals line for the run; one per model when it gave two or more.
  if (sr.models < 2) {
    SummaryTotals all = {};
    for (const SummaryTotals& t : sr.totals) {
      for (int v = 0; v < VERDICT_MODEL; v++) all.count[v] += t.count[v];
      all.would_fit += t.would_fit;
    }
    report_summary_totals_line(all, "totals", false);
  } else {
    for (const SummaryTotals& t : sr.totals) {
      int motions = 0;
      for (int c : t.count) motions += c;
      if (t.place == 0 && motions == 0) continue;
      report_summary_totals_line(t, t.place == 0 ? "totals without a model" : "totals for " + t.name + " (" + t.file + ")",
                                 true);
    }
  }
  sr.rows.clear();
}
