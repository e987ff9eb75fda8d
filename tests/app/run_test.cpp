// The run sequence's portable steps: language flags, options pass, program directory, file kinds.
#include <gtest/gtest.h>

#include <string>

#include "app/cmdline.h"
#include "app/run.h"
#include "check/report_page.h"
#include "support/testfiles.h"
#include "sys/sys.h"

static void command_line(const char* line) {
  split_command_line_ansi_from(line);
  std::u16string w = to_u16(line);
  split_command_line_utf16_from(w.c_str());
}

TEST(RunLanguage, JapaneseTextsNeedAllThreeAnswers) {
  run_language(0x0411, true, 932);
  EXPECT_EQ(run_settings()->japanese, 0xFF);
  EXPECT_EQ(run_settings()->sjis, 0xFF);
  run_language(0x0411, true, 65001);
  EXPECT_EQ(run_settings()->japanese, 0xFF);
  EXPECT_EQ(run_settings()->sjis, 0);
  EXPECT_EQ(run_settings()->output_cp, 65001u);
  run_language(0x0411, false, 932);
  EXPECT_EQ(run_settings()->sjis, 0);
  run_language(0x0409, true, 932);
  EXPECT_EQ(run_settings()->japanese, 0);
  EXPECT_EQ(run_settings()->sjis, 0);
}

// The -ND number the options pass leaves, from a fresh -ND0.
static int cancel_of(const char* line) {
  command_line("p -ND0");
  run_options();
  command_line(line);
  run_options();
  return run_settings()->cancelDialogue;
}

TEST(RunOptions, NumbersFlagsAndOverrides) {
  EXPECT_EQ(cancel_of("p a.vmd -ND"), 1);
  EXPECT_EQ(cancel_of("p a.vmd -ND2"), 2);
  EXPECT_EQ(cancel_of("p a.vmd /nd=2"), 2);
  EXPECT_EQ(cancel_of("p a.vmd -ND200"), -56);  // low 8 bits, read as signed
  EXPECT_EQ(cancel_of("p a.vmd -ND256"), 0);
  // A later occurrence overrides an earlier one, wherever it stands.
  EXPECT_EQ(cancel_of("p -ND2 a.vmd -ND0"), 0);
  // -D and -N with their numbers are read and discarded; other letters skipped.
  EXPECT_EQ(cancel_of("p -N5 -Q a.vmd -ND3 -D0"), 3);
  EXPECT_EQ(cancel_of("p -D=7 -N=12D3 a.vmd"), 0);  // the D after -N=12 is the display letter
  // Both letters in one word: D and its number, then ND and its number.
  EXPECT_EQ(cancel_of("p -D4ND9 a.vmd"), 9);
  EXPECT_EQ(cancel_of("p -D=ND7 a.vmd"), 7);
}

TEST(RunOptions, FileArgumentsAreNotOptions) {
  command_line("p a.vmd -ND /x b.vmd");
  EXPECT_FALSE(run_is_option(1));
  EXPECT_TRUE(run_is_option(2));
  EXPECT_TRUE(run_is_option(3));
  EXPECT_FALSE(run_is_option(4));
}

TEST(RunOptions, TheLastPossibleEntry510IsRead) {
  std::string line = "p";
  for (int i = 1; i < 510; i++) line += " f";
  line += " -ND5";
  command_line(line.c_str());
  run_options();
  EXPECT_EQ(arg_count_a(), 511);
  EXPECT_EQ(run_settings()->cancelDialogue, 5);
}

TEST(RunProgramDir, FromArgumentZeroOrTheCurrentDirectory) {
  command_line("C:\\Tools\\Velmora\\velmora.exe a.vmd");
  run_program_dir();
  EXPECT_STREQ(run_settings()->progdir, "C:\\Tools\\Velmora\\");
  EXPECT_EQ(from_u16(run_settings()->progdir_w), "C:\\Tools\\Velmora\\");
  command_line("velmora.exe a.vmd");
  run_program_dir();
  std::string dir = run_settings()->progdir;
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_EQ(from_u16(run_settings()->progdir_w).back(), '\\');
}

TEST(RunFileNames, KindsFromTheOnDiskExtension) {
  TempDir dir;
  const char* names[] = {"clip.VMD", "clip.vmd", "clip.Vmd", "clip.vmdx", "model.PMX", "clip.txt", "clip"};
  const int vmd[] = {1, 1, 1, 1, 0, 0, 0};
  const int pmx[] = {0, 0, 0, 0, 1, 0, 0};
  for (int i = 0; i < 7; i++) {
    TempDir d;
    std::string path = d.file(names[i]);
    write_file(path, "x");
    command_line(("p " + path).c_str());
    run_file_names(1);
    EXPECT_EQ(run_file()->is_vmd != 0, vmd[i] != 0) << names[i];
    EXPECT_EQ(run_file()->is_pmx != 0, pmx[i] != 0) << names[i];
    EXPECT_STREQ(run_file()->ondisk, names[i]);
    EXPECT_EQ(from_u16(run_file()->ondisk_w), names[i]);
  }
  // A file that does not exist has no on-disk name and so no kind.
  command_line(("p " + dir.file("missing.vmd")).c_str());
  run_file_names(1);
  EXPECT_STREQ(run_file()->ondisk, "");
  EXPECT_EQ(run_file()->is_vmd, 0);
}

TEST(RunCheck, PathLineFromTheUtf16NameWhenTheAnsiListIsShorter) {
  split_command_line_ansi_from("p");
  split_command_line_utf16_from(u"p");
  arg_append_utf16(u"C:\\m\\\x52D5\x304D.vmd");  // 動き.vmd, in the UTF-16 list only
  run_file_names(1);
  run_check(nullptr, nullptr);
  EXPECT_EQ(std::string(report_view()->text[1]), to_sjis("C:\\m\\動き.vmd"));
}

TEST(RunCheck, PathLineFromTheUtf16NameWhereTheAnsiCodePageIsNotShiftJis) {
  // A Western system gives ダンス.vmd's ANSI name as ???.vmd; the page names the file all the same.
  sys_set_locale_for_test(0x0409, 1252);
  split_command_line_ansi_from("p");
  split_command_line_utf16_from(u"p");
  arg_append_ansi("C:\\m\\???.vmd");
  arg_append_utf16(u"C:\\m\\\x30C0\x30F3\x30B9.vmd");
  run_file_names(1);
  run_check(nullptr, nullptr);
  EXPECT_EQ(std::string(report_view()->text[1]), to_sjis("C:\\m\\ダンス.vmd"));
  // On a Shift-JIS system the ANSI name stays the path line, whatever the UTF-16 name says.
  sys_set_locale_for_test(0x0411, 932);
  arg_append_ansi("C:\\m\\ansi.vmd");
  arg_append_utf16(u"C:\\m\\\x30C0\x30F3\x30B9.vmd");
  run_file_names(2);
  run_check(nullptr, nullptr);
  EXPECT_EQ(std::string(report_view()->text[1]), "C:\\m\\ansi.vmd");
}
