// pmx.h: the PMX model reader. Fills the target model's tables (check/model.h): its display name and
// the Shift-JIS Japanese names of its bones and morphs; and keeps the model's skeleton (every bone's
// rest position, parent, deform layer, flags, inheritance, fixed axis and IK) in a record of its own, which the pose
// engine (pose/skeleton.h) reads and checks.
#pragma once
#include <cstdint>

#include "check/model.h"
#include "formats/filechan.h"
#include "formats/read_end.h"

// Reads the model p names, opened by the spelling it names (pmdinforead_a: by an ANSI path alone,
// pmdinforead_w: by a UTF-16 path alone).
// READ_DONE (also when a structural error ended the walk early), READ_NOT_FORMAT not a PMX file,
// READ_UNOPENED cannot be opened. Every attempt starts with empty tables and an empty display name.
int pmdinforead(const OpenedPath& p);
int pmdinforead_a(const char* path);
int pmdinforead_w(const char16_t* wpath);
// How the file of the last read ended: whole, or cut inside which block after how many of the records
// its count declares (faces: indices; the header: bytes, with no count), or stopped there by the
// structural fault that fault names. Valid until the next read.
const ReadEnd* pmx_end();

// ---- The skeleton ---------------------------------------------------------------------------------------

constexpr int PMX_BONES = 4096;     // bones kept: as many as the model tables keep names (MODEL_BONES)
constexpr int PMX_IK_LINKS = 16384; // IK links kept, for all the bones together (real models: a few hundred)
constexpr int PMX_BONE_NAME = 32;   // a bone's Shift-JIS name: 31 bytes and a terminator (keys name 15)

// The bone flags the skeleton's users read.
enum PmxBoneFlag : uint16_t {
  PMX_BONE_ROTATES = 0x0002,
  PMX_BONE_TRANSLATES = 0x0004,
  PMX_BONE_IK = 0x0020,
  PMX_BONE_INHERITS_ROTATION = 0x0100,
  PMX_BONE_INHERITS_TRANSLATION = 0x0200,
  PMX_BONE_FIXED_AXIS = 0x0400,
  PMX_BONE_LOCAL_AXES = 0x0800,
  PMX_BONE_AFTER_PHYSICS = 0x1000,
};

// One IK link: the bone it turns, and its limits (radians) when limited.
struct PmxIkLink {
  int32_t bone;  // as in the file: may be out of range
  uint8_t limited;
  float lower[3];
  float upper[3];
};

// One bone as the file gives it. Indices are as in the file (-1 for none) and are not checked here:
// any may be out of range, and floats may be anything a file holds.
struct PmxBone {
  char name[PMX_BONE_NAME];  // Japanese name, Shift-JIS, cut to 31 bytes without a broken last character
  uint8_t long_name;         // 1 when the name was longer than 31 bytes
  uint16_t flags;            // PmxBoneFlag bits, and the others as the file has them
  float position[3];         // rest position, model space
  int32_t parent;            // -1: a root
  int32_t layer;             // the deform layer (transform level), as the file gives it
  int32_t inherit;           // inherited rotation or translation: the source (-1 without the flags)
  float inherit_weight;
  float axis[3];             // the fixed axis (0 without the flag)
  int32_t ik_target;         // IK bones: the target (-1 otherwise)
  int32_t ik_loops;
  float ik_limit;            // radians a loop turns at most
  int32_t link_first;        // IK bones: their links, in PmxSkeleton::link
  int32_t link_count;
};

// The bones of the model last read. Written by every read; all zeros means no skeleton.
struct PmxSkeleton {
  int32_t bone_count;     // bones kept (at most PMX_BONES)
  int32_t declared;       // the bone block's count (0 when the file ended before it)
  uint8_t whole;          // 1 when the bone block was read whole (every declared bone, kept or not)
  uint8_t index_size_bad; // 1 when the model's bone indices have a size other than 1, 2 or 4
  uint8_t links_dropped;  // 1 when IK links beyond PMX_IK_LINKS were dropped
  int32_t link_count;
  PmxBone bone[PMX_BONES];
  PmxIkLink link[PMX_IK_LINKS];
};

// The skeleton of the last read, read-only; valid until the next read.
const PmxSkeleton* pmx_skeleton();
