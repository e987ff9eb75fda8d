// fold_target.cpp: a fold's targets (see fold_target.h).
//
// A frame's targets are evaluated from the nearest bones both skeletons share above the receivers (the
// bases: the receivers' parents after the fold that are no receivers; their world poses cancel out and
// are taken as the identity), or from the roots where a source's chain reaches no base. Before the fold:
// each source's chain up to a base, with the inheritance sources it needs; after it: the receivers in
// order (the chain), the sources they need, and the bases.
//
// Records: fold_targeting, the fold's bones and skeletons, the lists each frame evaluates, one frame's
// poses and keys, and the keys kept by frame; written by fold_target_start, fold_target_keep and
// fold_target_keys_at for the fold in progress.
// Limits: 256 receivers; 262,144 receiver-frames of keys kept (a fold that needs more finds them again).
// Trust: both skeletons were checked and ordered; every list is a subset of a skeleton's order.
#include "pose/fold_target.h"

#include <cstring>

constexpr int FOLD_KEPT = 1 << 18;  // receiver-frames of keys kept

// What a bone of the chain after the fold is read for by a later bone of the chain (bits).
enum : uint8_t { NEEDED_WORLD = 1, NEEDED_LOCAL = 2 };

// A key kept, as floats.
struct FoldKeptKey {
  float p[3], q[4];
};

struct FoldTargeting {
  // The fold (fold_target_start).
  const FoldBones* bones;
  const PoseSkeleton* before;
  const PoseTrackRef* before_tracks;
  const PoseSkeleton* after;
  const PoseTrackRef* after_tracks;
  // What each frame evaluates.
  bool full_chains;  // evaluated from the roots (no common base was found)
  int32_t before_locals[POSE_SLOTS], n_before_locals;  // before: the chains and the sources they need
  int32_t before_worlds[POSE_SLOTS], n_before_worlds;  // before: the chains
  int32_t before_bases[POSE_SLOTS], n_before_bases;
  int32_t after_chain[POSE_SLOTS], n_after_chain;      // after: the receivers and (full chains) their parents
  int32_t after_src[POSE_SLOTS], n_after_src;          // after: the sources the chain needs, not in it
  int32_t after_bases[POSE_SLOTS], n_after_bases;
  uint8_t after_needed[POSE_SLOTS];   // per chain bone: NEEDED_WORLD and/or NEEDED_LOCAL
  uint8_t own_local[POSE_SLOTS];      // per bone: before_local holds its track's own pose (nothing inherited)
  uint8_t recv_on_before[FOLD_RECEIVERS];  // per receiver: its local pose is evaluated before the fold,
                                           // without an inherited translation (its key's translation is there)
  int32_t recv_index[POSE_SLOTS];     // per receiver bone: its receiver
  uint8_t base[POSE_SLOTS], mark[POSE_SLOTS], local[POSE_SLOTS];  // the lists' marks
  // One frame.
  double before_frame;  // the frame before_local was evaluated at (-1: none)
  PoseXf before_local[POSE_SLOTS], before_world[POSE_SLOTS];
  PoseXf after_local[POSE_SLOTS], after_world[POSE_SLOTS];
  PoseXf after_world_exact[POSE_SLOTS];  // world poses after the fold with the exact keys
  int32_t hint_before[POSE_SLOTS], hint_after[POSE_SLOTS];
  PoseXf written[FOLD_RECEIVERS];  // the receivers' keys as written
  PoseXf exact[FOLD_RECEIVERS];    // the keys that give every receiver its pose whole
  // The keys kept by frame: frame k of the grid, receiver r at [k * receivers + r].
  bool keeping;
  uint32_t kept_first, kept_stride;
  uint8_t kept_have[FOLD_KEPT];
  FoldKeptKey kept_written[FOLD_KEPT], kept_exact[FOLD_KEPT];
};
static FoldTargeting fold_targeting;

