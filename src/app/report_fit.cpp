// report_fit.cpp: velmora-report's fitted copies (see report_fit.h).
//
// Records: the copies' directory, written once by report_fit_start, and the copies the run wrote.
// Limits: a copy's name holds fewer than 1,024 units (the platform seam then refuses names of 260 units
// or more, as Windows would).
#include "app/report_fit.h"

#include <map>
#include <set>

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
  std::set<std::u16string> written;  // the copies written in the run, by report_fit_key
};
static FitSettings report_fit_settings;

// A name as the platform compares file names: both separators one, and where names do not tell case
// apart (Windows), the letters A to Z as a to z.
static std::u16string report_fit_key(const std::u16string& name) {
  std::u16string key = name;
  for (char16_t& c : key) {
    if (path_is_sep_w(c)) c = u'/';
    else if (PATH_NAMES_FOLD_CASE && c >= u'A' && c <= u'Z') c = (char16_t)(c - u'A' + u'a');
  }
  return key;
}

int report_fit_start(FILE* err, const char16_t* dir, bool replace) {
  FitSettings& s = report_fit_settings;
  s.dir[0] = 0;
  s.replace = replace;
  s.written.clear();
  uint64_t id[2];
  // A name that is taken by something other than a folder can never hold the copies.
  if (utf16_length(dir) >= REPORT_FILE_UNITS || (sys_name_taken_w(dir) && sys_folder_id_w(dir, id) != 0)) {
    std::fprintf(err, "velmora-report: cannot create the directory %s\n", report_text_path(dir).c_str());
    return 2;
  }
  utf16_copy(s.dir, REPORT_FILE_UNITS, dir);
  return 0;
}

int report_fit_motion(FILE* err, const FileOutcome& o, const char16_t* sub, std::string* fitted, std::string* said) {
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
  // A copy the run wrote already stays as it is, --replace or not.
  std::u16string key = report_fit_key(name);
  if (problem == nullptr && report_fit_settings.written.count(key) != 0) problem = "this run wrote a copy there already";
  else if (problem == nullptr && path_make_folders_w(name) != 0) problem = "its folder cannot be made";
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
                          : vmd_fit_copy(run_path_opened(o.path), copy.f, bones, nb, morphs, nm, nullptr);
    int closed = report_files_close(&copy, copied == 0);
    if (copied == VMD_FIT_UNOPENED) problem = "the motion cannot be opened again";
    else if (copied != 0 && o.folded) problem = "it cannot be written, or the motion changed since it was read";
    else if (closed != REPORT_FILE_DONE) problem = report_files_problem(closed, true);
  }
  if (problem != nullptr) {
    std::string line = "velmora-report: cannot write " + report_text_path(name) + ": " + problem + "\n";
    if (said != nullptr) *said += line;
    else std::fputs(line.c_str(), err);
    return 1;
  }
  report_fit_settings.written.insert(key);
  *fitted = report_text_path(name);
  return 0;
}

// ---- Names that never meet --------------------------------------------------------------------------------

// The name of the folder of source (a FOLDER's own, or the one that holds a FILE), or "".
static std::u16string report_fit_folder_name(const std::u16string& source, bool folder) {
  static char16_t name[REPORT_FILE_UNITS];
  if (path_folder_name_w(name, REPORT_FILE_UNITS, source.c_str(), !folder) != 0) return u"";
  return name;
}

// The first two entries of keys that are one key: their places, or false when every key is its own.
static bool report_fit_meet(const std::vector<std::u16string>& keys, size_t* a, size_t* b) {
  std::map<std::u16string, size_t> seen;
  for (size_t i = 0; i < keys.size(); i++) {
    auto at = seen.emplace(keys[i], i);
    if (!at.second) {
      *a = at.first->second;
      *b = i;
      return true;
    }
  }
  return false;
}

int report_fit_unique(FILE* err, std::vector<FitName>* names) {
  std::vector<FitName>& n = *names;
  // Twice: the FILE arguments whose name meets another argument's take the folder that holds them
  // (DIR/FOLDER/NAME), then the FOLDER arguments whose names still meet take their own name.
  for (int pass = 0; pass < 2; pass++) {
    std::map<std::u16string, int> first_group;
    std::set<int> meet;
    for (const FitName& f : n) {
      auto at = first_group.emplace(report_fit_key(f.rel), f.group);
      if (!at.second && at.first->second != f.group) {
        meet.insert(at.first->second);
        meet.insert(f.group);
      }
    }
    for (FitName& f : n) {
      if (meet.count(f.group) == 0 || f.folder != (pass == 1)) continue;
      std::u16string own = report_fit_folder_name(f.source, f.folder);
      if (!own.empty()) f.rel = own + PATH_SEP_W + f.rel;
    }
  }
  std::vector<std::u16string> keys;
  for (const FitName& f : n) keys.push_back(report_fit_key(f.rel));
  size_t a, b;
  if (!report_fit_meet(keys, &a, &b)) return 0;
  static char16_t copy[REPORT_FILE_UNITS];
  path_join_w(copy, REPORT_FILE_UNITS, report_fit_settings.dir, n[b].rel.c_str());
  std::fprintf(err, "velmora-report: the fitted copies of %s and %s would both be %s; nothing was written\n",
               n[a].shown.c_str(), n[b].shown.c_str(), report_text_path(copy).c_str());
  return 2;
}

int report_fit_model_folders(FILE* err, const std::vector<std::u16string>& models, std::vector<std::u16string>* folders) {
  static char16_t stem[REPORT_FILE_UNITS];
  std::vector<std::u16string>& f = *folders;
  f.clear();
  for (const std::u16string& m : models) {
    path_stem_w(stem, REPORT_FILE_UNITS, m.c_str());
    f.push_back(stem);
  }
  const std::vector<std::u16string> stems = f;
  // Twice: the names that meet take the folder that holds each model, then those that still meet take
  // the model's place instead.
  for (int pass = 0; pass < 2; pass++) {
    std::map<std::u16string, int> count;
    for (const std::u16string& name : f) count[report_fit_key(name)]++;
    for (size_t i = 0; i < f.size(); i++) {
      if (count[report_fit_key(f[i])] < 2) continue;
      char16_t place[16];
      report_text_ascii_w(place, 16, "%d", (int)i + 1);
      std::u16string own = pass == 0 ? report_fit_folder_name(models[i], false) : std::u16string(place);
      if (!own.empty()) f[i] = stems[i] + u" (" + own + u")";
    }
  }
  std::vector<std::u16string> keys;
  for (const std::u16string& name : f) keys.push_back(report_fit_key(name));
  size_t a, b;
  if (!report_fit_meet(keys, &a, &b)) return 0;
  static char16_t folder[REPORT_FILE_UNITS];
  path_join_w(folder, REPORT_FILE_UNITS, report_fit_settings.dir, f[b].c_str());
  std::fprintf(err, "velmora-report: the fitted copies for %s and %s would both go into %s; nothing was written\n",
               report_text_path(models[a].c_str()).c_str(), report_text_path(models[b].c_str()).c_str(),
               report_text_path(folder).c_str());
  return 2;
}
