// motion.h: a motion's bone keys as the pose engine plays them: one track per bone name, its keys in
// frame order with their values and their 64 curve bytes kept raw, and its IK switches per IK bone
// name, loaded from a VMD file by the one walk (formats/vmd_walk.h) with the same renamings as the
// fitted copy (formats/vmd_fit.h).
//
// A motion is a value the caller keeps (about 55 MB at its bound: keep one, statically or on the heap;
// only the keys loaded are ever touched). All zeros is an empty motion; a load empties it as far as the
// load before filled it (its name hash is never cleared whole), so a motion must start as all zeros.
#pragma once
#include <cstdint>

#include "formats/vmd_fit.h"
#include "pose/curve.h"
#include "pose/skeleton.h"

constexpr int POSE_KEYS = 1 << 19;      // bone keys a motion keeps (real dances: 10,000 to 100,000)
constexpr int POSE_TRACKS = 8192;       // bone names a motion keeps (twice the bones a skeleton keeps)
constexpr int POSE_TRACK_NAME = 16;     // a key's name: 15 bytes and a terminator
constexpr int POSE_TRACK_SLOTS = 2 * POSE_TRACKS;  // the name hash, at most half full

struct PoseKey {
  uint32_t frame;
  float pos[3];                     // offset from the rest position
  float rot[4];                     // x, y, z, w: unit length (normalised when loaded)
  uint8_t curve[POSE_CURVE_BYTES];  // as the file has them
};

struct PoseTrack {
  char name[POSE_TRACK_NAME];  // Shift-JIS, after the renamings
  int32_t first, count;        // its keys in PoseMotion::key, by frame, one per frame
  int32_t file_keys;           // the keys of this name the file holds (two on one frame count twice)
  int32_t slot;                // its place in PoseMotion::slot (private: the next load clears it)
};

constexpr int POSE_IK_SWITCHES = 1 << 18;  // IK switches a motion keeps (a switch a frame per IK bone: 6,000 frames of 40)
constexpr int POSE_IK_TRACKS = 1024;       // IK bone names a motion switches (real motions: 2 to 20)
constexpr int POSE_IK_NAME = 21;           // an IK switch's name: 20 bytes and a terminator
constexpr int POSE_IK_SLOTS = 2 * POSE_IK_TRACKS;  // the IK names' hash, at most half full

// One IK switch: from frame on, the IK bone's solve is on or off.
struct PoseIkSwitch {
  uint32_t frame;
  uint8_t on;
};

struct PoseIkTrack {
  char name[POSE_IK_NAME];  // Shift-JIS, after the renamings
  int32_t first, count;     // its switches in PoseMotion::ik_switch, by frame, one per frame
};

struct PoseMotion {
  int32_t track_count;
  PoseTrack track[POSE_TRACKS];
  int32_t key_count;
  PoseKey key[POSE_KEYS];
  int64_t file_bone_keys;   // bone keys the file holds whole (every name)
  uint32_t last_frame;      // the largest frame of any key kept (0 without keys)
  int16_t slot[POSE_TRACK_SLOTS];  // name hash: track + 1, 0 empty
  uint32_t sort[POSE_KEYS];        // scratch of the load
  uint16_t key_track[POSE_KEYS];   // scratch of the load
  char reason[POSE_REASON];        // why the motion holds no keys to play ("" when it does)
  int32_t ik_track_count;
  PoseIkTrack ik_track[POSE_IK_TRACKS];
  int32_t ik_switch_count;
  PoseIkSwitch ik_switch[POSE_IK_SWITCHES];
  int16_t ik_slot[POSE_IK_SLOTS];  // IK name hash: track + 1, 0 empty
  uint32_t ik_frame;               // scratch of the load: the frame of the switches being read
};

// Loads the bone keys and the IK switches of the motion p names (opened by the spelling it names), every
// key's and switch's name renamed by renames (count of them) as vmd_fit_copy renames it. A name's keys
// (switches) are sorted by frame; of two on one frame the later in the file is kept, as players keep it.
// Uses the byte reader. POSE_DONE; or POSE_HOSTILE with m->reason: the file cannot be opened, is not a
// VMD motion, declares more than 524,288 bone keys (refused before any is kept), names more than 8,192
// bones, a key whose rotation is zero or not a number, or a position that is not a number or lies
// beyond 100,000; holds more than 262,144 IK switches or switches more than 1,024 names; or a renaming
// is refused. A file cut inside a block gives what was read whole before.
int pose_motion_load(PoseMotion* m, const OpenedPath& p, const VmdRename* renames, int rename_count);
// The same from the motion's file kept in memory (formats/vmd.h, vmd_kept: size bytes, the whole file);
// the file is not opened. The bytes are not changed.
int pose_motion_load_bytes(PoseMotion* m, const unsigned char* bytes, int64_t size, const VmdRename* renames,
                           int rename_count);

// The track of name (exactly, up to its 0), or -1.
int pose_motion_track(const PoseMotion* m, const char* name);

// The IK switches of the IK bone named name (exactly, up to its 0), or -1.
int pose_motion_ik_track(const PoseMotion* m, const char* name);

// True when some key of the track moves its bone from the rest pose: a position beyond 1e-4 units or
// a rotation beyond 1e-3 degrees.
bool pose_track_moves(const PoseMotion* m, int track);
