// encoding_test.cpp: the converters, the lead-byte rule, the code page 932 overrides, the UTF-16 string
// operations. Inputs are spelled byte by byte; expectations are exact.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "paths/paths.h"
#include "support/testfiles.h"
#include "sys/sys.h"
#include "text/encoding.h"

namespace {

// UTF-16 as little-endian bytes with the terminating 0 unit, as the PMX reader hands it over.
std::string le(const std::u16string& s) {
  std::string b;
  for (char16_t u : s) {
    b += (char)(u & 0xFF);
    b += (char)(u >> 8);
  }
  b += std::string("\0\0", 2);
  return b;
}
const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.c_str()); }

std::u16string s2u(const std::string& sjis) {
  char16_t out[256];
  sjis_to_utf16(out, 256, sjis.c_str());
  return out;
}
std::string u2s(const std::u16string& u) {
  char out[256];
  utf16_to_sjis(out, 256, u.c_str());
  return out;
}
std::string compat16(const std::u16string& u) {
  char out[256];
  std::string in = le(u);
  utf16_to_sjis_compat(out, 256, bytes(in));
  return out;
}
std::string s2u8(const std::string& sjis, int* flags = nullptr) {
  char out[256];
  int f = sjis_to_utf8_compat(out, 256, sjis.c_str());
  if (flags != nullptr) *flags = f;
  return out;
}
std::string u82s(const std::string& utf8, int* result = nullptr) {
  char out[256];
  int r = utf8_to_sjis_compat(out, 256, utf8.c_str());
  if (result != nullptr) *result = r;
  return out;
}
std::u16string u8u16(const std::string& utf8, int* result = nullptr) {
  char16_t out[256];
  int r = utf8_to_utf16(out, 256, utf8.c_str());
  if (result != nullptr) *result = r;
  return out;
}
std::string u16u8(const std::u16string& u, int* taken = nullptr) {
  char out[256];
  std::string in = le(u);
  int t = utf16_to_utf8(out, 256, bytes(in));
  if (taken != nullptr) *taken = t;
  return out;
}

// The process's open file descriptors, to see that the detectors close the text reader.
// The 19 pairs taken before the table on the way to Shift-JIS, and the 18 on the way back.
struct Pair {
  unsigned unit;
  unsigned code;
};
const Pair kToSjis[19] = {{0x2015, 0x815C}, {0x2211, 0x8794}, {0x221A, 0x8795}, {0x2220, 0x8797}, {0x2225, 0x8161},
                          {0x2229, 0x879B}, {0x222A, 0x879C}, {0x222B, 0x8792}, {0x2235, 0x879A}, {0x2252, 0x8790},
                          {0x2261, 0x8791}, {0x22A5, 0x8796}, {0x301C, 0x8160}, {0xFF5E, 0x8160}, {0xFF0D, 0x817C},
                          {0xFF3C, 0x815F}, {0xFFE0, 0x8191}, {0xFFE1, 0x8192}, {0xFFE2, 0x81CA}};
const Pair kToUnicode[18] = {{0x2015, 0x815C}, {0xFF3C, 0x815F}, {0xFF5E, 0x8160}, {0x2225, 0x8161}, {0xFF0D, 0x817C},
                             {0xFFE0, 0x8191}, {0xFFE1, 0x8192}, {0xFFE2, 0x81CA}, {0x2252, 0x8790}, {0x2261, 0x8791},
                             {0x222B, 0x8792}, {0x2211, 0x8794}, {0x221A, 0x8795}, {0x22A5, 0x8796}, {0x2220, 0x8797},
                             {0x2235, 0x879A}, {0x2229, 0x879B}, {0x222A, 0x879C}};

std::string code_bytes(unsigned code) { return std::string{(char)(code >> 8), (char)(code & 0xFF)}; }

std::string utf8_of(unsigned unit) {
  char16_t u[2] = {(char16_t)unit, 0};
  return from_u16(u);
}

// Restores the Japanese locale answers after a test that changes them.
struct Western {
  Western() { sys_set_locale_for_test(0x0409, 1252); }
  ~Western() { sys_set_locale_for_test(0x0411, 932); }
};

}  // namespace

