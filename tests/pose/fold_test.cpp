// The folds and costs: every fold of the table on a model that lacks its bone leaves what it says
// (checked by playing the copy against the original at every frame), the costs of dropped bones, and
// the corpus's motions folded on the corpus model stripped of its semi-standard bones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "formats/pmx.h"
#include "check/rigs.h"
#include "pose/fold.h"
#include "pose/pose.h"
#include "support/skeletons.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

// A key the test writes: bone (UTF-8), frame, translation, rotation (about an axis, in degrees), curves.
struct Key {
  std::string bone;
  int frame;
  float px, py, pz;
  float ax, ay, az, degrees;
  std::string curve;
};

const int EASE[4][4] = {{40, 0, 87, 127}, {40, 0, 87, 127}, {40, 0, 87, 127}, {40, 0, 87, 127}};
const int SLOW[4][4] = {{64, 10, 64, 117}, {20, 20, 107, 107}, {90, 30, 30, 90}, {64, 10, 64, 117}};
const int LINEAR[4][4] = {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};

std::string motion_bytes(const std::vector<Key>& keys) {
  VmdWriter w;
  w.header("test");
  w.i32((int32_t)keys.size());
  for (const Key& k : keys) {
    double len = std::sqrt((double)k.ax * k.ax + (double)k.ay * k.ay + (double)k.az * k.az);
    double half = k.degrees * 3.14159265358979323846 / 360.0, s = len > 0 ? std::sin(half) / len : 0.0;
    float pos[3] = {k.px, k.py, k.pz};
    float rot[4] = {(float)(k.ax * s), (float)(k.ay * s), (float)(k.az * s), (float)std::cos(half)};
    w.bone_key(skel_sjis(k.bone), k.frame, pos, rot, k.curve);
  }
  w.i32(1);
  w.morph(skel_sjis("あ"), 3, 0.5f);
  for (int i = 0; i < 4; i++) w.i32(0);
  return w.bytes;
}

struct Folded {
  TempDir dir;
  std::unique_ptr<PoseSkeleton> model = std::make_unique<PoseSkeleton>();
  std::unique_ptr<PoseSkeleton> put_back = std::make_unique<PoseSkeleton>();
  std::unique_ptr<PoseMotion> motion = std::make_unique<PoseMotion>();
  std::unique_ptr<PoseMotion> copy = std::make_unique<PoseMotion>();
  std::unique_ptr<FoldPlan> plan = std::make_unique<FoldPlan>();
  FoldCounts counts = {0, 0};
};

