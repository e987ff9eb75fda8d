// fold_place.cpp: the fold table and putting lacking bones back (see fold_place.h): the table's names,
// its rules, and one placer per rule, dispatched from the table.
//
// Records: fold_placing, the rules' spelling keys (made once), the skeleton bones go back into and the
// model's spelling keys (made when first needed), written by fold_place_start and the placers for the
// plan in progress.
// Limits: a name of at most 31 bytes (a key of 48); the skeleton's own (pose_skeleton_put refuses a
// bone beyond POSE_SLOTS: the placer then gives -1).
// Trust: the skeleton was checked when made; every bone a placer reads was found in it.
#include "pose/fold_place.h"

#include <cstdio>
#include <cstring>

#include "text/fold.h"

// Where a name's side (左, 右) stands.
enum FoldNameSide : uint8_t { SIDE_NONE = 0, SIDE_BEFORE = 1, SIDE_AFTER = 2 };

// The names as the model editor spells them (Shift-JIS).
struct FoldNameDef {
  const char* text;
  FoldNameSide side;
};
static const FoldNameDef fold_names[N_NAMES] = {
    {"\x91\x53\x82\xc4\x82\xcc\x90\x65", SIDE_NONE},              // 全ての親
    {"\x83\x5a\x83\x93\x83\x5e\x81\x5b", SIDE_NONE},              // センター
    {"\x83\x4f\x83\x8b\x81\x5b\x83\x75", SIDE_NONE},              // グルーブ
    {"\x8d\x98", SIDE_NONE},                                      // 腰
    {"\x8f\xe3\x94\xbc\x90\x67", SIDE_NONE},                      // 上半身
    {"\x8f\xe3\x94\xbc\x90\x67" "2", SIDE_NONE},                  // 上半身2
    {"\x89\xba\x94\xbc\x90\x67", SIDE_NONE},                      // 下半身
    {"\x8e\xf1", SIDE_NONE},                                      // 首
    {"\x93\xaa", SIDE_NONE},                                      // 頭
    {"\x97\xbc\x96\xda", SIDE_NONE},                              // 両目
    {"\x96\xda", SIDE_BEFORE},                                    // 目
    {"\x8c\xa8", SIDE_BEFORE},                                    // 肩
    {"\x8c\xa8P", SIDE_BEFORE},                                   // 肩P
    {"\x8c\xa8" "C", SIDE_BEFORE},                                // 肩C
    {"\x98\x72", SIDE_BEFORE},                                    // 腕
    {"\x98\x72\x9d\x80", SIDE_BEFORE},                            // 腕捩
    {"\x82\xd0\x82\xb6", SIDE_BEFORE},                            // ひじ
    {"\x8e\xe8\x9d\x80", SIDE_BEFORE},                            // 手捩
    {"\x8e\xe8\x8e\xf1", SIDE_BEFORE},                            // 手首
    {"\x90\x65\x8e\x77\x82\x4f", SIDE_BEFORE},                    // 親指０
    {"\x90\x65\x8e\x77\x82\x50", SIDE_BEFORE},                    // 親指１
    {"\x91\xab", SIDE_BEFORE},                                    // 足
    {"\x82\xd0\x82\xb4", SIDE_BEFORE},                            // ひざ
    {"\x91\xab\x8e\xf1", SIDE_BEFORE},                            // 足首
    {"\x91\xab\x82\x68\x82\x6a", SIDE_BEFORE},                    // 足ＩＫ
    {"\x91\xabIK\x90\x65", SIDE_BEFORE},                          // 足IK親
    {"\x91\xab" "D", SIDE_BEFORE},                                // 足D
    {"\x82\xd0\x82\xb4" "D", SIDE_BEFORE},                        // ひざD
    {"\x91\xab\x8e\xf1" "D", SIDE_BEFORE},                        // 足首D
    {"\x8d\x98\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b", SIDE_AFTER},  // 腰キャンセル
};
static const char* const fold_side_text[2] = {"\x8d\xb6", "\x89\x45"};  // 左, 右

constexpr int FOLD_KEY = 48;  // a spelling key of a name of at most 31 bytes

