// names_test.cpp: the name store: adding, groups, the wildcard matcher, find or add, alias entries and
// the renaming walk. The built-in vocabularies are checked in vocab_test.cpp.
#include "check/names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/testfiles.h"

namespace {

// Shift-JIS (code page 932) bytes of a UTF-8 literal, through iconv.
std::string S(const char* utf8) { return to_sjis(utf8); }

class Names : public ::testing::Test {
 protected:
  void SetUp() override { names_init(); }
  // 0 when a pattern, added as the only entry of the morph list, takes the name (find or add resolves
  // the name to it), -1 when not.
  static int match(const std::string& pattern, const std::string& name) {
    names_init();
    int e = names_add(LIST_MORPHS, pattern.c_str());
    EXPECT_EQ(e, 1);
    return names_find_or_add(LIST_MORPHS, name.c_str()) == e ? 0 : -1;
  }
};

// ---- Store ------------------------------------------------------------------------------------------------

TEST_F(Names, InitLeavesEveryListEmptyWithOneGroup) {
  names_add(1, "abc");
  names_start_group(1);
  names_init();
  for (int l = 0; l < NAME_LISTS; l++) {
    EXPECT_EQ(names_count(l), 0) << l;
    EXPECT_EQ(names_group_count(l), 1) << l;
    EXPECT_EQ(names_group_start(l, 1), 0) << l;
  }
  EXPECT_STREQ(names_entry(1, 1), "");
}

TEST_F(Names, AddNumbersEntriesFromOne) {
  EXPECT_EQ(names_add(1, "a"), 1);
  EXPECT_EQ(names_add(1, "b"), 2);
  EXPECT_EQ(names_add(1, "a"), 3);  // plain add stores a repeat again
  EXPECT_EQ(names_count(1), 3);
  EXPECT_EQ(names_count(2), 0);
  EXPECT_STREQ(names_entry(1, 2), "b");
}

TEST_F(Names, AddRefusesNamesLongerThan63Bytes) {
  std::string n63(63, 'x'), n64(64, 'y');
  EXPECT_EQ(names_add(1, n63.c_str()), 1);
  EXPECT_EQ(names_add(1, n64.c_str()), 0);
  EXPECT_EQ(names_count(1), 1);
  EXPECT_EQ(std::string(names_entry(1, 1)), n63);
}

TEST_F(Names, BadListNumbersStoreNothing) {
  EXPECT_EQ(names_add(-1, "a"), 0);
  EXPECT_EQ(names_add(NAME_LISTS, "a"), 0);
  EXPECT_EQ(names_find_or_add(NAME_LISTS, "a"), 0);
  EXPECT_EQ(names_count(NAME_LISTS), 0);
  EXPECT_EQ(names_start_group(NAME_LISTS), -1);
  EXPECT_EQ(names_group_of(-1, 1), 0);
  EXPECT_STREQ(names_entry(NAME_LISTS, 1), "");
}

TEST_F(Names, FullListTakesNothingMore) {
  char name[16];
  for (int i = 0; i < NAME_ENTRIES; i++) {
    std::snprintf(name, sizeof name, "n%d", i);
    ASSERT_EQ(names_add(LIST_BONES, name), i + 1);
  }
  EXPECT_EQ(names_add(LIST_BONES, "more"), 0);
  EXPECT_EQ(names_find_or_add(LIST_BONES, "more"), 0);
  EXPECT_EQ(names_count(LIST_BONES), NAME_ENTRIES);
  EXPECT_EQ(names_find_or_add(LIST_BONES, "n16383"), NAME_ENTRIES);
  EXPECT_EQ(names_find_or_add(LIST_BONES, "n0"), 1);
}

TEST_F(Names, EntryOutOfRangeIsEmpty) {
  names_add(2, "abc");
  EXPECT_STREQ(names_entry(2, 1), "abc");
  EXPECT_STREQ(names_entry(2, 0), "");
  EXPECT_STREQ(names_entry(2, 2), "");
}

TEST_F(Names, GroupsSplitTheEntries) {
  names_add(1, "a");  // 1
  names_add(1, "b");  // 2
  EXPECT_EQ(names_start_group(1), 0);
  names_add(1, "c");  // 3
  EXPECT_EQ(names_start_group(1), 0);
  EXPECT_EQ(names_start_group(1), 0);  // group 3 stays empty
  names_add(1, "d");  // 4
  EXPECT_EQ(names_group_count(1), 4);
  EXPECT_EQ(names_group_start(1, 2), 2);
  EXPECT_EQ(names_group_start(1, 3), 3);
  EXPECT_EQ(names_group_start(1, 4), 3);
  EXPECT_EQ(names_group_start(1, 5), -1);
  EXPECT_EQ(names_group_of(1, 1), 1);
  EXPECT_EQ(names_group_of(1, 2), 1);
  EXPECT_EQ(names_group_of(1, 3), 2);
  EXPECT_EQ(names_group_of(1, 4), 4);
  EXPECT_EQ(names_group_of(1, 0), 0);
  EXPECT_EQ(names_group_of(1, 5), 0);
}

TEST_F(Names, FifteenGroupsAtMost) {
  for (int g = 2; g <= NAME_GROUPS; g++) EXPECT_EQ(names_start_group(3), 0) << g;
  names_add(3, "x");
  EXPECT_EQ(names_start_group(3), -1);
  EXPECT_EQ(names_group_count(3), 15);
  EXPECT_EQ(names_group_of(3, 1), 15);  // the last group is open and took the entry
}

// ---- Matcher ------------------------------------------------------------------------------------------------

TEST_F(Names, PlainPatternsMatchWholeNamesOnly) {
  EXPECT_EQ(match("abc", "abc"), 0);
  EXPECT_EQ(match("abc", "ab"), -1);
  EXPECT_EQ(match("abc", "abcd"), -1);
  EXPECT_EQ(match("abc", ""), -1);
  EXPECT_EQ(match(S("左腕"), S("左腕")), 0);
  EXPECT_EQ(match(S("左腕"), S("右腕")), -1);
}

TEST_F(Names, StarNeedsAtLeastOneByteAndIgnoresTheRest) {
  EXPECT_EQ(match("ab*", "abc"), 0);
  EXPECT_EQ(match("ab*", "abcdef"), 0);
  EXPECT_EQ(match("ab*", "ab"), -1);
  EXPECT_EQ(match("ab*xyz", "abQ"), 0);  // what follows the star is never looked at
  EXPECT_EQ(match("*", "a"), 0);
  EXPECT_EQ(match("*", ""), -1);
  EXPECT_EQ(match(S("スカート*"), S("スカート前1")), 0);
  EXPECT_EQ(match(S("スカート*"), S("スカート")), -1);
}

TEST_F(Names, LiteralWildcardsInTheNameMatchThemselvesFirst) {
  EXPECT_EQ(match("a*", "a*"), 0);  // equal bytes first; then both end
  EXPECT_EQ(match("a?", "a?"), 0);
  EXPECT_EQ(match("a*b", "a*b"), 0);
  EXPECT_EQ(match("a", "*"), -1);  // a wildcard in the name is no wildcard
  EXPECT_EQ(match("a", "?"), -1);
}

TEST_F(Names, QuestionMarkTakesOneCharacter) {
  EXPECT_EQ(match("a?c", "abc"), 0);
  EXPECT_EQ(match("a?c", "ac"), -1);
  EXPECT_EQ(match("a?", "a"), -1);  // not the end of the name
  EXPECT_EQ(match("a?c", "a" + S("腕") + "c"), 0);  // a double-byte character as one
  EXPECT_EQ(match("a??c", "a" + S("腕") + "c"), -1);
  EXPECT_EQ(match("??", "a" + S("ｱ")), 0);  // half-width katakana is one byte
  EXPECT_EQ(match("?", "\x80" "A"), 0);      // 0x80 counts as a lead byte
  EXPECT_EQ(match("?", "\x8d"), 0);          // a lone lead byte at the end is one byte
  EXPECT_EQ(match("??", "\x8d"), -1);
}

TEST_F(Names, FullWidthQuestionMarkTakesOneDoubleByteCharacter) {
  const std::string q = S("左足？リボ*");
  ASSERT_EQ(q.substr(4, 2), "\x81\x48");
  EXPECT_EQ(match(q, S("左足飾リボA")), 0);
  EXPECT_EQ(match(q, S("左足") + "X" + S("リボA")), -1);   // single byte: no
  EXPECT_EQ(match(q, S("左足") + "XY" + S("リボA")), -1);  // nor two single bytes
  EXPECT_EQ(match(q, S("左足ｱリボA")), -1);                // half-width katakana is single
  EXPECT_EQ(match(S("？"), S("？")), 0);                   // itself, as equal bytes
  EXPECT_EQ(match(S("？"), "\x80" "A"), 0);
  EXPECT_EQ(match(S("？"), S("腕")), 0);
  EXPECT_EQ(match(S("？"), "\x8d"), -1);  // lead byte without its trail byte
}

TEST_F(Names, FullWidthQuestionMarkNeverMatchesLeadByte0x81) {
  // Equal bytes come first: the 0x81 of "？" is consumed against the 0x81 of ＋ or ー, and then 0x48
  // does not equal the trail byte.
  ASSERT_EQ(S("＋"), "\x81\x7b");
  ASSERT_EQ(S("ー"), "\x81\x5b");
  EXPECT_EQ(match(S("左？"), S("左＋")), -1);
  EXPECT_EQ(match(S("左？"), S("左ー")), -1);
  EXPECT_EQ(match(S("左？"), S("左、")), -1);
  EXPECT_EQ(match(S("左？"), S("左あ")), 0);  // lead byte 0x82
  EXPECT_EQ(match(S("左？指３先"), S("左人指３先")), 0);
}

TEST_F(Names, FindOrAddTakesTheHighestMatchingEntry) {
  EXPECT_EQ(names_add(1, "ab*"), 1);
  EXPECT_EQ(names_add(1, "a*"), 2);
  EXPECT_EQ(names_add(1, "ab*"), 3);
  EXPECT_EQ(names_find_or_add(1, "abc"), 3);
  EXPECT_EQ(names_find_or_add(1, "ax"), 2);
  EXPECT_EQ(names_find_or_add(1, "b"), 4);  // nothing matches: added
  EXPECT_EQ(names_find_or_add(1, "b"), 4);  // and found again
  EXPECT_EQ(names_find_or_add(1, "a"), 5);
  EXPECT_EQ(names_count(1), 5);
}

// Find without add: the entry find or add would give, or 0, and the list stays as it was.
TEST_F(Names, FindAddsNothing) {
  names_add(1, "ab*");
  names_add(1, "abc");
  EXPECT_EQ(names_find(1, "abc"), 2);
  EXPECT_EQ(names_find(1, "abd"), 1);
  EXPECT_EQ(names_find(1, "b"), 0);
  EXPECT_EQ(names_find(NAME_LISTS, "abc"), 0);
  EXPECT_EQ(names_count(1), 2);
}

TEST_F(Names, AddedMotionNamesActAsPatterns) {
  EXPECT_EQ(names_find_or_add(1, "x*"), 1);
  EXPECT_EQ(names_find_or_add(1, "xyz"), 1);
}

// ---- Alias entries and renaming -------------------------------------------------------------------------------

// Adds an alias entry to list, as the alias reader does.
static int alias(int list, const std::string& pattern, const std::string& replacement, uint8_t mode) {
  int e = names_add(list, pattern.c_str());
  EXPECT_GT(e, 0);
  EXPECT_EQ(names_alias_set(list, e, replacement.c_str(), mode), 0);
  return e;
}

static std::string rename(int list, const std::string& name, int out_size = 128) {
  char out[256];
  std::memset(out, 'Z', sizeof out);
  names_rename(list, name.c_str(), out, out_size);
  return out;
}

TEST_F(Names, AliasTablesOnlyBesideLists0And3) {
  names_add(1, "a");
  EXPECT_EQ(names_alias_set(1, 1, "b", 0), -1);
  names_add(0, "a");
  EXPECT_EQ(names_alias_set(0, 0, "b", 0), -1);
  EXPECT_EQ(names_alias_set(0, 2, "b", 0), -1);
  EXPECT_EQ(names_alias_set(0, 1, "b", ALIAS_LAST), 0);
  EXPECT_STREQ(names_alias_replacement(0, 1), "b");
  EXPECT_EQ(names_alias_mode(0, 1), 1);
  EXPECT_EQ(names_alias_mode(0, 2), -1);
  names_add(3, "m");
  EXPECT_EQ(names_alias_set(3, 1, "M", ALIAS_FULL), 0);
  EXPECT_EQ(names_alias_mode(3, 1), 255);
  names_init();
  names_add(0, "a");
  EXPECT_STREQ(names_alias_replacement(0, 1), "");  // cleared by init
  EXPECT_EQ(names_alias_mode(0, 1), 0);
}

TEST_F(Names, AliasReplacementIsCutTo63Bytes) {
  names_add(0, "a");
  std::string r(70, 'r');
  EXPECT_EQ(names_alias_set(0, 1, r.c_str(), 0), 0);
  EXPECT_EQ(std::string(names_alias_replacement(0, 1)), std::string(63, 'r'));
}

TEST_F(Names, RenamePlainEntryReplacesAPrefix) {
  alias(0, S("左"), "Left", ALIAS_PLAIN);
  EXPECT_EQ(rename(0, S("左腕")), "Left" + S("腕"));
  EXPECT_EQ(rename(0, S("右腕")), S("右腕"));
  EXPECT_EQ(rename(0, S("左左")), "LeftLeft");  // the walk goes on after the replaced prefix
  EXPECT_EQ(rename(0, S("腕左")), S("腕") + "Left");
}

TEST_F(Names, RenameFullEntryOnlyForTheWholeName) {
  alias(0, S("左腕"), "LeftArm", ALIAS_FULL);
  EXPECT_EQ(rename(0, S("左腕")), "LeftArm");
  EXPECT_EQ(rename(0, S("右左腕")), S("右左腕"));
  EXPECT_EQ(rename(0, S("左腕捩")), S("左腕捩"));
}

TEST_F(Names, RenameLastEntryMatchesTheRestExactly) {
  alias(0, S("腕"), "Arm", ALIAS_LAST);
  EXPECT_EQ(rename(0, S("左腕")), S("左") + "Arm");
  EXPECT_EQ(rename(0, S("腕")), "Arm");
  EXPECT_EQ(rename(0, S("腕捩")), S("腕捩"));  // not the end of the name
}

TEST_F(Names, RenamePlainStarEntryTakesTheWholeRest) {
  alias(3, "eye*", "E", ALIAS_PLAIN);
  EXPECT_EQ(rename(3, "eyeblink"), "E");
  EXPECT_EQ(rename(3, "xeyeblink"), "xE");
  EXPECT_EQ(rename(3, "eye"), "eye");  // the star needs a byte; as prefix "eye*" does not fit either
}

TEST_F(Names, RenamePlainPrefixWithQuestionMarks) {
  alias(0, "a?", "Z", ALIAS_PLAIN);
  EXPECT_EQ(rename(0, "abab"), "ZZ");
  EXPECT_EQ(rename(0, "a"), "a");  // "?" does not take the end
  names_init();
  alias(0, S("？") + "x", "Q", ALIAS_PLAIN);
  EXPECT_EQ(rename(0, S("腕") + "xy"), "Qy");
  EXPECT_EQ(rename(0, "abxy"), "abxy");  // "？" needs a double-byte character
}

TEST_F(Names, RenameTriesHighestEntriesFirst) {
  alias(0, S("左"), "L", ALIAS_PLAIN);
  alias(0, S("左腕"), "LA", ALIAS_PLAIN);
  EXPECT_EQ(rename(0, S("左腕")), "LA");
  EXPECT_EQ(rename(0, S("左足")), "L" + S("足"));
}

TEST_F(Names, RenameCopiesWholeCharacters) {
  alias(0, "\x48", "h", ALIAS_PLAIN);  // 'H' is also the trail byte of "？"
  EXPECT_EQ(rename(0, S("？") + "H"), S("？") + "h");
}

TEST_F(Names, RenameThroughOtherListsCopies) {
  names_add(1, "a");
  EXPECT_EQ(rename(1, "abc"), "abc");
  EXPECT_EQ(rename(0, "abc"), "abc");  // empty alias list
}

TEST_F(Names, RenameKeepsToTheOutputSize) {
  alias(0, "a", "LONGREPLACEMENT", ALIAS_PLAIN);
  EXPECT_EQ(rename(0, "aaa", 8), "LONGREP");
  EXPECT_EQ(rename(0, "xyz", 1), "");
  char out[4] = {'Q', 'Q', 'Q', 'Q'};
  names_rename(0, "xyz", out, 0);  // nothing written at all
  EXPECT_EQ(out[0], 'Q');
}

TEST_F(Names, RenameIgnoresEmptyPatterns) {
  int e = names_add(0, "");
  ASSERT_EQ(e, 1);
  names_alias_set(0, e, "X", ALIAS_PLAIN);
  EXPECT_EQ(rename(0, "ab"), "ab");
}

}  // namespace
