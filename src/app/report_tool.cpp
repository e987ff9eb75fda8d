// report_tool.cpp: velmora-report, the command-line twin of velmora.exe. Runs the same per-file loop
// (names, kind, alias file, readers, report page, summary) without windows or dialogs, as velmora.exe
// does with -ND2, and prints every page as UTF-8 text or as one JSON object per file, or with --summary
// one line per file, or with --each-model every model against every motion. A FOLDER argument stands for
// the motions under it (report_folders.h). Files dropped on the program in Explorer get the summary and
// a window that waits for a key (report_drop.h).
//
//   velmora-report [--summary | --each-model] [--json] [--colour[=WHEN]] [--alias FILE | --no-alias]
//                  [--fit DIR] [--png DIR [--font FILE]] [--html FILE [--lang ja|en]] [--replace] FILE|FOLDER...
//
// Exit codes: 0 every motion fits, lacks only its own model's extras, is a camera or empty motion, or
// was checked without a model; 1 a motion lacks names that matter, a file was cut or could not be read
// (its report is still printed, with one line on standard error), a FOLDER held no motion, models were
// given and no motion was checked against one, or a copy or picture could not be written; 2 a usage
// error, or a font, a picture directory or a copy directory that cannot be had.
// Records: the tool's options, set once per run.
#include "app/report_tool.h"

#include <cstdlib>
#include <ctime>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_drop.h"
#include "app/report_files.h"
#include "app/report_fit.h"
#include "app/report_html.h"
#include "app/report_folders.h"
#include "app/report_png.h"
#include "app/report_pose.h"
#include "app/report_summary.h"
#include "app/report_text.h"
#include "app/report_verdict.h"
#include "app/run.h"
#include "check/advice.h"
#include "check/model.h"
#include "check/report_page.h"
#include "paths/paths.h"
#include "sys/sys.h"
#include "text/encoding.h"

static const char REPORT_USAGE[] =
    "usage: velmora-report [--summary | --each-model] [--json] [--colour[=WHEN]] [--alias FILE | --no-alias]\n"
    "                      [--fit DIR] " REPORT_PNG_SYNOPSIS "[--html FILE [--lang ja|en]] [--replace]\n"
    "                      FILE|FOLDER...\n"
    "  Checks MMD motions (.vmd) and models (.pmx) as velmora.exe does and prints each report page and\n"
    "  its verdict, which names what the model lacks. A model is the target of the motions after it. A\n"
    "  FOLDER stands for the .vmd files under it.\n"
    "  --summary         one line per file instead of its page: a motion's verdict (fits, extras, lacks,\n"
    "                    no model, camera, empty, cut, unread), its bone and morph keys, the bones and\n"
    "                    morphs its page lists, its last frame, the names the model lacks with advice,\n"
    "                    then its extras (names of its own model's hair, sleeves, props); a model's name\n"
    "                    and counts; then the totals (one line per model with two or more)\n"
    "  --each-model      every model given anywhere (a FOLDER's .pmx files too) against every motion: one\n"
    "                    row per motion, one column per model, then the totals of each model; not with\n"
    "                    --summary\n"
    "  --json            one JSON object per file: file, kind, read, verdict, error, cut, fitted, lines\n"
    "                    ([colour, text]), summary; with --summary or --each-model the summary's fields,\n"
    "                    then the totals\n"
    "  --colour[=WHEN]   colour what lacks and the verdicts with 24-bit terminal escapes: auto (a\n"
    "                    terminal, unless NO_COLOR is set), always (the same as --colour alone), never;\n"
    "                    --color is the same option\n"
    "  --alias FILE      read the alias file FILE instead of alias.ini beside the program\n"
    "  --no-alias        read no alias file\n"
    "  --fit DIR         for every motion whose lacking names are the model's names under another\n"
    "                    spelling, an English name or another rig's name, or whose lacking semi-standard\n"
    "                    bones fold into bones the model has, write a copy that renames and folds them:\n"
    "                    DIR/NAME, or DIR/PATH for a motion under a FOLDER (with --each-model\n"
    "                    DIR/MODEL/...); two files of one name never share a copy, and an existing file\n"
    "                    is never replaced\n"
    "  --html FILE       also write the run as one HTML page to look at: sortable, filterable, the\n"
    "                    details of each motion one click away, the run's JSON inside\n"
    "  --lang ja|en      the page's labels (by default from LC_ALL, LC_MESSAGES or LANG: ja... Japanese,\n"
    "                    else English); only with --html\n"
    "  --replace         let a fitted copy or the page replace an earlier file of its name, whole or not\n"
    "                    at all\n"
    REPORT_PNG_USAGE
    "  --version         show the version and the build date\n"
    "  --help            show this text\n"
    "Exit code: 0 every motion fits, lacks only its own model's extras, has no bone or morph keys, or was\n"
    "checked without a model; 1 a motion lacks a standard, semi-standard or finger bone or an expression,\n"
    "a file was cut or could not be read, a FOLDER held no motion, models were given and no motion was\n"
    "checked against one, or a copy or picture could not be written; 2 a usage error (or no font or\n"
    "directory for the pictures, a copy directory that is not a directory, or copies of two files that\n"
    "would take one name).\n";

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unknown"
#endif
#ifndef VELMORA_BUILD_DATE
#define VELMORA_BUILD_DATE "unknown"
#endif

