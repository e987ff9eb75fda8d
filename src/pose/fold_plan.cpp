// fold_plan.cpp: the plan of a motion's lacking semi-standard bones on a model (fold_plan, fold_put_back,
// fold_bone_name; see fold.h).
//
// How a plan is made. The model's skeleton is copied and every lacking bone that has an assumed
// position is put back (fold_place.h, with the companions its fold needs: 腰キャンセル under 腰, 肩C
// under 肩P); the motion played on that skeleton is the original. A cost compares it with the same play
// without the bone's keys (fold_measure.h). The folds then run one at a time, in the table's order
// (fold_step.h); the next fold starts from what the last one left. Last, the plan lists the tracks the
// folds rewrote and the names the copy leaves out.
//
// Records: fold_planning, the plan in progress: the model, the motion, the working skeleton, its tracks
// and comparison (FoldWorking, which each fold changes), the entries beside the plan's lacking bones,
// and the tracks as the motion had them; written by fold_plan and fold_put_back for their duration;
// plans are the callers' values.
// Limits: 64 lacking bones, 128 rewritten tracks, 262,144 rewritten keys (FoldPlan); a fold's own
// (fold_step.cpp).
// Trust: skeletons and motions were checked when made; the plan's own bounds are checked before every
// write into the plan.
#include <cstdio>
#include <cstring>

#include "check/rigs.h"
#include "pose/fold.h"
#include "pose/fold_compare.h"
#include "pose/fold_measure.h"
#include "pose/fold_place.h"
#include "pose/fold_step.h"
#include "pose/pose.h"

struct FoldPlanning {
  const PoseMotion* motion;
  FoldWorking work;
  FoldEntry entry[FOLD_LACKS];            // beside plan->lack[i] (fold_put_back: beside put_back_lack[i])
  PoseTrackRef original[POSE_SLOTS];      // the working skeleton's tracks before the folds
  int16_t track_of_bone[POSE_SLOTS];      // per model bone: its rewritten track, -1 none
  FoldLack put_back_lack[FOLD_LACKS];     // fold_put_back's list of lacking bones
};
static FoldPlanning fold_planning;

const char* fold_bone_name(const PoseSkeleton* s, int bone) {
  return bone >= 0 && bone < s->count ? s->bone[bone].name : "";
}

static int fold_plan_refuse(FoldPlan* plan, const char* why) {
  plan->result = FOLD_HOSTILE;
  std::snprintf(plan->reason, sizeof plan->reason, "%s", why);
  return FOLD_HOSTILE;
}

// A bound was reached: the plan is full (the first reason stands).
static void fold_plan_full(FoldPlan* plan, const char* why) {
  if (plan->result == FOLD_DONE) {
    plan->result = FOLD_FULL;
    std::snprintf(plan->reason, sizeof plan->reason, "%s", why);
  }
}

// Lists the motion's lacking bones: names the model lacks, keyed away from rest, semi-standard or 両目;
// into lack[0..*count) (the entries beside them); those beyond FOLD_LACKS are left out.
static void fold_plan_find_lacks(FoldLack* lack, int* count) {
  FoldPlanning& p = fold_planning;
  const PoseMotion* m = p.motion;
  for (int t = 0; t < m->track_count; t++) {
    const char* name = m->track[t].name;
    if (pose_skeleton_find(p.work.model, name) >= 0 || !pose_track_moves(m, t)) continue;
    FoldRuleId rule = R_NONE;
    int side = 0;
    AdviceClass cls;
    if (fold_place_rule_of(name, &rule, &side)) {
      cls = fold_rules[rule].name == N_EYES ? CLASS_STANDARD : CLASS_SEMI_STANDARD;
    } else {
      rule = R_NONE;
      cls = rig_bone_class(name);
      if (cls != CLASS_SEMI_STANDARD) continue;
    }
    if (*count >= FOLD_LACKS) continue;
    FoldLack& l = lack[*count];
    std::memset(&l, 0, sizeof l);
    std::memcpy(l.name, name, POSE_TRACK_NAME);
    l.cls = cls;
    l.cost_state = FOLD_COST_NO_PLACE;
    l.kind = FOLD_NONE;
    l.cost = l.error = FoldFigure{0.0, 0.0, -1, 0};
    p.entry[*count] = FoldEntry{rule, side, t, -1, {-1, -1}};
    (*count)++;
  }
}

