// motion.cpp: a motion's bone keys and IK switches for the pose engine (see motion.h), loaded by the one
// walk of a VMD file.
//
// Records: the renaming table and the switches' scratch of the load in progress (written by
// pose_motion_load); motions are the callers' values, emptied by each load as far as the last one
// filled their tracks.
// Limits: 524,288 bone keys, 8,192 names; 262,144 IK switches, 1,024 IK names.
// Trust: the file is untrusted: counts are the walk's loop bounds, names are at most 15 bytes, and every
// key's floats are checked (a rotation must have a length, a position must lie within 100,000) before
// anything plays them.
#include "pose/motion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "formats/filechan.h"
#include "formats/vmd_walk.h"
#include "pose/pose_math.h"
#include "text/hash.h"

static_assert((POSE_TRACK_SLOTS & (POSE_TRACK_SLOTS - 1)) == 0, "the slot count is a power of two");
static_assert(POSE_TRACKS <= 32767 && POSE_TRACKS <= 65535, "a track fits the hash's and the load's fields");
static_assert(POSE_CURVE_BYTES == VMD_BONE_CURVE_BYTES, "a key keeps the file's curve bytes");

static VmdRenameTable motion_renames;

int pose_motion_track(const PoseMotion* m, const char* name) {
  for (uint32_t at = hash_text(name);; at++) {
    int t = m->slot[at & (POSE_TRACK_SLOTS - 1)] - 1;
    if (t < 0) return -1;
    if (std::strcmp(m->track[t].name, name) == 0) return t;
  }
}

// The track of name, added when new; -1 when the tracks are full.
static int motion_track_add(PoseMotion* m, const char* name) {
  uint32_t at = hash_text(name);
  for (;; at++) {
    int t = m->slot[at & (POSE_TRACK_SLOTS - 1)] - 1;
    if (t < 0) break;
    if (std::strcmp(m->track[t].name, name) == 0) return t;
  }
  if (m->track_count >= POSE_TRACKS) return -1;
  int t = m->track_count++;
  std::memcpy(m->track[t].name, name, POSE_TRACK_NAME);
  m->track[t].first = m->track[t].count = m->track[t].file_keys = 0;
  m->track[t].slot = (int32_t)(at & (POSE_TRACK_SLOTS - 1));
  m->slot[m->track[t].slot] = (int16_t)(t + 1);
  return t;
}

// Empties the tracks: the name hash's slots cleared as far as the tracks filled them (every other slot
// is 0 already), not the whole hash.
static void motion_empty(PoseMotion* m) {
  for (int t = 0; t < m->track_count; t++) m->slot[m->track[t].slot & (POSE_TRACK_SLOTS - 1)] = 0;
  m->track_count = m->key_count = 0;
  m->file_bone_keys = 0;
  m->ik_track_count = m->ik_switch_count = 0;
  std::memset(m->ik_slot, 0, sizeof m->ik_slot);
}

static int motion_refuse(PoseMotion* m, const char* why) {
  std::snprintf(m->reason, sizeof m->reason, "%s", why);
  motion_empty(m);
  return POSE_HOSTILE;
}

// ---- IK switches ----

static_assert((POSE_IK_SLOTS & (POSE_IK_SLOTS - 1)) == 0 && POSE_IK_TRACKS <= 32767, "the IK name hash's fields");

// The track of each switch loaded, in file order (scratch of the load).
static uint16_t motion_switch_track[POSE_IK_SWITCHES];
static PoseIkSwitch motion_switch_read[POSE_IK_SWITCHES];

int pose_motion_ik_track(const PoseMotion* m, const char* name) {
  for (uint32_t at = hash_text(name);; at++) {
    int t = m->ik_slot[at & (POSE_IK_SLOTS - 1)] - 1;
    if (t < 0) return -1;
    if (std::strcmp(m->ik_track[t].name, name) == 0) return t;
  }
}

