// report_folders.cpp: the motions under a FOLDER argument (see report_folders.h), through the platform
// seam's folder listing, so that velmora-report and velmora-report.exe walk alike.
//
// Records: none; a walk keeps its entries and the folders it has seen in the caller's vectors.
// Limits: a path of 260 units or more is not read (the platform's path limit); names come as the
// platform lists them. Only files are opened: a FIFO, socket or device is passed over, whatever its name.
#include "app/report_folders.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "paths/paths.h"
#include "sys/sys.h"
#include "text/encoding.h"

constexpr size_t FOLDER_PATH_MAX = 259;  // units of a path the platform opens

static const char FOLDER_UNREADABLE[] = "a folder that cannot be read";
static const char FOLDER_TOO_LONG[] = "a path too long to open (260 characters or more)";
static const char FOLDER_SPECIAL[] = "not a regular file (a FIFO, socket or device); skipped";

bool report_folders_is(const char16_t* path) {
  uint64_t id[2];
  return sys_folder_id_w(path, id) == 0;
}

// A listed name in the host's bytes (at most 4 per unit).
static std::string report_folders_host_bytes(const std::u16string& s) {
  std::string out(s.size() * 4 + 1, '\0');
  sys_host_bytes_w(out.data(), (int)out.size(), s.c_str());
  out.resize(std::char_traits<char>::length(out.c_str()));
  return out;
}

struct FolderChild {
  std::u16string name;
  int kind;  // SYS_ENTRY_*
};

static void report_folders_collect(const char16_t* name, int kind, void* arg) {
  static_cast<std::vector<FolderChild>*>(arg)->push_back(FolderChild{name, kind});
}

// A name the run takes for a motion: its extension begins with ".vmd", letters in any case; with models
// also one whose extension begins with ".pmx".
static bool report_folders_is_motion(const std::u16string& name, bool models) {
  char16_t ext[FOLDER_PATH_MAX + 1];
  path_ext_w(ext, (int)FOLDER_PATH_MAX + 1, name.c_str());
  return prefix_nocase_w(ext, u".VMD") == 0 || (models && prefix_nocase_w(ext, u".PMX") == 0);
}

struct FolderWalk {
  std::vector<FolderEntry>* out;
  std::vector<std::array<uint64_t, 2>> seen;
  bool models;  // the models under it are taken too
};

// Walks dir (its relative path rel and sort key order, empty for the folder argument) and everything
// under it.
static void report_folders_walk(FolderWalk& walk, const std::u16string& dir, const std::u16string& rel,
                                const std::string& order) {
  std::vector<FolderChild> children;
  if (sys_list_folder_w(dir.c_str(), report_folders_collect, &children) != 0) {
    walk.out->push_back(FolderEntry{dir, rel, order, FOLDER_UNREADABLE, false});
    return;
  }
  std::u16string base = dir;
  if (!base.empty() && !path_is_sep_w(base.back())) base += PATH_SEP_W;
  for (const FolderChild& child : children) {
    bool is_folder = child.kind == SYS_ENTRY_FOLDER;
    if (!is_folder && !report_folders_is_motion(child.name, walk.models)) continue;
    std::u16string path = base + child.name;
    std::u16string child_rel = rel.empty() ? child.name : rel + PATH_SEP_W + child.name;
    std::string child_order = (order.empty() ? "" : order + "/") + report_folders_host_bytes(child.name);
    if (path.size() > FOLDER_PATH_MAX) {
      walk.out->push_back(FolderEntry{path, child_rel, child_order, FOLDER_TOO_LONG, false});
      continue;
    }
    if (child.kind == SYS_ENTRY_SPECIAL) {
      walk.out->push_back(FolderEntry{path, child_rel, child_order, FOLDER_SPECIAL, true});
      continue;
    }
    if (!is_folder) {
      walk.out->push_back(FolderEntry{path, child_rel, child_order, nullptr, false});
      continue;
    }
    std::array<uint64_t, 2> id;
    if (sys_folder_id_w(path.c_str(), id.data()) != 0) {
      walk.out->push_back(FolderEntry{path, child_rel, child_order, FOLDER_UNREADABLE, false});
      continue;
    }
    if (std::find(walk.seen.begin(), walk.seen.end(), id) != walk.seen.end()) continue;
    walk.seen.push_back(id);
    report_folders_walk(walk, path, child_rel, child_order);
  }
}

void report_folders_expand(const char16_t* folder, std::vector<FolderEntry>* out, bool models) {
  std::vector<FolderEntry> entries;
  FolderWalk walk = {&entries, {}, models};
  std::array<uint64_t, 2> id;
  if (sys_folder_id_w(folder, id.data()) == 0) walk.seen.push_back(id);
  report_folders_walk(walk, folder, u"", "");
  std::stable_sort(entries.begin(), entries.end(),
                   [](const FolderEntry& a, const FolderEntry& b) { return a.order < b.order; });
  out->insert(out->end(), entries.begin(), entries.end());
}
