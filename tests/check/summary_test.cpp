// The summary text, in Shift-JIS and in UTF-16.
#include <gtest/gtest.h>

#include <string>

#include "check/summary.h"
#include "support/testfiles.h"
#include "sys/sys.h"

TEST(Summary, SameTextInBothForms) {
  report_summary();
  EXPECT_EQ(std::string(summary_text()), to_sjis("(OK): そのままで使用可能です. "));
  EXPECT_EQ(std::u16string(summary_text_w()), u"(OK): そのままで使用可能です. ");
  // Built afresh each time, not appended.
  report_summary();
  EXPECT_EQ(std::u16string(summary_text_w()), u"(OK): そのままで使用可能です. ");
}

TEST(Summary, TheUtf16TextDoesNotDependOnTheSystemCodePage) {
  sys_set_locale_for_test(0x0409, 1252);  // no lead bytes in the ANSI code page
  report_summary();
  sys_set_locale_for_test(0x0411, 932);
  EXPECT_EQ(std::u16string(summary_text_w()), u"(OK): そのままで使用可能です. ");
}
