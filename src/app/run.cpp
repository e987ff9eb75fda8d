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

// The on-disk names and the kind of a file given by its two names. Where the system could not spell the
// UTF-16 name in its ANSI code page, the ANSI name is not searched for (its "?" would match other files
// as wildcards): the ANSI on-disk name is then the UTF-16 one in Shift-JIS, "?" for what it cannot spell.
static void run_ondisk(const char* input, const char16_t* input_w, bool lossy, char* ondisk, char16_t* ondisk_w,
                       uint8_t* is_vmd, uint8_t* is_pmx) {
  if (find_file_name_w(ondisk_w, RUN_PATH, input_w) != FIND_FOUND) ondisk_w[0] = 0;
  if (lossy) utf16_to_sjis(ondisk, RUN_PATH, ondisk_w);
  else if (find_file_name(ondisk, RUN_PATH, input) != FIND_FOUND) ondisk[0] = 0;
  char ext[RUN_PATH];
  char16_t ext_w[RUN_PATH];
  path_ext(ext, RUN_PATH, ondisk);
  path_ext_w(ext_w, RUN_PATH, ondisk_w);
  *is_vmd = prefix_nocase(ext, ".VMD") == 0 || prefix_nocase_w(ext_w, u".VMD") == 0 ? RUN_SET : 0;
  *is_pmx = prefix_nocase(ext, ".PMX") == 0 || prefix_nocase_w(ext_w, u".PMX") == 0 ? RUN_SET : 0;
}

// Whether the ANSI name spells the file is the system's conversion's answer, not a round trip through
// the program's own table (which would call a name with a wave dash lossy).
static bool run_lossy(const char16_t* input_w) {
  static char ansi[RUN_PATH * 8];
  return input_w[0] != 0 && sys_ansi_from_utf16(ansi, (int)sizeof ansi, input_w) != 0;
}

void run_file_names(int k) {
  std::memset(&file, 0, sizeof file);
  file.read_result = RUN_NO_READER;
  file.input = arg_a(k);
  file.input_w = arg_w(k);
  run_ondisk(file.input, file.input_w, run_lossy(file.input_w), file.ondisk, file.ondisk_w, &file.is_vmd,
             &file.is_pmx);
}

// The alias file by ANSI path or else by UTF-16 path; true when one was read.
static bool run_alias(const char* alias_path, const char16_t* alias_path_w) {
  if (alias_path != nullptr && rsexists(alias_path) == 0) {
    alias_read_a(alias_path);
    return true;
  }
  if (alias_path_w != nullptr && rsexistsW(alias_path_w) == 0) {
    alias_read_w(alias_path_w);
    return true;
  }
  return false;
}

// The readers' results for one file.
struct RunRead {
  int result;  // the last reader's result, or RUN_NO_READER
  bool ansi_failed, utf16_failed;
};

// The readers by the ANSI spelling of input (none: not tried) then by its UTF-16 spelling, then the
// page with its path line (path null: no page) and the summary text.
static RunRead run_read(OpenedPath input, bool is_vmd, bool is_pmx, const char* path, bool alias_found) {
  RunRead r = {RUN_NO_READER, false, false};
  if (is_pmx) {
    model_clear();
    input.spelling = SPELLING_ANSI;
    r.result = input.ansi != nullptr ? pmdinforead(input) : READ_UNOPENED;
    if (r.result != READ_DONE) {
      r.ansi_failed = true;
      input.spelling = SPELLING_UTF16;
      r.result = pmdinforead(input);
      r.utf16_failed = r.result != READ_DONE;
    }
  }
  if (is_vmd) {
    // A read that fails part way (a file cut inside a later record) has added the motion's names to
    // the lists; the retry by UTF-16 path starts from the lists as they were, or its names would
    // resolve to the first read's entries (a name that is a pattern would take over earlier ones).
    int bones = names_count(LIST_BONES), morphs = names_count(LIST_MORPHS);
    input.spelling = SPELLING_ANSI;
    r.result = input.ansi != nullptr ? vmd_read(input) : READ_UNOPENED;
    if (r.result != READ_DONE) {
      r.ansi_failed = true;
      names_truncate(LIST_BONES, bones);
      names_truncate(LIST_MORPHS, morphs);
      input.spelling = SPELLING_UTF16;
      r.result = vmd_read(input);
      r.utf16_failed = r.result != READ_DONE;
    }
  }
  // Another file's statistics must not show under this file's path.
  if (!is_vmd && !is_pmx) vmd_clear();
  if (path == nullptr) return r;
  ReportContext ctx;
  ctx.motion_path = path;
  ctx.alias_mode = alias_found;
  ctx.motion_model = vmd_model_name();
  report_reset();
  report_bones(ctx);
  report_morphs(ctx);
  report_summary();
  return r;
}

