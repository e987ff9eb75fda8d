// velmora-report: options, exit codes, the JSON and text forms of the page, the complaints on standard
// error. The tool runs in-process on a command line built from words, as the native entry builds it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/report_tool.h"
#include "app/run.h"
#include "support/pagedump.h"
#include "support/pmxwriter.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"

namespace {

using ToolRun = ToolResult;
ToolResult tool(const std::vector<std::string>& words) { return run_tool(words); }

std::string small_motion() {
  VmdWriter w;
  w.header(to_sjis("テスト"));
  w.i32(1);
  w.bone(to_sjis("センター"), 3, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.i32(1);
  w.morph(to_sjis("あ"), 4, 0.25f);
  return w.bytes;
}

const char* SUMMARY = "(OK): そのままで使用可能です. ";

}  // namespace

// Options as GNU tools take them: --colour or --color alone is "always"; --version; a usage error is
// one line and a pointer to --help, exit code 2.
TEST(ReportTool, OptionForms) {
  TempDir dir;
  std::string path = dir.file("clip.vmd");
  write_file(path, small_motion());
  for (const char* colour : {"--colour", "--color", "--color=always"}) {
    ToolRun r = tool({colour, "--no-alias", path});
    EXPECT_EQ(r.code, 0) << colour;
    EXPECT_NE(r.out.find("\x1B[38;2;150;150;150mverdict: no model\x1B[0m\n"), std::string::npos) << colour;
  }
  ToolRun r = tool({"--version"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("velmora-report ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(" (built 20"), std::string::npos) << r.out;
  r = tool({});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "velmora-report: no file given\nTry 'velmora-report --help'.\n");
  r = tool({"--frobnicate", "a.vmd"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "velmora-report: unknown option --frobnicate\nTry 'velmora-report --help'.\n");
  r = tool({"--colour=sometimes", "a.vmd"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "velmora-report: --colour takes auto, always or never, not sometimes\nTry 'velmora-report --help'.\n");
  EXPECT_EQ(tool({"-ND2", "a.vmd"}).code, 2);
  EXPECT_EQ(tool({"a.vmd", "--alias"}).code, 2);
  EXPECT_EQ(tool({"a.vmd", "--fit"}).code, 2);
  EXPECT_EQ(tool({"--alias", "x.ini", "--no-alias", "a.vmd"}).code, 2);
  r = tool({"--summary", "--each-model", "a.vmd", "m.pmx"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "velmora-report: --summary and --each-model together\nTry 'velmora-report --help'.\n");
  r = tool({"--lang", "en", "a.vmd"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "velmora-report: --lang without --html\nTry 'velmora-report --help'.\n");
  r = tool({"--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out.rfind("usage: velmora-report", 0), 0u);
  EXPECT_EQ(r.err, "");
}

// The exit code: 0 when every motion fits (or was checked without a model), 1 when one lacks names or
// a FOLDER holds no motion (which standard error names), 2 for a usage error.
TEST(ReportTool, ExitCodes) {
  TempDir dir;
  std::string motion = dir.file("clip.vmd"), fits = dir.file("fits.pmx"), lacks = dir.file("lacks.pmx");
  std::string empty = dir.file("empty");
  write_file(motion, small_motion());
  write_file(fits, PmxWriter::simple({"センター"}, {"あ"}, 0, "m", "m"));
  write_file(lacks, PmxWriter::simple({"センター"}, {}, 0, "m", "m"));
  mkdir(empty.c_str(), 0700);
  EXPECT_EQ(tool({"--no-alias", motion}).code, 0);
  EXPECT_EQ(tool({"--summary", "--no-alias", fits, motion}).code, 0);
  EXPECT_EQ(tool({"--summary", "--no-alias", lacks, motion}).code, 1);
  EXPECT_EQ(tool({"--summary", "--no-alias", "--bogus", motion}).code, 2);
  ToolRun r = tool({"--summary", "--no-alias", fits, empty, motion});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "velmora-report: " + empty + ": no .vmd files\n");
  // A model given after every motion colours none of them: the run checked nothing against it, a
  // failure, and a line says why.
  r = tool({"--summary", "--no-alias", motion, fits});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "velmora-report: hint: a model colours only the motions after it, and every model here came "
                   "after the last motion; give the model first (or --each-model)\n");
}

// Page mode: velmora.exe's page unchanged, with velmora-report's verdict beside it (JSON) or after it
// (text).
TEST(ReportTool, JsonOfAMotion) {
  TempDir dir;
  std::string path = dir.file("clip.vmd");
  write_file(path, small_motion());
  ToolRun r = tool({"--json", "--no-alias", path});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  std::string expected = "{\"file\":\"" + path + "\",\"kind\":\"motion\",\"read\":0,\"verdict\":\"no model\"," +
                         "\"error\":null,\"cut\":null,\"fitted\":null,\"lines\":[" +
                         "[\"#000000\",\"\"]," + "[\"#ffffff\",\"" + path + "\"]," + "[\"#ffffff\",\"\"]," +
                         "[\"#ffffff\",\"元モデル名: テスト  (VMD) \"]," + "[\"#ffffff\",\"想定使用先:   (PMX) \"]," +
                         "[\"#ffffff\",\"\"]," + "[\"#ffffff\",\"使用ボーン: \"]," +
                         "[\"#969696\",\"  センター  (1 keys) (frame 3 - 3) (|pos|=0.5) \"]," +
                         "[\"#969696\",\"\"]," + "[\"#969696\",\"\"]," + "[\"#ffffff\",\"使用モーフ(表情): \"]," +
                         "[\"#969696\",\"  あ  (1 keys) (frame 4 - 4) (val 0.25 - 0.25) \\n\"]," +
                         "[\"#969696\",\"\"]," + "[\"#969696\",\"\"]," + "[\"#969696\",\"\"]" + "],\"summary\":\"" +
                         SUMMARY + "\"}\n";
  EXPECT_EQ(r.out, expected);
}

TEST(ReportTool, FilesThatAreNotReadStillGetAReport) {
  TempDir dir;
  std::string good = dir.file("good.vmd");
  std::string bad = dir.file("bad.vmd");
  std::string text = dir.file("notes.txt");
  std::string missing = dir.file("missing.vmd");
  write_file(good, small_motion());
  write_file(bad, "not a motion at all, not even close");
  write_file(text, "hello");
  ToolRun r = tool({"--json", "--no-alias", good, bad, text, missing});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "velmora-report: " + bad + ": not a VMD motion of version 0002\n" +
                       "velmora-report: " + text +
                       ": neither a motion (.vmd) nor a model (.pmx); examined as an empty motion\n" +
                       "velmora-report: " + missing + ": no such file\n");
  std::vector<std::string> objects;
  size_t at = 0;
  while (at < r.out.size()) {
    size_t end = r.out.find('\n', at);
    objects.push_back(r.out.substr(at, end - at));
    at = end + 1;
  }
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_NE(objects[1].find("\"kind\":\"motion\",\"read\":2,\"verdict\":\"unread\","
                            "\"error\":\"not a VMD motion of version 0002\",\"cut\":null,"),
            std::string::npos);
  // A failed read resets the statistics: an empty motion.
  EXPECT_NE(objects[1].find("[\"#ffffff\",\"使用ボーン: \"],[\"#ffffff\",\"\"],[\"#ffffff\",\"使用モーフ(表情): \"]"),
            std::string::npos);
  // No reader runs for the other two; the last motion read (an empty one) stands.
  EXPECT_NE(objects[2].find("\"kind\":\"other\",\"read\":null,\"verdict\":\"unread\",\"error\":\"neither a motion "
                            "(.vmd) nor a model (.pmx); examined as an empty motion\","),
            std::string::npos);
  // A missing file is a motion by its extension.
  EXPECT_NE(objects[3].find("\"kind\":\"motion\",\"read\":null,\"verdict\":\"unread\","), std::string::npos);
  EXPECT_NE(objects[3].find("[\"#ffffff\",\"" + missing + "\"]"), std::string::npos);
}

TEST(ReportTool, PlainTextWithAndWithoutColour) {
  TempDir dir;
  std::string path = dir.file("clip.vmd");
  write_file(path, small_motion());
  ToolRun r = tool({"--colour=never", "--no-alias", path, path});
  EXPECT_EQ(r.code, 0);
  std::string page = "\n" + path + "\n\n元モデル名: テスト  (VMD) \n想定使用先:   (PMX) \n\n使用ボーン: \n" +
                     "  センター  (1 keys) (frame 3 - 3) (|pos|=0.5) \n\n\n使用モーフ(表情): \n" +
                     "  あ  (1 keys) (frame 4 - 4) (val 0.25 - 0.25) \n\n\n\n" + SUMMARY + "\nverdict: no model\n";
  EXPECT_EQ(r.out, page + "\n" + page);
  // Coloured, only what lacks and the verdict take a colour: the rest is in the terminal's own, whatever
  // colour the page gives it (white, grey without a model).
  r = tool({"--colour=always", "--no-alias", path});
  EXPECT_NE(r.out.find("\n  センター  (1 keys) (frame 3 - 3) (|pos|=0.5) \n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n使用ボーン: \n"), std::string::npos);
  EXPECT_NE(r.out.find("\n\x1B[38;2;150;150;150mverdict: no model\x1B[0m\n"), std::string::npos);
  EXPECT_EQ(r.out.find("\x1B"), r.out.find("\x1B[38;2;150;150;150mverdict: no model"));
  std::string model = dir.file("model.pmx");
  write_file(model, PmxWriter::simple({"センター"}, {}, 0, "モデル", "model"));
  r = tool({"--colour=always", "--no-alias", model, path});
  EXPECT_NE(r.out.find("\n  センター  (1 keys) (frame 3 - 3) (|pos|=0.5) \n\n\n使用モーフ(表情): \n"
                       "\x1B[38;2;255;120;0m  あ  (1 keys) (frame 4 - 4) (val 0.25 - 0.25) \x1B[0m\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\n\x1B[38;2;255;120;0mverdict: lacks 1 morph: あ\x1B[0m\n"), std::string::npos) << r.out;
  write_file(model, PmxWriter::simple({"センター"}, {"あ"}, 0, "モデル", "model"));
  r = tool({"--colour=always", "--no-alias", model, path});
  EXPECT_EQ(r.out.find('\x1B'), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nverdict: fits\n"), std::string::npos) << r.out;
  // Output to a file is not a terminal: no escapes by default.
  r = tool({"--no-alias", path});
  EXPECT_EQ(r.out.find('\x1B'), std::string::npos);
}

TEST(ReportTool, FileNamesThatLookLikeOptions) {
  TempDir dir;
  std::string path = dir.file("-x.vmd");
  write_file(path, small_motion());
  ToolRun r = tool({"--json", "--no-alias", "--", path});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"kind\":\"motion\",\"read\":0"), std::string::npos);
}

// A backslash separates directories, as on Windows; in the JSON it is escaped, and so are double
// quotes (a host file name may hold one), tabs and other control characters.
TEST(ReportTool, JsonEscapes) {
  TempDir dir;
  ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0700), 0);
  write_file(dir.file("sub/a\td\x01\".vmd"), small_motion());
  ToolRun r = tool({"--json", "--no-alias", dir.path + "/sub\\a\td\x01\".vmd"});
  EXPECT_EQ(r.out.rfind("{\"file\":\"" + dir.path + "/sub\\\\a\\td\\u0001\\\".vmd\",\"kind\":\"motion\",\"read\":0,", 0),
            0u)
      << r.out.substr(0, 200);
}

// Every file gets its report, however many there are: the argument lists' 511 words bound velmora.exe,
// not the tool. A model given first stays the target of the 1,001st motion.
TEST(ReportTool, EveryFileOfALongRun) {
  TempDir dir;
  std::string model = dir.file("model.pmx");
  std::string motion = dir.file("clip.vmd");
  write_file(model, PmxWriter::simple({"センター"}, {}, 0, "モデル", "model"));
  write_file(motion, small_motion());
  std::vector<std::string> words = {"--json", "--no-alias", model};
  for (int i = 0; i < 1001; i++) words.push_back(motion);
  ToolRun r = tool(words);
  EXPECT_EQ(r.code, 1) << r.err;  // the model lacks あ
  size_t objects = 0, at = 0, last = 0;
  for (; (at = r.out.find('\n', at)) != std::string::npos; at++) {
    objects++;
    if (at + 1 < r.out.size()) last = at + 1;
  }
  EXPECT_EQ(objects, 1002u);
  std::string page = r.out.substr(last);
  EXPECT_NE(page.find("[\"#ffffff\",\"  センター  (1 keys) (frame 3 - 3) (|pos|=0.5) \"]"), std::string::npos) << page;
  EXPECT_NE(page.find("[\"#ff7800\",\"  あ  (1 keys)"), std::string::npos) << page;
}

// A file that no reader reads is an empty motion: the motion before it does not show under its path.
TEST(ReportTool, AFileNoReaderReadsIsAnEmptyMotion) {
  TempDir dir;
  std::string motion = dir.file("clip.vmd");
  std::string text = dir.file("clip.txt");
  write_file(motion, small_motion());
  write_file(text, "hello");
  ToolRun r = tool({"--colour=never", "--no-alias", motion, text});
  EXPECT_EQ(r.code, 1);
  std::string second = r.out.substr(r.out.find("\n\n" + text + "\n") + 1);
  EXPECT_EQ(second, "\n" + text + "\n\n想定使用先:   (PMX) \n\n使用ボーン: \n\n使用モーフ(表情): \n\n\n\n" + SUMMARY +
                        "\nverdict: unread: neither a motion (.vmd) nor a model (.pmx); examined as an empty motion\n");
}

// ---- Summary and folders -----------------------------------------------------------------------------------

namespace {

// A model with センター and 上半身 and the morph あ; a folder with a motion that fits it, one that lacks
// 左腕, an unknown bone 謎 and the morph い, a corrupt motion and a subfolder; then a path that is missing.
struct Library {
  TempDir dir;
  std::string model = dir.file("model.pmx");
  std::string lib = dir.file("lib");
  Library() {
    write_file(model, PmxWriter::simple({"センター", "上半身"}, {"あ"}, 0, "モデル", "model"));
    mkdir(lib.c_str(), 0700);
    mkdir((lib + "/sub").c_str(), 0700);
    write_file(lib + "/fits.vmd", small_motion());
    VmdWriter w;
    w.header(to_sjis("テスト"));
    w.i32(3);
    w.bone(to_sjis("上半身"), 0, 0, 0, 0, 0.2f, 0, 0, 0.98f);
    w.bone(to_sjis("左腕"), 10, 1, 0, 0, 0, 0, 0, 1);
    w.bone(to_sjis("謎"), 20, 1, 0, 0, 0, 0, 0, 1);
    w.i32(2);
    w.morph(to_sjis("い"), 30, 0.5f);
    w.morph(to_sjis("あ"), 5, 0.0f);
    write_file(lib + "/lacks.vmd", w.bytes);
    write_file(lib + "/corrupt.vmd", "not a motion at all");
    VmdWriter d;
    d.header("");
    d.i32(0);
    d.i32(1);
    d.morph(to_sjis("あ"), 7, 1.0f);
    write_file(lib + "/sub/deep.vmd", d.bytes);
  }
};

}  // namespace

// Columns: the verdict (37 wide), bone keys (1), morph keys (3: the model's name spans them with the
// bone keys), bones (1), morphs (1), last frame (2), the path; two spaces between.
TEST(ReportTool, SummaryOfAModelAndAFolder) {
  Library l;
  std::string missing = l.dir.file("missing.vmd");
  ToolRun r = tool({"--summary", "--no-alias", l.model, l.lib, missing});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "velmora-report: " + l.lib + "/corrupt.vmd: not a VMD motion of version 0002\n" +
                       "velmora-report: " + missing + ": no such file\n");
  auto pad = [](int n) { return std::string(n, ' '); };
  EXPECT_EQ(r.out, "verdict" + pad(32) + "bone keys  morph keys  bones  morphs  last frame  file\n" +
                       "model" + pad(34) + "モデル" + pad(15) + "      2       1" + pad(12) + "  " + l.model + "\n" +
                       "unread" + pad(33) + pad(8) + "0" + pad(11) + "0      0       0" + pad(11) + "-  " + l.lib +
                       "/corrupt.vmd\n" +
                       "fits" + pad(35) + pad(8) + "1" + pad(11) + "1      1       1" + pad(11) + "4  " + l.lib +
                       "/fits.vmd\n" +
                       "lacks 1 bone, 1 morph; extras: 1 bone  " + pad(8) + "3" + pad(11) + "2      3       1" + pad(10) +
                       "30  " + l.lib + "/lacks.vmd\n" +
                       "    bones:  左腕 [standard]\n" +
                       "    morphs:  い [expression]\n" +
                       "    extra bones:  謎\n" +
                       "fits" + pad(35) + pad(8) + "0" + pad(11) + "1      0       1" + pad(11) + "7  " + l.lib +
                       "/sub/deep.vmd\n" +
                       "unread" + pad(33) + pad(8) + "0" + pad(11) + "0      0       0" + pad(11) + "-  " + missing +
                       "\n" + "totals: 5 motions, 2 fit, 0 extras, 1 lack names (0 would fit after fitting), 0 no model, 0 camera, 0 empty, "
                       "0 cut, 2 unread\n");
  r = tool({"--summary", "--json", "--no-alias", l.model, l.lib, missing});
  EXPECT_EQ(r.code, 1);
  auto motion = [](const std::string& file, const char* read, const char* verdict, const std::string& counts,
                   const std::string& lacks, const std::string& advice = "", const std::string& error = "null") {
    return "{\"file\":\"" + file + "\",\"kind\":\"motion\",\"read\":" + read + ",\"verdict\":\"" + verdict +
           "\",\"error\":" + error + ",\"cut\":null," + counts +
           ",\"camera_keys\":0,\"light_keys\":0,\"shadow_keys\":0,\"lacks\":{" + lacks + "},\"advice\":[" + advice +
           "],\"fitted\":null,\"model_error\":null}\n";
  };
  const std::string none = "\"bones\":[],\"morphs\":[]},\"extras\":{\"bones\":[],\"morphs\":[]";
  EXPECT_EQ(r.out,
            "{\"file\":\"" + l.model + "\",\"kind\":\"model\",\"read\":0,\"verdict\":\"model\",\"error\":null,"
                "\"cut\":null,\"name\":\"モデル\",\"bones\":2,\"morphs\":1,\"unnameable\":{\"bones\":[],\"morphs\":[]}}\n" +
                motion(l.lib + "/corrupt.vmd", "2", "unread",
                       "\"bone_keys\":0,\"morph_keys\":0,\"bones\":0,\"morphs\":0,\"last_frame\":null", none, "",
                       "\"not a VMD motion of version 0002\"") +
                motion(l.lib + "/fits.vmd", "0", "fits",
                       "\"bone_keys\":1,\"morph_keys\":1,\"bones\":1,\"morphs\":1,\"last_frame\":4", none) +
                motion(l.lib + "/lacks.vmd", "0", "lacks",
                       "\"bone_keys\":3,\"morph_keys\":2,\"bones\":3,\"morphs\":1,\"last_frame\":30",
                       "\"bones\":[\"左腕\"],\"morphs\":[\"い\"]},\"extras\":{\"bones\":[\"謎\"],\"morphs\":[]",
                       "{\"list\":\"bones\",\"name\":\"左腕\",\"class\":\"standard\",\"to\":null,\"why\":\"none\","
                       "\"candidates\":[],\"cost\":null,\"into\":[],\"error\":null},"
                       "{\"list\":\"morphs\",\"name\":\"い\",\"class\":\"expression\",\"to\":null,\"why\":\"none\","
                       "\"candidates\":[],\"cost\":null,\"into\":[],\"error\":null},"
                       "{\"list\":\"bones\",\"name\":\"謎\",\"class\":\"other\",\"to\":null,\"why\":\"none\","
                       "\"candidates\":[],\"cost\":null,\"into\":[],\"error\":null}") +
                motion(l.lib + "/sub/deep.vmd", "0", "fits",
                       "\"bone_keys\":0,\"morph_keys\":1,\"bones\":0,\"morphs\":1,\"last_frame\":7", none) +
                motion(missing, "null", "unread",
                       "\"bone_keys\":0,\"morph_keys\":0,\"bones\":0,\"morphs\":0,\"last_frame\":null", none, "",
                       "\"no such file\"") +
                "{\"totals\":{\"motions\":5,\"fit\":2,\"extras\":0,\"lack\":1,\"would_fit\":0,\"no_model\":0,"
                "\"camera\":0,\"empty\":0,\"cut\":0,\"unread\":2}}\n");
}

// A folder's motions come in the byte order of their paths below it, "/" between folders: "." (0x2E)
// before "/" (0x2F), capitals before small letters, UTF-8 after ASCII. An extension that begins with
// .vmd in any case makes a motion; a link back up is not walked again.
TEST(ReportTool, FolderOrder) {
  TempDir dir;
  std::string lib = dir.file("lib");
  mkdir(lib.c_str(), 0700);
  mkdir((lib + "/a").c_str(), 0700);
  mkdir((lib + "/sub").c_str(), 0700);
  for (const char* name : {"x.vmdx", "ä.vmd", "a/b.vmd", "sub/x.VMD", "a.vmd", "B.vmd", "a.b.vmd", "notes.txt"}) {
    write_file(lib + "/" + name, small_motion());
  }
  ASSERT_EQ(symlink("..", (lib + "/sub/up").c_str()), 0);
  ToolRun r = tool({"--summary", "--json", "--no-alias", lib});
  EXPECT_EQ(r.code, 0) << r.err;
  std::string files;
  for (size_t at = 0; (at = r.out.find("{\"file\":\"", at)) != std::string::npos; at++) {
    size_t from = at + 9 + lib.size() + 1;
    files += r.out.substr(from, r.out.find('"', from) - from) + " ";
  }
  EXPECT_EQ(files, "B.vmd a.b.vmd a.vmd a/b.vmd sub/x.VMD x.vmdx ä.vmd ");
}

// --fit: a motion under a folder whose lacking names are the model's under other names gets a copy
// under the same relative path, with exactly those name fields renamed (an IK switch too); the copy
// then lacks only the name without such advice. A second run writes nothing and says why.
TEST(ReportTool, FittedCopies) {
  TempDir dir;
  std::string model = dir.file("model.pmx"), lib = dir.file("lib"), out = dir.file("fitted");
  write_file(model, PmxWriter::simple({"センター", "左腕"}, {"ウィンク"}, 0, "モデル", "model"));
  mkdir(lib.c_str(), 0700);
  mkdir((lib + "/sub").c_str(), 0700);
  auto motion = [](const std::string& arm, const std::string& wink) {
    VmdWriter w;
    w.header("LeftArm");
    w.i32(3);
    w.bone(arm, 0, 1, 0, 0, 0, 0, 0, 1);
    w.bone(to_sjis("謎"), 10, 1, 0, 0, 0, 0, 0, 1);
    w.bone(arm, 20, 0, 1, 0, 0, 0, 0, 1);
    w.i32(1);
    w.morph(wink, 30, 0.5f);
    for (int block = 0; block < 3; block++) w.i32(0);
    w.i32(1);
    w.i32(0);
    w.u8(1);
    w.i32(1);
    w.name(arm, 20);
    w.u8(1);
    return w.bytes;
  };
  const std::string original = motion("LeftArm", to_sjis("ｳｨﾝｸ"));
  write_file(lib + "/sub/dance.vmd", original);

  ToolRun r = tool({"--summary", "--no-alias", "--fit", out, model, lib});
  EXPECT_EQ(r.code, 1) << r.err;  // it still lacks 謎
  const std::string copy = out + "/sub/dance.vmd";
  EXPECT_EQ(read_file(copy), motion(to_sjis("左腕"), to_sjis("ウィンク")));
  EXPECT_NE(r.out.find("    bones:  LeftArm [standard]\n    morphs:  ｳｨﾝｸ [expression]\n    extra bones:  謎\n"
                       "        LeftArm → 左腕 (rig name)\n        ｳｨﾝｸ → ウィンク (spelling)\n"
                       "    fitted copy: " + copy + "\n"),
            std::string::npos)
      << r.out;
  r = tool({"--summary", "--json", "--no-alias", model, copy});
  EXPECT_NE(r.out.find("\"lacks\":{\"bones\":[],\"morphs\":[]},\"extras\":{\"bones\":[\"謎\"],\"morphs\":[]}"),
            std::string::npos)
      << r.out;

  r = tool({"--summary", "--no-alias", "--fit", out, model, lib});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "velmora-report: cannot write " + copy + ": it exists (--replace writes over it)\n");
  EXPECT_EQ(read_file(lib + "/sub/dance.vmd"), original);
  EXPECT_FALSE(file_exists(copy + ".part0"));
  // --replace writes the copy again over the earlier file; a run with nothing to fit makes no folder.
  write_file(copy, "an earlier copy");
  r = tool({"--summary", "--no-alias", "--replace", "--fit", out, model, lib});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read_file(copy), motion(to_sjis("左腕"), to_sjis("ウィンク")));
  r = tool({"--summary", "--no-alias", "--fit", dir.file("unused"), model, copy});
  EXPECT_FALSE(file_exists(dir.file("unused")));
}

// Copies never meet: two models of one file name get folders of their own, named by the folder that
// holds each (by their places where those meet too); two FOLDER arguments whose motions have one
// relative name keep their own folder's name, and so do two FILE arguments of one name (the folder that
// holds each). With and without --replace, every copy is written at its own path, and a run that could
// only write two copies at one path writes nothing.
TEST(ReportTool, CopiesNeverMeet) {
  TempDir dir;
  for (const char* d : {"a", "b", "m", "m/a", "n", "n/a", "p", "p/lib", "q", "q/other", "r", "r/lib", "x", "y"}) {
    ASSERT_EQ(mkdir(dir.file(d).c_str(), 0700), 0) << d;
  }
  auto dance = [](const std::string& header) {
    VmdWriter w;
    w.header(header);
    w.i32(1);
    w.bone("LeftArm", 0, 1, 0, 0, 0, 0, 0, 1);
    w.i32(0);
    for (int block = 0; block < 4; block++) w.i32(0);
    return w.bytes;
  };
  auto fitted = [](const std::string& header) {
    VmdWriter w;
    w.header(header);
    w.i32(1);
    w.bone(to_sjis("左腕"), 0, 1, 0, 0, 0, 0, 0, 1);
    w.i32(0);
    for (int block = 0; block < 4; block++) w.i32(0);
    return w.bytes;
  };
  const std::string model = PmxWriter::simple({"センター", "左腕"}, {}, 0, "モデル", "model");
  for (const char* m : {"a/model.pmx", "b/model.pmx", "m/a/model.pmx", "n/a/model.pmx"}) write_file(dir.file(m), model);
  write_file(dir.file("p/lib/dance.vmd"), dance("p"));
  write_file(dir.file("q/other/dance.vmd"), dance("q"));
  write_file(dir.file("r/lib/dance.vmd"), dance("r"));
  write_file(dir.file("x/solo.vmd"), dance("x"));
  write_file(dir.file("y/solo.vmd"), dance("y"));
  const std::string out = dir.file("out");
  const std::vector<std::string> each = {"--each-model", "--no-alias", "--fit", out, dir.file("a/model.pmx"),
                                         dir.file("b/model.pmx"), dir.file("p/lib"), dir.file("q/other")};
  const std::vector<std::pair<std::string, std::string>> copies = {
      {"model (a)/lib/dance.vmd", "p"}, {"model (a)/other/dance.vmd", "q"},
      {"model (b)/lib/dance.vmd", "p"}, {"model (b)/other/dance.vmd", "q"}};
  for (int run = 0; run < 3; run++) {
    std::vector<std::string> words = each;
    if (run == 2) words.insert(words.begin(), "--replace");
    ToolRun r = tool(words);
    EXPECT_EQ(r.code, 1) << run;  // every motion lacks 左腕 until it is fitted
    if (run == 1) {
      for (const auto& c : copies) {
        EXPECT_NE(r.err.find("cannot write " + out + "/" + c.first + ": it exists (--replace writes over it)\n"),
                  std::string::npos)
            << r.err;
      }
    } else {
      EXPECT_EQ(r.err, "") << run;
    }
    for (const auto& c : copies) EXPECT_EQ(read_file(out + "/" + c.first), fitted(c.second)) << run << " " << c.first;
  }
  // Two FILE arguments of one name, each under the folder that holds it.
  ToolRun r = tool({"--summary", "--no-alias", "--fit", out, dir.file("a/model.pmx"), dir.file("x/solo.vmd"),
                    dir.file("y/solo.vmd")});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read_file(out + "/x/solo.vmd"), fitted("x"));
  EXPECT_EQ(read_file(out + "/y/solo.vmd"), fitted("y"));
  // Two models whose folders have one name too: by their places.
  r = tool({"--each-model", "--no-alias", "--fit", out, dir.file("m/a/model.pmx"), dir.file("n/a/model.pmx"),
            dir.file("x/solo.vmd")});
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(read_file(out + "/model (1)/solo.vmd"), fitted("x"));
  EXPECT_EQ(read_file(out + "/model (2)/solo.vmd"), fitted("x"));
  // What cannot be told apart: nothing written, exit code 2.
  const std::string none = dir.file("none");
  r = tool({"--summary", "--no-alias", "--fit", none, dir.file("a/model.pmx"), dir.file("p/lib"), dir.file("r/lib")});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "velmora-report: the fitted copies of " + dir.file("p/lib/dance.vmd") + " and " +
                       dir.file("r/lib/dance.vmd") + " would both be " + none + "/lib/dance.vmd; nothing was written\n");
  r = tool({"--summary", "--no-alias", "--fit", none, "--png", dir.file("pictures"), "--font",
            "/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf", "--html", dir.file("page.html"),
            dir.file("a/model.pmx"), dir.file("x/solo.vmd"), dir.file("x/solo.vmd")});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(file_exists(none));
  EXPECT_FALSE(file_exists(dir.file("pictures")));
  EXPECT_FALSE(file_exists(dir.file("page.html")));
}

