// fold_union.cpp: a fold's keys at the union of its tracks' frames (see fold_union.h).
//
// The union's spans are walked in order: each track's moves over a span start where the last span
// ended, and its poses at the union's frames are taken from the targets found there where they were.
//
// Records: fold_unioning, the fold's union, its quiet spans, and how each track moves over the span
// being keyed; written by fold_union_make and fold_union_keys for the fold in progress.
// Limits: 262,144 keys in the tracks merged (FOLD_KEYS); 256 receivers, 3 removed bones.
// Trust: the tracks were checked when loaded (one key per frame, by frame); every walk is bounded by a
// count.
#include "pose/fold_union.h"

#include <cmath>
#include <cstring>

#include "pose/curve.h"

// How a track moves over a span (f0, f1]: per channel, how far (units, or radians for R), and the curve
// of its key that drives the span, cut to the span.
struct FoldMove {
  double moved[CURVE_CHANNELS];
  PoseBezier curve[CURVE_CHANNELS];
  // The track's pose at the end of the last span asked (the next span starts there): its key after
  // that frame (null: none kept), the frame and the pose.
  const PoseKey* end;
  uint32_t end_frame;
  PoseVec end_p;
  PoseQuat end_q;
  int32_t at;  // where the last span was found (the union's spans come in order)
};

struct FoldUnioning {
  const FoldBones* bones;
  const PoseTrackRef* tracks;       // per bone, before the fold
  int count;                        // frames in the union
  uint32_t frame[FOLD_KEYS];        // the union, rising
  uint32_t merged[FOLD_KEYS];       // the merge's scratch
  uint8_t quiet[FOLD_KEYS];         // per span ending at frame[i]: nothing to check
  FoldMove removed_move[3];         // how the removed bones move over the span being keyed
  FoldMove own_move[FOLD_RECEIVERS];  // and how each receiver's own track moves
  // Per receiver, at the union's frame being keyed: its own first key at or after it, and whether it has
  // a key on that frame and on the one before.
  int32_t own_at[FOLD_RECEIVERS];
  uint8_t own_keyed[FOLD_RECEIVERS], own_keyed_before[FOLD_RECEIVERS];
  bool rest_before;                   // the frame before: the removed bones rested there
  PoseXf own_before[FOLD_RECEIVERS];  // and the receivers' own poses there
};
static FoldUnioning fold_unioning;

int fold_union_make(const FoldBones* bones, const PoseTrackRef* tracks) {
  FoldUnioning& u = fold_unioning;
  u.bones = bones;
  u.tracks = tracks;
  int64_t total = 0;
  int n = 0;
  // Each track's frames rise (one key per frame): merged into the union one track after another.
  auto add = [&](const PoseTrackRef& t) {
    total += t.count;
    if (total > FOLD_KEYS) return false;
    int i = 0, j = 0, m = 0;
    while (i < n || j < t.count) {
      uint32_t f = j == t.count || (i < n && u.frame[i] <= t.keys[j].frame) ? u.frame[i] : t.keys[j].frame;
      if (i < n && u.frame[i] == f) i++;
      if (j < t.count && t.keys[j].frame == f) j++;
      if (m == 0 || u.merged[m - 1] != f) u.merged[m++] = f;
    }
    std::memcpy(u.frame, u.merged, sizeof(uint32_t) * (size_t)m);
    n = m;
    return true;
  };
  for (int k = 0; k < bones->nremoved; k++) {
    if (!add(tracks[bones->removed[k]])) return -1;
  }
  for (int r = 0; r < bones->nrecv; r++) {
    if (!add(tracks[bones->recv[r]])) return -1;
  }
  u.count = n;
  return n;
}

const uint32_t* fold_union_frames() { return fold_unioning.frame; }
const uint8_t* fold_union_quiet() { return fold_unioning.quiet; }

// The first key of a track at or after frame (t.count when none), by bisection.
static int fold_union_key_from(const PoseTrackRef& t, uint32_t frame) {
  int lo = 0, up = t.count;
  while (lo < up) {
    int mid = lo + (up - lo) / 2;
    if (t.keys[mid].frame < frame) lo = mid + 1;
    else up = mid;
  }
  return lo;
}

// fold_union_key_from, going on from *at where every key before it lies before frame (frames asked in
// order move it on by a key or two), else by bisection; *at becomes the answer.
static int fold_union_key_next(const PoseTrackRef& t, uint32_t frame, int32_t* at) {
  int i = *at;
  if (i < 0 || i > t.count || (i > 0 && t.keys[i - 1].frame >= frame)) {
    i = fold_union_key_from(t, frame);
  } else {
    while (i < t.count && t.keys[i].frame < frame) i++;
  }
  *at = i;
  return i;
}