// ---- Lead bytes -------------------------------------------------------------------------------------

TEST(LeadByte, ProgramRule) {
  int count = 0;
  for (int b = 0; b < 256; b++) count += is_lead_byte((unsigned char)b) ? 1 : 0;
  EXPECT_EQ(count, 32 + 29);
  EXPECT_TRUE(is_lead_byte(0x80));
  EXPECT_TRUE(is_lead_byte(0x9F));
  EXPECT_FALSE(is_lead_byte(0xA0));
  EXPECT_FALSE(is_lead_byte(0xDF));
  EXPECT_TRUE(is_lead_byte(0xE0));
  EXPECT_TRUE(is_lead_byte(0xFC));
  EXPECT_FALSE(is_lead_byte(0xFD));
  EXPECT_FALSE(is_lead_byte(0x7F));
}

TEST(CutBrokenTail, NameCutInsideACharacterLosesTheLeadByte) {
  // あいうえおかきく is 16 bytes; a 15-byte field ends with the lead byte of く.
  char name[32] = "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB\x82";
  ASSERT_EQ(std::strlen(name), 15u);
  EXPECT_EQ(cut_broken_tail(name), 1);
  EXPECT_STREQ(name, "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\x82\xAB");
  EXPECT_EQ(cut_broken_tail(name), 0);
}

TEST(CutBrokenTail, WholeCharactersStay) {
  char a[] = "abc";
  EXPECT_EQ(cut_broken_tail(a), 0);
  EXPECT_STREQ(a, "abc");
  char b[] = "\x88\x9F";  // 亜: its trail byte is in the lead range but is a trail byte
  EXPECT_EQ(cut_broken_tail(b), 0);
  EXPECT_STREQ(b, "\x88\x9F");
  char c[] = "a\x88\x9F\x88";
  EXPECT_EQ(cut_broken_tail(c), 1);
  EXPECT_STREQ(c, "a\x88\x9F");
  char d[] = "ab\x80";  // 0x80 counts as a lead byte
  EXPECT_EQ(cut_broken_tail(d), 1);
  EXPECT_STREQ(d, "ab");
  char e[] = "\xB1";  // half-width katakana is one byte
  EXPECT_EQ(cut_broken_tail(e), 0);
  char f[] = "";
  EXPECT_EQ(cut_broken_tail(f), 0);
}

// ---- Shift-JIS to UTF-16 -------------------------------------------------------------------------------

TEST(SjisToUtf16, TableCodesAndAscii) {
  EXPECT_EQ(s2u("a\\b"), u"a\\b");  // 0x5C stays a backslash
  EXPECT_EQ(s2u("~"), u"~");
  EXPECT_EQ(s2u("\x93\xAE\x82\xAB.vmd"), u"動き.vmd");
  EXPECT_EQ(s2u("\x95\x5C"), u"表");   // trail byte 0x5C
  EXPECT_EQ(s2u("\x81\x5C"), u"\x2014");  // em dash
  EXPECT_EQ(s2u("\x81\x60"), u"\x301C");
  EXPECT_EQ(s2u("\x81\x5F"), u"\\");   // the table's reverse solidus, no override here
}

TEST(SjisToUtf16, HalfWidthKatakanaAndStrayBytesGoThroughTheTable) {
  EXPECT_EQ(s2u("\xB1"), u"\xFF71");
  EXPECT_EQ(s2u("\xA1\xDF"), u"\xFF61\xFF9F");
  EXPECT_EQ(s2u("\x80"), u"?");
  EXPECT_EQ(s2u("\xA0"), u"?");
  EXPECT_EQ(s2u("\xFD\xFE\xFF"), u"???");
}

TEST(SjisToUtf16, UnmappedCodesGiveQuestionMark) {
  EXPECT_EQ(s2u("\x87\x90"), u"?");
  EXPECT_EQ(s2u("\x87\x94"), u"?");
  EXPECT_EQ(s2u("\x82\xF5"), u"?");  // letter with combining mark
  EXPECT_EQ(s2u("\x81\x20x"), u"?x");  // the byte after a lead byte is its trail byte
}

