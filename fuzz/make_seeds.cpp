// make_seeds.cpp: writes the seed corpora of the fuzz targets, one folder per target, built with the
// tests' own VMD and PMX writers and the built-in vocabularies: whole files of every shape the readers
// know, cut files, files whose counts claim billions of records, and texts, names, command lines and
// paths of the kinds the program meets. The shared corpus of real files is copied beside them by the
// build (fuzz/CMakeLists.txt).
//
//   make_seeds OUTDIR       writes OUTDIR/<target>/<seed>
#include <iconv.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "check/vocab.h"
#include "fuzz_common.h"
#include "support/pmxwriter.h"
#include "support/vmdwriter.h"

// The PMX writer's UTF-16 texts: UTF-8 to UTF-16LE by iconv (the tests' helper, without GoogleTest).
std::u16string to_u16(const std::string& utf8) {
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  if (cd == (iconv_t)-1) std::abort();
  std::string out(utf8.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(utf8.data());
  size_t src_left = utf8.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == (size_t)-1) std::abort();
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  std::u16string u(out.size() / 2, u'\0');
  std::memcpy(u.data(), out.data(), u.size() * 2);
  return u;
}

namespace {

std::string out_dir;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
  std::string dir = out_dir + "/" + target;
  mkdir(out_dir.c_str(), 0755);
  mkdir(dir.c_str(), 0755);
  FILE* f = std::fopen((dir + "/" + name).c_str(), "wb");
  if (f == nullptr) {
    std::perror(("make_seeds: " + dir + "/" + name).c_str());
    std::exit(1);
  }
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; i++) s += (char)((v >> (8 * i)) & 0xFF);
  return s;
}

// The built-in names of a vocabulary list (1 bones, 2 morphs).
std::vector<std::string> vocab(int list) {
  std::vector<std::string> names;
  for (int i = 0; i < vocab_part_count; i++) {
    if (vocab_parts[i].list != list) continue;
    for (int k = 0; k < vocab_parts[i].count; k++) names.push_back(vocab_parts[i].names[k]);
  }
  return names;
}

// ---- Motions --------------------------------------------------------------------------------------------

void vmd_seeds() {
  const std::string fixed = fuzz_fixed_vmd();
  seed("vmd", "fixed.vmd", fixed);
  // The fitted copy starts from whole and cut motions too.
  seed("fit", "fixed.vmd", fixed);
  for (size_t cut : {40u, 54u + 50u, 54u + 111u + 20u}) seed("fit", "cut-" + std::to_string(cut) + ".vmd", fixed.substr(0, cut));
  // Cut at the end of the header, inside the bone block, inside and between the later blocks.
  for (size_t cut : {30u, 54u, 100u, 54u + 111u, 54u + 16 * 111u + 10u}) seed("vmd", "cut-" + std::to_string(cut) + ".vmd", fixed.substr(0, cut));
  for (size_t back : {1u, 5u, 30u, 61u}) seed("vmd", "short-" + std::to_string(back) + ".vmd", fixed.substr(0, fixed.size() - back));

  VmdWriter empty;
  empty.header("empty");
  empty.i32(0);
  seed("vmd", "no-keys.vmd", empty.bytes);
  VmdWriter v1;
  v1.header("old", "0001");
  v1.i32(0);
  seed("vmd", "version-0001.vmd", v1.bytes);

  // Every built-in bone and morph keyed once, moving.
  VmdWriter all;
  all.header("\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D\xB6\x8D");  // a lone lead byte at 20
  std::vector<std::string> bones = vocab(1), morphs = vocab(2);
  all.i32((int32_t)bones.size());
  int f = 0;
  for (const std::string& b : bones) all.bone(b, f++, 0.5f, 0.0f, 0.0f, 0.3f, 0.0f, 0.0f, 0.95f);
  all.i32((int32_t)morphs.size());
  for (const std::string& m : morphs) all.morph(m, f++, 0.75f);
  all.i32(0), all.i32(0), all.i32(0), all.i32(0);
  seed("vmd", "vocabulary.vmd", all.bytes);

  // Unknown names that fill lines of the page, and names of exactly 15 bytes.
  VmdWriter unknown;
  unknown.header("unknown");
  unknown.i32(200);
  for (int i = 0; i < 200; i++) {
    char name[16];
    std::snprintf(name, sizeof name, "bone_%010d", i);
    unknown.bone(name, i, 1.0f, 2.0f, 3.0f, 0.5f, 0.5f, 0.5f, 0.5f);
  }
  unknown.i32(1), unknown.morph("morph_123456789", 0, 1.0f);
  seed("vmd", "unknown-names.vmd", unknown.bytes);

  // Counts that claim 2^31 - 1 records of each block on a short file.
  const std::string big = le32(0x7FFFFFFF);
  std::string head = fixed.substr(0, 50);
  seed("vmd", "hostile-bones.vmd", head + big + std::string(111 * 2, 'k'));
  seed("vmd", "hostile-morphs.vmd", head + le32(0) + big + std::string(23 * 2, 'm'));
  seed("vmd", "hostile-camera.vmd", head + le32(0) + le32(0) + big + std::string(61, 'c'));
  seed("vmd", "hostile-ik.vmd", head + le32(0) + le32(0) + le32(0) + le32(0) + le32(0) + le32(1) + le32(0) +
                                   std::string(1, 1) + big + std::string(21 * 2, 'i'));
  seed("vmd", "negative-counts.vmd", head + le32(0x80000000u) + le32(0xFFFFFFFFu) + le32(0x80000001u));
}