struct FoldPlacing {
  char rule_key[R_RULES][2][FOLD_KEY];   // the spelling keys of the rules' names, both sides
  bool rule_keys_made;
  PoseSkeleton* s;                        // the skeleton bones go back into
  const PoseSkeleton* model;              // the model s copies
  char model_key[POSE_SLOTS][FOLD_KEY];   // the spelling keys of the model's names
  bool model_keys_made;
};
static FoldPlacing fold_placing;

// A name of the table with its side (0 left, 1 right; ignored for names without one).
static void fold_place_name(FoldNameId id, int side, char* out, int size) {
  const FoldNameDef& d = fold_names[id];
  if (d.side == SIDE_BEFORE) std::snprintf(out, (size_t)size, "%s%s", fold_side_text[side], d.text);
  else if (d.side == SIDE_AFTER) std::snprintf(out, (size_t)size, "%s%s", d.text, fold_side_text[side]);
  else std::snprintf(out, (size_t)size, "%s", d.text);
}

bool fold_place_rule_of(const char* name, FoldRuleId* rule, int* side) {
  FoldPlacing& p = fold_placing;
  if (!p.rule_keys_made) {
    for (int r = 0; r < R_RULES; r++) {
      for (int k = 0; k < 2; k++) {
        char text[POSE_NAME];
        fold_place_name(fold_rules[r].name, k, text, sizeof text);
        fold_name(p.rule_key[r][k], FOLD_KEY, text, -1);
      }
    }
    p.rule_keys_made = true;
  }
  char key[FOLD_KEY];
  fold_name(key, FOLD_KEY, name, -1);
  for (int r = 0; r < R_RULES; r++) {
    for (int k = 0; k < 2; k++) {
      if (std::strcmp(key, p.rule_key[r][k]) == 0) {
        *rule = (FoldRuleId)r;
        *side = k;
        return true;
      }
    }
  }
  return false;
}

void fold_place_start(PoseSkeleton* s, const PoseSkeleton* model) {
  fold_placing.s = s;
  fold_placing.model = model;
  fold_placing.model_keys_made = false;
}

int fold_place_find(FoldNameId id, int side) {
  FoldPlacing& p = fold_placing;
  char name[POSE_NAME];
  fold_place_name(id, side, name, sizeof name);
  int b = pose_skeleton_find(p.s, name);
  if (b >= 0) return b;
  if (!p.model_keys_made) {
    for (int i = 0; i < p.model->count; i++) fold_name(p.model_key[i], FOLD_KEY, p.model->bone[i].name, -1);
    p.model_keys_made = true;
  }
  char key[FOLD_KEY];
  fold_name(key, FOLD_KEY, name, -1);
  for (int i = 0; i < p.model->count; i++) {
    if (!p.s->bone[i].absent && !p.model->bone[i].long_name && std::strcmp(p.model_key[i], key) == 0) return i;
  }
  return -1;
}

int fold_place_track_of(const PoseMotion* m, FoldNameId id, int side) {
  char name[POSE_NAME];
  fold_place_name(id, side, name, sizeof name);
  int t = pose_motion_track(m, name);
  if (t >= 0) return t;
  char key[FOLD_KEY], other[FOLD_KEY];
  fold_name(key, FOLD_KEY, name, -1);
  for (int i = 0; i < m->track_count; i++) {
    fold_name(other, FOLD_KEY, m->track[i].name, -1);
    if (std::strcmp(key, other) == 0) return i;
  }
  return -1;
}

int fold_place(FoldEntry* e) { return fold_rules[e->rule].place(e->side, e->companion); }

// ---- The placers' tools ----

static PoseVec fold_place_rest(int b) { return pose_skeleton_rest(fold_placing.s, b); }
static int fold_place_parent(int b) { return fold_placing.s->bone[b].parent; }

// Puts a bone back: name, rest, parent, flags; -1 when the skeleton is full.
static int fold_place_put(FoldNameId id, int side, PoseVec rest, int parent, uint16_t flags) {
  char name[POSE_NAME];
  fold_place_name(id, side, name, sizeof name);
  float r[3] = {(float)rest.x, (float)rest.y, (float)rest.z};
  return pose_skeleton_put(fold_placing.s, name, r, parent, flags);
}

