// bone_usage.cpp: the bone usage records, updated key by key while the motion is read: key count,
// frame range, whether the bone moves, largest offset, largest rotation and the largest twist of the
// arm and twist bones.
//
// Record: bone_usage, one record per entry of the bone list, entries 1 to 8191 (entry 0 unused); keys
// that resolve to a higher entry are not counted. Written by bone_usage_reset/bone_usage_add (the
// motion reader), read by the bone listing.
// Statistics are 32-bit floats, computed in single precision as the motion stores them.
#include "check/usage.h"

#include <cmath>
#include <cstring>

static BoneUsage bone_usage[BONE_RECORDS];

static const BoneUsage BONE_INITIAL = {0, 999999, -1, 0, 0.0f, 0.0f, 0.0f, -1, 0.0f, -1};

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

static void bone_twist(BoneUsage& r, const BoneKey& key) {
  // Every twist and arm bone begins with 左 (0x8D 0xB6) or 右 (0x89 0x45): a cheap test for all others.
  unsigned char first = (unsigned char)key.name[0];
  if (first != 0x8D && first != 0x89) return;
  float q[4] = {key.qx, key.qy, key.qz, key.qw};
  float t[4];
  if (bone_index_of(TWIST_BONES, key.name) >= 0) {
    if (q[3] < 0.0f) {
      for (int i = 0; i < 4; i++) q[i] = -q[i];
    }
    for (int i = 0; i < 4; i++) t[i] = q[i];
  } else {
    int arm = bone_index_of(ARM_BONES, key.name);
    if (arm < 0) return;
    if (q[3] < 0.0f) {
      for (int i = 0; i < 4; i++) q[i] = -q[i];
    }
    const float* axis = ARM_AXES[arm];
    float alen = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    float a[3] = {axis[0] / alen, axis[1] / alen, axis[2] / alen};
    if (!bone_twist_about(q, a, t)) {
      t[0] = t[1] = t[2] = 0.0f;
      t[3] = 1.0f;
    }
  }
  float magnitude = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
  if (!(t[0] < 0.0f)) {
    if (magnitude > r.twist_pos) {
      r.twist_pos = magnitude;
      r.twist_pos_frame = key.frame;
    }
  } else if (magnitude > r.twist_neg) {
    r.twist_neg = magnitude;
    r.twist_neg_frame = key.frame;
  }
}

void bone_usage_add(int entry, const BoneKey& key) {
  if (entry < 1 || entry >= BONE_RECORDS) return;
  if (entry >= bone_usage_touched) bone_usage_touched = entry + 1;
  BoneUsage& r = bone_usage[entry];
  r.key_count++;
  if (key.frame < r.first_frame) r.first_frame = key.frame;
  if (key.frame > r.last_frame) r.last_frame = key.frame;
  if (std::fabs(key.qx) > 0.01f || std::fabs(key.qy) > 0.01f || std::fabs(key.qz) > 0.01f ||
      std::fabs(key.px) > 0.01f || std::fabs(key.py) > 0.01f || std::fabs(key.pz) > 0.01f) {
    r.moves = USAGE_SET;
  }
  float offset = std::sqrt(key.px * key.px + key.py * key.py + key.pz * key.pz);
  if (offset > r.max_offset) r.max_offset = offset;
  float rot = std::sqrt(key.qx * key.qx + key.qy * key.qy + key.qz * key.qz);
  if (rot > r.max_rotation) r.max_rotation = rot;
  bone_twist(r, key);
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
