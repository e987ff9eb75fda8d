// run.cpp: the run sequence's portable steps (see run.h).
//
// Records: settings (written once at start-up, the exit code later) and file (set up afresh for every
// file argument). Both are written only here.
// Limits: the options pass reads entries 1 to 510; on-disk names and the program directory hold 259
// units and a terminator.
#include "app/run.h"

#include <cstring>

#include "app/cmdline.h"
#include "check/listing.h"
#include "check/model.h"
#include "check/names.h"
#include "check/report_page.h"
#include "check/summary.h"
#include "check/vocab.h"
#include "formats/alias.h"
#include "formats/filechan.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "paths/paths.h"
#include "sys/sys.h"
#include "text/encoding.h"

static RunSettings settings;
static FileState file;

const RunSettings* run_settings() { return &settings; }
const FileState* run_file() { return &file; }

void run_language(unsigned lang_id, bool lead_0x92, unsigned output_cp) {
  settings.japanese = lang_id == 0x0411 ? RUN_SET : 0;
  settings.sjis = settings.japanese && lead_0x92 && output_cp == 932 ? RUN_SET : 0;
  settings.output_cp = output_cp;
}

// ---- Program directory --------------------------------------------------------------------------------

void run_program_dir() {
  path_dir(settings.progdir, RUN_PATH, arg_a(0));
  if (settings.progdir[0] == 0) {
    int n = sys_current_dir(settings.progdir, RUN_PATH - 1);
    if (n > 0) {
      settings.progdir[n] = '\\';
      settings.progdir[n + 1] = 0;
    }
  }
  path_dir_w(settings.progdir_w, RUN_PATH, arg_w(0));
  if (settings.progdir_w[0] == 0) {
    int n = sys_current_dir_w(settings.progdir_w, RUN_PATH - 1);
    if (n > 0) {
      settings.progdir_w[n] = u'\\';
      settings.progdir_w[n + 1] = 0;
    }
  }
}

// ---- Options --------------------------------------------------------------------------------------------

bool run_is_option(int k) {
  const char* w = arg_a(k);
  return w[0] == '-' || w[0] == '/';
}

// Reads the number after an option letter: an optional "=", then decimal digits. Returns its low
// 8 bits, or 1 when no digit follows; *p is left after what was read.
static int8_t run_option_number(const char** p) {
  const char* s = *p;
  if (*s == '=') s++;
  if (*s < '0' || *s > '9') {
    *p = s;
    return 1;
  }
  uint32_t n = 0;
  while (*s >= '0' && *s <= '9') n = n * 10 + (uint32_t)(*s++ - '0');
  *p = s;
  return (int8_t)(uint8_t)(n & 0xFF);
}

void run_options() {
  int last = arg_count_a() - 1;
  if (last > 510) last = 510;
  for (int k = 1; k <= last; k++) {
    if (!run_is_option(k)) continue;
    const char* s = arg_a(k);
    while (*s != 0) {
      char c = *s++;
      if ((c == 'N' || c == 'n') && (*s == 'D' || *s == 'd')) {
        s++;
        settings.cancelDialogue = run_option_number(&s);
      } else if (c == 'D' || c == 'd' || c == 'N' || c == 'n') {
        // The display level, or a number that belongs to no option: read and discarded.
        if (*s == '=') s++;
        while (*s >= '0' && *s <= '9') s++;
      }
      // "-", "/" and every other character: skipped.
    }
  }
}

// ---- Per file ---------------------------------------------------------------------------------------------

void run_file_names(int k) { run_file_names_of(arg_a(k), arg_w(k)); }