// Marks, before the fold, each receiver's source and its parents up to a base; false when a chain ends
// at a root while its receiver hangs from a base (the two would be in different frames).
static bool fold_target_chains(FoldTargeting& t, int n) {
  const FoldBones& fb = *t.bones;
  for (int r = 0; r < fb.nrecv; r++) {
    int b = fb.src[r];
    for (int guard = 0; b >= 0 && !t.base[b] && guard <= n; guard++) {
      t.mark[b] = 1;
      b = t.before->bone[b].parent;
    }
    int parent = t.after->bone[fb.recv[r]].parent;
    if (b < 0 && parent >= 0 && !fb.is_recv[parent]) return false;
  }
  return true;
}

// The lists each frame evaluates (see the top of this file).
static void fold_target_lists(FoldTargeting& t) {
  const FoldBones& fb = *t.bones;
  const PoseSkeleton* a = t.before;
  const PoseSkeleton* b = t.after;
  int n = a->count;
  t.full_chains = false;
  std::memset(t.base, 0, sizeof t.base);
  std::memset(t.mark, 0, sizeof t.mark);
  for (int r = 0; r < fb.nrecv; r++) {
    int p = b->bone[fb.recv[r]].parent;
    if (p >= 0 && !fb.is_recv[p]) t.base[p] = 1;
  }
  if (!fold_target_chains(t, n)) {
    t.full_chains = true;
    std::memset(t.base, 0, sizeof t.base);
    std::memset(t.mark, 0, sizeof t.mark);
    fold_target_chains(t, n);
  }
  std::memcpy(t.local, t.mark, sizeof t.local);
  pose_skeleton_mark_sources(a, t.local, t.local);
  t.n_before_worlds = pose_skeleton_list(a, t.mark, t.before_worlds);
  t.n_before_locals = pose_skeleton_list(a, t.local, t.before_locals);
  t.n_before_bases = pose_skeleton_list(a, t.base, t.before_bases);
  for (int i = 0; i < n; i++) t.own_local[i] = t.local[i] && a->bone[i].inherit < 0;
  for (int r = 0; r < fb.nrecv; r++) {
    const PoseBone& bone = a->bone[fb.recv[r]];
    t.recv_on_before[r] =
        t.local[fb.recv[r]] && !(bone.inherit >= 0 && (bone.flags & PMX_BONE_INHERITS_TRANSLATION));
  }
  // After: the receivers and, from the roots, everything above them.
  std::memset(t.mark, 0, sizeof t.mark);
  for (int r = 0; r < fb.nrecv; r++) t.mark[fb.recv[r]] = 1;
  if (t.full_chains) pose_skeleton_mark_parents(b, t.mark, nullptr);
  std::memset(t.local, 0, sizeof t.local);
  pose_skeleton_mark_sources(b, t.mark, t.local);
  for (int i = 0; i < n; i++) t.local[i] = t.local[i] && !t.mark[i];  // the chain's own bones are no sources
  t.n_after_chain = pose_skeleton_list(b, t.mark, t.after_chain);
  t.n_after_src = pose_skeleton_list(b, t.local, t.after_src);
  t.n_after_bases = pose_skeleton_list(b, t.base, t.after_bases);
  // What the chain reads of its own bones: a parent's world poses, a source's local pose.
  for (int i = 0; i < t.n_after_chain; i++) t.after_needed[t.after_chain[i]] = 0;
  for (int i = 0; i < t.n_after_chain; i++) {
    const PoseBone& bone = b->bone[t.after_chain[i]];
    if (bone.parent >= 0 && t.mark[bone.parent]) t.after_needed[bone.parent] |= NEEDED_WORLD;
    if (bone.inherit >= 0 && t.mark[bone.inherit]) t.after_needed[bone.inherit] |= NEEDED_LOCAL;
  }
}

void fold_target_start(const FoldBones* bones, const PoseSkeleton* before, const PoseTrackRef* before_tracks,
                       const PoseSkeleton* after, const PoseTrackRef* after_tracks) {
  FoldTargeting& t = fold_targeting;
  t.bones = bones;
  t.before = before;
  t.before_tracks = before_tracks;
  t.after = after;
  t.after_tracks = after_tracks;
  t.keeping = false;
  fold_target_lists(t);
  for (int i = 0; i < before->count; i++) t.hint_before[i] = t.hint_after[i] = -1;
  t.before_frame = -1.0;
}

