// size_plan.cpp: sizing a motion from S to T (see size.h): the ratios, the standard body, the plan (the
// tracks it rewrites, the root chain scaled, the corrections of size_fix.cpp fitted into the keys by
// size_keys.cpp) and a plan's tracks bound for play.
//
// Records: size_run (the plan in progress), size_base (the rewritten tracks' keys before any correction),
// size_fixes (the corrections), the standard body's record; written by size_plan (size_standard for the
// last).
// Limits: SIZE_TRACKS tracks, SIZE_KEYS keys (twice each track's), SIZE_FIXES corrections; the frames
// and work of size_stride.
// Trust: skeletons and motions were checked when made; the plan checks that they hold poses and keys
// before playing them, and every count it writes is bounded by its tables.
//
// Sections: [size-ratios] ratios and the standard body, [size-scale] the root chain, [size-plan] the plan.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "pose/size_work.h"

SizeRun size_run;
SizeFix size_fixes[SIZE_FIXES];
PoseKey size_base[SIZE_KEYS / 2];

// ---- [size-ratios] ------------------------------------------------------------------------------------

static PoseVec size_rest_of(const PoseSkeleton* s, int b) {
  return {s->bone[b].rest[0], s->bone[b].rest[1], s->bone[b].rest[2]};
}

static double size_span(const PoseSkeleton* s, int a, int b) {
  return a >= 0 && b >= 0 ? pose_vlen(pose_vsub(size_rest_of(s, a), size_rest_of(s, b))) : 0.0;
}

// A body's lengths: leg, crotch, foot, arm and shoulders (left side, else right; 0 where missing).
struct SizeLengths {
  double leg, crotch, foot, arm, shoulders;
};

static SizeLengths size_lengths(const PoseSkeleton* s) {
  SizeLengths out = {0.0, 0.0, 0.0, 0.0, 0.0};
  if (s->count <= 0) return out;
  SizeBody b;
  size_body(&b, s);
  for (int side = SIZE_SIDES - 1; side >= 0; side--) {
    const SizeLeg& l = b.leg[side];
    if (l.hip >= 0 && l.ankle >= 0) {
      out.leg = size_span(s, l.hip, l.ankle);
      out.crotch = s->bone[l.hip].rest[1] - s->bone[l.ankle].rest[1];
    }
    if (l.ankle >= 0 && l.toe >= 0) out.foot = size_span(s, l.ankle, l.toe);
    const SizeArm& a = b.arm[side];
    if (a.arm >= 0 && a.elbow >= 0 && a.wrist >= 0) out.arm = size_span(s, a.arm, a.elbow) + size_span(s, a.elbow, a.wrist);
  }
  if (b.arm[0].arm >= 0 && b.arm[1].arm >= 0) {
    out.shoulders = std::fabs(s->bone[b.arm[0].arm].rest[0] - s->bone[b.arm[1].arm].rest[0]);
  }
  return out;
}

// t over s where both are lengths, else 1 with the bit set.
static double size_ratio(double t, double s, uint8_t bit, uint8_t* missing) {
  if (t > 1e-4 && s > 1e-4) return t / s;
  *missing |= bit;
  return 1.0;
}

void size_ratios(SizeRatios* out, const PoseSkeleton* source, const PoseSkeleton* model) {
  SizeLengths s = size_lengths(source), t = size_lengths(model);
  std::memset(out, 0, sizeof *out);
  out->legs_xz = size_ratio(t.leg, s.leg, SIZE_NO_LEGS, &out->missing);
  out->legs_y = size_ratio(t.crotch, s.crotch, SIZE_NO_LEGS, &out->missing);
  if (out->missing & SIZE_NO_LEGS) out->legs_xz = out->legs_y = 1.0;
  out->feet = size_ratio(t.foot, s.foot, SIZE_NO_FEET, &out->missing);
  out->arms = size_ratio(t.arm, s.arm, SIZE_NO_ARMS, &out->missing);
  out->shoulders = size_ratio(t.shoulders, s.shoulders, SIZE_NO_SHOULDERS, &out->missing);
  out->leg_source = s.leg;
  out->leg_model = t.leg;
}

