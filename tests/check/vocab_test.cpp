// vocab_test.cpp: the built-in vocabularies: their Shift-JIS bytes against iconv's code page 932, the
// registered lists (counts, groups, entry numbers, repeats) and how motion names resolve against them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/names.h"
#include "check/vocab.h"
#include "support/testfiles.h"

namespace {

std::string S(const char* utf8) { return to_sjis(utf8); }

// A part of tools/vocab.txt, the readable source of vocab.cpp.
struct TextPart {
  std::string header;  // "bones 1 find"
  std::vector<std::string> names;  // UTF-8
};

std::vector<TextPart> read_vocab_text() {
  std::string text = read_file(std::string(VELMORA_SOURCE_DIR) + "/tools/vocab.txt");
  std::vector<TextPart> parts;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '@') {
      parts.push_back({line.substr(2), {}});
      continue;
    }
    if (!parts.empty()) parts.back().names.push_back(line);
  }
  return parts;
}

class Vocab : public ::testing::Test {
 protected:
  void SetUp() override {
    names_init();
    names_register_builtin();
  }
  static int find(int list, const char* utf8) { return names_find_or_add(list, S(utf8).c_str()); }
  static std::string entry(int list, int e) { return names_entry(list, e); }
  // The entries of list whose name is exactly the UTF-8 name.
  static std::vector<int> entries_named(int list, const char* utf8) {
    std::vector<int> out;
    std::string s = S(utf8);
    for (int e = 1; e <= names_count(list); e++)
      if (entry(list, e) == s) out.push_back(e);
    return out;
  }
};

// ---- The data against its readable source and code page 932 --------------------------------------------

TEST(VocabData, EveryNameIsItsCodePage932Spelling) {
  std::vector<TextPart> text = read_vocab_text();
  ASSERT_EQ((int)text.size(), vocab_part_count);
  int names = 0;
  for (int i = 0; i < vocab_part_count; i++) {
    const VocabPart& part = vocab_parts[i];
    ASSERT_EQ((int)text[i].names.size(), part.count) << text[i].header;
    std::string header = std::string(part.list == LIST_BONES ? "bones " : "morphs ") +
                         std::to_string(part.group) + (part.how == VOCAB_FIND ? " find" : " add");
    EXPECT_EQ(text[i].header, header);
    for (int k = 0; k < part.count; k++) {
      EXPECT_EQ(std::string(part.names[k]), to_sjis(text[i].names[k])) << text[i].names[k];
      EXPECT_LE(std::string(part.names[k]).size(), 63u);
      names++;
    }
  }
  EXPECT_EQ(names, 65 + 28 + 381 + 61 + 1);
}

TEST(VocabData, PartsInRegistrationOrder) {
  ASSERT_EQ(vocab_part_count, 8);
  const int list[] = {1, 1, 1, 1, 1, 2, 2, 2};
  const int group[] = {1, 2, 3, 3, 4, 1, 2, 3};
  const uint8_t how[] = {VOCAB_FIND, VOCAB_FIND, VOCAB_FIND, VOCAB_ADD, VOCAB_FIND, VOCAB_FIND, VOCAB_FIND, VOCAB_FIND};
  const int count[] = {65, 28, 122, 259, 0, 61, 1, 0};
  for (int i = 0; i < 8; i++) {
    EXPECT_EQ(vocab_parts[i].list, list[i]) << i;
    EXPECT_EQ(vocab_parts[i].group, group[i]) << i;
    EXPECT_EQ(vocab_parts[i].how, how[i]) << i;
    EXPECT_EQ(vocab_parts[i].count, count[i]) << i;
  }
  EXPECT_EQ(std::string(vocab_parts[3].names[0]), S("スカート*"));
}

// ---- The registered lists ------------------------------------------------------------------------------

