// The open dialog under Wine, shown for real: a thread timer, which the dialog's own message loop
// dispatches, finds the dialog among this thread's windows, reads its title, owner, file types and
// initial file name, and cancels it. Cancelling gives -1 and leaves the out buffer unchanged.
//
// With VELMORA_DIALOG_PROBE set, DialogProbe.OpenMotion shows the motion dialog and prints its result
// and out buffer; the end-to-end script finds the dialog by its title with xdotool and cancels it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/dialogs.h"

namespace {

// What the timer saw of the dialog.
struct Seen {
  HWND dialog;
  std::wstring title;
  HWND owner;
  std::vector<std::wstring> types;
  int selected;
  std::wstring file;
  int ticks;
} seen;

BOOL CALLBACK find_dialog(HWND h, LPARAM) {
  wchar_t cls[32];
  GetClassNameW(h, cls, 32);
  if (std::wstring(cls) == L"#32770" && IsWindowVisible(h)) {
    seen.dialog = h;
    return FALSE;
  }
  return TRUE;
}

std::wstring text_of(HWND h) {
  wchar_t buf[512] = {};
  if (h) GetWindowTextW(h, buf, 512);
  return buf;
}

void CALLBACK on_tick(HWND, UINT, UINT_PTR id, DWORD) {
  seen.ticks++;
  seen.dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_dialog, 0);
  if (seen.dialog == nullptr) {
    if (seen.ticks > 200) KillTimer(nullptr, id);  // 20 s: give up (the test then fails)
    return;
  }
  KillTimer(nullptr, id);
  HWND d = seen.dialog;
  seen.title = text_of(d);
  seen.owner = GetWindow(d, GW_OWNER);
  HWND types = GetDlgItem(d, cmb1);
  int n = (int)SendMessageW(types, CB_GETCOUNT, 0, 0);
  for (int i = 0; i < n; i++) {
    wchar_t item[256] = {};
    if (SendMessageW(types, CB_GETLBTEXTLEN, i, 0) < 255) SendMessageW(types, CB_GETLBTEXT, i, (LPARAM)item);
    seen.types.push_back(item);
  }
  seen.selected = (int)SendMessageW(types, CB_GETCURSEL, 0, 0);
  HWND name = GetDlgItem(d, edt1);
  if (name == nullptr) name = GetDlgItem(d, cmb13);
  seen.file = text_of(name);
  PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
}

void reset_seen() {
  seen = Seen{};
  seen.selected = -2;
}

}  // namespace

TEST(OpenDialog, MotionDialogOwnedByTheConsoleCancels) {
  ASSERT_EQ(console_open(512, 96, "dialog owner"), 0);
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  std::u16string initial = reinterpret_cast<const char16_t*>(cwd);
  initial += u"\\dance.VMD";
  char16_t out[DIALOG_PATH_UNITS] = u"unchanged";
  reset_seen();
  SetTimer(nullptr, 0, 100, on_tick);
  EXPECT_EQ(open_dialog_w(out, initial.c_str()), -1);
  EXPECT_EQ(CommDlgExtendedError(), 0u);  // cancelled, not failed
  EXPECT_EQ(std::u16string(out), u"unchanged");
  ASSERT_NE(seen.dialog, nullptr);
  EXPECT_EQ(seen.title, L"Open MMD Motion File");
  EXPECT_EQ(seen.owner, reinterpret_cast<HWND>(console_handle()));
  EXPECT_EQ(seen.types, (std::vector<std::wstring>{L"MMD Motion File  (*.vmd)", L"All Files  (*.*)"}));
  EXPECT_EQ(seen.selected, 0);  // filter index 1: the first filter
  EXPECT_EQ(seen.file, L"dance.VMD");
  console_close();
  console_pump();
}

TEST(OpenDialog, AnsiFormWithoutConsoleHasNoOwner) {
  ASSERT_EQ(console_state(), 0);
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  std::string initial = std::string(cwd) + "\\";
  char out[DIALOG_PATH_UNITS] = "unchanged";
  reset_seen();
  SetTimer(nullptr, 0, 100, on_tick);
  EXPECT_EQ(open_dialog(out, initial.c_str()), -1);
  EXPECT_STREQ(out, "unchanged");
  ASSERT_NE(seen.dialog, nullptr);
  EXPECT_EQ(seen.title, L"Open MMD Motion File");
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_EQ(seen.types, (std::vector<std::wstring>{L"MMD Motion File  (*.vmd)", L"All Files  (*.*)"}));
  EXPECT_EQ(seen.selected, 0);
  EXPECT_EQ(seen.file, L"");
}

TEST(DialogProbe, OpenMotion) {
  if (std::getenv("VELMORA_DIALOG_PROBE") == nullptr) GTEST_SKIP() << "run by the end-to-end dialog script";
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  std::u16string initial = reinterpret_cast<const char16_t*>(cwd);
  initial += u"\\";
  char16_t out[DIALOG_PATH_UNITS] = u"unchanged";
  int r = open_dialog_w(out, initial.c_str());
  unsigned error = (unsigned)CommDlgExtendedError();  // the dialog's own extended error, read at once
  char shown[DIALOG_PATH_UNITS * 3];
  WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(out), -1, shown, sizeof shown, nullptr, nullptr);
  std::printf("dialog result=%d out=%s error=%u\n", r, shown, error);
  std::fflush(stdout);
}
