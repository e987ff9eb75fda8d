// paths_test.cpp: the path and file-name operations in both forms, the directory search behind
// find_file_name, and Japanese Shift-JIS names opening natively through the real converters.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "formats/filechan.h"
#include "paths/paths.h"
#include "support/testfiles.h"
#include "sys/sys.h"

namespace {

std::string dir_of(const std::string& s) {
  char out[300];
  EXPECT_EQ(path_dir(out, 300, s.c_str()), 0);
  return out;
}
std::string name_of(const std::string& s) {
  char out[300];
  EXPECT_EQ(path_name(out, 300, s.c_str()), 0);
  return out;
}
std::string ext_of(const std::string& s, int* r) {
  char out[300];
  *r = path_ext(out, 300, s.c_str());
  return out;
}
std::string strip(const std::string& s) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%s", s.c_str());
  EXPECT_EQ(path_strip_sep(buf), 0);
  return buf;
}
std::u16string dir_w(const std::u16string& s) {
  char16_t out[300];
  EXPECT_EQ(path_dir_w(out, 300, s.c_str()), 0);
  return out;
}
std::u16string name_w(const std::u16string& s) {
  char16_t out[300];
  EXPECT_EQ(path_name_w(out, 300, s.c_str()), 0);
  return out;
}
std::u16string ext_w(const std::u16string& s, int* r) {
  char16_t out[300];
  *r = path_ext_w(out, 300, s.c_str());
  return out;
}
std::u16string strip_w(const std::u16string& s) {
  char16_t buf[400];
  size_t n = s.size() < 399 ? s.size() : 399;
  for (size_t i = 0; i < n; i++) buf[i] = s[i];
  buf[n] = 0;
  EXPECT_EQ(path_strip_sep_w(buf), 0);
  return buf;
}
std::string field(const std::string& list, int n, int* r) {
  char out[64];
  std::memset(out, 'z', sizeof out);
  *r = list_field(out, 64, list.c_str(), n);
  return out;
}

struct Western {
  Western() { sys_set_locale_for_test(0x0409, 1252); }
  ~Western() { sys_set_locale_for_test(0x0411, 932); }
};

// Shift-JIS spellings: 表 and 能 end in 0x5C, ソ too.
const std::string kHyou = "\x95\x5C";
const std::string kNou = "\x94\x5C";
const std::string kSo = "\x83\x5C";
const std::string kUgoki = "\x93\xAE\x82\xAB";  // 動き

}  // namespace

// ---- Directory and name ----------------------------------------------------------------------------

TEST(PathDir, UpToTheLastBackslash) {
  EXPECT_EQ(dir_of("C:\\x\\motion.vmd"), "C:\\x\\");
  EXPECT_EQ(dir_of("motion.vmd"), "");
  EXPECT_EQ(dir_of("C:\\"), "C:\\");
  EXPECT_EQ(dir_of("a/b/c.vmd"), "");  // backslashes only
  EXPECT_EQ(dir_of(""), "");
  EXPECT_EQ(dir_w(u"C:\\x\\motion.vmd"), u"C:\\x\\");
  EXPECT_EQ(dir_w(u"motion.vmd"), u"");
  EXPECT_EQ(dir_w(u"a/b"), u"");
}

TEST(PathName, AfterTheLastBackslashOrSlash) {
  EXPECT_EQ(name_of("C:\\x\\motion.vmd"), "motion.vmd");
  EXPECT_EQ(name_of("C:/x/motion.vmd"), "motion.vmd");
  EXPECT_EQ(name_of("C:\\x/y\\z"), "z");
  EXPECT_EQ(name_of("motion.vmd"), "motion.vmd");
  EXPECT_EQ(name_of("C:\\x\\"), "");
  EXPECT_EQ(name_w(u"C:\\x\\motion.vmd"), u"motion.vmd");
  EXPECT_EQ(name_w(u"C:\\x/\xD55C.vmd"), u"\xD55C.vmd");
  EXPECT_EQ(name_w(u"plain"), u"plain");
}

