// The advice for a lacking name: each rule, the order they are tried in, and the ambiguous cases; the
// renamings of one motion that would give a name two tracks; the model's names no motion can name whole.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "check/advice.h"
#include "check/model.h"
#include "check/rigs.h"
#include "check/usage.h"
#include "check/vocab.h"
#include "support/testfiles.h"

namespace {

// A model of the given bones (Japanese, English; UTF-8) and morphs (Japanese only, or Japanese and English).
void model(const std::vector<std::pair<std::string, std::string>>& bones, const std::vector<std::string>& morphs,
           const std::vector<std::pair<std::string, std::string>>& english_morphs = {}) {
  model_clear();
  for (const auto& [jp, en] : bones) model_add_bone(to_sjis(jp).c_str(), en.c_str());
  for (const std::string& m : morphs) model_add_morph(to_sjis(m).c_str(), "");
  for (const auto& [jp, en] : english_morphs) model_add_morph(to_sjis(jp).c_str(), en.c_str());
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

// A whole match wins over a cut one: a 15-byte name that spells a model bone's English name whole is
// that bone, though a longer model name begins with its bytes; with nothing whole, the cut decides.
TEST(Advice, WholeNamesBeforeCut) {
  model({{"右つま先", "J_Bip_R_ToeBase"}, {"J_Bip_R_ToeBase_end", "J_Bip_R_ToeBase_end"},
         {"J_Bip_L_ToeBase_end", ""}},
        {});
  Advice a;
  advice_for(LISTING_BONES, "J_Bip_R_ToeBase", &a);
  EXPECT_EQ(from_sjis(advice_model_name(LISTING_BONES, a.to)), "右つま先");
  EXPECT_EQ(a.why, WHY_ENGLISH_NAME);
  EXPECT_TRUE(a.whole);
  EXPECT_EQ(a.candidate_count, 0);
  advice_for(LISTING_BONES, "J_Bip_L_ToeBase", &a);
  EXPECT_EQ(std::string(advice_model_name(LISTING_BONES, a.to)), "J_Bip_L_ToeBase_end");
  EXPECT_EQ(a.why, WHY_CUT);
  EXPECT_FALSE(a.whole);
}

// Two bones with one English name, and the rig's name is the standard name of one of them: that one,
// why "rig name". Where the rig names neither, the English names stay ambiguous.
TEST(Advice, RigNamePicksAmongEnglishNames) {
  model({{"右腕", "arm_R"}, {"右腕xca", "arm_R"}, {"前髪1", "bang"}, {"前髪2", "bang"}}, {});
  Told t = advise(LISTING_BONES, "arm_R");
  EXPECT_EQ(t.to, "右腕");
  EXPECT_EQ(t.why, WHY_RIG_NAME);
  EXPECT_TRUE(t.candidates.empty());
  t = advise(LISTING_BONES, "bang");
  EXPECT_EQ(t.why, WHY_AMBIGUOUS);
  EXPECT_EQ(t.candidates, (std::vector<std::string>{"前髪1", "前髪2"}));
}

// A wink's side and number placed otherwise, and MMD's left-eye winks named without a side, which take
// the left wink only where the model names both sides of that wink (and the same the other way round).
TEST(Advice, WinksBySideAndNumber) {
  const auto to = [](const std::string& name) {
    Told t = advise(LISTING_MORPHS, name);
    return t.to + " (" + advice_why_word((AdviceWhy)t.why) + ")";
  };
  model({}, {"ウインク左", "ウインク右", "ウィンク右２", "ウィンク左２"});
  EXPECT_EQ(to("ウィンク"), "ウインク左 (spelling)");
  EXPECT_EQ(to("ウィンク右"), "ウインク右 (spelling)");
  EXPECT_EQ(to("ウィンク２"), "ウィンク左２ (spelling)");
  EXPECT_EQ(to("ｳｨﾝｸ２右"), "ウィンク右２ (spelling)");
  EXPECT_EQ(to("ウィンク3"), " (none)");
  EXPECT_EQ(to("ウィンク右右"), " (none)");
  model({}, {"ウインク左", "ウィンク２右"});  // no right side of ウインク: a lone ウィンク is not sure
  EXPECT_EQ(to("ウィンク"), " (none)");
  EXPECT_EQ(to("ウィンク右2"), "ウィンク２右 (spelling)");
  model({}, {"ウィンク", "ウィンク右"});
  EXPECT_EQ(to("ｳｨﾝｸ左"), "ウィンク (spelling)");
  Advice a;
  advice_for(LISTING_MORPHS, to_sjis("ｳｨﾝｸ左").c_str(), &a);
  EXPECT_TRUE(a.whole && a.loose && advice_renameable(a));
}

// Look-alike signs of other scripts or cases, where the whole name matches one model name: several
// leave the name without advice, never ambiguous; a part of a name is no match.
TEST(Advice, LookAlikeSigns) {
  model({{"∧", ""}}, {"∧", "ω□", "д", "ΛΛ", "∧∧"});
  const std::pair<std::string, std::string> morphs[] = {
      {"Λ", "∧ (spelling)"}, {"ω口", "ω□ (spelling)"}, {"Д", "д (spelling)"},
      {"Λ∧", " (none)"},     {"Λ2", " (none)"}};
  for (const auto& [motion, to] : morphs) {
    Told t = advise(LISTING_MORPHS, motion);
    EXPECT_EQ(t.to + " (" + advice_why_word((AdviceWhy)t.why) + ")", to) << motion;
    EXPECT_TRUE(t.candidates.empty()) << motion;
  }
  EXPECT_EQ(advise(LISTING_BONES, "Λ").to, "∧");
}

namespace {

// A motion as the reader leaves it: the built-in vocabularies, then a key of each of these bones and
// morphs (UTF-8), in this order; the bones move, but for a name that begins with "=" (left out), which
// stays at rest and so is not on the page.
void motion(const std::vector<std::string>& bones, const std::vector<std::string>& morphs) {
  static std::string kept[16];
  int n = 0;
  names_init();
  names_register_builtin();
  bone_usage_reset();
  morph_usage_reset();
  for (const std::string& b : bones) {
    bool still = b[0] == '=';
    kept[n] = to_sjis(still ? b.substr(1) : b);
    BoneKey k = {kept[n].c_str(), 0, still ? 0.0f : 1.0f, 0, 0, 0, 0, 0, 1};
    bone_usage_add(names_find_or_add(LIST_BONES, kept[n].c_str()), k);
    n++;
  }
  for (const std::string& m : morphs) {
    kept[n] = to_sjis(m);
    MorphKey k = {kept[n].c_str(), 0, 1.0f};
    morph_usage_add(names_find_or_add(LIST_MORPHS, kept[n].c_str()), k);
    n++;
  }
}

void collect(const Advice& a, void* arg) { static_cast<std::vector<Advice>*>(arg)->push_back(a); }

// The motion's advice after advice_resolve_taken, one "NAME → TO (why)" each (UTF-8).
std::vector<std::string> resolved() {
  std::vector<Advice> list;
  ListingTally tally;
  advice_walk(&tally, collect, &list);
  advice_resolve_taken(list.data(), (int)list.size());
  std::vector<std::string> lines;
  for (const Advice& a : list) {
    std::string to = a.to < 0 ? "-" : from_sjis(advice_model_name(a.list, a.to));
    lines.push_back(from_sjis(a.name) + " → " + to + " (" + advice_why_word(a.why) + ")" +
                    (advice_renameable(a) ? "" : " kept"));
  }
  return lines;
}

}  // namespace

// Never two tracks in one name: of two names whose renamings lead to one model name, the closer match
// is renamed (a whole English name before a spelling, whatever their order), between equals the first;
// a name the motion keys already keeps it (keyed at rest, off the page, too), as does a name a keyed
// pattern entry (髪*) may stand for.
TEST(Advice, RenamingsTaken) {
  model({{"上半身", "upper body"}, {"左ひじ", ""}, {"髪1", "tress1"}}, {}, {{"ウィンク", "wink"}});
  motion({"UpperBody", "Spine", "=左ひじ", "左ヒジ", "髪2", "tress1"}, {"ｳｨﾝｸ", "Wink"});
  EXPECT_EQ(resolved(), (std::vector<std::string>{
                            "UpperBody → 上半身 (english name)", "Spine → 上半身 (taken) kept",
                            "左ヒジ → 左ひじ (taken) kept", "tress1 → 髪1 (taken) kept",
                            "ｳｨﾝｸ → ウィンク (taken) kept", "Wink → ウィンク (english name)"}));
  // Alone, each would be renamed.
  motion({"Spine", "左ヒジ"}, {"ｳｨﾝｸ"});
  EXPECT_EQ(resolved(), (std::vector<std::string>{"Spine → 上半身 (rig name)", "左ヒジ → 左ひじ (spelling)",
                                                  "ｳｨﾝｸ → ウィンク (spelling)"}));
}

// A loose spelling yields to any other match of the same model name, whatever the order; the English
// names with the side before name the thigh (Right leg), and the fitted copy, keyed by the renamed
// names, lacks none of them.
TEST(Advice, LooseSpellingsYieldAndRightLegIsRenamed) {
  model({{"右足", ""}, {"右ひざ", ""}, {"左足", ""}, {"左腕", ""}}, {"ウインク左", "ウインク右"});
  motion({}, {"ウィンク", "ウィンク左"});
  EXPECT_EQ(resolved(),
            (std::vector<std::string>{"ウィンク → ウインク左 (taken) kept", "ウィンク左 → ウインク左 (spelling)"}));
  motion({"Right leg", "Right knee", "Left arm", "LeftLeg"}, {});
  EXPECT_EQ(resolved(), (std::vector<std::string>{"Right leg → 右足 (rig name)", "Right knee → 右ひざ (rig name)",
                                                  "Left arm → 左腕 (rig name)", "LeftLeg → - (none) kept"}));
  motion({"右足", "右ひざ", "左腕"}, {"ウインク左"});
  EXPECT_EQ(resolved(), (std::vector<std::string>{}));
}

// The model's names longer than the 15-byte field: whether their first 15 bytes begin another name
// too (or are one), and whether the cut ends inside a character; counted without a buffer, written up
// to max, worked out again for the next model.
TEST(Advice, UnnameableNames) {
  model({{"前クローク2_1xc+", ""}, {"前クローク2_1xca", ""}, {"右腕", ""}, {"左スカート前後１２３", ""},
         {"ABCDEFGHIJKLMNO", ""}, {"ABCDEFGHIJKLMNOP", ""}},
        {"ABCDEFGHIJKLMNO"});
  AdviceUnnameable u[8];
  ASSERT_EQ(advice_unnameable(LISTING_BONES, u, 8), 4);
  const int entries[] = {0, 1, 3, 5};
  const bool shared[] = {true, true, false, true}, split[] = {false, false, true, false};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(u[i].entry, entries[i]) << i;
    EXPECT_EQ(u[i].shared, shared[i]) << i;
    EXPECT_EQ(u[i].split, split[i]) << i;
  }
  EXPECT_EQ(advice_unnameable(LISTING_MORPHS, nullptr, 0), 0);
  EXPECT_EQ(advice_unnameable(2, u, 8), -1);
  model({{"前クローク2_1xcIK", ""}}, {"あいうえおかきくけこ"});
  u[1].entry = -7;
  EXPECT_EQ(advice_unnameable(LISTING_BONES, u, 1), 1);
  EXPECT_EQ(u[0].entry, 0);
  EXPECT_FALSE(u[0].shared);
  EXPECT_EQ(u[1].entry, -7);
  ASSERT_EQ(advice_unnameable(LISTING_MORPHS, u, 8), 1);
  EXPECT_TRUE(u[0].split);  // あいうえおかき and the lead byte of く
}

// The words the summary and the JSON print, beside their enums.
TEST(Advice, Words) {
  std::vector<std::string> whys, classes;
  for (int w = 0; w <= WHY_COUNT; w++) whys.push_back(advice_why_word((AdviceWhy)w));
  for (int c = 0; c <= CLASS_COUNT; c++) classes.push_back(advice_class_word((AdviceClass)c));
  EXPECT_EQ(whys, (std::vector<std::string>{"none", "cut", "spelling", "english name", "rig name", "ambiguous",
                                            "taken", "fold", ""}));
  EXPECT_EQ(classes, (std::vector<std::string>{"other", "standard", "semi-standard", "finger", "expression", ""}));
}
