// fold.cpp: the lacking semi-standard bones of a motion on a model, what dropping each costs, and the
// folds that keep them (see fold.h).
//
// How a plan is made. The model's skeleton is copied and every lacking bone that has an assumed
// position is put back (with the companions its fold needs: 腰キャンセル under 腰, 肩C under 肩P); the
// motion played on that skeleton is the original. A cost compares it with the same play without the
// bone's keys. The folds then run one at a time, in the table's order: each takes its bone (and its
// companions) out of the skeleton, computes new keys for the bones it goes into at the union of the
// frames its tracks are keyed on, puts keys in where the new keys' curves stray, and measures what it
// leaves against the play before it. The next fold starts from that.
//
// Records: fold_work, the working skeletons, bindings, comparison and scratch of the plan in progress,
// the fold's keys kept by frame (fold_dense_*) and the written poses of the span being weighed
// (fold_weigh_written), written by fold_plan for its duration; plans are the callers' values.
// Limits: 64 lacking bones, 256 bones one fold goes into, 128 rewritten tracks, 262,144 rewritten keys,
// 65,536 frames compared per fold (a longer span is compared at a stride), 262,144 receiver-frames of
// keys kept (a fold that needs more finds them again), 4,096 receiver-frames of a weighed span's
// written poses kept (a longer span finds them again).
//
// What is found once. A frame's keys are found once per fold (fold_dense_*); the union's spans are
// walked in order, each track's moves starting where the last span ended and its poses at the union's
// frames taken from the targets found there; a weighed span's second pass reuses its first.
// Trust: skeletons and motions were checked when made; the plan's own bounds are checked before every
// write into the plan.
//
// Sections: [fold-names] the table's names, [fold-place] putting bones back, [fold-cost] costs,
// [fold-step] one fold, [fold-plan] the plan.
#include "pose/fold.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "check/rigs.h"
#include "pose/fold_compare.h"
#include "pose/pose.h"
#include "text/fold.h"

// ---- [fold-names] --------------------------------------------------------------------------------------------

enum FoldNameId : int {
  N_MASTER, N_CENTER, N_GROOVE, N_WAIST, N_UPPER, N_UPPER2, N_LOWER, N_NECK, N_HEAD, N_EYES, N_EYE,
  N_SHOULDER, N_SHOULDER_P, N_SHOULDER_C, N_ARM, N_ARM_TWIST, N_ELBOW, N_WRIST_TWIST, N_WRIST, N_THUMB0,
  N_THUMB1, N_LEG, N_KNEE, N_ANKLE, N_LEG_IK, N_LEG_IKP, N_LEG_D, N_KNEE_D, N_ANKLE_D, N_WAIST_CANCEL,
  N_NAMES
};

// Where a name's side (左, 右) stands.
enum FoldNameSide : uint8_t { SIDE_NONE = 0, SIDE_BEFORE = 1, SIDE_AFTER = 2 };

// The names as the model editor spells them (Shift-JIS); a side (左, 右) stands before or after.
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

// A name of the table with its side (0 left, 1 right; ignored for names without one).
static void fold_name_text(int id, int side, char* out, int size) {
  const FoldNameDef& d = fold_names[id];
  if (d.side == SIDE_BEFORE) std::snprintf(out, (size_t)size, "%s%s", fold_side_text[side], d.text);
  else if (d.side == SIDE_AFTER) std::snprintf(out, (size_t)size, "%s%s", d.text, fold_side_text[side]);
  else std::snprintf(out, (size_t)size, "%s", d.text);
}

// How a fold moves its bone's keys.
enum FoldMode : int {
  MODE_NONE = 0,  // no fold (a companion taken out with its bone: 腰キャンセル)
  MODE_PUSH,      // into the bones below it: each keeps its world pose
  MODE_PULL,      // into the bone above it: the bones below keep theirs
  MODE_INHERIT,   // into the bones that inherit from it: each keeps its world pose
  MODE_REPLACE,   // into the bone it inherits from, which takes its world pose (the D bones)
};

// The fold table, in the order the folds run. A fold's bones go back in the reverse order (全ての親 last,
// above everything; the bones that adopt children before those that sit below them).
enum FoldRuleId : int {
  R_LEG_IKP, R_MASTER, R_GROOVE, R_WAIST, R_WAIST_CANCEL, R_UPPER2, R_SHOULDER_P, R_SHOULDER_C, R_ARM_TWIST,
  R_WRIST_TWIST, R_THUMB0, R_EYES, R_LEG_D, R_KNEE_D, R_ANKLE_D, R_RULES
};
struct FoldRule {
  FoldNameId name;
  FoldMode mode;
  FoldKind kind;  // FOLD_EXACT or FOLD_APPROXIMATE (FOLD_NONE: no fold)
};
static const FoldRule fold_rules[R_RULES] = {
    {N_LEG_IKP, MODE_PUSH, FOLD_EXACT},           {N_MASTER, MODE_PUSH, FOLD_EXACT},
    {N_GROOVE, MODE_PULL, FOLD_EXACT},            {N_WAIST, MODE_PULL, FOLD_EXACT},
    {N_WAIST_CANCEL, MODE_NONE, FOLD_NONE},       {N_UPPER2, MODE_PULL, FOLD_APPROXIMATE},
    {N_SHOULDER_P, MODE_PUSH, FOLD_EXACT},        {N_SHOULDER_C, MODE_PUSH, FOLD_EXACT},
    {N_ARM_TWIST, MODE_PULL, FOLD_EXACT},         {N_WRIST_TWIST, MODE_PUSH, FOLD_EXACT},
    {N_THUMB0, MODE_PUSH, FOLD_APPROXIMATE},      {N_EYES, MODE_INHERIT, FOLD_EXACT},
    {N_LEG_D, MODE_REPLACE, FOLD_EXACT},          {N_KNEE_D, MODE_REPLACE, FOLD_EXACT},
    {N_ANKLE_D, MODE_REPLACE, FOLD_EXACT},
};
static const int fold_place_order[R_RULES] = {R_GROOVE,  R_WAIST, R_WAIST_CANCEL, R_UPPER2,  R_SHOULDER_P,
                                              R_SHOULDER_C, R_ARM_TWIST, R_WRIST_TWIST, R_THUMB0, R_EYES,
                                              R_LEG_D, R_KNEE_D, R_ANKLE_D, R_LEG_IKP, R_MASTER};

constexpr int FOLD_KEY = 48;  // a spelling key of a name of at most 31 bytes

// The spelling keys of the rules' names, both sides, made once.
static char fold_rule_keys[R_RULES][2][FOLD_KEY];
static bool fold_rule_keys_made;

static void fold_make_rule_keys() {
  if (fold_rule_keys_made) return;
  for (int r = 0; r < R_RULES; r++) {
    for (int side = 0; side < 2; side++) {
      char name[POSE_NAME];
      fold_name_text(fold_rules[r].name, side, name, sizeof name);
      fold_name(fold_rule_keys[r][side], FOLD_KEY, name, -1);
    }
  }
  fold_rule_keys_made = true;
}

// The rule (and side) of a motion's name, by spelling key: true when the table has one.
static bool fold_rule_of(const char* name, int* rule, int* side) {
  fold_make_rule_keys();
  char key[FOLD_KEY];
  fold_name(key, FOLD_KEY, name, -1);
  for (int r = 0; r < R_RULES; r++) {
    for (int s = 0; s < 2; s++) {
      if (std::strcmp(key, fold_rule_keys[r][s]) == 0) {
        *rule = r;
        *side = s;
        return true;
      }
    }
  }
  return false;
}

// ---- The working record ----

// What the plan keeps beside each listed lacking bone.
struct FoldEntry {
  int rule;       // a FoldRuleId, or -1
  int side;
  int track;      // its track in the motion
  int bone;       // put back as this bone of the working skeleton, or -1
  int companion[2];  // companions put back with it (bones), -1 none
};

// How each source track moves over a span (f0, f1]: per channel, how far (units, or radians for R),
// and the curve of its key that drives the span, cut to the span.
struct FoldMove {
  double moved[CURVE_CHANNELS];
  PoseBezier curve[CURVE_CHANNELS];
  // The track's pose at the end of the last span asked (the next span starts there): its key after
  // that frame (null: none kept), the frame and the pose.
  const PoseKey* end;
  uint32_t end_frame;
  PoseVec end_p;
  PoseQuat end_q;
  int32_t at;  // where the last span was found (the union's spans come in order)
};

constexpr int FOLD_RECEIVERS = 256;  // bones one fold goes into

struct FoldWork {
  const PoseSkeleton* model;
  const PoseMotion* motion;
  FoldPlan* plan;
  PoseSkeleton sa, sb;                 // before and after the fold in progress
  PoseTrackRef ta[POSE_SLOTS], tb[POSE_SLOTS];
  uint8_t compared[POSE_SLOTS];        // the model's bones no IK moves
  FoldEntry entry[FOLD_LACKS];
  char model_key[POSE_SLOTS][FOLD_KEY];  // spelling keys of the model's names (made when first needed)
  bool model_keys_made;
  FoldCompare cmp;
  // The fold in progress.
  FoldMode mode;
  int removed[3], nremoved;
  int recv[FOLD_RECEIVERS], src[FOLD_RECEIVERS], nrecv;
  uint8_t is_recv[POSE_SLOTS];
  uint8_t step_compared[POSE_SLOTS];
  bool full_chains;  // the targets are evaluated from the roots (no common base was found)
  int32_t ta_locals[POSE_SLOTS], nta_locals, ta_worlds[POSE_SLOTS], nta_worlds, ta_bases[POSE_SLOTS], nta_bases;
  int32_t tb_chain[POSE_SLOTS], ntb_chain, tb_src[POSE_SLOTS], ntb_src, tb_bases[POSE_SLOTS], ntb_bases;
  uint8_t recv_on_a[FOLD_RECEIVERS];  // per receiver: sa plays its own key as its local translation
  uint8_t tb_needed[POSE_SLOTS];      // per chain bone: TB_WORLD and/or TB_LOCAL, what a later one reads
  uint8_t la_raw[POSE_SLOTS];         // per bone: la holds its track's own pose (evaluated, nothing inherited)
  double la_frame;                    // the frame la was evaluated at (-1: none)
  bool rest_prev;                     // the union's last frame: the folded bones rested there
  PoseXf own_prev[FOLD_RECEIVERS];    // and the receivers' own poses there
  // Per receiver, at the union's frame U[i] being keyed: its own first key at or after U[i], and whether
  // it has a key on U[i] and on U[i - 1].
  int32_t own_at[FOLD_RECEIVERS];
  uint8_t own_keyed[FOLD_RECEIVERS], own_keyed_before[FOLD_RECEIVERS];
  PoseXf la[POSE_SLOTS], wa[POSE_SLOTS], lb[POSE_SLOTS], wb[POSE_SLOTS];
  PoseXf dense[POSE_SLOTS], written[POSE_SLOTS];  // per bone: keys set on the receivers
  uint8_t over[POSE_SLOTS];
  PoseXf keys[FOLD_RECEIVERS];   // the receivers' keys at one frame, as written (a receiver that cannot
                                 // translate keeps its own translation)
  PoseXf exact[FOLD_RECEIVERS];  // the keys that would give the original poses (any translation)
  PoseXf wbx[POSE_SLOTS];        // world poses on sb with the exact keys
  FoldMove moves[3];            // how the removed bones move over the span being keyed
  FoldMove own_moves[FOLD_RECEIVERS];  // and how each receiver's own track moves
  int32_t hint_a[POSE_SLOTS], hint_b[POSE_SLOTS];
};
static FoldWork fold_work;

