// alias_test.cpp: the alias file reader: the encoding decision, sections, comments, tokens with their
// F and L suffixes, the 15-byte cut, refused and ignored lines: the patterns that land in name lists 0
// and 3, and what the renaming walk makes of names through them.
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

using Names = std::vector<std::string>;

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
  // The patterns of an alias list, in entry order.
  static Names patterns(int list) {
    Names out;
    for (int e = 1; e <= names_count(list); e++) out.push_back(names_entry(list, e));
    return out;
  }
  static Names bones() { return patterns(LIST_BONE_ALIAS); }
  static Names morphs() { return patterns(LIST_MORPH_ALIAS); }
  // Each name renamed through an alias list, as the listing shows it; the results joined by "|".
  static std::string renamed(int list, const Names& names) {
    std::string out;
    for (size_t i = 0; i < names.size(); i++) {
      char buf[256];
      names_rename(list, names[i].c_str(), buf, sizeof buf);
      out += (i == 0 ? "" : "|") + std::string(buf);
    }
    return out;
  }
};

// ---- Encoding ----------------------------------------------------------------------------------------------

TEST_F(Alias, AsciiUtf8FileReadsTheSameEitherWay) {
  std::string text = "-Bone\r\nLeft L_\r\n-Morph\r\nblink B\r\n";
  path = dir.file("alias.ini");
  write_file(path, text);
  EXPECT_EQ(check_file_utf8(path.c_str()), 7);  // clean UTF-8: read as UTF-8
  EXPECT_EQ(read(text), 0);
  EXPECT_EQ(bones(), (Names{"Left"}));
  EXPECT_EQ(morphs(), (Names{"blink"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"LeftArm"}), "L_Arm");
  EXPECT_EQ(renamed(LIST_MORPH_ALIAS, {"blink"}), "B");
}

TEST_F(Alias, ShiftJisFileIsCopied) {
  std::string text = S("左腕 LeftArm\n右 R\n");
  path = dir.file("alias.ini");
  write_file(path, text);
  EXPECT_EQ(check_file_utf8(path.c_str()), 0);  // two malformed sequences
  EXPECT_EQ(chkifsjis(path.c_str()), 7);
  EXPECT_EQ(read(text), 0);
  EXPECT_EQ(bones(), (Names{S("左腕"), S("右")}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {S("右左腕")}), "RLeftArm");
}

TEST_F(Alias, Utf8FileIsConverted) {
  EXPECT_EQ(read("左腕 左手\n-Morph\nまばたき ｳｨﾝｸ\n"), 0);
  EXPECT_EQ(bones(), (Names{S("左腕")}));
  EXPECT_EQ(morphs(), (Names{S("まばたき")}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {S("左腕")}), S("左手"));
  EXPECT_EQ(renamed(LIST_MORPH_ALIAS, {S("まばたき")}), S("ｳｨﾝｸ"));
}

TEST_F(Alias, Utf8FileWithCodePage932Characters) {
  // The UTF-8 reading goes through the code page 932 overrides: U+FF5E and U+301C both give 0x8160.
  EXPECT_EQ(read("髪～ a\n髪〜 b\n"), 0);
  EXPECT_EQ(bones(), (Names{S("髪～"), S("髪～")}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {S("髪～")}), "b");  // the later entry
}

TEST_F(Alias, ImplausibleShiftJisReadsAsUtf8) {
  // 0x80 0x41 is no Shift-JIS pair (flags 2): the file is read as UTF-8 and the stray byte dropped.
  std::string text = "\x80" "A x\n";
  path = dir.file("alias.ini");
  write_file(path, text);
  EXPECT_EQ(check_file_utf8(path.c_str()), 0);
  EXPECT_EQ(chkifsjis(path.c_str()), 2);
  EXPECT_EQ(read(text), 0);
  EXPECT_EQ(bones(), (Names{"A"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"A"}), "x");
}

// ---- Sections and comments ----------------------------------------------------------------------------------