// The standard body's bones, left side (the right is mirrored): name, parent (an earlier bone of this
// list, or of the same side: a negative number counts back), rest position, translatable.
struct SizeStandardBone {
  const char* name;
  bool sided;
  int parent;  // index in the list, -1 a root
  float x, y, z;
  bool moves;
};

static const SizeStandardBone SIZE_STANDARD[] = {
    {"\x91\x53\x82\xc4\x82\xcc\x90\x65", false, -1, 0.0f, 0.0f, 0.0f, true},       // 0 全ての親
    {"\x83\x5a\x83\x93\x83\x5e\x81\x5b", false, 0, 0.0f, 8.0f, 0.0f, true},        // 1 センター
    {"\x83\x4f\x83\x8b\x81\x5b\x83\x75", false, 1, 0.0f, 8.2f, 0.0f, true},        // 2 グルーブ
    {"\x89\xba\x94\xbc\x90\x67", false, 2, 0.0f, 12.9f, -0.6f, false},             // 3 下半身
    {"\x8f\xe3\x94\xbc\x90\x67", false, 2, 0.0f, 12.9f, -0.6f, false},             // 4 上半身
    {"\x8e\xf1", false, 4, 0.0f, 16.2f, 0.0f, false},                              // 5 首
    {"\x93\xaa", false, 5, 0.0f, 17.0f, -0.1f, false},                             // 6 頭
    {"\x91\xab", true, 3, 0.93f, 10.9f, -0.3f, false},                             // 7 足
    {"\x82\xd0\x82\xb4", true, 7, 0.9f, 6.1f, -0.4f, false},                       // 8 ひざ
    {"\x91\xab\x8e\xf1", true, 8, 0.9f, 1.3f, 0.2f, false},                        // 9 足首
    {"\x82\xc2\x82\xdc\x90\xe6", true, 9, 0.95f, 0.25f, -1.1f, false},             // 10 つま先
    {"\x8c\xa8", true, 4, 0.5f, 16.0f, 0.0f, false},                               // 11 肩
    {"\x98\x72", true, 11, 1.2f, 15.6f, 0.0f, false},                              // 12 腕
    {"\x82\xd0\x82\xb6", true, 12, 3.4f, 14.1f, 0.0f, false},                      // 13 ひじ
    {"\x8e\xe8\x8e\xf1", true, 13, 5.5f, 12.6f, 0.0f, false},                      // 14 手首
    {"\x91\xab\x49\x4b\x90\x65", true, 0, 0.9f, 0.0f, 0.2f, true},                 // 15 足IK親
    {"\x91\xab\x82\x68\x82\x6a", true, 15, 0.9f, 1.3f, 0.2f, true},                // 16 足ＩＫ
    {"\x82\xc2\x82\xdc\x90\xe6\x82\x68\x82\x6a", true, 16, 0.95f, 0.25f, -1.1f, true},  // 17 つま先ＩＫ
};
constexpr int SIZE_STANDARD_COUNT = sizeof SIZE_STANDARD / sizeof SIZE_STANDARD[0];

