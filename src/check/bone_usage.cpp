// bone_usage.cpp: the bone usage records, updated key by key while the motion is read, and the first
// half of the report page: the header lines, one line per moving standard or finger bone, and the
// names that no vocabulary knows.
//
// Record: bone_usage, one record per entry of the bone list, entries 1 to 8191 (entry 0 unused); keys
// that resolve to a higher entry are not counted. Written by bone_usage_reset/bone_usage_add (the
// motion reader), read by report_bones.
// Statistics are 32-bit floats, computed in single precision as the motion stores them.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "check/names.h"
#include "check/report_page.h"
#include "check/usage.h"
#include "formats/pmx.h"
#include "formats/vmd.h"
#include "text/encoding.h"

static BoneUsage bone_usage[BONE_RECORDS];

static const BoneUsage BONE_INITIAL = {0, 999999, -1, 0, 0.0f, 0.0f, 0.0f, -1, 0.0f, -1};

// ---- Names of the bones with a twist ---------------------------------------------------------------------

// Shift-JIS spellings: 左腕捩 左手捩 右腕捩 右手捩 (twist bones), 左腕 左ひじ 右腕 右ひじ (arm bones).
static const char* const TWIST_BONES[4] = {"\x8D\xB6\x98\x72\x9D\x80", "\x8D\xB6\x8E\xE8\x9D\x80",
                                           "\x89\x45\x98\x72\x9D\x80", "\x89\x45\x8E\xE8\x9D\x80"};
static const char* const ARM_BONES[4] = {"\x8D\xB6\x98\x72", "\x8D\xB6\x82\xD0\x82\xB6", "\x89\x45\x98\x72",
                                         "\x89\x45\x82\xD0\x82\xB6"};
// The arm bones' fixed twist axes, in the order of ARM_BONES.
static const float ARM_AXES[4][3] = {{0.819742f, -0.572734f, 0.0f},
                                     {0.759228f, -0.650821f, -0.00236674f},
                                     {0.819742f, 0.572734f, 0.0f},
                                     {0.759228f, 0.650821f, 0.00236674f}};

// Bones flagged without a model: 上半身２ 左足ＩＫ親 右足ＩＫ親 red, 上半身3 yellow.
static const char UPPER2_FULLWIDTH[] = "\x8F\xE3\x94\xBC\x90\x67\x82\x51";
static const char UPPER3[] = "\x8F\xE3\x94\xBC\x90\x67\x33";
static const char LEFT_LEG_IK_PARENT[] = "\x8D\xB6\x91\xAB\x82\x68\x82\x6A\x90\x65";
static const char RIGHT_LEG_IK_PARENT[] = "\x89\x45\x91\xAB\x82\x68\x82\x6A\x90\x65";
// 左親指０ with a trailing space: listed in quotes so that the space shows.
static const char LEFT_THUMB0_SPACE[] = "\x8D\xB6\x90\x65\x8E\x77\x82\x4F ";

static int bone_index_of(const char* const* names, const char* name) {
  for (int i = 0; i < 4; i++) {
    if (std::strcmp(names[i], name) == 0) return i;
  }
  return -1;
}

// ---- Records ------------------------------------------------------------------------------------------------

void bone_usage_reset() {
  for (int i = 0; i < BONE_RECORDS; i++) bone_usage[i] = BONE_INITIAL;
}

// The twist of rotation q about the unit axis a: the vector part's component along the axis with w,
// normalised; made canonical (w not negative). Returns false for the identity.
static bool bone_twist_about(const float q[4], const float a[3], float out[4]) {
  float d = q[0] * a[0] + q[1] * a[1] + q[2] * a[2];
  float t[4] = {d * a[0], d * a[1], d * a[2], q[3]};
  float len = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2] + t[3] * t[3]);
  if (len < 1e-6f) return false;
  for (int i = 0; i < 4; i++) out[i] = t[i] / len;
  if (out[3] < 0.0f) {
    for (int i = 0; i < 4; i++) out[i] = -out[i];
  }
  return true;
}

static void bone_twist(BoneUsage& r, const BoneKey& key) {
  // Every twist and arm bone begins with 左 (0x8D 0xB6) or 右 (0x89 0x45): a cheap test for all others.
  unsigned char first = (unsigned char)key.name[0];
  if (first != 0x8D && first != 0x89) return;
  float q[4] = {key.qx, key.qy, key.qz, key.qw};
  float t[4];
  if (bone_index_of(TWIST_BONES, key.name) >= 0) {
    if (q[3] < 0.0f) {
      for (int i = 0; i < 4; i++) q[i] = -q[i];
    }
    for (int i = 0; i < 4; i++) t[i] = q[i];
  } else {
    int arm = bone_index_of(ARM_BONES, key.name);
    if (arm < 0) return;
    if (q[3] < 0.0f) {
      for (int i = 0; i < 4; i++) q[i] = -q[i];
    }
    const float* axis = ARM_AXES[arm];
    float alen = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    float a[3] = {axis[0] / alen, axis[1] / alen, axis[2] / alen};
    if (!bone_twist_about(q, a, t)) {
      t[0] = t[1] = t[2] = 0.0f;
      t[3] = 1.0f;
    }
  }
  float magnitude = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
  if (!(t[0] < 0.0f)) {
    if (magnitude > r.twist_pos) {
      r.twist_pos = magnitude;
      r.twist_pos_frame = key.frame;
    }
  } else if (magnitude > r.twist_neg) {
    r.twist_neg = magnitude;
    r.twist_neg_frame = key.frame;
  }
}

