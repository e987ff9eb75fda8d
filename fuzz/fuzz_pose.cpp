// fuzz_pose.cpp: libFuzzer target: the pose engine (forward kinematics and IK) and the folds, with a
// hostile skeleton and a hostile motion together.
//
// Input: byte 0 picks the modes (bit 0: the skeleton from raw bone records instead of the semi-standard
// model; bit 1: the motion as raw VMD bytes instead of keys built from records; bit 2: a plan with
// folds; bit 3: keys come with IK switches; bit 5: a sizing, bit 4: from the skeleton to the
// semi-standard model with legs x0.7, instead of from that model to the skeleton, of a motion that ends
// by frame 300 (sizing solves IK at every frame: a long motion's work is bounded, not short); byte 1 is
// the skeleton part's length L; bytes 2 to 2 + L build the skeleton, the rest the motion.
//   skeleton, semi-standard: 4 bytes choosing which semi-standard bones the model lacks, then edits of 4
//     bytes (bone, field, value as 16 bits): parent, inheritance source and weight, a rest coordinate
//     (0x7FFF: not a number), flags, IK target, an IK link, the declared bone count, IK loops, the IK
//     angle a step (0x7FFF: not a number), a link's limit (0x7FFF: not a number);
//   skeleton, raw: records of 12 bytes (name, parent, source, weight, flags x2, x, y, z, IK target, IK
//     link, IK byte) for up to 48 bones; the IK byte's bits 0-2 pick the loops (40, 0, 1, 3, 255, 256,
//     100,000, -7), bits 3-4 the angle a step (0.1, 2, not a number, -1), bits 5-6 the link's limits
//     (none; a knee's, with the link's parent as a second link; all zero; not a number), bit 7 deform
//     layer 1;
//   motion, keys: with bit 3, first a count (up to 16) of IK switches of 3 bytes (name, frame, on); then
//     records of 8 bytes (name, frame x2, x, y, turn, axis, curve) for up to 400 keys.
// Checked: a skeleton or motion refused has a reason and holds nothing; what is played is finite, with
// IK too, or IK play refused with a reason; a frame's IK work stays within the skeleton's bound; every
// figure of a plan is a number at least 0, its bones are the model's; the bones put back play; a folded
// copy holds the keys the plan counts, no rewritten track with two keys on one frame, and after its
// bone keys the original's bytes as they were; a sizing plan refused has a reason and rewrites nothing,
// one made rewrites only the motion's tracks of the model's bones, each with its keys' frames rising,
// at most twice its keys, every key finite, within 100,000 and turning by a unit quaternion, the copy's
// count of keys as it says; the sized and unsized plays judge to figures that are numbers at least 0.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/vmd_walk.h"
#include "fuzz_common.h"
#include "pose/fold.h"
#include "pose/ik.h"
#include "pose/pose.h"
#include "pose/size.h"
#include "support/skeletons.h"
#include "support/vmdwriter.h"

