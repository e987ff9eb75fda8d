// size_play.cpp: bodies as sizing plays them (see size_work.h): the bones found by name, a frame played
// with IK on the bones sizing reads, the stride that keeps the work bounded, and S playing the original:
// its feet's contacts and its wrists' touches.
//
// Records: size_source (S's frames, contacts and touches), written by size_source_read; size_world and
// size_ik (the last frame played), written by size_play_at.
// Limits: SIZE_SAMPLES frames, SIZE_WORK bone updates (size_stride).
// Trust: skeletons were checked when loaded and motions when read; every index read here comes from a
// skeleton's own search, and -1 means a bone the body lacks.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "pose/size_work.h"

SizeSource size_source;
PoseXf size_world[POSE_SLOTS];
PoseIkFrame size_ik;

// ---- the bones ----

static const char* const SIZE_SIDE[SIZE_SIDES] = {"\x8d\xb6", "\x89\x45"};  // 左, 右

static int size_find(const PoseSkeleton* s, int side, const char* name) {
  char full[POSE_NAME];
  std::snprintf(full, sizeof full, "%s%s", side >= 0 ? SIZE_SIDE[side] : "", name);
  return pose_skeleton_find(s, full);
}

void size_body(SizeBody* out, const PoseSkeleton* s) {
  std::memset(out, 0xFF, sizeof *out);  // every index -1
  if (s->count <= 0) return;
  out->all = size_find(s, -1, "\x91\x53\x82\xc4\x82\xcc\x90\x65");     // 全ての親
  out->center = size_find(s, -1, "\x83\x5a\x83\x93\x83\x5e\x81\x5b");  // センター
  out->groove = size_find(s, -1, "\x83\x4f\x83\x8b\x81\x5b\x83\x75");  // グルーブ
  out->lower = size_find(s, -1, "\x89\xba\x94\xbc\x90\x67");           // 下半身
  out->upper = size_find(s, -1, "\x8f\xe3\x94\xbc\x90\x67");           // 上半身
  out->upper2 = size_find(s, -1, "\x8f\xe3\x94\xbc\x90\x67" "2");      // 上半身2
  out->neck = size_find(s, -1, "\x8e\xf1");                            // 首
  out->head = size_find(s, -1, "\x93\xaa");                            // 頭
  for (int side = 0; side < SIZE_SIDES; side++) {
    SizeLeg& l = out->leg[side];
    l.hip = size_find(s, side, "\x91\xab");                                  // 足
    l.knee = size_find(s, side, "\x82\xd0\x82\xb4");                         // ひざ
    l.ankle = size_find(s, side, "\x91\xab\x8e\xf1");                        // 足首
    l.ik = size_find(s, side, "\x91\xab\x82\x68\x82\x6a");                   // 足ＩＫ
    l.toe_ik = size_find(s, side, "\x82\xc2\x82\xdc\x90\xe6\x82\x68\x82\x6a");  // つま先ＩＫ
    l.ik_parent = size_find(s, side, "\x91\xab\x49\x4b\x90\x65");            // 足IK親
    l.toe = l.toe_ik >= 0 ? s->bone[l.toe_ik].ik_target : -1;
    if (l.toe < 0) l.toe = size_find(s, side, "\x82\xc2\x82\xdc\x90\xe6");  // つま先
    if (l.toe < 0) l.toe = size_find(s, side, "\x91\xab\x90\xe6");          // 足先
    SizeArm& a = out->arm[side];
    a.shoulder = size_find(s, side, "\x8c\xa8");      // 肩
    a.arm = size_find(s, side, "\x98\x72");           // 腕
    a.elbow = size_find(s, side, "\x82\xd0\x82\xb6");  // ひじ
    a.wrist = size_find(s, side, "\x8e\xe8\x8e\xf1");  // 手首
  }
}

// ---- a body played ----

static void size_put(float* to, PoseVec v) { to[0] = (float)v.x, to[1] = (float)v.y, to[2] = (float)v.z; }

static PoseVec size_rest(const PoseSkeleton* s, int b) {
  return b >= 0 ? PoseVec{s->bone[b].rest[0], s->bone[b].rest[1], s->bone[b].rest[2]} : PoseVec{0.0, 0.0, 0.0};
}

