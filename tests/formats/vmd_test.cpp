// The VMD motion reader: signature, blocks, every checkpoint of a cut file, names, and the keys it hands
// to the usage records.
#include <gtest/gtest.h>

#include <string>

#include "check/names.h"
#include "check/vocab.h"
#include "check/usage.h"
#include "formats/vmd.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

class VmdRead : public ::testing::Test {
 protected:
  TempDir dir;
  void SetUp() override {
    names_init();
    names_register_builtin();
  }
  int read(const std::string& bytes, bool wide = false) {
    std::string path = dir.file("m.vmd");
    write_file(path, bytes);
    return wide ? vmd_read_w(to_u16(path).c_str()) : vmd_read_a(path.c_str());
  }
  // The usage record of a bone name (resolving it as the reader does).
  const BoneUsage* bone(const std::string& utf8) { return bone_usage_view(names_find_or_add(LIST_BONES, to_sjis(utf8).c_str())); }
  const MorphUsage* morph(const std::string& utf8) {
    return morph_usage_view(names_find_or_add(LIST_MORPHS, to_sjis(utf8).c_str()));
  }
};

// A whole motion: two bone keys, two morph keys, and one record of every later block.
VmdWriter full_motion() {
  VmdWriter w;
  w.header("model");
  w.i32(2);
  w.bone(to_sjis("センター"), 10, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.bone(to_sjis("センター"), 30, 0.0f, 2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.i32(2);
  w.morph(to_sjis("あ"), 5, 0.5f);
  w.morph(to_sjis("あ"), 9, 1.0f);
  w.i32(3);
  w.camera(0);
  w.camera(1);
  w.camera(2);
  w.i32(1);
  w.light(0);
  w.i32(1);
  w.shadow(0);
  w.i32(1);
  w.show_ik(0, 2);
  return w;
}

}  // namespace

TEST_F(VmdRead, WholeMotionReadsAndHandsOnEveryKey) {
  VmdWriter w = full_motion();
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_STREQ(vmd_model_name(), "model");
  const BoneUsage* c = bone("センター");
  EXPECT_EQ(c->key_count, 2);
  EXPECT_EQ(c->first_frame, 10);
  EXPECT_EQ(c->last_frame, 30);
  EXPECT_EQ(c->max_offset, 2.0f);
  const MorphUsage* a = morph("あ");
  EXPECT_EQ(a->key_count, 2);
  EXPECT_EQ(a->min_weight, 0.5f);
  EXPECT_EQ(a->max_weight, 1.0f);
  // The same by the UTF-16 path.
  EXPECT_EQ(read(w.bytes, true), 0);
  EXPECT_EQ(bone("センター")->key_count, 2);
}

TEST_F(VmdRead, SignatureOnlyWithZeroBoneKeys) {
  VmdWriter w;
  w.header("m");
  w.i32(0);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(bone("センター")->key_count, 0);
  EXPECT_EQ(names_count(LIST_BONES), 473);  // nothing added
}

TEST_F(VmdRead, WrongVersionOrShortSignature) {
  VmdWriter w;
  w.header("m", "0001");
  w.i32(0);
  EXPECT_EQ(read(w.bytes), 2);
  EXPECT_EQ(read("Vocaloid Motion Data 000"), 2);
  EXPECT_EQ(read(""), 2);
  std::string other = full_motion().bytes;
  other[0] = 'v';
  EXPECT_EQ(read(other), 2);
  // Bytes 4 to 20 and 25 to 29 are not examined.
  other = full_motion().bytes;
  other.replace(4, 17, "XXXXXXXXXXXXXXXXX");
  other[27] = 'Z';
  EXPECT_EQ(read(other), 0);
  EXPECT_EQ(bone("センター")->key_count, 2);
  // A file that ends right after the checked bytes reads as an empty motion.
  EXPECT_EQ(read("Vocaloid Motion Data 0002"), 0);
}

TEST_F(VmdRead, MissingFile) {
  EXPECT_EQ(vmd_read_a(dir.file("none.vmd").c_str()), -1);
  EXPECT_EQ(vmd_read_w(to_u16(dir.file("none.vmd")).c_str()), -1);
  EXPECT_STREQ(vmd_model_name(), "");
}

TEST_F(VmdRead, BoneCountLargerThanTheKeysPresent) {
  VmdWriter w;
  w.header("m");
  w.i32(5);
  w.bone(to_sjis("頭"), 1, 0, 0, 0, 0.5f, 0, 0, 0.8f);
  w.bone(to_sjis("頭"), 2, 0, 0, 0, 0.5f, 0, 0, 0.8f);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(bone("頭")->key_count, 2);
  // A key cut inside its interpolation bytes is not handed on.
  EXPECT_EQ(read(w.bytes.substr(0, w.bytes.size() - 1)), 0);
  EXPECT_EQ(bone("頭")->key_count, 1);
  // A hostile count on a short file ends at once.
  VmdWriter h;
  h.header("m");
  h.i32(0x7FFFFFFF);
  h.bone(to_sjis("頭"), 1, 0, 0, 0, 0.5f, 0, 0, 0.8f);
  EXPECT_EQ(read(h.bytes), 0);
  EXPECT_EQ(bone("頭")->key_count, 1);
}

TEST_F(VmdRead, CutInsideTheThirdCameraKey) {
  VmdWriter w = full_motion();
  // Offsets: header 50, bone block 4 + 2 * 111, morph block 4 + 2 * 23, camera count 4.
  size_t cameras = 50 + 4 + 222 + 4 + 46 + 4;
  size_t third = cameras + 2 * 61;
  EXPECT_EQ(read(w.bytes.substr(0, third + 32 + 10)), 2);  // inside the interpolation bytes
  EXPECT_EQ(read(w.bytes.substr(0, third + 10)), 2);       // inside the seven floats
  EXPECT_EQ(read(w.bytes.substr(0, third + 32 + 24 + 2)), 0);  // inside the view angle
  EXPECT_EQ(read(w.bytes.substr(0, third + 32 + 24)), 0);      // right after the interpolation
  EXPECT_EQ(read(w.bytes.substr(0, third)), 2);  // no third key at all: its frame number is missing
  // The keys before the cut are all there.
  EXPECT_EQ(bone("センター")->key_count, 2);
  EXPECT_EQ(morph("あ")->key_count, 2);
}

TEST_F(VmdRead, CutAtEveryOtherCheckpoint) {
  VmdWriter w = full_motion();
  size_t morphs = 50 + 4 + 222 + 4;
  size_t cameras = morphs + 46 + 4;
  size_t lights = cameras + 3 * 61 + 4;
  size_t shadows = lights + 28 + 4;
  size_t shows = shadows + 9 + 4;
  struct Cut {
    size_t at;
    int result;
  } cuts[] = {
      {50 + 2, 0},              // inside the bone count
      {morphs - 4, 0},          // just before the morph count
      {morphs - 2, 0},          // inside the morph count
      {morphs + 10, 2},         // inside the first morph name
      {morphs + 15, 0},         // right after its name: frame number missing
      {morphs + 20, 0},         // inside its weight
      {cameras - 4, 0},         // just before the camera count
      {lights - 4, 0},          // just before the light count
      {lights + 10, 2},         // inside the light's colour
      {lights + 16, 0},         // after the colour: position missing
      {lights + 20, 0},
      {shadows + 2, 2},         // inside the self-shadow frame
      {shadows + 4, 0},         // after the frame: mode missing
      {shadows + 6, 0},
      {shows + 3, 2},           // inside the show-and-IK frame
      {shows + 5, 0},           // after frame and show flag: IK count missing
      {shows + 7, 0},           // inside the IK count
      {shows + 9 + 10, 2},      // inside the first IK name
      {shows + 9 + 20, 0},      // after the name: enabled flag missing
      {shows + 9 + 21 + 5, 2},  // inside the second IK name
  };
  for (const Cut& c : cuts) {
    EXPECT_EQ(read(w.bytes.substr(0, c.at)), c.result) << "cut at " << c.at;
  }
  EXPECT_EQ(read(w.bytes), 0);
}

TEST_F(VmdRead, AMorphKeyCutAfterItsNameIsNotCounted) {
  VmdWriter w;
  w.header("m");
  w.i32(0);
  w.i32(2);
  w.morph(to_sjis("い"), 3, 0.25f);
  w.morph(to_sjis("い"), 7, 0.75f);
  EXPECT_EQ(read(w.bytes.substr(0, w.bytes.size() - 2)), 0);
  const MorphUsage* m = morph("い");
  EXPECT_EQ(m->key_count, 1);
  EXPECT_EQ(m->first_frame, 3);
  EXPECT_EQ(m->max_weight, 0.25f);
  // A morph count larger than the keys present: the missing name is a cut record.
  VmdWriter more;
  more.header("m");
  more.i32(0);
  more.i32(3);
  more.morph(to_sjis("い"), 3, 0.25f);
  EXPECT_EQ(read(more.bytes), 2);
  EXPECT_EQ(morph("い")->key_count, 1);
}

TEST_F(VmdRead, BytesAfterTheLastBlockAreIgnored) {
  VmdWriter w = full_motion();
  w.raw(std::string(20000, '\xAB'));
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(bone("センター")->key_count, 2);
}

TEST_F(VmdRead, NamesFillingTheirFields) {
  VmdWriter w;
  // A 20-byte model name whose last byte is a lone lead byte, and a 15-byte bone name without a 0.
  std::string model = std::string(19, 'M') + "\x82";
  w.header(model);
  w.i32(1);
  std::string long_name = "ABCDEFGHIJKLMNO";
  w.bone(long_name, 4, 1.0f, 0, 0, 0, 0, 0, 1.0f);
  w.i32(0);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(std::string(vmd_model_name()), std::string(19, 'M'));
  int entry = names_count(LIST_BONES);
  EXPECT_STREQ(names_entry(LIST_BONES, entry), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(names_group_of(LIST_BONES, entry), 4);
  EXPECT_EQ(bone_usage_view(entry)->key_count, 1);
  // A name cut inside a two-byte character is handed on as stored.
  VmdWriter c;
  c.header("m");
  c.i32(1);
  std::string cut = std::string(14, 'x') + "\x83";
  c.bone(cut, 4, 1.0f, 0, 0, 0, 0, 0, 1.0f);
  EXPECT_EQ(read(c.bytes), 0);
  EXPECT_EQ(std::string(names_entry(LIST_BONES, names_count(LIST_BONES))), cut);
}

TEST_F(VmdRead, NamesMatchingOnePatternShareItsRecord) {
  VmdWriter w;
  w.header("m");
  w.i32(3);
  w.bone(to_sjis("髪A"), 1, 0, 0, 0, 0.1f, 0, 0, 0.99f);
  w.bone(to_sjis("髪B"), 9, 0, 0, 0, 0.1f, 0, 0, 0.99f);
  w.bone(to_sjis("スカート前1"), 2, 0, 0, 0, 0.1f, 0, 0, 0.99f);
  EXPECT_EQ(read(w.bytes), 0);
  const BoneUsage* hair = bone("髪*");
  EXPECT_EQ(hair->key_count, 2);
  EXPECT_EQ(hair->first_frame, 1);
  EXPECT_EQ(hair->last_frame, 9);
  EXPECT_EQ(names_count(LIST_BONES), 473);  // no name was added
}

TEST_F(VmdRead, EveryReadStartsWithFreshRecords) {
  VmdWriter w = full_motion();
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(read("not a motion"), 2);
  EXPECT_EQ(bone("センター")->key_count, 0);
  EXPECT_EQ(morph("あ")->key_count, 0);
  EXPECT_STREQ(vmd_model_name(), "");
}
