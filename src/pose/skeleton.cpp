// skeleton.cpp: a model's skeleton for the pose engine (see skeleton.h): made from the PMX reader's
// record, checked, ordered; the walks of its hierarchy.
//
// Records: none of its own; skeletons are the callers' values.
// Limits: 4,096 model bones and 64 put back; 16,384 IK links.
// Trust: the PMX record holds what the file held: every index is checked against the bone count before
// it is followed, every float must be a number within 100,000, and the order is found by a bounded
// topological sort, so a cycle is a reason, never a hang.
#include "pose/skeleton.h"

#include "pose/pose_math.h"
#include "text/hash.h"
#include "text/sjis_bytes.h"

#include <cmath>
#include <cstdio>
#include <cstring>

static int skeleton_refuse(PoseSkeleton* s, const char* format, int bone) {
  std::snprintf(s->reason, sizeof s->reason, format, bone);
  s->count = s->model_count = s->order_count = s->link_count = 0;
  s->play_count = s->ik_chain_count = 0;
  s->ik_work = 0;
  std::snprintf(s->ik_reason, sizeof s->ik_reason, "%s", s->reason);
  std::memset(s->name_slot, 0, sizeof s->name_slot);
  return POSE_HOSTILE;
}

static_assert((POSE_NAME_SLOTS & (POSE_NAME_SLOTS - 1)) == 0 && POSE_NAME_SLOTS >= 2 * POSE_SLOTS - 256,
              "the name hash is a power of two, at most about half full");

// Enters bone i in the name hash (after any earlier bone of its name).
static void skeleton_hash_add(PoseSkeleton* s, int i) {
  if (s->bone[i].long_name) return;
  uint32_t at = hash_text(s->bone[i].name);
  while (s->name_slot[at & (POSE_NAME_SLOTS - 1)] != 0) at++;
  s->name_slot[at & (POSE_NAME_SLOTS - 1)] = (int16_t)(i + 1);
}

// True when the Shift-JIS name holds ひざ (knee) as whole characters: 左ひざ, 右ひざ.
static bool skeleton_is_knee(const char* name) {
  const unsigned char* p = (const unsigned char*)name;
  for (int i = 0; i < POSE_NAME && p[i] != 0; i += is_lead_byte(p[i]) && p[i + 1] != 0 ? 2 : 1) {
    if (i + 3 < POSE_NAME && p[i] == 0x82 && p[i + 1] == 0xD0 && p[i + 2] == 0x82 && p[i + 3] == 0xB4) return true;
  }
  return false;
}

static bool skeleton_near(float v) { return std::isfinite(v) && std::fabs(v) <= POSE_FAR; }