int size_standard(PoseSkeleton* out) {
  static PmxSkeleton record;
  std::memset(&record, 0, sizeof record);
  int index[SIZE_SIDES][SIZE_STANDARD_COUNT];
  int n = 0;
  for (int side = 0; side < SIZE_SIDES; side++) {
    for (int i = 0; i < SIZE_STANDARD_COUNT; i++) {
      const SizeStandardBone& d = SIZE_STANDARD[i];
      if (!d.sided && side > 0) {
        index[side][i] = index[0][i];
        continue;
      }
      PmxBone& b = record.bone[n];
      std::snprintf(b.name, sizeof b.name, "%s%s", d.sided ? (side == 0 ? "\x8d\xb6" : "\x89\x45") : "", d.name);
      b.flags = (uint16_t)(0x001A | (d.moves ? PMX_BONE_TRANSLATES : 0));
      b.position[0] = side == 0 ? d.x : -d.x, b.position[1] = d.y, b.position[2] = d.z;
      b.parent = d.parent >= 0 ? index[side][d.parent] : -1;
      b.inherit = b.ik_target = -1;
      index[side][i] = n++;
    }
    // The IK: 足ＩＫ turns ひざ (a knee's limits: X from -180 to -0.5 degrees) and 足 to bring 足首 to it;
    // つま先ＩＫ turns 足首 to bring つま先 to it.
    PmxBone& leg = record.bone[index[side][16]];
    leg.flags |= PMX_BONE_IK;
    leg.ik_target = index[side][9];
    leg.ik_loops = 40;
    leg.ik_limit = 2.0f;
    leg.link_first = record.link_count;
    leg.link_count = 2;
    PmxIkLink& knee = record.link[record.link_count++];
    knee.bone = index[side][8];
    knee.limited = 1;
    knee.lower[0] = -3.14159265f, knee.upper[0] = -0.00872665f;
    record.link[record.link_count++].bone = index[side][7];
    PmxBone& toe = record.bone[index[side][17]];
    toe.flags |= PMX_BONE_IK;
    toe.ik_target = index[side][10];
    toe.ik_loops = 3;
    toe.ik_limit = 4.0f;
    toe.link_first = record.link_count;
    toe.link_count = 1;
    record.link[record.link_count++].bone = index[side][9];
  }
  record.bone_count = record.declared = n;
  record.whole = 1;
  return pose_skeleton_load(out, &record);
}

void size_bind(const SizePlan* plan, const PoseSkeleton* model, const PoseMotion* m, PoseTrackRef* tracks) {
  pose_bind(model, m, tracks);
  if (plan == nullptr || plan->result != SIZE_DONE) return;
  for (int t = 0; t < plan->track_count && t < SIZE_TRACKS; t++) {
    const SizeTrack& k = plan->track[t];
    if (k.bone >= 0 && k.bone < model->count) tracks[k.bone] = PoseTrackRef{plan->key + k.first, k.count};
  }
}

// ---- [size-scale] -------------------------------------------------------------------------------------

// Where the key of a root-chain bone moves: the hips' midpoint for センター and グルーブ, 足ＩＫ for 足IK親
// (the pivot's offset to it, at rest, into *d); false for the others.
static bool size_pivot_offset(const PoseSkeleton* s, const SizeBody& b, int bone, int side, PoseVec* d) {
  if (bone < 0) return false;
  PoseVec pivot = size_rest_of(s, bone), at;
  if (bone == b.center || bone == b.groove) {
    if (b.leg[0].hip >= 0 && b.leg[1].hip >= 0) {
      at = pose_vscale(pose_vadd(size_rest_of(s, b.leg[0].hip), size_rest_of(s, b.leg[1].hip)), 0.5);
    } else if (b.lower >= 0) {
      at = size_rest_of(s, b.lower);
    } else {
      return false;
    }
  } else if (side >= 0 && bone == b.leg[side].ik_parent && b.leg[side].ik >= 0) {
    at = size_rest_of(s, b.leg[side].ik);
  } else {
    return false;
  }
  *d = pose_vsub(at, pivot);
  return true;
}

