// fold_compare.cpp: the fold engine's yardstick (see fold_compare.h).
//
// Records: the tracks' reaches kept by keys (cmp_reach_*, until fold_compare_forget), what a build
// finds per bone (cmp_build, written by fold_compare_build) and the zones' positions kept by frame
// (cmp_y, cmp_have, for the comparison that turned them on); a comparison is the caller's FoldCompare.
// Limits: the bones of one skeleton's index space (POSE_SLOTS); 1,048,576 zone positions kept.
// Trust: both skeletons were checked and ordered (pose_skeleton_order); every list built here is a
// subset of one skeleton's order, so every walk is bounded by the bone count.
#include "pose/fold_compare.h"

#include <cmath>
#include <cstring>

static bool cmp_present(const PoseSkeleton* s, int x) { return x < s->count && !s->bone[x].absent; }

static bool cmp_same_track(const PoseEval& a, const PoseEval& b, int x) {
  bool oa = a.overridden != nullptr && a.overridden[x], ob = b.overridden != nullptr && b.overridden[x];
  if (oa || ob) return false;
  return a.tracks[x].keys == b.tracks[x].keys && a.tracks[x].count == b.tracks[x].count;
}

static bool cmp_same_inherit(const PoseBone& p, const PoseBone& q) {
  const uint16_t mask = PMX_BONE_INHERITS_ROTATION | PMX_BONE_INHERITS_TRANSLATION;
  if (p.inherit != q.inherit) return false;
  return p.inherit < 0 || ((p.flags & mask) == (q.flags & mask) && p.inherit_weight == q.inherit_weight);
}

// The largest translation a track's keys give (between keys the values lie between theirs).
static double cmp_track_reach_of(const PoseTrackRef& t) {
  double m[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < t.count; i++) {
    for (int a = 0; a < 3; a++) m[a] = std::fmax(m[a], std::fabs((double)t.keys[i].pos[a]));
  }
  return std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]);
}

// The reaches found so far, per bone, by the keys they were found for: a bone's track changes from
// comparison to comparison only where a fold rewrote it.
static const PoseKey* cmp_reach_keys[POSE_SLOTS];
static int32_t cmp_reach_count[POSE_SLOTS];
static double cmp_reach_value[POSE_SLOTS];

void fold_compare_forget() {
  for (int i = 0; i < POSE_SLOTS; i++) cmp_reach_keys[i] = nullptr, cmp_reach_count[i] = -1;
}

static double cmp_track_reach(int x, const PoseTrackRef& t) {
  if (cmp_reach_keys[x] != t.keys || cmp_reach_count[x] != t.count) {
    cmp_reach_keys[x] = t.keys;
    cmp_reach_count[x] = t.count;
    cmp_reach_value[x] = cmp_track_reach_of(t);
  }
  return cmp_reach_value[x];
}

// The lists one side evaluates each frame: the frontier bones and the bones between them and the
// nearest ancestor that is unaffected (their base, whose world pose cancels out: taken as the identity),
// for world poses; those and every inheritance source they need, for local poses.
static void cmp_side_lists(const PoseSkeleton* s, const uint8_t* frontier, const uint8_t* affected, int32_t* locals,
                           int* nl, FoldWorldStep* worlds, int* nw) {
  static uint8_t world_mark[POSE_SLOTS], local_mark[POSE_SLOTS];
  static int32_t list[POSE_SLOTS];
  std::memset(world_mark, 0, sizeof world_mark);
  for (int i = 0; i < s->count; i++) world_mark[i] = frontier[i] && cmp_present(s, i);
  pose_skeleton_mark_parents(s, world_mark, affected);
  std::memcpy(local_mark, world_mark, sizeof local_mark);
  pose_skeleton_mark_sources(s, local_mark, local_mark);
  *nl = pose_skeleton_list(s, local_mark, locals);
  *nw = pose_skeleton_list(s, world_mark, list);
  for (int k = 0; k < *nw; k++) {
    int p = s->bone[list[k]].parent;
    worlds[k] = FoldWorldStep{list[k], p >= 0 && world_mark[p] ? p : -1, pose_skeleton_offset(s, list[k])};
  }
}

// The world poses of the steps from the local poses. Above the first steps stands a base or nothing:
// the identity, which a step's local pose is then taken for as it is (a product with the identity
// gives the same numbers, but for the sign of a zero, which no figure of a comparison can tell).
static void cmp_worlds(const FoldWorldStep* steps, int n, const PoseXf* local, PoseXf* world) {
  for (int k = 0; k < n; k++) {
    const FoldWorldStep& st = steps[k];
    const PoseXf& l = local[st.bone];
    PoseXf x = {pose_vadd(st.offset, l.p), l.q};
    world[st.bone] = st.parent < 0 ? x : pose_xmul(world[st.parent], x);
  }
}

