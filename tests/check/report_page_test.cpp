// The report page: reset, pieces, closes, colours and its bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "check/report_page.h"

TEST(ReportPage, ResetThenOneCloseGivesAnEmptyBlackLine) {
  report_reset();
  report_end_line();
  const ReportPage* p = report_view();
  EXPECT_EQ(p->line_count, 1);
  EXPECT_EQ(p->text[0][0], 0);
  EXPECT_EQ(p->colour[0], 0u);
  EXPECT_EQ(p->widest, 0);
}

TEST(ReportPage, PiecesAddUpAndTheLastColourWins) {
  report_reset();
  report_put(std::string(10, 'a').c_str());
  report_put(std::string(12, 'b').c_str());
  report_set_colour(255, 120, 0);
  report_put(std::string(20, 'c').c_str());
  report_end_line();
  const ReportPage* p = report_view();
  EXPECT_EQ(std::strlen(p->text[0]), 42u);
  EXPECT_EQ(p->widest, 42);
  EXPECT_EQ(std::string(p->text[0]), std::string(10, 'a') + std::string(12, 'b') + std::string(20, 'c'));
  EXPECT_EQ(p->colour[0], 0x000078FFu);  // orange packed as blue, green, red
}

TEST(ReportPage, AnEmptyLineTakesTheColourOfTheLastPut) {
  report_reset();
  report_set_colour(150, 150, 150);
  report_put("  name");
  report_end_line();
  report_set_colour(255, 255, 255);  // chosen but never put
  report_end_line();
  const ReportPage* p = report_view();
  EXPECT_EQ(p->colour[1], report_rgb(150, 150, 150));
  report_put("     ");
  report_end_line();
  EXPECT_EQ(p->colour[2], 0x00FFFFFFu);
}

TEST(ReportPage, ALineIsCutAtByte127) {
  report_reset();
  report_put(std::string(100, 'x').c_str());
  report_put(std::string(100, 'y').c_str());
  report_put("z");
  report_end_line();
  const ReportPage* p = report_view();
  EXPECT_EQ(std::strlen(p->text[0]), 127u);
  EXPECT_EQ(p->text[0][127], 0);
  EXPECT_EQ(std::string(p->text[0]), std::string(100, 'x') + std::string(27, 'y'));
  EXPECT_EQ(p->widest, 127);
  // A single 200-byte piece likewise.
  report_reset();
  report_put(std::string(200, 'q').c_str());
  report_end_line();
  EXPECT_EQ(std::strlen(p->text[0]), 127u);
  // Even inside a two-byte character.
  report_reset();
  std::string kana;
  for (int i = 0; i < 64; i++) kana += "\x83\x41";
  report_put(kana.c_str());
  report_end_line();
  EXPECT_EQ(std::strlen(p->text[0]), 127u);
  EXPECT_EQ((unsigned char)p->text[0][126], 0x83);
}

TEST(ReportPage, LinesBeyond512AreDropped) {
  report_reset();
  for (int i = 0; i < 600; i++) {
    report_put(std::to_string(i).c_str());
    report_end_line();
  }
  const ReportPage* p = report_view();
  EXPECT_EQ(p->line_count, 512);
  EXPECT_EQ(std::string(p->text[511]), "511");
  EXPECT_EQ(p->widest, 3);
  // A reset empties the page for the next run.
  report_reset();
  EXPECT_EQ(p->line_count, 0);
  EXPECT_EQ(p->text[511][0], 0);
  EXPECT_EQ(p->red, 255);
}
