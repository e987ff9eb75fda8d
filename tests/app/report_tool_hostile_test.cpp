// report_tool_hostile_test.cpp: velmora-report, run as its own process, on motions that drive the check
// into its bounds: 20,000 distinct unknown bone names. The tool ends normally (exit 0, nothing on
// standard error) with a page of exactly 512 lines; names that found no room in the bone list (16,384
// entries) and names whose entries lie beyond the bone records (8,191) are not counted, so they are not
// listed even when their later keys move.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

constexpr int DISTINCT = 20000;

std::string bone_name(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "bone%05d", i);
  return name;
}

struct ToolOutput {
  int code;
  std::string out, err;
};

ToolOutput report_json(const TempDir& dir, const std::string& vmd) {
  std::string err_path = dir.file("stderr.txt");
  std::string cmd = std::string(VELMORA_REPORT_EXE) + " --json --no-alias '" + vmd + "' 2>'" + err_path + "'";
  FILE* p = popen(cmd.c_str(), "r");
  ToolOutput r;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = read_file(err_path);
  return r;
}

// The page lines of a JSON object: every ["#rrggbb","text"] pair.
int json_lines(const std::string& json) {
  int count = 0;
  for (size_t at = json.find("[\"#"); at != std::string::npos; at = json.find("[\"#", at + 1)) count++;
  return count;
}

}  // namespace

// Every one of the 20,000 names moves: the unknown names fill the page to its last line.
TEST(ReportToolHostile, TwentyThousandMovingUnknownBonesFillThePage) {
  TempDir dir;
  VmdWriter w;
  w.header("crowded");
  w.i32(DISTINCT);
  for (int i = 0; i < DISTINCT; i++) w.bone(bone_name(i), i, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.i32(0), w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  std::string vmd = dir.file("crowded.vmd");
  write_file(vmd, w.bytes);

  ToolOutput r = report_json(dir, vmd);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(json_lines(r.out), 512);
  EXPECT_NE(r.out.find("  bone00000  bone00001  bone00002"), std::string::npos);
  EXPECT_EQ(r.out.find("bone19999"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
}

// The 20,000 names first appear standing still; then three of them move: one whose entry has a record,
// one whose entry lies beyond the records, one that never found room in the list. Only the first is
// counted and listed.
TEST(ReportToolHostile, KeysBeyondTheListAndTheRecordsAreNotCounted) {
  TempDir dir;
  VmdWriter w;
  w.header("crowded");
  w.i32(DISTINCT + 3);
  for (int i = 0; i < DISTINCT; i++) w.bone(bone_name(i), i, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  for (int i : {7000, 10000, 19999}) w.bone(bone_name(i), DISTINCT + i, 2.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.i32(0), w.i32(0), w.i32(0), w.i32(0), w.i32(0);
  std::string vmd = dir.file("crowded.vmd");
  write_file(vmd, w.bytes);

  ToolOutput r = report_json(dir, vmd);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_LT(json_lines(r.out), 512);
  EXPECT_NE(r.out.find("[\"#969696\",\"  bone07000\"]"), std::string::npos);
  EXPECT_EQ(r.out.find("bone10000"), std::string::npos);
  EXPECT_EQ(r.out.find("bone19999"), std::string::npos);
}
