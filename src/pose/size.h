// size.h: a motion sized from the body it was made for (the source, S) to the model it will play on (T),
// and how well a motion plays on T judged against S.
//
// Words. "Rest" is a bone's rest position. A body's leg is |足 - 足首| at rest (left side; the right where
// the left is missing), its crotch 足.y - 足首.y, its foot |足首 - toe| (the toe: the target of つま先ＩＫ,
// else つま先, else 足先), its arm |腕 - ひじ| + |ひじ - 手首|, its shoulders |左腕.x - 右腕.x|.
//
// Ratios (T over S): legs r_xz (legs) and r_y (crotches), feet r_foot, arms r_arm, shoulders; a ratio
// whose bones either body lacks is 1 and SizeRatios::missing says so.
//
// What sizing does (size_plan), on the keys as T will play them (names already T's):
//   root chain  translations of 全ての親, センター, グルーブ, 足IK親, 足ＩＫ (whichever T has) scaled, x and
//               z by r_xz, y by r_y; つま先ＩＫ, whose key moves the toe about the ankle where it hangs
//               below 足ＩＫ, x and z by r_foot and y by r_y (as 足ＩＫ's y, which it mostly undoes), else
//               as the others. Where a rotation key of センター, グルーブ or 足IK親 turns what hangs below
//               about a pivot that stands otherwise from it on T than on S, scaled (センター's rest against
//               the hips', 足IK親's against 足ＩＫ's), its translation takes the difference, so the hips
//               (the foot) go where S's went, scaled. T's rest stance stays its own: a key of 0 is T's rest.
//   feet        contacts are read from S playing the motion with its IK: a foot is planted where its
//               lower point (the heel below the ankle, or the toe) is within 0.05 x leg_S of the floor and
//               moves less than 0.02 x leg_S a frame, for 3 frames or more. At S's planted frames T's
//               足ＩＫ (and a つま先ＩＫ that does not hang below it) is moved so that T's foot stands as
//               high above the floor as S's times r_foot and its lower point travels r_xz times as far as
//               S's from the contact's first frame (it stays where S's stays), less a band of 0.01 x leg_T
//               (what a leg's IK leaves near its full length is not chased); between contacts the
//               correction fades over 6 frames (or, between two contacts closer than 12 frames, passes
//               from one to the other). Two passes: the second corrects what the keys of the first left
//               (and plays only the contacts the first moved). The plan reads a foot where its IK would
//               bring it (足首 at 足ＩＫ, the toe pointed at つま先ＩＫ), solving S's IK only where its leg
//               stretches past 0.995 of its full length (or the foot cannot be read so); a judge solves
//               every frame's.
//   reach       a leg's full length is its reach from 足 to 足首 with the knee as straight as its IK
//               limits let it. Where T's 足ＩＫ lies farther from its hip, against T's full length, than
//               S's does against S's, than T's own at rest, and than 0.98 (and never past the full
//               length), by more than 0.002 of it, センター (else グルーブ) is lowered until it does not;
//               the lowering rises and falls over 6 frames. Two passes.
//   hands       where S's wrist is within 1.7 units x (S's arm / the standard arm) of the other wrist, or
//               of 頭, 首 or 下半身 (the nearest), T's wrist is moved to S's offset from that point times
//               r_arm, in the point's frame (two touching wrists: about their midpoint, which keeps S's
//               offset from the chest times r_arm), by turning 腕 and ひじ (a two-joint CCD), and 手首 keeps
//               its world rotation; the turn fades over 6 frames at each end. Two passes. Arms an IK turns
//               are left as they are.
//   keys        each rewritten track keeps every key's frame; a key's values take the correction at its
//               frame; keys are put in where the keys stray most from the corrected motion (more than
//               0.005 units or 0.1 degrees), the worst span first, up to twice the track's keys, each
//               taking its part of the span's curve (a de Casteljau split, so the motion between keeps its
//               timing); a key whose frame and span no correction reaches goes out byte for byte.
//   identity    where S's bones sizing reads stand where T's stand, nothing changes (SIZE_SAME).
// Not done: a pose below the hips other than the feet (a knee on the floor), hands touching other parts
// (a hand on the knee), a bone keyed on S that T lacks (the caller folds first: the motion's names are
// T's).
//
// How a caller sizes a motion (the plan is large: keep one, statically or on the heap):
//   size_plan(&plan, &source, &model, &motion)   SIZE_DONE: plan.track[] are the tracks the copy rewrites
//   size_bind(&plan, &model, &motion, tracks)    the model's tracks with the plan's in place (to play it)
//   size_judge(&unsized, &source, &model, &motion, nullptr) and size_judge(&sized, ..., &plan)
//
// Limits: 32,768 frames played (a longer motion is played at a stride), 2^25 bone updates for a plan or
// a judge, counted as the bones and IK it poses could take at most (a costlier body is played at a
// stride; 16 frames at least), 32 rewritten tracks, 131,072 keys together.
#pragma once
#include <cstdint>