// ---- Models ---------------------------------------------------------------------------------------------

std::string pmx_full(uint8_t encoding, float version, int index_size) {
  PmxWriter w;
  w.encoding = encoding;
  w.extra_uv = 1;
  w.vertex_size = w.bone_size = w.morph_size = (uint8_t)index_size;
  w.texture_size = w.material_size = w.body_size = (uint8_t)(index_size == 4 ? 4 : 1);
  w.header(version);
  w.model_texts("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", "test model");  // テスト
  w.i32(5);
  for (int d = 0; d < 5; d++) w.vertex(d);
  w.faces(2);
  w.i32(2), w.texture("tex.png"), w.texture("\xE8\x82\x8C.bmp");
  w.i32(2), w.material("mat0", 0), w.material("mat1", 1, 6);
  const int flags[] = {0x0000, 0x0001, 0x0100, 0x0200, 0x0400, 0x0800, 0x2000, 0x0020, 0x2F21};
  w.i32(9);
  int i = 0;
  for (int fl : flags) w.bone(i++ == 0 ? "\xE3\x82\xBB\xE3\x83\xB3\xE3\x82\xBF\xE3\x83\xBC" : "bone" + std::to_string(i), fl, 3);
  w.i32(11);
  for (int kind = 0; kind <= 10; kind++) w.morph(kind == 0 ? "\xE3\x81\x82" : "morph" + std::to_string(kind), kind, 2);
  w.i32(2), w.frame("Root"), w.frame("\xE8\xA1\xA8\xE6\x83\x85", 0, 3);
  w.i32(2), w.body("body0"), w.body("body1");
  w.i32(2), w.joint("joint0", 0), w.joint("joint5", 5);
  if (version > 2.05f) w.soft_body_tail();
  return w.bytes;
}