int pose_skeleton_load(PoseSkeleton* s, const PmxSkeleton* from) {
  s->reason[0] = 0;
  if (from->index_size_bad) return skeleton_refuse(s, "the model's bone indices have a size other than 1, 2 or 4", 0);
  if (!from->whole) return skeleton_refuse(s, "the model's bone block is cut", 0);
  if (from->declared > POSE_BONES || from->bone_count != from->declared) {
    return skeleton_refuse(s, "the model has more than 4,096 bones", 0);
  }
  if (from->links_dropped || from->link_count > POSE_LINKS) {
    return skeleton_refuse(s, "the model has more than 16,384 IK links", 0);
  }
  int n = from->bone_count;
  for (int i = 0; i < n; i++) {
    const PmxBone& f = from->bone[i];
    PoseBone& b = s->bone[i];
    std::memcpy(b.name, f.name, POSE_NAME);
    b.name[POSE_NAME - 1] = 0;
    b.long_name = f.long_name;
    b.ik_moved = b.put_back = b.absent = 0;
    b.flags = f.flags;
    for (int a = 0; a < 3; a++) {
      b.rest[a] = f.position[a];
      b.axis[a] = f.axis[a];
      if (!skeleton_near(f.position[a])) return skeleton_refuse(s, "bone %d: its rest position is not a number or too far out", i);
    }
    if (f.parent < -1 || f.parent >= n) return skeleton_refuse(s, "bone %d: its parent is out of range", i);
    if (f.parent == i) return skeleton_refuse(s, "bone %d is its own parent", i);
    b.parent = f.parent;
    b.layer = f.layer;
    b.inherit = -1;
    b.inherit_weight = 0.0f;
    // A source of -1 with the flags inherits nothing; its weight is kept (the folds read the weight of
    // eyes whose source the model lacks).
    if ((f.flags & (PMX_BONE_INHERITS_ROTATION | PMX_BONE_INHERITS_TRANSLATION)) && f.inherit == -1 &&
        skeleton_near(f.inherit_weight)) {
      b.inherit_weight = f.inherit_weight;
    }
    if ((f.flags & (PMX_BONE_INHERITS_ROTATION | PMX_BONE_INHERITS_TRANSLATION)) && f.inherit != -1) {
      if (f.inherit < 0 || f.inherit >= n) return skeleton_refuse(s, "bone %d: its inheritance source is out of range", i);
      if (f.inherit == i) return skeleton_refuse(s, "bone %d inherits from itself", i);
      if (!skeleton_near(f.inherit_weight)) return skeleton_refuse(s, "bone %d: its inheritance weight is not a number or too large", i);
      b.inherit = f.inherit;
      b.inherit_weight = f.inherit_weight;
    }
    b.ik_target = -1;
    b.ik_loops = 0;
    b.ik_limit = 0.0f;
    b.link_first = b.link_count = 0;
    b.chain_first = b.chain_count = 0;
    b.ik_link = 0;
    if (f.flags & PMX_BONE_IK) {
      if (f.ik_target < 0 || f.ik_target >= n) return skeleton_refuse(s, "bone %d: its IK target is out of range", i);
      if (f.link_first < 0 || f.link_count < 0 || f.link_first > from->link_count ||
          f.link_count > from->link_count - f.link_first) {
        return skeleton_refuse(s, "bone %d: its IK links are out of range", i);
      }
      for (int k = 0; k < f.link_count; k++) {
        int32_t l = from->link[f.link_first + k].bone;
        if (l < 0 || l >= n) return skeleton_refuse(s, "bone %d: an IK link is out of range", i);
      }
      b.ik_target = f.ik_target;
      b.ik_loops = f.ik_loops;
      b.ik_limit = f.ik_limit;
      b.link_first = f.link_first;
      b.link_count = f.link_count;
    }
  }
  s->link_count = from->link_count;
  for (int k = 0; k < from->link_count; k++) {
    const PmxIkLink& f = from->link[k];
    PoseLink& l = s->link[k];
    l.bone = f.bone;
    l.limited = f.limited;
    l.knee = 0;
    for (int a = 0; a < 3; a++) l.lower[a] = f.lower[a], l.upper[a] = f.upper[a];
    // Models of the older format carry no limits; players give their knees the usual ones.
    if (!l.limited && l.bone >= 0 && l.bone < n && skeleton_is_knee(from->bone[l.bone].name)) {
      l.limited = l.knee = 1;
      l.lower[0] = (float)-POSE_PI, l.upper[0] = (float)(-0.5 / POSE_DEGREES);
      l.lower[1] = l.upper[1] = l.lower[2] = l.upper[2] = 0.0f;
    }
  }
  s->count = s->model_count = n;
  std::memset(s->name_slot, 0, sizeof s->name_slot);
  for (int i = 0; i < n; i++) skeleton_hash_add(s, i);
  return pose_skeleton_order(s);
}

int pose_skeleton_find(const PoseSkeleton* s, const char* name) {
  if (s->count <= 0) return -1;
  for (uint32_t at = hash_text(name);; at++) {
    int b = s->name_slot[at & (POSE_NAME_SLOTS - 1)] - 1;
    if (b < 0) return -1;
    if (!s->bone[b].absent && std::strcmp(s->bone[b].name, name) == 0) return b;
  }
}

