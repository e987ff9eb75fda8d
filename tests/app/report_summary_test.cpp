// velmora-report --summary: the verdict a user acts on, the table of every model against every motion,
// the totals by model, the advice lines and what a model cannot be named by. The tool runs in-process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/pmxwriter.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

std::string motion(const std::vector<std::string>& bones, const std::vector<std::string>& morphs, int cameras = 0) {
  VmdWriter w;
  w.header(to_sjis("テスト"));
  w.i32((int32_t)bones.size());
  for (size_t i = 0; i < bones.size(); i++) w.bone(to_sjis(bones[i]), (int32_t)i, 0, 0, 0, 0.2f, 0, 0, 0.98f);
  w.i32((int32_t)morphs.size());
  for (size_t i = 0; i < morphs.size(); i++) w.morph(to_sjis(morphs[i]), 3, 0.5f);
  w.i32(cameras);
  for (int i = 0; i < cameras; i++) w.camera(100 * (i + 1));
  w.i32(0);
  w.i32(0);
  return w.bytes;
}

std::string model(const std::vector<std::string>& bones, const std::vector<std::string>& morphs, const std::string& name) {
  return PmxWriter::simple(bones, morphs, 0, name, "en");
}

// The row of file in text: its verdict cell, from the start of the line.
std::string row_of(const std::string& out, const std::string& file) {
  size_t end = out.find("  " + file + "\n");
  if (end == std::string::npos) return "";
  size_t start = out.rfind('\n', end) + 1;
  std::string row = out.substr(start, end - start);
  return row.substr(0, row.find("  "));
}

}  // namespace

