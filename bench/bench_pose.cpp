// bench_pose.cpp: Google Benchmark cases of the pose engine and the folds, on a dance of 30,000 bone keys
// made for a model with the semi-standard bones, played on the same model without them.
//   pose_motion_load   the dance's bone keys loaded (the second pass over the file a fold makes)
//   fold_costs         what each lacking bone costs (the work --summary adds per motion)
//   fold_dance         the folds of the dance, written to a copy (the work --fit adds per motion)
//   size_dance         the dance with the knees bent (センター 1.2 lower throughout) sized from the model
//                      with the semi-standard bones to the same model with legs 0.7 as long (its plan: S
//                      played with IK at every frame, T where its feet stand, the corrections fitted into
//                      the keys)
//
// The dance: 6,000 frames, about 30,000 bone keys; the standard bones keyed every 3 to 9 frames with
// smooth turns of up to 60 degrees (センター and the IK bones also translate), curves drawn from four
// the editor writes; of the semi-standard bones グルーブ bounces, 上半身2 turns, 腕捩 and 手捩 twist
// about their arm's line, 両目 glances, each keyed as densely; 全ての親 and 足IK親 keep one key at rest.
// The model lacks the whole semi-standard set: seven bones are folded.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pose/fold.h"
#include "pose/pose.h"
#include "pose/size.h"
#include "support/skeletons.h"
#include "support/vmdwriter.h"

