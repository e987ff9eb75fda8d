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