#include "pose/ik.h"
#include "pose/motion.h"
#include "pose/skeleton.h"

constexpr int SIZE_SIDES = 2;            // left, right
constexpr int SIZE_TRACKS = 32;          // tracks a plan rewrites (the root chain, the feet and the arms)
constexpr int SIZE_KEYS = 1 << 17;       // keys of the rewritten tracks together (a real dance: a few thousand)
constexpr int SIZE_SAMPLES = 1 << 15;    // frames played (18 minutes); a longer motion is played at a stride
constexpr int64_t SIZE_WORK = 1 << 25;   // bone updates of a plan's or a judge's plays together, at most
                                         // (a 12,000-frame dance on a model with two IK legs, whole)

// The bones sizing reads on a body: each the bone's index, or -1 where the body lacks it.
struct SizeLeg {
  int32_t hip, knee, ankle, toe;  // 足, ひざ, 足首, the toe (つま先ＩＫ's target, else つま先, else 足先)
  int32_t ik, toe_ik, ik_parent;  // 足ＩＫ, つま先ＩＫ, 足IK親
};
struct SizeArm {
  int32_t shoulder, arm, elbow, wrist;  // 肩, 腕, ひじ, 手首
};
struct SizeBody {
  int32_t all, center, groove;      // 全ての親, センター, グルーブ
  int32_t lower, upper, upper2;     // 下半身, 上半身, 上半身2
  int32_t neck, head;               // 首, 頭
  SizeLeg leg[SIZE_SIDES];
  SizeArm arm[SIZE_SIDES];
};

// Finds the bones of *out on s (by their names; absent and long-named bones are not found).
void size_body(SizeBody* out, const PoseSkeleton* s);

enum SizeMissing : uint8_t {
  SIZE_NO_LEGS = 1,       // r_xz and r_y are 1: a body lacks 足 or 足首 on both sides
  SIZE_NO_FEET = 2,       // r_foot is 1: a body lacks 足首 or its toe on both sides
  SIZE_NO_ARMS = 4,       // r_arm is 1: a body lacks 腕, ひじ or 手首 on both sides
  SIZE_NO_SHOULDERS = 8,  // the shoulders' ratio is 1: a body lacks 左腕 or 右腕
};

struct SizeRatios {
  double legs_xz;    // r_xz: leg_T / leg_S, scales horizontal travel
  double legs_y;     // r_y: crotch_T / crotch_S, scales heights
  double feet;       // r_foot
  double arms;       // r_arm
  double shoulders;  // |左腕.x - 右腕.x|, T over S
  double leg_source, leg_model;  // leg_S and leg_T (0 where missing)
  uint8_t missing;   // SizeMissing bits
};

// The ratios of model to source (both skeletons that hold a pose; a skeleton that holds none lacks
// every bone). A length below 1e-4 counts as missing.
void size_ratios(SizeRatios* out, const PoseSkeleton* source, const PoseSkeleton* model);

// The standard body (median proportions of six real models, left side; the right mirrored in x), as a
// skeleton that plays with IK: 全ての親 (0, 0, 0); センター (0, 8.0, 0); グルーブ (0, 8.2, 0); 下半身 and
// 上半身 (0, 12.9, -0.6); 足 (0.93, 10.9, -0.3); ひざ (0.9, 6.1, -0.4); 足首 (0.9, 1.3, 0.2); つま先 (0.95,
// 0.25, -1.1); 首 (0, 16.2, 0); 頭 (0, 17.0, -0.1); 肩 (0.5, 16.0, 0); 腕 (1.2, 15.6, 0); ひじ (3.4, 14.1,
// 0); 手首 (5.5, 12.6, 0); 足IK親 on the floor below 足首; 足ＩＫ at 足首 (target 足首, links ひざ with a
// knee's limits and 足; 40 loops, 2 radians a step); つま先ＩＫ at つま先 below 足ＩＫ (target つま先, link
// 足首; 3 loops, 4 radians a step). Into *out: POSE_DONE (it always loads).
int size_standard(PoseSkeleton* out);

// A rewritten track, as fold.h's FoldTrack: the bone's name and its keys in SizePlan::key, by frame.
struct SizeTrack {
  char name[POSE_TRACK_NAME];
  int32_t bone;         // T's bone
  int32_t first, count;
};

enum SizeResult : int {
  SIZE_DONE = 0,     // the plan holds the rewritten tracks
  SIZE_SAME = 1,     // nothing to change: S's bones stand where T's do, or the motion keys nothing sizing
                     // changes (the copy is the motion as it is)
  SIZE_HOSTILE = 2,  // a skeleton holds no pose or its IK cannot be played, or the motion holds no keys:
                     // reason says why
  SIZE_FULL = 3,     // a bound was reached (the rewritten tracks or their keys): reason says which; nothing
                     // is rewritten
};

