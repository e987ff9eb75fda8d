// vmdwriter.h: builds VMD motion files in memory for the tests, field by field, little-endian.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>

struct VmdWriter {
  std::string bytes;

  void raw(const std::string& s) { bytes += s; }
  void u8(int v) { bytes += (char)(v & 0xFF); }
  void i32(int32_t v) {
    for (int i = 0; i < 4; i++) bytes += (char)(((uint32_t)v >> (8 * i)) & 0xFF);
  }
  void f32(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    i32((int32_t)v);
  }
  // A name field of size bytes: the name, padded with 0 bytes (no terminator when it fills the field).
  void name(const std::string& s, size_t size) {
    std::string field = s.substr(0, size);
    field.resize(size, '\0');
    bytes += field;
  }
  // The 30-byte signature with the given version and the 20-byte model name.
  void header(const std::string& model, const char* version = "0002") {
    std::string sig = std::string("Vocaloid Motion Data ") + version;
    name(sig, 30);
    name(model, 20);
  }
  void bone(const std::string& n, int32_t frame, float px, float py, float pz, float qx, float qy, float qz,
            float qw) {
    name(n, 15);
    i32(frame);
    f32(px), f32(py), f32(pz);
    f32(qx), f32(qy), f32(qz), f32(qw);
    for (int i = 0; i < 64; i++) u8(20 + i % 100);
  }
  void morph(const std::string& n, int32_t frame, float weight) {
    name(n, 15);
    i32(frame);
    f32(weight);
  }
  void camera(int32_t frame) {
    i32(frame);
    for (int i = 0; i < 7; i++) f32(1.0f + i);
    for (int i = 0; i < 24; i++) u8(20 + i);
    i32(30);
    u8(0);
  }
  void light(int32_t frame) {
    i32(frame);
    for (int i = 0; i < 6; i++) f32(0.5f);
  }
  void shadow(int32_t frame) {
    i32(frame);
    u8(1);
    f32(0.1f);
  }
  void show_ik(int32_t frame, int iks) {
    i32(frame);
    u8(1);
    i32(iks);
    for (int i = 0; i < iks; i++) {
      name("IK" + std::to_string(i), 20);
      u8(1);
    }
  }
};