int pose_skeleton_put(PoseSkeleton* s, const char* name, const float* rest, int parent, uint16_t flags) {
  if (s->count <= 0 || s->count >= POSE_SLOTS || parent < -1 || parent >= s->count) return -1;
  int i = s->count++;
  PoseBone& b = s->bone[i];
  std::memset(&b, 0, sizeof b);
  std::snprintf(b.name, sizeof b.name, "%s", name);
  b.put_back = 1;
  b.flags = flags;
  for (int a = 0; a < 3; a++) b.rest[a] = rest[a];
  b.parent = parent;
  b.inherit = -1;
  b.ik_target = -1;
  skeleton_hash_add(s, i);
  return i;
}

void pose_skeleton_copy(PoseSkeleton* dst, const PoseSkeleton* src) {
  dst->count = src->count;
  dst->model_count = src->model_count;
  std::memcpy(dst->bone, src->bone, sizeof(PoseBone) * (size_t)(src->count > 0 ? src->count : 0));
  dst->order_count = src->order_count;
  std::memcpy(dst->order, src->order, sizeof(int32_t) * (size_t)(src->order_count > 0 ? src->order_count : 0));
  dst->link_count = src->link_count;
  std::memcpy(dst->link, src->link, sizeof(PoseLink) * (size_t)(src->link_count > 0 ? src->link_count : 0));
  std::memcpy(dst->reason, src->reason, sizeof dst->reason);
  dst->play_count = src->play_count;
  std::memcpy(dst->play_order, src->play_order, sizeof(int32_t) * (size_t)(src->play_count > 0 ? src->play_count : 0));
  dst->ik_chain_count = src->ik_chain_count;
  std::memcpy(dst->ik_chain, src->ik_chain,
              sizeof(int32_t) * (size_t)(src->ik_chain_count > 0 ? src->ik_chain_count : 0));
  dst->ik_work = src->ik_work;
  std::memcpy(dst->ik_reason, src->ik_reason, sizeof dst->ik_reason);
  std::memcpy(dst->name_slot, src->name_slot, sizeof dst->name_slot);
}

// Parent cycles: each chain is followed at most count steps; a chain that has not reached a root by
// then goes round.
static int skeleton_parent_cycle(const PoseSkeleton* s) {
  static uint8_t state[POSE_SLOTS];  // 0 unseen, 1 on the chain being walked, 2 reaches a root
  std::memset(state, 0, sizeof state);
  for (int i = 0; i < s->count; i++) {
    int b = i;
    while (b >= 0 && state[b] == 0 && !s->bone[b].absent) {
      state[b] = 1;
      b = s->bone[b].parent;
    }
    if (b >= 0 && state[b] == 1) return b;
    for (int c = i; c >= 0 && state[c] == 1; c = s->bone[c].parent) state[c] = 2;
  }
  return -1;
}

