// fuzz_pmx.cpp: libFuzzer target: the PMX model reader. Each input is a model file.
//   1. A fixed motion is read, then the input is checked as the run sequence checks a model argument
//      (run_file_names, run_check: the reader by ANSI path, the page coloured against the new model).
//   2. It is read again by UTF-16 path (the byte reader's handle mode), and the fixed motion's page is
//      written against it.
// Both reads must give the same result and the same tables; the tables must keep their bounds (4,096
// bones, 8,192 morphs, every name ended inside its slot, a display name of at most 20 bytes without a
// broken last character); the page must keep its bounds; the input must be unchanged and no file may
// appear.
#include <cstdint>
#include <cstring>

#include "app/cmdline.h"
#include "app/run.h"
#include "check/listing.h"
#include "check/names.h"
#include "check/vocab.h"
#include "check/usage.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "fuzz_common.h"
#include "text/encoding.h"

namespace {

FuzzPath fixed_vmd;
std::vector<std::string> expected_listing;

struct ModelState {
  int result;
  std::string display;
  std::vector<std::string> bones, morphs;
};

void take_model(ModelState& s, int result) {
  const ModelTables* m = model_view();
  s.result = result;
  FUZZ_CHECK(m->bone_count >= 0 && m->bone_count <= MODEL_BONES, "bone count %d", (int)m->bone_count);
  FUZZ_CHECK(m->morph_count >= 0 && m->morph_count <= MODEL_MORPHS, "morph count %d", (int)m->morph_count);
  size_t dlen = strnlen(m->display_name, MODEL_DISPLAY_NAME);
  FUZZ_CHECK(dlen < (size_t)MODEL_DISPLAY_NAME, "display name without terminator");
  char copy[MODEL_DISPLAY_NAME];
  std::memcpy(copy, m->display_name, sizeof copy);
  FUZZ_CHECK(cut_broken_tail(copy) == 0, "display name ends in a lone lead byte");
  s.display = m->display_name;
  s.bones.clear();
  s.morphs.clear();
  for (int i = 0; i < m->bone_count; i++) {
    size_t len = strnlen(m->bone[i], MODEL_NAME_SLOT);
    FUZZ_CHECK(len < (size_t)MODEL_NAME_SLOT, "bone %d without terminator", i);
    s.bones.emplace_back(m->bone[i], len);
  }
  for (int i = 0; i < m->morph_count; i++) {
    size_t len = strnlen(m->morph[i], MODEL_NAME_SLOT);
    FUZZ_CHECK(len < (size_t)MODEL_NAME_SLOT, "morph %d without terminator", i);
    s.morphs.emplace_back(m->morph[i], len);
  }
}

ModelState first, second;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string& dir = fuzz_scratch_dir();
  std::string vmd = fuzz_fixed_vmd();
  fixed_vmd = fuzz_write("fixed.vmd", vmd.data(), vmd.size());
  std::string line = "\"" + dir + "/velmora.exe\" \"" + dir + "/in.pmx\"";
  std::u16string wline(line.begin(), line.end());
  split_command_line_ansi_from(line.c_str());
  split_command_line_utf16_from(wline.c_str());
  expected_listing = {"fixed.vmd", "in.pmx"};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPath in = fuzz_write("in.pmx", data, size);

  // 1. A motion, then the model as a file argument of the run.
  names_init();
  names_register_builtin();
  FUZZ_CHECK(vmd_read_a(fixed_vmd.a.c_str()) == 0, "fixed motion");
  run_file_names(1);
  const FileState* fs = run_file();
  FUZZ_CHECK(fs->is_pmx && !fs->is_vmd, "in.pmx not taken for a model");
  run_check(nullptr, nullptr);
  FUZZ_CHECK(fs->read_result == 0 || fs->read_result == 2, "read result %d", fs->read_result);
  fuzz_check_page();
  take_model(first, fs->read_result);

  // 2. By UTF-16 path; the fixed motion's page against this model.
  int r = pmdinforead_w(in.w.c_str());
  take_model(second, r);
  FUZZ_CHECK(first.result == second.result, "ANSI read %d, UTF-16 read %d", first.result, second.result);
  FUZZ_CHECK(first.display == second.display, "display names differ");
  FUZZ_CHECK(first.bones == second.bones, "bone tables differ (%d and %d)", (int)first.bones.size(),
             (int)second.bones.size());
  FUZZ_CHECK(first.morphs == second.morphs, "morph tables differ");
  names_init();
  names_register_builtin();
  FUZZ_CHECK(vmd_read_a(fixed_vmd.a.c_str()) == 0, "fixed motion");
  ReportContext ctx = {fixed_vmd.a.c_str(), false, vmd_model_name()};
  report_reset();
  report_bones(ctx);
  report_morphs(ctx);
  fuzz_check_page();

  FUZZ_CHECK(fuzz_read(in.a) == std::string(reinterpret_cast<const char*>(data), size), "the input changed");
  FUZZ_CHECK(fuzz_scratch_listing() == expected_listing, "a file appeared in the scratch directory");
  return 0;
}
