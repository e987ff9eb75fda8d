// size_work.h: sizing's working records and procedures, shared by its files (size_plan.cpp the plan,
// size_play.cpp the bodies played and S's contacts and touches, size_fix.cpp the feet, the reach and the
// hands, size_keys.cpp the keys' fits, size_judge.cpp the judge). Not for callers outside sizing: size.h is.
#pragma once
#include <cstdint>

#include "pose/size.h"

constexpr int SIZE_FIXES = 16;             // corrections a plan fits: the feet and toes, the hips, the arms
constexpr double SIZE_BLEND = 6.0;         // frames a correction fades over at each end
constexpr double SIZE_PLANT_HEIGHT = 0.05; // a planted foot: its lower point within this x leg_S of the floor,
constexpr double SIZE_PLANT_SPEED = 0.02;  // moving less than this x leg_S a frame,
constexpr int SIZE_PLANT_FRAMES = 3;       // for this many frames or more
constexpr double SIZE_TOUCH = 1.7;         // touching wrists: this near (x S's arm / the standard arm)
constexpr double SIZE_ARM_STANDARD = 5.2434;  // the standard body's arm
constexpr double SIZE_QUICK_REACH = 0.995; // a leg reaching less than this far (of its full length) is
                                           // worked out without solving its IK
constexpr double SIZE_REACH_LEAST = 0.98;  // a leg may always reach this far (of its full length)
constexpr double SIZE_REACH_SLACK = 0.002; // a leg reaching this much (x its full length) too far is left
constexpr double SIZE_FOOT_BAND = 0.01;   // a foot's error within this x leg_T is left as it is
constexpr double SIZE_MISS = 0.05;         // a foot this far from its IK goal misses it
constexpr double SIZE_TOLERANCE_UNITS = 0.005;     // what a fit's keys may stray from the corrected motion
constexpr double SIZE_TOLERANCE_RADIANS = 0.00174533;  // 0.1 degrees

// v within what a motion's key may hold (POSE_FAR either way), as a key's float.
inline float size_far(double v) { return (float)(v > POSE_FAR ? POSE_FAR : v < -POSE_FAR ? -POSE_FAR : v); }

// Parts of a body a wrist may touch, and the chest the arms hang from.
enum SizePartIndex : int { SIZE_HEAD = 0, SIZE_NECK = 1, SIZE_LOWER = 2, SIZE_CHEST = 3, SIZE_PARTS = 4 };
// A wrist's touch (SizeSource::partner): the other wrist, or a part.
enum SizePartner : int8_t { SIZE_NONE = -1, SIZE_WRIST = 0, SIZE_PART_HEAD = 1, SIZE_PART_NECK = 2, SIZE_PART_LOWER = 3 };

// One foot at a frame, world positions.
struct SizeFootAt {
  float ankle[3], toe[3];
  float hip[3];   // 足's
  float goal[3];  // 足ＩＫ's
  float miss;     // 足ＩＫ's target's distance from its goal (0 unless solved)
  uint8_t solved; // 足ＩＫ solved at the frame
  uint8_t limit;  // the knee held at its limit
};

// A body at a frame.
struct SizeAt {
  SizeFootAt foot[SIZE_SIDES];
  float wrist[SIZE_SIDES][3];
  float part[SIZE_PARTS][7];  // world position, then rotation (x, y, z, w)
  float hips;                 // the mean height of 足 (0 without it)
};

// What a player plays (SizePlay::what).
// SIZE_PLAY_LEFT or SIZE_PLAY_RIGHT with the feet: that foot's leg alone (its IK alone is solved).
enum SizeWhat : int { SIZE_PLAY_FEET = 1, SIZE_PLAY_HANDS = 2, SIZE_PLAY_HIPS = 4, SIZE_PLAY_LEFT = 8, SIZE_PLAY_RIGHT = 16 };

