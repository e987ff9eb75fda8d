// ik.h: a motion played with its IK solved, as players solve it.
//
// Order. Bones are evaluated by (after physics, deform layer, bone index), stable, every bone after its
// parent and its inheritance source and every IK bone after the bones its solve moves (its chain: from
// its topmost link down to its target). Per frame each link's solved turn starts at the identity; then
// for each bone B in that order: its key and inherited part as pose.h has them, where an inheritance
// source that is an IK link is seen with its solved turn (turn_S * q_S), so a bone that inherits from a
// solved leg after the leg's IK follows it; a link's local rotation is turn_B * q (the key's rotation
// stays inside); its world pose; and where B is an IK bone whose IK is on at the frame, the solve,
// after which the bones already posed below its links are posed again.
//
// One solve of IK bone K (goal g = K's position, effector e = its target's, links nearest the target
// first): the links' turns start at the identity; unless |g - e|^2 < 1e-8, min(loops, 256) passes,
// the first half of them "early", each over the links in order: a link whose limits are all zero stays;
// else from its position j, the turn that takes (e - j) towards (g - j), by at most K's angle a step
// times (the link's place + 1) (4 times that for a knee the file gave no limits), its axis in the
// parent's frame (snapped to that frame's axis in an early pass where one axis alone is free, as a knee
// turns about X); a limited link's rotation is taken apart into Euler angles (YXZ when its X range lies
// within +-90 degrees, else ZYX when its Y range does, else XZY; the middle angle within +-88), each
// angle held to its range (in an early pass an angle past a bound is reflected about it when that lands
// inside), and put together again. A pass that leaves |g - e|^2 < 1e-8 ends the solve.
//
// The IK switches of the motion (its show-and-IK block) turn an IK bone's solve on or off from a frame
// on; before the first switch of a name its state holds; a name without switches is on.
//
// Limits: 64 links an IK bone; 16,384 chain bones for all IK bones; 1,048,576 bone updates a frame
// (loops x links x chain bones, and the bones posed again after each solve), all checked when the
// skeleton is ordered, so no frame can do more.
#pragma once
#include <cstdint>

#include "pose/motion.h"
#include "pose/pose.h"
#include "pose/skeleton.h"

// Per bone, what IK play found at a frame.
enum PoseIkFlag : uint8_t {
  POSE_IK_SOLVED = 1,    // an IK bone whose IK was on and solved at this frame
  POSE_IK_REACHED = 2,   // such a bone whose target came within 0.01 units of its goal (a solve stops
                         // turning a link once the target lies within 1e-4 radians of the goal as seen
                         // from it, so a long chain may stop a little short of 1e-4 units)
  POSE_IK_AT_LIMIT = 4,  // a limited link whose solved rotation ends at a bound of a free axis (a knee held
                         // straight); only set where an IK on it was solved
};

struct PoseIkFrame {
  int32_t solved;             // IK bones solved at the frame
  int32_t missed;             // of them, those whose target did not reach its goal
  int64_t work;               // bone updates done
  uint8_t flags[POSE_SLOTS];  // PoseIkFlag bits per bone
  float miss[POSE_SLOTS];     // IK bones solved: the distance left between the target and the goal
};

// pose_ik_prepare(s), declared in skeleton.h: makes IK play's order and chains for s
// (pose_skeleton_order calls it). IK data that cannot be played
// leaves a short English text in s->ik_reason (and s->play_count 0): an IK bone with more than 64 links,
// no loops (0 or fewer), an angle a step or a link's limit that is not a number, an IK bone that is its
// own target or its own link, a link that is its own target or does not carry the target (every link
// must be above the target), an IK bone that hangs below its own links (its goal would move with its
// chain), chains of more than 16,384 bones together, more than 1,048,576 bone updates a frame, or an
// IK whose chain waits on the IK bone itself (or on another IK that does). Nothing else of the skeleton changes.

// Whether the IK of the bone named name (Shift-JIS) is on at frame in m.
bool pose_ik_on(const PoseMotion* m, const char* name, double frame);

// Every bone's world pose at frame, m played on s with its IK solved: world[bone] (s->count entries;
// absent bones get the identity); out (may be null) gets what each IK did. POSE_DONE, or POSE_HOSTILE
// when s holds no pose or its IK cannot be played (s->reason, s->ik_reason say why).
int pose_play_ik(const PoseSkeleton* s, const PoseMotion* m, double frame, PoseXf* world, PoseIkFrame* out);

// As pose_play_ik, but playing tracks (tracks[bone] for every bone of s, as pose_bind binds m's: a caller
// may put other keys in place of a bone's track) and posing only the bones marked in needed (s->count
// entries; null: every bone), which must hold whatever they need (pose_ik_needs completes a set); m gives
// only the IK switches. Bones not posed get the identity. POSE_DONE, or POSE_HOSTILE as pose_play_ik.
int pose_play_ik_tracks(const PoseSkeleton* s, const PoseTrackRef* tracks, const PoseMotion* m, const uint8_t* needed,
                        double frame, PoseXf* world, PoseIkFrame* out);

// Completes needed (s->count entries, each 0 or 1) with what the bones marked need to be posed by IK play:
// their parents and inheritance sources, and every IK bone that turns one of them (or a bone they hang
// from or inherit from) with its chain. Each bone is visited once. Nothing when s's IK cannot be played.
void pose_ik_needs(const PoseSkeleton* s, uint8_t* needed);