// One whole IK switch (its name field already renamed) into the motion's scratch; false (with the
// reason) when it cannot be kept.
static bool motion_switch(PoseMotion* m, const unsigned char* rec) {
  char name[POSE_IK_NAME];
  std::memset(name, 0, sizeof name);
  for (int i = 0; i < VMD_MODEL && rec[i] != 0; i++) name[i] = (char)rec[i];
  uint32_t at = hash_text(name);
  int t;
  for (;; at++) {
    t = m->ik_slot[at & (POSE_IK_SLOTS - 1)] - 1;
    if (t < 0 || std::strcmp(m->ik_track[t].name, name) == 0) break;
  }
  if (t < 0) {
    if (m->ik_track_count >= POSE_IK_TRACKS) return motion_refuse(m, "the motion switches the IK of more than 1,024 bones"), false;
    t = m->ik_track_count++;
    std::memcpy(m->ik_track[t].name, name, sizeof name);
    m->ik_track[t].first = m->ik_track[t].count = 0;
    m->ik_slot[at & (POSE_IK_SLOTS - 1)] = (int16_t)(t + 1);
  }
  if (m->ik_switch_count >= POSE_IK_SWITCHES) return motion_refuse(m, "the motion has more than 262,144 IK switches"), false;
  motion_switch_track[m->ik_switch_count] = (uint16_t)t;
  motion_switch_read[m->ik_switch_count] = PoseIkSwitch{m->ik_frame, (uint8_t)(rec[VMD_MODEL] != 0)};
  m->ik_switch_count++;
  m->ik_track[t].count++;
  return true;
}

// The switches by track and frame (stable: of two on one frame the later in the file is kept).
static void motion_switch_arrange(PoseMotion* m) {
  int w = 0;
  for (int t = 0; t < m->ik_track_count; t++) {
    int n = m->ik_track[t].count;
    m->ik_track[t].first = w;
    m->ik_track[t].count = 0;
    w += n;
  }
  for (int i = 0; i < m->ik_switch_count; i++) {
    PoseIkTrack& tr = m->ik_track[motion_switch_track[i]];
    m->ik_switch[tr.first + tr.count++] = motion_switch_read[i];
  }
  w = 0;
  for (int t = 0; t < m->ik_track_count; t++) {
    PoseIkTrack& tr = m->ik_track[t];
    PoseIkSwitch* a = m->ik_switch + tr.first;
    std::stable_sort(a, a + tr.count, [](const PoseIkSwitch& x, const PoseIkSwitch& y) { return x.frame < y.frame; });
    int first = w;
    for (int i = 0; i < tr.count; i++) {
      if (w > first && m->ik_switch[w - 1].frame == a[i].frame) m->ik_switch[w - 1] = a[i];
      else m->ik_switch[w++] = a[i];
    }
    tr.first = first;
    tr.count = w - first;
  }
  m->ik_switch_count = w;
}

// The track of a run of keys of the name field at field, renamed as the copy renames it; -1 when the
// tracks are full.
static int motion_track_of(PoseMotion* m, const unsigned char* field) {
  unsigned char renamed[VMD_NAME];
  std::memcpy(renamed, field, VMD_NAME);
  vmd_rename_field(motion_renames, renamed, VMD_NAME);
  char name[POSE_TRACK_NAME];
  std::memset(name, 0, sizeof name);
  for (int i = 0; i < VMD_NAME && renamed[i] != 0; i++) name[i] = (char)renamed[i];
  return motion_track_add(m, name);
}