// What fold_compare_build finds on its way, per bone.
struct CmpBuild {
  uint8_t differs[POSE_SLOTS];      // its local pose can differ (or it is on one side only)
  uint8_t frontier[POSE_SLOTS];     // it differs while its parent does not need to: evaluated each frame
  uint8_t affected_a[POSE_SLOTS], affected_b[POSE_SLOTS];  // it differs, or hangs from one that does
  int32_t owner[POSE_SLOTS];        // its nearest frontier bone at or above it on side b, -1 none
  double reach_tt[POSE_SLOTS];      // the largest translation its keys and what it inherits give
  double reach_at[POSE_SLOTS];      // how far from its owner it can be
  uint8_t counts[POSE_SLOTS];       // a frontier bone with compared bones in its zone
  double reach[POSE_SLOTS];         // per frontier bone: how far its compared bones can be
  int32_t index_of[POSE_SLOTS];     // per frontier bone: its place in FoldCompare::front
  int32_t fill[POSE_SLOTS];         // per frontier: where its zone's next bone goes
  uint8_t src_mark[POSE_SLOTS];     // inheritance sources the zones need
};
static CmpBuild cmp_build;

// differs, frontier and affected, over the bones of either side (n). Sources come first in b's order; a
// bone only a has is absent from b's order and marked first.
static void cmp_build_frontier(const FoldCompare* c, int n) {
  CmpBuild& k = cmp_build;
  const PoseSkeleton* sa = c->a.s;
  const PoseSkeleton* sb = c->b.s;
  std::memset(k.differs, 0, sizeof k.differs);
  std::memset(k.frontier, 0, sizeof k.frontier);
  for (int x = 0; x < n; x++) {
    if (!(cmp_present(sa, x) && cmp_present(sb, x))) k.differs[x] = 1;
  }
  for (int i = 0; i < sb->order_count; i++) {
    int x = sb->order[i];
    if (k.differs[x]) continue;
    const PoseBone& p = sa->bone[x];
    const PoseBone& q = sb->bone[x];
    bool d = p.parent != q.parent || !cmp_same_track(c->a, c->b, x) || !cmp_same_inherit(p, q) ||
             std::memcmp(p.rest, q.rest, sizeof p.rest) != 0;
    if (!d && q.inherit >= 0 && k.differs[q.inherit]) d = true;
    if (d) k.differs[x] = k.frontier[x] = 1;
  }
  for (int x = 0; x < n; x++) k.affected_a[x] = k.affected_b[x] = k.differs[x];
  pose_skeleton_mark_children(sa, k.affected_a);
  pose_skeleton_mark_children(sb, k.affected_b);
}

// Zones, on side b (below a frontier the sides agree): each bone's nearest frontier at or above it, and
// how far from it a bone can be (rest offsets, plus the largest translation of its keys and of what it
// inherits).
static void cmp_build_owners(const FoldCompare* c) {
  CmpBuild& k = cmp_build;
  const PoseSkeleton* sb = c->b.s;
  for (int i = 0; i < sb->order_count; i++) {
    int x = sb->order[i];
    const PoseBone& q = sb->bone[x];
    k.reach_tt[x] = cmp_track_reach(x, c->b.tracks[x]);
    if (q.inherit >= 0 && (q.flags & PMX_BONE_INHERITS_TRANSLATION)) {
      k.reach_tt[x] += std::fabs((double)q.inherit_weight) * k.reach_tt[q.inherit];
    }
    if (k.frontier[x]) {
      k.owner[x] = x;
      k.reach_at[x] = 0.0;
    } else if (q.parent >= 0 && k.owner[q.parent] >= 0 && !q.ik_moved) {
      k.owner[x] = k.owner[q.parent];
      k.reach_at[x] = k.reach_at[q.parent] + pose_vlen(pose_skeleton_offset(sb, x)) + k.reach_tt[x];
    } else {
      k.owner[x] = -1;
    }
  }
}