// The page's path line: the ANSI name, or the UTF-16 name spelled in Shift-JIS where no ANSI name exists
// or where the ANSI code page is not Shift-JIS (there the ANSI name is "?" or other bytes for Japanese).
static const char* run_path_line(const char* input, const char16_t* input_w) {
  static char path_line[RUN_PATH * 2];
  if ((input[0] == 0 || sys_ansi_cp() != 932) && input_w[0] != 0) {
    utf16_to_sjis(path_line, (int)sizeof path_line, input_w);
    return path_line;
  }
  return input;
}

void run_check(const char* alias_path, const char16_t* alias_path_w) {
  // The name lists afresh, then the alias file, then the vocabularies.
  names_init();
  file.alias_found = run_alias(alias_path, alias_path_w) ? RUN_SET : 0;
  names_register_builtin();
  RunRead r = run_read(OpenedPath{file.input, file.input_w, SPELLING_NONE}, file.is_vmd, file.is_pmx,
                       run_path_line(file.input, file.input_w), file.alias_found != 0);
  file.read_result = r.result;
  file.ansi_failed = r.ansi_failed ? RUN_SET : 0;
  file.utf16_failed = r.utf16_failed ? RUN_SET : 0;
}

// ---- velmora-report's files -----------------------------------------------------------------------------

void run_path_make(FilePath* p, const char16_t* word, const char16_t* rel) {
  p->w = word;
  if (p->w.size() >= (size_t)RUN_WORD) p->w.resize(RUN_WORD - 1);
  const char16_t* w = p->w.c_str();
  static char ansi[RUN_WORD * 2];
  p->ansi_lossy = w[0] != 0 && sys_ansi_from_utf16(ansi, (int)sizeof ansi, w) != 0;
  p->ansi = ansi;
  char ondisk[RUN_PATH];
  char16_t ondisk_w[RUN_PATH];
  uint8_t is_vmd, is_pmx;
  run_ondisk(p->ansi.c_str(), w, p->ansi_lossy, ondisk, ondisk_w, &is_vmd, &is_pmx);
  p->ondisk = ondisk;
  p->ondisk_w = ondisk_w;
  p->is_vmd = is_vmd != 0;
  p->is_pmx = is_pmx != 0;
  // A path's bytes and its shown name are at most 4 bytes, 1 unit per unit of w.
  std::string host(p->w.size() * 4 + 1, '\0');
  if (sys_host_bytes_w(host.data(), (int)host.size(), w) != 0) host[0] = 0;
  p->host = host.c_str();
  std::u16string shown(p->w.size() + 1, u'\0');
  sys_shown_name_w(shown.data(), (int)shown.size(), w);
  shown.resize(std::char_traits<char16_t>::length(shown.c_str()));
  std::string utf8(shown.size() * 3 + 1, '\0');
  utf16_to_utf8(utf8.data(), (int)utf8.size(), reinterpret_cast<const unsigned char*>(shown.c_str()));
  p->shown = utf8.c_str();
  p->page_line.clear();
  if (shown != p->w) {
    std::string sjis(shown.size() * 2 + 1, '\0');
    utf16_to_sjis(sjis.data(), (int)sjis.size(), shown.c_str());
    p->page_line = sjis.c_str();
  }
  if (rel != nullptr && rel[0] != 0) {
    p->rel = rel;
  } else {
    std::u16string name(p->w.size() + 1, u'\0');
    path_name_w(name.data(), (int)name.size(), w);
    p->rel = name.c_str();
  }
  p->opened = SPELLING_NONE;
}

OpenedPath run_path_opened(const FilePath& p) {
  return OpenedPath{p.ansi_lossy ? nullptr : p.ansi.c_str(), p.w.c_str(), p.opened};
}

// Lists 1 and 2 as run_names_ready left them: the motion reader appends the motion's names to them, and
// nothing else of the lists changes during a check.
static int run_names_bones, run_names_morphs;

bool run_names_ready(const char* alias_path, const char16_t* alias_path_w) {
  names_init();
  bool found = run_alias(alias_path, alias_path_w);
  names_register_builtin();
  run_names_bones = names_count(LIST_BONES);
  run_names_morphs = names_count(LIST_MORPHS);
  return found;
}

int run_check_path(FilePath* p, bool alias_found, bool page) {
  names_truncate(LIST_BONES, run_names_bones);
  names_truncate(LIST_MORPHS, run_names_morphs);
  const char* line = !page                     ? nullptr
                     : !p->page_line.empty()   ? p->page_line.c_str()
                                               : run_path_line(p->ansi.c_str(), p->w.c_str());
  RunRead r = run_read(run_path_opened(*p), p->is_vmd, p->is_pmx, line, alias_found);
  p->opened = r.result == RUN_NO_READER ? SPELLING_NONE : r.ansi_failed ? SPELLING_UTF16 : SPELLING_ANSI;
  return r.result;
}

void run_exit_or(int32_t bits) { settings.exit_code |= bits; }
void run_set_font_failed(bool failed) { file.font_failed = failed ? RUN_SET : 0; }