// A body played: its skeleton, the bones sizing reads, the tracks, the bones posed.
struct SizePlay {
  const PoseSkeleton* s;
  const PoseMotion* m;  // its IK switches
  const PoseTrackRef* tracks;
  SizeBody body;
  double rest_ankle_y[SIZE_SIDES], rest_toe_y[SIZE_SIDES];
  double leg_rest[SIZE_SIDES];  // |足 - 足首| at rest (0 without them)
  double leg_full[SIZE_SIDES];  // as far as the leg reaches (size_leg_reach; 0 without its bones)
  int64_t cost;                     // bone updates a frame of all asked for takes at most
  uint8_t needed[POSE_SLOTS];       // the bones posed (all asked for)
  uint8_t needed_body[POSE_SLOTS];  // those of the wrists and parts alone (and the hips without the feet)
  uint8_t needed_foot[SIZE_SIDES][POSE_SLOTS];  // those of one foot alone
  // A foot worked out without solving (size_play_foot): the bones its IK bones hang from, in order.
  uint8_t quick[SIZE_SIDES];       // the leg can be worked out so (its IK bones and toe found, the toe's
                                   // link 足首 alone and free)
  double foot_length[SIZE_SIDES];  // |足首 - toe| at rest
  int32_t quick_bones[SIZE_SIDES][POSE_SLOTS];
  int32_t quick_count[SIZE_SIDES];
  int32_t hints[POSE_SLOTS];
};

// How far a leg reaches from 足 to 足首: at rest, with the knee turned about X as straight as its IK
// link's limits let it (a knee without limits in the file takes a knee's: it bends only); 0 without the
// leg's bones.
double size_leg_reach(const PoseSkeleton* s, const SizeLeg& l);

// Makes *p play s with tracks (m's IK switches), posing what `what` asks for.
void size_play_make(SizePlay* p, const PoseSkeleton* s, const PoseMotion* m, const PoseTrackRef* tracks, int what);
// The body at frame into *at; the world poses of the bones posed stay in size_world and what the IK did
// in size_ik, until the next play. POSE_DONE or POSE_HOSTILE (the skeleton's IK cannot be played).
int size_play_at(SizePlay* p, double frame, SizeAt* at);
// As size_play_at, but each foot worked out without solving where size_play_foot can (and solved alone
// where not): what a plan reads, not what a judge compares.
int size_play_fast(SizePlay* p, double frame, SizeAt* at);
extern PoseXf size_world[POSE_SLOTS];
extern PoseIkFrame size_ik;

// One foot at frame worked out without solving its IK, where the IK would bring 足首 to 足ＩＫ and point
// the toe at つま先ＩＫ: both IK on, the toe's IK turning 足首 alone, freely, and the leg reaching less
// than SIZE_QUICK_REACH of its full length (where CCD converges) unless `reach` (the foot as if the leg
// reached: what a correction of 足ＩＫ asks for, the reach itself seen to later). Into *f (its hip, goal,
// ankle and toe; miss 0, solved), the world poses of the bones it reads into size_world; false where it
// cannot say (play the frame with size_play_at).
bool size_play_foot(SizePlay* p, double frame, int side, bool reach, SizeFootAt* f);

// A foot's contact height: its lower point's (the heel below the ankle, or the toe) height over its rest
// height; *toe (may be null) gets 1 where the toe is the lower.
double size_foot_height(const SizePlay* p, int side, const SizeFootAt& f, int* toe);

// The frames played: every stride-th frame from 0 to m's last, at most SIZE_SAMPLES of them (and 16 at
// least) and at most SIZE_WORK bone updates where a frame costs per_frame. Their count into *samples.
int size_stride(int64_t per_frame, const PoseMotion* m, int32_t* samples);

