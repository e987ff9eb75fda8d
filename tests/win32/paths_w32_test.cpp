// paths_w32_test.cpp: the path operations on Windows, where the directory search is FindFirstFileA/W
// and the lead-byte test is IsDBCSLeadByte of the active ANSI code page (932 under a Japanese locale,
// 1252 under an English one; the test run covers both).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "paths/paths.h"

#include "win32/wintemp.h"

namespace {



// The names a raw wide search lists for pattern, in the order it lists them, with a D for a directory.
std::wstring raw_listing(const std::wstring& pattern) {
  std::wstring out;
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(pattern.c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    out += d.cFileName;
    out += (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? L"(D) " : L" ";
  } while (FindNextFileW(h, &d));
  FindClose(h);
  return out;
}

}  // namespace

TEST(PathsWin32, FindsAHangulNameByUtf16) {
  WinTemp t(L"velmora-paths-");
  t.write(L"\xD55C\xAE00.vmd", "");  // 한글.vmd: no ANSI code page spells it
  char16_t out[MAX_PATH];
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"\xD55C*.VMD"))), 0);
  EXPECT_EQ(wide(out), L"\xD55C\xAE00.vmd");
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"\xD55C\xAE00.VMD"))), 0);
  EXPECT_EQ(wide(out), L"\xD55C\xAE00.vmd");
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"\xD55C\xAE01.vmd"))), -1);
  EXPECT_EQ(wide(out), L"");
}

TEST(PathsWin32, DirectoryFirstGivesTheNextEntry) {
  WinTemp t(L"velmora-paths-");
  // Pairs of a file and a directory under one pattern each; the search lists them in an order of its
  // own, so keep the pairs whose first entry is the directory. At least one must be.
  int exercised = 0;
  for (int i = 0; i < 16; i++) {
    std::wstring n = std::to_wstring(i);
    t.write(L"f" + n + L".vmd", "");
    ASSERT_TRUE(CreateDirectoryW(t.file(L"d" + n + L".vmd").c_str(), nullptr));
    std::wstring pattern = t.file(L"?" + n + L".vmd");
    std::wstring listing = raw_listing(pattern);
    if (listing != L"d" + n + L".vmd(D) f" + n + L".vmd ") continue;
    exercised++;
    char16_t out[MAX_PATH];
    EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(pattern)), 0);
    EXPECT_EQ(wide(out), L"f" + n + L".vmd");
    char ansi_pattern[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, pattern.c_str(), -1, ansi_pattern, MAX_PATH, nullptr, nullptr);
    char ansi[MAX_PATH];
    EXPECT_EQ(find_file_name(ansi, MAX_PATH, ansi_pattern), 0);
    char want[16];
    std::snprintf(want, sizeof want, "f%d.vmd", i);
    EXPECT_STREQ(ansi, want);
  }
  EXPECT_GT(exercised, 0);
}

TEST(PathsWin32, DirectoryAndNothingElse) {
  WinTemp t(L"velmora-paths-");
  ASSERT_TRUE(CreateDirectoryW(t.file(L"only.vmd").c_str(), nullptr));
  char16_t out[MAX_PATH];
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"only.vmd"))), -1);
  EXPECT_EQ(wide(out), L"");
}

TEST(PathsWin32, TwoDirectoriesGiveMinus2) {
  WinTemp t(L"velmora-paths-");
  ASSERT_TRUE(CreateDirectoryW(t.file(L"d1").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(t.file(L"d2").c_str(), nullptr));
  char16_t out[MAX_PATH];
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"d?"))), -2);
  EXPECT_EQ(wide(out), L"");
  // "." and ".." come first in a search of everything in a folder.
  t.write(L"motion.vmd", "");
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"*"))), -2);
  char ansi_pattern[MAX_PATH];
  WideCharToMultiByte(CP_ACP, 0, t.file(L"d?").c_str(), -1, ansi_pattern, MAX_PATH, nullptr, nullptr);
  char ansi[MAX_PATH];
  EXPECT_EQ(find_file_name(ansi, MAX_PATH, ansi_pattern), -2);
}

// The handle value the system gives next: the slot a closed handle left free is given again, so a
// search left open shows as a different value.
static HANDLE next_handle_slot() {
  HANDLE e = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(e);
  return e;
}

