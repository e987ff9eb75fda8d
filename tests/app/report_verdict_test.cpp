// report_verdict_test.cpp: the notes under a lacking semi-standard bone, in both languages, as the
// summary and the library page show them.
#include <gtest/gtest.h>

#include "app/report_verdict.h"

TEST(ReportVerdict, NotesOfACostAndAFoldInBothLanguages) {
  LackingName l{};
  l.why = WHY_NONE;
  EXPECT_EQ(report_verdict_cost_note(l, LANG_EN), "");
  EXPECT_EQ(report_verdict_fold_note(l, LANG_JA), "");
  l.cost = OutcomeMove{true, 4.24, 39.6, "右手首", 518};
  EXPECT_EQ(report_verdict_cost_note(l, LANG_EN), "4.2 units, 40° at 右手首, frame 518 if dropped");
  EXPECT_EQ(report_verdict_cost_note(l, LANG_JA), "外すと 右手首 が 4.2 単位、40° ずれる（フレーム 518）");
  l.cost = OutcomeMove{true, 0.0, 0.0, "", 0};  // only bones an IK poses move
  EXPECT_EQ(report_verdict_cost_note(l, LANG_EN), "moves only bones IK poses if dropped");
  EXPECT_EQ(report_verdict_cost_note(l, LANG_JA), "外しても動くのは IK が決めるボーンだけ");
  l.why = WHY_FOLD;
  l.error = OutcomeMove{true, 0.414, 2.0, "首", 3};
  EXPECT_EQ(report_verdict_fold_note(l, LANG_EN), "fold, within 0.41 units");
  EXPECT_EQ(report_verdict_fold_note(l, LANG_JA), "畳み込み、誤差 0.41 単位以内");
}
