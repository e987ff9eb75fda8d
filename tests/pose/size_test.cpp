// Sizing: a body shaped as real models are (IK legs with a knee's limits, arms, a trunk), made short
// (legs x0.7) and tall (legs x1.13, arms x0.8) from one skeleton, a generated motion that walks (planted
// feet), squats deep and claps and touches the chin (hands that meet), sized with the pose engine and
// judged by it against the figures; the ratios, the standard body, identity, the keys a plan
// writes, and what a plan refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pose/size.h"
#include "support/skeletons.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

constexpr float HIP = 10.5f;  // the hips' height: the legs are scaled below it

// The body: its bones, with the legs k times as long and the arms a times as long, the knee at z (the
// leg is straight at rest with the knee at -0.093).
std::vector<SkelBone> body(float k = 1.0f, float a = 1.0f, float knee = -0.5f) {
  std::vector<SkelBone> v = {
      {"全ての親", "", 0, 0, 0, SKEL_MOVE, "", 0, "", {}},
      {"センター", "全ての親", 0, 9.2f, -0.3f, SKEL_MOVE, "", 0, "", {}},
      {"グルーブ", "センター", 0, 9.4f, -0.3f, SKEL_MOVE, "", 0, "", {}},
      {"下半身", "グルーブ", 0, 11.5f, -0.6f, SKEL_ROT, "", 0, "", {}},
      {"上半身", "グルーブ", 0, 11.8f, -0.6f, SKEL_ROT, "", 0, "", {}},
      {"上半身2", "上半身", 0, 13.8f, -0.6f, SKEL_ROT, "", 0, "", {}},
      {"首", "上半身2", 0, 15.8f, 0, SKEL_ROT, "", 0, "", {}},
      {"頭", "首", 0, 17.3f, -0.1f, SKEL_ROT, "", 0, "", {}},
  };
  for (int side = 0; side < 2; side++) {
    std::string s = side == 0 ? "左" : "右";
    float x = side == 0 ? 1.0f : -1.0f;
    std::vector<SkelBone> b = {
        {s + "肩", "上半身2", x * 0.3f, 15.8f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "腕", s + "肩", x * 1.3f, 15.4f, 0.1f, SKEL_ROT, "", 0, "", {}},
        {s + "ひじ", s + "腕", x * 3.7f, 13.8f, 0.1f, SKEL_ROT, "", 0, "", {}},
        {s + "手首", s + "ひじ", x * 6.2f, 12.0f, 0.05f, SKEL_ROT, "", 0, "", {}},
        {s + "足", "下半身", x * 0.9f, HIP, -0.4f, SKEL_ROT, "", 0, "", {}},
        {s + "ひざ", s + "足", x * 0.9f, 5.8f, knee, SKEL_ROT, "", 0, "", {}},
        {s + "足首", s + "ひざ", x * 0.9f, 1.3f, 0.2f, SKEL_ROT, "", 0, "", {}},
        {s + "つま先", s + "足首", x * 0.9f, 0, -1.3f, SKEL_ROT, "", 0, "", {}},
        {s + "足IK親", "全ての親", x * 0.9f, 0, 0.2f, SKEL_MOVE, "", 0, "", {}},
        {s + "足ＩＫ", s + "足IK親", x * 0.9f, 1.3f, 0.2f, SKEL_MOVE | SKEL_IK, "", 0, s + "足首", {s + "ひざ", s + "足"}},
        {s + "つま先ＩＫ", s + "足ＩＫ", x * 0.9f, 0, -1.3f, SKEL_MOVE | SKEL_IK, "", 0, s + "つま先", {s + "足首"}},
    };
    v.insert(v.end(), b.begin(), b.end());
  }
  for (SkelBone& b : v) b.y = b.y < HIP ? b.y * k : b.y + (k - 1.0f) * HIP;
  for (int side = 0; side < 2; side++) {
    std::string s = side == 0 ? "左" : "右";
    const SkelBone* arm = nullptr;
    for (const SkelBone& b : v) arm = b.name == s + "腕" ? &b : arm;
    float ax = arm->x, ay = arm->y, az = arm->z;
    for (SkelBone& b : v) {
      if (b.name != s + "ひじ" && b.name != s + "手首") continue;
      b.x = ax + a * (b.x - ax), b.y = ay + a * (b.y - ay), b.z = az + a * (b.z - az);
    }
  }
  return v;
}

