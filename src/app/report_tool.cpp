// report_tool.cpp: velmora-report, the command-line twin of velmora.exe. Runs the same per-file loop
// (names, kind, alias file, readers, report page, summary) without windows or dialogs, as velmora.exe
// does with -ND2, and prints every page as UTF-8 text or as one JSON object per file, or with --summary
// one line per file. A FOLDER argument stands for the motions under it (report_folders.h). Files dropped
// on the program in Explorer get the summary and a window that waits for a key (report_drop.h).
//
//   velmora-report [--summary] [--json] [--colour[=WHEN]] [--alias FILE | --no-alias] [--fit DIR]
//                  [--png DIR [--font FILE]] FILE|FOLDER...
//
// Exit codes: 0 every motion fits or was checked without a model; 1 a motion lacks names, a file was
// cut or could not be read (its report is still printed, with one line on standard error), a FOLDER
// held no motion, or a copy or picture could not be written; 2 a usage error, or a font, a picture
// directory or a copy directory that cannot be had.
// Records: the tool's options, set once per run.
#include "app/report_tool.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_drop.h"
#include "app/report_fit.h"
#include "app/report_folders.h"
#include "app/report_png.h"
#include "app/report_summary.h"
#include "app/report_text.h"
#include "app/report_verdict.h"
#include "app/run.h"
#include "check/report_page.h"
#include "check/summary.h"
#include "formats/filechan.h"
#include "paths/paths.h"
#include "sys/sys.h"
#include "text/encoding.h"

static const char REPORT_USAGE[] =
    "usage: velmora-report [--summary] [--json] [--colour[=WHEN]] [--alias FILE | --no-alias] [--fit DIR]\n"
    "                      " REPORT_PNG_SYNOPSIS "FILE|FOLDER...\n"
    "  Checks MMD motions (.vmd) and models (.pmx) as velmora.exe does and prints each report page and\n"
    "  its verdict. A model is the target of the motions after it. A FOLDER stands for the .vmd files\n"
    "  under it.\n"
    "  --summary         one line per file instead of its page: a motion's verdict (fits, lacks N bones,\n"
    "                    M morphs, no model, cut, unread), its bone and morph keys, the bones and morphs\n"
    "                    its page lists, its last frame, the names the model lacks with advice; a\n"
    "                    model's name and counts; then the totals\n"
    "  --json            one JSON object per file: file, kind, read, verdict, error, cut, fitted, lines\n"
    "                    ([colour, text]), summary; with --summary the summary's fields, then one\n"
    "                    totals object\n"
    "  --colour[=WHEN]   colour the lines (the verdicts) with 24-bit terminal escapes: auto (a terminal),\n"
    "                    always (the same as --colour alone), never; --color is the same option\n"
    "  --alias FILE      read the alias file FILE instead of alias.ini beside the program\n"
    "  --no-alias        read no alias file\n"
    "  --fit DIR         for every motion whose lacking names are the model's names under another\n"
    "                    spelling, an English name or another rig's name, write a copy that uses the\n"
    "                    model's names: DIR/NAME, or DIR/PATH for a motion under a FOLDER; an existing\n"
    "                    file is never replaced\n"
    REPORT_PNG_USAGE
    "  --version         show the version and the build date\n"
    "  --help            show this text\n"
    "Exit code: 0 every motion fits or was checked without a model; 1 a motion lacks names, a file was\n"
    "cut or could not be read, a FOLDER held no motion, or a copy or picture could not be written; 2 a\n"
    "usage error (or no font or directory for the pictures, or no directory for the copies).\n";

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unknown"
#endif
#ifndef VELMORA_BUILD_DATE
#define VELMORA_BUILD_DATE "unknown"
#endif

enum ReportColour { COLOUR_AUTO, COLOUR_ALWAYS, COLOUR_NEVER };

struct ReportOptions {
  bool summary;
  bool json;
  ReportColour colour;
  bool no_alias;
  int alias_word;  // list position of --alias's FILE, or 0
  int png_word;    // list position of --png's DIR, or 0
  int font_word;   // list position of --font's FILE, or 0
  int fit_word;    // list position of --fit's DIR, or 0
};

constexpr int TOOL_WORD = 4096;  // units of a word that are used; no file name is that long

// ---- Output -----------------------------------------------------------------------------------------------

static void tool_json_string(FILE* out, const char* s) { std::fputs(report_tool_json(s).c_str(), out); }

static std::string tool_json_or_null(const std::string& s) {
  return s.empty() ? std::string("null") : report_tool_json(s.c_str());
}

