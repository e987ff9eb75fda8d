// rigs_test.cpp: the classes of bone and morph names, and other rigs' names for the standard ones. Names
// are spelled as Shift-JIS bytes; results are compared byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/rigs.h"

#define SJ_LEFT_ARM "\x8d\xb6\x98\x72"                       // 左腕
#define SJ_RIGHT_ELBOW "\x89\x45\x82\xd0\x82\xb6"            // 右ひじ
#define SJ_LEFT_ELBOW "\x8d\xb6\x82\xd0\x82\xb6"             // 左ひじ
#define SJ_LEFT_KNEE "\x8d\xb6\x82\xd0\x82\xb4"              // 左ひざ
#define SJ_LEFT_LEG "\x8d\xb6\x91\xab"                       // 左足
#define SJ_RIGHT_LEG "\x89\x45\x91\xab"                      // 右足
#define SJ_RIGHT_THUMB0 "\x89\x45\x90\x65\x8e\x77\x82\x4f"   // 右親指０
#define SJ_LEFT_INDEX1 "\x8d\xb6\x90\x6c\x8e\x77\x82\x50"    // 左人指１
#define SJ_RIGHT_INDEX(d) "\x89\x45\x90\x6c\x8e\x77\x82" d  // 右人指 and a full-width digit

static std::vector<std::string> bones(const char* name, bool filled = false, int max = 8) {
  const char* out[8] = {};
  int n = rig_bone_standard(name, filled, out, max);
  return std::vector<std::string>(out, out + n);
}
static std::vector<std::string> morphs(const char* name) {
  const char* out[8] = {};
  int n = rig_morph_standard(name, false, out, 8);
  return std::vector<std::string>(out, out + n);
}
using Names = std::vector<std::string>;

TEST(RigClass, StandardAlsoInAnotherSpelling) {
  EXPECT_EQ(rig_bone_class("\x8d\xb6\x91\xab\x82\x68\x82\x6a"), CLASS_STANDARD);  // 左足ＩＫ
  EXPECT_EQ(rig_bone_class("\x8d\xb6\x91\xab" "IK"), CLASS_STANDARD);             // 左足IK
  EXPECT_EQ(rig_bone_class("\x83\x5a\x83\x93\x83\x5e\x81\x5b"), CLASS_STANDARD);  // センター
}

TEST(RigClass, SemiStandardWithTheSideAfterWhereMmdPutsIt) {
  EXPECT_EQ(rig_bone_class("\x89\x45\x91\xab" "IK\x90\x65"), CLASS_SEMI_STANDARD);              // 右足IK親
  EXPECT_EQ(rig_bone_class("\x89\x45\x91\xab\x82\x68\x82\x6a\x90\x65"), CLASS_SEMI_STANDARD);  // 右足ＩＫ親
  EXPECT_EQ(rig_bone_class("\x8d\x98\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b\x8d\xb6"), CLASS_SEMI_STANDARD);  // 腰キャンセル左
  EXPECT_EQ(rig_bone_class("\x8f\xe3\x94\xbc\x90\x67\x82\x51"), CLASS_SEMI_STANDARD);  // 上半身２
}

TEST(RigClass, Finger) {
  EXPECT_EQ(rig_bone_class("\x8d\xb6\x90\x6c\x8e\x77\x82\x51"), CLASS_FINGER);  // 左人指２
  EXPECT_EQ(rig_bone_class("\x8d\xb6\x90\x6c\x8e\x77" "2"), CLASS_FINGER);      // 左人指2
}

TEST(RigClass, Other) {
  EXPECT_EQ(rig_bone_class("\x94\xaf\x82\x50"), CLASS_OTHER);                  // 髪１
  EXPECT_EQ(rig_bone_class("\x8d\xb6\x98\x72\x82\x68\x82\x6a"), CLASS_OTHER);  // 左腕ＩＫ
  EXPECT_EQ(rig_bone_class(""), CLASS_OTHER);
}

