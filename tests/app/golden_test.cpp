// Golden pages: velmora-report --json, run as its own process, on a motion and a model built here: the
// motion alone, the model then the motion, the motion then the model, and the motion in alias mode.
// Every line is compared whole, colour included; the expectations are written out from the rules of
// the page, not from the program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/pmxwriter.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

const char* WHITE = "#ffffff";
const char* GREY = "#969696";
const char* ORANGE = "#ff7800";
const char* RED = "#ff0000";
const char* YELLOW = "#fff000";
const char* BLACK = "#000000";

std::string run_tool(const std::string& args) {
  std::string cmd = std::string(VELMORA_REPORT_EXE) + " --json " + args;
  FILE* p = popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

std::string esc(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') out += std::string("\\") + c;
    else out += c;
  }
  return out;
}

struct Line {
  const char* colour;
  std::string text;
};

std::string object(const std::string& file, const char* kind, int read, const char* verdict,
                   const std::vector<Line>& lines) {
  std::string s = "{\"file\":\"" + esc(file) + "\",\"kind\":\"" + kind + "\",\"read\":" + std::to_string(read) +
                  ",\"verdict\":\"" + verdict + "\",\"error\":null,\"cut\":null,\"fitted\":null,\"lines\":[";
  for (size_t i = 0; i < lines.size(); i++) {
    s += (i ? ",[\"" : "[\"") + std::string(lines[i].colour) + "\",\"" + esc(lines[i].text) + "\"]";
  }
  return s + "],\"summary\":\"(OK): そのままで使用可能です. \"}\n";
}

// The motion: standard bones (one flagged red, one yellow, an arm with a twist), a finger, a name of a
// vocabulary pattern, two unknown names (one that barely moves), and morphs standard and unknown.
std::string motion() {
  VmdWriter w;
  w.header(to_sjis("テストモデル"));
  float ax = 0.819742f, ay = -0.572734f;
  float len = std::sqrt(ax * ax + ay * ay);
  float s15 = std::sin(15.0f * 3.14159265f / 180.0f), c15 = std::cos(15.0f * 3.14159265f / 180.0f);
  w.i32(9);
  w.bone(to_sjis("センター"), 0, 0, 1.5f, 0, 0, 0, 0, 1);
  w.bone(to_sjis("センター"), 10, 0, 0.5f, 0, 0, 0, 0, 1);
  w.bone(to_sjis("上半身２"), 5, 0, 0, 0, 0.1f, 0, 0, 0.99498744f);
  w.bone(to_sjis("上半身3"), 5, 0, 0, 0, 0, 0.2f, 0, 0.9797959f);
  w.bone(to_sjis("左腕"), 20, 0, 0, 0, s15 * ax / len, s15 * ay / len, 0, c15);
  w.bone(to_sjis("右人指１"), 3, 0.1f, 0, 0, 0, 0, 0, 1);
  w.bone(to_sjis("髪1"), 1, 1, 0, 0, 0, 0, 0, 1);
  w.bone(to_sjis("謎ボーン"), 2, 0.5f, 0, 0, 0, 0, 0, 1);
  w.bone(to_sjis("ＸＹＺ"), 2, 0.005f, 0, 0, 0, 0, 0, 1);
  w.i32(5);
  w.morph(to_sjis("まばたき"), 0, 1.0f);
  w.morph(to_sjis("まばたき"), 30, 0.0f);
  w.morph(to_sjis("∧"), 5, 0.5f);
  w.morph(to_sjis("謎モーフ"), 7, 0.75f);
  w.morph(to_sjis("あ"), 1, 0.0f);
  w.i32(0);
  w.i32(0);
  w.i32(0);
  w.i32(0);
  return w.bytes;
}

std::string model() {
  return PmxWriter::simple({"センター", "左腕", "上半身3", "謎ボーン"}, {"まばたき"}, 0, "テストPMX", "test");
}

class Golden : public ::testing::Test {
 protected:
  TempDir dir;
  std::string vmd, pmx;
  void SetUp() override {
    vmd = dir.file("motion.vmd");
    pmx = dir.file("model.pmx");
    write_file(vmd, motion());
    write_file(pmx, model());
  }
};

}  // namespace

