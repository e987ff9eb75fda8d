// dialogs_win32.cpp: open_dialog_w and open_dialog (see dialogs.h): the dialog record filled from a
// prepared setup and shown with GetOpenFileNameW / GetOpenFileNameA, owned by the console window.
//
// Records: one setup record of each form (the filter list is 16,256 characters), written only here.
// Limits: the record is the 76-byte form without the later extension fields, which every system takes.
#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <cstring>

#include "console/console.h"
#include "console/dialogs.h"

// The record's size up to its template name: the form without the later extension fields
// (OPENFILENAME_SIZE_VERSION_400), which every system takes.
constexpr DWORD DIALOG_RECORD_SIZE = 76;
static_assert(offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR) == DIALOG_RECORD_SIZE, "dialog record");
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == DIALOG_RECORD_SIZE, "dialog record");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 text goes to the wide calls as wchar_t");

static DialogSetupW dlg_setup_w;
static DialogSetupA dlg_setup_a;

static const wchar_t* dlg_w(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }

int open_dialog_w(char16_t* out, const char16_t* initial) {
  DialogSetupW& s = dlg_setup_w;
  dialog_prepare_w(&s, initial);
  wchar_t file[DIALOG_PATH_UNITS];
  std::memcpy(file, s.file, sizeof file);
  OPENFILENAMEW ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = DIALOG_RECORD_SIZE;
  ofn.hwndOwner = reinterpret_cast<HWND>(console_handle());
  ofn.hInstance = nullptr;
  ofn.lpstrFilter = dlg_w(s.filters);
  ofn.lpstrCustomFilter = nullptr;
  ofn.nFilterIndex = (DWORD)s.filter_index;
  ofn.lpstrFile = file;
  ofn.nMaxFile = DIALOG_PATH_UNITS;
  ofn.lpstrFileTitle = nullptr;
  ofn.lpstrInitialDir = s.dir[0] ? dlg_w(s.dir) : nullptr;
  ofn.lpstrTitle = dlg_w(s.title);
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  ofn.lpstrDefExt = s.default_ext[0] ? dlg_w(s.default_ext) : nullptr;
  if (GetOpenFileNameW(&ofn)) {
    if (out != nullptr) {
      file[DIALOG_PATH_UNITS - 1] = 0;
      for (int i = 0; i < DIALOG_PATH_UNITS; i++) {
        out[i] = (char16_t)file[i];
        if (file[i] == 0) break;
      }
    }
    return 0;
  }
  return -1;
}

int open_dialog(char* out, const char* initial) {
  DialogSetupA& s = dlg_setup_a;
  dialog_prepare(&s, initial);
  char file[DIALOG_PATH_UNITS];
  std::memcpy(file, s.file, sizeof file);
  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = DIALOG_RECORD_SIZE;
  ofn.hwndOwner = reinterpret_cast<HWND>(console_handle());
  ofn.lpstrFilter = s.filters;
  ofn.nFilterIndex = (DWORD)s.filter_index;
  ofn.lpstrFile = file;
  ofn.nMaxFile = DIALOG_PATH_UNITS;
  ofn.lpstrInitialDir = s.dir[0] ? s.dir : nullptr;
  ofn.lpstrTitle = s.title;
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  ofn.lpstrDefExt = s.default_ext[0] ? s.default_ext : nullptr;
  if (GetOpenFileNameA(&ofn)) {
    if (out != nullptr) {
      file[DIALOG_PATH_UNITS - 1] = 0;
      std::memcpy(out, file, std::strlen(file) + 1);
    }
    return 0;
  }
  return -1;
}
