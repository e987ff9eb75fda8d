// pmx_test.cpp: the PMX model reader: the layout field by field (both encodings, index sizes 1, 2 and
// 4, every deform type, bone part and morph kind), the structural checks that end the walk, early ends,
// the kept tables and their limits, hostile counts and lengths, results 0, 2 and -1, and the corpus
// models against an independent walk written here.
#include "formats/pmx.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "formats/filechan.h"
#include "support/pmxwriter.h"
#include "support/testfiles.h"

namespace {

std::string S(const char* utf8) { return to_sjis(utf8); }

class Pmx : public ::testing::Test {
 protected:
  TempDir dir;
  std::string path;
  size_t size = 0;

  // Writes bytes to a file and reads it by ANSI path; returns the result.
  int read(const std::string& bytes) {
    path = dir.file("model.pmx");
    write_file(path, bytes);
    size = bytes.size();
    return pmdinforead_a(path.c_str());
  }
  // The same through the UTF-16 entry point.
  int read_w(const std::string& bytes) {
    path = dir.file("model.pmx");
    write_file(path, bytes);
    size = bytes.size();
    return pmdinforead_w(to_u16(path).c_str());
  }
  static std::vector<std::string> bones() {
    std::vector<std::string> out;
    for (int i = 0; i < model_view()->bone_count; i++) out.push_back(model_view()->bone[i]);
    return out;
  }
  static std::vector<std::string> morphs() {
    std::vector<std::string> out;
    for (int i = 0; i < model_view()->morph_count; i++) out.push_back(model_view()->morph[i]);
    return out;
  }
  static std::string display() { return model_view()->display_name; }
  // Whether the walk read the file to its end (the reader's position counter outlives the close).
  bool read_to_end() const { return rftell() == size; }
};

using Names = std::vector<std::string>;

// A writer whose blocks before the bones hold one record of every kind.
PmxWriter full_writer(uint8_t enc, int isize) {
  PmxWriter w;
  w.encoding = enc;
  w.vertex_size = w.texture_size = w.material_size = w.bone_size = w.morph_size = w.body_size = (uint8_t)isize;
  w.extra_uv = 2;
  w.header();
  w.model_texts("jp_model", "en_model");
  w.i32(5);
  for (int d = 0; d <= 4; d++) w.vertex(d);
  w.faces(2);
  w.i32(2);
  w.texture("tex/a.png");
  w.texture("tex/b.png");
  w.i32(2);
  w.material("m0", 0);
  w.material("m1", 1);
  return w;
}

// ---- Whole files --------------------------------------------------------------------------------------------

TEST_F(Pmx, SimpleUtf16Model) {
  EXPECT_EQ(read(PmxWriter::simple({"center", "arm"}, {"a", "blink"})), 0);
  EXPECT_EQ(display(), "model");
  EXPECT_EQ(bones(), (Names{"center", "arm"}));
  EXPECT_EQ(morphs(), (Names{"a", "blink"}));
  // The English names beside them.
  EXPECT_STREQ(model_view()->bone_en[1], "bone_en");
  EXPECT_STREQ(model_view()->morph_en[1], "morph_en");
  EXPECT_TRUE(read_to_end());
  EXPECT_EQ(rfclosed(), 255);
}

TEST_F(Pmx, SimpleUtf8Model) {
  EXPECT_EQ(read(PmxWriter::simple({"center", "arm"}, {"a"}, 1)), 0);
  EXPECT_EQ(display(), "model");
  EXPECT_EQ(bones(), (Names{"center", "arm"}));
  EXPECT_EQ(morphs(), (Names{"a"}));
  EXPECT_STREQ(model_view()->bone_en[1], "bone_en");
  EXPECT_STREQ(model_view()->morph_en[0], "morph_en");
}

TEST_F(Pmx, Utf16PathEntryPoint) {
  EXPECT_EQ(read_w(PmxWriter::simple({"b"}, {"m"})), 0);
  EXPECT_EQ(bones(), (Names{"b"}));
}

TEST_F(Pmx, EveryFieldAtIndexSizes1And2And4) {
  for (uint8_t enc = 0; enc <= 1; enc++) {
    for (int isize : {1, 2, 4}) {
      PmxWriter w = full_writer(enc, isize);
      w.i32(7);
      w.bone("b_plain", 0);
      w.bone("b_tail_index", 0x0001);
      w.bone("b_inherit_rot", 0x0100);
      w.bone("b_inherit_move", 0x0200);
      w.bone("b_axes", 0x0400 | 0x0800 | 0x2000);
      w.bone("b_ik", 0x0020 | 0x0001, 4);
      w.bone("b_all", 0x2F21 | 0x0300, 3);
      w.i32(12);
      for (int kind = 0; kind <= 10; kind++) w.morph("m" + std::to_string(kind), kind, 2);
      w.morph("m_last", 0, 0);
      w.i32(2);
      w.frame("root", 1, 0);
      w.frame("faces", 2, 3);
      w.i32(2);
      w.body("body0");
      w.body("body1");
      w.i32(6);
      for (int t = 0; t <= 5; t++) w.joint("j", t);
      SCOPED_TRACE("encoding " + std::to_string(enc) + " index size " + std::to_string(isize));
      ASSERT_EQ(read(w.bytes), 0);
      EXPECT_EQ(display(), "jp_model");
      EXPECT_EQ(bones(), (Names{"b_plain", "b_tail_index", "b_inherit_rot", "b_inherit_move", "b_axes", "b_ik",
                                "b_all"}));
      EXPECT_EQ(morphs(), (Names{"m0", "m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9", "m10", "m_last"}));
      EXPECT_TRUE(read_to_end());
    }
  }
}

TEST_F(Pmx, Version21SoftBodiesAreIgnored) {
  PmxWriter w;
  w.header(2.1f);
  w.model_texts("m21", "");
  for (int i = 0; i < 4; i++) w.i32(0);
  w.i32(1);
  w.bone("bone");
  w.i32(1);
  w.morph("morph", 8, 1);
  w.i32(0);
  w.i32(1);
  w.body("body");
  w.i32(1);
  w.joint("joint", 1);
  w.soft_body_tail();
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(display(), "m21");
  EXPECT_EQ(bones(), (Names{"bone"}));
  EXPECT_EQ(morphs(), (Names{"morph"}));
  EXPECT_TRUE(read_to_end());
}

TEST_F(Pmx, AnyVersionAndFourthByteAccepted) {
  std::string f = PmxWriter::simple({"b"}, {});
  f[3] = 'Q';
  f[4] = f[5] = f[6] = f[7] = 0x7F;
  EXPECT_EQ(read(f), 0);
  EXPECT_EQ(bones(), (Names{"b"}));
}

TEST_F(Pmx, JapaneseNamesInShiftJis) {
  for (uint8_t enc = 0; enc <= 1; enc++) {
    EXPECT_EQ(read(PmxWriter::simple({"センター", "左腕", "右ひじ"}, {"まばたき", "あ"}, enc, "初音ミク", "Miku")), 0);
    EXPECT_EQ(display(), S("初音ミク"));
    EXPECT_EQ(bones(), (Names{S("センター"), S("左腕"), S("右ひじ")}));
    EXPECT_EQ(morphs(), (Names{S("まばたき"), S("あ")}));
  }
}

TEST_F(Pmx, CodePage932Spellings) {
  // Characters that code page 932 spells otherwise than Shift_JIS-2004 compare as VMD names write them.
  for (uint8_t enc = 0; enc <= 1; enc++) {
    EXPECT_EQ(read(PmxWriter::simple({"髪〜", "髪～", "−ー"}, {"∑"}, enc)), 0);
    EXPECT_EQ(bones(), (Names{S("髪～"), S("髪～"), S("－ー")}));
    EXPECT_EQ(morphs(), (Names{"\x87\x94"}));
  }
}

// ---- Display name -------------------------------------------------------------------------------------------

TEST_F(Pmx, DisplayNameJapaneseElseEnglish) {
  EXPECT_EQ(read(PmxWriter::simple({}, {}, 0, "", "English")), 0);
  EXPECT_EQ(display(), "English");
  EXPECT_EQ(read(PmxWriter::simple({}, {}, 0, "日本", "English")), 0);
  EXPECT_EQ(display(), S("日本"));
  EXPECT_EQ(read(PmxWriter::simple({}, {}, 1, "", "")), 0);
  EXPECT_EQ(display(), "");
}

TEST_F(Pmx, DisplayNameCutTo20BytesWithoutBrokenCharacter) {
  EXPECT_EQ(read(PmxWriter::simple({}, {}, 0, "abcdefghijklmnopqrstuvwxyz")), 0);
  EXPECT_EQ(display(), "abcdefghijklmnopqrst");
  EXPECT_EQ(read(PmxWriter::simple({}, {}, 0, "あいうえおかきくけこさ")), 0);
  EXPECT_EQ(display(), S("あいうえおかきくけこ"));  // exactly 20 bytes
  EXPECT_EQ(read(PmxWriter::simple({}, {}, 0, "aあいうえおかきくけこ")), 0);
  EXPECT_EQ(display(), "a" + S("あいうえおかきくけ"));  // the lead byte at 20 is removed
}

TEST_F(Pmx, DisplayNameFromTheKept254Bytes) {
  // A UTF-16 text of 300 bytes: 127 characters kept.
  std::string jp(150, 'n');
  EXPECT_EQ(read(PmxWriter::simple({jp}, {}, 0, jp)), 0);
  EXPECT_EQ(display(), std::string(20, 'n'));
  EXPECT_EQ(bones(), (Names{std::string(127, 'n')}));
}

// ---- Kept texts ---------------------------------------------------------------------------------------------

TEST_F(Pmx, LongUtf16NameConvertedFromFirst254Bytes) {
  std::string kanji;
  for (int i = 0; i < 150; i++) kanji += "腕";  // 300 bytes in UTF-16
  EXPECT_EQ(read(PmxWriter::simple({kanji, "next"}, {"m"})), 0);
  std::string want;
  for (int i = 0; i < 127; i++) want += S("腕");
  EXPECT_EQ(bones(), (Names{want, "next"}));  // the rest was read past: the next bone is whole
  EXPECT_EQ(morphs(), (Names{"m"}));
}

TEST_F(Pmx, LongUtf8NameConvertedFromFirst254Bytes) {
  std::string kanji;
  for (int i = 0; i < 100; i++) kanji += "腕";  // 300 bytes in UTF-8; 254 = 84 characters and 2 bytes
  EXPECT_EQ(read(PmxWriter::simple({kanji, "next"}, {}, 1)), 0);
  std::string want;
  for (int i = 0; i < 84; i++) want += S("腕");
  // The broken character at the cut is a malformed sequence, which the converter drops.
  EXPECT_EQ(bones(), (Names{want, "next"}));
}

TEST_F(Pmx, NegativeTextLengthReadsAsEmpty) {
  PmxWriter w;
  w.header();
  w.model_texts("m", "e");
  for (int i = 0; i < 4; i++) w.i32(0);
  w.i32(2);
  w.i32(-5);  // Japanese name length
  w.text("en");
  w.floats(3), w.index(2, 0), w.i32(0), w.u16(0), w.floats(3);
  w.bone("second");
  w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(bones(), (Names{"", "second"}));
  EXPECT_TRUE(read_to_end());
}

// ---- Results 2 and -1 ------------------------------------------------------------------------------------------

TEST_F(Pmx, NotAPmxFile) {
  std::string good = PmxWriter::simple({"b"}, {"m"});
  for (int k = 0; k < 3; k++) {
    std::string bad = good;
    bad[k] = 'x';
    EXPECT_EQ(read(bad), 2) << k;
    EXPECT_EQ(rfclosed(), 255);
  }
  EXPECT_EQ(read("pmx "), 2);  // letters are compared as they are
  EXPECT_EQ(read(""), 2);
  EXPECT_EQ(read("PM"), 2);
  EXPECT_EQ(read("PMX "), 2);  // the globals count is missing
}

TEST_F(Pmx, GlobalsCountBelow8) {
  PmxWriter w;
  w.header(2.0f, 7);
  w.model_texts("m", "e");
  EXPECT_EQ(read(w.bytes), 2);
  EXPECT_EQ(display(), "");
  w.bytes[8] = 0;
  EXPECT_EQ(read(w.bytes), 2);
}

TEST_F(Pmx, GlobalsCount9TakesTheNinthByteAsTheNameLength) {
  // The ninth globals byte is not skipped: it is the low byte of the Japanese name's length.
  PmxWriter w;
  w.encoding = 1;
  w.header(2.0f, 9, "\x03");
  w.raw(std::string("\0\0\0", 3));
  w.raw("JPN");
  w.text("en");
  w.text("");
  w.text("");
  for (int i = 0; i < 4; i++) w.i32(0);
  w.i32(1);
  w.bone("b");
  w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(display(), "JPN");
  EXPECT_EQ(bones(), (Names{"b"}));
  EXPECT_TRUE(read_to_end());
}

TEST_F(Pmx, CannotOpen) {
  EXPECT_EQ(pmdinforead_a(dir.file("missing.pmx").c_str()), -1);
  EXPECT_EQ(pmdinforead_w(to_u16(dir.file("missing.pmx")).c_str()), -1);
  EXPECT_EQ(pmdinforead_a(nullptr), -1);
  EXPECT_EQ(pmdinforead_w(nullptr), -1);
  EXPECT_EQ(pmdinforead_a(dir.path.c_str()), -1);  // a directory
}

TEST_F(Pmx, EveryAttemptStartsEmpty) {
  ASSERT_EQ(read(PmxWriter::simple({"b"}, {"m"})), 0);
  ASSERT_EQ(bones().size(), 1u);
  EXPECT_EQ(pmdinforead_a(dir.file("missing.pmx").c_str()), -1);
  EXPECT_EQ(display(), "");
  EXPECT_EQ(model_view()->bone_count, 0);
  EXPECT_EQ(model_view()->morph_count, 0);
  ASSERT_EQ(read(PmxWriter::simple({"b"}, {"m"})), 0);
  EXPECT_EQ(read("PMY"), 2);
  EXPECT_EQ(display(), "");
  EXPECT_EQ(model_view()->bone_count, 0);
  EXPECT_EQ(model_view()->morph_count, 0);
}

TEST_F(Pmx, ModelClearEmptiesEverything) {
  ASSERT_EQ(read(PmxWriter::simple({"b"}, {"m"})), 0);
  model_clear();
  EXPECT_EQ(display(), "");
  EXPECT_EQ(model_view()->bone_count, 0);
  EXPECT_EQ(model_view()->morph_count, 0);
}

// ---- Structural errors end the walk, result 0 ------------------------------------------------------------------

// A writer with the header and model texts, index sizes 2, UTF-16 (or UTF-8 with enc 1).
PmxWriter started(uint8_t enc = 0) {
  PmxWriter w;
  w.encoding = enc;
  w.header();
  w.model_texts("m", "e");
  return w;
}

// Bones, morphs and empty later blocks after the caller's first blocks.
void finish(PmxWriter& w) {
  w.i32(1);
  w.bone("bone");
  w.i32(1);
  w.morph("morph", 0);
  w.i32(0), w.i32(0), w.i32(0);
}

TEST_F(Pmx, DeformTypeAbove4EndsTheWalk) {
  PmxWriter w = started();
  w.i32(2);
  w.vertex(4);
  w.vertex(5);
  w.i32(0), w.i32(0), w.i32(0);
  finish(w);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(display(), "m");
  EXPECT_TRUE(bones().empty());
  EXPECT_TRUE(morphs().empty());
  EXPECT_FALSE(read_to_end());
}

TEST_F(Pmx, FaceCountNotMultipleOf3EndsTheWalk) {
  PmxWriter w = started();
  w.i32(0);
  w.i32(10);
  for (int i = 0; i < 10; i++) w.index(2, 0);
  w.i32(0), w.i32(0);
  finish(w);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_TRUE(bones().empty());
  EXPECT_TRUE(morphs().empty());
  // Header 17, texts m, e, c, comment 6 + 6 + 6 + 18, the vertex count and the face count: it stopped there.
  EXPECT_EQ(rftell(), 17u + 36 + 4 + 4);
}

TEST_F(Pmx, ToonFlagOtherThan0Or1EndsTheWalk) {
  PmxWriter w = started();
  w.i32(0), w.i32(0), w.i32(0);
  w.i32(2);
  w.material("ok", 1);
  w.material("bad", 2);
  finish(w);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_TRUE(bones().empty());
  EXPECT_FALSE(read_to_end());
}

TEST_F(Pmx, MaterialFaceCountNotMultipleOf3EndsTheWalk) {
  PmxWriter w = started();
  w.i32(0), w.i32(0), w.i32(0);
  w.i32(1);
  w.material("bad", 0, 4);
  finish(w);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_TRUE(bones().empty());
  EXPECT_TRUE(morphs().empty());
}

TEST_F(Pmx, MorphKindAbove10EndsTheWalk) {
  for (int kind : {11, 0x80, 0xFF}) {
    PmxWriter w = started();
    w.i32(0), w.i32(0), w.i32(0), w.i32(0);
    w.i32(1);
    w.bone("bone");
    w.i32(3);
    w.morph("m9", 9);
    w.morph("bad", kind);
    w.morph("after", 0);
    w.i32(0), w.i32(0), w.i32(0);
    EXPECT_EQ(read(w.bytes), 0) << kind;
    EXPECT_EQ(bones(), (Names{"bone"}));
    // The faulty record's name was read before its kind: it stays; nothing after it is read.
    EXPECT_EQ(morphs(), (Names{"m9", "bad"}));
    EXPECT_FALSE(read_to_end());
  }
}

TEST_F(Pmx, MorphKinds9And10GoOn) {
  PmxWriter w = started();
  w.i32(0), w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  w.i32(3);
  w.morph("flip", 9, 3);
  w.morph("impulse", 10, 2);
  w.morph("next", 1);
  w.i32(0), w.i32(0), w.i32(0);
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(morphs(), (Names{"flip", "impulse", "next"}));
  EXPECT_TRUE(read_to_end());
}

TEST_F(Pmx, JointTypeAbove5EndsTheWalk) {
  PmxWriter w = started();
  for (int i = 0; i < 4; i++) w.i32(0);
  w.i32(1), w.bone("bone");
  w.i32(1), w.morph("morph", 0);
  w.i32(0), w.i32(0);
  w.i32(2);
  w.joint("j5", 5);
  w.joint("j6", 6);
  w.soft_body_tail();
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(bones(), (Names{"bone"}));
  EXPECT_EQ(morphs(), (Names{"morph"}));
  EXPECT_FALSE(read_to_end());  // the tail after the joints is not read
}

// ---- Early ends ----------------------------------------------------------------------------------------------

// Three bones "b0" "b1" "b2" and one morph; returns the offset where bone k begins in *at.
std::string three_bones(size_t at[3]) {
  PmxWriter w = started();
  for (int i = 0; i < 4; i++) w.i32(0);
  w.i32(3);
  for (int k = 0; k < 3; k++) {
    at[k] = w.bytes.size();
    w.bone("b" + std::to_string(k));
  }
  w.i32(1), w.morph("morph", 0);
  w.i32(0), w.i32(0), w.i32(0);
  return w.bytes;
}

TEST_F(Pmx, FileCutInsideTheBoneBlock) {
  size_t at[3];
  std::string f = three_bones(at);
  // Cut in the middle of bone 1's record (after its name): bones 0 and 1 began before the end.
  EXPECT_EQ(read(f.substr(0, at[1] + 4 + 4 + 6)), 0);
  EXPECT_EQ(bones(), (Names{"b0", "b1"}));
  EXPECT_TRUE(morphs().empty());
}

TEST_F(Pmx, BoneRecordAtTheEndIsNotKept) {
  size_t at[3];
  std::string f = three_bones(at);
  EXPECT_EQ(read(f.substr(0, at[2])), 0);
  EXPECT_EQ(bones(), (Names{"b0", "b1"}));
  // One byte into the record: it began before the end and is kept with an empty name.
  EXPECT_EQ(read(f.substr(0, at[2] + 1)), 0);
  EXPECT_EQ(bones(), (Names{"b0", "b1", ""}));
  // Inside the name: kept with what was read of it.
  EXPECT_EQ(read(f.substr(0, at[2] + 4 + 2)), 0);
  EXPECT_EQ(bones(), (Names{"b0", "b1", "b"}));
}

TEST_F(Pmx, MorphRecordAtTheEndIsNotKept) {
  PmxWriter w = started();
  for (int i = 0; i < 5; i++) w.i32(0);
  w.i32(3);
  w.morph("m0", 1);
  size_t second = w.bytes.size();
  w.morph("m1", 1);
  EXPECT_EQ(read(w.bytes.substr(0, second)), 0);
  EXPECT_EQ(morphs(), (Names{"m0"}));
  EXPECT_EQ(read(w.bytes), 0);  // the third morph's record begins at the end
  EXPECT_EQ(morphs(), (Names{"m0", "m1"}));
}

TEST_F(Pmx, FileEndingAfterTheModelTexts) {
  PmxWriter w = started();
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(display(), "m");
  EXPECT_TRUE(bones().empty());
}

// ---- Table limits ---------------------------------------------------------------------------------------------

TEST_F(Pmx, At4096BonesAndTheRestRead) {
  std::vector<std::string> b;
  for (int i = 0; i < MODEL_BONES + 3; i++) b.push_back("b" + std::to_string(i));
  EXPECT_EQ(read(PmxWriter::simple(b, {"after"})), 0);
  ASSERT_EQ(model_view()->bone_count, MODEL_BONES);
  EXPECT_STREQ(model_view()->bone[MODEL_BONES - 1], "b4095");
  EXPECT_EQ(morphs(), (Names{"after"}));
  EXPECT_TRUE(read_to_end());
}

TEST_F(Pmx, At8192MorphsAndTheRestRead) {
  PmxWriter w = started();
  for (int i = 0; i < 5; i++) w.i32(0);
  w.i32(MODEL_MORPHS + 2);
  for (int i = 0; i < MODEL_MORPHS + 2; i++) w.morph("m" + std::to_string(i), 0, 0);
  w.i32(1), w.frame("f");
  w.i32(0), w.i32(1), w.joint("j");
  EXPECT_EQ(read(w.bytes), 0);
  ASSERT_EQ(model_view()->morph_count, MODEL_MORPHS);
  EXPECT_STREQ(model_view()->morph[MODEL_MORPHS - 1], "m8191");
  EXPECT_TRUE(read_to_end());
}

// ---- Hostile counts and lengths ---------------------------------------------------------------------------------

// Reads bytes and checks that it took well under a second.
#define EXPECT_QUICK(stmt)                                                                            \
  do {                                                                                                \
    auto t0 = std::chrono::steady_clock::now();                                                       \
    stmt;                                                                                             \
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count(); \
    EXPECT_LT(ms, 500.0) << #stmt;                                                                    \
  } while (0)

constexpr int64_t HUGE_COUNT = 0x7FFFFFFF;

TEST_F(Pmx, HugeCountsEndAtTheEndOfTheFile) {
  // A count of 2^31 - 1 in each block with one real record: the walk ends at the end of the file.
  for (int block = 0; block < 9; block++) {
    PmxWriter w = started();
    for (int b = 0; b < block; b++) w.i32(0);
    w.i32(block == 1 ? HUGE_COUNT - 1 : HUGE_COUNT);  // faces: a multiple of 3
    switch (block) {
      case 0: w.vertex(2); break;
      case 1: w.index(2, 0), w.index(2, 1), w.index(2, 2); break;
      case 2: w.texture("t"); break;
      case 3: w.material("m"); break;
      case 4: w.bone("only"); break;
      case 5: w.morph("only", 2); break;
      case 6: w.frame("f"); break;
      case 7: w.body("b"); break;
      case 8: w.joint("j"); break;
    }
    int r = 1;
    EXPECT_QUICK(r = read(w.bytes));
    EXPECT_EQ(r, 0) << block;
    EXPECT_EQ(bones(), block == 4 ? Names{"only"} : Names{}) << block;
    EXPECT_EQ(morphs(), block == 5 ? Names{"only"} : Names{}) << block;
    EXPECT_TRUE(read_to_end()) << block;
  }
}

TEST_F(Pmx, HugeInnerCounts) {
  {
    PmxWriter w = started();
    for (int i = 0; i < 4; i++) w.i32(0);
    w.i32(1);
    w.bone("ik", 0x0020, 0);
    w.bytes.resize(w.bytes.size() - 4);
    w.i32(HUGE_COUNT);  // IK link count
    w.index(2, 0), w.u8(0);
    int r = 1;
    EXPECT_QUICK(r = read(w.bytes));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(bones(), (Names{"ik"}));
  }
  for (int kind = 0; kind <= 10; kind++) {
    PmxWriter w = started();
    for (int i = 0; i < 5; i++) w.i32(0);
    w.i32(1);
    w.morph("big", kind, 0);
    w.bytes.resize(w.bytes.size() - 4);
    w.i32(HUGE_COUNT);  // offset count
    w.morph_offset(kind);
    int r = 1;
    EXPECT_QUICK(r = read(w.bytes));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(morphs(), (Names{"big"}));
  }
  {
    PmxWriter w = started();
    for (int i = 0; i < 6; i++) w.i32(0);
    w.i32(1);
    w.text("frame"), w.text(""), w.u8(0);
    w.i32(HUGE_COUNT);  // element count
    w.u8(0), w.index(2, 0);
    int r = 1;
    EXPECT_QUICK(r = read(w.bytes));
    EXPECT_EQ(r, 0);
    EXPECT_TRUE(read_to_end());
  }
}

TEST_F(Pmx, HugeTextLengths) {
  // A text of length 2^31 - 1 at every kept or skipped place: the walk ends at the end of the file.
  {
    PmxWriter w;
    w.encoding = 1;
    w.header();
    w.i32(HUGE_COUNT);
    w.raw("abcdef");
    int r = 1;
    EXPECT_QUICK(r = read(w.bytes));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(display(), "abcdef");  // what was read of the Japanese name
    EXPECT_TRUE(read_to_end());
  }
  {
    PmxWriter w = started(1);
    for (int i = 0; i < 4; i++) w.i32(0);
    w.i32(2);
    w.i32(HUGE_COUNT);
    w.raw(std::string(600, 'x'));
    int r = 1;
    EXPECT_QUICK(r = read(w.bytes));
    EXPECT_EQ(r, 0);
    // The first bone began before the end and keeps the 254 bytes read of its name.
    EXPECT_EQ(bones(), (Names{std::string(254, 'x')}));
    EXPECT_TRUE(read_to_end());
  }
  {
    PmxWriter w = started();
    w.i32(0), w.i32(0);
    w.i32(HUGE_COUNT);  // textures
    for (int i = 0; i < 3; i++) {
      w.i32(HUGE_COUNT);
      w.raw("pp");
    }
    int r = 1;
    EXPECT_QUICK(r = read(w.bytes));
    EXPECT_EQ(r, 0);
  }
}

TEST_F(Pmx, HugeFileOfHugeLengths) {
  // A big file made of nothing but long texts still reads in bounded steps.
  PmxWriter w = started();
  for (int i = 0; i < 2; i++) w.i32(0);
  w.i32(3);
  for (int i = 0; i < 3; i++) w.text(std::string(1 << 20, 'p'));
  w.i32(0);
  w.i32(1), w.bone("b");
  w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  int r = 1;
  EXPECT_QUICK(r = read(w.bytes));
  EXPECT_EQ(r, 0);
  EXPECT_EQ(bones(), (Names{"b"}));
  EXPECT_TRUE(read_to_end());
}

TEST_F(Pmx, FaceIndexSizeOtherThan124ReadsNothing) {
  PmxWriter w = started();
  w.vertex_size = 3;
  w.bytes[9 + 2] = 3;  // the vertex index size in the globals
  w.i32(0);
  w.i32(HUGE_COUNT - 1);  // faces: a multiple of 3, but each triangle reads nothing
  w.i32(0), w.i32(0);
  w.i32(1), w.bone("after");
  w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  int r = 1;
  EXPECT_QUICK(r = read(w.bytes));
  EXPECT_EQ(r, 0);
  EXPECT_EQ(bones(), (Names{"after"}));
  EXPECT_TRUE(read_to_end());
}

TEST_F(Pmx, IndexSizesOtherThan124ReadNothingAnywhere) {
  PmxWriter w = full_writer(0, 3);
  w.i32(2);
  w.bone("b_ik", 0x0020 | 0x0300 | 0x0001, 2);
  w.bone("b2");
  w.i32(11);
  for (int kind = 0; kind <= 10; kind++) w.morph("m" + std::to_string(kind), kind, 1);
  w.i32(1), w.frame("f", 2, 2);
  w.i32(1), w.body("b");
  w.i32(1), w.joint("j");
  EXPECT_EQ(read(w.bytes), 0);
  EXPECT_EQ(bones(), (Names{"b_ik", "b2"}));
  EXPECT_EQ(morphs().size(), 11u);
  EXPECT_TRUE(read_to_end());
}

// ---- Corpus -----------------------------------------------------------------------------------------------------

// An independent walk over a whole PMX file in memory, for well-formed files: the Japanese bone and
// morph names (as stored: UTF-16LE or UTF-8 bytes) and the offset where the joints end.
struct RefModel {
  bool utf8 = false;
  std::string name_jp, name_en;
  std::vector<std::string> bones, morphs;
  size_t joints_end = 0;
};

bool ref_walk(const std::string& f, RefModel& m) {
  size_t p = 0;
  bool ok = true;
  auto need = [&](size_t n) {
    if (!ok || f.size() - p < n) ok = false;
    return ok;
  };
  auto u8 = [&]() -> unsigned { return need(1) ? (unsigned char)f[p++] : 0; };
  auto i32 = [&]() -> int64_t {
    if (!need(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) v |= (uint32_t)(unsigned char)f[p + i] << (8 * i);
    p += 4;
    return (int32_t)v;
  };
  auto skip = [&](size_t n) {
    if (need(n)) p += n;
  };
  auto text = [&]() -> std::string {
    int64_t n = i32();
    if (n < 0 || !need((size_t)n)) return ok = false, std::string();
    std::string s = f.substr(p, (size_t)n);
    p += (size_t)n;
    return s;
  };
  if (f.compare(0, 3, "PMX") != 0) return false;
  p = 8;
  unsigned globals = u8();
  std::vector<unsigned> g;
  for (unsigned i = 0; i < globals; i++) g.push_back(u8());
  if (g.size() < 8) return false;
  m.utf8 = g[0] != 0;
  size_t vi = g[2], ti = g[3], mi = g[4], bi = g[5], mo = g[6], ri = g[7];
  m.name_jp = text();
  m.name_en = text();
  text(), text();
  for (int64_t n = i32(), i = 0; ok && i < n; i++) {
    skip(32 + 16 * g[1]);
    unsigned t = u8();
    static const size_t idx[] = {1, 2, 4, 2, 4}, wts[] = {0, 4, 16, 40, 16};
    if (t > 4) return false;
    skip(idx[t] * bi + wts[t] + 4);
  }
  int64_t faces = i32();
  skip((size_t)faces * vi);
  for (int64_t n = i32(), i = 0; ok && i < n; i++) text();
  for (int64_t n = i32(), i = 0; ok && i < n; i++) {
    text(), text();
    skip(65 + 2 * ti + 1);
    unsigned shared = u8();
    skip(shared == 0 ? ti : 1);
    text();
    skip(4);
  }
  for (int64_t n = i32(), i = 0; ok && i < n; i++) {
    m.bones.push_back(text());
    text();
    skip(12 + bi + 4);
    unsigned flags = u8();
    flags |= u8() << 8;
    skip(flags & 1 ? bi : 12);
    if (flags & 0x300) skip(bi + 4);
    if (flags & 0x400) skip(12);
    if (flags & 0x800) skip(24);
    if (flags & 0x2000) skip(4);
    if (flags & 0x20) {
      skip(bi + 8);
      for (int64_t k = 0, links = i32(); ok && k < links; k++) {
        skip(bi);
        if (u8() == 1) skip(24);
      }
    }
  }
  for (int64_t n = i32(), i = 0; ok && i < n; i++) {
    m.morphs.push_back(text());
    text();
    skip(1);
    unsigned kind = u8();
    int64_t offsets = i32();
    size_t each = kind == 0 || kind == 9 ? mo + 4
                  : kind == 1            ? vi + 12
                  : kind == 2            ? bi + 28
                  : kind == 8            ? mi + 113
                  : kind == 10           ? ri + 25
                                         : vi + 16;
    if (kind > 10) return false;
    skip((size_t)offsets * each);
  }
  for (int64_t n = i32(), i = 0; ok && i < n; i++) {
    text(), text();
    skip(1);
    for (int64_t k = 0, e = i32(); ok && k < e; k++) skip(u8() == 0 ? bi : mo);
  }
  for (int64_t n = i32(), i = 0; ok && i < n; i++) {
    text(), text();
    skip(bi + 4 + 36 + 20 + 1);
  }
  for (int64_t n = i32(), i = 0; ok && i < n; i++) {
    text(), text();
    skip(1 + 2 * ri + 96);
  }
  m.joints_end = p;
  return ok;
}

// Shift-JIS (code page 932, through iconv) of a stored name, from its first 254 bytes.
std::string ref_sjis(const RefModel& m, const std::string& stored) {
  std::string kept = stored.substr(0, 254);
  if (m.utf8) return to_sjis(kept);
  std::u16string u(kept.size() / 2, u'\0');
  std::memcpy(u.data(), kept.data(), u.size() * 2);
  return to_sjis(from_u16(u));
}

// Cuts a Shift-JIS name to 20 bytes and drops a lead byte left without its trail byte.
std::string display_cut(const std::string& sjis) {
  std::string s = sjis.substr(0, 20);
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = (unsigned char)s[i];
    bool lead = (c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 == s.size()) return s.substr(0, i);
    i += lead ? 2 : 1;
  }
  return s;
}

// A corpus model with the counts its file gives (checked by hand with a separate walk).
struct CorpusModel {
  const char* file;
  int bones, morphs;
};

class PmxCorpus : public Pmx, public ::testing::WithParamInterface<CorpusModel> {};

TEST_P(PmxCorpus, ReadsAsTheReferenceWalk) {
  if (std::string(VELMORA_CORPUS).empty()) GTEST_SKIP() << "no shared corpus: set VELMORA_CORPUS_DIR";
  std::string file = std::string(VELMORA_CORPUS) + "/" + GetParam().file;
  std::string bytes = read_file(file);
  ASSERT_FALSE(bytes.empty()) << file;
  RefModel ref;
  ASSERT_TRUE(ref_walk(bytes, ref)) << file;
  EXPECT_EQ((int)ref.bones.size(), GetParam().bones);
  EXPECT_EQ((int)ref.morphs.size(), GetParam().morphs);
  EXPECT_EQ(ref.joints_end, bytes.size());
  size = bytes.size();
  for (int way = 0; way < 2; way++) {
    int r = way == 0 ? pmdinforead_a(file.c_str()) : pmdinforead_w(to_u16(file).c_str());
    ASSERT_EQ(r, 0);
    ASSERT_EQ(model_view()->bone_count, GetParam().bones);
    ASSERT_EQ(model_view()->morph_count, GetParam().morphs);
    for (size_t i = 0; i < ref.bones.size(); i++) EXPECT_EQ(bones()[i], ref_sjis(ref, ref.bones[i])) << i;
    for (size_t i = 0; i < ref.morphs.size(); i++) EXPECT_EQ(morphs()[i], ref_sjis(ref, ref.morphs[i])) << i;
    std::string name = ref_sjis(ref, ref.name_jp.empty() ? ref.name_en : ref.name_jp);
    EXPECT_EQ(display(), display_cut(name));
    EXPECT_TRUE(read_to_end());
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, PmxCorpus,
                         ::testing::Values(CorpusModel{"Gene.pmx", 224, 184}, CorpusModel{"matcap_sample.pmx", 2, 0},
                                           CorpusModel{"bone_flag_test.pmx", 3, 0},
                                           CorpusModel{"bone_hierarchy_test.pmx", 5, 0},
                                           CorpusModel{"bone_hierarchy_test2.pmx", 3, 0},
                                           CorpusModel{"constraint_test.pmx", 2, 0},
                                           CorpusModel{"constraint_test2.pmx", 2, 0},
                                           CorpusModel{"constraint_test3.pmx", 2, 0},
                                           CorpusModel{"constraint_test4.pmx", 2, 0},
                                           CorpusModel{"uv_morph_test.pmx", 2, 0}));

TEST_F(Pmx, CorpusNamesAsStated) {
  if (std::string(VELMORA_CORPUS).empty()) GTEST_SKIP() << "no shared corpus: set VELMORA_CORPUS_DIR";
  const std::string dir = std::string(VELMORA_CORPUS) + "/";
  ASSERT_EQ(pmdinforead_a((dir + "Gene.pmx").c_str()), 0);
  EXPECT_EQ(display(), S("ジェネ / Gene"));
  EXPECT_EQ(bones()[0], S("全ての親"));
  ASSERT_EQ(pmdinforead_a((dir + "bone_hierarchy_test.pmx").c_str()), 0);
  EXPECT_EQ(display(), "");
  EXPECT_EQ(bones(), (Names{"root", "bone1", "bone2", "bone3", S("新規ボーン1")}));
  ASSERT_EQ(pmdinforead_a((dir + "uv_morph_test.pmx").c_str()), 0);
  EXPECT_EQ(display(), "Uv Morph Test");
  EXPECT_EQ(bones(), (Names{S("センター"), "Box"}));
}

}  // namespace
