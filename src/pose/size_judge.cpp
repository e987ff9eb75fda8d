// size_judge.cpp: how a motion plays on T against S (size_judge, see size.h): S plays the motion and T
// plays it (or a plan's copy), IK on, at every frame of the stride; S's contacts and touches are found as
// a plan finds them, and the figures compare T with S there.
//
// Records: the floor errors of the judge in progress (for their percentile), written by size_judge.
// Limits: SIZE_SAMPLES frames, SIZE_WORK bone updates (size_stride).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "pose/size_work.h"

static float judge_floor[SIZE_SIDES * SIZE_SAMPLES];

static double judge_horizontal(const float* a, const float* b) {
  double x = a[0] - b[0], z = a[2] - b[2];
  return std::sqrt(x * x + z * z);
}

static double judge_distance(const float* a, const double* b) {
  double x = a[0] - b[0], y = a[1] - b[1], z = a[2] - b[2];
  return std::sqrt(x * x + y * y + z * z);
}

// Running sums of the figures.
struct JudgeSums {
  int floors;
  double floor_sum;
  int slides;
  double slide_sum;
  int hands;
  double hand_sum;
  int hips;
  double hip_sum;
};

// One foot of T at sample i (now; before: the sample before, or null) against S's.
static void judge_foot(SizeFigures* out, JudgeSums& sum, const SizePlay* pt, const SizeRatios& r, int i, int side,
                       const SizeAt& now, const SizeAt* before) {
  const SizeSource& src = size_source;
  const SizeFootAt& t = now.foot[side];
  if (pt->body.leg[side].ankle < 0) return;
  double height = size_foot_height(pt, side, t, nullptr);
  double want = r.feet * src.height[side][i];
  if (!src.planted[side][i]) return;
  double sink = (height < 0.0 ? -height : 0.0) - (want < 0.0 ? -want : 0.0);
  if (sink > out->sink) out->sink = sink;
  judge_floor[sum.floors++] = (float)std::fabs(height - want);
  sum.floor_sum += std::fabs(height - want);
  if (before == nullptr || !src.planted[side][i - 1]) return;
  bool tip = src.toe[side][i] != 0;
  const SizeFootAt& s1 = src.at[i].foot[side];
  const SizeFootAt& s0 = src.at[i - 1].foot[side];
  const SizeFootAt& t0 = before->foot[side];
  double travel_s = tip ? judge_horizontal(s1.toe, s0.toe) : judge_horizontal(s1.ankle, s0.ankle);
  double travel_t = tip ? judge_horizontal(t.toe, t0.toe) : judge_horizontal(t.ankle, t0.ankle);
  double excess = travel_t - r.legs_xz * travel_s;
  if (excess < 0.0) excess = 0.0;
  sum.slides++;
  sum.slide_sum += excess;
  if (excess > out->slide_max) out->slide_max = excess;
}

// T's hands at sample i against S's touches.
static void judge_hands(SizeFigures* out, JudgeSums& sum, const SizeRatios& r, int i, const SizeAt& now) {
  const SizeSource& src = size_source;
  for (int side = 0; side < SIZE_SIDES; side++) {
    int partner = src.partner[side][i];
    if (partner == SIZE_NONE) continue;
    double ps[3], pt[3];
    size_partner_point(src.at[i], side, partner, ps);
    size_partner_point(now, side, partner, pt);
    double off = std::fabs(judge_distance(now.wrist[side], pt) - judge_distance(src.at[i].wrist[side], ps) * r.arms);
    sum.hands++;
    sum.hand_sum += off;
    if (off > out->hands_max) out->hands_max = off;
  }
}

int size_judge(SizeFigures* out, const PoseSkeleton* source, const PoseSkeleton* model, const PoseMotion* m,
               const SizePlan* plan) {
  std::memset(out, 0, sizeof *out);
  if (source->count <= 0 || source->ik_reason[0] != 0 || source->play_count <= 0 || model->count <= 0 ||
      model->ik_reason[0] != 0 || model->play_count <= 0 || m->key_count <= 0) {
    return POSE_HOSTILE;
  }
  SizeRatios r;
  size_ratios(&r, source, model);
  static PoseTrackRef ts[POSE_SLOTS], tt[POSE_SLOTS];
  pose_bind(source, m, ts);
  size_bind(plan, model, m, tt);
  static SizePlay ps, pt;
  int all = SIZE_PLAY_FEET | SIZE_PLAY_HANDS | SIZE_PLAY_HIPS;
  size_play_make(&ps, source, m, ts, all);
  size_play_make(&pt, model, m, tt, all);
  int32_t samples = 0;
  int32_t stride = size_stride(ps.cost + pt.cost, m, &samples);
  if (size_source_read(&ps, samples, stride, false) != POSE_DONE) return POSE_HOSTILE;
  const SizeSource& src = size_source;
  out->frames = samples;
  out->stride = stride;
  out->planted = src.planted_count;
  out->touching = src.touching;
  // The hips count where S's stand higher than a tenth of their height at rest (a squat's hips, not the
  // floor).
  double hips_rest = 0.0;
  for (int side = 0; side < SIZE_SIDES; side++) {
    int hip = ps.body.leg[side].hip;
    if (hip >= 0) hips_rest = source->bone[hip].rest[1];
  }
  JudgeSums sum = {};
  int sinking = 0;
  static SizeAt now, before;
  for (int i = 0; i < samples; i++) {
    if (size_play_at(&pt, (double)i * stride, &now) != POSE_DONE) return POSE_HOSTILE;
    double deepest = out->sink;
    out->sink = 0.0;
    bool miss = false, limit = false;
    for (int side = 0; side < SIZE_SIDES; side++) {
      judge_foot(out, sum, &pt, r, i, side, now, i > 0 ? &before : nullptr);
      const SizeFootAt& t = now.foot[side];
      const SizeFootAt& s = src.at[i].foot[side];
      miss = miss || (t.solved && t.miss > SIZE_MISS && !(s.solved && s.miss > SIZE_MISS));
      limit = limit || (t.limit && !s.limit);
    }
    sinking += out->sink > SIZE_MISS;
    if (deepest > out->sink) out->sink = deepest;
    out->miss_frames += miss;
    out->limit_frames += limit;
    out->reach_frames += miss || limit;
    judge_hands(out, sum, r, i, now);
    double hs = src.at[i].hips, ht = now.hips;
    if (hips_rest > 0.0 && hs > 0.1 * hips_rest && ht != 0.0) {
      double off = std::fabs(ht / hs - r.legs_y);
      sum.hips++;
      sum.hip_sum += off;
      if (off > out->hips_max) out->hips_max = off;
    }
    before = now;
  }
  out->sink_frames = sinking;
  if (sum.floors > 0) {
    out->floor_mean = sum.floor_sum / sum.floors;
    int k = (int)(0.95 * (sum.floors - 1) + 0.5);
    std::nth_element(judge_floor, judge_floor + k, judge_floor + sum.floors);
    out->floor_p95 = judge_floor[k];
  }
  if (sum.slides > 0) out->slide_mean = sum.slide_sum / sum.slides;
  if (sum.hands > 0) out->hands_mean = sum.hand_sum / sum.hands;
  if (sum.hips > 0) out->hips_mean = sum.hip_sum / sum.hips;
  return POSE_DONE;
}
