// sys_win32.cpp: the platform seam on Windows: thin wrappers over kernel32 (see sys.h).
// Searches are FindFirstFileA/W handles; file handles are CreateFileW handles.
#include "sys/sys.h"

#include <windows.h>

#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstring>
#include <cwchar>

constexpr DWORD RUN_LOG_UNITS = 1024;  // the test log's path

bool sys_is_dbcs_lead(unsigned char b) { return IsDBCSLeadByte(b) != 0; }
unsigned sys_user_lang() { return GetUserDefaultLangID(); }
unsigned sys_console_output_cp() { return GetConsoleOutputCP(); }
unsigned sys_oem_cp() { return GetOEMCP(); }
unsigned sys_ansi_cp() { return GetACP(); }

int sys_ansi_from_utf16(char* dst, int size, const char16_t* src) {
  // The used-default flag is refused (an error) for the UTF-8 code pages, which spell everything.
  UINT cp = GetACP();
  BOOL used = FALSE;
  BOOL* usedp = cp == CP_UTF8 || cp == CP_UTF7 ? nullptr : &used;
  const wchar_t* w = reinterpret_cast<const wchar_t*>(src);
  if (size <= 0 || WideCharToMultiByte(CP_ACP, 0, w, -1, dst, size, nullptr, usedp) == 0) {
    // No room in dst: left empty, and the conversion only measured for its answer.
    if (size > 0) dst[0] = 0;
    used = FALSE;
    WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, usedp);
  }
  return used ? 1 : 0;
}

void sys_sleep(unsigned ms) { Sleep(ms); }

int sys_current_dir(char* dst, int size) {
  if (size <= 0) return 0;
  DWORD n = GetCurrentDirectoryA((DWORD)size, dst);
  if (n == 0 || n >= (DWORD)size) {
    dst[0] = 0;
    return 0;
  }
  return (int)n;
}

int sys_current_dir_w(char16_t* dst, int size) {
  if (size <= 0) return 0;
  DWORD n = GetCurrentDirectoryW((DWORD)size, reinterpret_cast<wchar_t*>(dst));
  if (n == 0 || n >= (DWORD)size) {
    dst[0] = 0;
    return 0;
  }
  return (int)n;
}

int sys_program_path_w(char16_t* dst, int size) {
  if (size <= 0) return 0;
  DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(dst), (DWORD)size);
  if (n == 0 || n >= (DWORD)size) {
    dst[0] = 0;
    return 0;
  }
  return (int)n;
}

int sys_host_bytes_w(char* dst, int size, const char16_t* name) {
  const wchar_t* w = reinterpret_cast<const wchar_t*>(name);
  if (size <= 0) return -1;
  if (WideCharToMultiByte(CP_UTF8, 0, w, -1, dst, size, nullptr, nullptr) == 0) {
    dst[0] = 0;
    return -1;
  }
  return 0;
}

void sys_shown_name_w(char16_t* dst, int units, const char16_t* path) {
  int n = 0;
  if (units <= 0) return;
  for (int i = 0; path[i] != 0 && n < units - 1; i++) {
    char16_t u = path[i];
    if (u >= 0xD800 && u <= 0xDBFF && path[i + 1] >= 0xDC00 && path[i + 1] <= 0xDFFF) {
      if (n + 2 > units - 1) break;
      dst[n++] = u;
      dst[n++] = path[++i];
    } else {
      dst[n++] = u >= 0xD800 && u <= 0xDFFF ? u'\uFFFD' : u;
    }
  }
  dst[n] = 0;
}