// Puts back every lacking bone that has an assumed position, in the order that lets each find the bones
// it sits between; binds the working skeleton to the motion. False when the skeleton cannot be ordered.
static bool fold_plan_place_all(int lack_count) {
  FoldPlanning& p = fold_planning;
  FoldWorking& w = p.work;
  for (FoldRuleId rule : fold_place_order) {
    for (int i = 0; i < lack_count; i++) {
      FoldEntry& e = p.entry[i];
      if (e.rule != rule) continue;
      int there = fold_place_find(fold_rules[rule].name, e.side);
      // Put back already (a companion, or another spelling of the same bone), or the model has it under
      // another spelling: not placed again.
      if (there >= 0) {
        bool companion = false;
        for (int j = 0; j < lack_count; j++) {
          for (int c : p.entry[j].companion) companion = companion || (c == there && j != i);
        }
        if (companion) e.bone = there;
        continue;
      }
      e.bone = fold_place(&e);
    }
  }
  if (pose_skeleton_order(&w.skeleton) != POSE_DONE) return false;
  const PoseMotion* m = p.motion;
  pose_bind(&w.skeleton, m, w.tracks);
  for (int i = 0; i < lack_count; i++) {
    FoldEntry& e = p.entry[i];
    if (e.bone < 0) continue;
    const PoseTrack& t = m->track[e.track];
    w.tracks[e.bone] = PoseTrackRef{m->key + t.first, t.count};
    for (int k = 0; k < 2; k++) {
      int c = e.companion[k];
      if (c < 0 || w.tracks[c].count > 0) continue;
      // 腰's companions are the two 腰キャンセル (left, right); 肩P's is 肩C of its own side.
      int ct = e.rule == R_WAIST ? fold_place_track_of(m, N_WAIST_CANCEL, k) : fold_place_track_of(m, N_SHOULDER_C, e.side);
      if (ct >= 0) w.tracks[c] = PoseTrackRef{m->key + m->track[ct].first, m->track[ct].count};
    }
  }
  return true;
}

// The removed names of the plan and what each writes where it first stands: the rewritten tracks and
// the folded bones, with their companions taken out.
static void fold_plan_removed(FoldPlan* plan) {
  FoldPlanning& p = fold_planning;
  const PoseMotion* m = p.motion;
  plan->removed_count = 0;
  auto remove = [&](const char* name) -> int {
    for (int i = 0; i < plan->removed_count; i++) {
      if (std::strcmp(plan->removed[i], name) == 0) return i;
    }
    int i = plan->removed_count++;
    std::memset(plan->removed[i], 0, POSE_TRACK_NAME);
    std::snprintf(plan->removed[i], POSE_TRACK_NAME, "%s", name);
    plan->removed_emit_count[i] = 0;
    return i;
  };
  auto emit = [&](int i, int track) {
    if (track < 0 || plan->removed_emit_count[i] >= FOLD_INTO) return;
    for (int k = 0; k < plan->removed_emit_count[i]; k++) {
      if (plan->removed_emit[i][k] == track) return;
    }
    plan->removed_emit[i][plan->removed_emit_count[i]++] = (int16_t)track;
  };
  for (int t = 0; t < plan->track_count; t++) emit(remove(plan->track[t].name), t);
  for (int i = 0; i < plan->lack_count; i++) {
    const FoldLack& l = plan->lack[i];
    if (l.kind == FOLD_NONE) continue;
    int at = remove(l.name);
    for (int r = 0; r < l.into_count && r < FOLD_INTO; r++) emit(at, p.track_of_bone[l.into[r]]);
    for (int c : p.entry[i].companion) {
      if (c < 0 || !p.work.skeleton.bone[c].absent || p.original[c].count == 0) continue;
      // A companion taken out with its bone: its keys go too.
      for (int t = 0; t < m->track_count; t++) {
        if (m->key + m->track[t].first == p.original[c].keys) emit(remove(m->track[t].name), p.track_of_bone[l.into[0]]);
      }
    }
  }
}

// The rewritten tracks of the plan, its removed names, and the copy's bone key count.
static void fold_plan_finish(FoldPlan* plan) {
  FoldPlanning& p = fold_planning;
  const FoldWorking& w = p.work;
  plan->track_count = 0;
  for (int x = 0; x < w.model->count; x++) {
    p.track_of_bone[x] = -1;
    if (w.tracks[x].keys == p.original[x].keys && w.tracks[x].count == p.original[x].count) continue;
    if (plan->track_count >= FOLD_TRACKS) {
      fold_plan_full(plan, "the folds rewrite more than 128 tracks");
      return;
    }
    FoldTrack& t = plan->track[plan->track_count];
    std::memset(t.name, 0, sizeof t.name);
    std::snprintf(t.name, sizeof t.name, "%s", w.model->bone[x].name);
    t.first = (int32_t)(w.tracks[x].keys - plan->key);
    t.count = w.tracks[x].count;
    p.track_of_bone[x] = (int16_t)plan->track_count++;
  }
  fold_plan_removed(plan);
  const PoseMotion* m = p.motion;
  int64_t keys = m->file_bone_keys;
  for (int i = 0; i < plan->removed_count; i++) {
    int t = pose_motion_track(m, plan->removed[i]);
    if (t >= 0) keys -= m->track[t].file_keys;
  }
  for (int t = 0; t < plan->track_count; t++) keys += plan->track[t].count;
  plan->bone_keys = keys;
}