TEST(PathsWin32, SearchIsClosedOnEveryOutcome) {
  WinTemp t(L"velmora-paths-");
  t.write(L"a.vmd", "");
  ASSERT_TRUE(CreateDirectoryW(t.file(L"b.vmd").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(t.file(L"c1").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(t.file(L"c2").c_str(), nullptr));
  // A first search and its close leave behind whatever the system allocates once.
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(t.file(L"c?").c_str(), &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  FindClose(h);
  HANDLE free_slot = next_handle_slot();
  // The measure sees a wildcard search left open.
  h = FindFirstFileW(t.file(L"c?").c_str(), &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_NE(next_handle_slot(), free_slot);
  FindClose(h);
  ASSERT_EQ(next_handle_slot(), free_slot);
  // Each outcome, by wildcard patterns so that the search holds the folder open.
  char16_t out[MAX_PATH];
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"a.vm?"))), 0);
  EXPECT_EQ(next_handle_slot(), free_slot);
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"b.vm?"))), -1);
  EXPECT_EQ(next_handle_slot(), free_slot);
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"c?"))), -2);
  EXPECT_EQ(next_handle_slot(), free_slot);
  EXPECT_EQ(find_file_name_w(out, MAX_PATH, u16(t.file(L"none*"))), -1);
  EXPECT_EQ(next_handle_slot(), free_slot);
  char ansi_pattern[MAX_PATH];
  WideCharToMultiByte(CP_ACP, 0, t.file(L"c*").c_str(), -1, ansi_pattern, MAX_PATH, nullptr, nullptr);
  char ansi[MAX_PATH];
  EXPECT_EQ(find_file_name(ansi, MAX_PATH, ansi_pattern), -2);
  EXPECT_EQ(next_handle_slot(), free_slot);
}

TEST(PathsWin32, ShiftJisNameByAnsiSearch) {
  WinTemp t(L"velmora-paths-");
  t.write(L"\x52D5\x304D.VMD", "");  // 動き.VMD
  char ansi_dir[MAX_PATH];
  WideCharToMultiByte(CP_ACP, 0, t.dir.c_str(), -1, ansi_dir, MAX_PATH, nullptr, nullptr);
  char out[MAX_PATH];
  if (GetACP() == 932) {
    std::string pattern = std::string(ansi_dir) + "\\\x93\xAE\x82\xAB.vmd";
    EXPECT_EQ(find_file_name(out, MAX_PATH, pattern.c_str()), 0);
    EXPECT_EQ(std::string(out), "\x93\xAE\x82\xAB.VMD");
  }
  char16_t w[MAX_PATH];
  EXPECT_EQ(find_file_name_w(w, MAX_PATH, u16(t.file(L"*.vmd"))), 0);
  EXPECT_EQ(wide(w), L"\x52D5\x304D.VMD");
}

TEST(PathsWin32, TrailByte5CFollowsTheAnsiCodePage) {
  // 表.vmd in Shift-JIS: 0x95 0x5C; a separator only where 0x95 is no lead byte.
  const char* path = "C:\\x\\\x95\x5C.vmd";
  char out[MAX_PATH];
  path_name(out, MAX_PATH, path);
  if (IsDBCSLeadByte(0x95)) {
    EXPECT_EQ(GetACP(), 932u);
    EXPECT_EQ(std::string(out), "\x95\x5C.vmd");
    path_dir(out, MAX_PATH, path);
    EXPECT_EQ(std::string(out), "C:\\x\\");
  } else {
    EXPECT_EQ(std::string(out), ".vmd");
    path_dir(out, MAX_PATH, path);
    EXPECT_EQ(std::string(out), "C:\\x\\\x95\\");
  }
  char stripped[] = "C:\\\x95\x5C";
  path_strip_sep(stripped);
  EXPECT_EQ(std::string(stripped), IsDBCSLeadByte(0x95) ? "C:\\\x95\x5C" : "C:\\\x95");
}

TEST(PathsWin32, WideFormsCompareUnits) {
  char16_t out[MAX_PATH];
  path_name_w(out, MAX_PATH, u"C:\\x\\\x8868.vmd");
  EXPECT_EQ(wide(out), L"\x8868.vmd");
  int r = path_ext_w(out, MAX_PATH, u"C:\\x\\\xD55C.PMX");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(wide(out), L".PMX");
  EXPECT_EQ(prefix_nocase_w(out, u".pmx"), 0);
  char16_t root[] = u"C:\\";
  path_strip_sep_w(root);
  EXPECT_EQ(wide(root), L"C:\\");
}
