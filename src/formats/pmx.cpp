// pmx.cpp: the PMX model reader (versions 2.0 and 2.1). Every attempt starts with empty model tables
// (check/model.h) and keeps the display name and the Japanese and English names of the bones and
// morphs it reads.
//
// Records: the model tables, written through their procedures; pmx_end_state, how the file of the last
// read ended (pmx_end), and pmx_skel, the model's skeleton (pmx_skeleton), written by every read.
// Limits: the tables keep 4,096 bone names and 8,192 morph names (later ones are read and dropped); a
// text is kept to its first 254 bytes; the display name to 20 bytes without a broken last character.
// The skeleton keeps the first 4,096 bones read whole and 16,384 IK links in all; its indices and
// floats are kept as the file has them, for the pose engine to check.
// Trust: the file is untrusted. Every count is a loop bound, never a size: nothing is allocated, each
// loop stops as soon as the reader has closed (a read met the end of the file), and texts longer than
// what is kept are skipped in bounded steps that stop at the end of the file. Index sizes other than
// 1, 2 and 4 read nothing. The walk checks the structure on its way and stops at the first fault,
// keeping what it read before.
//
// Sections: [pmx-fields] field readers, [pmx-end] how the file ended, [pmx-blocks] one reader per block,
// among them [pmx-skeleton] the bone fields kept for the pose engine, [pmx-read] the walk.
#include "formats/pmx.h"

#include <cstdio>
#include <cstring>

#include "formats/filechan.h"
#include "text/encoding.h"

// ---- [pmx-fields] ------------------------------------------------------------------------------------------

constexpr int PMX_TEXT_KEEP = 254;     // bytes of a text that are kept
constexpr int PMX_TEXT_BUF = 256;      // the kept bytes and two 0 bytes
constexpr int PMX_SKIP_STEP = 4096;    // bytes read at a time when skipping
static_assert(PMX_TEXT_BUF <= MODEL_NAME_SLOT, "a kept text converts into one name slot");

// The header's globals that the walk needs.
struct PmxGlobals {
  uint8_t utf8;        // text encoding: 0 UTF-16, anything else UTF-8
  uint8_t extra_uv;    // additional UV count, 0 to 255
  uint8_t vertex_size, texture_size, material_size, bone_size, morph_size, body_size;
};

static unsigned char pmx_scratch[PMX_SKIP_STEP];

// Skips n bytes (none when n <= 0): whole windows of the byte reader while the file has them, then in
// steps that read up to the end of the file, which closes the reader.
static void pmx_skip(int64_t n) {
  while (n > 0 && !rfclosed()) {
    int window = n < RF_WINDOW ? (int)n : RF_WINDOW;
    unsigned char* ready;
    if (rfwindow(window, &ready) >= window) {
      rfadvance(window);
      n -= window;
      continue;
    }
    int step = n < PMX_SKIP_STEP ? (int)n : PMX_SKIP_STEP;
    rfread(pmx_scratch, step);
    n -= step;
  }
}

// The bytes an index field of size takes: 1, 2 or 4; 0 for other sizes, which read nothing.
static int pmx_index_bytes(int size) { return size == 1 || size == 2 || size == 4 ? size : 0; }

// A 4-byte little-endian count or length. When the file ends inside it, the reader is closed and the
// result is 0, so no loop runs on a half-read count.
static int32_t pmx_get32() {
  unsigned char b[4];
  if (rfread(b, 4) != 4) return 0;
  return rfle32(b);
}

// One byte 0 to 255, or -1 at the end of the file.
static int pmx_get8() { return rfgetc(); }

// An index field of size 1, 2 or 4 (other sizes read nothing). The value is never used: indices are
// read only to reach the next field.
static void pmx_index(int size) {
  if (size == 1 || size == 2 || size == 4) rfread(pmx_scratch, size);
}

