// The file channels by UTF-16 path on Windows: a file whose name no ANSI code page spells (Hangul)
// opens through CreateFileW and _wfopen, and its bytes read as written.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "formats/filechan.h"

#include "win32/wintemp.h"

namespace {



void write_wide(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD put = 0;
  WriteFile(h, bytes.data(), (DWORD)bytes.size(), &put, nullptr);
  CloseHandle(h);
}

}  // namespace

TEST(WideFileChannels, HangulNameReadsByHandle) {
  WinTemp t;
  std::wstring name = t.file(L"\xD55C\xAE00.vmd");  // 한글.vmd
  std::string data;
  for (int i = 0; i < 9000; i++) data += (char)(i % 251);
  write_wide(name, data);
  ASSERT_EQ(rfopenW(u16(name)), 0);
  EXPECT_EQ(rfgetc(), 0);
  EXPECT_EQ(rfgetc(), 1);
  char buf[8500];
  EXPECT_EQ(rfread(buf, 8500), 8500);
  EXPECT_EQ(std::string(buf, 8500), data.substr(2, 8500));
  EXPECT_EQ(rfseek(250), 0);
  EXPECT_EQ(rfgetc(), 250);
  EXPECT_EQ(rfgetc(), 0);  // 251 % 251
  EXPECT_EQ(rfseekfrom(0, 2), 0);
  EXPECT_EQ(rftell(), 9000u);
  rfclose();
  EXPECT_EQ(rfclosed(), 255);
  // The ANSI spelling of the name is not the file.
  char ansi[MAX_PATH];
  WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
  EXPECT_EQ(rfopen(ansi), -1);
}

TEST(WideFileChannels, HangulNameTextReaderAndWriter) {
  WinTemp t;
  std::wstring ini = t.file(L"\xD55C.ini");
  write_wide(ini, "a\r\n\r\nb");
  EXPECT_EQ(rsexistsW(u16(ini)), 0);
  ASSERT_EQ(rsopenW(u16(ini)), 0);
  char line[16];
  EXPECT_EQ(rsgets(line, 16), 1);
  EXPECT_STREQ(line, "a");
  EXPECT_EQ(rsgets(line, 16), 1);
  EXPECT_STREQ(line, "b");
  rsclose();
  std::wstring out = t.file(L"\xAE00(1).bmp");
  ASSERT_EQ(wfopenW(u16(out)), 0);
  wfput32(0x01020304);
  wfclose();
  ASSERT_EQ(rfopenW(u16(out)), 0);
  unsigned char b[5];
  EXPECT_EQ(rfread(b, 5), 4);
  EXPECT_EQ(rfle32(b), 0x01020304);
  rfclose();
}

TEST(WideFileChannels, HandleModeIsNotShared) {
  WinTemp t;
  std::wstring name = t.file(L"\xD55C.bin");
  write_wide(name, "xyz");
  ASSERT_EQ(rfopenW(u16(name)), 0);
  HANDLE second = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(second, INVALID_HANDLE_VALUE);
  if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
  rfclose();
}