TEST(SjisToUtf16, BeyondTheBmpIsASurrogatePair) {
  EXPECT_EQ(s2u("\x87\xA0"), u"\xD840\xDC0B");  // U+2000B
  char16_t out[3] = {0x1111, 0x1111, 0x1111};
  EXPECT_EQ(sjis_to_utf16(out, 2, "\x87\xA0"), 0);  // two units and the 0 do not fit in two
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 0x1111);
}

TEST(SjisToUtf16, LeadByteBeforeTheEndIsDropped) {
  char16_t out[8];
  EXPECT_EQ(sjis_to_utf16(out, 8, "a\x82"), 2);
  EXPECT_EQ(std::u16string(out), u"a");
}

TEST(SjisToUtf16, ReturnsBytesTaken) {
  char16_t out[8];
  EXPECT_EQ(sjis_to_utf16(out, 8, "\x93\xAE\x82\xAB"), 4);
  EXPECT_EQ(sjis_to_utf16(out, 8, ""), 0);
  EXPECT_EQ(out[0], 0);
}

TEST(SjisToUtf16, AtMost9998Bytes) {
  static char16_t out[12000];
  std::string in(10000, 'a');
  EXPECT_EQ(sjis_to_utf16(out, 12000, in.c_str()), 9998);
  EXPECT_EQ(utf16_length(out), 4999);  // the length counter's own limit
  int n = 0;
  while (out[n] != 0) n++;
  EXPECT_EQ(n, 9998);
  // A two-byte character that would cross the limit is not taken.
  std::string cross = std::string(9997, 'a') + "\x82\xA0";
  EXPECT_EQ(sjis_to_utf16(out, 12000, cross.c_str()), 9997);
  EXPECT_EQ(out[9996], u'a');
  EXPECT_EQ(out[9997], 0);
  std::string fits = std::string(9996, 'a') + "\x82\xA0";
  EXPECT_EQ(sjis_to_utf16(out, 12000, fits.c_str()), 9998);
  EXPECT_EQ(out[9996], 0x3042);
}

TEST(SjisToUtf16, NeverWritesPastTheCapacity) {
  char16_t out[6] = {1, 1, 1, 1, 1, 0x2222};
  EXPECT_EQ(sjis_to_utf16(out, 5, "abcdefgh"), 4);
  EXPECT_EQ(std::u16string(out), u"abcd");
  EXPECT_EQ(out[5], 0x2222);
  EXPECT_EQ(sjis_to_utf16(out, 1, "abc"), 0);
  EXPECT_EQ(out[0], 0);
  out[0] = 0x3333;
  EXPECT_EQ(sjis_to_utf16(out, 0, "abc"), 0);
  EXPECT_EQ(out[0], 0x3333);
}

TEST(SjisToUtf16, UsesTheSystemLeadByteTest) {
  Western w;  // code page 1252: no lead bytes at all
  EXPECT_EQ(s2u("\x82\xA0"), u"??");
  EXPECT_EQ(s2u("\x82\xB1"), u"?\xFF71");
}

// ---- UTF-16 to Shift-JIS ----------------------------------------------------------------------------------

TEST(Utf16ToSjis, TableAndAscii) {
  EXPECT_EQ(u2s(u"動き.vmd"), "\x93\xAE\x82\xAB.vmd");
  EXPECT_EQ(u2s(u"a\\b~"), "a\\b~");
  EXPECT_EQ(u2s(u"表"), "\x95\x5C");
  EXPECT_EQ(u2s(u"\x2661"), "\x83\xBB");
  EXPECT_EQ(u2s(u"\x2014"), "\x81\x5C");
}

TEST(Utf16ToSjis, HalfWidthKatakanaAndLatin1GoThroughTheTable) {
  EXPECT_EQ(u2s(u"\xFF71"), "\xB1");
  EXPECT_EQ(u2s(u"\x00A5"), "\\");
  EXPECT_EQ(u2s(u"\x00A7\x00E9"), "\x81\x98\x85\x7E");
  EXPECT_EQ(u2s(u"\x0080"), "?");
}