// A text field: its length, then its bytes. Keeps the first 254 bytes in keep (when given) followed by
// two 0 bytes, and skips the rest. A negative length counts as 0. Returns the bytes kept.
static int pmx_text(unsigned char* keep) {
  int32_t len = pmx_get32();
  if (len < 0) len = 0;
  int kept = 0;
  if (keep != nullptr) {
    int want = len < PMX_TEXT_KEEP ? (int)len : PMX_TEXT_KEEP;
    kept = rfread(keep, want);
    keep[kept] = 0;
    keep[kept + 1] = 0;
    // After an odd count the last byte and the first 0 make a UTF-16 unit; the unit after it must be
    // 0 too, not a byte an earlier text left in the buffer.
    if (kept + 2 < PMX_TEXT_BUF) keep[kept + 2] = 0;
    pmx_skip((int64_t)len - want);
  } else {
    pmx_skip(len);
  }
  return kept;
}

// Converts a kept text to Shift-JIS in dst (size bytes) by the file's encoding.
static void pmx_convert(char* dst, int size, const unsigned char* text, const PmxGlobals& g) {
  if (g.utf8) utf8_to_sjis_compat(dst, size, (const char*)text);
  else utf16_to_sjis_compat(dst, size, text);
}

// ---- [pmx-end] ---------------------------------------------------------------------------------------------

static ReadEnd pmx_end_state;
static char pmx_fault_text[64];

const ReadEnd* pmx_end() { return &pmx_end_state; }

// The walk ends where the file was cut: in block, after whole of its count records (count -1: before
// its count). Returns false, for the block reader to return.
static bool pmx_cut(ReadBlock block, int64_t whole, int64_t count) {
  if (pmx_end_state.block == BLOCK_NONE) pmx_end_state = ReadEnd{block, whole, count, nullptr};
  return false;
}

// The walk ends at a structural fault of the record after whole of count in block: what, with the
// value that broke it. Returns false.
static bool pmx_fault(ReadBlock block, int64_t whole, int64_t count, const char* what, int value) {
  std::snprintf(pmx_fault_text, sizeof pmx_fault_text, what, value);
  pmx_cut(block, whole, count);
  pmx_end_state.fault = pmx_fault_text;
  return false;
}

// A block's count into *count; false (the walk ends) when the file ends before it or inside it.
static bool pmx_count(ReadBlock block, int32_t* count) {
  unsigned char b[4];
  *count = 0;
  if (rfclosed() || rfread(b, 4) != 4) return pmx_cut(block, 0, -1);
  *count = rfle32(b);
  return true;
}

// ---- [pmx-blocks] ------------------------------------------------------------------------------------------
//
// Each block reader returns true to go on with the next block, false when the walk ends: the file ended
// (a record that reaches the end is cut) or the structure is wrong. Either is recorded (pmx_end).

// Vertices that lie whole in the byte reader's window, from vertex i of count: skipped where they lie.
// Returns the vertices skipped; it stops before a vertex the window does not hold whole (the file may
// end inside it) and before one of an unknown deform type, which the field by field walk then meets.
static int32_t pmx_vertices_ready(const PmxGlobals& g, int32_t i, int32_t count) {
  const int head = 32 + 16 * (int)g.extra_uv;  // position, normal, UV, additional UVs
  const int index = pmx_index_bytes(g.bone_size);
  // The bytes after the deform type of each type (indices, weights, SDEF's C, R0 and R1), then the
  // edge scale.
  const int deform[5] = {index, 2 * index + 4, 4 * index + 16, 2 * index + 4 + 36, 4 * index + 16};
  unsigned char* bytes;
  int have = rfwindow(RF_WINDOW, &bytes);
  int at = 0;
  int32_t done = 0;
  while (i + done < count && have - at > head) {
    int type = bytes[at + head];
    if (type > 4) break;
    int size = head + 1 + deform[type] + 4;
    if (size > have - at) break;
    at += size;
    done++;
  }
  rfadvance(at);
  return done;
}