enum ReportColour { COLOUR_AUTO, COLOUR_ALWAYS, COLOUR_NEVER };

// The option words that take the next word as their value, each with what it says when none follows.
enum ToolValueOption : int { OPT_ALIAS, OPT_PNG, OPT_FONT, OPT_FIT, OPT_HTML, OPT_LANG, OPT_VALUE_COUNT };
struct ToolValueWord {
  const char* word;
  const char* needs;
};
static const ToolValueWord TOOL_VALUE_WORDS[] = {{"--alias", "--alias needs a file"},
                                                  {"--png", "--png needs a directory"},
                                                  {"--font", "--font needs a file"},
                                                  {"--fit", "--fit needs a directory"},
                                                  {"--html", "--html needs a file"},
                                                  {"--lang", "--lang needs ja or en"}};
static_assert(sizeof TOOL_VALUE_WORDS / sizeof TOOL_VALUE_WORDS[0] == OPT_VALUE_COUNT, "every value-taking option");

// The run's options, read once from the command line (report_tool_options).
struct ReportOptions {
  bool summary;
  bool json;
  ReportColour colour;
  bool no_alias;
  bool each_model;                         // every model against every motion
  bool replace;                            // a fitted copy or the page replaces an earlier file of its name
  const char16_t* value[OPT_VALUE_COUNT];  // each value-taking option's value, or nullptr
  ToolLang lang;                           // the page's labels, where value[OPT_LANG] is set
  std::vector<int> files;                  // the list positions of the file words, in order
};

// ---- Output -----------------------------------------------------------------------------------------------

// The page's lines as JSON: [["#rrggbb","TEXT"],...].
static void report_tool_print_json(FILE* out, const FileOutcome& o) {
  static char text[REPORT_TEXT_BYTES];
  std::string line = report_verdict_json_head(o) + ",\"fitted\":" + report_text_json_or_null(o.fitted) + ",\"lines\":[";
  for (int i = 0; o.page != nullptr && i < o.page->line_count; i++) {
    ReportRgb c = report_rgb_parts(o.page->colour[i]);
    char colour[16];
    std::snprintf(colour, sizeof colour, "[\"#%02x%02x%02x\",", c.r, c.g, c.b);
    if (i > 0) line += ",";
    line += colour;
    report_text_utf8(text, REPORT_TEXT_BYTES, o.page->text[i]);
    line += report_text_json(text) + "]";
  }
  line += "],\"summary\":" + report_text_json(o.summary.c_str()) + "}\n";
  std::fputs(line.c_str(), out);
}

// Text in a colour (red, green, blue packed as the page packs them), or plain.
static void report_tool_print_line(FILE* out, bool colour, uint32_t c, const char* text) {
  if (colour && text[0] != 0) report_text_put_coloured(out, c, text);
  else std::fputs(text, out);
  std::fputc('\n', out);
}

// The page as velmora.exe shows it, its summary text, then velmora-report's verdict line, which names
// what lacks. Coloured, a terminal shows only what lacks (the page's orange) and the verdict in colour;
// every other line keeps the terminal's own colour, which reads on a light background and a dark one.
static void report_tool_print_plain(FILE* out, bool colour, const FileOutcome& o) {
  static char text[REPORT_TEXT_BYTES];
  const uint32_t lacking = report_rgb(COLOUR_LACKING.r, COLOUR_LACKING.g, COLOUR_LACKING.b);
  for (int i = 0; o.page != nullptr && i < o.page->line_count; i++) {
    report_text_utf8(text, REPORT_TEXT_BYTES, o.page->text[i]);
    // Morph lines end in a line feed of their own.
    size_t len = std::strlen(text);
    if (len > 0 && text[len - 1] == '\n') text[len - 1] = 0;
    report_tool_print_line(out, colour && o.page->colour[i] == lacking, o.page->colour[i], text);
  }
  std::fprintf(out, "%s\n", o.summary.c_str());
  std::string line = "verdict: " + report_verdict_text(o, true);
  uint32_t c = report_verdict_colour(o.verdict);
  report_tool_print_line(out, colour && c != VERDICT_PLAIN, c, line.c_str());
}

// ---- Options ------------------------------------------------------------------------------------------------

// One line on what was wrong and where help is; exit code 2.
static int report_tool_usage_error(FILE* err, const char* what, const char* word) {
  std::fprintf(err, "velmora-report: %s%s\nTry 'velmora-report --help'.\n", what, word);
  return 2;
}