TEST(RigClass, ExpressionMorphAlsoInAnotherSpelling) {
  EXPECT_EQ(rig_morph_class("\x83\x45\x83\x43\x83\x93\x83\x4e\x89\x45"), CLASS_EXPRESSION);  // ウインク右
  EXPECT_EQ(rig_morph_class("\x83\x57\x83\x67\x96\xda"), CLASS_EXPRESSION);                  // ジト目
  EXPECT_EQ(rig_morph_class("\x94\xaf"), CLASS_OTHER);                                      // 髪
}

TEST(RigStandard, UnityHumanoidName) {
  EXPECT_EQ(bones("LeftUpperArm"), Names{SJ_LEFT_ARM});
  EXPECT_EQ(bones("RightLowerArm"), Names{SJ_RIGHT_ELBOW});
}

TEST(RigStandard, VrmNameCutTo15BytesMatchesOnlyWhenFilled) {
  EXPECT_EQ(bones("J_Bip_L_LowerLe", true), Names{SJ_LEFT_KNEE});
  EXPECT_EQ(bones("J_Bip_L_LowerLe", false), Names{});
}

TEST(RigStandard, EnglishSideBeforeOrAfter) {
  for (const char* name : {"Left elbow", "LeftElbow", "elbow_L", "Elbow.L", "ElbowL", "L_Elbow", "elbow-left"}) {
    EXPECT_EQ(bones(name), Names{SJ_LEFT_ELBOW}) << name;
  }
  EXPECT_EQ(bones("RightElbow"), Names{SJ_RIGHT_ELBOW});
  EXPECT_EQ(bones("Left arm"), Names{SJ_LEFT_ARM});
  EXPECT_EQ(bones("Thumb0R"), Names{SJ_RIGHT_THUMB0});
  EXPECT_EQ(bones("index finger 1_L"), Names{SJ_LEFT_INDEX1});
}

// "Left leg" is the thigh with the side set apart before it or after it; "LeftLeg", joined, is the shin
// of HumanIK's rigs and is left out, as it is when the gap is not between the side and the part.
TEST(RigStandard, LegIsTheThighWithTheSideApartOrAfterButNotJoinedBefore) {
  for (const char* name : {"Left leg", "left_Leg", "L.leg", "Left-leg", "Left \x81\x40_Leg", "leg_L", "LegL"}) {
    EXPECT_EQ(bones(name), Names{SJ_LEFT_LEG}) << name;
  }
  EXPECT_EQ(bones("Right leg"), Names{SJ_RIGHT_LEG});
  for (const char* name : {"LeftLeg", "Lef tLeg", "leg", "Left leg2"}) {
    EXPECT_EQ(bones(name), Names{}) << name;
  }
  EXPECT_EQ(bones("LeftUpLeg"), Names{SJ_LEFT_LEG});
}

TEST(RigStandard, FilledNameBeginningSeveralGivesThemUpToMax) {
  // RightIndexFinger1 to 3, cut to 15 bytes.
  EXPECT_EQ(bones("RightIndexFinge", true), (Names{SJ_RIGHT_INDEX("\x50"), SJ_RIGHT_INDEX("\x51"), SJ_RIGHT_INDEX("\x52")}));
  EXPECT_EQ(bones("RightIndexFinge", true, 2), (Names{SJ_RIGHT_INDEX("\x50"), SJ_RIGHT_INDEX("\x51")}));
  EXPECT_EQ(bones("RightIndexFinge", true, 0), Names{});
}

TEST(RigStandard, MorphPresets) {
  EXPECT_EQ(morphs("A"), Names{"\x82\xa0"});                          // あ
  EXPECT_EQ(morphs("Blink"), Names{"\x82\xdc\x82\xce\x82\xbd\x82\xab"});  // まばたき
  EXPECT_EQ(morphs("Fcl_EYE_Close_R"), Names{"\xb3\xa8\xdd\xb8\x82\x51\x89\x45"});  // ｳｨﾝｸ２右
  EXPECT_EQ(morphs("Joy"), Names{});
}