TEST(Utf16ToSjis, WaveDashAndFullWidthTilde) {
  EXPECT_EQ(u2s(u"\xFF5E"), "?");  // no table entry, no override here
  EXPECT_EQ(u2s(u"\x301C"), "\x81\x60");
  EXPECT_EQ(u2s(u"\x2015"), "?");
}

TEST(Utf16ToSjis, UnmappedUnitsGiveQuestionMark) {
  EXPECT_EQ(u2s(u"\xD55C\xAE00"), "??");        // Hangul
  EXPECT_EQ(u2s(u"\xD840\xDC0B"), "??");        // a pair: one "?" per unit
}

TEST(Utf16ToSjis, LimitsAndCapacity) {
  static char out[30000];
  std::u16string in(10000, u'a');
  EXPECT_EQ(utf16_to_sjis(out, 30000, in.c_str()), 9998);
  EXPECT_EQ(std::strlen(out), 9998u);
  char small[4] = {1, 1, 1, 0x55};
  EXPECT_EQ(utf16_to_sjis(small, 3, u"aあ"), 1);  // the two-byte code does not fit in front of the 0
  EXPECT_STREQ(small, "a");
  EXPECT_EQ(small[3], 0x55);
  EXPECT_EQ(utf16_to_sjis(small, 4, u"aあ"), 2);
  EXPECT_STREQ(small, "a\x82\xA0");
  small[0] = 0x44;
  EXPECT_EQ(utf16_to_sjis(small, 0, u"a"), 0);
  EXPECT_EQ(small[0], 0x44);
}

TEST(Utf16ToSjis, RoundTripOfEveryTableUnit) {
  int checked = 0;
  for (unsigned u = 0x80; u <= 0xFFFF; u++) {
    unsigned code = sjis_table_from_unicode(u);
    if (code == 0) continue;
    char16_t in[2] = {(char16_t)u, 0};
    char out[4];
    ASSERT_EQ(utf16_to_sjis(out, 4, in), 1);
    char16_t back[4];
    sjis_to_utf16(back, 4, out);
    // U+00A5 and U+203E go to the one-byte codes 0x5C and 0x7E, which these two read as ASCII.
    if (u == 0xA5) {
      EXPECT_EQ(back[0], u'\\');
    } else if (u == 0x203E) {
      EXPECT_EQ(back[0], u'~');
    } else {
      EXPECT_EQ(back[0], u) << std::hex << u;
    }
    checked++;
  }
  EXPECT_EQ(checked, 11095 - 0x7F);  // all but U+0001-U+007F, which are copied
}

TEST(Utf16FitsSjis, EveryUnitOrNone) {
  EXPECT_EQ(utf16_fits_sjis(u"動き.vmd"), 0);
  EXPECT_EQ(utf16_fits_sjis(u""), 0);
  EXPECT_EQ(utf16_fits_sjis(u"\xFF71\x00A5"), 0);
  EXPECT_EQ(utf16_fits_sjis(u"a\xD55C"), -1);
  EXPECT_EQ(utf16_fits_sjis(u"\xFF5E"), -1);
  EXPECT_EQ(utf16_fits_sjis(u"\x0080"), -1);
  EXPECT_EQ(utf16_fits_sjis(u"\xD840\xDC0B"), -1);
}

TEST(Utf16ToSjisCompat, EveryOverridePair) {
  for (const Pair& p : kToSjis) {
    EXPECT_EQ(compat16(std::u16string(1, (char16_t)p.unit)), code_bytes(p.code)) << std::hex << p.unit;
    // Each pair but U+301C (listed beside U+FF5E) says something the table does not.
    if (p.unit != 0x301C) {
      EXPECT_NE(sjis_table_from_unicode(p.unit), p.code) << std::hex << p.unit;
    }
  }
}

TEST(Utf16ToSjisCompat, AsciiTableAndUnmapped) {
  EXPECT_EQ(compat16(u"a\\~"), "a\\~");
  EXPECT_EQ(compat16(u"センター"), "\x83\x5A\x83\x93\x83\x5E\x81\x5B");
  EXPECT_EQ(compat16(u"\xFF71"), "\xB1");
  EXPECT_EQ(compat16(u"\x2014"), "\x81\x5C");
  EXPECT_EQ(compat16(u"\xD55C"), "?");
  EXPECT_EQ(compat16(u"\xDC00"), "?");  // a low surrogate alone
}

