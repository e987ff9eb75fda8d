// wintemp.h: a scratch directory for the Win32 tests, under the Windows temporary directory, removed
// with its files and subdirectories at the end; and the UTF-16 spellings the tests pass around.
#pragma once
#include <windows.h>

#include <string>

struct WinTemp {
  std::wstring dir;  // without a trailing backslash
  explicit WinTemp(const wchar_t* prefix = L"velmora-w32-") {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    dir = std::wstring(base) + prefix + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
  }
  ~WinTemp() {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = d.cFileName;
        if (name == L"." || name == L"..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryW(file(name).c_str());
        else DeleteFileW(file(name).c_str());
      } while (FindNextFileW(h, &d));
      FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
  }
  std::wstring file(const std::wstring& name) const { return dir + L"\\" + name; }
  // Writes bytes into the file name (created or truncated); returns its path.
  std::wstring write(const std::wstring& name, const std::string& bytes) const {
    std::wstring path = file(name);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      DWORD put = 0;
      WriteFile(h, bytes.data(), (DWORD)bytes.size(), &put, nullptr);
      CloseHandle(h);
    }
    return path;
  }
};

inline const char16_t* u16(const std::wstring& s) { return reinterpret_cast<const char16_t*>(s.c_str()); }
inline std::wstring wide(const char16_t* s) { return std::wstring(reinterpret_cast<const wchar_t*>(s)); }
