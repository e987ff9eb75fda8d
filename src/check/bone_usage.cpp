// bone_usage.cpp: the bone usage records, updated key by key while the motion is read: key count,
// frame range, whether the bone moves, largest offset, largest rotation and the largest twist of the
// arm and twist bones.
//
// Record: bone_usage, one record per entry of the bone list, entries 1 to 8191 (entry 0 unused); keys
// that resolve to a higher entry are not counted. Written by bone_usage_reset, bone_usage_gathered and
// bone_usage_twist (the motion reader, a run of keys at a time) and bone_usage_finish, or by
// bone_usage_add; read by the bone listing.
// Statistics are 32-bit floats, computed in single precision as the motion stores them: a record keeps
// squares, whose largest's square root is taken once, and the bound a twist must pass to beat the
// largest so far, so that a key costs no square root (but an arm key that may beat a twist).
#include "check/usage.h"

#include <cmath>
#include <cstring>
#include <limits>

static BoneUsage bone_usage[BONE_RECORDS];

static const BoneUsage BONE_INITIAL = {0, 999999, -1, 0, 0.0f, 0.0f, 0.0f, -1, 0.0f, -1, 0.0f, 0.0f, 0.0f, 0.0f};

// ---- Names of the bones with a twist ---------------------------------------------------------------------

// Shift-JIS spellings: 左腕捩 左手捩 右腕捩 右手捩 (twist bones), 左腕 左ひじ 右腕 右ひじ (arm bones).
static const char* const TWIST_BONES[4] = {"\x8D\xB6\x98\x72\x9D\x80", "\x8D\xB6\x8E\xE8\x9D\x80",
                                           "\x89\x45\x98\x72\x9D\x80", "\x89\x45\x8E\xE8\x9D\x80"};
static const char* const ARM_BONES[4] = {"\x8D\xB6\x98\x72", "\x8D\xB6\x82\xD0\x82\xB6", "\x89\x45\x98\x72",
                                         "\x89\x45\x82\xD0\x82\xB6"};
// The arm bones' fixed twist axes, in the order of ARM_BONES.
static const float ARM_AXES[4][3] = {{0.819742f, -0.572734f, 0.0f},
                                     {0.759228f, -0.650821f, -0.00236674f},
                                     {0.819742f, 0.572734f, 0.0f},
                                     {0.759228f, 0.650821f, 0.00236674f}};

// Index of name among four of these names, or -1. They are all 4 or 6 bytes long and differ in their
// third byte from most names of their side, so most names are turned away before a comparison: this
// runs for every key of a bone whose name begins with 左 or 右.
static int bone_index_of(const char* const* names, const char* name) {
  // Every name of the tables is 4 or 6 bytes long.
  if (name[0] == 0 || name[1] == 0 || name[2] == 0 || name[3] == 0) return -1;
  if (name[4] != 0 && (name[5] == 0 || name[6] != 0)) return -1;
  for (int i = 0; i < 4; i++) {
    if (names[i][2] == name[2] && std::strcmp(names[i], name) == 0) return i;
  }
  return -1;
}

// ---- Records ------------------------------------------------------------------------------------------------

// Records past this one have not been written since they were last reset (all of them at first): a
// reset for every file of a library then costs what the file touched, not the whole table.
static int bone_usage_touched = BONE_RECORDS;

void bone_usage_reset() {
  for (int i = 0; i < bone_usage_touched; i++) bone_usage[i] = BONE_INITIAL;
  bone_usage_touched = 0;
}

// The twist of rotation q about the unit axis a: the vector part's component along the axis with w,
// normalised; made canonical (w not negative). Returns false for the identity.
static bool bone_twist_about(const float q[4], const float a[3], float out[4]) {
  float d = q[0] * a[0] + q[1] * a[1] + q[2] * a[2];
  float t[4] = {d * a[0], d * a[1], d * a[2], q[3]};
  float len = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2] + t[3] * t[3]);
  if (len < 1e-6f) return false;
  for (int i = 0; i < 4; i++) out[i] = t[i] / len;
  if (out[3] < 0.0f) {
    for (int i = 0; i < 4; i++) out[i] = -out[i];
  }
  return true;
}

// The largest squared magnitude whose square root does not exceed m: a twist beats a largest twist m
// exactly when its squared magnitude is above it (the square root is rounded, and so is m * m, so the
// bound is found by stepping from m * m to its neighbours). m is 0 or more, or infinite.
static float bone_beat(float m) {
  const float inf = std::numeric_limits<float>::infinity();
  float c = m * m;
  while (c > 0.0f && std::sqrt(c) > m) c = std::nextafter(c, 0.0f);
  while (c < inf && std::sqrt(std::nextafter(c, inf)) <= m) c = std::nextafter(c, inf);
  return c;
}

// The arm bones' twist axes of unit length, and their squared lengths as they came out, made once as
// the key-by-key twist made them for every key.
struct BoneArmAxis {
  float a[3];
  double length_sq;
};
static const BoneArmAxis* bone_arm_axes() {
  static BoneArmAxis axes[4];
  static bool made = false;
  if (!made) {
    for (int arm = 0; arm < 4; arm++) {
      const float* axis = ARM_AXES[arm];
      float alen = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
      axes[arm].length_sq = 0.0;
      for (int i = 0; i < 3; i++) {
        axes[arm].a[i] = axis[i] / alen;
        axes[arm].length_sq += (double)axes[arm].a[i] * axes[arm].a[i];
      }
    }
    made = true;
  }
  return axes;
}

