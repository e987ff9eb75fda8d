// report_files.cpp: velmora-report's created files (see report_files.h).
//
// Records: none; the caller holds each file's record.
// Limits: a temporary name is the file's name and ".partN" (N below 100): a name already taken by an
// earlier run's leftover is stepped over, and after 100 taken names the file is not written.
#include "app/report_files.h"

#include "app/report_text.h"
#include "sys/sys.h"
#include "text/encoding.h"

constexpr int REPORT_TEMP_TRIES = 100;

int report_files_open(ReportNewFile* nf, const char16_t* name, bool replace) {
  nf->f = nullptr;
  nf->replace = replace;
  nf->temp[0] = 0;
  if (utf16_copy(nf->name, REPORT_FILE_UNITS, name) != utf16_length(name)) return REPORT_FILE_FAILED;
  // A name that is taken now would be refused at the end: say so before writing anything.
  if (!replace && sys_name_taken_w(name)) return REPORT_FILE_EXISTS;
  for (int n = 0; n < REPORT_TEMP_TRIES; n++) {
    char16_t suffix_w[16];
    int i = report_text_ascii_w(suffix_w, 16, ".part%d", n);
    utf16_copy(nf->temp, REPORT_FILE_UNITS, name);
    if (utf16_append(nf->temp, REPORT_FILE_UNITS, suffix_w) != i) return REPORT_FILE_FAILED;
    nf->f = sys_fcreate_new_w(nf->temp);
    if (nf->f != nullptr) return REPORT_FILE_DONE;
  }
  nf->temp[0] = 0;
  return REPORT_FILE_FAILED;
}

int report_files_close(ReportNewFile* nf, bool whole) {
  if (nf->f == nullptr) return REPORT_FILE_FAILED;
  bool written = sys_fclose_synced(nf->f) == 0 && whole;
  nf->f = nullptr;
  int moved = !written ? -1 : nf->replace ? sys_move_over_w(nf->temp, nf->name) : sys_move_new_w(nf->temp, nf->name);
  if (moved == 0) return REPORT_FILE_DONE;
  sys_remove_w(nf->temp);
  return moved == 1 ? REPORT_FILE_EXISTS : REPORT_FILE_FAILED;
}

const char* report_files_problem(int result, bool replaceable) {
  if (result != REPORT_FILE_EXISTS) return "it cannot be created or written";
  return replaceable ? "it exists (--replace writes over it)" : "it exists";
}

int report_files_dir(FILE* err, const char16_t* dir, char16_t* kept) {
  kept[0] = 0;
  if (utf16_length(dir) >= REPORT_FILE_UNITS || sys_make_dir_w(dir) != 0) {
    std::fprintf(err, "velmora-report: cannot create the directory %s\n", report_text_path(dir).c_str());
    return 2;
  }
  utf16_copy(kept, REPORT_FILE_UNITS, dir);
  return 0;
}