// True when the UTF-16 word w is the ASCII text s.
static bool report_tool_is(const char16_t* w, const char* s) {
  while (*s != 0 && *w == (unsigned char)*s) {
    w++;
    s++;
  }
  return *s == 0 && *w == 0;
}

// Which value-taking option w is, or -1.
static int report_tool_value_option(const char16_t* w) {
  for (int i = 0; i < OPT_VALUE_COUNT; i++) {
    if (report_tool_is(w, TOOL_VALUE_WORDS[i].word)) return i;
  }
  return -1;
}

// Reads the options of argv into opt, and the positions of its file words. Returns 0, -1 after --help
// or --version, or the exit code of a usage error.
static int report_tool_options(FILE* out, FILE* err, int argc, const char16_t* const* argv, ReportOptions* opt) {
  static char word[RUN_WORD * 2];
  bool options_end = false;
  for (int k = 1; k < argc; k++) {
    const char16_t* w = argv[k];
    if (options_end || w[0] != u'-' || w[1] == 0) {
      opt->files.push_back(k);
      continue;
    }
    if (report_tool_is(w, "--")) options_end = true;
    else if (report_tool_is(w, "--help") || report_tool_is(w, "-h")) {
      std::fputs(REPORT_USAGE, out);
      return -1;
    } else if (report_tool_is(w, "--version")) {
      std::fputs("velmora-report " VELMORA_VERSION " (built " VELMORA_BUILD_DATE ")\n", out);
      return -1;
    } else if (report_tool_is(w, "--json")) opt->json = true;
    else if (report_tool_is(w, "--summary")) opt->summary = true;
    else if (report_tool_is(w, "--colour=auto") || report_tool_is(w, "--color=auto")) opt->colour = COLOUR_AUTO;
    else if (report_tool_is(w, "--colour=always") || report_tool_is(w, "--color=always") || report_tool_is(w, "--colour") ||
             report_tool_is(w, "--color")) {
      opt->colour = COLOUR_ALWAYS;
    } else if (report_tool_is(w, "--colour=never") || report_tool_is(w, "--color=never")) opt->colour = COLOUR_NEVER;
    else if (report_tool_is(w, "--no-alias")) opt->no_alias = true;
    else if (report_tool_is(w, "--each-model")) opt->each_model = true;
    else if (report_tool_is(w, "--replace")) opt->replace = true;
    else if (int which = report_tool_value_option(w); which >= 0) {
      if (k + 1 >= argc) return report_tool_usage_error(err, TOOL_VALUE_WORDS[which].needs, "");
      opt->value[which] = argv[++k];
    } else {
      report_text_path_utf8(word, (int)sizeof word, w);
      // An unknown value of --colour is named as such.
      if (std::strncmp(word, "--colour=", 9) == 0 || std::strncmp(word, "--color=", 8) == 0) {
        return report_tool_usage_error(err, "--colour takes auto, always or never, not ", std::strchr(word, '=') + 1);
      }
      return report_tool_usage_error(err, "unknown option ", word);
    }
  }
  if (opt->no_alias && opt->value[OPT_ALIAS] != nullptr) return report_tool_usage_error(err, "--alias and --no-alias together", "");
  if (opt->value[OPT_FONT] != nullptr && opt->value[OPT_PNG] == nullptr) return report_tool_usage_error(err, "--font without --png", "");
  if (opt->summary && opt->each_model) return report_tool_usage_error(err, "--summary and --each-model together", "");
  if (opt->value[OPT_LANG] != nullptr && opt->value[OPT_HTML] == nullptr) return report_tool_usage_error(err, "--lang without --html", "");
  if (const char16_t* lang = opt->value[OPT_LANG]) {
    if (report_tool_is(lang, "ja")) opt->lang = LANG_JA;
    else if (report_tool_is(lang, "en")) opt->lang = LANG_EN;
    else {
      report_text_path_utf8(word, (int)sizeof word, lang);
      return report_tool_usage_error(err, "--lang takes ja or en, not ", word);
    }
  }
  if (opt->files.empty()) return report_tool_usage_error(err, "no file given", "");
  return 0;
}

// ---- The run ------------------------------------------------------------------------------------------------

struct ToolRun {
  FILE* out;
  FILE* err;
  const ReportOptions* opt;
  bool colour;
  bool alias_found;         // run_names_ready read an alias file
  int status;
  bool first;               // no page printed yet
  int position;             // the place in the run of the file checked last, from 1
  int first_model;          // the place of the first model, or 0
  int last_motion;          // the place of the last motion, or 0
  int targeted;             // motions checked against a model
  bool no_model;            // a motion with keys was checked without one
  int model_place;          // the place of the model the motions are checked against, or 0
  std::string model_file;   // its path as the user reads it
  std::string model_error;  // why the model given last could not be read: "x.pmx: cut in ...", or ""
  HtmlRun* html;            // the library page's record with --html, else nullptr
  std::u16string page_dir;  // the page's folder, absolute, for its relative links
  int html_model;           // the place in html->models of the motions' model, or -1
};

