// report_tool.cpp: velmora-report, the command-line twin of velmora.exe. Runs the same per-file loop
// (names, kind, alias file, readers, report page, summary) without windows or dialogs, as velmora.exe
// does with -ND2, and prints every page as UTF-8 text or as one JSON object per file, or with --summary
// one line per file. A FOLDER argument stands for the motions under it (report_folders.h).
//
//   velmora-report [--summary] [--json] [--colour=auto|always|never] [--alias FILE | --no-alias]
//                  [--png DIR [--font FILE]] FILE|FOLDER...
//
// Exit codes: 0 every file was read, 1 a file could not be read or was not of its format (its report
// is still printed, with one line on standard error) or its picture could not be written, 2 a usage
// error, or with --png a font that cannot be loaded or a directory that cannot be made.
// Records: the tool's options, set once per run.
#include "app/report_tool.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/report_folders.h"
#include "app/report_png.h"
#include "app/report_summary.h"
#include "app/report_text.h"
#include "app/run.h"
#include "check/report_page.h"
#include "check/summary.h"
#include "formats/filechan.h"
#include "sys/sys.h"
#include "text/encoding.h"
#include "paths/paths.h"

static const char REPORT_USAGE[] =
    "usage: velmora-report [--summary] [--json] [--colour=auto|always|never] [--alias FILE | --no-alias]\n"
    "                      " REPORT_PNG_SYNOPSIS "FILE|FOLDER...\n"
    "  Checks MMD motions (.vmd) and models (.pmx) as velmora.exe does and prints each report page. A\n"
    "  model is the target of the motions after it. A FOLDER stands for the .vmd files under it.\n"
    "  --summary         one line per file instead of its page: a motion's verdict (fits, lacks N bones,\n"
    "                    M morphs, no model, unread), its bone and morph keys, the bones and morphs its\n"
    "                    page lists, its last frame and the names the model lacks; a model's name and\n"
    "                    counts; then the totals\n"
    "  --json            one JSON object per file: file, kind, read, lines ([colour, text]), summary;\n"
    "                    with --summary the summary's fields, then one totals object\n"
    "  --colour=WHEN     colour the lines (the verdicts) with 24-bit terminal escapes: auto (a\n"
    "                    terminal), always, never\n"
    "  --alias FILE      read the alias file FILE instead of alias.ini beside the program\n"
    "  --no-alias        read no alias file\n"
    REPORT_PNG_USAGE
    "  --help            show this text\n"
    "Exit code: 0 every file was read, 1 a file could not be read or was not of its format (or its\n"
    "picture not written), 2 usage (or no font or directory for the pictures).\n";

enum ReportColour { COLOUR_AUTO, COLOUR_ALWAYS, COLOUR_NEVER };

struct ReportOptions {
  bool summary;
  bool json;
  ReportColour colour;
  bool no_alias;
  int alias_word;  // list position of --alias's FILE, or 0
  int png_word;    // list position of --png's DIR, or 0
  int font_word;   // list position of --font's FILE, or 0
};

constexpr int TOOL_WORD = 4096;  // units of a word that are used; no file name is that long

// ---- Output -----------------------------------------------------------------------------------------------

static void tool_json_string(FILE* out, const char* s) { std::fputs(report_tool_json(s).c_str(), out); }