double size_leg_reach(const PoseSkeleton* s, const SizeLeg& l) {
  if (l.hip < 0 || l.knee < 0 || l.ankle < 0) return 0.0;
  PoseVec a = pose_vsub(size_rest(s, l.knee), size_rest(s, l.hip)), b = pose_vsub(size_rest(s, l.ankle), size_rest(s, l.knee));
  // The knee's range about X: its link's limits (a knee the file gave none takes a knee's), else none.
  double lo = 0.0, hi = 0.0;
  if (l.ik >= 0) {
    const PoseBone& k = s->bone[l.ik];
    for (int i = 0; i < k.link_count; i++) {
      const PoseLink& link = s->link[k.link_first + i];
      if (link.bone != l.knee) continue;
      if (link.limited) lo = link.lower[0], hi = link.upper[0];
      else if (link.knee) lo = -POSE_PI, hi = -0.5 / POSE_DEGREES;
      else lo = -POSE_PI, hi = POSE_PI;
    }
  }
  // The shin turned about X by t: straightest where it lines up with the thigh, within the range.
  double t = std::atan2(a.z, a.y) - std::atan2(b.z, b.y);
  if (t > POSE_PI) t -= 2.0 * POSE_PI;
  if (t < -POSE_PI) t += 2.0 * POSE_PI;
  t = t < lo ? lo : t > hi ? hi : t;
  PoseVec turned = {b.x, b.y * std::cos(t) - b.z * std::sin(t), b.y * std::sin(t) + b.z * std::cos(t)};
  return pose_vlen(pose_vadd(a, turned));
}

// The bones size_play_foot poses for each leg (what 足 hangs from, and 足ＩＫ and つま先ＩＫ with what they
// hang from, all with their inheritance sources, in the skeleton's order) and the legs it can work out.
static void size_quick_make(SizePlay* p, const PoseSkeleton* s) {
  static uint8_t want[POSE_SLOTS];
  for (int side = 0; side < SIZE_SIDES; side++) {
    const SizeLeg& l = p->body.leg[side];
    p->quick_count[side] = 0;
    p->foot_length[side] = l.ankle >= 0 && l.toe >= 0 ? pose_vlen(pose_vsub(size_rest(s, l.toe), size_rest(s, l.ankle))) : 0.0;
    bool quick = l.hip >= 0 && s->bone[l.hip].parent >= 0 && l.ankle >= 0 && l.ik >= 0 && l.toe_ik >= 0 &&
                 p->leg_full[side] > 0.0 && s->bone[l.ik].ik_target == l.ankle && s->bone[l.toe_ik].ik_target == l.toe &&
                 s->bone[l.toe_ik].link_count == 1 && p->foot_length[side] > 1e-4;
    if (quick) {
      const PoseLink& link = s->link[s->bone[l.toe_ik].link_first];
      quick = link.bone == l.ankle && !link.limited && !link.knee;
    }
    p->quick[side] = quick;
    if (!quick) continue;
    std::memset(want, 0, (size_t)s->count);
    // 足 is a link of its IK: its place (not its turn) comes from what it hangs from.
    const int ends[3] = {s->bone[l.hip].parent, l.ik, l.toe_ik};
    for (int b : ends) {
      // Up the parents, and up each inheritance source's parents (sources have no cycle: bounded).
      for (int up = b, hops = 0; up >= 0 && hops < POSE_SLOTS; up = s->bone[up].parent, hops++) {
        want[up] = 1;
        for (int src = s->bone[up].inherit, k = 0; src >= 0 && k < POSE_SLOTS; src = s->bone[src].parent, k++) want[src] = 1;
      }
    }
    for (int i = 0; i < s->order_count; i++) {
      int b = s->order[i];
      if (!want[b]) continue;
      // A bone an IK turns (or one below) cannot be posed without solving.
      if (s->bone[b].ik_moved) p->quick[side] = 0;
      p->quick_bones[side][p->quick_count[side]++] = b;
    }
  }
  for (int i = 0; i < s->count; i++) p->hints[i] = -1;
}