static bool pmx_vertices(const PmxGlobals& g) {
  int32_t count;
  if (!pmx_count(BLOCK_VERTICES, &count)) return false;
  for (int32_t i = 0; i < count; i++) {
    int32_t ready = pmx_vertices_ready(g, i, count);
    if (ready > 0) {
      i += ready - 1;
      continue;
    }
    pmx_skip(32 + 16 * (int)g.extra_uv);  // position, normal, UV, additional UVs
    int deform = pmx_get8();
    if (deform < 0) return pmx_cut(BLOCK_VERTICES, i, count);
    switch (deform) {
      case 0:  // BDEF1
        pmx_index(g.bone_size);
        break;
      case 1:  // BDEF2
        for (int k = 0; k < 2; k++) pmx_index(g.bone_size);
        pmx_skip(4);
        break;
      case 2:  // BDEF4
      case 4:  // QDEF
        for (int k = 0; k < 4; k++) pmx_index(g.bone_size);
        pmx_skip(16);
        break;
      case 3:  // SDEF: 2 indices, 1 weight, C, R0, R1
        for (int k = 0; k < 2; k++) pmx_index(g.bone_size);
        pmx_skip(4 + 36);
        break;
      default:
        return pmx_fault(BLOCK_VERTICES, i, count, "deform type %d", deform);
    }
    pmx_skip(4);  // edge scale
    if (rfclosed()) return pmx_cut(BLOCK_VERTICES, i, count);
  }
  return true;
}

// Its records are vertex indices, three to a triangle.
static bool pmx_faces(const PmxGlobals& g) {
  int32_t count;
  if (!pmx_count(BLOCK_FACES, &count)) return false;
  if (count % 3 != 0) return pmx_fault(BLOCK_FACES, 0, count, "index count %d, not a multiple of 3", count);
  int size = g.vertex_size;
  // With an index size other than 1, 2 or 4 a triangle reads nothing: there is nothing to walk.
  if (size != 1 && size != 2 && size != 4) return true;
  for (int32_t i = 0; i < count / 3; i++) {
    // The triangles that lie whole in the window, skipped at once.
    unsigned char* bytes;
    int32_t ready = rfwindow(RF_WINDOW, &bytes) / (3 * size);
    if (ready > count / 3 - i) ready = count / 3 - i;
    if (ready > 0) {
      rfadvance(ready * 3 * size);
      i += ready - 1;
      continue;
    }
    rfread(pmx_scratch, 3 * size);
    if (rfclosed()) return pmx_cut(BLOCK_FACES, 3 * (int64_t)i, count);
  }
  return true;
}

static bool pmx_textures() {
  int32_t count;
  if (!pmx_count(BLOCK_TEXTURES, &count)) return false;
  for (int32_t i = 0; i < count; i++) {
    pmx_text(nullptr);
    if (rfclosed()) return pmx_cut(BLOCK_TEXTURES, i, count);
  }
  return true;
}

static bool pmx_materials(const PmxGlobals& g) {
  int32_t count;
  if (!pmx_count(BLOCK_MATERIALS, &count)) return false;
  for (int32_t i = 0; i < count; i++) {
    pmx_text(nullptr);  // Japanese name
    pmx_text(nullptr);  // English name
    // diffuse 4, specular 3, power 1, ambient 3 floats; drawing flags; edge colour 4, edge size 1
    pmx_skip(44 + 1 + 20);
    pmx_index(g.texture_size);  // texture
    pmx_index(g.texture_size);  // sphere texture
    pmx_skip(1);                // sphere mode
    int shared = pmx_get8();
    if (shared < 0) return pmx_cut(BLOCK_MATERIALS, i, count);
    if (shared == 0) pmx_index(g.texture_size);
    else if (shared == 1) pmx_skip(1);
    else return pmx_fault(BLOCK_MATERIALS, i, count, "toon sharing flag %d", shared);
    pmx_text(nullptr);  // memo
    int32_t face_vertices = pmx_get32();
    if (rfclosed()) return pmx_cut(BLOCK_MATERIALS, i, count);
    if (face_vertices % 3 != 0) {
      return pmx_fault(BLOCK_MATERIALS, i, count, "face vertex count %d, not a multiple of 3", face_vertices);
    }
  }
  return true;
}

// Stores a bone or morph name in slot when the record began before the end of the file: began is the
// position before the record, so a record that begins exactly at the end (its first read consumed
// nothing) is not kept.
static bool pmx_began(uint32_t began) { return rftell() != began; }

