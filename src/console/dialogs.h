// dialogs.h: the system's open-file dialog, in a UTF-16 form (GetOpenFileNameW) and a Shift-JIS form
// (GetOpenFileNameA) with the same logic: a filter list, title and default extension chosen by a file
// kind, the initial directory and file name split from an initial path, the console window as owner.
//
// The preparation (filters, filter index, title, directory and name) is portable (dialog_filters.cpp) and
// filled into a setup record; dialogs_win32.cpp shows the dialog from it.
#pragma once
#include <cstdint>

constexpr int DIALOG_FILTER_UNITS = 16256;  // filter list buffer, in characters
constexpr int DIALOG_PATH_UNITS = 260;      // file buffer, initial directory and the out buffer
constexpr int DIALOG_TEXT_UNITS = 32;       // title and default extension

// File kinds. "All Files  (*.*)" always comes last.
enum DialogKind {
  DIALOG_FILE = 0,    // "Open File": nothing else; default extension txt
  DIALOG_IMAGE = 1,   // "Open Image File": the image group; bmp
  DIALOG_SCRIPT = 2,  // "Open Script File": the script group; txt
  DIALOG_SOURCE = 3,  // "Open Source File": the script group, then the image group; no default extension
  DIALOG_MOTION = 4,  // "Open MMD Motion File": *.VMD; vmd
  DIALOG_VRM = 5,     // "Open VRM Model File": *.VRM; vrm
  DIALOG_MODEL = 6,   // "Open MMD Model File": *.PMX; pmx
  DIALOG_KINDS = 7
};

template <typename C>
struct DialogSetup {
  C filters[DIALOG_FILTER_UNITS];  // pairs of description and pattern, each ended by 0, then a second 0
  int32_t pairs;
  int32_t filter_index;            // 0 the first filter; 1 when the initial extension names the kind's type
  C title[DIALOG_TEXT_UNITS];
  C default_ext[DIALOG_TEXT_UNITS];  // empty for none
  C dir[DIALOG_PATH_UNITS];          // initial directory without its trailing separator; empty for none
  C file[DIALOG_PATH_UNITS];         // initial content of the file buffer
};
using DialogSetupW = DialogSetup<char16_t>;
using DialogSetupA = DialogSetup<char>;

// Fills s for kind from the initial path (may be null). 0, or -1 for a kind outside 0 to 6.
// Filter index: kinds 4, 5 and 6 take 1 when the initial name's extension begins with .VMD, .VRM or .PMX
// (any case); every other case, kinds 0 to 3 included, takes 0.
int dialog_prepare_w(DialogSetupW* s, int kind, const char16_t* initial);
int dialog_prepare(DialogSetupA* s, int kind, const char* initial);

// Shows the open dialog for kind, owned by the console window when one is open. 0 a file was chosen (and
// copied into out, 260 units, when out is not null); -1 cancelled, failed (the reason is not shown), or a
// kind outside 0 to 6 (no dialog). A cancelled dialog leaves out unchanged.
int open_dialog_w(char16_t* out, int kind, const char16_t* initial);
int open_dialog(char* out, int kind, const char* initial);
// The dialog's extended error of the last open_dialog call (0 after a cancel or a choice).
uint32_t open_dialog_error();