// A console shows the colour escapes only with virtual terminal processing, which a program has to ask for
// (Windows 10 and later; where it is refused, as on older consoles, the escapes would show as text). NUL
// is a character device too, but no console.
bool sys_is_terminal(FILE* f) {
  HANDLE h = (HANDLE)_get_osfhandle(_fileno(f));
  DWORD mode = 0;
  if (!GetConsoleMode(h, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 || SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool sys_console_own() {
  wchar_t forced[8];
  DWORD n = GetEnvironmentVariableW(L"VELMORA_CONSOLE", forced, 8);
  if (n > 0 && n < 8) return std::wcscmp(forced, L"own") == 0;
  // Room for two: a second process on the console is all the answer needs.
  DWORD list[2];
  return GetConsoleProcessList(list, 2) == 1;
}

bool sys_stdin_console() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

int sys_wait_key() {
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  INPUT_RECORD record;
  DWORD got = 0;
  while (ReadConsoleInputW(in, &record, 1, &got)) {
    if (got == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) {
      return (int)record.Event.KeyEvent.uChar.UnicodeChar;
    }
  }
  return -1;
}

int sys_temp_dir_w(char16_t* dst, int units) {
  if (units <= 0) return 0;
  DWORD n = GetTempPathW((DWORD)units, reinterpret_cast<wchar_t*>(dst));
  if (n == 0 || n >= (DWORD)units) {
    dst[0] = 0;
    return 0;
  }
  return (int)n;
}

int sys_open_document_w(const char16_t* path) {
  wchar_t log[RUN_LOG_UNITS];
  DWORD n = GetEnvironmentVariableW(L"VELMORA_OPEN_LOG", log, RUN_LOG_UNITS);
  if (n > 0 && n < RUN_LOG_UNITS) {
    FILE* f = _wfopen(log, L"ab");
    if (f == nullptr) return -1;
    char utf8[MAX_PATH * 4];
    int len = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(path), -1, utf8, (int)sizeof utf8,
                                  nullptr, nullptr);
    bool ok = len > 0 && std::fprintf(f, "%s\n", utf8) > 0;
    return std::fclose(f) == 0 && ok ? 0 : -1;
  }
  // ShellExecuteW answers above 32 for success.
  HINSTANCE h = ShellExecuteW(nullptr, L"open", reinterpret_cast<const wchar_t*>(path), nullptr, nullptr, SW_SHOWNORMAL);
  return (INT_PTR)h > 32 ? 0 : -1;
}

const char16_t* sys_command_line_w() { return reinterpret_cast<const char16_t*>(GetCommandLineW()); }
const char* sys_command_line_a() { return GetCommandLineA(); }

intptr_t sys_open_read_w(const char16_t* path) {
  HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? SYS_NO_FILE : (intptr_t)h;
}

int sys_read(intptr_t h, void* buf, int count) {
  DWORD got = 0;
  if (h == SYS_NO_FILE || count < 0) return -1;
  if (!ReadFile((HANDLE)h, buf, (DWORD)count, &got, nullptr)) return -1;
  return (int)got;
}

int64_t sys_seek(intptr_t h, int64_t offset, int origin) {
  static const DWORD methods[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
  if (h == SYS_NO_FILE || origin < 0 || origin > 2) return -1;
  LARGE_INTEGER to, now;
  to.QuadPart = offset;
  if (!SetFilePointerEx((HANDLE)h, to, &now, methods[origin])) return -1;
  return now.QuadPart;
}

void sys_close(intptr_t h) {
  if (h != SYS_NO_FILE) CloseHandle((HANDLE)h);
}

FILE* sys_fopen(const char* path, const char* mode) { return std::fopen(path, mode); }

FILE* sys_fopen_w(const char16_t* path, const char* mode) {
  wchar_t wmode[8];
  int i = 0;
  for (; mode[i] != 0 && i < 7; i++) wmode[i] = (wchar_t)(unsigned char)mode[i];
  wmode[i] = 0;
  return _wfopen(reinterpret_cast<const wchar_t*>(path), wmode);
}

FILE* sys_fcreate_new_w(const char16_t* path) {
  HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  int fd = _open_osfhandle((intptr_t)h, _O_BINARY | _O_WRONLY);
  if (fd < 0) {
    CloseHandle(h);
    return nullptr;
  }
  FILE* f = _fdopen(fd, "wb");
  if (f == nullptr) _close(fd);  // closes the handle with it
  return f;
}

int sys_fclose_synced(FILE* f) {
  bool ok = std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
  if (std::fclose(f) != 0) ok = false;
  return ok ? 0 : -1;
}

int sys_move_new_w(const char16_t* from, const char16_t* to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken.
  if (MoveFileExW(reinterpret_cast<const wchar_t*>(from), reinterpret_cast<const wchar_t*>(to),
                  MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  DWORD e = GetLastError();
  return e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS ? 1 : -1;
}

int sys_move_over_w(const char16_t* from, const char16_t* to) {
  return MoveFileExW(reinterpret_cast<const wchar_t*>(from), reinterpret_cast<const wchar_t*>(to),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : -1;
}

bool sys_name_taken_w(const char16_t* path) {
  return GetFileAttributesW(reinterpret_cast<const wchar_t*>(path)) != INVALID_FILE_ATTRIBUTES;
}

int sys_remove_w(const char16_t* path) { return DeleteFileW(reinterpret_cast<const wchar_t*>(path)) ? 0 : -1; }

int sys_make_dir_w(const char16_t* path) {
  const wchar_t* w = reinterpret_cast<const wchar_t*>(path);
  if (CreateDirectoryW(w, nullptr)) return 0;
  DWORD attributes = GetFileAttributesW(w);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : -1;
}

static void sys_find_fill_a(const WIN32_FIND_DATAA& d, SysFindEntry* e) {
  std::memcpy(e->name, d.cFileName, sizeof e->name);
  e->name[sizeof e->name - 1] = 0;
  e->wname[0] = 0;
  e->is_dir = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

static void sys_find_fill_w(const WIN32_FIND_DATAW& d, SysFindEntry* e) {
  std::memcpy(e->wname, d.cFileName, sizeof e->wname);
  e->wname[259] = 0;
  e->name[0] = 0;
  e->is_dir = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int sys_folder_id_w(const char16_t* path, uint64_t id[2]) {
  // A folder opens only with backup semantics; the handle reads nothing, it only names the folder.
  HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  CloseHandle(h);
  if (!ok) return -1;
  id[0] = info.dwVolumeSerialNumber;
  id[1] = (uint64_t)info.nFileIndexHigh << 32 | info.nFileIndexLow;
  return 0;
}

int sys_list_folder_w(const char16_t* path, void (*entry)(const char16_t* name, int kind, void* arg), void* arg) {
  wchar_t pattern[MAX_PATH + 2];
  int n = 0;
  for (; path[n] != 0; n++) {
    if (n >= MAX_PATH - 2) return -1;
    pattern[n] = (wchar_t)path[n];
  }
  if (n > 0 && pattern[n - 1] != L'\\' && pattern[n - 1] != L'/') pattern[n++] = L'\\';
  pattern[n++] = L'*';
  pattern[n] = 0;
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(pattern, &d);
  if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
  do {
    if (std::wcscmp(d.cFileName, L".") == 0 || std::wcscmp(d.cFileName, L"..") == 0) continue;
    int kind = (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? SYS_ENTRY_FOLDER : SYS_ENTRY_FILE;
    entry(reinterpret_cast<const char16_t*>(d.cFileName), kind, arg);
  } while (FindNextFileW(h, &d));
  FindClose(h);
  return 0;
}

// The search handle carries its form in its lowest bit: handles are multiples of 4.
intptr_t sys_find_first(const char* pattern, SysFindEntry* e) {
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA(pattern, &d);
  if (h == INVALID_HANDLE_VALUE) return SYS_NO_FILE;
  sys_find_fill_a(d, e);
  return (intptr_t)h;
}

intptr_t sys_find_first_w(const char16_t* pattern, SysFindEntry* e) {
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern), &d);
  if (h == INVALID_HANDLE_VALUE) return SYS_NO_FILE;
  sys_find_fill_w(d, e);
  return (intptr_t)h | 1;
}

int sys_find_next(intptr_t h, SysFindEntry* e) {
  if (h == SYS_NO_FILE) return -1;
  if (h & 1) {
    WIN32_FIND_DATAW d;
    if (!FindNextFileW((HANDLE)(h & ~(intptr_t)1), &d)) return -1;
    sys_find_fill_w(d, e);
  } else {
    WIN32_FIND_DATAA d;
    if (!FindNextFileA((HANDLE)h, &d)) return -1;
    sys_find_fill_a(d, e);
  }
  return 0;
}

void sys_find_close(intptr_t h) {
  if (h != SYS_NO_FILE) FindClose((HANDLE)(h & ~(intptr_t)1));
}
