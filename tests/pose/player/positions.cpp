// positions.cpp: the world positions of named bones, a motion played on a model with its IK solved by
// the pose engine (pose/ik.h), one line a bone a frame, as positions.mjs prints them from the player:
//
//   positions MODEL.pmx MOTION.vmd FIRST LAST BONE...
//   positions --last MOTION.vmd           prints the motion's last frame
//   positions --ik MODEL.pmx              prints each IK bone: name, target, loops, angle a step, links
//
// prints "FRAME NAME X Y Z" for every frame FIRST..LAST and every BONE (UTF-8; a bone the model lacks is
// left out), X Y Z in the model's units with six decimals. Exit code 1 when the model or the motion
// cannot be read or played.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "formats/pmx.h"
#include "pose/ik.h"
#include "text/encoding.h"

static std::string positions_utf8(const char* sjis) {
  char out[256];
  sjis_to_utf8_compat(out, sizeof out, sjis);
  return out;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--last") {
    auto m = std::make_unique<PoseMotion>();
    if (pose_motion_load(m.get(), rfpathA(argv[2]), nullptr, 0) != POSE_DONE) return 1;
    std::printf("%u\n", m->last_frame);
    return 0;
  }
  if (argc == 3 && std::string(argv[1]) == "--ik") {
    auto s = std::make_unique<PoseSkeleton>();
    if (pmdinforead_a(argv[2]) != READ_DONE || pose_skeleton_load(s.get(), pmx_skeleton()) != POSE_DONE) return 1;
    std::printf("ik: %s\n", s->ik_reason);
    for (int k = 0; k < s->count; k++) {
      const PoseBone& b = s->bone[k];
      if (!(b.flags & PMX_BONE_IK)) continue;
      std::printf("%s -> %s loops %d step %.4f layer %d links", positions_utf8(b.name).c_str(),
                  b.ik_target >= 0 ? positions_utf8(s->bone[b.ik_target].name).c_str() : "-", b.ik_loops,
                  b.ik_limit, b.layer);
      for (int i = 0; i < b.link_count; i++) {
        const PoseLink& l = s->link[b.link_first + i];
        std::printf(" %s", positions_utf8(s->bone[l.bone].name).c_str());
        if (l.limited) {
          std::printf("[%.1f..%.1f %.1f..%.1f %.1f..%.1f]", l.lower[0] * POSE_DEGREES, l.upper[0] * POSE_DEGREES,
                      l.lower[1] * POSE_DEGREES, l.upper[1] * POSE_DEGREES, l.lower[2] * POSE_DEGREES,
                      l.upper[2] * POSE_DEGREES);
        }
      }
      std::printf("\n");
    }
    return 0;
  }
  if (argc < 6) {
    std::fprintf(stderr, "usage: positions MODEL.pmx MOTION.vmd FIRST LAST BONE...\n");
    return 2;
  }
  auto s = std::make_unique<PoseSkeleton>();
  auto m = std::make_unique<PoseMotion>();
  if (pmdinforead_a(argv[1]) != READ_DONE || pose_skeleton_load(s.get(), pmx_skeleton()) != POSE_DONE) {
    std::fprintf(stderr, "positions: %s: %s\n", argv[1], s->reason);
    return 1;
  }
  if (s->ik_reason[0] != 0) {
    std::fprintf(stderr, "positions: %s: %s\n", argv[1], s->ik_reason);
    return 1;
  }
  if (pose_motion_load(m.get(), rfpathA(argv[2]), nullptr, 0) != POSE_DONE) {
    std::fprintf(stderr, "positions: %s: %s\n", argv[2], m->reason);
    return 1;
  }
  int first = std::atoi(argv[3]), last = std::atoi(argv[4]);
  std::vector<std::pair<std::string, int>> bones;
  for (int i = 5; i < argc; i++) {
    char sjis[64];
    utf8_to_sjis_compat(sjis, sizeof sjis, argv[i]);
    int b = pose_skeleton_find(s.get(), sjis);
    if (b >= 0) bones.push_back({argv[i], b});
  }
  static PoseXf world[POSE_SLOTS];
  for (int f = first; f <= last; f++) {
    if (pose_play_ik(s.get(), m.get(), f, world, nullptr) != POSE_DONE) return 1;
    for (const auto& [name, b] : bones) {
      std::printf("%d %s %.6f %.6f %.6f\n", f, name.c_str(), world[b].p.x, world[b].p.y, world[b].p.z);
    }
  }
  return 0;
}