namespace {

struct Bytes {
  const uint8_t* p;
  size_t n, at;
  int u8() { return at < n ? p[at++] : 0; }
  int s8() { return (int8_t)u8(); }
  int s16() {
    int lo = u8();
    return (int16_t)(lo | u8() << 8);
  }
  bool more() const { return at < n; }
};

const char* const NAMES[] = {
    "全ての親", "センター", "グルーブ", "腰", "上半身", "上半身2", "下半身", "首", "頭", "両目", "左目", "右目",
    "左肩P", "左肩", "左肩C", "左腕", "左腕捩", "左ひじ", "左手捩", "左手首", "左親指０", "左親指１", "左足",
    "左ひざ", "左足首", "左足ＩＫ", "左足IK親", "左足D", "左ひざD", "左足首D", "腰キャンセル左", "右肩P", "右腕捩",
    "右手捩", "右親指０", "右足IK親", "上半身3", "髪1", "操作中心", "x", "左つま先ＩＫ", "右足ＩＫ", "右つま先ＩＫ",
    "右ひざ", "左つま先",
};
constexpr int NAME_COUNT = sizeof NAMES / sizeof NAMES[0];

const char* const SEMI[] = {"全ての親", "グルーブ", "腰", "腰キャンセル左", "腰キャンセル右", "上半身2", "両目", "左肩P",
                            "右肩P", "左肩C", "右肩C", "左腕捩", "右腕捩", "左手捩", "右手捩", "左親指０", "右親指０",
                            "左足D", "右足D", "左ひざD", "右ひざD", "左足首D", "右足首D", "左足IK親", "右足IK親"};

std::unique_ptr<PmxSkeleton> skeleton_of(Bytes b, bool raw) {
  if (raw) {
    std::vector<SkelBone> bones;
    auto s = skel_make(bones);
    int n = 0;
    while (b.more() && n < 48) {
      PmxBone& p = s->bone[n];
      std::string name = skel_sjis(NAMES[b.u8() % NAME_COUNT]);
      std::memcpy(p.name, name.c_str(), name.size());
      p.parent = b.s8();
      p.inherit = b.s8();
      p.inherit_weight = (float)b.s8() / 16.0f;
      int lo = b.u8();
      p.flags = (uint16_t)(lo | b.u8() << 8);
      for (float& v : p.position) v = (float)b.s8() / 4.0f;
      p.ik_target = b.s8();
      int link = b.s8();
      int ik = b.u8();
      const int loops[8] = {40, 0, 1, 3, 255, 256, 100000, -7};
      const float steps[4] = {0.1f, 2.0f, std::nanf(""), -1.0f};
      p.ik_loops = loops[ik & 7];
      p.ik_limit = steps[(ik >> 3) & 3];
      p.layer = ik >> 7;
      p.link_first = s->link_count;
      p.link_count = 0;
      if ((p.flags & PMX_BONE_IK) && s->link_count < PMX_IK_LINKS) {
        PmxIkLink& l = s->link[s->link_count++];
        l.bone = link;
        int limits = (ik >> 5) & 3;
        l.limited = limits != 0;
        if (limits == 1) l.lower[0] = -3.1415927f, l.upper[0] = -0.0087266f;
        if (limits == 3) l.upper[1] = std::nanf("");
        p.link_count = 1;
      }
      n++;
    }
    s->bone_count = s->declared = n;
    s->whole = 1;
    // A knee's link gets its parent as a second link, as a leg's hip (whatever that bone is).
    for (int i = 0; i < n; i++) {
      PmxBone& p = s->bone[i];
      if (p.link_count != 1 || !s->link[p.link_first].limited || s->link[p.link_first].lower[0] == 0.0f) continue;
      int link = s->link[p.link_first].bone;
      if (link < 0 || link >= n || p.link_first + 1 != s->link_count || s->link_count >= PMX_IK_LINKS) continue;
      s->link[s->link_count++] = PmxIkLink{s->bone[link].parent, 0, {0, 0, 0}, {0, 0, 0}};
      p.link_count = 2;
    }
    return s;
  }
  std::vector<std::string> lacks;
  uint32_t mask = (uint32_t)b.u8() | (uint32_t)b.u8() << 8 | (uint32_t)b.u8() << 16 | (uint32_t)b.u8() << 24;
  for (int i = 0; i < (int)(sizeof SEMI / sizeof SEMI[0]); i++) {
    if (mask & (1u << i)) lacks.push_back(SEMI[i]);
  }
  auto s = skel_make(skel_without(skel_semi_standard(), lacks));
  for (int e = 0; e < 16 && b.more(); e++) {
    int bone = b.u8() % (s->bone_count + 1), field = b.u8() % 11, value = b.s16();
    PmxBone& p = s->bone[bone < PMX_BONES ? bone : 0];
    switch (field) {
      case 0: p.parent = value; break;
      case 1: p.inherit = value, p.flags |= PMX_BONE_INHERITS_ROTATION; break;
      case 2: p.inherit_weight = (float)value / 64.0f; break;
      case 3: p.position[value & 1] = value == 0x7FFF ? std::nanf("") : (float)value / 64.0f; break;
      case 4: p.flags ^= (uint16_t)value; break;
      case 5: p.ik_target = value; break;
      case 6:
        if (s->link_count > 0) s->link[(unsigned)value % (unsigned)s->link_count].bone = value >> 4;
        break;
      case 7: s->declared = value; break;
      case 8: p.ik_loops = value; break;
      case 9: p.ik_limit = value == 0x7FFF ? std::nanf("") : (float)value / 64.0f; break;
      default:
        if (s->link_count > 0) {
          PmxIkLink& l = s->link[(unsigned)value % (unsigned)s->link_count];
          l.limited = 1;
          l.upper[value & 1] = value == 0x7FFF ? std::nanf("") : (float)value / 1024.0f;
        }
        break;
    }
  }
  return s;
}

std::string motion_of(Bytes b, bool raw, bool switches) {
  if (raw) return std::string(reinterpret_cast<const char*>(b.p + b.at), b.n - b.at);
  VmdWriter ik;
  int heads = switches ? b.u8() % 17 : 0;
  for (int i = 0; i < heads; i++) {
    std::string name = skel_sjis(NAMES[b.u8() % NAME_COUNT]);
    ik.i32(b.u8() * 8);
    ik.u8(1);
    ik.i32(1);
    ik.name(name, 20);
    ik.u8(b.u8() & 1);
  }
  const int curves[4][4][4] = {
      {{20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}, {20, 20, 107, 107}},
      {{40, 0, 87, 127}, {40, 0, 87, 127}, {40, 0, 87, 127}, {40, 0, 87, 127}},
      {{64, 10, 64, 117}, {20, 20, 107, 107}, {90, 30, 30, 90}, {64, 10, 64, 117}},
      {{127, 0, 0, 127}, {0, 127, 127, 0}, {10, 50, 117, 77}, {90, 20, 30, 110}},
  };
  VmdWriter keys;
  int count = 0;
  while (b.more() && count < 400) {
    std::string name = skel_sjis(NAMES[b.u8() % NAME_COUNT]);
    int frame = (b.u8() | b.u8() << 8) & 0x7FF;
    float x = (float)b.s8() / 16.0f, y = (float)b.s8() / 16.0f;
    double angle = b.s8() * 3.14159265358979 / 128.0;
    int axis = b.u8(), curve = b.u8();
    float rot[4] = {0, 0, 0, (float)std::cos(angle / 2)};
    rot[axis % 3] = (float)std::sin(angle / 2);
    keys.bone_key(name, frame, {x, y, 0}, rot, VmdWriter::curves(curves[curve & 3], curve & 4 ? 99 : 0, curve & 4 ? 15 : 0));
    count++;
  }
  VmdWriter w;
  w.header("fuzz");
  w.i32(count);
  w.raw(keys.bytes);
  w.i32(1);
  w.morph(skel_sjis("あ"), 1, 0.5f);
  w.i32(0);
  w.i32(0);
  w.i32(0);
  w.i32(heads);
  w.raw(ik.bytes);
  w.raw("tail");
  return w.bytes;
}

bool finite_pose(const PoseXf* world, int n) {
  for (int i = 0; i < n; i++) {
    const PoseXf& x = world[i];
    if (!std::isfinite(x.p.x) || !std::isfinite(x.p.y) || !std::isfinite(x.p.z) || !std::isfinite(x.q.w)) return false;
  }
  return true;
}

// IK play at a frame: refused with a reason, or a finite pose whose work stays within the bound.
void check_ik(const PoseSkeleton* s, const PoseMotion* m, double frame, PoseXf* world) {
  static std::unique_ptr<PoseIkFrame> out = std::make_unique<PoseIkFrame>();
  int r = pose_play_ik(s, m, frame, world, out.get());
  if (s->ik_reason[0] != 0) {
    FUZZ_CHECK(r == POSE_HOSTILE, "IK played on a skeleton whose IK was refused: %s", s->ik_reason);
    return;
  }
  FUZZ_CHECK(r == POSE_DONE, "IK play");
  FUZZ_CHECK(finite_pose(world, s->count), "an IK pose that is not finite at %f", frame);
  FUZZ_CHECK(out->work <= s->ik_work && s->ik_work <= POSE_IK_WORK, "IK work %lld of %lld",
             (long long)out->work, (long long)s->ik_work);
  for (int i = 0; i < s->count; i++) FUZZ_CHECK(std::isfinite(out->miss[i]) && out->miss[i] >= 0.0f, "a miss");
}

void check_figure(const FoldFigure& f, int bones) {
  FUZZ_CHECK(std::isfinite(f.units) && f.units >= 0.0, "units %f", f.units);
  FUZZ_CHECK(std::isfinite(f.degrees) && f.degrees >= 0.0 && f.degrees <= 180.0001, "degrees %f", f.degrees);
  FUZZ_CHECK(f.bone >= -1 && f.bone < bones, "figure bone %d of %d", f.bone, bones);
}

void check_plan(const FoldPlan* plan, const PoseSkeleton* s) {
  FUZZ_CHECK(plan->result == FOLD_DONE || plan->result == FOLD_FULL || plan->result == FOLD_HOSTILE, "result %d",
             plan->result);
  FUZZ_CHECK(plan->result == FOLD_DONE || plan->reason[0] != 0, "a plan refused without a reason");
  FUZZ_CHECK(plan->lack_count >= 0 && plan->lack_count <= FOLD_LACKS, "%d lacks", plan->lack_count);
  for (int i = 0; i < plan->lack_count; i++) {
    const FoldLack& l = plan->lack[i];
    check_figure(l.cost, s->count);
    check_figure(l.error, s->count);
    FUZZ_CHECK(l.kind >= FOLD_NONE && l.kind <= FOLD_APPROXIMATE, "kind %d", l.kind);
    for (int k = 0; k < l.into_count && k < FOLD_INTO; k++) {
      FUZZ_CHECK(l.into[k] >= 0 && l.into[k] < s->count, "into %d of %d", l.into[k], s->count);
    }
  }
}

// The other body of a sizing: the semi-standard model with legs 0.7 as long.
const PoseSkeleton* short_body() {
  static std::unique_ptr<PoseSkeleton> s;
  if (s == nullptr) {
    s = std::make_unique<PoseSkeleton>();
    std::vector<SkelBone> bones = skel_semi_standard();
    for (SkelBone& b : bones) b.y = b.y < 10.5f ? b.y * 0.7f : b.y - 3.15f;
    pose_skeleton_load(s.get(), skel_make(bones).get());
  }
  return s.get();
}

void check_figures(const SizeFigures& f) {
  const double all[] = {f.floor_mean, f.floor_p95, f.sink, f.slide_mean, f.slide_max, f.hands_mean, f.hands_max,
                        f.hips_mean, f.hips_max};
  for (double v : all) FUZZ_CHECK(std::isfinite(v) && v >= 0.0, "a judged figure %f", v);
  FUZZ_CHECK(f.frames >= 0 && f.frames <= SIZE_SAMPLES && f.reach_frames <= f.frames, "judged frames %d", f.frames);
}

// Sizes m from source to model and judges it: a refused plan has its reason and no tracks; a plan made
// rewrites the motion's tracks with rising frames, at most twice their keys, finite and within bounds.
void check_size(const PoseSkeleton* source, const PoseSkeleton* model, const PoseMotion* m) {
  if (m->last_frame > 300) return;
  static std::unique_ptr<SizePlan> plan = std::make_unique<SizePlan>();
  int r = size_plan(plan.get(), source, model, m);
  FUZZ_CHECK(r == plan->result && r >= SIZE_DONE && r <= SIZE_FULL, "size result %d", r);
  if (r == SIZE_HOSTILE || r == SIZE_FULL) {
    FUZZ_CHECK(plan->reason[0] != 0 && plan->track_count == 0, "a refused sizing: %d tracks", plan->track_count);
    return;
  }
  FUZZ_CHECK(plan->track_count >= 0 && plan->track_count <= SIZE_TRACKS && plan->key_count <= SIZE_KEYS, "size plan");
  FUZZ_CHECK(r == SIZE_DONE ? plan->track_count > 0 : plan->track_count == 0, "%d tracks for result %d",
             plan->track_count, r);
  int64_t keys = m->file_bone_keys;
  for (int t = 0; t < plan->track_count; t++) {
    const SizeTrack& k = plan->track[t];
    int from = pose_motion_track(m, k.name);
    FUZZ_CHECK(from >= 0 && k.bone >= 0 && k.bone < model->count, "a rewritten track of no bone");
    FUZZ_CHECK(k.count > 0 && k.count <= 2 * m->track[from].count && k.first >= 0 && k.first + k.count <= plan->key_count,
               "a rewritten track of %d keys", k.count);
    keys += k.count - m->track[from].file_keys;
    for (int i = 0; i < k.count; i++) {
      const PoseKey& key = plan->key[k.first + i];
      FUZZ_CHECK(i == 0 || plan->key[k.first + i - 1].frame < key.frame, "frames of a rewritten track do not rise");
      for (float v : key.pos) FUZZ_CHECK(std::isfinite(v) && std::fabs(v) <= POSE_FAR, "a sized position %f", v);
      double n = 0.0;
      for (float v : key.rot) n += (double)v * v;
      FUZZ_CHECK(std::isfinite(n) && std::fabs(n - 1.0) < 1e-3, "a sized rotation of length %f", n);
    }
  }
  FUZZ_CHECK(keys == plan->bone_keys, "%lld bone keys counted, %lld planned", (long long)keys, (long long)plan->bone_keys);
  SizeFigures f;
  int j = size_judge(&f, source, model, m, nullptr);
  FUZZ_CHECK(j == POSE_DONE, "judging what was sized");
  check_figures(f);
  FUZZ_CHECK(size_judge(&f, source, model, m, plan.get()) == POSE_DONE, "judging the sized copy");
  check_figures(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int mode = data[0];
  size_t skeleton_len = data[1] < size - 2 ? data[1] : size - 2;
  Bytes sk = {data + 2, skeleton_len, 0};
  Bytes mo = {data + 2 + skeleton_len, size - 2 - skeleton_len, 0};

  static std::unique_ptr<PoseSkeleton> s = std::make_unique<PoseSkeleton>();
  static std::unique_ptr<PoseSkeleton> put_back = std::make_unique<PoseSkeleton>();
  static std::unique_ptr<PoseMotion> m = std::make_unique<PoseMotion>();
  static std::unique_ptr<PoseMotion> copy = std::make_unique<PoseMotion>();
  static std::unique_ptr<FoldPlan> plan = std::make_unique<FoldPlan>();
  static PoseXf world[POSE_SLOTS];

  auto record = skeleton_of(sk, mode & 1);
  int sr = pose_skeleton_load(s.get(), record.get());
  FUZZ_CHECK(sr == POSE_DONE || (sr == POSE_HOSTILE && s->reason[0] != 0 && s->count == 0), "skeleton %d", sr);

  std::string motion = motion_of(mo, mode & 2, mode & 8);
  FuzzPath path = fuzz_write("in.vmd", motion.data(), motion.size());
  int mr = pose_motion_load(m.get(), rfpathA(path.a.c_str()), nullptr, 0);
  FUZZ_CHECK(mr == POSE_DONE || (mr == POSE_HOSTILE && m->reason[0] != 0 && m->key_count == 0), "motion %d", mr);
  if (sr != POSE_DONE) {
    FUZZ_CHECK(pose_play(s.get(), m.get(), 0.0, world) == POSE_HOSTILE, "a refused skeleton played");
    FUZZ_CHECK(pose_play_ik(s.get(), m.get(), 0.0, world, nullptr) == POSE_HOSTILE && s->ik_reason[0] != 0,
               "a refused skeleton played with IK");
    FUZZ_CHECK(fold_plan(plan.get(), s.get(), m.get(), true) == FOLD_HOSTILE, "a refused skeleton planned");
    if (mode & 32) check_size(s.get(), short_body(), m.get());
    return 0;
  }
  if (mr != POSE_DONE) {
    FUZZ_CHECK(fold_plan(plan.get(), s.get(), m.get(), true) == FOLD_HOSTILE, "a refused motion planned");
    return 0;
  }
  for (double frame : {0.0, m->last_frame * 0.5, (double)m->last_frame + 1.0}) {
    FUZZ_CHECK(pose_play(s.get(), m.get(), frame, world) == POSE_DONE, "play");
    FUZZ_CHECK(finite_pose(world, s->count), "a pose that is not finite at %f", frame);
    check_ik(s.get(), m.get(), frame, world);
  }

  if ((mode & 48) == 48) check_size(s.get(), short_body(), m.get());
  if ((mode & 48) == 32) check_size(short_body(), s.get(), m.get());

  bool fold = (mode & 4) != 0;
  fold_plan(plan.get(), s.get(), m.get(), fold);
  check_plan(plan.get(), s.get());
  FUZZ_CHECK(fold_put_back(put_back.get(), s.get(), m.get()) == FOLD_DONE, "put back");
  FUZZ_CHECK(put_back->count >= s->count, "put back %d of %d", put_back->count, s->count);
  FUZZ_CHECK(pose_play(put_back.get(), m.get(), 1.0, world) == POSE_DONE && finite_pose(world, put_back->count),
             "the put-back skeleton does not play");
  check_ik(put_back.get(), m.get(), 1.0, world);
  if (!fold || plan->result != FOLD_DONE || plan->removed_count == 0) return 0;

  FuzzPath out = fuzz_path("out.vmd");
  FILE* f = std::fopen(out.a.c_str(), "wb");
  FUZZ_CHECK(f != nullptr, "cannot create the copy");
  FoldCounts counts = {0, 0};
  int wr = fold_write(plan.get(), rfpathA(path.a.c_str()), f, nullptr, 0, nullptr, 0, &counts);
  std::fclose(f);
  FUZZ_CHECK(wr == FOLD_WRITE_DONE, "write %d", wr);
  FUZZ_CHECK(counts.bone_keys == plan->bone_keys, "%lld bone keys written, %lld planned", (long long)counts.bone_keys,
             (long long)plan->bone_keys);
  std::string written = fuzz_read(out.a);
  FUZZ_CHECK(pose_motion_load(copy.get(), rfpathA(out.a.c_str()), nullptr, 0) == POSE_DONE, "the copy: %s",
             copy->reason);
  // No rewritten track with two keys on one frame (the copy's keys of a name come by frame).
  for (int t = 0; t < plan->track_count; t++) {
    int c = pose_motion_track(copy.get(), plan->track[t].name);
    FUZZ_CHECK(c >= 0 && copy->track[c].file_keys == copy->track[c].count, "two keys on one frame of a rewritten track");
  }
  // After the bone keys, the original's bytes; a bone block the file cuts ends the copy, whole.
  size_t keys_in = (size_t)m->file_bone_keys, keys_out = (size_t)plan->bone_keys;
  size_t from = 54 + keys_in * VMD_BONE_KEY, to = 54 + keys_out * VMD_BONE_KEY;
  FUZZ_CHECK(motion.size() >= 54 && written.size() >= to, "a copy of %zu bytes", written.size());
  uint32_t declared = (uint8_t)motion[50] | (uint8_t)motion[51] << 8 | (uint8_t)motion[52] << 16 |
                      (uint32_t)(uint8_t)motion[53] << 24;
  if (declared == keys_in) {
    FUZZ_CHECK(written.substr(to) == motion.substr(from), "the blocks after the bone keys changed");
  } else {
    FUZZ_CHECK(written.size() == to, "a copy of a cut bone block goes on after it");
  }
  return 0;
}