TEST_F(Vocab, BoneGroupCounts) {
  EXPECT_EQ(names_count(LIST_BONES), 473);
  EXPECT_EQ(names_group_count(LIST_BONES), 4);
  // 64 standard bones, 28 finger bones, 381 accessory bones and patterns; group 4 (the motion's own
  // names) is still empty.
  EXPECT_EQ(names_group_of(LIST_BONES, 1), 1);
  EXPECT_EQ(names_group_of(LIST_BONES, 64), 1);
  EXPECT_EQ(names_group_of(LIST_BONES, 65), 2);
  EXPECT_EQ(names_group_of(LIST_BONES, 92), 2);
  EXPECT_EQ(names_group_of(LIST_BONES, 93), 3);
  EXPECT_EQ(names_group_of(LIST_BONES, 473), 3);
}

TEST_F(Vocab, MorphGroupCounts) {
  EXPECT_EQ(names_count(LIST_MORPHS), 62);
  EXPECT_EQ(names_group_count(LIST_MORPHS), 3);
  // 61 morphs, then one in group 2; group 3 is still empty.
  EXPECT_EQ(names_group_of(LIST_MORPHS, 61), 1);
  EXPECT_EQ(entry(LIST_MORPHS, 1), S("あ"));
  EXPECT_EQ(entry(LIST_MORPHS, 61), S("メガネ"));
  EXPECT_EQ(entry(LIST_MORPHS, 62), S("クリ勃起"));
  EXPECT_EQ(names_group_of(LIST_MORPHS, 62), 2);
}

TEST_F(Vocab, AliasListsUntouched) {
  EXPECT_EQ(names_count(LIST_BONE_ALIAS), 0);
  EXPECT_EQ(names_count(LIST_MORPH_ALIAS), 0);
}

TEST_F(Vocab, EntryNumbersNamed) {
  EXPECT_EQ(entry(LIST_BONES, 1), S("操作中心"));
  EXPECT_EQ(entry(LIST_BONES, 7), S("左腕捩"));
  EXPECT_EQ(entry(LIST_BONES, 64), S("右腕_+"));
  EXPECT_EQ(entry(LIST_BONES, 65), S("左親指１"));
  EXPECT_EQ(entry(LIST_BONES, 92), S("右小指３"));
  EXPECT_EQ(entry(LIST_BONES, 93), S("左目先"));
  EXPECT_EQ(entry(LIST_BONES, 214), S("新規ボーン1"));
  EXPECT_EQ(entry(LIST_BONES, 215), S("スカート*"));
  EXPECT_EQ(entry(LIST_BONES, 473), S("(ベル*"));
}

TEST_F(Vocab, RepeatsAsRegistered) {
  // Registered twice by find or add: stored once.
  EXPECT_EQ(entries_named(LIST_BONES, "左腕捩"), std::vector<int>{7});
  // Stored twice by plain add.
  EXPECT_EQ(entries_named(LIST_BONES, "右Hair*").size(), 2u);
  EXPECT_EQ(entries_named(LIST_BONES, "猫耳右*").size(), 2u);
  // Every other name once.
  int repeats = 0;
  for (int e = 1; e <= names_count(LIST_BONES); e++)
    for (int f = e + 1; f <= names_count(LIST_BONES); f++)
      if (entry(LIST_BONES, e) == entry(LIST_BONES, f)) repeats++;
  EXPECT_EQ(repeats, 2);
}

TEST_F(Vocab, ListsHoldTheVocabularyInOrder) {
  // Independent of the generated data: the text, through iconv, with the repeats the registration makes.
  std::vector<TextPart> text = read_vocab_text();
  std::vector<std::string> bones, morphs;
  for (const TextPart& p : text) {
    std::vector<std::string>& into = p.header.rfind("bones", 0) == 0 ? bones : morphs;
    for (const std::string& n : p.names) into.push_back(to_sjis(n));
  }
  ASSERT_EQ(bones.size(), 474u);
  ASSERT_EQ(bones[64], S("左腕捩"));  // the repeat at the end of group 1
  bones.erase(bones.begin() + 64);
  ASSERT_EQ(names_count(LIST_BONES), (int)bones.size());
  for (int e = 1; e <= names_count(LIST_BONES); e++) EXPECT_EQ(entry(LIST_BONES, e), bones[e - 1]) << e;
  ASSERT_EQ(names_count(LIST_MORPHS), (int)morphs.size());
  for (int e = 1; e <= names_count(LIST_MORPHS); e++) EXPECT_EQ(entry(LIST_MORPHS, e), morphs[e - 1]) << e;
}