TEST_F(Golden, MotionAlone) {
  std::vector<Line> page = {
      {BLACK, ""},
      {WHITE, vmd},
      {WHITE, ""},
      {WHITE, "元モデル名: テストモデル  (VMD) "},
      {WHITE, "想定使用先:   (PMX) "},
      {WHITE, ""},
      {WHITE, "使用ボーン: "},
      {GREY, "  センター  (2 keys) (frame 0 - 10) (|pos|=1.5) "},
      {GREY, "  左腕      (1 keys) (frame 20 - 20) (rot  30.0) (tws  30.0 (at 20)) "},
      {RED, "  上半身２  (1 keys) (frame 5 - 5) (rot  11.5) "},
      {YELLOW, "  上半身3   (1 keys) (frame 5 - 5) (rot  23.1) "},
      {GREY, "  右人指１  (1 keys) (frame 3 - 3) (|pos|=0.1) "},
      {GREY, "     "},
      {GREY, "  謎ボーン"},
      {GREY, ""},
      {GREY, ""},
      {WHITE, "使用モーフ(表情): "},
      {GREY, "  Λ         (1 keys) (frame 5 - 5) (val 0.5 - 0.5) \n"},
      {GREY, "  まばたき  (2 keys) (frame 0 - 30) (val 0 - 1) \n"},
      {GREY, "     "},
      {GREY, "  謎モーフ  (1 keys) (frame 7 - 7) (val 0.75 - 0.75) \n"},
      {GREY, ""},
      {GREY, ""},
      {GREY, ""},
  };
  EXPECT_EQ(run_tool("--no-alias " + vmd), object(vmd, "motion", 0, "no model", page));
}

TEST_F(Golden, ModelThenMotion) {
  std::vector<Line> model_page = {
      {BLACK, ""}, {WHITE, pmx}, {WHITE, ""}, {WHITE, "想定使用先: テストPMX  (PMX) "}, {WHITE, ""},
      {WHITE, "使用ボーン: "}, {WHITE, ""}, {WHITE, "使用モーフ(表情): "}, {WHITE, ""}, {WHITE, ""}, {WHITE, ""},
  };
  std::vector<Line> motion_page = {
      {BLACK, ""},
      {WHITE, vmd},
      {WHITE, ""},
      {WHITE, "元モデル名: テストモデル  (VMD) "},
      {WHITE, "想定使用先: テストPMX  (PMX) "},
      {WHITE, ""},
      {WHITE, "使用ボーン: "},
      {WHITE, "  センター  (2 keys) (frame 0 - 10) (|pos|=1.5) "},
      {WHITE, "  左腕      (1 keys) (frame 20 - 20) (rot  30.0) (tws  30.0 (at 20)) "},
      {ORANGE, "  上半身２  (1 keys) (frame 5 - 5) (rot  11.5) "},
      {WHITE, "  上半身3   (1 keys) (frame 5 - 5) (rot  23.1) "},
      {ORANGE, "  右人指１  (1 keys) (frame 3 - 3) (|pos|=0.1) "},
      {ORANGE, "     "},
      {WHITE, "  謎ボーン"},
      {WHITE, ""},
      {WHITE, ""},
      {WHITE, "使用モーフ(表情): "},
      {ORANGE, "  Λ         (1 keys) (frame 5 - 5) (val 0.5 - 0.5) \n"},
      {WHITE, "  まばたき  (2 keys) (frame 0 - 30) (val 0 - 1) \n"},
      {WHITE, "     "},
      {ORANGE, "  謎モーフ  (1 keys) (frame 7 - 7) (val 0.75 - 0.75) \n"},
      {ORANGE, ""},
      {ORANGE, ""},
      {ORANGE, ""},
  };
  EXPECT_EQ(run_tool("--no-alias " + pmx + " " + vmd),
            object(pmx, "model", 0, "model", model_page) + object(vmd, "motion", 0, "lacks", motion_page));
}