// fits: lacks nothing; extras: lacks only names of class other; lacks: a standard, semi-standard or finger
// bone or an expression. Camera and empty motions are neither. Lacking names come by class, and the exit
// code is 1 only for lacks (and cut, unread).
TEST(ReportSummary, VerdictsByWhatTheMotionLoses) {
  TempDir dir;
  std::string m = dir.file("m.pmx");
  write_file(m, model({"センター", "上半身"}, {"あ"}, "M"));
  write_file(dir.file("fits.vmd"), motion({"センター"}, {"あ"}));
  write_file(dir.file("extras.vmd"), motion({"センター", "左袖", "右袖"}, {"謎モーフ"}));
  write_file(dir.file("lacks.vmd"), motion({"謎", "右腕", "上半身2"}, {"い"}));
  write_file(dir.file("camera.vmd"), motion({}, {}, 2));
  write_file(dir.file("empty.vmd"), motion({}, {}));
  ToolResult r = run_tool({"--summary", "--no-alias", m, dir.file("fits.vmd"), dir.file("extras.vmd"),
                           dir.file("lacks.vmd"), dir.file("camera.vmd"), dir.file("empty.vmd")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(row_of(r.out, dir.file("fits.vmd")), "fits");
  EXPECT_EQ(row_of(r.out, dir.file("extras.vmd")), "extras: 2 bones, 1 morph");
  EXPECT_EQ(row_of(r.out, dir.file("lacks.vmd")), "lacks 2 bones, 1 morph; extras: 1 bone");
  EXPECT_EQ(row_of(r.out, dir.file("camera.vmd")), "camera: 2 camera keys");
  EXPECT_EQ(row_of(r.out, dir.file("empty.vmd")), "empty");
  EXPECT_NE(r.out.find("    bones:  右腕 [standard]  上半身2 [semi-standard]\n"
                       "    morphs:  い [expression]\n"
                       "    extra bones:  謎\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("/extras.vmd\n    extra bones:  左袖  右袖\n    extra morphs:  謎モーフ\n"), std::string::npos) << r.out;
  // A camera motion's last frame is its camera keys'.
  EXPECT_NE(r.out.find("0         200  " + dir.file("camera.vmd") + "\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("totals: 5 motions, 1 fit, 1 extras, 1 lack names (0 would fit after fitting), 0 no model, "
                       "1 camera, 1 empty, 0 cut, 0 unread\n"),
            std::string::npos);
  r = run_tool({"--summary", "--no-alias", m, dir.file("extras.vmd"), dir.file("camera.vmd"), dir.file("empty.vmd")});
  EXPECT_EQ(r.code, 0);
  // Without a model, camera and empty motions need none.
  r = run_tool({"--summary", "--json", "--no-alias", dir.file("camera.vmd"), dir.file("fits.vmd")});
  EXPECT_NE(r.out.find("\"verdict\":\"camera\",\"error\":null,\"cut\":null,\"bone_keys\":0,\"morph_keys\":0,\"bones\":0,"
                       "\"morphs\":0,\"last_frame\":200,\"camera_keys\":2,\"light_keys\":0,\"shadow_keys\":0,"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"verdict\":\"no model\""), std::string::npos);
}

// A motion that lacks two semi-standard bones and twelve of its own model's bones: "lacks" counts the
// two, the twelve are extras, said apart and counted apart in the table; a line names eight of them
// and counts the rest, JSON names them all.
TEST(ReportSummary, ExtrasAreCountedApartAndLongListsCut) {
  TempDir dir;
  std::string m = dir.file("m.pmx"), dance = dir.file("dance.vmd");
  write_file(m, model({"センター", "左肩"}, {}, "M"));
  std::vector<std::string> bones = {"センター", "左肩P", "右肩P"};
  for (int i = 1; i <= 12; i++) bones.push_back("謎" + std::to_string(i));
  write_file(dance, motion(bones, {}));
  ToolResult r = run_tool({"--summary", "--no-alias", m, dance});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(row_of(r.out, dance), "lacks 2 bones; extras: 12 bones");
  EXPECT_NE(r.out.find("    bones:  左肩P [semi-standard]  右肩P [semi-standard]\n"
                       "    extra bones:  謎1  謎2  謎3  謎4  謎5  謎6  謎7  謎8 and 4 more\n"),
            std::string::npos)
      << r.out;
  r = run_tool({"--summary", "--json", "--no-alias", m, dance});
  EXPECT_NE(r.out.find("\"lacks\":{\"bones\":[\"左肩P\",\"右肩P\"],\"morphs\":[]},\"extras\":{\"bones\":[\"謎1\",\"謎2\","
                       "\"謎3\",\"謎4\",\"謎5\",\"謎6\",\"謎7\",\"謎8\",\"謎9\",\"謎10\",\"謎11\",\"謎12\"],\"morphs\":[]},"),
            std::string::npos)
      << r.out;
  r = run_tool({"--each-model", "--no-alias", m, dance});
  EXPECT_NE(r.out.find("\nlacks 2/0  " + dance + "\n"), std::string::npos) << r.out;
  // Page mode names them on the verdict line, eight of a list at most.
  r = run_tool({"--colour=never", "--no-alias", m, dance});
  EXPECT_NE(r.out.find("\nverdict: lacks 2 bones: 左肩P, 右肩P; extras: 12 bones: 謎1, 謎2, 謎3, 謎4, 謎5, 謎6, 謎7, 謎8 "
                       "and 4 more\n"),
            std::string::npos)
      << r.out;
}

// --each-model: every model against every motion whatever the order, one column per model, then totals
// per model; the same in JSON. Without it, two models give one totals line each and count no motion
// twice.
TEST(ReportSummary, EveryModelAgainstEveryMotion) {
  TempDir dir;
  std::string a = dir.file("a.pmx"), b = dir.file("b.pmx"), dance = dir.file("dance.vmd");
  write_file(a, model({"センター", "左腕"}, {"あ"}, "A"));
  write_file(b, model({"センター"}, {}, "B"));
  write_file(dance, motion({"センター", "左腕"}, {"あ"}));
  ToolResult r = run_tool({"--each-model", "--no-alias", dance, a, b});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "model 1: A (2 bones, 1 morph)  " + a + "\n" +
                       "model 2: B (1 bone, 0 morphs)  " + b + "\n" +
                       "model 1  model 2    file\n"
                       "fits     lacks 1/1  " + dance + "\n" +
                       "totals for model 1 (A): 1 motion, 1 fit, 0 extras, 0 lack names (0 would fit after fitting), "
                       "0 no model, 0 camera, 0 empty, 0 cut, 0 unread\n" +
                       "totals for model 2 (B): 1 motion, 0 fit, 0 extras, 1 lack names (0 would fit after fitting), "
                       "0 no model, 0 camera, 0 empty, 0 cut, 0 unread\n");
  EXPECT_EQ(r.err, "");
  r = run_tool({"--each-model", "--json", "--no-alias", dance, a, b});
  EXPECT_NE(r.out.find("\"models\":[{\"model\":\"A\",\"file\":\"" + a + "\",\"verdict\":\"fits\",\"would_fit\":false,"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("{\"model\":\"B\",\"file\":\"" + b + "\",\"verdict\":\"lacks\",\"would_fit\":false,"
                       "\"lacks\":{\"bones\":[\"左腕\"],\"morphs\":[\"あ\"]},"),
            std::string::npos);
  EXPECT_NE(r.out.find("{\"totals\":{\"model\":\"" + b + "\",\"name\":\"B\",\"motions\":1,\"fit\":0,"), std::string::npos);
  // The order of the arguments: each motion counts once, under the model before it.
  r = run_tool({"--summary", "--no-alias", a, dance, b, dance});
  EXPECT_NE(r.out.find("totals for A (" + a + "): 1 motion, 1 fit, 0 extras, 0 lack names"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("totals for B (" + b + "): 1 motion, 0 fit, 0 extras, 1 lack names"), std::string::npos);
  EXPECT_EQ(r.out.find("totals without a model"), std::string::npos);
}

// With --each-model a FOLDER's models are models, in the order of their paths, beside the models given
// as files; its motions are motions. Without it a folder stands for its motions alone.
TEST(ReportSummary, EveryModelOfAFolder) {
  TempDir dir;
  std::string models = dir.file("models"), lib = dir.file("lib");
  ASSERT_EQ(system(("mkdir -p " + models + "/sub " + lib).c_str()), 0);
  write_file(models + "/sub/b.pmx", model({"センター"}, {}, "B"));
  write_file(models + "/a.PMX", model({"センター"}, {"あ"}, "A"));
  write_file(dir.file("c.pmx"), model({}, {"あ"}, "C"));
  write_file(lib + "/dance.vmd", motion({"センター"}, {"あ"}));
  ToolResult r = run_tool({"--each-model", "--no-alias", models, lib, dir.file("c.pmx")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "model 1: A (1 bone, 1 morph)  " + models + "/a.PMX\n" +
                       "model 2: B (1 bone, 0 morphs)  " + models + "/sub/b.pmx\n" +
                       "model 3: C (0 bones, 1 morph)  " + dir.file("c.pmx") + "\n" +
                       "model 1  model 2    model 3    file\n"
                       "fits     lacks 0/1  lacks 1/0  " + lib + "/dance.vmd\n" +
                       "totals for model 1 (A): 1 motion, 1 fit, 0 extras, 0 lack names (0 would fit after fitting), "
                       "0 no model, 0 camera, 0 empty, 0 cut, 0 unread\n"
                       "totals for model 2 (B): 1 motion, 0 fit, 0 extras, 1 lack names (0 would fit after fitting), "
                       "0 no model, 0 camera, 0 empty, 0 cut, 0 unread\n"
                       "totals for model 3 (C): 1 motion, 0 fit, 0 extras, 1 lack names (0 would fit after fitting), "
                       "0 no model, 0 camera, 0 empty, 0 cut, 0 unread\n");
  r = run_tool({"--each-model", "--no-alias", dir.file("c.pmx"), models, dir.file("none")});
  EXPECT_NE(r.err.find(dir.file("none")), std::string::npos);
  ASSERT_EQ(system(("mkdir " + dir.file("empty")).c_str()), 0);
  r = run_tool({"--each-model", "--no-alias", dir.file("c.pmx"), dir.file("empty"), lib});
  EXPECT_EQ(r.err, "velmora-report: " + dir.file("empty") + ": no .vmd or .pmx files\n");
  r = run_tool({"--summary", "--no-alias", models, lib});
  EXPECT_EQ(r.err, "velmora-report: " + models + ": no .vmd files\n");
  EXPECT_NE(r.out.find("no model"), std::string::npos) << r.out;
}

// Ambiguous advice has a line of its own with the candidates; a renaming that would give a name the
// motion keys already is "taken". A model's names longer than a motion's name field are named under it.
TEST(ReportSummary, AdviceLinesAndNamesNoMotionCanName) {
  TempDir dir;
  std::string m = dir.file("m.pmx"), dance = dir.file("dance.vmd");
  // Every bone of the writer's models has the English name bone_en.
  write_file(m, model({"上半身", "髪A", "髪B"}, {"長い名前のモーフＡ１", "長い名前のモーフＡ２", "あ"}, "M"));
  write_file(dance, motion({"上半身", "UpperBody", "bone_en"}, {"あ"}));
  ToolResult r = run_tool({"--summary", "--no-alias", m, dance});
  EXPECT_NE(r.out.find("        UpperBody → 上半身 (taken)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("        bone_en → ? one of: 上半身, 髪A, 髪B (ambiguous)\n"), std::string::npos);
  EXPECT_NE(r.out.find("    2 morph names longer than 15 bytes: 長い名前のモーフＡ１ (first 15 bytes shared) (cut inside "
                       "a character), 長い名前のモーフＡ２ (first 15 bytes shared) (cut inside a character)\n"),
            std::string::npos);
  r = run_tool({"--summary", "--json", "--no-alias", m});
  EXPECT_NE(r.out.find("\"unnameable\":{\"bones\":[],\"morphs\":[{\"name\":\"長い名前のモーフＡ１\",\"shared\":true,"
                       "\"split\":true},{\"name\":\"長い名前のモーフＡ２\",\"shared\":true,\"split\":true}]}"),
            std::string::npos)
      << r.out;
}

// A model that cannot be read leaves the motions after it without a model, and they say why; a missing
// model is no such file, not an empty motion. NO_COLOR turns automatic colour off; fits stays in the
// terminal's own colour.
TEST(ReportSummary, AModelThatCannotBeReadAndColour) {
  TempDir dir;
  std::string good = dir.file("good.pmx"), cut = dir.file("x.pmx"), dance = dir.file("dance.vmd");
  write_file(good, model({"センター"}, {"あ"}, "G"));
  std::string whole = model({"センター", "左腕", "右腕"}, {"あ"}, "X");
  write_file(cut, whole.substr(0, whole.size() - 40));
  write_file(dance, motion({"センター"}, {"あ"}));
  ToolResult r = run_tool({"--summary", "--no-alias", good, cut, dance, dir.file("gone.pmx"), dance});
  std::string reason = cut + ": cut in the morphs after 0 of 1";
  EXPECT_NE(r.out.find("no model (" + reason + ")"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("no model (" + dir.file("gone.pmx") + ": no such file)"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("velmora-report: " + dir.file("gone.pmx") + ": no such file\n"), std::string::npos) << r.err;
  r = run_tool({"--summary", "--json", "--no-alias", cut, dance});
  EXPECT_NE(r.out.find("\"model_error\":\"" + reason + "\""), std::string::npos) << r.out;
  r = run_tool({"--summary", "--colour=always", "--no-alias", good, dance});
  EXPECT_NE(r.out.find("\nfits "), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("\x1B["), std::string::npos);
  setenv("NO_COLOR", "1", 1);
  r = run_tool({"--summary", "--colour=auto", "--no-alias", cut, dance});
  EXPECT_EQ(r.out.find("\x1B["), std::string::npos);
  r = run_tool({"--summary", "--colour=always", "--no-alias", cut, dance});
  EXPECT_NE(r.out.find("\x1B[38;2;150;150;150mno model ("), std::string::npos);
  unsetenv("NO_COLOR");
}
