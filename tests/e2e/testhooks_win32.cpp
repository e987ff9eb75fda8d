// testhooks_win32.cpp: the hooks of velmora-testhooks.exe, the end-to-end tests' own build of the
// program (see src/app/testhooks.h):
//   VELMORA_TEST_LOG=FILE    every file the per-file loop takes up is appended to FILE as a line
//                            "k name" (the UTF-16 argument in UTF-8)
//   VELMORA_TEST_DROP=A;B;C  when the display loop first waits, the window receives a real WM_DROPFILES
//                            of these files, built in this process as the shell builds it
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/cmdline.h"
#include "app/testhooks.h"
#include "console/console.h"

void testhook_examined(int k) {
  wchar_t log[MAX_PATH];
  if (GetEnvironmentVariableW(L"VELMORA_TEST_LOG", log, MAX_PATH) == 0) return;
  FILE* f = _wfopen(log, L"ab");
  if (f == nullptr) return;
  char name[2048];
  WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(arg_w(k)), -1, name, sizeof name, nullptr,
                      nullptr);
  std::fprintf(f, "%d %s\n", k, name);
  std::fclose(f);
}

void testhook_waiting() {
  static bool dropped = false;
  wchar_t list[4096];
  if (dropped || GetEnvironmentVariableW(L"VELMORA_TEST_DROP", list, 4096) == 0) return;
  dropped = true;
  // The names, each ended by a 0, then a second 0.
  std::wstring names;
  for (const wchar_t* p = list; *p != 0; p++) names += *p == L';' ? L'\0' : *p;
  names += L'\0';
  names += L'\0';
  SIZE_T size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GHND, size);
  if (block == nullptr) return;
  DROPFILES* df = static_cast<DROPFILES*>(GlobalLock(block));
  df->pFiles = sizeof(DROPFILES);
  df->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(df) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(block);
  if (!PostMessageW(console_handle(), WM_DROPFILES, (WPARAM)block, 0)) GlobalFree(block);
}
