// morph_usage.cpp: the morph usage records, updated key by key while the motion is read: key count,
// frame range and weight range.
//
// Record: morph_usage, one record per entry of the morph list, entries 1 to 4095 (entry 0 unused);
// keys that resolve to a higher entry are not counted. Written by morph_usage_reset/morph_usage_add
// (the motion reader), read by the morph listing.
#include "check/usage.h"

static MorphUsage morph_usage[MORPH_RECORDS];

static const MorphUsage MORPH_INITIAL = {0, 999999, -1, 999.9f, -999.9f};

// Records past this one have not been written since they were last reset (all of them at first).
static int morph_usage_touched = MORPH_RECORDS;

void morph_usage_reset() {
  for (int i = 0; i < morph_usage_touched; i++) morph_usage[i] = MORPH_INITIAL;
  morph_usage_touched = 0;
}

void morph_usage_add(int entry, const MorphKey& key) {
  if (entry < 1 || entry >= MORPH_RECORDS) return;
  if (entry >= morph_usage_touched) morph_usage_touched = entry + 1;
  MorphUsage& r = morph_usage[entry];
  r.key_count++;
  if (key.frame < r.first_frame) r.first_frame = key.frame;
  if (key.frame > r.last_frame) r.last_frame = key.frame;
  if (key.weight < r.min_weight) r.min_weight = key.weight;
  if (key.weight > r.max_weight) r.max_weight = key.weight;
}

static const MorphUsage& morph_record(int entry) {
  return entry >= 1 && entry < MORPH_RECORDS ? morph_usage[entry] : MORPH_INITIAL;
}

const MorphUsage* morph_usage_view(int entry) { return &morph_record(entry); }