// Reads a record's Japanese and English names and keeps them, in Shift-JIS, with keep (model_add_bone
// or model_add_morph, which drop them when their table is full) when the record began before the end
// of the file. The Japanese name also goes to name_out (MODEL_NAME_SLOT bytes) when given.
static void pmx_keep_names(int (*keep)(const char*, const char*), const PmxGlobals& g, char* name_out) {
  unsigned char name[PMX_TEXT_BUF];
  unsigned char english[PMX_TEXT_BUF];
  uint32_t began = rftell();
  pmx_text(name);
  pmx_text(english);
  char kept[MODEL_NAME_SLOT];
  pmx_convert(kept, MODEL_NAME_SLOT, name, g);
  if (name_out != nullptr) std::memcpy(name_out, kept, MODEL_NAME_SLOT);
  if (pmx_began(began)) {
    char kept_english[MODEL_NAME_SLOT];
    pmx_convert(kept_english, MODEL_NAME_SLOT, english, g);
    keep(kept, kept_english);
  }
}

// ---- [pmx-skeleton] ------------------------------------------------------------------------------------------

static PmxSkeleton pmx_skel;

const PmxSkeleton* pmx_skeleton() { return &pmx_skel; }

// A bone index field of size 1, 2 or 4, signed as the format has bone indices (-1: none). Other sizes
// read nothing and give -1.
static int32_t pmx_bone_index(int size) {
  unsigned char b[4] = {0, 0, 0, 0};
  if (size == 1) return rfread(b, 1) == 1 ? (int32_t)(int8_t)b[0] : -1;
  if (size == 2) return rfread(b, 2) == 2 ? (int32_t)(int16_t)rfle16(b) : -1;
  if (size == 4) return rfread(b, 4) == 4 ? rfle32(b) : -1;
  return -1;
}

// n little-endian floats (0 where the file ends).
static void pmx_floats(float* out, int n) {
  unsigned char b[4];
  for (int i = 0; i < n; i++) out[i] = rfread(b, 4) == 4 ? rflefloat(b) : 0.0f;
}

// One bone record, into b (links into the skeleton's link table while there is room).
static void pmx_bone(PmxBone* b, const PmxGlobals& g) {
  char name[MODEL_NAME_SLOT];
  pmx_keep_names(model_add_bone, g, name);
  size_t len = std::strlen(name);
  b->long_name = len >= (size_t)PMX_BONE_NAME;
  std::memset(b->name, 0, PMX_BONE_NAME);
  std::memcpy(b->name, name, b->long_name ? PMX_BONE_NAME - 1 : len);
  if (b->long_name) cut_broken_tail(b->name);
  pmx_floats(b->position, 3);
  b->parent = pmx_bone_index(g.bone_size);
  b->layer = pmx_get32();  // the deform layer: players evaluate bones by (layer, index)
  unsigned char f[2] = {0, 0};
  rfread(f, 2);
  b->flags = rfle16(f);
  if (b->flags & 0x0001) pmx_index(g.bone_size);  // tail bone
  else pmx_skip(12);                              // tail offset
  b->inherit = -1;
  b->inherit_weight = 0.0f;
  if (b->flags & (PMX_BONE_INHERITS_ROTATION | PMX_BONE_INHERITS_TRANSLATION)) {
    b->inherit = pmx_bone_index(g.bone_size);
    pmx_floats(&b->inherit_weight, 1);
  }
  b->axis[0] = b->axis[1] = b->axis[2] = 0.0f;
  if (b->flags & PMX_BONE_FIXED_AXIS) pmx_floats(b->axis, 3);
  if (b->flags & PMX_BONE_LOCAL_AXES) pmx_skip(24);
  if (b->flags & 0x2000) pmx_skip(4);  // external parent key
  b->ik_target = -1;
  b->ik_loops = 0;
  b->ik_limit = 0.0f;
  b->link_first = pmx_skel.link_count;
  b->link_count = 0;
  if (b->flags & PMX_BONE_IK) {
    b->ik_target = pmx_bone_index(g.bone_size);
    unsigned char l[4];
    b->ik_loops = rfread(l, 4) == 4 ? rfle32(l) : 0;
    pmx_floats(&b->ik_limit, 1);
    int32_t links = pmx_get32();
    for (int32_t k = 0; k < links && !rfclosed(); k++) {
      PmxIkLink link;
      link.bone = pmx_bone_index(g.bone_size);
      link.limited = pmx_get8() == 1;
      if (link.limited) {
        pmx_floats(link.lower, 3);
        pmx_floats(link.upper, 3);
      } else {
        for (int a = 0; a < 3; a++) link.lower[a] = link.upper[a] = 0.0f;
      }
      if (pmx_skel.link_count < PMX_IK_LINKS) {
        pmx_skel.link[pmx_skel.link_count++] = link;
        b->link_count++;
      } else {
        pmx_skel.links_dropped = 1;
      }
    }
  }
}