static void tool_print_json(FILE* out, const char* arg_utf8, const FileState* fs) {
  static char text[REPORT_TOOL_TEXT];
  const ReportPage* page = report_view();
  std::fputs("{\"file\":", out);
  tool_json_string(out, arg_utf8);
  const char* kind = fs->is_vmd ? "vmd" : fs->is_pmx ? "pmx" : "none";
  std::fprintf(out, ",\"kind\":\"%s\",\"read\":", kind);
  if (fs->read_result == RUN_NO_READER) std::fputs("null", out);
  else std::fprintf(out, "%d", fs->read_result);
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

static void tool_print_plain(FILE* out, bool colour) {
  static char text[REPORT_TOOL_TEXT];
  const ReportPage* page = report_view();
  for (int i = 0; i < page->line_count; i++) {
    report_tool_utf8(text, REPORT_TOOL_TEXT, page->text[i]);
    // Morph lines end in a line feed of their own.
    size_t len = std::strlen(text);
    if (len > 0 && text[len - 1] == '\n') text[len - 1] = 0;
    uint32_t c = page->colour[i];
    if (colour && text[0] != 0) {
      std::fprintf(out, "\x1B[38;2;%u;%u;%um%s\x1B[0m\n", (unsigned)(c & 0xFF), (unsigned)(c >> 8 & 0xFF),
                   (unsigned)(c >> 16 & 0xFF), text);
    } else {
      std::fprintf(out, "%s\n", text);
    }
  }
  report_tool_utf8(text, REPORT_TOOL_TEXT, summary_text());
  std::fprintf(out, "%s\n", text);
}

// ---- The run ------------------------------------------------------------------------------------------------

// Why a file was not read, or nullptr when it was.
static const char* tool_problem(const FileState* fs) {
  if (fs->is_vmd) {
    if (fs->read_result == READ_UNOPENED) return "cannot be opened";
    if (fs->read_result == READ_NOT_FORMAT) return "not a VMD motion of version 0002, or cut inside a record";
    return nullptr;
  }
  if (fs->is_pmx) {
    if (fs->read_result == READ_UNOPENED) return "cannot be opened";
    if (fs->read_result == READ_NOT_FORMAT) return "not a PMX model";
    return nullptr;
  }
  if (fs->ondisk[0] == 0 && fs->ondisk_w[0] == 0) return "no such file; examined as an empty motion";
  return "neither a motion (.vmd) nor a model (.pmx); examined as an empty motion";
}

static int tool_usage_error(FILE* err, const char* what, const char* word) {
  std::fprintf(err, "velmora-report: %s%s\n%s", what, word, REPORT_USAGE);
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

// Reads the options of argv into opt. Returns 0, or the exit code of a usage error or of --help.
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
    } else if (tool_is(w, "--json")) opt->json = true;
    else if (tool_is(w, "--summary")) opt->summary = true;
    else if (tool_is(w, "--colour=auto") || tool_is(w, "--color=auto")) opt->colour = COLOUR_AUTO;
    else if (tool_is(w, "--colour=always") || tool_is(w, "--color=always")) opt->colour = COLOUR_ALWAYS;
    else if (tool_is(w, "--colour=never") || tool_is(w, "--color=never")) opt->colour = COLOUR_NEVER;
    else if (tool_is(w, "--no-alias")) opt->no_alias = true;
    else if (tool_is(w, "--alias")) {
      if (k + 1 >= argc) return tool_usage_error(err, "--alias needs a file", "");
      opt->alias_word = ++k;
    } else if (tool_is(w, "--png") || tool_is(w, "--font")) {
      bool png = tool_is(w, "--png");
      if (!REPORT_PNG_WRITER) return tool_usage_error(err, png ? "--png" : "--font", " is not available in this build");
      if (k + 1 >= argc) return tool_usage_error(err, png ? "--png needs a directory" : "--font needs a file", "");
      if (png) opt->png_word = ++k;
      else opt->font_word = ++k;
    } else {
      word[0] = 0;
      utf16_to_utf8(word, (int)sizeof word, reinterpret_cast<const unsigned char*>(w));
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
    else if (tool_is(w, "--alias") || tool_is(w, "--png") || tool_is(w, "--font")) k++;
  }
  return argc;
}

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
};

// Checks one file and prints its page or its summary line.
static void tool_file(ToolRun& run, const char16_t* path_w) {
  static char16_t name_w[TOOL_WORD];
  static char name[TOOL_WORD * 2];
  static char path[TOOL_WORD * 3];
  utf16_copy(name_w, TOOL_WORD, path_w);
  sys_ansi_from_utf16(name, (int)sizeof name, name_w);
  run_file_names_of(name, name_w);
  run_check(run.alias, run.alias_w);
  const FileState* fs = run_file();
  path[0] = 0;
  utf16_to_utf8(path, (int)sizeof path, reinterpret_cast<const unsigned char*>(name_w));
  const char* problem = tool_problem(fs);
  if (problem != nullptr) {
    std::fprintf(run.err, "velmora-report: %s: %s\n", path, problem);
    run.status = 1;
  }
  if (run.opt->summary) {
    summary_file(path, fs, problem);
  } else if (run.opt->json) {
    tool_print_json(run.out, path, fs);
  } else {
    if (!run.first) std::fputc('\n', run.out);
    tool_print_plain(run.out, run.colour);
  }
  run.first = false;
  run.position++;
  if (run.opt->png_word != 0 && report_png_page(run.err, run.position, path_w) != 0) run.status = 1;
}

// A FOLDER argument: each motion under it, in order; what cannot be read is said on standard error.
static void tool_folder(ToolRun& run, const char16_t* folder) {
  std::vector<FolderEntry> entries;
  folder_expand(folder, &entries);
  for (const FolderEntry& e : entries) {
    if (e.problem == nullptr) {
      tool_file(run, e.path.c_str());
      continue;
    }
    static char path[TOOL_WORD * 3];
    path[0] = 0;
    utf16_to_utf8(path, (int)sizeof path, reinterpret_cast<const unsigned char*>(e.path.c_str()));
    std::fprintf(run.err, "velmora-report: %s: %s\n", path, e.problem);
    run.status = 1;
    if (run.opt->summary) summary_unexamined(path);
  }
}

int report_tool_run(FILE* out, FILE* err, int argc, const char16_t* const* argv) {
  ReportOptions opt = {false, false, COLOUR_AUTO, false, 0, 0, 0};
  int usage = tool_options(out, err, argc, argv, &opt);
  if (usage != 0) return usage < 0 ? 0 : usage;
  run_language(sys_user_lang(), sys_is_dbcs_lead(0x92), sys_console_output_cp());

  // The alias file: --alias FILE, or alias.ini beside the program.
  static char alias[TOOL_WORD * 2];
  static char16_t alias_w[TOOL_WORD];
  ToolRun run = {out, err, &opt, false, nullptr, nullptr, 0, true, 0};
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
    if (folder_is(argv[k])) tool_folder(run, argv[k]);
    else tool_file(run, argv[k]);
  }
  if (opt.summary) summary_end();
  std::fflush(out);
  return run.status;
}