// Receiver r's keys at frame (it is bone x of the chain after the fold, below parent and, with the exact
// keys, parent_x; offset, inherited, moved: its rest offset and what it inherits). Gives its local pose
// with the exact keys.
static PoseXf fold_target_receiver(FoldTargeting& t, int r, int x, double frame, const PoseXf& parent,
                                   const PoseXf& parent_x, PoseVec offset, PoseQuat inherited, PoseVec moved) {
  const FoldBones& fb = *t.bones;
  const PoseBone& b = t.after->bone[x];
  const PoseXf& src = t.before_world[fb.src[r]];
  PoseVec pivot = pose_vsub(pose_skeleton_rest(t.before, x), pose_skeleton_rest(t.before, fb.src[r]));
  PoseXf target = {pose_xapply(src, pivot), src.q};
  PoseXf local = pose_xmul(pose_xinverse(parent), target);
  PoseXf key;
  key.q = pose_qmul(local.q, pose_qconj(inherited));
  pose_qnormalize(&key.q);
  if (b.flags & PMX_BONE_TRANSLATES) {
    key.p = pose_vsub(pose_vsub(local.p, offset), moved);
  } else if (t.recv_on_before[r]) {
    key.p = t.before_local[x].p;
  } else {
    PoseQuat unused;
    pose_track_at(t.before_tracks[x], frame, &key.p, &unused, &t.hint_before[x]);
  }
  t.written[r] = key;
  if (t.after_needed[x] & (NEEDED_WORLD | NEEDED_LOCAL)) {
    t.after_local[x] = PoseXf{pose_vadd(key.p, moved), pose_qmul(key.q, inherited)};
  }
  PoseXf exact, local_x;
  if (std::memcmp(&parent, &parent_x, sizeof parent) == 0) {
    // Below the same pose (a base: most receivers) the exact keys turn as the written ones.
    local_x = local;
    exact.q = key.q;
  } else {
    local_x = pose_xmul(pose_xinverse(parent_x), target);
    exact.q = pose_qmul(local_x.q, pose_qconj(inherited));
    pose_qnormalize(&exact.q);
  }
  exact.p = pose_vsub(pose_vsub(local_x.p, offset), moved);
  t.exact[r] = exact;
  return local_x;
}

// The receivers' keys at frame into written and exact: the world poses before the fold, then the chain
// after it, bone by bone.
static void fold_target_solve(FoldTargeting& t, double frame) {
  const FoldBones& fb = *t.bones;
  PoseEval ea = {t.before, t.before_tracks, nullptr, nullptr, t.hint_before};
  for (int k = 0; k < t.n_before_bases; k++) t.before_world[t.before_bases[k]] = pose_xidentity();
  pose_locals(ea, t.before_locals, t.n_before_locals, frame, t.before_local);
  t.before_frame = frame;
  pose_worlds(ea, t.before_worlds, t.n_before_worlds, t.before_local, t.before_world);
  PoseEval eb = {t.after, t.after_tracks, nullptr, nullptr, t.hint_after};
  for (int k = 0; k < t.n_after_bases; k++) {
    t.after_world[t.after_bases[k]] = t.after_world_exact[t.after_bases[k]] = pose_xidentity();
  }
  pose_locals(eb, t.after_src, t.n_after_src, frame, t.after_local);
  for (int r = 0; r < fb.nrecv; r++) t.recv_index[fb.recv[r]] = r;
  for (int i = 0; i < t.n_after_chain; i++) {
    int x = t.after_chain[i];
    const PoseBone& b = t.after->bone[x];
    PoseXf parent = b.parent >= 0 ? t.after_world[b.parent] : pose_xidentity();
    PoseXf parent_x = b.parent >= 0 ? t.after_world_exact[b.parent] : pose_xidentity();
    PoseVec offset = pose_skeleton_offset(t.after, x);
    PoseQuat inherited = pose_qidentity();
    PoseVec moved = {0.0, 0.0, 0.0};
    if (b.inherit >= 0) {
      const PoseXf& from = t.after_local[b.inherit];
      if (b.flags & PMX_BONE_INHERITS_ROTATION) inherited = pose_qpow(from.q, b.inherit_weight);
      if (b.flags & PMX_BONE_INHERITS_TRANSLATION) moved = pose_vscale(from.p, b.inherit_weight);
    }
    PoseXf local_x;  // the local pose with the exact keys
    if (fb.is_recv[x]) {
      local_x = fold_target_receiver(t, t.recv_index[x], x, frame, parent, parent_x, offset, inherited, moved);
    } else {
      PoseXf key;
      pose_track_at(t.after_tracks[x], frame, &key.p, &key.q, &t.hint_after[x]);
      t.after_local[x] = PoseXf{pose_vadd(key.p, moved), pose_qmul(key.q, inherited)};
      local_x = PoseXf{pose_vadd(offset, t.after_local[x].p), t.after_local[x].q};
    }
    // World poses only for the chain's parents (a receiver is its chain's last bone as a rule).
    if (t.after_needed[x] & NEEDED_WORLD) {
      t.after_world[x] = pose_xmul(parent, PoseXf{pose_vadd(offset, t.after_local[x].p), t.after_local[x].q});
      t.after_world_exact[x] = pose_xmul(parent_x, local_x);
    }
  }
}

