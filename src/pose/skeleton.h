// skeleton.h: a model's skeleton as the pose engine plays it: every bone's name, rest position, parent,
// flags, inheritance, fixed axis and IK, checked, with an order that evaluates parents and inheritance
// sources before the bones that need them, and the bones whose world pose an IK moves.
//
// A skeleton is a value the caller keeps (a run may keep one per model): it is made from what the PMX
// reader kept (formats/pmx.h) and owes nothing to it afterwards. All zeros is an empty skeleton that
// holds no pose.
//
// The fold engine (fold.h) adds bones a model lacks to a copy of a skeleton, after the model's own; they
// are marked put_back.
//
// The walks of the hierarchy are here once, for every evaluation and comparison: a bone's rest offset
// from its parent, marking parents, inheritance sources or children of marked bones, listing the marked
// bones in the skeleton's order.
#pragma once
#include <cstdint>

#include "formats/pmx.h"
#include "pose/pose_math.h"

constexpr int POSE_BONES = PMX_BONES;  // a model's bones: as many as the model tables keep names
constexpr int POSE_EXTRA = 64;         // bones the fold engine puts back (two sides of the semi-standard set)
constexpr int POSE_SLOTS = POSE_BONES + POSE_EXTRA;
constexpr int POSE_LINKS = PMX_IK_LINKS;
constexpr int POSE_NAME = PMX_BONE_NAME;   // a name: 31 bytes and its terminator
constexpr int POSE_REASON = 96;            // a reason's text
constexpr double POSE_FAR = 100000.0;      // the largest coordinate a rest position or a key may have
constexpr int POSE_NAME_SLOTS = 8192;      // the name hash, at most about half full

struct PoseBone {
  char name[POSE_NAME];  // Shift-JIS
  uint8_t long_name;     // the model's name was longer than 31 bytes: no motion key names the bone
  uint8_t ik_moved;      // an IK turns this bone or a bone it hangs from (or it inherits from one)
  uint8_t put_back;      // a bone the model lacks, put back by the fold engine
  uint8_t absent;        // taken out again (a folded bone): no parent, no child, never evaluated
  uint16_t flags;        // PmxBoneFlag bits
  float rest[3];         // rest position, model space
  int32_t parent;        // -1: a root
  int32_t layer;         // the deform layer: IK play evaluates bones by (after physics, layer, index)
  int32_t inherit;       // inherited rotation and/or translation (flags): the source; -1 none
  float inherit_weight;
  float axis[3];         // the fixed axis (not applied to keys: players play a key as it is)
  int32_t ik_target;     // IK bones: the target, else -1
  int32_t ik_loops;
  float ik_limit;
  int32_t link_first, link_count;  // IK bones: their links in PoseSkeleton::link
  int32_t chain_first, chain_count;  // IK bones: the bones their solve moves, in PoseSkeleton::ik_chain
  uint8_t ik_link;       // a link of some IK bone (its solved turn stands before its key's)
};

struct PoseLink {
  int32_t bone;
  uint8_t limited;
  uint8_t knee;          // a link named ひざ that the file gave no limits: it takes a knee's, and 4x the step
  float lower[3], upper[3];  // radians, per axis X, Y, Z
};

constexpr int POSE_IK_BONE_LINKS = 64;  // links of one IK bone (real chains: 1 to about 20)
constexpr int POSE_IK_CHAIN = 16384;    // the bones all IK solves move, together (real models: a few hundred)
constexpr int64_t POSE_IK_WORK = 1 << 20;  // bone updates IK play may do in a frame (real models: thousands)

// Results of pose_skeleton_load.
enum PoseResult : int {
  POSE_DONE = 0,
  POSE_HOSTILE = 1,  // the skeleton, or a motion's keys, cannot be played: reason says why
};

