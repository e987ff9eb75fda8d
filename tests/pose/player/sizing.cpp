// sizing.cpp: a motion sized from one model to another by the pose engine (pose/size.h), for the player
// comparison: the plan, the figures the pose engine judges, and the sized copy as a VMD file.
//
//   sizing SOURCE.pmx MODEL.pmx MOTION.vmd [COPY.vmd]
//
// prints the ratios, what the plan did, and the judged figures of the motion unsized and sized on
// MODEL, one "name value" a line; with COPY.vmd writes the sized copy: MOTION.vmd byte for byte but for
// its bone block, where each rewritten track's keys stand in place of the motion's keys of its name (at
// the first of them). Exit code 1 when a model or the motion cannot be read or sized.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/pmx.h"
#include "pose/size.h"

namespace {

bool load_skeleton(const char* path, PoseSkeleton* s) {
  if (pmdinforead_a(path) != READ_DONE || pose_skeleton_load(s, pmx_skeleton()) != POSE_DONE) {
    std::fprintf(stderr, "sizing: %s: %s\n", path, s->reason);
    return false;
  }
  return true;
}

std::string read_file(const char* path) {
  std::string out;
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return out;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

uint32_t le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; i++) v |= (uint32_t)(uint8_t)s[at + i] << (8 * i);
  return v;
}

void put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; i++) s += (char)(v >> (8 * i));
}

// The copy: the bone block rebuilt, the rest byte for byte.
bool write_copy(const char* from, const char* to, const SizePlan& plan) {
  std::string in = read_file(from);
  if (in.size() < 54) return false;
  uint32_t count = le32(in, 50);
  size_t end = 54 + (size_t)count * 111;
  if (end > in.size()) return false;
  std::string out = in.substr(0, 50);
  std::string keys;
  std::vector<bool> written((size_t)plan.track_count, false);
  uint32_t n = 0;
  auto emit = [&](int t) {
    if (written[(size_t)t]) return;
    written[(size_t)t] = true;
    const SizeTrack& k = plan.track[t];
    for (int i = 0; i < k.count; i++) {
      const PoseKey& key = plan.key[k.first + i];
      std::string rec(15, '\0');
      std::memcpy(&rec[0], k.name, strnlen(k.name, 15));
      put32(rec, key.frame);
      for (float v : key.pos) rec.append(reinterpret_cast<const char*>(&v), 4);
      for (float v : key.rot) rec.append(reinterpret_cast<const char*>(&v), 4);
      rec.append(reinterpret_cast<const char*>(key.curve), 64);
      keys += rec;
      n++;
    }
  };
  for (uint32_t i = 0; i < count; i++) {
    std::string rec = in.substr(54 + (size_t)i * 111, 111);
    char name[16] = {};
    std::memcpy(name, rec.data(), 15);
    int track = -1;
    for (int t = 0; t < plan.track_count; t++) {
      if (std::strcmp(plan.track[t].name, name) == 0) track = t;
    }
    if (track >= 0) {
      emit(track);
      continue;
    }
    keys += rec;
    n++;
  }
  for (int t = 0; t < plan.track_count; t++) emit(t);
  put32(out, n);
  out += keys;
  out += in.substr(end);
  FILE* f = std::fopen(to, "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  return std::fclose(f) == 0 && ok;
}

void print_figures(const char* label, const SizeFigures& f) {
  std::printf("%s.frames %d\n%s.planted %d\n%s.floor_mean %.5f\n%s.floor_p95 %.5f\n%s.sink %.5f\n", label, f.frames,
              label, f.planted, label, f.floor_mean, label, f.floor_p95, label, f.sink);
  std::printf("%s.sink_frames %d\n%s.slide_mean %.5f\n%s.slide_max %.5f\n%s.miss_frames %d\n", label, f.sink_frames,
              label, f.slide_mean, label, f.slide_max, label, f.miss_frames);
  std::printf("%s.limit_frames %d\n%s.reach_frames %d\n%s.touching %d\n%s.hands_mean %.5f\n", label, f.limit_frames,
              label, f.reach_frames, label, f.touching, label, f.hands_mean);
  std::printf("%s.hands_max %.5f\n%s.hips_mean %.5f\n%s.hips_max %.5f\n", label, f.hands_max, label, f.hips_mean,
              label, f.hips_max);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: sizing SOURCE.pmx MODEL.pmx MOTION.vmd [COPY.vmd]\n");
    return 2;
  }
  auto source = std::make_unique<PoseSkeleton>();
  auto model = std::make_unique<PoseSkeleton>();
  auto m = std::make_unique<PoseMotion>();
  auto plan = std::make_unique<SizePlan>();
  if (!load_skeleton(argv[1], source.get()) || !load_skeleton(argv[2], model.get())) return 1;
  if (pose_motion_load(m.get(), rfpathA(argv[3]), nullptr, 0) != POSE_DONE) {
    std::fprintf(stderr, "sizing: %s: %s\n", argv[3], m->reason);
    return 1;
  }
  int r = size_plan(plan.get(), source.get(), model.get(), m.get());
  if (r == SIZE_HOSTILE || r == SIZE_FULL) {
    std::fprintf(stderr, "sizing: %s\n", plan->reason);
    return 1;
  }
  const SizeRatios& q = plan->ratios;
  std::printf("ratios %.5f %.5f %.5f %.5f %.5f missing %d\n", q.legs_xz, q.legs_y, q.feet, q.arms, q.shoulders, q.missing);
  std::printf("plan %s parts %d stride %d contacts %d planted %d touching %d lowered %d tracks %d keys %d of %lld\n",
              r == SIZE_SAME ? "same" : "done", plan->parts, plan->stride, plan->contacts, plan->planted, plan->touching,
              plan->lowered, plan->track_count, plan->key_count, (long long)plan->bone_keys);
  SizeFigures unsized, sized;
  if (size_judge(&unsized, source.get(), model.get(), m.get(), nullptr) != POSE_DONE ||
      size_judge(&sized, source.get(), model.get(), m.get(), plan.get()) != POSE_DONE) {
    std::fprintf(stderr, "sizing: cannot judge\n");
    return 1;
  }
  print_figures("unsized", unsized);
  print_figures("sized", sized);
  if (argc == 5 && !write_copy(argv[3], argv[4], *plan)) {
    std::fprintf(stderr, "sizing: cannot write %s\n", argv[4]);
    return 1;
  }
  return 0;
}
