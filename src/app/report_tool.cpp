// report_tool.cpp: velmora-report, the command-line twin of velmora.exe. Runs the same per-file loop
// (names, kind, alias file, readers, report page, summary) without windows or dialogs, as velmora.exe
// does with -ND2, and prints every page as UTF-8 text or as one JSON object per file.
//
//   velmora-report [--json] [--colour=auto|always|never] [--alias FILE | --no-alias] FILE...
//
// Exit codes: 0 every file was read, 1 a file could not be read or was not of its format (its report
// is still printed, with one line on standard error), 2 a usage error.
// Records: the tool's options, set once per run.
#include "app/report_tool.h"

#include <cstring>

#include "app/cmdline.h"
#include "app/run.h"
#include "check/report_page.h"
#include "check/summary.h"
#include "sys/sys.h"
#include "text/encoding.h"
#include "text/paths.h"

static const char REPORT_USAGE[] =
    "usage: velmora-report [--json] [--colour=auto|always|never] [--alias FILE | --no-alias] FILE...\n"
    "  Checks MMD motions (.vmd) and models (.pmx) as velmora.exe does and prints each report page.\n"
    "  --json            one JSON object per file: file, kind, read, lines ([colour, text]), summary\n"
    "  --colour=WHEN     colour the lines with 24-bit terminal escapes: auto (a terminal), always, never\n"
    "  --alias FILE      read the alias file FILE instead of alias.ini beside the program\n"
    "  --no-alias        read no alias file\n"
    "  --help            show this text\n"
    "Exit code: 0 every file was read, 1 a file could not be read or was not of its format, 2 usage.\n";

enum ReportColour { COLOUR_AUTO, COLOUR_ALWAYS, COLOUR_NEVER };

struct ReportOptions {
  bool json;
  ReportColour colour;
  bool no_alias;
  int alias_word;  // list position of --alias's FILE, or 0
};

// The files and the alias path, copied out of the lists before they are rebuilt with the files only.
constexpr int TOOL_WORD = 4096;  // a word longer than this is cut; no file name is that long
struct ToolWords {
  int count;
  int word[ARG_MAX_WORDS];  // positions in the original lists
};
static ArgListW tool_w;  // copies of the original lists
static ArgListA tool_a;

// ---- Output -----------------------------------------------------------------------------------------------

// Writes s as a JSON string body: escapes, and U+FFFD for every byte that does not begin a valid
// UTF-8 sequence.
static void tool_json_string(FILE* out, const char* s) {
  std::fputc('"', out);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
  while (*p != 0) {
    unsigned c = *p;
    if (c == '"' || c == '\\') {
      std::fprintf(out, "\\%c", (char)c);
      p++;
    } else if (c < 0x20) {
      if (c == '\n') std::fputs("\\n", out);
      else if (c == '\r') std::fputs("\\r", out);
      else if (c == '\t') std::fputs("\\t", out);
      else std::fprintf(out, "\\u%04x", c);
      p++;
    } else if (c < 0x80) {
      std::fputc((int)c, out);
      p++;
    } else {
      uint32_t cp;
      int len = utf8_next(p, &cp);
      if (len > 0) {
        std::fwrite(p, 1, (size_t)len, out);
        p += len;
      } else {
        std::fputs("\xEF\xBF\xBD", out);
        p++;
      }
    }
  }
  std::fputc('"', out);
}

static void tool_utf8(char* dst, int size, const char* sjis) {
  dst[0] = 0;
  sjis_to_utf8_compat(dst, size, sjis);
}

constexpr int TOOL_TEXT = 1024;  // a page line of 127 Shift-JIS bytes takes at most 381 UTF-8 bytes

static void tool_print_json(FILE* out, const char* arg_utf8, const FileState* fs) {
  static char text[TOOL_TEXT];
  const ReportPage* page = report_view();
  std::fputs("{\"file\":", out);
  tool_json_string(out, arg_utf8);
  const char* kind = fs->is_vmd ? "vmd" : fs->is_pmx ? "pmx" : "none";
  std::fprintf(out, ",\"kind\":\"%s\",\"read\":", kind);
  if (fs->read_result == RUN_NO_READER) std::fputs("null", out);
  else std::fprintf(out, "%d", fs->read_result);
  std::fputs(",\"lines\":[", out);
  for (int i = 0; i < page->line_count; i++) {
    uint32_t c = page->colour[i][0];
    std::fprintf(out, "%s[\"#%02x%02x%02x\",", i ? "," : "", (unsigned)(c & 0xFF), (unsigned)(c >> 8 & 0xFF),
                 (unsigned)(c >> 16 & 0xFF));
    tool_utf8(text, TOOL_TEXT, page->text[i]);
    tool_json_string(out, text);
    std::fputc(']', out);
  }
  std::fputs("],\"summary\":", out);
  tool_utf8(text, TOOL_TEXT, summary_text());
  tool_json_string(out, text);
  std::fputs("}\n", out);
}

static void tool_print_plain(FILE* out, bool colour) {
  static char text[TOOL_TEXT];
  const ReportPage* page = report_view();
  for (int i = 0; i < page->line_count; i++) {
    tool_utf8(text, TOOL_TEXT, page->text[i]);
    // Morph lines end in a line feed of their own.
    size_t len = std::strlen(text);
    if (len > 0 && text[len - 1] == '\n') text[len - 1] = 0;
    uint32_t c = page->colour[i][0];
    if (colour && text[0] != 0) {
      std::fprintf(out, "\x1B[38;2;%u;%u;%um%s\x1B[0m\n", (unsigned)(c & 0xFF), (unsigned)(c >> 8 & 0xFF),
                   (unsigned)(c >> 16 & 0xFF), text);
    } else {
      std::fprintf(out, "%s\n", text);
    }
  }
  tool_utf8(text, TOOL_TEXT, summary_text());
  std::fprintf(out, "%s\n", text);
}

