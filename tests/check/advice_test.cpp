// The advice for a lacking name: each rule, the order they are tried in, and the ambiguous cases.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "check/advice.h"
#include "check/model.h"
#include "check/rigs.h"
#include "support/testfiles.h"

namespace {

// A model of the given bones (Japanese, English; UTF-8) and morphs (Japanese only).
void model(const std::vector<std::pair<std::string, std::string>>& bones, const std::vector<std::string>& morphs) {
  model_clear();
  for (const auto& [jp, en] : bones) model_add_bone(to_sjis(jp).c_str(), en.c_str());
  for (const std::string& m : morphs) model_add_morph(to_sjis(m).c_str(), "");
}

struct Told {
  std::string to;  // UTF-8, "" for none
  int why;
  std::vector<std::string> candidates;
};

Told advise(int list, const std::string& utf8_or_raw, bool raw = false) {
  Advice a;
  advice_for(list, raw ? utf8_or_raw.c_str() : to_sjis(utf8_or_raw).c_str(), &a);
  Told t{a.to < 0 ? "" : from_sjis(advice_model_name(list, a.to)), a.why, {}};
  for (int i = 0; i < a.candidate_count && i < ADVICE_CANDIDATES; i++) {
    t.candidates.push_back(from_sjis(advice_model_name(list, a.candidates[i])));
  }
  return t;
}

}  // namespace

// The spellings of the motions met in real libraries, each to the one model name it stands for.
TEST(Advice, SpellingsFindTheModelsName) {
  model({{"右足IK親", ""}}, {"ウィンク２右", "ウィンク右", "ジト目", "はう"});
  const std::pair<std::string, std::string> morphs[] = {
      {"ｳｨﾝｸ２右", "ウィンク２右"}, {"ウインク右", "ウィンク右"}, {"じと目", "ジト目"}, {"はぅ", "はう"}};
  for (const auto& [motion, to] : morphs) {
    Told t = advise(LISTING_MORPHS, motion);
    EXPECT_EQ(t.to, to) << motion;
    EXPECT_EQ(t.why, WHY_SPELLING) << motion;
  }
  EXPECT_EQ(advise(LISTING_BONES, "右足ＩＫ親").to, "右足IK親");
  EXPECT_EQ(advise(LISTING_BONES, "左足ＩＫ親").why, WHY_NONE);
}

// An English name: one model bone gives it, or two do (ambiguous, both candidates, no "to").
TEST(Advice, EnglishNames) {
  model({{"右ひじ", "elbow_R"}, {"左袖", "sleeve"}, {"右袖", "sleeve"}}, {});
  Told t = advise(LISTING_BONES, "Elbow R");
  EXPECT_EQ(t.to, "右ひじ");
  EXPECT_EQ(t.why, WHY_ENGLISH_NAME);
  EXPECT_TRUE(t.candidates.empty());
  t = advise(LISTING_BONES, "Sleeve");
  EXPECT_EQ(t.to, "");
  EXPECT_EQ(t.why, WHY_AMBIGUOUS);
  EXPECT_EQ(t.candidates, (std::vector<std::string>{"左袖", "右袖"}));
}

// A name that fills its 15-byte field, or ends inside a character, is the beginning of longer model
// names: one is the advice, two are ambiguous; a name that does not fill its field is no such cut.
TEST(Advice, CutNames) {
  model({{"左スカート前後１２３", ""}, {"右スカート前後１２３", ""}, {"右スカート前後１２４", ""}}, {});
  std::string left = to_sjis("左スカート前後１２３").substr(0, 15);  // 左スカート前後 and the lead byte of １
  Told t = advise(LISTING_BONES, left, true);
  EXPECT_EQ(t.to, "左スカート前後１２３");
  EXPECT_EQ(t.why, WHY_CUT);
  t = advise(LISTING_BONES, to_sjis("右スカート前後１２３").substr(0, 15), true);
  EXPECT_EQ(t.why, WHY_AMBIGUOUS);
  EXPECT_EQ(t.candidates, (std::vector<std::string>{"右スカート前後１２３", "右スカート前後１２４"}));
  EXPECT_EQ(advise(LISTING_BONES, "左スカート").why, WHY_NONE);
}

// Other rigs' names of standard bones, when the model has the standard name; a spelling of the
// model's own name comes first.
TEST(Advice, RigNames) {
  model({{"左腕", ""}, {"左ひざ", ""}, {"左ひじ", ""}, {"右親指０", ""}}, {"あ"});
  const std::pair<std::string, std::string> bones[] = {{"LeftUpperArm", "左腕"},
                                                       {"J_Bip_L_LowerLe", "左ひざ"},
                                                       {"Left elbow", "左ひじ"},
                                                       {"Thumb0R", "右親指０"}};
  for (const auto& [motion, to] : bones) {
    Told t = advise(LISTING_BONES, motion);
    EXPECT_EQ(t.to, to) << motion;
    EXPECT_EQ(t.why, WHY_RIG_NAME) << motion;
  }
  EXPECT_EQ(advise(LISTING_MORPHS, "A").to, "あ");
  model({{"左腕", ""}, {"LeftUpperArm", ""}}, {});
  EXPECT_EQ(advise(LISTING_BONES, "leftupperarm").why, WHY_SPELLING);
}