// Checks one file, named once here (w; rel the name its fitted copy takes under --fit's directory: the
// file's name for a FILE argument, its relative path under a FOLDER argument), into o. The file opens
// by its own name; the page, the summary, the JSON and standard error name it as the user reads it. A
// model that is read whole becomes the target of the motions after it; one that cannot be read leaves
// them without a model, and says why.
static void report_tool_check(ToolRun& run, const char16_t* w, const char16_t* rel, bool page, FileOutcome* o) {
  static FilePath path;
  run_path_make(&path, w, rel);
  int read = run_check_path(&path, run.alias_found, page);
  report_verdict_of(path, read, ++run.position, page, run.model_error, o);
  if (o->kind != KIND_MODEL) {
    if (o->model.loaded) {
      o->model.place = run.model_place;
      o->model.file = run.model_file;
    }
    // What the model's missing semi-standard bones cost, and with --fit their folds.
    bool posed = report_pose_motion(o, run.opt->value[OPT_FIT] != nullptr);
    if (o->kind == KIND_MOTION) report_pose_keep(posed);
    return;
  }
  report_pose_model(o->verdict == VERDICT_MODEL);
  if (run.html != nullptr) {
    run.html->models.push_back(report_html_model(*o));
    run.html_model = o->verdict == VERDICT_MODEL ? (int)run.html->models.size() - 1 : -1;
  }
  if (o->verdict == VERDICT_MODEL) {
    run.model_place = o->position;
    run.model_file = o->path.shown;
    run.model_error.clear();
    return;
  }
  // A model read in part is no target: the motions after it are checked without one. Its reader's
  // tables stay as they are, so that their pages are velmora.exe's (its name, its colours).
  run.model_place = 0;
  run.model_file.clear();
  run.model_error = o->path.shown + ": " + o->error;
}

// A file's complaint on standard error and its part of the exit code.
static void report_tool_complain(ToolRun& run, const FileOutcome& o) {
  if (!o.error.empty()) std::fprintf(run.err, "velmora-report: %s: %s\n", o.path.shown.c_str(), o.error.c_str());
  if (report_verdict_fails(o.verdict)) run.status = 1;
}

// The files a motion's outcome asks for: its fitted copy (into the folder sub of --fit's, or --fit's
// own for null) and, with picture, its page's picture. A file not written makes the exit code 1; a
// copy's line goes to standard error, or with said to *said.
static void report_tool_files(ToolRun& run, FileOutcome& o, const char16_t* sub, bool picture,
                              std::string* said = nullptr) {
  bool fitting = o.verdict == VERDICT_LACKS || o.verdict == VERDICT_EXTRAS || o.verdict == VERDICT_CUT;
  if (run.opt->value[OPT_FIT] != nullptr && o.kind == KIND_MOTION && fitting &&
      report_fit_motion(run.err, o, sub, &o.fitted, said) != 0) {
    run.status = 1;
  }
  if (picture && o.page != nullptr && report_png_page(run.err, o, &o.picture) != 0) run.status = 1;
}

// What the run does with a file's outcome in the order of the arguments: its line on standard error,
// the exit code, the fitted copy, its page or summary line, and its picture.
static void report_tool_outcome(ToolRun& run, FileOutcome& o) {
  if (o.kind == KIND_MODEL && run.first_model == 0) run.first_model = o.position;
  if (o.kind != KIND_MODEL) run.last_motion = o.position;
  if (o.kind != KIND_MODEL && o.model.loaded) run.targeted++;
  if (o.verdict == VERDICT_NO_MODEL) run.no_model = true;
  report_tool_complain(run, o);
  report_tool_files(run, o, nullptr, run.opt->value[OPT_PNG] != nullptr);
  // The summary prints the file's line, or with --html alone only makes its JSON for the page.
  if (run.opt->summary || run.html != nullptr) report_summary_file(o);
  if (!run.opt->summary && run.opt->json) {
    report_tool_print_json(run.out, o);
  } else if (!run.opt->summary) {
    if (!run.first) std::fputc('\n', run.out);
    report_tool_print_plain(run.out, run.colour, o);
  }
  run.first = false;
  if (run.html != nullptr && o.kind != KIND_MODEL) {
    HtmlMotion m = report_html_motion(o);
    m.cells.push_back(report_html_cell(o, run.html_model, run.page_dir, run.html->lang));
    run.html->motions.push_back(m);
  }
}

// The page is printed, or drawn as a picture; a summary needs none.
static bool report_tool_page(const ToolRun& run) { return !run.opt->summary || run.opt->value[OPT_PNG] != nullptr; }