// A dance cut short as a broken download leaves it is never reported as fitting. Cut in its header it is
// unread; cut in a block, "cut", with the block and how many of its declared records were read; cut
// right after its morph block, as older files end, it is whole. A model cut inside its bones is cut too.
TEST(ReportTool, CutFiles) {
  TempDir dir;
  VmdWriter w;
  w.header(to_sjis("ダンス"));
  w.i32(20657);
  for (int i = 0; i < 20657; i++) w.bone(to_sjis("センター"), i, 0.5f, 0, 0, 0, 0, 0, 1);
  const size_t morphs = w.bytes.size();
  w.i32(300);
  for (int i = 0; i < 300; i++) w.morph(to_sjis("あ"), i, 0.5f);
  const size_t morph_end = w.bytes.size();
  for (int block = 0; block < 4; block++) w.i32(0);
  PmxWriter m;
  m.header();
  m.model_texts("モデル", "model");
  for (int block = 0; block < 4; block++) m.i32(0);
  m.i32(4);
  m.bone("センター");
  m.bone("b");
  const size_t third = m.bytes.size();
  m.bone("c");
  m.bone("d");
  std::string model = dir.file("model.pmx"), cut_model = dir.file("cut.pmx");
  write_file(model, PmxWriter::simple({"センター"}, {"あ"}, 0, "モデル", "model"));
  write_file(cut_model, m.bytes.substr(0, third + 6));

  struct Cut {
    size_t at;
    const char* verdict;
    std::string cut;
    std::string error;
  };
  const Cut cuts[] = {
      {40, "unread", "{\"in\":\"header\",\"read\":40,\"declared\":54}", "cut in the header after 40 of 54 bytes"},
      {54, "cut", "{\"in\":\"bone keys\",\"read\":0,\"declared\":20657}", "cut in the bone keys after 0 of 20,657"},
      {54 + 9008 * 111 + 50, "cut", "{\"in\":\"bone keys\",\"read\":9008,\"declared\":20657}",
       "cut in the bone keys after 9,008 of 20,657"},
      {morphs + 4 + 100 * 23 + 10, "cut", "{\"in\":\"morph keys\",\"read\":100,\"declared\":300}",
       "cut in the morph keys after 100 of 300"},
      {morph_end, "fits", "null", ""},
  };
  for (const Cut& c : cuts) {
    std::string motion = dir.file("dance-" + std::to_string(c.at) + ".vmd");
    write_file(motion, w.bytes.substr(0, c.at));
    ToolRun r = tool({"--summary", "--json", "--no-alias", model, motion});
    std::string error = c.error.empty() ? "null" : "\"" + c.error + "\"";
    EXPECT_NE(r.out.find("\"verdict\":\"" + std::string(c.verdict) + "\",\"error\":" + error + ",\"cut\":" + c.cut),
              std::string::npos)
        << c.at << ": " << r.out;
    EXPECT_EQ(r.err, c.error.empty() ? "" : "velmora-report: " + motion + ": " + c.error + "\n") << c.at;
    EXPECT_EQ(r.code, c.error.empty() ? 0 : 1) << c.at;
  }
  ToolRun r = tool({"--summary", "--json", "--no-alias", cut_model});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("\"kind\":\"model\",\"read\":0,\"verdict\":\"cut\",\"error\":\"cut in the bones after 2 of 4\","
                       "\"cut\":{\"in\":\"bones\",\"read\":2,\"declared\":4},\"name\":\"モデル\",\"bones\":3,"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("{\"totals\":{\"motions\":0,\"fit\":0,\"extras\":0,\"lack\":0,\"would_fit\":0,\"no_model\":0,"
                       "\"camera\":0,\"empty\":0,\"cut\":0,\"unread\":0}}"),
            std::string::npos);
}