TEST(PathDirAndName, TrailByte5CIsNoSeparator) {
  std::string path = "C:\\" + kHyou + "\\" + kNou + kSo + ".vmd";
  EXPECT_EQ(dir_of(path), "C:\\" + kHyou + "\\");
  EXPECT_EQ(name_of(path), kNou + kSo + ".vmd");
  EXPECT_EQ(dir_of(kHyou), "");
  EXPECT_EQ(name_of("C:\\" + kSo), kSo);
  EXPECT_EQ(dir_of("C:\\" + kSo), "C:\\");
  // A lead byte right before the end is a byte of its own.
  EXPECT_EQ(name_of("C:\\a\x95"), "a\x95");
}

TEST(PathDirAndName, TheSystemLeadByteTestDecides) {
  Western w;  // code page 1252: 0x5C after 0x95 is a backslash
  std::string path = "C:\\" + kHyou + "x";
  EXPECT_EQ(dir_of(path), "C:\\\x95\\");
  EXPECT_EQ(name_of(path), "x");
}

TEST(PathDirAndName, Capacity) {
  char out[5];
  std::memset(out, 'z', sizeof out);
  EXPECT_EQ(path_name(out, 4, "C:\\abcdef"), 0);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(out[4], 'z');
  // Never half a character.
  EXPECT_EQ(path_name(out, 4, kUgoki.c_str()), 0);
  EXPECT_STREQ(out, "\x93\xAE");
  EXPECT_EQ(path_dir(out, 1, "C:\\x"), 0);
  EXPECT_STREQ(out, "");
  out[0] = 'q';
  EXPECT_EQ(path_dir(out, 0, "C:\\x"), 0);
  EXPECT_EQ(out[0], 'q');
  char16_t w[4];
  EXPECT_EQ(path_name_w(w, 3, u"\xD83D\xDE00" u"a"), 0);  // the pair fits with its 0
  EXPECT_EQ(std::u16string(w), u"\xD83D\xDE00");
  EXPECT_EQ(path_name_w(w, 2, u"\xD83D\xDE00" u"a"), 0);  // it does not: nothing, not half a pair
  EXPECT_EQ(std::u16string(w), u"");
}

// ---- Extension ---------------------------------------------------------------------------------------------

TEST(PathExt, FromTheLastDot) {
  int r = 99;
  EXPECT_EQ(ext_of("a.b.vmd", &r), ".vmd");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(ext_of("noext", &r), "");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(ext_of(".vmd", &r), ".vmd");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(ext_of("a.", &r), ".");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(ext_of("dir.d\\file", &r), ".d\\file");  // the whole string is searched
  EXPECT_EQ(r, -1);
  EXPECT_EQ(ext_of(kNou + ".PMX", &r), ".PMX");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(ext_w(u"a.b.vmd", &r), u".vmd");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(ext_w(u"noext", &r), u"");
  EXPECT_EQ(r, 0);
  // The result tells of the dot even when the output has no room.
  char out[1];
  EXPECT_EQ(path_ext(out, 1, "a.vmd"), -1);
  EXPECT_EQ(out[0], 0);
}

// ---- Trailing separator -------------------------------------------------------------------------------------

TEST(PathStripSep, DriveRootsAndLoneSeparatorsStay) {
  EXPECT_EQ(strip("C:\\"), "C:\\");
  EXPECT_EQ(strip("c:/"), "c:/");
  EXPECT_EQ(strip("C:"), "C:");
  EXPECT_EQ(strip("\\"), "\\");
  EXPECT_EQ(strip("/"), "/");
  EXPECT_EQ(strip(""), "");
  EXPECT_EQ(strip_w(u"C:\\"), u"C:\\");
  EXPECT_EQ(strip_w(u"\\"), u"\\");
}

TEST(PathStripSep, OneTrailingSeparatorGoes) {
  EXPECT_EQ(strip("C:\\data\\"), "C:\\data");
  EXPECT_EQ(strip("C:\\data/"), "C:\\data");
  EXPECT_EQ(strip("C:\\data"), "C:\\data");
  EXPECT_EQ(strip("a\\"), "a");
  EXPECT_EQ(strip("ab\\\\"), "ab\\");
  EXPECT_EQ(strip("\\\\"), "\\");
  EXPECT_EQ(strip("1:\\"), "1:");  // not a drive letter
  EXPECT_EQ(strip_w(u"C:\\data\\"), u"C:\\data");
  EXPECT_EQ(strip_w(u"C:\\data/"), u"C:\\data");
  EXPECT_EQ(strip_w(u"a/"), u"a");
}