namespace {

struct DanseBone {
  const char* name;
  double degrees;     // its largest turn
  double axis[3];     // 0: a turn about an axis that wanders; else about this axis
  double moves;       // how far it translates
  int every;          // keys every this many frames (about)
};

std::string dance_path(bool bent = false) {
  return std::string(VELMORA_BENCH_DIR) + (bent ? "/dance-bent-knees.vmd" : "/dance-semi-standard.vmd");
}

// Writes the dance once (it is the same every time: a fixed sequence of numbers). Bent: with センター
// 1.2 lower throughout, as a dancer's knees are bent (the sizing's dance).
void dance_write(bool bent = false) {
  static bool written[2] = {false, false};
  if (written[bent]) return;
  written[bent] = true;
  const std::vector<DanseBone> bones = {
      {"センター", 20, {0, 0, 0}, 1.0, 6},      {"上半身", 25, {0, 0, 0}, 0, 8},   {"下半身", 20, {0, 0, 0}, 0, 8},
      {"首", 20, {0, 0, 0}, 0, 10},             {"頭", 25, {0, 0, 0}, 0, 10},      {"左肩", 15, {0, 0, 0}, 0, 10},
      {"右肩", 15, {0, 0, 0}, 0, 10},           {"左腕", 60, {0, 0, 0}, 0, 6},     {"右腕", 60, {0, 0, 0}, 0, 6},
      {"左ひじ", 60, {0, 0, 0}, 0, 6},          {"右ひじ", 60, {0, 0, 0}, 0, 6},   {"左手首", 30, {0, 0, 0}, 0, 8},
      {"右手首", 30, {0, 0, 0}, 0, 8},          {"左足ＩＫ", 20, {0, 0, 0}, 1.5, 6}, {"右足ＩＫ", 20, {0, 0, 0}, 1.5, 6},
      {"左つま先ＩＫ", 10, {0, 0, 0}, 0.3, 10}, {"右つま先ＩＫ", 10, {0, 0, 0}, 0.3, 10},
      {"左人指１", 30, {0, 0, 1}, 0, 12},       {"右人指１", 30, {0, 0, 1}, 0, 12}, {"左親指１", 20, {0, 0, 1}, 0, 12},
      {"右親指１", 20, {0, 0, 1}, 0, 12},       {"左目", 8, {0, 0, 0}, 0, 12},     {"右目", 8, {0, 0, 0}, 0, 12},
      {"グルーブ", 0, {0, 0, 0}, 0.6, 8},       {"上半身2", 15, {0, 0, 0}, 0, 8},
      {"左腕捩", 40, {2.4, -1.6, 0}, 0, 10},    {"右腕捩", 40, {-2.4, -1.6, 0}, 0, 10},
      {"左手捩", 50, {1.5, -1.02, 0}, 0, 10},   {"右手捩", 50, {-1.5, -1.02, 0}, 0, 10},
      {"両目", 12, {0, 0, 0}, 0, 12},           {"全ての親", 0, {0, 0, 0}, 0, 100000},
      {"左足IK親", 0, {0, 0, 0}, 0, 100000},    {"右足IK親", 0, {0, 0, 0}, 0, 100000},
  };
  const int curves[4][4][4] = {
      {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}},
      {{40, 0, 87, 127}, {40, 0, 87, 127}, {40, 0, 87, 127}, {40, 0, 87, 127}},
      {{64, 10, 64, 117}, {64, 10, 64, 117}, {64, 10, 64, 117}, {64, 10, 64, 117}},
      {{10, 50, 117, 77}, {10, 50, 117, 77}, {10, 50, 117, 77}, {90, 20, 30, 110}},
  };
  uint32_t state = 11;
  auto next = [&]() {
    state = state * 1103515245u + 12345u;
    return (double)((state >> 8) & 0xFFFF) / 65536.0;
  };
  VmdWriter w;
  w.header("dance");
  VmdWriter keys;
  int count = 0;
  for (const DanseBone& b : bones) {
    double phase[6];
    for (double& p : phase) p = next() * 6.283;
    for (int frame = 0; frame <= 6000; frame += b.every / 2 + (int)(next() * 3)) {
      double t = frame / 30.0;
      double ax = b.axis[0], ay = b.axis[1], az = b.axis[2];
      if (ax == 0 && ay == 0 && az == 0) {
        ax = std::sin(t * 0.9 + phase[0]), ay = std::sin(t * 0.7 + phase[1]), az = std::sin(t * 1.3 + phase[2]);
      }
      double len = std::sqrt(ax * ax + ay * ay + az * az) + 1e-12;
      double angle = std::sin(t * 1.1 + phase[3]) * b.degrees * 3.14159265358979 / 180.0;
      double s = std::sin(angle / 2) / len;
      float pos[3] = {(float)(b.moves * std::sin(t * 0.8 + phase[4])), (float)(b.moves * 0.5 * std::sin(t * 1.7 + phase[5])),
                      (float)(b.moves * std::sin(t * 0.6 + phase[0]))};
      if (bent && std::string(b.name) == "センター") pos[1] -= 1.2f;
      float rot[4] = {(float)(ax * s), (float)(ay * s), (float)(az * s), (float)std::cos(angle / 2)};
      keys.bone_key(skel_sjis(b.name), frame, pos, rot, VmdWriter::curves(curves[(int)(next() * 4) & 3]));
      count++;
    }
  }
  w.i32(count);
  w.raw(keys.bytes);
  for (int i = 0; i < 5; i++) w.i32(0);
  FILE* f = std::fopen(dance_path(bent).c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(w.bytes.data(), 1, w.bytes.size(), f);
  std::fclose(f);
}

// The semi-standard model without the semi-standard set.
const PoseSkeleton* standard_model() {
  static std::unique_ptr<PoseSkeleton> s;
  if (s == nullptr) {
    s = std::make_unique<PoseSkeleton>();
    std::vector<std::string> semi = {"全ての親", "グルーブ", "腰", "腰キャンセル左", "腰キャンセル右", "上半身2", "両目"};
    for (const char* side : {"左", "右"}) {
      for (const char* b : {"肩P", "肩C", "腕捩", "手捩", "親指０", "足D", "ひざD", "足首D", "足IK親"}) {
        semi.push_back(std::string(side) + b);
      }
    }
    pose_skeleton_load(s.get(), skel_make(skel_without(skel_semi_standard(), semi)).get());
  }
  return s.get();
}

std::unique_ptr<PoseMotion> motion;
std::unique_ptr<FoldPlan> plan;

void pose_load(benchmark::State& state) {
  dance_write();
  if (motion == nullptr) motion = std::make_unique<PoseMotion>();
  for (auto _ : state) {
    if (pose_motion_load(motion.get(), rfpathA(dance_path().c_str()), nullptr, 0) != POSE_DONE) {
      state.SkipWithError("the dance cannot be loaded");
      break;
    }
  }
  state.counters["keys"] = motion->key_count;
}
BENCHMARK(pose_load)->Unit(benchmark::kMillisecond);

void fold_costs(benchmark::State& state) {
  dance_write();
  if (motion == nullptr) motion = std::make_unique<PoseMotion>();
  if (plan == nullptr) plan = std::make_unique<FoldPlan>();
  pose_motion_load(motion.get(), rfpathA(dance_path().c_str()), nullptr, 0);
  for (auto _ : state) benchmark::DoNotOptimize(fold_plan(plan.get(), standard_model(), motion.get(), false));
  state.counters["lacking"] = plan->lack_count;
}
BENCHMARK(fold_costs)->Unit(benchmark::kMillisecond);

void fold_dance(benchmark::State& state) {
  dance_write();
  if (motion == nullptr) motion = std::make_unique<PoseMotion>();
  if (plan == nullptr) plan = std::make_unique<FoldPlan>();
  std::string copy = std::string(VELMORA_BENCH_DIR) + "/dance-folded.vmd";
  FoldCounts counts = {0, 0};
  for (auto _ : state) {
    pose_motion_load(motion.get(), rfpathA(dance_path().c_str()), nullptr, 0);
    fold_plan(plan.get(), standard_model(), motion.get(), true);
    FILE* out = std::fopen(copy.c_str(), "wb");
    int r = fold_write(plan.get(), rfpathA(dance_path().c_str()), out, nullptr, 0, nullptr, 0, &counts);
    std::fclose(out);
    if (r != FOLD_WRITE_DONE) {
      state.SkipWithError("the fold was not written");
      break;
    }
  }
  state.counters["keys"] = (double)motion->file_bone_keys;
  state.counters["written"] = (double)counts.bone_keys;
}
BENCHMARK(fold_dance)->Unit(benchmark::kMillisecond);

// The semi-standard model, whole (the body the dance was made for), and with legs k times as long, its IK
// as real models have it.
const PoseSkeleton* semi_model(float k) {
  static std::unique_ptr<PoseSkeleton> s[2];
  int at = k == 1.0f ? 0 : 1;
  if (s[at] == nullptr) {
    s[at] = std::make_unique<PoseSkeleton>();
    std::vector<SkelBone> bones = skel_semi_standard();
    const float hip = 10.5f;
    for (SkelBone& b : bones) b.y = b.y < hip ? b.y * k : b.y + (k - 1.0f) * hip;
    // Its IK as real models have it: 足ＩＫ 40 loops of 2 radians, つま先ＩＫ 3 of 4 turning 足首 freely.
    auto record = skel_make(bones);
    for (int i = 0; i < record->bone_count; i++) {
      PmxBone& b = record->bone[i];
      if (!(b.flags & SKEL_IK)) continue;
      b.ik_loops = b.link_count == 1 ? 3 : 40;
      b.ik_limit = b.link_count == 1 ? 4.0f : 2.0f;
      record->link[b.link_first].limited = b.link_count == 1 ? 0 : 1;  // 足首 turns freely
    }
    pose_skeleton_load(s[at].get(), record.get());
  }
  return s[at].get();
}

void size_dance(benchmark::State& state) {
  dance_write(true);
  if (motion == nullptr) motion = std::make_unique<PoseMotion>();
  static std::unique_ptr<SizePlan> sized = std::make_unique<SizePlan>();
  pose_motion_load(motion.get(), rfpathA(dance_path(true).c_str()), nullptr, 0);
  for (auto _ : state) {
    if (size_plan(sized.get(), semi_model(1.0f), semi_model(0.7f), motion.get()) != SIZE_DONE) {
      state.SkipWithError(sized->reason[0] != 0 ? sized->reason : "nothing sized");
      break;
    }
  }
  state.counters["keys"] = (double)motion->file_bone_keys;
  state.counters["frames"] = (double)motion->last_frame + 1;
  state.counters["planted"] = sized->planted;
  state.counters["touching"] = sized->touching;
  state.counters["tracks"] = sized->track_count;
  state.counters["written"] = sized->key_count;
}
BENCHMARK(size_dance)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