// One motion or model the run takes, from a FILE argument or from a FOLDER: its path, the name its
// fitted copy takes, and for a folder's part that is not examined, why.
struct ToolEntry {
  std::u16string w;
  std::u16string rel;
  const char* problem;
  int word;  // the list position of the argument it came from
};

// The entries of a FOLDER argument, in order (with models, its models too); what cannot be read is said
// on standard error, and so is what is skipped on purpose (a FIFO, socket or device), which is no
// failure and no motion.
static void report_tool_folder(ToolRun& run, const char16_t* folder, int word, bool models, std::vector<ToolEntry>* out) {
  std::vector<FolderEntry> entries;
  report_folders_expand(folder, &entries, models);
  bool motions = false;
  for (const FolderEntry& e : entries) {
    if (e.problem != nullptr) {
      std::fprintf(run.err, "velmora-report: %s: %s\n", report_text_path(e.path.c_str()).c_str(), e.problem);
      if (e.skipped) continue;
      run.status = 1;
    }
    out->push_back(ToolEntry{e.path, e.rel, e.problem, word});
    motions = true;
  }
  if (!motions) {
    std::fprintf(run.err, "velmora-report: %s: %s\n", report_text_path(folder).c_str(),
                 models ? "no .vmd or .pmx files" : "no .vmd files");
    run.status = 1;
  }
}

// The entries of the file words at the list positions words, folders walked (with models, for their
// models too).
static std::vector<ToolEntry> report_tool_entries(ToolRun& run, const char16_t* const* argv,
                                                  const std::vector<int>& words, bool models) {
  std::vector<ToolEntry> entries;
  for (int k : words) {
    if (report_folders_is(argv[k])) report_tool_folder(run, argv[k], k, models, &entries);
    else entries.push_back(ToolEntry{argv[k], u"", nullptr, k});
  }
  return entries;
}

// An entry in the order of the arguments: checked, or for a part of a folder that was not examined at
// all, an unread entry of the summary (not counted among the run's files).
static void report_tool_entry(ToolRun& run, const ToolEntry& e) {
  static FileOutcome outcome;
  if (e.problem == nullptr) {
    report_tool_check(run, e.w.c_str(), e.rel.c_str(), report_tool_page(run), &outcome);
    report_tool_outcome(run, outcome);
  } else if (run.opt->summary || run.html != nullptr) {
    static FilePath path;
    run_path_make(&path, e.w.c_str(), e.rel.c_str());
    report_verdict_unexamined(path, run.position, e.problem, &outcome);
    report_summary_file(outcome);
    if (run.html != nullptr) {
      HtmlMotion m = report_html_motion(outcome);
      m.cells.push_back(report_html_cell(outcome, run.html_model, run.page_dir, run.html->lang));
      run.html->motions.push_back(m);
    }
  }
}

// One model of --each-model: its own tables, advice and skeleton, kept beside the other models', and
// what the run says of it.
struct ToolModel {
  ModelRecord* tables;  // taken zeroed from the system
  AdviceModel* advice;
  int place;            // what the run's model fields were after its check
  std::string file, error;
  std::u16string stem;  // the folder its fitted copies go into: the model file's name without extension
  std::string said;     // its lines for standard error, said after the motions' (the order of a pass per model)
};

// Makes model m the one the check, the advice and the pose engine use, and the run's model.
static void report_tool_use_model(ToolRun& run, const ToolModel& model, int m) {
  model_use(model.tables);
  advice_use(model.advice);
  report_pose_use(m);
  run.model_place = model.place;
  run.model_file = model.file;
  run.model_error = model.error;
}

// Checks the models first..end-1 into records of their own (as many as memory holds, at least one): how
// many were checked.
static size_t report_tool_each_models(ToolRun& run, const std::vector<ToolEntry>& given,
                                      const std::vector<std::u16string>& folders, size_t first,
                                      std::vector<ToolModel>& models, std::vector<FileOutcome>& outcomes) {
  size_t m = first;
  for (; m < given.size(); m++) {
    ToolModel& model = models[m];
    model.tables = static_cast<ModelRecord*>(std::calloc(1, sizeof(ModelRecord)));
    model.advice = static_cast<AdviceModel*>(std::calloc(1, sizeof(AdviceModel)));
    if ((model.tables == nullptr || model.advice == nullptr) && m > first) {
      std::free(model.tables);
      std::free(model.advice);
      model.tables = nullptr;
      model.advice = nullptr;
      break;  // the models after it wait for the next round
    }
    report_tool_use_model(run, model, (int)m);
    run.position = 0;
    FileOutcome& o = outcomes[m];
    report_tool_check(run, given[m].w.c_str(), nullptr, false, &o);
    report_pose_model_now();
    o.position = (int)m + 1;
    if (m == 0) {
      report_tool_complain(run, o);
    } else {
      if (!o.error.empty()) model.said += "velmora-report: " + o.path.shown + ": " + o.error + "\n";
      if (report_verdict_fails(o.verdict)) run.status = 1;
    }
    model.place = run.model_place;
    model.file = run.model_file;
    model.error = run.model_error;
    // The fitted copies for this model go into a folder of their own (report_fit_model_folders).
    model.stem = folders[m];
  }
  return m - first;
}

