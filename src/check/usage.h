// usage.h: the bone and morph usage records, filled key by key by the motion reader, and the two halves
// of the report page written from them.
#pragma once
#include <cstdint>

constexpr int BONE_RECORDS = 8192;   // records for bone entries 1 to 8191
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
  uint8_t moves;          // 0xFF once a component went beyond 0.01
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

// What the page needs to know of the run.
struct ReportContext {
  const char* motion_path;  // the motion path line (Shift-JIS), or nullptr / "" for none
  bool alias_mode;          // an alias file was found for this run
};
// Header lines and bone lines; then the morph lines.
void report_bones(const ReportContext& ctx);
void report_morphs(const ReportContext& ctx);

// ---- Shared by the two listings ----------------------------------------------------------------------

constexpr int USAGE_TEXT = 1024;  // room for a formatted line before the page cuts it at 127 bytes

// The name as the page shows it: renamed through alias_list in alias mode, else the name itself.
void usage_display_name(const ReportContext& ctx, int alias_list, const char* name, char* out);
// True when a target model is loaded (its bone count or its morph count is not 0).
bool usage_have_model();
// Largest display-name length of the group-1 entries that will be listed (bones: keyed and moving;
// morphs: keyed with a weight that leaves zero).
int bone_name_width(const ReportContext& ctx);
int morph_name_width(const ReportContext& ctx);