void pmx_seeds() {
  seed("pmx", "fixed.pmx", fuzz_fixed_pmx());
  seed("pmx", "simple-utf16.pmx", PmxWriter::simple({"\xE5\xB7\xA6\xE8\x85\x95", "b"}, {"\xE3\x81\x82"}, 0));
  seed("pmx", "simple-utf8.pmx", PmxWriter::simple({"\xE5\xB7\xA6\xE8\x85\x95", "b"}, {"\xE3\x81\x82"}, 1, "", "english only"));
  seed("pmx", "full-20-utf16.pmx", pmx_full(0, 2.0f, 2));
  seed("pmx", "full-21-utf8.pmx", pmx_full(1, 2.1f, 4));
  seed("pmx", "full-byte-indices.pmx", pmx_full(0, 2.0f, 1));
  seed("pmx", "index-size-3.pmx", pmx_full(1, 2.0f, 3));
  std::string full = pmx_full(0, 2.0f, 2);
  for (size_t cut : {4u, 9u, 17u, 60u, 200u, 400u}) seed("pmx", "cut-" + std::to_string(cut) + ".pmx", full.substr(0, cut));

  PmxWriter g9;
  g9.header(2.0f, 9, std::string(1, '\0'));
  g9.model_texts("m", "m");
  seed("pmx", "globals-9.pmx", g9.bytes);
  PmxWriter g7;
  g7.header(2.0f, 7);
  seed("pmx", "globals-7.pmx", g7.bytes);

  // Long names (300 bytes), and counts of 2^31 - 1.
  std::string longname(150, 'n');
  seed("pmx", "long-names.pmx", PmxWriter::simple({longname, longname + "x"}, {longname}, 0, longname, longname));
  PmxWriter h;
  h.header();
  h.model_texts("hostile", "hostile");
  h.i32(0x7FFFFFFF);
  h.vertex(0);
  seed("pmx", "hostile-vertices.pmx", h.bytes);
  PmxWriter hb;
  hb.header();
  hb.model_texts("hostile", "hostile");
  hb.i32(0), hb.i32(0), hb.i32(0), hb.i32(0);
  hb.i32(0x7FFFFFFF);
  hb.bone("b", 0x0020, 0);
  hb.bytes += le32(0x7FFFFFFF);
  seed("pmx", "hostile-bones.pmx", hb.bytes);
  PmxWriter ht;
  ht.header();
  ht.raw(le32(0x7FFFFFFF));  // a Japanese name that claims 2 GiB
  seed("pmx", "hostile-text.pmx", ht.bytes);
}

// ---- Alias files, texts, names, command lines, paths ---------------------------------------------------

void alias_seeds() {
  seed("alias", "fixed.ini", fuzz_fixed_alias());
  seed("alias", "utf8.ini",
       "-Bone\n\"\xE5\xB7\xA6\xE8\x85\x95\"F arm_L\n\xE5\x8F\xB3 Right_\n\"\xE9\xAB\xAA*\"L hair\n"
       "  -morph\n\xE3\x81\x82 a\n\"\xE3\x81\xBE \xE3\x81\xB0\" blink\n// comment\n");
  seed("alias", "unclosed-quote.ini", "-Bone\r\n\"open token\r\nnext line\r\n\"a\"FL \"b c\" tail\r\n");
  seed("alias", "long-pattern.ini", std::string(70, 'p') + " r\r\n" + std::string(63, 'q') + " " + std::string(30, 'r') + "\r\n");
  seed("alias", "long-line.ini", std::string(600, 'x') + "\n" + "a b\n");
  seed("alias", "blank.ini", "\r\n\x1A\t  \r\n");
  std::string many;
  for (int i = 0; i < 300; i++) many += "n" + std::to_string(i) + " R" + std::to_string(i) + "\n";
  seed("alias", "many.ini", many);
}

void encoding_seeds() {
  std::string bones;
  for (const std::string& b : vocab(1)) bones += b;
  seed("encoding", "sjis-roomy", "\x80\x07" + bones.substr(0, 900));
  seed("encoding", "sjis-cut", "\x05\x02" + bones.substr(0, 200));
  seed("encoding", "utf8", std::string("\x80\x03") + "\xE5\xB7\xA6\xE8\x85\x95 \xF0\x9F\x98\x80 \xC3\xA9 abc");
  seed("encoding", "utf8-malformed", std::string("\x80\x00", 2) + "a\xC3\x28 b\xE2\x82 c\xF8 d\x80");
  std::u16string u = u"\u5DE6\u8155 \uFF5E\u301C\u2015 \U0001F600 \xD800x \xDC00";
  seed("encoding", "utf16", std::string("\x80\x10", 2) + std::string(reinterpret_cast<const char*>(u.data()), u.size() * 2));
  seed("encoding", "lead-bytes", std::string("\x81\x01", 2) + "\x80\x41\x81\x3F\xE0\x40\xFD\xFE\xFF\xA0\xB1\x81");
  seed("encoding", "overrides", std::string("\x80\x09", 2) + "\x81\x5C\x81\x5F\x81\x60\x87\x90\x87\x94\x81\xCA");
}