// The bones: names into the model tables, the first PMX_BONES whole records into the skeleton.
static bool pmx_bones(const PmxGlobals& g) {
  int32_t count;
  if (!pmx_count(BLOCK_BONES, &count)) return false;
  pmx_skel.declared = count;
  pmx_skel.index_size_bad = g.bone_size != 1 && g.bone_size != 2 && g.bone_size != 4;
  static PmxBone scratch;
  for (int32_t i = 0; i < count; i++) {
    PmxBone* b = i < PMX_BONES ? &pmx_skel.bone[i] : &scratch;
    int32_t links_before = pmx_skel.link_count;
    pmx_bone(b, g);
    if (rfclosed()) {
      pmx_skel.link_count = links_before;
      return pmx_cut(BLOCK_BONES, i, count);
    }
    if (i < PMX_BONES) pmx_skel.bone_count = i + 1;
    else pmx_skel.link_count = links_before;  // a bone beyond the skeleton keeps no links
  }
  pmx_skel.whole = 1;
  return true;
}

static bool pmx_morphs(const PmxGlobals& g) {
  int32_t count;
  if (!pmx_count(BLOCK_MORPHS, &count)) return false;
  for (int32_t i = 0; i < count; i++) {
    pmx_keep_names(model_add_morph, g, nullptr);
    pmx_skip(1);        // panel
    int kind = pmx_get8();
    if (kind < 0) return pmx_cut(BLOCK_MORPHS, i, count);
    if (kind > 10) return pmx_fault(BLOCK_MORPHS, i, count, "morph kind %d", kind);
    int32_t offsets = pmx_get32();
    // Every offset of a morph has one size: skipped together (a file that ends inside them closes the
    // reader, as the offset it ends in would).
    int size;
    switch (kind) {
      case 0:  // group
      case 9:  // flip
        size = pmx_index_bytes(g.morph_size) + 4;
        break;
      case 1:  // vertex
        size = pmx_index_bytes(g.vertex_size) + 12;
        break;
      case 2:  // bone: translation, rotation
        size = pmx_index_bytes(g.bone_size) + 28;
        break;
      case 8:  // material: operation, 28 floats
        size = pmx_index_bytes(g.material_size) + 1 + 112;
        break;
      case 10:  // impulse: local flag, velocity, torque
        size = pmx_index_bytes(g.body_size) + 1 + 24;
        break;
      default:  // 3 to 7: UV and additional UV 1 to 4
        size = pmx_index_bytes(g.vertex_size) + 16;
        break;
    }
    if (offsets > 0) pmx_skip((int64_t)offsets * size);
    if (rfclosed()) return pmx_cut(BLOCK_MORPHS, i, count);
  }
  return true;
}

static bool pmx_frames(const PmxGlobals& g) {
  int32_t count;
  if (!pmx_count(BLOCK_FRAMES, &count)) return false;
  for (int32_t i = 0; i < count; i++) {
    pmx_text(nullptr);
    pmx_text(nullptr);
    pmx_skip(1);  // special flag
    int32_t elements = pmx_get32();
    for (int32_t k = 0; k < elements && !rfclosed(); k++) {
      int type = pmx_get8();
      pmx_index(type == 0 ? g.bone_size : g.morph_size);
    }
    if (rfclosed()) return pmx_cut(BLOCK_FRAMES, i, count);
  }
  return true;
}