// The skeleton of the body, its IK as real models have it: 足ＩＫ with 40 loops of 2 radians, its knee
// limited to X from -180 to -0.5 degrees (or to knee_upper); つま先ＩＫ with 3 loops of 4 radians, 足首 free.
std::unique_ptr<PoseSkeleton> skeleton(const std::vector<SkelBone>& bones, float knee_upper = -0.00872665f) {
  auto record = skel_make(bones);
  for (int i = 0; i < record->bone_count; i++) {
    PmxBone& b = record->bone[i];
    if (!(b.flags & SKEL_IK)) continue;
    bool toe = b.link_count == 1;
    b.ik_loops = toe ? 3 : 40;
    b.ik_limit = toe ? 4.0f : 2.0f;
    PmxIkLink& first = record->link[b.link_first];
    first.limited = !toe;
    first.lower[0] = toe ? 0.0f : -3.14159265f;
    first.upper[0] = toe ? 0.0f : knee_upper;
  }
  auto s = std::make_unique<PoseSkeleton>();
  EXPECT_EQ(pose_skeleton_load(s.get(), record.get()), POSE_DONE) << s->reason;
  EXPECT_STREQ(s->ik_reason, "");
  return s;
}

struct V3 {
  double x, y, z;
};
V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 add(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 mul(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(V3 a) { return mul(a, 1.0 / std::sqrt(dot(a, a))); }

struct Q {
  double x, y, z, w;
};
Q qmul(Q a, Q b) {
  return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}
Q qconj(Q q) { return {-q.x, -q.y, -q.z, q.w}; }
V3 qrot(Q q, V3 v) {
  Q r = qmul(qmul(q, {v.x, v.y, v.z, 0}), qconj(q));
  return {r.x, r.y, r.z};
}
// The shortest turn from direction a to direction b.
Q arc(V3 a, V3 b) {
  a = unit(a), b = unit(b);
  V3 c = cross(a, b);
  double w = 1.0 + dot(a, b), n = std::sqrt(dot(c, c) + w * w);
  return {c.x / n, c.y / n, c.z / n, w / n};
}

// The keys of 腕 and ひじ (no other bone turning) that bring a wrist to `to`, the elbow bending in the
// plane that holds the pole: worked out from the arm's rest positions (shoulder, elbow, wrist).
void arm_keys(V3 shoulder, V3 elbow, V3 wrist, V3 to, V3 pole, Q* arm, Q* fore) {
  double a = std::sqrt(dot(sub(elbow, shoulder), sub(elbow, shoulder)));
  double b = std::sqrt(dot(sub(wrist, elbow), sub(wrist, elbow)));
  V3 d = sub(to, shoulder);
  double l = std::sqrt(dot(d, d));
  V3 u = unit(d), v = unit(sub(pole, mul(u, dot(pole, u))));
  double c = (a * a + l * l - b * b) / (2 * a * l), s = std::sqrt(1 - c * c);
  V3 e = add(shoulder, add(mul(u, a * c), mul(v, a * s)));
  *arm = arc(sub(elbow, shoulder), sub(e, shoulder));
  Q world = arc(qrot(*arm, sub(wrist, elbow)), sub(to, e));
  *fore = qmul(qmul(qconj(*arm), world), *arm);
}

struct Key {
  std::string name;
  int frame;
  float pos[3];
  Q rot;
};

// The motion, made for the unscaled body: a walk of six steps forward (-z) with the knees a little bent
// (the hips 1 down), each foot planted while the other swings 1 high, its heel rising first; a squat
// that takes the hips 7.5 down (to 3 above the floor); two claps (the wrists 0.24 apart in front
// of the chest); the right hand at the chin. Linear curves but for センター's, which ease in and out.
std::string motion() {
  std::vector<Key> keys;
  auto key = [&](const std::string& n, int f, float x, float y, float z, Q q = {0, 0, 0, 1}) {
    keys.push_back({n, f, {x, y, z}, q});
  };
  // Each foot: planted, its heel rising over the last 5 frames (the toe stays), then a swing to its next
  // place; (frame, z) of each placing.
  auto foot = [&](const std::string& s, const int* f, const float* z, int n) {
    for (int i = 0; i < n; i++) {
      bool lifts = i % 2 == 1 && i + 1 < n;
      key(s + "足ＩＫ", f[i], 0, 0, z[i]);
      key(s + "つま先ＩＫ", f[i], 0, 0, 0);
      if (!lifts) continue;
      key(s + "足ＩＫ", f[i] - 5, 0, 0, z[i]);
      key(s + "つま先ＩＫ", f[i] - 5, 0, 0, 0);
      key(s + "足ＩＫ", f[i], 0, 0.6f, z[i]);
      key(s + "つま先ＩＫ", f[i], 0, -0.6f, 0);
      key(s + "足ＩＫ", (f[i] + f[i + 1]) / 2, 0, 1.0f, (z[i] + z[i + 1]) / 2);
      key(s + "つま先ＩＫ", (f[i] + f[i + 1]) / 2, 0, 0, 0);
    }
  };
  const int lf[] = {0, 20, 35, 50, 65, 80, 95}, rf[] = {0, 35, 50, 65, 80, 95};
  const float lz[] = {0, 0, -3, -3, -9, -9, -12}, rz[] = {0, 0, -6, -6, -12, -12};
  foot("左", lf, lz, 7);
  foot("右", rf, rz, 6);
  for (const char* n : {"左足ＩＫ", "右足ＩＫ"}) key(n, 300, 0, 0, -12);
  for (const char* n : {"左つま先ＩＫ", "右つま先ＩＫ"}) key(n, 300, 0, 0, 0);
  // The hips over the feet, bobbing, then the squat.
  const int cf[] = {0, 35, 50, 65, 80, 95, 100, 120, 140, 160};
  const float cz[] = {0, -1.5f, -4.5f, -7.5f, -10.5f, -12, -12, -12, -12, -12};
  const float cy[] = {-1.0f, -1.2f, -1.2f, -1.2f, -1.2f, -1.0f, -1.0f, -7.5f, -7.5f, -1.0f};
  for (int i = 0; i < 10; i++) key("センター", cf[i], 0, cy[i], cz[i]);
  // The arms: rest, clap, apart, clap, rest; then the right hand at the chin.
  for (int side = 0; side < 2; side++) {
    std::string s = side == 0 ? "左" : "右";
    double x = side == 0 ? 1 : -1;
    V3 shoulder = {x * 1.3, 15.4, 0.1}, elbow = {x * 3.7, 13.8, 0.1}, wrist = {x * 6.2, 12.0, 0.05};
    Q arm, fore, arm2, fore2;
    arm_keys(shoulder, elbow, wrist, {x * 0.12, 13.3, -2.8}, {x, -1, 0}, &arm, &fore);
    arm_keys(shoulder, elbow, wrist, {x * 1.5, 13.3, -2.6}, {x, -1, 0}, &arm2, &fore2);
    const int frames[] = {170, 185, 195, 205, 220};
    for (int i = 0; i < 5; i++) {
      Q a = i == 1 || i == 3 ? arm : i == 2 ? arm2 : Q{0, 0, 0, 1};
      Q f = i == 1 || i == 3 ? fore : i == 2 ? fore2 : Q{0, 0, 0, 1};
      key(s + "腕", frames[i], 0, 0, 0, a);
      key(s + "ひじ", frames[i], 0, 0, 0, f);
    }
    if (side == 1) {
      arm_keys(shoulder, elbow, wrist, {-0.3, 16.2, -1.2}, {-1, -1, 0.5}, &arm, &fore);
      for (int f : {235, 250, 265, 280}) {
        bool at = f == 250 || f == 265;
        key(s + "腕", f, 0, 0, 0, at ? arm : Q{0, 0, 0, 1});
        key(s + "ひじ", f, 0, 0, 0, at ? fore : Q{0, 0, 0, 1});
      }
    }
    key(s + "手首", 0, 0, 0, 0);
    key(s + "手首", 300, 0, 0, 0);
  }
  const int linear[4][4] = {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};
  const int ease[4][4] = {{64, 0, 64, 127}, {64, 0, 64, 127}, {64, 0, 64, 127}, {20, 20, 107, 107}};
  VmdWriter w;
  w.header("body");
  w.i32((int32_t)keys.size());
  for (const Key& k : keys) {
    float rot[4] = {(float)k.rot.x, (float)k.rot.y, (float)k.rot.z, (float)k.rot.w};
    bool center = k.name == "センター";
    w.bone_key(skel_sjis(k.name), k.frame, k.pos, rot, VmdWriter::curves(center ? ease : linear));
  }
  for (int i = 0; i < 5; i++) w.i32(0);
  return w.bytes;
}

class SizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source = skeleton(body());
    m = std::make_unique<PoseMotion>();
    std::string path = dir.file("size.vmd");
    write_file(path, motion());
    ASSERT_EQ(pose_motion_load(m.get(), rfpathA(path.c_str()), nullptr, 0), POSE_DONE) << m->reason;
    plan = std::make_unique<SizePlan>();
  }
  TempDir dir;
  std::unique_ptr<PoseSkeleton> source;
  std::unique_ptr<PoseMotion> m;
  std::unique_ptr<SizePlan> plan;
};