void bone_usage_add(int entry, const BoneKey& key) {
  if (entry < 1 || entry >= BONE_RECORDS) return;
  BoneUsage& r = bone_usage[entry];
  r.key_count++;
  if (key.frame < r.first_frame) r.first_frame = key.frame;
  if (key.frame > r.last_frame) r.last_frame = key.frame;
  if (std::fabs(key.qx) > 0.01f || std::fabs(key.qy) > 0.01f || std::fabs(key.qz) > 0.01f ||
      std::fabs(key.px) > 0.01f || std::fabs(key.py) > 0.01f || std::fabs(key.pz) > 0.01f) {
    r.moves = 0xFF;
  }
  float offset = std::sqrt(key.px * key.px + key.py * key.py + key.pz * key.pz);
  if (offset > r.max_offset) r.max_offset = offset;
  float rot = std::sqrt(key.qx * key.qx + key.qy * key.qy + key.qz * key.qz);
  if (rot > r.max_rotation) r.max_rotation = rot;
  bone_twist(r, key);
}

// ---- Shared by both listings ------------------------------------------------------------------------------

bool usage_have_model() {
  const ModelTables* m = model_view();
  return m->bone_count != 0 || m->morph_count != 0;
}

void usage_display_name(const ReportContext& ctx, int alias_list, const char* name, char* out) {
  if (ctx.alias_mode) {
    names_rename(alias_list, name, out, USAGE_TEXT);
  } else {
    std::strncpy(out, name, USAGE_TEXT - 1);
    out[USAGE_TEXT - 1] = 0;
  }
}

static bool bone_in_model(const char* name) {
  const ModelTables* m = model_view();
  for (int i = 0; i < m->bone_count && i < MODEL_BONES; i++) {
    if (std::strcmp(m->bone[i], name) == 0) return true;
  }
  return false;
}

// ---- The page ---------------------------------------------------------------------------------------------

// Degrees of the angle whose half has sine s.
static double bone_angle(float s) {
  double c = s;
  if (c > 1.0) c = 1.0;
  if (c < -1.0) c = -1.0;
  return 2.0 * std::asin(c) * 180.0 * 0.31830988148145367;
}

static const BoneUsage& bone_record(int entry) {
  return entry >= 1 && entry < BONE_RECORDS ? bone_usage[entry] : BONE_INITIAL;
}

const BoneUsage* bone_usage_view(int entry) { return &bone_record(entry); }

int bone_name_width(const ReportContext& ctx) {
  static char shown[USAGE_TEXT];
  int width = 0;
  int count = names_count(LIST_BONES);
  for (int e = 1; e <= count; e++) {
    if (names_group_of(LIST_BONES, e) != 1) continue;
    const BoneUsage& r = bone_record(e);
    if (r.key_count < 1 || !r.moves) continue;
    usage_display_name(ctx, LIST_BONE_ALIAS, names_entry(LIST_BONES, e), shown);
    int len = (int)std::strlen(shown);
    if (len > width) width = len;
  }
  return width;
}

// Appends printf-formatted text to buf (USAGE_TEXT bytes), never past its end.
static void bone_append(char* buf, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
static void bone_append(char* buf, const char* fmt, ...) {
  size_t used = std::strlen(buf);
  if (used >= USAGE_TEXT - 1) return;
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf + used, USAGE_TEXT - used, fmt, ap);
  va_end(ap);
}