bool size_play_foot(SizePlay* p, double frame, int side, bool reach, SizeFootAt* f) {
  if (!p->quick[side]) return false;
  const PoseSkeleton* s = p->s;
  const SizeLeg& l = p->body.leg[side];
  if (!pose_ik_on(p->m, s->bone[l.ik].name, frame) || !pose_ik_on(p->m, s->bone[l.toe_ik].name, frame)) return false;
  static PoseXf local[POSE_SLOTS];
  PoseEval e = {s, p->tracks, nullptr, nullptr, p->hints};
  pose_locals(e, p->quick_bones[side], p->quick_count[side], frame, local);
  pose_worlds(e, p->quick_bones[side], p->quick_count[side], local, size_world);
  const PoseBone& h = s->bone[l.hip];
  PoseVec hip = size_rest(s, l.hip);
  if (h.parent >= 0) {
    PoseVec t;
    PoseQuat q;
    pose_track_at(p->tracks[l.hip], frame, &t, &q, nullptr);
    hip = pose_xapply(size_world[h.parent], pose_vadd(pose_vsub(hip, size_rest(s, h.parent)), t));
  }
  PoseVec goal = size_world[l.ik].p, aim = size_world[l.toe_ik].p;
  if (!reach && pose_vlen(pose_vsub(goal, hip)) >= SIZE_QUICK_REACH * p->leg_full[side]) return false;
  PoseVec d = pose_vsub(aim, goal);
  double n = pose_vlen(d);
  if (!(n > 1e-6)) return false;
  std::memset(f, 0, sizeof *f);
  size_put(f->hip, hip);
  size_put(f->goal, goal);
  size_put(f->ankle, goal);
  size_put(f->toe, pose_vadd(goal, pose_vscale(d, p->foot_length[side] / n)));
  f->solved = 1;
  return true;
}

void size_play_make(SizePlay* p, const PoseSkeleton* s, const PoseMotion* m, const PoseTrackRef* tracks, int what) {
  p->s = s;
  p->m = m;
  p->tracks = tracks;
  size_body(&p->body, s);
  const SizeBody& b = p->body;
  int n = s->count > 0 ? s->count : 0;
  std::memset(p->needed, 0, (size_t)n);
  std::memset(p->needed_body, 0, (size_t)n);
  std::memset(p->needed_foot[0], 0, (size_t)n);
  std::memset(p->needed_foot[1], 0, (size_t)n);
  uint8_t* part = p->needed_body;
  auto want = [&](int bone) {
    if (bone >= 0) p->needed[bone] = part[bone] = 1;
  };
  for (int side = 0; side < SIZE_SIDES; side++) {
    const SizeLeg& l = b.leg[side];
    p->rest_ankle_y[side] = size_rest(s, l.ankle).y;
    p->rest_toe_y[side] = size_rest(s, l.toe).y;
    p->leg_rest[side] = l.hip >= 0 && l.ankle >= 0 ? pose_vlen(pose_vsub(size_rest(s, l.hip), size_rest(s, l.ankle))) : 0.0;
    p->leg_full[side] = size_leg_reach(s, l);
    bool foot = (what & SIZE_PLAY_FEET) && (!(what & (SIZE_PLAY_LEFT | SIZE_PLAY_RIGHT)) ||
                                            (what & (side == 0 ? SIZE_PLAY_LEFT : SIZE_PLAY_RIGHT)));
    part = p->needed_foot[side];
    if (foot || (what & SIZE_PLAY_HIPS)) want(l.hip);
    if (foot) want(l.knee), want(l.ankle), want(l.toe), want(l.ik), want(l.toe_ik);
    part = p->needed_body;
    if (what & SIZE_PLAY_HANDS) want(b.arm[side].wrist);
  }
  if (what & SIZE_PLAY_HANDS) want(b.head), want(b.neck), want(b.lower), want(b.upper2 >= 0 ? b.upper2 : b.upper);
  size_quick_make(p, s);
  pose_ik_needs(s, p->needed);
  // What a frame of it costs at most: each bone posed once, and each IK solved with its every pass
  // posing its chain, and the bones below its links posed again (as the skeleton's own bound counts).
  int64_t posed = 0;
  for (int i = 0; i < n; i++) posed += p->needed[i];
  p->cost = posed;
  for (int k = 0; k < n; k++) {
    const PoseBone& K = s->bone[k];
    if (!p->needed[k] || K.chain_count <= 0) continue;
    int loops = K.ik_loops < 256 ? K.ik_loops : 256;
    p->cost += ((int64_t)loops * K.link_count + 1) * K.chain_count + posed;
  }
  pose_ik_needs(s, p->needed_body);
  pose_ik_needs(s, p->needed_foot[0]);
  pose_ik_needs(s, p->needed_foot[1]);
}

