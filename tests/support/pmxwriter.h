// pmxwriter.h: builds PMX model files in memory for the tests, field by field, little-endian, in the
// layout of PMX 2.0 / 2.1. Texts are given as UTF-8 and written as UTF-16LE (iconv) or UTF-8 by the
// writer's encoding. Index fields are written with the sizes set in the writer (1, 2 or 4 bytes; any
// other size writes nothing, as the reader then reads nothing).
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "support/testfiles.h"

struct PmxWriter {
  std::string bytes;
  uint8_t encoding = 0;  // 0 UTF-16, 1 UTF-8
  uint8_t extra_uv = 0;
  uint8_t vertex_size = 2, texture_size = 1, material_size = 1, bone_size = 2, morph_size = 2, body_size = 1;

  // ---- Fields ----
  void raw(const std::string& s) { bytes += s; }
  void u8(int v) { bytes += (char)(v & 0xFF); }
  void u16(int v) {
    u8(v);
    u8(v >> 8);
  }
  void i32(int64_t v) {
    for (int i = 0; i < 4; i++) bytes += (char)(((uint64_t)v >> (8 * i)) & 0xFF);
  }
  void f32(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    i32(v);
  }
  void floats(int n, float base = 0.5f) {
    for (int i = 0; i < n; i++) f32(base + (float)i);
  }
  void index(int size, int32_t v) {
    if (size == 1) u8(v);
    else if (size == 2) u16(v);
    else if (size == 4) i32(v);
  }
  // A text field holding bytes as they are.
  void raw_text(const std::string& b) {
    i32((int64_t)b.size());
    bytes += b;
  }
  // A text field from UTF-8, in the writer's encoding.
  void text(const std::string& utf8) { raw_text(encoded(utf8)); }
  std::string encoded(const std::string& utf8) const {
    if (encoding != 0) return utf8;
    std::u16string u = to_u16(utf8);
    return std::string(reinterpret_cast<const char*>(u.data()), u.size() * 2);
  }

  // ---- Header ----
  // Signature, version, the globals count, the 8 globals bytes, then extra_globals as they are.
  void header(float version = 2.0f, int globals = 8, const std::string& extra_globals = "") {
    raw("PMX ");
    f32(version);
    u8(globals);
    u8(encoding);
    u8(extra_uv);
    u8(vertex_size);
    u8(texture_size);
    u8(material_size);
    u8(bone_size);
    u8(morph_size);
    u8(body_size);
    raw(extra_globals);
  }
  void model_texts(const std::string& jp, const std::string& en, const std::string& cjp = "c",
                   const std::string& cen = "comment") {
    text(jp);
    text(en);
    text(cjp);
    text(cen);
  }

