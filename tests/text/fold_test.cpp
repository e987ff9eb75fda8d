// fold_test.cpp: the spelling fold, one test per kind of fold, the destination's bound and a hostile
// name; the look-alike key and the key with gaps. Names are spelled as Shift-JIS bytes; expectations are
// the exact bytes of the key.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "text/fold.h"

static std::string key(const std::string& name) {
  char out[FOLD_NAME];
  int n = fold_name(out, FOLD_NAME, name.c_str(), -1);
  EXPECT_EQ(n, (int)std::string(out).size());
  return out;
}

TEST(Fold, HalfWidthKanaAndTheirMarks) {
  // ｳｨﾝｸ２右 and ウィンク２右 are one name; ｶﾞ ﾊﾟ ｳﾞ are ガ パ ヴ.
  EXPECT_EQ(key("\xB3\xA8\xDD\xB8\x82\x51\x89\x45"), "\xB3\xB2\xDD\xB8" "2\x89\x45");
  EXPECT_EQ(key("\x83\x45\x83\x42\x83\x93\x83\x4E\x82\x51\x89\x45"), "\xB3\xB2\xDD\xB8" "2\x89\x45");
  EXPECT_EQ(key("\xB6\xDE\xCA\xDF\xB3\xDE"), "\xB6\xDE\xCA\xDF\xB3\xDE");
  EXPECT_EQ(key("\x83\x4B\x83\x70\x83\x94"), "\xB6\xDE\xCA\xDF\xB3\xDE");
  EXPECT_EQ(key("\x83\x4A\x81\x4A"), "\xB6\xDE");  // カ゛
}

TEST(Fold, SmallKanaAsLarge) {
  // ウインク右 and ウィンク右; はぅ and はう; ッャヮヵヶ as ツヤワカケ.
  EXPECT_EQ(key("\x83\x45\x83\x43\x83\x93\x83\x4E\x89\x45"), key("\x83\x45\x83\x42\x83\x93\x83\x4E\x89\x45"));
  EXPECT_EQ(key("\x82\xCD\x82\xA3"), "\xCA\xB3");
  EXPECT_EQ(key("\x82\xCD\x82\xA4"), "\xCA\xB3");
  EXPECT_EQ(key("\x83\x62\x83\x83\x83\x8E\x83\x95\x83\x96"), "\xC2\xD4\xDC\xB6\xB9");
}

TEST(Fold, HiraganaAsKatakanaVoicedToo) {
  // じと目 and ジト目; がぱ and ガパ; む after the gap at 0x837F.
  EXPECT_EQ(key("\x82\xB6\x82\xC6\x96\xDA"), "\xBC\xDE\xC4\x96\xDA");
  EXPECT_EQ(key("\x83\x57\x83\x67\x96\xDA"), "\xBC\xDE\xC4\x96\xDA");
  EXPECT_EQ(key("\x82\xAA\x82\xCF\x82\xDE"), "\xB6\xDE\xCA\xDF\xD1");
  EXPECT_EQ(key("\x83\x4B\x83\x70\x83\x80"), "\xB6\xDE\xCA\xDF\xD1");
}

TEST(Fold, FullWidthAsciiAsAscii) {
  // 右足ＩＫ親 and 右足IK親; ０９ＡＺａｚ！＠（）.
  EXPECT_EQ(key("\x89\x45\x91\xAB\x82\x68\x82\x6A\x90\x65"), "\x89\x45\x91\xAB" "ik\x90\x65");
  EXPECT_EQ(key("\x89\x45\x91\xAB" "IK\x90\x65"), "\x89\x45\x91\xAB" "ik\x90\x65");
  EXPECT_EQ(key("\x82\x4F\x82\x58\x82\x60\x82\x79\x82\x81\x82\x9A\x81\x49\x81\x97\x81\x69\x81\x6A"), "09azaz!@()");
}