// Every motion against the models first..end-1 (checked by report_tool_each_models): each motion read
// once, then its outcome against each model in turn (the names, the advice, the costs and folds of
// each), into cells.
static void report_tool_each_motions(ToolRun& run, const std::vector<ToolEntry>& entries, size_t first, size_t end,
                                     std::vector<ToolModel>& models, const std::vector<FileOutcome>& outcomes,
                                     std::vector<std::vector<FileOutcome>>& cells) {
  report_pose_keep(true);
  run.position = 1;
  static FilePath path;
  for (size_t e = 0; e < entries.size(); e++) {
    if (entries[e].problem != nullptr) {
      run_path_make(&path, entries[e].w.c_str(), entries[e].rel.c_str());
      for (size_t m = first; m < end; m++) report_verdict_unexamined(path, 0, entries[e].problem, &cells[e][m]);
      continue;
    }
    int read = RUN_NO_READER;
    bool posed = false;
    for (size_t m = first; m < end; m++) {
      FileOutcome& o = cells[e][m];
      report_tool_use_model(run, models[m], (int)m);
      bool picture = m == 0 && run.opt->value[OPT_PNG] != nullptr;
      if (m == first) {
        // The one read of the motion (with the first model's page when it is drawn).
        run_path_make(&path, entries[e].w.c_str(), entries[e].rel.c_str());
        read = run_check_path(&path, run.alias_found, picture);
        ++run.position;
      }
      report_verdict_of(path, read, run.position, picture, run.model_error, &o);
      if (o.model.loaded) {
        o.model.place = run.model_place;
        o.model.file = run.model_file;
      }
      posed = report_pose_motion(&o, run.opt->value[OPT_FIT] != nullptr) || posed;
      o.model.place = outcomes[m].verdict == VERDICT_MODEL ? outcomes[m].position : 0;
      // A motion's fault is said once, with the first model.
      if (m == 0 && !o.error.empty()) std::fprintf(run.err, "velmora-report: %s: %s\n", o.path.shown.c_str(), o.error.c_str());
      if (report_verdict_fails(o.verdict)) run.status = 1;
      report_tool_files(run, o, models[m].stem.c_str(), picture, m == 0 ? nullptr : &models[m].said);
      o.page = nullptr;  // the page is the check's until the next file
    }
    if (cells[e][first].kind == KIND_MOTION) report_pose_keep(posed);
  }
}

// Every model against every motion: the models read once each, into tables of their own beside each
// other; then each motion read once and checked against every model in turn; the summary then puts the
// outcomes side by side. Standard error says what a pass per model would say, in its order: the first
// model's line, the motions' faults and the first model's files, then each other model's line and files.
// Pictures are drawn against the first model. Models that memory cannot hold at once wait for another
// round over the motions.
static void report_tool_each_model(ToolRun& run, const std::vector<ToolEntry>& given,
                                   const std::vector<std::u16string>& folders, const std::vector<ToolEntry>& entries) {
  std::vector<FileOutcome> model_outcomes(given.size());
  std::vector<ToolModel> models(given.size());
  std::vector<std::vector<FileOutcome>> cells(entries.size(), std::vector<FileOutcome>(given.size()));
  for (size_t first = 0; first < given.size();) {
    size_t end = first + report_tool_each_models(run, given, folders, first, models, model_outcomes);
    report_tool_each_motions(run, entries, first, end, models, model_outcomes, cells);
    for (size_t m = first; m < end; m++) {
      std::free(models[m].tables);
      std::free(models[m].advice);
      models[m].tables = nullptr;
      models[m].advice = nullptr;
    }
    first = end;
  }
  // The run's own records again.
  model_use(nullptr);
  advice_use(nullptr);
  report_pose_use(0);
  for (const ToolModel& m : models) std::fputs(m.said.c_str(), run.err);
  report_summary_models(model_outcomes);
  for (const std::vector<FileOutcome>& row : cells) report_summary_cells(row);
  if (run.html == nullptr) return;
  run.html->each_model = true;
  run.html->models.clear();
  for (const FileOutcome& m : model_outcomes) run.html->models.push_back(report_html_model(m));
  for (const std::vector<FileOutcome>& row : cells) {
    if (row.empty()) continue;
    HtmlMotion m = report_html_motion(row[0]);
    for (size_t i = 0; i < row.size(); i++) m.cells.push_back(report_html_cell(row[i], (int)i, run.page_dir, run.html->lang));
    run.html->motions.push_back(m);
  }
}