TEST(Utf16ToSjisCompat, SurrogatePairIsOneQuestionMark) {
  std::string in = le(u"a\xD83D\xDE00" u"b");
  char out[16];
  EXPECT_EQ(utf16_to_sjis_compat(out, 16, bytes(in)), 8);
  EXPECT_STREQ(out, "a?b");
  // A high surrogate right before the end: the terminating 0 is not skipped with it.
  std::string cut = le(u"a\xD83D") + "zz";
  EXPECT_EQ(utf16_to_sjis_compat(out, 16, bytes(cut)), 4);
  EXPECT_STREQ(out, "a?");
}

TEST(Utf16ToSjisCompat, Capacity) {
  std::string in = le(u"aあ");
  char out[4] = {1, 1, 1, 0x55};
  EXPECT_EQ(utf16_to_sjis_compat(out, 3, bytes(in)), 2);
  EXPECT_STREQ(out, "a");
  EXPECT_EQ(out[3], 0x55);
}

// ---- UTF-8 ------------------------------------------------------------------------------------------------

TEST(Utf8ToUtf16, CleanText) {
  int r = -1;
  EXPECT_EQ(u8u16("a\xC3\xA9\xE3\x81\x82", &r), u"aéあ");
  EXPECT_EQ(r, 7);
  EXPECT_EQ(u8u16("", &r), u"");
  EXPECT_EQ(r, 7);
}

TEST(Utf8ToUtf16, FourByteCharacterIsSevenUnits) {
  int r = -1;
  char16_t out[16];
  r = utf8_to_utf16(out, 16, "\xF0\x9F\x98\x80");
  EXPECT_EQ(std::u16string(out), u"x01F600");
  EXPECT_EQ(r, 7);
  EXPECT_EQ(u8u16("a\xF0\xA0\x80\x8B" "b", &r), u"ax02000Bb");
  // Seven units and the 0 need eight cells.
  char16_t small[8];
  EXPECT_EQ(utf8_to_utf16(small, 7, "\xF0\x9F\x98\x80"), 7);
  EXPECT_EQ(small[0], 0);
  EXPECT_EQ(utf8_to_utf16(small, 8, "\xF0\x9F\x98\x80"), 7);
  EXPECT_EQ(std::u16string(small), u"x01F600");
}

TEST(Utf8ToUtf16, OneMalformedSequenceConvertsTheRest) {
  int r = -1;
  EXPECT_EQ(u8u16("ab\xFF" "cd\xE3\x81\x82", &r), u"abcdあ");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(u8u16("a\x80" "b", &r), u"ab");  // a stray continuation byte
  EXPECT_EQ(r, 0);
  EXPECT_EQ(u8u16("a\xF8" "b", &r), u"ab");
  EXPECT_EQ(r, 0);
  // A sequence cut by a byte that is no continuation: the byte begins the next character.
  EXPECT_EQ(u8u16("\xE3\x81" "A", &r), u"A");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(u8u16("\xE3\xE3\x81\x82", &r), u"あ");
  EXPECT_EQ(r, 0);
}

TEST(Utf8ToUtf16, SecondMalformedSequenceEndsTheOutput) {
  int r = -1;
  EXPECT_EQ(u8u16("ab\xFF" "cd\xFF" "ef", &r), u"abcd");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(u8u16("\x80\x80xyz", &r), u"");
  EXPECT_EQ(r, 0);
}

TEST(Utf8ToUtf16, TerminatorIsNeverAContinuationByte) {
  // Bytes after the 0 are not the string's.
  const char in[] = "a\xE3\x81\0\x82zz";
  int r = -1;
  EXPECT_EQ(u8u16(in, &r), u"a");
  EXPECT_EQ(r, 0);
}