// Loads skeleton and motion, plans with folds, writes the copy and loads it again.
void fold_files(Folded* f, const PmxSkeleton& skeleton, const std::string& motion_path) {
  ASSERT_EQ(pose_skeleton_load(f->model.get(), &skeleton), POSE_DONE) << f->model->reason;
  ASSERT_EQ(pose_motion_load(f->motion.get(), rfpathA(motion_path.c_str()), nullptr, 0), POSE_DONE);
  ASSERT_EQ(fold_plan(f->plan.get(), f->model.get(), f->motion.get(), true), FOLD_DONE) << f->plan->reason;
  ASSERT_EQ(fold_put_back(f->put_back.get(), f->model.get(), f->motion.get()), FOLD_DONE);
  std::string copy_path = f->dir.file("copy.vmd");
  FILE* out = std::fopen(copy_path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  int written = fold_write(f->plan.get(), rfpathA(motion_path.c_str()), out, nullptr, 0, nullptr, 0, &f->counts);
  std::fclose(out);
  ASSERT_EQ(written, FOLD_WRITE_DONE);
  ASSERT_EQ(pose_motion_load(f->copy.get(), rfpathA(copy_path.c_str()), nullptr, 0), POSE_DONE);
}

struct Worst {
  double units, degrees;
};

// The worst move, at every frame up to a few past the last key, between the original motion played on
// the model with its lacking bones put back and the copy played on the model: over the model's bones
// that no IK moves and that take in no folded keys.
Worst worst_move(const Folded& f) {
  std::vector<bool> receiver((size_t)f.model->count, false);
  for (int i = 0; i < f.plan->lack_count; i++) {
    for (int k = 0; k < f.plan->lack[i].into_count && k < FOLD_INTO; k++) receiver[f.plan->lack[i].into[k]] = true;
  }
  static PoseXf original[POSE_SLOTS], copied[POSE_SLOTS];
  Worst w = {0.0, 0.0};
  for (uint32_t frame = 0; frame <= f.motion->last_frame + 3; frame++) {
    pose_play(f.put_back.get(), f.motion.get(), frame, original);
    pose_play(f.model.get(), f.copy.get(), frame, copied);
    for (int b = 0; b < f.model->count; b++) {
      if (f.model->bone[b].ik_moved || receiver[b]) continue;
      w.units = std::fmax(w.units, pose_vlen(pose_vsub(original[b].p, copied[b].p)));
      w.degrees = std::fmax(w.degrees, pose_qbetween(original[b].q, copied[b].q) * POSE_DEGREES);
    }
  }
  return w;
}

std::string utf8(const char* sjis) { return from_sjis(sjis); }

const FoldLack* lack_named(const FoldPlan* plan, const std::string& name) {
  for (int i = 0; i < plan->lack_count; i++) {
    if (utf8(plan->lack[i].name) == name) return &plan->lack[i];
  }
  return nullptr;
}

double distance(const std::vector<SkelBone>& bones, const std::string& a, const std::string& b) {
  const SkelBone *p = nullptr, *q = nullptr;
  for (const SkelBone& s : bones) {
    if (s.name == a) p = &s;
    if (s.name == b) q = &s;
  }
  return std::sqrt((p->x - q->x) * (p->x - q->x) + (p->y - q->y) * (p->y - q->y) + (p->z - q->z) * (p->z - q->z));
}

struct FoldCase {
  const char* what;
  std::vector<std::string> lacks;  // the bones the model lacks
  std::string bone;                // the fold looked at
  int kind;
  std::vector<std::string> into;   // where it goes, into[0] first
  std::vector<Key> keys;
  std::string near;                // approximate folds: the bone it goes into, for d
  double theta;                    // approximate folds: its largest rotation, degrees
};

}  // namespace