TEST_F(Alias, EntriesBeforeAnySectionAreBones) {
  EXPECT_EQ(read("a b\n-Morph\nc d\n-Bone\ne f\n"), 0);
  EXPECT_EQ(bones(), (Names{"a", "e"}));
  EXPECT_EQ(morphs(), (Names{"c"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"ace"}), "bcf");
  EXPECT_EQ(renamed(LIST_MORPH_ALIAS, {"ace"}), "ade");
}

TEST_F(Alias, SectionWordsIgnoreCaseAndTheRestOfTheLine) {
  EXPECT_EQ(read("  -morph\na b\n\t-BONES and more\nc d\n-MoRpHs x y\ne f\n"), 0);
  EXPECT_EQ(morphs(), (Names{"a", "e"}));
  EXPECT_EQ(bones(), (Names{"c"}));
  EXPECT_EQ(renamed(LIST_MORPH_ALIAS, {"ace"}), "bcf");
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"ace"}), "ade");
}

TEST_F(Alias, CommentLinesAreIgnored) {
  EXPECT_EQ(read("// a b\n   // c d\n\t//e f\n/x y\ng h // not a comment\n"), 0);
  EXPECT_EQ(bones(), (Names{"/x", "g"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"/xg"}), "yh");
}

TEST_F(Alias, SectionLikeEntries) {
  // A line starting with "-" that is no section word is an entry.
  EXPECT_EQ(read("-Bon x\n-Mor y\n"), 0);
  EXPECT_EQ(bones(), (Names{"-Bon", "-Mor"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"-Bon-Mor"}), "xy");
}

// ---- Tokens ------------------------------------------------------------------------------------------------

TEST_F(Alias, QuotedWithFullMode) {
  EXPECT_EQ(read(S("\"左腕\"F \"arm_L\"\n")), 0);
  EXPECT_EQ(bones(), (Names{S("左腕")}));
  // The whole name only: neither a prefix nor the end of a longer name.
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {S("左腕"), S("左腕") + "x", "x" + S("左腕")}),
            "arm_L|" + S("左腕") + "x|x" + S("左腕"));
}

TEST_F(Alias, ModeSuffixes) {
  EXPECT_EQ(read("\"a\" A\n\"b\"F B\n\"c\"L C\n\"d\"FL D\n\"e\"LF E\n\"f\"f F\nfF G\n\"h\" F H\n"), 0);
  EXPECT_EQ(bones(), (Names{"a", "b", "c", "d", "e", "f", "fF", "h"}));
  // Each pattern inside "<" and ">", and after "<" alone: mode 0 replaces it anywhere, mode 1 (L) only
  // at the end of a name, mode 255 (F) only as the whole name.
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"<a>", "<a"}), "<A>|<A");
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"b", "<b>", "<b"}), "B|<b>|<b");
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"<c>", "<c"}), "<c>|<C");
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"<d>", "<d"}), "<d>|<D");  // F then L: L
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"<e>", "<e"}), "<e>|<F");  // an F after the L is the second token
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"f"}), "f");               // only the capital letters are suffixes
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"<fF>"}), "<G>");          // an unquoted token has no suffix
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"<h>"}), "<F>");           // nor does a letter after a blank
}

TEST_F(Alias, QuotedTokensHoldBlanks) {
  EXPECT_EQ(read("\"left arm\"\t\"L\tarm x\"\n\"a\"\"b\"\n"), 0);
  EXPECT_EQ(bones(), (Names{"left arm", "a"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"left arm", "a"}), "L\tarm x|b");
}

TEST_F(Alias, TextAfterTheSecondTokenIsIgnored) {
  EXPECT_EQ(read("a b c d\n\"e\" \"f\" g\n"), 0);
  EXPECT_EQ(bones(), (Names{"a", "e"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"a", "e"}), "b|f");
}

TEST_F(Alias, OneTokenOrEmptyTokensStoreNothing) {
  EXPECT_EQ(read("lonely\nlonely   \n\"\" x\ny \"\"\n\"z\"F\nok fine\n"), 0);
  EXPECT_EQ(bones(), (Names{"ok"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"ok"}), "fine");
}