// S playing the original: every frame played, its contacts and its touches. Written by size_source_read.
struct SizeSource {
  int32_t samples, stride;
  double leg;      // leg_S
  double touch;    // the wrists' touching distance
  SizeAt at[SIZE_SAMPLES];
  uint8_t planted[SIZE_SIDES][SIZE_SAMPLES];  // 1 at a planted frame
  uint8_t toe[SIZE_SIDES][SIZE_SAMPLES];      // the lower point: 1 the toe, 0 the heel
  float height[SIZE_SIDES][SIZE_SAMPLES];     // the contact height
  int8_t partner[SIZE_SIDES][SIZE_SAMPLES];   // a SizePartner
  int32_t contacts, planted_count, touching;
};
extern SizeSource size_source;

// Plays S (p, made with every SizeWhat) at samples frames of stride (fast: by size_play_fast): fills
// size_source. POSE_DONE or POSE_HOSTILE.
int size_source_read(SizePlay* p, int32_t samples, int32_t stride, bool fast);

// The point a wrist touches at sample i (partner, not SIZE_NONE): world position into *at.
void size_partner_point(const SizeAt& a, int side, int partner, double* at);

// A correction fitted into a track: per sample, an offset added to a key's position (rotation 0) or a
// turn standing before its rotation (x, y, z, w; rotation 1).
struct SizeFix {
  int32_t track;     // the plan's track it corrects, -1 none
  uint8_t rotation;
  float v[SIZE_SAMPLES][4];
};

// Fits fix (samples of stride) into the track base[0..n): the keys into out (capacity cap >= n), their
// count returned. Every frame of base keeps a key; a key's values take the correction at its frame;
// keys are put in at the ends of each corrected stretch and where the keys stray from the corrected
// motion by more than the tolerances, while cap allows. *work counts frames evaluated; the fit stops
// putting keys in when it passes SIZE_WORK.
int size_fit(const PoseKey* base, int n, const SizeFix* fix, int samples, int stride, PoseKey* out, int cap,
             int64_t* work);

// A plan in progress (size_plan.cpp): the bodies, the frames played, the tracks being rewritten (each with its
// base: the motion's keys, scaled for the root chain) and the corrections fitted into them. Written by
// size_plan and by the corrections (size_fix.cpp) it calls.
struct SizeWorkTrack {
  int32_t bone;         // T's
  int32_t base_first, base_count;  // in size_base
  int32_t cap;          // keys the plan holds for it (twice the base's)
  int32_t fix;          // its correction in size_fixes, -1 none
};
struct SizeRun {
  SizePlan* plan;
  const PoseSkeleton* source;
  const PoseSkeleton* model;
  const PoseMotion* m;
  SizeBody bs, bt;          // S's and T's bones
  int32_t samples, stride;
  int64_t work;             // frames the fits evaluated
  int32_t track_of[POSE_SLOTS];  // per bone of T, its rewritten track, -1 none
  SizeWorkTrack track[SIZE_TRACKS];  // as plan->track
  PoseTrackRef tracks_t[POSE_SLOTS];  // T's tracks, the rewritten ones as they stand
  PoseTrackRef tracks_s[POSE_SLOTS];  // S's: the motion's
  int fix_count;
};
extern SizeRun size_run;
extern SizeFix size_fixes[SIZE_FIXES];
extern PoseKey size_base[SIZE_KEYS / 2];

// The correction of T's bone (a track of the plan), made when first asked for, cleared (rotation: the
// identity turn); null when the bone has no track or the corrections are full.
SizeFix* size_fix_of(int bone, bool rotation);
// Fits the correction of track t into the plan's keys for it (and T's tracks).
void size_refit(int t);
// Fills the samples not held (held[i] 0) of a correction from those held: between two held stretches
// closer than twice the blend, from one to the other; else fading to nothing over the blend.
void size_fix_blend(SizeFix* f, const uint8_t* held, int samples, int stride);

// The corrections (size_fix.cpp): each plays T as the plan stands and fits what it finds.
void size_fix_feet(const SizeRatios& r);   // the feet at S's contacts, two passes
void size_fix_reach();                     // the hips lowered where a leg cannot reach
void size_fix_hands(const SizeRatios& r);  // the hands at S's touches, two passes
