// text_encoding_w32_test.cpp: the converters on Windows, where the Shift-JIS to UTF-16 converters take
// their lead bytes from IsDBCSLeadByte, and the detectors read files by both kinds of path.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "formats/filechan.h"
#include "formats/detect.h"
#include "paths/paths.h"
#include "text/encoding.h"

#include "win32/wintemp.h"

namespace {



}  // namespace

TEST(TextEncodingWin32, ShiftJisToUtf16FollowsTheAnsiCodePage) {
  char16_t out[64];
  EXPECT_EQ(sjis_to_utf16(out, 64, "\x93\xAE\x82\xAB.vmd"), 8);
  if (GetACP() == 932) {
    EXPECT_EQ(wide(out), L"\x52D5\x304D.vmd");  // 動き.vmd
    // The same as the system's own conversion for an ordinary Japanese path.
    const char* path = "C:\\\x95\x5C\x8E\xA6\\\x83\x82\x81\x5B\x83\x56\x83\x87\x83\x93.vmd";  // C:\表示\モーション.vmd
    wchar_t sys[64];
    MultiByteToWideChar(CP_ACP, 0, path, -1, sys, 64);
    sjis_to_utf16(out, 64, path);
    EXPECT_EQ(wide(out), std::wstring(sys));
  } else {
    // No lead bytes: every byte from 0x80 up is a one-byte code (0xAE and 0xAB are half-width katakana).
    EXPECT_EQ(wide(out), L"?\xFF6E?\xFF6B.vmd");
  }
}

TEST(TextEncodingWin32, AnsiSpellingOpensOnlyUnderCodePage932) {
  WinTemp t;
  std::wstring path = t.write(L"\x52D5\x304D.vmd", "Vocaloid Motion Data 0002");
  char ansi[MAX_PATH * 2];
  ASSERT_EQ(utf16_to_sjis(ansi, sizeof ansi, u16(path)), (int)path.size());
  EXPECT_EQ(rfprobeW(u16(path)), 0);
  EXPECT_EQ(rfprobe(ansi), GetACP() == 932 ? 0 : -1);
}

TEST(TextEncodingWin32, DetectorsByBothPaths) {
  WinTemp t;
  std::wstring sjis = t.write(L"\xD55C.ini", "-Bone\r\n\x93\xAE\x82\xAB\r\n");  // 한.ini, Shift-JIS text
  std::wstring utf8 = t.write(L"\xD55C\xAE00.ini", "-Bone\r\n\xE5\x8B\x95\xE3\x81\x8D\r\n");
  EXPECT_EQ(check_file_utf8W(u16(sjis)), 0);
  EXPECT_EQ(chkifsjisW(u16(sjis)), 7);
  EXPECT_EQ(check_file_utf8W(u16(utf8)), 7);
  EXPECT_EQ(chkifsjisW(u16(utf8)), 15);  // read as pairs E5 8B, 95 E3, 81 8D: plausible, bytes from 0xE0 up
  EXPECT_EQ(check_file_utf8W(u16(t.dir + L"\\missing.ini")), 0xFF);
  EXPECT_EQ(chkifsjisW(u16(t.dir + L"\\missing.ini")), 0xFF);
  // The detectors closed the file: it can be opened without sharing and deleted.
  EXPECT_TRUE(DeleteFileW(sjis.c_str()));
  std::wstring ascii = t.write(L"ascii.ini", "plain\r\n");
  char ansi[MAX_PATH * 2];
  WideCharToMultiByte(CP_ACP, 0, ascii.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
  EXPECT_EQ(chkifsjis(ansi), 7);
  EXPECT_EQ(check_file_utf8(ansi), 7);
  EXPECT_TRUE(DeleteFileW(ascii.c_str()));
}