// How bone's track moves over the span (f0, f1] into *m.
static void fold_union_moves(int bone, uint32_t f0, uint32_t f1, FoldMove* m) {
  const PoseTrackRef& t = fold_unioning.tracks[bone];
  for (double& v : m->moved) v = 0.0;
  if (t.count < 2) return;
  // The track's span holding (f0, f1]: its first key at or after f1, and the key before.
  int lo = fold_union_key_next(t, f1, &m->at);
  if (lo == 0 || lo == t.count) return;
  const PoseKey& a = t.keys[lo - 1];
  const PoseKey& b = t.keys[lo];
  PoseVec p0, p1;
  PoseQuat q0, q1;
  // The union's spans follow one another: where this one starts the last one asked ended, on the same
  // span of the track.
  if (m->end == &b && m->end_frame == f0) {
    p0 = m->end_p;
    q0 = m->end_q;
  } else {
    pose_span_at(a, b, f0, &p0, &q0);
  }
  // Inside the span, the targets of f1 played the same span at f1 (at its end the track's next span).
  PoseXf own;
  if (f1 < b.frame && fold_target_own_pose(bone, f1, &own)) {
    p1 = own.p;
    q1 = own.q;
  } else {
    pose_span_at(a, b, f1, &p1, &q1);
  }
  m->end = &b;
  m->end_frame = f1;
  m->end_p = p1;
  m->end_q = q1;
  m->moved[CURVE_X] = std::fabs(p1.x - p0.x);
  m->moved[CURVE_Y] = std::fabs(p1.y - p0.y);
  m->moved[CURVE_Z] = std::fabs(p1.z - p0.z);
  m->moved[CURVE_R] = pose_qbetween(q0, q1);
  double fa = a.frame, fb = b.frame;
  PoseBezier bz[CURVE_CHANNELS];
  for (int c = 0; c < CURVE_CHANNELS; c++) {
    if (!(m->moved[c] > 0.0)) continue;
    bz[c] = curve_get(b.curve, c);
    // Channels often share one curve: its part is found once.
    int same = 0;
    while (same < c && !(m->moved[same] > 0.0 && curve_same(bz[same], bz[c]))) same++;
    if (same < c) m->curve[c] = m->curve[same];
    else curve_part(bz[c], (f0 - fa) / (fb - fa), (f1 - fa) / (fb - fa), &m->curve[c]);
  }
}

// The curves of receiver r's key at the union's frame i into ch (who[c]: whose curve channel c took,
// a removed bone k, the receiver's own track (bones->nremoved), or -1 none): the curve of the track
// that moves each channel the most over the span before it; where several move it, their curves'
// control points blended by how far each moves (a composed turn runs at a blend of their paces). True
// when no channel took a removed bone's curve.
static bool fold_union_curves(int r, int i, PoseBezier* ch, int* who) {
  FoldUnioning& u = fold_unioning;
  int nremoved = u.bones->nremoved;
  // The removed bones' moves were found once for the span; the receiver's own here.
  FoldMove& own = u.own_move[r];
  fold_union_moves(u.bones->recv[r], u.frame[i - 1], u.frame[i], &own);
  bool only_own = true;
  for (int c = 0; c < CURVE_CHANNELS; c++) {
    double best = 1e-12, total = 0.0, blend[4] = {0, 0, 0, 0};
    for (int k = 0; k <= nremoved; k++) {
      const FoldMove& mv = k < nremoved ? u.removed_move[k] : own;
      if (!(mv.moved[c] > 1e-12)) continue;
      const PoseBezier& b = mv.curve[c];
      blend[0] += mv.moved[c] * b.x1, blend[1] += mv.moved[c] * b.y1;
      blend[2] += mv.moved[c] * b.x2, blend[3] += mv.moved[c] * b.y2;
      total += mv.moved[c];
      if (mv.moved[c] > best) best = mv.moved[c], who[c] = k, ch[c] = mv.curve[c];
    }
    if (who[c] >= 0 && total > best * (1.0 + 1e-9)) {
      ch[c] = PoseBezier{curve_round(blend[0] / total), curve_round(blend[1] / total), curve_round(blend[2] / total),
                         curve_round(blend[3] / total)};
    }
    if (who[c] >= 0 && who[c] != nremoved) only_own = false;
  }
  return only_own;
}

