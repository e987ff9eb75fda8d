// The fitted copy of a motion: the renamed name fields and nothing else change, also in a cut file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "formats/vmd_fit.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

// Copies bytes through vmd_fit_copy with the given renamings and returns the copy's bytes.
std::string fit(const std::string& bytes, const std::vector<VmdRename>& bones,
                const std::vector<VmdRename>& morphs, long long* renamed) {
  TempDir dir;
  std::string path = dir.file("m.vmd");
  write_file(path, bytes);
  FILE* out = std::tmpfile();
  int r = vmd_fit_copy(rfpathA(path.c_str()), out, bones.data(), (int)bones.size(), morphs.data(),
                       (int)morphs.size(), renamed);
  std::string copy = read_stream(out);
  EXPECT_EQ(r, VMD_FIT_DONE);
  EXPECT_EQ(read_file(path), bytes) << "the input is never written";
  return copy;
}

}  // namespace

// Bone keys, morph keys and IK switches that name a renamed name carry the new name, padded with 0
// bytes to the end of the field (the old field's bytes after its 0 are gone too); the model name, a
// longer name that begins with a renamed one, and every other byte stay.
TEST(VmdFit, RenamesOnlyTheNameFields) {
  VmdWriter w;
  w.header("Arm");
  w.i32(3);
  w.bone("Arm", 1, 0.5f, 0, 0, 0, 0, 0, 1);
  w.bone(std::string("Arm\0\xFD\xFD", 6), 2, 0.5f, 0, 0, 0, 0, 0, 1);
  w.bone("ArmTwist", 3, 0.5f, 0, 0, 0, 0, 0, 1);
  w.i32(1);
  w.morph("A", 4, 1.0f);
  w.i32(1);
  w.camera(0);
  w.i32(1);
  w.light(0);
  w.i32(1);
  w.shadow(0);
  w.i32(1);
  w.i32(7);
  w.u8(1);
  w.i32(2);
  w.name("Arm", 20);
  w.u8(1);
  w.name("IK0", 20);
  w.u8(0);
  w.raw("tail");
  const std::string arm = to_sjis("左腕"), a = to_sjis("あ");
  long long renamed = 0;
  std::string copy = fit(w.bytes, {{"Arm", arm.c_str()}}, {{"A", a.c_str()}}, &renamed);
  EXPECT_EQ(renamed, 4);

  std::string want = w.bytes;
  auto put = [&](size_t at, const std::string& name, size_t size) {
    std::string field = name;
    field.resize(size, '\0');
    want.replace(at, size, field);
  };
  put(54, arm, 15);
  put(54 + 111, arm, 15);
  size_t morphs = 54 + 3 * 111 + 4;
  put(morphs, a, 15);
  size_t ik = morphs + 23 + 4 + 61 + 4 + 28 + 4 + 9 + 4 + 9;
  put(ik, arm, 20);
  EXPECT_EQ(copy, want);
}

// A file cut inside a key, or holding something else after its header, is copied whole: the fields
// read whole are renamed, the rest is as it was.
TEST(VmdFit, CutAndDamagedFilesKeepTheirSize) {
  VmdWriter w;
  w.header("m");
  w.i32(2);
  w.bone("Arm", 1, 0.5f, 0, 0, 0, 0, 0, 1);
  w.bone("Arm", 2, 0.5f, 0, 0, 0, 0, 0, 1);
  const std::string arm = to_sjis("左腕");
  // Where the file ends, and the fields renamed before it.
  const std::pair<size_t, long long> cuts[] = {{10, 0}, {52, 0}, {54 + 111 + 8, 1}, {w.bytes.size(), 2}};
  for (const auto& [cut, fields] : cuts) {
    std::string bytes = w.bytes.substr(0, cut);
    long long renamed = 0;
    std::string copy = fit(bytes, {{"Arm", arm.c_str()}}, {}, &renamed);
    ASSERT_EQ(copy.size(), bytes.size()) << cut;
    EXPECT_EQ(renamed, fields) << cut;
  }
  // A bone count of 2^31 - 1 on a short file.
  VmdWriter big;
  big.header("m");
  big.i32(0x7FFFFFFF);
  big.bone("Arm", 1, 0.5f, 0, 0, 0, 0, 0, 1);
  EXPECT_EQ(fit(big.bytes, {{"Arm", arm.c_str()}}, {}, nullptr).size(), big.bytes.size());
}
