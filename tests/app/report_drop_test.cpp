// velmora-report as a drop target: a console of its own (VELMORA_CONSOLE, which the platform seam reads)
// turns a run without option words into the summary, and with a terminal as standard input into one
// line in the user's language and a wait for a key. A pseudo-terminal stands in for the console.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/report_tool.h"
#include "support/testfiles.h"
#include "support/vmdwriter.h"
#include "sys/sys.h"

namespace {

const char WAIT_JA[] = "何かキーを押すとこのウィンドウを閉じます。\n";
const char OPEN_EN[] = "Press O to open the library page in your browser, any other key to close this window.\n";
const char OPEN_JA[] = "O キーでライブラリのページをブラウザで開きます。ほかのキーでこのウィンドウを閉じます。\n";

// What the tool prints for words, its console said by VELMORA_CONSOLE and its standard input from in.
std::string printed(const char* console, int in, const std::vector<std::string>& words) {
  TempDir dir;
  ToolArgs args(words);
  setenv("VELMORA_CONSOLE", console, 1);
  int saved = dup(0);
  dup2(in, 0);
  FILE* out = std::fopen(dir.file("out").c_str(), "wb");
  FILE* err = std::fopen(dir.file("err").c_str(), "wb");
  report_tool_run(out, err, (int)args.argv.size(), args.argv.data());
  std::fclose(out);
  std::fclose(err);
  dup2(saved, 0);
  close(saved);
  unsetenv("VELMORA_CONSOLE");
  return read_file(dir.file("out"));
}

// A motion with one bone key, in dir.
std::string motion_in(const TempDir& dir) {
  VmdWriter w;
  w.header(to_sjis("テスト"));
  w.i32(1);
  w.bone(to_sjis("センター"), 3, 0.0f, 0.5f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
  w.i32(0);
  std::string path = dir.file("dance.vmd");
  write_file(path, w.bytes);
  return path;
}

// A pseudo-terminal: the tool reads the slave as its standard input; a key is written to the master.
struct Terminal {
  int master = -1, slave = -1;
  Terminal() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  }
  ~Terminal() {
    close(slave);
    close(master);
  }
  void press(char key) { EXPECT_EQ(write(master, &key, 1), 1); }
  // True when a key is still waiting to be read (looked at byte by byte, not line by line).
  bool unread() {
    termios t;
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    pollfd p = {slave, POLLIN, 0};
    return poll(&p, 1, 100) == 1;
  }
};

}  // namespace

TEST(ReportDrop, AConsoleOfItsOwnWithoutOptionWordsPrintsTheSummary) {
  TempDir dir;
  std::string motion = motion_in(dir);
  int nul = open("/dev/null", O_RDONLY);
  std::string summary = printed("shared", nul, {"--summary", motion});
  ASSERT_NE(summary.find("totals: 1 motion"), std::string::npos) << summary;
  EXPECT_EQ(printed("own", nul, {motion}), summary);
  // Shared, or with an option word, nothing changes.
  std::string page = printed("shared", nul, {motion});
  EXPECT_NE(page.find("センター"), std::string::npos) << page;
  EXPECT_EQ(summary.find("センター"), std::string::npos) << summary;
  EXPECT_EQ(printed("own", nul, {"--json", motion}), printed("shared", nul, {"--json", motion}));
  EXPECT_EQ(printed("own", nul, {"--", motion}), page);
  close(nul);
}

TEST(ReportDrop, WaitsForAKeyOnlyWithATerminalAsInputAndNoOptionWords) {
  TempDir dir;
  std::string motion = motion_in(dir);
  int nul = open("/dev/null", O_RDONLY);
  std::string summary = printed("shared", nul, {"--summary", motion});
  close(nul);
  // The library page goes into the temporary folder; the key O opens it (the open is logged here).
  TempDir temp;
  setenv("TMPDIR", temp.path.c_str(), 1);
  setenv("VELMORA_OPEN_LOG", temp.file("opened").c_str(), 1);
  {
    // An English user: the English line, and the key is taken; x opens nothing.
    Terminal t;
    ASSERT_GE(t.slave, 0);
    sys_set_locale_for_test(0x0409, 1252);
    t.press('x');
    EXPECT_EQ(printed("own", t.slave, {motion}), summary + OPEN_EN);
    EXPECT_FALSE(t.unread());
    EXPECT_FALSE(file_exists(temp.file("opened")));
    sys_set_locale_for_test(0x0411, 932);
  }
  {
    // A Japanese user presses O: the page that was written, whole, is what is opened.
    Terminal t;
    t.press('O');
    EXPECT_EQ(printed("own", t.slave, {motion}), summary + OPEN_JA);
    std::string opened = read_file(temp.file("opened"));
    ASSERT_EQ(opened.rfind(temp.path + "/velmora-report-", 0), 0u) << opened;
    std::string page = read_file(opened.substr(0, opened.size() - 1));
    EXPECT_EQ(page.substr(page.size() - 10), "</script>\n");  // whole: the page script ends it
    EXPECT_NE(page.find("<table id=motions>"), std::string::npos);
    unsetenv("VELMORA_OPEN_LOG");
    unsetenv("TMPDIR");
  }
  {
    // A double click without a file shows the usage error until a key too.
    Terminal t;
    t.press('y');
    EXPECT_EQ(printed("own", t.slave, {}), WAIT_JA);
    EXPECT_FALSE(t.unread());
  }
  {
    // From a command prompt, or with an option word: no line and no wait; the key stays unread.
    Terminal t;
    t.press('x');
    EXPECT_EQ(printed("shared", t.slave, {"--summary", motion}), summary);
    EXPECT_EQ(printed("own", t.slave, {"--summary", motion}), summary);
    EXPECT_TRUE(t.unread());
  }
}