// One whole bone key of track t into the motion; false (with the reason) when it cannot be kept.
static bool motion_key(PoseMotion* m, int t, const unsigned char* rec) {
  if (t < 0) return motion_refuse(m, "the motion names more than 8,192 bones"), false;
  if (m->key_count >= POSE_KEYS) return motion_refuse(m, "the motion has more than 524,288 bone keys"), false;
  PoseKey& k = m->key[m->key_count];
  k.frame = (uint32_t)rfle32(rec + VMD_BONE_FRAME);
  for (int a = 0; a < 3; a++) {
    k.pos[a] = rflefloat(rec + VMD_BONE_POSITION + 4 * a);
    if (!std::isfinite(k.pos[a]) || std::fabs(k.pos[a]) > POSE_FAR) {
      return motion_refuse(m, "a bone key's position is not a number or too far out"), false;
    }
  }
  const unsigned char* r = rec + VMD_BONE_ROTATION;
  PoseQuat q = {rflefloat(r), rflefloat(r + 4), rflefloat(r + 8), rflefloat(r + 12)};
  if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.z) || !std::isfinite(q.w) ||
      !pose_qnormalize(&q)) {
    return motion_refuse(m, "a bone key's rotation is zero or not a number"), false;
  }
  k.rot[0] = (float)q.x, k.rot[1] = (float)q.y, k.rot[2] = (float)q.z, k.rot[3] = (float)q.w;
  std::memcpy(k.curve, rec + VMD_BONE_CURVES, POSE_CURVE_BYTES);  // a few vector moves
  m->key_track[m->key_count] = (uint16_t)t;
  m->key_count++;
  m->track[t].file_keys++;
  return true;
}

// Sorts the keys by track, frame and place in the file, then keeps the last key of each frame. Files
// list a bone's keys together and by frame as a rule, so the keys are counted into their tracks (in file
// order), and only a track whose keys are out of frame order is sorted.
static void motion_arrange(PoseMotion* m) {
  int n = m->key_count;
  static int32_t start[POSE_TRACKS + 1];
  for (int t = 0; t <= m->track_count; t++) start[t] = 0;
  for (int i = 0; i < n; i++) start[m->key_track[i] + 1]++;
  for (int t = 0; t < m->track_count; t++) start[t + 1] += start[t];
  // sort[j]: the key that goes to place j.
  static int32_t fill[POSE_TRACKS];
  for (int t = 0; t < m->track_count; t++) fill[t] = start[t];
  for (int i = 0; i < n; i++) m->sort[fill[m->key_track[i]]++] = (uint32_t)i;
  const PoseKey* key = m->key;
  for (int t = 0; t < m->track_count; t++) {
    uint32_t* a = m->sort + start[t];
    int count = start[t + 1] - start[t];
    // By frame; of equal frames the earlier in the file first. Keys already in order are left as they are.
    bool sorted = true;
    for (int i = 1; i < count && sorted; i++) sorted = key[a[i - 1]].frame <= key[a[i]].frame;
    if (!sorted) {
      std::sort(a, a + count, [key](uint32_t p, uint32_t q) {
        return key[p].frame != key[q].frame ? key[p].frame < key[q].frame : p < q;
      });
    }
  }
  // key[j] takes the key at sort[j], cycle by cycle.
  for (int i = 0; i < n; i++) {
    if (m->sort[i] == (uint32_t)i) continue;
    PoseKey hold = m->key[i];
    int j = i;
    for (;;) {
      int k = (int)m->sort[j];
      m->sort[j] = (uint32_t)j;
      if (k == i) {
        m->key[j] = hold;
        break;
      }
      m->key[j] = m->key[k];
      j = k;
    }
  }
  int w = 0;
  m->last_frame = 0;
  for (int t = 0; t < m->track_count; t++) {
    PoseTrack& tr = m->track[t];
    tr.first = w;
    tr.count = 0;
    for (int r = start[t]; r < start[t + 1]; r++) {
      if (tr.count > 0 && m->key[w - 1].frame == m->key[r].frame) {
        m->key[w - 1] = m->key[r];  // the later in the file wins
        continue;
      }
      if (w != r) m->key[w] = m->key[r];
      w++;
      tr.count++;
      if (m->key[r].frame > m->last_frame) m->last_frame = m->key[r].frame;
    }
  }
  m->key_count = w;
}