// What a plan sized (SizePlan::parts).
enum SizePart : uint8_t {
  SIZE_PART_ROOT = 1,   // the root chain's translations scaled
  SIZE_PART_FEET = 2,   // feet held at S's contacts
  SIZE_PART_REACH = 4,  // the hips lowered where a leg could not reach
  SIZE_PART_HANDS = 8,  // hands brought to S's touches
};

// The plan for one motion, S to T: the caller's value (about 13 MB; only what is used is touched). All
// zeros is empty. Its rewritten tracks have FoldPlan's shape (fold.h): track[] names each track whose keys
// the copy takes from key[] instead of the motion's keys of that name; removed[] lists those names (the
// names whose keys the copy leaves out), removed_emit[i] the tracks written where the motion's first key
// of removed[i] stood (here: track i itself); bone_keys the copy's bone keys.
struct SizePlan {
  int result;                 // a SizeResult
  char reason[POSE_REASON];
  SizeRatios ratios;
  uint8_t parts;              // SizePart bits: what the rewritten tracks change
  int32_t stride;             // frames between the frames played (1 unless the motion was too long)
  int32_t contacts;           // S's foot contacts (runs of planted frames), both feet
  int32_t planted;            // S's planted frames, both feet
  int32_t touching;           // frames at which a wrist of S touches, both wrists
  int32_t lowered;            // frames at which the hips were lowered for a leg to reach
  int track_count;
  SizeTrack track[SIZE_TRACKS];
  int32_t key_count;
  PoseKey key[SIZE_KEYS];
  int removed_count;
  char removed[SIZE_TRACKS][POSE_TRACK_NAME];
  uint8_t removed_emit_count[SIZE_TRACKS];
  int16_t removed_emit[SIZE_TRACKS][1];
  int64_t bone_keys;          // bone keys of the copy: the motion's, less the rewritten names', plus key_count
};

// Sizes motion m (the keys as T plays them) from source to model. SIZE_DONE, SIZE_SAME, SIZE_HOSTILE or
// SIZE_FULL (see SizeResult). The plan is rewritten whole; nothing is allocated. The work is bounded:
// at most SIZE_SAMPLES frames played and SIZE_WORK bone updates (the most a frame of the bones it poses
// could take decides the stride), and the keys' fits stop at their budget of keys and at SIZE_WORK
// frames evaluated.
int size_plan(SizePlan* plan, const PoseSkeleton* source, const PoseSkeleton* model, const PoseMotion* m);

// Binds the model's bones to m's tracks (as pose_bind) with the plan's rewritten tracks in their place
// (plan may be null or not SIZE_DONE: m's tracks alone): tracks[bone] for every bone of model.
void size_bind(const SizePlan* plan, const PoseSkeleton* model, const PoseMotion* m, PoseTrackRef* tracks);

// How a motion plays on T against S playing the original, IK on, every frame (at the plan's stride rule).
// Contacts and touches are S's, as size_plan finds them. A foot's contact height is its lower point's
// height over its rest (the heel: 足首's; the toe's).
struct SizeFigures {
  int32_t frames;        // frames judged
  int32_t stride;
  int32_t planted;       // S's planted frames, both feet
  double floor_mean;     // at S's planted frames: |T's contact height - S's x r_foot|, the mean
  double floor_p95;      // and the 95th percentile
  double sink;           // at S's planted frames, the deepest T's foot goes below the floor beyond S's
                         // (x r_foot)
  int32_t sink_frames;   // frames where that is more than 0.05
  double slide_mean;     // per frame of a contact after its first: the horizontal travel of T's lower point
                         // (the one lower on S) less S's x r_xz (0 where less)
  double slide_max;
  int32_t miss_frames;   // frames where a foot of T misses its IK goal by more than 0.05, S's not
  int32_t limit_frames;  // frames where a knee of T is held at its limit, S's not
  int32_t reach_frames;  // frames counted by either
  int32_t touching;      // wrist frames where S's hands touch
  double hands_mean;     // |d_T - d_S x r_arm| at those, d the distance to the touched point
  double hands_max;
  double hips_mean;      // |T's hip height / S's - r_y| (hip height: the mean of 足's heights), where S's
                         // hips stand above a tenth of their rest height
  double hips_max;
};

// Judges m played on model (with the plan's tracks in place of m's where plan is SIZE_DONE; null: m as
// it is) against m played on source. POSE_DONE, or POSE_HOSTILE (out zeroed) when a skeleton holds no
// pose or cannot play its IK, or m holds no keys.
int size_judge(SizeFigures* out, const PoseSkeleton* source, const PoseSkeleton* model, const PoseMotion* m,
               const SizePlan* plan);