// The scaled keys of T's root-chain bone `bone` (side -1 for 全ての親, センター, グルーブ) into out.
static void size_scale(const PoseKey* keys, int n, int bone, int side, const SizeRatios& r, PoseKey* out) {
  const SizeRun& run = size_run;
  // つま先ＩＫ below 足ＩＫ moves the toe about the ankle: across, it takes the foot's ratio; up and down
  // the legs', as 足ＩＫ's key it mostly undoes (a heel raised over a toe that stays).
  bool toe = side >= 0 && bone == run.bt.leg[side].toe_ik;
  bool under_foot = false;
  for (int up = toe ? run.model->bone[bone].parent : -1, hops = 0; up >= 0 && hops < POSE_SLOTS; up = run.model->bone[up].parent, hops++) {
    if (up == run.bt.leg[side].ik) under_foot = true;
  }
  double kx = under_foot ? r.feet : r.legs_xz, ky = r.legs_y;
  // The pivot: S's bone of the same name (found by T's name) and both offsets.
  PoseVec ds, dt;
  int sbone = pose_skeleton_find(run.source, run.model->bone[bone].name);
  bool pivot = sbone >= 0 && size_pivot_offset(run.model, run.bt, bone, side, &dt) &&
               size_pivot_offset(run.source, run.bs, sbone, side, &ds);
  for (int i = 0; i < n; i++) {
    out[i] = keys[i];
    PoseVec p = {keys[i].pos[0], keys[i].pos[1], keys[i].pos[2]};
    PoseVec scaled = {p.x * kx, p.y * ky, p.z * kx};
    if (pivot) {
      // Turning about the pivot moves the hips by (q - 1) d: on T as S's move, scaled.
      PoseQuat q = {keys[i].rot[0], keys[i].rot[1], keys[i].rot[2], keys[i].rot[3]};
      PoseVec ms = pose_vsub(pose_qrot(q, ds), ds), mt = pose_vsub(pose_qrot(q, dt), dt);
      PoseVec fix = pose_vsub(PoseVec{ms.x * kx, ms.y * ky, ms.z * kx}, mt);
      if (pose_vlen(fix) > 1e-5) scaled = pose_vadd(scaled, fix);
    }
    // A key stays within what a motion may hold (bodies of hostile proportions scale far).
    out[i].pos[0] = size_far(scaled.x), out[i].pos[1] = size_far(scaled.y), out[i].pos[2] = size_far(scaled.z);
  }
}

// ---- [size-plan] --------------------------------------------------------------------------------------

static int size_refuse(SizePlan* plan, int result, const char* why) {
  std::snprintf(plan->reason, sizeof plan->reason, "%s", why);
  plan->result = result;
  plan->track_count = plan->key_count = plan->removed_count = 0;
  return result;
}

// True when the bones sizing reads stand in S where they stand in T (the same bones found, at the same
// places).
static bool size_same_bodies(const PoseSkeleton* s, const SizeBody& bs, const PoseSkeleton* t, const SizeBody& bt) {
  constexpr int n = (int)(sizeof(SizeBody) / sizeof(int32_t));
  int32_t a[n], b[n];
  std::memcpy(a, &bs, sizeof a);
  std::memcpy(b, &bt, sizeof b);
  for (int i = 0; i < n; i++) {
    if ((a[i] < 0) != (b[i] < 0)) return false;
    if (a[i] < 0) continue;
    for (int k = 0; k < 3; k++) {
      if (std::fabs(s->bone[a[i]].rest[k] - t->bone[b[i]].rest[k]) > 1e-6f) return false;
    }
  }
  return true;
}

SizeFix* size_fix_of(int bone, bool rotation) {
  SizeRun& run = size_run;
  int t = bone >= 0 ? run.track_of[bone] : -1;
  if (t < 0) return nullptr;
  SizeWorkTrack& w = run.track[t];
  if (w.fix < 0) {
    if (run.fix_count >= SIZE_FIXES) return nullptr;
    w.fix = run.fix_count++;
    SizeFix& f = size_fixes[w.fix];
    f.track = t;
    f.rotation = rotation;
    for (int i = 0; i < run.samples; i++) f.v[i][0] = f.v[i][1] = f.v[i][2] = 0.0f, f.v[i][3] = rotation ? 1.0f : 0.0f;
  }
  return &size_fixes[w.fix];
}

