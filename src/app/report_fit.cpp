// report_fit.cpp: velmora-report's fitted copies (see report_fit.h).
//
// Records: the copies' directory, written once by report_fit_start.
// Limits: a copy's name holds fewer than 1,024 units (the platform seam then refuses names of 260 units
// or more, as Windows would).
#include "app/report_fit.h"

#include "app/report_files.h"
#include "app/report_text.h"
#include "formats/vmd_fit.h"
#include "text/encoding.h"

#ifdef _WIN32
constexpr char16_t FIT_SEP = u'\\';
#else
constexpr char16_t FIT_SEP = u'/';
#endif

static char16_t fit_dir[REPORT_FILE_UNITS];

int report_fit_start(FILE* err, const char16_t* dir) { return report_file_dir(err, dir, fit_dir); }

int report_fit_motion(FILE* err, const FileState* fs, const char16_t* rel, const std::vector<Advice>& advice,
                      std::string* fitted) {
  fitted->clear();
  std::vector<VmdRename> renames[2];
  for (const Advice& a : advice) {
    if (!advice_renameable(a) || renames[a.list].size() >= (size_t)VMD_RENAMES) continue;
    renames[a.list].push_back(VmdRename{a.name, advice_model_name(a.list, a.to)});
  }
  if (renames[0].empty() && renames[1].empty()) return 0;

  static char16_t name[REPORT_FILE_UNITS];
  const char* problem = nullptr;
  if (!report_file_join(name, fit_dir, FIT_SEP, rel)) {
    utf16_copy(name, REPORT_FILE_UNITS, rel);
    problem = "its name would be too long";
  }

  static ReportNewFile copy;
  int opened = REPORT_FILE_FAILED;
  if (problem == nullptr && report_file_folders(name) != 0) problem = "its folder cannot be made";
  else if (problem == nullptr && (opened = report_file_open(&copy, name)) != REPORT_FILE_DONE) {
    problem = report_file_problem(opened);
  }
  if (opened == REPORT_FILE_DONE) {
    // The copy is read by the path the check read the motion by.
    int copied = vmd_fit_copy(fs->input, fs->input_w, fs->ansi_failed != 0, copy.f, renames[0].data(),
                              (int)renames[0].size(), renames[1].data(), (int)renames[1].size(), nullptr);
    int closed = report_file_close(&copy, copied == VMD_FIT_DONE);
    if (copied == VMD_FIT_UNOPENED) problem = "the motion cannot be opened again";
    else if (closed != REPORT_FILE_DONE) problem = report_file_problem(closed);
  }
  if (problem != nullptr) {
    std::fprintf(err, "velmora-report: cannot write %s: %s\n", report_tool_path(name).c_str(), problem);
    return 1;
  }
  *fitted = report_tool_path(name);
  return 0;
}
