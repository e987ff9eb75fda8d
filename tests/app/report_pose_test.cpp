// velmora-report on a model that lacks semi-standard bones: what each lacking bone the motion keys
// costs, and with --fit its fold into the bones the model has, in the summary's text and JSON and in the
// fitted copy. The figures themselves are the pose engine's (tests/pose); here, that they reach every
// output, and that the copy fits the model.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/skeletons.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

// A motion that keys 上半身2 (turning), グルーブ (moving) and the bones around them.
std::string dance() {
  VmdWriter w;
  w.header(to_sjis("テスト"));
  w.i32(8);
  w.bone(to_sjis("センター"), 0, 0, 0, 0, 0, 0, 0, 1);
  w.bone(to_sjis("センター"), 30, 0, 0.5f, 0, 0, 0, 0, 1);
  w.bone(to_sjis("グルーブ"), 0, 0, 0, 0, 0, 0, 0, 1);
  w.bone(to_sjis("グルーブ"), 20, 0, -0.8f, 0.2f, 0, 0, 0, 1);
  w.bone(to_sjis("上半身"), 0, 0, 0, 0, 0.1f, 0, 0, 0.995f);
  w.bone(to_sjis("上半身2"), 0, 0, 0, 0, 0, 0, 0, 1);
  w.bone(to_sjis("上半身2"), 40, 0, 0, 0, 0.3f, 0, 0, 0.954f);
  w.bone(to_sjis("左腕"), 10, 0, 0, 0, 0, 0, 0.2f, 0.98f);
  w.i32(0);
  for (int block = 0; block < 4; block++) w.i32(0);
  return w.bytes;
}

}  // namespace

TEST(ReportPose, CostsAndFoldsReachEveryOutputAndTheCopyFits) {
  TempDir dir;
  std::string model = dir.file("model.pmx"), motion = dir.file("dance.vmd"), out = dir.file("fitted");
  write_file(model, skel_pmx(skel_without(skel_semi_standard(), {"上半身2", "グルーブ"})));
  write_file(motion, dance());
  // Without --fit: the costs, and the motion would fit after fitting (both bones fold).
  ToolResult r = run_tool({"--summary", "--no-alias", model, motion});
  std::regex cost("        (上半身2|グルーブ): [0-9]+\\.[0-9] units, [0-9]+° at [^,]+, frame [0-9]+ if dropped\n");
  EXPECT_EQ(std::distance(std::sregex_iterator(r.out.begin(), r.out.end(), cost), std::sregex_iterator()), 2) << r.out;
  EXPECT_NE(r.out.find("(1 would fit after fitting)"), std::string::npos) << r.out;
  // With --fit: each fold, what it leaves, and a copy in which the model lacks nothing.
  r = run_tool({"--summary", "--no-alias", "--fit", out, model, motion});
  EXPECT_TRUE(std::regex_search(r.out, std::regex("        上半身2 → 上半身 \\(fold, within 0\\.[0-9][0-9] units\\)\n")))
      << r.out;
  EXPECT_TRUE(std::regex_search(r.out, std::regex("        グルーブ → センター \\(fold, within 0\\.0[01] units\\)\n")))
      << r.out;
  r = run_tool({"--summary", "--json", "--no-alias", "--fit", dir.file("again"), model, motion});
  EXPECT_TRUE(std::regex_search(r.out, std::regex("\\{\"list\":\"bones\",\"name\":\"上半身2\",\"class\":\"semi-standard\","
                                                  "\"to\":\"上半身\",\"why\":\"fold\",\"candidates\":\\[\\],\"cost\":"
                                                  "\\{\"units\":[0-9.]+,\"degrees\":[0-9.]+,\"bone\":\"[^\"]+\",\"frame\":[0-9]+\\},"
                                                  "\"into\":\\[\"上半身\"\\],\"error\":\\{\"units\":")))
      << r.out;
  r = run_tool({"--summary", "--json", "--no-alias", model, out + "/dance.vmd"});
  EXPECT_NE(r.out.find("\"verdict\":\"fits\""), std::string::npos) << r.out;
}