static bool pmx_bodies(const PmxGlobals& g) {
  int32_t count;
  if (!pmx_count(BLOCK_BODIES, &count)) return false;
  for (int32_t i = 0; i < count; i++) {
    pmx_text(nullptr);
    pmx_text(nullptr);
    pmx_index(g.bone_size);
    // group 1, non-collision mask 2, shape 1, size/position/rotation 36, five floats 20, physics mode 1
    pmx_skip(1 + 2 + 1 + 36 + 20 + 1);
    if (rfclosed()) return pmx_cut(BLOCK_BODIES, i, count);
  }
  return true;
}

static bool pmx_joints(const PmxGlobals& g) {
  int32_t count;
  if (!pmx_count(BLOCK_JOINTS, &count)) return false;
  for (int32_t i = 0; i < count; i++) {
    pmx_text(nullptr);
    pmx_text(nullptr);
    int type = pmx_get8();
    if (type < 0) return pmx_cut(BLOCK_JOINTS, i, count);
    if (type > 5) return pmx_fault(BLOCK_JOINTS, i, count, "joint type %d", type);
    pmx_index(g.body_size);
    pmx_index(g.body_size);
    pmx_skip(8 * 12);  // position, rotation, four limits, two springs
    if (rfclosed()) return pmx_cut(BLOCK_JOINTS, i, count);
  }
  return true;
}

// ---- [pmx-read] ----------------------------------------------------------------------------------------------

// The header and every block, after a successful open. Result as pmdinforead.
static int pmx_walk() {
  // A file that ends inside the signature or before the globals count was cut in its header.
  static const char SIGNATURE[] = "PMX";
  for (int i = 0; i < 3; i++) {
    int c = pmx_get8();
    if (c < 0) pmx_cut(BLOCK_HEADER, i, -1);
    if (c != SIGNATURE[i]) return READ_NOT_FORMAT;
  }
  pmx_get8();     // fourth signature byte, not examined
  rfgetfloat();   // version: any value is accepted
  int globals = pmx_get8();
  if (globals < 0) pmx_cut(BLOCK_HEADER, rftell(), -1);
  if (globals < 8) return READ_NOT_FORMAT;
  unsigned char gb[8] = {0};
  rfread(gb, 8);  // further globals bytes are not skipped
  PmxGlobals g;
  g.utf8 = gb[0] != 0;
  g.extra_uv = gb[1];
  g.vertex_size = gb[2];
  g.texture_size = gb[3];
  g.material_size = gb[4];
  g.bone_size = gb[5];
  g.morph_size = gb[6];
  g.body_size = gb[7];

  unsigned char jp[PMX_TEXT_BUF], en[PMX_TEXT_BUF];
  pmx_text(jp);
  pmx_text(en);
  pmx_text(nullptr);  // comments
  pmx_text(nullptr);
  if (rfclosed()) pmx_cut(BLOCK_HEADER, rftell(), -1);
  // The English name first; the Japanese one replaces it when it gives any text.
  char name[MODEL_NAME_SLOT];
  pmx_convert(name, sizeof name, en, g);
  char jp_name[MODEL_NAME_SLOT];
  pmx_convert(jp_name, sizeof jp_name, jp, g);
  model_set_display_name(jp_name[0] != 0 ? jp_name : name);

  bool go = pmx_vertices(g) && pmx_faces(g) && pmx_textures() && pmx_materials(g) && pmx_bones(g) &&
            pmx_morphs(g) && pmx_frames(g) && pmx_bodies(g) && pmx_joints(g);
  if (go) {
    // Whatever follows the joints (the 2.1 soft bodies, or anything else) is read and ignored.
    while (!rfclosed()) rfread(pmx_scratch, PMX_SKIP_STEP);
  }
  return READ_DONE;
}

int pmdinforead(const OpenedPath& p) {
  model_clear();
  pmx_end_state = ReadEnd{BLOCK_NONE, 0, 0, nullptr};
  pmx_skel.bone_count = pmx_skel.declared = pmx_skel.link_count = 0;
  pmx_skel.whole = pmx_skel.index_size_bad = pmx_skel.links_dropped = 0;
  if (rfopenpath(p) != 0) return READ_UNOPENED;
  int result = pmx_walk();
  rfclose();
  return result;
}

int pmdinforead_a(const char* path) { return pmdinforead(rfpathA(path)); }
int pmdinforead_w(const char16_t* wpath) { return pmdinforead(rfpathW(wpath)); }