TEST_F(Vocab, PatternCountInGroup3) {
  int patterns = 0;
  for (int e = 93; e <= 473; e++) {
    std::string n = entry(LIST_BONES, e);
    if (n.find('*') != std::string::npos || n.find('?') != std::string::npos || n.find(S("？")) != std::string::npos)
      patterns++;
  }
  EXPECT_EQ(patterns, 211);
}

// ---- Motion names against the vocabularies -----------------------------------------------------------------

TEST_F(Vocab, TwistBoneResolvesToEntry7) {
  EXPECT_EQ(find(LIST_BONES, "左腕捩"), 7);
  EXPECT_EQ(names_group_of(LIST_BONES, 7), 1);
  EXPECT_EQ(names_count(LIST_BONES), 473);
}

TEST_F(Vocab, SkirtNamesShareThePattern) {
  int a = find(LIST_BONES, "スカート前1");
  int b = find(LIST_BONES, "スカート後2");
  EXPECT_EQ(a, 215);
  EXPECT_EQ(b, 215);
  EXPECT_EQ(names_group_of(LIST_BONES, a), 3);
}

TEST_F(Vocab, SkirtAloneIsNewInGroup4) {
  int e = find(LIST_BONES, "スカート");
  EXPECT_EQ(e, 474);
  EXPECT_EQ(names_group_of(LIST_BONES, e), 4);
  EXPECT_EQ(find(LIST_BONES, "スカート"), 474);  // a second key: the same entry
  EXPECT_EQ(names_count(LIST_BONES), 474);
}

TEST_F(Vocab, FullWidthMarkInFootRibbon) {
  std::vector<int> ribbon = entries_named(LIST_BONES, "左足？リボ*");
  ASSERT_EQ(ribbon.size(), 1u);
  EXPECT_EQ(find(LIST_BONES, "左足飾リボA"), ribbon[0]);
  std::string single = S("左足") + "X" + S("リボA");
  int e = names_find_or_add(LIST_BONES, single.c_str());
  EXPECT_EQ(e, 474);
  EXPECT_EQ(names_group_of(LIST_BONES, e), 4);
}

TEST_F(Vocab, LaterPatternsWin) {
  // "ベル*" (174) and "(ベル*" (473) do not overlap; "左ベル*" (313) wins over nothing earlier.
  EXPECT_EQ(find(LIST_BONES, "ベルト"), 174);
  EXPECT_EQ(find(LIST_BONES, "(ベルト"), 473);
  EXPECT_EQ(find(LIST_BONES, "左ベルト"), 313);
  // Both "右Hair*" entries match; the higher one takes the name.
  std::vector<int> hair = entries_named(LIST_BONES, "右Hair*");
  ASSERT_EQ(hair.size(), 2u);
  EXPECT_EQ(find(LIST_BONES, "右Hair1"), hair[1]);
}

TEST_F(Vocab, StandardMorphsResolve) {
  EXPECT_EQ(find(LIST_MORPHS, "あ"), 1);
  EXPECT_EQ(find(LIST_MORPHS, "まばたき"), 13);
  EXPECT_EQ(find(LIST_MORPHS, "クリ勃起"), 62);
  EXPECT_EQ(find(LIST_MORPHS, "新しい表情"), 63);
  EXPECT_EQ(names_group_of(LIST_MORPHS, 63), 3);
}

TEST_F(Vocab, RegistrationAfterAliasesLeavesThemAlone) {
  names_init();
  names_add(LIST_BONE_ALIAS, S("左").c_str());
  names_add(LIST_MORPH_ALIAS, "a");
  names_register_builtin();
  EXPECT_EQ(names_count(LIST_BONE_ALIAS), 1);
  EXPECT_EQ(names_count(LIST_MORPH_ALIAS), 1);
  EXPECT_EQ(names_count(LIST_BONES), 473);
}

}  // namespace