static void fold_place_inherit(int b, int source, float weight) {
  PoseBone& bone = fold_placing.s->bone[b];
  bone.flags = (uint16_t)((bone.flags | PMX_BONE_INHERITS_ROTATION) & ~PMX_BONE_INHERITS_TRANSLATION);
  bone.inherit = source;
  bone.inherit_weight = weight;
}

// Every present child of from (except to) moves under to.
static void fold_place_adopt(int from, int to) {
  PoseSkeleton& s = *fold_placing.s;
  for (int i = 0; i < s.count; i++) {
    if (i != to && !s.bone[i].absent && s.bone[i].parent == from) s.bone[i].parent = to;
  }
}

static PoseVec fold_place_between(PoseVec a, PoseVec b, double t) {
  return pose_vadd(a, pose_vscale(pose_vsub(b, a), t));
}

static const uint16_t ROTATES = PMX_BONE_ROTATES, MOVES = PMX_BONE_ROTATES | PMX_BONE_TRANSLATES;

// ---- The placers, one per rule ----

// グルーブ: 0.2 above センター, adopting its children.
static int fold_place_groove(int, int*) {
  int center = fold_place_find(N_CENTER, 0);
  if (center < 0) return -1;
  int g = fold_place_put(N_GROOVE, 0, pose_vadd(fold_place_rest(center), PoseVec{0.0, 0.2, 0.0}), center, MOVES);
  if (g >= 0) fold_place_adopt(center, g);
  return g;
}

// 腰キャンセル on one side: at 足, above it, inheriting 腰's turn backwards.
static int fold_place_waist_cancel_of(int side, int waist) {
  int leg = fold_place_find(N_LEG, side);
  if (leg < 0) return -1;
  int c = fold_place_put(N_WAIST_CANCEL, side, fold_place_rest(leg), fold_place_parent(leg), ROTATES);
  if (c < 0) return -1;
  if (waist >= 0) fold_place_inherit(c, waist, -1.0f);
  fold_placing.s->bone[leg].parent = c;
  return c;
}

// 腰: between the legs, 0.4 of the way up to 下半身, under グルーブ (or センター), adopting its
// children; the 腰キャンセル the skeleton lacks go back with it.
static int fold_place_waist(int, int* companion) {
  const PoseSkeleton* s = fold_placing.s;
  int parent = fold_place_find(N_GROOVE, 0);
  if (parent < 0) parent = fold_place_find(N_CENTER, 0);
  int lower = fold_place_find(N_LOWER, 0), legs[2] = {fold_place_find(N_LEG, 0), fold_place_find(N_LEG, 1)};
  if (parent < 0 || lower < 0 || (legs[0] < 0 && legs[1] < 0)) return -1;
  double y = 0.0, z = 0.0;
  int n = 0;
  for (int leg : legs) {
    if (leg < 0) continue;
    y += s->bone[leg].rest[1], z += s->bone[leg].rest[2], n++;
  }
  y /= n, z /= n;
  PoseVec rest = {0.0, y + 0.4 * (s->bone[lower].rest[1] - y), z};
  int waist = fold_place_put(N_WAIST, 0, rest, parent, MOVES);
  if (waist < 0) return -1;
  fold_place_adopt(parent, waist);
  for (int k = 0; k < 2; k++) {
    if (fold_place_find(N_WAIST_CANCEL, k) < 0) companion[k] = fold_place_waist_cancel_of(k, waist);
  }
  return waist;
}

static int fold_place_waist_cancel(int side, int*) {
  return fold_place_waist_cancel_of(side, fold_place_find(N_WAIST, 0));
}

// 上半身2: a third of the way from 上半身 to 首, adopting 上半身's children.
static int fold_place_upper2(int, int*) {
  int upper = fold_place_find(N_UPPER, 0), neck = fold_place_find(N_NECK, 0);
  if (upper < 0 || neck < 0) return -1;
  PoseVec rest = fold_place_between(fold_place_rest(upper), fold_place_rest(neck), 1.0 / 3.0);
  int u2 = fold_place_put(N_UPPER2, 0, rest, upper, ROTATES);
  if (u2 >= 0) fold_place_adopt(upper, u2);
  return u2;
}