// The frontier bones that count (compared themselves, or with compared bones in their zone) into
// c->front, with their reaches; the others leave the frontier.
static void cmp_build_fronts(FoldCompare* c) {
  CmpBuild& k = cmp_build;
  const PoseSkeleton* sb = c->b.s;
  std::memset(k.counts, 0, sizeof k.counts);
  for (int i = 0; i < sb->order_count; i++) {
    int x = sb->order[i];
    k.reach[x] = 0.0;
    if (k.owner[x] < 0 || !c->compared[x]) continue;
    k.counts[k.owner[x]] = 1;
    if (k.reach_at[x] > k.reach[k.owner[x]]) k.reach[k.owner[x]] = k.reach_at[x];
  }
  c->nf = 0;
  for (int i = 0; i < sb->order_count; i++) {
    int x = sb->order[i];
    if (!k.frontier[x]) continue;
    if (!k.counts[x]) {
      k.frontier[x] = 0;  // nothing compared at or below it: not evaluated
      continue;
    }
    k.index_of[x] = c->nf;
    c->front[c->nf] = x;
    c->reach[c->nf] = k.reach[x];
    c->self[c->nf] = c->compared[x];
    c->nf++;
  }
}

// The zones' bones, grouped by frontier, each group in b's order; then the inheritance sources the
// zones need that side b does not evaluate anyway (a zone's bones may inherit from another zone's,
// which may be skipped).
static void cmp_build_zones(FoldCompare* c) {
  CmpBuild& k = cmp_build;
  const PoseSkeleton* sb = c->b.s;
  for (int f = 0; f <= c->nf; f++) c->zone_first[f] = 0;
  auto zoned = [&](int x) { return k.owner[x] >= 0 && k.owner[x] != x && k.frontier[k.owner[x]]; };
  for (int i = 0; i < sb->order_count; i++) {
    int x = sb->order[i];
    if (zoned(x)) c->zone_first[k.index_of[k.owner[x]] + 1]++;
  }
  for (int f = 0; f < c->nf; f++) c->zone_first[f + 1] += c->zone_first[f];
  for (int f = 0; f < c->nf; f++) k.fill[f] = c->zone_first[f];
  for (int i = 0; i < sb->order_count; i++) {
    int x = sb->order[i];
    if (zoned(x)) c->zone[k.fill[k.index_of[k.owner[x]]]++] = x;
  }
  std::memset(k.src_mark, 0, sizeof k.src_mark);
  for (int z = 0; z < c->zone_first[c->nf]; z++) {
    int x = c->zone[z];
    if (sb->bone[x].inherit >= 0) k.src_mark[sb->bone[x].inherit] = 1;
  }
  pose_skeleton_mark_sources(sb, k.src_mark, k.src_mark);
  for (int z = 0; z < c->nlb; z++) k.src_mark[c->locals_b[z]] = 0;
  c->nzs = pose_skeleton_list(sb, k.src_mark, c->zone_src);
}

bool fold_compare_build(FoldCompare* c) {
  c->cache_on = false;
  const PoseSkeleton* sa = c->a.s;
  const PoseSkeleton* sb = c->b.s;
  int n = sa->count > sb->count ? sa->count : sb->count;
  cmp_build_frontier(c, n);
  cmp_build_owners(c);
  cmp_build_fronts(c);
  if (c->nf == 0) return false;
  CmpBuild& k = cmp_build;
  cmp_side_lists(sa, k.frontier, k.affected_a, c->locals_a, &c->nla, c->worlds_a, &c->nwa);
  cmp_side_lists(sb, k.frontier, k.affected_b, c->locals_b, &c->nlb, c->worlds_b, &c->nwb);
  cmp_build_zones(c);
  for (int x = 0; x < n; x++) c->hint_a[x] = c->hint_b[x] = -1;
  return true;
}

// The zones' positions kept by frame: frame k of the grid, zone bone z of the comparison at
// cmp_y[k * zones + z]; cmp_have[k * nf + f] says frontier f's zone is there.
constexpr int CMP_KEPT = 1 << 20;      // zone positions kept (12 MB)
constexpr int CMP_KEPT_ZONES = 1 << 18;
static float cmp_y[CMP_KEPT][3];
static uint8_t cmp_have[CMP_KEPT_ZONES];

void fold_compare_cache(FoldCompare* c, uint32_t first, uint32_t last, uint32_t stride) {
  int64_t frames = ((int64_t)last - first) / stride + 1;
  int64_t zones = c->zone_first[c->nf];
  c->cache_on = frames * zones <= CMP_KEPT && frames * c->nf <= CMP_KEPT_ZONES && stride > 0;
  c->cache_first = first;
  c->cache_stride = stride;
  if (c->cache_on) std::memset(cmp_have, 0, (size_t)(frames * c->nf));
}