// The figures, for T's leg and arm ratio.
void expect_targets(const SizeFigures& f, const SizeRatios& r, const char* what) {
  double leg = r.leg_model;
  SCOPED_TRACE(what);
  EXPECT_LE(f.floor_mean, 0.05 * leg);
  EXPECT_LE(f.floor_p95, 0.1 * leg);
  EXPECT_LE(f.sink, 0.05);
  EXPECT_LE(f.slide_mean, 0.003 * leg);
  EXPECT_LE(f.reach_frames, f.frames / 100);
  EXPECT_LE(f.hands_mean, 0.2 * r.arms);
  EXPECT_LE(f.hips_mean, 0.05);
  EXPECT_LE(f.hips_max, 0.10);
}

void print(const char* label, const SizeFigures& f) {
  std::printf("%s: floor %.4f p95 %.4f sink %.4f (%d) slide %.5f max %.4f reach %d (miss %d limit %d) of %d hands %.4f max %.4f hips %.4f max %.4f\n",
              label, f.floor_mean, f.floor_p95, f.sink, f.sink_frames, f.slide_mean, f.slide_max, f.reach_frames,
              f.miss_frames, f.limit_frames, f.frames, f.hands_mean, f.hands_max, f.hips_mean, f.hips_max);
}

TEST_F(SizeTest, ShortAndTallBodiesMeetTheFigures) {
  struct Case {
    const char* name;
    float legs, arms;
  };
  for (Case c : {Case{"short", 0.7f, 1.0f}, Case{"tall", 1.13f, 0.8f}}) {
    SCOPED_TRACE(c.name);
    auto model = skeleton(body(c.legs, c.arms));
    ASSERT_EQ(size_plan(plan.get(), source.get(), model.get(), m.get()), SIZE_DONE) << plan->reason;
    EXPECT_EQ(plan->contacts, 7);
    EXPECT_GT(plan->touching, 20);
    SizeFigures unsized, sized;
    ASSERT_EQ(size_judge(&unsized, source.get(), model.get(), m.get(), nullptr), POSE_DONE);
    ASSERT_EQ(size_judge(&sized, source.get(), model.get(), m.get(), plan.get()), POSE_DONE);
    print(c.name, unsized);
    print(c.name, sized);
    expect_targets(sized, plan->ratios, "sized");
    // Unsized, the short body's hips go through the floor in the squat and the tall body's hands miss.
    EXPECT_GT(c.legs < 1.0f ? unsized.hips_max : unsized.hands_mean, c.legs < 1.0f ? 0.5 : 0.3);
  }
}

