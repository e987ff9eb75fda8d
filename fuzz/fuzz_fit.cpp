// fuzz_fit.cpp: libFuzzer target: the fitted copy of a motion. Each input is a motion file. It is copied
// with renamings of the names its first bone keys, morph keys and IK switches carry (to names of 1 and
// of 15 bytes). The copy must have the input's size and differ from it only inside name fields, which
// this target finds by a walk of its own: a field whose name is renamed holds the new name and 0 bytes
// after it, every other field is as it was. The input must be unchanged.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formats/vmd_fit.h"
#include "fuzz_common.h"

namespace {

struct Field {
  size_t at;
  size_t size;
  bool morph;  // a morph key's name; else a bone key's or an IK switch's
};

// The name fields the copy may change, by the record layout: each record read whole, or as far as the
// file goes (then nothing after it is read); a field counts when its bytes are all there.
std::vector<Field> name_fields(const std::string& in) {
  std::vector<Field> fields;
  size_t at = 50;
  auto count = [&](int64_t* n) {
    if (in.size() - at < 4 || at > in.size()) return false;
    *n = (int32_t)((uint8_t)in[at] | (uint8_t)in[at + 1] << 8 | (uint8_t)in[at + 2] << 16 | (uint32_t)(uint8_t)in[at + 3] << 24);
    at += 4;
    return true;
  };
  // count records of size, a name of name bytes first; false when the file ended inside them.
  auto records = [&](int64_t n, size_t size, size_t name, bool morph) {
    for (int64_t i = 0; i < n; i++) {
      size_t left = in.size() - at;
      if (name > 0 && left >= name) fields.push_back(Field{at, name, morph});
      if (left < size) return false;
      at += size;
    }
    return true;
  };
  if (in.size() < at) return fields;
  int64_t n;
  if (!count(&n) || !records(n, 111, 15, false)) return fields;
  if (!count(&n) || !records(n, 23, 15, true)) return fields;
  for (size_t size : {size_t(61), size_t(28), size_t(9)}) {
    if (!count(&n) || !records(n, size, 0, false)) return fields;
  }
  if (!count(&n)) return fields;
  for (int64_t i = 0; i < n; i++) {
    if (in.size() - at < 9) return fields;
    at += 5;
    int64_t switches;
    if (!count(&switches) || !records(switches, 21, 20, false)) return fields;
  }
  return fields;
}

std::string field_name(const std::string& in, const Field& f) {
  std::string name = in.substr(f.at, f.size);
  return name.substr(0, name.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string in(reinterpret_cast<const char*>(data), size);
  FuzzPath path = fuzz_write("in.vmd", data, size);
  std::vector<Field> fields = name_fields(in);

  // Renamings of the first names met, bones and morphs apart, each name once.
  static const char* const TO[] = {"A", "123456789012345"};
  std::vector<std::string> from[2];
  for (const Field& f : fields) {
    std::string name = field_name(in, f);
    std::vector<std::string>& list = from[f.morph ? 1 : 0];
    if (name.empty() || list.size() >= 3) continue;
    bool known = false;
    for (const std::string& n : list) known = known || n == name;
    if (!known) list.push_back(name);
  }
  std::vector<VmdRename> renames[2];
  for (int k = 0; k < 2; k++) {
    for (size_t i = 0; i < from[k].size(); i++) renames[k].push_back(VmdRename{from[k][i].c_str(), TO[i % 2]});
  }

  FuzzPath out = fuzz_path("out.vmd");
  FILE* f = std::fopen(out.a.c_str(), "wb");
  FUZZ_CHECK(f != nullptr, "cannot create the copy");
  long long renamed = -1;
  int r = vmd_fit_copy(rfpathA(path.a.c_str()), f, renames[0].data(), (int)renames[0].size(),
                       renames[1].data(), (int)renames[1].size(), &renamed);
  std::fclose(f);
  FUZZ_CHECK(r == VMD_FIT_DONE, "result %d", r);
  std::string copy = fuzz_read(out.a);
  FUZZ_CHECK(copy.size() == in.size(), "copy of %zu bytes for %zu", copy.size(), in.size());
  FUZZ_CHECK(fuzz_read(path.a) == in, "the input changed");

  std::vector<bool> in_field(in.size(), false);
  long long expected = 0;
  for (const Field& fld : fields) {
    for (size_t k = 0; k < fld.size; k++) in_field[fld.at + k] = true;
    std::string name = field_name(in, fld);
    std::string want = in.substr(fld.at, fld.size);
    for (const VmdRename& rn : renames[fld.morph ? 1 : 0]) {
      if (name == rn.from) {
        want = rn.to;
        want.resize(fld.size, '\0');
        expected++;
      }
    }
    FUZZ_CHECK(copy.substr(fld.at, fld.size) == want, "name field at %zu", fld.at);
  }
  for (size_t k = 0; k < in.size(); k++) {
    FUZZ_CHECK(in_field[k] || copy[k] == in[k], "byte %zu changed outside a name field", k);
  }
  FUZZ_CHECK(renamed == expected, "%lld fields renamed, %lld expected", renamed, expected);
  return 0;
}
