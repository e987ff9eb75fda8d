// skeletons.h: skeleton records (formats/pmx.h's PmxSkeleton, as the PMX reader keeps them) built in
// memory for the pose tests, the fuzz target and the benchmarks: a standard model with the whole
// semi-standard set, each semi-standard bone where the folds assume it, and the same with bones taken
// out. Names are given in UTF-8 and kept in Shift-JIS.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/pmx.h"
#include "support/pmxwriter.h"
#include "text/encoding.h"

// One bone: its name, its parent's name ("" a root), its rest position, flags, and what it inherits
// (source "" none) or, for an IK bone, its target and links (limited: the first link, the knee).
struct SkelBone {
  std::string name, parent;
  float x, y, z;
  uint16_t flags;
  std::string inherit;
  float weight;
  std::string ik_target;
  std::vector<std::string> links;
};

inline std::string skel_sjis(const std::string& utf8) {
  char out[256];
  utf8_to_sjis_compat(out, sizeof out, utf8.c_str());
  return out;
}

// The record of bones (names resolved to indices; an unknown name is -1).
inline std::unique_ptr<PmxSkeleton> skel_make(const std::vector<SkelBone>& bones) {
  auto s = std::make_unique<PmxSkeleton>();
  std::memset(s.get(), 0, sizeof(PmxSkeleton));
  auto index = [&](const std::string& name) {
    for (size_t i = 0; i < bones.size(); i++) {
      if (bones[i].name == name) return (int32_t)i;
    }
    return (int32_t)-1;
  };
  for (size_t i = 0; i < bones.size() && i < (size_t)PMX_BONES; i++) {
    const SkelBone& b = bones[i];
    PmxBone& p = s->bone[i];
    std::string name = skel_sjis(b.name);
    std::memcpy(p.name, name.c_str(), name.size() < (size_t)PMX_BONE_NAME ? name.size() : PMX_BONE_NAME - 1);
    p.flags = b.flags;
    p.position[0] = b.x, p.position[1] = b.y, p.position[2] = b.z;
    p.parent = b.parent.empty() ? -1 : index(b.parent);
    p.inherit = b.inherit.empty() ? -1 : index(b.inherit);
    p.inherit_weight = b.weight;
    p.ik_target = b.ik_target.empty() ? -1 : index(b.ik_target);
    p.ik_loops = 40;
    p.ik_limit = 0.1f;
    p.link_first = s->link_count;
    for (size_t k = 0; k < b.links.size(); k++) {
      PmxIkLink& l = s->link[s->link_count++];
      l.bone = index(b.links[k]);
      l.limited = k == 0;
      l.lower[0] = -3.14f, l.upper[0] = -0.01f;
    }
    p.link_count = (int32_t)b.links.size();
  }
  s->bone_count = s->declared = (int32_t)bones.size();
  s->whole = 1;
  return s;
}

constexpr uint16_t SKEL_ROT = 0x001B;    // tail bone, rotates, visible, operable
constexpr uint16_t SKEL_MOVE = 0x001F;   // and translates
constexpr uint16_t SKEL_INHERIT = 0x0100;
constexpr uint16_t SKEL_IK = 0x0020;

