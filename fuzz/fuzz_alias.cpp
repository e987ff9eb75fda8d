// fuzz_alias.cpp: libFuzzer target: the alias file reader (with the two encoding detectors it runs first)
// and the renaming walk. Each input is an alias.ini.
//   1. A fixed motion is checked as the run sequence checks it with this alias file (run_check with the
//      alias path: rsexists, the reader by ANSI path, the vocabularies, the motion, the page in alias
//      mode, every shown name renamed through the entries).
//   2. Names are renamed through both alias lists into exact-size buffers of several sizes: names that
//      the vocabularies hold, names built from the file's own patterns, and odd ones.
//   3. The file is read again by UTF-16 path (text reader in handle mode); both reads must store the
//      same patterns and rename every name of step 2 alike.
// Every stored pattern must keep its bounds: 1 to 63 bytes, at most 16,384 entries. A list's last entry
// is tried first, so its own pattern renames to its replacement alone, which must be 1 to 15 bytes. The
// input must be unchanged and no file may appear.
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/cmdline.h"
#include "app/run.h"
#include "check/listing.h"
#include "check/names.h"
#include "check/usage.h"
#include "formats/alias.h"
#include "fuzz_common.h"

namespace {

FuzzPath fixed_vmd;
std::vector<std::string> expected_listing;

// Renames name through list as the listing does, into LISTING_TEXT bytes.
std::string rename_listed(int list, const std::string& name) {
  char out[LISTING_TEXT];
  names_rename(list, name.c_str(), out, LISTING_TEXT);
  return out;
}

void take_list(std::vector<std::string>& out, int list) {
  out.clear();
  int count = names_count(list);
  FUZZ_CHECK(count >= 0 && count <= NAME_ENTRIES, "alias list %d count %d", list, count);
  for (int e = 1; e <= count; e++) {
    std::string pattern = names_entry(list, e);
    FUZZ_CHECK(!pattern.empty() && pattern.size() <= NAME_BYTES - 1, "pattern %d of %d bytes", e, (int)pattern.size());
    out.push_back(pattern);
  }
  if (count > 0) {
    size_t len = rename_listed(list, out.back()).size();
    FUZZ_CHECK(len >= 1 && len <= 15, "the last entry's replacement is %d bytes", (int)len);
  }
}

// Renames name through list into buffers of exactly 1, 7, 16 and 64 bytes and LISTING_TEXT bytes; each
// result must end inside its buffer and be a prefix of the longest one, which is returned.
std::string rename_all_sizes(int list, const std::string& name) {
  static const int sizes[] = {LISTING_TEXT, 64, 16, 7, 1};
  std::string longest;
  for (int size : sizes) {
    FuzzBlock out((size_t)size);
    names_rename(list, name.c_str(), out.c(), size);
    size_t len = strnlen(out.c(), (size_t)size);
    FUZZ_CHECK(len < (size_t)size, "rename into %d bytes without terminator", size);
    std::string got(out.c(), len);
    if (size == LISTING_TEXT) longest = got;
    else FUZZ_CHECK(longest.compare(0, got.size(), got) == 0, "rename into %d bytes is no prefix", size);
  }
  return longest;
}

std::vector<std::string> bones_a, morphs_a, bones_w, morphs_w;
// Step 2's names with their lists, and what the first read's entries made of them.
std::vector<std::pair<int, std::string>> probes;
std::vector<std::string> renamed_a;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string& dir = fuzz_scratch_dir();
  std::string vmd = fuzz_fixed_vmd();
  fixed_vmd = fuzz_write("fixed.vmd", vmd.data(), vmd.size());
  std::string line = "\"" + dir + "/velmora.exe\" \"" + dir + "/fixed.vmd\"";
  std::u16string wline(line.begin(), line.end());
  split_command_line_ansi_from(line.c_str());
  split_command_line_utf16_from(wline.c_str());
  expected_listing = {"alias.ini", "fixed.vmd"};
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPath in = fuzz_write("alias.ini", data, size);

  // 1. The run with this alias file.
  run_file_names(1);
  const FileState* fs = run_file();
  run_check(in.a.c_str(), nullptr);
  FUZZ_CHECK(fs->alias_found && fs->read_result == 0, "alias found %d, read %d", fs->alias_found, fs->read_result);
  fuzz_check_page();
  take_list(bones_a, LIST_BONE_ALIAS);
  take_list(morphs_a, LIST_MORPH_ALIAS);

  // 2. Renaming.
  static const char* const odd[] = {
      "", "a", "*", "?", "\x81\x48", FUZZ_SJIS_CENTER, FUZZ_SJIS_LEFT_ARM, FUZZ_SJIS_LEFT_TWIST, FUZZ_SJIS_HAIR1,
      FUZZ_SJIS_A, "\x8D\xB6\x8D", "\x80\x80\x80", "unknown_bone", "\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC\xFC"};
  probes.clear();
  for (const char* n : odd) {
    probes.push_back({LIST_BONE_ALIAS, n});
    probes.push_back({LIST_MORPH_ALIAS, n});
  }
  for (size_t i = 0; i < bones_a.size() && i < 12; i++) {
    probes.push_back({LIST_BONE_ALIAS, bones_a[i]});
    probes.push_back({LIST_BONE_ALIAS, bones_a[i] + bones_a[i]});
  }
  for (size_t i = 0; i < morphs_a.size() && i < 12; i++) probes.push_back({LIST_MORPH_ALIAS, morphs_a[i]});
  renamed_a.clear();
  for (const auto& p : probes) renamed_a.push_back(rename_all_sizes(p.first, p.second));

  // 3. By UTF-16 path.
  names_init();
  FUZZ_CHECK(alias_read_w(in.w.c_str()) == 0, "UTF-16 read failed");
  take_list(bones_w, LIST_BONE_ALIAS);
  take_list(morphs_w, LIST_MORPH_ALIAS);
  FUZZ_CHECK(bones_a == bones_w, "bone entries differ (%d and %d)", (int)bones_a.size(), (int)bones_w.size());
  FUZZ_CHECK(morphs_a == morphs_w, "morph entries differ (%d and %d)", (int)morphs_a.size(), (int)morphs_w.size());
  for (size_t i = 0; i < probes.size(); i++)
    FUZZ_CHECK(rename_listed(probes[i].first, probes[i].second) == renamed_a[i], "name %d renames differently", (int)i);

  FUZZ_CHECK(fuzz_read(in.a) == std::string(reinterpret_cast<const char*>(data), size), "the input changed");
  FUZZ_CHECK(fuzz_scratch_listing() == expected_listing, "a file appeared in the scratch directory");
  return 0;
}