void names_seeds() {
  std::string s;
  std::vector<std::string> bones = vocab(1);
  for (size_t i = 0; i < bones.size(); i += 37) s += std::string(1, 1) + bones[i] + "\n";
  s += std::string(1, 0) + "\x8D\xB6\tLLeft\n" + std::string(1, 0) + "*\tFall\n" + std::string(1, 0) + "?\x81\x48\tQ\n";
  s += std::string(1, 2) + "\x8D\xB6\x98\x72\n" + std::string(1, 3) + "\n" + std::string(1, 4) + "\x83\x58\x83\x4A\x81\x5B\x83\x67\x91\x4F\n";
  seed("names", "mixed", s);
  seed("names", "patterns", std::string(1, 0) + "\x8D\xB6\x91\xAB\x81\x48\x83\x8A\x83\x7B*\n" + std::string(1, 1) +
                                "\x8D\xB6\x91\xAB\x8F\xFC\x83\x8A\x83\x7B\x41\n" + std::string(1, 1) + "\x8D\xB6\x91\xAB\x58\x83\x8A\x83\x7B\x41\n" +
                                std::string(1, 4) + "abc\n");
  seed("names", "long", std::string(1, 0) + std::string(64, 'x') + "\n" + std::string(1, 1) + std::string(63, 'y') + "\n");
}

// A fold input: the look-up's arguments (filled, up to 4 names: 0x09; not filled, 7 names: 0x0E), the name.
void fold_seeds() {
  seed("fold", "vrm-cut", "\x09J_Bip_L_LowerLe");
  seed("fold", "english", "\x0E" "index finger 1_L");
  seed("fold", "filled-english", "\x09RightIndexFinge");
  seed("fold", "half-width", "\x0E\xB3\xA8\xDD\xB8\x82\x51\x89\x45");  // ｳｨﾝｸ２右
  seed("fold", "voiced", std::string("\x0E") + "\x82\xAA\xB6\xDE\x83\x4B\x81\x5B\xB0-" "\x82\x60\x81\x40_");  // がｶﾞガーｰ-Ａ　_
  seed("fold", "hostile", std::string("\x0E\x81 \x80\xFD\xFF\xA0\x81", 8));
  seed("fold", "morph", "\x0E" "Fcl_EYE_Close_R");
}

void cmdline_seeds() {
  seed("cmdline", "quoted", std::string("\x00", 1) + "prog.exe \"C:\\My Clips\\a.vmd\" -ND" + std::string(1, 0) +
                                std::string("p\0r\0o\0g\0 \0\"\0a\0 \0b\0\"\0 \0-\0D\0" "2\0\0\0", 30) + "x.vmd\x01y.pmx");
  seed("cmdline", "sjis", std::string("\x00", 1) + "prog.exe \x95\x5C.vmd \x83\x22\x83\x20 /nd=3 -D" + std::string(1, 0));
  seed("cmdline", "repeat", std::string("\xBF", 1) + "w w w w \"q q\" " + std::string(1, 0));
  seed("cmdline", "blanks", std::string("\x00", 1) + "  \tprog.exe   a\tb  " + std::string(1, 0));
}

void paths_seeds() {
  seed("paths", "windows", std::string("\x80\x02", 2) + "C:\\My Clips\\motion.v.vmd" + std::string(1, 0) + "c:\\my" + std::string(1, 0) +
                               std::string("C\0:\0\\\0a\0.\0v\0m\0d\0", 16));
  seed("paths", "sjis-5c", std::string("\x10\x03", 2) + "\x95\x5C\\\x94\x5C.vmd;b;c" + std::string(1, 0) + "\x95\x5C");
  seed("paths", "root", std::string("\x80\x01", 2) + "C:\\" + std::string(1, 0) + std::string(1, 0) + std::string("\\\0", 2));
  seed("paths", "glob", std::string("\x80\x02", 2) + "*.vmd" + std::string(1, 0) + "*" + std::string(1, 0));
  seed("paths", "long", std::string("\x80\x02", 2) + std::string(300, 'a') + "\\" + std::string(1, 0));
}