// A leg that cannot reach as far as S's: S's knees bent at rest and free to straighten (they reach 4.5%
// past their rest length), T's straight at rest and bending only. S stands and rises 0.25 on its legs: T, scaled, would be asked past its length; sized,
// its hips come down instead, and its feet reach.
TEST_F(SizeTest, ALegThatCannotReachLowersTheHips) {
  auto bent = skeleton(body(1.0f, 1.0f, -1.5f), 0.7f);
  auto straight = skeleton(body(0.7f));
  VmdWriter w;
  w.header("body");
  const int linear[4][4] = {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}};
  const float still[4] = {0, 0, 0, 1};
  const int frames[] = {0, 30, 60, 90};
  const float rise[] = {0, 0.25f, 0.25f, 0};
  w.i32(6);
  for (int i = 0; i < 4; i++) w.bone_key(skel_sjis("センター"), frames[i], {0, rise[i], 0}, still, VmdWriter::curves(linear));
  w.bone_key(skel_sjis("左足ＩＫ"), 0, {0, 0, 0}, still, VmdWriter::curves(linear));
  w.bone_key(skel_sjis("右足ＩＫ"), 0, {0, 0, 0}, still, VmdWriter::curves(linear));
  for (int i = 0; i < 5; i++) w.i32(0);
  std::string path = dir.file("rise.vmd");
  write_file(path, w.bytes);
  ASSERT_EQ(pose_motion_load(m.get(), rfpathA(path.c_str()), nullptr, 0), POSE_DONE);
  ASSERT_EQ(size_plan(plan.get(), bent.get(), straight.get(), m.get()), SIZE_DONE);
  EXPECT_TRUE(plan->parts & SIZE_PART_REACH);
  EXPECT_GT(plan->lowered, 40);
  SizeFigures unsized, sized;
  ASSERT_EQ(size_judge(&unsized, bent.get(), straight.get(), m.get(), nullptr), POSE_DONE);
  ASSERT_EQ(size_judge(&sized, bent.get(), straight.get(), m.get(), plan.get()), POSE_DONE);
  print("reach", unsized);
  print("reach", sized);
  EXPECT_GT(unsized.miss_frames, 40);
  expect_targets(sized, plan->ratios, "sized");
  EXPECT_EQ(sized.miss_frames, 0);
}

