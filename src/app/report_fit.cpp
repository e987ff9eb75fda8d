// report_fit.cpp: velmora-report's fitted copies (see report_fit.h).
//
// Records: the copies' directory, written once by report_fit_start.
// Limits: a copy's name holds fewer than 1,024 units (the platform seam then refuses names of 260 units
// or more, as Windows would).
#include "app/report_fit.h"

#include "app/report_files.h"
#include "app/report_text.h"
#include "formats/vmd_fit.h"
#include "paths/paths.h"
#include "text/encoding.h"

static char16_t report_fit_dir[REPORT_FILE_UNITS];

int report_fit_start(FILE* err, const char16_t* dir) { return report_files_dir(err, dir, report_fit_dir); }

int report_fit_motion(FILE* err, const FileOutcome& o, std::string* fitted) {
  fitted->clear();
  std::vector<VmdRename> renames[LISTING_KINDS];
  for (const LackingName& a : o.lacking) {
    if (!a.renameable || renames[a.list].size() >= (size_t)VMD_RENAMES) continue;
    renames[a.list].push_back(VmdRename{a.name.c_str(), a.to.c_str()});
  }
  if (renames[LISTING_BONES].empty() && renames[LISTING_MORPHS].empty()) return 0;

  static char16_t name[REPORT_FILE_UNITS];
  const char* problem = nullptr;
  const char16_t* rel = o.path.rel.c_str();
  if (path_join_w(name, REPORT_FILE_UNITS, report_fit_dir, rel) != 0) {
    utf16_copy(name, REPORT_FILE_UNITS, rel);
    problem = "its name would be too long";
  }

  static ReportNewFile copy;
  int opened = REPORT_FILE_FAILED;
  if (problem == nullptr && path_make_folders_w(name) != 0) problem = "its folder cannot be made";
  else if (problem == nullptr && (opened = report_files_open(&copy, name)) != REPORT_FILE_DONE) {
    problem = report_files_problem(opened);
  }
  if (opened == REPORT_FILE_DONE) {
    // The copy is read by the path the check read the motion by.
    int copied = vmd_fit_copy(o.path.ansi.c_str(), o.path.w.c_str(), o.path.opened == OPENED_UTF16, copy.f,
                              renames[LISTING_BONES].data(), (int)renames[LISTING_BONES].size(),
                              renames[LISTING_MORPHS].data(), (int)renames[LISTING_MORPHS].size(), nullptr);
    int closed = report_files_close(&copy, copied == VMD_FIT_DONE);
    if (copied == VMD_FIT_UNOPENED) problem = "the motion cannot be opened again";
    else if (closed != REPORT_FILE_DONE) problem = report_files_problem(closed);
  }
  if (problem != nullptr) {
    std::fprintf(err, "velmora-report: cannot write %s: %s\n", report_text_path(name).c_str(), problem);
    return 1;
  }
  *fitted = report_text_path(name);
  return 0;
}