TEST(Utf16ToUtf8, OneToFourBytes) {
  int taken = 0;
  EXPECT_EQ(u16u8(u"a\x00E9\x3042", &taken), "a\xC3\xA9\xE3\x81\x82");
  EXPECT_EQ(taken, 6);
  EXPECT_EQ(u16u8(u"\xD83D\xDE00", &taken), "\xF0\x9F\x98\x80");
  EXPECT_EQ(taken, 4);
  EXPECT_EQ(u16u8(u"\x07FF\x0800", &taken), "\xDF\xBF\xE0\xA0\x80");
}

TEST(Utf16ToUtf8, BrokenSurrogates) {
  int taken = 0;
  // A high surrogate followed by anything else: "?" for both units.
  EXPECT_EQ(u16u8(u"\xD83D" u"Ab", &taken), "?b");
  EXPECT_EQ(taken, 6);
  // A low surrogate alone is written as three bytes.
  EXPECT_EQ(u16u8(u"\xDC00", &taken), "\xED\xB0\x80");
  // A high surrogate before the end: the terminating 0 is not consumed.
  std::string in = le(u"a\xD83D") + "AA";
  char out[16];
  EXPECT_EQ(utf16_to_utf8(out, 16, bytes(in)), 4);
  EXPECT_STREQ(out, "a?");
}

TEST(Utf16ToUtf8, Capacity) {
  std::string in = le(u"a\x3042");
  char out[5] = {1, 1, 1, 1, 0x55};
  EXPECT_EQ(utf16_to_utf8(out, 4, bytes(in)), 2);
  EXPECT_STREQ(out, "a");
  EXPECT_EQ(utf16_to_utf8(out, 5, bytes(in)), 4);
  EXPECT_STREQ(out, "a\xE3\x81\x82");
}

TEST(Utf8ToSjisCompat, EveryOverridePair) {
  for (const Pair& p : kToSjis) EXPECT_EQ(u82s(utf8_of(p.unit)), code_bytes(p.code)) << std::hex << p.unit;
}

TEST(Utf8ToSjisCompat, WaveDashAndFullWidthTildeBothGive8160) {
  EXPECT_EQ(u82s("\xEF\xBD\x9E"), "\x81\x60");  // U+FF5E
  EXPECT_EQ(u82s("\xE3\x80\x9C"), "\x81\x60");  // U+301C
  EXPECT_EQ(compat16(u"\xFF5E"), "\x81\x60");
  EXPECT_EQ(compat16(u"\x301C"), "\x81\x60");
}

TEST(Utf8ToSjisCompat, CharactersOfEachLength) {
  int r = -1;
  EXPECT_EQ(u82s("a\\\xC2\xA7\xE5\x8B\x95\xEF\xBD\xB1", &r), "a\\\x81\x98\x93\xAE\xB1");  // a \ § 動 ｱ
  EXPECT_EQ(r, 7);
  // No code: dropped. Every four-byte character: dropped.
  EXPECT_EQ(u82s("a\xED\x95\x9C" "b\xF0\x9F\x98\x80" "c\xF0\xA0\x80\x8B" "d", &r), "abcd");
  EXPECT_EQ(r, 7);
}

TEST(Utf8ToSjisCompat, MalformedInput) {
  int r = -1;
  EXPECT_EQ(u82s("\xE5\x8B\x95\xFF\xE3\x81\x8D", &r), "\x93\xAE\x82\xAB");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(u82s("a\xFF" "b\xC3" "c", &r), "ab");
  EXPECT_EQ(r, 0);
}

TEST(Utf8ToSjisCompat, Capacity) {
  char out[4] = {1, 1, 1, 0x55};
  EXPECT_EQ(utf8_to_sjis_compat(out, 3, "a\xE3\x81\x82"), 7);
  EXPECT_STREQ(out, "a");
  EXPECT_EQ(out[3], 0x55);
}

// ---- Shift-JIS to UTF-8 ---------------------------------------------------------------------------------------

TEST(SjisToUtf8Compat, EveryOverridePair) {
  for (const Pair& p : kToUnicode) {
    EXPECT_EQ(s2u8(code_bytes(p.code)), utf8_of(p.unit)) << std::hex << p.code;
    EXPECT_NE(sjis_table_to_unicode(p.code), p.unit) << std::hex << p.code;
  }
}

