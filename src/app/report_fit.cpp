// report_fit.cpp: velmora-report's fitted copies (see report_fit.h).
//
// Records: the copies' directory, written once by report_fit_start.
// Limits: a copy's name holds fewer than 1,024 units (the platform seam then refuses names of 260 units
// or more, as Windows would).
#include "app/report_fit.h"

#include "app/report_files.h"
#include "app/report_pose.h"
#include "app/report_text.h"
#include "formats/vmd_fit.h"
#include "paths/paths.h"
#include "sys/sys.h"
#include "text/encoding.h"

struct FitSettings {
  char16_t dir[REPORT_FILE_UNITS];
  bool replace;
};
static FitSettings report_fit_settings;

int report_fit_start(FILE* err, const char16_t* dir, bool replace) {
  FitSettings& s = report_fit_settings;
  s.dir[0] = 0;
  s.replace = replace;
  uint64_t id[2];
  // A name that is taken by something other than a folder can never hold the copies.
  if (utf16_length(dir) >= REPORT_FILE_UNITS || (sys_name_taken_w(dir) && sys_folder_id_w(dir, id) != 0)) {
    std::fprintf(err, "velmora-report: cannot create the directory %s\n", report_text_path(dir).c_str());
    return 2;
  }
  utf16_copy(s.dir, REPORT_FILE_UNITS, dir);
  return 0;
}

int report_fit_motion(FILE* err, const FileOutcome& o, const char16_t* sub, std::string* fitted) {
  fitted->clear();
  std::vector<VmdRename> renames[LISTING_KINDS];
  report_verdict_renames(o, renames);
  if (renames[LISTING_BONES].empty() && renames[LISTING_MORPHS].empty() && !o.folded) return 0;

  static char16_t name[REPORT_FILE_UNITS];
  const char* problem = nullptr;
  const char16_t* rel = o.path.rel.c_str();
  static char16_t dir[REPORT_FILE_UNITS];
  bool fits = sub == nullptr ? utf16_copy(dir, REPORT_FILE_UNITS, report_fit_settings.dir) >= 0
                             : path_join_w(dir, REPORT_FILE_UNITS, report_fit_settings.dir, sub) == 0;
  if (!fits || path_join_w(name, REPORT_FILE_UNITS, dir, rel) != 0) {
    utf16_copy(name, REPORT_FILE_UNITS, rel);
    problem = "its name would be too long";
  }

  static ReportNewFile copy;
  int opened = REPORT_FILE_FAILED;
  if (problem == nullptr && path_make_folders_w(name) != 0) problem = "its folder cannot be made";
  else if (problem == nullptr && (opened = report_files_open(&copy, name, report_fit_settings.replace)) != REPORT_FILE_DONE) {
    problem = report_files_problem(opened, true);
  }
  if (opened == REPORT_FILE_DONE) {
    // The copy is read by the path the check read the motion by.
    // A copy that folds bones is written by the pose engine's writer, which rebuilds the bone block.
    const VmdRename* bones = renames[LISTING_BONES].data();
    const VmdRename* morphs = renames[LISTING_MORPHS].data();
    int nb = (int)renames[LISTING_BONES].size(), nm = (int)renames[LISTING_MORPHS].size();
    int copied = o.folded ? report_pose_write(o, copy.f, bones, nb, morphs, nm)
                          : vmd_fit_copy(o.path.ansi.c_str(), o.path.w.c_str(), o.path.opened == OPENED_UTF16, copy.f,
                                         bones, nb, morphs, nm, nullptr);
    int closed = report_files_close(&copy, copied == 0);
    if (copied == VMD_FIT_UNOPENED) problem = "the motion cannot be opened again";
    else if (copied != 0 && o.folded) problem = "it cannot be written, or the motion changed since it was read";
    else if (closed != REPORT_FILE_DONE) problem = report_files_problem(closed, true);
  }
  if (problem != nullptr) {
    std::fprintf(err, "velmora-report: cannot write %s: %s\n", report_text_path(name).c_str(), problem);
    return 1;
  }
  *fitted = report_text_path(name);
  return 0;
}