TEST(Fold, OneCaseAndSeparatorsDropped) {
  EXPECT_EQ(key("Left arm"), "leftarm");
  EXPECT_EQ(key("LeftArm"), "leftarm");
  EXPECT_EQ(key("left_arm"), "leftarm");
  // 　・･＿ go as " " and "_" do.
  EXPECT_EQ(key("A\x81\x40" "B\x81\x45" "C\xA5" "D\x81\x51" "E"), "abcde");
}

TEST(Fold, DashesAreOne) {
  // ー ｰ － ― ‐ -
  EXPECT_EQ(key("\x81\x5B\xB0\x81\x7C\x81\x5C\x81\x5D-"), "------");
}

TEST(Fold, DestinationHoldsWholeCharactersOnly) {
  char out[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(fold_name(out, 4, "\x83\x4B\x83\x4D", -1), 2);  // ガギ: ｶﾞ fits, ｷﾞ does not
  EXPECT_EQ(std::string(out), "\xB6\xDE");
  EXPECT_EQ(fold_name(out, 0, "abc", -1), 0);
  EXPECT_EQ(out[0], '\xB6');  // nothing written
}

TEST(Fold, HostileBytesOneAtATimeWithinTheField) {
  // A lead byte before a space is dropped and the space with it; 0xA0 and 0xFD to 0xFF stay.
  EXPECT_EQ(key("\x81 A\xA0\xFD\xFF"), "a\xA0\xFD\xFF");
  // A field of exactly 3 bytes without a terminator, cut after a lead byte: never read past it.
  std::vector<char> field = {'A', 'B', '\x82'};
  char out[FOLD_NAME];
  EXPECT_EQ(fold_name(out, FOLD_NAME, field.data(), (int)field.size()), 2);
  EXPECT_EQ(std::string(out), "ab");
}

TEST(Fold, LookAlikesAsOneAndCounted) {
  char a[FOLD_NAME], b[FOLD_NAME];
  // Λ and ∧ (with a full-width ２ and a 2): one key, one look-alike each; ∧ is its own.
  EXPECT_EQ(fold_alike(a, FOLD_NAME, "\x83\xA9\x82\x51", -1), 1);
  EXPECT_EQ(fold_alike(b, FOLD_NAME, "\x81\xC8" "2", -1), 1);
  EXPECT_EQ(std::string(a), "\x81\xC8" "2");
  EXPECT_EQ(std::string(b), "\x81\xC8" "2");
  // Д д, 口 □, Δ △, 〇 ○: each pair one key; the spelling key keeps them apart.
  EXPECT_EQ(fold_alike(a, FOLD_NAME, "\x84\x44\x8C\xFB\x83\xA2\x81\x5A", -1), 4);
  EXPECT_EQ(std::string(a), "\x84\x74\x81\xA0\x81\xA2\x81\x9B");
  EXPECT_EQ(key("\x84\x44"), "\x84\x44");
  // ω, ロ and ろ are no look-alikes: none counted, the spelling key.
  EXPECT_EQ(fold_alike(a, FOLD_NAME, "\x83\xD6\x83\x8D\x82\xEB", -1), 0);
  EXPECT_EQ(std::string(a), key("\x83\xD6\x83\x8D\x82\xEB"));
  EXPECT_EQ(fold_alike(a, 0, "\x83\xA9", -1), 0);
}

TEST(Fold, GapsLeaveOneDot) {
  char out[FOLD_NAME];
  const std::pair<std::string, std::string> names[] = {
      {"Right leg", "right.leg"},      {"Right_Leg", "right.leg"}, {"Right \x81\x40_ .leg", "right.leg"},
      {"Right\x81\x45leg", "right.leg"}, {"RightLeg", "rightleg"},   {"leg-R", "leg-r"}};
  for (const auto& [name, gapped] : names) {
    EXPECT_EQ(fold_gaps(out, FOLD_NAME, name.c_str(), -1), (int)gapped.size()) << name;
    EXPECT_EQ(std::string(out), gapped) << name;
  }
}