TEST(PathStripSep, TrailByte5CStays) {
  EXPECT_EQ(strip("C:\\" + kHyou), "C:\\" + kHyou);
  EXPECT_EQ(strip("C:\\" + kHyou + "\\"), "C:\\" + kHyou);
}

TEST(PathStripSep, CutTo259) {
  std::string longer(300, 'a');
  EXPECT_EQ(strip(longer), std::string(259, 'a'));
  // A separator that ends the first 259 characters is the trailing one.
  std::string sep = std::string(258, 'a') + "\\" + std::string(20, 'b');
  EXPECT_EQ(strip(sep), std::string(258, 'a'));
  // A character that would cross 259 bytes is cut whole.
  std::string wide_char = std::string(258, 'a') + kUgoki;
  EXPECT_EQ(strip(wide_char), std::string(258, 'a'));
  std::string exact = std::string(257, 'a') + kUgoki.substr(0, 2);
  EXPECT_EQ(strip(exact + "zz"), exact);
  EXPECT_EQ(strip_w(std::u16string(300, u'a')), std::u16string(259, u'a'));
}

// ---- Prefix and list --------------------------------------------------------------------------------------------

TEST(PrefixNocase, LettersCompareWithoutCase) {
  EXPECT_EQ(prefix_nocase(".vmd", ".VMD"), 0);
  EXPECT_EQ(prefix_nocase(".VMDX", ".vmd"), 0);
  EXPECT_EQ(prefix_nocase(".vm", ".VMD"), -1);
  EXPECT_EQ(prefix_nocase(".pmx", ".VMD"), -1);
  EXPECT_EQ(prefix_nocase("anything", ""), 0);
  EXPECT_EQ(prefix_nocase("", ""), 0);
  EXPECT_EQ(prefix_nocase("[", "{"), -1);  // only a to z fold
  EXPECT_EQ(prefix_nocase_w(u".vmd", u".VMD"), 0);
  EXPECT_EQ(prefix_nocase_w(u".Vmdx", u".vMD"), 0);
  EXPECT_EQ(prefix_nocase_w(u".vm", u".VMD"), -1);
  EXPECT_EQ(prefix_nocase_w(u"\xFF41", u"\xFF21"), -1);  // full-width letters do not fold
}

TEST(PrefixNocase, TrailBytesCompareExactly) {
  // 0x83 0x61 and 0x83 0x41 are different katakana; folding the trail byte would make them equal.
  EXPECT_EQ(prefix_nocase("\x83\x61", "\x83\x41"), -1);
  EXPECT_EQ(prefix_nocase("\x83\x41x", "\x83\x41X"), 0);
  EXPECT_EQ(prefix_nocase("\x83", "\x83\x41"), -1);
}

TEST(ListField, FieldsBySemicolon) {
  int r = 99;
  EXPECT_EQ(field("a;b", 0, &r), "a");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(field("a;b", 1, &r), "b");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(field("a;b", 2, &r), "");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(field("a;;c", 1, &r), "");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(field("a;b;", 2, &r), "");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(field("cap.bmp", 0, &r), "cap.bmp");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(field("cap.bmp", 1, &r), "");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(field("", 0, &r), "");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(field("a;b", -1, &r), "");
  EXPECT_EQ(r, -1);
}

TEST(ListField, WalksTwoByteCharacters) {
  int r = 99;
  // After a lead byte the next byte is its trail byte, even a ";".
  EXPECT_EQ(field("\x82;b;c", 1, &r), "c");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(field(kHyou + ";" + kNou, 1, &r), kNou);
  EXPECT_EQ(r, 0);
}

// ---- On-disk names -----------------------------------------------------------------------------------------------