// The bone keys and IK switches of the walk w has begun, into m (made empty); the walk is ended here.
static int motion_load(PoseMotion* m, VmdWalk* w) {
  w->runs = true;
  VmdStep s;
  bool ok = true;
  bool named = false;        // a run of keys is under way: its name field's bytes 0 to 7 and 7 to 14
  uint64_t head = 0, tail = 0;  // are head and tail, track its track
  int track = -1;
  while (ok && vmd_walk_next(w, &s)) {
    if (s.piece == VMD_PIECE_SIGNATURE && !w->signature_ok) {
      ok = false;
      motion_refuse(m, "not a VMD motion");
    } else if (s.piece == VMD_PIECE_COUNT && s.shape->block == BLOCK_BONE_KEYS && s.got == 4 &&
               (uint32_t)rfle32(s.bytes) > (uint32_t)POSE_KEYS) {
      // Refused before any key is kept: a motion this long would fill the whole record first.
      ok = false;
      motion_refuse(m, "the motion declares more than 524,288 bone keys");
    } else if (s.piece == VMD_PIECE_RECORD && s.shape->block == BLOCK_BONE_KEYS) {
      // Files list a bone's keys together as a rule: the track is found once for a run of keys of one
      // name field.
      const unsigned char* rec = s.bytes;
      for (int i = 0; ok && i < s.records; i++, rec += VMD_BONE_KEY) {
        uint64_t h, t;
        std::memcpy(&h, rec, 8);
        std::memcpy(&t, rec + 7, 8);
        if (!named || h != head || t != tail) {
          head = h;
          tail = t;
          named = true;
          track = motion_track_of(m, rec);
        }
        m->file_bone_keys++;
        ok = motion_key(m, track, rec);
      }
    } else if (s.piece == VMD_PIECE_RECORD && s.records == 1 && s.shape->block == BLOCK_IK_KEYS &&
               s.shape->size == VMD_SHOW_IK_HEAD) {
      m->ik_frame = (uint32_t)rfle32(s.bytes);  // a show-and-IK head: its switches follow
    } else if (s.piece == VMD_PIECE_RECORD && s.records == 1 && s.shape->block == BLOCK_IK_KEYS &&
               s.shape->size == VMD_IK_SWITCH) {
      // Renamed in a copy of its own: the walk's bytes may be the kept file's.
      unsigned char record[VMD_IK_SWITCH];
      std::memcpy(record, s.bytes, VMD_IK_SWITCH);
      vmd_rename_field(motion_renames, record, VMD_MODEL);
      ok = motion_switch(m, record);
    } else if (s.piece == VMD_PIECE_TAIL) {
      break;
    }
  }
  vmd_walk_close(w);
  if (!ok) return POSE_HOSTILE;
  motion_arrange(m);
  motion_switch_arrange(m);
  return POSE_DONE;
}

// Makes m empty and takes the renamings; false (m refused) when a renaming is refused.
static bool motion_begin(PoseMotion* m, const VmdRename* renames, int rename_count) {
  motion_empty(m);
  m->last_frame = 0;
  m->reason[0] = 0;
  m->ik_frame = 0;
  if (!vmd_rename_fill(&motion_renames, renames, rename_count)) return motion_refuse(m, "a renaming is refused"), false;
  return true;
}

int pose_motion_load(PoseMotion* m, const OpenedPath& p, const VmdRename* renames, int rename_count) {
  if (!motion_begin(m, renames, rename_count)) return POSE_HOSTILE;
  static VmdWalk w;
  if (!vmd_walk_open(&w, p)) return motion_refuse(m, "the motion cannot be opened");
  return motion_load(m, &w);
}

int pose_motion_load_bytes(PoseMotion* m, const unsigned char* bytes, int64_t size, const VmdRename* renames,
                           int rename_count) {
  if (!motion_begin(m, renames, rename_count)) return POSE_HOSTILE;
  static VmdWalk w;
  vmd_walk_open_bytes(&w, bytes, size);
  return motion_load(m, &w);
}

bool pose_track_moves(const PoseMotion* m, int t) {
  if (t < 0 || t >= m->track_count) return false;
  const PoseTrack& tr = m->track[t];
  const double cos_limit = std::cos(0.5e-3 / POSE_DEGREES);  // half of 1e-3 degrees: a quaternion's w
  for (int i = 0; i < tr.count; i++) {
    const PoseKey& k = m->key[tr.first + i];
    double len = std::sqrt((double)k.pos[0] * k.pos[0] + (double)k.pos[1] * k.pos[1] + (double)k.pos[2] * k.pos[2]);
    if (len > 1e-4 || std::fabs((double)k.rot[3]) < cos_limit) return true;
  }
  return false;
}