// A standard model with the whole semi-standard set, both sides, every semi-standard bone at the place
// the folds assume for it (so putting one back gives this skeleton again), and a few hair bones.
inline std::vector<SkelBone> skel_semi_standard() {
  std::vector<SkelBone> v = {
      {"全ての親", "", 0, 0, 0, SKEL_MOVE, "", 0, "", {}},
      {"センター", "全ての親", 0, 9.0f, 0, SKEL_MOVE, "", 0, "", {}},
      {"グルーブ", "センター", 0, 9.2f, 0, SKEL_MOVE, "", 0, "", {}},
      {"腰", "グルーブ", 0, 10.9f, 0.1f, SKEL_MOVE, "", 0, "", {}},
      {"上半身", "腰", 0, 11.7f, 0, SKEL_ROT, "", 0, "", {}},
      {"上半身2", "上半身", 0, 13.0f, 0.1f, SKEL_ROT, "", 0, "", {}},
      {"首", "上半身2", 0, 15.6f, 0.3f, SKEL_ROT, "", 0, "", {}},
      {"頭", "首", 0, 17.0f, 0.2f, SKEL_ROT, "", 0, "", {}},
      {"両目", "頭", 0, 17.9f, -0.5f, SKEL_ROT, "", 0, "", {}},
      {"髪1", "頭", 0, 18.5f, 0.6f, SKEL_ROT, "", 0, "", {}},
      {"髪2", "髪1", 0, 16.5f, 1.0f, SKEL_ROT, "", 0, "", {}},
      {"下半身", "腰", 0, 11.5f, 0.1f, SKEL_ROT, "", 0, "", {}},
  };
  for (int side = 0; side < 2; side++) {
    std::string s = side == 0 ? "左" : "右";
    float k = side == 0 ? 1.0f : -1.0f;
    std::vector<SkelBone> b = {
        {s + "目", "頭", k * 0.3f, 17.9f, -0.5f, SKEL_ROT | SKEL_INHERIT, "両目", 1.0f, "", {}},
        {s + "肩P", "上半身2", k * 0.3f, 15.4f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "肩", s + "肩P", k * 0.3f, 15.4f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "肩C", s + "肩", k * 1.3f, 15.0f, 0, SKEL_ROT | SKEL_INHERIT, s + "肩P", -1.0f, "", {}},
        {s + "腕", s + "肩C", k * 1.3f, 15.0f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "腕捩", s + "腕", k * 2.74f, 14.04f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "ひじ", s + "腕捩", k * 3.7f, 13.4f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "手捩", s + "ひじ", k * 5.2f, 12.38f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "手首", s + "手捩", k * 6.2f, 11.7f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "親指０", s + "手首", k * 6.3f, 11.6f, -0.5f / 3.0f, SKEL_ROT, "", 0, "", {}},
        {s + "親指１", s + "親指０", k * 6.5f, 11.4f, -0.5f, SKEL_ROT, "", 0, "", {}},
        {s + "親指２", s + "親指１", k * 6.8f, 11.2f, -0.7f, SKEL_ROT, "", 0, "", {}},
        {s + "人指１", s + "手首", k * 7.1f, 11.5f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "人指２", s + "人指１", k * 7.5f, 11.2f, 0, SKEL_ROT, "", 0, "", {}},
        {"腰キャンセル" + s, "下半身", k * 0.9f, 10.5f, 0.1f, SKEL_ROT | SKEL_INHERIT, "腰", -1.0f, "", {}},
        {s + "足", "腰キャンセル" + s, k * 0.9f, 10.5f, 0.1f, SKEL_ROT, "", 0, "", {}},
        {s + "ひざ", s + "足", k * 0.9f, 5.8f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "足首", s + "ひざ", k * 0.9f, 1.3f, 0, SKEL_ROT, "", 0, "", {}},
        {s + "つま先", s + "足首", k * 0.9f, 0, -1.3f, SKEL_ROT, "", 0, "", {}},
        {s + "足D", "腰キャンセル" + s, k * 0.9f, 10.5f, 0.1f, SKEL_ROT | SKEL_INHERIT, s + "足", 1.0f, "", {}},
        {s + "ひざD", s + "足D", k * 0.9f, 5.8f, 0, SKEL_ROT | SKEL_INHERIT, s + "ひざ", 1.0f, "", {}},
        {s + "足首D", s + "ひざD", k * 0.9f, 1.3f, 0, SKEL_ROT | SKEL_INHERIT, s + "足首", 1.0f, "", {}},
        {s + "足IK親", "全ての親", k * 0.9f, 0, 0, SKEL_MOVE, "", 0, "", {}},
        {s + "足ＩＫ", s + "足IK親", k * 0.9f, 1.3f, 0, SKEL_MOVE | SKEL_IK, "", 0, s + "足首", {s + "ひざ", s + "足"}},
        {s + "つま先ＩＫ", s + "足ＩＫ", k * 0.9f, 0, -1.3f, SKEL_MOVE | SKEL_IK, "", 0, s + "つま先", {s + "足首"}},
    };
    v.insert(v.end(), b.begin(), b.end());
  }
  return v;
}

// bones without those named (UTF-8): a child goes under the parent of a bone taken out, a bone that
// inherits from one keeps its flags and weight but no source, as a model that lacks the bone has them.
inline std::vector<SkelBone> skel_without(std::vector<SkelBone> bones, const std::vector<std::string>& names) {
  auto gone = [&](const std::string& n) {
    for (const std::string& g : names) {
      if (g == n) return true;
    }
    return false;
  };
  auto parent_of = [&](const std::string& n) {
    for (const SkelBone& b : bones) {
      if (b.name == n) return b.parent;
    }
    return std::string();
  };
  std::vector<SkelBone> out;
  for (SkelBone b : bones) {
    if (gone(b.name)) continue;
    while (!b.parent.empty() && gone(b.parent)) b.parent = parent_of(b.parent);
    if (gone(b.inherit)) b.inherit = "";
    out.push_back(b);
  }
  return out;
}

