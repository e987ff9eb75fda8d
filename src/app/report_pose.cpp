// report_pose.cpp: velmora-report's measures of lacking semi-standard bones (see report_pose.h).
//
// Records: PoseRecords, the skeleton of the model checked last, the motion's keys and its plan; made
// once, on the heap, the first time a motion needs them, and written by report_pose_model and
// report_pose_motion. Each record is big (the bounds of pose/), so a run keeps one of each. A motion's
// keys come from the bytes the check kept (formats/vmd.h), so its file is read once.
#include "app/report_pose.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#include "formats/pmx.h"
#include "formats/vmd.h"
#include "pose/fold.h"

struct PoseRecords {
  PoseSkeleton skeleton;
  PoseMotion motion;
  FoldPlan plan;
};
static PoseRecords* report_pose_records;
static bool report_pose_skeleton_read;  // the skeleton holds the model checked last
static bool report_pose_skeleton_made;  // ... and pose_skeleton_load made it

// The records, made the first time; nullptr when there is no memory for them. They start as all zeros
// (an empty motion and plan) from memory the system gives zeroed, untouched until used: most of them
// never are.
static PoseRecords* report_pose_get() {
  static_assert(std::is_trivially_default_constructible_v<PoseRecords>, "records of plain fields");
  if (report_pose_records == nullptr) report_pose_records = static_cast<PoseRecords*>(std::calloc(1, sizeof(PoseRecords)));
  return report_pose_records;
}

// Whether the motion read next keeps its file in memory (formats/vmd.h) for the pose engine, so that
// the motion is measured without reading it again. Keeping costs the check about a fifth more (the
// file goes to memory the cache does not hold), so it is done while there is a skeleton to measure on
// and the motion before needed the pose engine (or none came yet): a library's motions tend to be alike,
// and a motion that needs it unkept is read again.
static void report_pose_keep_next(bool wanted) { vmd_keep(report_pose_skeleton_read && wanted); }

void report_pose_model(bool read) {
  report_pose_skeleton_read = read;
  report_pose_skeleton_made = false;
  report_pose_keep_next(true);
}

// A measured figure as the outcome keeps it.
static OutcomeMove report_pose_move(const PoseSkeleton* s, const FoldFigure& f) {
  return OutcomeMove{true, f.units, f.degrees, fold_bone_name(s, f.bone), (int64_t)f.frame};
}

static const char REPORT_POSE_EYES[] = "\x97\xbc\x96\xda";  // 両目, the one standard bone with a fold

// True when the motion's lacking names hold one the pose engine measures: a semi-standard bone, or 両目.
// A motion that lacks only other bones is not read again.
static bool report_pose_wanted(const FileOutcome& o) {
  if (o.verdict != VERDICT_LACKS && o.verdict != VERDICT_CUT) return false;
  for (const LackingName& l : o.lacking) {
    if (l.list == LISTING_BONES && (l.cls == CLASS_SEMI_STANDARD || l.name == REPORT_POSE_EYES)) return true;
  }
  return false;
}

void report_pose_motion(FileOutcome* o, bool fold) {
  bool wanted = report_pose_skeleton_read && o->model.loaded && report_pose_wanted(*o);
  if (o->kind == KIND_MOTION) report_pose_keep_next(wanted);
  if (!wanted) return;
  PoseRecords* r = report_pose_get();
  if (r == nullptr) return;
  if (!report_pose_skeleton_made) {
    pose_skeleton_load(&r->skeleton, pmx_skeleton());
    report_pose_skeleton_made = true;
  }
  std::vector<VmdRename> renames[LISTING_KINDS];
  report_verdict_renames(*o, renames);
  // The bytes the check kept of the motion it read last (this one), or else the file again.
  const VmdRename* bones = renames[LISTING_BONES].data();
  int bone_count = (int)renames[LISTING_BONES].size();
  VmdKept kept = vmd_kept();
  int loaded = kept.bytes != nullptr ? pose_motion_load_bytes(&r->motion, kept.bytes, kept.size, bones, bone_count)
                                     : pose_motion_load(&r->motion, run_path_opened(o->path), bones, bone_count);
  if (loaded != POSE_DONE) return;
  if (fold_plan(&r->plan, &r->skeleton, &r->motion, fold) == FOLD_HOSTILE) return;
  const FoldPlan& plan = r->plan;
  for (int i = 0; i < plan.lack_count; i++) {
    const FoldLack& f = plan.lack[i];
    for (LackingName& l : o->lacking) {
      if (l.list != LISTING_BONES || l.name != f.name) continue;
      if (f.cost_state == FOLD_COST_MEASURED) l.cost = report_pose_move(&r->skeleton, f.cost);
      if (f.cost_state == FOLD_COST_IK) l.cost = OutcomeMove{true, 0.0, 0.0, "", 0};
      l.foldable = !fold && f.foldable;
      if (f.kind != FOLD_NONE) {
        for (int k = 0; k < f.into_count && k < FOLD_INTO; k++) l.into.push_back(fold_bone_name(&r->skeleton, f.into[k]));
        l.why = WHY_FOLD;
        l.to = l.into.empty() ? "" : l.into[0];
        l.error = report_pose_move(&r->skeleton, f.error);
        o->folded = true;
      }
    }
  }
  report_verdict_sort(o);
  report_verdict_would_fit(o);
}

int report_pose_write(const FileOutcome& o, FILE* out, const VmdRename* bones, int bone_count, const VmdRename* morphs,
                      int morph_count) {
  PoseRecords* r = report_pose_records;
  if (!o.folded || r == nullptr) return -2;
  int written = fold_write(&r->plan, run_path_opened(o.path), out, bones, bone_count, morphs, morph_count, nullptr);
  return written == FOLD_WRITE_DONE ? 0 : written == FOLD_WRITE_UNOPENED ? -1 : -2;
}