static void tool_print_json(FILE* out, const char* arg_utf8, const FileState* fs, const FileOutcome& o) {
  static char text[REPORT_TOOL_TEXT];
  const ReportPage* page = report_view();
  std::fputs("{\"file\":", out);
  tool_json_string(out, arg_utf8);
  std::fprintf(out, ",\"kind\":\"%s\",\"read\":", verdict_kind_word(o.kind));
  if (fs->read_result == RUN_NO_READER) std::fputs("null", out);
  else std::fprintf(out, "%d", fs->read_result);
  std::fprintf(out, ",\"verdict\":\"%s\",\"error\":%s,\"cut\":%s,\"fitted\":%s", verdict_word(o.verdict),
               tool_json_or_null(o.error).c_str(), verdict_cut_json(o).c_str(), tool_json_or_null(o.fitted).c_str());
  std::fputs(",\"lines\":[", out);
  for (int i = 0; i < page->line_count; i++) {
    uint32_t c = page->colour[i];
    std::fprintf(out, "%s[\"#%02x%02x%02x\",", i ? "," : "", (unsigned)(c & 0xFF), (unsigned)(c >> 8 & 0xFF),
                 (unsigned)(c >> 16 & 0xFF));
    report_tool_utf8(text, REPORT_TOOL_TEXT, page->text[i]);
    tool_json_string(out, text);
    std::fputc(']', out);
  }
  std::fputs("],\"summary\":", out);
  report_tool_utf8(text, REPORT_TOOL_TEXT, summary_text());
  tool_json_string(out, text);
  std::fputs("}\n", out);
}

// Text in a colour (red, green, blue packed as the page packs them), or plain.
static void tool_print_line(FILE* out, bool colour, uint32_t c, const char* text) {
  if (colour && text[0] != 0) report_tool_put_coloured(out, c, text);
  else std::fputs(text, out);
  std::fputc('\n', out);
}

// The page as velmora.exe shows it, its summary text, then velmora-report's verdict line.
static void tool_print_plain(FILE* out, bool colour, const FileOutcome& o) {
  static char text[REPORT_TOOL_TEXT];
  const ReportPage* page = report_view();
  for (int i = 0; i < page->line_count; i++) {
    report_tool_utf8(text, REPORT_TOOL_TEXT, page->text[i]);
    // Morph lines end in a line feed of their own.
    size_t len = std::strlen(text);
    if (len > 0 && text[len - 1] == '\n') text[len - 1] = 0;
    tool_print_line(out, colour, page->colour[i], text);
  }
  report_tool_utf8(text, REPORT_TOOL_TEXT, summary_text());
  std::fprintf(out, "%s\n", text);
  std::string line = "verdict: " + verdict_text(o);
  tool_print_line(out, colour, verdict_colour(o.verdict), line.c_str());
}

// ---- Options ------------------------------------------------------------------------------------------------

// One line on what was wrong and where help is; exit code 2.
static int tool_usage_error(FILE* err, const char* what, const char* word) {
  std::fprintf(err, "velmora-report: %s%s\nTry 'velmora-report --help'.\n", what, word);
  return 2;
}

// True when the UTF-16 word w is the ASCII text s.
static bool tool_is(const char16_t* w, const char* s) {
  while (*s != 0 && *w == (unsigned char)*s) {
    w++;
    s++;
  }
  return *s == 0 && *w == 0;
}

// The words that take the next word as their value.
static bool tool_takes_value(const char16_t* w) {
  return tool_is(w, "--alias") || tool_is(w, "--png") || tool_is(w, "--font") || tool_is(w, "--fit");
}

// Reads the options of argv into opt. Returns 0, -1 after --help or --version, or the exit code of a
// usage error.
static int tool_options(FILE* out, FILE* err, int argc, const char16_t* const* argv, ReportOptions* opt) {
  static char word[TOOL_WORD * 2];
  int files = 0;
  bool options_end = false;
  for (int k = 1; k < argc; k++) {
    const char16_t* w = argv[k];
    if (options_end || w[0] != u'-' || w[1] == 0) {
      files++;
      continue;
    }
    if (tool_is(w, "--")) options_end = true;
    else if (tool_is(w, "--help") || tool_is(w, "-h")) {
      std::fputs(REPORT_USAGE, out);
      return -1;
    } else if (tool_is(w, "--version")) {
      std::fputs("velmora-report " VELMORA_VERSION " (built " VELMORA_BUILD_DATE ")\n", out);
      return -1;
    } else if (tool_is(w, "--json")) opt->json = true;
    else if (tool_is(w, "--summary")) opt->summary = true;
    else if (tool_is(w, "--colour=auto") || tool_is(w, "--color=auto")) opt->colour = COLOUR_AUTO;
    else if (tool_is(w, "--colour=always") || tool_is(w, "--color=always") || tool_is(w, "--colour") ||
             tool_is(w, "--color")) {
      opt->colour = COLOUR_ALWAYS;
    } else if (tool_is(w, "--colour=never") || tool_is(w, "--color=never")) opt->colour = COLOUR_NEVER;
    else if (tool_is(w, "--no-alias")) opt->no_alias = true;
    else if (tool_takes_value(w)) {
      static const char* const NEEDS[] = {"--alias needs a file", "--png needs a directory", "--font needs a file",
                                          "--fit needs a directory"};
      int which = tool_is(w, "--alias") ? 0 : tool_is(w, "--png") ? 1 : tool_is(w, "--font") ? 2 : 3;
      if (k + 1 >= argc) return tool_usage_error(err, NEEDS[which], "");
      int* slot[] = {&opt->alias_word, &opt->png_word, &opt->font_word, &opt->fit_word};
      *slot[which] = ++k;
    } else {
      report_tool_path_utf8(word, (int)sizeof word, w);
      // An unknown value of --colour is named as such.
      if (std::strncmp(word, "--colour=", 9) == 0 || std::strncmp(word, "--color=", 8) == 0) {
        return tool_usage_error(err, "--colour takes auto, always or never, not ", std::strchr(word, '=') + 1);
      }
      return tool_usage_error(err, "unknown option ", word);
    }
  }
  if (opt->no_alias && opt->alias_word != 0) return tool_usage_error(err, "--alias and --no-alias together", "");
  if (opt->font_word != 0 && opt->png_word == 0) return tool_usage_error(err, "--font without --png", "");
  if (files == 0) return tool_usage_error(err, "no file given", "");
  return 0;
}