// The keys a plan writes: every key's frame kept, at most twice the keys, keys and curves that no
// correction reaches as they were (scaled), the copy's count of bone keys.
TEST_F(SizeTest, KeysKeepTheirFramesAndCurves) {
  auto model = skeleton(body(0.7f));
  ASSERT_EQ(size_plan(plan.get(), source.get(), model.get(), m.get()), SIZE_DONE);
  EXPECT_EQ(plan->parts & (SIZE_PART_ROOT | SIZE_PART_FEET), SIZE_PART_ROOT | SIZE_PART_FEET);
  int64_t keys = m->file_bone_keys;
  ASSERT_EQ(plan->removed_count, plan->track_count);
  for (int t = 0; t < plan->track_count; t++) {
    const SizeTrack& k = plan->track[t];
    SCOPED_TRACE(k.name);
    EXPECT_STREQ(plan->removed[t], k.name);
    const PoseTrack& from = m->track[pose_motion_track(m.get(), k.name)];
    EXPECT_LE(k.count, 2 * from.count);
    keys += k.count - from.file_keys;
    int at = 0;
    for (int i = 0; i < k.count; i++) {
      const PoseKey& key = plan->key[k.first + i];
      if (i > 0) {
        EXPECT_LT(plan->key[k.first + i - 1].frame, key.frame);
      }
      if (at < from.count && m->key[from.first + at].frame == key.frame) at++;
    }
    EXPECT_EQ(at, from.count);  // every frame of the motion's keys has a key
  }
  EXPECT_EQ(plan->bone_keys, keys);
  // センター: scaled (x and z by r_xz, y by r_y), curves as they were.
  const SizeTrack* center = nullptr;
  for (int t = 0; t < plan->track_count; t++) center = skel_sjis("センター") == plan->track[t].name ? &plan->track[t] : center;
  ASSERT_NE(center, nullptr);
  const PoseTrack& from = m->track[pose_motion_track(m.get(), center->name)];
  ASSERT_EQ(center->count, from.count);
  for (int i = 0; i < from.count; i++) {
    const PoseKey& a = m->key[from.first + i];
    const PoseKey& b = plan->key[center->first + i];
    EXPECT_EQ(b.pos[0], (float)(a.pos[0] * plan->ratios.legs_xz));
    EXPECT_EQ(b.pos[1], (float)(a.pos[1] * plan->ratios.legs_y));
    EXPECT_EQ(std::memcmp(a.curve, b.curve, sizeof a.curve), 0);
  }
  // The short body's arms reach as S's do: their tracks are not rewritten.
  for (int t = 0; t < plan->track_count; t++) EXPECT_NE(std::string(plan->track[t].name), skel_sjis("左腕"));
}