bool fold_target_keep(uint32_t first, uint32_t last, uint32_t stride) {
  FoldTargeting& t = fold_targeting;
  int64_t frames = ((int64_t)last - first) / stride + 1;
  t.keeping = frames * t.bones->nrecv <= FOLD_KEPT;
  t.kept_first = first;
  t.kept_stride = stride;
  if (t.keeping) std::memset(t.kept_have, 0, (size_t)frames);
  return t.keeping;
}

static FoldKeptKey fold_target_kept_of(const PoseXf& x) {
  return {{(float)x.p.x, (float)x.p.y, (float)x.p.z}, {(float)x.q.x, (float)x.q.y, (float)x.q.z, (float)x.q.w}};
}
static PoseXf fold_target_pose_of(const FoldKeptKey& k) {
  return {{k.p[0], k.p[1], k.p[2]}, {k.q[0], k.q[1], k.q[2], k.q[3]}};
}

bool fold_target_keys_at(double frame, int want) {
  FoldTargeting& t = fold_targeting;
  int nrecv = t.bones->nrecv;
  uint32_t f = (uint32_t)frame;
  bool kept = t.keeping && (double)f == frame && f >= t.kept_first && (f - t.kept_first) % t.kept_stride == 0;
  int64_t at = kept ? (int64_t)((f - t.kept_first) / t.kept_stride) : 0;
  if (kept && t.kept_have[at]) {
    if (want & KEYS_WRITTEN) {
      for (int r = 0; r < nrecv; r++) t.written[r] = fold_target_pose_of(t.kept_written[at * nrecv + r]);
    }
    if (want & KEYS_EXACT) {
      for (int r = 0; r < nrecv; r++) t.exact[r] = fold_target_pose_of(t.kept_exact[at * nrecv + r]);
    }
    return true;
  }
  fold_target_solve(t, frame);
  if (!kept) return true;
  for (int r = 0; r < nrecv; r++) {
    t.kept_written[at * nrecv + r] = fold_target_kept_of(t.written[r]);
    t.kept_exact[at * nrecv + r] = fold_target_kept_of(t.exact[r]);
  }
  t.kept_have[at] = 1;
  return false;
}

const PoseXf* fold_target_written() { return fold_targeting.written; }
const PoseXf* fold_target_exact() { return fold_targeting.exact; }

bool fold_target_own_pose(int bone, uint32_t frame, PoseXf* x) {
  const FoldTargeting& t = fold_targeting;
  if (!(t.own_local[bone] && t.before_frame == (double)frame)) return false;
  *x = t.before_local[bone];
  return true;
}