// Position of the first file word at or after k (as tool_options tells files from options), or argc.
static int tool_next_file(int argc, const char16_t* const* argv, int k, bool* options_end) {
  for (; k < argc; k++) {
    const char16_t* w = argv[k];
    if (*options_end || w[0] != u'-' || w[1] == 0) return k;
    if (tool_is(w, "--")) *options_end = true;
    else if (tool_takes_value(w)) k++;
  }
  return argc;
}

// ---- The run ------------------------------------------------------------------------------------------------

struct ToolRun {
  FILE* out;
  FILE* err;
  const ReportOptions* opt;
  bool colour;
  const char* alias;       // the alias file's paths, or nullptr
  const char16_t* alias_w;
  int status;
  bool first;              // no page printed yet
  int position;            // the place in the run of the file checked last, from 1
  int first_model;         // the place of the first model, or 0
  int last_motion;         // the place of the last motion, or 0
};

// Checks one file and prints its page or its summary line. rel is the name its fitted copy takes under
// --fit's directory: the file's name for a FILE argument, its relative path under a FOLDER argument.
// The file opens by its own name; the page, the summary, the JSON and standard error name it as the
// user reads it.
static void tool_file(ToolRun& run, const char16_t* path_w, const char16_t* rel) {
  static char16_t name_w[TOOL_WORD];
  static char16_t shown_w[TOOL_WORD];
  static char name[TOOL_WORD * 2];
  static char shown_line[TOOL_WORD * 2];
  static char path[TOOL_WORD * 3];
  static FileOutcome outcome;
  utf16_copy(name_w, TOOL_WORD, path_w);
  sys_ansi_from_utf16(name, (int)sizeof name, name_w);
  run_file_names_of(name, name_w);
  sys_shown_name_w(shown_w, TOOL_WORD, name_w);
  if (std::u16string_view(shown_w) != std::u16string_view(name_w)) {
    utf16_to_sjis(shown_line, (int)sizeof shown_line, shown_w);
    run_set_path_line(shown_line);
  }
  run_check(run.alias, run.alias_w);
  const FileState* fs = run_file();
  report_tool_path_utf8(path, (int)sizeof path, name_w);
  verdict_of(fs, &outcome);
  run.position++;
  if (outcome.kind == KIND_MODEL && run.first_model == 0) run.first_model = run.position;
  if (outcome.kind != KIND_MODEL) run.last_motion = run.position;
  if (!outcome.error.empty()) std::fprintf(run.err, "velmora-report: %s: %s\n", path, outcome.error.c_str());
  // A motion that does not fit, or a file not read whole, shows in the exit code.
  if (outcome.verdict == VERDICT_LACKS || outcome.verdict == VERDICT_CUT || outcome.verdict == VERDICT_UNREAD) {
    run.status = 1;
  }
  if (run.opt->fit_word != 0 && outcome.kind == KIND_MOTION &&
      (outcome.verdict == VERDICT_LACKS || outcome.verdict == VERDICT_CUT) &&
      report_fit_motion(run.err, fs, rel, outcome.advice, &outcome.fitted) != 0) {
    run.status = 1;
  }
  if (run.opt->summary) {
    summary_file(path, fs, outcome);
  } else if (run.opt->json) {
    tool_print_json(run.out, path, fs, outcome);
  } else {
    if (!run.first) std::fputc('\n', run.out);
    tool_print_plain(run.out, run.colour, outcome);
  }
  run.first = false;
  if (run.opt->png_word != 0 && report_png_page(run.err, run.position, path_w) != 0) run.status = 1;
}