// S equal to T, or T with bones sizing does not read moved: nothing to change, and the plan's copy plays
// as the motion.
TEST_F(SizeTest, TheSameBodyChangesNothing) {
  auto same = skeleton(body());
  std::vector<SkelBone> hair = body();
  hair.push_back({"髪", "頭", 0.5f, 19.0f, 0.3f, SKEL_ROT, "", 0, "", {}});
  auto with_hair = skeleton(hair);
  for (const PoseSkeleton* t : {same.get(), with_hair.get()}) {
    EXPECT_EQ(size_plan(plan.get(), source.get(), t, m.get()), SIZE_SAME);
    EXPECT_EQ(plan->track_count, 0);
    EXPECT_EQ(plan->key_count, 0);
    EXPECT_EQ(plan->bone_keys, m->file_bone_keys);
  }
  SizeFigures a, b;
  ASSERT_EQ(size_judge(&a, source.get(), same.get(), m.get(), nullptr), POSE_DONE);
  ASSERT_EQ(size_judge(&b, source.get(), same.get(), m.get(), plan.get()), POSE_DONE);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  EXPECT_EQ(a.floor_mean, 0.0);
  EXPECT_EQ(a.hips_max, 0.0);
}

// The ratios from rest positions, a ratio whose bones are missing, and the standard body.
TEST_F(SizeTest, RatiosAndTheStandardBody) {
  auto tall = skeleton(body(1.13f, 0.8f));
  SizeRatios r;
  size_ratios(&r, source.get(), tall.get());
  // T's hips at 11.865, 足首 at 1.469, 0.6 before them: the leg and crotch of each.
  double leg_s = std::hypot(10.5 - 1.3, 0.6), leg_t = std::hypot(11.865 - 1.469, 0.6);
  EXPECT_NEAR(r.legs_xz, leg_t / leg_s, 1e-6);
  EXPECT_NEAR(r.legs_y, (11.865 - 1.469) / 9.2, 1e-6);
  EXPECT_NEAR(r.feet, std::hypot(1.469, 1.5) / std::hypot(1.3, 1.5), 1e-6);
  EXPECT_NEAR(r.arms, 0.8, 1e-6);
  EXPECT_NEAR(r.shoulders, 1.0, 1e-6);
  EXPECT_NEAR(r.leg_source, leg_s, 1e-6);
  EXPECT_EQ(r.missing, 0);
  // Without 足首 the legs and feet have no ratio; without 右腕 the shoulders have none.
  std::vector<SkelBone> bones =
      skel_without(body(0.7f), {"左足首", "右足首", "右腕", "左足ＩＫ", "右足ＩＫ", "左つま先ＩＫ", "右つま先ＩＫ"});
  auto lacking = std::make_unique<PoseSkeleton>();
  ASSERT_EQ(pose_skeleton_load(lacking.get(), skel_make(bones).get()), POSE_DONE);
  size_ratios(&r, source.get(), lacking.get());
  EXPECT_EQ(r.missing, SIZE_NO_LEGS | SIZE_NO_FEET | SIZE_NO_SHOULDERS);
  EXPECT_EQ(r.legs_xz, 1.0);
  EXPECT_EQ(r.legs_y, 1.0);
  EXPECT_EQ(r.feet, 1.0);
  EXPECT_EQ(r.shoulders, 1.0);
  EXPECT_NEAR(r.arms, 1.0, 1e-6);  // the left arm measures both
  // The standard body plays with IK; its leg is |足 - 足首| = |(0.03, 9.6, -0.5)|.
  auto standard = std::make_unique<PoseSkeleton>();
  ASSERT_EQ(size_standard(standard.get()), POSE_DONE);
  EXPECT_STREQ(standard->ik_reason, "");
  size_ratios(&r, standard.get(), standard.get());
  EXPECT_NEAR(r.leg_source, std::sqrt(0.03 * 0.03 + 9.6 * 9.6 + 0.5 * 0.5), 1e-5);
  EXPECT_EQ(r.missing, 0);
  SizeBody b;
  size_body(&b, standard.get());
  EXPECT_GE(b.leg[1].toe_ik, 0);
  EXPECT_EQ(b.leg[1].toe, pose_skeleton_find(standard.get(), skel_sjis("右つま先").c_str()));
  EXPECT_EQ(standard->bone[b.leg[1].ankle].rest[0], -0.9f);
  // The motion sized from the standard body to the short body: the figures hold too.
  ASSERT_EQ(size_plan(plan.get(), standard.get(), source.get(), m.get()), SIZE_DONE);
  SizeFigures f;
  ASSERT_EQ(size_judge(&f, standard.get(), source.get(), m.get(), plan.get()), POSE_DONE);
  expect_targets(f, plan->ratios, "from the standard body");
}