void size_refit(int t) {
  SizeRun& run = size_run;
  SizeWorkTrack& w = run.track[t];
  SizeTrack& k = run.plan->track[t];
  if (w.fix < 0) return;
  k.count = size_fit(size_base + w.base_first, w.base_count, &size_fixes[w.fix], run.samples, run.stride,
                     run.plan->key + k.first, w.cap, &run.work);
  run.tracks_t[w.bone] = PoseTrackRef{run.plan->key + k.first, k.count};
}

// Takes T's bone into the rewritten tracks where the motion keys it: its base keys (scaled for the root
// chain: side -1 for the body's, 0 or 1 for a leg's; -2 not scaled). False when a bound is reached.
static bool size_take(int bone, int side, const SizeRatios& r, int32_t* base_used) {
  SizeRun& run = size_run;
  SizePlan* plan = run.plan;
  if (bone < 0 || run.track_of[bone] >= 0 || run.model->bone[bone].long_name) return true;
  int mt = pose_motion_track(run.m, run.model->bone[bone].name);
  if (mt < 0 || run.m->track[mt].count <= 0) return true;
  const PoseTrack& from = run.m->track[mt];
  if (plan->track_count >= SIZE_TRACKS) return false;
  if (from.count > SIZE_KEYS / 2 - *base_used || 2 * from.count > SIZE_KEYS - plan->key_count) return false;
  int t = plan->track_count++;
  SizeWorkTrack& w = run.track[t];
  w.bone = bone;
  w.base_first = *base_used;
  w.base_count = from.count;
  w.cap = 2 * from.count;
  w.fix = -1;
  *base_used += from.count;
  const PoseKey* keys = run.m->key + from.first;
  if (side >= -1) size_scale(keys, from.count, bone, side, r, size_base + w.base_first);
  else std::memcpy(size_base + w.base_first, keys, sizeof(PoseKey) * (size_t)from.count);
  SizeTrack& k = plan->track[t];
  std::memset(k.name, 0, sizeof k.name);
  std::memcpy(k.name, from.name, sizeof k.name);
  k.bone = bone;
  k.first = plan->key_count;
  k.count = from.count;
  plan->key_count += w.cap;
  std::memcpy(plan->key + k.first, size_base + w.base_first, sizeof(PoseKey) * (size_t)from.count);
  if (std::memcmp(keys, size_base + w.base_first, sizeof(PoseKey) * (size_t)from.count) != 0) plan->parts |= SIZE_PART_ROOT;
  run.track_of[bone] = t;
  run.tracks_t[bone] = PoseTrackRef{plan->key + k.first, k.count};
  return true;
}

// Keeps the tracks that differ from the motion's, packed, and names them as removed.
static void size_finish(SizePlan* plan) {
  SizeRun& run = size_run;
  int kept = 0, at = 0;
  int64_t keys = run.m->file_bone_keys;
  for (int t = 0; t < plan->track_count; t++) {
    SizeTrack k = plan->track[t];
    const PoseTrack& from = run.m->track[pose_motion_track(run.m, k.name)];
    if (k.count == from.count &&
        std::memcmp(plan->key + k.first, run.m->key + from.first, sizeof(PoseKey) * (size_t)k.count) == 0) {
      continue;
    }
    std::memmove(plan->key + at, plan->key + k.first, sizeof(PoseKey) * (size_t)k.count);
    k.first = at;
    at += k.count;
    keys += k.count - from.file_keys;
    plan->track[kept] = k;
    std::memcpy(plan->removed[kept], k.name, POSE_TRACK_NAME);
    plan->removed_emit_count[kept] = 1;
    plan->removed_emit[kept][0] = (int16_t)kept;
    kept++;
  }
  plan->track_count = plan->removed_count = kept;
  plan->key_count = at;
  plan->bone_keys = keys;
  plan->result = kept > 0 ? SIZE_DONE : SIZE_SAME;
}