TEST_F(Alias, UnterminatedQuoteEndsAtTheEndOfItsLine) {
  // In the second token: the token is the rest of the line (trailing spaces removed first).
  // In the first token: the rest of the line is the pattern and no second token is left.
  EXPECT_EQ(read("a \"b c  \n\"d e\nf g\n"), 0);
  EXPECT_EQ(bones(), (Names{"a", "f"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"a", "f"}), "b c|g");
}

TEST_F(Alias, ReplacementCutTo15Bytes) {
  EXPECT_EQ(read("a 12345678901234567890\n"), 0);
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"a"}), "123456789012345");
  names_init();
  // 14 bytes and a double-byte character: the cut leaves its lead byte.
  EXPECT_EQ(read("b abcdefghijklmn腕\n"), 0);
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"b"}), "abcdefghijklmn" + S("腕").substr(0, 1));
}

TEST_F(Alias, PatternOver63BytesRefusesItsLine) {
  std::string p63(63, 'p'), p64(64, 'q');
  EXPECT_EQ(read(p64 + " long\n" + p63 + " fits\n"), 0);
  EXPECT_EQ(bones(), (Names{p63}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {p63}), "fits");
  names_init();
  // 32 kanji are 96 bytes in UTF-8 and 64 in Shift-JIS: refused after conversion.
  std::string k32, k31;
  for (int i = 0; i < 32; i++) k32 += "腕";
  for (int i = 0; i < 31; i++) k31 += "腕";
  EXPECT_EQ(read(k32 + " x\n" + k31 + " y\n"), 0);
  EXPECT_EQ(bones(), (Names{to_sjis(k31)}));
  EXPECT_EQ(bones()[0].size(), 62u);
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {bones()[0]}), "y");
}

// ---- Lines ------------------------------------------------------------------------------------------------

TEST_F(Alias, LineEndingsBlankLinesAndEndMarks) {
  EXPECT_EQ(read("\r\n\r\n  a b  \r\n\n\n\x1a" "c d\r\r\te f\x1a\x1a"), 0);
  EXPECT_EQ(bones(), (Names{"a", "c", "e"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"ace"}), "bdf");
}

TEST_F(Alias, NoLineEndAtTheEnd) {
  EXPECT_EQ(read("a b"), 0);
  EXPECT_EQ(bones(), (Names{"a"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"a"}), "b");
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
  EXPECT_EQ(bones(), (Names{"k"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"k"}), "v");
}

TEST_F(Alias, RepeatedPatternsAreAppended) {
  EXPECT_EQ(read("a b\na c\n"), 0);
  EXPECT_EQ(bones(), (Names{"a", "a"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"a"}), "c");  // the later entry is tried first
}

TEST_F(Alias, ZeroByteEndsALine) {
  EXPECT_EQ(read(std::string("a b\0c d\ne f\n", 12)), 0);
  EXPECT_EQ(bones(), (Names{"a", "e"}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"ace"}), "bcf");
}

TEST_F(Alias, FullListTakesNothing) {
  char name[16];
  for (int i = 0; i < NAME_ENTRIES; i++) {
    std::snprintf(name, sizeof name, "n%d", i);
    ASSERT_GT(names_add(LIST_BONE_ALIAS, name), 0);
  }
  EXPECT_EQ(read("a b\n-Morph\nc d\n"), 0);
  EXPECT_EQ(names_count(LIST_BONE_ALIAS), NAME_ENTRIES);
  // The last entry keeps the empty replacement it was added with; "a" is no entry.
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {"n16383", "a"}), "|a");
  EXPECT_EQ(morphs(), (Names{"c"}));
  EXPECT_EQ(renamed(LIST_MORPH_ALIAS, {"c"}), "d");
}

// ---- Opening ----------------------------------------------------------------------------------------------

TEST_F(Alias, Utf16PathEntryPoint) {
  path = dir.file("alias.ini");
  write_file(path, S("左 L\n"));
  EXPECT_EQ(alias_read_w(to_u16(path).c_str()), 0);
  EXPECT_EQ(bones(), (Names{S("左")}));
  EXPECT_EQ(renamed(LIST_BONE_ALIAS, {S("左")}), "L");
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
