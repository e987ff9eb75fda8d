// alias_test.cpp: the alias file reader: the encoding decision, sections, comments, tokens with their
// F and L suffixes, the 15-byte cut, refused and ignored lines, and what lands in name lists 0 and 3.
#include "formats/alias.h"
#include "formats/detect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/names.h"
#include "support/testfiles.h"
#include "text/encoding.h"

namespace {

std::string S(const char* utf8) { return to_sjis(utf8); }

// One alias entry as stored: pattern, replacement, mode.
struct Entry {
  std::string pattern, replacement;
  int mode;
  bool operator==(const Entry& o) const {
    return pattern == o.pattern && replacement == o.replacement && mode == o.mode;
  }
};
std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{" << testing::PrintToString(e.pattern) << ", " << testing::PrintToString(e.replacement) << ", "
            << e.mode << "}";
}
using Entries = std::vector<Entry>;

class Alias : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path;
  void SetUp() override { names_init(); }
  // Writes bytes as alias.ini and reads it by ANSI path.
  int read(const std::string& bytes) {
    path = dir.file("alias.ini");
    write_file(path, bytes);
    return alias_read_a(path.c_str());
  }
  static Entries entries(int list) {
    Entries out;
    for (int e = 1; e <= names_count(list); e++)
      out.push_back({names_entry(list, e), names_alias_replacement(list, e), names_alias_mode(list, e)});
    return out;
  }
  static Entries bones() { return entries(LIST_BONE_ALIAS); }
  static Entries morphs() { return entries(LIST_MORPH_ALIAS); }
};

// ---- Encoding ----------------------------------------------------------------------------------------------

TEST_F(Alias, AsciiUtf8FileReadsTheSameEitherWay) {
  std::string text = "-Bone\r\nLeft L_\r\n-Morph\r\nblink B\r\n";
  path = dir.file("alias.ini");
  write_file(path, text);
  EXPECT_EQ(check_file_utf8(path.c_str()), 7);  // clean UTF-8: read as UTF-8
  EXPECT_EQ(read(text), 0);
  EXPECT_EQ(bones(), (Entries{{"Left", "L_", 0}}));
  EXPECT_EQ(morphs(), (Entries{{"blink", "B", 0}}));
}

TEST_F(Alias, ShiftJisFileIsCopied) {
  std::string text = S("左腕 LeftArm\n右 R\n");
  path = dir.file("alias.ini");
  write_file(path, text);
  EXPECT_EQ(check_file_utf8(path.c_str()), 0);  // two malformed sequences
  EXPECT_EQ(chkifsjis(path.c_str()), 7);
  EXPECT_EQ(read(text), 0);
  EXPECT_EQ(bones(), (Entries{{S("左腕"), "LeftArm", 0}, {S("右"), "R", 0}}));
}

TEST_F(Alias, Utf8FileIsConverted) {
  EXPECT_EQ(read("左腕 左手\n-Morph\nまばたき ｳｨﾝｸ\n"), 0);
  EXPECT_EQ(bones(), (Entries{{S("左腕"), S("左手"), 0}}));
  EXPECT_EQ(morphs(), (Entries{{S("まばたき"), S("ｳｨﾝｸ"), 0}}));
}

TEST_F(Alias, Utf8FileWithCodePage932Characters) {
  // The UTF-8 reading goes through the code page 932 overrides: U+FF5E and U+301C both give 0x8160.
  EXPECT_EQ(read("髪～ a\n髪〜 b\n"), 0);
  EXPECT_EQ(bones(), (Entries{{S("髪～"), "a", 0}, {S("髪～"), "b", 0}}));
}

TEST_F(Alias, ImplausibleShiftJisReadsAsUtf8) {
  // 0x80 0x41 is no Shift-JIS pair (flags 2): the file is read as UTF-8 and the stray byte dropped.
  std::string text = "\x80" "A x\n";
  path = dir.file("alias.ini");
  write_file(path, text);
  EXPECT_EQ(check_file_utf8(path.c_str()), 0);
  EXPECT_EQ(chkifsjis(path.c_str()), 2);
  EXPECT_EQ(read(text), 0);
  EXPECT_EQ(bones(), (Entries{{"A", "x", 0}}));
}

// ---- Sections and comments ----------------------------------------------------------------------------------