bool bone_usage_target(BoneTarget* t, int entry, const char* name) {
  t->record = nullptr;
  t->twist = BONE_NO_TWIST;
  t->arm = -1;
  if (entry < 1 || entry >= BONE_RECORDS) return false;
  if (entry >= bone_usage_touched) bone_usage_touched = entry + 1;
  t->record = &bone_usage[entry];
  // Every twist and arm bone begins with 左 (0x8D 0xB6) or 右 (0x89 0x45): a cheap test for all others.
  unsigned char first = (unsigned char)name[0];
  if (first == 0x8D || first == 0x89) {
    if (bone_index_of(TWIST_BONES, name) >= 0) t->twist = BONE_TWIST_BONE;
    else if ((t->arm = bone_index_of(ARM_BONES, name)) >= 0) t->twist = BONE_ARM_BONE;
  }
  return true;
}

// An arm key's twist estimated from the same d as the exact one (in double) is within a few parts in a
// million of it: when the estimate falls short of the lesser bound by more than a part in a hundred
// thousand, the key beats neither side, and the exact twist (two square roots, five divisions) is not
// made. Below 1e-30 the float underflows of the exact twist make that unsure: every key is made exactly.
static bool bone_arm_may_beat(const BoneUsage& r, float d, double length_sq, float w) {
  float least = r.beat_pos < r.beat_neg ? r.beat_pos : r.beat_neg;
  if (least < 1e-30f) return true;
  double along = (double)d * d * length_sq;
  return along >= (double)least * (1.0 - 1e-5) * (along + (double)w * w);
}

void bone_usage_twist(const BoneTarget& t, int32_t frame, float qx, float qy, float qz, float qw, float rotation_sq) {
  BoneUsage& r = *t.record;
  float q[4] = {qx, qy, qz, qw};
  if (q[3] < 0.0f) {
    for (int i = 0; i < 4; i++) q[i] = -q[i];
  }
  float twist[4];
  float magnitude_sq;
  if (t.twist == BONE_TWIST_BONE) {
    // The whole rotation: its squared magnitude is the rotation's, whatever its sign.
    twist[0] = q[0];
    magnitude_sq = rotation_sq;
  } else {
    const BoneArmAxis& axis = bone_arm_axes()[t.arm];
    float d = q[0] * axis.a[0] + q[1] * axis.a[1] + q[2] * axis.a[2];
    if (!bone_arm_may_beat(r, d, axis.length_sq, q[3])) return;
    if (!bone_twist_about(q, axis.a, twist)) return;  // the identity: no twist, which beats nothing
    magnitude_sq = twist[0] * twist[0] + twist[1] * twist[1] + twist[2] * twist[2];
  }
  if (!(twist[0] < 0.0f)) {
    if (magnitude_sq > r.beat_pos) {
      r.twist_pos = std::sqrt(magnitude_sq);
      r.twist_pos_frame = frame;
      r.beat_pos = bone_beat(r.twist_pos);
    }
  } else if (magnitude_sq > r.beat_neg) {
    r.twist_neg = std::sqrt(magnitude_sq);
    r.twist_neg_frame = frame;
    r.beat_neg = bone_beat(r.twist_neg);
  }
}

void bone_usage_gathered(const BoneTarget& t, const BoneGather& g) {
  BoneUsage& r = *t.record;
  r.key_count += g.keys;
  if (g.first_frame < r.first_frame) r.first_frame = g.first_frame;
  if (g.last_frame > r.last_frame) r.last_frame = g.last_frame;
  if (g.moves) r.moves = USAGE_SET;
  if (g.offset_sq > r.offset_sq) r.offset_sq = g.offset_sq;
  if (g.rotation_sq > r.rotation_sq) r.rotation_sq = g.rotation_sq;
}

// The lengths of one record from its squares.
static void bone_usage_lengths(BoneUsage& r) {
  r.max_offset = std::sqrt(r.offset_sq);
  r.max_rotation = std::sqrt(r.rotation_sq);
}

void bone_usage_finish() {
  for (int i = 1; i < bone_usage_touched; i++) bone_usage_lengths(bone_usage[i]);
}

void bone_usage_add(int entry, const BoneKey& key) {
  BoneTarget t;
  if (!bone_usage_target(&t, entry, key.name)) return;
  BoneGather g = BONE_GATHER_NONE;
  float rotation_sq = bone_usage_gather(g, key.frame, key.px, key.py, key.pz, key.qx, key.qy, key.qz);
  bone_usage_gathered(t, g);
  if (t.twist != BONE_NO_TWIST) bone_usage_twist(t, key.frame, key.qx, key.qy, key.qz, key.qw, rotation_sq);
  bone_usage_lengths(*t.record);
}

BoneTwistKind bone_twist_kind(const char* name) {
  if (bone_index_of(TWIST_BONES, name) >= 0) return BONE_TWIST_BONE;
  if (bone_index_of(ARM_BONES, name) >= 0) return BONE_ARM_BONE;
  return BONE_NO_TWIST;
}

static const BoneUsage& bone_record(int entry) {
  return entry >= 1 && entry < BONE_RECORDS ? bone_usage[entry] : BONE_INITIAL;
}

const BoneUsage* bone_usage_view(int entry) { return &bone_record(entry); }