// ---- The run ------------------------------------------------------------------------------------------------

// Why a file was not read, or nullptr when it was.
static const char* tool_problem(const FileState* fs) {
  if (fs->is_vmd) {
    if (fs->read_result == -1) return "cannot be opened";
    if (fs->read_result == 2) return "not a VMD motion of version 0002, or cut inside a record";
    return nullptr;
  }
  if (fs->is_pmx) {
    if (fs->read_result == -1) return "cannot be opened";
    if (fs->read_result == 2) return "not a PMX model";
    return nullptr;
  }
  if (fs->ondisk[0] == 0 && fs->ondisk_w[0] == 0) return "no such file; examined as an empty motion";
  return "neither a motion (.vmd) nor a model (.pmx); examined as an empty motion";
}

static int tool_usage_error(FILE* err, const char* what, const char* word) {
  std::fprintf(err, "velmora-report: %s%s\n%s", what, word, REPORT_USAGE);
  return 2;
}

int report_tool_run(FILE* out, FILE* err) {
  split_command_line_utf16();
  split_command_line_ansi();
  std::memcpy(&tool_w, args_w_view(), sizeof tool_w);
  std::memcpy(&tool_a, args_a_view(), sizeof tool_a);
  auto word_w = [](int k) { return k < tool_w.word_count ? tool_w.store + tool_w.word_start[k] : u""; };
  auto word_a = [](int k) { return k < tool_a.word_count ? tool_a.store + tool_a.word_start[k] : ""; };

  ReportOptions opt = {false, COLOUR_AUTO, false, 0};
  static ToolWords files;
  files.count = 0;
  bool options_end = false;
  int words = tool_w.word_count;
  for (int k = 1; k < words; k++) {
    const char* a = word_a(k);
    if (!options_end && a[0] == '-' && a[1] != 0) {
      if (std::strcmp(a, "--") == 0) options_end = true;
      else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
        std::fputs(REPORT_USAGE, out);
        return 0;
      } else if (std::strcmp(a, "--json") == 0) opt.json = true;
      else if (std::strcmp(a, "--colour=auto") == 0 || std::strcmp(a, "--color=auto") == 0) opt.colour = COLOUR_AUTO;
      else if (std::strcmp(a, "--colour=always") == 0 || std::strcmp(a, "--color=always") == 0) opt.colour = COLOUR_ALWAYS;
      else if (std::strcmp(a, "--colour=never") == 0 || std::strcmp(a, "--color=never") == 0) opt.colour = COLOUR_NEVER;
      else if (std::strcmp(a, "--no-alias") == 0) opt.no_alias = true;
      else if (std::strcmp(a, "--alias") == 0) {
        if (k + 1 >= words) return tool_usage_error(err, "--alias needs a file", "");
        opt.alias_word = ++k;
      } else return tool_usage_error(err, "unknown option ", a);
      continue;
    }
    if (files.count < ARG_MAX_WORDS - 1) files.word[files.count++] = k;
  }
  if (opt.no_alias && opt.alias_word != 0) return tool_usage_error(err, "--alias and --no-alias together", "");
  if (files.count == 0) return tool_usage_error(err, "no file given", "");

  // The lists hold the program and the files only, so that no file is taken for an option word.
  split_command_line_utf16_from(word_w(0));
  split_command_line_ansi_from(word_a(0));
  for (int i = 0; i < files.count; i++) {
    arg_append_utf16(word_w(files.word[i]));
    arg_append_ansi(word_a(files.word[i]));
  }
  run_language(sys_user_lang(), sys_is_dbcs_lead(0x92), sys_console_output_cp());
  run_set_option_words(false);

  // The alias file: --alias FILE, or alias.ini beside the program.
  static char alias[RUN_PATH * 2];
  static char16_t alias_w[RUN_PATH];
  const char* alias_a = nullptr;
  const char16_t* alias_wp = nullptr;
  if (opt.alias_word != 0) {
    alias_a = word_a(opt.alias_word);
    alias_wp = word_w(opt.alias_word);
  } else if (!opt.no_alias) {
    char16_t self[RUN_PATH];
    if (sys_program_path_w(self, RUN_PATH) > 0) {
      path_dir_w(alias_w, RUN_PATH - 10, self);
      utf16_append(alias_w, RUN_PATH, u"alias.ini");
      utf16_to_sjis(alias, (int)sizeof alias, alias_w);
      alias_a = alias;
      alias_wp = alias_w;
    }
  }

  bool colour = opt.colour == COLOUR_ALWAYS || (opt.colour == COLOUR_AUTO && sys_is_terminal(out));
  int status = 0;
  static char arg_utf8[TOOL_WORD * 3];
  for (int k = 1; k < arg_count_a() && k < ARG_MAX_WORDS; k++) {
    run_file_names(k);
    run_check(alias_a, alias_wp);
    const FileState* fs = run_file();
    arg_utf8[0] = 0;
    utf16_to_utf8(arg_utf8, (int)sizeof arg_utf8, reinterpret_cast<const unsigned char*>(arg_w(k)));
    const char* problem = tool_problem(fs);
    if (problem != nullptr) {
      std::fprintf(err, "velmora-report: %s: %s\n", arg_utf8, problem);
      status = 1;
    }
    if (opt.json) {
      tool_print_json(out, arg_utf8, fs);
    } else {
      if (k > 1) std::fputc('\n', out);
      tool_print_plain(out, colour);
    }
  }
  std::fflush(out);
  return status;
}