// The page of a motion after a model read in part is velmora.exe's, line by line and colour by colour:
// the model's name as its reader kept it on the target line, and the colours against the names it read
// (none when it was cut in its vertices). Only the verdict says that the model is no target.
TEST(ReportTool, ThePageAfterAModelReadInPartIsVelmoras) {
  TempDir dir;
  PmxWriter vertices;
  vertices.header();
  vertices.model_texts("切断", "cut");
  vertices.i32(3);
  for (int i = 0; i < 3; i++) vertices.vertex(0);
  PmxWriter bones;
  bones.header();
  bones.model_texts("切断", "cut");
  for (int block = 0; block < 4; block++) bones.i32(0);
  bones.i32(4);
  bones.bone("センター");
  bones.bone("上半身");
  const size_t third = bones.bytes.size();
  bones.bone("左腕");
  bones.bone("右腕");
  PmxWriter fault;
  fault.header();
  fault.model_texts("切断", "cut");
  for (int block = 0; block < 4; block++) fault.i32(0);
  fault.i32(2);
  fault.bone("センター");
  fault.bone("左腕");
  fault.i32(3);
  fault.morph("あ", 1);
  fault.morph("い", 12);
  fault.morph("う", 1);
  struct Case {
    std::string model;
    const char* reason;
    const char* orange;  // a line the page colours as lacking, or nullptr when it colours none
  };
  const Case cases[] = {
      {vertices.bytes.substr(0, vertices.bytes.size() - 5), "cut in the vertices after 2 of 3", nullptr},
      {bones.bytes.substr(0, third), "cut in the bones after 2 of 4", "#ff7800|  左腕      (1 keys)"},
      {fault.bytes, "cut in the morphs after 1 of 3: morph kind 12", "#ff7800|  う  (1 keys)"},
  };
  VmdWriter w;
  w.header(to_sjis("テスト"));
  w.i32(2);
  w.bone(to_sjis("センター"), 3, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.bone(to_sjis("左腕"), 5, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.i32(2);
  w.morph(to_sjis("あ"), 4, 0.25f);
  w.morph(to_sjis("う"), 6, 0.5f);
  std::string motion = dir.file("clip.vmd"), model = dir.file("cut.pmx");
  write_file(motion, w.bytes);
  for (const Case& c : cases) {
    write_file(model, c.model);
    // velmora.exe's run: the model, then the motion, and the page the motion leaves.
    std::string line = "p " + model + " " + motion;
    split_command_line_ansi_from(line.c_str());
    split_command_line_utf16_from(to_u16(line).c_str());
    for (int k = 1; k <= 2; k++) {
      run_file_names(k);
      run_check(nullptr, nullptr);
    }
    std::string expected;
    for (const std::string& l : page_lines()) expected += l + "\n";
    EXPECT_NE(expected.find("|想定使用先: 切断  (PMX) \n"), std::string::npos) << expected;
    if (c.orange != nullptr) EXPECT_NE(expected.find(c.orange), std::string::npos) << expected;
    else EXPECT_EQ(expected.find("#ff7800"), std::string::npos) << expected;

    ToolRun r = tool({"--json", "--no-alias", model, motion});
    EXPECT_EQ(r.code, 1) << c.reason;
    size_t at = r.out.find("\n{\"file\":\"" + motion + "\"");
    ASSERT_NE(at, std::string::npos) << r.out;
    std::string entry = r.out.substr(at + 1);
    EXPECT_NE(entry.find("\"verdict\":\"no model\","), std::string::npos) << entry;
    std::string shown;
    size_t from = entry.find("\"lines\":[") + 9;
    for (size_t k = from; entry.compare(k, 2, "[\"") == 0;) {
      size_t colour_end = entry.find("\",\"", k);
      size_t text_end = entry.find("\"]", colour_end);
      std::string text = entry.substr(colour_end + 3, text_end - colour_end - 3);
      for (size_t n; (n = text.find("\\n")) != std::string::npos;) text.replace(n, 2, "\n");
      shown += entry.substr(k + 2, colour_end - k - 2) + "|" + text + "\n";
      k = text_end + 2 + (entry[text_end + 2] == ',' ? 1 : 0);
    }
    EXPECT_EQ(shown, expected) << c.reason;
    r = tool({"--colour=never", "--no-alias", model, motion});
    EXPECT_NE(r.out.find("\nverdict: no model (" + model + ": " + c.reason + ")\n"), std::string::npos) << r.out;
    r = tool({"--summary", "--json", "--no-alias", model, motion});
    EXPECT_NE(r.out.find("\"verdict\":\"no model\",\"error\":null,\"cut\":null,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"lacks\":{\"bones\":[],\"morphs\":[]},\"extras\":{\"bones\":[],\"morphs\":[]},\"advice\":[],\"fitted\":null,\"model_error\":\"" + model +
                         ": " + c.reason + "\"}"),
              std::string::npos)
        << r.out;
  }
}

// --html: the page goes into folders it makes, as a copy does; its language comes from LC_ALL, then
// LC_MESSAGES, then LANG, read as strings whether or not the system has the locale ("ja..." Japanese,
// anything else English), unless --lang says; an existing page is replaced only with --replace.
TEST(ReportTool, ThePageMakesItsFoldersAndTakesItsLanguageFromTheEnvironment) {
  TempDir dir;
  std::string motion = dir.file("clip.vmd");
  write_file(motion, small_motion());
  const char* const names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::string saved[3];
  bool had[3];
  for (int i = 0; i < 3; i++) {
    const char* v = std::getenv(names[i]);
    had[i] = v != nullptr;
    saved[i] = v != nullptr ? v : "";
  }
  struct Env {
    const char* all;
    const char* messages;
    const char* lang;
    const char* page_lang;
  };
  const Env envs[] = {{nullptr, nullptr, "en_US.UTF-8", "en"}, {nullptr, nullptr, "ja_JP.UTF-8", "ja"},
                      {nullptr, "ja_JP.eucJP", "en_GB", "ja"},  {"C", "ja_JP.UTF-8", "ja_JP", "en"},
                      {"", "", "ja", "ja"},                      {nullptr, nullptr, "xx_YY.no-such-locale", "en"}};
  int n = 0;
  for (const Env& e : envs) {
    const char* values[] = {e.all, e.messages, e.lang};
    for (int i = 0; i < 3; i++) {
      if (values[i] != nullptr) setenv(names[i], values[i], 1);
      else unsetenv(names[i]);
    }
    std::string page = dir.file("a" + std::to_string(n++) + "/b/page.html");
    ToolRun r = tool({"--no-alias", "--html", page, motion});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(read_file(page).rfind(std::string("<!DOCTYPE html>\n<html lang=") + e.page_lang + ">\n", 0), 0u)
        << e.page_lang;
  }
  std::string page = dir.file("a0/b/page.html");
  ToolRun r = tool({"--no-alias", "--html", page, "--lang", "ja", motion});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "velmora-report: cannot write " + page + ": it exists (--replace writes over it)\n");
  r = tool({"--no-alias", "--replace", "--html", page, "--lang", "ja", motion});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(read_file(page).rfind("<!DOCTYPE html>\n<html lang=ja>\n", 0), 0u);
  for (int i = 0; i < 3; i++) {
    if (had[i]) setenv(names[i], saved[i].c_str(), 1);
    else unsetenv(names[i]);
  }
}

// A Shift-JIS name as a Japanese archive leaves it on Linux (83 5F 83 93 83 58 for ダンス), given as an
// argument and met in a folder: read by its own bytes, and named decoded in the summary, the JSON and
// the page's path line. Its ANSI spelling, ?_???X.vmd, names another motion here, which is read only
// as itself. The folder's order is that of the names' bytes: 83 before the C3 of ä.vmd.
TEST(ReportTool, ShiftJisNamesAreReadAndShownDecoded) {
  TempDir dir;
  std::string lib = dir.file("lib");
  mkdir(lib.c_str(), 0700);
  std::string dance = lib + "/" + to_sjis("ダンス.vmd");
  write_file(dance, small_motion());
  VmdWriter other;
  other.header("");
  other.i32(0);
  other.i32(0);
  write_file(lib + "/?_???X.vmd", other.bytes);
  write_file(lib + "/ä.vmd", other.bytes);
  std::string model = dir.file("model.pmx");
  write_file(model, PmxWriter::simple({"センター"}, {"あ"}, 0, "モデル", "model"));
  ToolRun r = tool({"--summary", "--json", "--no-alias", model, dance, lib});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Each motion's file and bone keys, in order: ダンス.vmd has one key, the two others none.
  std::string seen;
  for (size_t at = 0; (at = r.out.find("{\"file\":\"" + lib + "/", at)) != std::string::npos; at++) {
    size_t from = at + 10 + lib.size();
    size_t keys = r.out.find("\"bone_keys\":", from) + 12;
    seen += r.out.substr(from, r.out.find('"', from) - from) + " " + r.out.substr(keys, 1) + ", ";
  }
  EXPECT_EQ(seen, "ダンス.vmd 1, ?_???X.vmd 0, ダンス.vmd 1, ä.vmd 0, ");
  r = tool({"--summary", "--no-alias", dance});
  EXPECT_NE(r.out.find("  " + lib + "/ダンス.vmd\n"), std::string::npos) << r.out;
  r = tool({"--json", "--no-alias", dance});
  // JSON also gives the bytes that open it, since the decoded name names no file.
  std::string bytes;
  for (unsigned char b : dance) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", b);
    bytes += hex;
  }
  EXPECT_EQ(r.out.rfind("{\"file\":\"" + lib + "/ダンス.vmd\",\"path_bytes\":\"" + bytes + "\",\"kind\":\"motion\",\"read\":0,", 0),
            0u)
      << r.out.substr(0, 300);
  EXPECT_NE(r.out.find("\"lines\":[[\"#000000\",\"\"],[\"#ffffff\",\"" + lib + "/ダンス.vmd\"],"), std::string::npos);
}