TEST(SjisToUtf8Compat, DashAndNecSymbols) {
  EXPECT_EQ(s2u8("\x81\x5C"), "\xE2\x80\x95");  // U+2015, where sjis_to_utf16 gives U+2014
  EXPECT_EQ(s2u("\x81\x5C"), u"\x2014");
  EXPECT_EQ(s2u8("\x87\x90"), "\xE2\x89\x92");  // U+2252
  EXPECT_EQ(s2u8("\x87\x94"), "\xE2\x88\x91");  // U+2211
  EXPECT_EQ(s2u("\x87\x90\x87\x94"), u"??");
}

TEST(SjisToUtf8Compat, TableAndOneByteCodes) {
  int f = -1;
  EXPECT_EQ(s2u8("a\\\x93\xAE\x82\xAB\xB1", &f), "a\\\xE5\x8B\x95\xE3\x81\x8D\xEF\xBD\xB1");
  EXPECT_EQ(f, 7);
  EXPECT_EQ(s2u8("\x87\xA0", &f), "\xF0\xA0\x80\x8B");  // U+2000B, four bytes
  EXPECT_EQ(s2u8("x\x82\xF5y"), "xy");                  // unmapped: nothing
  EXPECT_EQ(s2u8("x\xA0y"), "xy");                      // 0xA0 has no entry: nothing, not a raw byte
  EXPECT_EQ(s2u8("x\xFDy", &f), "xy");
  EXPECT_EQ(f, 15);
}

TEST(SjisToUtf8Compat, Flags) {
  int f = -1;
  s2u8("plain", &f);
  EXPECT_EQ(f, 7);
  s2u8("\x80\x41", &f);
  EXPECT_EQ(f, 2);
  s2u8("\x82\x30", &f);  // trail byte below 0x40
  EXPECT_EQ(f, 1);
  s2u8("\xE0\x40", &f);
  EXPECT_EQ(f, 15);
  s2u8("\xE0\x30", &f);  // bit 3 set, then only bit 0 kept
  EXPECT_EQ(f, 1);
  EXPECT_EQ(s2u8("a\x82", &f), "a");  // ends after a lead byte
  EXPECT_EQ(f, 3);
  EXPECT_EQ(s2u8("\xE0\x40" "a\x82", &f), "\xE6\xBC\xBE" "a");
  EXPECT_EQ(f, 3);
}

// ---- UTF-16 strings ---------------------------------------------------------------------------------------------

TEST(Utf16Strings, Length) {
  EXPECT_EQ(utf16_length(u""), 0);
  EXPECT_EQ(utf16_length(u"abc"), 3);
  std::u16string longer(6000, u'a');
  EXPECT_EQ(utf16_length(longer.c_str()), 4999);
}

TEST(Utf16Strings, CopyAndAppend) {
  char16_t out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(utf16_copy(out, 8, u"abc"), 3);
  EXPECT_EQ(std::u16string(out), u"abc");
  EXPECT_EQ(utf16_append(out, 8, u"de"), 2);
  EXPECT_EQ(std::u16string(out), u"abcde");
  EXPECT_EQ(utf16_append(out, 8, u"fghij"), 2);
  EXPECT_EQ(std::u16string(out), u"abcdefg");
  EXPECT_EQ(utf16_copy(out, 4, u"wxyz"), 3);
  EXPECT_EQ(std::u16string(out), u"wxy");
  EXPECT_EQ(out[4], u'e');
  char16_t full[3] = {u'a', u'b', u'c'};
  EXPECT_EQ(utf16_append(full, 3, u"d"), 0);
  EXPECT_EQ(full[2], u'c');
  EXPECT_EQ(utf16_copy(full, 0, u"d"), 0);
  EXPECT_EQ(full[0], u'a');
}

// ---- Hostile input ---------------------------------------------------------------------------------------------
// Random bytes in exactly sized heap blocks (so that AddressSanitizer sees any read past the terminator),
// small capacities, and guard cells after every destination.

