// usage.h: the bone and morph usage records, the motion's statistics, filled key by key by the motion
// reader and read by the listings.
#pragma once
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
void bone_usage_add(int entry, const BoneKey& key);
void morph_usage_reset();
void morph_usage_add(int entry, const MorphKey& key);

// The twist a bone's records measure: the whole rotation of a twist bone (左腕捩 左手捩 右腕捩 右手捩),
// the twist about a fixed axis of an arm bone (左腕 左ひじ 右腕 右ひじ), or none.
enum BoneTwistKind { BONE_NO_TWIST = 0, BONE_TWIST_BONE = 1, BONE_ARM_BONE = 2 };
BoneTwistKind bone_twist_kind(const char* name);