// A glyph input: slot, flags, first, last, the drawn rectangle (x, y, sx0, sy0, width, height), the text.
std::string glyph_input(int slot, int flags, int first, int last, const std::string& text) {
  std::string head;
  for (int b : {slot, flags, first & 0xFF, last & 0xFF, 2, 2, 0, 0, 255, 63}) head += (char)b;
  return head + text;
}

void glyph_seeds() {
  std::string bones;
  std::vector<std::string> names = vocab(1);
  for (size_t i = 0; i < names.size() && bones.size() < 120; i += 11) bones += names[i];
  seed("glyph", "vocabulary", glyph_input(6, 1, 0, -1, bones));
  seed("glyph", "escapes", glyph_input(6, 1, 0, -1, "A&&B A&xB &r&nline two&vup &"));
  seed("glyph", "index-2-2", glyph_input(0, 3, 2, 2, "ABC"));
  seed("glyph", "mono-right", glyph_input(7, 4, 0, -1, "\x5C ~ \xB1\xB2 \x81\x48 \x83\xD6 \x81\xBF"));
  seed("glyph", "out-of-range", glyph_input(9, 1, 0, -1, "abc"));
  seed("glyph", "hyphens", glyph_input(6, 1, 0, -1, "-----"));
  seed("glyph", "no-glyph", glyph_input(6, 1, 0, -1, "\xF0\x40\xF0\x41"));
  std::string many;
  for (int i = 0; i < 1100; i++) many += "\x82\xA0";
  seed("glyph", "over-1023", glyph_input(1, 1, 0, -1, many));
  std::u16string u = u"\u5DE6\u8155 \U0001F600 \u2661 x";
  seed("glyph", "utf16", glyph_input(0x82, 1, 0, -1, std::string(reinterpret_cast<const char*>(u.data()), u.size() * 2)));
}

// A capture input: width, height, the failing byte (0xFFFF none), then a name.
std::string capture_input(int w, int h, int fail, const std::string& name) {
  std::string s;
  for (int v : {w + 8, h + 8, fail}) s += (char)(v & 0xFF), s += (char)((v >> 8) & 0xFF);
  return s + name;
}

void capture_seeds() {
  seed("capture", "512x96", capture_input(512, 96, 0xFFFF, "cap(1).bmp"));
  seed("capture", "1001x1", capture_input(1001 % 700, 1, 0xFFFF, "CAP(1).Bmp"));
  seed("capture", "odd-3x5", capture_input(3, 5, 0xFFFF, "x.bmp;y.png"));
  seed("capture", "empty", capture_input(0, 0, 0xFFFF, "nodot"));
  seed("capture", "fail-first", capture_input(2, 2, 0, "a.png"));
  seed("capture", "fail-header", capture_input(2, 2, 30, "a.b.bmpx"));
  seed("capture", "fail-row", capture_input(5, 3, 60, "a;b"));
  seed("capture", "negative", capture_input(-3, -1, 0xFFFF, ""));
}

// ---- Poses and folds ------------------------------------------------------------------------------------
// fuzz_pose's inputs: a mode byte, the skeleton part's length and bytes, then the motion part.

std::string pose_input(int mode, const std::string& skeleton, const std::string& motion) {
  return std::string(1, (char)mode) + std::string(1, (char)skeleton.size()) + skeleton + motion;
}

// A key record of fuzz_pose: name (its table), frame, x, y, turn, axis, curve.
std::string pose_key(int name, int frame, int x, int y, int turn, int axis, int curve) {
  std::string k;
  for (int v : {name, frame & 0xFF, frame >> 8, x, y, turn, axis, curve}) k += (char)v;
  return k;
}