TEST_F(Alias, EntriesBeforeAnySectionAreBones) {
  EXPECT_EQ(read("a b\n-Morph\nc d\n-Bone\ne f\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "b", 0}, {"e", "f", 0}}));
  EXPECT_EQ(morphs(), (Entries{{"c", "d", 0}}));
}

TEST_F(Alias, SectionWordsIgnoreCaseAndTheRestOfTheLine) {
  EXPECT_EQ(read("  -morph\na b\n\t-BONES and more\nc d\n-MoRpHs x y\ne f\n"), 0);
  EXPECT_EQ(morphs(), (Entries{{"a", "b", 0}, {"e", "f", 0}}));
  EXPECT_EQ(bones(), (Entries{{"c", "d", 0}}));
}

TEST_F(Alias, CommentLinesAreIgnored) {
  EXPECT_EQ(read("// a b\n   // c d\n\t//e f\n/x y\ng h // not a comment\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"/x", "y", 0}, {"g", "h", 0}}));
}

TEST_F(Alias, SectionLikeEntries) {
  // A line starting with "-" that is no section word is an entry.
  EXPECT_EQ(read("-Bon x\n-Mor y\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"-Bon", "x", 0}, {"-Mor", "y", 0}}));
}

// ---- Tokens ------------------------------------------------------------------------------------------------

TEST_F(Alias, QuotedWithFullMode) {
  EXPECT_EQ(read(S("\"左腕\"F \"arm_L\"\n")), 0);
  EXPECT_EQ(bones(), (Entries{{S("左腕"), "arm_L", 0xFF}}));
}

TEST_F(Alias, ModeSuffixes) {
  EXPECT_EQ(read("\"a\" A\n\"b\"F B\n\"c\"L C\n\"d\"FL D\n\"e\"LF E\n\"f\"f F\nfF G\n\"h\" F H\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "A", 0},
                              {"b", "B", 0xFF},
                              {"c", "C", 1},
                              {"d", "D", 1},
                              {"e", "F", 1},    // an F after the L is the second token
                              {"f", "f", 0},    // only the capital letters are suffixes
                              {"fF", "G", 0},   // an unquoted token has no suffix
                              {"h", "F", 0}}));  // nor does a letter after a blank
}

TEST_F(Alias, QuotedTokensHoldBlanks) {
  EXPECT_EQ(read("\"left arm\"\t\"L\tarm x\"\n\"a\"\"b\"\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"left arm", "L\tarm x", 0}, {"a", "b", 0}}));
}

TEST_F(Alias, TextAfterTheSecondTokenIsIgnored) {
  EXPECT_EQ(read("a b c d\n\"e\" \"f\" g\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "b", 0}, {"e", "f", 0}}));
}

TEST_F(Alias, OneTokenOrEmptyTokensStoreNothing) {
  EXPECT_EQ(read("lonely\nlonely   \n\"\" x\ny \"\"\n\"z\"F\nok fine\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"ok", "fine", 0}}));
}

TEST_F(Alias, UnterminatedQuoteEndsAtTheEndOfItsLine) {
  // In the second token: the token is the rest of the line (trailing spaces removed first).
  // In the first token: the rest of the line is the pattern and no second token is left.
  EXPECT_EQ(read("a \"b c  \n\"d e\nf g\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "b c", 0}, {"f", "g", 0}}));
}

TEST_F(Alias, ReplacementCutTo15Bytes) {
  EXPECT_EQ(read("a 12345678901234567890\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "123456789012345", 0}}));
  names_init();
  // 14 bytes and a double-byte character: the cut leaves its lead byte.
  EXPECT_EQ(read("b abcdefghijklmn腕\n"), 0);
  std::string want = "abcdefghijklmn" + S("腕").substr(0, 1);
  EXPECT_EQ(bones(), (Entries{{"b", want, 0}}));
}

TEST_F(Alias, PatternOver63BytesRefusesItsLine) {
  std::string p63(63, 'p'), p64(64, 'q');
  EXPECT_EQ(read(p64 + " long\n" + p63 + " fits\n"), 0);
  EXPECT_EQ(bones(), (Entries{{p63, "fits", 0}}));
  names_init();
  // 32 kanji are 96 bytes in UTF-8 and 64 in Shift-JIS: refused after conversion.
  std::string k32, k31;
  for (int i = 0; i < 32; i++) k32 += "腕";
  for (int i = 0; i < 31; i++) k31 += "腕";
  EXPECT_EQ(read(k32 + " x\n" + k31 + " y\n"), 0);
  ASSERT_EQ(bones().size(), 1u);
  EXPECT_EQ(bones()[0].pattern.size(), 62u);
  EXPECT_EQ(bones()[0].replacement, "y");
}

// ---- Lines ------------------------------------------------------------------------------------------------

TEST_F(Alias, LineEndingsBlankLinesAndEndMarks) {
  EXPECT_EQ(read("\r\n\r\n  a b  \r\n\n\n\x1a" "c d\r\r\te f\x1a\x1a"), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "b", 0}, {"c", "d", 0}, {"e", "f", 0}}));
}

TEST_F(Alias, NoLineEndAtTheEnd) {
  EXPECT_EQ(read("a b"), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "b", 0}}));
}

TEST_F(Alias, EmptyFile) {
  EXPECT_EQ(read(""), 0);
  EXPECT_TRUE(bones().empty());
  EXPECT_EQ(read("\r\n \t \x1a"), 0);
  EXPECT_TRUE(bones().empty());
}

TEST_F(Alias, LongLineGoesOnAsTheNextLine) {
  // 253 characters are a line (one token: nothing stored); the rest of the physical line is read as a
  // line of its own. Read whole, the line would be a pattern of 254 bytes, which is refused.
  EXPECT_EQ(read(std::string(253, 'x') + "k v\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"k", "v", 0}}));
}

TEST_F(Alias, RepeatedPatternsAreAppended) {
  EXPECT_EQ(read("a b\na c\n"), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "b", 0}, {"a", "c", 0}}));
}

TEST_F(Alias, ZeroByteEndsALine) {
  EXPECT_EQ(read(std::string("a b\0c d\ne f\n", 12)), 0);
  EXPECT_EQ(bones(), (Entries{{"a", "b", 0}, {"e", "f", 0}}));
}

TEST_F(Alias, FullListTakesNothing) {
  char name[16];
  for (int i = 0; i < NAME_ENTRIES; i++) {
    std::snprintf(name, sizeof name, "n%d", i);
    ASSERT_GT(names_add(LIST_BONE_ALIAS, name), 0);
  }
  EXPECT_EQ(read("a b\n-Morph\nc d\n"), 0);
  EXPECT_EQ(names_count(LIST_BONE_ALIAS), NAME_ENTRIES);
  EXPECT_STREQ(names_alias_replacement(LIST_BONE_ALIAS, NAME_ENTRIES), "");
  EXPECT_EQ(morphs(), (Entries{{"c", "d", 0}}));
}

// ---- Opening ----------------------------------------------------------------------------------------------

TEST_F(Alias, Utf16PathEntryPoint) {
  path = dir.file("alias.ini");
  write_file(path, S("左 L\n"));
  EXPECT_EQ(alias_read_w(to_u16(path).c_str()), 0);
  EXPECT_EQ(bones(), (Entries{{S("左"), "L", 0}}));
}

TEST_F(Alias, MissingFile) {
  EXPECT_EQ(alias_read_a(dir.file("none.ini").c_str()), -1);
  EXPECT_EQ(alias_read_w(to_u16(dir.file("none.ini")).c_str()), -1);
  EXPECT_EQ(alias_read_a(nullptr), -1);
  EXPECT_EQ(alias_read_w(nullptr), -1);
  EXPECT_TRUE(bones().empty());
}

// ---- Through the renaming walk ----------------------------------------------------------------------------

TEST_F(Alias, EntriesRenameNames) {
  ASSERT_EQ(read("-Bone\n左 Left\n\"左腕\"F LeftArm\n-Morph\n\"き\"L Ki\n"), 0);
  char out[64];
  names_rename(LIST_BONE_ALIAS, S("左腕").c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out), "LeftArm");
  names_rename(LIST_BONE_ALIAS, S("左足").c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out), "Left" + S("足"));
  names_rename(LIST_BONE_ALIAS, S("右左腕").c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out), S("右") + "Left" + S("腕"));
  names_rename(LIST_MORPH_ALIAS, S("まばたき").c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out), S("まばた") + "Ki");
}

}  // namespace