// 肩C on one side: at 腕, under 肩 and above 腕, inheriting 肩P's turn backwards.
static int fold_place_shoulder_c_of(int side, int shoulder_p) {
  int shoulder = fold_place_find(N_SHOULDER, side), arm = fold_place_find(N_ARM, side);
  if (shoulder < 0 || arm < 0) return -1;
  int c = fold_place_put(N_SHOULDER_C, side, fold_place_rest(arm), shoulder, ROTATES);
  if (c < 0) return -1;
  if (shoulder_p >= 0) fold_place_inherit(c, shoulder_p, -1.0f);
  fold_placing.s->bone[arm].parent = c;
  return c;
}

// 肩P: at 肩, above it; 肩C, where the skeleton lacks it, goes back with it.
static int fold_place_shoulder_p(int side, int* companion) {
  int shoulder = fold_place_find(N_SHOULDER, side);
  if (shoulder < 0) return -1;
  int p = fold_place_put(N_SHOULDER_P, side, fold_place_rest(shoulder), fold_place_parent(shoulder), ROTATES);
  if (p < 0) return -1;
  fold_placing.s->bone[shoulder].parent = p;
  if (fold_place_find(N_SHOULDER_C, side) < 0) companion[0] = fold_place_shoulder_c_of(side, p);
  return p;
}

static int fold_place_shoulder_c(int side, int*) {
  return fold_place_shoulder_c_of(side, fold_place_find(N_SHOULDER_P, side));
}

// 腕捩 (arm) or 手捩: 0.6 of the way along its arm bone, turning about the arm's line. The arm's twist
// adopts everything on the arm; the wrist's only the wrist.
static int fold_place_twist(int side, bool arm) {
  int from = fold_place_find(arm ? N_ARM : N_ELBOW, side), to = fold_place_find(arm ? N_ELBOW : N_WRIST, side);
  if (from < 0 || to < 0) return -1;
  PoseVec a = fold_place_rest(from), b = fold_place_rest(to);
  int parent = arm ? from : fold_place_parent(to);
  int t = fold_place_put(arm ? N_ARM_TWIST : N_WRIST_TWIST, side, fold_place_between(a, b, 0.6), parent,
                         ROTATES | PMX_BONE_FIXED_AXIS);
  if (t < 0) return -1;
  PoseVec axis = pose_vsub(b, a);
  double len = pose_vlen(axis);
  if (len > 0.0) {
    PoseBone& tb = fold_placing.s->bone[t];
    tb.axis[0] = (float)(axis.x / len), tb.axis[1] = (float)(axis.y / len), tb.axis[2] = (float)(axis.z / len);
  }
  if (arm) fold_place_adopt(from, t);
  else fold_placing.s->bone[to].parent = t;
  return t;
}

static int fold_place_arm_twist(int side, int*) { return fold_place_twist(side, true); }
static int fold_place_wrist_twist(int side, int*) { return fold_place_twist(side, false); }

// 親指０: a third of the way from 手首 to 親指１, above 親指１.
static int fold_place_thumb0(int side, int*) {
  int wrist = fold_place_find(N_WRIST, side), thumb = fold_place_find(N_THUMB1, side);
  if (wrist < 0 || thumb < 0) return -1;
  PoseVec rest = fold_place_between(fold_place_rest(wrist), fold_place_rest(thumb), 1.0 / 3.0);
  int t = fold_place_put(N_THUMB0, side, rest, fold_place_parent(thumb), ROTATES);
  if (t >= 0) fold_placing.s->bone[thumb].parent = t;
  return t;
}

// 両目: between the eyes, under 頭 (or the first eye's parent); each eye inherits its turn, by the
// weight the model gives it (1 when it inherits nothing).
static int fold_place_eyes(int, int*) {
  int eyes[2] = {fold_place_find(N_EYE, 0), fold_place_find(N_EYE, 1)};
  if (eyes[0] < 0 && eyes[1] < 0) return -1;
  int first = eyes[0] >= 0 ? eyes[0] : eyes[1];
  int head = fold_place_find(N_HEAD, 0);
  if (head < 0) head = fold_place_parent(first);
  PoseVec rest = {0.0, 0.0, 0.0};
  int n = 0;
  for (int eye : eyes) {
    if (eye >= 0) rest = pose_vadd(rest, fold_place_rest(eye)), n++;
  }
  int b = fold_place_put(N_EYES, 0, pose_vscale(rest, 1.0 / n), head, ROTATES);
  if (b < 0) return -1;
  for (int eye : eyes) {
    if (eye < 0) continue;
    const PoseBone& own = fold_placing.model->bone[eye];
    float weight = (own.flags & PMX_BONE_INHERITS_ROTATION) ? own.inherit_weight : 1.0f;
    fold_place_inherit(eye, b, weight);
  }
  return b;
}