void pose_seeds() {
  // The semi-standard model without グルーブ (bit 1) and 上半身2 (bit 5); keys on them and on センター.
  std::string lacks = le32((1u << 1) | (1u << 5));
  std::string keys;
  for (int f = 0; f < 60; f += 8) {
    keys += pose_key(2, f, 0, f % 16, 0, 1, f / 8);         // グルーブ
    keys += pose_key(5, f + 3, 0, 0, (f * 3) % 40, 0, 1);   // 上半身2
    keys += pose_key(1, f + 5, f % 7, 0, 10, 1, 2);         // センター
  }
  seed("pose", "groove-upper2-fold", pose_input(4, lacks, keys));
  seed("pose", "groove-upper2-costs", pose_input(0, lacks, keys));
  // Every semi-standard bone lacking, every name keyed.
  std::string all;
  for (int n = 0; n < 40; n++) all += pose_key(n, n * 3, n % 5, n % 3, n * 4, n, n);
  seed("pose", "all-lacking", pose_input(4, le32(0x01FFFFFF), all));
  // Hostile edits: a parent cycle, an inheritance source out of range, a rest position not a number.
  std::string edits = le32(0) + std::string("\x03\x00\x05\x00", 4) + std::string("\x02\x01\x63\x00", 4) +
                      std::string("\x04\x03\xff\x7f", 4);
  seed("pose", "hostile-edits", pose_input(4, edits, keys));
  // Raw bone records: a root and two children, one inheriting, one IK.
  std::string raw;
  raw += std::string("\x01\xff\xff\x00\x1f\x00\x00\x10\x00\xff\xff\x00", 12);
  raw += std::string("\x04\x00\xff\x00\x1b\x00\x00\x20\x00\xff\xff\x00", 12);
  raw += std::string("\x0a\x00\x01\x08\x1b\x01\x04\x28\x00\xff\xff\x00", 12);
  raw += std::string("\x19\x00\xff\x00\x3f\x00\x04\x00\x00\x02\x01\x00", 12);
  seed("pose", "raw-skeleton", pose_input(5, raw, keys));
  // A whole motion file as it is, on the semi-standard model lacking every semi-standard bone.
  seed("pose", "raw-motion", pose_input(6, le32(0x01FFFFFF), fuzz_fixed_vmd()));
  // IK: the legs' IK bones keyed and switched off and on; hostile loops, angles and limits by edit.
  std::string legs;
  for (int f = 0; f < 40; f += 4) {
    legs += pose_key(25, f, f % 9 - 4, f % 5, f, 0, 1);   // 左足ＩＫ
    legs += pose_key(41, f + 2, 0, f % 7 - 3, 0, 0, 0);   // 右足ＩＫ
    legs += pose_key(40, f + 1, 3, -2, 20, 1, 2);         // 左つま先ＩＫ
    legs += pose_key(1, f + 3, 0, -(f % 11), 0, 0, 3);    // センター
  }
  std::string switches = std::string(1, (char)3) + std::string("\x19\x00\x01", 3) + std::string("\x19\x02\x00", 3) +
                         std::string("\x28\x03\x01", 3);
  seed("pose", "ik-legs", pose_input(8, le32(0), switches + legs));
  std::string ik_edits = le32(0) + std::string("\x2a\x08\x00\x00", 4) + std::string("\x2b\x09\xff\x7f", 4) +
                         std::string("\x2a\x0a\x01\x00", 4);
  seed("pose", "ik-hostile-edits", pose_input(12, ik_edits, switches + legs));
  // Raw bones: a leg chain (hip, knee, ankle) and its IK with a knee's limits and 256 loops.
  std::string chain;
  chain += std::string("\x16\xff\xff\x00\x1b\x00\x04\x28\x00\xff\xff\x00", 12);
  chain += std::string("\x17\x00\xff\x00\x1b\x00\x04\x14\xff\xff\xff\x00", 12);
  chain += std::string("\x18\x01\xff\x00\x1b\x00\x04\x00\x00\xff\xff\x00", 12);
  chain += std::string("\x19\xff\xff\x00\x3f\x00\x04\x00\x00\x02\x01\x2d", 12);
  seed("pose", "ik-raw-leg", pose_input(9, chain, switches + legs));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds OUTDIR\n");
    return 2;
  }
  out_dir = argv[1];
  vmd_seeds();
  pmx_seeds();
  alias_seeds();
  encoding_seeds();
  names_seeds();
  fold_seeds();
  cmdline_seeds();
  paths_seeds();
  glyph_seeds();
  capture_seeds();
  pose_seeds();
  return 0;
}