// Receiver r's key at the union's frame i into *out: its values the targets' (as written), its curves
// by fold_union_curves; where only its own track moves over a span that is one of its own, its own
// key's 64 bytes stay as they are.
static void fold_union_key(int r, int i, PoseKey* out) {
  FoldUnioning& u = fold_unioning;
  const PoseXf& k = fold_target_written()[r];
  out->frame = u.frame[i];
  out->pos[0] = (float)k.p.x, out->pos[1] = (float)k.p.y, out->pos[2] = (float)k.p.z;
  out->rot[0] = (float)k.q.x, out->rot[1] = (float)k.q.y, out->rot[2] = (float)k.q.z, out->rot[3] = (float)k.q.w;
  const PoseTrackRef& own = u.tracks[u.bones->recv[r]];
  // Its own keys on this frame and on the union's frame before (the ends of the span).
  const PoseKey* mine = u.own_keyed[r] ? &own.keys[u.own_at[r]] : nullptr;
  bool mine_before = i > 0 && u.own_keyed_before[r];
  PoseBezier ch[CURVE_CHANNELS];
  int who[CURVE_CHANNELS] = {-1, -1, -1, -1};
  bool only_own = i > 0 ? fold_union_curves(r, i, ch, who) : true;
  if (only_own && mine != nullptr && (mine_before || i == 0)) {
    std::memcpy(out->curve, mine->curve, POSE_CURVE_BYTES);
    return;
  }
  for (int c = 0; c < CURVE_CHANNELS; c++) {
    if (who[c] >= 0) continue;
    // A translation that only a turn moves takes the turn's curve; a channel nothing moves keeps its own.
    if (c != CURVE_R && who[CURVE_R] >= 0) ch[c] = ch[CURVE_R];
    else ch[c] = mine != nullptr ? curve_get(mine->curve, c) : POSE_LINEAR;
  }
  // The physics bytes (P1, P2) in effect: those of its last key at or before the frame, else 0.
  int last = u.own_keyed[r] ? u.own_at[r] : u.own_at[r] - 1;
  uint8_t p1 = last >= 0 ? own.keys[last].curve[2] : 0, p2 = last >= 0 ? own.keys[last].curve[3] : 0;
  curve_block(out->curve, ch, p1, p2);
}

// The pose of bone's track (before the fold) at frame: as the targets of that frame found it, where they did.
static PoseXf fold_union_pose(int bone, uint32_t frame) {
  PoseXf x;
  if (fold_target_own_pose(bone, frame, &x)) return x;
  pose_track_at(fold_unioning.tracks[bone], frame, &x.p, &x.q, nullptr);
  return x;
}

// Marks whether the union's span ending at frame i is quiet (fold_union_quiet), after the targets of
// frame i were found, from what frame i - 1 left.
static void fold_union_mark_quiet(int i) {
  FoldUnioning& u = fold_unioning;
  const FoldBones& fb = *u.bones;
  uint32_t f = u.frame[i];
  bool rest = true;
  for (int k = 0; k < fb.nremoved && rest; k++) {
    PoseXf x = fold_union_pose(fb.removed[k], f);
    rest = pose_vlen(x.p) < 1e-6 && pose_qangle(x.q) < 1e-7;
  }
  bool quiet = i > 0 && rest && u.rest_before;
  // The receivers' poses matter only where the removed bones rest (here, and for the next span).
  for (int r = 0; r < fb.nrecv && rest; r++) {
    PoseXf x = fold_union_pose(fb.recv[r], f);
    const PoseXf& p = u.own_before[r];
    if (quiet && !(u.own_keyed_before[r] && u.own_keyed[r])) {
      quiet = p.p.x == x.p.x && p.p.y == x.p.y && p.p.z == x.p.z && p.q.x == x.q.x && p.q.y == x.q.y && p.q.z == x.q.z &&
              p.q.w == x.q.w;
    }
    u.own_before[r] = x;
  }
  u.rest_before = rest;
  u.quiet[i] = quiet;
}

void fold_union_keys(PoseKey* slots) {
  FoldUnioning& u = fold_unioning;
  const FoldBones& fb = *u.bones;
  for (int k = 0; k < fb.nremoved; k++) u.removed_move[k].end = nullptr, u.removed_move[k].at = 0;
  for (int r = 0; r < fb.nrecv; r++) {
    u.own_move[r].end = nullptr;
    u.own_move[r].at = u.own_at[r] = 0;
    u.own_keyed[r] = 0;
  }
  for (int i = 0; i < u.count; i++) {
    for (int r = 0; r < fb.nrecv; r++) {
      const PoseTrackRef& own = u.tracks[fb.recv[r]];
      int k = fold_union_key_next(own, u.frame[i], &u.own_at[r]);
      u.own_keyed_before[r] = u.own_keyed[r];
      u.own_keyed[r] = k < own.count && own.keys[k].frame == u.frame[i];
    }
    fold_target_keys_at(u.frame[i], KEYS_WRITTEN);
    fold_union_mark_quiet(i);
    for (int k = 0; k < fb.nremoved && i > 0; k++) {
      fold_union_moves(fb.removed[k], u.frame[i - 1], u.frame[i], &u.removed_move[k]);
    }
    for (int r = 0; r < fb.nrecv; r++) fold_union_key(r, i, &slots[(int64_t)i * fb.nrecv + r]);
  }
}