// The page's language without --lang: the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty, read as a string ("ja..." Japanese, anything else English) on every platform, whether or not
// the system has that locale; without any of them, the user's language as the system gives it.
static ToolLang report_tool_page_lang() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != 0) return std::strncmp(value, "ja", 2) == 0 ? LANG_JA : LANG_EN;
  }
  return run_settings()->japanese ? LANG_JA : LANG_EN;
}

// The names the copies of the motions among entries take under --fit's directory, made so that no two
// meet (report_fit_unique): into each entry's rel. 0, or 2 with a line on standard error.
static int report_tool_fit_names(ToolRun& run, const char16_t* const* argv, const std::vector<bool>& is_model,
                                 std::vector<ToolEntry>* entries) {
  std::vector<FitName> names;
  std::vector<size_t> at;
  for (size_t i = 0; i < entries->size(); i++) {
    const ToolEntry& e = (*entries)[i];
    if (is_model[i] || e.problem != nullptr) continue;
    // A FILE's copy takes its name, as run_path_make names it.
    bool folder = !e.rel.empty();
    std::u16string name(e.w.size() + 1, u'\0');
    if (!folder) path_name_w(name.data(), (int)name.size(), e.w.c_str());
    name.resize(std::char_traits<char16_t>::length(name.c_str()));
    names.push_back(FitName{folder ? e.rel : name, e.word, folder ? argv[e.word] : e.w, folder, report_text_path(e.w.c_str())});
    at.push_back(i);
  }
  if (report_fit_unique(run.err, &names) != 0) return 2;
  for (size_t k = 0; k < at.size(); k++) (*entries)[at[k]].rel = names[k].rel;
  return 0;
}

// The local date and time of the run, "YYYY-MM-DD HH:MM".
static std::string report_tool_now() {
  std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* t = std::localtime(&now)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", t);
  return text;
}

// Writes the library page to page, whole or not at all (replacing an earlier file only with --replace).
// 0, or 1 with a line on err.
static int report_tool_write_page(ToolRun& run, const char16_t* page) {
  static ReportNewFile file;
  const char* problem = nullptr;
  // Its folders are made as a fitted copy's are.
  int opened = path_make_folders_w(page) != 0 ? REPORT_FILE_FAILED : report_files_open(&file, page, run.opt->replace);
  if (opened != REPORT_FILE_DONE) {
    problem = report_files_problem(opened, true);
  } else {
    int written = report_html_write(file.f, *run.html);
    int closed = report_files_close(&file, written == 0);
    if (written == 2) problem = "the run has more models than a page shows";
    else if (closed != REPORT_FILE_DONE) problem = report_files_problem(closed, true);
  }
  if (problem == nullptr) return 0;
  std::fprintf(run.err, "velmora-report: cannot write %s: %s\n", report_text_path(page).c_str(), problem);
  return 1;
}

// True when the file word w names a model by its extension (a folder never does).
static bool report_tool_names_model(const char16_t* w) {
  char16_t ext[RUN_PATH];
  ext[0] = 0;
  if (utf16_length(w) < RUN_PATH) path_ext_w(ext, RUN_PATH, w);
  return prefix_nocase_w(ext, u".PMX") == 0 && !report_folders_is(w);
}