static void bone_line(const ReportContext& ctx, int entry, int width) {
  static char shown[USAGE_TEXT];
  static char text[USAGE_TEXT];
  const char* name = names_entry(LIST_BONES, entry);
  const BoneUsage& r = bone_record(entry);
  if (usage_have_model()) {
    if (bone_in_model(name)) report_set_colour(255, 255, 255);
    else report_set_colour(255, 120, 0);
  } else if (std::strcmp(name, UPPER2_FULLWIDTH) == 0 || std::strcmp(name, LEFT_LEG_IK_PARENT) == 0 ||
             std::strcmp(name, RIGHT_LEG_IK_PARENT) == 0) {
    report_set_colour(255, 0, 0);
  } else if (std::strcmp(name, UPPER3) == 0) {
    report_set_colour(255, 240, 0);
  } else {
    report_set_colour(150, 150, 150);
  }
  usage_display_name(ctx, LIST_BONE_ALIAS, name, shown);
  text[0] = 0;
  bone_append(text, "  %s", shown);
  for (int pad = width - (int)std::strlen(shown); pad > 0; pad--) bone_append(text, " ");
  bone_append(text, "  (%d keys) (frame %d - %d) ", r.key_count, r.first_frame, r.last_frame);
  if (r.max_offset > 0.01f) bone_append(text, "(|pos|=%g) ", (double)r.max_offset);
  bool twist_bone = bone_index_of(TWIST_BONES, name) >= 0;
  if (!twist_bone && r.max_rotation > 0.01f) bone_append(text, "(rot%6.1f) ", bone_angle(r.max_rotation));
  if ((twist_bone || bone_index_of(ARM_BONES, name) >= 0) && (r.twist_neg > 0.01f || r.twist_pos > 0.01f)) {
    float neg = (float)bone_angle(r.twist_neg);
    float pos = (float)bone_angle(r.twist_pos);
    if (neg < pos) bone_append(text, "(tws%6.1f (at %d)) ", (double)pos, r.twist_pos_frame);
    else bone_append(text, "(tws%6.1f (at %d)) ", (double)neg, r.twist_neg_frame);
  }
  report_put(text);
  report_end_line();
}

static void bone_unknown_name(const ReportContext& ctx, int entry) {
  static char shown[USAGE_TEXT];
  static char text[USAGE_TEXT];
  char name[NAME_BYTES];
  std::strncpy(name, names_entry(LIST_BONES, entry), NAME_BYTES - 1);
  name[NAME_BYTES - 1] = 0;
  usage_display_name(ctx, LIST_BONE_ALIAS, name, shown);
  cut_broken_tail(shown);
  cut_broken_tail(name);
  if (usage_have_model()) {
    if (bone_in_model(name)) report_set_colour(255, 255, 255);
    else report_set_colour(255, 120, 0);
  } else {
    report_set_colour(150, 150, 150);
  }
  if (std::strcmp(name, LEFT_THUMB0_SPACE) == 0) std::snprintf(text, USAGE_TEXT, "  \"%s\"", shown);
  else std::snprintf(text, USAGE_TEXT, "  %s", shown);
  if ((int)std::strlen(name) + report_view()->cursor + 2 >= 80) report_end_line();
  report_put(text);
}

void report_bones(const ReportContext& ctx) {
  static char text[USAGE_TEXT];
  report_reset();
  report_end_line();
  if (ctx.motion_path != nullptr && ctx.motion_path[0] != 0) {
    report_put(ctx.motion_path);
    report_end_line();
  }
  report_end_line();
  char model[VMD_MODEL_NAME];
  std::memcpy(model, vmd_model_name(), sizeof model);
  model[VMD_MODEL_NAME - 1] = 0;
  if (model[0] != 0) {
    cut_broken_tail(model);
    // "元モデル名: %s  (VMD) "
    std::snprintf(text, USAGE_TEXT, ctx.alias_mode ? "Source model: %s  (VMD) " : "\x8C\xB3\x83\x82\x83\x66\x83\x8B\x96\xBC: %s  (VMD) ", model);
    report_put(text);
    report_end_line();
  }
  // "想定使用先: %s  (PMX) "
  std::snprintf(text, USAGE_TEXT, ctx.alias_mode ? "Target model: %s  (PMX) " : "\x91\x7A\x92\xE8\x8E\x67\x97\x70\x90\xE6: %s  (PMX) ",
                model_view()->display_name);
  report_put(text);
  report_end_line();
  int width = bone_name_width(ctx);
  report_set_colour(255, 255, 255);
  report_end_line();
  // "使用ボーン: "
  report_put(ctx.alias_mode ? "Bones: " : "\x8E\x67\x97\x70\x83\x7B\x81\x5B\x83\x93: ");
  report_end_line();

  int previous = 0;
  int t = 0;  // 0 nothing pending, 1 bone lines were written, -1 a line of names is open
  int count = names_count(LIST_BONES);
  for (int e = 1; e <= count; e++) {
    int group = names_group_of(LIST_BONES, e);
    const BoneUsage& r = bone_record(e);
    if (group == 2 && !(r.key_count >= 1 && r.moves && r.max_offset > 0.05f)) continue;
    if (group == 3) continue;
    if (group != previous) {
      previous = group;
      if (group >= 3 && t != 0) {
        report_put("     ");
        report_end_line();
      }
      t = 0;
    }
    if (group == 1 || group == 2) {
      if (r.key_count >= 1 && r.moves) {
        bone_line(ctx, e, width);
        t = 1;
      }
    } else if (group == 4) {
      if (r.max_offset > 0.01f || r.max_rotation > 0.01f) {
        bone_unknown_name(ctx, e);
        t = -1;
      }
    }
  }
  if (t == -1) report_end_line();
  if (t != 0) report_end_line();
  report_set_colour(255, 255, 255);
  report_end_line();
}
