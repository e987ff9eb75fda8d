// usage.h: the bone and morph usage records, the motion's statistics, filled by the motion reader a run
// of keys of one name at a time and read by the listings.
#pragma once
#include <cmath>
#include <cstdint>

constexpr int BONE_RECORDS = 8192;   // records for bone entries 1 to 8191
constexpr uint8_t USAGE_SET = 0xFF;  // a set flag of a usage record
constexpr int MORPH_RECORDS = 4096;  // records for morph entries 1 to 4095

struct BoneKey {
  const char* name;  // as stored in the motion, up to 15 bytes
  int32_t frame;
  float px, py, pz;
  float qx, qy, qz, qw;
};
struct MorphKey {
  const char* name;
  int32_t frame;
  float weight;
};

struct BoneUsage {
  int32_t key_count;
  int32_t first_frame;
  int32_t last_frame;
  uint8_t moves;          // USAGE_SET once a component went beyond 0.01, else 0
  float max_offset;       // largest length of a position
  float max_rotation;     // largest length of a rotation's vector part: the sine of half its angle
  float twist_pos;        // largest twist magnitude with a non-negative x component
  int32_t twist_pos_frame;
  float twist_neg;        // largest twist magnitude with a negative x component, as a positive number
  int32_t twist_neg_frame;
  // Kept while keys are added (bone_usage_gathered, bone_usage_twist), read by no listing:
  float offset_sq, rotation_sq;  // the squares of max_offset and max_rotation (bone_usage_finish)
  float beat_pos, beat_neg;      // a twist whose squared magnitude is above these beats twist_pos, twist_neg
};
struct MorphUsage {
  int32_t key_count;
  int32_t first_frame;
  int32_t last_frame;
  float min_weight;
  float max_weight;
};

// Records, read-only; an entry without a record (0, or beyond the table) reads as a fresh record.
const BoneUsage* bone_usage_view(int entry);
const MorphUsage* morph_usage_view(int entry);

void bone_usage_reset();
// One key into the record of entry (nothing for an entry without a record), its lengths made at once.
void bone_usage_add(int entry, const BoneKey& key);
void morph_usage_reset();
void morph_usage_add(int entry, const MorphKey& key);

// The twist a bone's records measure: the whole rotation of a twist bone (左腕捩 左手捩 右腕捩 右手捩),
// the twist about a fixed axis of an arm bone (左腕 左ひじ 右腕 右ひじ), or none.
enum BoneTwistKind { BONE_NO_TWIST = 0, BONE_TWIST_BONE = 1, BONE_ARM_BONE = 2 };
BoneTwistKind bone_twist_kind(const char* name);

// ---- Keys in runs ---------------------------------------------------------------------------------------
//
// A motion lists a bone's keys together as a rule, so the reader finds a bone's record, and its twist
// rule, once per run of keys of one name (bone_usage_target). It gathers the keys of a run in a
// BoneGather, which the compiler keeps in registers (bone_usage_gather, inline: a few compares and
// products, no square root), and adds the gathered keys to the record at once (bone_usage_gathered);
// a twist bone's keys go one by one to bone_usage_twist as well. The record keeps the squares of the
// largest lengths and the bounds a twist must pass; bone_usage_finish, after the read, turns the squares
// into the lengths. The records come out exactly as key by key with square roots: the square root of
// the largest square is the largest square root, and a twist beats the largest so far exactly when its
// square passes the bound (the first of equal twists keeps its frame).

// A bone's record and twist rule, for the keys of one run.
struct BoneTarget {
  BoneUsage* record;
  BoneTwistKind twist;
  int arm;  // an arm bone's place among the arm bones (BONE_ARM_BONE)
};
// The target of the bone of entry and name (as stored in the motion): true, or false for an entry
// without a record (its keys are not counted).
bool bone_usage_target(BoneTarget* t, int entry, const char* name);

// Keys gathered for one record.
struct BoneGather {
  int32_t keys, first_frame, last_frame;
  bool moves;
  float offset_sq, rotation_sq;  // the largest squared length of a position, of a rotation's vector part
};
constexpr BoneGather BONE_GATHER_NONE = {0, 2147483647, -2147483647 - 1, false, 0.0f, 0.0f};
// One key: its frame, position and rotation (x, y, z of the vector part) as the motion stores them.
// Returns the rotation's squared length, which a twist bone's twist needs too.
inline float bone_usage_gather(BoneGather& g, int32_t frame, float px, float py, float pz, float qx, float qy, float qz) {
  g.keys++;
  g.first_frame = frame < g.first_frame ? frame : g.first_frame;
  g.last_frame = frame > g.last_frame ? frame : g.last_frame;
  if (!g.moves) {
    g.moves = std::fabs(qx) > 0.01f || std::fabs(qy) > 0.01f || std::fabs(qz) > 0.01f || std::fabs(px) > 0.01f ||
              std::fabs(py) > 0.01f || std::fabs(pz) > 0.01f;
  }
  float offset_sq = px * px + py * py + pz * pz;
  g.offset_sq = offset_sq > g.offset_sq ? offset_sq : g.offset_sq;
  float rotation_sq = qx * qx + qy * qy + qz * qz;
  g.rotation_sq = rotation_sq > g.rotation_sq ? rotation_sq : g.rotation_sq;
  return rotation_sq;
}
// The gathered keys into the target's record.
void bone_usage_gathered(const BoneTarget& t, const BoneGather& g);
// A twist bone's key (t.twist not BONE_NO_TWIST), in the order of the file: its frame, its rotation and
// the rotation's squared length as bone_usage_gather gave it.
void bone_usage_twist(const BoneTarget& t, int32_t frame, float qx, float qy, float qz, float qw, float rotation_sq);
// The largest offsets and rotations of every record written since the reset, from their squares.
void bone_usage_finish();

// A morph's record, for the keys of one run; null when the entry has none.
MorphUsage* morph_usage_target(int entry);
inline void morph_usage_key(MorphUsage* r, int32_t frame, float weight) {
  r->key_count++;
  if (frame < r->first_frame) r->first_frame = frame;
  if (frame > r->last_frame) r->last_frame = frame;
  if (weight < r->min_weight) r->min_weight = weight;
  if (weight > r->max_weight) r->max_weight = weight;
}