// A FIFO with a motion's name in a folder is never opened (opening it would wait for a writer for
// ever): one line on standard error, and the run goes on and ends well.
TEST(ReportTool, AFifoInAFolderIsSkipped) {
  TempDir dir;
  std::string lib = dir.file("lib");
  mkdir(lib.c_str(), 0700);
  std::string model = dir.file("model.pmx");
  write_file(model, PmxWriter::simple({"センター"}, {"あ"}, 0, "モデル", "model"));
  write_file(lib + "/a.vmd", small_motion());
  ASSERT_EQ(mkfifo((lib + "/x.vmd").c_str(), 0600), 0);
  alarm(30);  // a walk that opens the FIFO ends the test here instead of hanging
  ToolRun r = tool({"--summary", "--json", "--no-alias", model, lib});
  alarm(0);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "velmora-report: " + lib + "/x.vmd: not a regular file (a FIFO, socket or device); skipped\n");
  EXPECT_EQ(r.out.find("x.vmd"), std::string::npos);
  EXPECT_NE(r.out.find("{\"totals\":{\"motions\":1,\"fit\":1,"), std::string::npos) << r.out;
}

// A motion exported with English names that names both UpperBody and Spine (both 上半身 by advice), and
// one with both 左ひじ and 左ヒジ: the fitted copy never gives one name two tracks. Only the whole,
// exact match is renamed; the other keeps its name, "taken".
TEST(ReportTool, AFittedCopyNeverGivesOneNameTwoTracks) {
  TempDir dir;
  std::string model = dir.file("model.pmx"), motion = dir.file("dance.vmd"), out = dir.file("fitted");
  write_file(model, PmxWriter::simple({"上半身", "左ひじ"}, {}, 0, "モデル", "model"));
  VmdWriter w;
  w.header("");
  w.i32(6);
  for (int f = 0; f < 2; f++) {
    w.bone("UpperBody", f * 10, 0, 0, 0, 0.1f, 0, 0, 0.99f);
    w.bone("Spine", f * 10 + 1, 0, 0, 0, 0.2f, 0, 0, 0.98f);
    w.bone(to_sjis(f == 0 ? "左ひじ" : "左ヒジ"), f * 10 + 2, 0, 0, 0, 0, 0.3f, 0, 0.95f);
  }
  w.i32(0);
  for (int block = 0; block < 4; block++) w.i32(0);
  write_file(motion, w.bytes);
  ToolRun r = tool({"--summary", "--no-alias", "--fit", out, model, motion});
  EXPECT_NE(r.out.find("        UpperBody → 上半身 (rig name)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("        Spine → 上半身 (taken)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("        左ヒジ → 左ひじ (taken)\n"), std::string::npos) << r.out;
  // The copy's names, key by key: UpperBody's keys alone became 上半身.
  std::string copy = read_file(out + "/dance.vmd");
  std::vector<std::string> names;
  for (int k = 0; k < 6; k++) names.push_back(std::string(copy.c_str() + 54 + k * 111));
  EXPECT_EQ(names, (std::vector<std::string>{to_sjis("上半身"), "Spine", to_sjis("左ひじ"), to_sjis("上半身"), "Spine",
                                             to_sjis("左ヒジ")}));
}