// One foot of the frame last played (size_world, size_ik) into *f.
static void size_fill_foot(const SizePlay* p, int side, SizeFootAt* f) {
  const SizeLeg& l = p->body.leg[side];
  const PoseXf* w = size_world;
  std::memset(f, 0, sizeof *f);
  if (l.ankle >= 0) size_put(f->ankle, w[l.ankle].p);
  if (l.toe >= 0) size_put(f->toe, w[l.toe].p);
  if (l.hip >= 0) size_put(f->hip, w[l.hip].p);
  if (l.ik >= 0) {
    size_put(f->goal, w[l.ik].p);
    f->solved = (size_ik.flags[l.ik] & POSE_IK_SOLVED) != 0;
    f->miss = size_ik.miss[l.ik];
  }
  if (l.knee >= 0) f->limit = (size_ik.flags[l.knee] & POSE_IK_AT_LIMIT) != 0;
}

// The wrists and parts of the frame last played into *at.
static void size_fill_body(const SizePlay* p, SizeAt* at) {
  const SizeBody& b = p->body;
  const PoseXf* w = size_world;
  for (int side = 0; side < SIZE_SIDES; side++) {
    if (b.arm[side].wrist >= 0) size_put(at->wrist[side], w[b.arm[side].wrist].p);
  }
  const int parts[SIZE_PARTS] = {b.head, b.neck, b.lower, b.upper2 >= 0 ? b.upper2 : b.upper};
  for (int i = 0; i < SIZE_PARTS; i++) {
    float* x = at->part[i];
    if (parts[i] < 0) {
      x[6] = 1.0f;
      continue;
    }
    const PoseXf& t = w[parts[i]];
    size_put(x, t.p);
    x[3] = (float)t.q.x, x[4] = (float)t.q.y, x[5] = (float)t.q.z, x[6] = (float)t.q.w;
  }
}

// The hips' height: the mean of 足's.
static void size_fill_hips(const SizePlay* p, SizeAt* at) {
  int hips = 0;
  at->hips = 0.0f;
  for (int side = 0; side < SIZE_SIDES; side++) {
    if (p->body.leg[side].hip >= 0) at->hips += at->foot[side].hip[1], hips++;
  }
  if (hips > 0) at->hips /= (float)hips;
}

int size_play_at(SizePlay* p, double frame, SizeAt* at) {
  if (pose_play_ik_tracks(p->s, p->tracks, p->m, p->needed, frame, size_world, &size_ik) != POSE_DONE) return POSE_HOSTILE;
  std::memset(at, 0, sizeof *at);
  for (int side = 0; side < SIZE_SIDES; side++) size_fill_foot(p, side, &at->foot[side]);
  size_fill_body(p, at);
  size_fill_hips(p, at);
  return POSE_DONE;
}

int size_play_fast(SizePlay* p, double frame, SizeAt* at) {
  const PoseSkeleton* s = p->s;
  std::memset(at, 0, sizeof *at);
  if (pose_play_ik_tracks(s, p->tracks, p->m, p->needed_body, frame, size_world, &size_ik) != POSE_DONE) return POSE_HOSTILE;
  size_fill_body(p, at);
  for (int side = 0; side < SIZE_SIDES; side++) {
    if (size_play_foot(p, frame, side, false, &at->foot[side])) continue;
    if (pose_play_ik_tracks(s, p->tracks, p->m, p->needed_foot[side], frame, size_world, &size_ik) != POSE_DONE) {
      return POSE_HOSTILE;
    }
    size_fill_foot(p, side, &at->foot[side]);
  }
  size_fill_hips(p, at);
  return POSE_DONE;
}

double size_foot_height(const SizePlay* p, int side, const SizeFootAt& f, int* toe) {
  double heel = f.ankle[1] - p->rest_ankle_y[side];
  double tip = p->body.leg[side].toe >= 0 ? f.toe[1] - p->rest_toe_y[side] : heel;
  if (toe != nullptr) *toe = tip < heel ? 1 : 0;
  return tip < heel ? tip : heel;
}

int size_stride(int64_t per_frame, const PoseMotion* m, int32_t* samples) {
  int64_t frames = (int64_t)m->last_frame + 1;
  int64_t most = SIZE_WORK / (per_frame > 1 ? per_frame : 1);
  if (most > SIZE_SAMPLES) most = SIZE_SAMPLES;
  if (most < 16) most = 16;
  int64_t stride = (frames + most - 1) / most;
  if (stride < 1) stride = 1;
  *samples = (int32_t)((frames - 1) / stride + 1);
  return (int32_t)stride;
}

// ---- S playing the original ----

static double size_distance(const float* a, const float* b) {
  double x = a[0] - b[0], y = a[1] - b[1], z = a[2] - b[2];
  return std::sqrt(x * x + y * y + z * z);
}

