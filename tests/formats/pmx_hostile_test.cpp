// pmx_hostile_test.cpp: malformed models that once misled the PMX reader, each named after its fault,
// built with the test PMX writer.
#include <gtest/gtest.h>

#include <string>

#include "formats/pmx.h"
#include "support/pmxwriter.h"
#include "support/testfiles.h"

namespace {

int read_model(const TempDir& dir, const std::string& bytes) {
  std::string path = dir.file("hostile.pmx");
  write_file(path, bytes);
  return pmdinforead_a(path.c_str());
}

// A UTF-16 model whose bones hold the given raw text fields as their Japanese names.
std::string model_with_raw_bone_names(const std::string& first, const std::string& second) {
  PmxWriter w;
  w.header();
  w.model_texts("m", "m");
  w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  w.i32(2);
  for (const std::string& name : {first, second}) {
    w.raw_text(name);
    w.text("en");
    w.floats(3);
    w.index(w.bone_size, -1);
    w.i32(0);
    w.u16(0);
    w.floats(3);
  }
  w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  return w.bytes;
}

}  // namespace

// A UTF-16 text of an odd byte count: its last byte and a 0 make the last unit, and the text ends there.
// The unit after it once took a byte the previous name had left in the reader's buffer (or whatever the
// stack held), so the name went on with characters that the file does not hold.
TEST(PmxHostile, OddLengthUtf16NameEndsAtItsLastByte) {
  TempDir dir;
  // U+3041 U+3043 U+3045 U+3047: every high byte 0x30, left behind in the name buffer.
  const std::string kana("\x41\x30\x43\x30\x45\x30\x47\x30", 8);
  ASSERT_EQ(read_model(dir, model_with_raw_bone_names(kana, std::string("A\0B", 3))), 0);
  ASSERT_EQ(model_view()->bone_count, 2);
  EXPECT_EQ(std::string(model_view()->bone[0]), to_sjis("\xE3\x81\x81\xE3\x81\x83\xE3\x81\x85\xE3\x81\x87"));
  EXPECT_EQ(std::string(model_view()->bone[1]), "AB");
}

TEST(PmxHostile, OddLengthUtf16DisplayName) {
  TempDir dir;
  PmxWriter w;
  w.header();
  w.raw_text(std::string("X\0Y", 3));
  w.text("en");
  w.text(""), w.text("");
  ASSERT_EQ(read_model(dir, w.bytes), 0);
  EXPECT_EQ(std::string(model_view()->display_name), "XY");
}