// A FOLDER argument: each motion under it, in order; what cannot be read is said on standard error, and
// so is what is skipped on purpose (a FIFO, socket or device), which is no failure and no motion.
static void tool_folder(ToolRun& run, const char16_t* folder) {
  static char path[TOOL_WORD * 3];
  std::vector<FolderEntry> entries;
  folder_expand(folder, &entries);
  // Every entry's path is the folder's, a separator unless it ends in one, and its relative path.
  size_t base = std::char_traits<char16_t>::length(folder);
  if (base > 0 && folder[base - 1] != u'/' && folder[base - 1] != u'\\') base++;
  bool motions = false;
  for (const FolderEntry& e : entries) {
    if (e.problem == nullptr) {
      tool_file(run, e.path.c_str(), e.path.size() > base ? e.path.c_str() + base : e.path.c_str());
      motions = true;
      continue;
    }
    report_tool_path_utf8(path, (int)sizeof path, e.path.c_str());
    std::fprintf(run.err, "velmora-report: %s: %s\n", path, e.problem);
    if (e.skipped) continue;
    motions = true;
    run.status = 1;
    if (run.opt->summary) summary_unexamined(path, e.problem);
  }
  if (!motions) {
    report_tool_path_utf8(path, (int)sizeof path, folder);
    std::fprintf(run.err, "velmora-report: %s: no .vmd files\n", path);
    run.status = 1;
  }
}

// The run; a drop prints the summary (it has no option words to say otherwise).
static int tool_run(FILE* out, FILE* err, int argc, const char16_t* const* argv, bool dropped) {
  ReportOptions opt = {dropped, false, COLOUR_AUTO, false, 0, 0, 0, 0};
  int usage = tool_options(out, err, argc, argv, &opt);
  if (usage != 0) return usage < 0 ? 0 : usage;
  run_language(sys_user_lang(), sys_is_dbcs_lead(0x92), sys_console_output_cp());

  // The alias file: --alias FILE, or alias.ini beside the program.
  static char alias[TOOL_WORD * 2];
  static char16_t alias_w[TOOL_WORD];
  ToolRun run = {out, err, &opt, false, nullptr, nullptr, 0, true, 0, 0, 0};
  if (opt.alias_word != 0) {
    utf16_copy(alias_w, TOOL_WORD, argv[opt.alias_word]);
    sys_ansi_from_utf16(alias, (int)sizeof alias, alias_w);
    run.alias = alias;
    run.alias_w = alias_w;
  } else if (!opt.no_alias) {
    char16_t self[RUN_PATH];
    if (sys_program_path_w(self, RUN_PATH) > 0) {
      path_dir_w(alias_w, RUN_PATH - 10, self);
      utf16_append(alias_w, RUN_PATH, u"alias.ini");
      utf16_to_sjis(alias, (int)sizeof alias, alias_w);
      run.alias = alias;
      run.alias_w = alias_w;
    }
  }

  if (opt.fit_word != 0 && report_fit_start(err, argv[opt.fit_word]) != 0) return 2;
  // The pictures' font and directory, before any file is checked.
  if (opt.png_word != 0) {
    const char16_t* font = opt.font_word != 0 ? argv[opt.font_word] : nullptr;
    if (report_png_start(err, argv[opt.png_word], font) != 0) return 2;
  }

  run.colour = opt.colour == COLOUR_ALWAYS || (opt.colour == COLOUR_AUTO && sys_is_terminal(out));
  if (opt.summary) summary_begin(out, opt.json, run.colour);
  bool options_end = false;
  for (int k = tool_next_file(argc, argv, 1, &options_end); k < argc;
       k = tool_next_file(argc, argv, k + 1, &options_end)) {
    if (folder_is(argv[k])) {
      tool_folder(run, argv[k]);
    } else {
      static char16_t name[TOOL_WORD];
      name[0] = 0;
      if (utf16_length(argv[k]) < TOOL_WORD) path_name_w(name, TOOL_WORD, argv[k]);
      tool_file(run, argv[k], name);
    }
  }
  if (opt.summary) summary_end();
  // A model colours only the motions after it: say so when every model came after the last motion.
  if (run.first_model > run.last_motion && run.last_motion > 0) {
    std::fputs("velmora-report: hint: a model colours only the motions after it, and every model here came "
               "after the last motion; give the model first\n",
               err);
  }
  std::fflush(out);
  return run.status;
}

int report_tool_run(FILE* out, FILE* err, int argc, const char16_t* const* argv) {
  // Files dropped on the program in Explorer: the summary, and a window that stays until a key.
  bool dropped = report_drop_mode(argc, argv);
  int code = tool_run(out, err, argc, argv, dropped);
  if (dropped) report_drop_wait(out);
  return code;
}