TEST_F(Golden, MotionThenModelRecoloursTheMotion) {
  // The model's page keeps the motion's statistics and its model name; the names first met in the
  // motion are gone with the rebuilt name lists.
  std::vector<Line> model_page = {
      {BLACK, ""},
      {WHITE, pmx},
      {WHITE, ""},
      {WHITE, "元モデル名: テストモデル  (VMD) "},
      {WHITE, "想定使用先: テストPMX  (PMX) "},
      {WHITE, ""},
      {WHITE, "使用ボーン: "},
      {WHITE, "  センター  (2 keys) (frame 0 - 10) (|pos|=1.5) "},
      {WHITE, "  左腕      (1 keys) (frame 20 - 20) (rot  30.0) (tws  30.0 (at 20)) "},
      {ORANGE, "  上半身２  (1 keys) (frame 5 - 5) (rot  11.5) "},
      {WHITE, "  上半身3   (1 keys) (frame 5 - 5) (rot  23.1) "},
      {ORANGE, "  右人指１  (1 keys) (frame 3 - 3) (|pos|=0.1) "},
      {ORANGE, ""},
      {ORANGE, ""},
      {WHITE, "使用モーフ(表情): "},
      {ORANGE, "  Λ         (1 keys) (frame 5 - 5) (val 0.5 - 0.5) \n"},
      {WHITE, "  まばたき  (2 keys) (frame 0 - 30) (val 0 - 1) \n"},
      {WHITE, ""},
      {WHITE, ""},
      {WHITE, ""},
  };
  std::string out = run_tool("--no-alias " + vmd + " " + pmx);
  size_t first_end = out.find('\n');
  ASSERT_NE(first_end, std::string::npos);
  EXPECT_EQ(out.substr(first_end + 1), object(pmx, "model", 0, "model", model_page));
}

TEST_F(Golden, AliasModeRenamesAndTurnsTheHeadingsEnglish) {
  std::string ini = dir.file("alias.ini");
  write_file(ini, "// test aliases\n-Bone\n\xE5\xB7\xA6 L_\n\"\xE3\x82\xBB\xE3\x83\xB3\xE3\x82\xBF\xE3\x83\xBC\"F Center\n"
                  "-Morph\n\xE3\x81\xBE\xE3\x81\xB0\xE3\x81\x9F\xE3\x81\x8D blink\n");  // 左, センター, まばたき
  std::vector<Line> page = {
      {BLACK, ""},
      {WHITE, vmd},
      {WHITE, ""},
      {WHITE, "Source model: テストモデル  (VMD) "},
      {WHITE, "Target model:   (PMX) "},
      {WHITE, ""},
      {WHITE, "Bones: "},
      {GREY, "  Center    (2 keys) (frame 0 - 10) (|pos|=1.5) "},
      {GREY, "  L_腕      (1 keys) (frame 20 - 20) (rot  30.0) (tws  30.0 (at 20)) "},  // L_腕: 4 bytes
      {RED, "  上半身２  (1 keys) (frame 5 - 5) (rot  11.5) "},
      {YELLOW, "  上半身3   (1 keys) (frame 5 - 5) (rot  23.1) "},
      {GREY, "  右人指１  (1 keys) (frame 3 - 3) (|pos|=0.1) "},
      {GREY, "     "},
      {GREY, "  謎ボーン"},
      {GREY, ""},
      {GREY, ""},
      {WHITE, "Morphing (Expression): "},
      {GREY, "  Λ      (1 keys) (frame 5 - 5) (val 0.5 - 0.5) \n"},
      {GREY, "  blink  (2 keys) (frame 0 - 30) (val 0 - 1) \n"},
      {GREY, "     "},
      {GREY, "  謎モーフ  (1 keys) (frame 7 - 7) (val 0.75 - 0.75) \n"},
      {GREY, ""},
      {GREY, ""},
      {GREY, ""},
  };
  EXPECT_EQ(run_tool("--alias " + ini + " " + vmd), object(vmd, "motion", 0, "no model", page));
}