// Checks what a plan or a judge plays: POSE_DONE, or POSE_HOSTILE with why.
static int size_check(const PoseSkeleton* source, const PoseSkeleton* model, const PoseMotion* m, const char** why) {
  if (source->count <= 0 || source->ik_reason[0] != 0 || source->play_count <= 0) {
    *why = "the source's skeleton cannot be played with its IK";
  } else if (model->count <= 0 || model->ik_reason[0] != 0 || model->play_count <= 0) {
    *why = "the model's skeleton cannot be played with its IK";
  } else if (m->key_count <= 0) {
    *why = "the motion holds no bone keys";
  } else {
    return POSE_DONE;
  }
  return POSE_HOSTILE;
}

int size_plan(SizePlan* plan, const PoseSkeleton* source, const PoseSkeleton* model, const PoseMotion* m) {
  plan->reason[0] = 0;
  plan->parts = 0;
  plan->stride = 1;
  plan->contacts = plan->planted = plan->touching = plan->lowered = 0;
  plan->track_count = plan->key_count = plan->removed_count = 0;
  plan->bone_keys = m->file_bone_keys;
  size_ratios(&plan->ratios, source, model);
  const char* why = "";
  if (size_check(source, model, m, &why) != POSE_DONE) return size_refuse(plan, SIZE_HOSTILE, why);
  SizeRun& run = size_run;
  run.plan = plan;
  run.source = source;
  run.model = model;
  run.m = m;
  run.work = 0;
  run.fix_count = 0;
  size_body(&run.bs, source);
  size_body(&run.bt, model);
  if (size_same_bodies(source, run.bs, model, run.bt)) {
    plan->result = SIZE_SAME;
    return SIZE_SAME;
  }
  for (int i = 0; i < model->count; i++) run.track_of[i] = -1;
  pose_bind(model, m, run.tracks_t);
  pose_bind(source, m, run.tracks_s);
  const SizeRatios& r = plan->ratios;
  const SizeBody& bt = run.bt;
  int32_t base_used = 0;
  bool fits = size_take(bt.all, -1, r, &base_used) && size_take(bt.center, -1, r, &base_used) &&
              size_take(bt.groove, -1, r, &base_used);
  for (int side = 0; side < SIZE_SIDES && fits; side++) {
    const SizeLeg& l = bt.leg[side];
    fits = size_take(l.ik_parent, side, r, &base_used) && size_take(l.ik, side, r, &base_used) &&
           size_take(l.toe_ik, side, r, &base_used);
  }
  for (int side = 0; side < SIZE_SIDES && fits; side++) {
    const SizeArm& a = bt.arm[side];
    fits = size_take(a.arm, -2, r, &base_used) && size_take(a.elbow, -2, r, &base_used) &&
           size_take(a.wrist, -2, r, &base_used);
  }
  if (!fits) return size_refuse(plan, SIZE_FULL, "the rewritten tracks would hold more than 131,072 keys");
  static SizePlay ps;
  size_play_make(&ps, source, m, run.tracks_s, SIZE_PLAY_FEET | SIZE_PLAY_HANDS | SIZE_PLAY_HIPS);
  // A frame: S played once; T's feet and hips worked out without solving (twice each), its arms posed
  // (twice): at most 8 times its bones.
  run.stride = size_stride(ps.cost + 8 * (int64_t)model->count, m, &run.samples);
  plan->stride = run.stride;
  if (size_source_read(&ps, run.samples, run.stride, true) != POSE_DONE) {
    return size_refuse(plan, SIZE_HOSTILE, "the source's skeleton cannot be played with its IK");
  }
  plan->contacts = size_source.contacts;
  plan->planted = size_source.planted_count;
  plan->touching = size_source.touching;
  size_fix_feet(r);
  size_fix_reach();
  size_fix_hands(r);
  size_finish(plan);
  return plan->result;
}
