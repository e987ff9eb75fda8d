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

#ifdef _WIN32
constexpr char16_t FOLDER_SEP = u'\\';
#else
constexpr char16_t FOLDER_SEP = u'/';
#endif
constexpr size_t FOLDER_PATH_MAX = 259;  // units of a path the platform opens

static const char FOLDER_UNREADABLE[] = "a folder that cannot be read";
static const char FOLDER_TOO_LONG[] = "a path too long to open (260 characters or more)";
static const char FOLDER_SPECIAL[] = "not a regular file (a FIFO, socket or device); skipped";

bool folder_is(const char16_t* path) {
  uint64_t id[2];
  return sys_folder_id_w(path, id) == 0;
}

// A listed name in the host's bytes (at most 4 per unit).
static std::string folder_host_bytes(const std::u16string& s) {
  std::string out(s.size() * 4 + 1, '\0');
  sys_host_bytes_w(out.data(), (int)out.size(), s.c_str());
  out.resize(std::char_traits<char>::length(out.c_str()));
  return out;
}

struct FolderChild {
  std::u16string name;
  int kind;  // SYS_ENTRY_*
};

static void folder_collect(const char16_t* name, int kind, void* arg) {
  static_cast<std::vector<FolderChild>*>(arg)->push_back(FolderChild{name, kind});
}

// A name the run takes for a motion: its extension begins with ".vmd", letters in any case.
static bool folder_is_motion(const std::u16string& name) {
  char16_t ext[FOLDER_PATH_MAX + 1];
  path_ext_w(ext, (int)FOLDER_PATH_MAX + 1, name.c_str());
  return prefix_nocase_w(ext, u".VMD") == 0;
}

struct FolderWalk {
  std::vector<FolderEntry>* out;
  std::vector<std::array<uint64_t, 2>> seen;
};

// Walks dir (its relative path rel, "" for the folder argument) and everything under it.
static void folder_walk(FolderWalk& walk, const std::u16string& dir, const std::string& rel) {
  std::vector<FolderChild> children;
  if (sys_list_folder_w(dir.c_str(), folder_collect, &children) != 0) {
    walk.out->push_back(FolderEntry{dir, rel, FOLDER_UNREADABLE, false});
    return;
  }
  std::u16string base = dir;
  if (!base.empty() && base.back() != u'/' && base.back() != u'\\') base += FOLDER_SEP;
  for (const FolderChild& child : children) {
    bool is_folder = child.kind == SYS_ENTRY_FOLDER;
    if (!is_folder && !folder_is_motion(child.name)) continue;
    std::u16string path = base + child.name;
    std::string child_rel = (rel.empty() ? "" : rel + "/") + folder_host_bytes(child.name);
    if (path.size() > FOLDER_PATH_MAX) {
      walk.out->push_back(FolderEntry{path, child_rel, FOLDER_TOO_LONG, false});
      continue;
    }
    if (child.kind == SYS_ENTRY_SPECIAL) {
      walk.out->push_back(FolderEntry{path, child_rel, FOLDER_SPECIAL, true});
      continue;
    }
    if (!is_folder) {
      walk.out->push_back(FolderEntry{path, child_rel, nullptr, false});
      continue;
    }
    std::array<uint64_t, 2> id;
    if (sys_folder_id_w(path.c_str(), id.data()) != 0) {
      walk.out->push_back(FolderEntry{path, child_rel, FOLDER_UNREADABLE, false});
      continue;
    }
    if (std::find(walk.seen.begin(), walk.seen.end(), id) != walk.seen.end()) continue;
    walk.seen.push_back(id);
    folder_walk(walk, path, child_rel);
  }
}

void folder_expand(const char16_t* folder, std::vector<FolderEntry>* out) {
  std::vector<FolderEntry> entries;
  FolderWalk walk = {&entries, {}};
  std::array<uint64_t, 2> id;
  if (sys_folder_id_w(folder, id.data()) == 0) walk.seen.push_back(id);
  folder_walk(walk, folder, "");
  std::stable_sort(entries.begin(), entries.end(),
                   [](const FolderEntry& a, const FolderEntry& b) { return a.rel < b.rel; });
  out->insert(out->end(), entries.begin(), entries.end());
}