int pose_skeleton_order(PoseSkeleton* s) {
  if (s->count <= 0 || s->count > POSE_SLOTS) return skeleton_refuse(s, "the skeleton holds no bones", 0);
  int cycle = skeleton_parent_cycle(s);
  if (cycle >= 0) return skeleton_refuse(s, "a parent cycle runs through bone %d", cycle);
  // Kahn's sort over two edges per bone: parent -> bone and source -> bone.
  static int32_t waiting[POSE_SLOTS];   // unmet edges of each bone
  static int32_t first_out[POSE_SLOTS + 1], out[2 * POSE_SLOTS];
  int n = s->count;
  for (int i = 0; i <= n; i++) first_out[i] = 0;
  for (int i = 0; i < n; i++) {
    const PoseBone& b = s->bone[i];
    waiting[i] = 0;
    if (b.absent) continue;
    if (b.parent >= 0) first_out[b.parent + 1]++, waiting[i]++;
    if (b.inherit >= 0) first_out[b.inherit + 1]++, waiting[i]++;
  }
  for (int i = 0; i < n; i++) first_out[i + 1] += first_out[i];
  static int32_t fill[POSE_SLOTS];
  for (int i = 0; i < n; i++) fill[i] = first_out[i];
  for (int i = 0; i < n; i++) {
    const PoseBone& b = s->bone[i];
    if (b.absent) continue;
    if (b.parent >= 0) out[fill[b.parent]++] = i;
    if (b.inherit >= 0) out[fill[b.inherit]++] = i;
  }
  int count = 0, present = 0;
  for (int i = 0; i < n; i++) {
    if (s->bone[i].absent) continue;
    present++;
    if (waiting[i] == 0) s->order[count++] = i;
  }
  for (int at = 0; at < count; at++) {
    int b = s->order[at];
    for (int k = first_out[b]; k < first_out[b + 1]; k++) {
      if (--waiting[out[k]] == 0) s->order[count++] = out[k];
    }
  }
  if (count < present) {
    for (int i = 0; i < n; i++) {
      if (!s->bone[i].absent && waiting[i] > 0) return skeleton_refuse(s, "an inheritance cycle runs through bone %d", i);
    }
  }
  s->order_count = count;

  // The bones an IK moves: its links turn (and so do the bones that inherit from a bone whose own turn
  // changes), and everything below a turned bone or an IK target moves with it.
  static uint8_t turned[POSE_SLOTS], target[POSE_SLOTS];
  std::memset(turned, 0, sizeof turned);
  std::memset(target, 0, sizeof target);
  for (int i = 0; i < n; i++) {
    const PoseBone& b = s->bone[i];
    if (b.absent || !(b.flags & PMX_BONE_IK) || b.ik_target < 0) continue;
    target[b.ik_target] = 1;
    for (int k = 0; k < b.link_count; k++) turned[s->link[b.link_first + k].bone] = 1;
  }
  for (int at = 0; at < count; at++) {
    PoseBone& b = s->bone[s->order[at]];
    if (b.inherit >= 0 && turned[b.inherit] && (b.flags & PMX_BONE_INHERITS_ROTATION)) turned[s->order[at]] = 1;
    b.ik_moved = turned[s->order[at]] || target[s->order[at]] || (b.parent >= 0 && s->bone[b.parent].ik_moved);
  }
  pose_ik_prepare(s);
  return POSE_DONE;
}

// Children come after their parents in the order: a walk from the end reaches a bone's parent after the
// bone, a walk from the start a bone after its parent.
void pose_skeleton_mark_parents(const PoseSkeleton* s, uint8_t* mark, const uint8_t* within) {
  for (int i = s->order_count - 1; i >= 0; i--) {
    int x = s->order[i];
    int p = s->bone[x].parent;
    if (mark[x] && p >= 0 && (within == nullptr || within[p])) mark[p] = 1;
  }
}

void pose_skeleton_mark_sources(const PoseSkeleton* s, const uint8_t* of, uint8_t* mark) {
  for (int i = s->order_count - 1; i >= 0; i--) {
    int x = s->order[i];
    if ((of[x] || mark[x]) && s->bone[x].inherit >= 0) mark[s->bone[x].inherit] = 1;
  }
}

void pose_skeleton_mark_children(const PoseSkeleton* s, uint8_t* mark) {
  for (int i = 0; i < s->order_count; i++) {
    int x = s->order[i];
    if (s->bone[x].parent >= 0 && mark[s->bone[x].parent]) mark[x] = 1;
  }
}

int pose_skeleton_list(const PoseSkeleton* s, const uint8_t* mark, int32_t* out) {
  int n = 0;
  for (int i = 0; i < s->order_count; i++) {
    if (mark[s->order[i]]) out[n++] = s->order[i];
  }
  return n;
}