// Every fold of the table on the semi-standard model without its bone: the fold's kind and where it
// goes; the copy played on the model against the original played on the full model at every frame: an
// exact fold leaves at most 0.01 units and 0.1 degrees, an approximate one at most 2 d sin(theta / 2)
// + 0.01 (d: the bone's distance to the bone it goes into, theta its largest rotation); the plan's own
// figure is that worst move; the bones put back stand where the full model has them; the copy holds
// at most three times the keys of the fold's frames.
TEST(Fold, EveryFoldLeavesWhatItSays) {
  const std::string E = VmdWriter::curves(EASE), S = VmdWriter::curves(SLOW), L = VmdWriter::curves(LINEAR);
  // A bone keyed as a dance keys it: every few frames, turning a little about one axis each time
  // (degrees[i] at frames[i]), translating by the given steps, the curves taking turns.
  auto track = [&](const std::string& bone, std::vector<int> frames, std::vector<float> degrees, float ax, float ay,
                   float az, float step = 0.0f) {
    std::vector<Key> keys;
    for (size_t i = 0; i < frames.size(); i++) {
      float t = step * (float)(i % 3) - step;
      keys.push_back({bone, frames[i], t, 0.5f * t, -t, ax, ay, az, degrees[i], i % 3 == 0 ? E : i % 3 == 1 ? S : L});
    }
    return keys;
  };
  auto join = [](std::vector<std::vector<Key>> parts) {
    std::vector<Key> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  const std::vector<int> F1 = {0, 8, 16, 24, 32, 40}, F2 = {0, 6, 14, 22, 30, 40}, F3 = {3, 11, 19, 27, 35};
  const std::vector<float> A1 = {0, 12, -4, 8, 14, 2}, A2 = {0, -8, 4, -10, 6, 0}, A3 = {5, -5, 10, 0, 6};
  const std::vector<FoldCase> cases = {
      {"master", {"全ての親"}, "全ての親", FOLD_EXACT, {"センター", "左足IK親", "右足IK親"},
       join({track("全ての親", F1, A1, 1, 0.3f, 0, 0.5f), track("センター", F2, A2, 0, 1, 0.2f, 0.4f),
             track("左足IK親", F3, A3, 0, 1, 0, 0.3f)}), "", 0},
      {"leg IK parent", {"左足IK親", "右足IK親"}, "左足IK親", FOLD_EXACT, {"左足ＩＫ"},
       join({track("左足IK親", F1, A1, 0, 1, 0.2f, 0.5f), track("左足ＩＫ", F2, A2, 1, 0, 0, 0.3f),
             track("右足IK親", F3, A3, 0, 1, 0, 0.2f)}), "", 0},
      {"groove", {"グルーブ"}, "グルーブ", FOLD_EXACT, {"センター"},
       join({track("グルーブ", F1, {0, 3, -1, 2, 4, 0}, 0, 1, 0.3f, 0.6f), track("センター", F2, A2, 1, 0, 0, 0.5f),
             track("上半身", F3, A3, 1, 0, 0)}), "", 0},
      {"waist", {"腰", "腰キャンセル左", "腰キャンセル右"}, "腰", FOLD_EXACT, {"グルーブ"},
       join({track("腰", F1, A1, 1, 0, 0.4f), track("グルーブ", F2, A2, 0, 1, 0, 0.4f)}), "", 0},
      {"shoulder P", {"左肩P", "左肩C", "右肩P", "右肩C"}, "左肩P", FOLD_EXACT, {"左肩", "左腕"},
       join({track("左肩P", F1, A1, 0, 0.3f, 1), track("左肩", F2, A2, 0, 1, 0), track("左腕", F3, A3, 0, 0, 1),
             track("右肩P", F3, A3, 0, 0, 1)}), "", 0},
      {"arm twist", {"左腕捩", "右腕捩"}, "左腕捩", FOLD_EXACT, {"左腕"},
       join({track("左腕捩", F1, A1, 2.4f, -1.6f, 0), track("左腕", F2, A2, 0, 0.3f, 1), track("左ひじ", F3, A3, 0, 1, 0)}), "", 0},
      {"wrist twist", {"左手捩", "右手捩"}, "左手捩", FOLD_EXACT, {"左手首"},
       join({track("左手捩", F1, A1, 1.5f, -1.02f, 0), track("左手首", F2, A2, 0, 0.2f, 1)}), "", 0},
      {"eyes", {"両目"}, "両目", FOLD_EXACT, {"左目", "右目"},
       join({track("両目", F1, A1, 0.2f, 1, 0), track("左目", F2, A2, 1, 0, 0)}), "", 0},
      {"D bones", {"左足D", "左ひざD", "左足首D", "右足D", "右ひざD", "右足首D"}, "左ひざD", FOLD_EXACT, {"左ひざ"},
       join({track("左足D", F1, A1, 1, 0, 0), track("左ひざD", F3, A3, 1, 0, 0), track("左足", F2, A2, 0, 0, 1)}), "", 0},
      {"upper body 2", {"上半身2"}, "上半身2", FOLD_APPROXIMATE, {"上半身"},
       join({track("上半身2", F1, A1, 1, 0, 0), track("上半身", F2, A2, 0, 1, 0), track("首", F3, A3, 1, 0, 0)}), "上半身", 14},
      {"thumb 0", {"左親指０", "右親指０"}, "左親指０", FOLD_APPROXIMATE, {"左親指１"},
       join({track("左親指０", F1, A1, 0, 0, 1), track("左親指１", F2, A2, 1, 0, 0)}), "左親指１", 14},
  };
  const std::vector<SkelBone> full = skel_semi_standard();
  for (const FoldCase& c : cases) {
    SCOPED_TRACE(c.what);
    Folded f;
    std::string path = f.dir.file("m.vmd");
    write_file(path, motion_bytes(c.keys));
    std::vector<SkelBone> without = skel_without(full, c.lacks);
    fold_files(&f, *skel_make(without), path);
    if (HasFatalFailure()) return;

    const FoldLack* lack = lack_named(f.plan.get(), c.bone);
    ASSERT_NE(lack, nullptr);
    EXPECT_EQ(lack->kind, c.kind);
    ASSERT_EQ(lack->into_count, (int)c.into.size());
    for (size_t k = 0; k < c.into.size(); k++) EXPECT_EQ(utf8(fold_bone_name(f.model.get(), lack->into[k])), c.into[k]);

    // The bones put back stand where the full model has them.
    for (int b = f.model->count; b < f.put_back->count; b++) {
      std::string name = utf8(f.put_back->bone[b].name);
      for (const SkelBone& s : full) {
        if (s.name != name) continue;
        EXPECT_NEAR(f.put_back->bone[b].rest[0], s.x, 1e-5) << name;
        EXPECT_NEAR(f.put_back->bone[b].rest[1], s.y, 1e-5) << name;
        EXPECT_NEAR(f.put_back->bone[b].rest[2], s.z, 1e-5) << name;
      }
    }

    Worst w = worst_move(f);
    double units = 0.0, degrees = 0.0;
    for (int i = 0; i < f.plan->lack_count; i++) {
      units = std::fmax(units, f.plan->lack[i].error.units);
      degrees = std::fmax(degrees, f.plan->lack[i].error.degrees);
    }
    EXPECT_NEAR(w.units, units, 1e-4);
    EXPECT_NEAR(w.degrees, degrees, 1e-3);
    if (c.kind == FOLD_EXACT) {
      EXPECT_LE(w.units, FOLD_UNITS + 1e-4);
      EXPECT_LE(w.degrees, FOLD_DEGREES + 1e-3);
    } else {
      double d = distance(full, c.bone, c.near);
      EXPECT_LE(w.units, 2.0 * d * std::sin(c.theta * 3.14159265358979323846 / 360.0) + FOLD_UNITS);
      EXPECT_GT(w.units, FOLD_UNITS);  // the approximation shows
    }

    // Keys: the receivers' tracks hold at most three times the fold's frames.
    std::vector<int> frames;
    for (const Key& k : c.keys) {
      bool in = k.bone == c.bone;
      for (const std::string& r : c.into) in = in || k.bone == r;
      if (in && std::find(frames.begin(), frames.end(), k.frame) == frames.end()) frames.push_back(k.frame);
    }
    for (int t = 0; t < f.plan->track_count; t++) {
      for (const std::string& r : c.into) {
        if (utf8(f.plan->track[t].name) == r) {
          EXPECT_LE(f.plan->track[t].count, 3 * (int)frames.size()) << r;
        }
      }
    }
    EXPECT_EQ(f.counts.bone_keys, f.plan->bone_keys);
    EXPECT_EQ(f.counts.morph_keys, 1);
  }
}

// Costs: a bone translated 2 units costs 2 units and no degrees at its key's frame; a bone turned 90
// degrees costs 90 degrees and, in units, its farthest compared bone's move (the second finger joints,
// 7.713 from 上半身2 across its axis: 7.713 * 2 sin 45); the D bones move only what the IK poses; a
// semi-standard bone the folds cannot place is listed without a cost; 両目 counts as standard; a lacking
// bone of no semi-standard name is not listed.
TEST(Fold, CostsOfDroppedBones) {
  const std::string L = VmdWriter::curves(LINEAR);
  std::vector<Key> keys = {
      {"グルーブ", 0, 0, 0, 0, 0, 1, 0, 0, L},      {"グルーブ", 10, 0, 2, 0, 0, 1, 0, 0, L},
      {"上半身2", 0, 0, 0, 0, 0, 0, 1, 0, L},       {"上半身2", 5, 0, 0, 0, 0, 0, 1, 90, L},
      {"左足D", 3, 0, 0, 0, 1, 0, 0, 20, L},        {"上半身3", 3, 0, 0, 0, 1, 0, 0, 20, L},
      {"両目", 4, 0, 0, 0, 0, 1, 0, 10, L},         {"髪9", 4, 0, 0, 0, 0, 1, 0, 10, L},
  };
  Folded f;
  std::string path = f.dir.file("m.vmd");
  write_file(path, motion_bytes(keys));
  std::vector<SkelBone> without =
      skel_without(skel_semi_standard(), {"グルーブ", "上半身2", "左足D", "左ひざD", "左足首D", "両目"});
  ASSERT_EQ(pose_skeleton_load(f.model.get(), skel_make(without).get()), POSE_DONE);
  ASSERT_EQ(pose_motion_load(f.motion.get(), rfpathA(path.c_str()), nullptr, 0), POSE_DONE);
  ASSERT_EQ(fold_plan(f.plan.get(), f.model.get(), f.motion.get(), false), FOLD_DONE);
  ASSERT_EQ(f.plan->lack_count, 5);

  const FoldLack* groove = lack_named(f.plan.get(), "グルーブ");
  ASSERT_NE(groove, nullptr);
  EXPECT_EQ(groove->cls, CLASS_SEMI_STANDARD);
  EXPECT_EQ(groove->cost_state, FOLD_COST_MEASURED);
  EXPECT_NEAR(groove->cost.units, 2.0, 1e-6);
  EXPECT_NEAR(groove->cost.degrees, 0.0, 1e-9);
  EXPECT_EQ(groove->cost.frame, 10u);
  EXPECT_EQ(groove->kind, FOLD_NONE);  // a plan without folds

  const FoldLack* upper2 = lack_named(f.plan.get(), "上半身2");
  ASSERT_NE(upper2, nullptr);
  EXPECT_NEAR(upper2->cost.degrees, 90.0, 1e-3);
  EXPECT_NEAR(upper2->cost.units, std::sqrt(7.5 * 7.5 + 1.8 * 1.8) * std::sqrt(2.0), 1e-4);
  std::string finger = utf8(fold_bone_name(f.model.get(), upper2->cost.bone));
  EXPECT_TRUE(finger == "左人指２" || finger == "右人指２") << finger;
  EXPECT_EQ(upper2->cost.frame, 5u);

  EXPECT_EQ(lack_named(f.plan.get(), "左足D")->cost_state, FOLD_COST_IK);
  const FoldLack* upper3 = lack_named(f.plan.get(), "上半身3");
  ASSERT_NE(upper3, nullptr);
  EXPECT_EQ(upper3->cls, CLASS_SEMI_STANDARD);
  EXPECT_EQ(upper3->cost_state, FOLD_COST_NO_PLACE);
  EXPECT_EQ(lack_named(f.plan.get(), "両目")->cls, CLASS_STANDARD);
  EXPECT_EQ(lack_named(f.plan.get(), "髪9"), nullptr);
}

// A lacking bone keyed on more frames than a cost weighs (70,000: a cost weighs at most 65,537 key
// frames) is measured on the first of them, within its tables: グルーブ lifted 0.5 at every frame and
// 1 at frame 10 costs 1 unit at frame 10.
TEST(Fold, ACostOfMoreKeyFramesThanItWeighsStaysInItsTables) {
  const std::string L = VmdWriter::curves(LINEAR);
  std::vector<Key> keys;
  for (int frame = 0; frame < 70000; frame++) keys.push_back({"グルーブ", frame, 0, frame == 10 ? 1.0f : 0.5f, 0, 0, 1, 0, 0, L});
  Folded f;
  std::string path = f.dir.file("m.vmd");
  write_file(path, motion_bytes(keys));
  ASSERT_EQ(pose_skeleton_load(f.model.get(), skel_make(skel_without(skel_semi_standard(), {"グルーブ"})).get()), POSE_DONE);
  ASSERT_EQ(pose_motion_load(f.motion.get(), rfpathA(path.c_str()), nullptr, 0), POSE_DONE);
  ASSERT_EQ(fold_plan(f.plan.get(), f.model.get(), f.motion.get(), false), FOLD_DONE);
  const FoldLack* groove = lack_named(f.plan.get(), "グルーブ");
  ASSERT_NE(groove, nullptr);
  EXPECT_EQ(groove->cost_state, FOLD_COST_MEASURED);
  EXPECT_NEAR(groove->cost.units, 1.0, 1e-6);
  EXPECT_EQ(groove->cost.frame, 10u);
}

// The corpus's motions folded on the corpus model without the semi-standard bones it has: every
// lacking bone has its cost; every fold's figure holds at every frame (the copy against the original
// on the model with the bones put back: at most the folds' figures together), an exact fold's within
// 0.01 units and 0.1 degrees; the copy holds the keys the plan counts. A motion keying those bones only
// at rest lacks nothing.
TEST(Fold, CorpusMotionsOnTheModelWithoutItsSemiStandardBones) {
  std::string corpus = VELMORA_CORPUS;
  if (corpus.empty()) GTEST_SKIP() << "the shared corpus is not there (set VELMORA_CORPUS_DIR)";
  ASSERT_EQ(pmdinforead_a((corpus + "/Gene.pmx").c_str()), READ_DONE);
  auto stripped = skel_strip(*pmx_skeleton(), {"全ての親", "グルーブ", "上半身2", "左腕捩", "右腕捩", "左手捩", "右手捩",
                                               "左親指０", "右親指０", "左足IK親", "右足IK親", "両目"});
  struct Expect {
    const char* motion;
    int lacks;
  };
  const Expect motions[] = {{"02_laugh.vmd", 7}, {"22_apology.vmd", 5}, {"stand.vmd", 0},
                            {"physics_toggle_test_yyb10th.vmd", 0}, {"physics_toggle_test_v2_yyb10th.vmd", 0},
                            {"physics_toggle_test_v3_yyb10th.vmd", 4}};
  for (const Expect& e : motions) {
    SCOPED_TRACE(e.motion);
    Folded f;
    std::string path = corpus + "/" + e.motion;
    ASSERT_EQ(pose_skeleton_load(f.model.get(), stripped.get()), POSE_DONE);
    ASSERT_EQ(pose_motion_load(f.motion.get(), rfpathA(path.c_str()), nullptr, 0), POSE_DONE);
    ASSERT_EQ(fold_plan(f.plan.get(), f.model.get(), f.motion.get(), true), FOLD_DONE) << f.plan->reason;
    EXPECT_EQ(f.plan->lack_count, e.lacks);
    if (e.lacks == 0) {
      FILE* out = std::tmpfile();
      EXPECT_EQ(fold_write(f.plan.get(), rfpathA(path.c_str()), out, nullptr, 0, nullptr, 0, nullptr),
                FOLD_WRITE_NO_PLAN);
      std::fclose(out);
      continue;
    }
    fold_files(&f, *stripped, path);
    if (HasFatalFailure()) return;
    double units = 0.0, degrees = 0.0;
    for (int i = 0; i < f.plan->lack_count; i++) {
      const FoldLack& l = f.plan->lack[i];
      EXPECT_EQ(l.cost_state, FOLD_COST_MEASURED) << utf8(l.name);
      EXPECT_NE(l.kind, FOLD_NONE) << utf8(l.name);
      if (l.kind == FOLD_EXACT) {
        EXPECT_LE(l.error.units, FOLD_UNITS + 1e-6) << utf8(l.name);
        EXPECT_LE(l.error.degrees, FOLD_DEGREES + 1e-6) << utf8(l.name);
      }
      units += l.error.units;
      degrees += l.error.degrees;
    }
    Worst w = worst_move(f);
    EXPECT_LE(w.units, units + 1e-4);
    EXPECT_LE(w.degrees, degrees + 1e-3);
    EXPECT_EQ(f.counts.bone_keys, f.plan->bone_keys);
    EXPECT_EQ(f.copy->file_bone_keys, f.plan->bone_keys);
  }
}