static const PoseSkeleton* fold_sa() { return &fold_work.sa; }

static PoseVec fold_rest(const PoseSkeleton* s, int b) { return pose_skeleton_rest(s, b); }

// A bone of the working skeleton (the model's, or one put back) by the table's name: the name exactly,
// else a model bone of the same spelling key; -1 when there is none.
static int fold_find(int id, int side) {
  FoldWork& w = fold_work;
  char name[POSE_NAME];
  fold_name_text(id, side, name, sizeof name);
  int b = pose_skeleton_find(&w.sa, name);
  if (b >= 0) return b;
  if (!w.model_keys_made) {
    for (int i = 0; i < w.model->count; i++) fold_name(w.model_key[i], FOLD_KEY, w.model->bone[i].name, -1);
    w.model_keys_made = true;
  }
  char key[FOLD_KEY];
  fold_name(key, FOLD_KEY, name, -1);
  for (int i = 0; i < w.model->count; i++) {
    if (!w.sa.bone[i].absent && !w.model->bone[i].long_name && std::strcmp(w.model_key[i], key) == 0) return i;
  }
  return -1;
}

// The motion's track of a table name: exactly, else by spelling key; -1 none.
static int fold_track_of(int id, int side) {
  const PoseMotion* m = fold_work.motion;
  char name[POSE_NAME];
  fold_name_text(id, side, name, sizeof name);
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

const char* fold_bone_name(const PoseSkeleton* s, int bone) {
  return bone >= 0 && bone < s->count ? s->bone[bone].name : "";
}

// ---- [fold-place] --------------------------------------------------------------------------------------------

// Puts a bone back: name, rest, parent, flags; -1 when the skeleton is full.
static int fold_put(int id, int side, PoseVec rest, int parent, uint16_t flags) {
  char name[POSE_NAME];
  fold_name_text(id, side, name, sizeof name);
  float r[3] = {(float)rest.x, (float)rest.y, (float)rest.z};
  return pose_skeleton_put(&fold_work.sa, name, r, parent, flags);
}

static void fold_inherit(int b, int source, float weight) {
  PoseBone& bone = fold_work.sa.bone[b];
  bone.flags = (uint16_t)((bone.flags | PMX_BONE_INHERITS_ROTATION) & ~PMX_BONE_INHERITS_TRANSLATION);
  bone.inherit = source;
  bone.inherit_weight = weight;
}

// Every present child of from (except to) moves under to.
static void fold_adopt_children(int from, int to) {
  PoseSkeleton& s = fold_work.sa;
  for (int i = 0; i < s.count; i++) {
    if (i != to && !s.bone[i].absent && s.bone[i].parent == from) s.bone[i].parent = to;
  }
}

static PoseVec fold_between(PoseVec a, PoseVec b, double t) { return pose_vadd(a, pose_vscale(pose_vsub(b, a), t)); }

static const uint16_t ROTATES = PMX_BONE_ROTATES, MOVES = PMX_BONE_ROTATES | PMX_BONE_TRANSLATES;

// 腰キャンセル on one side: at 足, above it, inheriting 腰's turn backwards.
static int fold_place_waist_cancel(int side, int waist) {
  const PoseSkeleton* s = fold_sa();
  int leg = fold_find(N_LEG, side);
  if (leg < 0) return -1;
  int c = fold_put(N_WAIST_CANCEL, side, fold_rest(s, leg), s->bone[leg].parent, ROTATES);
  if (c < 0) return -1;
  if (waist >= 0) fold_inherit(c, waist, -1.0f);
  fold_work.sa.bone[leg].parent = c;
  return c;
}

// 肩C on one side: at 腕, under 肩 and above 腕, inheriting 肩P's turn backwards.
static int fold_place_shoulder_c(int side, int shoulder_p) {
  const PoseSkeleton* s = fold_sa();
  int shoulder = fold_find(N_SHOULDER, side), arm = fold_find(N_ARM, side);
  if (shoulder < 0 || arm < 0) return -1;
  int c = fold_put(N_SHOULDER_C, side, fold_rest(s, arm), shoulder, ROTATES);
  if (c < 0) return -1;
  if (shoulder_p >= 0) fold_inherit(c, shoulder_p, -1.0f);
  fold_work.sa.bone[arm].parent = c;
  return c;
}

// Puts back the bone of entry e at its assumed position: its bone, or -1 when the bones that place it
// are missing. Companions go back with 腰 and 肩P where the model lacks them.
static int fold_place(FoldEntry* e) {
  FoldWork& w = fold_work;
  const PoseSkeleton* s = fold_sa();
  int side = e->side;
  switch (e->rule) {
    case R_GROOVE: {
      int center = fold_find(N_CENTER, 0);
      if (center < 0) return -1;
      int g = fold_put(N_GROOVE, 0, pose_vadd(fold_rest(s, center), PoseVec{0.0, 0.2, 0.0}), center, MOVES);
      if (g >= 0) fold_adopt_children(center, g);
      return g;
    }
    case R_WAIST: {
      int parent = fold_find(N_GROOVE, 0);
      if (parent < 0) parent = fold_find(N_CENTER, 0);
      int lower = fold_find(N_LOWER, 0), legs[2] = {fold_find(N_LEG, 0), fold_find(N_LEG, 1)};
      if (parent < 0 || lower < 0 || (legs[0] < 0 && legs[1] < 0)) return -1;
      double y = 0.0, z = 0.0;
      int n = 0;
      for (int leg : legs) {
        if (leg < 0) continue;
        y += s->bone[leg].rest[1], z += s->bone[leg].rest[2], n++;
      }
      y /= n, z /= n;
      PoseVec rest = {0.0, y + 0.4 * (s->bone[lower].rest[1] - y), z};
      int waist = fold_put(N_WAIST, 0, rest, parent, MOVES);
      if (waist < 0) return -1;
      fold_adopt_children(parent, waist);
      for (int k = 0; k < 2; k++) {
        if (fold_find(N_WAIST_CANCEL, k) < 0) e->companion[k] = fold_place_waist_cancel(k, waist);
      }
      return waist;
    }
    case R_WAIST_CANCEL:
      return fold_place_waist_cancel(side, fold_find(N_WAIST, 0));
    case R_UPPER2: {
      int upper = fold_find(N_UPPER, 0), neck = fold_find(N_NECK, 0);
      if (upper < 0 || neck < 0) return -1;
      int u2 = fold_put(N_UPPER2, 0, fold_between(fold_rest(s, upper), fold_rest(s, neck), 1.0 / 3.0), upper, ROTATES);
      if (u2 >= 0) fold_adopt_children(upper, u2);
      return u2;
    }
    case R_SHOULDER_P: {
      int shoulder = fold_find(N_SHOULDER, side);
      if (shoulder < 0) return -1;
      int p = fold_put(N_SHOULDER_P, side, fold_rest(s, shoulder), s->bone[shoulder].parent, ROTATES);
      if (p < 0) return -1;
      w.sa.bone[shoulder].parent = p;
      if (fold_find(N_SHOULDER_C, side) < 0) e->companion[0] = fold_place_shoulder_c(side, p);
      return p;
    }
    case R_SHOULDER_C:
      return fold_place_shoulder_c(side, fold_find(N_SHOULDER_P, side));
    case R_ARM_TWIST:
    case R_WRIST_TWIST: {
      bool arm = e->rule == R_ARM_TWIST;
      int from = fold_find(arm ? N_ARM : N_ELBOW, side), to = fold_find(arm ? N_ELBOW : N_WRIST, side);
      if (from < 0 || to < 0) return -1;
      PoseVec a = fold_rest(s, from), b = fold_rest(s, to);
      int parent = arm ? from : s->bone[to].parent;
      int t = fold_put(arm ? N_ARM_TWIST : N_WRIST_TWIST, side, fold_between(a, b, 0.6), parent,
                       ROTATES | PMX_BONE_FIXED_AXIS);
      if (t < 0) return -1;
      PoseVec axis = pose_vsub(b, a);
      double len = pose_vlen(axis);
      if (len > 0.0) {
        PoseBone& tb = w.sa.bone[t];
        tb.axis[0] = (float)(axis.x / len), tb.axis[1] = (float)(axis.y / len), tb.axis[2] = (float)(axis.z / len);
      }
      // The arm's twist adopts everything on the arm; the wrist's only the wrist.
      if (arm) fold_adopt_children(from, t);
      else w.sa.bone[to].parent = t;
      return t;
    }
    case R_THUMB0: {
      int wrist = fold_find(N_WRIST, side), thumb = fold_find(N_THUMB1, side);
      if (wrist < 0 || thumb < 0) return -1;
      PoseVec rest = fold_between(fold_rest(s, wrist), fold_rest(s, thumb), 1.0 / 3.0);
      int t = fold_put(N_THUMB0, side, rest, s->bone[thumb].parent, ROTATES);
      if (t >= 0) w.sa.bone[thumb].parent = t;
      return t;
    }
    case R_EYES: {
      int eyes[2] = {fold_find(N_EYE, 0), fold_find(N_EYE, 1)};
      if (eyes[0] < 0 && eyes[1] < 0) return -1;
      int first = eyes[0] >= 0 ? eyes[0] : eyes[1];
      int head = fold_find(N_HEAD, 0);
      if (head < 0) head = s->bone[first].parent;
      PoseVec rest = {0.0, 0.0, 0.0};
      int n = 0;
      for (int eye : eyes) {
        if (eye >= 0) rest = pose_vadd(rest, fold_rest(s, eye)), n++;
      }
      int b = fold_put(N_EYES, 0, pose_vscale(rest, 1.0 / n), head, ROTATES);
      if (b < 0) return -1;
      for (int eye : eyes) {
        if (eye < 0) continue;
        const PoseBone& own = w.model->bone[eye];
        float weight = (own.flags & PMX_BONE_INHERITS_ROTATION) ? own.inherit_weight : 1.0f;
        fold_inherit(eye, b, weight);
      }
      return b;
    }
    case R_LEG_D:
    case R_KNEE_D:
    case R_ANKLE_D: {
      static const int of[3] = {N_LEG, N_KNEE, N_ANKLE}, d[3] = {N_LEG_D, N_KNEE_D, N_ANKLE_D};
      int k = e->rule - R_LEG_D;
      int bone = fold_find(of[k], side);
      if (bone < 0) return -1;
      int parent = k > 0 ? fold_find(d[k - 1], side) : -1;
      if (parent < 0) parent = s->bone[bone].parent;
      int b = fold_put(d[k], side, fold_rest(s, bone), parent, ROTATES);
      if (b >= 0) fold_inherit(b, bone, 1.0f);
      return b;
    }
    case R_LEG_IKP: {
      int ik = fold_find(N_LEG_IK, side);
      if (ik < 0) return -1;
      PoseVec rest = {s->bone[ik].rest[0], 0.0, s->bone[ik].rest[2]};
      int p = fold_put(N_LEG_IKP, side, rest, s->bone[ik].parent, MOVES);
      if (p >= 0) w.sa.bone[ik].parent = p;
      return p;
    }
    case R_MASTER: {
      int m = fold_put(N_MASTER, 0, PoseVec{0.0, 0.0, 0.0}, -1, MOVES);
      if (m >= 0) fold_adopt_children(-1, m);
      return m;
    }
    default:
      return -1;
  }
}

// ---- [fold-cost] ---------------------------------------------------------------------------------------------

constexpr int FOLD_COST_EXACT = 16;  // key frames a cost measures exactly, largest bound first

struct FoldFrameBound {
  float bound;
  uint32_t frame;
};
static FoldFrameBound fold_bounds[FOLD_FRAMES + 1];

// Folds one frame's figures into *fig.
static void fold_figure_add(FoldFigure* fig, double units, int32_t units_bone, double degrees, int32_t degrees_bone,
                            uint32_t frame) {
  if (units > fig->units) {
    fig->units = units;
    fig->bone = units_bone;
    fig->frame = frame;
  }
  if (degrees > fig->degrees) {
    fig->degrees = degrees;
    if (fig->units == 0.0) {
      fig->bone = degrees_bone;
      fig->frame = frame;
    }
  }
}

// The worst move of the comparison built in fold_work.cmp over frames[0..n): the exact degrees at every
// frame, the exact units at the frames whose bound can still beat the largest found (largest bound
// first).
static void fold_measure_exact(FoldFigure* fig, int kept, int max_exact, void (*prepare)(double frame));

static void fold_measure(const uint32_t* frames, int n, FoldFigure* fig, void (*prepare)(double frame),
                         int max_exact) {
  FoldCompare& c = fold_work.cmp;
  *fig = FoldFigure{0.0, 0.0, -1, 0};
  int kept = 0;
  for (int i = 0; i < n && kept <= FOLD_FRAMES; i++) {
    if (prepare != nullptr) prepare(frames[i]);
    fold_compare_frame(&c, frames[i]);
    fold_figure_add(fig, 0.0, -1, c.degrees, c.degrees_bone, frames[i]);
    if (c.bound > 0.0) fold_bounds[kept++] = FoldFrameBound{(float)c.bound, frames[i]};
  }
  fold_measure_exact(fig, kept, max_exact, prepare);
}

// The exact units at the frames of fold_bounds[0..kept), largest bound first, while a bound can still
// beat what was found, at most max_exact frames.
static void fold_measure_exact(FoldFigure* fig, int kept, int max_exact, void (*prepare)(double frame)) {
  FoldCompare& c = fold_work.cmp;
  // Largest bound first (of equal bounds the earlier frame; frames differ, so the order is one). The
  // frames are taken off a heap one by one: the measure stops after a few as a rule, and a sort of them
  // all would cost more than the frames it measures.
  auto later = [](const FoldFrameBound& a, const FoldFrameBound& b) {
    return a.bound < b.bound || (a.bound == b.bound && a.frame > b.frame);
  };
  std::make_heap(fold_bounds, fold_bounds + kept, later);
  int heap = kept;
  for (int i = 0; i < max_exact && heap > 0; i++) {
    const FoldFrameBound next = fold_bounds[0];
    // The bound is stored as a float: let it settle a frame only when it is clearly below what was found.
    if ((double)next.bound * (1.0 + 1e-6) < fig->units) break;
    std::pop_heap(fold_bounds, fold_bounds + heap, later);
    heap--;
    if (prepare != nullptr) prepare(next.frame);
    fold_compare_frame(&c, next.frame);
    double units;
    int32_t bone;
    fold_compare_units(&c, fig->units, &units, &bone);
    fold_figure_add(fig, units, bone, 0.0, -1, next.frame);
  }
}

static uint32_t fold_frames_scratch[POSE_KEYS];

// The cost of dropping the keys of the bone of entry e.
static void fold_cost(FoldLack* lack, const FoldEntry& e) {
  FoldWork& w = fold_work;
  static PoseTrackRef dropped[POSE_SLOTS];
  std::memcpy(dropped, w.ta, sizeof(PoseTrackRef) * (size_t)w.sa.count);
  dropped[e.bone] = PoseTrackRef{nullptr, 0};
  fold_compare_sides(&w.cmp, PoseEval{&w.sa, w.ta, nullptr, nullptr, nullptr},
                     PoseEval{&w.sa, dropped, nullptr, nullptr, nullptr});
  w.cmp.compared = w.compared;
  lack->cost = FoldFigure{0.0, 0.0, -1, 0};
  if (!fold_compare_build(&w.cmp)) {
    lack->cost_state = FOLD_COST_IK;
    return;
  }
  lack->cost_state = FOLD_COST_MEASURED;
  const PoseTrackRef& t = w.ta[e.bone];
  FoldCompare& c = w.cmp;
  if (!(c.nf == 1 && c.front[0] == e.bone && w.sa.bone[e.bone].inherit < 0)) {
    for (int i = 0; i < t.count; i++) fold_frames_scratch[i] = t.keys[i].frame;
    fold_measure(fold_frames_scratch, t.count, &lack->cost, nullptr, FOLD_COST_EXACT);
    return;
  }
  // Only the bone itself differs: at a key's frame the bones below it turn by the key's turn, and move
  // by at most its translation plus the turn's chord at the farthest of them.
  FoldFigure* fig = &lack->cost;
  int kept = 0;
  uint32_t turned = 0;
  // As many key frames as fold_measure weighs: the bounds' table holds no more.
  for (int i = 0; i < t.count && kept <= FOLD_FRAMES; i++) {
    const PoseKey& k = t.keys[i];
    double theta = pose_qangle(PoseQuat{k.rot[0], k.rot[1], k.rot[2], k.rot[3]});
    double bound = std::sqrt((double)k.pos[0] * k.pos[0] + (double)k.pos[1] * k.pos[1] + (double)k.pos[2] * k.pos[2]) +
                   2.0 * std::sin(0.5 * theta) * c.reach[0];
    if (theta * POSE_DEGREES > fig->degrees) fig->degrees = theta * POSE_DEGREES, turned = k.frame;
    if (bound > 0.0) fold_bounds[kept++] = FoldFrameBound{(float)bound, k.frame};
  }
  fold_measure_exact(fig, kept, FOLD_COST_EXACT, nullptr);
  if (fig->units == 0.0 && fig->degrees > 0.0) {
    fold_compare_frame(&c, turned);
    fig->bone = c.degrees_bone;
    fig->frame = turned;
  }
}

// ---- [fold-step] ---------------------------------------------------------------------------------------------

// Takes the fold's bones out of sb: their children move up (under the bone a replacing fold's bone
// stood for), the bones inheriting from them get back the model's own inheritance (or none).
static void fold_take_out(int replaced) {
  FoldWork& w = fold_work;
  PoseSkeleton& s = w.sb;
  for (int k = 0; k < w.nremoved; k++) {
    int r = w.removed[k];
    for (int i = 0; i < s.count; i++) {
      PoseBone& b = s.bone[i];
      if (b.absent || i == r) continue;
      if (b.parent == r) {
        int p = w.mode == MODE_REPLACE && replaced >= 0 ? replaced : s.bone[r].parent;
        for (int guard = 0; p >= 0 && s.bone[p].absent && guard < s.count; guard++) p = s.bone[p].parent;
        b.parent = p;
      }
      if (b.inherit == r) {
        if (i < w.model->count) {
          const PoseBone& own = w.model->bone[i];
          b.inherit = own.inherit;
          b.inherit_weight = own.inherit_weight;
          const uint16_t mask = PMX_BONE_INHERITS_ROTATION | PMX_BONE_INHERITS_TRANSLATION;
          b.flags = (uint16_t)((b.flags & ~mask) | (own.flags & mask));
        } else {
          b.inherit = -1;
        }
      }
    }
  }
  for (int k = 0; k < w.nremoved; k++) {
    PoseBone& b = s.bone[w.removed[k]];
    b.absent = 1;
    b.parent = -1;
    b.inherit = -1;
  }
  pose_skeleton_order(&s);
}

enum : uint8_t { TB_WORLD = 1, TB_LOCAL = 2 };

// The lists the targets are evaluated with: on sa, the bones from each receiver's source up to a base
// (a bone both sides share, whose world pose cancels out: the receivers' parents on sb that are no
// receivers), with the inheritance sources they need; on sb, the receivers in order, the sources they
// need and the bases. Without a common base, both sides are evaluated from the roots.
static void fold_target_lists() {
  FoldWork& w = fold_work;
  static uint8_t base[POSE_SLOTS], mark[POSE_SLOTS], local[POSE_SLOTS];
  int n = w.sa.count;
  w.full_chains = false;
  for (int pass = 0; pass < 2; pass++) {
    std::memset(base, 0, sizeof base);
    std::memset(mark, 0, sizeof mark);
    bool ok = true;
    if (!w.full_chains) {
      for (int r = 0; r < w.nrecv; r++) {
        int p = w.sb.bone[w.recv[r]].parent;
        if (p >= 0 && !w.is_recv[p]) base[p] = 1;
      }
    }
    // sa: up from each source until a base (or a root).
    for (int r = 0; r < w.nrecv && ok; r++) {
      int b = w.src[r];
      for (int guard = 0; b >= 0 && !base[b] && guard <= n; guard++) {
        mark[b] = 1;
        b = w.sa.bone[b].parent;
      }
      // A walk that ends at a root while the receiver hangs from a base would mix frames.
      if (b < 0 && w.sb.bone[w.recv[r]].parent >= 0 && !w.is_recv[w.sb.bone[w.recv[r]].parent]) ok = false;
    }
    if (!ok && !w.full_chains) {
      w.full_chains = true;
      continue;
    }
    std::memcpy(local, mark, sizeof local);
    pose_skeleton_mark_sources(&w.sa, local, local);
    w.nta_worlds = pose_skeleton_list(&w.sa, mark, w.ta_worlds);
    w.nta_locals = pose_skeleton_list(&w.sa, local, w.ta_locals);
    w.nta_bases = pose_skeleton_list(&w.sa, base, w.ta_bases);
    for (int i = 0; i < n; i++) w.la_raw[i] = local[i] && w.sa.bone[i].inherit < 0;
    // A receiver whose local pose sa evaluates anyway, without an inherited translation: its key's
    // translation is already there.
    for (int r = 0; r < w.nrecv; r++) {
      const PoseBone& b = w.sa.bone[w.recv[r]];
      w.recv_on_a[r] = local[w.recv[r]] && !(b.inherit >= 0 && (b.flags & PMX_BONE_INHERITS_TRANSLATION));
    }
    // sb: the receivers and, from the roots, everything above them.
    std::memset(mark, 0, sizeof mark);
    for (int r = 0; r < w.nrecv; r++) mark[w.recv[r]] = 1;
    if (w.full_chains) pose_skeleton_mark_parents(&w.sb, mark, nullptr);
    std::memset(local, 0, sizeof local);
    pose_skeleton_mark_sources(&w.sb, mark, local);
    for (int i = 0; i < n; i++) local[i] = local[i] && !mark[i];  // the chain's own bones are no sources
    w.ntb_chain = pose_skeleton_list(&w.sb, mark, w.tb_chain);
    w.ntb_src = pose_skeleton_list(&w.sb, local, w.tb_src);
    w.ntb_bases = pose_skeleton_list(&w.sb, base, w.tb_bases);
    // What the chain reads of its own bones: a parent's world poses, a source's local pose.
    for (int i = 0; i < w.ntb_chain; i++) w.tb_needed[w.tb_chain[i]] = 0;
    for (int i = 0; i < w.ntb_chain; i++) {
      const PoseBone& b = w.sb.bone[w.tb_chain[i]];
      if (b.parent >= 0 && mark[b.parent]) w.tb_needed[b.parent] |= TB_WORLD;
      if (b.inherit >= 0 && mark[b.inherit]) w.tb_needed[b.inherit] |= TB_LOCAL;
    }
    return;
  }
}

// The receivers' keys at frame (translation and rotation, as a key holds them) into w.keys: the world
// pose each receiver must take (its source's on sa, moved to its own pivot), turned into the key that
// gives it on sb. A receiver that cannot translate keeps its own key's translation; w.exact gets the
// keys that give every receiver its pose whole (with any translation), which play the original.
static void fold_targets(double frame) {
  FoldWork& w = fold_work;
  PoseEval ea = {&w.sa, w.ta, nullptr, nullptr, w.hint_a};
  for (int k = 0; k < w.nta_bases; k++) w.wa[w.ta_bases[k]] = pose_xidentity();
  pose_locals(ea, w.ta_locals, w.nta_locals, frame, w.la);
  w.la_frame = frame;
  pose_worlds(ea, w.ta_worlds, w.nta_worlds, w.la, w.wa);
  PoseEval eb = {&w.sb, w.tb, nullptr, nullptr, w.hint_b};
  for (int k = 0; k < w.ntb_bases; k++) w.wb[w.tb_bases[k]] = w.wbx[w.tb_bases[k]] = pose_xidentity();
  pose_locals(eb, w.tb_src, w.ntb_src, frame, w.lb);
  static int recv_index[POSE_SLOTS];
  for (int r = 0; r < w.nrecv; r++) recv_index[w.recv[r]] = r;
  for (int i = 0; i < w.ntb_chain; i++) {
    int x = w.tb_chain[i];
    const PoseBone& b = w.sb.bone[x];
    PoseXf parent = b.parent >= 0 ? w.wb[b.parent] : pose_xidentity();
    PoseXf parent_x = b.parent >= 0 ? w.wbx[b.parent] : pose_xidentity();
    PoseVec offset = pose_skeleton_offset(&w.sb, x);
    PoseQuat inherited = pose_qidentity();
    PoseVec moved = {0.0, 0.0, 0.0};
    if (b.inherit >= 0) {
      if (b.flags & PMX_BONE_INHERITS_ROTATION) inherited = pose_qpow(w.lb[b.inherit].q, b.inherit_weight);
      if (b.flags & PMX_BONE_INHERITS_TRANSLATION) moved = pose_vscale(w.lb[b.inherit].p, b.inherit_weight);
    }
    PoseXf local_x;  // the local pose with the exact keys
    if (w.is_recv[x]) {
      int r = recv_index[x];
      const PoseXf& src = w.wa[w.src[r]];
      PoseXf target = {pose_xapply(src, pose_vsub(fold_rest(&w.sa, x), fold_rest(&w.sa, w.src[r]))), src.q};
      PoseXf local = pose_xmul(pose_xinverse(parent), target);
      PoseXf key;
      key.q = pose_qmul(local.q, pose_qconj(inherited));
      pose_qnormalize(&key.q);
      if (b.flags & PMX_BONE_TRANSLATES) {
        key.p = pose_vsub(pose_vsub(local.p, offset), moved);
      } else if (w.recv_on_a[r]) {
        key.p = w.la[x].p;
      } else {
        PoseQuat unused;
        pose_track_at(w.ta[x], frame, &key.p, &unused, &w.hint_a[x]);
      }
      w.keys[r] = key;
      if (w.tb_needed[x] & (TB_WORLD | TB_LOCAL)) w.lb[x] = PoseXf{pose_vadd(key.p, moved), pose_qmul(key.q, inherited)};
      PoseXf exact;
      if (std::memcmp(&parent, &parent_x, sizeof parent) == 0) {
        // Below the same pose (a base: most receivers) the exact keys turn as the written ones.
        local_x = local;
        exact.q = key.q;
      } else {
        local_x = pose_xmul(pose_xinverse(parent_x), target);
        exact.q = pose_qmul(local_x.q, pose_qconj(inherited));
        pose_qnormalize(&exact.q);
      }
      exact.p = pose_vsub(pose_vsub(local_x.p, offset), moved);
      w.exact[r] = exact;
    } else {
      PoseXf key;
      pose_track_at(w.tb[x], frame, &key.p, &key.q, &w.hint_b[x]);
      w.lb[x] = PoseXf{pose_vadd(key.p, moved), pose_qmul(key.q, inherited)};
      local_x = PoseXf{pose_vadd(offset, w.lb[x].p), w.lb[x].q};
    }
    // World poses only for the chain's parents (a receiver is its chain's last bone as a rule).
    if (w.tb_needed[x] & TB_WORLD) {
      w.wb[x] = pose_xmul(parent, PoseXf{pose_vadd(offset, w.lb[x].p), w.lb[x].q});
      w.wbx[x] = pose_xmul(parent_x, local_x);
    }
  }
}

// The receivers' keys of the frames a fold looks at, kept from the first time they are found (a fold
// weighs a frame again after every key it puts in nearby, and measures it once more at the end).
constexpr int FOLD_DENSE = 1 << 18;  // receiver-frames kept; a fold that needs more finds them again
struct FoldDense {
  float p[3], q[4];
};
static FoldDense fold_dense_keys[FOLD_DENSE], fold_dense_exact[FOLD_DENSE];
static uint8_t fold_dense_have[FOLD_DENSE];
static bool fold_dense_on;
static uint32_t fold_dense_first, fold_dense_stride;

static void fold_dense_start(uint32_t first, uint32_t last, uint32_t stride) {
  int64_t frames = ((int64_t)last - first) / stride + 1;
  fold_dense_on = frames * fold_work.nrecv <= FOLD_DENSE;
  fold_dense_first = first;
  fold_dense_stride = stride;
  if (fold_dense_on) std::memset(fold_dense_have, 0, (size_t)frames);
}

static FoldDense fold_dense_put(const PoseXf& x) {
  return {{(float)x.p.x, (float)x.p.y, (float)x.p.z}, {(float)x.q.x, (float)x.q.y, (float)x.q.z, (float)x.q.w}};
}
static PoseXf fold_dense_get(const FoldDense& d) {
  return {{d.p[0], d.p[1], d.p[2]}, {d.q[0], d.q[1], d.q[2], d.q[3]}};
}

enum : int { KEYS_WRITTEN = 1, KEYS_EXACT = 2 };

// The receivers' keys at frame into w.keys and w.exact (want: which of the two the caller reads, at
// least; both where they are found now). False when they were found now and kept: the next call gives
// them as kept (as floats), so they differ from these by the rounding; true when the next call gives the
// same again.
static bool fold_keys_at(double frame, int want) {
  FoldWork& w = fold_work;
  uint32_t f = (uint32_t)frame;
  bool kept = fold_dense_on && (double)f == frame && f >= fold_dense_first && (f - fold_dense_first) % fold_dense_stride == 0;
  int64_t at = kept ? (int64_t)((f - fold_dense_first) / fold_dense_stride) : 0;
  if (kept && fold_dense_have[at]) {
    if (want & KEYS_WRITTEN) {
      for (int r = 0; r < w.nrecv; r++) w.keys[r] = fold_dense_get(fold_dense_keys[at * w.nrecv + r]);
    }
    if (want & KEYS_EXACT) {
      for (int r = 0; r < w.nrecv; r++) w.exact[r] = fold_dense_get(fold_dense_exact[at * w.nrecv + r]);
    }
    return true;
  }
  fold_targets(frame);
  if (!kept) return true;
  for (int r = 0; r < w.nrecv; r++) {
    fold_dense_keys[at * w.nrecv + r] = fold_dense_put(w.keys[r]);
    fold_dense_exact[at * w.nrecv + r] = fold_dense_put(w.exact[r]);
  }
  fold_dense_have[at] = 1;
  return false;
}

static bool fold_same_curve(PoseBezier a, PoseBezier b) {
  return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

// The first key of a track at or after frame (t.count when none), by bisection.
static int fold_key_from(const PoseTrackRef& t, uint32_t frame) {
  int lo = 0, up = t.count;
  while (lo < up) {
    int mid = lo + (up - lo) / 2;
    if (t.keys[mid].frame < frame) lo = mid + 1;
    else up = mid;
  }
  return lo;
}

// fold_key_from, going on from *at where every key before it lies before frame (frames asked in order
// move it on by a key or two), else by bisection; *at becomes the answer.
static int fold_key_next(const PoseTrackRef& t, uint32_t frame, int32_t* at) {
  int i = *at;
  if (i < 0 || i > t.count || (i > 0 && t.keys[i - 1].frame >= frame)) {
    i = fold_key_from(t, frame);
  } else {
    while (i < t.count && t.keys[i].frame < frame) i++;
  }
  *at = i;
  return i;
}

static void fold_span_moves(int bone, uint32_t f0, uint32_t f1, FoldMove* m) {
  FoldWork& w = fold_work;
  const PoseTrackRef& t = w.ta[bone];
  for (double& v : m->moved) v = 0.0;
  if (t.count < 2) return;
  // The track's span holding (f0, f1]: its first key at or after f1, and the key before.
  int lo = fold_key_next(t, f1, &m->at);
  if (lo == 0 || lo == t.count) return;
  const PoseKey& a = t.keys[lo - 1];
  const PoseKey& b = t.keys[lo];
  PoseVec p0, p1;
  PoseQuat q0, q1;
  // The union's spans follow one another: where this one starts the last one asked ended, on the same
  // span of the track.
  if (m->end == &b && m->end_frame == f0) {
    p0 = m->end_p;
    q0 = m->end_q;
  } else {
    pose_span_at(a, b, f0, &p0, &q0);
  }
  // Inside the span, the targets of f1 played the same span at f1 (at its end the track's next span).
  if (f1 < b.frame && w.la_raw[bone] && w.la_frame == (double)f1) {
    p1 = w.la[bone].p;
    q1 = w.la[bone].q;
  } else {
    pose_span_at(a, b, f1, &p1, &q1);
  }
  m->end = &b;
  m->end_frame = f1;
  m->end_p = p1;
  m->end_q = q1;
  m->moved[CURVE_X] = std::fabs(p1.x - p0.x);
  m->moved[CURVE_Y] = std::fabs(p1.y - p0.y);
  m->moved[CURVE_Z] = std::fabs(p1.z - p0.z);
  m->moved[CURVE_R] = pose_qbetween(q0, q1);
  double fa = a.frame, fb = b.frame;
  PoseBezier bz[CURVE_CHANNELS];
  for (int c = 0; c < CURVE_CHANNELS; c++) {
    if (!(m->moved[c] > 0.0)) continue;
    bz[c] = curve_get(b.curve, c);
    // Channels often share one curve: its part is found once.
    int same = 0;
    while (same < c && !(m->moved[same] > 0.0 && fold_same_curve(bz[same], bz[c]))) same++;
    if (same < c) m->curve[c] = m->curve[same];
    else curve_part(bz[c], (f0 - fa) / (fb - fa), (f1 - fa) / (fb - fa), &m->curve[c]);
  }
}


// One receiver's key at U[i] (the union of the fold's frames), its values from w.keys. Its curves, per
// channel, are those of the track that moves that channel the most over the span before it (the folded
// bones' and its own); where only its own track moves, its own key's 64 bytes stay as they are.
static void fold_union_key(int r, const uint32_t* frames, int i, PoseKey* out) {
  FoldWork& w = fold_work;
  int x = w.recv[r];
  const PoseXf& k = w.keys[r];
  out->frame = frames[i];
  out->pos[0] = (float)k.p.x, out->pos[1] = (float)k.p.y, out->pos[2] = (float)k.p.z;
  out->rot[0] = (float)k.q.x, out->rot[1] = (float)k.q.y, out->rot[2] = (float)k.q.z, out->rot[3] = (float)k.q.w;
  const PoseTrackRef& own = w.ta[x];
  // Its own keys on this frame and on the union's frame before (the ends of the span).
  const PoseKey* mine = w.own_keyed[r] ? &own.keys[w.own_at[r]] : nullptr;
  bool mine_before = i > 0 && w.own_keyed_before[r];
  PoseBezier ch[CURVE_CHANNELS];
  int who[CURVE_CHANNELS] = {-1, -1, -1, -1};
  bool only_own = true;
  if (i > 0) {
    // The folded bones' moves were found once for the span (w.moves); the receiver's own here.
    FoldMove& mine_move = w.own_moves[r];
    fold_span_moves(x, frames[i - 1], frames[i], &mine_move);
    for (int c = 0; c < CURVE_CHANNELS; c++) {
      // The curve of the track that moves this channel the most; where several move it, their curves'
      // control points blended by how far each moves (a composed turn runs at a blend of their paces).
      double best = 1e-12, total = 0.0, blend[4] = {0, 0, 0, 0};
      for (int k2 = 0; k2 <= w.nremoved; k2++) {
        const FoldMove& mv = k2 < w.nremoved ? w.moves[k2] : mine_move;
        if (!(mv.moved[c] > 1e-12)) continue;
        const PoseBezier& b = mv.curve[c];
        blend[0] += mv.moved[c] * b.x1, blend[1] += mv.moved[c] * b.y1;
        blend[2] += mv.moved[c] * b.x2, blend[3] += mv.moved[c] * b.y2;
        total += mv.moved[c];
        if (mv.moved[c] > best) best = mv.moved[c], who[c] = k2, ch[c] = mv.curve[c];
      }
      if (who[c] >= 0 && total > best * (1.0 + 1e-9)) {
        ch[c] = PoseBezier{curve_round(blend[0] / total), curve_round(blend[1] / total), curve_round(blend[2] / total),
                           curve_round(blend[3] / total)};
      }
      if (who[c] >= 0 && who[c] != w.nremoved) only_own = false;
    }
  }
  // Where only its own track moves over a span that is one of its own, its key stays as it is.
  if (only_own && mine != nullptr && (mine_before || i == 0)) {
    std::memcpy(out->curve, mine->curve, POSE_CURVE_BYTES);
    return;
  }
  for (int c = 0; c < CURVE_CHANNELS; c++) {
    if (who[c] >= 0) continue;
    // A translation that only a turn moves takes the turn's curve; a channel nothing moves keeps its own.
    if (c != CURVE_R && who[CURVE_R] >= 0) ch[c] = ch[CURVE_R];
    else ch[c] = mine != nullptr ? curve_get(mine->curve, c) : POSE_LINEAR;
  }
  // The physics bytes (P1, P2) in effect: those of its last key at or before the frame, else 0.
  int last = w.own_keyed[r] ? w.own_at[r] : w.own_at[r] - 1;
  uint8_t p1 = last >= 0 ? own.keys[last].curve[2] : 0, p2 = last >= 0 ? own.keys[last].curve[3] : 0;
  curve_block(out->curve, ch, p1, p2);
}

// A receiver's written pose at frame inside the span (left, top]: left's values, then top's curves.
static PoseXf fold_written_at(const PoseKey& left, const PoseKey& top, double frame) {
  PoseXf x;
  pose_span_at(left, top, frame, &x.p, &x.q);
  return x;
}

// The keys of the fold in progress: slots of one key per receiver, in the pool, linked in frame order.
static PoseKey* fold_slots;
static int32_t fold_prev[FOLD_KEYS], fold_next[FOLD_KEYS];

static PoseKey* fold_slot(int32_t s) { return fold_slots + (int64_t)s * fold_work.nrecv; }

// The receivers as written at the frames of the span being weighed, kept from its first pass for its
// second (its frames measured exactly): written[(g - a - 1) * receivers + r], a the span's first frame.
constexpr int FOLD_WEIGH_WRITTEN = 4096;  // receiver-frames kept; a longer span finds them again
static PoseXf fold_weigh_written[FOLD_WEIGH_WRITTEN];

// Evaluates frame g of the span (left, right] (slots): the receivers as written against their exact
// keys. Returns a score no smaller than the worst move's share of what is allowed (above 1: maybe too
// far): its degrees exactly, its units by the bound. The written poses are found now (and kept at
// *keep, when given) or taken from *kept, when given. *same (may be null) is set when the keys at g
// will be the same at the next call (see fold_keys_at), so that the comparison made now stands for it.
static double fold_span_frame(int32_t left, int32_t right, double g, PoseXf* keep, const PoseXf* kept, bool* same) {
  FoldWork& w = fold_work;
  const PoseKey* l = fold_slot(left);
  const PoseKey* t = fold_slot(right);
  for (int r = 0; r < w.nrecv; r++) {
    PoseXf& x = w.written[w.recv[r]];
    x = kept != nullptr ? kept[r] : fold_written_at(l[r], t[r], g);
    if (keep != nullptr) keep[r] = x;
  }
  bool again = fold_keys_at(g, KEYS_WRITTEN);
  if (same != nullptr) *same = again;
  for (int r = 0; r < w.nrecv; r++) w.dense[w.recv[r]] = w.keys[r];
  fold_compare_frame(&w.cmp, g);
  return std::fmax(w.cmp.degrees / FOLD_DEGREES, w.cmp.bound / FOLD_UNITS);
}

// A span between two slots and its worst frame: score is the worst move's share of what is allowed.
struct FoldSpan {
  double score;
  int32_t left, right;
  uint32_t frame;
};
static FoldSpan fold_heap[FOLD_KEYS];
static int fold_heap_count;

static bool fold_span_less(const FoldSpan& a, const FoldSpan& b) {
  return a.score < b.score || (a.score == b.score && a.frame > b.frame);
}

static FoldFrameBound fold_weigh_bounds[FOLD_FRAMES + 1];
constexpr int FOLD_WEIGH_EXACT = 2;  // frames of a span measured exactly, highest bound first

// The worst frame strictly inside the span (left, right] (at the stride); put on the heap when it strays
// too far. Every frame's score is bounded first (its degrees exactly); the two frames of highest bound
// are then measured exactly: the bound ranks the frames nearly as their moves do, and measuring every
// frame whose bound passes would cost more than the rest of the fold together. What a fold leaves is
// measured afterwards at every frame all the same.
static void fold_span_weigh(int32_t left, int32_t right, uint32_t first, uint32_t stride) {
  FoldCompare& c = fold_work.cmp;
  int nrecv = fold_work.nrecv;
  uint32_t a = fold_slot(left)[0].frame, b = fold_slot(right)[0].frame;
  bool keeping = b - a - 1 <= (uint32_t)(FOLD_WEIGH_WRITTEN / nrecv);
  int n = 0;
  uint64_t last = 0;  // the frame the comparison holds, and whether it stands for a second pass
  bool last_same = false;
  for (uint64_t g = (uint64_t)a + 1; g < b && n <= FOLD_FRAMES; g++) {
    if ((g - first) % stride != 0) continue;
    PoseXf* keep = keeping ? fold_weigh_written + (g - a - 1) * nrecv : nullptr;
    double score = fold_span_frame(left, right, (double)g, keep, nullptr, &last_same);
    last = g;
    if (score > 1.0) fold_weigh_bounds[n++] = FoldFrameBound{(float)score, (uint32_t)g};
  }
  std::sort(fold_weigh_bounds, fold_weigh_bounds + n,
            [](const FoldFrameBound& p, const FoldFrameBound& q) { return p.bound > q.bound || (p.bound == q.bound && p.frame < q.frame); });
  FoldSpan worst = {1.0, left, right, 0};
  bool found = false;
  for (int i = 0; i < n && i < FOLD_WEIGH_EXACT && (double)fold_weigh_bounds[i].bound * (1.0 + 1e-6) > worst.score; i++) {
    uint32_t g = fold_weigh_bounds[i].frame;
    // Its keys are kept now: found again as kept, they may differ from those of the first pass by the
    // rounding, so the frame is compared again (its written poses as they were), unless the comparison
    // of the first pass stands.
    if (!(g == last && last_same)) {
      fold_span_frame(left, right, (double)g, nullptr, keeping ? fold_weigh_written + (g - a - 1) * nrecv : nullptr, nullptr);
      last = g;
      last_same = true;
    }
    double score = c.degrees / FOLD_DEGREES;
    // A turn too far settles it (the bound then ranks the span); otherwise the units are measured.
    if (score > 1.0) {
      score = std::fmax(score, (double)fold_weigh_bounds[i].bound);
    } else {
      double units;
      int32_t bone;
      fold_compare_units(&c, worst.score * FOLD_UNITS, &units, &bone);
      score = std::fmax(score, units / FOLD_UNITS);
    }
    if (score > worst.score) {
      worst.score = score;
      worst.frame = g;
      found = true;
    }
  }
  if (!found || fold_heap_count >= FOLD_KEYS) return;
  fold_heap[fold_heap_count++] = worst;
  std::push_heap(fold_heap, fold_heap + fold_heap_count, fold_span_less);
}

// Puts a key in at frame g of the span (left, right] as slot s: right's curves are split where g falls
// (by de Casteljau, so the motion before and after keeps its timing), the new key takes the first
// halves and the exact values at g, right keeps the second halves. Where a half's control points fall
// outside the unit square, the key goes in at that half's middle instead (while there is a frame
// between).
static void fold_put_key(int32_t left, int32_t right, int64_t g, int32_t s) {
  FoldWork& w = fold_work;
  static PoseBezier first[FOLD_RECEIVERS][CURVE_CHANNELS], second[FOLD_RECEIVERS][CURVE_CHANNELS];
  PoseKey* l = fold_slot(left);
  PoseKey* t = fold_slot(right);
  int64_t a = l[0].frame, b = t[0].frame;
  for (int attempt = 0; attempt < 32; attempt++) {
    double x = (double)(g - a) / (double)(b - a);
    int out = 0;
    for (int r = 0; r < w.nrecv; r++) {
      PoseBezier bz[CURVE_CHANNELS];
      for (int c = 0; c < CURVE_CHANNELS; c++) {
        bz[c] = curve_get(t[r].curve, c);
        // Channels often share one curve: it is split once.
        int same = 0;
        while (same < c && !fold_same_curve(bz[same], bz[c])) same++;
        if (same < c) {
          first[r][c] = first[r][same], second[r][c] = second[r][same];
          continue;
        }
        out |= curve_split(bz[c], x, &first[r][c], &second[r][c]);
      }
    }
    int64_t next = g;
    if (out & CURVE_FIRST_OUT) next = a + (g - a) / 2;
    else if (out & CURVE_SECOND_OUT) next = g + (b - g) / 2;
    if (next == g || next <= a || next >= b) break;
    g = next;
  }
  fold_keys_at((double)g, KEYS_WRITTEN);
  PoseKey* k = fold_slot(s);
  for (int r = 0; r < w.nrecv; r++) {
    const PoseXf& v = w.keys[r];
    k[r].frame = (uint32_t)g;
    k[r].pos[0] = (float)v.p.x, k[r].pos[1] = (float)v.p.y, k[r].pos[2] = (float)v.p.z;
    k[r].rot[0] = (float)v.q.x, k[r].rot[1] = (float)v.q.y, k[r].rot[2] = (float)v.q.z, k[r].rot[3] = (float)v.q.w;
    // The physics switch in effect between the two keys is the left one's.
    curve_block(k[r].curve, first[r], l[r].curve[2], l[r].curve[3]);
    curve_block(t[r].curve, second[r], t[r].curve[2], t[r].curve[3]);
  }
  fold_prev[s] = left;
  fold_next[s] = right;
  fold_next[left] = s;
  fold_prev[right] = s;
}

static uint32_t fold_union[FOLD_KEYS];
static uint32_t fold_frames[FOLD_FRAMES + 1];

// The union of the frames the fold's tracks are keyed on, into fold_union; its size, or -1 when it does
// not fit.
static int fold_union_frames() {
  FoldWork& w = fold_work;
  static uint32_t merged[FOLD_KEYS];
  int64_t total = 0;
  int n = 0;
  // Each track's frames rise (one key per frame): merged into the union one track after another.
  auto add = [&](const PoseTrackRef& t) {
    total += t.count;
    if (total > FOLD_KEYS) return false;
    int i = 0, j = 0, m = 0;
    while (i < n || j < t.count) {
      uint32_t f = j == t.count || (i < n && fold_union[i] <= t.keys[j].frame) ? fold_union[i] : t.keys[j].frame;
      if (i < n && fold_union[i] == f) i++;
      if (j < t.count && t.keys[j].frame == f) j++;
      if (m == 0 || merged[m - 1] != f) merged[m++] = f;
    }
    std::memcpy(fold_union, merged, sizeof(uint32_t) * (size_t)m);
    n = m;
    return true;
  };
  for (int k = 0; k < w.nremoved; k++) {
    if (!add(w.ta[w.removed[k]])) return -1;
  }
  for (int r = 0; r < w.nrecv; r++) {
    if (!add(w.ta[w.recv[r]])) return -1;
  }
  return n;
}

static uint8_t fold_quiet[FOLD_KEYS];  // per span (U[i - 1], U[i]] of the union: nothing to check


// The pose of bone's track (on sa) at frame: as the targets of that frame found it, where they did.
static PoseXf fold_track_pose(int bone, uint32_t frame) {
  FoldWork& w = fold_work;
  if (w.la_raw[bone] && w.la_frame == (double)frame) return w.la[bone];
  PoseXf x;
  pose_track_at(w.ta[bone], frame, &x.p, &x.q, nullptr);
  return x;
}

// Marks whether the union's span ending at U[i] is quiet, after the targets of U[i] were found, from
// what U[i - 1] left: the folded bones rest at both ends (so between, as no key of theirs lies
// between), and each receiver's own motion over the span is one of its own spans or does not move: its
// keys there are its own, played as they were, and match the exact ones.
static void fold_mark_quiet(int i) {
  FoldWork& w = fold_work;
  uint32_t f = fold_union[i];
  bool rest = true;
  for (int k = 0; k < w.nremoved && rest; k++) {
    PoseXf x = fold_track_pose(w.removed[k], f);
    rest = pose_vlen(x.p) < 1e-6 && pose_qangle(x.q) < 1e-7;
  }
  bool quiet = i > 0 && rest && w.rest_prev;
  // The receivers' poses matter only where the folded bones rest (here, and for the next span).
  for (int r = 0; r < w.nrecv && rest; r++) {
    PoseXf x = fold_track_pose(w.recv[r], f);
    const PoseXf& p = w.own_prev[r];
    if (quiet && !(w.own_keyed_before[r] && w.own_keyed[r])) {
      quiet = p.p.x == x.p.x && p.p.y == x.p.y && p.p.z == x.p.z && p.q.x == x.q.x && p.q.y == x.q.y && p.q.z == x.q.z &&
              p.q.w == x.q.w;
    }
    w.own_prev[r] = x;
  }
  w.rest_prev = rest;
  fold_quiet[i] = quiet;
}

static int fold_full(const char* why) {
  FoldPlan* plan = fold_work.plan;
  if (plan->result == FOLD_DONE) {
    plan->result = FOLD_FULL;
    std::snprintf(plan->reason, sizeof plan->reason, "%s", why);
  }
  return -1;
}

// The receivers of the removed bone r by its fold's mode, appended to w.recv; false when there are too many.
static bool fold_receivers_of(int r, FoldMode mode) {
  FoldWork& w = fold_work;
  const PoseSkeleton& s = w.sa;
  auto add = [&](int bone, int src) {
    for (int k = 0; k < w.nremoved; k++) {
      if (w.removed[k] == bone) return true;
    }
    for (int k = 0; k < w.nrecv; k++) {
      if (w.recv[k] == bone) return true;
    }
    if (w.nrecv >= FOLD_RECEIVERS) return false;
    w.recv[w.nrecv] = bone;
    w.src[w.nrecv] = src;
    w.nrecv++;
    return true;
  };
  bool ok = true;
  for (int i = 0; i < s.count && ok; i++) {
    if (s.bone[i].absent) continue;
    if (mode == MODE_PUSH && s.bone[i].parent == r) ok = add(i, i);
    if (mode == MODE_INHERIT && s.bone[i].inherit == r) ok = add(i, i);
  }
  if (mode == MODE_PULL && s.bone[r].parent >= 0) ok = add(s.bone[r].parent, r);
  if (mode == MODE_REPLACE && s.bone[r].inherit >= 0) ok = add(s.bone[r].inherit, r);
  return ok;
}

// Sets the receivers' exact keys at frame as side a's keys (the fold's measure).
static void fold_exact_at(double frame) {
  FoldWork& w = fold_work;
  fold_keys_at(frame, KEYS_EXACT);
  for (int r = 0; r < w.nrecv; r++) w.dense[w.recv[r]] = w.exact[r];
}

// One fold: the bone of entry ei (and its companions) taken out of the working skeleton, its keys
// folded into its receivers. Fills the lack's fold, receivers and error; the working skeleton and tracks
// become those after the fold. Nothing changes when it cannot fold.
static void fold_step(int ei) {
  FoldWork& w = fold_work;
  FoldPlan* plan = w.plan;
  FoldEntry& e = w.entry[ei];
  FoldLack& lack = plan->lack[ei];
  const FoldRule& rule = fold_rules[e.rule];
  w.mode = rule.mode;
  w.nremoved = 0;
  w.removed[w.nremoved++] = e.bone;
  for (int c : e.companion) {
    if (c >= 0 && !w.sa.bone[c].absent) w.removed[w.nremoved++] = c;
  }
  w.nrecv = 0;
  int replaced = -1;
  if (!fold_receivers_of(e.bone, rule.mode)) return (void)fold_full("a fold goes into more than 256 bones");
  if (rule.mode == MODE_REPLACE) replaced = w.sa.bone[e.bone].inherit;
  for (int k = 1; k < w.nremoved; k++) {
    FoldMode mode = w.sa.bone[w.removed[k]].inherit == e.bone && e.rule == R_SHOULDER_P ? MODE_PUSH : MODE_NONE;
    if (!fold_receivers_of(w.removed[k], mode)) return (void)fold_full("a fold goes into more than 256 bones");
  }
  if (w.nrecv == 0) return;
  for (int r = 0; r < w.nrecv; r++) {
    if (w.recv[r] >= w.model->count) return;  // it would go into a bone the model lacks
    // A key names its bone in 15 bytes: a bone of a longer name takes no keys.
    const PoseBone& b = w.model->bone[w.recv[r]];
    if (b.long_name || std::strlen(b.name) >= (size_t)POSE_TRACK_NAME) return;
  }

  pose_skeleton_copy(&w.sb, &w.sa);
  fold_take_out(replaced);
  if (w.sb.count == 0) return;
  std::memcpy(w.tb, w.ta, sizeof(PoseTrackRef) * (size_t)w.sa.count);
  std::memset(w.is_recv, 0, sizeof w.is_recv);
  for (int r = 0; r < w.nrecv; r++) w.is_recv[w.recv[r]] = 1;
  for (int i = 0; i < w.sa.count; i++) w.step_compared[i] = w.compared[i] && !w.is_recv[i];
  fold_target_lists();
  for (int i = 0; i < w.sa.count; i++) w.hint_a[i] = w.hint_b[i] = -1;
  w.la_frame = -1.0;

  int n = fold_union_frames();
  if (n <= 0) return (void)(n < 0 ? fold_full("a fold's tracks hold more than 262,144 keys") : 0);
  int64_t cap = 3 * (int64_t)n, budget = 2 * (int64_t)n;
  int64_t base = plan->key_count;
  if (base + 2 * (int64_t)w.nrecv * cap > FOLD_KEYS) return (void)fold_full("the folds' new keys exceed 262,144");
  fold_slots = plan->key + base;
  uint32_t stride = (uint32_t)((fold_union[n - 1] - fold_union[0]) / FOLD_FRAMES + 1);
  fold_dense_start(fold_union[0], fold_union[n - 1], stride);

  // The span check compares the receivers as written with their exact keys.
  std::memset(w.over, 0, sizeof w.over);
  for (int r = 0; r < w.nrecv; r++) w.over[w.recv[r]] = 1;
  fold_compare_sides(&w.cmp, PoseEval{&w.sb, w.tb, w.dense, w.over, nullptr},
                     PoseEval{&w.sb, w.tb, w.written, w.over, nullptr});
  w.cmp.compared = w.step_compared;
  bool checking = fold_compare_build(&w.cmp);
  if (checking) fold_compare_cache(&w.cmp, fold_union[0], fold_union[n - 1], stride);

  // A key at each frame of the union; then, worst span first, keys where the written keys stray, up to
  // twice as many again.
  for (int k = 0; k < w.nremoved; k++) w.moves[k].end = nullptr, w.moves[k].at = 0;
  for (int r = 0; r < w.nrecv; r++) {
    w.own_moves[r].end = nullptr;
    w.own_moves[r].at = w.own_at[r] = 0;
    w.own_keyed[r] = 0;
  }
  for (int i = 0; i < n; i++) {
    for (int r = 0; r < w.nrecv; r++) {
      const PoseTrackRef& own = w.ta[w.recv[r]];
      int k = fold_key_next(own, fold_union[i], &w.own_at[r]);
      w.own_keyed_before[r] = w.own_keyed[r];
      w.own_keyed[r] = k < own.count && own.keys[k].frame == fold_union[i];
    }
    fold_keys_at(fold_union[i], KEYS_WRITTEN);
    fold_mark_quiet(i);
    for (int k = 0; k < w.nremoved && i > 0; k++) fold_span_moves(w.removed[k], fold_union[i - 1], fold_union[i], &w.moves[k]);
    for (int r = 0; r < w.nrecv; r++) fold_union_key(r, fold_union, i, &fold_slot(i)[r]);
    fold_prev[i] = i - 1;
    fold_next[i] = i + 1 < n ? i + 1 : -1;
  }
  int32_t slots = n;
  fold_heap_count = 0;
  if (checking) {
    for (int i = 1; i < n; i++) {
      if (!fold_quiet[i]) fold_span_weigh(i - 1, i, fold_union[0], stride);
    }
  }
  while (fold_heap_count > 0 && slots - n < budget) {
    std::pop_heap(fold_heap, fold_heap + fold_heap_count, fold_span_less);
    FoldSpan span = fold_heap[--fold_heap_count];
    if (fold_next[span.left] != span.right) continue;  // split since it was weighed
    int32_t s = slots++;
    fold_put_key(span.left, span.right, span.frame, s);
    fold_span_weigh(span.left, s, fold_union[0], stride);
    fold_span_weigh(s, span.right, fold_union[0], stride);
  }
  // The receivers' tracks, in frame order, side by side in the pool.
  PoseKey* out = plan->key + base + (int64_t)w.nrecv * cap;
  int64_t k = 0;
  for (int32_t j = 0; j >= 0; j = fold_next[j], k++) {
    for (int r = 0; r < w.nrecv; r++) out[r * (int64_t)slots + k] = fold_slot(j)[r];
  }
  std::memmove(plan->key + base, out, sizeof(PoseKey) * (size_t)(w.nrecv * (int64_t)slots));
  for (int r = 0; r < w.nrecv; r++) w.tb[w.recv[r]] = PoseTrackRef{plan->key + base + r * (int64_t)slots, slots};
  plan->key_count = (int32_t)(base + w.nrecv * (int64_t)slots);

  // What the fold leaves, on the keys as written, at every frame from its first key to its last. Where
  // the receivers' subtrees hold everything the fold moves (no receiver has other children than the bone
  // folded into it, nothing inherits from a receiver), the receivers set to their exact keys play the
  // original: the copy is compared with that; otherwise with the original itself.
  bool subtrees = fold_dense_on && (w.mode == MODE_PUSH || w.mode == MODE_INHERIT || w.mode == MODE_PULL);
  for (int i = 0; i < w.sa.count && subtrees; i++) {
    const PoseBone& b = w.sa.bone[i];
    if (b.absent) continue;
    if (b.inherit >= 0 && w.is_recv[b.inherit]) subtrees = false;
    if (w.mode == MODE_PULL && b.parent == w.recv[0] && i != e.bone) subtrees = false;
  }
  bool measuring;
  lack.error = FoldFigure{0.0, 0.0, -1, 0};
  if (subtrees && checking) {
    // The same frontier and zones as the check: what it kept of the zones serves again.
    fold_compare_sides(&w.cmp, PoseEval{&w.sb, w.tb, w.dense, w.over, nullptr},
                       PoseEval{&w.sb, w.tb, nullptr, nullptr, nullptr});
    measuring = true;
  } else {
    if (subtrees) {
      fold_compare_sides(&w.cmp, PoseEval{&w.sb, w.tb, w.dense, w.over, nullptr},
                         PoseEval{&w.sb, w.tb, nullptr, nullptr, nullptr});
    } else {
      fold_compare_sides(&w.cmp, PoseEval{&w.sa, w.ta, nullptr, nullptr, nullptr},
                         PoseEval{&w.sb, w.tb, nullptr, nullptr, nullptr});
    }
    w.cmp.compared = w.step_compared;
    measuring = fold_compare_build(&w.cmp);
  }
  if (measuring) {
    // Every frame but those inside quiet spans, where the copy plays as the original.
    int nf = 0, span = 0;
    for (uint64_t f = fold_union[0]; f <= fold_union[n - 1] && nf <= FOLD_FRAMES; f += stride) {
      while (span + 1 < n && fold_union[span + 1] < f) span++;
      bool inside = span + 1 < n && fold_union[span] < f && f < fold_union[span + 1] && fold_quiet[span + 1];
      if (!inside) fold_frames[nf++] = (uint32_t)f;
    }
    fold_measure(fold_frames, nf, &lack.error, subtrees ? fold_exact_at : nullptr, FOLD_FRAMES + 1);
  }
  lack.kind = rule.kind;
  lack.into_count = w.nrecv;
  for (int r = 0; r < w.nrecv && r < FOLD_INTO; r++) lack.into[r] = w.recv[r];
  pose_skeleton_copy(&w.sa, &w.sb);
  std::memcpy(w.ta, w.tb, sizeof(PoseTrackRef) * (size_t)w.sa.count);
}

// ---- [fold-plan] ---------------------------------------------------------------------------------------------

static int fold_refuse(FoldPlan* plan, const char* why) {
  plan->result = FOLD_HOSTILE;
  std::snprintf(plan->reason, sizeof plan->reason, "%s", why);
  return FOLD_HOSTILE;
}

// Lists the motion's lacking bones: names the model lacks, keyed away from rest, semi-standard or 両目;
// into lack[0..*count) (the working entries beside them); those beyond FOLD_LACKS are left out.
static void fold_find_lacks(FoldLack* lack, int* count) {
  FoldWork& w = fold_work;
  const PoseMotion* m = w.motion;
  for (int t = 0; t < m->track_count; t++) {
    const char* name = m->track[t].name;
    if (pose_skeleton_find(w.model, name) >= 0 || !pose_track_moves(m, t)) continue;
    int rule = -1, side = 0;
    AdviceClass cls;
    if (fold_rule_of(name, &rule, &side)) {
      cls = fold_rules[rule].name == N_EYES ? CLASS_STANDARD : CLASS_SEMI_STANDARD;
    } else {
      rule = -1;
      cls = rig_bone_class(name);
      if (cls != CLASS_SEMI_STANDARD) continue;
    }
    if (*count >= FOLD_LACKS) continue;
    FoldLack& l = lack[*count];
    std::memset(&l, 0, sizeof l);
    std::memcpy(l.name, name, POSE_TRACK_NAME);
    l.cls = cls;
    l.cost_state = FOLD_COST_NO_PLACE;
    l.kind = FOLD_NONE;
    l.cost = l.error = FoldFigure{0.0, 0.0, -1, 0};
    w.entry[*count] = FoldEntry{rule, side, t, -1, {-1, -1}};
    (*count)++;
  }
}

// Puts back every lacking bone that has an assumed position, in the order that lets each find the bones
// it sits between; binds the working skeleton to the motion. False when the skeleton cannot be ordered.
static bool fold_place_all(int lack_count) {
  FoldWork& w = fold_work;
  for (int rule : fold_place_order) {
    for (int i = 0; i < lack_count; i++) {
      FoldEntry& e = w.entry[i];
      if (e.rule != rule) continue;
      int there = fold_find(fold_rules[rule].name, e.side);
      // Put back already (a companion, or another spelling of the same bone), or the model has it under
      // another spelling: not placed again.
      if (there >= 0) {
        bool companion = false;
        for (int j = 0; j < lack_count; j++) {
          for (int c : w.entry[j].companion) companion = companion || (c == there && j != i);
        }
        if (companion) e.bone = there;
        continue;
      }
      e.bone = fold_place(&e);
    }
  }
  if (pose_skeleton_order(&w.sa) != POSE_DONE) return false;
  pose_bind(&w.sa, w.motion, w.ta);
  for (int i = 0; i < lack_count; i++) {
    FoldEntry& e = w.entry[i];
    if (e.bone < 0) continue;
    const PoseTrack& t = w.motion->track[e.track];
    w.ta[e.bone] = PoseTrackRef{w.motion->key + t.first, t.count};
    for (int k = 0; k < 2; k++) {
      int c = e.companion[k];
      if (c < 0 || w.ta[c].count > 0) continue;
      // 腰's companions are the two 腰キャンセル (left, right); 肩P's is 肩C of its own side.
      int ct = e.rule == R_WAIST ? fold_track_of(N_WAIST_CANCEL, k) : fold_track_of(N_SHOULDER_C, e.side);
      if (ct >= 0) w.ta[c] = PoseTrackRef{w.motion->key + w.motion->track[ct].first, w.motion->track[ct].count};
    }
  }
  return true;
}

// The removed names and rewritten tracks of the plan, what each removed name writes where it first
// stands, and the copy's bone key count.
static void fold_finish(const PoseTrackRef* original) {
  FoldWork& w = fold_work;
  FoldPlan* plan = w.plan;
  const PoseMotion* m = w.motion;
  static int16_t track_of_bone[POSE_SLOTS];
  plan->track_count = 0;
  for (int x = 0; x < w.model->count; x++) {
    track_of_bone[x] = -1;
    if (w.ta[x].keys == original[x].keys && w.ta[x].count == original[x].count) continue;
    if (plan->track_count >= FOLD_TRACKS) {
      fold_full("the folds rewrite more than 128 tracks");
      return;
    }
    FoldTrack& t = plan->track[plan->track_count];
    std::memset(t.name, 0, sizeof t.name);
    std::snprintf(t.name, sizeof t.name, "%s", w.model->bone[x].name);
    t.bone = x;
    t.first = (int32_t)(w.ta[x].keys - plan->key);
    t.count = w.ta[x].count;
    track_of_bone[x] = (int16_t)plan->track_count++;
  }
  plan->removed_count = 0;
  auto remove = [&](const char* name) -> int {
    for (int i = 0; i < plan->removed_count; i++) {
      if (std::strcmp(plan->removed[i], name) == 0) return i;
    }
    int i = plan->removed_count++;
    std::memset(plan->removed[i], 0, POSE_TRACK_NAME);
    std::snprintf(plan->removed[i], POSE_TRACK_NAME, "%s", name);
    plan->removed_emit_count[i] = 0;
    return i;
  };
  auto emit = [&](int i, int track) {
    if (track < 0 || plan->removed_emit_count[i] >= FOLD_INTO) return;
    for (int k = 0; k < plan->removed_emit_count[i]; k++) {
      if (plan->removed_emit[i][k] == track) return;
    }
    plan->removed_emit[i][plan->removed_emit_count[i]++] = (int16_t)track;
  };
  for (int t = 0; t < plan->track_count; t++) emit(remove(plan->track[t].name), t);
  for (int i = 0; i < plan->lack_count; i++) {
    const FoldLack& l = plan->lack[i];
    if (l.kind == FOLD_NONE) continue;
    int at = remove(l.name);
    for (int r = 0; r < l.into_count && r < FOLD_INTO; r++) emit(at, track_of_bone[l.into[r]]);
    for (int c : w.entry[i].companion) {
      if (c < 0 || !w.sa.bone[c].absent || original[c].count == 0) continue;
      // A companion taken out with its bone: its keys go too.
      for (int t = 0; t < m->track_count; t++) {
        if (m->key + m->track[t].first == original[c].keys) emit(remove(m->track[t].name), track_of_bone[l.into[0]]);
      }
    }
  }
  int64_t keys = m->file_bone_keys;
  for (int i = 0; i < plan->removed_count; i++) {
    int t = pose_motion_track(m, plan->removed[i]);
    if (t >= 0) keys -= m->track[t].file_keys;
  }
  for (int t = 0; t < plan->track_count; t++) keys += plan->track[t].count;
  plan->bone_keys = keys;
}

int fold_plan(FoldPlan* plan, const PoseSkeleton* s, const PoseMotion* m, bool fold) {
  FoldWork& w = fold_work;
  plan->result = FOLD_DONE;
  plan->reason[0] = 0;
  plan->lack_count = 0;
  plan->track_count = plan->removed_count = 0;
  plan->key_count = 0;
  plan->bone_keys = m->file_bone_keys;
  if (s->count <= 0) return fold_refuse(plan, s->reason[0] != 0 ? s->reason : "the model has no skeleton");
  if (m->reason[0] != 0) return fold_refuse(plan, m->reason);
  if (s->count > POSE_BONES || s->count != s->model_count) return fold_refuse(plan, "the skeleton holds put-back bones");
  w.model = s;
  w.motion = m;
  w.plan = plan;
  w.model_keys_made = false;
  fold_compare_forget();
  fold_find_lacks(plan->lack, &plan->lack_count);
  if (plan->lack_count == 0) return FOLD_DONE;

  pose_skeleton_copy(&w.sa, s);
  for (int i = 0; i < s->count; i++) w.compared[i] = !s->bone[i].ik_moved;
  for (int i = s->count; i < POSE_SLOTS; i++) w.compared[i] = 0;
  if (!fold_place_all(plan->lack_count)) return fold_refuse(plan, "the bones put back make a cycle");
  for (int i = 0; i < plan->lack_count; i++) {
    const FoldEntry& e = w.entry[i];
    plan->lack[i].foldable = e.rule >= 0 && fold_rules[e.rule].kind != FOLD_NONE && e.bone >= 0;
    if (e.bone >= 0) fold_cost(&plan->lack[i], e);
  }
  if (!fold) return FOLD_DONE;

  static PoseTrackRef original[POSE_SLOTS];
  std::memcpy(original, w.ta, sizeof(PoseTrackRef) * (size_t)w.sa.count);
  for (int rule = 0; rule < R_RULES && plan->result == FOLD_DONE; rule++) {
    if (fold_rules[rule].mode == MODE_NONE) continue;
    for (int i = 0; i < plan->lack_count && plan->result == FOLD_DONE; i++) {
      FoldEntry& e = w.entry[i];
      if (e.rule == rule && e.bone >= 0 && !w.sa.bone[e.bone].absent) fold_step(i);
    }
  }
  if (plan->result == FOLD_DONE) fold_finish(original);
  if (plan->result != FOLD_DONE) {
    // A bound was reached: the costs stand, no fold does.
    for (int i = 0; i < plan->lack_count; i++) {
      plan->lack[i].kind = FOLD_NONE;
      plan->lack[i].into_count = 0;
      plan->lack[i].error = FoldFigure{0.0, 0.0, -1, 0};
    }
    plan->track_count = plan->removed_count = 0;
    plan->key_count = 0;
    plan->bone_keys = m->file_bone_keys;
  }
  return plan->result;
}

int fold_put_back(PoseSkeleton* out, const PoseSkeleton* s, const PoseMotion* m) {
  static FoldLack lack[FOLD_LACKS];
  FoldWork& w = fold_work;
  if (s->count <= 0 || m->reason[0] != 0 || s->count != s->model_count) return FOLD_HOSTILE;
  w.model = s;
  w.motion = m;
  w.model_keys_made = false;
  int count = 0;
  fold_find_lacks(lack, &count);
  pose_skeleton_copy(&w.sa, s);
  if (!fold_place_all(count)) return FOLD_HOSTILE;
  pose_skeleton_copy(out, &w.sa);
  return FOLD_DONE;
}