// A copy of a skeleton record without the bones named (UTF-8), as skel_without does it: children go up,
// inheritors keep their flags and weight without a source, IK links to a bone taken out are dropped.
inline std::unique_ptr<PmxSkeleton> skel_strip(const PmxSkeleton& sk, const std::vector<std::string>& names) {
  auto out = std::make_unique<PmxSkeleton>();
  std::memset(out.get(), 0, sizeof(PmxSkeleton));
  std::vector<int> map((size_t)sk.bone_count, -1);
  std::vector<bool> gone((size_t)sk.bone_count, false);
  for (int i = 0; i < sk.bone_count; i++) {
    for (const std::string& n : names) gone[i] = gone[i] || skel_sjis(n) == sk.bone[i].name;
  }
  int n = 0;
  for (int i = 0; i < sk.bone_count; i++) {
    if (!gone[i]) map[i] = n++;
  }
  auto up = [&](int p) {
    while (p >= 0 && gone[p]) p = sk.bone[p].parent;
    return p;
  };
  for (int i = 0; i < sk.bone_count; i++) {
    if (gone[i]) continue;
    PmxBone b = sk.bone[i];
    int p = up(b.parent);
    b.parent = p >= 0 ? map[p] : -1;
    if (b.inherit >= 0) b.inherit = gone[b.inherit] ? -1 : map[b.inherit];
    if (b.ik_target >= 0) b.ik_target = map[b.ik_target];
    int first = out->link_count, count = 0;
    for (int k = 0; k < b.link_count; k++) {
      PmxIkLink l = sk.link[b.link_first + k];
      if (gone[l.bone]) continue;
      l.bone = map[l.bone];
      out->link[out->link_count++] = l;
      count++;
    }
    b.link_first = first;
    b.link_count = count;
    out->bone[map[i]] = b;
  }
  out->bone_count = out->declared = n;
  out->whole = 1;
  return out;
}

// The bones as a PMX model file (2.0, UTF-16 texts, no vertices, faces, textures, materials, morphs,
// frames, bodies or joints), for the tool's own runs: each bone with its rest position, parent, flags,
// inherit source and weight, and IK target and links as the record above has them.
inline std::string skel_pmx(const std::vector<SkelBone>& bones, const std::string& name = "skeleton") {
  PmxWriter w;
  w.header();
  w.model_texts(name, "skeleton");
  for (int i = 0; i < 4; i++) w.i32(0);  // vertices, faces, textures, materials
  auto index = [&](const std::string& n) {
    for (size_t i = 0; i < bones.size(); i++) {
      if (bones[i].name == n) return (int32_t)i;
    }
    return (int32_t)-1;
  };
  w.i32((int64_t)bones.size());
  for (const SkelBone& b : bones) {
    w.text(b.name);
    w.text("");
    w.f32(b.x), w.f32(b.y), w.f32(b.z);
    w.index(w.bone_size, b.parent.empty() ? -1 : index(b.parent));
    w.i32(0);
    w.u16(b.flags);
    if (b.flags & 0x0001) w.index(w.bone_size, -1);
    else w.floats(3, 0.0f);
    if (b.flags & 0x0300) w.index(w.bone_size, b.inherit.empty() ? -1 : index(b.inherit)), w.f32(b.weight);
    if (b.flags & SKEL_IK) {
      w.index(w.bone_size, index(b.ik_target));
      w.i32(40);
      w.f32(0.1f);
      w.i32((int64_t)b.links.size());
      for (size_t k = 0; k < b.links.size(); k++) {
        w.index(w.bone_size, index(b.links[k]));
        w.u8(k == 0 ? 1 : 0);
        if (k == 0) w.f32(-3.14f), w.f32(0), w.f32(0), w.f32(-0.01f), w.f32(0), w.f32(0);
      }
    }
  }
  for (int i = 0; i < 4; i++) w.i32(0);  // morphs, frames, bodies, joints
  return w.bytes;
}
