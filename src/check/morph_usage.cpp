// morph_usage.cpp: the morph usage records, updated key by key while the motion is read: key count,
// frame range and weight range.
//
// Record: morph_usage, one record per entry of the morph list, entries 1 to 4095 (entry 0 unused);
// keys that resolve to a higher entry are not counted. Written by morph_usage_reset and
// morph_usage_key (the motion reader, through the target of a run of keys) or morph_usage_add; read by
// the morph listing.
#include "check/usage.h"

static MorphUsage morph_usage[MORPH_RECORDS];

static const MorphUsage MORPH_INITIAL = {0, 999999, -1, 999.9f, -999.9f};

// Records past this one have not been written since they were last reset (all of them at first).
static int morph_usage_touched = MORPH_RECORDS;

void morph_usage_reset() {
  for (int i = 0; i < morph_usage_touched; i++) morph_usage[i] = MORPH_INITIAL;
  morph_usage_touched = 0;
}

MorphUsage* morph_usage_target(int entry) {
  if (entry < 1 || entry >= MORPH_RECORDS) return nullptr;
  if (entry >= morph_usage_touched) morph_usage_touched = entry + 1;
  return &morph_usage[entry];
}

void morph_usage_add(int entry, const MorphKey& key) {
  MorphUsage* r = morph_usage_target(entry);
  if (r != nullptr) morph_usage_key(r, key.frame, key.weight);
}

static const MorphUsage& morph_record(int entry) {
  return entry >= 1 && entry < MORPH_RECORDS ? morph_usage[entry] : MORPH_INITIAL;
}

const MorphUsage* morph_usage_view(int entry) { return &morph_record(entry); }