TEST(FindFileName, NameAsStored) {
  TempDir t;
  write_file(t.file("Motion.vmd"), "x");
  char out[260];
  int before = open_fds();
  EXPECT_EQ(find_file_name(out, 260, (t.path + "\\MOTION.VMD").c_str()), 0);
  EXPECT_STREQ(out, "Motion.vmd");
  EXPECT_EQ(find_file_name(out, 260, (t.path + "/*.vmd").c_str()), 0);
  EXPECT_STREQ(out, "Motion.vmd");
  char16_t w[260];
  EXPECT_EQ(find_file_name_w(w, 260, to_u16(t.path + "\\motion.vmd").c_str()), 0);
  EXPECT_EQ(std::u16string(w), u"Motion.vmd");
  EXPECT_EQ(open_fds(), before);  // the search is closed
}

TEST(FindFileName, NothingFound) {
  TempDir t;
  char out[260] = "old";
  int before = open_fds();
  EXPECT_EQ(find_file_name(out, 260, (t.path + "/none.vmd").c_str()), -1);
  EXPECT_STREQ(out, "");
  char16_t w[260] = u"old";
  EXPECT_EQ(find_file_name_w(w, 260, to_u16(t.path + "/none.vmd").c_str()), -1);
  EXPECT_EQ(std::u16string(w), u"");
  EXPECT_EQ(find_file_name(out, 260, (t.path + "/nodir/none.vmd").c_str()), -1);
  EXPECT_EQ(open_fds(), before);
}