void run_file_names_of(const char* input, const char16_t* input_w) {
  std::memset(&file, 0, sizeof file);
  file.read_result = RUN_NO_READER;
  file.input = input;
  file.input_w = input_w;
  if (find_file_name_w(file.ondisk_w, RUN_PATH, file.input_w) != FIND_FOUND) file.ondisk_w[0] = 0;
  // Whether the ANSI name spells the file is the system's conversion's answer, not a round trip through
  // the program's own table (which would call a name with a wave dash lossy).
  static char ansi[RUN_PATH * 8];
  bool lossy = input_w[0] != 0 && sys_ansi_from_utf16(ansi, (int)sizeof ansi, input_w) != 0;
  if (lossy) utf16_to_sjis(file.ondisk, RUN_PATH, file.ondisk_w);
  else if (find_file_name(file.ondisk, RUN_PATH, file.input) != FIND_FOUND) file.ondisk[0] = 0;
  char ext[RUN_PATH];
  char16_t ext_w[RUN_PATH];
  path_ext(ext, RUN_PATH, file.ondisk);
  path_ext_w(ext_w, RUN_PATH, file.ondisk_w);
  if (prefix_nocase(ext, ".VMD") == 0 || prefix_nocase_w(ext_w, u".VMD") == 0) file.is_vmd = RUN_SET;
  if (prefix_nocase(ext, ".PMX") == 0 || prefix_nocase_w(ext_w, u".PMX") == 0) file.is_pmx = RUN_SET;
}

void run_set_path_line(const char* sjis) { file.path_line = sjis; }

void run_check(const char* alias_path, const char16_t* alias_path_w) {
  // The name lists afresh, then the alias file by ANSI path or else by UTF-16 path.
  names_init();
  file.alias_found = 0;
  if (alias_path != nullptr && rsexists(alias_path) == 0) {
    file.alias_found = RUN_SET;
    alias_read_a(alias_path);
  } else if (alias_path_w != nullptr && rsexistsW(alias_path_w) == 0) {
    file.alias_found = RUN_SET;
    alias_read_w(alias_path_w);
  }
  // Vocabularies, readers by ANSI path then UTF-16 path, the page, the summary.
  names_register_builtin();
  file.ansi_failed = file.utf16_failed = 0;
  if (file.is_pmx) {
    model_clear();
    file.read_result = pmdinforead_a(file.input);
    if (file.read_result != READ_DONE) {
      file.ansi_failed = RUN_SET;
      file.read_result = pmdinforead_w(file.input_w);
      if (file.read_result != READ_DONE) file.utf16_failed = RUN_SET;
    }
  }
  if (file.is_vmd) {
    // A read that fails part way (a file cut inside a later record) has added the motion's names to
    // the lists; the retry by UTF-16 path starts from the lists as they were, or its names would
    // resolve to the first read's entries (a name that is a pattern would take over earlier ones).
    int bones = names_count(LIST_BONES), morphs = names_count(LIST_MORPHS);
    file.read_result = vmd_read_a(file.input);
    if (file.read_result != READ_DONE) {
      file.ansi_failed = RUN_SET;
      names_truncate(LIST_BONES, bones);
      names_truncate(LIST_MORPHS, morphs);
      file.read_result = vmd_read_w(file.input_w);
      if (file.read_result != READ_DONE) file.utf16_failed = RUN_SET;
    }
  }
  // Another file's statistics must not show under this file's path.
  if (!file.is_vmd && !file.is_pmx) vmd_clear();
  // The path line: the ANSI name, or the UTF-16 name spelled in Shift-JIS where no ANSI name exists or
  // where the ANSI code page is not Shift-JIS (there the ANSI name is "?" or other bytes for Japanese).
  static char path_line[RUN_PATH * 2];
  const char* path = file.path_line != nullptr ? file.path_line : file.input;
  bool ansi_not_sjis = file.path_line == nullptr && sys_ansi_cp() != 932;
  if ((path[0] == 0 || ansi_not_sjis) && file.input_w[0] != 0) {
    utf16_to_sjis(path_line, (int)sizeof path_line, file.input_w);
    path = path_line;
  }
  ReportContext ctx;
  ctx.motion_path = path;
  ctx.alias_mode = file.alias_found != 0;
  ctx.motion_model = vmd_model_name();
  report_reset();
  report_bones(ctx);
  report_morphs(ctx);
  report_summary();
}

void run_exit_or(int32_t bits) { settings.exit_code |= bits; }
void run_set_font_failed(bool failed) { file.font_failed = failed ? RUN_SET : 0; }
