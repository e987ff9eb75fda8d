// bench_check.cpp: Google Benchmark cases of the check's hot routines.
//   find_or_add/warm   a name seen before, as every key of a long motion after its first frame
//   find_or_add/cold   a name not seen before (the whole list is scanned, then the name is added)
//   bone_usage_add     one key into its record, twist bones included
//   vmd_read           the whole large motion (build/bench/data/large.vmd, or VELMORA_BENCH_VMD)
//   report_page        both halves of the page from the records of that motion
//   hostile_counts     a motion whose counts claim 2^31 - 1 records on a file of a few bytes
//   hostile_counts_pmx a model whose vertex count claims 2^31 - 1 records on a file of a few bytes
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "check/listing.h"
#include "check/names.h"
#include "check/vocab.h"
#include "check/report_page.h"
#include "check/usage.h"
#include "formats/pmx.h"
#include "formats/vmd.h"

namespace {

// Shift-JIS names: standard bones, a pattern-matched one, and unknown ones.
const char* const NAMES[] = {
    "\x83\x5A\x83\x93\x83\x5E\x81\x5B",  // センター
    "\x8F\xE3\x94\xBC\x90\x67",          // 上半身
    "\x8D\xB6\x98\x72",                  // 左腕
    "\x89\x45\x98\x72\x9D\x80",          // 右腕捩
    "\x94\xAF\x82\x50",                  // 髪１ (matches 髪*)
    "mystery_bone_1",
    "mystery_bone_2",
};
constexpr int NAME_COUNT = sizeof NAMES / sizeof NAMES[0];

std::string bench_vmd_path() {
  const char* env = std::getenv("VELMORA_BENCH_VMD");
  return env != nullptr ? env : std::string(VELMORA_BENCH_DIR) + "/large.vmd";
}

void find_or_add_warm(benchmark::State& state) {
  names_init();
  names_register_builtin();
  for (int i = 0; i < NAME_COUNT; i++) names_find_or_add(LIST_BONES, NAMES[i]);
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(names_find_or_add(LIST_BONES, NAMES[i]));
    if (++i == NAME_COUNT) i = 0;
  }
}
BENCHMARK(find_or_add_warm);

void find_or_add_cold(benchmark::State& state) {
  char name[16];
  int n = 0;
  names_init();
  names_register_builtin();
  for (auto _ : state) {
    std::snprintf(name, sizeof name, "unknown%07d", n++ % 10000000);
    benchmark::DoNotOptimize(names_find_or_add(LIST_BONES, name));
    if (names_count(LIST_BONES) >= 2000) {
      state.PauseTiming();
      names_init();
      names_register_builtin();
      state.ResumeTiming();
    }
  }
}
BENCHMARK(find_or_add_cold);

void bone_usage_add_key(benchmark::State& state) {
  names_init();
  names_register_builtin();
  bone_usage_reset();
  int entries[NAME_COUNT];
  for (int i = 0; i < NAME_COUNT; i++) entries[i] = names_find_or_add(LIST_BONES, NAMES[i]);
  int i = 0, frame = 0;
  for (auto _ : state) {
    float a = (float)(frame % 360) * 0.0174533f;
    BoneKey key = {NAMES[i], frame, 0.1f, 0.2f, 0.3f, std::sin(a * 0.5f), 0.0f, 0.0f, std::cos(a * 0.5f)};
    bone_usage_add(entries[i], key);
    if (++i == NAME_COUNT) i = 0;
    frame++;
  }
}
BENCHMARK(bone_usage_add_key);

void vmd_read_large(benchmark::State& state) {
  std::string path = bench_vmd_path();
  for (auto _ : state) {
    names_init();
    names_register_builtin();
    if (vmd_read_a(path.c_str()) != 0) {
      state.SkipWithError("the large motion is missing: run bench/run.sh");
      break;
    }
  }
}
BENCHMARK(vmd_read_large)->Unit(benchmark::kMillisecond);

void report_page_write(benchmark::State& state) {
  names_init();
  names_register_builtin();
  if (vmd_read_a(bench_vmd_path().c_str()) != 0) {
    state.SkipWithError("the large motion is missing");
    return;
  }
  ReportContext ctx = {"large.vmd", false, vmd_model_name()};
  for (auto _ : state) {
    report_reset();
    report_bones(ctx);
    report_morphs(ctx);
    benchmark::DoNotOptimize(report_view()->line_count);
  }
}
BENCHMARK(report_page_write)->Unit(benchmark::kMicrosecond);

void hostile_counts(benchmark::State& state) {
  std::string path = std::string(VELMORA_BENCH_DIR) + "/hostile.vmd";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    state.SkipWithError("cannot write the hostile motion");
    return;
  }
  std::string bytes("Vocaloid Motion Data 0002\0\0\0\0\0hostile\0\0\0\0\0\0\0\0\0\0\0\0\0", 50);
  bytes += std::string("\xFF\xFF\xFF\x7F", 4);  // 2^31 - 1 bone keys
  bytes += std::string(111 * 3, 'k');
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  for (auto _ : state) {
    names_init();
    names_register_builtin();
    benchmark::DoNotOptimize(vmd_read_a(path.c_str()));
  }
}
BENCHMARK(hostile_counts)->Unit(benchmark::kMicrosecond);

void hostile_counts_pmx(benchmark::State& state) {
  std::string path = std::string(VELMORA_BENCH_DIR) + "/hostile.pmx";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    state.SkipWithError("cannot write the hostile model");
    return;
  }
  // Signature, version 2.0, 8 globals (UTF-16, index sizes 2, 1, 1, 2, 2, 1), four empty texts.
  std::string bytes("PMX \0\0\0\x40\x08\0\0\x02\x01\x01\x02\x02\x01", 17);
  bytes += std::string(16, '\0');
  bytes += std::string("\xFF\xFF\xFF\x7F", 4);  // 2^31 - 1 vertices
  for (int i = 0; i < 3; i++) {  // three whole vertices (BDEF1), then the end of the file
    bytes += std::string(32, '\0');
    bytes += std::string("\0\x01\0", 3);
    bytes += std::string(4, '\0');
  }
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  for (auto _ : state) {
    benchmark::DoNotOptimize(pmdinforead_a(path.c_str()));
  }
}
BENCHMARK(hostile_counts_pmx)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
