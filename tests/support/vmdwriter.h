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
  // The 64 interpolation bytes of a bone key: one curve (x1, y1, x2, y2, bytes 0 to 127) per channel X,
  // Y, Z, R, and the two bytes that are no curve (P1, P2) in places 2 and 3; rows 1 to 3 repeat the
  // curve row (with Z.x1 and R.x1 in places 2 and 3) shifted left by 1, 2 and 3 bytes.
  static std::string curves(const int (&c)[4][4], int p1 = 0, int p2 = 0) {
    unsigned char row[16];
    for (int ch = 0; ch < 4; ch++) {
      row[ch] = (unsigned char)c[ch][0];
      row[4 + ch] = (unsigned char)c[ch][1];
      row[8 + ch] = (unsigned char)c[ch][2];
      row[12 + ch] = (unsigned char)c[ch][3];
    }
    std::string out(64, '\0');
    for (int r = 0; r < 4; r++) {
      for (int i = 0; i + r < 16; i++) out[16 * r + i] = (char)row[i + r];
    }
    out[2] = (char)p1;
    out[3] = (char)p2;
    return out;
  }
  // A bone key with the given interpolation bytes (64 of them).
  void bone_key(const std::string& n, int32_t frame, const float (&pos)[3], const float (&rot)[4],
                const std::string& interpolation) {
    name(n, 15);
    i32(frame);
    for (float f : pos) f32(f);
    for (float f : rot) f32(f);
    bytes += interpolation.substr(0, 64);
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