// 足D, ひざD or 足首D (k 0, 1, 2): at its leg bone, under the D bone above it (or the leg bone's
// parent), inheriting the leg bone's turn whole.
static int fold_place_d(int side, int k) {
  static const FoldNameId of[3] = {N_LEG, N_KNEE, N_ANKLE}, d[3] = {N_LEG_D, N_KNEE_D, N_ANKLE_D};
  int bone = fold_place_find(of[k], side);
  if (bone < 0) return -1;
  int parent = k > 0 ? fold_place_find(d[k - 1], side) : -1;
  if (parent < 0) parent = fold_place_parent(bone);
  int b = fold_place_put(d[k], side, fold_place_rest(bone), parent, ROTATES);
  if (b >= 0) fold_place_inherit(b, bone, 1.0f);
  return b;
}

static int fold_place_leg_d(int side, int*) { return fold_place_d(side, 0); }
static int fold_place_knee_d(int side, int*) { return fold_place_d(side, 1); }
static int fold_place_ankle_d(int side, int*) { return fold_place_d(side, 2); }

// 足IK親: under 足ＩＫ on the floor, above it.
static int fold_place_leg_ikp(int side, int*) {
  int ik = fold_place_find(N_LEG_IK, side);
  if (ik < 0) return -1;
  PoseVec rest = fold_place_rest(ik);
  rest.y = 0.0;
  int p = fold_place_put(N_LEG_IKP, side, rest, fold_place_parent(ik), MOVES);
  if (p >= 0) fold_placing.s->bone[ik].parent = p;
  return p;
}

// 全ての親: at the origin, above every root.
static int fold_place_master(int, int*) {
  int m = fold_place_put(N_MASTER, 0, PoseVec{0.0, 0.0, 0.0}, -1, MOVES);
  if (m >= 0) fold_place_adopt(-1, m);
  return m;
}

// ---- The table ----

const FoldRule fold_rules[R_RULES] = {
    {N_LEG_IKP, MODE_PUSH, FOLD_EXACT, fold_place_leg_ikp},           {N_MASTER, MODE_PUSH, FOLD_EXACT, fold_place_master},
    {N_GROOVE, MODE_PULL, FOLD_EXACT, fold_place_groove},             {N_WAIST, MODE_PULL, FOLD_EXACT, fold_place_waist},
    {N_WAIST_CANCEL, MODE_NONE, FOLD_NONE, fold_place_waist_cancel},  {N_UPPER2, MODE_PULL, FOLD_APPROXIMATE, fold_place_upper2},
    {N_SHOULDER_P, MODE_PUSH, FOLD_EXACT, fold_place_shoulder_p},     {N_SHOULDER_C, MODE_PUSH, FOLD_EXACT, fold_place_shoulder_c},
    {N_ARM_TWIST, MODE_PULL, FOLD_EXACT, fold_place_arm_twist},       {N_WRIST_TWIST, MODE_PUSH, FOLD_EXACT, fold_place_wrist_twist},
    {N_THUMB0, MODE_PUSH, FOLD_APPROXIMATE, fold_place_thumb0},       {N_EYES, MODE_INHERIT, FOLD_EXACT, fold_place_eyes},
    {N_LEG_D, MODE_REPLACE, FOLD_EXACT, fold_place_leg_d},            {N_KNEE_D, MODE_REPLACE, FOLD_EXACT, fold_place_knee_d},
    {N_ANKLE_D, MODE_REPLACE, FOLD_EXACT, fold_place_ankle_d},
};

const FoldRuleId fold_place_order[R_RULES] = {R_GROOVE,     R_WAIST,       R_WAIST_CANCEL, R_UPPER2, R_SHOULDER_P,
                                              R_SHOULDER_C, R_ARM_TWIST,   R_WRIST_TWIST,  R_THUMB0, R_EYES,
                                              R_LEG_D,      R_KNEE_D,      R_ANKLE_D,      R_LEG_IKP, R_MASTER};
