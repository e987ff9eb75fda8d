// pose.h: playing a motion on a skeleton: a track's key at any frame, as players evaluate it, and
// forward kinematics with inherited rotation and translation, parents before children. No IK is
// solved here (ik.h plays a motion with it): the bones an IK moves are known (PoseBone::ik_moved) and
// left out wherever these poses are compared.
//
// A track at frame f: before its first key, the first key's values; after its last, the last key's;
// between keys k0 and k1, s = (f - f0) / (f1 - f0), k1's curves give each position axis its share and
// the rotation its share of the slerp from k0 to k1 (the shorter arc).
//
// A bone's local pose: its key (translation t, rotation q), and when it inherits from a source S with
// weight w, S's local rotation a (its key, times its own inherited part) as a^w (pose_qpow), turning
// first: q * a^w; and S's local translation times w added to t. Its world pose: the parent's world
// pose, then the offset from the parent's rest position plus t, then the rotation.
#pragma once
#include <cstdint>

#include "pose/motion.h"
#include "pose/pose_math.h"
#include "pose/skeleton.h"

// A track to play: its keys, by frame, one per frame (count 0: the bone stays at rest).
struct PoseTrackRef {
  const PoseKey* keys;
  int32_t count;
};

// The track's key at frame: translation into *pos, rotation into *rot. *hint (may be null) is the span
// last used, to start from when frames come in order.
void pose_track_at(const PoseTrackRef& track, double frame, PoseVec* pos, PoseQuat* rot, int32_t* hint);

// The pose between two keys of a track at frame (a.frame <= frame <= b.frame, a before b): a's values,
// then b's curves, as pose_track_at plays that span.
void pose_span_at(const PoseKey& a, const PoseKey& b, double frame, PoseVec* pos, PoseQuat* rot);

// Binds every bone of s to the track of its name in m (count 0 where m has none): tracks[bone].
void pose_bind(const PoseSkeleton* s, const PoseMotion* m, PoseTrackRef* tracks);

// What the evaluation of a skeleton plays: its tracks, and optionally keys set per bone instead of the
// track's (override[bone] is used where overridden[bone] is 1), as the folds try keys out.
struct PoseEval {
  const PoseSkeleton* s;
  const PoseTrackRef* tracks;
  const PoseXf* override_key;  // may be null
  const uint8_t* overridden;   // may be null
  int32_t* hints;              // per bone, may be null
};

// The local poses (p: translation from the key and inheritance, without the rest offset; q: the
// rotation) of bones[0..n), which lists bones in the skeleton's order and every inheritance source
// before the bones inheriting from it. Inline: the folds call it for a bone or two at a time, many times.
inline void pose_locals(const PoseEval& e, const int32_t* bones, int n, double frame, PoseXf* local) {
  for (int i = 0; i < n; i++) {
    int b = bones[i];
    const PoseBone& bone = e.s->bone[b];
    PoseXf x;
    if (e.overridden != nullptr && e.overridden[b]) x = e.override_key[b];
    else pose_track_at(e.tracks[b], frame, &x.p, &x.q, e.hints != nullptr ? &e.hints[b] : nullptr);
    if (bone.inherit >= 0) {
      const PoseXf& src = local[bone.inherit];
      if (bone.flags & PMX_BONE_INHERITS_ROTATION) x.q = pose_qmul(x.q, pose_qpow(src.q, bone.inherit_weight));
      if (bone.flags & PMX_BONE_INHERITS_TRANSLATION) x.p = pose_vadd(x.p, pose_vscale(src.p, bone.inherit_weight));
    }
    local[b] = x;
  }
}

// The world poses of bones[0..n) (in order: every bone after its parent, or with its parent's world pose
// already in world) from their local poses. A root's parent is the identity.
void pose_worlds(const PoseEval& e, const int32_t* bones, int n, const PoseXf* local, PoseXf* world);

// Every bone's world pose at frame, m played on s: world[bone] (s->count entries; absent bones get the
// identity). POSE_DONE, or POSE_HOSTILE when s holds no pose.
int pose_play(const PoseSkeleton* s, const PoseMotion* m, double frame, PoseXf* world);