TEST(FindFileName, DirectoriesArePassedOver) {
  TempDir t;
  ASSERT_EQ(mkdir(t.file("one.vmd").c_str(), 0755), 0);
  char out[260];
  int before = open_fds();
  // A directory and nothing after it.
  EXPECT_EQ(find_file_name(out, 260, (t.path + "/one.vmd").c_str()), -1);
  EXPECT_STREQ(out, "");
  // A directory and a file, in whichever order the host lists them: the file.
  write_file(t.file("two.vmd"), "x");
  EXPECT_EQ(find_file_name(out, 260, (t.path + "/*.vmd").c_str()), 0);
  EXPECT_STREQ(out, "two.vmd");
  // Two directories.
  ASSERT_EQ(mkdir(t.file("d1").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(t.file("d2").c_str(), 0755), 0);
  EXPECT_EQ(find_file_name(out, 260, (t.path + "/d?").c_str()), -2);
  EXPECT_STREQ(out, "");
  char16_t w[260];
  EXPECT_EQ(find_file_name_w(w, 260, to_u16(t.path + "/d*").c_str()), -2);
  EXPECT_EQ(find_file_name_w(w, 260, to_u16(t.path + "/*.vmd").c_str()), 0);
  EXPECT_EQ(std::u16string(w), u"two.vmd");
  EXPECT_EQ(open_fds(), before);
}

TEST(FindFileName, JapaneseNameInBothForms) {
  TempDir t;
  write_file(t.file("\xE5\x8B\x95\xE3\x81\x8D.VMD"), "x");  // 動き.VMD
  char out[260];
  EXPECT_EQ(find_file_name(out, 260, (t.path + "\\" + kUgoki + ".vmd").c_str()), 0);
  EXPECT_EQ(std::string(out), kUgoki + ".VMD");
  char16_t w[260];
  EXPECT_EQ(find_file_name_w(w, 260, to_u16(t.path + "\\\xE5\x8B\x95*").c_str()), 0);
  EXPECT_EQ(std::u16string(w), u"動き.VMD");
  // The capacity bounds the name, whole characters only.
  EXPECT_EQ(find_file_name(out, 4, (t.path + "/*.vmd").c_str()), 0);
  EXPECT_STREQ(out, "\x93\xAE");
}

// ---- Host names -------------------------------------------------------------------------------------------------
// The platform seam spells an ANSI path as Windows would (Shift-JIS to UTF-16 to the host's UTF-8) with
// these converters; a Japanese name must open by either spelling.

TEST(HostNames, ShiftJisPathOpens) {
  TempDir t;
  write_file(t.file("\xE5\x8B\x95\xE3\x81\x8D.vmd"), "Vocaloid Motion Data 0002");  // 動き.vmd
  std::string ansi = t.path + "\\" + kUgoki + ".vmd";
  EXPECT_EQ(rfprobe(ansi.c_str()), 0);
  EXPECT_EQ(rfprobeW(to_u16(t.path + "\\動き.vmd").c_str()), 0);
  ASSERT_EQ(rfopen(ansi.c_str()), 0);
  EXPECT_EQ(rfgetc(), 'V');
  rfclose();
  // A name whose Shift-JIS spelling holds a 0x5C trail byte: 表示.vmd.
  write_file(t.file("\xE8\xA1\xA8\xE7\xA4\xBA.vmd"), "x");
  EXPECT_EQ(rfprobe((t.path + "/" + kHyou + "\x8E\xA6.vmd").c_str()), 0);
  // Half-width katakana: ｱ.vmd.
  write_file(t.file("\xEF\xBD\xB1.vmd"), "x");
  EXPECT_EQ(rfprobe((t.path + "/\xB1.vmd").c_str()), 0);
}

TEST(HostNames, NameOutsideCodePage932OpensOnlyByUtf16) {
  TempDir t;
  write_file(t.file("\xED\x95\x9C.vmd"), "x");  // 한.vmd
  EXPECT_EQ(rfprobeW(to_u16(t.path + "/한.vmd").c_str()), 0);
  EXPECT_EQ(rfprobe((t.path + "/?.vmd").c_str()), -1);
}

// ---- Hostile input ---------------------------------------------------------------------------------------------

TEST(HostileInput, PathOperationsStayInsideTheirBuffers) {
  uint32_t seed = 777;
  auto next = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  const unsigned char alphabet[] = {'a', '.', ';', '\\', '/', ':', 'C', 0x81, 0x95, 0x5C, 0xE0, 0xFC, 0xB1, 0x80};
  for (int round = 0; round < 20000; round++) {
    int len = (int)(next() % 24);
    int cap = (int)(next() % 10);
    // Exactly sized heap blocks, so that a read past the terminator is seen by AddressSanitizer.
    char* in = new char[len + 1];
    char16_t* win = new char16_t[len + 1];
    for (int i = 0; i < len; i++) {
      unsigned char b = alphabet[next() % sizeof alphabet];
      in[i] = (char)b;
      win[i] = next() % 5 == 0 ? (char16_t)(0xD800 + next() % 0x800) : (char16_t)b;
    }
    in[len] = 0;
    win[len] = 0;
    char out[16];
    char16_t wout[16];
    std::memset(out, 0x5A, sizeof out);
    for (char16_t& u : wout) u = 0x5A5A;
    auto guards = [&](const char* what) {
      for (int i = cap; i < 16; i++) {
        ASSERT_EQ(out[i], 0x5A) << what << " round " << round;
        ASSERT_EQ(wout[i], 0x5A5A) << what << " round " << round;
      }
    };
    path_dir(out, cap, in);
    path_name(out, cap, in);
    path_ext(out, cap, in);
    list_field(out, cap, in, (int)(next() % 4));
    prefix_nocase(in, "a\x95\x5C");
    path_dir_w(wout, cap, win);
    path_name_w(wout, cap, win);
    path_ext_w(wout, cap, win);
    prefix_nocase_w(win, u"a.");
    guards("paths");
    path_strip_sep(in);
    path_strip_sep_w(win);
    ASSERT_LE(std::strlen(in), (size_t)len);
    delete[] in;
    delete[] win;
  }
}

TEST(PathJoin, OneSeparatorOfThePlatformAndTheCapacity) {
  char16_t out[16];
  const std::u16string sep(1, PATH_SEP_W);
  ASSERT_EQ(path_join_w(out, 16, u"dir", u"a.vmd"), 0);
  EXPECT_EQ(std::u16string(out), u"dir" + sep + u"a.vmd");
  ASSERT_EQ(path_join_w(out, 16, u"dir\\", u"a.vmd"), 0);
  EXPECT_EQ(std::u16string(out), u"dir\\a.vmd");
  ASSERT_EQ(path_join_w(out, 16, u"", u"a.vmd"), 0);
  EXPECT_EQ(std::u16string(out), u"a.vmd");
  // 3 + 1 + 11 units and the terminator fill 16 exactly; one more does not fit and leaves nothing.
  EXPECT_EQ(path_join_w(out, 16, u"dir", u"abcdefghijk"), 0);
  EXPECT_EQ(path_join_w(out, 16, u"dir", u"abcdefghijkl"), -1);
  EXPECT_EQ(out[0], 0);
}

TEST(PathStem, TheLastPartWithoutItsExtension) {
  char16_t out[16];
  const std::u16string cases[][2] = {{u"models/Gene.pmx", u"Gene"},  {u"C:\\m\\a.b.pmx", u"a.b"},
                                     {u"dir.x/noext", u"noext"},     {u"m/.pmx", u".pmx"},
                                     {u"plain", u"plain"},           {u"dir/", u""}};
  for (const auto& c : cases) {
    ASSERT_EQ(path_stem_w(out, 16, c[0].c_str()), 0);
    EXPECT_EQ(std::u16string(out), c[1]);
  }
  // Cut to the capacity, as path_name_w cuts.
  ASSERT_EQ(path_stem_w(out, 4, u"abcdef.pmx"), 0);
  EXPECT_EQ(std::u16string(out), u"abc");
}

// A folder's name: of the folder itself, or of the one that holds a file; "." and ".." resolved, a
// relative path against the current folder; a root has none.
TEST(PathFolderName, TheFolderItselfOrTheOneThatHoldsAFile) {
  char16_t out[16];
  const struct {
    const char16_t* path;
    bool file;
    const char16_t* name;
  } cases[] = {{u"/m/lib", false, u"lib"},        {u"/m/lib/", false, u"lib"},      {u"/m/lib/.", false, u"lib"},
               {u"/m/lib/sub/..", false, u"lib"}, {u"/m\\x\\a.vmd", true, u"x"}, {u"C:\\m\\a.pmx", true, u"m"},
               {u"/a.vmd", true, nullptr},        {u"/", false, nullptr},           {u"/m/0123456789abcdef", false, nullptr}};
  for (const auto& c : cases) {
    EXPECT_EQ(path_folder_name_w(out, 16, c.path, c.file), c.name != nullptr ? 0 : -1) << from_u16(c.path);
    EXPECT_EQ(std::u16string(out), c.name != nullptr ? c.name : u"") << from_u16(c.path);
  }
  static char16_t here[4096], name[4096];
  ASSERT_GT(sys_current_dir_w(here, 4096), 0);
  path_name_w(name, 4096, here);
  ASSERT_EQ(path_folder_name_w(here, 4096, u"a.vmd", true), 0);
  EXPECT_EQ(std::u16string(here), std::u16string(name));
}

TEST(PathFolderAndAbsolute, UpToTheLastSeparatorAfterTheCurrentFolder) {
  char16_t out[64];
  ASSERT_EQ(path_folder_w(out, 64, u"/a/b\\c.html"), 0);
  EXPECT_EQ(std::u16string(out), u"/a/b\\");
  EXPECT_EQ(path_folder_w(out, 64, u"page.html"), -1);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(path_folder_w(out, 4, u"/abc/d"), -1);  // "/abc/" does not fit
  EXPECT_EQ(out[0], 0);
  // A path from a root stays as it is; another follows the current folder (natively spelled with
  // backslashes, as the system spells it on Windows).
  ASSERT_EQ(path_absolute_w(out, 64, u"C:x\\p.html"), 0);
  EXPECT_EQ(std::u16string(out), u"C:x\\p.html");
  ASSERT_EQ(path_absolute_w(out, 64, u"\\\\host\\p.html"), 0);
  EXPECT_EQ(std::u16string(out), u"\\\\host\\p.html");
  static char16_t here[4096];
  int n = sys_current_dir_w(here, 4096);
  ASSERT_GT(n, 0);
  static char16_t absolute[4096];
  ASSERT_EQ(path_absolute_w(absolute, 4096, u"out/p.html"), 0);
  EXPECT_EQ(std::u16string(absolute), std::u16string(here) + PATH_SEP_W + u"out/p.html");
  EXPECT_EQ(path_absolute_w(out, 4, u"/abcd"), -1);
}
