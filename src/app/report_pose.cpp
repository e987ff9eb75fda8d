// report_pose.cpp: velmora-report's measures of lacking semi-standard bones (see report_pose.h).
//
// Records: PoseRecords, the motion's keys and its plan, and the skeleton of each model (one for a run in
// order, one per model of --each-model, ReportPoseModel); made on the heap the first time they are
// needed, and written by report_pose_model, report_pose_model_now and report_pose_motion. Each record is
// big (the bounds of pose/), so a run keeps one of each but the skeletons. A motion's keys come from the
// bytes the check kept (formats/vmd.h), so its file is read once.
#include "app/report_pose.h"

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#include "app/report_text.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "pose/fold.h"

struct PoseRecords {
  PoseMotion motion;
  FoldPlan plan;
};
static PoseRecords* report_pose_records;

// A model as the pose engine measures on it.
struct ReportPoseModel {
  bool read;               // its file was read: a skeleton to measure on
  bool made;               // skeleton holds it (pose_skeleton_load made it)
  PoseSkeleton* skeleton;  // taken the first time
};
// The models, grown as --each-model asks for more; all zeros is a model that was not read.
static ReportPoseModel report_pose_first;
static ReportPoseModel* report_pose_models = &report_pose_first;
static size_t report_pose_model_count = 1;
static size_t report_pose_model_slot;  // the one in use

// Memory the system gives zeroed (all zeros is an empty motion, plan and skeleton), untouched until used:
// most of it never is. nullptr when there is none.
template <typename T>
static T* report_pose_zeroed() {
  static_assert(std::is_trivially_default_constructible_v<T>, "records of plain fields");
  return static_cast<T*>(std::calloc(1, sizeof(T)));
}

// The records, made the first time; nullptr when there is no memory for them.
static PoseRecords* report_pose_get() {
  if (report_pose_records == nullptr) report_pose_records = report_pose_zeroed<PoseRecords>();
  return report_pose_records;
}

// The skeleton of the model in use, made from the PMX reader's record the first time it is asked for
// (that record must still be the model's); nullptr when there is no memory for it.
static const PoseSkeleton* report_pose_skeleton() {
  ReportPoseModel& m = report_pose_models[report_pose_model_slot];
  if (m.skeleton == nullptr) m.skeleton = report_pose_zeroed<PoseSkeleton>();
  if (m.skeleton == nullptr) return nullptr;
  if (!m.made) {
    pose_skeleton_load(m.skeleton, pmx_skeleton());
    m.made = true;
  }
  return m.skeleton;
}

void report_pose_use(int slot) {
  size_t want = slot > 0 ? (size_t)slot : 0;
  if (want >= report_pose_model_count) {
    // Twice as many, the records there are copied over. Without memory for more, a model measures on
    // the last record there is.
    size_t count = 2 * (want + 1);
    auto* grown = static_cast<ReportPoseModel*>(std::calloc(count, sizeof(ReportPoseModel)));
    if (grown == nullptr) {
      report_pose_model_slot = report_pose_model_count - 1;
      return;
    }
    std::memcpy(grown, report_pose_models, report_pose_model_count * sizeof(ReportPoseModel));
    if (report_pose_models != &report_pose_first) std::free(report_pose_models);
    report_pose_models = grown;
    report_pose_model_count = count;
  }
  report_pose_model_slot = want;
}

void report_pose_keep(bool wanted) {
  bool skeleton = false;
  for (size_t m = 0; m < report_pose_model_count; m++) skeleton = skeleton || report_pose_models[m].read;
  vmd_keep(skeleton && wanted);
}

void report_pose_model(bool read) {
  report_pose_models[report_pose_model_slot].read = read;
  report_pose_models[report_pose_model_slot].made = false;
  report_pose_keep(true);
}

void report_pose_model_now() {
  if (report_pose_models[report_pose_model_slot].read) report_pose_skeleton();
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

bool report_pose_motion(FileOutcome* o, bool fold) {
  if (!report_pose_models[report_pose_model_slot].read || !o->model.loaded || !report_pose_wanted(*o)) return false;
  PoseRecords* r = report_pose_get();
  const PoseSkeleton* skeleton = report_pose_skeleton();
  if (r == nullptr || skeleton == nullptr) return true;
  std::vector<VmdRename> renames[LISTING_KINDS];
  report_verdict_renames(*o, renames);
  // The bytes the check kept of the motion it read last (this one), or else the file again.
  const VmdRename* bones = renames[LISTING_BONES].data();
  int bone_count = (int)renames[LISTING_BONES].size();
  VmdKept kept = vmd_kept();
  int loaded = kept.bytes != nullptr ? pose_motion_load_bytes(&r->motion, kept.bytes, kept.size, bones, bone_count)
                                     : pose_motion_load(&r->motion, run_path_opened(o->path), bones, bone_count);
  if (loaded != POSE_DONE) return true;
  if (fold_plan(&r->plan, skeleton, &r->motion, fold) == FOLD_HOSTILE) return true;
  const FoldPlan& plan = r->plan;
  for (int i = 0; i < plan.lack_count; i++) {
    const FoldLack& f = plan.lack[i];
    for (LackingName& l : o->lacking) {
      if (l.list != LISTING_BONES || l.name_sjis != f.name) continue;
      if (f.cost_state == FOLD_COST_MEASURED) l.cost = report_pose_move(skeleton, f.cost);
      if (f.cost_state == FOLD_COST_IK) l.cost = OutcomeMove{true, 0.0, 0.0, "", 0};
      l.foldable = !fold && f.foldable;
      if (f.kind != FOLD_NONE) {
        for (int k = 0; k < f.into_count && k < FOLD_INTO; k++) {
          l.into.push_back(report_text_utf8_of(fold_bone_name(skeleton, f.into[k])));
        }
        l.why = WHY_FOLD;
        l.to = l.into.empty() ? "" : l.into[0];
        l.to_sjis = f.into_count > 0 ? fold_bone_name(skeleton, f.into[0]) : "";
        l.error = report_pose_move(skeleton, f.error);
        o->folded = true;
      }
    }
  }
  report_verdict_sort(o);
  report_verdict_would_fit(o);
  return true;
}

int report_pose_write(const FileOutcome& o, FILE* out, const VmdRename* bones, int bone_count, const VmdRename* morphs,
                      int morph_count) {
  PoseRecords* r = report_pose_records;
  if (!o.folded || r == nullptr) return -2;
  int written = fold_write(&r->plan, run_path_opened(o.path), out, bones, bone_count, morphs, morph_count, nullptr);
  return written == FOLD_WRITE_DONE ? 0 : written == FOLD_WRITE_UNOPENED ? -1 : -2;
}