void fold_compare_sides(FoldCompare* c, const PoseEval& a, const PoseEval& b) {
  c->a = a;
  c->a.hints = c->hint_a;
  c->b = b;
  c->b.hints = c->hint_b;
}

void fold_compare_frame(FoldCompare* c, double frame) {
  c->frame = frame;
  pose_locals(c->a, c->locals_a, c->nla, frame, c->local_a);
  cmp_worlds(c->worlds_a, c->nwa, c->local_a, c->world_a);
  pose_locals(c->b, c->locals_b, c->nlb, frame, c->local_b);
  cmp_worlds(c->worlds_b, c->nwb, c->local_b, c->world_b);
  c->bound = 0.0;
  c->degrees = 0.0;
  c->degrees_bone = -1;
  for (int f = 0; f < c->nf; f++) {
    int x = c->front[f];
    const PoseXf& wa = c->world_a[x];
    const PoseXf& wb = c->world_b[x];
    c->dp[f] = pose_vlen(pose_vsub(wa.p, wb.p));
    c->theta[f] = pose_qbetween(wa.q, wb.q);
    double bound = c->dp[f] + 2.0 * std::sin(0.5 * c->theta[f]) * c->reach[f];
    if (bound > c->bound) c->bound = bound;
    double degrees = c->theta[f] * POSE_DEGREES;
    if (degrees > c->degrees) {
      c->degrees = degrees;
      c->degrees_bone = c->self[f] ? x : -1;
      for (int k = c->zone_first[f]; c->degrees_bone < 0 && k < c->zone_first[f + 1]; k++) {
        if (c->compared[c->zone[k]]) c->degrees_bone = c->zone[k];
      }
    }
  }
}

void fold_compare_units(FoldCompare* c, double floor, double* units, int32_t* bone) {
  *units = 0.0;
  *bone = -1;
  bool sources = false;
  const PoseEval& eb = c->b;
  uint32_t f32 = (uint32_t)c->frame;
  bool grid = c->cache_on && (double)f32 == c->frame && f32 >= c->cache_first &&
              (f32 - c->cache_first) % c->cache_stride == 0;
  int64_t k = grid ? (int64_t)((f32 - c->cache_first) / c->cache_stride) : 0;
  int64_t zones = c->zone_first[c->nf];
  for (int f = 0; f < c->nf; f++) {
    int x = c->front[f];
    if (c->self[f] && c->dp[f] > *units) {
      *units = c->dp[f];
      *bone = x;
    }
    double bound = c->dp[f] + 2.0 * std::sin(0.5 * c->theta[f]) * c->reach[f];
    int first = c->zone_first[f], last = c->zone_first[f + 1];
    if (first == last || bound <= floor || bound <= *units) continue;
    const PoseXf& wa = c->world_a[x];
    const PoseXf& wb = c->world_b[x];
    bool kept = grid && cmp_have[k * c->nf + f];
    if (!kept) {
      if (!sources) {
        pose_locals(eb, c->zone_src, c->nzs, c->frame, c->local_b);
        sources = true;
      }
      pose_locals(eb, c->zone + first, last - first, c->frame, c->local_b);
      const PoseSkeleton* s = c->b.s;
      for (int z = first; z < last; z++) {
        int b = c->zone[z];
        const PoseBone& bz = s->bone[b];
        const PoseBone& bp = s->bone[bz.parent];
        // The offset in single precision, unlike pose_skeleton_offset's: taking it in double would move
        // the figures' last digits.
        PoseVec o = {bz.rest[0] - bp.rest[0], bz.rest[1] - bp.rest[1], bz.rest[2] - bp.rest[2]};
        PoseXf l = {pose_vadd(o, c->local_b[b].p), c->local_b[b].q};
        c->y[b] = bz.parent == x ? l : pose_xmul(c->y[bz.parent], l);
        if (grid) {
          float* at = cmp_y[k * zones + z];
          at[0] = (float)c->y[b].p.x, at[1] = (float)c->y[b].p.y, at[2] = (float)c->y[b].p.z;
        }
      }
      if (grid) cmp_have[k * c->nf + f] = 1;
    }
    for (int z = first; z < last; z++) {
      int b = c->zone[z];
      if (!c->compared[b]) continue;
      PoseVec y = kept ? PoseVec{cmp_y[k * zones + z][0], cmp_y[k * zones + z][1], cmp_y[k * zones + z][2]} : c->y[b].p;
      double e = pose_vlen(pose_vsub(pose_xapply(wa, y), pose_xapply(wb, y)));
      if (e > *units) {
        *units = e;
        *bone = b;
      }
    }
  }
}
