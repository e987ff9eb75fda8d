// report_folders.h: velmora-report's FOLDER arguments. A folder stands for the motions under it,
// recursively: every file whose extension begins with .vmd in any letter case, as the run tells a motion;
// with --each-model also the models under it (.pmx).
#pragma once
#include <string>
#include <vector>

// One file of a folder, or one part of it that cannot be read.
struct FolderEntry {
  std::u16string path;  // the folder argument joined with the relative path, in the platform's spelling
  std::u16string rel;   // the path relative to the folder argument, the platform's separator between its
                        // parts: the name its fitted copy takes under --fit's folder
  std::string order;    // the same with "/" between its parts, in the host's bytes (sys_host_bytes_w):
                        // the sort key
  const char* problem;  // nullptr for a motion to examine; else why it is not read
  bool skipped;         // a FIFO, socket or device with a motion's name: passed over on purpose, which
                        // is no failure (problem says so)
};

// True when path names a folder (links followed).
bool report_folders_is(const char16_t* path);
// The motions under folder, in the byte order of their relative paths, with an entry of their own for a
// subfolder that cannot be read, for a path too long for the platform (259 units) and for a motion's
// name on something other than a file (never opened: a FIFO would wait forever); the folder itself
// when it cannot be read. A motion is a regular file or a link to one. Each real folder is walked once,
// so a link back up ends there. With models set, the models under it (.pmx, in any letter case) are
// among its files, in the same order. Appends to out.
void report_folders_expand(const char16_t* folder, std::vector<FolderEntry>* out, bool models = false);
