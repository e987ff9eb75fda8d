// The one walk of a VMD file: its pieces are the file, in order, whole or cut at any byte; each record
// piece names its block, its place and its count; and what the walk decides about the file's end is
// what the reader reports.
#include <gtest/gtest.h>

#include <string>

#include "formats/vmd.h"
#include "formats/vmd_walk.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

struct Walked {
  std::string bytes;      // the pieces' bytes, joined
  std::string pieces;     // one letter per piece: S signature, M model, C count, R record, T tail
  int result;
  ReadEnd end;
};

Walked walk(const std::string& path) {
  Walked out;
  EXPECT_EQ(rfopen(path.c_str()), 0);
  static VmdWalk w;
  vmd_walk_begin(&w);
  VmdStep s;
  while (vmd_walk_next(&w, &s)) {
    out.bytes.append(reinterpret_cast<const char*>(s.bytes), (size_t)s.got);
    out.pieces += "SMCRT"[s.piece];
  }
  rfclose();
  out.result = w.result;
  out.end = w.end;
  return out;
}

std::string sample() {
  VmdWriter w;
  w.header("model");
  w.i32(2);
  w.bone("A", 0, 0, 0, 0, 0, 0, 0, 1);
  w.bone("B", 1, 0, 0, 0, 0, 0, 0, 1);
  w.i32(1);
  w.morph("m", 2, 0.5f);
  w.i32(1);
  w.camera(0);
  w.i32(1);
  w.light(0);
  w.i32(1);
  w.shadow(0);
  w.i32(2);
  w.show_ik(0, 2);
  w.show_ik(5, 0);
  w.raw("after");
  return w.bytes;
}

}  // namespace

// A whole file: the pieces in order, the records' blocks, places and counts; joined they are the file.
TEST(VmdWalk, PiecesOfAWholeFile) {
  TempDir dir;
  std::string path = dir.file("m.vmd"), bytes = sample();
  write_file(path, bytes);
  Walked all = walk(path);
  EXPECT_EQ(all.bytes, bytes);
  EXPECT_EQ(all.pieces, "SMCRRCRCRCRCRCRRRRT");
  EXPECT_EQ(all.result, READ_DONE);
  EXPECT_EQ(all.end.block, BLOCK_NONE);

  ASSERT_EQ(rfopen(path.c_str()), 0);
  static VmdWalk w;
  vmd_walk_begin(&w);
  VmdStep s;
  std::string seen;
  while (vmd_walk_next(&w, &s)) {
    if (s.piece != VMD_PIECE_RECORD) continue;
    seen += std::to_string(s.shape->block) + ":" + std::to_string(s.index) + "/" + std::to_string(s.count) + " ";
  }
  rfclose();
  // Bone keys (2), morph (3), camera (4), light (5), shadow (6), and the show-and-IK heads (7) with their
  // switches counted against their head's switch count.
  EXPECT_EQ(seen, "2:0/2 2:1/2 3:0/1 4:0/1 5:0/1 6:0/1 7:0/2 7:0/2 7:1/2 7:1/2 ");
}

// Cut at every byte: the pieces are still the file, and the result and the end are the reader's.
TEST(VmdWalk, CutAnywhereAsTheReaderSeesIt) {
  TempDir dir;
  std::string path = dir.file("m.vmd"), bytes = sample();
  for (size_t cut = 0; cut <= bytes.size(); cut++) {
    write_file(path, bytes.substr(0, cut));
    Walked part = walk(path);
    ASSERT_EQ(part.bytes, bytes.substr(0, cut)) << cut;
    int read = vmd_read_a(path.c_str());
    const ReadEnd* end = vmd_end();
    ASSERT_EQ(part.result, read) << cut;
    ASSERT_EQ(part.end.block, end->block) << cut;
    ASSERT_EQ(part.end.read, end->read) << cut;
    ASSERT_EQ(part.end.declared, end->declared) << cut;
  }
}

// A walk that keeps the file in memory as it goes meets what the walk of the file meets, whole or cut
// at any byte, and whatever its memory holds: a file shorter than the memory lies there whole after
// the walk; a longer one is walked on from the byte reader and not kept.
TEST(VmdWalk, KeepingMeetsWhatTheFileWalkMeets) {
  TempDir dir;
  std::string path = dir.file("m.vmd"), bytes = sample();
  static unsigned char memory[4096];
  for (size_t cut = 0; cut <= bytes.size(); cut += 7) {
    write_file(path, bytes.substr(0, cut));
    Walked plain = walk(path);
    for (int64_t capacity : {(int64_t)1, (int64_t)60, (int64_t)cut + (cut == 0), (int64_t)cut + 1, (int64_t)sizeof memory}) {
      static VmdWalk w;
      ASSERT_TRUE(vmd_walk_open(&w, rfpathA(path.c_str())));
      ASSERT_TRUE(vmd_walk_keep(&w, memory, capacity));
      w.runs = capacity % 2 == 0;
      Walked kept;
      VmdStep s;
      while (vmd_walk_next(&w, &s)) kept.bytes.append(reinterpret_cast<const char*>(s.bytes), (size_t)s.got);
      int64_t whole = vmd_walk_kept(&w);
      vmd_walk_close(&w);
      SCOPED_TRACE("cut " + std::to_string(cut) + ", memory " + std::to_string(capacity));
      EXPECT_EQ(kept.bytes, plain.bytes);
      EXPECT_EQ(w.result, plain.result);
      EXPECT_EQ(w.end.block, plain.end.block);
      EXPECT_EQ(w.end.read, plain.end.read);
      EXPECT_EQ(w.end.declared, plain.end.declared);
      if (capacity > (int64_t)cut) {
        ASSERT_EQ(whole, (int64_t)cut);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(memory), (size_t)cut), bytes.substr(0, cut));
      } else {
        EXPECT_EQ(whole, -1);
      }
    }
  }
}
