// report_pose.cpp: velmora-report's measures of lacking semi-standard bones (see report_pose.h).
//
// Records: PoseRecords, the skeleton of the model checked last, the motion's keys and its plan; made
// once, on the heap, the first time a motion needs them, and written by report_pose_model and
// report_pose_motion. Each record is big (the bounds of pose/), so a run keeps one of each.
#include "app/report_pose.h"

#include <cstring>
#include <new>
#include <vector>

#include "app/report_text.h"
#include "formats/pmx.h"
#include "pose/fold.h"

struct PoseRecords {
  PoseSkeleton skeleton;
  PoseMotion motion;
  FoldPlan plan;
};
static PoseRecords* report_pose_records;
static bool report_pose_skeleton_read;  // the skeleton holds the model checked last
static bool report_pose_skeleton_made;  // ... and pose_skeleton_load made it

// The records, made the first time; nullptr when there is no memory for them.
static PoseRecords* report_pose_get() {
  if (report_pose_records == nullptr) report_pose_records = new (std::nothrow) PoseRecords();
  return report_pose_records;
}

void report_pose_model(bool read) {
  report_pose_skeleton_read = read;
  report_pose_skeleton_made = false;
}

// A measured figure as the outcome keeps it.
static OutcomeMove report_pose_move(const PoseSkeleton* s, const FoldFigure& f) {
  return OutcomeMove{true, f.units, f.degrees, report_text_utf8_of(fold_bone_name(s, f.bone)), (int64_t)f.frame};
}

static const char REPORT_POSE_EYES[] = "\x97\xbc\x96\xda";  // 両目, the one standard bone with a fold

// True when the motion's lacking names hold one the pose engine measures: a semi-standard bone, or 両目.
// A motion that lacks only other bones is not read again.
static bool report_pose_wanted(const FileOutcome& o) {
  if (o.verdict != VERDICT_LACKS && o.verdict != VERDICT_CUT) return false;
  for (const LackingName& l : o.lacking) {
    if (l.list == LISTING_BONES && (l.cls == CLASS_SEMI_STANDARD || l.name_sjis == REPORT_POSE_EYES)) return true;
  }
  return false;
}

void report_pose_motion(FileOutcome* o, bool fold) {
  if (!report_pose_skeleton_read || !o->model.loaded || !report_pose_wanted(*o)) return;
  PoseRecords* r = report_pose_get();
  if (r == nullptr) return;
  if (!report_pose_skeleton_made) {
    pose_skeleton_load(&r->skeleton, pmx_skeleton());
    report_pose_skeleton_made = true;
  }
  std::vector<VmdRename> renames[LISTING_KINDS];
  report_verdict_renames(*o, renames);
  const FilePath& p = o->path;
  if (pose_motion_load(&r->motion, p.ansi.c_str(), p.w.c_str(), p.opened == OPENED_UTF16, renames[LISTING_BONES].data(),
                       (int)renames[LISTING_BONES].size()) != POSE_DONE) {
    return;
  }
  if (fold_plan(&r->plan, &r->skeleton, &r->motion, fold) == FOLD_HOSTILE) return;
  const FoldPlan& plan = r->plan;
  for (int i = 0; i < plan.lack_count; i++) {
    const FoldLack& f = plan.lack[i];
    for (LackingName& l : o->lacking) {
      if (l.list != LISTING_BONES || l.name_sjis != f.name) continue;
      if (f.cost_state == FOLD_COST_MEASURED) l.cost = report_pose_move(&r->skeleton, f.cost);
      if (f.cost_state == FOLD_COST_IK) l.cost = OutcomeMove{true, 0.0, 0.0, "", 0};
      l.foldable = !fold && f.foldable;
      if (f.kind != FOLD_NONE) {
        for (int k = 0; k < f.into_count && k < FOLD_INTO; k++) {
          l.into.push_back(report_text_utf8_of(fold_bone_name(&r->skeleton, f.into[k])));
        }
        l.why = WHY_FOLD;
        l.to = l.into.empty() ? "" : l.into[0];
        l.to_sjis = f.into_count > 0 ? fold_bone_name(&r->skeleton, f.into[0]) : "";
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
  const FilePath& p = o.path;
  int written = fold_write(&r->plan, p.ansi.c_str(), p.w.c_str(), p.opened == OPENED_UTF16, out, bones, bone_count,
                           morphs, morph_count, nullptr);
  return written == FOLD_WRITE_DONE ? 0 : written == FOLD_WRITE_UNOPENED ? -1 : -2;
}
