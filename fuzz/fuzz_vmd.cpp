// fuzz_vmd.cpp: libFuzzer target: the VMD motion reader with the whole check behind it. Each input is a
// motion file.
//   1. It is checked as the run sequence checks a file argument: run_file_names (directory search, kind)
//      and run_check (name lists, vocabularies, the reader by ANSI path and, when that does not give 0,
//      by UTF-16 path, both halves of the page, the summary), with no model and no alias file.
//   2. It is read on fresh name lists by ANSI path (the byte reader's stream mode); read 1 is that read
//      when its first attempt gave 0.
//   3. It is read on fresh name lists by UTF-16 path (handle mode) with a model loaded and an alias
//      file read, and the page is written in alias mode.
// Reads 2 and 3 must give the same result, the same name lists and the same usage records. (Read 1 is
// not compared: after a result of 2 its second attempt finds the names its first attempt added.) The
// page must keep its bounds after 1 and 3; the input must be unchanged and no file may appear.
#include <cstdint>
#include <cstring>

#include "app/cmdline.h"
#include "app/run.h"
#include "check/listing.h"
#include "check/names.h"
#include "check/vocab.h"
#include "check/summary.h"
#include "check/usage.h"
#include "formats/alias.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "fuzz_common.h"

namespace {

FuzzPath fixed_pmx, fixed_alias;
std::vector<std::string> expected_listing;

uint32_t bits(float f) {
  uint32_t v;
  std::memcpy(&v, &f, sizeof v);
  return v;
}

bool same_bone(const BoneUsage& a, const BoneUsage& b) {
  return a.key_count == b.key_count && a.first_frame == b.first_frame && a.last_frame == b.last_frame &&
         a.moves == b.moves && bits(a.max_offset) == bits(b.max_offset) &&
         bits(a.max_rotation) == bits(b.max_rotation) && bits(a.twist_pos) == bits(b.twist_pos) &&
         a.twist_pos_frame == b.twist_pos_frame && bits(a.twist_neg) == bits(b.twist_neg) &&
         a.twist_neg_frame == b.twist_neg_frame;
}

bool same_morph(const MorphUsage& a, const MorphUsage& b) {
  return a.key_count == b.key_count && a.first_frame == b.first_frame && a.last_frame == b.last_frame &&
         bits(a.min_weight) == bits(b.min_weight) && bits(a.max_weight) == bits(b.max_weight);
}

// What a read left behind, to compare two reads of the same file.
struct ReadState {
  int result;
  std::string model;
  std::vector<std::string> bones, morphs;
  std::vector<BoneUsage> bone_records;
  std::vector<MorphUsage> morph_records;
};

void take_state(ReadState& s, int result) {
  s.result = result;
  s.model = vmd_model_name();
  s.bones.clear();
  s.morphs.clear();
  s.bone_records.clear();
  s.morph_records.clear();
  int bones = names_count(LIST_BONES), morphs = names_count(LIST_MORPHS);
  FUZZ_CHECK(bones >= 0 && bones <= NAME_ENTRIES, "bone list count %d", bones);
  FUZZ_CHECK(morphs >= 0 && morphs <= NAME_ENTRIES, "morph list count %d", morphs);
  for (int e = 1; e <= bones; e++) {
    s.bones.push_back(names_entry(LIST_BONES, e));
    FUZZ_CHECK(s.bones.back().size() <= NAME_BYTES - 1, "bone entry %d of %d bytes", e, (int)s.bones.back().size());
    s.bone_records.push_back(*bone_usage_view(e));
  }
  for (int e = 1; e <= morphs; e++) {
    s.morphs.push_back(names_entry(LIST_MORPHS, e));
    s.morph_records.push_back(*morph_usage_view(e));
  }
  FUZZ_CHECK(s.model.size() <= 20, "model name of %d bytes", (int)s.model.size());
}

void compare_states(const ReadState& a, const ReadState& b) {
  FUZZ_CHECK(a.result == b.result, "ANSI read %d, UTF-16 read %d", a.result, b.result);
  FUZZ_CHECK(a.model == b.model, "model names differ");
  FUZZ_CHECK(a.bones == b.bones, "bone lists differ (%d and %d entries)", (int)a.bones.size(), (int)b.bones.size());
  FUZZ_CHECK(a.morphs == b.morphs, "morph lists differ");
  for (size_t i = 0; i < a.bone_records.size(); i++) {
    FUZZ_CHECK(same_bone(a.bone_records[i], b.bone_records[i]), "bone record %d differs", (int)i + 1);
  }
  for (size_t i = 0; i < a.morph_records.size(); i++) {
    FUZZ_CHECK(same_morph(a.morph_records[i], b.morph_records[i]), "morph record %d differs", (int)i + 1);
  }
}

void check_summary() {
  FUZZ_CHECK(strnlen(summary_text(), SUMMARY_BYTES) < (size_t)SUMMARY_BYTES, "summary without terminator");
}

ReadState first, second;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string& dir = fuzz_scratch_dir();
  std::string pmx = fuzz_fixed_pmx(), alias = fuzz_fixed_alias();
  fixed_pmx = fuzz_write("fixed.pmx", pmx.data(), pmx.size());
  fixed_alias = fuzz_write("fixed_alias.ini", alias.data(), alias.size());
  std::string line = "\"" + dir + "/velmora.exe\" \"" + dir + "/in.vmd\"";
  std::u16string wline(line.begin(), line.end());
  split_command_line_ansi_from(line.c_str());
  split_command_line_utf16_from(wline.c_str());
  expected_listing = {"fixed.pmx", "fixed_alias.ini", "in.vmd"};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPath in = fuzz_write("in.vmd", data, size);

  // 1. The run sequence's check of a file argument, without model or alias file.
  model_clear();
  run_file_names(1);
  const FileState* fs = run_file();
  FUZZ_CHECK(fs->is_vmd && !fs->is_pmx, "in.vmd not taken for a motion");
  run_check(nullptr, nullptr);
  FUZZ_CHECK(fs->read_result == 0 || fs->read_result == 2, "read result %d", fs->read_result);
  fuzz_check_page();
  check_summary();

  // 2. On fresh lists by ANSI path: what read 1 left, when its first attempt gave 0.
  if (fs->ansi_failed) {
    names_init();
    names_register_builtin();
    take_state(first, vmd_read_a(in.a.c_str()));
  } else {
    take_state(first, fs->read_result);
  }

  // 3. By UTF-16 path, with a model and aliases, the page in alias mode.
  names_init();
  FUZZ_CHECK(alias_read_a(fixed_alias.a.c_str()) == 0, "fixed alias file");
  names_register_builtin();
  FUZZ_CHECK(pmdinforead_a(fixed_pmx.a.c_str()) == 0 && model_view()->bone_count == 3, "fixed model");
  int r = vmd_read_w(in.w.c_str());
  take_state(second, r);
  compare_states(first, second);
  ReportContext ctx = {in.a.c_str(), true, vmd_model_name()};
  report_reset();
  report_bones(ctx);
  report_morphs(ctx);
  report_summary();
  fuzz_check_page();
  check_summary();

  // Nothing written: the input as it was, no new file.
  FUZZ_CHECK(fuzz_read(in.a) == std::string(reinterpret_cast<const char*>(data), size), "the input changed");
  FUZZ_CHECK(fuzz_scratch_listing() == expected_listing, "a file appeared in the scratch directory");
  return 0;
}
