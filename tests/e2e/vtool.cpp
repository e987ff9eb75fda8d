// vtool.exe: the end-to-end tests' hand on the Windows side. Run under the same Wine prefix as the
// program under test, it finds a top-level window by its exact title and reads or works it the way a
// user's tools would, across processes:
//   vtool text TITLE          the window's own text, then each child's class and text, one per line,
//                             as UTF-8 ("class|text", CR and LF written as \r and \n); exit 1 when no
//                             such window exists
//   vtool client TITLE        the client area's width and height ("W H")
//   vtool press TITLE ID      clicks the child control with that ID (1 OK, 2 Cancel)
//   vtool close TITLE         posts WM_CLOSE, as the close button does
//   vtool drag-edge TITLE H   the user drags the window's bottom edge until the window is H pixels
//                             high (WM_ENTERSIZEMOVE, WM_SIZING, the new size, WM_EXITSIZEMOVE)
//   vtool wait TITLE SECONDS  waits until such a window exists (exit 0) or the time is up (exit 1)
//   vtool gone TITLE SECONDS  waits until no such window exists
//   vtool wow64               prints "wow64" when vtool, a 32-bit program, runs on a 64-bit system
//                             (IsWow64Process), else "x86"
//   vtool console OUT STDIN EXE [ARG...]
//                             starts EXE in a console of its own, as Explorer starts a console program
//                             that files are dropped on, with its standard output and error into the
//                             new file OUT and its standard input the console (STDIN "console") or NUL
//                             ("nul"). When it has not ended after 5 s, presses a key in its console
//                             (a space, or the character VTOOL_KEY holds)
//                             (vtool attaches only then: a second process on the console would make it
//                             a shared one) and gives it 10 s more. Prints "exit N", or "waited, exit N"
//                             when it took the key; exit 1 when it cannot be started or does not end
//                             (it is then ended)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>

namespace {

// UTF-8, with carriage returns and line feeds written as \r and \n so that a text stays on its line.
std::string narrow(const wchar_t* w) {
  char buf[8192];
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
  std::string out;
  for (int i = 0; n > 0 && buf[i] != 0; i++) {
    if (buf[i] == '\r') out += "\\r";
    else if (buf[i] == '\n') out += "\\n";
    else out += buf[i];
  }
  return out;
}

HWND find(const std::wstring& title) { return FindWindowW(nullptr, title.c_str()); }

BOOL CALLBACK print_child(HWND child, LPARAM) {
  wchar_t cls[256], text[2048];
  GetClassNameW(child, cls, 256);
  // WM_GETTEXT crosses processes; GetWindowText would not for another process's controls.
  SendMessageW(child, WM_GETTEXT, 2048, (LPARAM)text);
  std::printf("%s|%s\n", narrow(cls).c_str(), narrow(text).c_str());
  return TRUE;
}

// The console verb (see above): argv[2] OUT, argv[3] STDIN, argv[4] EXE, then its arguments.
int run_in_console(int argc, wchar_t** argv) {
  std::wstring command;
  for (int i = 4; i < argc; i++) command += std::wstring(i > 4 ? L" \"" : L"\"") + argv[i] + L"\"";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_NEW, 0, nullptr);
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE || nul == INVALID_HANDLE_VALUE) return 1;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  // No input handle: the new console's input takes its place.
  si.hStdInput = std::wcscmp(argv[3], L"nul") == 0 ? nul : nullptr;
  si.hStdOutput = out;
  si.hStdError = out;
  PROCESS_INFORMATION pi;
  BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr,
                                nullptr, &si, &pi);
  CloseHandle(out);
  CloseHandle(nul);
  if (!started) return 1;
  bool waited = false;
  if (WaitForSingleObject(pi.hProcess, 5000) == WAIT_TIMEOUT) {
    waited = true;
    FreeConsole();
    if (AttachConsole(pi.dwProcessId)) {
      HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
      // The key: a space, or the one character of VTOOL_KEY.
      wchar_t chosen[4] = L"";
      DWORD n = GetEnvironmentVariableW(L"VTOOL_KEY", chosen, 4);
      wchar_t pressed = n == 1 ? chosen[0] : L' ';
      INPUT_RECORD key[2] = {};
      for (int i = 0; i < 2; i++) {
        key[i].EventType = KEY_EVENT;
        key[i].Event.KeyEvent.bKeyDown = i == 0;
        key[i].Event.KeyEvent.wRepeatCount = 1;
        key[i].Event.KeyEvent.wVirtualKeyCode = pressed == L' ' ? VK_SPACE : (WORD)towupper(pressed);
        key[i].Event.KeyEvent.uChar.UnicodeChar = pressed;
      }
      DWORD written = 0;
      WriteConsoleInputW(in, key, 2, &written);
      CloseHandle(in);
      FreeConsole();
    }
  }
  DWORD code = 0;
  bool ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code);
  if (!ended) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!ended) return 1;
  std::printf("%sexit %lu\n", waited ? "waited, " : "", code);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr && argc == 2 && narrow(argv[1]) == "wow64") {
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    std::printf("%s\n", wow64 ? "wow64" : "x86");
    return 0;
  }
  if (argv == nullptr || argc < 3) {
    std::fprintf(stderr, "usage: vtool text|client|press|close|wait|gone TITLE [ARG], vtool wow64, vtool console OUT STDIN EXE [ARG...]\n");
    return 2;
  }
  std::string verb = narrow(argv[1]);
  if (verb == "console") return argc > 4 ? run_in_console(argc, argv) : 2;
  std::wstring title = argv[2];
  if (verb == "wait" || verb == "gone") {
    int tenths = argc > 3 ? 10 * _wtoi(argv[3]) : 100;
    for (int i = 0; i < tenths; i++) {
      bool present = find(title) != nullptr;
      if (present == (verb == "wait")) return 0;
      Sleep(100);
    }
    return 1;
  }
  HWND w = find(title);
  if (w == nullptr) return 1;
  if (verb == "text") {
    wchar_t text[2048];
    SendMessageW(w, WM_GETTEXT, 2048, (LPARAM)text);
    std::printf("window|%s\n", narrow(text).c_str());
    EnumChildWindows(w, print_child, 0);
    std::fflush(stdout);
    return 0;
  }
  if (verb == "client") {
    RECT r;
    GetClientRect(w, &r);
    std::printf("%ld %ld\n", r.right - r.left, r.bottom - r.top);
    return 0;
  }
  if (verb == "press" && argc > 3) {
    HWND button = GetDlgItem(w, _wtoi(argv[3]));
    if (button == nullptr) return 1;
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(_wtoi(argv[3]), BN_CLICKED), (LPARAM)button);
    return 0;
  }
  if (verb == "drag-edge" && argc > 3) {
    RECT r;
    GetWindowRect(w, &r);
    r.bottom = r.top + _wtoi(argv[3]);
    SendMessageW(w, WM_ENTERSIZEMOVE, 0, 0);
    SendMessageW(w, WM_SIZING, WMSZ_BOTTOM, (LPARAM)&r);
    SetWindowPos(w, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageW(w, WM_EXITSIZEMOVE, 0, 0);
    return 0;
  }
  if (verb == "close") {
    PostMessageW(w, WM_CLOSE, 0, 0);
    return 0;
  }
  return 2;
}