// The folds, in the table's order, until one reaches a bound; then the plan's tracks and removed names.
static void fold_plan_folds(FoldPlan* plan) {
  FoldPlanning& p = fold_planning;
  FoldWorking& w = p.work;
  std::memcpy(p.original, w.tracks, sizeof(PoseTrackRef) * (size_t)w.skeleton.count);
  for (int rule = 0; rule < R_RULES && plan->result == FOLD_DONE; rule++) {
    if (fold_rules[rule].mode == MODE_NONE) continue;
    for (int i = 0; i < plan->lack_count && plan->result == FOLD_DONE; i++) {
      const FoldEntry& e = p.entry[i];
      if (e.rule != rule || e.bone < 0 || w.skeleton.bone[e.bone].absent) continue;
      const char* full = fold_step(&w, e, &plan->lack[i], plan);
      if (full != nullptr) fold_plan_full(plan, full);
    }
  }
  if (plan->result == FOLD_DONE) fold_plan_finish(plan);
}

int fold_plan(FoldPlan* plan, const PoseSkeleton* s, const PoseMotion* m, bool fold) {
  FoldPlanning& p = fold_planning;
  FoldWorking& w = p.work;
  plan->result = FOLD_DONE;
  plan->reason[0] = 0;
  plan->lack_count = 0;
  plan->track_count = plan->removed_count = 0;
  plan->key_count = 0;
  plan->bone_keys = m->file_bone_keys;
  if (s->count <= 0) return fold_plan_refuse(plan, s->reason[0] != 0 ? s->reason : "the model has no skeleton");
  if (m->reason[0] != 0) return fold_plan_refuse(plan, m->reason);
  if (s->count > POSE_BONES || s->count != s->model_count) return fold_plan_refuse(plan, "the skeleton holds put-back bones");
  w.model = s;
  p.motion = m;
  fold_place_start(&w.skeleton, s);
  fold_compare_forget();
  fold_plan_find_lacks(plan->lack, &plan->lack_count);
  if (plan->lack_count == 0) return FOLD_DONE;

  pose_skeleton_copy(&w.skeleton, s);
  for (int i = 0; i < s->count; i++) w.compared[i] = !s->bone[i].ik_moved;
  for (int i = s->count; i < POSE_SLOTS; i++) w.compared[i] = 0;
  if (!fold_plan_place_all(plan->lack_count)) return fold_plan_refuse(plan, "the bones put back make a cycle");
  for (int i = 0; i < plan->lack_count; i++) {
    const FoldEntry& e = p.entry[i];
    plan->lack[i].foldable = e.rule != R_NONE && fold_rules[e.rule].kind != FOLD_NONE && e.bone >= 0;
    if (e.bone >= 0) fold_measure_cost(&w.cmp, &plan->lack[i], &w.skeleton, w.tracks, w.compared, e.bone);
  }
  if (!fold) return FOLD_DONE;

  fold_plan_folds(plan);
  if (plan->result != FOLD_DONE) {
    // A bound was reached: the costs stand, no fold does.
    for (int i = 0; i < plan->lack_count; i++) {
      plan->lack[i].kind = FOLD_NONE;
      plan->lack[i].into_count = 0;
      plan->lack[i].error = FoldFigure{0.0, 0.0, -1, 0};
    }
    plan->track_count = plan->removed_count = 0;
    plan->key_count = 0;
    plan->bone_keys = m->file_bone_keys;
  }
  return plan->result;
}

int fold_put_back(PoseSkeleton* out, const PoseSkeleton* s, const PoseMotion* m) {
  FoldPlanning& p = fold_planning;
  FoldWorking& w = p.work;
  if (s->count <= 0 || m->reason[0] != 0 || s->count != s->model_count) return FOLD_HOSTILE;
  w.model = s;
  p.motion = m;
  fold_place_start(&w.skeleton, s);
  int count = 0;
  fold_plan_find_lacks(p.put_back_lack, &count);
  pose_skeleton_copy(&w.skeleton, s);
  if (!fold_plan_place_all(count)) return FOLD_HOSTILE;
  pose_skeleton_copy(out, &w.skeleton);
  return FOLD_DONE;
}
