// utf8_next: one strictly well-formed UTF-8 character.
#include <gtest/gtest.h>

#include "text/encoding.h"

static int next(const char* s, uint32_t* cp) { return utf8_next(reinterpret_cast<const unsigned char*>(s), cp); }

TEST(Utf8Next, WellFormedCharacters) {
  uint32_t cp = 0;
  EXPECT_EQ(next("A", &cp), 1);
  EXPECT_EQ(cp, 0x41u);
  EXPECT_EQ(next("\xC3\xA9", &cp), 2);
  EXPECT_EQ(cp, 0xE9u);
  EXPECT_EQ(next("\xE5\x8B\x95", &cp), 3);
  EXPECT_EQ(cp, 0x52D5u);
  EXPECT_EQ(next("\xF0\x9F\x98\x80", &cp), 4);
  EXPECT_EQ(cp, 0x1F600u);
  EXPECT_EQ(next("\xF4\x8F\xBF\xBF", &cp), 4);
  EXPECT_EQ(cp, 0x10FFFFu);
}

TEST(Utf8Next, RefusesWhatIsNotUtf8) {
  uint32_t cp = 7;
  EXPECT_EQ(next("", &cp), 0);               // the terminator
  EXPECT_EQ(next("\x80", &cp), 0);           // a stray continuation byte
  EXPECT_EQ(next("\xC0\xAF", &cp), 0);       // overlong
  EXPECT_EQ(next("\xE0\x80\xAF", &cp), 0);   // overlong
  EXPECT_EQ(next("\xED\xA0\x80", &cp), 0);   // a surrogate
  EXPECT_EQ(next("\xF4\x90\x80\x80", &cp), 0);  // above U+10FFFF
  EXPECT_EQ(next("\xE5\x8B", &cp), 0);       // cut by the terminator
  EXPECT_EQ(next("\xFF", &cp), 0);
  EXPECT_EQ(cp, 7u);                         // untouched on refusal
}