// What a plan and a judge refuse: a skeleton that holds no pose or whose IK cannot be played, a motion
// without keys.
TEST_F(SizeTest, RefusesWhatCannotPlay) {
  auto empty = std::make_unique<PoseSkeleton>();
  std::memset(empty.get(), 0, sizeof(PoseSkeleton));
  auto model = skeleton(body(0.7f));
  EXPECT_EQ(size_plan(plan.get(), empty.get(), model.get(), m.get()), SIZE_HOSTILE);
  EXPECT_STREQ(plan->reason, "the source's skeleton cannot be played with its IK");
  EXPECT_EQ(size_plan(plan.get(), source.get(), empty.get(), m.get()), SIZE_HOSTILE);
  EXPECT_STREQ(plan->reason, "the model's skeleton cannot be played with its IK");
  auto none = std::make_unique<PoseMotion>();
  std::memset(none.get(), 0, sizeof(PoseMotion));
  EXPECT_EQ(size_plan(plan.get(), source.get(), model.get(), none.get()), SIZE_HOSTILE);
  EXPECT_STREQ(plan->reason, "the motion holds no bone keys");
  EXPECT_EQ(plan->track_count, 0);
  SizeFigures f;
  EXPECT_EQ(size_judge(&f, source.get(), empty.get(), m.get(), nullptr), POSE_HOSTILE);
  EXPECT_EQ(f.frames, 0);
}

}  // namespace