// The planted frames of one foot: low and still, for long enough.
static void size_contacts(const SizePlay* p, int side, SizeSource& src) {
  int n = src.samples;
  uint8_t* planted = src.planted[side];
  const SizeLeg& l = p->body.leg[side];
  if (l.ankle < 0 || src.leg <= 0.0) {
    std::memset(planted, 0, (size_t)n);
    return;
  }
  double low = SIZE_PLANT_HEIGHT * src.leg, still = SIZE_PLANT_SPEED * src.leg * src.stride;
  for (int i = 0; i < n; i++) {
    int toe = 0;
    src.height[side][i] = (float)size_foot_height(p, side, src.at[i].foot[side], &toe);
    src.toe[side][i] = (uint8_t)toe;
  }
  for (int i = 0; i < n; i++) {
    int j = i > 0 ? i - 1 : (n > 1 ? 1 : 0);  // the frame before (for the first, the one after)
    const SizeFootAt& a = src.at[i].foot[side];
    const SizeFootAt& b = src.at[j].foot[side];
    double moved = src.toe[side][i] ? size_distance(a.toe, b.toe) : size_distance(a.ankle, b.ankle);
    planted[i] = src.height[side][i] <= low && moved < still;
  }
  int least = (SIZE_PLANT_FRAMES + src.stride - 1) / src.stride;
  for (int i = 0; i < n;) {
    if (!planted[i]) {
      i++;
      continue;
    }
    int j = i;
    while (j < n && planted[j]) j++;
    if (j - i < least) std::memset(planted + i, 0, (size_t)(j - i));
    else src.contacts++, src.planted_count += j - i;
    i = j;
  }
}

void size_partner_point(const SizeAt& a, int side, int partner, double* at) {
  const float* p = partner == SIZE_WRIST ? a.wrist[1 - side]
                   : partner == SIZE_PART_HEAD ? a.part[SIZE_HEAD]
                   : partner == SIZE_PART_NECK ? a.part[SIZE_NECK]
                                               : a.part[SIZE_LOWER];
  at[0] = p[0], at[1] = p[1], at[2] = p[2];
}

// The touches of one wrist: the nearest of the other wrist, 頭, 首 and 下半身 within the distance.
static void size_touches(const SizePlay* p, int side, SizeSource& src) {
  const SizeBody& b = p->body;
  const int parts[4] = {b.arm[1 - side].wrist, b.head, b.neck, b.lower};
  for (int i = 0; i < src.samples; i++) {
    src.partner[side][i] = SIZE_NONE;
    if (b.arm[side].wrist < 0 || src.touch <= 0.0) continue;
    double nearest = src.touch;
    for (int k = 0; k < 4; k++) {
      if (parts[k] < 0) continue;
      double at[3];
      size_partner_point(src.at[i], side, k, at);
      float point[3] = {(float)at[0], (float)at[1], (float)at[2]};
      double d = size_distance(src.at[i].wrist[side], point);
      if (d < nearest) nearest = d, src.partner[side][i] = (int8_t)k;
    }
    if (src.partner[side][i] != SIZE_NONE) src.touching++;
  }
}

int size_source_read(SizePlay* p, int32_t samples, int32_t stride, bool fast) {
  SizeSource& src = size_source;
  src.samples = samples;
  src.stride = stride;
  src.contacts = src.planted_count = src.touching = 0;
  src.leg = p->leg_rest[0] > 1e-4 ? p->leg_rest[0] : p->leg_rest[1];
  const SizeBody& b = p->body;
  double arm = 0.0;
  for (int side = SIZE_SIDES - 1; side >= 0; side--) {
    const SizeArm& a = b.arm[side];
    if (a.arm < 0 || a.elbow < 0 || a.wrist < 0) continue;
    arm = pose_vlen(pose_vsub(size_rest(p->s, a.arm), size_rest(p->s, a.elbow))) +
          pose_vlen(pose_vsub(size_rest(p->s, a.elbow), size_rest(p->s, a.wrist)));
  }
  src.touch = SIZE_TOUCH * arm / SIZE_ARM_STANDARD;
  for (int i = 0; i < samples; i++) {
    SizeAt& at = src.at[i];
    if ((fast ? size_play_fast(p, (double)i * stride, &at) : size_play_at(p, (double)i * stride, &at)) != POSE_DONE) {
      return POSE_HOSTILE;
    }
  }
  for (int side = 0; side < SIZE_SIDES; side++) {
    size_contacts(p, side, src);
    size_touches(p, side, src);
  }
  return POSE_DONE;
}