// The run. A drop prints the summary (it has no option words to say otherwise) and checks every dropped
// model against every dropped motion, whatever order Explorer gave them in: with one model, the
// familiar summary with the model first; with two or more, the table of every model against every
// motion.
static int report_tool_run_files(FILE* out, FILE* err, int argc, const char16_t* const* argv, bool dropped,
                                 std::u16string* drop_page) {
  ReportOptions opt{};
  opt.summary = dropped;
  int usage = report_tool_options(out, err, argc, argv, &opt);
  if (usage != 0) return usage < 0 ? 0 : usage;
  run_language(sys_user_lang(), sys_is_dbcs_lead(0x92), sys_console_output_cp());

  // The alias file: --alias FILE, or alias.ini beside the program; the name lists once for the run.
  static char alias[RUN_WORD * 2];
  static char16_t alias_w[RUN_WORD];
  const char* alias_a = nullptr;
  const char16_t* alias_u = nullptr;
  if (opt.value[OPT_ALIAS] != nullptr) {
    utf16_copy(alias_w, RUN_WORD, opt.value[OPT_ALIAS]);
    sys_ansi_from_utf16(alias, (int)sizeof alias, alias_w);
    alias_a = alias;
    alias_u = alias_w;
  } else if (!opt.no_alias) {
    char16_t self[RUN_PATH];
    if (sys_program_path_w(self, RUN_PATH) > 0) {
      path_dir_w(alias_w, RUN_PATH - 10, self);
      utf16_append(alias_w, RUN_PATH, u"alias.ini");
      utf16_to_sjis(alias, (int)sizeof alias, alias_w);
      alias_a = alias;
      alias_u = alias_w;
    }
  }
  ToolRun run = {out, err, &opt, false, run_names_ready(alias_a, alias_u), 0, true, 0, 0, 0, 0, false, 0, "", "", nullptr, u"", -1};
  // A run starts without a model, whatever an earlier run in the process read.
  model_clear();

  if (opt.value[OPT_FIT] != nullptr && report_fit_start(err, opt.value[OPT_FIT], opt.replace) != 0) return 2;
  // Colour where asked, or on a terminal unless NO_COLOR is set and not empty.
  const char* no_colour = std::getenv("NO_COLOR");
  bool quiet = no_colour != nullptr && no_colour[0] != 0;
  run.colour = opt.colour == COLOUR_ALWAYS || (opt.colour == COLOUR_AUTO && !quiet && sys_is_terminal(out));
  // The files: a FOLDER's motions, and with --each-model its models too; every model against every
  // motion with --each-model (and for a drop of two models or more).
  std::vector<ToolEntry> entries = report_tool_entries(run, argv, opt.files, opt.each_model), models, motions;
  std::vector<bool> is_model;
  for (const ToolEntry& e : entries) is_model.push_back(e.problem == nullptr && report_tool_names_model(e.w.c_str()));
  // With --fit, every copy's name is its own before anything is written.
  if (opt.value[OPT_FIT] != nullptr && report_tool_fit_names(run, argv, is_model, &entries) != 0) return 2;
  std::vector<std::u16string> model_paths, model_folders;
  for (size_t i = 0; i < entries.size(); i++) {
    (is_model[i] ? models : motions).push_back(entries[i]);
    if (is_model[i]) model_paths.push_back(entries[i].w);
  }
  bool each = (opt.each_model || (dropped && models.size() >= 2)) && !models.empty();
  model_folders = model_paths;  // without --fit, never used
  if (opt.value[OPT_FIT] != nullptr && each && report_fit_model_folders(err, model_paths, &model_folders) != 0) return 2;
  // The pictures' font and directory, before any file is checked (and after every check that writes
  // nothing).
  if (opt.value[OPT_PNG] != nullptr) {
    if (report_png_start(err, opt.value[OPT_PNG], opt.value[OPT_FONT]) != 0) return 2;
  }
  // The library page: its record, and the run's JSON Lines for it, whatever the run prints.
  static HtmlRun html;
  html = HtmlRun{};
  // A drop writes its page into the temporary folder.
  const char16_t* page = opt.value[OPT_HTML];
  if (dropped && page == nullptr && sys_stdin_console() && report_drop_page(drop_page) == 0) page = drop_page->c_str();
  if (page != nullptr) {
    if (report_html_page_dir(page, &run.page_dir) != 0) {
      std::fprintf(err, "velmora-report: cannot write %s: its folder cannot be had\n", report_text_path(page).c_str());
      drop_page->clear();
      return 2;
    }
    run.html = &html;
    html.lang = opt.value[OPT_LANG] != nullptr ? opt.lang : report_tool_page_lang();
    html.version = VELMORA_VERSION;
    html.date = report_tool_now();
  }
  bool summarise = opt.summary || each;
  if (summarise || run.html != nullptr) {
    report_summary_begin(summarise ? out : nullptr, opt.json, run.colour, run.html != nullptr ? &html.json : nullptr);
  }
  if (each) {
    report_tool_each_model(run, models, model_folders, motions);
  } else {
    // A drop takes its one model first; every other run keeps the order of the arguments.
    if (dropped && models.size() == 1) {
      entries = models;
      entries.insert(entries.end(), motions.begin(), motions.end());
    }
    for (const ToolEntry& e : entries) report_tool_entry(run, e);
  }
  if (summarise || run.html != nullptr) report_summary_end();
  if (run.html != nullptr && report_tool_write_page(run, page) != 0) {
    run.status = 1;
    if (drop_page != nullptr) drop_page->clear();
  }
  // A model colours only the motions after it: say so when every model came after the last motion. A
  // run that was given models and checked no motion against one failed at what it was asked.
  if (!each && run.first_model > run.last_motion && run.last_motion > 0) {
    std::fputs("velmora-report: hint: a model colours only the motions after it, and every model here came "
               "after the last motion; give the model first (or --each-model)\n",
               err);
  }
  if (!each && run.first_model > 0 && run.no_model && run.targeted == 0) run.status = 1;
  std::fflush(out);
  return run.status;
}

int report_tool_run(FILE* out, FILE* err, int argc, const char16_t* const* argv) {
  // Files dropped on the program in Explorer: the summary, and a window that stays until a key.
  bool dropped = report_drop_mode(argc, argv);
  std::u16string page;
  int code = report_tool_run_files(out, err, argc, argv, dropped, &page);
  if (dropped) report_drop_wait(out, page);
  return code;
}