namespace {

uint32_t lcg(uint32_t& s) {
  s = s * 1664525u + 1013904223u;
  return s >> 8;
}

// A heap block of exactly len bytes ending in the terminator (one 0 byte, or two for UTF-16 as bytes).
struct Block {
  unsigned char* p;
  explicit Block(const std::string& bytes) : p(new unsigned char[bytes.size()]) {
    std::memcpy(p, bytes.data(), bytes.size());
  }
  ~Block() { delete[] p; }
};

std::string random_text(uint32_t& seed, int terminators) {
  int len = (int)(lcg(seed) % 40);
  std::string s;
  for (int i = 0; i < len; i++) {
    unsigned b = lcg(seed) & 0xFF;
    if (b == 0) b = 0x82;  // keep the text in one piece; the terminator is added below
    s += (char)b;
  }
  if (terminators == 2 && s.size() % 2 == 1) s += (char)0x81;
  s += std::string((size_t)terminators, '\0');
  return s;
}

}  // namespace

TEST(HostileInput, ConvertersStayInsideTheirBuffers) {
  uint32_t seed = 12345;
  for (int round = 0; round < 20000; round++) {
    int cap = (int)(lcg(seed) % 12);
    std::string text8 = random_text(seed, 1);
    std::string text16 = random_text(seed, 2);
    Block in8(text8), in16(text16);
    const char* s8 = reinterpret_cast<const char*>(in8.p);
    // UTF-16 units for the converters that take char16_t, from the same random bytes.
    std::u16string units;
    for (size_t i = 0; i + 1 < text16.size() - 2; i += 2) {
      char16_t u = (char16_t)((unsigned char)text16[i] | (unsigned char)text16[i + 1] << 8);
      units += u != 0 ? u : (char16_t)0xD800;
    }
    char16_t* in_units = new char16_t[units.size() + 1];
    std::memcpy(in_units, units.c_str(), (units.size() + 1) * 2);

    char out8[16];
    char16_t out16[16];
    std::memset(out8, 0x5A, sizeof out8);
    for (char16_t& u : out16) u = 0x5A5A;
    auto check8 = [&](const char* what) {
      for (int i = cap; i < 16; i++) ASSERT_EQ(out8[i], 0x5A) << what << " round " << round;
      if (cap > 0) {
        ASSERT_NE(std::memchr(out8, 0, (size_t)cap), nullptr) << what << " round " << round;
      }
      std::memset(out8, 0x5A, sizeof out8);
    };
    auto check16 = [&](const char* what) {
      for (int i = cap; i < 16; i++) ASSERT_EQ(out16[i], 0x5A5A) << what << " round " << round;
      bool ended = cap == 0;
      for (int i = 0; i < cap; i++) ended = ended || out16[i] == 0;
      ASSERT_TRUE(ended) << what << " round " << round;
      for (char16_t& u : out16) u = 0x5A5A;
    };
    int taken = sjis_to_utf16(out16, cap, s8);
    ASSERT_LE(taken, (int)text8.size() - 1);
    check16("sjis_to_utf16");
    utf8_to_utf16(out16, cap, s8);
    check16("utf8_to_utf16");
    taken = utf16_to_sjis(out8, cap, in_units);
    ASSERT_LE(taken, (int)units.size());
    check8("utf16_to_sjis");
    taken = utf16_to_sjis_compat(out8, cap, in16.p);
    ASSERT_LE(taken, (int)text16.size() - 2);
    check8("utf16_to_sjis_compat");
    taken = utf16_to_utf8(out8, cap, in16.p);
    ASSERT_LE(taken, (int)text16.size() - 2);
    check8("utf16_to_utf8");
    utf8_to_sjis_compat(out8, cap, s8);
    check8("utf8_to_sjis_compat");
    int flags = sjis_to_utf8_compat(out8, cap, s8);
    ASSERT_GE(flags, 0);
    ASSERT_LE(flags, 15);
    check8("sjis_to_utf8_compat");
    utf16_fits_sjis(in_units);
    utf16_copy(out16, cap, in_units);
    check16("utf16_copy");
    delete[] in_units;
  }
}