struct PoseSkeleton {
  int32_t count;        // bones, the model's first (0 until loaded)
  int32_t model_count;  // the model's own bones
  PoseBone bone[POSE_SLOTS];
  int32_t order[POSE_SLOTS];  // evaluation order: parents and inheritance sources first
  int32_t order_count;        // bones in order (absent bones are left out)
  int32_t link_count;
  PoseLink link[POSE_LINKS];
  char reason[POSE_REASON];   // why the skeleton holds no pose ("" when it does)
  // IK play (pose/ik.h), made with the order: the bones by (after physics, layer, index), every bone
  // after its parent and inheritance source and every IK bone after the bones its solve moves.
  int32_t play_order[POSE_SLOTS];
  int32_t play_count;
  int32_t ik_chain_count;
  int32_t ik_chain[POSE_IK_CHAIN];  // per IK bone: from its topmost link down to its target
  int64_t ik_work;                  // bone updates of a frame at most, IK solves included
  char ik_reason[POSE_REASON];      // why IK cannot be played on the skeleton ("" when it can)
  int16_t name_slot[POSE_NAME_SLOTS];  // name hash: bone + 1, 0 empty (bones with long names are left out)
};

// Makes *s from the skeleton the PMX reader kept. POSE_DONE, or POSE_HOSTILE with a short English text
// in s->reason and s->count 0: the bone block was cut or had bad index sizes, more than 4,096 bones or
// 16,384 IK links, a rest position or inheritance weight that is not a number or lies beyond 100,000, a
// parent, inheritance source, IK target or IK link out of range, a bone its own parent or its own
// source, a parent cycle or an inheritance cycle. Nothing hangs: every walk is bounded by the bone count.
int pose_skeleton_load(PoseSkeleton* s, const PmxSkeleton* from);

// The bone of s whose name is exactly name (Shift-JIS, up to its 0), or -1. Absent bones are skipped;
// of two bones of one name, the first.
int pose_skeleton_find(const PoseSkeleton* s, const char* name);

// Adds a put-back bone (name, rest position, parent, flags; no inheritance, no IK) after the others:
// its index, or -1 when the skeleton is full or holds no pose. Call pose_skeleton_order afterwards.
int pose_skeleton_put(PoseSkeleton* s, const char* name, const float* rest, int parent, uint16_t flags);

// Copies src into dst: the bones in use, their order, the links and the name hash (not the unused rest of
// the record, which is large).
void pose_skeleton_copy(PoseSkeleton* dst, const PoseSkeleton* src);

// Orders s again (parents and sources first) and marks again the bones an IK moves, after bones were
// put back or taken out: POSE_DONE, or POSE_HOSTILE with the reason (a cycle). Makes IK play's order
// and chains too (pose_ik_prepare); IK data that cannot be played leaves its reason in s->ik_reason and
// the rest of the skeleton as it is.
int pose_skeleton_order(PoseSkeleton* s);

// IK play's order and chains (ik.cpp; ik.h tells what it refuses).
void pose_ik_prepare(PoseSkeleton* s);

// ---- Walks of the hierarchy ----
// Every walk follows s->order (parents and inheritance sources before the bones that need them; absent
// bones are in no order), so one pass settles a whole chain. Marks are per bone, 1 marked.

// A bone's rest position, model space.
inline PoseVec pose_skeleton_rest(const PoseSkeleton* s, int b) {
  const PoseBone& bone = s->bone[b];
  return {bone.rest[0], bone.rest[1], bone.rest[2]};
}

// A bone's rest position less its parent's (a root's: its rest position): where it stands in its
// parent's frame, before its key moves it. Inline: the evaluation of every bone reads it.
inline PoseVec pose_skeleton_offset(const PoseSkeleton* s, int b) {
  PoseVec offset = pose_skeleton_rest(s, b);
  int parent = s->bone[b].parent;
  return parent >= 0 ? pose_vsub(offset, pose_skeleton_rest(s, parent)) : offset;
}

// Marks the parent of every marked bone, and its parent in turn, up to a root; with within (may be
// null), only parents marked in within: a parent not within ends the chain.
void pose_skeleton_mark_parents(const PoseSkeleton* s, uint8_t* mark, const uint8_t* within);

// Marks in mark the inheritance source of every bone marked in of or in mark, and its source in turn
// (of may be mark itself).
void pose_skeleton_mark_sources(const PoseSkeleton* s, const uint8_t* of, uint8_t* mark);

// Marks every bone that hangs from a marked bone, at any depth.
void pose_skeleton_mark_children(const PoseSkeleton* s, uint8_t* mark);

// The marked bones into out, in s's order: their count (at most s->order_count).
int pose_skeleton_list(const PoseSkeleton* s, const uint8_t* mark, int32_t* out);
