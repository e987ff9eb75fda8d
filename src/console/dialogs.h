// dialogs.h: the system's open-file dialog for a motion, in a UTF-16 form (GetOpenFileNameW) and a
// Shift-JIS form (GetOpenFileNameA) with the same logic: the motion files' filter list, title and default
// extension, the initial directory and file name split from an initial path, the console window as
// owner.
//
// The preparation (filters, filter index, title, directory and name) is portable (dialog_filters.cpp) and
// filled into a setup record; dialogs_win32.cpp shows the dialog from it.
#pragma once
#include <cstdint>

constexpr int DIALOG_FILTER_UNITS = 16256;  // filter list buffer, in characters
constexpr int DIALOG_PATH_UNITS = 260;      // file buffer, initial directory and the out buffer
constexpr int DIALOG_TEXT_UNITS = 32;       // title and default extension

template <typename C>
struct DialogSetup {
  C filters[DIALOG_FILTER_UNITS];  // pairs of description and pattern, each ended by 0, then a second 0:
                                   // "MMD Motion File  (*.vmd)" *.VMD, "All Files  (*.*)" *.*
  int32_t filter_index;            // 0 the first filter; 1 when the initial extension begins with .VMD
  C title[DIALOG_TEXT_UNITS];        // "Open MMD Motion File"
  C default_ext[DIALOG_TEXT_UNITS];  // "vmd"
  C dir[DIALOG_PATH_UNITS];          // initial directory without its trailing separator; empty for none
  C file[DIALOG_PATH_UNITS];         // initial content of the file buffer
};
using DialogSetupW = DialogSetup<char16_t>;
using DialogSetupA = DialogSetup<char>;

// Fills s from the initial path (may be null). Filter index 1 when the initial name's extension begins
// with .VMD (any case), else 0.
void dialog_prepare_w(DialogSetupW* s, const char16_t* initial);
void dialog_prepare(DialogSetupA* s, const char* initial);

// Shows the open dialog for a motion, owned by the console window when one is open. 0 a file was chosen
// (and copied into out, 260 units, when out is not null); -1 cancelled or failed (the reason is not
// shown). A cancelled dialog leaves out unchanged.
int open_dialog_w(char16_t* out, const char16_t* initial);
int open_dialog(char* out, const char* initial);