  // ---- Records (each block: i32 count, then its records) ----
  void vertex(int deform) {
    floats(3, 1.0f);  // position
    floats(3, 0.0f);  // normal
    floats(2, 0.25f); // UV
    for (int i = 0; i < extra_uv; i++) floats(4, 2.0f);
    u8(deform);
    switch (deform) {
      case 0:
        index(bone_size, 1);
        break;
      case 1:
        index(bone_size, 1), index(bone_size, 2), f32(0.5f);
        break;
      case 2:
      case 4:
        for (int k = 0; k < 4; k++) index(bone_size, k);
        floats(4, 0.25f);
        break;
      case 3:
        index(bone_size, 1), index(bone_size, 2), f32(0.5f);
        floats(9);
        break;
      default:
        break;
    }
    f32(1.0f);  // edge scale
  }
  void faces(int triangles) {
    i32(triangles * 3);
    for (int i = 0; i < triangles * 3; i++) index(vertex_size, i % 3);
  }
  void texture(const std::string& path) { text(path); }
  void material(const std::string& name, int toon_shared = 0, int32_t face_vertices = 3) {
    text(name);
    text("mat_en");
    floats(4), floats(3), f32(5.0f), floats(3);
    u8(0x1F);  // drawing flags
    floats(4), f32(1.0f);
    index(texture_size, 0);
    index(texture_size, -1);
    u8(1);  // sphere mode
    u8(toon_shared);
    if (toon_shared == 0) index(texture_size, 0);
    else u8(3);
    text("memo");
    i32(face_vertices);
  }
  // A bone: the flags pick the optional parts; ik_links links with alternate limit flags.
  void bone(const std::string& name, int flags = 0, int ik_links = 0, int layer = 0) {
    text(name);
    text("bone_en");
    floats(3);
    index(bone_size, -1);
    i32(layer);
    u16(flags);
    if (flags & 0x0001) index(bone_size, 3);
    else floats(3);
    if (flags & 0x0300) index(bone_size, 0), f32(0.5f);
    if (flags & 0x0400) floats(3);
    if (flags & 0x0800) floats(6);
    if (flags & 0x2000) i32(77);
    if (flags & 0x0020) {
      index(bone_size, 2);
      i32(40);
      f32(0.1f);
      i32(ik_links);
      for (int k = 0; k < ik_links; k++) {
        index(bone_size, k);
        u8(k % 2);
        if (k % 2 == 1) floats(6);
      }
    }
  }
  // A morph of kind with offsets offsets.
  void morph(const std::string& name, int kind, int offsets = 1) {
    text(name);
    text("morph_en");
    u8(1);  // panel
    u8(kind);
    i32(offsets);
    for (int k = 0; k < offsets; k++) morph_offset(kind);
  }
  void morph_offset(int kind) {
    switch (kind) {
      case 0:
      case 9:
        index(morph_size, 0), f32(1.0f);
        break;
      case 1:
        index(vertex_size, 0), floats(3);
        break;
      case 2:
        index(bone_size, 0), floats(3), floats(4);
        break;
      case 8:
        index(material_size, 0), u8(1), floats(28);
        break;
      case 10:
        index(body_size, 0), u8(1), floats(3), floats(3);
        break;
      default:  // 3 to 7
        index(vertex_size, 0), floats(4);
        break;
    }
  }
  // A display frame with bones bone elements and morphs morph elements.
  void frame(const std::string& name, int bones = 1, int morphs = 1) {
    text(name);
    text("frame_en");
    u8(0);
    i32(bones + morphs);
    for (int k = 0; k < bones; k++) u8(0), index(bone_size, k);
    for (int k = 0; k < morphs; k++) u8(1), index(morph_size, k);
  }
  void body(const std::string& name) {
    text(name);
    text("body_en");
    index(bone_size, 0);
    u8(1);
    u16(0xFFFF);
    u8(1);
    floats(9);
    floats(5);
    u8(0);
  }
  void joint(const std::string& name, int type = 0) {
    text(name);
    text("joint_en");
    u8(type);
    index(body_size, 0);
    index(body_size, 1);
    floats(24);
  }
  // A 2.1 soft body tail: not interpreted by the reader, only counted.
  void soft_body_tail() {
    i32(1);
    text("soft");
    text("soft_en");
    u8(0);
    for (int i = 0; i < 100; i++) u8(i);
  }

  // ---- Whole files ----
  // A model with no vertices, faces, textures or materials, the given bones and morphs, and no frames,
  // bodies or joints.
  static std::string simple(const std::vector<std::string>& bones, const std::vector<std::string>& morphs,
                            uint8_t enc = 0, const std::string& jp = "model", const std::string& en = "model_en") {
    PmxWriter w;
    w.encoding = enc;
    w.header();
    w.model_texts(jp, en);
    w.i32(0);  // vertices
    w.i32(0);  // faces
    w.i32(0);  // textures
    w.i32(0);  // materials
    w.i32((int64_t)bones.size());
    for (const std::string& b : bones) w.bone(b);
    w.i32((int64_t)morphs.size());
    for (const std::string& m : morphs) w.morph(m, 1);
    w.i32(0);  // frames
    w.i32(0);  // bodies
    w.i32(0);  // joints
    return w.bytes;
  }
};
